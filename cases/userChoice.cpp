#include "cases/userChoice.h"
#include "ui_userChoice.h"

#include "app/ErrorMark.h"
#include "pkcore/PkIndices.h"
#include "platform/MessageBox.h"
#include "platform/WheelGuard.h"

#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace
{

const QString kMg = QStringLiteral("mg");
const QString kMcg = QStringLiteral("mcg");
const QString kLitre = QStringLiteral("L");
const QString kMillilitre = QStringLiteral("mL");
const QString kLitrePerKg = QStringLiteral("Lkg");
const QString kMgPerL = QStringLiteral("mg/L");
const QString kMcgPerL = QStringLiteral("mcg/L");

const QString kRouteOral = QStringLiteral("O");
const QString kRouteIm = QStringLiteral("IM");
const QString kRouteIv = QStringLiteral("IV");

constexpr double kMlPerMinToLPerHour = 60.0 / 1000.0;
constexpr double kPercent = 100.0;
constexpr double kLevelErrorFactor = 0.1;
// The constant level error is this share of the middle of the therapeutic range.
constexpr double kLevelErrorShare = 0.05;
constexpr double kHalf = 0.5;
constexpr double kRangeF = 0.1;
constexpr double kRangeVd = 0.3;
constexpr double kRangeCl = 0.5;
constexpr double kRangeCF = 0.5;

bool mark(QWidget* field, bool passed)
{
    setErrorMark(field, !passed);
    return passed;
}

// A stored number written back the way the form shows numbers.
QString storedNumber(const QVariant& value)
{
    return QString::number(value.toDouble());
}

double number(const QString& text)
{
    return userChoice::isNumber(text) ? text.toDouble() : 0.0;
}
} // namespace

userChoice::userChoice(QWidget* parent, SessionData* session, int caseNumber)
    : QDialog(parent), ui(new Ui::userChoice), session(session), m_caseNumber(caseNumber)
{
    ui->setupUi(this);
    guardWheel(this);
    if (!loadUserChoiceData()) {
        ui->RB1->setChecked(true);
        ui->RB3->setChecked(true);
        ui->RB5->setChecked(true);
    } else if (inputCheck()) {
        recordData();
    } else {
        reportRefusedStoredRows();
    }
    setWindowTitle(tr("User Choice Drug Data"));
}

userChoice::~userChoice() = default;

void userChoice::reportRefusedStoredRows()
{
    MessageBox::information(parentWidget(), tr("Warning"),
                            tr("The stored User's Choice drug data are not valid. Please open "
                               "the User's Choice dialog and correct the marked fields."));
}

bool userChoice::loadUserChoiceData()
{
    if (m_caseNumber <= 0)
        return false; // a case not yet stored has no rows
    const QString caseText = QString::number(m_caseNumber);
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT * FROM UserChoice WHERE CASE_NUMBER = :case"));
    query.bindValue(QStringLiteral(":case"), caseText);
    if (!query.exec() || !query.next())
        return false;

    ui->drugName->setText(query.value(QStringLiteral("DRUG_NAME")).toString());
    ui->cl->setText(storedNumber(query.value(QStringLiteral("CL"))));
    ui->vd->setText(storedNumber(query.value(QStringLiteral("VD"))));
    ui->cf->setText(storedNumber(query.value(QStringLiteral("CF"))));
    ui->tmin->setText(storedNumber(query.value(QStringLiteral("T_MIN"))));
    ui->tmax->setText(storedNumber(query.value(QStringLiteral("T_MAX"))));
    ui->timeLag->setText(storedNumber(query.value(QStringLiteral("LAG"))));
    const bool mg = query.value(QStringLiteral("UNIT")).toString() == kMg;
    (mg ? ui->RB1 : ui->RB2)->setChecked(true);
    const bool clInLitres = query.value(QStringLiteral("CL_UNIT")).toString() == kLitre;
    (clInLitres ? ui->RB3 : ui->RB4)->setChecked(true);
    const bool vdInLitres = query.value(QStringLiteral("VD_UNIT")).toString() == kLitre;
    (vdInLitres ? ui->RB5 : ui->RB6)->setChecked(true);

    loadRoutes(caseText);
    return true;
}

void userChoice::loadRoutes(const QString& caseText)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT * FROM UserChoiceRoute WHERE CASE_NUMBER = :case"));
    query.bindValue(QStringLiteral(":case"), caseText);
    if (!query.exec())
        return;
    while (query.next()) {
        const QString route = query.value(QStringLiteral("ROUTE")).toString();
        const QString salt = storedNumber(query.value(QStringLiteral("SALT")));
        const QString ka = storedNumber(query.value(QStringLiteral("KA")));
        const QString f = storedNumber(query.value(QStringLiteral("F")));
        if (route == kRouteOral) {
            ui->check_oral->setChecked(true);
            ui->o_salt->setText(salt);
            ui->o_ka->setText(ka);
            ui->o_f->setText(f);
            const int form = ui->doseForm->findText(query.value(QStringLiteral("FORM")).toString());
            if (form >= 0)
                ui->doseForm->setCurrentIndex(form);
        } else if (route == kRouteIm) {
            ui->check_im->setChecked(true);
            ui->im_salt->setText(salt);
            ui->im_ka->setText(ka);
            ui->im_f->setText(f);
        } else if (route == kRouteIv) {
            ui->check_iv->setChecked(true);
            ui->iv_salt->setText(salt);
        }
    }
}

bool userChoice::isNumber(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value);
}

bool userChoice::checkRange(double test, double min, double max)
{
    return min <= test && test <= max;
}

bool userChoice::inputCheck()
{
    const auto numeric = [](QLineEdit* edit) { return mark(edit, isNumber(edit->text())); };
    // Clearance, volume and compliance are divided by and multiplied into every level: zero or
    // a negative value can only give nonsense.
    const auto positive = [](QLineEdit* edit) {
        return mark(edit, isNumber(edit->text()) && edit->text().toDouble() > 0.0);
    };
    const auto inRange = [](QLineEdit* edit, double min, double max) {
        return mark(edit, isNumber(edit->text()) && checkRange(edit->text().toDouble(), min, max));
    };
    // A bioavailability in percent: none of the dose is absorbed at 0, more than all above 100.
    const auto bioavailability = [](QLineEdit* edit) {
        const double percent = edit->text().toDouble();
        return mark(edit, isNumber(edit->text()) && percent > 0.0 && percent <= kPercent);
    };

    bool valid = mark(ui->drugName, !ui->drugName->text().isEmpty());
    valid &= positive(ui->cl);
    valid &= positive(ui->vd);
    valid &= positive(ui->cf);
    valid &= numeric(ui->tmin);
    valid &= numeric(ui->tmax);
    valid &= checkRoutes();
    if (ui->check_im->isChecked()) {
        valid &= inRange(ui->im_ka, minKa, maxKa);
        valid &= inRange(ui->im_salt, minSalt, maxSalt);
        valid &= bioavailability(ui->im_f);
    }
    if (ui->check_iv->isChecked())
        valid &= inRange(ui->iv_salt, minSalt, maxSalt);
    if (ui->check_oral->isChecked()) {
        valid &= inRange(ui->o_ka, minKa, maxKa);
        valid &= inRange(ui->o_salt, minSalt, maxSalt);
        valid &= bioavailability(ui->o_f);
    }
    valid &= mark(ui->timeLag, ui->timeLag->text().isEmpty() || isNumber(ui->timeLag->text()));
    return valid;
}

bool userChoice::checkRoutes()
{
    const bool any =
        ui->check_oral->isChecked() || ui->check_im->isChecked() || ui->check_iv->isChecked();
    mark(ui->check_oral, any);
    mark(ui->check_im, any);
    mark(ui->check_iv, any);
    return any;
}

void userChoice::recordData()
{
    const bool oral = ui->check_oral->isChecked();
    const bool im = ui->check_im->isChecked();
    const bool iv = ui->check_iv->isChecked();
    // A route exists wherever its salt factor is given, so an unticked route is recorded empty
    // whatever its fields still hold.
    const auto routeText = [](bool given, QLineEdit* edit) {
        return given ? edit->text() : QString();
    };

    UserChoiceRecord r;
    r.drugNameText = ui->drugName->text();
    r.doseUnitText = ui->RB1->isChecked() ? kMg : kMcg;
    r.clearanceText = ui->cl->text();
    r.clearanceUnitText = ui->RB3->isChecked() ? kLitre : kMillilitre;
    r.volumeText = ui->vd->text();
    r.volumeUnitText = ui->RB5->isChecked() ? kLitre : kLitrePerKg;
    r.complianceText = ui->cf->text();
    r.oralFormText = oral ? ui->doseForm->currentText() : QString();
    r.oralSaltText = routeText(oral, ui->o_salt);
    r.oralKaText = routeText(oral, ui->o_ka);
    r.oralFText = routeText(oral, ui->o_f);
    r.imSaltText = routeText(im, ui->im_salt);
    r.imKaText = routeText(im, ui->im_ka);
    r.imFText = routeText(im, ui->im_f);
    r.ivSaltText = routeText(iv, ui->iv_salt);
    r.levelMaxText = ui->tmax->text();
    r.levelMinText = ui->tmin->text();
    r.lagTimeText = ui->timeLag->text();
    m_record = r;
    m_complete = true;
}

void userChoice::applyToSession() const
{
    session->userChoice = m_record;
    session->userChoiceComplete = m_complete;
    setParameterData(session);
}

void userChoice::setPopulationParameters(SessionData* target)
{
    const UserChoiceRecord& r = target->userChoice;
    PkParameterSet& population = target->pkSets[pk::kPopulation];
    const double volume = number(r.volumeText);
    population[pk::kVd] = r.volumeUnitText == kLitre ? volume : volume * target->weightKg;
    const double clearance = number(r.clearanceText);
    population[pk::kCl] =
        r.clearanceUnitText == kLitre ? clearance : clearance * kMlPerMinToLPerHour;
    population[pk::kCF] = number(r.complianceText) / kPercent;
}

void userChoice::setParameterData(SessionData* target)
{
    const UserChoiceRecord& r = target->userChoice;
    const bool mg = r.doseUnitText == kMg;
    target->doseUnit = mg ? kMg : kMcg;
    target->concentrationUnit = mg ? kMgPerL : kMcgPerL;

    setPopulationParameters(target);
    target->levelUpperLimit = number(r.levelMaxText);
    target->levelLowerLimit = number(r.levelMinText);
    target->levelErrorFactor = kLevelErrorFactor;
    target->populationRanges[pk::kFitF] = kRangeF;
    target->populationRanges[pk::kFitVd] = kRangeVd;
    target->populationRanges[pk::kFitCl] = kRangeCl;
    target->populationRanges[pk::kFitCF] = kRangeCF;
    target->levelErrorConstant =
        (target->levelLowerLimit + target->levelUpperLimit) * kHalf * kLevelErrorShare;
}

void userChoice::on_button_submit_clicked()
{
    if (!inputCheck())
        return;
    recordData();
    emit sendData();
    accept();
}
