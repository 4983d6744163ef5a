#pragma once

#include "phenytoin/EntryRefusals.h"
#include "phenytoin/LevelCurve.h"
#include "phenytoin/PhenytoinSources.h"
#include "pkcore/EntryLimits.h"

#include <limits>

class QLabel;
class QLineEdit;
class QWidget;

// The labels and entries both phenytoin windows show alike.
namespace phenytoin
{
// The labels of one source's parameters: volume, Km, Vmax and CF.
struct ParameterLabels {
    QLabel* vd;
    QLabel* km;
    QLabel* vmax;
    QLabel* cf;
};

// Shows the parameters of every source the session has; the others' labels are emptied.
void showParameters(const SessionData& session, const PerSource<ParameterLabels>& labels);

// Both windows' forms name their parameter labels alike.
template <typename Form> void showParametersOn(const Form& ui, const SessionData& session)
{
    showParameters(
        session,
        {{{ui.label_vd_pop, ui.label_cl_pop, ui.label_vmax_pop, ui.label_cf_pop},
          {ui.label_vd_custom, ui.label_cl_custom, ui.label_vmax_custom, ui.label_cf_custom},
          {ui.label_vd_ls, ui.label_cl_ls, ui.label_vmax_ls, ui.label_cf_ls},
          {ui.label_vd_bayes, ui.label_cl_bayes, ui.label_vmax_bayes, ui.label_cf_bayes}}});
}

// Shows the least-squares column of a window only while that set exists: phenytoin levels are
// not fitted by least squares, so the column would stay empty without saying why. Every widget
// of the column has "ls" as a word of its object name.
void showLeastSquaresColumn(QWidget* window, const SessionData& session);

// The therapeutic range at normal binding, mg/L.
constexpr double kRangeLow = 10.0;
constexpr double kRangeHigh = 20.0;

// The range's ends at the patient's binding, in both windows' range fields.
template <typename Form> void showTherapeuticRange(const Form& ui, const SessionData& session)
{
    ui.lineEdit_therap_range_1->setText(rangeEndText(session, kRangeLow));
    ui.lineEdit_therap_range_2->setText(rangeEndText(session, kRangeHigh));
}

// Lets the field take digits with one decimal point; how large a number may be, and whether it
// must be whole, is said when it is read (EntryRefusals), not kept from being typed.
void acceptNumber(QLineEdit* field);

// The doses a curve can show.
constexpr int kMostShownDoses = 99;

// The characters a read-out time takes: more than any time on a graph is written with (the
// longest graph ends at 48000 hours, 18 characters with the 12 decimals a refusal may name), and
// few enough for the refusal naming a time outside the graph to fit the refusal notice's line.
constexpr int kMostTimeCharacters = 20;

// The values the entries of both windows take.
constexpr pk::EntryRange kLevelEntry{0.0, true, pk::kMostLevel};
constexpr pk::EntryRange kDoseCountEntry{1.0, true, kMostShownDoses, true};
constexpr pk::EntryRange kReadoutEntry{0.0, true, std::numeric_limits<double>::infinity()};

// A fraction as a percentage with one decimal: 0.925 -> "92.5%"; "-" for a fraction below 0
// (none).
QString percentText(double fraction);

// Reads the initial concentration entry into `level`; an empty entry is shown and taken as 0, a
// refused one changes nothing. Returns whether the level changed.
bool takeInitialConcentration(EntryRefusals& refusals, QLineEdit* field, double& level);
// Reads the number-of-doses entry into `count`; an empty entry is shown and taken as `fallback`,
// a refused one changes nothing. Returns whether the count was taken.
bool takeDoseCount(EntryRefusals& refusals, QLineEdit* field, int& count, int fallback);

// The doses a curve shows until the user asks for another number.
constexpr int kDefaultDoseCount = 5;

// The entries that shape the drawn curves: read-out time, number of doses, initial level.
struct CurveEntries {
    QLineEdit* timeX;
    QLineEdit* doseCount;
    QLineEdit* initialConcentration;
};
// A first result opens the read-out time and fills the empty entries with the values in use.
void openCurveEntries(const CurveEntries& entries, int doseCount, double initialConcentration);
// No result: every entry empty, the read-out time closed.
void clearCurveEntries(const CurveEntries& entries);
// Whether the number of doses or the initial level holds a refused entry: a curve drawn from the
// value taken before would not be the curve the entries ask for.
bool curveEntryRefused(const EntryRefusals& refusals, const CurveEntries& entries);
// The typed read-out time in hours, -1.0 when there is none or it is refused; a time outside the
// graph is refused with the graph's span, not read off the curve's end.
double readoutTime(EntryRefusals& refusals, QLineEdit* timeX, const AxisPlan& graph);
} // namespace phenytoin
