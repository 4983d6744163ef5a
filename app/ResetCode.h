#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// The stored row of an account, as far as its reset code depends on it: any change to it makes
// an earlier code worthless.
struct ResetCodeAccount {
    int id = 0;
    QString userName;
    QString pwEnable;
    QVariant password; // null when the column holds NULL
    QString name;
    QString title;
    QString email;
    QString type;
};

// The one-time code that clears a forgotten password at log-in. An administrator makes it for
// one account (the account page, or the initialiser when no administrator can sign in); it is
// random, and the database keeps only a salted hash of it, bound to the account row as it stood,
// with its expiry. It works once, within its lifetime, and only while the account is unchanged.
//
// The codes live in their own table, made the first time a code is made, so databases from
// before the codes need no change to be opened.
class ResetCode
{
public:
    // Characters of a code, not counting the dashes that group it for reading.
    static constexpr int length = 12;
    static constexpr int groupLength = 4;
    static constexpr qint64 lifetimeSeconds = 24 * 60 * 60;
    static const char* const tableName;

    enum class Verdict { Accepted, NoCode, Expired, NotMatching, Failed };

    // Makes a new code for the account, replacing any earlier one, and returns it as shown to
    // the user. Empty, with the reason in *error, when it could not be stored.
    static QString issue(QSqlDatabase connection, const ResetCodeAccount& account,
                         const QDateTime& now, QString* error = nullptr);
    // findAccount, then issue. Empty on failure.
    static QString issueForUser(QSqlDatabase connection, const QString& userName,
                                const QDateTime& now, QString* error = nullptr);

    // Whether the typed code is the account's current one. Blanks, dashes and letter case are
    // forgiven.
    static Verdict check(QSqlDatabase connection, const ResetCodeAccount& account,
                         const QString& typed, const QDateTime& now, QString* error = nullptr);
    // Removes the account's code once it has served; runs inside the caller's transaction.
    static bool discard(QSqlDatabase connection, int accountId, QString* error = nullptr);

    // The one account whose U_NAME equals userName exactly. False, with the reason in *error,
    // when the query fails or when no account or more than one has that name.
    static bool findAccount(QSqlDatabase connection, const QString& userName,
                            ResetCodeAccount* account, QString* error = nullptr);
    static bool findAccountById(QSqlDatabase connection, int id, ResetCodeAccount* account,
                                QString* error = nullptr);
};
