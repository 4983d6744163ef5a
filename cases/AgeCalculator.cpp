#include "cases/AgeCalculator.h"

#include <algorithm>

namespace
{
// The population formulas were fitted with a 365-day year.
constexpr int kDaysPerYear = 365;
constexpr int kFebruary = 2;
constexpr int kLeapDay = 29;
constexpr int kLastDayOfShortFebruary = 28;
} // namespace

namespace AgeCalculator
{

QDate birthdayInYear(const QDate& birth, int year)
{
    if (birth.month() == kFebruary && birth.day() == kLeapDay && !QDate::isLeapYear(year))
        return QDate(year, kFebruary, kLastDayOfShortFebruary);
    return QDate(year, birth.month(), birth.day());
}

double ageInYears(const QDate& birth, const QDate& today)
{
    if (!birth.isValid() || !today.isValid() || birth > today)
        return -1.0;

    int years = today.year() - birth.year();
    if (birthdayInYear(birth, today.year()) > today)
        --years;
    const QDate lastBirthday = birthdayInYear(birth, birth.year() + years);
    // In a year that holds 29 February the day before a birthday lies 365 days after the last
    // one; it must still count as less than a full year.
    const qint64 days = std::min<qint64>(lastBirthday.daysTo(today), kDaysPerYear - 1);
    return years + double(days) / kDaysPerYear;
}

} // namespace AgeCalculator
