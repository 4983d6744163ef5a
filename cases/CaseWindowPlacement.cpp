#include "cases/CaseWindowPlacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace
{
constexpr int kCascadeStep = 24;
// Room kept above a window for the title bar the desktop adds.
constexpr int kTitleBarHeight = 30;
constexpr int kSmallestScreenWidth = 1024;
constexpr int kSmallestScreenHeight = 768;
} // namespace

QPoint caseWindowPlace(const QSize& size, CaseWindowSlot slot, const QRect& available)
{
    const QSize screen =
        available.size().expandedTo(QSize(kSmallestScreenWidth, kSmallestScreenHeight));
    const int step = static_cast<int>(slot) * kCascadeStep;
    const int x = std::min(step, std::max(0, screen.width() - size.width()));
    const int y = std::min(step, std::max(0, screen.height() - kTitleBarHeight - size.height()));
    return available.topLeft() + QPoint(x, y);
}

void placeCaseWindow(QWidget* window, CaseWindowSlot slot)
{
    const QWidget* parent = window->parentWidget();
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // A dialog moved before it is shown keeps its place instead of centring on its parent.
    window->move(caseWindowPlace(window->size(), slot, screen->availableGeometry()));
}
