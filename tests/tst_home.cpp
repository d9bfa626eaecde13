// The main window driven as a user drives it: scale, distance, length entry, time and tasks.
#include "core/General.h"
#include "core/Version.h"
#include "core/Scales.h"
#include "settings/Settings.h"
#include "ui/Fonts.h"
#include "ui/UpDown.h"
#include "ui/home/HomeHost.h"
#include "ui/home/frmHome.h"
#include "ui/table/frmTvsS.h"

#include "TestSupport.h"

#include <QtTest>
#include <QClipboard>
#include <QMimeData>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>

class TestHome : public SessionTest {
    Q_OBJECT

private slots:
    void startsWithTheDefaults();
    void startsWithTheSavedDefaults();
    void opensCentredOnTheScreen();
    void scaleChoiceRecomputes_data();
    void scaleChoiceRecomputes();
    void windowAndMenus();
    void controls_data();
    void controls();
    void configurationChoice();
    void extremes_data();
    void extremes();
    void typedLength_data();
    void typedLength();
    void invalidEntry_data();
    void invalidEntry();
    void typingAfterInvalidEntryReplaces_data();
    void typingAfterInvalidEntryReplaces();
    void messageComesBeforeTheCorrection();
    void fourthCharacterCannotBeTyped();
    void clearedEntry();
    void pastedLineBreaksAreDropped_data();
    void pastedLineBreaksAreDropped();
    void valueBoxesShowTheEntryWhite();
    void focusedSpinnerShowsIt_data();
    void focusedSpinnerShowsIt();
    void noTooltipBeforeAConfiguration();
    void lengthSpinner();
    void typedLengthMovesTheSpinner();
    void timeSpinner_data();
    void timeSpinner();
    void timeSpinnerStaysInRange();
    void taskSwitch();
    void infoLine_data();
    void infoLine();
    void menusOpenTheirWindows_data();
    void menusOpenTheirWindows();
    void accessibleNames();
    void tabOrder();
    // Last: once the application has been told to exit, no further event loop runs.
    void exitEndsWithoutWriting();

private:
    void TypeLength(const QString& text);

};

// Replaces the entry's text by typing, one key at a time, as a user does.
void TestHome::TypeLength(const QString& text)
{
    QLineEdit* entry = Find<QLineEdit>(Home(), "txtLength");
    entry->setFocus();
    entry->selectAll();
    QTest::keyClick(entry, Qt::Key_Backspace);
    QTest::keyClicks(entry, text);
}

void TestHome::startsWithTheDefaults()
{
    frmHome& home = Home();
    QVERIFY(ScaleOptionAt(home, 2)->isChecked());
    QVERIFY(Find<QRadioButton>(home, "optStraight")->isChecked());
    QVERIFY(Find<QRadioButton>(home, "optChkSpd")->isChecked());
    // What the labels then show is in the table of controls.
    QCOMPARE(Find<UpDown>(home, "udLength")->value(), 48);
    QCOMPARE(General::ScaleName, QStringLiteral("HO"));
    QCOMPARE(General::ScaleRatio, 87.0F);
    QVERIFY(!Find<QPushButton>(home, "cmdCreate")->isEnabled());
    QVERIFY(Session().boxes.boxes.empty());
}

void TestHome::startsWithTheSavedDefaults()
{
    Restart("[TRACKPACE]\r\nScale=N\r\nTrackConfig=CIRCLE\r\nTrackLength=120\r\n");
    frmHome& home = Home();
    QVERIFY(ScaleOptionAt(home, 1)->isChecked());
    QVERIFY(Find<QRadioButton>(home, "optCircle")->isChecked());
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->text(), QStringLiteral("120"));
    QCOMPARE(Find<QLabel>(home, "lblLengthOpt")->text(), QStringLiteral("Radius in Inches"));
    // N, a circle of radius 120: 240 x 3.14159 = 753.98 in, x 160 / 12 = 10053.1 ft.
    QCOMPARE(Find<QLabel>(home, "lblScaleDist")->text(), QStringLiteral("10053 ft."));
}

void TestHome::opensCentredOnTheScreen()
{
    // Centred as it is placed, before the window system adds its frame (2 pixels a
    // side here), which then moves the frame's centre by those few pixels.
    const QPoint screen = QGuiApplication::primaryScreen()->availableGeometry().center();
    const QPoint window = Home().frameGeometry().center();
    QVERIFY2(std::abs(window.x() - screen.x()) <= 2 && std::abs(window.y() - screen.y()) <= 2,
             qPrintable(QStringLiteral("window at %1,%2, screen centre %3,%4")
                            .arg(window.x()).arg(window.y()).arg(screen.x()).arg(screen.y())));
}

void TestHome::scaleChoiceRecomputes_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("distance");
    // 48 in straight: ratio x 48 / 12 = ratio x 4.
    QTest::newRow("Z") << 1 << "880 ft.";
    QTest::newRow("N") << 2 << "640 ft.";
    QTest::newRow("S") << 4 << "256 ft.";
    QTest::newRow("O") << 5 << "192 ft.";
    QTest::newRow("G") << 6 << "90 ft.";
}

void TestHome::scaleChoiceRecomputes()
{
    QFETCH(int, scale);
    QFETCH(QString, distance);
    QTest::mouseClick(ScaleOptionAt(Home(), scale - 1), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(Home(), "lblScaleDist")->text(), distance);
    QCOMPARE(General::ScaleName, ScaleCatalogue().at(scale - 1).name);
}

void TestHome::windowAndMenus()
{
    frmHome& home = Home();
    QCOMPARE(home.windowTitle(), QStringLiteral("Trackpace - Scale Speed Calculator"));
    QCOMPARE(home.centralWidget()->size(), QSize(441, 250));
    QVERIFY(home.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!home.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(home.minimumSize(), home.maximumSize());
    QStringList bar;
    for (const QAction* action : home.menuBar()->actions()) {
        bar << action->text();
    }
    QCOMPARE(bar, (QStringList{"&File", "&Preferences", "&Help"}));
    QCOMPARE(Find<QAction>(home, "mnuPref")->menu(), nullptr);
    // The run timer, the log and the devices are the items beyond the classic menus; those keep
    // their texts and have no shortcut keys.
    QCOMPARE(Find<QMenu>(home, "mnuFile")->actions(),
             (QList<QAction*>{Find<QAction>(home, "mnuFileRunTimer"), Find<QAction>(home, "mnuFileSpeedLog"),
                              Find<QAction>(home, "mnuFileDevices"), Find<QAction>(home, "mnuFileExit")}));
    QCOMPARE(Find<QAction>(home, "mnuFileDevices")->text(), QStringLiteral("&Devices..."));
    QCOMPARE(Find<QAction>(home, "mnuFileRunTimer")->text(), QStringLiteral("&Run Timer..."));
    QCOMPARE(Find<QAction>(home, "mnuFileRunTimer")->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
    QCOMPARE(Find<QAction>(home, "mnuFileSpeedLog")->text(), QStringLiteral("Speed &Log..."));
    QCOMPARE(Find<QAction>(home, "mnuFileSpeedLog")->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
    QCOMPARE(Find<QAction>(home, "mnuFileExit")->text(), QStringLiteral("E&xit"));
    for (const QAction* action : {Find<QAction>(home, "mnuFileExit"), Find<QAction>(home, "mnuPref"), Find<QAction>(home, "mnuHelpAbout")}) {
        QVERIFY(action->shortcut().isEmpty());
    }
    QCOMPARE(Find<QAction>(home, "mnuHelpAbout")->text(), QStringLiteral("&About Trackpace"));
    QCOMPARE(home.font(), WindowFont());
    QVERIFY(!home.windowIcon().isNull());
}

void TestHome::controls_data()
{
    // The main window after start-up with HO, a straight run and 48 inches.
    AddLayoutColumns();
    LayoutRow("fraScale", {240, 120, 852, 2652}, "Scale");
    LayoutScaleRows(625);
    LayoutRow("fraDistance", {1320, 120, 1572, 2652}, "Distance");
    LayoutRow("optStraight", {120, 360, 972, 252}, "Straight", " Straight run of track ");
    LayoutRow("optCircle", {120, 720, 972, 252}, "Circle", " Complete circle of track ");
    LayoutRow("lblLengthOpt", {120, 1160, 1212, 252}, "Length in Inches", {}, Qt::AlignRight);
    LayoutRow("txtLength", {600, 1440, 480, 315}, "48", " Select or enter the length in inches (1-240) ",
              Qt::AlignHCenter);
    LayoutRow("udLength", {1081, 1440, 255, 315}, {});
    LayoutRow("Label1", {120, 1920, 1332, 252}, "Scale Distance:", {}, Qt::AlignHCenter);
    LayoutRow("lblScaleDist", {120, 2160, 1332, 252}, "348 ft.", {}, Qt::AlignHCenter, 9.75, true);
    LayoutRow("fraTask", {3120, 120, 3252, 2652}, "Task");
    LayoutRow("optTvsS", {120, 360, 2052, 252}, "TIME vs. SPEED Table", " Generate a TIME vs SPEED table ");
    LayoutRow("optChkSpd", {120, 720, 1332, 252}, "Check Speed", " Calculate the scale speed for the run ");
    LayoutRow("cmdCreate", {2280, 360, 732, 252}, "Create", " Create the TIME vs SPEED table ");
    LayoutRow("lblET", {300, 1100, 1935, 255}, "Elapsed Time in Seconds:", {}, Qt::AlignRight);
    LayoutRow("lblTime", {2412, 1080, 345, 315}, "1", " Select the elapsed time for the run ", Qt::AlignHCenter);
    LayoutRow("udTime", {2757, 1080, 255, 315}, {});
    LayoutRow("lblYourSpeed", {120, 1920, 3012, 252}, "Your scale speed for the run was:", {}, Qt::AlignHCenter);
    LayoutRow("lblSpeed", {120, 2160, 3012, 252}, "237 mph", {}, Qt::AlignHCenter, 9.75, true);
    LayoutRow("cmdExit", {5160, 3120, 972, 372}, "Exit", {}, {}, 9.75, true);
    LayoutRow("lblVersion", {240, 3280, 1428, 192}, QStringLiteral("Trackpace v") + QLatin1String(TrackpaceVersion), " by the Trackpace developers ", Qt::AlignLeft);
}

void TestHome::controls()
{
    frmHome& home = Home();
    CompareWithLayout(Find<QWidget>(home, LayoutName()));
}

void TestHome::configurationChoice()
{
    frmHome& home = Home();
    QTest::mouseClick(Find<QRadioButton>(home, "optCircle"), Qt::LeftButton);
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->text(), QStringLiteral("48"));
    QCOMPARE(Find<QLabel>(home, "lblScaleDist")->text(), QStringLiteral("2186 ft."));
    QCOMPARE(Find<QLabel>(home, "lblLengthOpt")->text(), QStringLiteral("Radius in Inches"));
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->toolTip(), QStringLiteral(" Select or enter radius of track in inches (1-240) "));
    QTest::mouseClick(Find<QRadioButton>(home, "optStraight"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(home, "lblScaleDist")->text(), QStringLiteral("348 ft."));
    QCOMPARE(Find<QLabel>(home, "lblLengthOpt")->text(), QStringLiteral("Length in Inches"));
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->toolTip(), QStringLiteral(" Select or enter the length in inches (1-240) "));
}

void TestHome::extremes_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<bool>("circle");
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("distance");

    QTest::newRow("Z straight 1") << 1 << false << "1" << "18 ft.";
    QTest::newRow("Z straight 240") << 1 << false << "240" << "4400 ft.";
    QTest::newRow("G straight 1") << 6 << false << "1" << "1 ft.";
    QTest::newRow("G straight 240") << 6 << false << "240" << "450 ft.";
    QTest::newRow("Z circle 1") << 1 << true << "1" << "115 ft.";
    QTest::newRow("Z circle 240") << 1 << true << "240" << "27645 ft.";
    QTest::newRow("G circle 1") << 6 << true << "1" << "11 ft.";
    QTest::newRow("G circle 240") << 6 << true << "240" << "2827 ft.";
    QTest::newRow("N straight 1") << 2 << false << "1" << "13 ft.";
    QTest::newRow("S straight 48") << 4 << false << "48" << "256 ft.";
}

void TestHome::extremes()
{
    QFETCH(int, scale);
    QFETCH(bool, circle);
    QFETCH(QString, length);
    QFETCH(QString, distance);
    frmHome& home = Home();
    QTest::mouseClick(ScaleOptionAt(home, scale - 1), Qt::LeftButton);
    QTest::mouseClick(circle ? Find<QRadioButton>(home, "optCircle") : Find<QRadioButton>(home, "optStraight"), Qt::LeftButton);
    TypeLength(length);
    QCOMPARE(Find<QLabel>(home, "lblScaleDist")->text(), distance);
    QVERIFY(Session().boxes.boxes.empty());
}

void TestHome::typedLength_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("distance");

    QTest::newRow("decimals") << 3 << "7.5" << "54 ft.";
    QTest::newRow("trailing letter uses the leading number") << 3 << "12a" << "87 ft.";
    QTest::newRow("comma uses the leading number") << 3 << "1,5" << "7 ft.";
    QTest::newRow("exponent") << 3 << "1e2" << "725 ft.";
    // Z 1.8 in: 1.8 held as a float is 1.79999995, and 220 x 1.79999995 / 12 is
    // 32.9999991 in 64-bit arithmetic: 32 ft. (32-bit arithmetic would show 33).
    QTest::newRow("Z 1.8, the float's own value") << 1 << "1.8" << "32 ft.";
}

void TestHome::typedLength()
{
    QFETCH(int, scale);
    QFETCH(QString, typed);
    QFETCH(QString, distance);
    QTest::mouseClick(ScaleOptionAt(Home(), scale - 1), Qt::LeftButton);
    TypeLength(typed);
    QCOMPARE(Find<QLineEdit>(Home(), "txtLength")->text(), typed);
    QCOMPARE(Find<QLabel>(Home(), "lblScaleDist")->text(), distance);
    QVERIFY(Session().boxes.boxes.empty());
}

void TestHome::invalidEntry_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("distance");

    QTest::newRow("0 at once") << "0" << "48" << "348 ft.";
    QTest::newRow("241 after 24") << "241" << "24" << "174 ft.";
    QTest::newRow("exponent out of range") << "9e9" << "9" << "65 ft.";
    QTest::newRow("a sign alone reads as 0") << "-" << "48" << "348 ft.";
    QTest::newRow("letters read as 0") << "x" << "48" << "348 ft.";
}

void TestHome::invalidEntry()
{
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QFETCH(QString, distance);
    TypeLength(typed);
    QCOMPARE(Session().boxes.boxes.size(), std::size_t{1});
    const MessageBox::Request& box = Session().boxes.boxes.front();
    CheckBox(box, QStringLiteral("Invalid Entry"), MessageBox::Icon::Information);
    QCOMPARE(box.text, QStringLiteral("Value must be between 1 and 240."));
    QCOMPARE(Find<QLineEdit>(Home(), "txtLength")->text(), after);
    QCOMPARE(Find<QLabel>(Home(), "lblScaleDist")->text(), distance);
    QCOMPARE(QApplication::focusWidget(), Find<QLineEdit>(Home(), "txtLength"));
}

void TestHome::typingAfterInvalidEntryReplaces_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("distance");
    // "-" reads as 0: the box, 48 put back and selected; "1" then replaces it.
    QTest::newRow("-1") << "-1" << "1" << "7 ft.";
    // Each letter reads as 0 and each time 48 comes back, selected.
    QTest::newRow("abc") << "abc" << "48" << "348 ft.";
}

void TestHome::typingAfterInvalidEntryReplaces()
{
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QFETCH(QString, distance);
    TypeLength(typed);
    QCOMPARE(Find<QLineEdit>(Home(), "txtLength")->text(), after);
    QCOMPARE(Find<QLabel>(Home(), "lblScaleDist")->text(), distance);
}

void TestHome::messageComesBeforeTheCorrection()
{
    QString textAtBox;
    float distanceAtBox = -1.0F;
    Session().boxes.onShow = [&](const MessageBox::Request&) {
        textAtBox = Find<QLineEdit>(Home(), "txtLength")->text();
        distanceAtBox = General::ScaleDistance;
    };
    TypeLength(QStringLiteral("0"));
    QCOMPARE(textAtBox, QStringLiteral("0"));
    QCOMPARE(distanceAtBox, 0.0F);  // the empty entry left by clearing it
    QCOMPARE(General::ScaleDistance, 348.0F);
}

void TestHome::fourthCharacterCannotBeTyped()
{
    TypeLength(QStringLiteral("1234"));
    QCOMPARE(Find<QLineEdit>(Home(), "txtLength")->text(), QStringLiteral("123"));
    QCOMPARE(Find<QLabel>(Home(), "lblScaleDist")->text(), QStringLiteral("891 ft."));
}

void TestHome::clearedEntry()
{
    frmHome& home = Home();
    TypeLength(QString());
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->text(), QString());
    QCOMPARE(Find<QLabel>(home, "lblScaleDist")->text(), QStringLiteral("0 ft."));
    QCOMPARE(Find<QLabel>(home, "lblSpeed")->text(), QStringLiteral("0 mph"));
    QTest::mouseClick(ScaleOptionAt(home, 0), Qt::LeftButton);
    QTest::mouseClick(Find<QRadioButton>(home, "optCircle"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(home, "lblScaleDist")->text(), QStringLiteral("0 ft."));
    QVERIFY(Session().boxes.boxes.empty());
}

void TestHome::pastedLineBreaksAreDropped_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<bool>("dropped");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("distance");

    QTest::newRow("LF by Ctrl+V") << "1\n2" << false << "12" << "87 ft.";
    QTest::newRow("CR LF by Ctrl+V, then cut to three") << "1\r\n5" << false << "15" << "108 ft.";
    QTest::newRow("tab and CR") << "\t2\r4" << false << "24" << "174 ft.";
    QTest::newRow("dragged and dropped") << "4\n8" << true << "48" << "348 ft.";
}

void TestHome::pastedLineBreaksAreDropped()
{
    QFETCH(QString, pasted);
    QFETCH(bool, dropped);
    QFETCH(QString, entry);
    QFETCH(QString, distance);
    QLineEdit* box = Find<QLineEdit>(Home(), "txtLength");
    box->setFocus();
    box->selectAll();
    if (dropped) {
        QTest::keyClick(box, Qt::Key_Backspace);
        QMimeData data;
        data.setText(pasted);
        const QPoint at = box->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box, &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box, &drop);
    } else {
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keySequence(box, QKeySequence::Paste);
    }
    QCOMPARE(box->text(), entry);
    QCOMPARE(Find<QLabel>(Home(), "lblScaleDist")->text(), distance);
    // The table's information line stays one line.
    QTest::mouseClick(Find<QRadioButton>(Home(), "optTvsS"), Qt::LeftButton);
    QString info;
    WhenModalOpens([&info](QWidget* modal) {
        info = Find<QLabel>(*modal, "lblInfo1")->text();
        modal->close();
    });
    QTest::mouseClick(Find<QPushButton>(Home(), "cmdCreate"), Qt::LeftButton);
    QCOMPARE(info, QStringLiteral("Run Length:  %1 in.      Scale:  HO      Distance:  %2 scale ft.")
                       .arg(entry, distance.chopped(4)));
}

void TestHome::valueBoxesShowTheEntryWhite()
{
    // The elapsed time's box is painted in the colour of the length entry's field.
    frmHome& home = Home();
    const QColor entry = Find<QLineEdit>(home, "txtLength")->grab().toImage().pixelColor(3, Find<QLineEdit>(home, "txtLength")->height() / 2);
    const QImage box = Find<QLabel>(home, "lblTime")->grab().toImage();
    QCOMPARE(box.pixelColor(3, box.height() / 2), entry);
    QCOMPARE(entry, home.palette().color(QPalette::Base));
    QVERIFY(entry != home.palette().color(QPalette::Window));
}

void TestHome::focusedSpinnerShowsIt_data()
{
    QTest::addColumn<bool>("length");
    QTest::newRow("udLength") << true;
    QTest::newRow("udTime") << false;
}

void TestHome::focusedSpinnerShowsIt()
{
    QFETCH(bool, length);
    UpDown* spinner = length ? Find<UpDown>(Home(), "udLength") : Find<UpDown>(Home(), "udTime");
    Find<QPushButton>(Home(), "cmdExit")->setFocus();
    const QImage unfocused = spinner->grab().toImage();
    spinner->setFocus();
    QVERIFY(spinner->hasFocus());
    const QImage focused = spinner->grab().toImage();
    QVERIFY2(focused != unfocused, "the focused spinner looks like an unfocused one");
    // A frame in the highlight colour around the arrows.
    QCOMPARE(focused.pixelColor(0, focused.height() / 2), Home().palette().color(QPalette::Highlight));
}

void TestHome::noTooltipBeforeAConfiguration()
{
    frmHome fresh;
    QCOMPARE(Find<QLineEdit>(fresh, "txtLength")->toolTip(), QString());
    QCOMPARE(Find<QLabel>(fresh, "lblSpeed")->text(), QStringLiteral("mph"));
    QCOMPARE(Find<QLabel>(fresh, "lblScaleDist")->text(), QStringLiteral("ft."));
    QCOMPARE(Find<UpDown>(fresh, "udLength")->minimum(), 1);
    QCOMPARE(Find<UpDown>(fresh, "udLength")->maximum(), 240);
    for (std::size_t i = 0; i < 6; ++i) {
        QVERIFY(!ScaleOptionAt(fresh, i)->isChecked());
    }
}

void TestHome::lengthSpinner()
{
    frmHome& home = Home();
    QTest::mouseClick(Find<UpDown>(home, "udLength")->upButton(), Qt::LeftButton);
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->text(), QStringLiteral("49"));
    QCOMPARE(Find<QLabel>(home, "lblScaleDist")->text(), QStringLiteral("355 ft."));
    QTest::mouseClick(Find<UpDown>(home, "udLength")->downButton(), Qt::LeftButton);
    QTest::mouseClick(Find<UpDown>(home, "udLength")->downButton(), Qt::LeftButton);
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->text(), QStringLiteral("47"));
    Find<UpDown>(home, "udLength")->setFocus();
    QTest::keyClick(Find<UpDown>(home, "udLength"), Qt::Key_Up);
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->text(), QStringLiteral("48"));
    home.SetLength(240);
    QTest::mouseClick(Find<UpDown>(home, "udLength")->upButton(), Qt::LeftButton);
    QCOMPARE(Find<UpDown>(home, "udLength")->value(), 240);
    home.SetLength(1);
    QTest::mouseClick(Find<UpDown>(home, "udLength")->downButton(), Qt::LeftButton);
    QCOMPARE(Find<UpDown>(home, "udLength")->value(), 1);
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->text(), QStringLiteral("1"));
}

void TestHome::typedLengthMovesTheSpinner()
{
    frmHome& home = Home();
    TypeLength(QStringLiteral("100"));
    QCOMPARE(Find<UpDown>(home, "udLength")->value(), 100);
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->text(), QStringLiteral("100"));
    QTest::mouseClick(Find<UpDown>(home, "udLength")->upButton(), Qt::LeftButton);
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->text(), QStringLiteral("101"));
    TypeLength(QStringLiteral("0"));
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->text(), QStringLiteral("101"));
}

void TestHome::timeSpinner_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("length");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("speed");

    QTest::newRow("HO 48 in 10 s") << 3 << "48" << 10 << "23 mph";
    QTest::newRow("Z 12 in 10 s") << 1 << "12" << 10 << "14 mph";
    QTest::newRow("HO 48 in 1 s") << 3 << "48" << 1 << "237 mph";
    QTest::newRow("O 11 in 60 s") << 5 << "11" << 60 << "0 mph";
}

void TestHome::timeSpinner()
{
    QFETCH(int, scale);
    QFETCH(QString, length);
    QFETCH(int, seconds);
    QFETCH(QString, speed);
    frmHome& home = Home();
    QTest::mouseClick(ScaleOptionAt(home, scale - 1), Qt::LeftButton);
    TypeLength(length);
    for (int i = 1; i < seconds; ++i) {
        QTest::mouseClick(Find<UpDown>(home, "udTime")->upButton(), Qt::LeftButton);
    }
    QCOMPARE(Find<QLabel>(home, "lblTime")->text(), QString::number(seconds));
    QCOMPARE(Find<QLabel>(home, "lblSpeed")->text(), speed);
}

void TestHome::timeSpinnerStaysInRange()
{
    frmHome& home = Home();
    for (int i = 0; i < 70; ++i) {
        QTest::mouseClick(Find<UpDown>(home, "udTime")->upButton(), Qt::LeftButton);
    }
    QCOMPARE(Find<UpDown>(home, "udTime")->value(), 60);
    QCOMPARE(Find<QLabel>(home, "lblTime")->text(), QStringLiteral("60"));
    for (int i = 0; i < 70; ++i) {
        QTest::mouseClick(Find<UpDown>(home, "udTime")->downButton(), Qt::LeftButton);
    }
    QCOMPARE(Find<UpDown>(home, "udTime")->value(), 1);
    QCOMPARE(Find<QLabel>(home, "lblTime")->text(), QStringLiteral("1"));
}

void TestHome::taskSwitch()
{
    frmHome& home = Home();
    const QList<QWidget*> timeControls{Find<QLabel>(home, "lblET"), Find<QLabel>(home, "lblTime"), Find<UpDown>(home, "udTime"), Find<QLabel>(home, "lblYourSpeed"), Find<QLabel>(home, "lblSpeed")};
    QTest::mouseClick(Find<QRadioButton>(home, "optTvsS"), Qt::LeftButton);
    for (QWidget* control : timeControls) {
        QVERIFY(!control->isEnabled());
    }
    QVERIFY(Find<QPushButton>(home, "cmdCreate")->isEnabled());
    // Greyed, the speed still follows the distance.
    TypeLength(QStringLiteral("12"));
    QCOMPARE(Find<QLabel>(home, "lblSpeed")->text(), QStringLiteral("59 mph"));
    QTest::mouseClick(Find<QRadioButton>(home, "optChkSpd"), Qt::LeftButton);
    for (QWidget* control : timeControls) {
        QVERIFY(control->isEnabled());
    }
    QVERIFY(!Find<QPushButton>(home, "cmdCreate")->isEnabled());
    QCOMPARE(Find<QLabel>(home, "lblSpeed")->text(), QStringLiteral("59 mph"));
    QCOMPARE(Find<QLabel>(home, "lblET")->text(), QStringLiteral("Elapsed Time in Seconds:"));
}

void TestHome::infoLine_data()
{
    QTest::addColumn<bool>("circle");
    QTest::addColumn<bool>("insertBlank");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("line");

    QTest::newRow("HO straight 48") << false << false << "48"
                                    << "Run Length:  48 in.      Scale:  HO      Distance:  348 scale ft.";
    QTest::newRow("HO circle 18") << true << false << "18"
                                  << "Circle Radius:  18 in.      Scale:  HO      Distance:  819 scale ft.";
    QTest::newRow("decimals as typed") << false << false << "7.5"
                                       << "Run Length:  7.5 in.      Scale:  HO      Distance:  54 scale ft.";
    QTest::newRow("leading blank as typed") << false << true << "12"
                                            << "Run Length:   12 in.      Scale:  HO      Distance:  87 scale ft.";
    QTest::newRow("empty entry") << false << false << ""
                                 << "Run Length:   in.      Scale:  HO      Distance:  0 scale ft.";
}

void TestHome::infoLine()
{
    QFETCH(bool, circle);
    QFETCH(bool, insertBlank);
    QFETCH(QString, typed);
    QFETCH(QString, line);
    frmHome& home = Home();
    if (circle) {
        QTest::mouseClick(Find<QRadioButton>(home, "optCircle"), Qt::LeftButton);
    }
    TypeLength(typed);
    if (insertBlank) {
        QTest::keyClick(Find<QLineEdit>(home, "txtLength"), Qt::Key_Home);
        QTest::keyClick(Find<QLineEdit>(home, "txtLength"), Qt::Key_Space);
    }
    QTest::mouseClick(Find<QRadioButton>(home, "optTvsS"), Qt::LeftButton);
    QString shown;
    QString title;
    WhenModalOpens([&](QWidget* modal) {
        auto* table = qobject_cast<frmTvsS*>(modal);
        QVERIFY(table);
        shown = Find<QLabel>(*table, "lblInfo1")->text();
        title = table->windowTitle();
        QTest::mouseClick(Find<QPushButton>(*table, "cmdExit"), Qt::LeftButton);
    });
    QTest::mouseClick(Find<QPushButton>(home, "cmdCreate"), Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("Trackpace - Time vs. Speed Table"));
    QCOMPARE(shown, line);
    QVERIFY(Session().boxes.boxes.empty());
}

void TestHome::exitEndsWithoutWriting()
{
    const QByteArray before = [this] {
        QFile file(General::IniPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QEventLoop loop;
    QTimer::singleShot(0, &Home(), [this] { QTest::mouseClick(Find<QPushButton>(Home(), "cmdExit"), Qt::LeftButton); });
    QTimer::singleShot(5000, &loop, [&loop] { loop.exit(1); });
    QCOMPARE(loop.exec(), 0);
    QVERIFY(!Home().isVisible());
    QFile file(General::IniPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void TestHome::menusOpenTheirWindows_data()
{
    QTest::addColumn<int>("menu");
    QTest::addColumn<QString>("title");
    QTest::newRow("preferences") << 0 << "Trackpace - Preferences";
    QTest::newRow("about") << 1 << "About Trackpace";
}

void TestHome::menusOpenTheirWindows()
{
    QFETCH(int, menu);
    QFETCH(QString, title);
    QString seen;
    WhenModalOpens([&seen](QWidget* modal) {
        seen = modal->windowTitle();
        modal->close();
    });
    (menu == 0 ? Find<QAction>(Home(), "mnuPref") : Find<QAction>(Home(), "mnuHelpAbout"))->trigger();
    QCOMPARE(seen, title);
    QCOMPARE(ScaleOptionAt(Home(), 2)->isChecked(), true);
}

void TestHome::accessibleNames()
{
    frmHome& home = Home();
    QCOMPARE(Find<UpDown>(home, "udLength")->upButton()->accessibleName(), QStringLiteral("Up"));
    QCOMPARE(Find<UpDown>(home, "udTime")->downButton()->accessibleName(), QStringLiteral("Down"));
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->accessibleName(), QStringLiteral("Length in Inches"));
    QTest::mouseClick(Find<QRadioButton>(home, "optCircle"), Qt::LeftButton);
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->accessibleName(), QStringLiteral("Radius in Inches"));
}

void TestHome::tabOrder()
{
    frmHome& home = Home();
    ScaleOptionAt(home, 2)->setFocus();
    // One stop per option group, at its selected button; Create is disabled here.
    const QList<QWidget*> order{Find<QRadioButton>(home, "optStraight"), Find<UpDown>(home, "udLength"), Find<QRadioButton>(home, "optChkSpd"), Find<UpDown>(home, "udTime"),
                                Find<QPushButton>(home, "cmdExit"),     Find<QLineEdit>(home, "txtLength"), ScaleOptionAt(home, 2)};
    for (QWidget* expected : order) {
        QTest::keyClick(home.focusWidget(), Qt::Key_Tab);
        QCOMPARE(home.focusWidget(), expected);
    }
    QTest::mouseClick(Find<QRadioButton>(home, "optTvsS"), Qt::LeftButton);
    Find<UpDown>(home, "udLength")->setFocus();
    QTest::keyClick(home.focusWidget(), Qt::Key_Tab);
    QCOMPARE(home.focusWidget(), Find<QRadioButton>(home, "optTvsS"));
    QTest::keyClick(home.focusWidget(), Qt::Key_Tab);
    QCOMPARE(home.focusWidget(), Find<QPushButton>(home, "cmdCreate"));
}

QTEST_MAIN(TestHome)
#include "tst_home.moc"
