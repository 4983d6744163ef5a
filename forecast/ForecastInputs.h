#pragma once

#include "forecast/LevelForecast.h"
#include "forecast/RegimenDesign.h"

#include <QString>
#include <QVector>

#include <array>

// The entry fields of the two forecast windows read as numbers. A field the route does not ask
// for is ignored; an empty field is not refused, it only leaves the entry incomplete. Nothing
// is computed unless the entry is complete.
namespace forecast
{
enum RegimenField {
    kDesiredInfusionTime,
    kDesiredPostLevel,
    kDesiredPostTime,
    kDesiredTrough,
    kDesiredPeak,
    kDesiredAverage,
    kRegimenFieldCount
};

enum LevelField { kDose, kInterval, kInfusionTime, kPostTime, kRate, kLevelFieldCount };

// The fields a route asks for.
std::array<bool, kRegimenFieldCount> regimenFieldsOf(const RouteModel& route);
std::array<bool, kLevelFieldCount> levelFieldsOf(const RouteModel& route, bool uneven);

struct RegimenEntry {
    RegimenTargets targets;
    std::array<QString, kRegimenFieldCount> refusals; // empty where accepted
    bool complete = false;
};

RegimenEntry readRegimenEntry(const RouteModel& route,
                              const std::array<QString, kRegimenFieldCount>& texts);

// One row of the day's doses: clock time (h) and dose. A row left empty is no dose.
struct DayRowText {
    QString clockHour;
    QString dose;
};

struct LevelEntry {
    LevelRegimen regimen;
    std::array<QString, kLevelFieldCount> refusals;
    QVector<DayRowText> dayRefusals; // per row: clock time, dose
    bool complete = false;
};

LevelEntry readLevelEntry(const RouteModel& route, bool uneven,
                          const std::array<QString, kLevelFieldCount>& texts,
                          const QVector<DayRowText>& dayRows);
} // namespace forecast
