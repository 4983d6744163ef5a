#pragma once

#include <QByteArray>
#include <QDialog>

#include <memory>

class ProgramConfig;
class QLineEdit;
class QSqlRecord;
class SessionData;

namespace Ui
{
class login;
}

// Signs a user in at the start of a pass of the log-in loop, lets the user go on as a guest,
// or clears a forgotten password with a reset code.
class login : public QDialog
{
    Q_OBJECT
public:
    login(SessionData* session, ProgramConfig* config);
    ~login() override;

    // Signs in the only account of the database when it has no password.
    bool trySingleUserAutoLogin();

private slots:
    void on_login_login_clicked();
    void on_login_guest_clicked();
    void on_login_uname_currentIndexChanged(int index);
    void on_login_forgetPw_clicked();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QString readLogInMode() const;
    void fillUserList();
    void useTypedName();
    void showPasswordField(bool hasPassword);
    void showResetFields(bool shown);
    QString enteredUserName() const;
    void logIn(const QString& userName);
    void resetPassword(const QString& userName);
    bool resetCodeAccepted(const QString& userName, int* accountId);
    bool clearPassword(const QString& userName, int accountId, QString* error);
    bool findAccount(const QString& userName, QSqlRecord* row) const;
    bool passwordMatches(const QSqlRecord& row) const;
    void signIn(const QSqlRecord& row);

    std::unique_ptr<Ui::login> ui;
    ProgramConfig* m_config;
    SessionData* m_session;
    bool m_awaiting = true;
    QByteArray m_passwordFlags;
    QLineEdit* m_typedName = nullptr;
};
