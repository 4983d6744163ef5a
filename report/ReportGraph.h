#pragma once

#include "pkcore/PkIndices.h"

#include <QDateTime>
#include <QPixmap>
#include <QVector>

#include <array>

class SessionData;

// The graph section's data: the fitted curves that the curve-fitting window handed over, drawn
// off-screen, and its table of measured against predicted levels.
namespace reportgraph
{
constexpr int kPictureWidth = 440;
constexpr int kPictureHeight = 300;
// The upper level shown, relative to the largest level of the graph.
constexpr double kHeadroom = 1.3;

struct Curves {
    bool prior = false;
    bool leastSquares = false;
    bool bayesian = false;
};

// One measured level and what the prior, least-squares and Bayesian sets predicted for it, in
// the columns pk::kTableMeasured ... pk::kTableBayesian.
struct LevelRow {
    QDateTime sampledAt;
    std::array<double, pk::kTableColumns> levels{};
};

// The fitted level table, one row per measured level, earliest sample first; a level of 0 is a
// measurement like any other.
QVector<LevelRow> levelRows(const SessionData& session);

// The set the fits started from, as the graph's legend and the level table's column name it.
QString priorLegendName(const SessionData& session);
QString priorColumnName(const SessionData& session);

// The chosen curves with the therapeutic limits, kPictureWidth x kPictureHeight.
QPixmap picture(const SessionData& session, const Curves& curves);
} // namespace reportgraph
