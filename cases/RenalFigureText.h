#pragma once

#include <QCoreApplication>
#include <QString>

// The clearance and albumin of a case as the case page and the case list show them.
class RenalFigureText
{
    Q_DECLARE_TR_FUNCTIONS(RenalFigureText)

public:
    // "57.8 mL/min". Under six months no clearance is estimated from a creatinine (creatinine
    // given, clearance 0): "not estimated", since a zero would read as anuria.
    static QString clearance(double crcl, double creatinine);
    // "3.50 g/dL"; empty where no albumin was given (0, or the -1 of a case never entered).
    static QString albumin(double albumin);
};
