#include "app/shell/ChosenWindowSize.h"

#include <QEvent>
#include <QResizeEvent>
#include <QWidget>

namespace
{
// Qt enlarges a window to exactly its minimum; any other new size was chosen.
bool forced(int size, int least, int chosen)
{
    return size == least && size > chosen;
}
} // namespace

ChosenWindowSize::ChosenWindowSize(QWidget* window)
    : QObject(window), m_window(window), m_chosen(window->size())
{
    window->installEventFilter(this);
}

bool ChosenWindowSize::eventFilter(QObject* /*watched*/, QEvent* event)
{
    if (event->type() == QEvent::Resize)
        resized(static_cast<QResizeEvent*>(event)->size());
    else if (event->type() == QEvent::LayoutRequest)
        giveBackForcedRoom(); // the window's layout has already taken the request
    return false;
}

void ChosenWindowSize::resized(const QSize& size)
{
    const QSize least = m_window->minimumSize();
    if (!forced(size.width(), least.width(), m_chosen.width()))
        m_chosen.setWidth(size.width());
    if (!forced(size.height(), least.height(), m_chosen.height()))
        m_chosen.setHeight(size.height());
}

void ChosenWindowSize::giveBackForcedRoom()
{
    if (!m_window->isVisible() || m_window->isMaximized() || m_window->isFullScreen())
        return;
    const QSize size = m_window->size();
    const QSize wanted = size.boundedTo(m_chosen.expandedTo(m_window->minimumSize()));
    if (wanted != size)
        m_window->resize(wanted);
}
