#include "platform/OleDate.h"

#include <cmath>

namespace
{
constexpr int minimumYear = 100;
constexpr int maximumYear = 9999;
constexpr int secondsPerDay = 24 * 60 * 60;
constexpr int secondsPerHour = 60 * 60;
constexpr int secondsPerMinute = 60;
constexpr int millisecondsPerSecond = 1000;

QDate epoch()
{
    return QDate(1899, 12, 30);
}

bool yearInRange(int year)
{
    return year >= minimumYear && year <= maximumYear;
}

double lowestValue()
{
    return double(epoch().daysTo(QDate(minimumYear, 1, 1)));
}

// The last second of 9999-12-31; anything that would round beyond it is out of range.
double highestValue()
{
    return double(epoch().daysTo(QDate(maximumYear, 12, 31))) +
           double(secondsPerDay - 1) / secondsPerDay;
}

// The value's day and the second of that day it rounds to; the rounding may carry into the
// next day.
bool splitValue(double value, QDate* date, int* secondOfDay)
{
    if (!std::isfinite(value) || value <= lowestValue() - 1.0 || value > highestValue() + 1.0)
        return false;
    const double wholeDays = std::trunc(value);
    const double fraction = std::fabs(value - wholeDays);
    qint64 seconds = std::llround(fraction * secondsPerDay);
    QDate day = epoch().addDays(qint64(wholeDays));
    if (seconds >= secondsPerDay) {
        day = day.addDays(1);
        seconds -= secondsPerDay;
    }
    if (!day.isValid() || !yearInRange(day.year()))
        return false;
    *date = day;
    *secondOfDay = int(seconds);
    return true;
}
} // namespace

OleDate oleDateFromFields(int year, int month, int day, int hour, int minute, int second)
{
    OleDate result;
    if (!yearInRange(year) || !QDate::isValid(year, month, day) ||
        !QTime::isValid(hour, minute, second))
        return result;
    const qint64 days = epoch().daysTo(QDate(year, month, day));
    const double fraction =
        double(hour * secondsPerHour + minute * secondsPerMinute + second) / secondsPerDay;
    result.value = days >= 0 ? double(days) + fraction : double(days) - fraction;

    const OleDateFields back = oleDateToFields(result.value);
    result.valid = back.valid && back.year == year && back.month == month && back.day == day &&
                   back.hour == hour && back.minute == minute && back.second == second;
    return result;
}

OleDate oleDateFromDate(const QDate& date)
{
    if (!date.isValid())
        return OleDate();
    return oleDateFromFields(date.year(), date.month(), date.day());
}

OleDate oleDateFromDateTime(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return OleDate();
    QDate date = dateTime.date();
    int seconds =
        int(std::lround(double(dateTime.time().msecsSinceStartOfDay()) / millisecondsPerSecond));
    if (seconds >= secondsPerDay) {
        date = date.addDays(1);
        seconds -= secondsPerDay;
    }
    return oleDateFromFields(date.year(), date.month(), date.day(), seconds / secondsPerHour,
                             seconds % secondsPerHour / secondsPerMinute,
                             seconds % secondsPerMinute);
}

OleDateFields oleDateToFields(double value)
{
    OleDateFields fields;
    QDate date;
    int secondOfDay = 0;
    if (!splitValue(value, &date, &secondOfDay))
        return fields;
    fields.year = date.year();
    fields.month = date.month();
    fields.day = date.day();
    fields.hour = secondOfDay / secondsPerHour;
    fields.minute = secondOfDay % secondsPerHour / secondsPerMinute;
    fields.second = secondOfDay % secondsPerMinute;
    fields.valid = true;
    return fields;
}

QDate oleDateToDate(double value)
{
    const OleDateFields fields = oleDateToFields(value);
    return fields.valid ? QDate(fields.year, fields.month, fields.day) : QDate();
}

QDateTime oleDateToDateTime(double value)
{
    const OleDateFields fields = oleDateToFields(value);
    if (!fields.valid)
        return QDateTime();
    return QDateTime(QDate(fields.year, fields.month, fields.day),
                     QTime(fields.hour, fields.minute, fields.second));
}
