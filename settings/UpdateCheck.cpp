#include "settings/UpdateCheck.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QRegularExpression>
#include <QStringList>
#include <QUrlQuery>

#include <optional>

#ifndef TALVORA_UPDATE_URL
#define TALVORA_UPDATE_URL "https://updates.talvora.example/"
#endif

namespace
{

const char* const checkPath = "update/updateSoftware.php";
const char* const versionKey = "version";
const char* const upToDateStart = "NO";
const char* const upToDateEnd = "UPDATE";
const char* const sha256Prefix = "sha256=";
constexpr int sha256HexLength = 64;
const char* const secureScheme = "https";

std::optional<UpdateEndpoint>& replacedEndpoint()
{
    static std::optional<UpdateEndpoint> endpoint;
    return endpoint;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("UpdateCheck", text);
}

QVector<int> versionParts(const QString& text, bool* ok)
{
    static const QRegularExpression pattern(QStringLiteral("^v?(\\d{1,9})(\\.\\d{1,9}){0,3}$"));
    QVector<int> parts;
    *ok = pattern.match(text).hasMatch();
    if (!*ok)
        return parts;
    const QString digits = text.startsWith(QLatin1Char('v')) ? text.mid(1) : text;
    for (const QString& part : digits.split(QLatin1Char('.')))
        parts << part.toInt();
    return parts;
}

bool isLoopback(const QString& host)
{
    return host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
}

// The installer line and the optional checksum line after the version.
UpdateOffer readInstaller(UpdateOffer offer, const QStringList& lines,
                          const UpdateEndpoint& endpoint)
{
    offer.installer = QUrl(lines.value(1).trimmed(), QUrl::StrictMode);
    if (const QString problem = UpdateCheck::installerProblem(offer.installer, endpoint);
        !problem.isEmpty()) {
        offer.problem = problem;
        return offer;
    }
    const QString checksum = lines.value(2).trimmed();
    if (checksum.startsWith(QLatin1String(sha256Prefix))) {
        const QString hex = checksum.mid(int(qstrlen(sha256Prefix)));
        static const QRegularExpression hexPattern(QStringLiteral("^[0-9a-fA-F]+$"));
        if (hex.size() != sha256HexLength || !hexPattern.match(hex).hasMatch()) {
            offer.problem = tr("The update service sent a checksum that cannot be read.");
            return offer;
        }
        offer.sha256 = QByteArray::fromHex(hex.toLatin1());
    }
    offer.answer = UpdateAnswer::Newer;
    return offer;
}

} // namespace

UpdateEndpoint UpdateEndpoint::built()
{
    UpdateEndpoint endpoint;
    endpoint.base = QUrl(QStringLiteral(TALVORA_UPDATE_URL));
    return endpoint;
}

UpdateEndpoint UpdateEndpoint::current()
{
    return replacedEndpoint() ? *replacedEndpoint() : built();
}

void UpdateEndpoint::setCurrent(const UpdateEndpoint& endpoint)
{
    replacedEndpoint() = endpoint;
}

namespace UpdateCheck
{

QUrl requestUrl(const UpdateEndpoint& endpoint, const QString& runningVersion)
{
    QUrl url = endpoint.base.resolved(QUrl(QLatin1String(checkPath)));
    QUrlQuery query;
    query.addQueryItem(QLatin1String(versionKey), runningVersion);
    url.setQuery(query);
    return url;
}

int compareVersions(const QString& left, const QString& right, bool* ok)
{
    bool leftOk = false;
    bool rightOk = false;
    const QVector<int> a = versionParts(left, &leftOk);
    const QVector<int> b = versionParts(right, &rightOk);
    *ok = leftOk && rightOk;
    if (!*ok)
        return 0;
    for (int i = 0; i < qMax(a.size(), b.size()); ++i) {
        const int difference = a.value(i) - b.value(i);
        if (difference != 0)
            return difference;
    }
    return 0;
}

QString installerProblem(const QUrl& url, const UpdateEndpoint& endpoint)
{
    if (!url.isValid() || url.isRelative())
        return tr("The update service did not send a valid installer address.");
    // A loopback service is a test or a local mirror; every other one must be reached securely.
    const bool secure =
        url.scheme() == QLatin1String(secureScheme) ||
        (isLoopback(endpoint.base.host()) && url.scheme() == endpoint.base.scheme());
    const bool sameHost = url.host().compare(endpoint.base.host(), Qt::CaseInsensitive) == 0 &&
                          url.port() == endpoint.base.port();
    if (!secure || !sameHost)
        return tr("The installer address %1 is not on the update service's own secure address; "
                  "nothing was downloaded.")
            .arg(url.toDisplayString());
    if (installerFileName(url).isEmpty())
        return tr("The installer address %1 names no file.").arg(url.toDisplayString());
    return QString();
}

QString networkProblem(QNetworkReply::NetworkError error, const QUrl& url, const QString& errorText)
{
    switch (error) {
    case QNetworkReply::NoError:
        return QString();
    // A request that outlives its timeout is aborted, which Qt reports as cancelled.
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
        return tr("The update service at %1 did not answer; please try again later.")
            .arg(url.host());
    // The request is sent once; a service that hangs up before answering ends it here.
    case QNetworkReply::ContentReSendError:
        return tr("The update service at %1 closed the connection without an answer; please try "
                  "again later.")
            .arg(url.host());
    // A hang-up after the answer began.
    case QNetworkReply::RemoteHostClosedError:
        return tr("The update service at %1 closed the connection before its answer was "
                  "complete; please try again later.")
            .arg(url.host());
    case QNetworkReply::HostNotFoundError:
        return tr("The update service's host %1 cannot be found; please check the network "
                  "connection.")
            .arg(url.host());
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::UnknownNetworkError:
        return tr("The update service at %1 cannot be reached; please check the network "
                  "connection or try again later.")
            .arg(url.host());
    default:
        return errorText;
    }
}

QString installerFileName(const QUrl& url)
{
    const QString name = url.fileName(QUrl::FullyDecoded);
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1Char('/')) ||
        name.contains(QLatin1Char('\\')))
        return QString();
    return name;
}

UpdateOffer readReply(const QString& text, const QString& runningVersion,
                      const UpdateEndpoint& endpoint)
{
    UpdateOffer offer;
    if (text.startsWith(QLatin1String(upToDateStart))) {
        offer.answer = text.trimmed().endsWith(QLatin1String(upToDateEnd)) ? UpdateAnswer::UpToDate
                                                                           : UpdateAnswer::Ignored;
        return offer;
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    offer.version = lines.first().trimmed();
    const int lineFeed = text.indexOf(QLatin1Char('\n'));
    offer.afterFirstLine = lineFeed < 0 ? QString() : text.mid(lineFeed);
    bool ok = false;
    const int order = compareVersions(offer.version, runningVersion, &ok);
    if (!ok) {
        offer.problem = tr("The update service sent a reply that names no version.");
        return offer;
    }
    if (order <= 0) {
        offer.answer = UpdateAnswer::UpToDate;
        return offer;
    }
    return readInstaller(offer, lines, endpoint);
}

} // namespace UpdateCheck
