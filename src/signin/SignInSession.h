#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

class AuthWindow;
class ParentPipe;

// One sign-in in the sign-in program: the window shows the service's page;
// the redirect to the program's own scheme that carries a token is cancelled
// before it loads and the token handed to Velto through the pipe, which ends
// the sign-in. Quit, Ctrl+Q or closing the window end it without a token, and
// so does Velto going away.
class SignInSession : public QObject {
    Q_OBJECT
public:
    SignInSession(const QUrl &page, ParentPipe *pipe, QObject *parent = nullptr);
    ~SignInSession() override;

    // Shows the window in the middle of the screen and loads the page.
    void start();
    AuthWindow *window() const { return m_window; }

    // Sees every address the page is about to load; false cancels it.
    bool willSendRequest(const QUrl &address);

Q_SIGNALS:
    // The program's exit status: 0 when the token went to Velto or the user
    // quit, 1 when the token could not be handed over.
    void finished(int exitCode);

private:
    void bringForward();

    QUrl m_page;
    QPointer<ParentPipe> m_pipe;
    AuthWindow *m_window = nullptr;
    bool m_done = false;
};
