#pragma once

#include <QApplication>
#include <QFont>
#include <QFontInfo>
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
    static constexpr const char* family = "DejaVu Sans";

    explicit DesktopLook(const QString& styleSheet, int pointSize = windowsPointSize)
        : m_font(QApplication::font()), m_styleSheet(qApp->styleSheet())
    {
        QFont font = m_font;
        font.setFamily(QLatin1String(family));
        font.setPointSize(pointSize);
        QApplication::setFont(font);
        qApp->setStyleSheet(styleSheet);
    }
    ~DesktopLook()
    {
        qApp->setStyleSheet(m_styleSheet);
        QApplication::setFont(m_font);
    }
    // Empty when texts are measured in the family above; otherwise the family the font database
    // put in its place, for a check to fail on rather than measure texts in another font.
    QString fontProblem() const
    {
        const QString resolved = QFontInfo(QApplication::font()).family();
        if (resolved == QLatin1String(family))
            return {};
        return QStringLiteral(
                   "texts would be measured in \"%1\", not in \"%2\" (fonts-dejavu-core)")
            .arg(resolved, QLatin1String(family));
    }
    DesktopLook(const DesktopLook&) = delete;
    DesktopLook& operator=(const DesktopLook&) = delete;

private:
    QFont m_font;
    QString m_styleSheet;
};
} // namespace testsupport
