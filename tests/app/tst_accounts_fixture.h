#pragma once

#include "app/ProgramConfig.h"
#include "pkcore/SessionData.h"
#include "tests/support/TestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStringList>

// What the administrators' account manager and a user's own account page share in their tests.

// Stands in the password field of an account that has a password.
const QString kPasswordMarker = QStringLiteral(";;;;;;;;;;");
// The look of a field whose entry was refused.
const QString kErrorMark = QStringLiteral("background-color:rgb(255, 102, 102);");

// A database whose administrator "admin" has the password "root", the configuration read from
// its settings and the session a page works on.
struct AccountsInstallation {
    TestEnvironment env{QStringLiteral("admin"), QStringLiteral("root")};
    ProgramConfig config;
    SessionData session;
};

// The account fields both pages show, found by their object names; the names not found are
// listed in `missing`, so a test can report them all instead of crashing on the first.
struct AccountFieldsPage {
    explicit AccountFieldsPage(QWidget* dialog) : dialog(dialog)
    {
        userName = child<QLineEdit>("user_uname");
        pwEnable = child<QCheckBox>("user_pwEnable");
        pwGroup = child<QWidget>("user_pwGroup");
        password = child<QLineEdit>("user_pw");
        confirm = child<QLineEdit>("user_confirm");
        name = child<QLineEdit>("user_name");
        title = child<QLineEdit>("user_title");
        email = child<QLineEdit>("user_email");
        type = child<QComboBox>("user_type");
    }

    template <typename T> T* child(const char* name)
    {
        T* widget = dialog->findChild<T*>(QLatin1String(name));
        if (!widget)
            missing << QLatin1String(name);
        return widget;
    }

    bool shows(QWidget* widget) const { return widget->isVisibleTo(dialog); }

    QWidget* dialog;
    QStringList missing;
    QLineEdit* userName = nullptr;
    QCheckBox* pwEnable = nullptr;
    QWidget* pwGroup = nullptr;
    QLineEdit* password = nullptr;
    QLineEdit* confirm = nullptr;
    QLineEdit* name = nullptr;
    QLineEdit* title = nullptr;
    QLineEdit* email = nullptr;
    QComboBox* type = nullptr;
};
