#include "analysis/OneCompartmentSweep.h"

#include "analysis/AscendingSweep.h"

#include "pkcore/AbsorptionTerms.h"
#include "pkcore/LevelTerms.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"

#include <algorithm>
#include <cmath>

using pknum::kNotGiven;

OneCompartmentSweep::AbsorptionSum& OneCompartmentSweep::absorptionSum(double ka)
{
    for (AbsorptionSum& sum : m_absorption)
        if (sum.ka == ka)
            return sum;
    m_absorption.push_back({ka, 0.0, 0.0});
    return m_absorption.back();
}

void OneCompartmentSweep::levels(double cl, double v, double f, double cf, const double* times,
                                 const int* order, int count, double* levels)
{
    if (!(pknum::positiveVolumeAndClearance(v, cl) && std::isfinite(f) && std::isfinite(cf))) {
        std::fill(levels, levels + count, kNotGiven);
        return;
    }
    const double k = cl / v;
    const DoseEventTable& events = m_session->doseEvents;
    const int eventCount = std::clamp(m_session->doseEventCount, 0, pk::kMaxDoseEvents);
    const bool startLevel = levelterms::hasOriginLevel(*m_session);

    m_absorption.clear();
    m_running.clear();
    double elimination = 0.0; // shares decaying at k, as they stand at the last time
    double compliance = cf;
    int next = 1;
    const auto decay = [&](double dt) {
        const double kept = std::exp(-k * dt);
        elimination *= kept;
        // Each dose's level grows by what its unabsorbed part adds over dt: shape(t + dt) =
        // e^-k.dt shape(t) + shape(dt) e^-ka.t, every term of one sign.
        for (AbsorptionSum& sum : m_absorption) {
            const double keptAtKa = std::exp(-sum.ka * dt);
            const double shape =
                absorption::shapeFromDecays(std::fabs(sum.ka - k), dt, kept, keptAtKa);
            sum.level = kept * sum.level + shape * sum.unabsorbed;
            sum.unabsorbed *= keptAtKa;
        }
    };
    const auto levelAt = [&](double t) {
        for (auto it = m_running.begin(); it != m_running.end();) {
            if (t >= it->end) {
                elimination +=
                    levelterms::endedInfusionShare(k, it->duration, it->rateTerm, t, it->end);
                it = m_running.erase(it);
            } else {
                ++it;
            }
        }
        for (; next <= eventCount && !(events[pk::eventTime][next] > t); ++next) {
            const int i = next;
            const double start = events[pk::eventTime][i];
            compliance = levelterms::complianceFrom(events, i, compliance);
            const double salt = events[pk::eventSalt][i];
            const double route = events[pk::eventRouteCode][i];
            const double elapsed = t - start;
            if (route == pk::kRouteCodeIntravenous) {
                const double duration = events[pk::eventInfusionTime][i];
                if (duration > 0.0) {
                    const double rateTerm = levelterms::infusionRateTerm(
                        salt, compliance, events[pk::eventRate][i], cl);
                    const double end = start + duration;
                    if (t >= end)
                        elimination +=
                            levelterms::endedInfusionShare(k, duration, rateTerm, t, end);
                    else
                        m_running.push_back({start, end, duration, rateTerm});
                } else {
                    elimination += levelterms::bolusShare(k, elapsed, salt, compliance,
                                                          events[pk::eventDose][i], v);
                }
                continue;
            }
            const double ka = events[pk::eventRouteFactor][i];
            const double bioavailability = route == pk::kRouteCodeOther ? f : 1.0;
            const double amount = bioavailability * salt * compliance * events[pk::eventDose][i];
            const double perVolume = amount * ka / v;
            const double leftAtKa = std::exp(-ka * elapsed);
            AbsorptionSum& sum = absorptionSum(ka);
            sum.level += perVolume * absorption::shapeFromDecays(std::fabs(ka - k), elapsed,
                                                                 std::exp(-k * elapsed), leftAtKa);
            sum.unabsorbed += perVolume * leftAtKa;
        }

        double level = elimination;
        for (const AbsorptionSum& sum : m_absorption)
            level += sum.level;
        for (const RunningInfusion& infusion : m_running)
            level += levelterms::runningInfusionShare(k, infusion.rateTerm, t, infusion.start);
        if (startLevel)
            level += std::exp(-k * t) * m_session->levelValues[1];
        return pknum::checked(level);
    };
    sweepAscending(times, order, count, levels, decay, levelAt);
}
