#include "phenytoin/EntryRefusals.h"

#include "app/ErrorMark.h"

#include <QLabel>
#include <QLineEdit>

namespace phenytoin
{
EntryRefusals::EntryRefusals(QLabel* notice) : m_notice(notice)
{
    // The notice keeps its line while hidden, and takes no more than it when shown: the fields
    // around it stay where the user is about to click.
    QSizePolicy policy = m_notice->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    m_notice->setSizePolicy(policy);
    const QMargins margins = m_notice->contentsMargins();
    m_notice->setFixedHeight(m_notice->fontMetrics().height() + margins.top() + margins.bottom() +
                             2 * m_notice->margin());
    m_notice->hide();
}

pk::EntryReading EntryRefusals::read(QLineEdit* field, const pk::EntryRange& range)
{
    const pk::EntryReading reading = pk::readEntry(field->text(), range);
    if (reading.refusal.isEmpty())
        unmark(field);
    else
        refuse(field, reading.refusal);
    return reading;
}

double EntryRefusals::number(QLineEdit* field, const pk::EntryRange& range)
{
    const pk::EntryReading reading = read(field, range);
    return reading.accepted() ? reading.value : -1.0;
}

void EntryRefusals::refuse(QLineEdit* field, const QString& refusal)
{
    if (!m_watched.contains(field)) {
        m_watched.append(field);
        QObject::connect(field, &QLineEdit::textChanged, m_notice,
                         [this, field] { unmark(field); });
    }
    unmark(field);
    m_refused.append({field, refusal});
    setErrorMark(field, true);
    field->setToolTip(refusal);
    showLatest();
}

bool EntryRefusals::holdsRefused(const QLineEdit* field) const
{
    for (const auto& refused : m_refused) {
        if (refused.first == field)
            return true;
    }
    return false;
}

void EntryRefusals::unmark(QLineEdit* field)
{
    for (int i = 0; i < m_refused.size(); ++i) {
        if (m_refused[i].first != field)
            continue;
        m_refused.remove(i);
        setErrorMark(field, false);
        field->setToolTip(QString());
        showLatest();
        return;
    }
}

void EntryRefusals::showLatest()
{
    m_notice->setVisible(!m_refused.isEmpty());
    m_notice->setText(m_refused.isEmpty() ? QString() : m_refused.last().second);
}
} // namespace phenytoin
