#include "app/SignInController.h"

#include "app/AuthWindow.h"
#include "app/WindowPlacement.h"
#include "core/OutsideAddresses.h"
#include "platform/AlertPresenter.h"
#include "platform/Relaunch.h"
#include "service/SignIn.h"

namespace {

const QString revokeTitle = QStringLiteral("Revoke Credentials");
const QString revokeText = QStringLiteral(
    "This will revoke your current credentials and you will have to log in again in order to "
    "continue to use Velto and AppDotNet. Do you really want to do this?");

} // namespace

SignInController::SignInController(QObject *parent)
    : QObject(parent)
{
}

SignInController::~SignInController()
{
    delete m_window;
}

AuthWindow *SignInController::authWindow() const
{
    return m_window;
}

void SignInController::showSignIn()
{
    if (!m_window) {
        m_window = new AuthWindow();
        m_window->setNavigationFilter(
            [this](const QUrl &address) { return webViewWillSendRequest(address); });
        connect(m_window, &AuthWindow::quitRequested, this, &SignInController::quitRequested);
    }
    WindowPlacement::centreOnScreen(m_window);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    doTheAuth();
}

void SignInController::doTheAuth()
{
    if (m_window)
        m_window->load(SignIn::authorisationUrl(OutsideAddresses::current().siteBase));
}

bool SignInController::webViewWillSendRequest(const QUrl &address)
{
    const auto token = SignIn::tokenFromRedirect(address.toString(QUrl::FullyEncoded));
    if (!token)
        return true;
    SignIn::storeToken(*token);
    if (m_window)
        m_window->setIgnoreErrors(true);
    Relaunch::restartProgram();
    return false;
}

void SignInController::revokeCredentials()
{
    const int answer = alerts::show(alerts::localized(revokeTitle), alerts::localized(revokeText),
        { QStringLiteral("Revoke"), QStringLiteral("Cancel") });
    if (answer != 0)
        return;
    SignIn::forgetCredentials();
    Relaunch::restartProgram();
}
