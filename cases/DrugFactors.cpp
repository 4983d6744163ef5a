#include "cases/DrugFactors.h"
#include "ui_DrugFactors.h"

#include "pkcore/DrugCodes.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkIndices.h"
#include "pkcore/SessionData.h"
#include "platform/MessageBox.h"

#include <QListWidgetItem>

#include <algorithm>

DrugFactors::DrugFactors(QWidget* parent, SessionData* session, DrugInfo* catalogue)
    : QDialog(parent), session(session), ui(new Ui::DrugFactors), catalogue(catalogue)
{
    ui->setupUi(this);
    setWindowTitle(tr("Drug Factor"));
}

DrugFactors::~DrugFactors() = default;

void DrugFactors::fillFactorList(const QString& drugCode, const QString& sex, double age)
{
    if (!DrugInfo::factorListFor(session, drugCode, sex, age) &&
        drugCode == QLatin1String(flucytosineCode))
        session->factorCount = 0;
    session->routeText.clear();
    setFactorItems();
}

int DrugFactors::usableFactorCount() const
{
    return std::clamp(session->factorCount, 0, pk::kFactorTextCount);
}

void DrugFactors::setFactorItems()
{
    ui->listWidget->clear();
    for (int n = 1; n <= usableFactorCount(); ++n) {
        auto* item = new QListWidgetItem(session->factorQuestions[n - 1]);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(session->factorFlags[n] != 0 ? Qt::Checked : Qt::Unchecked);
        ui->listWidget->addItem(item);
    }
}

void DrugFactors::on_Button_submit_clicked()
{
    QVector<int> ticked;
    for (int row = 0; row < ui->listWidget->count(); ++row) {
        if (ui->listWidget->item(row)->checkState() != Qt::Unchecked)
            ticked << row + 1;
    }
    if (ticked.size() > maxTickedFactors) {
        MessageBox::information(this, tr("Warning"), tr("Select no more than 2 factors."));
        return;
    }
    session->factorFlags.fill(0);
    for (int n : ticked)
        session->factorFlags[n] = 1;
    emit submit();
    close();
}
