#include "app/About.h"
#include "app/HelpPage.h"
#include "app/ProgramConfig.h"
#include "app/login.h"
#include "app/shell/CaseWindowRegistry.h"
#include "app/shell/MainWindow.h"
#include "app/userManagepage.h"
#include "app/userSetting.h"
#include "cases/CaseWindowLinks.h"
#include "cases/DrugFactors.h"
#include "cases/MainPage.h"
#include "cases/ParameterGroupView.h"
#include "cases/newPatient.h"
#include "cases/openPatient.h"
#include "cases/searchResult.h"
#include "cases/userChoice.h"
#include "pkcore/DrugCodes.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/EntryLimits.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/PkIndices.h"
#include "pkcore/SessionData.h"
#include "platform/MessageBox.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"
#include "settings/ProgramSettingPage.h"
#include "tests/support/DesktopLook.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"
#include "tests/support/WideMeasures.h"
#include "tests/support/WindowFit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <functional>
#include <memory>

// The layout checks every window of the program must pass: each window, with the title bar the
// desktop adds, fits the smallest screen the program supports for every drug, and shows every
// label, button and column header text whole at the default font of Windows and of common Linux
// desktops. A new window joins them with one line in a table below.

namespace
{
using testsupport::cutTexts;
using testsupport::DesktopLook;
using testsupport::fieldsOutside;
using testsupport::fieldsTooNarrow;
using testsupport::lookAlikeItems;
using testsupport::textsUnderNeighbours;
using testsupport::WidestText;

constexpr int screenWidth = 1024;
constexpr int screenHeight = 768;
constexpr int titleBarHeight = 30;
const char* const defaultStyleSheet = ":/stylesheet/style2.qss";
const int desktopPointSizes[] = {DesktopLook::windowsPointSize, DesktopLook::linuxPointSize};
const QString userChoiceDrug = QStringLiteral("User's Choice One-Comp Drug");

// A signed-in administrator on a fresh database, with the calculator and catalogue the main
// window holds.
struct Installation {
    TestEnvironment env;
    ProgramConfig config;
    SessionData session;
    PkCalculator calculator{&session};
    DrugInfo catalogue{&session, &calculator};
    bool ready = false;

    Installation()
    {
        ready = env.openAsProgram(config);
        session.loggedIn = true;
        session.userType = QStringLiteral("A");
        session.userName = QStringLiteral("admin");
        session.userId = 1;
        // A check run on the first of a month must not reach for the network in a test.
        SettingsFile(env.settingsPath()).setValue(SettingsKeys::updateFrequency, "Never");
    }

    // A case of the drug as the confirmed patient form leaves it: wide, but ordinary, values.
    void fillCase(const QString& drugName)
    {
        SessionData& s = session;
        s.patient.firstName = QStringLiteral("Christopher");
        s.patient.lastName = QStringLiteral("Montgomery-Whitfield");
        s.patient.sex = QStringLiteral("M");
        s.patient.hospitalId = QStringLiteral("H-0001234567");
        s.patient.drugCode = drugCode(drugName);
        setWideMeasures(s);
        if (s.patient.drugCode == QLatin1String(userChoiceCode)) {
            UserChoiceRecord& u = s.userChoice;
            u = UserChoiceRecord{};
            u.drugNameText = QStringLiteral("Investigational drug");
            u.doseUnitText = QStringLiteral("mg");
            u.clearanceText = QStringLiteral("4.5");
            u.clearanceUnitText = QStringLiteral("L");
            u.volumeText = QStringLiteral("0.7");
            u.volumeUnitText = QStringLiteral("Lkg");
            u.complianceText = QStringLiteral("100");
            u.oralFormText = QStringLiteral("SR Capsule");
            u.oralSaltText = u.imSaltText = u.ivSaltText = QStringLiteral("1");
            u.oralKaText = u.imKaText = QStringLiteral("1.2");
            u.oralFText = u.imFText = QStringLiteral("90");
            u.levelMaxText = QStringLiteral("20");
            u.levelMinText = QStringLiteral("10");
            s.userChoiceComplete = true;
            userChoice::setParameterData(&s);
        }
        newPatient form(nullptr, &s, &calculator, &catalogue, &config, true);
        form.computePopulationPk();
    }
};

// The case's windows, each made for a case already in the session. The case page is shown in
// the program's main window, the others stand alone.
using CaseWindowMaker = std::function<QWidget*(Installation&)>;
struct CaseWindow {
    const char* name;
    CaseWindowMaker make;
};

QWidget* casePageInMainWindow(Installation& i)
{
    auto* window = new MainWindow(nullptr, &i.session, &i.config);
    window->create_mainpage();
    return window;
}

// A window the case page opens, made by its registered maker on the case in the session; a table
// line reads {"level forecast", [](Installation& i) { return fromMaker(i, member); }} with
// member &CaseWindowMakers::levelForecast.
QWidget* fromMaker(Installation& i, CaseWindowMakers::WindowMaker CaseWindowMakers::*maker)
{
    const CaseWindowMakers::WindowMaker& make = caseWindowMakers().*maker;
    return make ? make(nullptr, &i.session, &i.calculator, &i.catalogue) : nullptr;
}

// The general window of a case, or its phenytoin counterpart for a phenytoin case.
QWidget* forecastOfCase(Installation& i, CaseWindowMakers::WindowMaker CaseWindowMakers::*general,
                        CaseWindowMakers::WindowMaker CaseWindowMakers::*phenytoin)
{
    const bool ph = i.session.patient.drugCode == QLatin1String(phenytoinCode);
    return fromMaker(i, ph ? phenytoin : general);
}

// A typed dose gives the first row its routes, and brings the route's salt factor and F into
// their narrow cells.
QWidget* doseHistoryWindow(Installation& i)
{
    QWidget* window =
        caseWindowMakers().analysis(nullptr, &i.session, &i.calculator, &i.catalogue)->window();
    auto* dose = window->findChild<QLineEdit*>(QStringLiteral("DH_dose_1"));
    dose->setText(QStringLiteral("80"));
    emit dose->editingFinished();
    return window;
}

QWidget* curveFittingWindow(Installation& i)
{
    return caseWindowMakers().fitting(nullptr, &i.session, &i.calculator, &i.catalogue)->window();
}

QWidget* reportDialog(Installation& i)
{
    return caseWindowMakers().report(nullptr, &i.session, &i.calculator, &i.catalogue, &i.config,
                                     nullptr);
}

// Add each window of a case here.
const CaseWindow caseWindows[] = {
    {"case page", casePageInMainWindow},
    {"dose history", doseHistoryWindow},
    {"curve fitting", curveFittingWindow},
    {"regimen forecast",
     [](Installation& i) {
         return forecastOfCase(i, &CaseWindowMakers::regimenForecast,
                               &CaseWindowMakers::phenytoinRegimen);
     }},
    {"level forecast",
     [](Installation& i) {
         return forecastOfCase(i, &CaseWindowMakers::levelForecast,
                               &CaseWindowMakers::phenytoinLevelForecast);
     }},
    {"report", reportDialog},
};

// Clicks into the field, types the text over its own and leaves it with Tab, as a user does.
void typeOver(QLineEdit* field, const QString& text)
{
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Tab);
}

// A fresh installation on a desktop of the given font size, its prompts scripted.
struct OnDesktop {
    explicit OnDesktop(int pointSize)
        : look(SessionData::readTextFile(QLatin1String(defaultStyleSheet)), pointSize)
    {
    }
    // Why the desktop or the installation could not be made; empty when both were.
    QString problem() const
    {
        if (!look.fontProblem().isEmpty())
            return look.fontProblem();
        return installation.ready ? QString() : installation.env.error();
    }

    const DesktopLook look;
    PromptScript prompts;
    Installation installation;
};

// The program's dialogs and pages, each made on a fresh installation.
using DialogMaker = std::function<QWidget*(Installation&)>;
struct Dialog {
    const char* name;
    DialogMaker make;
};

QWidget* patientFormWithUserChoice(Installation& i)
{
    auto* form = new newPatient(nullptr, &i.session, &i.calculator, &i.catalogue, &i.config, true);
    Modal::setNextResult(QDialog::Rejected); // the user's-choice dialog the choice opens
    form->findChild<QComboBox*>(QStringLiteral("comboBox_drug"))->setCurrentText(userChoiceDrug);
    return form;
}

// Phenytoin asks for the albumin.
QWidget* patientFormWithAlbumin(Installation& i)
{
    auto* form = new newPatient(nullptr, &i.session, &i.calculator, &i.catalogue, &i.config, true);
    form->findChild<QComboBox*>(QStringLiteral("comboBox_drug"))
        ->setCurrentText(QStringLiteral("Phenytoin"));
    return form;
}

QWidget* searchResultWithACase(Installation& i)
{
    i.fillCase(QStringLiteral("Gentamicin"));
    MainWindow window(nullptr, &i.session, &i.config);
    window.create_mainpage();
    window.casePage()->on_button_save_clicked();
    auto* form = new newPatient(nullptr, &i.session, &i.calculator, &i.catalogue, &i.config, false);
    auto* dialog =
        new searchResult(nullptr, &i.session, &i.calculator, &i.catalogue, form, &i.config);
    form->setParent(dialog, form->windowFlags());
    dialog->setSearch(QString(), QString(), QString(), QString(), 1);
    // The patient clicked: its cases are listed too.
    auto* patients = dialog->findChild<QTableView*>(QStringLiteral("tableView_patientResult"));
    emit patients->clicked(patients->model()->index(0, 1));
    return dialog;
}

QWidget* drugFactorsOfGentamicin(Installation& i)
{
    auto* dialog = new DrugFactors(nullptr, &i.session, &i.catalogue);
    dialog->fillFactorList(QStringLiteral("GM"), QStringLiteral("M"), 45.0);
    return dialog;
}

// The account pages show the password fields only while a password is enabled.
QWidget* withPasswordShown(QWidget* accountPage)
{
    auto* enable = accountPage->findChild<QCheckBox*>(QStringLiteral("user_pwEnable"));
    if (enable && !enable->isChecked())
        enable->click();
    return accountPage;
}

QWidget* phenytoinCasePage(Installation& i)
{
    i.fillCase(QStringLiteral("Phenytoin"));
    return casePageInMainWindow(i);
}

// Add each dialog or page of the program here.
const Dialog dialogs[] = {
    {"log-in", [](Installation& i) { return new login(&i.session, &i.config); }},
    {"main window", [](Installation& i) { return new MainWindow(nullptr, &i.session, &i.config); }},
    {"patient form",
     [](Installation& i) {
         return new newPatient(nullptr, &i.session, &i.calculator, &i.catalogue, &i.config, true);
     }},
    {"patient form, user's choice", patientFormWithUserChoice},
    {"patient form, albumin", patientFormWithAlbumin},
    {"user's-choice dialog",
     [](Installation& i) { return new userChoice(nullptr, &i.session, 0); }},
    {"drug factors", drugFactorsOfGentamicin},
    {"open patient",
     [](Installation& i) {
         auto* form =
             new newPatient(nullptr, &i.session, &i.calculator, &i.catalogue, &i.config, false);
         auto* dialog =
             new openPatient(nullptr, &i.session, &i.calculator, &i.catalogue, form, &i.config);
         form->setParent(dialog, form->windowFlags());
         return dialog;
     }},
    {"search result", searchResultWithACase},
    {"user management",
     [](Installation& i) {
         return withPasswordShown(new userManagepage(nullptr, &i.session, &i.config));
     }},
    {"user setting",
     [](Installation& i) {
         return withPasswordShown(new userSetting(nullptr, &i.session, &i.config));
     }},
    {"program setting",
     [](Installation& i) {
         return new ProgramSettingPage(nullptr, &i.calculator, &i.catalogue, &i.config, &i.session);
     }},
    {"about", [](Installation&) { return new About(nullptr); }},
    {"help", [](Installation&) { return new HelpPage(nullptr); }},
    {"case page",
     [](Installation& i) {
         i.fillCase(QStringLiteral("Vancomycin"));
         return casePageInMainWindow(i);
     }},
    {"phenytoin case page", phenytoinCasePage},
    {"dose history",
     [](Installation& i) {
         i.fillCase(QStringLiteral("Gentamicin"));
         return doseHistoryWindow(i);
     }},
    {"curve fitting",
     [](Installation& i) {
         i.fillCase(QStringLiteral("Gentamicin"));
         return curveFittingWindow(i);
     }},
    {"phenytoin curve fitting",
     [](Installation& i) {
         i.fillCase(QStringLiteral("Phenytoin"));
         return curveFittingWindow(i);
     }},
    {"regimen forecast",
     [](Installation& i) {
         i.fillCase(QStringLiteral("Gentamicin"));
         return fromMaker(i, &CaseWindowMakers::regimenForecast);
     }},
    {"level forecast",
     [](Installation& i) {
         i.fillCase(QStringLiteral("Gentamicin"));
         return fromMaker(i, &CaseWindowMakers::levelForecast);
     }},
    {"phenytoin regimen",
     [](Installation& i) {
         i.fillCase(QStringLiteral("Phenytoin"));
         return fromMaker(i, &CaseWindowMakers::phenytoinRegimen);
     }},
    {"phenytoin level forecast",
     [](Installation& i) {
         i.fillCase(QStringLiteral("Phenytoin"));
         return fromMaker(i, &CaseWindowMakers::phenytoinLevelForecast);
     }},
    {"report",
     [](Installation& i) {
         i.fillCase(QStringLiteral("Gentamicin"));
         return reportDialog(i);
     }},
};

const Dialog& dialogNamed(const char* name)
{
    return *std::find_if(std::begin(dialogs), std::end(dialogs),
                         [name](const Dialog& d) { return qstrcmp(d.name, name) == 0; });
}

// The widest value each entry field of the case windows takes, as the window shows it.
QVector<WidestText> widestEntries()
{
    const auto fields = [](const char* pattern) {
        return QRegularExpression(QLatin1String(pattern));
    };
    const auto oneDecimal = [](double value) { return QString::number(value, 'f', 1); };
    return {
        // Five whole digits the custom fields let one type, two decimals the page shows; F
        // is a percentage, at most 100.
        {fields("^line_Custom_(vdb|cl|cf|kd|range.*)$"), QStringLiteral("99999.99")},
        // A dose row shows its amounts and hours with one decimal, a level as it was typed.
        {fields("^DH_dose_\\d+$"), oneDecimal(pk::kMostDose)},
        {fields("^DH_(infusiontime|interval)_\\d+$"), oneDecimal(pk::kMostHours)},
        {fields("^DH_numofdose_\\d+$"), QString::number(pk::kMaxDoseEvents)},
        {fields("^SLH_level_\\d+$"), QString::number(pk::kMostLevel, 'f', 0)},
    };
}

// Empty when the window, with a title bar above it, fits the smallest screen; else its size.
QString tooBigForScreen(const QWidget* window)
{
    if (window->width() <= screenWidth && window->height() + titleBarHeight <= screenHeight)
        return {};
    return QStringLiteral("%1 x %2 below a title bar").arg(window->width()).arg(window->height());
}

// The windows a case page opens, each as it first opens: the dose history, the curve fitting the
// history's analysis opens, the two forecasts and the report.
struct OpenedWindow {
    QString title;
    QRect place; // the frame's top left corner and the window's size
};

QVector<OpenedWindow> openEveryCaseWindow(MainPage* page)
{
    QVector<OpenedWindow> opened;
    const auto record = [&opened](const QWidget* window) {
        opened.push_back({window->windowTitle(), QRect(window->pos(), window->size())});
    };
    page->mainwindow_serum_level_analysis();
    // The end of an analysis run of the history opens the curve fitting.
    for (QDialog* window : page->findChildren<QDialog*>()) {
        if (window->metaObject()->indexOfSignal("drawGraph(double)") >= 0)
            QMetaObject::invokeMethod(window, "drawGraph", Q_ARG(double, 24.0));
    }
    page->mainwindow_dosage_regimen_forecast();
    page->mainwindow_serum_level_forecast();
    for (const QDialog* window : page->findChildren<QDialog*>()) {
        if (window->isVisible())
            record(window);
    }
    Modal::setNextHandler([&record](QDialog* report) {
        record(report);
        return int(QDialog::Rejected);
    });
    page->findChild<QPushButton*>(QStringLiteral("button_report"))->click();
    return opened;
}

// The drugs the patient form offers, by name.
QStringList formDrugs()
{
    Installation i;
    newPatient form(nullptr, &i.session, &i.calculator, &i.catalogue, &i.config, true);
    const auto* list = form.findChild<QComboBox*>(QStringLiteral("comboBox_drug"));
    QStringList names;
    for (int n = 0; list && n < list->count(); ++n)
        names << list->itemText(n);
    return names;
}
} // namespace

class TestWindowFit : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void caseWindowsFitTheScreenForEveryDrug_data();
    void caseWindowsFitTheScreenForEveryDrug();
    void everyTextShowsWhole_data();
    void everyTextShowsWhole();
    void caseWindowsOpenApartNamingPatientAndDrug_data();
    void caseWindowsOpenApartNamingPatientAndDrug();
    void largestCustomValuesKeepTheCasePageOnScreen_data();
    void largestCustomValuesKeepTheCasePageOnScreen();
    void longNamesShowTheirFirstLetter_data();
    void longNamesShowTheirFirstLetter();
};

void TestWindowFit::initTestCase()
{
    registerCaseWindows();
}

void TestWindowFit::caseWindowsFitTheScreenForEveryDrug_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("drug");
    QTest::addColumn<int>("pointSize");
    const QStringList drugs = formDrugs();
    QVERIFY(drugs.contains(userChoiceDrug));
    for (int size : desktopPointSizes) {
        for (int w = 0; w < int(std::size(caseWindows)); ++w) {
            for (const QString& drug : drugs) {
                QTest::addRow("%s, %s, %d pt", caseWindows[w].name, qPrintable(drug), size)
                    << w << drug << size;
            }
        }
    }
}

void TestWindowFit::caseWindowsFitTheScreenForEveryDrug()
{
    QFETCH(int, window);
    QFETCH(QString, drug);
    QFETCH(int, pointSize);
    OnDesktop desktop(pointSize);
    QVERIFY2(desktop.problem().isEmpty(), qPrintable(desktop.problem()));
    PromptScript& prompts = desktop.prompts;
    Installation& i = desktop.installation;
    i.fillCase(drug);
    std::unique_ptr<QWidget> shown(caseWindows[window].make(i));
    QVERIFY2(shown, "no such window");
    // A window the user may resize is tried at the whole screen below its title bar.
    shown->resize(screenWidth, screenHeight - titleBarHeight);
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
    testsupport::settleLayouts();
    const QStringList outside = fieldsOutside(shown.get(), shown->rect());
    QVERIFY2(outside.isEmpty(), qPrintable(outside.join(QStringLiteral("; "))));
    const QStringList narrow = fieldsTooNarrow(shown.get(), widestEntries());
    QVERIFY2(narrow.isEmpty(), qPrintable(narrow.join(QStringLiteral("; "))));
    const QStringList alike = lookAlikeItems(shown.get());
    QVERIFY2(alike.isEmpty(), qPrintable(alike.join(QStringLiteral("; "))));
    QVERIFY2(tooBigForScreen(shown.get()).isEmpty(), qPrintable(tooBigForScreen(shown.get())));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestWindowFit::everyTextShowsWhole_data()
{
    QTest::addColumn<int>("dialog");
    QTest::addColumn<int>("pointSize");
    for (int size : desktopPointSizes) {
        for (int d = 0; d < int(std::size(dialogs)); ++d)
            QTest::addRow("%s, %d pt", dialogs[d].name, size) << d << size;
    }
}

void TestWindowFit::everyTextShowsWhole()
{
    QFETCH(int, dialog);
    QFETCH(int, pointSize);
    OnDesktop desktop(pointSize);
    QVERIFY2(desktop.problem().isEmpty(), qPrintable(desktop.problem()));
    PromptScript& prompts = desktop.prompts;
    Installation& i = desktop.installation;
    std::unique_ptr<QWidget> shown(dialogs[dialog].make(i));
    QVERIFY2(shown, "no such dialog");
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
    const QStringList under = textsUnderNeighbours(shown.get());
    QVERIFY2(under.isEmpty(), qPrintable(under.join(QStringLiteral("; "))));
    const QStringList cut = cutTexts(shown.get());
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("; "))));
    QVERIFY2(tooBigForScreen(shown.get()).isEmpty(), qPrintable(tooBigForScreen(shown.get())));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestWindowFit::caseWindowsOpenApartNamingPatientAndDrug_data()
{
    QTest::addColumn<QString>("drug");
    QTest::addColumn<QString>("drugName");
    QTest::newRow("gentamicin") << "Gentamicin"
                                << "Gentamicin";
    QTest::newRow("phenytoin") << "Phenytoin"
                               << "Phenytoin";
    // The user's own name of the drug, as the case page shows it.
    QTest::newRow("user's choice") << userChoiceDrug << "Investigational drug";
}

void TestWindowFit::caseWindowsOpenApartNamingPatientAndDrug()
{
    QFETCH(QString, drug);
    QFETCH(QString, drugName);
    PromptScript prompts;
    Installation i;
    QVERIFY2(i.ready, qPrintable(i.env.error()));
    i.fillCase(drug);
    std::unique_ptr<QWidget> mainWindow(casePageInMainWindow(i));
    mainWindow->show();
    MainPage* page = static_cast<MainWindow*>(mainWindow.get())->casePage();
    QCOMPARE(page->findChild<QLineEdit*>(QStringLiteral("Line_Drug"))->text(), drugName);

    const QVector<OpenedWindow> opened = openEveryCaseWindow(page);
    QCOMPARE(opened.size(), 5);
    const QString names = QStringLiteral(":  Montgomery-Whitfield, Christopher, ") + drugName;
    QVector<QPoint> corners;
    for (const OpenedWindow& w : opened) {
        QVERIFY2(w.title.endsWith(names), qPrintable(w.title));
        QVERIFY2(!corners.contains(w.place.topLeft()), qPrintable(w.title));
        corners << w.place.topLeft();
        // On the smallest screen, with its title bar, as far as its size allows.
        const QRect frame = w.place.adjusted(0, 0, 0, titleBarHeight);
        QVERIFY2(frame.left() >= 0 && frame.top() >= 0, qPrintable(w.title));
        QVERIFY2(frame.right() < screenWidth || frame.left() == 0, qPrintable(w.title));
        QVERIFY2(frame.bottom() < screenHeight || frame.top() == 0, qPrintable(w.title));
    }
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestWindowFit::largestCustomValuesKeepTheCasePageOnScreen_data()
{
    QTest::addColumn<QString>("drug");
    QTest::addColumn<int>("pointSize");
    for (int size : desktopPointSizes) {
        for (const QString& drug : formDrugs())
            QTest::addRow("%s, %d pt", qPrintable(drug), size) << drug << size;
    }
}

// Each custom field takes as many digits as its validator lets through, typed and left with Tab
// as a user does; the volume per kilogram such a Vd gives is no reason for the page to widen.
void TestWindowFit::largestCustomValuesKeepTheCasePageOnScreen()
{
    QFETCH(QString, drug);
    QFETCH(int, pointSize);
    OnDesktop desktop(pointSize);
    QVERIFY2(desktop.problem().isEmpty(), qPrintable(desktop.problem()));
    PromptScript& prompts = desktop.prompts;
    Installation& i = desktop.installation;
    i.fillCase(drug);
    std::unique_ptr<QWidget> window(casePageInMainWindow(i));
    window->resize(screenWidth, screenHeight - titleBarHeight);
    window->show();
    // A display without a window manager activates no window by itself.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    const QList<QLineEdit*> fields =
        window->findChildren<QLineEdit*>(QRegularExpression(QStringLiteral("^line_Custom_")));
    for (QLineEdit* field : fields) {
        if (!field->isVisible() || !field->isEnabled())
            continue;
        typeOver(field, QStringLiteral("9999999999.9999999999"));
        testsupport::settleLayouts();
        const QString tooBig = tooBigForScreen(window.get());
        QVERIFY2(tooBig.isEmpty(), qPrintable(field->objectName() + QStringLiteral(": ") + tooBig));
    }
    // The half-life of that Vd with the least clearance has eight whole digits; every figure
    // shows from its first digit.
    typeOver(window->findChild<QLineEdit*>(QStringLiteral("line_Custom_cl")),
             QStringLiteral("0.001"));
    QApplication::focusWidget()->clearFocus(); // a field the user is in may scroll
    const QStringList hiding = testsupport::fieldsHidingTheirStart(
        window.get(), QRegularExpression(QStringLiteral("^line_(Pop|Custom|Bayes|LS)_")));
    QVERIFY2(hiding.isEmpty(), qPrintable(hiding.join(QStringLiteral("; "))));
    // The volume per kilogram of that Vd is whole one hover away.
    const auto* perKg = window->findChild<QLabel*>(QStringLiteral("Label_Custom_vd_u"));
    QCOMPARE(perKg->toolTip(), ParameterGroupView::volumePerKg(
                                   i.session.pkSets[pk::kCustom][pk::kVd], i.session.weightKg));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestWindowFit::longNamesShowTheirFirstLetter_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("pointSize");
    for (int size : desktopPointSizes) {
        for (const char* window :
             {"case page", "patient form, refilled", "patient form, typed", "search, typed"})
            QTest::addRow("%s, %d pt", window, size) << QString::fromLatin1(window) << size;
    }
}

// Names and identifiers longer than their fields, shown by the program or typed and left with
// Tab: each field shows its first letter, and its whole text one hover away.
void TestWindowFit::longNamesShowTheirFirstLetter()
{
    QFETCH(QString, window);
    QFETCH(int, pointSize);
    OnDesktop desktop(pointSize);
    QVERIFY2(desktop.problem().isEmpty(), qPrintable(desktop.problem()));
    PromptScript& prompts = desktop.prompts;
    Installation& i = desktop.installation;
    const bool casePage = window == QLatin1String("case page");
    // The user's own name of the drug is a name the case page shows too.
    i.fillCase(casePage ? userChoiceDrug : QStringLiteral("Gentamicin"));
    const QStringList names{QStringLiteral("Maximilian Christopher Joseph"),
                            QStringLiteral("Montgomery-Whitfield-Ashcombe"),
                            QStringLiteral("MRN-2024-000123456789-7B"),
                            QStringLiteral("Investigational drug of the ward")};
    i.session.patient.firstName = names[0];
    i.session.patient.lastName = names[1];
    i.session.patient.hospitalId = names[2];
    i.session.userChoice.drugNameText = names[3];
    // The fields of the names, in the order above.
    const bool search = window.startsWith(QLatin1String("search"));
    const QStringList fields =
        casePage ? QStringList{"Line_First", "Line_Last", "Line_Hosp_ID", "Line_Drug"}
        : search ? QStringList{"line_last"}
                 : QStringList{"line_first", "line_last", "line_hosp"};
    std::unique_ptr<QWidget> shown;
    if (casePage) {
        shown.reset(casePageInMainWindow(i));
    } else if (search) {
        shown.reset(dialogNamed("open patient").make(i));
    } else {
        auto* form =
            new newPatient(nullptr, &i.session, &i.calculator, &i.catalogue, &i.config, false);
        shown.reset(form);
        if (window.endsWith(QLatin1String("refilled")))
            form->loadCurrentPatient();
    }
    shown->show();
    // A display without a window manager activates no window by itself.
    shown->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shown.get()));
    if (search) {
        QTest::mouseClick(shown->findChild<QLineEdit*>(fields[0]), Qt::LeftButton);
        QTest::keyClicks(QApplication::focusWidget(), names[0]);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } else if (window.endsWith(QLatin1String("typed"))) {
        // In the form's order: last name, first name, identifier.
        QTest::mouseClick(shown->findChild<QLineEdit*>(fields[1]), Qt::LeftButton);
        for (const QString& typed : {names[1], names[0], names[2]}) {
            QTest::keyClicks(QApplication::focusWidget(), typed);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
    }
    for (int n = 0; n < fields.size(); ++n) {
        const auto* field = shown->findChild<QLineEdit*>(fields[n]);
        QCOMPARE(field->text(), names[n]);
        QVERIFY2(field->fontMetrics().horizontalAdvance(names[n]) > field->width(),
                 qPrintable(fields[n] + QStringLiteral(" has room for the whole text")));
    }
    const QStringList hiding = testsupport::fieldsHidingTheirStart(
        shown.get(),
        QRegularExpression(QStringLiteral("^(%1)$").arg(fields.join(QLatin1Char('|')))));
    QVERIFY2(hiding.isEmpty(), qPrintable(hiding.join(QStringLiteral("; "))));
    // A field destroyed with the focus loses it in QWidget's destructor, a line edit no longer:
    // the sanitizer build ends the test at any call into it.
    shown->findChild<QLineEdit*>(fields[0])->setFocus(Qt::OtherFocusReason);
    QVERIFY(shown->findChild<QLineEdit*>(fields[0])->hasFocus());
    shown.reset();
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

TALVORA_TEST_MAIN(TestWindowFit)
#include "tst_windowfit.moc"
