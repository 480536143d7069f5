#pragma once

#include <QUrl>

#include <memory>

// Hands links to the user's browser or default handler. Tests install a
// recording opener.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual bool open(const QUrl &url) = 0;

    static UrlOpener &current();
    static void setCurrent(std::unique_ptr<UrlOpener> opener);

    // Opens `url`; when the desktop has nothing to open it with (no browser
    // set up), says so in an alert instead of failing silently.
    static bool openOrTell(const QUrl &url);
};
