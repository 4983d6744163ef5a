#pragma once

#include <QCoreApplication>
#include <QDateEdit>
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
    QString shownFormat() const;
    QDate parsedDate(const QString& text) const;
    QTime parsedTime(const QString& text) const;

    QDateTimeEdit* m_edit;
    QLineEdit* m_text;
    bool m_typing = false;
    QString m_refusal;
    QString m_ownToolTip;
};

class TypedDateEdit : public QDateEdit
{
    Q_OBJECT
public:
    explicit TypedDateEdit(QWidget* parent = nullptr) : QDateEdit(parent), m_entry(this, lineEdit())
    {
    }
    QString refusal() const { return m_entry.refusal(); }
    QValidator::State validate(QString& input, int& pos) const override;
    void stepBy(int steps) override;

signals:
    void entryRefused(const QString& reason);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

private:
    void report(const std::optional<QString>& outcome);

    TypedEntry m_entry;
};

class TypedTimeEdit : public QTimeEdit
{
    Q_OBJECT
public:
    explicit TypedTimeEdit(QWidget* parent = nullptr) : QTimeEdit(parent), m_entry(this, lineEdit())
    {
    }
    QString refusal() const { return m_entry.refusal(); }
    QValidator::State validate(QString& input, int& pos) const override;
    void stepBy(int steps) override;

signals:
    void entryRefused(const QString& reason);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

private:
    void report(const std::optional<QString>& outcome);

    TypedEntry m_entry;
};
