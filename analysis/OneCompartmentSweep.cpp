#include "analysis/OneCompartmentSweep.h"

#include "pkcore/SessionData.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kNotGiven = -1.0;
// Where ka equals k the absorption term divides by zero; the calculator moves ka by this much.
constexpr double kKaNudge = 0.0001;

bool positive(double value)
{
    return value > 0.0 && std::isfinite(value);
}
} // namespace

OneCompartmentSweep::AbsorptionSum& OneCompartmentSweep::absorptionSum(double ka)
{
    for (AbsorptionSum& sum : m_absorption)
        if (sum.ka == ka)
            return sum;
    m_absorption.push_back({ka, 0.0});
    return m_absorption.back();
}

void OneCompartmentSweep::levels(double cl, double v, double f, double cf, const double* times,
                                 const int* order, int count, double* levels)
{
    if (!(positive(v) && positive(cl) && std::isfinite(f) && std::isfinite(cf))) {
        std::fill(levels, levels + count, kNotGiven);
        return;
    }
    const double k = cl / v;
    DoseEventTable& events = m_session->doseEvents;
    const int eventCount = std::clamp(m_session->doseEventCount, 0, pk::kMaxDoseEvents);
    const bool startLevel = m_session->levelCount > 0 && m_session->levelTimes[1] == 0.0;

    m_absorption.clear();
    m_running.clear();
    double elimination = 0.0; // shares decaying at k, as they stand at `anchor`
    double anchor = 0.0;
    bool anchored = false;
    double compliance = cf;
    int next = 1;
    for (int n = 0; n < count; ++n) {
        const int q = order[n];
        const double t = times[q];
        if (!std::isfinite(t)) {
            levels[q] = kNotGiven;
            continue;
        }
        if (!anchored) {
            anchor = t;
            anchored = true;
        }
        if (t != anchor) {
            elimination *= std::exp(-k * (t - anchor));
            for (AbsorptionSum& sum : m_absorption)
                sum.sum *= std::exp(-sum.ka * (t - anchor));
            anchor = t;
        }
        for (auto it = m_running.begin(); it != m_running.end();) {
            if (t >= it->end) {
                elimination += (1.0 - std::exp(-k * it->duration)) * it->rateTerm *
                               std::exp(-k * (t - it->end));
                it = m_running.erase(it);
            } else {
                ++it;
            }
        }
        for (; next <= eventCount && !(events[pk::eventTime][next] > t); ++next) {
            const int i = next;
            const double start = events[pk::eventTime][i];
            if (events[pk::eventInOut][i] == pk::kInPatient)
                compliance = 1.0;
            const double salt = events[pk::eventSalt][i];
            const double route = events[pk::eventRouteCode][i];
            const double elapsed = t - start;
            if (route == pk::kRouteCodeIntravenous) {
                const double duration = events[pk::eventInfusionTime][i];
                if (duration > 0.0) {
                    const double rateTerm = salt * compliance * events[pk::eventRate][i] / cl;
                    const double end = start + duration;
                    if (t >= end)
                        elimination +=
                            (1.0 - std::exp(-k * duration)) * rateTerm * std::exp(-k * (t - end));
                    else
                        m_running.push_back({start, end, duration, rateTerm});
                } else {
                    elimination +=
                        std::exp(-k * elapsed) * salt * compliance * events[pk::eventDose][i] / v;
                }
                continue;
            }
            double& ka = events[pk::eventRouteFactor][i];
            if (ka == k)
                ka += kKaNudge;
            const double bioavailability = route == pk::kRouteCodeOther ? f : 1.0;
            const double share = ka * bioavailability * salt * compliance *
                                 events[pk::eventDose][i] / ((ka - k) * v);
            elimination += share * std::exp(-k * elapsed);
            absorptionSum(ka).sum -= share * std::exp(-ka * elapsed);
        }

        double level = elimination;
        for (const AbsorptionSum& sum : m_absorption)
            level += sum.sum;
        for (const RunningInfusion& infusion : m_running)
            level += (1.0 - std::exp(-k * (t - infusion.start))) * infusion.rateTerm;
        if (startLevel)
            level += std::exp(-k * t) * m_session->levelValues[1];
        levels[q] = std::isfinite(level) ? level : kNotGiven;
    }
}
