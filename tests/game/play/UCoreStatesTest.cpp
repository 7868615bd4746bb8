#include "UCoreStates.h"

#include "PlayTestHost.h"
#include "UGError.h"
#include "UGKeys.h"
#include "UGRandom.h"
#include "UGStrings.h"
#include "UGWidget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qm {
namespace {

// The board's host for the states: the field's own calls reach the queue as the game's do.
class TStatesHost : public test::TTestHost {
public:
    void PushPackState() override {
        TTestHost::PushPackState();
        Queue->Push<TPackState>();
    }
    bool SubLevelCompleteQueued() const override { return Queue->HasExact<TSubLevelCompleteState>(); }
    void BoxCollected(int x, int y, bool second) override {
        TTestHost::BoxCollected(x, y, second);
        ++Counted;
        QuotaReached = Counted >= Quota;
    }
    bool OnPuzzleScreen() const override { return PuzzleScreen; }
    TGameStateQueue* Queue = nullptr;
    bool PuzzleScreen = false;
};

// A manager of plain values that records what the states asked of it.
class TStatesManager : public IPlayManager {
public:
    TGameData* GameData() override { return nullptr; }
    TField* CurrentField() override { return Field; }
    void PausePlay() override {}
    void ResumePlay() override {}
    // The board of these tests never turns into another sublevel.
    bool PlanBoardChange(bool /*won*/, bool /*fromFirst*/, TBoardChange& /*change*/) override {
        return false;
    }
    void SetLevelAndSubLevel(int /*level*/, int /*subLevel*/) override {}
    void RestartTimeBar() override {}
    ISecretMapPlay* SecretMaps() override { return nullptr; }

    void PlaySound(const std::string& name) override { Sounds.push_back(name); }
    bool TimeBarStopped() const override { return TimeStopped; }
    bool BarFull(TBarKind bar) const override { return bar == TBarKind::Shuffle && ShuffleFull; }
    // The bar runs empty at once.
    void DrainTimeBar(bool award) override {
        Calls.push_back(award ? "drain with points" : "drain");
        TimeStopped = true;
    }
    int Lives() const override { return LivesLeft; }
    void LoseLife() override { --LivesLeft; }
    void ShowDialog(const std::string& name, std::function<void()> onOk) override {
        Calls.push_back("show " + name);
        Dialog = name;
        OnOk = std::move(onOk);
    }
    bool IsDialogVisible(const std::string& name) const override { return Dialog == name; }
    void HideDialog(const std::string& name) override {
        if (Dialog == name) {
            Dialog.clear();
        }
    }
    void GoToNextSublevel() override { Calls.push_back("next sublevel"); }
    void RestartSublevel(bool fromFirst) override {
        Calls.push_back(fromFirst ? "restart level" : "restart");
    }
    void ShowConstructionScreen() override { Calls.push_back("construction"); }
    void MakePuzzleMoveHook() override { Calls.push_back("puzzle move"); }
    bool IsDeveloperUser() const override { return Developer; }
    bool IsEasterEggUser() const override { return EasterEggUser; }
    bool EasterEggMode() const override { return EasterEggOn; }
    bool AllSecretMapsComplete() const override { return AllMaps; }
    void StartColorCellBlast(int x, int y) override { Calls.push_back(Format("blast %d %d", x, y)); }
    void StartPlantedColumn(int column) override { Calls.push_back(Format("planted %d", column)); }
    void SetSequentialSecretLevels() override { Calls.push_back("sequential"); }
    // The player closes the dialog on show.
    void PressOk() {
        auto ok = OnOk;
        ok();
    }

    TField* Field = nullptr;
    bool TimeStopped = false;
    bool ShuffleFull = false;
    int LivesLeft = 3;
    bool Developer = false;
    bool EasterEggUser = false;
    bool EasterEggOn = false;
    bool AllMaps = false;
    std::string Dialog;
    std::function<void()> OnOk;
    std::vector<std::string> Sounds;
    std::vector<std::string> Calls;
};

class CoreStates : public ::testing::Test {
protected:
    // The states go before the field they point into and the trace they write to.
    ~CoreStates() override {
        Queue.Trace = nullptr;
        Queue.Clear();
    }
    // Every board is settled and waits for the player: a waiting state and nothing else.
    void Build(const std::vector<std::string>& rows) {
        SetRandomSeed(7);
        Host.Queue = &Queue;
        // One box to come keeps a board without layers from being won at once.
        Host.Quota = 1;
        FieldPtr = test::MakeField(Host, rows);
        Host.Field = FieldPtr.get();
        Manager.Field = FieldPtr.get();
        Queue.Trace = [this](const std::string& line) { Trace.push_back(line); };
        Wait = &Queue.Push<TWaitState>();
    }
    TField& Field() { return *FieldPtr; }

    void Frames(int count) {
        for (int i = 0; i < count; ++i) {
            Host.Tick(0.01);
            Queue.Update();
            Field().Draw();
        }
    }
    // Frames until only the waiting state is left, at most a simulated minute.
    void Settle() {
        for (int i = 0; i < 6000 && !(Queue.Count() == 1 && Field().IsStable()); ++i) {
            Frames(1);
        }
        ASSERT_EQ(Queue.Count(), 1u) << "the board settles";
    }
    TGInputState At(const TCell& cell, bool leftHeld = false) const {
        TGInputState input;
        const TGIntPoint centre = FieldPtr->CellCentre(cell);
        input.X = centre.X;
        input.Y = centre.Y;
        input.SetButton(0, leftHeld);
        return input;
    }
    void Click(int row, int col) { Queue.MouseDown(0, At(Field().Cell(row, col))); }
    // The trace's "Create:" lines, in order, without the prefix.
    std::vector<std::string> Created() const { return Lines("Create: "); }
    std::vector<std::string> Lines(const std::string& prefix) const {
        std::vector<std::string> names;
        for (const std::string& line : Trace) {
            if (line.rfind(prefix, 0) == 0) {
                names.push_back(line.substr(prefix.size()));
            }
        }
        return names;
    }
    bool Traced(const std::string& line) const {
        return std::find(Trace.begin(), Trace.end(), line) != Trace.end();
    }

    TStatesHost Host;
    TStatesManager Manager;
    TGameStateQueue Queue{&Manager};
    std::unique_ptr<TField> FieldPtr;
    TWaitState* Wait = nullptr;
    std::vector<std::string> Trace;
};

// Rows 0 and 1 exchange the 2 and the 1 of column 2: the top row becomes 1 1 1 3.
const std::vector<std::string> SwapBoard = {"1123", "2314", "3431"};

TEST_F(CoreStates, AMatchingSwapRunsMatchPackDropAndAFinalMatch) {
    Build(SwapBoard);
    // The new top row is chosen so that nothing lines up again.
    for (int c = 0; c < 3; ++c) {
        Field().Cell(0, c).PresetMarble = "565"[c];
    }
    Field().ComboCount = 4;
    Click(0, 2);
    Click(1, 2);
    Settle();
    const std::vector<std::string> expected = {"TWaitState", "TSwapElementsState",    "TMatchState",
                                               "TPackState", "TDropNewElementsState", "TMatchState"};
    EXPECT_EQ(Created(), expected);
    // Each ends only after its successor is queued, and the last match pushes no pack state.
    const std::vector<std::string> finalized = {"TSwapElementsState", "TMatchState", "TPackState",
                                                "TDropNewElementsState", "TMatchState"};
    EXPECT_EQ(Lines("Finilize: "), finalized);
    EXPECT_EQ(test::FieldText(Field()), (std::vector<std::string>{"5653", "2324", "3431"}));
    EXPECT_EQ(Field().ComboCount, 1) << "the move starts a new combo";
    EXPECT_EQ(Manager.Sounds, (std::vector<std::string>{"ClickElement", "ClickElement", "DropNewElements"}));
}

TEST_F(CoreStates, ASwapWithoutALineGoesBackAndKeepsTheCombo) {
    Build(SwapBoard);
    Field().ComboCount = 4;
    TSimpleElement* left = Field().Cell(2, 0).Element.get();
    Click(2, 0);
    Click(2, 1);
    Frames(1);
    EXPECT_TRUE(left->IsLocked()) << "both elements are locked while they travel";
    Settle();
    EXPECT_EQ(Created(), (std::vector<std::string>{"TWaitState", "TSwapElementsState"}));
    EXPECT_EQ(test::FieldText(Field()), SwapBoard);
    EXPECT_EQ(Field().Cell(2, 0).Element.get(), left);
    EXPECT_FALSE(left->IsLocked());
    EXPECT_EQ(left->GetPosition().X, Field().CellCentre(Field().Cell(2, 0)).X) << "it travelled home";
    EXPECT_EQ(Field().ComboCount, 4);
}

TEST_F(CoreStates, ACascadeCountsEveryGroupSinceTheSwap) {
    Build(SwapBoard);
    // The refill of the top row lines up three 3s with the one standing in column 3.
    for (int c = 0; c < 3; ++c) {
        Field().Cell(0, c).PresetMarble = "233"[c];
    }
    Field().MarbleSet = "78";
    Click(0, 2);
    Click(1, 2);
    Settle();
    const std::vector<std::string> created = Created();
    EXPECT_GE(std::count(created.begin(), created.end(), "TPackState"), 2);
    EXPECT_GE(Field().ComboCount, 2);
    EXPECT_EQ(created.back(), "TMatchState");
}

TEST_F(CoreStates, ASwappedSpecialFiresWithoutALine) {
    Build({"a123", "2314", "3431"});
    Click(0, 0);
    Click(0, 1);
    Settle();
    const std::vector<std::string> created = Created();
    const std::vector<std::string> expected = {"TWaitState", "TSwapElementsState",    "TMatchState",
                                               "TPackState", "TDropNewElementsState", "TMatchState"};
    EXPECT_EQ(std::vector<std::string>(created.begin(), created.begin() + 6), expected);
    EXPECT_TRUE(Field().SpecialsBeforeMatching.empty());
    EXPECT_FALSE(Field().HasSpecial()) << "the special fired and is gone";
}

TEST_F(CoreStates, AShuffleMovesElementsWithoutMakingLines) {
    Build({"1212", "3434", "1212", "3434"});
    std::string colours;
    for (const std::string& row : test::FieldText(Field())) {
        colours += row;
    }
    Queue.Push<TShuffleState>();
    for (int i = 0; i < 2000 && !Traced("Finilize: TShuffleState"); ++i) {
        Frames(1);
    }
    ASSERT_TRUE(Traced("Finilize: TShuffleState"));
    std::string after;
    for (const std::string& row : test::FieldText(Field())) {
        after += row;
    }
    EXPECT_NE(after, colours) << "elements changed places";
    std::sort(colours.begin(), colours.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, colours) << "the same elements";
    EXPECT_FALSE(Field().FindMatches(true, true));
    EXPECT_EQ(Manager.Sounds, std::vector<std::string>{"Shuffle"});
    EXPECT_EQ(Created().back(), "TMatchState");
}

struct TClickCase {
    const char* Name;
    int Row;
    int Col;
    bool Drag;
    bool Swaps;
};

TEST_F(CoreStates, ClicksAndDragsAfterASelection) {
    const TClickCase cases[] = {
        {"click on the right neighbour", 1, 2, false, true},
        {"drag onto the right neighbour", 1, 2, true, true},
        {"click on the neighbour below", 2, 1, false, true},
        {"click on a diagonal neighbour", 2, 2, false, false},
        {"click on a far cell", 0, 3, false, false},
        {"drag onto a far cell", 0, 3, true, false},
    };
    for (const TClickCase& test : cases) {
        SCOPED_TRACE(test.Name);
        Trace.clear();
        Queue.Clear();
        Build(SwapBoard);
        Click(1, 1);
        ASSERT_EQ(Wait->FirstCell(), &Field().Cell(1, 1));
        EXPECT_TRUE(Field().Cell(1, 1).Element->IsSelected());
        const TCell& target = Field().Cell(test.Row, test.Col);
        if (test.Drag) {
            Queue.MouseMove(At(target, true));
        } else {
            Queue.MouseDown(0, At(target));
        }
        EXPECT_EQ(Queue.HasExact<TSwapElementsState>(), test.Swaps);
        EXPECT_EQ(Wait->FirstCell(), nullptr) << "the selection is gone either way";
        EXPECT_FALSE(Field().Cell(1, 1).Element->IsSelected());
        EXPECT_FALSE(target.Element->IsSelected()) << "the second cell is never selected";
    }
}

TEST_F(CoreStates, ADroppedSelectionLeavesOnlyTheSuperBonusLit) {
    Build({"c123", "2314", "3431"});
    Click(0, 0);
    Wait->DropSelection(true);
    EXPECT_EQ(Wait->FirstCell(), nullptr);
    EXPECT_TRUE(Field().Cell(0, 0).Element->IsSelected()) << "the super bonus stays lit";
    Click(1, 0);
    Wait->DropSelection(true);
    EXPECT_FALSE(Field().Cell(1, 0).Element->IsSelected());
}

struct TPuzzleMoveCase {
    const char* Name;
    bool PuzzleScreen;
    int Col; // the neighbour of (0, 2) swapped with it
    bool Spent;
};

TEST_F(CoreStates, OnlyAValidSwapOnThePuzzleScreenSpendsAMove) {
    const TPuzzleMoveCase cases[] = {
        {"a line on the puzzle screen", true, 3, true},
        {"no line on the puzzle screen", true, 1, false},
        {"a line in the campaign", false, 3, false},
    };
    for (const TPuzzleMoveCase& test : cases) {
        SCOPED_TRACE(test.Name);
        Queue.Clear();
        Manager.Calls.clear();
        Build({"1121", "5678", "7856"});
        Host.PuzzleScreen = test.PuzzleScreen;
        Click(0, 2);
        Click(0, test.Col);
        Settle();
        const bool spent = std::count(Manager.Calls.begin(), Manager.Calls.end(), "puzzle move") == 1;
        EXPECT_EQ(spent, test.Spent) << ::testing::PrintToString(Manager.Calls);
    }
}

TEST_F(CoreStates, TheColorBlastKeyStartsAtTheFirstColorCell) {
    Build(SwapBoard);
    Manager.Developer = true;
    Queue.KeyDown('M', TGInputState());
    Field().Cell(2, 0).Kind = 4;
    Field().Cell(1, 3).Kind = 4;
    Queue.KeyDown('M', TGInputState());
    const TGIntPoint corner = Field().CellToScreen(1, 3, false);
    EXPECT_EQ(Manager.Calls, (std::vector<std::string>{"blast 400 300",
                                                       Format("blast %d %d", corner.X + 25, corner.Y + 25)}));
    // Neither in the easter-egg mode nor with every secret map complete; the easter-egg user
    // has the key too.
    Manager.Calls.clear();
    Manager.EasterEggOn = true;
    Queue.KeyDown('M', TGInputState());
    Manager.EasterEggOn = false;
    Manager.AllMaps = true;
    Queue.KeyDown('M', TGInputState());
    EXPECT_TRUE(Manager.Calls.empty());
    Manager.AllMaps = false;
    Manager.Developer = false;
    Manager.EasterEggUser = true;
    Queue.KeyDown('M', TGInputState());
    EXPECT_EQ(Manager.Calls.size(), 1u);
}

TEST_F(CoreStates, PlantedColumnAndSecretLevelOrderAreTheDevelopersKeys) {
    Build(SwapBoard);
    Manager.EasterEggUser = true;
    Click(1, 2);
    Queue.KeyDown('Q', TGInputState());
    Queue.KeyDown('L', TGInputState());
    EXPECT_TRUE(Manager.Calls.empty()) << "not for the easter-egg user";
    Manager.Developer = true;
    Queue.KeyDown('Q', TGInputState());
    Queue.KeyDown('L', TGInputState());
    Wait->DropSelection(true);
    Queue.KeyDown('Q', TGInputState());
    EXPECT_EQ(Manager.Calls, (std::vector<std::string>{"planted 2", "sequential"}));
}

TEST_F(CoreStates, TheSecretLevelStateEndsWithItsBurstOfGlows) {
    Build(SwapBoard);
    auto& secret = Queue.Push<TSecretLevelState>();
    Frames(1);
    ASSERT_TRUE(secret.GlowBurst());
    int glows = 0;
    while (secret.GlowBurst()->HasChannel(glows)) {
        ++glows;
    }
    EXPECT_GE(glows, TSecretLevelState::MinGlows);
    EXPECT_LE(glows, TSecretLevelState::MaxGlows);
    EXPECT_EQ(Manager.Sounds, std::vector<std::string>{"Secret Challenge Level"});
    Frames(static_cast<int>(TSecretLevelState::GlowSeconds * 50));
    EXPECT_TRUE(Queue.HasExact<TSecretLevelState>()) << "the glows are still flying";
    Frames(static_cast<int>(TSecretLevelState::GlowSeconds * 50) + 10);
    EXPECT_FALSE(Queue.HasExact<TSecretLevelState>());
}

TEST_F(CoreStates, ClicksOnCellsInALineOrOnBoxesSelectNothing) {
    Build({"1113", "2B14", "3431"});
    Host.Quota = 2;
    Click(0, 0);
    EXPECT_EQ(Wait->FirstCell(), nullptr);
    Click(1, 1);
    EXPECT_EQ(Wait->FirstCell(), nullptr);
    EXPECT_TRUE(Manager.Sounds.empty());
}

TEST_F(CoreStates, ASelectionTakenByTheBoardCannotBeSwapped) {
    Build(SwapBoard);
    Click(1, 1);
    Field().Cell(1, 1).Element.reset();
    Frames(1);
    EXPECT_EQ(Wait->FirstCell(), nullptr);
    Click(1, 2);
    EXPECT_FALSE(Queue.HasExact<TSwapElementsState>());
}

// No swap of this board makes a line of three.
const std::vector<std::string> StuckBoard = {"123", "231", "312"};

TEST_F(CoreStates, ABoardWithoutMovesWaitsForAFullShuffleBar) {
    Build(StuckBoard);
    TCell* a = nullptr;
    TCell* b = nullptr;
    ASSERT_FALSE(Field().HasPossibleMove(a, b));
    Manager.ShuffleFull = true;
    Frames(20);
    EXPECT_EQ(Created(), std::vector<std::string>{"TWaitState"});
}

TEST_F(CoreStates, ABoardWithoutMovesIsClearedAndFilledAgain) {
    Build(StuckBoard);
    // The old elements carry a mark that new ones do not.
    constexpr uint32_t Old = 0x12345678;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            Field().Cell(r, c).Element->Tint = Old;
        }
    }
    Frames(1);
    ASSERT_TRUE(Queue.HasExact<TOutOfMovesState>());
    // A board this small may be stuck again; what counts is the board the first clearing left.
    for (int i = 0; i < 2000 && !Traced("Finilize: TOutOfMovesState"); ++i) {
        Frames(1);
    }
    ASSERT_TRUE(Traced("Finilize: TOutOfMovesState"));
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const TCell& cell = Field().Cell(r, c);
            ASSERT_TRUE(cell.Element) << r << "," << c;
            EXPECT_FALSE(cell.Element->IsDying());
            EXPECT_NE(cell.Element->Tint, Old);
        }
    }
    EXPECT_FALSE(Field().FindMatches(true, true)) << "the new elements avoid lines";
}

TEST_F(CoreStates, TimeRunningOutLosesALifeAndRestartsTheSublevel) {
    Build({"123", "231", "312"});
    Manager.ShuffleFull = true;
    Field().Cell(2, 2).Kind = 2;
    Manager.TimeStopped = true;
    Frames(1);
    ASSERT_TRUE(Queue.HasExact<TSubLevelFailState>());
    // The elements fall out of the board before the dialog shows.
    Frames(400);
    EXPECT_EQ(Manager.LivesLeft, 2);
    EXPECT_EQ(Manager.Calls, (std::vector<std::string>{"drain", "show LossLifeDialog1", "restart"}));
    EXPECT_TRUE(Queue.HasExact<TSubLevelFailState>()) << "the state waits for the dialog";
    Manager.PressOk();
    // The sublevel starts again with a new time bar.
    Manager.TimeStopped = false;
    Frames(2);
    EXPECT_FALSE(Queue.HasExact<TSubLevelFailState>());
    EXPECT_EQ(std::count(Trace.begin(), Trace.end(), "Create: TSubLevelFailState"), 1);
}

TEST_F(CoreStates, TheLastLifeLostIsGameOver) {
    Build({"123", "231", "312"});
    Manager.ShuffleFull = true;
    Manager.LivesLeft = 0;
    Field().Cell(2, 2).Kind = 2;
    Manager.TimeStopped = true;
    Frames(400);
    EXPECT_EQ(Manager.Calls, (std::vector<std::string>{"drain", "show GameOverDialog", "restart level"}));
}

TEST_F(CoreStates, ClearedLayersAndTheBoxQuotaWinTheSublevel) {
    Build(StuckBoard);
    Manager.ShuffleFull = true;
    Host.QuotaReached = true;
    Frames(1);
    const std::vector<std::string> created = Created();
    ASSERT_EQ(created.size(), 3u);
    EXPECT_EQ(created[1], "TGameToConstructionScreenState");
    EXPECT_EQ(created[2], "TSubLevelCompleteState");
    for (int i = 0; i < 1000 && !Manager.TimeStopped; ++i) {
        Frames(1);
    }
    EXPECT_EQ(Manager.Calls, (std::vector<std::string>{"show StageCompleteDialog", "drain with points"}));
    Frames(50);
    EXPECT_LT(Field().Cell(0, 0).Element->GetPosition().Y, 0) << "the elements flew up and away";
    EXPECT_TRUE(Queue.HasExact<TGameToConstructionScreenState>()) << "the dialog is still open";
    Manager.PressOk();
    for (int i = 0; i < 100 && !Traced("Finilize: TSubLevelCompleteState"); ++i) {
        Frames(1);
    }
    EXPECT_EQ(Manager.Calls, (std::vector<std::string>{"show StageCompleteDialog", "drain with points",
                                                       "construction", "next sublevel"}));
}

TEST_F(CoreStates, TheLastBoxHomeInTheFrameTheTimeRunsOutWins) {
    Build({"123", "231", "3B2"});
    Manager.ShuffleFull = true;
    Host.Quota = 1;
    Manager.TimeStopped = true;
    Frames(1);
    EXPECT_FALSE(Queue.HasExact<TSubLevelFailState>());
    EXPECT_TRUE(Queue.HasExact<TSubLevelCompleteState>());
    EXPECT_EQ(Host.Collected, 1);
}

TEST_F(CoreStates, TheTimeRunningOutWithoutTheLastBoxLoses) {
    Build({"123", "231", "3B2"});
    Manager.ShuffleFull = true;
    Host.Quota = 2;
    Manager.TimeStopped = true;
    Frames(1);
    EXPECT_TRUE(Queue.HasExact<TSubLevelFailState>());
}

} // namespace
} // namespace qm
