#include "app/shell/StartupController.h"

#include "platform/StaleJournal.h"

#include "app/ProgramConfig.h"
#include "app/login.h"
#include "app/shell/MainWindow.h"
#include "pkcore/SessionData.h"
#include "platform/CipherDriver.h"
#include "platform/KeepFromOthers.h"
#include "platform/MessageBox.h"
#include "platform/PathAccess.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"
#include "platform/StaleJournal.h"
#include "settings/CaseDatabaseProbe.h"
#include "settings/StyleChoice.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPalette>
#include <QSqlDatabase>
#include <QSqlError>

const char* const StartupController::probeConnectionName = "first_test_connection";

namespace
{

QString tr(const char* text)
{
    return QCoreApplication::translate("main", text);
}

// A locked file answers every statement with SQLite's "busy" once the busy timeout has run out;
// that is another program at work, not a wrong key.
constexpr int probeBusyTimeoutMs = 1500;
const char* const usersTable = "Users";

QString lockedText(const QString& path)
{
    return tr("The database at %1 is locked by another program. You will be logged in as a guest. "
              "Please close the other program and log in again.\nCode I-05")
        .arg(path);
}

QString failedOpenText(const QString& path, const QString& reason)
{
    return tr("Failed to open the database at %1 (%2). You will be logged in as a guest. Please "
              "set a valid database path.\nCode I-05")
        .arg(path, reason);
}

} // namespace

StartupController::StartupController(QApplication* application, WindowRunner runner)
    : m_application(application), m_runner(std::move(runner))
{
    if (!m_runner) {
        m_runner = [this](MainWindow& window) {
            window.show();
            m_application->exec();
        };
    }
}

StartupController::~StartupController() = default;

ProgramConfig* StartupController::lastConfig() const
{
    return m_configs.empty() ? nullptr : m_configs.back().get();
}

SessionData* StartupController::lastSession() const
{
    return m_sessions.empty() ? nullptr : m_sessions.back().get();
}

void StartupController::tweakPalette(QApplication* application)
{
    QPalette palette = QApplication::palette();
    palette.setBrush(QPalette::Disabled, QPalette::Text,
                     QBrush(palette.color(QPalette::Active, QPalette::Text)));
    application->setPalette(palette);
}

int StartupController::run()
{
    for (;;) {
        const PassResult result = runPass();
        if (!result.restart)
            return result.exitCode;
    }
}

StartupController::PassResult StartupController::runPass()
{
    m_configs.push_back(std::make_unique<ProgramConfig>());
    m_sessions.push_back(std::make_unique<SessionData>(m_application));
    ProgramConfig& config = *m_configs.back();
    SessionData& session = *m_sessions.back();

    if (!config.load() && reportMissingSettings(config))
        return {false, exitNormally};
    keepFilesFromOthers(config);
    probeDatabase(config);
    session.loggedIn = false;
    applyStyle(config);
    QSqlDatabase::removeDatabase(QLatin1String(probeConnectionName));
    openDefaultConnection(config, session);
    session.restartAfterLogOut = false;

    if (!session.loggedIn && !m_guest && !logIn(config, session))
        return {false, exitLoginRejected};

    {
        MainWindow window(nullptr, &session, &config);
        window.setWindowTitle(session.loggedIn ? tr(" Talvora ") : tr(" Talvora (Guest Mode)"));
        m_runner(window);
    }
    QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).close();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    return {session.restartAfterLogOut, exitNormally};
}

// True when the program must end here.
bool StartupController::reportMissingSettings(const ProgramConfig& config)
{
    if (config.status() == ProgramConfig::StatusNoSettingsFile) {
        MessageBox::information(nullptr, tr("Error"),
                                tr("PKsettings.ini file is missing or cannot be opened at %1 "
                                   "(%2). The program cannot be run without this file.\nCode "
                                   "S-01")
                                    .arg(config.settingsPathSought(), config.settingsProblem()));
        return true;
    }
    if (config.status() == ProgramConfig::StatusSettingsUnreadable) {
        MessageBox::information(nullptr, tr("Error"),
                                tr("The settings file %1 cannot be read (%2); the program cannot "
                                   "be run until it is a readable settings file again.\nCode S-01")
                                    .arg(config.settingsPath(), config.settingsProblem()));
        return true;
    }
    if (config.status() == ProgramConfig::StatusNoDatabasePath)
        MessageBox::information(nullptr, tr("Warning"),
                                tr("Path for database is missing. Please re-locate the path of "
                                   "the database in the setting page or contact Morvane "
                                   "Inc.\nCode S-02"));
    return false;
}

// Files made before the program kept them from others, or by other tools, may still be readable
// by everyone.
void StartupController::keepFilesFromOthers(const ProgramConfig& config)
{
    const QFileInfo settings(config.settingsPath());
    if (settings.isFile()) {
        keepFromOthers(settings.filePath());
        keepFromOthers(settings.absolutePath());
    }
    if (QFileInfo(config.databasePath()).isFile())
        keepFromOthers(config.databasePath());
}

void StartupController::enterGuestMode(ProgramConfig& config, int status, const QString& text)
{
    config.setStatus(status);
    m_guest = true;
    MessageBox::information(nullptr, tr("Warning"), text);
}

// Another program's lock, and then what stands at the journal's name, are named before the
// failure's other readings (a wrong key, a read-only file), which would send the user after a
// sound database.
void StartupController::refuseDatabase(ProgramConfig& config, const QString& path, bool locked,
                                       int status, const QString& text)
{
    const QString journal = locked ? QString() : StaleJournal::obstacle(path);
    if (locked)
        enterGuestMode(config, ProgramConfig::StatusDatabaseWontOpen, lockedText(path));
    else if (!journal.isEmpty())
        enterGuestMode(config, ProgramConfig::StatusDatabaseWontOpen,
                       tr("The database at %1 cannot be used because of its journal: %2. You will "
                          "be logged in as a guest.\nCode I-05")
                           .arg(path, journal));
    else
        enterGuestMode(config, status, text);
}

// Every road that knows a database path probes it, so a missing file or a wrong key always
// reaches guest mode, each with one message.
void StartupController::probeDatabase(ProgramConfig& config)
{
    const QString path = config.databasePath();
    const QFileInfo file(path);
    const PathAccess access = checkReadAccess(path);
    if (access.missing || (file.exists() && file.size() <= 0)) {
        // The warning that no path is set has named the cause; nothing at the default path it
        // falls back on is the same cause, so the pass goes on as guest without a second box.
        if (config.status() == ProgramConfig::StatusNoDatabasePath) {
            m_guest = true;
            return;
        }
        // Without a path "at ." would read as a folder: say that none is set.
        const QString text =
            path.isEmpty()
                ? tr("Database is not found: no database path is set. You will be logged in as "
                     "a guest. Please set the correct database path in the settings page.\nCode "
                     "I-07")
                : tr("Database is not found at %1. You will be logged in as a guest. Please set "
                     "the correct database path in the settings page.\nCode I-07")
                      .arg(file.absoluteFilePath());
        enterGuestMode(config, ProgramConfig::StatusDatabaseMissing, text);
        return;
    }
    // A folder in the file's place, or a file or folder this user may not read, is named with
    // what refuses, before the driver gives its vaguer answer.
    if (!access.problem.isEmpty()) {
        enterGuestMode(config, ProgramConfig::StatusDatabaseWontOpen,
                       failedOpenText(path, access.problem));
        return;
    }
    QSqlDatabase probe = QSqlDatabase::addDatabase(QLatin1String(cipherDriverName),
                                                   QLatin1String(probeConnectionName));
    probe.setPassword(config.databaseKey());
    probe.setDatabaseName(path);
    probe.setConnectOptions(QStringLiteral("%1=%2")
                                .arg(QLatin1String(CipherDriver::busyTimeoutOption))
                                .arg(probeBusyTimeoutMs));
    if (!probe.open()) {
        const QString reason = probe.lastError().text();
        probe.close();
        refuseDatabase(config, path, false, ProgramConfig::StatusDatabaseWontOpen,
                       failedOpenText(path, reason.isEmpty() ? tr("no reason given") : reason));
        return;
    }
    QSqlError error;
    const bool readable = config.databaseOpens(probe, &error);
    probe.close();
    if (readable) {
        checkCaseDatabase(config, path);
        return;
    }
    refuseDatabase(config, path, isBusyError(error), ProgramConfig::StatusSchemaUnreadable,
                   tr("The database at %1 cannot be read with this installation's key, or it is "
                      "not a case database. You will be logged in as a guest. Please set the path "
                      "of a valid database in the settings page.\nCode I-06")
                       .arg(path));
}

// A file that opens with the key may still lack tables (an empty log-in list, "no such table"
// on every save) or refuse writes (a read-only file or folder): every save would fail later.
void StartupController::checkCaseDatabase(ProgramConfig& config, const QString& path)
{
    CaseDatabaseProbe probe(path, config.databaseKey());
    if (!probe.isCaseDatabase()) {
        refuseDatabase(config, path, probe.locked(), ProgramConfig::StatusSchemaUnreadable,
                       tr("The database at %1 is not a complete case database: %2 You will be "
                          "logged in as a guest. Please set the path of a valid database in the "
                          "settings page.\nCode I-06")
                           .arg(path, probe.error()));
        return;
    }
    // The log-in list is read from Users; a damaged table would leave it empty without a word.
    if (!probe.readsEveryRow(QLatin1String(usersTable))) {
        refuseDatabase(config, path, probe.locked(), ProgramConfig::StatusSchemaUnreadable,
                       tr("The list of users in the database at %1 cannot be read (%2); the file "
                          "may be damaged. You will be logged in as a guest. Please set the path "
                          "of a sound copy of the database in the settings page.\nCode I-06")
                           .arg(path, probe.error()));
        return;
    }
    if (probe.isWritable())
        return;
    refuseDatabase(config, path, probe.locked(), ProgramConfig::StatusDatabaseWontOpen,
                   tr("The database at %1 cannot be written (%2); the file or its folder may be "
                      "read-only. You will be logged in as a guest. Please make it writable or "
                      "set the path of another database in the settings page.\nCode I-05")
                       .arg(path, probe.error()));
}

void StartupController::applyStyle(const ProgramConfig& config)
{
    const QString option =
        SettingsFile(config.settingsPath()).read(SettingsKeys::backGroundOptionSetting);
    applyStyleOption(m_application, option);
}

void StartupController::openDefaultConnection(const ProgramConfig& config, SessionData& session)
{
    // A database that does not open was already reported by the probe.
    config.openDefaultConnection(config.databasePath());
    session.connectionName = QLatin1String(QSqlDatabase::defaultConnection);
}

bool StartupController::logIn(ProgramConfig& config, SessionData& session)
{
    m_logins.push_back(std::make_unique<login>(&session, &config));
    login& dialog = *m_logins.back();
    if (dialog.trySingleUserAutoLogin())
        return true;
    dialog.setWindowTitle(tr("Log in"));
    return Modal::exec(&dialog) == QDialog::Accepted;
}
