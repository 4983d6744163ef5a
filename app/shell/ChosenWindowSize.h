#pragma once

#include <QObject>
#include <QSize>

class QWidget;

// Gives a window back the size it was given once its widgets need less room again. Qt enlarges a
// window to the least its layout needs but never makes it smaller afterwards, so one page that
// needed more room would leave the window that wide for every page after it, past the edge of a
// small screen. A size the user or the program chose is kept; only the room the layout forced
// on the window goes back. Owned by the window.
class ChosenWindowSize : public QObject
{
public:
    explicit ChosenWindowSize(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void resized(const QSize& size);
    void giveBackForcedRoom();

    QWidget* m_window; // the owner
    QSize m_chosen;
};
