#include "app/PasswordEncoding.h"
#include "app/ProgramConfig.h"
#include "app/ResetCode.h"
#include "app/userManagepage.h"
#include "pkcore/SessionData.h"
#include "tests/app/tst_accounts_fixture.h"
#include "tests/support/DatabaseRows.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"
#include "tests/support/UserAccounts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>

namespace
{

const int userNameColumn = 1; // U_NAME, the one column the list shows

struct Installation : AccountsInstallation {
    bool open()
    {
        if (!env.openAsProgram(config))
            return false;
        session.userId = 1;
        session.userName = QStringLiteral("admin");
        session.userType = QStringLiteral("A");
        return true;
    }
};

bool addAccount(const QString& userName, const QString& password = QString(),
                const QString& type = QStringLiteral("U"))
{
    const bool withPassword = !password.isNull();
    return addUserAccount(
               {userName, withPassword ? "T" : "F",
                withPassword ? QVariant(encodePasswordText(password)) : QVariant(QVariant::String),
                userName + " Fullname", "Dr", userName + "@example.org", type}) != 0;
}

struct Page : AccountFieldsPage {
    explicit Page(userManagepage* dialog) : AccountFieldsPage(dialog)
    {
        table = child<QTableView>("tableView_userResult");
        add = child<QPushButton>("button_add");
        remove = child<QPushButton>("button_delete");
        apply = child<QPushButton>("button_add_or_apply");
        cancel = child<QPushButton>("button_cancel");
        saveAndExit = child<QPushButton>("button_save_and_exit");
        resetCode = child<QPushButton>("button_resetCode");
        currentUser = child<QLabel>("user_currentUser");
        dialog->show();
    }

    int rowOf(const QString& userName) const
    {
        const QAbstractItemModel* model = table->model();
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->data(model->index(row, userNameColumn)).toString() == userName)
                return row;
        return -1;
    }

    // Clicks the account's row as a user would.
    bool clickRow(const QString& userName)
    {
        const int row = rowOf(userName);
        if (row < 0)
            return false;
        const QModelIndex index = table->model()->index(row, userNameColumn);
        table->scrollTo(index);
        const QPoint centre = table->visualRect(index).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, centre);
        return table->currentIndex().row() == row;
    }

    void fill(const QString& uname, const QString& fullName, const QString& pw = QString(),
              const QString& again = QString())
    {
        userName->setText(uname);
        name->setText(fullName);
        if (!pw.isNull()) {
            if (!pwEnable->isChecked())
                pwEnable->click();
            password->setText(pw);
            confirm->setText(again);
        }
    }

    QTableView* table = nullptr;
    QPushButton* add = nullptr;
    QPushButton* remove = nullptr;
    QPushButton* apply = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* saveAndExit = nullptr;
    QPushButton* resetCode = nullptr;
    QLabel* currentUser = nullptr;
};

// The one box shown since the last call, as "title|text"; several are joined by newlines.
} // namespace

class TestUserManagement : public QObject
{
    Q_OBJECT
private slots:
    void startsIdleWithUserNamesOnly();
    void clickingRowLoadsAccount_data();
    void clickingRowLoadsAccount();
    void applyKeepsOrChangesPassword_data();
    void applyKeepsOrChangesPassword();
    void add_data();
    void add();
    void addingTwiceIsRefused();
    void editChecksUserNameAgainstOthersOnly();
    void ownTypeChangeAsksForLogOut();
    void deleteRules_data();
    void deleteRules();
    void lastAccountIsKept();
    void failedStatementsAreNotReportedAsDone();
    void resetCodeIsMadeForTheLoadedAccountOnly();
};

void TestUserManagement::startsIdleWithUserNamesOnly()
{
    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addAccount("bob", "b0b"));
    PromptScript prompts;
    userManagepage dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);
    QVERIFY2(page.missing.isEmpty(), qPrintable(page.missing.join(", ")));

    QCOMPARE(dialog.windowTitle(), QString("User Management"));
    QCOMPARE(page.currentUser->text(), QString("admin"));
    QCOMPARE(page.table->model()->rowCount(), 2);
    int shownColumns = 0;
    for (int column = 0; column < page.table->model()->columnCount(); ++column)
        shownColumns += page.table->isColumnHidden(column) ? 0 : 1;
    QCOMPARE(shownColumns, 1);
    QVERIFY(!page.table->isColumnHidden(userNameColumn));
    QCOMPARE(page.table->model()->headerData(userNameColumn, Qt::Horizontal).toString(),
             QString("User Name"));
    QCOMPARE(page.table->editTriggers(), QAbstractItemView::NoEditTriggers);

    for (QWidget* field : {(QWidget*)page.userName, (QWidget*)page.password, (QWidget*)page.name,
                           (QWidget*)page.type, (QWidget*)page.apply, (QWidget*)page.cancel,
                           (QWidget*)page.saveAndExit})
        QVERIFY2(!field->isEnabled(), qPrintable(field->objectName()));
    QVERIFY(page.add->isEnabled() && page.remove->isEnabled() && page.pwEnable->isEnabled());
    QVERIFY(!page.shows(page.pwGroup));

    // The validator refuses apostrophes and semicolons in every text field.
    int position = 0;
    for (QLineEdit* field :
         {page.userName, page.name, page.title, page.email, page.password, page.confirm}) {
        QString withQuote = "O'Brien";
        QString withSemicolon = "a;b";
        QString plain = "Anna Lee";
        QVERIFY(field->validator());
        QCOMPARE(field->validator()->validate(withQuote, position), QValidator::Invalid);
        QCOMPARE(field->validator()->validate(withSemicolon, position), QValidator::Invalid);
        QCOMPARE(field->validator()->validate(plain, position), QValidator::Acceptable);
    }
    QVERIFY(prompts.take().empty());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestUserManagement::clickingRowLoadsAccount_data()
{
    QTest::addColumn<QString>("userName");
    QTest::addColumn<bool>("hasPassword");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("locked");

    QTest::newRow("default administrator") << "admin" << true << "Administrator" << true;
    QTest::newRow("user with password") << "bob" << true << "User" << false;
    QTest::newRow("administrator without password") << "eve" << false << "Administrator" << false;
}

void TestUserManagement::clickingRowLoadsAccount()
{
    QFETCH(QString, userName);
    QFETCH(bool, hasPassword);
    QFETCH(QString, type);
    QFETCH(bool, locked);

    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addAccount("bob", "b0b"));
    QVERIFY(addAccount("eve", QString(), "A"));
    PromptScript prompts;
    userManagepage dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);
    QVERIFY(page.clickRow(userName));

    const QSqlRecord row = userAccountRow(userName);
    QCOMPARE(page.userName->text(), userName);
    QCOMPARE(page.name->text(), row.value("NAME").toString());
    QCOMPARE(page.title->text(), row.value("TITLE").toString());
    QCOMPARE(page.email->text(), row.value("E_MAIL").toString());
    QCOMPARE(page.pwEnable->isChecked(), hasPassword);
    QCOMPARE(page.shows(page.pwGroup), hasPassword);
    QCOMPARE(page.password->text(), hasPassword ? kPasswordMarker : QString());
    QCOMPARE(page.password->isEnabled(), hasPassword);
    QVERIFY(!page.confirm->isEnabled());
    QCOMPARE(page.type->currentText(), type);
    QCOMPARE(page.apply->text(), QString("Apply"));
    QCOMPARE(page.userName->isEnabled(), !locked);
    QCOMPARE(page.type->isEnabled(), !locked);
    QVERIFY(page.name->isEnabled() && page.apply->isEnabled());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestUserManagement::applyKeepsOrChangesPassword_data()
{
    QTest::addColumn<QString>("typed");   // null: the field is left alone
    QTest::addColumn<QString>("confirm"); // what goes into the confirmation
    QTest::addColumn<bool>("untick");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("storedAfter"); // the password that then signs in; "NULL" none

    QTest::newRow("untouched keeps it")
        << QString() << QString() << false << "Information|User updated"
        << "b0b";
    QTest::newRow("new one confirmed") << "n3w pass"
                                       << "n3w pass" << false << "Information|User updated"
                                       << "n3w pass";
    QTest::newRow("new one unconfirmed") << "n3w"
                                         << "" << false << "Error|Please confirm your password."
                                         << "b0b";
    QTest::newRow("confirmation differs")
        << "n3w"
        << "n3W" << false << "Error|Password and confirm password don't match."
        << "b0b";
    QTest::newRow("emptied") << ""
                             << "" << false << "Error|Password cannot be empty."
                             << "b0b";
    QTest::newRow("character outside the encoding")
        << "pa~ss"
        << "pa~ss" << false << "Error|The password cannot contain these characters: ~"
        << "b0b";
    QTest::newRow("unticked") << QString() << QString() << true << "Information|User updated"
                              << "NULL";
}

void TestUserManagement::applyKeepsOrChangesPassword()
{
    QFETCH(QString, typed);
    QFETCH(QString, confirm);
    QFETCH(bool, untick);
    QFETCH(QString, message);
    QFETCH(QString, storedAfter);

    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addAccount("bob", "b0b"));
    PromptScript prompts;
    userManagepage dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);
    QVERIFY(page.clickRow("bob"));
    if (!typed.isNull()) {
        page.password->setText(typed);
        QVERIFY(page.confirm->isEnabled());
        page.confirm->setText(confirm);
    }
    if (untick)
        page.pwEnable->click();
    page.apply->click();
    QCOMPARE(prompts.takeShown(), message);

    const QSqlRecord row = userAccountRow("bob");
    if (storedAfter == QLatin1String("NULL")) {
        QCOMPARE(row.value("PW_ENABLE").toString(), QString("F"));
        QVERIFY(row.value("PASSWORD").isNull());
    } else {
        QCOMPARE(row.value("PW_ENABLE").toString(), QString("T"));
        QCOMPARE(row.value("PASSWORD").toString(), encodePasswordText(storedAfter));
    }
    // A second Apply after the table was refreshed changes the same account again.
    if (message.startsWith("Information")) {
        page.name->setText("Robert");
        page.apply->click();
        QCOMPARE(prompts.takeShown(), QString("Information|User updated"));
        QCOMPARE(userAccountRow("bob").value("NAME").toString(), QString("Robert"));
        QCOMPARE(rowCount("Users"), 2);
    }
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestUserManagement::add_data()
{
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("fullName");
    QTest::addColumn<QString>("password"); // null: "Enable Password" stays unticked
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<int>("typeIndex");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("markedField");
    QTest::addColumn<bool>("byEnter"); // Enter in the name field, else a click on Add

    const int admin = userManagepage::administratorIndex;
    const int user = userManagepage::userIndex;
    QTest::newRow("user without password")
        << "dave"
        << "Dave D" << QString() << QString() << user << "Information|User added"
        << "" << false;
    QTest::newRow("administrator with password") << "dora"
                                                 << "Dora D"
                                                 << "s3cret!"
                                                 << "s3cret!" << admin << "Information|User added"
                                                 << "" << false;
    QTest::newRow("name differs only in case")
        << "Bob"
        << "Bob B" << QString() << QString() << user << "Information|User added"
        << "" << false;
    QTest::newRow("name taken") << "bob"
                                << "Bob B" << QString() << QString() << user
                                << "Error|User name already exist."
                                << "user_uname" << false;
    QTest::newRow("no user name") << ""
                                  << "Nobody" << QString() << QString() << user
                                  << "Error|User name cannot be empty."
                                  << "user_uname" << false;
    QTest::newRow("no name") << "zed"
                             << "" << QString() << QString() << user
                             << "Error|Name cannot be empty."
                             << "user_name" << false;
    QTest::newRow("password empty") << "zed"
                                    << "Zed"
                                    << ""
                                    << "" << user << "Error|Password cannot be empty."
                                    << "" << false;
    QTest::newRow("password not confirmed") << "zed"
                                            << "Zed"
                                            << "pw"
                                            << "" << user << "Error|Please confirm your password."
                                            << "" << false;
    QTest::newRow("characters outside the encoding")
        << "zed"
        << "Zed"
        << "\"p@ss\""
        << "\"p@ss\"" << user << "Error|The password cannot contain these characters: \"@"
        << "" << false;
    // Enter finishes the form as Add does, and never empties it as "+" would.
    QTest::newRow("user without password, by Enter")
        << "dave"
        << "Dave D" << QString() << QString() << user << "Information|User added"
        << "" << true;
    QTest::newRow("no user name, by Enter")
        << ""
        << "Nobody" << QString() << QString() << user << "Error|User name cannot be empty."
        << "user_uname" << true;
}

void TestUserManagement::add()
{
    QFETCH(QString, userName);
    QFETCH(QString, fullName);
    QFETCH(QString, password);
    QFETCH(QString, confirm);
    QFETCH(int, typeIndex);
    QFETCH(QString, message);
    QFETCH(QString, markedField);
    QFETCH(bool, byEnter);

    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addAccount("bob", "b0b"));
    PromptScript prompts;
    userManagepage dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);
    page.add->click();
    QCOMPARE(page.apply->text(), QString("Add"));
    QCOMPARE(page.type->currentText(), QString("User"));
    page.fill(userName, fullName, password, confirm);
    page.type->setCurrentIndex(typeIndex);
    if (byEnter)
        QTest::keyClick(page.name, Qt::Key_Return);
    else
        page.apply->click();
    QCOMPARE(prompts.takeShown(), message);
    QCOMPARE(page.name->text(), fullName);

    for (QLineEdit* field : {page.userName, page.name})
        QCOMPARE(field->styleSheet(), field->objectName() == markedField ? kErrorMark : QString());
    const bool added = message.endsWith("User added");
    QCOMPARE(rowCount("Users"), added ? 3 : 2);
    QCOMPARE(page.table->model()->rowCount(), rowCount("Users"));
    if (added) {
        const QSqlRecord row = userAccountRow(userName);
        QCOMPARE(row.value("NAME").toString(), fullName);
        QCOMPARE(row.value("TYPE").toString(), QString(typeIndex == 0 ? "A" : "U"));
        QCOMPARE(row.value("PW_ENABLE").toString(), QString(password.isNull() ? "F" : "T"));
        if (password.isNull())
            QVERIFY(row.value("PASSWORD").isNull());
        else
            QCOMPARE(row.value("PASSWORD").toString(), encodePasswordText(password));
    }
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestUserManagement::addingTwiceIsRefused()
{
    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    PromptScript prompts;
    userManagepage dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);
    page.add->click();
    page.fill("dave", "Dave D");
    page.apply->click();
    QCOMPARE(prompts.takeShown(), QString("Information|User added"));
    // The form keeps what was entered and stays in Add mode.
    QCOMPARE(page.userName->text(), QString("dave"));
    QCOMPARE(page.apply->text(), QString("Add"));
    page.apply->click();
    QCOMPARE(prompts.takeShown(), QString("Error|User name already exist."));
    QCOMPARE(rowCount("Users"), 2);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestUserManagement::editChecksUserNameAgainstOthersOnly()
{
    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addAccount("bob", "b0b"));
    QVERIFY(addAccount("carol"));
    PromptScript prompts;
    userManagepage dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);

    QVERIFY(page.clickRow("carol"));
    page.apply->click();
    QCOMPARE(prompts.takeShown(), QString("Information|User updated"));

    QVERIFY(page.clickRow("carol"));
    page.userName->setText("bob");
    page.apply->click();
    QCOMPARE(prompts.takeShown(), QString("Error|User name already exist."));
    QCOMPARE(page.userName->styleSheet(), kErrorMark);
    QVERIFY(userAccountRow("carol").contains("ID"));

    page.userName->setText("caroline");
    page.apply->click();
    QCOMPARE(prompts.takeShown(), QString("Information|User updated"));
    QCOMPARE(page.userName->styleSheet(), QString());
    QVERIFY(userAccountRow("caroline").contains("ID"));
    QVERIFY(!userAccountRow("carol").contains("ID"));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestUserManagement::ownTypeChangeAsksForLogOut()
{
    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addAccount("eve", "3ve", "A"));
    QVERIFY(addAccount("bob", "b0b", "A"));
    inst.session.userId = userAccountRow("eve").value("ID").toInt();
    inst.session.userName = "eve";
    PromptScript prompts;
    userManagepage dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);

    QVERIFY(page.clickRow("bob"));
    page.type->setCurrentIndex(userManagepage::userIndex);
    page.apply->click();
    QCOMPARE(prompts.takeShown(), QString("Information|User updated"));

    QVERIFY(page.clickRow("eve"));
    page.type->setCurrentIndex(userManagepage::userIndex);
    page.apply->click();
    QCOMPARE(prompts.takeShown(),
             QString("Information|User updated. Please log out to enable the new user type "
                     "setting."));
    QCOMPARE(userAccountRow("eve").value("TYPE").toString(), QString("U"));
    QCOMPARE(inst.session.userType, QString("A")); // until the next log-in
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestUserManagement::deleteRules_data()
{
    QTest::addColumn<QString>("select"); // empty: no row selected
    QTest::addColumn<int>("answer");     // 0: no question expected
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("countAfter");

    QTest::newRow("nothing selected")
        << "" << 0 << "Warning|Please select the user to delete." << 3;
    QTest::newRow("default administrator")
        << "admin" << 0 << "Waring|Cannot delete the default administrator." << 3;
    QTest::newRow("answered No") << "bob" << int(QMessageBox::No)
                                 << "Delete user|Do you want to delete the user: bob?" << 3;
    QTest::newRow("answered Yes") << "bob" << int(QMessageBox::Yes)
                                  << "Delete user|Do you want to delete the user: bob?\n"
                                     "Information|User deleted"
                                  << 2;
}

void TestUserManagement::deleteRules()
{
    QFETCH(QString, select);
    QFETCH(int, answer);
    QFETCH(QString, message);
    QFETCH(int, countAfter);

    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addAccount("bob", "b0b"));
    QVERIFY(addAccount("carol"));
    PromptScript prompts;
    userManagepage dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);
    if (!select.isEmpty())
        QVERIFY(page.clickRow(select));
    if (answer)
        MessageBox::setNextAnswer(QMessageBox::StandardButton(answer));
    page.remove->click();
    QCOMPARE(prompts.takeShown(), message);
    QCOMPARE(rowCount("Users"), countAfter);
    QCOMPARE(page.table->model()->rowCount(), countAfter);
    if (countAfter < 3) {
        QVERIFY(page.userName->text().isEmpty());
        QCOMPARE(page.apply->text(), QString("Apply"));
    }
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestUserManagement::lastAccountIsKept()
{
    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addAccount("bob"));
    QVERIFY(addAccount("carol"));
    PromptScript prompts;
    userManagepage dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);
    // The default administrator goes behind the page's back; the page still protects the
    // last account that is left.
    QVERIFY(execute("DELETE FROM Users WHERE U_NAME = 'admin'"));
    QVERIFY(page.clickRow("carol"));
    MessageBox::setNextAnswer(QMessageBox::Yes);
    page.remove->click();
    prompts.take();
    QCOMPARE(rowCount("Users"), 1);

    QVERIFY(page.clickRow("bob"));
    MessageBox::setNextAnswer(QMessageBox::Yes);
    page.remove->click();
    QCOMPARE(prompts.takeShown(), QString("Delete user|Do you want to delete the user: bob?\n"
                                          "Waring|At least one user account is required"));
    QCOMPARE(rowCount("Users"), 1);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestUserManagement::failedStatementsAreNotReportedAsDone()
{
    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addAccount("bob", "b0b"));
    QVERIFY(addAccount("carol"));
    PromptScript prompts;
    userManagepage dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);

    // An account removed elsewhere after the list was read: neither delete nor update is done.
    QVERIFY(page.clickRow("carol"));
    QVERIFY(execute("DELETE FROM Users WHERE U_NAME = 'carol'"));
    MessageBox::setNextAnswer(QMessageBox::Yes);
    page.remove->click();
    const QString deleteOutcome = prompts.takeShown();
    QVERIFY2(deleteOutcome.contains("Information|Delete user failed\n"), qPrintable(deleteOutcome));
    QVERIFY(!deleteOutcome.contains("User deleted"));

    QVERIFY(page.clickRow("bob"));
    QVERIFY(execute("DELETE FROM Users WHERE U_NAME = 'bob'"));
    page.apply->click();
    const QString updateOutcome = prompts.takeShown();
    QVERIFY2(updateOutcome.startsWith("Information|Update user failed\n"),
             qPrintable(updateOutcome));
    QCOMPARE(rowCount("Users"), 1);

    // A statement the database refuses shows the database's own words.
    QVERIFY(execute("CREATE TRIGGER refuse_insert BEFORE INSERT ON Users "
                    "BEGIN SELECT RAISE(ABORT, 'inserts refused here'); END"));
    page.add->click();
    page.fill("dave", "Dave D");
    page.apply->click();
    const QString addOutcome = prompts.takeShown();
    QVERIFY2(addOutcome.startsWith("Information|Add user failed\n"), qPrintable(addOutcome));
    QVERIFY2(addOutcome.contains("inserts refused here"), qPrintable(addOutcome));

    // "Save && Exit" closes the page even then, after its message.
    QVERIFY(dialog.isVisible());
    page.saveAndExit->click();
    QVERIFY(prompts.takeShown().startsWith("Information|Add user failed\n"));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(rowCount("Users"), 1);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestUserManagement::resetCodeIsMadeForTheLoadedAccountOnly()
{
    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addAccount("bob", "b0b"));
    PromptScript prompts;
    userManagepage dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);
    QVERIFY(page.resetCode);
    QVERIFY(!page.resetCode->isEnabled());
    QVERIFY(page.clickRow("bob"));
    page.add->click();
    QVERIFY(!page.resetCode->isEnabled());

    QVERIFY(page.clickRow("bob"));
    QVERIFY(page.resetCode->isEnabled());
    page.resetCode->click();
    const auto shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].title, QString("Reset Code"));
    const QRegularExpressionMatch code =
        QRegularExpression("[2-9A-Z]{4}-[2-9A-Z]{4}-[2-9A-Z]{4}").match(shown[0].text);
    QVERIFY2(code.hasMatch(), qPrintable(shown[0].text));
    ResetCodeAccount bob;
    QVERIFY(ResetCode::findAccount(QSqlDatabase::database(), "bob", &bob));
    QCOMPARE(ResetCode::check(QSqlDatabase::database(), bob, code.captured(),
                              QDateTime::currentDateTimeUtc()),
             ResetCode::Verdict::Accepted);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

TALVORA_TEST_MAIN(TestUserManagement)
#include "tst_usermanagement.moc"
