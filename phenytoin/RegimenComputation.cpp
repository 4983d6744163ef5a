#include "phenytoin/RegimenComputation.h"

#include "pkcore/PkCalculator.h"
#include "pkcore/PkNumeric.h"

#include <QCoreApplication>

namespace phenytoin
{
namespace
{
constexpr double kOneDay = 1.0;
const char* const kFosphenytoinInfusion = "Intermittent IV - Injection (Fosphenytoin)";

Figure dailyDose(const RegimenInputs& in, const RegimenSet& set)
{
    const double css = in.desiredAverage;
    // A product of F and S of 0 (a custom F of 0) or Km + Css of 0 would divide by zero.
    if (!pknum::allFinite(in.salt, set.f, set.km, set.vmax, css) || !(in.salt * set.f > 0.0) ||
        !(set.km + css > 0.0) || !(set.vmax > 0.0))
        return Figure::noResult();
    const double dose = phenytoinDailyDose(in.salt, set.f, set.km, set.vmax, css, kOneDay);
    return dose >= 0.0 ? Figure::of(dose) : Figure::noResult();
}

Figure loadingDose(const RegimenInputs& in, const RegimenSet& set)
{
    const double desired = in.desiredAverage;
    const double current = in.currentConcentration;
    if (current < 0.0)
        return Figure::none();
    if (!pknum::allFinite(in.salt, set.f, set.vd, current) || !(in.salt * set.f > 0.0) ||
        !(set.vd > 0.0))
        return Figure::noResult();
    if (desired < current)
        return Figure::of(0.0);
    return Figure::of((desired - current) * set.vd / (set.f * in.salt));
}
} // namespace

RegimenInputs regimenInputs(const SessionData& session, double salt, const PerSource<double>& f)
{
    RegimenInputs in;
    in.salt = salt;
    for (Source s : kAllSources) {
        const PkParameterSet& set = session.pkSets[setIndex(s)];
        in.sets[s] = {sourceExists(session, s), f[s], set[pk::kVd], set[pk::kKm], set[pk::kVmax]};
    }
    return in;
}

RegimenResults computeRegimen(const RegimenInputs& inputs)
{
    RegimenResults results;
    if (!(inputs.desiredAverage >= 0.0))
        return results;
    for (Source s : kAllSources) {
        const RegimenSet& set = inputs.sets[s];
        if (!set.exists)
            continue;
        results[s] = {dailyDose(inputs, set), loadingDose(inputs, set)};
    }
    return results;
}

char regimenRouteCharacter(const QString& product, char routeLetter)
{
    return product.contains(QLatin1String(kFosphenytoinInfusion)) ? pk::kLetterFosphenytoin
                                                                  : routeLetter;
}

QString regimenRouteSentence(const QString& product, char routeLetter,
                             const QString& previousSentence)
{
    switch (routeLetter) {
    case pk::kLetterIntramuscular:
        return QCoreApplication::translate("phenytoin",
                                           "as an intramuscular injection of fosphenytoin.");
    case pk::kLetterOral:
        return QCoreApplication::translate("phenytoin", "as %1.").arg(product);
    case pk::kLetterIntermittentIv:
        return QCoreApplication::translate("phenytoin", "as an Intermittent Infusion.");
    default:
        return previousSentence;
    }
}

PhRegimenReport regimenRecord(const RegimenInputs& inputs, const RegimenResults& results,
                              const QString& product, char routeLetter,
                              const QString& previousSentence)
{
    PhRegimenReport record;
    record.done = true;
    record.desiredAverage = inputs.desiredAverage;
    record.interval = kRegimenIntervalHours;
    for (Source s : kAllSources) {
        record.dailyDose[reportSlot(s)] = results[s].dailyDose.recorded();
        record.f[reportSlot(s)] = inputs.sets[s].f;
    }
    record.routeLetter = regimenRouteCharacter(product, routeLetter);
    record.routeSentence = regimenRouteSentence(product, routeLetter, previousSentence);
    return record;
}
} // namespace phenytoin
