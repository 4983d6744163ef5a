#include "analysis/FitGraph.h"
#include "analysis/LevelCurve.h"
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
constexpr double kOralKa = 1.2;
constexpr double kPhenytoinInputRate = 60.0;

// Oral phenytoin enters at the input rate for dose / rate hours.
void addPhenytoinDose(SessionData& s, double t, double dose)
{
    addEvent(s, t, dose, pk::kRouteCodeOther, pk::kInPatient, 0.0);
    s.doseEvents[pk::eventRate][s.doseEventCount] = kPhenytoinInputRate;
}

void phenytoinCase(SessionData& s, PkParameterSet& set)
{
    s.modelType = pk::kModelMichaelisMenten;
    s.phenytoinInputRate = kPhenytoinInputRate;
    for (double t : {0.0, 24.0, 48.0})
        addPhenytoinDose(s, t, 300.0);
    s.levelCount = 1;
    s.levelTimes[1] = 30.0;
    s.levelValues[1] = 4.0;
    setSet(set, 1.0, 45.0, 5.7, 1.0, 5.7, 420.0);
}

// The level of the engine's model function for the set at t.
double engineLevel(SessionData& s, PkCalculator& c, const PkParameterSet& p, double t)
{
    switch (s.modelType) {
    case pk::kModelOneComp:
        return c.levelFromDoseHistory(p[pk::kCl], p[pk::kVd], p[pk::kF], p[pk::kCF], t);
    case pk::kModelTwoComp:
        return c.levelFromDoseHistoryTwoComp(p[pk::kCl], p[pk::kVd], p[pk::kCF], t);
    default:
        return c.phenytoinLevelFromDoseHistory(p[pk::kVmax], p[pk::kKm], p[pk::kVd], p[pk::kF],
                                               p[pk::kCF], t);
    }
}
} // namespace

class TestLevelCurve : public QObject
{
    Q_OBJECT

public:
    TestLevelCurve() : calculator(&session), curve(&session, &calculator) {}

private slots:
    void init();
    void areaMatchesTheClosedForm_data();
    void areaMatchesTheClosedForm();
    void twoCompartmentAreaMatchesItsLevels_data();
    void twoCompartmentAreaMatchesItsLevels();
    void levelsMatchTheEngine_data();
    void levelsMatchTheEngine();
    void phenytoinGoesOnFallingPastTheGrid();
    void phenytoinOfATinyVolumeAndKmStopsAtZero();
    void unitSwitchMovesTheTimesAlone_data();
    void unitSwitchMovesTheTimesAlone();
    void axisHoldsEveryLevelAndOnlyFittedCurves();

private:
    SessionData session;
    PkCalculator calculator;
    LevelCurve curve;
    PkParameterSet set{};
};

void TestLevelCurve::init()
{
    session = SessionData();
    session.modelType = pk::kModelOneComp;
    setSet(set, 0.8, 20.0, 4.0, 1.0);
}

void TestLevelCurve::areaMatchesTheClosedForm_data()
{
    QTest::addColumn<int>("route");
    QTest::addColumn<double>("t1");
    QTest::addColumn<double>("t2");
    QTest::newRow("intravenous bolus") << int(pk::kRouteCodeIntravenous) << 1.0 << 10.0;
    QTest::newRow("oral from the dose") << int(pk::kRouteCodeOther) << 0.0 << 24.0;
    QTest::newRow("backwards") << int(pk::kRouteCodeOther) << 12.0 << 3.0;
    QTest::newRow("one time") << int(pk::kRouteCodeOther) << 5.0 << 5.0;
    QTest::newRow("long after the dose") << int(pk::kRouteCodeOther) << 40.0 << 99999.0;
}

// 500 units at time 0; V 20, CL 4 (k 0.2), F 0.8.
void TestLevelCurve::areaMatchesTheClosedForm()
{
    QFETCH(int, route);
    QFETCH(double, t1);
    QFETCH(double, t2);
    const double dose = 500.0, v = 20.0, k = 0.2, f = 0.8;
    addEvent(session, 0.0, dose, route, pk::kInPatient, 0.0, 1.0, kOralKa);
    curve.prepare(set);

    const auto decay = [&](double rate) {
        return (std::exp(-rate * t1) - std::exp(-rate * t2)) / rate;
    };
    const double exact =
        route == pk::kRouteCodeIntravenous
            ? dose / v * decay(k)
            : dose * kOralKa * f / (v * (kOralKa - k)) * (decay(k) - decay(kOralKa));
    COMPARE_NEARLY(curve.area(t1, t2), exact, 1e-12);
}

void TestLevelCurve::twoCompartmentAreaMatchesItsLevels_data()
{
    QTest::addColumn<double>("t1");
    QTest::addColumn<double>("t2");
    QTest::addColumn<double>("originLevel");
    QTest::newRow("inside one infusion") << 0.2 << 0.9 << 0.0;
    QTest::newRow("cutting an infusion at each end") << 0.5 << 17.0 << 0.0;
    QTest::newRow("backwards, with a level at time 0") << 20.0 << 3.3 << 5.0;
}

// 1000 units infused over 1.5 h every 8 h, three times, the last one at home (compliance 0.9);
// V-beta 50, CL 5, V1 12, k21 0.46. Against Simpson's rule on the engine's levels between the
// curve's kinks.
void TestLevelCurve::twoCompartmentAreaMatchesItsLevels()
{
    QFETCH(double, t1);
    QFETCH(double, t2);
    QFETCH(double, originLevel);
    const double infusion = 1.5;
    session.modelType = pk::kModelTwoComp;
    session.twoCompCentralVolume = 12.0;
    session.twoCompK21 = 0.46;
    for (int dose = 0; dose < 3; ++dose)
        addEvent(session, dose * 8.0, 1000.0, pk::kRouteCodeIntravenous, dose < 2 ? 1 : 0, infusion,
                 0.95);
    session.levelCount = 1;
    session.levelTimes[1] = originLevel > 0.0 ? 0.0 : 30.0;
    session.levelValues[1] = originLevel;
    setSet(set, 1.0, 50.0, 5.0, 0.9);
    curve.prepare(set);

    const double from = std::min(t1, t2), to = std::max(t1, t2);
    std::vector<double> bounds = {from, to};
    for (int dose = 0; dose < 3; ++dose)
        for (double kink : {dose * 8.0, dose * 8.0 + infusion})
            if (kink > from && kink < to)
                bounds.push_back(kink);
    std::sort(bounds.begin(), bounds.end());
    const auto level = [&](double t) { return engineLevel(session, calculator, set, t); };
    double simpson = 0.0;
    for (std::size_t b = 1; b < bounds.size(); ++b) {
        constexpr int steps = 2000;
        const double h = (bounds[b] - bounds[b - 1]) / steps;
        double sum = level(bounds[b - 1]) + level(bounds[b]);
        for (int i = 1; i < steps; ++i)
            sum += (i % 2 == 1 ? 4.0 : 2.0) * level(bounds[b - 1] + i * h);
        simpson += sum * h / 3.0;
    }
    QVERIFY(simpson > 0.0);
    COMPARE_NEARLY(curve.area(t1, t2), t2 > t1 ? simpson : -simpson, 1e-9);
}

void TestLevelCurve::levelsMatchTheEngine_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("days");
    QTest::newRow("one compartment") << int(pk::kModelOneComp) << 2;
    QTest::newRow("two compartments") << int(pk::kModelTwoComp) << 2;
    QTest::newRow("two compartments, 150 days") << int(pk::kModelTwoComp) << 150;
    QTest::newRow("Michaelis-Menten") << int(pk::kModelMichaelisMenten) << 1;
}

// Twice a day an infusion of 1000 over an hour and 250 by mouth 6 h later, the first day at
// home; a level of 3 at time 0. Phenytoin keeps its own three doses; `days` only places the
// times read, inside its grid.
void TestLevelCurve::levelsMatchTheEngine()
{
    QFETCH(int, model);
    QFETCH(int, days);
    session.modelType = model;
    const double lastDose = (2 * days - 1) * 12.0;
    if (model == pk::kModelMichaelisMenten) {
        phenytoinCase(session, set);
    } else {
        session.twoCompCentralVolume = 12.0;
        session.twoCompK21 = 0.46;
        for (int dose = 0; dose < 2 * days; ++dose) {
            const int inOut = dose < 2 ? 1 : pk::kInPatient;
            addEvent(session, dose * 12.0, 1000.0, pk::kRouteCodeIntravenous, inOut, 1.0);
            addEvent(session, dose * 12.0 + 6.0, 250.0, pk::kRouteCodeOther, inOut, 0.0);
        }
        session.levelCount = 1;
        session.levelValues[1] = 3.0;
        setSet(set, 0.8, 50.0, 5.0, 0.9);
    }
    curve.prepare(set);
    // Read in one batch, out of order, as the tools do: inside the last infusion, early, in
    // between, long after the last dose; then the Math Tool's stretch of 2001 times across it
    // all, which carries the sums through every step.
    const double end = lastDose + 40.3;
    std::vector<double> times = {lastDose + 0.4, 7.25, 30.0, end};
    constexpr int stretchSteps = 2000;
    for (int i = 0; i <= stretchSteps; ++i)
        times.push_back(0.5 + (end - 0.5) / stretchSteps * i);
    const int count = static_cast<int>(times.size());
    std::vector<double> levels(count);
    curve.levels(times.data(), count, levels.data());
    for (int i = 0; i < count; ++i) {
        QVERIFY(levels[i] > 0.0);
        COMPARE_NEARLY(levels[i], engineLevel(session, calculator, set, times[i]), 1e-12);
        QCOMPARE(curve.levelAt(times[i]), levels[i]);
    }
}

// The grid ends 8 h after the last dose or level (56 h); the drug goes on leaving after it.
void TestLevelCurve::phenytoinGoesOnFallingPastTheGrid()
{
    phenytoinCase(session, set);
    curve.prepare(set);
    const double gridEnd = 56.0;
    const double atEnd = engineLevel(session, calculator, set, gridEnd + 1.0);
    COMPARE_NEARLY(curve.levelAt(gridEnd + 1e-9), atEnd, 1e-9);

    // Independent: small Runge-Kutta steps without input from the grid's end.
    const double vmaxPerHour = set[pk::kVmax] / 24.0, km = set[pk::kKm], v = set[pk::kVd];
    const auto slope = [&](double c) { return -vmaxPerHour * c / (km + c) / v; };
    double c = atEnd;
    const double h = 0.01;
    for (int i = 0; i < 5000; ++i) {
        const double k1 = slope(c), k2 = slope(c + h * k1 / 2), k3 = slope(c + h * k2 / 2),
                     k4 = slope(c + h * k3);
        c += h * (k1 + 2 * k2 + 2 * k3 + k4) / 6;
    }
    const double later = curve.levelAt(gridEnd + 50.0);
    QVERIFY(later < atEnd * 0.9);
    COMPARE_NEARLY(later, c, 1e-9);
}

// V 0.077 L, Km 0.001 mg/L: each 300 mg enters at 60 mg/h for 5 h while 420 mg/day leave at
// 17.5 mg/h whatever the level, so the level climbs (60 - 17.5) / V an hour, falls 17.5 / V an
// hour after the dose and is gone 12.1 h later, well before the next dose.
void TestLevelCurve::phenytoinOfATinyVolumeAndKmStopsAtZero()
{
    phenytoinCase(session, set);
    const double v = 0.077;
    set[pk::kVd] = v;
    set[pk::kKm] = 0.001;
    curve.prepare(set);
    for (double t = 0.0; t <= 80.0; t += 0.25)
        QVERIFY2(curve.levelAt(t) >= 0.0, qPrintable(QString::number(t)));
    const double peak = 5.0 * (60.0 - 17.5) / v;
    COMPARE_NEARLY(curve.levelAt(24.0 + 5.0 + 6.0), peak - 6.0 * 17.5 / v, 0.01);
    QVERIFY(curve.levelAt(24.0 + 20.0) < 1e-6 * peak);
}

void TestLevelCurve::unitSwitchMovesTheTimesAlone_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("divisor");
    QTest::newRow("hours") << "Hours" << 1.0;
    QTest::newRow("days") << "Days" << 24.0;
    QTest::newRow("weeks") << "Weeks" << 168.0;
}

void TestLevelCurve::unitSwitchMovesTheTimesAlone()
{
    QFETCH(QString, unit);
    QFETCH(double, divisor);
    FittedCurves curves;
    curves.times = {0.0, 24.0, 48.0};
    curves.levels[FittedCurves::Population] = {1.0, 3.0, 2.0};
    session.levelUpperLimit = 2.5;
    session.levelCount = 1;
    session.levelTimes[1] = 36.0;
    session.levelValues[1] = 2.2;
    const FitGraphLayout hours = layoutFitGraph(curves, session, 1.0);
    const FitGraphLayout layout = layoutFitGraph(curves, session, timeunit::hoursPerUnit(unit));
    QCOMPARE(layout.keys, (QVector<double>{0.0, 24.0 / divisor, 48.0 / divisor}));
    QCOMPARE(layout.levelKeys, QVector<double>{36.0 / divisor});
    QCOMPARE(layout.levelValues, hours.levelValues);
    QCOMPARE(layout.yLower, hours.yLower);
    QCOMPARE(layout.yUpper, hours.yUpper);
}

// A level above every curve stays in view; a curve without a fit adds no zeros.
void TestLevelCurve::axisHoldsEveryLevelAndOnlyFittedCurves()
{
    FittedCurves curves;
    curves.times = {0.0, 1.0, 2.0};
    curves.levels[FittedCurves::Population] = {2.0, 8.0, 4.0};
    curves.levels[FittedCurves::Bayesian] = {3.0, 9.0, 5.0};
    session.levelUpperLimit = 10.0;
    session.levelLowerLimit = 5.0;
    session.levelCount = 2;
    session.levelValues[1] = 6.0;
    session.levelValues[2] = 15.0;
    const FitGraphLayout layout = layoutFitGraph(curves, session, 1.0);
    QCOMPARE(layout.yLower, 2.0);
    QCOMPARE(layout.yUpper, 1.2 * 15.0);
    QCOMPARE(layout.largest, 10.0);

    handOverCurves(curves, layout.largest, pk::kPopulation, session);
    QVERIFY(session.graphLs.isEmpty());
    QCOMPARE(session.graphBayes, curves.levels[FittedCurves::Bayesian]);
    QCOMPARE(session.reportGraphMax, 10.0);
}

TALVORA_TEST_MAIN(TestLevelCurve)
#include "tst_levelcurve.moc"
