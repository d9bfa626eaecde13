// The program: the application object, then the start-up routine.
#include "core/General.h"
#include "ui/Fonts.h"
#include "ui/MessageBoxPresenter.h"
#include "ui/home/HomeHost.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(General::AppTitle);
    QApplication::setFont(WindowFont());
    InstallWidgetMessageBox();
    HomeHost host;
    General::Main(host);
    return QApplication::exec();
}
