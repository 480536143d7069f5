// The main() of every test binary: a QApplication on the offscreen platform (or
// the one VELTO_TEST_PLATFORM names) and
// private XDG folders, so no test touches the user's desktop or files.
#include "TestSupport.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Tests of global hot keys run the toolkit on the X display itself.
    const QByteArray platform = qgetenv("VELTO_TEST_PLATFORM");
    qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen") : platform);
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    testsupport::pointXdgFoldersAt(home.path());
    // The tests' session bus may start the desktop's own keyring daemon, on
    // the user's own keyring files: only the keyring tests use one, their own.
    qputenv("VELTO_KEYRING", "off");
    // A signed-out start runs the sign-in program of this build.
    qputenv("VELTO_SIGNIN_PROGRAM", VELTO_SIGNIN_BINARY);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velto"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
