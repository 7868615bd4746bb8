#pragma once

// Play as a queue of states. Every state in the queue is stepped every frame, in queue order, so
// several run side by side (the waiting state stays for a whole sublevel while match, pack and
// drop states come and go beside it). A state ends itself; any code may push new states; states
// coordinate by asking the queue which state classes are present.

#include "UGXMLNode.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

namespace qm {

class ISecretMapPlay;
class TField;
class TGameData;
struct TBoardChange;
class TGameStateQueue;
// The widget input state (pointer position, held buttons and keys); the queue only passes it on.
struct TGInputState;

// States of systems that join the play loop later; the core states ask the manager whether one of
// them is queued.
enum class TOtherState {
    FieldRotate,
    ShowHideFieldLayer,
    ColorCellBlast,
    MapPartAppear,
    GameToPuzzleScreen,
    FrozenRow,
};

enum class TBarKind { Brick, Shuffle, Bonus };

// What the states and the queue need of the game manager, which owns the field, the bars, the
// player and the game data, and pauses and resumes play. Everything below the first four has a
// default that suits a board played on its own (no bars, no player, no dialogs), so a manager
// writes only what it has.
class IPlayManager {
public:
    virtual ~IPlayManager() = default;
    virtual TGameData* GameData() = 0;
    // The field being played; none before the first sublevel is prepared.
    virtual TField* CurrentField() = 0;
    virtual void PausePlay() = 0;
    virtual void ResumePlay() = 0;

    // ---- the board between sublevels ----
    // Where the board goes when the sublevel on it ends: after a win the sublevel the win leads
    // to, after a loss the same one again (the level's first when `fromFirst`), with both
    // layouts. False when the board does not turn here: a win that leads into another level,
    // which the map opens.
    virtual bool PlanBoardChange(bool won, bool fromFirst, TBoardChange& change) = 0;
    // The transformation is over: that sublevel is played now, on its own layout.
    virtual void SetLevelAndSubLevel(int level, int subLevel) = 0;
    // The time bar starts the current sublevel's time again from full.
    virtual void RestartTimeBar() = 0;

    // ---- other states ----
    virtual bool IsQueued(TOtherState /*state*/) const { return false; }
    // A mouse-aimed bonus is armed, or the second stage of the corner-stone teleport is queued:
    // clicks belong to the bonus.
    virtual bool MouseBonusArmed() const { return false; }
    // A mouse-aimed bonus state is queued, armed or not.
    virtual bool MouseBonusQueued() const { return false; }
    // The colour-change or the teleport bonus is busy with its effect on the board.
    virtual bool BonusEffectBusy() const { return false; }
    virtual void CancelMouseBonuses() {}
    // Bonus states stop and run again around the end of a sublevel.
    virtual void SetBonusStatesRunning(bool /*running*/) {}
    virtual void RemoveTimeLineFreezeStates() {}
    // The bonus states' hooks into the bars and the player; without them a bonus still runs its
    // course on the board.
    virtual void ResetBonusBar() {}
    virtual void FreezeTimeBar() {}
    virtual void StartDoubleMaterials(double /*seconds*/) {}
    virtual void StartScoreMultiplier(double /*seconds*/) {}

    // ---- sound ----
    virtual void PlaySound(const std::string& /*name*/) {}
    virtual void PlayJingleSublevelWin() {}
    virtual void PlayJingleLost() {}
    virtual void StopScaryMusic() {}
    virtual void PlayTimeToScore() {}
    virtual void StopTimeToScore() {}

    // ---- bars ----
    virtual bool TimeBarPaused() const { return false; }
    virtual bool TimeBarStopped() const { return false; }
    virtual bool TimeBarRunningOrStopped() const { return true; }
    // One step of the time bar at `rate` bars per second (0: its own pace).
    virtual void StepTimeBar(double /*rate*/) {}
    // Empties the time bar, converting the time into points when `award`.
    virtual void DrainTimeBar(bool /*award*/) {}
    // The time bar shows the lives it shows now until the next sublevel.
    virtual void LockLivesDisplay() {}
    virtual bool BarFull(TBarKind /*bar*/) const { return false; }
    virtual void AddToBar(TBarKind /*bar*/, double /*amount*/) {}
    // The full brick bar plays its collect animation and starts again from empty.
    virtual void CollectBrickBar() {}
    virtual void EndDoubleMaterials() {}
    // The bonus bar and the screen's bonus display after a won sublevel.
    virtual void RefreshBonusDisplay() {}

    // ---- the player ----
    virtual int Score() const { return 0; }
    virtual void AddScore(int /*points*/) {}
    virtual int Lives() const { return 1; }
    virtual void LoseLife() {}
    virtual void BrickCollected() {}
    virtual bool HasSeveralExtraBonuses() const { return false; }
    virtual void ResetBoxCounters() {}
    virtual bool IsDeveloperUser() const { return false; }
    virtual bool IsEasterEggUser() const { return false; }
    // The sublevel being played (from 1) and the configuration of its level; none without one.
    virtual int PlayerSubLevel() const { return 0; }
    virtual PGXMLNode CurrentLevelConfig() const { return nullptr; }
    virtual double ConstructionProgress() const { return 0.0; }
    virtual bool CatchUpMode() const { return false; }
    virtual void SetCatchUpMode(bool /*on*/) {}
    // The progress of the next sublevel is saved and the player's end-of-sublevel bookkeeping
    // runs (a won sublevel).
    virtual void SaveNextSublevelProgress() {}
    virtual void SaveGame() {}
    virtual void RestartLevelAfterGameOver() {}

    // ---- the screen and the flow ----
    // A sublevel was won, or lost (a lost level starts again from its first sublevel when
    // `fromFirst`): the bookkeeping of its end. The board itself turns by the transformation.
    virtual void GoToNextSublevel() {}
    virtual void RestartSublevel(bool /*fromFirst*/) {}
    virtual void ShowDialog(const std::string& /*name*/, std::function<void()> /*onOk*/) {}
    virtual bool IsDialogVisible(const std::string& /*name*/) const { return false; }
    virtual void HideDialog(const std::string& /*name*/) {}
    // The points won since the stage-complete dialog opened, shown in it.
    virtual void ShowStageScore(int /*points*/) {}
    // An animation widget of the game screen; a screen without it is done at once.
    virtual void PlayScreenAnimation(const std::string& /*name*/) {}
    virtual bool ScreenAnimationDone(const std::string& /*name*/) const { return true; }
    virtual void ShowConstructionScreen() {}
    virtual void ShowMenuScreen() {}
    virtual void ShowBonusScreen(int /*page*/) {}
    virtual void WorkZoneSublevelEnded(bool /*won*/) {}
    // Bricks thrown from a point into the work zone.
    virtual void ReleaseBricks(int /*count*/, int /*x*/, int /*y*/) {}
    // Managed textures are evicted once this frame is over.
    virtual void EvictTexturesAfterFrame() {}
    virtual void RunDeviceSelfTest() {}
    // A valid swap on the puzzle screen spends one of its moves.
    virtual void MakePuzzleMoveHook() {}

    // ---- secret maps ----
    // The map being assembled and the way to the secret level; none where play has no secret
    // maps (a board played on its own), and colour cells then give no pieces.
    virtual ISecretMapPlay* SecretMaps() = 0;
    // A colour cell has burst at a screen point (or the developer asked for it): a piece of the
    // secret map flies.
    virtual void StartColorCellBlast(int x, int y) = 0;

    // ---- developer keys that start the work of later screens ----
    // The planted column of the field's transformations on a column of the board.
    virtual void StartPlantedColumn(int /*column*/) {}
    // The player's easter-egg mode, and every secret map of the player complete: either keeps
    // the colour-cell blast key from working.
    virtual bool EasterEggMode() const { return false; }
    virtual bool AllSecretMapsComplete() const { return false; }
    // Secret levels come in their order rather than at random.
    virtual void SetSequentialSecretLevels() {}
};

// What the states need of the game screen.
class IPlayScreen {
public:
    virtual ~IPlayScreen() = default;
    // While set (a dialog over the board, say), bonus states are neither stepped nor given input.
    virtual bool IsBonusInteractionBlocked() const = 0;
};

// Receives the trace lines of the states' lives.
using TStateTrace = std::function<void(const std::string& line)>;

enum TStateStatus : uint8_t {
    ssNew = 0,
    ssRunning = 1,
    ssFinished = 2,
    ssKilled = 3,
};

// One piece of play logic. A state is created only through TGameStateQueue::Push, which puts it
// at the end of its queue; the queue owns and frees it.
class TGameState {
public:
    explicit TGameState(TGameStateQueue& queue) : FQueue(queue) {}
    virtual ~TGameState() = default;
    TGameState(const TGameState&) = delete;
    TGameState& operator=(const TGameState&) = delete;

    // Once per frame while running, after Initialize has succeeded.
    virtual void UpdateHelper();
    virtual void Draw() {}
    // Asked every frame until it answers true; the state waits in the queue until then.
    virtual bool Initialize();
    // `removed`: taken out from outside while running, rather than finished by itself.
    virtual void Finalize(bool removed);
    virtual void MouseUp(int /*button*/, const TGInputState& /*input*/) {}
    virtual void MouseMove(const TGInputState& /*input*/) {}
    virtual void MouseDown(int /*button*/, const TGInputState& /*input*/) {}
    virtual void KeyDown(int /*key*/, const TGInputState& /*input*/) {}
    virtual void PausedChanged() {}
    // The class name, for traces ("TMatchState").
    virtual std::string GetName() const { return "GameState"; }
    // Called when the game screen has been built.
    virtual void ScreenAttached() {}
    // Bonus states are held back while the game screen blocks bonus interaction.
    virtual bool IsBonusState() const { return false; }

    // Removed and freed, with Finalize(false), at the start of the next frame.
    void Finish() { FStatus = ssFinished; }
    // Removed and freed at the start of the next frame without Finalize.
    void Kill() { FStatus = ssKilled; }
    // A held state is skipped by updates and input.
    void SetHeld(bool held) { FHeld = held; }
    bool Held() const { return FHeld; }
    TStateStatus Status() const { return FStatus; }
    TGameStateQueue& Queue() const { return FQueue; }

    IPlayManager* GameManager() const;
    TGameData* GameData() const;
    TField* Field() const;
    // Raises "TGameState.GetGameScreen" while the queue has no game screen.
    IPlayScreen& GameScreen() const;

protected:
    void Trace(const std::string& line) const;

private:
    friend class TGameStateQueue;

    TGameStateQueue& FQueue;
    TStateStatus FStatus = ssNew;
    bool FHeld = false;
    // Tells states apart across frees, where an address may be reused.
    uint64_t FSerial = 0;
};

class TGameStateQueue {
public:
    // `manager` may be absent where nothing is to be told (tests, tools).
    explicit TGameStateQueue(IPlayManager* manager);
    ~TGameStateQueue();
    TGameStateQueue(const TGameStateQueue&) = delete;
    TGameStateQueue& operator=(const TGameStateQueue&) = delete;

    // Creates a state at the end of the queue. It is stepped from the next Update on.
    template <typename TState, typename... TArgs> TState& Push(TArgs&&... args) {
        auto state = std::make_unique<TState>(*this, std::forward<TArgs>(args)...);
        TState& result = *state;
        Append(std::move(state));
        return result;
    }

    // Puts a state made for this queue elsewhere (a factory's) at its end.
    TGameState& Adopt(std::unique_ptr<TGameState> state);

    // Once per frame: frees the states that ended, then steps the rest.
    void Update();

    // Input from the game screen, passed to every state in queue order unless the queue is
    // paused or the state is skipped.
    void MouseDown(int button, const TGInputState& input);
    void MouseUp(int button, const TGInputState& input);
    void MouseMove(const TGInputState& input);
    void KeyDown(int key, const TGInputState& input);

    bool Paused() const { return FPaused; }
    // A change reaches every state and the game manager, which pauses or resumes play.
    void SetPaused(bool paused);

    void SetGameScreen(IPlayScreen* screen) { FScreen = screen; }
    IPlayScreen* GameScreen() const { return FScreen; }
    // Tells every state that the game screen has been built.
    void ScreenAttached();

    size_t Count() const { return FStates.size(); }
    bool IsEmpty() const { return FStates.empty(); }
    TGameState* First() const { return FStates.empty() ? nullptr : FStates.front().get(); }
    TGameState& At(size_t index) const { return *FStates.at(index); }

    // A state whose class is exactly TState.
    template <typename TState> TState* FindExact() const {
        for (const auto& state : FStates) {
            const TGameState& s = *state;
            if (typeid(s) == typeid(TState)) {
                return static_cast<TState*>(state.get());
            }
        }
        return nullptr;
    }
    template <typename TState> bool HasExact() const { return FindExact<TState>() != nullptr; }
    // A state of TState or a class derived from it.
    template <typename TState> TState* FindKindOf() const {
        for (const auto& state : FStates) {
            if (auto* found = dynamic_cast<TState*>(state.get())) {
                return found;
            }
        }
        return nullptr;
    }
    template <typename TState> bool HasKindOf() const { return FindKindOf<TState>() != nullptr; }

    // Takes out every state of TState or a derived class in queue order; a running one first
    // gets Finalize(true). Each is freed.
    template <typename TState> void RemoveAllOf() {
        RemoveAllMatching(
            [](const TGameState& state) { return dynamic_cast<const TState*>(&state) != nullptr; });
    }
    // Takes the state out and frees it without Finalize.
    void RemoveState(TGameState& state);
    // Frees every state without Finalize.
    void Clear();

    template <typename TState> void SetHeldAll(bool held) {
        for (const auto& state : FStates) {
            if (dynamic_cast<TState*>(state.get())) {
                state->SetHeld(held);
            }
        }
    }

    IPlayManager* GameManager() const { return FManager; }
    TField* Field() const;

    // Receives "Create:", "Initialize:", "UpdateHelper:", "Finilize:" and "Destroy:" lines;
    // empty by default, which discards them.
    TStateTrace Trace;

private:
    void Append(std::unique_ptr<TGameState> state);
    void RemoveAllMatching(const std::function<bool(const TGameState&)>& matches);
    // Takes the state out of the list and frees it; false when it is no longer there.
    bool Free(const TGameState* state);
    bool IsSkipped(const TGameState& state) const;
    // The states now in the queue, named so that a walk can tell which of them are still there.
    std::vector<std::pair<TGameState*, uint64_t>> Snapshot() const;
    TGameState* Present(const std::pair<TGameState*, uint64_t>& entry) const;
    void Dispatch(const std::function<void(TGameState&)>& call);
    void Step(TGameState& state);
    void Write(const std::string& line) const;

    IPlayManager* FManager;
    IPlayScreen* FScreen = nullptr;
    bool FPaused = false;
    std::vector<std::unique_ptr<TGameState>> FStates;
    uint64_t FNextSerial = 1;
};

} // namespace qm
