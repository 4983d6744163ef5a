#pragma once

#include "forecast/ForecastModel.h"

#include <QString>

class PkCalculator;

namespace forecast
{
struct RegimenTargets;

// The amount reaching the blood per dose (computing unit) and the interval (h).
struct TwoCompRegimen {
    bool found = false;
    QString reason; // why there is none
    double amount = kNoResult;
    double interval = kNoResult;
};

// The intermittent-infusion regimen whose exact two-compartment steady state, the one the level
// forecast shows, holds the desired trough at the end of the interval and the desired post level
// postTime hours after the end of the infusion. The search starts from `estimate` (an interval
// from a quicker method; ignored when outside the span searched) and never goes past
// `longestInterval`.
TwoCompRegimen exactTwoCompRegimen(const PkCalculator& calculator, const SetParameters& set,
                                   const RegimenTargets& targets, double estimate,
                                   double longestInterval);
} // namespace forecast
