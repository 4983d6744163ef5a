#pragma once

#include <QString>

// A patient's sex; stored as "M" or "F". A sex not yet chosen has no text.
enum class Sex { Unknown, Male, Female };

inline QString sexText(Sex sex)
{
    if (sex == Sex::Unknown)
        return QString();
    return sex == Sex::Male ? QStringLiteral("M") : QStringLiteral("F");
}

inline Sex sexFromText(const QString& text)
{
    if (text == QLatin1String("M"))
        return Sex::Male;
    if (text == QLatin1String("F"))
        return Sex::Female;
    return Sex::Unknown;
}
