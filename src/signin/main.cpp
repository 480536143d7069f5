// velto-signin: the sign-in window, a program of its own so that Velto never
// loads the web engine. Velto starts it while signed out with the address of
// the service's sign-in page and reads the token from its standard output.
#include "platform/TerminationSignals.h"
#include "signin/ParentPipe.h"
#include "signin/SignInPage.h"
#include "signin/SignInSession.h"
#include "views/ProgramImages.h"

#include <QApplication>
#include <QUrl>

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    // The page holds the user's password: no core file may take it to disk.
    TerminationSignals::disableCoreDumps();
    SignInPage::prepareBeforeApplication();
    // To the desktop the window is Velto's: the X11 class of the menu entry
    // (on Wayland the desktop file name below does the same).
    if (qEnvironmentVariableIsEmpty("RESOURCE_NAME"))
        qputenv("RESOURCE_NAME", "velto");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velto"));
    QApplication::setOrganizationName(QStringLiteral("Velto"));
    QApplication::setApplicationVersion(QStringLiteral(VELTO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("velto"));
    QApplication::setWindowIcon(programImageSizes(QStringLiteral("velto"), 128));

    const QStringList arguments = QApplication::arguments();
    const QUrl page = arguments.size() == 2 ? QUrl(arguments.at(1), QUrl::StrictMode) : QUrl();
    if (!page.isValid() || (page.scheme() != u"http" && page.scheme() != u"https")) {
        std::fputs("velto-signin shows the service's sign-in page for Velto, which starts it "
                   "while signed out: velto-signin <address of the page>\n",
            stderr);
        return 2;
    }
    // A token written after Velto went is lost, not a reason to die.
    std::signal(SIGPIPE, SIG_IGN);
    ParentPipe *pipe = ParentPipe::fromStandardStreams(&app);
    SignInSession session(page, pipe);
    QObject::connect(
        &session, &SignInSession::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    // A termination signal keeps its default and ends the program at once:
    // Velto then sees the sign-in end without a word and offers it again.
    session.start();
    return QApplication::exec();
}
