#include "app/ResetCode.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QSqlError>
#include <QSqlQuery>

namespace
{

// Separates the fields of the signed text; cannot be typed into a user name field.
const QChar fieldSeparator(0x1f);

QByteArray signedText(const ResetCodeAccount& account)
{
    // A NULL password and an empty one are different rows, so they must give different codes.
    const QString password = account.password.isNull()
                                 ? QStringLiteral("N")
                                 : QStringLiteral("V") + account.password.toString();
    const QStringList fields = {QStringLiteral("talvora-password-reset"),
                                QString::number(account.id), account.userName, account.pwEnable,
                                password};
    return fields.join(fieldSeparator).toUtf8();
}

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

QString ResetCode::forAccount(const QString& databaseKey, const ResetCodeAccount& account)
{
    const QByteArray mac = QMessageAuthenticationCode::hash(
        signedText(account), databaseKey.toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(mac.toHex().left(length)).toUpper();
}

bool ResetCode::findAccount(QSqlDatabase connection, const QString& userName,
                            ResetCodeAccount* account, QString* error)
{
    QSqlQuery query(connection);
    query.prepare(
        QStringLiteral("SELECT ID, U_NAME, PW_ENABLE, PASSWORD FROM Users WHERE U_NAME = :uname"));
    query.bindValue(QStringLiteral(":uname"), userName);
    if (!query.exec())
        return fail(error, query.lastError().text());
    if (!query.next())
        return fail(error, QStringLiteral("No account has the user name \"%1\".").arg(userName));
    account->id = query.value(0).toInt();
    account->userName = query.value(1).toString();
    account->pwEnable = query.value(2).toString();
    account->password = query.value(3);
    if (query.next())
        return fail(
            error, QStringLiteral("More than one account has the user name \"%1\".").arg(userName));
    return true;
}

QString ResetCode::forUser(QSqlDatabase connection, const QString& databaseKey,
                           const QString& userName, QString* error)
{
    ResetCodeAccount account;
    if (!findAccount(connection, userName, &account, error))
        return QString();
    return forAccount(databaseKey, account);
}

bool ResetCode::matches(const QString& typed, const QString& expected)
{
    return !expected.isEmpty() && typed.trimmed().compare(expected, Qt::CaseInsensitive) == 0;
}
