#pragma once

#include "app/UserManagementFields.h"

#include <QDialog>

#include <memory>

class ProgramConfig;
class SessionData;

namespace Ui
{
class userSetting;
}

// An ordinary user's page for the own account: full name, title, e-mail and password. The user
// name and the type are shown but stay as they are.
class userSetting : public QDialog
{
    Q_OBJECT
public:
    userSetting(QWidget* parent, SessionData* session, ProgramConfig* config);
    ~userSetting() override;

private slots:
    void on_user_save_clicked();
    void on_user_pwEnable_clicked();
    void on_user_pw_textChanged(const QString& arg1);
    void on_user_cancel_clicked();

private:
    bool validateInput();
    void loadAccount();

    std::unique_ptr<Ui::userSetting> ui;
    SessionData* m_session;
    ProgramConfig* m_config;
    AccountFields m_fields;
    QString m_storedPassword;
};
