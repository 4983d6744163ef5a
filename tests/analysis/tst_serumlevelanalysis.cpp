#include "analysis/CatalogueHooks.h"
#include "analysis/graphicAnalysis.h"
#include "analysis/serumLevelAnalysis.h"
#include "app/ProgramConfig.h"
#include "cases/MainPage.h"
#include "cases/userChoice.h"
#include "pkcore/DrugCodes.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "tests/support/ChildWidgets.h"
#include "tests/support/DatabaseRows.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"
#include "tests/support/WheelEvents.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeEdit>
#include <QTimer>

#include <memory>

namespace
{
using testsupport::requireChild;

const QString ivRoute = QStringLiteral("Intermittent IV - Injection");
const QString imRoute = QStringLiteral("IM - Injection");

// A patient whose population parameters the drug's calculator works out.
struct Workspace {
    SessionData session;
    PkCalculator calculator{&session};
    DrugInfo catalogue{&session, &calculator};
    ProgramConfig config;

    explicit Workspace(const QString& drug)
    {
        SessionData& s = session;
        s.loggedIn = true;
        s.userName = QStringLiteral("admin");
        s.patient.firstName = QStringLiteral("Ann");
        s.patient.lastName = QStringLiteral("Smith");
        s.patient.sex = QStringLiteral("F");
        s.patient.drugCode = drug;
        s.patient.weightUnit = QStringLiteral("kg");
        s.patient.heightUnit = QStringLiteral("cm");
        s.weightKg = 70.0;
        s.heightCm = 170.0;
        s.ageYears = 60.0;
        s.scr1 = 1.0;
        s.crcl = 70.0;
        s.albumin = 4.0;
        s.userChoice.oralFormText = QStringLiteral("SIMPLE TABS");
        s.userChoice.oralSaltText = QStringLiteral("0.9");
        s.userChoice.oralKaText = QStringLiteral("1.5");
        s.userChoice.oralFText = QStringLiteral("80");
        s.userChoice.imSaltText = QStringLiteral("1");
        s.userChoice.imKaText = QStringLiteral("3");
        s.userChoice.imFText = QStringLiteral("100");
        if (drug == QLatin1String("GM"))
            catalogue.populationPkAminoglycoside();
        else if (drug == QLatin1String("DG"))
            catalogue.populationPkDigoxin();
        else if (drug == QLatin1String("TH"))
            catalogue.populationPkTheophylline();
        else if (drug == QLatin1String("PH"))
            catalogue.populationPkPhenytoin();
        else if (drug == QLatin1String("ZZ")) {
            // The user's-choice drug takes its parameters from its own dialog.
            s.pkSets[pk::kPopulation][pk::kVd] = 30.0;
            s.pkSets[pk::kPopulation][pk::kCl] = 3.0;
            s.pkSets[pk::kPopulation][pk::kCF] = 1.0;
        }
    }
    std::unique_ptr<serumLevelAnalysis> window()
    {
        return std::make_unique<serumLevelAnalysis>(nullptr, &session, &calculator, &catalogue);
    }
    std::unique_ptr<MainPage> page()
    {
        auto page = std::make_unique<MainPage>(nullptr, &session, &calculator, &catalogue, &config);
        page->showPopulationPK();
        page->showCustomPK();
        return page;
    }
};

template <typename T> T* cell(QWidget* w, const char* prefix, int row)
{
    return requireChild<T>(w, QLatin1String(prefix) + QString::number(row));
}

// Text typed into a field of a row, then the field left.
void type(QWidget* w, const char* prefix, int row, const QString& text)
{
    QLineEdit* field = cell<QLineEdit>(w, prefix, row);
    field->setText(text);
    field->setModified(true);
    emit field->editingFinished();
}

void click(QWidget* w, const char* name)
{
    requireChild<QAbstractButton>(w, name)->click();
}

void chooseRoute(QWidget* w, int row, const QString& route)
{
    QComboBox* box = cell<QComboBox>(w, "DH_route_", row);
    box->setCurrentIndex(box->findText(route));
}

// A dose row typed in the order a user fills it: dose first, which brings the routes.
void typeDoseRow(QWidget* w, int row, QDateTime start, const QString& route, const QString& dose,
                 const QString& infusion, const QString& interval, const QString& count)
{
    cell<QDateEdit>(w, "DH_date_", row)->setDate(start.date());
    emit cell<QDateEdit>(w, "DH_date_", row)->editingFinished();
    cell<QTimeEdit>(w, "DH_time_", row)->setTime(start.time());
    emit cell<QTimeEdit>(w, "DH_time_", row)->editingFinished();
    type(w, "DH_dose_", row, dose);
    chooseRoute(w, row, route);
    type(w, "DH_infusiontime_", row, infusion);
    type(w, "DH_interval_", row, interval);
    type(w, "DH_numofdose_", row, count);
}

void typeLevel(QWidget* w, int row, QDateTime when, const QString& level)
{
    cell<QDateEdit>(w, "SLH_date_", row)->setDate(when.date());
    emit cell<QDateEdit>(w, "SLH_date_", row)->editingFinished();
    cell<QTimeEdit>(w, "SLH_time_", row)->setTime(when.time());
    emit cell<QTimeEdit>(w, "SLH_time_", row)->editingFinished();
    type(w, "SLH_level_", row, level);
}

QString tip(QWidget* w, const char* prefix, int row)
{
    return cell<QLabel>(w, prefix, row)->toolTip();
}

// The status icon, as the name of the picture it shows.
QString icon(QWidget* w, const char* prefix, int row)
{
    const QImage shown = cell<QLabel>(w, prefix, row)->pixmap(Qt::ReturnByValue).toImage();
    for (const char* name : {"green-check", "warning", "empty"}) {
        if (shown == QPixmap(QStringLiteral(":/image/%1.png").arg(QLatin1String(name))).toImage())
            return QLatin1String(name);
    }
    return QStringLiteral("?");
}

const QDateTime day1(QDate(2024, 3, 1), QTime(8, 0));
const QString dateFormat = QStringLiteral("MM/dd/yyyy");
const QString timeFormat = QStringLiteral("hh:mm");

// The record behind a row's date or time field, as the field shows it.
QString recorded(const serumLevelAnalysis& w, const QString& field)
{
    const int i = field.section(QLatin1Char('_'), -1).toInt() - 1;
    const bool dose = field.startsWith(QLatin1String("DH_"));
    if (field.contains(QLatin1String("_date_")))
        return (dose ? w.doseRecords()[i].date : w.levelRecords()[i].date).toString(dateFormat);
    return (dose ? w.doseRecords()[i].time : w.levelRecords()[i].time).toString(timeFormat);
}

// Offscreen makes an open menu the active window, and as it goes takes the focus from the field
// as leaving it does. A window manager keeps the field's window active under its menu, so that
// only the menu's own doing ends the entry; so does this, and says whether it could.
bool keepWindowActiveUnder(QWidget* window)
{
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        return true;
    window->windowHandle()->requestActivate();
    // The platform's activations arrive in order: the menu's, then the window's again.
    QCoreApplication::processEvents();
    return QTest::qWaitFor(
        [window] { return QGuiApplication::focusWindow() == window->windowHandle(); });
}

// The Paste of the field's own context menu, opened by a right click on the field's text in its
// window, chosen as a user would.
void pasteFromMenu(QLineEdit* text)
{
    QWidget* window = text->window();
    QTimer::singleShot(0, [window] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        if (!keepWindowActiveUnder(window)) {
            menu->close();
            QFAIL("The field's window did not stay active under its menu.");
        }
        const QList<QAction*> actions = menu->actions();
        const auto pasteAction = std::find_if(actions.begin(), actions.end(), [](QAction* a) {
            return a->text().remove(QLatin1Char('&')).startsWith(QLatin1String("Paste"));
        });
        QVERIFY(pasteAction != actions.end());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(*pasteAction).center());
    });
    const QPoint at = text->mapTo(window, QPoint(4, text->height() / 2));
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, at);
    QVERIFY(window->isActiveWindow());
}

// One entry into the field, the field then left by Tab unless the entry ends "not left".
void enter(QWidget* window, QDateTimeEdit* edit, const QString& entry, const QString& typed)
{
    auto* text = requireChild<QLineEdit>(edit, QStringLiteral("qt_spinbox_lineedit"));
    const QPoint onText(4, text->height() / 2);
    if (entry.startsWith(QLatin1String("click")) || entry == QLatin1String("select all")) {
        QTest::mouseClick(text, Qt::LeftButton, {}, onText);
        if (entry == QLatin1String("select all"))
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), edit);
    } else if (entry.startsWith(QLatin1String("double click"))) {
        QTest::mouseDClick(text, Qt::LeftButton, {}, onText);
        QVERIFY(text->selectedText() != text->text());
    } else if (!entry.contains(QLatin1String("click"))) {
        QWidget* before = requireChild<QWidget>(window, entry.section(QLatin1String(", "), 0, 0));
        before->setFocus();
        QTest::keyClick(before, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), edit);
    }

    if (entry.contains(QLatin1String("menu paste"))) {
        if (entry.contains(QLatin1String("typing"))) {
            QTest::keyClicks(edit, QStringLiteral("1"));
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        }
        QApplication::clipboard()->setText(typed);
        pasteFromMenu(text);
    } else if (entry == QLatin1String("middle click")) {
        QApplication::clipboard()->setText(typed, QClipboard::Selection);
        QTest::mouseClick(text, Qt::MiddleButton, {}, onText);
    } else if (entry.endsWith(QLatin1String("paste"))) {
        QApplication::clipboard()->setText(typed);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    } else {
        QTest::keyClicks(edit, typed);
    }
    QCOMPARE(QApplication::focusWidget(), edit);
    if (!entry.endsWith(QLatin1String("not left")))
        QTest::keyClick(edit, Qt::Key_Tab);
}

QStringList column(const QString& sql)
{
    QStringList values;
    QSqlQuery query(sql);
    while (query.next())
        values << query.value(0).toString();
    return values;
}

// A row as the window stores it: numbers as real values.
void storeDose(int caseNumber, const QString& date, const QString& time, double dose,
               const QString& route, double infusion)
{
    QSqlQuery q;
    q.prepare(
        QStringLiteral("INSERT INTO DoseHistory VALUES(?, 'Dose', ?, ?, ?, ?, ?, ?, ?, 'I')"));
    for (const QVariant& v : {QVariant(caseNumber), QVariant(date), QVariant(time), QVariant(dose),
                              QVariant(route), QVariant(infusion), QVariant(8.0), QVariant(3.0)})
        q.addBindValue(v);
    QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
}

void storeLevel(int caseNumber, const QString& date, const QString& time, double level)
{
    QSqlQuery q;
    q.prepare(QStringLiteral("INSERT INTO SerumLevel VALUES(?, ?, ?, ?)"));
    for (const QVariant& v :
         {QVariant(caseNumber), QVariant(date), QVariant(time), QVariant(level)})
        q.addBindValue(v);
    QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
}
} // namespace

class TestSerumLevelAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newWindowShowsTheCase_data();
    void newWindowShowsTheCase();
    void rowIsCheckedAsTyped_data();
    void rowIsCheckedAsTyped();
    void levelDuringInfusionNamesTheRow_data();
    void levelDuringInfusionNamesTheRow();
    void copyClearAndSortKeepRowsAndIcons();
    void storedRowsSurviveOpenSaveCycles_data();
    void storedRowsSurviveOpenSaveCycles();
    void emptiedStoredRowsGoAtSave_data();
    void emptiedStoredRowsGoAtSave();
    void storedLevelWithoutValueIsKept();
    void rowsBeyondTheWindowAreReportedAndKept();
    void failedLoadRefusesTheSave();
    void onlyTypingMarksTheCaseUnsaved();
    void failingInsertRollsBackTheCaseSave_data();
    void failingInsertRollsBackTheCaseSave();
    void reopenedCaseGivesTheEngineFits();
    void reopenedRowsComeInTimeOrder();
    void savedFitsAreThoseOfTheSavedRows_data();
    void savedFitsAreThoseOfTheSavedRows();
    void customFTypedAfterAnalysisIsSavedAsReopened();
    void databaseWithoutThePriorTableReadsAsPopulation();
    void historyPastTheLimitIsSavedAndReopenedAlike();
    void tooLongHistoryIsRefused();
    void historyPastThePhenytoinGridIsRefusedWithItsLimit();
    void refusedAnalysisKeepsTheLastOne();
    void badNumbersEmptyTheField_data();
    void badNumbersEmptyTheField();
    void typedDatesAndTimesAreTakenWhole_data();
    void typedDatesAndTimesAreTakenWhole();
    void wheelChangesOnlyTheFocusedField_data();
    void wheelChangesOnlyTheFocusedField();
    void numbersNoRegimenCanHaveAreRefused_data();
    void numbersNoRegimenCanHaveAreRefused();
    void customPriorFeedsTheFits();

private:
    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<PromptScript> prompts;
};

void TestSerumLevelAnalysis::init()
{
    caseWindowMakers() = CaseWindowMakers{};
    env = std::make_unique<TestEnvironment>();
    QVERIFY2(env->isValid(), qPrintable(env->error()));
    QVERIFY2(env->openDefaultConnection(), qPrintable(env->error()));
    prompts = std::make_unique<PromptScript>();
}

void TestSerumLevelAnalysis::cleanup()
{
    if (prompts)
        VERIFY_NO_UNEXPECTED_PROMPTS(*prompts);
    prompts.reset();
    env.reset();
    caseWindowMakers() = CaseWindowMakers{};
}

void TestSerumLevelAnalysis::newWindowShowsTheCase_data()
{
    QTest::addColumn<QString>("drug");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("doseHeader");
    QTest::newRow("digoxin") << "DG"
                             << "Dosage History:  Smith, Ann, Digoxin"
                             << "Dose(mcg)";
    // The drug and its unit as the user gave them, as on the case page and the forecasts.
    QTest::newRow("user's choice in mcg") << "ZZ"
                                          << "Dosage History:  Smith, Ann, Zedocillin"
                                          << "Dose(mcg)";
}

void TestSerumLevelAnalysis::newWindowShowsTheCase()
{
    QFETCH(QString, drug);
    QFETCH(QString, title);
    QFETCH(QString, doseHeader);
    Workspace w(drug);
    if (drug == QLatin1String(userChoiceCode)) {
        // As the confirmed patient form leaves a drug typed in mcg.
        w.session.userChoice.drugNameText = QStringLiteral("Zedocillin");
        w.session.userChoice.doseUnitText = QStringLiteral("mcg");
        userChoice::setParameterData(&w.session);
    }
    auto window = w.window();
    QCOMPARE(window->windowTitle(), title);
    QCOMPARE(requireChild<QLabel>(window.get(), "label_dose")->text(), doseHeader);
    QVERIFY(cell<QWidget>(window.get(), "DH_row_", 1)->isEnabled());
    QVERIFY(!cell<QWidget>(window.get(), "DH_row_", 2)->isEnabled());
    QCOMPARE(cell<QDateEdit>(window.get(), "SLH_date_", 12)->date(), QDate::currentDate());
    // One slot per row widget, tied by name: the last row's route box reaches its record.
    type(window.get(), "DH_dose_", 20, QStringLiteral("250"));
    QVERIFY(!window->doseRecords()[19].route.isEmpty());
}

void TestSerumLevelAnalysis::rowIsCheckedAsTyped_data()
{
    QTest::addColumn<QString>("drug");
    QTest::addColumn<QString>("route");
    QTest::addColumn<QString>("dose");
    QTest::addColumn<QString>("infusion");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("count");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<double>("eventRoute"); // route code of the analysed event, 0 for none

    const QString warning = QStringLiteral("Infusion time is greater than interval.");
    QTest::newRow("intermittent IV") << "GM" << ivRoute << "80"
                                     << "0.5"
                                     << "8"
                                     << "3" << true << "green-check"
                                     << "" << 2.0;
    QTest::newRow("IV without infusion time") << "GM" << ivRoute << "80"
                                              << ""
                                              << "8"
                                              << "3" << false << "empty"
                                              << "" << 0.0;
    QTest::newRow("IV infusion over interval") << "GM" << ivRoute << "80"
                                               << "10"
                                               << "8"
                                               << "3" << true << "warning" << warning << 2.0;
    QTest::newRow("IM ignores infusion") << "GM" << imRoute << "80"
                                         << "10"
                                         << "8"
                                         << "3" << true << "green-check"
                                         << "" << 3.0;
    QTest::newRow("oral") << "TH"
                          << "Oral - Tablets"
                          << "300"
                          << ""
                          << "12"
                          << "4" << true << "green-check"
                          << "" << 1.0;
    QTest::newRow("continuous") << "TH"
                                << "Continuous IV - Injection"
                                << "40"
                                << "24"
                                << "24"
                                << "2" << true << "green-check"
                                << "" << 2.0;
    QTest::newRow("zero dose is no dose") << "TH"
                                          << "Oral - Tablets"
                                          << "0"
                                          << ""
                                          << "12"
                                          << "4" << false << "empty"
                                          << "" << 0.0;
    QTest::newRow("phenytoin IM without duration") << "PH"
                                                   << "IM - Injection (Fosphenytoin)"
                                                   << "300"
                                                   << ""
                                                   << "24"
                                                   << "2" << true << "green-check"
                                                   << "" << 3.0;
    QTest::newRow("form name holding IM is oral") << "ZZ"
                                                  << "Oral - SIMPLE TABS"
                                                  << "100"
                                                  << ""
                                                  << "12"
                                                  << "2" << true << "green-check"
                                                  << "" << 1.0;
}

void TestSerumLevelAnalysis::rowIsCheckedAsTyped()
{
    QFETCH(QString, drug);
    QFETCH(QString, route);
    QFETCH(QString, dose);
    QFETCH(QString, infusion);
    QFETCH(QString, interval);
    QFETCH(QString, count);
    QFETCH(bool, complete);
    QFETCH(QString, icon);
    QFETCH(QString, tooltip);
    QFETCH(double, eventRoute);
    Workspace w(drug);
    auto window = w.window();
    typeDoseRow(window.get(), 1, day1, route, dose, infusion, interval, count);
    const DoseHistoryRow& row = window->doseRecords()[0];
    const bool noDose = dose == QLatin1String("0");
    QCOMPARE(row.route, noDose ? QString() : route); // no routes are offered before a dose
    QCOMPARE(row.complete, complete);
    QCOMPARE(::icon(window.get(), "DH_check_", 1), icon);
    QCOMPARE(tip(window.get(), "DH_check_", 1), tooltip);
    QCOMPARE(cell<QWidget>(window.get(), "DH_row_", 2)->isEnabled(), complete);
    if (noDose) {
        QVERIFY(cell<QLineEdit>(window.get(), "DH_dose_", 1)->text().isEmpty());
        QCOMPARE(row.dose, kNotGiven);
    } else {
        // The route's catalogue values, chosen by the route's code.
        const bool oral = route.startsWith(QLatin1String("Oral"));
        QCOMPARE(row.ka, oral ? w.session.kaOral : w.session.kaIm);
        QCOMPARE(row.saltFactor, oral ? w.session.saltOral : w.session.saltParenteral);
    }

    QSignalSpy drawn(window.get(), &serumLevelAnalysis::drawGraph);
    click(window.get(), "button_analysis");
    QCOMPARE(drawn.count(), 1);
    QCOMPARE(w.session.doseEventCount > 0, eventRoute > 0.0);
    if (eventRoute > 0.0)
        QCOMPARE(w.session.doseEvents[pk::eventRouteCode][1], eventRoute);
}

void TestSerumLevelAnalysis::levelDuringInfusionNamesTheRow_data()
{
    QTest::addColumn<QTime>("drawn");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("tooltip");
    // Row 1 infuses 08:00-09:00 and 16:00-17:00, row 2 08:00-08:30.
    const QString inRow = QStringLiteral("Level is measured during infusion (row %1).");
    QTest::newRow("inside both") << QTime(8, 15) << "warning" << inRow.arg(2);
    QTest::newRow("end of the longer") << QTime(9, 0) << "warning" << inRow.arg(1);
    // A sample drawn as an infusion starts is taken before it: a baseline or a trough.
    QTest::newRow("start of the first doses") << QTime(8, 0) << "green-check"
                                              << "";
    QTest::newRow("start of a later dose") << QTime(16, 0) << "green-check"
                                           << "";
    QTest::newRow("just after a later start") << QTime(16, 1) << "warning" << inRow.arg(1);
    QTest::newRow("between doses") << QTime(12, 0) << "green-check"
                                   << "";
}

void TestSerumLevelAnalysis::levelDuringInfusionNamesTheRow()
{
    QFETCH(QTime, drawn);
    QFETCH(QString, icon);
    QFETCH(QString, tooltip);
    Workspace w(QStringLiteral("GM"));
    auto window = w.window();
    typeDoseRow(window.get(), 1, day1, ivRoute, "80", "1", "8", "3");
    typeDoseRow(window.get(), 2, day1, ivRoute, "80", "0.5", "24", "1");
    typeLevel(window.get(), 1, QDateTime(day1.date(), drawn), QStringLiteral("4.2"));
    QCOMPARE(::icon(window.get(), "SLH_check_", 1), icon);
    QCOMPARE(tip(window.get(), "SLH_check_", 1), tooltip);
    QVERIFY(window->levelRecords()[0].complete);
    // Without the infusions the level is no longer drawn during one.
    click(window.get(), "DH_delete_1");
    click(window.get(), "DH_delete_2");
    QCOMPARE(::icon(window.get(), "SLH_check_", 1), QStringLiteral("green-check"));
}

void TestSerumLevelAnalysis::copyClearAndSortKeepRowsAndIcons()
{
    Workspace w(QStringLiteral("GM"));
    auto window = w.window();
    QWidget* win = window.get();
    typeDoseRow(win, 1, day1.addDays(1), ivRoute, "80", "0.5", "8", "3");
    click(win, "DH_copy_2");
    QVERIFY(window->doseRecords()[1].complete);
    QCOMPARE(cell<QLineEdit>(win, "DH_dose_", 2)->text(), QStringLiteral("80"));
    QCOMPARE(::icon(win, "DH_check_", 2), QStringLiteral("green-check"));
    QVERIFY(cell<QWidget>(win, "DH_row_", 3)->isEnabled());

    typeDoseRow(win, 3, day1, imRoute, "120", "", "12", "2"); // earlier than rows 1 and 2
    typeDoseRow(win, 4, day1, ivRoute, "100", "", "12", "2"); // left incomplete
    click(win, "DH_delete_2");
    QVERIFY(!window->doseRecords()[1].complete);
    QCOMPARE(::icon(win, "DH_check_", 2), QStringLiteral("empty"));
    QCOMPARE(cell<QComboBox>(win, "DH_route_", 2)->count(), 0);

    typeLevel(win, 3, day1.addDays(2), QStringLiteral("12.36"));
    typeLevel(win, 5, day1.addDays(1), QStringLiteral("3.1"));
    QTimeEdit* refusing = cell<QTimeEdit>(win, "SLH_time_", 4);
    QTest::keyClicks(refusing, QStringLiteral("25:70"));
    QTest::keyClick(refusing, Qt::Key_Enter);
    QCOMPARE(tip(win, "SLH_check_", 4), QStringLiteral("25:70 is not a time; enter one as HH:MM."));
    click(win, "button_sort");
    const DoseRows& rows = window->doseRecords();
    QCOMPARE(rows[0].route, imRoute);
    QCOMPARE(rows[1].route, ivRoute);
    QCOMPARE(rows[1].date, day1.date().addDays(1));
    for (int i = 2; i < kDoseRowCount; ++i)
        QVERIFY(!rows[i].complete && rows[i].dose == kNotGiven);
    QCOMPARE(cell<QLineEdit>(win, "DH_dose_", 1)->text(), QStringLiteral("120.0"));
    QCOMPARE(cell<QLineEdit>(win, "DH_numofdose_", 1)->text(), QStringLiteral("2"));
    QCOMPARE(::icon(win, "DH_check_", 2), QStringLiteral("green-check"));
    QCOMPARE(::icon(win, "DH_check_", 3), QStringLiteral("empty"));
    QVERIFY(cell<QLineEdit>(win, "DH_dose_", 4)->text().isEmpty());

    const LevelRows& levels = window->levelRecords();
    QCOMPARE(levels[0].level, 3.1);
    QCOMPARE(levels[1].level, 12.36);
    QCOMPARE(cell<QLineEdit>(win, "SLH_level_", 2)->text(), QStringLiteral("12.36"));
    QVERIFY(!levels[2].complete);
    QCOMPARE(::icon(win, "SLH_check_", 3), QStringLiteral("empty"));
    // Leaving the shown field unchanged keeps the whole value; typing a new one replaces it.
    emit cell<QLineEdit>(win, "SLH_level_", 2)->editingFinished();
    QCOMPARE(levels[1].level, 12.36);
    type(win, "SLH_level_", 2, QStringLiteral("12.4"));
    QCOMPARE(levels[1].level, 12.4);
    // A time refused in a row the sort cleared no longer speaks for that row.
    type(win, "SLH_level_", 4, QStringLiteral("5"));
    QCOMPARE(::icon(win, "SLH_check_", 4), QStringLiteral("green-check"));
}

void TestSerumLevelAnalysis::storedRowsSurviveOpenSaveCycles_data()
{
    QTest::addColumn<QString>("drug");
    QTest::addColumn<QString>("level");
    QTest::newRow("gentamicin") << "GM"
                                << "12.36";
    QTest::newRow("digoxin") << "DG"
                             << "0.85";
}

void TestSerumLevelAnalysis::storedRowsSurviveOpenSaveCycles()
{
    QFETCH(QString, drug);
    QFETCH(QString, level);
    constexpr int caseNumber = 7;
    storeDose(caseNumber, "2024-03-01", "08:30:45", 80.25, ivRoute, 0.5);
    // Incomplete today (no infusion time) and a route the list no longer has: both kept.
    storeDose(caseNumber, "2024-03-02", "09:00:00", 90, ivRoute, -1);
    storeDose(caseNumber, "2024-03-03", "10:00:00", 70, QStringLiteral("Retired route"), 1);
    storeLevel(caseNumber, "2024-03-02", "07:59:30", level.toDouble());
    const QString doses = QStringLiteral("SELECT DATE || ' ' || TIME || ' ' || DOSE || ' ' || "
                                         "ROUTE || ' ' || IFTIME FROM DoseHistory ORDER BY DATE");
    const QString levels =
        QStringLiteral("SELECT DATE || ' ' || TIME || ' ' || LEVEL FROM SerumLevel");
    const QStringList dosesBefore = column(doses);

    Workspace w(drug);
    w.session.caseNumber = caseNumber;
    for (int cycle = 0; cycle < 2; ++cycle) {
        auto window = w.window();
        QVERIFY(window->loadDoseHistory());
        QVERIFY(window->loadSerumLevels());
        const DoseRows& rows = window->doseRecords();
        QVERIFY(rows[0].complete);
        QCOMPARE(rows[0].time, QTime(8, 30, 45));
        QVERIFY(!rows[1].complete);
        QVERIFY(!rows[2].complete);
        QCOMPARE(cell<QLineEdit>(window.get(), "DH_infusiontime_", 2)->text(), QString());
        QCOMPARE(window->levelRecords()[0].level, level.toDouble());
        QCOMPARE(cell<QLineEdit>(window.get(), "SLH_level_", 1)->text(), level); // as typed
        // Tabbing through the shown (rounded) fields changes nothing.
        emit cell<QTimeEdit>(window.get(), "DH_time_", 1)->editingFinished();
        emit cell<QLineEdit>(window.get(), "DH_dose_", 1)->editingFinished();
        emit cell<QLineEdit>(window.get(), "SLH_level_", 1)->editingFinished();
        QVERIFY(window->saveDoseHistory());
        QVERIFY(window->saveSerumLevels());
        QCOMPARE(column(doses), dosesBefore);
        QCOMPARE(column(levels), QStringList{"2024-03-02 07:59:30 " + level});
    }
}

void TestSerumLevelAnalysis::emptiedStoredRowsGoAtSave_data()
{
    QTest::addColumn<QStringList>("emptied"); // fields of the window
    QTest::addColumn<QStringList>("doses");   // the tables afterwards
    QTest::addColumn<QStringList>("levels");
    const QStringList firstDose{"2024-03-04 08:00:00 80.0"};
    const QStringList bothLevels{"2024-03-05 07:30:00 4.5", "2024-03-06 07:30:00 2.1"};
    QTest::newRow("dose and level of row 2") << QStringList{"DH_dose_2", "SLH_level_2"} << firstDose
                                             << QStringList{"2024-03-05 07:30:00 4.5"};
    QTest::newRow("interval") << QStringList{"DH_interval_2"} << firstDose << bothLevels;
    QTest::newRow("number of doses") << QStringList{"DH_numofdose_2"} << firstDose << bothLevels;
    QTest::newRow("every field") << QStringList{"DH_dose_1",     "DH_infusiontime_1",
                                                "DH_interval_1", "DH_numofdose_1",
                                                "DH_dose_2",     "DH_infusiontime_2",
                                                "DH_interval_2", "DH_numofdose_2",
                                                "SLH_level_1",   "SLH_level_2"}
                                 << QStringList() << QStringList();
}

void TestSerumLevelAnalysis::emptiedStoredRowsGoAtSave()
{
    QFETCH(QStringList, emptied);
    QFETCH(QStringList, doses);
    QFETCH(QStringList, levels);
    constexpr int caseNumber = 8;
    storeDose(caseNumber, "2024-03-04", "08:00:00", 80, ivRoute, 0.5);
    storeDose(caseNumber, "2024-03-05", "08:00:00", 90, ivRoute, 0.5);
    storeLevel(caseNumber, "2024-03-05", "07:30:00", 4.5);
    storeLevel(caseNumber, "2024-03-06", "07:30:00", 2.1);
    Workspace w(QStringLiteral("GM"));
    w.session.caseNumber = caseNumber;
    auto window = w.window();
    QVERIFY(window->loadDoseHistory());
    QVERIFY(window->loadSerumLevels());
    for (const QString& name : emptied) {
        auto* field = requireChild<QLineEdit>(window.get(), name);
        field->clear();
        field->setModified(true);
        emit field->editingFinished();
    }
    QVERIFY(window->saveDoseHistory());
    QVERIFY(window->saveSerumLevels());
    QCOMPARE(column(QStringLiteral("SELECT DATE || ' ' || TIME || ' ' || DOSE FROM DoseHistory "
                                   "ORDER BY DATE")),
             doses);
    QCOMPARE(column(QStringLiteral("SELECT DATE || ' ' || TIME || ' ' || LEVEL FROM SerumLevel "
                                   "ORDER BY DATE")),
             levels);
}

// A stored level row whose value does not read is shown incomplete and stored again, not lost.
void TestSerumLevelAnalysis::storedLevelWithoutValueIsKept()
{
    constexpr int caseNumber = 6;
    storeLevel(caseNumber, "2024-03-02", "08:00:00", 4.5);
    QVERIFY(execute(QStringLiteral(
        "INSERT INTO SerumLevel VALUES(6, '2024-03-03', '08:00:00', 'not measured')")));
    Workspace w(QStringLiteral("GM"));
    w.session.caseNumber = caseNumber;
    auto window = w.window();
    QVERIFY(window->loadSerumLevels());
    QVERIFY(window->levelRecords()[0].complete);
    QVERIFY(!window->levelRecords()[1].complete);
    QVERIFY(cell<QLineEdit>(window.get(), "SLH_level_", 2)->text().isEmpty());
    QVERIFY(window->saveSerumLevels());
    QCOMPARE(rowCount(QStringLiteral("SerumLevel")), 2);
}

void TestSerumLevelAnalysis::rowsBeyondTheWindowAreReportedAndKept()
{
    constexpr int caseNumber = 3;
    for (int i = 0; i < kDoseRowCount + 1; ++i)
        storeDose(caseNumber, QDate(2024, 1, 1).addDays(i).toString(Qt::ISODate), "08:00:00", 80,
                  ivRoute, 0.5);
    Workspace w(QStringLiteral("GM"));
    w.session.caseNumber = caseNumber;
    auto window = w.window();
    QVERIFY(window->loadDoseHistory());
    QVERIFY(prompts->takeShown().contains(QStringLiteral("21 stored dose rows")));
    QVERIFY(window->saveDoseHistory());
    QCOMPARE(rowCount(QStringLiteral("DoseHistory")), kDoseRowCount + 1);
}

void TestSerumLevelAnalysis::failedLoadRefusesTheSave()
{
    constexpr int caseNumber = 4;
    storeDose(caseNumber, "2024-03-01", "08:00:00", 80, ivRoute, 0.5);
    QVERIFY(execute(QStringLiteral("ALTER TABLE DoseHistory RENAME TO Away")));
    Workspace w(QStringLiteral("GM"));
    w.session.caseNumber = caseNumber;
    auto window = w.window();
    QVERIFY(!window->loadDoseHistory());
    QVERIFY(execute(QStringLiteral("ALTER TABLE Away RENAME TO DoseHistory")));
    QVERIFY(!window->saveDoseHistory());
    QVERIFY(prompts->takeShown().startsWith(QStringLiteral("Information|The stored dose history")));
    QCOMPARE(rowCount(QStringLiteral("DoseHistory")), 1);
}

void TestSerumLevelAnalysis::onlyTypingMarksTheCaseUnsaved()
{
    caseWindowMakers().analysis = [](QWidget* p, SessionData* s, PkCalculator* c, DrugInfo* d) {
        return new serumLevelAnalysis(p, s, c, d);
    };
    Workspace w(QStringLiteral("GM"));
    auto page = w.page();
    w.session.saved = true;
    click(page.get(), "button_dosage_history");
    QVERIFY(w.session.saved);
    auto* window = page->findChild<serumLevelAnalysis*>();
    type(window, "DH_dose_", 1, QStringLiteral("80"));
    QVERIFY(!w.session.saved);
}

void TestSerumLevelAnalysis::failingInsertRollsBackTheCaseSave_data()
{
    QTest::addColumn<QString>("refusing"); // the table whose insert fails
    QTest::addColumn<QString>("what");
    QTest::newRow("dose history") << "DoseHistory"
                                  << "dose history";
    QTest::newRow("serum levels") << "SerumLevel"
                                  << "serum levels";
}

void TestSerumLevelAnalysis::failingInsertRollsBackTheCaseSave()
{
    QFETCH(QString, refusing);
    QFETCH(QString, what);
    caseWindowMakers().analysis = [](QWidget* p, SessionData* s, PkCalculator* c, DrugInfo* d) {
        return new serumLevelAnalysis(p, s, c, d);
    };
    QVERIFY(execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON %1 BEGIN "
                                   "SELECT RAISE(ABORT, 'disk full'); END")
                        .arg(refusing)));
    Workspace w(QStringLiteral("GM"));
    auto page = w.page();
    click(page.get(), "button_dosage_history");
    auto* window = page->findChild<serumLevelAnalysis*>();
    QVERIFY(window && window->isVisible());
    typeDoseRow(window, 1, day1, ivRoute, "80", "0.5", "8", "3");
    typeLevel(window, 1, day1.addSecs(3600 * 4), QStringLiteral("4.2"));
    click(page.get(), "button_save");
    const QString shown = prompts->takeShown();
    QVERIFY2(shown.startsWith(
                 QStringLiteral("Information|The %1 could not be stored; nothing was saved, and "
                                "your entries are still on the page.\ndisk full")
                     .arg(what)),
             qPrintable(shown));
    QVERIFY(!w.session.saved);
    QCOMPARE(w.session.caseNumber, 0);
    for (const char* table : {"Patients", "Cases", "PK", "DoseHistory"})
        QCOMPARE(rowCount(QLatin1String(table)), 0);
    QVERIFY(window->doseRecords()[0].complete);
    QVERIFY(window->levelRecords()[0].complete);

    // Saved once the fault is gone, under the case's new number, and reopened with its rows.
    QVERIFY(execute(QStringLiteral("DROP TRIGGER refuse")));
    click(page.get(), "button_save");
    QVERIFY(w.session.saved);
    QVERIFY(w.session.caseNumber > 0);
    QCOMPARE(column(QStringLiteral("SELECT CASE_NUMBER FROM SerumLevel")),
             QStringList{QString::number(w.session.caseNumber)});
    page.reset();
    page = w.page();
    window = page->findChild<serumLevelAnalysis*>();
    QVERIFY(window && !window->isVisible());
    QCOMPARE(window->doseRecords()[0].dose, 80.0);
    QCOMPARE(window->levelRecords()[0].level, 4.2);
    QVERIFY(!window->doseRecords()[1].complete);
}

void TestSerumLevelAnalysis::reopenedCaseGivesTheEngineFits()
{
    caseWindowMakers().analysis = [](QWidget* p, SessionData* s, PkCalculator* c, DrugInfo* d) {
        return new serumLevelAnalysis(p, s, c, d);
    };
    constexpr int caseNumber = 9;
    storeDose(caseNumber, "2024-03-01", "08:00:00", 80, ivRoute, 0.5);
    storeLevel(caseNumber, "2024-03-01", "09:00:00", 6.1);
    storeLevel(caseNumber, "2024-03-01", "15:30:00", 2.3);
    Workspace w(QStringLiteral("GM"));
    w.session.caseNumber = caseNumber;
    const SessionData opened = w.session;
    auto page = w.page();
    auto* window = page->findChild<serumLevelAnalysis*>();
    QVERIFY(window && !window->isVisible());
    const PkParameterSet bayes = w.session.pkSets[pk::kBayesian];
    QVERIFY(bayes[pk::kF] > 0.0);
    QVERIFY(w.session.pkSets[pk::kLeastSquares][pk::kF] > 0.0);
    QCOMPARE(requireChild<QLineEdit>(page.get(), "line_Bayes_vdb")->text(),
             QString::number(bayes[pk::kVd], 'f', 2));

    // The engine alone on the same records and the session as the page left it before fitting.
    SessionData engine = w.session;
    engine.pkSets[pk::kBayesian] = opened.pkSets[pk::kBayesian];
    engine.pkSets[pk::kLeastSquares] = opened.pkSets[pk::kLeastSquares];
    PkCalculator calculator(&engine);
    DrugInfo catalogue(&engine, &calculator);
    DoseRows doses = window->doseRecords();
    const LevelRows levels = window->levelRecords();
    DoseEventBuilder builder(&engine, doses, levels);
    useCatalogue(builder, &catalogue, &engine);
    QVERIFY(builder.analyse());
    FitDriver driver(&engine, &calculator);
    useCatalogue(driver, &catalogue);
    driver.setPriorRanges(engine.populationRanges);
    driver.setGraphEndTime(builder.maxTime());
    driver.fitCurves();
    QCOMPARE(engine.pkSets[pk::kBayesian], bayes);
    QCOMPARE(engine.pkSets[pk::kLeastSquares], w.session.pkSets[pk::kLeastSquares]);
}

// Rows of one moment come in the order they were stored, so the same at every opening.
void TestSerumLevelAnalysis::reopenedRowsComeInTimeOrder()
{
    constexpr int caseNumber = 5;
    storeDose(caseNumber, "2024-03-01", "16:00:00", 90, ivRoute, 0.5);
    storeDose(caseNumber, "2024-03-01", "08:00:00", 80, ivRoute, 0.5);
    storeLevel(caseNumber, "2024-03-02", "09:00:00", 7.35);
    storeLevel(caseNumber, "2024-03-01", "08:00:00", 0);
    storeLevel(caseNumber, "2024-03-02", "01:00:00", 6.8);
    storeLevel(caseNumber, "2024-03-01", "20:00:00", 1.9);
    storeLevel(caseNumber, "2024-03-01", "20:00:00", 2.0);
    Workspace w(QStringLiteral("GM"));
    w.session.caseNumber = caseNumber;
    for (int cycle = 0; cycle < 2; ++cycle) {
        auto window = w.window();
        QVERIFY(window->loadDoseHistory());
        QVERIFY(window->loadSerumLevels());
        QCOMPARE(window->doseRecords()[0].dose, 80.0);
        QCOMPARE(window->doseRecords()[1].dose, 90.0);
        QList<double> levels;
        for (int i = 0; i < 5; ++i)
            levels << window->levelRecords()[i].level;
        QCOMPARE(levels, (QList<double>{0.0, 1.9, 2.0, 6.8, 7.35}));
        QVERIFY(window->saveDoseHistory());
        QVERIFY(window->saveSerumLevels());
    }
}

// Rows changed after an analysis are fitted again by the save, as reopening fits them; when
// that analysis is refused, or no row is left, the case goes without fitted sets.
void TestSerumLevelAnalysis::savedFitsAreThoseOfTheSavedRows_data()
{
    QTest::addColumn<bool>("fittingWindow"); // fits the case in place of the analysis window
    QTest::newRow("analysis window fits") << false;
    QTest::newRow("curve-fitting window fits") << true;
}

void TestSerumLevelAnalysis::savedFitsAreThoseOfTheSavedRows()
{
    QFETCH(bool, fittingWindow);
    caseWindowMakers().analysis = [](QWidget* p, SessionData* s, PkCalculator* c, DrugInfo* d) {
        return new serumLevelAnalysis(p, s, c, d);
    };
    if (fittingWindow)
        caseWindowMakers().fitting = [](QWidget* p, SessionData* s, PkCalculator* c,
                                        DrugInfo* d) -> FittingLink* {
            return new graphicAnalysis(p, s, c, d);
        };
    Workspace w(QStringLiteral("GM"));
    SessionData& s = w.session;
    auto page = w.page();
    click(page.get(), "button_dosage_history");
    auto* window = page->findChild<serumLevelAnalysis*>();
    typeDoseRow(window, 1, day1, ivRoute, "80", "0.5", "8", "3");
    typeDoseRow(window, 2, day1.addDays(1), ivRoute, "120", "0.5", "8", "3");
    typeLevel(window, 1, day1.addSecs(3600 * 7), QStringLiteral("1.8"));
    typeLevel(window, 2, day1.addDays(1).addSecs(3600), QStringLiteral("9.5"));
    click(window, "button_analysis");
    const PkParameterSet twoRows = s.pkSets[pk::kBayesian];
    QVERIFY(s.pkSets[pk::kLeastSquares][pk::kF] > 0.0);

    click(window, "DH_delete_2");
    click(window, "SLH_delete_2");
    auto* fitting = page->findChild<graphicAnalysis*>();
    QCOMPARE(fitting != nullptr, fittingWindow);
    if (fitting)
        fitting->hide();
    click(page.get(), "button_save");
    QVERIFY(s.saved);
    QVERIFY(!(fitting && fitting->isVisible())); // the save opens no window
    const PkParameterSet saved = s.pkSets[pk::kBayesian];
    QVERIFY(saved != twoRows);
    QCOMPARE(requireChild<QLineEdit>(page.get(), "line_Bayes_vdb")->text(),
             QString::number(saved[pk::kVd], 'f', 2));
    QVERIFY(requireChild<QLineEdit>(page.get(), "line_LS_vdb")->text().isEmpty()); // one level
    page.reset();
    page = w.page();
    QCOMPARE(s.pkSets[pk::kBayesian], saved);

    // A custom volume typed after Analysis from the custom prior: the save fits from it, as
    // Analysis by hand then does.
    window = page->findChild<serumLevelAnalysis*>();
    click(window, "radioButton_custom");
    click(window, "button_analysis");
    const PkParameterSet fromEarlierVolume = s.pkSets[pk::kBayesian];
    QLineEdit* customVolume = requireChild<QLineEdit>(page.get(), "line_Custom_vdb");
    customVolume->selectAll();
    QTest::keyClicks(customVolume, QStringLiteral("30"));
    QTest::keyClick(customVolume, Qt::Key_Return);
    QCOMPARE(s.pkSets[pk::kCustom][pk::kVd], 30.0);
    click(page.get(), "button_save");
    QVERIFY(s.saved);
    const PkParameterSet savedFromVolume = s.pkSets[pk::kBayesian];
    QVERIFY(savedFromVolume != fromEarlierVolume);
    click(window, "button_analysis");
    QCOMPARE(s.pkSets[pk::kBayesian], savedFromVolume);
    const PkParameterSet leastSquaresFromVolume = s.pkSets[pk::kLeastSquares];
    page.reset();
    page = w.page();

    // Reopened, the case fits from the prior it was saved with, and the window shows it chosen.
    window = page->findChild<serumLevelAnalysis*>();
    QVERIFY(requireChild<QRadioButton>(window, "radioButton_custom")->isChecked());
    QCOMPARE(s.pkSets[pk::kBayesian], savedFromVolume);
    QCOMPARE(s.pkSets[pk::kLeastSquares], leastSquaresFromVolume);
    s.pkSets[pk::kCustom] = s.pkSets[pk::kPopulation];
    s.pkSets[pk::kCustom][pk::kCl] = 0.0;
    click(window, "radioButton_custom");
    // The first save fails after its refit went: the save that stores the case still says so.
    QVERIFY(execute(QStringLiteral("ALTER TABLE SerumLevel RENAME TO Away")));
    click(page.get(), "button_save");
    QVERIFY(!s.saved);
    QVERIFY(!prompts->takeShown().contains(QLatin1String("saved without fitted sets")));
    QVERIFY(execute(QStringLiteral("ALTER TABLE Away RENAME TO SerumLevel")));
    click(page.get(), "button_save");
    QVERIFY(s.saved);
    const QString shown = prompts->takeShown();
    QVERIFY2(shown.contains(QLatin1String("saved without fitted sets")) &&
                 shown.contains(QLatin1String("clearance")),
             qPrintable(shown));
    QCOMPARE(s.pkSets[pk::kBayesian][pk::kF], FitDriver::kAbsentF);
    QVERIFY(requireChild<QLineEdit>(page.get(), "line_Bayes_vdb")->text().isEmpty());
    // Nor does the curve-fitting window show the fits that went, until Analysis runs again.
    auto* graphs = requireChild<QPushButton>(page.get(), "button_graph_analysis");
    QVERIFY(!graphs->isEnabled());

    // Every row gone: no fit at all, as a case stored without rows opens.
    click(page.get(), "button_dosage_history");
    click(window, "radioButton_pop");
    click(window, "button_analysis");
    QVERIFY(s.pkSets[pk::kBayesian][pk::kF] > 0.0);
    QCOMPARE(graphs->isEnabled(), fittingWindow);
    click(window, "DH_delete_1");
    click(window, "SLH_delete_1");
    click(page.get(), "button_save");
    QVERIFY(s.saved);
    QCOMPARE(s.pkSets[pk::kBayesian][pk::kF], FitDriver::kAbsentF);
}

// A custom F typed on the case page after Analysis from the custom prior: the save fits the
// rows with it, as the reopened case gives it to them.
void TestSerumLevelAnalysis::customFTypedAfterAnalysisIsSavedAsReopened()
{
    caseWindowMakers().analysis = [](QWidget* p, SessionData* s, PkCalculator* c, DrugInfo* d) {
        return new serumLevelAnalysis(p, s, c, d);
    };
    Workspace w(QStringLiteral("TH"));
    SessionData& s = w.session;
    auto page = w.page();
    click(page.get(), "button_dosage_history");
    auto* window = page->findChild<serumLevelAnalysis*>();
    click(window, "radioButton_custom");
    const QString oral = QStringLiteral("Oral - Tablets");
    typeDoseRow(window, 1, day1, oral, "300", "", "8", "3");
    typeLevel(window, 1, day1.addSecs(3600 * 7), QStringLiteral("1.8"));
    typeLevel(window, 2, day1.addSecs(3600 * 15), QStringLiteral("2.5"));
    click(window, "button_analysis");
    QComboBox* route = requireChild<QComboBox>(page.get(), "comboBox_Custom_route");
    route->setCurrentIndex(route->findText(oral));
    QLineEdit* customF = requireChild<QLineEdit>(page.get(), "line_Custom_F");
    customF->selectAll();
    QTest::keyClicks(customF, QStringLiteral("60"));
    QTest::keyClick(customF, Qt::Key_Return);

    click(page.get(), "button_save");
    QVERIFY(s.saved);
    const PkParameterSet saved = s.pkSets[pk::kBayesian];
    page.reset();
    page = w.page();
    QCOMPARE(s.pkSets[pk::kBayesian], saved);
}

// Databases written before the prior was kept with the case, and cases converted from older
// files, have no prior stored: they fit from the population, and the first save keeps the choice.
void TestSerumLevelAnalysis::databaseWithoutThePriorTableReadsAsPopulation()
{
    constexpr int caseNumber = 12;
    storeDose(caseNumber, "2024-03-01", "08:00:00", 80, ivRoute, 0.5);
    QVERIFY(execute(QStringLiteral("DROP TABLE AnalysisPrior")));
    Workspace w(QStringLiteral("GM"));
    w.session.caseNumber = caseNumber;
    auto window = w.window();
    QVERIFY(window->loadDoseHistory());
    QCOMPARE(window->priorSetIndex(), int(pk::kPopulation));
    click(window.get(), "radioButton_custom");
    QVERIFY(window->saveDoseHistory());
    window = w.window();
    QVERIFY(window->loadDoseHistory());
    QCOMPARE(window->priorSetIndex(), int(pk::kCustom));
    QVERIFY(requireChild<QRadioButton>(window.get(), "radioButton_custom")->isChecked());
}

// The rows past the 1000-dose limit are the last in time, as typed and as reopened in time
// order: the save stores them as typed, names them, and the reopened case analyses the rows the
// save did.
void TestSerumLevelAnalysis::historyPastTheLimitIsSavedAndReopenedAlike()
{
    caseWindowMakers().analysis = [](QWidget* p, SessionData* s, PkCalculator* c, DrugInfo* d) {
        return new serumLevelAnalysis(p, s, c, d);
    };
    Workspace w(QStringLiteral("GM"));
    SessionData& s = w.session;
    auto page = w.page();
    click(page.get(), "button_dosage_history");
    auto* window = page->findChild<serumLevelAnalysis*>();
    // 400 doses a row; the row typed first is the last in time, and the third row typed takes
    // the count to 1200.
    typeDoseRow(window, 1, day1.addDays(800), ivRoute, "100", "0.5", "24", "400");
    typeDoseRow(window, 2, day1, ivRoute, "80", "0.5", "24", "400");
    typeDoseRow(window, 3, day1.addDays(400), ivRoute, "120", "0.5", "24", "400");
    typeLevel(window, 1, day1.addDays(799).addSecs(3600), QStringLiteral("7.0"));
    typeLevel(window, 2, day1.addDays(799).addSecs(3600 * 12), QStringLiteral("0.5"));
    QVERIFY(!window->doseRecords()[0].complete);
    QVERIFY(window->doseRecords()[2].complete);
    QVERIFY(tip(window, "DH_check_", 1).contains(QLatin1String("left out of the analysis")));
    click(window, "button_analysis");
    const PkParameterSet bayes = s.pkSets[pk::kBayesian];
    const PkParameterSet leastSquares = s.pkSets[pk::kLeastSquares];
    QVERIFY(leastSquares[pk::kF] > 0.0);

    click(page.get(), "button_save");
    QVERIFY(s.saved);
    const QString shown = prompts->takeShown();
    QVERIFY2(shown.contains(QLatin1String("Dose row 1 is saved as typed but left out")),
             qPrintable(shown));
    QCOMPARE(rowCount(QStringLiteral("DoseHistory")), 3);

    page.reset();
    page = w.page();
    window = page->findChild<serumLevelAnalysis*>();
    // In time order now: the row left out is the third.
    QVERIFY(window->doseRecords()[0].complete && window->doseRecords()[1].complete);
    QVERIFY(!window->doseRecords()[2].complete);
    QCOMPARE(window->doseRecords()[2].dose, 100.0);
    QCOMPARE(s.pkSets[pk::kBayesian], bayes);
    QCOMPARE(s.pkSets[pk::kLeastSquares], leastSquares);
}

void TestSerumLevelAnalysis::tooLongHistoryIsRefused()
{
    Workspace w(QStringLiteral("GM"));
    auto window = w.window();
    typeDoseRow(window.get(), 1, day1, ivRoute, "80", "0.5", "8", "999");
    typeDoseRow(window.get(), 2, day1, ivRoute, "80", "0.5", "8", "2");
    QVERIFY(window->doseRecords()[0].complete);
    QVERIFY(!window->doseRecords()[1].complete);
    QVERIFY(
        tip(window.get(), "DH_check_", 2).contains(QLatin1String("more than 1000 single doses")));
    QCOMPARE(::icon(window.get(), "DH_check_", 2), QStringLiteral("warning"));
    type(window.get(), "DH_numofdose_", 2, QStringLiteral("1"));
    QVERIFY(window->doseRecords()[1].complete);

    // A date refused in a row stays its warning while another row's edit takes it past the
    // limit and back.
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    enter(window.get(), cell<QDateEdit>(window.get(), "DH_date_", 2), QStringLiteral("select all"),
          QStringLiteral("13/45/2024"));
    const QString refusal = QStringLiteral("13/45/2024 is not a date; enter one as MM/DD/YYYY.");
    for (const char* count : {"1000", "999"}) {
        type(window.get(), "DH_numofdose_", 1, QLatin1String(count));
        QCOMPARE(tip(window.get(), "DH_check_", 2), refusal);
    }
}

void TestSerumLevelAnalysis::historyPastThePhenytoinGridIsRefusedWithItsLimit()
{
    Workspace w(QStringLiteral("PH"));
    auto window = w.window();
    typeDoseRow(window.get(), 1, day1, QStringLiteral("IM - Injection (Fosphenytoin)"), "300", "",
                "24", "1");
    typeDoseRow(window.get(), 2, day1.addDays(2100),
                QStringLiteral("IM - Injection (Fosphenytoin)"), "300", "", "24", "1");
    typeLevel(window.get(), 1, day1.addDays(2100).addSecs(3600), "10");
    QSignalSpy drawn(window.get(), &serumLevelAnalysis::drawGraph);
    click(window.get(), "button_analysis");
    QCOMPARE(drawn.count(), 0);
    const auto shown = prompts->take();
    QCOMPARE(shown.size(), size_t(1));
    QCOMPARE(shown.front().title, QStringLiteral("Information"));
    QVERIFY2(shown.front().text.contains(QLatin1String("48000 hours")),
             qPrintable(shown.front().text));
}

// The fits and level table of the last analysis never meet the levels of a refused one.
void TestSerumLevelAnalysis::refusedAnalysisKeepsTheLastOne()
{
    Workspace w(QStringLiteral("GM"));
    SessionData& s = w.session;
    auto window = w.window();
    typeDoseRow(window.get(), 1, day1, ivRoute, "80", "0.5", "8", "3");
    typeLevel(window.get(), 1, day1.addSecs(3600 * 7), QStringLiteral("1.8"));
    typeLevel(window.get(), 2, day1.addSecs(3600 * 9), QStringLiteral("6.2"));
    click(window.get(), "button_analysis");
    const SessionData analysed = s;
    QVERIFY(analysed.pkSets[pk::kLeastSquares][pk::kF] > 0.0);

    typeLevel(window.get(), 3, day1.addSecs(3600), QStringLiteral("5.0"));
    s.pkSets[pk::kCustom] = s.pkSets[pk::kPopulation];
    s.pkSets[pk::kCustom][pk::kCl] = 0.0;
    click(window.get(), "radioButton_custom");
    click(window.get(), "button_analysis");
    QVERIFY(prompts->takeShown().contains(QLatin1String("clearance")));
    QCOMPARE(s.levelCount, 2);
    QCOMPARE(s.levelTimes, analysed.levelTimes);
    QCOMPARE(s.doseEvents, analysed.doseEvents);
    for (int fitted : {pk::kLeastSquares, pk::kBayesian})
        QCOMPARE(s.pkSets[fitted], analysed.pkSets[fitted]);
}

void TestSerumLevelAnalysis::badNumbersEmptyTheField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("dose");  // the record's, -1 for none
    QTest::addColumn<double>("level"); // the same text as a level
    QTest::newRow("number") << "12.5" << 12.5 << 12.5;
    QTest::newRow("zero") << "0" << kNotGiven << 0.0;
    QTest::newRow("words") << "twelve" << kNotGiven << kNotGiven;
    QTest::newRow("not a number") << "nan" << kNotGiven << kNotGiven;
    QTest::newRow("infinite") << "1e999" << kNotGiven << kNotGiven;
    QTest::newRow("negative") << "-3" << kNotGiven << kNotGiven;
}

// Text that arrives past the validators (pasted or set) never puts a NaN into a record.
void TestSerumLevelAnalysis::badNumbersEmptyTheField()
{
    QFETCH(QString, text);
    QFETCH(double, dose);
    QFETCH(double, level);
    Workspace w(QStringLiteral("GM"));
    auto window = w.window();
    for (const char* prefix : {"DH_dose_", "SLH_level_"}) {
        QLineEdit* field = cell<QLineEdit>(window.get(), prefix, 1);
        field->setValidator(nullptr);
        type(window.get(), prefix, 1, text);
    }
    QCOMPARE(window->doseRecords()[0].dose, dose);
    QCOMPARE(window->levelRecords()[0].level, level);
    QCOMPARE(window->levelRecords()[0].complete, level != kNotGiven);
    QCOMPARE(cell<QLineEdit>(window.get(), "DH_dose_", 1)->text().isEmpty(), dose == kNotGiven);
    QCOMPARE(::icon(window.get(), "SLH_check_", 1),
             QLatin1String(level == kNotGiven ? "empty" : "green-check"));
}

void TestSerumLevelAnalysis::typedDatesAndTimesAreTakenWhole_data()
{
    QTest::addColumn<QString>("field");
    // "click", "select all", the field a Tab leaves, "click, paste", "click, menu paste",
    // "click, typing, menu paste", "right click, menu paste", "double click, menu paste", the
    // field a Tab leaves then ", menu paste" or "middle click"; ", not left" keeps the focus in
    // the field after the entry
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("shown");   // before typing
    QTest::addColumn<QString>("earlier"); // an entry made the same way first, if any
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");    // shown and recorded once the field is left
    QTest::addColumn<QString>("refusal"); // the row's warning; empty where the entry is taken
    const QString shownDate = QStringLiteral("12/07/2026");
    const QString shownTime = QStringLiteral("12:00");
    const QString notDate = QStringLiteral("%1 is not a date; enter one as MM/DD/YYYY.");
    const QString notTime = QStringLiteral("%1 is not a time; enter one as HH:MM.");
    QTest::newRow("click, date") << "DH_date_1"
                                 << "click" << shownDate << ""
                                 << "11/30/2026"
                                 << "11/30/2026"
                                 << "";
    QTest::newRow("select all, date") << "DH_date_1"
                                      << "select all" << shownDate << ""
                                      << "10/05/2026"
                                      << "10/05/2026"
                                      << "";
    QTest::newRow("tab, date") << "SLH_date_2"
                               << "SLH_level_1" << shownDate << ""
                               << "11/30/2026"
                               << "11/30/2026"
                               << "";
    QTest::newRow("paste after a click, date") << "SLH_date_1"
                                               << "click, paste" << shownDate << ""
                                               << "11/30/2026"
                                               << "11/30/2026"
                                               << "";
    QTest::newRow("menu paste after a click, date") << "DH_date_1"
                                                    << "click, menu paste" << shownDate << ""
                                                    << "11/30/2026"
                                                    << "11/30/2026"
                                                    << "";
    // The menu takes the field's focus while it is open; its paste is still the entry.
    QTest::newRow("menu paste, no 31st") << "SLH_date_1"
                                         << "right click, menu paste" << shownDate << ""
                                         << "11/31/2026" << shownDate << notDate.arg("11/31/2026");
    QTest::newRow("menu paste, no 29 February")
        << "DH_date_1"
        << "right click, menu paste" << shownDate << ""
        << "02/29/2027" << shownDate << notDate.arg("02/29/2027");
    QTest::newRow("menu paste, no hour 24") << "SLH_time_1"
                                            << "right click, menu paste" << shownTime << ""
                                            << "24:00" << shownTime << notTime.arg("24:00");
    QTest::newRow("menu paste after typing began")
        << "DH_date_1"
        << "click, typing, menu paste" << shownDate << ""
        << "02/30/2026" << shownDate << notDate.arg("02/30/2026");
    // A Tab or a double click selects one section; the menu's paste replaces the whole text all
    // the same.
    QTest::newRow("menu paste after a Tab, date") << "SLH_date_2"
                                                  << "SLH_level_1, menu paste" << shownDate << ""
                                                  << "11/15/2023"
                                                  << "11/15/2023"
                                                  << "";
    QTest::newRow("menu paste after a Tab, time") << "DH_time_1"
                                                  << "DH_date_1, menu paste" << shownTime << ""
                                                  << "10:00"
                                                  << "10:00"
                                                  << "";
    QTest::newRow("menu paste after a double click, date")
        << "DH_date_1"
        << "double click, menu paste" << shownDate << ""
        << "11/15/2023"
        << "11/15/2023"
        << "";
    // The row follows a menu paste as it is made: the refusal of the one before goes at once.
    QTest::newRow("menu paste taken after a refused one")
        << "SLH_time_1"
        << "right click, menu paste, not left" << shownTime << "24:00"
        << "10:15"
        << "10:15"
        << "";
    QTest::newRow("middle click, date") << "SLH_date_1"
                                        << "middle click" << shownDate << ""
                                        << "11/30/2026"
                                        << "11/30/2026"
                                        << "";
    QTest::newRow("middle click, no 31st")
        << "SLH_date_1"
        << "middle click" << shownDate << ""
        << "11/31/2026" << shownDate << notDate.arg("11/31/2026");
    QTest::newRow("click, time") << "DH_time_1"
                                 << "click" << shownTime << ""
                                 << "08:30"
                                 << "08:30"
                                 << "";
    QTest::newRow("tab, time") << "DH_time_1"
                               << "DH_date_1" << shownTime << ""
                               << "08:30"
                               << "08:30"
                               << "";
    QTest::newRow("no such date") << "DH_date_1"
                                  << "select all" << shownDate << ""
                                  << "13/45/2026" << shownDate << notDate.arg("13/45/2026");
    QTest::newRow("no such time") << "SLH_time_1"
                                  << "click" << shownTime << ""
                                  << "25:70" << shownTime << notTime.arg("25:70");
    // The row's warning is that of the row as it now is, not of an entry since replaced.
    QTest::newRow("time taken after a refused one") << "SLH_time_1"
                                                    << "click" << shownTime << "458:30"
                                                    << "14:05"
                                                    << "14:05"
                                                    << "";
}

// Keys, pastes and clicks as a user makes them: the whole text is the entry, whichever way it
// reached the field; a text that is no date or time leaves the value as it was and says why.
void TestSerumLevelAnalysis::typedDatesAndTimesAreTakenWhole()
{
    QFETCH(QString, field);
    QFETCH(QString, entry);
    QFETCH(QString, shown);
    QFETCH(QString, earlier);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(QString, refusal);
    if (entry.startsWith(QLatin1String("middle")) &&
        !QApplication::clipboard()->supportsSelection())
        QSKIP("This platform has no selection for a middle click to paste.");
    Workspace w(QStringLiteral("GM"));
    auto window = w.window();
    window->show();
    // A display without a window manager activates no window by itself.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto* edit = requireChild<QDateTimeEdit>(window.get(), field);
    if (field.contains(QLatin1String("_date_")))
        edit->setDate(QDate::fromString(shown, dateFormat));
    else
        edit->setTime(QTime::fromString(shown, timeFormat));

    for (const QString& text : {earlier, typed}) {
        if (!text.isEmpty())
            enter(window.get(), edit, entry, text);
        if (QTest::currentTestFailed())
            return;
    }

    QCOMPARE(edit->text(), kept);
    QCOMPARE(recorded(*window, field), kept);
    const QByteArray status = (field.section(QLatin1Char('_'), 0, 0) + "_check_").toLatin1();
    const int row = field.section(QLatin1Char('_'), -1).toInt();
    QCOMPARE(tip(window.get(), status.constData(), row), refusal);
    QCOMPARE(::icon(window.get(), status.constData(), row),
             QLatin1String(refusal.isEmpty() ? "empty" : "warning"));
}

void TestSerumLevelAnalysis::wheelChangesOnlyTheFocusedField_data()
{
    QTest::addColumn<QString>("field"); // of the first dose row, under the pointer
    QTest::addColumn<bool>("focused");  // by a click on it first
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("after"); // one notch towards the user
    QTest::newRow("date") << "DH_date_1" << false << "11/20/2026"
                          << "11/20/2026";
    QTest::newRow("time") << "DH_time_1" << false << "22:00"
                          << "22:00";
    QTest::newRow("route") << "DH_route_1" << false << ivRoute << ivRoute;
    QTest::newRow("focused time") << "DH_time_1" << true << "22:00"
                                  << "21:00";
}

// Scrolling the rows with the pointer over a field changes no value on the way; the field that
// holds the focus still steps.
void TestSerumLevelAnalysis::wheelChangesOnlyTheFocusedField()
{
    QFETCH(QString, field);
    QFETCH(bool, focused);
    QFETCH(QString, shown);
    QFETCH(QString, after);
    Workspace w(QStringLiteral("GM"));
    auto window = w.window();
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    type(window.get(), "DH_dose_", 1, QStringLiteral("80"));
    chooseRoute(window.get(), 1, shown);
    auto* widget = requireChild<QWidget>(window.get(), field);
    if (auto* edit = qobject_cast<QDateTimeEdit*>(widget))
        edit->setDateTime(QDateTime::fromString(shown, edit->displayFormat()));
    QWidget* text = widget->findChild<QLineEdit*>();
    QWidget* pointed = text ? text : widget;
    const QPoint onText(4, pointed->height() / 2);
    if (focused)
        QTest::mouseClick(pointed, Qt::LeftButton, {}, onText);
    QCOMPARE(widget->hasFocus(), focused);
    QScrollBar* rows = requireChild<QScrollArea>(window.get(), "scrollArea")->verticalScrollBar();
    QVERIFY(rows->maximum() > 0);

    testsupport::turnWheel(pointed, onText, -1);

    const auto* box = qobject_cast<QComboBox*>(widget);
    QCOMPARE(box ? box->currentText() : qobject_cast<QDateTimeEdit*>(widget)->text(), after);
    QCOMPARE(rows->value() > 0, !focused);
}

void TestSerumLevelAnalysis::numbersNoRegimenCanHaveAreRefused_data()
{
    QTest::addColumn<QString>("field"); // of row 1, typed over a complete row and level
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("refusal"); // empty where the number is taken
    const QString hours = QStringLiteral("Enter an interval from 0.01 to 10000 hours.");
    const QString doses = QStringLiteral("Enter a whole number of doses from 1 to 1000.");
    QTest::newRow("longest interval") << "DH_interval_"
                                      << "10000"
                                      << "";
    QTest::newRow("interval past every time axis") << "DH_interval_"
                                                   << "1e308" << hours;
    QTest::newRow("interval too short") << "DH_interval_"
                                        << "0.005" << hours;
    QTest::newRow("infusion") << "DH_infusiontime_"
                              << "0.001"
                              << "Enter an infusion time from 0.01 to 10000 hours.";
    QTest::newRow("largest dose") << "DH_dose_"
                                  << "10000000"
                                  << "";
    QTest::newRow("dose") << "DH_dose_"
                          << "10000001"
                          << "Enter a dose of at most 10000000.";
    QTest::newRow("doses past the events") << "DH_numofdose_"
                                           << "1001" << doses;
    QTest::newRow("part of a dose") << "DH_numofdose_"
                                    << "2.5" << doses;
    QTest::newRow("highest level") << "SLH_level_"
                                   << "1000000"
                                   << "";
    QTest::newRow("level") << "SLH_level_"
                           << "1000001"
                           << "Enter a level of at most 1000000.";
}

// Such a row never reaches the analysis, whose time axis and dose events it would overflow.
void TestSerumLevelAnalysis::numbersNoRegimenCanHaveAreRefused()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, refusal);
    Workspace w(QStringLiteral("GM"));
    auto window = w.window();
    typeDoseRow(window.get(), 1, day1, ivRoute, "80", "0.5", "8", "3");
    typeLevel(window.get(), 1, day1.addSecs(3600 * 4), QStringLiteral("4.2"));
    const QByteArray prefix = field.toLatin1();
    type(window.get(), prefix.constData(), 1, text);
    const bool level = field.startsWith(QLatin1String("SLH"));
    const char* status = level ? "SLH_check_" : "DH_check_";
    QCOMPARE(::icon(window.get(), status, 1),
             QLatin1String(refusal.isEmpty() ? "green-check" : "warning"));
    QCOMPARE(tip(window.get(), status, 1), refusal);
    const bool complete =
        level ? window->levelRecords()[0].complete : window->doseRecords()[0].complete;
    QCOMPARE(complete, refusal.isEmpty());
}

void TestSerumLevelAnalysis::customPriorFeedsTheFits()
{
    const QString oral = QStringLiteral("Oral - Tablets");
    Workspace w(QStringLiteral("TH"));
    SessionData& s = w.session;
    s.routeNames = DrugInfo::routeItems(s.patient.drugCode, s.userChoice, false);
    s.routeF = QVector<double>(s.routeNames.size(), 0.55);
    s.routeFsd = QVector<double>(s.routeNames.size(), 0.3);
    s.pkSets[pk::kCustom] = s.pkSets[pk::kPopulation];
    s.customRanges = s.populationRanges;
    auto window = w.window();
    typeDoseRow(window.get(), 1, day1, oral, "300", "", "12", "4");
    typeLevel(window.get(), 1, day1.addSecs(3600 * 30), QStringLiteral("9.5"));
    click(window.get(), "radioButton_custom");
    QCOMPARE(cell<QLabel>(window.get(), "DH_f_", 1)->text(), QStringLiteral("0.6")); // 0.55
    const double populationF = s.pkSets[pk::kPopulation][pk::kF];
    click(window.get(), "button_analysis");
    QCOMPARE(window->priorSetIndex(), int(pk::kCustom));
    QCOMPARE(window->fits().priorSetIndex(), int(pk::kCustom));
    QCOMPARE(s.pkSets[pk::kCustom][pk::kF], 0.55);
    QCOMPARE(s.customRanges[pk::kFitF], 0.3);
    QCOMPARE(window->fits().priorRanges()[pk::kFitF], 0.3);
    QCOMPARE(s.pkSets[pk::kPopulation][pk::kF], populationF);
    QCOMPARE(s.routeList, QVector<QString>{oral});
    // A spread of the custom F entered after Analysis: the save's refit fits with it.
    s.routeFsd.fill(0.1);
    QVERIFY(window->refitChangedRows().isEmpty());
    QCOMPARE(window->fits().priorRanges()[pk::kFitF], 0.1);
}

TALVORA_TEST_MAIN(TestSerumLevelAnalysis)
#include "tst_serumlevelanalysis.moc"
