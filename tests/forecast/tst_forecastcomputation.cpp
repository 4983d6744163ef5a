#include "tests/support/NearlyEqual.h"
#include "tests/support/TestMain.h"

#include "forecast/LevelForecast.h"
#include "forecast/RegimenDesign.h"
#include "forecast/TwoCompartmentDesign.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"

#include <array>
#include <cmath>
#include <memory>

using namespace forecast;

Q_DECLARE_METATYPE(RegimenTargets)

namespace
{
constexpr int kPop = pk::kReportPopulation;
constexpr int kLs = pk::kReportLeastSquares;
constexpr int kBayes = pk::kReportBayesian;

const char kFittedRoute[] = "Oral - Tablets";

// A case with a population set, an equal custom set and a fitted least-squares set whose own
// F applies on the fitted route.
void setCase(SessionData& s, char letter, bool twoComp)
{
    s.patient.drugCode = QStringLiteral("TH");
    s.modelType = twoComp ? pk::kModelTwoComp : pk::kModelOneComp;
    s.routeText = QString::fromLatin1(kFittedRoute);
    s.routeLetter = letter;
    s.routeList = {s.routeText};
    s.saltOral = 0.8;
    s.saltParenteral = 0.9;
    s.regimenKa = 1.3;
    s.twoCompCentralVolume = 15.0;
    s.twoCompK21 = 0.5;
    s.pkSets[pk::kPopulation] = {0, 0.9, 35, 3.0, 0.9, 0, 0};
    s.pkSets[pk::kCustom] = s.pkSets[pk::kPopulation];
    s.pkSets[pk::kLeastSquares] = {0, 0.7, 50, 4.5, 1.0, 0, 0};
    s.pkSets[pk::kBayesian][pk::kF] = -1.0;
}
// The two-compartment model integrated step by step (classic Runge-Kutta), apart from every
// closed form of the program: amounts in the central and peripheral compartment.
class TwoCompOde
{
public:
    using Amounts = std::array<double, 2>;

    TwoCompOde(double cl, double vBeta, double v1, double k21) : m_v1(v1), m_k21(k21)
    {
        const double beta = cl / vBeta;
        const double alpha = cl / v1 * k21 / beta;
        m_k10 = alpha * beta / k21;
        m_k12 = alpha + beta - k21 - m_k10;
    }

    // From `a` over `hours` with an infusion at `rate` running throughout.
    Amounts run(Amounts a, double rate, double hours) const
    {
        constexpr int steps = 4000;
        const double h = hours / steps;
        for (int i = 0; i < steps; ++i) {
            const Amounts k1 = slope(a, rate);
            const Amounts k2 = slope(plus(a, k1, h / 2), rate);
            const Amounts k3 = slope(plus(a, k2, h / 2), rate);
            const Amounts k4 = slope(plus(a, k3, h), rate);
            for (int c = 0; c < 2; ++c)
                a[c] += h / 6 * (k1[c] + 2 * k2[c] + 2 * k3[c] + k4[c]);
        }
        return a;
    }

    // Steady state of an infusion of `amount` over `infusion` h every `interval` h: the post
    // level `post` h after the end of the infusion and the trough. The start of a dose at steady
    // state is the fixed point of the linear map one interval applies.
    std::array<double, 2> steadyState(double amount, double infusion, double interval,
                                      double post) const
    {
        const auto oneInterval = [&](Amounts a, double dose) {
            a = run(a, dose / infusion, infusion);
            return run(run(a, 0, post), 0, interval - infusion - post);
        };
        const Amounts b = oneInterval({0, 0}, amount);
        const Amounts m1 = oneInterval({1, 0}, 0);
        const Amounts m2 = oneInterval({0, 1}, 0);
        // (I - M) x = b
        const double a11 = 1 - m1[0], a12 = -m2[0], a21 = -m1[1], a22 = 1 - m2[1];
        const double det = a11 * a22 - a12 * a21;
        const Amounts start = {(b[0] * a22 - a12 * b[1]) / det, (a11 * b[1] - a21 * b[0]) / det};
        const Amounts atPost = run(run(start, amount / infusion, infusion), 0, post);
        return {atPost[0] / m_v1, start[0] / m_v1};
    }

private:
    Amounts slope(const Amounts& a, double rate) const
    {
        return {rate - (m_k10 + m_k12) * a[0] + m_k21 * a[1], m_k12 * a[0] - m_k21 * a[1]};
    }
    static Amounts plus(const Amounts& a, const Amounts& d, double h)
    {
        return {a[0] + h * d[0], a[1] + h * d[1]};
    }

    double m_v1;
    double m_k21;
    double m_k10 = 0;
    double m_k12 = 0;
};

LevelRegimen regular(double dose, double interval, double infusionTime = 0, double postTime = 0)
{
    LevelRegimen r;
    r.dose = dose;
    r.interval = interval;
    r.infusionTime = infusionTime;
    r.postTime = postTime;
    return r;
}
} // namespace

class TestForecastComputation : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void designedRegimenForecastsItsTargets_data();
    void designedRegimenForecastsItsTargets();
    void vancomycinDesignMeetsBothTargets_data();
    void vancomycinDesignMeetsBothTargets();
    void vancomycinWithoutARegimen();
    void vancomycinDesignOfAVolumeOf1mLHoldsItsTargets();
    void designPastAnEntryLimitShowsTheDigitsPastIt();
    void fittedFOnlyOnFittedRoutes();
    void noResultForAbsentOrDegenerateSets_data();
    void noResultForAbsentOrDegenerateSets();
    void unevenDosingOfEqualDosesIsTheRegularRegimen_data();
    void unevenDosingOfEqualDosesIsTheRegularRegimen();
    void postLevelPastTheIntervalIsNoResult();
    void doseUnits_data();
    void doseUnits();
    void regimenRecordForContinuousInfusion();
    void levelRecordForUnevenDosing();
    void levelRecordForContinuousInfusion();
    void routeChoiceTakesTheProductsConstants_data();
    void routeChoiceTakesTheProductsConstants();

private:
    std::unique_ptr<SessionData> m_session;
    std::unique_ptr<PkCalculator> m_calc;
};

void TestForecastComputation::init()
{
    m_session = std::make_unique<SessionData>();
    m_calc = std::make_unique<PkCalculator>(m_session.get());
}

void TestForecastComputation::designedRegimenForecastsItsTargets_data()
{
    QTest::addColumn<char>("letter");
    QTest::addColumn<bool>("twoComp");
    QTest::addColumn<double>("lag");
    // infusion time, post level, post time, trough, peak, average
    QTest::addColumn<RegimenTargets>("targets");
    QTest::addColumn<double>("tolerance");
    QTest::newRow("intermittent infusion")
        << 'D' << false << 0.0 << RegimenTargets{1.0, 8.0, 0.5, 1.5, 0, 0} << 1e-9;
    QTest::newRow("oral") << 'O' << false << 0.0 << RegimenTargets{0, 0, 0, 10, 15, 0} << 1e-9;
    QTest::newRow("oral with a lag")
        << 'O' << false << 1.5 << RegimenTargets{0, 0, 0, 10, 15, 0} << 1e-9;
    QTest::newRow("intramuscular")
        << 'I' << false << 0.0 << RegimenTargets{0, 0, 0, 1, 8, 0} << 1e-9;
    QTest::newRow("continuous infusion")
        << 'C' << false << 0.0 << RegimenTargets{0, 0, 0, 0, 0, 12.0} << 1e-9;
}

void TestForecastComputation::designedRegimenForecastsItsTargets()
{
    QFETCH(char, letter);
    QFETCH(bool, twoComp);
    QFETCH(double, lag);
    QFETCH(RegimenTargets, targets);
    QFETCH(double, tolerance);
    setCase(*m_session, letter, twoComp);
    m_session->lagTime = lag;

    const RegimenResults design = designRegimens(*m_calc, *m_session, targets);
    for (int set : {kPop, kLs}) {
        const SetRegimen& r = design.sets[set];
        QVERIFY2(r.computed, qPrintable(r.reason));
        LevelRegimen regimen;
        regimen.dose = r.dose;
        regimen.interval = r.interval;
        regimen.rate = r.dose;
        regimen.infusionTime = targets.infusionTime;
        regimen.postTime = targets.postTime;
        const SetLevels levels =
            forecastSet(*m_calc, *m_session, design.route, design.parameters[set], regimen);
        QVERIFY(levels.computed);
        if (letter == 'D') {
            COMPARE_NEARLY(levels.postLevel, targets.postLevel, tolerance);
            COMPARE_NEARLY(levels.trough, targets.trough, tolerance);
        } else if (letter == 'C') {
            COMPARE_NEARLY(levels.average, targets.average, tolerance);
        } else {
            COMPARE_NEARLY(levels.peak, targets.peak, tolerance);
            COMPARE_NEARLY(levels.trough, targets.trough, tolerance);
        }
        // The graph shows the same regimen: its highest point is the forecast peak.
        const QVector<double>& curve = design.curves[set].levels;
        QVERIFY(!curve.isEmpty());
        COMPARE_NEARLY(*std::max_element(curve.begin(), curve.end()), levels.peak, 0.01);
    }
}

void TestForecastComputation::vancomycinDesignMeetsBothTargets_data()
{
    QTest::addColumn<double>("interval");
    QTest::addColumn<double>("infusionTime");
    QTest::addColumn<double>("postTime");
    QTest::newRow("2 h, half an hour after the infusion") << 2.0 << 1.0 << 0.5;
    QTest::newRow("4 h") << 4.0 << 1.0 << 1.0;
    QTest::newRow("8 h") << 8.0 << 1.0 << 1.0;
    QTest::newRow("24 h, two-hour infusion") << 24.0 << 2.0 << 1.0;
}

// The levels of a known regimen, from the integrated model, are the targets: the design must
// give that regimen back, and the forecast of what it gives must hold both targets.
void TestForecastComputation::vancomycinDesignMeetsBothTargets()
{
    QFETCH(double, interval);
    QFETCH(double, infusionTime);
    QFETCH(double, postTime);
    setCase(*m_session, 'D', true);
    const RouteModel route = routeModelOf(*m_session);
    const SetParameters set = setsOf(*m_session)[kPop];
    const double amount = 1000.0; // reaching the blood
    const TwoCompOde model(set.cl, set.v, m_session->twoCompCentralVolume, m_session->twoCompK21);
    const auto [post, trough] = model.steadyState(amount, infusionTime, interval, postTime);
    const RegimenTargets targets{infusionTime, post, postTime, trough, 0, 0};

    const SetRegimen r = designRegimen(*m_calc, *m_session, route, set, targets);
    QVERIFY2(r.computed, qPrintable(r.reason));
    COMPARE_NEARLY(r.interval, interval, 1e-6);
    COMPARE_NEARLY(r.dose * route.salt * set.f, amount, 1e-6);
    const SetLevels levels = forecastSet(*m_calc, *m_session, route, set,
                                         regular(r.dose, r.interval, infusionTime, postTime));
    COMPARE_NEARLY(levels.postLevel, post, 1e-6);
    COMPARE_NEARLY(levels.trough, trough, 1e-6);
}

void TestForecastComputation::vancomycinWithoutARegimen()
{
    setCase(*m_session, 'D', true);
    // Beta of 3e-5 /h: the post level stays above 3 x the trough only past 10000 h.
    m_session->pkSets[pk::kPopulation][pk::kCl] = 0.001;
    const RegimenTargets targets{1.0, 30.0, 1.0, 10.0, 0, 0};
    const RegimenResults design = designRegimens(*m_calc, *m_session, targets);
    QVERIFY(!design.sets[kPop].computed);
    QVERIFY(design.sets[kPop].reason.contains("10000"));
    QVERIFY(design.curves[kPop].levels.isEmpty());
    QVERIFY(design.sets[kLs].computed);
}

// V-beta 1 mL, CL 0.838 L/h, V1 7.785 L, k21 0.905/h: beta is 838/h, whose e^(beta x 50 min)
// overflows; the levels, written with decays alone, are plain numbers. The design's own
// forecast holds both targets.
void TestForecastComputation::vancomycinDesignOfAVolumeOf1mLHoldsItsTargets()
{
    setCase(*m_session, 'D', true);
    m_session->twoCompCentralVolume = 7.785;
    m_session->twoCompK21 = 0.905;
    m_session->pkSets[pk::kPopulation][pk::kVd] = 0.001;
    m_session->pkSets[pk::kPopulation][pk::kCl] = 0.838;
    const RouteModel route = routeModelOf(*m_session);
    const SetParameters set = setsOf(*m_session)[kPop];
    const double infusionTime = 50.0 / 60.0;
    const RegimenTargets targets{infusionTime, 30.0, 0.0, 10.0, 0, 0};

    const TwoCompRegimen found = exactTwoCompRegimen(*m_calc, set, targets, kNoResult, 1.0e4);
    QVERIFY(found.found);
    const double dose = found.amount / (route.salt * set.f);
    const SetLevels levels = forecastSet(*m_calc, *m_session, route, set,
                                         regular(dose, found.interval, infusionTime, 0.0));
    QVERIFY2(levels.computed, qPrintable(levels.reason));
    COMPARE_NEARLY(levels.postLevel, 30.0, 1e-6);
    COMPARE_NEARLY(levels.trough, 10.0, 1e-6);
    const SetRegimen r = designRegimen(*m_calc, *m_session, route, set, targets);
    QVERIFY2(r.computed, qPrintable(r.reason));
    QCOMPARE(r.dose, dose);
    QCOMPARE(r.interval, found.interval);
}

// A rate of 10,000,000.1 mg/h, a tenth past what an entry may hold, is not shown as 1e+07.
void TestForecastComputation::designPastAnEntryLimitShowsTheDigitsPastIt()
{
    setCase(*m_session, 'C', false);
    m_session->doseUnit = QStringLiteral("mg");
    m_session->saltParenteral = 1.0;
    m_session->pkSets[pk::kPopulation] = {0, 1.0, 35, 1.0, 1.0, 0, 0};
    const RegimenTargets targets{0, 0, 0, 0, 0, 10000000.1};
    const SetRegimen r = designRegimen(*m_calc, *m_session, routeModelOf(*m_session),
                                       setsOf(*m_session)[kPop], targets);
    QVERIFY(!r.computed);
    QCOMPARE(r.reason, QStringLiteral("The designed rate (10000000.1 mg/h) exceeds the largest "
                                      "rate an entry may hold (10000000 mg/h)."));
}

void TestForecastComputation::fittedFOnlyOnFittedRoutes()
{
    setCase(*m_session, 'O', false);
    m_session->routeNames = {QStringLiteral("Intermittent IV - Injection"),
                             QString::fromLatin1(kFittedRoute)};
    m_session->routeF = {1.0, 0.85};
    ForecastSets sets = setsOf(*m_session);
    QCOMPARE(sets[pk::kReportCustom].f, 0.85);
    QCOMPARE(sets[kLs].f, 0.7);
    QVERIFY(!sets[kBayes].exists);

    // Fitted on intravenous doses only: tablets take the population F, not the fitted 1.0.
    m_session->pkSets[pk::kLeastSquares][pk::kF] = 1.0;
    m_session->routeList = {QStringLiteral("Intermittent IV - Injection")};
    sets = setsOf(*m_session);
    QCOMPARE(sets[kLs].f, 0.9);
}

void TestForecastComputation::noResultForAbsentOrDegenerateSets_data()
{
    QTest::addColumn<char>("letter");
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("slot");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("reason"); // of the population set, where it matters
    QTest::newRow("clearance 0") << 'D' << pk::kPopulation << pk::kCl << 0.0 << QString();
    QTest::newRow("volume 0") << 'O' << pk::kPopulation << pk::kVd << 0.0 << QString();
    QTest::newRow("clearance not a number")
        << 'C' << pk::kPopulation << pk::kCl << std::nan("") << QString();
    QTest::newRow("no absorption constant") << 'I' << pk::kPopulation << 0 << 0.0 << QString();
    QTest::newRow("vancomycin volume 0") << 'V' << pk::kPopulation << pk::kVd << 0.0 << QString();
    // V-beta 35 L, V1 15 L, k21 0.5/h, CL 20 L/h: beta 0.5714, k10 1.3333, alpha 1.1667, so
    // k12 = alpha + beta - k21 - k10 = -0.0952/h: no two-compartment curve, no negative level.
    QTest::newRow("vancomycin with a negative k12")
        << 'V' << pk::kPopulation << pk::kCl << 20.0 << QStringLiteral("negative k12 (-0.095/h)");
}

void TestForecastComputation::noResultForAbsentOrDegenerateSets()
{
    QFETCH(char, letter);
    QFETCH(int, method);
    QFETCH(int, slot);
    QFETCH(double, value);
    QFETCH(QString, reason);
    const bool twoComp = letter == 'V';
    setCase(*m_session, twoComp ? 'D' : letter, twoComp);
    if (slot == 0)
        m_session->regimenKa = value;
    else
        m_session->pkSets[method][slot] = value;

    const RegimenTargets targets{1.0, 20.0, 0.5, 5.0, 20.0, 10.0};
    const RegimenResults design = designRegimens(*m_calc, *m_session, targets);
    writeRegimenReport(*m_session, targets, design);
    LevelRegimen regimen = regular(500, 12, 1, 0.5);
    regimen.rate = 50;
    const LevelResults levels = forecastLevels(*m_calc, *m_session, regimen);
    writeLevelForecastReport(*m_session, regimen, levels);

    for (int set : {kPop, kBayes}) {
        QVERIFY(!design.sets[set].computed && !design.sets[set].reason.isEmpty());
        QVERIFY(!levels.sets[set].computed && !levels.sets[set].reason.isEmpty());
        QVERIFY(design.curves[set].levels.isEmpty() && levels.curves[set].levels.isEmpty());
        QCOMPARE(m_session->regimenReport.dose[set], kNoResult);
        QCOMPARE(m_session->regimenReport.dosePer24h[set], kNoResult);
        QCOMPARE(m_session->levelForecastReport.peak[set], kNoResult);
        QCOMPARE(m_session->levelForecastReport.averageLevel[set], kNoResult);
    }
    for (const QString& given : {design.sets[kPop].reason, levels.sets[kPop].reason})
        QVERIFY2(given.contains(reason), qPrintable(given));
    QVERIFY(!m_session->regimenReport.done);
    QVERIFY(!m_session->levelForecastReport.done);
}

void TestForecastComputation::unevenDosingOfEqualDosesIsTheRegularRegimen_data()
{
    QTest::addColumn<char>("letter");
    QTest::addColumn<double>("lag");
    QTest::newRow("oral with a lag") << 'O' << 1.5;
    QTest::newRow("intermittent infusion") << 'D' << 0.0;
}

void TestForecastComputation::unevenDosingOfEqualDosesIsTheRegularRegimen()
{
    QFETCH(char, letter);
    QFETCH(double, lag);
    setCase(*m_session, letter, false);
    m_session->lagTime = lag;
    const RouteModel route = routeModelOf(*m_session);
    const SetParameters set = setsOf(*m_session)[kPop];

    const LevelRegimen even = regular(300, 8, 1);
    LevelRegimen uneven = even;
    uneven.uneven = true;
    uneven.day = {{6, 300}, {14, 300}, {22, 300}};
    const SetLevels a = forecastSet(*m_calc, *m_session, route, set, even);
    const SetLevels b = forecastSet(*m_calc, *m_session, route, set, uneven);
    QVERIFY(a.computed && b.computed);
    COMPARE_NEARLY(b.peak, a.peak, 1e-6);
    COMPARE_NEARLY(b.trough, a.trough, 1e-6);
    COMPARE_NEARLY(b.average, a.average, 1e-9);
}

void TestForecastComputation::postLevelPastTheIntervalIsNoResult()
{
    setCase(*m_session, 'D', false);
    const RouteModel route = routeModelOf(*m_session);
    const SetParameters set = setsOf(*m_session)[kPop];
    const SetLevels inside = forecastSet(*m_calc, *m_session, route, set, regular(500, 8, 1, 7));
    const SetLevels past = forecastSet(*m_calc, *m_session, route, set, regular(500, 8, 1, 7.5));
    QVERIFY(past.computed);
    COMPARE_NEARLY(inside.postLevel, past.trough, 1e-9);
    QCOMPARE(past.postLevel, kNoResult);
}

void TestForecastComputation::doseUnits_data()
{
    QTest::addColumn<QString>("drugCode");
    QTest::addColumn<double>("computingUnitsPerEnteredUnit");
    QTest::newRow("lithium: mg of carbonate, computed in mEq") << "LI" << 8.12 / 300;
    QTest::newRow("digoxin: mcg as entered") << "DG" << 1.0;
}

void TestForecastComputation::doseUnits()
{
    QFETCH(QString, drugCode);
    QFETCH(double, computingUnitsPerEnteredUnit);
    setCase(*m_session, 'O', false);
    m_session->patient.drugCode = drugCode;
    const RouteModel route = routeModelOf(*m_session);
    const SetParameters set = setsOf(*m_session)[kPop];
    RouteModel unscaled = route;
    unscaled.doseScale = 1.0;

    const RegimenTargets targets{0, 0, 0, 0.6, 1.0, 0};
    const SetRegimen shown = designRegimen(*m_calc, *m_session, route, set, targets);
    const SetRegimen computing = designRegimen(*m_calc, *m_session, unscaled, set, targets);
    COMPARE_NEARLY(shown.dose * computingUnitsPerEnteredUnit, computing.dose, 1e-12);

    // 300 mg of lithium carbonate holds 8.12 mEq.
    const SetLevels levels = forecastSet(*m_calc, *m_session, route, set, regular(300, 12));
    const SetLevels reference = forecastSet(*m_calc, *m_session, unscaled, set,
                                            regular(300 * computingUnitsPerEnteredUnit, 12));
    COMPARE_NEARLY(levels.average, reference.average, 1e-12);
}

void TestForecastComputation::regimenRecordForContinuousInfusion()
{
    setCase(*m_session, 'C', false);
    m_session->routeText = QStringLiteral("Continuous IV - Injection");
    m_session->dosageForm = QStringLiteral("Injection");
    const RegimenTargets targets{0, 0, 0, 0, 0, 15.0};
    writeRegimenReport(*m_session, targets, designRegimens(*m_calc, *m_session, targets));
    const RegimenReport& r = m_session->regimenReport;
    // Rate = Css x Cl / (S F): 15 x 3 / (0.9 x 0.9).
    const double rate = 15.0 * 3.0 / (0.9 * 0.9);
    COMPARE_NEARLY(r.dose[kPop], rate, 1e-12);
    QCOMPARE(r.interval[kPop], 1.0);
    COMPARE_NEARLY(r.dosePer24h[kPop], 24 * rate, 1e-12);
    QCOMPARE(r.desiredAverage, 15.0);
    QCOMPARE(r.f[kLs], 0.9); // the fitted F is for tablets, not for this route
    QCOMPARE(r.f[kBayes], kNoResult);
    QCOMPARE(r.routeLetter, 'C');
    QVERIFY(r.done);
}

void TestForecastComputation::levelRecordForUnevenDosing()
{
    setCase(*m_session, 'O', false);
    m_session->dosageForm = QStringLiteral("Tablets");
    LevelRegimen regimen;
    regimen.uneven = true;
    regimen.day = {{8, 200}, {20, 400}};
    writeLevelForecastReport(*m_session, regimen, forecastLevels(*m_calc, *m_session, regimen));
    const LevelForecastReport& r = m_session->levelForecastReport;
    QVERIFY(r.unevenDosing && r.done);
    QCOMPARE(r.enteredDose, 600.0);
    QCOMPARE(r.interval, 24.0);
    QCOMPARE(r.f[kPop], 0.9);
    QCOMPARE(r.f[kLs], 0.7);
    QVERIFY(r.peak[kLs] > r.trough[kLs] && r.trough[kLs] > 0);
    QCOMPARE(r.peak[kBayes], kNoResult);
    QCOMPARE(r.routeLetter, 'O');
    QVERIFY(r.routeSentence.contains("Tablets"));
}

void TestForecastComputation::levelRecordForContinuousInfusion()
{
    setCase(*m_session, 'C', false);
    m_session->routeText = QStringLiteral("Continuous IV - Injection");
    LevelRegimen regimen;
    regimen.rate = 40;
    writeLevelForecastReport(*m_session, regimen, forecastLevels(*m_calc, *m_session, regimen));
    const LevelForecastReport& r = m_session->levelForecastReport;
    // The report shows a fitted column only when its peak is above 0: Css stands in all three.
    const double css = 40 * 0.9 * 0.9 / 4.5; // rate x S x population F / fitted Cl
    COMPARE_NEARLY(r.peak[kLs], css, 1e-12);
    COMPARE_NEARLY(r.trough[kLs], css, 1e-12);
    COMPARE_NEARLY(r.averageLevel[kLs], css, 1e-12);
    QCOMPARE(r.rate, 40.0);
    QVERIFY(r.done);
}

void TestForecastComputation::routeChoiceTakesTheProductsConstants_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<char>("letter");
    QTest::addColumn<QString>("form");
    QTest::addColumn<double>("ka");
    QTest::addColumn<double>("lag");
    QTest::addColumn<double>("populationF");
    QTest::newRow("fast-release tablets: ka and a lag")
        << "Oral - Divalproex Fast - Release Tables" << 'O' << "Divalproex Fast - Release Tables"
        << 4.1 << 1.5 << 1.0;
    QTest::newRow("extended-release capsules")
        << "Oral - Divalproex Extended - Release Capsules" << 'O'
        << "Divalproex Extended - Release Capsules" << 1.0 << 0.0 << 0.9;
    QTest::newRow("injection without an absorption constant")
        << "IM - Injection" << 'I' << "Injection" << 0.0 << 0.0 << 1.0;
}

void TestForecastComputation::routeChoiceTakesTheProductsConstants()
{
    QFETCH(QString, item);
    QFETCH(char, letter);
    QFETCH(QString, form);
    QFETCH(double, ka);
    QFETCH(double, lag);
    QFETCH(double, populationF);
    m_session->patient.drugCode = QStringLiteral("VP");
    DrugInfo drugInfo(m_session.get(), m_calc.get());
    chooseRoute(*m_session, drugInfo, item);
    QCOMPARE(m_session->routeText, item);
    QCOMPARE(m_session->routeLetter, letter);
    QCOMPARE(m_session->dosageForm, form);
    QCOMPARE(m_session->regimenKa, ka);
    QCOMPARE(m_session->lagTime, lag);
    QCOMPARE(m_session->pkSets[pk::kPopulation][pk::kF], populationF);
}

TALVORA_TEST_MAIN(TestForecastComputation)
#include "tst_forecastcomputation.moc"
