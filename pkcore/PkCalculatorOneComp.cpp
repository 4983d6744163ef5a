#include "pkcore/AbsorptionTerms.h"
#include "pkcore/LevelTerms.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"

#include <algorithm>
#include <cmath>

using pknum::allFinite;
using pknum::checked;
using pknum::invalid;
using pknum::kHoursPerDay;
using pknum::positiveVolumeAndClearance;

namespace
{
// A regimen series sums one term per dose; beyond this many doses the request is not a regimen.
constexpr double kMaxSeriesDoses = 1.0e6;

double rawOralPeakTime(double ka, double k, double tau, double lagTime)
{
    if (!(ka > 0.0 && k > 0.0 && tau > 0.0 && std::isfinite(lagTime)))
        return invalid();
    return absorption::steadyStatePeakTime(k, ka, tau) + lagTime;
}
} // namespace

double concentrationAfterDecay(double cl, double v, double c0, double t)
{
    if (!(v > 0.0))
        return pknum::kNotGiven;
    return checked(c0 * std::exp(-cl * t / v));
}

double logSlope(double a, double b)
{
    if (!(a / b > 0.0))
        return pknum::kNotGiven;
    return checked(absorption::singleDosePeakTime(b, a));
}

double minOf(double a, double b)
{
    return a < b ? a : b;
}

double PkCalculator::infusionSteadyStatePeak(double salt, double f, double dose,
                                             double infusionTime, double tau, double cl, double v,
                                             double timeSinceStart) const
{
    if (!(infusionTime > 0.0 && tau > 0.0 && positiveVolumeAndClearance(v, cl)))
        return pknum::kNotGiven;
    const double k = cl / v;
    return checked((dose / infusionTime) * salt * f * (1.0 - std::exp(-k * timeSinceStart)) /
                   (cl * (1.0 - std::exp(-k * tau))));
}

double PkCalculator::infusionDoseForTarget(double targetPeak, double infusionTime, double cl,
                                           double currentLevel, double v, double salt,
                                           double f) const
{
    if (!(infusionTime > 0.0 && positiveVolumeAndClearance(v, cl) && salt * f != 0.0))
        return pknum::kNotGiven;
    const double decay = std::exp(-(cl / v) * infusionTime);
    return checked((targetPeak - decay * currentLevel) * infusionTime * cl /
                   ((1.0 - decay) * salt * f));
}

double PkCalculator::oralSteadyStateLevel(double ka, double dose, double salt, double f, double v,
                                          double cl, double tau, double t) const
{
    if (!(ka > 0.0 && tau > 0.0 && positiveVolumeAndClearance(v, cl)))
        return pknum::kNotGiven;
    const double k = cl / v;
    return checked(dose * salt * f * ka / v * absorption::steadyStateShape(k, ka, tau, t));
}

double PkCalculator::oralPeakTime(double ka, double k, double tau) const
{
    return checked(rawOralPeakTime(ka, k, tau, m_session->lagTime));
}

double PkCalculator::oralSteadyStatePeak(double ka, double dose, double salt, double f, double v,
                                         double cl, double tau) const
{
    if (!positiveVolumeAndClearance(v, cl))
        return pknum::kNotGiven;
    const double k = cl / v;
    // A lag shifts the curve in time, not down: the peak's level is that of the curve without it.
    const double peakTime = rawOralPeakTime(ka, k, tau, 0.0);
    return checked(std::exp(-k * peakTime) * dose * salt * f / ((1.0 - std::exp(-k * tau)) * v));
}

double PkCalculator::oralDoseForPeak(double ka, double salt, double f, double targetPeak, double v,
                                     double cl, double tau) const
{
    if (!(positiveVolumeAndClearance(v, cl) && salt * f != 0.0))
        return pknum::kNotGiven;
    const double k = cl / v;
    const double peakTime = rawOralPeakTime(ka, k, tau, 0.0);
    return checked(targetPeak * v * (1.0 - std::exp(-k * tau)) /
                   (std::exp(-k * peakTime) * salt * f));
}

double PkCalculator::oralDoseForPeakTrough(double targetPeak, double cl, double targetTrough,
                                           double v, double ka, double salt, double f) const
{
    if (!(ka > 0.0 && positiveVolumeAndClearance(v, cl) && salt * f != 0.0))
        return pknum::kNotGiven;
    const double k = cl / v;
    const double peakTime = absorption::singleDosePeakTime(k, ka);
    return checked((targetPeak - targetTrough) * v /
                   (absorption::shape(k, ka, peakTime) * salt * f * ka));
}

double PkCalculator::hoursAboveMic(double trough, double mic, double peak, double infusionTime,
                                   double tau, double cl, double v) const
{
    if (!allFinite(trough, mic, peak, infusionTime))
        return pknum::kNotGiven;
    if (trough >= mic)
        return checked(pknum::wholeDayOrInterval(tau));
    if (mic >= peak)
        return 0.0;
    if (!(mic > 0.0 && tau > 0.0 && positiveVolumeAndClearance(v, cl)))
        return pknum::kNotGiven;
    const double k = cl / v;
    const double belowDuringInfusion =
        std::max(0.0, (mic - trough) / (peak - trough) * infusionTime);
    const double aboveAfterInfusion = std::log(peak / mic) / k;
    const double hours = aboveAfterInfusion + infusionTime - belowDuringInfusion;
    return checked(pknum::perDayOrInterval(hours, tau));
}

double PkCalculator::auc24ToMic(double cl, double tau, double mic, double dose, double salt,
                                double f, double cf) const
{
    if (!(cl > 0.0 && tau > 0.0 && mic > 0.0))
        return pknum::kNotGiven;
    return checked(dose * salt * f * cf * (kHoursPerDay / tau) / cl / mic);
}

double PkCalculator::levelFromDoseHistory(double cl, double v, double f, double cf, double t)
{
    if (!(positiveVolumeAndClearance(v, cl) && allFinite(f, cf, t)))
        return pknum::kNotGiven;
    const double k = cl / v;
    const DoseEventTable& events = m_session->doseEvents;
    double level = levelterms::sumOverGivenDoses(
        *m_session, cf, t, [&](int i, double start, double compliance) {
            const double salt = events[pk::eventSalt][i];
            const double route = events[pk::eventRouteCode][i];
            const double elapsed = t - start;
            if (route == pk::kRouteCodeIntravenous) {
                const double infusionTime = events[pk::eventInfusionTime][i];
                if (infusionTime > 0.0) {
                    const double rateTerm = levelterms::infusionRateTerm(
                        salt, compliance, events[pk::eventRate][i], cl);
                    return levelterms::infusionShare(k, infusionTime, rateTerm, t, start);
                }
                return levelterms::bolusShare(k, elapsed, salt, compliance,
                                              events[pk::eventDose][i], v);
            }
            const double ka = events[pk::eventRouteFactor][i];
            const double bioavailability = route == pk::kRouteCodeOther ? f : 1.0;
            return levelterms::absorptionShare(
                k, ka, elapsed, bioavailability * salt * compliance * events[pk::eventDose][i], v);
        });
    if (levelterms::hasOriginLevel(*m_session))
        level += std::exp(-k * t) * m_session->levelValues[1];
    return checked(level);
}

double PkCalculator::levelSeriesFromDoseHistory(double f, double v, double cl, double dose,
                                                double c0, double salt, double tau, double route,
                                                double infusionTime, double cf, double ka,
                                                double t) const
{
    // An interval of 0 would put every dose at time 0 and never end the series.
    if (!(tau > 0.0 && positiveVolumeAndClearance(v, cl)))
        return pknum::kNotGiven;
    if (!allFinite(f, dose, c0, salt, route, infusionTime, cf, ka, t) || t / tau > kMaxSeriesDoses)
        return pknum::kNotGiven;
    const double k = cl / v;

    double sum = 0.0;
    for (int j = 0; j * tau <= t && j < t / tau; ++j) {
        const double doseTime = j * tau;
        const double elapsed = t - doseTime;
        if (route != pk::kRouteCodeIntravenous) {
            const double factor = route == pk::kRouteCodeOther ? f * cf : cf;
            sum += levelterms::absorptionShare(k, ka, elapsed, dose * salt * factor, v);
        } else if (infusionTime > 0.0) {
            const double rateTerm = f * cf * dose * (salt / infusionTime) / cl;
            sum += levelterms::infusionShare(k, infusionTime, rateTerm, t, doseTime);
        } else {
            sum += levelterms::bolusShare(k, elapsed, salt, cf, dose, v);
        }
    }
    return checked(c0 * std::exp(-k * t) + sum);
}
