// The arithmetic: worked values, text forms, the length reader and the input ranges.
#include "core/Scales.h"

#include <QtTest>

#include <cmath>
#include <limits>

class TestScales : public QObject {
    Q_OBJECT

private slots:
    void catalogue();
    void scaleDistance_data();
    void scaleDistance();
    void scaleSpeed_data();
    void scaleSpeed();
    void leadingNumber_data();
    void leadingNumber();
    void runTimeText_data();
    void runTimeText();
    void secondsPerMile();
    void tableRows();
    void everyInputGivesTheExactValue();
    void wholeText();
};

void TestScales::catalogue()
{
    const auto& scales = ScaleCatalogue();
    QStringList names;
    for (const ScaleEntry& entry : scales) {
        names << entry.name;
        QCOMPARE(entry.tooltip, u' ' + entry.name + QStringLiteral(" Scale "));
        QCOMPARE(ScaleIndexOf(entry.name), entry.index);
    }
    QCOMPARE(names, (QStringList{"Z", "N", "HO", "S", "O", "G"}));
    QCOMPARE(scales.at(5).ratio, 22.5F);
    QCOMPARE(ScaleIndexOf(QStringLiteral("ho")), 0);
    QCOMPARE(scales.at(DefaultScaleIndex - 1).name, QStringLiteral("HO"));
}

void TestScales::scaleDistance_data()
{
    // The worked values; every other whole length is checked against exact
    // arithmetic below, and the extremes as the main window shows them.
    QTest::addColumn<int>("scale");
    QTest::addColumn<bool>("circle");
    QTest::addColumn<QString>("length");
    QTest::addColumn<float>("feet");

    QTest::newRow("HO straight 48") << 3 << false << "48" << 348.0F;
    QTest::newRow("HO circle 48") << 3 << true << "48" << 2186.0F;
    QTest::newRow("HO circle 24") << 3 << true << "24" << 1093.0F;
    QTest::newRow("HO straight 240") << 3 << false << "240" << 1740.0F;
    QTest::newRow("Z straight 12") << 1 << false << "12" << 220.0F;
    QTest::newRow("O straight 11") << 5 << false << "11" << 44.0F;
    QTest::newRow("N straight 1") << 2 << false << "1" << 13.0F;
    QTest::newRow("G straight 1") << 6 << false << "1" << 1.0F;
    QTest::newRow("HO 12.5 decimals") << 3 << false << "12.5" << 90.0F;
    QTest::newRow("Z circle 240") << 1 << true << "240" << 27645.0F;
    QTest::newRow("leading blank") << 3 << false << " 48" << 348.0F;
    QTest::newRow("leading zero") << 3 << false << "024" << 174.0F;
    // 1.8 held as a float is 1.79999995: 220 x 1.79999995 / 12 = 32.9999991 in 64-bit
    // arithmetic, 32 ft; 32-bit arithmetic would round 395.99999 up to 396 and give 33.
    QTest::newRow("Z 1.8: 64-bit arithmetic") << 1 << false << "1.8" << 32.0F;
    // 160 x 2.09999990 / 12 = 27.9999987: 27 ft, not 28.
    QTest::newRow("N 2.1: 64-bit arithmetic") << 2 << false << "2.1" << 27.0F;
}

void TestScales::scaleDistance()
{
    QFETCH(int, scale);
    QFETCH(bool, circle);
    QFETCH(QString, length);
    QFETCH(float, feet);
    const float ratio = ScaleCatalogue().at(scale - 1).ratio;
    QCOMPARE(ScaleDistanceOf(ratio, RunLengthOf(length, circle)), feet);
}

void TestScales::scaleSpeed_data()
{
    QTest::addColumn<float>("feet");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("mph");

    QTest::newRow("HO 48, 1 s") << 348.0F << 1 << 237;
    QTest::newRow("HO 48, 10 s") << 348.0F << 10 << 23;
    QTest::newRow("HO circle 24, 10 s") << 1093.0F << 10 << 74;
    QTest::newRow("Z 12, 10 s: 14 not 15") << 220.0F << 10 << 14;
    QTest::newRow("largest speed") << 27645.0F << 1 << 18848;
    QTest::newRow("empty entry") << 0.0F << 5 << 0;
    QTest::newRow("a mile a minute: 59, the float hours lie above 1/60") << 5280.0F << 60 << 59;
}

void TestScales::scaleSpeed()
{
    QFETCH(float, feet);
    QFETCH(int, seconds);
    QFETCH(int, mph);
    QCOMPARE(int(ScaleSpeedOf(feet, seconds).mph), mph);
}

void TestScales::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");

    QTest::newRow("plain") << "48" << 48.0;
    QTest::newRow("leading blanks") << "  12" << 12.0;
    QTest::newRow("inner blank") << "1 2" << 12.0;
    QTest::newRow("tab and line feed") << "\t4\n8" << 48.0;
    QTest::newRow("trailing letter") << "12a" << 12.0;
    QTest::newRow("comma ends it") << "1,5" << 1.0;
    QTest::newRow("decimals") << "12.5" << 12.5;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("second point ends it") << "1.2.3" << 1.2;
    QTest::newRow("exponent") << "1e2" << 100.0;
    QTest::newRow("upper exponent") << "2E1" << 20.0;
    QTest::newRow("exponent out of range") << "9e9" << 9e9;
    QTest::newRow("negative exponent") << "1e-2" << 0.01;
    QTest::newRow("bare exponent letter") << "1e" << 1.0;
    QTest::newRow("exponent sign only") << "1e+" << 1.0;
    QTest::newRow("no mantissa") << "e5" << 0.0;
    QTest::newRow("plus") << "+5" << 5.0;
    QTest::newRow("minus") << "-1" << -1.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("hexadecimal") << "&HF" << 15.0;
    QTest::newRow("hexadecimal lower") << "&hf" << 15.0;
    QTest::newRow("octal") << "&O7" << 7.0;
    QTest::newRow("octal stops at 8") << "&O8" << 0.0;
    QTest::newRow("octal stops at a letter") << "&OA" << 0.0;
    QTest::newRow("octal stops at a letter after a digit") << "&O7A" << 7.0;
    QTest::newRow("prefix alone") << "&H" << 0.0;
    QTest::newRow("ampersand alone") << "&" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("underflow") << "1e-999" << 0.0;
    QTest::newRow("underflow without exponent") << ("0." + QString(400, u'0') + "1") << 0.0;
    QTest::newRow("overflow without exponent") << ("1" + QString(400, u'0')) << std::numeric_limits<double>::infinity();
    QTest::newRow("overflow by exponent") << "1e999" << std::numeric_limits<double>::infinity();
    QTest::newRow("tiny exponent beats long digits") << (QString(400, u'9') + "e-999") << 0.0;
    QTest::newRow("long hexadecimal rounds correctly") << ("&H" + QString(20, u'F')) << 1208925819614629174706175.0;
    QTest::newRow("three octal digits") << "&O777" << 511.0;
    QTest::newRow("long octal rounds correctly") << ("&O" + QString(22, u'7')) << 73786976294838206463.0;
    QTest::newRow("non-ASCII ends it") << QString::fromUtf8("4\u00bd") << 4.0;
}

void TestScales::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QCOMPARE(LeadingNumber(text), number);
}

void TestScales::runTimeText_data()
{
    QTest::addColumn<float>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0.0F << ".0";
    QTest::newRow("below a twentieth") << 0.04F << ".0";
    QTest::newRow("a twentieth") << 0.05F << ".1";
    QTest::newRow("quarter, half away from zero") << 0.25F << ".3";
    QTest::newRow("one and a quarter") << 1.25F << "1.3";
    QTest::newRow("0.35 judged on its decimal form") << 0.35F << ".4";
    QTest::newRow("33 x 568 / 5280") << static_cast<float>(33.0 * 568.0 / 5280.0) << "3.6";
    QTest::newRow("whole") << 3.0F << "3.0";
    QTest::newRow("four digits") << static_cast<float>(360.0 * 27645.0 / 5280.0) << "1884.9";
    QTest::newRow("rounds up into the next whole") << 9.96F << "10.0";
    // Beyond any table (at most 1884.9 s), still one decimal and every whole digit.
    QTest::newRow("seven whole digits") << 1234567.0F << "1234567.0";
    QTest::newRow("beyond twelve digits") << 1e20F << "100000002004087734272.0";
}

void TestScales::runTimeText()
{
    QFETCH(float, seconds);
    QFETCH(QString, text);
    QCOMPARE(RunTimeText(seconds), text);
}

void TestScales::secondsPerMile()
{
    QList<int> values;
    for (int speed = 10; speed <= 120; speed += 10) {
        values << SecondsPerMile(speed);
    }
    QCOMPARE(values, (QList<int>{360, 180, 120, 90, 72, 60, 51, 45, 40, 36, 33, 30}));
}

void TestScales::tableRows()
{
    // HO, 48 in: 348 ft, the worked rows, from the whole seconds per mile: 360 x 348 /
    // 5280 = 23.7273, 51 x 348 / 5280 = 3.3614 (3600 / 70 would give 3.39), 30 x 348 /
    // 5280 = 1.9773. The other distances are checked where the table window paints them.
    const auto rows = TableRowsOf(348.0F);
    QCOMPARE(rows.size(), std::size_t{12});
    QCOMPARE(int(rows.at(0).speed), 10);
    QCOMPARE(rows.at(0).runTime, 23.727273F);
    QCOMPARE(rows.at(0).runTimeText, QStringLiteral("23.7"));
    QCOMPARE(int(rows.at(6).speed), 70);
    QCOMPARE(rows.at(6).runTime, 3.3613636F);
    QCOMPARE(rows.at(6).runTimeText, QStringLiteral("3.4"));
    QCOMPARE(int(rows.at(11).speed), 120);
    QCOMPARE(rows.at(11).runTime, 1.9772727F);
    QCOMPARE(rows.at(11).runTimeText, QStringLiteral("2.0"));
}

namespace {

// A positive float exactly: an integer mantissa of 24 bits times 2 to the exponent.
std::pair<qint64, int> Exactly(float value)
{
    int exponent = 0;
    const float mantissa = std::frexp(value, &exponent);
    return {static_cast<qint64>(std::ldexp(mantissa, 24)), exponent - 24};
}

// floor(a x 2^shift / b) for positive a and b, in whole numbers, without rounding.
qint64 FloorScaled(qint64 a, int shift, qint64 b)
{
    return shift >= 0 ? (a << shift) / b : a / (b << -shift);
}

}  // namespace

void TestScales::everyInputGivesTheExactValue()
{
    // Every whole length, scale, configuration and time against exact arithmetic on
    // the values the program stores as 32-bit floats (the run length and the hours):
    // feet = floor(ratio x run / 12), mph = floor(feet / 5280 / hours).
    int checked = 0;
    for (const ScaleEntry& scale : ScaleCatalogue()) {
        const auto twiceRatio = static_cast<qint64>(2 * scale.ratio);  // 22.5 for G
        for (const bool circle : {false, true}) {
            for (int inches = 1; inches <= 240; ++inches) {
                const float run = circle ? static_cast<float>(2.0 * inches * 3.14159) : static_cast<float>(inches);
                const auto [runMantissa, runExponent] = Exactly(run);
                const qint64 feet = FloorScaled(twiceRatio * runMantissa, runExponent, 24);
                const float shown = ScaleDistanceOf(scale.ratio, RunLengthOf(QString::number(inches), circle));
                if (shown != static_cast<float>(feet)) {
                    QFAIL(qPrintable(QStringLiteral("%1 %2 in (circle %3): %4 ft, exactly %5")
                                         .arg(scale.name).arg(inches).arg(circle).arg(shown).arg(feet)));
                }
                for (int t = 1; t <= 60; ++t) {
                    const auto [hoursMantissa, hoursExponent] = Exactly(static_cast<float>(t / 3600.0));
                    const qint64 mph = FloorScaled(feet, -hoursExponent, 5280 * hoursMantissa);
                    const qint16 speed = ScaleSpeedOf(shown, t).mph;
                    if (speed != mph) {
                        QFAIL(qPrintable(QStringLiteral("%1 %2 in (circle %3), %4 s: %5 mph, exactly %6")
                                             .arg(scale.name).arg(inches).arg(circle).arg(t).arg(speed).arg(mph)));
                    }
                    ++checked;
                }
            }
        }
    }
    QCOMPARE(checked, 6 * 2 * 240 * 60);
}

void TestScales::wholeText()
{
    QCOMPARE(WholeText(27645.0F), QStringLiteral("27645"));
    QCOMPARE(WholeText(0.0F), QStringLiteral("0"));
}

QTEST_APPLESS_MAIN(TestScales)
#include "tst_scales.moc"
