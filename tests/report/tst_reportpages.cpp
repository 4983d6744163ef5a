#include "report/ReportComposer.h"
#include "report/ReportGraph.h"
#include "tests/report/tst_report_fixture.h"
#include "tests/support/TestMain.h"

#include <QImage>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace reportfixture;

Q_DECLARE_METATYPE(SessionData)

namespace
{
ReportBoxStates allBoxes()
{
    ReportBoxStates boxes;
    boxes.fill(true);
    return boxes;
}

// A printer with one-inch margins, common on office printers, which leave less than 1000 device
// units of height on A4 and on Letter.
void preparePrinter(QPrinter& printer, QPageSize::PageSizeId size)
{
    printer.setPageSize(QPageSize(size));
    printer.setPageMargins(QMarginsF(25, 25, 25, 25), QPageLayout::Millimeter);
}

void printPdf(const ReportContent& content, const QString& path,
              QPageSize::PageSizeId size = QPageSize::A4)
{
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    preparePrinter(printer, size);
    ReportComposer(content).print(&printer);
}

int countOf(const QImage& image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}
} // namespace

class ReportPagesTest : public QObject
{
    Q_OBJECT

private slots:
    void pdfShowsTheCaseInItsUnits_data();
    void pdfShowsTheCaseInItsUnits();
    void longReportBreaksPagesWithinThePage_data();
    void longReportBreaksPagesWithinThePage();
    void levelTableFollowsSampleTime();
    void priorIsNamedAsTheFitUsedIt();
    void graphPictureDrawsTheChosenCurves_data();
    void graphPictureDrawsTheChosenCurves();
};

void ReportPagesTest::pdfShowsTheCaseInItsUnits_data()
{
    QTest::addColumn<SessionData>("session");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");

    QTest::newRow("gentamicin with fits and forecasts")
        << gentamicinCase()
        << QStringList{"Gentamicin",
                       "Doe, Jane",
                       "Patient #H-1001",
                       "Age: 45.0 Years",
                       "Height: 175.0 cm (68.9 in)",
                       "Weight: 70.0 kg (154.3 lb)",
                       "Half-Life (hr): 2.31",
                       "Time to SS (hr): 9.24",
                       "Post (1.0 hr): 8.00 Trough: 1.00",
                       "Population:480.0 mg every 8.0 hours infused intravenously over 0.5 "
                       "hour(s).",
                       "Least Square:460.0 mg every 8.0 hours",
                       "PREDICTED LEVELS (mg/L): Population Custom Bayesian Least Square",
                       "Peak 7.91 8.12 7.55 no result",
                       "Post 6.41 6.52 6.33 no result",
                       "Serum Drug Concentrations (mg/L)",
                       "Date Time Actual Pop. LS Bayes",
                       "03/14 2200 0.85 0.83 0.81 0.84",
                       "03/15 0805 0.00 0.45 0.42 0.44",
                       "03/15 1630 2.65 2.35 2.45 2.55",
                       "Comment",
                       "Check renal function daily."}
        << QStringList{"Km (mg/L)", "Albumin"};
    QTest::newRow("phenytoin")
        << phenytoinCase()
        << QStringList{"Phenytoin",
                       "Albumin: 3.50 g/dL",
                       "Vol. of Dist. (L): 45.00 45.00",
                       "Km (mg/L): 4.00 4.00",
                       "Vmax (mg/day): 420.00 420.00",
                       "Bioavailability (%): 100.00",
                       "DESIRED LEVELS (mg/L): Average: 15.0",
                       "Population:300.0 mg (PE) every 24.0 hours by fosphenytoin injection",
                       "Bayesian:no result",
                       "ENTERED DOSE: 300.0 mg every 24.0 hours by mouth as capsules.",
                       "Observed Average 12.50 no steady state"}
        << QStringList{"Clearance", "Half-Life", "Time to SS"};
    SessionData intramuscular = phenytoinCase();
    intramuscular.phRegimenReport.routeLetter = pk::kLetterIntramuscular;
    intramuscular.phRegimenReport.routeSentence =
        QStringLiteral("as an intramuscular injection of fosphenytoin.");
    intramuscular.phLevelForecastReport.route1Letter = pk::kLetterIntramuscular;
    QTest::newRow("phenytoin by intramuscular fosphenytoin")
        << intramuscular
        << QStringList{"Population:300.0 mg (PE) every 24.0 hours as an intramuscular",
                       "ENTERED DOSE: 300.0 mg (PE) every 24.0 hours"}
        << QStringList{"300.0 mg every"};
    SessionData unbound = phenytoinCase();
    unbound.phLevelForecastReport.adjustedAverage[pk::kReportPopulation] = -1.0;
    QTest::newRow("phenytoin steady state without an adjusted level")
        << unbound << QStringList{"Observed Average 12.50", "Adjusted Average no result"}
        << QStringList{};
    SessionData entered = gentamicinCase();
    entered.scr1 = -1.0; // the clearance was entered, no creatinine given
    entered.crcl = 35.0;
    QTest::newRow("clearance entered without a creatinine")
        << entered << QStringList{"Crs = -", "Estimated CLcr = 35.00 mL/min"}
        << QStringList{"Crs = -1", "Crs = 0"};
    SessionData unestimated = userChoiceCase();
    unestimated.crcl = -1.0; // no clearance is estimated for a user's-choice drug
    QTest::newRow("clearance not estimated")
        << unestimated << QStringList{"CLcr not estimated"} << QStringList{"Estimated CLcr"};
    SessionData unpredicted = gentamicinCase();
    unpredicted.reportTable[0][pk::kTableLeastSquares] = -1.0; // the hand-over's "no prediction"
    unpredicted.reportTable[0][pk::kTablePrior] = 0.0; // nothing given yet: a prediction of 0
    QTest::newRow("level the least-squares set could not predict")
        << unpredicted << QStringList{"03/14 2200 0.85 0.00 - 0.84"} << QStringList{"-1.00"};
    SessionData customPrior = gentamicinCase();
    customPrior.graphPriorSet = pk::kCustom;
    QTest::newRow("custom prior") << customPrior << QStringList{"Date Time Actual Custom LS Bayes"}
                                  << QStringList{"Pop."};
    SessionData continuous = gentamicinCase();
    for (char* letter :
         {&continuous.regimenReport.routeLetter, &continuous.levelForecastReport.routeLetter})
        *letter = pk::kLetterContinuousIv;
    continuous.regimenReport.routeSentence = QStringLiteral("by continuous intravenous infusion");
    continuous.regimenReport.dose = {40.0, 42.0, 38.0, 36.0}; // mg/h
    continuous.levelForecastReport.routeSentence = continuous.regimenReport.routeSentence;
    continuous.levelForecastReport.rate = 40.0;
    continuous.levelForecastReport.averageLevel = {2.5, 2.4, 2.6, -1.0};
    QTest::newRow("continuous infusion")
        << continuous
        << QStringList{"Population:40.0 mg/h by continuous intravenous infusion",
                       "ENTERED DOSE: 40.0 mg/h by continuous intravenous infusion",
                       "Average 2.50 2.40 2.60 no result"}
        << QStringList{"every 1 hours", "every 24 hours", "Peak", "Post"};
    SessionData oral = gentamicinCase();
    oral.levelForecastReport.routeLetter = pk::kLetterOral;
    oral.levelForecastReport.routeSentence = QStringLiteral("orally");
    QTest::newRow("oral: no post level")
        << oral << QStringList{"Post - - - no result"} << QStringList{"Post 6.41"};
    QTest::newRow("user's choice in mcg")
        << userChoiceCase()
        << QStringList{"Zedocillin", "DESIRED LEVELS (mcg/L): Peak: 9.00 Trough: 2.00",
                       "Population:250.0 mcg every 12.0 hours by mouth",
                       "Serum Drug Concentrations (mcg/L)", "Bioavailability (%): 80.00"}
        << QStringList{"(mg/L)", " mg every", "User's Choice"};
}

void ReportPagesTest::pdfShowsTheCaseInItsUnits()
{
    QFETCH(SessionData, session);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    ReportContent content;
    content.session = &session;
    content.boxes = allBoxes();
    content.comment = QStringLiteral("Check renal function daily.");
    content.printedAt = QDateTime(QDate(2026, 12, 7), QTime(9, 0));
    printPdf(content, path);

    const QString text = squeezed(pdfText(path));
    for (const QString& expected : present)
        QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral("\n") + text));
    for (const QString& unexpected : absent)
        QVERIFY2(!text.contains(unexpected), qPrintable(unexpected));
    // Values that could not be computed never print as numbers.
    const QRegularExpression broken(QStringLiteral("\\b(inf|nan)\\b|-1\\.00|-100\\.00"),
                                    QRegularExpression::CaseInsensitiveOption);
    QVERIFY2(!text.contains(broken), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Date: 12/07/2026")));
    const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    QVERIFY(pages.last().contains(QStringLiteral("signature")));
}

void ReportPagesTest::longReportBreaksPagesWithinThePage_data()
{
    QTest::addColumn<int>("pageSize");
    QTest::addColumn<double>("marginInches");
    for (double margin : {0.0, 0.5, 1.0}) {
        const QByteArray inches = QByteArray::number(margin, 'f', 1);
        QTest::newRow("A4, " + inches + " in") << int(QPageSize::A4) << margin;
        QTest::newRow("Letter, " + inches + " in") << int(QPageSize::Letter) << margin;
    }
}

// Every section plus a comment of forty paragraphs and a long one: several pages, every word
// inside the page rectangle, nothing of the comment lost, the signature after it on the last
// page.
void ReportPagesTest::longReportBreaksPagesWithinThePage()
{
    QFETCH(int, pageSize);
    QFETCH(double, marginInches);
    // The widest texts: four-digit doses with long product names, two routes, four sources
    // without a steady state, and levels of three digits.
    SessionData session = phenytoinCase();
    setFittedGraph(session);
    // A long name beside the centred patient number, apart from it on every page.
    session.patient.lastName = QStringLiteral("Montgomery-Whitfield");
    session.patient.firstName = QStringLiteral("Christopher");
    session.patient.hospitalId = QStringLiteral("H-0001234567");
    session.reportTable[0] = {123.45, 123.45, 123.45, 123.45};
    const QString product = QStringLiteral("as an intramuscular injection of fosphenytoin");
    session.phRegimenReport.routeSentence = product;
    session.phRegimenReport.dailyDose = {1234.5, 1234.5, 1234.5, 1234.5};
    PhLevelForecastReport& level = session.phLevelForecastReport;
    level.route1Sentence = product;
    level.dose1 = 1234.5;
    level.route2Sentence = product;
    level.dose2 = 1234.5;
    level.interval2 = 12.0;
    level.observedAverage.fill(-35.0);
    QStringList paragraphs;
    for (int i = 1; i <= 40; ++i)
        paragraphs << QStringLiteral("Paragraph %1 ends here.").arg(i);
    ReportContent content;
    content.session = &session;
    content.boxes = allBoxes();
    // Fifteen words of 11 characters with their blanks: 7 fit in 80 characters, 7 in 84.
    const QString wrapped = QStringLiteral("creatinine ").repeated(15).trimmed();
    content.comment = QString(200, QLatin1Char('W')) + QLatin1Char('\n') + wrapped +
                      QLatin1Char('\n') + paragraphs.join(QLatin1Char('\n'));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.pdf"));
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::PageSizeId(pageSize)));
    printer.setPageMargins(QMarginsF(1, 1, 1, 1) * marginInches, QPageLayout::Inch);
    QVERIFY(ReportComposer(content).print(&printer));

    const QRectF printable = printer.pageLayout().paintRect(QPageLayout::Point);
    const QString boxes = pdfText(path, {QStringLiteral("-bbox")});
    const QRegularExpression word(QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" "
                                                 "xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">"
                                                 "([^<]*)</word>"));
    // Half a point for the rounding of the reader's boxes.
    const QRectF allowed = printable.adjusted(-0.5, -0.5, 0.5, 0.5);
    int words = 0;
    for (auto match = word.globalMatch(boxes); match.hasNext(); ++words) {
        const auto m = match.next();
        const QRectF box(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                         QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
        QVERIFY2(allowed.contains(box),
                 qPrintable(QStringLiteral("%1 at %2,%3-%4,%5 outside %6,%7-%8,%9")
                                .arg(m.captured(5), m.captured(1), m.captured(2), m.captured(3),
                                     m.captured(4))
                                .arg(printable.left())
                                .arg(printable.top())
                                .arg(printable.right())
                                .arg(printable.bottom())));
        const QString text = m.captured(5);
        QVERIFY2(!text.endsWith(QStringLiteral("Patient")) || text == QStringLiteral("Patient"),
                 qPrintable(text));
    }
    QVERIFY(words > 100);

    const QStringList pages = pdfText(path).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    QVERIFY2(pages.size() >= 2, qPrintable(QString::number(pages.size())));
    const QString all = squeezed(pages.join(QString()));
    for (const QString& paragraph : paragraphs)
        QVERIFY2(all.contains(paragraph), qPrintable(paragraph));
    // The comment wraps between words.
    QList<int> wordsPerLine;
    for (const QString& line : pages.join(QString()).split(QLatin1Char('\n')))
        if (line.contains(QStringLiteral("creat"))) {
            const QStringList lineWords = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            QCOMPARE(lineWords.count(QStringLiteral("creatinine")), lineWords.size());
            wordsPerLine << lineWords.size();
        }
    QCOMPARE(wordsPerLine, (QList<int>{7, 7, 1}));
    const QString last = pages.last();
    QVERIFY(last.contains(QStringLiteral("signature")));
    QVERIFY(last.indexOf(QStringLiteral("Paragraph 40")) <
            last.indexOf(QStringLiteral("signature")));
}

// The levels were entered out of time order; the hand-over lists them by time, and each keeps
// its own time, a level of 0 among them.
void ReportPagesTest::levelTableFollowsSampleTime()
{
    const SessionData session = gentamicinCase();
    const QVector<reportgraph::LevelRow> rows = reportgraph::levelRows(session);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].sampledAt, QDateTime(QDate(2026, 3, 14), QTime(22, 0)));
    QCOMPARE(rows[1].sampledAt, QDateTime(QDate(2026, 3, 15), QTime(8, 5)));
    QCOMPARE(rows[2].sampledAt, QDateTime(QDate(2026, 3, 15), QTime(16, 30)));
    QCOMPARE(rows[0].levels[pk::kTableMeasured], 0.85);
    QCOMPARE(rows[1].levels[pk::kTableMeasured], 0.0);
    QCOMPARE(rows[1].levels[pk::kTableBayesian], 0.44);
    QCOMPARE(rows[2].levels[pk::kTableMeasured], 2.65);
}

// The graph's legend names the prior set as the level table's column does.
void ReportPagesTest::priorIsNamedAsTheFitUsedIt()
{
    SessionData session = gentamicinCase();
    QCOMPARE(reportgraph::priorLegendName(session), QStringLiteral("Prior (Population)"));
    session.graphPriorSet = pk::kCustom;
    QCOMPARE(reportgraph::priorLegendName(session), QStringLiteral("Prior (Custom)"));
}

void ReportPagesTest::graphPictureDrawsTheChosenCurves_data()
{
    QTest::addColumn<bool>("prior");
    QTest::addColumn<bool>("bayesian");
    QTest::newRow("prior") << true << false;
    QTest::newRow("Bayesian") << false << true;
}

void ReportPagesTest::graphPictureDrawsTheChosenCurves()
{
    QFETCH(bool, prior);
    QFETCH(bool, bayesian);
    const SessionData session = gentamicinCase();
    const QImage image = reportgraph::picture(session, {prior, false, bayesian})
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), QSize(reportgraph::kPictureWidth, reportgraph::kPictureHeight));
    // Many pixels of each chosen curve; the other curve is not drawn (legend icons are few).
    const int red = countOf(image, qRgb(255, 0, 0));
    const int blue = countOf(image, qRgb(0, 0, 255));
    QVERIFY2((red > 200) == prior, qPrintable(QString::number(red)));
    QVERIFY2((blue > 200) == bayesian, qPrintable(QString::number(blue)));
}

TALVORA_TEST_MAIN(ReportPagesTest)
#include "tst_reportpages.moc"
