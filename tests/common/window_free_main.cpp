// The main() of the window-free test binaries of the sanitized build: a
// QGuiApplication on the offscreen platform (text layout needs fonts, nothing
// needs widgets) and private XDG folders.
#include "TestSupport.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    // No test here uses a keyring; the session bus may start the user's own.
    qputenv("VELTO_KEYRING", "off");
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    testsupport::pointXdgFoldersAt(home.path());

    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Velto"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
