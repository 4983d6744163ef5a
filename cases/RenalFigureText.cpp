#include "cases/RenalFigureText.h"

#include "cases/ParameterGroupView.h"

QString RenalFigureText::clearance(double crcl, double creatinine)
{
    const bool estimated = creatinine <= 0.0 || crcl > 0.0;
    return estimated ? tr("%1 mL/min").arg(QString::number(crcl, 'f', 1)) : tr("not estimated");
}

QString RenalFigureText::albumin(double albumin)
{
    return albumin <= 0.0 ? QString() : tr("%1 g/dL").arg(ParameterGroupView::number(albumin));
}
