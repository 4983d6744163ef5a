#include "app/StartInView.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>

namespace
{
// A menu opened on the field, or another window taken up, leaves the user in the field.
bool leavesTheField(Qt::FocusReason reason)
{
    return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
}

// QLineEdit keeps its cursor where a text set or typed ends, and scrolls to it: a long text
// shows only its end.
class StartInView : public QObject
{
public:
    explicit StartInView(QLineEdit* field) : QObject(field), m_field(field)
    {
        field->installEventFilter(this);
        // A user's edit comes with textEdited just before textChanged.
        connect(field, &QLineEdit::textEdited, this, [this] { m_edited = true; });
        connect(field, &QLineEdit::textChanged, this, [this] { textChanged(); });
        textChanged();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A focused field that is being destroyed loses its focus in QWidget's destructor, when
        // it is a line edit no longer: the cast then finds no QLineEdit.
        if (event->type() == QEvent::FocusOut && qobject_cast<QLineEdit*>(watched) &&
            leavesTheField(static_cast<QFocusEvent*>(event)->reason()))
            m_field->setCursorPosition(0);
        return false;
    }

private:
    void textChanged()
    {
        m_field->setToolTip(m_field->text());
        if (!m_edited)
            m_field->setCursorPosition(0);
        m_edited = false;
    }

    QLineEdit* m_field; // the owner
    bool m_edited = false;
};
} // namespace

void keepStartInView(QLineEdit* field)
{
    new StartInView(field);
}
