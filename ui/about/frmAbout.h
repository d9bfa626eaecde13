// The about window: the program's identity and the system-information button.
#pragma once

#include "ui/about/SysInfo.h"

#include <QDialog>

class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* owner, SysInfoTools tools = SystemSysInfoTools());

    QLabel* picIcon;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;
    QLabel* lblCredit;
    QLabel* lblCopyright;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDisclaimer;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Load();

    SysInfoTools tools_;
};
