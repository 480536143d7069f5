// A desktop's global menu takes the menu bar once it has answered; a hung
// one holds the window's first showing no moment and leaves the bar in it.
// A binary of its own: the toolkit asks once per process whether a desktop
// menu is there, at the first menu bar it may hand over, so no other
// program start may come first.
#include "BusServiceStub.h"
#include "ProgramTest.h"

#include "app/AppDelegate.h"
#include "app/CommandTable.h"
#include "app/MainWindow.h"

#include <QElapsedTimer>
#include <QMenuBar>

namespace {

class DesktopMenuOnX11 : public ProgramTest {
protected:
    void startWithTheDesktopMenu(BusServiceStub::Answers answers)
    {
        BusServiceStub registrar(
            u"com.canonical.AppMenu.Registrar"_qs, u"/com/canonical/AppMenu/Registrar"_qs, answers);
        ASSERT_TRUE(registrar.isOffered());
        QElapsedTimer clock;
        clock.start();
        start();
        EXPECT_LT(clock.elapsed(), 10000);
        EXPECT_EQ(testsupport::waitUntil([&] { return window().menuBar()->isNativeMenuBar(); },
                      std::chrono::seconds(5)),
            answers == BusServiceStub::Answers::empty);
        EXPECT_EQ(window().menuBar()->actions().size(), delegate->commands().menus().size());
    }
};

// In this order, so that run together the hung one comes first and hands
// over no bar.
TEST_F(DesktopMenuOnX11, AHungOneHoldsTheWindowNoMomentAndTheBarStaysInIt)
{
    startWithTheDesktopMenu(BusServiceStub::Answers::never);
}

TEST_F(DesktopMenuOnX11, OneThatAnswersTakesTheWholeBar)
{
    startWithTheDesktopMenu(BusServiceStub::Answers::empty);
}

} // namespace
