#include "app/NarrowLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>

namespace
{
const QChar ellipsis(0x2026);

// Whether the first `length` characters end between two digits of a number's whole part.
bool cutsWholeDigits(const QString& text, int length)
{
    if (length == 0 || length >= text.size() || !text.at(length - 1).isDigit() ||
        !text.at(length).isDigit())
        return false;
    int start = length - 1;
    while (start > 0 && text.at(start - 1).isDigit())
        --start;
    return start == 0 || text.at(start - 1) != QLatin1Char('.');
}

// The longest beginning of the text that fits the room with an ellipsis behind it.
QString cutToRoom(const QString& text, const QFontMetrics& metrics, int room)
{
    for (int length = text.size() - 1; length > 0; --length) {
        if (cutsWholeDigits(text, length))
            continue;
        const QString shown = text.left(length) + ellipsis;
        if (metrics.horizontalAdvance(shown) <= room)
            return shown;
    }
    return QString(ellipsis);
}
} // namespace

NarrowLabel::NarrowLabel(QLabel* label, const QString& widestUsual)
    : QObject(label), m_label(label), m_widestUsual(widestUsual), m_text(label->text())
{
    label->installEventFilter(this);
    fit();
}

void NarrowLabel::setText(const QString& text)
{
    m_text = text;
    fit();
}

bool NarrowLabel::eventFilter(QObject* watched, QEvent* event)
{
    // The label in QWidget's destructor is a label no longer, and fit() calls QLabel's own.
    if ((event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) &&
        qobject_cast<QLabel*>(watched))
        fit();
    return false;
}

void NarrowLabel::fit()
{
    const QFontMetrics metrics = m_label->fontMetrics();
    const int room = metrics.horizontalAdvance(m_widestUsual);
    const QMargins frame = m_label->contentsMargins();
    m_label->setFixedWidth(room + frame.left() + frame.right() + 2 * m_label->margin());
    const bool fits = metrics.horizontalAdvance(m_text) <= room;
    m_label->setText(fits ? m_text : cutToRoom(m_text, metrics, room));
    m_label->setToolTip(fits ? QString() : m_text);
}
