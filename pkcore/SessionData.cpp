#include "pkcore/SessionData.h"

#include "pkcore/PkNumeric.h"

#include <QFile>

namespace
{
// Placeholder hospital identifier of a session that has no patient yet.
const QChar kNoHospitalId(0x00FF);

template <typename Array> void zero(Array& array)
{
    array.fill({});
}
} // namespace

SessionData::SessionData(QApplication* app)
    : phenytoinGrid(pk::kPhenytoinGridCapacity), application(app)
{
    patient.hospitalId = QString(kNoHospitalId);
}

FittedSetsStamp SessionData::fittedSetsStamp() const
{
    return {pkSets[pk::kLeastSquares], pkSets[pk::kBayesian]};
}

bool SessionData::holdsStampedSet(const FittedSetsStamp& stamp, int reportSource) const
{
    if (reportSource == pk::kReportLeastSquares)
        return pknum::sameValues(stamp.leastSquares, pkSets[pk::kLeastSquares]);
    if (reportSource == pk::kReportBayesian)
        return pknum::sameValues(stamp.bayesian, pkSets[pk::kBayesian]);
    return true;
}

void SessionData::clearCase()
{
    regimenReport = RegimenReport();
    levelForecastReport = LevelForecastReport();
    phRegimenReport = PhRegimenReport();
    phLevelForecastReport = PhLevelForecastReport();

    graphTimes.clear();
    graphPrior.clear();
    graphPriorSet = pk::kPopulation;
    graphLs.clear();
    graphBayes.clear();
    reportGraphMax = 0.0;
    for (auto& row : reportTable)
        zero(row);

    routeList.clear();

    timeOrigin = 0.0;
    zero(levelWork);
    pivotTolerance = 0.0;
    zero(levelTimes);
    zero(levelValues);
    zero(levelTail);
    for (auto& column : doseEvents)
        zero(column);

    for (auto& set : pkSets)
        zero(set);

    routeF.clear();
    savedRouteF.clear();
    routeFsd.clear();
    savedRouteFsd.clear();
    routeNames.clear();

    zero(factorFlags);
    renalMode = 0;
    routeLetter = 0;
    secondRouteLetter = 0;

    // Nothing of the previous case may carry over: a burn cap, a second product's salt factor,
    // another drug's therapeutic range.
    burnPatient = false;
    secondDosageForm.clear();
    levelUpperLimit = 0.0;
    levelLowerLimit = 0.0;
}

QString SessionData::readTextFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}
