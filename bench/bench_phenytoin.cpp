#include "phenytoin/LevelCurve.h"
#include "phenytoin/PHSerumLevelForecast.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>

#include <benchmark/benchmark.h>

#include <memory>

namespace
{
// The longest graph the windows draw: 99 doses every 8 h, a grid of 47,520 steps at 60 per
// hour, 4,950 points per curve, three sets (population, custom, Bayesian).
constexpr int kDoses = 99;
constexpr double kTau = 8.0;
constexpr int kSets = 3;

phenytoin::CurveRegimen regimen(int set)
{
    phenytoin::CurveRegimen r;
    r.f = 1.0;
    r.v = 45.5;
    r.salt = 0.92;
    r.km = 4.0 + set;
    r.vmax = 500.0;
    r.dose = 100.0;
    r.route = 2;
    r.tau = kTau;
    r.doseCount = kDoses;
    return r;
}

QVector<double> axisTimes()
{
    return phenytoin::planAxis(phenytoin::GraphMode::NonSteady, kDoses, kTau, -1.0).times;
}

void BM_PhenytoinCurvesSinglePass(benchmark::State& state)
{
    SessionData session;
    PkCalculator calculator(&session);
    const QVector<double> times = axisTimes();
    for (auto _ : state)
        for (int set = 0; set < kSets; ++set)
            benchmark::DoNotOptimize(
                phenytoin::simulateLevels(calculator, session, regimen(set), times));
}
BENCHMARK(BM_PhenytoinCurvesSinglePass)->Unit(benchmark::kMillisecond);

void BM_PhenytoinCurvesPointByPoint(benchmark::State& state)
{
    SessionData session;
    PkCalculator calculator(&session);
    const QVector<double> times = axisTimes();
    for (auto _ : state)
        for (int set = 0; set < kSets; ++set)
            for (double t : times)
                benchmark::DoNotOptimize(phenytoin::levelByPointRoad(calculator, regimen(set), t));
}
BENCHMARK(BM_PhenytoinCurvesPointByPoint)->Unit(benchmark::kMillisecond)->Iterations(1);

// The whole redraw of the level forecast window: simulation, plot data and replot.
void BM_PhenytoinForecastRedraw(benchmark::State& state)
{
    if (!qApp) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "bench";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    auto session = std::make_unique<SessionData>();
    PkCalculator calculator(session.get());
    DrugInfo drugs(session.get(), &calculator);
    session->patient.drugCode = QStringLiteral("PH");
    session->freeFraction = 0.1;
    drugs.fillRouteList(QStringLiteral("PH"), &session->routeNames, false);
    session->routeF = QVector<double>(session->routeNames.size(), 1.0);
    for (int set : {pk::kPopulation, pk::kCustom, pk::kBayesian}) {
        PkParameterSet& p = session->pkSets[set];
        p[pk::kF] = p[pk::kCF] = 1.0;
        p[pk::kVd] = 45.5;
        p[pk::kCl] = p[pk::kKm] = 4.0 + set;
        p[pk::kVmax] = 500.0;
    }
    PHSerumLevelForecast window(nullptr, session.get(), &calculator, &drugs);
    const auto enter = [&](const char* name, const QString& text) {
        auto* field = window.findChild<QLineEdit*>(QString::fromLatin1(name));
        field->setText(text);
        QMetaObject::invokeMethod(field, "editingFinished");
    };
    enter("lineEdit_dose", QStringLiteral("100"));
    enter("lineEdit_interval", QString::number(kTau));
    enter("line_num_of_dose", QString::number(kDoses));
    window.show();
    auto* nonsteady = window.findChild<QRadioButton*>(QStringLiteral("radioButton_nonsteady"));
    for (auto _ : state)
        nonsteady->click();
}
BENCHMARK(BM_PhenytoinForecastRedraw)->Unit(benchmark::kMillisecond);
} // namespace
