#include "report/ReportText.h"

#include "cases/PatientValidation.h"
#include "cases/RenalFigureText.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"

#include <QCoreApplication>

#include <cmath>

namespace reporttext
{
namespace
{
constexpr double kLnTwo = 0.693;
constexpr double kHalfLivesToSteadyState = 4.0;

QString tr(const char* text)
{
    return QCoreApplication::translate("printReport", text);
}
} // namespace

QString fixed(double value, int decimals)
{
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : tr("no result");
}

QString derived(double value)
{
    return std::isfinite(value) ? fixed(value, 2) : QStringLiteral("-");
}

bool forecastComputed(double value)
{
    return std::isfinite(value) && value >= 0.0;
}

QString forecastValue(double value, int decimals)
{
    if (!forecastComputed(value))
        return tr("no result");
    return fixed(value, decimals);
}

QString phenytoinLevelValue(bool noSteadyState, double observedAverage, double value, int decimals)
{
    if (noSteadyState)
        return tr("no steady state");
    if (!std::isfinite(observedAverage) || observedAverage < 0.0)
        return tr("no result");
    // A steady state whose adjusted level or time could not be worked out (no free fraction).
    return forecastValue(value, decimals);
}

bool clearanceKnown(const SessionData& session)
{
    return std::isfinite(session.crcl) && session.crcl >= 0.0 &&
           (!RenalFigureText::measureGiven(session.scr1) || session.crcl > 0.0);
}

QString doseUnit(const SessionData& session)
{
    return session.doseUnit.isEmpty() ? QStringLiteral("mg") : session.doseUnit;
}

QString concentrationUnit(const SessionData& session)
{
    return session.concentrationUnit.isEmpty() ? QStringLiteral("mg/L") : session.concentrationUnit;
}

double halfLife(double clearance, double volume)
{
    if (!pknum::positiveVolumeAndClearance(volume, clearance))
        return pknum::invalid();
    return kLnTwo / (clearance / volume);
}

double timeToSteadyState(double clearance, double volume)
{
    return kHalfLivesToSteadyState * halfLife(clearance, volume);
}

QString heightText(double heightCm)
{
    return QStringLiteral("%1 cm (%2 in)")
        .arg(fixed(heightCm, 1), fixed(heightCm / PatientValidation::cmPerInch, 1));
}

QString weightText(double weightKg)
{
    return QStringLiteral("%1 kg (%2 lb)")
        .arg(fixed(weightKg, 1), fixed(weightKg / PatientValidation::kgPerPound, 1));
}

QString sexText(const QString& sex)
{
    return sex == QLatin1String("M") ? tr("Male") : tr("Female");
}
} // namespace reporttext
