#pragma once

#include <QDialog>

#include <memory>

class DrugInfo;
class SessionData;

namespace Ui
{
class DrugFactors;
}

// Lets the user tick at most two patient factors of the case's drug. It reads and writes only
// the factor block of the session it is given, which the patient form chooses.
class DrugFactors : public QDialog
{
    Q_OBJECT
public:
    DrugFactors(QWidget* parent, SessionData* session, DrugInfo* catalogue);
    ~DrugFactors() override;

    // Lets the drug's factor list fill the session's questions, then rebuilds the list.
    void fillFactorList(const QString& drugCode, const QString& sex, double age);
    // Rebuilds the list from the session, showing the ticks it holds.
    void setFactorItems();

    // At most this many factors may be ticked.
    static constexpr int maxTickedFactors = 2;

signals:
    void submit();

private slots:
    void on_Button_submit_clicked();

private:
    // The session's factor count, kept within the texts the session can hold.
    int usableFactorCount() const;

    SessionData* session; // not owned
    std::unique_ptr<Ui::DrugFactors> ui;
    DrugInfo* catalogue; // not owned
};
