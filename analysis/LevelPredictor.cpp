#include "analysis/LevelPredictor.h"

#include "pkcore/LevelTerms.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/PkNumeric.h"

#include <algorithm>
#include <cmath>
#include <numeric>

LevelPredictor::LevelPredictor(SessionData* session, PkCalculator* calculator)
    : m_session(session), m_calculator(calculator), m_oneCompartment(session),
      m_twoCompartments(session)
{
}

bool LevelPredictor::hasModel() const
{
    const int model = m_session->modelType;
    return model == pk::kModelOneComp || model == pk::kModelTwoComp ||
           model == pk::kModelMichaelisMenten;
}

namespace
{
// Where F, V, CL, Km, CF and Vmax stand in a fit vector or a parameter set.
struct ArgumentSlots {
    int f, v, cl, km, cf, vmax;
};
constexpr ArgumentSlots fitSlots{pk::kFitF,  pk::kFitVd, pk::kFitCl,
                                 pk::kFitKm, pk::kFitCF, pk::kFitVmax};
constexpr ArgumentSlots setSlots{pk::kF, pk::kVd, pk::kCl, pk::kKm, pk::kCF, pk::kVmax};

template <typename Arguments, typename Values>
Arguments argumentsAt(const Values& values, const ArgumentSlots& s)
{
    Arguments a;
    a.f = values[s.f];
    a.v = values[s.v];
    a.cl = values[s.cl];
    a.km = values[s.km];
    a.cf = values[s.cf];
    a.vmax = values[s.vmax];
    return a;
}
} // namespace

LevelPredictor::ModelArguments LevelPredictor::fromFitParameters(const fit::Vector& p)
{
    return argumentsAt<ModelArguments>(p, fitSlots);
}

LevelPredictor::ModelArguments LevelPredictor::fromSet(const PkParameterSet& set)
{
    return argumentsAt<ModelArguments>(set, setSlots);
}

void LevelPredictor::levelsForFitParameters(const fit::Vector* p, int vectorCount,
                                            const double* times, int count, double* levels)
{
    ModelArguments arguments[fit::kMaxFitParameters + 1];
    const int vectors = std::min(vectorCount, fit::kMaxFitParameters + 1);
    for (int v = 0; v < vectors; ++v)
        arguments[v] = fromFitParameters(p[v]);
    predict(arguments, vectors, times, count, levels);
}

void LevelPredictor::levelsForSet(const PkParameterSet& set, const double* times, int count,
                                  double* levels)
{
    const ModelArguments arguments = fromSet(set);
    // Only a set's curve sweeps the two-compartment history: a fit reads a handful of times,
    // where a sweep gains nothing, and keeps the calculator's own sums to the bit.
    if (m_road == Road::SinglePass && m_session->modelType == pk::kModelTwoComp) {
        sortQueries(times, count);
        m_twoCompartments.levels(arguments.cl, arguments.v, arguments.cf, times,
                                 m_queryOrder.data(), count, levels);
        return;
    }
    predict(&arguments, 1, times, count, levels);
}

void LevelPredictor::predict(const ModelArguments* arguments, int vectorCount, const double* times,
                             int count, double* levels)
{
    if (m_road == Road::SinglePass && m_session->modelType == pk::kModelMichaelisMenten) {
        phenytoinSinglePass(arguments, vectorCount, times, count, levels);
        return;
    }
    if (m_road == Road::SinglePass && m_session->modelType == pk::kModelOneComp) {
        sortQueries(times, count);
        for (int v = 0; v < vectorCount; ++v) {
            const ModelArguments& a = arguments[v];
            m_oneCompartment.levels(a.cl, a.v, a.f, a.cf, times, m_queryOrder.data(), count,
                                    levels + v * count);
        }
        return;
    }
    for (int v = 0; v < vectorCount; ++v)
        for (int i = 0; i < count; ++i)
            levels[v * count + i] = levelAt(arguments[v], times[i]);
}

double LevelPredictor::levelAt(const ModelArguments& a, double t)
{
    switch (m_session->modelType) {
    case pk::kModelOneComp:
        return m_calculator->levelFromDoseHistory(a.cl, a.v, a.f, a.cf, t);
    case pk::kModelTwoComp:
        return m_calculator->levelFromDoseHistoryTwoComp(a.cl, a.v, a.cf, t);
    case pk::kModelMichaelisMenten:
        return m_calculator->phenytoinLevelFromDoseHistory(a.vmax, a.km, a.v, a.f, a.cf, t);
    default:
        return 0.0;
    }
}

void LevelPredictor::sortQueries(const double* times, int count)
{
    m_queryOrder.resize(count);
    std::iota(m_queryOrder.begin(), m_queryOrder.end(), 0);
    std::stable_sort(m_queryOrder.begin(), m_queryOrder.end(),
                     [&](int a, int b) { return times[a] < times[b]; });
}

void LevelPredictor::phenytoinSinglePass(const ModelArguments* arguments, int vectorCount,
                                         const double* times, int count, double* levels)
{
    constexpr int kLanes = fit::kMaxFitParameters + 1;
    const double start = levelterms::originLevel(*m_session);
    const std::vector<PhenytoinGridPoint>& grid = m_session->phenytoinGrid;

    // The grid depends on F and CF only (its times not even on those): vectors that share them
    // share one grid.
    bool valid[kLanes];
    int rateSource[kLanes];
    int steps = -1;
    m_rates.resize(vectorCount);
    for (int v = 0; v < vectorCount; ++v) {
        const ModelArguments& a = arguments[v];
        valid[v] = a.v > 0.0 && a.km > 0.0 && std::isfinite(a.vmax) && std::isfinite(start);
        rateSource[v] = v;
        if (!valid[v])
            continue;
        for (int u = 0; u < v && rateSource[v] == v; ++u)
            if (valid[u] && arguments[u].f == a.f && arguments[u].cf == a.cf)
                rateSource[v] = rateSource[u];
        if (rateSource[v] != v)
            continue;
        const int laid = m_calculator->doseTimeGridForFit(a.f, a.cf);
        if (laid < 0 || (steps >= 0 && laid != steps)) {
            valid[v] = false;
            continue;
        }
        if (steps < 0) {
            steps = laid;
            m_gridTimes.resize(steps + 1);
            for (int i = 0; i <= steps; ++i)
                m_gridTimes[i] = grid[i].time;
        }
        m_rates[v].resize(steps + 1);
        for (int i = 0; i <= steps; ++i)
            m_rates[v][i] = grid[i].rate;
    }

    sortQueries(times, count);

    // Invalid vectors are stepped along at no cost and read as "not given".
    double level[kLanes];
    double vmaxPerHour[kLanes];
    ModelArguments lane[kLanes];
    const double* rates[kLanes];
    for (int v = 0; v < vectorCount; ++v) {
        lane[v] = valid[v] ? arguments[v] : ModelArguments{0.0, 1.0, 0.0, 0.0, 1.0, 0.0};
        vmaxPerHour[v] = lane[v].vmax / pknum::kHoursPerDay;
        level[v] = start;
        rates[v] = valid[v] ? m_rates[rateSource[v]].data() : nullptr;
    }

    int i = 1;
    for (int q : m_queryOrder) {
        const double t = times[q];
        for (; i <= steps && m_gridTimes[i] < t; ++i) {
            const double h = m_gridTimes[i] - m_gridTimes[i - 1];
            // The calculator's own step, so both roads give the same numbers.
            for (int v = 0; v < vectorCount; ++v)
                level[v] = levelterms::michaelisMentenLevelStep(
                    vmaxPerHour[v], lane[v].km, lane[v].v, valid[v] ? rates[v][i - 1] : 0.0,
                    level[v], h);
        }
        for (int v = 0; v < vectorCount; ++v)
            levels[v * count + q] =
                valid[v] && std::isfinite(t) ? pknum::checked(level[v]) : pknum::kNotGiven;
    }
}
