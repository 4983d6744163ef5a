#include "app/ProgramConfig.h"
#include "app/shell/MainWindow.h"
#include "cases/MainPage.h"
#include "pkcore/SessionData.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"
#include "settings/ProgramSettingPage.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTreeWidget>

#include <memory>

namespace
{

// What the dialog showed while the main window ran it.
struct Shown {
    ProgramSettingPage* dialog = nullptr;
    int page = -1;
    QString treeItem;
};

// A signed-in user's pass: its database open on the default connection and its main window.
struct Pass {
    TestEnvironment env;
    SessionData session{qApp};
    ProgramConfig config;
    std::unique_ptr<MainWindow> window;

    bool start()
    {
        if (!env.openAsProgram(config))
            return false;
        session.loggedIn = true;
        session.userType = QStringLiteral("A");
        session.userName = QStringLiteral("admin");
        // No update check may reach for the network on the first of a month.
        SettingsFile(env.settingsPath())
            .setValue(QLatin1String(SettingsKeys::updateFrequency),
                      QLatin1String(SettingsKeys::frequencyNever));
        window = std::make_unique<MainWindow>(nullptr, &session, &config);
        return true;
    }

    ProgramSettingPage* dialog() const { return window->findChild<ProgramSettingPage*>(); }

    // Runs the menu action and records the dialog it ran modally.
    Shown run(const char* action)
    {
        Shown shown;
        Modal::setNextHandler([&shown](QDialog* dialog) {
            shown.dialog = qobject_cast<ProgramSettingPage*>(dialog);
            if (shown.dialog) {
                shown.page =
                    dialog->findChild<QTabWidget*>(QStringLiteral("tabWidget"))->currentIndex();
                shown.treeItem = dialog->findChild<QTreeWidget*>(QStringLiteral("treeWidget"))
                                     ->currentItem()
                                     ->text(0);
            }
            return int(QDialog::Rejected);
        });
        window->findChild<QAction*>(QLatin1String(action))->trigger();
        return shown;
    }

    void openCase()
    {
        SessionData& s = session;
        s.patient.firstName = QStringLiteral("Ann");
        s.patient.lastName = QStringLiteral("Smith");
        s.patient.sex = QStringLiteral("F");
        s.patient.drugCode = QStringLiteral("GM");
        s.patient.weightUnit = QStringLiteral("kg");
        s.patient.heightUnit = QStringLiteral("cm");
        s.weightKg = 70.0;
        s.heightCm = 170.0;
        s.ageYears = 70.0;
        s.scr1 = 1.2;
        s.crcl = 61.25;
        s.pkSets[pk::kPopulation] = {0.0, 1.0, 17.5, 4.2, 1.0, 0.0, 0.0};
        window->create_mainpage();
    }
};

} // namespace

class TestProgramSettingsShell : public QObject
{
    Q_OBJECT
private slots:
    void menuActionsRunTheKeptDialog_data();
    void menuActionsRunTheKeptDialog();
    void caseSaveRefreshesLastModified();
    void openCasePageRefusesDatabaseChange();
};

void TestProgramSettingsShell::menuActionsRunTheKeptDialog_data()
{
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<int>("lastPage");
    QTest::addColumn<QString>("lastItem");

    QTest::newRow("program settings") << QStringList{"actionProgram_Setting"}
                                      << int(ProgramSettingPage::generalPage) << "General Setting";
    QTest::newRow("software update") << QStringList{"actionSoftware_Update"}
                                     << int(ProgramSettingPage::versionPage) << "Software Version";
    QTest::newRow("settings after update")
        << QStringList{"actionSoftware_Update", "actionProgram_Setting"}
        << int(ProgramSettingPage::versionPage) << "Software Version";
}

void TestProgramSettingsShell::menuActionsRunTheKeptDialog()
{
    QFETCH(QStringList, actions);
    QFETCH(int, lastPage);
    QFETCH(QString, lastItem);

    PromptScript prompts;
    Pass pass;
    QVERIFY2(pass.start(), qPrintable(pass.env.error()));
    ProgramSettingPage* kept = pass.dialog();
    QVERIFY(kept);
    QCOMPARE(kept->parent(), pass.window.get());

    Shown shown;
    for (const QString& action : actions) {
        shown = pass.run(qPrintable(action));
        QCOMPARE(shown.dialog, kept);
    }
    QCOMPARE(shown.page, lastPage);
    QCOMPARE(shown.treeItem, lastItem);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestProgramSettingsShell::caseSaveRefreshesLastModified()
{
    PromptScript prompts;
    Pass pass;
    QVERIFY2(pass.start(), qPrintable(pass.env.error()));
    pass.openCase();
    QVERIFY(pass.window->casePage());
    auto* lastBy = pass.dialog()->findChild<QLineEdit*>(QStringLiteral("db_info_last_by"));
    auto* lastDate = pass.dialog()->findChild<QLineEdit*>(QStringLiteral("db_info_last_date"));
    QCOMPARE(lastBy->text(), QString());

    QSqlQuery query;
    QVERIFY(query.prepare(QStringLiteral(
        "INSERT INTO Cases (REC_NUM, DATE_UPDATED, MODIFY_BY) VALUES (1, :updated, :user)")));
    query.bindValue(QStringLiteral(":updated"), QStringLiteral("2024-02-03  08:30:15"));
    query.bindValue(QStringLiteral(":user"), QStringLiteral("admin"));
    QVERIFY(query.exec());
    emit pass.window->casePage()->database_update();

    QCOMPARE(lastBy->text(), QStringLiteral("admin"));
    QCOMPARE(lastDate->text(), QStringLiteral("2024-02-03  08:30:15"));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestProgramSettingsShell::openCasePageRefusesDatabaseChange()
{
    PromptScript prompts;
    Pass pass;
    QVERIFY2(pass.start(), qPrintable(pass.env.error()));
    const QString original = pass.config.databasePath();
    pass.openCase();

    // No file dialog is scripted: the refusal comes before it.
    pass.dialog()->findChild<QPushButton*>(QStringLiteral("db_path_change"))->click();
    const auto shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Warning"));
    QCOMPARE(pass.config.databasePath(), original);
    QCOMPARE(SettingsFile(pass.env.settingsPath()).value(QLatin1String(SettingsKeys::pathDb)),
             original);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

TALVORA_TEST_MAIN(TestProgramSettingsShell)
#include "tst_programsettings_shell.moc"
