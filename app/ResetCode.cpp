#include "app/ResetCode.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

const char* const ResetCode::tableName = "ResetCodes";

namespace
{

// No 0, 1, I or O: nothing a reader can mistake for another. 32 letters give 5 bits each.
const char codeAlphabet[] = "23456789ABCDEFGHJKLMNPQRSTUVWXYZ";
constexpr int alphabetSize = sizeof(codeAlphabet) - 1;
constexpr int saltBytes = 16;
const QChar groupSeparator(QLatin1Char('-'));

// Separates the fields of the hashed text; cannot be typed into a user name field.
const QChar fieldSeparator(0x1f);

const QString createTable =
    QStringLiteral("CREATE TABLE IF NOT EXISTS ResetCodes (USER_ID INTEGER PRIMARY KEY, SALT TEXT, "
                   "CODE_HASH TEXT, EXPIRES TEXT)");
const QString accountColumns =
    QStringLiteral("SELECT ID, U_NAME, PW_ENABLE, PASSWORD, NAME, TITLE, E_MAIL, TYPE FROM Users ");

QString text(const char* source)
{
    return QCoreApplication::translate("ResetCode", source);
}

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

// Everything of the row: a NULL password and an empty one are different rows.
QString fingerprint(const ResetCodeAccount& account)
{
    const QString password = account.password.isNull()
                                 ? QStringLiteral("N")
                                 : QStringLiteral("V") + account.password.toString();
    return QStringList{QString::number(account.id),
                       account.userName,
                       account.pwEnable,
                       password,
                       account.name,
                       account.title,
                       account.email,
                       account.type}
        .join(fieldSeparator);
}

QString normalised(const QString& typed)
{
    QString code;
    for (const QChar c : typed)
        if (!c.isSpace() && c != groupSeparator)
            code += c.toUpper();
    return code;
}

QString codeHash(const QString& code, const ResetCodeAccount& account, const QByteArray& salt)
{
    const QByteArray message = (normalised(code) + fieldSeparator + fingerprint(account)).toUtf8();
    return QString::fromLatin1(
        QMessageAuthenticationCode::hash(message, salt, QCryptographicHash::Sha256).toHex());
}

QString randomCode()
{
    QRandomGenerator* random = QRandomGenerator::system();
    QString code;
    for (int i = 0; i < ResetCode::length; ++i) {
        if (i > 0 && i % ResetCode::groupLength == 0)
            code += groupSeparator;
        code += QLatin1Char(codeAlphabet[random->bounded(alphabetSize)]);
    }
    return code;
}

QByteArray randomSalt()
{
    QByteArray salt(saltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()),
                                          saltBytes / int(sizeof(quint32)));
    return salt;
}

bool readAccount(QSqlQuery& query, const QString& notFound, const QString& twice,
                 ResetCodeAccount* account, QString* error)
{
    if (!query.exec())
        return fail(error, query.lastError().text());
    if (!query.next())
        return fail(error, notFound);
    const QSqlRecord row = query.record();
    account->id = row.value(0).toInt();
    account->userName = row.value(1).toString();
    account->pwEnable = row.value(2).toString();
    account->password = row.value(3);
    account->name = row.value(4).toString();
    account->title = row.value(5).toString();
    account->email = row.value(6).toString();
    account->type = row.value(7).toString();
    if (query.next())
        return fail(error, twice);
    return true;
}

} // namespace

QString ResetCode::issue(QSqlDatabase connection, const ResetCodeAccount& account,
                         const QDateTime& now, QString* error)
{
    QSqlQuery query(connection);
    if (!query.exec(createTable)) {
        fail(error, query.lastError().text());
        return QString();
    }
    const QString code = randomCode();
    const QByteArray salt = randomSalt();
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO ResetCodes (USER_ID, SALT, CODE_HASH, "
                                 "EXPIRES) VALUES(:id, :salt, :hash, :expires)"));
    query.bindValue(QStringLiteral(":id"), account.id);
    query.bindValue(QStringLiteral(":salt"), QString::fromLatin1(salt.toHex()));
    query.bindValue(QStringLiteral(":hash"), codeHash(code, account, salt));
    query.bindValue(QStringLiteral(":expires"),
                    now.toUTC().addSecs(lifetimeSeconds).toString(Qt::ISODate));
    if (!query.exec()) {
        fail(error, query.lastError().text());
        return QString();
    }
    return code;
}

QString ResetCode::issueForUser(QSqlDatabase connection, const QString& userName,
                                const QDateTime& now, QString* error)
{
    ResetCodeAccount account;
    if (!findAccount(connection, userName, &account, error))
        return QString();
    return issue(connection, account, now, error);
}

ResetCode::Verdict ResetCode::check(QSqlDatabase connection, const ResetCodeAccount& account,
                                    const QString& typed, const QDateTime& now, QString* error)
{
    // A database from before the codes has no table and so no code.
    if (!connection.tables().contains(QLatin1String(tableName)))
        return Verdict::NoCode;
    QSqlQuery query(connection);
    query.prepare(
        QStringLiteral("SELECT SALT, CODE_HASH, EXPIRES FROM ResetCodes WHERE USER_ID = :id"));
    query.bindValue(QStringLiteral(":id"), account.id);
    if (!query.exec()) {
        fail(error, query.lastError().text());
        return Verdict::Failed;
    }
    if (!query.next())
        return Verdict::NoCode;
    const QByteArray salt = QByteArray::fromHex(query.value(0).toString().toLatin1());
    const QString stored = query.value(1).toString();
    const QDateTime expires = QDateTime::fromString(query.value(2).toString(), Qt::ISODate);
    if (!expires.isValid() || now.toUTC() >= expires)
        return Verdict::Expired;
    if (stored.isEmpty() || codeHash(typed, account, salt) != stored)
        return Verdict::NotMatching;
    return Verdict::Accepted;
}

bool ResetCode::discard(QSqlDatabase connection, int accountId, QString* error)
{
    if (!connection.tables().contains(QLatin1String(tableName)))
        return true;
    QSqlQuery query(connection);
    query.prepare(QStringLiteral("DELETE FROM ResetCodes WHERE USER_ID = :id"));
    query.bindValue(QStringLiteral(":id"), accountId);
    return query.exec() || fail(error, query.lastError().text());
}

bool ResetCode::findAccount(QSqlDatabase connection, const QString& userName,
                            ResetCodeAccount* account, QString* error)
{
    QSqlQuery query(connection);
    query.prepare(accountColumns + QStringLiteral("WHERE U_NAME = :uname"));
    query.bindValue(QStringLiteral(":uname"), userName);
    return readAccount(query, text("No account has the user name \"%1\".").arg(userName),
                       text("More than one account has the user name \"%1\".").arg(userName),
                       account, error);
}

bool ResetCode::findAccountById(QSqlDatabase connection, int id, ResetCodeAccount* account,
                                QString* error)
{
    QSqlQuery query(connection);
    query.prepare(accountColumns + QStringLiteral("WHERE ID = :id"));
    query.bindValue(QStringLiteral(":id"), id);
    const QString notFound = text("No account has the number %1.").arg(id);
    return readAccount(query, notFound, notFound, account, error);
}
