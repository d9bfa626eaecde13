// The program: the application object, then the start-up routine.
#include "core/General.h"
#include "settings/Startup.h"
#include "ui/Fonts.h"
#include "ui/MessageBoxPresenter.h"
#include "ui/home/HomeHost.h"

#include <QApplication>

namespace {

// The installed copy (see CMakeLists.txt) keeps its settings where its user may write.
#ifdef TRACKPACE_INSTALLED
constexpr SettingsPlace Place = SettingsPlace::UserConfiguration;
#else
constexpr SettingsPlace Place = SettingsPlace::BesideExecutable;
#endif

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(General::AppTitle);
    // Ties the windows to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.trackpace.Trackpace"));
    UseArialMetrics();
    QApplication::setFont(WindowFont());
    InstallWidgetMessageBox();
    HomeHost host;
    General::Main(host, Place);
    return QApplication::exec();
}
