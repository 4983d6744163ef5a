#pragma once

#include <QDialog>

#include <memory>

class DrugInfo;
class PkCalculator;
class ProgramConfig;
class SessionData;
class newPatient;

namespace Ui
{
class openPatient;
}

// Looks for stored patients by the dates they were saved on, by last name or by patient ID and
// lists the matches in a result dialog, from which a patient or case is opened into the patient
// and case form.
class openPatient : public QDialog
{
    Q_OBJECT
public:
    openPatient(QWidget* parent, SessionData* session, PkCalculator* calculator, DrugInfo* drugInfo,
                newPatient* patientForm, ProgramConfig* config);
    ~openPatient() override;

public slots:
    void closeOpenPatient();

private slots:
    void on_radioButton_dates_clicked();
    void on_radioButton_last_clicked();
    void on_radioButton_pID_clicked();
    void on_button_ok_clicked();
    void on_button_cancel_clicked();

private:
    // Enables the criteria fields of one search kind.
    void enableFields(bool dates, bool lastName, bool patientId);

    std::unique_ptr<Ui::openPatient> ui;
    SessionData* session;     // not owned
    PkCalculator* calculator; // not owned
    DrugInfo* drugInfo;       // not owned
    newPatient* patientForm;  // not owned
    ProgramConfig* config;    // not owned
};
