#pragma once

#include <QCoreApplication>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QString>
#include <QTimeEdit>

#include <optional>

class QDateTimeEdit;
class QKeyEvent;
class QMouseEvent;

// Date and time fields that take a typed entry whole. The stock fields edit one section at a
// time: a digit typed into a full section is dropped and a separator after a section that moved
// on by itself skips the next one, so "11/30/2026" could become 12/30/2026 without a word. Here
// typing writes plain text, as in a line edit (the first key or paste replaces what the field
// shows), and leaving the field, Enter, a step or the calendar takes the text when it is a date or
// time of the field's display format and range. Any other text is refused: the field keeps its
// value and says why in its tool tip and in `entryRefused`. Arrow keys, the wheel and the calendar
// step and pick as before; Tab leaves the field, as it leaves every other field, instead of walking
// its sections.
class TypedEntry
{
    Q_DECLARE_TR_FUNCTIONS(TypedEntry)
public:
    // `text` is the field's own line edit.
    TypedEntry(QDateTimeEdit* edit, QLineEdit* text);

    bool isTyping() const { return m_typing; }
    // True when the key went into the typed text (or Escape dropped it); false leaves the key
    // to the field.
    bool takeKey(QKeyEvent* event);
    // Ends typing: nothing when there was none, else the reason the text was refused, empty
    // when it was taken.
    std::optional<QString> finish();
    // Around the field's context menu: its paste is an entry as a typed one is, in place of
    // what the field shows, or goes on with the typing under way. endMenu ends an entry the menu
    // began and changed, as leaving the field does.
    void beginMenu();
    std::optional<QString> endMenu();
    // A child the line edit polishes: the menu as it opens, its actions all in. Its Paste
    // replaces what the field shows, as Ctrl+V does, whichever part of the text a Tab or the
    // mouse selected.
    void takeMenu(QObject* child);
    // The menu takes the focus while it is open: that is not leaving the field.
    bool isInMenu() const { return m_inMenu; }
    // A middle click pastes the selection: an entry in place of what the field shows, as a
    // paste by the keys is.
    void takeMiddleClick(const QMouseEvent* event);
    // Keeps the outcome of a finished entry; true when it is a refusal to announce.
    bool record(const std::optional<QString>& outcome);
    // The reason the last entry was refused, empty once one is taken.
    QString refusal() const { return m_refusal; }

private:
    void begin(bool replace);
    void end();
    QString take(const QString& text);
    QString takeDate(const QString& text);
    QString takeTime(const QString& text);
    // The refusals of a date or a time: no text, no such value, outside the field's range.
    struct Refusals {
        QString empty;
        QString notOne;
        QString outside;
    };
    template <class Value>
    QString judge(const QString& text, const Value& value, const Value& first, const Value& last,
                  const Refusals& words) const;
    QString shownFormat() const;
    QDate parsedDate(const QString& text) const;
    QTime parsedTime(const QString& text) const;

    QDateTimeEdit* m_edit;
    QLineEdit* m_text;
    bool m_typing = false;
    bool m_inMenu = false;
    bool m_menuBegan = false;
    QString m_beforeMenu;
    QString m_refusal;
    QDateTime m_refusedOver; // the value the field kept at the refusal
    QString m_ownToolTip;
};

// The typed entry on a date or a time field. Enter and every key that is not typing take the
// text first. The outcome is kept before the field's own handling, so that what `editingFinished`
// shows sees the refusal as it stands, and a refusal is told after it, so that it outlasts that.
template <class Field> class TypedEdit : public Field
{
public:
    explicit TypedEdit(QWidget* parent) : Field(parent), m_entry(this, Field::lineEdit())
    {
        Field::lineEdit()->installEventFilter(this);
    }
    // The reason the last entry was refused; it stands until an entry is taken, the value
    // changes or the refusal is forgotten (the row it was typed into went).
    QString refusal() const { return m_entry.refusal(); }
    void forgetRefusal() { m_entry.record(QString()); }

    // While typing the text is the user's until it is taken or refused as a whole.
    QValidator::State validate(QString& input, int& pos) const override
    {
        return m_entry.isTyping() ? QValidator::Intermediate : Field::validate(input, pos);
    }

    void stepBy(int steps) override
    {
        report(m_entry.finish());
        Field::stepBy(steps);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (m_entry.takeKey(event))
            return;
        const bool refused = m_entry.record(m_entry.finish());
        Field::keyPressEvent(event);
        announceIf(refused);
    }

    void focusOutEvent(QFocusEvent* event) override
    {
        if (m_entry.isInMenu() && event->reason() == Qt::PopupFocusReason)
            return;
        const bool refused = m_entry.record(m_entry.finish());
        Field::focusOutEvent(event);
        announceIf(refused);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        report(m_entry.finish());
        Field::mousePressEvent(event);
    }

    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

    // Without this the menu's paste would meet the sections, which clamp a day the month has
    // not or drop the text, without a word. An entry the menu ends is finished there, as Enter
    // finishes one, so that the row it belongs to follows it at once.
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        m_entry.beginMenu();
        Field::contextMenuEvent(event);
        const std::optional<QString> outcome = m_entry.endMenu();
        const bool refused = m_entry.record(outcome);
        if (outcome)
            emit Field::editingFinished();
        announceIf(refused);
    }

    // The line edit pastes the selection on a middle click by itself, past the field, and is
    // the parent of the field's context menu.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == Field::lineEdit()) {
            if (event->type() == QEvent::MouseButtonRelease)
                m_entry.takeMiddleClick(static_cast<QMouseEvent*>(event));
            else if (event->type() == QEvent::ChildPolished)
                m_entry.takeMenu(static_cast<QChildEvent*>(event)->child());
        }
        return Field::eventFilter(watched, event);
    }

    virtual void announceRefusal(const QString& reason) = 0;

private:
    void report(const std::optional<QString>& outcome) { announceIf(m_entry.record(outcome)); }
    void announceIf(bool refused)
    {
        if (refused)
            announceRefusal(m_entry.refusal());
    }

    TypedEntry m_entry;
};

class TypedDateEdit : public TypedEdit<QDateEdit>
{
    Q_OBJECT
public:
    explicit TypedDateEdit(QWidget* parent = nullptr) : TypedEdit(parent) {}

signals:
    void entryRefused(const QString& reason);

protected:
    void announceRefusal(const QString& reason) override { emit entryRefused(reason); }
};

class TypedTimeEdit : public TypedEdit<QTimeEdit>
{
    Q_OBJECT
public:
    explicit TypedTimeEdit(QWidget* parent = nullptr) : TypedEdit(parent) {}

signals:
    void entryRefused(const QString& reason);

protected:
    void announceRefusal(const QString& reason) override { emit entryRefused(reason); }
};
