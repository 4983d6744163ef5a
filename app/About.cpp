#include "app/About.h"

#include "platform/SettingsKeys.h"
#include "ui_About.h"

About::About(QWidget* parent) : QDialog(parent), m_ui(new Ui::About)
{
    m_ui->setupUi(this);
    m_ui->version_number->setText(QString::fromLatin1(programVersionText) +
                                  QStringLiteral(" (BETA)"));
    setWindowTitle(tr("About"));
}

About::~About()
{
    delete m_ui;
}

void About::on_pushButton_clicked()
{
    close();
}
