#include "cases/CaseStore.h"

#include "cases/PatientValidation.h"
#include "cases/SqlStatement.h"
#include "cases/StoredRecords.h"
#include "pkcore/DrugCodes.h"
#include "pkcore/PkIndices.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace
{
const char* const context = "CaseStore";

QString text(const char* source)
{
    return QCoreApplication::translate(context, source);
}

const QString userChoicePrefix = QStringLiteral("UC_");
const QString stampSeparator = QStringLiteral("  ");
const QString pkTypeCustom = QStringLiteral("C");
constexpr double percent = 100.0;
constexpr int percentPlaces = 2; // decimal places between a fraction and its percent
// Factor flags the save looks at, from 1.
constexpr int lastFactorFlag = pk::kFactorFlagCapacity - 1;

// Columns of a PK row, in stored order.
enum PkColumn {
    pkVd = 2,
    pkCl,
    pkCf,
    pkVdRange,
    pkClRange,
    pkCfRange,
    pkVmax,
    pkKm,
    pkVmaxRange,
    pkKmRange
};

// Columns of a CustomF row.
enum CustomFColumn { customFRoute = 1, customFValue, customFRange };

// The unit pair of the Cases row.
struct UnitTexts {
    QString unit;
    QString weightUnit;
    QString heightUnit;
};

UnitTexts unitTexts(const QString& heightUnit, const QString& weightUnit)
{
    const QString kg = QStringLiteral("kg");
    const QString lb = QStringLiteral("lb");
    const QString cm = QStringLiteral("cm");
    const QString inch = QStringLiteral("inch");
    if (heightUnit == cm && weightUnit == kg)
        return {QStringLiteral("KC"), kg, cm};
    if (heightUnit == QLatin1String("in") && weightUnit == kg)
        return {QStringLiteral("KI"), kg, inch};
    if (heightUnit == QLatin1String("in") && weightUnit == lb)
        return {QStringLiteral("LI"), lb, inch};
    return {QStringLiteral("LC"), lb, cm};
}

QString birthdayText(const PatientRecord& patient)
{
    const BirthdayFields birthday = PatientValidation::storedBirthday(patient);
    return dateString(birthday.year, birthday.month, birthday.day);
}
} // namespace

CaseStore::CaseStore(SessionData* session) : m_session(session) {}

QString CaseStore::saveStamp(const QDateTime& now)
{
    const QDate day = now.date();
    return dateString(day.year(), day.month(), day.day()) + stampSeparator +
           now.time().toString(QStringLiteral("hh:mm:ss"));
}

double CaseStore::relativeRange(double range, double value)
{
    if (value == 0.0)
        return 0.0;
    const double relative = range / value;
    return std::isfinite(relative) ? relative : 0.0;
}

QString CaseStore::numberText(double value)
{
    return QString::number(value, 'g', 6);
}

QString CaseStore::exactText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString CaseStore::percentText(double fraction)
{
    if (!std::isfinite(fraction))
        return exactText(fraction * percent);
    const QString digits =
        QString::number(std::fabs(fraction), 'f', QLocale::FloatingPointShortest);
    const int point = digits.indexOf(QLatin1Char('.'));
    QString whole = point < 0 ? digits : digits.left(point);
    QString decimals = point < 0 ? QString() : digits.mid(point + 1);
    decimals = decimals.leftJustified(percentPlaces, QLatin1Char('0'));
    whole += decimals.left(percentPlaces);
    decimals = decimals.mid(percentPlaces);
    int zeros = 0;
    while (zeros + 1 < whole.size() && whole[zeros] == QLatin1Char('0'))
        ++zeros;
    QString text = whole.mid(zeros);
    if (!decimals.isEmpty())
        text += QLatin1Char('.') + decimals;
    return fraction < 0 ? QLatin1Char('-') + text : text;
}

double CaseStore::fractionOfPercent(const QString& percentText)
{
    // Moving the point back in the text leaves one rounding, that of reading the number.
    const QString text = percentText.trimmed();
    const int e = text.indexOf(QLatin1Char('e'), 0, Qt::CaseInsensitive);
    const QString mantissa = e < 0 ? text : text.left(e);
    const int exponent = e < 0 ? 0 : text.mid(e + 1).toInt();
    bool ok = false;
    const double fraction =
        (mantissa + QLatin1Char('e') + QString::number(exponent - percentPlaces)).toDouble(&ok);
    return ok ? fraction : 0.0;
}

QString CaseStore::shownMeasureNumber(const QString& shown)
{
    return numberText(shown.left(shown.size() - 2).trimmed().toDouble());
}

QString CaseStore::caseText() const
{
    return QString::number(m_session->caseNumber);
}

QString CaseStore::recordText() const
{
    return QString::number(m_session->recNum);
}

// Runs an insert and keeps the number the database gave the new row; the row's failure text
// and the text for a missing number name what was added.
bool CaseStore::insertRow(SqlStatement& query, const char* failure, const char* noNumber,
                          qint32* number)
{
    if (!query.exec())
        return fail(text(failure), query);
    const QVariant id = query.lastInsertId();
    if (!id.isValid())
        return fail(text(failure), text(noNumber));
    *number = id.toInt();
    return true;
}

bool CaseStore::fail(const QString& what, const SqlStatement& query)
{
    return fail(what, query.error());
}

bool CaseStore::fail(const QString& what, const QString& error)
{
    m_failure = what + error;
    return false;
}

// ---- The save ----

SaveOutcome CaseStore::save(const CasePageTexts& texts, const QString& requestedStamp,
                            const ExtraRows& extraRows)
{
    m_failure.clear();
    const qint32 recNumBefore = m_session->recNum;
    const qint32 caseNumberBefore = m_session->caseNumber;

    // Immediate: the write lock is held from the stamp checks to the commit, so no other
    // program's save can slip in between.
    QSqlDatabase db = QSqlDatabase::database();
    QSqlQuery begin(db);
    if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        fail(text("Save fail\n"), begin.lastError().text());
        return {false, m_failure};
    }
    const QString stamp = freshStamp(requestedStamp);
    m_texts = texts;
    bool newCase = false;
    bool ok = savePatient(stamp) && saveCase(stamp, &newCase) && savePK(newCase);
    if (ok && extraRows && !extraRows()) {
        ok = false;
        m_failure.clear(); // the writer has told the user
    }
    if (ok && !db.commit()) {
        ok = false;
        fail(text("Save fail\n"), db.lastError().text());
    }
    if (!ok) {
        db.rollback();
        m_session->recNum = recNumBefore;
        m_session->caseNumber = caseNumberBefore;
        return {false, m_failure};
    }
    keepSavedCopies();
    m_session->patientStamp = stamp;
    m_session->caseStamp = stamp;
    // The row now holds these details, or another user's that this page did not change.
    m_session->patientDetails = patientValues();
    m_session->saved = true;
    return {true, QString()};
}

// Stamps keep whole seconds, and two saves of one row within a second would otherwise be
// able to write a stamp that a third session read earlier, which then passes that session's
// stale save. A stamp later than every one it replaces never repeats an earlier one.
QString CaseStore::freshStamp(const QString& stamp) const
{
    QDateTime fresh = stampTime(stamp);
    if (!fresh.isValid())
        return stamp;
    const QStringList replaced = {
        storedStamp(QStringLiteral("SELECT DATE_STORED FROM Patients WHERE REC_NUM = :n"),
                    m_session->recNum),
        storedStamp(QStringLiteral("SELECT DATE_UPDATED FROM Cases WHERE CASE_NUMBER = :n"),
                    m_session->caseNumber),
        m_session->patientStamp, m_session->caseStamp};
    for (const QString& other : replaced) {
        const QDateTime time = stampTime(other);
        if (time.isValid() && fresh <= time)
            fresh = time.addSecs(1);
    }
    return saveStamp(fresh);
}

// The stamp of a stored row; empty when there is none or it cannot be read (the check that
// follows reports that).
QString CaseStore::storedStamp(const QString& sql, qint32 number)
{
    if (number == 0)
        return QString();
    SqlStatement query(sql);
    query.bind(QStringLiteral(":n"), number);
    return query.exec() && query.next() ? query.value(0).toString() : QString();
}

// The clock reading of a stamp, taken as universal time so that no daylight-saving gap makes
// a stamp unreadable; invalid for a text of another form.
QDateTime CaseStore::stampTime(const QString& stamp)
{
    const QStringList parts = stamp.split(stampSeparator);
    if (parts.size() != 2)
        return QDateTime();
    const QDate day = QDate::fromString(parts[0], QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(parts[1], QStringLiteral("hh:mm:ss"));
    return day.isValid() && time.isValid() ? QDateTime(day, time, Qt::UTC) : QDateTime();
}

void CaseStore::keepSavedCopies()
{
    SessionData& s = *m_session;
    for (int slot : {pk::kVd, pk::kCl, pk::kCF, pk::kKm, pk::kVmax})
        s.pkSets[pk::kSavedCustom][slot] = s.pkSets[pk::kCustom][slot];
    for (int i = 0; i <= pk::kFitVmax; ++i)
        s.savedCustomRanges[i] = s.customRanges[i];
    s.savedRouteF = s.routeF;
    s.savedRouteFsd = s.routeFsd;
}

// ---- Patient ----

bool CaseStore::savePatient(const QString& stamp)
{
    bool updated = false;
    if (m_session->recNum != 0 && !updatePatient(stamp, &updated))
        return false;
    // A patient removed since it was opened is stored anew rather than lost.
    return updated || insertPatient(stamp);
}

// In the order of StoredRecords::patientDetails.
QStringList CaseStore::patientValues() const
{
    const PatientRecord& p = m_session->patient;
    return {p.firstName, p.lastName, birthdayText(p), p.sex, p.hospitalId, p.patientNote};
}

void CaseStore::bindPatientValues(SqlStatement& query, const QString& stamp) const
{
    const QStringList values = patientValues();
    const char* const placeholders[] = {":first", ":last", ":bday", ":sex", ":pnum", ":note"};
    for (int i = 0; i < values.size(); ++i)
        query.bind(QLatin1String(placeholders[i]), values[i]);
    query.bind(QStringLiteral(":updateDate"), stamp);
}

// The details this session read. One that kept no copy still knows them while the row carries
// the stamp it read; otherwise they are unknown (empty), and only a row already holding the
// page's details is taken as unchanged.
QStringList CaseStore::patientDetailsAsRead(const StoredPatient& stored) const
{
    if (!m_session->patientDetails.isEmpty())
        return m_session->patientDetails;
    return stored.dateStored == m_session->patientStamp ? StoredRecords::patientDetails(stored)
                                                        : QStringList();
}

// Every save of a case rewrites the patient's stamp, so the stamp cannot tell whether the
// patient's details were changed elsewhere; the details themselves can. The page's details are
// written only when this session changed them, and then only over the details it read: a save
// that changed nothing of the patient keeps what another user stored meanwhile.
CaseStore::StoredRow CaseStore::patientRow(bool* writeDetails)
{
    StoredPatient stored;
    QString error;
    const StoredRecords::Outcome outcome =
        StoredRecords::readPatient(m_session->recNum, &stored, &error);
    if (outcome == StoredRecords::Outcome::Failed) {
        fail(text("Update Patient fail\n"), error);
        return StoredRow::Unreadable;
    }
    if (outcome == StoredRecords::Outcome::NotFound)
        return StoredRow::Missing;
    const QStringList ours = patientValues();
    const QStringList now = StoredRecords::patientDetails(stored);
    const QStringList read = patientDetailsAsRead(stored);
    *writeDetails = ours != read && ours != now;
    if (!*writeDetails || now == read)
        return StoredRow::AsRead;
    fail(text("Another user changed this patient after you opened it; nothing was saved, and "
              "your entries are still on the page."),
         QString());
    return StoredRow::ChangedElsewhere;
}

CaseStore::StoredRow CaseStore::caseRow()
{
    SqlStatement query(QStringLiteral("SELECT DATE_UPDATED FROM Cases WHERE CASE_NUMBER = :case"));
    query.bind(QStringLiteral(":case"), m_session->caseNumber);
    if (!query.exec()) {
        fail(text("Update Case fail\n"), query);
        return StoredRow::Unreadable;
    }
    if (!query.next())
        return StoredRow::Missing;
    if (query.value(0).toString() == m_session->caseStamp)
        return StoredRow::AsRead;
    fail(text("Another user changed this case after you opened it; nothing was saved, and your "
              "entries are still on the page."),
         QString());
    return StoredRow::ChangedElsewhere;
}

bool CaseStore::insertPatient(const QString& stamp)
{
    SqlStatement query(QStringLiteral(
        "INSERT INTO Patients VALUES(NULL,:first,:last,:updateDate,:bday,:sex,:pnum,:note)"));
    bindPatientValues(query, stamp);
    return insertRow(query, "Add Patient fail\n", "No record number was assigned.",
                     &m_session->recNum);
}

// The stamp moves on with every save (it is the patient's last update in the patient list),
// the details only when this save writes them.
bool CaseStore::updatePatient(const QString& stamp, bool* updated)
{
    bool writeDetails = false;
    const StoredRow row = patientRow(&writeDetails);
    *updated = false;
    if (row != StoredRow::AsRead)
        return row == StoredRow::Missing;
    SqlStatement query(
        writeDetails
            ? QStringLiteral("UPDATE Patients SET FIRST_NAME = :first, LAST_NAME = :last, "
                             "BIRTHDAY = :bday, SEX = :sex, NOTE = :note, PATIENT_ID = :pnum, "
                             "DATE_STORED = :updateDate WHERE REC_NUM = :rec")
            : QStringLiteral("UPDATE Patients SET DATE_STORED = :updateDate WHERE REC_NUM = :rec"));
    if (writeDetails)
        bindPatientValues(query, stamp);
    else
        query.bind(QStringLiteral(":updateDate"), stamp);
    query.bind(QStringLiteral(":rec"), m_session->recNum);
    if (!query.exec())
        return fail(text("Update Patient fail\n"), query);
    *updated = query.numRowsAffected() > 0;
    return true;
}

// ---- Case ----

bool CaseStore::saveCase(const QString& stamp, bool* newCase)
{
    bool updated = false;
    if (m_session->caseNumber != 0 && !updateCase(stamp, &updated))
        return false;
    // A case removed since it was opened is stored anew, under the patient saved above.
    *newCase = !updated;
    if (*newCase && !insertCase(stamp))
        return false;
    return m_session->patient.drugCode != QLatin1String(userChoiceCode) || saveUserChoice(*newCase);
}

void CaseStore::bindCaseValues(SqlStatement& query, const QString& stamp, bool insert) const
{
    const SessionData& s = *m_session;
    const QString drug = s.patient.drugCode == QLatin1String(userChoiceCode)
                             ? userChoicePrefix + s.userChoice.drugNameText
                             : drugCode(s.patient.drugCode);
    const UnitTexts units = unitTexts(s.patient.heightUnit, s.patient.weightUnit);
    query.bind(QStringLiteral(":date"), stamp);
    query.bind(QStringLiteral(":drug"), drug);
    query.bind(QStringLiteral(":unit"), units.unit);
    query.bind(QStringLiteral(":w_unit"), units.weightUnit);
    query.bind(QStringLiteral(":h_unit"), units.heightUnit);
    query.bind(QStringLiteral(":scr"), numberText(s.scr1));
    query.bind(QStringLiteral(":crcl"), numberText(s.crcl));
    query.bind(QStringLiteral(":albumin"), numberText(s.albumin));
    query.bind(QStringLiteral(":note"), s.patient.caseNote);
    query.bind(QStringLiteral(":uname"), s.userName);
    query.bind(QStringLiteral(":wt"), shownMeasureNumber(m_texts.weight));
    query.bind(QStringLiteral(":ht"), shownMeasureNumber(m_texts.height));

    // An update of a stable renal function clears both texts; an insert keeps -1.
    const bool clearSecond = !insert && s.scr2 == pknum::kNotGiven;
    query.bind(QStringLiteral(":scr2"), clearSecond ? QString() : numberText(s.scr2));
    query.bind(QStringLiteral(":time"), clearSecond ? QString() : numberText(s.scrHoursBetween));

    // The first two ticked factors by number; one ticked leaves the second NULL.
    QVector<int> ticked;
    for (int n = 1; n <= lastFactorFlag && ticked.size() < 2; ++n) {
        if (s.factorFlags[n] != 0)
            ticked.append(n);
    }
    if (ticked.isEmpty()) {
        query.bind(QStringLiteral(":f1"), QString(""));
        query.bind(QStringLiteral(":f2"), QString(""));
    } else {
        query.bind(QStringLiteral(":f1"), ticked[0]);
        query.bind(QStringLiteral(":f2"),
                   ticked.size() > 1 ? QVariant(ticked[1]) : QVariant(QVariant::Int));
    }
}

bool CaseStore::insertCase(const QString& stamp)
{
    SqlStatement query(QStringLiteral(
        "INSERT INTO Cases VALUES(NULL,:rec,:date,:drug,:unit,:wt,:w_unit,:ht,:h_unit,:scr,:crcl,"
        ":albumin,:f1,:f2,:note,:scr2,:time,:uname)"));
    query.bind(QStringLiteral(":rec"), recordText());
    bindCaseValues(query, stamp, true);
    return insertRow(query, "Add Case fail\n", "No case number was assigned.",
                     &m_session->caseNumber);
}

bool CaseStore::updateCase(const QString& stamp, bool* updated)
{
    const StoredRow row = caseRow();
    *updated = false;
    if (row != StoredRow::AsRead)
        return row == StoredRow::Missing;
    SqlStatement query(QStringLiteral(
        "UPDATE Cases SET DATE_UPDATED = :date,DRUG_ID = :drug,UNIT = :unit,WT = :wt,"
        "W_UNIT = :w_unit,HT = :ht,H_UNIT = :h_unit,SCR = :scr,CRCL = :crcl,ALBUMIN = :albumin,"
        "FACTOR1 = :f1,FACTOR2 = :f2,CASE_NOTE = :note,SCR2 = :scr2,TIME = :time,"
        "MODIFY_BY =:uname WHERE CASE_NUMBER = :case"));
    bindCaseValues(query, stamp, false);
    query.bind(QStringLiteral(":case"), m_session->caseNumber);
    if (!query.exec())
        return fail(text("Update Case fail\n"), query);
    *updated = query.numRowsAffected() > 0;
    return true;
}

// ---- User's-choice drug ----

bool CaseStore::saveUserChoice(bool newCase)
{
    bool updated = false;
    if (!newCase && !updateUserChoice(&updated))
        return false;
    if (!updated && !insertUserChoice())
        return false;
    return insertUserChoiceRoutes();
}

namespace
{
void bindUserChoiceValues(SqlStatement& query, const UserChoiceRecord& u)
{
    query.bind(QStringLiteral(":name"), u.drugNameText);
    query.bind(QStringLiteral(":unit"), u.doseUnitText);
    query.bind(QStringLiteral(":cl"), u.clearanceText);
    query.bind(QStringLiteral(":clunit"), u.clearanceUnitText);
    query.bind(QStringLiteral(":vd"), u.volumeText);
    query.bind(QStringLiteral(":vdunit"), u.volumeUnitText);
    query.bind(QStringLiteral(":cf"), u.complianceText);
    query.bind(QStringLiteral(":tmin"), u.levelMinText);
    query.bind(QStringLiteral(":tmax"), u.levelMaxText);
    query.bind(QStringLiteral(":tlag"), u.lagTimeText);
}
} // namespace

bool CaseStore::insertUserChoice()
{
    SqlStatement query(
        QStringLiteral("INSERT INTO UserChoice VALUES(:case,:name,:unit,:cl,:clunit,:vd,"
                       ":vdunit,:cf,:tmin,:tmax,:tlag)"));
    query.bind(QStringLiteral(":case"), caseText());
    bindUserChoiceValues(query, m_session->userChoice);
    return query.exec() || fail(text("Add User Choice fail\n"), query);
}

bool CaseStore::updateUserChoice(bool* updated)
{
    SqlStatement query(QStringLiteral(
        "UPDATE UserChoice SET DRUG_NAME = :name,UNIT = :unit,CL = :cl,CL_UNIT = :clunit,VD = :vd,"
        "VD_UNIT = :vdunit,CF = :cf,T_MIN = :tmin,T_MAX = :tmax,LAG = :tlag "
        "WHERE CASE_NUMBER = :case"));
    bindUserChoiceValues(query, m_session->userChoice);
    query.bind(QStringLiteral(":case"), m_session->caseNumber);
    if (!query.exec())
        return fail(text("Update User Choice fail\n"), query);
    *updated = query.numRowsAffected() > 0;
    return true;
}

bool CaseStore::insertUserChoiceRoutes()
{
    SqlStatement query(QStringLiteral("DELETE FROM UserChoiceRoute WHERE CASE_NUMBER = :case"));
    query.bind(QStringLiteral(":case"), m_session->caseNumber);
    if (!query.exec())
        return fail(text("Delete User Choice Route fail\n"), query);

    const UserChoiceRecord& u = m_session->userChoice;
    if (!u.oralSaltText.isEmpty() &&
        !insertUserChoiceRoute(QStringLiteral("O"), u.oralFormText, u.oralSaltText, u.oralKaText,
                               u.oralFText, text("Add User Choice Drug fail\n")))
        return false;
    if (!u.imSaltText.isEmpty() &&
        !insertUserChoiceRoute(QStringLiteral("IM"), QString(""), u.imSaltText, u.imKaText,
                               u.imFText, text("Add User Choice IM fail\n")))
        return false;
    return u.ivSaltText.isEmpty() ||
           insertUserChoiceRoute(QStringLiteral("IV"), QString(""), u.ivSaltText, QString(""),
                                 QString(""), text("Add User Choice IV fail\n"));
}

bool CaseStore::insertUserChoiceRoute(const QString& route, const QString& form,
                                      const QString& salt, const QString& ka, const QString& f,
                                      const QString& failureText)
{
    SqlStatement query(
        QStringLiteral("INSERT INTO UserChoiceRoute VALUES(:case,:route,:form,:salt,:ka,:f)"));
    query.bind(QStringLiteral(":case"), caseText());
    query.bind(QStringLiteral(":route"), route);
    query.bind(QStringLiteral(":form"), form);
    query.bind(QStringLiteral(":salt"), salt);
    query.bind(QStringLiteral(":ka"), ka);
    query.bind(QStringLiteral(":f"), f);
    return query.exec() || fail(failureText, query);
}

// ---- Custom parameters ----

bool CaseStore::savePK(bool newCase)
{
    // A case inserted by this save cannot have a PK row yet.
    bool stored = false;
    if (!newCase) {
        SqlStatement query(QStringLiteral("SELECT CASE_NUMBER FROM PK WHERE CASE_NUMBER = :case"));
        query.bind(QStringLiteral(":case"), m_session->caseNumber);
        if (!query.exec())
            return fail(text("Update PK fail\n"), query);
        stored = query.next();
    }
    return writePK(stored) && saveCustomF();
}

bool CaseStore::writePK(bool update)
{
    SqlStatement query(
        update
            ? QStringLiteral(
                  "UPDATE PK SET TYPE = :type, VD = :vd, CL = :cl, CF = :cf, VD_RANGE = :vdr, "
                  "CL_RANGE = :clr, CF_RANGE = :cfr, VMAX = :vmax, KM = :km, VMAX_RANGE = :vmaxr, "
                  "KM_RANGE = :kmr WHERE CASE_NUMBER = :case")
            : QStringLiteral("INSERT INTO PK VALUES(:case,:type,:vd,:cl,:cf,:vdr,:clr,:cfr,"
                             ":vmax,:km,:vmaxr,:kmr)"));
    // The update selects by number, the insert stores the number's text.
    query.bind(QStringLiteral(":case"),
               update ? QVariant(m_session->caseNumber) : QVariant(caseText()));
    bindPKValues(query);
    if (query.exec())
        return true;
    return fail(update ? text("Update PK fail\n") : text("Add PK fail\n"), query);
}

// The custom set as the case page shows it, at full precision: ranges as spreads in the unit
// of their value, CF and its spread in percent. Phenytoin shows Km in the Cl row, Vmax in the
// CF row and CF in the fourth row, and its CL columns repeat Km.
void CaseStore::bindPKValues(SqlStatement& query) const
{
    const PkParameterSet& p = m_session->pkSets[pk::kCustom];
    const RangeBlock& r = m_session->customRanges;
    const bool phenytoin = m_session->patient.drugCode == QLatin1String(phenytoinCode);
    const QString cfPercent = percentText(p[pk::kCF]);
    // The spread of CF is taken from the percent as stored, which loading divides by.
    const double cfSpread = cfPercent.toDouble() * r[pk::kFitCF];
    const QString kmSpread = exactText(p[pk::kKm] * r[pk::kFitKm]);
    const QString none("");
    query.bind(QStringLiteral(":type"), pkTypeCustom);
    query.bind(QStringLiteral(":vd"), exactText(p[pk::kVd]));
    query.bind(QStringLiteral(":vdr"), exactText(p[pk::kVd] * r[pk::kFitVd]));
    query.bind(QStringLiteral(":cl"), exactText(phenytoin ? p[pk::kKm] : p[pk::kCl]));
    query.bind(QStringLiteral(":clr"),
               phenytoin ? kmSpread : exactText(p[pk::kCl] * r[pk::kFitCl]));
    query.bind(QStringLiteral(":cf"), cfPercent);
    query.bind(QStringLiteral(":cfr"), exactText(cfSpread));
    query.bind(QStringLiteral(":vmax"), phenytoin ? exactText(p[pk::kVmax]) : none);
    query.bind(QStringLiteral(":km"), phenytoin ? exactText(p[pk::kKm]) : none);
    query.bind(QStringLiteral(":vmaxr"),
               phenytoin ? exactText(p[pk::kVmax] * r[pk::kFitVmax]) : none);
    query.bind(QStringLiteral(":kmr"), phenytoin ? kmSpread : none);
}

bool CaseStore::saveCustomF()
{
    const SessionData& s = *m_session;
    SqlStatement query(QStringLiteral("DELETE FROM CustomF WHERE CASE_NUMBER = :case"));
    query.bind(QStringLiteral(":case"), s.caseNumber);
    if (!query.exec())
        return fail(text("Delete Custom F fail\n"), query);

    // The lists are kept parallel; a route without a name or spread is not stored.
    const int routes = std::min({s.routeF.size(), s.routeFsd.size(), s.routeNames.size()});
    for (int i = 0; i < routes; ++i) {
        SqlStatement insert(QStringLiteral("INSERT INTO CustomF VALUES(:case,:route,:f,:fsd)"));
        insert.bind(QStringLiteral(":case"), caseText());
        insert.bind(QStringLiteral(":route"), s.routeNames[i]);
        insert.bind(QStringLiteral(":f"), exactText(s.routeF[i]));
        insert.bind(QStringLiteral(":fsd"), exactText(s.routeFsd[i]));
        if (!insert.exec())
            return fail(text("Add Custom F fail\n"), insert);
    }
    return true;
}

// ---- Loading ----

LoadOutcome CaseStore::loadPK()
{
    SqlStatement query(QStringLiteral("SELECT * FROM PK WHERE CASE_NUMBER = :case"));
    query.bind(QStringLiteral(":case"), m_session->caseNumber);
    if (!query.exec())
        return {false, false, query.error()};

    SessionData& s = *m_session;
    const bool phenytoin = s.patient.drugCode == QLatin1String(phenytoinCode);
    LoadOutcome outcome;
    while (query.next()) {
        outcome.found = true;
        const auto column = [&query](int c) { return query.value(c).toDouble(); };
        const double vd = column(pkVd);
        const double cf = column(pkCf);
        const double cfFraction = fractionOfPercent(query.value(pkCf).toString());
        for (int set : {pk::kCustom, pk::kSavedCustom}) {
            PkParameterSet& p = s.pkSets[set];
            p[pk::kVd] = vd;
            p[pk::kCF] = cfFraction;
            if (phenytoin) {
                p[pk::kKm] = column(pkKm);
                p[pk::kVmax] = column(pkVmax);
            } else {
                p[pk::kCl] = column(pkCl);
            }
        }
        for (RangeBlock* ranges : {&s.customRanges, &s.savedCustomRanges}) {
            (*ranges)[pk::kFitVd] = relativeRange(column(pkVdRange), vd);
            // CF and its range are both in percent.
            (*ranges)[pk::kFitCF] = relativeRange(column(pkCfRange), cf);
            if (phenytoin) {
                (*ranges)[pk::kFitKm] = relativeRange(column(pkKmRange), column(pkKm));
                (*ranges)[pk::kFitVmax] = relativeRange(column(pkVmaxRange), column(pkVmax));
            } else {
                (*ranges)[pk::kFitCl] = relativeRange(column(pkClRange), column(pkCl));
            }
        }
    }
    return outcome;
}

LoadOutcome CaseStore::loadCustomF()
{
    SqlStatement query(QStringLiteral("SELECT * FROM CustomF WHERE CASE_NUMBER = :case"));
    query.bind(QStringLiteral(":case"), m_session->caseNumber);
    if (!query.exec())
        return {false, false, query.error()};

    SessionData& s = *m_session;
    LoadOutcome outcome;
    while (query.next()) {
        outcome.found = true;
        const double f = query.value(customFValue).toDouble();
        const double fsd = query.value(customFRange).toDouble();
        s.routeNames.append(query.value(customFRoute).toString());
        s.routeF.append(f);
        s.savedRouteF.append(f);
        s.routeFsd.append(fsd);
        s.savedRouteFsd.append(fsd);
    }
    return outcome;
}
