#include "app/UserManagementFields.h"

#include "app/ErrorMark.h"
#include "app/PasswordEncoding.h"
#include "app/ProgramConfig.h"
#include "platform/MessageBox.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

const QString AccountFields::unchangedPasswordMarker = QStringLiteral(";;;;;;;;;;");
const QString AccountFields::allowedTextPattern = QStringLiteral("^[^';]+$");
const QString AccountFields::typeAdministrator = QStringLiteral("A");
const QString AccountFields::typeUser = QStringLiteral("U");
const QString AccountFields::passwordEnabled = QStringLiteral("T");
const QString AccountFields::passwordDisabled = QStringLiteral("F");
const QString AccountFields::updateStatement = QStringLiteral(
    "UPDATE Users SET U_NAME = :uname, PW_ENABLE = :pwenable, PASSWORD = :password, NAME = :name, "
    "TITLE = :title, E_MAIL = :email, TYPE = :type WHERE ID = :id");

AccountFields::AccountFields(const Widgets& widgets, const ProgramConfig* config)
    : m_widgets(widgets), m_config(config)
{
}

void AccountFields::applyValidators(QWidget* owner) const
{
    const QRegularExpression pattern(allowedTextPattern);
    for (QLineEdit* field : {m_widgets.userName, m_widgets.name, m_widgets.title, m_widgets.email,
                             m_widgets.password, m_widgets.confirm})
        field->setValidator(new QRegularExpressionValidator(pattern, owner));
}

void AccountFields::hidePasswords() const
{
    m_widgets.password->setEchoMode(QLineEdit::Password);
    m_widgets.confirm->setEchoMode(QLineEdit::Password);
}

QSqlRecord AccountFields::storedAccount(int id)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT * FROM Users WHERE ID = :id"));
    query.bindValue(QStringLiteral(":id"), id);
    if (query.exec() && query.next())
        return query.record();
    return QSqlRecord();
}

void AccountFields::showAccount(const QSqlRecord& row) const
{
    m_widgets.userName->setText(row.value(QStringLiteral("U_NAME")).toString());
    m_widgets.name->setText(row.value(QStringLiteral("NAME")).toString());
    m_widgets.title->setText(row.value(QStringLiteral("TITLE")).toString());
    m_widgets.email->setText(row.value(QStringLiteral("E_MAIL")).toString());
    showPasswordEnabled(row.value(QStringLiteral("PW_ENABLE")).toString() == passwordEnabled);
}

void AccountFields::showPasswordEnabled(bool enabled) const
{
    m_widgets.pwEnable->setChecked(enabled);
    if (enabled) {
        m_widgets.password->setEnabled(true);
        m_widgets.password->setText(unchangedPasswordMarker);
        // Placing the marker counts as a change of the password text; only a real change
        // should ask for the confirmation.
        m_widgets.confirm->setEnabled(false);
        m_widgets.pwGroup->show();
    } else {
        m_widgets.password->setEnabled(false);
        m_widgets.password->clear();
        m_widgets.confirm->setEnabled(false);
        m_widgets.pwGroup->hide();
    }
}

void AccountFields::passwordEnableClicked() const
{
    if (m_widgets.pwEnable->isChecked()) {
        m_widgets.pwGroup->show();
        m_widgets.password->setEnabled(true);
    } else {
        m_widgets.pwGroup->hide();
    }
}

bool AccountFields::changeAccount(QSqlQuery& query, const char* context, const char* failed,
                                  const char* noRow)
{
    const QString title = QCoreApplication::translate(context, "Information");
    const QString failure = QCoreApplication::translate(context, failed);
    if (!query.exec()) {
        MessageBox::about(nullptr, title, failure + query.lastError().text());
        return false;
    }
    if (query.numRowsAffected() < 1) {
        MessageBox::about(nullptr, title, failure + QCoreApplication::translate(context, noRow));
        return false;
    }
    return true;
}

bool AccountFields::refuse(const char* context, const char* message) const
{
    MessageBox::about(nullptr, QCoreApplication::translate(context, "Error"),
                      QCoreApplication::translate(context, message));
    return false;
}

bool AccountFields::validate(const char* context) const
{
    const bool userNameEmpty = m_widgets.userName->text().isEmpty();
    setErrorMark(m_widgets.userName, userNameEmpty);
    if (userNameEmpty)
        return refuse(context, "User name cannot be empty.");

    const bool nameEmpty = m_widgets.name->text().isEmpty();
    setErrorMark(m_widgets.name, nameEmpty);
    if (nameEmpty)
        return refuse(context, "Name cannot be empty.");

    if (!m_widgets.pwEnable->isChecked())
        return true;
    const QString password = m_widgets.password->text();
    const bool confirmAsked = m_widgets.confirm->isEnabled();
    if (password.isEmpty())
        return refuse(context, "Password cannot be empty.");
    if (confirmAsked && m_widgets.confirm->text().isEmpty())
        return refuse(context, "Please confirm your password.");
    if (confirmAsked && m_widgets.confirm->text() != password)
        return refuse(context, "Password and confirm password don't match.");

    // A character the password encoding does not know would be stored as something the
    // log-in can never reproduce reliably, so such passwords are refused here.
    QString refused;
    if (password != unchangedPasswordMarker && !passwordCharactersAllowed(password, &refused)) {
        MessageBox::about(
            nullptr, QCoreApplication::translate(context, "Error"),
            QCoreApplication::translate(context, "The password cannot contain these characters: %1")
                .arg(refused));
        return false;
    }
    return true;
}

void AccountFields::bindAccount(QSqlQuery& query, const QString& type,
                                const QString& storedPassword) const
{
    query.bindValue(QStringLiteral(":uname"), m_widgets.userName->text());
    query.bindValue(QStringLiteral(":name"), m_widgets.name->text());
    query.bindValue(QStringLiteral(":title"), m_widgets.title->text());
    query.bindValue(QStringLiteral(":email"), m_widgets.email->text());
    query.bindValue(QStringLiteral(":type"), type);
    if (m_widgets.pwEnable->isChecked()) {
        const QString typed = m_widgets.password->text();
        query.bindValue(QStringLiteral(":pwenable"), passwordEnabled);
        query.bindValue(QStringLiteral(":password"), typed == unchangedPasswordMarker
                                                         ? storedPassword
                                                         : m_config->encodePassword(typed));
    } else {
        query.bindValue(QStringLiteral(":pwenable"), passwordDisabled);
        // An account without a password stores NULL, not an empty text.
        query.bindValue(QStringLiteral(":password"), QVariant(QVariant::String));
    }
}
