#include "analysis/DoseEventBuilder.h"
#include "pkcore/SessionData.h"
#include "tests/analysis/tst_analysis_fixture.h"
#include "tests/support/TestMain.h"

#include <cmath>
#include <limits>

namespace
{
const QDate kDay(2014, 3, 7);

DoseHistoryRow doseRow(const QString& route, double dose, double interval, double doses,
                       QTime time = QTime(8, 0), QDate date = kDay, double infusionTime = 1.0)
{
    DoseHistoryRow row;
    row.date = date;
    row.time = time;
    row.route = route;
    row.inOut = "I";
    row.treatment = "Dose";
    row.saltFactor = 0.92;
    row.routeF = 1.0;
    row.ka = 1.5;
    row.dose = dose;
    row.infusionTime = infusionTime;
    row.interval = interval;
    row.numberOfDoses = doses;
    row.complete = meetsDoseRowRule(row);
    return row;
}

const QString kOral = "Oral - Tablets";
const QString kIntermittent = "Intermittent IV - Injection";
const QString kContinuous = "Continuous IV - Injection";
const QString kIm = "IM - Injection";
} // namespace

class TestDoseEvents : public QObject
{
    Q_OBJECT

public:
    TestDoseEvents() : builder(&session, doseRows, levelRows) {}

private slots:
    void init();
    void completenessRule_data();
    void completenessRule();
    void routeCodesAndInOut_data();
    void routeCodesAndInOut();
    void timesCountFromEarliestDoseOrLevel();
    void rowsOutOfOrderAreSortedAndMaxTimeUsesFirstRow();
    void equalTimesKeepRowOrder();
    void gapsBetweenCompleteRowsAreAllowed();
    void lithiumDosesAndRatesAreConverted();
    void noCompleteRowAtAll();
    void levelsAreSortedWithTheirValues();
    void phenytoinOralDosesSplitIntoHourlyPortions();
    void phenytoinPortionsTakeWholeHoursFromAHalfHour();
    void phenytoinSecondRowMovesPastOccupiedHour();
    void phenytoinDoseBeyondEveryHourStaysLast();
    void phenytoinInjectionsAreSingleEvents_data();
    void phenytoinInjectionsAreSingleEvents();
    void priorFTakenFromLastOralOrImRow();
    void intravenousRowsLeavePriorAlone();
    void customPriorWritesCustomSetOnly();
    void populationPriorRefreshesRowF();
    void userFormTextContainingImIsStillOral();
    void tooManyEventsAreRefused_data();
    void tooManyEventsAreRefused();
    void unusablePortionSizeIsRefused_data();
    void unusablePortionSizeIsRefused();
    void sortAndEndTimeStayWithinTheTables_data();
    void sortAndEndTimeStayWithinTheTables();

private:
    double eventValue(int column, int j) const { return session.doseEvents[column][j]; }
    void analyse() { QVERIFY2(builder.analyse(), qPrintable(builder.refusal())); }

    SessionData session;
    DoseRows doseRows;
    LevelRows levelRows;
    DoseEventBuilder builder;
};

void TestDoseEvents::init()
{
    session = SessionData();
    session.patient.drugCode = "GM";
    session.phenytoinInputRate = 60.0;
    session.pkSets[pk::kPopulation][pk::kF] = 0.5;
    session.populationRanges[pk::kFitF] = 0.3;
    doseRows = DoseRows();
    levelRows = LevelRows();
    builder.setPopulationF(nullptr);
    builder.setPopulationFRange(nullptr);
    builder.choosePopulationPrior();
}

void TestDoseEvents::completenessRule_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<double>("infusionTime");
    QTest::addColumn<double>("dose");
    QTest::addColumn<bool>("complete");
    QTest::newRow("oral needs no infusion time") << kOral << -1.0 << 250.0 << true;
    QTest::newRow("IM needs no infusion time") << kIm << -1.0 << 80.0 << true;
    QTest::newRow("IV needs an infusion time") << kIntermittent << -1.0 << 80.0 << false;
    QTest::newRow("IV with infusion time") << kIntermittent << 1.0 << 80.0 << true;
    QTest::newRow("continuous IV without infusion time") << kContinuous << -1.0 << 80.0 << false;
    QTest::newRow("typed form holding IM on an IV route")
        << "Intermittent IV - SIMPLE" << -1.0 << 80.0 << false;
    QTest::newRow("no dose") << kOral << -1.0 << -1.0 << false;
    QTest::newRow("no route") << "" << 1.0 << 80.0 << false;
}

void TestDoseEvents::completenessRule()
{
    QFETCH(QString, route);
    QFETCH(double, infusionTime);
    QFETCH(double, dose);
    QFETCH(bool, complete);
    const DoseHistoryRow row = doseRow(route, dose, 8.0, 3.0, QTime(8, 0), kDay, infusionTime);
    QCOMPARE(meetsDoseRowRule(row), complete);
    DoseHistoryRow noInterval = row;
    noInterval.interval = -1.0;
    QVERIFY(!meetsDoseRowRule(noInterval));
}

void TestDoseEvents::routeCodesAndInOut_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<QString>("inOut");
    QTest::addColumn<double>("routeCode");
    QTest::addColumn<double>("inOutFlag");
    QTest::newRow("IM") << kIm << "I" << 3.0 << 0.0;
    QTest::newRow("intermittent IV") << kIntermittent << "O" << 2.0 << 1.0;
    QTest::newRow("continuous IV") << kContinuous << "I" << 2.0 << 0.0;
    QTest::newRow("oral") << kOral << "O" << 1.0 << 1.0;
    QTest::newRow("oral, empty in/out") << kOral << "" << 1.0 << 1.0;
}

void TestDoseEvents::routeCodesAndInOut()
{
    QFETCH(QString, route);
    QFETCH(QString, inOut);
    QFETCH(double, routeCode);
    QFETCH(double, inOutFlag);
    doseRows[0] = doseRow(route, 100.0, 8.0, 1.0);
    doseRows[0].inOut = inOut;
    analyse();
    QCOMPARE(session.doseEventCount, 1);
    QCOMPARE(eventValue(pk::eventRouteCode, 1), routeCode);
    QCOMPARE(eventValue(pk::eventInOut, 1), inOutFlag);
    QCOMPARE(eventValue(pk::eventSalt, 1), 0.92);
    QCOMPARE(eventValue(pk::eventRouteFactor, 1), 1.5);
}

void TestDoseEvents::timesCountFromEarliestDoseOrLevel()
{
    doseRows[0] = doseRow(kIntermittent, 80.0, 8.0, 3.0, QTime(8, 30), kDay.addDays(1));
    levelRows[0] = serumLevel(kDay, QTime(6, 0), 2.5);
    analyse();
    QCOMPARE(session.timeOrigin, builder.absoluteHour(kDay, QTime(6, 0)));
    QCOMPARE(session.doseEventCount, 3);
    QCOMPARE(eventValue(pk::eventTime, 1), 26.5);
    QCOMPARE(eventValue(pk::eventTime, 2), 34.5);
    QCOMPARE(eventValue(pk::eventTime, 3), 42.5);
    QCOMPARE(session.levelCount, 1);
    QCOMPARE(session.levelTimes[1], 0.0);
    QCOMPARE(session.levelValues[1], 2.5);
    QCOMPARE(session.levelAgeReferenceTime, 0.0);
    QCOMPARE(builder.maxTime(), 50.5);
    QCOMPARE(eventValue(pk::eventRate, 1), 80.0);
    QCOMPARE(eventValue(pk::eventInfusionTime, 1), 1.0);
}

void TestDoseEvents::rowsOutOfOrderAreSortedAndMaxTimeUsesFirstRow()
{
    doseRows[0] = doseRow(kIntermittent, 100.0, 12.0, 2.0, QTime(8, 0), kDay.addDays(2));
    doseRows[1] = doseRow(kIntermittent, 200.0, 6.0, 2.0, QTime(8, 0), kDay);
    analyse();
    QCOMPARE(session.doseEventCount, 4);
    const double expectedTimes[] = {0.0, 6.0, 48.0, 60.0};
    const double expectedDoses[] = {200.0, 200.0, 100.0, 100.0};
    for (int j = 1; j <= 4; ++j) {
        QCOMPARE(eventValue(pk::eventTime, j), expectedTimes[j - 1]);
        QCOMPARE(eventValue(pk::eventDose, j), expectedDoses[j - 1]);
        QCOMPARE(eventValue(pk::eventRate, j), expectedDoses[j - 1]);
    }
    QCOMPARE(builder.maxTime(), 60.0 + 12.0);
}

void TestDoseEvents::equalTimesKeepRowOrder()
{
    doseRows[0] = doseRow(kIntermittent, 111.0, 24.0, 2.0, QTime(8, 0), kDay.addDays(1));
    doseRows[1] = doseRow(kIntermittent, 222.0, 24.0, 3.0, QTime(8, 0), kDay);
    analyse();
    // Row 2 gives 0, 24, 48; row 1 gives 24, 48: at 24 and 48 row 1 comes first.
    const double expectedDoses[] = {222.0, 111.0, 222.0, 111.0, 222.0};
    for (int j = 1; j <= 5; ++j)
        QCOMPARE(eventValue(pk::eventDose, j), expectedDoses[j - 1]);
}

void TestDoseEvents::gapsBetweenCompleteRowsAreAllowed()
{
    doseRows[0] = doseRow(kIntermittent, 100.0, 8.0, 1.0);
    doseRows[1] = doseRow(kIntermittent, 100.0, 8.0, 1.0, QTime(9, 0));
    doseRows[1].complete = false;
    doseRows[6] = doseRow(kIntermittent, 300.0, 8.0, 1.0, QTime(10, 0));
    levelRows[4] = serumLevel(kDay, QTime(12, 0), 4.0);
    analyse();
    QCOMPARE(session.doseEventCount, 2);
    QCOMPARE(eventValue(pk::eventDose, 2), 300.0);
    QCOMPARE(eventValue(pk::eventTime, 2), 2.0);
    QCOMPARE(session.levelCount, 1);
    QCOMPARE(session.levelTimes[1], 4.0);
}

void TestDoseEvents::lithiumDosesAndRatesAreConverted()
{
    session.patient.drugCode = "LI";
    doseRows[0] = doseRow(kOral, 300.0, 12.0, 1.0);
    doseRows[1] = doseRow(kIntermittent, 300.0, 12.0, 1.0, QTime(9, 0));
    levelRows[0] = serumLevel(kDay, QTime(20, 0), 0.8);
    analyse();
    QCOMPARE(eventValue(pk::eventDose, 1), 8.12);
    QCOMPARE(eventValue(pk::eventRate, 2), 8.12);
    QCOMPARE(eventValue(pk::eventDose, 2), 8.12);
    QCOMPARE(session.levelValues[1], 0.8);
}

void TestDoseEvents::noCompleteRowAtAll()
{
    session.routeList = {"stale"};
    analyse();
    QCOMPARE(session.doseEventCount, 0);
    QCOMPARE(session.levelCount, 0);
    QCOMPARE(session.timeOrigin, DoseEventBuilder::kNoTimeYet);
    QCOMPARE(session.levelAgeReferenceTime, -1.0);
    QVERIFY(session.routeList.isEmpty());
    QCOMPARE(builder.maxTime(), 0.0);
    QCOMPARE(session.pkSets[pk::kPopulation][pk::kF], 0.5);
}

void TestDoseEvents::levelsAreSortedWithTheirValues()
{
    levelRows[0] = serumLevel(kDay, QTime(20, 0), 1.0);
    levelRows[1] = serumLevel(kDay, QTime(8, 0), 2.0);
    levelRows[2] = serumLevel(kDay, QTime(14, 0), 3.0);
    levelRows[3] = serumLevel(kDay, QTime(8, 0), 4.0);
    analyse();
    const double times[] = {0.0, 0.0, 6.0, 12.0};
    const double values[] = {2.0, 4.0, 3.0, 1.0};
    for (int i = 1; i <= 4; ++i) {
        QCOMPARE(session.levelTimes[i], times[i - 1]);
        QCOMPARE(session.levelValues[i], values[i - 1]);
    }
    QCOMPARE(session.levelAgeReferenceTime, 12.0);
}

void TestDoseEvents::phenytoinOralDosesSplitIntoHourlyPortions()
{
    session.patient.drugCode = "PH";
    doseRows[0] = doseRow("Oral - Capsules", 250.0, 12.0, 2.0);
    analyse();
    QCOMPARE(session.doseEventCount, 10);
    const double times[] = {0, 1, 2, 3, 4, 12, 13, 14, 15, 16};
    const double doses[] = {60, 60, 60, 60, 10, 60, 60, 60, 60, 10};
    for (int j = 1; j <= 10; ++j) {
        QCOMPARE(eventValue(pk::eventTime, j), times[j - 1]);
        QCOMPARE(eventValue(pk::eventDose, j), doses[j - 1]);
        QCOMPARE(eventValue(pk::eventRouteCode, j), 1.0);
        QCOMPARE(eventValue(pk::eventRate, j), 60.0);
    }
}

void TestDoseEvents::phenytoinPortionsTakeWholeHoursFromAHalfHour()
{
    session.patient.drugCode = "PH";
    levelRows[0] = serumLevel(kDay, QTime(7, 30), 8.0);
    doseRows[0] = doseRow("Oral - Capsules", 150.0, 24.0, 1.0);
    analyse();
    QCOMPARE(session.doseEventCount, 3);
    QCOMPARE(eventValue(pk::eventTime, 1), 0.0);
    QCOMPARE(eventValue(pk::eventTime, 2), 1.0);
    QCOMPARE(eventValue(pk::eventTime, 3), 2.0);
    QCOMPARE(eventValue(pk::eventDose, 3), 30.0);
}

void TestDoseEvents::phenytoinSecondRowMovesPastOccupiedHour()
{
    session.patient.drugCode = "PH";
    doseRows[0] = doseRow("Oral - Capsules", 120.0, 24.0, 1.0, QTime(8, 0));
    doseRows[1] = doseRow("Intermittent IV - Injection", 100.0, 24.0, 1.0, QTime(10, 0));
    doseRows[2] = doseRow("Oral - Capsules", 60.0, 24.0, 1.0, QTime(8, 20));
    doseRows[3] = doseRow("Oral - Capsules", 60.0, 24.0, 1.0, QTime(10, 0));
    analyse();
    QCOMPARE(session.doseEventCount, 5);
    // Row 1 takes hours 0 and 1; row 3 (at 0.33 h) moves to hour 2; row 4 starts at hour 2,
    // which row 3 now holds, and moves to 3; the injection at hour 2 blocks nothing.
    const double times[] = {0.0, 1.0, 2.0, 2.0, 3.0};
    const double codes[] = {1.0, 1.0, 2.0, 1.0, 1.0};
    for (int j = 1; j <= 5; ++j) {
        QCOMPARE(eventValue(pk::eventTime, j), times[j - 1]);
        QCOMPARE(eventValue(pk::eventRouteCode, j), codes[j - 1]);
    }
}

void TestDoseEvents::phenytoinDoseBeyondEveryHourStaysLast()
{
    session.patient.drugCode = "PH";
    doseRows[0] = doseRow("Oral - Capsules", 60.0, 1e308, 2.0);
    analyse();
    QCOMPARE(session.doseEventCount, 2);
    QCOMPARE(eventValue(pk::eventTime, 1), 0.0);
    QVERIFY(eventValue(pk::eventTime, 2) >= std::numeric_limits<int>::max());
}

void TestDoseEvents::phenytoinInjectionsAreSingleEvents_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<double>("routeCode");
    QTest::newRow("IM fosphenytoin") << "IM - Injection (Fosphenytoin)" << 3.0;
    QTest::newRow("IV fosphenytoin") << "Intermittent IV - Injection (Fosphenytoin)" << 2.0;
    QTest::newRow("IV") << "Intermittent IV - Injection" << 2.0;
}

void TestDoseEvents::phenytoinInjectionsAreSingleEvents()
{
    QFETCH(QString, route);
    QFETCH(double, routeCode);
    session.patient.drugCode = "PH";
    doseRows[0] = doseRow(route, 300.0, 8.0, 3.0, QTime(8, 0), kDay, 0.5);
    analyse();
    QCOMPARE(session.doseEventCount, 3);
    for (int j = 1; j <= 3; ++j) {
        QCOMPARE(eventValue(pk::eventRouteCode, j), routeCode);
        QCOMPARE(eventValue(pk::eventDose, j), 300.0);
        QCOMPARE(eventValue(pk::eventRate, j), 600.0);
        QCOMPARE(eventValue(pk::eventTime, j), 8.0 * (j - 1));
    }
}

void TestDoseEvents::priorFTakenFromLastOralOrImRow()
{
    builder.setPopulationFRange([](const QString& route) { return route == kOral ? 0.1 : 0.2; });
    doseRows[2] = doseRow(kOral, 250.0, 12.0, 2.0);
    doseRows[2].routeF = 0.7;
    doseRows[4] = doseRow(kIm, 80.0, 12.0, 2.0);
    doseRows[4].routeF = 0.9;
    doseRows[6] = doseRow(kIntermittent, 80.0, 12.0, 2.0);
    doseRows[6].routeF = 0.3;
    analyse();
    QCOMPARE(session.pkSets[pk::kPopulation][pk::kF], 0.9);
    QCOMPARE(session.routeList, QVector<QString>{kIm});
    QCOMPARE(session.populationRanges[pk::kFitF], 0.1);

    // The injection typed below the tablets but given the day before: the tablets came last, as
    // the case opened again lists them.
    doseRows[4].date = kDay.addDays(-1);
    analyse();
    QCOMPARE(session.pkSets[pk::kPopulation][pk::kF], 0.7);
    QCOMPARE(session.routeList, QVector<QString>{kOral});
}

void TestDoseEvents::intravenousRowsLeavePriorAlone()
{
    builder.setPopulationFRange([](const QString&) { return 0.01; });
    doseRows[0] = doseRow(kIntermittent, 80.0, 8.0, 3.0);
    doseRows[0].routeF = 0.2;
    doseRows[1] = doseRow(kContinuous, 80.0, 8.0, 3.0);
    analyse();
    QCOMPARE(session.pkSets[pk::kPopulation][pk::kF], 0.5);
    QVERIFY(session.routeList.isEmpty());
    QCOMPARE(session.populationRanges[pk::kFitF], 0.3);
}

void TestDoseEvents::customPriorWritesCustomSetOnly()
{
    session.routeNames = {kIntermittent, kOral, kIm};
    session.routeF = {1.0, 0.65, 0.95};
    session.routeFsd = {0.0, 0.15, 0.05};
    session.pkSets[pk::kCustom][pk::kF] = 0.4;
    session.customRanges[pk::kFitF] = 0.5;
    doseRows[0] = doseRow(kOral, 250.0, 12.0, 2.0);
    doseRows[1] = doseRow(kIm, 80.0, 12.0, 2.0, QTime(9, 0));
    doseRows[2] = doseRow(kIntermittent, 80.0, 12.0, 2.0, QTime(10, 0));
    builder.chooseCustomPrior();
    QCOMPARE(builder.priorSetIndex(), pk::kCustom);
    QCOMPARE(doseRows[0].routeF, 0.65);
    QCOMPARE(doseRows[1].routeF, 0.95);
    QCOMPARE(doseRows[2].routeF, 1.0);
    analyse();
    QCOMPARE(session.pkSets[pk::kCustom][pk::kF], 0.95);
    QCOMPARE(session.customRanges[pk::kFitF], 0.05);
    QCOMPARE(session.pkSets[pk::kPopulation][pk::kF], 0.5);
    QCOMPARE(session.populationRanges[pk::kFitF], 0.3);
}

void TestDoseEvents::populationPriorRefreshesRowF()
{
    builder.chooseCustomPrior();
    builder.setPopulationF([](const QString& route) { return route == kOral ? 0.875 : 1.0; });
    doseRows[0] = doseRow(kOral, 250.0, 12.0, 2.0);
    doseRows[0].routeF = 0.1;
    doseRows[3].route = kIm;
    doseRows[3].routeF = 0.1;
    builder.choosePopulationPrior();
    QCOMPARE(builder.priorSetIndex(), pk::kPopulation);
    QCOMPARE(doseRows[0].routeF, 0.875);
    QCOMPARE(doseRows[3].routeF, 1.0);
    QCOMPARE(doseRows[5].routeF, kNotGiven);
}

// A typed form name may contain "IM" or "IV"; only the route at the text's beginning counts.
void TestDoseEvents::userFormTextContainingImIsStillOral()
{
    session.patient.drugCode = "ZZ";
    doseRows[0] = doseRow("Oral - SIMPLE TABS", 250.0, 12.0, 1.0);
    doseRows[0].routeF = 0.6;
    analyse();
    QCOMPARE(eventValue(pk::eventRouteCode, 1), 1.0);
    QCOMPARE(session.pkSets[pk::kPopulation][pk::kF], 0.6);
    session.patient.drugCode = "PH";
    analyse();
    QCOMPARE(session.doseEventCount, 5);
    QCOMPARE(eventValue(pk::eventRouteCode, 5), 1.0);
}

void TestDoseEvents::tooManyEventsAreRefused_data()
{
    QTest::addColumn<QString>("drug");
    QTest::addColumn<double>("dose");
    QTest::addColumn<double>("doses");
    QTest::addColumn<bool>("accepted");
    // 300 mg three times a day for 90 days: five hourly portions per dose.
    QTest::newRow("phenytoin 90 days") << "PH" << 300.0 << 270.0 << false;
    QTest::newRow("phenytoin exactly 1000") << "PH" << 300.0 << 200.0 << true;
    QTest::newRow("1000 doses") << "GM" << 80.0 << 1000.0 << true;
    QTest::newRow("1001 doses") << "GM" << 80.0 << 1001.0 << false;
    QTest::newRow("absurd number") << "GM" << 80.0 << 1e300 << false;
}

void TestDoseEvents::tooManyEventsAreRefused()
{
    QFETCH(QString, drug);
    QFETCH(double, dose);
    QFETCH(double, doses);
    QFETCH(bool, accepted);
    session.patient.drugCode = drug;
    session.doseEventCount = 7;
    doseRows[0] = doseRow(kOral, dose, 8.0, doses);
    doseRows[0].routeF = 0.9;
    QCOMPARE(builder.analyse(), accepted);
    if (accepted) {
        QCOMPARE(session.doseEventCount, 1000);
        QVERIFY(builder.refusal().isEmpty());
        return;
    }
    QVERIFY(builder.refusal().contains("1000"));
    QCOMPARE(session.doseEventCount, 7);
    QCOMPARE(session.pkSets[pk::kPopulation][pk::kF], 0.5);
    QCOMPARE(eventValue(pk::eventTime, 1), 0.0);
}

void TestDoseEvents::unusablePortionSizeIsRefused_data()
{
    QTest::addColumn<double>("portion");
    QTest::newRow("zero") << 0.0;
    QTest::newRow("negative") << -60.0;
    QTest::newRow("not a number") << std::nan("");
    QTest::newRow("infinite") << HUGE_VAL;
}

void TestDoseEvents::unusablePortionSizeIsRefused()
{
    QFETCH(double, portion);
    session.patient.drugCode = "PH";
    session.phenytoinInputRate = portion;
    doseRows[0] = doseRow("Oral - Capsules", 300.0, 8.0, 3.0);
    QVERIFY(!builder.analyse());
    QVERIFY(!builder.refusal().isEmpty());
    QCOMPARE(session.doseEventCount, 0);
    // An injection history does not need the portion size.
    doseRows[0] = doseRow(kIntermittent, 300.0, 8.0, 3.0);
    analyse();
    QCOMPARE(session.doseEventCount, 3);
}

void TestDoseEvents::sortAndEndTimeStayWithinTheTables_data()
{
    QTest::addColumn<int>("eventCount");
    QTest::addColumn<int>("levelCount");
    QTest::addColumn<int>("sortedEvents");
    QTest::addColumn<int>("sortedLevels");
    QTest::newRow("counts in range") << 3 << 2 << 3 << 2;
    QTest::newRow("negative counts") << -1 << -4 << 0 << 0;
    QTest::newRow("one event past the table") << pk::kMaxDoseEvents + 1 << 2 << 1000 << 2;
    QTest::newRow("counts far past the tables") << 5000 << 40 << 1000 << 12;
}

// The sort and the end time read the session's counts; whatever they hold, only the entries
// the tables have are touched.
void TestDoseEvents::sortAndEndTimeStayWithinTheTables()
{
    QFETCH(int, eventCount);
    QFETCH(int, levelCount);
    QFETCH(int, sortedEvents);
    QFETCH(int, sortedLevels);
    for (int j = 1; j <= pk::kMaxDoseEvents; ++j)
        session.doseEvents[pk::eventTime][j] = pk::kMaxDoseEvents - j;
    for (int i = 1; i < pk::kLevelCapacity; ++i)
        session.levelTimes[i] = pk::kLevelCapacity - i;
    session.levelTail.fill(5.0);
    session.doseEventCount = eventCount;
    session.levelCount = levelCount;
    builder.sortDoseEvents();
    builder.computeMaxTime();
    for (int j = 2; j <= sortedEvents; ++j)
        QVERIFY(eventValue(pk::eventTime, j - 1) <= eventValue(pk::eventTime, j));
    for (int i = 2; i <= sortedLevels; ++i)
        QVERIFY(session.levelTimes[i - 1] <= session.levelTimes[i]);
    for (double value : session.levelTail)
        QCOMPARE(value, 5.0);
    QVERIFY(std::isfinite(builder.maxTime()));
}

TALVORA_TEST_MAIN(TestDoseEvents)
#include "tst_doseevents.moc"
