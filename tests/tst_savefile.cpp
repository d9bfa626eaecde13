// The settings file on a hostile file system: what Save may write, where the file lives, reading without waiting.
#include "core/Files.h"
#include "core/General.h"
#include "core/Process.h"
#include "core/ProgramFolders.h"
#include "settings/Settings.h"
#include "settings/Startup.h"
#include "ui/home/HomeHost.h"
#include "ui/home/frmHome.h"
#include "ui/prefs/frmPrefs.h"

#include "PosixSupport.h"

#include "TestSupport.h"

#include <QtTest>
#include <QPushButton>
#include <QRadioButton>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <future>
#include <thread>

namespace {

const QByteArray NFile = "[TRACKPACE]\r\nScale=N\r\nTrackConfig=STRAIGHT\r\nTrackLength=48\r\n";
constexpr uid_t Nobody = 65534;

QByteArray Native(const QString& path)
{
    return PathBytes(path);
}

QByteArray ReadBytes(const QByteArray& path)
{
    QFile file(PathText(path));
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        return "<unreadable>";
    }
    return file.readAll();
}

bool WriteBytes(const QByteArray& path, const QByteArray& bytes, mode_t mode = 0644)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::write(fd, bytes.constData(), bytes.size()) == bytes.size();
    return ::close(fd) == 0 && ok;
}

struct stat LinkStat(const QByteArray& path)
{
    struct stat st {};
    ::lstat(path.constData(), &st);
    return st;
}

// What stands at a path, compared before and after a Save.
QString Fingerprint(const QByteArray& path)
{
    const struct stat st = LinkStat(path);
    return QStringLiteral("type %1 inode %2 mode %3 device %4 owner %5")
        .arg(st.st_mode & S_IFMT).arg(st.st_ino).arg(st.st_mode & 07777).arg(st.st_rdev).arg(st.st_uid);
}

// Runs `work` as an ordinary user: as is when the test is not root, else in a child
// process that has given up root for nobody. The result is `work`'s, 0 to 255.
int AsOrdinaryUser(const std::function<int()>& work)
{
    if (::geteuid() != 0) {
        return work();
    }
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(Nobody) == 0 && ::setuid(Nobody) == 0;
        ::_exit(dropped ? work() : 99);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

}  // namespace

class TestSaveFile : public SessionTest {
    Q_OBJECT

private slots:
    void saveLeavesWhatIsNotAFile_data();
    void saveLeavesWhatIsNotAFile();
    void linkToAFileIsWrittenThrough();
    void readOnlyFolderSavesInPlace_data();
    void readOnlyFolderSavesInPlace();
    void readOnlyFileIsLeftAlone();
    void startWhereTheFileIsAFifo();
    void folderThatTakesNothing();
    void failedSaveIsReported();
    void folderNearThePathLimit();
    void newFileAndItsFolders();
    void fullFileSizeLimitIsAFailedSave();
    void readingRefusesWhatIsNotAFile_data();
    void readingRefusesWhatIsNotAFile();
    void executableFolder_data();
    void executableFolder();
    void executableFolderUnknown();
    void folderNameThatIsNotText();
    void noFolderReadsAndWritesNothing();
    void userConfigurationFolder_data();
    void userConfigurationFolder();
    void userConfigurationFolderOfTheAccount();
    void installedCopyKeepsItsSettingsInTheConfigurationFolder();

private:
    QByteArray StartingFile() const override { return {}; }
    QByteArray IniPath() const { return Native(General::IniPath); }
    // Opens the preferences, chooses N and presses Save, as a user would.
    void SaveN();

};

void TestSaveFile::SaveN()
{
    WhenModalOpens([](QWidget* modal) {
        auto* prefs = qobject_cast<frmPrefs*>(modal);
        QTest::mouseClick(ScaleOptionAt(*prefs, 1), Qt::LeftButton);
        QTest::mouseClick(Find<QPushButton>(*prefs, "cmdSave"), Qt::LeftButton);
    });
    Find<QAction>(Home(), "mnuPref")->trigger();
}

void TestSaveFile::saveLeavesWhatIsNotAFile_data()
{
    QTest::addColumn<QString>("thing");
    QTest::addColumn<bool>("throughLink");
    QTest::addColumn<QString>("named");

    QTest::newRow("a device node") << "device" << false << "a character device";
    QTest::newRow("a link to a device node") << "device" << true << "which is a character device";
    QTest::newRow("a FIFO") << "fifo" << false << "a named pipe (FIFO)";
    QTest::newRow("a link to a FIFO") << "fifo" << true << "which is a named pipe (FIFO)";
    QTest::newRow("a socket") << "socket" << false << "a socket";
    QTest::newRow("a folder") << "folder" << false << "a folder";
    QTest::newRow("a link to a folder") << "folder" << true << "which is a folder";
    QTest::newRow("a dangling link") << "nothing" << true << "where nothing is";
    QTest::newRow("a link loop") << "loop" << false << "leads round in a loop";
}

void TestSaveFile::saveLeavesWhatIsNotAFile()
{
    QFETCH(QString, thing);
    QFETCH(bool, throughLink);
    QFETCH(QString, named);
    const QByteArray elsewhere = Native(Session().dir.filePath(QStringLiteral("elsewhere")));
    const QByteArray made = throughLink ? elsewhere : IniPath();
    int result = 0;
    if (thing == u"device") {
        // The same device as /dev/null, made here; only a privileged test can.
        result = ::mknod(made.constData(), S_IFCHR | 0666, ::makedev(1, 3));
        if (result != 0) {
            QSKIP("no device node can be made here");
        }
    } else if (thing == u"fifo") {
        result = ::mkfifo(made.constData(), 0666);
    } else if (thing == u"folder") {
        result = ::mkdir(made.constData(), 0755);
    } else if (thing == u"socket") {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, made.constData(), sizeof address.sun_path - 1);
        result = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::close(fd);
    } else if (thing == u"loop") {
        result = ::symlink("Trackpace.ini", made.constData());
    }
    QCOMPARE(result, 0);
    if (throughLink) {
        QCOMPARE(::symlink(elsewhere.constData(), IniPath().constData()), 0);
    }
    const QString before = Fingerprint(made);
    const QString linkBefore = Fingerprint(IniPath());

    SaveN();

    QCOMPARE(Session().boxes.boxes.size(), std::size_t{1});
    const MessageBox::Request& box = Session().boxes.boxes.front();
    CheckBox(box, QStringLiteral("Trackpace"), MessageBox::Icon::Exclamation);
    QVERIFY2(box.text.startsWith(QStringLiteral("The defaults could not be saved to\r") + General::IniPath + u'\r'),
             qPrintable(box.text));
    QVERIFY2(box.text.contains(named), qPrintable(box.text));
    QVERIFY2(box.text.endsWith(QStringLiteral("It was left as it is.")), qPrintable(box.text));
    QCOMPARE(Fingerprint(made), before);
    QCOMPARE(Fingerprint(IniPath()), linkBefore);
    // Nothing beside it either: no temporary file left behind.
    QVERIFY2(FilesIn(Session().dir.path()).filter(QStringLiteral(".tmp")).isEmpty(),
             qPrintable(FilesIn(Session().dir.path()).join(u' ')));
}

void TestSaveFile::linkToAFileIsWrittenThrough()
{
    // The user's own file in another folder, reached through a link named Trackpace.ini.
    QTemporaryDir other;
    const QByteArray target = Native(other.filePath(QStringLiteral("my-defaults.ini")));
    QVERIFY(WriteBytes(target, DefaultsFile, 0640));
    QCOMPARE(::chmod(target.constData(), 0640), 0);
    if (::geteuid() == 0) {
        // Root saving another user's file must leave it that user's.
        QCOMPARE(::chown(target.constData(), Nobody, Nobody), 0);
    }
    QCOMPARE(::symlink(target.constData(), IniPath().constData()), 0);
    const struct stat before = LinkStat(target);

    SaveN();

    QVERIFY2(Session().boxes.boxes.empty(), qPrintable(Session().boxes.Texts().join(u'|')));
    QCOMPARE(ReadBytes(target), NFile);
    const struct stat link = LinkStat(IniPath());
    QVERIFY(S_ISLNK(link.st_mode));
    QCOMPARE(QFile::symLinkTarget(General::IniPath), PathText(target));
    const struct stat after = LinkStat(target);
    QCOMPARE(after.st_mode & 07777, mode_t{0640});
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    QCOMPARE(FilesIn(other.path()), QStringList{"my-defaults.ini"});
    QCOMPARE(FilesIn(Session().dir.path()), QStringList{"Trackpace.ini"});
}

void TestSaveFile::readOnlyFolderSavesInPlace_data()
{
    QTest::addColumn<mode_t>("folderMode");
    QTest::addColumn<bool>("fileOfAnother");
    QTest::addColumn<int>("failure");  // 0 none, else the bytes after which writing fails
    QTest::addColumn<QString>("reason");
    QTest::newRow("read-only folder") << mode_t{0555} << false << 0 << "";
    QTest::newRow("sticky folder, another user's writable file") << mode_t{01777} << true << 0 << "";
    // The new text is 63 bytes; the limit is known before anything is written.
    QTest::newRow("file size limit of 20 bytes") << mode_t{0555} << false << 20 << "File too large.";
    // A write that fails part way (an I/O error): the damaged start is put back.
    QTest::newRow("write fails after 30 bytes") << mode_t{0555} << false << 30
                                                << "Input/output error. The old settings were put back as they were.";
}

void TestSaveFile::readOnlyFolderSavesInPlace()
{
    QFETCH(mode_t, folderMode);
    QFETCH(bool, fileOfAnother);
    QFETCH(int, failure);
    QFETCH(QString, reason);
    const bool root = ::geteuid() == 0;
    if (fileOfAnother && !root) {
        QSKIP("only root can give a file to another user");
    }
    // The saver is an ordinary user (nobody when the test is root): the folder takes
    // no new file of theirs, or lets them not replace the file, yet the file is
    // writable to them.
    const QByteArray old = DefaultsFile + "; kept\r\n";
    QVERIFY(WriteBytes(IniPath(), old, 0666));
    QCOMPARE(::chmod(IniPath().constData(), fileOfAnother ? 0666 : 0644), 0);
    if (root && !fileOfAnother) {
        QCOMPARE(::chown(IniPath().constData(), Nobody, Nobody), 0);
    }
    const QByteArray folder = Native(Session().dir.path());
    QCOMPARE(::chmod(folder.constData(), folderMode), 0);
    const struct stat before = LinkStat(IniPath());
    General::DefScale = QStringLiteral("N");
    General::DefTrackConfig = QStringLiteral("STRAIGHT");
    General::DefLength = 48.0F;

    const int saved = AsOrdinaryUser([failure, reason] {
        IgnoreFileSizeSignal();
        if (failure == 0) {
            return WriteSettingsFile().ok ? 0 : 1;
        }
        std::optional<FileSizeLimit> limit;
        ContentWrite write = WriteContent;
        if (reason.startsWith(u"File too large")) {
            limit.emplace(static_cast<rlim_t>(failure));
        } else {
            write = [failure](QFileDevice& file, QByteArrayView bytes, qint64& written) {
                WriteAll(file, bytes.first(failure), &written);
                return std::optional<QString>(QStringLiteral("Input/output error"));
            };
        }
        const WriteResult result = WriteOwnFile(General::IniPathNative.isEmpty() ? PathBytes(General::IniPath)
                                                                                 : General::IniPathNative,
                                                "[TRACKPACE]\r\nScale=N\r\nTrackConfig=STRAIGHT\r\nTrackLength=48\r\n",
                                                write);
        return !result.ok && result.reason == reason ? 0 : 1;
    });
    ::chmod(folder.constData(), 0700);

    QCOMPARE(saved, 0);
    QCOMPARE(ReadBytes(IniPath()), failure == 0 ? NFile : old);
    const struct stat after = LinkStat(IniPath());
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(FilesIn(Session().dir.path()), QStringList{"Trackpace.ini"});
}

void TestSaveFile::readOnlyFileIsLeftAlone()
{
    // Made read-only by its user, in a folder that would take a replacement.
    QVERIFY(WriteBytes(IniPath(), DefaultsFile, 0444));
    QCOMPARE(::chmod(IniPath().constData(), 0444), 0);
    SaveN();
    QCOMPARE(Session().boxes.Texts(),
             QStringList{QStringLiteral("The defaults could not be saved to\r%1\rThe file is read-only. It was left "
                                        "as it is.")
                             .arg(General::IniPath)});
    QCOMPARE(ReadBytes(IniPath()), DefaultsFile);
    QCOMPARE(LinkStat(IniPath()).st_mode & 07777, mode_t{0444});
}

void TestSaveFile::folderNearThePathLimit()
{
    // A folder whose path is 4,075 bytes: its Trackpace.ini (4,089) is within the
    // system's limit of 4,096, a temporary name beside it would not be.
    QByteArray folder = Native(Session().dir.path());
    while (folder.size() < 4075) {
        folder += '/' + QByteArray(std::min<qsizetype>(200, 4075 - folder.size() - 1), 'd');
        QCOMPARE(::mkdir(folder.constData(), 0700), 0);
    }
    QCOMPARE(folder.size(), 4075);
    General::SetIniFolder(folder);
    QVERIFY(WriteBytes(General::IniPathNative, "Scale=G\r\n"));
    Session().host = StartProgram(Session().boxes);
    QCOMPARE(General::DefScale, QStringLiteral("G"));
    SaveN();
    QVERIFY2(Session().boxes.boxes.empty(), qPrintable(Session().boxes.Texts().join(u'|')));
    QCOMPARE(ReadBytes(General::IniPathNative), NFile);
}

void TestSaveFile::newFileAndItsFolders()
{
    // An installed copy's first Save: the configuration folder does not exist yet.
    General::SetIniFolder(Native(Session().dir.filePath(QStringLiteral("config/Trackpace"))));
    SaveN();
    QVERIFY(Session().boxes.boxes.empty());
    QCOMPARE(ReadBytes(General::IniPathNative), NFile);
    QCOMPARE(LinkStat(Native(Session().dir.filePath(QStringLiteral("config")))).st_mode & 07777, mode_t{0700});
}

void TestSaveFile::fullFileSizeLimitIsAFailedSave()
{
    // The program's own start-up decides what the file size signal does.
    EndSession();
    MessageRecorder startBoxes;
    HomeHost host;
    General::Main(host);
    QTemporaryDir dir;
    General::IniPath = dir.filePath(QStringLiteral("Trackpace.ini"));
    General::IniPathNative.clear();
    QVERIFY(WriteBytes(IniPath(), DefaultsFile));

    MessageRecorder boxes;
    frmPrefs prefs(&host.Home());
    prefs.show();
    QTest::mouseClick(ScaleOptionAt(prefs, 1), Qt::LeftButton);
    {
        const FileSizeLimit full(10);
        QTest::mouseClick(Find<QPushButton>(prefs, "cmdSave"), Qt::LeftButton);
    }
    // Still here: the box says why, and the old file is as it was.
    QCOMPARE(boxes.boxes.size(), std::size_t{1});
    QVERIFY2(boxes.boxes.front().text.endsWith(QStringLiteral("File too large.")), qPrintable(boxes.boxes.front().text));
    QCOMPARE(ReadBytes(IniPath()), DefaultsFile);
    QCOMPARE(FilesIn(dir.path()), QStringList{"Trackpace.ini"});
    host.Home().close();
}

void TestSaveFile::readingRefusesWhatIsNotAFile_data()
{
    QTest::addColumn<QString>("thing");
    QTest::newRow("FIFO without a writer") << "fifo";
    QTest::newRow("FIFO with a silent writer") << "fifo with writer";
    QTest::newRow("device node") << "device";
    QTest::newRow("folder") << "folder";
}

void TestSaveFile::readingRefusesWhatIsNotAFile()
{
    // What start-up finds when something took the file's place after it was checked:
    // the reader is handed the path and must neither wait nor read it.
    QFETCH(QString, thing);
    const QByteArray path = IniPath();
    int writer = -1;
    if (thing.startsWith(u"fifo")) {
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        if (thing.endsWith(u"writer")) {
            writer = ::open(path.constData(), O_RDWR);
            QVERIFY(writer >= 0);
        }
    } else if (thing == u"device") {
        if (::mknod(path.constData(), S_IFCHR | 0666, ::makedev(1, 3)) != 0) {
            QSKIP("no device node can be made here");
        }
    } else {
        QCOMPARE(::mkdir(path.constData(), 0700), 0);
    }
    // A reader that blocks must fail the test, not hang it: it runs on a thread of its own.
    auto done = std::make_shared<std::promise<bool>>();
    std::future<bool> refused = done->get_future();
    std::thread([path, done] { done->set_value(!ReadRegularFile(path, 1024).has_value()); }).detach();
    const bool inTime = refused.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
    if (writer >= 0) {
        ::close(writer);
    }
    QVERIFY2(inTime, "reading the settings waited on what is at the path");
    QVERIFY(refused.get());
}

void TestSaveFile::executableFolder_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("folder");

    QTest::newRow("plain") << QByteArray("/opt/trackpace/trackpace") << QByteArray("/opt/trackpace");
    QTest::newRow("a byte that is no text") << QByteArray("/tmp/caf\xe9/trackpace") << QByteArray("/tmp/caf\xe9");
    QTest::newRow("deleted since it started") << QByteArray("/home/a/bin/trackpace (deleted)")
                                              << QByteArray("/home/a/bin");
    QTest::newRow("in the root folder") << QByteArray("/trackpace") << QByteArray("/");
    // Longer than the first buffer the link is read into.
    const QByteArray deep = "/opt/" + QByteArray(300, 'd');
    QTest::newRow("a long path") << deep + "/trackpace" << deep;
}

void TestSaveFile::executableFolder()
{
    // The system's link to the running executable, made here with the target's bytes.
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, folder);
    const QByteArray link = Native(Session().dir.filePath(QStringLiteral("exe")));
    QCOMPARE(::symlink(target.constData(), link.constData()), 0);
    QCOMPARE(ExecutableDirectory(link), std::optional<QByteArray>(folder));
}

void TestSaveFile::executableFolderUnknown()
{
    // A link that names no absolute path gives no folder, rather than one relative
    // to wherever the program was started.
    for (const QByteArray& target : {QByteArray("trackpace"), QByteArray("bin/trackpace")}) {
        const QByteArray link = Native(Session().dir.filePath(QStringLiteral("exe-") + QString::fromLatin1(target.toHex())));
        QCOMPARE(::symlink(target.constData(), link.constData()), 0);
        QCOMPARE(ExecutableDirectory(link), std::nullopt);
    }
    // Without the system's link at all, Qt's own answer counts.
    QCOMPARE(ExecutableDirectory(Native(Session().dir.filePath(QStringLiteral("none")))),
             std::optional<QByteArray>(PathBytes(QCoreApplication::applicationDirPath())));
}

void TestSaveFile::folderNameThatIsNotText()
{
    // A copy of the program in a folder whose name holds byte 0xE9 alone (Latin-1 é),
    // which is no UTF-8: its own Trackpace.ini is read, and Save writes that one.
    const QByteArray folder = Native(Session().dir.path()) + "/caf\xe9";
    QCOMPARE(::mkdir(folder.constData(), 0755), 0);
    QVERIFY(WriteBytes(folder + "/Trackpace.ini", "Scale=G\r\n"));
    const QByteArray link = Native(Session().dir.filePath(QStringLiteral("exe")));
    QCOMPARE(::symlink((folder + "/trackpace").constData(), link.constData()), 0);

    ResetGeneral();
    General::SetIniFolder(ExecutableDirectory(link));
    QCOMPARE(General::IniPathNative, folder + "/Trackpace.ini");
    Session().host = StartProgram(Session().boxes);
    QCOMPARE(General::DefScale, QStringLiteral("G"));
    QVERIFY(ScaleOptionAt(Home(), 5)->isChecked());
    SaveN();
    QVERIFY2(Session().boxes.boxes.empty(), qPrintable(Session().boxes.Texts().join(u'|')));
    QCOMPARE(ReadBytes(folder + "/Trackpace.ini"), NFile);
    QCOMPARE(FilesIn(Session().dir.path()), QStringList{"exe"});
    // QTemporaryDir cannot name these bytes to remove them.
    ::unlink((folder + "/Trackpace.ini").constData());
    ::rmdir(folder.constData());
}

void TestSaveFile::noFolderReadsAndWritesNothing()
{
    const bool rootFileBefore = QFile::exists(QStringLiteral("/Trackpace.ini"));
    ResetGeneral();
    General::SetIniFolder(QByteArrayLiteral("/somewhere"));
    General::SetIniFolder(std::nullopt);
    QCOMPARE(General::IniPath, QString());
    QCOMPARE(General::IniPathNative, QByteArray());
    Session().boxes.boxes.clear();
    Session().host = std::make_unique<HomeHost>();
    LoadSettings(*Session().host);
    QCOMPARE(Session().boxes.Texts(),
             QStringList{"Trackpace.ini not found . . . using program defaults.\rThe folder for the settings could not "
                         "be found, so they can be neither read nor saved."});
    QCOMPARE(General::DefScale, QStringLiteral("HO"));
    Session().host->ShowMainWindow();
    Session().boxes.boxes.clear();
    SaveN();
    QCOMPARE(Session().boxes.Texts(),
             QStringList{"The defaults could not be saved to\r\rThe folder for the settings could not be found, so "
                         "they can be neither read nor saved."});
    QCOMPARE(QFile::exists(QStringLiteral("/Trackpace.ini")), rootFileBefore);
}

void TestSaveFile::userConfigurationFolder_data()
{
    QTest::addColumn<QByteArray>("xdg");
    QTest::addColumn<QByteArray>("home");
    QTest::addColumn<QByteArray>("account");
    QTest::addColumn<QByteArray>("folder");

    QTest::newRow("XDG_CONFIG_HOME first") << QByteArray("/x/cfg/") << QByteArray("/home/a") << QByteArray("/home/b")
                                           << QByteArray("/x/cfg/Trackpace");
    QTest::newRow("XDG_CONFIG_HOME is the root folder") << QByteArray("//") << QByteArray() << QByteArray()
                                                        << QByteArray("/Trackpace");
    QTest::newRow("else ~/.config") << QByteArray() << QByteArray("/home/a") << QByteArray("/home/b")
                                    << QByteArray("/home/a/.config/Trackpace");
    QTest::newRow("a relative XDG_CONFIG_HOME is ignored") << QByteArray("cfg") << QByteArray("/home/a")
                                                           << QByteArray() << QByteArray("/home/a/.config/Trackpace");
    QTest::newRow("no HOME: the account's home") << QByteArray() << QByteArray() << QByteArray("/home/b")
                                                 << QByteArray("/home/b/.config/Trackpace");
    QTest::newRow("home is the root folder") << QByteArray() << QByteArray("/") << QByteArray()
                                             << QByteArray("/.config/Trackpace");
    QTest::newRow("bytes that are no text") << QByteArray() << QByteArray("/home/j\xf6rg") << QByteArray()
                                            << QByteArray("/home/j\xf6rg/.config/Trackpace");
}

void TestSaveFile::userConfigurationFolder()
{
    QFETCH(QByteArray, xdg);
    QFETCH(QByteArray, home);
    QFETCH(QByteArray, account);
    QFETCH(QByteArray, folder);
    QCOMPARE(UserConfigurationDirectory(xdg, home, account), std::optional<QByteArray>(folder));
    QCOMPARE(UserConfigurationDirectory({}, "relative", {}), std::nullopt);
}

void TestSaveFile::userConfigurationFolderOfTheAccount()
{
    // With neither variable set, the user database's home folder for this user.
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray home = qgetenv("HOME");
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("HOME");
    const std::optional<QByteArray> folder = UserConfigurationDirectory();
    qputenv("HOME", home);
    if (!xdg.isEmpty()) {
        qputenv("XDG_CONFIG_HOME", xdg);
    }
    const passwd* account = ::getpwuid(::getuid());
    QVERIFY(account != nullptr);
    QCOMPARE(folder, std::optional<QByteArray>(QByteArray(account->pw_dir).replace("//", "/") + "/.config/Trackpace"));
}

void TestSaveFile::installedCopyKeepsItsSettingsInTheConfigurationFolder()
{
    EndSession();
    QTemporaryDir config;
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", Native(config.path()));
    qputenv("XDG_DATA_HOME", Native(config.path()) + "/data");
    MessageRecorder boxes;
    HomeHost host;
    General::Main(host, SettingsPlace::UserConfiguration);
    qputenv("XDG_CONFIG_HOME", previous);
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(General::LogPathNative, Native(config.path()) + "/data/Trackpace/Trackpace.log.sqlite");
    // Without XDG_DATA_HOME, by the same rule as the settings: ~/.local/share.
    QCOMPARE(UserDataDirectory("data", "/home/a", "/home/b"), std::optional<QByteArray>("/home/a/.local/share/Trackpace"));
    const QString ini = config.filePath(QStringLiteral("Trackpace/Trackpace.ini"));
    QCOMPARE(boxes.Texts(), QStringList{ini + QStringLiteral(" not found . . . using program defaults.")});
    boxes.boxes.clear();
    WhenModalOpens([](QWidget* modal) { QTest::mouseClick(Find<QPushButton>(*modal, "cmdSave"), Qt::LeftButton); });
    Find<QAction>(host.Home(), "mnuPref")->trigger();
    QVERIFY(boxes.boxes.empty());
    QCOMPARE(ReadBytes(Native(ini)), DefaultsFile);
    host.Home().close();
}

void TestSaveFile::startWhereTheFileIsAFifo()
{
    // A FIFO with no writer would block an open() for good; the start must not wait.
    QCOMPARE(::mkfifo(IniPath().constData(), 0600), 0);
    Session().boxes.boxes.clear();
    HomeHost host;
    LoadSettings(host);
    QCOMPARE(Session().boxes.Texts(),
             QStringList{General::IniPath + QStringLiteral(" not found . . . using program defaults.")});
    QVERIFY(ScaleOptionAt(host.Home(), 2)->isChecked());
}

void TestSaveFile::folderThatTakesNothing()
{
    if (::geteuid() == 0) {
        // Root writes into any directory; /proc takes no new files from anybody.
        General::SetIniFolder(QByteArrayLiteral("/proc"));
    } else {
        // Neither a new file beside it nor the file itself may be written.
        QVERIFY(WriteBytes(IniPath(), DefaultsFile, 0400));
        QVERIFY(QFile::setPermissions(Session().dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    }
    General::DefScale = QStringLiteral("Z");
    General::DefTrackConfig = QStringLiteral("STRAIGHT");
    General::DefLength = 1.0F;
    const WriteResult result = WriteSettingsFile();
    QFile::setPermissions(Session().dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!result.ok);
    QVERIFY(!result.reason.isEmpty());
    if (::geteuid() != 0) {
        QCOMPARE(ReadBytes(IniPath()), DefaultsFile);
    }
}

void TestSaveFile::failedSaveIsReported()
{
    // As the program's start-up leaves it (fullFileSizeLimitIsAFailedSave shows that
    // it does): a write beyond the limit fails instead of ending the process.
    IgnoreFileSizeSignal();
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
        QVERIFY(QFile::setPermissions(Session().dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    }
    frmPrefs prefs(&Home());
    prefs.show();
    QTest::mouseClick(ScaleOptionAt(prefs, 1), Qt::LeftButton);
    {
        const std::unique_ptr<FileSizeLimit> full = root ? std::make_unique<FileSizeLimit>(10) : nullptr;
        QTest::mouseClick(Find<QPushButton>(prefs, "cmdSave"), Qt::LeftButton);
    }
    QFile::setPermissions(Session().dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(Session().boxes.boxes.size(), std::size_t{1});
    const MessageBox::Request& box = Session().boxes.boxes.front();
    CheckBox(box, QStringLiteral("Trackpace"), MessageBox::Icon::Exclamation);
    QVERIFY(box.text.startsWith(QStringLiteral("The defaults could not be saved to\r") + General::IniPath + u'\r'));
    QVERIFY(box.text.size() > QStringLiteral("The defaults could not be saved to\r\r").size() + General::IniPath.size());
    QCOMPARE(ReadAll(General::IniPath), before);
    QVERIFY(!prefs.isVisible());
    QCOMPARE(General::DefScale, QStringLiteral("N"));
}

QTEST_MAIN(TestSaveFile)
#include "tst_savefile.moc"
