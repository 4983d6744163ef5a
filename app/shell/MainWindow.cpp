#include "app/shell/MainWindow.h"
#include "ui_MainWindow.h"

#include "app/About.h"
#include "app/GuestMode.h"
#include "app/HelpPage.h"
#include "app/ProgramConfig.h"
#include "app/UserManagementFields.h"
#include "app/WelcomePage.h"
#include "app/shell/ChosenWindowSize.h"
#include "app/shell/UpdateReminder.h"
#include "app/userManagepage.h"
#include "app/userSetting.h"
#include "cases/MainPage.h"
#include "cases/newPatient.h"
#include "cases/openPatient.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "platform/MessageBox.h"
#include "settings/ProgramSettingPage.h"

#include <QCloseEvent>
#include <QDate>
#include <QMenu>
#include <QStyle>

MainWindow::MainWindow(QWidget* parent, SessionData* session, ProgramConfig* config)
    : QMainWindow(parent), ui(new Ui::MainWindow), m_session(session), m_config(config)
{
    ui->setupUi(this);
    // A page that needs more room than the window has must not leave it wider for the next.
    new ChosenWindowSize(this);
    dimDisabledMenuText();
    // The calculator and the catalogue serve every case window of this window's life.
    m_calculator = std::make_unique<PkCalculator>(m_session);
    m_catalogue = std::make_unique<DrugInfo>(m_session, m_calculator.get());
    showWelcomePage();
    m_settingsPage =
        new ProgramSettingPage(this, m_calculator.get(), m_catalogue.get(), m_config, m_session);
    connect(m_settingsPage, &ProgramSettingPage::version_update_exit, this, &QWidget::close);
    if (!m_session->loggedIn)
        ui->actionUser_Setting->setEnabled(false);
    else
        runUpdateReminder();
    ui->actionUser_Setting->setText(m_session->userType == AccountFields::typeAdministrator
                                        ? tr("Manage User Accounts")
                                        : tr("Update User Information"));
}

MainWindow::~MainWindow()
{
    // The pages and dialogs made here keep pointers to the calculator and the catalogue; they go
    // before them rather than with the window's other children.
    qDeleteAll(findChildren<QDialog*>(QString(), Qt::FindDirectChildrenOnly));
    qDeleteAll(findChildren<MainPage*>(QString(), Qt::FindDirectChildrenOnly));
}

bool MainWindow::showsCasePage() const
{
    return m_casePage && centralWidget() == m_casePage;
}

void MainWindow::showWelcomePage()
{
    m_welcomePage = new WelcomePage(this, m_config, m_session);
    connect(m_welcomePage, &WelcomePage::create_newpatient, this, &MainWindow::create_newpatient);
    connect(m_welcomePage, &WelcomePage::create_openpatient, this, &MainWindow::create_openpatient);
    setCentralWidget(m_welcomePage);
    enableAnalysisActions(false); // no case, nothing to analyse
    if (m_settingsPage)
        m_settingsPage->setCaseOpen(false);
}

void MainWindow::runUpdateReminder()
{
    const UpdateReminder::Outcome outcome =
        UpdateReminder::run(m_config->settingsPath(), QDate::currentDate());
    if (outcome.action == UpdateReminder::Action::StartCheck)
        m_settingsPage->on_button_version_update_clicked();
    else if (outcome.action == UpdateReminder::Action::ShowNotice)
        m_welcomePage->showNewVersionNotice(outcome.newerVersionKnown);
}

// The program's palette gives disabled text the normal colour, which keeps read-only fields
// legible in their set colours; a menu must still show which of its actions are unavailable.
void MainWindow::dimDisabledMenuText()
{
    const QPalette standard = style()->standardPalette();
    for (QMenu* menu : findChildren<QMenu*>()) {
        QPalette palette = menu->palette();
        for (const QPalette::ColorRole role :
             {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            palette.setColor(QPalette::Disabled, role, standard.color(QPalette::Disabled, role));
        menu->setPalette(palette);
    }
}

void MainWindow::enableAnalysisActions(bool enabled)
{
    ui->actionDosage_Regimen_Forecast->setEnabled(enabled);
    ui->actionSerum_Level_Forecast->setEnabled(enabled);
    ui->actionSerum_Level_Analysis->setEnabled(enabled);
}

void MainWindow::create_mainpage()
{
    m_casePage = new MainPage(this, m_session, m_calculator.get(), m_catalogue.get(), m_config);
    m_casePage->showCaseInfo();
    m_casePage->showPatientInfo();
    m_casePage->showPopulationPK();
    m_casePage->showCustomPK();
    m_casePage->showBodyMeasures();
    setCentralWidget(m_casePage);
    // The form that was confirmed: after a search that was cancelled, the last form created is
    // that search's blank one, not the form of the case now shown.
    auto* confirmed = qobject_cast<newPatient*>(sender());
    m_currentForm = confirmed ? confirmed : m_newForm;
    if (m_currentForm) {
        m_currentForm->isNewPatient = false;
        m_currentForm->isNewCase = false;
    }
    connect(m_casePage, &MainPage::show_currentpatient, this, &MainWindow::show_currentpatient);
    connect(ui->actionDosage_Regimen_Forecast, &QAction::triggered, m_casePage,
            &MainPage::mainwindow_dosage_regimen_forecast);
    connect(ui->actionSerum_Level_Forecast, &QAction::triggered, m_casePage,
            &MainPage::mainwindow_serum_level_forecast);
    connect(ui->actionSerum_Level_Analysis, &QAction::triggered, m_casePage,
            &MainPage::mainwindow_serum_level_analysis);
    connect(m_casePage, &MainPage::database_update, m_settingsPage,
            &ProgramSettingPage::database_update);
    m_settingsPage->setCaseOpen(true);
    ui->actionDosage_Regimen_Forecast->setEnabled(m_casePage->regimenForecastAvailable());
    ui->actionSerum_Level_Forecast->setEnabled(m_casePage->levelForecastAvailable());
    ui->actionSerum_Level_Analysis->setEnabled(m_casePage->analysisAvailable());
}

newPatient* MainWindow::makePatientForm(bool isNewPatient)
{
    m_newForm = new newPatient(this, m_session, m_calculator.get(), m_catalogue.get(), m_config,
                               isNewPatient);
    connect(m_newForm, &newPatient::create_mainpage, this, &MainWindow::create_mainpage);
    return m_newForm;
}

void MainWindow::create_newpatient()
{
    Modal::exec(makePatientForm(true));
}

void MainWindow::create_openpatient()
{
    newPatient* form = makePatientForm(false);
    m_searchDialog =
        new openPatient(this, m_session, m_calculator.get(), m_catalogue.get(), form, m_config);
    Modal::exec(m_searchDialog);
}

void MainWindow::show_currentpatient()
{
    if (!m_currentForm)
        return;
    m_currentForm->loadCurrentPatient();
    Modal::exec(m_currentForm);
}

bool MainWindow::casePageUnsaved() const
{
    return showsCasePage() && m_session->loggedIn && !m_session->saved;
}

MainWindow::SaveAnswer MainWindow::askToSave()
{
    if (!casePageUnsaved())
        return SaveAnswer::NotAsked;
    switch (MessageBox::saveDiscardCancel(nullptr, tr("Save patient"),
                                          tr("Do you want to save the current patient?"))) {
    case QMessageBox::Save:
        // A refused save (another user's changes, a database fault) keeps the case on screen
        // rather than dropping what was typed.
        m_casePage->on_button_save_clicked();
        return m_session->saved ? SaveAnswer::Saved : SaveAnswer::Cancelled;
    case QMessageBox::Discard:
        return SaveAnswer::Discarded;
    default:
        return SaveAnswer::Cancelled;
    }
}

// The save question before another case replaces the one shown; false when cancelled.
bool MainWindow::readyForAnotherCase()
{
    const SaveAnswer answer = askToSave();
    if (answer == SaveAnswer::Cancelled)
        return false;
    if (answer != SaveAnswer::NotAsked)
        showWelcomePage();
    return true;
}

void MainWindow::on_actionNew_Patient_triggered()
{
    if (readyForAnotherCase())
        create_newpatient();
}

void MainWindow::on_actionOpen_Patient_triggered()
{
    if (!loggedInOrTold(nullptr, *m_session))
        return;
    if (readyForAnotherCase())
        create_openpatient();
}

void MainWindow::on_actionExit_triggered()
{
    close();
}

void MainWindow::on_actionProgram_Setting_triggered()
{
    Modal::exec(m_settingsPage);
}

void MainWindow::on_actionUser_Setting_triggered()
{
    if (m_session->userType == AccountFields::typeAdministrator) {
        m_accountManager = new userManagepage(this, m_session, m_config);
        Modal::exec(m_accountManager);
    } else if (m_session->userType == AccountFields::typeUser) {
        m_userSettingDialog = new userSetting(this, m_session, m_config);
        Modal::exec(m_userSettingDialog);
    }
}

void MainWindow::on_actionLog_Out_triggered()
{
    m_session->restartAfterLogOut = true;
    close();
}

void MainWindow::on_actionSoftware_Update_triggered()
{
    m_settingsPage->showSoftwareVersionPage(ProgramSettingPage::versionPage);
    Modal::exec(m_settingsPage);
}

void MainWindow::on_actionAbout_triggered()
{
    m_about = new About(nullptr);
    m_about->setAttribute(Qt::WA_DeleteOnClose);
    m_about->show();
}

void MainWindow::on_actionManual_triggered()
{
    m_help = new HelpPage(nullptr);
    m_help->setAttribute(Qt::WA_DeleteOnClose);
    Modal::exec(m_help);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_session->closeWithoutAsking) {
        event->accept();
        return;
    }
    if (casePageUnsaved()) {
        if (askToSave() == SaveAnswer::Cancelled)
            event->ignore();
        else
            event->accept();
        return;
    }
    if (m_session->restartAfterLogOut) {
        event->accept();
        return;
    }
    const bool leave =
        MessageBox::question(nullptr, tr("Exit"), tr("Do you want to exit the program?"),
                             QMessageBox::No, QMessageBox::NoIcon) == QMessageBox::Yes;
    leave ? event->accept() : event->ignore();
}
