#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QString>
#include <QUrl>

// Where the update service answers. The address is fixed when the program is built; tests put a
// loopback server in its place.
struct UpdateEndpoint {
    static constexpr int defaultTimeoutMs = 30000;
    static constexpr int noTimeout = 0;

    QUrl base; // ends with "/"; the check's path is appended to it
    quint16 tcpPort = 50505;
    // How long a request may go without an answer before it is given up; noTimeout waits on.
    int timeoutMs = defaultTimeoutMs;

    // The address this build was made with.
    static UpdateEndpoint built();
    // The address the program uses: the built one unless a test replaced it.
    static UpdateEndpoint current();
    static void setCurrent(const UpdateEndpoint& endpoint);
};

enum class UpdateAnswer {
    Newer,      // a newer version and where its installer is
    UpToDate,   // the service says so, or announces a version not newer than ours
    Ignored,    // "NO" without "UPDATE": the service has nothing to say
    Unreadable, // not a reply this program trusts; `problem` says why
};

struct UpdateOffer {
    UpdateAnswer answer = UpdateAnswer::Unreadable;
    QString version;        // the announced version
    QString afterFirstLine; // the reply from its first line feed on, line feed included
    QUrl installer;
    QByteArray sha256; // raw digest the installer must have; empty when the service sent none
    QString problem;
};

namespace UpdateCheck
{
// A reply larger than this is not an update answer.
inline constexpr int maxReplyBytes = 4096;
// No installer of this program comes near this size; a larger one is refused unread.
inline constexpr qint64 maxInstallerBytes = qint64(1) << 30;
inline constexpr int tcpConnectTimeoutMs = 30000;

// The check's address; it carries the running version and nothing else about the installation.
QUrl requestUrl(const UpdateEndpoint& endpoint, const QString& runningVersion);

// Reads the service's text answer. A newer version is believed only when it is a version text
// greater than the running one and its installer lies on the service's own address.
UpdateOffer readReply(const QString& text, const QString& runningVersion,
                      const UpdateEndpoint& endpoint);

// Compares two version texts ("v1.2.3" or "1.2.3") part by part as numbers: negative, zero or
// positive; `ok` is false when either is not a version text.
int compareVersions(const QString& left, const QString& right, bool* ok);

// Empty when the installer may be fetched from `url`; otherwise the reason it may not.
QString installerProblem(const QUrl& url, const UpdateEndpoint& endpoint);

// What a failed request to `url` means for the user: a service that did not answer in time or
// hung up without an answer, a host that cannot be found or reached; any other failure keeps the
// network's own `errorText`.
QString networkProblem(QNetworkReply::NetworkError error, const QUrl& url,
                       const QString& errorText);

// The installer's file name, decoded; empty when the address names no plain file.
QString installerFileName(const QUrl& url);
} // namespace UpdateCheck
