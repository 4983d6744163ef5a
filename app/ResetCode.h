#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// The stored row of an account, as far as its reset code depends on it.
struct ResetCodeAccount {
    int id = 0;
    QString userName;
    QString pwEnable;
    QVariant password; // null when the column holds NULL
};

// The code that clears a forgotten password at log-in. Only someone holding the database key
// (an administrator with the initialiser, or the installation's keeper) can compute it, and it
// is bound to the account's stored password: the reset itself changes that, so a code works once.
class ResetCode
{
public:
    static constexpr int length = 10;

    static QString forAccount(const QString& databaseKey, const ResetCodeAccount& account);

    // The one account whose U_NAME equals userName exactly. False, with the reason in *error,
    // when the query fails or when no account or more than one has that name.
    static bool findAccount(QSqlDatabase connection, const QString& userName,
                            ResetCodeAccount* account, QString* error = nullptr);

    // Convenience for the initialiser: findAccount, then forAccount. Empty on failure.
    static QString forUser(QSqlDatabase connection, const QString& databaseKey,
                           const QString& userName, QString* error = nullptr);

    // Typed codes may carry blanks around them and either letter case.
    static bool matches(const QString& typed, const QString& expected);
};
