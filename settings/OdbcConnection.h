#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// A connection through the system's ODBC driver manager, used with plain forward-only
// statements only: some drivers for older file formats implement nothing more.
class OdbcConnection
{
public:
    OdbcConnection() = default;
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    // False with the driver's words in error().
    bool open(const QString& connectionString);
    bool isOpen() const { return m_connection != nullptr; }
    void close();

    // The names of the tables the driver lists; empty when it lists none or cannot.
    QStringList tables();
    // Whether the driver manager knows a driver registered under this name.
    static bool hasDriver(const QString& name);

    QString error() const { return m_error; }
    // What the driver itself said when the last open failed; empty when it gave no diagnostic.
    QString diagnostic() const { return m_diagnostic; }

private:
    friend class OdbcStatement;
    void* m_environment = nullptr;
    void* m_connection = nullptr;
    QString m_error;
    QString m_diagnostic;
};

// One statement on an open connection, run once and read forward. Every value arrives as the
// driver's text (UTF-8), taken by the length the driver reports rather than up to a NUL.
class OdbcStatement
{
public:
    explicit OdbcStatement(OdbcConnection& connection);
    ~OdbcStatement();
    OdbcStatement(const OdbcStatement&) = delete;
    OdbcStatement& operator=(const OdbcStatement&) = delete;

    // False with the driver's words in error().
    bool exec(const QString& sql);
    QStringList columns() const { return m_columns; }
    // Steps to the next row; false after the last one, or on an error (error() then says it).
    bool next();
    // The row's values by column position; NULL is a null text.
    const QVector<QString>& row() const { return m_row; }

    QString error() const { return m_error; }

private:
    bool readValue(int column, QString* value);

    void* m_statement = nullptr;
    QStringList m_columns;
    QVector<QString> m_row;
    QString m_error;
};
