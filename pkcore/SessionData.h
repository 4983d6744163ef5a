#pragma once

#include "pkcore/PkIndices.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <vector>

class QApplication;

// The patient and case header.
struct PatientRecord {
    double birthday = 0.0; // OLE automation date: days since 30 December 1899
    qint32 birthdayStatus = 0;
    QString drugCode; // two-letter drug code of the case
    QString firstName;
    QString lastName;
    QString sex; // "M" or "F"
    QString hospitalId;
    QString patientNote;
    QString caseNote;
    QString weightUnit; // unit the weight was entered in
    QString heightUnit; // unit the height was entered in
};

// The texts typed into the user's-choice drug dialog.
struct UserChoiceRecord {
    QString drugNameText;
    QString doseUnitText; // "mg" or "mcg"
    QString clearanceText;
    QString clearanceUnitText; // "L" or "mL"
    QString volumeText;
    QString volumeUnitText; // "L" or "Lkg"
    QString complianceText; // percent
    QString oralFormText;
    QString oralSaltText;
    QString oralKaText;
    QString oralFText; // percent
    QString imSaltText;
    QString imKaText;
    QString imFText; // percent
    QString ivSaltText;
    QString levelMaxText;
    QString levelMinText;
    QString lagTimeText; // h
};

// One parameter set, slots from 1: pk::kF, kVd, kCl, kCF, kKm, kVmax.
using PkParameterSet = std::array<double, pk::kPkSlotCount>;

// Relative ranges (range / value) of one set, elements from 1: pk::kFitF ... pk::kFitVmax.
using RangeBlock = std::array<double, pk::kRangeCount>;

// Twenty columns of events: doseEvents[pk::eventTime][i], events i from 1.
using DoseEventColumn = std::array<double, pk::kDoseEventCapacity>;
using DoseEventTable = std::array<DoseEventColumn, pk::kDoseEventColumns>;

using LevelArray = std::array<double, pk::kLevelCapacity>;
using CovarianceMatrix = std::array<std::array<double, pk::kCovarianceDim>, pk::kCovarianceDim>;

// Per-set values of the report records, indexed by pk::kReportPopulation ... kReportLeastSquares.
using ReportSetValues = std::array<double, pk::kReportSetCount>;

// The fitted sets (least squares, Bayesian) a forecast record was worked out from. A later fit,
// by hand or at a save, leaves the record's figures of those sets behind.
struct FittedSetsStamp {
    PkParameterSet leastSquares{};
    PkParameterSet bayesian{};
};

struct RegimenReport {
    QString routeSentence;
    double desiredPostLevel = 0.0;
    double postTime = 0.0;
    double desiredTrough = 0.0;
    double infusionTime = 0.0;
    double desiredPeak = 0.0;
    double desiredAverage = 0.0;
    ReportSetValues dose{};
    ReportSetValues interval{};
    ReportSetValues dosePer24h{};
    ReportSetValues f{};
    char routeLetter = 0;
    FittedSetsStamp fittedFrom;
    bool done = false;
};

// Whether a regimen has a post level at all: only an intermittent infusion at even doses does,
// and only for a post time (counted from the end of the infusion) that falls inside the
// interval. Where it has none, no value can exist; that is no failed computation.
inline bool regimenHasPostLevel(char routeLetter, bool uneven, double infusionTime, double postTime,
                                double interval)
{
    return routeLetter == pk::kLetterIntermittentIv && !uneven && postTime >= 0.0 &&
           infusionTime + postTime <= interval;
}

struct LevelForecastReport {
    // The record's regimen has a post level; postLevel holds -1.0 for a set whose computation
    // failed only when this is true.
    bool hasPostLevel() const
    {
        return regimenHasPostLevel(routeLetter, unevenDosing, infusionTime, postTime, interval);
    }

    QString routeSentence;
    double enteredDose = 0.0; // the day's total with uneven dosing
    double interval = 0.0;
    double infusionTime = 0.0;
    double postTime = 0.0;
    double rate = 0.0;
    ReportSetValues peak{};
    ReportSetValues trough{};
    ReportSetValues postLevel{};
    ReportSetValues averageLevel{};
    ReportSetValues f{};
    char routeLetter = 0;
    bool unevenDosing = false;
    FittedSetsStamp fittedFrom;
    bool done = false;
};

struct PhRegimenReport {
    QString routeSentence;
    double desiredAverage = 0.0;
    double interval = 0.0;
    ReportSetValues dailyDose{};
    ReportSetValues f{};
    char routeLetter = 0; // 'F' for fosphenytoin
    FittedSetsStamp fittedFrom;
    bool done = false;
};

struct PhLevelForecastReport {
    QString route1Sentence;
    QString route2Sentence;
    double dose1 = 0.0;
    double dose2 = 0.0;
    double interval1 = 0.0;
    double interval2 = 0.0;
    ReportSetValues observedAverage{};
    ReportSetValues adjustedAverage{};
    ReportSetValues timeTo90{}; // days
    ReportSetValues f{};        // route 1
    // A set whose daily rate reaches its Vmax: its -1.0 levels mean "no steady state", not
    // "not computed".
    std::array<bool, pk::kReportSetCount> noSteadyState{};
    char route1Letter = 0;
    char route2Letter = 0; // 'O' or 0
    FittedSetsStamp fittedFrom;
    bool done = false;
};

// One point of the phenytoin time grid: its time and the input rate up to the next point.
struct PhenytoinGridPoint {
    double time = 0.0; // h
    double rate = 0.0; // mg/h
};

// The working state from a log-in to the next log-out, shared by pointer with every window.
// Arrays are indexed from 1 where noted; element 0 is never read.
class SessionData
{
public:
    explicit SessionData(QApplication* app = nullptr);
    SessionData(const SessionData& other) = default;
    SessionData& operator=(const SessionData& other) = default;

    // Clears what belongs to the current case; the patient form overwrites the rest right after.
    void clearCase();

    // The fitted sets as they stand, for a forecast record worked out from them.
    FittedSetsStamp fittedSetsStamp() const;
    // Whether a forecast record so stamped holds figures of the set of the report source
    // (pk::kReportPopulation ...) that the case holds now. The population and custom sets are
    // no fits; their forecasts follow them as they change.
    bool holdsStampedSet(const FittedSetsStamp& stamp, int reportSource) const;

    // The whole file as UTF-8 text; empty when it cannot be opened.
    static QString readTextFile(const QString& path);

    // 1. Patient and case header.
    PatientRecord patient;

    // 2. Patient measures; -1.0 when not given.
    double ageYears = -1.0;
    double heightCm = -1.0;
    double weightKg = -1.0;
    double scr1 = -1.0; // mg/dL
    double scr2 = -1.0; // mg/dL
    double scrHoursBetween = -1.0;
    double crcl = -1.0;    // mL/min
    double albumin = -1.0; // g/dL

    // 3.
    UserChoiceRecord userChoice;

    // 4. Flags.
    bool userChoiceComplete = false;
    bool burnPatient = false;
    quint8 renalMode = 0; // 0 stable, 1 changing renal function
    char routeLetter = 0;
    char secondRouteLetter = 0;

    // 5. Route texts of the fitted dose history.
    QVector<QString> routeList;

    // 6. Drug block.
    double levelErrorFactor = 0.0;
    double levelErrorConstant = 0.0;
    double kaIm = 0.0;
    double kaOral = 0.0;
    double saltOral = 0.0;
    double saltParenteral = 0.0;
    double levelAgeWeightBase = 0.0;
    double freeFraction = 0.0;
    double levelUpperLimit = 0.0;
    double levelAgeReferenceTime = 0.0;
    double lagTime = 0.0;
    double levelLowerLimit = 0.0;

    // 7.
    qint32 doseEventCount = 0;
    qint32 levelCount = 0;

    // 8. Parameter vector of the fits, from 1 (pk::kFitF ...).
    std::array<double, pk::kFitParameterCount> fitParameters{};

    // 9.
    RangeBlock populationRanges{};
    RangeBlock customRanges{};
    RangeBlock savedCustomRanges{};

    // 10. Custom bioavailability per route, parallel to routeNames.
    QVector<double> routeF;
    QVector<double> savedRouteF;
    QVector<double> routeFsd;
    QVector<double> savedRouteFsd;
    QVector<QString> routeNames;

    // 11. Patient factors.
    std::array<QString, pk::kFactorTextCount> factorQuestions;
    std::array<QString, pk::kFactorTextCount> factorAnswers;
    qint32 factorCount = 0;
    std::array<quint8, pk::kFactorFlagCapacity> factorFlags{};

    // 12. Parameter sets by method, from 1 (pk::kPopulation ...).
    std::array<PkParameterSet, pk::kMethodCount> pkSets{};

    // 13.
    double phenytoinTubeFeedingF = 1.0;
    double phenytoinF = 1.0;

    // 14. Levels block and dose events, hours from timeOrigin.
    double timeOrigin = 0.0;
    std::array<double, pk::kLevelWorkCount> levelWork{};
    double pivotTolerance = 0.0;
    LevelArray levelTimes{};  // from 1
    LevelArray levelValues{}; // from 1
    std::array<double, pk::kLevelTailCount> levelTail{};
    DoseEventTable doseEvents{};

    // 15.
    CovarianceMatrix lsCovariance{};
    CovarianceMatrix bayesCovariance{};

    // 16. Two-compartment constants.
    double twoCompCentralVolume = 0.0; // V1, L
    double twoCompK12 = 0.0;
    double twoCompK21 = 0.0;
    double twoCompAlpha = 0.0;
    double twoCompBeta = 0.0;

    // 17. pk::kModelOneComp, kModelTwoComp or kModelMichaelisMenten.
    qint32 modelType = 0;

    // 18.
    QString doseUnit;
    QString concentrationUnit;

    // 19. Points 0 to pk::kPhenytoinGridSteps; on the heap so a copy stays small on the stack.
    std::vector<PhenytoinGridPoint> phenytoinGrid;

    // 20. mg/h at which an oral phenytoin dose enters.
    double phenytoinInputRate = 0.0;

    // 21. Regimen solver block.
    double regimenKa = 0.0;
    double twoCompDose = 0.0;
    double twoCompTargetTrough = 0.0;
    double twoCompInterval = 0.0;
    double twoCompInfusionTime = 0.0;
    bool solverFailed = false;

    // 22.
    QString dosageForm;
    QString secondDosageForm;
    QString routeText;

    // 23. User and log-in state.
    bool restartAfterLogOut = false;
    bool closeWithoutAsking = false;
    bool loggedIn = false;
    qint32 recNum = 0;
    QString connectionName;
    qint32 userId = 0;
    QString userName;
    qint32 caseNumber = 0;
    // The save stamps the patient and case rows had when this session read or last wrote them;
    // a save refuses to overwrite a case row that another user has saved since.
    QString patientStamp;
    QString caseStamp;
    // The patient's own details as the patient row held them when this session read or last
    // wrote it (first and last name, birthday, sex, patient ID, note, as stored texts). A save
    // writes the page's details only when they differ from these, so that a save of one case
    // keeps what another user stored for the patient meanwhile.
    QStringList patientDetails;
    QString userType; // "A" administrator, "U" ordinary user
    bool saved = false;
    qint32 fitRunCount = 0;

    // 24. Laid out like the range blocks.
    RangeBlock bayesRanges{};
    RangeBlock lsRanges{};

    // 25.
    RegimenReport regimenReport;
    LevelForecastReport levelForecastReport;
    PhRegimenReport phRegimenReport;
    PhLevelForecastReport phLevelForecastReport;

    // 26. F shown on the case page per set, by pk::kReport*.
    ReportSetValues displayedF{};

    // 27. The fitted graph and level table handed to the report.
    QVector<double> graphTimes;
    // The curve of the set the fits started from (pk::kPopulation or pk::kCustom), graphPriorSet.
    QVector<double> graphPrior;
    int graphPriorSet = pk::kPopulation;
    QVector<double> graphLs;
    QVector<double> graphBayes;
    double reportGraphMax = 0.0;
    std::array<std::array<double, pk::kTableColumns>, pk::kTableRows> reportTable{};

    // 28. Not owned.
    QApplication* application = nullptr;
};
