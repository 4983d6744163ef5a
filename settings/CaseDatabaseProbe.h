#pragma once

#include <QSqlError>
#include <QString>

// Looks at a database file on a short-lived connection of its own, with the case database's key,
// before the program is pointed at it. The connection is closed and removed with the object.
class CaseDatabaseProbe
{
public:
    static const char* const connectionName;

    CaseDatabaseProbe(const QString& path, const QString& key);
    ~CaseDatabaseProbe();
    CaseDatabaseProbe(const CaseDatabaseProbe&) = delete;
    CaseDatabaseProbe& operator=(const CaseDatabaseProbe&) = delete;

    // The file opens with the key, its schema can be read and it holds every table of the case
    // database. A file of another key, a plain SQLite file, a text file and an empty file fail.
    bool isCaseDatabase();
    // A write goes through (it is rolled back). A read-only file, and a folder where the
    // journal cannot be made, fail here although every read succeeds. An empty journal left
    // beside the file is removed first; what else stands at the journal's name is named.
    bool isWritable();
    // Every row of `table` can be read; a damaged page of it fails here although the schema
    // reads.
    bool readsEveryRow(const QString& table);
    // SQLite's own check of every page reports no fault.
    bool passesIntegrityCheck();

    // Why the last check failed.
    QString error() const { return m_error; }
    // The last check failed because another program holds the file.
    bool locked() const { return m_locked; }

private:
    // A write rolled back at once: no error when it went through. `began` tells whether the write
    // lock was taken.
    QSqlError tryWriting(bool& began);
    bool fail(const QString& reason);
    bool fail(const QSqlError& error);

    QString m_error;
    bool m_locked = false;
};
