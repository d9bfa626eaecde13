// Shared helpers of the tests: recorded message boxes, clean shared state, modal windows.
#pragma once

#include "core/MessageBox.h"
#include "ui/home/HomeHost.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QRect>
#include <QtGlobal>

#include <stdexcept>


class QRadioButton;
class QWidget;

// The control called `name` (its control name) in `window`. A control that is not
// there fails the test (QtTest reports the exception) instead of crashing it.
template <typename T>
T* Find(const QObject& window, const QString& name)
{
    T* found = window.findChild<T*>(name);
    if (found == nullptr) {
        throw std::runtime_error(("no control named " + name).toStdString());
    }
    return found;
}

// The scale button of catalogue position `index` (0 for Z … 5 for G): optScale1 to 6.
QRadioButton* ScaleOptionAt(const QObject& window, std::size_t index);

// Installs a presenter that records every box instead of showing it, and puts the
// previous one back when it goes out of scope. `answer` decides Save/Cancel boxes;
// `onShow` runs while a box is "open", to look at the state at that moment.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<MessageBox::Request> boxes;
    MessageBox::Answer answer = MessageBox::Answer::Cancel;
    std::function<void(const MessageBox::Request&)> onShow;

    QStringList Texts() const;

private:
    MessageBox::Presenter previous_;
};

// Puts every value of General back to what it is before start-up, then sets the
// length limits as start-up's first step does.
void ResetGeneral();

// Runs `act` on the next modal window once it is open (from inside its own event
// loop), so a test can drive a dialog shown with exec(). A modal window still open
// `timeoutMs` after `act` is closed so the test cannot hang, and counts as timed out.
void WhenModalOpens(std::function<void(QWidget* modal)> act, int timeoutMs = 5000);
// True when the last WhenModalOpens found no window in time, or had to close one.
bool ModalTimedOut();

// The settings file as the program writes it with the built-in defaults.
inline const QByteArray DefaultsFile = "[TRACKPACE]\r\nScale=HO\r\nTrackConfig=STRAIGHT\r\nTrackLength=48\r\n";
// A file's whole content, or "<missing>".
QByteArray ReadAll(const QString& path);

// The TIME vs. SPEED table's run times over 174 scale feet (HO, 24 in straight):
// seconds per mile x 174 / 5280, one decimal, from 10 to 120 mph.
inline const QStringList RunTimes174{"11.9", "5.9", "4.0", "3.0", "2.4", "2.0",
                                     "1.7",  "1.5", "1.3", "1.2", "1.1", "1.0"};

// A box as every box of the program is made: its title, its icon and its buttons.
void CheckBox(const MessageBox::Request& box, const QString& title, MessageBox::Icon icon,
              MessageBox::Buttons buttons = MessageBox::Buttons::Ok);

// One test's clean start: the shared values reset, the settings path in a fresh
// folder, boxes recorded. Members go in reverse order: the window, then the
// recorder, then the folder.
struct TestSession {
    TestSession();
    void WriteIni(const QByteArray& bytes) const;
    // Starts the main window as the program does; false if it never became active.
    bool Start();

    QTemporaryDir dir;
    MessageRecorder boxes;
    std::unique_ptr<HomeHost> host;
};

// A suite whose every test starts the program afresh: a session with the settings
// file of StartingFile() (none where that is empty), the main window shown. Each
// test must leave no modal window open.
class SessionTest : public QObject {
    Q_OBJECT

protected:
    virtual QByteArray StartingFile() const { return DefaultsFile; }
    TestSession& Session() { return *session_; }
    class frmHome& Home();
    // A new session for the test that is running, starting with `file`.
    void Restart(const QByteArray& file);
    // No session at all, for a test that starts the program its own way.
    void EndSession() { session_.reset(); }
    // What a suite closes before the session's folder goes (files it holds open).
    virtual void CloseFiles() {}

private slots:
    void init();
    void cleanup();

private:
    std::unique_ptr<TestSession> session_;
};

// Loads the settings at General::IniPath into a new main window and shows it, as
// the program starts; the boxes of the start are cleared from `boxes`.
std::unique_ptr<HomeHost> StartProgram(MessageRecorder& boxes);

// One control as the window lays it out, as a row of a data-driven test:
// its place in twips (15 to a pixel at 96 dpi, from its container's corner), its
// caption, tooltip, horizontal alignment (none for controls without one) and font,
// Arial of the given size.
void AddLayoutColumns();
void LayoutRow(const char* name, QRect twips, const QString& caption, const QString& tooltip = {},
               Qt::Alignment alignment = {}, double points = 8.25, bool bold = false);
// Rows optScale1 to optScale6 of a scale group: tops 360 to 2160 twips, HO wider.
void LayoutScaleRows(int hoWidth);
// The name of the current row's control, and the comparison of that control with
// the row (a failed comparison fails the test). An option button must also take a
// click anywhere in its box (ClickNearRightEdge).
QString LayoutName();
void CompareWithLayout(QWidget* control);

// Selects another button of `option`'s group, then clicks `option` 2 pixels inside
// the right edge of its box, far right of its caption; the click must select it.
void ClickNearRightEdge(class QRadioButton* option);

// True where the tests run as Windows programs (also under Wine), for the few
// cases that only a POSIX system can set up.
bool OnWindows();

// Runs the program's own start-up once (the settings beside the test executable, its
// boxes dropped, the window closed again), so that from then on this process handles
// signals as the program does.
void StartUpAsTheProgram();
