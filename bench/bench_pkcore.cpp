#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace
{
// A long dose history: 1000 events every 6 h, alternating infusions and oral doses, some
// out-patient.
std::unique_ptr<SessionData> sessionWithHistory(int events)
{
    auto s = std::make_unique<SessionData>();
    auto& e = s->doseEvents;
    for (int i = 1; i <= events; ++i) {
        const bool infusion = i % 2 == 1;
        e[pk::eventTime][i] = (i - 1) * 6.0;
        e[pk::eventDose][i] = 500;
        e[pk::eventRouteCode][i] = infusion ? pk::kRouteCodeIntravenous : pk::kRouteCodeOther;
        e[pk::eventInOut][i] = i > events / 2 ? 0.0 : 1.0;
        e[pk::eventInfusionTime][i] = infusion ? 1.0 : 0.0;
        e[pk::eventRate][i] = infusion ? 500 : 0;
        e[pk::eventSalt][i] = 1.0;
        e[pk::eventRouteFactor][i] = 1.2;
    }
    s->doseEventCount = events;
    s->twoCompCentralVolume = 15;
    s->twoCompK21 = 0.5;
    s->phenytoinInputRate = 60;
    return s;
}

void BM_LevelFromDoseHistory1000(benchmark::State& state)
{
    auto s = sessionWithHistory(pk::kMaxDoseEvents);
    PkCalculator calc(s.get());
    const double t = 1000 * 6.0;
    for (auto _ : state)
        benchmark::DoNotOptimize(calc.levelFromDoseHistory(5, 50, 0.8, 0.9, t));
}
BENCHMARK(BM_LevelFromDoseHistory1000)->Unit(benchmark::kMicrosecond);

void BM_LevelFromDoseHistoryTwoComp1000(benchmark::State& state)
{
    auto s = sessionWithHistory(pk::kMaxDoseEvents);
    PkCalculator calc(s.get());
    const double t = 1000 * 6.0;
    for (auto _ : state)
        benchmark::DoNotOptimize(calc.levelFromDoseHistoryTwoComp(4, 50, 0.9, t));
}
BENCHMARK(BM_LevelFromDoseHistoryTwoComp1000)->Unit(benchmark::kMicrosecond);

// 8 doses every 100 h: 800 h at 60 points per hour, the full 48,000-step grid, integrated to
// its end (grid build included).
void BM_PhenytoinRegimenFullGrid(benchmark::State& state)
{
    auto s = sessionWithHistory(0);
    PkCalculator calc(s.get());
    for (auto _ : state)
        benchmark::DoNotOptimize(
            calc.phenytoinLevelAtTime(0.9, 50, 1, 4, 500, 0, 1, 300, 0, 1, 100, 8, 1e6));
}
BENCHMARK(BM_PhenytoinRegimenFullGrid)->Unit(benchmark::kMicrosecond);

// A dose history whose span gives the full grid: 133 daily doses, the last at 792 h.
void BM_PhenytoinDoseHistoryFullGrid(benchmark::State& state)
{
    auto s = sessionWithHistory(0);
    auto& e = s->doseEvents;
    int i = 0;
    for (int day = 0; day <= 132; ++day) {
        ++i;
        e[pk::eventTime][i] = day * 6.0;
        e[pk::eventDose][i] = 60;
        e[pk::eventRouteCode][i] = pk::kRouteCodeOther;
        e[pk::eventInOut][i] = 1.0;
        e[pk::eventRate][i] = 60;
        e[pk::eventSalt][i] = 0.92;
    }
    s->doseEventCount = i;
    PkCalculator calc(s.get());
    for (auto _ : state)
        benchmark::DoNotOptimize(calc.phenytoinLevelFromDoseHistory(500, 4, 50, 0.9, 1, 1e6));
}
BENCHMARK(BM_PhenytoinDoseHistoryFullGrid)->Unit(benchmark::kMicrosecond);

void BM_LevelSeriesOneComp(benchmark::State& state)
{
    PkCalculator calc(nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            calc.levelSeriesFromDoseHistory(0.8, 50, 5, 500, 0, 1, 12, 1, 0, 1, 1.2, 240.5));
}
BENCHMARK(BM_LevelSeriesOneComp)->Unit(benchmark::kMicrosecond);
} // namespace
