#include "settings/OlderCaseConversion.h"

#include "cases/AgeCalculator.h"
#include "cases/CaseStore.h"
#include "cases/PatientValidation.h"
#include "pkcore/DrugCodes.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/PkIndices.h"
#include "settings/RouteNameConversion.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cmath>
#include <optional>

namespace
{
QString translate(const char* text)
{
    return QCoreApplication::translate("ProgramSettingPage", text);
}

const QString notGivenText = QStringLiteral("-1");
const QString userChoicePrefix = QStringLiteral("UC_");
const QString doseTreatment = QStringLiteral("Dose");
const QString inpatient = QStringLiteral("I");
const QString outpatient = QStringLiteral("O");
constexpr double minutesPerHour = 60.0;
constexpr double mlPerLitre = 1000.0;
constexpr int hoursPerHalfDay = 12;
// The length of a drug code.
constexpr int drugCodeLength = 2;

// Yes/no fields as the older file writes them: -1 (its own yes) or 1 for yes, 0 for no.
enum class Flag { Yes, No, Unknown };

Flag flagOf(const QString& text)
{
    const QString t = text.trimmed().toLower();
    bool isNumber = false;
    const double number = t.toDouble(&isNumber);
    if (isNumber && (number == 1.0 || number == -1.0))
        return Flag::Yes;
    if (isNumber && number == 0.0)
        return Flag::No;
    if (t == QLatin1String("1") || t == QLatin1String("-1") || t == QLatin1String("true") ||
        t == QLatin1String("yes"))
        return Flag::Yes;
    if (t == QLatin1String("0") || t == QLatin1String("false") || t == QLatin1String("no"))
        return Flag::No;
    return Flag::Unknown;
}

std::optional<double> numberOf(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A number at full precision; a text that is no number stays as it stood.
QString exactOrAsIs(const QString& text)
{
    const auto value = numberOf(text);
    return value ? CaseStore::exactText(*value) : text.trimmed();
}

// A laboratory value; missing is not given.
QString labText(const QString& text)
{
    const auto value = numberOf(text);
    return value ? CaseStore::exactText(*value) : notGivenText;
}

// A weight or height of 0 or missing is not given, and nothing is divided by it.
std::optional<double> positive(const QString& text)
{
    const auto value = numberOf(text);
    return value && *value > 0.0 ? value : std::nullopt;
}

// Percent as the case tables hold it. A value up to 1 is a fraction (a compliance or
// bioavailability of 1 % is no clinical value), anything above already a percent.
QString percentOf(const QString& text)
{
    const auto value = numberOf(text);
    if (!value)
        return text.trimmed();
    if (*value > 0.0 && *value <= 1.0)
        return CaseStore::percentText(*value);
    return CaseStore::exactText(*value);
}

QString factorText(const QString& text)
{
    const auto value = numberOf(text);
    return value ? QString::number(qRound(*value)) : QString();
}

struct UnitTexts {
    const char* unit;
    const char* weightUnit;
    const char* heightUnit;
};

UnitTexts unitsOf(Flag kilograms, Flag centimetres)
{
    if (kilograms == Flag::Yes && centimetres == Flag::Yes)
        return {"KC", "kg", "cm"};
    if (kilograms == Flag::Yes && centimetres == Flag::No)
        return {"KI", "kg", "inch"};
    if (kilograms == Flag::No && centimetres == Flag::No)
        return {"LI", "lb", "inch"};
    return {"LC", "lb", "cm"};
}

QString sexOf(const QString& text)
{
    const QString t = text.trimmed().toUpper();
    if (t == QLatin1String("F") || t == QLatin1String("M"))
        return t;
    return flagOf(text) == Flag::No ? QStringLiteral("F") : QStringLiteral("M");
}

double storedNumber(const QString& text)
{
    return numberOf(text).value_or(kNotGiven);
}

// A date of the patient or case row; one that is no real date is stored as not given, and named.
QString givenDate(const QString& text, const QString& where, const QString& field,
                  QStringList* attention)
{
    const QString stored = OlderCaseConversion::storedDate(text);
    if (stored.isEmpty() && !text.trimmed().isEmpty())
        attention->append(translate("%1: the %2 \"%3\" is no real date; it was stored as not "
                                    "given.")
                              .arg(where, field, text));
    return stored;
}
} // namespace

OlderCaseConversion::OlderCaseConversion()
    : m_session(std::make_unique<SessionData>()),
      m_calculator(std::make_unique<PkCalculator>(m_session.get())),
      m_drugInfo(std::make_unique<DrugInfo>(m_session.get(), m_calculator.get()))
{
}

OlderCaseConversion::~OlderCaseConversion() = default;

QDate OlderCaseConversion::dateOf(const QString& text)
{
    static const QRegularExpression iso(QStringLiteral("(\\d{4})-(\\d{1,2})-(\\d{1,2})"));
    static const QRegularExpression us(QStringLiteral("(\\d{1,2})/(\\d{1,2})/(\\d{4})"));
    QRegularExpressionMatch m = iso.match(text);
    if (m.hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    m = us.match(text);
    if (m.hasMatch())
        return QDate(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
    return QDate();
}

QTime OlderCaseConversion::timeOf(const QString& text)
{
    // A date-time whose date is no real day is a value the driver could not represent; its
    // clock reading is no time either.
    static const QRegularExpression datePart(
        QStringLiteral("\\d{4}-\\d{1,2}-\\d{1,2}|\\d{1,2}/\\d{1,2}/\\d{4}"));
    if (text.contains(datePart) && !dateOf(text).isValid())
        return QTime();
    static const QRegularExpression clock(
        QStringLiteral("(\\d{1,2}):(\\d{2})(?::(\\d{2}))?(?:\\.\\d+)?\\s*([AaPp][Mm])?"));
    const QRegularExpressionMatch m = clock.match(text);
    if (!m.hasMatch())
        return QTime();
    int hour = m.captured(1).toInt();
    const QString half = m.captured(4).toUpper();
    if (half == QLatin1String("PM") && hour < hoursPerHalfDay)
        hour += hoursPerHalfDay;
    if (half == QLatin1String("AM") && hour == hoursPerHalfDay)
        hour = 0;
    return QTime(hour, m.captured(2).toInt(), m.captured(3).toInt());
}

QString OlderCaseConversion::storedDate(const QString& text)
{
    const QDate date = dateOf(text);
    if (!date.isValid())
        return QStringLiteral("");
    return dateString(date.year(), date.month(), date.day());
}

ConvertedPatient OlderCaseConversion::convert(const OldDbPatientRecord& older)
{
    ConvertedPatient p;
    p.firstName = older.firstName;
    p.lastName = older.lastName;
    p.sex = sexOf(older.sex);
    p.patientId = older.patientId.trimmed();
    p.note = older.note;
    const QString who = translate("%1 %2").arg(older.firstName, older.lastName).trimmed();
    p.dateStored = givenDate(older.dateStored, who, translate("date stored"), &p.attention);
    p.birthday = givenDate(older.birthday, who, translate("birthday"), &p.attention);
    if (older.recNum.trimmed().isEmpty())
        p.attention.append(translate("%1: the older patient key is empty, so no case could be "
                                     "joined to the patient.")
                               .arg(who));
    for (const OldDbCaseRecord& c : older.cases) {
        // The catalogue's bioavailability depends on the patient's age and answered factors.
        m_session->ageYears = AgeCalculator::ageInYears(dateOf(older.birthday), dateOf(c.date));
        m_session->factorFlags.fill(0);
        for (const QString& factor : {c.factor1, c.factor2}) {
            const int n = factorText(factor).toInt();
            if (n > 0 && n < pk::kFactorFlagCapacity)
                m_session->factorFlags[n] = 1;
        }
        p.cases.append(convertCase(c, who, &p.attention));
    }
    return p;
}

ConvertedCase OlderCaseConversion::convertCase(const OldDbCaseRecord& older, const QString& who,
                                               QStringList* attention)
{
    ConvertedCase c;
    const QString where = translate("%1, case %2").arg(who, older.caseNumber);
    c.date = givenDate(older.date, where, translate("case date"), attention);
    const UnitTexts units = unitsOf(flagOf(older.weightUnitFlag), flagOf(older.heightUnitFlag));
    c.unit = QLatin1String(units.unit);
    c.weightUnit = QLatin1String(units.weightUnit);
    c.heightUnit = QLatin1String(units.heightUnit);
    const auto weight = positive(older.weight);
    const auto height = positive(older.height);
    c.weight = weight ? CaseStore::exactText(*weight) : notGivenText;
    c.height = height ? CaseStore::exactText(*height) : notGivenText;
    c.scr = labText(older.scr);
    c.crcl = labText(older.crcl);
    c.albumin = labText(older.albumin);
    c.factor1 = factorText(older.factor1);
    c.factor2 = factorText(older.factor2);
    c.note = older.note;

    convertParameters(older, &c);
    if (!older.parameters)
        attention->append(translate("%1: the older file holds no parameters for the case; its "
                                    "custom set was stored empty.")
                              .arg(where));
    const QString& code = older.drugCode;
    // A text of another length would be taken for a drug's name.
    c.drugId = code == QLatin1String(userChoiceCode) ? userChoicePrefix + c.userChoice.drugNameText
               : code.size() == drugCodeLength       ? drugCode(code)
                                                     : QStringLiteral("None");
    if (c.drugId == QLatin1String("None"))
        attention->append(translate("%1: the drug code \"%2\" is not known; the case was kept "
                                    "without a drug.")
                              .arg(where, code));
    const QVector<QString> routes = DrugInfo::routeItems(code, c.userChoice, false);
    convertDoses(older, routes, &c, where, attention);
    convertLevels(older, &c, where, attention);
    addCustomF(code, routes, &c);
    return c;
}

void OlderCaseConversion::convertParameters(const OldDbCaseRecord& older, ConvertedCase* c)
{
    const OldDbParameterRow pk = older.parameters.value_or(OldDbParameterRow());
    const bool phenytoin = older.drugCode == QLatin1String(phenytoinCode);
    c->vd = exactOrAsIs(pk.vd);
    c->cl = exactOrAsIs(phenytoin ? pk.km : pk.cl);
    c->cf = percentOf(pk.cf);
    c->vmax = exactOrAsIs(pk.vmax);
    c->km = exactOrAsIs(pk.km);

    if (!older.userChoice)
        return;
    const OldDbUserChoiceRow& row = *older.userChoice;
    c->hasUserChoice = !row.drugName.isEmpty();
    UserChoiceRecord& u = c->userChoice;
    u.drugNameText = row.drugName;
    u.doseUnitText =
        flagOf(row.doseUnitFlag) == Flag::Yes ? QStringLiteral("mg") : QStringLiteral("mcg");
    // The drug's own row keeps the units its dialog offers: the volume per kilogram and the
    // clearance in mL/min unless the older row says litres.
    u.volumeText = c->vd;
    u.volumeUnitText = QStringLiteral("L");
    const auto vd = numberOf(pk.vd);
    const auto weight = positive(older.weight);
    if (flagOf(pk.vdFlag) != Flag::Yes && vd && weight) {
        const double kg = flagOf(older.weightUnitFlag) == Flag::Yes
                              ? *weight
                              : *weight * PatientValidation::kgPerPound;
        u.volumeText = CaseStore::exactText(*vd / kg);
        u.volumeUnitText = QStringLiteral("Lkg");
    }
    u.clearanceText = exactOrAsIs(pk.cl);
    u.clearanceUnitText = QStringLiteral("L");
    const auto cl = numberOf(pk.cl);
    if (flagOf(pk.clFlag) != Flag::Yes && cl) {
        u.clearanceText = CaseStore::exactText(*cl / minutesPerHour * mlPerLitre);
        u.clearanceUnitText = QStringLiteral("mL");
    }
    u.complianceText = c->cf;
    u.levelMinText = row.tMin;
    u.levelMaxText = row.tMax;
    u.lagTimeText = row.lag;
    u.oralFormText = row.oralForm;
    u.oralSaltText = row.oralSalt;
    u.oralKaText = row.oralKa;
    u.oralFText = percentOf(row.oralF);
    u.imSaltText = row.imSalt;
    u.imKaText = row.imKa;
    u.imFText = percentOf(row.imF);
    u.ivSaltText = row.ivSalt;
}

void OlderCaseConversion::convertDoses(const OldDbCaseRecord& older, const QVector<QString>& routes,
                                       ConvertedCase* c, const QString& where,
                                       QStringList* attention)
{
    for (const OldDbRecord4s4d& dose : older.doses) {
        DoseHistoryRow row;
        row.treatment = doseTreatment;
        row.date = dateOf(dose.date);
        row.time = timeOf(dose.time);
        row.route = convertRouteName(older.drugCode, dose.routeCode, c->userChoice.oralFormText);
        if (!routes.contains(row.route)) {
            attention->append(translate("%1: the dose route \"%2\" names no product of the drug; "
                                        "it was kept as it stood.")
                                  .arg(where, dose.routeCode));
            row.route = dose.routeCode;
        }
        if (!row.date.isValid() || !row.time.isValid())
            attention->append(translate("%1: the dose time \"%2 %3\" does not read as a date and "
                                        "time; what does not read was stored as not given.")
                                  .arg(where, dose.date, dose.time));
        row.inOut = flagOf(dose.inOutPatientFlag) == Flag::No ? inpatient : outpatient;
        row.dose = storedNumber(dose.dose);
        row.infusionTime = storedNumber(dose.infusionTime);
        row.interval = storedNumber(dose.interval);
        row.numberOfDoses = storedNumber(dose.doseCount);
        c->doses.append(row);
    }
}

void OlderCaseConversion::convertLevels(const OldDbCaseRecord& older, ConvertedCase* c,
                                        const QString& where, QStringList* attention)
{
    c->levels.resize(older.levels.size());
    for (int i = 0; i < older.levels.size(); ++i) {
        const OldDbRec16& level = older.levels[i];
        SerumLevelRow& row = c->levels[i];
        row.date = dateOf(level.date);
        row.time = timeOf(level.time);
        row.level = storedNumber(level.level);
        if (!row.date.isValid() || !row.time.isValid())
            attention->append(translate("%1: the level time \"%2 %3\" does not read as a date "
                                        "and time; what does not read was stored as not given.")
                                  .arg(where, level.date, level.time));
    }
}

void OlderCaseConversion::addCustomF(const QString& drugCode, const QVector<QString>& routes,
                                     ConvertedCase* c)
{
    m_session->patient.drugCode = drugCode;
    m_session->userChoice = c->userChoice;
    for (const QString& route : routes) {
        const double f = m_drugInfo->bioavailability(route, drugCode);
        const double fsd = m_drugInfo->bioavailabilityRange(route, drugCode);
        c->customF.append({route, CaseStore::exactText(f), CaseStore::exactText(fsd)});
    }
}
