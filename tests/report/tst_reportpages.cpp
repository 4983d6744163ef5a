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
                       "Serum Drug Concentrations (mg/L)",
                       "Pop. LS Bayes",
                       "14/03 2200 1.4 1.1 1.2 1.3",
                       "15/03 0805 7.2 6.9 7.0 7.1",
                       "Comment",
                       "Check renal function daily."}
        << QStringList{"Km (mg/L)", "Albumin"};
    QTest::newRow("phenytoin")
        << phenytoinCase()
        << QStringList{"Phenytoin",
                       "Albumin: 3.50",
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
    unpredicted.reportTable[1][pk::kTableLeastSquares] = 0.0; // the hand-over's "no prediction"
    QTest::newRow("level the least-squares set could not predict")
        << unpredicted << QStringList{"14/03 2200 1.4 1.1 - 1.3"} << QStringList{"1.1 0.0"};
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
    QTest::newRow("A4") << int(QPageSize::A4);
    QTest::newRow("Letter") << int(QPageSize::Letter);
}

// Every section plus a comment of forty paragraphs and a long one: several pages, no word below
// the page's printable area nor past its right edge, nothing of the comment lost, the signature
// after it on the last page.
void ReportPagesTest::longReportBreaksPagesWithinThePage()
{
    QFETCH(int, pageSize);
    SessionData session = gentamicinCase();
    QStringList paragraphs;
    for (int i = 1; i <= 40; ++i)
        paragraphs << QStringLiteral("Paragraph %1 ends here.").arg(i);
    ReportContent content;
    content.session = &session;
    content.boxes = allBoxes();
    content.comment =
        QString(200, QLatin1Char('W')) + QLatin1Char('\n') + paragraphs.join(QLatin1Char('\n'));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.pdf"));
    printPdf(content, path, QPageSize::PageSizeId(pageSize));

    QPrinter printer(QPrinter::ScreenResolution);
    preparePrinter(printer, QPageSize::PageSizeId(pageSize));
    QVERIFY(printer.pageLayout().paintRectPixels(printer.resolution()).height() < 1000);
    const QRectF printable = printer.pageLayout().paintRect(QPageLayout::Point);
    const QString boxes = pdfText(path, {QStringLiteral("-bbox")});
    const QRegularExpression word(
        QStringLiteral("xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
    // The level table's last column starts at 96 % of the width and reaches a little way
    // into the margin on every page size.
    const double rightEdge = printable.right() + 0.02 * printable.width();
    int words = 0;
    for (auto match = word.globalMatch(boxes); match.hasNext(); ++words) {
        const auto m = match.next();
        QVERIFY2(m.captured(2).toDouble() <= printable.bottom() + 1.0, qPrintable(m.captured(3)));
        QVERIFY2(m.captured(1).toDouble() <= rightEdge, qPrintable(m.captured(3)));
    }
    QVERIFY(words > 100);

    const QStringList pages = pdfText(path).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    QVERIFY2(pages.size() >= 2, qPrintable(QString::number(pages.size())));
    const QString all = squeezed(pages.join(QString()));
    for (const QString& paragraph : paragraphs)
        QVERIFY2(all.contains(paragraph), qPrintable(paragraph));
    const QString last = pages.last();
    QVERIFY(last.contains(QStringLiteral("signature")));
    QVERIFY(last.indexOf(QStringLiteral("Paragraph 40")) <
            last.indexOf(QStringLiteral("signature")));
}

void ReportPagesTest::levelTableFollowsSampleTime()
{
    const SessionData session = gentamicinCase();
    const QVector<reportgraph::LevelRow> rows = reportgraph::levelRows(session);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].sampledAt, QDateTime(QDate(2026, 3, 14), QTime(22, 0)));
    QCOMPARE(rows[1].sampledAt, QDateTime(QDate(2026, 3, 15), QTime(8, 5)));
    QCOMPARE(rows[2].sampledAt, QDateTime(QDate(2026, 3, 15), QTime(16, 30)));
    QCOMPARE(rows[1].levels[pk::kTableMeasured], 7.2);
    QCOMPARE(rows[1].levels[pk::kTableBayesian], 7.1);
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
