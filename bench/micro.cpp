// In-process timings: a keystroke through to the speed, a table paint, a large settings file.
#include "core/Files.h"
#include "core/General.h"
#include "core/HomeLink.h"
#include "settings/Settings.h"
#include "ui/home/HomeHost.h"
#include "ui/home/frmHome.h"
#include "ui/table/frmTvsS.h"

#include "TestSupport.h"

#include <QtTest>
#include <QLabel>
#include <QLineEdit>

namespace {

class SilentHome : public HomeLink {
public:
    void EnsureLoaded() override {}
    void SelectScale(int) override {}
    void SelectStraight() override {}
    void SelectCircle() override {}
    void SetLength(int) override {}
};

}  // namespace

class Micro : public QObject {
    Q_OBJECT

private slots:
    void init();
    void keystrokeToSpeed();
    void tablePaint();
    void readLargeSettingsFile();

private:
    QTemporaryDir dir_;
};

void Micro::init()
{
    ResetGeneral();
    General::SetIniFolder(PathBytes(dir_.path()));
    QFile file(General::IniPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[TRACKPACE]\r\nScale=HO\r\nTrackConfig=STRAIGHT\r\nTrackLength=48\r\n");
}

void Micro::keystrokeToSpeed()
{
    MessageRecorder boxes;
    HomeHost host;
    LoadSettings(host);
    host.ShowMainWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&host.Home()));
    auto* entry = Find<QLineEdit>(host.Home(), "txtLength");
    entry->setFocus();
    entry->end(false);
    bool shortened = false;
    QBENCHMARK {
        // One key each time: 48 -> 4 -> 48 -> 4 ...
        QTest::keyClick(entry, shortened ? Qt::Key_8 : Qt::Key_Backspace);
        shortened = !shortened;
    }
    const QString speed = Find<QLabel>(host.Home(), "lblSpeed")->text();
    QVERIFY(speed == QStringLiteral("237 mph") || speed == QStringLiteral("19 mph"));
    QVERIFY(boxes.boxes.empty());
}

void Micro::tablePaint()
{
    General::ScaleDistance = 27645.0F;
    frmTvsS table(nullptr, [] { return LengthEntry{}; });
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QBENCHMARK {
        table.repaint();
    }
}

void Micro::readLargeSettingsFile()
{
    QByteArray text = "[TRACKPACE]\r\nScale=N\r\n";
    for (int i = 1; i < 32766; ++i) {
        text += "Other=1\r\n";
    }
    QFile file(General::IniPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    MessageRecorder boxes;
    SilentHome home;
    QBENCHMARK {
        General::DefScale.clear();
        LoadSettings(home);
    }
    QCOMPARE(General::DefScale, QStringLiteral("N"));
    QVERIFY(boxes.boxes.empty());
}

QTEST_MAIN(Micro)
#include "micro.moc"
