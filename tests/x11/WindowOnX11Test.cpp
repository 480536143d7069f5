// Full screen on an X display without a window manager, where nobody
// answers the window's full-screen request.
#include "ProgramOnX11.h"

#include <QScreen>

namespace {

TEST_F(ProgramOnX11, F11CoversTheScreenAndGivesTheWindowItsPlaceBack)
{
    const QRect before = window()->geometry();
    const QRect screen = window()->screen()->geometry();
    ASSERT_NE(before, screen);
    QTest::keyClick(window(), Qt::Key_F11);
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return window()->geometry() == screen; }, std::chrono::milliseconds(2000)))
        << "the window covers the screen";
    EXPECT_TRUE(window()->isFullScreen());
    // The list keeps its width, centred.
    EXPECT_EQ(window()->contentsMargins().left(), (screen.width() - before.width()) / 2);

    QTest::keyClick(window(), Qt::Key_F11);
    EXPECT_TRUE(testsupport::waitUntil(
        [&] { return window()->geometry() == before; }, std::chrono::milliseconds(2000)));
    EXPECT_FALSE(window()->isFullScreen());
    EXPECT_EQ(window()->contentsMargins().left(), 0);
}

} // namespace
