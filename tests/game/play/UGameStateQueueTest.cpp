#include "UGameStateQueue.h"

#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

// The queue passes the widget input state on without looking into it, so any storage stands in
// for one here.
alignas(16) const unsigned char InputStorage[1024] = {};
const TGInputState& Input() {
    return *reinterpret_cast<const TGInputState*>(InputStorage);
}

// A state that writes what happens to it into the queue's trace and does what the test asks.
class TProbe : public TGameState {
public:
    TProbe(TGameStateQueue& queue, std::string name) : TGameState(queue), FName(std::move(name)) {}

    void UpdateHelper() override {
        TGameState::UpdateHelper();
        if (OnUpdate) {
            OnUpdate(*this);
        }
    }
    void Draw() override { Trace("Draw: " + FName); }
    bool Initialize() override {
        TGameState::Initialize();
        return InitializeAnswers.empty() || InitializeAnswer(InitializeAnswers);
    }
    void Finalize(bool removed) override {
        TGameState::Finalize(removed);
        Trace(removed ? "removed" : "finished");
        if (OnFinalize) {
            OnFinalize(*this);
        }
    }
    void MouseDown(int button, const TGInputState& input) override {
        Trace("MouseDown " + std::to_string(button) + ": " + FName);
        EXPECT_EQ(&input, &Input()) << "the state sees the screen's input state";
    }
    void KeyDown(int key, const TGInputState&) override {
        Trace("KeyDown " + std::to_string(key) + ": " + FName);
    }
    void PausedChanged() override { Trace("PausedChanged: " + FName); }
    std::string GetName() const override { return FName; }

    std::function<void(TProbe&)> OnUpdate;
    std::function<void(TProbe&)> OnFinalize;
    // Answers of Initialize, one per call; true once they run out.
    std::vector<bool> InitializeAnswers;

private:
    static bool InitializeAnswer(std::vector<bool>& answers) {
        bool answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    std::string FName;
};

class TBonusProbe : public TProbe {
public:
    using TProbe::TProbe;
    bool IsBonusState() const override { return true; }
};

class TAimProbe : public TBonusProbe {
public:
    using TBonusProbe::TBonusProbe;
};

class TManager : public IPlayManager {
public:
    TGameData* GameData() override { return nullptr; }
    TField* CurrentField() override { return nullptr; }
    void PausePlay() override { Calls.push_back("pause"); }
    void ResumePlay() override { Calls.push_back("resume"); }
    // The board of these tests never turns into another sublevel.
    bool PlanBoardChange(bool /*won*/, bool /*fromFirst*/, TBoardChange& /*change*/) override {
        return false;
    }
    void SetLevelAndSubLevel(int /*level*/, int /*subLevel*/) override {}
    void RestartTimeBar() override {}
    ISecretMapPlay* SecretMaps() override { return nullptr; }
    void StartColorCellBlast(int /*x*/, int /*y*/) override {}
    std::vector<std::string> Calls;
};

class TScreen : public IPlayScreen {
public:
    bool IsBonusInteractionBlocked() const override { return Blocked; }
    bool Blocked = false;
};

using Lines = std::vector<std::string>;

class GameStateQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        queue.Trace = [this](const std::string& line) { trace.push_back(line); };
    }
    // The trace of one frame.
    Lines Frame() {
        trace.clear();
        queue.Update();
        return Taken();
    }
    Lines Taken() { return std::exchange(trace, {}); }

    // Before the queue, which writes its last lines as it goes.
    Lines trace;
    TManager manager;
    TGameStateQueue queue{&manager};
};

TEST_F(GameStateQueueTest, AStateFinishingAndPushingItsSuccessorFrameByFrame) {
    TProbe& a = queue.Push<TProbe>("A");
    int updates = 0;
    a.OnUpdate = [&](TProbe& self) {
        if (++updates == 2) {
            self.Finish();
            self.Queue().Push<TProbe>("B");
        }
    };
    EXPECT_EQ(Taken(), (Lines{"Create: A"}));
    EXPECT_EQ(Frame(), (Lines{"Initialize: A", "UpdateHelper: A", "Draw: A"}));
    // B waits for the next frame; A, finished, still draws the frame it ended in.
    EXPECT_EQ(Frame(), (Lines{"UpdateHelper: A", "Create: B", "Draw: A"}));
    EXPECT_EQ(queue.Count(), 2u);
    EXPECT_EQ(Frame(), (Lines{"Finilize: A", "finished", "Destroy: A", "Initialize: B", "UpdateHelper: B",
                              "Draw: B"}));
    EXPECT_EQ(queue.Count(), 1u);
    EXPECT_EQ(queue.First()->GetName(), "B");
}

TEST_F(GameStateQueueTest, ASuccessorPushedByFinalizeRunsInThatSameFrame) {
    TProbe& a = queue.Push<TProbe>("A");
    a.OnUpdate = [](TProbe& self) { self.Finish(); };
    a.OnFinalize = [](TProbe& self) { self.Queue().Push<TProbe>("C"); };
    Frame();
    EXPECT_EQ(Frame(), (Lines{"Finilize: A", "finished", "Create: C", "Destroy: A", "Initialize: C",
                              "UpdateHelper: C", "Draw: C"}));
}

TEST_F(GameStateQueueTest, AnUnreadyStateAsksAgainEachFrame) {
    TProbe& a = queue.Push<TProbe>("A");
    a.InitializeAnswers = {false, false};
    Taken();
    EXPECT_EQ(Frame(), (Lines{"Initialize: A"}));
    EXPECT_EQ(a.Status(), ssNew);
    EXPECT_EQ(Frame(), (Lines{"Initialize: A"}));
    EXPECT_EQ(Frame(), (Lines{"Initialize: A", "UpdateHelper: A", "Draw: A"}));
    EXPECT_EQ(a.Status(), ssRunning);
}

TEST_F(GameStateQueueTest, KilledStatesGoWithoutFinalize) {
    TProbe& a = queue.Push<TProbe>("A");
    TProbe& b = queue.Push<TProbe>("B");
    queue.Push<TProbe>("C");
    Frame();
    // A kills B before B's turn in the same frame: B is passed over, then freed.
    a.OnUpdate = [&](TProbe&) { b.Kill(); };
    EXPECT_EQ(Frame(), (Lines{"UpdateHelper: A", "Draw: A", "UpdateHelper: C", "Draw: C"}));
    a.OnUpdate = nullptr;
    EXPECT_EQ(Frame(), (Lines{"Destroy: B", "UpdateHelper: A", "Draw: A", "UpdateHelper: C", "Draw: C"}));
}

TEST_F(GameStateQueueTest, AStateRemovedDuringTheWalkIsNotStepped) {
    TProbe& a = queue.Push<TProbe>("A");
    queue.Push<TBonusProbe>("B");
    Frame();
    a.OnUpdate = [](TProbe& self) {
        self.Queue().RemoveAllOf<TBonusProbe>();
        self.Queue().Push<TBonusProbe>("D");
    };
    EXPECT_EQ(Frame(),
              (Lines{"UpdateHelper: A", "Finilize: B", "removed", "Destroy: B", "Create: D", "Draw: A"}));
}

TEST_F(GameStateQueueTest, HeldAndBlockedBonusStatesAreSkippedByUpdatesAndInput) {
    TScreen screen;
    queue.SetGameScreen(&screen);
    queue.Push<TProbe>("A");
    queue.Push<TBonusProbe>("B");
    queue.Push<TAimProbe>("C");
    Frame();

    queue.SetHeldAll<TAimProbe>(true);
    EXPECT_EQ(Frame(), (Lines{"UpdateHelper: A", "Draw: A", "UpdateHelper: B", "Draw: B"}));
    queue.KeyDown(32, Input());
    EXPECT_EQ(Taken(), (Lines{"KeyDown 32: A", "KeyDown 32: B"}));

    queue.SetHeldAll<TAimProbe>(false);
    screen.Blocked = true;
    EXPECT_EQ(Frame(), (Lines{"UpdateHelper: A", "Draw: A"}));
    queue.MouseDown(0, Input());
    EXPECT_EQ(Taken(), (Lines{"MouseDown 0: A"}));

    // Holding a base class holds its subclasses.
    screen.Blocked = false;
    queue.SetHeldAll<TBonusProbe>(true);
    queue.MouseDown(1, Input());
    EXPECT_EQ(Taken(), (Lines{"MouseDown 1: A"}));
    queue.SetHeldAll<TGameState>(false);
    queue.MouseDown(1, Input());
    EXPECT_EQ(Taken(), (Lines{"MouseDown 1: A", "MouseDown 1: B", "MouseDown 1: C"}));
}

TEST_F(GameStateQueueTest, APausedQueueStillStepsButTakesNoInput) {
    queue.Push<TProbe>("A");
    queue.Push<TProbe>("B");
    Taken();
    queue.SetPaused(true);
    EXPECT_EQ(Taken(), (Lines{"PausedChanged: A", "PausedChanged: B"}));
    queue.SetPaused(true);
    EXPECT_EQ(Taken(), Lines{}) << "no change, no news";
    EXPECT_EQ(manager.Calls, (Lines{"pause"}));

    queue.MouseDown(0, Input());
    queue.KeyDown(13, Input());
    EXPECT_EQ(Taken(), Lines{});
    EXPECT_EQ(Frame(), (Lines{"Initialize: A", "UpdateHelper: A", "Draw: A", "Initialize: B",
                              "UpdateHelper: B", "Draw: B"}));

    queue.SetPaused(false);
    EXPECT_EQ(manager.Calls, (Lines{"pause", "resume"}));
    Taken();
    queue.KeyDown(13, Input());
    EXPECT_EQ(Taken(), (Lines{"KeyDown 13: A", "KeyDown 13: B"}));
}

TEST_F(GameStateQueueTest, RemovalFinalizesOnlyRunningStatesOfTheClassAndItsSubclasses) {
    queue.Push<TBonusProbe>("B1");
    queue.Push<TProbe>("A");
    queue.Push<TAimProbe>("C1");
    Frame();
    queue.Push<TAimProbe>("C2");
    Taken();
    queue.RemoveAllOf<TBonusProbe>();
    EXPECT_EQ(Taken(), (Lines{"Finilize: B1", "removed", "Destroy: B1", "Finilize: C1", "removed",
                              "Destroy: C1", "Destroy: C2"}));
    ASSERT_EQ(queue.Count(), 1u);

    TProbe& d = queue.Push<TProbe>("D");
    Frame();
    Taken();
    queue.RemoveState(d);
    EXPECT_EQ(Taken(), (Lines{"Destroy: D"}));
    queue.Push<TProbe>("E");
    Taken();
    queue.Clear();
    EXPECT_EQ(Taken(), (Lines{"Destroy: A", "Destroy: E"}));
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(queue.First(), nullptr);
}

TEST_F(GameStateQueueTest, QueriesTellExactClassesFromKinds) {
    TBonusProbe& b = queue.Push<TBonusProbe>("B");
    TAimProbe& c = queue.Push<TAimProbe>("C");
    EXPECT_EQ(queue.FindExact<TBonusProbe>(), &b);
    EXPECT_EQ(queue.FindExact<TAimProbe>(), &c);
    EXPECT_FALSE(queue.HasExact<TProbe>());
    EXPECT_EQ(queue.FindKindOf<TProbe>(), &b);
    EXPECT_TRUE(queue.HasKindOf<TAimProbe>());
    EXPECT_EQ(queue.Count(), 2u);
}

TEST_F(GameStateQueueTest, TheGameScreenIsAskedForOnlyOnceAttached) {
    TProbe& a = queue.Push<TProbe>("A");
    test::ExpectError([&] { a.GameScreen(); }, "TGameState.GetGameScreen");
    TScreen screen;
    queue.SetGameScreen(&screen);
    EXPECT_EQ(&a.GameScreen(), &screen);
}

TEST_F(GameStateQueueTest, TheQueueFreesItsStatesWhenItGoes) {
    Lines lines;
    {
        TGameStateQueue own(nullptr);
        own.Trace = [&](const std::string& line) { lines.push_back(line); };
        own.Push<TProbe>("A");
        own.Update();
        own.SetPaused(true); // no manager to tell
    }
    EXPECT_EQ(lines, (Lines{"Create: A", "Initialize: A", "UpdateHelper: A", "Draw: A", "PausedChanged: A",
                            "Destroy: A"}));
}

} // namespace
} // namespace qm
