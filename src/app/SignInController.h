#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

class AuthWindow;

// Signing in and out. Signed out, the sign-in window shows the service's
// authorisation page; the redirect to the program's own scheme is caught
// before it loads, its token stored and the program restarted, which then
// starts signed in. Signing out forgets the token here and restarts.
class SignInController : public QObject {
    Q_OBJECT
public:
    explicit SignInController(QObject *parent = nullptr);
    ~SignInController() override;

    // Makes the sign-in window (and with it the web engine) on first use,
    // brings it forward and loads the authorisation page.
    void showSignIn();
    AuthWindow *authWindow() const;

    // Loads the authorisation page on the site address.
    void doTheAuth();

    // Sees every address the sign-in page is about to load; false cancels it.
    // A redirect to the program's scheme with a token stores the token and
    // restarts the program; one without a token is let through and fails.
    bool webViewWillSendRequest(const QUrl &address);

    // Asks, then signs out and restarts the program.
    static void revokeCredentials();

Q_SIGNALS:
    void quitRequested();

private:
    QPointer<AuthWindow> m_window;
};
