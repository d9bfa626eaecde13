// The Devices window: which timing device is on which port, Connect, and what the device is doing now.
#pragma once

#include "devices/DeviceLink.h"
#include "station/StationLink.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;

// A window of its own, opened from the main window's File menu; the device stays
// connected while it is closed. Each pass or rolling-road run goes to `record` (the
// speed log), and the sentence it returns shows in the state line. Its controls carry
// their names (cboPort, cboKind, cmdConnect, lblState …) as object names.
class frmDevices : public QDialog {
    Q_OBJECT

public:
    // `settingsPath`: the file the choices are kept in (empty: none); `scaleRatio`: the
    // speed log's scale for devices.
    frmDevices(std::function<QString(const MeasuredRun&)> record, std::function<double()> scaleRatio,
               QByteArray settingsPath);
    ~frmDevices() override;

    DeviceLink& Link() { return *link_; }
    // The command station, which the speed log's Profile tab drives.
    StationLink& Station() { return *station_; }
    // Connects to the station kept in the settings file when it was connected as
    // Trackpace last ended; false where there was none or it could not be started.
    bool ReconnectStation();
    // Connects to the device kept in the settings file when it was connected as
    // Trackpace last ended; false where there was none or it could not be reached.
    bool ReconnectKept();
    // The choices as the window shows them.
    DeviceSetup Chosen() const;

private:
    void Build();
    QWidget* BuildDevicePage(QWidget* tabs);
    QWidget* BuildStationPage(QWidget* tabs);
    void ShowStation(const StationSetup& setup);
    StationSetup ChosenStation() const;
    void ConnectOrDisconnectStation();
    void ShowStationState();
    QWidget* BuildTrapPage();
    QWidget* BuildPatternPage();
    QWidget* BuildRollerPage();
    void Show(const DeviceSetup& setup);
    void KindChosen();
    void ListPorts();
    void ConnectOrDisconnect();
    void SetSpacing();
    void ShowState();
    void Keep();
    void Measured(const MeasuredRun& run);

    std::function<QString(const MeasuredRun&)> record_;
    QByteArray settingsPath_;
    DeviceLink* link_ = nullptr;
    StationLink* station_ = nullptr;

    QComboBox* cboPort = nullptr;
    QPushButton* cmdPorts = nullptr;
    QComboBox* cboKind = nullptr;
    QStackedWidget* stkChoices = nullptr;
    QSpinBox* spnTrapSpacing = nullptr;
    QPushButton* cmdSetSpacing = nullptr;
    QComboBox* cboBaud = nullptr;
    QLineEdit* txtPattern = nullptr;
    QComboBox* cboUnit = nullptr;
    QDoubleSpinBox* spnSpacing = nullptr;
    QComboBox* cboSeries = nullptr;
    QDoubleSpinBox* spnSettle = nullptr;
    QDoubleSpinBox* spnMeasure = nullptr;
    QPushButton* cmdConnect = nullptr;
    QLabel* lblState = nullptr;
    QPlainTextEdit* txtLines = nullptr;
    QComboBox* cboStationKind = nullptr;
    QLineEdit* txtStationHost = nullptr;
    QSpinBox* spnStationPort = nullptr;
    QComboBox* cboStationSerial = nullptr;
    QPushButton* cmdStationConnect = nullptr;
    QLabel* lblStationState = nullptr;
};
