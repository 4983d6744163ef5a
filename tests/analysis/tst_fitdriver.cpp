#include "analysis/DoseEventBuilder.h"
#include "analysis/FitDriver.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "tests/analysis/tst_analysis_fixture.h"
#include "tests/support/NearlyEqual.h"
#include "tests/support/TestMain.h"

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace
{
using Objective = std::function<double(const std::vector<double>&)>;

// Plain Nelder-Mead with restarts: an independent way to the minimum of the fits' objective.
std::vector<double> nelderMead(const Objective& f, std::vector<double> start)
{
    const size_t n = start.size();
    for (int restart = 0; restart < 6; ++restart) {
        std::vector<std::vector<double>> simplex(n + 1, start);
        for (size_t k = 0; k < n; ++k)
            simplex[k + 1][k] *= 1.05;
        std::vector<double> values(n + 1);
        for (size_t i = 0; i <= n; ++i)
            values[i] = f(simplex[i]);
        for (int iteration = 0; iteration < 20000; ++iteration) {
            std::vector<size_t> order(n + 1);
            for (size_t i = 0; i <= n; ++i)
                order[i] = i;
            std::sort(order.begin(), order.end(),
                      [&](size_t a, size_t b) { return values[a] < values[b]; });
            const size_t best = order[0], worst = order[n], second = order[n - 1];
            if (std::fabs(values[worst] - values[best]) <= 1e-13 * (1.0 + std::fabs(values[best])))
                break;
            std::vector<double> centroid(n, 0.0);
            for (size_t i = 0; i <= n; ++i)
                if (i != worst)
                    for (size_t k = 0; k < n; ++k)
                        centroid[k] += simplex[i][k] / n;
            auto along = [&](double t) {
                std::vector<double> p(n);
                for (size_t k = 0; k < n; ++k)
                    p[k] = centroid[k] + t * (simplex[worst][k] - centroid[k]);
                return p;
            };
            const std::vector<double> reflected = along(-1.0);
            const double fr = f(reflected);
            if (fr < values[best]) {
                const std::vector<double> expanded = along(-2.0);
                const double fe = f(expanded);
                simplex[worst] = fe < fr ? expanded : reflected;
                values[worst] = std::min(fe, fr);
            } else if (fr < values[second]) {
                simplex[worst] = reflected;
                values[worst] = fr;
            } else {
                const std::vector<double> contracted = along(0.5);
                const double fc = f(contracted);
                if (fc < values[worst]) {
                    simplex[worst] = contracted;
                    values[worst] = fc;
                } else {
                    for (size_t i = 0; i <= n; ++i)
                        if (i != best) {
                            for (size_t k = 0; k < n; ++k)
                                simplex[i][k] =
                                    simplex[best][k] + 0.5 * (simplex[i][k] - simplex[best][k]);
                            values[i] = f(simplex[i]);
                        }
                }
            }
        }
        size_t best = 0;
        for (size_t i = 1; i <= n; ++i)
            if (values[i] < values[best])
                best = i;
        start = simplex[best];
    }
    return start;
}

void addLevel(SessionData& s, double t, double value)
{
    const int i = ++s.levelCount;
    s.levelTimes[i] = t;
    s.levelValues[i] = value;
    s.levelAgeReferenceTime = std::max(s.levelAgeReferenceTime, t);
}

// Below a tenth of its prior a parameter's prior term uses a value that falls on exponentially,
// meeting the straight line there with the same slope.
double valueInUse(double p, double prior)
{
    const double threshold = 0.1 * prior;
    return p < threshold ? threshold * std::exp(p / threshold - 1.0) : p;
}

void setSet(SessionData& s, int method, double f, double v, double cl, double cf, double km = 0.0,
            double vmax = 0.0)
{
    ::setSet(s.pkSets[method], f, v, cl, cf, km, vmax);
}
} // namespace

Q_DECLARE_METATYPE(std::function<void(SessionData&)>)

class TestFitDriver : public QObject
{
    Q_OBJECT

public:
    TestFitDriver() : calculator(&session), driver(&session, &calculator) {}

private slots:
    void init();
    void intravenousCaseMatchesIndependentMinimum();
    void oralOutpatientCaseFitsFAndCompliance();
    void vancomycinCaseMatchesIndependentMinimum();
    void undetectableOutpatientLevelFitsToTheMinimum();
    void phenytoinCaseMatchesIndependentMinimum();
    void oneCompartmentFitIsNearlyTheSameOnBothRoads();
    void phenytoinFitIsTheSameOnBothRoads();
    void rangesAreOneSigmaInDisplayUnits();
    void levelTableAndCurvesUseTheSets();
    void levelTableHoldsTwelveLevels();
    void zeroLevelIsPairedLikeAnyOther();
    void noLevelsStillRunsTheBayesianFit();
    void zeroPriorFIsHeldAndStaysFinite();
    void intravenousHistoryWithUnsetPriorFIsStillFitted();
    void nonFiniteResultMarksTheSetAbsent();
    void unevaluableModelIsRefusedBeforeFitting_data();
    void unevaluableModelIsRefusedBeforeFitting();
    void setWithAFailedPredictionIsNotStored();
    void failedCovarianceLeavesRangesNotAvailable();
    void formDefaultsKeepTheChosenF();
    void skippedLeastSquaresClearsTheEarlierSet();
    void userChoiceDrugWeighsLevelsByDefaultBase_data();
    void userChoiceDrugWeighsLevelsByDefaultBase();
    void otherMethodsRunTheBayesianFit_data();
    void otherMethodsRunTheBayesianFit();
    void priorsAreStoredBehindTheLevelsOnly_data();
    void priorsAreStoredBehindTheLevelsOnly();

private:
    void gentamicinCase();
    void runAnalysis(double graphEnd = 48.0);
    double objective(const fit::Vector& p, int n, double w, double c);
    void compareWithIndependentMinimum(int method, const QVector<int>& free);

    SessionData session;
    PkCalculator calculator;
    FitDriver driver;
};

void TestFitDriver::init()
{
    session = SessionData();
    session.patient.drugCode = "GM";
    session.modelType = pk::kModelOneComp;
    session.levelErrorFactor = 0.1;
    session.levelErrorConstant = 0.25;
    session.levelAgeWeightBase = 1.005;
    session.levelAgeReferenceTime = -1.0;
    session.populationRanges = RangeBlock{0, 0.05, 0.3, 0.5, 0.5};
    session.pkSets[pk::kLeastSquares][pk::kF] = -1.0;
    session.pkSets[pk::kBayesian][pk::kF] = -1.0;
    driver.setPriorSetIndex(pk::kPopulation);
    driver.setFormDefaults(nullptr);
    driver.predictor().setRoad(LevelPredictor::Road::SinglePass);
}

// Gentamicin 120 mg over 0.5 h every 8 h, in hospital; levels of a patient with V 18 and
// CL 4 (population 20 and 6), a few percent off.
void TestFitDriver::gentamicinCase()
{
    setSet(session, pk::kPopulation, 1.0, 20.0, 6.0, 1.0);
    for (int dose = 0; dose < 6; ++dose)
        addEvent(session, dose * 8.0, 120.0, pk::kRouteCodeIntravenous, pk::kInPatient, 0.5);
    const std::pair<double, double> samples[] = {
        {16.5, 1.03}, {23.5, 0.97}, {40.5, 0.98}, {47.5, 1.02}};
    for (const auto& [t, deviation] : samples)
        addLevel(session, t, deviation * calculator.levelFromDoseHistory(4.0, 18.0, 1.0, 1.0, t));
}

void TestFitDriver::runAnalysis(double graphEnd)
{
    driver.setPriorRanges(driver.priorSetIndex() == pk::kPopulation ? session.populationRanges
                                                                    : session.customRanges);
    driver.setGraphEndTime(graphEnd);
    driver.fitCurves();
}

// The objective the fits minimise, written out from its definition: weighted level residuals
// and prior terms, with F and CF kept within (0, 1].
double TestFitDriver::objective(const fit::Vector& p, int n, double w, double c)
{
    if (!(p[pk::kFitF] > 0.0 && p[pk::kFitF] <= 1.0 && p[pk::kFitCF] > 0.0 && p[pk::kFitCF] <= 1.0))
        return std::numeric_limits<double>::infinity();
    const bool phenytoin = session.patient.drugCode == "PH";
    double largest = 0.0;
    for (int i = 1; i <= session.levelCount; ++i)
        largest = std::max(largest, session.levelValues[i]);
    double sum = 0.0;
    for (int i = 1; i <= session.levelCount; ++i) {
        const double t = session.levelTimes[i];
        double predicted = 0.0;
        switch (session.modelType) {
        case pk::kModelOneComp:
            predicted = calculator.levelFromDoseHistory(p[3], p[2], p[1], p[4], t);
            break;
        case pk::kModelTwoComp:
            predicted = calculator.levelFromDoseHistoryTwoComp(p[3], p[2], p[4], t);
            break;
        default:
            predicted = calculator.phenytoinLevelFromDoseHistory(p[5], p[3], p[2], p[1], p[4], t);
        }
        const double floor = 0.001 * largest;
        if (predicted < floor)
            predicted += floor;
        if (predicted <= floor)
            predicted = floor;
        const double age = std::pow(session.levelAgeWeightBase, session.levelAgeReferenceTime - t);
        const double error = std::max(age * (w * predicted + c), 0.01 * predicted);
        const double r = (session.levelValues[i] - predicted) / error;
        sum += r * r;
    }
    const PkParameterSet& prior = session.pkSets[driver.priorSetIndex()];
    const double priors[] = {0,
                             prior[pk::kF],
                             prior[pk::kVd],
                             phenytoin ? prior[pk::kKm] : prior[pk::kCl],
                             prior[pk::kCF],
                             prior[pk::kVmax]};
    for (int k = 1; k <= n; ++k) {
        const double range = driver.priorRanges()[k];
        const double value = valueInUse(p[k], priors[k]);
        double r;
        if (phenytoin && k >= 2)
            r = (std::log(priors[k]) - std::log(value)) / std::max(range, 0.001);
        else
            r = (priors[k] - value) / (std::max(range, 0.01) * value);
        sum += r * r;
    }
    return sum;
}

// The fitted set of the method against a Nelder-Mead minimum of the same objective over the
// parameters that are free (the others at the fitted values).
void TestFitDriver::compareWithIndependentMinimum(int method, const QVector<int>& free)
{
    const int n = driver.fitParameterCount();
    const bool phenytoin = session.patient.drugCode == "PH";
    const double w = method == pk::kLeastSquares ? 0.01 : session.levelErrorFactor;
    const double c = method == pk::kLeastSquares ? 0.0 : session.levelErrorConstant;
    const PkParameterSet& set = session.pkSets[method];
    fit::Vector fitted{};
    fitted[1] = set[pk::kF];
    fitted[2] = set[pk::kVd];
    fitted[3] = phenytoin ? set[pk::kKm] : set[pk::kCl];
    fitted[4] = set[pk::kCF];
    fitted[5] = set[pk::kVmax];

    auto expand = [&](const std::vector<double>& x) {
        fit::Vector p = fitted;
        for (int i = 0; i < free.size(); ++i)
            p[free[i]] = x[i];
        return p;
    };
    std::vector<double> start;
    const PkParameterSet& prior = session.pkSets[driver.priorSetIndex()];
    for (int k : free)
        start.push_back(k == 1   ? prior[pk::kF] * 0.95
                        : k == 2 ? prior[pk::kVd]
                        : k == 3 ? (phenytoin ? prior[pk::kKm] : prior[pk::kCl])
                        : k == 4 ? prior[pk::kCF] * 0.95
                                 : prior[pk::kVmax]);
    const std::vector<double> best = nelderMead(
        [&](const std::vector<double>& x) { return objective(expand(x), n, w, c); }, start);
    const double fittedValue = objective(fitted, n, w, c);
    const double bestValue = objective(expand(best), n, w, c);
    QVERIFY2(fittedValue <= bestValue * (1.0 + 1e-4) + 1e-9,
             qPrintable(QString("fit %1, minimum %2").arg(fittedValue).arg(bestValue)));
    for (int i = 0; i < free.size(); ++i) {
        const int k = free[i];
        QVERIFY2(
            std::fabs(fitted[k] / best[i] - 1.0) < 0.005,
            qPrintable(
                QString("parameter %1: fit %2, minimum %3").arg(k).arg(fitted[k]).arg(best[i])));
    }
}

void TestFitDriver::intravenousCaseMatchesIndependentMinimum()
{
    gentamicinCase();
    runAnalysis();
    QCOMPARE(driver.allIntravenous(), 1);
    QCOMPARE(driver.allInpatient(), 1);
    QCOMPARE(driver.fitParameterCount(), 4);
    for (int method : {pk::kLeastSquares, pk::kBayesian}) {
        const PkParameterSet& set = session.pkSets[method];
        QCOMPARE(set[pk::kF], 1.0);
        QCOMPARE(set[pk::kCF], 1.0);
        QVERIFY(driver.fitPresent(method));
        compareWithIndependentMinimum(method, {2, 3});
    }
    // The least-squares fit weighs the levels far more than the Bayesian one.
    QVERIFY(std::fabs(session.pkSets[pk::kLeastSquares][pk::kCl] - 4.0) <
            std::fabs(session.pkSets[pk::kBayesian][pk::kCl] - 4.0));
    // After the analysis fitParameters holds the Bayesian result.
    QCOMPARE(session.fitParameters[pk::kFitVd], session.pkSets[pk::kBayesian][pk::kVd]);
}

// Theophylline tablets at home: F and CF act on the levels and are fitted; the levels want
// more drug than F x CF = 1 can give, so both end at or below 1.
void TestFitDriver::oralOutpatientCaseFitsFAndCompliance()
{
    session.patient.drugCode = "TH";
    session.levelErrorFactor = 0.15;
    session.levelErrorConstant = 0.0;
    session.levelAgeWeightBase = 1.01;
    session.populationRanges = RangeBlock{0, 0.1, 0.25, 0.5, 0.5};
    setSet(session, pk::kPopulation, 0.9, 35.0, 3.0, 0.7);
    for (int dose = 0; dose < 8; ++dose)
        addEvent(session, dose * 12.0, 300.0, pk::kRouteCodeOther, 1, -1.0, 1.0, 1.5);
    addLevel(session, 86.0, 9.5);
    addLevel(session, 90.0, 11.8);
    addLevel(session, 95.5, 8.7);
    runAnalysis(108.0);
    QCOMPARE(driver.allIntravenous(), 0);
    QCOMPARE(driver.allInpatient(), 0);
    for (int method : {pk::kLeastSquares, pk::kBayesian}) {
        const PkParameterSet& set = session.pkSets[method];
        QVERIFY(set[pk::kF] > 0.0 && set[pk::kF] <= 1.0);
        QVERIFY(set[pk::kCF] > 0.0 && set[pk::kCF] <= 1.0);
        QVERIFY(set[pk::kCF] > 0.1 * 0.7);
    }
    compareWithIndependentMinimum(pk::kBayesian, {1, 2, 3, 4});
}

void TestFitDriver::vancomycinCaseMatchesIndependentMinimum()
{
    session.patient.drugCode = "VM";
    session.modelType = pk::kModelTwoComp;
    session.levelErrorConstant = 1.25;
    session.populationRanges = RangeBlock{0, 0.1, 0.3, 0.5, 0.5};
    session.twoCompCentralVolume = 12.0;
    session.twoCompK21 = 0.46;
    setSet(session, pk::kPopulation, 1.0, 50.0, 5.0, 1.0);
    for (int dose = 0; dose < 5; ++dose)
        addEvent(session, dose * 12.0, 1000.0, pk::kRouteCodeIntravenous, pk::kInPatient, 1.0);
    addLevel(session, 26.0, 31.0);
    addLevel(session, 35.5, 12.0);
    addLevel(session, 59.5, 13.5);
    runAnalysis(72.0);
    for (int method : {pk::kLeastSquares, pk::kBayesian}) {
        QVERIFY(driver.fitPresent(method));
        compareWithIndependentMinimum(method, {2, 3});
    }
}

// Digoxin tablets at home for ten days, a level the assay cannot detect on admission, then five
// days in hospital and a level there: the patient had stopped taking them. The least-squares
// minimum sits where the barrier holds compliance near a tenth of its prior.
void TestFitDriver::undetectableOutpatientLevelFitsToTheMinimum()
{
    session.patient.drugCode = "DG";
    session.levelErrorFactor = 0.1;
    session.levelErrorConstant = 0.0625;
    session.populationRanges = RangeBlock{0, 1.0 / 7.0, 0.3, 0.52, 0.5};
    setSet(session, pk::kPopulation, 0.7, 400.0, 6.0, 1.0);
    for (int dose = 0; dose < 15; ++dose)
        addEvent(session, dose * 24.0, 250.0, pk::kRouteCodeOther, dose < 10 ? 1 : pk::kInPatient,
                 -1.0, 1.0, 1.5);
    addLevel(session, 238.0, 0.02);
    addLevel(session, 358.0, 0.5);
    runAnalysis(384.0);
    QVERIFY(driver.fitPresent(pk::kLeastSquares));
    QVERIFY(session.pkSets[pk::kLeastSquares][pk::kCF] < 0.2);
    compareWithIndependentMinimum(pk::kLeastSquares, {1, 2, 3, 4});
}

namespace
{
// Phenytoin capsules 100 mg three times a day for four days, then two levels.
void phenytoinCase(SessionData& session, DoseRows& doses, LevelRows& levels)
{
    session.patient.drugCode = "PH";
    session.modelType = pk::kModelMichaelisMenten;
    session.phenytoinInputRate = 60.0;
    session.levelErrorFactor = 0.1;
    session.levelErrorConstant = 0.75;
    session.populationRanges = RangeBlock{0, 0.1, 0.2, 0.5, 0.5, 0.3};
    setSet(session, pk::kPopulation, 1.0, 45.0, 5.7, 1.0, 5.7, 420.0);
    const QDate day(2020, 5, 1);
    DoseHistoryRow row = phenytoinCapsuleRow();
    doses[0] = row;
    row.date = day.addDays(4);
    row.dose = 300.0;
    row.interval = 24.0;
    row.numberOfDoses = 2.0;
    doses[1] = row;
    for (const auto& [hours, value] : {std::pair<int, double>{95, 9.0}, {118, 11.5}, {140, 13.0}}) {
        const QTime time(8 + hours % 24 - (hours % 24 >= 16 ? 16 : 0), 0);
        levels[hours == 95    ? 0
               : hours == 118 ? 1
                              : 2] = serumLevel(day.addDays(hours / 24), time, value);
    }
}
} // namespace

void TestFitDriver::phenytoinCaseMatchesIndependentMinimum()
{
    DoseRows doses;
    LevelRows levels;
    phenytoinCase(session, doses, levels);
    DoseEventBuilder builder(&session, doses, levels);
    QVERIFY(builder.analyse());
    runAnalysis(builder.maxTime());
    QCOMPARE(driver.fitParameterCount(), 5);
    QVERIFY(!driver.fitPresent(pk::kLeastSquares));
    QCOMPARE(session.pkSets[pk::kLeastSquares][pk::kF], -1.0);
    const PkParameterSet& bayes = session.pkSets[pk::kBayesian];
    QCOMPARE(bayes[pk::kCl], bayes[pk::kKm]);
    QVERIFY(bayes[pk::kKm] != 5.7);
    compareWithIndependentMinimum(pk::kBayesian, {2, 3, 5});
    // No least-squares curve for phenytoin; population and Bayesian curves exist.
    const FitCurveTable& curves = driver.fitCurveTable();
    QCOMPARE(curves.leastSquares[FitCurveTable::kPoints], 0.0);
    QVERIFY(curves.bayesian[FitCurveTable::kPoints] > 0.0);
    QVERIFY(curves.population[FitCurveTable::kPoints] > 0.0);
}

void TestFitDriver::phenytoinFitIsTheSameOnBothRoads()
{
    DoseRows doses;
    LevelRows levels;
    phenytoinCase(session, doses, levels);
    DoseEventBuilder builder(&session, doses, levels);
    QVERIFY(builder.analyse());
    const SessionData before = session;
    runAnalysis(builder.maxTime());
    const SessionData singlePass = session;
    const FitCurveTable curves = driver.fitCurveTable();

    session = before;
    driver.predictor().setRoad(LevelPredictor::Road::StepByStep);
    runAnalysis(builder.maxTime());
    for (int slot = pk::kF; slot < pk::kPkSlotCount; ++slot)
        QVERIFY(exactlyEqual(session.pkSets[pk::kBayesian][slot],
                             singlePass.pkSets[pk::kBayesian][slot]));
    for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= 5; ++j)
            QVERIFY(exactlyEqual(session.bayesCovariance[i][j], singlePass.bayesCovariance[i][j]));
    for (int i = 1; i <= FitCurveTable::kPoints; i += 97)
        QVERIFY(exactlyEqual(driver.fitCurveTable().bayesian[i], curves.bayesian[i]));
}

// The sweep sums the same terms in another order: the fits agree far inside their tolerance.
void TestFitDriver::oneCompartmentFitIsNearlyTheSameOnBothRoads()
{
    gentamicinCase();
    addEvent(session, 48.0, 250.0, pk::kRouteCodeOther, 1, -1.0, 0.9, 1.1);
    addLevel(session, 52.0, 6.0);
    const SessionData before = session;
    runAnalysis();
    const SessionData sweep = session;
    session = before;
    driver.predictor().setRoad(LevelPredictor::Road::StepByStep);
    runAnalysis();
    for (int method : {pk::kLeastSquares, pk::kBayesian})
        for (int slot = pk::kF; slot <= pk::kCF; ++slot) {
            const double a = session.pkSets[method][slot];
            const double b = sweep.pkSets[method][slot];
            QVERIFY2(std::fabs(a - b) <= 1e-7 * std::fabs(b),
                     qPrintable(QString("set %1 slot %2: %3 against %4")
                                    .arg(method)
                                    .arg(slot)
                                    .arg(a, 0, 'g', 17)
                                    .arg(b, 0, 'g', 17)));
        }
}

void TestFitDriver::rangesAreOneSigmaInDisplayUnits()
{
    gentamicinCase();
    runAnalysis();
    const CovarianceMatrix& ls = session.lsCovariance;
    const CovarianceMatrix& bayes = session.bayesCovariance;
    auto near = [](double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(1.0, b); };
    QVERIFY(near(session.lsRanges[pk::kFitF], 100.0 * std::sqrt(ls[1][1])));
    QVERIFY(near(session.lsRanges[pk::kFitVd], std::sqrt(ls[2][2])));
    QVERIFY(near(session.lsRanges[pk::kFitCl], std::sqrt(ls[3][3])));
    QVERIFY(near(session.lsRanges[pk::kFitCF], 100.0 * std::sqrt(ls[4][4])));
    // All intravenous and in hospital: the Bayesian F and CF spread is the prior's own.
    QCOMPARE(session.bayesRanges[pk::kFitF], 100.0 * 1.0 * 0.05);
    QCOMPARE(session.bayesRanges[pk::kFitCF], 100.0 * 1.0 * 0.5);
    QVERIFY(near(session.bayesRanges[pk::kFitVd], std::sqrt(bayes[2][2])));
    QVERIFY(near(session.bayesRanges[pk::kFitCl], std::sqrt(bayes[3][3])));
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j)
            QVERIFY(near(bayes[i][j], bayes[j][i]));
    QVERIFY(driver.covarianceAvailable(pk::kBayesian));
    // The weight of the last fit stays in the range vector.
    QCOMPARE(driver.priorRanges()[5], 0.1);
}

void TestFitDriver::levelTableAndCurvesUseTheSets()
{
    gentamicinCase();
    runAnalysis(48.0);
    const LevelFitTable& table = driver.levelFitTable();
    for (int r = 1; r <= 4; ++r) {
        const double t = session.levelTimes[r];
        QCOMPARE(table.row(r)[pk::kTableMeasured], session.levelValues[r]);
        const int methods[] = {pk::kPopulation, pk::kLeastSquares, pk::kBayesian};
        const int columns[] = {pk::kTablePrior, pk::kTableLeastSquares, pk::kTableBayesian};
        for (int m = 0; m < 3; ++m) {
            const PkParameterSet& set = session.pkSets[methods[m]];
            QCOMPARE(table.row(r)[columns[m]],
                     calculator.levelFromDoseHistory(set[pk::kCl], set[pk::kVd], set[pk::kF],
                                                     set[pk::kCF], t));
        }
    }
    QCOMPARE(table.row(5)[pk::kTableMeasured], 0.0);
    QCOMPARE(table.row(5)[pk::kTableBayesian], 0.0);

    const FitCurveTable& curves = driver.fitCurveTable();
    QCOMPARE(driver.curveStep(), 48.0 / 5000.0);
    QCOMPARE(curves.time[1], 0.0);
    QVERIFY(curves.time[5000] < 48.0 && curves.time[5000] > 47.98);
    const PkParameterSet& ls = session.pkSets[pk::kLeastSquares];
    for (int i : {1, 17, 2500, 5000})
        QCOMPARE(curves.leastSquares[i],
                 calculator.levelFromDoseHistory(ls[pk::kCl], ls[pk::kVd], ls[pk::kF], ls[pk::kCF],
                                                 curves.time[i]));
}

void TestFitDriver::levelTableHoldsTwelveLevels()
{
    setSet(session, pk::kPopulation, 1.0, 20.0, 6.0, 1.0);
    addEvent(session, 0.0, 120.0, pk::kRouteCodeIntravenous, pk::kInPatient, 0.5);
    for (int i = 1; i <= 12; ++i)
        addLevel(session, i * 1.5, 6.0 * std::exp(-0.25 * i * 1.5));
    runAnalysis(24.0);
    const LevelFitTable& table = driver.levelFitTable();
    QCOMPARE(table.row(12)[pk::kTableMeasured], session.levelValues[12]);
    QVERIFY(table.row(12)[pk::kTableBayesian] > 0.0);
    // The priors sit behind the twelve levels, the last one at 16.
    QCOMPARE(session.levelTimes[16], -4.0);
}

// A level of 0 is a measurement: it and every level after it get their predictions.
void TestFitDriver::zeroLevelIsPairedLikeAnyOther()
{
    gentamicinCase();
    runAnalysis();
    session.levelValues[3] = 0.0;
    driver.fillLevelTable();
    const LevelFitTable& table = driver.levelFitTable();
    QCOMPARE(table.row(3)[pk::kTableMeasured], 0.0);
    const PkParameterSet& bayes = session.pkSets[pk::kBayesian];
    for (int r : {3, 4})
        QCOMPARE(table.row(r)[pk::kTableBayesian],
                 calculator.levelFromDoseHistory(bayes[pk::kCl], bayes[pk::kVd], bayes[pk::kF],
                                                 bayes[pk::kCF], session.levelTimes[r]));
}

void TestFitDriver::noLevelsStillRunsTheBayesianFit()
{
    setSet(session, pk::kPopulation, 1.0, 20.0, 6.0, 1.0);
    addEvent(session, 0.0, 120.0, pk::kRouteCodeIntravenous, pk::kInPatient, 0.5);
    runAnalysis(8.0);
    QVERIFY(!driver.fitPresent(pk::kLeastSquares));
    QVERIFY(driver.fitPresent(pk::kBayesian));
    QVERIFY(std::fabs(session.pkSets[pk::kBayesian][pk::kVd] / 20.0 - 1.0) < 0.002);
    for (int r = 1; r <= 12; ++r)
        for (int column = 0; column < pk::kTableColumns; ++column)
            QCOMPARE(driver.levelFitTable().row(r)[column], 0.0);
}

// A by-form drug whose population F was never set by a route: the objective stays a number.
void TestFitDriver::zeroPriorFIsHeldAndStaysFinite()
{
    session.patient.drugCode = "DG";
    setSet(session, pk::kPopulation, 0.0, 500.0, 7.0, 1.0);
    addEvent(session, 0.0, 250.0, pk::kRouteCodeOther, 1, -1.0, 1.0, 1.0);
    addEvent(session, 24.0, 250.0, pk::kRouteCodeOther, 1, -1.0, 1.0, 1.0);
    addEvent(session, 48.0, 250.0, pk::kRouteCodeIntravenous, pk::kInPatient, 1.0);
    addLevel(session, 30.0, 0.6);
    addLevel(session, 60.0, 0.9);
    runAnalysis(72.0);
    for (int method : {pk::kLeastSquares, pk::kBayesian}) {
        const PkParameterSet& set = session.pkSets[method];
        QCOMPARE(set[pk::kF], 0.0);
        for (int slot = pk::kF; slot <= pk::kCF; ++slot)
            QVERIFY(std::isfinite(set[slot]));
        QVERIFY(set[pk::kVd] != 500.0 * 1.1);
    }
    QCOMPARE(session.bayesCovariance[1][1], 0.0);
    QVERIFY(session.bayesCovariance[2][2] > 0.0);
}

void TestFitDriver::intravenousHistoryWithUnsetPriorFIsStillFitted()
{
    // A digoxin case page whose custom F no dose row has set, an IV-only history, and the
    // custom group's intravenous F range of 0.05.
    session.patient.drugCode = "DG";
    setSet(session, pk::kCustom, 0.0, 500.0, 7.0, 1.0);
    session.customRanges = RangeBlock{0, 0.05, 0.3, 0.5, 0.5};
    driver.setPriorSetIndex(pk::kCustom);
    for (int dose = 0; dose < 3; ++dose)
        addEvent(session, dose * 24.0, 250.0, pk::kRouteCodeIntravenous, pk::kInPatient, 1.0);
    addLevel(session, 30.0, 0.6);
    addLevel(session, 60.0, 0.9);
    runAnalysis(72.0);
    for (int method : {pk::kLeastSquares, pk::kBayesian}) {
        const PkParameterSet& set = session.pkSets[method];
        QCOMPARE(set[pk::kF], FitDriver::kIntravenousF); // present, as F > 0 says
        QVERIFY(std::isfinite(set[pk::kVd]) && set[pk::kVd] > 0.0);
        QVERIFY(std::isfinite(set[pk::kCl]) && set[pk::kCl] > 0.0);
    }
    // F 100 % with the custom spread: 100 x 1.0 x 0.05 percent points; intravenous levels say
    // nothing about F, so least squares keeps that spread too.
    QCOMPARE(session.bayesRanges[pk::kFitF], 5.0);
    COMPARE_NEARLY(session.lsRanges[pk::kFitF], 5.0, 1e-3);
}

void TestFitDriver::nonFiniteResultMarksTheSetAbsent()
{
    gentamicinCase();
    session.pkSets[pk::kPopulation][pk::kVd] = std::numeric_limits<double>::quiet_NaN();
    session.bayesRanges[pk::kFitVd] = 7.0;
    runAnalysis();
    for (int method : {pk::kLeastSquares, pk::kBayesian}) {
        QCOMPARE(session.pkSets[method][pk::kF], -1.0);
        QVERIFY(!driver.fitPresent(method));
        QCOMPARE(session.pkSets[method][pk::kVd], 0.0);
    }
    QCOMPARE(session.bayesRanges[pk::kFitVd], 0.0);
    QCOMPARE(session.bayesCovariance[2][2], 0.0);
    QCOMPARE(driver.fitCurveTable().bayesian[10], 0.0);
}

void TestFitDriver::unevaluableModelIsRefusedBeforeFitting_data()
{
    using Breaker = std::function<void(SessionData&)>;
    QTest::addColumn<Breaker>("breaker");
    QTest::addColumn<QString>("reason");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("phenytoin history past the grid") << Breaker([](SessionData& s) {
        s.patient.drugCode = "PH";
        s.modelType = pk::kModelMichaelisMenten;
        s.phenytoinInputRate = 60.0;
        setSet(s, pk::kPopulation, 1.0, 45.0, 5.7, 1.0, 5.7, 420.0);
        addEvent(s, 48000.0, 300.0, pk::kRouteCodeIntravenous, pk::kInPatient, 0.5);
    }) << "48000 hours";
    QTest::newRow("levels without any dose")
        << Breaker([](SessionData& s) { s.doseEventCount = 0; })
        << "The dose history holds no dose, so the levels cannot be fitted; enter the doses "
           "given before them.";
    QTest::newRow("levels before every dose") << Breaker([](SessionData& s) {
        for (int i = 1; i <= s.doseEventCount; ++i)
            s.doseEvents[pk::eventTime][i] += 48.0;
    }) << "No dose in the history is given before the last level";
    QTest::newRow("salt factor not a number")
        << Breaker([=](SessionData& s) { s.doseEvents[pk::eventSalt][3] = nan; }) << "salt factor";
    QTest::newRow("ka not a number")
        << Breaker([=](SessionData& s) { s.doseEvents[pk::eventRouteFactor][2] = nan; })
        << "absorption rate constant";
    QTest::newRow("prior clearance 0")
        << Breaker([](SessionData& s) { s.pkSets[pk::kPopulation][pk::kCl] = 0.0; })
        << "prior clearance is 0";
    QTest::newRow("level error factor not a number")
        << Breaker([=](SessionData& s) { s.levelErrorFactor = nan; }) << "level error model";
    QTest::newRow("two compartments without a central volume") << Breaker([=](SessionData& s) {
        s.modelType = pk::kModelTwoComp;
        s.twoCompCentralVolume = nan;
        s.twoCompK21 = 0.46;
    }) << "cannot predict the measured levels";
}

// Every prediction would fail and the fit would hand back its prior as a fit: the analysis is
// refused, saying why, and no set of an earlier analysis is left standing.
void TestFitDriver::unevaluableModelIsRefusedBeforeFitting()
{
    QFETCH(std::function<void(SessionData&)>, breaker);
    QFETCH(QString, reason);
    gentamicinCase();
    runAnalysis();
    QVERIFY(driver.fitPresent(pk::kBayesian));
    breaker(session);
    driver.setPriorRanges(session.populationRanges);
    const FitOutcome outcome = driver.fitCurves();
    QVERIFY(!outcome.ran());
    QVERIFY2(outcome.refusal.contains(reason), qPrintable(outcome.refusal));
    for (int method : {pk::kLeastSquares, pk::kBayesian}) {
        QVERIFY(!driver.fitPresent(method));
        QCOMPARE(session.pkSets[method][pk::kF], FitDriver::kAbsentF);
    }
    QCOMPARE(session.bayesRanges[pk::kFitVd], 0.0);
    QCOMPARE(driver.levelFitTable().row(1)[pk::kTableBayesian], 0.0);
}

void TestFitDriver::setWithAFailedPredictionIsNotStored()
{
    gentamicinCase();
    runAnalysis();
    QVERIFY(driver.fitPresent(pk::kBayesian));
    session.levelTimes[2] = std::numeric_limits<double>::quiet_NaN();
    driver.storeFittedSet(pk::kBayesian, 1, 1);
    QVERIFY(!driver.fitPresent(pk::kBayesian));
    QCOMPARE(session.pkSets[pk::kBayesian][pk::kF], FitDriver::kAbsentF);
}

void TestFitDriver::failedCovarianceLeavesRangesNotAvailable()
{
    gentamicinCase();
    session.populationRanges[pk::kFitF] = 1e7;
    runAnalysis();
    QVERIFY(driver.fitPresent(pk::kBayesian));
    QVERIFY(!driver.covarianceAvailable(pk::kBayesian));
    QVERIFY(std::isnan(session.bayesCovariance[2][2]));
    QCOMPARE(session.bayesRanges[pk::kFitVd], FitDriver::kRangeNotAvailable);
    QCOMPARE(session.bayesRanges[pk::kFitCl], FitDriver::kRangeNotAvailable);
    QCOMPARE(session.lsRanges[pk::kFitVd], FitDriver::kRangeNotAvailable);
    QVERIFY(session.pkSets[pk::kBayesian][pk::kVd] > 0.0);
}

void TestFitDriver::formDefaultsKeepTheChosenF()
{
    gentamicinCase();
    session.pkSets[pk::kPopulation][pk::kF] = 0.8;
    session.populationRanges[pk::kFitF] = 0.07;
    int refreshed = 0;
    driver.setFormDefaults([&] {
        ++refreshed;
        session.pkSets[pk::kPopulation][pk::kF] = 0.3;
        session.populationRanges[pk::kFitF] = 0.9;
        session.kaOral = 2.5;
    });
    runAnalysis();
    QCOMPARE(refreshed, 1);
    QCOMPARE(session.pkSets[pk::kPopulation][pk::kF], 0.8);
    QCOMPARE(session.populationRanges[pk::kFitF], 0.07);
    QCOMPARE(session.kaOral, 2.5);
    QCOMPARE(session.pkSets[pk::kBayesian][pk::kF], 0.8);
}

void TestFitDriver::skippedLeastSquaresClearsTheEarlierSet()
{
    gentamicinCase();
    runAnalysis();
    QVERIFY(session.pkSets[pk::kLeastSquares][pk::kF] > 0.0);
    QVERIFY(session.lsRanges[pk::kFitVd] > 0.0);
    session.levelCount = 1;
    runAnalysis();
    QCOMPARE(session.pkSets[pk::kLeastSquares][pk::kF], -1.0);
    for (int slot = pk::kF; slot < pk::kRangeCount; ++slot)
        QCOMPARE(session.lsRanges[slot], 0.0);
    for (int i = 1; i <= 4; ++i)
        QCOMPARE(session.lsCovariance[i][i], 0.0);
    QCOMPARE(driver.fitCurveTable().leastSquares[100], 0.0);
    QCOMPARE(driver.levelFitTable().row(2)[pk::kTableMeasured], 0.0);
}

void TestFitDriver::userChoiceDrugWeighsLevelsByDefaultBase_data()
{
    QTest::addColumn<double>("storedBase");
    QTest::newRow("never set") << 0.0;
    QTest::newRow("left from another case") << 1.01;
}

void TestFitDriver::userChoiceDrugWeighsLevelsByDefaultBase()
{
    QFETCH(double, storedBase);
    gentamicinCase();
    session.levelAgeWeightBase = 1.005;
    const SessionData before = session;
    runAnalysis();
    const PkParameterSet expected = session.pkSets[pk::kBayesian];
    session = before;
    session.patient.drugCode = "ZZ";
    session.levelAgeWeightBase = storedBase;
    runAnalysis();
    for (int slot = pk::kF; slot <= pk::kCF; ++slot)
        QCOMPARE(session.pkSets[pk::kBayesian][slot], expected[slot]);
}

void TestFitDriver::otherMethodsRunTheBayesianFit_data()
{
    QTest::addColumn<int>("method");
    QTest::newRow("population") << int(pk::kPopulation);
    QTest::newRow("custom") << int(pk::kCustom);
    QTest::newRow("no set") << 0;
    QTest::newRow("past the last set") << int(pk::kMethodCount);
}

// Only 2 asks for least squares; every other value runs the Bayesian fit into set 3 and never
// writes the set of that number.
void TestFitDriver::otherMethodsRunTheBayesianFit()
{
    QFETCH(int, method);
    gentamicinCase();
    setSet(session, pk::kCustom, 0.9, 25.0, 5.0, 0.8);
    runAnalysis();
    driver.runFit(pk::kBayesian);
    const SessionData expected = session;
    setSet(session, pk::kBayesian, -1.0, 0.0, 0.0, 0.0);
    session.bayesCovariance = CovarianceMatrix{};
    driver.runFit(method);
    for (int set = pk::kPopulation; set < pk::kMethodCount; ++set)
        for (int slot = pk::kF; slot < pk::kPkSlotCount; ++slot)
            QCOMPARE(session.pkSets[set][slot], expected.pkSets[set][slot]);
    for (int i = 1; i <= 4; ++i)
        QCOMPARE(session.bayesCovariance[i][i], expected.bayesCovariance[i][i]);
    QVERIFY(driver.fitPresent(pk::kBayesian));
}

void TestFitDriver::priorsAreStoredBehindTheLevelsOnly_data()
{
    QTest::addColumn<int>("levelCount");
    QTest::addColumn<int>("firstPrior");
    QTest::newRow("four levels") << 4 << 5;
    QTest::newRow("negative count") << -3 << 1;
    QTest::newRow("count past the rows") << 15 << 13;
}

// The prior observations go right behind the levels the solver took (at most twelve), and
// nothing is written outside the level lists, whatever count the session holds.
void TestFitDriver::priorsAreStoredBehindTheLevelsOnly()
{
    QFETCH(int, levelCount);
    QFETCH(int, firstPrior);
    gentamicinCase();
    for (int i = 5; i <= pk::kMaxMeasuredLevels; ++i)
        addLevel(session, 48.0 + i, 0.5);
    session.levelCount = levelCount;
    session.levelWork.fill(7.0);
    session.pivotTolerance = 3.0;
    session.levelTail.fill(5.0);
    runAnalysis();
    for (double value : session.levelWork)
        QCOMPARE(value, 7.0);
    QCOMPARE(session.pivotTolerance, 3.0);
    for (double value : session.levelTail)
        QCOMPARE(value, 5.0);
    for (int k = 1; k <= driver.fitParameterCount(); ++k) {
        QCOMPARE(session.levelTimes[firstPrior + k - 1], double(-k));
        QCOMPARE(session.levelValues[firstPrior + k - 1], session.pkSets[pk::kPopulation][k]);
    }
}

TALVORA_TEST_MAIN(TestFitDriver)
#include "tst_fitdriver.moc"
