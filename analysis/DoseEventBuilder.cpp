#include "analysis/DoseEventBuilder.h"

#include "pkcore/DrugCodes.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

namespace
{
const QString kLithium = QStringLiteral("LI");
const QString kInPatientText = QStringLiteral("I");

bool isComplete(const DoseHistoryRow& row)
{
    return row.complete;
}
} // namespace

DoseEventBuilder::DoseEventBuilder(SessionData* session, DoseRows& doseRows,
                                   const LevelRows& levelRows)
    : m_session(session), m_doseRows(doseRows), m_levelRows(levelRows),
      m_priorSetIndex(pk::kPopulation), m_referenceDate(1, 1, 1)
{
}

bool DoseEventBuilder::isPhenytoin() const
{
    return m_session->patient.drugCode == QLatin1String(phenytoinCode);
}

bool DoseEventBuilder::isLithium() const
{
    return m_session->patient.drugCode == kLithium;
}

// An oral phenytoin dose is split into hourly portions; injections are single events.
bool DoseEventBuilder::isPhenytoinOral(const DoseHistoryRow& row) const
{
    return isPhenytoin() && !routeclass::isIntravenous(row.route) &&
           !routeclass::isIntramuscular(row.route);
}

double DoseEventBuilder::absoluteHour(const QDate& date, const QTime& time) const
{
    constexpr double minutesPerHour = 60.0;
    return m_referenceDate.daysTo(date) * pknum::kHoursPerDay + time.hour() +
           time.minute() / minutesPerHour;
}

// The indices of the rows taken, earliest first; rows of one moment by row number, as
// reopening the case gives them back.
std::vector<int> DoseEventBuilder::rowsInTimeOrder(bool (*taken)(const DoseHistoryRow&)) const
{
    std::vector<int> order;
    for (int i = 0; i < kDoseRowCount; ++i)
        if (taken(m_doseRows[i]))
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        const DoseHistoryRow& x = m_doseRows[a];
        const DoseHistoryRow& y = m_doseRows[b];
        return x.date < y.date || (x.date == y.date && x.time < y.time);
    });
    return order;
}

double DoseEventBuilder::lithiumAdjusted(double amount) const
{
    return isLithium() ? amount * kLithiumMeqPer300Mg / kLithiumReferenceMg : amount;
}

// ---- Prior choice ----

void DoseEventBuilder::choosePopulationPrior()
{
    m_priorSetIndex = pk::kPopulation;
    for (DoseHistoryRow& row : m_doseRows)
        if (!row.route.isEmpty() && m_populationF)
            row.routeF = m_populationF(row.route);
}

// A route without a custom entry keeps the F it had.
void DoseEventBuilder::chooseCustomPrior()
{
    m_priorSetIndex = pk::kCustom;
    for (DoseHistoryRow& row : m_doseRows) {
        if (row.route.isEmpty())
            continue;
        const int index = customRouteIndex(row.route);
        if (index >= 0 && index < m_session->routeF.size())
            row.routeF = m_session->routeF[index];
    }
}

int DoseEventBuilder::customRouteIndex(const QString& routeText) const
{
    return m_session->routeNames.indexOf(routeText);
}

// ---- Analysis ----

bool DoseEventBuilder::analyse()
{
    m_refusal = checkLimits();
    if (!m_refusal.isEmpty())
        return false;
    collectLastDoseSettings();
    countEventsAndLevels();
    prepareAnalysisData();
    computeMaxTime();
    return true;
}

// The events a row expands to, in doubles so that no history can overflow the count.
double DoseEventBuilder::eventsOf(const DoseHistoryRow& row) const
{
    const double doses = std::floor(row.numberOfDoses);
    if (isPhenytoinOral(row))
        return std::ceil(row.dose / m_session->phenytoinInputRate) * doses;
    return doses;
}

double DoseEventBuilder::countedEvents() const
{
    double count = 0.0;
    for (const DoseHistoryRow& row : m_doseRows) {
        if (isComplete(row))
            count += eventsOf(row);
    }
    return count;
}

void DoseEventBuilder::markRowsPastLimit()
{
    for (DoseHistoryRow& row : m_doseRows) {
        row.complete = isWholeRow(row);
        row.pastLimit = false;
    }
    double count = 0.0;
    bool past = false;
    for (int i : rowsInTimeOrder(isComplete)) {
        DoseHistoryRow& row = m_doseRows[i];
        const double events = eventsOf(row);
        past = past || !(count + events <= pk::kMaxDoseEvents);
        row.pastLimit = past;
        row.complete = !past;
        if (!past)
            count += events;
    }
}

QString DoseEventBuilder::pastLimitReason()
{
    return QStringLiteral("Up to this row the dose history gives more than %1 single doses, more "
                          "than the analysis can hold: the row is saved as typed but left out of "
                          "the analysis. Please enter fewer doses.")
        .arg(pk::kMaxDoseEvents);
}

QString DoseEventBuilder::unitRefusal() const
{
    const double unit = m_session->phenytoinInputRate;
    const bool unitUsable = std::isfinite(unit) && unit > 0.0;
    const bool needsUnit = std::any_of(m_doseRows.begin(), m_doseRows.end(), [&](const auto& row) {
        return isComplete(row) && isPhenytoinOral(row);
    });
    if (needsUnit && !unitUsable)
        return QStringLiteral("The amount of an oral phenytoin dose absorbed per hour is not set, "
                              "so the oral doses cannot be analysed.");
    return QString();
}

QString DoseEventBuilder::checkLimits() const
{
    const QString refusal = unitRefusal();
    if (!refusal.isEmpty())
        return refusal;
    const double count = countedEvents();
    if (!(count <= pk::kMaxDoseEvents))
        return QStringLiteral("The dose history gives more than %1 single doses, more than the "
                              "analysis can hold. Please enter fewer doses.")
            .arg(pk::kMaxDoseEvents);
    return QString();
}

// The prior's F is that of the last oral or intramuscular dose given; its range the smallest
// among those rows. Intravenous rows leave both as they are.
void DoseEventBuilder::collectLastDoseSettings()
{
    m_session->routeList.clear();
    PkParameterSet& prior = m_session->pkSets[m_priorSetIndex];
    const std::vector<int> order = rowsInTimeOrder(isComplete);
    for (auto i = order.rbegin(); i != order.rend(); ++i) {
        const DoseHistoryRow& row = m_doseRows[*i];
        if (!routeclass::isIntravenous(row.route)) {
            prior[pk::kF] = row.routeF;
            break;
        }
    }

    double smallestRange = kNoRangeYet;
    bool rangeFound = false;
    for (auto i = order.rbegin(); i != order.rend(); ++i) {
        const DoseHistoryRow& row = m_doseRows[*i];
        if (routeclass::isIntravenous(row.route))
            continue;
        if (row.routeF == prior[pk::kF])
            m_session->routeList.append(row.route);
        const double range = fRangeOf(row);
        if (std::isfinite(range) && range <= smallestRange) {
            smallestRange = range;
            rangeFound = true;
        }
    }
    if (!rangeFound)
        return;
    RangeBlock& ranges =
        m_priorSetIndex == pk::kPopulation ? m_session->populationRanges : m_session->customRanges;
    ranges[pk::kFitF] = smallestRange;
}

// The custom spread is looked up by route text in the same list the custom F comes from; a
// route without an entry gives no range (not a number).
double DoseEventBuilder::fRangeOf(const DoseHistoryRow& row) const
{
    if (m_priorSetIndex == pk::kPopulation)
        return m_populationFRange ? m_populationFRange(row.route) : std::nan("");
    const int index = customRouteIndex(row.route);
    if (index < 0 || index >= m_session->routeFsd.size())
        return std::nan("");
    return m_session->routeFsd[index];
}

void DoseEventBuilder::countEventsAndLevels()
{
    const double count = std::min(countedEvents(), double(pk::kMaxDoseEvents));
    m_session->doseEventCount = static_cast<int>(count);
    m_session->levelCount =
        static_cast<int>(std::count_if(m_levelRows.begin(), m_levelRows.end(),
                                       [](const SerumLevelRow& row) { return row.complete; }));
}

void DoseEventBuilder::prepareAnalysisData()
{
    double earliestDose = kNoTimeYet;
    for (const DoseHistoryRow& row : m_doseRows)
        if (isComplete(row))
            earliestDose = std::min(earliestDose, absoluteHour(row.date, row.time));
    double earliestLevel = kNoTimeYet;
    for (const SerumLevelRow& row : m_levelRows)
        if (row.complete)
            earliestLevel = std::min(earliestLevel, absoluteHour(row.date, row.time));
    m_session->timeOrigin = std::min(earliestDose, earliestLevel);

    if (isPhenytoin())
        fillDoseEventsPhenytoin();
    else
        fillDoseEvents();
    fillLevelObservations();
    sortDoseEvents();
}

void DoseEventBuilder::writeCommonEventFields(int j, const DoseHistoryRow& row)
{
    DoseEventTable& events = m_session->doseEvents;
    events[pk::eventInOut][j] = row.inOut == kInPatientText ? 0.0 : 1.0;
    events[pk::eventSalt][j] = row.saltFactor;
    events[pk::eventRouteFactor][j] = row.ka;
}

void DoseEventBuilder::fillDoseEvents()
{
    DoseEventTable& events = m_session->doseEvents;
    int j = 1;
    for (const DoseHistoryRow& row : m_doseRows) {
        if (!isComplete(row) || !(row.numberOfDoses >= 1.0))
            continue;
        const double t = absoluteHour(row.date, row.time);
        for (int k = 1; k <= row.numberOfDoses && j <= pk::kMaxDoseEvents; ++k, ++j) {
            events[pk::eventTime][j] = (k - 1) * row.interval + t - m_session->timeOrigin;
            events[pk::eventDose][j] = lithiumAdjusted(row.dose);
            events[pk::eventRouteCode][j] = routeclass::eventRouteCode(row.route);
            events[pk::eventInfusionTime][j] = row.infusionTime;
            events[pk::eventRate][j] =
                row.infusionTime == 0.0 ? 0.0 : lithiumAdjusted(row.dose / row.infusionTime);
            writeCommonEventFields(j, row);
        }
    }
}

// Oral phenytoin enters at a fixed amount per hour: each dose becomes hourly portions in
// consecutive whole hours, never sharing an hour with an earlier oral portion.
void DoseEventBuilder::fillDoseEventsPhenytoin()
{
    DoseEventTable& events = m_session->doseEvents;
    const double unit = m_session->phenytoinInputRate;
    int j = 1;
    for (const DoseHistoryRow& row : m_doseRows) {
        if (!isComplete(row) || !(row.numberOfDoses >= 1.0))
            continue;
        const double t = absoluteHour(row.date, row.time);
        for (int k = 1; k <= row.numberOfDoses && j <= pk::kMaxDoseEvents; ++k) {
            const double doseTime = (k - 1) * row.interval + t - m_session->timeOrigin;
            if (!isPhenytoinOral(row)) {
                events[pk::eventTime][j] = doseTime;
                events[pk::eventDose][j] = row.dose;
                events[pk::eventRouteCode][j] = routeclass::eventRouteCode(row.route);
                events[pk::eventInfusionTime][j] = row.infusionTime;
                events[pk::eventRate][j] =
                    row.infusionTime == 0.0 ? 0.0 : row.dose / row.infusionTime;
                writeCommonEventFields(j, row);
                ++j;
                continue;
            }
            // As many portions as the count foresaw, whatever the rounding of the remainder.
            const double portions = std::ceil(row.dose / unit);
            double remaining = row.dose;
            for (int q = 1; q <= portions && j <= pk::kMaxDoseEvents; ++q, ++j) {
                events[pk::eventRouteCode][j] = pk::kRouteCodeOther;
                events[pk::eventRate][j] = unit;
                events[pk::eventTime][j] = shiftPastOccupiedHour(j, doseTime);
                events[pk::eventDose][j] = remaining > unit ? unit : remaining;
                remaining -= unit;
                writeCommonEventFields(j, row);
            }
        }
    }
}

int DoseEventBuilder::shiftPastOccupiedHour(int j, double t) const
{
    const DoseEventTable& events = m_session->doseEvents;
    bool moved = true;
    while (moved) {
        moved = false;
        for (int i = 1; i < j; ++i) {
            if (events[pk::eventRouteCode][i] != pk::kRouteCodeOther)
                continue;
            const double sinceEvent = t - events[pk::eventTime][i];
            if (sinceEvent >= 0.0 && sinceEvent < 1.0) {
                t += 1.0;
                moved = true;
            }
        }
    }
    // An hour past what an int holds lies beyond every level: it stays the latest hour one
    // holds rather than wrapping round to a time before the first dose.
    constexpr int latest = std::numeric_limits<int>::max();
    constexpr int earliest = std::numeric_limits<int>::min();
    if (!(t < latest))
        return latest;
    if (!(t > earliest))
        return earliest;
    return static_cast<int>(t);
}

void DoseEventBuilder::fillLevelObservations()
{
    m_session->levelAgeReferenceTime = -1.0;
    int j = 1;
    for (const SerumLevelRow& row : m_levelRows) {
        if (!row.complete || j > pk::kMaxMeasuredLevels)
            continue;
        m_session->levelTimes[j] = absoluteHour(row.date, row.time) - m_session->timeOrigin;
        m_session->levelAgeReferenceTime =
            std::max(m_session->levelAgeReferenceTime, m_session->levelTimes[j]);
        m_session->levelValues[j] = row.level;
        ++j;
    }
}

// Ascending by time; equal times keep their expansion order (row, dose, portion).
void DoseEventBuilder::sortDoseEvents()
{
    DoseEventTable& events = m_session->doseEvents;
    const int eventCount = std::clamp(m_session->doseEventCount, 0, pk::kMaxDoseEvents);
    std::vector<int> order(eventCount);
    std::iota(order.begin(), order.end(), 1);
    const DoseEventColumn& times = events[pk::eventTime];
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return times[a] < times[b]; });
    for (int column = pk::eventTime; column < pk::kDoseEventColumns; ++column) {
        const DoseEventColumn original = events[column];
        for (int i = 0; i < eventCount; ++i)
            events[column][i + 1] = original[order[i]];
    }

    const int levelCount = std::clamp(m_session->levelCount, 0, pk::kMaxMeasuredLevels);
    std::vector<int> levelOrder(levelCount);
    std::iota(levelOrder.begin(), levelOrder.end(), 1);
    const LevelArray levelTimes = m_session->levelTimes;
    const LevelArray levelValues = m_session->levelValues;
    std::stable_sort(levelOrder.begin(), levelOrder.end(),
                     [&](int a, int b) { return levelTimes[a] < levelTimes[b]; });
    for (int i = 0; i < levelCount; ++i) {
        m_session->levelTimes[i + 1] = levelTimes[levelOrder[i]];
        m_session->levelValues[i + 1] = levelValues[levelOrder[i]];
    }
}

// The latest event or level, plus the interval of the first complete dose row.
void DoseEventBuilder::computeMaxTime()
{
    const int eventCount = std::clamp(m_session->doseEventCount, 0, pk::kMaxDoseEvents);
    m_maxTime = eventCount > 0 ? m_session->doseEvents[pk::eventTime][eventCount] : 0.0;
    const int levelCount = std::clamp(m_session->levelCount, 0, pk::kMaxMeasuredLevels);
    for (int i = 1; i <= levelCount; ++i)
        m_maxTime = std::max(m_maxTime, m_session->levelTimes[i]);
    const auto first = std::find_if(m_doseRows.begin(), m_doseRows.end(), isComplete);
    if (first != m_doseRows.end())
        m_maxTime += first->interval;
}
