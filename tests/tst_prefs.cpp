// The preferences window: loading the defaults, choosing, Save, Cancel and a failed save.
#include "core/Files.h"
#include "core/General.h"
#include "settings/Settings.h"
#include "ui/Fonts.h"
#include "ui/ScaleGroup.h"
#include "ui/UpDown.h"
#include "ui/home/HomeHost.h"
#include "ui/home/frmHome.h"
#include "ui/prefs/frmPrefs.h"

#include "TestSupport.h"

#include <QtTest>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace {

// What Save writes for the window's choices as they stand.
QByteArray SavedBy(frmPrefs& prefs)
{
    Find<QPushButton>(prefs, "cmdSave")->click();
    return ReadAll(General::IniPath);
}

// Chooses N, Circle and 120 with clicks, as a user would.
void ChooseN120Circle(frmPrefs& prefs)
{
    QTest::mouseClick(ScaleOptionAt(prefs, 1), Qt::LeftButton);
    QTest::mouseClick(Find<QRadioButton>(prefs, "optCircle"), Qt::LeftButton);
    while (Find<UpDown>(prefs, "udDefLength")->value() < 120) {
        QTest::mouseClick(Find<UpDown>(prefs, "udDefLength")->upButton(), Qt::LeftButton);
    }
}

}  // namespace

class TestPrefs : public SessionTest {
    Q_OBJECT

private slots:
    void initTestCase();
    void controls_data();
    void controls();
    void window();
    void showsTheDefaultsAfterAStartWithoutFile();
    void saveWithoutChangeCreatesTheFile();
    void configurationKeepsTheNumber();
    void saveStoresTheChoices();
    void discarding_data();
    void discarding();
    void spinnerStaysInRange();
    void enterAndEscapeDoNothing_data();
    void enterAndEscapeDoNothing();

private:
    QByteArray StartingFile() const override { return {}; }
};

void TestPrefs::initTestCase()
{
    StartUpAsTheProgram();
}

void TestPrefs::controls_data()
{
    // The window as it opens after a start without settings: HO, Straight, 48.
    AddLayoutColumns();
    LayoutRow("cmdSave", {1800, 2400, 732, 372}, "Save", " Save new settings and exit ", {}, 8.25, true);
    LayoutRow("fraDistance", {1800, 120, 1572, 1932}, "Default Distance");
    LayoutRow("udDefLength", {1145, 1440, 195, 255}, {});
    LayoutRow("optStraight", {120, 360, 972, 252}, "Straight", " Straight run of track ");
    LayoutRow("optCircle", {120, 720, 972, 252}, "Circle", " Complete circle of track ");
    LayoutRow("lblDefLength", {710, 1440, 435, 255}, "48", " Select length of run in inches ", Qt::AlignHCenter);
    LayoutRow("lblLength", {120, 1200, 1212, 252}, "Length in Inches", {}, Qt::AlignRight);
    LayoutRow("cmdCancel", {2640, 2400, 732, 372}, "Cancel", " Discard changes and exit ", {}, 8.25, true);
    LayoutRow("fraScale", {240, 120, 1332, 2652}, "Default Scale");
    LayoutScaleRows(735);
}

void TestPrefs::controls()
{
    frmPrefs prefs(&Home());
    CompareWithLayout(Find<QWidget>(prefs, LayoutName()));
}

void TestPrefs::window()
{
    frmPrefs prefs(&Home());
    QCOMPARE(prefs.windowTitle(), QStringLiteral("Trackpace - Preferences"));
    QCOMPARE(prefs.size(), QSize(241, 202));
    QCOMPARE(prefs.minimumSize(), prefs.maximumSize());
    QVERIFY(!prefs.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!prefs.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(prefs.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QCOMPARE(prefs.font(), WindowFont());
    QVERIFY(!Find<QPushButton>(prefs, "cmdSave")->isDefault() && !Find<QPushButton>(prefs, "cmdSave")->autoDefault());
    QVERIFY(!Find<QPushButton>(prefs, "cmdCancel")->isDefault() && !Find<QPushButton>(prefs, "cmdCancel")->autoDefault());
    QStringList tags;
    for (std::size_t i = 0; i < 6; ++i) {
        tags << ScaleTag(ScaleOptionAt(prefs, i));
    }
    QCOMPARE(tags, (QStringList{"Z", "N", "HO", "S", "O", "G"}));
    QCOMPARE(Find<UpDown>(prefs, "udDefLength")->minimum(), 1);
    QCOMPARE(Find<UpDown>(prefs, "udDefLength")->maximum(), 240);
    prefs.show();
    prefs.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&prefs));
    QCOMPARE(prefs.focusWidget(), ScaleOptionAt(prefs, 2));
    // One stop per option group, at its selected button.
    for (QWidget* expected : {static_cast<QWidget*>(Find<QRadioButton>(prefs, "optStraight")), static_cast<QWidget*>(Find<UpDown>(prefs, "udDefLength")),
                              static_cast<QWidget*>(Find<QPushButton>(prefs, "cmdSave")), static_cast<QWidget*>(Find<QPushButton>(prefs, "cmdCancel")),
                              static_cast<QWidget*>(ScaleOptionAt(prefs, 2))}) {
        QTest::keyClick(prefs.focusWidget(), Qt::Key_Tab);
        QCOMPARE(prefs.focusWidget(), expected);
    }
}

void TestPrefs::showsTheDefaultsAfterAStartWithoutFile()
{
    frmPrefs prefs(&Home());
    QVERIFY(ScaleOptionAt(prefs, 2)->isChecked());
    QVERIFY(Find<QRadioButton>(prefs, "optStraight")->isChecked());
    QCOMPARE(Find<QLabel>(prefs, "lblDefLength")->text(), QStringLiteral("48"));
    QCOMPARE(Find<QLabel>(prefs, "lblLength")->text(), QStringLiteral("Length in Inches"));
    QCOMPARE(Find<QLabel>(prefs, "lblDefLength")->toolTip(), QStringLiteral(" Select length of run in inches "));
    QCOMPARE(SavedBy(prefs), DefaultsFile);
}

void TestPrefs::saveWithoutChangeCreatesTheFile()
{
    WhenModalOpens([](QWidget* modal) {
        QTest::mouseClick(Find<QPushButton>(*modal, "cmdSave"), Qt::LeftButton);
    });
    Find<QAction>(Home(), "mnuPref")->trigger();
    QCOMPARE(ReadAll(General::IniPath), DefaultsFile);
    QVERIFY(Session().boxes.boxes.empty());

    // The next start reads it without a word.
    ResetGeneral();
    General::SetIniFolder(PathBytes(Session().dir.path()));
    Session().host = std::make_unique<HomeHost>();
    LoadSettings(*Session().host);
    QVERIFY(Session().boxes.boxes.empty());
}

void TestPrefs::configurationKeepsTheNumber()
{
    frmPrefs prefs(&Home());
    prefs.show();
    QTest::mouseClick(Find<QRadioButton>(prefs, "optCircle"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(prefs, "lblLength")->text(), QStringLiteral("Radius in Inches"));
    QCOMPARE(Find<QLabel>(prefs, "lblDefLength")->toolTip(), QStringLiteral(" Select radius of track in inches "));
    QCOMPARE(Find<QLabel>(prefs, "lblDefLength")->text(), QStringLiteral("48"));
    QCOMPARE(SavedBy(prefs), QByteArray("[TRACKPACE]\r\nScale=HO\r\nTrackConfig=CIRCLE\r\nTrackLength=48\r\n"));
    QTest::mouseClick(Find<QRadioButton>(prefs, "optStraight"), Qt::LeftButton);
    QCOMPARE(Find<QLabel>(prefs, "lblLength")->text(), QStringLiteral("Length in Inches"));
    QCOMPARE(Find<QLabel>(prefs, "lblDefLength")->toolTip(), QStringLiteral(" Select length of run in inches "));
    QCOMPARE(SavedBy(prefs), DefaultsFile);
}

void TestPrefs::saveStoresTheChoices()
{
    frmHome& home = Home();
    WhenModalOpens([](QWidget* modal) {
        auto* prefs = qobject_cast<frmPrefs*>(modal);
        ChooseN120Circle(*prefs);
        QCOMPARE(Find<QLabel>(*prefs, "lblDefLength")->text(), QStringLiteral("120"));
        QTest::mouseClick(Find<QPushButton>(*prefs, "cmdSave"), Qt::LeftButton);
    });
    Find<QAction>(home, "mnuPref")->trigger();
    QCOMPARE(General::DefScale, QStringLiteral("N"));
    QCOMPARE(General::DefTrackConfig, QStringLiteral("CIRCLE"));
    QCOMPARE(General::DefLength, 120.0F);
    QCOMPARE(ReadAll(General::IniPath), QByteArray("[TRACKPACE]\r\nScale=N\r\nTrackConfig=CIRCLE\r\nTrackLength=120\r\n"));
    // The main window keeps what it shows until the next start.
    QVERIFY(ScaleOptionAt(home, 2)->isChecked());
    QVERIFY(Find<QRadioButton>(home, "optStraight")->isChecked());
    QCOMPARE(Find<QLineEdit>(home, "txtLength")->text(), QStringLiteral("48"));
    QCOMPARE(General::ScaleName, QStringLiteral("HO"));
    QCOMPARE(Find<QLabel>(home, "lblScaleDist")->text(), QStringLiteral("348 ft."));

    frmPrefs reopened(&home);
    QVERIFY(ScaleOptionAt(reopened, 1)->isChecked());
    QVERIFY(Find<QRadioButton>(reopened, "optCircle")->isChecked());
    QCOMPARE(Find<QLabel>(reopened, "lblDefLength")->text(), QStringLiteral("120"));
}

void TestPrefs::discarding_data()
{
    QTest::addColumn<bool>("closeControl");
    QTest::newRow("Cancel") << false;
    QTest::newRow("close control") << true;
}

void TestPrefs::discarding()
{
    QFETCH(bool, closeControl);
    WhenModalOpens([closeControl](QWidget* modal) {
        auto* prefs = qobject_cast<frmPrefs*>(modal);
        ChooseN120Circle(*prefs);
        if (closeControl) {
            prefs->close();
        } else {
            QTest::mouseClick(Find<QPushButton>(*prefs, "cmdCancel"), Qt::LeftButton);
        }
    });
    Find<QAction>(Home(), "mnuPref")->trigger();
    QCOMPARE(General::DefScale, QStringLiteral("HO"));
    QCOMPARE(General::DefTrackConfig, QStringLiteral("STRAIGHT"));
    QCOMPARE(General::DefLength, 48.0F);
    QVERIFY(!QFile::exists(General::IniPath));
    frmPrefs reopened(&Home());
    QVERIFY(ScaleOptionAt(reopened, 2)->isChecked());
    QVERIFY(Find<QRadioButton>(reopened, "optStraight")->isChecked());
    QCOMPARE(Find<QLabel>(reopened, "lblDefLength")->text(), QStringLiteral("48"));
}

void TestPrefs::spinnerStaysInRange()
{
    frmPrefs prefs(&Home());
    for (int i = 0; i < 250; ++i) {
        QTest::mouseClick(Find<UpDown>(prefs, "udDefLength")->upButton(), Qt::LeftButton);
    }
    QCOMPARE(Find<QLabel>(prefs, "lblDefLength")->text(), QStringLiteral("240"));
    QVERIFY(SavedBy(prefs).endsWith("TrackLength=240\r\n"));
    for (int i = 0; i < 250; ++i) {
        QTest::mouseClick(Find<UpDown>(prefs, "udDefLength")->downButton(), Qt::LeftButton);
    }
    QCOMPARE(Find<QLabel>(prefs, "lblDefLength")->text(), QStringLiteral("1"));
    QVERIFY(SavedBy(prefs).endsWith("TrackLength=1\r\n"));
}

void TestPrefs::enterAndEscapeDoNothing_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("onSave");
    QTest::newRow("Enter on Save") << int(Qt::Key_Return) << true;
    QTest::newRow("keypad Enter on Save") << int(Qt::Key_Enter) << true;
    QTest::newRow("Esc on Save") << int(Qt::Key_Escape) << true;
    QTest::newRow("Enter on a scale") << int(Qt::Key_Return) << false;
    QTest::newRow("Esc on a scale") << int(Qt::Key_Escape) << false;
}

void TestPrefs::enterAndEscapeDoNothing()
{
    QFETCH(int, key);
    QFETCH(bool, onSave);
    frmPrefs prefs(&Home());
    prefs.show();
    QVERIFY(QTest::qWaitForWindowActive(&prefs));
    QWidget* target = onSave ? static_cast<QWidget*>(Find<QPushButton>(prefs, "cmdSave")) : ScaleOptionAt(prefs, 0);
    target->setFocus();
    QTest::keyClick(target, static_cast<Qt::Key>(key));
    QVERIFY(prefs.isVisible());
    QCOMPARE(prefs.result(), 0);
    QVERIFY(!QFile::exists(General::IniPath));
}

QTEST_MAIN(TestPrefs)
#include "tst_prefs.moc"
