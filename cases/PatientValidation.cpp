#include "cases/PatientValidation.h"

#include "platform/OleDate.h"

#include <QCoreApplication>

#include <cmath>

namespace
{
const char* const kContext = "newPatient";

constexpr int kBirthdayLength = 10;
constexpr int kMonthPos = 0;
constexpr int kDayPos = 3;
constexpr int kYearPos = 6;
constexpr int kMonthDayDigits = 2;
constexpr int kYearDigits = 4;
constexpr int kFirstSlashPos = 2;
constexpr int kSecondSlashPos = 5;
constexpr int kMaxAgeYears = 120;

constexpr int kMonthsPerYear = 12;
constexpr int kFebruary = 2;
constexpr int kLeapYearCycle = 4;
constexpr int kLongMonthDays = 31;
constexpr int kShortMonthDays = 30;
constexpr int kLeapFebruaryDays = 29;
constexpr int kFebruaryDays = 28;

// Plausible ranges; every bound is accepted.
constexpr double kMinWeight = 0.1;
constexpr double kMaxWeightLb = 1000.0;
constexpr double kMaxWeightKg = 500.0;
constexpr double kMinHeightIn = 5.0;
constexpr double kMaxHeightIn = 90.0;
constexpr double kMinHeightCm = 10.0;
constexpr double kMaxHeightCm = 300.0;
constexpr double kMinCrs = 0.09;
constexpr double kMaxCrs = 15.0;
constexpr double kMinClcr = 0.0;
constexpr double kMaxClcr = 300.0;
constexpr double kMinAlbumin = 0.01;
constexpr double kMaxAlbumin = 10.0;

QString tr(const char* text)
{
    return QCoreApplication::translate(kContext, text);
}

bool allDigits(const QString& text, int from, int count)
{
    for (int i = from; i < from + count; ++i) {
        if (!text.at(i).isDigit() || text.at(i).unicode() > '9')
            return false;
    }
    return true;
}

int daysInMonth(int month, int year)
{
    switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
        return kShortMonthDays;
    case kFebruary:
        return year % kLeapYearCycle == 0 ? kLeapFebruaryDays : kFebruaryDays;
    default:
        return kLongMonthDays;
    }
}

bool outside(double value, double low, double high)
{
    return value < low || value > high;
}

// One verdict; the message only when the check failed.
FieldVerdict verdict(PatientField field, bool failed, const char* message)
{
    return FieldVerdict{field, failed, failed ? tr(message) : QString()};
}

FieldVerdict birthdayVerdict(const PatientFormInput& in)
{
    if (in.birthday.isEmpty())
        return verdict(PatientField::Birthday, true, "Please enter birthday.");
    if (!PatientValidation::isBirthdayFormatValid(in.birthday))
        return verdict(PatientField::Birthday, true, "Birthday format should be MM/DD/YYYY.");
    return verdict(PatientField::Birthday,
                   !PatientValidation::isBirthdayInRange(in.birthday, in.today),
                   "Birthday is not valid, age range should be 0-120.");
}

FieldVerdict weightVerdict(const PatientFormInput& in)
{
    const double weight = PatientValidation::fieldNumber(in.weight);
    if (in.weightInPounds)
        return verdict(PatientField::Weight, outside(weight, kMinWeight, kMaxWeightLb),
                       "Please input a valid Weight. Acceptable range is 0.1 lbs to 1000 lbs.");
    return verdict(PatientField::Weight, outside(weight, kMinWeight, kMaxWeightKg),
                   "Please input a valid Weight. Acceptable range is 0.1 kg to 500 kg.");
}

FieldVerdict heightVerdict(const PatientFormInput& in)
{
    const double height = PatientValidation::fieldNumber(in.height);
    if (in.heightInInches)
        return verdict(PatientField::Height, outside(height, kMinHeightIn, kMaxHeightIn),
                       "Please input a valid Height. Acceptable range is 5 inches to 90 inches.");
    return verdict(PatientField::Height, outside(height, kMinHeightCm, kMaxHeightCm),
                   "Please input a valid Height. Acceptable range is 10 cm to 300 cm.");
}

bool badCreatinine(const QString& text)
{
    return text.isEmpty() || outside(PatientValidation::fieldNumber(text), kMinCrs, kMaxCrs);
}

const char* const kCrsMessage =
    "Please input a correct Value of Crs. Acceptable range is 0.09 to 15 mg/dL";

} // namespace

namespace PatientValidation
{
BirthdayFields storedBirthday(const PatientRecord& patient)
{
    constexpr int notStored = -1;
    OleDateFields stored;
    if (patient.birthdayStatus == birthdayValid)
        stored = oleDateToFields(patient.birthday);
    BirthdayFields birthday;
    birthday.year = stored.valid ? stored.year : notStored;
    birthday.month = stored.valid ? stored.month : notStored;
    birthday.day = stored.valid ? stored.day : notStored;
    return birthday;
}

QString birthdayText(const PatientRecord& patient)
{
    const BirthdayFields birthday = storedBirthday(patient);
    const auto twoDigits = [](int value) {
        const QString text = QString::number(value);
        return text.size() == 1 ? QStringLiteral("0") + text : text;
    };
    return twoDigits(birthday.month) + QLatin1Char('/') + twoDigits(birthday.day) +
           QLatin1Char('/') + QString::number(birthday.year);
}

double fieldNumber(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

bool isBirthdayFormatValid(const QString& text)
{
    return text.size() == kBirthdayLength && text.at(kFirstSlashPos) == QLatin1Char('/') &&
           text.at(kSecondSlashPos) == QLatin1Char('/') &&
           allDigits(text, kMonthPos, kMonthDayDigits) &&
           allDigits(text, kDayPos, kMonthDayDigits) && allDigits(text, kYearPos, kYearDigits);
}

BirthdayFields birthdayFields(const QString& text)
{
    BirthdayFields fields;
    fields.month = text.mid(kMonthPos, kMonthDayDigits).toInt();
    fields.day = text.mid(kDayPos, kMonthDayDigits).toInt();
    fields.year = text.right(kYearDigits).toInt();
    return fields;
}

bool isBirthdayInRange(const QString& text, const QDate& today)
{
    if (!isBirthdayFormatValid(text) || !today.isValid())
        return false;
    const BirthdayFields b = birthdayFields(text);
    if (b.month < 1 || b.month > kMonthsPerYear)
        return false;
    if (b.day < 1 || b.day > daysInMonth(b.month, b.year))
        return false;
    // The calendar rule above is the one the form has always applied; the date must also exist.
    if (!QDate(b.year, b.month, b.day).isValid())
        return false;
    if (b.year < today.year() - kMaxAgeYears || b.year > today.year())
        return false;
    if (b.year == today.year()) {
        if (b.month > today.month())
            return false;
        if (b.month == today.month() && b.day > today.day())
            return false;
    }
    return true;
}

QDate birthdayDate(const QString& text, const QDate& today)
{
    if (!isBirthdayInRange(text, today))
        return QDate();
    const BirthdayFields b = birthdayFields(text);
    return QDate(b.year, b.month, b.day);
}

QVector<FieldVerdict> checkForm(const PatientFormInput& in)
{
    QVector<FieldVerdict> verdicts;
    verdicts << verdict(PatientField::FirstName, in.firstName.isEmpty(),
                        "Please enter first name.");
    verdicts << verdict(PatientField::LastName, in.lastName.isEmpty(), "Please enter last name.");
    verdicts << birthdayVerdict(in);
    verdicts << weightVerdict(in);
    verdicts << heightVerdict(in);
    verdicts << verdict(PatientField::Drug, !in.drugChosen, "Please select a drug.");
    verdicts << verdict(PatientField::RenalChoice, !in.crsChosen && !in.clcrChosen,
                        "Please choose Crs or CLcr.");
    verdicts << verdict(PatientField::Crs, in.crsChosen && badCreatinine(in.crs), kCrsMessage);
    verdicts << verdict(PatientField::Crs2, in.changingRenalFunction && badCreatinine(in.crs2),
                        kCrsMessage);
    verdicts << verdict(PatientField::CrsTime,
                        in.changingRenalFunction &&
                            (in.crsTime.isEmpty() || fieldNumber(in.crsTime) <= 0.0),
                        "Please input a correct Value of time. Acceptable range is greater than 0");
    verdicts << verdict(
        PatientField::Clcr,
        in.clcrChosen && (in.clcr.isEmpty() || outside(fieldNumber(in.clcr), kMinClcr, kMaxClcr)),
        "Please input a correct Value of CLCr.");
    if (in.albuminShown)
        verdicts << verdict(PatientField::Albumin,
                            outside(fieldNumber(in.albumin), kMinAlbumin, kMaxAlbumin),
                            "Please input a correct value of Albumin. Acceptable range is 0.01 "
                            "to 10 g/dL");
    return verdicts;
}

QString joinReasons(const QVector<FieldVerdict>& verdicts)
{
    QStringList reasons;
    for (const FieldVerdict& v : verdicts) {
        if (v.failed)
            reasons << v.message;
    }
    return reasons.join(QLatin1Char('\n'));
}

} // namespace PatientValidation
