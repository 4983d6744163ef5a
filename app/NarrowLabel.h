#pragma once

#include <QObject>
#include <QString>

class QLabel;

// Keeps a label of a figure without an upper bound (a volume per kilogram of a large volume or a
// small patient) from widening its window: the label keeps the width of `widestUsual`, and a
// wider text shows cut at its end with an ellipsis and whole in the tooltip. The cut never falls
// among the digits before a number's decimal point, which would show another number. Owned by
// the label.
class NarrowLabel : public QObject
{
public:
    NarrowLabel(QLabel* label, const QString& widestUsual);

    void setText(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Width and shown text for the label's font now.
    void fit();

    QLabel* m_label; // the owner
    QString m_widestUsual;
    QString m_text;
};
