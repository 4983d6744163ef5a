// Product constants: what a route and dosage form imply for the salt factors, the absorption
// constants, the lag time and the bioavailability. One resolution serves the constants pass, the
// bioavailability look-ups and the salt factor look-up, so a product has one F and one S wherever
// it is looked up.

#include "pkcore/DrugCodes.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/DrugInfoDetail.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"

#include <cstring>
#include <initializer_list>

using namespace druginfo;

namespace
{
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

bool isSet(double value)
{
    return !std::isnan(value);
}

// The values one product sets; kNone leaves the session's value as it is.
struct FormValues {
    double saltOral = kNone;
    double saltParenteral = kNone;
    double kaOral = kNone;
    double kaIm = kNone;
    double lagTime = kNone;
    double f = kNone;
    double fRange = kNone;      // relative range of F, written with F
    double listedRange = kNone; // relative range only the look-ups report
    double phenytoinF = kNone;
    double phenytoinTubeFeedingF = kNone;
};

struct ProductRow {
    const char* letters; // route letters the row serves; nullptr: every route
    const char* form;    // exact dosage form; nullptr: any form of those routes
    double saltOral;
    double saltParenteral;
    double kaOral;
    double kaIm;
    double lagTime;
    double f;
    double fRange;
    double listedRange;
};

struct FormContext {
    double age;
    const std::array<quint8, pk::kFactorFlagCapacity>& flags;
    const UserChoiceRecord& userChoice;

    bool answer(int n) const { return flags[n] != 0; }
};

using Adjust = void (*)(FormValues&, char letter, const QString& form, const FormContext&);

// Whether the second product of a two-product forecast also takes its values from the rows.
enum class SecondProduct { Ignored, Constants, ConstantsAndF };

struct DrugForms {
    std::initializer_list<const char*> codes;
    std::initializer_list<ProductRow> rows;
    Adjust adjust;
    SecondProduct second;
};

// Ranges given as fractions of F.
constexpr double kOneSeventh = 1.0 / 7.0;
constexpr double kOneNineteenth = 1.0 / 19.0;
constexpr double kThreeThirtyFirsts = 3.0 / 31.0;

// Digoxin with amiodarone.
constexpr int kDigoxinAmiodarone = 4;
constexpr double kDigoxinTabletFWithAmiodarone = 0.875;
constexpr double kDigoxinOtherOralFWithAmiodarone = 0.96875;

void adjustDigoxin(FormValues& v, char letter, const QString& form, const FormContext& c)
{
    if (letter != pk::kLetterOral || !c.answer(kDigoxinAmiodarone) || !isSet(v.f) ||
        form == QLatin1String("Capsules"))
        return;
    v.f = form == QLatin1String("Tablets") ? kDigoxinTabletFWithAmiodarone
                                           : kDigoxinOtherOralFWithAmiodarone;
}

// Ciprofloxacin by mouth: age and co-medication.
constexpr double kCiprofloxacinElderlyAge = 60.0;
constexpr double kCiprofloxacinElderlyKaOral = 1.5;
constexpr double kCiprofloxacinElderlyFFactor = 1.25;
constexpr double kCiprofloxacinOralRange = 0.1;
constexpr double kCiprofloxacinInteractionRange = 0.2;
struct OralInteraction {
    int answer;
    double fFactor;
    bool widensRange;
};
const OralInteraction kCiprofloxacinInteractions[] = {
    {1, 0.4, true},   // Al/Mg antacid
    {2, 0.53, false}, // cancer chemotherapy
    {3, 1.4, false},  // cystic fibrosis
    {4, 0.02, true},  // didanosine
    {5, 0.5, true},   // iron
    {6, 0.4, true},   // sucralfate
    {7, 0.5, true},   // multivitamins with zinc
};

void adjustCiprofloxacin(FormValues& v, char letter, const QString&, const FormContext& c)
{
    if (letter != pk::kLetterOral)
        return;
    if (c.age > kCiprofloxacinElderlyAge)
        v.kaOral = kCiprofloxacinElderlyKaOral;
    if (!isSet(v.f))
        return;
    if (c.age > kCiprofloxacinElderlyAge)
        v.f *= kCiprofloxacinElderlyFFactor;
    v.fRange = kCiprofloxacinOralRange;
    for (const OralInteraction& interaction : kCiprofloxacinInteractions) {
        if (!c.answer(interaction.answer))
            continue;
        v.f *= interaction.fFactor;
        if (interaction.widensRange)
            v.fRange = kCiprofloxacinInteractionRange;
    }
}

// Levofloxacin/ofloxacin: the antacid also slows absorption. The drug has one oral product, so
// its oral ka is known whatever route is current.
constexpr int kLevofloxacinAntacid = 1;
constexpr double kLevofloxacinKaOral = 3.0;
constexpr double kLevofloxacinAntacidKaFactor = 0.67;
struct FInteraction {
    int answer;
    double fFactor;
    double range;
};
const FInteraction kLevofloxacinInteractions[] = {
    {1, 0.55, 0.2},   // Al/Mg antacid
    {2, 0.825, 0.15}, // iron
    {3, 0.39, 0.2},   // sucralfate
};

void adjustLevofloxacin(FormValues& v, char, const QString&, const FormContext& c)
{
    if (c.answer(kLevofloxacinAntacid))
        v.kaOral =
            (isSet(v.kaOral) ? v.kaOral : kLevofloxacinKaOral) * kLevofloxacinAntacidKaFactor;
    if (!isSet(v.f))
        return;
    for (const FInteraction& interaction : kLevofloxacinInteractions) {
        if (!c.answer(interaction.answer))
            continue;
        v.f *= interaction.fFactor;
        v.fRange = interaction.range;
    }
}

// Quinidine: severe heart failure slows absorption, rifampin lowers oral F. Only values this
// product set are scaled, so choosing a route again never scales twice.
constexpr int kQuinidineSevereChf = 1;
constexpr int kQuinidineRifampin = 7;
constexpr double kQuinidineChfKaImFactor = 0.44;
constexpr double kQuinidineChfKaOralFactor = 0.55;
constexpr double kQuinidineRifampinFFactor = 0.59;

void adjustQuinidine(FormValues& v, char letter, const QString&, const FormContext& c)
{
    if (c.answer(kQuinidineSevereChf)) {
        v.kaIm *= kQuinidineChfKaImFactor;
        v.kaOral *= kQuinidineChfKaOralFactor;
    }
    if (letter == pk::kLetterOral && c.answer(kQuinidineRifampin))
        v.f *= kQuinidineRifampinFFactor;
}

// Phenytoin: the same F for every route, lower in neonates and by mouth with tube feeding.
constexpr int kPhenytoinTubeFeeding = 5;
constexpr double kPhenytoinF = 1.0;
constexpr double kPhenytoinFRange = 0.1;
constexpr double kPhenytoinNeonateFFactor = 0.9;
constexpr double kPhenytoinNeonateFRange = 0.2;
constexpr double kPhenytoinTubeFeedingFactor = 0.6;

void adjustPhenytoin(FormValues& v, char letter, const QString&, const FormContext& c)
{
    v.f = kPhenytoinF;
    v.fRange = kPhenytoinFRange;
    if (c.age < kNeonateAge) {
        v.f *= kPhenytoinNeonateFFactor;
        v.fRange = kPhenytoinNeonateFRange;
    }
    v.phenytoinF = v.f;
    v.phenytoinTubeFeedingF = v.f;
    if (c.answer(kPhenytoinTubeFeeding)) {
        v.phenytoinTubeFeedingF = kPhenytoinTubeFeedingFactor * v.f;
        if (letter == pk::kLetterOral)
            v.f *= kPhenytoinTubeFeedingFactor;
    }
}

// The user's-choice drug: every value comes from the dialog's texts.
constexpr double kUserChoiceRange = 0.05;
constexpr double kPercent = 100.0;
using pknum::kNotGiven;

double numberOrZero(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : 0.0;
}

// Salt factors and F divide doses: a text that is not a number is "not given", never 0.
double numberOrNotGiven(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : kNotGiven;
}

double percentOrNotGiven(const QString& text)
{
    const double percent = numberOrNotGiven(text);
    return percent == kNotGiven ? kNotGiven : percent / kPercent;
}

void adjustUserChoice(FormValues& v, char letter, const QString&, const FormContext& c)
{
    const UserChoiceRecord& u = c.userChoice;
    v.lagTime = numberOrZero(u.lagTimeText);
    switch (letter) {
    case pk::kLetterOral:
        v.kaOral = numberOrZero(u.oralKaText);
        v.saltOral = numberOrNotGiven(u.oralSaltText);
        v.f = percentOrNotGiven(u.oralFText);
        break;
    case pk::kLetterIntramuscular:
        v.kaIm = numberOrZero(u.imKaText);
        v.saltParenteral = numberOrNotGiven(u.imSaltText);
        v.f = percentOrNotGiven(u.imFText);
        break;
    case pk::kLetterIntermittentIv:
    case pk::kLetterContinuousIv:
        v.saltParenteral = numberOrNotGiven(u.ivSaltText);
        v.f = 1.0;
        break;
    default:
        return;
    }
    v.listedRange = kUserChoiceRange;
}

// Columns: route letters, form, S oral, S parenteral, ka oral, ka IM, lag, F, F range, range
// that only the look-ups report. A product the catalogue offers without a salt of its own has
// S 1.0.
const DrugForms kDrugForms[] = {
    {{"AK", "GM", "NM", "TM"},
     {{"DI", nullptr, kNone, 1.0, kNone, kNone, kNone, 1.0, kNone, 0.05}},
     nullptr,
     SecondProduct::Ignored},
    {{"VM"},
     {{"D", nullptr, kNone, 1.0, kNone, kNone, kNone, 1.0, kNone, 0.05}},
     nullptr,
     SecondProduct::Ignored},
    {{"DG"},
     {
         {"D", nullptr, kNone, 1.0, 1.5, kNone, kNone, 1.0, 0.05, kNone},
         {"O", "Tablets", 1.0, kNone, 1.5, kNone, kNone, 0.7, kOneSeventh, kNone},
         {"O", "Capsules", 1.0, kNone, 1.5, kNone, kNone, 0.95, kOneNineteenth, kNone},
         {"O", "Elixir", 1.0, kNone, 1.5, kNone, kNone, 0.775, kThreeThirtyFirsts, kNone},
         {"O", nullptr, kNone, kNone, 1.5, kNone, kNone, 0.775, kThreeThirtyFirsts, kNone},
         {nullptr, nullptr, kNone, kNone, 1.5, kNone, kNone, kNone, kNone, kNone},
     },
     adjustDigoxin,
     SecondProduct::Ignored},
    {{"FC"},
     {
         {"O", nullptr, 1.0, kNone, 1.1, kNone, kNone, 0.84, 0.15, kNone},
         {"D", nullptr, kNone, 1.0, kNone, kNone, kNone, 1.0, 0.05, kNone},
     },
     nullptr,
     SecondProduct::Ignored},
    {{"PB"},
     {
         {"I", nullptr, kNone, 0.91, kNone, 1.1, kNone, 1.0, kNone, 0.05},
         {"D", nullptr, kNone, 0.91, kNone, kNone, kNone, 1.0, kNone, 0.05},
         {"O", "Tablets", 1.0, kNone, 1.5, kNone, kNone, 1.0, kNone, 0.05},
         {"O", "Elixir", 1.0, kNone, 7.2, kNone, kNone, 1.0, kNone, 0.05},
     },
     nullptr,
     SecondProduct::Ignored},
    {{"PC"},
     {
         {"O", "Fast - Release Capsules", 0.87, kNone, 2.0, kNone, kNone, 0.83, 0.166, kNone},
         {"O", nullptr, 0.87, kNone, 0.4, kNone, kNone, 0.83, 0.166, kNone},
         {"DC", nullptr, kNone, 0.87, kNone, kNone, kNone, 1.0, 0.05, kNone},
         // Its range is written too, so the range shown does not depend on the route before.
         {"I", nullptr, kNone, 0.87, kNone, kNone, kNone, 1.0, 0.05, kNone},
     },
     nullptr,
     SecondProduct::Ignored},
    {{"LI"},
     {
         {"O", "Syrup", 1.0, kNone, 3.6, kNone, kNone, 1.0, 0.1, kNone},
         {"O", "Capsules", 1.0, kNone, 1.2, kNone, kNone, 1.0, 0.1, kNone},
         {"O", "Tablets", 1.0, kNone, 1.2, kNone, kNone, 1.0, 0.1, kNone},
         {"O", nullptr, 1.0, kNone, 0.5, kNone, kNone, 0.97, 0.1, kNone},
     },
     nullptr,
     SecondProduct::Ignored},
    {{"PH"},
     {
         {"O", "Capsules", 0.92, kNone, 0.15, kNone, kNone, kNone, kNone, kNone},
         {"O", "Tablets", 1.0, kNone, 0.15, kNone, kNone, kNone, kNone, kNone},
         {"O", "Suspension", 1.0, kNone, 0.15, kNone, kNone, kNone, kNone, kNone},
         {"D", "Injection (Fosphenytoin)", kNone, 0.92, kNone, 3.6, kNone, kNone, kNone, kNone},
         {"D", nullptr, kNone, 0.92, kNone, kNone, kNone, kNone, kNone, kNone},
         {"I", nullptr, kNone, 0.92, kNone, 2.5, kNone, kNone, kNone, kNone},
     },
     adjustPhenytoin,
     SecondProduct::Ignored},
    {{"CX"},
     {
         {"O", "Tablets", 1.0, kNone, kNone, kNone, kNone, 0.7, kNone, kNone},
         {"D", nullptr, kNone, 1.0, kNone, kNone, kNone, 1.0, 0.05, kNone},
     },
     adjustCiprofloxacin,
     SecondProduct::Ignored},
    {{"OX"},
     {
         {"O", nullptr, 1.0, kNone, kLevofloxacinKaOral, kNone, kNone, 1.0, 0.1, kNone},
         {"D", nullptr, kNone, 1.0, kNone, kNone, kNone, 1.0, 0.05, kNone},
     },
     adjustLevofloxacin,
     SecondProduct::Ignored},
    {{"VP"},
     {
         {"O", "Divalproex Sprinkle Capsules", 1.0, kNone, 1.2, kNone, 0.75, 0.99, 0.1, kNone},
         {"O", "Divalproex Fast - Release Tables", 1.0, kNone, 4.1, kNone, 1.5, 1.0, 0.1, kNone},
         {"O", "Divalproex Extended - Release Capsules", 1.0, kNone, 1.0, kNone, kNone, 0.9, 0.1,
          kNone},
         {"O", "Valproic Acid Syrup", 1.0, kNone, 1.0, kNone, kNone, 1.0, 0.1, kNone},
         {"O", "Valproic Acid Capsules", 1.0, kNone, 2.0, kNone, kNone, 0.95, 0.1, kNone},
         {"CD", nullptr, kNone, 1.0, 1.0, kNone, kNone, 1.0, 0.05, kNone},
         // Offered without constants of its own: the population values stand for it.
         {"I", nullptr, kNone, 1.0, kNone, kNone, kNone, 1.0, 0.1, kNone},
     },
     nullptr,
     SecondProduct::Ignored},
    {{"QD"},
     {
         {"I", "Injection(Gluconate)", kNone, 0.625, kNone, 0.77, kNone, 0.875, 0.25, kNone},
         {"I", nullptr, kNone, 0.83, kNone, 0.77, kNone, 0.875, 0.25, kNone},
         {"CD", "Injection(Gluconate)", kNone, 0.625, kNone, kNone, kNone, 1.0, 0.5, kNone},
         {"CD", nullptr, kNone, 0.83, kNone, kNone, kNone, 1.0, 0.5, kNone},
         {"O", "Sustained - Release (Gluconate)", 0.625, kNone, 1.8, kNone, kNone, 0.8, 0.19,
          kNone},
         {"O", "Immediate - Release Tablets (Sulfate)", 0.83, kNone, 1.8, kNone, kNone, 0.8, 0.19,
          kNone},
         {"O", "Tablets (Cardioquin)", 0.6, kNone, 1.15, kNone, kNone, 0.8, 0.3046875, kNone},
         {"O", "Dura - Tabs Tablets (Quinaglute)", 0.625, kNone, 0.7, kNone, kNone, 0.8, 0.218,
          kNone},
     },
     adjustQuinidine,
     SecondProduct::Constants},
    {{"TH"},
     {
         {"O", "Liquids", 1.0, kNone, 2.3, kNone, kNone, 1.0, 0.1, kNone},
         {"O", "Liquids (Aminophylline)", 0.86, kNone, 2.3, kNone, kNone, 1.0, 0.1, kNone},
         {"O", "Tablets", 1.0, kNone, 2.4, kNone, kNone, 1.0, 0.1, kNone},
         {"O", "Tablets (Aminophylline)", 0.8, kNone, 2.4, kNone, kNone, 0.94, 0.1, kNone},
         {"O", "Tablets (Theo - dur 100 mg)", 1.0, kNone, 0.17, kNone, kNone, 1.0, 0.15, kNone},
         {"O", "Tablets (Theo - dur 200,300 mg)", 1.0, kNone, 0.125, kNone, kNone, 0.97, 0.15,
          kNone},
         {"CD", "Injection (Aminophylline)", kNone, 0.79, kNone, kNone, kNone, 1.0, 0.05, kNone},
         {"CD", nullptr, kNone, 1.0, kNone, kNone, kNone, 1.0, 0.05, kNone},
     },
     nullptr,
     SecondProduct::ConstantsAndF},
    {{"ZZ"}, {}, adjustUserChoice, SecondProduct::Ignored},
};

const DrugForms* formsOf(const QString& drugCode)
{
    return entryForDrug(kDrugForms, drugCode);
}

bool serves(const ProductRow& row, char letter)
{
    return row.letters && letter != 0 && std::strchr(row.letters, letter);
}

// The most specific row: the exact form of the route, then any form of the route, then a row
// for every route.
const ProductRow* matchingRow(const DrugForms& forms, char letter, const QString& form)
{
    for (const ProductRow& row : forms.rows) {
        if (serves(row, letter) && row.form && form == QLatin1String(row.form))
            return &row;
    }
    for (const ProductRow& row : forms.rows) {
        if (serves(row, letter) && !row.form)
            return &row;
    }
    for (const ProductRow& row : forms.rows) {
        if (!row.letters)
            return &row;
    }
    return nullptr;
}

FormValues resolve(const DrugForms& forms, char letter, const QString& form,
                   const FormContext& context)
{
    FormValues v;
    if (const ProductRow* row = matchingRow(forms, letter, form)) {
        v.saltOral = row->saltOral;
        v.saltParenteral = row->saltParenteral;
        v.kaOral = row->kaOral;
        v.kaIm = row->kaIm;
        v.lagTime = row->lagTime;
        v.f = row->f;
        v.fRange = row->fRange;
        v.listedRange = row->listedRange;
    }
    if (forms.adjust)
        forms.adjust(v, letter, form, context);
    return v;
}

void overlay(double& value, double over)
{
    if (isSet(over))
        value = over;
}

void overlayConstants(FormValues& v, const FormValues& over)
{
    overlay(v.saltOral, over.saltOral);
    overlay(v.saltParenteral, over.saltParenteral);
    overlay(v.kaOral, over.kaOral);
    overlay(v.kaIm, over.kaIm);
    overlay(v.lagTime, over.lagTime);
}

void overlayBioavailability(FormValues& v, const FormValues& over)
{
    overlay(v.f, over.f);
    overlay(v.fRange, over.fRange);
    overlay(v.listedRange, over.listedRange);
    overlay(v.phenytoinF, over.phenytoinF);
    overlay(v.phenytoinTubeFeedingF, over.phenytoinTubeFeedingF);
}

FormContext contextOf(const SessionData& s)
{
    return {s.ageYears, s.factorFlags, s.userChoice};
}

double lookupRange(const FormValues& v)
{
    return isSet(v.fRange) ? v.fRange : v.listedRange;
}

void writePhenytoinF(SessionData& s, const FormValues& v)
{
    overlay(s.phenytoinF, v.phenytoinF);
    overlay(s.phenytoinTubeFeedingF, v.phenytoinTubeFeedingF);
}
} // namespace

void DrugInfo::applyFormDefaults(int withF)
{
    const QString& code = sessionData->patient.drugCode;
    const DrugForms* forms = formsOf(code);
    if (!forms)
        return;
    SessionData& s = *sessionData;
    const FormContext context = contextOf(s);

    FormValues v = resolve(*forms, s.routeLetter, s.dosageForm, context);
    if (forms->second != SecondProduct::Ignored && s.secondRouteLetter != 0) {
        const FormValues second = resolve(*forms, s.secondRouteLetter, s.secondDosageForm, context);
        overlayConstants(v, second);
        if (forms->second == SecondProduct::ConstantsAndF)
            overlayBioavailability(v, second);
    }

    overlay(s.saltOral, v.saltOral);
    overlay(s.saltParenteral, v.saltParenteral);
    overlay(s.kaOral, v.kaOral);
    overlay(s.kaIm, v.kaIm);
    s.lagTime = isSet(v.lagTime) ? v.lagTime : 0.0;
    if (code == QLatin1String(userChoiceCode)) {
        const bool mg = s.userChoice.doseUnitText == QLatin1String("mg");
        s.doseUnit = QString::fromLatin1(mg ? "mg" : "mcg");
        s.concentrationUnit = QString::fromLatin1(mg ? "mg/L" : "mcg/L");
    }

    if (withF != 1)
        return;
    overlay(s.pkSets[pk::kPopulation][pk::kF], v.f);
    overlay(s.populationRanges[pk::kFitF], v.fRange);
    writePhenytoinF(s, v);
}

double DrugInfo::bioavailability(QString routeText, QString drugCode)
{
    SessionData& s = *sessionData;
    const DrugForms* forms = formsOf(drugCode);
    if (!forms)
        return s.pkSets[pk::kPopulation][pk::kF];
    const FormValues v =
        resolve(*forms, ::routeCode(routeText), dosageFormOf(routeText), contextOf(s));
    writePhenytoinF(s, v);
    overlay(s.populationRanges[pk::kFitF], lookupRange(v));
    // A product without an F of its own keeps the population F.
    return isSet(v.f) ? v.f : s.pkSets[pk::kPopulation][pk::kF];
}

double DrugInfo::bioavailabilityRange(QString routeText, QString drugCode)
{
    const SessionData& s = *sessionData;
    const DrugForms* forms = formsOf(drugCode);
    if (!forms)
        return s.populationRanges[pk::kFitF];
    const double range =
        lookupRange(resolve(*forms, ::routeCode(routeText), dosageFormOf(routeText), contextOf(s)));
    return isSet(range) ? range : s.populationRanges[pk::kFitF];
}

double DrugInfo::saltFactor(QString routeText, QString drugCode)
{
    const DrugForms* forms = formsOf(drugCode);
    if (!forms)
        return kNotGiven;
    const char letter = ::routeCode(routeText);
    const FormValues v = resolve(*forms, letter, dosageFormOf(routeText), contextOf(*sessionData));
    sessionData->lagTime = isSet(v.lagTime) ? v.lagTime : 0.0;
    const double salt = letter == pk::kLetterOral ? v.saltOral : v.saltParenteral;
    return isSet(salt) ? salt : kNotGiven;
}
