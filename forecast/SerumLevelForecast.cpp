#include "forecast/SerumLevelForecast.h"
#include "ui_SerumLevelForecast.h"

#include "forecast/ForecastText.h"
#include "forecast/ForecastView.h"
#include "pkcore/CaseNames.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "platform/WheelGuard.h"

using namespace forecast;

namespace
{
// Why the post cell holds no level; nothing before anything was forecast.
QString postReason(const SetLevels& r, bool hasPostLevel)
{
    if (!r.computed && r.reason.isEmpty())
        return QString();
    if (!hasPostLevel)
        return tr("This regimen has no post level.");
    return r.computed ? tr("The post level could not be computed.") : r.reason;
}
} // namespace

SerumLevelForecast::SerumLevelForecast(QWidget* parent, SessionData* session,
                                       PkCalculator* calculator, DrugInfo* drugInfo)
    : QDialog(parent), m_form(std::make_unique<Ui::SerumLevelForecast>()), m_session(session),
      m_calculator(calculator), m_drugInfo(drugInfo)
{
    m_form->setupUi(this);
    guardWheel(this);
    setWindowTitle(caseWindowTitle(tr("Serum Level Forecast"), *session));
    m_fields[kDose] = {m_form->label_dose, m_form->lineEdit_dose};
    m_fields[kInterval] = {m_form->label_interval, m_form->lineEdit_interval};
    m_fields[kInfusionTime] = {m_form->label_infusionTime, m_form->lineEdit_infusionTime};
    m_fields[kPostTime] = {m_form->label_postTime, m_form->lineEdit_postTime};
    m_fields[kRate] = {m_form->label_rate, m_form->lineEdit_rate};
    const QString unit = session->doseUnit;
    m_form->label_dose->setText(tr("Dose (%1)").arg(unit));
    m_form->label_rate->setText(tr("Infusion rate (%1/h)").arg(unit));
    for (const EntryField& f : m_fields)
        wireNumberField(f.edit, this, &SerumLevelForecast::recompute);
    buildDayRows();
    drugInfo->fillRouteCombo(m_form->comboBox_route);
    set_salt_and_f();
    showFieldsOfRoute();
    recompute();
}

SerumLevelForecast::~SerumLevelForecast() = default;

QLineEdit* SerumLevelForecast::numberField()
{
    auto* edit = new QLineEdit(m_form->groupBox_day);
    wireNumberField(edit, this, &SerumLevelForecast::recompute);
    return edit;
}

void SerumLevelForecast::buildDayRows()
{
    // The rows stand in pairs side by side, so the window keeps to a small screen.
    constexpr int pairsPerLine = 2;
    QGridLayout* grid = m_form->gridLayout_day;
    for (int pair = 0; pair < pairsPerLine; ++pair) {
        grid->addWidget(new QLabel(tr("Clock time (h, 0 to 24)"), m_form->groupBox_day), 0,
                        2 * pair);
        grid->addWidget(new QLabel(tr("Dose (%1)").arg(m_session->doseUnit), m_form->groupBox_day),
                        0, 2 * pair + 1);
    }
    for (int i = 0; i < kDayRows; ++i) {
        m_dayRows[i] = {numberField(), numberField()};
        const int line = 1 + i / pairsPerLine;
        const int column = 2 * (i % pairsPerLine);
        grid->addWidget(m_dayRows[i].clockHour, line, column);
        grid->addWidget(m_dayRows[i].dose, line, column + 1);
    }
}

void SerumLevelForecast::custom_pk_change()
{
    recompute();
}

void SerumLevelForecast::fitted_sets_change(bool /*quiet*/)
{
    recompute();
}

void SerumLevelForecast::on_comboBox_route_activated(int)
{
    set_salt_and_f();
    showFieldsOfRoute();
    recompute();
}

void SerumLevelForecast::on_checkBox_uneven_toggled(bool)
{
    showFieldsOfRoute();
    recompute();
}

void SerumLevelForecast::showEvent(QShowEvent* event)
{
    // Fits may have run since the window was last shown.
    recompute();
    QDialog::showEvent(event);
}

void SerumLevelForecast::set_salt_and_f()
{
    chooseRoute(*m_session, *m_drugInfo, m_form->comboBox_route->currentText());
}

void SerumLevelForecast::showFieldsOfRoute()
{
    const RouteModel route = routeModelOf(*m_session);
    const bool unevenOffered = unevenDosingServes(route);
    if (!unevenOffered)
        m_form->checkBox_uneven->setChecked(false);
    m_form->checkBox_uneven->setVisible(unevenOffered);
    const bool uneven = m_form->checkBox_uneven->isChecked();
    m_form->groupBox_day->setVisible(uneven);
    const auto asked = levelFieldsOf(route, uneven);
    showAskedFields(m_fields, asked);
}

void SerumLevelForecast::recompute()
{
    // The other forecast window may have chosen another route since.
    set_salt_and_f();
    const bool uneven = m_form->checkBox_uneven->isChecked();
    QVector<DayRowText> day;
    for (const DayRow& row : m_dayRows)
        day.append({row.clockHour->text(), row.dose->text()});

    const LevelEntry entry =
        readLevelEntry(routeModelOf(*m_session), uneven, fieldTexts(m_fields), day);
    showRefusals(m_fields, entry.refusals);
    for (int i = 0; i < kDayRows; ++i) {
        showRefusal(m_dayRows[i].clockHour, entry.dayRefusals[i].clockHour);
        showRefusal(m_dayRows[i].dose, entry.dayRefusals[i].dose);
    }
    if (!entry.complete) {
        QString refusal = firstRefusal(entry.refusals);
        for (const DayRowText& row : entry.dayRefusals)
            refusal = refusal.isEmpty() ? firstRefusal<2>({row.clockHour, row.dose}) : refusal;
        m_form->label_status->setText(
            refusal.isEmpty() ? tr("Enter the regimen to forecast its levels.") : refusal);
        // The report never shows levels the window no longer shows.
        m_session->levelForecastReport.done = false;
        showLevels(LevelResults());
        return;
    }
    const LevelResults results = forecastLevels(*m_calculator, *m_session, entry.regimen);
    writeLevelForecastReport(*m_session, entry.regimen, results);
    m_form->label_status->clear();
    showLevels(results);
}

void SerumLevelForecast::showLevels(const LevelResults& results)
{
    const QString unit = m_session->concentrationUnit;
    const QStringList columns = {tr("Peak (%1)").arg(unit), tr("Trough (%1)").arg(unit),
                                 tr("Post (%1)").arg(unit), tr("Average (%1)").arg(unit)};
    std::array<ResultRow, kSetCount> rows;
    for (int set = 0; set < kSetCount; ++set) {
        const SetLevels& r = results.sets[set];
        rows[set] = {{r.peak, r.reason},
                     {r.trough, r.reason},
                     {r.postLevel, postReason(r, results.hasPostLevel), results.hasPostLevel},
                     {r.average, r.reason}};
    }
    showResults(m_form->tableWidget_results, columns, rows);
    drawCurves(m_form->widget_graph, results.curves, *m_session);
}
