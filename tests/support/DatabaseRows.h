#pragma once

#include <QString>

// Plain statements on the default connection, for setting a test's database up and reading it back.

// Rows in the table, -1 when it cannot be read. The name is the test's own, never a user's.
int rowCount(const QString& table);
// Whether the statement ran.
bool execute(const QString& sql);
