#include "analysis/graphicAnalysis.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "tests/analysis/tst_analysis_fixture.h"
#include "tests/support/ChildWidgets.h"
#include "tests/support/NearlyEqual.h"
#include "tests/support/TestMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <qcustomplot.h>

#include <memory>

using testsupport::requireChild;

namespace
{
constexpr double kGraphEnd = 56.0;
constexpr double kPhenytoinInputRate = 60.0;

void addLevel(SessionData& s, double t, double value)
{
    const int i = ++s.levelCount;
    s.levelTimes[i] = t;
    s.levelValues[i] = value;
    s.levelAgeReferenceTime = std::max(s.levelAgeReferenceTime, t);
}

// Two decimals, as the Math Tool's boxes show a level or an area.
double shown(double value)
{
    return std::round(value * 100.0) / 100.0;
}

// Simpson's rule over the engine's level function: an area found without the window's road.
template <typename Level> double simpson(Level level, double t1, double t2)
{
    const int n = 2000;
    const double h = (t2 - t1) / n;
    double sum = level(t1) + level(t2);
    for (int i = 1; i < n; ++i)
        sum += (i % 2 ? 4.0 : 2.0) * level(t1 + i * h);
    return sum * h / 3.0;
}
} // namespace

class TestGraphicAnalysis : public QObject
{
    Q_OBJECT

public:
    TestGraphicAnalysis() : calculator(&session) {}

private slots:
    void init();
    void cleanup() { window.reset(); }
    void analysisFillsTheWindowAndTheHandOver();
    void levelTablePairsEachLevelWithItsOwnTime();
    void setWithoutFitIsLeftOut_data();
    void setWithoutFitIsLeftOut();
    void mathToolReadsLevelsAndAreaOfTheChosenSet();
    void customPriorIsTheCurveAndTheNameThroughoutTheWindow();
    void displayAndFillActOnTheirOwnCurve_data();
    void displayAndFillActOnTheirOwnCurve();
    void unitSwitchMovesTheGraphAndResetsTheTools_data();
    void unitSwitchMovesTheGraphAndResetsTheTools();
    void phenytoinHasNoLeastSquaresParts();
    void setWithNegativeK12HasNoCurve();
    void rendersTheCurves();

private:
    void gentamicinCase();
    void analyse(double graphEnd = kGraphEnd);
    double populationLevel(double t)
    {
        const PkParameterSet& p = session.pkSets[pk::kPopulation];
        return calculator.levelFromDoseHistory(p[pk::kCl], p[pk::kVd], p[pk::kF], p[pk::kCF], t);
    }
    template <typename T> T* child(const char* name)
    {
        return requireChild<T>(window.get(), QString::fromLatin1(name));
    }

    SessionData session;
    PkCalculator calculator;
    std::unique_ptr<graphicAnalysis> window;
};

void TestGraphicAnalysis::init()
{
    session = SessionData();
    session.patient.drugCode = "GM";
    session.patient.firstName = "Ada";
    session.patient.lastName = "Lowe";
    session.modelType = pk::kModelOneComp;
    session.levelErrorFactor = 0.1;
    session.levelErrorConstant = 0.25;
    session.levelAgeWeightBase = 1.005;
    session.levelAgeReferenceTime = -1.0;
    session.levelUpperLimit = 10.0;
    session.levelLowerLimit = 1.0;
    session.populationRanges = RangeBlock{0, 0.05, 0.3, 0.5, 0.5};
    setSet(session.pkSets[pk::kPopulation], 1.0, 20.0, 6.0, 1.0);
    setSet(session.pkSets[pk::kCustom], 1.0, 25.0, 5.0, 1.0);
    session.pkSets[pk::kLeastSquares][pk::kF] = -1.0;
    session.pkSets[pk::kBayesian][pk::kF] = -1.0;
}

// Gentamicin 120 mg over 0.5 h every 8 h in hospital; levels of a patient with V 18 and CL 4,
// entered out of time order.
void TestGraphicAnalysis::gentamicinCase()
{
    for (int dose = 0; dose < 6; ++dose)
        addEvent(session, dose * 8.0, 120.0, pk::kRouteCodeIntravenous, pk::kInPatient, 0.5);
    const std::pair<double, double> samples[] = {
        {47.5, 1.02}, {16.5, 1.03}, {40.5, 0.98}, {23.5, 0.97}};
    for (const auto& [t, deviation] : samples)
        addLevel(session, t, deviation * calculator.levelFromDoseHistory(4.0, 18.0, 1.0, 1.0, t));
}

void TestGraphicAnalysis::analyse(double graphEnd)
{
    if (!window)
        window = std::make_unique<graphicAnalysis>(nullptr, &session, &calculator, nullptr);
    window->setPrior(pk::kPopulation, session.populationRanges);
    window->setGraphEndTime(graphEnd);
    window->initFromCase();
}

void TestGraphicAnalysis::analysisFillsTheWindowAndTheHandOver()
{
    gentamicinCase();
    window = std::make_unique<graphicAnalysis>(nullptr, &session, &calculator, nullptr);
    QStringList received;
    connect(window.get(), &graphicAnalysis::bayesDataSend, [&] {
        received << "bayes";
        QVERIFY(session.pkSets[pk::kBayesian][pk::kF] > 0.0); // the fits come first
    });
    connect(window.get(), &graphicAnalysis::LSDataSend, [&] { received << "ls"; });
    analyse();
    analyse(); // a second analysis stacks nothing
    QCOMPARE(received, (QStringList{"bayes", "ls", "bayes", "ls"}));
    QCOMPARE(window->windowTitle(),
             QStringLiteral("Curve Fitting Analysis:  Lowe, Ada, Gentamicin"));

    QCustomPlot* plot = child<QCustomPlot>("graph_1");
    QCOMPARE(plot->graphCount(), 6);
    QCOMPARE(plot->graph(graphicAnalysis::kGraphLevels)->dataCount(), 4);
    QCOMPARE(plot->yAxis->range().upper, 1.2 * session.reportGraphMax);

    // The hand-over: 5000 points in hours, each curve the level of its set at that time.
    QCOMPARE(session.graphTimes.size(), 5000);
    COMPARE_NEARLY(session.graphTimes.last(), kGraphEnd * 4999.0 / 5000.0, 1e-12);
    for (const QVector<double>* curve :
         {&session.graphPrior, &session.graphLs, &session.graphBayes})
        QCOMPARE(curve->size(), 5000);
    const int i = 2345;
    COMPARE_NEARLY(session.graphPrior[i], populationLevel(session.graphTimes[i]), 1e-12);
    const PkParameterSet& bayes = session.pkSets[pk::kBayesian];
    COMPARE_NEARLY(session.graphBayes[i],
                   calculator.levelFromDoseHistory(bayes[pk::kCl], bayes[pk::kVd], bayes[pk::kF],
                                                   bayes[pk::kCF], session.graphTimes[i]),
                   1e-12);
    double largest = session.levelUpperLimit;
    for (const QVector<double>* curve :
         {&session.graphPrior, &session.graphLs, &session.graphBayes})
        largest = std::max(largest, *std::max_element(curve->begin(), curve->end()));
    QCOMPARE(session.reportGraphMax, largest);

    QCOMPARE(child<QLabel>("label_vd_bayes")->text(), QString::number(bayes[pk::kVd], 'f', 2));
    QCOMPARE(child<QLabel>("label_cf_pop")->text(), QStringLiteral("100.00"));
    QVERIFY(child<QWidget>("widget_vmax")->isHidden());
}

// With a pre-dose level of 0 at the first dose: every level, the 0 among them, sits in time
// order with the predictions at its own time, to the hundredth.
void TestGraphicAnalysis::levelTablePairsEachLevelWithItsOwnTime()
{
    gentamicinCase();
    addLevel(session, 0.0, 0.0);
    analyse();
    const double times[] = {0.0, 16.5, 23.5, 40.5, 47.5};
    const double measured[] = {0.0, session.levelValues[2], session.levelValues[4],
                               session.levelValues[3], session.levelValues[1]};
    // Population V 20, CL 6: 240 mg/h for 0.5 h every 8 h, each dose rising to
    // 40 (1 - e^(-0.3 s)) and falling by e^(-0.3 h) after its infusion.
    const auto handLevel = [](double t) {
        double level = 0.0;
        for (double start = 0.0; start <= t; start += 8.0) {
            const double s = t - start;
            level += s < 0.5 ? 40.0 * (1.0 - std::exp(-0.3 * s))
                             : 40.0 * (1.0 - std::exp(-0.15)) * std::exp(-0.3 * (s - 0.5));
        }
        return level;
    };
    for (int r = 0; r < 5; ++r) {
        const auto& row = session.reportTable[r];
        QCOMPARE(row[pk::kTableMeasured], measured[r]);
        COMPARE_NEARLY(row[pk::kTablePrior], handLevel(times[r]), 1e-12);
        QVERIFY(row[pk::kTableBayesian] >= 0.0);
        const QString line = QStringLiteral("line_l%1").arg(r + 1);
        QCOMPARE(child<QLineEdit>(qPrintable(line + "m"))->text(),
                 QString::number(measured[r], 'f', 2));
        QCOMPARE(child<QLineEdit>(qPrintable(line + "i"))->text(),
                 QString::number(handLevel(times[r]), 'f', 2));
    }
    QCOMPARE(session.reportTable[5][pk::kTableMeasured], 0.0);
    QVERIFY(child<QLineEdit>("line_l6m")->text().isEmpty());
}

void TestGraphicAnalysis::setWithoutFitIsLeftOut_data()
{
    QTest::addColumn<bool>("withDoses");
    QTest::addColumn<int>("absentGraph");
    QTest::newRow("least squares from one level")
        << true << int(graphicAnalysis::kGraphLeastSquares);
    QTest::newRow("Bayesian without doses") << false << int(graphicAnalysis::kGraphBayesian);
}

// Neither a line at 0 that reads as a measured zero nor its zeros on the axis.
void TestGraphicAnalysis::setWithoutFitIsLeftOut()
{
    QFETCH(bool, withDoses);
    QFETCH(int, absentGraph);
    if (withDoses) {
        gentamicinCase();
        session.levelCount = 1;
    } else {
        addLevel(session, 2.0, 3.0);
        addLevel(session, 5.0, 2.0);
    }
    analyse();
    QCPGraph* graph = child<QCustomPlot>("graph_1")->graph(absentGraph);
    QVERIFY(graph->name().endsWith("(no fit)"));
    QCOMPARE(graph->dataCount(), 0);
    const QVector<double>& handed =
        absentGraph == graphicAnalysis::kGraphBayesian ? session.graphBayes : session.graphLs;
    QVERIFY(handed.isEmpty());
    if (absentGraph == graphicAnalysis::kGraphLeastSquares)
        QVERIFY(child<QLabel>("label_vd_ls")->text().isEmpty());
}

void TestGraphicAnalysis::mathToolReadsLevelsAndAreaOfTheChosenSet()
{
    gentamicinCase();
    analyse();
    child<QComboBox>("cb_graph_time")->setCurrentText("Days");
    auto* time1 = child<QDoubleSpinBox>("math_x");
    auto* time2 = child<QDoubleSpinBox>("math_x_2");
    auto* level1 = child<QDoubleSpinBox>("math_y");
    auto* level2 = child<QDoubleSpinBox>("math_y_2");
    auto* area = child<QDoubleSpinBox>("math_area");

    // Typed and finished with Enter, which resets none of the tool: 24 h; Time 2 is raised with it.
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    time1->selectAll();
    QTest::keyClicks(time1, "1");
    QTest::keyClick(time1, Qt::Key_Return);
    QCOMPARE(child<QComboBox>("cb_graph_time")->currentText(), QString("Days"));
    QCOMPARE(time2->value(), 1.0);
    QCOMPARE(level1->value(), shown(populationLevel(24.0)));
    QCOMPARE(level2->value(), level1->value());
    QCOMPARE(area->value(), 0.0);
    QCOMPARE(child<QCustomPlot>("graph_1")->graphCount(), 8);

    time2->setValue(1.5);
    QCOMPARE(level2->value(), shown(populationLevel(36.0)));
    QCOMPARE(area->value(),
             shown(simpson([&](double t) { return populationLevel(t); }, 24.0, 36.0)));

    time1->setValue(0.5); // lowered: Time 2 stays
    QCOMPARE(time2->value(), 1.5);

    child<QRadioButton>("math_bayes")->click();
    const PkParameterSet& b = session.pkSets[pk::kBayesian];
    const auto bayesLevel = [&](double t) {
        return calculator.levelFromDoseHistory(b[pk::kCl], b[pk::kVd], b[pk::kF], b[pk::kCF], t);
    };
    QCOMPARE(level1->value(), shown(bayesLevel(12.0)));
    QCOMPARE(area->value(), shown(simpson(bayesLevel, 12.0, 36.0)));
    QVERIFY(child<QLabel>("label_5")->text().contains(QString::fromUtf8("(mg\u00b7h/L)")));

    // Past the graph's end (56 h) there is no level and no area, and the span is named.
    time2->setValue(3.0);
    QCOMPARE(level2->text(), QStringLiteral("no result"));
    QCOMPARE(area->text(), QStringLiteral("no result"));
    QVERIFY(child<QLabel>("label_message")->text().contains("0.0 to 2.3 Days"));
    time2->setValue(2.3);
    QCOMPARE(area->value(), shown(simpson(bayesLevel, 12.0, 55.2)));
    QVERIFY(child<QLabel>("label_message")->text().isEmpty());

    // A new analysis shows no level of the earlier fit.
    const double earlier = level1->value();
    for (int r = 1; r <= session.levelCount; ++r)
        session.levelValues[r] *= 2.0;
    analyse();
    QVERIFY(level1->value() != earlier);
    QCOMPARE(level1->value(), shown(bayesLevel(12.0)));
}

// The fits started from the custom set: the window's graph, its legend, both tools, its table and
// the report show and name that set, never the population.
void TestGraphicAnalysis::customPriorIsTheCurveAndTheNameThroughoutTheWindow()
{
    gentamicinCase();
    window = std::make_unique<graphicAnalysis>(nullptr, &session, &calculator, nullptr);
    window->setPrior(pk::kCustom, session.customRanges);
    window->setGraphEndTime(kGraphEnd);
    window->initFromCase();
    const PkParameterSet& custom = session.pkSets[pk::kCustom];
    const auto customLevel = [&](double t) {
        return calculator.levelFromDoseHistory(custom[pk::kCl], custom[pk::kVd], custom[pk::kF],
                                               custom[pk::kCF], t);
    };
    child<QDoubleSpinBox>("math_x")->setValue(30.0);
    QCOMPARE(child<QDoubleSpinBox>("math_y")->value(), shown(customLevel(30.0)));
    QVERIFY(shown(customLevel(30.0)) != shown(populationLevel(30.0)));
    COMPARE_NEARLY(session.reportTable[0][pk::kTablePrior], customLevel(16.5), 1e-12);
    const QCPGraphDataContainer& windowCurve =
        *child<QCustomPlot>("graph_1")->graph(graphicAnalysis::kGraphPopulation)->data();
    COMPARE_NEARLY(windowCurve.at(3000)->value, customLevel(session.graphTimes[3000]), 1e-12);
    QCOMPARE(session.graphPriorSet, pk::kCustom);
    COMPARE_NEARLY(session.graphPrior[3000], customLevel(session.graphTimes[3000]), 1e-12);
    QCOMPARE(child<QCustomPlot>("graph_1")->graph(graphicAnalysis::kGraphPopulation)->name(),
             QStringLiteral("Custom"));
    QCOMPARE(child<QCheckBox>("pop_display")->text(), QStringLiteral("Custom"));
    QCOMPARE(child<QLabel>("label_21")->text(), QStringLiteral("Custom"));
    QCOMPARE(child<QRadioButton>("math_pop")->text(), QStringLiteral("Custom"));
}

void TestGraphicAnalysis::displayAndFillActOnTheirOwnCurve_data()
{
    QTest::addColumn<QString>("curve");
    QTest::addColumn<int>("graph");
    QTest::addColumn<QColor>("fill");
    QTest::newRow("population") << "pop" << int(graphicAnalysis::kGraphPopulation)
                                << QColor(255, 0, 0, 100);
    QTest::newRow("least squares")
        << "ls" << int(graphicAnalysis::kGraphLeastSquares) << QColor(0, 255, 0, 100);
    QTest::newRow("Bayesian") << "bayes" << int(graphicAnalysis::kGraphBayesian)
                              << QColor(0, 0, 255, 100);
}

void TestGraphicAnalysis::displayAndFillActOnTheirOwnCurve()
{
    QFETCH(QString, curve);
    QFETCH(int, graph);
    QFETCH(QColor, fill);
    gentamicinCase();
    analyse();
    QCustomPlot* plot = child<QCustomPlot>("graph_1");
    auto* area = child<QRadioButton>(qPrintable(curve + "_area"));
    area->click();
    QCOMPARE(plot->graph(graph)->brush().color(), fill);
    area->click(); // alone in its frame, a second click clears it
    QCOMPARE(plot->graph(graph)->brush().color().alpha(), 0);

    child<QCheckBox>(qPrintable(curve + "_display"))->click();
    for (int g = graphicAnalysis::kGraphPopulation; g <= graphicAnalysis::kGraphBayesian; ++g) {
        QCOMPARE(plot->graph(g)->visible(), g != graph);
        QCOMPARE(plot->legend->itemWithPlottable(plot->graph(g))->visible(), g != graph);
    }
    QVERIFY(!area->isEnabled());

    // A later analysis, as the case page runs it, brings every curve back, unfilled.
    window->resetControls();
    analyse();
    QVERIFY(plot->graph(graph)->visible());
    QVERIFY(child<QCheckBox>(qPrintable(curve + "_display"))->isChecked());
    QVERIFY(area->isEnabled());
}

void TestGraphicAnalysis::unitSwitchMovesTheGraphAndResetsTheTools_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("divisor");
    QTest::newRow("days") << "Days" << 24.0;
    QTest::newRow("weeks") << "Weeks" << 168.0;
}

void TestGraphicAnalysis::unitSwitchMovesTheGraphAndResetsTheTools()
{
    QFETCH(QString, unit);
    QFETCH(double, divisor);
    gentamicinCase();
    analyse();
    child<QDoubleSpinBox>("math_x")->setValue(3.0);
    child<QRadioButton>("pop_area")->click();
    child<QComboBox>("cb_graph_time")->setCurrentText(unit);

    QCustomPlot* plot = child<QCustomPlot>("graph_1");
    const auto point = plot->graph(graphicAnalysis::kGraphPopulation)->data()->at(4000);
    QCOMPARE(point->key, session.graphTimes[4000] / divisor);
    QCOMPARE(point->value, session.graphPrior[4000]);
    const auto level = plot->graph(graphicAnalysis::kGraphLevels)->data()->at(0);
    QCOMPARE(level->key, 16.5 / divisor);
    QCOMPARE(plot->xAxis->label(), unit);
    // A span shorter than one unit still shows one.
    QCOMPARE(plot->xAxis->range().upper, std::max(session.graphTimes.last() / divisor, 1.0));
    COMPARE_NEARLY(session.graphTimes.last(), kGraphEnd * 4999.0 / 5000.0, 1e-12);

    QCOMPARE(child<QDoubleSpinBox>("math_x")->value(), 0.0);
    QCOMPARE(child<QDoubleSpinBox>("math_x_2")->value(), 0.0);
    QVERIFY(!child<QRadioButton>("pop_area")->isChecked());
    QCOMPARE(child<QLineEdit>("lineEdit_unit")->text(), unit);
}

// Phenytoin capsules 300 mg a day; the grid ends at 58 h, the graph at 72 h.
void TestGraphicAnalysis::phenytoinHasNoLeastSquaresParts()
{
    session.patient.drugCode = "PH";
    session.modelType = pk::kModelMichaelisMenten;
    session.phenytoinInputRate = kPhenytoinInputRate;
    session.levelErrorConstant = 0.75;
    session.populationRanges = RangeBlock{0, 0.1, 0.2, 0.5, 0.5, 0.3};
    setSet(session.pkSets[pk::kPopulation], 1.0, 45.0, 5.7, 1.0, 5.7, 420.0);
    for (double t : {0.0, 24.0, 48.0}) {
        addEvent(session, t, 300.0, pk::kRouteCodeOther, pk::kInPatient, 0.0);
        session.doseEvents[pk::eventRate][session.doseEventCount] = kPhenytoinInputRate;
    }
    addLevel(session, 30.0, 5.0);
    addLevel(session, 50.0, 8.0);
    analyse(72.0);

    QVERIFY(child<QLabel>("label_23")->isHidden());
    QVERIFY(child<QLineEdit>("line_l1ls")->isHidden());
    QVERIFY(child<QGroupBox>("groupBox_5")->isHidden());
    QVERIFY(!child<QRadioButton>("math_ls")->isEnabled());
    QVERIFY(child<QLabel>("label_ls_2")->isHidden());
    QStringList parameters;
    for (const char* name : {"label_cl", "label_cl_pop", "label_cl_unit", "label_vmax",
                             "label_vmax_pop", "label_vmax_unit"})
        parameters << child<QLabel>(name)->text();
    QCOMPARE(parameters, (QStringList{"Km:", "5.70", "mg/L", "Vmax:", "420.00", "mg/day"}));
    QVERIFY(session.graphLs.isEmpty());
    QCOMPARE(session.reportTable[0][pk::kTableLeastSquares], kNoPrediction);
    QVERIFY(session.reportTable[0][pk::kTableBayesian] > 0.0);
    QCustomPlot* plot = child<QCustomPlot>("graph_1");
    QCOMPARE(plot->graph(graphicAnalysis::kGraphLeastSquares)->dataCount(), 0);
    QVERIFY(!plot->legend->hasItemWithPlottable(plot->graph(graphicAnalysis::kGraphLeastSquares)));

    // Past the grid the curves go on falling.
    for (const QVector<double>* curve : {&session.graphPrior, &session.graphBayes}) {
        QCOMPARE(curve->size(), 5000);
        QVERIFY(curve->at(4999) < curve->at(4500));
        QVERIFY(curve->at(4500) < curve->at(4100));
    }
    const PkParameterSet& b = session.pkSets[pk::kBayesian];
    child<QRadioButton>("math_bayes")->click();
    child<QDoubleSpinBox>("math_x")->setValue(40.0);
    QCOMPARE(child<QDoubleSpinBox>("math_y")->value(),
             shown(calculator.phenytoinLevelFromDoseHistory(b[pk::kVmax], b[pk::kKm], b[pk::kVd],
                                                            b[pk::kF], b[pk::kCF], 40.0)));
}

// Vancomycin, V1 11.486 L and k21 0.46/h, with Vbeta 16 L and CL 10 L/h: beta 0.625,
// k10 0.8706, alpha 0.6408, so k12 = alpha + beta - k21 - k10 = -0.065/h.
void TestGraphicAnalysis::setWithNegativeK12HasNoCurve()
{
    session.patient.drugCode = "VM";
    session.modelType = pk::kModelTwoComp;
    session.twoCompCentralVolume = 11.486;
    session.twoCompK21 = 0.46;
    setSet(session.pkSets[pk::kPopulation], 1.0, 16.0, 10.0, 1.0);
    for (int dose = 0; dose < 4; ++dose)
        addEvent(session, dose * 12.0, 1000.0, pk::kRouteCodeIntravenous, pk::kInPatient, 1.0);
    addLevel(session, 35.5, 12.0);
    analyse(48.0);

    QCPGraph* population = child<QCustomPlot>("graph_1")->graph(graphicAnalysis::kGraphPopulation);
    QCOMPARE(population->dataCount(), 0);
    QCOMPARE(population->name(), QStringLiteral("POP (no result)"));
    QVERIFY(session.graphPrior.isEmpty());
    QVERIFY(child<QLabel>("label_message")->text().contains("negative k12 (-0.065/h)"));
    child<QDoubleSpinBox>("math_x")->setValue(13.0);
    QCOMPARE(child<QDoubleSpinBox>("math_y")->text(), QStringLiteral("no result"));
}

// Offscreen, the plot shows pixels of the population and Bayesian pens.
void TestGraphicAnalysis::rendersTheCurves()
{
    gentamicinCase();
    analyse();
    QTemporaryDir dir;
    const QString path = dir.filePath("fit.png");
    QVERIFY(window->grab().save(path));
    const QImage image(path);
    const QRect plotArea = child<QCustomPlot>("graph_1")->geometry();
    int red = 0, blue = 0;
    for (int y = plotArea.top(); y <= plotArea.bottom(); ++y)
        for (int x = plotArea.left(); x <= plotArea.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
            blue += c.blue() > 200 && c.red() < 80 && c.green() < 80;
        }
    QVERIFY2(red > 100 && blue > 100, qPrintable(QString("red %1, blue %2").arg(red).arg(blue)));
}

TALVORA_TEST_MAIN(TestGraphicAnalysis)
#include "tst_graphicanalysis.moc"
