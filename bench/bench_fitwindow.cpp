#include "analysis/DoseEventBuilder.h"
#include "analysis/FitGraph.h"
#include "analysis/LevelCurve.h"
#include "analysis/graphicAnalysis.h"
#include "bench/BenchApplication.h"
#include "bench/BenchCases.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "tests/analysis/tst_analysis_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

// The curve-fitting window's own work: its curves, its Math Tool, and the literal road of
// asking the calculator for every point, for the ratio.
namespace
{
// The literal road sums trapezoids of 10,000 equal steps.
constexpr int kLiteralIntervals = 10000;
constexpr int kAreaPoints = kLiteralIntervals * 2; // both ends of every interval

struct Case {
    std::unique_ptr<SessionData> session = std::make_unique<SessionData>();
    std::unique_ptr<PkCalculator> calculator = std::make_unique<PkCalculator>(session.get());
    double graphEnd = 0.0;
};

// 1000 doses every 6 h, infusions and oral doses alternating, the first half at home; twelve
// levels over the last days; fitted sets a little off the population.
std::unique_ptr<Case> oneCompartmentCase()
{
    auto c = std::make_unique<Case>();
    SessionData& s = *c->session;
    s.patient.drugCode = "TH";
    s.modelType = pk::kModelOneComp;
    s.levelUpperLimit = 20.0;
    s.levelLowerLimit = 10.0;
    fillAlternatingDoses(s);
    for (int i = 1; i <= pk::kMaxMeasuredLevels; ++i) {
        s.levelTimes[i] = 5900.0 + i * 8.0;
        s.levelValues[i] = 12.0 + 0.3 * i;
    }
    s.levelCount = pk::kMaxMeasuredLevels;
    setSet(s.pkSets[pk::kPopulation], 0.9, 35.0, 3.0, 0.8);
    setSet(s.pkSets[pk::kLeastSquares], 0.85, 40.0, 2.6, 0.9);
    setSet(s.pkSets[pk::kBayesian], 0.87, 38.0, 2.8, 0.85);
    c->graphEnd = 6000.0;
    return c;
}

// Phenytoin capsules 100 mg three times a day for 33 days: the full 48,000-step grid.
std::unique_ptr<Case> phenytoinCase()
{
    auto c = std::make_unique<Case>();
    SessionData& s = *c->session;
    s.patient.drugCode = "PH";
    s.modelType = pk::kModelMichaelisMenten;
    s.phenytoinInputRate = 60.0;
    s.levelUpperLimit = 20.0;
    s.levelLowerLimit = 10.0;
    DoseRows doses;
    LevelRows levels;
    doses[0] = phenytoinCapsuleRow(QTime(0, 0), 99.0);
    for (int i = 0; i < pk::kMaxMeasuredLevels; ++i)
        levels[i] = serumLevel(doses[0].date.addDays(22 + i), QTime(7, 30), 8.0 + 0.4 * i);
    DoseEventBuilder builder(&s, doses, levels);
    builder.analyse();
    s.levelTimes[pk::kMaxMeasuredLevels] = 792.0;
    setSet(s.pkSets[pk::kPopulation], 1.0, 45.0, 5.7, 1.0, 5.7, 420.0);
    setSet(s.pkSets[pk::kBayesian], 1.0, 50.0, 6.1, 1.0, 6.1, 400.0);
    c->graphEnd = builder.maxTime();
    return c;
}

// Vancomycin by the two-compartment model: 1000 one-hour infusions of 1000 every 10 h over
// 10,000 h, in hospital.
std::unique_ptr<Case> vancomycinCase()
{
    auto c = std::make_unique<Case>();
    SessionData& s = *c->session;
    s.patient.drugCode = "VM";
    s.modelType = pk::kModelTwoComp;
    s.twoCompCentralVolume = 12.0;
    s.twoCompK21 = 0.46;
    for (int i = 0; i < pk::kMaxDoseEvents; ++i)
        addEvent(s, i * 10.0, 1000.0, pk::kRouteCodeIntravenous, pk::kInPatient, 1.0);
    setSet(s.pkSets[pk::kBayesian], 1.0, 50.0, 5.0, 1.0);
    c->graphEnd = 10000.0;
    return c;
}

// The three curves sampled anew, each from one pass of its prepared set.
void sampleAll(Case& c, std::array<std::unique_ptr<LevelCurve>, 3>& curves)
{
    const int sets[] = {pk::kPopulation, pk::kLeastSquares, pk::kBayesian};
    CurveFlags withFit{};
    for (int k = 0; k < 3; ++k) {
        withFit[k] = c.session->pkSets[sets[k]][pk::kVd] > 0.0;
        if (withFit[k])
            curves[k]->prepare(c.session->pkSets[sets[k]]);
    }
    const FittedCurves fitted =
        sampleCurves({curves[0].get(), curves[1].get(), curves[2].get()}, withFit, c.graphEnd);
    const FitGraphLayout layout = layoutFitGraph(fitted, *c.session, 1.0);
    benchmark::DoNotOptimize(layout.largest);
}

void curvesRedraw(benchmark::State& state, std::unique_ptr<Case> (*makeCase)())
{
    auto c = makeCase();
    std::array<std::unique_ptr<LevelCurve>, 3> curves;
    for (auto& curve : curves)
        curve = std::make_unique<LevelCurve>(c->session.get(), c->calculator.get());
    for (auto _ : state)
        sampleAll(*c, curves);
}

void BM_OneCompartmentCurvesRedraw(benchmark::State& state)
{
    curvesRedraw(state, oneCompartmentCase);
}
BENCHMARK(BM_OneCompartmentCurvesRedraw)->Unit(benchmark::kMillisecond);

void BM_PhenytoinCurvesRedraw(benchmark::State& state)
{
    curvesRedraw(state, phenytoinCase);
}
BENCHMARK(BM_PhenytoinCurvesRedraw)->Unit(benchmark::kMillisecond);

void BM_VancomycinCurvesRedraw(benchmark::State& state)
{
    curvesRedraw(state, vancomycinCase);
}
BENCHMARK(BM_VancomycinCurvesRedraw)->Unit(benchmark::kMillisecond);

std::unique_ptr<graphicAnalysis> analysedWindow(Case& c)
{
    // The window on the offscreen platform, for what the plot adds to the computation.
    ensureApplication();
    auto window =
        std::make_unique<graphicAnalysis>(nullptr, c.session.get(), c.calculator.get(), nullptr);
    window->setPrior(pk::kPopulation, c.session->populationRanges);
    window->setGraphEndTime(c.graphEnd);
    window->initFromCase();
    return window;
}

// The whole analysis as the case page runs it: both fits, the curves, the graph, the table.
void BM_OneCompartmentWindowAnalysis(benchmark::State& state)
{
    auto c = oneCompartmentCase();
    auto window = analysedWindow(*c);
    const SessionData start = *c->session;
    for (auto _ : state) {
        *c->session = start;
        window->initFromCase();
    }
}
BENCHMARK(BM_OneCompartmentWindowAnalysis)->Unit(benchmark::kMillisecond);

void BM_OneCompartmentDrawGraphs(benchmark::State& state)
{
    auto c = oneCompartmentCase();
    auto window = analysedWindow(*c);
    for (auto _ : state)
        window->drawGraphs();
}
BENCHMARK(BM_OneCompartmentDrawGraphs)->Unit(benchmark::kMillisecond);

// One change of Time 1 in the window, in weeks across the whole history, Time 2 at 35 weeks:
// the level read with its stretch, the marks, and the area.
void BM_OneCompartmentTimeOneChange(benchmark::State& state)
{
    auto c = oneCompartmentCase();
    auto window = analysedWindow(*c);
    window->findChild<QComboBox*>("cb_graph_time")->setCurrentText("Weeks");
    window->findChild<QDoubleSpinBox*>("math_x_2")->setValue(35.0);
    auto* time1 = window->findChild<QDoubleSpinBox*>("math_x");
    double t = 1.0;
    for (auto _ : state) {
        t = t >= 30.0 ? 1.0 : t + 0.1;
        time1->setValue(t);
    }
}
BENCHMARK(BM_OneCompartmentTimeOneChange)->Unit(benchmark::kMillisecond);

// The same in days on the vancomycin history, its population curve in the Math Tool, Time 2 at
// 375 days.
void BM_VancomycinTimeOneChange(benchmark::State& state)
{
    auto c = vancomycinCase();
    c->session->pkSets[pk::kPopulation] = c->session->pkSets[pk::kBayesian];
    auto window = analysedWindow(*c);
    window->findChild<QComboBox*>("cb_graph_time")->setCurrentText("Days");
    window->findChild<QDoubleSpinBox*>("math_x_2")->setValue(375.0);
    auto* time1 = window->findChild<QDoubleSpinBox*>("math_x");
    const auto* area = window->findChild<QDoubleSpinBox*>("math_area");
    double t = 80.0;
    time1->setValue(t);
    if (!(area->value() > 0.0))
        state.SkipWithError("the Math Tool shows no area");
    for (auto _ : state) {
        t = t >= 300.0 ? 80.0 : t + 0.5;
        time1->setValue(t);
    }
}
BENCHMARK(BM_VancomycinTimeOneChange)->Unit(benchmark::kMillisecond);

// The Math Tool's "Selected Area" between two times, as many points as the window samples.
constexpr int kStretch = 2001;

// The Bayesian curve of a case and the stretch over most of its history.
struct BayesianStretch {
    explicit BayesianStretch(std::unique_ptr<Case> (*makeCase)())
        : c(makeCase()), curve(c->session.get(), c->calculator.get()), t1(0.2 * c->graphEnd),
          t2(0.9 * c->graphEnd), times(kStretch), levels(kStretch)
    {
        curve.prepare(c->session->pkSets[pk::kBayesian]);
        for (int i = 0; i < kStretch; ++i)
            times[i] = t1 + (t2 - t1) / (kStretch - 1) * i;
    }
    void sample() { curve.levels(times.data(), kStretch, levels.data()); }

    std::unique_ptr<Case> c;
    LevelCurve curve;
    double t1;
    double t2;
    std::vector<double> times;
    std::vector<double> levels;
};

// The Math Tool's work when Time 1 raises Time 2, with both apart: two level reads with their
// 2001-point stretches and two areas of 10,000 intervals, over most of the history.
void BM_OneCompartmentTwoReadsTwoAreas(benchmark::State& state)
{
    BayesianStretch s(oneCompartmentCase);
    for (auto _ : state) {
        for (double t : {s.t1, s.t2}) {
            benchmark::DoNotOptimize(s.curve.levelAt(t));
            s.sample();
            benchmark::DoNotOptimize(s.curve.area(s.t1, s.t2));
        }
    }
}
BENCHMARK(BM_OneCompartmentTwoReadsTwoAreas)->Unit(benchmark::kMillisecond);

// One change of a Math Tool time on the vancomycin history, across most of it: the 2001-point
// stretch, the levels at both times, and the area between them.
void BM_VancomycinTimeChange(benchmark::State& state)
{
    BayesianStretch s(vancomycinCase);
    for (auto _ : state) {
        s.sample();
        benchmark::DoNotOptimize(s.curve.levelAt(s.t1));
        benchmark::DoNotOptimize(s.curve.levelAt(s.t2));
        benchmark::DoNotOptimize(s.curve.area(s.t1, s.t2));
    }
}
BENCHMARK(BM_VancomycinTimeChange)->Unit(benchmark::kMillisecond);

// One area from the prepared set: its quadrature points between the kinks, from one pass.
void area(benchmark::State& state, std::unique_ptr<Case> (*makeCase)())
{
    auto c = makeCase();
    LevelCurve curve(c->session.get(), c->calculator.get());
    curve.prepare(c->session->pkSets[pk::kBayesian]);
    for (auto _ : state)
        benchmark::DoNotOptimize(curve.area(0.2 * c->graphEnd, 0.9 * c->graphEnd));
}

// The same area by the literal road: each of its 20,000 levels asks the calculator, which sums
// or integrates the dose history from the first dose.
void literalArea(benchmark::State& state, std::unique_ptr<Case> (*makeCase)())
{
    auto c = makeCase();
    PkCalculator& calc = *c->calculator;
    const PkParameterSet& p = c->session->pkSets[pk::kBayesian];
    const bool phenytoin = c->session->modelType == pk::kModelMichaelisMenten;
    const auto level = [&](double t) {
        return phenytoin
                   ? calc.phenytoinLevelFromDoseHistory(p[pk::kVmax], p[pk::kKm], p[pk::kVd],
                                                        p[pk::kF], p[pk::kCF], t)
                   : calc.levelFromDoseHistory(p[pk::kCl], p[pk::kVd], p[pk::kF], p[pk::kCF], t);
    };
    const double t1 = 0.2 * c->graphEnd, t2 = 0.9 * c->graphEnd;
    for (auto _ : state) {
        const double h = (t2 - t1) / kLiteralIntervals;
        double sum = 0.0, t = t1;
        for (int i = 0; i < kLiteralIntervals; ++i) {
            const double previous = t;
            t += h;
            sum += (level(previous) + level(t)) * 0.5 * h;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["levels"] = kAreaPoints;
}

void BM_OneCompartmentArea(benchmark::State& state)
{
    area(state, oneCompartmentCase);
}
BENCHMARK(BM_OneCompartmentArea)->Unit(benchmark::kMillisecond);

void BM_OneCompartmentAreaLiteralRoad(benchmark::State& state)
{
    literalArea(state, oneCompartmentCase);
}
BENCHMARK(BM_OneCompartmentAreaLiteralRoad)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_VancomycinArea(benchmark::State& state)
{
    area(state, vancomycinCase);
}
BENCHMARK(BM_VancomycinArea)->Unit(benchmark::kMillisecond);

void BM_PhenytoinArea(benchmark::State& state)
{
    area(state, phenytoinCase);
}
BENCHMARK(BM_PhenytoinArea)->Unit(benchmark::kMillisecond);

void BM_PhenytoinAreaLiteralRoad(benchmark::State& state)
{
    literalArea(state, phenytoinCase);
}
BENCHMARK(BM_PhenytoinAreaLiteralRoad)->Unit(benchmark::kMillisecond)->Iterations(1);
} // namespace
