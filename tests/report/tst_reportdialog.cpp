#include "app/ProgramConfig.h"
#include "platform/SettingsKeys.h"
#include "report/ReportCsv.h"
#include "report/printReport.h"
#include "tests/report/tst_report_fixture.h"
#include "tests/support/ChildWidgets.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>

#include <memory>

using namespace reportfixture;
using testsupport::requireChild;

Q_DECLARE_METATYPE(SessionData)

namespace
{
const QStringList boxNames = {
    "checkBox_pop_param",
    "checkBox_custom_param",
    "checkBox_bayes_param",
    "checkBox_LS_param",
    "checkBox_prior_graph",
    "checkBox_bayes_graph",
    "checkBox_LS_graph",
    "checkBox_dosage_regimen_forecast",
    "checkBox_dosage_regimen_forecast_pop",
    "checkBox_dosage_regimen_forecast_custom",
    "checkBox_dosage_regimen_forecast_bayes",
    "checkBox_dosage_regimen_forecast_ls",
    "checkBox_serum_level_forecast",
    "checkBox_serum_level_forecast_pop",
    "checkBox_serum_level_forecast_custom",
    "checkBox_serum_level_forecast_bayes",
    "checkBox_serum_level_forecast_ls",
};

// The settings file of a test and the report dialog of one case on it.
struct ReportDesk {
    TestEnvironment env;
    ProgramConfig config;
    SessionData session;
    std::unique_ptr<printReport> dialog;

    explicit ReportDesk(const SessionData& caseData) : session(caseData)
    {
        QVERIFY(env.openAsProgram(config));
    }

    void put(const QString& key, const QString& value)
    {
        QSettings(env.settingsPath(), QSettings::IniFormat).setValue(key, value);
    }

    printReport* open()
    {
        dialog =
            std::make_unique<printReport>(nullptr, &session, nullptr, nullptr, &config, nullptr);
        return dialog.get();
    }

    QCheckBox* box(const QString& name) const
    {
        return requireChild<QCheckBox>(dialog.get(), name);
    }
    QPushButton* button(const QString& name) const
    {
        return requireChild<QPushButton>(dialog.get(), name);
    }
    QPrintPreviewWidget* preview() const
    {
        return requireChild<QPrintPreviewWidget>(dialog.get(), QString());
    }

    QStringList boxes(bool (QCheckBox::*state)() const) const
    {
        QStringList names;
        for (const QString& name : boxNames)
            if ((box(name)->*state)())
                names << name;
        return names;
    }
};

SessionData newCase()
{
    SessionData s;
    setPatient(s, QStringLiteral("GM"));
    setParameters(s.pkSets[pk::kPopulation], 1.0, 17.5, 5.25);
    s.pkSets[pk::kBayesian][pk::kF] = -1.0;
    s.pkSets[pk::kLeastSquares][pk::kF] = -1.0;
    return s;
}

QStringList without(QStringList names, const QStringList& removed)
{
    for (const QString& name : removed)
        names.removeAll(name);
    return names;
}

// The rows of a CSV file as Python's csv module reads them.
QJsonArray csvRows(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv, json, sys; print(json.dumps(list(csv.reader("
                                 "open(sys.argv[1], newline='', encoding='utf-8')))))"),
                  path});
    if (!python.waitForStarted())
        qFatal("the CSV tests read the file back with python3's csv module");
    python.waitForFinished();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}
} // namespace

class ReportDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void boxesFollowTheCaseAndTheSettings_data();
    void boxesFollowTheCaseAndTheSettings();
    void titleNamesTheCaseDrug_data();
    void titleNamesTheCaseDrug();
    void forecastSectionsExcludeEachOther();
    void zoomStaysWithinBoundsAcrossRebuilds();
    void commentWindow_data();
    void commentWindow();
    void printButtonPrintsOnlyWhenAccepted_data();
    void printButtonPrintsOnlyWhenAccepted();
    void csvReadsBackFieldForField();
    void csvThatCannotBeWrittenIsReported();
    void csvWritesMeasuresNotGivenInWords();
    void csvFieldDisarmsFormulasOnly_data();
    void csvFieldDisarmsFormulasOnly();
};

void ReportDialogTest::boxesFollowTheCaseAndTheSettings_data()
{
    QTest::addColumn<SessionData>("session");
    QTest::addColumn<QString>("falseKey");
    QTest::addColumn<QStringList>("enabled");
    QTest::addColumn<QStringList>("ticked");

    const QStringList parameters = {"checkBox_pop_param", "checkBox_custom_param"};
    QTest::newRow("new case") << newCase() << QString() << parameters << parameters;

    SessionData bayesOnly = newCase();
    bayesOnly.pkSets[pk::kBayesian][pk::kF] = 1.0;
    const QStringList withBayes = parameters + QStringList{"checkBox_bayes_param"};
    QTest::newRow("Bayesian fit, no graph") << bayesOnly << QString() << withBayes << withBayes;

    SessionData lsGraph = newCase();
    lsGraph.pkSets[pk::kLeastSquares][pk::kF] = 1.0;
    lsGraph.graphTimes = {0.0, 1.0};
    const QStringList withLs = parameters + QStringList{"checkBox_LS_param", "checkBox_LS_graph"};
    QTest::newRow("least-squares fit with graph") << lsGraph << QString() << withLs << withLs;

    // A Bayesian set whose daily rate reaches its Vmax still has its column: "no steady state".
    SessionData saturated = phenytoinCase();
    saturated.pkSets[pk::kBayesian][pk::kF] = 1.0;
    saturated.phLevelForecastReport.noSteadyState[pk::kReportBayesian] = true;
    stampForecasts(saturated);
    const QStringList withSaturated = without(
        boxNames, {"checkBox_LS_param", "checkBox_prior_graph", "checkBox_bayes_graph",
                   "checkBox_LS_graph", "checkBox_dosage_regimen_forecast_bayes",
                   "checkBox_dosage_regimen_forecast_ls", "checkBox_serum_level_forecast_ls"});
    QTest::newRow("phenytoin Bayesian set past its Vmax")
        << saturated << QString() << withSaturated << withSaturated;

    // The least-squares level forecast was not computed; one key of the settings says no.
    const QStringList forecasts = without(boxNames, {"checkBox_serum_level_forecast_ls"});
    QTest::newRow("fits and forecasts")
        << gentamicinCase() << QString(SettingsKeys::reportCustomDrf) << forecasts
        << without(forecasts, {"checkBox_dosage_regimen_forecast_custom"});

    // A Bayesian fit after the forecasts: their Bayesian figures are of the earlier fit.
    SessionData refitted = gentamicinCase();
    refitted.pkSets[pk::kBayesian][pk::kVd] = 19.5;
    const QStringList ofHeldFits = without(forecasts, {"checkBox_dosage_regimen_forecast_bayes",
                                                       "checkBox_serum_level_forecast_bayes"});
    QTest::newRow("forecasts of an earlier fit")
        << refitted << QString() << ofHeldFits << ofHeldFits;
}

void ReportDialogTest::boxesFollowTheCaseAndTheSettings()
{
    QFETCH(SessionData, session);
    QFETCH(QString, falseKey);
    QFETCH(QStringList, enabled);
    QFETCH(QStringList, ticked);
    ReportDesk desk(session);
    if (!falseKey.isEmpty())
        desk.put(falseKey, QStringLiteral("false"));
    desk.open();
    QCOMPARE(desk.boxes(&QCheckBox::isEnabled), enabled);
    QCOMPARE(desk.boxes(&QCheckBox::isChecked), ticked);
}

void ReportDialogTest::titleNamesTheCaseDrug_data()
{
    QTest::addColumn<SessionData>("session");
    QTest::addColumn<QString>("title");
    QTest::newRow("gentamicin") << gentamicinCase()
                                << "Report Printing Setting:  Doe, Jane, Gentamicin";
    // The user's own name of the drug, as on the case page.
    QTest::newRow("user's choice")
        << userChoiceCase() << "Report Printing Setting:  Doe, Jane, Zedocillin";
}

void ReportDialogTest::titleNamesTheCaseDrug()
{
    QFETCH(SessionData, session);
    QFETCH(QString, title);
    ReportDesk desk(session);
    QCOMPARE(desk.open()->windowTitle(), title);
}

void ReportDialogTest::forecastSectionsExcludeEachOther()
{
    ReportDesk desk(gentamicinCase());
    desk.open();
    QCheckBox* regimen = desk.box(QStringLiteral("checkBox_dosage_regimen_forecast"));
    QCheckBox* level = desk.box(QStringLiteral("checkBox_serum_level_forecast"));
    QVERIFY(regimen->isChecked() && level->isChecked());
    regimen->click();
    QVERIFY(!regimen->isChecked() && level->isChecked());
    regimen->click();
    QVERIFY(regimen->isChecked() && !level->isChecked());
    level->click();
    QVERIFY(!regimen->isChecked() && level->isChecked());
    // The source boxes stay as they were.
    QVERIFY(desk.box(QStringLiteral("checkBox_dosage_regimen_forecast_pop"))->isChecked());
}

void ReportDialogTest::zoomStaysWithinBoundsAcrossRebuilds()
{
    ReportDesk desk(newCase());
    desk.open();
    for (int i = 0; i < 3; ++i)
        desk.button(QStringLiteral("pushButton_zoom_in"))->click();
    QVERIFY(qFuzzyCompare(desk.preview()->zoomFactor(), 1.3));
    QPrintPreviewWidget* before = desk.preview();
    desk.box(QStringLiteral("checkBox_custom_param"))->click();
    QVERIFY(desk.preview() != before);
    QVERIFY(qFuzzyCompare(desk.preview()->zoomFactor(), 1.3));
    for (int i = 0; i < 50; ++i)
        desk.button(QStringLiteral("pushButton_zoom_in"))->click();
    QCOMPARE(desk.preview()->zoomFactor(), printReport::kMaxZoom);
    for (int i = 0; i < 100; ++i)
        desk.button(QStringLiteral("pushButton_zoom_out"))->click();
    QCOMPARE(desk.preview()->zoomFactor(), printReport::kMinZoom);
}

void ReportDialogTest::commentWindow_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("accepted") << int(QDialog::Accepted) << "Recheck trough."
                              << "Recheck trough.";
    QTest::newRow("cancelled keeps the comment") << int(QDialog::Rejected) << "Never mind."
                                                 << "Earlier note.";
    QTest::newRow("accepted empty clears it") << int(QDialog::Accepted) << ""
                                              << "";
}

void ReportDialogTest::commentWindow()
{
    QFETCH(int, result);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    ReportDesk desk(newCase());
    desk.open();
    PromptScript prompts;
    auto type = [](const QString& text, int answer) {
        Modal::setNextHandler([=](QDialog* window) {
            requireChild<QPlainTextEdit>(window, QString())->setPlainText(text);
            return answer;
        });
    };
    type(QStringLiteral("Earlier note."), QDialog::Accepted);
    desk.button(QStringLiteral("pushButton_comment"))->click();
    type(typed, result);
    desk.button(QStringLiteral("pushButton_comment"))->click();
    QCOMPARE(desk.dialog->comment(), kept);
    QCOMPARE(
        requireChild<QPlainTextEdit>(desk.dialog.get(), "plainTextEdit_comment")->toPlainText(),
        kept);
}

void ReportDialogTest::printButtonPrintsOnlyWhenAccepted_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("shown");
    QTest::newRow("accepted") << int(QDialog::Accepted) << "printed.pdf" << QString();
    QTest::newRow("cancelled") << int(QDialog::Rejected) << "printed.pdf" << QString();
    QTest::newRow("file that cannot be made")
        << int(QDialog::Accepted) << "no such folder/printed.pdf"
        << "Warning|The report could not be printed on %1.";
}

void ReportDialogTest::printButtonPrintsOnlyWhenAccepted()
{
    QFETCH(int, result);
    QFETCH(QString, file);
    QFETCH(QString, shown);
    ReportDesk desk(phenytoinCase());
    desk.open();
    PromptScript prompts;
    const QString path = desk.env.dir() + QLatin1Char('/') + file;
    Modal::setNextHandler([&](QDialog* window) {
        QPrinter* printer = qobject_cast<QPrintDialog*>(window)->printer();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(path);
        return result;
    });
    desk.button(QStringLiteral("button_print"))->click();
    QCOMPARE(prompts.takeShown(), shown.isEmpty() ? shown : shown.arg(path));
    QCOMPARE(QFile::exists(path), result == QDialog::Accepted && shown.isEmpty());
    if (QFile::exists(path))
        QVERIFY(pdfText(path).contains(QStringLiteral("Vmax (mg/day)")));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void ReportDialogTest::csvReadsBackFieldForField()
{
    SessionData session = gentamicinCase();
    session.patient.firstName = QStringLiteral("=HYPERLINK(\"x\")");
    session.patient.lastName = QStringLiteral("Zoë, \"Jo\"");
    ReportDesk desk(session);
    desk.open();
    const QString path = desk.env.dir() + QStringLiteral("/export.csv");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) &&
            old.write(QByteArray("old,contents\nmore\n").repeated(50)) > 0);
    old.close();
    PromptScript prompts;
    FileDialog::setNextPath(path); // a second dialog, from a double connection, finds no answer
    QTest::mouseClick(desk.button(QStringLiteral("pushButton_export_csv")), Qt::LeftButton);

    const QJsonArray rows = csvRows(path);
    QCOMPARE(rows.size(), 16);
    auto row = [&](int i) { return rows[i].toArray().toVariantList(); };
    QCOMPARE(row(0), (QVariantList{"First Name", "'=HYPERLINK(\"x\")"}));
    QCOMPARE(row(1), (QVariantList{"Last Name", "Zoë, \"Jo\""}));
    QCOMPARE(row(2), (QVariantList{"Age", "45"}));
    QCOMPARE(row(4), (QVariantList{"Height", "175.0 cm (68.9 in)"}));
    QCOMPARE(row(5), (QVariantList{"Weight", "70.0 kg (154.3 lb)"}));
    QCOMPARE(row(10), (QVariantList{"Population PK Param"}));
    QCOMPARE(row(11), (QVariantList{"Bioavailability (%)", "100.00"}));
    QCOMPARE(row(14), (QVariantList{"Half-Life (hr)", "2.31"}));
    QCOMPARE(prompts.takeShown(), QString());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void ReportDialogTest::csvThatCannotBeWrittenIsReported()
{
    ReportDesk desk(gentamicinCase());
    desk.open();
    PromptScript prompts;
    const QString path = desk.env.dir() + QStringLiteral("/no such folder/export.csv");
    FileDialog::setNextPath(path);
    desk.dialog->export_csv();
    const std::vector<PromptRecord> shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Warning"));
    QVERIFY(shown[0].text.contains(path));
    QVERIFY(!QFile::exists(path));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

// A stable renal function has no second creatinine; a user's-choice drug no estimated clearance.
void ReportDialogTest::csvWritesMeasuresNotGivenInWords()
{
    SessionData session = userChoiceCase();
    session.scr2 = -1.0;
    session.scrHoursBetween = -1.0;
    session.crcl = -1.0;
    const QVector<reportcsv::Record> records = reportcsv::records(session);
    QCOMPARE(records[7], (reportcsv::Record{"Crs2", "-"}));
    QCOMPARE(records[8], (reportcsv::Record{"Crs Time", "-"}));
    QCOMPARE(records[9], (reportcsv::Record{"Clcr", "not estimated"}));
}

void ReportDialogTest::csvFieldDisarmsFormulasOnly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("value that could not be computed") << "-"
                                                      << "-";
    QTest::newRow("formula after a minus") << "-2+3"
                                           << "'-2+3";
}

void ReportDialogTest::csvFieldDisarmsFormulasOnly()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(reportcsv::field(text), field);
}

TALVORA_TEST_MAIN(ReportDialogTest)
#include "tst_reportdialog.moc"
