#include "platform/TypedDateTimeEdit.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>

namespace
{
// Text a key writes: printable and not a shortcut.
bool writesText(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers shortcut = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return !event->text().isEmpty() && event->text().at(0).isPrint() &&
           !(event->modifiers() & shortcut);
}

// Keys that change the text without writing a character; they also start typing.
bool changesText(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete ||
           event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut);
}

// Keys that move about, select or undo in the typed text.
bool movesInText(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return event->matches(QKeySequence::SelectAll) || event->matches(QKeySequence::Copy) ||
               event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo);
    }
}

bool isModifier(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

// Accepts one-digit months, days and hours as well ("1/5/2026", "8:30").
QString relaxedFormat(QString format)
{
    for (const char* twice : {"MM", "dd", "hh", "HH"}) {
        const QString token = QLatin1String(twice);
        if (!format.contains(token + token.at(0)))
            format.replace(token, token.left(1));
    }
    return format;
}
} // namespace

// ---- TypedEntry ----

// A value the field takes by any way clears the refusal of an earlier entry. Enter signals the
// value again although it did not change; that is no new value.
TypedEntry::TypedEntry(QDateTimeEdit* edit, QLineEdit* text) : m_edit(edit), m_text(text)
{
    QObject::connect(edit, &QDateTimeEdit::dateTimeChanged, edit, [this](const QDateTime& value) {
        if (value != m_refusedOver)
            record(QString());
    });
}

bool TypedEntry::takeKey(QKeyEvent* event)
{
    if (m_edit->isReadOnly())
        return false;
    if (m_typing && event->key() == Qt::Key_Escape) {
        end();
        m_edit->setDateTime(m_edit->dateTime());
        return true;
    }
    const bool writes = writesText(event);
    const bool edits = writes || changesText(event);
    if (!m_typing) {
        if (!edits)
            return false;
        // A pasted date or time (from a lab report, say) is a whole entry, as typing is.
        begin(writes || event->matches(QKeySequence::Paste));
    } else if (!edits && !movesInText(event)) {
        // Shift or AltGr held for a separator does not end the entry.
        return isModifier(event);
    }
    QCoreApplication::sendEvent(m_text, event);
    return true;
}

// The field's own section logic sees none of the typing: it would pick the text apart as it
// grows.
void TypedEntry::begin(bool replace)
{
    m_typing = true;
    m_text->blockSignals(true);
    if (replace)
        m_text->clear();
}

void TypedEntry::end()
{
    m_typing = false;
    m_text->blockSignals(false);
}

void TypedEntry::beginMenu()
{
    m_inMenu = true;
    m_menuBegan = !m_typing && !m_edit->isReadOnly();
    if (!m_menuBegan)
        return;
    m_beforeMenu = m_text->text();
    begin(false);
    if (!m_text->hasSelectedText())
        m_text->selectAll();
}

// Copy, cut and delete keep to the part selected, as their keys do; only the paste is moved off
// the line edit's own, which writes over the selection alone. Typing under way pastes in place.
void TypedEntry::takeMenu(QObject* child)
{
    const auto* menu = qobject_cast<QMenu*>(child);
    if (!menu || !m_inMenu || !m_menuBegan)
        return;
    const QString paste = QLineEdit::tr("&Paste");
    for (QAction* action : menu->actions()) {
        if (action->text().section(QLatin1Char('\t'), 0, 0) != paste)
            continue;
        QObject::disconnect(action, &QAction::triggered, m_text, nullptr);
        QObject::connect(action, &QAction::triggered, m_text, [this] {
            m_text->clear();
            m_text->paste();
        });
    }
}

// A menu that changed nothing (copy, select all) leaves no entry to take; typing that went on
// through the menu is taken when the field is left.
std::optional<QString> TypedEntry::endMenu()
{
    m_inMenu = false;
    if (!m_menuBegan || !m_typing)
        return std::nullopt;
    if (m_text->text() == m_beforeMenu) {
        end();
        return std::nullopt;
    }
    return finish();
}

// Runs before the line edit inserts the selection at the click.
void TypedEntry::takeMiddleClick(const QMouseEvent* event)
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (event->button() != Qt::MiddleButton || m_typing || m_edit->isReadOnly() ||
        !clipboard->supportsSelection() || clipboard->text(QClipboard::Selection).isEmpty())
        return;
    begin(true);
}

std::optional<QString> TypedEntry::finish()
{
    if (!m_typing)
        return std::nullopt;
    const QString text = m_text->text().trimmed();
    end();
    const QString refusal = take(text);
    // The field shows its value in its own format again, the typed one or the one it kept.
    m_edit->setDateTime(m_edit->dateTime());
    return refusal;
}

bool TypedEntry::record(const std::optional<QString>& outcome)
{
    if (!outcome)
        return false;
    if (m_refusal.isEmpty())
        m_ownToolTip = m_edit->toolTip();
    m_refusal = *outcome;
    m_refusedOver = m_edit->dateTime();
    m_edit->setToolTip(m_refusal.isEmpty() ? m_ownToolTip : m_refusal);
    return !m_refusal.isEmpty();
}

QString TypedEntry::take(const QString& text)
{
    const bool date = m_edit->displayedSections() & QDateTimeEdit::DateSections_Mask;
    return date ? takeDate(text) : takeTime(text);
}

QString TypedEntry::takeDate(const QString& text)
{
    const QDate value = parsedDate(text);
    const QString refusal =
        judge(text, value, m_edit->minimumDate(), m_edit->maximumDate(),
              {tr("Enter a date as %1."), tr("%1 is not a date; enter one as %2."),
               tr("%1 is not a date from %2 to %3.")});
    if (refusal.isEmpty())
        m_edit->setDate(value);
    return refusal;
}

QString TypedEntry::takeTime(const QString& text)
{
    const QTime value = parsedTime(text);
    const QString refusal =
        judge(text, value, m_edit->minimumTime(), m_edit->maximumTime(),
              {tr("Enter a time as %1."), tr("%1 is not a time; enter one as %2."),
               tr("%1 is not a time from %2 to %3.")});
    if (refusal.isEmpty())
        m_edit->setTime(value);
    return refusal;
}

// Why a typed date or time is refused, empty when the field takes it.
template <class Value>
QString TypedEntry::judge(const QString& text, const Value& value, const Value& first,
                          const Value& last, const Refusals& words) const
{
    if (text.isEmpty())
        return words.empty.arg(shownFormat());
    if (!value.isValid())
        return words.notOne.arg(text, shownFormat());
    if (value < first || value > last) {
        const QString format = m_edit->displayFormat();
        return words.outside.arg(text, first.toString(format), last.toString(format));
    }
    return QString();
}

// Parsed as a date or a time alone: a whole date-time would fail on a day whose midnight the
// local time zone skips.
QDate TypedEntry::parsedDate(const QString& text) const
{
    const QString format = m_edit->displayFormat();
    const QDate exact = QDate::fromString(text, format);
    return exact.isValid() ? exact : QDate::fromString(text, relaxedFormat(format));
}

QTime TypedEntry::parsedTime(const QString& text) const
{
    const QString format = m_edit->displayFormat();
    const QTime exact = QTime::fromString(text, format);
    return exact.isValid() ? exact : QTime::fromString(text, relaxedFormat(format));
}

// The format as a user reads it: "MM/DD/YYYY", "HH:MM".
QString TypedEntry::shownFormat() const
{
    return m_edit->displayFormat().toUpper();
}
