#pragma once

#include <QString>

// Creates a new encrypted case database, readable by its owner only, with the program's nine
// tables and one administrator account. The program itself never creates these tables, so every
// new installation and every test starts from a file made here. An existing file is never
// overwritten.
bool createCaseDatabase(const QString& path, const QString& key, const QString& adminName,
                        const QString& adminPassword, QString* error);

// The table definitions, in the order they are created; column order is part of the format.
const char* const* caseDatabaseSchema();
int caseDatabaseSchemaSize();
