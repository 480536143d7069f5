#include "app/AppDelegate.h"
#include "app/LifecycleWatcher.h"
#include "app/MainWindow.h"
#include "app/SignInPage.h"
#include "app/StartupReport.h"
#include "platform/ColourScheme.h"
#include "platform/TerminationSignals.h"
#include "platform/ToolkitServices.h"

#include "views/TimelineListView.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

int main(int argc, char *argv[])
{
    TerminationSignals::disableCoreDumps();
    SignInPage::prepareBeforeApplication();
    QApplication app(argc, argv);
    TerminationSignals::quitOnTerminationSignals();
    QApplication::setApplicationName(QStringLiteral("Velto"));
    QApplication::setOrganizationName(QStringLiteral("Velto"));
    QApplication::setApplicationVersion(QStringLiteral(VELTO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("velto"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/velto.svg")));

    ToolkitServices::install();
    ColourScheme::applyFromEnvironment();
    AppDelegate delegate;
    LifecycleWatcher lifecycle(&delegate, delegate.window());
    if (StartupReport::isRequested())
        new StartupReport(&delegate, delegate.window()->listView()->viewport());
    delegate.awakeFromNib();
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    return app.exec();
}
