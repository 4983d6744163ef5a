#include "tests/support/WindowFit.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTableView>
#include <QTextDocument>
#include <QTextEdit>
#include <QTreeView>

#include <algorithm>
#include <functional>

namespace testsupport
{
namespace
{
// Room a push button's frame takes on each side of its text.
constexpr int buttonFrame = 2;
constexpr int iconSpacing = 4;
// Room a line edit keeps between its frame and its text on each side.
constexpr int lineEditMargin = 2;

// What a widget's text needs and the room it has.
struct Fit {
    QString text;
    QSize needed;
    QSize room;
};

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

QString cutMessage(const QWidget* widget, const Fit& fit)
{
    if (fit.text.isEmpty() ||
        (fit.needed.width() <= fit.room.width() && fit.needed.height() <= fit.room.height()))
        return {};
    return QStringLiteral("%1: %2 (needs %3 x %4, has %5 x %6)")
        .arg(widget->objectName(), oneLine(fit.text))
        .arg(fit.needed.width())
        .arg(fit.needed.height())
        .arg(fit.room.width())
        .arg(fit.room.height());
}

Fit labelFit(const QLabel* label)
{
    if (label->wordWrap())
        return {
            label->text(), {label->width(), label->heightForWidth(label->width())}, label->size()};
    return {label->text(), label->sizeHint(), label->size()};
}

Fit pushButtonFit(const QPushButton* button)
{
    QSize needed = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    if (!button->icon().isNull())
        needed.rwidth() += button->iconSize().width() + iconSpacing;
    const QRect room =
        button->contentsRect().adjusted(buttonFrame, buttonFrame, -buttonFrame, -buttonFrame);
    return {button->text(), needed, room.size()};
}

Fit checkableFit(const QAbstractButton* box)
{
    return {box->text(), {box->sizeHint().width(), 0}, box->size()};
}

// A combo box shows each of its items whole, or keeps a fixed width and shows the chosen text
// whole in its tooltip and every item whole in its list.
Fit comboFit(const QComboBox* combo)
{
    const QFontMetrics metrics = combo->fontMetrics();
    int widestText = 0;
    for (int item = 0; item < combo->count(); ++item)
        widestText = std::max(widestText, metrics.horizontalAdvance(combo->itemText(item)));
    const bool carriesWholeTexts =
        combo->toolTip() == combo->currentText() && combo->view()->minimumWidth() >= widestText;
    if (combo->isEditable() || carriesWholeTexts)
        return {};
    QStyleOptionComboBox option;
    option.initFrom(combo);
    Fit widest{QString(), {0, 0}, combo->size()};
    for (int item = 0; item < combo->count(); ++item) {
        const QString text = combo->itemText(item);
        const QSize needed = combo->style()->sizeFromContents(
            QStyle::CT_ComboBox, &option, metrics.size(Qt::TextSingleLine, text), combo);
        if (needed.width() > widest.needed.width())
            widest = {text, {needed.width(), 0}, combo->size()};
    }
    return widest;
}

Fit tableFit(const QTableView* table)
{
    if (!table->model())
        return {};
    return {QStringLiteral("columns need scrolling"),
            {table->horizontalHeader()->length(), 0},
            table->viewport()->size()};
}

// The first column header of a shown table that is narrower than its text.
Fit headerFit(const QTableView* table)
{
    const QHeaderView* header = table->horizontalHeader();
    if (!table->model() || header->isHidden())
        return {};
    for (int column = 0; column < header->count(); ++column) {
        if (header->isSectionHidden(column))
            continue;
        const int needed = header->sectionSizeHint(column);
        if (header->sectionSize(column) < needed)
            return {table->model()->headerData(column, Qt::Horizontal).toString(),
                    {needed, 0},
                    {header->sectionSize(column), 0}};
    }
    return {};
}

// A tree's items show whole, each with its indentation and icon, in the tree's first column: a
// tree elides an item's text rather than scroll it.
Fit treeFit(const QTreeView* tree)
{
    if (!tree->model())
        return {};
    const int room = std::min(tree->header()->sectionSize(0), tree->viewport()->width());
    return {
        QStringLiteral("items of %1").arg(tree->model()->headerData(0, Qt::Horizontal).toString()),
        {static_cast<const QAbstractItemView*>(tree)->sizeHintForColumn(0), 0},
        {room, 0}};
}

// A spin box shows its value and the text that stands for its minimum ("no result") whole.
Fit spinBoxFit(const QAbstractSpinBox* box)
{
    const auto* edit = box->findChild<const QLineEdit*>();
    if (!edit)
        return {};
    const QFontMetrics metrics = edit->fontMetrics();
    const QString special = box->specialValueText();
    const QString text = metrics.horizontalAdvance(special) > metrics.horizontalAdvance(box->text())
                             ? special
                             : box->text();
    const int room = edit->contentsRect().width() - edit->textMargins().left() -
                     edit->textMargins().right() - 2 * lineEditMargin;
    return {text, {metrics.horizontalAdvance(text), 0}, {room, 0}};
}

// Empty when the widget shows its whole text, or has none of the kinds checked.
QString cutText(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return cutMessage(widget, labelFit(label));
    if (const auto* button = qobject_cast<const QPushButton*>(widget))
        return cutMessage(widget, pushButtonFit(button));
    if (qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QRadioButton*>(widget))
        return cutMessage(widget, checkableFit(static_cast<const QAbstractButton*>(widget)));
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return cutMessage(widget, comboFit(combo));
    if (const auto* box = qobject_cast<const QAbstractSpinBox*>(widget))
        return cutMessage(widget, spinBoxFit(box));
    if (const auto* tree = qobject_cast<const QTreeView*>(widget))
        return cutMessage(widget, treeFit(tree));
    if (const auto* table = qobject_cast<const QTableView*>(widget)) {
        const QString scrolling = cutMessage(widget, tableFit(table));
        return scrolling.isEmpty() ? cutMessage(widget, headerFit(table)) : scrolling;
    }
    return {};
}

// ---- Texts running under their neighbours ----

// The room QLabel keeps between its frame and its text on the side its text is aligned to.
int labelIndent(const QLabel* label)
{
    if (label->indent() >= 0 || label->frameWidth() == 0)
        return label->indent();
    return label->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - label->margin();
}

QRect labelRoom(const QLabel* label, Qt::Alignment align)
{
    const int margin = label->margin();
    QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
    const int indent = labelIndent(label);
    if (indent <= 0)
        return room;
    if (align & Qt::AlignLeft)
        room.setLeft(room.left() + indent);
    if (align & Qt::AlignRight)
        room.setRight(room.right() - indent);
    if (align & Qt::AlignTop)
        room.setTop(room.top() + indent);
    if (align & Qt::AlignBottom)
        room.setBottom(room.bottom() - indent);
    return room;
}

// Where a label paints its text, in its parent's coordinates: a text wider or taller than the
// label's box is placed by the alignment as if nothing clipped it.
QRect labelTextRect(const QLabel* label)
{
    const Qt::Alignment align =
        QStyle::visualAlignment(label->layoutDirection(), label->alignment());
    const QRect room = labelRoom(label, align);
    const bool rich = label->textFormat() == Qt::RichText ||
                      (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    QRect text;
    if (rich) {
        QTextDocument document;
        document.setDefaultFont(label->font());
        document.setHtml(label->text());
        if (label->wordWrap())
            document.setTextWidth(room.width());
        text = QStyle::alignedRect(label->layoutDirection(), align, document.size().toSize(), room);
    } else {
        const int flags = int(align) | (label->wordWrap() ? Qt::TextWordWrap : 0) |
                          (label->buddy() ? Qt::TextShowMnemonic : 0);
        text = label->fontMetrics().boundingRect(room, flags, label->text());
    }
    return text.translated(label->pos());
}

// Empty unless the widget is a label whose text runs under a shown widget beside it.
QString textUnderNeighbour(const QWidget* widget)
{
    const auto* label = qobject_cast<const QLabel*>(widget);
    if (!label || label->text().isEmpty() || !label->parentWidget())
        return {};
    const QRect text = labelTextRect(label);
    for (const QObject* child : label->parentWidget()->children()) {
        const auto* sibling = qobject_cast<const QWidget*>(child);
        if (!sibling || sibling == label || sibling->isWindow() || !sibling->isVisible())
            continue;
        if (text.intersects(sibling->geometry()))
            return QStringLiteral("%1: %2 runs under %3")
                .arg(label->objectName(), oneLine(label->text()), sibling->objectName());
    }
    return {};
}

// ---- Fields and their widest texts ----

// QLineEdit keeps its style option to itself; a pointer to the member, named through a class
// derived from it, may call it on any line edit.
struct LineEditOption : QLineEdit {
    static QStyleOptionFrame of(const QLineEdit* edit)
    {
        QStyleOptionFrame option;
        (edit->*(&LineEditOption::initStyleOption))(&option);
        return option;
    }
};

// The width a line edit has for its text: inside its frame, its text margins and the margin it
// keeps on each side.
int lineEditRoom(const QLineEdit* edit)
{
    const QStyleOptionFrame option = LineEditOption::of(edit);
    const QRect contents =
        edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    const QMargins text = edit->textMargins();
    return contents.width() - text.left() - text.right() - 2 * lineEditMargin;
}

QString fieldTooNarrow(const QWidget* widget, const QVector<WidestText>& widest)
{
    const auto* edit = qobject_cast<const QLineEdit*>(widget);
    if (!edit)
        return {};
    for (const WidestText& w : widest) {
        if (!w.fields.match(edit->objectName()).hasMatch())
            continue;
        return cutMessage(
            edit,
            {w.text, {edit->fontMetrics().horizontalAdvance(w.text), 0}, {lineEditRoom(edit), 0}});
    }
    return {};
}

// The character a line edit shows first at the left of its text room.
int firstShownCharacter(QLineEdit* edit)
{
    edit->grab(); // a line edit scrolls its text as it paints
    const QStyleOptionFrame option = LineEditOption::of(edit);
    const QRect contents =
        edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    const int textLeft = contents.left() + edit->textMargins().left() + lineEditMargin;
    return edit->cursorPositionAt(QPoint(textLeft, contents.center().y()));
}

QString hidingItsStart(QWidget* widget, const QRegularExpression& fields)
{
    auto* edit = qobject_cast<QLineEdit*>(widget);
    if (!edit || !fields.match(edit->objectName()).hasMatch())
        return {};
    const QString text = edit->text();
    const int first = firstShownCharacter(edit);
    if (first != 0)
        return QStringLiteral("%1: \"%2\" shows from \"%3\"")
            .arg(edit->objectName(), text, text.mid(first));
    if (edit->fontMetrics().horizontalAdvance(text) > lineEditRoom(edit) && edit->toolTip() != text)
        return QStringLiteral("%1: \"%2\" is not whole in its tooltip")
            .arg(edit->objectName(), text);
    return {};
}

// ---- Items told apart in a closed combo box ----

// Empty unless two items of the combo box show alike when chosen. Each is chosen in turn, with
// the box's signals held so that the window takes none of them for the user's choice.
QString lookAlike(QWidget* widget)
{
    auto* combo = qobject_cast<QComboBox*>(widget);
    if (!combo || combo->isEditable() || combo->count() < 2)
        return {};
    const QSignalBlocker quiet(combo);
    const int chosen = combo->currentIndex();
    QVector<QImage> shown;
    QStringList alike;
    for (int item = 0; item < combo->count(); ++item) {
        combo->setCurrentIndex(item);
        const QImage picture = combo->grab().toImage();
        const int same = shown.indexOf(picture);
        if (same >= 0)
            alike << QStringLiteral("\"%1\" looks like \"%2\"")
                         .arg(combo->itemText(item), combo->itemText(same));
        shown << picture;
    }
    combo->setCurrentIndex(chosen);
    if (alike.isEmpty())
        return {};
    return combo->objectName() + QStringLiteral(": ") + alike.join(QStringLiteral(", "));
}

// ---- Walking a window ----

using WidgetCheck = std::function<QString(QWidget*)>;

void collect(QWidget* window, const WidgetCheck& check, QStringList& found)
{
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisible())
            continue;
        const QString problem = check(widget);
        if (!problem.isEmpty() && !found.contains(problem))
            found << problem;
    }
}

// What `check` finds on every page of the window's stacked and tab widgets.
QStringList onEveryPage(QWidget* window, const WidgetCheck& check)
{
    QStringList found;
    settleLayouts();
    collect(window, check, found);
    // Pages not shown are not laid out: show each in turn.
    for (QStackedWidget* stack : window->findChildren<QStackedWidget*>()) {
        if (!stack->isVisible())
            continue;
        const int shown = stack->currentIndex();
        for (int page = 0; page < stack->count(); ++page) {
            stack->setCurrentIndex(page);
            settleLayouts();
            collect(window, check, found);
        }
        stack->setCurrentIndex(shown);
    }
    settleLayouts();
    return found;
}

bool isField(const QWidget* widget)
{
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
           qobject_cast<const QTableView*>(widget);
}
} // namespace

void settleLayouts()
{
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

QStringList cutTexts(QWidget* window)
{
    return onEveryPage(window, cutText);
}

QStringList textsUnderNeighbours(QWidget* window)
{
    return onEveryPage(window, textUnderNeighbour);
}

QStringList fieldsTooNarrow(QWidget* window, const QVector<WidestText>& widest)
{
    return onEveryPage(window, [&widest](QWidget* w) { return fieldTooNarrow(w, widest); });
}

QStringList fieldsHidingTheirStart(QWidget* window, const QRegularExpression& fields)
{
    return onEveryPage(window, [&fields](QWidget* w) { return hidingItsStart(w, fields); });
}

QStringList lookAlikeItems(QWidget* window)
{
    return onEveryPage(window, lookAlike);
}

QStringList fieldsOutside(QWidget* window, const QRect& room)
{
    settleLayouts();
    QStringList outside;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisible() || !isField(widget) || !widget->parentWidget())
            continue;
        const QRect area(widget->mapTo(window, QPoint(0, 0)), widget->size());
        if (!room.contains(area))
            outside << QStringLiteral("%1 at %2,%3 %4x%5")
                           .arg(widget->objectName())
                           .arg(area.x())
                           .arg(area.y())
                           .arg(area.width())
                           .arg(area.height());
    }
    return outside;
}
} // namespace testsupport
