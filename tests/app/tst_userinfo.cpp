#include "app/PasswordEncoding.h"
#include "app/ProgramConfig.h"
#include "app/userSetting.h"
#include "pkcore/SessionData.h"
#include "tests/app/tst_accounts_fixture.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"
#include "tests/support/UserAccounts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>

namespace
{

// A database with the administrator and the ordinary user "bob", who is signed in.
struct Installation : AccountsInstallation {
    bool open(bool bobHasPassword)
    {
        if (!env.openAsProgram(config))
            return false;
        session.userId = addUserAccount(
            {"bob", bobHasPassword ? "T" : "F",
             bobHasPassword ? QVariant(encodePasswordText("b0b")) : QVariant(QVariant::String),
             "Bob Brown", "PharmD", "bob@example.org", "U"});
        session.userName = QStringLiteral("bob");
        session.userType = QStringLiteral("U");
        return session.userId > 0;
    }

    QSqlRecord row() const
    {
        QSqlQuery query;
        query.prepare(QStringLiteral("SELECT * FROM Users WHERE ID = :id"));
        query.bindValue(":id", session.userId);
        if (query.exec() && query.next())
            return query.record();
        return QSqlRecord();
    }
};

struct Page : AccountFieldsPage {
    explicit Page(userSetting* dialog) : AccountFieldsPage(dialog)
    {
        save = child<QPushButton>("user_save");
        cancel = child<QPushButton>("user_cancel");
        dialog->show();
    }

    QPushButton* save = nullptr;
    QPushButton* cancel = nullptr;
};

} // namespace

class TestUserInfo : public QObject
{
    Q_OBJECT
private slots:
    void showsSignedInAccount_data();
    void showsSignedInAccount();
    void save_data();
    void save();
    void cancelStoresNothing();
    void failedSaveShowsDatabaseText();
};

void TestUserInfo::showsSignedInAccount_data()
{
    QTest::addColumn<bool>("hasPassword");
    QTest::newRow("with password") << true;
    QTest::newRow("without password") << false;
}

void TestUserInfo::showsSignedInAccount()
{
    QFETCH(bool, hasPassword);
    Installation inst;
    QVERIFY2(inst.open(hasPassword), qPrintable(inst.env.error()));
    PromptScript prompts;
    userSetting dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);
    QVERIFY2(page.missing.isEmpty(), qPrintable(page.missing.join(", ")));

    QCOMPARE(dialog.windowTitle(), QString("User Setting"));
    QCOMPARE(page.userName->text(), QString("bob"));
    QVERIFY(!page.userName->isEnabled());
    QCOMPARE(page.name->text(), QString("Bob Brown"));
    QCOMPARE(page.title->text(), QString("PharmD"));
    QCOMPARE(page.email->text(), QString("bob@example.org"));
    QCOMPARE(page.type->count(), 1);
    QCOMPARE(page.type->currentText(), QString("User"));
    QVERIFY(!page.type->isEnabled());
    QCOMPARE(page.pwEnable->isChecked(), hasPassword);
    QCOMPARE(page.pwGroup->isVisibleTo(&dialog), hasPassword);
    QCOMPARE(page.password->text(), hasPassword ? kPasswordMarker : QString());
    QCOMPARE(page.password->isEnabled(), hasPassword);
    QVERIFY(!page.confirm->isEnabled());
    QCOMPARE(page.password->echoMode(), QLineEdit::Password);
    QCOMPARE(page.confirm->echoMode(), QLineEdit::Password);

    // Changing the password text asks for the confirmation.
    if (hasPassword) {
        page.password->setText("x");
        QVERIFY(page.confirm->isEnabled());
    }
    // Ticking "Enable Password" opens the password rows.
    if (!hasPassword) {
        page.pwEnable->click();
        QVERIFY(page.pwGroup->isVisibleTo(&dialog));
        QVERIFY(page.password->isEnabled());
    }
    int position = 0;
    QString withQuote = "O'Brien";
    QCOMPARE(page.name->validator()->validate(withQuote, position), QValidator::Invalid);
    QVERIFY(prompts.take().empty());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestUserInfo::save_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed"); // null: password field left alone
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<bool>("untick");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("passwordAfter"); // "NULL": no password

    QTest::newRow("untouched") << "Robert Brown" << QString() << QString() << false
                               << "Information|User updated"
                               << "b0b";
    QTest::newRow("new password") << "Bob Brown"
                                  << "n3w"
                                  << "n3w" << false << "Information|User updated"
                                  << "n3w";
    QTest::newRow("unticked") << "Bob Brown" << QString() << QString() << true
                              << "Information|User updated"
                              << "NULL";
    QTest::newRow("no name") << "" << QString() << QString() << false
                             << "Error|Name cannot be empty."
                             << "b0b";
    QTest::newRow("empty password") << "Bob Brown"
                                    << ""
                                    << "" << false << "Error|Password cannot be empty."
                                    << "b0b";
    QTest::newRow("unconfirmed") << "Bob Brown"
                                 << "n3w"
                                 << "" << false << "Error|Please confirm your password."
                                 << "b0b";
    QTest::newRow("mismatch") << "Bob Brown"
                              << "n3w"
                              << "new" << false
                              << "Error|Password and confirm password don't match."
                              << "b0b";
    QTest::newRow("outside the encoding")
        << "Bob Brown" << QString::fromUtf8("n\xc3\xa4w") << QString::fromUtf8("n\xc3\xa4w")
        << false
        << QString::fromUtf8("Error|The password cannot contain these characters: \xc3\xa4")
        << "b0b";
}

void TestUserInfo::save()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, confirm);
    QFETCH(bool, untick);
    QFETCH(QString, message);
    QFETCH(QString, passwordAfter);

    Installation inst;
    QVERIFY2(inst.open(true), qPrintable(inst.env.error()));
    PromptScript prompts;
    userSetting dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);
    page.name->setText(name);
    if (!typed.isNull()) {
        page.password->setText(typed);
        page.confirm->setText(confirm);
    }
    if (untick)
        page.pwEnable->click();
    page.save->click();
    QCOMPARE(prompts.takeShown(), message);

    const bool saved = message.startsWith("Information");
    QCOMPARE(dialog.isVisible(), !saved);
    QCOMPARE(page.name->styleSheet(), name.isEmpty() ? kErrorMark : QString());
    const QSqlRecord row = inst.row();
    QCOMPARE(row.value("U_NAME").toString(), QString("bob"));
    QCOMPARE(row.value("TYPE").toString(), QString("U"));
    QCOMPARE(row.value("NAME").toString(), saved ? name : QString("Bob Brown"));
    if (passwordAfter == QLatin1String("NULL")) {
        QCOMPARE(row.value("PW_ENABLE").toString(), QString("F"));
        QVERIFY(row.value("PASSWORD").isNull());
    } else {
        QCOMPARE(row.value("PW_ENABLE").toString(), QString("T"));
        QCOMPARE(row.value("PASSWORD").toString(), encodePasswordText(passwordAfter));
    }
    QCOMPARE(inst.session.userName, QString("bob"));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestUserInfo::cancelStoresNothing()
{
    Installation inst;
    QVERIFY2(inst.open(true), qPrintable(inst.env.error()));
    PromptScript prompts;
    userSetting dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);
    page.name->setText("Changed");
    page.pwEnable->click();
    page.cancel->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(inst.row().value("NAME").toString(), QString("Bob Brown"));
    QCOMPARE(inst.row().value("PW_ENABLE").toString(), QString("T"));
    QVERIFY(prompts.take().empty());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestUserInfo::failedSaveShowsDatabaseText()
{
    Installation inst;
    QVERIFY2(inst.open(true), qPrintable(inst.env.error()));
    PromptScript prompts;
    {
        QSqlQuery trigger;
        QVERIFY(trigger.exec("CREATE TRIGGER refuse_update BEFORE UPDATE ON Users "
                             "BEGIN SELECT RAISE(ABORT, 'updates refused here'); END"));
    }
    userSetting dialog(nullptr, &inst.session, &inst.config);
    Page page(&dialog);
    page.name->setText("Robert");
    page.save->click();
    const QString refused = prompts.takeShown();
    QVERIFY2(refused.startsWith("Information|Update user fail\n"), qPrintable(refused));
    QVERIFY2(refused.contains("updates refused here"), qPrintable(refused));
    QVERIFY(!dialog.isVisible());

    // The signed-in account removed meanwhile: nothing was updated, and the page says so.
    QSqlQuery query;
    QVERIFY(query.exec("DROP TRIGGER refuse_update"));
    userSetting again(nullptr, &inst.session, &inst.config);
    Page page2(&again);
    QVERIFY(query.exec("DELETE FROM Users WHERE U_NAME = 'bob'"));
    page2.name->setText("Robert");
    page2.save->click();
    const QString outcome = prompts.takeShown();
    QVERIFY2(outcome.startsWith("Information|Update user fail\n"), qPrintable(outcome));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

TALVORA_TEST_MAIN(TestUserInfo)
#include "tst_userinfo.moc"
