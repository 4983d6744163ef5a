#include "forecast/ForecastView.h"

#include "app/ErrorMark.h"
#include "forecast/ForecastText.h"
#include "pkcore/SessionData.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTableWidget>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace forecast
{
namespace
{
const char kNumberPattern[] = "^[0-9]*\\.?[0-9]*$";
constexpr int kDecimals = 2;
const char kNoValue[] = "-";

const std::array<const char*, kSetCount> kSetNames = {"Population", "Custom", "Bayesian",
                                                      "Least Square"};
const std::array<QColor, kSetCount> kSetColours = {QColor(Qt::blue), QColor(Qt::darkGreen),
                                                   QColor(Qt::red), QColor(Qt::magenta)};

void addLimit(QCustomPlot* plot, double level, double span, const QString& name)
{
    if (!(level > 0.0))
        return;
    QCPGraph* g = plot->addGraph();
    g->setName(name);
    g->setPen(QPen(Qt::gray, 1, Qt::DashLine));
    g->setData({0.0, span}, {level, level}, true);
}

QString cellText(const ResultCell& cell)
{
    if (std::isfinite(cell.value) && cell.value >= 0.0)
        return QString::number(cell.value, 'f', kDecimals);
    // A cell without a reason belongs to an entry not yet complete: nothing to show.
    if (cell.reason.isEmpty() && cell.value == kNoResult)
        return QString();
    return cell.exists ? tr("no result") : QLatin1String(kNoValue);
}
} // namespace

QValidator* numberValidator(QObject* parent)
{
    return new QRegularExpressionValidator(QRegularExpression(QLatin1String(kNumberPattern)),
                                           parent);
}

void showRefusal(QLineEdit* field, const QString& refusal)
{
    setErrorMark(field, !refusal.isEmpty());
    field->setToolTip(refusal);
}

void showResults(QTableWidget* table, const QStringList& columns,
                 const std::array<ResultRow, kSetCount>& rows)
{
    table->clear();
    table->setColumnCount(columns.size());
    table->setRowCount(kSetCount);
    table->setHorizontalHeaderLabels(columns);
    QStringList setNames;
    for (const char* name : kSetNames)
        setNames << tr(name);
    table->setVerticalHeaderLabels(setNames);
    for (int set = 0; set < kSetCount; ++set) {
        for (int column = 0; column < rows[set].size() && column < columns.size(); ++column) {
            const ResultCell& cell = rows[set][column];
            auto* item = new QTableWidgetItem(cellText(cell));
            item->setToolTip(cell.reason);
            item->setFlags(Qt::ItemIsEnabled);
            table->setItem(set, column, item);
        }
    }
    // Every set in view at once, without scrolling.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    table->resizeRowsToContents();
    int height = table->horizontalHeader()->height() + 2 * table->frameWidth();
    for (int set = 0; set < kSetCount; ++set)
        height += table->rowHeight(set);
    table->setFixedHeight(height);
}

void drawCurves(QCustomPlot* plot, const std::array<Curve, kSetCount>& curves,
                const SessionData& session)
{
    plot->clearGraphs();
    double span = 0.0;
    for (int set = 0; set < kSetCount; ++set) {
        const Curve& c = curves[set];
        if (c.times.isEmpty())
            continue;
        QCPGraph* g = plot->addGraph();
        g->setName(tr(kSetNames[set]));
        g->setPen(QPen(kSetColours[set], 2));
        g->setData(c.times, c.levels, true);
        span = std::max(span, c.times.last());
    }
    if (span > 0.0) {
        addLimit(plot, session.levelUpperLimit, span, tr("Upper limit"));
        addLimit(plot, session.levelLowerLimit, span, tr("Lower limit"));
    }
    plot->xAxis->setLabel(tr("Time (h)"));
    plot->yAxis->setLabel(tr("Level (%1)").arg(session.concentrationUnit));
    plot->legend->setVisible(plot->graphCount() > 0);
    plot->rescaleAxes();
    plot->yAxis->setRangeLower(0.0);
    plot->replot();
}
} // namespace forecast
