#include "app/WelcomePage.h"

#include "app/GuestMode.h"
#include "pkcore/SessionData.h"
#include "platform/SettingsKeys.h"
#include "ui_WelcomePage.h"

#include <QPainter>
#include <QStyleOption>

WelcomePage::WelcomePage(QWidget* parent, ProgramConfig* config, SessionData* session)
    : QWidget(parent), m_ui(new Ui::WelcomePage), m_session(session), m_config(config)
{
    m_ui->setupUi(this);
    m_ui->label_version_number->setText(QString::fromLatin1(programVersionText));
}

WelcomePage::~WelcomePage()
{
    delete m_ui;
}

void WelcomePage::showNewVersionNotice(bool newerVersionExists)
{
    m_ui->label_version_reminder->setText(
        newerVersionExists ? tr("There is a newer version available.") : QString());
}

void WelcomePage::on_Button_New_Patient_clicked()
{
    emit create_newpatient();
}

void WelcomePage::on_Button_Load_Patient_clicked()
{
    // A guest has no database connection to find stored patients in.
    if (!loggedInOrTold(nullptr, *m_session))
        return;
    emit create_openpatient();
}

void WelcomePage::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
