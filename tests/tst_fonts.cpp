// The windows on a system whose fonts hold no Arial and no metric twin: the carried font keeps them whole.
#include "core/Files.h"
#include "core/General.h"
#include "ui/Fonts.h"
#include "ui/about/frmAbout.h"
#include "ui/home/frmHome.h"
#include "ui/table/frmTvsS.h"

#include "TestSupport.h"

#include <QtTest>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>

namespace {

// Every piece of text of `window` that shows whole in its control; the cut ones
// are listed.
QStringList CutTexts(QWidget& window)
{
    QStringList cut;
    for (QWidget* control : window.findChildren<QWidget*>()) {
        QString text;
        bool fits = true;
        if (auto* label = qobject_cast<QLabel*>(control); label && !label->text().isEmpty()) {
            text = label->text();
            fits = label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                     : label->sizeHint().width() <= label->width();
        } else if (auto* push = qobject_cast<QPushButton*>(control)) {
            // A push button's own size hint has a minimum width; its text needs less.
            text = push->text().remove(u'&');
            fits = QFontMetrics(push->font()).horizontalAdvance(text) + 8 <= push->width();
        } else if (auto* option = qobject_cast<QRadioButton*>(control)) {
            // The text's room is what the style leaves beside the indicator.
            QStyleOptionButton style;
            style.initFrom(option);
            const QRect room = option->style()->subElementRect(QStyle::SE_RadioButtonContents, &style, option);
            text = option->text();
            fits = QFontMetrics(option->font()).horizontalAdvance(text) <= room.width();
        } else if (auto* frame = qobject_cast<QGroupBox*>(control)) {
            text = frame->title();
            fits = QFontMetrics(frame->font()).horizontalAdvance(text) + 16 <= frame->width();
        }
        if (!fits) {
            cut << QStringLiteral("%1 (%2 wide)").arg(text).arg(control->width());
        }
    }
    return cut;
}

// Columns of pixels that hold ink of the table (darker than mid grey) in the rows
// between the box's top and bottom edges, the edges themselves left out.
QList<int> InkColumns(const QImage& picture)
{
    QList<int> columns;
    for (int x = 0; x < picture.width(); ++x) {
        for (int y = 42; y < 239; ++y) {
            if (x != 32 && x != 320 && qGray(picture.pixel(x, y)) < 128) {
                columns << x;
                break;
            }
        }
    }
    return columns;
}

}  // namespace

class TestFonts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void carriedFontStandsIn();
    void mainWindowTextsWhole();
    void tableColumnsInsideTheBox();
    void aboutWindowTextsWhole();
};

void TestFonts::initTestCase()
{
    // Without the program's help the system shows "Arial" in a font of other metrics.
    const QString before = ArialResolvesTo();
    QVERIFY2(before.startsWith(QStringLiteral("DejaVu")), qPrintable(before));
    QCOMPARE(UseArialMetrics(), QStringLiteral("Liberation Sans"));
    QApplication::setFont(WindowFont());
    ResetGeneral();
}

void TestFonts::carriedFontStandsIn()
{
    for (const bool bold : {false, true}) {
        const QFontInfo info(ArialFont(9.75, bold));
        QCOMPARE(info.family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(info.bold(), bold);
    }
    // Arial's advance widths, 1366/2048 em for S and 1139/2048 for p, e and d, at 11
    // pixels to the em and hinted to whole pixels: 7 + 4 x 6 = 31 for "Speed".
    QCOMPARE(QFontMetricsF(WindowFont()).horizontalAdvance(QStringLiteral("Speed")), 31.0);
}

void TestFonts::mainWindowTextsWhole()
{
    frmHome home;
    home.SelectScale(3);
    home.SelectStraight();
    home.SetLength(240);
    home.show();
    QVERIFY(QTest::qWaitForWindowExposed(&home));
    QVERIFY2(CutTexts(home).isEmpty(), qPrintable(CutTexts(home).join(QStringLiteral(" | "))));
}

void TestFonts::tableColumnsInsideTheBox()
{
    // The widest table: 27645 scale feet gives run times of four digits.
    General::ScaleDistance = 27645.0F;
    frmTvsS table(nullptr, [] { return LengthEntry{}; });
    Find<QLabel>(table, "lblInfo1")->setText(QStringLiteral("Circle Radius:  240 in.      Scale:  Z      Distance:  27645 scale ft."));
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    const QList<int> ink = InkColumns(table.grab().toImage());
    QVERIFY(!ink.isEmpty());
    QVERIFY2(ink.front() > 32 && ink.back() < 320, qPrintable(QStringLiteral("ink from %1 to %2").arg(ink.front()).arg(ink.back())));
    // Three columns, each starting in its zone: ink in each third of the box.
    const qreal zone = 14 * QFontMetricsF(WindowFont()).averageCharWidth();
    for (int column = 1; column <= 3; ++column) {
        const auto inZone = [&](int x) { return x >= column * zone && x < (column + 1) * zone; };
        QVERIFY2(std::any_of(ink.begin(), ink.end(), inZone), qPrintable(QStringLiteral("column %1").arg(column)));
    }
    QVERIFY2(CutTexts(table).isEmpty(), qPrintable(CutTexts(table).join(QStringLiteral(" | "))));
}

void TestFonts::aboutWindowTextsWhole()
{
    frmAbout about(nullptr, {[] { return QString(); }, [](const QString&) { return false; }});
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY2(CutTexts(about).isEmpty(), qPrintable(CutTexts(about).join(QStringLiteral(" | "))));
}

// The font list must lack Liberation Sans before the application reads it: a font
// configuration of this test's own, naming the DejaVu fonts only.
int main(int argc, char* argv[])
{
    QTemporaryDir fonts;
    QFile config(fonts.filePath(QStringLiteral("fonts.conf")));
    if (!config.open(QIODevice::WriteOnly)) {
        return 2;
    }
    config.write(QStringLiteral("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
                                "  <dir>/usr/share/fonts/truetype/dejavu</dir>\n  <cachedir>%1</cachedir>\n"
                                "</fontconfig>\n")
                     .arg(fonts.filePath(QStringLiteral("cache")))
                     .toUtf8());
    config.close();
    qputenv("FONTCONFIG_FILE", PathBytes(config.fileName()));
    QApplication app(argc, argv);
    TestFonts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fonts.moc"
