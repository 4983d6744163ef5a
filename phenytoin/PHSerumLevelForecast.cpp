#include "phenytoin/PHSerumLevelForecast.h"

#include "ui_PHSerumLevelForecast.h"

#include "app/NarrowCombo.h"
#include "phenytoin/LevelPlot.h"
#include "phenytoin/WindowFields.h"

#include "pkcore/CaseNames.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/EntryLimits.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "platform/WheelGuard.h"

#include <QApplication>

#include <algorithm>

using namespace phenytoin;

namespace
{
constexpr double kYHeadroom = 1.5; // the y axis ends at 1.5 x the highest average
// A dose of 0 is taken: it gives no forecast, but is no refused entry.
constexpr pk::EntryRange kDoseEntry{0.0, true, pk::kMostDose};
constexpr pk::EntryRange kIntervalEntry{pk::kShortestInterval, true, pk::kMostHours};
// Route boxes keep this width whatever their product names; the list shows them whole.
constexpr int kRouteComboCharacters = 20;

bool bothAbove0(const RouteDose& route)
{
    return route.dose > 0.0 && route.interval > 0.0;
}

// The curves of the graph: name, pen and the source they show; least squares has none.
struct CurveStyle {
    Source source;
    const char* name;
    Qt::GlobalColor colour;
};
const CurveStyle kCurveStyles[] = {{kPopulation, "Pop", Qt::red},
                                   {kCustom, "Custom", Qt::magenta},
                                   {kBayesian, "Bayes", Qt::blue}};
} // namespace

PHSerumLevelForecast::PHSerumLevelForecast(QWidget* parent, SessionData* session,
                                           PkCalculator* calculator, DrugInfo* drugInfo)
    : QDialog(parent), m_ui(std::make_unique<Ui::PHSerumLevelForecast>()), m_session(session),
      m_calculator(calculator), m_drugInfo(drugInfo)
{
    m_ui->setupUi(this);
    guardWheel(this);
    m_refusals = std::make_unique<EntryRefusals>(m_ui->label_refusal);
    keepComboNarrow(m_ui->comboBox_route1, kRouteComboCharacters);
    keepComboNarrow(m_ui->comboBox_route2, kRouteComboCharacters);
    m_drugInfo->fillRouteCombo(m_ui->comboBox_route1);
    m_ui->comboBox_route2->addItems(
        {tr("Oral - Capsules"), tr("Oral - Suspension"), tr("Oral - Tablets")});
    m_ui->comboBox_route2->setCurrentIndex(0);
    set_therapeutic_range();
    set_validators();

    m_product1 = m_ui->comboBox_route1->currentText();
    m_routeLetter = PkCalculator::routeCode(m_product1);
    m_session->routeLetter = m_routeLetter;
    m_session->dosageForm = DrugInfo::dosageFormOf(m_product1);
    m_product2 = m_ui->comboBox_route2->currentText();
    m_session->secondDosageForm = DrugInfo::dosageFormOf(m_product2);
    display_pk_parameters();
    set_ui();

    connect(m_ui->graph, &QCustomPlot::legendClick, this,
            [this](QCPLegend* legend, QCPAbstractLegendItem* item, QMouseEvent*) {
                legend_click(legend, item);
            });
    setWindowTitle(caseWindowTitle(tr("Serum Level Forecast"), *m_session));
}

PHSerumLevelForecast::~PHSerumLevelForecast() = default;

const SaturationNotice& PHSerumLevelForecast::saturationNotice() const
{
    return m_notice;
}

PerSource<PHSerumLevelForecast::ResultFields> PHSerumLevelForecast::resultFields() const
{
    PerSource<ResultFields> f;
    f[kPopulation] = {m_ui->lineEdit_avg_level_pop, m_ui->lineEdit_adj_avg_level_pop,
                      m_ui->lineEdit_steady_state_time_pop, m_ui->lineEdit_free_fraction_pop};
    f[kCustom] = {m_ui->lineEdit_avg_level_custom, m_ui->lineEdit_adj_avg_level_custom,
                  m_ui->lineEdit_steady_state_time_custom, m_ui->lineEdit_free_fraction_custom};
    f[kLeastSquares] = {m_ui->lineEdit_avg_level_ls, m_ui->lineEdit_adj_avg_level_ls,
                        m_ui->lineEdit_steady_state_time_ls, m_ui->lineEdit_free_fraction_ls};
    f[kBayesian] = {m_ui->lineEdit_avg_level_bayes, m_ui->lineEdit_adj_avg_level_bayes,
                    m_ui->lineEdit_steady_state_time_bayes, m_ui->lineEdit_free_fraction_bayes};
    return f;
}

CurveEntries PHSerumLevelForecast::curveEntries() const
{
    return {m_ui->line_time_x, m_ui->line_num_of_dose, m_ui->line_initial_concentration};
}

PerSource<QLineEdit*> PHSerumLevelForecast::bloodLevelFields() const
{
    return {m_ui->line_blood_level_pop, m_ui->line_blood_level_custom, m_ui->line_blood_level_ls,
            m_ui->line_blood_level_bayes};
}

PHSerumLevelForecast::RouteLabels PHSerumLevelForecast::routeLabels(int route) const
{
    if (route == 1)
        return {m_ui->label_salt1_value,
                {m_ui->label_f1_value_pop, m_ui->label_f1_value_custom, m_ui->label_f1_value_ls,
                 m_ui->label_f1_value_bayes}};
    return {m_ui->label_salt2_value,
            {m_ui->label_f2_value_pop, m_ui->label_f2_value_custom, m_ui->label_f2_value_ls,
             m_ui->label_f2_value_bayes}};
}

void PHSerumLevelForecast::set_validators()
{
    // The count takes a decimal point too: a fraction is refused in words, not read without it.
    for (QLineEdit* field : {m_ui->lineEdit_dose, m_ui->lineEdit_dose_2, m_ui->lineEdit_interval,
                             m_ui->lineEdit_interval_2, m_ui->line_initial_concentration,
                             m_ui->line_time_x, m_ui->line_num_of_dose})
        acceptNumber(field);
    m_ui->line_time_x->setMaxLength(kMostTimeCharacters);
}

void PHSerumLevelForecast::display_pk_parameters()
{
    showParametersOn(*m_ui, *m_session);
    showLeastSquaresColumn(this, *m_session);
}

void PHSerumLevelForecast::set_therapeutic_range()
{
    showTherapeuticRange(*m_ui, *m_session);
}

void PHSerumLevelForecast::set_ui()
{
    const bool oral = m_routeLetter == pk::kLetterOral;
    m_ui->comboBox_route2->setEnabled(oral);
    m_ui->lineEdit_dose_2->setEnabled(oral);
    m_ui->lineEdit_interval_2->setEnabled(oral);
    if (m_routeLetter == pk::kLetterIntramuscular || m_routeLetter == pk::kLetterIntermittentIv)
        reset_route2();
    if (!m_results[kPopulation].observed.isValue())
        m_ui->groupBox_Graph->setEnabled(false);
    set_salt_and_F(m_route1, m_product1, routeLabels(1));
    set_salt_and_F(m_route2, m_product2, routeLabels(2));
    m_fFrom = m_session->fittedSetsStamp();
}

void PHSerumLevelForecast::set_salt_and_F(RouteDose& route, const QString& product,
                                          const RouteLabels& labels)
{
    // The catalogue reads the route-1 product from the session, which the regimen window may
    // have moved to its own.
    m_session->routeLetter = m_routeLetter;
    m_session->routeText = m_product1;
    m_session->dosageForm = DrugInfo::dosageFormOf(m_product1);
    m_drugInfo->applyFormDefaults(1);
    route.salt = m_drugInfo->saltFactor(product, m_session->patient.drugCode);
    labels.salt->setText(QString::number(route.salt, 'f', 2));
    route.f = productBioavailability(*m_session, product);
    show_f(route.f, labels, true);
}

void PHSerumLevelForecast::show_f(const PerSource<double>& f, const RouteLabels& labels,
                                  bool all) const
{
    labels.f[kCustom]->setText(percentText(f[kCustom]));
    if (!all)
        return;
    labels.f[kPopulation]->setText(percentText(f[kPopulation]));
    // A fit that went takes its F with it.
    for (Source s : {kLeastSquares, kBayesian})
        labels.f[s]->setText(sourceExists(*m_session, s) ? percentText(f[s]) : QString());
}

void PHSerumLevelForecast::custom_pk_change()
{
    m_route1.f[kCustom] = customBioavailability(*m_session, m_ui->comboBox_route1->currentText(),
                                                m_route1.f[kPopulation]);
    show_f(m_route1.f, routeLabels(1), false);
    m_route2.f[kCustom] = customBioavailability(*m_session, m_ui->comboBox_route2->currentText(),
                                                m_route2.f[kPopulation]);
    show_f(m_route2.f, routeLabels(2), false);
    display_pk_parameters();
    compute_result();
}

void PHSerumLevelForecast::fitted_sets_change(bool quiet)
{
    take_fitted_f(m_route1, m_product1, routeLabels(1));
    take_fitted_f(m_route2, m_product2, routeLabels(2));
    m_fFrom = m_session->fittedSetsStamp();
    display_pk_parameters();
    // The Bayesian curve follows the new fit even where no population figure moves.
    m_graphNeeded = true;
    compute_result(!quiet);
}

// The fitted sets' F of a product as choosing it takes it; the population and custom ones stay.
void PHSerumLevelForecast::take_fitted_f(RouteDose& route, const QString& product,
                                         const RouteLabels& labels)
{
    const PerSource<double> f = productBioavailability(*m_session, product);
    for (Source s : {kLeastSquares, kBayesian})
        route.f[s] = f[s];
    show_f(route.f, labels, true);
}

void PHSerumLevelForecast::on_comboBox_route1_activated(const QString& text)
{
    m_product1 = text;
    m_routeLetter = PkCalculator::routeCode(text);
    m_session->routeLetter = m_routeLetter;
    m_session->routeText = text;
    m_session->dosageForm = DrugInfo::dosageFormOf(text);
    reset_route1();
    set_ui();
}

void PHSerumLevelForecast::on_comboBox_route2_activated(const QString& text)
{
    m_product2 = text;
    m_session->secondRouteLetter = PkCalculator::routeCode(text);
    m_session->secondDosageForm = DrugInfo::dosageFormOf(text);
    reset_route2();
    set_ui();
}

void PHSerumLevelForecast::storeEntry(QLineEdit* field, double& value, const pk::EntryRange& range)
{
    value = m_refusals->number(field, range);
    compute_result();
}

void PHSerumLevelForecast::on_lineEdit_dose_editingFinished()
{
    storeEntry(m_ui->lineEdit_dose, m_route1.dose, kDoseEntry);
}

void PHSerumLevelForecast::on_lineEdit_interval_editingFinished()
{
    storeEntry(m_ui->lineEdit_interval, m_route1.interval, kIntervalEntry);
}

void PHSerumLevelForecast::on_lineEdit_dose_2_editingFinished()
{
    storeEntry(m_ui->lineEdit_dose_2, m_route2.dose, kDoseEntry);
}

void PHSerumLevelForecast::on_lineEdit_interval_2_editingFinished()
{
    storeEntry(m_ui->lineEdit_interval_2, m_route2.interval, kIntervalEntry);
}

bool PHSerumLevelForecast::regimen_refused() const
{
    for (const QLineEdit* field : {m_ui->lineEdit_dose, m_ui->lineEdit_interval,
                                   m_ui->lineEdit_dose_2, m_ui->lineEdit_interval_2}) {
        if (m_refusals->holdsRefused(field))
            return true;
    }
    return false;
}

void PHSerumLevelForecast::compute_result(bool warn)
{
    // A forecast left without a refused dose or interval, route 2's above all, would stand for a
    // regimen other than the one on screen: no figure until the entry is taken, the others kept.
    if (regimen_refused()) {
        clear_figures();
        return;
    }
    if (!m_route1.given()) {
        reset_result();
        return;
    }
    const LevelInputs inputs = levelInputs(*m_session, m_route1, m_route2);
    PerSource<bool> saturated{};
    for (Source s : kAllSources) {
        if (sourceExists(*m_session, s))
            saturated[s] = compute_source(s, inputs);
        else
            clear_source(s);
    }
    if (warn)
        warn_saturation(saturated);
    if (!m_results[kPopulation].observed.isValue()) {
        // No population steady state: nothing to draw, and the report keeps the last forecast.
        refuse_graph(tr("No graph without a\npopulation steady state."));
        m_ui->groupBox_Graph->setEnabled(false);
        return;
    }
    if (m_graphNeeded) {
        m_ui->groupBox_Graph->setEnabled(true);
        m_graphNeeded = false;
        graph_serum_level();
    }
    m_session->phLevelForecastReport =
        levelRecord(inputs, m_results, m_product1, m_product2, m_routeLetter,
                    m_session->phLevelForecastReport.route1Sentence);
    m_session->phLevelForecastReport.fittedFrom = m_fFrom;
}

bool PHSerumLevelForecast::compute_source(Source source, const LevelInputs& inputs)
{
    const LevelSourceResult result = computeLevel(inputs, source);
    if (m_routeLetter == pk::kLetterIntramuscular)
        m_session->regimenKa = m_session->kaIm;
    else if (m_routeLetter == pk::kLetterOral)
        m_session->regimenKa = m_session->kaOral;
    if (result.sameSteadyState(m_results[source]))
        return result.saturated;
    if (source == kPopulation || source == kCustom)
        m_graphNeeded = true;
    m_results[source] = result;
    m_session->twoCompInterval = m_session->twoCompInfusionTime = m_route1.interval;
    show_result(source);
    openCurveEntries(curveEntries(), m_doseCount, m_initialConcentration);
    return result.saturated;
}

void PHSerumLevelForecast::warn_saturation(const PerSource<bool>& saturated)
{
    // In the order of the result columns.
    static const Source order[] = {kPopulation, kCustom, kBayesian, kLeastSquares};
    static const PerSource<const char*> names = {QT_TR_NOOP("Population"), QT_TR_NOOP("Custom"),
                                                 QT_TR_NOOP("Least Square"),
                                                 QT_TR_NOOP("Bayesian")};
    QStringList sets;
    for (Source s : order) {
        if (saturated[s])
            sets << tr(names[s]);
    }
    if (sets.isEmpty())
        return;
    const QString last = sets.takeLast();
    const QString named =
        sets.isEmpty() ? last : tr("%1 and %2").arg(sets.join(QStringLiteral(", ")), last);
    m_notice.show(tr("Daily Dosage is greater than %1 Vmax.").arg(named));
}

void PHSerumLevelForecast::show_result(Source source)
{
    const LevelSourceResult& r = m_results[source];
    const ResultFields fields = resultFields()[source];
    fields.observed->setText(figureText(r.observed));
    fields.adjusted->setText(figureText(r.adjusted));
    fields.timeTo90->setText(figureText(r.timeTo90));
    Figure fuPercent = r.freeFraction;
    if (fuPercent.isValue())
        fuPercent.value *= 100.0;
    fields.freeFraction->setText(figureText(fuPercent));
}

void PHSerumLevelForecast::clear_source(Source source)
{
    m_results[source] = LevelSourceResult();
    const ResultFields fields = resultFields()[source];
    for (QLineEdit* field : {fields.observed, fields.adjusted, fields.timeTo90, fields.freeFraction,
                             bloodLevelFields()[source]})
        field->clear();
}

void PHSerumLevelForecast::reset_route1()
{
    reset_result();
    m_route1.dose = m_route1.interval = -1.0;
    m_ui->lineEdit_dose->clear();
    m_ui->lineEdit_interval->clear();
}

void PHSerumLevelForecast::reset_route2()
{
    if (bothAbove0(m_route2))
        m_graphNeeded = true;
    m_route2.dose = m_route2.interval = -1.0;
    m_ui->lineEdit_dose_2->clear();
    m_ui->lineEdit_interval_2->clear();
    if (bothAbove0(m_route1))
        compute_result();
    else
        reset_result();
}

void PHSerumLevelForecast::reset_result()
{
    clear_figures();
    clearCurveEntries(curveEntries());
    m_initialConcentration = 0.0;
    m_doseCount = kDefaultDoseCount;
}

// Every result, read-out and curve goes; the entries stay as they are.
void PHSerumLevelForecast::clear_figures()
{
    m_results = LevelResults();
    for (const ResultFields& f : resultFields()) {
        for (QLineEdit* field : {f.observed, f.adjusted, f.timeTo90, f.freeFraction})
            field->clear();
    }
    for (QLineEdit* field : bloodLevelFields())
        field->clear();
    m_ui->groupBox_Graph->setEnabled(false);
    m_ui->label_warning->clear();
    clearCurves(m_ui->graph);
}

void PHSerumLevelForecast::on_line_initial_concentration_editingFinished()
{
    redraw_curves(takeInitialConcentration(*m_refusals, m_ui->line_initial_concentration,
                                           m_initialConcentration));
}

void PHSerumLevelForecast::on_line_num_of_dose_editingFinished()
{
    redraw_curves(
        takeDoseCount(*m_refusals, m_ui->line_num_of_dose, m_doseCount, kDefaultDoseCount));
}

// A refused entry takes the curves away, and taking an entry again brings them back, also at the
// value they were drawn with before.
void PHSerumLevelForecast::redraw_curves(bool entryChanged)
{
    if (entryChanged || m_curvesWithheld || curveEntryRefused(*m_refusals, curveEntries()))
        graph_serum_level();
}

void PHSerumLevelForecast::on_radioButton_nonsteady_clicked()
{
    m_ui->line_initial_concentration->setEnabled(true);
    graph_serum_level();
}

void PHSerumLevelForecast::on_radioButton_steady_clicked()
{
    m_ui->line_initial_concentration->setEnabled(false);
    graph_serum_level();
}

int PHSerumLevelForecast::get_route() const
{
    return routeNumber(m_routeLetter);
}

CurveRegimen PHSerumLevelForecast::curveFor(Source source, int doseCount) const
{
    const PkParameterSet& set = m_session->pkSets[setIndex(source)];
    CurveRegimen r;
    // The F of the route the dose is given by.
    r.f = m_route1.f[source];
    r.v = set[pk::kVd];
    r.salt = m_route1.salt;
    r.km = set[pk::kKm];
    r.vmax = set[pk::kVmax];
    r.c0 = m_initialConcentration;
    r.dose = m_route1.dose;
    r.route = get_route();
    r.tau = m_route1.interval;
    r.doseCount = doseCount;
    return r;
}

PHSerumLevelForecast::GraphPlan PHSerumLevelForecast::plan_graph() const
{
    GraphPlan plan;
    const bool steady = m_ui->radioButton_steady->isChecked();
    double longest = -1.0;
    for (const CurveStyle& style : kCurveStyles) {
        const Source s = style.source;
        if (!sourceExists(*m_session, s))
            continue;
        const Figure& t90 = m_results[s].timeTo90;
        // At steady state a set that never reaches one has no curve to show.
        if (steady && !t90.isValue()) {
            plan.leftOut << tr(style.name);
            continue;
        }
        plan.drawn[s] = true;
        if (t90.isValue())
            longest = std::max(longest, t90.value);
    }
    plan.axis = planAxis(steady ? GraphMode::Steady : GraphMode::NonSteady, m_doseCount,
                         m_route1.interval, longest);
    return plan;
}

void PHSerumLevelForecast::refuse_graph(const QString& notice)
{
    clearCurves(m_ui->graph);
    // A level read off the curve that went must not stand for the regimen now entered.
    for (QLineEdit* field : bloodLevelFields())
        field->clear();
    m_ui->label_warning->setText(notice);
}

double PHSerumLevelForecast::readout_time(const AxisPlan& graph) const
{
    const double x = readoutTime(*m_refusals, m_ui->line_time_x, graph);
    // The levels of an earlier time must not stand beside a refused one.
    if (x < 0.0 && !m_ui->line_time_x->text().trimmed().isEmpty()) {
        for (QLineEdit* field : bloodLevelFields())
            field->clear();
    }
    return x;
}

void PHSerumLevelForecast::graph_serum_level()
{
    m_curvesWithheld = false;
    if (m_route2.given()) {
        refuse_graph(tr("No graph for two\nroutes calculation..."));
        return;
    }
    if (!m_results[kPopulation].observed.isValue()) {
        refuse_graph(tr("No graph without a\npopulation steady state."));
        return;
    }
    if (curveEntryRefused(*m_refusals, curveEntries())) {
        // The refusal notice says why.
        m_curvesWithheld = true;
        refuse_graph(QString());
        return;
    }
    const GraphPlan plan = plan_graph();
    if (!plan.axis.drawable) {
        refuse_graph(plan.axis.refusal);
        return;
    }
    m_ui->label_warning->clear();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const double x = readout_time(plan.axis);
    QVector<double> times = plan.axis.times;
    if (x >= 0.0)
        times << x;

    std::vector<PlotCurve> curves;
    double highest = 0.0;
    for (const CurveStyle& style : kCurveStyles) {
        QVector<double> levels;
        if (plan.drawn[style.source])
            levels = simulateLevels(*m_calculator, *m_session,
                                    curveFor(style.source, plan.axis.doseCount), times);
        if (x >= 0.0)
            show_readout(style.source, plan, levels.isEmpty() ? -1.0 : levels.takeLast());
        if (levels.isEmpty())
            continue;
        curves.push_back({tr(style.name), style.colour, levels});
        if (m_results[style.source].observed.isValue())
            highest = std::max(highest, m_results[style.source].observed.value);
    }
    const PlotLayout layout{Qt::AlignTop | Qt::AlignLeft, plan.axis.times.first(),
                            plan.axis.times.last(), kYHeadroom * highest};
    drawCurves(m_ui->graph, plan.axis.times, curves, layout);
    if (!plan.leftOut.isEmpty())
        m_ui->label_warning->setText(
            tr("No steady state:\n%1 left out.").arg(plan.leftOut.join(QStringLiteral(", "))));
    QApplication::restoreOverrideCursor();
}

void PHSerumLevelForecast::on_line_time_x_editingFinished()
{
    // Without a graph there is nothing to read a level off.
    if (m_route2.given() || !m_results[kPopulation].observed.isValue() || m_curvesWithheld)
        return;
    const GraphPlan plan = plan_graph();
    if (!plan.axis.drawable)
        return;
    const double x = readout_time(plan.axis);
    if (x < 0.0)
        return;
    for (const CurveStyle& style : kCurveStyles) {
        QVector<double> level;
        if (plan.drawn[style.source])
            level = simulateLevels(*m_calculator, *m_session,
                                   curveFor(style.source, plan.axis.doseCount), {x});
        show_readout(style.source, plan, level.isEmpty() ? -1.0 : level.first());
    }
}

void PHSerumLevelForecast::show_readout(Source source, const GraphPlan& plan, double level)
{
    if (!sourceExists(*m_session, source))
        return;
    // A set left out of the drawing, or whose curve the grid could not lay, has no level at
    // that time; an earlier read-out must not stand in for one.
    Figure shown = Figure::noResult();
    if (!plan.drawn[source])
        shown = Figure::noSteadyState();
    else if (level >= 0.0)
        shown = Figure::of(level);
    bloodLevelFields()[source]->setText(figureText(shown));
}

void PHSerumLevelForecast::legend_click(QCPLegend* /*legend*/, QCPAbstractLegendItem* item)
{
    toggleLegendCurve(item);
    m_ui->graph->replot();
}
