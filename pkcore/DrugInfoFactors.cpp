#include "pkcore/DrugInfo.h"
#include "pkcore/SessionData.h"

#include <iterator>

// Question texts keep their blank padding and every answer its leading and trailing blank: the
// factor dialog and the case report show them as they stand.

namespace
{
struct FactorText {
    const char* question;
    const char* answer;
};

const FactorText aminoglycosideFactors[] = {
    {" Is this a critically ill or ICU patient ? ", " Critically ill or ICU patient. "},
    {" Is this a burn patient ?                  ", " Burn patient. "},
    {" Is this a hematology/oncology patient ?   ", " Hematology/oncology patient. "},
    {" Is this a spinal cord injury patient ?    ", " Spinal cord injury patient. "},
    {" Is this a cystic fibrosis patient ?       ", " Cystic fibrosis patient. "},
    {" Is this a preterm infant less than 28 weeks gestational age?      ",
     " Preterm infant less than 28 weeks gestational age. "},
    {" Is this a preterm infant 28 to 36 weeks gestational age?      ",
     " Preterm infant 28 to 36 weeks gestational age. "},
    {" Is this a neonate with PDA ?              ", " Neonate with PDA. "},
    {" Is this an infant receiving ECMO ?        ", " Infant receiving ECMO. "},
};

const FactorText ciprofloxacinFactors[] = {
    {" Is the patient taking an Al/Mg antacid ?  ", " Patient is taking an Al/Mg antacid. "},
    {" Has the patient had cancer chemotherapy ? ", " Patient has had cancer chemotherapy. "},
    {" Does the patient have cystic fibrosis ?   ", " Patient has cystic fibrosis. "},
    {" Is the patient taking oral didanosine ?       ", " Patient is taking oral didanosine. "},
    {" Is the patient taking oral iron ?         ", " Patient is taking oral iron. "},
    {" Is the patient taking sucralfate ?        ", " Patient is taking sucralfate. "},
    {" Is the patient taking multivitamins with zinc ?   ",
     " Patient is taking multivitamins with zinc. "},
};

const FactorText digoxinFactors[] = {
    {" Is this a patient with CHF ?             ", " Patient with CHF. "},
    {" Is the patient hyperthyroid ?            ", " Hyperthyroid patient. "},
    {" Is the patient hypothyroid ?             ", " Hypothyroid Patient. "},
    {" Is the patient taking amiodarone ?       ", " Patient is taking amiodarone. "},
    {" Is the patient taking diltiazem ?        ", " Patient is taking diltiazem. "},
    {" Is the patient taking quinidine ?        ", " Patient is taking quinidine. "},
    {" Is the patient taking oral verapamil ?   ", " Patient is taking oral verapamil. "},
    {" Is patient on amiloride or triamterene ? ", " Amiloride or triamterene patient. "},
    {" Is the patient taking spironolactone ?   ", " Patient is taking spironolactone. "},
    {" Is the patient a premature infant ?      ", " Premature infant. "},
};

const FactorText levofloxacinFactors[] = {
    {" Is the patient taking an Al/Mg antacid ? ", " Patient is taking an Al/Mg antacid. "},
    {" Is the patient taking oral iron ?        ", " Patient is taking oral iron. "},
    {" Is the patient taking sucralfate ?       ", " Patient is taking sucralfate. "},
};

const FactorText lithiumFactors[] = {
    {" Is the patient on acetazolamide or bicarbonate ?",
     " Acetazolamide or bicarbonate patient. "},
    {" Is the patient on ibuprofen or piroxicam?", " Patient is on ibuprofen or piroxicam. "},
    {" Is the patient on diclofenac, indomethacin or naproxen ?",
     " Patient is on diclofenac, indomethacin or naproxen. "},
    {" Is the patient on a low sodium diet ?    ", " Patient is on a low sodium diet. "},
    {" Is the patient taking theophylline ?     ", " Patient is taking theophylline. "},
    {" Is patient on a thiazide-type diuretic ? ", " Patient is on a thiazide-type diuretic. "},
};

const FactorText phenobarbitalFactors[] = {
    {" Is this a patient with severe cirrhosis ?", " Patient with severe cirrhosis. "},
    {" Is this a patient with hepatitis ?       ", " Patient with hepatitis. "},
    {" Is the patient taking valproic acid ?    ", " Patient taking valproic acid. "},
    {" Is the patient pregnant ?                ", " Pregnant Patient. "},
};

const FactorText phenytoinFactors[] = {
    {" Ethnically slow metabolism ?             ", " Ethnically slow metabolism. "},
    {" Is valproic acid concentration > 70 mg/L ?     ",
     " Valproic acid concentration is > 70 mg/L. "},
    {" Is the patient's bilirubin > 6 mg/dL ?  ", " Patient's bilirubin is > 6 mg/dL. "},
    {" Does the patient have severe neurologic injury ?               ",
     " Patient has severe neurologic injury. "},
    {" Is the patient receiving tube feeding ?    ", " Patient is receiving tube feeding. "},
    {" Is the patient receiving fluoxetine, fluconazole or voriconazole ?     ",
     " Patient is receiving fluoxetine, fluconazole or voriconazole. "},
};

const FactorText procainamideFactors[] = {
    {" Is the patient taking amiodarone ?        ", " Patient is taking amiodarone. "},
    {" Is the patient taking cimetidine ?        ", " Patient is taking cimetidine. "},
    {" Is the patient on trimethoprim or Septra ?", " Patient is on trimethoprim or Septra. "},
    {" Is the patient's cardiac output impaired ?", " Patient's cardiac output is impaired. "},
};

const FactorText quinidineFactors[] = {
    {" Does the patient have severe CHF ?        ", " Patient has severe CHF. "},
    {" Does the patient have cirrhosis ?         ", " Patient has cirrhosis. "},
    {" Is the patient taking amiodarone ?        ", " Patient is taking amiodarone. "},
    {" Is the patient taking a barbiturate ?     ", " Patient is taking a barbiturate. "},
    {" Is the patient taking cimetidine ?        ", " Patient is taking cimetidine. "},
    {" Is the patient taking phenytion ?         ", " Patient is taking phenytion. "},
    {" Is the patient taking rifampin ?          ", " Patient is taking rifampin. "},
    {" Is the patient taking verapamil ?         ", " Patient is taking verapamil. "},
};

const FactorText theophyllineFactors[] = {
    {" Does the patient have CHF ?              ", " Patient has CHF. "},
    {" Does the patient have severe cirrhosis ? ", " Patient has severe cirrhosis. "},
    {" Does the patient have severe COPD ?      ", " Patient has severe COPD. "},
    {" Does the patient smoke ?                 ", " Patient smokes. "},
    {" Is the patient taking cimetidine ?       ", " Patient is taking cimetidine. "},
    {" Patient on ciprofloxacin or erythromycin?",
     " Patient is on ciprofloxacin or erythromycin. "},
    {" Is patient taking oral contraceptives ?  ", " Patient is taking oral contraceptives. "},
    {" Is the patient taking phenytoin ?        ", " Patient is taking phenytoin. "},
    {" Is the patient taking rifampin ?         ", " Patient is taking rifampin. "},
    {" Patient on mexiletine or troleandomycin ?", " Patient is on mexiletine or troleandomycin. "},
    {" Does the patient have cystic fibrosis ?  ", " Patient has cystic fibrosis. "},
    {" Is the patient on chronic phenobarbital ?", " Patient is on chronic phenobarbital. "},
    {" Is the patient on diltiazem or verapamil?", " Patient is on diltiazem or verapamil. "},
    {" Is the patient hyperthyroid ?            ", " Patient is hyperthyroid. "},
    {" Is the patient hypothyroid ?             ", " Patient is hypothyroid. "},
};

const FactorText vancomycinFactors[] = {
    {" Is this a critically ill or ICU patient ?                  ",
     " Critically ill or ICU patient. "},
    {" Is this a burn patient ?          ", " Burn patient. "},
    {" Is this a preterm infant of 28 weeks or less gestational age ?          ",
     " Preterm infant of 28 weeks or less gestational age.  "},
    {" Is this a neonate with PDA ?              ", " Neonate with PDA. "},
};

// Age limits of the optional questions; inclusive.
constexpr double kOneMonthYears = 1.0 / 12.0;
constexpr double kTwoMonthsYears = 1.0 / 6.0;
constexpr double kVancomycinPretermAge = 0.164;

// Counts of the lists whose length depends on the patient.
constexpr int kAminoglycosideBaseCount = 5;
constexpr int kAminoglycosideTwoMonthCount = 6;
constexpr int kAminoglycosideNeonateCount = 9;
constexpr int kDigoxinBaseCount = 9;
constexpr int kDigoxinNeonateCount = 10;
constexpr int kPhenobarbitalBaseCount = 3;
constexpr int kPhenobarbitalFemaleCount = 4;
constexpr int kVancomycinBaseCount = 2;
constexpr int kVancomycinPretermCount = 3;
constexpr int kVancomycinNeonateCount = 4;

// Writes the first `count` questions of a list; entries behind them keep what they held.
template <std::size_t N>
void writeFactors(SessionData* session, const FactorText (&list)[N], int count)
{
    for (int i = 0; i < count && i < int(N); ++i) {
        session->factorQuestions[i] = QString::fromLatin1(list[i].question);
        session->factorAnswers[i] = QString::fromLatin1(list[i].answer);
    }
    session->factorCount = count;
}

template <std::size_t N> void writeFactors(SessionData* session, const FactorText (&list)[N])
{
    writeFactors(session, list, int(N));
}
} // namespace

void DrugInfo::aminoglycosideFactorList(SessionData* session, const QString&, double age)
{
    int count = kAminoglycosideBaseCount;
    if (age <= kOneMonthYears)
        count = kAminoglycosideNeonateCount;
    else if (age <= kTwoMonthsYears)
        count = kAminoglycosideTwoMonthCount;
    writeFactors(session, aminoglycosideFactors, count);
}

void DrugInfo::ciprofloxacinFactorList(SessionData* session, const QString&, double)
{
    writeFactors(session, ciprofloxacinFactors);
}

void DrugInfo::digoxinFactorList(SessionData* session, const QString&, double age)
{
    writeFactors(session, digoxinFactors,
                 age <= kOneMonthYears ? kDigoxinNeonateCount : kDigoxinBaseCount);
}

void DrugInfo::levofloxacinFactorList(SessionData* session, const QString&, double)
{
    writeFactors(session, levofloxacinFactors);
}

void DrugInfo::lithiumFactorList(SessionData* session, const QString&, double)
{
    writeFactors(session, lithiumFactors);
}

void DrugInfo::phenobarbitalFactorList(SessionData* session, const QString& sex, double)
{
    writeFactors(session, phenobarbitalFactors,
                 sex == QLatin1String("F") ? kPhenobarbitalFemaleCount : kPhenobarbitalBaseCount);
}

void DrugInfo::phenytoinFactorList(SessionData* session, const QString&, double)
{
    writeFactors(session, phenytoinFactors);
}

void DrugInfo::procainamideFactorList(SessionData* session, const QString&, double)
{
    writeFactors(session, procainamideFactors);
}

void DrugInfo::quinidineFactorList(SessionData* session, const QString&, double)
{
    writeFactors(session, quinidineFactors);
}

void DrugInfo::theophyllineFactorList(SessionData* session, const QString&, double)
{
    writeFactors(session, theophyllineFactors);
}

void DrugInfo::vancomycinFactorList(SessionData* session, const QString&, double age)
{
    int count = kVancomycinBaseCount;
    if (age <= kOneMonthYears)
        count = kVancomycinNeonateCount;
    else if (age <= kVancomycinPretermAge)
        count = kVancomycinPretermCount;
    writeFactors(session, vancomycinFactors, count);
}
