#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// What one conversion run did, counted from what really reached the target.
struct ConversionSummary {
    int read = 0;          // patients of the older file
    int written = 0;       // patients written with all their cases
    int skipped = 0;       // patients the target already held
    QStringList failed;    // one line per patient left out, with the reason
    QStringList unjoined;  // rows of the older file that belong to no patient or case
    QStringList attention; // values to check, each line saying what was stored

    QString text() const;
};

// Converts every patient of an older database, read through ODBC, into a case database open on
// a connection: reads the older file whole, skips the patients the target held before the run,
// and writes each of the others in a transaction of its own, going on after a patient that
// fails.
class OlderDatabaseConversion
{
public:
    OlderDatabaseConversion(const QString& olderConnectionString, const QString& targetConnection,
                            const QString& userName);

    // The progress bar's value and the label's text.
    using Progress = std::function<void(int value, const QString& label)>;
    // The number of older patients, N: the progress runs from 0 to 2 N.
    int patientTotal();
    // False when the older file could not be read; error() says why and nothing was written.
    bool run(const Progress& progress);

    ConversionSummary summary() const { return m_summary; }
    QString error() const { return m_error; }

private:
    QString m_older;
    QString m_target;
    QString m_userName;
    int m_total = 0;
    ConversionSummary m_summary;
    QString m_error;
};
