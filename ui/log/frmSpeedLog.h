// The speed log window: runs kept per locomotive, throttle step and direction, their means, the speed curve.
#pragma once

#include "core/FleetFigures.h"
#include "ui/log/SpeedLogLink.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class LogStore;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableView;
class QTabWidget;
class SpeedCurve;
class TextTable;

// A window of its own beside the main window. A run comes from the run timer (Stop)
// or from a time typed here, for the locomotive, throttle step and direction chosen
// here, over the track the main window shows; each is committed to the log file at
// once. Its controls carry their names (cboLocomotive, txtTime, tblRuns …) as
// object names.
class frmSpeedLog : public QWidget, public SpeedLogLink {
    Q_OBJECT

public:
    frmSpeedLog(SpeedLogHost& host, const QByteArray& path);
    ~frmSpeedLog() override;

    QWidget* Window() override { return this; }
    QString RecordTimedRun(qint64 milliseconds) override;
    void TrackChanged() override;

    // Replaceable for tests: the file the user chooses (empty: none) for another log,
    // for an import or for an export, given the dialog's caption and a suggested name.
    enum class FileUse { Log, Import, Export };
    std::function<QString(FileUse use, const QString& caption, const QString& suggested)> AskPath;

    // The runs as they stand in the log now, oldest first, and their groups.
    const std::vector<LoggedRun>& Runs() const { return runs_; }
    const std::vector<StepGroup>& Groups() const { return groups_; }

    // Reads the log again: the runs another copy of Trackpace added show up.
    void Refresh();

private:
    QWidget* BuildFileLine();
    QWidget* BuildNextRun();
    QWidget* BuildShowing();
    QWidget* BuildRunsTab();
    QWidget* BuildStepsTab();
    QWidget* BuildCurveTab();
    QWidget* BuildButtons();

    void UseStore(std::unique_ptr<LogStore> store);
    void OpenAnother();
    // Keeps a run of `milliseconds` with the choices of the window; the sentence
    // that says what became of it.
    QString Record(qint64 milliseconds);
    void AddTyped();
    void DeleteChosen();
    void Undo();
    void Import();
    void ExportRuns();
    void ExportMeans();
    void Print(bool toPdf);
    bool Compose(class QPagedPaintDevice& device) const;
    void UnitsChanged();
    void ShowFile();
    void ShowRuns();
    void ShowSteps();
    void ShowCurve();
    void ShowLocomotives();
    void ShowTrack();
    void UpdateButtons();
    QString Speed(double mph) const;
    std::optional<QString> WriteCsv(const QString& caption, const QString& suggested,
                                    const std::vector<QStringList>& records);

    SpeedLogHost& host_;
    std::unique_ptr<LogStore> store_;
    std::vector<LoggedRun> runs_;
    std::vector<StepGroup> groups_;
    // Each deletion, with its runs, for Undo.
    std::vector<std::vector<LoggedRun>> deleted_;
    SpeedUnit unit_ = SpeedUnit::Mph;
    QStringList hiddenFromCurve_;  // locomotives the user took off the curve

    QLabel* lblFile = nullptr;
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QComboBox* cboLocomotive = nullptr;
    QSpinBox* spnThrottle = nullptr;
    QComboBox* cboDirection = nullptr;
    QLabel* lblTrack = nullptr;
    QLineEdit* txtTime = nullptr;
    QPushButton* cmdAdd = nullptr;
    QLabel* lblNote = nullptr;
    QComboBox* cboUnits = nullptr;
    QCheckBox* chkLeaveOut = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTableView* tblRuns = nullptr;
    TextTable* runsTable_ = nullptr;
    QTableView* tblSteps = nullptr;
    TextTable* stepsTable_ = nullptr;
    QListWidget* lstCurve = nullptr;
    QDoubleSpinBox* spnTarget = nullptr;
    SpeedCurve* curve_ = nullptr;
    QLabel* lblMatch = nullptr;
    QTableView* tblMatch = nullptr;
    TextTable* matchTable_ = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdUndo = nullptr;
    QPushButton* cmdImport = nullptr;
    QPushButton* cmdExportRuns = nullptr;
    QPushButton* cmdExportMeans = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdPdf = nullptr;
};
