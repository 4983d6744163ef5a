#include "cases/RenalFigureText.h"

#include "cases/ParameterGroupView.h"

#include <cmath>

namespace
{
// Six significant digits, as the case is stored.
constexpr int kMeasureDigits = 6;
} // namespace

bool RenalFigureText::measureGiven(double value)
{
    return std::isfinite(value) && value > 0.0;
}

QString RenalFigureText::measure(double value)
{
    return measureGiven(value) ? QString::number(value, 'g', kMeasureDigits) : QStringLiteral("-");
}

QString RenalFigureText::clearance(double crcl, double creatinine)
{
    const bool estimated = creatinine <= 0.0 || crcl > 0.0;
    return estimated ? tr("%1 mL/min").arg(QString::number(crcl, 'f', 1)) : tr("not estimated");
}

QString RenalFigureText::albumin(double albumin)
{
    return !measureGiven(albumin) ? QString()
                                  : tr("%1 g/dL").arg(ParameterGroupView::number(albumin));
}
