#include "report/ReportCsv.h"

#include "cases/RenalFigureText.h"
#include "pkcore/DrugCodes.h"
#include "pkcore/SessionData.h"
#include "report/ReportText.h"

#include <QSaveFile>

#include <cmath>

using namespace reporttext;

namespace reportcsv
{
namespace
{
// The stream's plain number output: six significant digits, no trailing zeros.
QString plain(double value)
{
    return QString::number(value, 'g', 6);
}

QString parameterValue(double value)
{
    return std::isfinite(value) && value >= 0.0 ? fixed(value, 2) : QStringLiteral("-");
}

// The lone "-" of a value that could not be computed is no formula and stays as it is.
bool startsFormula(const QString& text)
{
    static const QString leaders = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && leaders.contains(text.front()) && text != QLatin1String("-");
}
} // namespace

QVector<Record> records(const SessionData& session)
{
    const PkParameterSet& population = session.pkSets[pk::kPopulation];
    const double cl = population[pk::kCl];
    const double vd = population[pk::kVd];
    QVector<Record> lines = {
        {QStringLiteral("First Name"), session.patient.firstName},
        {QStringLiteral("Last Name"), session.patient.lastName},
        {QStringLiteral("Age"), plain(session.ageYears)},
        {QStringLiteral("Sex"), sexText(session.patient.sex)},
        {QStringLiteral("Height"), heightText(session.heightCm)},
        {QStringLiteral("Weight"), weightText(session.weightKg)},
        {QStringLiteral("Crs1"), RenalFigureText::measure(session.scr1)},
        {QStringLiteral("Crs2"), RenalFigureText::measure(session.scr2)},
        {QStringLiteral("Crs Time"), RenalFigureText::measure(session.scrHoursBetween)},
        {QStringLiteral("Clcr"),
         clearanceKnown(session) ? plain(session.crcl) : QStringLiteral("not estimated")},
        {QStringLiteral("Population PK Param")},
        {QStringLiteral("Bioavailability (%)"), fixed(100.0 * population[pk::kF], 2)},
    };
    if (session.patient.drugCode == QLatin1String(phenytoinCode)) {
        lines.append({QStringLiteral("Vol. of Dist. (L)"), parameterValue(vd)});
        lines.append({QStringLiteral("Km (mg/L)"), parameterValue(population[pk::kKm])});
        lines.append({QStringLiteral("Vmax (mg/day)"), parameterValue(population[pk::kVmax])});
    } else {
        lines.append({QStringLiteral("Clearance (L/hr)"), parameterValue(cl)});
        lines.append({QStringLiteral("Vol. of Dist. (L)"), parameterValue(vd)});
        lines.append({QStringLiteral("Half-Life (hr)"), derived(halfLife(cl, vd))});
        lines.append({QStringLiteral("Time to SS (hr)"), derived(timeToSteadyState(cl, vd))});
    }
    return lines;
}

QString field(const QString& text)
{
    QString value = startsFormula(text) ? QLatin1Char('\'') + text : text;
    if (value.contains(QLatin1Char(',')) || value.contains(QLatin1Char('"')) ||
        value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'))) {
        value.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        value = QLatin1Char('"') + value + QLatin1Char('"');
    }
    return value;
}

QString text(const QVector<Record>& records)
{
    QString out;
    for (const Record& record : records) {
        QStringList fields;
        for (const QString& value : record)
            fields << field(value);
        out += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return out;
}

bool write(const QString& path, const QString& text, QString* error)
{
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
} // namespace reportcsv
