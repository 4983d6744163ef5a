#pragma once

#include "pkcore/SessionData.h"

// The body and renal values that make the case page's fields their widest: pounds and inches,
// two creatinine values a day apart, albumin. Tests of what fits on screen start from these.
inline void setWideMeasures(SessionData& s)
{
    s.patient.weightUnit = QStringLiteral("lb");
    s.patient.heightUnit = QStringLiteral("in");
    s.weightKg = 150.5 * 0.453597;
    s.heightCm = 66.0 * 2.5399;
    s.ageYears = 45.0;
    s.renalMode = 1;
    s.scr1 = 1.25;
    s.scr2 = 1.65;
    s.scrHoursBetween = 24.0;
    s.albumin = 3.5;
}
