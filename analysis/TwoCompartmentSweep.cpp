#include "analysis/TwoCompartmentSweep.h"

#include "analysis/AscendingSweep.h"

#include "pkcore/LevelTerms.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"
#include "pkcore/TwoCompModel.h"

#include <algorithm>
#include <cmath>

using pknum::kNotGiven;

void TwoCompartmentSweep::levels(double cl, double vBeta, double cf, const double* times,
                                 const int* order, int count, double* levels)
{
    const TwoCompModel model =
        modelFromClearance(cl, vBeta, m_session->twoCompCentralVolume, m_session->twoCompK21);
    if (!(model.valid() && std::isfinite(cf))) {
        std::fill(levels, levels + count, kNotGiven);
        return;
    }
    const double alpha = model.alpha;
    const double beta = model.beta;
    const double alphaWeight = model.alphaWeight();
    const double betaWeight = model.betaWeight();
    const DoseEventTable& events = m_session->doseEvents;
    const int eventCount = std::clamp(m_session->doseEventCount, 0, pk::kMaxDoseEvents);
    const bool startLevel = levelterms::hasOriginLevel(*m_session);

    m_running.clear();
    // The shares of the ended infusions in each phase, as they stand at the last time.
    double alphaPart = 0.0;
    double betaPart = 0.0;
    double compliance = cf;
    int next = 1;
    const auto addEnded = [&](double rate, double duration, double t, double end) {
        alphaPart += rate * alphaWeight * TwoCompModel::phaseChange(alpha, duration, t - end);
        betaPart += rate * betaWeight * TwoCompModel::phaseChange(beta, duration, t - end);
    };
    const auto decay = [&](double dt) {
        alphaPart *= std::exp(-alpha * dt);
        betaPart *= std::exp(-beta * dt);
    };
    const auto levelAt = [&](double t) {
        for (auto it = m_running.begin(); it != m_running.end();) {
            if (!(t < it->end)) {
                addEnded(it->rate, it->duration, t, it->end);
                it = m_running.erase(it);
            } else {
                ++it;
            }
        }
        for (; next <= eventCount && !(events[pk::eventTime][next] > t); ++next) {
            const int i = next;
            const double start = events[pk::eventTime][i];
            compliance = levelterms::complianceFrom(events, i, compliance);
            const double rate = events[pk::eventRate][i] * events[pk::eventSalt][i] * compliance;
            const double duration = events[pk::eventInfusionTime][i];
            const double end = start + duration;
            // As in the calculator, an infusion counts as ended unless t lies before its end.
            if (t < end)
                m_running.push_back({start, end, duration, rate});
            else
                addEnded(rate, duration, t, end);
        }

        double level = alphaPart + betaPart;
        for (const RunningInfusion& infusion : m_running) {
            const double since = t - infusion.start;
            level += infusion.rate * (alphaWeight * std::expm1(-alpha * since) +
                                      betaWeight * std::expm1(-beta * since));
        }
        if (startLevel)
            level += std::exp(-beta * t) * m_session->levelValues[1];
        return pknum::checked(level);
    };
    sweepAscending(times, order, count, levels, decay, levelAt);
}
