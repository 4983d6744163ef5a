#include "settings/OlderDatabaseReader.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <cmath>

namespace
{
QString translate(const char* text)
{
    return QCoreApplication::translate("ProgramSettingPage", text);
}

const char* const patientKeyColumn = "patient rec num";
const char* const caseKeyColumn = "case number";

// Each table, the number of columns the conversion reads by position, and whether its rows
// belong to a case.
struct OlderTable {
    const char* name;
    int columns;
    bool perCase;
};
const OlderTable patientTable = {"PatientBasic", 8, false};
const OlderTable caseTable = {"PatientCase", 26, false};
const OlderTable doseTable = {"[PATIENTCASE-dosing history]", 11, true};
const OlderTable levelTable = {"[PATIENTCASE-level history]", 6, true};
const OlderTable parameterTable = {"[PATIENTCASE-parameter]", 11, true};
const OlderTable userChoiceTable = {"[PATIENTCASE-User Choice]", 15, true};
// In the order the validity check tries them.
const OlderTable* const olderTables[] = {&doseTable,  &patientTable,   &caseTable,
                                         &levelTable, &parameterTable, &userChoiceTable};

enum PatientColumn {
    patientRecNum,
    patientFirstName,
    patientLastName,
    patientDateStored,
    patientBirthday,
    patientSex,
    patientNote,
    patientId
};
enum CaseColumn {
    caseDate = 1,
    caseNumber,
    caseWeight,
    caseWeightFlag,
    caseHeight,
    caseHeightFlag,
    caseScr,
    caseCrcl,
    caseAlbumin,
    caseDrug,
    caseFactor1,
    caseFactor2,
    caseNote = 25
};
enum DoseColumn {
    doseDate = 3,
    doseTime,
    doseAmount,
    doseRoute,
    doseInfusion,
    doseInterval,
    doseCount,
    doseInOut
};
enum LevelColumn { levelDate = 3, levelTime, levelValue };
enum ParameterColumn {
    parameterVd = 4,
    parameterVdFlag,
    parameterCl,
    parameterClFlag,
    parameterCf,
    parameterVmax,
    parameterKm
};
enum UserChoiceColumn {
    choiceName = 2,
    choiceDoseUnit,
    choiceIvSalt,
    choiceImKa,
    choiceImSalt,
    choiceImF,
    choiceOralForm,
    choiceOralKa,
    choiceOralSalt,
    choiceOralF,
    choiceTMax,
    choiceTMin,
    choiceLag
};

// The value as text; dates and times in one fixed form whatever the driver's type.
QString valueText(const QVariant& value)
{
    if (value.isNull())
        return QString();
    switch (value.type()) {
    case QVariant::DateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    case QVariant::Date:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QVariant::Time:
        return value.toTime().toString(QStringLiteral("hh:mm:ss"));
    default:
        return value.toString();
    }
}

// Keys compare as numbers where they are numbers: 57, "57" and 57.0 are one key.
QString keyText(const QVariant& value)
{
    const QString text = valueText(value).trimmed();
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (ok && std::isfinite(number) && number == std::floor(number) && std::fabs(number) < 1e15)
        return QString::number(qint64(number));
    return text;
}

QString caseKey(const QString& patient, const QString& caseNumberText)
{
    return patient + QLatin1Char('\n') + caseNumberText;
}

QString selectAll(const OlderTable& table)
{
    return QStringLiteral("SELECT * FROM ") + QLatin1String(table.name);
}

// Runs through the rows of one table, handing each to `take` with its patient and case keys.
template <typename Take>
bool readTable(QSqlDatabase& db, const OlderTable& table, QString* error, Take take)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(selectAll(table))) {
        *error = translate("The table %1 cannot be read: %2")
                     .arg(QLatin1String(table.name), query.lastError().text());
        return false;
    }
    const int patientColumn = query.record().indexOf(QLatin1String(patientKeyColumn));
    const int caseColumn = query.record().indexOf(QLatin1String(caseKeyColumn));
    while (query.next()) {
        const auto text = [&query](int column) { return valueText(query.value(column)); };
        const auto key = [&query](int column) {
            return column < 0 ? QString() : keyText(query.value(column));
        };
        take(text, key(patientColumn), key(caseColumn));
    }
    if (query.lastError().isValid()) {
        *error = translate("The table %1 cannot be read: %2")
                     .arg(QLatin1String(table.name), query.lastError().text());
        return false;
    }
    return true;
}

using Text = std::function<QString(int)>;

OldDbPatientRecord patientFrom(const Text& text)
{
    return {text(patientRecNum),     text(patientFirstName), text(patientLastName),
            text(patientDateStored), text(patientBirthday),  text(patientSex),
            text(patientNote),       text(patientId),        {}};
}

OldDbCaseRecord caseFrom(const Text& text)
{
    OldDbCaseRecord c;
    c.caseNumber = text(caseNumber);
    c.date = text(caseDate);
    c.weight = text(caseWeight);
    c.weightUnitFlag = text(caseWeightFlag);
    c.height = text(caseHeight);
    c.heightUnitFlag = text(caseHeightFlag);
    c.scr = text(caseScr);
    c.crcl = text(caseCrcl);
    c.albumin = text(caseAlbumin);
    c.drugCode = text(caseDrug).trimmed();
    // A note is text; read as a number it would become 0.
    c.note = text(caseNote);
    c.factor1 = text(caseFactor1);
    c.factor2 = text(caseFactor2);
    return c;
}

OldDbRecord4s4d doseFrom(const Text& text)
{
    return {text(doseDate),   text(doseTime),     text(doseRoute).trimmed(), text(doseInOut),
            text(doseAmount), text(doseInfusion), text(doseInterval),        text(doseCount)};
}

OldDbRec16 levelFrom(const Text& text)
{
    return {text(levelDate), text(levelTime), text(levelValue)};
}

OldDbParameterRow parametersFrom(const Text& text)
{
    return {text(parameterVd), text(parameterVdFlag), text(parameterCl), text(parameterClFlag),
            text(parameterCf), text(parameterVmax),   text(parameterKm)};
}

OldDbUserChoiceRow userChoiceFrom(const Text& text)
{
    return {text(choiceName),     text(choiceDoseUnit), text(choiceIvSalt),   text(choiceImKa),
            text(choiceImSalt),   text(choiceImF),      text(choiceOralForm), text(choiceOralKa),
            text(choiceOralSalt), text(choiceOralF),    text(choiceTMax),     text(choiceTMin),
            text(choiceLag)};
}

// The rows of the four child tables, by case key.
struct CaseChildren {
    QHash<QString, QVector<OldDbRecord4s4d>> doses;
    QHash<QString, QVector<OldDbRec16>> levels;
    QHash<QString, OldDbParameterRow> parameters;
    QHash<QString, OldDbUserChoiceRow> userChoices;
};

bool readChildren(QSqlDatabase& db, CaseChildren* children, QString* error)
{
    return readTable(db, doseTable, error,
                     [children](const Text& text, const QString& patient, const QString& c) {
                         children->doses[caseKey(patient, c)].append(doseFrom(text));
                     }) &&
           readTable(db, levelTable, error,
                     [children](const Text& text, const QString& patient, const QString& c) {
                         children->levels[caseKey(patient, c)].append(levelFrom(text));
                     }) &&
           // Of several parameter or user-choice rows of one case, the first holds.
           readTable(db, parameterTable, error,
                     [children](const Text& text, const QString& patient, const QString& c) {
                         const QString key = caseKey(patient, c);
                         if (!children->parameters.contains(key))
                             children->parameters.insert(key, parametersFrom(text));
                     }) &&
           readTable(db, userChoiceTable, error,
                     [children](const Text& text, const QString& patient, const QString& c) {
                         const QString key = caseKey(patient, c);
                         if (!children->userChoices.contains(key))
                             children->userChoices.insert(key, userChoiceFrom(text));
                     });
}

void attachChildren(OldDbCaseRecord* c, const QString& patient, CaseChildren& children)
{
    const QString key = caseKey(patient, keyText(c->caseNumber));
    c->doses = children.doses.take(key);
    c->levels = children.levels.take(key);
    if (children.parameters.contains(key))
        c->parameters = children.parameters.take(key);
    if (children.userChoices.contains(key))
        c->userChoice = children.userChoices.take(key);
}
} // namespace

QString olderConnectionString(const QString& templateText, const QString& driver,
                              const QString& path, QString* refusal)
{
    // Any of these would end the value early and let the rest of the text add attributes.
    static const QRegularExpression unsafe(QStringLiteral("[;{}]"));
    if (path.contains(unsafe)) {
        *refusal = translate("The path %1 holds one of the characters ; { } and cannot be "
                             "opened. Please rename the file or its folder.")
                       .arg(path);
        return QString();
    }
    if (driver.contains(unsafe)) {
        *refusal = translate("The ODBC driver name %1 in the settings holds one of the characters "
                             "; { }.")
                       .arg(driver);
        return QString();
    }
    return templateText.arg(driver, path);
}

OlderDatabaseReader::OlderDatabaseReader(const QString& connectionName)
    : m_connection(connectionName)
{
}

bool OlderDatabaseReader::fail(const QString& reason)
{
    m_error = reason;
    return false;
}

bool OlderDatabaseReader::isValid()
{
    if (!QSqlDatabase::contains(m_connection))
        return fail(translate("No Varnel2000 database is chosen."));
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    if (!db.isOpen())
        return fail(db.lastError().text());
    for (const OlderTable* table : olderTables) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(selectAll(*table)))
            return fail(translate("The table %1 is missing or cannot be read.")
                            .arg(QLatin1String(table->name)));
        const QSqlRecord record = query.record();
        if (record.count() < table->columns)
            return fail(translate("The table %1 has %2 columns instead of at least %3.")
                            .arg(QLatin1String(table->name))
                            .arg(record.count())
                            .arg(table->columns));
        QStringList keys;
        if (table == &caseTable || table->perCase)
            keys << QLatin1String(patientKeyColumn);
        if (table->perCase)
            keys << QLatin1String(caseKeyColumn);
        for (const QString& key : keys) {
            if (record.indexOf(key) < 0)
                return fail(translate("The table %1 has no column [%2].")
                                .arg(QLatin1String(table->name), key));
        }
    }
    return true;
}

int OlderDatabaseReader::patientCount()
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM PatientBasic")) || !query.next())
        return 0;
    return query.value(0).toInt();
}

bool OlderDatabaseReader::load(QVector<OldDbPatientRecord>* patients, const Progress& progress)
{
    patients->clear();
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    if (!db.isOpen())
        return fail(db.lastError().text());

    QHash<QString, QVector<OldDbCaseRecord>> cases;
    CaseChildren children;
    QVector<OldDbPatientRecord> read;
    const bool ok = readTable(db, patientTable, &m_error,
                              [&read](const Text& text, const QString&, const QString&) {
                                  read.append(patientFrom(text));
                              }) &&
                    readTable(db, caseTable, &m_error,
                              [&cases](const Text& text, const QString& patient, const QString&) {
                                  cases[patient].append(caseFrom(text));
                              }) &&
                    readChildren(db, &children, &m_error);
    if (!ok)
        return false;

    for (OldDbPatientRecord& patient : read) {
        const QString key = keyText(patient.recNum);
        patient.cases = cases.take(key);
        for (OldDbCaseRecord& c : patient.cases)
            attachChildren(&c, key, children);
        patients->append(patient);
        if (progress)
            progress(patients->size());
    }
    return true;
}
