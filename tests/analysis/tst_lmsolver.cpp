#include "analysis/LmSolver.h"
#include "analysis/LuInverter.h"
#include "tests/support/TestMain.h"

#include <cmath>

using fit::at;

namespace
{
fit::Matrix matrixOf(int n, std::initializer_list<double> rowMajor)
{
    fit::Matrix m{};
    auto value = rowMajor.begin();
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c)
            at(m, r, c) = *value++;
    return m;
}

// A single intravenous bolus of 1000 at time 0, one compartment: parameters F, V, CL, CF,
// of which F and CF do not act on the levels.
void bolusLevels(const fit::Vector* p, int vectors, const double* times, int count, double* levels)
{
    for (int v = 0; v < vectors; ++v)
        for (int i = 0; i < count; ++i)
            levels[v * count + i] = 1000.0 / p[v][pk::kFitVd] *
                                    std::exp(-p[v][pk::kFitCl] / p[v][pk::kFitVd] * times[i]);
}

// Oral doses whose amount reaches the body as F x CF x 1000: only the product is seen.
void productLevels(const fit::Vector* p, int vectors, const double* times, int count,
                   double* levels)
{
    for (int v = 0; v < vectors; ++v) {
        const fit::Vector& q = p[v];
        for (int i = 0; i < count; ++i)
            levels[v * count + i] = q[pk::kFitF] * q[pk::kFitCF] * 1000.0 / q[pk::kFitVd] *
                                    std::exp(-q[pk::kFitCl] / q[pk::kFitVd] * times[i]);
    }
}

struct Levels {
    double times[13] = {};
    double values[13] = {};
    int count = 0;
    void add(double t, double y)
    {
        ++count;
        times[count] = t;
        values[count] = y;
    }
};
} // namespace

class TestLmSolver : public QObject
{
    Q_OBJECT
private slots:
    void inversions_data();
    void inversions();
    void equalPivotsKeepTheEarlierRow();
    void pivotToleranceIsStrict_data();
    void pivotToleranceIsStrict();
    void predictionFloor_data();
    void predictionFloor();
    void ageWeighting();
    void priorForms_data();
    void priorForms();
    void barrierKeepsGrowingBelowATenth();
    void withoutLevelsTheFitReturnsToThePriors();
    void zeroPriorIsHeldOutOfTheFit();
    void fractionsStayWithinZeroAndOne();
    void failedFinalInversionLeavesNoCovariance();
    void orderBeyondTheMatrixIsRefused_data();
    void orderBeyondTheMatrixIsRefused();
    void parameterCountStaysWithinTheVectors_data();
    void parameterCountStaysWithinTheVectors();

private:
    LmSolver solverFor(const Levels& levels, LmSolver::LevelFunction model, double base = 1.0)
    {
        LmSolver solver;
        solver.setParameterCount(4);
        solver.setLevels(levels.times, levels.values, levels.count);
        solver.setLevelFunction(std::move(model));
        solver.setAgeWeighting(base, levels.count > 0 ? levels.times[levels.count] : 0.0);
        return solver;
    }
};

void TestLmSolver::inversions_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QVector<double>>("matrix");
    QTest::newRow("2x2") << 2 << QVector<double>{1, 2, -1, 3};
    QTest::newRow("zero first pivot") << 3 << QVector<double>{0, 2, 1, 1, 1, 0, 3, 0, 1};
    QTest::newRow("symmetric 4x4")
        << 4 << QVector<double>{4, 1, 0.5, 0.2, 1, 3, 0.3, 0.1, 0.5, 0.3, 2, 0.4, 0.2, 0.1, 0.4, 1};
    QTest::newRow("5x5 with negatives")
        << 5 << QVector<double>{2,  -1, 0, 0, 1,  -1, 2,  -1, 0, 0, 0,  -1, 2,
                                -1, 0,  0, 0, -1, 2,  -1, 1,  0, 0, -1, 3};
}

void TestLmSolver::inversions()
{
    QFETCH(int, n);
    QFETCH(QVector<double>, matrix);
    fit::Matrix original{};
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c)
            at(original, r, c) = matrix[(r - 1) * n + c - 1];
    fit::Matrix inverse = original;
    LuInverter lu;
    QVERIFY(lu.invertMatrix(inverse, n));
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c) {
            double sum = 0.0;
            for (int k = 1; k <= n; ++k)
                sum += at(original, r, k) * at(inverse, k, c);
            QVERIFY2(std::fabs(sum - (r == c ? 1.0 : 0.0)) < 1e-12,
                     qPrintable(QString("(%1,%2) = %3").arg(r).arg(c).arg(sum)));
        }
}

void TestLmSolver::equalPivotsKeepTheEarlierRow()
{
    fit::Matrix m = matrixOf(2, {1, 2, -1, 3});
    LuInverter lu;
    lu.setOrder(2);
    QVERIFY(lu.luDecompose(m));
    QCOMPARE(lu.rowOrder()[1], 1);
    QCOMPARE(lu.rowOrder()[2], 2);
    // The multiplier is stored negated: row 2 gets row 1 added.
    QCOMPARE(at(m, 2, 1), 1.0);
    QCOMPARE(at(m, 2, 2), 5.0);
    fit::Matrix inverse = matrixOf(2, {1, 2, -1, 3});
    QVERIFY(lu.invertMatrix(inverse, 2));
    QCOMPARE(at(inverse, 1, 1), 0.6);
    QCOMPARE(at(inverse, 1, 2), -0.4);
    QCOMPARE(at(inverse, 2, 1), 0.2);
    QCOMPARE(at(inverse, 2, 2), 0.2);

    fit::Matrix swapped = matrixOf(2, {1, 2, -3, 1});
    QVERIFY(lu.invertMatrix(swapped, 2));
    QCOMPARE(lu.rowOrder()[1], 2);
}

void TestLmSolver::pivotToleranceIsStrict_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QVector<double>>("matrix");
    QTest::addColumn<bool>("inverted");
    QTest::newRow("1x1 below") << 1 << QVector<double>{5e-9} << false;
    QTest::newRow("1x1 at the tolerance") << 1 << QVector<double>{1e-8} << true;
    QTest::newRow("singular 2x2") << 2 << QVector<double>{1, 2, 2, 4} << false;
    QTest::newRow("singular first column") << 2 << QVector<double>{0, 1, 0, 2} << false;
}

void TestLmSolver::pivotToleranceIsStrict()
{
    QFETCH(int, n);
    QFETCH(QVector<double>, matrix);
    QFETCH(bool, inverted);
    fit::Matrix m{};
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c)
            at(m, r, c) = matrix[(r - 1) * n + c - 1];
    LuInverter lu;
    QCOMPARE(lu.invertMatrix(m, n), inverted);
    if (inverted && n == 1)
        QCOMPARE(at(m, 1, 1), 1e8);
}

void TestLmSolver::predictionFloor_data()
{
    QTest::addColumn<double>("prediction");
    QTest::addColumn<double>("used");
    // Largest level 8: floor 0.008.
    QTest::newRow("zero") << 0.0 << 0.008;
    QTest::newRow("negative") << -1.0 << 0.008;
    QTest::newRow("below the floor") << 0.005 << 0.013;
    QTest::newRow("above the floor") << 0.01 << 0.01;
}

void TestLmSolver::predictionFloor()
{
    QFETCH(double, prediction);
    QFETCH(double, used);
    Levels levels;
    levels.add(2.0, 3.0);
    levels.add(4.0, 8.0);
    LmSolver solver =
        solverFor(levels, [&](const fit::Vector*, int vectors, const double*, int count,
                              double* out) { std::fill(out, out + vectors * count, prediction); });
    solver.fitParameters() = {0, 1, 10, 5, 1};
    double ranges[12] = {0, 0.1, 0.3, 0.5, 0.5, 0.01};
    solver.solveLevenbergMarquardt(ranges, 0.0);
    // w = 0.01, c = 0, no age weight: the error is 1 % of the prediction used.
    QCOMPARE(solver.weightedResidual(1), (3.0 - used) / (0.01 * used));
}

void TestLmSolver::ageWeighting()
{
    Levels levels;
    levels.add(0.0, 5.0);
    levels.add(24.0, 5.0);
    LmSolver solver = solverFor(
        levels,
        [](const fit::Vector*, int vectors, const double*, int count, double* out) {
            std::fill(out, out + vectors * count, 4.0);
        },
        1.005);
    solver.fitParameters() = {0, 1, 10, 5, 1};
    double ranges[12] = {0, 0.1, 0.3, 0.5, 0.5, 0.1};
    solver.solveLevenbergMarquardt(ranges, 0.25);
    const double latest = solver.weightedResidual(2);
    const double older = solver.weightedResidual(1);
    QCOMPARE(latest, 1.0 / (0.1 * 4.0 + 0.25));
    QCOMPARE(latest / older, std::pow(1.005, 24.0));
    QVERIFY(std::fabs(latest / older - 1.127) < 0.001);
}

void TestLmSolver::priorForms_data()
{
    QTest::addColumn<bool>("logarithmic");
    QTest::addColumn<int>("parameter");
    QTest::addColumn<double>("range");
    QTest::addColumn<double>("expected");
    const double logForm = (std::log(10.0) - std::log(5.0)) / 0.3;
    QTest::newRow("phenytoin F is linear") << true << 1 << 0.3 << 5.0 / 1.5;
    QTest::newRow("phenytoin V") << true << 2 << 0.3 << logForm;
    QTest::newRow("phenytoin Km") << true << 3 << 0.3 << logForm;
    QTest::newRow("phenytoin CF") << true << 4 << 0.3 << logForm;
    QTest::newRow("phenytoin Vmax") << true << 5 << 0.3 << logForm;
    QTest::newRow("other drug V") << false << 2 << 0.3 << 5.0 / 1.5;
    QTest::newRow("other drug CL, range 0") << false << 3 << 0.0 << 5.0 / 0.05;
    QTest::newRow("phenytoin Km, range 0")
        << true << 3 << 0.0 << (std::log(10.0) - std::log(5.0)) / 0.001;
}

void TestLmSolver::priorForms()
{
    QFETCH(bool, logarithmic);
    QFETCH(int, parameter);
    QFETCH(double, range);
    QFETCH(double, expected);
    LmSolver solver;
    const int n = logarithmic ? 5 : 4;
    solver.setParameterCount(n);
    solver.setLogarithmicPriors(logarithmic);
    solver.setLevels(nullptr, nullptr, 0);
    for (int k = 1; k <= n; ++k)
        solver.fitParameters()[k] = 10.0;
    double ranges[12] = {};
    for (int k = 1; k <= n; ++k)
        ranges[k] = k == parameter ? range : 0.3;
    solver.solveLevenbergMarquardt(ranges, 0.0);
    solver.fitParameters()[parameter] = 5.0;
    QVERIFY(std::fabs(solver.weightedResidual(parameter) - expected) < 1e-12);
}

// Below a tenth of the prior the pull back towards the prior must keep growing, with no
// point of zero pull short of the prior and no jump, in value or slope, where the barrier
// begins.
void TestLmSolver::barrierKeepsGrowingBelowATenth()
{
    for (bool logarithmic : {false, true}) {
        LmSolver solver;
        solver.setParameterCount(5);
        solver.setLogarithmicPriors(logarithmic);
        solver.setLevels(nullptr, nullptr, 0);
        for (int k = 1; k <= 5; ++k)
            solver.fitParameters()[k] = 10.0;
        double ranges[12] = {0, 0.3, 0.3, 0.3, 0.3, 0.3};
        solver.solveLevenbergMarquardt(ranges, 0.0);
        const int k = pk::kFitVd;
        auto residualAt = [&](double p) {
            solver.fitParameters()[k] = p;
            return solver.weightedResidual(k);
        };
        const double atTenth = residualAt(1.0);
        QCOMPARE(atTenth, logarithmic ? std::log(10.0) / 0.3 : 9.0 / 0.3);
        QVERIFY(std::fabs(residualAt(1.0 - 1e-12) - atTenth) < 1e-6);
        const double h = 1e-6;
        const double slopeAbove = (residualAt(1.0 + h) - atTenth) / h;
        const double slopeBelow = (atTenth - residualAt(1.0 - h)) / h;
        QVERIFY2(std::fabs(slopeBelow / slopeAbove - 1.0) < 1e-3,
                 qPrintable(QString("%1 against %2").arg(slopeBelow).arg(slopeAbove)));
        double previous = atTenth;
        for (double p : {0.999, 0.99, 0.9, 0.5, 0.1, 0.0, -1.0, -5.0}) {
            const double r = residualAt(p);
            QVERIFY2(r > previous, qPrintable(QString("p = %1").arg(p)));
            previous = r;
        }
    }
}

void TestLmSolver::withoutLevelsTheFitReturnsToThePriors()
{
    LmSolver solver;
    solver.setParameterCount(4);
    solver.setLevels(nullptr, nullptr, 0);
    solver.setLevelFunction(bolusLevels);
    const fit::Vector priors = {0, 0.5, 20.0, 4.0, 0.8};
    solver.fitParameters() = priors;
    double ranges[12] = {0, 0.2, 0.3, 0.5, 0.5, 0.1};
    solver.solveLevenbergMarquardt(ranges, 0.0);
    for (int k = 1; k <= 4; ++k) {
        QVERIFY(std::fabs(solver.fitParameters()[k] / priors[k] - 1.0) < 0.002);
        // The prior alone: one sigma is the range times the value.
        const double sigma = std::sqrt(at(solver.normalMatrix(), k, k));
        QVERIFY2(std::fabs(sigma / (ranges[k] * priors[k]) - 1.0) < 0.01,
                 qPrintable(QString::number(sigma)));
    }
    QVERIFY(solver.covarianceAvailable());
    QVERIFY(solver.jacobianCount() <= LmSolver::kJacobianLimit + 1);
}

void TestLmSolver::zeroPriorIsHeldOutOfTheFit()
{
    Levels levels;
    levels.add(2.0, 30.0);
    levels.add(8.0, 15.0);
    LmSolver solver = solverFor(levels, bolusLevels);
    solver.fitParameters() = {0, 0.0, 20.0, 4.0, 1.0};
    double ranges[12] = {0, 0.1, 0.3, 0.5, 0.5, 0.1};
    solver.solveLevenbergMarquardt(ranges, 0.25);
    QVERIFY(solver.isHeld(pk::kFitF));
    QCOMPARE(solver.fitParameters()[pk::kFitF], 0.0);
    QVERIFY(std::isfinite(solver.sumOfSquares()));
    for (int k = 2; k <= 4; ++k)
        QVERIFY(std::isfinite(solver.fitParameters()[k]));
    QVERIFY(std::fabs(solver.fitParameters()[pk::kFitVd] / 20.0 - 1.0) > 0.01);
    QVERIFY(solver.covarianceAvailable());
    for (int k = 1; k <= 4; ++k)
        QCOMPARE(at(solver.normalMatrix(), pk::kFitF, k), 0.0);
    QVERIFY(at(solver.normalMatrix(), pk::kFitVd, pk::kFitVd) > 0.0);
}

void TestLmSolver::fractionsStayWithinZeroAndOne()
{
    // The levels want F x CF = 3.
    Levels levels;
    for (double t : {2.0, 6.0, 12.0})
        levels.add(t, 3000.0 / 20.0 * std::exp(-0.2 * t));
    LmSolver solver = solverFor(levels, productLevels);
    solver.fitParameters() = {0, 0.9, 20.0, 4.0, 0.9};
    double ranges[12] = {0, 0.3, 0.1, 0.1, 0.5, 0.01};
    solver.solveLevenbergMarquardt(ranges, 0.0);
    const double f = solver.fitParameters()[pk::kFitF];
    const double cf = solver.fitParameters()[pk::kFitCF];
    QVERIFY2(f > 0.0 && f <= 1.0, qPrintable(QString::number(f)));
    QVERIFY2(cf > 0.0 && cf <= 1.0, qPrintable(QString::number(cf)));
    // Pushed against the bound, not left at a point near a tenth of the prior.
    QVERIFY(f > 0.9 && cf > 0.9);
}

void TestLmSolver::failedFinalInversionLeavesNoCovariance()
{
    // F has no effect on the levels and an enormous prior range: its normal-matrix entry is
    // far below the pivot tolerance.
    Levels levels;
    levels.add(2.0, 30.0);
    levels.add(8.0, 15.0);
    LmSolver solver = solverFor(levels, bolusLevels);
    solver.fitParameters() = {0, 0.8, 20.0, 4.0, 1.0};
    double ranges[12] = {0, 1e7, 0.3, 0.5, 0.5, 0.1};
    solver.solveLevenbergMarquardt(ranges, 0.25);
    QVERIFY(!solver.covarianceAvailable());
    QVERIFY(std::isfinite(solver.fitParameters()[pk::kFitVd]));
}

void TestLmSolver::orderBeyondTheMatrixIsRefused_data()
{
    QTest::addColumn<int>("n");
    QTest::newRow("one past the matrix") << fit::kMatrixDim;
    QTest::newRow("far past the matrix") << 3 * fit::kMatrixDim;
}

// The matrices hold rows and columns 1 to 10: a larger order is not inverted and not touched.
void TestLmSolver::orderBeyondTheMatrixIsRefused()
{
    QFETCH(int, n);
    fit::Matrix m{};
    for (int i = 1; i <= fit::kMatrixUsed; ++i)
        at(m, i, i) = 2.0;
    const fit::Matrix before = m;
    LuInverter lu;
    QVERIFY(!lu.invertMatrix(m, n));
    QVERIFY(m == before);
    lu.setOrder(n);
    QVERIFY(!lu.luDecompose(m));
    QVERIFY(m == before);
    fit::Vector b{};
    b.fill(1.0);
    fit::Vector x{};
    lu.luSolve(m, b, x);
    QVERIFY(x == fit::Vector{});
}

void TestLmSolver::parameterCountStaysWithinTheVectors_data()
{
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("used");
    QTest::newRow("phenytoin") << 5 << 5;
    QTest::newRow("one too many") << 6 << 5;
    QTest::newRow("far too many") << 11 << 5;
    QTest::newRow("negative") << -2 << 0;
}

// At most five parameters fit the solver's vectors; a larger count is cut, never written past.
void TestLmSolver::parameterCountStaysWithinTheVectors()
{
    QFETCH(int, asked);
    QFETCH(int, used);
    Levels levels;
    levels.add(2.0, 30.0);
    levels.add(8.0, 15.0);
    LmSolver solver = solverFor(levels, bolusLevels);
    solver.setParameterCount(asked);
    QCOMPARE(solver.parameterCount(), used);
    const fit::Vector start = {0, 0.8, 20.0, 4.0, 1.0, 300.0, 7.0, 7.0, 7.0, 7.0, 7.0};
    solver.fitParameters() = start;
    double ranges[12] = {0, 0.1, 0.3, 0.5, 0.5, 0.3, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1};
    solver.solveLevenbergMarquardt(ranges, 0.25);
    QCOMPARE(solver.observationCount(), levels.count + used);
    for (int k = used + 1; k < fit::kMatrixDim; ++k)
        QCOMPARE(solver.fitParameters()[k], start[k]);
}

TALVORA_TEST_MAIN(TestLmSolver)
#include "tst_lmsolver.moc"
