#pragma once

#include "app/UserManagementFields.h"

#include <QDialog>
#include <QModelIndex>

#include <memory>

class ProgramConfig;
class QSqlRelationalTableModel;
class SessionData;

namespace Ui
{
class userManagepage;
}

// The administrators' page for listing, adding, editing and deleting user accounts. The
// account with the lowest ID is the default administrator and stays protected.
class userManagepage : public QDialog
{
    Q_OBJECT
public:
    userManagepage(QWidget* parent, SessionData* session, ProgramConfig* config);
    ~userManagepage() override;

    // Index of each account type in the type list.
    static constexpr int administratorIndex = 0;
    static constexpr int userIndex = 1;

private slots:
    void on_button_add_clicked();
    void on_button_delete_clicked();
    void on_tableView_userResult_clicked(const QModelIndex& index);
    void on_user_pwEnable_clicked();
    void on_button_add_or_apply_clicked();
    void on_user_pw_textChanged(const QString& arg1);
    void on_button_cancel_clicked();
    void on_button_save_and_exit_clicked();
    void on_button_resetCode_clicked();

private:
    void refreshUserTable();
    void setApplyMode();
    void disableForm();
    void enableForm();
    // The account fields and the form's buttons; either way no field is marked in error and the
    // password group is closed.
    void setFormEnabled(bool enabled);
    bool validateInput();
    bool userNameTaken(bool* taken);
    bool addUser();
    bool updateUser(int id);
    bool deleteUser(int id);
    bool storeAccount();
    QString selectedType() const;
    bool addMode() const;

    std::unique_ptr<Ui::userManagepage> ui;
    SessionData* m_session;
    ProgramConfig* m_config;
    AccountFields m_fields;
    QSqlRelationalTableModel* m_model = nullptr;
    QString m_storedPassword;
    QString m_storedType;
    int m_selectedId = 0;
    int m_defaultAdminId = 0;
    int m_accountCount = 0;
};
