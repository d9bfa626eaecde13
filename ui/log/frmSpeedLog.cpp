// The speed log window: its controls, recording and deleting runs, the figures, CSV files and the printed page.
#include "ui/log/frmSpeedLog.h"

#include "core/Csv.h"
#include "core/Files.h"
#include "core/RunTiming.h"
#include "ui/log/LogStore.h"
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
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTableView>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// The most a locomotive's line shows on the curve by default; more stay in the list.
constexpr int CurveLinesAtFirst = 6;
// The most lines an import's report lists one by one.
constexpr int ReportedLines = 20;
// A CSV file larger than this is no export of a speed log.
constexpr qint64 LargestImport = 256LL * 1024 * 1024;
const QString UnitsKey = QStringLiteral("units");
const QString TargetKey = QStringLiteral("target_mph");
const QString Title = QStringLiteral("Trackpace - Speed Log");

template <typename T>
T* Named(T* object, const char* name)
{
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

QPushButton* Button(QWidget* parent, const QString& text, const char* name)
{
    return Named(new QPushButton(text, parent), name);
}

QTableView* TableView(QWidget* parent, TextTable* model, const char* name)
{
    auto* view = Named(new QTableView(parent), name);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->setVisible(false);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

// A caption whose shortcut key reaches `buddy`.
QLabel* Buddy(const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

QString SecondsText(qint64 milliseconds)
{
    return QString::number(static_cast<double>(milliseconds) / 1000.0, 'f', 2);
}

QString TrackText(const TrackNow& track)
{
    return QStringLiteral("%1 %2 %3 in, %4 scale ft")
        .arg(track.scale, track.circle ? QStringLiteral("circle of radius") : QStringLiteral("straight"),
             QString::number(track.inches), QString::number(track.scaleFeet));
}

QString Shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

}  // namespace

frmSpeedLog::frmSpeedLog(SpeedLogHost& host, const QByteArray& path) : QWidget(nullptr, Qt::Window), host_(host)
{
    setObjectName(QStringLiteral("frmSpeedLog"));
    setWindowTitle(Title);
    // Open beside the main window, it must not keep the program running once the
    // main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    AskPath = [this](FileUse use, const QString& caption, const QString& suggested) {
        switch (use) {
            case FileUse::Log:
                return QFileDialog::getSaveFileName(this, caption, suggested,
                                                    QStringLiteral("Speed logs (*.sqlite);;All files (*)"), nullptr,
                                                    QFileDialog::DontConfirmOverwrite);
            case FileUse::Import:
                return QFileDialog::getOpenFileName(this, caption, QString(),
                                                    QStringLiteral("CSV files (*.csv);;All files (*)"));
            case FileUse::Export:
                break;
        }
        return QFileDialog::getSaveFileName(this, caption, suggested, QStringLiteral("CSV files (*.csv)"));
    };
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildFileLine());
    layout->addWidget(BuildNextRun());
    layout->addWidget(BuildShowing());
    tabs_ = Named(new QTabWidget(this), "tabLog");
    tabs_->addTab(BuildRunsTab(), QStringLiteral("R&uns"));
    tabs_->addTab(BuildStepsTab(), QStringLiteral("S&teps"));
    tabs_->addTab(BuildCurveTab(), QStringLiteral("&Curve"));
    layout->addWidget(tabs_, 1);
    layout->addWidget(BuildButtons());
    resize(860, 700);
    UseStore(std::make_unique<LogStore>(path));
}

frmSpeedLog::~frmSpeedLog() = default;

QWidget* frmSpeedLog::BuildFileLine()
{
    auto* line = new QWidget(this);
    lblFile = Named(new QLabel(line), "lblFile");
    lblFile->setWordWrap(true);
    lblFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdOpen = Button(line, QStringLiteral("&Open Another File..."), "cmdOpen");
    cmdRefresh = Button(line, QStringLiteral("&Refresh"), "cmdRefresh");
    cmdRefresh->setToolTip(QStringLiteral(" Read the log again, with the runs another Trackpace added "));
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
    txtTime = Named(new QLineEdit(frame), "txtTime");
    txtTime->setMaxLength(9);
    txtTime->setPlaceholderText(QStringLiteral("seconds, as 5.2 or 5.25"));
    cmdAdd = Button(frame, QStringLiteral("&Add Run"), "cmdAdd");
    lblNote = Named(new QLabel(frame), "lblNote");
    lblNote->setWordWrap(true);

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
    layout->addWidget(lblTrack);
    layout->addLayout(typed);
    layout->addWidget(lblNote);
    connect(cmdAdd, &QPushButton::clicked, this, &frmSpeedLog::AddTyped);
    connect(txtTime, &QLineEdit::returnPressed, this, &frmSpeedLog::AddTyped);
    return frame;
}

QWidget* frmSpeedLog::BuildShowing()
{
    auto* line = new QWidget(this);
    cboUnits = Named(new QComboBox(line), "cboUnits");
    cboUnits->addItems({UnitText(SpeedUnit::Mph), UnitText(SpeedUnit::Kmh)});
    chkLeaveOut = Named(new QCheckBox(QStringLiteral("Leave &marked runs out of the means"), line), "chkLeaveOut");
    chkLeaveOut->setToolTip(
        QStringLiteral(" A run more than 15 % away from the median of its step is marked; "
                       "it stays in the log either way "));
    QLabel* units = Buddy(QStringLiteral("Speeds i&n:"), cboUnits);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(units);
    layout->addWidget(cboUnits);
    layout->addSpacing(16);
    layout->addWidget(chkLeaveOut);
    layout->addStretch();
    connect(cboUnits, &QComboBox::currentIndexChanged, this, &frmSpeedLog::UnitsChanged);
    connect(chkLeaveOut, &QCheckBox::toggled, this, &frmSpeedLog::Refresh);
    return line;
}

QWidget* frmSpeedLog::BuildRunsTab()
{
    runsTable_ = new TextTable(
        {QStringLiteral("Recorded"), QStringLiteral("Locomotive"), QStringLiteral("Step"), QStringLiteral("Direction"),
         QStringLiteral("Track"), QStringLiteral("Time (s)"), QStringLiteral("Speed (mph)"), QStringLiteral("Note")},
        {2, 5, 6}, this);
    tblRuns = TableView(this, runsTable_, "tblRuns");
    tblRuns->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(tblRuns->selectionModel(), &QItemSelectionModel::selectionChanged, this, &frmSpeedLog::UpdateButtons);
    auto* remove = new QShortcut(QKeySequence::Delete, tblRuns);
    connect(remove, &QShortcut::activated, this, &frmSpeedLog::DeleteChosen);
    return tblRuns;
}

QWidget* frmSpeedLog::BuildStepsTab()
{
    stepsTable_ = new TextTable({QStringLiteral("Locomotive"), QStringLiteral("Step"), QStringLiteral("Direction"),
                                 QStringLiteral("Runs"), QStringLiteral("Mean (mph)"), QStringLiteral("Std. dev."),
                                 QStringLiteral("Lowest"), QStringLiteral("Highest"), QStringLiteral("Left out")},
                                {1, 3, 4, 5, 6, 7, 8}, this);
    tblSteps = TableView(this, stepsTable_, "tblSteps");
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
    matchTable_ = new TextTable({QStringLiteral("Step"), QStringLiteral("Direction"), QStringLiteral("First"),
                                 QStringLiteral("Second"), QStringLiteral("Difference (mph)")},
                                {0, 2, 3, 4}, this);
    tblMatch = TableView(page, matchTable_, "tblMatch");
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
    connect(spnTarget, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        const double mph = unit_ == SpeedUnit::Kmh ? value / KilometresPerMile : value;
        store_->SetSetting(TargetKey, QString::number(mph, 'f', 3));
        ShowCurve();
    });
    return page;
}

QWidget* frmSpeedLog::BuildButtons()
{
    auto* line = new QWidget(this);
    cmdDelete = Button(line, QStringLiteral("D&elete Run"), "cmdDelete");
    cmdUndo = Button(line, QStringLiteral("Undo"), "cmdUndo");
    cmdUndo->setShortcut(QKeySequence::Undo);
    cmdUndo->setToolTip(QStringLiteral(" Put back the runs deleted last (Ctrl+Z) "));
    cmdImport = Button(line, QStringLiteral("&Import Runs..."), "cmdImport");
    cmdExportRuns = Button(line, QStringLiteral("E&xport Runs..."), "cmdExportRuns");
    cmdExportMeans = Button(line, QStringLiteral("Export Mean&s..."), "cmdExportMeans");
    cmdPrint = Button(line, QStringLiteral("&Print"), "cmdPrint");
    cmdPdf = Button(line, QStringLiteral("Sa&ve PDF..."), "cmdPdf");
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QPushButton* button : {cmdDelete, cmdUndo}) {
        layout->addWidget(button);
    }
    layout->addStretch();
    for (QPushButton* button : {cmdImport, cmdExportRuns, cmdExportMeans, cmdPrint, cmdPdf}) {
        layout->addWidget(button);
    }
    connect(cmdDelete, &QPushButton::clicked, this, &frmSpeedLog::DeleteChosen);
    connect(cmdUndo, &QPushButton::clicked, this, &frmSpeedLog::Undo);
    connect(cmdImport, &QPushButton::clicked, this, &frmSpeedLog::Import);
    connect(cmdExportRuns, &QPushButton::clicked, this, &frmSpeedLog::ExportRuns);
    connect(cmdExportMeans, &QPushButton::clicked, this, &frmSpeedLog::ExportMeans);
    connect(cmdPrint, &QPushButton::clicked, this, [this] { Print(false); });
    connect(cmdPdf, &QPushButton::clicked, this, [this] { Print(true); });
    return line;
}

void frmSpeedLog::UseStore(std::unique_ptr<LogStore> store)
{
    // Runs kept only in memory go along into the next log: nothing typed is lost.
    if (store_ && store_->InMemory()) {
        std::vector<CsvRecord> records{{1, RunCsvHeader()}};
        for (const LoggedRun& run : store_->Runs()) {
            records.push_back({static_cast<int>(records.size()) + 1, RunCsvFields(run)});
        }
        store->Import(records);
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
    Refresh();
    ShowTrack();
}

void frmSpeedLog::Refresh()
{
    runs_ = store_->Runs();
    groups_ = GroupsOf(runs_, chkLeaveOut->isChecked());
    ShowFile();
    ShowRuns();
    ShowSteps();
    ShowLocomotives();
    ShowCurve();
    UpdateButtons();
}

void frmSpeedLog::OpenAnother()
{
    const QString path = AskPath(FileUse::Log, QStringLiteral("Open Another Speed Log"), store_->Path());
    if (path.isEmpty()) {
        return;
    }
    UseStore(std::make_unique<LogStore>(QFile::encodeName(path)));
    if (!store_->Problem().isEmpty()) {
        host_.Box(store_->Problem(), true);
    }
}

QString frmSpeedLog::RecordTimedRun(qint64 milliseconds)
{
    return isVisible() ? Record(milliseconds) : QString();
}

QString frmSpeedLog::Record(qint64 milliseconds)
{
    const QString locomotive = CleanLocomotive(cboLocomotive->currentText());
    if (locomotive.isEmpty()) {
        return QStringLiteral("Not logged: type or choose a locomotive in the speed log first.");
    }
    const TrackNow track = host_.Track();
    if (track.scaleFeet <= 0.0) {
        return QStringLiteral("Not logged: the main window has no length to time the run over.");
    }
    const QDateTime now = QDateTime::currentDateTime();
    LoggedRun run = MakeRun(now.toOffsetFromUtc(now.offsetFromUtc()), locomotive, spnThrottle->value(),
                            cboDirection->currentIndex() == 1, track, milliseconds);
    if (const std::optional<QString> failed = store_->Add(run)) {
        const QString why = QStringLiteral("Not logged: the speed log did not take the run (%1).").arg(*failed);
        host_.Box(why, true);
        return why;
    }
    Refresh();
    tblRuns->scrollToBottom();
    return QStringLiteral("Logged for %1 at step %2 %3: %4 %5 in %6 s.")
        .arg(locomotive)
        .arg(run.throttle)
        .arg(DirectionText(run.reverse), Speed(run.mph), UnitText(unit_), SecondsText(run.milliseconds));
}

void frmSpeedLog::AddTyped()
{
    const std::optional<qint64> milliseconds = TypedMilliseconds(txtTime->text());
    if (!milliseconds) {
        lblNote->setText(
            QStringLiteral("Not logged: type the time in seconds, as 5.2 or 5.25 (at most two "
                           "decimals, more than 0)."));
        txtTime->setFocus();
        txtTime->selectAll();
        return;
    }
    lblNote->setText(Record(*milliseconds));
    if (lblNote->text().startsWith(QStringLiteral("Logged"))) {
        txtTime->clear();
    }
    txtTime->setFocus();
}

void frmSpeedLog::DeleteChosen()
{
    std::vector<LoggedRun> chosen;
    for (const QModelIndex& row : tblRuns->selectionModel()->selectedRows()) {
        chosen.push_back(runs_.at(static_cast<std::size_t>(row.row())));
    }
    if (chosen.empty()) {
        return;
    }
    std::vector<LoggedRun> removed;
    for (const LoggedRun& run : chosen) {
        if (const std::optional<QString> failed = store_->Remove(run.id)) {
            host_.Box(QStringLiteral("A run could not be deleted: %1").arg(*failed), true);
            break;
        }
        removed.push_back(run);
    }
    if (!removed.empty()) {
        lblNote->setText(QStringLiteral("Deleted %1; Undo puts %2 back.")
                             .arg(RunsText(static_cast<qsizetype>(removed.size())),
                                  removed.size() == 1 ? QStringLiteral("it") : QStringLiteral("them")));
        deleted_.push_back(std::move(removed));
    }
    Refresh();
}

void frmSpeedLog::Undo()
{
    if (deleted_.empty()) {
        return;
    }
    const std::vector<LoggedRun> runs = deleted_.back();
    deleted_.pop_back();
    for (const LoggedRun& run : runs) {
        if (const std::optional<QString> failed = store_->Restore(run)) {
            host_.Box(QStringLiteral("A deleted run could not be put back: %1").arg(*failed), true);
        }
    }
    lblNote->setText(QStringLiteral("Put back %1.").arg(RunsText(static_cast<qsizetype>(runs.size()))));
    Refresh();
}

void frmSpeedLog::Import()
{
    const QString path = AskPath(FileUse::Import, QStringLiteral("Import Runs"), QString());
    if (path.isEmpty()) {
        return;
    }
    const QFileInfo info(path);
    if (info.size() > LargestImport || !info.isFile()) {
        host_.Box(QStringLiteral("%1 is no CSV file of runs. Nothing was imported.").arg(Shown(path)), true);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        host_.Box(
            QStringLiteral("%1 could not be read: %2\rNothing was imported.").arg(Shown(path), file.errorString()),
            true);
        return;
    }
    const LogStore::Imported imported = store_->Import(CsvRecords(QString::fromUtf8(file.readAll())));
    Refresh();
    QString report = QStringLiteral("From %1: %2 added, %3 already in the log.")
                         .arg(info.fileName(), RunsText(imported.added))
                         .arg(imported.skipped);
    for (qsizetype i = 0; i < imported.refused.size() && i < ReportedLines; ++i) {
        report += u'\r' + imported.refused.at(i);
    }
    if (imported.refused.size() > ReportedLines) {
        report += QStringLiteral("\r... and %1 more lines that could not be read.")
                      .arg(imported.refused.size() - ReportedLines);
    }
    host_.Box(report, !imported.refused.isEmpty());
}

std::optional<QString> frmSpeedLog::WriteCsv(const QString& caption, const QString& suggested,
                                             const std::vector<QStringList>& records)
{
    const QString path = AskPath(FileUse::Export, caption, suggested);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    // With a byte-order mark, so that spreadsheet programs read the names as UTF-8.
    QString text(QChar(0xFEFF));
    for (const QStringList& record : records) {
        text += CsvLine(record);
    }
    if (const std::optional<QString> failure = WriteWholeFile(path, text.toUtf8())) {
        host_.Box(QStringLiteral("%1 could not be written: %2\rNothing was exported.").arg(Shown(path), *failure),
                  true);
        return std::nullopt;
    }
    return path;
}

void frmSpeedLog::ExportRuns()
{
    std::vector<QStringList> records{RunCsvHeader()};
    for (const LoggedRun& run : runs_) {
        records.push_back(RunCsvFields(run));
    }
    if (const std::optional<QString> path =
            WriteCsv(QStringLiteral("Export Runs"), QStringLiteral("runs.csv"), records)) {
        lblNote->setText(
            QStringLiteral("Exported %1 to %2.").arg(RunsText(static_cast<qsizetype>(runs_.size())), Shown(*path)));
    }
}

void frmSpeedLog::ExportMeans()
{
    std::vector<QStringList> records{MeansCsvHeader()};
    for (const StepGroup& group : groups_) {
        records.push_back(MeansCsvFields(group));
    }
    if (const std::optional<QString> path =
            WriteCsv(QStringLiteral("Export Means"), QStringLiteral("means.csv"), records)) {
        lblNote->setText(QStringLiteral("Exported the means of %1 steps to %2.").arg(groups_.size()).arg(Shown(*path)));
    }
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
    painter.drawText(
        QRectF(page.left(), page.top() + titleHeight, page.width(), small),
        QStringLiteral("%1 of %2; speeds in %3, %4; printed %5")
            .arg(RunsText(static_cast<qint64>(runs_.size())),
                 store_->InMemory() ? QStringLiteral("this session") : Shown(store_->Path()), UnitText(unit_), counted,
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    double y = page.top() + titleHeight + small * 2;
    curve_->Render(painter, QRectF(page.left(), y, page.width(), page.height() * 0.42));
    y += page.height() * 0.45;
    // The figures of every step below the curve, smaller where many must fit.
    const std::vector<QStringList>& rows = stepsTable_->Rows();
    double line = QFontMetricsF(font, &device).height();
    while (line * static_cast<double>(rows.size() + 1) > page.bottom() - y && font.pointSizeF() > 5.0) {
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
    QStringList header;
    for (int column = 0; column < stepsTable_->columnCount(); ++column) {
        header << stepsTable_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    drawRow(header, true);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (y + line * 2 > page.bottom() && i + 1 < rows.size()) {
            drawRow({QStringLiteral("... and %1 more steps in the log").arg(rows.size() - i)}, false);
            break;
        }
        drawRow(rows.at(i), false);
    }
    return painter.end();
}

void frmSpeedLog::UnitsChanged()
{
    const SpeedUnit before = unit_;
    unit_ = cboUnits->currentIndex() == 1 ? SpeedUnit::Kmh : SpeedUnit::Mph;
    if (const std::optional<QString> failed = store_->SetSetting(UnitsKey, UnitText(unit_))) {
        lblNote->setText(QStringLiteral("The units could not be kept with the log: %1").arg(*failed));
    }
    const double mph = before == SpeedUnit::Kmh ? spnTarget->value() / KilometresPerMile : spnTarget->value();
    const QSignalBlocker blocker(spnTarget);
    spnTarget->setSuffix(u' ' + UnitText(unit_));
    spnTarget->setValue(InUnit(mph, unit_));
    Refresh();
}

QString frmSpeedLog::Speed(double mph) const
{
    return QString::number(InUnit(mph, unit_), 'f', 1);
}

void frmSpeedLog::ShowFile()
{
    const QString runs = RunsText(static_cast<qsizetype>(runs_.size()));
    if (store_->InMemory()) {
        lblFile->setText(QStringLiteral("<b>%1</b><br>%2 in memory.").arg(store_->Problem().toHtmlEscaped(), runs));
        lblFile->setStyleSheet(QStringLiteral("color: #a00000;"));
    } else {
        lblFile->setText(QStringLiteral("%1 in %2").arg(runs, Shown(store_->Path()).toHtmlEscaped()));
        lblFile->setStyleSheet(QString());
    }
    setWindowTitle(QStringLiteral("%1 - %2").arg(Title, runs));
}

void frmSpeedLog::ShowRuns()
{
    runsTable_->SetHeader(6, QStringLiteral("Speed (%1)").arg(UnitText(unit_)));
    const std::vector<bool> marked = MarkedRuns(groups_, runs_.size());
    const QString markedText = chkLeaveOut->isChecked() ? QStringLiteral("more than 15 % off the median, left out")
                                                        : QStringLiteral("more than 15 % off the median");
    std::vector<QStringList> rows;
    rows.reserve(runs_.size());
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        const LoggedRun& run = runs_.at(i);
        rows.push_back({run.recorded.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), run.locomotive,
                        QString::number(run.throttle), DirectionText(run.reverse), TrackText(run.track),
                        SecondsText(run.milliseconds), Speed(run.mph), marked.at(i) ? markedText : QString()});
    }
    runsTable_->SetRows(std::move(rows), marked);
}

void frmSpeedLog::ShowSteps()
{
    stepsTable_->SetHeader(4, QStringLiteral("Mean (%1)").arg(UnitText(unit_)));
    std::vector<QStringList> rows;
    for (const StepGroup& group : groups_) {
        const GroupStats& stats = group.stats;
        rows.push_back({group.locomotive, QString::number(group.throttle), DirectionText(group.reverse),
                        QString::number(stats.count), Speed(stats.mean),
                        QString::number(InUnit(stats.sd, unit_), 'f', 2), Speed(stats.min), Speed(stats.max),
                        QString::number(group.leftOut)});
    }
    stepsTable_->SetRows(std::move(rows));
}

void frmSpeedLog::ShowLocomotives()
{
    QStringList names;
    for (const StepGroup& group : groups_) {
        if (!names.contains(group.locomotive)) {
            names << group.locomotive;
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
    const double target = unit_ == SpeedUnit::Kmh ? spnTarget->value() / KilometresPerMile : spnTarget->value();
    curve_->Show(CurveOf(groups_, chosen), unit_, target);
    matchTable_->SetHeader(4, QStringLiteral("Difference (%1)").arg(UnitText(unit_)));
    std::vector<QStringList> rows;
    if (chosen.size() < 2) {
        lblMatch->setText(QStringLiteral("Tick two locomotives to see how their speeds differ at each step."));
    } else {
        matchTable_->SetHeader(2, chosen.at(0));
        matchTable_->SetHeader(3, chosen.at(1));
        lblMatch->setText(
            QStringLiteral("How much faster %2 runs than %1 at each step both have:").arg(chosen.at(0), chosen.at(1)));
        for (const StepDifference& step : DifferencesOf(groups_, chosen.at(0), chosen.at(1))) {
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
    lblTrack->setText(track.scaleFeet > 0.0 ? QStringLiteral("Over the main window's track: %1.").arg(TrackText(track))
                                            : QStringLiteral("The main window has no length: choose one there to "
                                                             "log runs."));
}

void frmSpeedLog::UpdateButtons()
{
    cmdDelete->setEnabled(tblRuns->selectionModel()->hasSelection());
    cmdUndo->setEnabled(!deleted_.empty());
}
