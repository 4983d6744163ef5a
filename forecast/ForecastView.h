#pragma once

#include "forecast/SteadyStateCurve.h"

#include <QString>
#include <QStringList>

#include <array>

class QCustomPlot;
class QLineEdit;
class QTableWidget;
class QValidator;
class QObject;
class SessionData;

// The parts the two forecast windows share: entry fields, the results table and the graph.
namespace forecast
{
// Digits and one decimal point.
QValidator* numberValidator(QObject* parent);

// The red mark and the reason at a refused field; an empty reason clears both.
void showRefusal(QLineEdit* field, const QString& refusal);

// One cell of the results table: a value, or "no result" with the reason as its tooltip.
struct ResultCell {
    double value = kNoResult;
    QString reason;
};
using ResultRow = QVector<ResultCell>;

// Rows by set (population, custom, Bayesian, least squares) under the given column titles.
void showResults(QTableWidget* table, const QStringList& columns,
                 const std::array<ResultRow, kSetCount>& rows);

// Every computed set's curve and the therapeutic limits of the case.
void drawCurves(QCustomPlot* plot, const std::array<Curve, kSetCount>& curves,
                const SessionData& session);
} // namespace forecast
