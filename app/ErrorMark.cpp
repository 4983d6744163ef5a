#include "app/ErrorMark.h"

#include <QWidget>

void setErrorMark(QWidget* field, bool marked)
{
    field->setStyleSheet(marked ? QStringLiteral("background-color:rgb(255, 102, 102);")
                                : QString());
}
