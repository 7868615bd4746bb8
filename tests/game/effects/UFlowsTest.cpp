#include "UFlows.h"

#include "UGTimer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

// A clock that advances by a fixed step per frame, as under --fixed-step.
class FlowTest : public ::testing::Test {
protected:
    // One frame: the clock moves on 10 ms, then the flow is stepped.
    bool Frame(IFlow& flow) {
        ticks.Advance(10);
        clock.UpdateStep(true);
        now += clock.Step;
        return flow.Step();
    }

    TGManualTickSource ticks;
    TGTimer clock{ticks, 1.0};
    double now = 0.0;
    std::vector<std::string> log;
};

TEST_F(FlowTest, ASequenceOfAnActionADelayAndAnAction) {
    TSeqFlow flow;
    double first = -1.0;
    double second = -1.0;
    flow.AddAction([&] { first = now; });
    flow.AddDelay(clock, 2.0);
    flow.AddAction([&] { second = now; });
    EXPECT_TRUE(flow.IsDone()) << "a flow never stepped reports done";

    EXPECT_FALSE(Frame(flow));
    EXPECT_FALSE(flow.IsDone());
    EXPECT_DOUBLE_EQ(first, now) << "the first action runs at the first Step";
    int frames = 1;
    while (second < 0.0 && frames < 1000) {
        EXPECT_FALSE(Frame(flow));
        ++frames;
    }
    // Two seconds of the clock, to the frame: the delay ends once more than its length has
    // passed, and the action runs in the Step after.
    EXPECT_GE(second - first, 2.0);
    EXPECT_LE(second - first, 2.0 + 0.025);
    EXPECT_TRUE(Frame(flow)) << "done one Step after the last action";
    EXPECT_TRUE(flow.IsDone());
    EXPECT_TRUE(flow.Step()) << "and stays done";
}

TEST_F(FlowTest, ADelayCountsOnlyTheTimeOfItsClock) {
    TSeqFlow flow;
    flow.AddDelay(clock, 0.105);
    int frames = 0;
    clock.Paused = true;
    for (int i = 0; i < 50; ++i) {
        ticks.Advance(10);
        clock.UpdateStep(true);
        EXPECT_FALSE(flow.Step());
    }
    clock.Paused = false;
    while (!Frame(flow) && frames < 100) {
        ++frames;
    }
    // Eleven frames of 10 ms pass the 0,105 s; the flow answers done one Step later.
    EXPECT_EQ(frames, 11);
}

TEST_F(FlowTest, StepsOfASequenceStartOneStepAfterTheirPredecessorEnds) {
    TSeqFlow flow;
    bool ready = false;
    int calls = 0;
    int lastIndex = -2;
    TFlowArgs seen;
    flow.AddWait([&] {
        log.push_back("wait");
        return ready;
    });
    flow.AddCall(
        [&](const TFlowArgs& args, int last) {
            seen = args;
            lastIndex = last;
            ++calls;
        },
        {int64_t{7}, 2.5, std::string("box")});
    flow.AddMethodCall([&](const TFlowArgs&, int last) { log.push_back("method " + std::to_string(last)); },
                       {});
    flow.AddStep([&](TFlowStep& step, std::vector<TFlowStep>& steps) {
        log.push_back("step of " + std::to_string(steps.size()) + (step.StepProcedure ? ", itself" : ""));
    });

    EXPECT_FALSE(flow.Step());
    EXPECT_FALSE(flow.Step());
    ready = true;
    EXPECT_FALSE(flow.Step()); // the wait ends
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(flow.Step());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(lastIndex, 2);
    EXPECT_EQ(seen, (TFlowArgs{int64_t{7}, 2.5, std::string("box")}));
    EXPECT_FALSE(flow.Step());
    EXPECT_FALSE(flow.Step());
    EXPECT_TRUE(flow.Step());
    EXPECT_EQ(calls, 1) << "a finished step never runs again";
    EXPECT_EQ(log, (std::vector<std::string>{"wait", "wait", "wait", "method -1", "step of 4, itself"}));
}

TEST_F(FlowTest, ASimultaneousFlowRunsEveryStepUntilAllAreDone) {
    TSimFlow flow;
    int actions = 0;
    int waits = 0;
    flow.AddAction([&] { ++actions; });
    flow.AddWait([&] { return ++waits >= 3; });
    EXPECT_FALSE(flow.Step());
    EXPECT_FALSE(flow.Step());
    EXPECT_TRUE(flow.Step());
    EXPECT_EQ(actions, 3) << "the action is called on every Step";
    EXPECT_TRUE(flow.Step());
    EXPECT_EQ(actions, 4) << "also once all are done";
    EXPECT_EQ(waits, 4);

    TSimFlow empty;
    EXPECT_TRUE(empty.Step());
}

TEST_F(FlowTest, NestedFlowsAndEmptyRecords) {
    TSeqFlow flow;
    PFlow together = flow.NewSimFlow();
    PFlow inner = together->NewSeqFlow();
    inner->AddAction([&] { log.push_back("inner 1"); });
    inner->AddAction([&] { log.push_back("inner 2"); });
    together->AddWait([&] {
        log.push_back("beside");
        return true;
    });
    flow.AddAction([&] { log.push_back("after"); });
    EXPECT_EQ(dynamic_cast<TFlow&>(flow).StepCount(), 2u);

    int steps = 0;
    while (!flow.Step() && steps < 10) {
        ++steps;
    }
    // The inner sequence needs three Steps (two actions and its closing answer); the
    // simultaneous flow runs the wait beside it each time.
    EXPECT_EQ(log, (std::vector<std::string>{"inner 1", "beside", "inner 2", "beside", "beside", "after"}));
    EXPECT_EQ(steps, 4);
    EXPECT_TRUE(inner->IsDone());
    EXPECT_TRUE(together->IsDone());

    TSeqFlow blank;
    blank.AddFlow(nullptr);
    EXPECT_FALSE(blank.Step()) << "a record with nothing in it is finished at once";
    EXPECT_TRUE(blank.Step());
}

} // namespace
} // namespace qm
