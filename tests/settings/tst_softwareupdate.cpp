#include "app/ProgramConfig.h"
#include "app/shell/UpdateReminder.h"
#include "pkcore/SessionData.h"
#include "platform/DesktopOpener.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"
#include "settings/ProgramSettingPage.h"
#include "settings/UpdateCheck.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"
#include "tests/support/WindowFit.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrlQuery>

#include <memory>

namespace
{

constexpr int stallTrickleMs = 300;

const QString running = QLatin1String(programVersionText);
const QString newer = QStringLiteral("v99.0.1");
const QString installerName = QStringLiteral("TalvoraSetup.exe");
const QByteArray installerBytes = QByteArray(200000, 'x') + "end";

// One canned HTTP answer per request path, on loopback. A reply can stop short of what its
// header declares and then hold the connection open, as a stalled or cut download does.
class LoopbackHttp : public QObject
{
public:
    struct Answer {
        QByteArray head = "HTTP/1.1 200 OK";
        QByteArray body;
        qint64 declaredLength = -1; // -1: the body's own length
        int sentBytes = -1;         // -1: the whole body
        bool closeAfter = true;
        int hangUpAfterMs = -1; // when it does not close at once: -1 keeps the connection open
        bool answers = true;    // false: reads the request and hangs up without a word
    };

    LoopbackHttp()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        });
    }

    QString base() const
    {
        return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort());
    }
    void answer(const QString& path, const Answer& answer) { m_answers[path] = answer; }
    QUrl lastRequest;
    QHash<QString, int> requests; // per path

private:
    void serve(QTcpSocket* socket)
    {
        const QByteArray request = socket->readAll();
        const QList<QByteArray> words = request.split(' ');
        lastRequest = QUrl(base()).resolved(QUrl(QString::fromLatin1(words.value(1))));
        const Answer a = m_answers.value(lastRequest.path());
        ++requests[lastRequest.path()];
        if (!a.answers) {
            socket->close();
            return;
        }
        const qint64 length = a.declaredLength < 0 ? a.body.size() : a.declaredLength;
        socket->write(a.head + "\r\nContent-Length: " + QByteArray::number(length) +
                      "\r\nConnection: close\r\n\r\n");
        socket->write(a.sentBytes < 0 ? a.body : a.body.left(a.sentBytes));
        if (a.closeAfter) {
            socket->disconnectFromHost();
            return;
        }
        // A stalled download still trickles once, after the client's progress interval.
        QTimer::singleShot(stallTrickleMs, socket,
                           [socket, a] { socket->write(a.body.mid(a.sentBytes, a.sentBytes)); });
        if (a.hangUpAfterMs >= 0)
            QTimer::singleShot(a.hangUpAfterMs, socket, &QTcpSocket::close);
    }

    QTcpServer m_server;
    QHash<QString, Answer> m_answers;
};

const QString checkPath = QStringLiteral("/update/updateSoftware.php");

struct Installation {
    TestEnvironment env;
    ProgramConfig config;
    SessionData session{qApp};
    LoopbackHttp http;
    QTemporaryDir downloads;
    std::unique_ptr<ProgramSettingPage> page;
    QList<QUrl> opened;

    Installation()
    {
        env.openAsProgram(config);
        UpdateEndpoint::setCurrent({QUrl(http.base()), 50505});
        DesktopOpener::setHandler([this](const QUrl& url) {
            opened << url;
            return true;
        });
        session.loggedIn = true;
        page = std::make_unique<ProgramSettingPage>(nullptr, nullptr, nullptr, &config, &session);
    }
    ~Installation() { DesktopOpener::setHandler({}); }

    QString stored(const char* key) const
    {
        return SettingsFile(env.settingsPath()).value(QLatin1String(key), QStringLiteral("-"));
    }
    QByteArray settingsBytes() const
    {
        QFile file(env.settingsPath());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }
    template <typename T> T* find(const char* name) const
    {
        return page->findChild<T*>(QLatin1String(name));
    }
    QString target() const { return downloads.path() + QLatin1Char('/') + installerName; }

    void offer(const QByteArray& extraLines = QByteArray())
    {
        LoopbackHttp::Answer reply;
        reply.body = newer.toUtf8() + "\n" + http.base().toUtf8() + "files/" +
                     installerName.toUtf8() + "\n" + extraLines;
        http.answer(checkPath, reply);
    }
    void serveInstaller(const LoopbackHttp::Answer& answer)
    {
        http.answer(QStringLiteral("/files/") + installerName, answer);
    }
    // Runs the check and waits for the download (when one starts) to end.
    void check()
    {
        page->on_button_version_update_clicked();
        QTRY_VERIFY(page->cursor().shape() == Qt::ArrowCursor);
        QTRY_VERIFY(find<QPushButton>("button_version_update")->isEnabled());
    }
};

// The warnings Qt prints while it lives, for a test to assert that none came.
class WarningLog
{
public:
    WarningLog() : m_previous(qInstallMessageHandler(record)) { lines().clear(); }
    ~WarningLog() { qInstallMessageHandler(m_previous); }
    QString text() const { return lines().join(QLatin1Char('\n')); }

private:
    static QStringList& lines()
    {
        static QStringList recorded;
        return recorded;
    }
    static void record(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            lines() << message;
    }
    QtMessageHandler m_previous;
};

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

} // namespace

class SoftwareUpdateTest : public QObject
{
    Q_OBJECT
private slots:
    void aReplyIsTrustedOnlyWhenWellFormed_data();
    void aReplyIsTrustedOnlyWhenWellFormed();
    void theCheckSendsTheRunningVersionOnly();
    void anUpToDateAnswerSpeaksOnlyOnScreen();
    void theMonthlyCheckRunsOnceOnTheFirst();
    void aSilentCheckBringsTheDialogUpAndInstalls();
    void badRepliesChangeNothing_data();
    void badRepliesChangeNothing();
    void aFailedCheckSaysWhatHappened_data();
    void aFailedCheckSaysWhatHappened();
    void aBrokenDownloadLeavesTheEarlierFileWhole_data();
    void aBrokenDownloadLeavesTheEarlierFileWhole();
    void theTcpCheckSpeaksItsFraming();
};

void SoftwareUpdateTest::aReplyIsTrustedOnlyWhenWellFormed_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("answer");
    const int newerAnswer = int(UpdateAnswer::Newer);
    const int upToDate = int(UpdateAnswer::UpToDate);
    const int unreadable = int(UpdateAnswer::Unreadable);
    const QString url = QStringLiteral("\nhttps://updates.test/files/Setup.exe");
    QTest::newRow("newer") << newer + url << newerAnswer;
    QTest::newRow("newer by a part") << QStringLiteral("v0.14.12.24") + url << newerAnswer;
    QTest::newRow("equal") << running + url << upToDate;
    QTest::newRow("older, numerically") << QStringLiteral("v0.9.99") + url << upToDate;
    QTest::newRow("service's no-update") << QStringLiteral("NO UPDATE\n") << upToDate;
    QTest::newRow("service's nothing") << QStringLiteral("NO DATA") << int(UpdateAnswer::Ignored);
    QTest::newRow("garbage") << QStringLiteral("<html>error</html>") << unreadable;
    QTest::newRow("empty") << QString() << unreadable;
    QTest::newRow("no installer") << newer << unreadable;
    QTest::newRow("foreign host") << newer + QStringLiteral("\nhttps://evil.test/Setup.exe")
                                  << unreadable;
    QTest::newRow("plain http") << newer + QStringLiteral("\nhttp://updates.test/Setup.exe")
                                << unreadable;
    QTest::newRow("no file name") << newer + QStringLiteral("\nhttps://updates.test/files/")
                                  << unreadable;
    QTest::newRow("bad checksum") << newer + url + QStringLiteral("\nsha256=12ab") << unreadable;
}

void SoftwareUpdateTest::aReplyIsTrustedOnlyWhenWellFormed()
{
    QFETCH(QString, reply);
    QFETCH(int, answer);
    const UpdateEndpoint endpoint{QUrl(QStringLiteral("https://updates.test/")), 50505};
    const UpdateOffer offer = UpdateCheck::readReply(reply, running, endpoint);
    QCOMPARE(int(offer.answer), answer);
    QCOMPARE(offer.problem.isEmpty(), answer != int(UpdateAnswer::Unreadable));
}

void SoftwareUpdateTest::theCheckSendsTheRunningVersionOnly()
{
    const QUrl url = UpdateCheck::requestUrl({QUrl(QStringLiteral("https://updates.test/")), 50505},
                                             QStringLiteral("v1.0&name=x"));
    QCOMPARE(url.path(), checkPath);
    const QUrlQuery query(url);
    QCOMPARE(query.queryItems(QUrl::FullyDecoded).size(), 1);
    QCOMPARE(query.queryItemValue(QStringLiteral("version"), QUrl::FullyDecoded),
             QStringLiteral("v1.0&name=x"));
}

void SoftwareUpdateTest::anUpToDateAnswerSpeaksOnlyOnScreen()
{
    PromptScript prompts;
    Installation install;
    LoopbackHttp::Answer reply;
    reply.body = "NO UPDATE";
    install.http.answer(checkPath, reply);

    install.check(); // off screen: nothing shown, next start of the day does not ask again
    QCOMPARE(prompts.takeShown(), QString());
    QCOMPARE(install.stored(SettingsKeys::updatePrompt), QStringLiteral("No"));
    QCOMPARE(install.stored(SettingsKeys::updateNewVersion), QStringLiteral("-"));

    install.page->show();
    install.check();
    QCOMPARE(prompts.takeShown(), QStringLiteral("Update|Current version is the newest version."));
    QCOMPARE(install.stored(SettingsKeys::updateNewVersion), running);
    QCOMPARE(QUrlQuery(install.http.lastRequest).queryItemValue(QStringLiteral("version")),
             running);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void SoftwareUpdateTest::theMonthlyCheckRunsOnceOnTheFirst()
{
    PromptScript prompts;
    Installation install;
    LoopbackHttp::Answer reply;
    reply.body = "NO UPDATE";
    install.http.answer(checkPath, reply);
    const QDate first(2026, 12, 1);

    QCOMPARE(UpdateReminder::run(install.env.settingsPath(), first).action,
             UpdateReminder::Action::StartCheck);
    install.check();
    // The silent up-to-date answer keeps later starts of the same day from asking again.
    QCOMPARE(UpdateReminder::run(install.env.settingsPath(), first).action,
             UpdateReminder::Action::ShowNotice);
    QCOMPARE(UpdateReminder::run(install.env.settingsPath(), first.addDays(1)).action,
             UpdateReminder::Action::ShowNotice);
    QCOMPARE(UpdateReminder::run(install.env.settingsPath(), first.addMonths(1)).action,
             UpdateReminder::Action::StartCheck);
    QCOMPARE(prompts.takeShown(), QString());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void SoftwareUpdateTest::aSilentCheckBringsTheDialogUpAndInstalls()
{
    PromptScript prompts;
    Installation install;
    const QByteArray digest = QCryptographicHash::hash(installerBytes, QCryptographicHash::Sha256);
    install.offer("sha256=" + digest.toHex());
    LoopbackHttp::Answer file;
    file.body = installerBytes;
    install.serveInstaller(file);
    QSignalSpy exits(install.page.get(), &ProgramSettingPage::version_update_exit);

    MessageBox::setNextAnswer(QMessageBox::Yes); // download
    FileDialog::setNextPath(install.downloads.path());
    MessageBox::setNextAnswer(QMessageBox::Yes); // install
    install.check();

    QVERIFY(install.page->isVisible());
    QCOMPARE(install.page->findChild<QTabWidget*>()->currentIndex(),
             ProgramSettingPage::versionPage);
    QCOMPARE(readFile(install.target()), installerBytes);
    QCOMPARE(QDir(install.downloads.path()).entryList(QDir::Files), QStringList{installerName});
    QCOMPARE(install.stored(SettingsKeys::updateNewVersion), newer);
    QCOMPARE(install.stored(SettingsKeys::updatePrompt), QStringLiteral("Yes"));
    QCOMPARE(install.opened, QList<QUrl>{QUrl::fromLocalFile(install.downloads.path())});
    QVERIFY(install.session.closeWithoutAsking);
    QCOMPARE(exits.count(), 1);
    QVERIFY(prompts.takeShown().startsWith(
        QStringLiteral("Update|There is a newer version of Talvora.\nDo you want")));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void SoftwareUpdateTest::badRepliesChangeNothing_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("declared");
    QTest::newRow("404") << QByteArray("HTTP/1.1 404 Not Found") << QByteArray("x") << -1;
    QTest::newRow("500") << QByteArray("HTTP/1.1 500 Oops") << QByteArray("x") << -1;
    QTest::newRow("redirect elsewhere")
        << QByteArray("HTTP/1.1 302 Found\r\nLocation: http://198.51.100.1/") << QByteArray() << -1;
    QTest::newRow("garbage") << QByteArray("HTTP/1.1 200 OK") << QByteArray("\x01\xff garbage")
                             << -1;
    QTest::newRow("empty") << QByteArray("HTTP/1.1 200 OK") << QByteArray() << -1;
    QTest::newRow("truncated") << QByteArray("HTTP/1.1 200 OK") << QByteArray("v99.") << 500;
    QTest::newRow("huge") << QByteArray("HTTP/1.1 200 OK") << QByteArray(5000, 'v') << -1;
}

void SoftwareUpdateTest::badRepliesChangeNothing()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, body);
    QFETCH(int, declared);
    PromptScript prompts;
    Installation install;
    LoopbackHttp::Answer reply{head, body, declared};
    install.http.answer(checkPath, reply);
    const QByteArray before = install.settingsBytes();

    install.check(); // off screen: silent
    QCOMPARE(prompts.takeShown(), QString());
    install.page->show();
    install.check();
    QCOMPARE(prompts.take().size(), size_t(1));
    QCOMPARE(install.settingsBytes(), before);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void SoftwareUpdateTest::aFailedCheckSaysWhatHappened_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("requests"); // as the service saw them
    QTest::newRow("accepts, never answers")
        << "silent"
        << "The update service at 127.0.0.1 did not answer; please try again later." << 1;
    QTest::newRow("reads the request, hangs up")
        << "hangsup"
        << "The update service at 127.0.0.1 closed the connection without an answer; please try "
           "again later."
        << 1;
    QTest::newRow("unknown host") << "nohost"
                                  << "The update service's host nohost.invalid cannot be found; "
                                     "please check the network connection."
                                  << 0;
    QTest::newRow("closed port") << "closed"
                                 << "The update service at 127.0.0.1 cannot be reached; please "
                                    "check the network connection or try again later."
                                 << 0;
}

void SoftwareUpdateTest::aFailedCheckSaysWhatHappened()
{
    QFETCH(QString, service);
    QFETCH(QString, text);
    QFETCH(int, requests);
    constexpr int shortTimeoutMs = 200;
    constexpr int hangUpAfterTimeoutMs = 100;
    constexpr int readingMs = 600;
    PromptScript prompts;
    prompts.holdEachBox(readingMs);
    Installation install;
    install.page->show();
    // Nobody answers; the service hangs up a little after the check gave up, while the user
    // still reads its message, and the network then reports on the reply once more.
    // One that hangs up does so as soon as it has read the request.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    int received = 0;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        QTcpSocket* socket = server.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [&, socket] {
            received += socket->readAll().count("GET ");
            if (service == QLatin1String("hangsup"))
                socket->close();
        });
        QTimer::singleShot(shortTimeoutMs + hangUpAfterTimeoutMs, socket, &QTcpSocket::close);
    });
    const QString loopback = QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());
    if (service == QLatin1String("closed"))
        server.close();
    const QUrl base(service == QLatin1String("nohost") ? QStringLiteral("http://nohost.invalid/")
                                                       : loopback);
    UpdateEndpoint::setCurrent({base, 50505, shortTimeoutMs});
    const WarningLog warnings;
    auto* button = install.find<QPushButton>("button_version_update");
    QTest::mouseClick(button, Qt::LeftButton);
    // While it waits the check says so, and a second click starts nothing.
    QCOMPARE(install.find<QLabel>("label_download_url")->text(),
             "Checking for a newer version at " + base.host() + "...");
    QVERIFY(!button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(button->isEnabled());
    QCOMPARE(install.find<QLabel>("label_download_url")->text(), QString());
    QCOMPARE(prompts.takeShown(), QStringLiteral("Network Connection|") + text);
    QCOMPARE(received, requests);
    QVERIFY2(warnings.text().isEmpty(), qPrintable(warnings.text()));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void SoftwareUpdateTest::aBrokenDownloadLeavesTheEarlierFileWhole_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("cancelled midway") << QStringLiteral("cancel");
    QTest::newRow("cut short") << QStringLiteral("cut");
    QTest::newRow("checksum differs") << QStringLiteral("checksum");
    QTest::newRow("installer missing") << QStringLiteral("404");
    QTest::newRow("declared beyond the ceiling") << QStringLiteral("oversize");
    QTest::newRow("stalls, then hangs up while the failure is read") << QStringLiteral("stall");
    QTest::newRow("hangs up without answering") << QStringLiteral("hangup");
}

void SoftwareUpdateTest::aBrokenDownloadLeavesTheEarlierFileWhole()
{
    QFETCH(QString, how);
    constexpr int stallTimeoutMs = 200;
    constexpr int readingMs = 600;
    PromptScript prompts;
    Installation install;
    install.page->show();
    const WarningLog warnings;
    {
        QFile earlier(install.target());
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier installer");
    }
    install.offer(how == QLatin1String("checksum") ? "sha256=" + QByteArray(64, 'a') : "");
    LoopbackHttp::Answer file;
    file.body = installerBytes;
    if (how == QLatin1String("cancel") || how == QLatin1String("cut")) {
        file.sentBytes = 1000;
        file.closeAfter = how == QLatin1String("cut");
    }
    if (how == QLatin1String("404"))
        file.head = "HTTP/1.1 404 Not Found";
    file.answers = how != QLatin1String("hangup");
    if (how == QLatin1String("oversize")) {
        // Headers, then silence, and no timeout: only the declared length can end it.
        UpdateEndpoint::setCurrent({QUrl(install.http.base()), 50505, UpdateEndpoint::noTimeout});
        file.declaredLength = UpdateCheck::maxInstallerBytes + 1;
        file.sentBytes = 0;
        file.closeAfter = false;
    }
    if (how == QLatin1String("stall")) {
        UpdateEndpoint::setCurrent({QUrl(install.http.base()), 50505, stallTimeoutMs});
        file.sentBytes = 1000;
        file.closeAfter = false;
        file.hangUpAfterMs = 2 * stallTimeoutMs;
        prompts.holdEachBox(readingMs);
    }
    install.serveInstaller(file);

    MessageBox::setNextAnswer(QMessageBox::Yes); // download
    FileDialog::setNextPath(install.downloads.path());
    MessageBox::setNextAnswer(QMessageBox::Yes); // overwrite
    install.page->on_button_version_update_clicked();
    auto* cancel = install.find<QPushButton>("button_version_update_cancel");
    if (how == QLatin1String("cancel")) {
        QTRY_VERIFY(install.find<QProgressBar>("progressBar_version_update")->value() > 0);
        cancel->click();
        QCOMPARE(install.find<QLabel>("label_download")->text(),
                 QStringLiteral("Download canceled."));
    }
    QTRY_VERIFY(!install.find<QFrame>("frame_download")->isHidden() &&
                install.find<QPushButton>("button_version_update")->isEnabled());

    QCOMPARE(readFile(install.target()), QByteArray("earlier installer"));
    QCOMPARE(QDir(install.downloads.path()).entryList(QDir::Files), QStringList{installerName});
    QCOMPARE(install.find<QProgressBar>("progressBar_version_update")->value(), 0);
    QVERIFY(!cancel->isEnabled());
    const auto shown = prompts.take();
    QCOMPARE(shown.back().title, how == QLatin1String("cancel") ? QStringLiteral("Download")
                                                                : QStringLiteral("Download"));
    QCOMPARE(shown.size(), how == QLatin1String("cancel") ? size_t(2) : size_t(3));
    if (how == QLatin1String("oversize")) {
        QCOMPARE(shown.back().text,
                 QStringLiteral("The installer is larger than any installer of this program."));
        // The status line under the progress bar shows the failure whole.
        install.page->show();
        QVERIFY2(testsupport::cutTexts(install.page.get())
                     .filter(QStringLiteral("label_download"))
                     .isEmpty(),
                 qPrintable(install.find<QLabel>("label_download")->text()));
    }
    if (how == QLatin1String("stall"))
        QCOMPARE(shown.back().text,
                 QStringLiteral("The update service at 127.0.0.1 did not answer; please try "
                                "again later."));
    if (how == QLatin1String("cut"))
        QCOMPARE(shown.back().text,
                 QStringLiteral("The update service at 127.0.0.1 closed the connection before its "
                                "answer was complete; please try again later."));
    if (how == QLatin1String("hangup")) {
        QCOMPARE(shown.back().text,
                 QStringLiteral("The update service at 127.0.0.1 closed the connection without "
                                "an answer; please try again later."));
        QCOMPARE(install.http.requests.value(QStringLiteral("/files/") + installerName), 1);
    }
    QVERIFY2(warnings.text().isEmpty(), qPrintable(warnings.text()));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void SoftwareUpdateTest::theTcpCheckSpeaksItsFraming()
{
    PromptScript prompts;
    Installation install;
    install.page->show();
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    UpdateEndpoint::setCurrent({QUrl(install.http.base()), server.serverPort()});
    QString received;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        QTcpSocket* socket = server.nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [&, socket] {
            QDataStream in(socket);
            qint16 size = 0;
            in >> size >> received;
            QByteArray block;
            QDataStream out(&block, QIODevice::WriteOnly);
            out << qint16(0) << QStringLiteral("NO UPDATE");
            out.device()->seek(0);
            out << qint16(block.size() - 2);
            socket->write(block);
        });
    });
    QString shown;
    install.page->check_for_update_tcp();
    QTRY_VERIFY(!(shown += prompts.takeShown()).isEmpty());
    QCOMPARE(shown, QStringLiteral("Update|Current version is the newest version."));
    QCOMPARE(received, running);
    QCOMPARE(install.stored(SettingsKeys::updateNewVersion), QStringLiteral("-"));

    server.close();
    shown.clear();
    install.page->check_for_update_tcp();
    QTRY_VERIFY(!(shown += prompts.takeShown()).isEmpty());
    QVERIFY2(shown.startsWith(QStringLiteral("Warning|The connection was refused by the peer.")),
             qPrintable(shown));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

TALVORA_TEST_MAIN(SoftwareUpdateTest)
#include "tst_softwareupdate.moc"
