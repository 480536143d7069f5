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

class DesktopMenuOnX11 : public ProgramTest { };

TEST_F(DesktopMenuOnX11, AHungOneHoldsTheWindowNoMomentAndOneThatAnswersTakesTheWholeBar)
{
    // The hung one first: it hands over no bar, so the toolkit has not yet
    // asked whether a desktop menu is there when the live one comes.
    for (const auto answers : { BusServiceStub::Answers::never, BusServiceStub::Answers::empty }) {
        const bool live = answers == BusServiceStub::Answers::empty;
        SCOPED_TRACE(live ? "a desktop menu that answers" : "a hung desktop menu");
        BusServiceStub registrar(
            u"com.canonical.AppMenu.Registrar"_qs, u"/com/canonical/AppMenu/Registrar"_qs, answers);
        ASSERT_TRUE(registrar.isOffered());
        delegate.reset();
        QElapsedTimer clock;
        clock.start();
        start();
        EXPECT_LT(clock.elapsed(), 10000);
        EXPECT_EQ(testsupport::waitUntil([&] { return window().menuBar()->isNativeMenuBar(); },
                      std::chrono::seconds(5)),
            live);
        EXPECT_EQ(window().menuBar()->actions().size(), delegate->commands().menus().size());
    }
}

} // namespace
