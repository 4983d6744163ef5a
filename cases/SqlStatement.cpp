#include "cases/SqlStatement.h"

#include <QSqlError>

SqlStatement::SqlStatement(const QString& sql) : SqlStatement(sql, QSqlDatabase::database()) {}

SqlStatement::SqlStatement(const QString& sql, const QSqlDatabase& db) : m_query(db)
{
    m_prepared = m_query.prepare(sql);
    if (!m_prepared)
        m_prepareError = m_query.lastError().text();
}

void SqlStatement::bind(const QString& placeholder, const QVariant& value)
{
    m_query.bindValue(placeholder, value);
}

bool SqlStatement::exec()
{
    return m_prepared && m_query.exec();
}

QString SqlStatement::error() const
{
    return m_prepared ? m_query.lastError().text() : m_prepareError;
}
