#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include "platform/CipherDriver.h"

#include "platform/JournalGuard.h"
#include "platform/StaleJournal.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlRecord>
#include <QStringList>
#include <QVector>

#include <vector>

const char* const cipherDriverName = "SQLITECIPHER";

bool isBusyError(const QSqlError& error)
{
    const QString code = error.nativeErrorCode();
    return code == QString::number(SQLITE_BUSY) || code == QString::number(SQLITE_LOCKED);
}
const char* const CipherDriver::createOption = "CIPHER_CREATE";
const char* const CipherDriver::busyTimeoutOption = "CIPHER_BUSY_TIMEOUT";

namespace
{

// Failures that a journal in the way gives: it cannot be opened, read, written or finished.
bool mayBeTheJournals(int code)
{
    switch (code & 0xff) {
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return true;
    default:
        return false;
    }
}

// SQLite's words, followed by what stands at the journal's name when that is the cause, which
// its words never name.
QString sqliteMessage(sqlite3* db, int code, const QString& words)
{
    const char* file = db && mayBeTheJournals(code) ? sqlite3_db_filename(db, "main") : nullptr;
    const QString journal =
        file && *file ? StaleJournal::obstacle(QString::fromUtf8(file)) : QString();
    return journal.isEmpty() ? words
                             : words + QStringLiteral(": ") + journal + QStringLiteral(".\n");
}

QString sqliteMessage(sqlite3* db)
{
    if (!db)
        return QStringLiteral("no connection");
    return sqliteMessage(db, sqlite3_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)));
}

// SQLite's result code as the error's native code.
QString sqliteCode(int code)
{
    return QString::number(code);
}

QString sqliteCode(sqlite3* db)
{
    return db ? sqliteCode(sqlite3_errcode(db)) : QString();
}

QVariant::Type typeOfDeclaration(const char* declared)
{
    const QString type = QString::fromLatin1(declared ? declared : "").toUpper();
    if (type.contains(QLatin1String("INT")))
        return QVariant::LongLong;
    if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) ||
        type.contains(QLatin1String("DOUB")) || type.contains(QLatin1String("NUMERIC")))
        return QVariant::Double;
    if (type.contains(QLatin1String("BLOB")))
        return QVariant::ByteArray;
    return QVariant::String;
}

QVariant cellValue(sqlite3_stmt* stmt, int column, QVariant::Type fieldType)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt, column));
        return QVariant(QByteArray(bytes, sqlite3_column_bytes(stmt, column)));
    }
    case SQLITE_NULL:
        return QVariant(fieldType);
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(stmt, column)));
    }
    }
}

int bindOne(sqlite3_stmt* stmt, int index, const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return sqlite3_bind_null(stmt, index);
    switch (value.userType()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
        return sqlite3_bind_int64(stmt, index, value.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return sqlite3_bind_int64(stmt, index, sqlite3_int64(value.toULongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(stmt, index, value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return sqlite3_bind_blob(stmt, index, bytes.constData(), bytes.size(), SQLITE_TRANSIENT);
    }
    case QMetaType::QDateTime:
        return bindOne(stmt, index, value.toDateTime().toString(Qt::ISODateWithMs));
    default: {
        const QByteArray text = value.toString().toUtf8();
        return sqlite3_bind_text(stmt, index, text.constData(), text.size(), SQLITE_TRANSIENT);
    }
    }
}

// A statement's whole result is read when it runs, so every navigation (forward, backward,
// last row, size) is plain indexing and the connection is never left with a half-read cursor.
class CipherResult : public QSqlResult
{
public:
    explicit CipherResult(const CipherDriver* driver) : QSqlResult(driver), m_driver(driver) {}
    ~CipherResult() override { finalize(); }

protected:
    QVariant data(int field) override
    {
        if (at() < 0 || at() >= int(m_rows.size()) || field < 0 ||
            field >= m_rows[size_t(at())].size())
            return QVariant();
        return m_rows[size_t(at())].at(field);
    }
    bool isNull(int field) override { return data(field).isNull(); }
    bool reset(const QString& query) override { return prepare(query) && exec(); }
    bool prepare(const QString& query) override;
    bool exec() override;
    bool fetch(int index) override;
    bool fetchFirst() override { return fetch(0); }
    bool fetchLast() override { return fetch(int(m_rows.size()) - 1); }
    int size() override { return isSelect() ? int(m_rows.size()) : -1; }
    int numRowsAffected() override { return m_rowsAffected; }
    QSqlRecord record() const override
    {
        return isActive() && isSelect() ? m_record : QSqlRecord();
    }
    QVariant lastInsertId() const override
    {
        return m_lastInsertId > 0 ? QVariant(m_lastInsertId) : QVariant();
    }
    QVariant handle() const override { return QVariant::fromValue(static_cast<void*>(m_stmt)); }

private:
    void finalize()
    {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
    void fail(const QString& driverText, QSqlError::ErrorType type)
    {
        sqlite3* db = m_driver->connection();
        setLastError(QSqlError(driverText, sqliteMessage(db), type, sqliteCode(db)));
    }
    bool bindAll();
    bool readRows();

    const CipherDriver* m_driver;
    sqlite3_stmt* m_stmt = nullptr;
    std::vector<QVector<QVariant>> m_rows;
    QSqlRecord m_record;
    int m_rowsAffected = -1;
    qlonglong m_lastInsertId = 0;
    QSqlError m_prepareError;
};

bool CipherResult::prepare(const QString& query)
{
    finalize();
    m_rows.clear();
    m_record = QSqlRecord();
    setActive(false);
    setAt(QSql::BeforeFirstRow);
    sqlite3* db = m_driver->connection();
    if (!db || !m_driver->isOpen()) {
        setLastError(QSqlError(QStringLiteral("Database is not open"), QString(),
                               QSqlError::ConnectionError));
        return false;
    }
    const QByteArray text = query.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), text.size() + 1, &m_stmt, nullptr) != SQLITE_OK) {
        fail(QStringLiteral("Unable to prepare statement"), QSqlError::StatementError);
        finalize();
        m_prepareError = lastError();
        return false;
    }
    if (!m_stmt) { // only blanks or a comment
        setLastError(QSqlError(QStringLiteral("Unable to prepare statement"),
                               QStringLiteral("empty statement"), QSqlError::StatementError));
        m_prepareError = lastError();
        return false;
    }
    m_prepareError = QSqlError();
    setLastError(QSqlError());
    return true;
}

bool CipherResult::bindAll()
{
    const QVector<QVariant>& values = boundValues();
    const int count = sqlite3_bind_parameter_count(m_stmt);
    for (int i = 0; i < count; ++i) {
        const QVariant value = i < values.size() ? values.at(i) : QVariant();
        if (bindOne(m_stmt, i + 1, value) != SQLITE_OK) {
            fail(QStringLiteral("Unable to bind parameters"), QSqlError::StatementError);
            return false;
        }
    }
    return true;
}

bool CipherResult::readRows()
{
    const int columns = sqlite3_column_count(m_stmt);
    QVector<QVariant::Type> types(columns);
    for (int c = 0; c < columns; ++c) {
        types[c] = typeOfDeclaration(sqlite3_column_decltype(m_stmt, c));
        QSqlField field(QString::fromUtf8(sqlite3_column_name(m_stmt, c)), types[c]);
        const char* table = sqlite3_column_table_name(m_stmt, c);
        if (table)
            field.setTableName(QString::fromUtf8(table));
        m_record.append(field);
    }
    for (;;) {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_DONE)
            return true;
        if (rc != SQLITE_ROW) {
            fail(QStringLiteral("Unable to fetch row"), QSqlError::StatementError);
            return false;
        }
        QVector<QVariant> row(columns);
        for (int c = 0; c < columns; ++c)
            row[c] = cellValue(m_stmt, c, types[c]);
        m_rows.push_back(row);
    }
}

bool CipherResult::exec()
{
    if (!m_stmt) {
        // QSqlQuery clears the error before running, so a failed prepare's reason (a missing
        // table, say) would otherwise be lost behind a generic one.
        setLastError(m_prepareError.isValid() ? m_prepareError
                                              : QSqlError(QStringLiteral("No statement prepared"),
                                                          QString(), QSqlError::StatementError));
        return false;
    }
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    m_rows.clear();
    m_record = QSqlRecord();
    m_rowsAffected = -1;
    m_lastInsertId = 0;
    setAt(QSql::BeforeFirstRow);
    setActive(false);
    if (!bindAll())
        return false;
    sqlite3* db = m_driver->connection();
    const sqlite3_int64 rowidBefore = sqlite3_last_insert_rowid(db);
    const bool ok = readRows();
    sqlite3_reset(m_stmt);
    if (!ok)
        return false;
    m_rowsAffected = sqlite3_column_count(m_stmt) > 0 ? 0 : sqlite3_changes(db);
    const sqlite3_int64 rowidAfter = sqlite3_last_insert_rowid(db);
    if (rowidAfter != rowidBefore || m_rowsAffected > 0)
        m_lastInsertId = rowidAfter;
    setSelect(sqlite3_column_count(m_stmt) > 0);
    setLastError(QSqlError());
    setActive(true);
    return true;
}

bool CipherResult::fetch(int index)
{
    if (!isActive() || !isSelect())
        return false;
    if (index < 0) {
        setAt(QSql::BeforeFirstRow);
        return false;
    }
    if (index >= int(m_rows.size())) {
        setAt(QSql::AfterLastRow);
        return false;
    }
    setAt(index);
    return true;
}

QString quoted(const QString& identifier)
{
    QString inner = identifier;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

} // namespace

CipherDriver::CipherDriver(QObject* parent) : QSqlDriver(parent) {}

CipherDriver::~CipherDriver()
{
    close();
}

bool CipherDriver::hasFeature(DriverFeature feature) const
{
    switch (feature) {
    case Transactions:
    case QuerySize:
    case BLOB:
    case Unicode:
    case PreparedQueries:
    case PositionalPlaceholders:
    case LastInsertId:
    case SimpleLocking:
    case FinishQuery:
    case LowPrecisionNumbers:
        return true;
    default:
        return false;
    }
}

bool CipherDriver::open(const QString& db, const QString&, const QString& password, const QString&,
                        int, const QString& connOpts)
{
    if (isOpen())
        close();
    int busyTimeout = defaultBusyTimeoutMs;
    int flags = SQLITE_OPEN_READWRITE;
    for (const QString& option : connOpts.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = option.section(QLatin1Char('='), 0, 0).trimmed();
        if (name == QLatin1String(createOption))
            flags |= SQLITE_OPEN_CREATE;
        else if (name == QLatin1String(busyTimeoutOption))
            busyTimeout = option.section(QLatin1Char('='), 1).trimmed().toInt();
    }
    // What stood at the journal's name for an earlier connection says nothing of this one.
    StaleJournal::forgetObstacle(db);
    const QByteArray path = db.toUtf8();
    if (sqlite3_open_v2(path.constData(), &m_db, flags, JournalGuard::vfsName()) != SQLITE_OK) {
        setLastError(QSqlError(QStringLiteral("Error opening database"), sqliteMessage(m_db),
                               QSqlError::ConnectionError, sqliteCode(m_db)));
        sqlite3_close(m_db);
        m_db = nullptr;
        setOpenError(true);
        return false;
    }
    if (!password.isEmpty()) {
        const QByteArray key = password.toUtf8();
        sqlite3_key(m_db, key.constData(), key.size());
    }
    sqlite3_busy_timeout(m_db, busyTimeout);
    sqlite3_extended_result_codes(m_db, 1);
    setOpen(true);
    setOpenError(false);
    return true;
}

void CipherDriver::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    if (isOpen()) {
        setOpen(false);
        setOpenError(false);
    }
}

QSqlResult* CipherDriver::createResult() const
{
    return new CipherResult(this);
}

bool CipherDriver::runStatement(const QString& sql, QSqlError::ErrorType type)
{
    if (!m_db)
        return false;
    char* message = nullptr;
    const int code = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    if (code == SQLITE_OK)
        return true;
    setLastError(QSqlError(sql,
                           sqliteMessage(m_db, code, QString::fromUtf8(message ? message : "")),
                           type, sqliteCode(code)));
    sqlite3_free(message);
    return false;
}

bool CipherDriver::beginTransaction()
{
    return runStatement(QStringLiteral("BEGIN"), QSqlError::TransactionError);
}

bool CipherDriver::commitTransaction()
{
    return runStatement(QStringLiteral("COMMIT"), QSqlError::TransactionError);
}

bool CipherDriver::rollbackTransaction()
{
    return runStatement(QStringLiteral("ROLLBACK"), QSqlError::TransactionError);
}

QStringList CipherDriver::tables(QSql::TableType type) const
{
    QStringList names;
    if (!m_db)
        return names;
    QString where;
    if (type & QSql::Tables)
        where = QStringLiteral("type = 'table' AND name NOT LIKE 'sqlite_%'");
    if (type & QSql::Views)
        where += (where.isEmpty() ? QString() : QStringLiteral(" OR ")) +
                 QStringLiteral("type = 'view'");
    if (type & QSql::SystemTables)
        names << QStringLiteral("sqlite_master");
    if (where.isEmpty())
        return names;
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = ("SELECT name FROM sqlite_master WHERE " + where).toUtf8();
    if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    return names;
}

QSqlRecord CipherDriver::tableInfo(const QString& tableName, bool primaryOnly) const
{
    QSqlRecord record;
    if (!m_db)
        return record;
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = ("PRAGMA table_info(" + quoted(tableName) + ")").toUtf8();
    if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK) {
        constexpr int nameColumn = 1, typeColumn = 2, notNullColumn = 3, keyColumn = 5;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const bool isKey = sqlite3_column_int(stmt, keyColumn) > 0;
            if (primaryOnly && !isKey)
                continue;
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, nameColumn));
            const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(stmt, typeColumn));
            QSqlField field(QString::fromUtf8(name), typeOfDeclaration(type), tableName);
            field.setRequired(sqlite3_column_int(stmt, notNullColumn) != 0);
            field.setAutoValue(isKey && typeOfDeclaration(type) == QVariant::LongLong);
            record.append(field);
        }
    }
    sqlite3_finalize(stmt);
    return record;
}

QSqlRecord CipherDriver::record(const QString& tableName) const
{
    return tableInfo(tableName, false);
}

QSqlIndex CipherDriver::primaryIndex(const QString& tableName) const
{
    QSqlIndex index(tableName);
    const QSqlRecord keys = tableInfo(tableName, true);
    for (int i = 0; i < keys.count(); ++i)
        index.append(keys.field(i));
    return index;
}

QString CipherDriver::escapeIdentifier(const QString& identifier, IdentifierType) const
{
    if (identifier.startsWith(QLatin1Char('"')) && identifier.endsWith(QLatin1Char('"')) &&
        identifier.size() > 1)
        return identifier;
    return quoted(identifier);
}

QVariant CipherDriver::handle() const
{
    return QVariant::fromValue(static_cast<void*>(m_db));
}

void registerCipherDriver()
{
    static bool registered = false;
    if (registered)
        return;
    QSqlDatabase::registerSqlDriver(QLatin1String(cipherDriverName),
                                    new QSqlDriverCreator<CipherDriver>);
    registered = true;
}
