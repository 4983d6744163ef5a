#include "settings/ProgramSettingPage.h"
#include "ui_ProgramSettingPage.h"

#include "app/ProgramConfig.h"
#include "pkcore/SessionData.h"
#include "platform/MessageBox.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"
#include "platform/WheelGuard.h"
#include "settings/DatabaseRelocation.h"
#include "settings/StyleChoice.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabBar>
#include <QTreeWidgetItem>

namespace
{

struct TreeEntry {
    const char* text;
    const char* icon;
    int page;
    // Pages that need the database may be closed to guests; their items are then disabled.
    bool onlyWhenEnabled;
};

// In the order of the tree. The texts stay untranslated: navigation compares them.
const TreeEntry treeEntries[] = {
    {"General Setting", ":/image/setting.png", ProgramSettingPage::generalPage, false},
    {"Report Setting", ":/image/report.ico", ProgramSettingPage::reportPage, false},
    {"Database", ":/image/database.png", ProgramSettingPage::databasePage, true},
    {"Software Version", ":/image/version.png", ProgramSettingPage::versionPage, false},
    {"Convert Database", ":/image/convert.png", ProgramSettingPage::convertPage, true},
};
constexpr int generalEntry = 0;
constexpr int versionEntry = 3;
constexpr int convertEntry = 4;

constexpr int monthlyIndex = 0;
constexpr int neverIndex = 1;

// The log-in dialog reads this key as "Config/logInMode"; names match without regard to case.
constexpr char logInModeKey[] = "Config/LogInMode";

const char* const lastSaveQuery = "SELECT MAX(DATE_UPDATED) AS DATE, MODIFY_BY FROM Cases";
constexpr int lastSaveDateColumn = 0;
constexpr int lastSaveUserColumn = 1;

struct ReportBox {
    QCheckBox* Ui::ProgramSettingPage::*box;
    const char* key;
    // A section box ticked on its own unticks the other section, so that one forecast section
    // starts ticked at a time.
    QCheckBox* Ui::ProgramSettingPage::*otherSection = nullptr;
};

const ReportBox reportBoxes[] = {
    {&Ui::ProgramSettingPage::checkBox_pop_param, SettingsKeys::reportPopulationPK},
    {&Ui::ProgramSettingPage::checkBox_custom_param, SettingsKeys::reportCustomPK},
    {&Ui::ProgramSettingPage::checkBox_bayes_param, SettingsKeys::reportBayesianPK},
    {&Ui::ProgramSettingPage::checkBox_LS_param, SettingsKeys::reportLeastSquarePK},
    {&Ui::ProgramSettingPage::checkBox_prior_graph, SettingsKeys::reportPriorGraph},
    {&Ui::ProgramSettingPage::checkBox_bayes_graph, SettingsKeys::reportBayesianGraph},
    {&Ui::ProgramSettingPage::checkBox_LS_graph, SettingsKeys::reportLeastSquareGraph},
    {&Ui::ProgramSettingPage::checkBox_dosage_regimen_forecast, SettingsKeys::reportDrf,
     &Ui::ProgramSettingPage::checkBox_serum_level_forecast},
    {&Ui::ProgramSettingPage::checkBox_dosage_regimen_forecast_pop,
     SettingsKeys::reportPopulationDrf},
    {&Ui::ProgramSettingPage::checkBox_dosage_regimen_forecast_custom,
     SettingsKeys::reportCustomDrf},
    {&Ui::ProgramSettingPage::checkBox_dosage_regimen_forecast_bayes,
     SettingsKeys::reportBayesianDrf},
    {&Ui::ProgramSettingPage::checkBox_dosage_regimen_forecast_ls,
     SettingsKeys::reportLeastSquareDrf},
    {&Ui::ProgramSettingPage::checkBox_serum_level_forecast, SettingsKeys::reportSlf,
     &Ui::ProgramSettingPage::checkBox_dosage_regimen_forecast},
    {&Ui::ProgramSettingPage::checkBox_serum_level_forecast_pop, SettingsKeys::reportPopulationSlf},
    {&Ui::ProgramSettingPage::checkBox_serum_level_forecast_custom, SettingsKeys::reportCustomSlf},
    {&Ui::ProgramSettingPage::checkBox_serum_level_forecast_bayes, SettingsKeys::reportBayesianSlf},
    {&Ui::ProgramSettingPage::checkBox_serum_level_forecast_ls, SettingsKeys::reportLeastSquareSlf},
};
static_assert(sizeof(reportBoxes) / sizeof(reportBoxes[0]) == SettingsKeys::reportKeyCount,
              "one box per report key");

QString key(const char* name)
{
    return QLatin1String(name);
}

const ReportBox* reportBoxOf(const Ui::ProgramSettingPage* ui, const QCheckBox* box)
{
    for (const ReportBox& entry : reportBoxes) {
        if ((*ui).*entry.box == box)
            return &entry;
    }
    return nullptr;
}

} // namespace

ProgramSettingPage::ProgramSettingPage(QWidget* parent, PkCalculator* calculator,
                                       DrugInfo* drugInfo, ProgramConfig* config,
                                       SessionData* session)
    : QDialog(parent), ui(new Ui::ProgramSettingPage), m_calculator(calculator),
      m_drugInfo(drugInfo), m_config(config), m_session(session)
{
    ui->setupUi(this);
    guardWheel(this);
    ui->treeWidget->setColumnCount(1);
    ui->treeWidget->setHeaderLabel(tr("Settings"));
    ui->tabWidget->tabBar()->hide();
    buildTree();
    ui->tabWidget->setCurrentIndex(generalPage);

    loadSettings();
    database_update();
    showDatabasePath();
    ui->new_db_path->setText(m_config->databasePath());
    ui->label_current_version->setText(
        tr("Current Version:%1").arg(QLatin1String(programVersionText)));
    ui->frame_download->hide();
    // Only a signed-in user may decide how everybody signs in.
    ui->groupBox->setEnabled(m_session->loggedIn);
    setWindowTitle(tr("Program Setting"));
}

ProgramSettingPage::~ProgramSettingPage() = default;

void ProgramSettingPage::buildTree()
{
    QList<QTreeWidgetItem*> items;
    for (const TreeEntry& entry : treeEntries) {
        auto* item = new QTreeWidgetItem(ui->treeWidget);
        item->setText(0, QLatin1String(entry.text));
        item->setIcon(0, QIcon(QLatin1String(entry.icon)));
        items << item;
    }
    m_versionItem = items[versionEntry];
    ui->treeWidget->expandAll();
    ui->treeWidget->setCurrentItem(items[generalEntry]);
    if (!m_session->loggedIn)
        items[convertEntry]->setDisabled(true);
}

void ProgramSettingPage::showSoftwareVersionPage(int index)
{
    ui->tabWidget->setCurrentIndex(index);
    ui->treeWidget->setCurrentItem(m_versionItem);
}

void ProgramSettingPage::setCaseOpen(bool open)
{
    m_caseOpen = open;
}

bool ProgramSettingPage::caseOpen() const
{
    return m_caseOpen || m_session->caseNumber != 0;
}

void ProgramSettingPage::on_treeWidget_itemClicked(QTreeWidgetItem* item, int column)
{
    if (!item)
        return;
    const QString text = item->text(column);
    for (const TreeEntry& entry : treeEntries) {
        if (text != QLatin1String(entry.text))
            continue;
        if (entry.onlyWhenEnabled && item->isDisabled())
            return;
        ui->tabWidget->setCurrentIndex(entry.page);
        return;
    }
}

void ProgramSettingPage::loadSettings()
{
    const SettingsFile settings(m_config->settingsPath());

    const bool cm =
        settings.read(SettingsKeys::unitHeightSetting) == QLatin1String(SettingsKeys::heightCm);
    (cm ? ui->height_cm : ui->height_inch)->setChecked(true);

    const bool kg =
        settings.read(SettingsKeys::unitWeightSetting) == QLatin1String(SettingsKeys::weightKg);
    (kg ? ui->weight_kg : ui->weight_lb)->setChecked(true);

    const QString style = settings.read(SettingsKeys::backGroundOptionSetting);
    QRadioButton* styleButton = ui->button_style_4;
    if (style == QLatin1String(SettingsKeys::styleNone))
        styleButton = ui->button_no_style;
    else if (style == QLatin1String(SettingsKeys::styleSkyBlue))
        styleButton = ui->button_style_1;
    else if (style == QLatin1String(SettingsKeys::styleAutumnOrange))
        styleButton = ui->button_style_2;
    else if (style == QLatin1String(SettingsKeys::styleGrassGreen))
        styleButton = ui->button_style_3;
    styleButton->setChecked(true);

    const bool list = settings.read(SettingsKeys::configLogInModeSetting) ==
                      QLatin1String(SettingsKeys::logInModeList);
    (list ? ui->userName_list : ui->userName_input)->setChecked(true);

    const bool monthly = settings.read(SettingsKeys::updateFrequencySetting) ==
                         QLatin1String(SettingsKeys::frequencyMonthly);
    ui->comboBox_update_interval->setCurrentIndex(monthly ? monthlyIndex : neverIndex);

    loadReportBoxes();
}

void ProgramSettingPage::loadReportBoxes()
{
    const SettingsFile settings(m_config->settingsPath());
    for (const ReportBox& entry : reportBoxes)
        ((*ui).*entry.box)
            ->setChecked(settings.boolValue(key(entry.key), SettingsKeys::reportDefault));
}

void ProgramSettingPage::showDatabasePath()
{
    ui->db_path->setText(m_config->databasePath());
}

void ProgramSettingPage::database_update()
{
    QSqlDatabase db = QSqlDatabase::database();
    if (db.isOpen()) {
        QSqlQuery query(db);
        if (query.exec(QLatin1String(lastSaveQuery))) {
            if (query.next()) {
                ui->db_info_last_date->setText(query.value(lastSaveDateColumn).toString());
                ui->db_info_last_by->setText(query.value(lastSaveUserColumn).toString());
            }
            return;
        }
    }
    // A database that cannot be read has no last save to show.
    ui->db_info_last_by->clear();
    ui->db_info_last_date->clear();
}

bool ProgramSettingPage::writeSetting(const char* name, const QString& value)
{
    SettingsFile settings(m_config->settingsPath());
    if (settings.setValue(key(name), value))
        return true;
    MessageBox::information(this, tr("Error"),
                            tr("The setting could not be saved.\n%1").arg(settings.lastError()));
    // The widgets show the file again, not a choice that was never stored.
    loadSettings();
    return false;
}

bool ProgramSettingPage::writeBool(const char* name, bool value)
{
    return writeSetting(name, key(value ? SettingsKeys::textTrue : SettingsKeys::textFalse));
}

void ProgramSettingPage::on_height_cm_clicked()
{
    writeSetting(SettingsKeys::unitHeight, key(SettingsKeys::heightCm));
}

void ProgramSettingPage::on_height_inch_clicked()
{
    writeSetting(SettingsKeys::unitHeight, key(SettingsKeys::heightInch));
}

void ProgramSettingPage::on_weight_kg_clicked()
{
    writeSetting(SettingsKeys::unitWeight, key(SettingsKeys::weightKg));
}

void ProgramSettingPage::on_weight_lb_clicked()
{
    writeSetting(SettingsKeys::unitWeight, key(SettingsKeys::weightLb));
}

void ProgramSettingPage::chooseStyle(const char* option)
{
    if (!writeSetting(SettingsKeys::backGroundOption, key(option)))
        return;
    QApplication* application = m_session->application;
    if (!application)
        application = qobject_cast<QApplication*>(QCoreApplication::instance());
    applyStyleOption(application, key(option));
}

void ProgramSettingPage::on_button_no_style_clicked()
{
    chooseStyle(SettingsKeys::styleNone);
}

void ProgramSettingPage::on_button_style_1_clicked()
{
    chooseStyle(SettingsKeys::styleSkyBlue);
}

void ProgramSettingPage::on_button_style_2_clicked()
{
    chooseStyle(SettingsKeys::styleAutumnOrange);
}

void ProgramSettingPage::on_button_style_3_clicked()
{
    chooseStyle(SettingsKeys::styleGrassGreen);
}

void ProgramSettingPage::on_button_style_4_clicked()
{
    chooseStyle(SettingsKeys::styleFireRed);
}

void ProgramSettingPage::chooseLogInMode(const char* mode)
{
    if (!m_session->loggedIn) {
        loadSettings();
        return;
    }
    writeSetting(logInModeKey, key(mode));
}

void ProgramSettingPage::on_userName_list_clicked()
{
    chooseLogInMode(SettingsKeys::logInModeList);
}

void ProgramSettingPage::on_userName_input_clicked()
{
    chooseLogInMode(SettingsKeys::logInModeInput);
}

void ProgramSettingPage::on_comboBox_update_interval_activated(int index)
{
    const char* frequency =
        index == monthlyIndex ? SettingsKeys::frequencyMonthly : SettingsKeys::frequencyNever;
    if (writeSetting(SettingsKeys::updateFrequency, key(frequency)))
        writeSetting(SettingsKeys::updatePrompt, key(SettingsKeys::promptYes));
}

void ProgramSettingPage::reportBoxClicked(QCheckBox* box, bool checked)
{
    const ReportBox* entry = reportBoxOf(ui.get(), box);
    if (!entry || !writeBool(entry->key, checked) || !checked || !entry->otherSection)
        return;
    QCheckBox* other = (*ui).*entry->otherSection;
    if (writeBool(reportBoxOf(ui.get(), other)->key, false))
        other->setChecked(false);
}

void ProgramSettingPage::on_checkBox_pop_param_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_pop_param, checked);
}

void ProgramSettingPage::on_checkBox_custom_param_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_custom_param, checked);
}

void ProgramSettingPage::on_checkBox_bayes_param_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_bayes_param, checked);
}

void ProgramSettingPage::on_checkBox_LS_param_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_LS_param, checked);
}

void ProgramSettingPage::on_checkBox_prior_graph_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_prior_graph, checked);
}

void ProgramSettingPage::on_checkBox_bayes_graph_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_bayes_graph, checked);
}

void ProgramSettingPage::on_checkBox_LS_graph_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_LS_graph, checked);
}

void ProgramSettingPage::on_checkBox_dosage_regimen_forecast_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_dosage_regimen_forecast, checked);
}

void ProgramSettingPage::on_checkBox_dosage_regimen_forecast_pop_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_dosage_regimen_forecast_pop, checked);
}

void ProgramSettingPage::on_checkBox_dosage_regimen_forecast_custom_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_dosage_regimen_forecast_custom, checked);
}

void ProgramSettingPage::on_checkBox_dosage_regimen_forecast_bayes_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_dosage_regimen_forecast_bayes, checked);
}

void ProgramSettingPage::on_checkBox_dosage_regimen_forecast_ls_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_dosage_regimen_forecast_ls, checked);
}

void ProgramSettingPage::on_checkBox_serum_level_forecast_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_serum_level_forecast, checked);
}

void ProgramSettingPage::on_checkBox_serum_level_forecast_pop_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_serum_level_forecast_pop, checked);
}

void ProgramSettingPage::on_checkBox_serum_level_forecast_custom_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_serum_level_forecast_custom, checked);
}

void ProgramSettingPage::on_checkBox_serum_level_forecast_bayes_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_serum_level_forecast_bayes, checked);
}

void ProgramSettingPage::on_checkBox_serum_level_forecast_ls_clicked(bool checked)
{
    reportBoxClicked(ui->checkBox_serum_level_forecast_ls, checked);
}

void ProgramSettingPage::on_db_path_change_clicked()
{
    changeDatabasePath();
}

bool ProgramSettingPage::refuseDatabaseChange()
{
    if (!m_session->loggedIn) {
        MessageBox::information(this, tr("Guest Mode"),
                                tr("Guests cannot change the database. Please log in to switch "
                                   "or move the database."));
        return true;
    }
    // Logging out is the one command that ends a case; the message names it as the menu does.
    if (caseOpen()) {
        MessageBox::information(this, tr("Warning"),
                                tr("Please close the current case with File > Log Out and log in "
                                   "again before you switch or move the database."));
        return true;
    }
    return false;
}

void ProgramSettingPage::changeDatabasePath()
{
    if (refuseDatabaseChange())
        return;
    const QString path =
        // Choosing an existing file means switching to it, not replacing it.
        FileDialog::getSaveFileName(this, tr("Database path"), m_config->databasePath(),
                                    tr("Database file(*.db);;Allfile(*.*)"),
                                    QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return;

    DatabaseRelocation relocation(m_config);
    RelocationOutcome outcome;
    if (QFileInfo::exists(path)) {
        outcome = relocation.switchTo(path);
    } else {
        const auto answer = MessageBox::question(
            this, tr("Database copy"),
            tr("Database dose not exist in the directory you select. \nDo you want to move the "
               "database to the new path? \nWarning: Moving database might cause error for "
               "Talvora on other computer."),
            QMessageBox::No, QMessageBox::NoIcon);
        if (answer != QMessageBox::Yes)
            return;
        outcome = relocation.moveTo(path);
    }

    if (outcome.changed) {
        showDatabasePath();
        database_update();
    }
    if (outcome.kind == PromptKind::About)
        MessageBox::about(this, outcome.title, outcome.text);
    else
        MessageBox::information(this, outcome.title, outcome.text);
}
