#pragma once

#include "analysis/FitDriver.h"
#include "analysis/FitGraph.h"
#include "analysis/LevelCurve.h"
#include "cases/CaseWindowLinks.h"

#include <QColor>
#include <QDialog>

#include <array>
#include <memory>

class DrugInfo;
class PkCalculator;
class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace Ui
{
class graphicAnalysis;
}

// The curve-fitting window: runs the fits of an analysis, draws the fitted curves over the
// measured levels and the therapeutic range, lists measured against predicted levels, and
// carries the Graph Tool and the Math Tool. One per case page, built on its first analysis.
class graphicAnalysis : public QDialog, public FittingLink
{
    Q_OBJECT

public:
    // Graphs of graph_1 after every drawGraphs; the Math Tool adds the last two.
    enum Graph {
        kGraphPopulation,
        kGraphLeastSquares,
        kGraphBayesian,
        kGraphMax,
        kGraphMin,
        kGraphLevels,
        kGraphTime,
        kGraphSelectedArea
    };

    graphicAnalysis(QWidget* parent, SessionData* session, PkCalculator* pkCalculator,
                    DrugInfo* drugInfo);
    ~graphicAnalysis() override;

    QWidget* window() override { return this; }
    void setPrior(int setIndex, const RangeBlock& relativeRanges) override;
    void setGraphEndTime(double maxTime) override;
    void initFromCase() override;
    void resetControls() override;

    void drawGraphs();
    void publishLevelTable();

    const FittedCurves& fittedCurves() const { return m_curves; }
    const FitDriver& fitDriver() const { return m_driver; }

signals:
    void bayesDataSend();
    void LSDataSend();

private slots:
    void on_pop_display_clicked();
    void on_pop_area_clicked();
    void on_bayes_display_clicked();
    void on_bayes_area_clicked();
    void on_ls_display_clicked();
    void on_ls_area_clicked();
    void PlotRangeChanged();
    void on_button_reset_clicked();
    void on_math_x_valueChanged(double arg1);
    void on_math_x_2_valueChanged(double arg1);
    void setMath_X_2_Range(double newMin);
    void calcArea();
    void on_math_bayes_clicked();
    void on_math_ls_clicked();
    void on_math_pop_clicked();
    void on_cb_graph_time_currentTextChanged(const QString& arg1);
    void on_graph_legend_clicked();

private:
    // The widgets and fill colour of one curve, by FittedCurves::Curve.
    struct CurveControls {
        QCheckBox* display;
        QRadioButton* area;
        QColor fill;
    };

    bool isPhenytoin() const;
    void hideLeastSquares();
    void showKmAndVmaxRows(bool shown);
    std::array<int, FittedCurves::CurveCount> curveSets() const;
    bool customPrior() const;
    void prepareEvaluators();
    void showParameterLabels();
    void namePrior();
    void showParameters();
    void showCurve(int curve);
    void fillCurve(int curve);
    void resetTools(bool includingUnit);
    void reevaluateMath();
    double hoursPerUnit() const;
    LevelCurve* mathCurve();
    void readLevel(bool timeOne, double arg1);
    void markStretch(const QVector<double>& x, const QVector<double>& y);
    void refreshMathResults();
    bool inSpan(double shownTime) const;
    double mathLevel(double shownTime);
    const PkParameterSet& mathSet() const;
    QString mathRefusal();
    QString curveNote() const;
    void showMessage();
    QString areaUnit() const;

    std::unique_ptr<Ui::graphicAnalysis> ui;
    SessionData* session;
    DrugInfo* drugInfo;
    PkCalculator* pkCalculator;
    double graphEndTime = 0.0;

    FitDriver m_driver;
    // Evaluators of the prior, least-squares and Bayesian sets.
    std::array<std::unique_ptr<LevelCurve>, FittedCurves::CurveCount> m_evaluators;
    CurveFlags m_withFit{};
    FittedCurves m_curves;
    std::array<CurveControls, FittedCurves::CurveCount> m_controls{};
    // Why a fitted set draws no curve in the last analysis; empty when every one draws.
    QString m_curveNote;
};
