#pragma once

// The campaign's play loop as game states: the waiting state that reads the player's clicks and
// watches the board, the swap, the match, the packing, the drop of new elements, the shuffle, the
// clearing of a board without moves, and the states that end a sublevel.
//
// The cascade runs swap -> match -> pack -> drop -> match -> pack -> drop ... until a match state
// finds nothing (its Finalize then pushes no pack state).

#include "UFieldTransformations.h"
#include "UFlows.h"
#include "UGAnimotion.h"
#include "UGameStateQueue.h"

#include <memory>
#include <string>
#include <vector>

namespace qm {

class TCell;
class TParticleEffect;
class TSpecial;

// ---- board questions shared by the states ----

// Layers cleared and the box quota reached, or the field sees the last boxes resting.
bool IsSublevelDone(const TGameStateQueue& queue);
// Something is reshaping the board, so the waiting state leaves it alone.
bool BoardBusy(const TGameStateQueue& queue);
bool SublevelEnding(const TGameStateQueue& queue);

class TWaitState : public TGameState {
public:
    explicit TWaitState(TGameStateQueue& queue) : TGameState(queue) {}

    void UpdateHelper() override;
    bool Initialize() override { return true; }
    void Finalize(bool /*removed*/) override {}
    void MouseDown(int button, const TGInputState& input) override;
    void MouseMove(const TGInputState& input) override;
    void KeyDown(int key, const TGInputState& input) override;
    std::string GetName() const override { return "TWaitState"; }

    virtual bool IsInputBlocked() const;
    // Forgets the selection; `visual` also deselects the element.
    void DropSelection(bool visual);
    // A click (or, with `isDrag`, the pointer dragged) at a screen point.
    void ProcessEvent(int x, int y, bool isDrag);

    TCell* FirstCell() const { return FFirstCell; }

private:
    bool SelectionLost() const;
    void CheckTimeOut();
    void WatchBoard();
    void CheckOutOfMoves();
    void CheckWin();
    void CheckCatchUp();
    void WinNow();
    void FailNow();
    bool DeveloperKey(int key, const TGInputState& input);
    bool EditElement(int key, const TGInputState& input);
    TGIntPoint FirstColorCellPoint() const;
    void ReplaceEveryElement(int specialKind);

    TCell* FFirstCell = nullptr;
    int FCycledSpecial = 0;
};

class TSwapElementsState : public TGameState {
public:
    TSwapElementsState(TGameStateQueue& queue, TCell& source, TCell& target);

    bool Initialize() override;
    void UpdateHelper() override;
    std::string GetName() const override { return "TSwapElementsState"; }

    TCell& SourceCell() const { return FSource; }
    TCell& TargetCell() const { return FTarget; }

private:
    void SwapBack();

    TCell& FSource;
    TCell& FTarget;
    bool FUndoSaved = false;
};

class TMatchState : public TGameState {
public:
    // Each special fired by the swap leaves the field's list of specials before matching and is
    // killed, which fires its effect.
    TMatchState(TGameStateQueue& queue, bool specialsFired, std::vector<TSpecial*> specials);

    bool Initialize() override;
    void UpdateHelper() override;
    void Finalize(bool removed) override;
    std::string GetName() const override { return "TMatchState"; }

    bool Matched() const { return FMatched; }

private:
    bool FSpecialsFired;
    std::vector<TSpecial*> FSpecials;
    bool FMatched = false;
};

class TPackState : public TGameState {
public:
    explicit TPackState(TGameStateQueue& queue) : TGameState(queue) {}

    bool Initialize() override;
    void UpdateHelper() override;
    std::string GetName() const override { return "TPackState"; }

private:
    bool FBlocked = false;
};

class TDropNewElementsState : public TGameState {
public:
    // The first fill of a sublevel avoids lines of three and is not followed by a match state.
    TDropNewElementsState(TGameStateQueue& queue, bool firstFill)
        : TGameState(queue), FFirstFill(firstFill) {}

    bool Initialize() override;
    void UpdateHelper() override;
    std::string GetName() const override { return "TDropNewElementsState"; }

private:
    bool FFirstFill;
};

class TShuffleState : public TGameState {
public:
    static constexpr int Attempts = 1001;
    static constexpr double SecondsPerPixel = 0.006;

    explicit TShuffleState(TGameStateQueue& queue) : TGameState(queue) {}

    bool Initialize() override;
    void UpdateHelper() override;
    std::string GetName() const override { return "TShuffleState"; }

private:
    void Shuffle();
    void Sparkle(const TCell& from, const TCell& to, double seconds);
};

// Clears a board without moves and fills it again, one cell a frame.
class TOutOfMovesState : public TGameState {
public:
    static constexpr double PopInSeconds = 0.3;

    explicit TOutOfMovesState(TGameStateQueue& queue) : TGameState(queue) {}

    bool Initialize() override;
    void UpdateHelper() override;
    std::string GetName() const override { return "TOutOfMovesState"; }

private:
    void KillElements();
    // Fills one empty cell; true once none is left.
    bool FillOneCell();

    TSeqFlow FFlow;
};

class TSubLevelCompleteState : public TGameState {
public:
    explicit TSubLevelCompleteState(TGameStateQueue& queue);

    bool Initialize() override;
    void UpdateHelper() override;
    std::string GetName() const override { return "TSubLevelCompleteState"; }

private:
    // Planned at the win, while the player still stands on the won sublevel: the construction
    // screen moves the player on before this state comes to turn the board.
    TBoardChange FChange;
    bool FBoardTurns = false;
};

class TSubLevelFailState : public TGameState {
public:
    static constexpr const char* GameOverDialog = "GameOverDialog";

    explicit TSubLevelFailState(TGameStateQueue& queue);

    bool Initialize() override;
    void UpdateHelper() override;
    void Finalize(bool removed) override;
    std::string GetName() const override { return "TSubLevelFailState"; }

    const std::string& DialogName() const { return FDialogName; }

private:
    void ShowLossDialog();

    std::string FDialogName;
    bool FDialogShown = false;
};

// The celebration of a won sublevel, the stage-complete dialog counting the time left into points,
// and the way to the construction screen.
class TGameToConstructionScreenState : public TGameState {
public:
    static constexpr const char* StageCompleteDialog = "StageCompleteDialog";
    static constexpr const char* WinAnimation = "ExcellentWin";
    // The game screen's flight from the board to the monument.
    static constexpr const char* CameraFlight = "CameraFlight";
    static constexpr const char* CameraFlyingSound = "CameraFlyingVisitIn";
    static constexpr int Fireworks = 3;

    explicit TGameToConstructionScreenState(TGameStateQueue& queue);
    ~TGameToConstructionScreenState() override;

    bool Initialize() override;
    void UpdateHelper() override;
    void Draw() override;
    void Finalize(bool removed) override;
    std::string GetName() const override { return "TGameToConstructionScreenState"; }

private:
    void BuildFlow();
    void LaunchFirework();
    bool FireworksOver() const;
    bool CountTimeIntoScore();

    TSeqFlow FFlow;
    std::vector<std::unique_ptr<TParticleEffect>> FFireworks;
    int FLaunched = 0;
    int FScoreAtStart = 0;
};

class TSecretLevelState : public TGameState {
public:
    static constexpr double DarkeningSeconds = 1.5;
    static constexpr double SparklesSeconds = 1.5;
    static constexpr double SparklesRate = 60.0;
    // Where the configured announcement ("GamesAni" / "SCLAni") plays.
    static constexpr double AnnouncementX = -65.0;
    static constexpr double AnnouncementY = 80.0;
    // The glows of the burst: how many at least and at most, and how long the longest flies.
    static constexpr int MinGlows = 50;
    static constexpr int MaxGlows = 100;
    static constexpr double GlowSeconds = 1.6;

    explicit TSecretLevelState(TGameStateQueue& queue);
    ~TSecretLevelState() override;

    bool Initialize() override;
    void UpdateHelper() override;
    void Draw() override;
    std::string GetName() const override { return "TSecretLevelState"; }

    // The burst of glows, one channel each; null before the state starts.
    const PGAnimotion& GlowBurst() const { return FGlow; }
    // The configured announcement; null when the configuration has none.
    const PGAnimotion& Announcement() const { return FAnnouncement; }

private:
    void StartGlowBurst(TGResManager* resManager, TGTimer& clock);
    void StartAnnouncement(TGTimer& clock);
    void StartSparkles();

    PGAnimotion FGlow;
    PGAnimotion FAnnouncement;
    // Sparkles and the time (since the start) at which each begins to run.
    std::vector<std::unique_ptr<TParticleEffect>> FEffects;
    std::vector<double> FEffectStarts;
    double FTime = 0.0;
};

// A developer's check of the graphics device; the key "F" ends it.
class TTestGameState : public TGameState {
public:
    explicit TTestGameState(TGameStateQueue& queue) : TGameState(queue) {}

    bool Initialize() override;
    void KeyDown(int key, const TGInputState& input) override;
    std::string GetName() const override { return "TTestGameState"; }
};

} // namespace qm
