#pragma once

#include "cases/MainPage.h"
#include "tests/support/ChildWidgets.h"

#include <QLineEdit>
#include <QPushButton>

#include <memory>

// The case page as the main window builds it on a confirmed patient form.
inline std::unique_ptr<MainPage> openCasePage(SessionData* session, PkCalculator* calculator,
                                              DrugInfo* catalogue, ProgramConfig* config)
{
    auto page = std::make_unique<MainPage>(nullptr, session, calculator, catalogue, config);
    page->showCaseInfo();
    page->showPatientInfo();
    page->showPopulationPK();
    page->showCustomPK();
    page->showBodyMeasures();
    return page;
}

// A value typed into a field of the page, then the field left as a user leaves it.
inline void enter(QWidget* page, const char* name, const QString& value)
{
    QLineEdit* field = testsupport::requireChild<QLineEdit>(page, name);
    field->setText(value);
    emit field->editingFinished();
}

inline void click(QWidget* page, const char* name)
{
    testsupport::requireChild<QPushButton>(page, name)->click();
}
