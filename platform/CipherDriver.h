#pragma once

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlResult>

#include <memory>

struct sqlite3;

// The program's own SQL driver over SQLCipher, registered as "SQLITECIPHER". A connection with a
// password keys the file with it; a wrong key lets the open succeed and makes the first
// statement fail; no password gives a plain SQLite file.
void registerCipherDriver();

extern const char* const cipherDriverName;

// The driver's errors carry SQLite's result code as their native code. True when SQLite
// answered that another connection holds the file (busy or locked).
bool isBusyError(const QSqlError& error);

class CipherDriver : public QSqlDriver
{
    Q_OBJECT
public:
    // Connect option that lets open() create a missing file (only the initialiser needs it).
    static const char* const createOption;
    // Connect option "CIPHER_BUSY_TIMEOUT=<ms>".
    static const char* const busyTimeoutOption;
    static constexpr int defaultBusyTimeoutMs = 5000;

    explicit CipherDriver(QObject* parent = nullptr);
    ~CipherDriver() override;

    bool hasFeature(DriverFeature feature) const override;
    bool open(const QString& db, const QString& user, const QString& password, const QString& host,
              int port, const QString& connOpts) override;
    void close() override;
    QSqlResult* createResult() const override;
    bool beginTransaction() override;
    bool commitTransaction() override;
    bool rollbackTransaction() override;
    QStringList tables(QSql::TableType type) const override;
    QSqlRecord record(const QString& tableName) const override;
    QSqlIndex primaryIndex(const QString& tableName) const override;
    QString escapeIdentifier(const QString& identifier, IdentifierType type) const override;
    QVariant handle() const override;

    sqlite3* connection() const { return m_db; }

private:
    bool runStatement(const QString& sql, QSqlError::ErrorType type);
    QSqlRecord tableInfo(const QString& tableName, bool primaryOnly) const;

    sqlite3* m_db = nullptr;
};
