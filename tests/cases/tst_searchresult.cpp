#include "app/ProgramConfig.h"
#include "cases/CaseStore.h"
#include "cases/CaseWindowLinks.h"
#include "cases/MainPage.h"
#include "cases/PatientSearch.h"
#include "cases/StoredRecords.h"
#include "cases/newPatient.h"
#include "cases/openPatient.h"
#include "cases/searchResult.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "platform/OleDate.h"
#include "tests/cases/tst_casepage_fixture.h"
#include "tests/support/ChildWidgets.h"
#include "tests/support/DatabaseRows.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>

#include <memory>

namespace
{
using testsupport::requireChild;

// One stored patient row; returns its record number.
int addPatient(const QString& last, const QString& stamp, const QString& id,
               const QString& first = QStringLiteral("Pat"))
{
    QSqlQuery query;
    query.prepare(QStringLiteral(
        "INSERT INTO Patients VALUES(NULL,:first,:last,:stamp,'1950-07-04','M',:id,'note')"));
    query.bindValue(QStringLiteral(":first"), first);
    query.bindValue(QStringLiteral(":last"), last);
    query.bindValue(QStringLiteral(":stamp"), stamp);
    query.bindValue(QStringLiteral(":id"), id);
    return query.exec() ? query.lastInsertId().toInt() : 0;
}

// A stored case saved the way the case page saves it.
SessionData storedCase(const QString& last, const QString& caseNote)
{
    SessionData s;
    s.loggedIn = true;
    s.userName = QStringLiteral("admin");
    s.patient.firstName = QStringLiteral("Pat");
    s.patient.lastName = last;
    s.patient.sex = QStringLiteral("M");
    s.patient.hospitalId = last.left(1) + QStringLiteral("-7");
    s.patient.caseNote = caseNote;
    s.patient.drugCode = QStringLiteral("GM");
    s.patient.weightUnit = QStringLiteral("lb");
    s.patient.heightUnit = QStringLiteral("in");
    s.patient.birthday = oleDateFromFields(1950, 7, 4).value;
    s.weightKg = 70.0;
    s.heightCm = 170.0;
    s.scr1 = 1.2;
    s.crcl = 60.0;
    s.routeNames = {QStringLiteral("Intermittent IV - Injection")};
    s.routeF = {1.0};
    s.routeFsd = {0.05};
    return s;
}

CasePageTexts pageTexts()
{
    CasePageTexts t;
    t.weight = QStringLiteral("154.32 lb");
    t.height = QStringLiteral("66.93 in");
    return t;
}

QString column(const QString& sql, int number)
{
    QSqlQuery query;
    query.prepare(sql);
    query.bindValue(QStringLiteral(":n"), number);
    return query.exec() && query.next() ? query.value(0).toString() : QStringLiteral("<none>");
}

// Every stored value of a patient and one of its cases, table by table.
QStringList storedRows(int recNum, int caseNumber)
{
    QStringList rows;
    const struct {
        const char* sql;
        int key;
    } tables[] = {{"SELECT * FROM Patients WHERE REC_NUM = :n", recNum},
                  {"SELECT * FROM Cases WHERE CASE_NUMBER = :n", caseNumber},
                  {"SELECT * FROM PK WHERE CASE_NUMBER = :n", caseNumber},
                  {"SELECT * FROM CustomF WHERE CASE_NUMBER = :n ORDER BY ROUTE", caseNumber}};
    for (const auto& table : tables) {
        QSqlQuery query;
        query.prepare(QLatin1String(table.sql));
        query.bindValue(QStringLiteral(":n"), table.key);
        if (!query.exec())
            return {QStringLiteral("<failed>")};
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values << query.value(i).toString();
            rows << values.join(QLatin1Char('|'));
        }
    }
    return rows;
}

// A custom volume typed on the page, then Save.
void editAndSave(MainPage* page, const QString& vd)
{
    enter(page, "line_Custom_vdb", vd);
    click(page, "button_save");
}

QTableView* view(QWidget* dialog, const char* name)
{
    return dialog->findChild<QTableView*>(QLatin1String(name));
}

// The rows a list shows, by the text of one column.
QStringList listed(QTableView* table, int column)
{
    QStringList texts;
    QAbstractItemModel* model = table->model();
    for (int row = 0; model && row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    texts.sort();
    return texts;
}

void selectRow(QTableView* table, int row)
{
    table->setCurrentIndex(table->model()->index(row, 1));
}

// A click on the first row, where a column is shown.
void clickFirstRow(QTableView* table)
{
    int column = 0;
    while (table->isColumnHidden(column))
        ++column;
    const QRect cell = table->visualRect(table->model()->index(0, column));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
}

int rowWithKey(QTableView* table, int key)
{
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        if (table->model()->index(row, 0).data().toInt() == key)
            return row;
    }
    return -1;
}
} // namespace

class TestSearchResult : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void searchFindsPatients_data();
    void searchFindsPatients();
    void patientClickListsCases();
    void openingAPatientFillsTheForm();
    void typedNameIsStoredAndFoundExactly();
    void openingACaseFillsBothHalves();
    void cancelledOpeningKeepsTheOpenCase();
    void confirmedOpeningTakesTheStoredNumbers_data();
    void confirmedOpeningTakesTheStoredNumbers();
    void deleteCaseKeepsTheOthers();
    void deletePatientTakesEverything();
    void nothingSelectedDoesNothing();
    void enterOpensWhatIsSelected_data();
    void enterOpensWhatIsSelected();
    void searchDialogFields();

private:
    std::unique_ptr<searchResult> results(const QString& from, const QString& to,
                                          const QString& last, const QString& id, int mode,
                                          newPatient* patientForm = nullptr);
    // Opens the first case of the first patient listed for a last name into the form.
    void openCaseOf(const QString& last, newPatient* patientForm);
    std::unique_ptr<newPatient> freshForm();

    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<PromptScript> prompts;
    std::unique_ptr<SessionData> session;
    std::unique_ptr<PkCalculator> calculator;
    std::unique_ptr<DrugInfo> catalogue;
    std::unique_ptr<ProgramConfig> config;
    std::unique_ptr<newPatient> form;
};

void TestSearchResult::init()
{
    caseWindowMakers() = CaseWindowMakers{};
    env = std::make_unique<TestEnvironment>();
    config = std::make_unique<ProgramConfig>();
    QVERIFY2(env->openAsProgram(*config), qPrintable(env->error()));
    session = std::make_unique<SessionData>();
    session->loggedIn = true;
    calculator = std::make_unique<PkCalculator>(session.get());
    catalogue = std::make_unique<DrugInfo>(session.get(), calculator.get());
    form = std::make_unique<newPatient>(nullptr, session.get(), calculator.get(), catalogue.get(),
                                        config.get(), false);
    prompts = std::make_unique<PromptScript>();
}

void TestSearchResult::cleanup()
{
    // The script ends with this scope even when its check fails and returns: one left in place
    // would let the next row's boxes wait for a click that never comes.
    const std::unique_ptr<PromptScript> script = std::move(prompts);
    if (script)
        VERIFY_NO_UNEXPECTED_PROMPTS(*script);
    form.reset();
    catalogue.reset();
    calculator.reset();
    session.reset();
    config.reset();
    env.reset();
}

std::unique_ptr<searchResult> TestSearchResult::results(const QString& from, const QString& to,
                                                        const QString& last, const QString& id,
                                                        int mode, newPatient* patientForm)
{
    auto dialog =
        std::make_unique<searchResult>(nullptr, session.get(), calculator.get(), catalogue.get(),
                                       patientForm ? patientForm : form.get(), config.get());
    dialog->setSearch(from, to, last, id, mode);
    return dialog;
}

void TestSearchResult::openCaseOf(const QString& last, newPatient* patientForm)
{
    auto dialog =
        results(QString(), QString(), last, QString(), PatientSearch::ByLastName, patientForm);
    QTableView* patients = view(dialog.get(), "tableView_patientResult");
    QTableView* cases = view(dialog.get(), "tableView_caseResult");
    emit patients->clicked(patients->model()->index(0, 1));
    emit cases->doubleClicked(cases->model()->index(0, 1));
}

std::unique_ptr<newPatient> TestSearchResult::freshForm()
{
    // The main window makes a new form for every search.
    return std::make_unique<newPatient>(nullptr, session.get(), calculator.get(), catalogue.get(),
                                        config.get(), false);
}

void TestSearchResult::searchFindsPatients_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("found"); // last names

    const QStringList everyone{"100%_Pure", "100% Sure", "O'Brien", "Smith", "Smyth"};
    QTest::newRow("empty name lists all") << 1 << ""
                                          << ""
                                          << "" << everyone;
    QTest::newRow("part of a name") << 1 << ""
                                    << ""
                                    << "mit" << QStringList{"Smith"};
    QTest::newRow("apostrophe") << 1 << ""
                                << ""
                                << "O'Brien" << QStringList{"O'Brien"};
    QTest::newRow("percent is literal") << 1 << ""
                                        << ""
                                        << "0%_" << QStringList{"100%_Pure"};
    QTest::newRow("identifier whole") << 2 << ""
                                      << ""
                                      << "H-1" << QStringList{"Smith"};
    QTest::newRow("identifier injection") << 2 << ""
                                          << ""
                                          << "x' OR '1'='1" << QStringList{};
    QTest::newRow("dates") << 0 << "03/01/2024"
                           << "03/05/2024"
                           << "" << QStringList{"O'Brien", "Smith"};
    QTest::newRow("open start") << 0 << ""
                                << "02/29/2024"
                                << "" << QStringList{"100%_Pure", "100% Sure"};
    QTest::newRow("unreadable date") << 0 << "2024-03-01"
                                     << ""
                                     << "" << QStringList{};
    QTest::newRow("no such day") << 0 << "02/30/2024"
                                 << ""
                                 << "" << QStringList{};
    QTest::newRow("one day") << 0 << "03/06/2024"
                             << "03/06/2024"
                             << "" << QStringList{"Smyth"};
}

void TestSearchResult::searchFindsPatients()
{
    QFETCH(int, mode);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, typed);
    QVERIFY(addPatient(QStringLiteral("Smith"), QStringLiteral("2024-03-01  00:00:00"),
                       QStringLiteral("H-1")));
    QVERIFY(addPatient(QStringLiteral("Smyth"), QStringLiteral("2024-03-06  00:00:00"),
                       QStringLiteral("H-10")));
    QVERIFY(addPatient(QStringLiteral("O'Brien"), QStringLiteral("2024-03-05  23:59:59"),
                       QStringLiteral("H-2")));
    QVERIFY(addPatient(QStringLiteral("100%_Pure"), QStringLiteral("2024-02-29  12:00:00"),
                       QStringLiteral("H-3")));
    QVERIFY(addPatient(QStringLiteral("100% Sure"), QStringLiteral("2023-02-28  12:00:00"),
                       QStringLiteral("H-4")));

    QFETCH(QStringList, found);
    found.sort();
    auto dialog = results(from, to, typed, typed, mode);
    QCOMPARE(listed(view(dialog.get(), "tableView_patientResult"), 2), found);
}

void TestSearchResult::patientClickListsCases()
{
    SessionData a = storedCase(QStringLiteral("Smith"), QStringLiteral("one"));
    a.crcl = 57.8237; // estimated from the creatinine
    a.albumin = 0.0;  // none given on the form
    QVERIFY(CaseStore(&a).save(pageTexts(), QStringLiteral("2024-03-01  10:00:00")).saved);
    SessionData typedClearance = a;
    typedClearance.caseNumber = 0;
    typedClearance.scr1 = 0.0; // CLcr typed, no Crs
    typedClearance.crcl = 45.0;
    QVERIFY(
        CaseStore(&typedClearance).save(pageTexts(), QStringLiteral("2024-03-01  10:00:00")).saved);
    QVERIFY(addPatient(QStringLiteral("Smyth"), QStringLiteral("2024-03-06  00:00:00"),
                       QStringLiteral("H-10")));

    auto dialog = results(QString(), QString(), QString(), QString(), PatientSearch::ByLastName);
    QTableView* patients = view(dialog.get(), "tableView_patientResult");
    QTableView* cases = view(dialog.get(), "tableView_caseResult");
    QVERIFY(patients->isColumnHidden(0));
    QVERIFY(patients->isColumnHidden(7));
    QCOMPARE(patients->model()->headerData(3, Qt::Horizontal).toString(),
             QStringLiteral("Last Update"));
    emit patients->clicked(patients->model()->index(rowWithKey(patients, a.recNum), 1));
    QCOMPARE(cases->model()->rowCount(), 2);
    QVERIFY(cases->isColumnHidden(16));
    QCOMPARE(cases->model()->headerData(17, Qt::Horizontal).toString(),
             QStringLiteral("Modify by"));
    QCOMPARE(cases->model()->index(0, 3).data().toString(), QStringLiteral("Gentamicin"));
    struct ShownCase {
        int caseNumber;
        const char* crs;
        const char* clcr;
    };
    const ShownCase shown[] = {{a.caseNumber, "1.2", "57.8 mL/min"},
                               {typedClearance.caseNumber, "-", "45.0 mL/min"}};
    for (const ShownCase& expected : shown) {
        const int row = rowWithKey(cases, expected.caseNumber);
        QCOMPARE(cases->model()->index(row, 9).data().toString(), QLatin1String(expected.crs));
        QCOMPARE(cases->model()->index(row, 10).data().toString(), QLatin1String(expected.clcr));
        QCOMPARE(cases->model()->index(row, 11).data().toString(), QString());
    }
    QCOMPARE(dialog->findChild<QLabel*>("label_2")->text(),
             QStringLiteral("THERAPEUTIC DRUG MONITORING SYSTEM"));

    emit patients->clicked(
        patients->model()->index(rowWithKey(patients, a.recNum) == 0 ? 1 : 0, 1));
    QCOMPARE(cases->model()->rowCount(), 0);
}

void TestSearchResult::openingAPatientFillsTheForm()
{
    const int recNum = addPatient(QStringLiteral("O'Brien"), QStringLiteral("2024-03-05  08:00:00"),
                                  QStringLiteral("H-2"), QStringLiteral("Ann"));
    auto dialog = results(QString(), QString(), QString(), QString(), PatientSearch::ByLastName);
    QSignalSpy closing(dialog.get(), &searchResult::closeOpenPatient);
    QTableView* patients = view(dialog.get(), "tableView_patientResult");
    emit patients->doubleClicked(patients->model()->index(0, 1));

    QCOMPARE(closing.count(), 1);
    QVERIFY(form->isVisible());
    QVERIFY(form->isNewCase);
    QCOMPARE(form->findChild<QLineEdit*>("line_last")->text(), QStringLiteral("O'Brien"));
    QCOMPARE(form->findChild<QLineEdit*>("line_first")->text(), QStringLiteral("Ann"));
    QCOMPARE(form->findChild<QLineEdit*>("line_birthday")->text(), QStringLiteral("07/04/1950"));
    QCOMPARE(form->findChild<QLineEdit*>("line_hosp")->text(), QStringLiteral("H-2"));
    QVERIFY(form->findChild<QComboBox*>("comboBox_drug")->isEnabled());
    QCOMPARE(session->recNum, 0); // nothing reaches the session before Continue

    // The case half typed in and confirmed: a new case of that patient.
    form->findChild<QComboBox*>("comboBox_drug")->setCurrentText(QStringLiteral("Vancomycin"));
    form->findChild<QRadioButton*>("radioButton_kg")->click();
    form->findChild<QRadioButton*>("radioButton_cm")->click();
    form->findChild<QLineEdit*>("line_weight")->setText(QStringLiteral("70"));
    form->findChild<QLineEdit*>("line_height")->setText(QStringLiteral("170"));
    form->findChild<QRadioButton*>("radioButton_crs")->click();
    form->findChild<QLineEdit*>("line_crs")->setText(QStringLiteral("1.1"));
    session->caseNumber = 5; // the case page behind shows another case
    form->findChild<QPushButton*>("Button_next_without_save")->click();
    QCOMPARE(session->recNum, recNum);
    QCOMPARE(session->caseNumber, 0);
    QCOMPARE(session->patient.lastName, QStringLiteral("O'Brien"));
}

void TestSearchResult::typedNameIsStoredAndFoundExactly()
{
    const QString name = QStringLiteral("O'Brien-Smith");
    QLineEdit* last = form->findChild<QLineEdit*>("line_last");
    QTest::keyClicks(last, name);
    QCOMPARE(last->text(), name);
    SessionData stored = storedCase(last->text(), QString());
    QVERIFY(CaseStore(&stored).save(pageTexts(), QStringLiteral("2024-03-01  10:00:00")).saved);
    QVERIFY(addPatient(QStringLiteral("OBrienSmith"), QStringLiteral("2024-03-01  10:00:00"),
                       QStringLiteral("H-9")));

    auto dialog = results(QString(), QString(), name, QString(), PatientSearch::ByLastName);
    QTableView* patients = view(dialog.get(), "tableView_patientResult");
    QCOMPARE(listed(patients, 2), QStringList{name});
    emit patients->doubleClicked(patients->model()->index(0, 1));
    QCOMPARE(last->text(), name);
    form->close();
}

void TestSearchResult::openingACaseFillsBothHalves()
{
    SessionData stored = storedCase(QStringLiteral("Smith"), QStringLiteral("stored note"));
    QVERIFY(CaseStore(&stored).save(pageTexts(), QStringLiteral("2024-03-01  10:00:00")).saved);

    auto dialog = results(QString(), QString(), QStringLiteral("Smith"), QString(),
                          PatientSearch::ByLastName);
    QTableView* patients = view(dialog.get(), "tableView_patientResult");
    QTableView* cases = view(dialog.get(), "tableView_caseResult");
    emit patients->clicked(patients->model()->index(0, 1));
    selectRow(cases, 0);
    dialog->findChild<QPushButton*>("result_open")->click();

    QVERIFY(form->isVisible());
    QVERIFY(!form->isNewCase);
    QCOMPARE(session->caseNumber, 0); // nothing reaches the session before Continue
    QCOMPARE(session->recNum, 0);
    QVERIFY(!form->findChild<QComboBox*>("comboBox_drug")->isEnabled()); // a stored case's drug
    QVERIFY(form->findChild<QRadioButton*>("radioButton_lb")->isChecked());
    QVERIFY(form->findChild<QRadioButton*>("radioButton_in")->isChecked());
    QCOMPARE(form->findChild<QLineEdit*>("line_weight")->text(), QStringLiteral("154.32"));
    QCOMPARE(form->findChild<QComboBox*>("comboBox_drug")->currentText(),
             QStringLiteral("Gentamicin"));
    QCOMPARE(form->findChild<QLineEdit*>("line_last")->text(), QStringLiteral("Smith"));
    form->close();
}

void TestSearchResult::cancelledOpeningKeepsTheOpenCase()
{
    SessionData other = storedCase(QStringLiteral("Other"), QStringLiteral("other's note"));
    QVERIFY(CaseStore(&other).save(pageTexts(), QStringLiteral("2024-03-01  10:00:00")).saved);
    const QStringList otherRows = storedRows(other.recNum, other.caseNumber);
    SessionData open = storedCase(QStringLiteral("Open"), QStringLiteral("open note"));
    QVERIFY(CaseStore(&open).save(pageTexts(), QStringLiteral("2024-03-02  10:00:00")).saved);

    // The open patient's case is opened, confirmed and saved from its page.
    openCaseOf(QStringLiteral("Open"), form.get());
    form->findChild<QPushButton*>("Button_next_without_save")->click();
    QCOMPARE(session->caseNumber, open.caseNumber);
    auto page = openCasePage(session.get(), calculator.get(), catalogue.get(), config.get());
    editAndSave(page.get(), QStringLiteral("20"));
    QVERIFY(session->saved);

    // The other patient's case is opened from a new search and the form cancelled.
    std::unique_ptr<newPatient> otherForm = freshForm();
    openCaseOf(QStringLiteral("Other"), otherForm.get());
    QVERIFY(otherForm->isVisible());
    QVERIFY(otherForm->isModal());
    QCOMPARE(otherForm->findChild<QLineEdit*>("line_last")->text(), QStringLiteral("Other"));
    otherForm->findChild<QPushButton*>("Button_cancel")->click();
    QCOMPARE(session->recNum, open.recNum);
    QCOMPARE(session->caseNumber, open.caseNumber);

    // The page saved again writes its own patient's rows only.
    editAndSave(page.get(), QStringLiteral("25"));
    QVERIFY(session->saved);
    QCOMPARE(storedRows(other.recNum, other.caseNumber), otherRows);
    QCOMPARE(column(QStringLiteral("SELECT VD FROM PK WHERE CASE_NUMBER = :n"), open.caseNumber),
             requireChild<QLineEdit>(page.get(), "line_Custom_vdb")->text());
    QCOMPARE(
        column(QStringLiteral("SELECT LAST_NAME FROM Patients WHERE REC_NUM = :n"), open.recNum),
        QStringLiteral("Open"));
    QCOMPARE(rowCount(QStringLiteral("Patients")), 2);
    QCOMPARE(rowCount(QStringLiteral("Cases")), 2);
    QCOMPARE(rowCount(QStringLiteral("PK")), 2);
}

void TestSearchResult::confirmedOpeningTakesTheStoredNumbers_data()
{
    QTest::addColumn<bool>("caseOpenBehind");
    QTest::newRow("nothing open") << false;
    QTest::newRow("another patient's case open") << true;
}

void TestSearchResult::confirmedOpeningTakesTheStoredNumbers()
{
    QFETCH(bool, caseOpenBehind);
    SessionData stored = storedCase(QStringLiteral("Smith"), QStringLiteral("stored note"));
    QVERIFY(CaseStore(&stored).save(pageTexts(), QStringLiteral("2024-03-01  10:00:00")).saved);
    if (caseOpenBehind) {
        *session = storedCase(QStringLiteral("Jones"), QStringLiteral("open note"));
        QVERIFY(CaseStore(session.get())
                    .save(pageTexts(), QStringLiteral("2024-03-02  10:00:00"))
                    .saved);
        QVERIFY(session->caseNumber != stored.caseNumber);
    }
    QSignalSpy confirmed(form.get(), &newPatient::create_mainpage);

    openCaseOf(QStringLiteral("Smith"), form.get());
    form->findChild<QPushButton*>("Button_next_without_save")->click();
    QCOMPARE(confirmed.count(), 1);
    QVERIFY(!form->isVisible());
    QCOMPARE(session->recNum, stored.recNum);
    QCOMPARE(session->caseNumber, stored.caseNumber);
    QCOMPARE(session->patient.lastName, QStringLiteral("Smith"));
    // What the row held, for the next save to tell this page's edits from another user's.
    QCOMPARE(session->patientDetails, stored.patientDetails);
}

void TestSearchResult::deleteCaseKeepsTheOthers()
{
    SessionData a = storedCase(QStringLiteral("Smith"), QStringLiteral("one"));
    QVERIFY(CaseStore(&a).save(pageTexts(), QStringLiteral("2024-03-01  10:00:00")).saved);
    const int firstCase = a.caseNumber;
    a.caseNumber = 0;
    QVERIFY(CaseStore(&a).save(pageTexts(), QStringLiteral("2024-03-01  10:00:00")).saved);

    auto dialog = results(QString(), QString(), QString(), QString(), PatientSearch::ByLastName);
    QTableView* patients = view(dialog.get(), "tableView_patientResult");
    QTableView* cases = view(dialog.get(), "tableView_caseResult");
    selectRow(patients, 0);
    emit patients->clicked(patients->currentIndex());
    selectRow(cases, rowWithKey(cases, firstCase));
    MessageBox::setNextAnswer(QMessageBox::Yes);
    dialog->findChild<QPushButton*>("result_delete")->click();

    const auto shown = prompts->take();
    QCOMPARE(int(shown.size()), 2);
    QCOMPARE(shown[0].title, QStringLiteral("Delete Case"));
    QCOMPARE(shown[1].text, QStringLiteral("Case is deleted"));
    QCOMPARE(rowCount(QStringLiteral("Cases")), 1);
    QCOMPARE(rowCount(QStringLiteral("CustomF")), 1);
    QCOMPARE(listed(cases, 0), QStringList{QString::number(a.caseNumber)});
}

void TestSearchResult::deletePatientTakesEverything()
{
    SessionData a = storedCase(QStringLiteral("Smith"), QStringLiteral("one"));
    QVERIFY(CaseStore(&a).save(pageTexts(), QStringLiteral("2024-03-01  10:00:00")).saved);
    a.caseNumber = 0;
    QVERIFY(CaseStore(&a).save(pageTexts(), QStringLiteral("2024-03-01  10:00:00")).saved);
    SessionData b = storedCase(QStringLiteral("Jones"), QStringLiteral("kept"));
    QVERIFY(CaseStore(&b).save(pageTexts(), QStringLiteral("2024-03-01  10:00:00")).saved);

    auto dialog = results(QString(), QString(), QString(), QString(), PatientSearch::ByLastName);
    QTableView* patients = view(dialog.get(), "tableView_patientResult");
    QTableView* cases = view(dialog.get(), "tableView_caseResult");
    selectRow(patients, rowWithKey(patients, a.recNum));
    emit patients->clicked(patients->currentIndex());
    QCOMPARE(cases->model()->rowCount(), 2);
    cases->setCurrentIndex(QModelIndex());
    MessageBox::setNextAnswer(QMessageBox::Yes);
    dialog->findChild<QPushButton*>("result_delete")->click();

    const auto shown = prompts->take();
    QCOMPARE(int(shown.size()), 2);
    QCOMPARE(shown[0].title, QStringLiteral("Delete Patient"));
    QCOMPARE(shown[0].text, QStringLiteral("Do you want to delete this patient Smith, Pat? Choose "
                                           "yes will also delete all related cases."));
    QCOMPARE(shown[1].text, QStringLiteral("Patient is deleted"));
    QCOMPARE(listed(patients, 2), QStringList{"Jones"});
    QCOMPARE(cases->model()->rowCount(), 0);
    QCOMPARE(rowCount(QStringLiteral("Cases")), 1);
    QCOMPARE(rowCount(QStringLiteral("PK")), 1);
    QCOMPARE(rowCount(QStringLiteral("CustomF")), 1);
}

void TestSearchResult::nothingSelectedDoesNothing()
{
    QVERIFY(addPatient(QStringLiteral("Smith"), QStringLiteral("2024-03-01  00:00:00"),
                       QStringLiteral("H-1")));
    auto dialog = results(QString(), QString(), QString(), QString(), PatientSearch::ByLastName);
    QSignalSpy closing(dialog.get(), &searchResult::closeOpenPatient);
    dialog->findChild<QPushButton*>("result_open")->click();
    dialog->findChild<QPushButton*>("result_delete")->click();
    QCOMPARE(closing.count(), 0);
    QVERIFY(prompts->take().empty());
    QVERIFY(!form->isVisible());

    selectRow(view(dialog.get(), "tableView_patientResult"), 0);
    MessageBox::setNextAnswer(QMessageBox::No);
    dialog->findChild<QPushButton*>("result_delete")->click();
    QCOMPARE(int(prompts->take().size()), 1);
    QCOMPARE(rowCount(QStringLiteral("Patients")), 1);
}

void TestSearchResult::enterOpensWhatIsSelected_data()
{
    QTest::addColumn<bool>("caseClicked");
    QTest::newRow("a patient") << false;
    QTest::newRow("a case") << true;
}

// Enter after a click in the lists opens what was clicked, as Open does; no deletion starts.
void TestSearchResult::enterOpensWhatIsSelected()
{
    QFETCH(bool, caseClicked);
    SessionData stored = storedCase(QStringLiteral("Smith"), QStringLiteral("stored note"));
    QVERIFY(CaseStore(&stored).save(pageTexts(), QStringLiteral("2024-03-01  10:00:00")).saved);
    auto dialog = results(QString(), QString(), QString(), QString(), PatientSearch::ByLastName);
    QSignalSpy closing(dialog.get(), &searchResult::closeOpenPatient);
    dialog->show();
    // A display without a window manager activates no window by itself.
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    clickFirstRow(view(dialog.get(), "tableView_patientResult"));
    if (caseClicked)
        clickFirstRow(view(dialog.get(), "tableView_caseResult"));
    // A question that came all the same would have its Yes from a user in a hurry.
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    QCOMPARE(prompts->takeShown(), QString());
    QCOMPARE(rowCount(QStringLiteral("Patients")), 1);
    QCOMPARE(rowCount(QStringLiteral("Cases")), 1);
    QCOMPARE(closing.count(), 1);
    QVERIFY(form->isVisible());
    QCOMPARE(form->isNewCase, !caseClicked);
    form->close();
}

void TestSearchResult::searchDialogFields()
{
    QVERIFY(addPatient(QStringLiteral("Smith"), QStringLiteral("2024-03-01  00:00:00"),
                       QStringLiteral("H-1")));
    QVERIFY(addPatient(QStringLiteral("Jones"), QStringLiteral("2024-03-01  00:00:00"),
                       QStringLiteral("H-2")));
    openPatient search(nullptr, session.get(), calculator.get(), catalogue.get(), form.get(),
                       config.get());
    QLineEdit* last = search.findChild<QLineEdit*>("line_last");
    QLineEdit* pid = search.findChild<QLineEdit*>("line_pid");
    QVERIFY(last->isEnabled());
    QVERIFY(!pid->isEnabled());
    QVERIFY(!search.findChild<QLineEdit*>("line_from")->isEnabled());
    QCOMPARE(search.windowTitle(), QStringLiteral("Open Patient"));
    QCOMPARE(search.findChild<QLabel*>("open_i_name")->text(), config->siteName());

    last->setText(QStringLiteral("Smith"));
    search.findChild<QRadioButton*>("radioButton_pID")->click();
    QVERIFY(!last->isEnabled());
    QCOMPARE(last->text(), QStringLiteral("Smith"));
    pid->setText(QStringLiteral("H-2"));
    QStringList found;
    Modal::setNextHandler([&found](QDialog* dialog) {
        found = listed(view(dialog, "tableView_patientResult"), 2);
        return int(QDialog::Rejected);
    });
    search.findChild<QPushButton*>("button_ok")->click();
    QCOMPARE(found, QStringList{"Jones"});
}

TALVORA_TEST_MAIN(TestSearchResult)
#include "tst_searchresult.moc"
