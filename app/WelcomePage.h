#pragma once

#include <QWidget>

class ProgramConfig;
class SessionData;

namespace Ui
{
class WelcomePage;
}

// The page the main window shows while no case is open: the two ways into the work, the
// program's version and the notice that a newer version exists.
class WelcomePage : public QWidget
{
    Q_OBJECT
public:
    WelcomePage(QWidget* parent, ProgramConfig* config, SessionData* session);
    ~WelcomePage() override;

    void showNewVersionNotice(bool newerVersionExists);

signals:
    void create_newpatient();
    void create_openpatient();

private slots:
    void on_Button_New_Patient_clicked();
    void on_Button_Load_Patient_clicked();

protected:
    // A plain QWidget subclass paints no style-sheet background unless it asks its style to.
    void paintEvent(QPaintEvent* event) override;

private:
    Ui::WelcomePage* m_ui;
    SessionData* m_session;
    ProgramConfig* m_config;
};
