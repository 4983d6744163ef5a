#include "phenytoin/PhenytoinSources.h"

#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <QCoreApplication>

#include <cmath>

namespace phenytoin
{
int setIndex(Source source)
{
    static constexpr PerSource<int> sets = {pk::kPopulation, pk::kCustom, pk::kLeastSquares,
                                            pk::kBayesian};
    return sets[source];
}

int reportSlot(Source source)
{
    static constexpr PerSource<int> order = {pk::kReportPopulation, pk::kReportCustom,
                                             pk::kReportLeastSquares, pk::kReportBayesian};
    return order[source];
}

bool sourceExists(const SessionData& session, Source source)
{
    if (source == kPopulation || source == kCustom)
        return true;
    return session.pkSets[setIndex(source)][pk::kF] > 0.0;
}

double customBioavailability(const SessionData& session, const QString& product, double populationF)
{
    const int index = DrugInfo::indexOfText(session.routeNames, product);
    if (index < 0 || index >= session.routeF.size())
        return populationF;
    return session.routeF[index];
}

PerSource<double> productBioavailability(const SessionData& session, const QString& product)
{
    const double population = session.pkSets[pk::kPopulation][pk::kF];
    const bool fitted = session.routeList.contains(product);
    PerSource<double> f;
    f[kPopulation] = population;
    f[kCustom] = customBioavailability(session, product, population);
    f[kLeastSquares] = fitted ? session.pkSets[pk::kLeastSquares][pk::kF] : population;
    f[kBayesian] = fitted ? session.pkSets[pk::kBayesian][pk::kF] : population;
    return f;
}

int routeNumber(char routeLetter)
{
    switch (routeLetter) {
    case pk::kLetterOral:
        return 1;
    case pk::kLetterIntermittentIv:
        return 2;
    case pk::kLetterIntramuscular:
        return 3;
    default:
        return 4;
    }
}

QString figureText(const Figure& figure, int decimals)
{
    switch (figure.state) {
    case Figure::Value:
        return QString::number(figure.value, 'f', decimals);
    case Figure::NoResult:
        return QCoreApplication::translate("phenytoin", "no result");
    case Figure::NoSteadyState:
        return QCoreApplication::translate("phenytoin", "no steady state");
    case Figure::None:
        break;
    }
    return QString();
}

QString rangeEndText(const SessionData& session, double normalLevel)
{
    const double fu = session.freeFraction;
    if (!(fu > 0.0) || !std::isfinite(fu))
        return figureText(Figure::noResult());
    return figureText(Figure::of(toFreeFractionScale(normalLevel, session.albumin, fu)));
}
} // namespace phenytoin
