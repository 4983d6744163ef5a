#include "phenytoin/WindowFields.h"

#include "pkcore/SessionData.h"

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace phenytoin
{
void showParameters(const SessionData& session, const PerSource<ParameterLabels>& labels)
{
    for (Source s : kAllSources) {
        if (!sourceExists(session, s))
            continue;
        const PkParameterSet& set = session.pkSets[setIndex(s)];
        labels[s].vd->setText(QString::number(set[pk::kVd], 'f', 2));
        // Km: the case page's custom edit renews the Km slot alone.
        labels[s].km->setText(QString::number(set[pk::kKm], 'f', 2));
        labels[s].vmax->setText(QString::number(set[pk::kVmax], 'f', 2));
        labels[s].cf->setText(QString::number(set[pk::kCF] * 100.0, 'f', 2));
    }
}

void showLeastSquaresColumn(QWidget* window, const SessionData& session)
{
    static const QRegularExpression column(QStringLiteral("(^|_)ls(_|$)"));
    const bool shown = sourceExists(session, kLeastSquares);
    for (QWidget* widget : window->findChildren<QWidget*>(column))
        widget->setVisible(shown);
}

void acceptPattern(QLineEdit* field, const char* pattern)
{
    field->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(pattern)), field));
}

QString percentText(double fraction)
{
    return QString::number(fraction * 100.0, 'f', 1) + QLatin1Char('%');
}

bool takeInitialConcentration(QLineEdit* field, double& level)
{
    const QString text = field->text();
    if (text.toDouble() == level)
        return false;
    bool ok = false;
    level = text.toDouble(&ok);
    if (!ok || level < 0.0) {
        level = 0.0;
        field->setText(QStringLiteral("0.00"));
    }
    return true;
}

bool takeDoseCount(QLineEdit* field, int& count, int fallback)
{
    const int entered = field->text().toInt();
    if (entered == count)
        return false;
    count = entered > 0 ? entered : fallback;
    if (entered <= 0)
        field->setText(QString::number(count));
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

double readoutTime(const QLineEdit* timeX)
{
    const QString text = timeX->text();
    return text.isEmpty() ? -1.0 : text.toDouble();
}
} // namespace phenytoin
