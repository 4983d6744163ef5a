#include "tests/support/TestMain.h"

#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <cmath>
#include <limits>
#include <memory>

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();

void addEvent(SessionData& s, double time, double dose, int route, double rate, double infusionTime,
              double salt = 1.0, double inOut = 1.0)
{
    const int i = ++s.doseEventCount;
    auto& e = s.doseEvents;
    e[pk::eventTime][i] = time;
    e[pk::eventDose][i] = dose;
    e[pk::eventRouteCode][i] = route;
    e[pk::eventInOut][i] = inOut;
    e[pk::eventInfusionTime][i] = infusionTime;
    e[pk::eventRate][i] = rate;
    e[pk::eventSalt][i] = salt;
}

// Oral portions as the analysis lays them out: one portion of at most the input rate per hour.
void addOralDose(SessionData& s, double time, double dose, double inOut = 1.0)
{
    for (double left = dose; left > 0; left -= s.phenytoinInputRate, time += 1)
        addEvent(s, time, std::min(left, s.phenytoinInputRate), pk::kRouteCodeOther,
                 s.phenytoinInputRate, 0, 1.0, inOut);
}

double gridStepHours(const SessionData& s)
{
    return s.phenytoinGrid[1].time - s.phenytoinGrid[0].time;
}

// With no elimination (Vmax 0) the level is exactly what entered divided by V.
constexpr double kNoElimination = 0.0;
constexpr double kKm = 4.0;
constexpr double kV = 50.0;
} // namespace

class TestPhenytoin : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void freeFractionBands_data();
    void freeFractionBands();
    void closedForms_data();
    void closedForms();
    void rungeKuttaStepFollowsTheExactDecay();
    void gridDensity_data();
    void gridDensity();
    void gridRefusesASpanWithNoPointPerHour();
    void regimenConvergesToTheClosedFormSteadyState_data();
    void regimenConvergesToTheClosedFormSteadyState();
    void wholeDoseIsDelivered_data();
    void wholeDoseIsDelivered();
    void coarseGridDeliversTheDoseAndNoMore_data();
    void coarseGridDeliversTheDoseAndNoMore();
    void doseHistoryDeliversEveryDose();
    void doseHistoryCompliance();
    void doseHistoryStartsFromALevelAtOrigin();
    void spansAreCutAtTheGridEnd();
    void levelBeforeTheFirstPointIsTheStart();
    void seriesGrid();
    void badArgumentsGiveNoResult_data();
    void badArgumentsGiveNoResult();

private:
    std::unique_ptr<SessionData> m_session;
    std::unique_ptr<PkCalculator> m_calc;
};

void TestPhenytoin::init()
{
    m_session = std::make_unique<SessionData>();
    m_session->phenytoinInputRate = 60.0;
    m_calc = std::make_unique<PkCalculator>(m_session.get());
}

void TestPhenytoin::freeFractionBands_data()
{
    QTest::addColumn<double>("age");
    QTest::addColumn<double>("albumin");
    QTest::addColumn<double>("crcl");
    QTest::addColumn<int>("factor");
    QTest::addColumn<double>("expected");
    QTest::newRow("adult, normal renal function")
        << 40.0 << 4.4 << 100.0 << 0 << 1 / (2.0455 * 4.4 + 1);
    QTest::newRow("neonate whatever the albumin") << 0.05 << 1.0 << 100.0 << 0 << 0.2;
    QTest::newRow("neonate bound 0.083") << 0.083 << 3.0 << 50.0 << 0 << 0.2;
    QTest::newRow("adult clearance below 10") << 40.0 << 3.5 << 8.0 << 0 << 1 / (3.5 + 1);
    QTest::newRow("adult clearance exactly 10") << 40.0 << 3.5 << 10.0 << 0 << 1 / (3.5 + 1);
    QTest::newRow("adult clearance 20")
        << 40.0 << 3.5 << 20.0 << 0 << 1 / ((10 * 0.07 + 1) * 3.5 + 1);
    QTest::newRow("adult clearance exactly 25")
        << 40.0 << 3.5 << 25.0 << 0 << 1 / ((15 * 0.07 + 1) * 3.5 + 1);
    // A child with BSA 1.73 m2 has the adult thresholds 25 and 10.
    QTest::newRow("child above 25 x BSA/1.73") << 10.0 << 4.0 << 30.0 << 0 << 1 / (2.0455 * 4 + 1);
    QTest::newRow("child middle band") << 10.0 << 4.0 << 20.0 << 0 << 1 / (1.5 * 4 + 1);
    QTest::newRow("child below 10 x BSA/1.73") << 10.0 << 4.0 << 9.0 << 0 << 1 / (4.0 + 1);
    QTest::newRow("factor answer 2") << 40.0 << 4.4 << 100.0 << 2 << 1.5 / (2.0455 * 4.4 + 1);
    QTest::newRow("factor answer 3") << 40.0 << 4.4 << 100.0 << 3 << 1.5 / (2.0455 * 4.4 + 1);
    QTest::newRow("factor answers 2 and 3")
        << 40.0 << 4.4 << 100.0 << 23 << 2.25 / (2.0455 * 4.4 + 1);
    QTest::newRow("other factor answers do nothing")
        << 40.0 << 4.4 << 100.0 << 1 << 1 / (2.0455 * 4.4 + 1);
}

void TestPhenytoin::freeFractionBands()
{
    QFETCH(double, age);
    QFETCH(double, albumin);
    QFETCH(double, crcl);
    QFETCH(int, factor);
    QFETCH(double, expected);
    m_session->ageYears = age;
    // A child's clearance thresholds scale with its body surface.
    m_session->weightKg = 61.9;
    m_session->heightCm = 170.0;
    const double bsaShare = bodySurfaceArea(61.9, 170) / 1.73;
    if (age > 0.083 && age < 18)
        crcl *= bsaShare;
    for (int digits = factor; digits > 0; digits /= 10)
        m_session->factorFlags[digits % 10] = 1;
    QCOMPARE(m_calc->freeFraction(albumin, crcl), expected);
}

void TestPhenytoin::closedForms_data()
{
    QTest::addColumn<double>("result");
    QTest::addColumn<double>("expected");
    QTest::newRow("to free-fraction scale, normal binding")
        << PkCalculator::toFreeFractionScale(20, 4, 0.1) << 20.0;
    QTest::newRow("to free-fraction scale, doubled free fraction")
        << PkCalculator::toFreeFractionScale(20, 4, 0.2) << 10.0;
    QTest::newRow("from free-fraction scale")
        << PkCalculator::fromFreeFractionScale(10, 4, 0.2) << 20.0;
    QTest::newRow("Michaelis-Menten steady state")
        << PkCalculator::phenytoinSteadyStateLevel(4, 500, 300) << 6.0;
    QTest::newRow("daily dose for that steady state")
        << PkCalculator::phenytoinDailyDose(1, 1, 4, 500, 6, 1) << 300.0;
    QTest::newRow("daily dose with salt and F")
        << PkCalculator::phenytoinDailyDose(0.92, 0.5, 4, 500, 6, 1) << 300 / (0.92 * 0.5);
    QTest::newRow("time to 90 %") << PkCalculator::phenytoinTimeTo90(4, 500, 50, 300) << 4.4;
    QTest::newRow("rate at Vmax: no steady state")
        << PkCalculator::phenytoinSteadyStateLevel(4, 500, 500) << -1.0;
    QTest::newRow("rate at Vmax: no time to 90 %")
        << PkCalculator::phenytoinTimeTo90(4, 500, 50, 500) << -1.0;
    QTest::newRow("rate above Vmax: no steady state")
        << PkCalculator::phenytoinSteadyStateLevel(5.7, 467, 500) << -1.0;
    QTest::newRow("rate above Vmax: no time to 90 %")
        << PkCalculator::phenytoinTimeTo90(5.7, 467, 50, 500) << -1.0;
    QTest::newRow("free fraction 0") << PkCalculator::toFreeFractionScale(20, 4, 0) << -1.0;
    QTest::newRow("daily dose with F 0")
        << PkCalculator::phenytoinDailyDose(1, 0, 4, 500, 6, 1) << -1.0;
}

void TestPhenytoin::closedForms()
{
    QFETCH(double, result);
    QFETCH(double, expected);
    QCOMPARE(result, expected);
}

void TestPhenytoin::rungeKuttaStepFollowsTheExactDecay()
{
    // Far below Km the elimination is first order with k = Vmax / 24 / Km / V.
    const double km = 1e9, vmax = 24e9 * 0.1 * kV / kV;
    const double k = vmax / 24 / km / kV;
    const double level = michaelisMentenStep(vmax, km, kV, 0, 10, 2, 2.5);
    QVERIFY(std::fabs(level - 10 * std::exp(-k * 0.5)) < 1e-6);
    // A constant input with no elimination adds rate x time / V exactly.
    QCOMPARE(michaelisMentenStep(0, kKm, kV, 100, 3, 0, 0.5), 3 + 100 * 0.5 / kV);
    QCOMPARE(michaelisMentenStep(500, kKm, 0, 100, 3, 0, 0.5), -1.0);
}

void TestPhenytoin::gridDensity_data()
{
    QTest::addColumn<double>("lastTime");
    QTest::addColumn<double>("pointsPerHour");
    QTest::addColumn<int>("steps");
    QTest::newRow("792 h history: 60 points per hour") << 792.0 << 60.0 << 48000;
    QTest::newRow("4000 h history: 11 points per hour") << 4000.0 << 11.0 << 44088;
    QTest::newRow("short history") << 16.0 << 60.0 << 1440;
}

void TestPhenytoin::gridDensity()
{
    QFETCH(double, lastTime);
    QFETCH(double, pointsPerHour);
    QFETCH(int, steps);
    addOralDose(*m_session, 0, 100);
    m_session->levelCount = 1;
    m_session->levelTimes[1] = lastTime;
    QCOMPARE(m_calc->doseTimeGridForFit(1, 1), steps);
    QCOMPARE(gridStepHours(*m_session), 1 / pointsPerHour);
    QCOMPARE(m_session->phenytoinGrid[steps].time, steps / pointsPerHour);
}

void TestPhenytoin::gridRefusesASpanWithNoPointPerHour()
{
    addOralDose(*m_session, 0, 60);
    QCOMPARE(m_calc->doseTimeGridForLevel(1, 1, 1, 300, 24, 2, 1000, 100), -1);
    QCOMPARE(m_calc->phenytoinLevelAtTime(1, kV, 1, kKm, 500, 0, 1, 300, 24, 2, 1000, 100, 50),
             -1.0);
    m_session->levelCount = 1;
    m_session->levelTimes[1] = 60000;
    QCOMPARE(m_calc->phenytoinLevelFromDoseHistory(500, kKm, kV, 1, 1, 50), -1.0);
}

void TestPhenytoin::regimenConvergesToTheClosedFormSteadyState_data()
{
    QTest::addColumn<double>("route");
    QTest::addColumn<double>("dailyDose");
    QTest::addColumn<double>("infusionTime");
    QTest::addColumn<double>("inputHours");
    QTest::newRow("continuous: infusion over the whole day") << 2.0 << 300.0 << 24.0 << 24.0;
    QTest::newRow("oral, 60 mg/h for 5 h") << 1.0 << 300.0 << 0.0 << 5.0;
    QTest::newRow("intravenous over 1 h") << 2.0 << 240.0 << 1.0 << 1.0;
}

void TestPhenytoin::regimenConvergesToTheClosedFormSteadyState()
{
    QFETCH(double, route);
    QFETCH(double, dailyDose);
    QFETCH(double, infusionTime);
    QFETCH(double, inputHours);
    const double vmax = 500, days = 60;
    const double css = PkCalculator::phenytoinSteadyStateLevel(kKm, vmax, dailyDose);
    const auto level = [&](double t) {
        return m_calc->phenytoinLevelAtTime(1, kV, 1, kKm, vmax, 0, 1, dailyDose, infusionTime,
                                            route, 24, days, t);
    };
    // After two months the daily cycle repeats itself ...
    const double trough = level(59 * 24);
    QVERIFY2(std::fabs(trough - level(58 * 24)) < 1e-6 * css, qPrintable(QString::number(trough)));
    // ... and, since elimination grows with the level, the cycle straddles the closed-form
    // steady state: lowest before a dose, highest when the input ends.
    const double top = level(58 * 24 + inputHours);
    QVERIFY2(trough <= css * (1 + 1e-6), qPrintable(QString("%1 vs %2").arg(trough).arg(css)));
    QVERIFY2(top >= css * (1 - 1e-6), qPrintable(QString("%1 vs %2").arg(top).arg(css)));
    if (inputHours == 24.0)
        QVERIFY(std::fabs(trough - css) < 1e-6 * css);
}

void TestPhenytoin::wholeDoseIsDelivered_data()
{
    QTest::addColumn<double>("route");
    QTest::addColumn<double>("infusionTime");
    QTest::addColumn<double>("salt");
    QTest::addColumn<double>("f");
    QTest::addColumn<double>("cf");
    QTest::addColumn<double>("expected");
    // Three doses of 250 mg every 12 h, read after 40 h; no elimination.
    QTest::newRow("oral at 60 mg/h, F S CF")
        << 1.0 << 0.0 << 0.92 << 0.9 << 0.8 << 3 * 250 * 0.92 * 0.9 * 0.8 / kV;
    QTest::newRow("infusion over 0.5 h, no F")
        << 2.0 << 0.5 << 0.92 << 0.9 << 0.8 << 3 * 250 * 0.92 * 0.8 / kV;
    QTest::newRow("bolus enters over one grid step")
        << 2.0 << 0.0 << 1.0 << 1.0 << 1.0 << 3 * 250 / kV;
    QTest::newRow("intramuscular, input time not given")
        << 3.0 << -1.0 << 1.0 << 1.0 << 1.0 << 3 * 250 / kV;
}

void TestPhenytoin::wholeDoseIsDelivered()
{
    QFETCH(double, route);
    QFETCH(double, infusionTime);
    QFETCH(double, salt);
    QFETCH(double, f);
    QFETCH(double, cf);
    QFETCH(double, expected);
    const double level = m_calc->phenytoinLevelAtTime(f, kV, salt, kKm, kNoElimination, 0, cf, 250,
                                                      infusionTime, route, 12, 3, 40);
    QCOMPARE(level, expected);
    // Salt factor and compliance factor enter only as their product.
    QCOMPARE(m_calc->phenytoinLevelAtTime(f, kV, cf, kKm, kNoElimination, 0, salt, 250,
                                          infusionTime, route, 12, 3, 40),
             level);
}

void TestPhenytoin::coarseGridDeliversTheDoseAndNoMore_data()
{
    QTest::addColumn<bool>("history");
    QTest::addColumn<double>("delivered");
    // 100 mg at 60 mg/h ends 2/3 into its second interval at 1 point per hour (120 mg if that
    // interval were filled); a 0.5 h infusion covers 5.5 intervals at 11 points per hour
    // (218 mg of 200 if the sixth were filled).
    QTest::newRow("regimen, oral doses at 1 point per hour") << false << 3 * 100.0;
    QTest::newRow("dose history, 0.5 h infusion at 11 points per hour") << true << 200.0;
}

void TestPhenytoin::coarseGridDeliversTheDoseAndNoMore()
{
    QFETCH(bool, history);
    QFETCH(double, delivered);
    double level;
    if (history) {
        addEvent(*m_session, 0, 200, pk::kRouteCodeIntravenous, 400, 0.5);
        addEvent(*m_session, 4000, 0, pk::kRouteCodeIntravenous, 0, 0); // a 4008 h span
        level = m_calc->phenytoinLevelFromDoseHistory(kNoElimination, kKm, kV, 1, 1, 10);
    } else {
        level = m_calc->phenytoinLevelAtTime(1, kV, 1, kKm, kNoElimination, 0, 1, 100, 0, 1, 16000,
                                             3, 1e6);
    }
    QCOMPARE(level, delivered / kV);
}

void TestPhenytoin::doseHistoryDeliversEveryDose()
{
    addOralDose(*m_session, 0, 250);
    addEvent(*m_session, 12, 200, pk::kRouteCodeIntravenous, 400, 0.5);
    addEvent(*m_session, 20, 100, pk::kRouteCodeIntravenous, 0, 0); // bolus
    addEvent(*m_session, 30, 150, pk::kRouteCodeIntramuscular, 0, 0, 0.92);
    const double f = 0.9;
    const double expected = (250 * f + 200 + 100 + 150 * 0.92) / kV;
    QCOMPARE(m_calc->phenytoinLevelFromDoseHistory(kNoElimination, kKm, kV, f, 1, 37), expected);
    // Before the last two doses.
    QCOMPARE(m_calc->phenytoinLevelFromDoseHistory(kNoElimination, kKm, kV, f, 1, 19),
             (250 * f + 200) / kV);
}

void TestPhenytoin::doseHistoryCompliance()
{
    addOralDose(*m_session, 0, 60);
    addOralDose(*m_session, 10, 60, 0.0); // in-patient from here
    addOralDose(*m_session, 20, 60);
    QCOMPARE(m_calc->phenytoinLevelFromDoseHistory(kNoElimination, kKm, kV, 1, 0.5, 25),
             (30 + 60 + 60) / kV);
}

void TestPhenytoin::doseHistoryStartsFromALevelAtOrigin()
{
    addOralDose(*m_session, 5, 60);
    m_session->levelCount = 2;
    m_session->levelTimes[1] = 0.0;
    m_session->levelValues[1] = 12.0;
    m_session->levelTimes[2] = 20.0;
    m_session->levelValues[2] = 13.0;
    QCOMPARE(m_calc->phenytoinLevelFromDoseHistory(kNoElimination, kKm, kV, 1, 1, 10),
             12 + 60 / kV);
    m_session->levelTimes[1] = 0.5;
    QCOMPARE(m_calc->phenytoinLevelFromDoseHistory(kNoElimination, kKm, kV, 1, 1, 10), 60 / kV);
}

void TestPhenytoin::spansAreCutAtTheGridEnd()
{
    // 800 h of regimen: exactly 48,000 intervals. The last oral dose (9000 mg at 60 mg/h, 150 h)
    // would run 50 h past the end.
    auto& grid = m_session->phenytoinGrid;
    const PhenytoinGridPoint sentinel{-7.0, -7.0};
    grid.push_back(sentinel);
    const int steps = m_calc->doseTimeGridForLevel(1, 1, 1, 9000, 0, 1, 100, 8);
    QCOMPARE(steps, 48000);
    QCOMPARE(grid[47999].rate, 60.0);
    QCOMPARE(grid[48000].rate, 0.0);
    QCOMPARE(grid.back().time, sentinel.time);
    QCOMPARE(grid.back().rate, sentinel.rate);

    // What fits in the grid is delivered, the rest is not.
    const double level =
        m_calc->phenytoinLevelAtTime(1, kV, 1, kKm, kNoElimination, 0, 1, 9000, 0, 1, 100, 8, 1e6);
    QCOMPARE(level, (7 * 9000 + 100 * 60) / kV);
}

void TestPhenytoin::levelBeforeTheFirstPointIsTheStart()
{
    QCOMPARE(m_calc->phenytoinLevelAtTime(1, kV, 1, kKm, 500, 7.5, 1, 300, 24, 2, 24, 5, 0), 7.5);
    QCOMPARE(m_calc->phenytoinLevelAtTime(1, kV, 1, kKm, 500, 7.5, 1, 300, 24, 2, 24, 5, 1.0 / 120),
             7.5);
    // No doses: no grid interval, the start level stands.
    QCOMPARE(m_calc->phenytoinLevelAtTime(1, kV, 1, kKm, 500, 7.5, 1, 300, 24, 2, 24, 0, 5), 7.5);
}

void TestPhenytoin::seriesGrid()
{
    const QVector<double> amounts{120, 60};
    const QVector<double> rates{60, 60};
    const QVector<double> times{0, 6, 12};
    const QVector<double> factors{1.0, 0.5};
    const int steps = m_calc->doseTimeGridForSeries(0.9, 1, 2, amounts, rates, times, factors);
    QCOMPARE(steps, 720);
    QCOMPARE(m_calc->phenytoinLevelSeries(0.9, 1, 2, amounts, rates, times, factors, kNoElimination,
                                          kKm, kV, 1, 12),
             1 + (120 * 0.9 + 60 * 0.9 * 0.5) / kV);
    // A count beyond the lists is held to the lists.
    QCOMPARE(m_calc->doseTimeGridForSeries(0.9, 1, 5, amounts, rates, times, factors), 720);
}

void TestPhenytoin::badArgumentsGiveNoResult_data()
{
    QTest::addColumn<double>("result");
    SessionData s;
    s.phenytoinInputRate = 60;
    s.ageYears = 40;
    PkCalculator c(&s);
    QTest::newRow("volume 0") << c.phenytoinLevelAtTime(1, 0, 1, kKm, 500, 0, 1, 300, 24, 2, 24, 5,
                                                        50);
    QTest::newRow("Km 0") << c.phenytoinLevelAtTime(1, kV, 1, 0, 500, 0, 1, 300, 24, 2, 24, 5, 50);
    QTest::newRow("time NaN") << c.phenytoinLevelAtTime(1, kV, 1, kKm, 500, 0, 1, 300, 24, 2, 24, 5,
                                                        kNaN);
    QTest::newRow("too many doses")
        << c.phenytoinLevelAtTime(1, kV, 1, kKm, 500, 0, 1, 300, 24, 2, 1e-3, 1e7, 5);
    QTest::newRow("albumin not given") << c.freeFraction(-1, 80);
    QTest::newRow("clearance NaN") << c.freeFraction(4, kNaN);
    SessionData noRate;
    PkCalculator oral(&noRate);
    QTest::newRow("oral without input rate")
        << oral.phenytoinLevelAtTime(1, kV, 1, kKm, 500, 0, 1, 300, 0, 1, 24, 5, 50);
}

void TestPhenytoin::badArgumentsGiveNoResult()
{
    QFETCH(double, result);
    QCOMPARE(result, -1.0);
}

TALVORA_TEST_MAIN(TestPhenytoin)
#include "tst_phenytoin.moc"
