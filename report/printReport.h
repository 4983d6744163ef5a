#pragma once

#include "report/ReportBoxes.h"

#include <QDialog>

#include <memory>

class AnalysisLink;
class DrugInfo;
class PkCalculator;
class ProgramConfig;
class QCheckBox;
class QPrinter;
class QPrintPreviewWidget;
class SessionData;

namespace Ui
{
class printReport;
}

// The case report dialog: section boxes preset from the settings file and offered only where
// the case has the data, a live preview, printing, a comment and the CSV export. It reads the
// session and writes nothing back.
class printReport : public QDialog
{
    Q_OBJECT

public:
    // Zoom steps of the preview and the bounds it stays within.
    static constexpr double kZoomStep = 0.1;
    static constexpr double kMinZoom = 0.25;
    static constexpr double kMaxZoom = 4.0;

    // analysis may be null. The prior set the graph and its table show is the one the curve
    // fitting handed over with them, whatever the analysis window has chosen since.
    printReport(QWidget* parent, SessionData* session, PkCalculator* calculator,
                DrugInfo* catalogue, ProgramConfig* config, AnalysisLink* analysis);
    ~printReport() override;

    // The boxes' current ticks.
    ReportBoxStates boxStates() const;
    QString comment() const { return m_comment; }

public slots:
    // Composes the report on the printer's pages.
    void print(QPrinter* printer);
    void print_preview();
    void export_csv();

private slots:
    void on_button_print_clicked();
    void on_pushButton_zoom_in_clicked();
    void on_pushButton_zoom_out_clicked();
    void on_pushButton_comment_clicked();
    void on_checkBox_pop_param_clicked();
    void on_checkBox_custom_param_clicked();
    void on_checkBox_bayes_param_clicked();
    void on_checkBox_LS_param_clicked();
    void on_checkBox_prior_graph_clicked();
    void on_checkBox_bayes_graph_clicked();
    void on_checkBox_LS_graph_clicked();
    void on_checkBox_dosage_regimen_forecast_clicked();
    void on_checkBox_dosage_regimen_forecast_pop_clicked();
    void on_checkBox_dosage_regimen_forecast_custom_clicked();
    void on_checkBox_dosage_regimen_forecast_bayes_clicked();
    void on_checkBox_dosage_regimen_forecast_ls_clicked();
    void on_checkBox_serum_level_forecast_clicked();
    void on_checkBox_serum_level_forecast_pop_clicked();
    void on_checkBox_serum_level_forecast_custom_clicked();
    void on_checkBox_serum_level_forecast_bayes_clicked();
    void on_checkBox_serum_level_forecast_ls_clicked();

private:
    QCheckBox* box(reportbox::Box which) const;
    void applyPresets(const ReportBoxStates& offered, const ReportBoxStates& ticked);
    // The two forecast sections exclude each other: ticking one unticks the other.
    void sectionClicked(reportbox::Box section, reportbox::Box other);
    void zoomBy(double step);
    bool compose(QPrinter* printer) const;

    std::unique_ptr<Ui::printReport> m_ui;
    SessionData* m_session;
    QPrintPreviewWidget* m_preview = nullptr;
    std::unique_ptr<QPrinter> m_previewPrinter;
    QString m_comment;
};
