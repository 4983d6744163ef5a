#pragma once

#include <QDialog>

namespace Ui
{
class About;
}

// The program's version and the notice on clinical use.
class About : public QDialog
{
    Q_OBJECT
public:
    explicit About(QWidget* parent);
    ~About() override;

private slots:
    void on_pushButton_clicked();

private:
    Ui::About* m_ui;
};
