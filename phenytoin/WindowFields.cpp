#include "phenytoin/WindowFields.h"

#include "pkcore/EntryLimits.h"
#include "pkcore/SessionData.h"

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <cmath>

namespace phenytoin
{
void showParameters(const SessionData& session, const PerSource<ParameterLabels>& labels)
{
    for (Source s : kAllSources) {
        if (!sourceExists(session, s))
            continue;
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

void acceptPattern(QLineEdit* field, const char* pattern)
{
    field->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(pattern)), field));
}

void acceptNumber(QLineEdit* field, double highest)
{
    const int wholeDigits = static_cast<int>(std::floor(std::log10(highest))) + 1;
    field->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^[0-9]{0,%1}\\.?[0-9]*$").arg(wholeDigits)), field));
}

double numberWithin(const QString& text, double lowest, double highest)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && value >= lowest && value <= highest ? value : -1.0;
}

QString percentText(double fraction)
{
    // An F below 0 is none: a dash, never a negative percentage.
    if (fraction < 0.0)
        return QStringLiteral("-");
    return figureText(Figure::of(fraction * 100.0), 1) + QLatin1Char('%');
}

bool takeInitialConcentration(QLineEdit* field, double& level)
{
    const QString text = field->text();
    if (text.toDouble() == level)
        return false;
    level = numberWithin(text, 0.0, pk::kMostLevel);
    if (level < 0.0) {
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
