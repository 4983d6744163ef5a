#pragma once

#include "settings/OdbcConnection.h"
#include "settings/OlderDatabaseRecords.h"

#include <QString>
#include <QVector>

#include <functional>

// The ODBC connection string for an older database file, from the settings' template; empty
// when the path cannot be put into it safely, with the reason in *refusal.
QString olderConnectionString(const QString& templateText, const QString& driver,
                              const QString& path, QString* refusal);
// Why the ODBC driver would not open an older file, with its own words where it gave any.
QString olderDriverRefusal(const QString& diagnostic);

// Reads an older product's database through ODBC with that connection string, opened on first
// use. Each table is read whole, once, and its rows are joined to their patient and case by key
// in memory: no key of the older file is ever put into a statement.
class OlderDatabaseReader
{
public:
    explicit OlderDatabaseReader(const QString& connectionString);
    ~OlderDatabaseReader();

    // Every table the conversion reads answers and has the columns it reads; otherwise false,
    // with the reason in error().
    bool isValid();
    // The number of PatientBasic rows; 0 when they cannot be counted.
    int patientCount();

    // Called once per patient read: its position from 1.
    using Progress = std::function<void(int loaded)>;
    // Every patient with its cases and their child rows, in the file's order. False when the
    // file cannot be opened or a table cannot be read; nothing is returned then.
    bool load(QVector<OldDbPatientRecord>* patients, const Progress& progress);

    // The rows of the last load that belong to no patient or case, one line each with the reason.
    QStringList skippedRows() const { return m_skipped; }

    QString error() const { return m_error; }

private:
    bool connect();
    bool fail(const QString& reason);

    QString m_connectionString;
    OdbcConnection m_db;
    QStringList m_skipped;
    QString m_error;
};
