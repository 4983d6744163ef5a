#pragma once

#include "pkcore/SessionData.h"

// One event of the session's dose table, as the analysis lays a dose history out.
struct DoseEvent {
    double time;
    double amount;
    int route;
    double infusionTime = 0.0;
    double salt = 1.0;
    double ka = 0.0;
    double inOut = 1.0; // out-patient: the compliance factor applies
};

// Appends the event; its rate is the amount over the infusion time, 0 for a dose not infused.
inline void addDoseEvent(SessionData& s, const DoseEvent& d)
{
    const int i = ++s.doseEventCount;
    auto& e = s.doseEvents;
    e[pk::eventTime][i] = d.time;
    e[pk::eventDose][i] = d.amount;
    e[pk::eventRouteCode][i] = d.route;
    e[pk::eventInOut][i] = d.inOut;
    e[pk::eventInfusionTime][i] = d.infusionTime;
    e[pk::eventRate][i] = d.infusionTime > 0.0 ? d.amount / d.infusionTime : 0.0;
    e[pk::eventSalt][i] = d.salt;
    e[pk::eventRouteFactor][i] = d.ka;
}
