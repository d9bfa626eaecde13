// Opening and closing each window a thousand times leaves the heap where it was.
#include "core/General.h"
#include "settings/Settings.h"
#include "ui/about/frmAbout.h"
#include "ui/home/HomeHost.h"
#include "ui/home/frmHome.h"
#include "ui/prefs/frmPrefs.h"
#include "ui/table/frmTvsS.h"
#include "ui/timer/frmRunTimer.h"

#include "TestSupport.h"

#include <QtTest>
#include <QDialog>

#ifdef __SANITIZE_ADDRESS__
// AddressSanitizer's own count of the bytes allocated now (its runtime, GCC's or
// clang's, has it; GCC ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

// Bytes the program holds on its heap now.
qint64 HeapInUse()
{
#ifdef __SANITIZE_ADDRESS__
    return static_cast<qint64>(__sanitizer_get_current_allocated_bytes());
#else
    return static_cast<qint64>(mallinfo2().uordblks);
#endif
}

// What a window system does with a window that opens: shows it and draws its icon
// at the sizes of a frame and a task bar.
void Open(QWidget& window)
{
    window.show();
    for (const int size : {16, 32, 48}) {
        static_cast<void>(window.windowIcon().pixmap(size));
    }
    QCoreApplication::processEvents();
    window.close();
    QCoreApplication::processEvents();
}

// How much the heap grows over 1,000 calls of `openOnce`, after 50 that fill the
// caches every later one shares.
qint64 Growth(const std::function<void()>& openOnce)
{
    for (int i = 0; i < 50; ++i) {
        openOnce();
    }
    const qint64 before = HeapInUse();
    for (int i = 0; i < 1000; ++i) {
        openOnce();
    }
    return HeapInUse() - before;
}

}  // namespace

class TestMemory : public QObject {
    Q_OBJECT

private slots:
    void openingsLeaveTheHeap_data();
    void openingsLeaveTheHeap();
};

void TestMemory::openingsLeaveTheHeap_data()
{
    QTest::addColumn<QString>("window");
    for (const char* window : {"table", "preferences", "about", "run timer"}) {
        QTest::newRow(window) << QString::fromLatin1(window);
    }
}

void TestMemory::openingsLeaveTheHeap()
{
    QFETCH(QString, window);
    TestSession session;
    QVERIFY(session.Start());
    frmHome& home = session.host->Home();
    qint64 growth = Growth([&] {
        if (window == u"table") {
            frmTvsS table(&home, [] { return LengthEntry{}; });
            Open(table);
        } else if (window == u"preferences") {
            frmPrefs prefs(&home);
            Open(prefs);
        } else if (window == u"about") {
            frmAbout about(&home);
            Open(about);
        } else {
            Open(*home.RunTimer());
        }
    });
    if (window == u"run timer") {
        // The run timer is one window shown again and again, and Qt keeps some memory
        // for every showing of any window on some platforms (offscreen among them):
        // what an empty dialog shown as often keeps is not the program's.
        QDialog empty;
        growth -= Growth([&empty] { Open(empty); });
    }
    qInfo("%s: the heap grew by %lld bytes over 1,000 openings", qPrintable(window), growth);
    QVERIFY2(growth < 100 * 1024, qPrintable(QStringLiteral("the heap grew by %1 bytes").arg(growth)));
}

QTEST_MAIN(TestMemory)
#include "tst_memory.moc"
