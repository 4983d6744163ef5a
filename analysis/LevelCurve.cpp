#include "analysis/LevelCurve.h"

#include "pkcore/LevelTerms.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/PkNumeric.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr int kWashoutIterations = 100;
constexpr double kWashoutTolerance = 1e-15;
} // namespace

double michaelisMentenWashout(double c0, double vmaxPerHour, double km, double v, double hours)
{
    if (!(c0 > 0.0 && km > 0.0 && v > 0.0 && hours > 0.0 && vmaxPerHour > 0.0))
        return c0;
    // In u = ln c the equation is increasing and convex, so Newton's steps from u0 (where it is
    // positive) fall to the root from above without overshooting it.
    const double eliminated = vmaxPerHour * hours / v;
    const double u0 = std::log(c0);
    double u = u0;
    for (int i = 0; i < kWashoutIterations; ++i) {
        const double c = std::exp(u);
        const double g = km * (u - u0) + (c - c0) + eliminated;
        const double step = g / (km + c);
        u -= step;
        if (std::fabs(step) <= kWashoutTolerance * std::max(1.0, std::fabs(u)))
            break;
    }
    return std::exp(u);
}

LevelCurve::LevelCurve(SessionData* session, PkCalculator* calculator)
    : m_session(session), m_calculator(calculator), m_predictor(session, calculator)
{
}

void LevelCurve::prepare(const PkParameterSet& set)
{
    m_set = set;
    m_steps = -1;
    if (m_session->modelType == pk::kModelMichaelisMenten)
        preparePhenytoin();
}

void LevelCurve::preparePhenytoin()
{
    const double v = m_set[pk::kVd];
    const double km = m_set[pk::kKm];
    const double vmax = m_set[pk::kVmax];
    const double start = levelterms::originLevel(*m_session);
    if (!(v > 0.0 && km > 0.0 && std::isfinite(vmax) && std::isfinite(start)))
        return;
    const int steps = m_calculator->doseTimeGridForFit(m_set[pk::kF], m_set[pk::kCF]);
    if (steps < 0)
        return;

    const std::vector<PhenytoinGridPoint>& grid = m_session->phenytoinGrid;
    m_vmaxPerHour = vmax / pknum::kHoursPerDay;
    m_gridTimes.resize(steps + 1);
    m_gridLevels.resize(steps + 1);
    m_gridTimes[0] = grid[0].time;
    m_gridLevels[0] = start;
    double level = start;
    for (int i = 1; i <= steps; ++i) {
        // The calculator's own step, so levels inside the grid are its numbers.
        level = levelterms::michaelisMentenLevelStep(m_vmaxPerHour, km, v, grid[i - 1].rate, level,
                                                     grid[i].time - grid[i - 1].time);
        m_gridTimes[i] = grid[i].time;
        m_gridLevels[i] = level;
    }
    m_steps = steps;
}

// Inside the grid the level at t is the one at the last grid point before t, as the calculator
// integrates it.
double LevelCurve::phenytoinLevel(double t) const
{
    if (m_steps < 0 || !std::isfinite(t))
        return pknum::kNotGiven;
    const auto first = m_gridTimes.begin() + 1;
    const auto last = m_gridTimes.begin() + m_steps + 1;
    const int passed = static_cast<int>(std::lower_bound(first, last, t) - first);
    double level = m_gridLevels[passed];
    const double end = m_gridTimes[m_steps];
    if (passed == m_steps && t > end)
        level =
            michaelisMentenWashout(level, m_vmaxPerHour, m_set[pk::kKm], m_set[pk::kVd], t - end);
    return pknum::checked(level);
}

void LevelCurve::levels(const double* times, int count, double* out)
{
    if (count <= 0)
        return;
    if (m_session->modelType == pk::kModelMichaelisMenten) {
        for (int i = 0; i < count; ++i)
            out[i] = phenytoinLevel(times[i]);
        return;
    }
    if (!m_predictor.hasModel()) {
        std::fill(out, out + count, pknum::kNotGiven);
        return;
    }
    m_predictor.levelsForSet(m_set, times, count, out);
}

double LevelCurve::levelAt(double t)
{
    double level = pknum::kNotGiven;
    levels(&t, 1, &level);
    return level;
}

std::vector<double> LevelCurve::kinksBetween(double from, double to) const
{
    std::vector<double> kinks;
    const auto keep = [&](double t) {
        if (t > from && t < to)
            kinks.push_back(t);
    };
    if (m_session->modelType == pk::kModelMichaelisMenten) {
        for (int i = 0; i <= m_steps; ++i)
            keep(m_gridTimes[i]);
    } else {
        const DoseEventTable& events = m_session->doseEvents;
        const int count = std::clamp(m_session->doseEventCount, 0, pk::kMaxDoseEvents);
        for (int i = 1; i <= count; ++i) {
            keep(events[pk::eventTime][i]);
            keep(events[pk::eventTime][i] + events[pk::eventInfusionTime][i]);
        }
    }
    std::sort(kinks.begin(), kinks.end());
    return kinks;
}

double LevelCurve::area(double t1, double t2)
{
    if (t1 == t2)
        return 0.0;
    if (!(std::isfinite(t1) && std::isfinite(t2)))
        return pknum::kNotGiven;
    const double from = std::min(t1, t2);
    const double to = std::max(t1, t2);
    const double sign = t2 > t1 ? 1.0 : -1.0;
    if (m_session->modelType == pk::kModelTwoComp) {
        // Each dose's two exponentials integrate exactly: a long history costs one sweep.
        const double exact = m_calculator->areaFromDoseHistoryTwoComp(
            m_set[pk::kCl], m_set[pk::kVd], m_set[pk::kCF], from, to);
        return exact == pknum::kNotGiven ? pknum::kNotGiven : sign * exact;
    }
    std::vector<double> bounds = kinksBetween(from, to);
    bounds.insert(bounds.begin(), from);
    bounds.push_back(to);

    // Eight-point Gauss-Legendre nodes on [-1, 1] and their weights.
    static constexpr int kNodes = 8;
    static constexpr double kNode[kNodes] = {
        -0.9602898564975363, -0.7966664774136267, -0.5255324099163290, -0.1834346424956498,
        0.1834346424956498,  0.5255324099163290,  0.7966664774136267,  0.9602898564975363};
    static constexpr double kWeight[kNodes] = {
        0.1012285362903763, 0.2223810344533745, 0.3137066458778873, 0.3626837833783620,
        0.3626837833783620, 0.3137066458778873, 0.2223810344533745, 0.1012285362903763};

    const double pieceHours = std::max(kAreaPieceHours, (to - from) / kMostAreaPieces);
    m_areaTimes.clear();
    std::vector<double> halfWidths;
    for (std::size_t b = 1; b < bounds.size(); ++b) {
        const double span = bounds[b] - bounds[b - 1];
        const int pieces = std::max(1, static_cast<int>(std::ceil(span / pieceHours)));
        const double width = span / pieces;
        for (int p = 0; p < pieces; ++p) {
            const double centre = bounds[b - 1] + (p + 0.5) * width;
            halfWidths.push_back(0.5 * width);
            for (double node : kNode)
                m_areaTimes.push_back(centre + 0.5 * width * node);
        }
    }
    m_areaLevels.resize(m_areaTimes.size());
    levels(m_areaTimes.data(), static_cast<int>(m_areaTimes.size()), m_areaLevels.data());
    double sum = 0.0;
    for (std::size_t piece = 0; piece < halfWidths.size(); ++piece)
        for (int n = 0; n < kNodes; ++n) {
            const double level = m_areaLevels[piece * kNodes + n];
            if (!std::isfinite(level) || level <= pknum::kNotGiven)
                return pknum::kNotGiven;
            sum += halfWidths[piece] * kWeight[n] * level;
        }
    return sign * sum;
}
