#include "bench/BenchApplication.h"
#include "forecast/DosageRegimenForecast.h"
#include "forecast/LevelForecast.h"
#include "forecast/RegimenDesign.h"
#include "forecast/SerumLevelForecast.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <QApplication>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <initializer_list>
#include <memory>
#include <utility>

using namespace forecast;

namespace
{
// A case with all four sets: population, custom and two fitted ones.
void fillFourSets(SessionData& s, char letter, const char* routeText, int modelType)
{
    s.patient.drugCode = QStringLiteral("TH");
    s.modelType = modelType;
    s.routeText = QString::fromLatin1(routeText);
    s.routeLetter = letter;
    s.routeList = {s.routeText};
    s.saltOral = 0.8;
    s.saltParenteral = 1.0;
    s.regimenKa = 1.3;
    s.lagTime = 0.5;
    s.twoCompCentralVolume = 15.0;
    s.twoCompK21 = 0.5;
    s.pkSets[pk::kPopulation] = {0, 0.9, 35, 3.0, 0.9, 0, 0};
    s.pkSets[pk::kCustom] = {0, 0.9, 40, 3.5, 0.9, 0, 0};
    s.pkSets[pk::kLeastSquares] = {0, 0.7, 50, 4.5, 1.0, 0, 0};
    s.pkSets[pk::kBayesian] = {0, 0.8, 45, 4.0, 1.0, 0, 0};
}

void BM_RegimenDesignOral(benchmark::State& state)
{
    SessionData s;
    fillFourSets(s, 'O', "Oral - Tablets", pk::kModelOneComp);
    PkCalculator calc(&s);
    const RegimenTargets targets{0, 0, 0, 10, 15, 0};
    for (auto _ : state) {
        const RegimenResults r = designRegimens(calc, s, targets);
        writeRegimenReport(s, targets, r);
        benchmark::DoNotOptimize(r.sets[0].dose);
    }
}
BENCHMARK(BM_RegimenDesignOral)->Unit(benchmark::kMicrosecond);

void BM_RegimenDesignVancomycin(benchmark::State& state)
{
    SessionData s;
    fillFourSets(s, 'D', "Intermittent IV - Injection", pk::kModelTwoComp);
    PkCalculator calc(&s);
    const RegimenTargets targets{1.0, 30.0, 1.0, 10.0, 0, 0};
    for (auto _ : state)
        benchmark::DoNotOptimize(designRegimens(calc, s, targets).sets[0].dose);
}
BENCHMARK(BM_RegimenDesignVancomycin)->Unit(benchmark::kMicrosecond);

void BM_LevelForecastInfusion(benchmark::State& state)
{
    SessionData s;
    fillFourSets(s, 'D', "Intermittent IV - Injection", pk::kModelOneComp);
    PkCalculator calc(&s);
    LevelRegimen regimen;
    regimen.dose = 500;
    regimen.interval = 8;
    regimen.infusionTime = 1;
    regimen.postTime = 0.5;
    for (auto _ : state) {
        const LevelResults r = forecastLevels(calc, s, regimen);
        writeLevelForecastReport(s, regimen, r);
        benchmark::DoNotOptimize(r.sets[0].peak);
    }
}
BENCHMARK(BM_LevelForecastInfusion)->Unit(benchmark::kMicrosecond);

void BM_LevelForecastUnevenDay(benchmark::State& state)
{
    SessionData s;
    fillFourSets(s, 'O', "Oral - Tablets", pk::kModelOneComp);
    PkCalculator calc(&s);
    LevelRegimen regimen;
    regimen.uneven = true;
    regimen.day = {{6, 200}, {12, 300}, {18, 200}, {23, 400}};
    for (auto _ : state)
        benchmark::DoNotOptimize(forecastLevels(calc, s, regimen).sets[0].peak);
}
BENCHMARK(BM_LevelForecastUnevenDay)->Unit(benchmark::kMicrosecond);

// A forecast window as a user sees it: entry read, four sets computed, record written, table
// filled and the graph redrawn (offscreen), for gentamicin infusions with all four sets.
template <typename Window>
void recomputeWindow(benchmark::State& state,
                     std::initializer_list<std::pair<const char*, const char*>> entries,
                     bool (*done)(const SessionData&), const char* failure)
{
    ensureApplication();
    SessionData s;
    fillFourSets(s, 'D', "Intermittent IV - Injection", pk::kModelOneComp);
    s.patient.drugCode = QStringLiteral("GM");
    s.doseUnit = QStringLiteral("mg");
    s.concentrationUnit = QStringLiteral("mg/L");
    PkCalculator calc(&s);
    DrugInfo drugInfo(&s, &calc);
    Window window(nullptr, &s, &calc, &drugInfo);
    for (const auto& [field, text] : entries)
        window.template findChild<QLineEdit*>(QLatin1String(field))->setText(QLatin1String(text));
    window.resize(640, 720);
    for (auto _ : state)
        window.custom_pk_change();
    if (!done(s))
        state.SkipWithError(failure);
}

void BM_RegimenWindowRecompute(benchmark::State& state)
{
    recomputeWindow<DosageRegimenForecast>(
        state,
        {{"lineEdit_infusionTime", "1"},
         {"lineEdit_postLevel", "8"},
         {"lineEdit_postTime", "0.5"},
         {"lineEdit_trough", "1"}},
        [](const SessionData& s) { return s.regimenReport.done; }, "no regimen designed");
}
BENCHMARK(BM_RegimenWindowRecompute)->Unit(benchmark::kMicrosecond);

void BM_LevelWindowRecompute(benchmark::State& state)
{
    recomputeWindow<SerumLevelForecast>(
        state,
        {{"lineEdit_dose", "500"},
         {"lineEdit_interval", "8"},
         {"lineEdit_infusionTime", "1"},
         {"lineEdit_postTime", "0.5"}},
        [](const SessionData& s) { return s.levelForecastReport.done; }, "no levels forecast");
}
BENCHMARK(BM_LevelWindowRecompute)->Unit(benchmark::kMicrosecond);
} // namespace
