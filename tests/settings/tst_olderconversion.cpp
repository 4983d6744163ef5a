#include "analysis/HistoryStore.h"
#include "app/ProgramConfig.h"
#include "cases/CaseStore.h"
#include "pkcore/PkIndices.h"
#include "pkcore/SessionData.h"
#include "platform/CipherDriver.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"
#include "settings/OdbcConnection.h"
#include "settings/OlderCaseConversion.h"
#include "settings/OlderDatabaseConversion.h"
#include "settings/OlderDatabaseReader.h"
#include "settings/ProgramSettingPage.h"
#include "settings/RouteNameConversion.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"
#include "tools/CaseDatabaseInit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextEdit>

#include <memory>

#include <unistd.h>

namespace
{
const QString hostileName = QStringLiteral("O'Brien'); DROP TABLE Patients;--");
// Longer than one piece of a value read through ODBC, with letters of two bytes across the
// pieces' ends.
const QString hostileNote =
    QStringLiteral("note\"; DELETE FROM Cases; --") + QString(9000, QChar(0xe9));
const QString userName = QStringLiteral("pharmacist");

// The older product's tables; only positions and the two key names matter to the conversion.
const char* const olderSchema[] = {
    "CREATE TABLE PatientBasic ([patient rec num] INTEGER, [first name] TEXT, [last name] TEXT, "
    "[date stored] DATETIME, birthday DATETIME, sex TEXT, note TEXT, [patient id] TEXT)",
    "CREATE TABLE PatientCase ([patient rec num] INTEGER, [case date] DATETIME, [case number] "
    "INTEGER, weight REAL, [weight unit] INTEGER, height REAL, [height unit] INTEGER, scr REAL, "
    "crcl REAL, albumin REAL, drug TEXT, factor1 INTEGER, factor2 INTEGER, c13, c14, c15, c16, "
    "c17, c18, c19, c20, c21, c22, c23, c24, [case note] TEXT)",
    "CREATE TABLE [PATIENTCASE-dosing history] ([patient rec num] INTEGER, [case number] INTEGER, "
    "seq INTEGER, [dose date] DATETIME, [dose time] DATETIME, dose REAL, route TEXT, [infusion "
    "time] REAL, interval REAL, [dose count] REAL, [in out] INTEGER)",
    "CREATE TABLE [PATIENTCASE-level history] ([patient rec num] INTEGER, [case number] INTEGER, "
    "seq INTEGER, [level date] DATETIME, [level time] DATETIME, level REAL)",
    "CREATE TABLE [PATIENTCASE-parameter] ([patient rec num] INTEGER, [case number] INTEGER, p2, "
    "p3, vd REAL, [vd unit] INTEGER, cl REAL, [cl unit] INTEGER, cf REAL, vmax REAL, km REAL)",
    "CREATE TABLE [PATIENTCASE-user choice] ([patient rec num] INTEGER, [case number] INTEGER, "
    "name TEXT, unit INTEGER, [iv salt] TEXT, [im ka] TEXT, [im salt] TEXT, [im f] TEXT, [oral "
    "form] TEXT, [oral ka] TEXT, [oral salt] TEXT, [oral f] TEXT, tmax TEXT, tmin TEXT, lag TEXT)",
};

using Row = QVariantList;
const QVariant null;

// Three patients: a gentamicin case with hostile texts, a user's-choice drug in pounds and
// inches, and a phenytoin case without a weight.
const Row patients[] = {
    {57, "Ann", hostileName, "2004-01-02 10:00:00", "1950-03-04 00:00:00", "0", hostileNote, ""},
    {58, "Bob", "Lee", "2004-01-03 10:00:00", "1961-07-08 00:00:00", "1", "", "H-2"},
    {59, "Cy", "Dee", "2004-01-04 10:00:00", "1970-01-01 00:00:00", "1", "", "H-3"},
};
const Row cases[] = {
    {57,   "2003-05-17 09:00:00",
     3,    70,
     1,    170,
     1,    1.2,
     60,   4,
     "GM", 2,
     null, 0,
     0,    0,
     0,    0,
     0,    0,
     0,    0,
     0,    0,
     0,    "watch the \"renal\" trend"},
    {58,   "2003-06-01 09:00:00",
     4,    154,
     0,    70,
     0,    0.9,
     80,   3.5,
     "ZZ", null,
     null, 0,
     0,    0,
     0,    0,
     0,    0,
     0,    0,
     0,    0,
     0,    ""},
    {59,   "2003-07-01 09:00:00",
     5,    0,
     1,    null,
     1,    0.8,
     90,   2.1,
     "PH", null,
     null, 0,
     0,    0,
     0,    0,
     0,    0,
     0,    0,
     0,    0,
     0,    ""},
};
const Row doses[] = {
    {57, 3, 1, "2003-05-17 00:00:00", "1899-12-30 08:30:00", 80, "IV", 0.5, 8, 3, 0},
    {57, 3, 2, "2003-05-18 00:00:00", "1899-12-30 16:00:00", 80, "S", 0, 8, 1, 1},
    {58, 4, 1, "2003-06-01 00:00:00", "1899-12-30 07:15:00", 250, "C", 0, 12, 2, 1},
    {58, 4, 2, "2003-06-02 00:00:00", "1899-12-30 07:15:00", 250, "IM", 0, 12, 2, 1},
};
const Row levels[] = {
    {57, 3, 1, "2003-05-18 00:00:00", "1899-12-30 07:45:30", 12.36},
};
const Row parameters[] = {
    {57, 3, 0, 0, 17.5, 1, 4.2, 1, 0.85, null, null},
    {58, 4, 0, 0, 35, 0, 6, 0, 1, null, null},
    {59, 5, 0, 0, 50, 1, 5, 1, 1, 400, 4},
};
const Row userChoices[] = {
    {58, 4, "Zedacin", 1, "1", "", "", "", "Tablets", "1.2", "0.9", "80", "20", "5", "0.5"},
};

struct TableRows {
    const char* table;
    const Row* rows;
    int count;
};
#define ROWS(table, rows)                                                                          \
    {                                                                                              \
        table, rows, int(sizeof(rows) / sizeof(rows[0]))                                           \
    }
const TableRows olderRows[] = {
    ROWS("PatientBasic", patients),
    ROWS("PatientCase", cases),
    ROWS("[PATIENTCASE-dosing history]", doses),
    ROWS("[PATIENTCASE-level history]", levels),
    ROWS("[PATIENTCASE-parameter]", parameters),
    ROWS("[PATIENTCASE-user choice]", userChoices),
};

// A plain SQLite file in the older product's layout; `change` may alter the schema first.
bool writeOlderFile(const QString& path, const QString& change = QString())
{
    bool ok = false;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QLatin1String(cipherDriverName), QStringLiteral("older"));
        db.setDatabaseName(path);
        db.setConnectOptions(QLatin1String(CipherDriver::createOption));
        ok = db.open();
        QSqlQuery query(db);
        for (const char* sql : olderSchema)
            ok = ok && query.exec(QLatin1String(sql));
        for (const QString& sql : change.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            ok = ok && query.exec(sql);
        for (const TableRows& table : olderRows) {
            for (int r = 0; ok && r < table.count; ++r) {
                const Row& row = table.rows[r];
                QStringList marks;
                for (int i = 0; i < row.size(); ++i)
                    marks << QStringLiteral("?");
                query.prepare(QStringLiteral("INSERT INTO %1 VALUES(%2)")
                                  .arg(QLatin1String(table.table), marks.join(QLatin1Char(','))));
                for (const QVariant& value : row)
                    query.addBindValue(value);
                // A table the change replaced may not take the rows.
                ok = query.exec() || !change.isEmpty();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("older"));
    return ok;
}

QSqlDatabase defaultConnection()
{
    return QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
}

// The first column of every row, as text, in the table's order.
QStringList column(const QString& sql, const QSqlDatabase& db = defaultConnection())
{
    QSqlQuery query(db);
    QStringList values;
    if (!query.exec(sql))
        return {QStringLiteral("failed: ") + sql};
    while (query.next())
        values << query.value(0).toString();
    return values;
}

QString one(const QString& sql, const QSqlDatabase& db = defaultConnection())
{
    return column(sql, db).value(0);
}

qint32 caseOf(const QString& drugId)
{
    QSqlQuery query(defaultConnection());
    query.prepare(QStringLiteral("SELECT CASE_NUMBER FROM Cases WHERE DRUG_ID = ?"));
    query.addBindValue(drugId);
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}

// The program with its own database, a user signed in and the SQLite ODBC driver configured.
struct Installation {
    TestEnvironment env;
    ProgramConfig config;
    SessionData session{qApp};
    std::unique_ptr<ProgramSettingPage> page;
    QString older;

    bool prepare(const QString& change = QString())
    {
        older = env.dir() + QStringLiteral("/older.mdb");
        if (!writeOlderFile(older, change) || !env.openAsProgram(config))
            return false;
        SettingsFile(env.settingsPath())
            .setValue(QLatin1String(SettingsKeys::convertOdbcDriver), QStringLiteral("SQLite3"));
        openPage();
        return true;
    }

    // A copy of the Access file, read with the settings' defaults.
    bool prepareAccessFile()
    {
        older = env.dir() + QStringLiteral("/older.mdb");
        if (!QFile::copy(QStringLiteral(TALVORA_TEST_DATA "/DateTestDatabase.mdb"), older) ||
            !env.openAsProgram(config))
            return false;
        openPage();
        return true;
    }

    void openPage()
    {
        session.loggedIn = true;
        session.userName = userName;
        page = std::make_unique<ProgramSettingPage>(nullptr, nullptr, nullptr, &config, &session);
    }

    void click(const char* button, const QString& path = QString())
    {
        if (!path.isNull())
            FileDialog::setNextPath(path);
        page->findChild<QPushButton*>(QLatin1String(button))->click();
    }

    QString shown(const char* field) const
    {
        return page->findChild<QTextEdit*>(QLatin1String(field))->toPlainText();
    }

    // Chooses the older file and converts; the text of the last box shown.
    QString convert(PromptScript& prompts)
    {
        click("button_change_old", older);
        click("button_convert");
        const auto shownBoxes = prompts.take();
        return shownBoxes.empty() ? QString() : shownBoxes.back().text;
    }
};

const QString allInserted = QStringLiteral("Conversion Finished. \n3 out of 3 have been inserted.");

// What is chosen as the older file, made from the prepared one.
enum class Chosen { Prepared, Text, Folder, Unreadable, FirstHalf, Nothing };

// The real Access file needs the MDBTools driver; continuous integration always has it.
#define REQUIRE_ACCESS_DRIVER()                                                                    \
    do {                                                                                           \
        if (!OdbcConnection::hasDriver(QLatin1String(SettingsKeys::convertOdbcDriverDefault))) {   \
            if (qEnvironmentVariableIsSet("CI"))                                                   \
                QFAIL("The MDBTools ODBC driver is not installed.");                               \
            QSKIP("The MDBTools ODBC driver is not installed.");                                   \
        }                                                                                          \
    } while (false)

// Makes the chosen file at `path` from the prepared older file.
bool makeChosen(Chosen chosen, const QString& older, const QString& path)
{
    QFile file(path);
    switch (chosen) {
    case Chosen::Prepared:
    case Chosen::Nothing:
        return true;
    case Chosen::Text:
        return file.open(QIODevice::WriteOnly) && file.write("not a database at all\n") > 0;
    case Chosen::Folder:
        return QDir().mkdir(path);
    case Chosen::Unreadable:
        return QFile::copy(older, path) && file.setPermissions(QFileDevice::WriteOwner);
    case Chosen::FirstHalf: {
        QFile whole(older);
        return whole.open(QIODevice::ReadOnly) && file.open(QIODevice::WriteOnly) &&
               file.write(whole.read(whole.size() / 2)) == whole.size() / 2;
    }
    }
    return false;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Each row of the Access file's one table as "id|date|time of day|second date|long text": the
// dates and times as the conversion takes them, empty where they are no real day.
QStringList accessRows(const QString& connectionString, QString* error)
{
    OdbcConnection db;
    if (!db.open(connectionString) || !db.tables().contains(QStringLiteral("DateTest"))) {
        *error = db.error();
        return {};
    }
    enum { id, dateTime, date, time, longText };
    OdbcStatement query(db);
    QStringList rows;
    if (!query.exec(QStringLiteral("SELECT * FROM DateTest")))
        *error = query.error();
    while (query.next()) {
        const QVector<QString>& row = query.row();
        rows << QStringList(
                    {row[id], OlderCaseConversion::dateOf(row[dateTime]).toString(Qt::ISODate),
                     OlderCaseConversion::timeOf(row[dateTime]).toString(Qt::ISODate),
                     OlderCaseConversion::dateOf(row[time]).toString(Qt::ISODate), row[longText]})
                    .join(QLatin1Char('|'));
    }
    return rows;
}
} // namespace

Q_DECLARE_METATYPE(Chosen)

class TestOlderConversion : public QObject
{
    Q_OBJECT
private slots:
    void routeNames_data();
    void routeNames();
    void caseValues_data();
    void caseValues();
    void valuesNotReadAreNamed_data();
    void valuesNotReadAreNamed();

    void summaryCountsWhatItDoesNotShow();
    void fullConversionReadsBack();
    void rerunSkipsPatientsAlreadyPresent();
    void rowsJoinOnlyByGivenKeys_data();
    void rowsJoinOnlyByGivenKeys();
    void failingPatientIsRolledBackAlone();
    void unusableOlderFileChangesNothing_data();
    void unusableOlderFileChangesNothing();
    void chosenTargetReceivesTheRows();
    void damagedTargetIsRefusedBeforeReading();
    void accessFileIsReadAndRefused();
};

void TestOlderConversion::routeNames_data()
{
    QTest::addColumn<QString>("drug");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("route");
    QTest::newRow("aminoglycoside suspension is IM") << "GM"
                                                     << "S"
                                                     << "IM - Injection";
    QTest::newRow("vancomycin IM is IV") << "VM"
                                         << "IM"
                                         << "Intermittent IV - Injection";
    QTest::newRow("lithium IV is oral") << "LI"
                                        << "IV"
                                        << "Oral - Capsules";
    QTest::newRow("phenytoin other") << "PH"
                                     << "X"
                                     << "Oral - Tablets";
    QTest::newRow("valproate other") << "VP"
                                     << "X"
                                     << "Oral - Divalproex Fast - Release Tables";
    QTest::newRow("valproate capsules") << "VP"
                                        << "C"
                                        << "Oral - Divalproex Extended - Release Capsules";
    QTest::newRow("case-sensitive") << "GM"
                                    << "iv"
                                    << "IM - Injection";
    QTest::newRow("user's choice oral") << "ZZ"
                                        << "S"
                                        << "Oral - ";
    QTest::newRow("user's choice IV") << "ZZ"
                                      << "IV"
                                      << "Intermittent IV - ";
    QTest::newRow("unknown drug") << "XX"
                                  << "IV"
                                  << "";
}

void TestOlderConversion::routeNames()
{
    QFETCH(QString, drug);
    QFETCH(QString, code);
    QFETCH(QString, route);
    QCOMPARE(convertRouteName(drug, code, QString()), route);
}

void TestOlderConversion::caseValues_data()
{
    QTest::addColumn<QString>("weightFlag");
    QTest::addColumn<QString>("heightFlag");
    QTest::addColumn<QString>("weight");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("storedWeight");
    QTest::addColumn<QTime>("storedTime");
    // The older file's own yes is -1; a date-time value keeps its time of day whatever follows.
    QTest::newRow("kg cm") << "1"
                           << "-1"
                           << "70"
                           << "1899-12-30 08:30:00"
                           << "KC"
                           << "70" << QTime(8, 30);
    QTest::newRow("kg inch") << "-1"
                             << "0"
                             << "70.25"
                             << "08:30:15"
                             << "KI"
                             << "70.25" << QTime(8, 30, 15);
    QTest::newRow("lb inch unconverted") << "0"
                                         << "0"
                                         << "154"
                                         << "8:05:00 PM"
                                         << "LI"
                                         << "154" << QTime(20, 5);
    QTest::newRow("unknown flag") << "1"
                                  << ""
                                  << "70"
                                  << "2003-05-17T08:30:00.000"
                                  << "LC"
                                  << "70" << QTime(8, 30);
    QTest::newRow("zero weight not given") << "1"
                                           << "1"
                                           << "0"
                                           << ""
                                           << "KC"
                                           << "-1" << QTime();
}

void TestOlderConversion::caseValues()
{
    QFETCH(QString, weightFlag);
    QFETCH(QString, heightFlag);
    QFETCH(QString, weight);
    QFETCH(QString, time);
    QFETCH(QString, unit);
    QFETCH(QString, storedWeight);
    QFETCH(QTime, storedTime);

    OldDbCaseRecord older;
    older.drugCode = QStringLiteral("GM");
    older.weight = weight;
    older.weightUnitFlag = weightFlag;
    older.heightUnitFlag = heightFlag;
    older.doses.append({QStringLiteral("2003-05-17"), time, QStringLiteral("IV"), QString(),
                        QStringLiteral("80"), QString(), QString(), QString()});
    older.parameters = OldDbParameterRow{QStringLiteral("17.5"),
                                         QStringLiteral("0"),
                                         QStringLiteral("6"),
                                         QStringLiteral("0"),
                                         QStringLiteral("0.85"),
                                         QString(),
                                         QString()};
    OldDbPatientRecord patient;
    patient.cases.append(older);

    OlderCaseConversion conversion;
    const ConvertedCase c = conversion.convert(patient).cases.value(0);
    QCOMPARE(c.unit, unit);
    QCOMPARE(c.weight, storedWeight);
    QCOMPARE(c.doses.value(0).time, storedTime);
    // The PK row holds litres and litres per hour whatever unit the older row showed them in.
    QCOMPARE(c.vd, QStringLiteral("17.5"));
    QCOMPARE(c.cl, QStringLiteral("6"));
    QCOMPARE(c.cf, QStringLiteral("85"));
}

void TestOlderConversion::valuesNotReadAreNamed_data()
{
    QTest::addColumn<QString>("birthday");
    QTest::addColumn<QString>("drug");
    QTest::addColumn<QString>("doseTime");
    QTest::addColumn<QString>("storedBirthday");
    QTest::addColumn<QString>("drugId");
    QTest::addColumn<QTime>("storedTime");
    QTest::addColumn<QString>("named");
    const QString born = QStringLiteral("1950-03-04 00:00:00");
    const QString morning = QStringLiteral("1899-12-30 08:30:00");
    // The driver's text for a day it cannot represent.
    const QString noDay = QStringLiteral("1900-01-00 00:00:00");
    QTest::newRow("code of three letters")
        << born << "GMX" << morning << "1950-03-04"
        << "None" << QTime(8, 30)
        << "Ann Lee, case 3: the drug code \"GMX\" is not known; the case was kept without a drug.";
    QTest::newRow("empty code") << born << "" << morning << "1950-03-04"
                                << "None" << QTime(8, 30)
                                << "Ann Lee, case 3: the drug code \"\" is not known; the case was "
                                   "kept without a drug.";
    QTest::newRow("birthday on no day")
        << noDay << "GM" << morning << ""
        << "Gentamicin" << QTime(8, 30)
        << "Ann Lee: the birthday \"1900-01-00 00:00:00\" is no real date; it was stored as not "
           "given.";
    QTest::newRow("dose time on no day")
        << born << "GM" << noDay << "1950-03-04"
        << "Gentamicin" << QTime()
        << "Ann Lee, case 3: the dose time \"2003-05-17 1900-01-00 00:00:00\" does not read as a "
           "date and time; what does not read was stored as not given.";
}

void TestOlderConversion::valuesNotReadAreNamed()
{
    QFETCH(QString, birthday);
    QFETCH(QString, drug);
    QFETCH(QString, doseTime);
    QFETCH(QString, storedBirthday);
    QFETCH(QString, drugId);
    QFETCH(QTime, storedTime);
    QFETCH(QString, named);

    OldDbCaseRecord older;
    older.caseNumber = QStringLiteral("3");
    older.drugCode = drug;
    older.doses.append({QStringLiteral("2003-05-17"), doseTime, QStringLiteral("IV"), QString(),
                        QStringLiteral("80"), QString(), QString(), QString()});
    older.parameters = OldDbParameterRow();
    OldDbPatientRecord patient;
    patient.recNum = QStringLiteral("57");
    patient.firstName = QStringLiteral("Ann");
    patient.lastName = QStringLiteral("Lee");
    patient.birthday = birthday;
    patient.cases.append(older);

    OlderCaseConversion conversion;
    const ConvertedPatient converted = conversion.convert(patient);
    QCOMPARE(converted.birthday, storedBirthday);
    QCOMPARE(converted.cases.value(0).drugId, drugId);
    QCOMPARE(converted.cases.value(0).doses.value(0).time, storedTime);
    QVERIFY2(converted.attention.contains(named), qPrintable(converted.attention.join('\n')));
}

void TestOlderConversion::summaryCountsWhatItDoesNotShow()
{
    ConversionSummary summary;
    summary.read = 30;
    summary.written = 30;
    for (int i = 1; i <= 25; ++i)
        summary.attention << QStringLiteral("line %1").arg(i);
    const QStringList shown = summary.text().split(QLatin1Char('\n'));
    QCOMPARE(shown.size(), 2 + 1 + 20 + 1);
    QCOMPARE(shown[22], QStringLiteral("line 20"));
    QCOMPARE(shown.last(), QStringLiteral("... and 5 more."));
}

void TestOlderConversion::fullConversionReadsBack()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    PromptScript prompts;
    QVERIFY(inst.page->findChild<QLabel*>(QStringLiteral("label_2"))
                ->text()
                .startsWith(QStringLiteral("Note: This function is used for converting Varnel2000 "
                                           "database to")));
    inst.click("button_convert");
    QCOMPARE(prompts.takeShown(),
             QStringLiteral("Information|Please select your Varnel2000 database."));
    const QString summary = inst.convert(prompts);
    QVERIFY2(summary.startsWith(allInserted), qPrintable(summary));
    // The user's-choice drug has no IM product: its IM dose keeps the older code and is named.
    QVERIFY2(summary.contains(QStringLiteral("Bob Lee, case 4: the dose route \"IM\"")),
             qPrintable(summary));

    QCOMPARE(column(QStringLiteral("SELECT LAST_NAME || '|' || BIRTHDAY || '|' || SEX || '|' || "
                                   "PATIENT_ID || '|' || NOTE FROM Patients ORDER BY REC_NUM")),
             QStringList({hostileName + QStringLiteral("|1950-03-04|F||") + hostileNote,
                          QStringLiteral("Lee|1961-07-08|M|H-2|"),
                          QStringLiteral("Dee|1970-01-01|M|H-3|")}));
    QCOMPARE(column(QStringLiteral(
                 "SELECT DATE_UPDATED || '|' || DRUG_ID || '|' || UNIT || '|' || WT || '|' || HT "
                 "|| '|' || SCR || '|' || FACTOR1 || '|' || FACTOR2 || '|' || CASE_NOTE || '|' || "
                 "MODIFY_BY FROM Cases ORDER BY CASE_NUMBER")),
             QStringList({QStringLiteral("2003-05-17|Gentamicin|KC|70|170|1.2|2||watch the "
                                         "\"renal\" trend|pharmacist"),
                          QStringLiteral("2003-06-01|UC_Zedacin|LI|154|70|0.9||||pharmacist"),
                          QStringLiteral("2003-07-01|Phenytoin|KC|-1|-1|0.8||||pharmacist")}));
    QCOMPARE(column(QStringLiteral("SELECT VD || '|' || CL || '|' || CF || '|' || VMAX || '|' || "
                                   "KM FROM PK ORDER BY CASE_NUMBER")),
             QStringList({QStringLiteral("17.5|4.2|85||"), QStringLiteral("35|6|100||"),
                          QStringLiteral("50|4|100|400|4")}));

    // The user's-choice drug keeps its own units: per kilogram of 154 lb, mL/min.
    const QString perKg = CaseStore::exactText(35 / (154 * 0.453597));
    QCOMPARE(one(QStringLiteral("SELECT DRUG_NAME || '|' || UNIT || '|' || CL || '|' || CL_UNIT "
                                "|| '|' || VD || '|' || VD_UNIT || '|' || CF FROM UserChoice")),
             QStringLiteral("Zedacin|mg|100|mL|") + perKg + QStringLiteral("|Lkg|100"));
    QCOMPARE(column(QStringLiteral("SELECT ROUTE || '|' || FORM || '|' || F FROM "
                                   "UserChoiceRoute")),
             QStringList({QStringLiteral("O|Tablets|80"), QStringLiteral("IV||")}));
    // Every route of the drug with the catalogue's bioavailability; the user's-choice drug's
    // routes are those its older row gives a salt factor for, its oral F from the percent.
    QCOMPARE(column(QStringLiteral("SELECT ROUTE || '|' || F || '|' || FSD FROM CustomF WHERE "
                                   "CASE_NUMBER IN (SELECT CASE_NUMBER FROM Cases WHERE DRUG_ID "
                                   "<> 'Phenytoin') ORDER BY CASE_NUMBER, ROUTE")),
             QStringList({QStringLiteral("IM - Injection|1|0.05"),
                          QStringLiteral("Intermittent IV - Injection|1|0.05"),
                          QStringLiteral("Continuous IV - |1|0.05"),
                          QStringLiteral("Intermittent IV - |1|0.05"),
                          QStringLiteral("Oral - Tablets|0.8|0.05")}));

    // The case page reads the rows back as it reads its own.
    const qint32 gentamicin = caseOf(QStringLiteral("Gentamicin"));
    const auto doseRows = historystore::readDoseRows(gentamicin);
    QVERIFY2(doseRows.ok && doseRows.rows.size() == 2, qPrintable(doseRows.error));
    const DoseHistoryRow& first = doseRows.rows[0];
    QCOMPARE(first.date, QDate(2003, 5, 17));
    QCOMPARE(first.time, QTime(8, 30));
    QCOMPARE(first.route, QStringLiteral("Intermittent IV - Injection"));
    QCOMPARE(first.inOut, QStringLiteral("I"));
    QCOMPARE(first.dose, 80.0);
    QCOMPARE(first.infusionTime, 0.5);
    QCOMPARE(doseRows.rows[1].route, QStringLiteral("IM - Injection"));
    QCOMPARE(doseRows.rows[1].inOut, QStringLiteral("O"));
    const auto levelRows = historystore::readLevelRows(gentamicin);
    QCOMPARE(levelRows.rows.size(), 1);
    QCOMPARE(levelRows.rows[0].time, QTime(7, 45, 30));
    QCOMPARE(levelRows.rows[0].level, 12.36);
    const auto userDoses = historystore::readDoseRows(caseOf(QStringLiteral("UC_Zedacin")));
    QCOMPARE(userDoses.rows.value(0).route, QStringLiteral("Oral - Tablets"));
    QCOMPARE(userDoses.rows.value(1).route, QStringLiteral("IM"));

    SessionData session;
    session.caseNumber = gentamicin;
    session.patient.drugCode = QStringLiteral("GM");
    QVERIFY(CaseStore(&session).loadPK().found);
    QCOMPARE(session.pkSets[pk::kCustom][pk::kCF], 0.85);
    QCOMPARE(session.pkSets[pk::kCustom][pk::kVd], 17.5);
    QCOMPARE(session.pkSets[pk::kCustom][pk::kCl], 4.2);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestOlderConversion::rerunSkipsPatientsAlreadyPresent()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    // A stored patient without an identifier has a NULL one; the empty older identifier
    // matches it.
    QSqlQuery stored(defaultConnection());
    QVERIFY(stored.prepare(QStringLiteral(
        "INSERT INTO Patients VALUES(NULL, 'Ann', ?, '', '1950-03-04', 'F', NULL, '')")));
    stored.addBindValue(hostileName);
    QVERIFY(stored.exec());

    PromptScript prompts;
    QCOMPARE(inst.convert(prompts),
             QStringLiteral("Conversion Finished. \n2 out of 3 have been inserted.\n1 were "
                            "already in the database and were skipped.\nPlease check these "
                            "values:\nBob Lee, case 4: the dose route \"IM\" "
                            "names no product of the drug; it was kept as it stood."));
    const QStringList cases = column(QStringLiteral("SELECT CASE_NUMBER FROM Cases"));
    QCOMPARE(cases.size(), 2);

    QCOMPARE(inst.convert(prompts),
             QStringLiteral("Conversion Finished. \n0 out of 3 have been inserted.\n3 were "
                            "already in the database and were skipped."));
    QCOMPARE(column(QStringLiteral("SELECT CASE_NUMBER FROM Cases")), cases);
    QCOMPARE(one(QStringLiteral("SELECT COUNT(*) FROM Patients")), QStringLiteral("3"));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestOlderConversion::rowsJoinOnlyByGivenKeys_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("cases");
    QTest::addColumn<QString>("doses");
    const QString bobsIm =
        QStringLiteral("Please check these values:\nBob Lee, case 4: the dose route \"IM\" "
                       "names no product of the drug; it was kept as it stood.");
    // Rows the change adds come before the fixture's.
    QTest::newRow("same person twice")
        << "INSERT INTO PatientBasic VALUES(60, 'Bob', 'Lee', '2004-01-05 10:00:00', "
           "'1961-07-08 00:00:00', '1', '', 'H-2');"
           "INSERT INTO PatientCase VALUES(60, '2003-08-01 09:00:00', 6, 80, 1, 180, 1, 1.0, 70, "
           "3, 'VM', NULL, NULL, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, '');"
           "INSERT INTO [PATIENTCASE-dosing history] VALUES(60, 6, 1, '2003-08-01 00:00:00', "
           "'1899-12-30 08:00:00', 1000, 'IV', 1, 12, 2, 0);"
           "INSERT INTO [PATIENTCASE-parameter] VALUES(60, 6, 0, 0, 50, 1, 5, 1, 1, NULL, NULL)"
        << "Conversion Finished. \n4 out of 4 have been inserted.\n" + bobsIm << "4"
        << "5";
    QTest::newRow("NULL and unknown keys")
        << "INSERT INTO PatientBasic VALUES(NULL, NULL, 'Fox', '2004-01-05 10:00:00', "
           "'1980-02-02 00:00:00', '1', '', '');"
           "INSERT INTO PatientCase VALUES(NULL, '2003-08-01 09:00:00', NULL, 80, 1, 180, 1, 1.0, "
           "70, 3, 'VM', NULL, NULL, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, '');"
           "INSERT INTO [PATIENTCASE-dosing history] VALUES(NULL, NULL, 1, '2003-08-01 00:00:00', "
           "'1899-12-30 08:00:00', 1000, 'IV', 1, 12, 2, 0);"
           "INSERT INTO [PATIENTCASE-level history] VALUES(57, 9, 1, '2003-05-18 00:00:00', "
           "'1899-12-30 07:45:30', 8.1)"
        << "Conversion Finished. \n4 out of 4 have been inserted.\nThese rows of the older "
           "database belong to no patient or case:\nPatientCase row 1 was skipped: its [patient "
           "rec num] is empty.\n[PATIENTCASE-dosing history] row 1 was skipped: its [patient rec "
           "num] is empty.\n[PATIENTCASE-level history]: 1 row(s) with [patient rec num] 57 and "
           "[case number] 9 belong to no case and were skipped.\nPlease check these values:\nFox: "
           "the older patient key is empty, so no case could be joined to "
           "the patient.\nBob Lee, case 4: the dose route \"IM\" names no product of the drug; it "
           "was kept as it stood."
        << "3"
        << "4";
}

void TestOlderConversion::rowsJoinOnlyByGivenKeys()
{
    QFETCH(QString, change);
    QFETCH(QString, summary);
    QFETCH(QString, cases);
    QFETCH(QString, doses);
    Installation inst;
    QVERIFY2(inst.prepare(change), qPrintable(inst.env.error()));
    PromptScript prompts;
    QCOMPARE(inst.convert(prompts), summary);
    QCOMPARE(one(QStringLiteral("SELECT COUNT(*) FROM Cases")), cases);
    QCOMPARE(one(QStringLiteral("SELECT COUNT(*) FROM DoseHistory")), doses);
    // Every patient written is found again, a missing first name included.
    const QString rerun = inst.convert(prompts);
    QVERIFY2(rerun.startsWith(QStringLiteral("Conversion Finished. \n0 out of 4 have been "
                                             "inserted.\n4 were already in the database")),
             qPrintable(rerun));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestOlderConversion::failingPatientIsRolledBackAlone()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    QSqlQuery trigger(defaultConnection());
    QVERIFY(trigger.exec(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE INSERT ON SerumLevel BEGIN SELECT RAISE(ABORT, "
        "'refused by the test'); END")));

    PromptScript prompts;
    const QString summary = inst.convert(prompts);
    QVERIFY2(summary.startsWith(QStringLiteral("Conversion Finished. \n2 out of 3 have been "
                                               "inserted.\n1 could not be converted, and nothing "
                                               "of them was written:\nAnn ")),
             qPrintable(summary));
    QVERIFY2(summary.contains(QStringLiteral("refused by the test")), qPrintable(summary));
    QCOMPARE(column(QStringLiteral("SELECT FIRST_NAME FROM Patients")),
             QStringList({QStringLiteral("Bob"), QStringLiteral("Cy")}));
    // Nothing of Ann's case is left behind.
    QCOMPARE(column(QStringLiteral("SELECT DRUG_ID FROM Cases")),
             QStringList({QStringLiteral("UC_Zedacin"), QStringLiteral("Phenytoin")}));
    for (const char* table : {"PK", "CustomF", "DoseHistory", "UserChoice"}) {
        QCOMPARE(one(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE CASE_NUMBER NOT IN (SELECT "
                                    "CASE_NUMBER FROM Cases)")
                         .arg(QLatin1String(table))),
                 QStringLiteral("0"));
    }
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestOlderConversion::unusableOlderFileChangesNothing_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("change");
    QTest::addColumn<Chosen>("chosen");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("message");
    const QString stand = QStringLiteral("SQLite3");
    const QString access = QLatin1String(SettingsKeys::convertOdbcDriverDefault);
    const QString invalid = QStringLiteral("The database you select is not valid. Please select a "
                                           "valid Varnel2000 database. \n%2\nCode PSDC-03");
    const QString unopened = QStringLiteral("Failed to open the Varnel2000 database. Please select "
                                            "a valid Varnel2000 database.\n%2\nCode PSDC-04");
    QTest::newRow("table missing")
        << stand << "DROP TABLE [PATIENTCASE-level history]" << Chosen::Prepared << "older.mdb"
        << invalid.arg("The table [PATIENTCASE-level history] is missing.");
    QTest::newRow("two tables missing")
        << stand << "DROP TABLE [PATIENTCASE-level history];DROP TABLE PatientBasic"
        << Chosen::Prepared << "older.mdb"
        << invalid.arg("The tables PatientBasic, [PATIENTCASE-level history] are missing.");
    QTest::newRow("none of the tables")
        << stand
        << "DROP TABLE PatientBasic;DROP TABLE PatientCase;DROP TABLE [PATIENTCASE-dosing "
           "history];DROP TABLE [PATIENTCASE-level history];DROP TABLE "
           "[PATIENTCASE-parameter];DROP TABLE [PATIENTCASE-user choice];CREATE TABLE Stock (x)"
        << Chosen::Prepared << "older.mdb"
        << invalid.arg("The file holds none of the tables of a Varnel2000 database "
                       "([PATIENTCASE-dosing history], PatientBasic, PatientCase, "
                       "[PATIENTCASE-level history], [PATIENTCASE-parameter], "
                       "[PATIENTCASE-User Choice]): it is not a Varnel2000 database.");
    QTest::newRow("column missing")
        << stand
        << "DROP TABLE PatientCase;CREATE TABLE PatientCase ([patient rec num], c1, c2, c3, c4, "
           "c5, c6, c7, c8, c9, c10, c11, c12, c13, c14, c15, c16, c17, c18, c19, c20, c21, c22, "
           "c23, c24)"
        << Chosen::Prepared << "older.mdb"
        << invalid.arg("The table PatientCase has 25 columns instead of at least 26.");
    QTest::newRow("key column missing")
        << stand
        << "DROP TABLE [PATIENTCASE-parameter];CREATE TABLE [PATIENTCASE-parameter] ([patient rec "
           "num], [case], p2, p3, p4, p5, p6, p7, p8, p9, p10)"
        << Chosen::Prepared << "older.mdb"
        << invalid.arg("The table [PATIENTCASE-parameter] has no column [case number].");
    // The driver's own words, "*" where they differ between its versions.
    QTest::newRow("not a database")
        << stand << "" << Chosen::Text << "notes.txt"
        << invalid.arg("The file lists no tables: it is empty, damaged or no database (the ODBC "
                       "driver says: [SQLite]file *is not a database (26)).");
    QTest::newRow("text file through the Access driver")
        << access << "" << Chosen::Text << "notes.txt"
        << unopened.arg("The ODBC driver cannot open the file: it may be damaged or may not be a "
                        "Varnel2000 database.");
    QTest::newRow("driver not installed")
        << "Absent Driver"
        << "" << Chosen::Prepared << "older.mdb"
        << unopened.arg("The ODBC driver cannot open the file: it may be damaged or may not be a "
                        "Varnel2000 database (the driver says: [unixODBC][Driver Manager]*).");
    QTest::newRow("Access file cut to its first half")
        << access << "" << Chosen::FirstHalf << "half.mdb"
        << unopened.arg("The file %1 may be damaged: it is 137216 bytes long, which is not a whole "
                        "number of its 4096-byte pages.");
    QTest::newRow("folder") << stand << "" << Chosen::Folder << "folder.mdb"
                            << unopened.arg("%1 is a folder, not a database file.");
    QTest::newRow("no read permission")
        << stand << "" << Chosen::Unreadable << "locked.mdb"
        << unopened.arg("The file %1 cannot be read: Permission denied.");
    QTest::newRow("missing file") << stand << "" << Chosen::Nothing << "absent.mdb"
                                  << unopened.arg("The file %1 does not exist.");
    QTest::newRow("path adding attributes")
        << stand << "" << Chosen::Nothing << "x;DRIVER={SQLite}.mdb"
        << "The path %1 holds one of the characters ; { } and cannot be opened. Please rename "
           "the file or its folder.";
}

void TestOlderConversion::unusableOlderFileChangesNothing()
{
    QFETCH(QString, driver);
    QFETCH(QString, change);
    QFETCH(Chosen, chosen);
    QFETCH(QString, fileName);
    QFETCH(QString, message);
    if (chosen == Chosen::Unreadable && geteuid() == 0)
        QSKIP("The super-user reads a file without read permission.");
    const bool access = driver == QLatin1String(SettingsKeys::convertOdbcDriverDefault);
    if (access)
        REQUIRE_ACCESS_DRIVER();
    Installation inst;
    QVERIFY2(access ? inst.prepareAccessFile() : inst.prepare(change),
             qPrintable(inst.env.error()));
    SettingsFile(inst.env.settingsPath())
        .setValue(QLatin1String(SettingsKeys::convertOdbcDriver), driver);
    const QString path = inst.env.dir() + QLatin1Char('/') + fileName;
    QVERIFY(makeChosen(chosen, inst.older, path));
    QCOMPARE(QFile::exists(path), chosen != Chosen::Nothing);

    PromptScript prompts;
    inst.click("button_change_old", path);
    if (!inst.shown("old_db_path").isEmpty())
        inst.click("button_convert");
    const auto shown = prompts.take();
    QCOMPARE(shown.size(), size_t(1));
    const QStringList around = message.split(QLatin1Char('*'));
    if (around.size() == 2)
        QVERIFY2(shown.back().text.startsWith(around[0]) && shown.back().text.endsWith(around[1]),
                 qPrintable(shown.back().text));
    else
        QCOMPARE(shown.back().text,
                 message.contains(QLatin1String("%1")) ? message.arg(path) : message);
    QCOMPARE(one(QStringLiteral("SELECT COUNT(*) FROM Patients")), QStringLiteral("0"));
    // Reading never makes the older file.
    QCOMPARE(QFile::exists(path), chosen != Chosen::Nothing);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestOlderConversion::chosenTargetReceivesTheRows()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    const QString target = inst.env.dir() + QStringLiteral("/target.db");
    QString error;
    QVERIFY2(createCaseDatabase(target, inst.config.databaseKey(), QStringLiteral("admin"),
                                QString(), &error),
             qPrintable(error));
    const QString plain = inst.env.dir() + QStringLiteral("/plain.db");
    QVERIFY(writeOlderFile(plain));

    PromptScript prompts;
    // A file that is no case database is refused and the earlier target stays.
    inst.click("button_change_new", plain);
    QCOMPARE(prompts.takeShown(),
             QStringLiteral("Warning|Failed to open the database. Please select a valid "
                            "database. \nCode PSD-06"));
    QCOMPARE(inst.shown("new_db_path"), inst.config.databasePath());

    inst.click("button_change_new", target);
    QCOMPARE(inst.shown("new_db_path"), target);
    QVERIFY(inst.convert(prompts).startsWith(allInserted));
    QCOMPARE(one(QStringLiteral("SELECT COUNT(*) FROM Patients")), QStringLiteral("0"));
    QCOMPARE(one(QStringLiteral("SELECT COUNT(*) FROM Patients"),
                 QSqlDatabase::database(QStringLiteral("insertNewDB"))),
             QStringLiteral("3"));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestOlderConversion::damagedTargetIsRefusedBeforeReading()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    QSqlQuery drop(defaultConnection());
    QVERIFY(drop.exec(QStringLiteral("DROP TABLE SerumLevel")));
    QVERIFY(drop.exec(QStringLiteral("DROP TABLE CustomF")));

    PromptScript prompts;
    QCOMPARE(inst.convert(prompts),
             QStringLiteral("The Talvora database %1 cannot take the conversion: The tables "
                            "CustomF, SerumLevel are missing.")
                 .arg(inst.config.databasePath()));
    QCOMPARE(one(QStringLiteral("SELECT COUNT(*) FROM Patients")), QStringLiteral("0"));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestOlderConversion::accessFileIsReadAndRefused()
{
    REQUIRE_ACCESS_DRIVER();
    Installation inst;
    QVERIFY2(inst.prepareAccessFile(), qPrintable(inst.env.error()));
    const QByteArray olderBytes = contents(inst.older);
    const QByteArray targetBytes = contents(inst.env.databasePath());

    const SettingsFile settings(inst.env.settingsPath());
    QString error;
    const QString connectionString = olderConnectionString(
        settings.read(SettingsKeys::convertOdbcTemplateSetting),
        settings.read(SettingsKeys::convertOdbcDriverSetting), inst.older, &error);
    QCOMPARE(accessRows(connectionString, &error),
             QStringList({"1|2021-12-02|00:00:00|2021-12-02|Hello", "2||||Year 9999",
                          "3|||1900-01-01|Pre-1900 years", "4||||Pre-1000 years",
                          "5|2021-12-02|00:00:00|2021-12-02|Escaped new line \\r\\n in field",
                          "6|2021-12-02|00:00:00|2021-12-02|New line\r\nin field"}));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    PromptScript prompts;
    QCOMPARE(inst.convert(prompts),
             QStringLiteral("The database you select is not valid. Please select a valid "
                            "Varnel2000 database. \nThe file holds none of the tables of a "
                            "Varnel2000 database ([PATIENTCASE-dosing history], PatientBasic, "
                            "PatientCase, [PATIENTCASE-level history], [PATIENTCASE-parameter], "
                            "[PATIENTCASE-User Choice]): it is not a Varnel2000 database.\nCode "
                            "PSDC-03"));
    QCOMPARE(contents(inst.older), olderBytes);
    QCOMPARE(contents(inst.env.databasePath()), targetBytes);

    // The driver opens an empty file and only fails to parse the first statement on it.
    QFile empty(inst.older);
    QVERIFY(empty.open(QIODevice::WriteOnly | QIODevice::Truncate));
    empty.close();
    const QString refused = inst.convert(prompts);
    QVERIFY2(refused.startsWith(QStringLiteral("The database you select is not valid. Please "
                                               "select a valid Varnel2000 database. \nThe file "
                                               "lists no tables: it is empty, damaged or no "
                                               "database (the ODBC driver says: ")),
             qPrintable(refused));
    QCOMPARE(QFileInfo(inst.older).size(), 0);
    QCOMPARE(contents(inst.env.databasePath()), targetBytes);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

TALVORA_TEST_MAIN(TestOlderConversion)
#include "tst_olderconversion.moc"
