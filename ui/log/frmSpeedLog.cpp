// The speed log window: its controls, recording and deleting runs, the figures, CSV files and the printed page.
#include "ui/log/frmSpeedLog.h"

#include "core/Files.h"
#include "core/ProgramFolders.h"
#include "core/RunTiming.h"
#include "log/Csv.h"
#include "log/LogCsv.h"
#include "log/LogStore.h"
#include "log/Sqlite.h"
#include "ui/Named.h"
#include "ui/log/LogModels.h"
#include "ui/log/SpeedCurve.h"
#include "ui/log/TextTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QShortcut>
#include <QSpinBox>
#include <QTableView>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>

namespace {

// The most a locomotive's line shows on the curve by default; more stay in the list.
constexpr int CurveLinesAtFirst = 6;
// The progress bar's whole.
constexpr int ProgressSteps = 1000;
const QString UnitsKey = QStringLiteral("units");
const QString TargetKey = QStringLiteral("target_mph");
const QString DeviceScaleKey = QStringLiteral("device_scale");
const QString Title = QStringLiteral("Trackpace - Speed Log");

QPushButton* Button(QWidget* parent, const QString& text, const char* name)
{
    return Named(new QPushButton(text, parent), name);
}

QTableView* TableView(QWidget* parent, QAbstractItemModel* model, const char* name)
{
    auto* view = Named(new QTableView(parent), name);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->setVisible(false);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setStretchLastSection(true);
    // Tab moves on to the next control; the arrow keys move within the table.
    view->setTabKeyNavigation(false);
    return view;
}

// Column widths from the header's texts and a typical row, not from every row: a
// table of a million rows is not read through to size its columns.
void SizeColumns(QTableView* view, const QStringList& typical)
{
    const QFontMetrics metrics = view->fontMetrics();
    for (int column = 0; column < view->model()->columnCount(); ++column) {
        const QString header = view->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        const int width = std::max(metrics.horizontalAdvance(header), metrics.horizontalAdvance(typical.value(column)));
        view->setColumnWidth(column, width + 16);
    }
}

// A caption whose shortcut key reaches `buddy`.
QLabel* Buddy(const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

QString Shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// A thread that runs one piece of work. (A thread from QThread::create, whose work
// goes through a std::future, keeps the MinGW build from ending once it has run.)
class JobThread final : public QThread {
public:
    explicit JobThread(std::function<void()> work) : work_(std::move(work)) {}

protected:
    void run() override { work_(); }

private:
    std::function<void()> work_;
};

// The file dialog's name of a CSV form.
QString CsvFilter(CsvForm form)
{
    return form == CsvForm::Semicolon ? QStringLiteral("CSV with semicolons and decimal commas, as European "
                                                       "spreadsheets read it (*.csv)")
                                      : QStringLiteral("CSV with commas and decimal points, as English spreadsheets "
                                                       "read it (*.csv)");
}

// "commas and decimal points": the form as the note of an export names it.
QString FormText(CsvForm form)
{
    return form == CsvForm::Semicolon ? QStringLiteral("semicolons and decimal commas")
                                      : QStringLiteral("commas and decimal points");
}

StepKey KeyOf(const LoggedRun& run)
{
    return {run.locomotive, run.reverse, run.throttle};
}

std::vector<StepKey> KeysOf(const std::vector<LoggedRun>& runs)
{
    std::vector<StepKey> keys;
    for (const LoggedRun& run : runs) {
        if (std::find(keys.begin(), keys.end(), KeyOf(run)) == keys.end()) {
            keys.push_back(KeyOf(run));
        }
    }
    return keys;
}

}  // namespace

frmSpeedLog::frmSpeedLog(SpeedLogHost& host, const QByteArray& path) : QWidget(nullptr, Qt::Window), host_(host)
{
    setObjectName(QStringLiteral("frmSpeedLog"));
    setWindowTitle(Title);
    // Open beside the main window, it must not keep the program running once the
    // main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    AskPath = [this](FileUse use, const QString& caption, const QString& suggested) -> FileChoice {
        // In the folder used last for that kind of file (kept with the log), else in
        // the user's Documents folder: never the working folder.
        const QString key = use == FileUse::Log ? QStringLiteral("folder_logs") : QStringLiteral("folder_csv");
        const QDir folder(DialogFolder(store_->Setting(key, QString())));
        const auto remember = [this, key](const QString& chosen) {
            if (!chosen.isEmpty()) {
                store_->SetSetting(key, QFileInfo(chosen).absolutePath());
            }
            return chosen;
        };
        switch (use) {
            case FileUse::Log:
                return remember(QFileDialog::getSaveFileName(
                    this, caption, folder.filePath(QFileInfo(suggested.isEmpty() ? Title : suggested).fileName()),
                    QStringLiteral("Speed logs (*.sqlite);;All files (*)"), nullptr, QFileDialog::DontConfirmOverwrite));
            case FileUse::Import:
                return remember(QFileDialog::getOpenFileName(this, caption, folder.path(),
                                                             QStringLiteral("CSV files (*.csv);;All files (*)")));
            case FileUse::Export:
                break;
        }
        // The form this computer's spreadsheets read is chosen at first.
        const QStringList filters{CsvFilter(CsvForm::Comma), CsvFilter(CsvForm::Semicolon)};
        QString filter = CsvFilter(SystemCsvForm());
        const QString path = remember(QFileDialog::getSaveFileName(this, caption, folder.filePath(suggested),
                                                                   filters.join(QStringLiteral(";;")), &filter));
        return {path, filter == filters.at(1) ? CsvForm::Semicolon : CsvForm::Comma};
    };
    runsModel_ = new RunsModel(this);
    stepsModel_ = new StepsModel(this);
    // In a scrolled area of its own, so that the window can be made as small as any
    // screen needs (scrolled where it is smaller than its controls).
    auto* scroll = Named(new QScrollArea(this), "scrLog");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(scroll);
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    auto* layout = new QVBoxLayout(content);
    layout->addWidget(BuildFileLine());
    layout->addWidget(BuildNextRun());
    layout->addWidget(BuildShowing());
    tabs_ = Named(new QTabWidget(this), "tabLog");
    tabs_->addTab(BuildRunsTab(), QStringLiteral("Run&s"));
    tabs_->addTab(BuildStepsTab(), QStringLiteral("S&teps"));
    tabs_->addTab(BuildCurveTab(), QStringLiteral("Cur&ve"));
    layout->addWidget(tabs_, 1);
    layout->addWidget(BuildButtons());
    // The program's two other windows of runs, from here as from the main window.
    auto* timer = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
    connect(timer, &QShortcut::activated, this, [this] { host_.ShowRunTimer(); });
    auto* self = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(self, &QShortcut::activated, this, [this] {
        raise();
        activateWindow();
    });
    resize(860, 700);
    UseStore(std::make_unique<LogStore>(path));
}

frmSpeedLog::~frmSpeedLog()
{
    // A job beside the window ends before the log it works on goes: an import is
    // taken back whole.
    if (job_ != nullptr) {
        cancel_ = true;
        job_->wait();
        delete job_;
    }
}

const std::vector<qint64>& frmSpeedLog::RunIds() const
{
    return runsModel_->Ids();
}

const std::vector<StepGroup>& frmSpeedLog::Groups() const
{
    return stepsModel_->Groups();
}

QWidget* frmSpeedLog::BuildFileLine()
{
    auto* line = new QWidget(this);
    lblFile = Named(new QLabel(line), "lblFile");
    lblFile->setWordWrap(true);
    lblFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdOpen = Button(line, QStringLiteral("&Open Another File..."), "cmdOpen");
    cmdRefresh = Button(line, QStringLiteral("&Refresh"), "cmdRefresh");
    cmdRefresh->setToolTip(
        QStringLiteral(" Read the log again, with the runs another Trackpace added; try again a log that could "
                       "not be used "));
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lblFile, 1);
    layout->addWidget(cmdOpen);
    layout->addWidget(cmdRefresh);
    connect(cmdOpen, &QPushButton::clicked, this, &frmSpeedLog::OpenAnother);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmSpeedLog::Refresh);
    return line;
}

QWidget* frmSpeedLog::BuildNextRun()
{
    auto* frame = Named(new QGroupBox(QStringLiteral("Next run"), this), "fraNextRun");
    cboLocomotive = Named(new QComboBox(frame), "cboLocomotive");
    cboLocomotive->setEditable(true);
    cboLocomotive->setInsertPolicy(QComboBox::NoInsert);
    cboLocomotive->lineEdit()->setMaxLength(MaxLocomotiveChars);
    cboLocomotive->lineEdit()->setPlaceholderText(QStringLiteral("Type or choose a locomotive"));
    cboLocomotive->setMinimumContentsLength(24);
    spnThrottle = Named(new QSpinBox(frame), "spnThrottle");
    spnThrottle->setRange(0, MaxThrottle);
    spnThrottle->setToolTip(QStringLiteral(" The throttle's step or notch, 0 to %1 ").arg(MaxThrottle));
    cboDirection = Named(new QComboBox(frame), "cboDirection");
    cboDirection->addItems({DirectionText(false), DirectionText(true)});
    lblTrack = Named(new QLabel(frame), "lblTrack");
    cboDeviceScale = Named(new QComboBox(frame), "cboDeviceScale");
    cboDeviceScale->setEditable(true);
    cboDeviceScale->setInsertPolicy(QComboBox::NoInsert);
    cboDeviceScale->addItems(LogScaleChoices());
    cboDeviceScale->setToolTip(QStringLiteral(" The scale a trap's or a rolling road's runs are logged in; type any "
                                              "other as 1:64 "));
    txtTime = Named(new QLineEdit(frame), "txtTime");
    txtTime->setMaxLength(9);
    txtTime->setPlaceholderText(QStringLiteral("seconds, as 5.2 or 5.25"));
    cmdAdd = Button(frame, QStringLiteral("&Add Run"), "cmdAdd");
    lblNote = Named(new QLabel(frame), "lblNote");
    lblNote->setWordWrap(true);
    lblNote->setTextFormat(Qt::PlainText);  // it names locomotives and files as they are

    auto* choices = new QHBoxLayout;
    choices->addWidget(Buddy(QStringLiteral("&Locomotive:"), cboLocomotive));
    choices->addWidget(cboLocomotive, 1);
    choices->addWidget(Buddy(QStringLiteral("T&hrottle step:"), spnThrottle));
    choices->addWidget(spnThrottle);
    choices->addWidget(Buddy(QStringLiteral("&Direction:"), cboDirection));
    choices->addWidget(cboDirection);
    auto* typed = new QHBoxLayout;
    typed->addWidget(Buddy(QStringLiteral("Time of a run timed else&where (s):"), txtTime));
    typed->addWidget(txtTime);
    typed->addWidget(cmdAdd);
    typed->addStretch();
    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(choices);
    auto* devices = new QHBoxLayout;
    devices->addWidget(lblTrack, 1);
    devices->addWidget(Buddy(QStringLiteral("Scale of runs b&y devices:"), cboDeviceScale));
    devices->addWidget(cboDeviceScale);
    layout->addLayout(devices);
    layout->addLayout(typed);
    layout->addWidget(lblNote);
    connect(cmdAdd, &QPushButton::clicked, this, &frmSpeedLog::AddTyped);
    connect(cboDeviceScale->lineEdit(), &QLineEdit::editingFinished, this, &frmSpeedLog::DeviceScaleChosen);
    connect(cboDeviceScale, &QComboBox::activated, this, &frmSpeedLog::DeviceScaleChosen);
    connect(txtTime, &QLineEdit::returnPressed, this, &frmSpeedLog::AddTyped);
    return frame;
}

QWidget* frmSpeedLog::BuildShowing()
{
    auto* line = new QWidget(this);
    cboUnits = Named(new QComboBox(line), "cboUnits");
    cboUnits->addItems({UnitText(SpeedUnit::Mph), UnitText(SpeedUnit::Kmh)});
    chkLeaveOut = Named(new QCheckBox(QStringLiteral("Leave mar&ked runs out of the means"), line), "chkLeaveOut");
    chkLeaveOut->setToolTip(QStringLiteral(" A run more than %1 % away from the median of its step is marked; "
                                           "it stays in the log either way ")
                                .arg(OutlierShare * 100));
    QLabel* units = Buddy(QStringLiteral("Speeds i&n:"), cboUnits);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(units);
    layout->addWidget(cboUnits);
    layout->addSpacing(16);
    layout->addWidget(chkLeaveOut);
    layout->addStretch();
    connect(cboUnits, &QComboBox::currentIndexChanged, this, &frmSpeedLog::UnitsChanged);
    connect(chkLeaveOut, &QCheckBox::toggled, this, [this](bool leaveOut) {
        runsModel_->SetLeaveOut(leaveOut);
        stepsModel_->SetLeaveOut(leaveOut);
        ShowCurve();
    });
    return line;
}

QWidget* frmSpeedLog::BuildRunsTab()
{
    tblRuns = TableView(this, runsModel_, "tblRuns");
    tblRuns->setSelectionMode(QAbstractItemView::ExtendedSelection);
    SizeColumns(tblRuns, {QStringLiteral("2026-12-31 23:59:59"), QStringLiteral("Baureihe 01 1066 Dampf"),
                          QStringLiteral("128"), QStringLiteral("reverse"),
                          QStringLiteral("HO circle of radius 24 in, 1093.3 scale ft"), QStringLiteral("12.25"),
                          QStringLiteral("123.4")});
    connect(tblRuns->selectionModel(), &QItemSelectionModel::selectionChanged, this, &frmSpeedLog::UpdateButtons);
    // Delete only where the list of runs has the focus (not in a text field or a list).
    auto* remove = new QShortcut(QKeySequence::Delete, tblRuns, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &frmSpeedLog::DeleteChosen);
    return tblRuns;
}

QWidget* frmSpeedLog::BuildStepsTab()
{
    tblSteps = TableView(this, stepsModel_, "tblSteps");
    SizeColumns(tblSteps, {QStringLiteral("Baureihe 01 1066 Dampf"), QStringLiteral("128"), QStringLiteral("reverse"),
                           QStringLiteral("1000"), QStringLiteral("123.4"), QStringLiteral("12.34"),
                           QStringLiteral("123.4"), QStringLiteral("123.4")});
    return tblSteps;
}

QWidget* frmSpeedLog::BuildCurveTab()
{
    auto* page = new QWidget(this);
    lstCurve = Named(new QListWidget(page), "lstCurve");
    lstCurve->setMaximumWidth(180);
    lstCurve->setToolTip(QStringLiteral(" The locomotives drawn; the first two ticked are compared below "));
    spnTarget = Named(new QDoubleSpinBox(page), "spnTarget");
    spnTarget->setRange(0.0, 999.0);
    spnTarget->setDecimals(1);
    spnTarget->setSpecialValueText(QStringLiteral("none"));
    spnTarget->setMaximumWidth(180);
    curve_ = Named(new SpeedCurve(page), "curve");
    lblMatch = Named(new QLabel(page), "lblMatch");
    lblMatch->setWordWrap(true);
    lblMatch->setTextFormat(Qt::PlainText);
    matchTable_ = new TextTable({QStringLiteral("Step"), QStringLiteral("Direction"), QStringLiteral("First"),
                                 QStringLiteral("Second"), QStringLiteral("Difference (mph)")},
                                {0, 2, 3, 4}, this);
    tblMatch = TableView(page, matchTable_, "tblMatch");
    tblMatch->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tblMatch->setMaximumHeight(110);
    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel(QStringLiteral("Locomotives:"), page));
    side->addWidget(lstCurve, 1);
    side->addWidget(Buddy(QStringLiteral("Tar&get speed:"), spnTarget));
    side->addWidget(spnTarget);
    auto* top = new QHBoxLayout;
    top->addLayout(side);
    top->addWidget(curve_, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top, 1);
    layout->addWidget(lblMatch);
    layout->addWidget(tblMatch);
    connect(lstCurve, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        hiddenFromCurve_.removeAll(item->text());
        if (item->checkState() != Qt::Checked) {
            hiddenFromCurve_ << item->text();
        }
        ShowCurve();
    });
    connect(spnTarget, &QDoubleSpinBox::valueChanged, this, [this] {
        SaveSettings();
        ShowCurve();
    });
    return page;
}

QWidget* frmSpeedLog::BuildButtons()
{
    auto* area = new QWidget(this);
    cmdDelete = Button(area, QStringLiteral("D&elete Run"), "cmdDelete");
    cmdUndo = Button(area, QStringLiteral("&Undo"), "cmdUndo");
    cmdUndo->setShortcut(QKeySequence::Undo);
    cmdUndo->setToolTip(QStringLiteral(" Put back the runs deleted last (Ctrl+Z) "));
    cmdImport = Button(area, QStringLiteral("&Import Runs..."), "cmdImport");
    cmdExportRuns = Button(area, QStringLiteral("E&xport Runs..."), "cmdExportRuns");
    cmdExportMeans = Button(area, QStringLiteral("Export &Means..."), "cmdExportMeans");
    cmdPrint = Button(area, QStringLiteral("&Print"), "cmdPrint");
    cmdPdf = Button(area, QStringLiteral("Save PD&F..."), "cmdPdf");
    lblJob = Named(new QLabel(area), "lblJob");
    prgJob = Named(new QProgressBar(area), "prgJob");
    prgJob->setRange(0, ProgressSteps);
    cmdCancel = Button(area, QStringLiteral("&Cancel"), "cmdCancel");
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {cmdDelete, cmdUndo}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();
    for (QPushButton* button : {cmdImport, cmdExportRuns, cmdExportMeans, cmdPrint, cmdPdf}) {
        buttons->addWidget(button);
    }
    auto* job = new QHBoxLayout;
    job->addWidget(lblJob);
    job->addWidget(prgJob, 1);
    job->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(buttons);
    layout->addLayout(job);
    for (QWidget* part : std::initializer_list<QWidget*>{lblJob, prgJob, cmdCancel}) {
        part->hide();
    }
    connect(cmdDelete, &QPushButton::clicked, this, &frmSpeedLog::DeleteChosen);
    connect(cmdUndo, &QPushButton::clicked, this, &frmSpeedLog::Undo);
    connect(cmdImport, &QPushButton::clicked, this, &frmSpeedLog::Import);
    connect(cmdExportRuns, &QPushButton::clicked, this, &frmSpeedLog::ExportRuns);
    connect(cmdExportMeans, &QPushButton::clicked, this, &frmSpeedLog::ExportMeans);
    connect(cmdPrint, &QPushButton::clicked, this, [this] { Print(false); });
    connect(cmdPdf, &QPushButton::clicked, this, [this] { Print(true); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        cancel_ = true;
        lblJob->setText(QStringLiteral("Cancelling..."));
    });
    return area;
}

void frmSpeedLog::UseStore(std::unique_ptr<LogStore> store)
{
    // Runs kept only in memory go along into the next log: nothing typed is lost.
    if (store_ && store_->InMemory()) {
        std::vector<LoggedRun> held;
        store_->ForEachRun([&held](const LoggedRun& run) {
            held.push_back(run);
            return true;
        });
        if (const std::optional<QString> failed = store->Carry(held)) {
            host_.Box(QStringLiteral("The %1 kept in memory could not go into %2: %3. They stay in memory.")
                          .arg(RunsText(static_cast<qint64>(held.size())), store->Path(), *failed),
                      true);
            return;
        }
    }
    store_ = std::move(store);
    deleted_.clear();
    const QSignalBlocker units(cboUnits);
    unit_ = store_->Setting(UnitsKey, UnitText(SpeedUnit::Mph)) == UnitText(SpeedUnit::Kmh) ? SpeedUnit::Kmh
                                                                                            : SpeedUnit::Mph;
    cboUnits->setCurrentIndex(unit_ == SpeedUnit::Kmh ? 1 : 0);
    const QSignalBlocker target(spnTarget);
    spnTarget->setSuffix(u' ' + UnitText(unit_));
    spnTarget->setValue(InUnit(store_->Setting(TargetKey, QStringLiteral("0")).toDouble(), unit_));
    deviceScale_ = ReadLogScale(store_->Setting(DeviceScaleKey, QStringLiteral("HO 1:87")))
                       .value_or(LogScale{QStringLiteral("HO"), 87.0});
    cboDeviceScale->setEditText(LogScaleText(deviceScale_));
    runsModel_->SetUnit(unit_);
    stepsModel_->SetUnit(unit_);
    Reload();
    ShowTrack();
}

void frmSpeedLog::Reload()
{
    store_->ChangedElsewhere();
    std::optional<std::vector<StepGroup>> groups = store_->Steps();
    std::optional<std::vector<qint64>> ids = groups ? store_->Ids() : std::nullopt;
    if (!ids) {
        // Held by another program: what the window shows stays, and Refresh reads again.
        lblNote->setText(QStringLiteral("The log is in use by another program and could not be read just now; "
                                        "press Refresh to read it again."));
        return;
    }
    Show(std::move(*groups), std::move(*ids));
}

void frmSpeedLog::Show(std::vector<StepGroup> groups, std::vector<qint64> ids)
{
    stepsModel_->Show(std::move(groups));
    runsModel_->Show(store_.get(), std::move(ids));
    runsModel_->SetGroups(stepsModel_->Groups());
    ShowFile();
    ShowLocomotives();
    ShowCurve();
    UpdateButtons();
}

void frmSpeedLog::Refresh()
{
    if (Busy()) {
        return;
    }
    // A log that was locked, full or otherwise unusable is tried again; the runs kept
    // in memory meanwhile go into it.
    if (store_->InMemory() && !store_->NativePath().isEmpty()) {
        auto again = std::make_unique<LogStore>(store_->NativePath());
        if (!again->InMemory()) {
            UseStore(std::move(again));
            return;
        }
    }
    Reload();
}

void frmSpeedLog::OpenAnother()
{
    const QString path = AskPath(FileUse::Log, QStringLiteral("Open Another Speed Log"), store_->Path()).path;
    if (path.isEmpty()) {
        return;
    }
    UseStore(std::make_unique<LogStore>(PathBytes(path)));
    if (!store_->Problem().isEmpty()) {
        host_.Box(store_->Problem(), true);
    }
}

QString frmSpeedLog::RecordTimedRun(qint64 milliseconds)
{
    if (!isVisible()) {
        // Closed, the log takes no runs; with a locomotive chosen, that is worth saying.
        return CleanLocomotive(cboLocomotive->currentText()).isEmpty()
                   ? QString()
                   : LogClosedText();
    }
    // The note tells of the last run, timed or typed.
    const QString told = Record(milliseconds * 1000, TimedSource);
    lblNote->setText(told);
    return told;
}

bool frmSpeedLog::MayEnd()
{
    const qint64 held = runsModel_->Count();
    if (!store_->InMemory() || held == 0) {
        return true;
    }
    const int answer = host_.AskSaveOrDiscard(
        QStringLiteral("The speed log holds %1 only in memory: they are lost when Trackpace ends.\rSave them in a "
                       "log file first?")
            .arg(RunsText(held)));
    if (answer <= 0) {
        return answer == 0;
    }
    const QString path = AskPath(FileUse::Log, QStringLiteral("Keep the Runs in a Speed Log"), QString()).path;
    if (path.isEmpty()) {
        return false;
    }
    UseStore(std::make_unique<LogStore>(PathBytes(path)));
    if (store_->InMemory()) {
        host_.Box(store_->Problem(), true);
        return false;
    }
    return true;
}

std::optional<QString> frmSpeedLog::NotLoggable(qint64 microseconds) const
{
    if (CleanLocomotive(cboLocomotive->currentText()).isEmpty()) {
        return QStringLiteral("Not logged: type or choose a locomotive in the speed log first.");
    }
    if (!RunTimeInRange(microseconds)) {
        return QStringLiteral("Not logged: the log takes runs %1.").arg(RunTimeRangeText());
    }
    return std::nullopt;
}

QString frmSpeedLog::Record(qint64 microseconds, const QString& source)
{
    if (const std::optional<QString> not_ = NotLoggable(microseconds)) {
        return *not_;
    }
    const TrackNow track = host_.Track();
    if (track.inches <= 0.0) {
        return QStringLiteral("Not logged: the main window has no length to time the run over.");
    }
    LoggedRun run = NewRun(track, microseconds, source);
    return Logged(run, QStringLiteral("Logged for %1 at step %2 %3: %4 %5 in %6 s")
                           .arg(run.locomotive)
                           .arg(run.throttle)
                           .arg(DirectionText(run.reverse), Speed(run.mph), UnitText(unit_),
                                SecondsText(run.microseconds)));
}

QString frmSpeedLog::RecordMeasuredRun(const MeasuredRun& measured)
{
    if (!isVisible()) {
        return LogClosedText();
    }
    const QString told =
        RecordMeasured(measured, Locomotive(), spnThrottle->value(), cboDirection->currentIndex() == 1).told;
    lblNote->setText(told);
    return told;
}

LogAnswer frmSpeedLog::RecordProfileRun(const MeasuredRun& run, const QString& locomotive, int throttle, bool reverse)
{
    if (!isVisible()) {
        return {false, LogClosedText()};
    }
    MeasuredRun profiled = run;
    profiled.source = QStringLiteral("%1 (profile)").arg(run.source);
    const LogAnswer answer = RecordMeasured(profiled, CleanLocomotive(locomotive), throttle, reverse);
    lblNote->setText(answer.told);
    return answer;
}

QString frmSpeedLog::Locomotive() const
{
    return CleanLocomotive(cboLocomotive->currentText());
}

void frmSpeedLog::AddTab(QWidget* tab, const QString& title)
{
    tabs_->addTab(tab, title);
}

LogAnswer frmSpeedLog::RecordMeasured(const MeasuredRun& measured, const QString& locomotive, int throttle, bool reverse)
{
    if (locomotive.isEmpty()) {
        return {false, QStringLiteral("Not logged: type or choose a locomotive in the speed log first.")};
    }
    if (const std::optional<QString> not_ = NotLoggable(measured.microseconds)) {
        return {false, *not_};
    }
    const TrackNow track{deviceScale_.name, deviceScale_.ratio, false, measured.millimetres / MillimetresPerInch};
    LoggedRun run = NewRun(track, measured.microseconds, measured.source, locomotive, throttle, reverse);
    const QString speed = QStringLiteral("%1 %2").arg(InUnit(run.mph, unit_), 0, 'f', 1).arg(UnitText(unit_));
    const QString over = QStringLiteral("%1 mm in %2 s").arg(measured.millimetres, 0, 'g', 8).arg(SecondsText(run.microseconds));
    if (run.mph > FastestDeviceMph) {
        return {false, QStringLiteral("Not logged: %1 is %2 in %3, faster than any train: is the spacing right?")
                           .arg(over, speed, LogScaleText(deviceScale_))};
    }
    const qint64 before = runsModel_->Count() + static_cast<qint64>(pending_.size());
    const QString told = Logged(run, QStringLiteral("Logged for %1 at step %2 %3: %4 (%5, %6), %7")
                                         .arg(run.locomotive)
                                         .arg(run.throttle)
                                         .arg(DirectionText(run.reverse), speed, measured.source, measured.resolution, over));
    return {runsModel_->Count() + static_cast<qint64>(pending_.size()) > before, told};
}

LoggedRun frmSpeedLog::NewRun(const TrackNow& track, qint64 microseconds, const QString& source) const
{
    return NewRun(track, microseconds, source, Locomotive(), spnThrottle->value(), cboDirection->currentIndex() == 1);
}

LoggedRun frmSpeedLog::NewRun(const TrackNow& track, qint64 microseconds, const QString& source,
                              const QString& locomotive, int throttle, bool reverse) const
{
    const QDateTime now = QDateTime::currentDateTime();
    return MakeRun(now.toOffsetFromUtc(now.offsetFromUtc()), locomotive, throttle, reverse, track, microseconds, source);
}

QString frmSpeedLog::Logged(LoggedRun& run, const QString& logged)
{
    if (Busy()) {
        pending_.push_back(run);
        return logged + QStringLiteral("; it goes into the log when the %1 ends.").arg(lblJob->text().toLower());
    }
    return logged + Keep(run);
}

QString frmSpeedLog::Keep(LoggedRun& run)
{
    const bool inFile = !store_->InMemory();
    if (const std::optional<QString> failed = store_->Add(run)) {
        if (!inFile) {
            host_.Box(QStringLiteral("The run could not be kept even in memory: %1.").arg(*failed), true);
            return QStringLiteral(", but not kept: %1.").arg(*failed);
        }
        FallBackToMemory(*failed);
        if (store_->Add(run)) {
            return QStringLiteral(", but not kept: even the log in memory did not take it.");
        }
        runsModel_->Append(run);
        Changed({KeyOf(run)});
        tblRuns->scrollToBottom();
        return QStringLiteral(", in memory only: the log's file did not take it (%1).").arg(*failed);
    }
    runsModel_->Append(run);
    Changed({KeyOf(run)});
    tblRuns->scrollToBottom();
    return QStringLiteral(".");
}

void frmSpeedLog::FallBackToMemory(const QString& reason)
{
    const QString path = store_->Path();
    const qint64 kept = runsModel_->Count();
    auto memory = std::make_unique<LogStore>(
        store_->NativePath(),
        QStringLiteral("%1 did not take a run: %2. That run and the next are kept only until Trackpace ends, "
                       "unless you choose another file (or press Refresh once the file can take runs again); the "
                       "%3 logged before stay in the file.")
            .arg(path, reason, RunsText(kept)));
    host_.Box(memory->Problem(), true);
    // The window goes on with the runs in memory; those of the file stay there.
    store_ = std::move(memory);
    deleted_.clear();
    SaveSettings();
    Reload();
}

void frmSpeedLog::Changed(const std::vector<StepKey>& keys)
{
    bool regrouped = false;
    for (const StepKey& key : keys) {
        const std::optional<StepGroup> group = store_->Step(key);
        regrouped = stepsModel_->Update(key, group) || regrouped;
        runsModel_->SetMedian(key, group ? group->figures.median : 0.0);
    }
    ShowFile();
    if (regrouped) {
        ShowLocomotives();
    }
    ShowCurve();
    UpdateButtons();
}

void frmSpeedLog::AddTyped()
{
    const std::optional<qint64> microseconds = TypedMicroseconds(txtTime->text());
    if (!microseconds) {
        lblNote->setText(QStringLiteral("Not logged: type the time in seconds, as 5.2 or 5.25 (at most two "
                                        "decimals, %1).")
                             .arg(RunTimeRangeText()));
        txtTime->setFocus();
        txtTime->selectAll();
        return;
    }
    lblNote->setText(Record(*microseconds, TypedSource));
    if (lblNote->text().startsWith(QStringLiteral("Logged"))) {
        // Emptied with its undo history: Ctrl+Z here does not bring the time back as if
        // it undid the run.
        txtTime->setText(QString());
    }
    txtTime->setFocus();
}

void frmSpeedLog::DeleteChosen()
{
    if (Busy()) {
        return;
    }
    std::vector<LoggedRun> chosen;
    for (const QModelIndex& row : tblRuns->selectionModel()->selectedRows()) {
        if (const std::optional<LoggedRun> run = runsModel_->RunAt(row.row())) {
            chosen.push_back(*run);
        }
    }
    if (chosen.empty()) {
        return;
    }
    std::vector<qint64> ids;
    for (const LoggedRun& run : chosen) {
        ids.push_back(run.id);
    }
    if (const std::optional<QString> failed = store_->Remove(ids)) {
        host_.Box(QStringLiteral("Nothing was deleted from %1: %2.")
                      .arg(store_->InMemory() ? QStringLiteral("the log in memory") : store_->Path(), *failed),
                  true);
        return;
    }
    lblNote->setText(QStringLiteral("Deleted %1; Undo puts %2 back.")
                         .arg(RunsText(static_cast<qsizetype>(chosen.size())),
                              chosen.size() == 1 ? QStringLiteral("it") : QStringLiteral("them")));
    runsModel_->Erase(ids);
    Changed(KeysOf(chosen));
    deleted_.push_back(std::move(chosen));
    UpdateButtons();
}

void frmSpeedLog::Undo()
{
    if (deleted_.empty() || Busy()) {
        return;
    }
    const std::vector<LoggedRun>& runs = deleted_.back();
    if (const std::optional<QString> failed = store_->Restore(runs)) {
        // Still held: Undo can put them back once the log takes them.
        host_.Box(QStringLiteral("The %1 deleted last could not be put back into %2: %3. Undo still holds them; "
                                 "press it again once the log can take them.")
                      .arg(RunsText(static_cast<qint64>(runs.size())),
                           store_->InMemory() ? QStringLiteral("the log in memory") : store_->Path(), *failed),
                  true);
        return;
    }
    lblNote->setText(QStringLiteral("Put back %1.").arg(RunsText(static_cast<qsizetype>(runs.size()))));
    runsModel_->Insert(runs);
    const std::vector<StepKey> keys = KeysOf(runs);
    deleted_.pop_back();
    Changed(keys);
}

void frmSpeedLog::RunBeside(
    const QString& what, qint64 total,
    std::function<void(const std::atomic<bool>&, const std::function<void(qint64)>&)> work,
    std::function<void()> done)
{
    cancel_ = false;
    lblJob->setText(what);
    prgJob->setValue(0);
    for (QWidget* part : std::initializer_list<QWidget*>{lblJob, prgJob, cmdCancel}) {
        part->show();
    }
    store_->SetPatience(false);
    // The work tells its progress from its own thread; the bar moves on this one.
    const auto progress = [this, total](qint64 done) {
        const int value = total > 0 ? static_cast<int>(std::min<qint64>(done * ProgressSteps / total, ProgressSteps))
                                    : 0;
        QMetaObject::invokeMethod(prgJob, [bar = prgJob, value] { bar->setValue(value); }, Qt::QueuedConnection);
    };
    job_ = new JobThread([this, work = std::move(work), progress] { work(cancel_, progress); });
    connect(job_, &QThread::finished, this, [this, done = std::move(done)] {
        EndJob();
        done();
        // What was timed meanwhile.
        std::vector<LoggedRun> waiting;
        waiting.swap(pending_);
        for (LoggedRun& run : waiting) {
            Keep(run);
        }
        UpdateButtons();
        emit JobEnded();
    });
    job_->start();
    UpdateButtons();
}

void frmSpeedLog::EndJob()
{
    job_->wait();
    delete job_;
    job_ = nullptr;
    for (QWidget* part : std::initializer_list<QWidget*>{lblJob, prgJob, cmdCancel}) {
        part->hide();
    }
    store_->SetPatience(true);
    runsModel_->Reread();
    // What the user changed meanwhile.
    SaveSettings();
}

void frmSpeedLog::Import()
{
    if (Busy()) {
        return;
    }
    const QString path = AskPath(FileUse::Import, QStringLiteral("Import Runs"), QString()).path;
    if (path.isEmpty()) {
        return;
    }
    const QFileInfo info(path);
    if (!info.isFile()) {
        host_.Box(QStringLiteral("%1 is no CSV file of runs. Nothing was imported.").arg(Shown(path)), true);
        return;
    }
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            host_.Box(
                QStringLiteral("%1 could not be read: %2\rNothing was imported.").arg(Shown(path), file.errorString()),
                true);
            return;
        }
    }
    std::shared_ptr<SqliteDatabase> db = store_->Connect();
    if (!db) {
        host_.Box(QStringLiteral("The log could not be reached for the import. Nothing was imported."), true);
        return;
    }
    struct Outcome {
        ImportReport report;
        // The log as it is after the import, read beside the window too.
        std::optional<std::vector<StepGroup>> groups;
        std::optional<std::vector<qint64>> ids;
    };
    auto outcome = std::make_shared<Outcome>();
    const QString logName = store_->InMemory() ? QStringLiteral("the log in memory") : store_->Path();
    RunBeside(
        QStringLiteral("Import"), info.size(),
        [db, path, outcome](const std::atomic<bool>& cancel, const std::function<void(qint64)>& progress) {
            // Opened and read beside the window: the file is this thread's alone.
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                outcome->report.failure = QStringLiteral("the file could not be read (%1)").arg(file.errorString());
                return;
            }
            outcome->report = ImportRuns(*db, file, cancel, progress);
            if (outcome->report.added > 0) {
                outcome->groups = ReadSteps(*db);
                outcome->ids = outcome->groups ? ReadIds(*db) : std::nullopt;
            }
        },
        [this, db, outcome, name = info.fileName(), logName] {
            const ImportReport* report = &outcome->report;
            store_->ChangedElsewhere();
            if (outcome->ids) {
                Show(std::move(*outcome->groups), std::move(*outcome->ids));
            } else if (report->added > 0) {
                Reload();
            }
            if (report->cancelled) {
                lblNote->setText(QStringLiteral("The import of %1 was cancelled; the log is as it was.").arg(name));
                return;
            }
            if (report->failure) {
                host_.Box(QStringLiteral("Nothing was imported from %1 into %2: %3.")
                              .arg(name, logName, *report->failure),
                          true);
                return;
            }
            QString text = QStringLiteral("From %1: %2 added, %3 already in the log.")
                               .arg(name, RunsText(report->added))
                               .arg(report->skipped);
            for (const QString& note : report->notes) {
                text += u'\r' + note;
            }
            for (const QString& refused : report->refused) {
                text += u'\r' + refused;
            }
            if (report->refusedCount > report->refused.size()) {
                text += QStringLiteral("\r... and %1 more lines that could not be read.")
                            .arg(report->refusedCount - report->refused.size());
            }
            host_.Box(text, report->refusedCount > 0);
        });
}

std::optional<frmSpeedLog::FileChoice> frmSpeedLog::ExportPath(const QString& caption, const QString& suggested)
{
    FileChoice choice = AskPath(FileUse::Export, caption, suggested);
    if (choice.path.isEmpty()) {
        return std::nullopt;
    }
    choice.form = choice.form.value_or(SystemCsvForm());
    return choice;
}

void frmSpeedLog::ExportRuns()
{
    if (Busy()) {
        return;
    }
    const std::optional<FileChoice> choice = ExportPath(QStringLiteral("Export Runs"), QStringLiteral("runs.csv"));
    if (!choice) {
        return;
    }
    const QString path = choice->path;
    const CsvForm form = *choice->form;
    std::shared_ptr<SqliteDatabase> db = store_->Connect();
    if (!db) {
        host_.Box(QStringLiteral("%1 could not be written: the log could not be reached\rNothing was exported.")
                      .arg(Shown(path)),
                  true);
        return;
    }
    auto failed = std::make_shared<std::optional<QString>>();
    const qint64 count = runsModel_->Count();
    RunBeside(
        QStringLiteral("Export"), count,
        [db, path, form, failed](const std::atomic<bool>& cancel, const std::function<void(qint64)>& progress) {
            // Made, written and closed beside the window: the file is this thread's alone.
            QSaveFile file(path);
            if (!file.open(QIODevice::WriteOnly)) {
                *failed = file.errorString();
                return;
            }
            *failed = ::ExportRuns(*db, file, form, cancel, progress);
            if (*failed) {
                file.cancelWriting();
            } else if (!file.commit()) {
                *failed = file.errorString();
            }
        },
        [this, failed, path, count, form] {
            if (*failed) {
                host_.Box(QStringLiteral("%1 could not be written: %2\rNothing was exported.").arg(Shown(path), **failed),
                          true);
                return;
            }
            lblNote->setText(
                QStringLiteral("Exported %1 to %2 (%3).").arg(RunsText(count), Shown(path), FormText(form)));
        });
}

void frmSpeedLog::ExportMeans()
{
    const std::optional<FileChoice> choice = ExportPath(QStringLiteral("Export Means"), QStringLiteral("means.csv"));
    if (!choice) {
        return;
    }
    const CsvForm form = *choice->form;
    const bool leaveOut = chkLeaveOut->isChecked();
    // With a byte-order mark, so that spreadsheet programs read the names as UTF-8.
    QString text = QChar(0xFEFF) + CsvLine(MeansCsvHeader(), form);
    for (const StepGroup& group : Groups()) {
        text += CsvLine(MeansCsvFields(group, leaveOut, form), form);
    }
    if (const std::optional<QString> failure = WriteWholeFile(choice->path, text.toUtf8())) {
        host_.Box(QStringLiteral("%1 could not be written: %2\rNothing was exported.").arg(Shown(choice->path), *failure),
                  true);
        return;
    }
    lblNote->setText(QStringLiteral("Exported the means of %1 steps to %2 (%3).")
                         .arg(Groups().size())
                         .arg(Shown(choice->path), FormText(form)));
}

void frmSpeedLog::Print(bool toPdf)
{
    host_.PrintPage(
        this, Title, QStringLiteral("speed log"), [this](QPagedPaintDevice& device) { return Compose(device); }, toPdf);
}

bool frmSpeedLog::Compose(QPagedPaintDevice& device) const
{
    QPainter painter;
    if (!painter.begin(&device)) {
        return false;
    }
    const QRectF page(0, 0, device.width(), device.height());
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(14);
    font.setBold(true);
    painter.setFont(font);
    const double titleHeight = QFontMetricsF(font, &device).height();
    painter.drawText(QRectF(page.left(), page.top(), page.width(), titleHeight), Title);
    font.setPointSizeF(9);
    font.setBold(false);
    painter.setFont(font);
    const double small = QFontMetricsF(font, &device).height();
    const QString counted = chkLeaveOut->isChecked() ? QStringLiteral("marked runs left out of the means")
                                                     : QStringLiteral("every run counted");
    // The file line wraps where a long path does not fit the page's width.
    const QString about = QStringLiteral("%1 of %2; speeds in %3, %4; printed %5")
                              .arg(RunsText(runsModel_->Count()),
                                   store_->InMemory() ? QStringLiteral("this session") : Shown(store_->Path()),
                                   UnitText(unit_), counted,
                                   QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    const QRectF aboutArea = painter.boundingRect(QRectF(page.left(), page.top() + titleHeight, page.width(), page.height()),
                                                  Qt::AlignLeft | Qt::TextWrapAnywhere, about);
    painter.drawText(aboutArea, Qt::AlignLeft | Qt::TextWrapAnywhere, about);
    double y = aboutArea.bottom() + small;
    curve_->Render(painter, QRectF(page.left(), y, page.width(), page.height() * 0.42));
    y += page.height() * 0.45;
    // The figures of every step below the curve, smaller where many must fit.
    const int rows = stepsModel_->rowCount();
    double line = QFontMetricsF(font, &device).height();
    while (line * static_cast<double>(rows + 1) > page.bottom() - y && font.pointSizeF() > 5.0) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        line = QFontMetricsF(font, &device).height();
    }
    painter.setFont(font);
    const std::array<double, 9> widths{0.26, 0.07, 0.1, 0.07, 0.1, 0.1, 0.1, 0.1, 0.1};
    const auto drawRow = [&](const QStringList& cells, bool bold) {
        QFont rowFont = font;
        rowFont.setBold(bold);
        painter.setFont(rowFont);
        double x = page.left();
        for (std::size_t column = 0; column < widths.size(); ++column) {
            const double width = widths.at(column) * page.width();
            painter.drawText(QRectF(x, y, width - line / 2, line),
                             (column >= 3 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                             cells.value(static_cast<qsizetype>(column)));
            x += width;
        }
        y += line;
    };
    drawRow(stepsModel_->Header(), true);
    for (int i = 0; i < rows; ++i) {
        if (y + line * 2 > page.bottom() && i + 1 < rows) {
            drawRow({QStringLiteral("... and %1 more steps in the log").arg(rows - i)}, false);
            break;
        }
        drawRow(stepsModel_->Row(i), false);
    }
    return painter.end();
}

void frmSpeedLog::UnitsChanged()
{
    const SpeedUnit before = unit_;
    unit_ = cboUnits->currentIndex() == 1 ? SpeedUnit::Kmh : SpeedUnit::Mph;
    const double mph = before == SpeedUnit::Kmh ? MphOf(spnTarget->value()) : spnTarget->value();
    {
        const QSignalBlocker blocker(spnTarget);
        spnTarget->setSuffix(u' ' + UnitText(unit_));
        spnTarget->setValue(InUnit(mph, unit_));
    }
    runsModel_->SetUnit(unit_);
    stepsModel_->SetUnit(unit_);
    SaveSettings();
    ShowCurve();
}

void frmSpeedLog::DeviceScaleChosen()
{
    if (const std::optional<LogScale> scale = ReadLogScale(cboDeviceScale->currentText())) {
        deviceScale_ = *scale;
        SaveSettings();
    } else {
        lblNote->setText(QStringLiteral("\"%1\" is no scale: choose one, or type its ratio as 1:64.")
                             .arg(cboDeviceScale->currentText()));
    }
    cboDeviceScale->setEditText(LogScaleText(deviceScale_));
}

void frmSpeedLog::SaveSettings()
{
    if (Busy()) {
        return;  // kept when the job beside the window ends
    }
    const double mph = unit_ == SpeedUnit::Kmh ? MphOf(spnTarget->value()) : spnTarget->value();
    std::optional<QString> failed = store_->SetSetting(UnitsKey, UnitText(unit_));
    failed = failed ? failed : store_->SetSetting(TargetKey, QString::number(mph, 'f', 3));
    failed = failed ? failed : store_->SetSetting(DeviceScaleKey, LogScaleText(deviceScale_));
    if (failed) {
        lblNote->setText(QStringLiteral("The units, the target and the scale of devices could not be kept with the log: %1.").arg(*failed));
    }
}

QString frmSpeedLog::Speed(double mph) const
{
    return SpeedText(mph, unit_);
}

void frmSpeedLog::ShowFile()
{
    const QString runs = RunsText(runsModel_->Count());
    if (store_->InMemory()) {
        lblFile->setText(QStringLiteral("<b>%1</b><br>%2 in memory.").arg(store_->Problem().toHtmlEscaped(), runs));
        lblFile->setStyleSheet(QStringLiteral("color: #a00000;"));
    } else {
        QString text = QStringLiteral("%1 in %2").arg(runs, Shown(store_->Path()).toHtmlEscaped());
        if (!store_->Notice().isEmpty()) {
            text += QStringLiteral("<br>") + store_->Notice().toHtmlEscaped();
        }
        lblFile->setText(text);
        lblFile->setStyleSheet(QString());
    }
    setWindowTitle(QStringLiteral("%1 - %2").arg(Title, runs));
}

bool frmSpeedLog::LeavesMarkedOut() const
{
    return chkLeaveOut->isChecked();
}

std::vector<StepGroup> frmSpeedLog::StepsAfter(const QString& locomotive, qint64 afterRun) const
{
    std::vector<StepGroup> groups;
    if (afterRun <= 0) {
        std::copy_if(Groups().begin(), Groups().end(), std::back_inserter(groups),
                     [&](const StepGroup& group) { return group.key.locomotive == locomotive; });
        return groups;
    }
    const std::optional<std::vector<LoggedRun>> runs =
        store_->RunsBetween(afterRun + 1, std::numeric_limits<qint64>::max());
    std::vector<LoggedRun> its;
    for (const LoggedRun& run : runs.value_or(std::vector<LoggedRun>{})) {
        if (run.locomotive == locomotive) {
            its.push_back(run);
        }
    }
    return GroupsOf(its);
}

qint64 frmSpeedLog::NewestRun() const
{
    return RunIds().empty() ? 0 : RunIds().back();
}

QString frmSpeedLog::Kept(const QString& key) const
{
    return store_->Setting(key, QString());
}

std::optional<QString> frmSpeedLog::Keep(const QString& key, const QString& value)
{
    return store_->SetSetting(key, value);
}

void frmSpeedLog::ShowLocomotives()
{
    for (const auto& changed : changed_) {
        changed();
    }
    QStringList names;
    for (const StepGroup& group : Groups()) {
        if (names.isEmpty() || names.back() != group.key.locomotive) {
            names << group.key.locomotive;
        }
    }
    QStringList listed;
    for (int i = 0; i < cboLocomotive->count(); ++i) {
        listed << cboLocomotive->itemText(i);
    }
    if (listed != names) {
        const QString typed = cboLocomotive->currentText();
        const QSignalBlocker blocker(cboLocomotive);
        cboLocomotive->clear();
        cboLocomotive->addItems(names);
        cboLocomotive->setEditText(typed);
    }
    const QSignalBlocker listBlocker(lstCurve);
    lstCurve->clear();
    for (qsizetype i = 0; i < names.size(); ++i) {
        auto* item = new QListWidgetItem(names.at(i), lstCurve);
        const bool shown = !hiddenFromCurve_.contains(names.at(i)) && i < CurveLinesAtFirst;
        item->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
    }
}

void frmSpeedLog::ShowCurve()
{
    QStringList chosen;
    for (int i = 0; i < lstCurve->count(); ++i) {
        if (lstCurve->item(i)->checkState() == Qt::Checked) {
            chosen << lstCurve->item(i)->text();
        }
    }
    const bool leaveOut = chkLeaveOut->isChecked();
    const double target = unit_ == SpeedUnit::Kmh ? MphOf(spnTarget->value()) : spnTarget->value();
    curve_->Show(CurveOf(Groups(), chosen, leaveOut), unit_, target);
    matchTable_->SetHeader(4, QStringLiteral("Difference (%1)").arg(UnitText(unit_)));
    std::vector<QStringList> rows;
    if (chosen.size() < 2) {
        lblMatch->setText(QStringLiteral("Tick two locomotives to see how their speeds differ at each step."));
    } else {
        matchTable_->SetHeader(2, chosen.at(0));
        matchTable_->SetHeader(3, chosen.at(1));
        lblMatch->setText(
            QStringLiteral("How much faster %2 runs than %1 at each step both have:").arg(chosen.at(0), chosen.at(1)));
        for (const StepDifference& step : DifferencesOf(Groups(), chosen.at(0), chosen.at(1), leaveOut)) {
            rows.push_back({QString::number(step.throttle), DirectionText(step.reverse), Speed(step.first),
                            Speed(step.second), QString::asprintf("%+.1f", InUnit(step.difference, unit_))});
        }
    }
    matchTable_->SetRows(std::move(rows));
}

void frmSpeedLog::TrackChanged()
{
    ShowTrack();
}

void frmSpeedLog::ShowTrack()
{
    const TrackNow track = host_.Track();
    lblTrack->setText(track.inches > 0.0 ? QStringLiteral("Over the main window's track: %1.").arg(TrackText(track))
                                         : QStringLiteral("The main window has no length: choose one there to "
                                                          "log runs."));
}

void frmSpeedLog::UpdateButtons()
{
    const bool idle = !Busy();
    cmdDelete->setEnabled(idle && tblRuns->selectionModel()->hasSelection());
    cmdUndo->setEnabled(idle && !deleted_.empty());
    for (QPushButton* button : {cmdImport, cmdExportRuns, cmdOpen, cmdRefresh}) {
        button->setEnabled(idle);
    }
}
