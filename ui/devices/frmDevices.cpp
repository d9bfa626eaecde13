// The Devices window: which timing device is on which port, Connect, and what the device is doing now.
#include "ui/devices/frmDevices.h"

#include "devices/DeviceSettings.h"
#include "devices/SerialPort.h"
#include "station/StationSettings.h"
#include "ui/Named.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const int Bauds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
const QString UnitNames[] = {QStringLiteral("µs"), QStringLiteral("ms"), QStringLiteral("s")};
const TimeUnit Units[] = {TimeUnit::Microseconds, TimeUnit::Milliseconds, TimeUnit::Seconds};

// The page of choices each kind shows: the trap's, a pattern trap's, a rolling road's.
int PageOf(DeviceKind kind)
{
    return kind == DeviceKind::TrackpaceTrap ? 0 : kind == DeviceKind::PatternTrap ? 1 : 2;
}

// A label whose access letter goes to `buddy`, for a row that is a layout of several controls.
QLabel* LabelFor(const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

QDoubleSpinBox* Seconds(QWidget* parent, const char* name, double low, double high)
{
    auto* box = Named(new QDoubleSpinBox(parent), name);
    box->setRange(low, high);
    box->setDecimals(1);
    box->setSuffix(QStringLiteral(" s"));
    return box;
}

}  // namespace

frmDevices::frmDevices(std::function<QString(const MeasuredRun&)> record, std::function<double()> scaleRatio,
                       QByteArray settingsPath)
    : record_(std::move(record)), settingsPath_(std::move(settingsPath)),
      link_(new DeviceLink(std::move(scaleRatio), this)), station_(new StationLink(this))
{
    setObjectName(QStringLiteral("frmDevices"));
    setWindowTitle(QStringLiteral("Devices"));
    // Open or not, it does not keep Trackpace running once the main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    Build();
    Show(LoadDevice(settingsPath_).setup);
    connect(link_, &DeviceLink::StateChanged, this, &frmDevices::ShowState);
    connect(link_, &DeviceLink::Measured, this, &frmDevices::Measured);
    ShowState();
    ShowStation(LoadStation(settingsPath_).setup);
    connect(station_, &StationLink::StateChanged, this, &frmDevices::ShowStationState);
    ShowStationState();
}

frmDevices::~frmDevices()
{
    // The station goes first, while this window can still hear it: a locomotive it drives
    // is stopped, and nothing it says reaches a window half gone.
    station_->disconnect(this);
    delete station_;
}

void frmDevices::Build()
{
    auto* tabs = Named(new QTabWidget(this), "tabDevices");
    tabs->addTab(BuildDevicePage(tabs), QStringLiteral("Timing &device"));
    tabs->addTab(BuildStationPage(tabs), QStringLiteral("Command stat&ion"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
}

QWidget* frmDevices::BuildDevicePage(QWidget* tabs)
{
    auto* page = new QWidget(tabs);
    cboPort = Named(new QComboBox(page), "cboPort");
    cboPort->setEditable(true);
    cboPort->setInsertPolicy(QComboBox::NoInsert);
    cboPort->setMinimumContentsLength(28);
    cboPort->lineEdit()->setPlaceholderText(QStringLiteral("a port, or any path typed"));
    cmdPorts = Named(new QPushButton(QStringLiteral("&List Ports"), page), "cmdPorts");
    cboKind = Named(new QComboBox(page), "cboKind");
    for (const DeviceKind kind : DeviceKinds()) {
        cboKind->addItem(DeviceKindName(kind), static_cast<int>(kind));
    }
    stkChoices = Named(new QStackedWidget(page), "stkChoices");
    stkChoices->addWidget(BuildTrapPage());
    stkChoices->addWidget(BuildPatternPage());
    stkChoices->addWidget(BuildRollerPage());
    cmdConnect = Named(new QPushButton(QStringLiteral("&Connect"), page), "cmdConnect");
    cmdConnect->setDefault(true);
    lblState = Named(new QLabel(page), "lblState");
    lblState->setWordWrap(true);
    lblState->setTextFormat(Qt::PlainText);
    lblState->setTextInteractionFlags(Qt::TextSelectableByMouse);
    txtLines = Named(new QPlainTextEdit(page), "txtLines");
    txtLines->setReadOnly(true);
    txtLines->setMaximumBlockCount(LastLinesKept);
    txtLines->setTabChangesFocus(true);
    txtLines->setFont(QFont(QStringLiteral("monospace")));
    txtLines->setFixedHeight(txtLines->fontMetrics().lineSpacing() * (LastLinesKept + 1));

    auto* port = new QHBoxLayout;
    port->addWidget(cboPort, 1);
    port->addWidget(cmdPorts);
    auto* form = new QFormLayout;
    form->addRow(LabelFor(QStringLiteral("&Port:"), cboPort), port);
    form->addRow(QStringLiteral("&Kind:"), cboKind);
    auto* connectRow = new QHBoxLayout;
    connectRow->addStretch();
    connectRow->addWidget(cmdConnect);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(stkChoices);
    layout->addLayout(connectRow);
    layout->addWidget(lblState);
    layout->addWidget(new QLabel(QStringLiteral("Last lines from the device:"), page));
    layout->addWidget(txtLines);
    ListPorts();

    connect(cmdPorts, &QPushButton::clicked, this, &frmDevices::ListPorts);
    connect(cboKind, &QComboBox::currentIndexChanged, this, &frmDevices::KindChosen);
    connect(cmdConnect, &QPushButton::clicked, this, &frmDevices::ConnectOrDisconnect);
    connect(cmdSetSpacing, &QPushButton::clicked, this, &frmDevices::SetSpacing);
    return page;
}

QWidget* frmDevices::BuildTrapPage()
{
    auto* page = new QGroupBox(QStringLiteral("Trackpace speed trap"), this);
    spnTrapSpacing = Named(new QSpinBox(page), "spnTrapSpacing");
    spnTrapSpacing->setRange(1, 65535);
    spnTrapSpacing->setValue(600);
    spnTrapSpacing->setSuffix(QStringLiteral(" mm"));
    cmdSetSpacing = Named(new QPushButton(QStringLiteral("Set in &Trap"), page), "cmdSetSpacing");
    auto* row = new QHBoxLayout;
    row->addWidget(spnTrapSpacing);
    row->addWidget(cmdSetSpacing);
    row->addStretch();
    auto* layout = new QFormLayout(page);
    layout->addRow(LabelFor(QStringLiteral("&Spacing between sensors:"), spnTrapSpacing), row);
    auto* note = new QLabel(QStringLiteral("115200 baud. The trap keeps its spacing: measure it from sensor to "
                                           "sensor and set it once."),
                            page);
    // Wrapped, so that a wide font never widens the whole window.
    note->setWordWrap(true);
    layout->addRow(note);
    return page;
}

QWidget* frmDevices::BuildPatternPage()
{
    auto* page = new QGroupBox(QStringLiteral("A trap that prints a line per pass"), this);
    cboBaud = Named(new QComboBox(page), "cboBaud");
    for (const int baud : Bauds) {
        cboBaud->addItem(QString::number(baud), baud);
    }
    txtPattern = Named(new QLineEdit(page), "txtPattern");
    txtPattern->setPlaceholderText(QStringLiteral("Elapsed # ms"));
    txtPattern->setToolTip(QStringLiteral(" The line the trap prints, # where its number stands "));
    cboUnit = Named(new QComboBox(page), "cboUnit");
    for (const QString& unit : UnitNames) {
        cboUnit->addItem(unit);
    }
    spnSpacing = Named(new QDoubleSpinBox(page), "spnSpacing");
    spnSpacing->setRange(0.0, 100000.0);
    spnSpacing->setDecimals(1);
    spnSpacing->setSuffix(QStringLiteral(" mm"));
    auto* pattern = new QHBoxLayout;
    pattern->addWidget(txtPattern, 1);
    pattern->addWidget(cboUnit);
    auto* layout = new QFormLayout(page);
    layout->addRow(QStringLiteral("&Baud rate:"), cboBaud);
    layout->addRow(LabelFor(QStringLiteral("P&attern, # the number:"), txtPattern), pattern);
    layout->addRow(QStringLiteral("Spacing &between sensors:"), spnSpacing);
    return page;
}

QWidget* frmDevices::BuildRollerPage()
{
    auto* page = new QGroupBox(QStringLiteral("Rolling road"), this);
    cboSeries = Named(new QComboBox(page), "cboSeries");
    cboSeries->addItems({QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")});
    spnSettle = Seconds(page, "spnSettle", 0.0, 600.0);
    spnMeasure = Seconds(page, "spnMeasure", 1.0, 3600.0);
    auto* layout = new QFormLayout(page);
    layout->addRow(QStringLiteral("Bachrus reader &series:"), cboSeries);
    layout->addRow(QStringLiteral("Settl&e after a change:"), spnSettle);
    layout->addRow(QStringLiteral("&Measure over:"), spnMeasure);
    return page;
}

void frmDevices::Show(const DeviceSetup& setup)
{
    cboPort->setEditText(setup.port);
    cboKind->setCurrentIndex(cboKind->findData(static_cast<int>(setup.kind)));
    cboBaud->setCurrentIndex(std::max(0, cboBaud->findData(setup.choices.baud)));
    txtPattern->setText(setup.choices.pattern);
    cboUnit->setCurrentIndex(static_cast<int>(std::find(std::begin(Units), std::end(Units), setup.choices.unit) -
                                              std::begin(Units)));
    spnSpacing->setValue(setup.choices.spacingMm);
    cboSeries->setCurrentIndex(std::clamp(setup.choices.rollerSeries - 4, 0, 2));
    spnSettle->setValue(setup.settleSeconds);
    spnMeasure->setValue(setup.measureSeconds);
    KindChosen();
}

DeviceSetup frmDevices::Chosen() const
{
    DeviceSetup setup;
    setup.kind = static_cast<DeviceKind>(cboKind->currentData().toInt());
    setup.port = cboPort->currentText().trimmed();
    setup.choices.baud = cboBaud->currentData().toInt();
    setup.choices.pattern = txtPattern->text();
    setup.choices.unit = Units[std::max(0, cboUnit->currentIndex())];
    setup.choices.spacingMm = spnSpacing->value();
    setup.choices.rollerSeries = cboSeries->currentIndex() + 4;
    setup.settleSeconds = spnSettle->value();
    setup.measureSeconds = spnMeasure->value();
    return setup;
}

void frmDevices::KindChosen()
{
    const auto kind = static_cast<DeviceKind>(cboKind->currentData().toInt());
    stkChoices->setCurrentIndex(PageOf(kind));
    cboSeries->setEnabled(kind == DeviceKind::Bachrus);
}

void frmDevices::ListPorts()
{
    const QString typed = cboPort->currentText();
    cboPort->clear();
    cboPort->addItems(SerialPortNames());
    cboPort->setEditText(typed);
}

bool frmDevices::ReconnectKept()
{
    const KeptDevice kept = LoadDevice(settingsPath_);
    return kept.connect && link_->Connect(kept.setup);
}

void frmDevices::ConnectOrDisconnect()
{
    if (link_->Connected()) {
        link_->Disconnect();
    } else {
        link_->Connect(Chosen());
    }
    Keep();
}

void frmDevices::SetSpacing()
{
    if (const std::optional<QString> failed = link_->SetTrapSpacing(spnTrapSpacing->value())) {
        lblState->setText(*failed);
    }
}

void frmDevices::ShowState()
{
    lblState->setText(link_->State());
    txtLines->setPlainText(link_->LastLines().join(QLatin1Char('\n')));
    const bool connected = link_->Connected();
    cmdConnect->setText(connected ? QStringLiteral("Dis&connect") : QStringLiteral("&Connect"));
    for (QWidget* choice : std::initializer_list<QWidget*>{cboPort, cmdPorts, cboKind, cboBaud, txtPattern, cboUnit,
                                                          spnSpacing, cboSeries, spnSettle, spnMeasure}) {
        choice->setEnabled(!connected && (choice != cboSeries || Chosen().kind == DeviceKind::Bachrus));
    }
    cmdSetSpacing->setEnabled(connected);
}

void frmDevices::Keep()
{
    if (const std::optional<QString> failed = SaveDevice(settingsPath_, {Chosen(), link_->Connected()})) {
        lblState->setText(link_->State() + QStringLiteral("\nThe choices could not be kept: %1.").arg(*failed));
    }
}

void frmDevices::Measured(const MeasuredRun& run)
{
    link_->Told(record_(run));
}

QWidget* frmDevices::BuildStationPage(QWidget* tabs)
{
    auto* page = new QWidget(tabs);
    cboStationKind = Named(new QComboBox(page), "cboStationKind");
    for (const StationKind kind : {StationKind::WiThrottle, StationKind::DccExTcp, StationKind::DccExSerial}) {
        cboStationKind->addItem(StationKindName(kind), static_cast<int>(kind));
    }
    txtStationHost = Named(new QLineEdit(page), "txtStationHost");
    txtStationHost->setPlaceholderText(QStringLiteral("the computer running JMRI, or the station's address"));
    spnStationPort = Named(new QSpinBox(page), "spnStationPort");
    spnStationPort->setRange(1, 65535);
    cboStationSerial = Named(new QComboBox(page), "cboStationSerial");
    cboStationSerial->setEditable(true);
    cboStationSerial->setInsertPolicy(QComboBox::NoInsert);
    cboStationSerial->addItems(SerialPortNames());
    cmdStationConnect = Named(new QPushButton(QStringLiteral("&Connect"), page), "cmdStationConnect");
    lblStationState = Named(new QLabel(page), "lblStationState");
    lblStationState->setWordWrap(true);
    lblStationState->setTextFormat(Qt::PlainText);
    lblStationState->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* note = new QLabel(QStringLiteral("The speed log's Profile tab drives a locomotive through this station. "
                                           "WiThrottle's heartbeat stops the locomotive should Trackpace or the "
                                           "network fail; DCC-EX's own commands keep none."),
                            page);
    note->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Kind:"), cboStationKind);
    form->addRow(QStringLiteral("&Host:"), txtStationHost);
    form->addRow(QStringLiteral("&Port:"), spnStationPort);
    form->addRow(QStringLiteral("&Serial port:"), cboStationSerial);
    auto* connectRow = new QHBoxLayout;
    connectRow->addStretch();
    connectRow->addWidget(cmdStationConnect);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addLayout(connectRow);
    layout->addWidget(lblStationState);
    layout->addStretch();

    connect(cboStationKind, &QComboBox::currentIndexChanged, this, [this] {
        spnStationPort->setValue(DefaultStationPort(ChosenStation().kind));
        ShowStationState();
    });
    connect(cmdStationConnect, &QPushButton::clicked, this, &frmDevices::ConnectOrDisconnectStation);
    return page;
}

void frmDevices::ShowStation(const StationSetup& setup)
{
    const QSignalBlocker blocker(cboStationKind);
    cboStationKind->setCurrentIndex(cboStationKind->findData(static_cast<int>(setup.kind)));
    txtStationHost->setText(setup.host);
    spnStationPort->setValue(setup.port);
    cboStationSerial->setEditText(setup.serialPort);
}

StationSetup frmDevices::ChosenStation() const
{
    StationSetup setup;
    setup.kind = static_cast<StationKind>(cboStationKind->currentData().toInt());
    setup.host = txtStationHost->text().trimmed();
    setup.port = spnStationPort->value();
    setup.serialPort = cboStationSerial->currentText().trimmed();
    return setup;
}

bool frmDevices::ReconnectStation()
{
    const KeptStation kept = LoadStation(settingsPath_);
    return kept.connect && station_->Connect(kept.setup);
}

void frmDevices::ConnectOrDisconnectStation()
{
    if (station_->Connected() || station_->Ready()) {
        station_->Disconnect();
    } else {
        station_->Connect(ChosenStation());
    }
    if (const std::optional<QString> failed = SaveStation(settingsPath_, {ChosenStation(), station_->Connected()})) {
        lblStationState->setText(station_->State() + QStringLiteral("\nThe choices could not be kept: %1.").arg(*failed));
    }
}

void frmDevices::ShowStationState()
{
    lblStationState->setText(station_->State());
    const bool connected = station_->Connected();
    cmdStationConnect->setText(connected ? QStringLiteral("Dis&connect") : QStringLiteral("&Connect"));
    const bool serial = ChosenStation().kind == StationKind::DccExSerial;
    cboStationKind->setEnabled(!connected);
    txtStationHost->setEnabled(!connected && !serial);
    spnStationPort->setEnabled(!connected && !serial);
    cboStationSerial->setEnabled(!connected && serial);
}
