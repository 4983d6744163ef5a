#include "analysis/DoseEventBuilder.h"
#include "analysis/LevelPredictor.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "tests/analysis/tst_analysis_fixture.h"
#include "tests/support/NearlyEqual.h"
#include "tests/support/TestMain.h"

#include <algorithm>
#include <cmath>
#include <vector>

#define COMPARE_RELATIVE(actual, expected, relative)                                               \
    QVERIFY2(std::fabs((actual) - (expected)) <= (relative)*std::fabs(expected),                   \
             qPrintable(QString("%1 is %2, expected %3")                                           \
                            .arg(#actual)                                                          \
                            .arg((actual), 0, 'g', 17)                                             \
                            .arg((expected), 0, 'g', 17)))

namespace
{
// Mixed one-compartment history: out-patient oral doses, then in hospital infusions, a bolus
// and intramuscular doses.
void mixedHistory(SessionData& s)
{
    for (int i = 0; i < 6; ++i)
        addEvent(s, i * 12.0, 250.0, pk::kRouteCodeOther, 1, -1.0, 0.9, 1.4);
    addEvent(s, 72.0, 500.0, pk::kRouteCodeIntravenous, pk::kInPatient, 2.0);
    addEvent(s, 80.0, 100.0, pk::kRouteCodeIntravenous, pk::kInPatient, 0.0);
    addEvent(s, 84.0, 500.0, pk::kRouteCodeIntravenous, 1, 6.0);
    addEvent(s, 86.0, 200.0, pk::kRouteCodeIntramuscular, 1, -1.0, 1.0, 0.8);
    addEvent(s, 96.0, 250.0, pk::kRouteCodeOther, 1, -1.0, 0.9, 1.4);
}
} // namespace

class TestLevelPredictor : public QObject
{
    Q_OBJECT

public:
    TestLevelPredictor() : calculator(&session) {}

private slots:
    void init();
    void oneCompartmentSweepMatchesCalculator_data();
    void oneCompartmentSweepMatchesCalculator();
    void sweepLeavesTheEventsKaLikeTheCalculator();
    void kaARoundingStepFromKIsTheEqualCase_data();
    void kaARoundingStepFromKIsTheEqualCase();
    void phenytoinSinglePassEqualsStepByStep();
    void setsUseTheirSlots();

private:
    SessionData session;
    PkCalculator calculator;
};

void TestLevelPredictor::init()
{
    session = SessionData();
    session.modelType = pk::kModelOneComp;
}

void TestLevelPredictor::oneCompartmentSweepMatchesCalculator_data()
{
    QTest::addColumn<QVector<double>>("parameters"); // CL, V, F, CF
    QTest::addColumn<bool>("levelAtOrigin");
    QTest::addColumn<QVector<double>>("times");
    const QVector<double> times = {100.0, 0.0,  5.0,  73.0, 74.0, 80.0, 85.0,  86.0,
                                   86.5,  90.0, 90.0, 95.9, 96.0, 97.5, 200.0, 3.0};
    QTest::newRow("mixed") << QVector<double>{4.0, 30.0, 0.8, 0.7} << false << times;
    QTest::newRow("level at the origin") << QVector<double>{4.0, 30.0, 0.8, 0.7} << true << times;
    QTest::newRow("slow elimination") << QVector<double>{0.5, 60.0, 1.0, 1.0} << false << times;
    QTest::newRow("fast elimination") << QVector<double>{60.0, 10.0, 0.5, 0.3} << false << times;
    QTest::newRow("no volume") << QVector<double>{4.0, 0.0, 0.8, 0.7} << false << times;
    QTest::newRow("negative clearance") << QVector<double>{-4.0, 30.0, 0.8, 0.7} << false << times;
    QTest::newRow("F not a number")
        << QVector<double>{4.0, 30.0, std::nan(""), 0.7} << false << times;
    QTest::newRow("before the first dose")
        << QVector<double>{4.0, 30.0, 0.8, 0.7} << false << QVector<double>{-5.0, -1.0, 0.0};
}

void TestLevelPredictor::oneCompartmentSweepMatchesCalculator()
{
    QFETCH(QVector<double>, parameters);
    QFETCH(bool, levelAtOrigin);
    QFETCH(QVector<double>, times);
    mixedHistory(session);
    session.levelCount = 2;
    session.levelTimes[1] = levelAtOrigin ? 0.0 : 30.0;
    session.levelValues[1] = 7.5;
    session.levelTimes[2] = 90.0;
    session.levelValues[2] = 9.0;
    LevelPredictor predictor(&session, &calculator);
    PkParameterSet set{};
    set[pk::kCl] = parameters[0];
    set[pk::kVd] = parameters[1];
    set[pk::kF] = parameters[2];
    set[pk::kCF] = parameters[3];
    std::vector<double> swept(times.size());
    predictor.levelsForSet(set, times.data(), times.size(), swept.data());
    for (int i = 0; i < times.size(); ++i) {
        const double expected = calculator.levelFromDoseHistory(
            parameters[0], parameters[1], parameters[2], parameters[3], times[i]);
        QVERIFY2(nearlyEqual(swept[i], expected, 1e-12),
                 qPrintable(QString("t %1: %2 against %3")
                                .arg(times[i])
                                .arg(swept[i], 0, 'g', 17)
                                .arg(expected, 0, 'g', 17)));
    }
}

void TestLevelPredictor::sweepLeavesTheEventsKaLikeTheCalculator()
{
    addEvent(session, 0.0, 250.0, pk::kRouteCodeOther, 1, -1.0, 1.0, 0.1);
    addEvent(session, 12.0, 250.0, pk::kRouteCodeOther, 1, -1.0, 1.0, 0.1);
    const SessionData before = session;
    LevelPredictor predictor(&session, &calculator);
    PkParameterSet set{};
    set[pk::kCl] = 3.0;
    set[pk::kVd] = 30.0;
    set[pk::kF] = 1.0;
    set[pk::kCF] = 1.0;
    const double t = 20.0;
    double swept = 0.0;
    predictor.levelsForSet(set, &t, 1, &swept);
    const DoseEventTable sweptTable = session.doseEvents;
    const double expected = calculator.levelFromDoseHistory(3.0, 30.0, 1.0, 1.0, t);
    QVERIFY(std::isfinite(swept));
    QVERIFY(std::fabs(swept - expected) <= 1e-9 * expected);
    QCOMPARE(sweptTable[pk::eventRouteFactor][1], before.doseEvents[pk::eventRouteFactor][1]);
    QCOMPARE(session.doseEvents[pk::eventRouteFactor][2], 0.1);
}

void TestLevelPredictor::kaARoundingStepFromKIsTheEqualCase_data()
{
    QTest::addColumn<double>("ka");
    QTest::addColumn<double>("v");
    QTest::addColumn<double>("cl");
    QTest::addColumn<double>("tau");
    QTest::addColumn<QVector<double>>("times");
    const QVector<double> threeDoses = {1.0, 13.0, 30.0};
    // CL / V lands one rounding step below ka in each of the first three.
    QTest::newRow("ka 0.1, V 7 L, CL 0.7 L/h") << 0.1 << 7.0 << 0.7 << 12.0 << threeDoses;
    QTest::newRow("ka 1.1, V 3 L, CL 3.3 L/h") << 1.1 << 3.0 << 3.3 << 12.0 << threeDoses;
    QTest::newRow("ka 0.1, V 0.05 L, CL 0.005 L/h") << 0.1 << 0.05 << 0.005 << 12.0 << threeDoses;
    // One dose by 3,000 h; ka raised by 0.0001 gave 0.03198 mg/L at 30 h for 0.02911.
    QTest::newRow("once, ka 0.001, V 1000 L, CL 1 L/h")
        << 0.001 << 1000.0 << 1.0 << 5000.0 << QVector<double>{30.0, 3000.0};
}

// Three doses of 1000 mg by mouth tau hours apart. Where ka is k a dose adds D k / V t e^-kt; a ka
// a rounding step, or a relative 1e-12 or 1e-9, from k is that case to within how far the exact
// level moves as ka leaves k, relatively about the offset times 1 + k t. The events keep their ka.
void TestLevelPredictor::kaARoundingStepFromKIsTheEqualCase()
{
    QFETCH(double, ka);
    QFETCH(double, v);
    QFETCH(double, cl);
    QFETCH(double, tau);
    QFETCH(QVector<double>, times);
    const double dose = 1000.0, k = cl / v, e = std::exp(-k * tau);
    const auto expected = [&](double t) {
        double level = 0.0;
        for (int j = 0; j < 3 && j * tau <= t; ++j)
            level += dose * k / v * (t - j * tau) * std::exp(-k * (t - j * tau));
        return level;
    };
    const auto steadyState = [&](double t) {
        return dose * k / v * std::exp(-k * t) * (t / (1 - e) + tau * e / ((1 - e) * (1 - e)));
    };
    // Where the steady-state level's slope is 0.
    const double peakTime = 1 / k - tau * e / (1 - e);
    const double peak = steadyState(peakTime);
    PkParameterSet set{};
    set[pk::kCl] = cl;
    set[pk::kVd] = v;
    set[pk::kF] = 1.0;
    set[pk::kCF] = 1.0;
    for (const double a :
         {k, ka, k * (1 + 1e-12), k * (1 - 1e-12), k * (1 + 1e-9), k * (1 - 1e-9)}) {
        session.doseEventCount = 0;
        for (int i = 0; i < 3; ++i)
            addEvent(session, i * tau, dose, pk::kRouteCodeOther, 1, -1.0, 1.0, a);
        std::vector<double> swept(times.size());
        LevelPredictor(&session, &calculator)
            .levelsForSet(set, times.data(), times.size(), swept.data());
        const auto within = [&](double t) { return 2e-9 * (1 + k * (t + tau)); };
        for (int i = 0; i < times.size(); ++i) {
            const double t = times[i];
            COMPARE_RELATIVE(swept[i], expected(t), within(t));
            COMPARE_RELATIVE(calculator.levelFromDoseHistory(cl, v, 1.0, 1.0, t), expected(t),
                             within(t));
            COMPARE_RELATIVE(calculator.levelSeriesFromDoseHistory(1.0, v, cl, dose, 0.0, 1.0, tau,
                                                                   pk::kRouteCodeOther, 0.0, 1.0, a,
                                                                   t),
                             expected(t), within(t));
        }
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(session.doseEvents[pk::eventRouteFactor][i], a);
        COMPARE_RELATIVE(calculator.oralSteadyStateLevel(a, dose, 1.0, 1.0, v, cl, tau, 5.0),
                         steadyState(5.0), within(tau));
        COMPARE_RELATIVE(calculator.oralPeakTime(a, k, tau), peakTime, within(tau));
        COMPARE_RELATIVE(calculator.oralSteadyStatePeak(a, dose, 1.0, 1.0, v, cl, tau), peak,
                         within(tau));
        COMPARE_RELATIVE(calculator.oralDoseForPeak(a, 1.0, 1.0, peak, v, cl, tau), dose,
                         within(tau));
        // A single dose peaks at 1 / k at D / (V e) above what was there.
        COMPARE_RELATIVE(logSlope(a, k), 1 / k, within(tau));
        COMPARE_RELATIVE(calculator.oralDoseForPeakTrough(3.0, cl, 1.0, v, a, 1.0, 1.0),
                         2.0 * v * std::exp(1.0), within(tau));
    }
}

// The single pass must give exactly the calculator's numbers, time by time.
void TestLevelPredictor::phenytoinSinglePassEqualsStepByStep()
{
    session.patient.drugCode = "PH";
    session.modelType = pk::kModelMichaelisMenten;
    session.phenytoinInputRate = 60.0;
    DoseRows doses;
    LevelRows levels;
    doses[0] = phenytoinCapsuleRow();
    doses[1] = doses[0];
    doses[1].route = "Intermittent IV - Injection";
    doses[1].date = QDate(2020, 5, 5);
    doses[1].infusionTime = 0.5;
    doses[1].numberOfDoses = 2;
    doses[1].inOut = "O";
    doses[1].complete = meetsDoseRowRule(doses[1]);
    levels[0] = serumLevel(QDate(2020, 5, 1), QTime(8, 0), 4.0);
    levels[1] = serumLevel(QDate(2020, 5, 6), QTime(8, 0), 11.0);
    DoseEventBuilder builder(&session, doses, levels);
    QVERIFY(builder.analyse());

    LevelPredictor predictor(&session, &calculator);
    const std::vector<double> times = {140.0, 0.0,   3.3,  95.0,  95.0,
                                       17.25, 500.0, -1.0, 118.0, 60.0};
    const fit::Vector vectors[6] = {
        {0, 1.0, 45.0, 5.7, 1.0, 420.0},           {0, 0.9, 40.0, 4.0, 0.8, 380.0},
        {0, 1.0, 45.0, 5.7, 1.0, 420.0 * 1.00001}, {0, 1.0, -45.0, 5.7, 1.0, 420.0},
        {0, 1.0, 45.0, 5.7, std::nan(""), 420.0},  {0, 0.9, 40.0, 4.0, 0.8, 380.0}};
    const int count = int(times.size());
    std::vector<double> single(6 * count);
    predictor.levelsForFitParameters(vectors, 6, times.data(), count, single.data());
    for (int v = 0; v < 6; ++v)
        for (int i = 0; i < count; ++i) {
            const fit::Vector& p = vectors[v];
            const double stepwise =
                calculator.phenytoinLevelFromDoseHistory(p[5], p[3], p[2], p[1], p[4], times[i]);
            QVERIFY2(exactlyEqual(single[v * count + i], stepwise),
                     qPrintable(QString("vector %1, t %2: %3 against %4")
                                    .arg(v)
                                    .arg(times[i])
                                    .arg(single[v * count + i], 0, 'g', 17)
                                    .arg(stepwise, 0, 'g', 17)));
        }
    QVERIFY(single[0] > 1.0 && single[0] != single[count]);
    QCOMPARE(single[3 * count], -1.0);
}

void TestLevelPredictor::setsUseTheirSlots()
{
    session.modelType = pk::kModelTwoComp;
    session.twoCompCentralVolume = 12.0;
    session.twoCompK21 = 0.46;
    addEvent(session, 0.0, 1000.0, pk::kRouteCodeIntravenous, pk::kInPatient, 1.0);
    PkParameterSet set{};
    set[pk::kCl] = 4.0;
    set[pk::kVd] = 50.0;
    set[pk::kF] = 0.3;
    set[pk::kCF] = 1.0;
    LevelPredictor predictor(&session, &calculator);
    const double times[] = {6.0, 12.0};
    double levels[2] = {};
    predictor.levelsForSet(set, times, 2, levels);
    QCOMPARE(levels[1], calculator.levelFromDoseHistoryTwoComp(4.0, 50.0, 1.0, 12.0));
    session.modelType = 9;
    QVERIFY(!predictor.hasModel());
}

TALVORA_TEST_MAIN(TestLevelPredictor)
#include "tst_levelpredictor.moc"
