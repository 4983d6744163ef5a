#include "analysis/graphicAnalysis.h"

#include "analysis/FitReadiness.h"
#include "pkcore/CaseNames.h"
#include "pkcore/DrugCodes.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/EntryReading.h"
#include "pkcore/PkNumeric.h"
#include "platform/WheelGuard.h"
#include "ui_graphicAnalysis.h"

#include <QLineEdit>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace
{
// Fill under a curve when its area button is checked, none otherwise.
constexpr int kFillAlpha = 100;
// The Math Tool's stretch between the two times: 2001 points.
constexpr int kStretchSteps = 2000;
// Time 2 may go as far as Time 1 pushes it.
constexpr double kTimeTwoMaximum = 1e250;
constexpr int kLegendPointSize = 9;
constexpr int kLevelMarkerSize = 6;
constexpr int kTimeMarkSize = 6;
constexpr double kLimitPenWidth = 2.0;

// Levels to the hundredth, as they are measured (0.85, not 0.8).
constexpr int kLevelDecimals = 2;

QString levelText(double value)
{
    return QString::number(value, 'f', kLevelDecimals);
}

// A prediction the set could not make stays empty.
QString predictionText(double value)
{
    return value >= 0.0 ? levelText(value) : QString();
}

QString twoDecimals(double value)
{
    return QString::number(value, 'f', 2);
}

QPen limitPen(Qt::GlobalColor color)
{
    return QPen(QBrush(color, Qt::SolidPattern), kLimitPenWidth, Qt::DashLine, Qt::SquareCap,
                Qt::BevelJoin);
}
} // namespace

graphicAnalysis::graphicAnalysis(QWidget* parent, SessionData* session, PkCalculator* pkCalculator,
                                 DrugInfo* drugInfo)
    : QDialog(parent), ui(std::make_unique<Ui::graphicAnalysis>()), session(session),
      drugInfo(drugInfo), pkCalculator(pkCalculator), m_driver(session, pkCalculator)
{
    ui->setupUi(this);
    guardWheel(this);
    for (QCheckBox* box : {ui->pop_display, ui->ls_display, ui->bayes_display, ui->graph_legend})
        box->setChecked(true);
    m_controls[FittedCurves::Population] = {ui->pop_display, ui->pop_area, QColor(255, 0, 0)};
    m_controls[FittedCurves::LeastSquares] = {ui->ls_display, ui->ls_area, QColor(0, 255, 0)};
    m_controls[FittedCurves::Bayesian] = {ui->bayes_display, ui->bayes_area, QColor(0, 0, 255)};
    for (auto& evaluator : m_evaluators)
        evaluator = std::make_unique<LevelCurve>(session, pkCalculator);
    if (drugInfo)
        m_driver.setFormDefaults([drugInfo] { drugInfo->applyFormDefaults(1); });

    ui->lineEdit_unit->setText(ui->cb_graph_time->currentText());
    showKmAndVmaxRows(isPhenytoin());
    if (isPhenytoin())
        hideLeastSquares();
    setWindowTitle(caseWindowTitle(tr("Curve Fitting Analysis"), *session));
    ui->graph_1->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
}

graphicAnalysis::~graphicAnalysis() = default;

bool graphicAnalysis::isPhenytoin() const
{
    return session->patient.drugCode == QLatin1String(phenytoinCode);
}

// Phenytoin has no least-squares fit: no column, header, box or Math Tool choice for it.
void graphicAnalysis::hideLeastSquares()
{
    ui->math_ls->setEnabled(false);
    ui->label_23->hide();
    for (int row = 1; row <= pk::kTableRows; ++row)
        findChild<QLineEdit*>(QStringLiteral("line_l%1ls").arg(row))->hide();
    ui->groupBox_5->hide();
    for (QLabel* label :
         {ui->label_ls_2, ui->label_vd_ls, ui->label_cl_ls, ui->label_vmax_ls, ui->label_cf_ls})
        label->hide();
}

// Phenytoin is described by Km and Vmax, not by a clearance: the clearance row shows Km.
void graphicAnalysis::showKmAndVmaxRows(bool shown)
{
    ui->widget_vmax->setVisible(shown);
    if (!shown)
        return;
    ui->label_cl->setText(tr("Km:"));
    ui->label_cl_unit->setText(tr("mg/L"));
}

void graphicAnalysis::setPrior(int setIndex, const RangeBlock& relativeRanges)
{
    m_driver.setPriorSetIndex(setIndex);
    m_driver.setPriorRanges(relativeRanges);
}

void graphicAnalysis::setGraphEndTime(double maxTime)
{
    graphEndTime = maxTime;
}

void graphicAnalysis::initFromCase()
{
    // The window samples its curves itself, to the graph's end and past the phenytoin grid; the
    // driver's own sampling is given no span, so it costs nothing.
    m_driver.setGraphEndTime(0.0);
    m_driver.fitCurves();
    prepareEvaluators();
    m_withFit = curvesWithFit(m_driver, *session);
    m_curves = sampleCurves({m_evaluators[0].get(), m_evaluators[1].get(), m_evaluators[2].get()},
                            m_withFit, graphEndTime);
    m_curveNote = curveNote();
    ui->label_5->setText(tr("Area <small>(%1)</small>").arg(areaUnit()));
    drawGraphs();
    showParameterLabels();
    namePrior();
    publishLevelTable();
    showParameters();
    emit bayesDataSend();
    emit LSDataSend();

    const auto valueChanged = qOverload<double>(&QDoubleSpinBox::valueChanged);
    connect(ui->math_x, valueChanged, this, &graphicAnalysis::setMath_X_2_Range,
            Qt::UniqueConnection);
    connect(ui->math_x, valueChanged, ui->math_x_2, &QDoubleSpinBox::setValue,
            Qt::UniqueConnection);
    connect(ui->math_x, valueChanged, this, &graphicAnalysis::calcArea, Qt::UniqueConnection);
    connect(ui->math_x_2, valueChanged, this, &graphicAnalysis::calcArea, Qt::UniqueConnection);
    // Levels and area shown from an earlier fit would be wrong for this one.
    refreshMathResults();
}

// The first curve is the set the fits started from: the population set or the custom one.
std::array<int, FittedCurves::CurveCount> graphicAnalysis::curveSets() const
{
    return {m_driver.priorSetIndex(), pk::kLeastSquares, pk::kBayesian};
}

void graphicAnalysis::prepareEvaluators()
{
    const auto sets = curveSets();
    for (int c = 0; c < FittedCurves::CurveCount; ++c)
        m_evaluators[c]->prepare(session->pkSets[sets[c]]);
}

void graphicAnalysis::showParameterLabels()
{
    struct Column {
        int set;
        QLabel* vd;
        QLabel* cl;
        QLabel* vmax;
        QLabel* cf;
    };
    const Column columns[] = {
        {pk::kPopulation, ui->label_vd_pop, ui->label_cl_pop, ui->label_vmax_pop, ui->label_cf_pop},
        {pk::kCustom, ui->label_vd_custom, ui->label_cl_custom, ui->label_vmax_custom,
         ui->label_cf_custom},
        {pk::kLeastSquares, ui->label_vd_ls, ui->label_cl_ls, ui->label_vmax_ls, ui->label_cf_ls},
        {pk::kBayesian, ui->label_vd_bayes, ui->label_cl_bayes, ui->label_vmax_bayes,
         ui->label_cf_bayes}};
    // The case page's custom edit renews a phenytoin set's Km slot alone.
    const int second = isPhenytoin() ? pk::kKm : pk::kCl;
    for (const Column& column : columns) {
        const PkParameterSet& set = session->pkSets[column.set];
        const bool fitted = column.set == pk::kLeastSquares || column.set == pk::kBayesian;
        // A set the fit could not make shows nothing, not the values of an earlier analysis.
        const bool shown = !fitted || set[pk::kF] > 0.0;
        column.vd->setText(shown ? twoDecimals(set[pk::kVd]) : QString());
        column.cl->setText(shown ? twoDecimals(set[second]) : QString());
        column.vmax->setText(shown ? twoDecimals(set[pk::kVmax]) : QString());
        column.cf->setText(shown ? twoDecimals(FitDriver::kPercent * set[pk::kCF]) : QString());
    }
}

// The table's prior column, the graph's first curve and both tools show the set the fits
// started from, and say which it is.
bool graphicAnalysis::customPrior() const
{
    return m_driver.priorSetIndex() == pk::kCustom;
}

void graphicAnalysis::namePrior()
{
    const QString name = customPrior() ? tr("Custom") : tr("Population");
    ui->label_21->setText(customPrior() ? tr("Custom") : tr("Pop."));
    ui->pop_display->setText(name);
    ui->math_pop->setText(name);
}

void graphicAnalysis::publishLevelTable()
{
    const LevelTableRows rows = levelRowsByTime(m_driver.levelFitTable(), *session, m_withFit);
    std::copy(rows.begin(), rows.end(), session->reportTable.begin());
}

void graphicAnalysis::showParameters()
{
    static const char* const columnSuffix[pk::kTableColumns] = {"m", "i", "ls", "by"};
    const int levels = std::clamp(session->levelCount, 0, pk::kTableRows);
    for (int row = 1; row <= pk::kTableRows; ++row)
        for (int column = 0; column < pk::kTableColumns; ++column) {
            const QString name = QStringLiteral("line_l%1%2").arg(row).arg(columnSuffix[column]);
            const double value = session->reportTable[row - 1][column];
            QString text;
            if (row <= levels)
                text = column == pk::kTableMeasured ? levelText(value) : predictionText(value);
            findChild<QLineEdit*>(name)->setText(text);
        }
}

double graphicAnalysis::hoursPerUnit() const
{
    return timeunit::hoursPerUnit(ui->cb_graph_time->currentText());
}

void graphicAnalysis::drawGraphs()
{
    QCustomPlot* plot = ui->graph_1;
    if (plot->graphCount() > 0)
        plot->clearGraphs();
    const FitGraphLayout layout = layoutFitGraph(m_curves, *session, hoursPerUnit());
    plot->setLocale(QLocale(QLocale::English, QLocale::UnitedKingdom));

    const QString names[] = {customPrior() ? tr("Custom") : tr("POP"), tr("Least Sq."),
                             tr("Bayes")};
    const Qt::GlobalColor pens[] = {Qt::red, Qt::green, Qt::blue};
    for (int c = 0; c < FittedCurves::CurveCount; ++c) {
        QCPGraph* graph = plot->addGraph();
        graph->setPen(QPen(QColor(pens[c])));
        // A set without a fit keeps its place and legend entry, but draws nothing.
        if (m_curves.has(c)) {
            graph->setName(names[c]);
            graph->setData(layout.keys, m_curves.levels[c], true);
        } else if (m_withFit[c]) {
            graph->setName(tr("%1 (no result)").arg(names[c])); // fitted, but no curve
        } else {
            graph->setName(tr("%1 (no fit)").arg(names[c]));
        }
        if (c == FittedCurves::LeastSquares && isPhenytoin())
            graph->removeFromLegend(); // phenytoin has no least-squares fit at all
    }
    QCPGraph* upper = plot->addGraph();
    upper->setName(tr("Max"));
    upper->setData(layout.keys, layout.upperLimit, true);
    upper->setPen(limitPen(Qt::darkCyan));
    QCPGraph* lower = plot->addGraph();
    lower->setName(tr("Min"));
    lower->setData(layout.keys, layout.lowerLimit, true);
    lower->setPen(limitPen(Qt::black));

    handOverCurves(m_curves, layout.largest, m_driver.priorSetIndex(), *session);

    plot->legend->setVisible(ui->graph_legend->isChecked());
    plot->legend->setFont(QFont(QStringLiteral("Helvetica"), kLegendPointSize));
    plot->xAxis->setLabel(ui->cb_graph_time->currentText());
    connect(plot, &QCustomPlot::beforeReplot, this, &graphicAnalysis::PlotRangeChanged,
            Qt::UniqueConnection);
    plot->xAxis->setRange(layout.xLower, layout.xUpper);
    plot->yAxis->setRange(layout.yLower, layout.yUpper);
    plot->axisRect(0)->setRangeDrag(Qt::Horizontal);
    plot->axisRect(0)->setRangeZoom(Qt::Horizontal);

    QCPGraph* levels = plot->addGraph();
    levels->setName(tr("Levels"));
    levels->setData(layout.levelKeys, layout.levelValues);
    levels->setPen(QPen(QColor(Qt::black)));
    levels->setLineStyle(QCPGraph::lsNone);
    levels->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssSquare, kLevelMarkerSize));

    plot->replot();
    setCursor(Qt::ArrowCursor);
}

// ---- Graph Tool ----

void graphicAnalysis::showCurve(int curve)
{
    const CurveControls& controls = m_controls[curve];
    const bool checked = controls.display->isChecked();
    controls.area->setEnabled(checked);
    QCustomPlot* plot = ui->graph_1;
    if (curve < plot->graphCount()) {
        QCPGraph* graph = plot->graph(curve);
        graph->setVisible(checked);
        if (QCPAbstractLegendItem* item = plot->legend->itemWithPlottable(graph))
            item->setVisible(checked);
    }
    plot->replot();
}

void graphicAnalysis::fillCurve(int curve)
{
    const CurveControls& controls = m_controls[curve];
    QColor colour = controls.fill;
    colour.setAlpha(controls.area->isChecked() ? kFillAlpha : 0);
    if (curve < ui->graph_1->graphCount())
        ui->graph_1->graph(curve)->setBrush(QBrush(colour, Qt::SolidPattern));
    ui->graph_1->replot();
}

void graphicAnalysis::on_pop_display_clicked()
{
    showCurve(FittedCurves::Population);
}

void graphicAnalysis::on_pop_area_clicked()
{
    fillCurve(FittedCurves::Population);
}

void graphicAnalysis::on_bayes_display_clicked()
{
    showCurve(FittedCurves::Bayesian);
}

void graphicAnalysis::on_bayes_area_clicked()
{
    fillCurve(FittedCurves::Bayesian);
}

void graphicAnalysis::on_ls_display_clicked()
{
    showCurve(FittedCurves::LeastSquares);
}

void graphicAnalysis::on_ls_area_clicked()
{
    fillCurve(FittedCurves::LeastSquares);
}

void graphicAnalysis::PlotRangeChanged()
{
    QCPAxis* axis = ui->graph_1->xAxis;
    const auto [lower, upper] = heldXRange(axis->range().lower, axis->range().upper);
    if (lower != axis->range().lower || upper != axis->range().upper)
        axis->setRange(lower, upper);
}

void graphicAnalysis::on_button_reset_clicked()
{
    resetControls();
    drawGraphs();
}

void graphicAnalysis::resetControls()
{
    resetTools(true);
}

// Check states are set without a click, so the curves' visibility and fills stay until the
// next drawGraphs; the times and the unit announce their changes, which re-reads the levels.
void graphicAnalysis::resetTools(bool includingUnit)
{
    for (const CurveControls& controls : m_controls)
        controls.display->setChecked(true);
    for (const CurveControls& controls : m_controls)
        controls.area->setChecked(false);
    for (const CurveControls& controls : m_controls)
        controls.area->setEnabled(true);
    ui->math_pop->setChecked(true);
    ui->math_x->setValue(0.0);
    ui->math_x_2->setValue(0.0);
    if (includingUnit)
        ui->cb_graph_time->setCurrentIndex(0);
    ui->graph_legend->setChecked(true);
}

void graphicAnalysis::on_cb_graph_time_currentTextChanged(const QString& arg1)
{
    drawGraphs();
    resetTools(false);
    ui->lineEdit_unit->setText(arg1);
}

void graphicAnalysis::on_graph_legend_clicked()
{
    drawGraphs();
}

// ---- Math Tool ----

LevelCurve* graphicAnalysis::mathCurve()
{
    if (ui->math_pop->isChecked())
        return m_evaluators[FittedCurves::Population].get();
    if (ui->math_bayes->isChecked() && session->doseEventCount > 0 &&
        m_withFit[FittedCurves::Bayesian])
        return m_evaluators[FittedCurves::Bayesian].get();
    if (ui->math_ls->isChecked() && session->levelCount >= FitDriver::kLeastSquaresMinLevels &&
        m_withFit[FittedCurves::LeastSquares])
        return m_evaluators[FittedCurves::LeastSquares].get();
    return nullptr;
}

void graphicAnalysis::on_math_x_valueChanged(double arg1)
{
    const double t1 = ui->math_x->value();
    const double t2 = ui->math_x_2->value();
    const auto valueChanged = qOverload<double>(&QDoubleSpinBox::valueChanged);
    if (t2 < t1)
        connect(ui->math_x, valueChanged, ui->math_x_2, &QDoubleSpinBox::setValue,
                Qt::UniqueConnection);
    else
        disconnect(ui->math_x, valueChanged, ui->math_x_2, &QDoubleSpinBox::setValue);
    readLevel(true, arg1);
}

void graphicAnalysis::on_math_x_2_valueChanged(double arg1)
{
    readLevel(false, arg1);
}

void graphicAnalysis::readLevel(bool timeOne, double arg1)
{
    const double hours = hoursPerUnit();
    const double s1 = ui->math_x->value();
    const double s2 = ui->math_x_2->value();
    QVector<double> x;
    QVector<double> y;
    LevelCurve* curve = mathCurve();
    if (curve && inSpan(s1) && inSpan(s2)) {
        x.resize(kStretchSteps + 1);
        y.resize(kStretchSteps + 1);
        QVector<double> times(kStretchSteps + 1);
        for (int i = 0; i <= kStretchSteps; ++i) {
            x[i] = s1 + (s2 - s1) / kStretchSteps * i;
            times[i] = (s1 + (s2 - s1) / kStretchSteps * i) * hours;
        }
        curve->levels(times.constData(), times.size(), y.data());
        if (std::any_of(y.begin(), y.end(), FitReadiness::predictionFailed)) {
            x.clear();
            y.clear();
        }
    }
    markStretch(x, y);
    (timeOne ? ui->math_y : ui->math_y_2)->setValue(mathLevel(arg1));
    showMessage();
}

bool graphicAnalysis::inSpan(double shownTime) const
{
    return shownTime >= 0.0 && shownTime * hoursPerUnit() <= graphEndTime;
}

// The level of the chosen curve at a time as the box shows it; "no result" (-1) without a
// curve, outside the graph or where the model gives none.
double graphicAnalysis::mathLevel(double shownTime)
{
    LevelCurve* curve = mathCurve();
    if (!curve || !inSpan(shownTime))
        return pknum::kNotGiven;
    const double level = curve->levelAt(shownTime * hoursPerUnit());
    return FitReadiness::predictionFailed(level) ? pknum::kNotGiven : level;
}

// Why the Math Tool shows "no result"; empty when it shows its levels and area.
QString graphicAnalysis::mathRefusal()
{
    const QString unit = ui->cb_graph_time->currentText();
    const double spanEnd = graphEndTime / hoursPerUnit();
    const QDoubleSpinBox* boxes[] = {ui->math_x, ui->math_x_2};
    for (int i = 0; i < 2; ++i)
        if (!inSpan(boxes[i]->value()))
            return pk::outsideGraphRefusal(tr("Time %1").arg(i + 1), boxes[i]->value(), 0.0,
                                           spanEnd, unit);
    if (!mathCurve())
        return tr("The chosen set has no fit, so it has no levels or area.");
    if (ui->math_y->value() >= 0.0 && ui->math_y_2->value() >= 0.0 && ui->math_area->value() >= 0.0)
        return {};
    const QString gap = FitReadiness::twoCompartmentGap(*session, mathSet());
    return gap.isEmpty() ? tr("The model gives no level for the chosen set between these times.")
                         : gap;
}

void graphicAnalysis::showMessage()
{
    const QString refusal = mathRefusal();
    ui->label_message->setText(refusal.isEmpty() ? m_curveNote : refusal);
}

// The first fitted set that draws no curve, and why.
QString graphicAnalysis::curveNote() const
{
    const auto sets = curveSets();
    for (int c = 0; c < FittedCurves::CurveCount; ++c) {
        if (!m_withFit[c] || m_curves.has(c))
            continue;
        const QString gap = FitReadiness::twoCompartmentGap(*session, session->pkSets[sets[c]]);
        return gap.isEmpty()
                   ? tr("The model gives no level for a fitted set, so it draws no curve.")
                   : gap;
    }
    return {};
}

const PkParameterSet& graphicAnalysis::mathSet() const
{
    int set = m_driver.priorSetIndex();
    if (ui->math_bayes->isChecked())
        set = pk::kBayesian;
    else if (ui->math_ls->isChecked())
        set = pk::kLeastSquares;
    return session->pkSets[set];
}

// The area's unit in the case's units, whatever the time axis shows: mg/L gives mg·h/L.
QString graphicAnalysis::areaUnit() const
{
    const QString concentration =
        session->concentrationUnit.isEmpty() ? QStringLiteral("mg/L") : session->concentrationUnit;
    const int slash = concentration.indexOf(QLatin1Char('/'));
    const QString hour = QString(QChar(0x00B7)) + QLatin1Char('h');
    return slash < 0 ? concentration + hour
                     : concentration.left(slash) + hour + concentration.mid(slash);
}

// The two times as lines through the whole plot, and the stretch between them filled.
void graphicAnalysis::markStretch(const QVector<double>& x, const QVector<double>& y)
{
    QCustomPlot* plot = ui->graph_1;
    if (plot->graphCount() < kGraphTime)
        return; // nothing drawn yet
    QCPGraph* marks = plot->graphCount() > kGraphTime ? plot->graph(kGraphTime) : plot->addGraph();
    const double top = plot->yAxis->range().upper;
    marks->setData({ui->math_x->value(), ui->math_x_2->value()}, {top, top});
    marks->setName(tr("Time"));
    marks->setPen(QPen(QColor(Qt::black)));
    marks->setLineStyle(QCPGraph::lsImpulse);
    marks->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssStar, kTimeMarkSize));

    QCPGraph* stretch = plot->graphCount() > kGraphSelectedArea ? plot->graph(kGraphSelectedArea)
                                                                : plot->addGraph();
    stretch->setData(x, y);
    stretch->setName(tr("Selected Area"));
    stretch->setPen(QPen(QColor(Qt::yellow)));
    stretch->setBrush(QBrush(QColor(255, 255, 0, kFillAlpha), Qt::SolidPattern));
    plot->replot();
}

void graphicAnalysis::setMath_X_2_Range(double newMin)
{
    ui->math_x_2->setRange(newMin, kTimeTwoMaximum);
}

void graphicAnalysis::calcArea()
{
    const double hours = hoursPerUnit();
    LevelCurve* curve = mathCurve();
    const double s1 = ui->math_x->value();
    const double s2 = ui->math_x_2->value();
    double area = pknum::kNotGiven;
    if (curve && inSpan(s1) && inSpan(s2))
        area = curve->area(s1 * hours, s2 * hours);
    ui->math_area->setValue(FitReadiness::predictionFailed(area) ? pknum::kNotGiven : area);
    showMessage();
}

void graphicAnalysis::reevaluateMath()
{
    on_math_x_2_valueChanged(ui->math_x_2->value());
    on_math_x_valueChanged(ui->math_x->value());
    calcArea();
}

void graphicAnalysis::on_math_bayes_clicked()
{
    reevaluateMath();
}

void graphicAnalysis::on_math_ls_clicked()
{
    reevaluateMath();
}

void graphicAnalysis::on_math_pop_clicked()
{
    reevaluateMath();
}

void graphicAnalysis::refreshMathResults()
{
    ui->math_y->setValue(mathLevel(ui->math_x->value()));
    ui->math_y_2->setValue(mathLevel(ui->math_x_2->value()));
    calcArea();
}
