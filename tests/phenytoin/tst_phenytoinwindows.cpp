#include "phenytoin/PHDosageRegimen.h"
#include "phenytoin/PHSerumLevelForecast.h"
#include "pkcore/EntryLimits.h"
#include "tests/phenytoin/tst_phenytoin_fixture.h"
#include "tests/support/ChildWidgets.h"
#include "tests/support/DesktopLook.h"
#include "tests/support/NearlyEqual.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestMain.h"
#include "tests/support/WindowFit.h"

#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHash>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <qcustomplot.h>

using namespace phenytoincase;
using testsupport::requireChild;

namespace
{
QLineEdit* field(QWidget* window, const char* name)
{
    return requireChild<QLineEdit>(window, QString::fromLatin1(name));
}

// The route-1 regimen most tests forecast: 300 mg once a day.
void enterDailyDose(QWidget* window)
{
    enter(field(window, "lineEdit_dose"), QStringLiteral("300"));
    enter(field(window, "lineEdit_interval"), QStringLiteral("24"));
}

QCustomPlot* plot(QWidget* window)
{
    return requireChild<QCustomPlot>(window, QStringLiteral("graph"));
}

void choose(QWidget* window, const char* combo, const QString& product)
{
    auto* box = requireChild<QComboBox>(window, QString::fromLatin1(combo));
    box->setCurrentText(product);
    QMetaObject::invokeMethod(box, "activated", Q_ARG(QString, product));
}

QString warning(QWidget* window)
{
    return requireChild<QLabel>(window, QStringLiteral("label_warning"))->text();
}

// The horizontal middle of a widget, in the window's coordinates.
int middleX(QWidget* window, const QWidget* widget)
{
    return widget->mapTo(window, widget->rect().center()).x();
}

// Whether a heading stands over the widget: the widget's middle lies within the heading.
bool under(QWidget* window, const char* heading, const QWidget* widget)
{
    const auto* label = requireChild<QLabel>(window, QString::fromLatin1(heading));
    const int left = label->mapTo(window, QPoint(0, 0)).x();
    const int middle = middleX(window, widget);
    return middle >= left && middle <= left + label->width();
}

// Whether a field shows its whole text: the text, the field's inner margin of 2 pixels and the
// style's frame on each side fit its width.
bool showsWhole(const QLineEdit* field)
{
    constexpr int innerMargin = 2;
    const int frame = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, field);
    return field->fontMetrics().horizontalAdvance(field->text()) + 2 * (frame + innerMargin) <=
           field->width();
}

// Where each widget the window shows lies, in the window's coordinates.
QHash<const QWidget*, QRect> placesShown(QWidget* window)
{
    QHash<const QWidget*, QRect> places;
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->isVisible())
            places.insert(widget, QRect(widget->mapTo(window, QPoint(0, 0)), widget->size()));
    }
    return places;
}

// Types the text over the field's own, as the user does, and finishes the entry.
void retype(QLineEdit* field, const QString& text, Qt::Key finish = Qt::Key_Return)
{
    QTest::keySequence(field, QKeySequence::SelectAll);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, finish);
}

// Clicks into the field, types the text over its own and leaves it with Tab, as the user does.
void typeAndTab(QLineEdit* field, const QString& text)
{
    QTest::mouseClick(field, Qt::LeftButton);
    retype(field, text, Qt::Key_Tab);
}

// The texts of the window's fields open to typing (entries) or of the others (figures).
QHash<const QLineEdit*, QString> fieldTexts(QWidget* window, bool entries)
{
    QHash<const QLineEdit*, QString> texts;
    for (const QLineEdit* f : window->findChildren<QLineEdit*>()) {
        if (f->isEnabled() == entries)
            texts.insert(f, f->text());
    }
    return texts;
}

// The first field, `except` aside, whose text is no longer the one it had; empty when none.
QString changedField(const QHash<const QLineEdit*, QString>& texts, const QLineEdit* except)
{
    for (auto t = texts.cbegin(); t != texts.cend(); ++t) {
        if (t.key() != except && t.key()->text() != t.value())
            return t.key()->objectName() + QLatin1String(": ") + t.key()->text();
    }
    return QString();
}

// What the report holds of both windows' regimens.
QVector<double> recorded(const SessionData& session)
{
    const PhLevelForecastReport& level = session.phLevelForecastReport;
    const PhRegimenReport& regimen = session.phRegimenReport;
    return {level.dose1,
            level.interval1,
            level.dose2,
            level.interval2,
            level.observedAverage[pk::kReportPopulation],
            regimen.desiredAverage,
            regimen.dailyDose[pk::kReportPopulation]};
}

// The windows with their entries as a refusal finds them.
enum Setting { Regimen, OneRoute, TwoRoutes };

std::unique_ptr<QWidget> openSetting(Case& c, Setting setting)
{
    if (setting == Regimen) {
        auto regimen =
            std::make_unique<PHDosageRegimen>(nullptr, c.session.get(), &c.calculator, &c.drugs);
        enter(field(regimen.get(), "lineEdit_desired_avg_conc"), QStringLiteral("12"));
        enter(field(regimen.get(), "lineEdit_current_conc"), QStringLiteral("5"));
        enter(field(regimen.get(), "line_time_x"), QStringLiteral("12"));
        return regimen;
    }
    auto level =
        std::make_unique<PHSerumLevelForecast>(nullptr, c.session.get(), &c.calculator, &c.drugs);
    const QString capsules = QStringLiteral("Oral - Capsules");
    choose(level.get(), "comboBox_route1", capsules);
    enter(field(level.get(), "lineEdit_dose"), QStringLiteral("200"));
    enter(field(level.get(), "lineEdit_interval"), QStringLiteral("12"));
    if (setting == TwoRoutes) {
        choose(level.get(), "comboBox_route2", capsules);
        enter(field(level.get(), "lineEdit_dose_2"), QStringLiteral("100"));
        enter(field(level.get(), "lineEdit_interval_2"), QStringLiteral("24"));
    } else {
        enter(field(level.get(), "line_time_x"), QStringLiteral("12"));
    }
    return level;
}
} // namespace

class TestPhenytoinWindows : public QObject
{
    Q_OBJECT

private slots:
    void regimenDosesEverySetAndHandsOver();
    void regimenRouteChangeClearsTheResults();
    void regimenCurveFollowsACustomVolume();
    void currentConcentrationTypedFirstStays_data();
    void currentConcentrationTypedFirstStays();
    void desiredAverageOfZeroLeavesNoCurve();
    void rangeWithoutAFreeFractionIsNoResult();
    void forecastShowsTheSteadyStateAndRecords();
    void doseTypedOrPastedPastTheLargestSaysWhy();
    void saturatedPopulationShowsNoSteadyStateAndNoGraph();
    void resultGridShowsEachSetUnderItsHeadingWhole();
    void leastSquaresSaturationIsWarned();
    void steadyModeSkipsToSteadyStateAndLeavesOutSaturatedSets();
    void readoutWithoutACurveShowsNoLevel();
    void readoutTimeOutsideTheGraphIsRefused();
    void refusalMovesNothing_data();
    void refusalMovesNothing();
    void refusedEntryLeavesNoFigureWithoutIt_data();
    void refusedEntryLeavesNoFigureWithoutIt();
    void twoRoutesAreNotGraphed();
    void customChangeRecomputes();
    void newFitReachesOpenWindows();
    void productWithoutCustomFTakesItsCatalogueF();
};

void TestPhenytoinWindows::regimenDosesEverySetAndHandsOver()
{
    Case c;
    c.session->freeFraction = 0.2;
    c.setParameters(pk::kBayesian, 4.0, 450.0);
    PHDosageRegimen window(nullptr, c.session.get(), &c.calculator, &c.drugs);
    QCOMPARE(field(&window, "lineEdit_therap_range_1")->text(), QStringLiteral("5.00"));
    QCOMPARE(field(&window, "lineEdit_therap_range_2")->text(), QStringLiteral("10.00"));
    QVERIFY(!requireChild<QGroupBox>(&window, QStringLiteral("groupBox_Graph"))->isEnabled());

    enter(field(&window, "lineEdit_desired_avg_conc"), QStringLiteral("15"));
    enter(field(&window, "lineEdit_current_conc"), QStringLiteral("5"));
    QCOMPARE(field(&window, "lineEdit_dose_pop")->text(), QStringLiteral("393.82"));
    QCOMPARE(field(&window, "lineEdit_loading_dose_pop")->text(), QStringLiteral("494.57"));
    QVERIFY(!field(&window, "lineEdit_dose_bayes")->text().isEmpty());
    QVERIFY(field(&window, "lineEdit_dose_ls")->text().isEmpty());
    QCOMPARE(plot(&window)->graphCount(), 3);
    QCOMPARE(plot(&window)->xAxis->range().upper, 5 * 24.0);
    QCOMPARE(plot(&window)->yAxis->range().upper, 22.5);

    const PhRegimenReport& record = c.session->phRegimenReport;
    QVERIFY(record.done);
    COMPARE_NEARLY(record.dailyDose[pk::kReportPopulation], 393.825, 1e-5);
    QVERIFY(record.dailyDose[pk::kReportBayesian] > 0.0);
    QCOMPARE(record.dailyDose[pk::kReportLeastSquares], -1.0);
    QCOMPARE(record.routeSentence, QStringLiteral("as an Intermittent Infusion."));
    QCOMPARE(record.routeLetter, 'D');
}

void TestPhenytoinWindows::regimenRouteChangeClearsTheResults()
{
    Case c;
    PHDosageRegimen window(nullptr, c.session.get(), &c.calculator, &c.drugs);
    enter(field(&window, "lineEdit_desired_avg_conc"), QStringLiteral("15"));
    choose(&window, "comboBox_route", QStringLiteral("IM - Injection (Fosphenytoin)"));
    QVERIFY(field(&window, "lineEdit_dose_pop")->text().isEmpty());
    QVERIFY(field(&window, "lineEdit_desired_avg_conc")->text().isEmpty());
    QCOMPARE(plot(&window)->graphCount(), 0);
    QCOMPARE(requireChild<QLabel>(&window, QStringLiteral("label_dose_unit"))->text(),
             QStringLiteral("mg(PE)/24hr"));
    // The report keeps the last regimen handed over.
    QVERIFY(c.session->phRegimenReport.done);
    QCOMPARE(c.session->phRegimenReport.routeLetter, 'D');
}

void TestPhenytoinWindows::regimenCurveFollowsACustomVolume()
{
    Case c;
    PHDosageRegimen window(nullptr, c.session.get(), &c.calculator, &c.drugs);
    enter(field(&window, "lineEdit_desired_avg_conc"), QStringLiteral("15"));
    enter(field(&window, "line_time_x"), QStringLiteral("0.48"));
    const QString before = field(&window, "line_blood_level_custom")->text();
    // The dose does not depend on the volume; the level half an hour after it does.
    c.session->pkSets[pk::kCustom][pk::kVd] = 2 * kVd;
    window.custom_pk_change();
    const QString custom = field(&window, "line_blood_level_custom")->text();
    QVERIFY2(custom.toDouble() < 0.6 * before.toDouble(), qPrintable(before + " " + custom));
    QCOMPARE(QString::number(plot(&window)->graph(1)->data()->at(1)->value, 'f', 2), custom);
}

void TestPhenytoinWindows::currentConcentrationTypedFirstStays_data()
{
    QTest::addColumn<bool>("customChange");
    QTest::newRow("typed") << false;
    QTest::newRow("custom change") << true;
}

// The current concentration is the patient's measured level: typed before the desired average,
// also through a custom change, it stays and loads as soon as a desired average is given.
void TestPhenytoinWindows::currentConcentrationTypedFirstStays()
{
    QFETCH(bool, customChange);
    Case c;
    PHDosageRegimen inOrder(nullptr, c.session.get(), &c.calculator, &c.drugs);
    enter(field(&inOrder, "lineEdit_desired_avg_conc"), QStringLiteral("12"));
    enter(field(&inOrder, "lineEdit_current_conc"), QStringLiteral("5"));
    const QString loading = field(&inOrder, "lineEdit_loading_dose_pop")->text();
    QCOMPARE(loading, QStringLiteral("346.20"));

    PHDosageRegimen window(nullptr, c.session.get(), &c.calculator, &c.drugs);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QLineEdit* current = field(&window, "lineEdit_current_conc");
    typeAndTab(current, QStringLiteral("5"));
    if (customChange)
        window.custom_pk_change();
    QCOMPARE(current->text(), QStringLiteral("5"));
    typeAndTab(field(&window, "lineEdit_desired_avg_conc"), QStringLiteral("12"));
    QCOMPARE(field(&window, "lineEdit_loading_dose_pop")->text(), loading);
}

// A desired average of 0 doses 0 mg: neither the curves nor the levels of the regimen before stand
// beside it, and a desired average taken again draws them back from the entries kept.
void TestPhenytoinWindows::desiredAverageOfZeroLeavesNoCurve()
{
    Case c;
    const std::unique_ptr<QWidget> window = openSetting(c, Regimen);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QLineEdit* level = field(window.get(), "line_blood_level_pop");
    const QString atTwelve = level->text();
    const int curves = plot(window.get())->graphCount();
    QCOMPARE(atTwelve, QStringLiteral("4.65"));

    QLineEdit* desired = field(window.get(), "lineEdit_desired_avg_conc");
    typeAndTab(desired, QStringLiteral("0"));
    QCOMPARE(field(window.get(), "lineEdit_dose_pop")->text(), QStringLiteral("0.00"));
    QCOMPARE(plot(window.get())->plottableCount(), 0);
    QCOMPARE(level->text(), QString());
    typeAndTab(field(window.get(), "line_time_x"), QStringLiteral("50"));
    QCOMPARE(level->text(), QString());

    typeAndTab(desired, QStringLiteral("12"));
    QCOMPARE(plot(window.get())->graphCount(), curves);
    QCOMPARE(level->text(), atTwelve);
}

void TestPhenytoinWindows::rangeWithoutAFreeFractionIsNoResult()
{
    // A child without a height has no free fraction (-1): 10 / (-1 / 0.1) is no range.
    Case c;
    c.session->freeFraction = -1.0;
    PHDosageRegimen regimen(nullptr, c.session.get(), &c.calculator, &c.drugs);
    PHSerumLevelForecast forecast(nullptr, c.session.get(), &c.calculator, &c.drugs);
    for (QWidget* w : {static_cast<QWidget*>(&regimen), static_cast<QWidget*>(&forecast)}) {
        QCOMPARE(field(w, "lineEdit_therap_range_1")->text(), QStringLiteral("no result"));
        QCOMPARE(field(w, "lineEdit_therap_range_2")->text(), QStringLiteral("no result"));
    }
}

void TestPhenytoinWindows::forecastShowsTheSteadyStateAndRecords()
{
    Case c;
    PHSerumLevelForecast window(nullptr, c.session.get(), &c.calculator, &c.drugs);
    enterDailyDose(&window);
    QCOMPARE(field(&window, "lineEdit_avg_level_pop")->text(), QStringLiteral("7.02"));
    QCOMPARE(field(&window, "lineEdit_steady_state_time_custom")->text(), QStringLiteral("4.66"));
    QCOMPARE(field(&window, "lineEdit_free_fraction_pop")->text(), QStringLiteral("10.00"));
    QCOMPARE(plot(&window)->graphCount(), 2);
    COMPARE_NEARLY(plot(&window)->xAxis->range().upper, 119.52, 1e-12);
    COMPARE_NEARLY(plot(&window)->yAxis->range().upper, 1.5 * 7.023214, 1e-6);

    const PhLevelForecastReport& record = c.session->phLevelForecastReport;
    QVERIFY(record.done);
    QCOMPARE(record.dose1, 300.0);
    COMPARE_NEARLY(record.observedAverage[pk::kReportCustom], 7.023214, 1e-6);
    QCOMPARE(record.route1Sentence, QStringLiteral("as an Intermittent Infusion"));
    QCOMPARE(record.dose2, -1.0);
}

// A dose past the largest is refused in the general forecast windows' words, typed or pasted,
// also one of more digits than a number can hold: the field keeps the text, marked, and nothing
// is forecast until a dose is taken again.
void TestPhenytoinWindows::doseTypedOrPastedPastTheLargestSaysWhy()
{
    Case c;
    PHSerumLevelForecast window(nullptr, c.session.get(), &c.calculator, &c.drugs);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    enterDailyDose(&window);
    QLineEdit* dose = field(&window, "lineEdit_dose");
    const auto* notice = requireChild<QLabel>(&window, QStringLiteral("label_refusal"));
    const QString refusal =
        QStringLiteral("Enter a number of at most %1.").arg(QString::number(pk::kMostDose, 'f', 0));
    for (const QString& typed : {QStringLiteral("999999999"), QString(400, QLatin1Char('9'))}) {
        QGuiApplication::clipboard()->setText(typed);
        for (const bool pasted : {false, true}) {
            dose->clear();
            QVERIFY(!notice->isVisible());
            if (pasted)
                QTest::keySequence(dose, QKeySequence::Paste);
            else
                QTest::keyClicks(dose, typed);
            QTest::keyClick(dose, Qt::Key_Return);
            QCOMPARE(dose->text(), typed);
            QVERIFY(notice->isVisible());
            QCOMPARE(notice->text(), refusal);
            QCOMPARE(dose->toolTip(), refusal);
            QVERIFY(field(&window, "lineEdit_avg_level_pop")->text().isEmpty());
        }
    }
    dose->clear();
    QTest::keyClicks(dose, QStringLiteral("300"));
    QTest::keyClick(dose, Qt::Key_Return);
    QVERIFY(!notice->isVisible());
    QCOMPARE(field(&window, "lineEdit_avg_level_pop")->text(), QStringLiteral("7.02"));
    // A count keeps its point and is refused for it, never read as 15 doses.
    QLineEdit* count = field(&window, "line_num_of_dose");
    count->clear();
    QTest::keyClicks(count, QStringLiteral("1.5"));
    QTest::keyClick(count, Qt::Key_Return);
    QCOMPARE(count->text(), QStringLiteral("1.5"));
    QCOMPARE(notice->text(), QStringLiteral("Enter a whole number from 1 to 99."));
}

void TestPhenytoinWindows::saturatedPopulationShowsNoSteadyStateAndNoGraph()
{
    PromptScript prompts;
    Case c;
    PHSerumLevelForecast window(nullptr, c.session.get(), &c.calculator, &c.drugs);
    enter(field(&window, "lineEdit_interval"), QStringLiteral("24"));
    enter(field(&window, "lineEdit_dose"), QStringLiteral("300"));
    QCOMPARE(plot(&window)->graphCount(), 2);
    const PhLevelForecastReport before = c.session->phLevelForecastReport;
    QLineEdit* readout = field(&window, "line_blood_level_pop");
    enter(field(&window, "line_time_x"), QStringLiteral("100"));
    QVERIFY(!readout->text().isEmpty());

    enter(field(&window, "lineEdit_dose"), QStringLiteral("600"));
    // The level read off the earlier regimen's curve goes with the curve.
    QCOMPARE(readout->text(), QString());
    QCOMPARE(field(&window, "lineEdit_avg_level_pop")->text(), QStringLiteral("no steady state"));
    QCOMPARE(field(&window, "lineEdit_steady_state_time_custom")->text(),
             QStringLiteral("no steady state"));
    QVERIFY(window.saturationNotice().isShowing());
    QCOMPARE(plot(&window)->graphCount(), 0);
    QCOMPARE(c.session->phLevelForecastReport.dose1, before.dose1);
    // One warning names every set past its Vmax.
    QCOMPARE(prompts.takeShown(),
             QStringLiteral("Warning|Daily Dosage is greater than Population and Custom Vmax."));

    // Still open: entering the dose again shows no second box.
    enter(field(&window, "lineEdit_dose"), QStringLiteral("600"));
    QVERIFY(prompts.take().empty());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestPhenytoinWindows::resultGridShowsEachSetUnderItsHeadingWhole()
{
    const testsupport::DesktopLook look(
        SessionData::readTextFile(QStringLiteral(":/stylesheet/style2.qss")));
    QVERIFY2(look.fontProblem().isEmpty(), qPrintable(look.fontProblem()));
    PromptScript prompts;
    Case c;
    c.setParameters(pk::kBayesian, 4.0, 450.0, 0.9);
    c.session->routeList << QStringLiteral("Oral - Tablets"); // the fitted F applies to tablets
    PHSerumLevelForecast window(nullptr, c.session.get(), &c.calculator, &c.drugs);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    choose(&window, "comboBox_route1", QStringLiteral("Oral - Tablets"));
    enter(field(&window, "lineEdit_dose"), QStringLiteral("600"));
    enter(field(&window, "lineEdit_interval"), QStringLiteral("24"));
    QCOMPARE(prompts.takeShown(), QStringLiteral("Warning|Daily Dosage is greater than "
                                                 "Population, Custom and Bayesian Vmax."));

    // 600 mg a day is past every Vmax: each set's column reads "no steady state" whole.
    const struct {
        const char* heading;
        const char* suffix;
        const char* fHeading;
    } columns[] = {{"label_pop", "pop", "label_f1_pop"},
                   {"label_custom", "custom", "label_f1_custom"},
                   {"label_bayes", "bayes", "label_f1_bayes"}};
    for (const auto& column : columns) {
        for (const char* row : {"avg_level", "adj_avg_level", "steady_state_time"}) {
            QLineEdit* result = field(
                &window, qPrintable(QStringLiteral("lineEdit_%1_%2").arg(row, column.suffix)));
            QCOMPARE(result->text(), QStringLiteral("no steady state"));
            QVERIFY2(showsWhole(result), qPrintable(result->objectName()));
            QVERIFY2(under(&window, column.heading, result), qPrintable(result->objectName()));
        }
        const auto* f = requireChild<QLabel>(
            &window, QStringLiteral("label_f1_value_%1").arg(QLatin1String(column.suffix)));
        QVERIFY2(under(&window, column.fHeading, f), qPrintable(f->objectName()));
    }
    QCOMPARE(requireChild<QLabel>(&window, QStringLiteral("label_f1_value_bayes"))->text(),
             QStringLiteral("90.0%"));
    // Least squares is never fitted for phenytoin: no empty column stands for it.
    QVERIFY(!requireChild<QLabel>(&window, QStringLiteral("label_ls"))->isVisible());

    const auto* notice = requireChild<QLabel>(&window, QStringLiteral("label_warning"));
    const QRect needed = notice->fontMetrics().boundingRect(
        notice->contentsRect(), int(notice->alignment()) | Qt::TextWordWrap, notice->text());
    QVERIFY2(notice->contentsRect().contains(needed), qPrintable(notice->text()));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestPhenytoinWindows::leastSquaresSaturationIsWarned()
{
    PromptScript prompts;
    Case c;
    c.setParameters(pk::kLeastSquares, kKm, 250.0);
    PHSerumLevelForecast window(nullptr, c.session.get(), &c.calculator, &c.drugs);
    enterDailyDose(&window);
    QCOMPARE(prompts.takeShown(),
             QStringLiteral("Warning|Daily Dosage is greater than Least Square Vmax."));
    QCOMPARE(field(&window, "lineEdit_avg_level_ls")->text(), QStringLiteral("no steady state"));
    QCOMPARE(c.session->phLevelForecastReport.observedAverage[pk::kReportLeastSquares], -1.0);
    QVERIFY(c.session->phLevelForecastReport.observedAverage[pk::kReportPopulation] > 0.0);
    QCOMPARE(plot(&window)->graphCount(), 2);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestPhenytoinWindows::steadyModeSkipsToSteadyStateAndLeavesOutSaturatedSets()
{
    PromptScript prompts;
    Case c;
    c.setParameters(pk::kCustom, kKm, 250.0);
    PHSerumLevelForecast window(nullptr, c.session.get(), &c.calculator, &c.drugs);
    enterDailyDose(&window);
    prompts.take();

    auto* steady = requireChild<QRadioButton>(&window, QStringLiteral("radioButton_steady"));
    steady->click();
    // 90 % of steady state after 4.66 days: the graph starts after five whole days.
    QCOMPARE(plot(&window)->xAxis->range().lower, 120.0);
    QCOMPARE(plot(&window)->graphCount(), 1);
    QVERIFY2(warning(&window).contains(QStringLiteral("Custom")), qPrintable(warning(&window)));

    // The read-out samples the steady pass at the axis time, where the curve is drawn.
    enter(field(&window, "line_time_x"), QStringLiteral("120"));
    const QString atStart = QString::number(plot(&window)->graph(0)->data()->at(0)->value, 'f', 2);
    QCOMPARE(field(&window, "line_blood_level_pop")->text(), atStart);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestPhenytoinWindows::readoutWithoutACurveShowsNoLevel()
{
    const testsupport::DesktopLook look(
        SessionData::readTextFile(QStringLiteral(":/stylesheet/style2.qss")));
    QVERIFY2(look.fontProblem().isEmpty(), qPrintable(look.fontProblem()));
    PromptScript prompts;
    Case c;
    c.setParameters(pk::kCustom, kKm, 250.0);
    PHSerumLevelForecast forecast(nullptr, c.session.get(), &c.calculator, &c.drugs);
    forecast.show();
    QVERIFY(QTest::qWaitForWindowExposed(&forecast));
    enterDailyDose(&forecast);
    prompts.take();
    // The one time both graphs show: the end of the fifth dose, where the steady graph starts.
    enter(field(&forecast, "line_time_x"), QStringLiteral("120"));
    QVERIFY(field(&forecast, "line_blood_level_custom")->text().toDouble() > 0.0);
    // At steady state the saturated custom set has no curve, so no level at that time either.
    requireChild<QRadioButton>(&forecast, QStringLiteral("radioButton_steady"))->click();
    QCOMPARE(field(&forecast, "line_blood_level_custom")->text(),
             QStringLiteral("no steady state"));
    QVERIFY(showsWhole(field(&forecast, "line_blood_level_custom")));

    // A custom volume of 0 gives a daily dose but no curve: its level is not 0.00.
    c.session->pkSets[pk::kCustom][pk::kVd] = 0.0;
    PHDosageRegimen regimen(nullptr, c.session.get(), &c.calculator, &c.drugs);
    enter(field(&regimen, "lineEdit_desired_avg_conc"), QStringLiteral("15"));
    enter(field(&regimen, "line_time_x"), QStringLiteral("12"));
    QVERIFY(!field(&regimen, "lineEdit_dose_custom")->text().isEmpty());
    QCOMPARE(field(&regimen, "line_blood_level_custom")->text(), QStringLiteral("no result"));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

// A time past the graph's end has no level of its own to show: it is refused, naming the span,
// and no level stands beside it.
void TestPhenytoinWindows::readoutTimeOutsideTheGraphIsRefused()
{
    Case c;
    PHSerumLevelForecast window(nullptr, c.session.get(), &c.calculator, &c.drugs);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    enterDailyDose(&window);
    enter(field(&window, "line_num_of_dose"), QStringLiteral("15"));
    QLineEdit* time = field(&window, "line_time_x");
    QLineEdit* level = field(&window, "line_blood_level_pop");
    const auto* notice = requireChild<QLabel>(&window, QStringLiteral("label_refusal"));
    // 15 doses every 24 h: the graph spans 0 to 360 h, its end included.
    struct Entry {
        const char* typed;
        const char* refusal;
    };
    const Entry entries[] = {
        {"360", ""},
        {"999999999",
         "Time (999999999.0 Hours) lies outside the graph, which spans 0.0 to 360.0 Hours."},
        // Past the end by less than one decimal shows: named with the decimals that show it.
        {"360.01", "Time (360.01 Hours) lies outside the graph, which spans 0.00 to 360.00 Hours."},
        {"360", ""}};
    for (const Entry& entry : entries) {
        time->clear();
        QTest::keyClicks(time, QLatin1String(entry.typed));
        QTest::keyClick(time, Qt::Key_Return);
        const bool refused = *entry.refusal != '\0';
        QCOMPARE(notice->isVisible(), refused);
        QCOMPARE(time->toolTip(), QString::fromLatin1(entry.refusal));
        QCOMPARE(time->styleSheet().isEmpty(), !refused);
        QCOMPARE(level->text().isEmpty(), refused);
    }
    // 100 mg every 8.2 h: the span shrinks to 0 to 15 x 8.2 = 123 h. The time taken before is
    // refused, and the span's end, typed as it is named, is taken.
    enter(field(&window, "lineEdit_dose"), QStringLiteral("100"));
    enter(field(&window, "lineEdit_interval"), QStringLiteral("8.2"));
    QCOMPARE(time->toolTip(),
             QStringLiteral(
                 "Time (360.0 Hours) lies outside the graph, which spans 0.0 to 123.0 Hours."));
    QVERIFY(level->text().isEmpty());
    time->clear();
    QTest::keyClicks(time, QLatin1String("123"));
    QTest::keyClick(time, Qt::Key_Return);
    QCOMPARE(time->toolTip(), QString());
    QVERIFY(!level->text().isEmpty());
}

void TestPhenytoinWindows::refusalMovesNothing_data()
{
    QTest::addColumn<bool>("regimen");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("pointSize");
    const QStringList regimenEntries{"lineEdit_desired_avg_conc", "lineEdit_current_conc",
                                     "line_initial_concentration", "line_num_of_dose",
                                     "line_time_x"};
    const QStringList levelEntries{"lineEdit_dose",    "lineEdit_interval",
                                   "lineEdit_dose_2",  "line_initial_concentration",
                                   "line_num_of_dose", "line_time_x"};
    for (const int size :
         {testsupport::DesktopLook::windowsPointSize, testsupport::DesktopLook::linuxPointSize}) {
        for (const bool regimen : {true, false}) {
            for (const QString& entry : regimen ? regimenEntries : levelEntries)
                QTest::addRow("%s %s, %d pt", regimen ? "regimen" : "level", qPrintable(entry),
                              size)
                    << regimen << entry << size;
        }
    }
}

// A refusal moves nothing the user may be about to click, and its notice shows it whole: past
// each field's bound, and for the time with more digits than the field takes, the longest refusal
// there is, naming the time outside the graph.
void TestPhenytoinWindows::refusalMovesNothing()
{
    QFETCH(bool, regimen);
    QFETCH(QString, entry);
    QFETCH(int, pointSize);
    const testsupport::DesktopLook look(
        SessionData::readTextFile(QStringLiteral(":/stylesheet/style2.qss")), pointSize);
    QVERIFY2(look.fontProblem().isEmpty(), qPrintable(look.fontProblem()));
    PromptScript prompts;
    Case c;
    std::unique_ptr<QWidget> window;
    if (regimen) {
        window.reset(new PHDosageRegimen(nullptr, c.session.get(), &c.calculator, &c.drugs));
        enter(field(window.get(), "lineEdit_desired_avg_conc"), QStringLiteral("15"));
    } else {
        window.reset(new PHSerumLevelForecast(nullptr, c.session.get(), &c.calculator, &c.drugs));
        // An oral first route opens the second route's fields.
        choose(window.get(), "comboBox_route1", QStringLiteral("Oral - Capsules"));
        enterDailyDose(window.get());
    }
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    testsupport::settleLayouts();
    const QHash<const QWidget*, QRect> before = placesShown(window.get());

    QLineEdit* refused = field(window.get(), qPrintable(entry));
    QVERIFY(refused->isEnabled());
    refused->clear();
    const bool time = entry == QLatin1String("line_time_x");
    QTest::keyClicks(refused, QString(time ? 300 : 8, QLatin1Char('9')));
    QTest::keyClick(refused, Qt::Key_Return);
    testsupport::settleLayouts();
    const auto* notice = requireChild<QLabel>(window.get(), QStringLiteral("label_refusal"));
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->text(), refused->toolTip());
    // Every widget shown before, the notice not among them, stays where it was.
    const QHash<const QWidget*, QRect> after = placesShown(window.get());
    for (auto place = before.cbegin(); place != before.cend(); ++place)
        QVERIFY2(after.value(place.key()) == place.value(), qPrintable(place.key()->objectName()));
    const QRect needed = notice->fontMetrics().boundingRect(
        notice->contentsRect(), int(notice->alignment()) | Qt::TextWordWrap, notice->text());
    QVERIFY2(notice->contentsRect().contains(needed), qPrintable(notice->text()));
    QVERIFY(
        window->rect().contains(QRect(notice->mapTo(window.get(), QPoint(0, 0)), notice->size())));
    // The notice's line costs no field its height.
    for (const QLineEdit* edit : window->findChildren<QLineEdit*>())
        QVERIFY2(!edit->isVisible() || edit->height() >= edit->sizeHint().height(),
                 qPrintable(edit->objectName()));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestPhenytoinWindows::refusedEntryLeavesNoFigureWithoutIt_data()
{
    QTest::addColumn<int>("setting");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<QString>("figure");
    QTest::addColumn<QString>("shown");
    struct Row {
        const char* name;
        Setting setting;
        const char* entry;
        const char* refused;
        const char* figure;
        const char* shown;
    };
    // 200 mg every 12 h with 100 mg once a day, both as capsules: 65.55 mg/L, and 15.89 mg/L
    // without the 100 mg. The regimen of 12 mg/L from 5 mg/L loads (12 - 5) x 45.5 L / 0.92. The
    // read-outs are the population levels 12 h after the first dose.
    const Row rows[] = {{"route 2 interval 0", TwoRoutes, "lineEdit_interval_2", "0",
                         "lineEdit_avg_level_pop", "65.55"},
                        {"route 2 interval 0.001", TwoRoutes, "lineEdit_interval_2", "0.001",
                         "lineEdit_avg_level_pop", "65.55"},
                        {"route 2 interval 100000", TwoRoutes, "lineEdit_interval_2", "100000",
                         "lineEdit_avg_level_pop", "65.55"},
                        {"route 2 dose past the largest", TwoRoutes, "lineEdit_dose_2", "99999999",
                         "lineEdit_avg_level_pop", "65.55"},
                        {"route 1 interval 0", OneRoute, "lineEdit_interval", "0",
                         "lineEdit_avg_level_pop", "15.89"},
                        {"level number of doses 1.5", OneRoute, "line_num_of_dose", "1.5",
                         "line_blood_level_pop", "2.33"},
                        {"level initial level past the largest", OneRoute,
                         "line_initial_concentration", "9999999", "line_blood_level_pop", "2.33"},
                        {"desired average past the largest", Regimen, "lineEdit_desired_avg_conc",
                         "2000000", "lineEdit_loading_dose_pop", "346.20"},
                        {"regimen number of doses 100", Regimen, "line_num_of_dose", "100",
                         "line_blood_level_pop", "4.65"},
                        {"regimen initial level past the largest", Regimen,
                         "line_initial_concentration", "9999999", "line_blood_level_pop", "4.65"}};
    for (const Row& r : rows)
        QTest::newRow(r.name) << int(r.setting) << QString::fromLatin1(r.entry)
                              << QString::fromLatin1(r.refused) << QString::fromLatin1(r.figure)
                              << QString::fromLatin1(r.shown);
}

// While an entry holds a refused value no figure computed without it stands, nor reaches the
// report, and the other entries keep what the user typed; taking the entry again, also as it was
// before, brings every figure back.
void TestPhenytoinWindows::refusedEntryLeavesNoFigureWithoutIt()
{
    QFETCH(int, setting);
    QFETCH(QString, entry);
    QFETCH(QString, refused);
    QFETCH(QString, figure);
    QFETCH(QString, shown);
    Case c;
    const std::unique_ptr<QWidget> window = openSetting(c, Setting(setting));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QLineEdit* typed = field(window.get(), qPrintable(entry));
    const QString accepted = typed->text();
    const QHash<const QLineEdit*, QString> entries = fieldTexts(window.get(), true);
    const QHash<const QLineEdit*, QString> figures = fieldTexts(window.get(), false);
    const int curves = plot(window.get())->graphCount();
    const QVector<double> record = recorded(*c.session);
    QLineEdit* watched = field(window.get(), qPrintable(figure));
    QCOMPARE(watched->text(), shown);

    retype(typed, refused);
    const auto* notice = requireChild<QLabel>(window.get(), QStringLiteral("label_refusal"));
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->text(), typed->toolTip());
    QCOMPARE(typed->text(), refused);
    QCOMPARE(watched->text(), QString());
    QCOMPARE(plot(window.get())->graphCount(), 0);
    QCOMPARE(recorded(*c.session), record);
    QCOMPARE(changedField(entries, typed), QString());

    retype(typed, accepted);
    QVERIFY(!notice->isVisible());
    QCOMPARE(changedField(figures, nullptr), QString());
    QCOMPARE(plot(window.get())->graphCount(), curves);
}

void TestPhenytoinWindows::twoRoutesAreNotGraphed()
{
    Case c;
    PHSerumLevelForecast window(nullptr, c.session.get(), &c.calculator, &c.drugs);
    choose(&window, "comboBox_route1", QStringLiteral("Oral - Capsules"));
    enterDailyDose(&window);
    QCOMPARE(plot(&window)->graphCount(), 2);
    choose(&window, "comboBox_route2", QStringLiteral("Oral - Tablets"));
    enter(field(&window, "lineEdit_dose_2"), QStringLiteral("100"));
    enter(field(&window, "lineEdit_interval_2"), QStringLiteral("12"));
    COMPARE_NEARLY(c.session->phLevelForecastReport.observedAverage[pk::kReportPopulation], 113.05,
                   1e-9);
    QCOMPARE(c.session->phLevelForecastReport.route2Letter, 'O');
    QCOMPARE(plot(&window)->graphCount(), 0);
    QCOMPARE(warning(&window), QStringLiteral("No graph for two\nroutes calculation..."));

    // Another second product drops the second route and draws route 1 again.
    choose(&window, "comboBox_route2", QStringLiteral("Oral - Suspension"));
    QVERIFY(field(&window, "lineEdit_dose_2")->text().isEmpty());
    QCOMPARE(c.session->phLevelForecastReport.route2Letter, char(0));
    QCOMPARE(plot(&window)->graphCount(), 2);
}

void TestPhenytoinWindows::customChangeRecomputes()
{
    Case c;
    PHSerumLevelForecast window(nullptr, c.session.get(), &c.calculator, &c.drugs);
    enterDailyDose(&window);
    c.setParameters(pk::kCustom, 4.0, kVmax);
    window.custom_pk_change();
    QCOMPARE(field(&window, "lineEdit_avg_level_custom")->text(),
             QString::number(4.0 * 276.0 / (kVmax - 276.0), 'f', 2));
    QCOMPARE(field(&window, "lineEdit_avg_level_pop")->text(), QStringLiteral("7.02"));

    // The case page's custom edit renews Km alone; both windows show the Km they compute with,
    // and the Vmax, each in its own unit.
    c.session->pkSets[pk::kCustom][pk::kKm] = 3.0;
    window.custom_pk_change();
    PHDosageRegimen regimen(nullptr, c.session.get(), &c.calculator, &c.drugs);
    const QStringList expected = {"Km:", "3.00", "mg/L", "Vmax:", "500.00", "mg/day"};
    for (QWidget* w : {static_cast<QWidget*>(&window), static_cast<QWidget*>(&regimen)}) {
        QStringList shown;
        for (const char* name : {"label_cl", "label_cl_custom", "label_cl_unit", "label_vmax",
                                 "label_vmax_custom", "label_vmax_unit"})
            shown << requireChild<QLabel>(w, QString::fromLatin1(name))->text();
        QCOMPARE(shown, expected);
    }
}

// A fit run while the windows are open: the product's fitted F, the fitted parameters and the
// figures become those a window opened afresh shows; a fit that went leaves nothing of itself.
void TestPhenytoinWindows::newFitReachesOpenWindows()
{
    PromptScript prompts;
    Case c;
    const QString tablets = QStringLiteral("Oral - Tablets");
    c.session->routeList << tablets; // the fitted F applies to tablets
    c.setParameters(pk::kBayesian, 4.0, 450.0, 0.9);
    PHDosageRegimen regimen(nullptr, c.session.get(), &c.calculator, &c.drugs);
    choose(&regimen, "comboBox_route", tablets);
    enter(field(&regimen, "lineEdit_desired_avg_conc"), QStringLiteral("15"));
    PHSerumLevelForecast forecast(nullptr, c.session.get(), &c.calculator, &c.drugs);
    enterDailyDose(&forecast);

    c.setParameters(pk::kBayesian, 4.0, 400.0, 0.8);
    regimen.fitted_sets_change(false);
    QVERIFY(c.session->holdsStampedSet(c.session->phRegimenReport.fittedFrom, pk::kReportBayesian));
    PHDosageRegimen afresh(nullptr, c.session.get(), &c.calculator, &c.drugs);
    choose(&afresh, "comboBox_route", tablets);
    enter(field(&afresh, "lineEdit_desired_avg_conc"), QStringLiteral("15"));
    for (const char* label : {"label_f_value_bayes", "label_vmax_bayes"})
        QCOMPARE(requireChild<QLabel>(&regimen, QLatin1String(label))->text(),
                 requireChild<QLabel>(&afresh, QLatin1String(label))->text());
    QCOMPARE(field(&regimen, "lineEdit_dose_bayes")->text(),
             field(&afresh, "lineEdit_dose_bayes")->text());

    // 300 mg a day past the new Vmax of 250 mg/day: told in the figures alone when the fit ran
    // at a save.
    c.setParameters(pk::kBayesian, 4.0, 250.0, 0.8);
    forecast.fitted_sets_change(true);
    QCOMPARE(field(&forecast, "lineEdit_avg_level_bayes")->text(),
             QStringLiteral("no steady state"));
    QVERIFY(prompts.take().empty());

    c.session->pkSets[pk::kBayesian][pk::kF] = -1.0;
    regimen.fitted_sets_change(false);
    forecast.fitted_sets_change(true);
    QCOMPARE(c.session->phRegimenReport.dailyDose[pk::kReportBayesian], -1.0);
    for (QLineEdit* figure :
         {field(&regimen, "lineEdit_dose_bayes"), field(&forecast, "lineEdit_avg_level_bayes")})
        QVERIFY2(figure->text().isEmpty(), qPrintable(figure->objectName()));
    for (QWidget* w : {static_cast<QWidget*>(&regimen), static_cast<QWidget*>(&forecast)})
        QVERIFY(requireChild<QLabel>(w, QStringLiteral("label_vd_bayes"))->text().isEmpty());
    QVERIFY(
        requireChild<QLabel>(&forecast, QStringLiteral("label_f1_value_bayes"))->text().isEmpty());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

// A stored case whose custom list lacks a product: the product's own F, never "-100.0%".
void TestPhenytoinWindows::productWithoutCustomFTakesItsCatalogueF()
{
    Case c;
    c.session->ageYears = 0.05; // a neonate: the catalogue's phenytoin F is 0.9
    const int tablets = c.session->routeNames.indexOf(QStringLiteral("Oral - Tablets"));
    c.session->routeNames.remove(tablets);
    c.session->routeF.remove(tablets);
    PHDosageRegimen window(nullptr, c.session.get(), &c.calculator, &c.drugs);
    choose(&window, "comboBox_route", QStringLiteral("Oral - Tablets"));
    window.custom_pk_change();
    QCOMPARE(requireChild<QLabel>(&window, QStringLiteral("label_f_value_custom"))->text(),
             QStringLiteral("90.0%"));
    enter(field(&window, "lineEdit_desired_avg_conc"), QStringLiteral("15"));
    QCOMPARE(field(&window, "lineEdit_dose_custom")->text(),
             field(&window, "lineEdit_dose_pop")->text());
}

TALVORA_TEST_MAIN(TestPhenytoinWindows)
#include "tst_phenytoinwindows.moc"
