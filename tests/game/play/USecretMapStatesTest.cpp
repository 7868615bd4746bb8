#include "USecretMapStates.h"

#include "PlayTestHost.h"
#include "UCoreStates.h"
#include "USecretMapPlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qm {
namespace {

// A map of a few pieces and its dialog, recording what the states ask.
class TFakeSecretMaps : public ISecretMapPlay {
public:
    int MapPieces() const override { return Pieces; }
    int PiecesFound() const override { return Found; }
    void PieceFound() override { ++Found; }
    bool SecretLevelWon() const override { return Won; }
    std::string PieceSequence(int index) const override { return "piece" + std::to_string(index + 1); }
    TGPointD PieceTarget(int index) const override { return {100.0 + 10.0 * index, 200.0}; }
    std::string MapPictureSequence() const override { return "MapPart"; }
    TGPointD MapOrigin() const override { return {100.0, 200.0}; }
    void LoadMapResources() override { ++Loads; }
    void ShowMapDialog(bool lastPiece) override {
        DialogVisible = true;
        Dialogs.push_back(lastPiece ? "last" : "closable");
    }
    void HideMapDialog() override { DialogVisible = false; }
    bool MapDialogVisible() const override { return DialogVisible; }
    bool MapDialogInEffect() const override { return false; }
    void SetMapDialogOverlay(std::function<void()> draw) override { Overlay = static_cast<bool>(draw); }
    void OpenPuzzleScreen() override { ++PuzzleScreens; }

    int Pieces = 3;
    int Found = 0;
    bool Won = false;
    bool DialogVisible = false;
    bool Overlay = false;
    int Loads = 0;
    int PuzzleScreens = 0;
    std::vector<std::string> Dialogs;
};

class TSecretManager : public IPlayManager {
public:
    TGameData* GameData() override { return nullptr; }
    TField* CurrentField() override { return Field; }
    void PausePlay() override {}
    void ResumePlay() override {}
    bool PlanBoardChange(bool, bool, TBoardChange&) override { return false; }
    void SetLevelAndSubLevel(int, int) override {}
    void RestartTimeBar() override {}
    ISecretMapPlay* SecretMaps() override { return &Maps; }
    void StartColorCellBlast(int x, int y) override {
        Queue->Push<TColorCellBlastState>(static_cast<double>(x), static_cast<double>(y));
    }
    bool IsQueued(TOtherState state) const override { return OtherStateQueued(*Queue, state); }
    void PlaySound(const std::string& name) override { Calls.push_back("sound " + name); }
    void SetBonusStatesRunning(bool running) override {
        Calls.push_back(running ? "bonuses on" : "bonuses off");
    }
    void PlayScreenAnimation(const std::string& name) override { Calls.push_back("play " + name); }
    bool ScreenAnimationDone(const std::string& /*name*/) const override { return AnimationsDone; }

    TFakeSecretMaps Maps;
    TField* Field = nullptr;
    TGameStateQueue* Queue = nullptr;
    bool AnimationsDone = true;
    std::vector<std::string> Calls;
};

class SecretMapStates : public ::testing::Test {
protected:
    SecretMapStates() {
        FieldPtr = test::MakeField(Host, {"1212", "3434", "1212", "3434"});
        Host.Field = FieldPtr.get();
        Manager.Field = FieldPtr.get();
        Manager.Queue = &Queue;
        Queue.Trace = [this](const std::string& line) {
            if (line.rfind("Create: ", 0) == 0) {
                Created.push_back(line.substr(8));
            }
        };
    }
    ~SecretMapStates() override { Queue.Clear(); }
    void Frames(int count) {
        for (int i = 0; i < count; ++i) {
            Host.Tick(0.02);
            Queue.Update();
        }
    }
    int CreatedCount(const std::string& name) const {
        return static_cast<int>(std::count(Created.begin(), Created.end(), name));
    }
    // The secret level's announcement needs the game's pictures; these tests only follow the
    // way to it.
    void DropAnnouncements() { Queue.RemoveAllOf<TSecretLevelState>(); }
    int CallCount(const std::string& call) const {
        return static_cast<int>(std::count(Manager.Calls.begin(), Manager.Calls.end(), call));
    }

    test::TTestHost Host;
    TSecretManager Manager;
    TGameStateQueue Queue{&Manager};
    std::unique_ptr<TField> FieldPtr;
    std::vector<std::string> Created;
};

// One match may burst two colour cells: each flies its own piece, the map is shown once, and
// the way to the secret level is taken once.
TEST_F(SecretMapStates, TwoBlastsOfOneMatchFlyTwoPiecesAndCompleteTheMapOnce) {
    Manager.Maps.Found = 1;
    Manager.StartColorCellBlast(50, 60);
    Manager.StartColorCellBlast(90, 60);
    Frames(1);
    ASSERT_EQ(Manager.Maps.Dialogs, std::vector<std::string>{"closable"});
    EXPECT_EQ(Queue.FindExact<TColorCellBlastState>()->Piece(), 1);
    Frames(3);
    EXPECT_EQ(Manager.Maps.Dialogs, (std::vector<std::string>{"closable", "last"}));
    EXPECT_EQ(Manager.Maps.Found, 3);
    EXPECT_EQ(CreatedCount("TMapPartAppearState"), 1);
    EXPECT_FALSE(Queue.HasExact<TColorCellBlastState>());

    // The map's picture closes the dialog and leads on to the secret level, once.
    Frames(3);
    EXPECT_FALSE(Manager.Maps.DialogVisible);
    EXPECT_FALSE(Manager.Maps.Overlay);
    EXPECT_EQ(CreatedCount("TSecretLevelState"), 1);
    EXPECT_EQ(CreatedCount("TGameToPuzzleScreenState"), 1);
    DropAnnouncements();
    Manager.StartColorCellBlast(50, 60);
    Frames(3);
    EXPECT_EQ(Manager.Maps.Found, 3) << "a blast on the way to the secret level waits";
    EXPECT_EQ(CreatedCount("TGameToPuzzleScreenState"), 1);
}

TEST_F(SecretMapStates, ABlastWithNoPieceLeftToFindGivesNothing) {
    struct TCase {
        int Pieces;
        int Found;
    };
    for (const TCase c : {TCase{0, 0}, TCase{3, 3}, TCase{3, 5}, TCase{3, -1}}) {
        Manager.Maps.Pieces = c.Pieces;
        Manager.Maps.Found = c.Found;
        Manager.Maps.Dialogs.clear();
        Manager.StartColorCellBlast(50, 60);
        Frames(3);
        EXPECT_EQ(Manager.Maps.Found, c.Found) << c.Pieces << " pieces, " << c.Found << " found";
        EXPECT_TRUE(Manager.Maps.Dialogs.empty());
        EXPECT_FALSE(Queue.HasExact<TColorCellBlastState>());
        EXPECT_FALSE(Queue.HasExact<TMapPartAppearState>());
    }
}

TEST_F(SecretMapStates, OnceTheSecretLevelIsWonEachPieceLeadsStraightToTheNextOne) {
    Manager.Maps.Won = true;
    Manager.StartColorCellBlast(50, 60);
    Frames(1);
    EXPECT_EQ(Manager.Maps.Found, 1);
    EXPECT_TRUE(Manager.Maps.Dialogs.empty());
    EXPECT_EQ(CreatedCount("TSecretLevelState"), 1);
    EXPECT_EQ(CreatedCount("TGameToPuzzleScreenState"), 1);
}

TEST_F(SecretMapStates, ABlastWaitsWhileTheBoardShakesAndThenCountsItsPiece) {
    FieldPtr->ShakeTime = 1.0;
    Manager.StartColorCellBlast(50, 60);
    Frames(2);
    EXPECT_TRUE(Manager.Maps.Dialogs.empty());
    FieldPtr->ShakeTime = 0.0;
    Frames(1);
    EXPECT_EQ(Manager.Maps.Dialogs, std::vector<std::string>{"closable"});
    EXPECT_EQ(Manager.Maps.Loads, 1);
    EXPECT_EQ(Manager.Maps.Found, 1);
    EXPECT_EQ(CreatedCount("TMapPartAppearState"), 0) << "two pieces are still missing";
}

TEST_F(SecretMapStates, TheWayToThePuzzleScreenLeavesOnceAndEndsWhenPlayComesBack) {
    Queue.Push<TGameToPuzzleScreenState>();
    Queue.Push<TGameToPuzzleScreenState>();
    Manager.AnimationsDone = false;
    Frames(2);
    ASSERT_EQ(Queue.Count(), 1u) << "never two ways to the puzzle screen";
    auto& way = *Queue.FindExact<TGameToPuzzleScreenState>();
    EXPECT_TRUE(way.Leaving());
    EXPECT_EQ(CallCount("sound SCL Sound"), 1);
    EXPECT_EQ(CallCount("play LeaveForPuzzle"), 1);
    EXPECT_EQ(Manager.Maps.PuzzleScreens, 0) << "the play widgets are still leaving";

    Manager.AnimationsDone = true;
    Frames(3);
    EXPECT_EQ(Manager.Maps.PuzzleScreens, 1);
    EXPECT_TRUE(Queue.HasExact<TGameToPuzzleScreenState>()) << "the board waits for play to come back";

    Manager.AnimationsDone = false;
    way.ComeBack();
    Frames(2);
    EXPECT_EQ(CallCount("play BackFromPuzzle"), 1);
    EXPECT_TRUE(Queue.HasExact<TGameToPuzzleScreenState>());
    Manager.AnimationsDone = true;
    Frames(2);
    EXPECT_FALSE(Queue.HasExact<TGameToPuzzleScreenState>());
    EXPECT_EQ(Manager.Calls.back(), "bonuses on");
}

} // namespace
} // namespace qm
