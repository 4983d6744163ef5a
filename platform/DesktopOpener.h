#pragma once

#include <QUrl>

#include <functional>

// Hands a file or folder to the desktop's own handler. Tests replace the handler, so that no
// test opens anything on the machine it runs on.
class DesktopOpener
{
public:
    using Handler = std::function<bool(const QUrl&)>;

    static bool open(const QUrl& url);
    // An empty handler puts the desktop's back.
    static void setHandler(Handler handler);
};
