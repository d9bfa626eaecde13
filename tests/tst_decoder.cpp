// The planner's arithmetic against curves worked by hand: the drive a decoder's CVs give, the CVs planned for a target, and the speed profile handed to JMRI.
#include "decoder/DecoderPlanner.h"
#include "decoder/SpeedProfileXml.h"

#include <QBuffer>
#include <QTest>
#include <QXmlStreamReader>

namespace {

// A 28-step decoder from `cvs` ("2=10,5=200"), the rest as it left the factory.
DecoderSetup Setup(const QString& cvs, int top = 255, TableFit fit = TableFit::Standard)
{
    DecoderSetup setup;
    setup.stepMode = 28;
    setup.valueTop = top;
    setup.fit = fit;
    for (const QString& pair : cvs.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        setup.SetCv(pair.section(QLatin1Char('='), 0, 0).toInt(), pair.section(QLatin1Char('='), 1).toInt());
    }
    return setup;
}

// A motor of 0.4 mph a unit of drive (102 mph at full) forward and `reverseShare` of that
// backwards, measured with the factory setup (drive 85, 170, 255 at steps 10, 19, 28).
MeasuredCurve Linear(double reverseShare = 0.0)
{
    MeasuredCurve curve{{{10, 34.0}, {19, 68.0}, {28, 102.0}}, {}};
    if (reverseShare > 0.0) {
        curve.reverse = {{10, 34.0 * reverseShare}, {19, 68.0 * reverseShare}, {28, 102.0 * reverseShare}};
    }
    return curve;
}

QString Changes(const DecoderPlan& plan, const QList<int>& only)
{
    QStringList parts;
    for (const CvChange& change : plan.changes) {
        if (only.isEmpty() || only.contains(change.cv)) {
            parts << QStringLiteral("%1:%2>%3").arg(change.cv).arg(change.old).arg(change.value);
        }
    }
    return parts.join(QLatin1Char(' '));
}

}  // namespace

class DecoderTest : public QObject {
    Q_OBJECT

private slots:
    void driveFromCvs_data();
    void driveFromCvs();
    void motorBetweenAndBeyond();
    void plans_data();
    void plans();
    void refusesTooLittle();
    void remainingAndChecks();
    void setupKeptAsText();
    void speedProfileReadsBack();
};

void DecoderTest::driveFromCvs_data()
{
    QTest::addColumn<QString>("cvs");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("fit");
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("reverse");
    QTest::addColumn<double>("drive");
    // Three points 10, 100, 200: a third of the way is 10 + 90 x 2/3, two thirds 100 + 100/3.
    QTest::newRow("CV2 at step 1") << "2=10,6=100,5=200" << 255 << 0 << 1 << false << 10.0;
    QTest::newRow("a third") << "2=10,6=100,5=200" << 255 << 0 << 10 << false << 70.0;
    QTest::newRow("two thirds") << "2=10,6=100,5=200" << 255 << 0 << 19 << false << 100.0 + 100.0 / 3.0;
    QTest::newRow("CV5 at the top") << "2=10,6=100,5=200" << 255 << 0 << 28 << false << 200.0;
    QTest::newRow("CV6 0: half way") << "2=10,5=200" << 255 << 0 << 10 << false << 10.0 + 95.0 * 2.0 / 3.0;
    QTest::newRow("CV5 1 is full") << "5=1" << 255 << 0 << 28 << false << 255.0;
    QTest::newRow("CV5 255 is full") << "5=255" << 255 << 0 << 28 << false << 255.0;
    QTest::newRow("standing") << "2=10" << 255 << 0 << 0 << false << 0.0;
    QTest::newRow("forward trim halves") << "2=10,6=100,5=200,66=64" << 255 << 0 << 10 << false << 35.0;
    QTest::newRow("not the reverse") << "2=10,6=100,5=200,66=64" << 255 << 0 << 10 << true << 70.0;
    QTest::newRow("trim stops at full") << "5=200,95=255" << 255 << 0 << 28 << true << 255.0;
    QTest::newRow("0-63: 63 is full") << "5=63,2=1" << 63 << 0 << 28 << false << 255.0;
    QTest::newRow("0-63: CV2 1") << "5=63,2=1" << 63 << 0 << 1 << false << 255.0 / 63.0;
    // The factory table is round(k x 255 / 27): step 10 is entry 9, 85.
    QTest::newRow("table") << "29=22" << 255 << 0 << 10 << false << 85.0;
    QTest::newRow("table offset by CV2") << "29=22,2=20" << 255 << 1 << 10 << false << 105.0;
    QTest::newRow("table between CV2 and CV5") << "29=22,2=20,5=220" << 255 << 2 << 10 << false
                                               << 20.0 + 200.0 * 85.0 / 255.0;
    QTest::newRow("offset stops at full") << "29=22,2=20" << 255 << 1 << 28 << false << 255.0;
}

void DecoderTest::driveFromCvs()
{
    QFETCH(QString, cvs);
    QFETCH(int, top);
    QFETCH(int, fit);
    QFETCH(int, step);
    QFETCH(bool, reverse);
    QFETCH(double, drive);
    QCOMPARE(DriveAt(Setup(cvs, top, static_cast<TableFit>(fit)), step, reverse), drive);
}

void DecoderTest::motorBetweenAndBeyond()
{
    // A motor that stands below a drive of 20; a dip measured is taken as level.
    const MotorModel motor({{40, 5.0}, {20, 0.0}, {80, 15.0}, {60, 4.0}});
    QCOMPARE(motor.Mph(30), 2.5);
    QCOMPARE(motor.Mph(50), 5.0);
    QCOMPARE(motor.Mph(10), 0.0);
    QCOMPARE(motor.Mph(100), 25.0);
    QCOMPARE(motor.DriveFor(10.0), 70.0);
    QCOMPARE(motor.DriveFor(25.0), 100.0);
    QCOMPARE(MotorModel({{100, 40.0}}).DriveFor(60.0), 150.0);
}

void DecoderTest::plans_data()
{
    QTest::addColumn<QString>("cvs");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("fit");
    QTest::addColumn<int>("form");
    QTest::addColumn<int>("shape");
    QTest::addColumn<double>("topMph");
    QTest::addColumn<double>("reverseShare");
    QTest::addColumn<QList<int>>("only");
    QTest::addColumn<QString>("changes");
    QTest::addColumn<int>("fullFrom");
    // 2 to 60 mph at 0.4 mph a unit: drives 5, 77.5 and 150.
    QTest::newRow("three points") << "" << 255 << 0 << 0 << 0 << 60.0 << 0.0 << QList<int>{}
                                  << "2:0>5 6:0>78 5:0>150" << 0;
    // 120 mph at the top is beyond 102: full drive from where 2 + 118 s passes 102.2 (s
    // 0.849, step 23.9).
    QTest::newRow("out of reach") << "" << 255 << 0 << 0 << 0 << 120.0 << 0.0 << QList<int>{} << "2:0>5 6:0>153 5:0>255"
                                  << 24;
    // On 0-63 each value is a quarter: 5 x 63/255 = 1.2, 77.5 is 19.1, 150 is 37.1.
    QTest::newRow("values 0-63") << "" << 63 << 0 << 0 << 0 << 60.0 << 0.0 << QList<int>{} << "2:0>1 6:0>19 5:0>37" << 0;
    // Eased: 2 + 58 (s + s²)/2; entry 9 (s = 1/3) is 14.89 mph, drive 37.2.
    QTest::newRow("eased table") << "" << 255 << 0 << 2 << 1 << 60.0 << 0.0 << QList<int>{29, 67, 76, 94}
                                 << "29:6>22 67:0>5 76:85>37 94:255>150" << 0;
    QTest::newRow("table fitted between") << "" << 255 << 2 << 2 << 0 << 60.0 << 0.0 << QList<int>{2, 5, 67, 94}
                                          << "2:0>5 5:0>150" << 0;
    // Reverse runs at 0.9 of forward: 128 / 0.9 = 142.2.
    QTest::newRow("reverse trimmed") << "" << 255 << 0 << 0 << 0 << 60.0 << 0.9 << QList<int>{95} << "95:0>142" << 0;
    QTest::newRow("reverse as forward") << "" << 255 << 0 << 0 << 0 << 60.0 << 1.0 << QList<int>{95} << "" << 0;
    // Measured at half drive (CV66 64): 2 to 40 mph wants drives 5, 52.5 and 100, doubled.
    QTest::newRow("forward trim kept") << "66=64" << 255 << 0 << 0 << 0 << 40.0 << 0.0 << QList<int>{}
                                       << "2:0>10 6:0>105 5:0>200" << 0;
}

void DecoderTest::plans()
{
    QFETCH(QString, cvs);
    QFETCH(int, top);
    QFETCH(int, fit);
    QFETCH(int, form);
    QFETCH(int, shape);
    QFETCH(double, topMph);
    QFETCH(double, reverseShare);
    QFETCH(QList<int>, only);
    QFETCH(QString, changes);
    QFETCH(int, fullFrom);
    DecoderTarget target;
    target.shape = static_cast<TargetShape>(shape);
    target.startMph = 2.0;
    target.topMph = topMph;
    const DecoderSetup now = Setup(cvs, top, static_cast<TableFit>(fit));
    MeasuredCurve measured = Linear(reverseShare);
    if (now.Cv(66) != 0) {
        // Measured with the trim in force: half the drive, half the speed.
        for (CurveSample& sample : measured.forward) {
            sample.mph /= 2.0;
        }
    }
    const DecoderPlan plan = PlanDecoder(now, measured, target, static_cast<PlanForm>(form));
    QVERIFY2(plan.Planned(), qPrintable(plan.problem));
    QCOMPARE(Changes(plan, only), changes);
    QCOMPARE(plan.fullFromStep, fullFrom);
    QCOMPARE(plan.reachMph, now.Cv(66) != 0 ? 51.0 : 102.0);
    if (fullFrom == 0) {
        // Within half a unit of drive (0.2 mph) of the target at both ends, both ways.
        QVERIFY(qAbs(plan.PredictedMph(28, false) - topMph) <= 0.2 * 255 / top);
        QVERIFY(qAbs(plan.PredictedMph(1, reverseShare > 0.0) - 2.0) <= 0.2 * 255 / top);
    }
}

void DecoderTest::refusesTooLittle()
{
    const DecoderPlan plan = PlanDecoder(Setup({}), MeasuredCurve{{{10, 34.0}}, {}}, DecoderTarget{}, PlanForm::InForce);
    QVERIFY(!plan.Planned());
    QVERIFY(plan.changes.empty());
    QVERIFY(plan.problem.contains(QLatin1String("two steps")));
}

void DecoderTest::remainingAndChecks()
{
    // Matched to a reference of 3 mph at step 1 and 45 at step 28 (28 steps); this
    // locomotive runs 28 steps too: CV2 7.5, CV6 60, CV5 112.5.
    DecoderTarget target;
    target.shape = TargetShape::Match;
    target.reference = {{{1, 3.0}, {28, 45.0}}, {}};
    target.referenceMode = 28;
    DecoderSetup now = Setup({});
    const DecoderPlan plan = PlanDecoder(now, Linear(), target, PlanForm::ThreePoint);
    QCOMPARE(Changes(plan, {}), QStringLiteral("2:0>8 6:0>60 5:0>113"));
    const auto steps = AgainstTarget(MeasuredCurve{{{1, 3.5}, {28, 45.0}}, {{14, 20.0}}}, 28, target);
    QCOMPARE(steps.size(), size_t(3));
    QCOMPARE(steps[2].aim, 3.0 + 42.0 * 13.0 / 27.0);  // reverse as forward where none was measured
    const auto worst = Worst(steps, 0);
    QVERIFY(worst && worst->reverse && worst->step == 14);
    QVERIFY(!Worst(steps, 1));
    QCOMPARE(Worst(steps, 14)->Off(), 0.5);
    // A round checks step 1, the top, and the measured steps spread evenly.
    DecoderTarget straight;
    QCOMPARE(StepsToCheck(Linear(), 28, straight, 8), (std::vector<int>{1, 10, 19, 28}));
    const MeasuredCurve many{{{5, 1}, {10, 1}, {20, 1}, {30, 1}, {40, 1}}, {}};
    QCOMPARE(StepsToCheck(many, 128, straight, 3), (std::vector<int>{1, 5, 20, 40, 126}));
    QCOMPARE(StepsToCheck(many, 128, target, 2), (std::vector<int>{1, 5, 40}));
}

void DecoderTest::setupKeptAsText()
{
    DecoderSetup setup = Setup(QStringLiteral("2=7,5=180,29=22,95=140,80=99"), 63, TableFit::BetweenCv2AndCv5);
    setup.address = 4071;
    setup.longAddress = true;
    QCOMPARE(SetupFromText(SetupText(setup)), std::optional<DecoderSetup>(setup));
    QVERIFY(SetupText(setup).startsWith(QLatin1String("address=4071;long=1;mode=28;top=63;fit=between;cv2=7;")));
    for (const char* bad : {"address=0", "mode=14", "top=100", "cv2=256", "cv7=1", "cv2=x", "address"}) {
        QVERIFY2(!SetupFromText(QLatin1String(bad)), bad);
    }
    QString whyNot;
    QVERIFY(!ParseTable(QStringLiteral("1 2 3"), 255, whyNot));
    QCOMPARE(whyNot, QStringLiteral("The speed table needs 28 values (CV67 to CV94); 3 given."));
    QVERIFY(!ParseTable(TableText(DecoderSetup()), 63, whyNot));
    QCOMPARE(whyNot, QStringLiteral("CV74 of the speed table is \"66\": a whole number from 0 to 63 is needed."));
    QCOMPARE(ParseTable(TableText(setup), 255, whyNot).value()[13], setup.Cv(80));
}

void DecoderTest::speedProfileReadsBack()
{
    // 60 scale mph in HO (1:87) is 60 / (87 x 0.00223694) = 308.30 mm/s on the model.
    const MeasuredCurve curve{{{1, 1.5}, {63, 30.0}, {126, 60.0}}, {{63, 29.0}}};
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(WriteSpeedProfile(buffer, curve, 128, 87.0));
    QXmlStreamReader xml(buffer.data());
    QStringList read;
    const QStringList holders{QStringLiteral("speedprofile"), QStringLiteral("speeds"), QStringLiteral("speed")};
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && !holders.contains(xml.name().toString())) {
            read << xml.name().toString() + QLatin1Char('=') + xml.readElementText();
        }
    }
    QVERIFY(!xml.hasError());
    QCOMPARE(read.join(QLatin1Char(' ')),
             QStringLiteral("overRunTimeForward=0.0 overRunTimeReverse=0.0 step=8 forward=7.71 reverse=0.00 step=500 "
                            "forward=154.15 reverse=149.01 step=1000 forward=308.30 reverse=0.00"));
    QCOMPARE(ThrottleThousandths(14, 28), 500);
}

QTEST_GUILESS_MAIN(DecoderTest)
#include "tst_decoder.moc"
