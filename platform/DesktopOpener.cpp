#include "platform/DesktopOpener.h"

#include <QDesktopServices>

namespace
{
DesktopOpener::Handler& handler()
{
    static DesktopOpener::Handler current;
    return current;
}
} // namespace

bool DesktopOpener::open(const QUrl& url)
{
    if (handler())
        return handler()(url);
    return QDesktopServices::openUrl(url);
}

void DesktopOpener::setHandler(Handler replacement)
{
    handler() = std::move(replacement);
}
