#include "forecast/DosageRegimenForecast.h"
#include "ui_DosageRegimenForecast.h"

#include "forecast/ForecastText.h"
#include "forecast/ForecastView.h"
#include "pkcore/CaseNames.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "platform/WheelGuard.h"

using namespace forecast;

DosageRegimenForecast::DosageRegimenForecast(QWidget* parent, SessionData* session,
                                             PkCalculator* calculator, DrugInfo* drugInfo)
    : QDialog(parent), m_form(std::make_unique<Ui::DosageRegimenForecast>()), m_session(session),
      m_calculator(calculator), m_drugInfo(drugInfo)
{
    m_form->setupUi(this);
    guardWheel(this);
    setWindowTitle(caseWindowTitle(tr("Dosage Regimen Forecast"), *session));
    m_fields[kDesiredInfusionTime] = {m_form->label_infusionTime, m_form->lineEdit_infusionTime};
    m_fields[kDesiredPostLevel] = {m_form->label_postLevel, m_form->lineEdit_postLevel};
    m_fields[kDesiredPostTime] = {m_form->label_postTime, m_form->lineEdit_postTime};
    m_fields[kDesiredTrough] = {m_form->label_trough, m_form->lineEdit_trough};
    m_fields[kDesiredPeak] = {m_form->label_peak, m_form->lineEdit_peak};
    m_fields[kDesiredAverage] = {m_form->label_average, m_form->lineEdit_average};
    const QString unit = session->concentrationUnit;
    m_form->label_postLevel->setText(tr("Desired post level (%1)").arg(unit));
    m_form->label_trough->setText(tr("Desired trough (%1)").arg(unit));
    m_form->label_peak->setText(tr("Desired peak (%1)").arg(unit));
    m_form->label_average->setText(tr("Desired average (%1)").arg(unit));
    for (const EntryField& f : m_fields)
        wireNumberField(f.edit, this, &DosageRegimenForecast::recompute);
    drugInfo->fillRouteCombo(m_form->comboBox_route);
    set_salt_and_f();
    showFieldsOfRoute();
    recompute();
}

DosageRegimenForecast::~DosageRegimenForecast() = default;

void DosageRegimenForecast::custom_pk_change()
{
    recompute();
}

void DosageRegimenForecast::fitted_sets_change(bool /*quiet*/)
{
    recompute();
}

void DosageRegimenForecast::on_comboBox_route_activated(int)
{
    set_salt_and_f();
    showFieldsOfRoute();
    recompute();
}

void DosageRegimenForecast::showEvent(QShowEvent* event)
{
    // Fits may have run since the window was last shown.
    recompute();
    QDialog::showEvent(event);
}

void DosageRegimenForecast::set_salt_and_f()
{
    chooseRoute(*m_session, *m_drugInfo, m_form->comboBox_route->currentText());
}

void DosageRegimenForecast::showFieldsOfRoute()
{
    const auto asked = regimenFieldsOf(routeModelOf(*m_session));
    showAskedFields(m_fields, asked);
}

void DosageRegimenForecast::recompute()
{
    // The other forecast window may have chosen another route since.
    set_salt_and_f();
    const RegimenEntry entry = readRegimenEntry(routeModelOf(*m_session), fieldTexts(m_fields));
    showRefusals(m_fields, entry.refusals);
    if (!entry.complete) {
        // A refused level says why in the status line, not only at its field.
        const QString refusal = firstRefusal(entry.refusals);
        m_form->label_status->setText(
            refusal.isEmpty() ? tr("Enter the desired levels to design a regimen.") : refusal);
        // The report never shows a regimen the window no longer shows.
        m_session->regimenReport.done = false;
        // The empty table already carries the titles of the chosen route.
        RegimenResults none;
        none.route = routeModelOf(*m_session);
        showRegimens(none);
        return;
    }
    const RegimenResults results = designRegimens(*m_calculator, *m_session, entry.targets);
    writeRegimenReport(*m_session, entry.targets, results);
    m_form->label_status->clear();
    showRegimens(results);
}

void DosageRegimenForecast::showRegimens(const RegimenResults& results)
{
    const QString unit = m_session->doseUnit;
    const bool continuous = results.route.letter == pk::kLetterContinuousIv;
    const QStringList columns = {continuous ? tr("Rate (%1/h)").arg(unit)
                                            : tr("Dose (%1)").arg(unit),
                                 tr("Interval (h)"), tr("Dose per 24 h (%1)").arg(unit)};
    std::array<ResultRow, kSetCount> rows;
    for (int set = 0; set < kSetCount; ++set) {
        const SetRegimen& r = results.sets[set];
        // A continuous infusion has a rate and no interval: its interval cell stays empty.
        const ResultCell interval = continuous ? ResultCell{} : ResultCell{r.interval, r.reason};
        rows[set] = {{r.dose, r.reason}, interval, {r.dosePer24h, r.reason}};
    }
    showResults(m_form->tableWidget_results, columns, rows);
    drawCurves(m_form->widget_graph, results.curves, *m_session);
}
