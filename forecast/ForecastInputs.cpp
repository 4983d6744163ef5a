#include "forecast/ForecastInputs.h"

#include "forecast/ForecastText.h"
#include "pkcore/EntryLimits.h"
#include "pkcore/EntryReading.h"

namespace forecast
{
namespace
{
constexpr double kHoursPerDay = 24.0;

using Range = pk::EntryRange;
using Reading = pk::EntryReading;

constexpr Range kLevelRange{0.0, false, pk::kMostLevel};
constexpr Range kDoseRange{0.0, false, pk::kMostDose};
constexpr Range kPostTimeRange{0.0, true, pk::kMostHours};
constexpr Range kIntervalRange{pk::kShortestInterval, true, pk::kMostHours};
constexpr Range kInfusionRange{pk::kShortestInfusion, true, pk::kMostHours};
constexpr Range kClockRange{0.0, true, kHoursPerDay};

constexpr std::array<Range, kRegimenFieldCount> kRegimenRanges = {
    kInfusionRange, kLevelRange, kPostTimeRange, kLevelRange, kLevelRange, kLevelRange};
constexpr std::array<Range, kLevelFieldCount> kLevelRanges = {
    kDoseRange, kIntervalRange, kInfusionRange, kPostTimeRange, kDoseRange};

template <std::size_t N>
std::array<Reading, N> readAsked(const std::array<bool, N>& asked,
                                 const std::array<QString, N>& texts,
                                 const std::array<Range, N>& ranges)
{
    std::array<Reading, N> readings;
    for (std::size_t i = 0; i < N; ++i) {
        if (asked[i])
            readings[i] = pk::readEntry(texts[i], ranges[i]);
    }
    return readings;
}

// Refuses field `low` when both are accepted and it is not below `high`.
template <std::size_t N>
void requireBelow(std::array<Reading, N>& r, std::size_t low, std::size_t high,
                  const QString& refusal)
{
    if (r[low].accepted() && r[high].accepted() && !(r[low].value < r[high].value))
        r[low].refusal = refusal;
}

template <std::size_t N>
bool allAccepted(const std::array<bool, N>& asked, const std::array<Reading, N>& r)
{
    for (std::size_t i = 0; i < N; ++i)
        if (asked[i] && !r[i].accepted())
            return false;
    return true;
}

template <std::size_t N> std::array<QString, N> refusalsOf(const std::array<Reading, N>& r)
{
    std::array<QString, N> out;
    for (std::size_t i = 0; i < N; ++i)
        out[i] = r[i].refusal;
    return out;
}
} // namespace

std::array<bool, kRegimenFieldCount> regimenFieldsOf(const RouteModel& route)
{
    std::array<bool, kRegimenFieldCount> asked{};
    if (route.letter == pk::kLetterIntermittentIv) {
        asked[kDesiredInfusionTime] = asked[kDesiredPostLevel] = asked[kDesiredPostTime] = true;
        asked[kDesiredTrough] = true;
    } else if (route.isOralOrIm()) {
        asked[kDesiredPeak] = asked[kDesiredTrough] = true;
    } else if (route.letter == pk::kLetterContinuousIv) {
        asked[kDesiredAverage] = true;
    }
    return asked;
}

std::array<bool, kLevelFieldCount> levelFieldsOf(const RouteModel& route, bool uneven)
{
    std::array<bool, kLevelFieldCount> asked{};
    const bool infusion = route.letter == pk::kLetterIntermittentIv;
    if (route.letter == pk::kLetterContinuousIv) {
        asked[kRate] = true;
        return asked;
    }
    if (!infusion && !route.isOralOrIm())
        return asked;
    asked[kDose] = asked[kInterval] = !uneven;
    asked[kInfusionTime] = infusion;
    asked[kPostTime] = infusion && !uneven;
    return asked;
}

RegimenEntry readRegimenEntry(const RouteModel& route,
                              const std::array<QString, kRegimenFieldCount>& texts)
{
    const auto asked = regimenFieldsOf(route);
    std::array<Reading, kRegimenFieldCount> r = readAsked(asked, texts, kRegimenRanges);
    if (asked[kDesiredPeak])
        requireBelow(r, kDesiredTrough, kDesiredPeak,
                     tr("The desired trough must be below the desired peak."));
    if (asked[kDesiredPostLevel])
        requireBelow(r, kDesiredTrough, kDesiredPostLevel,
                     tr("The desired trough must be below the desired post level."));

    RegimenEntry entry;
    entry.refusals = refusalsOf(r);
    entry.complete = allAccepted(asked, r) && route.letter != 0;
    RegimenTargets& t = entry.targets;
    t.infusionTime = r[kDesiredInfusionTime].value;
    t.postLevel = r[kDesiredPostLevel].value;
    t.postTime = r[kDesiredPostTime].value;
    t.trough = r[kDesiredTrough].value;
    t.peak = r[kDesiredPeak].value;
    t.average = r[kDesiredAverage].value;
    return entry;
}

LevelEntry readLevelEntry(const RouteModel& route, bool uneven,
                          const std::array<QString, kLevelFieldCount>& texts,
                          const QVector<DayRowText>& dayRows)
{
    const auto asked = levelFieldsOf(route, uneven);
    std::array<Reading, kLevelFieldCount> r = readAsked(asked, texts, kLevelRanges);
    // The post time may be left out: the forecast then gives no post level.
    if (asked[kPostTime] && !r[kPostTime].filled) {
        r[kPostTime].filled = true;
        r[kPostTime].value = kNoResult;
    }
    if (!uneven)
        requireBelow(r, kInfusionTime, kInterval,
                     tr("The infusion time must be shorter than the interval."));
    else if (r[kInfusionTime].accepted() && !(r[kInfusionTime].value < kHoursPerDay))
        r[kInfusionTime].refusal = tr("The infusion time must be shorter than a day.");

    LevelEntry entry;
    entry.refusals = refusalsOf(r);
    entry.complete = allAccepted(asked, r) && route.letter != 0;
    LevelRegimen& g = entry.regimen;
    g.dose = r[kDose].value;
    g.interval = r[kInterval].value;
    g.infusionTime = r[kInfusionTime].value;
    g.postTime = r[kPostTime].value;
    g.rate = r[kRate].value;
    g.uneven = uneven;

    entry.dayRefusals.resize(dayRows.size());
    if (!uneven)
        return entry;
    for (int i = 0; i < dayRows.size(); ++i) {
        Reading hour = pk::readEntry(dayRows[i].clockHour, kClockRange);
        const Reading dose = pk::readEntry(dayRows[i].dose, kDoseRange);
        if (hour.filled && !hour.accepted())
            hour.refusal = tr("Enter a clock time from 0 to 24 hours.");
        entry.dayRefusals[i] = {hour.refusal, dose.refusal};
        if (!hour.filled && !dose.filled)
            continue;
        if (hour.accepted() && dose.accepted())
            g.day.append({hour.value, dose.value});
        else
            entry.complete = false;
    }
    entry.complete = entry.complete && !g.day.isEmpty();
    return entry;
}
} // namespace forecast
