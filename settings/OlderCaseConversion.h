#pragma once

#include "analysis/DoseHistoryRow.h"
#include "pkcore/SessionData.h"
#include "settings/OlderDatabaseRecords.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVector>

#include <memory>

class DrugInfo;
class PkCalculator;

// One CustomF row: a route of the case's drug with its catalogue bioavailability.
struct ConvertedCustomF {
    QString route;
    QString f;
    QString fsd;
};

// The rows of one case as the case tables hold them.
struct ConvertedCase {
    QString date;
    QString drugId;
    QString unit;
    QString weight; // in weightUnit; "-1" when not given
    QString weightUnit;
    QString height;
    QString heightUnit;
    QString scr;
    QString crcl;
    QString albumin;
    QString factor1;
    QString factor2;
    QString note;
    bool hasUserChoice = false;
    UserChoiceRecord userChoice;
    // The PK row: volume in L, clearance in L/h (Km for phenytoin), CF in percent.
    QString vd;
    QString cl;
    QString cf;
    QString vmax;
    QString km;
    QVector<DoseHistoryRow> doses;
    QVector<SerumLevelRow> levels;
    QVector<ConvertedCustomF> customF;
};

struct ConvertedPatient {
    QString firstName;
    QString lastName;
    QString dateStored;
    QString birthday;
    QString sex;
    QString patientId;
    QString note;
    QVector<ConvertedCase> cases;
    // The values that want a look, one sentence each saying what was stored.
    QStringList attention;
};

// Turns an older patient and its cases into the rows of the case tables: unit codes, drug
// names, route texts, in/out-patient letters, dates and times, and every number at full
// precision. The catalogue look-ups run on a session of its own, so the open case is untouched.
class OlderCaseConversion
{
public:
    OlderCaseConversion();
    ~OlderCaseConversion();
    OlderCaseConversion(const OlderCaseConversion&) = delete;
    OlderCaseConversion& operator=(const OlderCaseConversion&) = delete;

    ConvertedPatient convert(const OldDbPatientRecord& patient);

    // A date or time as the older file gives it, in ISO or US order; null when it does not read,
    // and a time null too when the text's date is no real day.
    static QDate dateOf(const QString& text);
    static QTime timeOf(const QString& text);
    // "yyyy-MM-dd" of the date; empty (not given) when the text is no real date.
    static QString storedDate(const QString& text);

private:
    ConvertedCase convertCase(const OldDbCaseRecord& older, const QString& who,
                              QStringList* attention);
    void convertParameters(const OldDbCaseRecord& older, ConvertedCase* c);
    void convertDoses(const OldDbCaseRecord& older, const QVector<QString>& routes,
                      ConvertedCase* c, const QString& where, QStringList* attention);
    void convertLevels(const OldDbCaseRecord& older, ConvertedCase* c, const QString& where,
                       QStringList* attention);
    void addCustomF(const QString& drugCode, const QVector<QString>& routes, ConvertedCase* c);

    std::unique_ptr<SessionData> m_session;
    std::unique_ptr<PkCalculator> m_calculator;
    std::unique_ptr<DrugInfo> m_drugInfo;
};
