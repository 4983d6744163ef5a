#pragma once

#include "pkcore/SessionData.h"

#include <QDialog>

#include <memory>

class QWidget;

namespace Ui
{
class userChoice;
}

// Defines the one-compartment drug of the user's own choice: name, units, clearance, volume,
// compliance factor, therapeutic range, lag time and per route the salt factor, ka, F and oral
// form. What the user submits is kept here until the patient form is confirmed; only then does
// it reach the session (applyToSession), so a cancelled form leaves the open case as it was.
class userChoice : public QDialog
{
    Q_OBJECT
public:
    // caseNumber: the case the patient form stands for (0 for a case not yet stored), whose
    // stored rows, when there are any, are loaded and checked at once.
    userChoice(QWidget* parent, SessionData* session, int caseNumber);
    ~userChoice() override;

    // Fills the form from the stored rows of the case; true when its UserChoice row was found.
    bool loadUserChoiceData();

    // The dialog was submitted, or its stored rows passed the checks.
    bool isComplete() const { return m_complete; }
    const UserChoiceRecord& record() const { return m_record; }

    // Writes the submitted texts and the values they imply into the session.
    void applyToSession() const;
    // Units, provisional population values, limits, ranges and level error terms from the
    // session's user's-choice texts.
    static void setParameterData(SessionData* target);
    // Vd (L), Cl (L/h) and CF (fraction) of the population set from the session's texts and
    // the patient's weight.
    static void setPopulationParameters(SessionData* target);

    static bool isNumber(const QString& text);
    static bool checkRange(double test, double min, double max);

    // Range of the salt factors and of the absorption rate constants (1/h).
    static constexpr double minSalt = 0.01;
    static constexpr double maxSalt = 1.0;
    static constexpr double minKa = 0.001;
    static constexpr double maxKa = 4.0;

public slots:
    // Marks every checked field; true when all of them passed.
    bool inputCheck();
    // Takes the form's texts as the submitted drug.
    void recordData();

signals:
    void sendData();

private slots:
    void on_button_submit_clicked();

private:
    void loadRoutes(const QString& caseText);
    bool checkRoutes();
    void reportRefusedStoredRows();

    std::unique_ptr<Ui::userChoice> ui;
    SessionData* session; // not owned
    int m_caseNumber;
    UserChoiceRecord m_record;
    bool m_complete = false;
};
