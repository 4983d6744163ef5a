#pragma once

#include <QString>

// The installation's name, fixed when the program is built; the second part of the database key.
QString builtInSiteName();

// The password of every connection to the case database: a fixed prefix and the site name.
// Built on demand and never stored or shown.
QString databaseKeyFor(const QString& siteName);
