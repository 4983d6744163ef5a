#pragma once

#include <QMainWindow>

#include <memory>

class About;
class DrugInfo;
class HelpPage;
class MainPage;
class PkCalculator;
class ProgramConfig;
class ProgramSettingPage;
class SessionData;
class WelcomePage;
class newPatient;
class openPatient;
class userManagepage;
class userSetting;

namespace Ui
{
class MainWindow;
}

// The program's one top-level window: its menus reach every function, and its centre shows the
// welcome page or the page of the case being worked on.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    MainWindow(QWidget* parent, SessionData* session, ProgramConfig* config);
    ~MainWindow() override;

    // For tests and the start-up loop: what the window is showing.
    WelcomePage* welcomePage() const { return m_welcomePage; }
    MainPage* casePage() const { return m_casePage; }
    bool showsCasePage() const;

public slots:
    void create_mainpage();
    void create_newpatient();
    void create_openpatient();
    void show_currentpatient();

private slots:
    void on_actionNew_Patient_triggered();
    void on_actionOpen_Patient_triggered();
    void on_actionExit_triggered();
    void on_actionProgram_Setting_triggered();
    void on_actionUser_Setting_triggered();
    void on_actionLog_Out_triggered();
    void on_actionSoftware_Update_triggered();
    void on_actionAbout_triggered();
    void on_actionManual_triggered();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class SaveAnswer { Saved, Discarded, Cancelled, NotAsked };

    void showWelcomePage();
    void runUpdateReminder();
    bool casePageUnsaved() const;
    SaveAnswer askToSave();
    bool readyForAnotherCase();
    void enableAnalysisActions(bool enabled);
    void dimDisabledMenuText();
    newPatient* makePatientForm(bool isNewPatient);

    std::unique_ptr<Ui::MainWindow> ui;
    SessionData* m_session;
    std::unique_ptr<PkCalculator> m_calculator;
    std::unique_ptr<DrugInfo> m_catalogue;
    WelcomePage* m_welcomePage = nullptr;
    MainPage* m_casePage = nullptr;
    openPatient* m_searchDialog = nullptr;
    newPatient* m_newForm = nullptr;
    newPatient* m_currentForm = nullptr;
    ProgramConfig* m_config;
    userSetting* m_userSettingDialog = nullptr;
    userManagepage* m_accountManager = nullptr;
    ProgramSettingPage* m_settingsPage = nullptr;
    About* m_about = nullptr;
    HelpPage* m_help = nullptr;
};
