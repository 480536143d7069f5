#include "signin/SignInSession.h"

#include "app/WindowPlacement.h"
#include "service/SignIn.h"
#include "signin/AuthWindow.h"
#include "signin/ParentPipe.h"

#include <QDebug>

SignInSession::SignInSession(const QUrl &page, ParentPipe *pipe, QObject *parent)
    : QObject(parent)
    , m_page(page)
    , m_pipe(pipe)
    , m_window(new AuthWindow())
{
    m_window->setNavigationFilter([this](const QUrl &address) { return willSendRequest(address); });
    connect(m_window, &AuthWindow::quitRequested, this, [this] {
        m_done = true;
        Q_EMIT finished(0);
    });
    if (m_pipe) {
        connect(m_pipe, &ParentPipe::comeForwardAsked, this, &SignInSession::bringForward);
        connect(m_pipe, &ParentPipe::parentGone, this, [this] {
            if (m_done)
                return;
            qWarning("Velto has gone; the sign-in ends.");
            m_done = true;
            Q_EMIT finished(0);
        });
    }
}

SignInSession::~SignInSession()
{
    delete m_window;
}

void SignInSession::start()
{
    WindowPlacement::centreOnScreen(m_window);
    bringForward();
    m_window->load(m_page);
}

void SignInSession::bringForward()
{
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

bool SignInSession::willSendRequest(const QUrl &address)
{
    const auto token = SignIn::tokenFromRedirect(address.toString(QUrl::FullyEncoded));
    if (!token)
        return true;
    if (m_done)
        return false;
    m_done = true;
    // The cancelled redirect fails next; that is expected and says nothing.
    m_window->setIgnoreErrors(true);
    const bool handedOver = m_pipe && m_pipe->sendToken(*token);
    if (!handedOver)
        qWarning("The token could not be handed to Velto; sign in again.");
    Q_EMIT finished(handedOver ? 0 : 1);
    return false;
}
