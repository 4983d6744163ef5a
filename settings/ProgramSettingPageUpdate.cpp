// The "Software Version" page: the update check over HTTP (and the TCP check), the installer
// download and the offer to install it.
#include "settings/ProgramSettingPage.h"
#include "ui_ProgramSettingPage.h"

#include "pkcore/SessionData.h"
#include "platform/DesktopOpener.h"
#include "platform/MessageBox.h"
#include "platform/SettingsKeys.h"

#include <QDataStream>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTcpSocket>
#include <QTimer>

namespace
{

constexpr int httpOk = 200;
constexpr int idleProgressMaximum = 100;
constexpr qint64 noMoreData = -1;
const char* const getVerb = "GET";

QString runningVersion()
{
    return QLatin1String(programVersionText);
}

QNetworkRequest plainRequest(const QUrl& url)
{
    QNetworkRequest request(url);
    // A redirect could lead anywhere; the service answers from its own address or not at all.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(UpdateEndpoint::current().timeoutMs);
    return request;
}

// An empty body that cannot be read a second time. Qt sends a request again when the server
// hangs up before answering, and the user then waits twice for the same silence; a body it
// cannot rewind makes it give up after the first (QNetworkReply::ContentReSendError).
class BodyReadOnce : public QIODevice
{
public:
    explicit BodyReadOnce(QObject* parent) : QIODevice(parent) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    bool reset() override { return false; }

protected:
    qint64 readData(char*, qint64) override { return noMoreData; }
    qint64 writeData(const char*, qint64) override { return noMoreData; }
};

// A GET that reaches the service once at most.
QNetworkReply* getOnce(QNetworkAccessManager* manager, const QUrl& url)
{
    QNetworkRequest request = plainRequest(url);
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    request.setHeader(QNetworkRequest::ContentLengthHeader, 0);
    auto* body = new BodyReadOnce(manager);
    QNetworkReply* reply = manager->sendCustomRequest(request, getVerb, body);
    body->setParent(reply);
    return reply;
}

QString oversizeText()
{
    return QCoreApplication::translate(
        "ProgramSettingPage", "The installer is larger than any installer of this program.");
}

bool declaresOversize(const QNetworkReply* reply)
{
    return reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() >
           UpdateCheck::maxInstallerBytes;
}

QString replyProblem(const QNetworkReply* reply)
{
    return UpdateCheck::networkProblem(reply->error(), reply->url(), reply->errorString());
}

// The reply's HTTP status problem; empty for a plain 200.
QString statusProblem(QNetworkReply* reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.toInt() == httpOk)
        return QString();
    return QCoreApplication::translate("ProgramSettingPage",
                                       "The update service answered with HTTP status %1.")
        .arg(status.isValid() ? status.toString() : QStringLiteral("none"));
}

} // namespace

void ProgramSettingPage::on_button_version_update_clicked()
{
    check_for_update_http();
}

void ProgramSettingPage::check_for_update_http()
{
    // The monthly check may still be waiting when the user asks, and a download uses the
    // manager; one request at a time.
    if (m_checkReply || downloadReply)
        return;
    setCursor(Qt::WaitCursor);
    networkManager = new QNetworkAccessManager(this);
    downloadUrl = UpdateCheck::requestUrl(UpdateEndpoint::current(), runningVersion());
    connect(networkManager, &QNetworkAccessManager::finished, this,
            &ProgramSettingPage::finish_check_for_update);
    ui->button_version_update->setEnabled(false);
    ui->label_download_url->setText(
        tr("Checking for a newer version at %1...").arg(downloadUrl.host()));
    m_checkReply = getOnce(networkManager, downloadUrl);
}

void ProgramSettingPage::finish_check_for_update(QNetworkReply* reply)
{
    // Released before anything is shown. A reply that outlived its deadline is still inside its
    // own abort here; kept alive through a message, it would take the network's later word on
    // the dropped connection for a second ending.
    reply->deleteLater();
    if (reply != m_checkReply)
        return;
    m_checkReply = nullptr;
    // A download accepted later makes a manager of its own; this one goes with its reply.
    QNetworkAccessManager* checkManager = networkManager;
    networkManager = nullptr;
    disconnect(checkManager, &QNetworkAccessManager::finished, this,
               &ProgramSettingPage::finish_check_for_update);
    checkManager->deleteLater();
    QString problem =
        reply->error() != QNetworkReply::NoError ? replyProblem(reply) : statusProblem(reply);
    UpdateOffer offer;
    if (problem.isEmpty()) {
        const QByteArray body = reply->read(UpdateCheck::maxReplyBytes + 1);
        if (body.size() > UpdateCheck::maxReplyBytes)
            problem = tr("The update service sent a reply too long to be an update answer.");
        else
            offer = UpdateCheck::readReply(QString::fromUtf8(body), runningVersion(),
                                           UpdateEndpoint::current());
    }
    QMetaObject::invokeMethod(
        this, [this, problem, offer] { showCheckResult(problem, offer); }, Qt::QueuedConnection);
}

void ProgramSettingPage::showCheckResult(const QString& problem, const UpdateOffer& offer)
{
    setCursor(Qt::ArrowCursor);
    ui->label_download_url->clear();
    ui->button_version_update->setEnabled(true);
    if (problem.isEmpty())
        handleUpdateAnswer(offer, UpdateRoad::Http);
    else if (isVisible())
        MessageBox::information(this, tr("Network Connection"), tr("%1").arg(problem));
}

void ProgramSettingPage::handleUpdateAnswer(const UpdateOffer& offer, UpdateRoad road)
{
    const bool onScreen = isVisible();
    switch (offer.answer) {
    case UpdateAnswer::Newer:
        offerDownload(offer, road, onScreen);
        break;
    case UpdateAnswer::UpToDate:
        if (!onScreen) {
            writeSetting(SettingsKeys::updatePrompt, QLatin1String(SettingsKeys::promptNo));
            break;
        }
        MessageBox::information(this, tr("Update"), tr("Current version is the newest version."));
        if (road == UpdateRoad::Http)
            writeSetting(SettingsKeys::updateNewVersion, runningVersion());
        break;
    case UpdateAnswer::Unreadable:
        if (onScreen)
            MessageBox::information(this, tr("Update"), offer.problem);
        break;
    case UpdateAnswer::Ignored:
        break;
    }
}

void ProgramSettingPage::offerDownload(const UpdateOffer& offer, UpdateRoad road, bool onScreen)
{
    writeSetting(SettingsKeys::updateNewVersion, offer.version);
    const QString question =
        road == UpdateRoad::Http
            ? tr("There is a newer version of Talvora.\nDo you want to download the installer?")
            : tr("There is a newer version of Talvora,\ndo you want to download the installer?");
    if (MessageBox::question(this, tr("Update"), question) != QMessageBox::Yes) {
        if (onScreen)
            ui->label_download_url->setText(offer.afterFirstLine);
        else
            writeSetting(SettingsKeys::updatePrompt, QLatin1String(SettingsKeys::promptNo));
        return;
    }
    if (!onScreen) {
        showSoftwareVersionPage(versionPage);
        show();
    }
    writeSetting(SettingsKeys::updatePrompt, QLatin1String(SettingsKeys::promptYes));
    downloadUrl = offer.installer;
    m_expectedSha256 = offer.sha256;
    download_start();
}

void ProgramSettingPage::download_start()
{
    networkManager = new QNetworkAccessManager(this);
    const QString folder = FileDialog::getExistingDirectory(this, tr("Download to:"));
    if (folder.isEmpty())
        return;
    const QString fileName = UpdateCheck::installerFileName(downloadUrl);
    downloadPath = folder + QLatin1Char('/') + fileName;
    // An existing file is replaced only when the new one is whole (the save file's commit).
    if (QFileInfo::exists(downloadPath) &&
        MessageBox::question(this, tr("Download"),
                             tr("There already exists a file called %1 in\nthe current directory. "
                                "Do you want to overwrite the existing file?")
                                 .arg(fileName)) != QMessageBox::Yes)
        return;
    downloadFile = new QSaveFile(downloadPath);
    if (!downloadFile->open(QIODevice::WriteOnly)) {
        MessageBox::information(
            this, tr("Download"),
            tr("Unable to save the file %1: %2.").arg(fileName, downloadFile->errorString()));
        delete downloadFile;
        downloadFile = nullptr;
        return;
    }
    downloadCancelled = false;
    m_bytesWritten = 0;
    m_digest.reset();
    m_downloadProblem.clear();
    ui->button_version_update->setEnabled(false);
    ui->label_download->setText(tr("Start download from:\n%1").arg(downloadUrl.toDisplayString()));
    ui->frame_download->show();
    downloadReply = getOnce(networkManager, downloadUrl);
    ui->button_version_update_cancel->setEnabled(true);
    // The declared size is known with the headers; an oversized installer is refused there
    // rather than after the body has trickled in or the timeout has run out.
    connect(downloadReply, &QNetworkReply::metaDataChanged, this, [this] {
        if (!declaresOversize(downloadReply) || !m_downloadProblem.isEmpty())
            return;
        m_downloadProblem = oversizeText();
        downloadReply->abort();
    });
    connect(downloadReply, &QNetworkReply::readyRead, this, &ProgramSettingPage::ready_read);
    connect(downloadReply, &QNetworkReply::downloadProgress, this,
            &ProgramSettingPage::update_download_progress);
    connect(downloadReply, &QNetworkReply::finished, this, &ProgramSettingPage::download_finish);
}

void ProgramSettingPage::ready_read()
{
    // An aborted reply is closed and has nothing more to give; one that failed has no status to
    // judge, and its failure is what the download reports.
    if (!downloadFile || !m_downloadProblem.isEmpty() || !downloadReply->isOpen() ||
        downloadReply->error() != QNetworkReply::NoError)
        return;
    const QString status = statusProblem(downloadReply);
    const QByteArray data = downloadReply->readAll();
    m_bytesWritten += data.size();
    if (!status.isEmpty()) {
        // The reply ends by itself; its body is an error page, not the installer.
        m_downloadProblem = status;
        return;
    }
    if (declaresOversize(downloadReply) || m_bytesWritten > UpdateCheck::maxInstallerBytes)
        m_downloadProblem = oversizeText();
    else if (downloadFile->write(data) != data.size())
        m_downloadProblem = downloadFile->errorString();
    else
        m_digest.addData(data);
    if (!m_downloadProblem.isEmpty())
        downloadReply->abort();
}

void ProgramSettingPage::update_download_progress(qlonglong bytesRead, qlonglong totalBytes)
{
    if (downloadCancelled)
        return;
    // Beyond the installer limit the download is cut anyway; the bar never sees such sizes.
    const qlonglong limit = UpdateCheck::maxInstallerBytes;
    ui->progressBar_version_update->setMaximum(int(qBound(0LL, totalBytes, limit)));
    ui->progressBar_version_update->setValue(int(qBound(0LL, bytesRead, limit)));
}

void ProgramSettingPage::on_button_version_update_cancel_clicked()
{
    ui->label_download->setText(tr("Download canceled."));
    downloadCancelled = true;
    if (downloadReply)
        downloadReply->abort();
    resetProgress();
}

void ProgramSettingPage::resetProgress()
{
    ui->progressBar_version_update->setMaximum(idleProgressMaximum);
    ui->progressBar_version_update->setValue(0);
}

QString ProgramSettingPage::downloadProblem() const
{
    if (!m_downloadProblem.isEmpty())
        return m_downloadProblem;
    if (downloadReply->error() != QNetworkReply::NoError)
        return replyProblem(downloadReply);
    if (const QString status = statusProblem(downloadReply); !status.isEmpty())
        return status;
    const QVariant declared = downloadReply->header(QNetworkRequest::ContentLengthHeader);
    if (declared.isValid() && declared.toLongLong() != m_bytesWritten)
        return tr("The installer arrived incomplete (%1 of %2 bytes).")
            .arg(m_bytesWritten)
            .arg(declared.toLongLong());
    return QString();
}

void ProgramSettingPage::endDownload()
{
    releaseDownload();
    ui->button_version_update->setEnabled(true);
}

// As with the check, the reply goes before anything is shown: a download given up for silence
// is still inside its own abort when it finishes.
void ProgramSettingPage::releaseDownload()
{
    ui->button_version_update_cancel->setEnabled(false);
    downloadReply->deleteLater();
    downloadReply = nullptr;
    delete downloadFile;
    downloadFile = nullptr;
    if (networkManager)
        networkManager->deleteLater();
    networkManager = nullptr;
}

void ProgramSettingPage::download_finish()
{
    if (downloadCancelled) {
        downloadFile->cancelWriting();
        endDownload();
        return;
    }
    ready_read(); // whatever arrived with the end of the reply
    QString problem = downloadProblem();
    if (problem.isEmpty() && !m_expectedSha256.isEmpty() && m_digest.result() != m_expectedSha256)
        problem = tr("The installer does not match the checksum the update service gave.");
    if (problem.isEmpty() && !downloadFile->commit())
        problem = downloadFile->errorString();
    resetProgress();
    if (!problem.isEmpty()) {
        downloadFile->cancelWriting();
        ui->label_download->setText(tr("Download failed: %1").arg(problem));
        releaseDownload();
        QMetaObject::invokeMethod(
            this,
            [this, problem] {
                ui->button_version_update->setEnabled(true);
                MessageBox::information(this, tr("Download"), problem);
            },
            Qt::QueuedConnection);
        return;
    }
    const QString fileName = QFileInfo(downloadPath).fileName();
    ui->label_download->setText(tr("Finish downloading %1 to\n %2.").arg(fileName, downloadPath));
    releaseDownload();
    QMetaObject::invokeMethod(
        this, [this] { offerInstall(); }, Qt::QueuedConnection);
}

void ProgramSettingPage::offerInstall()
{
    ui->button_version_update->setEnabled(true);
    const auto answer = MessageBox::question(
        this, tr("Install"),
        tr("Do you want to run the installer now?\nIf yes, program will be closed automatically."));
    if (answer != QMessageBox::Yes)
        return;
    // Nothing is run from here: the desktop shows the installer's folder and the user starts it.
    DesktopOpener::open(QUrl::fromLocalFile(QFileInfo(downloadPath).absolutePath()));
    m_session->closeWithoutAsking = true;
    emit version_update_exit();
}

void ProgramSettingPage::check_for_update_tcp()
{
    setCursor(Qt::WaitCursor);
    updateSocket = new QTcpSocket(this);
    blockSize = 0;
    connect(updateSocket, &QTcpSocket::readyRead, this, &ProgramSettingPage::ready_read_tcp);
    connect(updateSocket, &QAbstractSocket::errorOccurred, this,
            &ProgramSettingPage::display_error);
    QTcpSocket* socket = updateSocket;
    connect(socket, &QTcpSocket::connected, this, [socket] {
        QByteArray block;
        QDataStream out(&block, QIODevice::WriteOnly);
        out << qint16(0) << runningVersion();
        out.device()->seek(0);
        out << qint16(block.size() - int(sizeof(qint16)));
        socket->write(block);
    });
    // The window stays usable while the server is sought; a silent server is given up on.
    QTimer::singleShot(UpdateCheck::tcpConnectTimeoutMs, socket, [this, socket] {
        if (socket->state() == QAbstractSocket::ConnectedState)
            return;
        socket->abort();
        setCursor(Qt::ArrowCursor);
        MessageBox::information(this, tr("Warning"),
                                tr("The update server did not answer within %1 seconds.")
                                    .arg(UpdateCheck::tcpConnectTimeoutMs / 1000));
    });
    const UpdateEndpoint endpoint = UpdateEndpoint::current();
    socket->connectToHost(endpoint.base.host(), endpoint.tcpPort, QIODevice::ReadWrite);
}

void ProgramSettingPage::ready_read_tcp()
{
    setCursor(Qt::ArrowCursor);
    QDataStream in(updateSocket);
    if (blockSize == 0) {
        if (updateSocket->bytesAvailable() < qint64(sizeof(qint16)))
            return;
        qint16 size = 0;
        in >> size;
        blockSize = quint16(size);
        if (blockSize == 0 || blockSize > UpdateCheck::maxReplyBytes) {
            updateSocket->abort();
            if (isVisible())
                MessageBox::information(this, tr("Update"),
                                        tr("The update server sent a reply that cannot be read."));
            return;
        }
    }
    if (updateSocket->bytesAvailable() < blockSize)
        return;
    QString text;
    in >> text;
    updateSocket->disconnectFromHost();
    if (in.status() != QDataStream::Ok) {
        if (isVisible())
            MessageBox::information(this, tr("Update"),
                                    tr("The update server sent a reply that cannot be read."));
        return;
    }
    handleUpdateAnswer(UpdateCheck::readReply(text, runningVersion(), UpdateEndpoint::current()),
                       UpdateRoad::Tcp);
}

void ProgramSettingPage::display_error(QAbstractSocket::SocketError socketError)
{
    setCursor(Qt::ArrowCursor);
    switch (socketError) {
    case QAbstractSocket::RemoteHostClosedError:
        break;
    case QAbstractSocket::HostNotFoundError:
        MessageBox::information(
            this, tr("Warning"),
            tr("The host was not found. Please check the host name and port settings."));
        break;
    case QAbstractSocket::ConnectionRefusedError:
        MessageBox::information(
            this, tr("Warning"),
            tr("The connection was refused by the peer. Make sure the server is running,\nand "
               "check that the host name and port settings are correct."));
        break;
    default:
        MessageBox::information(
            this, tr("Warning"),
            tr("The following error occurred: %1.").arg(updateSocket->errorString()));
    }
}
