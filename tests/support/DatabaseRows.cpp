#include "tests/support/DatabaseRows.h"

#include <QSqlQuery>
#include <QVariant>

int rowCount(const QString& table)
{
    QSqlQuery query(QStringLiteral("SELECT COUNT(*) FROM ") + table);
    return query.next() ? query.value(0).toInt() : -1;
}

bool execute(const QString& sql)
{
    QSqlQuery query;
    return query.exec(sql);
}
