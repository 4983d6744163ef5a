#pragma once

#include <QString>

// Why a chosen older database file cannot be handed to the ODBC driver, found from the file
// itself: drivers tend to answer a missing file, a folder, an unreadable file and a damaged one
// alike, without a word. Empty when nothing is found against the file.
QString olderFileProblem(const QString& path);
