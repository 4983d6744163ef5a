#include "report/ReportComposer.h"

#include "cases/RenalFigureText.h"
#include "pkcore/DrugCodes.h"
#include "pkcore/PkNumeric.h"
#include "pkcore/SessionData.h"
#include "report/ReportGraph.h"
#include "report/ReportText.h"

#include <QCoreApplication>
#include <QLine>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

using namespace reporttext;

namespace
{
const QString kPageFontFamily = QStringLiteral("Courier");
constexpr int kPageFontSize = 10;
constexpr int kSignatureFontSize = 13;

constexpr int kLineStep = 15;
constexpr int kRuleGap = 10;
constexpr int kLeftMargin = 10;
// Baseline of the first line on a page started for a block that did not fit.
constexpr int kTopOfNewPage = 20;

// Height each block needs below the running y; a block starts a new page when it would not
// end above the page's bottom. A line's descent is counted in the comment and signature.
constexpr int kPatientReserve = 120;
constexpr int kParameterReserve = 140;
constexpr int kGraphReserve = 330;
constexpr int kForecastReserve = 130;
constexpr int kCommentLineReserve = kLineStep + 5;
constexpr int kSignatureReserve = 65;

// Characters of the page font that the widest lines need (an 84-character comment line, the
// four-column parameter table); a page narrower than that is drawn scaled down as a whole so
// that no line runs past the paper's edge.
constexpr int kLayoutColumns = 92;

// Page header.
constexpr int kTitleY = 20;
constexpr int kSubtitleY = 35;

// Patient block positions.
constexpr int kNamePosition = 30;
constexpr int kLeftColumn = 50;
constexpr int kMiddleColumn = 300;
constexpr int kRightColumn = 650;
constexpr int kDatePosition = 700;

// Comment: a paragraph's first line is indented and shorter.
constexpr int kParagraphPosition = 100;
constexpr int kParagraphChars = 80;
constexpr int kContinuationPosition = 60;
constexpr int kContinuationChars = 84;

// Signature.
constexpr int kSignatureGap = 40;
constexpr int kSignatureLabelGap = 20;
constexpr int kSignatureLinePosition = 700;
constexpr int kSignatureLabelPosition = 730;

// Parameter table: header position H and row position L by the number of columns.
struct TablePlace {
    int header;
    int rows;
};
constexpr TablePlace kTablePlaces[pk::kReportSetCount] = {
    {500, 300}, {430, 230}, {340, 140}, {260, 60}};
const QString kCellGap = QStringLiteral("\t         ");

// Graph section.
constexpr int kGraphTitleWidth = 500;
constexpr int kGraphTop = 30;
constexpr int kLevelTablePosition = 560;
constexpr int kGraphToTableGap = 8;
// Level table cells, in characters of the page font from the table's left edge; a level takes
// up to seven ("1234.56").
constexpr int kTimeColumn = 7;
constexpr int kMeasuredColumn = 13;
constexpr int kFirstPredictionColumn = 21;
constexpr int kPredictionColumnStep = 8;
constexpr int kLevelChars = 7;

// Forecast sections.
constexpr int kForecastTitleGap = 20;
constexpr int kForecastFirstLine = 40;  // what was desired or entered
constexpr int kForecastSecondLine = 60; // the heading of the computed lines
constexpr int kLevelHeaderPosition = 375;
constexpr int kLevelRowPosition = 300;
constexpr int kPhSecondRoutePosition = 170;
constexpr int kPhLevelHeaderPosition = 410;
constexpr int kPhLevelRowPosition = 220;

const QString kInfusedWord = QStringLiteral("infused");
const QString kPhenytoinEquivalents = QStringLiteral("mg (PE)");
// Drugs whose binding depends on albumin; the patient block shows it for them.
const QString kValproicAcidCode = QStringLiteral("VP");

QString tr(const char* text)
{
    return QCoreApplication::translate("printReport", text);
}

// The four sources in the order of the report records.
const char* const kSourcePrefixes[pk::kReportSetCount] = {
    "    Population:", "        Custom:", "      Bayesian:", "  Least Square:"};
const char* const kLevelHeaders[pk::kReportSetCount] = {"Population ", " Custom  ", " Bayesian  ",
                                                        "Least Square"};

struct ParameterColumn {
    const char* header;
    const char* dashes;
    int method;
    bool lastColumn;
};
const ParameterColumn kParameterColumns[pk::kReportSetCount] = {
    {" Population       ", "------------      ", pk::kPopulation, false},
    {"   Custom         ", "------------      ", pk::kCustom, false},
    {"  Bayesian        ", "------------      ", pk::kBayesian, false},
    {"Least Square", "------------", pk::kLeastSquares, true}};

QString parameterValue(double value)
{
    return std::isfinite(value) && value >= 0.0 ? fixed(value, 2) : QStringLiteral("-");
}

// A patient measure with two decimals and its unit; "-" for one the case does not hold.
QString givenMeasure(double value, const QString& unit)
{
    return RenalFigureText::measureGiven(value) ? fixed(value, 2) + unit : QStringLiteral("-");
}

QString creatinine(double value)
{
    return givenMeasure(value, QStringLiteral(" mg/dL"));
}

// A level that cannot exist for the regimen or was not predicted, as against a failed forecast.
const QString kNoLevel = QStringLiteral("-");

// Levels are read to two decimals: a digoxin level of 0.85 must not read as 0.8.
constexpr int kLevelDecimals = 2;

// The level table holds a negative value for a prediction that could not be made; 0 is a
// prediction (a pre-dose sample at the first dose).
QString predictedLevel(double value)
{
    return std::isfinite(value) && value >= 0.0 ? fixed(value, kLevelDecimals) : kNoLevel;
}

QString measuredLevel(double value)
{
    return std::isfinite(value) && value >= 0.0 ? fixed(value, kLevelDecimals) : kNoLevel;
}

// "40.0 mg/h by continuous intravenous infusion": a continuous infusion has a rate, no interval.
QString rateSentence(double rate, const QString& unit, const QString& sentence)
{
    return QStringLiteral("%1 %2/h %3").arg(fixed(rate, 1), unit, sentence);
}

// Fosphenytoin is dosed in phenytoin equivalents; the only intramuscular product is fosphenytoin.
QString phenytoinDoseUnit(char routeLetter, const QString& caseUnit)
{
    return routeLetter == pk::kLetterFosphenytoin || routeLetter == pk::kLetterIntramuscular
               ? kPhenytoinEquivalents
               : caseUnit;
}

// The next line of a comment of at most `limit` characters, taken off the front of `rest`: up to
// a line break (which starts a new paragraph), else up to the last blank that lets the line fit,
// the blank dropped; only a word longer than a line is cut within it.
QString takeCommentLine(QString& rest, int limit, bool& paragraphStart)
{
    const QChar blank = QLatin1Char(' ');
    const int lineBreak = rest.left(limit + 1).indexOf(QLatin1Char('\n'));
    paragraphStart = lineBreak >= 0;
    int length = paragraphStart ? lineBreak : std::min<int>(limit, rest.size());
    int skipped = paragraphStart ? 1 : 0;
    if (!paragraphStart && rest.size() > limit) {
        const int lastBlank = rest.lastIndexOf(blank, limit);
        if (lastBlank > 0) {
            length = lastBlank;
            skipped = 1;
        }
    }
    const QString line = rest.left(length);
    rest.remove(0, length + skipped);
    return line;
}

// "500.0 mg every 8.0 hours <sentence>", with " over 0.5 hour(s)." for an infusion.
QString doseSentence(double dose, const QString& unit, double interval, const QString& sentence,
                     double infusionTime)
{
    QString text = QStringLiteral("%1 %2 every %3 hours %4")
                       .arg(fixed(dose, 1), unit, fixed(interval, 1), sentence);
    if (sentence.contains(kInfusedWord))
        text += QStringLiteral(" over %1 hour(s).").arg(fixed(infusionTime, 1));
    return text;
}
} // namespace

// Starts a new page before a block that would reach the bottom of the page rectangle.
class ReportComposer::Pager
{
public:
    Pager(QPrinter* printer, int pageHeight) : m_printer(printer), m_pageHeight(pageHeight) {}

    int roomFor(int currentY, int reserve)
    {
        if (currentY + reserve < m_pageHeight)
            return currentY;
        m_printer->newPage();
        return kTopOfNewPage;
    }

private:
    QPrinter* m_printer;
    int m_pageHeight;
};

ReportPage::ReportPage(QPainter* painter, int pageWidth, const QFont& font)
    : m_painter(painter), m_pageWidth(pageWidth), m_widthRatio(pageWidth / 1000.0), m_fm(font)
{
}

int ReportPage::x(int position) const
{
    return int(position * m_widthRatio);
}

void ReportPage::text(int position, int y, const QString& text) const
{
    textAt(x(position), y, text);
}

// A line that would run past the page's right edge (a long dosage form, four wide results) is
// drawn narrower to end there: nothing of it is cut off or printed off the paper.
void ReportPage::textAt(int x, int y, const QString& text) const
{
    textBefore(x, y, m_pageWidth, text);
}

void ReportPage::textBefore(int x, int y, int right, const QString& text) const
{
    const int room = right - x;
    const int width = m_fm.horizontalAdvance(text);
    if (width <= room || room <= 0) {
        m_painter->drawText(QPoint(x, y), text);
        return;
    }
    m_painter->save();
    m_painter->translate(x, y);
    m_painter->scale(double(room) / width, 1.0);
    m_painter->drawText(QPoint(0, 0), text);
    m_painter->restore();
}

int ReportPage::charWidth() const
{
    return m_fm.horizontalAdvance(QLatin1Char('0'));
}

int ReportPage::centredX(const QString& text) const
{
    return std::max(0, (m_pageWidth - m_fm.horizontalAdvance(text)) / 2);
}

void ReportPage::centred(int y, const QString& text) const
{
    textAt(centredX(text), y, text);
}

int ReportPage::rule(int y) const
{
    const QLine line(0, y, x(1000), y);
    m_painter->drawLines(&line, 1);
    return y;
}

ReportComposer::ReportComposer(const ReportContent& content)
    : m_content(content), m_session(*content.session)
{
}

bool ReportComposer::anyTicked(std::initializer_list<reportbox::Box> boxes) const
{
    return std::any_of(boxes.begin(), boxes.end(), [this](reportbox::Box b) { return ticked(b); });
}

bool ReportComposer::isPhenytoin() const
{
    return m_session.patient.drugCode == QLatin1String(phenytoinCode);
}

bool ReportComposer::print(QPrinter* printer) const
{
    using namespace reportbox;
    const QFont pageFont(kPageFontFamily, kPageFontSize);
    const QRect pageRect = printer->pageLayout().paintRectPixels(printer->resolution());
    // Measured on the printer: its resolution sets the width of the drawn characters.
    const double layoutWidth =
        kLayoutColumns * QFontMetricsF(pageFont, printer).horizontalAdvance(QLatin1Char('0'));
    const double scale = std::min(1.0, pageRect.width() / layoutWidth);
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    painter.scale(scale, scale);
    painter.setFont(pageFont);
    painter.setPen(Qt::black);
    const ReportPage page(&painter, int(pageRect.width() / scale), pageFont);
    Pager pager(printer, int(pageRect.height() / scale));

    page.centred(kTitleY, QStringLiteral("TALVORA"));
    page.centred(kSubtitleY, tr("THERAPEUTIC DRUG MONITORING REPORT"));
    int y = kSubtitleY;
    if (!m_session.patient.firstName.isEmpty())
        y = paintPatientInfo(page, pager.roomFor(y, kPatientReserve));
    if (anyTicked(
            {PopulationParameters, CustomParameters, BayesianParameters, LeastSquaresParameters}))
        y = paintPKParam(page, pager.roomFor(y, kParameterReserve));
    if (anyTicked({PriorGraph, BayesianGraph, LeastSquaresGraph}))
        y = paintGraph(page, pager.roomFor(y, kGraphReserve));
    if (ticked(Regimen)) {
        y = pager.roomFor(y, kForecastReserve);
        y = isPhenytoin() ? paintPHDosageRegimenForcast(page, y)
                          : paintDosageRegimenForcast(page, y);
    }
    if (ticked(Level)) {
        y = pager.roomFor(y, kForecastReserve);
        y = isPhenytoin() ? paintPHSerumLevelForcast(page, y) : paintSerumLevelForcast(page, y);
    }
    if (!m_content.comment.isEmpty())
        y = paintComment(page, pager, y);
    paintSignature(page, pager, y);
    return true;
}

int ReportComposer::paintPatientInfo(const ReportPage& page, int currentY) const
{
    const SessionData& s = m_session;
    const QString code = s.patient.drugCode;
    page.centred(currentY + 15, code == QLatin1String(userChoiceCode) ? s.userChoice.drugNameText
                                                                      : drugCode(code));
    const int lineA = currentY + 35;
    // A long name is drawn narrower to keep a character's gap before the centred number:
    // run together, the two would read as one word.
    const QString number = tr("Patient #%1").arg(s.patient.hospitalId);
    page.textBefore(page.x(kNamePosition), lineA, page.centredX(number) - page.charWidth(),
                    s.patient.lastName + QStringLiteral(", ") + s.patient.firstName);
    page.centred(lineA, number);
    page.text(kDatePosition, lineA,
              tr("Date: %1").arg(m_content.printedAt.toString(QStringLiteral("MM/dd/yyyy"))));

    const int lineB = currentY + 55;
    page.text(kLeftColumn, lineB, tr("Age: %1 Years").arg(fixed(s.ageYears, 1)));
    page.text(kMiddleColumn, lineB, tr("Height: %1").arg(heightText(s.heightCm)));
    page.text(kRightColumn, lineB, tr("Crs = %1").arg(creatinine(s.scr1)));

    const int lineC = lineB + kLineStep;
    page.text(kLeftColumn, lineC, tr("Sex: %1").arg(sexText(s.patient.sex)));
    page.text(kMiddleColumn, lineC, tr("Weight: %1").arg(weightText(s.weightKg)));
    const QString clearance = clearanceKnown(s)
                                  ? tr("Estimated CLcr = %1 mL/min").arg(fixed(s.crcl, 2))
                                  : tr("CLcr not estimated");
    int last = lineC;
    if (s.renalMode == 0) {
        page.text(kRightColumn, lineC, clearance);
    } else {
        page.text(kRightColumn, lineC, tr("Crs2 = %1").arg(creatinine(s.scr2)));
        last += kLineStep;
        page.text(kMiddleColumn, last, clearance);
        page.text(kRightColumn, last,
                  tr("Crs Time = %1").arg(givenMeasure(s.scrHoursBetween, QStringLiteral(" hr"))));
    }
    if (code == QLatin1String(phenytoinCode) || code == kValproicAcidCode) {
        last += 20;
        page.text(kMiddleColumn, last,
                  tr("Albumin: %1").arg(givenMeasure(s.albumin, QStringLiteral(" g/dL"))));
    }
    return page.rule(last + kRuleGap);
}

// The F shown for a set follows the ticked forecast section, whose window chose the route; a
// forecast of fits the case no longer holds says nothing of the F of those it holds.
double ReportComposer::shownF(int source) const
{
    const bool ph = isPhenytoin();
    const auto recordF = [&](const ReportSetValues& f, const FittedSetsStamp& stamp) {
        return m_session.holdsStampedSet(stamp, source) ? f[source] : m_session.displayedF[source];
    };
    const SessionData& s = m_session;
    if (ticked(reportbox::Regimen))
        return ph ? recordF(s.phRegimenReport.f, s.phRegimenReport.fittedFrom)
                  : recordF(s.regimenReport.f, s.regimenReport.fittedFrom);
    if (ticked(reportbox::Level))
        return ph ? recordF(s.phLevelForecastReport.f, s.phLevelForecastReport.fittedFrom)
                  : recordF(s.levelForecastReport.f, s.levelForecastReport.fittedFrom);
    return s.displayedF[source];
}

int ReportComposer::paintPKParam(const ReportPage& page, int currentY) const
{
    page.centred(currentY + 15, tr("Pharmacokinetic Parameters"));
    const bool ph = isPhenytoin();
    // Phenytoin is eliminated at a rate that depends on its level: Km and Vmax describe it, and
    // a clearance or half-life would mislead.
    QStringList rows = ph ? QStringList{tr("Bioavailability (%):  "), tr("Vol. of Dist. (L):    "),
                                        tr("Km (mg/L):            "), tr("Vmax (mg/day):        ")}
                          : QStringList{tr("Bioavailability (%):  "), tr("Clearance (L/hr):     "),
                                        tr("Vol. of Dist. (L):    "), tr("Half-Life (hr):       "),
                                        tr("Time to SS (hr):      ")};
    QString header;
    QString dashes;
    int columns = 0;
    for (int source = 0; source < pk::kReportSetCount; ++source) {
        if (!ticked(reportbox::parameterBoxes[source]))
            continue;
        const ParameterColumn& column = kParameterColumns[source];
        const PkParameterSet& set = m_session.pkSets[column.method];
        const QString gap = column.lastColumn ? QString() : kCellGap;
        header += QLatin1String(column.header);
        dashes += QLatin1String(column.dashes);
        rows[0] += parameterValue(100.0 * shownF(source)) + kCellGap;
        const double cl = set[pk::kCl];
        const double vd = set[pk::kVd];
        const QStringList cells =
            ph ? QStringList{parameterValue(vd), parameterValue(set[pk::kKm]),
                             parameterValue(set[pk::kVmax])}
               : QStringList{parameterValue(cl), parameterValue(vd), derived(halfLife(cl, vd)),
                             derived(timeToSteadyState(cl, vd))};
        for (int row = 0; row < cells.size(); ++row)
            rows[row + 1] += cells[row] + gap;
        ++columns;
    }
    const TablePlace place = kTablePlaces[std::max(columns, 1) - 1];
    int y = currentY + 35;
    page.text(place.header, y, header);
    page.text(place.header, y += kLineStep, dashes);
    for (const QString& row : rows)
        page.text(place.rows, y += kLineStep, row);
    return page.rule(y + kRuleGap);
}

int ReportComposer::paintGraph(const ReportPage& page, int currentY) const
{
    using namespace reportbox;
    const reportgraph::Curves curves{ticked(PriorGraph), ticked(LeastSquaresGraph),
                                     ticked(BayesianGraph)};
    struct Column {
        QString label;
        int level;
    };
    QVector<Column> predictions;
    if (curves.prior)
        predictions.append({reportgraph::priorColumnName(m_session), pk::kTablePrior});
    if (curves.leastSquares)
        predictions.append({QStringLiteral("LS"), pk::kTableLeastSquares});
    if (curves.bayesian)
        predictions.append({QStringLiteral("Bayes"), pk::kTableBayesian});

    // The table stands right of the picture and moves left as far as it must to end inside
    // the page; the picture shrinks to leave it that room.
    const int charWidth = page.charWidth();
    const int lastColumn =
        kFirstPredictionColumn + kPredictionColumnStep * std::max(int(predictions.size()) - 1, 0);
    const int left = std::min(page.x(kLevelTablePosition),
                              page.pageWidth() - (lastColumn + kLevelChars) * charWidth);
    const auto cell = [&](int column, int y, const QString& text) {
        page.textAt(left + column * charWidth, y, text);
    };

    const QString title = tr("Serum Level Graph");
    page.painter()->drawText(
        QPoint(int((kGraphTitleWidth - page.fm().horizontalAdvance(title)) * 0.5), currentY + 15),
        title);
    const int room = left - kGraphToTableGap;
    const double scale = std::min(1.0, double(room) / reportgraph::kPictureWidth);
    page.painter()->drawPixmap(QRect(0, currentY + kGraphTop,
                                     int(reportgraph::kPictureWidth * scale),
                                     int(reportgraph::kPictureHeight * scale)),
                               reportgraph::picture(m_session, curves));
    const int end = page.rule(currentY + kGraphReserve);

    cell(0, currentY + 15, tr("Serum Drug Concentrations (%1)").arg(concentrationUnit(m_session)));
    QVector<QPair<int, QString>> header = {{0, QStringLiteral("Date")},
                                           {kTimeColumn, QStringLiteral("Time")},
                                           {kMeasuredColumn, QStringLiteral("Actual")}};
    for (int i = 0; i < predictions.size(); ++i)
        header.append({kFirstPredictionColumn + i * kPredictionColumnStep, predictions[i].label});
    for (const auto& [column, label] : header) {
        cell(column, currentY + 35, label);
        cell(column, currentY + 50, QString(label.size(), QLatin1Char('-')));
    }
    int y = currentY + 50;
    for (const reportgraph::LevelRow& row : reportgraph::levelRows(m_session)) {
        y += kLineStep;
        // Month first, as every other date of the program.
        cell(0, y, row.sampledAt.toString(QStringLiteral("MM/dd")));
        cell(kTimeColumn, y, row.sampledAt.toString(QStringLiteral("HHmm")));
        cell(kMeasuredColumn, y, measuredLevel(row.levels[pk::kTableMeasured]));
        for (int i = 0; i < predictions.size(); ++i)
            cell(kFirstPredictionColumn + i * kPredictionColumnStep, y,
                 predictedLevel(row.levels[predictions[i].level]));
    }
    return end;
}

int ReportComposer::paintDosageRegimenForcast(const ReportPage& page, int currentY) const
{
    const RegimenReport& r = m_session.regimenReport;
    const QString concentration = concentrationUnit(m_session);
    const QString unit = doseUnit(m_session);
    QString desired;
    if (r.routeLetter == pk::kLetterContinuousIv)
        desired = tr("DESIRED LEVELS (%1):\t\tAverage: %2")
                      .arg(concentration, fixed(r.desiredAverage, 2));
    else if (r.routeLetter == pk::kLetterIntermittentIv)
        desired = tr("DESIRED LEVELS (%1):\tPost (%2 hr): %3\tTrough: %4")
                      .arg(concentration, fixed(r.postTime, 1), fixed(r.desiredPostLevel, 2),
                           fixed(r.desiredTrough, 2));
    else
        desired = tr("DESIRED LEVELS (%1):\tPeak: %2\tTrough: %3")
                      .arg(concentration, fixed(r.desiredPeak, 2), fixed(r.desiredTrough, 2));
    const bool continuous = r.routeLetter == pk::kLetterContinuousIv;
    return paintRegimen(page, currentY, desired, tr("CALCULATED DOSE USING"), [&](int source) {
        const double dose = r.dose[source]; // a continuous infusion's rate per hour
        if (dose < 0.0 || !std::isfinite(dose))
            return forecastValue(dose, 1);
        if (continuous)
            return rateSentence(dose, unit, r.routeSentence);
        return doseSentence(dose, unit, r.interval[source], r.routeSentence, r.infusionTime);
    });
}

int ReportComposer::paintRegimen(const ReportPage& page, int currentY, const QString& desired,
                                 const QString& heading,
                                 const std::function<QString(int)>& doseLine) const
{
    page.centred(currentY + kForecastTitleGap,
                 tr("Calculated Dosage Regimen For Desired Serum Level"));
    page.text(kLeftMargin, currentY + kForecastFirstLine, desired);
    page.text(kLeftMargin, currentY + kForecastSecondLine, heading);
    int y = currentY + kForecastSecondLine;
    for (int source = 0; source < pk::kReportSetCount; ++source) {
        if (ticked(reportbox::regimenBoxes[source]))
            page.text(kLeftMargin, y += kLineStep,
                      QLatin1String(kSourcePrefixes[source]) + doseLine(source));
    }
    return page.rule(y + kRuleGap);
}

int ReportComposer::paintPHDosageRegimenForcast(const ReportPage& page, int currentY) const
{
    const PhRegimenReport& r = m_session.phRegimenReport;
    const QString unit = phenytoinDoseUnit(r.routeLetter, doseUnit(m_session));
    const QString desired = tr("DESIRED LEVELS (%1):\tAverage: %2")
                                .arg(concentrationUnit(m_session), fixed(r.desiredAverage, 1));
    return paintRegimen(page, currentY, desired, tr("CALCULATED DOSE USING:"), [&](int source) {
        const double dose = r.dailyDose[source];
        if (dose < 0.0 || !std::isfinite(dose))
            return forecastValue(dose, 1);
        return QStringLiteral("%1 %2 every %3 hours %4")
            .arg(fixed(dose, 1), unit, fixed(r.interval, 1), r.routeSentence);
    });
}

QString ReportComposer::levelColumnHeader() const
{
    QString header;
    for (int source = 0; source < pk::kReportSetCount; ++source)
        if (ticked(reportbox::levelBoxes[source]))
            header += QLatin1String(kLevelHeaders[source]);
    return header;
}

int ReportComposer::paintSerumLevelForcast(const ReportPage& page, int currentY) const
{
    const LevelForecastReport& r = m_session.levelForecastReport;
    const QString unit = doseUnit(m_session);
    const bool continuous = r.routeLetter == pk::kLetterContinuousIv;
    // A steady continuous infusion has an average level only.
    const bool averageOnly = continuous && !r.unevenDosing;
    const bool postExists = r.hasPostLevel();
    page.centred(currentY + kForecastTitleGap,
                 tr("Calculated Serum Level For Desired Dosage Regimen"));
    QString entered;
    if (r.unevenDosing)
        entered = QStringLiteral("%1 %2 every 24 hours %3")
                      .arg(fixed(r.enteredDose, 1), unit, r.routeSentence);
    else if (continuous)
        entered = rateSentence(r.rate, unit, r.routeSentence);
    else
        entered = doseSentence(r.enteredDose, unit, r.interval, r.routeSentence, r.infusionTime);
    page.text(kLeftMargin, currentY + kForecastFirstLine, tr("ENTERED DOSE:  %1").arg(entered));
    page.text(kLeftMargin, currentY + kForecastSecondLine,
              tr("PREDICTED LEVELS (%1):").arg(concentrationUnit(m_session)));
    page.text(kLevelHeaderPosition, currentY + kForecastSecondLine, levelColumnHeader());

    QString peak = QStringLiteral("Peak  \t");
    QString trough = QStringLiteral("Trough\t");
    QString post = QStringLiteral("Post  \t");
    QString average = QStringLiteral("Average\t");
    const QString tab = QStringLiteral("\t");
    for (int source = 0; source < pk::kReportSetCount; ++source) {
        if (!ticked(reportbox::levelBoxes[source]))
            continue;
        if (averageOnly) {
            average += forecastValue(r.averageLevel[source], 2) + tab;
            continue;
        }
        peak += forecastValue(r.peak[source], 2) + tab;
        trough += forecastValue(r.trough[source], 2) + tab;
        // "no result" says the set's computation failed; a dash, that this regimen has no post
        // level (or none at the chosen post time).
        const bool computed = forecastComputed(r.peak[source]);
        post += (computed && !postExists ? kNoLevel : forecastValue(r.postLevel[source], 2)) + tab;
    }
    int y = currentY + 75;
    if (averageOnly) {
        page.text(kLevelRowPosition, y, average);
    } else {
        page.text(kLevelRowPosition, y, peak);
        page.text(kLevelRowPosition, y += kLineStep, trough);
        page.text(kLevelRowPosition, y += kLineStep, post);
    }
    return page.rule(y + kRuleGap);
}

int ReportComposer::paintPHSerumLevelForcast(const ReportPage& page, int currentY) const
{
    const PhLevelForecastReport& r = m_session.phLevelForecastReport;
    const QString unit = doseUnit(m_session);
    const QString firstUnit = phenytoinDoseUnit(r.route1Letter, unit);
    const bool secondRoute = r.dose2 >= 0.0;
    page.centred(currentY + kForecastTitleGap,
                 tr("Calculated Serum Level For Desired Dosage Regimen"));
    QString first = tr("ENTERED DOSE:  %1 %2 every %3 hours %4")
                        .arg(fixed(r.dose1, 1), firstUnit, fixed(r.interval1, 1), r.route1Sentence);
    first += secondRoute ? QStringLiteral(" and") : QStringLiteral(".");
    int y = currentY + kForecastFirstLine;
    page.text(kLeftMargin, y, first);
    if (secondRoute)
        page.text(kPhSecondRoutePosition, y += kLineStep,
                  QStringLiteral("%1 %2 every %3 hours %4.")
                      .arg(fixed(r.dose2, 1), unit, fixed(r.interval2, 1), r.route2Sentence));
    y += kForecastSecondLine - kForecastFirstLine;
    page.text(kLeftMargin, y, tr("PREDICTED LEVELS (%1):").arg(concentrationUnit(m_session)));
    page.text(kPhLevelHeaderPosition, y, levelColumnHeader());

    QString observed = QStringLiteral("Observed Average      ");
    QString adjusted = QStringLiteral("Adjusted Average      ");
    QString time = QStringLiteral("Time to 90% SS (days) ");
    const QString tab = QStringLiteral("\t");
    for (int source = 0; source < pk::kReportSetCount; ++source) {
        if (!ticked(reportbox::levelBoxes[source]))
            continue;
        const bool saturated = r.noSteadyState[source];
        const double level = r.observedAverage[source];
        observed += phenytoinLevelValue(saturated, level, level, 2) + tab;
        adjusted += phenytoinLevelValue(saturated, level, r.adjustedAverage[source], 2) + tab;
        time += phenytoinLevelValue(saturated, level, r.timeTo90[source], 2) + tab;
    }
    page.text(kPhLevelRowPosition, y + kLineStep, observed);
    page.text(kPhLevelRowPosition, y + 2 * kLineStep, adjusted);
    page.text(kPhLevelRowPosition, y + 3 * kLineStep, time);
    return page.rule(y + 3 * kLineStep + kRuleGap);
}

int ReportComposer::paintComment(const ReportPage& page, Pager& pager, int currentY) const
{
    int y = pager.roomFor(currentY, kLineStep + kCommentLineReserve);
    page.centred(y += kLineStep, tr("Comment"));
    QString rest = m_content.comment;
    bool paragraphStart = true;
    while (!rest.isEmpty()) {
        y = pager.roomFor(y, kCommentLineReserve) + kLineStep;
        const int limit = paragraphStart ? kParagraphChars : kContinuationChars;
        const int position = paragraphStart ? kParagraphPosition : kContinuationPosition;
        const QString line = takeCommentLine(rest, limit, paragraphStart);
        page.text(position, y, line);
    }
    return y;
}

int ReportComposer::paintSignature(const ReportPage& page, Pager& pager, int currentY) const
{
    page.painter()->setFont(QFont(kPageFontFamily, kSignatureFontSize));
    int y = pager.roomFor(currentY, kSignatureReserve) + kSignatureGap;
    page.text(kSignatureLinePosition, y, QStringLiteral("_______________"));
    y += kSignatureLabelGap;
    page.text(kSignatureLabelPosition, y, tr("signature"));
    return y;
}
