#include "UBars.h"
#include "BarTestHost.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm::test {

namespace {

constexpr double Frame = 0.01;

void TimeFrame(TBarTestHost& host, TTimeBar& bar, double rate = 0.0, double dt = Frame) {
    host.Tick(dt);
    bar.Step(rate);
    bar.UpdateAndDraw(230, 60);
}

// Frames until the bar is in `state`; -1 when it is not within `limit` frames.
int FramesUntil(TBarTestHost& host, TTimeBar& bar, int state, int limit, double rate = 0.0) {
    for (int frame = 1; frame <= limit; ++frame) {
        TimeFrame(host, bar, rate);
        if (bar.State() == state) {
            return frame;
        }
    }
    return -1;
}

// A running bar of `limit` seconds with `total` of it left: it fills, then one long frame takes
// the rest off.
void RunningBarAt(TBarTestHost& host, TTimeBar& bar, double limit, double total) {
    bar.SetTimeLimit(limit);
    ASSERT_GT(FramesUntil(host, bar, TTimeBar::Running, 1000), 0);
    TimeFrame(host, bar, 0.0, (1.0 - total) * limit);
    ASSERT_NEAR(bar.Total(), total, 1e-9);
}

} // namespace

TEST(BarsTest, GaugeCutRoundsRowsToEven) {
    const struct {
        int Height;
        double Total;
        int Rows;
    } cases[] = {{100, 0.5, 50}, {100, 1.0, 0}, {100, 0.0, 100}, {3, 0.5, 2},
                 {5, 0.5, 2},    {10, 0.26, 7}, {10, 0.24, 8}};
    for (const auto& c : cases) {
        EXPECT_EQ(GaugeCut(c.Height, c.Total), c.Rows) << c.Height << " " << c.Total;
    }
}

TEST(TimeBarTest, FillsInTwoThirdsOfASecondThenRunsOutOverItsLimit) {
    for (double limit : {2.0, 30.0}) {
        TBarTestHost host;
        TTimeBar bar(host);
        EXPECT_TRUE(bar.IsStopped()) << "a new bar stands still";
        TimeFrame(host, bar);
        EXPECT_EQ(bar.Total(), 0.0);

        bar.SetTimeLimit(limit);
        EXPECT_EQ(bar.State(), TTimeBar::Filling);
        EXPECT_FALSE(bar.IsRunningOrStopped());
        EXPECT_EQ(FramesUntil(host, bar, TTimeBar::Running, 1000), 67) << limit;
        EXPECT_EQ(bar.Total(), 1.0);

        const int frames = FramesUntil(host, bar, TTimeBar::Stopped, 100000);
        EXPECT_NEAR(frames * Frame, limit, 2 * Frame) << limit;
        EXPECT_EQ(bar.Total(), 0.0);
        EXPECT_TRUE(bar.IsRunningOrStopped());
    }
}

TEST(TimeBarTest, DrainingConvertsTheRestIntoPointsOnlyAfterAWin) {
    const struct {
        bool Award;
        double Rate;
        int MinFrames, MaxFrames;
        int MinScore, MaxScore;
    } cases[] = {
        // 0.4 at the floor of 0.7 bars per second: 58 frames, up to a point dropped in each.
        {true, 0.0, 57, 59, 1000 - 59, 1000},
        {true, 0.5, 57, 59, 1000 - 59, 1000},
        // The skip of the stage-complete dialog empties the bar in one frame.
        {true, 100.0, 1, 1, 999, 1000},
        {false, 0.0, 57, 59, 0, 0},
    };
    for (const auto& c : cases) {
        TBarTestHost host;
        TTimeBar bar(host);
        RunningBarAt(host, bar, 10.0, 0.4);
        bar.Drain(c.Award);
        EXPECT_EQ(bar.State(), TTimeBar::Draining);
        double lowest = 1.0;
        int frames = 0;
        while (bar.State() == TTimeBar::Draining && frames < 1000) {
            host.Tick(Frame);
            bar.Step(c.Rate);
            lowest = std::min(lowest, bar.Total());
            bar.UpdateAndDraw(230, 60);
            ++frames;
        }
        EXPECT_TRUE(bar.IsStopped());
        EXPECT_GE(lowest, 0.0) << "a draining step never goes below empty";
        EXPECT_GE(frames, c.MinFrames) << c.Rate;
        EXPECT_LE(frames, c.MaxFrames) << c.Rate;
        EXPECT_GE(host.Score, c.MinScore) << c.Rate;
        EXPECT_LE(host.Score, c.MaxScore) << c.Rate;
    }
}

TEST(TimeBarTest, DrainingAStoppedBarChangesNothing) {
    TBarTestHost host;
    TTimeBar bar(host);
    bar.Drain(true);
    TimeFrame(host, bar);
    EXPECT_TRUE(bar.IsStopped());
    EXPECT_EQ(host.Score, 0);
}

TEST(TimeBarTest, AFreezeHoldsTheTimeAndASecondOneExtendsIt) {
    TBarTestHost host;
    TTimeBar bar(host);
    RunningBarAt(host, bar, 100.0, 0.8);
    bar.Freeze();
    ASSERT_EQ(host.Ices.size(), 1u);
    EXPECT_EQ(host.IceSeconds[0], 10.0);
    for (int i = 0; i < 600; ++i) {
        TimeFrame(host, bar);
    }
    EXPECT_NEAR(bar.Total(), 0.8, 1e-12) << "frozen time does not run";
    EXPECT_NEAR(bar.FreezeLeft(), 4.0, 1e-9);

    bar.Freeze();
    EXPECT_NEAR(bar.FreezeLeft(), 14.0, 1e-9);
    ASSERT_EQ(host.Ices.size(), 1u) << "the overlay stays and is told the longer time";
    ASSERT_EQ(host.Ices[0]->Durations.size(), 1u);
    EXPECT_NEAR(host.Ices[0]->Durations[0], 14.0, 1e-9);
    EXPECT_GT(host.Ices[0]->Draws, 0);

    int frames = 0;
    while (bar.Frozen() && frames < 5000) {
        TimeFrame(host, bar);
        ++frames;
    }
    EXPECT_NEAR(frames * Frame, 14.0, 1.5 * Frame);
    EXPECT_NE(bar.ThawAnimotion(), nullptr) << "the thaw plays when a freeze runs out";
    TimeFrame(host, bar);
    EXPECT_LT(bar.Total(), 0.8) << "the time runs again";
    for (int i = 0; i < 160; ++i) {
        TimeFrame(host, bar);
    }
    EXPECT_EQ(bar.ThawAnimotion(), nullptr) << "the thaw ends after 1.5 s";
}

TEST(TimeBarTest, DrainEndsAFreezeQuietlyAndFreezeForeverLasts) {
    TBarTestHost host;
    TTimeBar bar(host);
    RunningBarAt(host, bar, 100.0, 0.5);
    bar.Freeze();
    bar.Drain(false);
    EXPECT_FALSE(bar.Frozen());
    EXPECT_EQ(bar.ThawAnimotion(), nullptr);

    TTimeBar forever(host);
    RunningBarAt(host, forever, 100.0, 0.5);
    forever.FreezeForever();
    EXPECT_TRUE(forever.Frozen());
    EXPECT_EQ(host.IceSeconds.back(), 5e10);
    TimeFrame(host, forever, 0.0, 1e6);
    EXPECT_TRUE(forever.Frozen());
    EXPECT_EQ(forever.Total(), 0.5);
}

TEST(TimeBarTest, WhilePausedNeitherTimeNorFreezeRuns) {
    TBarTestHost host;
    TTimeBar bar(host);
    RunningBarAt(host, bar, 100.0, 0.5);
    TTimeBar frozen(host);
    RunningBarAt(host, frozen, 100.0, 0.5);
    frozen.Freeze();
    bar.SetPaused(true);
    frozen.SetPaused(true);
    EXPECT_TRUE(bar.Paused());
    for (int i = 0; i < 2000; ++i) {
        TimeFrame(host, bar);
        TimeFrame(host, frozen);
    }
    EXPECT_EQ(bar.Total(), 0.5);
    EXPECT_EQ(frozen.FreezeLeft(), 10.0);
    bar.SetPaused(false);
    TimeFrame(host, bar);
    EXPECT_LT(bar.Total(), 0.5);
}

TEST(TimeBarTest, HurryUpInTheLastMinuteOfARunningBar) {
    const struct {
        double Total;
        bool EndQueued;
        bool HurryUp;
    } cases[] = {{0.51, false, false}, {0.49, false, true}, {0.49, true, false}, {0.1, false, true}};
    for (const auto& c : cases) {
        TBarTestHost host;
        TTimeBar bar(host);
        RunningBarAt(host, bar, 120.0, c.Total);
        host.EndQueued = c.EndQueued;
        EXPECT_EQ(bar.IsHurryUp(), c.HurryUp) << c.Total << " " << c.EndQueued;
    }
    TBarTestHost host;
    TTimeBar bar(host);
    bar.SetTimeLimit(120.0);
    TimeFrame(host, bar);
    EXPECT_LT(bar.Total(), 0.5);
    EXPECT_FALSE(bar.IsHurryUp()) << "a bar still filling is never hurried";
}

TEST(TimeBarTest, LockedLivesStayAsTheyWere) {
    TBarTestHost host;
    TTimeBar bar(host);
    EXPECT_EQ(bar.DisplayedLives(), 3);
    bar.LockLives();
    host.PlayerLives = 2;
    EXPECT_EQ(bar.DisplayedLives(), 3);
    bar.UnlockLives();
    EXPECT_EQ(bar.DisplayedLives(), 2);
}

TEST(BrickBarTest, FullAtNinetyEightPercentUntilCollected) {
    TBarTestHost host;
    TBrickBar bar(host);
    bar.Add(0.5);
    bar.Add(0.47);
    bar.UpdateAndDraw();
    EXPECT_FALSE(bar.IsFull());
    EXPECT_NEAR(bar.Total(), 0.97, 1e-12);
    bar.Add(0.01);
    bar.UpdateAndDraw();
    EXPECT_TRUE(bar.IsFull());
    EXPECT_EQ(bar.Total(), 1.0);
    bar.Add(0.3);
    bar.UpdateAndDraw();
    EXPECT_EQ(bar.Total(), 1.0);
    bar.Collect();
    EXPECT_FALSE(bar.IsFull());
    EXPECT_EQ(bar.Total(), 0.0);
    bar.Add(0.2);
    EXPECT_NEAR(bar.Total(), 0.2, 1e-12);
}

TEST(BrickBarTest, CappedOnEarlyLevelsOnceTheSublevelsBricksAreIn) {
    const struct {
        int Level, Bricks, MaxBricks;
        bool Capped;
    } cases[] = {{1, 5, 5, true}, {6, 6, 5, true}, {1, 4, 5, false}, {7, 5, 5, false}, {9, 50, 5, false}};
    for (const auto& c : cases) {
        TBarTestHost host;
        host.Level = c.Level;
        host.Bricks = c.Bricks;
        host.MaxBricks = c.MaxBricks;
        host.Tick(Frame);
        TBrickBar bar(host);
        bar.StartDouble(5.0);
        bar.Add(0.1);
        EXPECT_EQ(bar.IsCapped(), c.Capped) << c.Level;
        EXPECT_NEAR(bar.Total(), c.Capped ? 0.0 : 0.2, 1e-12) << c.Level;
        EXPECT_NEAR(bar.DoubleTime(), c.Capped ? 5.0 : 5.0 - Frame, 1e-12) << "the double countdown too";
    }
}

TEST(BrickBarTest, DoubleMaterialsDoubleEveryChargeForFramesOfTheirTime) {
    const struct {
        int ChargesPerFrame;
        int Frames;
    } cases[] = {{1, 100}, {4, 25}};
    for (const auto& c : cases) {
        TBarTestHost host;
        host.Tick(Frame);
        TBrickBar bar(host);
        bar.StartDouble(0.6);
        bar.StartDouble(0.4);
        EXPECT_TRUE(bar.DoubleOn());
        int frames = 0;
        while (bar.DoubleOn() && frames < 1000) {
            for (int i = 0; i < c.ChargesPerFrame; ++i) {
                bar.Add(0.0001);
            }
            bar.UpdateAndDraw();
            ++frames;
        }
        EXPECT_NEAR(frames, c.Frames, 1) << c.ChargesPerFrame;
        EXPECT_NEAR(bar.Total(), 0.0002 * frames * c.ChargesPerFrame, 1e-9);
        const double before = bar.Total();
        bar.Add(0.05);
        EXPECT_NEAR(bar.Total() - before, 0.05, 1e-12) << "single again after the period";
    }
    TBarTestHost host;
    TBrickBar bar(host);
    bar.StartDouble(5.0);
    bar.EndDouble();
    bar.Add(0.05);
    EXPECT_FALSE(bar.DoubleOn());
    EXPECT_EQ(bar.DoubleTime(), 0.0);
    EXPECT_NEAR(bar.Total(), 0.05, 1e-12);
}

TEST(ShuffleBarTest, FullWithASoundThenEmptiesInAThirdOfASecond) {
    TBarTestHost host;
    host.Tick(Frame);
    TShuffleBar bar(host);
    bar.Add(0.6);
    bar.UpdateAndDraw();
    EXPECT_TRUE(host.Sounds.empty());
    bar.Add(0.4);
    bar.UpdateAndDraw();
    EXPECT_TRUE(bar.IsFull());
    EXPECT_EQ(host.Sounds, std::vector<std::string>{"ShuffleComplete"});
    bar.Add(0.3);
    bar.UpdateAndDraw();
    EXPECT_EQ(bar.Total(), 1.0);
    EXPECT_EQ(host.Sounds.size(), 1u);

    bar.StartEmpty();
    EXPECT_EQ(bar.State(), TShuffleBar::Emptying);
    int frames = 0;
    while (bar.State() == TShuffleBar::Emptying && frames < 1000) {
        bar.Add(frames == 10 ? 0.5 : 0.0);
        bar.UpdateAndDraw();
        ++frames;
    }
    // A third of a second, a charge on the way (frame 10) adding nothing.
    EXPECT_EQ(frames, 34);
    EXPECT_EQ(bar.Total(), 0.0);
    bar.Add(0.25);
    bar.UpdateAndDraw();
    EXPECT_EQ(bar.Total(), 0.25) << "charges again once empty";
}

TEST(BonusBarTest, ChargesOnlyWhenVisibleAndNoBonusIsQueued) {
    const struct {
        bool Visible, Queued;
        double Total;
    } cases[] = {{true, false, 0.3}, {false, false, 0.0}, {true, true, 0.0}};
    for (const auto& c : cases) {
        TBarTestHost host;
        host.BonusQueued = c.Queued;
        TBonusBar bar(host);
        EXPECT_TRUE(bar.Visible());
        bar.SetVisible(c.Visible);
        bar.Add(0.3);
        bar.UpdateAndDraw();
        EXPECT_NEAR(bar.Total(), c.Total, 1e-12) << c.Visible << " " << c.Queued;
    }
}

TEST(BonusBarTest, ReadyAtNinetyNinePercentFullOnlyPastTheTop) {
    TBarTestHost host;
    TBonusBar bar(host);
    bar.Add(0.995);
    bar.UpdateAndDraw();
    EXPECT_EQ(bar.Total(), 1.0);
    EXPECT_FALSE(bar.IsFull());
    bar.Add(0.5);
    bar.UpdateAndDraw();
    EXPECT_TRUE(bar.IsFull());
    EXPECT_EQ(bar.Total(), 1.0);
    bar.Add(0.5);
    bar.ResetBar();
    EXPECT_FALSE(bar.IsFull());
    EXPECT_EQ(bar.Total(), 0.0);
    bar.Add(0.25);
    EXPECT_EQ(bar.Total(), 0.25);
}

// The special folders are numbered by the special's id, which is not its kind.
TEST(BonusBarTest, ABonusShowsThePicturesOfItsKindsFolder) {
    TBarTestHost host;
    EXPECT_EQ(host.BonusMainSeq(6), "specials/4/Special");
    EXPECT_EQ(host.BonusGraySeq(6), "specials/4/SpecialGray");
    EXPECT_EQ(host.BonusFillSeq(13), "specials/5/SpecialFill");
}

} // namespace qm::test
