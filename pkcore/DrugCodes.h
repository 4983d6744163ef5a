#pragma once

#include <QString>

// The codes of the drugs that take roads of their own.
inline constexpr char phenytoinCode[] = "PH";
inline constexpr char userChoiceCode[] = "ZZ";
// Drugs without a factor list.
inline constexpr char flucytosineCode[] = "FC";
inline constexpr char valproateCode[] = "VP";

// A two-character argument is a drug code and gives the drug's name ("None" when unknown); any
// other text is a name and gives its code ("ZZ" for a name beginning "User's Choice", else "No").
QString drugCode(const QString& text);

// The route letter of a route-and-product text such as "Oral - Tablets": 'D', 'O', 'I', 'C' or
// 'X'.
char routeCode(const QString& routeText);

// The stored date text "yyyy-MM-dd" (month and day below 10 get a leading zero).
QString dateString(int year, int month, int day);
