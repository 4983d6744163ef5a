#include "tests/cases/tst_newpatient_fixture.h"

#include "cases/DrugFactors.h"
#include "pkcore/PkIndices.h"
#include "platform/OleDate.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestMain.h"

#include <QGroupBox>
#include <QListWidget>
#include <QSignalSpy>
#include <QSqlQuery>

namespace
{
constexpr int kStoredCase = 7;
constexpr int kStoredPatient = 3;
const QString kUserChoiceName = QStringLiteral("User's Choice One-Comp Drug");
const QString kStamp = QStringLiteral("2026-01-02  10:00:00");

// The thirteen stored case texts, in the order the search results pass them.
struct CaseRow {
    QString drug = QStringLiteral("Gentamicin");
    QString unit = QStringLiteral("KC");
    QString weight = QStringLiteral("70");
    QString height = QStringLiteral("175");
    QString scr = QStringLiteral("1.2");
    QString crcl = QStringLiteral("-1");
    QString albumin = QStringLiteral("-1");
    QString dateUpdated = kStamp;
    QString note = QStringLiteral("case note");
    QString factor1;
    QString factor2;
    QString scr2 = QStringLiteral("-1");
    QString hours = QStringLiteral("-1");

    void fillInto(newPatient& form) const
    {
        ::StoredCase stored;
        stored.drug = drug;
        stored.unit = unit;
        stored.weight = weight;
        stored.height = height;
        stored.scr = scr;
        stored.crcl = crcl;
        stored.albumin = albumin;
        stored.dateUpdated = dateUpdated;
        stored.caseNote = note;
        stored.factor1 = factor1;
        stored.factor2 = factor2;
        stored.scr2 = scr2;
        stored.hours = hours;
        form.fillCaseFields(stored);
    }
};

void fillStoredPatient(newPatient& form, const QString& sex = QStringLiteral("M"),
                       const QString& birthday = QStringLiteral("05/20/1961"))
{
    StoredPatient patient;
    patient.firstName = QStringLiteral("Ann");
    patient.lastName = QStringLiteral("Lee");
    patient.dateStored = kStamp;
    patient.birthday = birthday;
    patient.sex = sex;
    patient.patientId = QStringLiteral("H-77");
    patient.note = QStringLiteral("patient note");
    form.fillPatientFields(patient);
}

QVector<int> tickedFlags(const SessionData& s)
{
    QVector<int> ticked;
    for (int n = 1; n < pk::kFactorFlagCapacity; ++n) {
        if (s.factorFlags[n] != 0)
            ticked << n;
    }
    return ticked;
}

bool storeUserChoiceRows(const QString& ivSalt)
{
    QSqlQuery q;
    q.prepare(QStringLiteral("INSERT INTO UserChoice "
                             "VALUES(:c,'Drugex','mg','100','mL','0.5','Lkg','90','10','20','')"));
    q.bindValue(QStringLiteral(":c"), QString::number(kStoredCase));
    if (!q.exec())
        return false;
    q.prepare(QStringLiteral("INSERT INTO UserChoiceRoute VALUES(:c,'IV','',:s,'','')"));
    q.bindValue(QStringLiteral(":c"), QString::number(kStoredCase));
    q.bindValue(QStringLiteral(":s"), ivSalt);
    return q.exec();
}
} // namespace

class TestNewPatientRefill : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void storedUnits_data();
    void storedUnits();
    void storedRenalData_data();
    void storedRenalData();
    void storedFactors_data();
    void storedFactors();
    void storedFactorsBeforeThePatientIsKnown();
    void storedFactorsOfADrugWithoutList_data();
    void storedFactorsOfADrugWithoutList();
    void storedPatient_data();
    void storedPatient();
    void storedUsersChoiceCase();
    void storedUsersChoiceRowsThatFail();
    void refillFromTheSession_data();
    void refillFromTheSession();
    void refillAfterAnAbandonedDrugChange();

private:
    std::unique_ptr<PatientFormInstallation> m_install;
};

void TestNewPatientRefill::initTestCase()
{
    m_install = std::make_unique<PatientFormInstallation>();
    QVERIFY2(m_install->open(), qPrintable(m_install->env.error()));
    m_install->setUnits(QStringLiteral("kg"), QStringLiteral("cm"));
}

void TestNewPatientRefill::init()
{
    QSqlQuery(QStringLiteral("DELETE FROM UserChoice"));
    QSqlQuery(QStringLiteral("DELETE FROM UserChoiceRoute"));
}

void TestNewPatientRefill::storedUnits_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("weightButton");
    QTest::addColumn<QString>("heightButton");

    QTest::newRow("KC") << "KC"
                        << "radioButton_kg"
                        << "radioButton_cm";
    QTest::newRow("KI") << "KI"
                        << "radioButton_kg"
                        << "radioButton_in";
    QTest::newRow("LI") << "LI"
                        << "radioButton_lb"
                        << "radioButton_in";
    QTest::newRow("LC") << "LC"
                        << "radioButton_lb"
                        << "radioButton_cm";
}

void TestNewPatientRefill::storedUnits()
{
    QFETCH(QString, unit);
    QFETCH(QString, weightButton);
    QFETCH(QString, heightButton);

    PatientFormFixture f(&m_install->config, false);
    CaseRow stored;
    stored.unit = unit;
    stored.weight = QStringLiteral("154.3");
    stored.fillInto(*f.form);
    QVERIFY(f.radio(weightButton)->isChecked());
    QVERIFY(f.radio(heightButton)->isChecked());
    QCOMPARE(f.edit("line_weight")->text(), QStringLiteral("154.3"));
    QCOMPARE(f.child<QGroupBox>("groupBox_2")->title(), QStringLiteral(" Case --- ") + kStamp);
    QCOMPARE(f.child<QPlainTextEdit>("plainText_caseNote")->toPlainText(),
             QStringLiteral("case note"));
}

void TestNewPatientRefill::storedRenalData_data()
{
    QTest::addColumn<QString>("scr");
    QTest::addColumn<QString>("scr2");
    QTest::addColumn<QString>("crcl");
    QTest::addColumn<bool>("crsChosen");
    QTest::addColumn<int>("renalIndex");
    QTest::addColumn<QStringList>("texts"); // line_crs, lineEdit_crs2, lineEdit_crs_time, line_clcr

    QTest::newRow("one creatinine") << "1.2"
                                    << "0"
                                    << "-1" << true << 0 << QStringList{"1.2", "", "", ""};
    QTest::newRow("stable stored with -1") << "1.2"
                                           << "-1"
                                           << "-1" << true << 0 << QStringList{"1.2", "", "", ""};
    QTest::newRow("two creatinine values")
        << "1.2"
        << "1.5"
        << "-1" << true << 1 << QStringList{"1.2", "1.5", "36", ""};
    QTest::newRow("clearance") << "0"
                               << ""
                               << "60" << false << 0 << QStringList{"", "", "", "60"};
}

void TestNewPatientRefill::storedRenalData()
{
    QFETCH(QString, scr);
    QFETCH(QString, scr2);
    QFETCH(QString, crcl);
    QFETCH(bool, crsChosen);
    QFETCH(int, renalIndex);
    QFETCH(QStringList, texts);

    PatientFormFixture f(&m_install->config, false);
    CaseRow stored;
    stored.scr = scr;
    stored.scr2 = scr2;
    stored.crcl = crcl;
    stored.hours = QStringLiteral("36");
    stored.fillInto(*f.form);

    QCOMPARE(f.radio("radioButton_crs")->isChecked(), crsChosen);
    QCOMPARE(f.radio("radioButton_clcr")->isChecked(), !crsChosen);
    QCOMPARE(f.combo("comboBox_renal_function")->currentIndex(), renalIndex);
    QCOMPARE(f.edit("line_crs")->text(), texts[0]);
    QCOMPARE(f.edit("lineEdit_crs2")->text(), texts[1]);
    QCOMPARE(f.edit("lineEdit_crs_time")->text(), texts[2]);
    QCOMPARE(f.edit("line_clcr")->text(), texts[3]);
}

void TestNewPatientRefill::storedFactors_data()
{
    QTest::addColumn<QString>("factor1");
    QTest::addColumn<QString>("factor2");
    QTest::addColumn<QString>("label1");
    QTest::addColumn<QString>("label2");
    QTest::addColumn<QVector<int>>("flags");
    QTest::addColumn<int>("warnings");

    const QString hematology = QStringLiteral(" Hematology/oncology patient. ");
    const QString critical = QStringLiteral(" Critically ill or ICU patient. ");
    const QString cystic = QStringLiteral(" Cystic fibrosis patient. ");

    QTest::newRow("none") << ""
                          << ""
                          << ""
                          << "" << QVector<int>{} << 0;
    QTest::newRow("third only") << "3"
                                << "" << hematology << "" << QVector<int>{3} << 0;
    QTest::newRow("first and fifth") << "1"
                                     << "5" << critical << cystic << QVector<int>{1, 5} << 0;
    QTest::newRow("second without a first is not read") << ""
                                                        << "2"
                                                        << ""
                                                        << "" << QVector<int>{} << 0;
    QTest::newRow("beyond the list") << "12"
                                     << ""
                                     << ""
                                     << "" << QVector<int>{} << 1;
    QTest::newRow("zero") << "0"
                          << ""
                          << ""
                          << "" << QVector<int>{} << 1;
    QTest::newRow("not a number") << "x"
                                  << ""
                                  << ""
                                  << "" << QVector<int>{} << 1;
    QTest::newRow("negative second") << "3"
                                     << "-2" << hematology << "" << QVector<int>{3} << 1;
}

void TestNewPatientRefill::storedFactors()
{
    QFETCH(QString, factor1);
    QFETCH(QString, factor2);
    QFETCH(QString, label1);
    QFETCH(QString, label2);
    QFETCH(QVector<int>, flags);
    QFETCH(int, warnings);

    PromptScript prompts;
    PatientFormFixture f(&m_install->config, false);
    f.form->setStoredNumbers(kStoredPatient, kStoredCase);
    f.session->factorFlags[2] = 1; // the open case's tick
    CaseRow stored;
    stored.factor1 = factor1;
    stored.factor2 = factor2;
    stored.fillInto(*f.form);
    fillStoredPatient(*f.form);

    QCOMPARE(f.label("label_factor1")->text(), label1);
    QCOMPARE(f.label("label_factor2")->text(), label2);
    QCOMPARE(f.child<QWidget>("widget_factor")->isHidden(), label1.isEmpty());
    const std::vector<PromptRecord> shown = prompts.take();
    QCOMPARE(int(shown.size()), warnings);
    for (const PromptRecord& r : shown)
        QCOMPARE(r.title, QStringLiteral("Warning"));
    // Nothing reaches the session before Continue.
    QCOMPARE(tickedFlags(*f.session), QVector<int>{2});

    f.form->isNewCase = false;
    QSignalSpy opened(f.form.get(), &newPatient::create_mainpage);
    f.confirm();
    QCOMPARE(opened.count(), 1);
    QCOMPARE(tickedFlags(*f.session), flags);
    QCOMPARE(f.session->recNum, kStoredPatient);
    QCOMPARE(f.session->caseNumber, kStoredCase);
    QCOMPARE(f.session->patient.drugCode, QStringLiteral("GM"));

    // The dialog shows the stored ticks.
    auto* dialog = f.form->findChild<DrugFactors*>();
    QVERIFY(dialog);
    auto* list = dialog->findChild<QListWidget*>("listWidget");
    for (int n : flags)
        QCOMPARE(list->item(n - 1)->checkState(), Qt::Checked);
}

void TestNewPatientRefill::storedFactorsBeforeThePatientIsKnown()
{
    // The search results fill the case before the patient: a pregnant phenobarbital patient's
    // fourth factor exists only for women, whom the fresh form does not know of yet.
    PromptScript prompts;
    PatientFormFixture f(&m_install->config, false);
    CaseRow stored;
    stored.drug = QStringLiteral("Phenobarbital");
    stored.factor1 = QStringLiteral("4");
    stored.fillInto(*f.form);
    fillStoredPatient(*f.form, QStringLiteral("F"));

    QCOMPARE(f.label("label_factor1")->text(), QStringLiteral(" Pregnant Patient. "));
    f.confirm();
    QCOMPARE(tickedFlags(*f.session), QVector<int>{4});
    QCOMPARE(f.session->factorCount, 4);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
    QVERIFY(prompts.take().empty());
}

void TestNewPatientRefill::storedFactorsOfADrugWithoutList_data()
{
    QTest::addColumn<QString>("drug");
    QTest::newRow("valproic acid") << "Valproic Acid";
    QTest::newRow("flucytosine") << "Flucytosine";
    QTest::newRow("a name the list does not offer") << "Netilmicin";
}

void TestNewPatientRefill::storedFactorsOfADrugWithoutList()
{
    QFETCH(QString, drug);
    PromptScript prompts;
    PatientFormFixture f(&m_install->config, false);
    // The session still holds the list of an earlier theophylline case.
    DrugInfo::theophyllineFactorList(f.session.get(), QStringLiteral("M"), 40.0);
    CaseRow stored;
    stored.drug = drug;
    stored.factor1 = QStringLiteral("1");
    stored.fillInto(*f.form);

    QVERIFY(f.label("label_factor1")->text().isEmpty());
    QCOMPARE(int(prompts.take().size()), 1);
    QVERIFY(!f.form->findChild<DrugFactors*>());
}

void TestNewPatientRefill::storedPatient_data()
{
    QTest::addColumn<QString>("birthday");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("female");

    QTest::newRow("valid woman") << "05/20/1961"
                                 << "F" << true << true;
    QTest::newRow("valid man") << "05/20/1961"
                               << "M" << true << false;
    QTest::newRow("unknown sex keeps the buttons") << "05/20/1961"
                                                   << "X" << true << false;
    QTest::newRow("no such day") << "02/30/1961"
                                 << "F" << false << false;
    QTest::newRow("stored as -1") << "-1/-1/-1"
                                  << "F" << false << false;
}

void TestNewPatientRefill::storedPatient()
{
    QFETCH(QString, birthday);
    QFETCH(QString, sex);
    QFETCH(bool, accepted);
    QFETCH(bool, female);

    PromptScript prompts;
    PatientFormFixture f(&m_install->config, false);
    fillStoredPatient(*f.form, sex, birthday);

    QCOMPARE(f.edit("line_first")->text(), QStringLiteral("Ann"));
    QCOMPARE(f.edit("line_hosp")->text(), QStringLiteral("H-77"));
    QCOMPARE(f.edit("line_birthday")->text(), birthday);
    QCOMPARE(f.radio("radioButton_female")->isChecked(), female);
    const std::vector<PromptRecord> shown = prompts.take();
    if (accepted) {
        QVERIFY(shown.empty());
        QCOMPARE(f.child<QGroupBox>("groupBox")->title(), QStringLiteral(" Patient --- ") + kStamp);
        QCOMPARE(f.child<QPlainTextEdit>("plainText_patientNote")->toPlainText(),
                 QStringLiteral("patient note"));
    } else {
        QCOMPARE(int(shown.size()), 1);
        QCOMPARE(shown[0].title, QStringLiteral("Error"));
        QCOMPARE(shown[0].text, QStringLiteral("Birthday is not valid."));
        QCOMPARE(f.child<QGroupBox>("groupBox")->title(), QStringLiteral("Patient"));
        QVERIFY(f.child<QPlainTextEdit>("plainText_patientNote")->toPlainText().isEmpty());
    }
}

void TestNewPatientRefill::storedUsersChoiceCase()
{
    QVERIFY(storeUserChoiceRows(QStringLiteral("1")));
    PromptScript prompts;
    PatientFormFixture f(&m_install->config, false);
    // Another patient's case is open: the rows read are those of the form's case.
    f.session->recNum = kStoredPatient + 1;
    f.session->caseNumber = kStoredCase + 1;
    f.form->setStoredNumbers(kStoredPatient, kStoredCase);
    CaseRow stored;
    stored.drug = QStringLiteral("UC_Drugex");
    stored.scr = QStringLiteral("0");
    stored.crcl = QStringLiteral("60");
    stored.fillInto(*f.form);
    fillStoredPatient(*f.form);

    QCOMPARE(f.combo("comboBox_drug")->currentText(), kUserChoiceName);
    QCOMPARE(f.button("Button_drugFactors")->text(), QStringLiteral("UC_Drugex"));
    QVERIFY(!f.button("Button_drugFactors")->isEnabled());
    QVERIFY(!f.combo("comboBox_drug")->isEnabled());
    QVERIFY(!f.button("Button_userChoice")->isHidden());
    QVERIFY(!f.form->findChild<DrugFactors*>());
    QCOMPARE(f.session->caseNumber, kStoredCase + 1);

    f.confirm();
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts); // the dialog was not run for a stored case
    QVERIFY(prompts.take().empty());
    const SessionData& s = *f.session;
    QCOMPARE(s.caseNumber, kStoredCase);
    QCOMPARE(s.recNum, kStoredPatient);
    QCOMPARE(s.patient.drugCode, QStringLiteral("ZZ"));
    QCOMPARE(s.userChoice.drugNameText, QStringLiteral("Drugex"));
    QCOMPARE(s.crcl, 60.0);
    QVERIFY(qAbs(s.pkSets[pk::kPopulation][pk::kVd] - 35.0) < 1e-9);
    QVERIFY(qAbs(s.pkSets[pk::kPopulation][pk::kCl] - 6.0) < 1e-9);
    QVERIFY(qAbs(s.pkSets[pk::kPopulation][pk::kCF] - 0.9) < 1e-9);
}

void TestNewPatientRefill::storedUsersChoiceRowsThatFail()
{
    QVERIFY(storeUserChoiceRows(QStringLiteral("1.5")));
    PromptScript prompts;
    PatientFormFixture f(&m_install->config, false);
    f.form->setStoredNumbers(kStoredPatient, kStoredCase);
    CaseRow stored;
    stored.drug = QStringLiteral("UC_Drugex");
    stored.fillInto(*f.form);
    fillStoredPatient(*f.form);

    std::vector<PromptRecord> shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Warning"));

    QSignalSpy opened(f.form.get(), &newPatient::create_mainpage);
    f.confirm();
    shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].text, QStringLiteral("User Choice drug's info is not completed."));
    QCOMPARE(opened.count(), 0);
    QVERIFY(f.session->patient.drugCode.isEmpty());
    QCOMPARE(f.session->caseNumber, 0);
}

void TestNewPatientRefill::refillFromTheSession_data()
{
    QTest::addColumn<QVariantMap>("changes");
    QTest::addColumn<QString>("weight");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QStringList>("renalTexts"); // line_crs, lineEdit_crs2, time, line_clcr

    QTest::newRow("lb and inches, changing renal function")
        << QVariantMap{{"weight", "150"},    {"weightUnit", "lb"}, {"height", "60"},
                       {"heightUnit", "in"}, {"changing", true},   {"crs", "1.2"},
                       {"crs2", "1.6"},      {"time", "24"}}
        << "150.0"
        << "60.0" << QStringList{"1.2", "1.6", "24", ""};
    QTest::newRow("kg and cm, one creatinine value")
        << QVariantMap{{"weight", "68.25"}, {"height", "171.5"}, {"crs", "0.9"}} << "68.25"
        << "171.5" << QStringList{"0.9", "", "", ""};
    QTest::newRow("clearance entered") << QVariantMap{{"renal", "clcr"}, {"clcr", "45"}} << "70"
                                       << "175" << QStringList{"", "", "", "45"};
}

void TestNewPatientRefill::refillFromTheSession()
{
    QFETCH(QVariantMap, changes);
    QFETCH(QString, weight);
    QFETCH(QString, height);
    QFETCH(QStringList, renalTexts);

    PatientFormFixture f(&m_install->config);
    changes.insert("drug", "Digoxin");
    changes.insert("sex", "F");
    f.fill(changes);
    f.button("Button_drugFactors")->click();
    auto* dialog = f.form->findChild<DrugFactors*>();
    dialog->findChild<QListWidget*>("listWidget")->item(1)->setCheckState(Qt::Checked);
    dialog->findChild<QPushButton*>("Button_submit")->click();
    f.confirm();
    f.form->isNewPatient = false; // as the main window does once the case page is built

    // The same form shown again, emptied first so that every text comes from the session.
    f.fill({{"first", ""},
            {"last", ""},
            {"birthday", ""},
            {"weight", ""},
            {"height", ""},
            {"sex", "M"}});
    f.form->loadCurrentPatient();
    QCOMPARE(f.edit("line_first")->text(), QStringLiteral("Ann"));
    QCOMPARE(f.edit("line_birthday")->text(), QStringLiteral("01/15/1970"));
    QVERIFY(f.radio("radioButton_female")->isChecked());
    QCOMPARE(f.edit("line_weight")->text(), weight);
    QCOMPARE(f.edit("line_height")->text(), height);
    QCOMPARE(f.combo("comboBox_drug")->currentText(), QStringLiteral("Digoxin"));
    QVERIFY(f.combo("comboBox_drug")->isEnabled());
    QCOMPARE(f.label("label_factor1")->text(), QStringLiteral(" Hyperthyroid patient. "));
    QCOMPARE(f.edit("line_crs")->text(), renalTexts[0]);
    QCOMPARE(f.edit("lineEdit_crs2")->text(), renalTexts[1]);
    QCOMPARE(f.edit("lineEdit_crs_time")->text(), renalTexts[2]);
    QCOMPARE(f.edit("line_clcr")->text(), renalTexts[3]);

    const double weightKg = f.session->weightKg;
    f.confirm();
    QCOMPARE(f.session->weightKg, weightKg);
    QCOMPARE(tickedFlags(*f.session), QVector<int>{2});

    // Saved meanwhile: shown again, the form stands for the stored case, which keeps its drug
    // and its numbers, so the next save updates its rows instead of adding new ones.
    f.session->recNum = kStoredPatient;
    f.session->caseNumber = kStoredCase;
    const QStringList savedDetails = {QStringLiteral("Ann"), QStringLiteral("Lee")};
    f.session->patientDetails = savedDetails;
    f.form->loadCurrentPatient();
    QVERIFY(!f.combo("comboBox_drug")->isEnabled());
    f.confirm();
    QCOMPARE(f.session->recNum, kStoredPatient);
    QCOMPARE(f.session->caseNumber, kStoredCase);
    QCOMPARE(f.session->patientDetails, savedDetails);
}

void TestNewPatientRefill::refillAfterAnAbandonedDrugChange()
{
    PatientFormFixture f(&m_install->config);
    f.fill();
    f.button("Button_drugFactors")->click();
    auto* dialog = f.form->findChild<DrugFactors*>();
    dialog->findChild<QListWidget*>("listWidget")->item(0)->setCheckState(Qt::Checked);
    dialog->findChild<QPushButton*>("Button_submit")->click();
    f.confirm();
    f.form->isNewPatient = false;
    QCOMPARE(tickedFlags(*f.session), QVector<int>{1});

    // Another drug chosen and the form cancelled: the open case keeps its factor.
    f.chooseDrug("Vancomycin");
    f.button("Button_cancel")->click();
    QCOMPARE(tickedFlags(*f.session), QVector<int>{1});
    QCOMPARE(f.session->patient.drugCode, QStringLiteral("GM"));

    // Shown again, it shows that factor and keeps it on Continue.
    f.form->loadCurrentPatient();
    QCOMPARE(f.combo("comboBox_drug")->currentText(), QStringLiteral("Gentamicin"));
    QCOMPARE(f.label("label_factor1")->text(), QStringLiteral(" Critically ill or ICU patient. "));
    f.confirm();
    QCOMPARE(tickedFlags(*f.session), QVector<int>{1});
}

TALVORA_TEST_MAIN(TestNewPatientRefill)
#include "tst_newpatient_refill.moc"
