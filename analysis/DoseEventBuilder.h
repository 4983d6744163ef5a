#pragma once

#include "analysis/DoseHistoryRow.h"

#include <QDate>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class SessionData;

using DoseRows = std::array<DoseHistoryRow, kDoseRowCount>;
using LevelRows = std::array<SerumLevelRow, kLevelRowCount>;

// The largest number of doses a row may hold; the entry window caps the typed number here.
constexpr double kMaxNumberOfDoses = 1000.0;

// Turns the complete dose and level rows of the dose-history window into the dose events and
// level observations of the session, on one time axis in hours from the earliest dose or level,
// each list ascending by time. It also sets the prior set's F and the range of that F from the
// oral and intramuscular rows: the F of the one given last in time, not the one lowest in the
// table, so a history typed out of order fits as it does when the case opens again with its rows
// in time order. Only complete rows take part; gaps between complete rows are allowed.
class DoseEventBuilder
{
public:
    // Start of the searches for the earliest time; also the time origin when no row is complete.
    static constexpr double kNoTimeYet = 563496672.0;
    // Lithium doses are entered in mg and levels measured in mEq/L.
    static constexpr double kLithiumMeqPer300Mg = 8.12;
    static constexpr double kLithiumReferenceMg = 300.0;
    // Start of the search for the smallest F range; means "no range found".
    static constexpr double kNoRangeYet = 99999.0;

    // Drug-catalogue look-ups for the case's drug: F of a route text and the relative range of
    // that F (DrugInfo::bioavailability and bioavailabilityRange).
    using RouteValue = std::function<double(const QString& routeText)>;

    DoseEventBuilder(SessionData* session, DoseRows& doseRows, const LevelRows& levelRows);

    void setPopulationF(RouteValue lookup) { m_populationF = std::move(lookup); }
    void setPopulationFRange(RouteValue lookup) { m_populationFRange = std::move(lookup); }

    // The parameter set used as prior: pk::kPopulation (at first) or pk::kCustom.
    int priorSetIndex() const { return m_priorSetIndex; }
    // Radio choices: switch the prior and refresh the F of every row that has a route text.
    void choosePopulationPrior();
    void chooseCustomPrior();

    // The whole analysis. Refuses, writing nothing, when the history does not fit the session's
    // tables or phenytoin oral doses cannot be split; refusal() then says why.
    bool analyse();
    QString refusal() const { return m_refusal; }
    // The end of the graph, hours from the time origin, after analyse().
    double maxTime() const { return m_maxTime; }

    // The rule the window applies as rows change, and so both as they are typed and as a stored
    // case opens: the rows that meet the row rule count their doses in time order, and the row
    // that takes the count past pk::kMaxDoseEvents and every row after it in time are past the
    // limit (DoseHistoryRow::pastLimit, not complete), so the analysis leaves out the last
    // rows in time however the rows came in.
    void markRowsPastLimit();
    // Why a row past the limit is left out.
    static QString pastLimitReason();
    // Why no oral phenytoin row can be analysed; empty when they can.
    QString unitRefusal() const;

    // Steps of analyse(), in its order.
    QString checkLimits() const;
    void collectLastDoseSettings();
    void countEventsAndLevels();
    void prepareAnalysisData();
    void fillDoseEvents();
    void fillDoseEventsPhenytoin();
    int shiftPastOccupiedHour(int j, double t) const;
    void fillLevelObservations();
    void sortDoseEvents();
    void computeMaxTime();

    // Hours from 00:00 of 1 January of year 1; seconds are ignored.
    double absoluteHour(const QDate& date, const QTime& time) const;

private:
    bool isPhenytoin() const;
    bool isLithium() const;
    bool isPhenytoinOral(const DoseHistoryRow& row) const;
    std::vector<int> rowsInTimeOrder(bool (*taken)(const DoseHistoryRow&)) const;
    double eventsOf(const DoseHistoryRow& row) const;
    double countedEvents() const;
    double fRangeOf(const DoseHistoryRow& row) const;
    int customRouteIndex(const QString& routeText) const;
    void writeCommonEventFields(int j, const DoseHistoryRow& row);
    double lithiumAdjusted(double amount) const;

    SessionData* m_session;
    DoseRows& m_doseRows;
    const LevelRows& m_levelRows;
    RouteValue m_populationF;
    RouteValue m_populationFRange;
    int m_priorSetIndex;
    QDate m_referenceDate;
    double m_maxTime = 0.0;
    QString m_refusal;
};
