#pragma once

#include "pkcore/SessionData.h"

#include <QDate>
#include <QProcess>
#include <QRegularExpression>
#include <QString>

#include <cmath>

// Cases as the case page, the curve fitting and the forecast windows leave them in the session.
namespace reportfixture
{
inline void setParameters(PkParameterSet& set, double f, double vd, double cl)
{
    set = {};
    set[pk::kF] = f;
    set[pk::kVd] = vd;
    set[pk::kCl] = cl;
    set[pk::kCF] = 1.0;
}

inline void setPatient(SessionData& s, const QString& code)
{
    s.patient.drugCode = code;
    s.patient.firstName = QStringLiteral("Jane");
    s.patient.lastName = QStringLiteral("Doe");
    s.patient.sex = QStringLiteral("F");
    s.patient.hospitalId = QStringLiteral("H-1001");
    s.ageYears = 45.0;
    s.heightCm = 175.0;
    s.weightKg = 70.0;
    s.scr1 = 1.1;
    s.crcl = 72.5;
    s.albumin = 3.5;
    s.doseUnit = QStringLiteral("mg");
    s.concentrationUnit = QStringLiteral("mg/L");
    s.displayedF = {1.0, 1.0, 1.0, 1.0};
}

// Hours from the start of 1 January of year 1, as the analysis counts them.
inline double absoluteHour(const QDate& date, int hour, int minute)
{
    return QDate(1, 1, 1).daysTo(date) * 24.0 + hour + minute / 60.0;
}

// Fitted curves and three levels entered out of time order (14 March 22:00 is the earliest); the
// level table handed over in time order, its middle level measured as 0.
inline void setFittedGraph(SessionData& s)
{
    setParameters(s.pkSets[pk::kBayesian], 1.0, 18.0, 4.9);
    setParameters(s.pkSets[pk::kLeastSquares], 1.0, 19.0, 4.7);
    s.levelUpperLimit = 10.0;
    s.levelLowerLimit = 0.5;
    for (int i = 0; i <= 96; ++i) {
        const double t = i * 0.5;
        s.graphTimes << t;
        s.graphPrior << 8.0 * std::exp(-0.30 * std::fmod(t, 8.0));
        s.graphLs << 7.5 * std::exp(-0.25 * std::fmod(t, 8.0));
        s.graphBayes << 7.8 * std::exp(-0.27 * std::fmod(t, 8.0));
    }
    s.reportGraphMax = 10.0;
    s.timeOrigin = absoluteHour(QDate(2026, 3, 14), 20, 0);
    s.levelCount = 3;
    const double times[] = {12.0 + 5.0 / 60.0, 2.0, 20.5}; // 15 Mar 08:05, 14 Mar 22:00, 16:30
    const std::array<double, pk::kTableColumns> rows[] = {
        {0.85, 0.83, 0.81, 0.84}, {0.0, 0.45, 0.42, 0.44}, {2.65, 2.35, 2.45, 2.55}};
    for (int i = 0; i < 3; ++i) {
        s.levelTimes[i + 1] = times[i];
        s.reportTable[i] = rows[i];
    }
}

// The forecast records as their windows leave them: worked out from the fitted sets held now.
inline void stampForecasts(SessionData& s)
{
    const FittedSetsStamp stamp = s.fittedSetsStamp();
    for (FittedSetsStamp* record :
         {&s.regimenReport.fittedFrom, &s.levelForecastReport.fittedFrom,
          &s.phRegimenReport.fittedFrom, &s.phLevelForecastReport.fittedFrom})
        *record = stamp;
}

inline SessionData gentamicinCase()
{
    SessionData s;
    setPatient(s, QStringLiteral("GM"));
    setParameters(s.pkSets[pk::kPopulation], 1.0, 17.5, 5.25);
    setParameters(s.pkSets[pk::kCustom], 1.0, 17.5, 0.0); // no clearance: nothing derived
    setFittedGraph(s);

    RegimenReport& r = s.regimenReport;
    r.routeSentence = QStringLiteral("infused intravenously");
    r.routeLetter = pk::kLetterIntermittentIv;
    r.postTime = 1.0;
    r.desiredPostLevel = 8.0;
    r.desiredTrough = 1.0;
    r.infusionTime = 0.5;
    r.dose = {480.0, 500.0, 470.0, 460.0};
    r.interval = {8.0, 8.0, 8.0, 8.0};
    r.f = {1.0, 1.0, 1.0, 1.0};
    r.done = true;

    LevelForecastReport& l = s.levelForecastReport;
    l.routeSentence = QStringLiteral("infused intravenously");
    l.routeLetter = pk::kLetterIntermittentIv;
    l.enteredDose = 500.0;
    l.interval = 8.0;
    l.infusionTime = 0.5;
    l.peak = {7.91, 8.12, 7.55, -1.0}; // least squares not computed
    l.trough = {0.93, 1.04, 0.88, -1.0};
    l.postLevel = {6.41, 6.52, 6.33, -1.0};
    l.f = {1.0, 1.0, 1.0, 1.0};
    l.done = true;
    stampForecasts(s);
    return s;
}

inline SessionData phenytoinCase()
{
    SessionData s;
    setPatient(s, QStringLiteral("PH"));
    for (int method : {pk::kPopulation, pk::kCustom}) {
        setParameters(s.pkSets[method], 1.0, 45.0, 4.0);
        s.pkSets[method][pk::kKm] = 4.0;
        s.pkSets[method][pk::kVmax] = 420.0;
    }

    PhRegimenReport& r = s.phRegimenReport;
    r.routeSentence = QStringLiteral("by fosphenytoin injection");
    r.routeLetter = pk::kLetterFosphenytoin;
    r.desiredAverage = 15.0;
    r.interval = 24.0;
    r.dailyDose = {300.0, 320.0, -1.0, -1.0};
    r.f = {1.0, 1.0, -1.0, -1.0};
    r.done = true;

    PhLevelForecastReport& l = s.phLevelForecastReport;
    l.route1Sentence = QStringLiteral("by mouth as capsules");
    l.route1Letter = pk::kLetterOral;
    l.dose1 = 300.0;
    l.interval1 = 24.0;
    l.dose2 = -1.0;
    l.interval2 = -1.0;
    l.observedAverage = {12.5, -1.0, -1.0, -1.0};
    l.adjustedAverage = {13.1, -1.0, -1.0, -1.0};
    l.timeTo90 = {9.8, -1.0, -1.0, -1.0};
    l.noSteadyState[pk::kReportCustom] = true; // the custom rate reaches Vmax
    l.f = {0.92, 0.92, -1.0, -1.0};
    l.done = true;
    stampForecasts(s);
    return s;
}

inline SessionData userChoiceCase()
{
    SessionData s;
    setPatient(s, QStringLiteral("ZZ"));
    s.userChoice.drugNameText = QStringLiteral("Zedocillin");
    s.doseUnit = QStringLiteral("mcg");
    s.concentrationUnit = QStringLiteral("mcg/L");
    setParameters(s.pkSets[pk::kPopulation], 0.8, 30.0, 3.0);
    setParameters(s.pkSets[pk::kCustom], 0.8, 30.0, 3.0);
    setFittedGraph(s);

    RegimenReport& r = s.regimenReport;
    r.routeSentence = QStringLiteral("by mouth");
    r.routeLetter = pk::kLetterOral;
    r.desiredPeak = 9.0;
    r.desiredTrough = 2.0;
    r.dose = {250.0, 250.0, 240.0, 230.0};
    r.interval = {12.0, 12.0, 12.0, 12.0};
    r.f = {0.8, 0.8, 0.8, 0.8};
    r.done = true;
    stampForecasts(s);
    return s;
}

// The text of a PDF as the reader lays it out; pages end with a form feed.
inline QString pdfText(const QString& path,
                       const QStringList& options = {QStringLiteral("-layout")})
{
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), options + QStringList{path, QStringLiteral("-")});
    reader.waitForFinished();
    return QString::fromUtf8(reader.readAllStandardOutput());
}

// Runs of blanks and tabs as one blank, so a check does not depend on column widths.
inline QString squeezed(QString text)
{
    return text.replace(QRegularExpression(QStringLiteral("[ \\t]+")), QStringLiteral(" "));
}
} // namespace reportfixture
