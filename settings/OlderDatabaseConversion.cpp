#include "settings/OlderDatabaseConversion.h"

#include "settings/OlderCaseConversion.h"
#include "settings/OlderDatabaseReader.h"
#include "settings/OlderDatabaseWriter.h"

#include <QCoreApplication>

namespace
{
QString translate(const char* text)
{
    return QCoreApplication::translate("ProgramSettingPage", text);
}

// Lines of a list beyond these are counted, not shown, so the box stays on the screen.
constexpr int shownLines = 20;

QString lines(const QStringList& list)
{
    QString text = list.mid(0, shownLines).join(QLatin1Char('\n'));
    if (list.size() > shownLines)
        text += QLatin1Char('\n') + translate("... and %1 more.").arg(list.size() - shownLines);
    return text;
}

QString nameOf(const ConvertedPatient& patient)
{
    const QString name = (patient.firstName + QLatin1Char(' ') + patient.lastName).trimmed();
    return patient.birthday.isEmpty() ? name
                                      : translate("%1 (born %2)").arg(name, patient.birthday);
}
} // namespace

QString ConversionSummary::text() const
{
    QString text =
        translate("Conversion Finished. \n%1 out of %2 have been inserted.").arg(written).arg(read);
    if (skipped > 0)
        text += QLatin1Char('\n') +
                translate("%1 were already in the database and were skipped.").arg(skipped);
    if (!failed.isEmpty())
        text += QLatin1Char('\n') +
                translate("%1 could not be converted, and nothing of them was written:")
                    .arg(failed.size()) +
                QLatin1Char('\n') + lines(failed);
    if (!unjoined.isEmpty())
        text += QLatin1Char('\n') +
                translate("These rows of the older database belong to no patient or case:") +
                QLatin1Char('\n') + lines(unjoined);
    if (!attention.isEmpty())
        text += QLatin1Char('\n') + translate("Please check these values:") + QLatin1Char('\n') +
                lines(attention);
    return text;
}

OlderDatabaseConversion::OlderDatabaseConversion(const QString& olderConnectionString,
                                                 const QString& targetConnection,
                                                 const QString& userName)
    : m_older(olderConnectionString), m_target(targetConnection), m_userName(userName)
{
}

int OlderDatabaseConversion::patientTotal()
{
    m_total = OlderDatabaseReader(m_older).patientCount();
    return m_total;
}

bool OlderDatabaseConversion::run(const Progress& progress)
{
    m_summary = ConversionSummary();
    const QString total = QString::number(m_total);
    QVector<OldDbPatientRecord> older;
    OlderDatabaseReader reader(m_older);
    const bool read = reader.load(&older, [&](int loaded) {
        progress(loaded, translate("Loading patient %1 out of %2 from the old database...")
                             .arg(loaded)
                             .arg(total));
    });
    if (!read) {
        m_error = reader.error();
        return false;
    }
    m_summary.read = older.size();
    m_summary.unjoined = reader.skippedRows();

    OlderCaseConversion conversion;
    OlderDatabaseWriter writer(m_target, m_userName);
    // Whether the target holds a patient is asked before anything is written, so a person the
    // older file holds twice is written twice rather than skipped the second time.
    QVector<ConvertedPatient> converted;
    QVector<OlderDatabaseWriter::Presence> presence;
    QStringList searchErrors;
    for (const OldDbPatientRecord& patient : older) {
        converted.append(conversion.convert(patient));
        presence.append(writer.find(converted.last()));
        searchErrors.append(writer.error().trimmed());
    }
    for (int i = 0; i < converted.size(); ++i) {
        progress(m_total + i + 1,
                 translate("Inserting patient %1 out of %2 into the new database...")
                     .arg(i + 1)
                     .arg(total));
        const ConvertedPatient& patient = converted[i];
        if (presence[i] == OlderDatabaseWriter::Presence::Present) {
            ++m_summary.skipped;
            continue;
        }
        if (presence[i] == OlderDatabaseWriter::Presence::Unknown) {
            m_summary.failed << translate("%1: %2").arg(nameOf(patient), searchErrors[i]);
            continue;
        }
        if (!writer.write(patient)) {
            m_summary.failed << translate("%1: %2").arg(nameOf(patient), writer.error().trimmed());
            continue;
        }
        ++m_summary.written;
        m_summary.attention << patient.attention;
    }
    return true;
}
