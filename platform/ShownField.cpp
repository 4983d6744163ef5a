#include "platform/ShownField.h"

#include <QLineEdit>
#include <QString>

bool leftAsShown(const QLineEdit* field, const QString& shown)
{
    return !field->isModified() && field->text() == shown;
}
