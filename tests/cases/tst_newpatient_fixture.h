#pragma once

#include "app/ProgramConfig.h"
#include "cases/newPatient.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "tests/support/ChildWidgets.h"
#include "tests/support/TestEnvironment.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QVariantMap>
#include <QtTest>

#include <algorithm>
#include <memory>

// One patient form on its own session, catalogue and calculator, as the main window builds it.
struct PatientFormFixture {
    explicit PatientFormFixture(ProgramConfig* config, bool isNewPatient = true)
        : session(std::make_unique<SessionData>()), calculator(session.get()),
          drugs(session.get(), &calculator),
          form(std::make_unique<newPatient>(nullptr, session.get(), &calculator, &drugs, config,
                                            isNewPatient))
    {
    }

    template <typename T> T* child(const QString& name) const
    {
        return testsupport::requireChild<T>(form.get(), name);
    }
    QLineEdit* edit(const QString& name) const { return child<QLineEdit>(name); }
    QRadioButton* radio(const QString& name) const { return child<QRadioButton>(name); }
    QComboBox* combo(const QString& name) const { return child<QComboBox>(name); }
    QPushButton* button(const QString& name) const { return child<QPushButton>(name); }
    QLabel* label(const QString& name) const { return child<QLabel>(name); }

    // The date the form was opened, as it shows it.
    QDate today() const { return child<QDateEdit>(QStringLiteral("line_date"))->date(); }
    QString birthdayYearsAgo(int years, int moreDays = 0) const
    {
        return today().addYears(-years).addDays(-moreDays).toString(QStringLiteral("MM/dd/yyyy"));
    }

    QStringList markedFields() const
    {
        QStringList names;
        for (QWidget* w : form->findChildren<QWidget*>()) {
            if (w->property("error").toBool())
                names << w->objectName();
        }
        names.sort();
        return names;
    }

    void chooseDrug(const QString& name) const
    {
        if (name.isEmpty())
            combo(QStringLiteral("comboBox_drug"))->setCurrentIndex(-1);
        else
            combo(QStringLiteral("comboBox_drug"))->setCurrentText(name);
    }

    // A valid adult gentamicin case with one creatinine value; `changes` replaces any of the
    // keys below. Birthday "TOMORROW" stands for the day after the form's date.
    void fill(const QVariantMap& changes = QVariantMap()) const
    {
        QVariantMap v = {{"first", "Ann"},     {"last", "Lee"},      {"birthday", "01/15/1970"},
                         {"weight", "70"},     {"weightUnit", "kg"}, {"height", "175"},
                         {"heightUnit", "cm"}, {"sex", "M"},         {"drug", "Gentamicin"},
                         {"renal", "crs"},     {"changing", false},  {"crs", "1.0"},
                         {"crs2", ""},         {"time", ""},         {"clcr", ""},
                         {"albumin", ""}};
        for (auto it = changes.begin(); it != changes.end(); ++it)
            v.insert(it.key(), it.value());
        if (v["birthday"] == "TOMORROW")
            v["birthday"] = today().addDays(1).toString(QStringLiteral("MM/dd/yyyy"));

        edit("line_first")->setText(v["first"].toString());
        edit("line_last")->setText(v["last"].toString());
        edit("line_birthday")->setText(v["birthday"].toString());
        radio(v["sex"] == "M" ? "radioButton_male" : "radioButton_female")->click();
        radio(v["weightUnit"] == "lb" ? "radioButton_lb" : "radioButton_kg")->click();
        radio(v["heightUnit"] == "in" ? "radioButton_in" : "radioButton_cm")->click();
        edit("line_weight")->setText(v["weight"].toString());
        edit("line_height")->setText(v["height"].toString());
        chooseDrug(v["drug"].toString());
        combo("comboBox_renal_function")->setCurrentIndex(v["changing"].toBool() ? 1 : 0);
        if (v["renal"] == "crs") {
            radio("radioButton_crs")->click();
            edit("line_crs")->setText(v["crs"].toString());
            edit("lineEdit_crs2")->setText(v["crs2"].toString());
            edit("lineEdit_crs_time")->setText(v["time"].toString());
        } else if (v["renal"] == "clcr") {
            radio("radioButton_clcr")->click();
            edit("line_clcr")->setText(v["clcr"].toString());
        }
        edit("line_albumin")->setText(v["albumin"].toString());
    }

    void confirm() const { button(QStringLiteral("Button_next_without_save"))->click(); }

    std::unique_ptr<SessionData> session;
    PkCalculator calculator;
    DrugInfo drugs;
    std::unique_ptr<newPatient> form;
};

// A settings file and database in a temporary working folder, and the configuration read
// from it; `units` sets Unit/weight and Unit/height.
struct PatientFormInstallation {
    TestEnvironment env;
    ProgramConfig config;

    bool open() { return env.openAsProgram(config); }

    void setUnits(const QString& weight, const QString& height)
    {
        QSettings settings(env.settingsPath(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Unit/weight"), weight);
        settings.setValue(QStringLiteral("Unit/height"), height);
    }
};
