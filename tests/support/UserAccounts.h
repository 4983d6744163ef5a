#pragma once

#include <QSqlRecord>
#include <QString>
#include <QVariant>

// One row of the Users table, every column stored as given.
struct UserAccount {
    QString userName;
    QString pwEnable;  // "T" or "F"
    QVariant password; // a null or invalid QVariant stores NULL
    QString name;
    QString title;
    QString email;
    QString type; // "A" or "U"
};

// Adds the row on the default connection: its ID, or 0 when the insert failed.
int addUserAccount(const UserAccount& account);
// The row of that user name; empty when there is none.
QSqlRecord userAccountRow(const QString& userName);
