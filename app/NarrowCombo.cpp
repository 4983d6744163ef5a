#include "app/NarrowCombo.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QScrollBar>
#include <QStyle>

namespace
{
void fitListToItems(QComboBox* combo)
{
    QAbstractItemView* list = combo->view();
    const int frame = 2 * list->frameWidth();
    const int scrollBar = combo->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    list->setMinimumWidth(list->sizeHintForColumn(0) + frame + scrollBar);
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
