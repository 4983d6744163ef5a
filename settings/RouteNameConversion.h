#pragma once

#include <QString>

// The route-and-product text of a dose row for an older route code ("IV", "IM", "S" for
// suspension or syrup, "C" for capsules, anything else the drug's remaining oral product),
// compared exactly. The user's-choice drug ("ZZ") names its oral product by oralForm. A drug
// code outside the older product's list gives an empty text.
QString convertRouteName(const QString& drugCode, const QString& routeCode,
                         const QString& oralForm);
