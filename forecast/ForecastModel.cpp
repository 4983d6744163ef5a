#include "forecast/ForecastModel.h"

#include "analysis/DoseEventBuilder.h"
#include "analysis/FitReadiness.h"
#include "pkcore/DrugCodes.h"
#include "pkcore/DrugInfo.h"

#include <QCoreApplication>

namespace forecast
{
namespace
{
const char kLithiumCode[] = "LI";

double absorptionRate(const SessionData& s)
{
    if (s.routeLetter == pk::kLetterOral)
        return s.kaOral;
    if (s.routeLetter == pk::kLetterIntramuscular)
        return s.kaIm;
    return 0.0;
}

double customF(const SessionData& s, double populationF)
{
    const int at = DrugInfo::indexOfText(s.routeNames, s.routeText);
    return at >= 0 && at < s.routeF.size() ? s.routeF[at] : populationF;
}
} // namespace

void chooseRoute(SessionData& session, DrugInfo& drugInfo, const QString& routeItem)
{
    session.routeText = routeItem;
    session.routeLetter = ::routeCode(routeItem);
    session.dosageForm = DrugInfo::dosageFormOf(routeItem);
    drugInfo.applyFormDefaults(1);
    session.regimenKa = absorptionRate(session);
}

RouteModel routeModelOf(const SessionData& session)
{
    RouteModel m;
    m.letter = session.routeLetter;
    m.twoCompartment = session.modelType == pk::kModelTwoComp;
    m.salt = m.letter == pk::kLetterOral ? session.saltOral : session.saltParenteral;
    m.ka = session.regimenKa;
    m.lagTime = m.isOralOrIm() ? session.lagTime : 0.0;
    if (session.patient.drugCode == QLatin1String(kLithiumCode))
        m.doseScale = DoseEventBuilder::kLithiumMeqPer300Mg / DoseEventBuilder::kLithiumReferenceMg;
    return m;
}

ForecastSets setsOf(const SessionData& session)
{
    const double populationF = session.pkSets[pk::kPopulation][pk::kF];
    const bool fittedRoute = session.routeList.contains(session.routeText);
    ForecastSets sets;
    for (int column = 0; column < kSetCount; ++column) {
        const int method = kMethodOfColumn[column];
        const PkParameterSet& p = session.pkSets[method];
        SetParameters& set = sets[column];
        set.v = p[pk::kVd];
        set.cl = p[pk::kCl];
        if (method == pk::kPopulation) {
            set.exists = true;
            set.f = populationF;
        } else if (method == pk::kCustom) {
            set.exists = true;
            set.f = customF(session, populationF);
        } else {
            set.exists = p[pk::kF] > 0.0;
            set.f = fittedRoute ? p[pk::kF] : populationF;
        }
    }
    return sets;
}

QString routeSentence(char letter, const QString& dosageForm)
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("forecast", text); };
    switch (letter) {
    case pk::kLetterIntermittentIv:
        return tr("infused intravenously");
    case pk::kLetterContinuousIv:
        return tr("by continuous intravenous infusion");
    case pk::kLetterIntramuscular:
        return tr("intramuscularly");
    case pk::kLetterOral:
        return dosageForm.isEmpty() ? tr("orally") : tr("orally (%1)").arg(dosageForm);
    default:
        return dosageForm;
    }
}

QString twoCompartmentGap(const SessionData& session, const RouteModel& route,
                          const SetParameters& set)
{
    if (!route.twoCompartment)
        return {};
    PkParameterSet parameters{};
    parameters[pk::kCl] = set.cl;
    parameters[pk::kVd] = set.v;
    return FitReadiness::twoCompartmentGap(session, parameters);
}
} // namespace forecast
