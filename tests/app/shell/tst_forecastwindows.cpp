#include "app/ProgramConfig.h"
#include "app/shell/CaseWindowRegistry.h"
#include "cases/CaseWindowLinks.h"
#include "cases/MainPage.h"
#include "forecast/DosageRegimenForecast.h"
#include "forecast/SerumLevelForecast.h"
#include "phenytoin/PHDosageRegimen.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "tests/cases/tst_casepage_fixture.h"
#include "tests/phenytoin/tst_phenytoin_fixture.h"
#include "tests/support/ChildWidgets.h"
#include "tests/support/DatabaseRows.h"
#include "tests/support/NearlyEqual.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTableWidget>

#include <memory>

namespace
{
using testsupport::requireChild;

constexpr int kPop = pk::kReportPopulation;
constexpr int kCustom = pk::kReportCustom;
constexpr int kBayes = pk::kReportBayesian;
constexpr int kLs = pk::kReportLeastSquares;

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

void chooseRoute(QWidget* window, const QString& item)
{
    auto* box = requireChild<QComboBox>(window, "comboBox_route");
    box->setCurrentText(item);
    QMetaObject::invokeMethod(box, "activated", Q_ARG(int, box->currentIndex()));
}

QString cell(QWidget* window, int set, int column)
{
    const QTableWidgetItem* item =
        requireChild<QTableWidget>(window, "tableWidget_results")->item(set, column);
    return item ? item->text() : QString();
}

// Any text of the window that reads as a number overflowed or undefined.
bool showsOverflow(const QWidget* window)
{
    const QRegularExpression overflow(QStringLiteral("\\b(inf|nan)\\b"),
                                      QRegularExpression::CaseInsensitiveOption);
    for (const QLineEdit* edit : window->findChildren<QLineEdit*>())
        if (overflow.match(edit->text()).hasMatch())
            return true;
    for (const QLabel* label : window->findChildren<QLabel*>())
        if (overflow.match(label->text()).hasMatch())
            return true;
    for (const QTableWidget* table : window->findChildren<QTableWidget*>())
        for (int row = 0; row < table->rowCount(); ++row)
            for (int column = 0; column < table->columnCount(); ++column)
                if (table->item(row, column) &&
                    overflow.match(table->item(row, column)->text()).hasMatch())
                    return true;
    return false;
}

// Theophylline with a population and a fitted set, as the general forecast windows see it.
void theophyllineCase(SessionData& s)
{
    s.patient.drugCode = QStringLiteral("TH");
    s.doseUnit = QStringLiteral("mg");
    s.concentrationUnit = QStringLiteral("mg/L");
    s.modelType = pk::kModelOneComp;
    s.pkSets[pk::kPopulation] = {0, 1.0, 35, 3.0, 1.0, 0, 0};
    s.pkSets[pk::kCustom] = s.pkSets[pk::kPopulation];
}

enum OverflowInput { PhenytoinDesiredAverage, ContinuousDesiredAverage, TwoUnevenDoses };
} // namespace
Q_DECLARE_METATYPE(OverflowInput)

class TestForecastWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void regimenWindowWritesItsRecordAndFollowsCustomChanges();
    void openRegimenWindowFollowsEachFit();
    void designBeyondAnyEntryIsNoResult();
    void refusedEntryIsMarkedAndComputesNothing();
    void refusedLevelGivesItsReasonInTheStatusLine();
    void postColumnTellsNoPostLevelFromNoResult();
    void continuousInfusionShowsARateWithoutInterval();
    void overflowNeverReachesTheScreen_data();
    void overflowNeverReachesTheScreen();

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

// The fits of an open window are those a fresh showing gives, after Analysis and after a save.
void TestForecastWindows::openRegimenWindowFollowsEachFit()
{
    constexpr int caseNumber = 7;
    for (const char* row :
         {"INSERT INTO DoseHistory VALUES(7, 'Dose', '2024-03-01', '08:00:00', 80, "
          "'Intermittent IV - Injection', 0.5, 8, 3, 'I')",
          "INSERT INTO DoseHistory VALUES(7, 'Dose', '2024-03-02', '08:00:00', 120, "
          "'Intermittent IV - Injection', 0.5, 8, 3, 'I')",
          "INSERT INTO SerumLevel VALUES(7, '2024-03-01', '15:00:00', 1.8)",
          "INSERT INTO SerumLevel VALUES(7, '2024-03-02', '09:00:00', 9.5)"})
        QVERIFY(execute(QLatin1String(row)));
    Workspace w;
    w.session.caseNumber = caseNumber;
    w.page = openCasePage(&w.session, &w.calculator, &w.catalogue, &w.config);
    QDialog* window = w.open("button_dosage_regimen_forecast", "DosageRegimenForecast");
    type(window, "lineEdit_infusionTime", "0.5");
    type(window, "lineEdit_postLevel", "8");
    type(window, "lineEdit_postTime", "0.5");
    type(window, "lineEdit_trough", "1");
    // The designed doses of the fitted sets as the window shows them, and as showing it anew
    // works them out from the sets the case holds.
    const auto fitted = [window] {
        return QStringList{cell(window, kBayes, 0), cell(window, kLs, 0)};
    };
    const auto shownAfresh = [window, fitted] {
        window->hide();
        window->show();
        return fitted();
    };
    const QStringList firstFit = fitted();
    QVERIFY(!firstFit[0].isEmpty());

    click(w.page.get(), "button_dosage_history");
    QWidget* analysis = requireChild<QWidget>(w.page.get(), "serumLevelAnalysis");
    click(analysis, "DH_delete_2");
    click(analysis, "button_analysis");
    const QStringList byHand = fitted();
    QVERIFY(byHand[0] != firstFit[0]);
    QVERIFY(w.session.holdsStampedSet(w.session.regimenReport.fittedFrom, kBayes));
    QCOMPARE(byHand, shownAfresh());

    // One level left: the save fits the Bayesian set again and leaves no least-squares set.
    click(analysis, "SLH_delete_2");
    click(w.page.get(), "button_save");
    QVERIFY(w.session.saved);
    const QStringList atSave = fitted();
    QVERIFY(atSave[0] != byHand[0]);
    QVERIFY(w.session.holdsStampedSet(w.session.regimenReport.fittedFrom, kBayes));
    const QTableWidgetItem* leastSquares =
        requireChild<QTableWidget>(window, "tableWidget_results")->item(kLs, 0);
    QCOMPARE(leastSquares->toolTip(), QStringLiteral("Not fitted."));
    QCOMPARE(atSave, shownAfresh());
}

// A custom V of 1 mL with CL 0.465 L/h (k 465/h) asks 2.06e+202 mg for these levels.
void TestForecastWindows::designBeyondAnyEntryIsNoResult()
{
    Workspace w;
    enter(w.page.get(), "line_Custom_vdb", QStringLiteral("0.001"));
    enter(w.page.get(), "line_Custom_cl", QStringLiteral("0.465"));
    QDialog* window = w.open("button_dosage_regimen_forecast", "DosageRegimenForecast");
    type(window, "lineEdit_infusionTime", "0.5");
    type(window, "lineEdit_postLevel", "10");
    type(window, "lineEdit_postTime", "1");
    type(window, "lineEdit_trough", "1");
    QCOMPARE(cell(window, kCustom, 0), QStringLiteral("no result"));
    const QTableWidgetItem* dose =
        requireChild<QTableWidget>(window, "tableWidget_results")->item(kCustom, 0);
    QCOMPARE(dose->toolTip(), QStringLiteral("The designed dose (2.06e+202 mg) exceeds the "
                                             "largest dose an entry may hold (10000000 mg)."));
    QCOMPARE(w.session.regimenReport.dose[kCustom], forecast::kNoResult);
    QVERIFY(w.session.regimenReport.done);
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

void TestForecastWindows::refusedLevelGivesItsReasonInTheStatusLine()
{
    Workspace w;
    QDialog* window = w.open("button_dosage_regimen_forecast", "DosageRegimenForecast");
    type(window, "lineEdit_infusionTime", "1");
    type(window, "lineEdit_postLevel", "8");
    type(window, "lineEdit_postTime", "0.5");
    type(window, "lineEdit_trough", "9");
    const QString reason = requireChild<QLineEdit>(window, "lineEdit_trough")->toolTip();
    QVERIFY(!reason.isEmpty());
    QCOMPARE(requireChild<QLabel>(window, "label_status")->text(), reason);
}

// A dash where the route has no post level; "no result" where a set could not be computed.
void TestForecastWindows::postColumnTellsNoPostLevelFromNoResult()
{
    constexpr int kPost = 2;
    constexpr int kBayes = pk::kReportBayesian;
    Workspace w;
    QDialog* window = w.open("button_serum_level_forecast", "SerumLevelForecast");
    QCOMPARE(cell(window, kPop, kPost), QString()); // nothing entered yet
    type(window, "lineEdit_dose", "500");
    type(window, "lineEdit_interval", "8");
    type(window, "lineEdit_infusionTime", "1");
    type(window, "lineEdit_postTime", "1");
    QVERIFY(cell(window, kPop, kPost).toDouble() > 0);
    QCOMPARE(cell(window, kBayes, kPost), QStringLiteral("no result")); // not fitted

    chooseRoute(window, QStringLiteral("IM - Injection"));
    type(window, "lineEdit_dose", "500");
    QVERIFY(!w.session.levelForecastReport.hasPostLevel());
    QCOMPARE(cell(window, kPop, kPost), QStringLiteral("-"));
    QCOMPARE(cell(window, kBayes, kPost), QStringLiteral("-"));
}

void TestForecastWindows::continuousInfusionShowsARateWithoutInterval()
{
    constexpr int kRate = 0;
    constexpr int kInterval = 1;
    constexpr int kPerDay = 2;
    SessionData s;
    theophyllineCase(s);
    PkCalculator calculator(&s);
    DrugInfo catalogue(&s, &calculator);
    DosageRegimenForecast window(nullptr, &s, &calculator, &catalogue);
    chooseRoute(&window, QStringLiteral("Continuous IV - Injection"));
    auto* table = requireChild<QTableWidget>(&window, "tableWidget_results");
    QCOMPARE(table->horizontalHeaderItem(kRate)->text(), QStringLiteral("Rate (mg/h)"));
    type(&window, "lineEdit_average", "10");
    // 10 mg/L x 3 L/h, salt and F 1: 30 mg/h, 720 mg a day.
    QCOMPARE(cell(&window, kPop, kRate), QStringLiteral("30.00"));
    QCOMPARE(cell(&window, kPop, kInterval), QString());
    QCOMPARE(cell(&window, kPop, kPerDay), QStringLiteral("720.00"));
}

void TestForecastWindows::overflowNeverReachesTheScreen_data()
{
    QTest::addColumn<OverflowInput>("input");
    QTest::newRow("phenytoin loading dose of a desired average of 1e308")
        << PhenytoinDesiredAverage;
    QTest::newRow("continuous infusion per 24 h of a desired average of 1e307")
        << ContinuousDesiredAverage;
    QTest::newRow("the day's total of two uneven doses of 1e308") << TwoUnevenDoses;
}

// Numbers too large for any regimen are refused, so nothing overflows on screen or in the
// records the report prints.
void TestForecastWindows::overflowNeverReachesTheScreen()
{
    QFETCH(OverflowInput, input);
    const QString e307 = QStringLiteral("1") + QString(307, QLatin1Char('0'));
    const QString e308 = e307 + QLatin1Char('0');
    if (input == PhenytoinDesiredAverage) {
        phenytoincase::Case c;
        PHDosageRegimen window(nullptr, c.session.get(), &c.calculator, &c.drugs);
        phenytoincase::enter(requireChild<QLineEdit>(&window, "lineEdit_desired_avg_conc"), e308);
        phenytoincase::enter(requireChild<QLineEdit>(&window, "lineEdit_current_conc"), "5");
        QVERIFY(!showsOverflow(&window));
        QVERIFY(!c.session->phRegimenReport.done);
        return;
    }
    SessionData s;
    theophyllineCase(s);
    PkCalculator calculator(&s);
    DrugInfo catalogue(&s, &calculator);
    if (input == ContinuousDesiredAverage) {
        DosageRegimenForecast window(nullptr, &s, &calculator, &catalogue);
        chooseRoute(&window, QStringLiteral("Continuous IV - Injection"));
        type(&window, "lineEdit_average", e307);
        QVERIFY(!showsOverflow(&window));
        QVERIFY(!s.regimenReport.done);
        return;
    }
    SerumLevelForecast window(nullptr, &s, &calculator, &catalogue);
    chooseRoute(&window, QStringLiteral("Oral - Tablets"));
    requireChild<QCheckBox>(&window, "checkBox_uneven")->setChecked(true);
    const QList<QLineEdit*> day =
        requireChild<QGroupBox>(&window, "groupBox_day")->findChildren<QLineEdit*>();
    for (int row = 0; row < 2; ++row) {
        QTest::keyClicks(day[2 * row], QString::number(8 + 12 * row));
        QTest::keyClicks(day[2 * row + 1], e308);
    }
    QVERIFY(!showsOverflow(&window));
    QVERIFY(std::isfinite(s.levelForecastReport.enteredDose));
}

TALVORA_TEST_MAIN(TestForecastWindows)
#include "tst_forecastwindows.moc"
