#pragma once

#include "pkcore/SessionData.h"

#include <QString>

class LevelPredictor;
class PkCalculator;

// Whether the model of the case can be evaluated at all before any fit runs. A fit whose every
// prediction fails would come back as the prior passed off as a fit; such an analysis is
// refused with one sentence that tells the user why.
class FitReadiness
{
public:
    FitReadiness(const SessionData& session, PkCalculator& calculator, LevelPredictor& predictor);

    // Empty when the analysis can run from the prior set `priorSetIndex`.
    QString refusal(int priorSetIndex);

    // A prediction the model could not make: the calculator's "no result" or not a number.
    static bool predictionFailed(double level);

    // Why the two-compartment model has no curve for the set (its clearance and Vbeta imply a
    // negative k12 with the case's central volume and k21); empty when it has one or the case
    // is not two-compartment.
    static QString twoCompartmentGap(const SessionData& session, const PkParameterSet& set);

private:
    QString historyRefusal() const;
    QString doseRefusal() const;
    double latestLevelTime() const;
    QString levelModelRefusal() const;
    QString priorRefusal(int priorSetIndex) const;
    QString twoCompartmentRefusal(int priorSetIndex) const;
    QString predictionRefusal(int priorSetIndex);

    const SessionData& m_session;
    PkCalculator& m_calculator;
    LevelPredictor& m_predictor;
};
