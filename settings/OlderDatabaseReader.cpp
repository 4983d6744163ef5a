#include "settings/OlderDatabaseReader.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <iterator>

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

// Keys compare as numbers where they are numbers: 57, "57" and 57.0 are one key. A key that is
// empty (NULL in the file) is no key and joins nothing.
QString keyText(const QString& value)
{
    const QString text = value.trimmed();
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

QString tableName(const OlderTable& table)
{
    return QLatin1String(table.name);
}

// Column names compare as the file's own SQL compares them, without regard to case.
int columnIndex(const QStringList& columns, const char* name)
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool listed(const QStringList& tables, const OlderTable& table)
{
    QString bare = tableName(table);
    bare.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    return tables.contains(bare, Qt::CaseInsensitive);
}

QString unreadable(const OlderTable& table, const QString& driverText)
{
    return translate("The table %1 cannot be read: %2").arg(tableName(table), driverText);
}

using Text = std::function<QString(int)>;
// One row as the table gives it: its values, its position from 1, its two keys.
using Take = std::function<void(const Text& text, int row, const QString& patient,
                                const QString& caseNumber)>;

// Runs through the rows of one table, handing each to `take`.
bool readTable(OdbcConnection& db, const OlderTable& table, QString* error, const Take& take)
{
    OdbcStatement query(db);
    if (!query.exec(selectAll(table))) {
        *error = unreadable(table, query.error());
        return false;
    }
    const int patientColumn = columnIndex(query.columns(), patientKeyColumn);
    const int caseColumn = columnIndex(query.columns(), caseKeyColumn);
    int rowNumber = 0;
    while (query.next()) {
        const QVector<QString>& row = query.row();
        const Text text = [&row](int column) { return row.value(column); };
        const auto key = [&row](int column) {
            return column < 0 ? QString() : keyText(row.value(column));
        };
        take(text, ++rowNumber, key(patientColumn), key(caseColumn));
    }
    if (!query.error().isEmpty()) {
        *error = unreadable(table, query.error());
        return false;
    }
    return true;
}

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

// The rows of the four child tables, by case key; of several parameter or user-choice rows of
// one case, the first holds.
struct CaseChildren {
    QHash<QString, QVector<OldDbRecord4s4d>> doses;
    QHash<QString, QVector<OldDbRec16>> levels;
    QHash<QString, QVector<OldDbParameterRow>> parameters;
    QHash<QString, QVector<OldDbUserChoiceRow>> userChoices;
};

// Whether a row has every key it needs to be joined; otherwise it is noted as skipped.
bool keyed(const OlderTable& table, int row, const QString& patient, const QString& caseNumber,
           QStringList* skipped)
{
    const char* empty = patient.isEmpty()                       ? patientKeyColumn
                        : table.perCase && caseNumber.isEmpty() ? caseKeyColumn
                                                                : nullptr;
    if (empty)
        *skipped << translate("%1 row %2 was skipped: its [%3] is empty.")
                        .arg(tableName(table))
                        .arg(row)
                        .arg(QLatin1String(empty));
    return !empty;
}

// Reads one child table into its rows by case key.
template <typename Row>
bool readChild(OdbcConnection& db, const OlderTable& table, Row (*from)(const Text&),
               QHash<QString, QVector<Row>>* rows, QStringList* skipped, QString* error)
{
    return readTable(db, table, error,
                     [&](const Text& text, int row, const QString& patient, const QString& c) {
                         if (keyed(table, row, patient, c, skipped))
                             (*rows)[caseKey(patient, c)].append(from(text));
                     });
}

bool readChildren(OdbcConnection& db, CaseChildren* children, QStringList* skipped, QString* error)
{
    return readChild(db, doseTable, doseFrom, &children->doses, skipped, error) &&
           readChild(db, levelTable, levelFrom, &children->levels, skipped, error) &&
           readChild(db, parameterTable, parametersFrom, &children->parameters, skipped, error) &&
           readChild(db, userChoiceTable, userChoiceFrom, &children->userChoices, skipped, error);
}

void attachChildren(OldDbCaseRecord* c, const QString& patient, CaseChildren& children)
{
    const QString key = caseKey(patient, keyText(c->caseNumber));
    c->doses = children.doses.take(key);
    c->levels = children.levels.take(key);
    const QVector<OldDbParameterRow> parameters = children.parameters.take(key);
    if (!parameters.isEmpty())
        c->parameters = parameters.first();
    const QVector<OldDbUserChoiceRow> userChoices = children.userChoices.take(key);
    if (!userChoices.isEmpty())
        c->userChoice = userChoices.first();
}

// The rows whose keys name no patient or case of the file, one line per key.
template <typename Row>
void noteUnjoined(const OlderTable& table, const QHash<QString, QVector<Row>>& rows,
                  QStringList* skipped)
{
    QStringList keys = rows.keys();
    std::sort(keys.begin(), keys.end());
    for (const QString& key : keys) {
        const QStringList parts = key.split(QLatin1Char('\n'));
        const int count = rows.value(key).size();
        if (table.perCase)
            *skipped << translate("%1: %2 row(s) with [patient rec num] %3 and [case number] %4 "
                                  "belong to no case and were skipped.")
                            .arg(tableName(table))
                            .arg(count)
                            .arg(parts.value(0), parts.value(1));
        else
            *skipped << translate(
                            "%1: %2 row(s) with [patient rec num] %3 belong to no patient and "
                            "were skipped.")
                            .arg(tableName(table))
                            .arg(count)
                            .arg(key);
    }
}

// Why one table cannot serve the conversion; empty when it can. *absent tells a table the file
// does not list, and then the driver's own words are returned.
QString tableFault(OdbcConnection& db, const OlderTable& table, const QStringList& tables,
                   bool* absent)
{
    OdbcStatement query(db);
    if (!query.exec(selectAll(table))) {
        *absent = !listed(tables, table);
        return *absent ? query.error() : unreadable(table, query.error());
    }
    const QStringList columns = query.columns();
    if (columns.size() < table.columns)
        return translate("The table %1 has %2 columns instead of at least %3.")
            .arg(tableName(table))
            .arg(columns.size())
            .arg(table.columns);
    QVector<const char*> keys;
    if (&table == &caseTable || table.perCase)
        keys << patientKeyColumn;
    if (table.perCase)
        keys << caseKeyColumn;
    for (const char* key : keys) {
        if (columnIndex(columns, key) < 0)
            return translate("The table %1 has no column [%2].")
                .arg(tableName(table), QLatin1String(key));
    }
    return QString();
}

// Names every missing table; a file with none of them is some other database.
QString missingTables(const QStringList& missing)
{
    const QString names = missing.join(QStringLiteral(", "));
    if (missing.size() == int(std::size(olderTables)))
        return translate("The file holds none of the tables of a Varnel2000 database (%1): it is "
                         "not a Varnel2000 database.")
            .arg(names);
    if (missing.size() > 1)
        return translate("The tables %1 are missing.").arg(names);
    return translate("The table %1 is missing.").arg(names);
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

QString olderDriverRefusal(const QString& diagnostic)
{
    if (diagnostic.isEmpty())
        return translate("The ODBC driver cannot open the file: it may be damaged or may not be a "
                         "Varnel2000 database.");
    return translate("The ODBC driver cannot open the file: it may be damaged or may not be a "
                     "Varnel2000 database (the driver says: %1).")
        .arg(diagnostic);
}

OlderDatabaseReader::OlderDatabaseReader(const QString& connectionString)
    : m_connectionString(connectionString)
{
}

OlderDatabaseReader::~OlderDatabaseReader() = default;

bool OlderDatabaseReader::fail(const QString& reason)
{
    m_error = reason;
    return false;
}

bool OlderDatabaseReader::connect()
{
    if (m_connectionString.isEmpty())
        return fail(translate("No Varnel2000 database is chosen."));
    if (m_db.isOpen() || m_db.open(m_connectionString))
        return true;
    return fail(olderDriverRefusal(m_db.diagnostic()));
}

bool OlderDatabaseReader::isValid()
{
    if (!connect())
        return false;
    const QStringList tables = m_db.tables();
    QStringList missing;
    QString firstFault;
    QString firstRefusal;
    for (const OlderTable* table : olderTables) {
        bool absent = false;
        const QString fault = tableFault(m_db, *table, tables, &absent);
        if (absent)
            missing << tableName(*table);
        if (absent && firstRefusal.isEmpty())
            firstRefusal = fault;
        if (!absent && firstFault.isEmpty())
            firstFault = fault;
    }
    // Some drivers open an empty or cut-off file without a word and only fail to parse the first
    // statement on it.
    if (tables.isEmpty() && !missing.isEmpty())
        return fail(translate("The file lists no tables: it is empty, damaged or no database (the "
                              "ODBC driver says: %1).")
                        .arg(firstRefusal));
    if (!missing.isEmpty())
        return fail(missingTables(missing));
    return firstFault.isEmpty() || fail(firstFault);
}

int OlderDatabaseReader::patientCount()
{
    if (!connect())
        return 0;
    OdbcStatement query(m_db);
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM PatientBasic")) || !query.next())
        return 0;
    return query.row().value(0).toInt();
}

bool OlderDatabaseReader::load(QVector<OldDbPatientRecord>* patients, const Progress& progress)
{
    patients->clear();
    m_skipped.clear();
    if (!connect())
        return false;

    QVector<OldDbPatientRecord> read;
    QHash<QString, QVector<OldDbCaseRecord>> cases;
    CaseChildren children;
    const bool ok =
        readTable(m_db, patientTable, &m_error,
                  [&read](const Text& text, int, const QString&, const QString&) {
                      read.append(patientFrom(text));
                  }) &&
        readTable(m_db, caseTable, &m_error,
                  [&](const Text& text, int row, const QString& patient, const QString&) {
                      if (keyed(caseTable, row, patient, QString(), &m_skipped))
                          cases[patient].append(caseFrom(text));
                  }) &&
        readChildren(m_db, &children, &m_skipped, &m_error);
    if (!ok) {
        m_skipped.clear();
        return false;
    }

    for (OldDbPatientRecord& patient : read) {
        const QString key = keyText(patient.recNum);
        if (!key.isEmpty()) {
            patient.cases = cases.take(key);
            for (OldDbCaseRecord& c : patient.cases)
                attachChildren(&c, key, children);
        }
        patients->append(patient);
        if (progress)
            progress(patients->size());
    }
    noteUnjoined(caseTable, cases, &m_skipped);
    noteUnjoined(doseTable, children.doses, &m_skipped);
    noteUnjoined(levelTable, children.levels, &m_skipped);
    noteUnjoined(parameterTable, children.parameters, &m_skipped);
    noteUnjoined(userChoiceTable, children.userChoices, &m_skipped);
    return true;
}
