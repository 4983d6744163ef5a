#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

// Shared by the formula files: a quiet NaN travels through a computation as "cannot be
// computed" and becomes the program's not-given value only at the public boundary.
namespace pknum
{
constexpr double kNotGiven = -1.0;
constexpr double kHoursPerDay = 24.0;

// Hours above a minimum inhibitory concentration are counted per 24 h where the doses come at
// least daily and per interval where they come less often.
inline double perDayOrInterval(double hours, double tau)
{
    return tau <= kHoursPerDay ? hours / tau * kHoursPerDay : hours;
}

// A level above the MIC all the time, in the same unit: the whole day, or the whole interval
// where it is longer.
inline double wholeDayOrInterval(double tau)
{
    return tau <= kHoursPerDay ? kHoursPerDay : tau;
}

inline double invalid()
{
    return std::numeric_limits<double>::quiet_NaN();
}

inline double checked(double value)
{
    return std::isfinite(value) ? value : kNotGiven;
}

inline bool allFinite()
{
    return true;
}

template <typename... Rest> bool allFinite(double first, Rest... rest)
{
    return std::isfinite(first) && allFinite(rest...);
}

inline bool positiveVolumeAndClearance(double v, double cl)
{
    return v > 0.0 && cl > 0.0 && std::isfinite(v) && std::isfinite(cl);
}

// The body surface area (m2) clearances are scaled to.
constexpr double kStandardBsa = 1.73;

// Haycock body surface area (m2) from kg and cm; NaN without a positive weight and height.
inline double rawBsa(double weightKg, double heightCm)
{
    constexpr double kHaycockFactor = 0.024265;
    constexpr double kHaycockWeightExponent = 0.5378;
    constexpr double kHaycockHeightExponent = 0.3964;
    if (!(weightKg > 0.0 && heightCm > 0.0))
        return invalid();
    return std::exp(std::log(weightKg) * kHaycockWeightExponent) *
           std::exp(std::log(heightCm) * kHaycockHeightExponent) * kHaycockFactor;
}

// Values read twice from the same place are the same when each is; one that is not a number
// matches another that is not one, so an unset value does not read as a change.
template <std::size_t N>
bool sameValues(const std::array<double, N>& a, const std::array<double, N>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), [](double x, double y) {
        return x == y || (std::isnan(x) && std::isnan(y));
    });
}
} // namespace pknum
