#include "app/ProgramConfig.h"
#include "app/shell/CaseWindowRegistry.h"
#include "cases/CaseWindowLinks.h"
#include "cases/MainPage.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "tests/cases/tst_casepage_fixture.h"
#include "tests/support/ChildWidgets.h"
#include "tests/support/NearlyEqual.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"

#include <QDialog>
#include <QLineEdit>

#include <memory>

namespace
{
using testsupport::requireChild;

constexpr int kPop = pk::kReportPopulation;
constexpr int kCustom = pk::kReportCustom;

// A gentamicin case page with the program's own windows behind its buttons.
struct Workspace {
    SessionData session;
    PkCalculator calculator{&session};
    DrugInfo catalogue{&session, &calculator};
    ProgramConfig config;
    std::unique_ptr<MainPage> page;

    Workspace()
    {
        SessionData& s = session;
        s.loggedIn = true;
        s.patient.drugCode = QStringLiteral("GM");
        s.patient.sex = QStringLiteral("F");
        s.ageYears = 70.0;
        s.weightKg = 70.0;
        s.heightCm = 170.0;
        s.doseUnit = QStringLiteral("mg");
        s.concentrationUnit = QStringLiteral("mg/L");
        s.modelType = pk::kModelOneComp;
        s.pkSets[pk::kPopulation] = {0.0, 1.0, 17.5, 4.2, 1.0, 0.0, 0.0};
        registerCaseWindows();
        page = openCasePage(&session, &calculator, &catalogue, &config);
    }

    QDialog* open(const char* button, const char* window)
    {
        click(page.get(), button);
        return requireChild<QDialog>(page.get(), window);
    }
};

void type(QWidget* window, const char* field, const QString& text)
{
    auto* edit = requireChild<QLineEdit>(window, field);
    edit->clear();
    QTest::keyClicks(edit, text);
}
} // namespace

class TestForecastWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void regimenWindowWritesItsRecordAndFollowsCustomChanges();
    void refusedEntryIsMarkedAndComputesNothing();

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<PromptScript> m_prompts;
};

void TestForecastWindows::init()
{
    caseWindowMakers() = CaseWindowMakers{};
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY2(m_env->isValid(), qPrintable(m_env->error()));
    QVERIFY2(m_env->openDefaultConnection(), qPrintable(m_env->error()));
    m_prompts = std::make_unique<PromptScript>();
}

void TestForecastWindows::cleanup()
{
    if (m_prompts)
        VERIFY_NO_UNEXPECTED_PROMPTS(*m_prompts);
    m_prompts.reset();
    m_env.reset();
    caseWindowMakers() = CaseWindowMakers{};
}

void TestForecastWindows::regimenWindowWritesItsRecordAndFollowsCustomChanges()
{
    Workspace w;
    QDialog* window = w.open("button_dosage_regimen_forecast", "DosageRegimenForecast");
    QVERIFY(window->isVisible());
    type(window, "lineEdit_infusionTime", "1");
    type(window, "lineEdit_postLevel", "8");
    type(window, "lineEdit_postTime", "0.5");
    type(window, "lineEdit_trough", "1");
    const RegimenReport& r = w.session.regimenReport;
    QVERIFY(r.done);
    QCOMPARE(r.routeLetter, 'D');
    QVERIFY(r.routeSentence.contains("infused"));
    QVERIFY(r.dose[kPop] > 0);
    QCOMPARE(r.dose[kCustom], r.dose[kPop]);

    // Twice the clearance on the case page: the custom regimen is redesigned at once.
    enter(w.page.get(), "line_Custom_cl", QStringLiteral("8.4"));
    QVERIFY(w.session.regimenReport.dosePer24h[kCustom] > 1.5 * r.dosePer24h[kPop]);
}

void TestForecastWindows::refusedEntryIsMarkedAndComputesNothing()
{
    Workspace w;
    QDialog* window = w.open("button_serum_level_forecast", "SerumLevelForecast");
    type(window, "lineEdit_dose", "500");
    type(window, "lineEdit_interval", "8");
    type(window, "lineEdit_postTime", "1");
    type(window, "lineEdit_infusionTime", "8");
    auto* infusion = requireChild<QLineEdit>(window, "lineEdit_infusionTime");
    QVERIFY(!infusion->styleSheet().isEmpty());
    QVERIFY(!infusion->toolTip().isEmpty());
    QVERIFY(!w.session.levelForecastReport.done);

    type(window, "lineEdit_infusionTime", "1");
    QVERIFY(infusion->styleSheet().isEmpty());
    QVERIFY(w.session.levelForecastReport.done);
    QVERIFY(w.session.levelForecastReport.postLevel[kPop] > 0);

    // A regimen taken back leaves nothing for the report.
    auto* dose = requireChild<QLineEdit>(window, "lineEdit_dose");
    dose->selectAll();
    QTest::keyClick(dose, Qt::Key_Backspace);
    QVERIFY(!w.session.levelForecastReport.done);
}

TALVORA_TEST_MAIN(TestForecastWindows)
#include "tst_forecastwindows.moc"
