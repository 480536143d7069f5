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
    // The same for a link that came from the service (a post's text, the
    // application it names): only http, https and mailto links reach the
    // desktop, whose handlers for other schemes (files, shares, packages)
    // are not for strangers to start; any other is said in the alert.
    static bool openFromService(const QUrl &url);
};
