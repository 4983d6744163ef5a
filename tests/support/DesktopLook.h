#pragma once

#include <QApplication>
#include <QFont>
#include <QString>

namespace testsupport
{
// A desktop's font and a style sheet for the layout checks (the platform of the tests uses a
// larger font); the application's own come back when the object goes. The family is the one every
// Debian machine has (the set-up script installs it), so that each machine measures texts alike.
class DesktopLook
{
public:
    // The default font size of Windows desktops, and of common Linux desktops.
    static constexpr int windowsPointSize = 9;
    static constexpr int linuxPointSize = 10;

    explicit DesktopLook(const QString& styleSheet, int pointSize = windowsPointSize)
        : m_font(QApplication::font()), m_styleSheet(qApp->styleSheet())
    {
        QFont font = m_font;
        font.setFamily(QStringLiteral("DejaVu Sans"));
        font.setPointSize(pointSize);
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
    QFont m_font;
    QString m_styleSheet;
};
} // namespace testsupport
