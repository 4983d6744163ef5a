#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QDateTime;
class SqlStatement;
class SessionData;
struct StoredPatient;

// The texts of the case page that a save stores as they stand. The custom parameters are not
// among them: the fields round to two decimals, so they are stored from the session.
struct CasePageTexts {
    QString weight; // the number, a blank and the two-letter unit ("154.00 lb")
    QString height;
};

struct SaveOutcome {
    bool saved = false;
    // The text of the one box that reports a failure; empty when there is nothing left to say.
    QString failure;
};

struct LoadOutcome {
    bool ok = true;     // the query ran
    bool found = false; // it gave at least one row
    QString error;
};

// Writes the current case of the session into the case database and reads its stored custom
// parameters back. A save is one transaction on the default connection: the first statement
// that fails undoes everything before it, so a case is never left half written and the
// session's record and case numbers never point at rows that were not kept.
class CaseStore
{
public:
    // Writes rows that other windows keep (dose history, serum levels) inside the save's
    // transaction; false once that writer has reported its failure itself.
    using ExtraRows = std::function<bool()>;

    explicit CaseStore(SessionData* session);

    // "yyyy-MM-dd  hh:mm:ss": one stamp for the patient and the case of one save.
    static QString saveStamp(const QDateTime& now);

    // Patient, case, user's-choice drug, custom parameters and bioavailability per route, then
    // extraRows. On success the saved custom set, ranges and routes take the current values and
    // the session counts as saved; on failure nothing of the database or the session changes.
    // A case row saved by someone else since this session read it, or patient details that
    // both this page and someone else changed, are not overwritten: the save fails and says
    // so. Patient details that only another user changed stay as stored. The stamp written is
    // the one asked for, moved on to a second after the latest stamp of the rows it replaces,
    // so that every save changes the stamps it replaces to ones they never held before.
    SaveOutcome save(const CasePageTexts& texts, const QString& stamp,
                     const ExtraRows& extraRows = ExtraRows());

    // The case's custom parameters into the custom and saved custom sets and range blocks.
    LoadOutcome loadPK();
    // Appends the case's routes with their bioavailability and range to the per-route lists.
    LoadOutcome loadCustomF();

    // range / value as kept in the range blocks; 0 when value is 0 (no spread can be told).
    static double relativeRange(double range, double value);
    // Numbers as the tables hold them: six significant digits.
    static QString numberText(double value);
    // Full precision: the shortest text that reads back as exactly this number.
    static QString exactText(double value);
    // A fraction as the percent the PK table holds, its decimal point moved two places, so
    // that fractionOfPercent gives back exactly the fraction (x 100 and / 100 would round).
    static QString percentText(double fraction);
    static double fractionOfPercent(const QString& percentText);
    // The number of a shown weight or height ("154.00 lb") in table form ("154").
    static QString shownMeasureNumber(const QString& shown);

private:
    bool savePatient(const QString& stamp);
    bool insertPatient(const QString& stamp);
    bool updatePatient(const QString& stamp, bool* updated);
    // The stored patient or case row against what this session read; a changed one has set
    // the failure text.
    enum class StoredRow { Missing, AsRead, ChangedElsewhere, Unreadable };
    // For the patient also whether the page's details go into the row.
    StoredRow patientRow(bool* writeDetails);
    QStringList patientDetailsAsRead(const StoredPatient& stored) const;
    StoredRow caseRow();
    QStringList patientValues() const;
    QString freshStamp(const QString& stamp) const;
    static QString storedStamp(const QString& sql, qint32 number);
    static QDateTime stampTime(const QString& stamp);
    bool saveCase(const QString& stamp, bool* newCase);
    bool insertCase(const QString& stamp);
    bool updateCase(const QString& stamp, bool* updated);
    void bindCaseValues(SqlStatement& query, const QString& stamp, bool insert) const;
    void bindPatientValues(SqlStatement& query, const QString& stamp) const;
    bool saveUserChoice(bool newCase);
    bool insertUserChoice();
    bool updateUserChoice(bool* updated);
    bool insertUserChoiceRoutes();
    bool insertUserChoiceRoute(const QString& route, const QString& form, const QString& salt,
                               const QString& ka, const QString& f, const QString& failureText);
    bool savePK(bool newCase);
    bool writePK(bool update);
    void bindPKValues(SqlStatement& query) const;
    bool saveCustomF();
    void keepSavedCopies();

    bool insertRow(SqlStatement& query, const char* failure, const char* noNumber, qint32* number);
    bool fail(const QString& what, const SqlStatement& query);
    bool fail(const QString& what, const QString& error);

    QString caseText() const;
    QString recordText() const;

    SessionData* m_session; // not owned
    CasePageTexts m_texts;  // of the save under way
    QString m_failure;
};
