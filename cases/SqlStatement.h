#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

// One statement on the default connection with values bound by name. It keeps the database's
// text of whichever step failed: running a statement that could not be prepared would otherwise
// replace the real reason (a missing table, say) with a generic one.
class SqlStatement
{
public:
    explicit SqlStatement(const QString& sql);
    // The same on another connection.
    SqlStatement(const QString& sql, const QSqlDatabase& db);

    void bind(const QString& placeholder, const QVariant& value);
    bool exec();
    // The database's text of the last failure.
    QString error() const;

    bool next() { return m_query.next(); }
    QVariant value(int column) const { return m_query.value(column); }
    QVariant lastInsertId() const { return m_query.lastInsertId(); }
    int numRowsAffected() const { return m_query.numRowsAffected(); }

private:
    QSqlQuery m_query;
    bool m_prepared;
    QString m_prepareError;
};
