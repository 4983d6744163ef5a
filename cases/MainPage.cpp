#include "cases/MainPage.h"
#include "ui_MainPage.h"

#include "app/GuestMode.h"
#include "app/StartInView.h"
#include "cases/CaseStore.h"
#include "cases/CaseWindowLinks.h"
#include "cases/CaseWindowPlacement.h"
#include "cases/PatientForm.h"
#include "cases/PatientValidation.h"
#include "cases/RenalFigureText.h"
#include "pkcore/CaseNames.h"
#include "pkcore/DrugCodes.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "pkcore/Sex.h"
#include "platform/MessageBox.h"
#include "platform/ShownField.h"
#include "platform/WheelGuard.h"

#include <QDateTime>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QStyleOption>

#include <cmath>

namespace
{
constexpr double notFitted = -1.0;
constexpr int leastLevelsForFit = 2;
// Digits with an optional decimal point. An empty field or a lone point passes, so that leaving
// the field still reaches the refusal, which puts the stored value back.
const char* const customValuePattern = "^[0-9]{0,5}(\\.[0-9]{0,3})?$";

QString number(double value)
{
    return ParameterGroupView::number(value);
}

using RangeEntry = CustomSetEditor::RangeEntry;

// The entry fields of the custom group. A parameter is entered beside its range, which goes
// with it; a range entered alone changes only the range.
struct CustomEntry {
    QLineEdit* Ui::MainPage::*field;
    QLineEdit* Ui::MainPage::*range; // null on a range field
    bool (*edit)(CustomSetEditor& editor, int route, double value, RangeEntry range);
    // What the field shows of the custom set; null for F and its range, which are the route's.
    QString ParameterGroupView::Texts::*shown;
};

// Each parameter's range field follows it.
enum CustomEntryIndex {
    customF,
    customRangeF,
    customVd,
    customRangeVd,
    customCl,
    customRangeCl,
    customCf,
    customRangeCf,
    customKd,
    customRangeKd,
};

const CustomEntry customEntries[] = {
    {&Ui::MainPage::line_Custom_F, &Ui::MainPage::line_Custom_rangeF,
     [](CustomSetEditor& e, int route, double v, RangeEntry range) {
         return e.editF(route, v, range);
     },
     nullptr},
    {&Ui::MainPage::line_Custom_rangeF, nullptr,
     [](CustomSetEditor& e, int route, double v, RangeEntry) { return e.editRangeF(route, v); },
     nullptr},
    {&Ui::MainPage::line_Custom_vdb, &Ui::MainPage::line_Custom_rangevdb,
     [](CustomSetEditor& e, int, double v, RangeEntry range) { return e.editVd(v, range); },
     &ParameterGroupView::Texts::vd},
    {&Ui::MainPage::line_Custom_rangevdb, nullptr,
     [](CustomSetEditor& e, int, double v, RangeEntry) { return e.editRangeVd(v); },
     &ParameterGroupView::Texts::vdRange},
    {&Ui::MainPage::line_Custom_cl, &Ui::MainPage::line_Custom_rangecl,
     [](CustomSetEditor& e, int, double v, RangeEntry range) { return e.editClRow(v, range); },
     &ParameterGroupView::Texts::cl},
    {&Ui::MainPage::line_Custom_rangecl, nullptr,
     [](CustomSetEditor& e, int, double v, RangeEntry) { return e.editRangeClRow(v); },
     &ParameterGroupView::Texts::clRange},
    {&Ui::MainPage::line_Custom_cf, &Ui::MainPage::line_Custom_rangecf,
     [](CustomSetEditor& e, int, double v, RangeEntry range) { return e.editCfRow(v, range); },
     &ParameterGroupView::Texts::cf},
    {&Ui::MainPage::line_Custom_rangecf, nullptr,
     [](CustomSetEditor& e, int, double v, RangeEntry) { return e.editRangeCfRow(v); },
     &ParameterGroupView::Texts::cfRange},
    {&Ui::MainPage::line_Custom_kd, &Ui::MainPage::line_Custom_range4,
     [](CustomSetEditor& e, int, double v, RangeEntry range) { return e.editKdRow(v, range); },
     &ParameterGroupView::Texts::kd},
    {&Ui::MainPage::line_Custom_range4, nullptr,
     [](CustomSetEditor& e, int, double v, RangeEntry) { return e.editRangeKdRow(v); },
     &ParameterGroupView::Texts::range4},
};
static_assert(sizeof(customEntries) / sizeof(customEntries[0]) == customRangeKd + 1,
              "one entry per custom field");
} // namespace

MainPage::MainPage(QWidget* parent, SessionData* session, PkCalculator* calculator,
                   DrugInfo* drugInfo, ProgramConfig* config)
    : QWidget(parent), form(new Ui::MainPage), session(session), calculator(calculator),
      drugInfo(drugInfo), config(config), m_custom(session)
{
    form->setupUi(this);
    guardWheel(this);
    for (QLineEdit* name : {form->Line_First, form->Line_Last, form->Line_Hosp_ID, form->Line_Drug})
        keepStartInView(name);
    m_populationGroup = std::make_unique<ParameterGroupView>(this, QStringLiteral("Pop"));
    m_customGroup = std::make_unique<ParameterGroupView>(this, QStringLiteral("Custom"));
    m_bayesGroup = std::make_unique<ParameterGroupView>(this, QStringLiteral("Bayes"));
    m_lsGroup = std::make_unique<ParameterGroupView>(this, QStringLiteral("LS"));
    form->button_graph_analysis->setEnabled(false);

    startCustomSet();
    // Filling selects each drug's starting route, which shows its F in both groups.
    drugInfo->fillRouteCombo(form->comboBox_Pop_route);
    drugInfo->fillRouteCombo(form->comboBox_Custom_route);

    session->regimenReport.done = false;
    session->levelForecastReport.done = false;
    session->phRegimenReport.done = false;
    session->phLevelForecastReport.done = false;
    session->pkSets[pk::kLeastSquares][pk::kF] = notFitted;
    session->pkSets[pk::kBayesian][pk::kF] = notFitted;

    auto* validator = new QRegularExpressionValidator(
        QRegularExpression(QLatin1String(customValuePattern)), this);
    for (const CustomEntry& entry : customEntries)
        ((*form).*entry.field)->setValidator(validator);

    relabelGroups();
    replayStoredCase();
    // What the form confirmed may differ from what is stored; a save flag left by the case shown
    // before must not let this one go without the question.
    markUnsaved();

    if (!form->button_graph_analysis->isEnabled())
        form->button_graph_analysis->setToolTip(
            tr("Grapic Analysis will be avaliable when Dosage History has been entered."));
    enableWindowButtons();
}

MainPage::~MainPage() = default;

void MainPage::paintEvent(QPaintEvent* /*event*/)
{
    // Lets the style sheet paint the page's background.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

bool MainPage::isPhenytoin() const
{
    return session->patient.drugCode == QLatin1String(phenytoinCode);
}

void MainPage::markUnsaved()
{
    session->saved = false;
    form->button_save->setEnabled(true);
}

// ---- Construction ----

void MainPage::startCustomSet()
{
    session->routeF.clear();
    session->routeFsd.clear();
    session->routeNames.clear();
    session->savedRouteF.clear();
    session->savedRouteFsd.clear();
    // A stored case starts from the population too, so whatever its rows do not hold (or a
    // missing row) never leaves a value of an earlier case behind.
    m_custom.startSetsFromPopulation();
    if (session->caseNumber == 0) {
        m_custom.startRoutesFromCatalogue(drugInfo);
        return;
    }
    loadPK();
    loadCustomF();
    m_custom.alignRoutesWithCatalogue(drugInfo);
}

bool MainPage::loadPK()
{
    const LoadOutcome outcome = CaseStore(session).loadPK();
    if (!outcome.ok)
        MessageBox::about(nullptr, tr("Information"), tr("Load PK fail\n%1").arg(outcome.error));
    return outcome.ok;
}

bool MainPage::loadCustomF()
{
    const LoadOutcome outcome = CaseStore(session).loadCustomF();
    if (!outcome.ok)
        MessageBox::about(nullptr, tr("Information"),
                          tr("Load Custom F fail\n%1").arg(outcome.error));
    return outcome.ok;
}

void MainPage::relabelGroups()
{
    const QString code = session->patient.drugCode;
    for (const auto* group :
         {m_populationGroup.get(), m_customGroup.get(), m_bayesGroup.get(), m_lsGroup.get()})
        group->relabel(code);
    if (isPhenytoin()) {
        // They carry the custom compliance factor and its range.
        form->line_Custom_kd->setEnabled(true);
        form->line_Custom_range4->setEnabled(true);
    }
}

void MainPage::replayStoredCase()
{
    quietRun = false;
    if (session->caseNumber <= 0)
        return;
    quietRun = true;
    on_button_dosage_history_clicked();
    if (analysis) {
        const bool doses = analysis->loadDoseHistory();
        const bool levels = analysis->loadSerumLevels();
        if (doses || levels) {
            analysis->runAnalysis();
            if (fitting)
                fitting->window()->close();
        }
        analysis->window()->close();
    }
    quietRun = false;
}

bool MainPage::populationUsable() const
{
    // A value that is not a number does not count as 0.
    const PkParameterSet& population = session->pkSets[pk::kPopulation];
    return !(population[pk::kVd] == 0.0 || population[pk::kCl] == 0.0 ||
             population[pk::kCF] == 0.0);
}

bool MainPage::regimenForecastAvailable() const
{
    const CaseWindowMakers& makers = caseWindowMakers();
    return populationUsable() &&
           bool(isPhenytoin() ? makers.phenytoinRegimen : makers.regimenForecast);
}

bool MainPage::levelForecastAvailable() const
{
    const CaseWindowMakers& makers = caseWindowMakers();
    return populationUsable() &&
           bool(isPhenytoin() ? makers.phenytoinLevelForecast : makers.levelForecast);
}

bool MainPage::analysisAvailable() const
{
    return populationUsable() && bool(caseWindowMakers().analysis);
}

void MainPage::enableWindowButtons()
{
    form->button_dosage_regimen_forecast->setEnabled(regimenForecastAvailable());
    form->button_serum_level_forecast->setEnabled(levelForecastAvailable());
    form->button_dosage_history->setEnabled(analysisAvailable());
    form->button_report->setEnabled(bool(caseWindowMakers().report));
    if (!populationUsable())
        form->label_warning->setText(
            tr("At least one parameter is not valid. Some functions will not be available."));
}

// ---- What the page shows ----

void MainPage::showCaseInfo()
{
    const SessionData& s = *session;
    form->Line_Drug->setText(caseDrugName(s));
    const QString mgdl = QStringLiteral(" mg/dL");
    if (s.scr1 > 0.0) {
        form->Line_Crs->setText(QString::number(s.scr1, 'g', 6) + mgdl);
        if (s.renalMode != 0) {
            form->Line_Crs2->setText(QString::number(s.scr2, 'g', 6) + mgdl);
            form->Line_Time->setText(QString::number(s.scrHoursBetween, 'g', 6) +
                                     QStringLiteral(" hrs"));
        } else {
            form->widget_Crs2->hide();
            form->widget_time->hide();
        }
        form->label_clcr->setText(tr("Calculated\nCLcr"));
    } else {
        form->widget_Crs->hide();
        form->widget_Crs2->hide();
        form->widget_time->hide();
        form->label_clcr->setText(tr("Entered\nCLcr"));
    }
    form->Line_CLcr->setText(RenalFigureText::clearance(s.crcl, s.scr1));
    const QString albumin = RenalFigureText::albumin(s.albumin);
    form->widget_Albumin->setVisible(!albumin.isEmpty());
    form->Line_Albumin->setText(albumin);
    form->TextEdit_Case_Note->setPlainText(s.patient.caseNote);

    QStringList answers;
    for (int n = 1; n <= pk::kFactorTextCount && answers.size() < 2; ++n) {
        if (s.factorFlags[n] != 0)
            answers << s.factorAnswers[n - 1];
    }
    form->Label_Drug_Factor1->setText(answers.value(0));
    form->Label_Drug_Factor2->setText(answers.value(1));
}

void MainPage::showPatientInfo()
{
    const SessionData& s = *session;
    const PatientRecord& p = s.patient;
    form->Line_First->setText(p.firstName);
    form->Line_Last->setText(p.lastName);
    form->Line_Hosp_ID->setText(p.hospitalId);
    form->Line_Sex->setText(sexFromText(p.sex) == Sex::Male ? tr("Male") : tr("Female"));

    const QString weight = p.weightUnit == QLatin1String(PatientForm::kilogramUnit)
                               ? QString::number(s.weightKg, 'g', 6)
                               : number(s.weightKg / PatientValidation::kgPerPound);
    form->Line_Weight->setText(weight + QLatin1Char(' ') + p.weightUnit);
    const QString height = p.heightUnit == QLatin1String(PatientForm::centimetreUnit)
                               ? QString::number(s.heightCm, 'g', 6)
                               : number(s.heightCm / PatientValidation::cmPerInch);
    form->Line_Height->setText(height + QLatin1Char(' ') + p.heightUnit);

    form->Line_Birthday->setText(PatientValidation::birthdayText(p));
    form->textBrowser_Patient_Note->setPlainText(p.patientNote);
}

void MainPage::showPopulationPK()
{
    m_populationGroup->show(ParameterGroupView::setTexts(session->pkSets[pk::kPopulation],
                                                         session->populationRanges, isPhenytoin(),
                                                         session->weightKg));
}

void MainPage::showCustomPK()
{
    m_customGroup->show(ParameterGroupView::setTexts(
        session->pkSets[pk::kCustom], session->customRanges, isPhenytoin(), session->weightKg));
}

void MainPage::showBodyMeasures()
{
    const SessionData& s = *session;
    const QString sex = sexText(sexFromText(s.patient.sex) == Sex::Male ? Sex::Male : Sex::Female);
    form->lineEdit_body_mass_index->setText(number(bodyMassIndex(s.weightKg, s.heightCm)));
    form->lineEdit_body_surface_area->setText(number(bodySurfaceArea(s.weightKg, s.heightCm)));
    form->lineEdit_lean_body_mass->setText(number(leanBodyMass(s.weightKg, s.heightCm, sex)));
    form->lineEdit_ideal_body_weight->setText(
        number(idealBodyWeight(s.weightKg, s.heightCm, s.ageYears, sex)));
}

void MainPage::on_comboBox_Pop_route_currentTextChanged(const QString& route)
{
    if (route.isEmpty())
        return; // the combo box is being refilled
    const double f = drugInfo->bioavailability(route, session->patient.drugCode);
    form->line_Pop_F->setText(number(f * 100.0));
    form->line_Pop_rangeF->setText(number(session->populationRanges[pk::kFitF] * f * 100.0));
    session->displayedF[pk::kReportPopulation] = f;
}

void MainPage::showFitted(const ParameterGroupView& group, int method, const RangeBlock& spreads,
                          int displayedIndex)
{
    group.route->clear();
    for (const QString& route : qAsConst(session->routeList)) {
        if (group.route->findText(route) < 0)
            group.route->addItem(route);
    }
    if (session->routeList.isEmpty())
        group.route->addItem(tr("No route is fitted."));
    const PkParameterSet& set = session->pkSets[method];
    session->displayedF[displayedIndex] = set[pk::kF];
    group.show(ParameterGroupView::fittedTexts(set, spreads, isPhenytoin(), session->weightKg));
}

// A run without a fit of the set empties its group: the fit of an earlier run, or an absent set
// (F -1), must not read as the fit of this history.
void MainPage::clearFitted(const ParameterGroupView& group, int displayedIndex)
{
    group.route->clear();
    group.f->clear();
    group.fRange->clear();
    group.show(ParameterGroupView::Texts{});
    session->displayedF[displayedIndex] = notFitted;
}

void MainPage::getBayesAndDisplay()
{
    if (session->doseEventCount > 0 && session->pkSets[pk::kBayesian][pk::kF] > 0)
        showFitted(*m_bayesGroup, pk::kBayesian, session->bayesRanges, pk::kReportBayesian);
    else
        clearFitted(*m_bayesGroup, pk::kReportBayesian);
}

void MainPage::getLSAndDisplay()
{
    if (session->levelCount >= leastLevelsForFit && session->pkSets[pk::kLeastSquares][pk::kF] > 0)
        showFitted(*m_lsGroup, pk::kLeastSquares, session->lsRanges, pk::kReportLeastSquares);
    else
        clearFitted(*m_lsGroup, pk::kReportLeastSquares);
}

// ---- The windows of the case ----

// The menu offers what the page's buttons offer.
void MainPage::mainwindow_dosage_regimen_forecast()
{
    if (regimenForecastAvailable())
        on_button_dosage_regimen_forecast_clicked();
}

void MainPage::mainwindow_serum_level_forecast()
{
    if (levelForecastAvailable())
        on_button_serum_level_forecast_clicked();
}

void MainPage::mainwindow_serum_level_analysis()
{
    if (analysisAvailable())
        on_button_dosage_history_clicked();
}

void MainPage::openForecast(QWidget** window, const CaseWindowMakers::WindowMaker& make,
                            CaseWindowSlot slot)
{
    if (!*window) {
        if (!make)
            return;
        *window = make(this, session, calculator, drugInfo);
        placeCaseWindow(*window, slot);
        connect(this, SIGNAL(custom_pk_change()), *window, SLOT(custom_pk_change()));
        // An open window would otherwise show the last fit's figures until shown again.
        connect(this, SIGNAL(fitted_sets_change(bool)), *window, SLOT(fitted_sets_change(bool)));
    }
    (*window)->show();
}

void MainPage::on_button_dosage_regimen_forecast_clicked()
{
    const CaseWindowMakers& makers = caseWindowMakers();
    if (isPhenytoin())
        openForecast(&phRegimen, makers.phenytoinRegimen, CaseWindowSlot::RegimenForecast);
    else
        openForecast(&regimenForecast, makers.regimenForecast, CaseWindowSlot::RegimenForecast);
}

void MainPage::on_button_serum_level_forecast_clicked()
{
    const CaseWindowMakers& makers = caseWindowMakers();
    if (isPhenytoin())
        openForecast(&phLevelForecast, makers.phenytoinLevelForecast,
                     CaseWindowSlot::LevelForecast);
    else
        openForecast(&levelForecast, makers.levelForecast, CaseWindowSlot::LevelForecast);
}

// Opening the window changes nothing; its edits and its analysis runs make the case unsaved.
void MainPage::on_button_dosage_history_clicked()
{
    if (!analysis) {
        const auto& make = caseWindowMakers().analysis;
        if (!make)
            return;
        analysis = make(this, session, calculator, drugInfo);
        QWidget* window = analysis->window();
        placeCaseWindow(window, CaseWindowSlot::DoseHistory);
        connect(window, SIGNAL(drawGraph(double)), this,
                SLOT(graph_analysis_clicked_from_serum_level_analysis(double)));
        if (window->metaObject()->indexOfSignal("caseEdited()") >= 0)
            connect(window, SIGNAL(caseEdited()), this, SLOT(analysisEdited()));
    }
    if (!quietRun)
        analysis->window()->show();
}

void MainPage::graph_analysis_clicked_from_serum_level_analysis(double maxTime)
{
    if (!analysis)
        return;
    const bool firstRun = fitting == nullptr;
    if (firstRun && !caseWindowMakers().fitting) {
        // No curve-fitting window: the analysis window has fitted the sets itself.
        getBayesAndDisplay();
        getLSAndDisplay();
        fittedSetsChanged();
        return;
    }
    if (!quietRun)
        markUnsaved();
    QWidget* analysisWindow = analysis->window();
    analysisWindow->setCursor(Qt::WaitCursor);
    if (firstRun) {
        fitting = caseWindowMakers().fitting(this, session, calculator, drugInfo);
        placeCaseWindow(fitting->window(), CaseWindowSlot::CurveFitting);
        connect(fitting->window(), SIGNAL(bayesDataSend()), this, SLOT(getBayesAndDisplay()),
                Qt::DirectConnection);
        connect(fitting->window(), SIGNAL(LSDataSend()), this, SLOT(getLSAndDisplay()));
    }
    const int prior = analysis->priorSetIndex();
    fitting->setPrior(prior,
                      prior == pk::kPopulation ? session->populationRanges : session->customRanges);
    fitting->setGraphEndTime(maxTime);
    if (!firstRun)
        fitting->resetControls();
    fitting->initFromCase();
    form->button_graph_analysis->setEnabled(true);
    form->button_graph_analysis->setToolTip(QString());
    analysisWindow->setCursor(Qt::ArrowCursor);
    fittedSetsChanged();
    if (!quietRun)
        fitting->window()->show();
}

// A quiet run (a save's refit) tells the windows once it is over, in refitChangedHistory: the
// sets it leaves may still go after the fits. An Analysis the user ran fits the case again, so
// no save owes a word of sets that went.
void MainPage::fittedSetsChanged()
{
    if (quietRun)
        return;
    m_unfittedReason.clear();
    emit fitted_sets_change(false);
}

void MainPage::analysisEdited()
{
    if (!quietRun)
        markUnsaved();
}

void MainPage::on_button_graph_analysis_clicked()
{
    if (fitting)
        fitting->window()->show();
}

void MainPage::on_button_report_clicked()
{
    const auto& make = caseWindowMakers().report;
    if (!make)
        return;
    report = make(this, session, calculator, drugInfo, config, analysis);
    placeCaseWindow(report, CaseWindowSlot::Report);
    Modal::exec(report);
}

void MainPage::on_Button_Update_Patient_Case_clicked()
{
    // Confirming the form rebuilds the page from the session, and unsaved edits would go.
    if (session->loggedIn && !session->saved) {
        const QMessageBox::StandardButton answer = MessageBox::saveDiscardCancel(
            this, tr("Save patient"), tr("Do you want to save the current patient?"));
        if (answer == QMessageBox::Cancel)
            return;
        if (answer == QMessageBox::Save) {
            on_button_save_clicked();
            if (!session->saved)
                return;
        }
    }
    markUnsaved();
    emit show_currentpatient();
}

// ---- Saving ----

CasePageTexts MainPage::pageTexts() const
{
    CasePageTexts t;
    t.weight = form->Line_Weight->text();
    t.height = form->Line_Height->text();
    return t;
}

void MainPage::on_button_save_clicked()
{
    if (!loggedInOrTold(this, *session))
        return;
    CaseStore::ExtraRows analysisRows;
    if (analysis)
        analysisRows = [this] {
            return analysis->saveDoseHistory() && analysis->saveSerumLevels();
        };
    const QString refitRefusal = refitChangedHistory();
    if (!refitRefusal.isEmpty())
        m_unfittedReason = refitRefusal;
    const SaveOutcome outcome = CaseStore(session).save(
        pageTexts(), CaseStore::saveStamp(QDateTime::currentDateTime()), analysisRows);
    if (!outcome.saved) {
        if (!outcome.failure.isEmpty())
            MessageBox::about(nullptr, tr("Information"), outcome.failure);
        form->button_save->setEnabled(true);
        return;
    }
    form->button_save->setEnabled(false);
    const QString leftOut = analysis ? analysis->leftOutRowsNotice() : QString();
    if (!leftOut.isEmpty())
        MessageBox::information(this, tr("Information"), leftOut);
    if (!m_unfittedReason.isEmpty())
        MessageBox::information(this, tr("Information"),
                                tr("The case is saved without fitted sets until Analysis runs "
                                   "again, because its dose history or prior changed since the "
                                   "last Analysis and cannot be analysed now: %1")
                                    .arg(m_unfittedReason));
    m_unfittedReason.clear();
    emit database_update();
}

// The fitted sets shown and saved with the case are those of the rows the save stores, as
// reopening the case would fit them; the reason when they could not be fitted and went.
QString MainPage::refitChangedHistory()
{
    if (!analysis)
        return QString();
    quietRun = true;
    const QString refusal = analysis->refitChangedRows();
    quietRun = false;
    if (!refusal.isEmpty()) {
        getBayesAndDisplay();
        getLSAndDisplay();
        // The curve-fitting window still holds the fits that went; it waits for the next Analysis.
        if (fitting)
            fitting->window()->close();
        form->button_graph_analysis->setEnabled(false);
        form->button_graph_analysis->setToolTip(
            tr("Graph Analysis will be available when Analysis runs again."));
    }
    emit fitted_sets_change(true);
    return refusal;
}

// ---- Custom parameter editing ----

int MainPage::customRoute() const
{
    return form->comboBox_Custom_route->currentIndex();
}

void MainPage::showCustomF()
{
    const int route = customRoute();
    if (!m_custom.hasRoute(route))
        return;
    form->line_Custom_F->setText(number(m_custom.fPercent(route)));
    form->line_Custom_rangeF->setText(number(m_custom.fRangePercent(route)));
}

void MainPage::showCustomDerived()
{
    const ParameterGroupView::Texts texts = ParameterGroupView::setTexts(
        session->pkSets[pk::kCustom], session->customRanges, isPhenytoin(), session->weightKg);
    m_customGroup->showVolumePerKg(texts.volumePerKg);
    if (!isPhenytoin()) {
        form->line_Custom_kd->setText(texts.kd);
        form->line_Custom_t12->setText(texts.halfLife);
    }
}

void MainPage::customEntryDone(int index, bool taken)
{
    const CustomEntry& entry = customEntries[index];
    const bool parameter = entry.range != nullptr;
    if (taken) {
        if (parameter) {
            showCustomDerived();
            emit custom_pk_change();
        }
        return;
    }
    // A refused entry: the field shows the stored value again, nothing else changes.
    ((*form).*entry.field)->setText(customShownText(index));
}

QString MainPage::customShownText(int index) const
{
    const CustomEntry& entry = customEntries[index];
    if (!entry.shown) {
        const int route = customRoute();
        return number(index == customF ? m_custom.fPercent(route) : m_custom.fRangePercent(route));
    }
    const ParameterGroupView::Texts shown = ParameterGroupView::setTexts(
        session->pkSets[pk::kCustom], session->customRanges, isPhenytoin(), session->weightKg);
    return shown.*entry.shown;
}

CustomSetEditor::RangeEntry MainPage::customRangeEntry(int index) const
{
    const CustomEntry& entry = customEntries[index];
    if (!entry.range)
        return std::nullopt;
    QLineEdit* range = (*form).*entry.range;
    if (leftAsShown(range, customShownText(index + 1)))
        return std::nullopt;
    // Text that is not a number reads as a range of 0.
    return range->text().toDouble();
}

void MainPage::takeCustomEntry(int index)
{
    const CustomEntry& entry = customEntries[index];
    QLineEdit* field = (*form).*entry.field;
    markUnsaved();
    // A field left as shown holds a rounded figure of what the set holds; read back, it would
    // round the set.
    const bool untouched = leftAsShown(field, customShownText(index));
    field->setModified(false);
    if (untouched)
        return;
    bool isNumber = false;
    const double value = field->text().toDouble(&isNumber);
    const bool taken = isNumber && std::isfinite(value) &&
                       entry.edit(m_custom, customRoute(), value, customRangeEntry(index));
    customEntryDone(index, taken);
}

void MainPage::on_comboBox_Custom_route_currentTextChanged(const QString& route)
{
    if (session->routeF.isEmpty())
        return;
    const int index = form->comboBox_Custom_route->findText(route);
    if (m_custom.selectRoute(index))
        showCustomF();
}

void MainPage::on_line_Custom_F_editingFinished()
{
    takeCustomEntry(customF);
}

void MainPage::on_line_Custom_rangeF_editingFinished()
{
    takeCustomEntry(customRangeF);
}

void MainPage::on_line_Custom_vdb_editingFinished()
{
    takeCustomEntry(customVd);
}

void MainPage::on_line_Custom_rangevdb_editingFinished()
{
    takeCustomEntry(customRangeVd);
}

void MainPage::on_line_Custom_cl_editingFinished()
{
    takeCustomEntry(customCl);
}

void MainPage::on_line_Custom_rangecl_editingFinished()
{
    takeCustomEntry(customRangeCl);
}

void MainPage::on_line_Custom_cf_editingFinished()
{
    takeCustomEntry(customCf);
}

void MainPage::on_line_Custom_rangecf_editingFinished()
{
    takeCustomEntry(customRangeCf);
}

void MainPage::on_line_Custom_kd_editingFinished()
{
    takeCustomEntry(customKd);
}

void MainPage::on_line_Custom_range4_editingFinished()
{
    takeCustomEntry(customRangeKd);
}

void MainPage::on_button_Custom_reset_clicked()
{
    markUnsaved();
    m_custom.reset();
    showCustomF();
    showCustomPK();
    emit custom_pk_change();
}
