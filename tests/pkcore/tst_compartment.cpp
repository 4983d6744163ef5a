#include "tests/support/DoseEvents.h"
#include "tests/support/TestMain.h"

#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <cmath>
#include <limits>
#include <memory>

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();

void addRegimen(SessionData& s, int count, double tau, DoseEvent d)
{
    for (int j = 0; j < count; ++j) {
        d.time = j * tau;
        addDoseEvent(s, d);
    }
}

void setLevelAtOrigin(SessionData& s, double value)
{
    s.levelCount = 1;
    s.levelTimes[1] = 0.0;
    s.levelValues[1] = value;
}

// Vancomycin-like two-compartment patient: beta 0.08/h, alpha 1.667/h.
constexpr double kCl2 = 4.0;
constexpr double kVBeta = 50.0;
constexpr double kV1 = 15.0;
constexpr double kK21 = 0.5;

void setTwoComp(SessionData& s)
{
    s.twoCompCentralVolume = kV1;
    s.twoCompK21 = kK21;
    s.twoCompBeta = kCl2 / kVBeta;
    s.twoCompAlpha = (kCl2 / kV1) * kK21 / s.twoCompBeta;
}

// Central concentration of one infusion by direct integration of the two-compartment
// differential equations (small Runge-Kutta steps), independent of the closed forms.
double integratedTwoCompLevel(double dose, double infusionTime, double t)
{
    const double beta = kCl2 / kVBeta;
    const double alpha = (kCl2 / kV1) * kK21 / beta;
    const double k10 = alpha * beta / kK21;
    const double k12 = alpha + beta - k10 - kK21;
    const double h = 0.0005;
    double a1 = 0.0;
    double a2 = 0.0;
    const long steps = std::lround(t / h);
    for (long i = 0; i < steps; ++i) {
        // Steps are aligned with the end of the infusion, so the input is constant in each.
        const double input = (i + 0.5) * h < infusionTime ? dose / infusionTime : 0.0;
        const auto d1 = [&](double x1, double x2) { return input - (k10 + k12) * x1 + kK21 * x2; };
        const auto d2 = [&](double x1, double x2) { return k12 * x1 - kK21 * x2; };
        const double p1 = d1(a1, a2), q1 = d2(a1, a2);
        const double p2 = d1(a1 + h / 2 * p1, a2 + h / 2 * q1);
        const double q2 = d2(a1 + h / 2 * p1, a2 + h / 2 * q1);
        const double p3 = d1(a1 + h / 2 * p2, a2 + h / 2 * q2);
        const double q3 = d2(a1 + h / 2 * p2, a2 + h / 2 * q2);
        const double p4 = d1(a1 + h * p3, a2 + h * q3);
        const double q4 = d2(a1 + h * p3, a2 + h * q3);
        a1 += h / 6 * (p1 + 2 * p2 + 2 * p3 + p4);
        a2 += h / 6 * (q1 + 2 * q2 + 2 * q3 + q4);
    }
    return a1 / kV1;
}

bool near(double a, double b, double relative)
{
    return std::fabs(a - b) <= relative * std::max(std::fabs(a), std::fabs(b));
}
} // namespace

class TestCompartment : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void publishedSteadyState_data();
    void publishedSteadyState();
    void infusionPeakMatchesSuperposition_data();
    void infusionPeakMatchesSuperposition();
    void oralSteadyStateMatchesSuperposition();
    void oralPeakFormulaIsTheLevelAtThePeakTime();
    void oralDosesInvertThePeak();
    void aLagDelaysTheOralPeakWithoutLoweringIt();
    void loadingDoseReachesTheTarget();
    void kaEqualToKTakesTheEqualCase();
    void doseHistoryWalk();
    void complianceFactor_data();
    void complianceFactor();
    void seriesMatchesDoseHistory_data();
    void seriesMatchesDoseHistory();
    void seriesRefusesAZeroInterval();
    void hoursAboveMic_data();
    void hoursAboveMic();
    void smallFormulas_data();
    void smallFormulas();
    void badArgumentsGiveNoResult_data();
    void badArgumentsGiveNoResult();

    void twoCompSingleInfusionMatchesIntegration();
    void twoCompLongInfusionKeepsItsLevel();
    void twoCompSteadyStateMatchesSuperposition();
    void twoCompSeriesMatchesDoseHistory();
    void twoCompHoursAboveMic_data();
    void twoCompHoursAboveMic();
    void twoCompHoursAboveMicStopsWithoutCrossing();
    void twoCompRegimenMeetsItsTargets();
    void twoCompRegimenFailures_data();
    void twoCompRegimenFailures();
    void rootSearchStopsOnFlatOrBrokenFunctions();

private:
    std::unique_ptr<SessionData> m_session;
    std::unique_ptr<PkCalculator> m_calc;
};

void TestCompartment::init()
{
    m_session = std::make_unique<SessionData>();
    m_calc = std::make_unique<PkCalculator>(m_session.get());
}

void TestCompartment::publishedSteadyState_data()
{
    QTest::addColumn<double>("result");
    QTest::addColumn<double>("expected");
    // Sawchuk-Zaske: 1000 mg over 1 h every 12 h, CL 5 L/h, V 50 L (k 0.1/h).
    PkCalculator calc(nullptr);
    const double peak = calc.infusionSteadyStatePeak(1, 1, 1000, 1, 12, 5, 50, 1);
    QTest::newRow("peak at the end of the infusion") << peak << 27.235773826213435;
    QTest::newRow("trough 11 h later")
        << concentrationAfterDecay(5, 50, peak, 11) << 9.066001548887456;
    QTest::newRow("time since the start 0.5 h")
        << calc.infusionSteadyStatePeak(1, 1, 1000, 1, 12, 5, 50, 0.5) << 13.958263177167176;
    QTest::newRow("salt and F scale the dose")
        << calc.infusionSteadyStatePeak(0.8, 0.5, 1000, 1, 12, 5, 50, 1)
        << 0.4 * 27.235773826213435;
    QTest::newRow("loading dose from 2 to 20 mg/L over 1 h")
        << calc.infusionDoseForTarget(20, 1, 5, 2, 50, 1, 1) << 955.7498750297539;
    // Vancomycin, CL 3.897 L/h, V-beta 49 L, V1 11.9 L, k21 0.46/h (alpha 1.894/h), 100 mg/h
    // for most of a long interval; the closed form taken to 50 digits.
    SessionData vancomycin;
    vancomycin.twoCompCentralVolume = 11.9;
    vancomycin.twoCompK21 = 0.46;
    const PkCalculator twoComp(&vancomycin);
    QTest::newRow("40,000 mg over 400 h every 500 h: peak")
        << twoComp.twoCompSteadyStateLevel(3.897, 49, 40000, 400, 500, 400) << 25.660764690787448;
    QTest::newRow("40,000 mg over 400 h every 500 h: trough")
        << twoComp.twoCompSteadyStateLevel(3.897, 49, 40000, 400, 500, 500)
        << 0.0077891492369705554;
    QTest::newRow("200,000 mg over 2,000 h every 2,400 h: peak")
        << twoComp.twoCompSteadyStateLevel(3.897, 49, 200000, 2000, 2400, 2000)
        << 25.660764690787787;
    QTest::newRow("200,000 mg over 2,000 h every 2,400 h: trough")
        << twoComp.twoCompSteadyStateLevel(3.897, 49, 200000, 2000, 2400, 2400)
        << 3.3851523007588756e-13;
}

void TestCompartment::publishedSteadyState()
{
    QFETCH(double, result);
    QFETCH(double, expected);
    QCOMPARE(result, expected);
}

void TestCompartment::infusionPeakMatchesSuperposition_data()
{
    QTest::addColumn<double>("salt");
    QTest::addColumn<double>("infusionTime");
    QTest::newRow("1 h infusion") << 1.0 << 1.0;
    QTest::newRow("2 h infusion") << 1.0 << 2.0;
    QTest::newRow("salt 0.8, 0.5 h infusion") << 0.8 << 0.5;
}

void TestCompartment::infusionPeakMatchesSuperposition()
{
    QFETCH(double, salt);
    QFETCH(double, infusionTime);
    const int doses = 300;
    const double tau = 12;
    addRegimen(*m_session, doses, tau, {0, 1000, pk::kRouteCodeIntravenous, infusionTime, salt});
    const double peakTime = (doses - 1) * tau + infusionTime;
    const double history = m_calc->levelFromDoseHistory(5, 50, 1, 1, peakTime);
    const double formula =
        m_calc->infusionSteadyStatePeak(salt, 1, 1000, infusionTime, tau, 5, 50, infusionTime);
    QVERIFY2(near(history, formula, 1e-9),
             qPrintable(QString("%1 vs %2").arg(history).arg(formula)));
}

void TestCompartment::oralSteadyStateMatchesSuperposition()
{
    const double ka = 1.2, dose = 250, f = 0.8, salt = 0.9, v = 40, cl = 3, tau = 8;
    addRegimen(*m_session, 400, tau, {0, dose, pk::kRouteCodeOther, 0, salt, ka});
    for (double after : {0.0, 1.5, 3.0, 7.9}) {
        const double history = m_calc->levelFromDoseHistory(cl, v, f, 1, 399 * tau + after);
        const double formula = m_calc->oralSteadyStateLevel(ka, dose, salt, f, v, cl, tau, after);
        QVERIFY2(near(history, formula, 1e-9),
                 qPrintable(QString("t+%1: %2 vs %3").arg(after).arg(history).arg(formula)));
    }
}

void TestCompartment::oralPeakFormulaIsTheLevelAtThePeakTime()
{
    const double ka = 1.2, dose = 250, f = 0.8, salt = 0.9, v = 40, cl = 3, tau = 8;
    const double peakTime = m_calc->oralPeakTime(ka, cl / v, tau);
    const double peak = m_calc->oralSteadyStatePeak(ka, dose, salt, f, v, cl, tau);
    QVERIFY(peakTime > 0 && peakTime < tau);
    QCOMPARE(m_calc->oralSteadyStateLevel(ka, dose, salt, f, v, cl, tau, peakTime), peak);
    QVERIFY(m_calc->oralSteadyStateLevel(ka, dose, salt, f, v, cl, tau, peakTime - 0.05) < peak);
    QVERIFY(m_calc->oralSteadyStateLevel(ka, dose, salt, f, v, cl, tau, peakTime + 0.05) < peak);

    m_session->lagTime = 0.5;
    QCOMPARE(m_calc->oralPeakTime(ka, cl / v, tau), peakTime + 0.5);
}

void TestCompartment::oralDosesInvertThePeak()
{
    const double ka = 0.9, dose = 400, f = 0.7, salt = 1, v = 60, cl = 4, tau = 12;
    for (double lag : {0.0, 0.75}) {
        m_session->lagTime = lag;
        const double peak = m_calc->oralSteadyStatePeak(ka, dose, salt, f, v, cl, tau);
        QCOMPARE(m_calc->oralDoseForPeak(ka, salt, f, peak, v, cl, tau), dose);
    }

    // The peak-and-trough dose is the single dose whose own peak is the rise from trough to
    // peak.
    m_session->lagTime = 0.0;
    const double doseForRise = m_calc->oralDoseForPeakTrough(30, cl, 12, v, ka, salt, f);
    addDoseEvent(*m_session, {0, doseForRise, pk::kRouteCodeOther, 0, salt, ka});
    const double singlePeakTime = logSlope(ka, cl / v);
    QCOMPARE(m_calc->levelFromDoseHistory(cl, v, f, 1, singlePeakTime), 30.0 - 12.0);
}

void TestCompartment::aLagDelaysTheOralPeakWithoutLoweringIt()
{
    // Valproic acid fast-release: ka 4.1/h, lag 1.5 h.
    const double ka = 4.1, dose = 500, f = 1, salt = 1, v = 10, cl = 0.6, tau = 12;
    const double peak = m_calc->oralSteadyStatePeak(ka, dose, salt, f, v, cl, tau);
    const double unlaggedPeakTime = m_calc->oralPeakTime(ka, cl / v, tau);
    const double riseDose = m_calc->oralDoseForPeakTrough(80, cl, 40, v, ka, salt, f);
    m_session->lagTime = 1.5;
    QCOMPARE(m_calc->oralPeakTime(ka, cl / v, tau), unlaggedPeakTime + 1.5);
    QCOMPARE(m_calc->oralSteadyStatePeak(ka, dose, salt, f, v, cl, tau), peak);
    QCOMPARE(m_calc->oralSteadyStateLevel(ka, dose, salt, f, v, cl, tau, unlaggedPeakTime), peak);
    QCOMPARE(m_calc->oralDoseForPeak(ka, salt, f, peak, v, cl, tau), dose);
    QCOMPARE(m_calc->oralDoseForPeakTrough(80, cl, 40, v, ka, salt, f), riseDose);
}

void TestCompartment::loadingDoseReachesTheTarget()
{
    const double dose = m_calc->infusionDoseForTarget(25, 2, 5, 4, 50, 0.9, 1);
    setLevelAtOrigin(*m_session, 4);
    addDoseEvent(*m_session, {0, dose, pk::kRouteCodeIntravenous, 2, 0.9});
    QCOMPARE(m_calc->levelFromDoseHistory(5, 50, 1, 1, 2), 25.0);
}

// With ka = k a dose adds D k / V t e^-kt; at steady state, with E = e^-k.tau, the level is
// D k / V e^-kt (t / (1 - E) + tau E / (1 - E)^2), whose slope is 0 at 1 / k - tau E / (1 - E).
void TestCompartment::kaEqualToKTakesTheEqualCase()
{
    const double cl = 5, v = 50, k = cl / v, tau = 12, e = std::exp(-k * tau);
    const auto steadyState = [&](double t) {
        return 100 * k / v * std::exp(-k * t) * (t / (1 - e) + tau * e / ((1 - e) * (1 - e)));
    };
    const double peakTime = 1 / k - tau * e / (1 - e);
    QVERIFY(near(m_calc->oralSteadyStateLevel(k, 100, 1, 1, v, cl, tau, 2), steadyState(2), 1e-12));
    QVERIFY(near(m_calc->oralPeakTime(k, k, tau), peakTime, 1e-12));
    QVERIFY(
        near(m_calc->oralSteadyStatePeak(k, 100, 1, 1, v, cl, tau), steadyState(peakTime), 1e-12));
    QVERIFY(near(m_calc->oralDoseForPeak(k, 1, 1, steadyState(peakTime), v, cl, tau), 100, 1e-12));
    // A single dose peaks at 1 / k, D / (V e) above where it started.
    QVERIFY(near(logSlope(k, k), 1 / k, 1e-15));
    QVERIFY(
        near(m_calc->oralDoseForPeakTrough(10, cl, 2, v, k, 1, 1), 8 * v * std::exp(1.0), 1e-12));
    const double series =
        100 * k / v * (30 * std::exp(-3.0) + 18 * std::exp(-1.8) + 6 * std::exp(-0.6));
    QVERIFY(near(m_calc->levelSeriesFromDoseHistory(1, v, cl, 100, 0, 1, tau, 1, 0, 1, k, 30),
                 series, 1e-12));

    addDoseEvent(*m_session, {0, 100, pk::kRouteCodeOther, 0, 1, k});
    addDoseEvent(*m_session, {1, 100, pk::kRouteCodeIntramuscular, 0, 1, k});
    QVERIFY(near(m_calc->levelFromDoseHistory(cl, v, 1, 1, 3),
                 100 * k / v * (3 * std::exp(-0.3) + 2 * std::exp(-0.2)), 1e-12));
    QCOMPARE(m_session->doseEvents[pk::eventRouteFactor][1], k);
    QCOMPARE(m_session->doseEvents[pk::eventRouteFactor][2], k);
}

void TestCompartment::doseHistoryWalk()
{
    addDoseEvent(*m_session, {10, 500, pk::kRouteCodeIntravenous});
    addDoseEvent(*m_session, {20, 500, pk::kRouteCodeIntravenous});
    const double k = 0.1;
    QCOMPARE(m_calc->levelFromDoseHistory(5, 50, 1, 1, 5), 0.0);
    QCOMPARE(m_calc->levelFromDoseHistory(5, 50, 1, 1, 10), 10.0);
    QCOMPARE(m_calc->levelFromDoseHistory(5, 50, 1, 1, 19.9), 10.0 * std::exp(-k * 9.9));

    // A level at a time other than 0 is not a starting concentration.
    m_session->levelCount = 1;
    m_session->levelTimes[1] = 2.0;
    m_session->levelValues[1] = 7.0;
    QCOMPARE(m_calc->levelFromDoseHistory(5, 50, 1, 1, 5), 0.0);
    // A level at time 0 is, while a level exists.
    m_session->levelTimes[1] = 0.0;
    QCOMPARE(m_calc->levelFromDoseHistory(5, 50, 1, 1, 5), 7.0 * std::exp(-k * 5));
    m_session->levelCount = 0;
    QCOMPARE(m_calc->levelFromDoseHistory(5, 50, 1, 1, 5), 0.0);

    // A count beyond the table is held to the table.
    m_session->doseEventCount = 5000;
    QVERIFY(std::isfinite(m_calc->levelFromDoseHistory(5, 50, 1, 1, 30)));
}

void TestCompartment::complianceFactor_data()
{
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("second");
    QTest::addColumn<double>("third");
    QTest::addColumn<double>("expected");
    // Three boluses of 500 at 0, 1, 2 h into 50 L with k 0.1, read at 3 h, CF 0.5.
    const double d1 = 10 * std::exp(-0.3), d2 = 10 * std::exp(-0.2), d3 = 10 * std::exp(-0.1);
    QTest::newRow("all out-patient") << 1.0 << 1.0 << 1.0 << 0.5 * (d1 + d2 + d3);
    QTest::newRow("first in-patient: none") << 0.0 << 1.0 << 1.0 << d1 + d2 + d3;
    QTest::newRow("in-patient from the second") << 1.0 << 0.0 << 1.0 << 0.5 * d1 + d2 + d3;
}

void TestCompartment::complianceFactor()
{
    QFETCH(double, first);
    QFETCH(double, second);
    QFETCH(double, third);
    QFETCH(double, expected);
    DoseEvent bolus{0, 500, pk::kRouteCodeIntravenous};
    for (double flag : {first, second, third}) {
        bolus.inOut = flag;
        addDoseEvent(*m_session, bolus);
        bolus.time += 1;
    }
    QCOMPARE(m_calc->levelFromDoseHistory(5, 50, 1, 0.5, 3), expected);
}

void TestCompartment::seriesMatchesDoseHistory_data()
{
    QTest::addColumn<int>("route");
    QTest::addColumn<double>("infusionTime");
    QTest::addColumn<double>("f");
    QTest::addColumn<double>("c0");
    QTest::newRow("intermittent infusion") << pk::kRouteCodeIntravenous << 1.5 << 1.0 << 0.0;
    QTest::newRow("intravenous bolus") << pk::kRouteCodeIntravenous << 0.0 << 1.0 << 0.0;
    QTest::newRow("oral") << pk::kRouteCodeOther << 0.0 << 0.6 << 0.0;
    QTest::newRow("intramuscular, F not applied")
        << pk::kRouteCodeIntramuscular << 0.0 << 0.6 << 0.0;
    QTest::newRow("starting level") << pk::kRouteCodeOther << 0.0 << 0.6 << 8.0;
}

void TestCompartment::seriesMatchesDoseHistory()
{
    QFETCH(int, route);
    QFETCH(double, infusionTime);
    QFETCH(double, f);
    QFETCH(double, c0);
    const double dose = 300, salt = 0.9, tau = 8, cf = 0.7, ka = 1.1, v = 40, cl = 3;
    addRegimen(*m_session, 40, tau, {0, dose, route, infusionTime, salt, ka});
    if (c0 > 0)
        setLevelAtOrigin(*m_session, c0);
    for (double t : {0.5, 1.0, 5.3, 47.2, 100.9}) {
        const double series = m_calc->levelSeriesFromDoseHistory(f, v, cl, dose, c0, salt, tau,
                                                                 route, infusionTime, cf, ka, t);
        const double history = m_calc->levelFromDoseHistory(cl, v, f, cf, t);
        QVERIFY2(near(series, history, 1e-12),
                 qPrintable(QString("t %1: %2 vs %3").arg(t).arg(series).arg(history)));
    }
}

void TestCompartment::seriesRefusesAZeroInterval()
{
    QCOMPARE(m_calc->levelSeriesFromDoseHistory(1, 40, 3, 300, 0, 1, 0, 1, 0, 1, 1, 10), -1.0);
    QCOMPARE(m_calc->levelSeriesFromDoseHistory(1, 40, 3, 300, 0, 1, -8, 1, 0, 1, 1, 10), -1.0);
    QCOMPARE(m_calc->levelSeriesTwoComp(1, kVBeta, kCl2, 1, 0, 1000, 0, 1, 1, kV1, kK21, 10), -1.0);
    // Too many doses for a regimen is refused rather than summed for ever.
    QCOMPARE(m_calc->levelSeriesFromDoseHistory(1, 40, 3, 300, 0, 1, 1e-9, 1, 0, 1, 1, 10), -1.0);
}

void TestCompartment::hoursAboveMic_data()
{
    QTest::addColumn<double>("trough");
    QTest::addColumn<double>("mic");
    QTest::addColumn<double>("peak");
    QTest::addColumn<double>("tau");
    QTest::addColumn<double>("expected");
    // V 1 L and k = ln 2 / 3.5: from 10 down to 5 takes 3.5 h; with a 1 h infusion from 0 the
    // first half hour is below 5, so 4 hours above per dose.
    QTest::newRow("trough above the MIC") << 6.0 << 5.0 << 10.0 << 8.0 << 24.0;
    QTest::newRow("trough equal to the MIC") << 5.0 << 5.0 << 10.0 << 8.0 << 24.0;
    QTest::newRow("MIC at the peak") << 0.0 << 10.0 << 10.0 << 8.0 << 0.0;
    QTest::newRow("4 h above every 8 h") << 0.0 << 5.0 << 10.0 << 8.0 << 12.0;
    QTest::newRow("every 24 h: 4 h") << 0.0 << 5.0 << 10.0 << 24.0 << 4.0;
    QTest::newRow("every 36 h: not scaled") << 0.0 << 5.0 << 10.0 << 36.0 << 4.0;
    QTest::newRow("every 36 h, trough above the MIC: all 36 h")
        << 6.0 << 5.0 << 10.0 << 36.0 << 36.0;
}

void TestCompartment::hoursAboveMic()
{
    QFETCH(double, trough);
    QFETCH(double, mic);
    QFETCH(double, peak);
    QFETCH(double, tau);
    QFETCH(double, expected);
    const double cl = std::log(2.0) / 3.5;
    QCOMPARE(m_calc->hoursAboveMic(trough, mic, peak, 1, tau, cl, 1), expected);
}

void TestCompartment::smallFormulas_data()
{
    QTest::addColumn<double>("result");
    QTest::addColumn<double>("expected");
    PkCalculator calc(nullptr);
    QTest::newRow("AUC24/MIC") << calc.auc24ToMic(5, 12, 2, 1000, 1, 1, 1) << 200.0;
    QTest::newRow("AUC24/MIC dose factors")
        << calc.auc24ToMic(5, 12, 2, 1000, 0.5, 0.8, 0.5) << 40.0;
    QTest::newRow("decay one half-life")
        << concentrationAfterDecay(5, 50, 16, std::log(2.0) / 0.1) << 8.0;
    QTest::newRow("logSlope") << logSlope(1.0, 0.1) << std::log(10.0) / 0.9;
    QTest::newRow("minOf smaller first") << minOf(2, 3) << 2.0;
    QTest::newRow("minOf smaller second") << minOf(3, 2) << 2.0;
    QTest::newRow("minOf equal gives the second") << minOf(0.0, -0.0) << -0.0;
}

void TestCompartment::smallFormulas()
{
    QFETCH(double, result);
    QFETCH(double, expected);
    QCOMPARE(result, expected);
    QCOMPARE(std::signbit(result), std::signbit(expected));
}

void TestCompartment::badArgumentsGiveNoResult_data()
{
    QTest::addColumn<double>("result");
    SessionData s;
    PkCalculator c(&s);
    QTest::newRow("infusion time 0") << c.infusionSteadyStatePeak(1, 1, 1000, 0, 12, 5, 50, 1);
    QTest::newRow("interval 0") << c.infusionSteadyStatePeak(1, 1, 1000, 1, 0, 5, 50, 1);
    QTest::newRow("volume 0") << c.infusionSteadyStatePeak(1, 1, 1000, 1, 12, 5, 0, 1);
    QTest::newRow("loading dose, F 0") << c.infusionDoseForTarget(20, 1, 5, 2, 50, 1, 0);
    QTest::newRow("oral, clearance 0") << c.oralSteadyStateLevel(1, 100, 1, 1, 50, 0, 12, 2);
    QTest::newRow("oral, ka 0") << c.oralSteadyStateLevel(0, 100, 1, 1, 50, 5, 12, 2);
    QTest::newRow("peak time, k negative") << c.oralPeakTime(1, -0.1, 12);
    QTest::newRow("dose for peak, salt 0") << c.oralDoseForPeak(1, 0, 1, 10, 50, 5, 12);
    QTest::newRow("peak-trough dose, ka negative")
        << c.oralDoseForPeakTrough(10, 5, 2, 50, -1, 1, 1);
    QTest::newRow("MIC above trough, clearance 0") << c.hoursAboveMic(0, 5, 10, 1, 8, 0, 1);
    QTest::newRow("MIC NaN") << c.hoursAboveMic(0, kNaN, 10, 1, 8, 1, 1);
    QTest::newRow("AUC, MIC 0") << c.auc24ToMic(5, 12, 0, 1000, 1, 1, 1);
    QTest::newRow("history, volume 0") << c.levelFromDoseHistory(5, 0, 1, 1, 3);
    QTest::newRow("history, time NaN") << c.levelFromDoseHistory(5, 50, 1, 1, kNaN);
    QTest::newRow("logSlope of opposite signs") << logSlope(1, -1);
    QTest::newRow("decay, volume 0") << concentrationAfterDecay(5, 0, 10, 1);
    QTest::newRow("two-comp level without central volume")
        << c.twoCompSteadyStateLevel(kCl2, kVBeta, 1000, 1, 12, 5);
    QTest::newRow("two-comp history without central volume")
        << c.levelFromDoseHistoryTwoComp(kCl2, kVBeta, 1, 5);
}

void TestCompartment::badArgumentsGiveNoResult()
{
    QFETCH(double, result);
    QCOMPARE(result, -1.0);
}

void TestCompartment::twoCompSingleInfusionMatchesIntegration()
{
    for (double t : {0.5, 1.0, 3.0, 12.0, 30.0}) {
        const double closed =
            m_calc->levelSeriesTwoComp(1, kVBeta, kCl2, 1, 0, 1000, 1000, 1, 1, kV1, kK21, t);
        const double integrated = integratedTwoCompLevel(1000, 1, t);
        QVERIFY2(near(closed, integrated, 1e-10),
                 qPrintable(QString("t %1: %2 vs %3").arg(t).arg(closed).arg(integrated)));
    }
}

// 100 an hour for 500 h, three weeks: by 480 h the level stands at rate / CL = 25; 20 h after
// the end it is the integrated one.
void TestCompartment::twoCompLongInfusionKeepsItsLevel()
{
    setTwoComp(*m_session);
    const double infusionTime = 500, dose = 100 * infusionTime;
    addDoseEvent(*m_session, {0, dose, pk::kRouteCodeIntravenous, infusionTime});
    QVERIFY(near(m_calc->levelFromDoseHistoryTwoComp(kCl2, kVBeta, 1, 480), 25.0, 1e-12));
    const double ended = m_calc->levelFromDoseHistoryTwoComp(kCl2, kVBeta, 1, 520);
    const double integrated = integratedTwoCompLevel(dose, infusionTime, 520);
    QVERIFY2(near(ended, integrated, 1e-9),
             qPrintable(QString("%1 vs %2").arg(ended).arg(integrated)));
}

void TestCompartment::twoCompSteadyStateMatchesSuperposition()
{
    setTwoComp(*m_session);
    const double tau = 12, infusionTime = 1.5;
    addRegimen(*m_session, 200, tau, {0, 1000, pk::kRouteCodeIntravenous, infusionTime});
    for (double after : {1.5, 4.0, 11.9}) {
        const double history =
            m_calc->levelFromDoseHistoryTwoComp(kCl2, kVBeta, 1, 199 * tau + after);
        const double formula =
            m_calc->twoCompSteadyStateLevel(kCl2, kVBeta, 1000, infusionTime, tau, after);
        QVERIFY2(near(history, formula, 1e-9),
                 qPrintable(QString("t+%1: %2 vs %3").arg(after).arg(history).arg(formula)));
    }
}

void TestCompartment::twoCompSeriesMatchesDoseHistory()
{
    setTwoComp(*m_session);
    const double tau = 12, infusionTime = 1, salt = 0.9, cf = 0.8;
    addRegimen(*m_session, 10, tau, {0, 1000, pk::kRouteCodeIntravenous, infusionTime, salt});
    setLevelAtOrigin(*m_session, 6);
    for (double t : {0.4, 1.0, 13.2, 60.5}) {
        const double series = m_calc->levelSeriesTwoComp(1, kVBeta, kCl2, salt, 6, 1000, tau,
                                                         infusionTime, cf, kV1, kK21, t);
        const double history = m_calc->levelFromDoseHistoryTwoComp(kCl2, kVBeta, cf, t);
        QVERIFY2(near(series, history, 1e-12),
                 qPrintable(QString("t %1: %2 vs %3").arg(t).arg(series).arg(history)));
    }
}

void TestCompartment::twoCompHoursAboveMic_data()
{
    QTest::addColumn<QVector<double>>("patient"); // CL, Vbeta, V1, k21
    QTest::addColumn<QVector<double>>("regimen"); // dose, infusion time, tau
    QTest::addColumn<double>("mic");
    QTest::addColumn<double>("expected");
    // The crossings of the steady-state curve (the earlier doses' decay plus the running
    // infusion while it runs) by bisection on a superposition of single infusions, in plain
    // floats: per 24 h up to a daily interval, per interval beyond.
    const QVector<double> vancomycin = {kCl2, kVBeta, kV1, kK21};
    const QVector<double> seen = {3.897, 49.0, 11.9, 0.46};
    QTest::newRow("1000 mg over 1 h every 12 h, MIC 15: 0.0567 h to 8.5688 h")
        << vancomycin << QVector<double>{1000, 1, 12} << 15.0 << 17.024126871629;
    QTest::newRow("100 mg over 1 h every 12 h, MIC 5: 0.742 h to 1.142 h")
        << seen << QVector<double>{100, 1, 12} << 5.0 << 0.798863143176;
    QTest::newRow("30,000 mg over 300 h every 400 h, MIC 25: 44.16 h to 300.08 h")
        << seen << QVector<double>{30000, 300, 400} << 25.0 << 255.924019167152;
    QTest::newRow("30,000 mg over 300 h every 400 h, MIC 10: 4.36 h to 310.00 h")
        << seen << QVector<double>{30000, 300, 400} << 10.0 << 305.643950439877;
    // CL 0.1 L/h (beta 0.002/h): the fall to the MIC ends 1500.05 h after the start.
    QTest::newRow("1000 mg over 1 h every 5000 h: 0.015 h to 1500.05 h")
        << QVector<double>{0.1, kVBeta, kV1, kK21} << QVector<double>{1000, 1, 5000}
        << 0.99388928717556878 << 1500.034974426418;
    QTest::newRow("every 400 h, trough above the MIC: all 400 h")
        << seen << QVector<double>{30000, 300, 400} << 0.005 << 400.0;
    QTest::newRow("every 12 h, trough above the MIC: 24 h")
        << seen << QVector<double>{100, 1, 12} << 1.0 << 24.0;
    QTest::newRow("MIC above the peak") << seen << QVector<double>{100, 1, 12} << 6.0 << 0.0;
}

void TestCompartment::twoCompHoursAboveMic()
{
    QFETCH(QVector<double>, patient);
    QFETCH(QVector<double>, regimen);
    QFETCH(double, mic);
    QFETCH(double, expected);
    m_session->twoCompCentralVolume = patient[2];
    m_session->twoCompK21 = patient[3];
    const auto level = [&](double t) {
        return m_calc->twoCompSteadyStateLevel(patient[0], patient[1], regimen[0], regimen[1],
                                               regimen[2], t);
    };
    const double hours =
        m_calc->hoursAboveMicTwoComp(level(regimen[2]), mic, level(regimen[1]), regimen[0],
                                     regimen[1], regimen[2], patient[0], patient[1]);
    QVERIFY2(near(hours, expected, 1e-9), qPrintable(QString::number(hours, 'g', 15)));
}

void TestCompartment::twoCompHoursAboveMicStopsWithoutCrossing()
{
    setTwoComp(*m_session);
    // A clearance so small the steady-state level never falls to the MIC: above it all the time.
    const double hours = m_calc->hoursAboveMicTwoComp(1, 2, 100, 1000, 1, 12, 1e-5, kVBeta);
    QCOMPARE(hours, 24.0);
}

void TestCompartment::twoCompRegimenMeetsItsTargets()
{
    setTwoComp(*m_session);
    const double infusionTime = 1, trough = 10, peak = 30, postTime = 1;
    m_session->twoCompTargetTrough = trough;
    m_session->twoCompInfusionTime = infusionTime;
    m_calc->twoCompRegimen(infusionTime, trough, peak, postTime);
    QVERIFY(!m_session->solverFailed);
    const double dose = m_session->twoCompDose;
    const double tau = m_session->twoCompInterval;
    QVERIFY(dose > 0 && tau > 0);

    const double beta = m_session->twoCompBeta;
    const auto singleDose = [&](double t) {
        return m_calc->levelSeriesTwoComp(1, kVBeta, kCl2, 1, 0, dose, 1e6, infusionTime, 1, kV1,
                                          kK21, t);
    };
    // The dose lifts the decayed trough to the peak at the post time ...
    QCOMPARE(singleDose(infusionTime + postTime) +
                 trough * std::exp(-beta * (infusionTime + postTime)),
             peak);
    // ... and the interval is where the single dose has fallen to the trough's share.
    QVERIFY(std::fabs(singleDose(tau) - trough * (1 - std::exp(-beta * tau))) < 1e-4);
    // At steady state this regimen holds its peak and trough to within the model's own
    // approximation.
    const double ssTrough =
        m_calc->twoCompSteadyStateLevel(kCl2, kVBeta, dose, infusionTime, tau, tau);
    const double ssPeak = m_calc->twoCompSteadyStateLevel(kCl2, kVBeta, dose, infusionTime, tau,
                                                          infusionTime + postTime);
    QVERIFY2(near(ssTrough, trough, 0.02), qPrintable(QString::number(ssTrough)));
    QVERIFY2(near(ssPeak, peak, 0.02), qPrintable(QString::number(ssPeak)));
}

void TestCompartment::twoCompRegimenFailures_data()
{
    QTest::addColumn<double>("trough");
    QTest::addColumn<double>("peak");
    QTest::addColumn<double>("beta");
    QTest::addColumn<bool>("dosePossible");
    QTest::newRow("trough above the peak: no root") << 50.0 << 30.0 << 0.08 << true;
    QTest::newRow("beta 0: refused") << 10.0 << 30.0 << 0.0 << false;
    QTest::newRow("beta NaN: refused") << 10.0 << 30.0 << kNaN << false;
}

void TestCompartment::twoCompRegimenFailures()
{
    QFETCH(double, trough);
    QFETCH(double, peak);
    QFETCH(double, beta);
    QFETCH(bool, dosePossible);
    setTwoComp(*m_session);
    m_session->twoCompBeta = beta;
    m_session->twoCompTargetTrough = trough;
    m_session->twoCompInfusionTime = 1;
    m_calc->twoCompRegimen(1, trough, peak, 1);
    QVERIFY(m_session->solverFailed);
    QVERIFY(std::isfinite(m_session->twoCompInterval));
    if (!dosePossible) {
        QCOMPARE(m_session->twoCompDose, -1.0);
        QCOMPARE(m_session->twoCompInterval, -1.0);
    }
}

void TestCompartment::rootSearchStopsOnFlatOrBrokenFunctions()
{
    setTwoComp(*m_session);
    m_session->twoCompInfusionTime = 1;

    // A constant non-zero function has a zero slope: no secant step can be taken.
    m_session->twoCompBeta = 1000;
    m_session->twoCompAlpha = 2000;
    m_session->twoCompTargetTrough = 5;
    double t = 10;
    m_calc->solveTwoCompInterval(0, 0, t);
    QVERIFY(m_session->solverFailed);
    QCOMPARE(t, 10.0);

    // Not-finite values stop the search and leave the interval finite.
    m_session->twoCompAlpha = kNaN;
    t = 10;
    m_calc->solveTwoCompInterval(1, 1, t);
    QVERIFY(m_session->solverFailed);
    QCOMPARE(t, 10.0);

    // A function that meets the tolerance where it starts succeeds at once, one step on.
    setTwoComp(*m_session);
    m_session->twoCompTargetTrough = 0;
    t = 10;
    m_calc->solveTwoCompInterval(0, 0, t);
    QVERIFY(!m_session->solverFailed);
    QCOMPARE(t, 10.05);
}

TALVORA_TEST_MAIN(TestCompartment)
#include "tst_compartment.moc"
