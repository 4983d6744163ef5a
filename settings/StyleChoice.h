#pragma once

#include <QString>

class QApplication;

// The style sheet resource that a "BackGround/option" value stands for: the empty text for "0"
// (no style sheet), the sheet of that number for "1" to "3", the fourth sheet for anything else.
QString styleSheetResource(const QString& option);

// Sets the style sheet of that option on the application at once.
void applyStyleOption(QApplication* application, const QString& option);
