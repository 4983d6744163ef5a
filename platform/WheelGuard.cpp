#include "platform/WheelGuard.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QWidget>

namespace
{
const QString kGuardName = QStringLiteral("wheelGuard");

class WheelGuard : public QObject
{
public:
    explicit WheelGuard(QObject* parent) : QObject(parent) { setObjectName(kGuardName); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel || static_cast<QWidget*>(watched)->hasFocus())
            return false;
        // Left unaccepted, so that the application offers it to the field's parent.
        event->ignore();
        return true;
    }
};

bool changesOnTheWheel(const QWidget* widget)
{
    return qobject_cast<const QAbstractSpinBox*>(widget) || qobject_cast<const QComboBox*>(widget);
}
} // namespace

void guardWheel(QWidget* form)
{
    QObject* guard = form->findChild<QObject*>(kGuardName, Qt::FindDirectChildrenOnly);
    if (!guard)
        guard = new WheelGuard(form);
    const QList<QWidget*> widgets = form->findChildren<QWidget*>();
    for (QWidget* field : widgets) {
        if (!changesOnTheWheel(field))
            continue;
        if ((field->focusPolicy() & Qt::WheelFocus) == Qt::WheelFocus)
            field->setFocusPolicy(Qt::StrongFocus);
        // Installing it again only moves it to the front.
        field->installEventFilter(guard);
    }
}
