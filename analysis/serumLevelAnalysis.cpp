#include "analysis/serumLevelAnalysis.h"
#include "ui_serumLevelAnalysis.h"

#include "analysis/CatalogueHooks.h"
#include "analysis/FitReadiness.h"
#include "analysis/HistoryStore.h"
#include "app/NarrowCombo.h"
#include "cases/AnalysisPriorStore.h"
#include "pkcore/CaseNames.h"
#include "pkcore/DrugCodes.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"
#include "platform/MessageBox.h"
#include "platform/ShownField.h"
#include "platform/TypedDateTimeEdit.h"
#include "platform/WheelGuard.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimeEdit>

#include <algorithm>
#include <cmath>

namespace
{
constexpr int kWithF = 1;
// Route boxes keep this width whatever the drug's route names; the list shows them whole.
constexpr int kRouteComboCharacters = 16;
constexpr double kPercent = 100.0;
// Times are whole minutes; hours worked out along different paths (a later dose of a row, a
// level's own date and time) that differ by less than this are one moment.
constexpr double kSameMoment = 1e-6;
const QString kDigoxin = QStringLiteral("DG");
const QString kInPatient = QStringLiteral("I");
const QString kDoseType = QStringLiteral("Dose");
const QString kInformation = QStringLiteral("Information");

// Numbers in the rows show one decimal; the record keeps the full value.
QString shownNumber(double value)
{
    return QString::number(value, 'f', 1);
}

// A measured level as it was typed: 0.85 stays 0.85, never rounded to 0.8. A level of 0 is a
// level; a stored row without a readable value shows none, never -1.
QString shownLevel(double value)
{
    return value >= 0.0 ? QString::number(value, 'f', QLocale::FloatingPointShortest) : QString();
}

// The number of doses is a whole number; "3", never "3.0".
QString shownCount(double value)
{
    return QString::number(value, 'g', 15);
}

// A stored row kept while incomplete may lack a number; the field then shows none, never -1.
QString shownIfGiven(double value, QString (*shown)(double))
{
    return value > 0.0 ? shown(value) : QString();
}

// The unit the case's doses are typed in, the one its forecast windows show; a case whose drug
// model is not yet chosen falls back on the catalogue's rule.
QString doseUnitOf(const SessionData& session)
{
    if (!session.doseUnit.isEmpty())
        return session.doseUnit;
    return session.patient.drugCode == kDigoxin ? QStringLiteral("mcg") : QStringLiteral("mg");
}

QString shownF(double f)
{
    return QString::number(f * kPercent, 'g', 6) + QLatin1Char('%');
}

// The value of a number field left by the user. A field the user has not changed since the
// window showed the record's value keeps that value at full precision; anything that is not a
// finite number above 0 empties the field and counts as not given.
double doseFieldValue(QLineEdit* field, double current, QString (*shown)(double))
{
    if (current > 0.0 && leftAsShown(field, shown(current)))
        return current;
    field->setModified(false);
    bool ok = false;
    const double value = field->text().toDouble(&ok);
    if (ok && std::isfinite(value) && value > 0.0)
        return value;
    field->clear();
    return kNotGiven;
}

// A stored row whose number the user removed is the user's own from then on: stored only
// when complete, so that an emptied row goes at the next save instead of coming back as -1.
void forgetStoreIfEmptied(bool& fromStore, double before, double after)
{
    if (before > 0.0 && !(after > 0.0))
        fromStore = false;
}

// The time edits show minutes only; a stored time keeps its seconds while its minute stands.
void takeShownTime(QTime& record, const QTime& shown)
{
    if (!(record.isValid() && record.hour() == shown.hour() && record.minute() == shown.minute()))
        record = QTime(shown.hour(), shown.minute());
}

bool earlier(const QDate& date, const QTime& time, const QDate& otherDate, const QTime& otherTime)
{
    return date < otherDate || (date == otherDate && time < otherTime);
}

// Whole rows first in date and time order (stable), then rows reset by `reset`.
template <typename Rows, typename Reset> int compactAndSort(Rows& rows, Reset reset)
{
    auto end = std::stable_partition(rows.begin(), rows.end(),
                                     [](const auto& row) { return isWholeRow(row); });
    std::stable_sort(rows.begin(), end, [](const auto& a, const auto& b) {
        return earlier(a.date, a.time, b.date, b.time);
    });
    const int count = int(end - rows.begin());
    for (int i = count; i < int(rows.size()); ++i)
        reset(i);
    return count;
}

// The rows a save writes: every whole or stored row of the table (a row past the dose limit
// too), then the stored rows the table had no room for.
template <typename Row, typename Rows>
QVector<Row> rowsToSave(const Rows& table, const QVector<Row>& surplus)
{
    QVector<Row> rows;
    for (const Row& row : table) {
        if (isWholeRow(row) || row.fromStore)
            rows.append(row);
    }
    return rows + surplus;
}

// Shows a store's failure; true when there is none. The rows are written inside the case
// page's save, which undoes the whole save when they fail, and the window keeps its rows.
bool savedOrShown(const QString& failure, const QString& what, const QString& databaseText)
{
    if (failure.isEmpty())
        return true;
    MessageBox::about(nullptr, kInformation,
                      QStringLiteral("The %1 could not be stored; nothing was saved, and your "
                                     "entries are still on the page.")
                              .arg(what) +
                          QLatin1Char('\n') + databaseText);
    return false;
}
} // namespace

serumLevelAnalysis::serumLevelAnalysis(QWidget* parent, SessionData* sessionData,
                                       PkCalculator* pkCalculator, DrugInfo* drugInfo)
    : QDialog(parent), ui(new Ui::serumLevelAnalysis), sessionData(sessionData), drugInfo(drugInfo),
      pkCalculator(pkCalculator), m_builder(sessionData, doseRows, levelRows),
      m_fits(sessionData, pkCalculator)
{
    ui->setupUi(this);
    guardWheel(this);
    useCatalogue(m_builder, drugInfo, sessionData);
    useCatalogue(m_fits, drugInfo);
    installValidators();
    initRows();
    prepareWidgets();
    showEntryRefusals();
}

serumLevelAnalysis::~serumLevelAnalysis() = default;

template <typename T> T* serumLevelAnalysis::rowWidget(const char* prefix, int i) const
{
    return findChild<T*>(QLatin1String(prefix) + QString::number(i + 1));
}

bool serumLevelAnalysis::isPhenytoin() const
{
    return sessionData->patient.drugCode == QLatin1String(phenytoinCode);
}

// ---- Construction ----

void serumLevelAnalysis::installValidators()
{
    auto* number = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^[0-9]+\\.{0,1}[0-9]*$|^$")), this);
    auto* count = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^[1-9][0-9]*$|^$")), this);
    for (int i = 0; i < kDoseRowCount; ++i) {
        for (const char* prefix : {"DH_dose_", "DH_infusiontime_", "DH_interval_"})
            rowWidget<QLineEdit>(prefix, i)->setValidator(number);
        rowWidget<QLineEdit>("DH_numofdose_", i)->setValidator(count);
    }
    for (int i = 0; i < kLevelRowCount; ++i)
        rowWidget<QLineEdit>("SLH_level_", i)->setValidator(number);
}

void serumLevelAnalysis::initRows()
{
    for (int i = 0; i < kDoseRowCount; ++i)
        resetRow(i);
    for (int i = 0; i < kLevelRowCount; ++i)
        resetLevelRow(i);
}

void serumLevelAnalysis::resetRow(int i)
{
    DoseHistoryRow& row = doseRows[i];
    const double ka = row.ka;
    row = DoseHistoryRow();
    row.date = QDate::currentDate();
    row.time = QTime(0, 0);
    row.inOut = kInPatient;
    row.treatment = kDoseType;
    row.ka = ka;
}

void serumLevelAnalysis::resetLevelRow(int i)
{
    levelRows[i] = SerumLevelRow();
    levelRows[i].date = QDate::currentDate();
    levelRows[i].time = QTime(0, 0);
}

void serumLevelAnalysis::prepareWidgets()
{
    setWindowTitle(caseWindowTitle(QStringLiteral("Dosage History"), *sessionData));
    const QDate today = QDate::currentDate();
    for (int i = 0; i < kDoseRowCount; ++i) {
        rowWidget<QDateEdit>("DH_date_", i)->setDate(today);
        rowWidget<QWidget>("DH_row_", i)->setEnabled(i == 0);
        rowWidget<QComboBox>("DH_type_", i)->hide();
        keepComboNarrow(rowWidget<QComboBox>("DH_route_", i), kRouteComboCharacters);
        rowWidget<QComboBox>("DH_iopatient_", i)
            ->setToolTip(QStringLiteral("In Patient/Out Patient"));
        rowWidget<QPushButton>("DH_copy_", i)->setToolTip(QStringLiteral("Copy from last row"));
        rowWidget<QPushButton>("DH_delete_", i)->setToolTip(QStringLiteral("Delete the row"));
    }
    for (int i = 0; i < kLevelRowCount; ++i) {
        rowWidget<QDateEdit>("SLH_date_", i)->setDate(today);
        rowWidget<QPushButton>("SLH_delete_", i)->setToolTip(QStringLiteral("Delete the row"));
    }
    ui->label_type->hide();
    checkPixmap = QPixmap(QStringLiteral(":/image/green-check.png"));
    warningPixmap = QPixmap(QStringLiteral(":/image/warning.png"));
    emptyPixmap = QPixmap(QStringLiteral(":/image/empty.png"));
    ui->label_dose->setText(QStringLiteral("Dose(%1)").arg(doseUnitOf(*sessionData)));
}

// A date or time a row's field refused is told in the row's warning; the row keeps the value
// the field kept.
void serumLevelAnalysis::showEntryRefusals()
{
    const auto warnIn = [this](QLabel* status) {
        return [this, status](const QString& reason) { showStatus(status, warningPixmap, reason); };
    };
    for (int i = 0; i < kDoseRowCount; ++i) {
        QLabel* status = rowWidget<QLabel>("DH_check_", i);
        connect(rowWidget<TypedDateEdit>("DH_date_", i), &TypedDateEdit::entryRefused, this,
                warnIn(status));
        connect(rowWidget<TypedTimeEdit>("DH_time_", i), &TypedTimeEdit::entryRefused, this,
                warnIn(status));
    }
    for (int i = 0; i < kLevelRowCount; ++i) {
        QLabel* status = rowWidget<QLabel>("SLH_check_", i);
        connect(rowWidget<TypedDateEdit>("SLH_date_", i), &TypedDateEdit::entryRefused, this,
                warnIn(status));
        connect(rowWidget<TypedTimeEdit>("SLH_time_", i), &TypedTimeEdit::entryRefused, this,
                warnIn(status));
    }
}

// ---- Row state ----

// Rows change by the user's hand only while the window is on screen; a stored case is loaded
// into the hidden window and is not an edit.
void serumLevelAnalysis::markEdited()
{
    if (isVisible())
        emit caseEdited();
}

void serumLevelAnalysis::showStatus(QLabel* label, const QPixmap& pixmap, const QString& tip)
{
    label->setPixmap(pixmap);
    label->setToolTip(tip);
}

const serumLevelAnalysis::RowFields serumLevelAnalysis::kDoseFields{"DH_date_", "DH_time_",
                                                                    "DH_check_"};
const serumLevelAnalysis::RowFields serumLevelAnalysis::kLevelFields{"SLH_date_", "SLH_time_",
                                                                     "SLH_check_"};

void serumLevelAnalysis::updateDoseRowState(int i)
{
    markEdited();
    judgeDoseRow(i);
    showRefusedEntry(kDoseFields, i);
    judgeLevelRows();
}

// Whether a level was drawn during an infusion depends on the dose rows as they now are.
void serumLevelAnalysis::judgeLevelRows()
{
    for (int i = 0; i < kLevelRowCount; ++i)
        judgeLevelRow(i);
}

void serumLevelAnalysis::judgeDoseRow(int i)
{
    DoseHistoryRow& row = doseRows[i];
    QLabel* status = rowWidget<QLabel>("DH_check_", i);
    // A number no regimen can have, or oral phenytoin that cannot be split, is refused as it is
    // typed.
    QString refusal = doseRowRangeRefusal(row);
    row.complete = refusal.isEmpty() && meetsDoseRowRule(row);
    row.pastLimit = false;
    if (row.complete)
        refusal = m_builder.unitRefusal();
    if (!refusal.isEmpty())
        row.complete = false;
    applyDoseLimit(i);
    if (!refusal.isEmpty()) {
        showStatus(status, warningPixmap, refusal);
        return;
    }
    if (!isWholeRow(row)) {
        showStatus(status, emptyPixmap, QString());
        return;
    }
    if (row.pastLimit)
        showStatus(status, warningPixmap, DoseEventBuilder::pastLimitReason());
    else
        checkDoseRow(i);
    if (i + 1 < kDoseRowCount)
        rowWidget<QWidget>("DH_row_", i + 1)->setEnabled(true);
}

// Any row's change can move other rows past the dose limit or back within it; their status
// follows, a date or time refused in them standing as it does. The edited row's own status is
// its handler's to show.
void serumLevelAnalysis::applyDoseLimit(int edited)
{
    std::array<bool, kDoseRowCount> wasPast{};
    for (int j = 0; j < kDoseRowCount; ++j)
        wasPast[j] = doseRows[j].pastLimit;
    m_builder.markRowsPastLimit();
    for (int j = 0; j < kDoseRowCount; ++j) {
        if (j == edited || doseRows[j].pastLimit == wasPast[j])
            continue;
        if (doseRows[j].pastLimit)
            showStatus(rowWidget<QLabel>("DH_check_", j), warningPixmap,
                       DoseEventBuilder::pastLimitReason());
        else
            checkDoseRow(j);
        showRefusedEntry(kDoseFields, j);
    }
}

void serumLevelAnalysis::checkDoseRow(int i)
{
    const DoseHistoryRow& row = doseRows[i];
    QLabel* status = rowWidget<QLabel>("DH_check_", i);
    const bool needsInfusion =
        !(routeclass::isOral(row.route) || routeclass::isIntramuscular(row.route));
    if (needsInfusion && row.infusionTime > row.interval)
        showStatus(status, warningPixmap,
                   QStringLiteral("Infusion time is greater than interval."));
    else
        showStatus(status, checkPixmap, QString());
}

// A level drawn while an infusion of a complete intravenous row runs. A sample taken at the
// very moment an infusion starts (a pre-dose baseline, a trough before the next dose) is drawn
// before it; one taken as it ends is still during it.
void serumLevelAnalysis::checkLevelRow(int i)
{
    const SerumLevelRow& level = levelRows[i];
    const double t = m_builder.absoluteHour(level.date, level.time);
    QString warning;
    for (int j = 0; j < kDoseRowCount; ++j) {
        const DoseHistoryRow& row = doseRows[j];
        if (!row.complete || !routeclass::isIntravenous(row.route) || !(row.numberOfDoses > 0.0))
            continue;
        const double first = m_builder.absoluteHour(row.date, row.time);
        for (int k = 0; k < row.numberOfDoses; ++k) {
            const double start = first + k * row.interval;
            if (t - start > kSameMoment && t - (start + row.infusionTime) <= kSameMoment) {
                warning = QStringLiteral("Level is measured during infusion (row %1).").arg(j + 1);
                break;
            }
        }
    }
    QLabel* status = rowWidget<QLabel>("SLH_check_", i);
    showStatus(status, warning.isEmpty() ? checkPixmap : warningPixmap, warning);
}

// The level row's warning as the row now is: a level no measurement can have, one drawn during
// an infusion, or none without a level.
void serumLevelAnalysis::judgeLevelRow(int i)
{
    SerumLevelRow& row = levelRows[i];
    const QString refusal = levelRangeRefusal(row.level);
    QLabel* status = rowWidget<QLabel>("SLH_check_", i);
    if (!refusal.isEmpty()) {
        row.complete = false;
        showStatus(status, warningPixmap, refusal);
    } else if (row.complete) {
        checkLevelRow(i);
    } else {
        showStatus(status, emptyPixmap, QString());
    }
    showRefusedEntry(kLevelFields, i);
}

// A date or time the row's field refused stays the row's warning until an entry is taken
// there: passing through the field again is no entry.
void serumLevelAnalysis::showRefusedEntry(const RowFields& fields, int i)
{
    QString refusal = rowWidget<TypedDateEdit>(fields.date, i)->refusal();
    if (refusal.isEmpty())
        refusal = rowWidget<TypedTimeEdit>(fields.time, i)->refusal();
    if (!refusal.isEmpty())
        showStatus(rowWidget<QLabel>(fields.status, i), warningPixmap, refusal);
}

// The row's fields take other values (copied, sorted, deleted): an entry refused before no
// longer tells of the row.
void serumLevelAnalysis::forgetRefusedEntries(const RowFields& fields, int i)
{
    rowWidget<TypedDateEdit>(fields.date, i)->forgetRefusal();
    rowWidget<TypedTimeEdit>(fields.time, i)->forgetRefusal();
}

double serumLevelAnalysis::customF(const QString& routeText, double fallback) const
{
    const int index = DrugInfo::indexOfText(sessionData->routeNames, routeText);
    if (index < 0 || index >= sessionData->routeF.size())
        return fallback;
    return sessionData->routeF[index];
}

void serumLevelAnalysis::applyRouteDefaults(int i)
{
    drugInfo->applyFormDefaults(kWithF);
    const SessionData& s = *sessionData;
    const QString route = rowWidget<QComboBox>("DH_route_", i)->currentText();
    const double populationF = s.pkSets[pk::kPopulation][pk::kF];
    const double priorF =
        m_builder.priorSetIndex() == pk::kPopulation ? populationF : customF(route, populationF);
    if (s.routeLetter == pk::kLetterOral) {
        currentSalt = s.saltOral;
        currentKa = s.kaOral;
        currentF = priorF;
    } else {
        currentSalt = s.saltParenteral;
        currentKa = s.kaIm;
        currentF = isPhenytoin() ? s.phenytoinF : priorF;
    }
    rowWidget<QLabel>("DH_salt_", i)->setText(QString::number(currentSalt, 'f', 2));
    rowWidget<QLabel>("DH_f_", i)->setText(shownF(currentF));
    DoseHistoryRow& row = doseRows[i];
    row.saltFactor = currentSalt;
    row.routeF = currentF;
    row.ka = currentKa;
}

// ---- Field handlers ----

void serumLevelAnalysis::doseDateEdited(int i)
{
    doseRows[i].date = rowWidget<QDateEdit>("DH_date_", i)->date();
    updateDoseRowState(i);
}

void serumLevelAnalysis::doseTimeEdited(int i)
{
    takeShownTime(doseRows[i].time, rowWidget<QTimeEdit>("DH_time_", i)->time());
    updateDoseRowState(i);
}

void serumLevelAnalysis::doseAmountEdited(int i)
{
    DoseHistoryRow& row = doseRows[i];
    const double before = row.dose;
    row.dose = doseFieldValue(rowWidget<QLineEdit>("DH_dose_", i), row.dose, shownNumber);
    forgetStoreIfEmptied(row.fromStore, before, row.dose);
    if (row.dose > 0.0) {
        // The first dose gives the row its routes; a later one keeps the route chosen.
        QComboBox* routes = rowWidget<QComboBox>("DH_route_", i);
        const int chosen = routes->currentIndex();
        drugInfo->fillRouteCombo(routes);
        if (chosen != -1)
            routes->setCurrentIndex(chosen);
    }
    updateDoseRowState(i);
}

void serumLevelAnalysis::infusionTimeEdited(int i)
{
    DoseHistoryRow& row = doseRows[i];
    const double before = row.infusionTime;
    row.infusionTime =
        doseFieldValue(rowWidget<QLineEdit>("DH_infusiontime_", i), row.infusionTime, shownNumber);
    forgetStoreIfEmptied(row.fromStore, before, row.infusionTime);
    updateDoseRowState(i);
}

void serumLevelAnalysis::intervalEdited(int i)
{
    DoseHistoryRow& row = doseRows[i];
    const double before = row.interval;
    row.interval =
        doseFieldValue(rowWidget<QLineEdit>("DH_interval_", i), row.interval, shownNumber);
    forgetStoreIfEmptied(row.fromStore, before, row.interval);
    updateDoseRowState(i);
}

void serumLevelAnalysis::numberOfDosesEdited(int i)
{
    DoseHistoryRow& row = doseRows[i];
    const double before = row.numberOfDoses;
    row.numberOfDoses =
        doseFieldValue(rowWidget<QLineEdit>("DH_numofdose_", i), row.numberOfDoses, shownCount);
    forgetStoreIfEmptied(row.fromStore, before, row.numberOfDoses);
    updateDoseRowState(i);
}

void serumLevelAnalysis::routeChanged(int i)
{
    doseRows[i].route = rowWidget<QComboBox>("DH_route_", i)->currentText();
    updateDoseRowState(i);
}

// The case's current route and product follow the dose row edited last.
void serumLevelAnalysis::routeTextChanged(int i, const QString& text)
{
    sessionData->routeLetter = PkCalculator::routeCode(text);
    sessionData->dosageForm = DrugInfo::dosageFormOf(text);
    routeChanged(i);
    applyRouteDefaults(i);
}

void serumLevelAnalysis::inOutPatientChanged(int i)
{
    doseRows[i].inOut = rowWidget<QComboBox>("DH_iopatient_", i)->currentText();
    updateDoseRowState(i);
}

void serumLevelAnalysis::doseTypeChanged(int i)
{
    doseRows[i].treatment = rowWidget<QComboBox>("DH_type_", i)->currentText();
    updateDoseRowState(i);
}

void serumLevelAnalysis::levelDateEdited(int i)
{
    levelRows[i].date = rowWidget<QDateEdit>("SLH_date_", i)->date();
    judgeLevelRow(i);
    markEdited();
}

void serumLevelAnalysis::levelTimeEdited(int i)
{
    takeShownTime(levelRows[i].time, rowWidget<QTimeEdit>("SLH_time_", i)->time());
    judgeLevelRow(i);
    markEdited();
}

// A level of 0 is a measurement; an empty field or text that is not a number is none.
void serumLevelAnalysis::levelValueEdited(int i)
{
    SerumLevelRow& row = levelRows[i];
    QLineEdit* field = rowWidget<QLineEdit>("SLH_level_", i);
    const bool wasGiven = row.complete;
    const bool unchanged = wasGiven && leftAsShown(field, shownLevel(row.level));
    field->setModified(false);
    if (!unchanged) {
        bool ok = false;
        const double value = field->text().toDouble(&ok);
        row.complete = ok && std::isfinite(value) && value >= 0.0;
        row.level = row.complete ? value : kNotGiven;
        if (!row.complete) {
            field->clear();
            // An emptied stored level goes at the next save, like an emptied dose row.
            if (wasGiven)
                row.fromStore = false;
        }
    }
    judgeLevelRow(i);
    markEdited();
}

// ---- Row tools ----

void serumLevelAnalysis::copyDoseRow(int i)
{
    if (i <= 0)
        return;
    const int from = i - 1;
    forgetRefusedEntries(kDoseFields, i);
    rowWidget<QDateEdit>("DH_date_", i)->setDate(rowWidget<QDateEdit>("DH_date_", from)->date());
    rowWidget<QTimeEdit>("DH_time_", i)->setTime(rowWidget<QTimeEdit>("DH_time_", from)->time());
    for (const char* prefix : {"DH_dose_", "DH_infusiontime_", "DH_interval_", "DH_numofdose_"})
        rowWidget<QLineEdit>(prefix, i)->setText(rowWidget<QLineEdit>(prefix, from)->text());
    rowWidget<QComboBox>("DH_iopatient_", i)
        ->setCurrentIndex(rowWidget<QComboBox>("DH_iopatient_", from)->currentIndex());
    QComboBox* routes = rowWidget<QComboBox>("DH_route_", i);
    if (routes->count() == 0)
        drugInfo->fillRouteCombo(routes);
    routes->setCurrentIndex(rowWidget<QComboBox>("DH_route_", from)->currentIndex());

    const DoseHistoryRow& source = doseRows[from];
    DoseHistoryRow& row = doseRows[i];
    row.date = source.date;
    row.time = source.time;
    row.dose = source.dose;
    row.route = source.route;
    row.infusionTime = source.infusionTime;
    row.interval = source.interval;
    row.numberOfDoses = source.numberOfDoses;
    row.complete = source.complete;
    row.fromStore = false;
    row.storedRoute.clear();
    updateDoseRowState(i);
}

void serumLevelAnalysis::deleteDoseRow(int i)
{
    forgetRefusedEntries(kDoseFields, i);
    rowWidget<QDateEdit>("DH_date_", i)->setDate(QDate::currentDate());
    QTimeEdit* time = rowWidget<QTimeEdit>("DH_time_", i);
    time->setTime(time->minimumTime());
    for (const char* prefix : {"DH_dose_", "DH_infusiontime_", "DH_interval_", "DH_numofdose_"})
        rowWidget<QLineEdit>(prefix, i)->clear();
    rowWidget<QComboBox>("DH_iopatient_", i)->setCurrentIndex(0);
    QComboBox* routes = rowWidget<QComboBox>("DH_route_", i);
    for (int item = routes->count() - 1; item >= 0; --item)
        routes->removeItem(item);
    showStatus(rowWidget<QLabel>("DH_check_", i), emptyPixmap, QString());
    rowWidget<QLabel>("DH_f_", i)->clear();
    rowWidget<QLabel>("DH_salt_", i)->clear();
    resetRow(i);
    applyDoseLimit(i);
    judgeLevelRows();
    markEdited();
}

void serumLevelAnalysis::deleteLevelRow(int i)
{
    forgetRefusedEntries(kLevelFields, i);
    rowWidget<QDateEdit>("SLH_date_", i)->setDate(QDate::currentDate());
    QTimeEdit* time = rowWidget<QTimeEdit>("SLH_time_", i);
    time->setTime(time->minimumTime());
    rowWidget<QLineEdit>("SLH_level_", i)->clear();
    showStatus(rowWidget<QLabel>("SLH_check_", i), emptyPixmap, QString());
    resetLevelRow(i);
    markEdited();
}

// Refilling the route box runs the route handler, which overwrites the record's route.
void serumLevelAnalysis::selectRoute(int i, const QString& route)
{
    QComboBox* routes = rowWidget<QComboBox>("DH_route_", i);
    drugInfo->fillRouteCombo(routes);
    routes->setCurrentIndex(routes->findText(route, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

// The widgets of a dose row from its record; the boxes' handlers re-check the row.
void serumLevelAnalysis::showDoseRow(int i)
{
    const DoseHistoryRow row = doseRows[i];
    forgetRefusedEntries(kDoseFields, i);
    rowWidget<QLineEdit>("DH_dose_", i)->setText(shownIfGiven(row.dose, shownNumber));
    rowWidget<QDateEdit>("DH_date_", i)->setDate(row.date);
    rowWidget<QTimeEdit>("DH_time_", i)->setTime(row.time);
    selectRoute(i, row.route);
    rowWidget<QLineEdit>("DH_infusiontime_", i)
        ->setText(shownIfGiven(row.infusionTime, shownNumber));
    rowWidget<QLineEdit>("DH_interval_", i)->setText(shownIfGiven(row.interval, shownNumber));
    rowWidget<QLineEdit>("DH_numofdose_", i)->setText(shownIfGiven(row.numberOfDoses, shownCount));
    QComboBox* inOut = rowWidget<QComboBox>("DH_iopatient_", i);
    inOut->setCurrentIndex(inOut->findText(row.inOut));
    rowWidget<QLabel>("DH_f_", i)->setText(shownF(currentF));
    rowWidget<QLabel>("DH_salt_", i)->setText(QString::number(doseRows[i].saltFactor, 'f', 2));
    QComboBox* type = rowWidget<QComboBox>("DH_type_", i);
    type->setCurrentIndex(type->findText(row.treatment));
}

void serumLevelAnalysis::showLevelRow(int i)
{
    const SerumLevelRow& row = levelRows[i];
    forgetRefusedEntries(kLevelFields, i);
    rowWidget<QLineEdit>("SLH_level_", i)->setText(shownLevel(row.level));
    rowWidget<QDateEdit>("SLH_date_", i)->setDate(row.date);
    rowWidget<QTimeEdit>("SLH_time_", i)->setTime(row.time);
    levelValueEdited(i);
}

void serumLevelAnalysis::on_button_sort_clicked()
{
    const int doses = compactAndSort(doseRows, [this](int i) { resetRow(i); });
    for (int i = 0; i < kDoseRowCount; ++i) {
        if (i < doses)
            showDoseRow(i);
        else
            rowWidget<QPushButton>("DH_delete_", i)->click();
    }
    const int levels = compactAndSort(levelRows, [this](int i) { resetLevelRow(i); });
    for (int i = 0; i < kLevelRowCount; ++i) {
        if (i < levels)
            showLevelRow(i);
        else
            rowWidget<QPushButton>("SLH_delete_", i)->click();
    }
    markEdited();
}

// ---- Prior choice and analysis ----

void serumLevelAnalysis::showPriorF()
{
    for (int i = 0; i < kDoseRowCount; ++i) {
        if (!doseRows[i].route.isEmpty())
            rowWidget<QLabel>("DH_f_", i)->setText(QString::number(doseRows[i].routeF, 'f', 1));
    }
}

// Under the custom prior each row takes the F a reopened case gives it (its route's custom F,
// the drug's own for a parenteral phenytoin dose), a custom F typed on the case page since
// included: the rows keep the F of their last route or prior choice, and a save must fit the
// F the reopened case fits. A route without a custom F keeps the row's.
void serumLevelAnalysis::takeCustomFAsReopened()
{
    if (m_builder.priorSetIndex() != pk::kCustom)
        return;
    for (int i = 0; i < kDoseRowCount; ++i) {
        DoseHistoryRow& row = doseRows[i];
        if (row.route.isEmpty())
            continue;
        const bool oral = PkCalculator::routeCode(row.route) == pk::kLetterOral;
        row.routeF =
            isPhenytoin() && !oral ? sessionData->phenytoinF : customF(row.route, row.routeF);
        rowWidget<QLabel>("DH_f_", i)->setText(shownF(row.routeF));
    }
}

// A stored case's choice, as its radio button would make it.
void serumLevelAnalysis::showPrior(int prior)
{
    const bool custom = prior == pk::kCustom;
    (custom ? ui->radioButton_custom : ui->radioButton_pop)->setChecked(true);
    if (custom)
        m_builder.chooseCustomPrior();
    else
        m_builder.choosePopulationPrior();
}

void serumLevelAnalysis::on_radioButton_pop_clicked()
{
    m_builder.choosePopulationPrior();
    showPriorF();
}

void serumLevelAnalysis::on_radioButton_custom_clicked()
{
    m_builder.chooseCustomPrior();
    showPriorF();
}

void serumLevelAnalysis::on_button_analysis_clicked()
{
    const QString refusal = analyse();
    if (!refusal.isEmpty())
        MessageBox::information(this, kInformation, refusal);
}

QString serumLevelAnalysis::analyse()
{
    setCursor(Qt::WaitCursor);
    const SessionData lastAnalysed = *sessionData;
    if (!m_builder.analyse()) {
        setCursor(Qt::ArrowCursor);
        return m_builder.refusal();
    }
    maxTime = m_builder.maxTime();
    const int prior = m_builder.priorSetIndex();
    const QString refusal =
        FitReadiness(*sessionData, *pkCalculator, m_fits.predictor()).refusal(prior);
    if (!refusal.isEmpty()) {
        // The fits, graph and level table of the last analysis stay with the rows they came
        // from; the refused rows must not pair with them.
        *sessionData = lastAnalysed;
        setCursor(Qt::ArrowCursor);
        return refusal;
    }
    // The curve-fitting window fits the case when it exists; fitting here too would only
    // repeat the work (a phenytoin fit takes tens of milliseconds).
    if (!caseWindowMakers().fitting) {
        m_fits.setPriorSetIndex(prior);
        m_fits.setPriorRanges(prior == pk::kPopulation ? sessionData->populationRanges
                                                       : sessionData->customRanges);
        m_fits.setGraphEndTime(maxTime);
        m_fits.fitCurves();
    }
    m_fittedRows = analysedRows();
    setCursor(Qt::ArrowCursor);
    emit drawGraph(maxTime);
    return QString();
}

serumLevelAnalysis::AnalysedRows serumLevelAnalysis::analysedRows() const
{
    AnalysedRows rows;
    for (const DoseHistoryRow& row : doseRows) {
        if (row.complete)
            rows.doses.append(row);
    }
    for (const SerumLevelRow& row : levelRows) {
        if (row.complete)
            rows.levels.append(row);
    }
    rows.prior = m_builder.priorSetIndex();
    rows.priorSet = sessionData->pkSets[rows.prior];
    rows.priorRanges =
        rows.prior == pk::kPopulation ? sessionData->populationRanges : sessionData->customRanges;
    // Each analysis takes F and its range from the rows' routes, compared with the rows; between
    // analyses the route boxes and forecast windows set them for routes of their own.
    rows.priorSet[pk::kF] = 0.0;
    rows.priorRanges[pk::kFitF] = 0.0;
    if (rows.prior == pk::kCustom)
        rows.customFSpreads = sessionData->routeFsd;
    return rows;
}

// Everything of a row the analysis reads, and the prior it starts from.
bool serumLevelAnalysis::sameRows(const AnalysedRows& a, const AnalysedRows& b)
{
    const auto sameDose = [](const DoseHistoryRow& x, const DoseHistoryRow& y) {
        return x.date == y.date && x.time == y.time && x.route == y.route && x.inOut == y.inOut &&
               x.treatment == y.treatment && x.saltFactor == y.saltFactor && x.routeF == y.routeF &&
               x.ka == y.ka && x.dose == y.dose && x.infusionTime == y.infusionTime &&
               x.interval == y.interval && x.numberOfDoses == y.numberOfDoses;
    };
    const auto sameLevel = [](const SerumLevelRow& x, const SerumLevelRow& y) {
        return x.date == y.date && x.time == y.time && x.level == y.level;
    };
    return a.prior == b.prior && pknum::sameValues(a.priorSet, b.priorSet) &&
           pknum::sameValues(a.priorRanges, b.priorRanges) &&
           a.customFSpreads == b.customFSpreads &&
           std::equal(a.doses.begin(), a.doses.end(), b.doses.begin(), b.doses.end(), sameDose) &&
           std::equal(a.levels.begin(), a.levels.end(), b.levels.begin(), b.levels.end(),
                      sameLevel);
}

// A save stores the rows as they stand; fits of other rows must not go with them. Nothing is
// said here: the case page reports a refusal once the case is saved.
QString serumLevelAnalysis::refitChangedRows()
{
    takeCustomFAsReopened();
    const AnalysedRows rows = analysedRows();
    if (!m_fittedRows || sameRows(*m_fittedRows, rows))
        return QString();
    m_fittedRows.reset();
    const QString refusal = analyse();
    // Rows all gone leave no fit, as a case stored without rows opens with none.
    if (!refusal.isEmpty() || (rows.doses.isEmpty() && rows.levels.isEmpty()))
        m_fits.forgetFits();
    return refusal;
}

// ---- Storage ----

QString serumLevelAnalysis::leftOutRowsNotice() const
{
    QStringList rows;
    for (int i = 0; i < kDoseRowCount; ++i) {
        if (doseRows[i].pastLimit)
            rows << QString::number(i + 1);
    }
    if (rows.isEmpty())
        return QString();
    const QString notice =
        rows.size() == 1
            ? QStringLiteral("Dose row %1 is saved as typed but left out of the analysis: with "
                             "it the dose history gives more than %2 single doses, more than the "
                             "analysis can hold.")
            : QStringLiteral("Dose rows %1 are saved as typed but left out of the analysis: "
                             "with them the dose history gives more than %2 single doses, more "
                             "than the analysis can hold.");
    return notice.arg(rows.join(QStringLiteral(", "))).arg(pk::kMaxDoseEvents);
}

// The prior comes first, so that the rows take the F of the prior the case was saved with.
bool serumLevelAnalysis::loadDoseHistory()
{
    const analysisprior::ReadPrior prior = analysisprior::read(sessionData->caseNumber);
    showPrior(prior.prior);
    const auto stored = historystore::readDoseRows(sessionData->caseNumber);
    m_doseLoadFailed = !stored.ok || !prior.ok;
    m_surplusDoses = stored.rows.mid(kDoseRowCount);
    const int count = std::min(int(stored.rows.size()), kDoseRowCount);
    if (count == 0)
        return false;
    for (int i = 0; i < count; ++i)
        doseRows[i] = stored.rows[i];
    for (int i = 0; i < count; ++i) {
        // A stored row stays open to editing even when today's rule finds it incomplete.
        rowWidget<QWidget>("DH_row_", i)->setEnabled(true);
        showDoseRow(i);
    }
    if (!m_surplusDoses.isEmpty())
        MessageBox::information(
            nullptr, kInformation,
            QStringLiteral("This case has %1 stored dose rows; the window shows the first %2 and "
                           "the others are kept as they are when the case is saved.")
                .arg(stored.rows.size())
                .arg(kDoseRowCount));
    return true;
}

bool serumLevelAnalysis::loadSerumLevels()
{
    const auto stored = historystore::readLevelRows(sessionData->caseNumber);
    m_levelLoadFailed = !stored.ok;
    m_surplusLevels = stored.rows.mid(kLevelRowCount);
    const int count = std::min(int(stored.rows.size()), kLevelRowCount);
    if (count == 0)
        return false;
    for (int i = 0; i < count; ++i)
        levelRows[i] = stored.rows[i];
    for (int i = 0; i < count; ++i)
        showLevelRow(i);
    if (!m_surplusLevels.isEmpty())
        MessageBox::information(
            nullptr, kInformation,
            QStringLiteral("This case has %1 stored serum levels; the window shows the first %2 "
                           "and the others are kept as they are when the case is saved.")
                .arg(stored.rows.size())
                .arg(kLevelRowCount));
    return true;
}

bool serumLevelAnalysis::refuseSaveAfterFailedLoad(bool loadFailed, const QString& what) const
{
    if (!loadFailed)
        return false;
    MessageBox::about(nullptr, kInformation,
                      QStringLiteral("The stored %1 of this case could not be read when it was "
                                     "opened, so saving now would remove it; please open the "
                                     "case again before saving.")
                          .arg(what));
    return true;
}

bool serumLevelAnalysis::saveDoseHistory()
{
    const QString what = QStringLiteral("dose history");
    if (refuseSaveAfterFailedLoad(m_doseLoadFailed, what))
        return false;
    QString databaseText;
    QString failure =
        historystore::writeDoseRows(sessionData->caseNumber, rowsToSave(doseRows, m_surplusDoses),
                                    QSqlDatabase::database(), &databaseText);
    if (failure.isEmpty()) {
        databaseText = analysisprior::write(sessionData->caseNumber, m_builder.priorSetIndex());
        failure = databaseText;
    }
    return savedOrShown(failure, what, databaseText);
}

bool serumLevelAnalysis::saveSerumLevels()
{
    const QString what = QStringLiteral("serum levels");
    if (refuseSaveAfterFailedLoad(m_levelLoadFailed, what))
        return false;
    QString databaseText;
    const QString failure = historystore::writeLevelRows(sessionData->caseNumber,
                                                         rowsToSave(levelRows, m_surplusLevels),
                                                         QSqlDatabase::database(), &databaseText);
    return savedOrShown(failure, what, databaseText);
}
