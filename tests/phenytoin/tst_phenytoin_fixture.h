#pragma once

#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <QLineEdit>
#include <QMetaObject>

#include <memory>

// A phenytoin case with the worked parameters: Km 5.7 mg/L, Vmax 500 mg/day, Vd 45.5 L, F 1
// for every product, normal binding.
namespace phenytoincase
{
constexpr double kKm = 5.7;
constexpr double kVmax = 500.0;
constexpr double kVd = 45.5;
constexpr double kAdultInputRate = 60.0;

struct Case {
    std::unique_ptr<SessionData> session = std::make_unique<SessionData>();
    PkCalculator calculator{session.get()};
    DrugInfo drugs{session.get(), &calculator};

    Case()
    {
        SessionData& s = *session;
        s.patient.drugCode = QStringLiteral("PH");
        s.patient.firstName = QStringLiteral("Ada");
        s.patient.lastName = QStringLiteral("Moreno");
        s.ageYears = 40.0;
        s.albumin = 4.4;
        s.crcl = 100.0;
        s.freeFraction = 0.1;
        s.phenytoinInputRate = kAdultInputRate;
        s.modelType = pk::kModelMichaelisMenten;
        drugs.fillRouteList(s.patient.drugCode, &s.routeNames, false);
        s.routeF = QVector<double>(s.routeNames.size(), 1.0);
        for (int set : {pk::kPopulation, pk::kCustom})
            setParameters(set, kKm, kVmax);
        s.pkSets[pk::kLeastSquares][pk::kF] = -1.0;
        s.pkSets[pk::kBayesian][pk::kF] = -1.0;
    }

    void setParameters(int set, double km, double vmax, double f = 1.0)
    {
        PkParameterSet& p = session->pkSets[set];
        p[pk::kF] = f;
        p[pk::kVd] = kVd;
        p[pk::kCl] = km;
        p[pk::kCF] = 1.0;
        p[pk::kKm] = km;
        p[pk::kVmax] = vmax;
    }
};

// Types a value and finishes editing, as the user does.
inline void enter(QLineEdit* field, const QString& text)
{
    field->setText(text);
    QMetaObject::invokeMethod(field, "editingFinished");
}
} // namespace phenytoincase
