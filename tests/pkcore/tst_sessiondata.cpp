#include "tests/support/TestMain.h"

#include "pkcore/DrugCodes.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace
{
template <typename Array> bool allZero(const Array& values)
{
    return std::all_of(values.begin(), values.end(), [](auto v) { return v == 0; });
}

// Every number of a case that clearCase must reset, set to something non-zero.
void fillCase(SessionData& s)
{
    s.regimenReport.done = true;
    s.regimenReport.routeSentence = "infused";
    s.regimenReport.dose[pk::kReportBayesian] = 500;
    s.levelForecastReport.done = true;
    s.levelForecastReport.peak[pk::kReportPopulation] = 30;
    s.phRegimenReport.done = true;
    s.phRegimenReport.routeLetter = 'F';
    s.phLevelForecastReport.done = true;
    s.phLevelForecastReport.route2Sentence = "as Oral - Capsules";
    s.graphTimes = {1, 2};
    s.graphPrior = {1};
    s.graphLs = {1};
    s.graphBayes = {1};
    s.reportGraphMax = 40;
    s.reportTable[11][pk::kTableBayesian] = 3;
    s.routeList = {"Oral - Tablets"};
    s.timeOrigin = 563496672.0;
    s.levelWork[3] = 1;
    s.pivotTolerance = 1e-8;
    s.levelTimes[17] = 5;
    s.levelValues[17] = 5;
    s.levelTail[31] = 1;
    s.doseEvents[0][1] = 1;
    s.doseEvents[pk::eventTime][pk::kMaxDoseEvents] = 99;
    s.doseEvents[19][500] = 1;
    s.pkSets[pk::kLeastSquares][pk::kF] = 0.9;
    s.pkSets[pk::kSavedCustom][pk::kVmax] = 400;
    s.routeF = {0.9};
    s.savedRouteF = {0.9};
    s.routeFsd = {0.1};
    s.savedRouteFsd = {0.1};
    s.routeNames = {"Oral - Tablets"};
    s.factorFlags[49] = 1;
    s.renalMode = 1;
    s.routeLetter = 'O';
    s.secondRouteLetter = 'O';
    s.burnPatient = true;
    s.secondDosageForm = "Capsules";
    s.levelUpperLimit = 20;
    s.levelLowerLimit = 10;
}
} // namespace

class TestSessionData : public QObject
{
    Q_OBJECT

private slots:
    void newSessionDefaults();
    void clearCaseResetsTheCase();
    void clearCaseKeepsPatientDrugAndUser();
    void copyIsIndependent();
    void readTextFile();
    void drugCodes_data();
    void drugCodes();
    void routeLetters_data();
    void routeLetters();
    void dateStrings_data();
    void dateStrings();
};

void TestSessionData::newSessionDefaults()
{
    const auto s = std::make_unique<SessionData>();
    for (double measure : {s->ageYears, s->heightCm, s->weightKg, s->scr1, s->scr2,
                           s->scrHoursBetween, s->crcl, s->albumin})
        QCOMPARE(measure, -1.0);
    QCOMPARE(s->phenytoinF, 1.0);
    QCOMPARE(s->phenytoinTubeFeedingF, 1.0);
    QCOMPARE(s->patient.hospitalId, QString(QChar(0x00FF)));
    QVERIFY(s->patient.drugCode.isEmpty() && s->patient.sex.isEmpty());
    QCOMPARE(s->patient.birthday, 0.0);
    QVERIFY(s->userChoice.drugNameText.isEmpty() && s->userChoice.lagTimeText.isEmpty());

    for (const auto& set : s->pkSets)
        QVERIFY(allZero(set));
    QVERIFY(!s->regimenReport.done && !s->levelForecastReport.done && !s->phRegimenReport.done &&
            !s->phLevelForecastReport.done);
    QVERIFY(allZero(s->factorFlags));
    QVERIFY(allZero(s->levelTimes) && allZero(s->levelValues));
    for (const auto& column : s->doseEvents)
        QVERIFY(allZero(column));
    QCOMPARE(s->twoCompTargetTrough, 0.0);
    QCOMPARE(s->lagTime, 0.0);
    QCOMPARE(s->fitRunCount, 0);
    QVERIFY(!s->loggedIn && !s->closeWithoutAsking && !s->saved && !s->solverFailed);
    QVERIFY(s->routeList.isEmpty() && s->graphTimes.isEmpty());
    QVERIFY(s->application == nullptr);

    // Room the fits and the factor dialog rely on.
    QVERIFY(s->levelTimes.size() >= 18 && s->levelValues.size() >= 18);
    QVERIFY(s->factorFlags.size() >= 50);
    QCOMPARE(int(s->phenytoinGrid.size()), 48001);
}

void TestSessionData::clearCaseResetsTheCase()
{
    const auto s = std::make_unique<SessionData>();
    fillCase(*s);
    s->clearCase();

    QVERIFY(!s->regimenReport.done && !s->levelForecastReport.done && !s->phRegimenReport.done &&
            !s->phLevelForecastReport.done);
    QVERIFY(s->regimenReport.routeSentence.isEmpty());
    QCOMPARE(s->regimenReport.dose[pk::kReportBayesian], 0.0);
    QCOMPARE(s->levelForecastReport.peak[pk::kReportPopulation], 0.0);
    QCOMPARE(int(s->phRegimenReport.routeLetter), 0);
    QVERIFY(s->phLevelForecastReport.route2Sentence.isEmpty());
    QVERIFY(s->graphTimes.isEmpty() && s->graphPrior.isEmpty() && s->graphLs.isEmpty() &&
            s->graphBayes.isEmpty());
    QCOMPARE(s->reportGraphMax, 0.0);
    for (const auto& row : s->reportTable)
        QVERIFY(allZero(row));
    QVERIFY(s->routeList.isEmpty());
    QCOMPARE(s->timeOrigin, 0.0);
    QVERIFY(allZero(s->levelWork) && allZero(s->levelTimes) && allZero(s->levelValues) &&
            allZero(s->levelTail));
    QCOMPARE(s->pivotTolerance, 0.0);
    for (const auto& column : s->doseEvents)
        QVERIFY(allZero(column));
    for (const auto& set : s->pkSets)
        QVERIFY(allZero(set));
    QVERIFY(s->routeF.isEmpty() && s->savedRouteF.isEmpty() && s->routeFsd.isEmpty() &&
            s->savedRouteFsd.isEmpty() && s->routeNames.isEmpty());
    QVERIFY(allZero(s->factorFlags));
    QCOMPARE(int(s->renalMode), 0);
    QCOMPARE(int(s->routeLetter), 0);
    QCOMPARE(int(s->secondRouteLetter), 0);
    // Nothing of one case leaks into the next.
    QVERIFY(!s->burnPatient);
    QVERIFY(s->secondDosageForm.isEmpty());
    QCOMPARE(s->levelUpperLimit, 0.0);
    QCOMPARE(s->levelLowerLimit, 0.0);
}

void TestSessionData::clearCaseKeepsPatientDrugAndUser()
{
    const auto s = std::make_unique<SessionData>();
    s->patient.drugCode = "VM";
    s->patient.lastName = "Okafor";
    s->weightKg = 80;
    s->userChoice.drugNameText = "Drug X";
    s->kaOral = 1.2;
    s->saltOral = 0.92;
    s->populationRanges[pk::kFitCl] = 0.3;
    s->doseEventCount = 12;
    s->levelCount = 3;
    s->doseUnit = "mg";
    s->userName = "admin";
    s->loggedIn = true;
    s->caseNumber = 7;
    s->clearCase();
    QCOMPARE(s->patient.drugCode, QString("VM"));
    QCOMPARE(s->patient.lastName, QString("Okafor"));
    QCOMPARE(s->weightKg, 80.0);
    QCOMPARE(s->userChoice.drugNameText, QString("Drug X"));
    QCOMPARE(s->kaOral, 1.2);
    QCOMPARE(s->saltOral, 0.92);
    QCOMPARE(s->populationRanges[pk::kFitCl], 0.3);
    QCOMPARE(s->doseEventCount, 12);
    QCOMPARE(s->levelCount, 3);
    QCOMPARE(s->doseUnit, QString("mg"));
    QCOMPARE(s->userName, QString("admin"));
    QVERIFY(s->loggedIn);
    QCOMPARE(s->caseNumber, 7);
}

void TestSessionData::copyIsIndependent()
{
    const auto original = std::make_unique<SessionData>();
    fillCase(*original);
    original->patient.firstName = "Ana";
    original->factorAnswers[2] = " Burn patient. ";
    original->phenytoinGrid[10].rate = 5;

    const auto copy = std::make_unique<SessionData>(*original);
    QCOMPARE(copy->patient.firstName, QString("Ana"));
    QCOMPARE(copy->routeNames, original->routeNames);
    QCOMPARE(copy->doseEvents[pk::eventTime][pk::kMaxDoseEvents], 99.0);
    QCOMPARE(copy->phenytoinGrid[10].rate, 5.0);
    QVERIFY(copy->regimenReport.done);

    copy->patient.firstName = "Bea";
    copy->routeNames.append("IM - Injection");
    copy->graphTimes[0] = 100;
    copy->factorAnswers[2].clear();
    copy->phenytoinGrid[10].rate = 0;
    copy->clearCase();

    QCOMPARE(original->patient.firstName, QString("Ana"));
    QCOMPARE(original->routeNames, QVector<QString>{"Oral - Tablets"});
    QCOMPARE(original->graphTimes[0], 1.0);
    QCOMPARE(original->factorAnswers[2], QString(" Burn patient. "));
    QCOMPARE(original->phenytoinGrid[10].rate, 5.0);
    QVERIFY(original->regimenReport.done);
    QCOMPARE(original->pkSets[pk::kLeastSquares][pk::kF], 0.9);
}

void TestSessionData::readTextFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("style.qss");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QString text = QString::fromUtf8("QWidget { color: red; } /* Größe */\n");
    file.write(text.toUtf8());
    file.close();
    QCOMPARE(SessionData::readTextFile(path), text);
    QCOMPARE(SessionData::readTextFile(dir.filePath("missing.qss")), QString());
}

void TestSessionData::drugCodes_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("code to name") << "VM"
                                  << "Vancomycin";
    QTest::newRow("name to code") << "Vancomycin"
                                  << "VM";
    QTest::newRow("first row") << "GM"
                               << "Gentamicin";
    QTest::newRow("slash in the name") << "Levofloxacin/Ofloxacin"
                                       << "OX";
    QTest::newRow("blank in the name") << "Valproic Acid"
                                       << "VP";
    QTest::newRow("user's choice code") << "ZZ"
                                        << "User's Choice One-Comp Drug";
    QTest::newRow("user's choice name") << "User's Choice One-Comp Drug"
                                        << "ZZ";
    QTest::newRow("any user's choice text") << "User's Choice Busulfan"
                                            << "ZZ";
    QTest::newRow("code in lower case") << "vm"
                                        << "None";
    QTest::newRow("unknown code") << "XY"
                                  << "None";
    QTest::newRow("unknown name") << "Aspirin"
                                  << "No";
    QTest::newRow("name in lower case") << "vancomycin"
                                        << "No";
    QTest::newRow("empty text") << ""
                                << "No";
}

void TestSessionData::drugCodes()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(drugCode(input), expected);
    QCOMPARE(PkCalculator::drugCode(input), expected);
}

void TestSessionData::routeLetters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<char>("letter");
    QTest::newRow("intermittent") << "Intermittent IV - Injection" << 'D';
    QTest::newRow("continuous") << "Continuous IV - Injection" << 'C';
    QTest::newRow("intramuscular") << "IM - Injection" << 'I';
    QTest::newRow("oral") << "Oral - Tablets" << 'O';
    QTest::newRow("fosphenytoin is intramuscular") << "IM - Injection (Fosphenytoin)" << 'I';
    QTest::newRow("other") << "Rectal - Suppository" << 'X';
    QTest::newRow("shorter than the prefix") << "Intermittent" << 'X';
    QTest::newRow("empty") << "" << 'X';
    QTest::newRow("case matters") << "oral - Tablets" << 'X';
}

void TestSessionData::routeLetters()
{
    QFETCH(QString, text);
    QFETCH(char, letter);
    QCOMPARE(routeCode(text), letter);
    QCOMPARE(PkCalculator::routeCode(text), letter);
}

void TestSessionData::dateStrings_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<QString>("expected");
    QTest::newRow("padded month and day") << 2014 << 3 << 9 << "2014-03-09";
    QTest::newRow("two-digit month and day") << 2014 << 12 << 23 << "2014-12-23";
    QTest::newRow("tenth") << 2009 << 10 << 10 << "2009-10-10";
}

void TestSessionData::dateStrings()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(QString, expected);
    QCOMPARE(dateString(year, month, day), expected);
    QCOMPARE(PkCalculator::dateString(year, month, day), expected);
}

TALVORA_TEST_MAIN(TestSessionData)
#include "tst_sessiondata.moc"
