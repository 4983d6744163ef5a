#include "app/PasswordEncoding.h"
#include "app/ProgramConfig.h"
#include "app/ResetCode.h"
#include "app/login.h"
#include "pkcore/SessionData.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"
#include "tests/support/UserAccounts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSqlRecord>

#include <functional>
#include <memory>

namespace
{

const QString adminPassword = QStringLiteral("Adm1n pass");
const QString sqlCarryingName = QStringLiteral("x' OR '1'='1");

// A fresh database holding the administrator "admin" (password adminPassword), opened as the
// program opens it, with the working directory where ProgramConfig finds the settings.
struct Installation {
    TestEnvironment env{QStringLiteral("admin"), adminPassword};
    ProgramConfig config;
    SessionData session;

    bool open() { return env.openAsProgram(config); }

    void setLogInMode(const QString& mode)
    {
        QSettings settings(env.settingsPath(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Config/logInMode"), mode);
    }
};

// PASSWORD as given: a null QVariant stores NULL.
bool addAccount(const QString& userName, const QString& pwEnable, const QVariant& password,
                const QString& type = QStringLiteral("U"))
{
    return addUserAccount({userName, pwEnable, password, userName + QStringLiteral(" Fullname"),
                           QString(), QString(), type}) != 0;
}

int accountId(const QString& userName)
{
    return userAccountRow(userName).value(QStringLiteral("ID")).toInt();
}

// "admin" (password), "bob" (none), "carol" (password "c4rol"), "nullpw" (T with NULL).
bool addStandardAccounts()
{
    return addAccount(QStringLiteral("bob"), QStringLiteral("F"), QVariant(QVariant::String)) &&
           addAccount(QStringLiteral("carol"), QStringLiteral("T"),
                      encodePasswordText(QStringLiteral("c4rol"))) &&
           addAccount(QStringLiteral("nullpw"), QStringLiteral("T"), QVariant(QVariant::String));
}

struct Form {
    explicit Form(login* dialog) : dialog(dialog)
    {
        userList = dialog->findChild<QComboBox*>(QStringLiteral("login_uname"));
        typedName = dialog->findChild<QLineEdit*>(QStringLiteral("login_typedName"));
        password = dialog->findChild<QLineEdit*>(QStringLiteral("login_pw"));
        resetCode = dialog->findChild<QLineEdit*>(QStringLiteral("login_md5"));
        resetLabel = dialog->findChild<QWidget*>(QStringLiteral("login_md5_label"));
        logIn = dialog->findChild<QPushButton*>(QStringLiteral("login_login"));
        guest = dialog->findChild<QPushButton*>(QStringLiteral("login_guest"));
        forget = dialog->findChild<QCheckBox*>(QStringLiteral("login_forgetPw"));
    }

    bool complete() const
    {
        return userList && password && resetCode && resetLabel && logIn && guest && forget;
    }

    void enterUser(const QString& userName)
    {
        if (typedName)
            typedName->setText(userName);
        else
            userList->setCurrentIndex(userList->findText(userName, Qt::MatchExactly));
    }

    bool shows(QWidget* widget) const { return widget->isVisibleTo(dialog); }

    login* dialog;
    QComboBox* userList = nullptr;
    QLineEdit* typedName = nullptr;
    QLineEdit* password = nullptr;
    QLineEdit* resetCode = nullptr;
    QWidget* resetLabel = nullptr;
    QPushButton* logIn = nullptr;
    QPushButton* guest = nullptr;
    QCheckBox* forget = nullptr;
};

} // namespace

Q_DECLARE_METATYPE(std::function<void(QDateTime&)>)

class TestLogin : public QObject
{
    Q_OBJECT
private slots:
    void listModeShowsEveryAccountWithItsPasswordState();
    void logIn_data();
    void logIn();
    void guestGoesOnWithoutSigningIn();
    void forgetPasswordSwitchesToResetMode();
    void singleAccountSignsInWithoutDialog_data();
    void singleAccountSignsInWithoutDialog();
    void reset_data();
    void reset();
    void resetCodeWorksOnlyOnce();
    void resetCodeVerdicts_data();
    void resetCodeVerdicts();
    void closingAsksWhileAwaiting_data();
    void closingAsksWhileAwaiting();
};

void TestLogin::listModeShowsEveryAccountWithItsPasswordState()
{
    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addStandardAccounts());
    PromptScript prompts;

    login dialog(&inst.session, &inst.config);
    Form form(&dialog);
    QVERIFY(form.complete());
    QVERIFY(!form.typedName);
    QCOMPARE(dialog.windowTitle(), QString("Login"));
    QCOMPARE(form.userList->count(), 4);
    QCOMPARE(form.userList->itemText(0), QString("admin"));
    QVERIFY(form.password->isEnabled());
    QVERIFY(form.shows(form.forget));
    QVERIFY(!form.shows(form.resetCode));
    QVERIFY(!form.shows(form.resetLabel));

    form.password->setText("typed");
    form.enterUser("bob");
    QVERIFY(form.password->text().isEmpty());
    QVERIFY(!form.password->isEnabled());
    QVERIFY(!form.shows(form.forget));

    form.enterUser("nullpw");
    QVERIFY(form.password->isEnabled());
    QVERIFY(form.shows(form.forget));
    QVERIFY(prompts.take().empty());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestLogin::logIn_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("refused"); // "Username or password don't match."

    const QString list = QStringLiteral("1");
    const QString typed = QStringLiteral("2");
    QTest::newRow("list, right password") << list << "admin" << adminPassword << true << false;
    QTest::newRow("list, wrong password") << list << "admin"
                                          << "Adm1n" << false << true;
    QTest::newRow("list, no password") << list << "bob"
                                       << "" << true << false;
    QTest::newRow("list, T with NULL, empty") << list << "nullpw"
                                              << "" << false << true;
    QTest::newRow("list, T with NULL, typed") << list << "nullpw"
                                              << "x" << false << true;
    QTest::newRow("typed, right password") << typed << "carol"
                                           << "c4rol" << true << false;
    QTest::newRow("typed, letter case counts") << typed << "carol"
                                               << "C4rol" << false << true;
    QTest::newRow("typed, no password, empty") << typed << "bob"
                                               << "" << true << false;
    QTest::newRow("typed, no password, typed") << typed << "bob"
                                               << "x" << false << true;
    QTest::newRow("typed, T with NULL") << typed << "nullpw"
                                        << "" << false << true;
    QTest::newRow("typed, unknown name") << typed << "nobody"
                                         << "" << false << false;
    QTest::newRow("typed, name in other case")
        << typed << "ADMIN" << adminPassword << false << false;
    QTest::newRow("typed, name with blank") << typed << "admin " << adminPassword << false << false;
    QTest::newRow("typed, SQL in name") << typed << sqlCarryingName << "" << false << false;
    QTest::newRow("typed, SQL in name and password")
        << typed << sqlCarryingName << "x' OR '1'='1" << false << false;
    QTest::newRow("other mode value is typed") << "7"
                                               << "bob"
                                               << "" << true << false;
}

void TestLogin::logIn()
{
    QFETCH(QString, mode);
    QFETCH(QString, userName);
    QFETCH(QString, password);
    QFETCH(bool, accepted);
    QFETCH(bool, refused);

    Installation inst;
    inst.setLogInMode(mode);
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addStandardAccounts());
    PromptScript prompts;

    login dialog(&inst.session, &inst.config);
    Form form(&dialog);
    QVERIFY(form.complete());
    QCOMPARE(form.typedName != nullptr, mode != QLatin1String("1"));
    form.enterUser(userName);
    form.password->setText(password);
    form.logIn->click();

    QCOMPARE(dialog.result(), accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(bool(inst.session.loggedIn), accepted);
    const auto records = prompts.take();
    if (refused) {
        QCOMPARE(records.size(), size_t(1));
        QCOMPARE(records[0].title, QString("Error"));
        QCOMPARE(records[0].text, QString("Username or password don't match."));
        QCOMPARE(form.password->text(), password); // the fields keep their texts
    } else {
        QVERIFY2(records.empty(), qPrintable(shownText(records)));
    }
    if (accepted) {
        const QSqlRecord row = userAccountRow(userName);
        QCOMPARE(inst.session.userId, row.value("ID").toInt());
        QCOMPARE(inst.session.userName, userName);
        QCOMPARE(inst.session.userType, row.value("TYPE").toString());
    } else {
        QCOMPARE(inst.session.userId, 0);
        QVERIFY(inst.session.userName.isEmpty());
    }
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestLogin::guestGoesOnWithoutSigningIn()
{
    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    PromptScript prompts;
    inst.session.loggedIn = true;

    login dialog(&inst.session, &inst.config);
    Form form(&dialog);
    QVERIFY(form.complete());
    dialog.show();
    form.guest->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!inst.session.loggedIn);
    // Signed in or not, the dialog no longer asks before it closes.
    dialog.close();
    QVERIFY(prompts.take().empty());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestLogin::forgetPasswordSwitchesToResetMode()
{
    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addStandardAccounts());
    PromptScript prompts;

    login dialog(&inst.session, &inst.config);
    Form form(&dialog);
    QVERIFY(form.complete());
    form.password->setText("typed");
    form.forget->click();
    auto records = prompts.take();
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(records[0].title, QString("Information"));
    QVERIFY(form.shows(form.resetCode));
    QVERIFY(form.shows(form.resetLabel));
    QVERIFY(form.password->text().isEmpty());
    QVERIFY(!form.password->isEnabled());
    QCOMPARE(form.logIn->text(), QString("Reset"));

    form.forget->click();
    QVERIFY(!form.shows(form.resetCode));
    QVERIFY(form.password->isEnabled());
    QCOMPARE(form.logIn->text(), QString("Log In"));

    // Another user leaves reset mode, whatever the box says.
    form.forget->click();
    prompts.take();
    form.enterUser("carol");
    QVERIFY(form.forget->isChecked());
    QVERIFY(!form.shows(form.resetCode));
    QCOMPARE(form.logIn->text(), QString("Log In"));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestLogin::singleAccountSignsInWithoutDialog_data()
{
    QTest::addColumn<QString>("adminPassword");
    QTest::addColumn<QStringList>("moreWithoutPassword");
    QTest::addColumn<bool>("signedIn");

    QTest::newRow("one account, no password") << QString() << QStringList() << true;
    QTest::newRow("one account with password") << "pw" << QStringList() << false;
    QTest::newRow("two accounts without password") << QString() << QStringList{"bob"} << false;
}

void TestLogin::singleAccountSignsInWithoutDialog()
{
    QFETCH(QString, adminPassword);
    QFETCH(QStringList, moreWithoutPassword);
    QFETCH(bool, signedIn);

    TestEnvironment env(QStringLiteral("admin"), adminPassword);
    ProgramConfig config;
    QVERIFY2(env.openAsProgram(config), qPrintable(env.error()));
    for (const QString& name : moreWithoutPassword)
        QVERIFY(addAccount(name, QStringLiteral("F"), QVariant(QVariant::String)));
    SessionData session;
    PromptScript prompts;

    login dialog(&session, &config);
    QCOMPARE(dialog.trySingleUserAutoLogin(), signedIn);
    QCOMPARE(bool(session.loggedIn), signedIn);
    if (signedIn) {
        QCOMPARE(session.userId, accountId("admin"));
        // The account's full name, where a log-in through the dialog keeps the user name.
        QCOMPARE(session.userName, QString("Administrator"));
        QCOMPARE(session.userType, QString("A"));
    } else {
        QCOMPARE(session.userId, 0);
        QVERIFY(session.userName.isEmpty());
        QVERIFY(session.userType.isEmpty());
    }
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestLogin::reset_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("codeOf"); // whose code is typed; empty: nothing typed
    QTest::addColumn<bool>("accepted");

    QTest::newRow("list, right code") << "1"
                                      << "carol"
                                      << "carol" << true;
    QTest::newRow("typed, right code") << "2"
                                       << "carol"
                                       << "carol" << true;
    QTest::newRow("T with NULL, right code") << "2"
                                             << "nullpw"
                                             << "nullpw" << true;
    QTest::newRow("no code") << "1"
                             << "carol"
                             << "" << false;
    QTest::newRow("another account's code") << "1"
                                            << "carol"
                                            << "admin" << false;
    QTest::newRow("code with a typo") << "1"
                                      << "carol"
                                      << "typo" << false;
    QTest::newRow("unknown name") << "2"
                                  << "nobody"
                                  << "carol" << false;
    QTest::newRow("SQL in name") << "2" << sqlCarryingName << "carol" << false;
    QTest::newRow("name in other case") << "2"
                                        << "CAROL"
                                        << "carol" << false;
}

void TestLogin::reset()
{
    QFETCH(QString, mode);
    QFETCH(QString, userName);
    QFETCH(QString, codeOf);
    QFETCH(bool, accepted);

    Installation inst;
    inst.setLogInMode(mode);
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addStandardAccounts());
    QSqlQuery all(QStringLiteral("SELECT * FROM Users ORDER BY ID"));
    QList<QSqlRecord> before;
    while (all.next())
        before << all.record();

    // carol holds a live code of her own in every row that types one, so a refusal is never
    // merely the want of a code.
    QString code;
    if (!codeOf.isEmpty()) {
        const QString owner = codeOf == QLatin1String("typo") ? QStringLiteral("carol") : codeOf;
        QString error;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        code = ResetCode::issueForUser(QSqlDatabase::database(), owner, now, &error);
        QVERIFY2(!code.isEmpty(), qPrintable(error));
        if (owner != QLatin1String("carol"))
            QVERIFY(!ResetCode::issueForUser(QSqlDatabase::database(), "carol", now).isEmpty());
        if (codeOf == QLatin1String("typo"))
            code[0] = code[0] == QLatin1Char('2') ? QLatin1Char('3') : QLatin1Char('2');
    }

    PromptScript prompts;
    login dialog(&inst.session, &inst.config);
    Form form(&dialog);
    QVERIFY(form.complete());
    form.enterUser(userName);
    form.forget->click();
    prompts.take();
    // Blanks around the code and lower case are forgiven.
    form.resetCode->setText(QStringLiteral(" ") + code.toLower() + QStringLiteral(" "));
    form.logIn->click();

    const auto records = prompts.take();
    QCOMPARE(dialog.result(), accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(bool(inst.session.loggedIn), accepted);
    if (accepted) {
        QVERIFY2(records.empty(), qPrintable(shownText(records)));
        QCOMPARE(inst.session.userName, userName);
        QCOMPARE(inst.session.userId, accountId(userName));
        const QSqlRecord row = userAccountRow(userName);
        QCOMPARE(row.value("PW_ENABLE").toString(), QString("F"));
        QVERIFY(!row.value("PASSWORD").isNull());
        QCOMPARE(row.value("PASSWORD").toString(), QString(""));
    } else {
        QCOMPARE(records.size(), size_t(1));
        QCOMPARE(records[0].title, QString("Error"));
        QVERIFY(!records[0].text.isEmpty());
    }

    // Nothing but the one account changed.
    QSqlQuery after(QStringLiteral("SELECT * FROM Users ORDER BY ID"));
    for (const QSqlRecord& old : before) {
        QVERIFY(after.next());
        const bool resetHere = accepted && old.value("U_NAME").toString() == userName;
        if (resetHere)
            continue;
        for (int field = 0; field < old.count(); ++field)
            QCOMPARE(after.record().value(field), old.value(field));
    }
    QVERIFY(!after.next());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestLogin::resetCodeWorksOnlyOnce()
{
    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addStandardAccounts());
    QString error;
    const QString code = ResetCode::issueForUser(QSqlDatabase::database(), "carol",
                                                 QDateTime::currentDateTimeUtc(), &error);
    QVERIFY2(!code.isEmpty(), qPrintable(error));

    PromptScript prompts;
    for (bool first : {true, false}) {
        login dialog(&inst.session, &inst.config);
        Form form(&dialog);
        form.enterUser("carol");
        form.forget->click();
        prompts.take();
        form.resetCode->setText(code);
        form.logIn->click();
        QCOMPARE(dialog.result(), first ? int(QDialog::Accepted) : int(QDialog::Rejected));
        const auto records = prompts.take();
        QCOMPARE(records.size(), first ? size_t(0) : size_t(1));
    }

    // Two accounts of one name: no code, since a reset could not say which one it clears.
    QVERIFY(addAccount(QStringLiteral("twin"), QStringLiteral("T"), QStringLiteral("a")));
    QVERIFY(addAccount(QStringLiteral("twin"), QStringLiteral("T"), QStringLiteral("b")));
    QVERIFY(ResetCode::issueForUser(QSqlDatabase::database(), "twin",
                                    QDateTime::currentDateTimeUtc(), &error)
                .isEmpty());
    QVERIFY(!error.isEmpty());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestLogin::resetCodeVerdicts_data()
{
    using Change = std::function<void(QDateTime&)>;
    QTest::addColumn<Change>("change");
    QTest::addColumn<int>("verdict");
    const Change nothing = [](QDateTime&) {};
    QTest::newRow("fresh") << nothing << int(ResetCode::Verdict::Accepted);
    QTest::newRow("a second before expiry")
        << Change([](QDateTime& now) { now = now.addSecs(ResetCode::lifetimeSeconds - 1); })
        << int(ResetCode::Verdict::Accepted);
    QTest::newRow("after 24 hours")
        << Change([](QDateTime& now) { now = now.addSecs(ResetCode::lifetimeSeconds); })
        << int(ResetCode::Verdict::Expired);
    QTest::newRow("account edited since") << Change([](QDateTime&) {
        QSqlQuery(QStringLiteral("UPDATE Users SET E_MAIL = 'c@x' WHERE U_NAME = 'carol'"));
    }) << int(ResetCode::Verdict::NotMatching);
    QTest::newRow("password changed since") << Change([](QDateTime&) {
        QSqlQuery(QStringLiteral("UPDATE Users SET PASSWORD = 'x' WHERE U_NAME = 'carol'"));
    }) << int(ResetCode::Verdict::NotMatching);
    QTest::newRow("replaced by a newer code") << Change([](QDateTime& now) {
        ResetCode::issueForUser(QSqlDatabase::database(), "carol", now);
    }) << int(ResetCode::Verdict::NotMatching);
    QTest::newRow("used") << Change([](QDateTime&) {
        ResetCode::discard(QSqlDatabase::database(), accountId("carol"));
    }) << int(ResetCode::Verdict::NoCode);
}

// The database keeps the code only as a salted hash, in a table made when the first code is
// made: a database from before the codes opens unchanged and simply has none.
void TestLogin::resetCodeVerdicts()
{
    QFETCH(std::function<void(QDateTime&)>, change);
    QFETCH(int, verdict);
    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    QVERIFY(addStandardAccounts());
    QSqlDatabase db = QSqlDatabase::database();
    QVERIFY(!db.tables().contains(ResetCode::tableName));
    ResetCodeAccount carol;
    QVERIFY(ResetCode::findAccount(db, "carol", &carol));
    QDateTime now = QDateTime::currentDateTimeUtc();
    QCOMPARE(ResetCode::check(db, carol, "ABCD", now), ResetCode::Verdict::NoCode);

    const QString code = ResetCode::issue(db, carol, now);
    const QString plain = QString(code).remove('-');
    QCOMPARE(plain.size(), ResetCode::length);
    QSqlQuery stored(QStringLiteral("SELECT * FROM ResetCodes"));
    QVERIFY(stored.next());
    for (int field = 0; field < stored.record().count(); ++field)
        QVERIFY(!stored.value(field).toString().contains(plain, Qt::CaseInsensitive));

    change(now);
    QVERIFY(ResetCode::findAccount(db, "carol", &carol));
    QCOMPARE(int(ResetCode::check(db, carol, code.toLower(), now)), verdict);
}

void TestLogin::closingAsksWhileAwaiting_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Yes ends") << int(QMessageBox::Yes) << true;
    QTest::newRow("No stays") << int(QMessageBox::No) << false;
}

void TestLogin::closingAsksWhileAwaiting()
{
    QFETCH(int, answer);
    QFETCH(bool, closes);

    Installation inst;
    QVERIFY2(inst.open(), qPrintable(inst.env.error()));
    PromptScript prompts;
    login dialog(&inst.session, &inst.config);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    dialog.show();
    MessageBox::setNextAnswer(QMessageBox::StandardButton(answer));
    QCOMPARE(dialog.close(), closes);
    const auto records = prompts.take();
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(records[0].title, QString("Exit"));
    QCOMPARE(records[0].text, QString("Do you want to exit the program?"));
    QCOMPARE(dialog.isVisible(), !closes);
    QCOMPARE(rejected.count(), closes ? 1 : 0);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

TALVORA_TEST_MAIN(TestLogin)
#include "tst_login.moc"
