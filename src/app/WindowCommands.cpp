#include "app/WindowCommands.h"

#include "app/AboutWindow.h"
#include "app/ComposerController.h"
#include "app/MainWindow.h"
#include "app/WindowPlacement.h"
#include "core/OutsideAddresses.h"
#include "core/Preferences.h"
#include "platform/AlertPresenter.h"
#include "platform/Autostart.h"
#include "platform/Relaunch.h"
#include "platform/UrlOpener.h"
#include "service/StreamLoader.h"

#include <QCoreApplication>
#include <QMenuBar>
#include <QTimer>

namespace {

const QString agentWarning = QStringLiteral(
    "Without its icon in the task bar Velto runs as a tray agent: it has no menu bar of its own "
    "and can then only be reached through its global hot key, its tray icon and the standard "
    "shortcuts (Ctrl+, opens the preferences). Velto restarts itself now.");

// The window has come forward once its fade is over.
constexpr int responderDelayMs = 260;

} // namespace

WindowCommands::WindowCommands(
    MainWindow *window, StreamLoader *streams, ComposerController *composer, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_streams(streams)
    , m_composer(composer)
{
}

void WindowCommands::openWindow()
{
    if (!m_window)
        return;
    if (m_window->isHiddenFromUser()) {
        fadeWindowIn();
        return;
    }
    m_window->setWindowOpacity(1.0);
    m_window->raise();
    m_window->activateWindow();
    makeResponder();
}

void WindowCommands::fadeWindowIn()
{
    if (!m_window)
        return;
    m_window->fadeIn();
    QTimer::singleShot(responderDelayMs, this, &WindowCommands::makeResponder);
}

void WindowCommands::closeWindow()
{
    if (!m_window || m_window->isSearchPanelVisible())
        return;
    if (m_composer->closeStep())
        return;
    // A stream or an older page waiting on the service is the next thing
    // Escape closes, before the window.
    if (m_streams->giveUpLoad())
        return;
    if (isMainStream(m_streams->currentStreamKind())) {
        m_window->fadeOutAndHide();
        return;
    }
    m_streams->goBack();
}

void WindowCommands::setFullScreen(bool fullScreen)
{
    if (!m_window)
        return;
    m_window->setFullScreenKeepingWidth(fullScreen);
}

void WindowCommands::applyDockMode()
{
    if (!m_window)
        return;
    // The tray icon is the way in to an agent.
    const bool agent = Preferences::standard().value(prefs::launchAsAgentApp);
    m_window->setWindowFlag(Qt::Tool, agent);
    m_window->menuBar()->setVisible(!agent);
    if (!agent) {
        m_window->raise();
        m_window->activateWindow();
    }
}

void WindowCommands::toggleDockIcon()
{
    Preferences &prefs = Preferences::standard();
    if (!prefs.value(prefs::launchAsAgentApp)) {
        prefs.setValue(prefs::launchAsAgentApp, false);
        relaunch();
        return;
    }
    const int answer = alerts::show(QStringLiteral("Warning!"), agentWarning,
        { QStringLiteral("OK"), QStringLiteral("Cancel") }, AlertStyle::Critical);
    if (answer != 0) {
        prefs.setValue(prefs::launchAsAgentApp, false);
        return;
    }
    prefs.setValue(prefs::launchAsAgentApp, true);
    // An agent always shows its tray icon.
    prefs.setValue(prefs::prefsShowStatusItem, true);
    relaunch();
}

void WindowCommands::relaunch()
{
    Relaunch::restartProgram();
}

void WindowCommands::addToLoginItems()
{
    Autostart::addLoginItem(QCoreApplication::applicationFilePath());
    alerts::success(QStringLiteral("Velto will now automatically open when you log in."));
}

void WindowCommands::showAbout()
{
    // Made on first use, then shown again.
    if (!m_aboutWindow)
        m_aboutWindow = new AboutWindow(m_window);
    WindowPlacement::centreOver(m_aboutWindow, m_window);
    m_aboutWindow->show();
    m_aboutWindow->raise();
    m_aboutWindow->activateWindow();
}

void WindowCommands::openMakerPage(const QString &path)
{
    UrlOpener::openOrTell(QUrl(OutsideAddresses::current().makerSiteBase + path));
}

void WindowCommands::quickHelp()
{
    openMakerPage(QStringLiteral("/velto/quickhelp.html"));
}
void WindowCommands::openSupport()
{
    openMakerPage(QStringLiteral("/support/"));
}
void WindowCommands::provideFeedback()
{
    openMakerPage(QStringLiteral("/contact/"));
}
void WindowCommands::openAppWebsite()
{
    openMakerPage(QStringLiteral("/apps/"));
}
void WindowCommands::openVELTO()
{
    openMakerPage(QStringLiteral("/"));
}

void WindowCommands::openAppDotNet()
{
    UrlOpener::openOrTell(QUrl(OutsideAddresses::current().siteBase + QStringLiteral("/velto")));
}

void WindowCommands::applicationDidBecomeActive()
{
    // Activation at launch does not fade the window in again; later ones do.
    if (!m_canActivateItself || !m_window)
        return;
    if (m_window->windowOpacity() == 0.0 || m_window->isHiddenFromUser()) {
        fadeWindowIn();
        return;
    }
    m_window->setWindowOpacity(1.0);
    m_window->raise();
    m_window->activateWindow();
    makeResponder();
}

void WindowCommands::applicationWillResignActive()
{
    m_canActivateItself = true;
    if (!Preferences::standard().value(prefs::prefsAutoHide) || !m_window)
        return;
    m_window->hideApplication();
    if (!m_composer->isPostAvailable())
        m_composer->collapseSplitView();
}

bool WindowCommands::applicationShouldHandleReopen()
{
    if (m_window) {
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    }
    return true;
}

void WindowCommands::windowWillClose()
{
    if (!m_composer->isPostAvailable())
        m_composer->collapseSplitView();
}
