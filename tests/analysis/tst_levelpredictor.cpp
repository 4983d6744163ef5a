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
    void sweepMovesKaOffKLikeTheCalculator();
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

void TestLevelPredictor::sweepMovesKaOffKLikeTheCalculator()
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
    session = before;
    const double expected = calculator.levelFromDoseHistory(3.0, 30.0, 1.0, 1.0, t);
    QVERIFY(std::isfinite(swept));
    QVERIFY(std::fabs(swept - expected) <= 1e-9 * expected);
    QCOMPARE(sweptTable[pk::eventRouteFactor][1], session.doseEvents[pk::eventRouteFactor][1]);
    QCOMPARE(sweptTable[pk::eventRouteFactor][1], 0.1 + 0.0001);
}

void TestLevelPredictor::kaARoundingStepFromKIsTheEqualCase_data()
{
    QTest::addColumn<double>("ka");
    QTest::addColumn<double>("v");
    QTest::addColumn<double>("cl");
    // CL / V lands one rounding step below ka in each.
    QTest::newRow("ka 0.1, V 7 L, CL 0.7 L/h") << 0.1 << 7.0 << 0.7;
    QTest::newRow("ka 1.1, V 3 L, CL 3.3 L/h") << 1.1 << 3.0 << 3.3;
    QTest::newRow("ka 0.1, V 0.05 L, CL 0.005 L/h") << 0.1 << 0.05 << 0.005;
}

// 1000 mg by mouth every 12 h, three doses. Where ka equals k the program raises ka by 0.0001;
// a k a rounding step from ka is the same rate, and every road gives that case's level.
void TestLevelPredictor::kaARoundingStepFromKIsTheEqualCase()
{
    QFETCH(double, ka);
    QFETCH(double, v);
    QFETCH(double, cl);
    const double dose = 1000.0, tau = 12.0, k = ka, raised = ka + 0.0001;
    const auto single = [&](double t) {
        return dose * raised / ((raised - k) * v) * (std::exp(-k * t) - std::exp(-raised * t));
    };
    const auto expected = [&](double t) {
        double level = 0.0;
        for (double start = 0.0; start <= std::min(t, 2 * tau); start += tau)
            level += single(t - start);
        return level;
    };
    const auto steadyState = [&](double t) {
        return dose * raised / ((raised - k) * v) *
               (std::exp(-k * t) / (1 - std::exp(-k * tau)) -
                std::exp(-raised * t) / (1 - std::exp(-raised * tau)));
    };
    for (int i = 0; i < 3; ++i)
        addEvent(session, i * tau, dose, pk::kRouteCodeOther, 1, -1.0, 1.0, ka);
    const SessionData before = session;
    const std::vector<double> times = {1.0, 13.0, 30.0};
    PkParameterSet set{};
    set[pk::kCl] = cl;
    set[pk::kVd] = v;
    set[pk::kF] = 1.0;
    set[pk::kCF] = 1.0;
    std::vector<double> swept(times.size());
    LevelPredictor(&session, &calculator).levelsForSet(set, times.data(), 3, swept.data());
    for (std::size_t i = 0; i < times.size(); ++i) {
        const double t = times[i];
        session = before;
        COMPARE_NEARLY(calculator.levelFromDoseHistory(cl, v, 1.0, 1.0, t), expected(t), 1e-9);
        COMPARE_NEARLY(swept[i], expected(t), 1e-9);
        COMPARE_NEARLY(calculator.levelSeriesFromDoseHistory(1.0, v, cl, dose, 0.0, 1.0, tau,
                                                             pk::kRouteCodeOther, 0.0, 1.0, ka, t),
                       expected(t), 1e-9);
    }
    COMPARE_NEARLY(calculator.oralSteadyStateLevel(ka, dose, 1.0, 1.0, v, cl, tau, 5.0),
                   steadyState(5.0), 1e-9);
    // At the peak the level stops rising: the peak is the steady-state level there.
    const double peakTime =
        std::log((1 - std::exp(-k * tau)) * raised / ((1 - std::exp(-raised * tau)) * k)) /
        (raised - k);
    COMPARE_NEARLY(calculator.oralSteadyStatePeak(ka, dose, 1.0, 1.0, v, cl, tau),
                   steadyState(peakTime), 1e-9);
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
