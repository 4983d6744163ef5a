#include "phenytoin/WindowFields.h"

#include "pkcore/EntryReading.h"
#include "pkcore/SessionData.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <cmath>

namespace phenytoin
{
namespace
{
// Relative to the span, far above a sum's rounding and far below a typed hundredth of an hour.
constexpr double kSpanRounding = 1e-12;
} // namespace

void showParameters(const SessionData& session, const PerSource<ParameterLabels>& labels)
{
    for (Source s : kAllSources) {
        if (!sourceExists(session, s)) {
            // A fit that went must not read as a set of the case.
            for (QLabel* label : {labels[s].vd, labels[s].km, labels[s].vmax, labels[s].cf})
                label->clear();
            continue;
        }
        const PkParameterSet& set = session.pkSets[setIndex(s)];
        labels[s].vd->setText(figureText(Figure::of(set[pk::kVd])));
        // Km: the case page's custom edit renews the Km slot alone.
        labels[s].km->setText(figureText(Figure::of(set[pk::kKm])));
        labels[s].vmax->setText(figureText(Figure::of(set[pk::kVmax])));
        labels[s].cf->setText(figureText(Figure::of(set[pk::kCF] * 100.0)));
    }
}

void showLeastSquaresColumn(QWidget* window, const SessionData& session)
{
    static const QRegularExpression column(QStringLiteral("(^|_)ls(_|$)"));
    const bool shown = sourceExists(session, kLeastSquares);
    for (QWidget* widget : window->findChildren<QWidget*>(column))
        widget->setVisible(shown);
}

void acceptNumber(QLineEdit* field)
{
    field->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^[0-9]*\\.?[0-9]*$")), field));
}

QString percentText(double fraction)
{
    // An F below 0 is none: a dash, never a negative percentage.
    if (fraction < 0.0)
        return QStringLiteral("-");
    return figureText(Figure::of(fraction * 100.0), 1) + QLatin1Char('%');
}

bool takeInitialConcentration(EntryRefusals& refusals, QLineEdit* field, double& level)
{
    const pk::EntryReading entry = refusals.read(field, kLevelEntry);
    if (!entry.refusal.isEmpty())
        return false;
    const double entered = entry.filled ? entry.value : 0.0;
    if (entered == level)
        return false;
    level = entered;
    if (!entry.filled)
        field->setText(QStringLiteral("0.00"));
    return true;
}

bool takeDoseCount(EntryRefusals& refusals, QLineEdit* field, int& count, int fallback)
{
    const pk::EntryReading entry = refusals.read(field, kDoseCountEntry);
    if (!entry.refusal.isEmpty())
        return false;
    if (!entry.filled) {
        count = fallback;
        field->setText(QString::number(count));
        return true;
    }
    const int entered = static_cast<int>(entry.value);
    if (entered == count)
        return false;
    count = entered;
    return true;
}

void openCurveEntries(const CurveEntries& entries, int doseCount, double initialConcentration)
{
    entries.timeX->setEnabled(true);
    if (entries.doseCount->text().isEmpty())
        entries.doseCount->setText(QString::number(doseCount));
    if (entries.initialConcentration->text().isEmpty())
        entries.initialConcentration->setText(QString::number(initialConcentration, 'f', 2));
}

void clearCurveEntries(const CurveEntries& entries)
{
    entries.initialConcentration->clear();
    entries.doseCount->clear();
    entries.timeX->setEnabled(false);
    entries.timeX->clear();
}

bool curveEntryRefused(const EntryRefusals& refusals, const CurveEntries& entries)
{
    return refusals.holdsRefused(entries.doseCount) ||
           refusals.holdsRefused(entries.initialConcentration);
}

double readoutTime(EntryRefusals& refusals, QLineEdit* timeX, const AxisPlan& graph)
{
    const double time = refusals.number(timeX, kReadoutEntry);
    // The span's ends are sums of the typed interval and fall a rounding step either side of the
    // same time typed: 15 x 8.2 h gives 122.99999999999999.
    const double slack = kSpanRounding * std::max(std::abs(graph.start), std::abs(graph.end));
    if (time < 0.0 || (time >= graph.start - slack && time <= graph.end + slack))
        return time;
    refusals.refuse(timeX, pk::outsideGraphRefusal(
                               QCoreApplication::translate("phenytoin", "Time"), time, graph.start,
                               graph.end, QCoreApplication::translate("phenytoin", "Hours")));
    return -1.0;
}
} // namespace phenytoin
