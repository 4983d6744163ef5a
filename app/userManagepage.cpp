#include "app/userManagepage.h"
#include "ui_userManagepage.h"

#include "app/ErrorMark.h"
#include "app/ProgramConfig.h"
#include "app/ResetCode.h"
#include "pkcore/SessionData.h"
#include "platform/MessageBox.h"
#include "platform/WheelGuard.h"

#include <QHeaderView>
#include <QItemDelegate>
#include <QItemSelectionModel>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlRelationalTableModel>

namespace
{

const char* const context = "userManagepage";
const QString insertStatement = QStringLiteral(
    "INSERT INTO Users VALUES(NULL,:uname,:pwenable,:password,:name,:title,:email,:type)");

} // namespace

userManagepage::userManagepage(QWidget* parent, SessionData* session, ProgramConfig* config)
    : QDialog(parent), ui(new Ui::userManagepage), m_session(session), m_config(config),
      m_fields(AccountFields::Widgets{}, config)
{
    ui->setupUi(this);
    guardWheel(this);
    m_fields = AccountFields(AccountFields::widgetsOf(*ui), config);
    ui->user_type->addItem(tr("Administrator"));
    ui->user_type->addItem(tr("User"));
    m_fields.hidePasswords();

    refreshUserTable();
    ui->user_pwGroup->hide();
    disableForm();
    m_fields.applyValidators(this);

    QSqlQuery admin(QStringLiteral("SELECT MIN(ID) AS ADMIN FROM Users"));
    if (admin.next())
        m_defaultAdminId = admin.value(0).toInt();

    ui->user_currentUser->setText(m_session->userName);
    setWindowTitle(tr("User Management"));
}

userManagepage::~userManagepage() = default;

void userManagepage::refreshUserTable()
{
    auto* model = new QSqlRelationalTableModel(this, QSqlDatabase::database());
    model->setTable(QStringLiteral("Users"));
    // Changes are never submitted from the list: it only shows the accounts.
    model->setEditStrategy(QSqlTableModel::OnManualSubmit);
    const int userNameColumn = model->fieldIndex(QStringLiteral("U_NAME"));
    model->setHeaderData(userNameColumn, Qt::Horizontal, tr("User Name"));
    model->select();

    QTableView* view = ui->tableView_userResult;
    QItemSelectionModel* oldSelection = view->selectionModel();
    view->setModel(model);
    // The delegate goes with the model it was made for.
    view->setItemDelegate(new QItemDelegate(model));
    delete oldSelection;
    delete m_model;
    m_model = model;

    for (int column = 0; column < model->columnCount(); ++column)
        view->setColumnHidden(column, column != userNameColumn);
    view->horizontalHeader()->setStretchLastSection(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setAlternatingRowColors(true);
    m_accountCount = model->rowCount();
}

void userManagepage::setApplyMode()
{
    ui->user_uname->clear();
    ui->user_pwEnable->setChecked(false);
    ui->user_pw->clear();
    ui->user_confirm->clear();
    ui->user_name->clear();
    ui->user_title->clear();
    ui->user_email->clear();
    ui->user_type->setCurrentIndex(userIndex);
    ui->button_add_or_apply->setText(tr("Apply"));
    // A reset code belongs to a stored account: only one loaded from the list has one.
    ui->button_resetCode->setEnabled(false);
}

void userManagepage::disableForm()
{
    ui->user_pwEnable->setChecked(false);
    setFormEnabled(false);
}

void userManagepage::enableForm()
{
    setFormEnabled(true);
}

void userManagepage::setFormEnabled(bool enabled)
{
    setApplyMode();
    for (QWidget* field :
         {static_cast<QWidget*>(ui->user_uname), static_cast<QWidget*>(ui->user_pw),
          static_cast<QWidget*>(ui->user_confirm), static_cast<QWidget*>(ui->user_name),
          static_cast<QWidget*>(ui->user_title), static_cast<QWidget*>(ui->user_type),
          static_cast<QWidget*>(ui->user_email)})
        field->setEnabled(enabled);
    for (QPushButton* button :
         {ui->button_add_or_apply, ui->button_save_and_exit, ui->button_cancel})
        button->setEnabled(enabled);
    setErrorMark(ui->user_uname, false);
    setErrorMark(ui->user_name, false);
    ui->user_pwGroup->hide();
}

bool userManagepage::addMode() const
{
    return ui->button_add_or_apply->text() == tr("Add");
}

void userManagepage::on_button_add_clicked()
{
    enableForm();
    ui->button_add_or_apply->setText(tr("Add"));
}

void userManagepage::on_tableView_userResult_clicked(const QModelIndex& index)
{
    m_selectedId = m_model->record(index.row()).value(QStringLiteral("ID")).toInt();
    enableForm();

    const QSqlRecord row = AccountFields::storedAccount(m_selectedId);
    m_fields.showAccount(row);
    if (ui->user_pwEnable->isChecked())
        m_storedPassword = row.value(QStringLiteral("PASSWORD")).toString();

    m_storedType = row.value(QStringLiteral("TYPE")).toString();
    ui->user_type->setCurrentIndex(
        m_storedType == AccountFields::typeAdministrator ? administratorIndex : userIndex);
    ui->button_add_or_apply->setText(tr("Apply"));

    const bool isDefaultAdmin = m_selectedId == m_defaultAdminId;
    ui->user_type->setEnabled(!isDefaultAdmin);
    ui->user_uname->setEnabled(!isDefaultAdmin);
    ui->button_resetCode->setEnabled(true);
}

// The code is made for the account as it is stored, whatever the form holds unsaved; it is shown
// once, here, and the database keeps only its hash.
void userManagepage::on_button_resetCode_clicked()
{
    ResetCodeAccount account;
    QString error;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QString code;
    if (ResetCode::findAccountById(QSqlDatabase::database(), m_selectedId, &account, &error))
        code = ResetCode::issue(QSqlDatabase::database(), account, now, &error);
    if (code.isEmpty()) {
        MessageBox::about(nullptr, tr("Error"),
                          tr("The reset code could not be made: %1").arg(error));
        return;
    }
    const QString expiry = QLocale().toString(now.addSecs(ResetCode::lifetimeSeconds).toLocalTime(),
                                              QLocale::ShortFormat);
    MessageBox::information(
        this, tr("Reset Code"),
        tr("The reset code of %1 is %2; it clears the password once, until %3, and only while "
           "the account stays as it is now.")
            .arg(account.userName, code, expiry));
}

void userManagepage::on_user_pwEnable_clicked()
{
    m_fields.passwordEnableClicked();
}

void userManagepage::on_user_pw_textChanged(const QString& /*arg1*/)
{
    ui->user_confirm->setEnabled(true);
}

bool userManagepage::userNameTaken(bool* taken)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT ID FROM Users WHERE U_NAME = :uname"));
    query.bindValue(QStringLiteral(":uname"), ui->user_uname->text());
    if (!query.exec()) {
        MessageBox::about(nullptr, tr("Error"), query.lastError().text());
        return false;
    }
    *taken = false;
    while (query.next() && !*taken)
        *taken = addMode() || query.value(0).toInt() != m_selectedId;
    return true;
}

bool userManagepage::validateInput()
{
    if (!m_fields.validate(context))
        return false;
    bool taken = false;
    if (!userNameTaken(&taken))
        return false;
    setErrorMark(ui->user_uname, taken);
    if (taken) {
        MessageBox::about(nullptr, tr("Error"), tr("User name already exist."));
        return false;
    }
    return true;
}

QString userManagepage::selectedType() const
{
    return ui->user_type->currentIndex() == administratorIndex ? AccountFields::typeAdministrator
                                                               : AccountFields::typeUser;
}

bool userManagepage::addUser()
{
    QSqlQuery query;
    query.prepare(insertStatement);
    // A new account has no stored password to keep.
    m_fields.bindAccount(query, selectedType(), QString());
    if (!query.exec()) {
        MessageBox::about(nullptr, tr("Information"),
                          tr("Add user failed\n%1").arg(query.lastError().text()));
        return false;
    }
    MessageBox::about(nullptr, tr("Information"), tr("User added"));
    return true;
}

bool userManagepage::updateUser(int id)
{
    const QString newType = selectedType();
    QSqlQuery query;
    query.prepare(AccountFields::updateStatement);
    m_fields.bindAccount(query, newType, m_storedPassword);
    query.bindValue(QStringLiteral(":id"), id);
    if (!AccountFields::changeAccount(query, context, "Update user failed\n",
                                      "The account no longer exists."))
        return false;
    if (newType != m_storedType && id == m_session->userId)
        MessageBox::about(nullptr, tr("Information"),
                          tr("User updated. Please log out to enable the new user type setting."));
    else
        MessageBox::about(nullptr, tr("Information"), tr("User updated"));
    return true;
}

bool userManagepage::storeAccount()
{
    return addMode() ? addUser() : updateUser(m_selectedId);
}

void userManagepage::on_button_add_or_apply_clicked()
{
    if (!validateInput())
        return;
    storeAccount();
    refreshUserTable();
}

void userManagepage::on_button_save_and_exit_clicked()
{
    if (!validateInput())
        return;
    storeAccount();
    close();
}

void userManagepage::on_button_cancel_clicked()
{
    close();
}

void userManagepage::on_button_delete_clicked()
{
    const QModelIndex current = ui->tableView_userResult->currentIndex();
    if (!current.isValid()) {
        MessageBox::about(this, tr("Warning"), tr("Please select the user to delete."));
        return;
    }
    const QSqlRecord row = m_model->record(current.row());
    const int id = row.value(QStringLiteral("ID")).toInt();
    if (id == m_defaultAdminId) {
        MessageBox::about(this, tr("Waring"), tr("Cannot delete the default administrator."));
        return;
    }
    const QString question = tr("Do you want to delete the user: %1?")
                                 .arg(row.value(QStringLiteral("U_NAME")).toString());
    if (MessageBox::question(nullptr, tr("Delete user"), question, QMessageBox::No,
                             QMessageBox::NoIcon) != QMessageBox::Yes)
        return;
    if (m_accountCount <= 1) {
        MessageBox::about(this, tr("Waring"), tr("At least one user account is required"));
        return;
    }
    if (deleteUser(id))
        setApplyMode();
    refreshUserTable();
}

bool userManagepage::deleteUser(int id)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("DELETE FROM Users WHERE ID = :id"));
    query.bindValue(QStringLiteral(":id"), id);
    if (!AccountFields::changeAccount(query, context, "Delete user failed\n",
                                      "No account was deleted."))
        return false;
    MessageBox::about(nullptr, tr("Information"), tr("User deleted"));
    return true;
}
