#pragma once

#include "pkcore/SessionData.h"

// The longest dose history the session holds: 1000 doses of 200 every 6 h, one-hour infusions
// and oral doses alternating, the first half taken at home.
inline void fillAlternatingDoses(SessionData& s)
{
    auto& e = s.doseEvents;
    for (int i = 1; i <= pk::kMaxDoseEvents; ++i) {
        const bool infusion = i % 2 == 1;
        e[pk::eventTime][i] = (i - 1) * 6.0;
        e[pk::eventDose][i] = 200.0;
        e[pk::eventRouteCode][i] = infusion ? pk::kRouteCodeIntravenous : pk::kRouteCodeOther;
        e[pk::eventInOut][i] = i > pk::kMaxDoseEvents / 2 ? 0.0 : 1.0;
        e[pk::eventInfusionTime][i] = infusion ? 1.0 : -1.0;
        e[pk::eventRate][i] = infusion ? 200.0 : -200.0;
        e[pk::eventSalt][i] = 1.0;
        e[pk::eventRouteFactor][i] = 1.5;
    }
    s.doseEventCount = pk::kMaxDoseEvents;
}
