#include "app/ProgramConfig.h"
#include "cases/CaseWindowLinks.h"
#include "cases/MainPage.h"
#include "cases/ParameterGroupView.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "platform/OleDate.h"
#include "tests/cases/tst_casepage_fixture.h"
#include "tests/support/ChildWidgets.h"
#include "tests/support/DatabaseRows.h"
#include "tests/support/DesktopLook.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"
#include "tests/support/WheelEvents.h"
#include "tests/support/WideMeasures.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QStatusBar>
#include <QToolBar>

#include <memory>

namespace
{
using testsupport::DesktopLook;
using testsupport::requireChild;

const QString ivRoute = QStringLiteral("Intermittent IV - Injection");
const QString imRoute = QStringLiteral("IM - Injection");

// Counts what the case page asks of its analysis window.
class FakeAnalysis : public QWidget, public AnalysisLink
{
    Q_OBJECT
public:
    FakeAnalysis(QWidget* parent, SessionData* session)
        : QWidget(parent, Qt::Window), session(session)
    {
    }
    QWidget* window() override { return this; }
    bool loadDoseHistory() override
    {
        ++doseLoads;
        return storedDoses;
    }
    bool loadSerumLevels() override
    {
        ++levelLoads;
        return storedLevels;
    }
    void runAnalysis() override
    {
        ++runs;
        session->doseEventCount = 3;
        session->levelCount = 2;
        emit drawGraph(48.0);
    }
    int priorSetIndex() const override { return prior; }
    QString leftOutRowsNotice() const override { return QString(); }
    QString refitChangedRows() override { return QString(); }
    bool saveDoseHistory() override
    {
        ++doseSaves;
        QSqlQuery query;
        query.prepare(QStringLiteral("INSERT INTO DoseHistory VALUES(:case,'Dose','2024-03-01',"
                                     "'08:00:00','80','IV','0.5','8','3','I')"));
        query.bindValue(QStringLiteral(":case"), session->caseNumber);
        return query.exec();
    }
    bool saveSerumLevels() override
    {
        ++levelSaves;
        if (failLevels) {
            MessageBox::about(nullptr, QStringLiteral("Information"),
                              QStringLiteral("Insert SLH fail\nlocked"));
            return false;
        }
        return true;
    }

    SessionData* session;
    bool storedDoses = false;
    bool storedLevels = false;
    bool failLevels = false;
    int prior = pk::kPopulation;
    int doseLoads = 0, levelLoads = 0, runs = 0, doseSaves = 0, levelSaves = 0;

signals:
    void drawGraph(double maxTime);
    void caseEdited();
};

// Fits a fixed Bayesian and least-squares set.
class FakeFitting : public QWidget, public FittingLink
{
    Q_OBJECT
public:
    FakeFitting(QWidget* parent, SessionData* session)
        : QWidget(parent, Qt::Window), session(session)
    {
    }
    QWidget* window() override { return this; }
    void setPrior(int setIndex, const RangeBlock& ranges) override
    {
        prior = setIndex;
        priorRanges = ranges;
    }
    void setGraphEndTime(double maxTime) override { endTime = maxTime; }
    void initFromCase() override
    {
        ++fits;
        SessionData& s = *session;
        s.pkSets[pk::kBayesian] = {0.0, 0.9, 20.0, 5.0, 1.0, 0.0, 0.0};
        s.pkSets[pk::kLeastSquares] = {0.0, 0.8, 22.0, 5.5, 1.0, 0.0, 0.0};
        s.bayesRanges[pk::kFitVd] = 2.5;
        s.lsRanges[pk::kFitVd] = 3.5;
        s.routeList = {ivRoute, ivRoute};
        // A set the run could not fit is absent.
        if (!fitted)
            s.pkSets[absentMethod][pk::kF] = -1.0;
        emit bayesDataSend();
        emit LSDataSend();
    }
    void resetControls() override { ++resets; }

    SessionData* session;
    int prior = 0;
    RangeBlock priorRanges{};
    double endTime = 0.0;
    int fits = 0, resets = 0;
    bool fitted = true;
    int absentMethod = pk::kLeastSquares;

signals:
    void bayesDataSend();
    void LSDataSend();
};

class FakeForecast : public QWidget
{
    Q_OBJECT
public:
    explicit FakeForecast(QWidget* parent) : QWidget(parent, Qt::Window) {}
    int changes = 0;
public slots:
    void custom_pk_change() { ++changes; }
    void fitted_sets_change(bool) {}
};

// A gentamicin patient as the confirmed patient form leaves the session.
void fillGentamicinCase(SessionData& s)
{
    s.loggedIn = true;
    s.userName = QStringLiteral("admin");
    s.patient.firstName = QStringLiteral("Ann");
    s.patient.lastName = QStringLiteral("Smith");
    s.patient.sex = QStringLiteral("F");
    s.patient.hospitalId = QStringLiteral("H-1");
    s.patient.drugCode = QStringLiteral("GM");
    s.patient.weightUnit = QStringLiteral("kg");
    s.patient.heightUnit = QStringLiteral("cm");
    s.patient.birthday = oleDateFromFields(1950, 7, 4).value;
    s.weightKg = 70.0;
    s.heightCm = 170.0;
    s.ageYears = 70.0;
    s.scr1 = 1.2;
    s.scr2 = -1.0;
    s.scrHoursBetween = -1.0;
    s.crcl = 61.25;
    s.albumin = 0.0;
    s.pkSets[pk::kPopulation] = {0.0, 1.0, 17.5, 4.2, 1.0, 0.0, 0.0};
    s.populationRanges[pk::kFitVd] = 0.2;
    s.populationRanges[pk::kFitCl] = 0.25;
    s.populationRanges[pk::kFitCF] = 0.1;
}

// Session, formulas and catalogue as the main window holds them.
struct Workspace {
    SessionData session;
    PkCalculator calculator{&session};
    DrugInfo catalogue{&session, &calculator};
    ProgramConfig config;

    Workspace() { fillGentamicinCase(session); }
    std::unique_ptr<MainPage> page()
    {
        return openCasePage(&session, &calculator, &catalogue, &config);
    }
};

QString text(QWidget* page, const char* name)
{
    return requireChild<QLineEdit>(page, name)->text();
}

QString labelText(QWidget* page, const char* name)
{
    return requireChild<QLabel>(page, name)->text();
}

const char* const customFields[] = {
    "line_Custom_vdb",     "line_Custom_rangevdb", "line_Custom_cl",
    "line_Custom_rangecl", "line_Custom_cf",       "line_Custom_rangecf",
    "line_Custom_kd",      "line_Custom_range4",   "line_Custom_t12"};

// A line edit shows its whole text: the text plus the field's inner margins and frame.
bool showsWholeText(const QLineEdit* field)
{
    constexpr int innerMargins = 8;
    return field->fontMetrics().horizontalAdvance(field->text()) + innerMargins <=
           field->contentsRect().width();
}
} // namespace

class TestMainPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newCaseStartsFromPopulation();
    void spreadTheFitCouldNotFormReadsNotAvailable();
    void labelsFollowTheDrug_data();
    void labelsFollowTheDrug();
    void caseAndPatientTexts_data();
    void caseAndPatientTexts();
    void ratesUnitsAndClearanceTexts_data();
    void ratesUnitsAndClearanceTexts();
    void customFieldsTakeOnlyNumbers();
    void windowsNeedValidPopulationAndMakers();
    void customEdits_data();
    void customEdits();
    void fieldLeftAsShownKeepsTheSet_data();
    void fieldLeftAsShownKeepsTheSet();
    void phenytoinComplianceSitsInFourthRow();
    void routeChoiceIsNotAnEdit();
    void wheelLeavesAnUnenteredRouteAlone();
    void resetGoesBackToSavedSet();
    void saveStoresAndDisablesButton();
    void guestModeWritesNothing();
    void failedSaveSaysSoOnce();
    void storedCaseShowsWhatWasSaved_data();
    void storedCaseShowsWhatWasSaved();
    void storedCaseMissingRouteRowFallsBack();
    void storedCaseReplaysAnalysisHidden();
    void storedCaseWithoutRowsRunsNoAnalysis();
    void runWithoutAFitEmptiesItsGroup_data();
    void runWithoutAFitEmptiesItsGroup();
    void analysisRowsShareTheSave();
    void updatePatientAsksBeforeDiscarding_data();
    void updatePatientAsksBeforeDiscarding();
    void forecastWindowsOncePerPage();
    void openingAWindowKeepsTheCaseSaved();
    void everyReportIsANewDialog();
    void longRoutesKeepTheComboNarrow();
    void pageFitsTheMainWindow_data();
    void pageFitsTheMainWindow();

private:
    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<PromptScript> prompts;
};

void TestMainPage::init()
{
    caseWindowMakers() = CaseWindowMakers{};
    env = std::make_unique<TestEnvironment>();
    QVERIFY2(env->isValid(), qPrintable(env->error()));
    QVERIFY2(env->openDefaultConnection(), qPrintable(env->error()));
    prompts = std::make_unique<PromptScript>();
}

void TestMainPage::cleanup()
{
    if (prompts)
        VERIFY_NO_UNEXPECTED_PROMPTS(*prompts);
    prompts.reset();
    env.reset();
    caseWindowMakers() = CaseWindowMakers{};
}

void TestMainPage::newCaseStartsFromPopulation()
{
    Workspace w;
    auto page = w.page();
    const SessionData& s = w.session;
    for (int slot : {pk::kVd, pk::kCl, pk::kCF}) {
        QCOMPARE(s.pkSets[pk::kCustom][slot], s.pkSets[pk::kPopulation][slot]);
        QCOMPARE(s.pkSets[pk::kSavedCustom][slot], s.pkSets[pk::kPopulation][slot]);
    }
    QCOMPARE(s.customRanges[pk::kFitVd], 0.2);
    QCOMPARE(s.savedCustomRanges[pk::kFitCl], 0.25);
    QCOMPARE(s.routeNames, (QVector<QString>{ivRoute, imRoute}));
    QCOMPARE(s.routeF.size(), 2);
    QCOMPARE(s.savedRouteFsd, s.routeFsd);
    QCOMPARE(s.pkSets[pk::kBayesian][pk::kF], -1.0);
    QCOMPARE(s.pkSets[pk::kLeastSquares][pk::kF], -1.0);

    QCOMPARE(text(page.get(), "line_Custom_vdb"), QStringLiteral("17.50"));
    QCOMPARE(text(page.get(), "line_Custom_rangevdb"), QStringLiteral("3.50"));
    QCOMPARE(text(page.get(), "line_Pop_cf"), QStringLiteral("100.00"));
    QCOMPARE(text(page.get(), "line_Pop_kd"), QStringLiteral("0.240"));
    QCOMPARE(text(page.get(), "line_Pop_t12"), QString::number(0.693 / 0.24, 'f', 2));
    QCOMPARE(labelText(page.get(), "Label_Pop_vd_u"), QStringLiteral("(0.25 L/kg)"));
    const double ivF = w.catalogue.bioavailability(ivRoute, QStringLiteral("GM"));
    QCOMPARE(text(page.get(), "line_Custom_F"), QString::number(ivF * 100.0, 'f', 2));
    QCOMPARE(s.displayedF[pk::kReportCustom], ivF);
    QCOMPARE(s.displayedF[pk::kReportPopulation], ivF);
    QVERIFY(!requireChild<QPushButton>(page.get(), "button_graph_analysis")->isEnabled());
    QVERIFY(!requireChild<QPushButton>(page.get(), "button_graph_analysis")->toolTip().isEmpty());
}

void TestMainPage::labelsFollowTheDrug_data()
{
    QTest::addColumn<QString>("drug");
    QTest::addColumn<QStringList>("labels"); // Vd, CL and k rows
    QTest::addColumn<bool>("range4Shown");
    QTest::addColumn<bool>("halfLifeShown");

    const QString beta(QChar(0x03B2));
    QTest::newRow("gentamicin") << "GM" << QStringList{"Vd", "CL", "kd"} << false << true;
    QTest::newRow("vancomycin") << "VM" << QStringList{"Vd" + beta, "CL", "  " + beta} << true
                                << true;
    QTest::newRow("phenytoin") << "PH" << QStringList{"Vd", "Km", "CF"} << true << false;
}

void TestMainPage::labelsFollowTheDrug()
{
    QFETCH(QString, drug);
    Workspace w;
    w.session.patient.drugCode = drug;
    w.session.pkSets[pk::kPopulation][pk::kKm] = 4.0;
    w.session.pkSets[pk::kPopulation][pk::kVmax] = 400.0;
    auto page = w.page();
    page->show();
    for (const char* group : {"Pop", "Custom", "Bayes", "LS"}) {
        const QString prefix = QStringLiteral("Label_%1_").arg(QLatin1String(group));
        const QStringList shown{page->findChild<QLabel*>(prefix + "Vd")->text(),
                                page->findChild<QLabel*>(prefix + "CL")->text(),
                                page->findChild<QLabel*>(prefix + "kd")->text()};
        QTEST(shown, "labels");
        QTEST(page->findChild<QLineEdit*>(QStringLiteral("line_%1_range4").arg(group))->isVisible(),
              "range4Shown");
        QTEST(page->findChild<QLineEdit*>(QStringLiteral("line_%1_t12").arg(group))->isVisible(),
              "halfLifeShown");
    }
    const bool phenytoin = drug == QLatin1String("PH");
    QCOMPARE(requireChild<QLineEdit>(page.get(), "line_Custom_kd")->isEnabled(), phenytoin);
    if (phenytoin) {
        QCOMPARE(text(page.get(), "line_Pop_cl"), QStringLiteral("4.00"));
        QCOMPARE(text(page.get(), "line_Pop_cf"), QStringLiteral("400.00"));
        QCOMPARE(text(page.get(), "line_Pop_kd"), QStringLiteral("100.00"));
        QCOMPARE(labelText(page.get(), "Label_Pop_CF_unit"), QStringLiteral("mg/day"));
        // The compliance row reads as the F row does: value, "%", "+/-", range.
        QCOMPARE(labelText(page.get(), "Label_Pop_kd_unit"), QStringLiteral("+/-"));
        QCOMPARE(labelText(page.get(), "Label_Pop_unit4"), QStringLiteral("%"));
        const auto x = [&page](const char* name) {
            return requireChild<QWidget>(page.get(), name)->geometry().center().x();
        };
        QVERIFY(x("line_Pop_kd") < x("Label_Pop_unit4"));
        QVERIFY(x("Label_Pop_unit4") < x("Label_Pop_kd_unit"));
        QVERIFY(x("Label_Pop_kd_unit") < x("line_Pop_range4"));
    }
}

void TestMainPage::caseAndPatientTexts_data()
{
    QTest::addColumn<double>("scr1");
    QTest::addColumn<int>("renalMode");
    QTest::addColumn<QStringList>("units");   // weight, height
    QTest::addColumn<QVector<bool>>("shown"); // creatinine, second creatinine
    QTest::addColumn<QStringList>("texts");   // clearance label, weight, height

    QTest::newRow("stable, kg cm")
        << 1.2 << 0 << QStringList{"kg", "cm"} << QVector<bool>{true, false}
        << QStringList{"Calculated\nCLcr", "70 kg", "170 cm"};
    QTest::newRow("changing, lb in")
        << 1.2 << 1 << QStringList{"lb", "in"} << QVector<bool>{true, true}
        << QStringList{"Calculated\nCLcr", "154.32 lb", "66.93 in"};
    QTest::newRow("entered clearance")
        << 0.0 << 0 << QStringList{"kg", "cm"} << QVector<bool>{false, false}
        << QStringList{"Entered\nCLcr", "70 kg", "170 cm"};
}

void TestMainPage::caseAndPatientTexts()
{
    QFETCH(double, scr1);
    QFETCH(int, renalMode);
    QFETCH(QStringList, units);
    QFETCH(QVector<bool>, shown);
    QFETCH(QStringList, texts);
    Workspace w;
    SessionData& s = w.session;
    s.scr1 = scr1;
    s.renalMode = quint8(renalMode);
    s.scr2 = 1.5;
    s.scrHoursBetween = 24.0;
    s.patient.weightUnit = units[0];
    s.patient.heightUnit = units[1];
    s.factorFlags[2] = 1;
    s.factorFlags[5] = 1;
    s.factorAnswers[1] = QStringLiteral("second answer");
    s.factorAnswers[4] = QStringLiteral("fifth answer");
    auto page = w.page();
    page->show();

    QCOMPARE(requireChild<QWidget>(page.get(), "widget_Crs")->isVisible(), shown[0]);
    QCOMPARE(requireChild<QWidget>(page.get(), "widget_Crs2")->isVisible(), shown[1]);
    QCOMPARE(requireChild<QWidget>(page.get(), "widget_time")->isVisible(), shown[1]);
    QCOMPARE(labelText(page.get(), "label_clcr"), texts[0]);
    QCOMPARE(text(page.get(), "Line_Weight"), texts[1]);
    QCOMPARE(text(page.get(), "Line_Height"), texts[2]);
    QCOMPARE(text(page.get(), "Line_CLcr"), QStringLiteral("61.3 mL/min"));
    QCOMPARE(text(page.get(), "Line_Birthday"), QStringLiteral("07/04/1950"));
    QCOMPARE(text(page.get(), "Line_Drug"), QStringLiteral("Gentamicin"));
    QCOMPARE(text(page.get(), "Line_Sex"), QStringLiteral("Female"));
    QVERIFY(!requireChild<QWidget>(page.get(), "widget_Albumin")->isVisible());
    QCOMPARE(labelText(page.get(), "Label_Drug_Factor1"), QStringLiteral("second answer"));
    QCOMPARE(labelText(page.get(), "Label_Drug_Factor2"), QStringLiteral("fifth answer"));
}

void TestMainPage::ratesUnitsAndClearanceTexts_data()
{
    QTest::addColumn<QString>("drug");
    QTest::addColumn<double>("vd");
    QTest::addColumn<double>("cl");
    QTest::addColumn<double>("scr1");
    QTest::addColumn<double>("crcl");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("clearance");
    QTest::newRow("slow vancomycin beta") << "VM" << 50.0 << 1.185 << 1.2 << 61.25 << "0.0237"
                                          << "61.3 mL/min";
    QTest::newRow("fast k") << "GM" << 10.0 << 15.0 << 1.2 << 61.25 << "1.50"
                            << "61.3 mL/min";
    QTest::newRow("under six months, no estimate") << "GM" << 17.5 << 4.2 << 0.4 << 0.0 << "0.240"
                                                   << "not estimated";
    QTest::newRow("entered clearance") << "GM" << 17.5 << 4.2 << 0.0 << 30.0 << "0.240"
                                       << "30.0 mL/min";
}

void TestMainPage::ratesUnitsAndClearanceTexts()
{
    QFETCH(QString, drug);
    QFETCH(double, vd);
    QFETCH(double, cl);
    QFETCH(double, scr1);
    QFETCH(double, crcl);
    Workspace w;
    w.session.patient.drugCode = drug;
    w.session.pkSets[pk::kPopulation][pk::kVd] = vd;
    w.session.pkSets[pk::kPopulation][pk::kCl] = cl;
    w.session.scr1 = scr1;
    w.session.crcl = crcl;
    auto page = w.page();
    for (const char* group : {"Pop", "Custom"})
        QTEST(text(page.get(), qPrintable(QStringLiteral("line_%1_kd").arg(group))), "rate");
    for (const char* group : {"Pop", "Custom", "Bayes", "LS"})
        QCOMPARE(labelText(page.get(), qPrintable(QStringLiteral("Label_%1_t_unit").arg(group))),
                 QStringLiteral("hr"));
    QTEST(text(page.get(), "Line_CLcr"), "clearance");
}

// Letters never reach an editable field; leaving it with no number puts the value back.
void TestMainPage::customFieldsTakeOnlyNumbers()
{
    Workspace w;
    auto page = w.page();
    for (const char* name :
         {"line_Custom_F", "line_Custom_rangeF", "line_Custom_vdb", "line_Custom_rangevdb",
          "line_Custom_cl", "line_Custom_rangecl", "line_Custom_cf", "line_Custom_rangecf"}) {
        QLineEdit* field = requireChild<QLineEdit>(page.get(), name);
        field->clear();
        QTest::keyClicks(field, "a1b2.5c");
        QVERIFY2(field->text() == QLatin1String("12.5"), name);
    }
}

void TestMainPage::windowsNeedValidPopulationAndMakers()
{
    {
        Workspace w;
        auto page = w.page();
        // No window of a higher layer is registered: their buttons are not offered.
        QVERIFY(!requireChild<QPushButton>(page.get(), "button_dosage_history")->isEnabled());
        QVERIFY(!requireChild<QPushButton>(page.get(), "button_report")->isEnabled());
        QVERIFY(labelText(page.get(), "label_warning").isEmpty());
    }
    CaseWindowMakers& makers = caseWindowMakers();
    makers.analysis = [](QWidget* p, SessionData* s, PkCalculator*, DrugInfo*) {
        return new FakeAnalysis(p, s);
    };
    makers.regimenForecast = [](QWidget* p, SessionData*, PkCalculator*, DrugInfo*) {
        return new FakeForecast(p);
    };
    makers.levelForecast = makers.regimenForecast;
    {
        Workspace w;
        auto page = w.page();
        QVERIFY(requireChild<QPushButton>(page.get(), "button_dosage_history")->isEnabled());
        QVERIFY(
            requireChild<QPushButton>(page.get(), "button_dosage_regimen_forecast")->isEnabled());
    }
    Workspace w;
    w.session.pkSets[pk::kPopulation][pk::kCl] = 0.0;
    auto page = w.page();
    QVERIFY(!requireChild<QPushButton>(page.get(), "button_dosage_history")->isEnabled());
    QVERIFY(!requireChild<QPushButton>(page.get(), "button_serum_level_forecast")->isEnabled());
    QVERIFY(!requireChild<QPushButton>(page.get(), "button_dosage_regimen_forecast")->isEnabled());
    QVERIFY(requireChild<QPushButton>(page.get(), "button_save")->isEnabled());
    QCOMPARE(labelText(page.get(), "label_warning"),
             QStringLiteral(
                 "At least one parameter is not valid. Some functions will not be available."));
}

void TestMainPage::customEdits_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("shownAfter");
    QTest::addColumn<bool>("notified");
    QTest::addColumn<int>("slot");       // custom set slot checked, 0 for none
    QTest::addColumn<double>("value");   // expected value of that slot
    QTest::addColumn<int>("rangeIndex"); // custom range checked, 0 for none
    QTest::addColumn<double>("range");

    QTest::newRow("Vd 0 refused") << "line_Custom_vdb"
                                  << "0"
                                  << "17.50" << false << int(pk::kVd) << 17.5 << 0 << 0.0;
    QTest::newRow("Vd taken") << "line_Custom_vdb"
                              << "20"
                              << "20" << true << int(pk::kVd) << 20.0 << int(pk::kFitVd)
                              << 3.5 / 20.0;
    QTest::newRow("Vd range 0 taken") << "line_Custom_rangevdb"
                                      << "0"
                                      << "0" << false << 0 << 0.0 << int(pk::kFitVd) << 0.0;
    QTest::newRow("Vd range negative") << "line_Custom_rangevdb"
                                       << "-1"
                                       << "3.50" << false << 0 << 0.0 << int(pk::kFitVd) << 0.2;
    QTest::newRow("Cl taken") << "line_Custom_cl"
                              << "7"
                              << "7" << true << int(pk::kCl) << 7.0 << int(pk::kFitCl)
                              << 1.05 / 7.0;
    QTest::newRow("CF taken") << "line_Custom_cf"
                              << "80"
                              << "80" << true << int(pk::kCF) << 0.8 << int(pk::kFitCF)
                              << 10.0 / 80.0;
    QTest::newRow("CF range") << "line_Custom_rangecf"
                              << "20"
                              << "20" << false << 0 << 0.0 << int(pk::kFitCF) << 0.2;
    QTest::newRow("k never taken") << "line_Custom_kd"
                                   << "9"
                                   << "0.240" << false << 0 << 0.0 << 0 << 0.0;
    QTest::newRow("range4 emptied") << "line_Custom_range4"
                                    << "9"
                                    << "" << false << 0 << 0.0 << 0 << 0.0;
    QTest::newRow("range not a number") << "line_Custom_rangevdb"
                                        << "abc"
                                        << "3.50" << false << 0 << 0.0 << int(pk::kFitVd) << 0.2;
    QTest::newRow("range emptied") << "line_Custom_rangecf"
                                   << ""
                                   << "10.00" << false << 0 << 0.0 << int(pk::kFitCF) << 0.1;
    QTest::newRow("not a number") << "line_Custom_cl"
                                  << "x"
                                  << "4.20" << false << int(pk::kCl) << 4.2 << 0 << 0.0;
}

void TestMainPage::customEdits()
{
    QFETCH(QString, field);
    QFETCH(QString, entry);
    QFETCH(int, slot);
    QFETCH(int, rangeIndex);
    Workspace w;
    auto page = w.page();
    w.session.saved = true;
    requireChild<QPushButton>(page.get(), "button_save")->setEnabled(false);
    QSignalSpy changes(page.get(), &MainPage::custom_pk_change);

    enter(page.get(), qPrintable(field), entry);

    QTEST(text(page.get(), qPrintable(field)), "shownAfter");
    QTEST(changes.count() == 1, "notified");
    if (slot)
        QTEST(w.session.pkSets[pk::kCustom][slot], "value");
    if (rangeIndex)
        QTEST(w.session.customRanges[rangeIndex], "range");
    // Every edit, taken or not, makes the case unsaved.
    QVERIFY(!w.session.saved);
    QVERIFY(requireChild<QPushButton>(page.get(), "button_save")->isEnabled());
    if (slot == pk::kCl && changes.count() == 1) {
        QCOMPARE(text(page.get(), "line_Custom_kd"), QStringLiteral("0.400"));
        QCOMPARE(text(page.get(), "line_Custom_t12"), QString::number(0.693 / 0.4, 'f', 2));
    }
}

void TestMainPage::fieldLeftAsShownKeepsTheSet_data()
{
    QTest::addColumn<QString>("drug");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed"); // empty: the field is left as shown
    QTest::addColumn<int>("slot");      // custom set slot the entry changes, 0 for none
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("rangeIndex"); // custom range the entry changes, 0 for none
    QTest::addColumn<double>("range");

    const QStringList bothDrugs = {"line_Custom_vdb", "line_Custom_rangevdb",
                                   "line_Custom_cl",  "line_Custom_rangecl",
                                   "line_Custom_cf",  "line_Custom_rangecf"};
    for (const QString& field : bothDrugs + QStringList{"line_Custom_F", "line_Custom_rangeF"})
        QTest::newRow(qPrintable("GM " + field)) << "GM" << field << "" << 0 << 0.0 << 0 << 0.0;
    // Phenytoin's fourth row holds its compliance factor.
    for (const QString& field : bothDrugs + QStringList{"line_Custom_kd", "line_Custom_range4"})
        QTest::newRow(qPrintable("PH " + field)) << "PH" << field << "" << 0 << 0.0 << 0 << 0.0;
    // A range left as shown keeps the width it shows around the new value.
    QTest::newRow("GM CF typed") << "GM"
                                 << "line_Custom_cf"
                                 << "80" << int(pk::kCF) << 0.8 << int(pk::kFitCF)
                                 << 0.87654321 * 100.0 * 0.1 / 80.0;
    QTest::newRow("PH Vd typed") << "PH"
                                 << "line_Custom_vdb"
                                 << "80" << int(pk::kVd) << 80.0 << int(pk::kFitVd)
                                 << 72.365562 * 0.2 / 80.0;
}

// A field the user clicks into and leaves with Tab, typing nothing, enters nothing: the custom
// set keeps the values behind the rounded texts, bit for bit, and stays the population's.
void TestMainPage::fieldLeftAsShownKeepsTheSet()
{
    QFETCH(QString, drug);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(int, slot);
    QFETCH(double, value);
    QFETCH(int, rangeIndex);
    QFETCH(double, range);
    Workspace w;
    SessionData& s = w.session;
    s.patient.drugCode = drug;
    s.pkSets[pk::kPopulation] =
        drug == "PH" ? PkParameterSet{0.0, 1.0, 72.365562, 4.2, 0.87654321, 3.834618, 449.6946}
                     : PkParameterSet{0.0, 1.0, 17.3456789, 4.23456789, 0.87654321, 0.0, 0.0};
    s.populationRanges[pk::kFitVmax] = 0.2;
    auto page = w.page();
    page->show();
    page->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(page.get()));
    // A route whose F and spread two decimals do not hold.
    s.routeF.fill(0.87654321);
    s.savedRouteF = s.routeF;
    s.routeFsd.fill(0.123456789);
    s.savedRouteFsd = s.routeFsd;
    requireChild<QComboBox>(page.get(), "comboBox_Custom_route")->setCurrentIndex(1);

    QLineEdit* entry = requireChild<QLineEdit>(page.get(), qPrintable(field));
    QTest::mouseClick(entry, Qt::LeftButton);
    QVERIFY(entry->hasFocus());
    if (!typed.isEmpty()) {
        QTest::keyClick(entry, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(entry, typed);
    }
    QTest::keyClick(entry, Qt::Key_Tab);
    QVERIFY(!entry->hasFocus());

    PkParameterSet set = s.pkSets[pk::kPopulation];
    RangeBlock ranges = s.populationRanges;
    ranges[pk::kFitF] = s.savedRouteFsd[1];
    if (slot)
        set[slot] = value;
    if (rangeIndex)
        ranges[rangeIndex] = range;
    QStringList inexact;
    const auto compare = [&](const char* what, int i, double actual, double expected) {
        if (actual != expected)
            inexact << QString("%1[%2] %3 != %4")
                           .arg(what)
                           .arg(i)
                           .arg(actual, 0, 'g', 17)
                           .arg(expected, 0, 'g', 17);
    };
    for (int i = pk::kF; i <= pk::kVmax; ++i)
        compare("custom set", i, s.pkSets[pk::kCustom][i], set[i]);
    for (int i = pk::kFitF; i <= pk::kFitVmax; ++i)
        compare("custom range", i, s.customRanges[i], ranges[i]);
    for (int i = 0; i < s.routeF.size(); ++i) {
        compare("route F", i, s.routeF[i], s.savedRouteF[i]);
        compare("route spread", i, s.routeFsd[i], s.savedRouteFsd[i]);
    }
    QVERIFY2(inexact.isEmpty(), qPrintable(inexact.join("; ")));
}

void TestMainPage::phenytoinComplianceSitsInFourthRow()
{
    Workspace w;
    w.session.patient.drugCode = QStringLiteral("PH");
    w.session.pkSets[pk::kPopulation][pk::kKm] = 4.0;
    w.session.pkSets[pk::kPopulation][pk::kVmax] = 400.0;
    auto page = w.page();
    QSignalSpy changes(page.get(), &MainPage::custom_pk_change);

    enter(page.get(), "line_Custom_kd", QStringLiteral("50"));
    QCOMPARE(w.session.pkSets[pk::kCustom][pk::kCF], 0.5);
    enter(page.get(), "line_Custom_cl", QStringLiteral("6"));
    QCOMPARE(w.session.pkSets[pk::kCustom][pk::kKm], 6.0);
    QCOMPARE(w.session.pkSets[pk::kCustom][pk::kCl], 4.2); // Cl is not Km's place
    QCOMPARE(text(page.get(), "line_Custom_kd"), QStringLiteral("50"));
    enter(page.get(), "line_Custom_cf", QStringLiteral("500"));
    QCOMPARE(w.session.pkSets[pk::kCustom][pk::kVmax], 500.0);
    QCOMPARE(changes.count(), 3);
    page->showCustomPK();
    QCOMPARE(text(page.get(), "line_Custom_kd"), QStringLiteral("50.00"));
    QCOMPARE(text(page.get(), "line_Custom_cl"), QStringLiteral("6.00"));
}

void TestMainPage::routeChoiceIsNotAnEdit()
{
    Workspace w;
    auto page = w.page();
    SessionData& s = w.session;
    s.saved = true;
    enter(page.get(), "line_Custom_F", QStringLiteral("100.01"));
    QCOMPARE(s.routeF[0], w.catalogue.bioavailability(ivRoute, QStringLiteral("GM")));
    s.saved = true;
    QComboBox* route = requireChild<QComboBox>(page.get(), "comboBox_Custom_route");
    route->setCurrentIndex(1);
    QVERIFY(s.saved);
    enter(page.get(), "line_Custom_F", QStringLiteral("100"));
    QCOMPARE(s.routeF[1], 1.0);
    enter(page.get(), "line_Custom_rangeF", QStringLiteral("10"));
    QCOMPARE(s.routeFsd[1], 0.1);
    QCOMPARE(s.customRanges[pk::kFitF], 0.1); // what the analysis takes is what is shown
    enter(page.get(), "line_Custom_F", QStringLiteral("80"));
    QCOMPARE(s.routeF[1], 0.8);
    QCOMPARE(s.routeFsd[1], 10.0 / 80.0);
    QCOMPARE(s.customRanges[pk::kFitF], 10.0 / 80.0);
    QCOMPARE(s.displayedF[pk::kReportCustom], 0.8);

    route->setCurrentIndex(0);
    QCOMPARE(text(page.get(), "line_Custom_F"), QString::number(s.routeF[0] * 100.0, 'f', 2));
    route->setCurrentIndex(1);
    QCOMPARE(text(page.get(), "line_Custom_F"), QStringLiteral("80.00"));
    QCOMPARE(text(page.get(), "line_Custom_rangeF"), QStringLiteral("10.00"));
    QCOMPARE(s.customRanges[pk::kFitF], 0.125);
}

// The wheel over a route box the user has not entered scrolls on, the route and its F as they
// were.
void TestMainPage::wheelLeavesAnUnenteredRouteAlone()
{
    Workspace w;
    auto page = w.page();
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.get()));
    QComboBox* route = requireChild<QComboBox>(page.get(), "comboBox_Custom_route");
    QVERIFY(route->count() > 1 && !route->hasFocus());
    const QString shownF = text(page.get(), "line_Custom_F");
    testsupport::turnWheel(route, route->rect().center(), -1);
    QCOMPARE(route->currentIndex(), 0);
    QCOMPARE(text(page.get(), "line_Custom_F"), shownF);
}

void TestMainPage::resetGoesBackToSavedSet()
{
    Workspace w;
    auto page = w.page();
    const SessionData& s = w.session;
    const QVector<double> startF = s.routeF;
    enter(page.get(), "line_Custom_vdb", QStringLiteral("30"));
    enter(page.get(), "line_Custom_rangecl", QStringLiteral("2"));
    enter(page.get(), "line_Custom_F", QStringLiteral("50"));
    QSignalSpy changes(page.get(), &MainPage::custom_pk_change);

    click(page.get(), "button_Custom_reset");
    QCOMPARE(changes.count(), 1);
    QCOMPARE(s.pkSets[pk::kCustom][pk::kVd], 17.5);
    QCOMPARE(s.customRanges[pk::kFitCl], 0.25);
    QCOMPARE(s.routeF, startF);
    QCOMPARE(text(page.get(), "line_Custom_vdb"), QStringLiteral("17.50"));
    QCOMPARE(text(page.get(), "line_Custom_rangecl"), QStringLiteral("1.05"));
    QCOMPARE(text(page.get(), "line_Custom_F"), QString::number(startF[0] * 100.0, 'f', 2));

    // After a save the reset returns to what was saved.
    enter(page.get(), "line_Custom_vdb", QStringLiteral("25"));
    enter(page.get(), "line_Custom_F", QStringLiteral("60"));
    click(page.get(), "button_save");
    enter(page.get(), "line_Custom_vdb", QStringLiteral("40"));
    enter(page.get(), "line_Custom_F", QStringLiteral("70"));
    click(page.get(), "button_Custom_reset");
    QCOMPARE(s.pkSets[pk::kCustom][pk::kVd], 25.0);
    QCOMPARE(s.routeF[0], 0.6);
    QCOMPARE(text(page.get(), "line_Custom_F"), QStringLiteral("60.00"));
}

void TestMainPage::saveStoresAndDisablesButton()
{
    Workspace w;
    auto page = w.page();
    QSignalSpy updates(page.get(), &MainPage::database_update);
    click(page.get(), "button_save");
    QVERIFY(w.session.saved);
    QVERIFY(!requireChild<QPushButton>(page.get(), "button_save")->isEnabled());
    QCOMPARE(updates.count(), 1);
    QCOMPARE(rowCount(QStringLiteral("Patients")), 1);
    QCOMPARE(rowCount(QStringLiteral("Cases")), 1);
    QCOMPARE(rowCount(QStringLiteral("PK")), 1);
    QCOMPARE(rowCount(QStringLiteral("CustomF")), 2);
    QVERIFY(prompts->take().empty()); // a save that succeeds says nothing

    QSqlQuery query(QStringLiteral("SELECT WT, HT, UNIT FROM Cases"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("70"));
    QCOMPARE(query.value(1).toString(), QStringLiteral("170"));
}

void TestMainPage::guestModeWritesNothing()
{
    Workspace w;
    w.session.loggedIn = false;
    auto page = w.page();
    click(page.get(), "button_save");
    const auto shown = prompts->take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Guest Mode"));
    QCOMPARE(shown[0].text, QStringLiteral("Guest mode cannot connect to database."));
    QCOMPARE(rowCount(QStringLiteral("Patients")), 0);
    QVERIFY(!w.session.saved);
}

void TestMainPage::failedSaveSaysSoOnce()
{
    QSqlQuery drop;
    QVERIFY(drop.exec(QStringLiteral("DROP TABLE PK")));
    Workspace w;
    auto page = w.page();
    QSignalSpy updates(page.get(), &MainPage::database_update);
    click(page.get(), "button_save");
    const auto shown = prompts->take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].kind, PromptKind::About);
    QCOMPARE(shown[0].title, QStringLiteral("Information"));
    QVERIFY(shown[0].text.startsWith(QStringLiteral("Add PK fail\n")));
    QVERIFY(!w.session.saved);
    QVERIFY(requireChild<QPushButton>(page.get(), "button_save")->isEnabled());
    QCOMPARE(updates.count(), 0);
    QCOMPARE(w.session.recNum, 0);
    QCOMPARE(rowCount(QStringLiteral("Patients")), 0);
}

void TestMainPage::storedCaseShowsWhatWasSaved_data()
{
    QTest::addColumn<QString>("drug");
    QTest::addColumn<QStringList>("entries"); // field=value, typed in this order

    const QStringList common{"line_Custom_F=85",     "line_Custom_rangeF=8.5",
                             "line_Custom_vdb=20",   "line_Custom_rangevdb=5",
                             "line_Custom_cl=5.123", "line_Custom_rangecl=1.2",
                             "line_Custom_cf=90",    "line_Custom_rangecf=4.5"};
    QTest::newRow("gentamicin") << "GM" << common;
    QTest::newRow("vancomycin") << "VM" << common;
    // Km in the Cl row, Vmax in the CF row and the compliance factor in the fourth row.
    QTest::newRow("phenytoin") << "PH"
                               << common +
                                      QStringList{"line_Custom_kd=80", "line_Custom_range4=12"};
}

void TestMainPage::storedCaseShowsWhatWasSaved()
{
    QFETCH(QString, drug);
    QFETCH(QStringList, entries);
    Workspace first;
    first.session.patient.drugCode = drug;
    first.session.pkSets[pk::kPopulation][pk::kKm] = 4.0;
    first.session.pkSets[pk::kPopulation][pk::kVmax] = 400.0;
    auto page = first.page();
    QComboBox* route = requireChild<QComboBox>(page.get(), "comboBox_Custom_route");
    const int lastRoute = route->count() - 1;
    route->setCurrentIndex(lastRoute);
    for (const QString& typed : qAsConst(entries)) {
        const QStringList parts = typed.split(QLatin1Char('='));
        enter(page.get(), qPrintable(parts[0]), parts[1]);
    }
    click(page.get(), "button_save");
    QVERIFY(first.session.saved);

    Workspace second; // the confirmed form of the stored case
    second.session.patient.drugCode = drug;
    second.session.pkSets[pk::kPopulation][pk::kKm] = 4.0;
    second.session.pkSets[pk::kPopulation][pk::kVmax] = 400.0;
    second.session.recNum = first.session.recNum;
    second.session.caseNumber = first.session.caseNumber;
    auto reopened = second.page();
    const auto stored = [](const QString& shown) {
        return QString::number(shown.toDouble(), 'f', 2).toDouble();
    };
    for (const char* field : customFields)
        QCOMPARE(stored(text(reopened.get(), field)), stored(text(page.get(), field)));
    for (int i = 0; i <= lastRoute; ++i) {
        route->setCurrentIndex(i);
        requireChild<QComboBox>(reopened.get(), "comboBox_Custom_route")->setCurrentIndex(i);
        for (const char* field : {"line_Custom_F", "line_Custom_rangeF"})
            QCOMPARE(text(reopened.get(), field),
                     QString::number(text(page.get(), field).toDouble(), 'f', 2));
    }
    QCOMPARE(text(reopened.get(), "line_Custom_F"), QStringLiteral("85.00"));
    QCOMPARE(text(reopened.get(), "line_Custom_rangeF"), QStringLiteral("8.50"));
    QCOMPARE(second.session.savedRouteF, second.session.routeF);
    QCOMPARE(second.session.pkSets[pk::kSavedCustom][pk::kVd], 20.0);
}

void TestMainPage::storedCaseMissingRouteRowFallsBack()
{
    Workspace first;
    auto page = first.page();
    enter(page.get(), "line_Custom_F", QStringLiteral("70"));
    requireChild<QComboBox>(page.get(), "comboBox_Custom_route")->setCurrentIndex(1);
    enter(page.get(), "line_Custom_F", QStringLiteral("60"));
    click(page.get(), "button_save");
    QSqlQuery drop;
    QVERIFY(drop.exec(
        QStringLiteral("DELETE FROM CustomF WHERE ROUTE = 'Intermittent IV - Injection'")));

    Workspace second;
    second.session.caseNumber = first.session.caseNumber;
    auto reopened = second.page();
    const double catalogueF = second.catalogue.bioavailability(ivRoute, QStringLiteral("GM"));
    QCOMPARE(second.session.routeNames, (QVector<QString>{ivRoute, imRoute}));
    QCOMPARE(second.session.routeF, (QVector<double>{catalogueF, 0.6}));
    QCOMPARE(text(reopened.get(), "line_Custom_F"), QString::number(catalogueF * 100.0, 'f', 2));
}

void TestMainPage::storedCaseReplaysAnalysisHidden()
{
    FakeAnalysis* analysis = nullptr;
    FakeFitting* fitting = nullptr;
    CaseWindowMakers& makers = caseWindowMakers();
    makers.analysis = [&](QWidget* p, SessionData* s, PkCalculator*, DrugInfo*) {
        analysis = new FakeAnalysis(p, s);
        analysis->storedLevels = true;
        analysis->prior = pk::kCustom;
        return analysis;
    };
    makers.fitting = [&](QWidget* p, SessionData* s, PkCalculator*, DrugInfo*) {
        fitting = new FakeFitting(p, s);
        return fitting;
    };
    Workspace w;
    w.session.caseNumber = 5; // stored, without PK or custom F rows
    w.session.recNum = 3;
    auto page = w.page();

    QVERIFY(analysis && fitting);
    QCOMPARE(analysis->doseLoads, 1);
    QCOMPARE(analysis->levelLoads, 1);
    QCOMPARE(analysis->runs, 1);
    QCOMPARE(fitting->fits, 1);
    QCOMPARE(fitting->resets, 0);
    QCOMPARE(fitting->endTime, 48.0);
    QCOMPARE(fitting->prior, int(pk::kCustom));
    QCOMPARE(fitting->priorRanges[pk::kFitVd], w.session.customRanges[pk::kFitVd]);
    QVERIFY(!analysis->isVisible());
    QVERIFY(!fitting->isVisible());
    QVERIFY(!w.session.saved);
    QVERIFY(requireChild<QPushButton>(page.get(), "button_graph_analysis")->isEnabled());
    QVERIFY(requireChild<QPushButton>(page.get(), "button_graph_analysis")->toolTip().isEmpty());
    QCOMPARE(text(page.get(), "line_Bayes_vdb"), QStringLiteral("20.00"));
    QCOMPARE(text(page.get(), "line_Bayes_rangevdb"), QStringLiteral("2.50"));
    QCOMPARE(text(page.get(), "line_Bayes_F"), QStringLiteral("90.00"));
    QCOMPARE(text(page.get(), "line_LS_vdb"), QStringLiteral("22.00"));
    QCOMPARE(requireChild<QComboBox>(page.get(), "comboBox_Bayes_route")->count(), 1);
    QCOMPARE(w.session.displayedF[pk::kReportLeastSquares], 0.8);
    // A stored case without custom rows starts from the population and the catalogue.
    QCOMPARE(w.session.pkSets[pk::kCustom][pk::kVd], 17.5);
    QCOMPARE(w.session.routeF.size(), 2);

    // Later runs are shown and reset the fitting window's controls.
    click(page.get(), "button_dosage_history");
    QVERIFY(analysis->isVisible());
    analysis->runAnalysis();
    QCOMPARE(fitting->resets, 1);
    QVERIFY(fitting->isVisible());
}

void TestMainPage::storedCaseWithoutRowsRunsNoAnalysis()
{
    FakeAnalysis* analysis = nullptr;
    caseWindowMakers().analysis = [&](QWidget* p, SessionData* s, PkCalculator*, DrugInfo*) {
        analysis = new FakeAnalysis(p, s);
        return analysis;
    };
    caseWindowMakers().fitting = [](QWidget* p, SessionData* s, PkCalculator*, DrugInfo*) {
        return new FakeFitting(p, s);
    };
    Workspace w;
    w.session.caseNumber = 5;
    auto page = w.page();
    QVERIFY(analysis);
    QCOMPARE(analysis->runs, 0);
    QVERIFY(!requireChild<QPushButton>(page.get(), "button_graph_analysis")->isEnabled());
    QCOMPARE(
        requireChild<QPushButton>(page.get(), "button_graph_analysis")->toolTip(),
        QStringLiteral("Grapic Analysis will be avaliable when Dosage History has been entered."));
}

void TestMainPage::analysisRowsShareTheSave()
{
    FakeAnalysis* analysis = nullptr;
    caseWindowMakers().analysis = [&](QWidget* p, SessionData* s, PkCalculator*, DrugInfo*) {
        analysis = new FakeAnalysis(p, s);
        return analysis;
    };
    Workspace w;
    auto page = w.page();
    click(page.get(), "button_save"); // no analysis window yet: its tables are not touched
    QCOMPARE(rowCount(QStringLiteral("Cases")), 1);
    QVERIFY(!analysis);

    click(page.get(), "button_dosage_history");
    QVERIFY(analysis && analysis->isVisible());
    analysis->failLevels = true;
    enter(page.get(), "line_Custom_vdb", QStringLiteral("30"));
    click(page.get(), "button_save");
    const auto shown = prompts->take();
    QCOMPARE(int(shown.size()), 1); // only the analysis window's own box
    QVERIFY(shown[0].text.startsWith(QStringLiteral("Insert SLH fail\n")));
    QCOMPARE(analysis->doseSaves, 1);
    QCOMPARE(rowCount(QStringLiteral("DoseHistory")), 0);
    QSqlQuery vd(QStringLiteral("SELECT VD FROM PK"));
    QVERIFY(vd.next());
    QCOMPARE(vd.value(0).toString(), QStringLiteral("17.5"));
    QVERIFY(!w.session.saved);

    analysis->failLevels = false;
    click(page.get(), "button_save");
    QVERIFY(w.session.saved);
    QCOMPARE(analysis->levelSaves, 2);
    QCOMPARE(rowCount(QStringLiteral("DoseHistory")), 1);
}

void TestMainPage::updatePatientAsksBeforeDiscarding_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("formShown");
    QTest::addColumn<int>("casesStored");
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << false << 0;
    QTest::newRow("discard") << int(QMessageBox::Discard) << true << 0;
    QTest::newRow("save") << int(QMessageBox::Save) << true << 1;
}

void TestMainPage::updatePatientAsksBeforeDiscarding()
{
    QFETCH(int, answer);
    Workspace w;
    auto page = w.page();
    QSignalSpy form(page.get(), &MainPage::show_currentpatient);
    MessageBox::setNextAnswer(QMessageBox::StandardButton(answer));
    click(page.get(), "Button_Update_Patient_Case");
    const auto shown = prompts->take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].kind, PromptKind::SaveDiscardCancel);
    QTEST(form.count() == 1, "formShown");
    QTEST(rowCount(QStringLiteral("Cases")), "casesStored");

    // A saved page has nothing to lose: no question.
    if (answer == QMessageBox::Save) {
        w.session.saved = true;
        click(page.get(), "Button_Update_Patient_Case");
        QVERIFY(prompts->take().empty());
        QCOMPARE(form.count(), 2);
        QVERIFY(!w.session.saved);
    }
}

void TestMainPage::forecastWindowsOncePerPage()
{
    QVector<FakeForecast*> made;
    QStringList kinds;
    const auto maker = [&](const QString& kind) {
        return [&, kind](QWidget* p, SessionData*, PkCalculator*, DrugInfo*) -> QWidget* {
            kinds << kind;
            made << new FakeForecast(p);
            return made.last();
        };
    };
    CaseWindowMakers& makers = caseWindowMakers();
    makers.regimenForecast = maker(QStringLiteral("regimen"));
    makers.levelForecast = maker(QStringLiteral("level"));
    makers.phenytoinRegimen = maker(QStringLiteral("phenytoin regimen"));
    makers.phenytoinLevelForecast = maker(QStringLiteral("phenytoin level"));
    {
        Workspace w;
        auto page = w.page();
        click(page.get(), "button_dosage_regimen_forecast");
        click(page.get(), "button_dosage_regimen_forecast");
        page->mainwindow_serum_level_forecast();
        QCOMPARE(kinds, (QStringList{"regimen", "level"}));
        QVERIFY(made[0]->isVisible());
        enter(page.get(), "line_Custom_vdb", QStringLiteral("19"));
        enter(page.get(), "line_Custom_rangevdb", QStringLiteral("2"));
        QCOMPARE(made[0]->changes, 1);
        QCOMPARE(made[1]->changes, 1);
    }
    kinds.clear();
    Workspace w;
    w.session.patient.drugCode = QStringLiteral("PH");
    auto page = w.page();
    click(page.get(), "button_dosage_regimen_forecast");
    click(page.get(), "button_serum_level_forecast");
    QCOMPARE(kinds, (QStringList{"phenytoin regimen", "phenytoin level"}));
}

void TestMainPage::openingAWindowKeepsTheCaseSaved()
{
    FakeAnalysis* analysis = nullptr;
    CaseWindowMakers& makers = caseWindowMakers();
    makers.analysis = [&](QWidget* p, SessionData* s, PkCalculator*, DrugInfo*) {
        analysis = new FakeAnalysis(p, s);
        return analysis;
    };
    makers.fitting = [](QWidget* p, SessionData* s, PkCalculator*, DrugInfo*) {
        return new FakeFitting(p, s);
    };
    makers.regimenForecast = [](QWidget* p, SessionData*, PkCalculator*, DrugInfo*) {
        return new FakeForecast(p);
    };
    Workspace w;
    auto page = w.page();
    QVERIFY(!w.session.saved); // a case fresh from the form is not stored yet
    w.session.saved = true;
    page->mainwindow_serum_level_analysis();
    page->mainwindow_dosage_regimen_forecast();
    page->mainwindow_serum_level_forecast(); // not registered: nothing opens
    QVERIFY(analysis && analysis->isVisible());
    QVERIFY(w.session.saved);
    emit analysis->caseEdited();
    QVERIFY(!w.session.saved);
    w.session.saved = true;
    analysis->runAnalysis();
    QVERIFY(!w.session.saved);

    // The menu opens nothing the page's buttons do not offer.
    analysis = nullptr;
    Workspace unusable;
    unusable.session.pkSets[pk::kPopulation][pk::kVd] = 0.0;
    auto other = unusable.page();
    other->mainwindow_serum_level_analysis();
    QVERIFY(!analysis);
}

void TestMainPage::runWithoutAFitEmptiesItsGroup_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("group");
    QTest::newRow("least squares") << int(pk::kLeastSquares) << "LS";
    QTest::newRow("Bayesian") << int(pk::kBayesian) << "Bayes";
}

// A later run that leaves a set without a fit shows no values of the earlier fit.
void TestMainPage::runWithoutAFitEmptiesItsGroup()
{
    QFETCH(int, method);
    QFETCH(QString, group);
    FakeAnalysis* analysis = nullptr;
    FakeFitting* fitting = nullptr;
    CaseWindowMakers& makers = caseWindowMakers();
    makers.analysis = [&](QWidget* p, SessionData* s, PkCalculator*, DrugInfo*) {
        return analysis = new FakeAnalysis(p, s);
    };
    makers.fitting = [&](QWidget* p, SessionData* s, PkCalculator*, DrugInfo*) {
        return fitting = new FakeFitting(p, s);
    };
    Workspace w;
    auto page = w.page();
    click(page.get(), "button_dosage_history");
    analysis->runAnalysis();
    const QString vd = QStringLiteral("line_%1_vdb").arg(group);
    QVERIFY(!text(page.get(), qPrintable(vd)).isEmpty());

    fitting->fitted = false;
    fitting->absentMethod = method;
    analysis->runAnalysis();
    for (const char* field : {"F", "rangeF", "vdb", "cl", "cf", "kd", "t12"})
        QVERIFY2(
            text(page.get(), qPrintable(QStringLiteral("line_%1_%2").arg(group, field))).isEmpty(),
            field);
    QCOMPARE(
        requireChild<QComboBox>(page.get(), qPrintable("comboBox_" + group + "_route"))->count(),
        0);
    QVERIFY(!(w.session.displayedF[method == pk::kBayesian ? pk::kReportBayesian
                                                           : pk::kReportLeastSquares] > 0.0));
}

void TestMainPage::everyReportIsANewDialog()
{
    QVector<QDialog*> reports;
    AnalysisLink* handed = reinterpret_cast<AnalysisLink*>(1);
    caseWindowMakers().report = [&](QWidget* p, SessionData*, PkCalculator*, DrugInfo*,
                                    ProgramConfig*, AnalysisLink* analysis) {
        handed = analysis;
        reports << new QDialog(p);
        return reports.last();
    };
    Workspace w;
    auto page = w.page();
    Modal::setNextResult(QDialog::Accepted);
    Modal::setNextResult(QDialog::Accepted);
    click(page.get(), "button_report");
    click(page.get(), "button_report");
    QCOMPARE(reports.size(), 2);
    QVERIFY(reports[0] != reports[1]);
    QVERIFY(handed == nullptr);
}

// The page keeps its width whatever the drug's route texts; the whole text is in the list and
// in the tooltip.
void TestMainPage::longRoutesKeepTheComboNarrow()
{
    Workspace w;
    w.session.patient.drugCode = QStringLiteral("VP");
    auto page = w.page();
    for (const char* name : {"comboBox_Pop_route", "comboBox_Custom_route"}) {
        QComboBox* route = requireChild<QComboBox>(page.get(), name);
        QVERIFY(route->count() > 1);
        int longest = 0;
        for (int item = 0; item < route->count(); ++item)
            longest =
                std::max(longest, route->fontMetrics().horizontalAdvance(route->itemText(item)));
        QVERIFY2(route->sizeHint().width() < longest, name);
        QVERIFY2(route->view()->minimumWidth() >= longest, name);
        route->setCurrentIndex(route->count() - 1);
        QCOMPARE(route->toolTip(), route->currentText());
    }
}

void TestMainPage::pageFitsTheMainWindow_data()
{
    QTest::addColumn<QString>("drug");
    QTest::addColumn<QString>("styleSheet");
    QTest::newRow("one compartment, plain") << "GM" << QString();
    QTest::newRow("one compartment, default style") << "GM"
                                                    << ":/stylesheet/style2.qss";
    QTest::newRow("vancomycin") << "VM"
                                << ":/stylesheet/style1.qss";
    QTest::newRow("phenytoin") << "PH"
                               << ":/stylesheet/style4.qss";
}

void TestMainPage::pageFitsTheMainWindow()
{
    QFETCH(QString, drug);
    QFETCH(QString, styleSheet);
    const DesktopLook look(styleSheet.isEmpty() ? QString()
                                                : SessionData::readTextFile(styleSheet));
    QVERIFY2(look.fontProblem().isEmpty(), qPrintable(look.fontProblem()));
    // The fullest case: two creatinine values, albumin, two factors and wide values.
    Workspace w;
    SessionData& s = w.session;
    s.patient.drugCode = drug;
    setWideMeasures(s);
    s.crcl = 120.5;
    s.factorFlags[1] = s.factorFlags[2] = 1;
    s.factorAnswers[0] = QStringLiteral(" Critically ill or ICU patient. ");
    s.factorAnswers[1] = QStringLiteral(" Patient has cystic fibrosis. ");
    s.pkSets[pk::kPopulation] = {0.0, 1.0, 120.5, 10.25, 1.0, 450.0, 0.0};

    // The main window: 1024 x 768 with its menu, tool and status bars.
    QMainWindow window;
    window.resize(1024, 768);
    for (const char* menu : {"File", "Analysis", "Settings", "Help"})
        window.menuBar()->addMenu(QLatin1String(menu));
    window.addToolBar(new QToolBar);
    window.setStatusBar(new QStatusBar);
    window.setCentralWidget(new QWidget);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QSize room = window.centralWidget()->size();

    MainPage* page = w.page().release();
    window.setCentralWidget(page);
    QTest::qWait(0);
    const QSize needed = page->minimumSizeHint();
    QVERIFY2(needed.height() <= room.height() && needed.width() <= room.width(),
             qPrintable(QStringLiteral("needs %1 x %2, has %3 x %4")
                            .arg(needed.width())
                            .arg(needed.height())
                            .arg(room.width())
                            .arg(room.height())));
    QCOMPARE(page->size(), room);

    // Side by side, the population and custom groups keep their rows level.
    for (const char* row : {"F", "vdb", "cl", "cf", "kd"}) {
        const auto top = [&](const char* group) {
            const QWidget* field = requireChild<QLineEdit>(
                page, qPrintable(QStringLiteral("line_%1_%2").arg(group, row)));
            return field->mapTo(page, QPoint(0, 0)).y();
        };
        QVERIFY2(top("Pop") == top("Custom"), row);
    }

    for (const char* name : {"lineEdit_body_mass_index",
                             "lineEdit_body_surface_area",
                             "lineEdit_ideal_body_weight",
                             "lineEdit_lean_body_mass",
                             "Line_Weight",
                             "Line_Height",
                             "Line_Birthday",
                             "Line_Drug",
                             "Line_Crs",
                             "Line_Crs2",
                             "Line_Time",
                             "Line_CLcr",
                             "Line_Albumin",
                             "line_Pop_F",
                             "line_Pop_vdb",
                             "line_Pop_rangevdb",
                             "line_Pop_cl",
                             "line_Pop_cf",
                             "line_Custom_F",
                             "line_Custom_vdb",
                             "line_Custom_cl",
                             "line_Custom_cf",
                             "line_Custom_rangecf"}) {
        QLineEdit* field = requireChild<QLineEdit>(page, name);
        QVERIFY2(!field->text().isEmpty() && field->isVisible(), name);
        QVERIFY2(
            showsWholeText(field),
            qPrintable(QStringLiteral("%1 cuts \"%2\"").arg(QLatin1String(name), field->text())));
    }
}

// A fit without a covariance marks its spreads negative; they never read as a number.
void TestMainPage::spreadTheFitCouldNotFormReadsNotAvailable()
{
    const PkParameterSet set{0.0, 0.9, 20.0, 5.0, 1.0, 0.0, 0.0};
    RangeBlock spreads{};
    spreads.fill(-1.0);
    spreads[pk::kFitVd] = 2.5;
    const ParameterGroupView::Texts texts =
        ParameterGroupView::fittedTexts(set, spreads, false, 70.0);
    QCOMPARE(texts.vdRange, QStringLiteral("2.50"));
    for (const QString& spread : {texts.fRange, texts.clRange, texts.cfRange})
        QCOMPARE(spread, QStringLiteral("not available"));
}

TALVORA_TEST_MAIN(TestMainPage)
#include "tst_mainpage.moc"
