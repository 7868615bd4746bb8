#include "UIce.h"

#include "BlankArt.h"
#include "UGNullRenderBackend.h"
#include "UGRandom.h"
#include "UGTimer.h"

#include <cmath>
#include <gtest/gtest.h>

namespace qm {
namespace {

constexpr double Frame = 0.01;

// Frost without art: the timing runs, nothing is drawn.
class IceTiming : public ::testing::Test {
protected:
    IceTiming() { SetRandomSeed(11); }

    TParticleEnv Env() { return {nullptr, &Clock, &Clock}; }
    // Draws frames of `Frame` seconds until `seconds` have passed since the start, calling
    // `each` after every frame with the time reached.
    template <typename T, typename F> void RunUntil(T& ice, double seconds, F each) {
        Clock.Step = Frame;
        while (Now + Frame / 2 < seconds) {
            ice.Draw();
            Now += Frame;
            each(Now);
        }
    }
    template <typename T> void RunUntil(T& ice, double seconds) {
        RunUntil(ice, seconds, [](double) {});
    }

    TGManualTickSource Ticks;
    TGTimer Clock{Ticks, 1.0};
    double Now = 0.0;
};

TEST_F(IceTiming, TheTimeBarFrostIsAColumnOfSixteenBallsFormingFromTheTop) {
    TTimeBarIce ice(Env(), 10);
    ASSERT_EQ(ice.Balls.size(), 16u);
    for (size_t i = 0; i < 16; ++i) {
        const TIce::TIceBall& ball = ice.Balls[i];
        const double nominal = 297 - 175 + 350.0 * static_cast<double>(i) / 15;
        EXPECT_EQ(ball.ScreenX, 758.0);
        if (i == 0 || i == 15) {
            EXPECT_EQ(ball.ScreenY, nominal);
        } else {
            EXPECT_GE(ball.ScreenY, nominal - 5);
            EXPECT_LT(ball.ScreenY, nominal + 5);
        }
        EXPECT_EQ(ball.MaxStrength, 12.0);
        EXPECT_DOUBLE_EQ(ball.Delay, std::pow(1.2, static_cast<double>(i) / 8));
        // Relative to the corner of the 68 x 400 box centred on (758, 297).
        EXPECT_FLOAT_EQ(ball.X, 34.0f);
        EXPECT_FLOAT_EQ(ball.Y, static_cast<float>(ball.ScreenY - 97));
    }
}

// Each ball reaches its full strength 0.3 s after its delay; after the freeze time every ball
// melts away within 0.1 s, with a blast at every second ball.
TEST_F(IceTiming, ATenSecondTimeBarFreezeGrowsStaysAndMelts) {
    TTimeBarIce ice(Env(), 10);
    std::vector<double> delays;
    for (const TIce::TIceBall& ball : ice.Balls) {
        delays.push_back(ball.Delay);
    }
    std::vector<double> full(16, -1.0);
    double melting = -1.0;
    double melted = -1.0;
    RunUntil(ice, 10.5, [&](double now) {
        for (size_t i = 0; i < 16; ++i) {
            if (full[i] < 0 && ice.Balls[i].Strength == 12.0) {
                full[i] = now;
            }
        }
        if (melting < 0 && ice.Melting) {
            melting = now;
        }
        bool allGone = true;
        for (const TIce::TIceBall& ball : ice.Balls) {
            allGone = allGone && ball.Strength == 0.0;
        }
        if (melting >= 0 && melted < 0 && allGone) {
            melted = now;
        }
    });
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_NEAR(full[i], delays[i] + 0.3, 2.5 * Frame) << "ball " << i;
    }
    EXPECT_NEAR(melting, 10.0, 1.5 * Frame);
    EXPECT_NEAR(melted - melting, 0.1, 1.5 * Frame);
    int blasts = 0;
    for (size_t i = 0; i < 16; ++i) {
        blasts += ice.Balls[i].Blast != nullptr;
        EXPECT_EQ(ice.Balls[i].Blast != nullptr, i % 2 == 0) << i;
    }
    EXPECT_EQ(blasts, 8);
    // The last blast starts at most 0.2 s late and lasts 0.25 s.
    EXPECT_TRUE(ice.Finished);
    EXPECT_FALSE(ice.Surface().Balls.empty());
}

// A freeze with 4 s left extended by 10 s keeps its frost for 14 s more.
TEST_F(IceTiming, AnExtendedTimeBarFreezeKeepsItsFrostForTheNewTime) {
    TTimeBarIce ice(Env(), 10);
    RunUntil(ice, 6);
    ice.SetDuration(14);
    RunUntil(ice, 19.95);
    EXPECT_FALSE(ice.Melting);
    RunUntil(ice, 20.05);
    EXPECT_TRUE(ice.Melting);
}

// A frost with a start delay of 1 s shows nothing in that second, forms, breaks after its time
// and finishes once its blasts are over.
TEST_F(IceTiming, ACellFrostWaitsForItsStartThenFormsBreaksAndFinishes) {
    TCellIce ice(Env(), {300, 200}, 0.5, 1.0, 0.0, 35);
    ASSERT_GE(ice.Balls.size(), 2u);
    ASSERT_LE(ice.Balls.size(), 6u);
    EXPECT_EQ(ice.Balls[0].MaxStrength, 0.8 * 35);
    EXPECT_GE(ice.Balls[0].ScreenX, 280);
    EXPECT_LT(ice.Balls[0].ScreenX, 320);
    for (size_t i = 1; i < ice.Balls.size(); ++i) {
        EXPECT_GE(ice.Balls[i].MaxStrength, 0.2 * 35);
        EXPECT_LT(ice.Balls[i].MaxStrength, 0.3 * 35);
        EXPECT_GE(ice.Balls[i].ScreenY, 200);
        EXPECT_LT(ice.Balls[i].ScreenY, 220);
    }
    RunUntil(ice, 0.99);
    EXPECT_EQ(ice.Surface().BuildTriangles(), 0);
    EXPECT_EQ(ice.Balls[0].Strength, 0.0);
    RunUntil(ice, 1.2);
    EXPECT_GT(ice.Balls[0].Strength, 0.0);
    EXPECT_GT(ice.Surface().BuildTriangles(), 0);
    RunUntil(ice, 1.47);
    EXPECT_FALSE(ice.IsBroken());
    RunUntil(ice, 1.53);
    EXPECT_TRUE(ice.IsBroken());
    EXPECT_FALSE(ice.Finished);
    RunUntil(ice, 1.5 + 0.2 + 0.25 + 4 * Frame);
    EXPECT_TRUE(ice.Finished);
}

// With art: the frost's triangles are drawn every frame, the blasts while it melts, and
// nothing at all once it has finished.
TEST_F(IceTiming, AFinishedFrostDrawsNothing) {
    TGNullRenderBackend backend;
    TGGraphicsDevice device(backend, nullptr, Ticks, nullptr);
    device.SetMode(800, 600, 1.0);
    device.SetSkipSameFrames(false);
    TGNewXMLNode fonts("Fonts");
    std::unique_ptr<TGResManager> art = test::MakeBlankArt(
        device, fonts, "IceTestArt", {{"liquid/ice", 1, 64, 64}, {"stuff/iceblast", 6, 32, 32}}, 256);
    TCellIce ice({art.get(), &Clock, &Clock}, {300, 200}, 1.0, 0.0, 0.05, 35);
    int listDraws = 0;
    int blastDraws = 0;
    Clock.Step = Frame;
    for (int frame = 0; frame < 300 && !ice.Finished; ++frame) {
        const int draws = backend.Draws;
        const int lists = backend.ListDraws;
        ASSERT_TRUE(device.BeginFrame());
        ice.Draw();
        device.EndFrame();
        listDraws += backend.ListDraws - lists;
        if (ice.Melting) {
            blastDraws += (backend.Draws - draws) - (backend.ListDraws - lists);
        }
    }
    ASSERT_TRUE(ice.Finished);
    EXPECT_GT(listDraws, 20);
    EXPECT_GT(blastDraws, 0);
    const int draws = backend.Draws;
    ASSERT_TRUE(device.BeginFrame());
    ice.Draw();
    device.EndFrame();
    EXPECT_EQ(backend.Draws, draws);
}

} // namespace
} // namespace qm
