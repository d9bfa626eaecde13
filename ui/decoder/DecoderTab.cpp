// The speed log's Decoder tab: a locomotive's speed CVs and target, the CVs planned to reach it, consists matched, and rounds of writing and measuring.
#include "ui/decoder/DecoderTab.h"

#include "decoder/SpeedProfileXml.h"
#include "log/FleetFigures.h"
#include "log/RunStats.h"
#include "station/ProfilePlan.h"
#include "station/StationLink.h"
#include "ui/Named.h"
#include "ui/decoder/DecoderCurve.h"
#include "ui/log/SpeedLogLink.h"
#include "ui/profile/ProfileTab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// What the log's file keeps for each locomotive, under these names and the locomotive's.
const QString SetupKey = QStringLiteral("decoder");
const QString TargetKey = QStringLiteral("decoder target");
const QString SinceKey = QStringLiteral("decoder since");
const QString RoundsKey = QStringLiteral("decoder rounds");
// The most steps a round of writing measures again, besides step 1 and the top.
constexpr int StepsChecked = 8;
// The rounds shown below the buttons, newest last.
constexpr int RoundsShown = 6;

QSpinBox* Cv(QWidget* parent, const char* name, int high = 255)
{
    auto* box = Named(new QSpinBox(parent), name);
    box->setRange(0, high);
    return box;
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout;
    for (QWidget* widget : widgets) {
        row->addWidget(widget);
    }
    row->addStretch();
    return row;
}

QTableWidget* Table(QWidget* parent, const char* name, const QStringList& header)
{
    auto* table = Named(new QTableWidget(0, static_cast<int>(header.size()), parent), name);
    table->setHorizontalHeaderLabels(header);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setMinimumHeight(140);
    return table;
}

void SetRows(QTableWidget& table, const std::vector<QStringList>& rows)
{
    table.setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        for (int column = 0; column < rows[static_cast<size_t>(row)].size(); ++column) {
            table.setItem(row, column, new QTableWidgetItem(rows[static_cast<size_t>(row)].at(column)));
        }
    }
}

QString ChangeText(const CvChange& change)
{
    return QStringLiteral("%1: %2 to %3").arg(CvName(change.cv)).arg(change.old).arg(change.value);
}

QString AddressOf(const DecoderSetup& setup)
{
    return AddressText({setup.address, setup.longAddress});
}

QString NoLocomotiveText()
{
    return QStringLiteral("No locomotive in the log yet: measure one first (the Profile tab).");
}

// "CV2 8>3, CV5 0>87": what a round wrote.
QString WrittenText(const std::vector<CvChange>& changes)
{
    QStringList written;
    for (const CvChange& change : changes) {
        written << QStringLiteral("CV%1 %2>%3").arg(change.cv).arg(change.old).arg(change.value);
    }
    return written.isEmpty() ? QStringLiteral("nothing") : written.join(QStringLiteral(", "));
}

}  // namespace

DecoderTab::DecoderTab(Links links, QWidget* parent) : QWidget(parent), links_(std::move(links))
{
    setObjectName(QStringLiteral("DecoderTab"));
    AskSavePath = [this](const QString& caption, const QString& suggested) {
        return QFileDialog::getSaveFileName(window(), caption, suggested,
                                            QStringLiteral("JMRI speed profile (*.xml)"));
    };
    Build();
    links_.log().OnChange([tab = QPointer<DecoderTab>(this)] {
        if (tab && !tab->Rounding()) {
            tab->Refresh();
        }
    });
    if (ProfileTab* profile = links_.profile()) {
        connect(profile, &ProfileTab::Finished, this, &DecoderTab::RoundEnded);
    }
    Refresh();
}

void DecoderTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!Rounding()) {
        Refresh();
    }
}

void DecoderTab::Build()
{
    cboDecoderLoco = Named(new QComboBox(this), "cboDecoderLoco");
    cboDecoderLoco->setMinimumContentsLength(16);
    auto* left = new QVBoxLayout;
    auto* pick = new QFormLayout;
    pick->addRow(QStringLiteral("Locomotive:"), cboDecoderLoco);
    left->addLayout(pick);
    left->addWidget(BuildDecoderBox());
    left->addWidget(BuildTargetBox());
    left->addWidget(BuildWriteBox());
    left->addStretch();

    curve_ = Named(new DecoderCurve(this), "curveDecoder");
    lblDecoderState = Named(new QLabel(this), "lblDecoderState");
    lblDecoderState->setWordWrap(true);
    tblCvs = Table(this, "tblCvs", {QStringLiteral("CV"), QStringLiteral("Now"), QStringLiteral("Planned")});
    tblConsist = Table(this, "tblConsist",
                       {QStringLiteral("Locomotive"), QStringLiteral("Step"), QStringLiteral("Direction"),
                        QStringLiteral("Reference"), QStringLiteral("Predicted"), QStringLiteral("Difference")});
    auto* right = new QVBoxLayout;
    right->addWidget(curve_, 3);
    right->addWidget(lblDecoderState);
    right->addWidget(new QLabel(QStringLiteral("The CVs to write:"), this));
    right->addWidget(tblCvs, 2);
    right->addWidget(new QLabel(QStringLiteral("Ticked consist, matched to the reference, after the plan:"), this));
    right->addWidget(tblConsist, 2);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);

    connect(cboDecoderLoco, &QComboBox::currentTextChanged, this, [this] { Load(); });
    for (QSpinBox* box : findChildren<QSpinBox*>()) {
        if (box != spnRounds) {
            connect(box, &QSpinBox::valueChanged, this, [this] { Save(); });
        }
    }
    for (QDoubleSpinBox* box : {spnStartSpeed, spnTopSpeed}) {
        connect(box, &QDoubleSpinBox::valueChanged, this, [this, box](double value) {
            if (loading_) {
                return;
            }
            (box == spnStartSpeed ? startMph_ : topMph_) = ShownToMph(value);
            Save();
        });
    }
    for (QComboBox* box : {cboDecoderSteps, cboDecoderRange, cboDecoderFit, cboMatchTo, cboPlanForm}) {
        connect(box, &QComboBox::currentIndexChanged, this, [this] { Save(); });
    }
    connect(cboDecoderUnit, &QComboBox::currentIndexChanged, this, [this] {
        ShowSpeeds();
        Save();
    });
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{chkDecoderLong, optStraight, optEased, optMatch}) {
        connect(button, &QAbstractButton::toggled, this, [this] { Save(); });
    }
    connect(txtTable, &QLineEdit::editingFinished, this, [this] { Save(); });
    connect(lstConsist, &QListWidget::itemChanged, this, [this] { ShowConsist(); });
    connect(cmdWriteCvs, &QPushButton::clicked, this, &DecoderTab::WriteAndCheck);
    connect(cmdWrittenByHand, &QPushButton::clicked, this, &DecoderTab::WrittenByHand);
    connect(cmdExportJmri, &QPushButton::clicked, this, &DecoderTab::ExportProfile);
    for (QPushButton* button : {cmdPrintSheet, cmdSheetPdf}) {
        connect(button, &QPushButton::clicked, this, [this, button] {
            if (!HasLocomotive()) {
                return;
            }
            links_.print(window(), QStringLiteral("Decoder sheet"),
                         [this](QPagedPaintDevice& device) { return ComposeSheet(device); }, button == cmdSheetPdf);
        });
    }
}

QWidget* DecoderTab::BuildDecoderBox()
{
    auto* box = new QGroupBox(QStringLiteral("Its decoder, as you know it"), this);
    spnDecoderAddress = Named(new QSpinBox(box), "spnDecoderAddress");
    spnDecoderAddress->setRange(1, 10239);
    chkDecoderLong = Named(new QCheckBox(QStringLiteral("Long address"), box), "chkDecoderLong");
    cboDecoderSteps = Named(new QComboBox(box), "cboDecoderSteps");
    cboDecoderSteps->addItem(QStringLiteral("128 steps (1-126)"), 128);
    cboDecoderSteps->addItem(QStringLiteral("28 steps"), 28);
    cboDecoderRange = Named(new QComboBox(box), "cboDecoderRange");
    for (const int top : {255, 63, 31, 15}) {
        cboDecoderRange->addItem(top == 255 ? QStringLiteral("0-255 (standard)") : QStringLiteral("0-%1").arg(top), top);
    }
    cboDecoderFit = Named(new QComboBox(box), "cboDecoderFit");
    cboDecoderFit->addItem(QStringLiteral("the drive itself (standard)"), static_cast<int>(TableFit::Standard));
    cboDecoderFit->addItem(QStringLiteral("added to CV2"), static_cast<int>(TableFit::OffsetByCv2));
    cboDecoderFit->addItem(QStringLiteral("fitted between CV2 and CV5"), static_cast<int>(TableFit::BetweenCv2AndCv5));
    spnCv2 = Cv(box, "spnCv2");
    spnCv6 = Cv(box, "spnCv6");
    spnCv5 = Cv(box, "spnCv5");
    spnCv29 = Cv(box, "spnCv29");
    spnCv66 = Cv(box, "spnCv66");
    spnCv95 = Cv(box, "spnCv95");
    txtTable = Named(new QLineEdit(box), "txtTable");
    txtTable->setToolTip(QStringLiteral("CV67 to CV94, 28 values, in force while CV29 bit 4 (16) is set"));
    auto* note = new QLabel(QStringLiteral("Back-EMF (load control) changes the curve: measure with it set as it will "
                                           "be used."),
                            box);
    note->setWordWrap(true);
    auto* form = new QFormLayout(box);
    form->addRow(QStringLiteral("Address:"), Row({spnDecoderAddress, chkDecoderLong}));
    form->addRow(QStringLiteral("Speed steps:"), cboDecoderSteps);
    form->addRow(QStringLiteral("Values:"), cboDecoderRange);
    form->addRow(QStringLiteral("Its table is:"), cboDecoderFit);
    form->addRow(QStringLiteral("CV2, CV6, CV5:"), Row({spnCv2, spnCv6, spnCv5}));
    form->addRow(QStringLiteral("CV29:"), spnCv29);
    form->addRow(QStringLiteral("CV66, CV95 trims:"), Row({spnCv66, spnCv95}));
    form->addRow(QStringLiteral("CV67-94:"), txtTable);
    form->addRow(note);
    return box;
}

QWidget* DecoderTab::BuildTargetBox()
{
    auto* box = new QGroupBox(QStringLiteral("What it should run at"), this);
    optStraight = Named(new QRadioButton(QStringLiteral("Straight"), box), "optStraight");
    optEased = Named(new QRadioButton(QStringLiteral("Eased at the low end"), box), "optEased");
    optMatch = Named(new QRadioButton(QStringLiteral("Match to:"), box), "optMatch");
    auto* group = new QButtonGroup(box);
    for (QRadioButton* option : {optStraight, optEased, optMatch}) {
        group->addButton(option);
    }
    optStraight->setChecked(true);
    spnStartSpeed = Named(new QDoubleSpinBox(box), "spnStartSpeed");
    spnTopSpeed = Named(new QDoubleSpinBox(box), "spnTopSpeed");
    for (QDoubleSpinBox* speed : {spnStartSpeed, spnTopSpeed}) {
        speed->setRange(0.0, 500.0);
        speed->setDecimals(1);
    }
    spnStartSpeed->setValue(2.0);
    spnTopSpeed->setValue(60.0);
    cboDecoderUnit = Named(new QComboBox(box), "cboDecoderUnit");
    cboDecoderUnit->addItem(UnitText(SpeedUnit::Mph), static_cast<int>(SpeedUnit::Mph));
    cboDecoderUnit->addItem(UnitText(SpeedUnit::Kmh), static_cast<int>(SpeedUnit::Kmh));
    cboMatchTo = Named(new QComboBox(box), "cboMatchTo");
    cboPlanForm = Named(new QComboBox(box), "cboPlanForm");
    cboPlanForm->addItem(QStringLiteral("the curve in force (CV29)"), static_cast<int>(PlanForm::InForce));
    cboPlanForm->addItem(QStringLiteral("three points (CV2, CV6, CV5)"), static_cast<int>(PlanForm::ThreePoint));
    cboPlanForm->addItem(QStringLiteral("the speed table (CV67-94)"), static_cast<int>(PlanForm::Table));
    lstConsist = Named(new QListWidget(box), "lstConsist");
    lstConsist->setMaximumHeight(80);
    auto* form = new QFormLayout(box);
    form->addRow(QStringLiteral("Step 1, top step:"), Row({spnStartSpeed, spnTopSpeed, cboDecoderUnit}));
    form->addRow(QStringLiteral("Shape:"), Row({optStraight, optEased}));
    form->addRow(optMatch, cboMatchTo);
    form->addRow(QStringLiteral("Plan with:"), cboPlanForm);
    form->addRow(QStringLiteral("Consist:"), lstConsist);
    return box;
}

QWidget* DecoderTab::BuildWriteBox()
{
    auto* box = new QGroupBox(QStringLiteral("Write and check"), this);
    spnTolerance = Named(new QDoubleSpinBox(box), "spnTolerance");
    spnTolerance->setRange(0.05, 20.0);
    spnTolerance->setDecimals(2);
    spnTolerance->setSuffix(QStringLiteral(" km/h"));
    spnTolerance->setValue(0.75);
    spnRounds = Named(new QSpinBox(box), "spnRounds");
    spnRounds->setRange(1, 10);
    spnRounds->setValue(3);
    cmdWriteCvs = Named(new QPushButton(QStringLiteral("Write and check"), box), "cmdWriteCvs");
    cmdWrittenByHand = Named(new QPushButton(QStringLiteral("Written by hand"), box), "cmdWrittenByHand");
    cmdWrittenByHand->setToolTip(QStringLiteral("The planned values are in the decoder now: runs from here on "
                                                "are its new curve."));
    cmdExportJmri = Named(new QPushButton(QStringLiteral("Export for JMRI..."), box), "cmdExportJmri");
    cmdPrintSheet = Named(new QPushButton(QStringLiteral("Print sheet"), box), "cmdPrintSheet");
    cmdSheetPdf = Named(new QPushButton(QStringLiteral("Sheet to PDF..."), box), "cmdSheetPdf");
    lblRounds = Named(new QLabel(box), "lblRounds");
    lblRounds->setWordWrap(true);
    lblRounds->setTextFormat(Qt::PlainText);
    auto* form = new QFormLayout(box);
    form->addRow(QStringLiteral("Every step within:"), Row({spnTolerance}));
    form->addRow(QStringLiteral("At most:"), Row({spnRounds, new QLabel(QStringLiteral("rounds"), box)}));
    form->addRow(Row({cmdWriteCvs, cmdWrittenByHand}));
    form->addRow(Row({cmdExportJmri, cmdPrintSheet, cmdSheetPdf}));
    form->addRow(lblRounds);
    return box;
}

QString DecoderTab::Locomotive() const
{
    return cboDecoderLoco->currentText();
}

QString DecoderTab::Kept(const QString& what, const QString& locomotive) const
{
    return links_.log().Kept(what + QLatin1Char('/') + locomotive);
}

void DecoderTab::Keep(const QString& what, const QString& locomotive, const QString& value)
{
    if (const std::optional<QString> fault = links_.log().Keep(what + QLatin1Char('/') + locomotive, value)) {
        Tell(QStringLiteral("Not kept in the log: %1").arg(*fault), true);
    }
}

DecoderSetup DecoderTab::SetupOf(const QString& locomotive) const
{
    return SetupFromText(Kept(SetupKey, locomotive)).value_or(DecoderSetup{});
}

qint64 DecoderTab::SinceOf(const QString& locomotive) const
{
    return Kept(SinceKey, locomotive).toLongLong();
}

MeasuredCurve DecoderTab::CurveOf(const QString& locomotive, int stepMode) const
{
    SpeedLogLink& log = links_.log();
    const bool leaveOut = log.LeavesMarkedOut();
    MeasuredCurve curve;
    for (const StepGroup& group : log.StepsAfter(locomotive, SinceOf(locomotive))) {
        const int step = group.key.throttle;
        if (step >= 1 && step <= TopDecoderStep(stepMode)) {
            (group.key.reverse ? curve.reverse : curve.forward)
                .push_back({step, group.figures.Counted(leaveOut).mean});
        }
    }
    return curve;
}

void DecoderTab::Refresh()
{
    const QString chosen = Locomotive();
    QStringList names;
    for (const StepGroup& group : links_.log().Steps()) {
        if (names.isEmpty() || names.back() != group.key.locomotive) {
            names << group.key.locomotive;
        }
    }
    const QString reference = cboMatchTo->currentText();
    {
        const QSignalBlocker pickBlocker(cboDecoderLoco);
        const QSignalBlocker matchBlocker(cboMatchTo);
        cboDecoderLoco->clear();
        cboDecoderLoco->addItems(names);
        cboMatchTo->clear();
        cboMatchTo->addItems(names);
        cboDecoderLoco->setCurrentIndex(std::max(0, static_cast<int>(names.indexOf(chosen))));
        cboMatchTo->setCurrentIndex(std::max(0, static_cast<int>(names.indexOf(reference))));
    }
    const QSignalBlocker listBlocker(lstConsist);
    QStringList ticked;
    for (int i = 0; i < lstConsist->count(); ++i) {
        if (lstConsist->item(i)->checkState() == Qt::Checked) {
            ticked << lstConsist->item(i)->text();
        }
    }
    lstConsist->clear();
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, lstConsist);
        item->setCheckState(ticked.contains(name) ? Qt::Checked : Qt::Unchecked);
    }
    Load();
}

void DecoderTab::Load()
{
    const QString locomotive = Locomotive();
    loading_ = true;
    ShowSetup(SetupOf(locomotive));
    const QString target = Kept(TargetKey, locomotive);
    if (!target.isEmpty()) {
        const QStringList parts = target.split(QLatin1Char(';'));
        const auto field = [&parts](const QString& name) {
            for (const QString& part : parts) {
                if (part.startsWith(name + QLatin1Char('='))) {
                    return part.mid(name.size() + 1);
                }
            }
            return QString();
        };
        const QString shape = field(QStringLiteral("shape"));
        (shape == QLatin1String("match") ? optMatch : shape == QLatin1String("eased") ? optEased : optStraight)
            ->setChecked(true);
        cboDecoderUnit->setCurrentIndex(field(QStringLiteral("unit")) == UnitText(SpeedUnit::Kmh) ? 1 : 0);
        startMph_ = field(QStringLiteral("start")).toDouble();
        topMph_ = field(QStringLiteral("top")).toDouble();
        ShowSpeeds();
        cboPlanForm->setCurrentIndex(std::clamp(field(QStringLiteral("form")).toInt(), 0, 2));
        // The reference's name is the rest of the text: it may hold any character.
        const qsizetype match = target.indexOf(QLatin1String(";match="));
        if (match >= 0) {
            cboMatchTo->setCurrentText(target.mid(match + 7));
        }
    }
    const QStringList rounds = Kept(RoundsKey, locomotive).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lblRounds->setText(rounds.mid(std::max<qsizetype>(0, rounds.size() - RoundsShown)).join(QLatin1Char('\n')));
    loading_ = false;
    ShowPlan();
}

void DecoderTab::ShowSetup(const DecoderSetup& setup)
{
    const bool wasLoading = loading_;
    loading_ = true;
    spnDecoderAddress->setValue(setup.address);
    chkDecoderLong->setChecked(setup.longAddress);
    cboDecoderSteps->setCurrentIndex(setup.stepMode == 28 ? 1 : 0);
    cboDecoderRange->setCurrentIndex(std::max(0, cboDecoderRange->findData(setup.valueTop)));
    cboDecoderFit->setCurrentIndex(std::max(0, cboDecoderFit->findData(static_cast<int>(setup.fit))));
    const std::pair<QSpinBox*, int> cvs[] = {{spnCv2, 2}, {spnCv6, 6}, {spnCv5, 5}, {spnCv29, 29}, {spnCv66, 66}, {spnCv95, 95}};
    for (const auto& [box, number] : cvs) {
        box->setValue(setup.Cv(number));
    }
    txtTable->setText(TableText(setup));
    loading_ = wasLoading;
}

DecoderSetup DecoderTab::SetupShown() const
{
    DecoderSetup setup = SetupOf(Locomotive());
    setup.address = spnDecoderAddress->value();
    setup.longAddress = chkDecoderLong->isChecked();
    setup.stepMode = cboDecoderSteps->currentData().toInt();
    setup.valueTop = cboDecoderRange->currentData().toInt();
    setup.fit = static_cast<TableFit>(cboDecoderFit->currentData().toInt());
    const std::pair<QSpinBox*, int> cvs[] = {{spnCv2, 2}, {spnCv6, 6}, {spnCv5, 5}, {spnCv29, 29}, {spnCv66, 66}, {spnCv95, 95}};
    for (const auto& [box, number] : cvs) {
        setup.SetCv(number, box->value());
    }
    QString whyNot;
    if (const auto table = ParseTable(txtTable->text(), 255, whyNot)) {
        for (int entry = 0; entry < TableEntries; ++entry) {
            setup.SetCv(TableFirstCv + entry, (*table)[static_cast<size_t>(entry)]);
        }
    }
    return setup;
}

double DecoderTab::ShownToMph(double value) const
{
    return SpeedUnit(cboDecoderUnit->currentData().toInt()) == SpeedUnit::Kmh ? MphOf(value) : value;
}

QString DecoderTab::SpeedText(double mph) const
{
    const auto unit = SpeedUnit(cboDecoderUnit->currentData().toInt());
    return QStringLiteral("%1 %2").arg(InUnit(mph, unit), 0, 'f', 1).arg(UnitText(unit));
}

DecoderTarget DecoderTab::TargetShown() const
{
    DecoderTarget target;
    target.shape = optMatch->isChecked() ? TargetShape::Match : optEased->isChecked() ? TargetShape::Eased
                                                                                      : TargetShape::Straight;
    target.startMph = startMph_;
    target.topMph = topMph_;
    if (target.shape == TargetShape::Match) {
        const QString reference = cboMatchTo->currentText();
        target.referenceMode = SetupOf(reference).stepMode;
        target.reference = CurveOf(reference, target.referenceMode);
    }
    return target;
}

void DecoderTab::Save()
{
    if (loading_ || Locomotive().isEmpty()) {
        return;
    }
    QString whyNot;
    if (!ParseTable(txtTable->text(), cboDecoderRange->currentData().toInt(), whyNot)) {
        Tell(whyNot, true);
        return;
    }
    const QString locomotive = Locomotive();
    Keep(SetupKey, locomotive, SetupText(SetupShown()));
    const QString shape = optMatch->isChecked() ? QStringLiteral("match")
                          : optEased->isChecked() ? QStringLiteral("eased")
                                                  : QStringLiteral("straight");
    Keep(TargetKey, locomotive,
         QStringLiteral("shape=%1;start=%2;top=%3;unit=%4;form=%5;match=%6")
             .arg(shape)
             .arg(startMph_, 0, 'g', 10)
             .arg(topMph_, 0, 'g', 10)
             .arg(cboDecoderUnit->currentText())
             .arg(cboPlanForm->currentIndex())
             .arg(cboMatchTo->currentText()));
    ShowPlan();
}

void DecoderTab::ShowSpeeds()
{
    const bool wasLoading = loading_;
    loading_ = true;
    const auto unit = SpeedUnit(cboDecoderUnit->currentData().toInt());
    spnStartSpeed->setValue(InUnit(startMph_, unit));
    spnTopSpeed->setValue(InUnit(topMph_, unit));
    loading_ = wasLoading;
}

void DecoderTab::Tell(const QString& text, bool fault)
{
    lblDecoderState->setText(text);
    lblDecoderState->setStyleSheet(fault ? QStringLiteral("color: #b00000; font-weight: bold") : QString());
}

void DecoderTab::ShowPlan()
{
    const QString locomotive = Locomotive();
    setup_ = SetupShown();
    measured_ = CurveOf(locomotive, setup_.stepMode);
    target_ = TargetShown();
    plan_ = PlanDecoder(setup_, measured_, target_, static_cast<PlanForm>(cboPlanForm->currentData().toInt()));
    std::vector<QStringList> rows;
    for (const CvChange& change : plan_.changes) {
        rows.push_back({CvName(change.cv), QString::number(change.old), QString::number(change.value)});
    }
    SetRows(*tblCvs, rows);
    if (locomotive.isEmpty()) {
        Tell(NoLocomotiveText());
    } else if (target_.shape == TargetShape::Match && target_.reference.forward.empty()) {
        Tell(QStringLiteral("%1 has no runs forward to match to.").arg(cboMatchTo->currentText()), true);
    } else if (!plan_.Planned()) {
        Tell(plan_.problem, true);
    } else if (plan_.fullFromStep > 0) {
        Tell(QStringLiteral("Out of reach: at full drive %1 runs %2 at most, and the target asks %3 at the top step. "
                            "The plan is the nearest: full drive from step %4 on.")
                 .arg(locomotive, SpeedText(plan_.reachMph),
                      SpeedText(target_.Mph(1.0, false)))
                 .arg(plan_.fullFromStep),
             true);
    } else if (plan_.changes.empty()) {
        Tell(QStringLiteral("The values in the decoder already give the target, as near as they can."));
    } else {
        Tell(QStringLiteral("Write these %1 CVs to bring %2 onto the target.").arg(plan_.changes.size()).arg(locomotive));
    }
    ShowCurve();
    ShowConsist();
}

void DecoderTab::ShowCurve()
{
    const auto unit = SpeedUnit(cboDecoderUnit->currentData().toInt());
    const int top = TopDecoderStep(setup_.stepMode);
    DecoderCurveData data;
    data.topStep = top;
    data.unit = UnitText(unit);
    for (const bool reverse : {false, true}) {
        DecoderCurveLine measured{DecoderCurveLine::Kind::Measured, reverse, {}};
        for (const CurveSample& sample : measured_.Way(reverse)) {
            measured.points.emplace_back(sample.step, InUnit(sample.mph, unit));
        }
        if (measured.points.empty()) {
            continue;
        }
        data.lines.push_back(std::move(measured));
        if (!plan_.Planned()) {
            continue;
        }
        DecoderCurveLine target{DecoderCurveLine::Kind::Target, reverse, {}};
        DecoderCurveLine predicted{DecoderCurveLine::Kind::Predicted, reverse, {}};
        for (int step = 1; step <= top; ++step) {
            target.points.emplace_back(step, InUnit(target_.Mph(StepShare(step, setup_.stepMode), reverse), unit));
            predicted.points.emplace_back(step, InUnit(plan_.PredictedMph(step, reverse), unit));
        }
        data.lines.push_back(std::move(target));
        data.lines.push_back(std::move(predicted));
    }
    curve_->Show(std::move(data));
}

void DecoderTab::ShowConsist()
{
    std::vector<QStringList> rows;
    const QString reference = cboMatchTo->currentText();
    DecoderTarget match;
    match.shape = TargetShape::Match;
    match.referenceMode = SetupOf(reference).stepMode;
    match.reference = CurveOf(reference, match.referenceMode);
    const auto unit = SpeedUnit(cboDecoderUnit->currentData().toInt());
    for (int i = 0; i < lstConsist->count() && !match.reference.forward.empty(); ++i) {
        const QString name = lstConsist->item(i)->text();
        if (lstConsist->item(i)->checkState() != Qt::Checked || name == reference) {
            continue;
        }
        const DecoderSetup setup = SetupOf(name);
        const MeasuredCurve curve = CurveOf(name, setup.stepMode);
        const DecoderPlan plan =
            PlanDecoder(setup, curve, match, static_cast<PlanForm>(cboPlanForm->currentData().toInt()));
        if (!plan.Planned()) {
            rows.push_back({name, {}, {}, {}, {}, plan.problem});
            continue;
        }
        for (StepAgainstTarget step : AgainstTarget(curve, setup.stepMode, match)) {
            step.mph = plan.PredictedMph(step.step, step.reverse);
            rows.push_back({name, QString::number(step.step), DirectionText(step.reverse), SpeedText(step.aim),
                            SpeedText(step.mph), QString::asprintf("%+.2f", InUnit(step.Off(), unit))});
        }
    }
    SetRows(*tblConsist, rows);
}

void DecoderTab::KeepRound(const QString& line)
{
    const QString locomotive = Locomotive();
    QString rounds = Kept(RoundsKey, locomotive);
    rounds += QStringLiteral("%1  %2\n").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")), line);
    Keep(RoundsKey, locomotive, rounds);
    const QStringList lines = rounds.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lblRounds->setText(lines.mid(std::max<qsizetype>(0, lines.size() - RoundsShown)).join(QLatin1Char('\n')));
}

void DecoderTab::Adopt(const QString& line)
{
    // From here on the runs are the decoder's new curve.
    const QString locomotive = Locomotive();
    Keep(SetupKey, locomotive, SetupText(plan_.setup));
    Keep(SinceKey, locomotive, QString::number(links_.log().NewestRun()));
    KeepRound(line);
}

bool DecoderTab::HasLocomotive()
{
    if (Locomotive().isEmpty()) {
        Tell(NoLocomotiveText(), true);
        return false;
    }
    return true;
}

void DecoderTab::WriteAndCheck()
{
    if (Rounding() || !HasLocomotive()) {
        return;
    }
    StationLink& station = links_.station();
    if (!plan_.Planned()) {
        Tell(plan_.problem, true);
    } else if (!station.Ready()) {
        Tell(QStringLiteral("Connect a command station first: File > Devices..., Command station."), true);
    } else if (!station.WritesCvs()) {
        QStringList values;
        for (const CvChange& change : plan_.changes) {
            values << QStringLiteral("CV%1 = %2").arg(change.cv).arg(change.value);
        }
        Tell(QStringLiteral("WiThrottle cannot write CVs. Write these by hand (a throttle's programming on the main, "
                            "or the programming track), then press Written by hand: %1.")
                 .arg(values.isEmpty() ? QStringLiteral("nothing to write") : values.join(QStringLiteral(", "))),
             true);
    } else {
        round_ = 1;
        NextRound();
    }
}

void DecoderTab::NextRound()
{
    ProfileTab* profile = links_.profile();
    if (profile->Running()) {
        EndRounds(QStringLiteral("A profile is running: stop it, or let it end, first."), true);
        return;
    }
    ProfilePlan run = profile->Timing();
    run.locomotive = {setup_.address, setup_.longAddress};
    run.stepMode = setup_.stepMode;
    checked_ = StepsToCheck(measured_, setup_.stepMode, target_, StepsChecked);
    run.steps = checked_;
    run.highestStep = checked_.back();
    run.forward = true;
    run.reverse = !measured_.reverse.empty();
    run.warmUpMinutes = 0.0;
    if (const std::optional<QString> fault = PlanFault(run)) {
        EndRounds(*fault, true);
        return;
    }
    QStringList lines;
    for (const CvChange& change : plan_.changes) {
        lines << ChangeText(change);
    }
    const QString before =
        QStringLiteral("Round %1 of at most %2. Write to the decoder at address %3 on the main track:\r%4\r\r"
                       "then measure steps %5 again.\r\r")
            .arg(round_)
            .arg(spnRounds->value())
            .arg(AddressOf(setup_), lines.isEmpty() ? QStringLiteral("(nothing: the values are already in)")
                                                    : lines.join(QLatin1Char('\r')),
                 StepsText(checked_));
    listening_ = true;
    const std::vector<CvChange> changes = plan_.changes;
    profile->Run(run, Locomotive(), before, [this, changes] { return Write(changes); });
}

std::optional<QString> DecoderTab::Write(const std::vector<CvChange>& changes)
{
    StationLink& station = links_.station();
    for (const CvChange& change : changes) {
        if (const std::optional<QString> fault = station.WriteCv(setup_.address, change.cv, change.value)) {
            return QStringLiteral("%1 was not written: %2").arg(CvName(change.cv), *fault);
        }
    }
    Adopt(QStringLiteral("round %1 wrote %2").arg(round_).arg(WrittenText(changes)));
    ShowSetup(plan_.setup);
    return std::nullopt;
}

void DecoderTab::RoundEnded(const QString& why, bool fault)
{
    if (!listening_) {
        return;
    }
    listening_ = false;
    const int fullFrom = plan_.fullFromStep;
    ShowPlan();
    bool complete = !fault;
    for (const int step : checked_) {
        for (const bool reverse : {false, true}) {
            const auto& way = measured_.Way(reverse);
            const bool wanted = !reverse || !way.empty();
            complete = complete && (!wanted || std::any_of(way.begin(), way.end(), [step](const CurveSample& s) {
                                       return s.step == step;
                                   }));
        }
    }
    if (!complete) {
        EndRounds(QStringLiteral("Round %1 ended before every step was measured: %2").arg(round_).arg(why), fault);
        return;
    }
    const std::optional<StepAgainstTarget> worst = Worst(AgainstTarget(measured_, setup_.stepMode, target_), fullFrom);
    const double off = worst ? KmhOf(std::abs(worst->Off())) : 0.0;
    const QString where = worst ? QStringLiteral("%1 km/h at step %2 %3")
                                      .arg(off, 0, 'f', 2)
                                      .arg(worst->step)
                                      .arg(DirectionText(worst->reverse))
                                : QStringLiteral("no step within reach");
    KeepRound(QStringLiteral("round %1 measured: farthest from the target %2").arg(round_).arg(where));
    if (off <= spnTolerance->value()) {
        EndRounds(QStringLiteral("On target after round %1: every step measured within %2 km/h (the farthest, %3).")
                      .arg(round_)
                      .arg(spnTolerance->value(), 0, 'f', 2)
                      .arg(where),
                  false);
    } else if (round_ >= spnRounds->value()) {
        EndRounds(QStringLiteral("Not on target after %1 rounds: the farthest step is %2 (the tolerance is %3 km/h).")
                      .arg(round_)
                      .arg(where)
                      .arg(spnTolerance->value(), 0, 'f', 2),
                  true);
    } else {
        ++round_;
        QTimer::singleShot(0, this, &DecoderTab::NextRound);
    }
}

void DecoderTab::EndRounds(const QString& why, bool fault)
{
    round_ = 0;
    listening_ = false;
    Tell(why, fault);
}

void DecoderTab::WrittenByHand()
{
    if (Rounding() || !HasLocomotive()) {
        return;
    }
    if (!plan_.Planned()) {
        Tell(plan_.problem, true);
        return;
    }
    Adopt(QStringLiteral("written by hand: %1").arg(WrittenText(plan_.changes)));
    Load();
    Tell(QStringLiteral("Kept as written. Measure %1 again: the runs from now on are its new curve.").arg(Locomotive()));
}

void DecoderTab::ExportProfile()
{
    if (!HasLocomotive()) {
        return;
    }
    const QString locomotive = Locomotive();
    if (measured_.forward.empty() && measured_.reverse.empty()) {
        Tell(QStringLiteral("Nothing to export: %1 has no runs at its decoder's steps.").arg(locomotive), true);
        return;
    }
    const QString path = AskSavePath(QStringLiteral("Export the speed profile for JMRI"), locomotive + QStringLiteral(".xml"));
    if (path.isEmpty()) {
        return;
    }
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         WriteSpeedProfile(file, measured_, setup_.stepMode, links_.log().DeviceRatio()) && file.commit();
    if (!written) {
        Tell(QStringLiteral("The speed profile was not written to %1: %2").arg(path, file.errorString()), true);
        return;
    }
    Tell(QStringLiteral("The speed profile of %1 (%2 steps) is in %3.")
             .arg(locomotive)
             .arg(measured_.forward.size() + measured_.reverse.size())
             .arg(path));
}

bool DecoderTab::ComposeSheet(QPagedPaintDevice& device) const
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
    double line = QFontMetricsF(font, &device).height() * 1.2;
    double y = 0.0;
    const auto say = [&](const QString& text, double indent = 0.0) {
        painter.drawText(QRectF(indent, y, page.width() - indent, line), Qt::AlignLeft | Qt::AlignVCenter, text);
        y += line;
    };
    say(QStringLiteral("Decoder sheet: %1").arg(Locomotive()));
    font.setPointSizeF(10);
    font.setBold(false);
    painter.setFont(font);
    line = QFontMetricsF(font, &device).height() * 1.2;
    say(QStringLiteral("Address %1, %2 speed steps, values 0-%3.")
            .arg(AddressOf(setup_))
            .arg(setup_.stepMode)
            .arg(setup_.valueTop));
    const QString shape = target_.shape == TargetShape::Match ? QStringLiteral("matched to %1").arg(cboMatchTo->currentText())
                          : target_.shape == TargetShape::Eased ? QStringLiteral("eased at the low end")
                                                                : QStringLiteral("straight");
    say(target_.shape == TargetShape::Match
            ? QStringLiteral("Target: %1.").arg(shape)
            : QStringLiteral("Target: %1 at step 1, %2 at the top step, %3.")
                  .arg(SpeedText(target_.startMph), SpeedText(target_.topMph), shape));
    const QRectF state = painter.boundingRect(QRectF(0, y, page.width(), page.height()), Qt::TextWordWrap,
                                              lblDecoderState->text());
    painter.drawText(state, Qt::TextWordWrap, lblDecoderState->text());
    y += state.height();
    y += line / 2;
    say(QStringLiteral("CV"), 0);
    y -= line;
    say(QStringLiteral("Now"), page.width() * 0.45);
    y -= line;
    say(QStringLiteral("Planned"), page.width() * 0.6);
    for (const CvChange& change : plan_.changes) {
        say(CvName(change.cv));
        y -= line;
        say(QString::number(change.old), page.width() * 0.45);
        y -= line;
        say(QString::number(change.value), page.width() * 0.6);
    }
    if (plan_.changes.empty()) {
        say(QStringLiteral("(none to change)"));
    }
    y += line;
    // The curve drawn as on a screen 700 wide, scaled to the page's width.
    const double scale = page.width() / 700.0;
    const double height = std::min(std::max(page.height() - y, page.height() / 3.0), page.width() * 0.7);
    painter.save();
    painter.translate(0, y);
    painter.scale(scale, scale);
    QFont small(QStringLiteral("Arial"));
    small.setPixelSize(11);
    painter.setFont(small);
    PaintDecoderCurve(painter, QRectF(0, 0, 700, height / scale), curve_->Data(), Qt::black);
    painter.restore();
    return painter.end();
}
