#include "report/ReportGraph.h"

#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace reportgraph
{
namespace
{
// The analysis counts hours from the start of this day; sample times are hours from timeOrigin.
const QDate kTimeAxisStart(1, 1, 1);
constexpr qint64 kMinutesPerHour = 60;
constexpr qint64 kMinutesPerDay = 24 * kMinutesPerHour;

constexpr double kPenWidth = 2.0;
constexpr int kLegendPointSize = 5;
const QSize kLegendIconSize(15, 3);
constexpr int kLegendIconTextPadding = 1;

QDateTime fromAbsoluteHour(double hour)
{
    const qint64 minutes = qRound64(hour * kMinutesPerHour);
    const QDate date = kTimeAxisStart.addDays(minutes / kMinutesPerDay);
    const int minuteOfDay = int(minutes % kMinutesPerDay);
    return QDateTime(date, QTime(minuteOfDay / kMinutesPerHour, minuteOfDay % kMinutesPerHour));
}

QPen curvePen(Qt::GlobalColor colour, Qt::PenStyle style)
{
    return QPen(QBrush(colour, Qt::SolidPattern), kPenWidth, style, Qt::SquareCap, Qt::BevelJoin);
}

void addCurve(QCustomPlot& plot, const QString& name, const QVector<double>& times,
              const QVector<double>& levels, const QPen& pen, bool inLegend)
{
    QCPGraph* graph = plot.addGraph();
    graph->setName(name);
    // A curve the fitting did not hand over leaves its graph empty rather than misaligned.
    const int points = std::min(times.size(), levels.size());
    graph->setData(times.mid(0, points), levels.mid(0, points));
    graph->setPen(pen);
    if (!inLegend)
        graph->removeFromLegend();
}
} // namespace

QVector<LevelRow> levelRows(const SessionData& session)
{
    const int count = std::clamp(session.levelCount, 0, pk::kTableRows);
    // The hand-over lists its rows in time order, whatever order the levels were entered in.
    std::vector<double> times(session.levelTimes.begin() + 1,
                              session.levelTimes.begin() + 1 + count);
    std::stable_sort(times.begin(), times.end());
    QVector<LevelRow> rows;
    for (int i = 0; i < count; ++i) {
        LevelRow row;
        row.sampledAt = fromAbsoluteHour(session.timeOrigin + times[i]);
        row.levels = session.reportTable[i];
        rows.append(row);
    }
    return rows;
}

QString priorLegendName(const SessionData& session)
{
    return session.graphPriorSet == pk::kPopulation ? QStringLiteral("Prior (Population)")
                                                    : QStringLiteral("Prior (Custom)");
}

QString priorColumnName(const SessionData& session)
{
    return session.graphPriorSet == pk::kPopulation ? QStringLiteral("Pop.")
                                                    : QStringLiteral("Custom");
}

QPixmap picture(const SessionData& session, const Curves& curves)
{
    const QVector<double>& times = session.graphTimes;
    QCustomPlot plot;
    plot.resize(kPictureWidth, kPictureHeight);
    if (curves.prior)
        addCurve(plot, priorLegendName(session), times, session.graphPrior,
                 curvePen(Qt::red, Qt::SolidLine), true);
    if (curves.leastSquares)
        addCurve(plot, QStringLiteral("Least Sq."), times, session.graphLs,
                 curvePen(Qt::green, Qt::DashLine), true);
    if (curves.bayesian)
        addCurve(plot, QStringLiteral("Bayesian"), times, session.graphBayes,
                 curvePen(Qt::blue, Qt::DashDotDotLine), true);
    addCurve(plot, QStringLiteral("Max"), times,
             QVector<double>(times.size(), session.levelUpperLimit),
             curvePen(Qt::darkCyan, Qt::DashLine), false);
    addCurve(plot, QStringLiteral("Min"), times,
             QVector<double>(times.size(), session.levelLowerLimit),
             curvePen(Qt::black, Qt::DashLine), false);

    plot.legend->setVisible(true);
    plot.legend->setFont(QFont(QStringLiteral("Helvetica"), kLegendPointSize));
    plot.legend->setIconSize(kLegendIconSize);
    plot.legend->setIconTextPadding(kLegendIconTextPadding);
    plot.axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    plot.xAxis->setLabel(QStringLiteral("Hours"));

    if (!times.isEmpty())
        plot.xAxis->setRangeUpper(times.last());
    plot.rescaleAxes();
    if (std::isfinite(session.reportGraphMax) && session.reportGraphMax > 0.0)
        plot.yAxis->setRangeUpper(kHeadroom * session.reportGraphMax);
    plot.replot();
    return plot.grab();
}
} // namespace reportgraph
