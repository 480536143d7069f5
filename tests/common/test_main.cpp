// The main() of every test binary: a QApplication on the offscreen platform and
// private XDG folders, so no test touches the user's desktop or files.
#include "TestSupport.h"

#include "app/SignInPage.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    testsupport::pointXdgFoldersAt(home.path());
    SignInPage::prepareBeforeApplication();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velto"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
