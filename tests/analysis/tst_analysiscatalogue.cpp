#include "analysis/CatalogueHooks.h"
#include "analysis/DoseEventBuilder.h"
#include "analysis/FitDriver.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "tests/analysis/tst_analysis_fixture.h"
#include "tests/support/TestMain.h"

#include <cmath>

namespace
{
const QDate kDay(2021, 2, 1);

// What a route choice in a dose row does to the session and the row.
void chooseRoute(SessionData& s, DrugInfo& drugInfo, DoseHistoryRow& row, const QString& route)
{
    s.routeLetter = PkCalculator::routeCode(route);
    s.dosageForm = DrugInfo::dosageFormOf(route);
    drugInfo.applyFormDefaults(1);
    row.route = route;
    const bool oral = s.routeLetter == pk::kLetterOral;
    row.saltFactor = oral ? s.saltOral : s.saltParenteral;
    row.ka = oral ? s.kaOral : s.kaIm;
    row.routeF = s.pkSets[pk::kPopulation][pk::kF];
}

DoseHistoryRow doses(double dose, double interval, double count, const QString& inOut,
                     QDate date = kDay, double infusionTime = -1.0)
{
    DoseHistoryRow row;
    row.date = date;
    row.time = QTime(8, 0);
    row.inOut = inOut;
    row.dose = dose;
    row.interval = interval;
    row.numberOfDoses = count;
    row.infusionTime = infusionTime;
    return row;
}

} // namespace

class TestAnalysisCatalogue : public QObject
{
    Q_OBJECT

public:
    TestAnalysisCatalogue()
        : calculator(&session), drugInfo(&session, &calculator),
          builder(&session, doseRows, levelRows), driver(&session, &calculator)
    {
        useCatalogue(builder, &drugInfo, &session);
        useCatalogue(driver, &drugInfo);
    }

private slots:
    void init();
    void digoxinTabletsKeepTheirFThroughTheFit();
    void gentamicinInfusions();

private:
    void adultPatient(const QString& drug);
    void analyseAndFit();

    SessionData session;
    PkCalculator calculator;
    DrugInfo drugInfo;
    DoseRows doseRows;
    LevelRows levelRows;
    DoseEventBuilder builder;
    FitDriver driver;
};

void TestAnalysisCatalogue::init()
{
    session = SessionData();
    doseRows = DoseRows();
    levelRows = LevelRows();
    builder.choosePopulationPrior();
}

void TestAnalysisCatalogue::adultPatient(const QString& drug)
{
    session.patient.drugCode = drug;
    session.patient.sex = "M";
    session.ageYears = 60.0;
    session.weightKg = 75.0;
    session.heightCm = 178.0;
    session.scr1 = 1.1;
    calculator.estimateCreatinineClearance(0.0);
    session.pkSets[pk::kLeastSquares][pk::kF] = -1.0;
    session.pkSets[pk::kBayesian][pk::kF] = -1.0;
}

void TestAnalysisCatalogue::analyseAndFit()
{
    QVERIFY2(builder.analyse(), qPrintable(builder.refusal()));
    driver.setPriorSetIndex(builder.priorSetIndex());
    driver.setPriorRanges(session.populationRanges);
    driver.setGraphEndTime(builder.maxTime());
    driver.fitCurves();
}

void TestAnalysisCatalogue::digoxinTabletsKeepTheirFThroughTheFit()
{
    adultPatient("DG");
    drugInfo.populationPkDigoxin();
    doseRows[0] = doses(250.0, 24.0, 7.0, "O");
    chooseRoute(session, drugInfo, doseRows[0], "Oral - Tablets");
    doseRows[0].complete = meetsDoseRowRule(doseRows[0]);
    const double tabletF = doseRows[0].routeF;
    const double tabletRange = drugInfo.bioavailabilityRange("Oral - Tablets", "DG");
    QVERIFY(tabletF > 0.0 && tabletF < 1.0);
    // The row edited last is an injection row that is never completed.
    chooseRoute(session, drugInfo, doseRows[1], "Intermittent IV - Injection");
    QVERIFY(session.pkSets[pk::kPopulation][pk::kF] != tabletF);
    levelRows[0] = serumLevel(kDay.addDays(5), QTime(7, 30), 0.9);
    levelRows[1] = serumLevel(kDay.addDays(6), QTime(7, 30), 1.1);
    analyseAndFit();

    QCOMPARE(session.pkSets[pk::kPopulation][pk::kF], tabletF);
    QCOMPARE(session.populationRanges[pk::kFitF], tabletRange);
    QCOMPARE(session.routeList, QVector<QString>{"Oral - Tablets"});
    QCOMPARE(driver.allIntravenous(), 0);
    QCOMPARE(driver.allInpatient(), 0);
    for (int method : {pk::kLeastSquares, pk::kBayesian}) {
        const PkParameterSet& set = session.pkSets[method];
        QVERIFY(driver.fitPresent(method));
        QVERIFY(set[pk::kF] > 0.0 && set[pk::kF] <= 1.0);
        QVERIFY(set[pk::kCF] > 0.0 && set[pk::kCF] <= 1.0);
        QVERIFY(std::isfinite(set[pk::kVd]) && set[pk::kVd] > 0.0);
    }
    QVERIFY(session.bayesRanges[pk::kFitVd] > 0.0);
    // Predictions in the table sit near the measured levels for the Bayesian set.
    const LevelFitTable& table = driver.levelFitTable();
    for (int r = 1; r <= 2; ++r)
        QVERIFY(std::fabs(table.row(r)[pk::kTableBayesian] / table.row(r)[pk::kTableMeasured] -
                          1.0) < 0.5);
}

void TestAnalysisCatalogue::gentamicinInfusions()
{
    adultPatient("GM");
    drugInfo.populationPkAminoglycoside();
    drugInfo.applyFormDefaults(1);
    doseRows[0] = doses(120.0, 8.0, 6.0, "I", kDay, 0.5);
    chooseRoute(session, drugInfo, doseRows[0], "Intermittent IV - Injection");
    doseRows[0].complete = meetsDoseRowRule(doseRows[0]);
    levelRows[0] = serumLevel(kDay.addDays(1), QTime(1, 0), 7.0);
    levelRows[1] = serumLevel(kDay.addDays(1), QTime(7, 30), 1.8);
    analyseAndFit();
    QCOMPARE(driver.allIntravenous(), 1);
    const PkParameterSet& population = session.pkSets[pk::kPopulation];
    for (int method : {pk::kLeastSquares, pk::kBayesian}) {
        const PkParameterSet& set = session.pkSets[method];
        QCOMPARE(set[pk::kF], population[pk::kF]);
        QVERIFY(set[pk::kVd] > 0.0 && set[pk::kCl] > 0.0);
        QVERIFY(set[pk::kVd] != population[pk::kVd]);
    }
    QCOMPARE(session.bayesRanges[pk::kFitF],
             100.0 * population[pk::kF] * session.populationRanges[pk::kFitF]);
    QVERIFY(session.routeList.isEmpty());
}

TALVORA_TEST_MAIN(TestAnalysisCatalogue)
#include "tst_analysiscatalogue.moc"
