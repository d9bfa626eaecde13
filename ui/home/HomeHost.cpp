// Lazy creation of the main window and its first showing, centred on the screen.
#include "ui/home/HomeHost.h"

#include "ui/home/frmHome.h"

#include <QGuiApplication>
#include <QScreen>

HomeHost::HomeHost() = default;
HomeHost::~HomeHost() = default;

frmHome& HomeHost::Home()
{
    if (!home_) {
        home_ = std::make_unique<frmHome>();
    }
    return *home_;
}

void HomeHost::EnsureLoaded()
{
    Home();
}

void HomeHost::SelectScale(int index)
{
    Home().SelectScale(index);
}

void HomeHost::SelectStraight()
{
    Home().SelectStraight();
}

void HomeHost::SelectCircle()
{
    Home().SelectCircle();
}

void HomeHost::SetLength(int inches)
{
    Home().SetLength(inches);
}

void HomeHost::ShowMainWindow()
{
    frmHome& home = Home();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = home.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        home.move(frame.topLeft());
    }
    home.show();
    home.ReconnectDevice();
}
