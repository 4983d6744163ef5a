#pragma once

#include "pkcore/EntryReading.h"

#include <QPair>
#include <QVector>

class QLabel;
class QLineEdit;

namespace phenytoin
{
// The entries a phenytoin window refuses, shown as the general forecast windows show theirs:
// the refused field red with its reason as tooltip, and the reason of the latest refusal in the
// window's notice, which is hidden while nothing is refused. The notice is one line high and keeps
// its room while hidden, so that a refusal moves nothing; every refusal fits that line. A field's
// mark goes as soon as its text changes, whoever changes it; the next reading judges the new text.
class EntryRefusals
{
public:
    explicit EntryRefusals(QLabel* notice);

    // Reads the field's text against the range, marking the field when it is refused.
    pk::EntryReading read(QLineEdit* field, const pk::EntryRange& range);
    // The field's number, or -1.0 when it is empty or refused.
    double number(QLineEdit* field, const pk::EntryRange& range);
    // Refuses a number the field took, for a reason its range cannot tell.
    void refuse(QLineEdit* field, const QString& refusal);
    // Whether the field holds a refused entry: no figure may then be shown as if it were not there.
    bool holdsRefused(const QLineEdit* field) const;

private:
    void unmark(QLineEdit* field);
    void showLatest();

    QLabel* m_notice;
    QVector<QPair<QLineEdit*, QString>> m_refused; // in the order refused
    QVector<QLineEdit*> m_watched;
};
} // namespace phenytoin
