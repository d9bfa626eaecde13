// Windows itself: the registry lookup of the information tool end to end, the root key, where the settings go.
#include "core/Files.h"
#include "core/General.h"
#include "settings/Settings.h"
#include "settings/Startup.h"
#include "ui/about/Registry.h"
#include "ui/about/SysInfo.h"
#include "ui/about/frmAbout.h"
#include "ui/home/frmHome.h"

#include "TestSupport.h"

#include <QtTest>
#include <QProcess>
#include <QPushButton>

#include <windows.h>

namespace {

const QString MsinfoKey = QStringLiteral("HKLM\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString LocationKey = QStringLiteral("HKLM\\SOFTWARE\\Microsoft\\Shared Tools Location");

// The system's own reg.exe, as an administrator sets the values up.
int Reg(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("reg"), arguments);
}

}  // namespace

class TestWindows : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rootKeyIsTheSystemsOwn();
    void systemInfo_data();
    void systemInfo();
    void settingsPlaces();
    void hiddenSettingsFile_data();
    void hiddenSettingsFile();

private:
    std::unique_ptr<MessageRecorder> boxes_;
    QString mark_;
};

void TestWindows::init()
{
    ResetGeneral();
    boxes_ = std::make_unique<MessageRecorder>();
    mark_ = QCoreApplication::applicationDirPath() + QStringLiteral("/started");
    QFile::remove(mark_);
    Reg({"delete", MsinfoKey, "/f"});
    Reg({"delete", LocationKey, "/f"});
}

void TestWindows::cleanup()
{
    Reg({"delete", MsinfoKey, "/f"});
    Reg({"delete", LocationKey, "/f"});
    boxes_.reset();
    QVERIFY2(!ModalTimedOut(), "a modal window was left open");
}

void TestWindows::rootKeyIsTheSystemsOwn()
{
    // The header's HKEY_LOCAL_MACHINE, sign-extended on 64-bit Windows.
    QCOMPARE(LocalMachineRoot(), reinterpret_cast<Registry::Key>(HKEY_LOCAL_MACHINE));
    QCOMPARE(quint64(LocalMachineRoot()), quint64(0xFFFFFFFF80000002ULL));
}

void TestWindows::systemInfo_data()
{
    QTest::addColumn<QString>("key");      // the location set, or none
    QTest::addColumn<QString>("value");    // its value: {exe} is the stand-in, {dir} its folder
    QTest::addColumn<bool>("started");

    QTest::newRow("first location: the tool's path") << MsinfoKey << "{exe}" << true;
    QTest::newRow("second location: the tool's folder") << LocationKey << "{dir}" << true;
    QTest::newRow("second location without the tool") << LocationKey << "C:\\windows" << false;
    QTest::newRow("first location naming nothing") << MsinfoKey << "C:\\No\\Such\\MSINFO32.EXE" << false;
    QTest::newRow("neither location") << QString() << QString() << false;
}

void TestWindows::systemInfo()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, started);
    const QString folder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    value.replace(QStringLiteral("{exe}"), folder + QStringLiteral("\\MSINFO32.EXE"));
    value.replace(QStringLiteral("{dir}"), folder);
    if (!key.isEmpty()) {
        const QString name = key == MsinfoKey ? QStringLiteral("PATH") : QStringLiteral("MSINFO");
        QCOMPARE(Reg({"add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f"}), 0);
    }
    frmAbout about(nullptr);
    about.show();
    QTest::mouseClick(Find<QPushButton>(about, "cmdSysInfo"), Qt::LeftButton);
    if (started) {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(mark_), 10000);
        QVERIFY(boxes_->boxes.empty());
    } else {
        QCOMPARE(boxes_->Texts(), QStringList{"System Information Is Unavailable At This Time"});
        QTest::qWait(500);
        QVERIFY(!QFile::exists(mark_));
    }
    QVERIFY(about.isVisible());
}

void TestWindows::settingsPlaces()
{
    // The copy from the zip keeps its settings beside itself; the installed copy in
    // the user's %APPDATA%\Trackpace. Both are shown with Windows' own separators.
    HomeHost beside;
    General::Main(beside, SettingsPlace::BesideExecutable);
    QCOMPARE(General::IniPath,
             QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + QStringLiteral("\\Trackpace.ini"));
    beside.Home().close();
    ResetGeneral();
    HomeHost installed;
    General::Main(installed, SettingsPlace::UserConfiguration);
    const QString appData = QDir::toNativeSeparators(qEnvironmentVariable("APPDATA"));
    QCOMPARE(General::IniPath, appData + QStringLiteral("\\Trackpace\\Trackpace.ini"));
    QVERIFY(boxes_->Texts().contains(General::IniPath + QStringLiteral(" not found . . . using program defaults.")));
    installed.Home().close();
}

void TestWindows::hiddenSettingsFile_data()
{
    // What the user marked the file with (attrib +h, +s): it is read as any file, and
    // Save keeps the marks.
    QTest::addColumn<int>("attributes");
    QTest::newRow("hidden") << int(FILE_ATTRIBUTE_HIDDEN);
    QTest::newRow("system") << int(FILE_ATTRIBUTE_SYSTEM);
    QTest::newRow("hidden and read by all") << int(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
}

void TestWindows::hiddenSettingsFile()
{
    QFETCH(int, attributes);
    const QTemporaryDir dir;
    General::SetIniFolder(PathBytes(dir.path()));
    {
        QFile file(General::IniPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[TRACKPACE]\r\nScale=N\r\nTrackConfig=CIRCLE\r\nTrackLength=30\r\n");
    }
    const auto native = [](const QString& path) { return reinterpret_cast<const wchar_t*>(path.utf16()); };
    QVERIFY(SetFileAttributesW(native(General::IniPath), static_cast<DWORD>(attributes)));
    const std::unique_ptr<HomeHost> host = StartProgram(*boxes_);
    QVERIFY2(boxes_->boxes.empty(), qPrintable(boxes_->Texts().join(u'|')));
    QCOMPARE(General::DefScale, QStringLiteral("N"));
    QCOMPARE(General::DefLength, 30.0F);
    General::DefScale = QStringLiteral("HO");
    QVERIFY(WriteSettingsFile().ok);
    QCOMPARE(ReadAll(General::IniPath), QByteArray("[TRACKPACE]\r\nScale=HO\r\nTrackConfig=CIRCLE\r\nTrackLength=30\r\n"));
    const DWORD kept = GetFileAttributesW(native(General::IniPath));
    constexpr DWORD Marks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    QCOMPARE(kept & Marks, static_cast<DWORD>(attributes) & Marks);
    SetFileAttributesW(native(General::IniPath), FILE_ATTRIBUTE_NORMAL);
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
