#pragma once

#include "phenytoin/LevelComputation.h"
#include "phenytoin/LevelCurve.h"
#include "phenytoin/SaturationNotice.h"
#include "phenytoin/WindowFields.h"
#include "pkcore/SessionData.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class DrugInfo;
class PkCalculator;
class QCPAbstractLegendItem;
class QCPLegend;
class QLabel;
class QLineEdit;
class SessionData;

namespace Ui
{
class PHSerumLevelForecast;
}

// The level forecast window of a phenytoin case: the steady state of a one- or two-route
// regimen per parameter set, the saturation warnings, and the simulated level curves before
// and at steady state. Built once by the case page and shown without blocking.
class PHSerumLevelForecast : public QDialog
{
    Q_OBJECT

public:
    PHSerumLevelForecast(QWidget* parent, SessionData* session, PkCalculator* calculator,
                         DrugInfo* drugInfo);
    ~PHSerumLevelForecast() override;

    // The one non-blocking warning naming every set whose daily rate reaches its Vmax.
    const SaturationNotice& saturationNotice() const;

public slots:
    void custom_pk_change();
    // A quiet change raises no saturation warning: it comes from a save, not from the user.
    void fitted_sets_change(bool quiet);

private slots:
    void on_comboBox_route1_activated(const QString& text);
    void on_comboBox_route2_activated(const QString& text);
    void on_lineEdit_dose_editingFinished();
    void on_lineEdit_interval_editingFinished();
    void on_lineEdit_dose_2_editingFinished();
    void on_lineEdit_interval_2_editingFinished();
    void on_line_initial_concentration_editingFinished();
    void on_line_num_of_dose_editingFinished();
    void on_line_time_x_editingFinished();
    void on_radioButton_nonsteady_clicked();
    void on_radioButton_steady_clicked();
    void legend_click(QCPLegend* legend, QCPAbstractLegendItem* item);

private:
    struct ResultFields {
        QLineEdit* observed;
        QLineEdit* adjusted;
        QLineEdit* timeTo90;
        QLineEdit* freeFraction;
    };
    struct RouteLabels {
        QLabel* salt;
        phenytoin::PerSource<QLabel*> f;
    };
    // Which curves a drawing has and over which axis.
    struct GraphPlan {
        phenytoin::AxisPlan axis;
        phenytoin::PerSource<bool> drawn{};
        QStringList leftOut;
    };

    void display_pk_parameters();
    void set_therapeutic_range();
    void set_validators();
    void set_ui();
    void set_salt_and_F(phenytoin::RouteDose& route, const QString& product,
                        const RouteLabels& labels);
    void show_f(const phenytoin::PerSource<double>& f, const RouteLabels& labels, bool all) const;
    void take_fitted_f(phenytoin::RouteDose& route, const QString& product,
                       const RouteLabels& labels);
    void storeEntry(QLineEdit* field, double& value, const pk::EntryRange& range);
    bool regimen_refused() const;
    void compute_result(bool warn = true);
    // Returns whether the set's daily rate reaches its Vmax.
    bool compute_source(phenytoin::Source source, const phenytoin::LevelInputs& inputs);
    void warn_saturation(const phenytoin::PerSource<bool>& saturated);
    void show_result(phenytoin::Source source);
    void clear_source(phenytoin::Source source);
    void reset_route1();
    void reset_route2();
    void reset_result();
    void clear_figures();
    void refuse_graph(const QString& notice);
    void redraw_curves(bool entryChanged);
    GraphPlan plan_graph() const;
    phenytoin::CurveRegimen curveFor(phenytoin::Source source, int doseCount) const;
    void graph_serum_level();
    void show_readout(phenytoin::Source source, const GraphPlan& plan, double level);
    double readout_time(const phenytoin::AxisPlan& graph) const;
    phenytoin::CurveEntries curveEntries() const;
    int get_route() const;
    phenytoin::PerSource<ResultFields> resultFields() const;
    phenytoin::PerSource<QLineEdit*> bloodLevelFields() const;
    RouteLabels routeLabels(int route) const;

    std::unique_ptr<Ui::PHSerumLevelForecast> m_ui;
    std::unique_ptr<phenytoin::EntryRefusals> m_refusals;
    SessionData* m_session;
    PkCalculator* m_calculator;
    DrugInfo* m_drugInfo;

    QString m_product1;
    QString m_product2;
    char m_routeLetter = 0;
    phenytoin::RouteDose m_route1;
    phenytoin::RouteDose m_route2;
    // The fitted sets as they stood when the routes took their F: the results are of those sets.
    FittedSetsStamp m_fFrom;
    phenytoin::LevelResults m_results;
    bool m_graphNeeded = false;
    // The last drawing was left empty for a refused number of doses or initial level.
    bool m_curvesWithheld = false;
    double m_initialConcentration = 0.0;
    int m_doseCount = phenytoin::kDefaultDoseCount;
    SaturationNotice m_notice;
};
