#pragma once

#include <QString>
#include <QVector>

class QComboBox;
class PkCalculator;
class SessionData;
struct UserChoiceRecord;

// The drug catalogue: per drug code the routes and products that may be chosen, the constants each
// product implies, the patient-factor questions and the population parameter calculators. It
// keeps no catalogue state of its own; everything it derives is read from and written into the
// shared session.
class DrugInfo
{
public:
    DrugInfo(SessionData* sessionData, PkCalculator* calculator);

    // ---- Routes and products ----

    // The route items of a drug in the order they are offered ("Oral - Tablets"). The
    // user's-choice drug offers the routes whose salt factor was entered, unless skipUserChoice.
    static QVector<QString> routeItems(const QString& drugCode, const UserChoiceRecord& userChoice,
                                       bool skipUserChoice);
    // The item a freshly filled route selector shows; empty when the drug names none.
    static QString defaultRouteItem(const QString& drugCode);
    // The product part of a route item: everything after the first "-" and the blank behind it.
    static QString dosageFormOf(const QString& routeItem);
    // Position of the first entry equal to text (exact, case-sensitive); -1 when there is none.
    static int indexOfText(const QVector<QString>& list, const QString& text);

    // Refills the combo box with the routes of the session's drug and selects its default item.
    void fillRouteCombo(QComboBox* combo);
    void fillRouteList(QString drugCode, QVector<QString>* list, bool skipUserChoice);

    // ---- Patient-factor questions: fill questions, answers and count of the given session ----

    // Fills the factor list of the drug code; false for a code without one (flucytosine,
    // valproate, a user's-choice drug), which leaves the session as it is.
    static bool factorListFor(SessionData* session, const QString& drugCode, const QString& sex,
                              double age);
    static void aminoglycosideFactorList(SessionData* session, const QString& sex, double age);
    static void ciprofloxacinFactorList(SessionData* session, const QString& sex, double age);
    static void digoxinFactorList(SessionData* session, const QString& sex, double age);
    static void levofloxacinFactorList(SessionData* session, const QString& sex, double age);
    static void lithiumFactorList(SessionData* session, const QString& sex, double age);
    static void phenobarbitalFactorList(SessionData* session, const QString& sex, double age);
    static void phenytoinFactorList(SessionData* session, const QString& sex, double age);
    static void procainamideFactorList(SessionData* session, const QString& sex, double age);
    static void quinidineFactorList(SessionData* session, const QString& sex, double age);
    static void theophyllineFactorList(SessionData* session, const QString& sex, double age);
    static void vancomycinFactorList(SessionData* session, const QString& sex, double age);

    // ---- Population parameter calculators ----
    // Each fills the population set, its relative ranges, the model type, the units and the
    // drug's level and product constants from the session patient and the ticked factors.
    // A value that cannot be estimated for the patient is written as 0.0.

    // Runs the calculator of the drug code; false for a code without one (a user's-choice drug,
    // an unknown name), which leaves the session as it is.
    bool populationPkFor(const QString& drugCode);

    void populationPkAminoglycoside();
    void populationPkCiprofloxacin();
    void populationPkDigoxin();
    void populationPkFlucytosine();
    void populationPkLevofloxacin();
    void populationPkLithium();
    void populationPkPhenobarbital();
    void populationPkPhenytoin();
    void populationPkProcainamide();
    void populationPkQuinidine();
    void populationPkTheophylline();
    void populationPkVancomycin();
    void populationPkValproate();

    // Regressions: each returns its value and writes its element of the population ranges.
    double aminoglycosideVolume();
    double aminoglycosideClearance();
    double ciprofloxacinClearance();
    double digoxinVolume();
    double digoxinClearance();
    double lithiumClearance();
    double phenobarbitalClearance();
    double procainamideVolume();
    double procainamideClearance();
    double quinidineClearance();
    double theophyllineVolume();
    double theophyllineClearance();
    double vancomycinVolume();
    double vancomycinClearance();
    double phenytoinVolume();
    double phenytoinKm();
    double phenytoinVmax();

    // exp(ln x * y).
    static double powd(double x, double y);

    // ---- Product constants ----

    // Writes the salt factors, absorption constants and lag time of the session's current
    // product and, when withF is 1, its bioavailability and relative range into the population
    // set. Running it again for the same product leaves the session as it is.
    void applyFormDefaults(int withF);
    // F of a route item; writes the relative range of the population F where the product has one.
    double bioavailability(QString routeText, QString drugCode);
    // The relative range of F that bioavailability gives for the same item; writes nothing.
    double bioavailabilityRange(QString routeText, QString drugCode);
    // Salt factor of a route item (-1.0 when there is none); sets the session's lag time.
    double saltFactor(QString routeText, QString drugCode);

private:
    void writeDrugModel(int modelType, const char* doseUnit, const char* concentrationUnit);
    void writeLevelModel(double errorFactor, double errorConstant, double ageWeightBase,
                         double upperLimit, double lowerLimit);
    void writePopulation(double vd, double cl);
    void writePopulationF(double f, double range);
    void updateBurnPatient(bool burn);
    bool answer(int n) const;

    SessionData* sessionData; // not owned
    PkCalculator* calculator; // not owned
};
