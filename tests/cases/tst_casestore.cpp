#include "cases/AnalysisPriorStore.h"
#include "cases/CaseRemoval.h"
#include "cases/CaseStore.h"
#include "cases/StoredRecords.h"
#include "pkcore/SessionData.h"
#include "platform/OleDate.h"
#include "tests/support/DatabaseRows.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextDocument>

#include <cmath>
#include <memory>

namespace
{
const QString stamp = QStringLiteral("2024-03-05  14:07:09");
const QString ivRoute = QStringLiteral("Intermittent IV - Injection");
const QString imRoute = QStringLiteral("IM - Injection");

// A gentamicin case as the case page holds it before its first save.
SessionData gentamicinCase()
{
    SessionData s;
    s.loggedIn = true;
    s.userName = QStringLiteral("admin");
    s.patient.firstName = QStringLiteral("Ann");
    s.patient.lastName = QStringLiteral("O'Brien");
    s.patient.sex = QStringLiteral("F");
    s.patient.hospitalId = QStringLiteral("H-100");
    s.patient.patientNote = QStringLiteral("allergic to; DROP TABLE Patients");
    s.patient.caseNote = QStringLiteral("first course");
    s.patient.drugCode = QStringLiteral("GM");
    s.patient.weightUnit = QStringLiteral("kg");
    s.patient.heightUnit = QStringLiteral("cm");
    s.patient.birthday = oleDateFromFields(1950, 7, 4).value;
    s.patient.birthdayStatus = 0;
    s.weightKg = 70.0;
    s.heightCm = 170.0;
    s.scr1 = 1.2;
    s.crcl = 61.25;
    s.albumin = 0.0;
    s.routeNames = {ivRoute, imRoute};
    s.routeF = {1.0, 0.9};
    s.routeFsd = {0.05, 0.125};
    s.savedRouteF = s.routeF;
    s.savedRouteFsd = s.routeFsd;
    s.pkSets[pk::kCustom][pk::kVd] = 17.5;
    s.pkSets[pk::kCustom][pk::kCl] = 4.2;
    s.pkSets[pk::kCustom][pk::kCF] = 1.0;
    s.customRanges[pk::kFitVd] = 0.2;
    s.customRanges[pk::kFitCl] = 0.2;
    s.customRanges[pk::kFitCF] = 0.1;
    return s;
}

CasePageTexts gentamicinTexts()
{
    CasePageTexts t;
    t.weight = QStringLiteral("70 kg");
    t.height = QStringLiteral("170 cm");
    return t;
}

// The case saved as a case of `drug`, with the Km, Vmax and CF a phenytoin page would hold.
SaveOutcome saveAsDrug(SessionData& s, const QString& drug)
{
    s.patient.drugCode = drug;
    PkParameterSet& custom = s.pkSets[pk::kCustom];
    custom[pk::kKm] = 4.2;
    custom[pk::kVmax] = 100.0;
    custom[pk::kCF] = 0.9;
    s.customRanges[pk::kFitKm] = 0.2;
    s.customRanges[pk::kFitVmax] = 0.1;
    return CaseStore(&s).save(gentamicinTexts(), stamp);
}

QSqlRecord rowOf(const QString& sql, int number)
{
    QSqlQuery query;
    query.prepare(sql);
    query.bindValue(QStringLiteral(":n"), number);
    if (query.exec() && query.next())
        return query.record();
    return QSqlRecord();
}

QSqlRecord caseRow(int caseNumber)
{
    return rowOf(QStringLiteral("SELECT * FROM Cases WHERE CASE_NUMBER = :n"), caseNumber);
}

QSqlRecord pkRow(int caseNumber)
{
    return rowOf(QStringLiteral("SELECT * FROM PK WHERE CASE_NUMBER = :n"), caseNumber);
}

int rowCount(const QString& table, int caseNumber)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE CASE_NUMBER = :n").arg(table));
    query.bindValue(QStringLiteral(":n"), caseNumber);
    return query.exec() && query.next() ? query.value(0).toInt() : -1;
}
} // namespace

class TestCaseStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstSaveInsertsAndSecondUpdates();
    void unitsAndMeasures_data();
    void unitsAndMeasures();
    void factorNumbers_data();
    void factorNumbers();
    void renalColumnsOfInsertAndUpdate();
    void pkColumnsFollowTheDrug_data();
    void pkColumnsFollowTheDrug();
    void userChoiceRowsAndRoutes();
    void customParametersRoundTrip_data();
    void customParametersRoundTrip();
    void clinicalCasesComeBackExactly_data();
    void clinicalCasesComeBackExactly();
    void percentTextGivesBackTheFraction_data();
    void percentTextGivesBackTheFraction();
    void storedZeroGivesNoRange();
    void saveWithoutPkTableKeepsNothing();
    void failedUpdateKeepsStoredCase();
    void extraRowsShareTheTransaction();
    void removedCaseIsStoredAgain();
    void anotherUsersSaveIsNotOverwritten_data();
    void anotherUsersSaveIsNotOverwritten();
    void staleSaveWithinOneSecondIsRefused();
    void failedRemovalRemovesNothing();

private:
    std::unique_ptr<TestEnvironment> env;
};

void TestCaseStore::init()
{
    env = std::make_unique<TestEnvironment>();
    QVERIFY2(env->isValid(), qPrintable(env->error()));
    QVERIFY2(env->openDefaultConnection(), qPrintable(env->error()));
}

void TestCaseStore::cleanup()
{
    env.reset();
}

void TestCaseStore::firstSaveInsertsAndSecondUpdates()
{
    SessionData s = gentamicinCase();
    CaseStore store(&s);
    const SaveOutcome first = store.save(gentamicinTexts(), stamp);
    QVERIFY2(first.saved, qPrintable(first.failure));
    QVERIFY(s.saved);
    QVERIFY(s.recNum > 0);
    QVERIFY(s.caseNumber > 0);

    const QSqlRecord patient =
        rowOf(QStringLiteral("SELECT * FROM Patients WHERE REC_NUM = :n"), s.recNum);
    QCOMPARE(patient.value(QStringLiteral("LAST_NAME")).toString(), QStringLiteral("O'Brien"));
    QCOMPARE(patient.value(QStringLiteral("BIRTHDAY")).toString(), QStringLiteral("1950-07-04"));
    QCOMPARE(patient.value(QStringLiteral("DATE_STORED")).toString(), stamp);
    QCOMPARE(patient.value(QStringLiteral("NOTE")).toString(), s.patient.patientNote);
    const QSqlRecord row = caseRow(s.caseNumber);
    QCOMPARE(row.value(QStringLiteral("REC_NUM")).toInt(), s.recNum);
    QCOMPARE(row.value(QStringLiteral("DRUG_ID")).toString(), QStringLiteral("Gentamicin"));
    QCOMPARE(row.value(QStringLiteral("CRCL")).toString(), QStringLiteral("61.25"));
    QCOMPARE(row.value(QStringLiteral("MODIFY_BY")).toString(), QStringLiteral("admin"));
    QCOMPARE(rowCount(QStringLiteral("PK"), s.caseNumber), 1);
    QCOMPARE(rowCount(QStringLiteral("CustomF"), s.caseNumber), 2);

    const int recNum = s.recNum;
    const int caseNumber = s.caseNumber;
    s.patient.caseNote = QStringLiteral("second course");
    s.routeF = {0.95, 0.85};
    const SaveOutcome second = store.save(gentamicinTexts(), stamp);
    QVERIFY2(second.saved, qPrintable(second.failure));
    QCOMPARE(s.recNum, recNum);
    QCOMPARE(s.caseNumber, caseNumber);
    QCOMPARE(rowCount(QStringLiteral("Patients")), 1);
    QCOMPARE(rowCount(QStringLiteral("Cases")), 1);
    QCOMPARE(rowCount(QStringLiteral("PK")), 1);
    QCOMPARE(rowCount(QStringLiteral("CustomF")), 2);
    QCOMPARE(caseRow(caseNumber).value(QStringLiteral("CASE_NOTE")).toString(),
             QStringLiteral("second course"));
    QCOMPARE(s.savedRouteF, s.routeF);
}

void TestCaseStore::unitsAndMeasures_data()
{
    QTest::addColumn<QStringList>("entered"); // weight unit, height unit, both fields as shown
    QTest::addColumn<QStringList>("stored");  // UNIT, W_UNIT, H_UNIT, WT, HT

    QTest::newRow("kg cm") << QStringList{"kg", "cm", "70.1235 kg", "170 cm"}
                           << QStringList{"KC", "kg", "cm", "70.1235", "170"};
    QTest::newRow("kg inch") << QStringList{"kg", "in", "70 kg", "66.93 in"}
                             << QStringList{"KI", "kg", "inch", "70", "66.93"};
    QTest::newRow("lb inch") << QStringList{"lb", "in", "154.00 lb", "60.00 in"}
                             << QStringList{"LI", "lb", "inch", "154", "60"};
    QTest::newRow("lb cm") << QStringList{"lb", "cm", "154.00 lb", "170 cm"}
                           << QStringList{"LC", "lb", "cm", "154", "170"};
}

void TestCaseStore::unitsAndMeasures()
{
    QFETCH(QStringList, entered);
    QFETCH(QStringList, stored);
    SessionData s = gentamicinCase();
    s.patient.weightUnit = entered[0];
    s.patient.heightUnit = entered[1];
    CasePageTexts texts = gentamicinTexts();
    texts.weight = entered[2];
    texts.height = entered[3];
    QVERIFY(CaseStore(&s).save(texts, stamp).saved);

    const QSqlRecord row = caseRow(s.caseNumber);
    const QStringList columns{"UNIT", "W_UNIT", "H_UNIT", "WT", "HT"};
    for (int i = 0; i < columns.size(); ++i)
        QCOMPARE(row.value(columns[i]).toString(), stored[i]);
}

void TestCaseStore::factorNumbers_data()
{
    QTest::addColumn<QVector<int>>("ticked");
    QTest::addColumn<QVariant>("factor1");
    QTest::addColumn<QVariant>("factor2");

    QTest::newRow("none") << QVector<int>{} << QVariant(QString("")) << QVariant(QString(""));
    QTest::newRow("fifth only") << QVector<int>{5} << QVariant(5) << QVariant();
    QTest::newRow("third and seventh") << QVector<int>{3, 7} << QVariant(3) << QVariant(7);
    QTest::newRow("three ticked") << QVector<int>{2, 4, 9} << QVariant(2) << QVariant(4);
}

void TestCaseStore::factorNumbers()
{
    QFETCH(QVector<int>, ticked);
    QFETCH(QVariant, factor1);
    QFETCH(QVariant, factor2);
    SessionData s = gentamicinCase();
    for (int n : ticked)
        s.factorFlags[n] = 1;
    QVERIFY(CaseStore(&s).save(gentamicinTexts(), stamp).saved);

    const QSqlRecord row = caseRow(s.caseNumber);
    const QVariant stored1 = row.value(QStringLiteral("FACTOR1"));
    const QVariant stored2 = row.value(QStringLiteral("FACTOR2"));
    QCOMPARE(stored1.toString(), factor1.toString());
    QCOMPARE(stored2.isNull(), factor2.isNull());
    QCOMPARE(stored2.toString(), factor2.toString());
}

void TestCaseStore::renalColumnsOfInsertAndUpdate()
{
    SessionData s = gentamicinCase();
    CaseStore store(&s);
    QVERIFY(store.save(gentamicinTexts(), stamp).saved);
    QCOMPARE(caseRow(s.caseNumber).value(QStringLiteral("SCR2")).toString(), QStringLiteral("-1"));
    QCOMPARE(caseRow(s.caseNumber).value(QStringLiteral("TIME")).toString(), QStringLiteral("-1"));

    QVERIFY(store.save(gentamicinTexts(), stamp).saved);
    QCOMPARE(caseRow(s.caseNumber).value(QStringLiteral("SCR2")).toString(), QString());
    QCOMPARE(caseRow(s.caseNumber).value(QStringLiteral("TIME")).toString(), QString());

    s.renalMode = 1;
    s.scr2 = 1.5;
    s.scrHoursBetween = 24.0;
    QVERIFY(store.save(gentamicinTexts(), stamp).saved);
    QCOMPARE(caseRow(s.caseNumber).value(QStringLiteral("SCR2")).toString(), QStringLiteral("1.5"));
    QCOMPARE(caseRow(s.caseNumber).value(QStringLiteral("TIME")).toString(), QStringLiteral("24"));
}

void TestCaseStore::pkColumnsFollowTheDrug_data()
{
    QTest::addColumn<QString>("drug");
    // CL, CL_RANGE, CF, CF_RANGE, VMAX, KM, VMAX_RANGE, KM_RANGE
    QTest::addColumn<QStringList>("columns");

    QTest::newRow("gentamicin") << "GM"
                                << QStringList{"4.2", "0.8400000000000001", "90", "9", "", "", "",
                                               ""};
    QTest::newRow("phenytoin") << "PH"
                               << QStringList{"4.2", "0.8400000000000001", "90", "9", "100", "4.2",
                                              "10",  "0.8400000000000001"};
}

void TestCaseStore::pkColumnsFollowTheDrug()
{
    QFETCH(QString, drug);
    QFETCH(QStringList, columns);
    SessionData s = gentamicinCase();
    QVERIFY(saveAsDrug(s, drug).saved);

    const QSqlRecord row = pkRow(s.caseNumber);
    QCOMPARE(row.value(QStringLiteral("TYPE")).toString(), QStringLiteral("C"));
    QCOMPARE(row.value(QStringLiteral("VD")).toString(), QStringLiteral("17.5"));
    QCOMPARE(row.value(QStringLiteral("VD_RANGE")).toString(), QStringLiteral("3.5"));
    const QStringList names{"CL",   "CL_RANGE", "CF",         "CF_RANGE",
                            "VMAX", "KM",       "VMAX_RANGE", "KM_RANGE"};
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(row.value(names[i]).toString(), columns[i]);
}

void TestCaseStore::userChoiceRowsAndRoutes()
{
    SessionData s = gentamicinCase();
    s.patient.drugCode = QStringLiteral("ZZ");
    UserChoiceRecord& u = s.userChoice;
    u.drugNameText = QStringLiteral("Drug X");
    u.doseUnitText = QStringLiteral("mg");
    u.clearanceText = QStringLiteral("100");
    u.clearanceUnitText = QStringLiteral("mL");
    u.volumeText = QStringLiteral("0.5");
    u.volumeUnitText = QStringLiteral("Lkg");
    u.complianceText = QStringLiteral("90");
    u.oralFormText = QStringLiteral("Tablets");
    u.oralSaltText = QStringLiteral("1");
    u.oralKaText = QStringLiteral("1.5");
    u.oralFText = QStringLiteral("80");
    u.ivSaltText = QStringLiteral("0.9");
    u.levelMinText = QStringLiteral("5");
    u.levelMaxText = QStringLiteral("10");
    u.lagTimeText = QStringLiteral("0.5");
    CaseStore store(&s);
    QVERIFY(store.save(gentamicinTexts(), stamp).saved);
    QVERIFY(store.save(gentamicinTexts(), stamp).saved); // the second save updates

    QCOMPARE(caseRow(s.caseNumber).value(QStringLiteral("DRUG_ID")).toString(),
             QStringLiteral("UC_Drug X"));
    QCOMPARE(rowCount(QStringLiteral("UserChoice")), 1);
    const QSqlRecord choice =
        rowOf(QStringLiteral("SELECT * FROM UserChoice WHERE CASE_NUMBER = :n"), s.caseNumber);
    QCOMPARE(choice.value(QStringLiteral("VD_UNIT")).toString(), QStringLiteral("Lkg"));
    QCOMPARE(choice.value(QStringLiteral("T_MIN")).toString(), QStringLiteral("5"));
    QCOMPARE(choice.value(QStringLiteral("T_MAX")).toString(), QStringLiteral("10"));

    QSqlQuery routes;
    routes.prepare(QStringLiteral("SELECT ROUTE, FORM, SALT, KA, F FROM UserChoiceRoute WHERE "
                                  "CASE_NUMBER = :n ORDER BY rowid"));
    routes.bindValue(QStringLiteral(":n"), s.caseNumber);
    QVERIFY(routes.exec());
    QStringList found;
    while (routes.next()) {
        QStringList fields;
        for (int i = 0; i < 5; ++i)
            fields << routes.value(i).toString();
        found << fields.join(QLatin1Char('|'));
    }
    QCOMPARE(found, (QStringList{"O|Tablets|1|1.5|80", "IV||0.9||"}));
}

void TestCaseStore::customParametersRoundTrip_data()
{
    QTest::addColumn<QString>("drug");
    QTest::newRow("gentamicin") << "GM";
    QTest::newRow("phenytoin") << "PH";
}

void TestCaseStore::customParametersRoundTrip()
{
    QFETCH(QString, drug);
    SessionData s = gentamicinCase();
    QVERIFY(saveAsDrug(s, drug).saved);

    SessionData loaded;
    loaded.caseNumber = s.caseNumber;
    loaded.patient.drugCode = drug;
    loaded.pkSets[pk::kCustom][pk::kCl] = 9.9;
    CaseStore reader(&loaded);
    QVERIFY(reader.loadPK().found);
    QVERIFY(reader.loadCustomF().found);

    for (int set : {pk::kCustom, pk::kSavedCustom}) {
        const PkParameterSet& p = loaded.pkSets[set];
        QCOMPARE(p[pk::kVd], 17.5);
        if (drug == QLatin1String("PH")) {
            QCOMPARE(p[pk::kKm], 4.2);
            QCOMPARE(p[pk::kVmax], 100.0);
            QCOMPARE(p[pk::kCF], 0.9);
        } else {
            QCOMPARE(p[pk::kCl], 4.2);
            QCOMPARE(p[pk::kCF], 0.9);
        }
    }
    if (drug == QLatin1String("PH")) {
        QCOMPARE(loaded.pkSets[pk::kCustom][pk::kCl], 9.9); // phenytoin keeps Cl
        QCOMPARE(loaded.customRanges[pk::kFitKm], 0.84 / 4.2);
        QCOMPARE(loaded.customRanges[pk::kFitVmax], 0.1);
        QCOMPARE(loaded.customRanges[pk::kFitCF], 0.1);
    } else {
        QCOMPARE(loaded.customRanges[pk::kFitCl], 0.84 / 4.2);
        QCOMPARE(loaded.customRanges[pk::kFitCF], 0.1);
    }
    QCOMPARE(loaded.customRanges[pk::kFitVd], 0.2);
    QCOMPARE(loaded.savedCustomRanges[pk::kFitVd], 0.2);
    QCOMPARE(loaded.routeNames, s.routeNames);
    QCOMPARE(loaded.routeF, s.routeF);
    QCOMPARE(loaded.routeFsd, s.routeFsd);
    QCOMPARE(loaded.savedRouteF, s.routeF);
    QCOMPARE(loaded.savedRouteFsd, s.routeFsd);
}

void TestCaseStore::clinicalCasesComeBackExactly_data()
{
    QTest::addColumn<QString>("drug");
    QTest::addColumn<double>("vd");
    QTest::addColumn<double>("cl");
    QTest::addColumn<double>("cf");
    QTest::addColumn<QVector<double>>("ranges"); // Vd, Cl, CF
    QTest::addColumn<QVector<double>>("routeF");
    QTest::addColumn<QVector<double>>("routeFsd");

    // Two decimals would store 0.07 L/h for this clearance (+6.7 %).
    QTest::newRow("neonate gentamicin")
        << "GM" << 0.5 * 2.85 << 0.0656 << 93 / 100.0 << QVector<double>{0.25, 0.3, 0.1}
        << QVector<double>{1.0, 0.9} << QVector<double>{0.05, 1 / 3.0};
    // A half-life of 29.29 h came back as 29.21 h.
    const double vd = 0.7 * 71.3;
    QTest::newRow("adult vancomycin")
        << "VM" << vd << 0.693 * vd / 29.29 << 0.07 << QVector<double>{0.2, 0.35, 0.0}
        << QVector<double>{0.87 * 0.9, 0.123456789} << QVector<double>{0.1, 0.0};
}

void TestCaseStore::clinicalCasesComeBackExactly()
{
    QFETCH(QString, drug);
    QFETCH(double, vd);
    QFETCH(double, cl);
    QFETCH(double, cf);
    QFETCH(QVector<double>, ranges);
    QFETCH(QVector<double>, routeF);
    QFETCH(QVector<double>, routeFsd);
    SessionData s = gentamicinCase();
    s.patient.drugCode = drug;
    s.pkSets[pk::kCustom][pk::kVd] = vd;
    s.pkSets[pk::kCustom][pk::kCl] = cl;
    s.pkSets[pk::kCustom][pk::kCF] = cf;
    const int rangeSlots[] = {pk::kFitVd, pk::kFitCl, pk::kFitCF};
    for (int i = 0; i < 3; ++i)
        s.customRanges[rangeSlots[i]] = ranges[i];
    s.routeF = routeF;
    s.routeFsd = routeFsd;
    QVERIFY(CaseStore(&s).save(gentamicinTexts(), stamp).saved);

    SessionData loaded;
    loaded.caseNumber = s.caseNumber;
    loaded.patient.drugCode = drug;
    QVERIFY(CaseStore(&loaded).loadPK().found);
    QVERIFY(CaseStore(&loaded).loadCustomF().found);
    const auto same = [](double a, double b) {
        return qPrintable(QString::number(a, 'g', 17) + " != " + QString::number(b, 'g', 17));
    };
    for (int set : {pk::kCustom, pk::kSavedCustom}) {
        for (int slot : {pk::kVd, pk::kCl, pk::kCF}) {
            const double back = loaded.pkSets[set][slot];
            const double saved = s.pkSets[pk::kCustom][slot];
            QVERIFY2(back == saved, same(back, saved));
        }
    }
    for (int i = 0; i < routeF.size(); ++i) {
        QVERIFY2(loaded.routeF[i] == routeF[i], same(loaded.routeF[i], routeF[i]));
        QVERIFY2(loaded.routeFsd[i] == routeFsd[i], same(loaded.routeFsd[i], routeFsd[i]));
    }
    // A range is stored as its spread and read back as spread / value: one rounding.
    for (int i = 0; i < 3; ++i) {
        const double back = loaded.customRanges[rangeSlots[i]];
        QVERIFY2(std::abs(back - ranges[i]) <= 1e-15 * ranges[i], same(back, ranges[i]));
    }
}

void TestCaseStore::percentTextGivesBackTheFraction_data()
{
    QTest::addColumn<double>("fraction");
    QTest::addColumn<QString>("percent");
    QTest::newRow("whole") << 1.0 << "100";
    QTest::newRow("typed 85") << 85 / 100.0 << "85";
    QTest::newRow("x 100 rounds up") << 0.07 << "7";
    QTest::newRow("long") << 0.123456789012345678 << "12.345678901234568";
    QTest::newRow("tiny") << 1e-5 << "0.001";
    QTest::newRow("zero") << 0.0 << "0";
}

void TestCaseStore::percentTextGivesBackTheFraction()
{
    QFETCH(double, fraction);
    QFETCH(QString, percent);
    QCOMPARE(CaseStore::percentText(fraction), percent);
    QVERIFY(CaseStore::fractionOfPercent(percent) == fraction);
    // Rows stored with two decimals read as before.
    QVERIFY(CaseStore::fractionOfPercent(QStringLiteral("85.00")) == 0.85);
    QVERIFY(CaseStore::fractionOfPercent(QStringLiteral("8.5e+01")) == 0.85);
}

void TestCaseStore::storedZeroGivesNoRange()
{
    QVERIFY(execute(QStringLiteral(
        "INSERT INTO PK VALUES('7','C','0','','100','3.5','0.5','10','','','','')")));
    SessionData s;
    s.caseNumber = 7;
    s.patient.drugCode = QStringLiteral("GM");
    QVERIFY(CaseStore(&s).loadPK().found);
    QCOMPARE(s.customRanges[pk::kFitVd], 0.0);
    QCOMPARE(s.customRanges[pk::kFitCl], 0.0); // CL was empty text
    QCOMPARE(s.customRanges[pk::kFitCF], 0.1);
}

void TestCaseStore::saveWithoutPkTableKeepsNothing()
{
    QVERIFY(execute(QStringLiteral("DROP TABLE PK")));
    SessionData s = gentamicinCase();
    const QVector<double> savedBefore = s.savedRouteF;
    s.routeF = {0.5, 0.5};
    const SaveOutcome outcome = CaseStore(&s).save(gentamicinTexts(), stamp);
    QVERIFY(!outcome.saved);
    QVERIFY2(outcome.failure.startsWith(QStringLiteral("Add PK fail\n")),
             qPrintable(outcome.failure));
    QVERIFY2(outcome.failure.contains(QStringLiteral("no such table")),
             qPrintable(outcome.failure));
    QVERIFY(!s.saved);
    QCOMPARE(s.recNum, 0);
    QCOMPARE(s.caseNumber, 0);
    QCOMPARE(s.savedRouteF, savedBefore);
    QCOMPARE(rowCount(QStringLiteral("Patients")), 0);
    QCOMPARE(rowCount(QStringLiteral("Cases")), 0);
    QCOMPARE(rowCount(QStringLiteral("CustomF")), 0);
}

void TestCaseStore::failedUpdateKeepsStoredCase()
{
    SessionData s = gentamicinCase();
    CaseStore store(&s);
    QVERIFY(store.save(gentamicinTexts(), stamp).saved);
    const int caseNumber = s.caseNumber;

    QVERIFY(execute(QStringLiteral("DROP TABLE CustomF")));
    s.patient.caseNote = QStringLiteral("changed");
    s.patient.lastName = QStringLiteral("Changed");
    s.pkSets[pk::kCustom][pk::kVd] = 30.0;
    s.saved = false;
    const SaveOutcome outcome = store.save(gentamicinTexts(), stamp);
    QVERIFY(!outcome.saved);
    QVERIFY(outcome.failure.startsWith(QStringLiteral("Delete Custom F fail\n")));
    QVERIFY(!s.saved);
    QCOMPARE(s.caseNumber, caseNumber);
    QCOMPARE(caseRow(caseNumber).value(QStringLiteral("CASE_NOTE")).toString(),
             QStringLiteral("first course"));
    QCOMPARE(pkRow(caseNumber).value(QStringLiteral("VD")).toString(), QStringLiteral("17.5"));
    QCOMPARE(s.pkSets[pk::kSavedCustom][pk::kVd], 17.5);
}

void TestCaseStore::extraRowsShareTheTransaction()
{
    SessionData s = gentamicinCase();
    int caseSeenByWriter = 0;
    const auto writer = [&](bool succeed) {
        return [&, succeed] {
            caseSeenByWriter = s.caseNumber;
            QSqlQuery query;
            query.prepare(QStringLiteral(
                "INSERT INTO SerumLevel VALUES(:case,'2024-03-05','08:00:00','4.1')"));
            query.bindValue(QStringLiteral(":case"), s.caseNumber);
            return query.exec() && succeed;
        };
    };
    const SaveOutcome refused = CaseStore(&s).save(gentamicinTexts(), stamp, writer(false));
    QVERIFY(!refused.saved);
    QVERIFY(refused.failure.isEmpty()); // the writer reports its own failure
    QVERIFY(caseSeenByWriter > 0);
    QCOMPARE(rowCount(QStringLiteral("SerumLevel")), 0);
    QCOMPARE(rowCount(QStringLiteral("Cases")), 0);
    QCOMPARE(s.caseNumber, 0);

    QVERIFY(CaseStore(&s).save(gentamicinTexts(), stamp, writer(true)).saved);
    QCOMPARE(caseSeenByWriter, s.caseNumber);
    QCOMPARE(rowCount(QStringLiteral("SerumLevel"), s.caseNumber), 1);
}

void TestCaseStore::removedCaseIsStoredAgain()
{
    SessionData s = gentamicinCase();
    CaseStore store(&s);
    QVERIFY(store.save(gentamicinTexts(), stamp).saved);
    const int firstCase = s.caseNumber;
    QVERIFY(analysisprior::write(firstCase, pk::kCustom).isEmpty());
    QCOMPARE(CaseRemoval::removeCase(firstCase).outcome, CaseRemoval::Outcome::Removed);
    QCOMPARE(rowCount(QStringLiteral("AnalysisPrior"), firstCase), 0);

    QVERIFY(store.save(gentamicinTexts(), stamp).saved);
    QVERIFY(s.caseNumber != firstCase);
    QCOMPARE(caseRow(s.caseNumber).value(QStringLiteral("REC_NUM")).toInt(), s.recNum);
    QCOMPARE(rowCount(QStringLiteral("PK"), s.caseNumber), 1);
    QCOMPARE(rowCount(QStringLiteral("CustomF"), s.caseNumber), 2);
    // A database written before the prior was kept with the case.
    QVERIFY(execute(QStringLiteral("DROP TABLE AnalysisPrior")));
    QCOMPARE(CaseRemoval::removeCase(s.caseNumber).outcome, CaseRemoval::Outcome::Removed);
}

void TestCaseStore::anotherUsersSaveIsNotOverwritten_data()
{
    QTest::addColumn<bool>("sameCase");
    QTest::addColumn<QString>("otherName"); // the patient's last name the other user saves
    QTest::addColumn<QString>("myName");
    QTest::addColumn<QString>("refusal");    // empty: the save goes through
    QTest::addColumn<QString>("storedName"); // the patient's last name stored in the end
    // The patient note as another program stored it, which both users' pages read back with
    // "\n" line breaks; empty: the note this program saved.
    QTest::addColumn<QString>("olderNote");
    const QString read = QStringLiteral("O'Brien");
    const QString renamed = QStringLiteral("Renamed");
    const QString mine = QStringLiteral("Mine");
    const QString none;
    // Every save here asks for the same stamp: the check must still see the other save.
    QTest::newRow("same case") << true << read << read << "Another user changed this case" << read
                               << none;
    QTest::newRow("another case of the patient") << false << read << read << none << read << none;
    QTest::newRow("patient renamed from another case")
        << false << renamed << read << none << renamed << none;
    QTest::newRow("renamed here, another case saved")
        << false << read << mine << none << mine << none;
    QTest::newRow("both rename the patient")
        << false << renamed << mine << "Another user changed this patient" << renamed << none;
    QTest::newRow("patient renamed, note stored with CR LF")
        << false << renamed << read << none << renamed
        << QStringLiteral("on phenytoin\r\nsince 2019\rno rash");
}

void TestCaseStore::anotherUsersSaveIsNotOverwritten()
{
    QFETCH(bool, sameCase);
    QFETCH(QString, otherName);
    QFETCH(QString, myName);
    QFETCH(QString, refusal);
    QFETCH(QString, storedName);
    QFETCH(QString, olderNote);
    SessionData first = gentamicinCase();
    QVERIFY(CaseStore(&first).save(gentamicinTexts(), stamp).saved);
    SessionData second = first;
    second.caseNumber = 0;
    QVERIFY(CaseStore(&second).save(gentamicinTexts(), stamp).saved);
    first.patientStamp = second.patientStamp; // both users open their case now
    if (!olderNote.isEmpty()) {
        QSqlQuery older;
        older.prepare(QStringLiteral("UPDATE Patients SET NOTE = :note"));
        older.bindValue(QStringLiteral(":note"), olderNote);
        QVERIFY(older.exec());
        StoredPatient stored;
        QString error;
        QCOMPARE(StoredRecords::readPatient(first.recNum, &stored, &error),
                 StoredRecords::Outcome::Read);
        for (SessionData* opened : {&first, &second}) {
            opened->patientDetails = StoredRecords::patientDetails(stored);
            // As the page's plain-text note field gives it back.
            opened->patient.patientNote = QTextDocument(olderNote).toPlainText();
        }
    }

    SessionData other = first;
    SessionData mine = sameCase ? first : second;
    other.patient.caseNote = QStringLiteral("other's note");
    other.patient.lastName = otherName;
    QVERIFY(CaseStore(&other).save(gentamicinTexts(), stamp).saved);

    mine.patient.caseNote = QStringLiteral("my note");
    mine.patient.lastName = myName;
    mine.pkSets[pk::kCustom][pk::kVd] = 30.0;
    mine.saved = false;
    const SaveOutcome outcome = CaseStore(&mine).save(gentamicinTexts(), stamp);
    QCOMPARE(outcome.saved, refusal.isEmpty());
    QVERIFY2(refusal.isEmpty() ? outcome.failure.isEmpty() : outcome.failure.startsWith(refusal),
             qPrintable(outcome.failure));
    QSqlQuery patient;
    QVERIFY(patient.exec(QStringLiteral("SELECT LAST_NAME FROM Patients")) && patient.next());
    QCOMPARE(patient.value(0).toString(), storedName);
    const QString storedNote = caseRow(mine.caseNumber).value("CASE_NOTE").toString();
    const QString storedVd = pkRow(mine.caseNumber).value("VD").toString();
    if (refusal.isEmpty()) {
        QCOMPARE(storedNote, QStringLiteral("my note"));
        QCOMPARE(caseRow(other.caseNumber).value("CASE_NOTE").toString(),
                 QStringLiteral("other's note"));
        return;
    }
    QCOMPARE(storedNote,
             sameCase ? QStringLiteral("other's note") : QStringLiteral("first course"));
    QCOMPARE(storedVd, QStringLiteral("17.5"));
    QVERIFY(!mine.saved);
    QCOMPARE(mine.pkSets[pk::kCustom][pk::kVd], 30.0);
    QCOMPARE(mine.pkSets[pk::kSavedCustom][pk::kVd], 17.5);
    QCOMPARE(mine.patient.caseNote, QStringLiteral("my note"));
}

// Stamps keep whole seconds: two saves of another user within the second must still leave a
// stamp that the stale session never read.
void TestCaseStore::staleSaveWithinOneSecondIsRefused()
{
    const QString second5 = QStringLiteral("2024-03-05  12:00:05");
    SessionData a = gentamicinCase();
    QVERIFY(CaseStore(&a).save(gentamicinTexts(), second5).saved);
    SessionData b = a; // opened after A's save
    b.patient.caseNote = QStringLiteral("B's first save");
    QVERIFY(CaseStore(&b).save(gentamicinTexts(), QStringLiteral("2024-03-05  12:00:06")).saved);
    b.patient.caseNote = QStringLiteral("B's second save");
    QVERIFY(CaseStore(&b).save(gentamicinTexts(), second5).saved);

    a.patient.caseNote = QStringLiteral("A's stale save");
    const SaveOutcome stale = CaseStore(&a).save(gentamicinTexts(), second5);
    QVERIFY(!stale.saved);
    QCOMPARE(stale.failure,
             QStringLiteral("Another user changed this case after you opened it; nothing was "
                            "saved, and your entries are still on the page."));
    QCOMPARE(caseRow(a.caseNumber).value("CASE_NOTE").toString(),
             QStringLiteral("B's second save"));
}

void TestCaseStore::failedRemovalRemovesNothing()
{
    SessionData s = gentamicinCase();
    QVERIFY(CaseStore(&s).save(gentamicinTexts(), stamp).saved);
    QVERIFY(execute(QStringLiteral("DROP TABLE SerumLevel")));

    const CaseRemoval::Result caseResult = CaseRemoval::removeCase(s.caseNumber);
    QCOMPARE(caseResult.outcome, CaseRemoval::Outcome::Failed);
    QVERIFY2(caseResult.error.contains(QStringLiteral("SerumLevel")), qPrintable(caseResult.error));
    QCOMPARE(CaseRemoval::removePatient(s.recNum).outcome, CaseRemoval::Outcome::Failed);
    QCOMPARE(rowCount(QStringLiteral("Patients")), 1);
    QCOMPARE(rowCount(QStringLiteral("Cases")), 1);
    QCOMPARE(rowCount(QStringLiteral("PK")), 1);
    QCOMPARE(rowCount(QStringLiteral("CustomF")), 2);
    QCOMPARE(CaseRemoval::removeCase(s.caseNumber + 1).outcome, CaseRemoval::Outcome::Failed);
}

TALVORA_TEST_MAIN(TestCaseStore)
#include "tst_casestore.moc"
