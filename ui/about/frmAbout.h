// The about window: the program's identity and the system-information button.
#pragma once

#include "ui/about/SysInfo.h"

#include <QDialog>

class QLabel;

// Shows the program's identity; System Info starts the system's information tool
// through `tools`. Its controls carry their control names as object names.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* owner, SysInfoTools tools = SystemSysInfoTools());

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Load();

    QLabel* lblCopyright = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    SysInfoTools tools_;
};
