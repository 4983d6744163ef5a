#include "tests/support/UserAccounts.h"

#include <QSqlQuery>

int addUserAccount(const UserAccount& account)
{
    QSqlQuery query;
    query.prepare(QStringLiteral(
        "INSERT INTO Users VALUES(NULL,:uname,:pwenable,:password,:name,:title,:email,:type)"));
    query.bindValue(QStringLiteral(":uname"), account.userName);
    query.bindValue(QStringLiteral(":pwenable"), account.pwEnable);
    query.bindValue(QStringLiteral(":password"), account.password);
    query.bindValue(QStringLiteral(":name"), account.name);
    query.bindValue(QStringLiteral(":title"), account.title);
    query.bindValue(QStringLiteral(":email"), account.email);
    query.bindValue(QStringLiteral(":type"), account.type);
    return query.exec() ? query.lastInsertId().toInt() : 0;
}

QSqlRecord userAccountRow(const QString& userName)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT * FROM Users WHERE U_NAME = :uname"));
    query.bindValue(QStringLiteral(":uname"), userName);
    if (query.exec() && query.next())
        return query.record();
    return QSqlRecord();
}
