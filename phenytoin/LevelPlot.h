#pragma once

#include <QColor>
#include <QString>
#include <QVector>

#include <vector>

class QCPAbstractLegendItem;
class QCPLegend;
class QCustomPlot;

// Draws the level curves of a phenytoin window: one graph per source, the legend whose items a
// click hides and shows, the axes and the drag and zoom interactions.
namespace phenytoin
{
struct PlotCurve {
    QString name;
    QColor colour;
    QVector<double> levels; // one per axis time
};

struct PlotLayout {
    Qt::Alignment legendCorner;
    double xFrom = 0.0;
    double xTo = 0.0;
    double yTo = 0.0;
};

void drawCurves(QCustomPlot* plot, const QVector<double>& times,
                const std::vector<PlotCurve>& curves, const PlotLayout& layout);
// Removes every curve and redraws the empty plot.
void clearCurves(QCustomPlot* plot);
// A click on a curve's legend item hides the curve, a second one shows it again.
void toggleLegendCurve(QCPAbstractLegendItem* item);
} // namespace phenytoin
