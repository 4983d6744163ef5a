#pragma once

#include <QString>
#include <QTemporaryDir>

class ProgramConfig;

// A private settings file and a new encrypted case database for one test, in a temporary
// folder that disappears with the object. Nothing of the user's own files is touched.
class TestEnvironment
{
public:
    explicit TestEnvironment(const QString& adminName = QStringLiteral("admin"),
                             const QString& adminPassword = QString());
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString dir() const { return m_dir.path(); }
    QString settingsPath() const;
    QString databasePath() const;

    // Makes the temporary folder the working directory, where the program looks for its
    // settings file; the previous one comes back when the object goes.
    void enterWorkingDirectory();
    // The application's default connection on the test database, keyed as the program keys it.
    bool openDefaultConnection();
    // The state the program is in once it has started: the temporary folder is the working
    // directory, the default connection is open and `config` is read from the settings file.
    bool openAsProgram(ProgramConfig& config);
    void closeDefaultConnection();

private:
    QTemporaryDir m_dir;
    QString m_error;
    QString m_previousWorkingDirectory;
};
