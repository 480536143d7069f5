#include "signin/SignInPage.h"

#include "service/SignIn.h"

#include <QCoreApplication>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

#include <unistd.h>

namespace {

// Requests to the program's own scheme that got past the filter (a redirect
// without a token) fail here instead of reaching the operating system.
class RedirectSchemeHandler : public QWebEngineUrlSchemeHandler {
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob *job) override
    {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
    }
};

QWebEngineProfile *memoryOnlyProfile()
{
    // A profile without a storage name is off the record: nothing on disk.
    auto *profile = new QWebEngineProfile();
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->installUrlSchemeHandler(
        SignIn::redirectScheme.toLatin1(), new RedirectSchemeHandler(profile));
    return profile;
}

} // namespace

SignInPage::SignInPage(QObject *parent)
    : QWebEnginePage(memoryOnlyProfile(), parent)
{
    // A child goes after the page's own destructor has run, as the web
    // engine needs of a profile.
    profile()->setParent(this);
}

SignInPage::~SignInPage() = default;

void SignInPage::prepareBeforeApplication()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QWebEngineUrlScheme scheme(SignIn::redirectScheme.toLatin1());
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // No flags: a local scheme may not be the target of a web page's redirect.
    QWebEngineUrlScheme::registerScheme(scheme);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

bool SignInPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (m_filter && !m_filter(url))
        return false;
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}
