#include "settings/OlderDatabaseWriter.h"

#include "analysis/HistoryStore.h"
#include "cases/SqlStatement.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>

#include <initializer_list>
#include <utility>

namespace
{
QString translate(const char* text)
{
    return QCoreApplication::translate("ProgramSettingPage", text);
}

const QString pkTypeCustom = QStringLiteral("C");

// Texts are stored as texts: a value the older file left empty is the empty text, never NULL.
class Insert : public SqlStatement
{
public:
    Insert(const QString& sql, const QString& connection)
        : SqlStatement(sql, QSqlDatabase::database(connection))
    {
    }
    // Binds every placeholder to its text and runs the insert.
    bool run(std::initializer_list<std::pair<const char*, QString>> texts)
    {
        for (const auto& [placeholder, value] : texts)
            bind(QLatin1String(placeholder), value.isNull() ? QString("") : value);
        return exec();
    }
};
} // namespace

OlderDatabaseWriter::OlderDatabaseWriter(const QString& connectionName, const QString& userName)
    : m_connection(connectionName), m_userName(userName)
{
}

bool OlderDatabaseWriter::fail(const QString& what, const QString& error)
{
    m_error = what + error;
    return false;
}

OlderDatabaseWriter::Presence OlderDatabaseWriter::find(const ConvertedPatient& patient)
{
    const bool withId = !patient.patientId.isEmpty();
    SqlStatement query(
        withId ? QStringLiteral("SELECT REC_NUM FROM Patients WHERE FIRST_NAME = :first AND "
                                "LAST_NAME = :last AND BIRTHDAY = :bday AND PATIENT_ID = :id")
               : QStringLiteral("SELECT REC_NUM FROM Patients WHERE FIRST_NAME = :first AND "
                                "LAST_NAME = :last AND BIRTHDAY = :bday AND (PATIENT_ID IS NULL "
                                "OR PATIENT_ID = '')"),
        QSqlDatabase::database(m_connection));
    // Stored as texts, so compared as texts: a NULL would match nothing.
    const auto text = [](const QString& value) { return value.isNull() ? QString("") : value; };
    query.bind(QStringLiteral(":first"), text(patient.firstName));
    query.bind(QStringLiteral(":last"), text(patient.lastName));
    query.bind(QStringLiteral(":bday"), text(patient.birthday));
    if (withId)
        query.bind(QStringLiteral(":id"), patient.patientId);
    if (!query.exec()) {
        fail(translate("The Talvora database could not be searched for the patient: "),
             query.error());
        return Presence::Unknown;
    }
    return query.next() ? Presence::Present : Presence::Absent;
}

bool OlderDatabaseWriter::write(const ConvertedPatient& patient)
{
    m_error.clear();
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    if (!db.transaction())
        return fail(translate("The conversion could not begin: "), db.lastError().text());
    if (writeRows(patient) && db.commit())
        return true;
    if (m_error.isEmpty())
        fail(translate("The conversion could not be kept: "), db.lastError().text());
    db.rollback();
    return false;
}

bool OlderDatabaseWriter::writeRows(const ConvertedPatient& p)
{
    Insert insert(
        QStringLiteral(
            "INSERT INTO Patients VALUES(NULL,:first,:last,:updateDate,:bday,:sex,:pnum,:note)"),
        m_connection);
    if (!insert.run({{":first", p.firstName},
                     {":last", p.lastName},
                     {":updateDate", p.dateStored},
                     {":bday", p.birthday},
                     {":sex", p.sex},
                     {":pnum", p.patientId},
                     {":note", p.note}}))
        return fail(translate("Add Patient failed\n"), insert.error());
    const qint32 recNum = insert.lastInsertId().toInt();
    for (const ConvertedCase& c : p.cases) {
        if (!writeCase(recNum, c))
            return false;
    }
    return true;
}

bool OlderDatabaseWriter::writeCase(qint32 recNum, const ConvertedCase& c)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    Insert insert(
        QStringLiteral("INSERT INTO Cases VALUES(NULL,:rec,:date,:drug,:unit,:wt,:w_unit,:ht,"
                       ":h_unit,:scr,:crcl,:albumin,:f1,:f2,:note,:scr2,:time,:user)"),
        m_connection);
    if (!insert.run({{":rec", QString::number(recNum)},
                     {":date", c.date},
                     {":drug", c.drugId},
                     {":unit", c.unit},
                     {":wt", c.weight},
                     {":w_unit", c.weightUnit},
                     {":ht", c.height},
                     {":h_unit", c.heightUnit},
                     {":scr", c.scr},
                     {":crcl", c.crcl},
                     {":albumin", c.albumin},
                     {":f1", c.factor1},
                     {":f2", c.factor2},
                     {":note", c.note},
                     {":scr2", QString("")},
                     {":time", QString("")},
                     {":user", m_userName}}))
        return fail(translate("Add Case failed\n"), insert.error());
    const qint32 caseNumber = insert.lastInsertId().toInt();

    if (c.hasUserChoice && !writeUserChoice(caseNumber, c.userChoice))
        return false;
    if (!writePK(caseNumber, c))
        return false;
    QString failure = historystore::writeDoseRows(caseNumber, c.doses, db);
    if (failure.isEmpty())
        failure = historystore::writeLevelRows(caseNumber, c.levels, db);
    if (!failure.isEmpty())
        return fail(failure, QString());
    return writeCustomF(caseNumber, c);
}

bool OlderDatabaseWriter::writeUserChoice(qint32 caseNumber, const UserChoiceRecord& u)
{
    Insert insert(QStringLiteral("INSERT INTO UserChoice VALUES(:case,:name,:unit,:cl,"
                                 ":clunit,:vd,:vdunit,:cf,:tmin,:tmax,:tlag)"),
                  m_connection);
    if (!insert.run({{":case", QString::number(caseNumber)},
                     {":name", u.drugNameText},
                     {":unit", u.doseUnitText},
                     {":cl", u.clearanceText},
                     {":clunit", u.clearanceUnitText},
                     {":vd", u.volumeText},
                     {":vdunit", u.volumeUnitText},
                     {":cf", u.complianceText},
                     {":tmin", u.levelMinText},
                     {":tmax", u.levelMaxText},
                     {":tlag", u.lagTimeText}}))
        return fail(translate("Add User Choice failed\n"), insert.error());
    const QString none("");
    return (u.oralSaltText.isEmpty() ||
            writeUserChoiceRoute(caseNumber, QStringLiteral("O"), u.oralFormText, u.oralSaltText,
                                 u.oralKaText, u.oralFText)) &&
           (u.imSaltText.isEmpty() || writeUserChoiceRoute(caseNumber, QStringLiteral("IM"), none,
                                                           u.imSaltText, u.imKaText, u.imFText)) &&
           (u.ivSaltText.isEmpty() ||
            writeUserChoiceRoute(caseNumber, QStringLiteral("IV"), none, u.ivSaltText, none, none));
}

bool OlderDatabaseWriter::writeUserChoiceRoute(qint32 caseNumber, const QString& route,
                                               const QString& form, const QString& salt,
                                               const QString& ka, const QString& f)
{
    Insert insert(
        QStringLiteral("INSERT INTO UserChoiceRoute VALUES(:case,:route,:form,:salt,:ka,:f)"),
        m_connection);
    return insert.run({{":case", QString::number(caseNumber)},
                       {":route", route},
                       {":form", form},
                       {":salt", salt},
                       {":ka", ka},
                       {":f", f}}) ||
           fail(translate("Add User Choice Route failed\n"), insert.error());
}

bool OlderDatabaseWriter::writePK(qint32 caseNumber, const ConvertedCase& c)
{
    Insert insert(QStringLiteral("INSERT INTO PK VALUES(:case,:type,:vd,:cl,:cf,:vdr,:clr,"
                                 ":cfr,:vmax,:km,:vmaxr,:kmr)"),
                  m_connection);
    // The older product kept no ranges of the custom set.
    const QString none("");
    return insert.run({{":case", QString::number(caseNumber)},
                       {":type", pkTypeCustom},
                       {":vd", c.vd},
                       {":cl", c.cl},
                       {":cf", c.cf},
                       {":vdr", none},
                       {":clr", none},
                       {":cfr", none},
                       {":vmax", c.vmax},
                       {":km", c.km},
                       {":vmaxr", none},
                       {":kmr", none}}) ||
           fail(translate("Add PK failed\n"), insert.error());
}

bool OlderDatabaseWriter::writeCustomF(qint32 caseNumber, const ConvertedCase& c)
{
    for (const ConvertedCustomF& row : c.customF) {
        Insert insert(QStringLiteral("INSERT INTO CustomF VALUES(:case,:route,:f,:fsd)"),
                      m_connection);
        if (!insert.run({{":case", QString::number(caseNumber)},
                         {":route", row.route},
                         {":f", row.f},
                         {":fsd", row.fsd}}))
            return fail(translate("Add Custom F failed\n"), insert.error());
    }
    return true;
}
