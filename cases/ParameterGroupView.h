#pragma once

#include "pkcore/SessionData.h"

#include <QString>

class NarrowLabel;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

// One parameter group of the case page (population, custom, Bayesian or least squares): its
// widgets found by their object names, the texts a parameter set shows in them and the labels
// each drug gives the rows. Phenytoin shows Km in the Cl row, Vmax in the CF row and the
// compliance factor in the fourth row, which for the other drugs shows k.
class ParameterGroupView
{
public:
    // What a set shows. F and its range come from the route for the population and custom
    // groups and are empty then.
    struct Texts {
        QString f;
        QString fRange;
        QString vd;
        QString vdRange;
        QString cl;
        QString clRange;
        QString cf;
        QString cfRange;
        QString kd;
        QString range4;
        QString halfLife;
        QString volumePerKg;
    };

    // prefix: "Pop", "Custom", "Bayes" or "LS".
    ParameterGroupView(QWidget* page, const QString& prefix);

    // A population or custom set with its relative ranges.
    static Texts setTexts(const PkParameterSet& set, const RangeBlock& relative, bool phenytoin,
                          double weightKg);
    // A fitted set with the spreads the fit gives, shown as they stand.
    static Texts fittedTexts(const PkParameterSet& set, const RangeBlock& spreads, bool phenytoin,
                             double weightKg);
    static QString number(double value);
    // An elimination rate (k, β) with at least three significant digits.
    static QString rateNumber(double rate);
    // "(0.25 L/kg)"
    static QString volumePerKg(double vd, double weightKg);

    // Fills every field the texts carry; F and its range only when given.
    void show(const Texts& texts) const;
    void showVolumePerKg(const QString& text) const;
    void relabel(const QString& drugCode) const;

    QLineEdit* f;
    QLineEdit* fRange;
    QLineEdit* vd;
    QLineEdit* vdRange;
    QLineEdit* cl;
    QLineEdit* clRange;
    QLineEdit* cf;
    QLineEdit* cfRange;
    QLineEdit* kd;
    QLineEdit* range4;
    QLineEdit* halfLife;
    QLabel* vdUnit;
    QComboBox* route;

private:
    QLabel* label(const QString& name) const;

    QWidget* m_page; // not owned
    QString m_prefix;
    NarrowLabel* m_volumePerKg; // owned by vdUnit
};
