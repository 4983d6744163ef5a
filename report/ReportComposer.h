#pragma once

#include "pkcore/PkIndices.h"
#include "report/ReportBoxes.h"

#include <QDateTime>
#include <QFont>
#include <QFontMetrics>
#include <QString>

#include <functional>

class QPainter;
class QPrinter;
class SessionData;

// Everything one composition of the report reads; nothing of it is written.
struct ReportContent {
    const SessionData* session = nullptr;
    ReportBoxStates boxes{};
    QString comment;
    QDateTime printedAt;
};

// Where a section painter draws: horizontal positions are thousandths of the page width,
// vertical ones device units from the top of the page rectangle, y being a text's baseline.
class ReportPage
{
public:
    ReportPage(QPainter* painter, int pageWidth, const QFont& font);

    int pageWidth() const { return m_pageWidth; }
    double widthRatio() const { return m_widthRatio; }
    const QFontMetrics& fm() const { return m_fm; }
    QPainter* painter() const { return m_painter; }

    int x(int position) const;
    void text(int position, int y, const QString& text) const;
    // At x in device units.
    void textAt(int x, int y, const QString& text) const;
    // At x in device units, drawn narrower where needed to end before right.
    void textBefore(int x, int y, int right, const QString& text) const;
    // Where centred() would start the text.
    int centredX(const QString& text) const;
    // The advance of one character of the page font (Courier: every character alike).
    int charWidth() const;
    void centred(int y, const QString& text) const;
    // A line across the page at y; returns y.
    int rule(int y) const;

private:
    QPainter* m_painter;
    int m_pageWidth;
    double m_widthRatio;
    QFontMetrics m_fm;
};

// Lays the case report out on a printer's pages: header, patient, parameter table, graph with
// its level table, forecast sections, comment and signature. Each painter returns the y at
// which the next section may start; print() starts a new page before any block that would not
// fit on the current one.
class ReportComposer
{
public:
    explicit ReportComposer(const ReportContent& content);

    // False when the printer could not be opened for painting (nothing was drawn).
    bool print(QPrinter* printer) const;

    int paintPatientInfo(const ReportPage& page, int currentY) const;
    int paintPKParam(const ReportPage& page, int currentY) const;
    int paintGraph(const ReportPage& page, int currentY) const;
    int paintDosageRegimenForcast(const ReportPage& page, int currentY) const;
    int paintPHDosageRegimenForcast(const ReportPage& page, int currentY) const;
    int paintSerumLevelForcast(const ReportPage& page, int currentY) const;
    int paintPHSerumLevelForcast(const ReportPage& page, int currentY) const;

private:
    class Pager;

    bool ticked(reportbox::Box box) const { return m_content.boxes[box]; }
    bool anyTicked(std::initializer_list<reportbox::Box> boxes) const;
    bool isPhenytoin() const;
    // The regimen section of either kind: title, the desired levels, the heading and one dose
    // line for every ticked source.
    int paintRegimen(const ReportPage& page, int currentY, const QString& desired,
                     const QString& heading, const std::function<QString(int)>& doseLine) const;
    QString levelColumnHeader() const;
    double shownF(int source) const;
    int paintComment(const ReportPage& page, Pager& pager, int currentY) const;
    int paintSignature(const ReportPage& page, Pager& pager, int currentY) const;

    const ReportContent& m_content;
    const SessionData& m_session;
};
