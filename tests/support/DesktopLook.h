#pragma once

#include <QApplication>
#include <QFont>
#include <QString>

namespace testsupport
{
// The desktop's font size and a style sheet for the layout checks (the platform of the tests
// uses a larger font); the application's own come back when the object goes.
class DesktopLook
{
public:
    explicit DesktopLook(const QString& styleSheet)
        : m_font(QApplication::font()), m_styleSheet(qApp->styleSheet())
    {
        QFont font = m_font;
        font.setPointSize(desktopPointSize);
        QApplication::setFont(font);
        qApp->setStyleSheet(styleSheet);
    }
    ~DesktopLook()
    {
        qApp->setStyleSheet(m_styleSheet);
        QApplication::setFont(m_font);
    }
    DesktopLook(const DesktopLook&) = delete;
    DesktopLook& operator=(const DesktopLook&) = delete;

private:
    static constexpr int desktopPointSize = 9;
    QFont m_font;
    QString m_styleSheet;
};
} // namespace testsupport
