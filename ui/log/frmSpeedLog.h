// The speed log window: runs kept per locomotive, throttle step and direction, their means, the speed curve.
#pragma once

#include "log/FleetFigures.h"
#include "log/LogScales.h"
#include "ui/log/SpeedLogLink.h"

#include <QWidget>

#include <atomic>
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
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class QTabWidget;
class QThread;
class RunsModel;
class SpeedCurve;
class StepsModel;
class TextTable;

// A window of its own beside the main window. A run comes from the run timer (Stop)
// or from a time typed here, for the locomotive, throttle step and direction chosen
// here, over the track the main window shows; each is committed to the log file at
// once. The window holds the numbers of the runs and the figures of each step; the
// runs themselves are read from the log as they are shown. Its controls carry their
// names (cboLocomotive, txtTime, tblRuns …) as object names.
class frmSpeedLog : public QWidget, public SpeedLogLink {
    Q_OBJECT

public:
    frmSpeedLog(SpeedLogHost& host, const QByteArray& path);
    ~frmSpeedLog() override;

    QWidget* Window() override { return this; }
    QString RecordTimedRun(qint64 milliseconds) override;
    QString RecordMeasuredRun(const MeasuredRun& run) override;
    LogAnswer RecordProfileRun(const MeasuredRun& run, const QString& locomotive, int throttle,
                               bool reverse) override;
    QString Locomotive() const override;
    void AddTab(QWidget* tab, const QString& title) override;
    std::vector<StepGroup> Steps() const override { return Groups(); }
    bool LeavesMarkedOut() const override;
    std::vector<StepGroup> StepsAfter(const QString& locomotive, qint64 afterRun) const override;
    qint64 NewestRun() const override;
    QString Kept(const QString& key) const override;
    std::optional<QString> Keep(const QString& key, const QString& value) override;
    void OnChange(std::function<void()> changed) override { changed_.push_back(std::move(changed)); }
    double DeviceRatio() const override { return deviceScale_.ratio; }
    void TrackChanged() override;
    bool MayEnd() override;

    // Replaceable for tests: the file the user chooses (empty: none) for another log,
    // for an import or for an export (with the CSV form chosen for it, where one was),
    // given the dialog's caption and a suggested name.
    enum class FileUse { Log, Import, Export };
    struct FileChoice {
        FileChoice(QString chosen = {}) : path(std::move(chosen)) {}  // NOLINT: a path alone is a choice
        FileChoice(QString chosen, CsvForm chosenForm) : path(std::move(chosen)), form(chosenForm) {}
        QString path;
        std::optional<CsvForm> form;  // none: the form this computer's decimal sign asks for
    };
    std::function<FileChoice(FileUse use, const QString& caption, const QString& suggested)> AskPath;

    // The log the window shows, the numbers of its runs (oldest first) and the
    // figures of its steps.
    const LogStore& Store() const { return *store_; }
    const std::vector<qint64>& RunIds() const;
    const std::vector<StepGroup>& Groups() const;
    // Whether an import or an export is under way beside the window.
    bool Busy() const { return job_ != nullptr; }

    // Reads the log again: the runs another copy of Trackpace added show up, and a
    // log that could not be used is tried again.
    void Refresh();

signals:
    // An import or export beside the window has ended.
    void JobEnded();

private:
    QWidget* BuildFileLine();
    QWidget* BuildNextRun();
    QWidget* BuildShowing();
    QWidget* BuildRunsTab();
    QWidget* BuildStepsTab();
    QWidget* BuildCurveTab();
    QWidget* BuildButtons();

    void UseStore(std::unique_ptr<LogStore> store);
    void Reload();
    void Show(std::vector<StepGroup> groups, std::vector<qint64> ids);
    void OpenAnother();
    // Keeps a run of `microseconds` with the choices of the window; the sentence
    // that says what became of it.
    // Why a run of `microseconds` cannot be logged now, if it cannot.
    std::optional<QString> NotLoggable(qint64 microseconds) const;
    QString Record(qint64 microseconds, const QString& source);
    LogAnswer RecordMeasured(const MeasuredRun& measured, const QString& locomotive, int throttle, bool reverse);
    LoggedRun NewRun(const TrackNow& track, qint64 microseconds, const QString& source) const;
    LoggedRun NewRun(const TrackNow& track, qint64 microseconds, const QString& source, const QString& locomotive,
                     int throttle, bool reverse) const;
    // `run` kept (or held while a job runs), and `logged` with what became of it.
    QString Logged(LoggedRun& run, const QString& logged);
    void DeviceScaleChosen();
    QString Keep(LoggedRun& run);
    // The log's file did not take a change: from now on the runs go to memory.
    void FallBackToMemory(const QString& reason);
    void Changed(const std::vector<StepKey>& keys);
    void AddTyped();
    void DeleteChosen();
    void Undo();
    void Import();
    void ExportRuns();
    void ExportMeans();
    // Runs `work` beside the window, with the progress bar out of `total` and
    // Cancel; `done` follows on the window's side.
    void RunBeside(const QString& what, qint64 total,
                   std::function<void(const std::atomic<bool>& cancel, const std::function<void(qint64)>& progress)> work,
                   std::function<void()> done);
    void EndJob();
    void Print(bool toPdf);
    bool Compose(class QPagedPaintDevice& device) const;
    void UnitsChanged();
    void SaveSettings();
    void ShowFile();
    void ShowCurve();
    void ShowLocomotives();
    void ShowTrack();
    void UpdateButtons();
    QString Speed(double mph) const;
    // The file chosen for an export and its form; nothing where none was chosen.
    std::optional<FileChoice> ExportPath(const QString& caption, const QString& suggested);

    SpeedLogHost& host_;
    std::unique_ptr<LogStore> store_;
    std::vector<std::function<void()>> changed_;
    // Each deletion, with its runs, for Undo.
    std::vector<std::vector<LoggedRun>> deleted_;
    // Runs recorded while an import or export holds the log, kept once it ends.
    std::vector<LoggedRun> pending_;
    SpeedUnit unit_ = SpeedUnit::Mph;
    LogScale deviceScale_{QStringLiteral("HO"), 87.0};
    QStringList hiddenFromCurve_;  // locomotives the user took off the curve
    QThread* job_ = nullptr;
    std::atomic<bool> cancel_{false};

    QLabel* lblFile = nullptr;
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QComboBox* cboLocomotive = nullptr;
    QSpinBox* spnThrottle = nullptr;
    QComboBox* cboDirection = nullptr;
    QLabel* lblTrack = nullptr;
    QComboBox* cboDeviceScale = nullptr;
    QLineEdit* txtTime = nullptr;
    QPushButton* cmdAdd = nullptr;
    QLabel* lblNote = nullptr;
    QComboBox* cboUnits = nullptr;
    QCheckBox* chkLeaveOut = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTableView* tblRuns = nullptr;
    RunsModel* runsModel_ = nullptr;
    QTableView* tblSteps = nullptr;
    StepsModel* stepsModel_ = nullptr;
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
    QLabel* lblJob = nullptr;
    QProgressBar* prgJob = nullptr;
    QPushButton* cmdCancel = nullptr;
};
