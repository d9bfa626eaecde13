// The toolkit's floor for the start-up benchmark: a main window with a menu bar and a label.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("E&xit"));
    window.setCentralWidget(new QLabel(QStringLiteral("Bare Qt Widgets window"), &window));
    window.resize(441, 268);
    window.show();
    return QApplication::exec();
}
