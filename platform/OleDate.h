#pragma once

#include <QDate>
#include <QDateTime>

// OLE automation dates: days since 1899-12-30 00:00, the fraction being the time of day.
// Before that day the integer part counts days backward while the fraction still runs forward
// through the day, so -1.25 is 1899-12-29 06:00. Years 100 to 9999 are representable.
struct OleDate {
    double value = 0.0;
    bool valid = false;
};

struct OleDateFields {
    int year = -1, month = -1, day = -1, hour = 0, minute = 0, second = 0;
    bool valid = false;
};

// Valid only when the fields name a real moment that converts back to the same fields
// (29 February 2023 or 24:00 are invalid).
OleDate oleDateFromFields(int year, int month, int day, int hour = 0, int minute = 0,
                          int second = 0);
OleDate oleDateFromDate(const QDate& date);
// Taken as the date-time shows it in its own time zone, rounded to the nearest second.
OleDate oleDateFromDateTime(const QDateTime& dateTime);

// Rounds to the nearest second; invalid for values outside years 100 to 9999 and for NaN.
OleDateFields oleDateToFields(double value);
// Null / invalid results when the value is not a valid OLE date.
QDate oleDateToDate(double value);
QDateTime oleDateToDateTime(double value);
