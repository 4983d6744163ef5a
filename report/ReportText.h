#pragma once

#include <QString>

class SessionData;

// Number and unit wording shared by the report's page and its CSV export.
namespace reporttext
{
// QString::number(value, 'f', decimals); "no result" for a value that is not finite.
QString fixed(double value, int decimals);
// A value computed from a set's clearance and volume; "-" when it could not be computed.
QString derived(double value);

// A per-set forecast value the record holds as -1.0 has no result.
bool forecastComputed(double value);
QString forecastValue(double value, int decimals);
// The phenytoin steady state of one source: "no steady state" when the record says its daily
// rate reaches Vmax, "no result" when the record holds no level; else the value, or "no result"
// when that value alone is missing.
QString phenytoinLevelValue(bool noSteadyState, double observedAverage, double value, int decimals);

// The creatinine clearance is known when the user entered it or it was estimated from a
// creatinine; none is estimated under six months of age nor for a user's-choice drug.
bool clearanceKnown(const SessionData& session);

// The case's units, "mg" and "mg/L" for a case that never set them.
QString doseUnit(const SessionData& session);
QString concentrationUnit(const SessionData& session);

// Half-life and four half-lives to steady state from clearance (L/hr) and volume (L); a
// quiet NaN when the set has no usable clearance or volume.
double halfLife(double clearance, double volume);
double timeToSteadyState(double clearance, double volume);

// "175.0 cm (68.9 in)" and "70.0 kg (154.3 lb)".
QString heightText(double heightCm);
QString weightText(double weightKg);
QString sexText(const QString& sex);
} // namespace reporttext
