#pragma once

// Shared by the catalogue's source files only.

#include <QString>

#include <cmath>
#include <cstddef>
#include <limits>

class PkCalculator;
class SessionData;

namespace druginfo
{
// The measures of the session patient that the population calculators read. A measure that was
// not given, or that the formulas could not compute, is NaN, so whatever is built on it becomes
// "no estimate" instead of a number made from the -1.0 placeholder.
struct PatientMeasures {
    double age;             // years
    double weight;          // W, kg
    double idealWeight;     // IBW, kg
    double adjustedWeight;  // ABW, kg
    double clearanceWeight; // Wc, weight for creatinine clearance, kg
    double bodySurface;     // BSA, m2
    double crcl;            // creatinine clearance, mL/min
    double scr1;            // first serum creatinine as entered (0 when a clearance was typed)
};

PatientMeasures measuresOf(const SessionData& session, const PkCalculator& calculator);

// Age and weight are what every band and every formula starts from.
inline bool known(const PatientMeasures& m)
{
    return !std::isnan(m.age) && !std::isnan(m.weight);
}

inline double notANumber()
{
    return std::numeric_limits<double>::quiet_NaN();
}

inline double givenMeasure(double value)
{
    return std::isfinite(value) && value >= 0.0 ? value : notANumber();
}

// The value a calculator writes: 0.0 ("no estimate") for anything that is not a usable number.
inline double estimateOrNone(double value)
{
    return std::isfinite(value) && value > 0.0 ? value : 0.0;
}

// mL/min to L/h.
constexpr double kMlPerMinToLPerHour = 0.06;

// A clearance of `perKg` mL/min for every kg of `weight` plus the share `crclShare` of the
// creatinine clearance, in L/h.
inline double weightAndRenalClearance(double perKg, double weight, double crclShare, double crcl)
{
    return (perKg * weight + crclShare * crcl) * kMlPerMinToLPerHour;
}

// Age bands shared by the calculators, years.
constexpr double kNeonateAge = 0.083;
constexpr double kInfantAge = 0.5;
constexpr double kAdultAge = 18.0;

// Relative range of the compliance factor and the default range of a clearance.
constexpr double kComplianceRange = 0.5;
constexpr double kDefaultClearanceRange = 0.5;

// Level weighting by age: the usual base and the one for drugs or patients with faster change.
constexpr double kAgeWeightBase = 1.005;
constexpr double kFastAgeWeightBase = 1.01;

// The entry of a catalogue table whose `codes` include `drugCode`; null when none does.
template <typename Entry, std::size_t N>
const Entry* entryForDrug(const Entry (&table)[N], const QString& drugCode)
{
    for (const Entry& entry : table) {
        for (const char* code : entry.codes) {
            if (drugCode == QLatin1String(code))
                return &entry;
        }
    }
    return nullptr;
}

// A multiplier applied when factor answer `answer` is ticked.
struct AnswerFactor {
    int answer;
    double factor;
};

// The value multiplied, in table order, by the factor of every ticked answer.
template <typename Flags, std::size_t N>
double withAnswerFactors(double value, const Flags& flags, const AnswerFactor (&table)[N])
{
    for (const AnswerFactor& entry : table) {
        if (flags[entry.answer] != 0)
            value *= entry.factor;
    }
    return value;
}
} // namespace druginfo
