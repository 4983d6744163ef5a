#include "app/PasswordEncoding.h"

#include "app/hashwrapper.h"

#include <QVector>

namespace
{
constexpr int alphabetLength = int(sizeof(passwordAlphabet)) - 1;
static_assert(sizeof(passwordAlphabet) == sizeof(passwordSubstitutes),
              "both alphabets have the same length");
static_assert(alphabetLength == 89, "the alphabet has 89 characters");

int alphabetPosition(QChar c)
{
    if (c.unicode() > 0x7f)
        return -1;
    const char ascii = char(c.unicode());
    for (int p = 0; p < alphabetLength; ++p) {
        if (passwordAlphabet[p] == ascii)
            return p;
    }
    return -1;
}
} // namespace

QString encodePasswordText(const QString& password)
{
    QString substituted = password;
    for (int i = 0; i < password.size(); ++i) {
        const int p = alphabetPosition(password.at(i));
        if (p >= 0)
            substituted[i] = QLatin1Char(passwordSubstitutes[p]);
    }
    md5wrapper md5;
    return md5.hashString(substituted.toUtf8());
}

bool passwordCharactersAllowed(const QString& password, QString* refused)
{
    QVector<uint> refusedCodePoints;
    for (const uint codePoint : password.toUcs4()) {
        const bool inAlphabet = codePoint <= 0x7f && alphabetPosition(QChar(codePoint)) >= 0;
        if (!inAlphabet && !refusedCodePoints.contains(codePoint))
            refusedCodePoints.append(codePoint);
    }
    if (refused)
        *refused = QString::fromUcs4(refusedCodePoints.constData(), refusedCodePoints.size());
    return refusedCodePoints.isEmpty();
}
