#include "phenytoin/PHDosageRegimen.h"

#include "ui_PHDosageRegimen.h"

#include "phenytoin/LevelPlot.h"
#include "phenytoin/WindowFields.h"

#include "pkcore/CaseNames.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "platform/WheelGuard.h"

#include <QApplication>

using namespace phenytoin;

namespace
{
constexpr double kYHeadroom = 1.5; // the y axis ends at 1.5 x the desired average
const char* const kFosphenytoin = "Fosphenytoin";
} // namespace

PHDosageRegimen::PHDosageRegimen(QWidget* parent, SessionData* session, PkCalculator* calculator,
                                 DrugInfo* drugInfo)
    : QDialog(parent), m_ui(std::make_unique<Ui::PHDosageRegimen>()), m_session(session),
      m_calculator(calculator), m_drugInfo(drugInfo)
{
    m_ui->setupUi(this);
    guardWheel(this);
    m_refusals = std::make_unique<EntryRefusals>(m_ui->label_refusal);
    set_validators();
    display_pk_parameters();
    m_drugInfo->fillRouteCombo(m_ui->comboBox_route);
    setRoute(m_ui->comboBox_route->currentText());
    set_therapeutic_range();
    set_unit_view();
    m_ui->groupBox_Graph->setEnabled(false);
    set_salt_and_F();
    setWindowTitle(caseWindowTitle(tr("Dosage Regimen Forecast"), *m_session));
    connect(m_ui->graph, &QCustomPlot::legendClick, this,
            [this](QCPLegend* legend, QCPAbstractLegendItem* item, QMouseEvent*) {
                legend_click(legend, item);
            });
}

PHDosageRegimen::~PHDosageRegimen() = default;

CurveEntries PHDosageRegimen::curveEntries() const
{
    return {m_ui->line_time_x, m_ui->line_num_of_dose, m_ui->line_initial_concentration};
}

PerSource<PHDosageRegimen::SourceFields> PHDosageRegimen::sourceFields() const
{
    PerSource<SourceFields> f;
    f[kPopulation] = {m_ui->lineEdit_dose_pop, m_ui->lineEdit_loading_dose_pop,
                      m_ui->line_blood_level_pop};
    f[kCustom] = {m_ui->lineEdit_dose_custom, m_ui->lineEdit_loading_dose_custom,
                  m_ui->line_blood_level_custom};
    f[kLeastSquares] = {m_ui->lineEdit_dose_ls, m_ui->lineEdit_loading_dose_ls,
                        m_ui->line_blood_level_ls};
    f[kBayesian] = {m_ui->lineEdit_dose_bayes, m_ui->lineEdit_loading_dose_bayes,
                    m_ui->line_blood_level_bayes};
    return f;
}

void PHDosageRegimen::set_validators()
{
    // The count takes a decimal point too, so that a fraction is refused in words rather than
    // its point dropped ("1.5" read as 15 doses).
    for (QLineEdit* field :
         {m_ui->lineEdit_desired_avg_conc, m_ui->lineEdit_current_conc,
          m_ui->line_initial_concentration, m_ui->line_time_x, m_ui->line_num_of_dose})
        acceptNumber(field);
    m_ui->line_time_x->setMaxLength(kMostTimeCharacters);
}

void PHDosageRegimen::display_pk_parameters()
{
    showParametersOn(*m_ui, *m_session);
    showLeastSquaresColumn(this, *m_session);
}

void PHDosageRegimen::set_therapeutic_range()
{
    showTherapeuticRange(*m_ui, *m_session);
}

void PHDosageRegimen::setRoute(const QString& product)
{
    m_routeText = product;
    m_routeLetter = PkCalculator::routeCode(product);
}

void PHDosageRegimen::set_unit_view()
{
    const bool equivalents =
        m_routeLetter == pk::kLetterIntramuscular ||
        (m_routeLetter == pk::kLetterIntermittentIv && m_routeText.contains(kFosphenytoin));
    m_ui->label_dose_unit->setText(equivalents ? tr("mg(PE)/24hr") : tr("mg/24hr"));
    m_ui->label_loading_dose_unit->setText(equivalents ? tr("mg(PE)") : tr("mg"));
}

void PHDosageRegimen::set_salt_and_F()
{
    // The catalogue reads the product from the session, which the level forecast window may
    // have moved to its own.
    m_session->routeLetter = m_routeLetter;
    m_session->routeText = m_routeText;
    m_session->dosageForm = DrugInfo::dosageFormOf(m_routeText);
    m_drugInfo->applyFormDefaults(1);
    m_salt = m_drugInfo->saltFactor(m_routeText, m_session->patient.drugCode);
    m_ui->label_salt_value->setText(QString::number(m_salt, 'f', 2));
    m_f = productBioavailability(*m_session, m_routeText);
    m_fFrom = m_session->fittedSetsStamp();
    show_f_values();
}

void PHDosageRegimen::show_f_values()
{
    m_ui->label_f_value_pop->setText(percentText(m_f[kPopulation]));
    m_ui->label_f_value_custom->setText(percentText(m_f[kCustom]));
    // A fit that went takes its F with it.
    m_ui->label_f_value_ls->setText(
        sourceExists(*m_session, kLeastSquares) ? percentText(m_f[kLeastSquares]) : QString());
    m_ui->label_f_value_bayes->setText(
        sourceExists(*m_session, kBayesian) ? percentText(m_f[kBayesian]) : QString());
}

void PHDosageRegimen::custom_pk_change()
{
    m_f[kCustom] = customBioavailability(*m_session, m_routeText, m_f[kPopulation]);
    m_ui->label_f_value_custom->setText(percentText(m_f[kCustom]));
    display_pk_parameters();
    // A new custom volume leaves every dose as it was but moves the custom curve.
    if (m_results[kCustom].dailyDose.isValue())
        m_resultChanged = true;
    compute_result();
}

// The fitted sets' F as choosing the route takes it; the population and custom ones stay.
void PHDosageRegimen::fitted_sets_change(bool /*quiet*/)
{
    const PerSource<double> f = productBioavailability(*m_session, m_routeText);
    for (Source s : {kLeastSquares, kBayesian}) {
        m_f[s] = f[s];
        // A new fit may leave the dose as it was but moves the set's curve and report record.
        if (m_results[s].dailyDose.isValue())
            m_resultChanged = true;
    }
    m_fFrom = m_session->fittedSetsStamp();
    show_f_values();
    display_pk_parameters();
    compute_result();
}

void PHDosageRegimen::on_comboBox_route_activated(const QString& arg1)
{
    setRoute(arg1);
    reset_result();
    m_desired = -1.0;
    m_ui->lineEdit_desired_avg_conc->clear();
    set_unit_view();
    m_ui->groupBox_Graph->setEnabled(false);
    set_salt_and_F();
}

void PHDosageRegimen::on_lineEdit_desired_avg_conc_editingFinished()
{
    m_desired = m_refusals->number(m_ui->lineEdit_desired_avg_conc, kLevelEntry);
    compute_result();
}

void PHDosageRegimen::on_lineEdit_current_conc_editingFinished()
{
    m_current = m_refusals->number(m_ui->lineEdit_current_conc, kLevelEntry);
    compute_result();
}

void PHDosageRegimen::compute_result()
{
    // Doses for a desired average other than the one on screen must not stand; unlike an emptied
    // desired average, a refused one leaves the graph's entries be.
    if (m_refusals->holdsRefused(m_ui->lineEdit_desired_avg_conc)) {
        clear_figures();
        return;
    }
    if (m_desired < 0.0) {
        reset_result();
        return;
    }
    RegimenInputs inputs = regimenInputs(*m_session, m_salt, m_f);
    inputs.desiredAverage = m_desired;
    inputs.currentConcentration = m_current;
    const RegimenResults results = computeRegimen(inputs);
    const PerSource<SourceFields> fields = sourceFields();
    for (Source s : kAllSources) {
        if (!sourceExists(*m_session, s)) {
            clear_source(s);
            continue;
        }
        if (results[s].dailyDose != m_results[s].dailyDose) {
            m_resultChanged = true;
            m_results[s].dailyDose = results[s].dailyDose;
            m_session->twoCompInterval = m_session->twoCompInfusionTime = kRegimenIntervalHours;
            fields[s].dose->setText(figureText(results[s].dailyDose));
            openCurveEntries(curveEntries(), m_doseCount, m_initialConcentration);
        }
        m_results[s].loadingDose = results[s].loadingDose;
        fields[s].loadingDose->setText(figureText(results[s].loadingDose));
    }
    // The curves are drawn of a positive population dose alone; those of an earlier regimen must
    // not stand beside doses of 0 or none.
    const Figure& population = m_results[kPopulation].dailyDose;
    if (!population.isValue() || population.value <= 0.0) {
        clear_graph();
        return;
    }
    if (m_resultChanged) {
        m_ui->groupBox_Graph->setEnabled(true);
        m_resultChanged = false;
        graph_serum_level();
        hand_over();
    }
}

void PHDosageRegimen::hand_over()
{
    RegimenInputs inputs = regimenInputs(*m_session, m_salt, m_f);
    inputs.desiredAverage = m_desired;
    m_session->phRegimenReport = regimenRecord(inputs, m_results, m_routeText, m_routeLetter,
                                               m_session->phRegimenReport.routeSentence);
    m_session->phRegimenReport.fittedFrom = m_fFrom;
}

void PHDosageRegimen::clear_source(Source source)
{
    m_results[source] = RegimenSourceResult();
    const SourceFields fields = sourceFields()[source];
    for (QLineEdit* field : {fields.dose, fields.loadingDose, fields.bloodLevel})
        field->clear();
}

// The current concentration stays: it is the patient's measured level, whatever the route, and
// loads as soon as a desired average is given.
void PHDosageRegimen::reset_result()
{
    clear_figures();
    m_initialConcentration = 0.0;
    m_doseCount = kDefaultDoseCount;
    clearCurveEntries(curveEntries());
}

// Every dose, read-out and curve goes; the entries stay as they are.
void PHDosageRegimen::clear_figures()
{
    m_resultChanged = false;
    for (Source s : kAllSources)
        clear_source(s);
    clear_graph();
}

// Every curve and read-out goes; the graph's entries stay for the next regimen drawn.
void PHDosageRegimen::clear_graph()
{
    m_ui->groupBox_Graph->setEnabled(false);
    clearCurves(m_ui->graph);
    for (const SourceFields& fields : sourceFields())
        fields.bloodLevel->clear();
}

void PHDosageRegimen::on_line_initial_concentration_editingFinished()
{
    redraw_curves(takeInitialConcentration(*m_refusals, m_ui->line_initial_concentration,
                                           m_initialConcentration));
}

void PHDosageRegimen::on_line_num_of_dose_editingFinished()
{
    redraw_curves(
        takeDoseCount(*m_refusals, m_ui->line_num_of_dose, m_doseCount, kDefaultDoseCount));
}

// A refused entry takes the curves away, and taking an entry again brings them back, also at the
// value they were drawn with before.
void PHDosageRegimen::redraw_curves(bool entryChanged)
{
    if (entryChanged || m_curvesWithheld || curveEntryRefused(*m_refusals, curveEntries()))
        graph_serum_level();
}

CurveRegimen PHDosageRegimen::curveFor(Source source) const
{
    const PkParameterSet& set = m_session->pkSets[setIndex(source)];
    CurveRegimen r;
    // The F of the product the dose is given as, the one the dose was computed with.
    r.f = m_f[source];
    r.v = set[pk::kVd];
    r.salt = m_salt;
    r.km = set[pk::kKm];
    r.vmax = set[pk::kVmax];
    r.c0 = m_initialConcentration;
    r.dose = m_results[source].dailyDose.value;
    r.route = routeNumber(m_routeLetter);
    r.tau = kRegimenIntervalHours;
    r.doseCount = m_doseCount;
    return r;
}

double PHDosageRegimen::readout_time(const AxisPlan& graph) const
{
    const double x = readoutTime(*m_refusals, m_ui->line_time_x, graph);
    // The levels of an earlier time must not stand beside a refused one.
    if (x < 0.0 && !m_ui->line_time_x->text().trimmed().isEmpty()) {
        for (const SourceFields& fields : sourceFields())
            fields.bloodLevel->clear();
    }
    return x;
}

AxisPlan PHDosageRegimen::graph_plan() const
{
    return planAxis(GraphMode::NonSteady, m_doseCount, kRegimenIntervalHours, -1.0);
}

void PHDosageRegimen::show_readouts(const PerSource<double>& levels)
{
    for (Source s : kAllSources) {
        if (!m_results[s].dailyDose.isValue())
            continue;
        // A curve the grid could not lay has no level, which is not a level of 0.
        const Figure level = levels[s] >= 0.0 ? Figure::of(levels[s]) : Figure::noResult();
        sourceFields()[s].bloodLevel->setText(figureText(level));
    }
}

void PHDosageRegimen::graph_serum_level()
{
    m_curvesWithheld = curveEntryRefused(*m_refusals, curveEntries());
    if (m_curvesWithheld) {
        // The refusal notice says why.
        clearCurves(m_ui->graph);
        for (const SourceFields& fields : sourceFields())
            fields.bloodLevel->clear();
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const AxisPlan plan = graph_plan();
    const double x = readout_time(plan);
    QVector<double> times = plan.times;
    if (x >= 0.0)
        times << x;

    struct Style {
        Source source;
        const char* name;
        Qt::GlobalColor colour;
    };
    static const Style styles[] = {{kPopulation, "Pop", Qt::red},
                                   {kCustom, "Custom", Qt::magenta},
                                   {kLeastSquares, "LS", Qt::green},
                                   {kBayesian, "Bayes", Qt::blue}};
    std::vector<PlotCurve> curves;
    PerSource<double> readouts;
    readouts.fill(-1.0);
    for (const Style& style : styles) {
        if (!m_results[style.source].dailyDose.isValue())
            continue;
        QVector<double> levels =
            simulateLevels(*m_calculator, *m_session, curveFor(style.source), times);
        if (levels.isEmpty())
            continue;
        if (x >= 0.0)
            readouts[style.source] = levels.takeLast();
        curves.push_back({tr(style.name), style.colour, levels});
    }
    const PlotLayout layout{Qt::AlignTop | Qt::AlignRight, 0.0, m_doseCount * kRegimenIntervalHours,
                            kYHeadroom * m_desired};
    drawCurves(m_ui->graph, plan.times, curves, layout);
    if (x >= 0.0)
        show_readouts(readouts);
    QApplication::restoreOverrideCursor();
}

void PHDosageRegimen::on_line_time_x_editingFinished()
{
    // Without curves there is nothing to read a level off.
    if (m_curvesWithheld)
        return;
    const double x = readout_time(graph_plan());
    if (x < 0.0)
        return;
    PerSource<double> levels{};
    for (Source s : kAllSources) {
        if (!m_results[s].dailyDose.isValue())
            continue;
        const QVector<double> level = simulateLevels(*m_calculator, *m_session, curveFor(s), {x});
        levels[s] = level.isEmpty() ? -1.0 : level.first();
    }
    show_readouts(levels);
}

void PHDosageRegimen::legend_click(QCPLegend* /*legend*/, QCPAbstractLegendItem* item)
{
    toggleLegendCurve(item);
    m_ui->graph->replot();
}
