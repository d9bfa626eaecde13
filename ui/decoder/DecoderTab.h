// The speed log's Decoder tab: a locomotive's speed CVs and target, the CVs planned to reach it, consists matched, and rounds of writing and measuring.
#pragma once

#include "decoder/DecoderPlanner.h"

#include <QWidget>

#include <functional>

class DecoderCurve;
class ProfileTab;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPagedPaintDevice;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;
class SpeedLogLink;
class StationLink;

// Made by the program and handed to the speed log's window as one of its tabs. Its
// controls carry their names (cboDecoderLoco, spnCv2, cmdWriteCvs …) as object names.
class DecoderTab : public QWidget {
    Q_OBJECT

public:
    struct Links {
        std::function<SpeedLogLink&()> log;
        std::function<StationLink&()> station;
        std::function<ProfileTab*()> profile;
        // One page, drawn by `compose`, to the printer or (with `toPdf`) a PDF file.
        std::function<void(QWidget* window, const QString& title,
                           const std::function<bool(QPagedPaintDevice&)>& compose, bool toPdf)>
            print;
    };
    explicit DecoderTab(Links links, QWidget* parent = nullptr);

    // Replaceable for tests: the file the user chooses to save into (empty: none).
    std::function<QString(const QString& caption, const QString& suggested)> AskSavePath;

    const DecoderPlan& Plan() const { return plan_; }
    const MeasuredCurve& Measured() const { return measured_; }
    const DecoderTarget& Target() const { return target_; }
    // Rounds of writing and measuring under way.
    bool Rounding() const { return round_ > 0; }
    // The locomotive's figures were read again from the log, and the plan made again.
    void Refresh();
    void WriteAndCheck();
    void WrittenByHand();
    void ExportProfile();
    // Draws the decoder sheet on `device`; false where no painter could begin.
    bool ComposeSheet(QPagedPaintDevice& device) const;

protected:
    // Shown again: the log's runs may have changed meanwhile.
    void showEvent(QShowEvent* event) override;

private:
    void Build();
    QWidget* BuildDecoderBox();
    QWidget* BuildTargetBox();
    QWidget* BuildWriteBox();
    void Load();
    void Save();
    DecoderSetup SetupShown() const;
    void ShowSetup(const DecoderSetup& setup);
    void ShowPlan();
    void ShowCurve();
    void ShowConsist();
    MeasuredCurve CurveOf(const QString& locomotive, int stepMode) const;
    DecoderSetup SetupOf(const QString& locomotive) const;
    qint64 SinceOf(const QString& locomotive) const;
    DecoderTarget TargetShown() const;
    double ShownToMph(double value) const;
    QString SpeedText(double mph) const;
    QString Kept(const QString& what, const QString& locomotive) const;
    void Keep(const QString& what, const QString& locomotive, const QString& value);
    void KeepRound(const QString& line);
    // The planned values are in the decoder now: kept, with `line` among the rounds.
    void Adopt(const QString& line);
    void NextRound();
    std::optional<QString> Write(const std::vector<CvChange>& changes);
    void RoundEnded(const QString& why, bool fault);
    void EndRounds(const QString& why, bool fault);
    void ShowSpeeds();
    void Tell(const QString& text, bool fault = false);
    QString Locomotive() const;
    // Whether a locomotive is chosen; where none is, the tab says so.
    bool HasLocomotive();

    Links links_;
    DecoderSetup setup_;
    MeasuredCurve measured_;
    DecoderTarget target_;
    DecoderPlan plan_;
    bool loading_ = false;
    double startMph_ = 2.0;  // the target, whichever unit shows it
    double topMph_ = 60.0;
    int round_ = 0;        // the round under way (0: none)
    bool listening_ = false;
    std::vector<int> checked_;  // the steps the round measures

    QComboBox* cboDecoderLoco = nullptr;
    QSpinBox* spnDecoderAddress = nullptr;
    QCheckBox* chkDecoderLong = nullptr;
    QComboBox* cboDecoderSteps = nullptr;
    QComboBox* cboDecoderRange = nullptr;
    QComboBox* cboDecoderFit = nullptr;
    QSpinBox* spnCv2 = nullptr;
    QSpinBox* spnCv6 = nullptr;
    QSpinBox* spnCv5 = nullptr;
    QSpinBox* spnCv29 = nullptr;
    QSpinBox* spnCv66 = nullptr;
    QSpinBox* spnCv95 = nullptr;
    QLineEdit* txtTable = nullptr;
    QRadioButton* optStraight = nullptr;
    QRadioButton* optEased = nullptr;
    QRadioButton* optMatch = nullptr;
    QDoubleSpinBox* spnStartSpeed = nullptr;
    QDoubleSpinBox* spnTopSpeed = nullptr;
    QComboBox* cboDecoderUnit = nullptr;
    QComboBox* cboMatchTo = nullptr;
    QComboBox* cboPlanForm = nullptr;
    QListWidget* lstConsist = nullptr;
    QDoubleSpinBox* spnTolerance = nullptr;
    QSpinBox* spnRounds = nullptr;
    QPushButton* cmdWriteCvs = nullptr;
    QPushButton* cmdWrittenByHand = nullptr;
    QPushButton* cmdExportJmri = nullptr;
    QPushButton* cmdPrintSheet = nullptr;
    QPushButton* cmdSheetPdf = nullptr;
    QLabel* lblDecoderState = nullptr;
    QLabel* lblRounds = nullptr;
    QTableWidget* tblCvs = nullptr;
    QTableWidget* tblConsist = nullptr;
    DecoderCurve* curve_ = nullptr;
};
