#pragma once

#include <QString>
#include <QVector>

class SessionData;

// Units throughout: weight kg, height cm, age years, serum creatinine mg/dL, creatinine clearance
// mL/min, time h, volume L, clearance L/h, rate constants 1/h, doses in the dose unit, levels in
// the concentration unit. k = CL / V.
//
// Every function gives -1.0 ("no result") instead of a division by zero, a logarithm of a
// non-positive number or a value that is not finite; loops that search never run unbounded.

// ---- Body measures ----

double bodyMassIndex(double weightKg, double heightCm);
// Haycock.
double bodySurfaceArea(double weightKg, double heightCm);
// Janmahasatian; any sex text other than "M" takes the female constants.
double leanBodyMass(double weightKg, double heightCm, const QString& sex);
// Devine.
double adultIdealBodyWeight(double heightCm, const QString& sex);
double childIdealBodyWeight(double weightKg, double heightCm, double ageYears, const QString& sex);
// Chooses the adult, child or blended formula by age and height; 0.0 for an adult under 122 cm
// whose sex is neither "M" nor "F".
double idealBodyWeight(double weightKg, double heightCm, double ageYears, const QString& sex);

// ---- One-compartment helpers ----

// C0 decayed over t hours.
double concentrationAfterDecay(double cl, double v, double c0, double t);
// ln(a / b) / (a - b): the time of the single-dose peak for rate constants a and b.
double logSlope(double a, double b);
// The smaller of a and b; b when they are equal.
double minOf(double a, double b);

// ---- Phenytoin closed forms ----

// A level at normal binding expressed at the patient's free fraction fu (albumin is not used).
double toFreeFractionScale(double level, double albumin, double fu);
// A level at the patient's binding adjusted to normal binding (albumin is not used).
double fromFreeFractionScale(double level, double albumin, double fu);
// Css = Km R / (Vmax - R), R and Vmax in mg/day.
double phenytoinSteadyStateLevel(double km, double vmax, double rateMgPerDay);
// Dose per tau days that holds Css.
double phenytoinDailyDose(double salt, double f, double km, double vmax, double css,
                          double tauDays);
// Days to 90 % of steady state.
double phenytoinTimeTo90(double km, double vmax, double v, double rateMgPerDay);
// One step of dC/dt = (Rin - Vmax/24 C / (Km + C)) / V from t0 to t1 as the simulation grid
// takes it (levelterms::michaelisMentenLevelStep): fourth-order Runge-Kutta, never below 0.
double michaelisMentenStep(double vmax, double km, double v, double rateIn, double c0, double t0,
                           double t1);

// The clinical formulas and pharmacokinetic equations; the session pointer is its only state.
// Operations that take no session value are static and may be called without an object.
class PkCalculator
{
public:
    explicit PkCalculator(SessionData* session);

    // ---- Drug codes, route letters, dates ----
    static QString drugCode(const QString& text);
    static char routeCode(const QString& routeText);
    static QString dateString(int year, int month, int day);

    // ---- Body measures of the session patient ----
    double patientBodySurfaceArea() const;
    double patientLeanBodyMass() const;
    double patientAdultIdealBodyWeight() const;
    double patientChildIdealBodyWeight() const;
    double patientIdealBodyWeight() const;
    // Actual weight, unless the ideal weight is lower: then the larger of lean and ideal weight.
    double dosingWeightForCrCl() const;
    double adjustedBodyWeight() const;

    // ---- Creatinine clearance (mL/min) ----
    double creatinineClearanceCG() const;
    double creatinineClearanceJelliffe() const;
    // A non-zero argument is taken as the clearance itself; 0 estimates it from the patient.
    // The result is also stored in the session's crcl; -1.0 when it cannot be computed.
    double estimateCreatinineClearance(double enteredClearance);

    // ---- One compartment, steady state ----
    // Level during or at the end of an infusion, timeSinceStart hours after it began.
    double infusionSteadyStatePeak(double salt, double f, double dose, double infusionTime,
                                   double tau, double cl, double v, double timeSinceStart) const;
    // Dose infused over infusionTime that lifts currentLevel to targetPeak at the end.
    double infusionDoseForTarget(double targetPeak, double infusionTime, double cl,
                                 double currentLevel, double v, double salt, double f) const;
    // Level t hours after an oral or intramuscular dose has begun to be absorbed (a lag time is
    // the caller's shift of t).
    double oralSteadyStateLevel(double ka, double dose, double salt, double f, double v, double cl,
                                double tau, double t) const;
    // Time of the peak after a dose, lag time included.
    double oralPeakTime(double ka, double k, double tau) const;
    // The peak level and the doses for a peak do not depend on the lag time: it delays the
    // curve and lowers no level.
    double oralSteadyStatePeak(double ka, double dose, double salt, double f, double v, double cl,
                               double tau) const;
    double oralDoseForPeak(double ka, double salt, double f, double targetPeak, double v, double cl,
                           double tau) const;
    double oralDoseForPeakTrough(double targetPeak, double cl, double targetTrough, double v,
                                 double ka, double salt, double f) const;

    // ---- Exposure against a minimum inhibitory concentration ----
    // Hours above the MIC per 24 h, or per interval where the interval is longer than a day.
    double hoursAboveMic(double trough, double mic, double peak, double infusionTime, double tau,
                         double cl, double v) const;
    double hoursAboveMicTwoComp(double trough, double mic, double peak, double dose,
                                double infusionTime, double tau, double cl, double vBeta) const;
    double auc24ToMic(double cl, double tau, double mic, double dose, double salt, double f,
                      double cf) const;

    // ---- Two compartments (central volume and k21 from the session) ----
    // t counted from the start of the infusion; valid from its end on.
    double twoCompSteadyStateLevel(double cl, double vBeta, double dose, double infusionTime,
                                   double tau, double t) const;

    // ---- Levels from the session's dose events (the fits' model functions) ----
    // Takes each event's ka as it stands, k itself included; the events are left as they are.
    double levelFromDoseHistory(double cl, double v, double f, double cf, double t);
    double levelFromDoseHistoryTwoComp(double cl, double vBeta, double cf, double t) const;
    // The area under levelFromDoseHistoryTwoComp's curve from `from` to `to` (from <= to).
    double areaFromDoseHistoryTwoComp(double cl, double vBeta, double cf, double from,
                                      double to) const;

    // ---- Regular regimens from time 0 on a starting level c0 ----
    double levelSeriesFromDoseHistory(double f, double v, double cl, double dose, double c0,
                                      double salt, double tau, double route, double infusionTime,
                                      double cf, double ka, double t) const;
    double levelSeriesTwoComp(double f, double vBeta, double cl, double salt, double c0,
                              double dose, double tau, double infusionTime, double cf, double v1,
                              double k21, double t) const;

    // ---- Two-compartment regimen solver (alpha, beta, V1, k21 from the session) ----
    // Writes twoCompDose, twoCompInterval and solverFailed.
    void twoCompRegimen(double infusionTime, double targetTrough, double targetPeak,
                        double postTime);
    // Moves t to the interval whose trough meets twoCompTargetTrough; sets solverFailed.
    void solveTwoCompInterval(double ca, double cb, double& t);

    // ---- Phenytoin ----
    // Free fraction from albumin, clearance and the session patient's age, size and factors.
    double freeFraction(double albumin, double crcl) const;
    static double toFreeFractionScale(double level, double albumin, double fu);
    static double fromFreeFractionScale(double level, double albumin, double fu);
    static double phenytoinSteadyStateLevel(double km, double vmax, double rateMgPerDay);
    static double phenytoinDailyDose(double salt, double f, double km, double vmax, double css,
                                     double tauDays);
    static double phenytoinTimeTo90(double km, double vmax, double v, double rateMgPerDay);

    // Hours the fit's grid must span: the session's dose events and measured levels, from the
    // first to the last, and a tail beyond; longer than pk::kPhenytoinLongestSpanHours cannot be
    // laid out.
    double phenytoinHistorySpan() const;
    // Grid builders: fill the session's phenytoinGrid and return its number of intervals, -1
    // when the span cannot be laid out.
    int doseTimeGridForFit(double f, double cf);
    int doseTimeGridForLevel(double f, double salt, double cf, double dose, double infusionTime,
                             double route, double tau, double doseCount);
    // Per dose i < doseCount: amounts[i], rates[i], times[i], factors[i]. The grid spans up to
    // the last entry of times.
    int doseTimeGridForSeries(double f, double salt, int doseCount, const QVector<double>& amounts,
                              const QVector<double>& rates, const QVector<double>& times,
                              const QVector<double>& factors);

    double phenytoinLevelFromDoseHistory(double vmax, double km, double v, double f, double cf,
                                         double t);
    double phenytoinLevelAtTime(double f, double v, double salt, double km, double vmax, double c0,
                                double cf, double dose, double infusionTime, double route,
                                double tau, double doseCount, double t);
    double phenytoinLevelSeries(double f, double salt, int doseCount,
                                const QVector<double>& amounts, const QVector<double>& rates,
                                const QVector<double>& times, const QVector<double>& factors,
                                double vmax, double km, double v, double c0, double t);

private:
    // Integrates the grid's first `steps` intervals that end before t, from c0.
    double integrateGrid(int steps, double vmax, double km, double v, double c0, double t) const;

    SessionData* m_session;
};
