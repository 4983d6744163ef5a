#pragma once

#include <QDate>

// A patient's age in fractional years, the way the population formulas expect it.
namespace AgeCalculator
{
// The date on which someone born on `birth` has a birthday in `year`; a 29 February birthday
// falls on 28 February in a year without that day.
QDate birthdayInYear(const QDate& birth, int year);

// Whole years by calendar comparison (a birthday tomorrow means not yet a year older), plus the
// days since the last birthday over 365. -1.0 when either date is invalid or birth lies after
// today, so no age is ever made from a date that does not exist.
double ageInYears(const QDate& birth, const QDate& today);
} // namespace AgeCalculator
