#include "app/NarrowCombo.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace
{
// Room an item takes beside its text in the list.
constexpr int itemMargins = 16;

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
}
