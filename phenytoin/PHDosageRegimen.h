#pragma once

#include "phenytoin/LevelCurve.h"
#include "phenytoin/RegimenComputation.h"
#include "phenytoin/WindowFields.h"
#include "pkcore/SessionData.h"

#include <QDialog>

#include <memory>

class DrugInfo;
class PkCalculator;
class QCPAbstractLegendItem;
class QCPLegend;
class QLineEdit;
class SessionData;

namespace Ui
{
class PHDosageRegimen;
}

// The regimen window of a phenytoin case: the daily dose that holds a desired average level and
// the loading dose from a current level, per parameter set, with the simulated level curves of
// those daily doses. Built once by the case page and shown without blocking.
class PHDosageRegimen : public QDialog
{
    Q_OBJECT

public:
    PHDosageRegimen(QWidget* parent, SessionData* session, PkCalculator* calculator,
                    DrugInfo* drugInfo);
    ~PHDosageRegimen() override;

public slots:
    void custom_pk_change();
    // No warning comes from this window, quiet or not.
    void fitted_sets_change(bool quiet);

private slots:
    void on_comboBox_route_activated(const QString& arg1);
    void on_lineEdit_desired_avg_conc_editingFinished();
    void on_lineEdit_current_conc_editingFinished();
    void on_line_time_x_editingFinished();
    void on_line_initial_concentration_editingFinished();
    void on_line_num_of_dose_editingFinished();
    void legend_click(QCPLegend* legend, QCPAbstractLegendItem* item);

private:
    struct SourceFields {
        QLineEdit* dose;
        QLineEdit* loadingDose;
        QLineEdit* bloodLevel;
    };

    void display_pk_parameters();
    void set_therapeutic_range();
    void set_validators();
    void setRoute(const QString& product);
    void set_unit_view();
    void set_salt_and_F();
    void show_f_values();
    void compute_result();
    void reset_result();
    void clear_figures();
    void clear_graph();
    void clear_source(phenytoin::Source source);
    void hand_over();
    void graph_serum_level();
    void redraw_curves(bool entryChanged);
    phenytoin::CurveRegimen curveFor(phenytoin::Source source) const;
    void show_readouts(const phenytoin::PerSource<double>& levels);
    double readout_time(const phenytoin::AxisPlan& graph) const;
    phenytoin::AxisPlan graph_plan() const;
    phenytoin::CurveEntries curveEntries() const;
    phenytoin::PerSource<SourceFields> sourceFields() const;

    std::unique_ptr<Ui::PHDosageRegimen> m_ui;
    std::unique_ptr<phenytoin::EntryRefusals> m_refusals;
    SessionData* m_session;
    PkCalculator* m_calculator;
    DrugInfo* m_drugInfo;

    QString m_routeText;
    char m_routeLetter = 0;
    double m_salt = 0.0;
    phenytoin::PerSource<double> m_f{};
    // The fitted sets as they stood when m_f took their F: the results are of those sets.
    FittedSetsStamp m_fFrom;
    double m_desired = -1.0;
    double m_current = -1.0;
    phenytoin::RegimenResults m_results;
    bool m_resultChanged = false;
    // The last drawing was left empty for a refused number of doses or initial level.
    bool m_curvesWithheld = false;
    double m_initialConcentration = 0.0;
    int m_doseCount = phenytoin::kDefaultDoseCount;
};
