#pragma once

#include "pkcore/SessionData.h"

#include <QString>

#include <functional>

class DrugInfo;
class PkCalculator;
class ProgramConfig;
class QDialog;
class QWidget;

// The case page opens the analysis, fitting, forecast and report windows, which belong to
// higher layers of the program. It reaches them only through these links and the makers that
// the program registers at start-up; a window whose maker is not registered is not offered.

// The dose-history and serum-level window. Its widget emits drawGraph(double maxTime) at the
// end of every analysis run, and caseEdited() whenever the user changes a row (the case page
// then counts the case as unsaved; opening the window alone does not). The link lives as long
// as the widget.
class AnalysisLink
{
public:
    virtual ~AnalysisLink() = default;
    virtual QWidget* window() = 0;
    // Read the case's stored rows into the window; true when at least one row was read. The
    // dose history brings the prior the case was saved with, so the case fits as it was saved.
    virtual bool loadDoseHistory() = 0;
    virtual bool loadSerumLevels() = 0;
    // Turns the complete rows into the session's dose events and levels and emits drawGraph.
    virtual void runAnalysis() = 0;
    // When the rows changed since the analysis whose fits the session holds, runs it again
    // without a prompt, so that the fits shown and saved are those of the rows; when that is
    // refused, the fitted sets are made absent and the reason returned. Empty otherwise.
    virtual QString refitChangedRows() = 0;
    // The set the fits start from: pk::kPopulation or pk::kCustom.
    virtual int priorSetIndex() const = 0;
    // What a save tells of the rows it stores as typed that the analysis leaves out; empty when
    // it analyses every whole row.
    virtual QString leftOutRowsNotice() const = 0;
    // Rewrite the case's stored rows, the dose history with the prior chosen. They run inside
    // the case save's transaction on the default connection; false once the window has
    // reported the failure itself.
    virtual bool saveDoseHistory() = 0;
    virtual bool saveSerumLevels() = 0;
};

// The curve-fitting window. Its widget emits bayesDataSend() and then LSDataSend() from
// initFromCase. The link lives as long as the widget.
class FittingLink
{
public:
    virtual ~FittingLink() = default;
    virtual QWidget* window() = 0;
    virtual void setPrior(int setIndex, const RangeBlock& relativeRanges) = 0;
    virtual void setGraphEndTime(double maxTime) = 0;
    // Runs the fits of the current case into the session.
    virtual void initFromCase() = 0;
    virtual void resetControls() = 0;
};

struct CaseWindowMakers {
    // A forecast window; its widget has the slots custom_pk_change() and
    // fitted_sets_change(bool quiet).
    using WindowMaker =
        std::function<QWidget*(QWidget* parent, SessionData*, PkCalculator*, DrugInfo*)>;

    std::function<AnalysisLink*(QWidget* parent, SessionData*, PkCalculator*, DrugInfo*)> analysis;
    std::function<FittingLink*(QWidget* parent, SessionData*, PkCalculator*, DrugInfo*)> fitting;
    WindowMaker regimenForecast;
    WindowMaker levelForecast;
    WindowMaker phenytoinRegimen;
    WindowMaker phenytoinLevelForecast;
    // The report dialog; the analysis link is null when the case page has no analysis window.
    std::function<QDialog*(QWidget* parent, SessionData*, PkCalculator*, DrugInfo*, ProgramConfig*,
                           AnalysisLink*)>
        report;
};

// The program's one set of makers.
CaseWindowMakers& caseWindowMakers();
