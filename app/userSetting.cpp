#include "app/userSetting.h"
#include "ui_userSetting.h"

#include "app/ProgramConfig.h"
#include "pkcore/SessionData.h"
#include "platform/MessageBox.h"
#include "platform/WheelGuard.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace
{
const char* const context = "userSetting";
}

userSetting::userSetting(QWidget* parent, SessionData* session, ProgramConfig* config)
    : QDialog(parent), ui(new Ui::userSetting), m_session(session), m_config(config),
      m_fields(AccountFields::Widgets{}, config)
{
    ui->setupUi(this);
    guardWheel(this);
    m_fields = AccountFields(AccountFields::widgetsOf(*ui), config);
    ui->user_type->addItem(tr("User"));
    m_fields.hidePasswords();

    loadAccount();
    m_fields.applyValidators(this);

    ui->user_type->setCurrentIndex(0);
    ui->user_type->setEnabled(false);
    setWindowTitle(tr("User Setting"));
}

userSetting::~userSetting() = default;

void userSetting::loadAccount()
{
    const QSqlRecord row = AccountFields::storedAccount(m_session->userId);
    m_fields.showAccount(row);
    m_storedPassword = row.value(QStringLiteral("PASSWORD")).toString();
}

void userSetting::on_user_pwEnable_clicked()
{
    m_fields.passwordEnableClicked();
}

void userSetting::on_user_pw_textChanged(const QString& /*arg1*/)
{
    ui->user_confirm->setEnabled(true);
}

bool userSetting::validateInput()
{
    return m_fields.validate(context);
}

void userSetting::on_user_save_clicked()
{
    if (!validateInput())
        return;

    QSqlQuery query;
    query.prepare(AccountFields::updateStatement);
    m_fields.bindAccount(query, AccountFields::typeUser, m_storedPassword);
    query.bindValue(QStringLiteral(":id"), m_session->userId);
    if (AccountFields::changeAccount(query, context, "Update user fail\n",
                                     "The account no longer exists."))
        MessageBox::about(nullptr, tr("Information"), tr("User updated"));
    close();
}

void userSetting::on_user_cancel_clicked()
{
    close();
}
