#include "UBrick.h"
#include "BarTestHost.h"
#include "UGRandom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace qm::test {

namespace {

constexpr double Frame = 0.01;

class BrickTest : public ::testing::Test {
protected:
    BrickTest() {
        host.Tick(Frame);
        host.Frames[TBrick::RollSeq] = 8;
        host.Frames[TBrick::FallSeq] = 5;
        host.Frames[TBrick::CrackSeq] = 4;
    }

    // The states a brick passes through within `seconds`, each once, and the time of each change.
    std::vector<int> StatesOver(TBrick& brick, double seconds, std::vector<double>* times = nullptr) {
        std::vector<int> states{brick.State()};
        for (int frame = 1; frame * Frame <= seconds; ++frame) {
            brick.UpdateAndDraw();
            if (brick.State() != states.back()) {
                states.push_back(brick.State());
                if (times) {
                    times->push_back(frame * Frame);
                }
            }
        }
        return states;
    }

    TBarTestHost host;
};

} // namespace

TEST_F(BrickTest, ThrownFromMidScreenItLandsBesideItsStartWithinItsFlightTime) {
    bool left = false;
    bool right = false;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SetRandomSeed(seed);
        TBrick brick(host, true, 400, 300);
        EXPECT_GE(brick.LandingY(), 584.0);
        EXPECT_LT(brick.LandingY(), 600.0);
        const double side = brick.LandingX() - 400.0;
        EXPECT_GE(std::fabs(side), 50.0) << seed;
        EXPECT_LT(std::fabs(side), 100.0) << seed;
        left = left || side < 0;
        right = right || side > 0;
        EXPECT_GE(brick.FlightSeconds(), 0.99) << seed;
        EXPECT_LE(brick.FlightSeconds(), 1.8) << seed;
        EXPECT_EQ(brick.X(), 400.0);
        EXPECT_EQ(brick.Y(), 300.0);

        std::vector<double> times;
        StatesOver(brick, 2.0, &times);
        ASSERT_FALSE(times.empty()) << seed;
        EXPECT_NEAR(times[0], brick.FlightSeconds(), 2 * Frame) << seed;
        EXPECT_EQ(brick.X(), brick.LandingX());
        EXPECT_EQ(brick.Y(), brick.LandingY());
        EXPECT_EQ(brick.Depth(), brick.LandingY()) << "lower bricks are drawn later";

        SetRandomSeed(seed);
        TBrick again(host, true, 400, 300);
        EXPECT_EQ(again.LandingX(), brick.LandingX()) << "the path comes from the game's generator";
        EXPECT_EQ(again.FlightSeconds(), brick.FlightSeconds());
    }
    EXPECT_TRUE(left && right);
}

TEST_F(BrickTest, ARealBrickLandsLiesOutItsLifeAndFades) {
    SetRandomSeed(7);
    TBrick brick(host, true, 300, 300);
    EXPECT_TRUE(brick.Real());
    std::vector<double> times;
    const std::vector<int> states = StatesOver(brick, 15.0, &times);
    ASSERT_EQ(states, (std::vector<int>{0, 1, 3, 6, 5}));
    EXPECT_NEAR(times[1] - times[0], 0.5, 2 * Frame) << "five landing frames at 10 per second";
    const double life = times[2] - times[1];
    EXPECT_GE(life, 3.0 - Frame);
    EXPECT_LT(life, 6.0 + Frame);
    EXPECT_NEAR(times[3] - times[2], TBrick::FadeSeconds, 2 * Frame);
    EXPECT_FALSE(brick.Visible());
}

TEST_F(BrickTest, AFalseBrickBreaksAndIsNeverThereToFetch) {
    SetRandomSeed(3);
    TBrick brick(host, false, 300, 300);
    std::vector<double> times;
    EXPECT_EQ(StatesOver(brick, 15.0, &times), (std::vector<int>{0, 2, 5}));
    EXPECT_NEAR(times[1] - times[0], 0.4, 2 * Frame) << "four breaking frames";
}

TEST_F(BrickTest, AClaimedBrickStaysAndAVanishWaitsItsDelay) {
    SetRandomSeed(11);
    TBrick claimed(host, true, 300, 300);
    TBrick vanishing(host, true, 320, 300);
    StatesOver(claimed, 2.6);
    StatesOver(vanishing, 2.6);
    ASSERT_EQ(claimed.State(), TBrick::Lying);
    ASSERT_EQ(vanishing.State(), TBrick::Lying);
    claimed.SetState(TBrick::Claimed);
    EXPECT_EQ(StatesOver(claimed, 20.0), std::vector<int>{TBrick::Claimed});

    vanishing.Vanish(1.0);
    std::vector<double> times;
    EXPECT_EQ(StatesOver(vanishing, 5.0, &times), (std::vector<int>{TBrick::Vanishing, TBrick::Finished}));
    EXPECT_NEAR(times[0], 3.0, 2 * Frame);
    vanishing.Vanish(0.0);
    EXPECT_EQ(vanishing.State(), TBrick::Finished) << "a finished brick stays finished";
}

TEST_F(BrickTest, HiddenBricksKeepFlying) {
    SetRandomSeed(5);
    TBrick brick(host, true, 300, 300);
    brick.SetVisible(false);
    EXPECT_FALSE(brick.Visible());
    StatesOver(brick, 2.0);
    EXPECT_NE(brick.State(), TBrick::Flying);
    brick.SetVisible(true);
    EXPECT_TRUE(brick.Visible());
}

} // namespace qm::test
