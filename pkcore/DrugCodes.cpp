#include "pkcore/DrugCodes.h"

#include "pkcore/PkIndices.h"

#include <iterator>

namespace
{
struct DrugName {
    const char* code;
    const char* name;
};

// Searched in this order; the user's-choice drug is matched by its prefix, not its full name.
const DrugName kDrugs[] = {
    {"GM", "Gentamicin"},
    {"AK", "Amikacin"},
    {"DG", "Digoxin"},
    {"NM", "Netilmicin"},
    {"PB", "Phenobarbital"},
    {"QD", "Quinidine"},
    {"TH", "Theophylline"},
    {"TM", "Tobramycin"},
    {"VM", "Vancomycin"},
    {"LI", "Lithium"},
    {"FC", "Flucytosine"},
    {"CX", "Ciprofloxacin"},
    {"OX", "Levofloxacin/Ofloxacin"},
    {"PC", "Procainamide"},
    {"VP", "Valproic Acid"},
    {"PH", "Phenytoin"},
    {"ZZ", "User's Choice One-Comp Drug"},
};

const QString kUserChoicePrefix = QStringLiteral("User's Choice");

QString nameOfCode(const QString& code)
{
    for (const DrugName& drug : kDrugs) {
        if (code == QLatin1String(drug.code))
            return QString::fromLatin1(drug.name);
    }
    return QStringLiteral("None");
}

QString codeOfName(const QString& name)
{
    for (auto it = std::begin(kDrugs); it != std::prev(std::end(kDrugs)); ++it) {
        if (name == QString::fromUtf8(it->name))
            return QString::fromLatin1(it->code);
    }
    if (name.startsWith(kUserChoicePrefix))
        return QLatin1String(userChoiceCode);
    return QStringLiteral("No");
}

QString twoDigits(int value)
{
    return value < 10 ? QStringLiteral("0") + QString::number(value) : QString::number(value);
}
} // namespace

QString drugCode(const QString& text)
{
    const int codeLength = 2;
    return text.size() == codeLength ? nameOfCode(text) : codeOfName(text);
}

char routeCode(const QString& routeText)
{
    if (routeText.startsWith(QLatin1String("Intermittent IV")))
        return pk::kLetterIntermittentIv;
    if (routeText.startsWith(QLatin1String("Oral")))
        return pk::kLetterOral;
    if (routeText.startsWith(QLatin1String("IM")))
        return pk::kLetterIntramuscular;
    if (routeText.startsWith(QLatin1String("Contin")))
        return pk::kLetterContinuousIv;
    return pk::kLetterOther;
}

QString dateString(int year, int month, int day)
{
    return QString::number(year) + QLatin1Char('-') + twoDigits(month) + QLatin1Char('-') +
           twoDigits(day);
}
