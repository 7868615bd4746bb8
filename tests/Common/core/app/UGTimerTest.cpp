#include "UGTimer.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct TimerCase {
    const char* Name;
    uint64_t Start;
    uint64_t End;
    double Speed;
    bool Active;
    bool Paused;
    double ExpectedStep;
};

class TimerStep : public ::testing::TestWithParam<TimerCase> {};

TEST_P(TimerStep, StepFollowsElapsedTimeCapAndSpeed) {
    const TimerCase& c = GetParam();
    TGManualTickSource ticks(c.Start);
    TGTimer timer(ticks, c.Speed);
    timer.Paused = c.Paused;
    ticks.Set(c.End);
    timer.UpdateStep(c.Active);
    EXPECT_DOUBLE_EQ(timer.Step, c.ExpectedStep);
    EXPECT_EQ(timer.LastTick, static_cast<uint32_t>(c.End));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TimerStep,
    ::testing::Values(TimerCase{"TenMilliseconds", 1000, 1010, 1.0, true, false, 0.01},
                      TimerCase{"StallOfTwoSecondsIsCapped", 1000, 3000, 1.0, true, false, 0.03},
                      TimerCase{"CapIsScaledBySpeed", 1000, 3000, 2.0, true, false, 0.06},
                      TimerCase{"SpeedScalesShortSteps", 1000, 1020, 0.1, true, false, 0.002},
                      TimerCase{"PausedGivesZero", 1000, 1010, 1.0, true, true, 0.0},
                      TimerCase{"InactiveGivesZero", 1000, 1010, 1.0, false, false, 0.0},
                      // The 32-bit tick counter wraps after 49.7 days: 21 ms pass across it.
                      TimerCase{"WrapOfTheTickCounter", 0xFFFFFFF0ull, 0x100000005ull, 1.0, true, false,
                                0.021},
                      // A tick source that goes backwards never gives a negative or huge step.
                      TimerCase{"BackwardsGivesZero", 5000, 4000, 1.0, true, false, 0.0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Timer, InactiveUpdateRefreshesTheTickSoTheNextStepStartsThere) {
    TGManualTickSource ticks(0);
    TGTimer timer(ticks, 1.0);
    ticks.Set(5000);
    timer.UpdateStep(false);
    ticks.Set(5010);
    timer.UpdateStep(true);
    EXPECT_DOUBLE_EQ(timer.Step, 0.01);
}

TEST(Timer, StepHelpersAddAndSubtractTheStep) {
    TGManualTickSource ticks(0);
    TGTimer timer(ticks, 1.0);
    ticks.Set(20);
    timer.UpdateStep(true);
    double countDown = 1.0;
    double countUp = 0.0;
    double scaled = 0.0;
    timer.SubStep(countDown);
    timer.AddStep(countUp);
    timer.AddStepScaled(scaled, 3.0);
    EXPECT_DOUBLE_EQ(countDown, 0.98);
    EXPECT_DOUBLE_EQ(countUp, 0.02);
    EXPECT_DOUBLE_EQ(scaled, 0.06);
}

} // namespace
} // namespace qm
