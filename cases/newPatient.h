#pragma once

#include "cases/PatientValidation.h"
#include "cases/StoredRecords.h"

#include <QDateTime>
#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>

class DrugFactors;
class DrugInfo;
class PkCalculator;
class ProgramConfig;
class SessionData;
class userChoice;
class QLabel;
class QWidget;

namespace Ui
{
class newPatient;
}

// The patient and case form: a new patient with a new case, a new case for a stored patient, or
// the case now open, edited again. Continue checks the whole form first and writes nothing
// unless everything passed; it then makes the form the session's current case with its
// population estimates and signals that the case page can be built.
class newPatient : public QDialog
{
    Q_OBJECT
public:
    newPatient(QWidget* parent, SessionData* session, PkCalculator* calculator, DrugInfo* catalogue,
               ProgramConfig* configuration, bool isNewPatient);
    ~newPatient() override;

    // Body measures from the typed weight, height, sex and birthday.
    void updateBodyMeasures();

    // The stored patient and case this form stands for (0 for what is not stored yet). They
    // reach the session only when the form is confirmed, so a form opened from the search and
    // then cancelled leaves the numbers of the case now open as they were.
    void setStoredNumbers(int recNum, int caseNumber);
    // The save stamps of those rows as read; they go with the numbers.
    void setStoredStamps(const QString& patientStamp, const QString& caseStamp);

    // Refills the form from the session (the case now shown).
    void loadCurrentPatient();
    // Refills the patient half from a stored patient row, whose details count as read.
    void fillPatientFields(const StoredPatient& patient);
    // Refills the case half from a stored case row.
    void fillCaseFields(const StoredCase& stored);

    // Fractional years from a "MM/DD/YYYY" birthday to the day the form was opened; -1.0 for a
    // birthday that fails either check below.
    double ageFromBirthday(const QString& birthday) const;
    bool isBirthdayFormatValid(const QString& birthday) const;
    bool isBirthdayInRange(const QString& birthday) const;

    // Every reason the form cannot be stored, one per line; empty when it can. Marks each field
    // the checks reach.
    QString validateForm();
    // Checks the form and, only when everything passed, writes the patient and case header and
    // the measures into the session. False when anything was refused.
    bool storeFormIntoSession();
    void computePopulationPk();
    void computeUserChoicePk();
    void finishAndOpenCase();

    // Sets the field's `error` property and repolishes it so the style sheets show it at once.
    static void markField(QWidget* field, bool failed);

    bool isNewPatient;
    bool isNewCase = false;

signals:
    void create_mainpage();

public slots:
    void view_submitted_factors();

private slots:
    void on_radioButton_crs_clicked();
    void on_radioButton_clcr_clicked();
    void on_comboBox_drug_currentTextChanged(const QString& arg1);
    void on_Button_drugFactors_clicked();
    void on_Button_userChoice_clicked();

public slots:
    void receiveData();

private slots:
    void on_line_weight_editingFinished();
    void on_line_height_editingFinished();
    void on_line_birthday_editingFinished();
    void on_radioButton_lb_clicked();
    void on_radioButton_kg_clicked();
    void on_radioButton_in_clicked();
    void on_radioButton_cm_clicked();
    void on_radioButton_male_clicked();
    void on_radioButton_female_clicked();
    void on_Button_next_without_save_clicked();
    void on_comboBox_renal_function_activated(int index);
    void on_Button_cancel_clicked();

private:
    void readEntryUnits();
    void installValidators();
    PatientFormInput formInput() const;
    QVector<QWidget*> fieldWidgets(PatientField field) const;

    // The case this form stands for: 0 for a new one, else the stored case it was filled from.
    int formCaseNumber() const;
    void writeIdentity();
    bool isKnownDrug() const;
    void selectDrugByName(const QString& name);
    // The sex the form shows, female when none is chosen.
    QString chosenSex() const;
    Sex checkedSex() const;

    // The factor dialog works on a private copy of the session until Continue takes its
    // factor block over. keepTicks: the copy keeps the session's ticks (the case now open).
    void createFactorDialog(bool keepTicks);
    void forgetFactorDialog();
    SessionData* factorSession() const;
    void applyStoredFactor(const QString& factor, QLabel* label);

    std::unique_ptr<Ui::newPatient> ui;
    SessionData* m_session;         // not owned
    PkCalculator* m_calculator;     // not owned
    DrugInfo* m_catalogue;          // not owned
    ProgramConfig* m_configuration; // not owned
    QDateTime openedAt;             // ages and birthdays are measured against this moment
    userChoice* userChoiceDialog = nullptr;
    DrugFactors* drugFactorsDialog = nullptr;
    std::unique_ptr<SessionData> m_factorSession; // the session copy drugFactorsDialog works on
    QString formDrugCode;
    int m_storedRecNum = 0;
    int m_storedCaseNumber = 0;
    QString m_storedPatientStamp;
    QStringList m_storedPatientDetails;
    QString m_storedCaseStamp;
};
