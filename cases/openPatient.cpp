#include "cases/openPatient.h"
#include "ui_openPatient.h"

#include "app/ProgramConfig.h"
#include "app/StartInView.h"
#include "cases/PatientSearch.h"
#include "cases/searchResult.h"
#include "platform/MessageBox.h"
#include "platform/WheelGuard.h"

#include <QDate>

openPatient::openPatient(QWidget* parent, SessionData* session, PkCalculator* calculator,
                         DrugInfo* drugInfo, newPatient* patientForm, ProgramConfig* config)
    : QDialog(parent), ui(new Ui::openPatient), session(session), calculator(calculator),
      drugInfo(drugInfo), patientForm(patientForm), config(config)
{
    ui->setupUi(this);
    guardWheel(this);
    keepStartInView(ui->line_last);
    keepStartInView(ui->line_pid);
    ui->dateEdit->setDate(QDate::currentDate());
    setWindowTitle(tr("Open Patient"));
    ui->radioButton_last->setChecked(true);
    ui->line_last->setEnabled(true);
    ui->open_i_name->setText(config->siteName());
}

openPatient::~openPatient() = default;

void openPatient::enableFields(bool dates, bool lastName, bool patientId)
{
    ui->line_from->setEnabled(dates);
    ui->line_to->setEnabled(dates);
    ui->line_last->setEnabled(lastName);
    ui->line_pid->setEnabled(patientId);
}

void openPatient::on_radioButton_dates_clicked()
{
    enableFields(true, false, false);
}

void openPatient::on_radioButton_last_clicked()
{
    enableFields(false, true, false);
}

void openPatient::on_radioButton_pID_clicked()
{
    enableFields(false, false, true);
}

void openPatient::on_button_ok_clicked()
{
    int mode = -1;
    if (ui->radioButton_dates->isChecked())
        mode = PatientSearch::ByDates;
    else if (ui->radioButton_last->isChecked())
        mode = PatientSearch::ByLastName;
    else if (ui->radioButton_pID->isChecked())
        mode = PatientSearch::ByPatientId;
    if (mode < 0)
        return;

    // Every search gets a result dialog of its own; the fields stay as typed for the next.
    auto* results = new searchResult(this, session, calculator, drugInfo, patientForm, config);
    results->setSearch(ui->line_from->text(), ui->line_to->text(), ui->line_last->text(),
                       ui->line_pid->text(), mode);
    connect(results, &searchResult::closeOpenPatient, this, &openPatient::closeOpenPatient);
    Modal::exec(results);
}

void openPatient::on_button_cancel_clicked()
{
    close();
}

void openPatient::closeOpenPatient()
{
    close();
}
