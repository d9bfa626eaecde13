// The settings file: line kinds, checks, the five warnings and their order, the writer.
#include "core/Files.h"
#include "core/General.h"
#include "core/HomeLink.h"
#include "settings/Settings.h"
#include "settings/Startup.h"

#include "TestSupport.h"

#include <QtTest>

namespace {

// The five warnings as the program words them, by their numbers: the first and the
// third follow a path and a scale name.
const QStringList Warning{
    {},
    " not found . . . using program defaults.",
    "The initialization file is either corrupt or contains\rinvalid data . . . using program defaults.",
    " Scale not found . . . using program defaults.",
    "Track configuration invalid . . . using program defaults.",
    "Length / radius invalid.  Value must be an integer\rbetween 1 and 240 inches . . . using program defaults.",
};
const QString& NotFound = Warning.at(1);
const QString& Corrupt = Warning.at(2);
const QString& ScaleNotFound = Warning.at(3);

// Stands in for the main window and logs every hand-over, in order.
class RecordingHome : public StartupHost {
public:
    explicit RecordingHome(QStringList& log) : log_(log) {}
    void EnsureLoaded() override
    {
        if (!loaded_) {
            loaded_ = true;
            log_ << QStringLiteral("load");
        }
    }
    void SelectScale(int index) override { Log(QStringLiteral("scale %1").arg(index)); }
    void SelectStraight() override { Log(QStringLiteral("straight")); }
    void SelectCircle() override { Log(QStringLiteral("circle")); }
    void SetLength(int inches) override { Log(QStringLiteral("length %1").arg(inches)); }
    void ShowMainWindow() override { log_ << QStringLiteral("show"); }

private:
    void Log(const QString& event)
    {
        EnsureLoaded();
        log_ << event;
    }
    QStringList& log_;
    bool loaded_ = false;
};

int WarningNumber(const QString& text)
{
    if (text.endsWith(ScaleNotFound)) {
        return 3;
    }
    if (text.endsWith(NotFound)) {
        return 1;
    }
    return std::max(0, static_cast<int>(Warning.indexOf(text)));
}

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void noFile();
    void fileContents_data();
    void fileContents();
    void warningTexts_data();
    void warningTexts();
    void boxesShowTitleAndIcon();
    void keyLineLimit_data();
    void keyLineLimit();
    void oversizedFileIsCorrupt();
    void folderInsteadOfTheFile();
    void writesTheFourLines();
    void writeReplacesOtherContent();
    void startupReadsBesideTheExecutable();

private:
    void WriteIni(const QByteArray& bytes);
    QStringList Load();

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<MessageRecorder> boxes_;
    QStringList log_;
};

void TestSettings::init()
{
    ResetGeneral();
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    General::SetIniFolder(PathBytes(dir_->path()));
    log_.clear();
    boxes_ = std::make_unique<MessageRecorder>();
    boxes_->onShow = [this](const MessageBox::Request& box) {
        log_ << QStringLiteral("box %1").arg(WarningNumber(box.text));
    };
}

void TestSettings::cleanup()
{
    boxes_.reset();
    dir_.reset();
}

void TestSettings::WriteIni(const QByteArray& bytes)
{
    QFile file(General::IniPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList TestSettings::Load()
{
    RecordingHome home(log_);
    LoadSettings(home);
    return log_;
}

void TestSettings::noFile()
{
    const QStringList events = Load();
    QCOMPARE(events, (QStringList{"box 1", "load", "scale 3", "straight", "length 48"}));
    QCOMPARE(boxes_->Texts(), QStringList{General::IniPath + NotFound});
    QCOMPARE(General::DefScale, QStringLiteral("HO"));
    QCOMPARE(General::DefTrackConfig, QStringLiteral("STRAIGHT"));
    QCOMPARE(General::DefLength, 48.0F);
    QVERIFY2(!QFile::exists(General::IniPath), "loading must never create the file");
}

void TestSettings::fileContents_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("config");
    QTest::addColumn<float>("length");

    const QStringList defaults{"load", "scale 3", "straight", "length 48"};
    const QStringList corrupt = QStringList{"box 2"} + defaults;
    auto row = [](const char* name, const QByteArray& file, const QStringList& events, const char* scale,
                  const char* config, float length) {
        QTest::newRow(name) << file << events << QString::fromLatin1(scale) << QString::fromLatin1(config)
                            << length;
    };

    row("as written", "[TRACKPACE]\r\nScale=N\r\nTrackConfig=CIRCLE\r\nTrackLength=120\r\n",
        {"load", "scale 2", "circle", "length 120"}, "N", "CIRCLE", 120);
    row("empty file", "", defaults, "HO", "STRAIGHT", 48);
    row("only headers, comments, blank lines", "[A]\r\n\r\n;Scale=N\r\n[B]\r\n", defaults, "HO", "STRAIGHT", 48);
    row("scale in lower case", "Scale=ho\r\n", defaults, "HO", "STRAIGHT", 48);
    row("z in lower case, the last letter", "Scale=z\r\n", {"load", "scale 1", "straight", "length 48"}, "Z",
        "STRAIGHT", 48);
    row("key in lower case is ignored", "scale=N\r\n", defaults, "HO", "STRAIGHT", 48);
    row("blanks around = make another key", "Scale = N\r\n", defaults, "HO", "STRAIGHT", 48);
    row("unknown scale", "Scale=oo\r\n", {"load", "box 3", "scale 3", "straight", "length 48"}, "HO",
        "STRAIGHT", 48);
    row("semicolon inside a value", "Scale=HO ;note\r\n", {"load", "box 3", "scale 3", "straight", "length 48"},
        "HO", "STRAIGHT", 48);
    row("further = stays in the value", "Scale=H=O\r\n", {"load", "box 3", "scale 3", "straight", "length 48"},
        "HO", "STRAIGHT", 48);
    row("empty scale value", "Scale=\r\n", defaults, "HO", "STRAIGHT", 48);
    row("empty key is ignored", "=N\r\n", defaults, "HO", "STRAIGHT", 48);
    row("circle in lower case", "TrackConfig=circle\r\n", {"load", "scale 3", "circle", "length 48"}, "HO",
        "CIRCLE", 48);
    row("unknown configuration", "TrackConfig=loop\r\n", {"load", "scale 3", "box 4", "straight", "length 48"},
        "HO", "STRAIGHT", 48);
    row("length 0 is not given", "TrackLength=0\r\n", defaults, "HO", "STRAIGHT", 48);
    row("length 0.5 rounds to 0", "TrackLength=0.5\r\n", defaults, "HO", "STRAIGHT", 48);
    row("length 1, the shortest", "TrackLength=1\r\n", {"load", "scale 3", "straight", "length 1"}, "HO",
        "STRAIGHT", 1);
    row("length 12.9 rounds down", "TrackLength=12.9\r\n", {"load", "scale 3", "straight", "length 12"}, "HO",
        "STRAIGHT", 12);
    row("length 240.7 rounds down", "TrackLength=240.7\r\n", {"load", "scale 3", "straight", "length 240"}, "HO",
        "STRAIGHT", 240);
    row("length 241", "TrackLength=241\r\n", {"load", "scale 3", "straight", "box 5", "length 48"}, "HO",
        "STRAIGHT", 48);
    row("length -1", "TrackLength=-1\r\n", {"load", "scale 3", "straight", "box 5", "length 48"}, "HO",
        "STRAIGHT", 48);
    row("length -0.5 rounds to -1", "TrackLength=-0.5\r\n", {"load", "scale 3", "straight", "box 5", "length 48"},
        "HO", "STRAIGHT", 48);
    row("length with blanks", "TrackLength= 50 \r\n", {"load", "scale 3", "straight", "length 50"}, "HO",
        "STRAIGHT", 50);
    row("length empty", "TrackLength=\r\n", defaults, "HO", "STRAIGHT", 48);
    row("length with letters", "TrackLength=12abc\r\n", {"load", "scale 3", "straight", "box 5", "length 48"},
        "HO", "STRAIGHT", 48);
    row("length not a number", "TrackLength=nan\r\n", {"load", "scale 3", "straight", "box 5", "length 48"},
        "HO", "STRAIGHT", 48);
    row("length infinite", "TrackLength=inf\r\n", {"load", "scale 3", "straight", "box 5", "length 48"}, "HO",
        "STRAIGHT", 48);
    row("length beyond a float", "TrackLength=1e39\r\n", {"load", "scale 3", "straight", "box 5", "length 48"},
        "HO", "STRAIGHT", 48);
    row("length too small to hold is below 1", "TrackLength=0." + QByteArray(400, '0') + "1\r\n", defaults, "HO",
        "STRAIGHT", 48);
    row("length too large to hold", "TrackLength=1" + QByteArray(400, '0') + "\r\n",
        {"load", "scale 3", "straight", "box 5", "length 48"}, "HO", "STRAIGHT", 48);
    row("length in exponent form", "TrackLength=1e2\r\n", {"load", "scale 3", "straight", "length 100"}, "HO",
        "STRAIGHT", 100);
    // Rounded down as read, before it is held as a float: 240.99999999 gives 240 (as
    // a float first it would be 241.0 and invalid).
    row("length rounded down before it is a float", "TrackLength=240.99999999\r\n",
        {"load", "scale 3", "straight", "length 240"}, "HO", "STRAIGHT", 240);
    row("length just below 1 as a float", "TrackLength=0.99999999\r\n", defaults, "HO", "STRAIGHT", 48);
    row("three faults in order", "TrackLength=300\r\nTrackConfig=ring\r\nScale=X\r\n",
        {"load", "box 3", "scale 3", "box 4", "straight", "box 5", "length 48"}, "HO", "STRAIGHT", 48);
    row("line of blanks is corrupt", "Scale=N\r\n   \r\nTrackLength=10\r\n", corrupt, "HO", "STRAIGHT", 48);
    row("header with a leading blank is corrupt", "Scale=N\r\n [TRACKPACE]\r\n", corrupt, "HO", "STRAIGHT", 48);
    row("blanks, then a semicolon, is a key line", "Scale=N\r\n   ;note\r\n", corrupt, "HO", "STRAIGHT", 48);
    row("a tab before a header is a key line", "\t[TRACKPACE]\r\nScale=N\r\n", corrupt, "HO", "STRAIGHT", 48);
    row("key line without = is corrupt", "Scale=N\r\nTrackConfig\r\n", corrupt, "HO", "STRAIGHT", 48);
    // A byte-order mark (as Windows editors save UTF-8) is skipped at the very start only.
    row("byte-order mark before a key line", "\xEF\xBB\xBFScale=N\r\n", {"load", "scale 2", "straight", "length 48"},
        "N", "STRAIGHT", 48);
    row("byte-order mark before the header", "\xEF\xBB\xBF[TRACKPACE]\r\nScale=N\r\n",
        {"load", "scale 2", "straight", "length 48"}, "N", "STRAIGHT", 48);
    row("byte-order mark further down", "Scale=N\r\n\xEF\xBB\xBF[TRACKPACE]\r\n", corrupt, "HO", "STRAIGHT", 48);
    row("last of two lines wins", "Scale=N\r\nScale=G\r\n", {"load", "scale 6", "straight", "length 48"}, "G",
        "STRAIGHT", 48);
    row("any section counts", "[OTHER]\r\nScale=S\r\n", {"load", "scale 4", "straight", "length 48"}, "S",
        "STRAIGHT", 48);
    row("CR only", "Scale=N\rTrackConfig=CIRCLE\rTrackLength=10\r", {"load", "scale 2", "circle", "length 10"},
        "N", "CIRCLE", 10);
    row("LF only", "Scale=N\nTrackConfig=CIRCLE\nTrackLength=10\n", {"load", "scale 2", "circle", "length 10"},
        "N", "CIRCLE", 10);
    row("mixed line ends, no final end", "Scale=N\r\nTrackConfig=CIRCLE\nTrackLength=10\rScale=O",
        {"load", "scale 5", "circle", "length 10"}, "O", "CIRCLE", 10);
}

void TestSettings::fileContents()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, events);
    QFETCH(QString, scale);
    QFETCH(QString, config);
    QFETCH(float, length);
    WriteIni(file);
    QCOMPARE(Load(), events);
    QCOMPARE(General::DefScale, scale);
    QCOMPARE(General::DefTrackConfig, config);
    QCOMPARE(General::DefLength, length);

    // The same bytes from memory (as the fuzzer gives them) read the same way.
    ResetGeneral();
    log_.clear();
    RecordingHome home(log_);
    LoadSettingsText(home, file);
    QCOMPARE(log_, events);
    QCOMPARE(General::DefScale, scale);
    QCOMPARE(General::DefLength, length);
}

void TestSettings::warningTexts_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("corrupt") << QByteArray("x\r\n") << QStringList{Corrupt};
    QTest::newRow("scale upper-cased") << QByteArray("Scale=oo\r\n") << QStringList{"OO" + ScaleNotFound};
    QTest::newRow("scale with a note") << QByteArray("Scale=HO ;note") << QStringList{"HO ;NOTE" + ScaleNotFound};
    QTest::newRow("scale with =") << QByteArray("Scale=H=O") << QStringList{"H=O" + ScaleNotFound};
    QTest::newRow("bytes above 127 as they stand")
        << QByteArray("Scale=\xe9t\xe9\r\n") << QStringList{QString::fromLatin1("\xe9T\xe9") + ScaleNotFound};
    QTest::newRow("a 200-character scale shows its first 32")
        << ("Scale=" + QByteArray(200, 'q')) << QStringList{QString(32, u'Q') + "..." + ScaleNotFound};
    QTest::newRow("32 characters show whole")
        << ("Scale=" + QByteArray(32, 'q')) << QStringList{QString(32, u'Q') + ScaleNotFound};
    QTest::newRow("all three") << QByteArray("Scale=X\r\nTrackConfig=Y\r\nTrackLength=0.9e3\r\n")
                               << QStringList{"X" + ScaleNotFound, Warning.at(4), Warning.at(5)};
}

void TestSettings::warningTexts()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, texts);
    WriteIni(file);
    Load();
    QCOMPARE(boxes_->Texts(), texts);
}

void TestSettings::boxesShowTitleAndIcon()
{
    WriteIni("Scale=X\r\nTrackConfig=Y\r\nTrackLength=999\r\n");
    Load();
    QCOMPARE(boxes_->boxes.size(), std::size_t{3});
    for (const MessageBox::Request& box : boxes_->boxes) {
        CheckBox(box, QStringLiteral("Trackpace - Initialization Error"), MessageBox::Icon::Exclamation);
    }
}

void TestSettings::keyLineLimit_data()
{
    QTest::addColumn<int>("keyLines");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("scale");

    QTest::newRow("32,766 key lines are read") << 32766 << QStringList{} << "G";
    QTest::newRow("the 32,767th makes it corrupt") << 32767 << QStringList{Corrupt} << "HO";
}

void TestSettings::keyLineLimit()
{
    QFETCH(int, keyLines);
    QFETCH(QStringList, texts);
    QFETCH(QString, scale);
    QByteArray file = "Scale=G\r\n";
    for (int i = 1; i < keyLines; ++i) {
        file += "O=1\r\n;c\r\n";  // comments do not count
    }
    WriteIni(file);
    Load();
    QCOMPARE(boxes_->Texts(), texts);
    QCOMPARE(General::DefScale, scale);
}

void TestSettings::oversizedFileIsCorrupt()
{
    WriteIni("Scale=N\r\n" + QByteArray(1024 * 1024, ';'));
    Load();
    QCOMPARE(boxes_->Texts(), QStringList{Corrupt});
    QCOMPARE(General::DefScale, QStringLiteral("HO"));
}

void TestSettings::folderInsteadOfTheFile()
{
    // A folder where the file should be is no settings file (a FIFO or a device,
    // on systems that have them, are in tst_savefile).
    QVERIFY(QDir().mkdir(General::IniPath));
    QVERIFY(!FileExists(General::IniPathNative));
    QCOMPARE(Load(), (QStringList{"box 1", "load", "scale 3", "straight", "length 48"}));
    QCOMPARE(boxes_->Texts(), QStringList{General::IniPath + NotFound});
}

void TestSettings::writesTheFourLines()
{
    General::DefScale = QStringLiteral("HO");
    General::DefTrackConfig = QStringLiteral("STRAIGHT");
    General::DefLength = 48.0F;
    QVERIFY(WriteSettingsFile().ok);
    QCOMPARE(ReadAll(General::IniPath), DefaultsFile);

    ResetGeneral();
    General::SetIniFolder(PathBytes(dir_->path()));
    QCOMPARE(Load(), (QStringList{"load", "scale 3", "straight", "length 48"}));
    QVERIFY(boxes_->boxes.empty());
}

void TestSettings::writeReplacesOtherContent()
{
    WriteIni("; my notes\r\n[OTHER]\r\nColour=red\r\nScale=Z\r\n");
    General::DefScale = QStringLiteral("N");
    General::DefTrackConfig = QStringLiteral("CIRCLE");
    General::DefLength = 120.0F;
    QVERIFY(WriteSettingsFile().ok);
    QCOMPARE(ReadAll(General::IniPath), QByteArray("[TRACKPACE]\r\nScale=N\r\nTrackConfig=CIRCLE\r\nTrackLength=120\r\n"));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{"Trackpace.ini"});
}

void TestSettings::startupReadsBesideTheExecutable()
{
    const QString besideExe = QCoreApplication::applicationDirPath() + QStringLiteral("/Trackpace.ini");
    {
        QFile file(besideExe);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Scale=G\r\nTrackLength=7\r\n");
    }
    QFile decoy(dir_->filePath(QStringLiteral("Trackpace.ini")));
    QVERIFY(decoy.open(QIODevice::WriteOnly));
    decoy.write("Scale=Z\r\n");
    decoy.close();

    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_->path()));
    ResetGeneral();
    General::MinLength = 0;
    General::MaxLength = 0;
    RecordingHome host(log_);
    General::Main(host);
    QDir::setCurrent(previous);
    QFile::remove(besideExe);

    QCOMPARE(General::MinLength, qint16(1));
    QCOMPARE(General::MaxLength, qint16(240));
    QCOMPARE(General::IniPath, QDir::toNativeSeparators(besideExe));
    QCOMPARE(General::DefScale, QStringLiteral("G"));
    QCOMPARE(log_, (QStringList{"load", "scale 6", "straight", "length 7", "show"}));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
