#pragma once

#include "cases/CaseWindowLinks.h"
#include "cases/CaseWindowPlacement.h"
#include "cases/CustomSetEditor.h"
#include "cases/ParameterGroupView.h"

#include <QWidget>

#include <memory>

class DrugInfo;
class PkCalculator;
class ProgramConfig;
class QDialog;
class QLineEdit;
class SessionData;
struct CasePageTexts;

namespace Ui
{
class MainPage;
}

// The case workspace: the patient, the case and its parameter sets side by side (population,
// custom, Bayesian, least squares), the editing of the custom set, the save of the case and the
// doors to the analysis, forecast and report windows of the case.
class MainPage : public QWidget
{
    Q_OBJECT
public:
    MainPage(QWidget* parent, SessionData* session, PkCalculator* calculator, DrugInfo* drugInfo,
             ProgramConfig* config);
    ~MainPage() override;

    void showCaseInfo();
    void showPatientInfo();
    void showPopulationPK();
    void showCustomPK();
    void showBodyMeasures();

    // A window is offered, by a page button and by the menu, when its maker is registered and
    // the population parameters allow it.
    bool regimenForecastAvailable() const;
    bool levelForecastAvailable() const;
    bool analysisAvailable() const;

    // The stored custom parameters and per-route bioavailability of the case.
    bool loadPK();
    bool loadCustomF();

signals:
    void show_currentpatient();
    void custom_pk_change();
    // The fitted sets changed: an Analysis ran, or a save fitted the changed rows again (quiet,
    // when no window may raise a warning).
    void fitted_sets_change(bool quiet);
    void database_update();

public slots:
    void mainwindow_dosage_regimen_forecast();
    void mainwindow_serum_level_forecast();
    void mainwindow_serum_level_analysis();
    void on_button_save_clicked();

private slots:
    void getBayesAndDisplay();
    void getLSAndDisplay();
    void on_button_dosage_regimen_forecast_clicked();
    void on_button_serum_level_forecast_clicked();
    void on_button_dosage_history_clicked();
    void on_Button_Update_Patient_Case_clicked();
    void graph_analysis_clicked_from_serum_level_analysis(double maxTime);
    void on_button_graph_analysis_clicked();
    void analysisEdited();
    void on_button_report_clicked();
    void on_comboBox_Pop_route_currentTextChanged(const QString& route);

    void on_comboBox_Custom_route_currentTextChanged(const QString& route);
    void on_line_Custom_F_editingFinished();
    void on_line_Custom_rangeF_editingFinished();
    void on_line_Custom_vdb_editingFinished();
    void on_line_Custom_rangevdb_editingFinished();
    void on_line_Custom_cl_editingFinished();
    void on_line_Custom_rangecl_editingFinished();
    void on_line_Custom_cf_editingFinished();
    void on_line_Custom_rangecf_editingFinished();
    void on_line_Custom_kd_editingFinished();
    void on_line_Custom_range4_editingFinished();
    void on_button_Custom_reset_clicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool isPhenytoin() const;
    bool populationUsable() const;
    void startCustomSet();
    void relabelGroups();
    void replayStoredCase();
    void enableWindowButtons();
    void markUnsaved();
    void openForecast(QWidget** window, const CaseWindowMakers::WindowMaker& make,
                      CaseWindowSlot slot);
    void showFitted(const ParameterGroupView& group, int method, const RangeBlock& spreads,
                    int displayedIndex);
    void clearFitted(const ParameterGroupView& group, int displayedIndex);
    void fittedSetsChanged();

    // Custom group: after an entry, the group shows what the session now holds.
    int customRoute() const;
    void showCustomF();
    void showCustomDerived();
    void customEntryDone(int index, bool taken);
    // One of the custom group's entry fields, by its index in the table of entries. Text that
    // is not a number is refused as any other bad entry; a field left as shown is no entry.
    void takeCustomEntry(int index);
    // What the entry's field shows of the custom set now.
    QString customShownText(int index) const;
    // The range beside a parameter entry as the user entered it; none when its field is left as
    // shown (or the entry is a range itself).
    CustomSetEditor::RangeEntry customRangeEntry(int index) const;
    CasePageTexts pageTexts() const;
    QString refitChangedHistory();

    std::unique_ptr<Ui::MainPage> form;
    SessionData* session;     // not owned
    PkCalculator* calculator; // not owned
    DrugInfo* drugInfo;       // not owned
    ProgramConfig* config;    // not owned
    QWidget* levelForecast = nullptr;
    QWidget* regimenForecast = nullptr;
    QWidget* phRegimen = nullptr;
    QWidget* phLevelForecast = nullptr;
    AnalysisLink* analysis = nullptr;
    FittingLink* fitting = nullptr;
    QDialog* report = nullptr;
    // An analysis the user did not start (replaying the stored case, refitting before a save):
    // it shows no window and leaves the case's saved state alone.
    bool quietRun = false;
    // Why a save's refit left the case without fitted sets, owed to the user until a save
    // stores the case so or Analysis fits it again; a save that fails says nothing of it.
    QString m_unfittedReason;

    CustomSetEditor m_custom;
    std::unique_ptr<ParameterGroupView> m_populationGroup;
    std::unique_ptr<ParameterGroupView> m_customGroup;
    std::unique_ptr<ParameterGroupView> m_bayesGroup;
    std::unique_ptr<ParameterGroupView> m_lsGroup;
};
