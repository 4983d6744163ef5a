#include "tests/support/NearlyEqual.h"
#include "tests/support/TestMain.h"

#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <cmath>
#include <functional>
#include <map>

// Expected values below are worked out by hand from the regressions. The patients are chosen so
// that their ideal weight is above the actual weight: then the weight for creatinine clearance and
// the adjusted weight are the actual weight and the arithmetic stays readable.
struct Patient {
    double age;
    double weight;
    double height;
    QString sex;
    double crcl;
    double scr1;
    double albumin;
};
Q_DECLARE_METATYPE(Patient)

using Answers = QList<int>;

namespace
{
const Patient kAdult{40.0, 60.0, 180.0, "M", 100.0, 0.0, 4.4};
const Patient kElderly{70.0, 60.0, 180.0, "M", 100.0, 0.0, 4.4};
const Patient kChild{8.0, 25.0, 128.0, "M", 80.0, 0.0, 4.4};
const Patient kInfant{0.3, 6.0, 62.0, "M", 20.0, 0.4, 4.4};
const Patient kNeonate{0.05, 3.0, 50.0, "M", 10.0, 0.5, 4.4};

Patient aged(Patient p, double age)
{
    p.age = age;
    return p;
}

Patient withClearance(Patient p, double crcl, double scr1)
{
    p.crcl = crcl;
    p.scr1 = scr1;
    return p;
}

// Ideal weight of kAdult (Devine, male, 180 cm) and of kChild (128 cm).
const double kAdultIbw = (180.0 / 2.54 - 60.0) * 2.3 + 50.0;
const double kChildIbw = 2.396 * std::exp(0.01863 * 128.0);

struct Fixture {
    SessionData session;
    PkCalculator calculator{&session};
    DrugInfo info{&session, &calculator};

    Fixture(const QString& code, const Patient& p, const Answers& answers = {})
    {
        session.patient.drugCode = code;
        session.patient.sex = p.sex;
        session.ageYears = p.age;
        session.weightKg = p.weight;
        session.heightCm = p.height;
        session.crcl = p.crcl;
        session.scr1 = p.scr1;
        session.albumin = p.albumin;
        for (int n : answers)
            session.factorFlags[n] = 1;
    }

    // The calculator the patient form runs for the drug.
    void calculate()
    {
        static const std::map<QString, void (DrugInfo::*)()> calculators = {
            {"AK", &DrugInfo::populationPkAminoglycoside},
            {"GM", &DrugInfo::populationPkAminoglycoside},
            {"NM", &DrugInfo::populationPkAminoglycoside},
            {"TM", &DrugInfo::populationPkAminoglycoside},
            {"CX", &DrugInfo::populationPkCiprofloxacin},
            {"DG", &DrugInfo::populationPkDigoxin},
            {"FC", &DrugInfo::populationPkFlucytosine},
            {"OX", &DrugInfo::populationPkLevofloxacin},
            {"LI", &DrugInfo::populationPkLithium},
            {"PB", &DrugInfo::populationPkPhenobarbital},
            {"PH", &DrugInfo::populationPkPhenytoin},
            {"PC", &DrugInfo::populationPkProcainamide},
            {"QD", &DrugInfo::populationPkQuinidine},
            {"TH", &DrugInfo::populationPkTheophylline},
            {"VM", &DrugInfo::populationPkVancomycin},
            {"VP", &DrugInfo::populationPkValproate},
        };
        (info.*calculators.at(session.patient.drugCode))();
    }

    double population(int slot) const { return session.pkSets[pk::kPopulation][slot]; }
    double range(int element) const { return session.populationRanges[element]; }
};

// The values are worked out by hand, so to nine digits.
#define COMPARE_NEAR(actual, expected) COMPARE_NEARLY(actual, expected, 1e-9)

// Vancomycin beta-phase volume of an infant: Cl / beta of the two-compartment constants.
double infantBetaVolume(double weight, double clearance)
{
    const double v1 = (0.793 * weight + 0.01) * 0.666;
    const double k12 = 0.0334 * weight / v1;
    const double k10 = clearance / v1;
    const double k21 = 0.46;
    const double sum = k12 + k10 + k21;
    const double beta = (sum - std::sqrt(sum * sum - 4.0 * k21 * k10)) / 2.0;
    return clearance / beta;
}

double bsaShare(double weight, double height)
{
    return bodySurfaceArea(weight, height) / 1.73;
}
} // namespace

class TestDrugInfoPopulation : public QObject
{
    Q_OBJECT
private slots:
    void volumeAndClearance_data();
    void volumeAndClearance();
    void drugConstants_data();
    void drugConstants();
    void burnAnswerLiftsTheClearanceCap();
    void vancomycinInfantWithoutCreatinineGivesNoEstimate();
    void levofloxacinLimitsReadNotGiven();
    void phenytoin_data();
    void phenytoin();
    void runningTwiceGivesTheSameSession_data();
    void runningTwiceGivesTheSameSession();
    void missingMeasuresGiveNoEstimate();
};

void TestDrugInfoPopulation::volumeAndClearance_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<Patient>("patient");
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<double>("vd");
    QTest::addColumn<double>("cl");

    // Aminoglycosides.
    QTest::newRow("GM adult") << "GM" << kAdult << Answers{} << 0.3 * 60
                              << (0.11 * 60 + 0.82 * 100) * 0.06;
    QTest::newRow("AK child") << "AK" << kChild << Answers{} << 0.3 * 25
                              << (0.11 * 25 + 0.82 * 80) * 0.06;
    QTest::newRow("TM infant") << "TM" << kInfant << Answers{} << (0.52 - 0.44 * 0.3) * 6
                               << (0.17 * 0.3 + 0.05) * 6;
    QTest::newRow("NM neonate") << "NM" << kNeonate << Answers{} << 0.52 * 3
                                << (0.17 * 0.05 + 0.05) * 3;
    QTest::newRow("GM at 0.5 is an infant") << "GM" << aged(kInfant, 0.5) << Answers{}
                                            << (0.52 - 0.44 * 0.5) * 6 << (0.17 * 0.5 + 0.05) * 6;
    QTest::newRow("GM at 0.083 is a neonate")
        << "GM" << aged(kNeonate, 0.083) << Answers{} << 0.52 * 3 << (0.17 * 0.083 + 0.05) * 3;
    QTest::newRow("GM infant, high creatinine")
        << "GM" << withClearance(kInfant, 20, 1.3) << Answers{} << (0.52 - 0.44 * 0.3) * 6 << 0.0;
    QTest::newRow("GM critically ill")
        << "GM" << kAdult << Answers{1} << 0.3 * 60 * 1.13 << (0.11 * 60 + 0.82 * 100) * 0.06;
    QTest::newRow("GM haematology")
        << "GM" << kAdult << Answers{3} << 0.3 * 60 * 1.17 << (0.11 * 60 + 0.82 * 100) * 0.06;
    QTest::newRow("GM spinal cord")
        << "GM" << kAdult << Answers{4} << 0.3 * 60 * 1.1 << (0.11 * 60 + 0.82 * 100) * 0.06;
    QTest::newRow("GM cystic fibrosis")
        << "GM" << kAdult << Answers{5} << 0.3 * 60 << (0.24 * 60 + 0.82 * 100) * 0.06;
    QTest::newRow("GM neonate preterm < 28 w")
        << "GM" << kNeonate << Answers{6} << 0.52 * 3 << (0.29 * 0.05 + 0.03) * 3;
    QTest::newRow("GM neonate preterm 28-36 w")
        << "GM" << kNeonate << Answers{7} << 0.52 * 3 << (0.29 * 0.05 + 0.04) * 3;
    QTest::newRow("GM neonate PDA")
        << "GM" << kNeonate << Answers{8} << 0.63 * 3 << (0.17 * 0.05 + 0.05) * 3;
    QTest::newRow("GM neonate ECMO") << "GM" << kNeonate << Answers{9} << 0.59 * 3 << 0.042 * 3;
    QTest::newRow("GM neonate ICU")
        << "GM" << kNeonate << Answers{1} << 0.52 * 3 * 1.13 << (0.17 * 0.05 + 0.05) * 3;
    QTest::newRow("GM 0.1 y preterm, creatinine 1.25")
        << "GM" << Patient{0.1, 4.0, 55.0, "F", 15.0, 1.25, 0.0} << Answers{6}
        << (0.52 - 0.44 * 0.1) * 4 << (0.29 * 0.1 + 0.03) * 4;
    QTest::newRow("GM 0.1 y, creatinine 1.25")
        << "GM" << Patient{0.1, 4.0, 55.0, "F", 15.0, 1.25, 0.0} << Answers{}
        << (0.52 - 0.44 * 0.1) * 4 << 0.0;

    // Vancomycin.
    QTest::newRow("VM adult") << "VM" << kAdult << Answers{} << 0.7 * 60
                              << (0.05 * 60 + 0.79 * 100) * 0.06;
    QTest::newRow("VM adult ICU") << "VM" << kAdult << Answers{1} << 0.7 * 60 * 1.13
                                  << (0.05 * 60 + 0.79 * 100) * 0.06;
    QTest::newRow("VM adult, clearance below 10")
        << "VM" << withClearance(kAdult, 5, 0) << Answers{} << 60.0
        << (0.05 * 60 + 0.79 * 5) * 0.06;
    QTest::newRow("VM child") << "VM" << kChild << Answers{} << 0.7 * 25
                              << (0.05 * 25 + 0.79 * 80) * 0.06;
    const double neonateCl = 3 * (0.046355 * 0.05 + 0.028 / 0.5 + 0.0123) + 0.006;
    QTest::newRow("VM neonate") << "VM" << kNeonate << Answers{} << infantBetaVolume(3, neonateCl)
                                << neonateCl;
    const double pretermCl = 3 * (0.046355 * 0.05 + 0.028 / 0.5) + 0.006;
    QTest::newRow("VM neonate preterm")
        << "VM" << kNeonate << Answers{3} << infantBetaVolume(3, pretermCl) << pretermCl;
    const double infantCl = 6 * (0.046355 * 0.3 + 0.028 / 0.4 + 0.0123) + 0.006;
    QTest::newRow("VM infant") << "VM" << kInfant << Answers{} << infantBetaVolume(6, infantCl)
                               << infantCl;
    const double highScrCl = 6 * (0.028 / 0.9 + 0.0123) + 0.006;
    QTest::newRow("VM infant, creatinine above 0.7")
        << "VM" << withClearance(kInfant, 20, 0.9) << Answers{} << infantBetaVolume(6, highScrCl)
        << highScrCl;

    // Ciprofloxacin, levofloxacin/ofloxacin, flucytosine.
    const double adultShare = bsaShare(60, 180);
    QTest::newRow("CX adult") << "CX" << kAdult << Answers{} << 2.0 * 60
                              << (100 * 0.00145 / adultShare + 0.167) * 60 * adultShare;
    QTest::newRow("CX child") << "CX" << kChild << Answers{} << 0.0 << 0.0;
    QTest::newRow("CX at 18") << "CX" << aged(kAdult, 18) << Answers{} << 2.0 * 60
                              << (100 * 0.00145 / adultShare + 0.167) * 60 * adultShare;
    QTest::newRow("OX adult") << "OX" << kAdult << Answers{} << 1.36 * 60
                              << (1.21 * 100 + 36) * 0.06;
    QTest::newRow("OX child") << "OX" << kChild << Answers{} << 0.0 << 0.0;
    QTest::newRow("FC adult") << "FC" << kAdult << Answers{} << 0.71 * 60
                              << (0.01 * 60 + 0.79 * 100) * 0.06;
    QTest::newRow("FC child") << "FC" << kChild << Answers{} << 0.71 * 25
                              << (0.01 * 25 + 0.79 * 80) * 0.06;
    QTest::newRow("FC infant at 0.5")
        << "FC" << aged(kInfant, 0.5) << Answers{} << 0.71 * 6 << (0.01 * 6 + 0.79 * 20) * 0.06;
    QTest::newRow("FC infant") << "FC" << kInfant << Answers{} << 0.0 << 0.0;

    // Lithium.
    const double lithiumCl = 0.006 * 60 + 0.14 * 100 * 0.06;
    QTest::newRow("LI adult") << "LI" << kAdult << Answers{} << 0.73 * kAdultIbw << lithiumCl;
    QTest::newRow("LI at 70") << "LI" << kElderly << Answers{} << 0.59 * kAdultIbw << lithiumCl;
    QTest::newRow("LI child") << "LI" << kChild << Answers{} << 0.0 << 0.0;
    QTest::newRow("LI at 12") << "LI" << Patient{12, 38, 150, "F", 90, 0, 0} << Answers{}
                              << 0.73 * 2.396 * std::exp(0.01863 * 150)
                              << 0.006 * 38 + 0.14 * 90 * 0.06;
    QTest::newRow("LI acetazolamide")
        << "LI" << kAdult << Answers{1} << 0.73 * kAdultIbw << lithiumCl * 1.3;
    QTest::newRow("LI ibuprofen") << "LI" << kAdult << Answers{2} << 0.73 * kAdultIbw
                                  << lithiumCl * 0.67;
    QTest::newRow("LI diclofenac")
        << "LI" << kAdult << Answers{3} << 0.73 * kAdultIbw << lithiumCl * 0.75;
    QTest::newRow("LI low sodium")
        << "LI" << kAdult << Answers{4} << 0.73 * kAdultIbw << lithiumCl * 0.5;
    QTest::newRow("LI theophylline")
        << "LI" << kAdult << Answers{5} << 0.73 * kAdultIbw << lithiumCl * 1.5;
    QTest::newRow("LI thiazide") << "LI" << kAdult << Answers{6} << 0.73 * kAdultIbw
                                 << lithiumCl * 0.71;

    // Digoxin.
    const double digoxinVd = 3.84 * 60 + 3.12 * 100;
    const double digoxinCl = (0.8 * kAdultIbw + 1.02 * 100) * 0.06;
    QTest::newRow("DG adult") << "DG" << kAdult << Answers{} << digoxinVd << digoxinCl;
    QTest::newRow("DG CHF") << "DG" << kAdult << Answers{1} << digoxinVd
                            << (0.33 * kAdultIbw + 0.88 * 100) * 0.06;
    QTest::newRow("DG hyperthyroid")
        << "DG" << kAdult << Answers{2} << digoxinVd * 1.3 << digoxinCl * 1.3;
    QTest::newRow("DG hypothyroid")
        << "DG" << kAdult << Answers{3} << digoxinVd * 0.7 << digoxinCl * 0.7;
    QTest::newRow("DG amiodarone")
        << "DG" << kAdult << Answers{4} << digoxinVd * 0.88 << digoxinCl * 0.72;
    QTest::newRow("DG diltiazem") << "DG" << kAdult << Answers{5} << digoxinVd << digoxinCl * 0.85;
    QTest::newRow("DG quinidine") << "DG" << kAdult << Answers{6} << digoxinVd * 0.7
                                  << digoxinCl * 0.5;
    QTest::newRow("DG verapamil") << "DG" << kAdult << Answers{7} << digoxinVd
                                  << (0.8 * 0.57 * kAdultIbw + 1.02 * 100) * 0.06;
    QTest::newRow("DG amiloride") << "DG" << kAdult << Answers{8} << digoxinVd
                                  << (0.8 * 0.15 * kAdultIbw + 1.02 * 1.2 * 100) * 0.06;
    QTest::newRow("DG spironolactone")
        << "DG" << kAdult << Answers{9} << digoxinVd << digoxinCl * 0.7;
    QTest::newRow("DG child") << "DG" << kChild << Answers{} << 16.0 * 25
                              << (0.7 * kChildIbw + 1.4 * 80) * 0.06;
    QTest::newRow("DG infant") << "DG" << kInfant << Answers{} << (3.78 * 0.3 + 8.44) * 6
                               << (3.2388 - 2.8777 * 0.3) * 6 * 0.06;
    QTest::newRow("DG neonate") << "DG" << kNeonate << Answers{} << 8.75 * 3 << 3 * 3.0 * 0.06;
    QTest::newRow("DG premature neonate")
        << "DG" << kNeonate << Answers{10} << 7.5 * 3 << 3 * 2.0 * 0.06;

    // Phenobarbital.
    QTest::newRow("PB adult") << "PB" << kAdult << Answers{} << 0.6 * 60 << 0.004 * 60;
    QTest::newRow("PB child") << "PB" << kChild << Answers{} << 0.6 * 25 << 0.0077 * 25;
    QTest::newRow("PB at 12") << "PB" << aged(kChild, 12) << Answers{} << 0.6 * 25
                              << (0.0077 - 2 * 0.0012333) * 25;
    QTest::newRow("PB neonate") << "PB" << kNeonate << Answers{} << (0.91 - 3.7 * 0.05) * 3
                                << (0.0325 * 0.05 + 0.005) * 3;
    QTest::newRow("PB at 0.083") << "PB" << aged(kNeonate, 0.083) << Answers{}
                                 << (0.91 - 3.7 * 0.083) * 3 << (0.0325 * 0.083 + 0.005) * 3;
    QTest::newRow("PB cirrhosis") << "PB" << kAdult << Answers{1} << 0.6 * 60 << 0.004 * 60 * 0.66;
    QTest::newRow("PB hepatitis") << "PB" << kAdult << Answers{2} << 0.6 * 60 << 0.004 * 60 * 0.83;
    QTest::newRow("PB valproate slows")
        << "PB" << kAdult << Answers{3} << 0.6 * 60 << 0.004 * 60 * 0.65;
    QTest::newRow("PB pregnancy speeds")
        << "PB" << kAdult << Answers{4} << 0.6 * 60 << 0.004 * 60 * 1.35;

    // Procainamide: the childhood bands are mL/min/kg.
    const double procainamideCl = (2.7 * 100 + 3.9 * 60) * 0.06;
    QTest::newRow("PC adult") << "PC" << kAdult << Answers{} << 1.9 * 60 << procainamideCl;
    QTest::newRow("PC amiodarone")
        << "PC" << kAdult << Answers{1} << 1.9 * 60 << procainamideCl * 0.77;
    QTest::newRow("PC cimetidine")
        << "PC" << kAdult << Answers{2} << 1.9 * 60 << (1.62 * 100 + 3.12 * 60) * 0.06;
    QTest::newRow("PC trimethoprim")
        << "PC" << kAdult << Answers{3} << 1.9 * 60 << (2.7 * 0.54 * 100 + 3.9 * 60) * 0.06;
    QTest::newRow("PC low output")
        << "PC" << kAdult << Answers{4} << 1.9 * 60 << procainamideCl * 0.65;
    QTest::newRow("PC child") << "PC" << kChild << Answers{} << 2.9 * 25 << 19.4 * 25 * 0.06;
    QTest::newRow("PC at 3") << "PC" << aged(kChild, 3) << Answers{} << 2.9 * 25
                             << ((3 - 0.5) * 1.86 + 7.3) * 25 * 0.06;
    QTest::newRow("PC infant at 0.5")
        << "PC" << aged(kInfant, 0.5) << Answers{} << 2.9 * 6 << 0.4 * 6;
    QTest::newRow("PC at 12") << "PC" << aged(kChild, 12) << Answers{} << 2.9 * 25
                              << 19.4 * 25 * 0.06;
    QTest::newRow("PC at 16") << "PC" << aged(kChild, 16) << Answers{} << (2.9 - 4 * 0.166) * 25
                              << (2.7 * 80 + 3.9 * 25) * 0.06;
    QTest::newRow("PC at 18") << "PC" << aged(kAdult, 18) << Answers{} << 1.9 * 60
                              << procainamideCl;

    // Quinidine.
    QTest::newRow("QD adult") << "QD" << kAdult << Answers{} << 2.7 * 60 << 0.0566 * 100 + 0.2 * 60;
    QTest::newRow("QD at 70 over 50 kg")
        << "QD" << kElderly << Answers{} << 2.7 * 60 << 0.0566 * 100 + 10.0;
    QTest::newRow("QD at 60") << "QD" << aged(kAdult, 60) << Answers{} << 2.7 * 60
                              << 0.0566 * 100 + 0.2 * 60;
    QTest::newRow("QD severe CHF")
        << "QD" << kAdult << Answers{1} << 2.7 * 60 * 0.681 << 0.0566 * 100 + 0.2 * 60 * 0.54;
    QTest::newRow("QD cirrhosis") << "QD" << kAdult << Answers{2} << 2.7 * 60 * 1.5
                                  << 0.0566 * 100 + 0.2 * 60;
    QTest::newRow("QD amiodarone")
        << "QD" << kAdult << Answers{3} << 2.7 * 60 << (0.0566 * 100 + 0.2 * 60) * 0.5;
    QTest::newRow("QD barbiturate")
        << "QD" << kAdult << Answers{4} << 2.7 * 60 << (0.0566 * 100 + 0.2 * 60) * 2.5;
    QTest::newRow("QD cimetidine")
        << "QD" << kAdult << Answers{5} << 2.7 * 60 << (0.0566 * 100 + 0.2 * 60) * 0.6;
    QTest::newRow("QD phenytoin") << "QD" << kAdult << Answers{6} << 2.7 * 60
                                  << (0.0566 * 100 + 0.2 * 60) * 2.5;
    QTest::newRow("QD rifampin") << "QD" << kAdult << Answers{7} << 2.7 * 60
                                 << (0.0566 * 100 + 0.2 * 60) * 3.7;
    QTest::newRow("QD verapamil") << "QD" << kAdult << Answers{8} << 2.7 * 60
                                  << (0.0566 * 100 + 0.2 * 60) * 0.65;
    QTest::newRow("QD child") << "QD" << kChild << Answers{} << 2.7 * 25 << 0.46 * 25;
    QTest::newRow("QD child severe CHF")
        << "QD" << kChild << Answers{1} << 2.7 * 25 * 0.681 << 0.46 * 25 * 0.66;
    QTest::newRow("QD at 10.5") << "QD" << aged(kChild, 10.5) << Answers{} << 2.7 * 25
                                << 25 * (0.46 - 1.5 * 0.057);
    QTest::newRow("QD at 12") << "QD" << aged(kChild, 12) << Answers{} << 2.7 * 25
                              << 25 * (0.46 - 3 * 0.057);
    QTest::newRow("QD infant") << "QD" << kInfant << Answers{} << 0.0 << 0.0;

    // Theophylline.
    QTest::newRow("TH adult") << "TH" << kAdult << Answers{} << 0.48 * 60 << 0.04 * 60;
    QTest::newRow("TH at 60") << "TH" << aged(kAdult, 60) << Answers{} << 0.48 * 60 << 0.04 * 60;
    QTest::newRow("TH at 70") << "TH" << kElderly << Answers{} << 0.48 * 60 << 0.035 * 60;
    QTest::newRow("TH overweight adult")
        << "TH" << Patient{40, 100, 175, "M", 100, 0, 0} << Answers{} << 0.35 * 100 << 0.032 * 100;
    QTest::newRow("TH child") << "TH" << kChild << Answers{} << 0.48 * 25 << 0.084 * 25;
    QTest::newRow("TH at 16") << "TH" << aged(kChild, 16) << Answers{} << 0.48 * 25
                              << 25 * (0.084 - 6 * 0.0055);
    QTest::newRow("TH at 18") << "TH" << aged(kChild, 18) << Answers{} << 0.48 * 25
                              << 25 * (0.084 - 8 * 0.0055);
    QTest::newRow("TH infant") << "TH" << kInfant << Answers{} << (0.8 - 0.31 * 0.3) * 6
                               << (0.066 * 0.3 + 0.018) * 6;
    QTest::newRow("TH neonate") << "TH" << kNeonate << Answers{} << 0.77 * 3
                                << (0.066 * 0.05 + 0.018) * 3;
    const double factors[] = {0.43, 0.5, 0.8, 1.6,  0.75, 0.75, 0.7, 1.5,
                              1.45, 0.5, 1.8, 1.33, 0.85, 1.4,  0.8};
    for (int n = 1; n <= 15; ++n) {
        const double vdFactor = n == 11 ? 1.3 : n == 15 ? 1.4 : 1.0;
        QTest::addRow("TH answer %d", n)
            << "TH" << kAdult << Answers{n} << 0.48 * 60 * vdFactor << 0.04 * 60 * factors[n - 1];
    }
    QTest::newRow("TH cystic fibrosis and hypothyroid")
        << "TH" << kAdult << Answers{11, 15} << 0.48 * 60 * 1.3 * 1.4 << 0.04 * 60 * 1.8 * 0.8;

    // Valproic acid.
    QTest::newRow("VP adult") << "VP" << kAdult << Answers{} << 0.12 * 60 << 0.009 * 60;
    QTest::newRow("VP at 60") << "VP" << aged(kAdult, 60) << Answers{} << 0.16 * 60 << 0.007 * 60;
    QTest::newRow("VP at 18") << "VP" << aged(kAdult, 18) << Answers{} << 0.12 * 60
                              << (0.018 - 2 * 0.0045) * 60;
    QTest::newRow("VP at 16") << "VP" << aged(kChild, 16) << Answers{} << (0.18 - 0.03) * 25
                              << 0.018 * 25;
    QTest::newRow("VP at 12") << "VP" << aged(kChild, 12) << Answers{} << 0.18 * 25 << 0.018 * 25;
    QTest::newRow("VP child") << "VP" << kChild << Answers{} << 0.18 * 25 << 0.018 * 25;
    QTest::newRow("VP infant") << "VP" << kInfant << Answers{} << (0.33 - 0.05 * 0.3) * 6
                               << 0.019 * 6;
    QTest::newRow("VP neonate") << "VP" << kNeonate << Answers{} << 0.28 * 3
                                << (0.096 * 0.05 + 0.011) * 3;
    QTest::newRow("VP at 0.083") << "VP" << aged(kNeonate, 0.083) << Answers{} << 0.28 * 3
                                 << (0.096 * 0.083 + 0.011) * 3;
}

void TestDrugInfoPopulation::volumeAndClearance()
{
    QFETCH(QString, code);
    QFETCH(Patient, patient);
    QFETCH(Answers, answers);
    QFETCH(double, vd);
    QFETCH(double, cl);
    Fixture f(code, patient, answers);
    f.calculate();
    COMPARE_NEAR(f.population(pk::kVd), vd);
    COMPARE_NEAR(f.population(pk::kCl), cl);
    QCOMPARE(f.population(pk::kCF), 1.0);
    QCOMPARE(f.range(pk::kFitCF), 0.5);
}

void TestDrugInfoPopulation::drugConstants_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<Patient>("patient");
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("units");
    // Error factor, error constant, age weight base, upper and lower limit.
    QTest::addColumn<QList<double>>("levelModel");
    // Range elements F (-9 when the dosage form sets it), Vd, Cl.
    QTest::addColumn<QList<double>>("ranges");

    using L = QList<double>;
    const double byForm = -9;
    QTest::newRow("AK") << "AK" << kAdult << Answers{} << 1 << "mg mg/L"
                        << L{0.1, 0.75, 1.005, 30, 6} << L{0.05, 0.3, 0.5};
    QTest::newRow("GM over 65") << "GM" << aged(kAdult, 66) << Answers{} << 1 << "mg mg/L"
                                << L{0.1, 0.25, 1.005, 10, 2} << L{0.05, 0.5, 0.5};
    QTest::newRow("TM ICU") << "TM" << kAdult << Answers{1} << 1 << "mg mg/L"
                            << L{0.1, 0.25, 1.01, 10, 2} << L{0.05, 0.3, 0.5};
    QTest::newRow("NM cystic fibrosis") << "NM" << kAdult << Answers{5} << 1 << "mg mg/L"
                                        << L{0.1, 0.3, 1.01, 12, 2.5} << L{0.05, 0.3, 0.5};
    QTest::newRow("CX") << "CX" << kAdult << Answers{} << 1 << "mg mg/L"
                        << L{0.1, 0.25, 1.005, 0, 0} << L{byForm, 0.3, 0.5};
    QTest::newRow("DG") << "DG" << kAdult << Answers{} << 1 << "mcg mcg/L"
                        << L{0.1, 0.0625, 1.005, 2.0, 0.5} << L{byForm, 0.3, 0.52};
    QTest::newRow("FC") << "FC" << kAdult << Answers{} << 1 << "mg mg/L"
                        << L{0.15, 2.6, 1.005, 70, 35} << L{0.05, 0.3, 0.5};
    QTest::newRow("LI") << "LI" << kAdult << Answers{} << 1 << "mg mEq/L"
                        << L{0.1, 0.045, 1.005, 1.4, 0.4} << L{byForm, 0.3, 0.5};
    QTest::newRow("LI ibuprofen") << "LI" << kAdult << Answers{2} << 1 << "mg mEq/L"
                                  << L{0.1, 0.045, 1.005, 1.4, 0.4} << L{byForm, 0.3, 0.43};
    QTest::newRow("PB adult") << "PB" << kAdult << Answers{} << 1 << "mg mg/L"
                              << L{0.05, 1.5, 1.005, 45, 15} << L{0.1, 0.1, 0.2};
    QTest::newRow("PB at 13") << "PB" << aged(kChild, 13) << Answers{} << 1 << "mg mg/L"
                              << L{0.05, 1.5, 1.005, 45, 15} << L{0.1, 0.2, 0.4};
    QTest::newRow("PB pregnant") << "PB" << kAdult << Answers{4} << 1 << "mg mg/L"
                                 << L{0.05, 1.5, 1.005, 45, 15} << L{0.1, 0.1, 0.4};
    QTest::newRow("PC") << "PC" << kAdult << Answers{} << 1 << "mg mg/L"
                        << L{0.1, 0.35, 1.005, 10, 4} << L{byForm, 0.3, 0.5};
    QTest::newRow("QD") << "QD" << kAdult << Answers{} << 1 << "mg mg/L"
                        << L{0.1, 0.125, 1.005, 4, 1} << L{byForm, 0.4, 0.5};
    QTest::newRow("QD barbiturate") << "QD" << kAdult << Answers{4} << 1 << "mg mg/L"
                                    << L{0.1, 0.125, 1.005, 4, 1} << L{byForm, 0.4, 0.6};
    QTest::newRow("TH") << "TH" << kAdult << Answers{} << 1 << "mg mg/L"
                        << L{0.15, 0.0, 1.01, 20, 10} << L{byForm, 0.25, 0.5};
    QTest::newRow("VM adult") << "VM" << kAdult << Answers{} << 2 << "mg mg/L"
                              << L{0.1, 1.25, 1.005, 50, 15} << L{0.1, 0.3, 0.5};
    QTest::newRow("VM ICU") << "VM" << kAdult << Answers{1} << 2 << "mg mg/L"
                            << L{0.1, 1.25, 1.01, 50, 15} << L{0.1, 0.3, 0.5};
    QTest::newRow("VM at 0.5") << "VM" << aged(kInfant, 0.5) << Answers{} << 2 << "mg mg/L"
                               << L{0.1, 1.25, 1.005, 50, 15} << L{0.1, 0.16, 0.32};
    QTest::newRow("VP") << "VP" << kAdult << Answers{} << 1 << "mg mg/L"
                        << L{0.05, 4.375, 1.005, 125, 50} << L{0.1, 0.25, 0.5};
    QTest::newRow("VP answer 4") << "VP" << kAdult << Answers{4} << 1 << "mg mg/L"
                                 << L{0.05, 4.375, 1.005, 125, 50} << L{0.1, 0.25, 0.4};
}

void TestDrugInfoPopulation::drugConstants()
{
    QFETCH(QString, code);
    QFETCH(Patient, patient);
    QFETCH(Answers, answers);
    QFETCH(int, model);
    QFETCH(QString, units);
    QFETCH(QList<double>, levelModel);
    QFETCH(QList<double>, ranges);
    Fixture f(code, patient, answers);
    // Whatever the previous case left must not show through.
    f.session.pkSets[pk::kPopulation][pk::kF] = 0.123;
    f.session.populationRanges[pk::kFitF] = 0.321;
    f.session.kaIm = 0.777;
    f.calculate();
    QCOMPARE(f.session.modelType, model);
    if (code == "VP")
        QCOMPARE(f.session.kaIm, 0.0);
    QCOMPARE(f.session.doseUnit + " " + f.session.concentrationUnit, units);
    QCOMPARE(f.session.levelErrorFactor, levelModel[0]);
    QCOMPARE(f.session.levelErrorConstant, levelModel[1]);
    QCOMPARE(f.session.levelAgeWeightBase, levelModel[2]);
    QCOMPARE(f.session.levelUpperLimit, levelModel[3]);
    QCOMPARE(f.session.levelLowerLimit, levelModel[4]);
    if (ranges[0] > 0) {
        QCOMPARE(f.population(pk::kF), 1.0);
        QCOMPARE(f.range(pk::kFitF), ranges[0]);
    } else {
        QCOMPARE(f.population(pk::kF), 0.123);
    }
    COMPARE_NEAR(f.range(pk::kFitVd), ranges[1]);
    COMPARE_NEAR(f.range(pk::kFitCl), ranges[2]);
}

void TestDrugInfoPopulation::burnAnswerLiftsTheClearanceCap()
{
    // Cockcroft-Gault gives 115 x 60 / 36 mL/min, above the usual cap of 90 x BSA.
    const Patient young{25, 60, 180, "M", 0, 0.5, 0};
    const double uncapped = 115.0 * 60 / (72 * 0.5);
    for (const char* code : {"GM", "VM"}) {
        Fixture f(code, young, {2});
        f.calculator.estimateCreatinineClearance(0.0);
        QVERIFY(f.session.crcl < uncapped);
        f.calculate();
        QVERIFY(f.session.burnPatient);
        COMPARE_NEAR(f.session.crcl, uncapped);
        const double expected = QString(code) == "GM" ? (0.11 * 60 + 0.82 * uncapped) * 0.06
                                                      : (0.05 * 60 + 0.79 * uncapped) * 0.06;
        COMPARE_NEAR(f.population(pk::kCl), expected);

        Fixture unburnt(code, young);
        unburnt.session.burnPatient = true;
        unburnt.calculate();
        QVERIFY(!unburnt.session.burnPatient);
    }
}

void TestDrugInfoPopulation::vancomycinInfantWithoutCreatinineGivesNoEstimate()
{
    // A typed clearance and no creatinine: the infant formula has nothing to divide by.
    Fixture f("VM", withClearance(kInfant, 20, 0));
    f.calculate();
    QCOMPARE(f.population(pk::kCl), 0.0);
    QCOMPARE(f.population(pk::kVd), 0.0);
    QVERIFY(std::isfinite(f.session.twoCompCentralVolume));
}

void TestDrugInfoPopulation::levofloxacinLimitsReadNotGiven()
{
    Fixture f("GM", kAdult);
    f.calculate();
    QCOMPARE(f.session.levelUpperLimit, 10.0);
    f.session.patient.drugCode = "OX";
    f.calculate();
    QCOMPARE(f.session.levelUpperLimit, -1.0);
    QCOMPARE(f.session.levelLowerLimit, -1.0);
}

void TestDrugInfoPopulation::phenytoin_data()
{
    QTest::addColumn<Patient>("patient");
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<double>("fu");
    QTest::addColumn<double>("volume");
    QTest::addColumn<double>("km");
    QTest::addColumn<double>("vmax");
    QTest::addColumn<double>("f");
    QTest::addColumn<double>("fRange");
    QTest::addColumn<double>("inputRate");

    const double fu = 1 / (2.0455 * 4.4 + 1);
    const double share = fu / 0.1;
    const double adultVmax = std::pow(60.0 / 70, 0.6) * (500 - 1.5 * 22);
    QTest::newRow("adult") << kAdult << Answers{} << fu << 0.65 * 60 * share << 5.7 / share
                           << adultVmax << 1.0 << 0.1 << 60.0;
    QTest::newRow("adult slow metabolism") << kAdult << Answers{1} << fu << 0.65 * 60 * share
                                           << 5.7 * 0.5 / share << adultVmax << 1.0 << 0.1 << 60.0;
    QTest::newRow("adult valproate") << kAdult << Answers{2} << fu * 1.5 << 0.65 * 60 * share * 1.5
                                     << 5.7 / (share * 1.5) << adultVmax << 1.0 << 0.1 << 60.0;
    QTest::newRow("adult neurologic injury")
        << kAdult << Answers{4} << fu << 0.65 * 60 * share << 5.7 / share << adultVmax * 1.4 << 1.0
        << 0.1 << 60.0;
    QTest::newRow("adult tube feeding") << kAdult << Answers{5} << fu << 0.65 * 60 * share
                                        << 5.7 / share << adultVmax << 1.0 << 0.3 << 60.0;
    QTest::newRow("adult fluconazole") << kAdult << Answers{6} << fu << 0.65 * 60 * share
                                       << 5.7 / share * 1.75 << adultVmax << 1.0 << 0.1 << 60.0;
    QTest::newRow("overweight adult")
        << Patient{40, 100, 175, "M", 100, 0, 4.4} << Answers{} << fu
        << 0.65 *
               (idealBodyWeight(100, 175, 40, "M") +
                1.33 * (100 - idealBodyWeight(100, 175, 40, "M"))) *
               share
        << 5.7 / share << std::pow(100.0 / 70, 0.6) * (500 - 1.5 * 22) << 1.0 << 0.1 << 60.0;
    QTest::newRow("child") << kChild << Answers{} << fu << 0.65 * 25 * share << 6.4 / share
                           << std::pow(25.0 / 70, 0.6) * (805 - 25 * 2) << 1.0 << 0.1 << 25.0;
    QTest::newRow("at 15") << aged(kChild, 15) << Answers{} << fu << 0.65 * 25 * share
                           << 5.7 / share << std::pow(25.0 / 70, 0.6) * (805 - 25 * 9) << 1.0 << 0.1
                           << 25.0;
    // The infant's creatinine gives no clearance under six months: the lowest binding band.
    const double infantFu = 1 / (4.4 + 1);
    QTest::newRow("infant") << kInfant << Answers{} << infantFu << 6 * infantFu / 0.1
                            << ((0.3 - 0.083) * 0.3 + 5.0) / (infantFu / 0.1) << 11.5 * 6 << 1.0
                            << 0.1 << 6.0;
    QTest::newRow("neonate") << kNeonate << Answers{} << 0.2 << 3 * 2.0 << 5.0 / 2.0 << 11.5 * 3
                             << 0.9 << 0.2 << 3.0;
}

void TestDrugInfoPopulation::phenytoin()
{
    QFETCH(Patient, patient);
    QFETCH(Answers, answers);
    QFETCH(double, fu);
    QFETCH(double, volume);
    QFETCH(double, km);
    QFETCH(double, vmax);
    QFETCH(double, f);
    QFETCH(double, fRange);
    QFETCH(double, inputRate);
    Fixture fixture("PH", patient, answers);
    fixture.calculate();
    const SessionData& s = fixture.session;
    QCOMPARE(s.modelType, 3);
    COMPARE_NEAR(s.freeFraction, fu);
    COMPARE_NEAR(fixture.population(pk::kVd), volume);
    COMPARE_NEAR(fixture.population(pk::kCl), km);
    COMPARE_NEAR(fixture.population(pk::kKm), km);
    COMPARE_NEAR(fixture.population(pk::kVmax), vmax);
    QCOMPARE(fixture.population(pk::kF), f);
    QCOMPARE(fixture.range(pk::kFitF), fRange);
    QCOMPARE(fixture.range(pk::kFitVd), 0.2);
    QCOMPARE(fixture.range(pk::kFitKm), 0.5);
    QCOMPARE(fixture.range(pk::kFitVmax), 0.3);
    COMPARE_NEAR(s.levelUpperLimit, 20 / (fu / 0.1));
    COMPARE_NEAR(s.levelLowerLimit, 10 / (fu / 0.1));
    QCOMPARE(s.levelErrorConstant, 0.75);
    QCOMPARE(s.phenytoinInputRate, inputRate);
}

void TestDrugInfoPopulation::runningTwiceGivesTheSameSession_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<Answers>("answers");
    for (const char* code :
         {"GM", "CX", "DG", "FC", "OX", "LI", "PB", "PH", "PC", "QD", "TH", "VM", "VP"})
        QTest::newRow(code) << code << Answers{1, 2};
    QTest::newRow("TH 11 and 15") << "TH" << Answers{11, 15};
    QTest::newRow("QD barbiturate") << "QD" << Answers{4};
}

void TestDrugInfoPopulation::runningTwiceGivesTheSameSession()
{
    QFETCH(QString, code);
    QFETCH(Answers, answers);
    Fixture f(code, kAdult, answers);
    f.calculate();
    const SessionData first = f.session;
    f.calculate();
    for (int slot = pk::kF; slot <= pk::kVmax; ++slot)
        QCOMPARE(f.population(slot), first.pkSets[pk::kPopulation][slot]);
    QVERIFY(f.session.populationRanges == first.populationRanges);
    QCOMPARE(f.session.crcl, first.crcl);
    QCOMPARE(f.session.levelUpperLimit, first.levelUpperLimit);
    QCOMPARE(f.session.twoCompCentralVolume, first.twoCompCentralVolume);
}

void TestDrugInfoPopulation::missingMeasuresGiveNoEstimate()
{
    // A clearance that could not be estimated (-1.0) must not become a clearance of its own.
    for (const char* code : {"GM", "VM", "FC", "OX", "LI", "PC", "QD"}) {
        Fixture f(code, withClearance(kAdult, -1.0, 0));
        f.calculate();
        QVERIFY2(f.population(pk::kCl) == 0.0, code);
        QVERIFY2(std::isfinite(f.population(pk::kVd)), code);
    }
    Fixture noWeight("TH", Patient{40, -1.0, 180, "M", 100, 0, 0});
    noWeight.calculate();
    QCOMPARE(noWeight.population(pk::kVd), 0.0);
    QCOMPARE(noWeight.population(pk::kCl), 0.0);
}

TALVORA_TEST_MAIN(TestDrugInfoPopulation)
#include "tst_druginfopopulation.moc"
