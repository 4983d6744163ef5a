#pragma once

#include <QString>

class ProgramConfig;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSqlQuery;
class QSqlRecord;
class QWidget;

// The account fields that the administrators' account manager and a user's own account page
// share, with the rules both apply to them: what they accept, how a stored password is shown,
// which entries are refused, and how the fields are bound into the account statements.
class AccountFields
{
public:
    struct Widgets {
        QLineEdit* userName = nullptr;
        QCheckBox* pwEnable = nullptr;
        QWidget* pwGroup = nullptr;
        QLineEdit* password = nullptr;
        QLineEdit* confirm = nullptr;
        QLineEdit* name = nullptr;
        QLineEdit* title = nullptr;
        QLineEdit* email = nullptr;
    };
    // The fields of a form that names them as both account pages do.
    template <typename Form> static Widgets widgetsOf(const Form& ui)
    {
        return {ui.user_uname,   ui.user_pwEnable, ui.user_pwGroup, ui.user_pw,
                ui.user_confirm, ui.user_name,     ui.user_title,   ui.user_email};
    }

    // Stands in the password field of an account that has a password: "keep the stored one".
    static const QString unchangedPasswordMarker;
    // No apostrophe, no semicolon; an empty field is left to the checks on saving.
    static const QString allowedTextPattern;
    static const QString typeAdministrator;
    static const QString typeUser;
    static const QString passwordEnabled;
    static const QString passwordDisabled;
    static const QString updateStatement;

    AccountFields(const Widgets& widgets, const ProgramConfig* config);

    void applyValidators(QWidget* owner) const;
    // The password and its confirmation show as dots.
    void hidePasswords() const;

    // The stored Users row of an account; an empty record when there is none.
    static QSqlRecord storedAccount(int id);
    // Fills the fields from a Users row; an account with a password shows the marker.
    void showAccount(const QSqlRecord& row) const;
    void showPasswordEnabled(bool enabled) const;
    // "Enable Password" ticked shows the password rows; unticked only hides them.
    void passwordEnableClicked() const;

    // The checks both pages make, in their order; the first failure is shown as an "Error"
    // box (the title and texts belong to the calling dialog's translation context).
    bool validate(const char* context) const;

    // Binds every placeholder of the account statements; `storedPassword` is kept when the
    // password field still holds the marker.
    void bindAccount(QSqlQuery& query, const QString& type, const QString& storedPassword) const;

    // Runs a prepared update or delete of one account. When it fails or changes no row, an
    // "Information" box shows `failed` and the reason (`noRow` for the latter); true when a row
    // changed.
    static bool changeAccount(QSqlQuery& query, const char* context, const char* failed,
                              const char* noRow);

    const Widgets& widgets() const { return m_widgets; }

private:
    bool refuse(const char* context, const char* message) const;

    Widgets m_widgets;
    const ProgramConfig* m_config;
};
