// The preferences window: loading the defaults, choosing, Save, Cancel and a failed save.
#include "core/General.h"
#include "settings/Settings.h"
#include "ui/Fonts.h"
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

#include <unistd.h>

namespace {

const QByteArray DefaultsFile = "[TRACKPACE]\r\nScale=HO\r\nTrackConfig=STRAIGHT\r\nTrackLength=48\r\n";

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Chooses N, Circle and 120 with clicks, as a user would.
void ChooseN120Circle(frmPrefs& prefs)
{
    QTest::mouseClick(prefs.optScale.at(1), Qt::LeftButton);
    QTest::mouseClick(prefs.optCircle, Qt::LeftButton);
    while (prefs.udDefLength->value() < 120) {
        QTest::mouseClick(prefs.udDefLength->upButton(), Qt::LeftButton);
    }
}

}  // namespace

class TestPrefs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
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
    void failedSaveIsReported();

private:
    std::unique_ptr<TestSession> session_;
};

void TestPrefs::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    StartUpAsTheProgram();
}

void TestPrefs::init()
{
    session_ = std::make_unique<TestSession>();
    QVERIFY(session_->Start());
    QCOMPARE(General::DefScale, QStringLiteral("HO"));
}

void TestPrefs::cleanup()
{
    session_.reset();
    QVERIFY2(!ModalTimedOut(), "a modal window was left open");
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
    frmPrefs prefs(&session_->host->Home());
    QMap<QString, QWidget*> controls{{"cmdSave", prefs.cmdSave},         {"fraDistance", prefs.fraDistance},
                                     {"udDefLength", prefs.udDefLength}, {"optStraight", prefs.optStraight},
                                     {"optCircle", prefs.optCircle},     {"lblDefLength", prefs.lblDefLength},
                                     {"lblLength", prefs.lblLength},     {"cmdCancel", prefs.cmdCancel},
                                     {"fraScale", prefs.fraScale}};
    for (int i = 0; i < 6; ++i) {
        controls.insert(QStringLiteral("optScale%1").arg(i + 1), prefs.optScale.at(i));
    }
    CompareWithLayout(controls.value(LayoutName()));
}

void TestPrefs::window()
{
    frmPrefs prefs(&session_->host->Home());
    QCOMPARE(prefs.windowTitle(), QStringLiteral("Trackpace - Preferences"));
    QCOMPARE(prefs.size(), QSize(241, 202));
    QCOMPARE(prefs.minimumSize(), prefs.maximumSize());
    QVERIFY(!prefs.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!prefs.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(prefs.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QCOMPARE(prefs.font(), WindowFont());
    QVERIFY(!prefs.cmdSave->isDefault() && !prefs.cmdSave->autoDefault());
    QVERIFY(!prefs.cmdCancel->isDefault() && !prefs.cmdCancel->autoDefault());
    QStringList tags;
    for (QRadioButton* option : prefs.optScale) {
        tags << option->property("tag").toString();
    }
    QCOMPARE(tags, (QStringList{"Z", "N", "HO", "S", "O", "G"}));
    QCOMPARE(prefs.udDefLength->minimum(), 1);
    QCOMPARE(prefs.udDefLength->maximum(), 240);
    prefs.show();
    prefs.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&prefs));
    QCOMPARE(prefs.focusWidget(), prefs.optScale.at(2));
    // One stop per option group, at its selected button.
    for (QWidget* expected : {static_cast<QWidget*>(prefs.optStraight), static_cast<QWidget*>(prefs.udDefLength),
                              static_cast<QWidget*>(prefs.cmdSave), static_cast<QWidget*>(prefs.cmdCancel),
                              static_cast<QWidget*>(prefs.optScale.at(2))}) {
        QTest::keyClick(prefs.focusWidget(), Qt::Key_Tab);
        QCOMPARE(prefs.focusWidget(), expected);
    }
}

void TestPrefs::showsTheDefaultsAfterAStartWithoutFile()
{
    frmPrefs prefs(&session_->host->Home());
    QVERIFY(prefs.optScale.at(2)->isChecked());
    QVERIFY(prefs.optStraight->isChecked());
    QCOMPARE(prefs.lblDefLength->text(), QStringLiteral("48"));
    QCOMPARE(prefs.lblLength->text(), QStringLiteral("Length in Inches"));
    QCOMPARE(prefs.lblDefLength->toolTip(), QStringLiteral(" Select length of run in inches "));
    QCOMPARE(prefs.NewScale, QStringLiteral("HO"));
    QCOMPARE(prefs.NewTrackConfig, QStringLiteral("STRAIGHT"));
    QCOMPARE(int(prefs.NewLength), 48);
}

void TestPrefs::saveWithoutChangeCreatesTheFile()
{
    WhenModalOpens([](QWidget* modal) {
        QTest::mouseClick(qobject_cast<frmPrefs*>(modal)->cmdSave, Qt::LeftButton);
    });
    session_->host->Home().mnuPref->trigger();
    QCOMPARE(ReadAll(General::IniPath), DefaultsFile);
    QVERIFY(session_->boxes.boxes.empty());

    // The next start reads it without a word.
    ResetGeneral();
    General::IniPath = session_->dir.filePath(QStringLiteral("Trackpace.ini"));
    session_->host = std::make_unique<HomeHost>();
    LoadSettings(*session_->host);
    QVERIFY(session_->boxes.boxes.empty());
}

void TestPrefs::configurationKeepsTheNumber()
{
    frmPrefs prefs(&session_->host->Home());
    prefs.show();
    QTest::mouseClick(prefs.optCircle, Qt::LeftButton);
    QCOMPARE(prefs.lblLength->text(), QStringLiteral("Radius in Inches"));
    QCOMPARE(prefs.lblDefLength->toolTip(), QStringLiteral(" Select radius of track in inches "));
    QCOMPARE(prefs.lblDefLength->text(), QStringLiteral("48"));
    QCOMPARE(prefs.NewTrackConfig, QStringLiteral("CIRCLE"));
    QTest::mouseClick(prefs.optStraight, Qt::LeftButton);
    QCOMPARE(prefs.lblLength->text(), QStringLiteral("Length in Inches"));
    QCOMPARE(prefs.lblDefLength->toolTip(), QStringLiteral(" Select length of run in inches "));
    QCOMPARE(prefs.NewTrackConfig, QStringLiteral("STRAIGHT"));
}

void TestPrefs::saveStoresTheChoices()
{
    frmHome& home = session_->host->Home();
    WhenModalOpens([](QWidget* modal) {
        auto* prefs = qobject_cast<frmPrefs*>(modal);
        ChooseN120Circle(*prefs);
        QCOMPARE(prefs->lblDefLength->text(), QStringLiteral("120"));
        QTest::mouseClick(prefs->cmdSave, Qt::LeftButton);
    });
    home.mnuPref->trigger();
    QCOMPARE(General::DefScale, QStringLiteral("N"));
    QCOMPARE(General::DefTrackConfig, QStringLiteral("CIRCLE"));
    QCOMPARE(General::DefLength, 120.0F);
    QCOMPARE(ReadAll(General::IniPath), QByteArray("[TRACKPACE]\r\nScale=N\r\nTrackConfig=CIRCLE\r\nTrackLength=120\r\n"));
    // The main window keeps what it shows until the next start.
    QVERIFY(home.optScale.at(2)->isChecked());
    QVERIFY(home.optStraight->isChecked());
    QCOMPARE(home.txtLength->text(), QStringLiteral("48"));
    QCOMPARE(General::ScaleName, QStringLiteral("HO"));
    QCOMPARE(home.lblScaleDist->text(), QStringLiteral("348 ft."));

    frmPrefs reopened(&home);
    QVERIFY(reopened.optScale.at(1)->isChecked());
    QVERIFY(reopened.optCircle->isChecked());
    QCOMPARE(reopened.lblDefLength->text(), QStringLiteral("120"));
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
            QTest::mouseClick(prefs->cmdCancel, Qt::LeftButton);
        }
    });
    session_->host->Home().mnuPref->trigger();
    QCOMPARE(General::DefScale, QStringLiteral("HO"));
    QCOMPARE(General::DefTrackConfig, QStringLiteral("STRAIGHT"));
    QCOMPARE(General::DefLength, 48.0F);
    QVERIFY(!QFile::exists(General::IniPath));
    frmPrefs reopened(&session_->host->Home());
    QVERIFY(reopened.optScale.at(2)->isChecked());
    QVERIFY(reopened.optStraight->isChecked());
    QCOMPARE(reopened.lblDefLength->text(), QStringLiteral("48"));
}

void TestPrefs::spinnerStaysInRange()
{
    frmPrefs prefs(&session_->host->Home());
    for (int i = 0; i < 250; ++i) {
        QTest::mouseClick(prefs.udDefLength->upButton(), Qt::LeftButton);
    }
    QCOMPARE(prefs.lblDefLength->text(), QStringLiteral("240"));
    QCOMPARE(int(prefs.NewLength), 240);
    for (int i = 0; i < 250; ++i) {
        QTest::mouseClick(prefs.udDefLength->downButton(), Qt::LeftButton);
    }
    QCOMPARE(prefs.lblDefLength->text(), QStringLiteral("1"));
    QCOMPARE(int(prefs.NewLength), 1);
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
    frmPrefs prefs(&session_->host->Home());
    prefs.show();
    QVERIFY(QTest::qWaitForWindowActive(&prefs));
    QWidget* target = onSave ? static_cast<QWidget*>(prefs.cmdSave) : prefs.optScale.at(0);
    target->setFocus();
    QTest::keyClick(target, static_cast<Qt::Key>(key));
    QVERIFY(prefs.isVisible());
    QCOMPARE(prefs.result(), 0);
    QVERIFY(!QFile::exists(General::IniPath));
}

void TestPrefs::failedSaveIsReported()
{
    QFile old(General::IniPath);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("; my own notes\r\nScale=G\r\n");
    old.close();
    const QByteArray before = ReadAll(General::IniPath);

    // A read-only file in a read-only directory where that stops us; root writes
    // anyway, so there a file size limit makes the write fail half way instead.
    const bool root = ::geteuid() == 0;
    if (!root) {
        QVERIFY(QFile::setPermissions(General::IniPath, QFile::ReadOwner));
        QVERIFY(QFile::setPermissions(session_->dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    }
    frmPrefs prefs(&session_->host->Home());
    prefs.show();
    QTest::mouseClick(prefs.optScale.at(1), Qt::LeftButton);
    {
        const std::unique_ptr<FileSizeLimit> full = root ? std::make_unique<FileSizeLimit>(10) : nullptr;
        QTest::mouseClick(prefs.cmdSave, Qt::LeftButton);
    }
    QFile::setPermissions(session_->dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(session_->boxes.boxes.size(), std::size_t{1});
    const MessageBox::Request& box = session_->boxes.boxes.front();
    QCOMPARE(box.title, QStringLiteral("Trackpace"));
    QCOMPARE(box.icon, MessageBox::Icon::Exclamation);
    QVERIFY(box.text.startsWith(QStringLiteral("The defaults could not be saved to\r") + General::IniPath + u'\r'));
    QVERIFY(box.text.size() > QStringLiteral("The defaults could not be saved to\r\r").size() + General::IniPath.size());
    QCOMPARE(ReadAll(General::IniPath), before);
    QVERIFY(!prefs.isVisible());
    QCOMPARE(General::DefScale, QStringLiteral("N"));
}

QTEST_MAIN(TestPrefs)
#include "tst_prefs.moc"
