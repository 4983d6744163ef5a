#pragma once

#include <QCoreApplication>
#include <QString>

// The renal figures and albumin of a case as the case page, the case list and the report show them.
class RenalFigureText
{
    Q_DECLARE_TR_FUNCTIONS(RenalFigureText)

public:
    // A creatinine, its time or an albumin the case holds; one not given is 0, or the -1 of a case
    // never entered.
    static bool measureGiven(double value);
    // A given measure as a plain number ("1.2"); "-" for one not given, where a 0 would read as a
    // value.
    static QString measure(double value);
    // "57.8 mL/min". Under six months no clearance is estimated from a creatinine (creatinine
    // given, clearance 0): "not estimated", since a zero would read as anuria.
    static QString clearance(double crcl, double creatinine);
    // "3.50 g/dL"; empty where no albumin was given (0, or the -1 of a case never entered).
    static QString albumin(double albumin);
};
