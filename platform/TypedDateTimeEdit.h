#pragma once

#include <QCoreApplication>
#include <QDateEdit>
#include <QKeyEvent>
#include <QString>
#include <QTimeEdit>

#include <optional>

class QDateTimeEdit;
class QKeyEvent;
class QLineEdit;

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
    // what the field shows. beginMenu is false when typing had already begun; endMenu ends an
    // entry the menu changed, as leaving the field does.
    bool beginMenu();
    std::optional<QString> endMenu();
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
    QString m_beforeMenu;
    QString m_refusal;
    QString m_ownToolTip;
};

// The typed entry on a date or a time field. Enter and every key that is not typing take the
// text first; a refusal is told after the field's own handling, so that it outlasts what
// `editingFinished` shows.
template <class Field> class TypedEdit : public Field
{
public:
    explicit TypedEdit(QWidget* parent) : Field(parent), m_entry(this, Field::lineEdit()) {}
    QString refusal() const { return m_entry.refusal(); }

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
        const std::optional<QString> outcome = m_entry.finish();
        Field::keyPressEvent(event);
        report(outcome);
    }

    void focusOutEvent(QFocusEvent* event) override
    {
        const std::optional<QString> outcome = m_entry.finish();
        Field::focusOutEvent(event);
        report(outcome);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        report(m_entry.finish());
        Field::mousePressEvent(event);
    }

    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

    // Without this the menu's paste would meet the sections and be dropped without a word.
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        const bool entry = m_entry.beginMenu();
        Field::contextMenuEvent(event);
        if (entry)
            report(m_entry.endMenu());
    }

    virtual void announceRefusal(const QString& reason) = 0;

private:
    void report(const std::optional<QString>& outcome)
    {
        if (m_entry.record(outcome))
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
