#pragma once

#include "cases/PatientValidation.h"

class SessionData;

namespace PatientForm
{
// Renal function as the form's list offers it; stored in SessionData::renalMode.
constexpr int stableRenalFunction = 0;
constexpr int changingRenalFunction = 1;

// Writes the patient and case header, the measures (in kg and cm) and the age of a form that
// passed the checks into the session. Numbers, factors and estimates are not the form's.
void applyForm(const PatientFormInput& input, SessionData& session);
} // namespace PatientForm
