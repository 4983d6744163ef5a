#include "app/login.h"
#include "ui_login.h"

#include "app/ProgramConfig.h"
#include "app/ResetCode.h"
#include "pkcore/SessionData.h"
#include "platform/MessageBox.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"
#include "platform/WheelGuard.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace
{

const QString selectByName = QStringLiteral("SELECT * FROM Users WHERE U_NAME = :uname");
const QString passwordEnabled = QStringLiteral("T");
const QString passwordDisabled = QStringLiteral("F");
const char noPasswordFlag = 0;
const char passwordFlag = 1;

QString refusalText(ResetCode::Verdict verdict, const QString& reason)
{
    switch (verdict) {
    case ResetCode::Verdict::NoCode:
        return login::tr(
            "No reset code has been made for this account, or it has already been used; "
            "ask an administrator for a new one.");
    case ResetCode::Verdict::Expired:
        return login::tr("The reset code has expired; ask an administrator for a new one.");
    case ResetCode::Verdict::NotMatching:
        return login::tr(
            "The reset code does not belong to this account, or the account has changed "
            "since the code was made.");
    default:
        return login::tr("The reset code could not be checked: %1").arg(reason);
    }
}

} // namespace

login::login(SessionData* session, ProgramConfig* config)
    : QDialog(nullptr), ui(new Ui::login), m_config(config), m_session(session)
{
    ui->setupUi(this);
    guardWheel(this);
    ui->login_pw->setEchoMode(QLineEdit::Password);
    showResetFields(false);

    if (readLogInMode() == QLatin1String(SettingsKeys::logInModeList))
        fillUserList();
    else
        useTypedName();
}

login::~login() = default;

QString login::readLogInMode() const
{
    return SettingsFile(m_config->settingsPath()).read(SettingsKeys::configLogInModeSetting);
}

void login::fillUserList()
{
    QSqlQuery query(QStringLiteral("SELECT * FROM Users"));
    while (query.next()) {
        const bool hasPassword =
            query.value(QStringLiteral("PW_ENABLE")).toString() != passwordDisabled;
        // The flag must be in place before the item: adding the first item selects it.
        m_passwordFlags.append(hasPassword ? passwordFlag : noPasswordFlag);
        ui->login_uname->addItem(query.value(QStringLiteral("U_NAME")).toString());
    }
    setWindowTitle(tr("Login"));
    showPasswordField(m_passwordFlags.isEmpty() || m_passwordFlags.at(0) != noPasswordFlag);
}

void login::useTypedName()
{
    m_typedName = new QLineEdit(this);
    m_typedName->setObjectName(QStringLiteral("login_typedName"));
    m_typedName->setGeometry(ui->login_uname->geometry());
    ui->login_uname->hide();
    QWidget::setTabOrder(ui->login_login, m_typedName);
    QWidget::setTabOrder(m_typedName, ui->login_pw);
}

void login::showPasswordField(bool hasPassword)
{
    ui->login_pw->setEnabled(hasPassword);
    ui->login_forgetPw->setVisible(hasPassword);
}

void login::showResetFields(bool shown)
{
    ui->login_md5->setVisible(shown);
    ui->login_md5_label->setVisible(shown);
}

void login::on_login_uname_currentIndexChanged(int index)
{
    if (index < 0 || index >= m_passwordFlags.size())
        return;
    ui->login_pw->clear();
    showPasswordField(m_passwordFlags.at(index) == passwordFlag);
    showResetFields(false);
    ui->login_login->setText(tr("Log In"));
}

void login::on_login_forgetPw_clicked()
{
    if (ui->login_forgetPw->isChecked()) {
        MessageBox::information(
            this, tr("Information"),
            tr("To clear a forgotten password, ask an administrator for the reset code of "
               "your account and type it into the field \"Reset Code\".\n"
               "After the reset the account has no password until a new one is set."));
        showResetFields(true);
        ui->login_pw->clear();
        ui->login_pw->setEnabled(false);
        ui->login_login->setText(tr("Reset"));
    } else {
        showResetFields(false);
        ui->login_pw->setEnabled(true);
        ui->login_login->setText(tr("Log In"));
    }
}

QString login::enteredUserName() const
{
    return m_typedName ? m_typedName->text() : ui->login_uname->currentText();
}

void login::on_login_login_clicked()
{
    const QString userName = enteredUserName();
    if (ui->login_login->text() == tr("Log In"))
        logIn(userName);
    else
        resetPassword(userName);
}

bool login::findAccount(const QString& userName, QSqlRecord* row) const
{
    // The name is a bound value, so whatever was typed can only ever match a U_NAME exactly.
    QSqlQuery query;
    query.prepare(selectByName);
    query.bindValue(QStringLiteral(":uname"), userName);
    if (!query.exec() || !query.next())
        return false;
    *row = query.record();
    return true;
}

bool login::passwordMatches(const QSqlRecord& row) const
{
    const QString typed = ui->login_pw->text();
    if (row.value(QStringLiteral("PW_ENABLE")).toString() != passwordEnabled)
        return typed.isEmpty();
    const QVariant stored = row.value(QStringLiteral("PASSWORD"));
    return !stored.isNull() && stored.toString() == m_config->encodePassword(typed);
}

void login::logIn(const QString& userName)
{
    QSqlRecord row;
    if (!findAccount(userName, &row))
        return;
    if (!passwordMatches(row)) {
        MessageBox::about(nullptr, tr("Error"), tr("Username or password don't match."));
        return;
    }
    signIn(row);
}

void login::signIn(const QSqlRecord& row)
{
    m_awaiting = false;
    m_session->userId = row.value(QStringLiteral("ID")).toString().toInt();
    m_session->userName = row.value(QStringLiteral("U_NAME")).toString();
    m_session->userType = row.value(QStringLiteral("TYPE")).toString();
    m_session->loggedIn = true;
    accept();
}

bool login::resetCodeAccepted(const QString& userName, int* accountId)
{
    const QString typed = ui->login_md5->text().trimmed();
    if (typed.isEmpty()) {
        MessageBox::about(nullptr, tr("Error"),
                          tr("Please type the reset code that an administrator gave you."));
        return false;
    }
    ResetCodeAccount account;
    QString reason;
    if (!ResetCode::findAccount(QSqlDatabase::database(), userName, &account, &reason)) {
        MessageBox::about(nullptr, tr("Error"),
                          tr("The password cannot be reset.\n%1").arg(reason));
        return false;
    }
    const ResetCode::Verdict verdict = ResetCode::check(QSqlDatabase::database(), account, typed,
                                                        QDateTime::currentDateTimeUtc(), &reason);
    if (verdict != ResetCode::Verdict::Accepted) {
        MessageBox::about(nullptr, tr("Error"), refusalText(verdict, reason));
        return false;
    }
    *accountId = account.id;
    return true;
}

// The code is used up in the same transaction that clears the password, so it works once.
bool login::clearPassword(const QString& userName, int accountId, QString* error)
{
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    QSqlQuery update;
    update.prepare(QStringLiteral("UPDATE Users SET PW_ENABLE = :pwenable, PASSWORD = :password "
                                  "WHERE U_NAME = :uname"));
    update.bindValue(QStringLiteral(":pwenable"), passwordDisabled);
    update.bindValue(QStringLiteral(":password"), QStringLiteral(""));
    update.bindValue(QStringLiteral(":uname"), userName);
    if (!update.exec())
        *error = update.lastError().text();
    else if (update.numRowsAffected() != 1)
        *error = tr("No single account was changed.");
    else if (ResetCode::discard(db, accountId, error) && db.commit())
        return true;
    else if (error->isEmpty())
        *error = db.lastError().text();
    db.rollback();
    return false;
}

void login::resetPassword(const QString& userName)
{
    int accountId = 0;
    if (!resetCodeAccepted(userName, &accountId))
        return;
    QString error;
    if (!clearPassword(userName, accountId, &error)) {
        MessageBox::about(nullptr, tr("Error"),
                          tr("The password could not be reset.\n%1").arg(error));
        return;
    }

    QSqlRecord row;
    if (findAccount(userName, &row))
        signIn(row);
}

void login::on_login_guest_clicked()
{
    m_session->loggedIn = false;
    m_awaiting = false;
    accept();
}

void login::closeEvent(QCloseEvent* event)
{
    if (!m_awaiting) {
        QDialog::closeEvent(event);
        return;
    }
    if (MessageBox::question(this, tr("Exit"), tr("Do you want to exit the program?"),
                             QMessageBox::No, QMessageBox::NoIcon) == QMessageBox::Yes) {
        reject();
        event->accept();
    } else {
        event->ignore();
    }
}

bool login::trySingleUserAutoLogin()
{
    QSqlQuery query(QStringLiteral("SELECT PW_ENABLE, ID, NAME, COUNT(*) AS C,TYPE FROM Users"));
    if (!query.next())
        return false;
    const int count = query.value(QStringLiteral("C")).toInt();
    if (count != 1 || query.value(QStringLiteral("PW_ENABLE")).toString() != passwordDisabled)
        return false;
    m_session->userId = query.value(QStringLiteral("ID")).toString().toInt();
    // Without a dialog there is no typed user name to keep, so the full name is shown instead.
    m_session->userName = query.value(QStringLiteral("NAME")).toString();
    m_session->loggedIn = true;
    m_session->userType = query.value(QStringLiteral("TYPE")).toString();
    return true;
}
