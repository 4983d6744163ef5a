#include "cases/searchResult.h"
#include "ui_searchResult.h"

#include "app/ProgramConfig.h"
#include "cases/CaseRemoval.h"
#include "cases/PatientSearch.h"
#include "cases/RenalFigureText.h"
#include "cases/StoredRecords.h"
#include "cases/newPatient.h"
#include "platform/MessageBox.h"
#include "platform/WheelGuard.h"

#include <QDate>

#include <QHeaderView>
#include <QSqlDatabase>
#include <QSqlRelationalDelegate>
#include <QSqlRelationalTableModel>
#include <QStyle>
#include <QTableView>
#include <algorithm>

namespace
{
// Columns of the two lists.
constexpr int keyColumn = 0; // REC_NUM of a patient, CASE_NUMBER of a case
constexpr int firstNameColumn = 1;
constexpr int lastNameColumn = 2;
// Columns of the case list.
constexpr int creatinineColumn = 9;
constexpr int clearanceColumn = 10;
constexpr int albuminColumn = 11;

struct Header {
    int column;
    const char* text;
};

const Header patientHeaders[] = {{0, "Rec Number"},  {1, "First Name"},  {2, "Last Name"},
                                 {3, "Last Update"}, {4, "Birthday"},    {5, "Sex"},
                                 {6, "Patient ID"},  {7, "Patient Note"}};
const Header caseHeaders[] = {{2, "Last Update"}, {3, "Drug"},       {5, "Weight"},    {6, "Unit"},
                              {7, "Height"},      {8, "Unit"},       {9, "Crs"},       {10, "CLcr"},
                              {11, "Albumin"},    {14, "Case Note"}, {17, "Modify by"}};
const QVector<int> hiddenPatientColumns = {0, 7};
const QVector<int> hiddenCaseColumns = {0, 1, 4, 12, 13, 15, 16};

// What a removal is reported with.
struct RemovalTexts {
    QString done;
    QString failed;
    QString notStored;
};

// Tells how a removal went; a quiet one is reported only when it did not happen. True when the
// rows are gone.
bool reportRemoval(const CaseRemoval::Result& result, const RemovalTexts& texts, bool quiet)
{
    const QString title = searchResult::tr("Information");
    switch (result.outcome) {
    case CaseRemoval::Outcome::Removed:
        if (!quiet)
            MessageBox::about(nullptr, title, texts.done);
        return true;
    case CaseRemoval::Outcome::NotFound:
        MessageBox::about(nullptr, title, texts.failed + texts.notStored);
        return false;
    case CaseRemoval::Outcome::Failed:
        break;
    }
    MessageBox::about(nullptr, title, texts.failed + result.error);
    return false;
}

QString cell(const QModelIndex& index, int column)
{
    if (!index.isValid())
        return QString();
    return index.sibling(index.row(), column).data(Qt::DisplayRole).toString();
}

// The case list shows the creatinine as the report does and the clearance and the albumin as the
// case page does; a stored text that is no number is shown as it stands.
class CaseListModel : public QSqlRelationalTableModel
{
public:
    using QSqlRelationalTableModel::QSqlRelationalTableModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const QVariant stored = QSqlRelationalTableModel::data(index, role);
        const int column = index.column();
        if (role != Qt::DisplayRole ||
            (column != creatinineColumn && column != clearanceColumn && column != albuminColumn))
            return stored;
        bool isNumber = false;
        const double value = stored.toString().toDouble(&isNumber);
        if (!isNumber)
            return stored;
        if (column == creatinineColumn)
            return RenalFigureText::measure(value);
        if (column == albuminColumn)
            return RenalFigureText::albumin(value);
        const double creatinine = cell(index, creatinineColumn).toDouble();
        return RenalFigureText::clearance(value, creatinine);
    }
};

// A number taken from a list; 0 when the text is not one.
int numberOf(const QString& text)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok ? number : 0;
}
} // namespace

searchResult::searchResult(QWidget* parent, SessionData* session, PkCalculator* calculator,
                           DrugInfo* drugInfo, newPatient* patientForm, ProgramConfig* config)
    : QDialog(parent), ui(new Ui::searchResult), session(session), calculator(calculator),
      drugInfo(drugInfo), patientForm(patientForm), config(config)
{
    ui->setupUi(this);
    guardWheel(this);
    ui->result_date->setDate(QDate::currentDate());
    setWindowTitle(tr("Search Result"));
    ui->result_i_name->setText(config->siteName());
}

searchResult::~searchResult() = default;

void searchResult::setSearch(const QString& from, const QString& to, const QString& last,
                             const QString& id, qint32 mode)
{
    dateFrom = from;
    dateTo = to;
    lastName = last;
    patientId = id;
    searchMode = mode;
    showPatients();
    setupPatientView();
}

// ---- The lists ----

namespace
{
// Caps the shown columns at one common width, the widest that lets them fit `room`, so that
// narrow columns keep their width and the widest give way; with `keepHeaders` no column is cut
// below its header's width.
void capColumns(QHeaderView* header, int room, bool keepHeaders)
{
    QVector<int> columns;
    for (int column = 0; column < header->count(); ++column) {
        if (!header->isSectionHidden(column))
            columns << column;
    }
    const auto widthAt = [&](int column, int cap) {
        const int floor = keepHeaders ? header->sectionSizeHint(column) : 0;
        return std::max(floor, std::min(header->sectionSize(column), cap));
    };
    const auto totalAt = [&](int cap) {
        int total = 0;
        for (int column : columns)
            total += widthAt(column, cap);
        return total;
    };
    if (totalAt(room) <= room)
        return;
    int cap = room;
    while (cap > 0 && totalAt(cap) > room)
        --cap;
    const QVector<int> capped = [&] {
        QVector<int> widths;
        for (int column : columns)
            widths << widthAt(column, cap);
        return widths;
    }();
    for (int n = 0; n < columns.size(); ++n)
        header->resizeSection(columns[n], capped[n]);
}

// Every column in view without scrolling: the columns take their contents' width; when together
// they are wider than the list, the widest contents are cut first, and headers only when that is
// not enough.
void fitColumnsToView(QTableView* view)
{
    view->verticalHeader()->hide();
    QHeaderView* header = view->horizontalHeader();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    view->resizeColumnsToContents();
    const int room = view->width() - 2 * view->frameWidth() -
                     view->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    capColumns(header, room, true);
    capColumns(header, room, false);
    header->setStretchLastSection(true);
}
} // namespace

void searchResult::buildModel(QSqlRelationalTableModel* fresh, const QString& table,
                              const QString& filter)
{
    model = fresh;
    model->setTable(table);
    model->setEditStrategy(QSqlTableModel::OnManualSubmit);
    model->setFilter(filter);
    model->select();
}

void searchResult::showPatients()
{
    buildModel(new QSqlRelationalTableModel(ui->tableView_patientResult, QSqlDatabase::database()),
               QStringLiteral("Patients"),
               PatientSearch::patientFilter(searchMode, dateFrom, dateTo, lastName, patientId));
    for (const Header& header : patientHeaders)
        model->setHeaderData(header.column, Qt::Horizontal, tr(header.text));
}

void searchResult::showCases(const QString& recNum)
{
    buildModel(new CaseListModel(ui->tableView_caseResult, QSqlDatabase::database()),
               QStringLiteral("Cases"), PatientSearch::caseFilter(recNum));
    for (const Header& header : caseHeaders)
        model->setHeaderData(header.column, Qt::Horizontal, tr(header.text));
}

void searchResult::attachModel(QTableView* view, const QVector<int>& hiddenColumns)
{
    // The list built before is no longer needed once the view shows the new one.
    QAbstractItemModel* previousModel = view->model();
    auto* previousDelegate = dynamic_cast<QSqlRelationalDelegate*>(view->itemDelegate());
    view->setModel(model);
    view->setItemDelegate(new QSqlRelationalDelegate(view));
    for (int column : hiddenColumns)
        view->setColumnHidden(column, true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    fitColumnsToView(view);
    if (previousModel && previousModel != model)
        previousModel->deleteLater();
    if (previousDelegate)
        previousDelegate->deleteLater();
}

void searchResult::setupPatientView()
{
    attachModel(ui->tableView_patientResult, hiddenPatientColumns);
}

void searchResult::setupCaseView()
{
    attachModel(ui->tableView_caseResult, hiddenCaseColumns);
}

void searchResult::on_tableView_patientResult_clicked(const QModelIndex& index)
{
    showCases(cell(index, keyColumn));
    setupCaseView();
}

// ---- Opening ----

bool searchResult::loadPatient(const QString& recNum, newPatient* form)
{
    StoredPatient patient;
    QString error;
    const StoredRecords::Outcome outcome =
        StoredRecords::readPatient(numberOf(recNum), &patient, &error);
    if (outcome != StoredRecords::Outcome::Read) {
        MessageBox::about(nullptr, tr("Information"),
                          tr("Load patient failed\n%1")
                              .arg(outcome == StoredRecords::Outcome::Failed
                                       ? error
                                       : tr("The patient is no longer stored.")));
        return false;
    }
    form->setStoredNumbers(patient.recNum, 0);
    form->setStoredStamps(patient.dateStored, QString());
    form->fillPatientFields(patient);
    form->updateBodyMeasures();
    return true;
}

bool searchResult::loadCase(const QString& caseNumber, newPatient* form)
{
    StoredCase stored;
    StoredPatient patient;
    QString error;
    StoredRecords::Outcome outcome = StoredRecords::readCase(numberOf(caseNumber), &stored, &error);
    if (outcome == StoredRecords::Outcome::Read)
        outcome = StoredRecords::readPatient(stored.recNum, &patient, &error);
    if (outcome != StoredRecords::Outcome::Read) {
        MessageBox::about(nullptr, tr("Information"),
                          tr("Load case failed\n%1")
                              .arg(outcome == StoredRecords::Outcome::Failed
                                       ? error
                                       : tr("The case is no longer stored.")));
        return false;
    }
    // The numbers first: the form's drug list and user's-choice rows follow the case number.
    form->setStoredNumbers(stored.recNum, stored.caseNumber);
    form->setStoredStamps(patient.dateStored, stored.dateUpdated);
    form->fillCaseFields(stored);
    form->fillPatientFields(patient);
    form->updateBodyMeasures();
    return true;
}

void searchResult::finishOpening(newPatient* form, bool newCase)
{
    form->isNewCase = newCase;
    // Modal like the form on every other road: the page behind waits for its answer.
    form->setModal(true);
    form->show();
    emit closeOpenPatient();
    close();
}

void searchResult::openStoredPatient(const QString& recNum)
{
    if (loadPatient(recNum, patientForm))
        finishOpening(patientForm, true);
}

void searchResult::openStoredCase(const QString& caseNumber)
{
    if (loadCase(caseNumber, patientForm))
        finishOpening(patientForm, false);
}

void searchResult::on_tableView_patientResult_doubleClicked(const QModelIndex& index)
{
    openStoredPatient(cell(index, keyColumn));
}

void searchResult::on_tableView_caseResult_doubleClicked(const QModelIndex& index)
{
    openStoredCase(cell(index, keyColumn));
}

void searchResult::on_result_open_clicked()
{
    const QString recNum = cell(ui->tableView_patientResult->currentIndex(), keyColumn);
    const QString caseNumber = cell(ui->tableView_caseResult->currentIndex(), keyColumn);
    if (recNum.isEmpty() && caseNumber.isEmpty())
        return;
    if (caseNumber.isEmpty())
        openStoredPatient(recNum);
    else
        openStoredCase(caseNumber);
}

void searchResult::on_result_back_clicked()
{
    close();
}

// ---- Deleting ----

bool searchResult::deleteCase(const QString& caseNumber, bool quiet)
{
    return reportRemoval(
        CaseRemoval::removeCase(numberOf(caseNumber)),
        {tr("Case is deleted"), tr("Delete case failed\n"), tr("The case is no longer stored.")},
        quiet);
}

bool searchResult::deletePatient(const QString& recNum)
{
    return reportRemoval(CaseRemoval::removePatient(numberOf(recNum)),
                         {tr("Patient is deleted"), tr("Delete Patient failed\n"),
                          tr("The patient is no longer stored.")},
                         false);
}

void searchResult::on_result_delete_clicked()
{
    const QModelIndex patient = ui->tableView_patientResult->currentIndex();
    const QString recNum = cell(patient, keyColumn);
    const QString firstName = cell(patient, firstNameColumn);
    const QString last = cell(patient, lastNameColumn);
    const QString caseNumber = cell(ui->tableView_caseResult->currentIndex(), keyColumn);
    if (recNum.isEmpty() && caseNumber.isEmpty())
        return;

    if (caseNumber.isEmpty()) {
        const QString question =
            tr("Do you want to delete this patient %1, %2? Choose yes will also delete all "
               "related cases.")
                .arg(last, firstName);
        if (MessageBox::question(nullptr, tr("Delete Patient"), question, QMessageBox::No,
                                 QMessageBox::NoIcon) != QMessageBox::Yes)
            return;
        deletePatient(recNum);
        showPatients();
        setupPatientView();
        showCases(QString());
        setupCaseView();
        return;
    }
    if (MessageBox::question(nullptr, tr("Delete Case"), tr("Do you want to delete this case?"),
                             QMessageBox::No, QMessageBox::NoIcon) != QMessageBox::Yes)
        return;
    deleteCase(caseNumber, false);
    showCases(recNum);
    setupCaseView();
}
