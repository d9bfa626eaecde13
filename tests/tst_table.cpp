// The table window: what its paint draws, its controls as laid out, its keys and repainting.
#include "core/General.h"
#include "core/Scales.h"
#include "ui/Fonts.h"
#include "ui/table/TablePage.h"
#include "ui/table/ZonedText.h"
#include "ui/table/frmTvsS.h"

#include "PaintRecorder.h"
#include "TestSupport.h"

#include <QtTest>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

namespace {

struct Drawn {
    std::vector<std::vector<PlacedText>> lines;
    qreal column = 0;
    qreal lineHeight = 0;
    qreal blank = 0;
};

// Writes `lines` on an image in the window font and keeps where each text went.
Drawn DrawOnImage(const std::vector<ZoneLine>& lines, const QFont& font = WindowFont())
{
    QImage image(600, 400, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    ZonedText writer(painter);
    Drawn drawn;
    for (const ZoneLine& line : lines) {
        drawn.lines.push_back(writer.WriteLine(line));
    }
    drawn.column = writer.ColumnWidth();
    drawn.lineHeight = writer.LineHeight();
    drawn.blank = QFontMetricsF(font, &image).horizontalAdvance(u' ');
    return drawn;
}

// The texts of one painted line that are not blanks alone, with where each starts.
using PaintedLine = QList<std::pair<QString, qreal>>;

std::vector<PaintedLine> PaintedLines(const std::vector<RecordedText>& texts, QList<qreal>& baselines)
{
    std::vector<PaintedLine> lines;
    for (const RecordedText& piece : texts) {
        if (piece.text.trimmed().isEmpty()) {
            continue;
        }
        if (baselines.isEmpty() || piece.baseline.y() != baselines.back()) {
            baselines << piece.baseline.y();
            lines.emplace_back();
        }
        lines.back() << std::pair{piece.text, piece.baseline.x()};
    }
    return lines;
}

QString Shown(const PaintedLine& line)
{
    QStringList parts;
    for (const auto& [text, x] : line) {
        parts << QStringLiteral("\"%1\"@%2").arg(text).arg(x, 0, 'f', 2);
    }
    return parts.join(u' ');
}

}  // namespace

class TestTable : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void paintedTable_data();
    void paintedTable();
    void controls_data();
    void controls();
    void window();
    void zoneMovesPastLongText();
    void escapeDoesNotClose();
    void exitCloses();
    void everyPaintDrawsOneWholeTable();
};

void TestTable::initTestCase()
{
    // The metrics the table is drawn with are Arial's, as the program makes sure at
    // its start (a system without the font, such as Windows' offscreen platform, gets
    // the carried Liberation Sans).
    UseArialMetrics();
}

void TestTable::init()
{
    ResetGeneral();
}

void TestTable::paintedTable_data()
{
    QTest::addColumn<float>("feet");
    QTest::addColumn<QStringList>("runTimes");

    // Run time = seconds per mile (360, 180, 120, 90, 72, 60, 51, 45, 40, 36, 33, 30)
    // x feet / 5280, with one decimal, halves away from zero, no zero before the point.
    QTest::newRow("HO 24 in: 174 ft") << 174.0F << RunTimes174;
    QTest::newRow("G 1 in: 1 ft") << 1.0F
                                  << QStringList{".1", ".0", ".0", ".0", ".0", ".0",
                                                 ".0", ".0", ".0", ".0", ".0", ".0"};
    QTest::newRow("empty entry: 0 ft") << 0.0F << QStringList(12, QStringLiteral(".0"));
    // 120 x 11 / 5280 = 0.25 exactly: .3; 36 x 11 / 5280 = 0.075: .1.
    QTest::newRow("11 ft, halves") << 11.0F
                                   << QStringList{".8", ".4", ".3", ".2", ".2", ".1",
                                                  ".1", ".1", ".1", ".1", ".1", ".1"};
    // 60 x 110 / 5280 = 1.25: 1.3; 180 x 110 / 5280 = 3.75: 3.8; 36 x 110 / 5280 = 0.75: .8.
    QTest::newRow("110 ft, halves") << 110.0F
                                    << QStringList{"7.5", "3.8", "2.5", "1.9", "1.5", "1.3",
                                                   "1.1", ".9", ".8", ".8", ".7", ".6"};
    QTest::newRow("O 11 in: 44 ft") << 44.0F
                                    << QStringList{"3.0", "1.5", "1.0", ".8", ".6", ".5",
                                                   ".4", ".4", ".3", ".3", ".3", ".3"};
    // 51 x 1740 / 5280 = 16.81 (3600 / 70 would give 16.9); 33 x 1740 / 5280 = 10.875.
    QTest::newRow("HO 240 in: 1740 ft") << 1740.0F
                                        << QStringList{"118.6", "59.3", "39.5", "29.7", "23.7", "19.8",
                                                       "16.8", "14.8", "13.2", "11.9", "10.9", "9.9"};
    QTest::newRow("Z circle 240 in: 27645 ft") << 27645.0F
                                               << QStringList{"1884.9", "942.4", "628.3", "471.2", "377.0", "314.1",
                                                              "267.0", "235.6", "209.4", "188.5", "172.8", "157.1"};
}

void TestTable::paintedTable()
{
    QFETCH(float, feet);
    QFETCH(QStringList, runTimes);
    General::ScaleDistance = feet;
    frmTvsS table(nullptr, [] { return LengthEntry{}; });
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    PaintRecorder recorder(table.size());
    recorder.Record(table, true);

    // The box: four thin lines in the text colour.
    const QList<QLineF> box{{32, 40, 320, 40}, {32, 240, 320, 240}, {32, 40, 32, 240}, {320, 40, 320, 240}};
    QCOMPARE(int(recorder.lines.size()), 4);
    for (const RecordedLine& line : recorder.lines) {
        QVERIFY2(box.contains(line.line), qPrintable(QStringLiteral("line %1,%2 %3,%4").arg(line.line.x1()).arg(line.line.y1()).arg(line.line.x2()).arg(line.line.y2())));
        QCOMPARE(line.pen.color(), table.palette().color(QPalette::WindowText));
        QVERIFY(line.pen.widthF() <= 1.0 && line.pen.style() == Qt::SolidLine);
    }

    // Zones of 14 average characters of the window font: the columns start in
    // zones 2, 3 and 4, the numbers with their own blank before the digits.
    const QFontMetricsF metrics(WindowFont(), &recorder);
    const qreal zone = 14 * metrics.averageCharWidth();
    const qreal blank = metrics.horizontalAdvance(u' ');
    std::vector<PaintedLine> expected{{{"Speed", zone}, {"Run Time", 2 * zone}, {"Seconds", 3 * zone}},
                                      {{"  MPH", zone}, {"Seconds", 2 * zone}, {" per Mile", 3 * zone}}};
    const QStringList perMile{"360", "180", "120", "90", "72", "60", "51", "45", "40", "36", "33", "30"};
    for (int row = 0; row < 12; ++row) {
        expected.push_back({{u' ' + QString::number((row + 1) * 10) + u' ', zone + blank},
                            {runTimes.at(row), 2 * zone + 2 * blank},
                            {u' ' + perMile.at(row) + u' ', 3 * zone + 2 * blank}});
    }
    QList<qreal> baselines;
    const std::vector<PaintedLine> painted = PaintedLines(recorder.texts, baselines);
    QCOMPARE(painted.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        bool same = painted.at(i).size() == expected.at(i).size();
        for (qsizetype k = 0; same && k < expected.at(i).size(); ++k) {
            same = painted.at(i).at(k).first == expected.at(i).at(k).first &&
                   std::abs(painted.at(i).at(k).second - expected.at(i).at(k).second) < 0.01;
        }
        QVERIFY2(same, qPrintable(QStringLiteral("line %1: painted %2, expected %3")
                                      .arg(i).arg(Shown(painted.at(i)), Shown(expected.at(i)))));
    }
    for (const RecordedText& piece : recorder.texts) {
        QCOMPARE(piece.font, WindowFont());
    }
    // One line height apart, after three empty lines; the headings' capitals start
    // below the box's top edge and the last row ends above its bottom edge.
    const qreal step = baselines.at(1) - baselines.at(0);
    QVERIFY2(step >= metrics.height() && step < metrics.height() + 1, qPrintable(QString::number(step)));
    for (qsizetype i = 1; i < baselines.size(); ++i) {
        QCOMPARE(baselines.at(i) - baselines.at(i - 1), step);
    }
    QCOMPARE(baselines.front(), 3 * step + metrics.ascent());
    QVERIFY(baselines.front() - metrics.capHeight() > 40);
    QVERIFY(baselines.back() + metrics.descent() < 240);
}

void TestTable::controls_data()
{
    AddLayoutColumns();
    LayoutRow("cmdPrint", {2640, 3840, 972, 372}, "Print", " Print the table ", {}, 9.75, true);
    LayoutRow("cmdExit", {3840, 3840, 972, 372}, "Exit", {}, {}, 9.75, true);
    LayoutRow("lblExplain", {480, 120, 3492, 252}, "This table is based on the following information:", {},
              Qt::AlignLeft);
    LayoutRow("lblInfo1", {120, 360, 5052, 252}, "Info Line", {}, Qt::AlignHCenter);
    // Emptied when the window loads; it grows round its centre when it shows text.
    LayoutRow("lblMessage", {990, 3915, 1035, 210}, "", {}, Qt::AlignHCenter, 8.25, true);
}

void TestTable::controls()
{
    frmTvsS table(nullptr, [] { return LengthEntry{}; });
    CompareWithLayout(Find<QWidget>(table, LayoutName()));
}

void TestTable::window()
{
    frmTvsS table(nullptr, [] { return LengthEntry{}; });
    QCOMPARE(table.windowTitle(), QStringLiteral("Trackpace - Time vs. Speed Table"));
    // 5310 x 4470 twips.
    QCOMPARE(table.size(), QSize(354, 298));
    QCOMPARE(table.minimumSize(), table.maximumSize());
    QVERIFY(!table.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!table.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(table.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QCOMPARE(table.font(), WindowFont());
    QCOMPARE(Find<QPushButton>(table, "cmdPrint")->nextInFocusChain(), Find<QPushButton>(table, "cmdExit"));
    QVERIFY(!Find<QPushButton>(table, "cmdPrint")->isDefault() && !Find<QPushButton>(table, "cmdExit")->isDefault());
    QCOMPARE(Find<QTimer>(table, "tmrMsgTimer")->interval(), 2000);
    QVERIFY(Find<QTimer>(table, "tmrMsgTimer")->isSingleShot());
    QVERIFY(!Find<QTimer>(table, "tmrMsgTimer")->isActive());
    QVERIFY(!table.windowIcon().isNull());
    for (QLabel* label : {Find<QLabel>(table, "lblExplain"), Find<QLabel>(table, "lblInfo1"), Find<QLabel>(table, "lblMessage")}) {
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    }
}

void TestTable::zoneMovesPastLongText()
{
    const Drawn d = DrawOnImage({{ZoneItem::Text(QString(20, u'W')), ZoneItem::NextZone(), ZoneItem::Text("a")},
                                 {ZoneItem::NextZone(), ZoneItem::NextZone(), ZoneItem::Text("b")},
                                 {ZoneItem::Blanks(3), ZoneItem::Number(10)}});
    const qreal afterLong = d.lines.at(0).at(1).topLeft.x();
    QVERIFY(afterLong > 14 * d.column);
    QCOMPARE(std::fmod(afterLong, 14 * d.column), 0.0);
    QCOMPARE(d.lines.at(1).at(0).topLeft.x(), 28 * d.column);
    QCOMPARE(d.lines.at(2).at(0).text, QStringLiteral("   "));
    QCOMPARE(d.lines.at(2).at(1).text, QStringLiteral(" 10 "));
    QCOMPARE(d.lines.at(2).at(1).topLeft.x(), 3 * d.blank);
}

void TestTable::escapeDoesNotClose()
{
    frmTvsS table(nullptr, [] { return LengthEntry{}; });
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QTest::keyClick(&table, Qt::Key_Escape);
    QVERIFY(table.isVisible());
}

void TestTable::exitCloses()
{
    frmTvsS table(nullptr, [] { return LengthEntry{}; });
    WhenModalOpens([&table](QWidget* modal) {
        QCOMPARE(modal, &table);
        QCOMPARE(QApplication::focusWidget(), Find<QPushButton>(table, "cmdPrint"));
        QTest::mouseClick(Find<QPushButton>(table, "cmdExit"), Qt::LeftButton);
    });
    table.exec();
    QVERIFY(!table.isVisible());
    QVERIFY(!ModalTimedOut());
}

void TestTable::everyPaintDrawsOneWholeTable()
{
    // Covered and uncovered, the window paints again; opened a second time, it starts
    // afresh: each paint writes the two headings and the twelve rows once, from the top.
    General::ScaleDistance = 174.0F;
    qreal firstBaseline = -1;
    for (int opening = 1; opening <= 2; ++opening) {
        frmTvsS table(nullptr, [] { return LengthEntry{}; });
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        for (int paint = 1; paint <= 2; ++paint) {
            PaintRecorder recorder(table.size());
            recorder.Record(table, true);
            QList<qreal> baselines;
            const std::vector<PaintedLine> painted = PaintedLines(recorder.texts, baselines);
            QCOMPARE(painted.size(), std::size_t{14});
            QCOMPARE(painted.at(2).at(1).first, QStringLiteral("11.9"));
            QCOMPARE(painted.at(13).at(1).first, QStringLiteral("1.0"));
            firstBaseline = firstBaseline < 0 ? baselines.front() : firstBaseline;
            QCOMPARE(baselines.front(), firstBaseline);
        }
        // And on the screen: text inside the box.
        const QImage shown = table.grab().toImage();
        int dark = 0;
        for (int y = 45; y < 235; ++y) {
            for (int x = 40; x < 315; ++x) {
                dark += qGray(shown.pixel(x, y)) < 100 ? 1 : 0;
            }
        }
        QVERIFY(dark > 300);
    }
}

QTEST_MAIN(TestTable)
#include "tst_table.moc"
