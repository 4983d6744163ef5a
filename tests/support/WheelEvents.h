#pragma once

#include <QCoreApplication>
#include <QPoint>
#include <QSpontaneKeyEvent>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

namespace testsupport
{
constexpr int kWheelNotch = 120; // angle delta of one notch, eighths of a degree

// Notches of the wheel (negative: towards the user) with the pointer at `at` in `widget`, as the
// platform delivers them: to the window, which gives them to the widget under the pointer and on
// to its parents while none takes them.
inline void turnWheel(QWidget* widget, QPoint at, int notches)
{
    QWidget* window = widget->window();
    QWheelEvent wheel(widget->mapTo(window, at), widget->mapToGlobal(at), QPoint(),
                      QPoint(0, notches * kWheelNotch), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    // Straight to notify, as QTest gives a widget its mouse: sendEvent would mark it synthetic,
    // and the application passes a synthetic wheel to no parent.
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    QCoreApplication::instance()->notify(window->windowHandle(), &wheel);
}
} // namespace testsupport
