#pragma once

#include <QString>
#include <QVector>

#include <optional>

// The rows of an older product's database as read, one record per row. Every value is the text
// the driver gives for it (dates and times as "yyyy-MM-dd hh:mm:ss"); what it means is settled
// when the case is converted, so a value the driver renders unexpectedly is never lost on the
// way in.

// One [PATIENTCASE-dosing history] row.
struct OldDbRecord4s4d {
    QString date;
    QString time;
    QString routeCode; // "IV", "IM", "S", "C" or another text
    QString inOutPatientFlag;
    QString dose;
    QString infusionTime; // h
    QString interval;     // h
    QString doseCount;
};

// One [PATIENTCASE-level history] row.
struct OldDbRec16 {
    QString date;
    QString time;
    QString level;
};

// The case's [PATIENTCASE-parameter] row.
struct OldDbParameterRow {
    QString vd;     // L
    QString vdFlag; // yes: the volume is shown in L, else per kilogram
    QString cl;     // L/h
    QString clFlag; // yes: the clearance is shown in L/h, else in mL/min
    QString cf;
    QString vmax;
    QString km;
};

// The case's [PATIENTCASE-user choice] row.
struct OldDbUserChoiceRow {
    QString drugName;
    QString doseUnitFlag; // yes: mg, else mcg
    QString ivSalt;
    QString imKa;
    QString imSalt;
    QString imF;
    QString oralForm;
    QString oralKa;
    QString oralSalt;
    QString oralF;
    QString tMax;
    QString tMin;
    QString lag;
};

// One PatientCase row with the rows of its child tables.
struct OldDbCaseRecord {
    QString caseNumber;
    QString date;
    QString weight;
    QString weightUnitFlag; // yes: kilograms, no: pounds
    QString height;
    QString heightUnitFlag; // yes: centimetres, no: inches
    QString scr;
    QString crcl;
    QString albumin;
    QString drugCode;
    QString note;
    QString factor1;
    QString factor2;
    QVector<OldDbRecord4s4d> doses;
    QVector<OldDbRec16> levels;
    std::optional<OldDbParameterRow> parameters;
    std::optional<OldDbUserChoiceRow> userChoice;
};

// One PatientBasic row with its cases.
struct OldDbPatientRecord {
    QString recNum;
    QString firstName;
    QString lastName;
    QString dateStored;
    QString birthday;
    QString sex;
    QString note;
    QString patientId;
    QVector<OldDbCaseRecord> cases;
};
