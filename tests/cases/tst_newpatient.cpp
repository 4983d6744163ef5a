#include "tests/cases/tst_newpatient_fixture.h"

#include "cases/AgeCalculator.h"
#include "cases/DrugFactors.h"
#include "cases/userChoice.h"
#include "pkcore/PkIndices.h"
#include "platform/OleDate.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestMain.h"

#include <QCheckBox>
#include <QListWidget>
#include <QSignalSpy>

namespace
{
const QString kFirst = QStringLiteral("Please enter first name.");
const QString kLast = QStringLiteral("Please enter last name.");
const QString kBirthdayEmpty = QStringLiteral("Please enter birthday.");
const QString kBirthdayFormat = QStringLiteral("Birthday format should be MM/DD/YYYY.");
const QString kBirthdayRange = QStringLiteral("Birthday is not valid, age range should be 0-120.");
const QString kWeightLb =
    QStringLiteral("Please input a valid Weight. Acceptable range is 0.1 lbs to 1000 lbs.");
const QString kWeightKg =
    QStringLiteral("Please input a valid Weight. Acceptable range is 0.1 kg to 500 kg.");
const QString kHeightIn =
    QStringLiteral("Please input a valid Height. Acceptable range is 5 inches to 90 inches.");
const QString kHeightCm =
    QStringLiteral("Please input a valid Height. Acceptable range is 10 cm to 300 cm.");
const QString kDrug = QStringLiteral("Please select a drug.");
const QString kRenal = QStringLiteral("Please choose Crs or CLcr.");
const QString kCrs =
    QStringLiteral("Please input a correct Value of Crs. Acceptable range is 0.09 to 15 mg/dL");
const QString kTime =
    QStringLiteral("Please input a correct Value of time. Acceptable range is greater than 0");
const QString kClcr = QStringLiteral("Please input a correct Value of CLCr.");
const QString kAlbumin =
    QStringLiteral("Please input a correct value of Albumin. Acceptable range is 0.01 to 10 g/dL");
const QString kUserChoiceIncomplete = QStringLiteral("User Choice drug's info is not completed.");
const QString kUserChoiceName = QStringLiteral("User's Choice One-Comp Drug");

constexpr double kTolerance = 1e-9;

bool near(double a, double b)
{
    return qAbs(a - b) < kTolerance;
}

// A session that already holds an open case, so that any write by a refused form shows.
void holdOpenCase(SessionData& s)
{
    s.patient.firstName = QStringLiteral("Open");
    s.patient.drugCode = QStringLiteral("TH");
    s.weightKg = 55.0;
    s.recNum = 4;
    s.caseNumber = 9;
    s.factorFlags[3] = 1;
    s.pkSets[pk::kPopulation][pk::kVd] = 21.0;
    s.userChoice.drugNameText = QStringLiteral("Earlier");
}

void verifyOpenCaseUntouched(const SessionData& s)
{
    QCOMPARE(s.patient.firstName, QStringLiteral("Open"));
    QCOMPARE(s.patient.drugCode, QStringLiteral("TH"));
    QCOMPARE(s.weightKg, 55.0);
    QCOMPARE(s.recNum, 4);
    QCOMPARE(s.caseNumber, 9);
    QCOMPARE(int(s.factorFlags[3]), 1);
    QCOMPARE(s.pkSets[pk::kPopulation][pk::kVd], 21.0);
    QCOMPARE(s.userChoice.drugNameText, QStringLiteral("Earlier"));
}

// Fills and submits the user's-choice dialog the form runs: 100 mL/min, 0.5 L/kg, 90 %,
// range 10-20, IV; an oral salt typed but the route left unticked.
int submitUserChoice(QDialog* dialog)
{
    const auto edit = [dialog](const char* name, const char* text) {
        dialog->findChild<QLineEdit*>(name)->setText(QString::fromUtf8(text));
    };
    edit("drugName", "Drugex");
    edit("cl", "100");
    dialog->findChild<QRadioButton*>("RB4")->setChecked(true);
    edit("vd", "0.5");
    dialog->findChild<QRadioButton*>("RB6")->setChecked(true);
    edit("cf", "90");
    edit("tmin", "10");
    edit("tmax", "20");
    dialog->findChild<QCheckBox*>("check_iv")->setChecked(true);
    edit("iv_salt", "1");
    edit("o_salt", "0.8");
    dialog->findChild<QPushButton*>("button_submit")->click();
    return dialog->result();
}
} // namespace

class TestNewPatient : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void constructionState();
    void unitsFollowTheSettings_data();
    void unitsFollowTheSettings();
    void validation_data();
    void validation();
    void emptyFormListsEveryReasonInOrder();
    void correctedFieldsLoseTheirMark();
    void refusalLeavesTheSessionUntouched_data();
    void refusalLeavesTheSessionUntouched();
    void bodyMeasures();
    void drugChoiceShowsItsFields_data();
    void drugChoiceShowsItsFields();
    void renalChoiceEmptiesTheOtherFields();
    void storesUnitsInKgAndCm_data();
    void storesUnitsInKgAndCm();
    void storesRenalData();
    void identityOfTheCase_data();
    void identityOfTheCase();
    void confirmsAOneCompartmentDrug();
    void confirmsVancomycin();
    void confirmsPhenytoin();
    void confirmsTheUsersChoiceDrug();
    void usersChoiceNotSubmittedIsRefusedBeforeAnyWrite();
    void factorsTickedAreTakenOverOnContinue();
    void factorButtonNeedsAValidAge();
    void drugChangeForgetsTicksButNotTheOpenCase();

private:
    std::unique_ptr<PatientFormInstallation> m_install;
};

void TestNewPatient::initTestCase()
{
    m_install = std::make_unique<PatientFormInstallation>();
    QVERIFY2(m_install->open(), qPrintable(m_install->env.error()));
}

void TestNewPatient::init()
{
    m_install->setUnits(QStringLiteral("kg"), QStringLiteral("cm"));
}

void TestNewPatient::constructionState()
{
    PatientFormFixture f(&m_install->config);
    QCOMPARE(f.form->windowTitle(), QStringLiteral("Patient & Case Data"));
    // A fixed dialog that fits the smallest screen served; what it shows is checked in
    // tst_windowfit.
    QCOMPARE(f.form->minimumSize(), f.form->maximumSize());
    QVERIFY(f.form->width() <= 1024 && f.form->height() <= 768);
    QVERIFY(f.radio("radioButton_male")->isChecked());
    QCOMPARE(f.combo("comboBox_drug")->count(), 16);
    QCOMPARE(f.combo("comboBox_drug")->currentIndex(), -1);
    QVERIFY(f.combo("comboBox_drug")->findText("Netilmicin") < 0);
    QVERIFY(!f.button("Button_drugFactors")->isEnabled());
    QVERIFY(f.button("Button_userChoice")->isHidden());
    QVERIFY(f.edit("line_albumin")->isHidden());
    QVERIFY(f.child<QWidget>("widget_factor")->isHidden());
    QVERIFY(!f.combo("comboBox_renal_function")->isEnabled());
    QVERIFY(!f.radio("radioButton_crs")->isChecked() && !f.radio("radioButton_clcr")->isChecked());
    QCOMPARE(f.today(), QDate::currentDate());
    QCOMPARE(f.label("new_i_name")->text(), m_install->config.siteName());
    QVERIFY(f.markedFields().isEmpty());
    // The validators keep letters out of numbers, and digits and signs out of names; a name
    // keeps its apostrophes, hyphens, periods and letters of any script.
    QTest::keyClicks(f.edit("line_weight"), "7a0.5.1");
    QCOMPARE(f.edit("line_weight")->text(), QStringLiteral("70.51"));
    QTest::keyClicks(f.edit("line_first"), "Ann-Marie2;");
    QCOMPARE(f.edit("line_first")->text(), QStringLiteral("Ann-Marie"));
    QTest::keyClicks(f.edit("line_last"), "O'Brien-Smith Jr.");
    QCOMPARE(f.edit("line_last")->text(), QStringLiteral("O'Brien-Smith Jr."));
    QString otherScript = QString::fromUtf8("Łódź Ōno Иванов");
    int position = 0;
    QCOMPARE(f.edit("line_last")->validator()->validate(otherScript, position),
             QValidator::Acceptable);
}

void TestNewPatient::unitsFollowTheSettings_data()
{
    QTest::addColumn<QString>("weight");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("weightButton");
    QTest::addColumn<QString>("heightButton");

    QTest::newRow("kg cm") << "kg"
                           << "cm"
                           << "radioButton_kg"
                           << "radioButton_cm";
    QTest::newRow("lb inch") << "lb"
                             << "inch"
                             << "radioButton_lb"
                             << "radioButton_in";
    QTest::newRow("any other height unit is inches") << "kg"
                                                     << "CM"
                                                     << "radioButton_kg"
                                                     << "radioButton_in";
}

void TestNewPatient::unitsFollowTheSettings()
{
    QFETCH(QString, weight);
    QFETCH(QString, height);
    QFETCH(QString, weightButton);
    QFETCH(QString, heightButton);
    m_install->setUnits(weight, height);
    PatientFormFixture f(&m_install->config);
    QVERIFY(f.radio(weightButton)->isChecked());
    QVERIFY(f.radio(heightButton)->isChecked());
}

void TestNewPatient::validation_data()
{
    QTest::addColumn<QVariantMap>("changes");
    QTest::addColumn<QStringList>("reasons");
    QTest::addColumn<QStringList>("marked");

    QTest::newRow("valid") << QVariantMap{} << QStringList{} << QStringList{};
    QTest::newRow("first name") << QVariantMap{{"first", ""}} << QStringList{kFirst}
                                << QStringList{"line_first"};
    QTest::newRow("last name") << QVariantMap{{"last", ""}} << QStringList{kLast}
                               << QStringList{"line_last"};
    QTest::newRow("birthday empty") << QVariantMap{{"birthday", ""}} << QStringList{kBirthdayEmpty}
                                    << QStringList{"line_birthday"};
    QTest::newRow("birthday nine characters")
        << QVariantMap{{"birthday", "1/1/2000"}} << QStringList{kBirthdayFormat}
        << QStringList{"line_birthday"};
    QTest::newRow("birthday 02/29/2023")
        << QVariantMap{{"birthday", "02/29/2023"}} << QStringList{kBirthdayRange}
        << QStringList{"line_birthday"};
    QTest::newRow("birthday 02/29/2024")
        << QVariantMap{{"birthday", "02/29/2024"}} << QStringList{} << QStringList{};
    QTest::newRow("birthday tomorrow")
        << QVariantMap{{"birthday", "TOMORROW"}} << QStringList{kBirthdayRange}
        << QStringList{"line_birthday"};
    QTest::newRow("weight 0.1 kg")
        << QVariantMap{{"weight", "0.1"}} << QStringList{} << QStringList{};
    QTest::newRow("weight 500 kg")
        << QVariantMap{{"weight", "500"}} << QStringList{} << QStringList{};
    QTest::newRow("weight 500.5 kg")
        << QVariantMap{{"weight", "500.5"}} << QStringList{kWeightKg} << QStringList{"line_weight"};
    QTest::newRow("weight 1000 lb")
        << QVariantMap{{"weight", "1000"}, {"weightUnit", "lb"}} << QStringList{} << QStringList{};
    QTest::newRow("weight 1000.5 lb") << QVariantMap{{"weight", "1000.5"}, {"weightUnit", "lb"}}
                                      << QStringList{kWeightLb} << QStringList{"line_weight"};
    QTest::newRow("weight empty") << QVariantMap{{"weight", ""}} << QStringList{kWeightKg}
                                  << QStringList{"line_weight"};
    QTest::newRow("height 10 cm") << QVariantMap{{"height", "10"}} << QStringList{}
                                  << QStringList{};
    QTest::newRow("height 300.1 cm")
        << QVariantMap{{"height", "300.1"}} << QStringList{kHeightCm} << QStringList{"line_height"};
    QTest::newRow("height 5 in") << QVariantMap{{"height", "5"}, {"heightUnit", "in"}}
                                 << QStringList{} << QStringList{};
    QTest::newRow("height 90.5 in") << QVariantMap{{"height", "90.5"}, {"heightUnit", "in"}}
                                    << QStringList{kHeightIn} << QStringList{"line_height"};
    QTest::newRow("no drug") << QVariantMap{{"drug", ""}} << QStringList{kDrug}
                             << QStringList{"comboBox_drug"};
    QTest::newRow("neither Crs nor CLcr") << QVariantMap{{"renal", ""}} << QStringList{kRenal}
                                          << QStringList{"radioButton_clcr", "radioButton_crs"};
    QTest::newRow("Crs 0.09") << QVariantMap{{"crs", "0.09"}} << QStringList{} << QStringList{};
    QTest::newRow("Crs 15") << QVariantMap{{"crs", "15"}} << QStringList{} << QStringList{};
    QTest::newRow("Crs 0.08") << QVariantMap{{"crs", "0.08"}} << QStringList{kCrs}
                              << QStringList{"line_crs"};
    QTest::newRow("Crs empty") << QVariantMap{{"crs", ""}} << QStringList{kCrs}
                               << QStringList{"line_crs"};
    QTest::newRow("changing, valid")
        << QVariantMap{{"changing", true}, {"crs2", "1.5"}, {"time", "24"}} << QStringList{}
        << QStringList{};
    QTest::newRow("changing, time 0")
        << QVariantMap{{"changing", true}, {"crs2", "1.5"}, {"time", "0"}} << QStringList{kTime}
        << QStringList{"lineEdit_crs_time"};
    QTest::newRow("changing, second value missing")
        << QVariantMap{{"changing", true}, {"time", "24"}} << QStringList{kCrs}
        << QStringList{"lineEdit_crs2"};
    QTest::newRow("CLcr 0") << QVariantMap{{"renal", "clcr"}, {"clcr", "0"}} << QStringList{}
                            << QStringList{};
    QTest::newRow("CLcr 300") << QVariantMap{{"renal", "clcr"}, {"clcr", "300"}} << QStringList{}
                              << QStringList{};
    QTest::newRow("CLcr 300.1") << QVariantMap{{"renal", "clcr"}, {"clcr", "300.1"}}
                                << QStringList{kClcr} << QStringList{"line_clcr"};
    QTest::newRow("CLcr empty") << QVariantMap{{"renal", "clcr"}} << QStringList{kClcr}
                                << QStringList{"line_clcr"};
    QTest::newRow("CLcr on the changing entry")
        << QVariantMap{{"renal", "clcr"}, {"clcr", "60"}, {"changing", true}}
        << QStringList{kCrs, kTime} << QStringList{"lineEdit_crs2", "lineEdit_crs_time"};
    QTest::newRow("albumin shown and empty")
        << QVariantMap{{"drug", "Phenytoin"}} << QStringList{kAlbumin}
        << QStringList{"line_albumin"};
    QTest::newRow("albumin 0.01") << QVariantMap{{"drug", "Valproic Acid"}, {"albumin", "0.01"}}
                                  << QStringList{} << QStringList{};
    QTest::newRow("albumin 10.5") << QVariantMap{{"drug", "Phenytoin"}, {"albumin", "10.5"}}
                                  << QStringList{kAlbumin} << QStringList{"line_albumin"};
    QTest::newRow("several at once")
        << QVariantMap{{"last", ""}, {"weight", "0"}, {"drug", ""}, {"crs", "20"}}
        << QStringList{kLast, kWeightKg, kDrug, kCrs}
        << QStringList{"comboBox_drug", "line_crs", "line_last", "line_weight"};
}

void TestNewPatient::validation()
{
    QFETCH(QVariantMap, changes);
    QFETCH(QStringList, reasons);
    QFETCH(QStringList, marked);

    PatientFormFixture f(&m_install->config);
    f.fill(changes);
    QCOMPARE(f.form->validateForm(), reasons.join('\n'));
    QCOMPARE(f.markedFields(), marked);
}

void TestNewPatient::emptyFormListsEveryReasonInOrder()
{
    PromptScript prompts;
    PatientFormFixture f(&m_install->config);
    QSignalSpy opened(f.form.get(), &newPatient::create_mainpage);
    f.confirm();

    const std::vector<PromptRecord> shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Error"));
    QCOMPARE(shown[0].text,
             QStringList({kFirst, kLast, kBirthdayEmpty, kWeightKg, kHeightCm, kDrug, kRenal})
                 .join('\n'));
    QCOMPARE(opened.count(), 0);
}

void TestNewPatient::correctedFieldsLoseTheirMark()
{
    PatientFormFixture f(&m_install->config);
    f.fill({{"first", ""}, {"birthday", "13/01/2000"}, {"renal", "clcr"}, {"drug", "Phenytoin"}});
    f.form->validateForm();
    QCOMPARE(f.markedFields(),
             (QStringList{"line_albumin", "line_birthday", "line_clcr", "line_first"}));

    f.edit("line_first")->setText("Ann");
    f.edit("line_birthday")->setText("01/13/2000");
    f.edit("line_clcr")->setText("80");
    f.edit("line_albumin")->setText("4");
    QVERIFY(f.form->validateForm().isEmpty());
    QVERIFY(f.markedFields().isEmpty());

    // Choosing CLcr or Crs clears the mark of both buttons; a new drug that of the drug list.
    PatientFormFixture g(&m_install->config);
    g.fill({{"renal", ""}, {"drug", ""}});
    g.form->validateForm();
    QCOMPARE(g.markedFields(),
             (QStringList{"comboBox_drug", "radioButton_clcr", "radioButton_crs"}));
    g.radio("radioButton_clcr")->click();
    g.chooseDrug("Digoxin");
    QVERIFY(g.markedFields().isEmpty());
}

void TestNewPatient::refusalLeavesTheSessionUntouched_data()
{
    QTest::addColumn<bool>("isNewPatient");
    QTest::addColumn<int>("formCaseNumber");
    QTest::newRow("new patient") << true << 0;
    QTest::newRow("stored case from the search") << false << 12;
}

void TestNewPatient::refusalLeavesTheSessionUntouched()
{
    QFETCH(bool, isNewPatient);
    QFETCH(int, formCaseNumber);
    PromptScript prompts;
    PatientFormFixture f(&m_install->config, isNewPatient);
    f.form->setStoredNumbers(formCaseNumber == 0 ? 0 : 6, formCaseNumber);
    holdOpenCase(*f.session);
    QSignalSpy opened(f.form.get(), &newPatient::create_mainpage);
    f.fill({{"weight", "0"}});
    f.confirm();
    QCOMPARE(int(prompts.take().size()), 1);
    QCOMPARE(opened.count(), 0);
    verifyOpenCaseUntouched(*f.session);

    f.button("Button_cancel")->click();
    verifyOpenCaseUntouched(*f.session);
}

void TestNewPatient::bodyMeasures()
{
    PatientFormFixture f(&m_install->config);
    f.radio("radioButton_lb")->click();
    f.radio("radioButton_in")->click();
    f.edit("line_weight")->setText("154");
    f.form->updateBodyMeasures();
    QVERIFY(f.edit("lineEdit_body_mass_index")->text().isEmpty());

    f.edit("line_height")->setText("70");
    f.form->updateBodyMeasures();
    QCOMPARE(f.edit("lineEdit_body_mass_index")->text(), QStringLiteral("22.10"));
    QCOMPARE(f.edit("lineEdit_body_surface_area")->text(), QStringLiteral("1.86"));
    QVERIFY(!f.edit("lineEdit_lean_body_mass")->text().isEmpty());
    // No ideal weight without a valid birthday.
    QVERIFY(f.edit("lineEdit_ideal_body_weight")->text().isEmpty());

    f.edit("line_birthday")->setText(f.birthdayYearsAgo(40));
    f.radio("radioButton_female")->click();
    const double expected = idealBodyWeight(154 * 0.453597, 70 * 2.5399, 40.0, "F");
    QCOMPARE(f.edit("lineEdit_ideal_body_weight")->text(), QString::number(expected, 'f', 2));

    // An emptied field leaves the displays as they were; a height of 0 shows no index at all.
    f.edit("line_height")->clear();
    f.form->updateBodyMeasures();
    QCOMPARE(f.edit("lineEdit_body_mass_index")->text(), QStringLiteral("22.10"));
    f.edit("line_height")->setText("0");
    f.form->updateBodyMeasures();
    QVERIFY(f.edit("lineEdit_body_mass_index")->text().isEmpty());
}

void TestNewPatient::drugChoiceShowsItsFields_data()
{
    QTest::addColumn<QString>("drug");
    QTest::addColumn<bool>("factors");
    QTest::addColumn<bool>("albumin");

    QTest::newRow("gentamicin") << "Gentamicin" << true << false;
    QTest::newRow("phenytoin") << "Phenytoin" << true << true;
    QTest::newRow("valproic acid") << "Valproic Acid" << false << true;
    QTest::newRow("flucytosine") << "Flucytosine" << false << false;
}

void TestNewPatient::drugChoiceShowsItsFields()
{
    QFETCH(QString, drug);
    QFETCH(bool, factors);
    QFETCH(bool, albumin);

    PatientFormFixture f(&m_install->config);
    f.chooseDrug("Phenytoin");
    f.edit("line_albumin")->setText("3.5");
    f.chooseDrug(drug);
    QCOMPARE(f.button("Button_drugFactors")->isEnabled(), factors);
    QCOMPARE(!f.edit("line_albumin")->isHidden(), albumin);
    QCOMPARE(!f.label("label_albumin")->isHidden(), albumin);
    QCOMPARE(f.edit("line_albumin")->text().isEmpty(), !albumin);
    QVERIFY(f.button("Button_userChoice")->isHidden());
}

void TestNewPatient::renalChoiceEmptiesTheOtherFields()
{
    PatientFormFixture f(&m_install->config);
    f.fill({{"changing", true}, {"crs2", "1.4"}, {"time", "12"}});
    QVERIFY(f.edit("lineEdit_crs2")->isEnabled());

    f.radio("radioButton_clcr")->click();
    for (const char* name : {"line_crs", "lineEdit_crs2", "lineEdit_crs_time"}) {
        QVERIFY(f.edit(name)->text().isEmpty());
        QVERIFY(!f.edit(name)->isEnabled());
    }
    QVERIFY(!f.combo("comboBox_renal_function")->isEnabled());
    QVERIFY(f.edit("line_clcr")->isEnabled());

    f.edit("line_clcr")->setText("50");
    f.radio("radioButton_crs")->click();
    QVERIFY(f.edit("line_clcr")->text().isEmpty());
    QVERIFY(!f.edit("line_clcr")->isEnabled());
    QVERIFY(f.edit("line_crs")->isEnabled());
    QVERIFY(f.edit("lineEdit_crs2")->isEnabled()); // the list still stands on "changing"

    emit f.combo("comboBox_renal_function")->activated(0);
    QVERIFY(!f.edit("lineEdit_crs2")->isEnabled());
    QVERIFY(f.edit("line_crs")->isEnabled());
}

void TestNewPatient::storesUnitsInKgAndCm_data()
{
    QTest::addColumn<QVariantMap>("changes");
    QTest::addColumn<double>("weightKg");
    QTest::addColumn<double>("heightCm");
    QTest::addColumn<QString>("weightUnit");
    QTest::addColumn<QString>("heightUnit");

    QTest::newRow("150 lb, 60 in") << QVariantMap{{"weight", "150"},
                                                  {"weightUnit", "lb"},
                                                  {"height", "60"},
                                                  {"heightUnit", "in"}}
                                   << 150 * 0.453597 << 60 * 2.5399 << "lb"
                                   << "in";
    QTest::newRow("70 kg, 175 cm") << QVariantMap{} << 70.0 << 175.0 << "kg"
                                   << "cm";
    QTest::newRow("68.5 kg, 66 in")
        << QVariantMap{{"weight", "68.5"}, {"height", "66"}, {"heightUnit", "in"}} << 68.5
        << 66 * 2.5399 << "kg"
        << "in";
}

void TestNewPatient::storesUnitsInKgAndCm()
{
    QFETCH(QVariantMap, changes);
    QFETCH(double, weightKg);
    QFETCH(double, heightCm);
    QFETCH(QString, weightUnit);
    QFETCH(QString, heightUnit);

    PatientFormFixture f(&m_install->config);
    f.fill(changes);
    QVERIFY(f.form->storeFormIntoSession());
    QVERIFY(near(f.session->weightKg, weightKg));
    QVERIFY(near(f.session->heightCm, heightCm));
    QCOMPARE(f.session->patient.weightUnit, weightUnit);
    QCOMPARE(f.session->patient.heightUnit, heightUnit);
}

void TestNewPatient::storesRenalData()
{
    PatientFormFixture f(&m_install->config);
    f.fill({{"crs", "1.2"}});
    QVERIFY(f.form->storeFormIntoSession());
    QCOMPARE(int(f.session->renalMode), 0);
    QCOMPARE(f.session->scr1, 1.2);
    QCOMPARE(f.session->scr2, -1.0);
    QCOMPARE(f.session->scrHoursBetween, -1.0);
    QCOMPARE(f.session->crcl, 0.0);

    f.fill({{"changing", true}, {"crs", "1.2"}, {"crs2", "1.6"}, {"time", "24"}});
    QVERIFY(f.form->storeFormIntoSession());
    QCOMPARE(int(f.session->renalMode), 1);
    QCOMPARE(f.session->scr2, 1.6);
    QCOMPARE(f.session->scrHoursBetween, 24.0);

    // A CLcr entered is kept as the clearance; no creatinine value is estimated from.
    PatientFormFixture g(&m_install->config);
    g.fill({{"renal", "clcr"}, {"clcr", "45"}, {"first", "Bo"}});
    g.confirm();
    QCOMPARE(g.session->scr1, 0.0);
    QCOMPARE(g.session->crcl, 45.0);
    QCOMPARE(g.session->patient.firstName, QStringLiteral("Bo"));
    QVERIFY(near(g.session->ageYears, AgeCalculator::ageInYears(QDate(1970, 1, 15), g.today())));
    QCOMPARE(g.session->patient.birthdayStatus, 0);
    QCOMPARE(oleDateToDate(g.session->patient.birthday), QDate(1970, 1, 15));
}

void TestNewPatient::identityOfTheCase_data()
{
    QTest::addColumn<bool>("isNewPatient");
    QTest::addColumn<bool>("isNewCase");
    QTest::addColumn<int>("formRecNum"); // what the search put into the form
    QTest::addColumn<int>("formCaseNumber");
    QTest::addColumn<int>("recNum");
    QTest::addColumn<int>("caseNumber");

    // The session holds case 9 of patient 4 throughout: none of its numbers may survive.
    QTest::newRow("new patient on a stored case's page") << true << false << 0 << 0 << 0 << 0;
    QTest::newRow("new case of a stored patient") << false << true << 6 << 0 << 6 << 0;
    QTest::newRow("stored case opened") << false << false << 6 << 12 << 6 << 12;
}

void TestNewPatient::identityOfTheCase()
{
    QFETCH(bool, isNewPatient);
    QFETCH(bool, isNewCase);
    QFETCH(int, formRecNum);
    QFETCH(int, formCaseNumber);
    QFETCH(int, recNum);
    QFETCH(int, caseNumber);

    PatientFormFixture f(&m_install->config, isNewPatient);
    f.form->setStoredNumbers(formRecNum, formCaseNumber);
    f.form->isNewCase = isNewCase;
    holdOpenCase(*f.session);
    f.fill();
    QSignalSpy opened(f.form.get(), &newPatient::create_mainpage);
    f.confirm();
    QCOMPARE(opened.count(), 1);
    QCOMPARE(f.session->recNum, recNum);
    QCOMPARE(f.session->caseNumber, caseNumber);
    // The previous case's ticks went with it.
    QCOMPARE(int(f.session->factorFlags[3]), 0);
}

void TestNewPatient::confirmsAOneCompartmentDrug()
{
    PatientFormFixture f(&m_install->config);
    f.fill({{"renal", "clcr"}, {"clcr", "100"}});
    QSignalSpy opened(f.form.get(), &newPatient::create_mainpage);
    f.confirm();
    QCOMPARE(opened.count(), 1);

    const SessionData& s = *f.session;
    const PkParameterSet& pop = s.pkSets[pk::kPopulation];
    QCOMPARE(s.patient.drugCode, QStringLiteral("GM"));
    QCOMPARE(s.modelType, pk::kModelOneComp);
    QCOMPARE(s.doseUnit, QStringLiteral("mg"));
    QCOMPARE(s.concentrationUnit, QStringLiteral("mg/L"));
    QVERIFY(near(pop[pk::kVd], 0.3 * f.calculator.adjustedBodyWeight()));
    QVERIFY(near(pop[pk::kCl], (0.11 * f.calculator.dosingWeightForCrCl() + 0.82 * 100) * 0.06));
    QCOMPARE(pop[pk::kF], 1.0);
    QCOMPARE(pop[pk::kCF], 1.0);
    QCOMPARE(s.populationRanges[pk::kFitF], 0.05);
    QCOMPARE(s.populationRanges[pk::kFitVd], 0.3);
    QCOMPARE(s.populationRanges[pk::kFitCF], 0.5);
    QCOMPARE(s.levelUpperLimit, 10.0);
    QCOMPARE(s.levelLowerLimit, 2.0);
    QVERIFY(!f.form->isVisible());
}

void TestNewPatient::confirmsVancomycin()
{
    PatientFormFixture f(&m_install->config);
    f.fill({{"drug", "Vancomycin"}, {"renal", "clcr"}, {"clcr", "80"}});
    f.confirm();

    const SessionData& s = *f.session;
    const PkParameterSet& pop = s.pkSets[pk::kPopulation];
    QCOMPARE(s.modelType, pk::kModelTwoComp);
    QVERIFY(near(pop[pk::kCl], (0.05 * f.calculator.dosingWeightForCrCl() + 0.79 * 80) * 0.06));
    QVERIFY(near(pop[pk::kVd], 0.7 * f.calculator.adjustedBodyWeight()));
    QVERIFY(near(s.twoCompCentralVolume, 0.17 * f.calculator.adjustedBodyWeight()));
    QCOMPARE(s.levelUpperLimit, 50.0);
    QCOMPARE(s.levelLowerLimit, 15.0);
    QCOMPARE(s.concentrationUnit, QStringLiteral("mg/L"));
}

void TestNewPatient::confirmsPhenytoin()
{
    PatientFormFixture f(&m_install->config);
    f.fill({{"drug", "Phenytoin"}, {"albumin", "4.0"}, {"crs", "1.0"}});
    f.confirm();

    const SessionData& s = *f.session;
    const PkParameterSet& pop = s.pkSets[pk::kPopulation];
    QCOMPARE(s.modelType, pk::kModelMichaelisMenten);
    QCOMPARE(s.albumin, 4.0);
    QVERIFY(s.crcl > 0.0); // estimated from the creatinine value
    QVERIFY(pop[pk::kKm] > 0.0);
    QCOMPARE(pop[pk::kCl], pop[pk::kKm]);
    QVERIFY(pop[pk::kVmax] > 0.0);
    QVERIFY(pop[pk::kVd] > 0.0);
    QVERIFY(near(s.levelUpperLimit, 2.0 * s.levelLowerLimit));
    QCOMPARE(s.populationRanges[pk::kFitKm], 0.5);
    QCOMPARE(s.populationRanges[pk::kFitVmax], 0.3);
}

void TestNewPatient::confirmsTheUsersChoiceDrug()
{
    PromptScript prompts;
    PatientFormFixture f(&m_install->config);
    holdOpenCase(*f.session);
    Modal::setNextHandler(submitUserChoice);
    f.fill({{"drug", kUserChoiceName}});

    QVERIFY(!f.button("Button_userChoice")->isHidden());
    QVERIFY(!f.button("Button_drugFactors")->isEnabled());
    QCOMPARE(f.button("Button_drugFactors")->text(), QStringLiteral("Drugex"));
    // Submitted, but not yet in the session.
    QCOMPARE(f.session->userChoice.drugNameText, QStringLiteral("Earlier"));

    QSignalSpy opened(f.form.get(), &newPatient::create_mainpage);
    f.confirm();
    QCOMPARE(opened.count(), 1);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);

    const SessionData& s = *f.session;
    const PkParameterSet& pop = s.pkSets[pk::kPopulation];
    QCOMPARE(s.patient.drugCode, QStringLiteral("ZZ"));
    QCOMPARE(s.modelType, pk::kModelOneComp);
    QVERIFY(near(pop[pk::kVd], 35.0));
    QVERIFY(near(pop[pk::kCl], 6.0));
    QVERIFY(near(pop[pk::kCF], 0.9));
    QCOMPARE(s.levelUpperLimit, 20.0);
    QCOMPARE(s.levelLowerLimit, 10.0);
    QVERIFY(near(s.levelErrorConstant, 0.75));
    QCOMPARE(s.populationRanges[pk::kFitVd], 0.3);
    QCOMPARE(s.doseUnit, QStringLiteral("mg"));
    QCOMPARE(s.concentrationUnit, QStringLiteral("mg/L"));
    QVERIFY(s.userChoiceComplete);
    QCOMPARE(s.userChoice.drugNameText, QStringLiteral("Drugex"));
    QCOMPARE(s.userChoice.ivSaltText, QStringLiteral("1"));
    QVERIFY(s.userChoice.oralSaltText.isEmpty());
}

void TestNewPatient::usersChoiceNotSubmittedIsRefusedBeforeAnyWrite()
{
    PromptScript prompts;
    PatientFormFixture f(&m_install->config);
    holdOpenCase(*f.session);
    Modal::setNextResult(QDialog::Rejected); // the dialog is closed without submitting
    f.fill({{"drug", kUserChoiceName}});
    QSignalSpy opened(f.form.get(), &newPatient::create_mainpage);
    f.confirm();

    const std::vector<PromptRecord> shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Error"));
    QCOMPARE(shown[0].text, kUserChoiceIncomplete);
    QCOMPARE(opened.count(), 0);
    verifyOpenCaseUntouched(*f.session);

    // Submitting it through the button then lets the case through.
    Modal::setNextHandler(submitUserChoice);
    f.button("Button_userChoice")->click();
    f.confirm();
    QCOMPARE(opened.count(), 1);
    QVERIFY(near(f.session->pkSets[pk::kPopulation][pk::kCl], 6.0));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestNewPatient::factorsTickedAreTakenOverOnContinue()
{
    PromptScript prompts;
    PatientFormFixture f(&m_install->config);
    holdOpenCase(*f.session);
    f.fill({{"drug", "Theophylline"}});
    f.button("Button_drugFactors")->click();

    auto* dialog = f.form->findChild<DrugFactors*>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral(" Factors "));
    auto* list = dialog->findChild<QListWidget*>("listWidget");
    QCOMPARE(list->count(), 15);
    // The open case's tick is not offered to the new case.
    QCOMPARE(list->item(2)->checkState(), Qt::Unchecked);
    list->item(3)->setCheckState(Qt::Checked);
    list->item(10)->setCheckState(Qt::Checked);
    dialog->findChild<QPushButton*>("Button_submit")->click();

    QVERIFY(!f.child<QWidget>("widget_factor")->isHidden());
    QCOMPARE(f.label("label_factor1")->text(), QStringLiteral(" Patient smokes. "));
    QCOMPARE(f.label("label_factor2")->text(), QStringLiteral(" Patient has cystic fibrosis. "));
    verifyOpenCaseUntouched(*f.session);

    f.confirm();
    const SessionData& s = *f.session;
    QCOMPARE(s.factorCount, 15);
    for (int n = 1; n < pk::kFactorFlagCapacity; ++n)
        QCOMPARE(int(s.factorFlags[n]), n == 4 || n == 11 ? 1 : 0);
    QCOMPARE(s.factorAnswers[3], QStringLiteral(" Patient smokes. "));
    QVERIFY(s.routeText.isEmpty());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestNewPatient::factorButtonNeedsAValidAge()
{
    PromptScript prompts;
    PatientFormFixture f(&m_install->config);
    f.fill({{"birthday", "02/30/2000"}});
    f.button("Button_drugFactors")->click();

    const std::vector<PromptRecord> shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Warning"));
    QCOMPARE(shown[0].text, QStringLiteral("Age is not valid."));
    QVERIFY(!f.form->findChild<DrugFactors*>());
}

void TestNewPatient::drugChangeForgetsTicksButNotTheOpenCase()
{
    PatientFormFixture f(&m_install->config);
    holdOpenCase(*f.session);
    f.fill({{"drug", "Digoxin"}});
    f.button("Button_drugFactors")->click();
    auto* dialog = f.form->findChild<DrugFactors*>();
    dialog->findChild<QListWidget*>("listWidget")->item(0)->setCheckState(Qt::Checked);
    dialog->findChild<QPushButton*>("Button_submit")->click();
    QVERIFY(!f.label("label_factor1")->text().isEmpty());

    f.chooseDrug("Lithium");
    QVERIFY(f.label("label_factor1")->text().isEmpty());
    QVERIFY(f.child<QWidget>("widget_factor")->isHidden());
    QVERIFY(!f.form->findChild<DrugFactors*>());
    f.button("Button_cancel")->click();
    verifyOpenCaseUntouched(*f.session);

    f.confirm();
    QCOMPARE(f.session->patient.drugCode, QStringLiteral("LI"));
    for (int n = 1; n < pk::kFactorFlagCapacity; ++n)
        QCOMPARE(int(f.session->factorFlags[n]), 0);
}

TALVORA_TEST_MAIN(TestNewPatient)
#include "tst_newpatient.moc"
