#include "pkcore/LevelTerms.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"

#include <algorithm>
#include <cmath>

using levelterms::michaelisMentenLevelStep;
using pknum::allFinite;
using pknum::checked;
using pknum::invalid;
using pknum::kHoursPerDay;

namespace
{
// Free fraction.
constexpr double kNeonateAge = 0.083;
constexpr double kAdultAge = 18.0;
constexpr double kNeonateFreeFraction = 0.2;
constexpr double kNormalFreeFraction = 0.1;
constexpr double kHighClearance = 25.0;
constexpr double kLowClearance = 10.0;
constexpr double kNormalRenalAlbuminFactor = 2.0455;
constexpr double kChildMiddleAlbuminFactor = 1.5;
constexpr double kAdultMiddleSlope = 0.07;
constexpr double kRaisingFactorShare = 1.5;
// Patient-factor answers that raise the free fraction.
constexpr int kFreeFractionFactorA = 3;
constexpr int kFreeFractionFactorB = 2;

// Time to 90 % of steady state.
constexpr double kTimeTo90VmaxFactor = 2.3;
constexpr double kTimeTo90RateFactor = 0.9;

// Grid: at most 60 points per hour and 48,000 intervals; the dose history gets 8 hours beyond
// its last dose or level.
constexpr double kMaxPointsPerHour = 60.0;
constexpr double kHistoryTailHours = 8.0;

// Lays the grid over `span` hours: points per hour and the number of intervals, or false when
// the span leaves no point per hour.
struct GridShape {
    double pointsPerHour;
    int steps;
};

bool shapeGrid(double span, GridShape& shape)
{
    if (!std::isfinite(span))
        return false;
    if (span <= 0.0) {
        shape = {kMaxPointsPerHour, 0};
        return true;
    }
    const double perHour = std::min(kMaxPointsPerHour, std::floor(pk::kPhenytoinGridSteps / span));
    if (!(perHour >= 1.0))
        return false;
    const double steps = std::min(std::floor(perHour * span), double(pk::kPhenytoinGridSteps));
    shape = {perHour, static_cast<int>(steps)};
    return true;
}

class GridWriter
{
public:
    GridWriter(std::vector<PhenytoinGridPoint>& grid, const GridShape& shape)
        : m_grid(grid), m_shape(shape)
    {
        if (m_grid.size() < static_cast<size_t>(pk::kPhenytoinGridCapacity))
            m_grid.resize(pk::kPhenytoinGridCapacity);
        for (int i = 0; i <= m_shape.steps; ++i)
            m_grid[i] = {i / m_shape.pointsPerHour, 0.0};
    }

    // Adds `rate` to `count` intervals from the first point at or after `startTime`; a count
    // that is not whole gives the last interval only its share, so a dose that ends between two
    // points enters whole and no more. Whatever would run past the grid's last interval is cut.
    void addSpan(double startTime, double count, double rate)
    {
        const double first = std::max(0.0, std::ceil(startTime * m_shape.pointsPerHour));
        if (!(count > 0.0) || !std::isfinite(rate) || !(first < m_shape.steps))
            return;
        const double whole = std::floor(count);
        const double end = std::min(first + whole, double(m_shape.steps));
        for (int i = static_cast<int>(first); i < static_cast<int>(end); ++i)
            m_grid[i].rate += rate;
        const double share = count - whole;
        if (share > 0.0 && first + whole < m_shape.steps)
            m_grid[static_cast<int>(first + whole)].rate += rate * share;
    }

    // Intervals, whole and part, that a dose given at `inputRate` takes to enter.
    double intervalsAtRate(double amount, double inputRate) const
    {
        return amount * m_shape.pointsPerHour / inputRate;
    }

    // Intervals, whole and part, that an infusion of `hours` covers; a bolus enters over one.
    double intervalsOfInfusion(double hours) const
    {
        return hours > 0.0 ? hours * m_shape.pointsPerHour : 1.0;
    }

    // Rate of a dose infused over `hours`, or over one interval when given as a bolus.
    double infusionRate(double dose, double hours) const
    {
        return hours > 0.0 ? dose / hours : dose * m_shape.pointsPerHour;
    }

private:
    std::vector<PhenytoinGridPoint>& m_grid;
    GridShape m_shape;
};
} // namespace

double toFreeFractionScale(double level, double /*albumin*/, double fu)
{
    return checked(level / (fu / kNormalFreeFraction));
}

double fromFreeFractionScale(double level, double /*albumin*/, double fu)
{
    return checked((fu / kNormalFreeFraction) * level);
}

double phenytoinSteadyStateLevel(double km, double vmax, double rateMgPerDay)
{
    // At or above Vmax elimination cannot keep up: the level rises without end.
    if (!(rateMgPerDay < vmax))
        return pknum::kNotGiven;
    return checked(km * rateMgPerDay / (vmax - rateMgPerDay));
}

double phenytoinDailyDose(double salt, double f, double km, double vmax, double css, double tauDays)
{
    return checked(vmax * css * tauDays / ((km + css) * salt * f));
}

double phenytoinTimeTo90(double km, double vmax, double v, double rateMgPerDay)
{
    if (!(rateMgPerDay < vmax))
        return pknum::kNotGiven;
    const double margin = vmax - rateMgPerDay;
    return checked((kTimeTo90VmaxFactor * vmax - kTimeTo90RateFactor * rateMgPerDay) * km * v /
                   (margin * margin));
}

double michaelisMentenStep(double vmax, double km, double v, double rateIn, double c0, double t0,
                           double t1)
{
    if (!(v > 0.0 && km > 0.0))
        return pknum::kNotGiven;
    return checked(michaelisMentenLevelStep(vmax / kHoursPerDay, km, v, rateIn, c0, t1 - t0));
}

double PkCalculator::toFreeFractionScale(double level, double albumin, double fu)
{
    return ::toFreeFractionScale(level, albumin, fu);
}

double PkCalculator::fromFreeFractionScale(double level, double albumin, double fu)
{
    return ::fromFreeFractionScale(level, albumin, fu);
}

double PkCalculator::phenytoinSteadyStateLevel(double km, double vmax, double rateMgPerDay)
{
    return ::phenytoinSteadyStateLevel(km, vmax, rateMgPerDay);
}

double PkCalculator::phenytoinDailyDose(double salt, double f, double km, double vmax, double css,
                                        double tauDays)
{
    return ::phenytoinDailyDose(salt, f, km, vmax, css, tauDays);
}

double PkCalculator::phenytoinTimeTo90(double km, double vmax, double v, double rateMgPerDay)
{
    return ::phenytoinTimeTo90(km, vmax, v, rateMgPerDay);
}

double PkCalculator::freeFraction(double albumin, double crcl) const
{
    if (!(albumin >= 0.0 && std::isfinite(albumin) && std::isfinite(crcl)))
        return pknum::kNotGiven;
    const double age = m_session->ageYears;
    double fu;
    if (age <= kNeonateAge) {
        fu = kNeonateFreeFraction;
    } else if (age < kAdultAge) {
        const double bsaShare =
            pknum::rawBsa(m_session->weightKg, m_session->heightCm) / pknum::kStandardBsa;
        if (!std::isfinite(bsaShare))
            return pknum::kNotGiven;
        if (crcl > kHighClearance * bsaShare)
            fu = 1.0 / (kNormalRenalAlbuminFactor * albumin + 1.0);
        else if (crcl >= kLowClearance * bsaShare)
            fu = 1.0 / (kChildMiddleAlbuminFactor * albumin + 1.0);
        else
            fu = 1.0 / (albumin + 1.0);
    } else {
        if (crcl > kHighClearance)
            fu = 1.0 / (kNormalRenalAlbuminFactor * albumin + 1.0);
        else if (crcl >= kLowClearance)
            fu = 1.0 / (((crcl - kLowClearance) * kAdultMiddleSlope + 1.0) * albumin + 1.0);
        else
            fu = 1.0 / (albumin + 1.0);
    }
    if (m_session->factorFlags[kFreeFractionFactorA] != 0)
        fu *= kRaisingFactorShare;
    if (m_session->factorFlags[kFreeFractionFactorB] != 0)
        fu *= kRaisingFactorShare;
    return checked(fu);
}

double PkCalculator::phenytoinHistorySpan() const
{
    const SessionData& s = *m_session;
    const DoseEventTable& events = s.doseEvents;
    const int count = std::clamp(s.doseEventCount, 0, pk::kMaxDoseEvents);
    const int levels = std::clamp(s.levelCount, 0, pk::kLevelCapacity - 1);
    double first = 0.0;
    double last = 0.0;
    bool any = false;
    const auto include = [&](double time) {
        first = any ? std::min(first, time) : time;
        last = any ? std::max(last, time) : time;
        any = true;
    };
    if (count > 0) {
        include(events[pk::eventTime][1]);
        include(events[pk::eventTime][count]);
    }
    for (int j = 1; j <= levels; ++j)
        include(s.levelTimes[j]);
    return last - first + kHistoryTailHours;
}

int PkCalculator::doseTimeGridForFit(double f, double cf)
{
    SessionData& s = *m_session;
    const DoseEventTable& events = s.doseEvents;
    const int count = std::clamp(s.doseEventCount, 0, pk::kMaxDoseEvents);
    if (!allFinite(f, cf))
        return -1;

    GridShape shape;
    if (!shapeGrid(phenytoinHistorySpan(), shape))
        return -1;
    GridWriter grid(s.phenytoinGrid, shape);

    double compliance = cf;
    for (int i = 1; i <= count; ++i) {
        compliance = levelterms::complianceFrom(events, i, compliance);
        const double start = events[pk::eventTime][i];
        const double salt = events[pk::eventSalt][i];
        const double rate = events[pk::eventRate][i];
        if (events[pk::eventRouteCode][i] == pk::kRouteCodeOther) {
            if (!(s.phenytoinInputRate > 0.0))
                return -1;
            grid.addSpan(start,
                         grid.intervalsAtRate(events[pk::eventDose][i], s.phenytoinInputRate),
                         rate * f * compliance * salt);
        } else {
            const double hours = events[pk::eventInfusionTime][i];
            const double inputRate =
                hours > 0.0 ? rate : grid.infusionRate(events[pk::eventDose][i], hours);
            grid.addSpan(start, grid.intervalsOfInfusion(hours), inputRate * compliance * salt);
        }
    }
    return shape.steps;
}

int PkCalculator::doseTimeGridForLevel(double f, double salt, double cf, double dose,
                                       double infusionTime, double route, double tau,
                                       double doseCount)
{
    // More doses than grid intervals is no regimen; refusing it keeps the loop bounded.
    if (!allFinite(f, salt, cf, dose, infusionTime, route, tau, doseCount) ||
        doseCount > pk::kPhenytoinGridSteps)
        return -1;
    GridShape shape;
    if (!shapeGrid(tau * doseCount, shape))
        return -1;
    GridWriter grid(m_session->phenytoinGrid, shape);
    const bool oral = route == pk::kRouteCodeOther;
    if (oral && !(m_session->phenytoinInputRate > 0.0))
        return -1;

    for (int j = 1; j <= doseCount && (j - 1) * tau <= shape.steps / shape.pointsPerHour; ++j) {
        const double start = (j - 1) * tau;
        if (oral) {
            const double inputRate = m_session->phenytoinInputRate;
            grid.addSpan(start, grid.intervalsAtRate(dose, inputRate), inputRate * f * salt * cf);
        } else {
            grid.addSpan(start, grid.intervalsOfInfusion(infusionTime),
                         grid.infusionRate(dose, infusionTime) * salt * cf);
        }
    }
    return shape.steps;
}

int PkCalculator::doseTimeGridForSeries(double f, double salt, int doseCount,
                                        const QVector<double>& amounts,
                                        const QVector<double>& rates, const QVector<double>& times,
                                        const QVector<double>& factors)
{
    const int count =
        std::min({doseCount, amounts.size(), rates.size(), times.size(), factors.size()});
    if (!allFinite(f, salt))
        return -1;
    GridShape shape;
    if (!shapeGrid(times.isEmpty() ? 0.0 : times.last(), shape))
        return -1;
    GridWriter grid(m_session->phenytoinGrid, shape);
    if (count > 0 && !(m_session->phenytoinInputRate > 0.0))
        return -1;

    for (int i = 0; i < count; ++i) {
        grid.addSpan(times[i], grid.intervalsAtRate(amounts[i], m_session->phenytoinInputRate),
                     f * salt * rates[i] * factors[i]);
    }
    return shape.steps;
}

double PkCalculator::integrateGrid(int steps, double vmax, double km, double v, double c0,
                                   double t) const
{
    if (steps < 0 || !(v > 0.0 && km > 0.0) || !allFinite(vmax, c0, t))
        return pknum::kNotGiven;
    const std::vector<PhenytoinGridPoint>& grid = m_session->phenytoinGrid;
    const double vmaxPerHour = vmax / kHoursPerDay;
    double level = c0;
    for (int i = 1; i <= steps && grid[i].time < t; ++i) {
        level = michaelisMentenLevelStep(vmaxPerHour, km, v, grid[i - 1].rate, level,
                                         grid[i].time - grid[i - 1].time);
    }
    return checked(level);
}

double PkCalculator::phenytoinLevelFromDoseHistory(double vmax, double km, double v, double f,
                                                   double cf, double t)
{
    const double start = levelterms::originLevel(*m_session);
    return integrateGrid(doseTimeGridForFit(f, cf), vmax, km, v, start, t);
}

double PkCalculator::phenytoinLevelAtTime(double f, double v, double salt, double km, double vmax,
                                          double c0, double cf, double dose, double infusionTime,
                                          double route, double tau, double doseCount, double t)
{
    const int steps = doseTimeGridForLevel(f, salt, cf, dose, infusionTime, route, tau, doseCount);
    return integrateGrid(steps, vmax, km, v, c0, t);
}

double PkCalculator::phenytoinLevelSeries(double f, double salt, int doseCount,
                                          const QVector<double>& amounts,
                                          const QVector<double>& rates,
                                          const QVector<double>& times,
                                          const QVector<double>& factors, double vmax, double km,
                                          double v, double c0, double t)
{
    const int steps = doseTimeGridForSeries(f, salt, doseCount, amounts, rates, times, factors);
    return integrateGrid(steps, vmax, km, v, c0, t);
}
