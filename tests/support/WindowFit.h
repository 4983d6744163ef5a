#pragma once

#include <QRect>
#include <QRegularExpression>
#include <QStringList>
#include <QVector>

class QWidget;

// Checks that hold for every window of the program, whatever it shows.
namespace testsupport
{
// Lets pending layout requests run, so that geometries are final.
void settleLayouts();

// Every label, check box, radio button, push button, combo box item and spin box text (its value or
// the text standing for its minimum) the window shows that does not fit it, and every table whose
// columns need horizontal scrolling or cut a header, on every page of the window's stacked and tab
// widgets: "objectName: text" each.
QStringList cutTexts(QWidget* window);

// Every label whose text, placed by its alignment in its box, runs under another shown widget
// of the same parent: "objectName: text runs under otherName", on every page as cutTexts.
QStringList textsUnderNeighbours(QWidget* window);

// The widest text the line edits whose object names match `fields` take, as the window shows it.
struct WidestText {
    QRegularExpression fields;
    QString text;
};

// Every shown line edit, named by one of `widest`, without room for that widest text whole.
QStringList fieldsTooNarrow(QWidget* window, const QVector<WidestText>& widest);

// Every shown line edit named by `fields` that does not show its text from the first character,
// or whose text does not fit and is not whole in its tooltip: "objectName: ..." each.
QStringList fieldsHidingTheirStart(QWidget* window, const QRegularExpression& fields);

// Every combo box whose closed box shows two of its items alike, so that the chosen one cannot be
// told without opening the list: "objectName: "text" looks like "other", ...".
QStringList lookAlikeItems(QWidget* window);

// Every field (line edit, combo box, spin box, text field, table) the window shows that does not
// lie wholly inside `room`, in the window's coordinates.
QStringList fieldsOutside(QWidget* window, const QRect& room);
} // namespace testsupport
