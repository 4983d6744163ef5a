#include "app/NarrowCombo.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include <algorithm>

namespace
{
// Room an item takes beside its text in the list.
constexpr int itemMargins = 16;
// Room the common style keeps between the edit field's edges and the chosen text, on each side,
// and between an icon and the text beside it.
constexpr int labelInset = 1;
constexpr int iconSpacing = 4;

void fitListToItems(QComboBox* combo)
{
    QAbstractItemView* list = combo->view();
    int widest = 0;
    for (int item = 0; item < combo->count(); ++item)
        widest = std::max(widest, list->fontMetrics().horizontalAdvance(combo->itemText(item)));
    const int frame = 2 * list->frameWidth();
    const int scrollBar = combo->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    list->setMinimumWidth(widest + itemMargins + frame + scrollBar);
}

// QComboBox keeps its style option to itself; a pointer to the member, named through a class
// derived from it, may call it on any combo box.
struct ComboOption : QComboBox {
    static QStyleOptionComboBox of(const QComboBox* combo)
    {
        QStyleOptionComboBox option;
        (combo->*(&ComboOption::initStyleOption))(&option);
        return option;
    }
};

// Paints the box as QComboBox does, with the chosen text elided in the middle to the edit field.
class MiddleElision : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Only a whole combo box: one in QWidget's destructor is a combo box no longer.
        auto* combo = qobject_cast<QComboBox*>(watched);
        if (event->type() != QEvent::Paint || !combo)
            return false;
        paint(combo);
        return true;
    }

private:
    static void paint(QComboBox* combo)
    {
        QStylePainter painter(combo);
        painter.setPen(combo->palette().color(QPalette::Text));
        QStyleOptionComboBox option = ComboOption::of(combo);
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, combo);
        int room = field.width() - 2 * labelInset;
        if (!option.currentIcon.isNull())
            room -= option.iconSize.width() + iconSpacing;
        option.currentText =
            combo->fontMetrics().elidedText(option.currentText, Qt::ElideMiddle, room);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }
};
} // namespace

void keepComboNarrow(QComboBox* combo, int characters)
{
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(characters);
    const auto itemsChanged = [combo] { fitListToItems(combo); };
    QAbstractItemModel* items = combo->model();
    QObject::connect(items, &QAbstractItemModel::rowsInserted, combo, itemsChanged);
    QObject::connect(items, &QAbstractItemModel::rowsRemoved, combo, itemsChanged);
    QObject::connect(items, &QAbstractItemModel::modelReset, combo, itemsChanged);
    QObject::connect(items, &QAbstractItemModel::dataChanged, combo, itemsChanged);
    QObject::connect(combo, &QComboBox::currentTextChanged, combo, &QWidget::setToolTip);
    fitListToItems(combo);
    combo->setToolTip(combo->currentText());
    if (!combo->isEditable())
        combo->installEventFilter(new MiddleElision(combo));
}
