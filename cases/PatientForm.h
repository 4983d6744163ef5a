#pragma once

#include "cases/PatientValidation.h"

class SessionData;

namespace PatientForm
{
// The stored units of weight and height.
inline constexpr char poundUnit[] = "lb";
inline constexpr char kilogramUnit[] = "kg";
inline constexpr char inchUnit[] = "in";
inline constexpr char centimetreUnit[] = "cm";

// Renal function as the form's list offers it; stored in SessionData::renalMode.
constexpr int stableRenalFunction = 0;
constexpr int changingRenalFunction = 1;

// Writes the patient and case header, the measures (in kg and cm) and the age of a form that
// passed the checks into the session. Numbers, factors and estimates are not the form's.
void applyForm(const PatientFormInput& input, SessionData& session);
} // namespace PatientForm
