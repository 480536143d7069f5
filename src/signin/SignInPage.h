#pragma once

#include <QWebEnginePage>

#include <functional>

class QWebEngineProfile;

// The page of the sign-in window. Every navigation, redirects included, is
// shown to a filter first, which may cancel it; this is where the redirect to
// the program's own scheme is caught before it loads. Its profile lives in
// memory only: no cookie, cache entry or password of the sign-in reaches the
// disk.
class SignInPage : public QWebEnginePage {
    Q_OBJECT
public:
    // Returns false to cancel the navigation to the address.
    using NavigationFilter = std::function<bool(const QUrl &address)>;

    explicit SignInPage(QObject *parent = nullptr);
    ~SignInPage() override;

    void setNavigationFilter(NavigationFilter filter) { m_filter = std::move(filter); }

    // The program's own scheme must be known to the web engine before the
    // application object exists, or no hook ever sees the redirect. Also
    // sets what the web engine needs of the application (shared GL contexts;
    // no Chromium sandbox when running as root, which Chromium refuses).
    static void prepareBeforeApplication();

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

private:
    NavigationFilter m_filter;
};
