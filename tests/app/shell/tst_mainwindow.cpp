#include "app/ProgramConfig.h"
#include "app/WelcomePage.h"
#include "app/shell/MainWindow.h"
#include "app/shell/StartupController.h"
#include "app/shell/UpdateReminder.h"
#include "cases/CaseWindowLinks.h"
#include "cases/MainPage.h"
#include "pkcore/SessionData.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"
#include "tests/support/DatabaseRows.h"
#include "tests/support/DesktopLook.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"
#include "tests/support/WindowFit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSqlQuery>

#include <cmath>
#include <memory>

namespace
{

void fillGentamicinCase(SessionData& s)
{
    s.patient.firstName = "Ann";
    s.patient.lastName = "Smith";
    s.patient.sex = "F";
    s.patient.drugCode = "GM";
    s.patient.weightUnit = "kg";
    s.patient.heightUnit = "cm";
    s.weightKg = 70.0;
    s.heightCm = 170.0;
    s.ageYears = 70.0;
    s.scr1 = 1.2;
    s.crcl = 61.25;
    s.pkSets[pk::kPopulation] = {0.0, 1.0, 17.5, 4.2, 1.0, 0.0, 0.0};
}

// A signed-in administrator with a fresh database, and the pass's main window.
struct Pass {
    TestEnvironment env;
    SessionData session;
    ProgramConfig config;
    std::unique_ptr<MainWindow> window;

    explicit Pass(bool loggedIn = true)
    {
        env.openAsProgram(config);
        session.loggedIn = loggedIn;
        session.userType = loggedIn ? "A" : "";
        session.userName = "admin";
        // A check run on the first of a month must not reach for the network in a test.
        SettingsFile(env.settingsPath()).setValue(SettingsKeys::updateFrequency, "Never");
        window = std::make_unique<MainWindow>(nullptr, &session, &config);
    }
    QAction* action(const char* name) { return window->findChild<QAction*>(name); }
    void openCase()
    {
        fillGentamicinCase(session);
        window->create_mainpage();
    }
    bool closeAccepted()
    {
        QCloseEvent event;
        QCoreApplication::sendEvent(window.get(), &event);
        return event.isAccepted();
    }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void builtWithWelcomePageAndAnalysisOff();
    void guestCannotOpenPatientsOrManageAccounts();
    void disabledMenuActionsLookDisabled();
    void analysisActionsFollowPopulationSet_data();
    void analysisActionsFollowPopulationSet();
    void newPatientAsksAboutUnsavedCase_data();
    void newPatientAsksAboutUnsavedCase();
    void closeRoads_data();
    void closeRoads();
    void logOutWithUnsavedCaseKeepsRestartOnCancel();
    void confirmedFormStaysTheCaseFormAfterCancelledSearch();
    void updateReminder_data();
    void updateReminder();
    void refusedSaveKeepsTheCaseOpen();
    void reminderLeavesTheFileAsItIs_data();
    void reminderLeavesTheFileAsItIs();
    void roomAPageForcedGoesBackWithIt_data();
    void roomAPageForcedGoesBackWithIt();
};

void TestMainWindow::builtWithWelcomePageAndAnalysisOff()
{
    PromptScript prompts;
    Pass pass;
    QVERIFY(pass.window->welcomePage());
    QCOMPARE(pass.window->centralWidget(), pass.window->welcomePage());
    QVERIFY(pass.window->width() <= 1024 && pass.window->height() <= 768);
    for (const char* name : {"actionDosage_Regimen_Forecast", "actionSerum_Level_Forecast",
                             "actionSerum_Level_Analysis"})
        QVERIFY(!pass.action(name)->isEnabled());
    QVERIFY(pass.action("actionUser_Setting")->isEnabled());
    QCOMPARE(pass.action("actionUser_Setting")->text(), QString("Manage User Accounts"));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestMainWindow::guestCannotOpenPatientsOrManageAccounts()
{
    PromptScript prompts;
    Pass pass(false);
    QVERIFY(!pass.action("actionUser_Setting")->isEnabled());
    QCOMPARE(pass.action("actionUser_Setting")->text(), QString("Update User Information"));
    pass.action("actionOpen_Patient")->trigger();
    const auto records = prompts.take();
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(records[0].title, QString("Guest Mode"));
    QCOMPARE(records[0].text, QString("Guest mode cannot connect to database."));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

// The program's palette shows disabled fields' text in the normal colour; menus must not.
void TestMainWindow::disabledMenuActionsLookDisabled()
{
    const QPalette before = QApplication::palette();
    StartupController::tweakPalette(qApp);
    PromptScript prompts;
    Pass pass(false);
    const QList<QMenu*> menus = pass.window->findChildren<QMenu*>();
    QVERIFY(!menus.isEmpty());
    for (QMenu* menu : menus) {
        const QPalette& palette = menu->palette();
        QVERIFY2(palette.color(QPalette::Disabled, QPalette::Text) !=
                     palette.color(QPalette::Active, QPalette::Text),
                 qPrintable(menu->objectName()));
    }
    QApplication::setPalette(before);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestMainWindow::analysisActionsFollowPopulationSet_data()
{
    QTest::addColumn<double>("vd");
    QTest::addColumn<double>("cl");
    QTest::addColumn<double>("cf");
    QTest::addColumn<bool>("windowsMade");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("all set") << 17.5 << 4.2 << 1.0 << true << true;
    QTest::newRow("Vd 0") << 0.0 << 4.2 << 1.0 << true << false;
    QTest::newRow("Cl 0") << 17.5 << 0.0 << 1.0 << true << false;
    QTest::newRow("CF 0") << 17.5 << 4.2 << 0.0 << true << false;
    QTest::newRow("NaN counts as set") << std::nan("") << 4.2 << 1.0 << true << true;
    // As the page's buttons: a window the program does not have is not offered.
    QTest::newRow("no such windows") << 17.5 << 4.2 << 1.0 << false << false;
}

void TestMainWindow::analysisActionsFollowPopulationSet()
{
    QFETCH(double, vd);
    QFETCH(double, cl);
    QFETCH(double, cf);
    QFETCH(bool, windowsMade);
    QFETCH(bool, enabled);
    CaseWindowMakers& makers = caseWindowMakers();
    makers = CaseWindowMakers{};
    if (windowsMade) {
        const auto window = [](QWidget* parent, SessionData*, PkCalculator*, DrugInfo*) {
            return new QWidget(parent, Qt::Window);
        };
        makers.regimenForecast = makers.levelForecast = window;
        makers.analysis = [](QWidget*, SessionData*, PkCalculator*, DrugInfo*) {
            return static_cast<AnalysisLink*>(nullptr);
        };
    }
    PromptScript prompts;
    Pass pass;
    pass.openCase(); // a first case page with everything set
    fillGentamicinCase(pass.session);
    pass.session.pkSets[pk::kPopulation][pk::kVd] = vd;
    pass.session.pkSets[pk::kPopulation][pk::kCl] = cl;
    pass.session.pkSets[pk::kPopulation][pk::kCF] = cf;
    pass.window->create_mainpage();
    QVERIFY(pass.window->showsCasePage());
    for (const char* name : {"actionDosage_Regimen_Forecast", "actionSerum_Level_Forecast",
                             "actionSerum_Level_Analysis"})
        QCOMPARE(pass.action(name)->isEnabled(), enabled);
    prompts.take();
    makers = CaseWindowMakers{};
}

void TestMainWindow::newPatientAsksAboutUnsavedCase_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("savedRows");
    QTest::addColumn<bool>("formShown");
    QTest::newRow("save") << int(QMessageBox::Save) << 1 << true;
    QTest::newRow("don't save") << int(QMessageBox::Discard) << 0 << true;
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << 0 << false;
}

void TestMainWindow::newPatientAsksAboutUnsavedCase()
{
    QFETCH(int, answer);
    QFETCH(int, savedRows);
    QFETCH(bool, formShown);
    PromptScript prompts;
    Pass pass;
    pass.openCase();
    MessageBox::setNextAnswer(QMessageBox::StandardButton(answer));
    bool shown = false;
    if (formShown)
        Modal::setNextHandler([&shown](QDialog*) {
            shown = true;
            return int(QDialog::Rejected);
        });
    pass.action("actionNew_Patient")->trigger();
    QCOMPARE(shown, formShown);
    QCOMPARE(rowCount("Patients"), savedRows);
    const auto records = prompts.take();
    QVERIFY(!records.empty());
    QCOMPARE(records[0].kind, PromptKind::SaveDiscardCancel);
    QCOMPARE(records[0].title, QString("Save patient"));
    QCOMPARE(records[0].text, QString("Do you want to save the current patient?"));
    // After an answer the welcome page stands behind the cancelled form; Cancel keeps the case.
    QCOMPARE(pass.window->showsCasePage(), !formShown);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestMainWindow::closeRoads_data()
{
    QTest::addColumn<bool>("withCase");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("accepted");
    const int saveKind = int(PromptKind::SaveDiscardCancel);
    const int exitKind = int(PromptKind::Question);
    QTest::newRow("welcome, yes") << false << false << int(QMessageBox::Yes) << exitKind << true;
    QTest::newRow("welcome, no") << false << false << int(QMessageBox::No) << exitKind << false;
    QTest::newRow("unsaved, save") << true << false << int(QMessageBox::Save) << saveKind << true;
    QTest::newRow("unsaved, discard")
        << true << false << int(QMessageBox::Discard) << saveKind << true;
    QTest::newRow("unsaved, cancel")
        << true << false << int(QMessageBox::Cancel) << saveKind << false;
    QTest::newRow("saved case asks to exit")
        << true << true << int(QMessageBox::Yes) << exitKind << true;
}

void TestMainWindow::closeRoads()
{
    QFETCH(bool, withCase);
    QFETCH(bool, saved);
    QFETCH(int, answer);
    QFETCH(int, kind);
    QFETCH(bool, accepted);
    PromptScript prompts;
    Pass pass;
    if (withCase)
        pass.openCase();
    pass.session.saved = saved;
    MessageBox::setNextAnswer(QMessageBox::StandardButton(answer));
    QCOMPARE(pass.closeAccepted(), accepted);
    const auto records = prompts.take();
    QVERIFY(!records.empty());
    QCOMPARE(int(records[0].kind), kind);
    if (kind == int(PromptKind::Question))
        QCOMPARE(records[0].title, QString("Exit"));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestMainWindow::logOutWithUnsavedCaseKeepsRestartOnCancel()
{
    PromptScript prompts;
    Pass pass;
    pass.window->show();
    pass.openCase();
    MessageBox::setNextAnswer(QMessageBox::Cancel);
    pass.action("actionLog_Out")->trigger();
    QVERIFY(pass.session.restartAfterLogOut);
    QVERIFY(pass.window->isVisible());
    // Once saved, a later close goes without the exit question: the pass restarts.
    pass.session.saved = true;
    QVERIFY(pass.closeAccepted());
    QCOMPARE(prompts.take().size(), size_t(1));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestMainWindow::confirmedFormStaysTheCaseFormAfterCancelledSearch()
{
    PromptScript prompts;
    Pass pass;
    QDialog* caseForm = nullptr;
    Modal::setNextHandler([&caseForm](QDialog* form) {
        caseForm = form;
        return int(QDialog::Rejected);
    });
    pass.action("actionNew_Patient")->trigger();
    QVERIFY(caseForm);
    fillGentamicinCase(pass.session);
    QVERIFY(QMetaObject::invokeMethod(caseForm, "create_mainpage")); // as Continue does
    QVERIFY(pass.window->showsCasePage());
    pass.session.saved = true;

    QDialog* searchDialog = nullptr;
    Modal::setNextHandler([&searchDialog](QDialog* dialog) {
        searchDialog = dialog;
        return int(QDialog::Rejected);
    });
    pass.action("actionOpen_Patient")->trigger();
    QVERIFY(searchDialog);
    // "Update Patient And Case Info" confirms the case's own form again.
    QVERIFY(QMetaObject::invokeMethod(caseForm, "create_mainpage"));

    QDialog* shown = nullptr;
    Modal::setNextHandler([&shown](QDialog* dialog) {
        shown = dialog;
        return int(QDialog::Rejected);
    });
    QVERIFY(QMetaObject::invokeMethod(pass.window->casePage(), "show_currentpatient"));
    QCOMPARE(shown, caseForm);
    prompts.take();
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestMainWindow::updateReminder_data()
{
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("newest");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("newer");
    QTest::addColumn<QString>("promptAfter");
    const QDate first(2026, 12, 1), second(2026, 12, 2);
    const int none = int(UpdateReminder::Action::None);
    const int check = int(UpdateReminder::Action::StartCheck);
    const int notice = int(UpdateReminder::Action::ShowNotice);
    QTest::newRow("never") << "Never"
                           << "No"
                           << "v9" << second << none << false << "No";
    QTest::newRow("first, due") << "Monthly"
                                << "Yes"
                                << "v9" << first << check << false << "Yes";
    QTest::newRow("first, done, current")
        << "Monthly"
        << "No" << programVersionText << first << notice << false << "No";
    QTest::newRow("first, done, newer") << "Monthly"
                                        << "No"
                                        << "v1.0" << first << notice << true << "No";
    QTest::newRow("later day marks due")
        << "Monthly"
        << "No" << programVersionText << second << notice << false << "Yes";
}

void TestMainWindow::updateReminder()
{
    QFETCH(QString, frequency);
    QFETCH(QString, prompt);
    QFETCH(QString, newest);
    QFETCH(QDate, today);
    QFETCH(int, action);
    QFETCH(bool, newer);
    QFETCH(QString, promptAfter);
    TestEnvironment env;
    SettingsFile settings(env.settingsPath());
    QVERIFY(settings.setValue(SettingsKeys::updateFrequency, frequency));
    QVERIFY(settings.setValue(SettingsKeys::updatePrompt, prompt));
    QVERIFY(settings.setValue(SettingsKeys::updateNewVersion, newest));
    const UpdateReminder::Outcome outcome = UpdateReminder::run(env.settingsPath(), today);
    QCOMPARE(int(outcome.action), action);
    QCOMPARE(outcome.newerVersionKnown, newer);
    QCOMPARE(settings.value(SettingsKeys::updatePrompt), promptAfter);
}

void TestMainWindow::refusedSaveKeepsTheCaseOpen()
{
    PromptScript prompts;
    Pass pass;
    pass.openCase();
    MainPage* page = pass.window->casePage();
    page->on_button_save_clicked();
    QVERIFY(pass.session.saved);
    QSqlQuery otherUser;
    QVERIFY(otherUser.exec("UPDATE Cases SET DATE_UPDATED = '2030-01-01  08:00:00'"));
    auto* vd = page->findChild<QLineEdit*>("line_Custom_vdb");
    vd->setText("23.75");
    emit vd->editingFinished();

    MessageBox::setNextAnswer(QMessageBox::Save);
    QVERIFY(!pass.closeAccepted());
    const auto records = prompts.take();
    QCOMPARE(int(records.size()), 2);
    QVERIFY2(records[1].text.startsWith("Another user changed this case"),
             qPrintable(records[1].text));
    QVERIFY(pass.window->showsCasePage());
    QCOMPARE(vd->text(), QString("23.75"));
    QCOMPARE(pass.session.pkSets[pk::kCustom][pk::kVd], 23.75);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestMainWindow::reminderLeavesTheFileAsItIs_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("prompt already due, comments and order")
        << QByteArray("; kept by the ward\n[Update]\nprompt=Yes\nfrequency=Monthly\n"
                      "[Path]\ndb=/data/PKdatabase.db\n");
    QByteArray noise;
    for (int i = 0; i < 512; ++i)
        noise.append(char((i * 73 + 41) % 256));
    QTest::newRow("random bytes") << noise;
}

void TestMainWindow::reminderLeavesTheFileAsItIs()
{
    QFETCH(QByteArray, content);
    TestEnvironment env;
    QFile file(env.settingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    UpdateReminder::run(env.settingsPath(), QDate(2026, 12, 2));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
}

void TestMainWindow::roomAPageForcedGoesBackWithIt_data()
{
    QTest::addColumn<QString>("then");
    QTest::newRow("the page needs less again") << "less";
    QTest::newRow("the welcome page") << "home";
    QTest::newRow("the next case") << "next case";
}

// A case page that needs more room than the window has widens it, as a wide figure once did; the
// window keeps that width no longer than a page needs it.
void TestMainWindow::roomAPageForcedGoesBackWithIt()
{
    QFETCH(QString, then);
    constexpr int morePageWidth = 80;
    const testsupport::DesktopLook look{QString()}; // where a case page fits the window
    QVERIFY2(look.fontProblem().isEmpty(), qPrintable(look.fontProblem()));
    PromptScript prompts;
    Pass pass;
    MainWindow* window = pass.window.get();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QSize given = window->size();
    pass.openCase();
    window->casePage()->setMinimumWidth(given.width() + morePageWidth);
    testsupport::settleLayouts();
    QVERIFY(window->width() > given.width());

    if (then == QLatin1String("less")) {
        window->casePage()->setMinimumWidth(0);
    } else if (then == QLatin1String("home")) {
        MessageBox::setNextAnswer(QMessageBox::Discard);
        Modal::setNextResult(QDialog::Rejected);
        pass.action("actionNew_Patient")->trigger();
        QVERIFY(!window->showsCasePage());
    } else {
        pass.openCase();
    }
    testsupport::settleLayouts();
    QCOMPARE(window->size(), given);
    prompts.take();
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

TALVORA_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
