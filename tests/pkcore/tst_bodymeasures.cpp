#include "tests/support/TestMain.h"

#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <cmath>
#include <limits>

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct PatientInput {
    double age;
    double weight;
    double height;
    const char* sex;
};

void setPatient(SessionData& s, const PatientInput& p)
{
    s.ageYears = p.age;
    s.weightKg = p.weight;
    s.heightCm = p.height;
    s.patient.sex = QString::fromLatin1(p.sex);
}
} // namespace

// Reference values below are the published forms evaluated independently (Haycock,
// Janmahasatian, Devine, Cockcroft-Gault, Jelliffe), not this library's code.
class TestBodyMeasures : public QObject
{
    Q_OBJECT

private slots:
    void sizeMeasures_data();
    void sizeMeasures();
    void idealBodyWeightBands_data();
    void idealBodyWeightBands();
    void patientFormsFollowTheArgumentForms();
    void dosingAndAdjustedWeight_data();
    void dosingAndAdjustedWeight();
    void clearanceEstimate_data();
    void clearanceEstimate();
    void enteredClearanceSkipsTheFormulas_data();
    void enteredClearanceSkipsTheFormulas();
    void badMeasuresGiveNoResult_data();
    void badMeasuresGiveNoResult();
};

void TestBodyMeasures::sizeMeasures_data()
{
    QTest::addColumn<QString>("measure");
    QTest::addColumn<double>("result");
    QTest::addColumn<double>("expected");

    QTest::newRow("BMI 70 kg 175 cm") << "bmi" << bodyMassIndex(70, 175) << 22.857142857142858;
    QTest::newRow("Haycock 70 kg 175 cm")
        << "bsa" << bodySurfaceArea(70, 175) << 1.8467763490366433;
    QTest::newRow("Janmahasatian male")
        << "lbm" << leanBodyMass(70, 175, "M") << 55.857107722577474;
    QTest::newRow("Janmahasatian female")
        << "lbm" << leanBodyMass(70, 175, "F") << 45.19701492537313;
    QTest::newRow("Janmahasatian other sex is female")
        << "lbm" << leanBodyMass(70, 175, "?") << 45.19701492537313;
    QTest::newRow("Devine male 170 cm")
        << "ibw" << adultIdealBodyWeight(170, "M") << 65.93700787401575;
    QTest::newRow("Devine female 170 cm")
        << "ibw" << adultIdealBodyWeight(170, "F") << 61.43700787401575;
    QTest::newRow("child under one year: own weight")
        << "child" << childIdealBodyWeight(8.5, 70, 0.7, "M") << 8.5;
    QTest::newRow("child under 154 cm")
        << "child" << childIdealBodyWeight(25, 120, 7, "F") << 22.40761105193086;
    QTest::newRow("child boy 160 cm")
        << "child" << childIdealBodyWeight(50, 160, 14, "M") << 45.792125984251975;
    QTest::newRow("child girl 160 cm")
        << "child" << childIdealBodyWeight(50, 160, 14, "F") << 48.99212598425198;
}

void TestBodyMeasures::sizeMeasures()
{
    QFETCH(double, result);
    QFETCH(double, expected);
    QCOMPARE(result, expected);
}

void TestBodyMeasures::idealBodyWeightBands_data()
{
    QTest::addColumn<double>("age");
    QTest::addColumn<double>("height");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<double>("expected");

    QTest::newRow("adult 170 cm: Devine") << 40.0 << 170.0 << "M" << 65.93700787401575;
    QTest::newRow("17 years, 160 cm: mean of child and adult")
        << 17.0 << 160.0 << "M" << 51.337007874015754;
    QTest::newRow("17 years, 150 cm: child") << 17.0 << 150.0 << "M" << 39.18526096310906;
    QTest::newRow("adult under 122 cm, male: child") << 30.0 << 110.0 << "M" << 18.598867285825044;
    QTest::newRow("adult under 122 cm, female: 0.9 child")
        << 30.0 << 110.0 << "F" << 16.73898055724254;
    QTest::newRow("adult under 122 cm, other sex: 0") << 30.0 << 110.0 << "U" << 0.0;
    QTest::newRow("infant: own weight") << 0.5 << 65.0 << "F" << 7.0;
    QTest::newRow("exactly 18 and 122 cm: Devine")
        << 18.0 << 122.0 << "F" << (122 / 2.54 - 60) * 2.3 + 45.5;
}

void TestBodyMeasures::idealBodyWeightBands()
{
    QFETCH(double, age);
    QFETCH(double, height);
    QFETCH(QString, sex);
    QFETCH(double, expected);
    const double weight = 7.0;
    QCOMPARE(idealBodyWeight(weight, height, age, sex), expected);
}

void TestBodyMeasures::patientFormsFollowTheArgumentForms()
{
    SessionData s;
    setPatient(s, {17.0, 62.0, 160.0, "F"});
    PkCalculator calc(&s);
    QCOMPARE(calc.patientBodySurfaceArea(), bodySurfaceArea(62, 160));
    QCOMPARE(calc.patientLeanBodyMass(), leanBodyMass(62, 160, "F"));
    QCOMPARE(calc.patientAdultIdealBodyWeight(), adultIdealBodyWeight(160, "F"));
    QCOMPARE(calc.patientChildIdealBodyWeight(), childIdealBodyWeight(62, 160, 17, "F"));
    QCOMPARE(calc.patientIdealBodyWeight(), idealBodyWeight(62, 160, 17, "F"));
}

void TestBodyMeasures::dosingAndAdjustedWeight_data()
{
    QTest::addColumn<double>("weight");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<double>("dosingWeight");
    QTest::addColumn<double>("adjustedWeight");

    // 175 cm adult: Devine 70.46 kg (male), 65.96 kg (female).
    QTest::newRow("lighter than ideal: actual weight") << 70.0 << "M" << 70.0 << 70.0;
    QTest::newRow("heavier, lean mass below ideal: ideal weight")
        << 70.0 << "F" << 65.96456692913384 << 65.96456692913384 + 0.4 * (70 - 65.96456692913384);
    QTest::newRow("obese, lean mass above ideal: lean mass")
        << 120.0 << "M" << 73.45641744380357 << 90.2787401574803;
}

void TestBodyMeasures::dosingAndAdjustedWeight()
{
    QFETCH(double, weight);
    QFETCH(QString, sex);
    QFETCH(double, dosingWeight);
    QFETCH(double, adjustedWeight);
    SessionData s;
    s.ageYears = 60;
    s.weightKg = weight;
    s.heightCm = 175;
    s.patient.sex = sex;
    PkCalculator calc(&s);
    QCOMPARE(calc.dosingWeightForCrCl(), dosingWeight);
    QCOMPARE(calc.adjustedBodyWeight(), adjustedWeight);
}

void TestBodyMeasures::clearanceEstimate_data()
{
    QTest::addColumn<double>("age");
    QTest::addColumn<double>("weight");
    QTest::addColumn<double>("height");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<double>("scr1");
    QTest::addColumn<double>("scr2");
    QTest::addColumn<int>("renalMode");
    QTest::addColumn<bool>("burn");
    QTest::addColumn<double>("expected");

    QTest::newRow("Cockcroft-Gault male, actual weight")
        << 60.0 << 70.0 << 175.0 << "M" << 1.0 << -1.0 << 0 << false << 77.77777777777777;
    QTest::newRow("Cockcroft-Gault female, ideal weight, x 0.85")
        << 60.0 << 70.0 << 175.0 << "F" << 1.0 << -1.0 << 0 << false << 62.29986876640419;
    QTest::newRow("Cockcroft-Gault obese, lean mass")
        << 60.0 << 120.0 << 175.0 << "M" << 1.2 << -1.0 << 0 << false << 68.01520133685516;
    QTest::newRow("exactly 18 years: paediatric formula")
        << 18.0 << 60.0 << 170.0 << "M" << 1.0 << -1.0 << 0 << false << 79.26182106562031;
    QTest::newRow("10 years: paediatric formula")
        << 10.0 << 30.0 << 135.0 << "M" << 0.5 << -1.0 << 0 << false << 79.14059492588108;
    QTest::newRow("3 years: capped at 58 x BSA")
        << 3.0 << 14.0 << 95.0 << "F" << 0.2 << -1.0 << 0 << false << 35.38063180000603;
    QTest::newRow("adult capped at 90 x BSA")
        << 20.0 << 70.0 << 175.0 << "M" << 0.2 << -1.0 << 0 << false << 90 * 1.8467763490366433;
    QTest::newRow("burn patient capped at 265")
        << 20.0 << 70.0 << 175.0 << "M" << 0.1 << -1.0 << 0 << true << 265.0;
    QTest::newRow("burn patient not held to 58 x BSA")
        << 3.0 << 14.0 << 95.0 << "F" << 0.2 << -1.0 << 0 << true << 80.39449920671092;
    QTest::newRow("under six months: 0")
        << 0.4 << 6.0 << 62.0 << "M" << 0.3 << -1.0 << 0 << false << 0.0;
    QTest::newRow("Jelliffe, rising creatinine")
        << 50.0 << 70.0 << 175.0 << "M" << 1.0 << 1.5 << 1 << false << 58.28691793232551;
    QTest::newRow("Jelliffe, falling creatinine uses the mean")
        << 50.0 << 70.0 << 175.0 << "M" << 2.0 << 1.0 << 1 << false << 79.1816346391068;
    QTest::newRow("Jelliffe steeply rising: negative stored as 0")
        << 50.0 << 70.0 << 175.0 << "M" << 1.0 << 6.0 << 1 << false << 0.0;
    QTest::newRow("changing function under six months: 0")
        << 0.4 << 6.0 << 62.0 << "M" << 0.3 << 0.5 << 1 << false << 0.0;
    QTest::newRow("creatinine 0: not given")
        << 60.0 << 70.0 << 175.0 << "M" << 0.0 << -1.0 << 0 << false << -1.0;
    QTest::newRow("creatinine not given: not given")
        << 60.0 << 70.0 << 175.0 << "M" << -1.0 << -1.0 << 0 << false << -1.0;
    QTest::newRow("Jelliffe with 0 h between values: not given")
        << 50.0 << 70.0 << 175.0 << "M" << 1.0 << 1.5 << 2 << false << -1.0;
    QTest::newRow("weight not given: not given")
        << 60.0 << -1.0 << 175.0 << "M" << 1.0 << -1.0 << 0 << false << -1.0;
}

void TestBodyMeasures::clearanceEstimate()
{
    QFETCH(double, age);
    QFETCH(double, weight);
    QFETCH(double, height);
    QFETCH(QString, sex);
    QFETCH(double, scr1);
    QFETCH(double, scr2);
    QFETCH(int, renalMode);
    QFETCH(bool, burn);
    QFETCH(double, expected);

    SessionData s;
    s.ageYears = age;
    s.weightKg = weight;
    s.heightCm = height;
    s.patient.sex = sex;
    s.scr1 = scr1;
    s.scr2 = scr2;
    // Mode 2 in the table stands for "changing function with no time between the values".
    s.renalMode = renalMode == 0 ? 0 : 1;
    s.scrHoursBetween = renalMode == 2 ? 0.0 : 24.0;
    s.burnPatient = burn;
    PkCalculator calc(&s);

    const double result = calc.estimateCreatinineClearance(0);
    QCOMPARE(result, expected);
    QCOMPARE(s.crcl, expected);
}

void TestBodyMeasures::enteredClearanceSkipsTheFormulas_data()
{
    QTest::addColumn<double>("entered");
    QTest::addColumn<double>("expected");
    QTest::newRow("taken as it is") << 42.5 << 42.5;
    QTest::newRow("negative becomes 0") << -3.0 << 0.0;
    QTest::newRow("not finite: not given") << kInf << -1.0;
}

void TestBodyMeasures::enteredClearanceSkipsTheFormulas()
{
    QFETCH(double, entered);
    QFETCH(double, expected);
    SessionData s; // no patient measures at all
    PkCalculator calc(&s);
    QCOMPARE(calc.estimateCreatinineClearance(entered), expected);
    QCOMPARE(s.crcl, expected);
}

void TestBodyMeasures::badMeasuresGiveNoResult_data()
{
    QTest::addColumn<double>("result");
    QTest::newRow("BMI height 0") << bodyMassIndex(70, 0);
    QTest::newRow("BSA weight 0") << bodySurfaceArea(0, 170);
    QTest::newRow("BSA height negative") << bodySurfaceArea(70, -1);
    QTest::newRow("BSA NaN") << bodySurfaceArea(kNaN, 170);
    QTest::newRow("lean mass height 0") << leanBodyMass(70, 0, "M");
    QTest::newRow("Devine height not given") << adultIdealBodyWeight(-1, "M");
    QTest::newRow("child height 0") << childIdealBodyWeight(20, 0, 5, "F");
    QTest::newRow("ideal weight age NaN") << idealBodyWeight(70, 170, kNaN, "F");
}

void TestBodyMeasures::badMeasuresGiveNoResult()
{
    QFETCH(double, result);
    QCOMPARE(result, -1.0);
}

TALVORA_TEST_MAIN(TestBodyMeasures)
#include "tst_bodymeasures.moc"
