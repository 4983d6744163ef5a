#include "pkcore/DrugInfo.h"

#include "pkcore/DrugCodes.h"
#include "pkcore/DrugInfoDetail.h"
#include "pkcore/SessionData.h"

#include <QComboBox>

#include <initializer_list>

namespace
{
struct RouteSet {
    std::initializer_list<const char*> codes;
    std::initializer_list<const char*> items; // in the order they are offered
    const char* selected;                     // current after a selector is filled
};

// Item texts are exact, blanks included ("Injection(Gluconate)" has none before the bracket).
const RouteSet kRouteSets[] = {
    {{"GM", "AK", "NM", "TM"},
     {"Intermittent IV - Injection", "IM - Injection"},
     "Intermittent IV - Injection"},
    {{"VM"}, {"Intermittent IV - Injection"}, "Intermittent IV - Injection"},
    {{"DG"},
     {"Intermittent IV - Injection", "Oral - Tablets", "Oral - Elixir", "Oral - Capsules"},
     "Intermittent IV - Injection"},
    {{"PB"},
     {"Intermittent IV - Injection", "IM - Injection", "Oral - Tablets", "Oral - Elixir"},
     "Intermittent IV - Injection"},
    {{"QD"},
     {"Intermittent IV - Injection(Gluconate)", "IM - Injection(Gluconate)",
      "Oral - Immediate - Release Tablets (Sulfate)", "Oral - Sustained - Release (Gluconate)",
      "Oral - Dura - Tabs Tablets (Quinaglute)", "Oral - Tablets (Cardioquin)"},
     "Intermittent IV - Injection(Gluconate)"},
    {{"TH"},
     {"Intermittent IV - Injection (Aminophylline)", "Intermittent IV - Injection",
      "Continuous IV - Injection (Aminophylline)", "Continuous IV - Injection",
      "Oral - Tablets (Theo - dur 200,300 mg)", "Oral - Tablets (Theo - dur 100 mg)",
      "Oral - Tablets (Aminophylline)", "Oral - Tablets", "Oral - Liquids (Aminophylline)",
      "Oral - Liquids"},
     "Intermittent IV - Injection (Aminophylline)"},
    {{"LI"},
     {"Oral - Capsules", "Oral - Syrup", "Oral - Tablets", "Oral - Tablets (Eskalith CR)"},
     "Oral - Capsules"},
    {{"FC"}, {"Intermittent IV - Injection", "Oral - Capsules"}, "Intermittent IV - Injection"},
    {{"CX", "OX"},
     {"Intermittent IV - Injection", "Oral - Tablets"},
     "Intermittent IV - Injection"},
    {{"PC"},
     {"Intermittent IV - Injection", "Continuous IV - Injection", "IM - Injection",
      "Oral - Fast - Release Capsules", "Oral - Slow - Release Capsules"},
     "Intermittent IV - Injection"},
    {{"VP"},
     {"Intermittent IV - Injection", "Continuous IV - Injection", "IM - Injection",
      "Oral - Divalproex Fast - Release Tables", "Oral - Divalproex Extended - Release Capsules",
      "Oral - Valproic Acid Capsules", "Oral - Valproic Acid Syrup"},
     "Intermittent IV - Injection"},
    {{"PH"},
     {"Intermittent IV - Injection", "Intermittent IV - Injection (Fosphenytoin)",
      "IM - Injection (Fosphenytoin)", "Oral - Capsules", "Oral - Suspension", "Oral - Tablets"},
     "Intermittent IV - Injection"},
};

// A user's-choice route exists exactly when its salt factor was entered.
QVector<QString> userChoiceRoutes(const UserChoiceRecord& userChoice)
{
    QVector<QString> items;
    if (!userChoice.ivSaltText.isEmpty()) {
        items.append(QStringLiteral("Intermittent IV - "));
        items.append(QStringLiteral("Continuous IV - "));
    }
    if (!userChoice.imSaltText.isEmpty())
        items.append(QStringLiteral("IM - "));
    if (!userChoice.oralSaltText.isEmpty())
        items.append(QStringLiteral("Oral - ") + userChoice.oralFormText);
    return items;
}

const RouteSet* routeSetOf(const QString& drugCode)
{
    return druginfo::entryForDrug(kRouteSets, drugCode);
}
} // namespace

QVector<QString> DrugInfo::routeItems(const QString& drugCode, const UserChoiceRecord& userChoice,
                                      bool skipUserChoice)
{
    if (drugCode == QLatin1String(userChoiceCode))
        return skipUserChoice ? QVector<QString>() : userChoiceRoutes(userChoice);
    QVector<QString> items;
    if (const RouteSet* set = routeSetOf(drugCode)) {
        for (const char* item : set->items)
            items.append(QString::fromLatin1(item));
    }
    return items;
}

QString DrugInfo::defaultRouteItem(const QString& drugCode)
{
    const RouteSet* set = routeSetOf(drugCode);
    return set ? QString::fromLatin1(set->selected) : QString();
}

QString DrugInfo::dosageFormOf(const QString& routeItem)
{
    const int hyphen = routeItem.indexOf(QLatin1Char('-'));
    // The hyphen and the one blank behind it separate the route from the product.
    const int separatorLength = 2;
    if (hyphen < 0)
        return QString();
    return routeItem.mid(hyphen + separatorLength);
}

int DrugInfo::indexOfText(const QVector<QString>& list, const QString& text)
{
    return list.indexOf(text);
}

void DrugInfo::fillRouteCombo(QComboBox* combo)
{
    if (!combo)
        return;
    const QString& code = sessionData->patient.drugCode;
    combo->clear();
    for (const QString& item : routeItems(code, sessionData->userChoice, false))
        combo->addItem(item);
    const QString selected = defaultRouteItem(code);
    if (!selected.isEmpty()) {
        const int index = combo->findText(selected, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            combo->setCurrentIndex(index);
    }
}

void DrugInfo::fillRouteList(QString drugCode, QVector<QString>* list, bool skipUserChoice)
{
    if (list)
        *list = routeItems(drugCode, sessionData->userChoice, skipUserChoice);
}
