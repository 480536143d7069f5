#include "app/AppDelegate.h"
#include "app/LifecycleWatcher.h"
#include "app/MainWindow.h"
#include "app/SignInController.h"
#include "app/StartupReport.h"
#include "core/AppPaths.h"
#include "core/Preferences.h"
#include "platform/ColourScheme.h"
#include "platform/ProgramStyle.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/ToolkitServices.h"

#include "views/ProgramImages.h"
#include "views/TimelineListView.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    TerminationSignals::disableCoreDumps();
    QApplication app(argc, argv);
    TerminationSignals::quitOnTerminationSignals();
    QApplication::setApplicationName(QStringLiteral("Velto"));
    QApplication::setOrganizationName(QStringLiteral("Velto"));
    QApplication::setApplicationVersion(QStringLiteral(VELTO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("velto"));
    // The window manager is sent every size of the icon: up to 128 px keeps that small.
    QApplication::setWindowIcon(programImageSizes(QStringLiteral("velto"), 128));

    // Before anything is read or written: a second program on the same
    // profile would write the same files.
    SingleInstance instance(
        Preferences::standardFilePath() + QLatin1Char('\n') + AppPaths::supportFolder());
    if (!instance.claim())
        return 0;

    ToolkitServices::install();
    ColourScheme::applyFromEnvironment();
    ProgramStyle::install();
    AppDelegate delegate;
    QObject::connect(&instance, &SingleInstance::secondStartAsked, &delegate, [&delegate] {
        // Signed out, the sign-in window is the program.
        if (delegate.signIn().isSigningIn())
            delegate.signIn().bringForward();
        else
            delegate.applicationShouldHandleReopen();
    });
    LifecycleWatcher lifecycle(&delegate, delegate.window());
    if (StartupReport::isRequested())
        new StartupReport(&delegate, delegate.window()->listView()->viewport());
    delegate.awakeFromNib();
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    return TerminationSignals::exec();
}
