// The about window and the lookup and start of the system-information tool.
#include "core/Files.h"
#include "core/General.h"
#include "core/Version.h"
#include "ui/Fonts.h"
#include "ui/about/Registry.h"
#include "ui/about/SysInfo.h"
#include "ui/about/frmAbout.h"

#include "PaintRecorder.h"
#include "TestSupport.h"

#include <QtTest>
#include <QLabel>
#include <QPushButton>

#include <map>

namespace {

const QByteArray MsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QByteArray LocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr long NotFound = 2;
constexpr long MoreData = 234;
constexpr long AccessDenied = 5;

struct Value {
    quint32 type;
    QByteArray data;
};

// Keys and values in memory, with the system's result codes; logs what was opened.
class FakeRegistry final : public Registry {
public:
    std::map<QByteArray, std::map<QByteArray, Value>> keys;
    QList<QByteArray> opened;
    int openKeys = 0;
    // As current Windows treats an ordinary user: write access under the root refused.
    bool refuseWriting = false;

    long OpenKey(Key root, const QByteArray& subKey, quint32 options, quint32 access, Key& key) override
    {
        opened << subKey;
        if (refuseWriting && access != 0x20019) {
            return AccessDenied;
        }
        if (root != LocalMachineRoot() || options != 0 || (access != 0x2003F && access != 0x20019) ||
            !keys.count(subKey)) {
            return NotFound;
        }
        key = reinterpret_cast<Key>(&keys.at(subKey));
        ++openKeys;
        return 0;
    }

    long QueryValue(Key key, const QByteArray& name, quint32& type, QByteArray& data, quint32& size) override
    {
        const auto& values = *reinterpret_cast<std::map<QByteArray, Value>*>(key);
        const auto found = values.find(name);
        if (found == values.end()) {
            return NotFound;
        }
        if (size != 1024 || data.size() != 1024) {
            return 87;  // a caller that does not offer the buffer it should
        }
        if (static_cast<quint32>(found->second.data.size()) > size) {
            return MoreData;
        }
        type = found->second.type;
        size = static_cast<quint32>(found->second.data.size());
        data.replace(0, found->second.data.size(), found->second.data);
        return 0;
    }

    void CloseKey(Key) override { --openKeys; }
};

// A launcher that records instead of starting anything.
struct Launches {
    QStringList paths;
    bool succeed = true;
    std::function<bool(const QString&)> Start()
    {
        return [this](const QString& path) {
            paths << path;
            return succeed;
        };
    }
};

}  // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void getKeyValue_data();
    void getKeyValue();
    void emptyValueIsARunTimeFailure();
    void refusedWriteAccessStillReads();
    void startSysInfo_data();
    void startSysInfo();
    void toolOnPath();
    void nothingOnPath();
    void controls_data();
    void controls();
    void separator();
    void window();
    void creditIsOurOwnThanks();
    void textsAgainOnSecondOpening();
    void keys_data();
    void keys();

private:
    std::unique_ptr<MessageRecorder> boxes_;
};

void TestAbout::initTestCase()
{
    // Arial's metrics, as the program makes sure at its start.
    UseArialMetrics();
}

void TestAbout::init()
{
    ResetGeneral();
    boxes_ = std::make_unique<MessageRecorder>();
}

void TestAbout::cleanup()
{
    boxes_.reset();
    QVERIFY2(!ModalTimedOut(), "a modal window was left open");
}

void TestAbout::getKeyValue_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("value");

    QTest::newRow("string with its NUL") << 1U << QByteArray("C:\\Tools\\x.exe", 15) << true << "C:\\Tools\\x.exe";
    QTest::newRow("string without NUL kept whole") << 1U << QByteArray("C:\\y.exe") << true << "C:\\y.exe";
    QTest::newRow("only one NUL is dropped") << 1U << QByteArray("ab\0\0", 4) << true << QString::fromLatin1("ab\0", 3);
    QTest::newRow("1024 bytes fit") << 1U << QByteArray(1024, 'a') << true << QString(1024, u'a');
    QTest::newRow("1025 bytes count as absent") << 1U << QByteArray(1025, 'a') << false << "";
    QTest::newRow("number as decimal text") << 4U << QByteArray("\xd2\x04\0\0", 4) << true << "1234";
    QTest::newRow("other type keeps KeyVal") << 3U << QByteArray("\x01\x02", 2) << true << "as it came";
}

void TestAbout::getKeyValue()
{
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(bool, read);
    QFETCH(QString, value);
    FakeRegistry registry;
    registry.keys[MsinfoKey]["PATH"] = {type, data};
    QString keyVal = QStringLiteral("as it came");
    QCOMPARE(GetKeyValue(registry, LocalMachineRoot(), QString::fromLatin1(MsinfoKey), "PATH", keyVal), read);
    QCOMPARE(keyVal, value);
    QCOMPARE(registry.openKeys, 0);

    QString missing = QStringLiteral("x");
    QVERIFY(!GetKeyValue(registry, LocalMachineRoot(), "SOFTWARE\\None", "PATH", missing));
    QCOMPARE(missing, QString());
    QVERIFY(!GetKeyValue(registry, LocalMachineRoot(), QString::fromLatin1(MsinfoKey), "Other", missing));
    QCOMPARE(registry.openKeys, 0);
}

void TestAbout::emptyValueIsARunTimeFailure()
{
    FakeRegistry registry;
    registry.keys[MsinfoKey]["PATH"] = {1U, QByteArray()};
    QString keyVal;
    QVERIFY_THROWS_EXCEPTION(EmptyRegistryValue,
                             GetKeyValue(registry, LocalMachineRoot(), QString::fromLatin1(MsinfoKey), "PATH", keyVal));
    QCOMPARE(registry.openKeys, 0);
}

void TestAbout::refusedWriteAccessStillReads()
{
    // An ordinary user on current Windows may not open these keys for writing; the
    // tool is there all the same, and starts.
    FakeRegistry registry;
    registry.refuseWriting = true;
    registry.keys[MsinfoKey]["PATH"] = {1U, QByteArray("C:\\Tools\\msinfo32.exe", 22)};
    Launches launches;
    StartSysInfo({[&] { return LocateByRegistry(registry, [](const QString&) { return true; }); }, launches.Start()});
    QCOMPARE(launches.paths, QStringList{"C:\\Tools\\msinfo32.exe"});
    QCOMPARE(registry.opened, (QList<QByteArray>{MsinfoKey, MsinfoKey}));
    QCOMPARE(registry.openKeys, 0);
    QVERIFY(boxes_->boxes.empty());
}

void TestAbout::startSysInfo_data()
{
    QTest::addColumn<QVariantList>("first");   // empty: absent; else {type, data}
    QTest::addColumn<QVariantList>("second");
    QTest::addColumn<bool>("fileThere");
    QTest::addColumn<bool>("startWorks");
    QTest::addColumn<QStringList>("started");
    QTest::addColumn<int>("keysOpened");
    QTest::addColumn<bool>("message");

    const QVariantList none;
    const auto text = [](const QByteArray& s) { return QVariantList{1U, s}; };
    QTest::newRow("both absent") << none << none << false << true << QStringList{} << 2 << true;
    QTest::newRow("first used as it stands, no file test")
        << text(QByteArray("C:\\Tools\\msinfo32.exe", 22)) << text("D:\\Else") << false << true
        << QStringList{"C:\\Tools\\msinfo32.exe"} << 1 << false;
    QTest::newRow("first not startable") << text("C:\\Nowhere\\x.exe") << none << false << false
                                         << QStringList{"C:\\Nowhere\\x.exe"} << 1 << true;
    QTest::newRow("only second, with the file") << none << text(QByteArray("C:\\Shared\\MSINFO", 17)) << true << true
                                                << QStringList{"C:\\Shared\\MSINFO\\MSINFO32.EXE"} << 2 << false;
    QTest::newRow("only second, without the file") << none << text("C:\\Shared\\MSINFO") << false << true
                                                   << QStringList{} << 2 << true;
    QTest::newRow("first empty, second not tried") << text(QByteArray("\0", 1)) << text("C:\\Shared") << true << true
                                                   << QStringList{} << 1 << true;
    QTest::newRow("first zero bytes, second not tried") << text(QByteArray()) << text("C:\\Shared") << true << true
                                                        << QStringList{} << 1 << true;
    QTest::newRow("second zero bytes") << none << text(QByteArray()) << true << true << QStringList{} << 2 << true;
    QTest::newRow("first too long counts as absent") << text(QByteArray(1500, 'a')) << text("C:\\Shared") << true
                                                     << true << QStringList{"C:\\Shared\\MSINFO32.EXE"} << 2 << false;
    QTest::newRow("first of another type: read, but empty")
        << QVariantList{3U, QByteArray("x")} << text("C:\\Shared") << true << true << QStringList{} << 1 << true;
}

void TestAbout::startSysInfo()
{
    QFETCH(QVariantList, first);
    QFETCH(QVariantList, second);
    QFETCH(bool, fileThere);
    QFETCH(bool, startWorks);
    QFETCH(QStringList, started);
    QFETCH(int, keysOpened);
    QFETCH(bool, message);
    FakeRegistry registry;
    if (!first.isEmpty()) {
        registry.keys[MsinfoKey]["PATH"] = {first.at(0).toUInt(), first.at(1).toByteArray()};
    }
    if (!second.isEmpty()) {
        registry.keys[LocationKey]["MSINFO"] = {second.at(0).toUInt(), second.at(1).toByteArray()};
    }
    QStringList tested;
    Launches launches;
    launches.succeed = startWorks;
    const SysInfoTools tools{[&] {
                                 return LocateByRegistry(registry, [&](const QString& path) {
                                     tested << path;
                                     return fileThere;
                                 });
                             },
                             launches.Start()};
    StartSysInfo(tools);
    QCOMPARE(launches.paths, started);
    QCOMPARE(registry.opened.size(), keysOpened);
    QCOMPARE(registry.openKeys, 0);
    if (keysOpened == 1) {
        QVERIFY(tested.isEmpty());
    }
    QCOMPARE(boxes_->boxes.size(), std::size_t(message ? 1 : 0));
    if (message) {
        const MessageBox::Request& box = boxes_->boxes.front();
        QCOMPARE(box.text, QStringLiteral("System Information Is Unavailable At This Time"));
        CheckBox(box, QStringLiteral("Trackpace"), MessageBox::Icon::None);
    }
}

void TestAbout::toolOnPath()
{
    if (OnWindows()) {
        QSKIP("Windows finds its tool through the registry (tst_windows), not on PATH");
    }
    QTemporaryDir dir;
    const QString mark = dir.filePath(QStringLiteral("started"));
    const QString script = dir.filePath(QStringLiteral("hardinfo"));
    {
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("#!/bin/sh\n/usr/bin/touch '%1'\nexec /bin/sleep 5\n").arg(mark).toUtf8());
    }
    QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", PathBytes(dir.path()));
    frmAbout about(nullptr);
    about.show();
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(Find<QPushButton>(about, "cmdSysInfo"), Qt::LeftButton);
    const qint64 took = clock.elapsed();
    qputenv("PATH", path);
    QVERIFY2(took < 2000, "the button must not wait for the tool");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(mark), 5000);
    QVERIFY(boxes_->boxes.empty());
    QVERIFY(about.isVisible());
}

void TestAbout::nothingOnPath()
{
    if (OnWindows()) {
        QSKIP("Windows finds its tool through the registry (tst_windows), not on PATH");
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "");
    frmAbout about(nullptr);
    about.show();
    QTest::mouseClick(Find<QPushButton>(about, "cmdSysInfo"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>(about, "cmdSysInfo"), Qt::LeftButton);
    qputenv("PATH", path);
    QCOMPARE(boxes_->Texts(), QStringList(2, QStringLiteral("System Information Is Unavailable At This Time")));
    QVERIFY(about.isVisible());
}

void TestAbout::controls_data()
{
    AddLayoutColumns();
    LayoutRow("cmdOK", {4365, 2520, 1260, 345}, "OK");
    LayoutRow("cmdSysInfo", {4380, 3075, 1245, 345}, "&System Info...");
    LayoutRow("lblCopyright", {1056, 1128, 3888, 324}, QString::fromUtf8("Copyright \u00A9 2026 The Trackpace developers"),
              {}, Qt::AlignLeft);
    LayoutRow("lblTitle", {1050, 240, 3885, 480}, "Trackpace", {}, Qt::AlignLeft, 14.25, true);
    LayoutRow("lblVersion", {1050, 780, 3885, 225}, QStringLiteral("Version ") + QLatin1String(TrackpaceVersion), {}, Qt::AlignLeft);
}

void TestAbout::controls()
{
    frmAbout about(nullptr, {[] { return QString(); }, [](const QString&) { return false; }});
    CompareWithLayout(Find<QWidget>(about, LayoutName()));
    // The two texts of the program's own wording: where the layout puts them, left,
    // wrapped within their width.
    QCOMPARE(Find<QLabel>(about, "lblCredit")->geometry(), QRect(72, 104, 259, 38));
    QCOMPARE(Find<QLabel>(about, "lblDisclaimer")->geometry(), QRect(17, 164, 266, 71));
    for (QLabel* label : {Find<QLabel>(about, "lblCredit"), Find<QLabel>(about, "lblDisclaimer")}) {
        QVERIFY(label->wordWrap());
        QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    }
}

void TestAbout::separator()
{
    // The etched line between identity and warning: a white line 2 pixels wide from
    // (240, 2295) to (5520, 2280) twips, and the grey one over it from (240, 2280)
    // to (5640, 2280).
    frmAbout about(nullptr, {[] { return QString(); }, [](const QString&) { return false; }});
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    PaintRecorder recorder(about.size());
    recorder.Record(about, true);
    QCOMPARE(int(recorder.lines.size()), 2);
    QCOMPARE(recorder.lines.at(0).line, QLineF(16, 153, 368, 152));
    QCOMPARE(recorder.lines.at(0).pen.color(), QColor(Qt::white));
    QCOMPARE(recorder.lines.at(0).pen.widthF(), 2.0);
    QCOMPARE(recorder.lines.at(1).line, QLineF(16, 152, 376, 152));
    QCOMPARE(recorder.lines.at(1).pen.color(), QColor(128, 128, 128));
    QVERIFY(recorder.lines.at(1).pen.widthF() <= 1.0);
}

void TestAbout::window()
{
    frmAbout about(nullptr, {[] { return QString(); }, [](const QString&) { return false; }});
    QCOMPARE(about.windowTitle(), QStringLiteral("About Trackpace"));
    QCOMPARE(about.size(), QSize(392, 243));
    QCOMPARE(about.minimumSize(), about.maximumSize());
    QVERIFY(!about.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!about.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(Find<QPushButton>(about, "cmdOK")->isDefault());
    // The picture sizes itself to the 32 x 32 locomotive and its border.
    const QPixmap picture = Find<QLabel>(about, "picIcon")->pixmap();
    QCOMPARE(picture.size(), QSize(32, 32));
    QVERIFY(picture.hasAlphaChannel());
    QCOMPARE(Find<QLabel>(about, "picIcon")->pos(), QPoint(16, 16));
    QCOMPARE(Find<QLabel>(about, "picIcon")->size(), QSize(32, 32) + 2 * QSize(Find<QLabel>(about, "picIcon")->frameWidth(), Find<QLabel>(about, "picIcon")->frameWidth()));
    QCOMPARE(Find<QLabel>(about, "lblDisclaimer")->text().count(QStringLiteral(". ")) + 1, 3);
}

void TestAbout::creditIsOurOwnThanks()
{
    // A short thanks to the program's users, in two lines of its label.
    frmAbout about(nullptr, {[] { return QString(); }, [](const QString&) { return false; }});
    const QString credit = Find<QLabel>(about, "lblCredit")->text();
    QCOMPARE(credit, QStringLiteral("Thank you to every railroader who times trains with Trackpace: may they run to "
                                    "scale."));
    const QFontMetrics metrics(Find<QLabel>(about, "lblCredit")->font());
    const QRect wrapped = metrics.boundingRect(QRect(0, 0, Find<QLabel>(about, "lblCredit")->width(), 1000),
                                               Qt::TextWordWrap | Qt::AlignLeft, credit);
    QCOMPARE(qRound(double(wrapped.height()) / metrics.lineSpacing()), 2);
    QVERIFY(wrapped.height() <= Find<QLabel>(about, "lblCredit")->height());
}

void TestAbout::textsAgainOnSecondOpening()
{
    for (int opening = 0; opening < 2; ++opening) {
        frmAbout about(nullptr);
        QCOMPARE(Find<QLabel>(about, "lblVersion")->text(), QStringLiteral("Version ") + QLatin1String(TrackpaceVersion));
        QCOMPARE(Find<QLabel>(about, "lblTitle")->text(), QStringLiteral("Trackpace"));
        QCOMPARE(Find<QLabel>(about, "lblCopyright")->text(), QString::fromUtf8("Copyright \u00A9 2026 The Trackpace developers"));
        QCOMPARE(about.windowTitle(), QStringLiteral("About Trackpace"));
    }
}

void TestAbout::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("onSysInfo");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<int>("starts");

    QTest::newRow("Esc") << int(Qt::Key_Escape) << false << true << 0;
    QTest::newRow("Enter") << int(Qt::Key_Return) << false << true << 0;
    QTest::newRow("Esc on System Info") << int(Qt::Key_Escape) << true << true << 0;
    QTest::newRow("Enter on System Info presses it") << int(Qt::Key_Return) << true << false << 1;
}

void TestAbout::keys()
{
    QFETCH(int, key);
    QFETCH(bool, onSysInfo);
    QFETCH(bool, closes);
    QFETCH(int, starts);
    Launches launches;
    frmAbout about(nullptr, {[] { return QStringLiteral("/usr/bin/true"); }, launches.Start()});
    bool stillOpen = false;
    WhenModalOpens([&](QWidget*) {
        QCOMPARE(about.focusWidget(), Find<QPushButton>(about, "cmdOK"));
        if (onSysInfo) {
            Find<QPushButton>(about, "cmdSysInfo")->setFocus();
        }
        QTest::keyClick(about.focusWidget(), static_cast<Qt::Key>(key));
        stillOpen = about.isVisible();
        about.close();
    });
    about.exec();
    QCOMPARE(stillOpen, !closes);
    QCOMPARE(launches.paths.size(), starts);
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
