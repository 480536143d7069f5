// The pull rules without a window: thresholds, the refresh and load-older
// tests, where a pull comes to rest, the 2-second guard and the rubber band.
#include "views/PullGesture.h"

#include <gtest/gtest.h>

using namespace pull;

TEST(PullRules, ThresholdFollowsThePreferenceAndFallsBackTo40)
{
    EXPECT_EQ(thresholdForPreference(0), 20);
    EXPECT_EQ(thresholdForPreference(1), 40);
    EXPECT_EQ(thresholdForPreference(2), 60);
    for (qint64 odd : { qint64(3), qint64(-1), qint64(1) << 40 })
        EXPECT_EQ(thresholdForPreference(odd), 40) << odd;
    EXPECT_EQ(minimumScroll(60), -60.0);
}

TEST(PullRules, PullArmsARefreshFromTheThresholdOn)
{
    EXPECT_FALSE(isOverRefresh(-19, 20));
    EXPECT_TRUE(isOverRefresh(-20, 20));
    EXPECT_TRUE(isOverRefresh(-200, 20));
    EXPECT_FALSE(isOverRefresh(-59, 60));
    EXPECT_FALSE(isOverRefresh(0, 20));
    EXPECT_FALSE(isOverRefresh(500, 20));
}

TEST(PullRules, OlderPostsOnlyWhenPushedPastTheBottomByMoreThanTheThreshold)
{
    // 1000 pixels of rows in a 400-pixel window: the last position is 600.
    EXPECT_FALSE(isPastBottom(600, 1000, 400, 40));
    EXPECT_FALSE(isPastBottom(640, 1000, 400, 40));
    EXPECT_TRUE(isPastBottom(641, 1000, 400, 40));
    EXPECT_FALSE(isPastBottom(-80, 1000, 400, 40));

    // A list shorter than its window rests at 0: neither resting there nor a
    // pull down asks for older posts, a push up past 40 does.
    EXPECT_FALSE(isPastBottom(0, 100, 400, 40));
    EXPECT_FALSE(isPastBottom(-50, 100, 400, 40));
    EXPECT_FALSE(isPastBottom(40, 100, 400, 40));
    EXPECT_TRUE(isPastBottom(41, 0, 400, 40));
}

TEST(PullRules, AtRestTheListReturnsToItsTopUnlessARefreshHoldsTheBand)
{
    EXPECT_EQ(constrainScrollY(-45, false, 40), 0.0);
    EXPECT_EQ(constrainScrollY(-10, false, 40), 0.0);
    EXPECT_EQ(constrainScrollY(120, false, 40), 120.0);

    // Refreshing: at or past the threshold the whole band shows; a shorter
    // pull stays where it was let go; rows below the top are left alone.
    EXPECT_EQ(constrainScrollY(-40, true, 40), -60.0);
    EXPECT_EQ(constrainScrollY(-150, true, 40), -60.0);
    EXPECT_EQ(constrainScrollY(-39, true, 40), -39.0);
    EXPECT_EQ(constrainScrollY(-20, true, 20), -60.0);
    EXPECT_EQ(constrainScrollY(0, true, 20), 0.0);
    EXPECT_EQ(constrainScrollY(30, true, 20), 30.0);
}

TEST(LoadOlderGuard, OneRequestPerTwoSecondsUntilAllowedAgain)
{
    LoadOlderGuard guard;
    EXPECT_FALSE(guard.isPending(5000));
    EXPECT_TRUE(guard.tryRequest(5000));
    EXPECT_TRUE(guard.isPending(5000));
    EXPECT_FALSE(guard.tryRequest(5001));
    EXPECT_FALSE(guard.tryRequest(6999));
    // The refused tries did not restart the interval.
    EXPECT_FALSE(guard.isPending(7000));
    EXPECT_TRUE(guard.tryRequest(7000));

    guard.allow();
    EXPECT_FALSE(guard.isPending(7001));
    EXPECT_TRUE(guard.tryRequest(7001));
}

TEST(PullGesture, StretchResistsMoreTheFurtherItGoesAndInvertsExactly)
{
    EXPECT_EQ(PullGesture::stretch(0), 0.0);
    EXPECT_EQ(PullGesture::stretch(-30), 0.0);
    double previous = 0;
    for (double travel = 1; travel <= 2000; travel += 1) {
        const double shown = PullGesture::stretch(travel);
        EXPECT_GT(shown, previous);
        // Never more than the stiffness per pixel: one-pixel steps cannot
        // jump over a whole pixel of pull, so no threshold can be skipped.
        EXPECT_LE(shown - previous, PullGesture::stiffness + 1e-9);
        EXPECT_LT(shown, PullGesture::reach);
        EXPECT_NEAR(PullGesture::travelFor(shown), travel, 1e-6 * travel);
        previous = shown;
    }
}

TEST(PullGesture, ThePullTakesDeltasOnlyAtTheTopAndGivesTheRestBack)
{
    PullGesture band;
    // In the middle of the list the band takes no part.
    EXPECT_FALSE(band.scroll(30, false, false, PullGesture::Kind::Travel));
    // At the top, pulling down moves the band, with resistance.
    EXPECT_EQ(band.scroll(100, true, false, PullGesture::Kind::Travel), 0.0);
    EXPECT_NEAR(band.top(), PullGesture::stretch(100), 1e-9);
    EXPECT_LT(band.top(), 100 * PullGesture::stiffness);
    // Pushing back undoes the same travel first; the surplus scrolls the list.
    EXPECT_NEAR(*band.scroll(-130, false, false, PullGesture::Kind::Travel), -30, 1e-6);
    EXPECT_EQ(band.top(), 0.0);
    // Scrolling down from the top is the list's.
    EXPECT_FALSE(band.scroll(-10, true, false, PullGesture::Kind::Travel));
}

TEST(PullGesture, PushingPastTheBottomMirrorsThePull)
{
    PullGesture band;
    EXPECT_FALSE(band.scroll(20, false, true, PullGesture::Kind::Travel));
    EXPECT_EQ(band.scroll(-60, false, true, PullGesture::Kind::Travel), 0.0);
    EXPECT_NEAR(band.bottom(), PullGesture::stretch(60), 1e-9);
    EXPECT_EQ(band.top(), 0.0);
    EXPECT_NEAR(*band.scroll(75, false, true, PullGesture::Kind::Travel), 15, 1e-6);
    EXPECT_EQ(band.bottom(), 0.0);
}

TEST(PullGesture, ShortListTakesPullsAndPushesAtOnce)
{
    PullGesture band;
    ASSERT_TRUE(band.scroll(10, true, true, PullGesture::Kind::Travel));
    EXPECT_GT(band.top(), 0.0);
    EXPECT_EQ(band.bottom(), 0.0);
    // Back to rest, then the other way.
    band.scroll(-10, true, true, PullGesture::Kind::Travel);
    EXPECT_NEAR(band.top(), 0.0, 1e-9);
    band.setTop(0);
    ASSERT_TRUE(band.scroll(-10, true, true, PullGesture::Kind::Travel));
    EXPECT_GT(band.bottom(), 0.0);
    EXPECT_EQ(band.top(), 0.0);
}

TEST(PullGesture, WheelStepsMoveTheBandAsGivenUpToALimit)
{
    PullGesture band;
    band.scroll(15, true, false, PullGesture::Kind::Step);
    band.scroll(15, true, false, PullGesture::Kind::Step);
    EXPECT_EQ(band.top(), 30.0);
    for (int i = 0; i < 100; ++i)
        band.scroll(15, true, false, PullGesture::Kind::Step);
    EXPECT_LT(band.top(), PullGesture::reach);
    EXPECT_GT(band.top(), 60.0);
    band.setTop(10);
    EXPECT_EQ(band.scroll(-15, true, false, PullGesture::Kind::Step), -5.0);
    EXPECT_EQ(band.top(), 0.0);
}

TEST(PullGesture, AnOpenBandMovesWithoutResistanceOverItsSpan)
{
    PullGesture band;
    band.setOpenSpan(headerHeight);
    band.scroll(50, true, false, PullGesture::Kind::Travel);
    EXPECT_EQ(band.top(), 50.0);
    band.scroll(10, true, false, PullGesture::Kind::Travel);
    EXPECT_EQ(band.top(), 60.0);
    // Past the band the pull resists again.
    band.scroll(40, true, false, PullGesture::Kind::Travel);
    EXPECT_NEAR(band.top(), 60 + PullGesture::stretch(40), 1e-9);
    // Scrolling the rows back up hides the band pixel for pixel.
    band.setTop(60);
    EXPECT_EQ(band.scroll(-25, false, false, PullGesture::Kind::Travel), 0.0);
    EXPECT_EQ(band.top(), 35.0);
}
