#include "settings/ProgramSettingPage.h"
#include "ui_ProgramSettingPage.h"

#include "app/ProgramConfig.h"
#include "pkcore/SessionData.h"
#include "platform/CipherDriver.h"
#include "platform/MessageBox.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"
#include "settings/CaseDatabaseProbe.h"
#include "settings/OdbcConnection.h"
#include "settings/OlderDatabaseConversion.h"
#include "settings/OlderDatabaseReader.h"
#include "settings/OlderFileCheck.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>

namespace
{
const char* const targetConnection = "insertNewDB";

QString name(const char* text)
{
    return QLatin1String(text);
}
} // namespace

void ProgramSettingPage::on_button_change_old_clicked()
{
    const QString path =
        FileDialog::getOpenFileName(this, tr("Database path"), ui->old_db_path->toPlainText(),
                                    tr("Access database file(*.mdb);;Allfile(*.*)"));
    if (path.isEmpty())
        return;
    const SettingsFile settings(m_config->settingsPath());
    QString refusal;
    const QString connectionString = olderConnectionString(
        settings.read(SettingsKeys::convertOdbcTemplateSetting),
        settings.read(SettingsKeys::convertOdbcDriverSetting), path, &refusal);
    if (connectionString.isEmpty()) {
        MessageBox::information(this, tr("Warning"), refusal);
        return;
    }
    // Some drivers make a missing file; the older file is only ever read.
    QString problem = olderFileProblem(path);
    OdbcConnection test;
    if (problem.isEmpty() && !test.open(connectionString))
        problem = olderDriverRefusal(test.diagnostic());
    if (!problem.isEmpty()) {
        MessageBox::information(this, tr("Warning"),
                                tr("Failed to open the Varnel2000 database. Please select a valid "
                                   "Varnel2000 database.\n%1\nCode PSDC-04")
                                    .arg(problem));
        return;
    }
    ui->old_db_path->setText(path);
    m_olderConnectionString = connectionString;
}

void ProgramSettingPage::on_button_change_new_clicked()
{
    const QString path =
        FileDialog::getOpenFileName(this, tr("Database path"), m_config->databasePath(),
                                    tr("Database file(*.db);;Allfile(*.*)"));
    if (path.isEmpty())
        return;
    bool usable = false;
    {
        CaseDatabaseProbe probe(path, m_config->databaseKey());
        usable = QFileInfo(path).isFile() && probe.isCaseDatabase();
    }
    if (!usable) {
        MessageBox::information(this, tr("Warning"),
                                tr("Failed to open the database. Please select a valid database. "
                                   "\nCode PSD-06"));
        return;
    }
    ui->new_db_path->setText(path);
    newDbPath = path;
    QSqlDatabase::removeDatabase(name(targetConnection));
    QSqlDatabase db =
        QSqlDatabase::addDatabase(QLatin1String(cipherDriverName), name(targetConnection));
    db.setDatabaseName(newDbPath);
    db.setPassword(m_config->databaseKey());
}

QString ProgramSettingPage::conversionTargetConnection() const
{
    return newDbPath.isEmpty() ? QLatin1String(QSqlDatabase::defaultConnection)
                               : name(targetConnection);
}

QString ProgramSettingPage::conversionTargetProblem() const
{
    const QString path = newDbPath.isEmpty() ? m_config->databasePath() : newDbPath;
    CaseDatabaseProbe probe(path, m_config->databaseKey());
    if (!QFileInfo(path).isFile() || !probe.isCaseDatabase() || !probe.isWritable() ||
        !probe.passesIntegrityCheck())
        return tr("The Talvora database %1 cannot take the conversion: %2")
            .arg(path, probe.error());
    QSqlDatabase db = QSqlDatabase::database(conversionTargetConnection());
    if (!db.isOpen())
        return tr("The Talvora database %1 cannot take the conversion: %2")
            .arg(path, db.lastError().text());
    return QString();
}

void ProgramSettingPage::on_button_convert_clicked()
{
    if (ui->old_db_path->toPlainText().isEmpty()) {
        MessageBox::about(nullptr, tr("Information"),
                          tr("Please select your Varnel2000 database."));
        return;
    }
    const QString targetProblem = conversionTargetProblem();
    if (!targetProblem.isEmpty()) {
        MessageBox::information(this, tr("Warning"), targetProblem);
        return;
    }
    // The file may have gone or changed since it was chosen.
    QString problem = olderFileProblem(ui->old_db_path->toPlainText());
    OlderDatabaseReader reader(m_olderConnectionString);
    if (problem.isEmpty() && !reader.isValid())
        problem = reader.error();
    if (!problem.isEmpty()) {
        MessageBox::about(nullptr, tr("Warning"),
                          tr("The database you select is not valid. Please select a valid "
                             "Varnel2000 database. \n%1\nCode PSDC-03")
                              .arg(problem));
        return;
    }

    ui->progressBar->setValue(0);
    ui->progressBar->setVisible(true);
    ui->progress_label->setVisible(true);
    ui->progress_label->setText(tr("Calculating..."));
    OlderDatabaseConversion conversion(m_olderConnectionString, conversionTargetConnection(),
                                       m_session->userName);
    ui->progressBar->setRange(0, 2 * conversion.patientTotal());
    const bool done = conversion.run([this](int value, const QString& label) {
        ui->progressBar->setValue(value);
        ui->progress_label->setText(label);
    });
    ui->progress_label->setText(tr("Finished"));
    if (!done) {
        MessageBox::critical(nullptr, tr("Read Database Error"),
                             tr("Cannot read the Varnel2000 database. \n%1\nNothing was converted.")
                                 .arg(conversion.error()));
        return;
    }
    MessageBox::about(nullptr, tr("Information"), conversion.summary().text());
    database_update();
}
