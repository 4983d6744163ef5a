#include "platform/DatabaseKey.h"

namespace
{
// Ten characters, fixed for the life of every database this program has keyed.
constexpr char keyPrefix[] = "Tv7#qL2x!R";
static_assert(sizeof(keyPrefix) - 1 == 10, "the key prefix has exactly ten characters");
} // namespace

QString builtInSiteName()
{
    return QStringLiteral(TALVORA_SITE_NAME);
}

QString databaseKeyFor(const QString& siteName)
{
    return QLatin1String(keyPrefix) + siteName;
}
