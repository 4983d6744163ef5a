#pragma once

#include <QPoint>

class QRect;
class QSize;
class QWidget;

// Where the case page opens its windows. Each kind of window has its own step down a cascade
// from the screen's top left corner, so that the windows of one case never open exactly over one
// another, and each is drawn back as far as needed to keep it, title bar included, on the screen.
enum class CaseWindowSlot {
    DoseHistory = 1,
    CurveFitting,
    RegimenForecast,
    LevelForecast,
    Report,
};

// The top left corner of the frame of a window of `size` in `slot`, on a screen whose free area is
// `available`. A screen smaller than the smallest the program supports counts as that one.
QPoint caseWindowPlace(const QSize& size, CaseWindowSlot slot, const QRect& available);

// Moves a window that has not been shown yet to its place on the screen of its parent.
void placeCaseWindow(QWidget* window, CaseWindowSlot slot);
