#include "phenytoin/LevelPlot.h"

#include <QCoreApplication>
#include <qcustomplot.h>

namespace phenytoin
{
namespace
{
constexpr int kLegendPointSize = 5;
const QSize kLegendIconSize(15, 3);
constexpr int kLegendIconPadding = 1;

void styleLegend(QCustomPlot* plot, Qt::Alignment corner)
{
    plot->legend->setVisible(true);
    plot->legend->setFont(QFont(QStringLiteral("Helvetica"), kLegendPointSize));
    plot->legend->setIconSize(kLegendIconSize);
    plot->legend->setIconTextPadding(kLegendIconPadding);
    plot->legend->setSelectableParts(QCPLegend::spItems);
    plot->axisRect()->insetLayout()->setInsetAlignment(0, corner);
}
} // namespace

void drawCurves(QCustomPlot* plot, const QVector<double>& times,
                const std::vector<PlotCurve>& curves, const PlotLayout& layout)
{
    plot->clearGraphs();
    plot->clearPlottables();
    for (const PlotCurve& curve : curves) {
        QCPGraph* graph = plot->addGraph();
        graph->setName(curve.name);
        graph->setPen(QPen(curve.colour));
        graph->setData(times, curve.levels, true);
    }
    styleLegend(plot, layout.legendCorner);
    plot->xAxis->setLabel(QCoreApplication::translate("phenytoin", "Time (hr)"));
    plot->yAxis->setLabel(QCoreApplication::translate("phenytoin", "Blood Level (mg/L)"));
    plot->xAxis->setRange(layout.xFrom, layout.xTo);
    plot->yAxis->setRange(0.0, layout.yTo);
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot->replot();
}

void clearCurves(QCustomPlot* plot)
{
    plot->clearGraphs();
    plot->clearPlottables();
    plot->replot();
}

void toggleLegendCurve(QCPAbstractLegendItem* item)
{
    auto* entry = qobject_cast<QCPPlottableLegendItem*>(item);
    if (!entry)
        return;
    QCPAbstractPlottable* curve = entry->plottable();
    curve->setVisible(!curve->visible());
}
} // namespace phenytoin
