// The pull rules without a window: the threshold of odd stored values, where
// a pull comes to rest, and the rubber band. Wheel steps and the open band
// are walked with real wheel events in the scroll view's tests.
#include "views/PullGesture.h"

#include <gtest/gtest.h>

using namespace pull;
using Kind = PullGesture::Kind;

TEST(PullRules, OddThresholdsMeanFortyAndARefreshHoldsTheWholeBand)
{
    for (qint64 odd : { qint64(3), qint64(-1), qint64(1) << 40 })
        EXPECT_EQ(thresholdForPreference(odd), 40) << odd;
    // { pulled to, refreshing, threshold, rests at }
    const double rests[][4] = { { -45, false, 40, 0 }, { 120, false, 40, 120 },
        { -40, true, 40, -60 }, { -150, true, 40, -60 }, { -39, true, 40, -39 },
        { -20, true, 20, -60 }, { 30, true, 20, 30 } };
    for (const auto &r : rests)
        EXPECT_EQ(constrainScrollY(r[0], r[1] != 0, int(r[2])), r[3]) << r[0] << " " << r[1];
}

TEST(PullGesture, StretchResistsMoreTheFurtherItGoesAndInvertsExactly)
{
    EXPECT_EQ(PullGesture::stretch(-30), 0.0);
    double previous = 0;
    for (double travel = 1; travel <= 2000; travel += 1) {
        const double shown = PullGesture::stretch(travel);
        // One-pixel steps never jump a whole pixel: no threshold is skipped.
        EXPECT_GT(shown, previous);
        EXPECT_LE(shown - previous, PullGesture::stiffness + 1e-9);
        EXPECT_LT(shown, PullGesture::reach);
        EXPECT_NEAR(PullGesture::travelFor(shown), travel, 1e-6 * travel);
        previous = shown;
    }
}

TEST(PullGesture, TheBandTakesDeltasOnlyAtAnEndAndGivesTheRestBack)
{
    PullGesture band;
    EXPECT_FALSE(band.scroll(30, false, false, Kind::Travel)) << "the middle is the list's";
    EXPECT_EQ(band.scroll(100, true, false, Kind::Travel), 0.0);
    EXPECT_NEAR(band.top(), PullGesture::stretch(100), 1e-9);
    // Pushing back undoes the same travel first; the surplus scrolls the list.
    EXPECT_NEAR(*band.scroll(-130, false, false, Kind::Travel), -30, 1e-6);
    EXPECT_EQ(band.top(), 0.0);
    EXPECT_FALSE(band.scroll(-10, true, false, Kind::Travel));

    // Past the bottom it mirrors the pull; a short list takes both at once.
    EXPECT_EQ(band.scroll(-60, false, true, Kind::Travel), 0.0);
    EXPECT_NEAR(band.bottom(), PullGesture::stretch(60), 1e-9);
    EXPECT_NEAR(*band.scroll(75, false, true, Kind::Travel), 15, 1e-6);
    ASSERT_TRUE(band.scroll(10, true, true, Kind::Travel));
    EXPECT_GT(band.top(), 0.0);
    band.setTop(0);
    ASSERT_TRUE(band.scroll(-10, true, true, Kind::Travel));
    EXPECT_GT(band.bottom(), 0.0);
    EXPECT_EQ(band.top(), 0.0);
}
