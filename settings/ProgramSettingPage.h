#pragma once

#include "settings/UpdateCheck.h"

#include <QAbstractSocket>
#include <QCryptographicHash>
#include <QDialog>
#include <QUrl>

#include <memory>

class DrugInfo;
class PkCalculator;
class ProgramConfig;
class QCheckBox;
class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;
class QTcpSocket;
class QTreeWidgetItem;
class SessionData;

namespace Ui
{
class ProgramSettingPage;
}

// The "Program Setting" dialog: a tree of page names beside a stack of pages. There is no OK or
// Cancel; every choice goes to the settings file the moment it is made, and a style choice is
// applied to the whole application at once.
class ProgramSettingPage : public QDialog
{
    Q_OBJECT
public:
    // Page indices of the stack, in the order of the form.
    static constexpr int generalPage = 0;
    static constexpr int convertPage = 1;
    static constexpr int databasePage = 2;
    static constexpr int reportPage = 3;
    static constexpr int versionPage = 4;

    ProgramSettingPage(QWidget* parent, PkCalculator* calculator, DrugInfo* drugInfo,
                       ProgramConfig* config, SessionData* session);
    ~ProgramSettingPage() override;

    // Turns to that page and selects the "Software Version" item of the tree.
    void showSoftwareVersionPage(int index);

    // The main window reports whether a case page is open. The database cannot be switched or
    // moved under an open case, whose next save would otherwise land in an unrelated database.
    void setCaseOpen(bool open);
    bool caseOpen() const;

    // Runs the database path change of the "Database" page.
    void changeDatabasePath();

signals:
    void version_update_exit();

public slots:
    // Shows the latest case save and who made it.
    void database_update();
    void on_button_version_update_clicked();

    // The update check and the installer download.
    void check_for_update_http();
    void finish_check_for_update(QNetworkReply* reply);
    void download_start();
    void ready_read();
    void update_download_progress(qlonglong bytesRead, qlonglong totalBytes);
    void download_finish();
    void check_for_update_tcp();
    void ready_read_tcp();
    void display_error(QAbstractSocket::SocketError socketError);

private slots:
    void on_treeWidget_itemClicked(QTreeWidgetItem* item, int column);

    void on_height_cm_clicked();
    void on_height_inch_clicked();
    void on_weight_kg_clicked();
    void on_weight_lb_clicked();

    void on_button_no_style_clicked();
    void on_button_style_1_clicked();
    void on_button_style_2_clicked();
    void on_button_style_3_clicked();
    void on_button_style_4_clicked();

    void on_userName_list_clicked();
    void on_userName_input_clicked();

    void on_comboBox_update_interval_activated(int index);

    void on_checkBox_pop_param_clicked(bool checked);
    void on_checkBox_custom_param_clicked(bool checked);
    void on_checkBox_bayes_param_clicked(bool checked);
    void on_checkBox_LS_param_clicked(bool checked);
    void on_checkBox_prior_graph_clicked(bool checked);
    void on_checkBox_bayes_graph_clicked(bool checked);
    void on_checkBox_LS_graph_clicked(bool checked);
    void on_checkBox_dosage_regimen_forecast_clicked(bool checked);
    void on_checkBox_dosage_regimen_forecast_pop_clicked(bool checked);
    void on_checkBox_dosage_regimen_forecast_custom_clicked(bool checked);
    void on_checkBox_dosage_regimen_forecast_bayes_clicked(bool checked);
    void on_checkBox_dosage_regimen_forecast_ls_clicked(bool checked);
    void on_checkBox_serum_level_forecast_clicked(bool checked);
    void on_checkBox_serum_level_forecast_pop_clicked(bool checked);
    void on_checkBox_serum_level_forecast_custom_clicked(bool checked);
    void on_checkBox_serum_level_forecast_bayes_clicked(bool checked);
    void on_checkBox_serum_level_forecast_ls_clicked(bool checked);

    void on_db_path_change_clicked();

    // Filled in by the update check and the converter of older databases.
    void on_button_version_update_cancel_clicked();
    void on_button_change_old_clicked();
    void on_button_change_new_clicked();
    void on_button_convert_clicked();

private:
    void buildTree();
    // Shows what the settings file holds; also puts the widgets back after a failed write.
    void loadSettings();
    void loadReportBoxes();
    void showDatabasePath();

    bool writeSetting(const char* key, const QString& value);
    bool writeBool(const char* key, bool value);
    void chooseStyle(const char* option);
    void chooseLogInMode(const char* mode);
    // Every report box stores its own key; the table of boxes says which one.
    void reportBoxClicked(QCheckBox* box, bool checked);

    bool refuseDatabaseChange();

    // The conversion of older databases (ProgramSettingPageConvert.cpp).
    QString conversionTargetConnection() const;
    // The database the conversion writes into opens with the key, is a case database, takes a
    // write and passes the integrity check; otherwise the reason.
    QString conversionTargetProblem() const;

    // The update check's answer, from either road.
    enum class UpdateRoad { Http, Tcp };
    void handleUpdateAnswer(const UpdateOffer& offer, UpdateRoad road);
    // Ends the check once its reply is gone: the network's problem, or else the service's answer.
    void showCheckResult(const QString& problem, const UpdateOffer& offer);
    void offerDownload(const UpdateOffer& offer, UpdateRoad road, bool onScreen);
    // Why the finished download may not be installed; empty when it may.
    QString downloadProblem() const;
    void endDownload();
    void releaseDownload();
    // Asks whether to run the downloaded installer, which closes the program.
    void offerInstall();
    void resetProgress();

    std::unique_ptr<Ui::ProgramSettingPage> ui;
    PkCalculator* m_calculator;
    DrugInfo* m_drugInfo;
    ProgramConfig* m_config;
    SessionData* m_session;
    QTreeWidgetItem* m_versionItem = nullptr;
    bool m_caseOpen = false;
    // The conversion's target; empty while it writes into the database in use.
    QString newDbPath;
    // The ODBC connection string of the older database chosen; empty until one opens.
    QString m_olderConnectionString;

    QUrl downloadUrl;
    QNetworkAccessManager* networkManager = nullptr;
    // The running check; null between checks.
    QNetworkReply* m_checkReply = nullptr;
    QNetworkReply* downloadReply = nullptr;
    // Written beside its target and moved into place only when whole.
    QSaveFile* downloadFile = nullptr;
    bool downloadCancelled = false;
    QString downloadPath;
    QByteArray m_expectedSha256;
    QCryptographicHash m_digest{QCryptographicHash::Sha256};
    qint64 m_bytesWritten = 0;
    QString m_downloadProblem;
    QTcpSocket* updateSocket = nullptr;
    quint16 blockSize = 0;
};
