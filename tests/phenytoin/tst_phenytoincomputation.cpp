#include "phenytoin/LevelComputation.h"
#include "phenytoin/LevelCurve.h"
#include "phenytoin/RegimenComputation.h"
#include "tests/phenytoin/tst_phenytoin_fixture.h"
#include "tests/support/NearlyEqual.h"
#include "tests/support/TestMain.h"

#include <cmath>
#include <limits>

using namespace phenytoin;
using namespace phenytoincase;

namespace
{
constexpr double kCapsuleSalt = 0.92;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInfinity = std::numeric_limits<double>::infinity();

RegimenInputs regimen(double desired, double current, double f = 1.0, double km = kKm,
                      double vmax = kVmax)
{
    RegimenInputs in;
    in.salt = kCapsuleSalt;
    in.sets[kPopulation] = {true, f, kVd, km, vmax};
    in.desiredAverage = desired;
    in.currentConcentration = current;
    return in;
}

LevelInputs levels(double dose, double interval, double vmax = kVmax)
{
    LevelInputs in;
    in.route1.dose = dose;
    in.route1.interval = interval;
    in.route1.salt = kCapsuleSalt;
    in.route1.f.fill(1.0);
    in.route2.salt = 1.0;
    in.route2.f.fill(1.0);
    in.sets.fill({true, kVd, kKm, vmax});
    in.freeFraction = 0.1;
    return in;
}

CurveRegimen curve(int route, double vmax = kVmax)
{
    CurveRegimen r;
    r.f = 1.0;
    r.v = kVd;
    r.salt = kCapsuleSalt;
    r.km = kKm;
    r.vmax = vmax;
    r.c0 = 2.0;
    r.dose = 300.0;
    r.route = route;
    r.tau = 12.0;
    r.doseCount = 4;
    return r;
}
} // namespace

Q_DECLARE_METATYPE(Figure::State)

class TestPhenytoinComputation : public QObject
{
    Q_OBJECT

private slots:
    void regimenWorkedNumbers_data();
    void regimenWorkedNumbers();
    void regimenRefusesDivisionByZero_data();
    void regimenRefusesDivisionByZero();
    void steadyStateWorkedNumbers_data();
    void steadyStateWorkedNumbers();
    void rateAtOrAboveVmaxHasNoSteadyState_data();
    void rateAtOrAboveVmaxHasNoSteadyState();
    void intervalOfZeroGivesNoResult_data();
    void intervalOfZeroGivesNoResult();
    void recordsNameTheRoute_data();
    void recordsNameTheRoute();
    void levelRecordKeepsTheReportOrder();
    void singlePassEqualsPointRoad_data();
    void singlePassEqualsPointRoad();
    void intravenousDoseEntersWithinOneStep();
    void levelsOfATinyKmFallAtVmaxToZero_data();
    void levelsOfATinyKmFallAtVmaxToZero();
    void curveTakesTheFOfTheRoute_data();
    void curveTakesTheFOfTheRoute();
    void axisPlans_data();
    void axisPlans();
};

void TestPhenytoinComputation::regimenWorkedNumbers_data()
{
    QTest::addColumn<double>("current");
    QTest::addColumn<double>("loading");
    QTest::newRow("from 5 to 15") << 5.0 << 494.565;
    QTest::newRow("from 0") << 0.0 << 741.848;
    QTest::newRow("current above desired") << 20.0 << 0.0;
}

void TestPhenytoinComputation::regimenWorkedNumbers()
{
    QFETCH(double, current);
    QFETCH(double, loading);
    const RegimenResults r = computeRegimen(regimen(15.0, current));
    COMPARE_NEARLY(r[kPopulation].dailyDose.value, 393.825, 1e-5);
    COMPARE_NEARLY(r[kPopulation].loadingDose.value, loading, 1e-5);
    QCOMPARE(r[kCustom].dailyDose.state, Figure::None);
}

void TestPhenytoinComputation::regimenRefusesDivisionByZero_data()
{
    QTest::addColumn<double>("f");
    QTest::addColumn<double>("km");
    QTest::addColumn<double>("desired");
    QTest::addColumn<Figure::State>("loading");
    QTest::newRow("custom F of 0") << 0.0 << kKm << 15.0 << Figure::NoResult;
    QTest::newRow("Km + Css of 0") << 1.0 << 0.0 << 0.0 << Figure::Value;
    QTest::newRow("F not a number") << kNaN << kKm << 15.0 << Figure::NoResult;
}

void TestPhenytoinComputation::regimenRefusesDivisionByZero()
{
    QFETCH(double, f);
    QFETCH(double, km);
    QFETCH(double, desired);
    QFETCH(Figure::State, loading);
    const RegimenResults r = computeRegimen(regimen(desired, 0.0, f, km));
    QCOMPARE(r[kPopulation].dailyDose.state, Figure::NoResult);
    QCOMPARE(r[kPopulation].loadingDose.state, loading);
    QCOMPARE(r[kPopulation].dailyDose.recorded(), -1.0);
}

void TestPhenytoinComputation::steadyStateWorkedNumbers_data()
{
    QTest::addColumn<double>("dose2");
    QTest::addColumn<double>("interval2");
    QTest::addColumn<double>("freeFraction");
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("observed");
    QTest::addColumn<double>("adjusted");
    QTest::addColumn<double>("days");
    QTest::newRow("one route") << -1.0 << -1.0 << 0.1 << 276.0 << 7.023214 << 7.023214 << 4.660195;
    QTest::newRow("doubled free fraction")
        << -1.0 << -1.0 << 0.2 << 276.0 << 7.023214 << 14.046429 << 4.660195;
    QTest::newRow("two routes") << 100.0 << 12.0 << 0.1 << 476.0 << 113.05 << 113.05 << 324.907917;
    QTest::newRow("second dose without interval")
        << 100.0 << -1.0 << 0.1 << 276.0 << 7.023214 << 7.023214 << 4.660195;
}

void TestPhenytoinComputation::steadyStateWorkedNumbers()
{
    QFETCH(double, dose2);
    QFETCH(double, interval2);
    QFETCH(double, freeFraction);
    QFETCH(double, rate);
    QFETCH(double, observed);
    QFETCH(double, adjusted);
    QFETCH(double, days);
    LevelInputs in = levels(300.0, 24.0);
    in.route2.dose = dose2;
    in.route2.interval = interval2;
    in.freeFraction = freeFraction;
    const LevelSourceResult r = computeLevel(in, kCustom);
    COMPARE_NEARLY(r.rate, rate, 1e-12);
    QVERIFY(!r.saturated);
    COMPARE_NEARLY(r.observed.value, observed, 1e-6);
    COMPARE_NEARLY(r.adjusted.value, adjusted, 1e-6);
    COMPARE_NEARLY(r.timeTo90.value, days, 1e-6);
    QCOMPARE(r.freeFraction.value, freeFraction);
}

void TestPhenytoinComputation::rateAtOrAboveVmaxHasNoSteadyState_data()
{
    QTest::addColumn<double>("vmax");
    QTest::newRow("rate at Vmax") << 276.0;
    QTest::newRow("rate above Vmax") << 200.0;
}

void TestPhenytoinComputation::rateAtOrAboveVmaxHasNoSteadyState()
{
    QFETCH(double, vmax);
    const LevelInputs in = levels(300.0, 24.0, vmax);
    const LevelResults r = computeLevels(in);
    QVERIFY(r[kPopulation].saturated);
    for (const Figure& f :
         {r[kPopulation].observed, r[kPopulation].adjusted, r[kPopulation].timeTo90})
        QCOMPARE(f.state, Figure::NoSteadyState);
    QCOMPARE(figureText(r[kPopulation].observed), QStringLiteral("no steady state"));
    const PhLevelForecastReport record =
        levelRecord(in, r, QStringLiteral("Oral - Capsules"), QString(), 'O', QString());
    QCOMPARE(record.observedAverage[pk::kReportPopulation], -1.0);
    QCOMPARE(record.timeTo90[pk::kReportPopulation], -1.0);
    QVERIFY(record.noSteadyState[pk::kReportPopulation]);
}

void TestPhenytoinComputation::intervalOfZeroGivesNoResult_data()
{
    QTest::addColumn<double>("interval");
    QTest::addColumn<double>("f2");
    QTest::newRow("interval of 0") << 0.0 << 1.0;
    // Nothing of the second route is absorbed: no forecast, not the first route's level.
    QTest::newRow("F x S of 0 on a route in use") << 24.0 << 0.0;
}

void TestPhenytoinComputation::intervalOfZeroGivesNoResult()
{
    QFETCH(double, interval);
    QFETCH(double, f2);
    LevelInputs in = levels(300.0, interval);
    in.route2 = {100.0, 12.0, 1.0, {f2, f2, f2, f2}};
    const LevelSourceResult r = computeLevel(in, kPopulation);
    QVERIFY(r.computed);
    QVERIFY(!r.saturated);
    QCOMPARE(r.observed.state, Figure::NoResult);
    QCOMPARE(r.timeTo90.state, Figure::NoResult);
}

void TestPhenytoinComputation::recordsNameTheRoute_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<char>("letter");
    QTest::addColumn<char>("recorded");
    QTest::addColumn<QString>("sentence");
    QTest::newRow("fosphenytoin infusion") << "Intermittent IV - Injection (Fosphenytoin)" << 'D'
                                           << 'F' << "as an Intermittent Infusion";
    QTest::newRow("phenytoin infusion")
        << "Intermittent IV - Injection" << 'D' << 'D' << "as an Intermittent Infusion";
    QTest::newRow("intramuscular") << "IM - Injection (Fosphenytoin)" << 'I' << 'I'
                                   << "as an intramuscular injection of fosphenytoin";
    QTest::newRow("capsules") << "Oral - Capsules" << 'O' << 'O' << "as Oral - Capsules";
    QTest::newRow("unknown letter keeps the sentence") << "Other" << 'X' << 'X' << "kept";
}

void TestPhenytoinComputation::recordsNameTheRoute()
{
    QFETCH(QString, product);
    QFETCH(char, letter);
    QFETCH(char, recorded);
    QFETCH(QString, sentence);
    const QString kept = QStringLiteral("kept");
    const RegimenInputs in = regimen(15.0, -1.0);
    const PhRegimenReport dosing =
        regimenRecord(in, computeRegimen(in), product, letter, kept + QLatin1Char('.'));
    QCOMPARE(dosing.routeLetter, recorded);
    QCOMPARE(dosing.routeSentence, sentence + QLatin1Char('.'));
    QCOMPARE(dosing.interval, 24.0);
    QVERIFY(dosing.done);

    const LevelInputs levelIn = levels(300.0, 24.0);
    const PhLevelForecastReport level =
        levelRecord(levelIn, computeLevels(levelIn), product, QString(), letter, kept);
    QCOMPARE(level.route1Letter, recorded);
    QCOMPARE(level.route1Sentence, sentence);
}

void TestPhenytoinComputation::levelRecordKeepsTheReportOrder()
{
    LevelInputs in = levels(300.0, 24.0);
    in.sets[kLeastSquares].vmax = 400.0;
    in.route1.f[kBayesian] = 0.5;
    in.route2 = {100.0, 12.0, 1.0, {1.0, 1.0, 1.0, 1.0}};
    const LevelResults r = computeLevels(in);
    const PhLevelForecastReport record = levelRecord(
        in, r, QStringLiteral("Oral - Capsules"), QStringLiteral("Oral - Tablets"), 'O', QString());
    QCOMPARE(record.observedAverage[pk::kReportLeastSquares], r[kLeastSquares].observed.value);
    QCOMPARE(record.observedAverage[pk::kReportBayesian], r[kBayesian].observed.value);
    QCOMPARE(record.f[pk::kReportBayesian], 0.5);
    QCOMPARE(record.dose2, 100.0);
    QCOMPARE(record.route2Letter, 'O');
    QCOMPARE(record.route2Sentence, QStringLiteral("as Oral - Tablets"));

    in.route2.interval = -1.0;
    const PhLevelForecastReport single =
        levelRecord(in, computeLevels(in), QStringLiteral("Oral - Capsules"),
                    QStringLiteral("Oral - Tablets"), 'O', QString());
    QCOMPARE(single.dose2, -1.0);
    QCOMPARE(single.interval2, -1.0);
    QCOMPARE(single.route2Letter, char(0));
    QVERIFY(single.route2Sentence.isEmpty());
}

void TestPhenytoinComputation::singlePassEqualsPointRoad_data()
{
    QTest::addColumn<int>("route");
    QTest::newRow("oral") << 1;
    QTest::newRow("intravenous") << 2;
    QTest::newRow("intramuscular") << 3;
}

void TestPhenytoinComputation::singlePassEqualsPointRoad()
{
    QFETCH(int, route);
    Case c;
    const CurveRegimen r = curve(route);
    // Unsorted, on and between grid points, at 0 and past the last dose.
    const QVector<double> times = {30.5, 0.0, 1.0 / 60.0, 6.0, 47.99, 12.0, 200.0};
    const QVector<double> single = simulateLevels(c.calculator, *c.session, r, times);
    QCOMPARE(single.size(), times.size());
    for (int i = 0; i < times.size(); ++i) {
        const double byPoint = levelByPointRoad(c.calculator, r, times[i]);
        QVERIFY2(single[i] == byPoint, qPrintable(QString("t %1: %2 against %3")
                                                      .arg(times[i])
                                                      .arg(single[i], 0, 'g', 17)
                                                      .arg(byPoint, 0, 'g', 17)));
    }
    QCOMPARE(single[1], r.c0);
}

void TestPhenytoinComputation::intravenousDoseEntersWithinOneStep()
{
    // Without elimination the level half an hour after the dose is the whole dose over V.
    Case c;
    CurveRegimen r = curve(2, 0.0);
    r.c0 = 0.0;
    const QVector<double> level = simulateLevels(c.calculator, *c.session, r, {0.5});
    COMPARE_NEARLY(level.first(), 300.0 * kCapsuleSalt / kVd, 1e-9);
}

void TestPhenytoinComputation::levelsOfATinyKmFallAtVmaxToZero_data()
{
    QTest::addColumn<double>("v");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("Km 0.001 mg/L") << 50.0 << true;
    QTest::newRow("Km 0.001 mg/L, V 0.001 L") << 0.001 << true;
    // The dose over V overflows: no curve, never one through "no result".
    QTest::newRow("Km 0.001 mg/L, V 1e-310 L") << 1e-310 << false;
}

// With Km far below the levels, elimination runs at Vmax whatever the level: each 300 mg dose
// over V falls by Vmax / 24 / V an hour until none is left, a sawtooth cut off at 0. The curve
// reads the grid point before each time, a minute behind, and slows within a few Km of 0: half
// a percent of the peak covers both.
void TestPhenytoinComputation::levelsOfATinyKmFallAtVmaxToZero()
{
    QFETCH(double, v);
    QFETCH(bool, drawn);
    Case c;
    CurveRegimen r = curve(2);
    r.salt = 1.0;
    r.v = v;
    r.km = 0.001;
    r.c0 = 0.0;
    r.tau = 24.0;
    r.doseCount = 5;
    const QVector<double> times = planAxis(GraphMode::NonSteady, r.doseCount, r.tau, -1.0).times;
    const QVector<double> levels = simulateLevels(c.calculator, *c.session, r, times);
    QCOMPARE(levels.size(), drawn ? times.size() : 0);
    if (!drawn)
        return;
    const double peak = r.dose / v;
    const double fallPerHour = kVmax / 24.0 / v;
    for (int i = 0; i < times.size(); ++i) {
        const double sinceDose = std::fmod(times[i], r.tau);
        const double expected =
            sinceDose > 0.0 ? std::max(0.0, peak - fallPerHour * sinceDose) : 0.0;
        QVERIFY2(
            levels[i] >= 0.0 && std::fabs(levels[i] - expected) <= 0.005 * peak,
            qPrintable(QString("t %1: %2 against %3").arg(times[i]).arg(levels[i]).arg(expected)));
    }
}

void TestPhenytoinComputation::curveTakesTheFOfTheRoute_data()
{
    QTest::addColumn<int>("route");
    QTest::newRow("oral") << 1;
    QTest::newRow("intravenous") << 2;
    QTest::newRow("intramuscular") << 3;
}

void TestPhenytoinComputation::curveTakesTheFOfTheRoute()
{
    // A neonate's F of 0.9 holds for every route; without elimination the level before the
    // second dose is what the first delivered.
    QFETCH(int, route);
    Case c;
    CurveRegimen r = curve(route, 0.0);
    r.f = 0.9;
    r.c0 = 0.0;
    const double expected = 300.0 * kCapsuleSalt * 0.9 / kVd;
    COMPARE_NEARLY(simulateLevels(c.calculator, *c.session, r, {11.0}).first(), expected, 1e-9);
    COMPARE_NEARLY(levelByPointRoad(c.calculator, r, 11.0), expected, 1e-9);
}

void TestPhenytoinComputation::axisPlans_data()
{
    QTest::addColumn<bool>("steady");
    QTest::addColumn<int>("doses");
    QTest::addColumn<double>("tau");
    QTest::addColumn<double>("days");
    QTest::addColumn<bool>("drawable");
    QTest::addColumn<int>("simulated");
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("last");
    QTest::newRow("non-steady") << false << 5 << 12.0 << -1.0 << true << 5 << 0.0 << 59.76;
    QTest::newRow("steady") << true << 5 << 24.0 << 12.0 << true << 17 << 288.0 << 407.52;
    QTest::newRow("steady without steady state")
        << true << 5 << 24.0 << -1.0 << false << 0 << 0.0 << 0.0;
    QTest::newRow("steady after infinite time")
        << true << 5 << 24.0 << kInfinity << false << 0 << 0.0 << 0.0;
    QTest::newRow("steady past the grid")
        << true << 5 << 24.0 << 2000.0 << false << 0 << 0.0 << 0.0;
    QTest::newRow("steady at an interval of 1e-12 h: too many doses")
        << true << 5 << 1e-12 << 12.0 << false << 0 << 0.0 << 0.0;
    QTest::newRow("no interval") << false << 5 << 0.0 << -1.0 << false << 0 << 0.0 << 0.0;
}

void TestPhenytoinComputation::axisPlans()
{
    QFETCH(bool, steady);
    QFETCH(int, doses);
    QFETCH(double, tau);
    QFETCH(double, days);
    QFETCH(bool, drawable);
    QFETCH(int, simulated);
    QFETCH(double, first);
    QFETCH(double, last);
    const AxisPlan plan =
        planAxis(steady ? GraphMode::Steady : GraphMode::NonSteady, doses, tau, days);
    QCOMPARE(plan.drawable, drawable);
    if (!drawable) {
        QVERIFY(!plan.refusal.isEmpty());
        return;
    }
    QCOMPARE(plan.doseCount, simulated);
    QCOMPARE(plan.times.size(), doses * kPointsPerInterval);
    COMPARE_NEARLY(plan.times.first(), first, 1e-12);
    COMPARE_NEARLY(plan.times.last(), last, 1e-12);
}

TALVORA_TEST_MAIN(TestPhenytoinComputation)
#include "tst_phenytoincomputation.moc"
