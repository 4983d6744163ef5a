#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

// Where the settings file and the case database are, and the key that opens the database.
// One per pass of the log-in loop; nothing here is cached between passes.
class ProgramConfig
{
public:
    // Start-up status codes.
    static constexpr int StatusNone = -1;
    static constexpr int StatusNoSettingsFile = 1;
    static constexpr int StatusSettingsUnreadable = 2;
    static constexpr int StatusNoDatabasePath = 3;
    static constexpr int StatusSchemaUnreadable = 7;
    static constexpr int StatusDatabaseMissing = 8;
    static constexpr int StatusDatabaseWontOpen = 9;

    ProgramConfig();

    bool load();
    int status() const;
    bool setStatus(int code);
    QString settingsPath() const;
    // The settings file start-up looked for: the settings path once one was found, else the
    // one in the working directory, which the settings path does not name then.
    QString settingsPathSought() const;
    // Why the settings file could not be found or read, when the status says so.
    QString settingsProblem() const { return m_settingsProblem; }
    QString databasePath() const;
    void setDatabasePath(const QString& path);
    QString siteName() const;
    // Same as siteName: the name the installation goes by on the pages that show it.
    QString installationName() const;
    QString databaseKey() const;
    QString encodePassword(const QString& password) const;
    // The schema query that tells whether the key fits; error receives the database's answer.
    bool databaseOpens(QSqlDatabase connection, QSqlError* error = nullptr) const;
    // The program's default connection, (re)opened on path with this installation's key. False
    // when it does not open or the key does not fit; error then receives why.
    bool openDefaultConnection(const QString& path, QString* error = nullptr) const;

    static const char* const settingsFileName;
    static const char* const defaultDatabaseFileName;

private:
    int status_ = StatusNone;
    QString siteName_;
    QString settingsPath_;
    QString databasePath_;
    QString m_settingsProblem;
    QString m_settingsPathSought;

    bool settingsUnreadable();
};
