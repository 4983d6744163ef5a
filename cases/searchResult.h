#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class DrugInfo;
class PkCalculator;
class ProgramConfig;
class QModelIndex;
class QSqlRelationalTableModel;
class QTableView;
class SessionData;
class newPatient;

namespace Ui
{
class searchResult;
}

// The patients a search found and the cases of the patient clicked. From here a stored patient
// is opened for a new case, a stored case is opened, or a case or a patient is deleted with
// everything stored for it.
class searchResult : public QDialog
{
    Q_OBJECT
public:
    searchResult(QWidget* parent, SessionData* session, PkCalculator* calculator,
                 DrugInfo* drugInfo, newPatient* patientForm, ProgramConfig* config);
    ~searchResult() override;

    // Keeps the criteria and lists the patients that match.
    void setSearch(const QString& dateFrom, const QString& dateTo, const QString& lastName,
                   const QString& patientId, qint32 searchMode);
    void showPatients();
    void showCases(const QString& recNum);
    void setupPatientView();
    void setupCaseView();

    // Refill the form from the stored rows; false (after saying why) when they could not be read.
    bool loadPatient(const QString& recNum, newPatient* form);
    bool loadCase(const QString& caseNumber, newPatient* form);

    // True when the rows were really removed.
    bool deleteCase(const QString& caseNumber, bool quiet);
    bool deletePatient(const QString& recNum);

signals:
    void closeOpenPatient();

private slots:
    void on_tableView_patientResult_clicked(const QModelIndex& index);
    void on_tableView_patientResult_doubleClicked(const QModelIndex& index);
    void on_tableView_caseResult_doubleClicked(const QModelIndex& index);
    void on_result_open_clicked();
    void on_result_delete_clicked();
    void on_result_back_clicked();

private:
    void buildModel(QSqlRelationalTableModel* fresh, const QString& table, const QString& filter);
    void attachModel(QTableView* view, const QVector<int>& hiddenColumns);
    void openStoredPatient(const QString& recNum);
    void openStoredCase(const QString& caseNumber);
    void finishOpening(newPatient* form, bool newCase);

    std::unique_ptr<Ui::searchResult> ui;
    SessionData* session;     // not owned
    PkCalculator* calculator; // not owned
    DrugInfo* drugInfo;       // not owned
    QSqlRelationalTableModel* model = nullptr;
    QString dateFrom;
    QString dateTo;
    QString lastName;
    QString patientId;
    newPatient* patientForm; // not owned
    ProgramConfig* config;   // not owned
    qint32 searchMode = -1;
};
