#pragma once

// Named positions in the session's arrays, so no code writes a bare slot or column number.
// Arrays marked "from 1" keep element 0 unused.
namespace pk
{
// Slots of a PkParameterSet, from 1.
constexpr int kF = 1;    // bioavailability, fraction
constexpr int kVd = 2;   // volume of distribution, L
constexpr int kCl = 3;   // clearance, L/h (phenytoin: Km again)
constexpr int kCF = 4;   // compliance factor, fraction
constexpr int kKm = 5;   // Michaelis constant, mg/L
constexpr int kVmax = 6; // maximum elimination rate, mg/day
constexpr int kPkSlotCount = 7;

// Parameter sets of SessionData::pkSets, from 1.
constexpr int kPopulation = 1;
constexpr int kLeastSquares = 2;
constexpr int kBayesian = 3;
constexpr int kCustom = 4;
constexpr int kSavedCustom = 5;
constexpr int kMethodCount = 6;

// Elements of the range blocks (populationRanges, customRanges, savedCustomRanges, bayesRanges,
// lsRanges) and of fitParameters, from 1. Phenytoin keeps Km in the clearance element.
constexpr int kFitF = 1;
constexpr int kFitVd = 2;
constexpr int kFitCl = 3;
constexpr int kFitKm = 3;
constexpr int kFitCF = 4;
constexpr int kFitVmax = 5;
constexpr int kRangeCount = 12;
constexpr int kFitParameterCount = 7;

// Columns of the dose-event table; events from 1. Columns 0 and 9 to 19 are work space of the
// analysis.
constexpr int eventWork = 0;
constexpr int eventTime = 1;         // h from the time origin
constexpr int eventDose = 2;         // dose unit
constexpr int eventRouteCode = 3;    // see kRouteCode*
constexpr int eventInOut = 4;        // kInPatient, else out-patient
constexpr int eventInfusionTime = 5; // h
constexpr int eventRate = 6;         // dose unit per hour
constexpr int eventSalt = 7;         // salt factor
constexpr int eventRouteFactor = 8;  // absorption rate constant ka of the route, 1/h
constexpr int kFirstEventWorkColumn = 9;
constexpr int kDoseEventColumns = 20;
constexpr int kDoseEventCapacity = 1001;
constexpr int kMaxDoseEvents = 1000;

// Values of eventRouteCode.
constexpr int kRouteCodeOther = 1; // oral and every other route
constexpr int kRouteCodeIntravenous = 2;
constexpr int kRouteCodeIntramuscular = 3;

// Value of eventInOut for an in-patient dose (no compliance factor from then on).
constexpr int kInPatient = 0;

// Measured levels (levelTimes, levelValues), from 1: twelve measured levels and the prior
// pseudo-observations the fits append behind them.
constexpr int kMaxMeasuredLevels = 12;
constexpr int kLevelCapacity = 18;
constexpr int kLevelWorkCount = 15;
constexpr int kLevelTailCount = 32;

// Fitting covariance matrices, used from row and column 1.
constexpr int kCovarianceDim = 11;

// Patient factors: texts with question n in entry n - 1; flags from 1.
constexpr int kFactorTextCount = 16;
constexpr int kFactorFlagCapacity = 50;

// Order of the four sets in the report records and displayedF, from 0.
constexpr int kReportPopulation = 0;
constexpr int kReportCustom = 1;
constexpr int kReportBayesian = 2;
constexpr int kReportLeastSquares = 3;
constexpr int kReportSetCount = 4;

// Columns of reportTable (12 rows, from 0).
constexpr int kTableMeasured = 0;
constexpr int kTablePrior = 1;
constexpr int kTableLeastSquares = 2;
constexpr int kTableBayesian = 3;
constexpr int kTableColumns = 4;
constexpr int kTableRows = 12;

// Phenytoin time grid: points 0 to kPhenytoinGridSteps.
constexpr int kPhenytoinGridSteps = 48000;
constexpr int kPhenytoinGridCapacity = kPhenytoinGridSteps + 1;
// The grid lays at least one point per hour: the longest span it can follow, in hours.
constexpr double kPhenytoinLongestSpanHours = kPhenytoinGridSteps;

// modelType values.
constexpr int kModelOneComp = 1;
constexpr int kModelTwoComp = 2;
constexpr int kModelMichaelisMenten = 3;

// Route letters.
constexpr char kLetterIntermittentIv = 'D';
constexpr char kLetterContinuousIv = 'C';
constexpr char kLetterOral = 'O';
constexpr char kLetterIntramuscular = 'I';
constexpr char kLetterFosphenytoin = 'F';
constexpr char kLetterOther = 'X';
} // namespace pk
