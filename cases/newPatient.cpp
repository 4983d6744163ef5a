#include "cases/newPatient.h"
#include "ui_newPatient.h"

#include "app/ProgramConfig.h"
#include "app/StartInView.h"
#include "cases/AgeCalculator.h"
#include "cases/DrugFactors.h"
#include "cases/PatientForm.h"
#include "cases/PatientValidation.h"
#include "cases/userChoice.h"
#include "pkcore/DrugCodes.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/PkIndices.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"
#include "platform/MessageBox.h"
#include "platform/OleDate.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"
#include "platform/WheelGuard.h"

#include <QRegularExpressionValidator>
#include <QStyle>

#include <algorithm>
#include <array>
#include <cmath>

namespace
{

// A stored user's-choice drug is "UC_" followed by its name.
const QString kStoredUserChoiceMark = QStringLiteral("UC");
const QString kUnknownName = QStringLiteral("No");

// Stored unit pairs of weight and height.
const QString kUnitsKgCm = QStringLiteral("KC");
const QString kUnitsKgInch = QStringLiteral("KI");
const QString kUnitsLbInch = QStringLiteral("LI");

const QString kNumbersPattern = QStringLiteral("^[0-9]*\\.{0,1}[0-9]*|^$");
// Letters of any script (with their combining marks), spaces, apostrophes, hyphens and periods:
// "O'Brien-Smith", "St. John".
const QString kNamesPattern = QStringLiteral("^[\\p{L}\\p{M} '.-]*$");
const QString kBirthdayPattern = QStringLiteral("^[0-9]*/[0-9]*/[0-9]*$");

const char* const kErrorProperty = "error";

using PatientForm::changingRenalFunction;
using PatientForm::stableRenalFunction;
constexpr int kDecimals = 2;
constexpr int kRefillDecimals = 1;

double number(const QString& text)
{
    return PatientValidation::fieldNumber(text);
}

// A measure for display; empty when the formula gave no result.
void showMeasure(QLineEdit* field, double value)
{
    if (std::isfinite(value) && value >= 0.0)
        field->setText(QString::number(value, 'f', kDecimals));
    else
        field->clear();
}

// What the patient factor dialog works on and Continue takes over.
struct FactorBlock {
    std::array<QString, pk::kFactorTextCount> questions;
    std::array<QString, pk::kFactorTextCount> answers;
    std::array<quint8, pk::kFactorFlagCapacity> flags{};
    qint32 count = 0;
    QString routeText;
};

FactorBlock readFactorBlock(const SessionData& s)
{
    return FactorBlock{s.factorQuestions, s.factorAnswers, s.factorFlags, s.factorCount,
                       s.routeText};
}

void writeFactorBlock(const FactorBlock& block, SessionData* s)
{
    s->factorQuestions = block.questions;
    s->factorAnswers = block.answers;
    s->factorFlags = block.flags;
    s->factorCount = block.count;
    s->routeText = block.routeText;
}

int usableFactorCount(const SessionData& s)
{
    return std::clamp(s.factorCount, 0, pk::kFactorTextCount);
}

bool hasTickedFactor(const SessionData& s)
{
    return std::any_of(s.factorFlags.begin(), s.factorFlags.end(),
                       [](quint8 flag) { return flag != 0; });
}
} // namespace

newPatient::newPatient(QWidget* parent, SessionData* session, PkCalculator* calculator,
                       DrugInfo* catalogue, ProgramConfig* configuration, bool isNewPatient)
    : QDialog(parent), isNewPatient(isNewPatient), ui(new Ui::newPatient), m_session(session),
      m_calculator(calculator), m_catalogue(catalogue), m_configuration(configuration)
{
    ui->setupUi(this);
    guardWheel(this);
    for (QLineEdit* name : {ui->line_last, ui->line_first, ui->line_hosp})
        keepStartInView(name);
    openedAt = QDateTime::currentDateTime();
    setWindowTitle(tr("Patient & Case Data"));
    readEntryUnits();
    ui->new_i_name->setText(m_configuration->siteName());
    installValidators();

    ui->line_last->setEnabled(true);
    ui->line_first->setEnabled(true);
    ui->Button_drugFactors->setEnabled(false);
    ui->Button_userChoice->setEnabled(false);
    ui->Button_userChoice->hide();
    ui->label_albumin->hide();
    ui->label_albumin_u->hide();
    ui->line_albumin->hide();
    ui->widget_factor->hide();
    ui->line_date->setDate(openedAt.date());
    for (PatientField field :
         {PatientField::FirstName, PatientField::LastName, PatientField::Birthday,
          PatientField::Weight, PatientField::Height, PatientField::Drug, PatientField::RenalChoice,
          PatientField::Crs, PatientField::Crs2, PatientField::CrsTime, PatientField::Clcr,
          PatientField::Albumin}) {
        for (QWidget* widget : fieldWidgets(field))
            widget->setProperty(kErrorProperty, false);
    }
}

newPatient::~newPatient() = default;

void newPatient::readEntryUnits()
{
    const SettingsFile settings(m_configuration->settingsPath());
    const QString height = settings.read(SettingsKeys::unitHeightSetting);
    const QString weight = settings.read(SettingsKeys::unitWeightSetting);
    (height == QLatin1String(SettingsKeys::heightCm) ? ui->radioButton_cm : ui->radioButton_in)
        ->setChecked(true);
    (weight == QLatin1String(SettingsKeys::weightKg) ? ui->radioButton_kg : ui->radioButton_lb)
        ->setChecked(true);
}

void newPatient::installValidators()
{
    auto* numbers = new QRegularExpressionValidator(QRegularExpression(kNumbersPattern), this);
    auto* names = new QRegularExpressionValidator(QRegularExpression(kNamesPattern), this);
    auto* birthday = new QRegularExpressionValidator(QRegularExpression(kBirthdayPattern), this);
    for (QLineEdit* field : {ui->line_weight, ui->line_height, ui->line_crs, ui->lineEdit_crs2,
                             ui->lineEdit_crs_time, ui->line_clcr, ui->line_albumin})
        field->setValidator(numbers);
    ui->line_first->setValidator(names);
    ui->line_last->setValidator(names);
    ui->line_birthday->setValidator(birthday);
}

void newPatient::markField(QWidget* field, bool failed)
{
    field->setProperty(kErrorProperty, failed);
    field->style()->unpolish(field);
    field->style()->polish(field);
    field->update();
}

// ---- Birthdays and body measures ----

bool newPatient::isBirthdayFormatValid(const QString& birthday) const
{
    return PatientValidation::isBirthdayFormatValid(birthday);
}

bool newPatient::isBirthdayInRange(const QString& birthday) const
{
    return PatientValidation::isBirthdayInRange(birthday, openedAt.date());
}

double newPatient::ageFromBirthday(const QString& birthday) const
{
    const QDate today = openedAt.date();
    return AgeCalculator::ageInYears(PatientValidation::birthdayDate(birthday, today), today);
}

QString newPatient::chosenSex() const
{
    return sexText(ui->radioButton_male->isChecked() ? Sex::Male : Sex::Female);
}

Sex newPatient::checkedSex() const
{
    if (ui->radioButton_male->isChecked())
        return Sex::Male;
    if (ui->radioButton_female->isChecked())
        return Sex::Female;
    return Sex::Unknown;
}

void newPatient::updateBodyMeasures()
{
    if (ui->line_weight->text().isEmpty() || ui->line_height->text().isEmpty())
        return;
    const double weight = number(ui->line_weight->text());
    const double height = number(ui->line_height->text());
    const double weightKg =
        ui->radioButton_lb->isChecked() ? weight * PatientValidation::kgPerPound : weight;
    const double heightCm =
        ui->radioButton_in->isChecked() ? height * PatientValidation::cmPerInch : height;
    showMeasure(ui->lineEdit_body_mass_index, bodyMassIndex(weightKg, heightCm));
    showMeasure(ui->lineEdit_body_surface_area, bodySurfaceArea(weightKg, heightCm));

    const QString sex = sexText(checkedSex());
    if (sex.isEmpty())
        return;
    showMeasure(ui->lineEdit_lean_body_mass, leanBodyMass(weightKg, heightCm, sex));

    const QString birthday = ui->line_birthday->text();
    if (isBirthdayFormatValid(birthday) && isBirthdayInRange(birthday)) {
        const double age = ageFromBirthday(birthday);
        showMeasure(ui->lineEdit_ideal_body_weight, idealBodyWeight(weightKg, heightCm, age, sex));
    }
}

void newPatient::on_line_weight_editingFinished()
{
    updateBodyMeasures();
}

void newPatient::on_line_height_editingFinished()
{
    updateBodyMeasures();
}

void newPatient::on_line_birthday_editingFinished()
{
    updateBodyMeasures();
}

void newPatient::on_radioButton_lb_clicked()
{
    updateBodyMeasures();
}

void newPatient::on_radioButton_kg_clicked()
{
    updateBodyMeasures();
}

void newPatient::on_radioButton_in_clicked()
{
    updateBodyMeasures();
}

void newPatient::on_radioButton_cm_clicked()
{
    updateBodyMeasures();
}

void newPatient::on_radioButton_male_clicked()
{
    updateBodyMeasures();
}

void newPatient::on_radioButton_female_clicked()
{
    updateBodyMeasures();
}

// ---- Drug choice ----

void newPatient::setStoredNumbers(int recNum, int caseNumber)
{
    m_storedRecNum = recNum;
    m_storedCaseNumber = caseNumber;
}

void newPatient::setStoredStamps(const QString& patientStamp, const QString& caseStamp)
{
    m_storedPatientStamp = patientStamp;
    m_storedCaseStamp = caseStamp;
}

int newPatient::formCaseNumber() const
{
    return isNewPatient || isNewCase ? 0 : m_storedCaseNumber;
}

bool newPatient::isKnownDrug() const
{
    return !formDrugCode.isEmpty() && formDrugCode != kUnknownName;
}

void newPatient::selectDrugByName(const QString& name)
{
    // A name the list does not offer leaves no drug chosen, which Continue then reports.
    ui->comboBox_drug->setCurrentIndex(ui->comboBox_drug->findText(name));
}

void newPatient::on_comboBox_drug_currentTextChanged(const QString& arg1)
{
    markField(ui->comboBox_drug, false);
    ui->Button_userChoice->hide();
    // The open case's ticks stay in the session: the factor dialog of another drug starts on a
    // copy with none ticked.
    forgetFactorDialog();
    formDrugCode = arg1.isEmpty() ? QString() : drugCode(arg1);

    ui->Button_drugFactors->setEnabled(isKnownDrug() &&
                                       formDrugCode != QLatin1String(flucytosineCode) &&
                                       formDrugCode != QLatin1String(valproateCode));
    const bool albumin = formDrugCode == QLatin1String(phenytoinCode) ||
                         formDrugCode == QLatin1String(valproateCode);
    ui->label_albumin->setVisible(albumin);
    ui->label_albumin_u->setVisible(albumin);
    ui->line_albumin->setVisible(albumin);
    if (!albumin)
        ui->line_albumin->clear();

    if (formDrugCode == QLatin1String(userChoiceCode)) {
        ui->Button_userChoice->setEnabled(true);
        ui->Button_userChoice->show();
        ui->Button_drugFactors->setEnabled(false);
        userChoiceDialog = new userChoice(this, m_session, formCaseNumber());
        connect(userChoiceDialog, &userChoice::sendData, this, &newPatient::receiveData);
        userChoiceDialog->setWindowTitle(tr(" User's Choice One-Comp Drug "));
        if (formCaseNumber() == 0)
            Modal::exec(userChoiceDialog);
    }

    ui->label_factor1->clear();
    ui->label_factor2->clear();
    ui->widget_factor->hide();
}

void newPatient::on_Button_userChoice_clicked()
{
    if (userChoiceDialog)
        Modal::exec(userChoiceDialog);
}

void newPatient::receiveData()
{
    if (userChoiceDialog)
        ui->Button_drugFactors->setText(userChoiceDialog->record().drugNameText);
}

// ---- Renal function ----

void newPatient::on_radioButton_crs_clicked()
{
    ui->comboBox_renal_function->setEnabled(true);
    on_comboBox_renal_function_activated(ui->comboBox_renal_function->currentIndex());
    ui->line_clcr->clear();
    ui->line_clcr->setEnabled(false);
    markField(ui->radioButton_crs, false);
    markField(ui->radioButton_clcr, false);
}

void newPatient::on_radioButton_clcr_clicked()
{
    ui->line_clcr->setEnabled(true);
    for (QLineEdit* field : {ui->line_crs, ui->lineEdit_crs2, ui->lineEdit_crs_time}) {
        field->clear();
        field->setEnabled(false);
    }
    ui->comboBox_renal_function->setEnabled(false);
    markField(ui->radioButton_crs, false);
    markField(ui->radioButton_clcr, false);
}

void newPatient::on_comboBox_renal_function_activated(int index)
{
    if (index != stableRenalFunction && index != changingRenalFunction)
        return;
    const bool changing = index == changingRenalFunction;
    for (QLineEdit* field : {ui->line_crs, ui->lineEdit_crs2, ui->lineEdit_crs_time})
        field->clear();
    ui->line_crs->setEnabled(true);
    ui->lineEdit_crs2->setEnabled(changing);
    ui->lineEdit_crs_time->setEnabled(changing);
}

// ---- Patient factors ----

SessionData* newPatient::factorSession() const
{
    return drugFactorsDialog ? m_factorSession.get() : m_session;
}

void newPatient::createFactorDialog(bool keepTicks)
{
    forgetFactorDialog();
    m_factorSession = std::make_unique<SessionData>(*m_session);
    if (!keepTicks)
        m_factorSession->factorFlags.fill(0);
    drugFactorsDialog = new DrugFactors(this, m_factorSession.get(), m_catalogue);
    drugFactorsDialog->setWindowTitle(tr(" Factors "));
    connect(drugFactorsDialog, &DrugFactors::submit, this, &newPatient::view_submitted_factors);
}

void newPatient::forgetFactorDialog()
{
    // The dialog points into the copy, so both go together.
    delete drugFactorsDialog;
    drugFactorsDialog = nullptr;
    m_factorSession.reset();
}

void newPatient::on_Button_drugFactors_clicked()
{
    const QString sex = chosenSex();
    const QString birthday = ui->line_birthday->text();
    if (!isBirthdayFormatValid(birthday) || !isBirthdayInRange(birthday)) {
        MessageBox::information(this, tr("Warning"), tr("Age is not valid."));
        return;
    }
    const double age = ageFromBirthday(birthday);
    if (!drugFactorsDialog)
        createFactorDialog(false);
    drugFactorsDialog->fillFactorList(formDrugCode, sex, age);
    drugFactorsDialog->setModal(true);
    drugFactorsDialog->show();
}

void newPatient::view_submitted_factors()
{
    const SessionData* s = factorSession();
    QStringList shown;
    for (int n = 1; n <= usableFactorCount(*s); ++n) {
        if (s->factorFlags[n] != 0)
            shown << s->factorAnswers[n - 1];
    }
    ui->widget_factor->show();
    ui->label_factor1->setText(shown.value(0));
    ui->label_factor2->setText(shown.value(1));
    if (ui->label_factor1->text().isEmpty() && ui->label_factor2->text().isEmpty())
        ui->widget_factor->hide();
}

// ---- Validation and Continue ----

PatientFormInput newPatient::formInput() const
{
    PatientFormInput in;
    in.firstName = ui->line_first->text();
    in.lastName = ui->line_last->text();
    in.hospitalId = ui->line_hosp->text();
    in.patientNote = ui->plainText_patientNote->toPlainText();
    in.sex = checkedSex();
    in.birthday = ui->line_birthday->text();
    in.today = openedAt.date();
    in.weight = ui->line_weight->text();
    in.weightInPounds = ui->radioButton_lb->isChecked();
    in.height = ui->line_height->text();
    in.heightInInches = ui->radioButton_in->isChecked();
    in.drugChosen = !ui->comboBox_drug->currentText().isEmpty();
    in.drugName = ui->comboBox_drug->currentText();
    in.caseNote = ui->plainText_caseNote->toPlainText();
    in.crsChosen = ui->radioButton_crs->isChecked();
    in.clcrChosen = ui->radioButton_clcr->isChecked();
    in.changingRenalFunction = ui->comboBox_renal_function->currentIndex() == changingRenalFunction;
    in.crs = ui->line_crs->text();
    in.crs2 = ui->lineEdit_crs2->text();
    in.crsTime = ui->lineEdit_crs_time->text();
    in.clcr = ui->line_clcr->text();
    in.albuminShown = !ui->line_albumin->isHidden();
    in.albumin = ui->line_albumin->text();
    return in;
}

QVector<QWidget*> newPatient::fieldWidgets(PatientField field) const
{
    switch (field) {
    case PatientField::FirstName:
        return {ui->line_first};
    case PatientField::LastName:
        return {ui->line_last};
    case PatientField::Birthday:
        return {ui->line_birthday};
    case PatientField::Weight:
        return {ui->line_weight};
    case PatientField::Height:
        return {ui->line_height};
    case PatientField::Drug:
        return {ui->comboBox_drug};
    case PatientField::RenalChoice:
        return {ui->radioButton_crs, ui->radioButton_clcr};
    case PatientField::Crs:
        return {ui->line_crs};
    case PatientField::Crs2:
        return {ui->lineEdit_crs2};
    case PatientField::CrsTime:
        return {ui->lineEdit_crs_time};
    case PatientField::Clcr:
        return {ui->line_clcr};
    case PatientField::Albumin:
        return {ui->line_albumin};
    }
    return {};
}

QString newPatient::validateForm()
{
    const QVector<FieldVerdict> verdicts = PatientValidation::checkForm(formInput());
    for (const FieldVerdict& v : verdicts) {
        for (QWidget* widget : fieldWidgets(v.field))
            markField(widget, v.failed);
    }
    return PatientValidation::joinReasons(verdicts);
}

bool newPatient::storeFormIntoSession()
{
    // Everything is checked before anything is written, so a refusal leaves the session (and
    // the case page on it) as it was.
    const QString reasons = validateForm();
    if (!reasons.isEmpty()) {
        MessageBox::information(this, tr("Error"), reasons);
        return false;
    }
    if (formDrugCode == QLatin1String(userChoiceCode) &&
        !(userChoiceDialog && userChoiceDialog->isComplete())) {
        MessageBox::information(this, tr("Error"), tr("User Choice drug's info is not completed."));
        return false;
    }

    writeIdentity();
    const bool takeFactors = drugFactorsDialog != nullptr;
    const FactorBlock factors = takeFactors ? readFactorBlock(*m_factorSession) : FactorBlock{};
    m_session->clearCase();
    PatientForm::applyForm(formInput(), *m_session);
    if (takeFactors)
        writeFactorBlock(factors, m_session);
    return true;
}

// The numbers come from the form, never from whatever case the session had open: the next save
// inserts what is new and updates only the rows this form was filled from.
void newPatient::writeIdentity()
{
    if (isNewPatient) {
        m_session->recNum = 0;
        m_session->caseNumber = 0;
        m_session->patientStamp.clear();
        m_session->caseStamp.clear();
        m_session->patientDetails.clear();
        return;
    }
    m_session->recNum = m_storedRecNum;
    m_session->caseNumber = formCaseNumber();
    m_session->patientStamp = m_storedPatientStamp;
    m_session->patientDetails = m_storedPatientDetails;
    m_session->caseStamp = m_session->caseNumber == 0 ? QString() : m_storedCaseStamp;
}

void newPatient::computePopulationPk()
{
    if (m_session->scr1 != 0.0)
        m_calculator->estimateCreatinineClearance(0.0);

    m_catalogue->populationPkFor(m_session->patient.drugCode);
    m_catalogue->applyFormDefaults(1);
}

void newPatient::computeUserChoicePk()
{
    if (userChoiceDialog)
        userChoiceDialog->applyToSession();
    m_session->modelType = pk::kModelOneComp;
    userChoice::setPopulationParameters(m_session);
}

void newPatient::finishAndOpenCase()
{
    setCursor(Qt::WaitCursor);
    emit create_mainpage();
    setCursor(Qt::ArrowCursor);
    close();
}

void newPatient::on_Button_next_without_save_clicked()
{
    if (!storeFormIntoSession())
        return;
    if (formDrugCode == QLatin1String(userChoiceCode))
        computeUserChoicePk();
    else
        computePopulationPk();
    finishAndOpenCase();
}

void newPatient::on_Button_cancel_clicked()
{
    close();
}

// ---- Refilling ----

void newPatient::loadCurrentPatient()
{
    const SessionData& s = *m_session;
    // The case now shown is the one this form stands for from here on (it may have been saved,
    // and so numbered, since the form last ran).
    setStoredNumbers(s.recNum, s.caseNumber);
    setStoredStamps(s.patientStamp, s.caseStamp);
    m_storedPatientDetails = s.patientDetails;
    ui->comboBox_drug->setEnabled(s.caseNumber == 0);
    ui->line_last->setText(s.patient.lastName);
    ui->line_first->setText(s.patient.firstName);
    ui->line_hosp->setText(s.patient.hospitalId);
    (sexFromText(s.patient.sex) == Sex::Male ? ui->radioButton_male : ui->radioButton_female)
        ->setChecked(true);

    ui->line_birthday->setText(PatientValidation::birthdayText(s.patient));

    const bool pounds = s.patient.weightUnit == QLatin1String(PatientForm::poundUnit);
    (pounds ? ui->radioButton_lb : ui->radioButton_kg)->setChecked(true);
    ui->line_weight->setText(
        pounds ? QString::number(s.weightKg / PatientValidation::kgPerPound, 'f', kRefillDecimals)
               : QString::number(s.weightKg));
    const bool inches = s.patient.heightUnit == QLatin1String(PatientForm::inchUnit);
    (inches ? ui->radioButton_in : ui->radioButton_cm)->setChecked(true);
    ui->line_height->setText(
        inches ? QString::number(s.heightCm / PatientValidation::cmPerInch, 'f', kRefillDecimals)
               : QString::number(s.heightCm));
    ui->plainText_patientNote->setPlainText(s.patient.patientNote);

    selectDrugByName(drugCode(s.patient.drugCode));
    // After a change of drug in this form the factor dialog is gone; the case's own ticks are
    // taken into a new one so that what is shown is what Continue keeps.
    if (!drugFactorsDialog && hasTickedFactor(s))
        createFactorDialog(true);
    view_submitted_factors();

    if (s.renalMode == changingRenalFunction) {
        ui->radioButton_crs->setChecked(true);
        on_radioButton_crs_clicked();
        ui->line_crs->setText(QString::number(s.scr1));
        ui->lineEdit_crs2->setText(QString::number(s.scr2));
        ui->lineEdit_crs_time->setText(QString::number(s.scrHoursBetween));
    } else if (s.scr1 != 0.0) {
        ui->radioButton_crs->setChecked(true);
        on_radioButton_crs_clicked();
        ui->line_crs->setText(QString::number(s.scr1));
    } else if (s.crcl != 0.0) {
        ui->radioButton_clcr->setChecked(true);
        on_radioButton_clcr_clicked();
        ui->line_clcr->setText(QString::number(s.crcl));
    }
    ui->line_albumin->setText(QString::number(s.albumin));
    ui->plainText_caseNote->setPlainText(s.patient.caseNote);
}

void newPatient::fillPatientFields(const StoredPatient& patient)
{
    // What the row held, so that a save can tell the user's edits from another user's.
    m_storedPatientDetails = StoredRecords::patientDetails(patient);
    ui->line_last->setText(patient.lastName);
    ui->line_first->setText(patient.firstName);
    ui->line_hosp->setText(patient.patientId);
    ui->line_birthday->setText(patient.birthday);
    if (!isBirthdayFormatValid(patient.birthday) || !isBirthdayInRange(patient.birthday)) {
        MessageBox::information(this, tr("Error"), tr("Birthday is not valid."));
        return;
    }
    const Sex sex = sexFromText(patient.sex);
    if (sex == Sex::Male)
        ui->radioButton_male->setChecked(true);
    else if (sex == Sex::Female)
        ui->radioButton_female->setChecked(true);
    ui->groupBox->setTitle(tr(" Patient --- %1").arg(patient.dateStored));
    ui->plainText_patientNote->setPlainText(patient.note);
}

void newPatient::fillCaseFields(const StoredCase& stored)
{
    ui->comboBox_drug->setEnabled(m_storedCaseNumber == 0);
    ui->groupBox_2->setTitle(tr(" Case --- %1").arg(stored.dateUpdated));
    ui->plainText_caseNote->setPlainText(stored.caseNote);

    const bool kg = stored.unit == kUnitsKgCm || stored.unit == kUnitsKgInch;
    const bool inches = stored.unit == kUnitsKgInch || stored.unit == kUnitsLbInch;
    (kg ? ui->radioButton_kg : ui->radioButton_lb)->setChecked(true);
    (inches ? ui->radioButton_in : ui->radioButton_cm)->setChecked(true);
    ui->line_weight->setText(stored.weight);
    ui->line_height->setText(stored.height);

    // The patient half is usually filled after this one, so the form may hold no birthday
    // yet; the factor list is then built with every question the stored.drug can ask, so that any
    // stored factor number finds its text. "Drug Factors" rebuilds it for the real patient.
    const QString birthday = ui->line_birthday->text();
    const bool patientKnown = isBirthdayFormatValid(birthday) && isBirthdayInRange(birthday);
    const QString sex = patientKnown ? chosenSex() : sexText(Sex::Female);
    const double age = patientKnown ? ageFromBirthday(birthday) : 0.0;

    if (stored.drug.contains(kStoredUserChoiceMark)) {
        selectDrugByName(drugCode(QLatin1String(userChoiceCode)));
        ui->Button_drugFactors->setText(stored.drug);
        ui->Button_drugFactors->setEnabled(false);
    } else {
        selectDrugByName(stored.drug);
        // A stored.drug without a factor list (or a name the list does not know) gets no dialog, so
        // no factor text of an earlier stored.drug can stand for a stored number.
        if (ui->Button_drugFactors->isEnabled()) {
            createFactorDialog(false);
            drugFactorsDialog->fillFactorList(formDrugCode, sex, age);
        }
    }

    if (!stored.factor1.isEmpty()) {
        applyStoredFactor(stored.factor1, ui->label_factor1);
        if (!stored.factor2.isEmpty())
            applyStoredFactor(stored.factor2, ui->label_factor2);
    }

    const double creatinine = number(stored.scr);
    if (creatinine > 0.0) {
        const bool changing = number(stored.scr2) > 0.0;
        ui->comboBox_renal_function->setCurrentIndex(changing ? changingRenalFunction
                                                              : stableRenalFunction);
        ui->radioButton_crs->setChecked(true);
        on_radioButton_crs_clicked();
        ui->line_crs->setText(stored.scr);
        if (changing) {
            ui->lineEdit_crs2->setText(stored.scr2);
            ui->lineEdit_crs_time->setText(stored.hours);
        }
    } else {
        ui->radioButton_clcr->setChecked(true);
        on_radioButton_clcr_clicked();
        ui->line_clcr->setText(stored.crcl);
    }
    ui->line_albumin->setText(stored.albumin);
}

void newPatient::applyStoredFactor(const QString& factor, QLabel* label)
{
    const int n = factor.toInt();
    SessionData* s = drugFactorsDialog ? m_factorSession.get() : nullptr;
    if (!s || n < 1 || n > usableFactorCount(*s)) {
        MessageBox::information(this, tr("Warning"),
                                tr("The stored factor %1 is not in this drug's factor list "
                                   "and was ignored.")
                                    .arg(factor));
        return;
    }
    label->setText(s->factorAnswers[n - 1]);
    ui->widget_factor->show();
    s->factorFlags[n] = 1;
    drugFactorsDialog->setFactorItems();
}
