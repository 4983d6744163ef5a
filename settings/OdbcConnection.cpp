#include "settings/OdbcConnection.h"

#include <QCoreApplication>

#include <sql.h>
#include <sqlext.h>

namespace
{
QString translate(const char* text)
{
    return QCoreApplication::translate("ProgramSettingPage", text);
}

// A value is read in pieces of this size; a piece ends in the driver's terminating NUL.
constexpr SQLLEN pieceBytes = 4096;
// A driver that keeps reporting more of one value is stopped here rather than read forever.
constexpr int longestValueBytes = 64 * 1024 * 1024;
constexpr SQLSMALLINT nameBytes = 512;
constexpr SQLSMALLINT messageBytes = 1024;
constexpr SQLSMALLINT stateBytes = 6;
// The table list's column of table names.
constexpr SQLUSMALLINT tableNameColumn = 3;

// Every diagnostic record of the handle, in the driver's own words; empty when it gave none.
QString diagnostics(SQLSMALLINT type, SQLHANDLE handle)
{
    QStringList messages;
    SQLCHAR state[stateBytes];
    SQLCHAR message[messageBytes];
    SQLINTEGER nativeCode = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT record = 1; SQL_SUCCEEDED(SQLGetDiagRec(
             type, handle, record, state, &nativeCode, message, messageBytes, &length));
         ++record)
        messages << QString::fromUtf8(reinterpret_cast<const char*>(message)).trimmed();
    messages.removeAll(QString());
    return messages.join(QLatin1Char(' '));
}

QString orNoReason(const QString& said)
{
    return said.isEmpty() ? translate("The ODBC driver gave no reason.") : said;
}

QString reason(SQLSMALLINT type, SQLHANDLE handle)
{
    return orNoReason(diagnostics(type, handle));
}

SQLHENV newEnvironment()
{
    SQLHENV environment = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment)))
        return SQL_NULL_HENV;
    SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                  0);
    return environment;
}
} // namespace

OdbcConnection::~OdbcConnection()
{
    close();
}

bool OdbcConnection::open(const QString& connectionString)
{
    close();
    m_error.clear();
    m_diagnostic.clear();
    m_environment = newEnvironment();
    SQLHDBC connection = SQL_NULL_HDBC;
    if (!m_environment ||
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, m_environment, &connection))) {
        m_error = translate("The ODBC driver manager cannot be used.");
        close();
        return false;
    }
    QByteArray text = connectionString.toUtf8();
    const SQLRETURN result =
        SQLDriverConnect(connection, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                         nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(result)) {
        m_diagnostic = diagnostics(SQL_HANDLE_DBC, connection);
        m_error = orNoReason(m_diagnostic);
        SQLFreeHandle(SQL_HANDLE_DBC, connection);
        close();
        return false;
    }
    m_connection = connection;
    return true;
}

void OdbcConnection::close()
{
    if (m_connection) {
        SQLDisconnect(m_connection);
        SQLFreeHandle(SQL_HANDLE_DBC, m_connection);
        m_connection = nullptr;
    }
    if (m_environment) {
        SQLFreeHandle(SQL_HANDLE_ENV, m_environment);
        m_environment = nullptr;
    }
}

QStringList OdbcConnection::tables()
{
    QStringList names;
    SQLHSTMT statement = SQL_NULL_HSTMT;
    if (!m_connection || !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m_connection, &statement)))
        return names;
    if (SQL_SUCCEEDED(SQLTables(statement, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0))) {
        SQLCHAR name[nameBytes];
        SQLLEN length = 0;
        while (SQL_SUCCEEDED(SQLFetch(statement))) {
            if (SQL_SUCCEEDED(
                    SQLGetData(statement, tableNameColumn, SQL_C_CHAR, name, nameBytes, &length)) &&
                length != SQL_NULL_DATA)
                names << QString::fromUtf8(reinterpret_cast<const char*>(name));
        }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    return names;
}

bool OdbcConnection::hasDriver(const QString& name)
{
    SQLHENV environment = newEnvironment();
    if (!environment)
        return false;
    bool found = false;
    SQLCHAR driver[nameBytes];
    SQLCHAR attributes[messageBytes];
    SQLSMALLINT driverLength = 0;
    SQLSMALLINT attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (!found &&
           SQL_SUCCEEDED(SQLDrivers(environment, direction, driver, nameBytes, &driverLength,
                                    attributes, messageBytes, &attributesLength))) {
        found = QString::fromUtf8(reinterpret_cast<const char*>(driver)) == name;
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
    return found;
}

OdbcStatement::OdbcStatement(OdbcConnection& connection)
{
    SQLHSTMT statement = SQL_NULL_HSTMT;
    if (connection.m_connection &&
        SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection.m_connection, &statement)))
        m_statement = statement;
    else
        m_error = connection.isOpen() ? reason(SQL_HANDLE_DBC, connection.m_connection)
                                      : translate("The older database is not open.");
}

OdbcStatement::~OdbcStatement()
{
    if (m_statement)
        SQLFreeHandle(SQL_HANDLE_STMT, m_statement);
}

bool OdbcStatement::exec(const QString& sql)
{
    if (!m_statement)
        return false;
    QByteArray text = sql.toUtf8();
    if (!SQL_SUCCEEDED(
            SQLExecDirect(m_statement, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS))) {
        m_error = reason(SQL_HANDLE_STMT, m_statement);
        return false;
    }
    SQLSMALLINT count = 0;
    SQLNumResultCols(m_statement, &count);
    m_columns.clear();
    for (SQLUSMALLINT column = 1; column <= count; ++column) {
        SQLCHAR name[nameBytes];
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        if (!SQL_SUCCEEDED(SQLDescribeCol(m_statement, column, name, nameBytes, &nameLength, &type,
                                          &size, &digits, &nullable)))
            name[0] = 0;
        m_columns << QString::fromUtf8(reinterpret_cast<const char*>(name));
    }
    return true;
}

bool OdbcStatement::next()
{
    m_row.clear();
    if (!m_statement)
        return false;
    const SQLRETURN result = SQLFetch(m_statement);
    if (result == SQL_NO_DATA)
        return false;
    if (!SQL_SUCCEEDED(result)) {
        m_error = reason(SQL_HANDLE_STMT, m_statement);
        return false;
    }
    // Some drivers give the values of a row only in the order of their columns.
    m_row.resize(m_columns.size());
    for (int column = 0; column < m_columns.size(); ++column) {
        if (!readValue(column, &m_row[column])) {
            m_row.clear();
            return false;
        }
    }
    return true;
}

bool OdbcStatement::readValue(int column, QString* value)
{
    const auto position = SQLUSMALLINT(column + 1);
    SQLLEN indicator = 0;
    QByteArray bytes;
    QByteArray piece(pieceBytes, Qt::Uninitialized);
    for (;;) {
        const SQLRETURN result =
            SQLGetData(m_statement, position, SQL_C_CHAR, piece.data(), piece.size(), &indicator);
        if (result == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(result)) {
            m_error = reason(SQL_HANDLE_STMT, m_statement);
            return false;
        }
        if (indicator == SQL_NULL_DATA) {
            *value = QString();
            return true;
        }
        // The length the driver gives, not the first NUL, ends the piece.
        const int room = piece.size() - 1;
        const bool full = indicator == SQL_NO_TOTAL || indicator > room;
        if (result == SQL_SUCCESS && indicator == SQL_NO_TOTAL)
            bytes.append(piece.constData(), int(qstrnlen(piece.constData(), uint(room))));
        else
            bytes.append(piece.constData(), full ? room : int(indicator));
        if (result == SQL_SUCCESS || !full)
            break;
        // Where the driver says how much is left, the rest comes in one more piece: some
        // drivers go through the whole value again for every piece.
        const qint64 left = indicator == SQL_NO_TOTAL ? pieceBytes - 1 : qint64(indicator) - room;
        if (bytes.size() + left > longestValueBytes) {
            m_error = translate("Column %1 holds a value longer than %2 bytes.")
                          .arg(m_columns.value(column))
                          .arg(longestValueBytes);
            return false;
        }
        piece.resize(int(left) + 1);
    }
    *value =
        bytes.isEmpty() ? QStringLiteral("") : QString::fromUtf8(bytes.constData(), bytes.size());
    return true;
}
