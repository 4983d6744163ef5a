#include "settings/RouteNameConversion.h"

#include "pkcore/DrugCodes.h"

#include <QStringList>

namespace
{
// The route texts of one group of drugs for the codes "IV", "IM", "S", "C" and any other.
struct RouteRow {
    const char* drugs; // codes separated by blanks
    const char* iv;
    const char* im;
    const char* suspension;
    const char* capsules;
    const char* other;
};

const RouteRow routeRows[] = {
    {"GM AK NM TM", "Intermittent IV - Injection", "IM - Injection", "IM - Injection",
     "IM - Injection", "IM - Injection"},
    {"DG", "Intermittent IV - Injection", "Oral - Tablets", "Oral - Tablets", "Oral - Tablets",
     "Oral - Tablets"},
    {"PB", "Intermittent IV - Injection", "IM - Injection", "Oral - Tablets", "Oral - Tablets",
     "Oral - Tablets"},
    {"QD", "Intermittent IV - Injection(Gluconate)", "IM - Injection(Gluconate)",
     "Oral - Immediate - Release Tablets (Sulfate)", "Oral - Immediate - Release Tablets (Sulfate)",
     "Oral - Immediate - Release Tablets (Sulfate)"},
    {"TH", "Intermittent IV - Injection (Aminophylline)", "Oral - Tablets (Theo - dur 200,300 mg)",
     "Oral - Tablets (Theo - dur 200,300 mg)", "Oral - Tablets (Theo - dur 200,300 mg)",
     "Oral - Tablets (Theo - dur 200,300 mg)"},
    {"VM", "Intermittent IV - Injection", "Intermittent IV - Injection",
     "Intermittent IV - Injection", "Intermittent IV - Injection", "Intermittent IV - Injection"},
    {"LI", "Oral - Capsules", "Oral - Capsules", "Oral - Capsules", "Oral - Capsules",
     "Oral - Capsules"},
    {"FC", "Intermittent IV - Injection", "Oral - Capsules", "Oral - Capsules", "Oral - Capsules",
     "Oral - Capsules"},
    {"CX OX", "Intermittent IV - Injection", "Oral - Tablets", "Oral - Tablets", "Oral - Tablets",
     "Oral - Tablets"},
    {"PC", "Intermittent IV - Injection", "IM - Injection", "Oral - Fast - Release Capsules",
     "Oral - Fast - Release Capsules", "Oral - Fast - Release Capsules"},
    {"VP", "Intermittent IV - Injection", "IM - Injection", "Oral - Valproic Acid Syrup",
     "Oral - Divalproex Extended - Release Capsules", "Oral - Divalproex Fast - Release Tables"},
    {"PH", "Intermittent IV - Injection", "IM - Injection (Fosphenytoin)", "Oral - Suspension",
     "Oral - Capsules", "Oral - Tablets"},
};

const char* const oralPrefix = "Oral - ";

const char* pick(const RouteRow& row, const QString& routeCode)
{
    if (routeCode == QLatin1String("IV"))
        return row.iv;
    if (routeCode == QLatin1String("IM"))
        return row.im;
    if (routeCode == QLatin1String("S"))
        return row.suspension;
    if (routeCode == QLatin1String("C"))
        return row.capsules;
    return row.other;
}
} // namespace

QString convertRouteName(const QString& drugCode, const QString& routeCode, const QString& oralForm)
{
    if (drugCode == QLatin1String(userChoiceCode)) {
        if (routeCode == QLatin1String("IV"))
            return QStringLiteral("Intermittent IV - ");
        if (routeCode == QLatin1String("IM"))
            return QStringLiteral("IM - ");
        return QLatin1String(oralPrefix) + oralForm;
    }
    for (const RouteRow& row : routeRows) {
        if (QString::fromLatin1(row.drugs).split(QLatin1Char(' ')).contains(drugCode))
            return QLatin1String(pick(row, routeCode));
    }
    return QString();
}
