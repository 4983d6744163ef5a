#include "analysis/FitReadiness.h"

#include "analysis/LevelPredictor.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cmath>

namespace
{
QString text(const char* source)
{
    return QCoreApplication::translate("FitReadiness", source);
}

bool positiveNumber(double value)
{
    return std::isfinite(value) && value > 0.0;
}

constexpr const char* kVolume = QT_TRANSLATE_NOOP("FitReadiness", "volume of distribution");

struct ModelParameter {
    int slot;
    const char* name;
};
} // namespace

FitReadiness::FitReadiness(const SessionData& session, PkCalculator& calculator,
                           LevelPredictor& predictor)
    : m_session(session), m_calculator(calculator), m_predictor(predictor)
{
}

QString FitReadiness::refusal(int priorSetIndex)
{
    for (const QString& reason :
         {historyRefusal(), doseRefusal(), levelModelRefusal(), priorRefusal(priorSetIndex),
          twoCompartmentRefusal(priorSetIndex)})
        if (!reason.isEmpty())
            return reason;
    return predictionRefusal(priorSetIndex);
}

bool FitReadiness::predictionFailed(double level)
{
    return !std::isfinite(level) || level <= pknum::kNotGiven;
}

QString FitReadiness::historyRefusal() const
{
    if (m_session.modelType != pk::kModelMichaelisMenten)
        return {};
    const double span = m_calculator.phenytoinHistorySpan();
    if (span <= pk::kPhenytoinLongestSpanHours)
        return {};
    return text("The dose history and levels span %1 hours, longer than the %2 hours the "
                "phenytoin model can follow; analyse the recent part of the history.")
        .arg(QString::number(span, 'f', 0))
        .arg(QString::number(pk::kPhenytoinLongestSpanHours, 'f', 0));
}

QString FitReadiness::doseRefusal() const
{
    const DoseEventTable& events = m_session.doseEvents;
    const int count = std::clamp(m_session.doseEventCount, 0, pk::kMaxDoseEvents);
    // Without a dose nothing ties the levels to a volume: a fit would invent one.
    if (count == 0 && m_session.levelCount > 0)
        return text("The dose history holds no dose, so the levels cannot be fitted; enter the "
                    "doses given before them.");
    for (int i = 1; i <= count; ++i) {
        if (!std::isfinite(events[pk::eventSalt][i]))
            return text("A dose in the history has no valid salt factor.");
        if (!std::isfinite(events[pk::eventRouteFactor][i]))
            return text("A dose in the history has no valid absorption rate constant (ka).");
        if (!std::isfinite(events[pk::eventTime][i]) || !std::isfinite(events[pk::eventDose][i]))
            return text("A dose in the history has no valid time or amount.");
    }
    // Doses given only after the levels leave them as untied as no dose at all.
    if (count > 0 && m_session.levelCount > 0 && !(events[pk::eventTime][1] < latestLevelTime()))
        return text("No dose in the history is given before the last level, so the levels "
                    "cannot be fitted; enter the doses given before them.");
    return {};
}

double FitReadiness::latestLevelTime() const
{
    const int count = std::clamp(m_session.levelCount, 0, pk::kMaxMeasuredLevels);
    const auto times = m_session.levelTimes.begin() + 1;
    return *std::max_element(times, times + std::max(count, 1));
}

// Without its error model the Bayesian fit would quietly weigh the levels as least squares does.
QString FitReadiness::levelModelRefusal() const
{
    const double factor = m_session.levelErrorFactor;
    const double constant = m_session.levelErrorConstant;
    if (std::isfinite(factor) && std::isfinite(constant))
        return {};
    return text("The level error model of the drug is not set (factor %1, constant %2), so the "
                "levels cannot be weighed.")
        .arg(factor)
        .arg(constant);
}

// A prior that is not a positive number is held where it is, outside the fit: the parameters
// the model divides by must therefore be usable as they stand.
QString FitReadiness::priorRefusal(int priorSetIndex) const
{
    static const std::array<ModelParameter, 2> oneOrTwoCompartments = {
        {{pk::kVd, kVolume}, {pk::kCl, QT_TRANSLATE_NOOP("FitReadiness", "clearance")}}};
    static const std::array<ModelParameter, 3> michaelisMenten = {
        {{pk::kVd, kVolume}, {pk::kKm, "Km"}, {pk::kVmax, "Vmax"}}};
    const PkParameterSet& prior = m_session.pkSets[priorSetIndex];
    auto first = [&](const auto& parameters) -> QString {
        for (const ModelParameter& parameter : parameters)
            if (!positiveNumber(prior[parameter.slot]))
                return text("The prior %1 is %2; the model needs a positive value to fit the "
                            "levels.")
                    .arg(text(parameter.name))
                    .arg(prior[parameter.slot]);
        return {};
    };
    return m_session.modelType == pk::kModelMichaelisMenten ? first(michaelisMenten)
                                                            : first(oneOrTwoCompartments);
}

QString FitReadiness::twoCompartmentGap(const SessionData& session, const PkParameterSet& set)
{
    if (session.modelType != pk::kModelTwoComp)
        return {};
    const double cl = set[pk::kCl];
    const double vBeta = set[pk::kVd];
    const double v1 = session.twoCompCentralVolume;
    const double k21 = session.twoCompK21;
    if (!(positiveNumber(cl) && positiveNumber(vBeta) && positiveNumber(v1) && positiveNumber(k21)))
        return {};
    // beta = CL / Vbeta, k10 = CL / V1, alpha = k10 k21 / beta; k12 = alpha + beta - k21 - k10.
    const double beta = cl / vBeta;
    const double k10 = cl / v1;
    const double alpha = k10 * k21 / beta;
    const double k12 = alpha + beta - k21 - k10;
    if ((k21 - alpha) * (k21 - beta) <= 0.0)
        return {};
    return text("The clearance %1 L/h and volume %2 L imply a negative k12 (%3/h) with the "
                "central volume %4 L and k21 %5/h, so the two-compartment model has no curve "
                "for this set.")
        .arg(QString::number(cl, 'f', 2), QString::number(vBeta, 'f', 2),
             QString::number(k12, 'f', 3), QString::number(v1, 'f', 2),
             QString::number(k21, 'f', 2));
}

QString FitReadiness::twoCompartmentRefusal(int priorSetIndex) const
{
    return twoCompartmentGap(m_session, m_session.pkSets[priorSetIndex]);
}

QString FitReadiness::predictionRefusal(int priorSetIndex)
{
    const int count = std::clamp(m_session.levelCount, 0, pk::kMaxMeasuredLevels);
    if (count == 0 || !m_predictor.hasModel())
        return {};
    std::array<double, pk::kMaxMeasuredLevels> levels{};
    m_predictor.levelsForSet(m_session.pkSets[priorSetIndex], &m_session.levelTimes[1], count,
                             levels.data());
    if (std::none_of(levels.begin(), levels.begin() + count, predictionFailed))
        return {};
    return text("The model of this case cannot predict the measured levels from the prior "
                "parameters; check the dose history and the case's parameters.");
}
