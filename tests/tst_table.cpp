// The table window: zone positions, the rows it draws, its controls and its timer.
#include "core/General.h"
#include "core/Scales.h"
#include "ui/Fonts.h"
#include "ui/table/TablePage.h"
#include "ui/table/ZonedText.h"
#include "ui/table/frmTvsS.h"

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

QString Joined(const std::vector<PlacedText>& line)
{
    QString text;
    for (const PlacedText& piece : line) {
        text += piece.text + u' ';
    }
    return text.simplified();
}

}  // namespace

class TestTable : public QObject {
    Q_OBJECT

private slots:
    void init();
    void screenRows_data();
    void screenRows();
    void columnsStartAtTheirZones_data();
    void columnsStartAtTheirZones();
    void zoneMovesPastLongText();
    void tableFitsTheBox();
    void window();
    void escapeDoesNotClose();
    void exitCloses();
    void timerClearsTheMessage();
    void repaintKeepsTheTable();
    void secondOpeningDrawsOneTable();
};

void TestTable::init()
{
    ResetGeneral();
}

void TestTable::screenRows_data()
{
    QTest::addColumn<float>("feet");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("seventh");
    QTest::addColumn<QString>("last");

    QTest::newRow("174") << 174.0F << "10 11.9 360" << "70 1.7 51" << "120 1.0 30";
    QTest::newRow("1") << 1.0F << "10 .1 360" << "70 .0 51" << "120 .0 30";
    QTest::newRow("0") << 0.0F << "10 .0 360" << "70 .0 51" << "120 .0 30";
    QTest::newRow("1740") << 1740.0F << "10 118.6 360" << "70 16.8 51" << "120 9.9 30";
    QTest::newRow("27645") << 27645.0F << "10 1884.9 360" << "70 267.0 51" << "120 157.1 30";
}

void TestTable::screenRows()
{
    QFETCH(float, feet);
    QFETCH(QString, first);
    QFETCH(QString, seventh);
    QFETCH(QString, last);
    float workTime = -1.0F;
    const Drawn drawn = DrawOnImage(ScreenTableLines(feet, workTime));
    QCOMPARE(drawn.lines.size(), std::size_t{17});
    for (int i = 0; i < 3; ++i) {
        QVERIFY(drawn.lines.at(i).empty());
    }
    QCOMPARE(Joined(drawn.lines.at(3)), QStringLiteral("Speed Run Time Seconds"));
    QCOMPARE(Joined(drawn.lines.at(4)), QStringLiteral("MPH Seconds per Mile"));
    QCOMPARE(Joined(drawn.lines.at(5)), first);
    QCOMPARE(Joined(drawn.lines.at(11)), seventh);
    QCOMPARE(Joined(drawn.lines.at(16)), last);
    // The last row's run time is what the work value holds afterwards.
    QCOMPARE(workTime, static_cast<float>(30.0 * feet / 5280.0));
}

void TestTable::columnsStartAtTheirZones_data()
{
    QTest::addColumn<float>("feet");
    QTest::newRow("174") << 174.0F;
    QTest::newRow("27645, four-digit run times") << 27645.0F;
}

void TestTable::columnsStartAtTheirZones()
{
    QFETCH(float, feet);
    float workTime = 0.0F;
    const Drawn d = DrawOnImage(ScreenTableLines(feet, workTime));
    const qreal zone2 = 14 * d.column;
    const qreal zone3 = 28 * d.column;
    const qreal zone4 = 42 * d.column;

    const std::vector<PlacedText>& heading = d.lines.at(3);
    QCOMPARE(heading.at(0).topLeft, QPointF(zone2, 3 * d.lineHeight));
    QCOMPARE(heading.at(1).topLeft.x(), zone3);
    QCOMPARE(heading.at(2).topLeft.x(), zone4);
    const std::vector<PlacedText>& second = d.lines.at(4);
    QCOMPARE(second.at(0).text, QStringLiteral("  MPH"));
    QCOMPARE(second.at(2).text, QStringLiteral(" per Mile"));

    for (int row = 0; row < 12; ++row) {
        const std::vector<PlacedText>& line = d.lines.at(5 + row);
        QCOMPARE(line.size(), std::size_t{6});
        QCOMPARE(line.at(0).text, QStringLiteral(" "));
        QCOMPARE(line.at(0).topLeft, QPointF(zone2, (5 + row) * d.lineHeight));
        // The number item carries its own blank: digits start two blanks into zone 2.
        QCOMPARE(line.at(1).text, u' ' + QString::number((row + 1) * 10) + u' ');
        QCOMPARE(line.at(1).topLeft.x(), zone2 + d.blank);
        QCOMPARE(line.at(2).text, QStringLiteral("  "));
        QCOMPARE(line.at(2).topLeft.x(), zone3);
        QCOMPARE(line.at(3).topLeft.x(), zone3 + 2 * d.blank);
        QCOMPARE(line.at(4).topLeft.x(), zone4);
        // Seconds per mile: two blanks, then the number item's own blank.
        QCOMPARE(line.at(5).topLeft.x(), zone4 + 2 * d.blank);
        QCOMPARE(line.at(5).text, u' ' + QString::number(SecondsPerMile((row + 1) * 10)) + u' ');
    }
}

void TestTable::zoneMovesPastLongText()
{
    const Drawn d = DrawOnImage({{ZoneItem::Text(QString(20, u'W')), ZoneItem::NextZone(), ZoneItem::Text("a")},
                                 {ZoneItem::NextZone(), ZoneItem::NextZone(), ZoneItem::Text("b")},
                                 {ZoneItem::Blanks(3), ZoneItem::Number(10)}});
    QVERIFY(d.lines.at(0).at(0).text.size() * d.column > 14 * d.column);
    const qreal afterLong = d.lines.at(0).at(1).topLeft.x();
    QVERIFY(afterLong > 14 * d.column);
    QCOMPARE(std::fmod(afterLong, 14 * d.column), 0.0);
    QCOMPARE(d.lines.at(1).at(0).topLeft.x(), 28 * d.column);
    QCOMPARE(d.lines.at(2).at(0).text, QStringLiteral("   "));
    QCOMPARE(d.lines.at(2).at(1).text, QStringLiteral(" 10 "));
    QCOMPARE(d.lines.at(2).at(1).topLeft.x(), 3 * d.blank);
}

void TestTable::tableFitsTheBox()
{
    float workTime = 0.0F;
    const Drawn d = DrawOnImage(ScreenTableLines(27645.0F, workTime));
    // The headings' capitals start just below the box's top edge (40 px), the last row
    // ends above its bottom edge (240 px), and every row stays inside its sides.
    const QFontMetricsF metrics(WindowFont());
    const qreal capTop = 3 * d.lineHeight + metrics.ascent() - metrics.capHeight();
    QVERIFY2(capTop > 40 && capTop < 46, qPrintable(QString::number(capTop)));
    for (const auto& line : d.lines) {
        if (!line.empty()) {
            QVERIFY(line.back().topLeft.x() + metrics.horizontalAdvance(line.back().text) < 320);
            QVERIFY(line.front().topLeft.x() > 32);
        }
    }
}

void TestTable::window()
{
    frmTvsS table(nullptr, [] { return LengthEntry{}; });
    QCOMPARE(table.windowTitle(), QStringLiteral("Trackpace - Time vs. Speed Table"));
    QCOMPARE(table.size(), QSize(354, 298));
    QCOMPARE(table.minimumSize(), table.maximumSize());
    QVERIFY(!table.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!table.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(table.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QCOMPARE(table.lblMessage->text(), QString());
    QCOMPARE(table.lblInfo1->text(), QStringLiteral("Info Line"));
    QCOMPARE(table.lblExplain->text(), QStringLiteral("This table is based on the following information:"));
    QCOMPARE(table.cmdPrint->geometry(), QRect(176, 256, 65, 25));
    QCOMPARE(table.cmdExit->geometry(), QRect(256, 256, 65, 25));
    QCOMPARE(table.cmdPrint->toolTip(), QStringLiteral(" Print the table "));
    QCOMPARE(table.cmdExit->toolTip(), QString());
    QVERIFY(table.cmdPrint->font().bold());
    QCOMPARE(table.cmdPrint->nextInFocusChain(), table.cmdExit);
    QVERIFY(!table.cmdPrint->isDefault() && !table.cmdExit->isDefault());
    QCOMPARE(table.tmrMsgTimer->interval(), 2000);
    QVERIFY(table.tmrMsgTimer->isSingleShot());
    QVERIFY(!table.tmrMsgTimer->isActive());
    QVERIFY(!table.windowIcon().isNull());
    for (QLabel* label : {table.lblExplain, table.lblInfo1, table.lblMessage}) {
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    }
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
        QCOMPARE(QApplication::focusWidget(), table.cmdPrint);
        QTest::mouseClick(table.cmdExit, Qt::LeftButton);
    });
    table.exec();
    QVERIFY(!table.isVisible());
    QVERIFY(!ModalTimedOut());
}

void TestTable::timerClearsTheMessage()
{
    frmTvsS table(nullptr, [] { return LengthEntry{}; });
    table.lblMessage->setText(QStringLiteral("Sending table to printer"));
    table.tmrMsgTimer->start();
    QVERIFY(table.tmrMsgTimer->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(table.lblMessage->text(), QString(), 3000);
    QVERIFY(!table.tmrMsgTimer->isActive());
}

void TestTable::repaintKeepsTheTable()
{
    General::ScaleDistance = 174.0F;
    frmTvsS table(nullptr, [] { return LengthEntry{}; });
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    const QImage first = table.grab().toImage();
    table.update();
    QCoreApplication::processEvents();
    const QImage again = table.grab().toImage();
    QCOMPARE(again, first);
    // Text inside the box: some dark pixels between the box's edges.
    int dark = 0;
    for (int y = 45; y < 235; ++y) {
        for (int x = 40; x < 315; ++x) {
            dark += qGray(first.pixel(x, y)) < 100 ? 1 : 0;
        }
    }
    QVERIFY(dark > 300);
}

void TestTable::secondOpeningDrawsOneTable()
{
    General::ScaleDistance = 348.0F;
    QImage shots[2];
    for (QImage& shot : shots) {
        frmTvsS table(nullptr, [] { return LengthEntry{}; });
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        shot = table.grab().toImage();
    }
    QCOMPARE(shots[1], shots[0]);
}

QTEST_MAIN(TestTable)
#include "tst_table.moc"
