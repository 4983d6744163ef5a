#pragma once

#include "forecast/SteadyStateCurve.h"

#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QStringList>

#include <array>

class QCustomPlot;
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

// A numeric entry that recomputes the window at every edit.
template <typename Window>
void wireNumberField(QLineEdit* edit, Window* window, void (Window::*recompute)())
{
    edit->setValidator(numberValidator(edit));
    QObject::connect(edit, &QLineEdit::textEdited, window, recompute);
}

// An entry and its label, shown and hidden together.
struct EntryField {
    QLabel* label;
    QLineEdit* edit;
};
template <std::size_t N> using EntryFields = std::array<EntryField, N>;

// Shows the fields the route asks for and hides the others.
template <std::size_t N>
void showAskedFields(const EntryFields<N>& fields, const std::array<bool, N>& asked)
{
    for (std::size_t i = 0; i < N; ++i) {
        fields[i].label->setVisible(asked[i]);
        fields[i].edit->setVisible(asked[i]);
    }
}

template <std::size_t N> std::array<QString, N> fieldTexts(const EntryFields<N>& fields)
{
    std::array<QString, N> texts;
    for (std::size_t i = 0; i < N; ++i)
        texts[i] = fields[i].edit->text();
    return texts;
}

template <std::size_t N>
void showRefusals(const EntryFields<N>& fields, const std::array<QString, N>& refusals)
{
    for (std::size_t i = 0; i < N; ++i)
        showRefusal(fields[i].edit, refusals[i]);
}

// The first refusal of an entry, empty when none is refused.
template <std::size_t N> QString firstRefusal(const std::array<QString, N>& refusals)
{
    for (const QString& refusal : refusals)
        if (!refusal.isEmpty())
            return refusal;
    return QString();
}

// One cell of the results table: a value, or "no result" with the reason as its tooltip; a dash
// (with the reason) where the regimen cannot have such a value at all.
struct ResultCell {
    double value = kNoResult;
    QString reason;
    bool exists = true;
};
using ResultRow = QVector<ResultCell>;

// Rows by set (population, custom, Bayesian, least squares) under the given column titles.
void showResults(QTableWidget* table, const QStringList& columns,
                 const std::array<ResultRow, kSetCount>& rows);

// Every computed set's curve and the therapeutic limits of the case.
void drawCurves(QCustomPlot* plot, const std::array<Curve, kSetCount>& curves,
                const SessionData& session);
} // namespace forecast
