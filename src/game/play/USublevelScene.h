#pragma once

// A sublevel played through the state queue: the board of level 1's sublevels with the four bars
// around it, bricks thrown from broken layers onto the ground below, the score and the lives. A
// win or a loss shows a plain message and leads to the next sublevel or the same one again.
// Opened with --scene sublevel; the automatic player (--autoplay) plays it through MouseDown as a
// person does.

#include "UAutoPlayer.h"
#include "UBars.h"
#include "UBoardTestScene.h"
#include "UBonusStates.h"
#include "UBrick.h"
#include "UCoreStates.h"
#include "UGameDataBarHost.h"
#include "UGameStateQueue.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class TGFont;
class TGameData;
class TSublevelScene;

// The board's services: scores, boxes, bricks and bar charges go to the scene.
class TSublevelPlayHost : public TGameDataPlayHost {
public:
    TSublevelPlayHost(TGameData& data, TSublevelScene& scene) : TGameDataPlayHost(data), FScene(scene) {}

    void AddScore(int points) override;
    void BoxCollected(int x, int y, bool secondKind) override;
    bool BoxCountReached() const override;
    int BoxesCounted() const override;
    int BoxQuota() const override;
    void MarvaneMarbleMatched() override;
    void MarbleKilled() override;
    void SpawnBricksFromCell(TCell& cell) override;
    void PushPackState() override;
    bool SubLevelCompleteQueued() const override;
    void ElementStartsFalling(TSimpleElement& element) override;
    char MarbleOfMarvane() const override;
    bool ScoreMultiplierOn() const override;

private:
    TSublevelScene& FScene;
};

class TSublevelScene : public IPlayManager, public IAutoPlayTarget, private TGameDataBarHost {
public:
    static constexpr const char* SceneName = "sublevel";
    static constexpr int StartLives = 3;
    // Where the automatic player and a person press the shuffle button.
    static constexpr int ShuffleButtonX = 115;
    static constexpr int ShuffleButtonY = 300;
    static constexpr int ShuffleButtonWidth = 90;
    static constexpr int ShuffleButtonHeight = 28;
    // A message stays this long unless clicked away.
    static constexpr double MessageSeconds = 2.5;
    // The message's panel, centred on the board.
    static constexpr const char* MessageFrame = "interface/DialogFrame";
    static constexpr double MessageCentreX = 536.0;
    static constexpr double MessageCentreY = 300.0;
    static constexpr double MessageWidth = 400.0;
    static constexpr double MessageHeight = 170.0;

    explicit TSublevelScene(TGameData& data);
    ~TSublevelScene() override;

    // One frame: RenderBoard, Update, RenderOverlay.
    void Draw();
    // The states (which draw their own effects), the bars' steps and a pending change of
    // sublevel.
    void Update();
    // The board, the bars and the bricks; drawing also advances their animations.
    void RenderBoard();
    // The texts and the message.
    void RenderOverlay();
    // Starts the sublevel a finished state asked for, once the board's ending states are gone.
    // The thrown bricks, drawn over what lies below them.
    void DrawBricks();

    void MouseDown(int x, int y, int button);
    void MouseUp(int x, int y, int button);
    void MouseMove(int x, int y, bool leftHeld);
    void KeyDown(int key);

    // ---- IAutoPlayTarget ----
    // The waiting state would take a click now: nothing else is queued and the board rests.
    bool AcceptsMove() const override;
    bool MessageShown() const override { return !FMessage.empty(); }
    bool ShuffleReady() const override;
    void PressShuffle() override;
    void ClickAt(int x, int y) override { MouseDown(x, y, 0); }
    TField& Field() const override { return *FField; }

    TGameStateQueue& Queue() { return FQueue; }
    int SublevelIndex() const { return FSublevel; }
    int SublevelCount() const { return static_cast<int>(FSublevels.size()); }
    int CurrentScore() const { return FScore; }
    int Boxes() const { return FBoxes; }
    int Quota() const { return FQuota; }
    int BricksCollected() const { return FBricksCollected; }
    int Wins() const { return FWins; }
    int Losses() const { return FLosses; }
    const std::string& Message() const { return FMessage; }
    TTimeBar& TimeBar() const { return *FTimeBar; }
    TBrickBar& BrickBar() const { return *FBrickBar; }
    TShuffleBar& ShuffleBar() const { return *FShuffleBar; }
    TBonusBar& BonusBar() const { return *FBonusBar; }
    size_t BricksInFlight() const;
    std::vector<std::string> BoardText() const;

    // ---- IPlayManager ----
    TGameData* GameData() override;
    TField* CurrentField() override { return FField.get(); }
    void PausePlay() override {}
    void ResumePlay() override {}
    bool PlanBoardChange(bool won, bool fromFirst, TBoardChange& change) override;
    void SetLevelAndSubLevel(int level, int subLevel) override;
    void RestartTimeBar() override;
    void PlaySound(const std::string& name) override;
    void PlayJingleSublevelWin() override { PlaySound("JingleSublevelWin"); }
    void PlayJingleLost() override { PlaySound("JingleLost"); }
    void PlayTimeToScore() override;
    void StopTimeToScore() override;
    bool TimeBarPaused() const override { return FTimeBar->Paused(); }
    bool TimeBarStopped() const override { return FTimeBar->IsStopped(); }
    bool TimeBarRunningOrStopped() const override { return FTimeBar->IsRunningOrStopped(); }
    void StepTimeBar(double rate) override { FTimeBar->Step(rate); }
    void DrainTimeBar(bool award) override { FTimeBar->Drain(award); }
    void LockLivesDisplay() override { FTimeBar->LockLives(); }
    bool BarFull(TBarKind bar) const override;
    void AddToBar(TBarKind bar, double amount) override;
    void CollectBrickBar() override { FBrickBar->Collect(); }
    void EndDoubleMaterials() override { FBrickBar->EndDouble(); }
    int Score() const override { return FScore; }
    void AddScore(int points) override { FScore += points; }
    int Lives() const override { return FLives; }
    void LoseLife() override { --FLives; }
    void BrickCollected() override { ++FBricksCollected; }
    void ResetBoxCounters() override {}
    bool IsDeveloperUser() const override;
    bool IsEasterEggUser() const override;
    int PlayerSubLevel() const override { return FSublevel + 1; }
    PGXMLNode CurrentLevelConfig() const override { return FLevel; }
    void RestartLevelAfterGameOver() override;
    void GoToNextSublevel() override;
    void RestartSublevel(bool fromFirst) override;
    void ShowDialog(const std::string& name, std::function<void()> onOk) override;
    bool IsDialogVisible(const std::string& name) const override;
    void HideDialog(const std::string& name) override;
    void ShowStageScore(int points) override;
    void ReleaseBricks(int count, int x, int y) override;
    bool MouseBonusArmed() const override { return MouseBonusArmedIn(FQueue); }
    bool MouseBonusQueued() const override { return MouseBonusQueuedIn(FQueue); }
    bool BonusEffectBusy() const override { return BonusEffectBusyIn(FQueue); }
    void CancelMouseBonuses() override { CancelMouseBonusesIn(FQueue); }
    void SetBonusStatesRunning(bool running) override { SetBonusStatesRunningIn(FQueue, running); }
    void RemoveTimeLineFreezeStates() override { FQueue.RemoveAllOf<TTimeLineFreezeBonusState>(); }
    void ResetBonusBar() override { FBonusBar->ResetBar(); }
    void FreezeTimeBar() override { FTimeBar->Freeze(); }
    void StartDoubleMaterials(double seconds) override { FBrickBar->StartDouble(seconds); }
    void StartScoreMultiplier(double seconds) override { FScoreMultiplierLeft += seconds; }
    void EvictTexturesAfterFrame() override;

    // The extra bonus the full bonus bar starts next; the scene goes through every kind in turn.
    int BonusKind() const { return FBonusKind; }
    // A button bonus nobody has clicked for this long is fired by the scene itself.
    static constexpr double IdleBonusSeconds = 3.0;
    bool IsQueued(TOtherState state) const override;
    // The scene's boards have no secret maps: a colour cell's blast gives no piece.
    ISecretMapPlay* SecretMaps() override { return nullptr; }
    void StartColorCellBlast(int x, int y) override;

protected:
    // Plays `sublevels` (every one of level 1's when empty) instead of level 1's.
    TSublevelScene(TGameData& data, std::vector<TTestSublevel> sublevels);
    void StartSublevel(int index);
    // The layout of a sublevel of the list and the bars of a fresh start on it; the elements
    // on the board stay.
    void ApplySublevel(int index);
    TCellsStructsArr SublevelLayout(int index) const;
    // What each brick thrown out of the board adds to the bonus bar.
    virtual double BonusChargePerBrick() const;

private:
    friend class TSublevelPlayHost;

    // ---- IBarHost (the game data answers the rest) ----
    int LevelNumber() const override { return 1; }
    int BricksInSublevel() const override { return FBricksCollected; }
    bool EndStateQueued() const override;
    char MarbleOfMarvane() const override { return FHost.MarbleOfMarvane(); }
    int SelectedBonusKind() const override { return FBonusKind; }
    bool BonusStateQueued() const override { return FQueue.HasKindOf<TBonusState>(); }

    void LoadLevel();
    void StepBars();
    void StepMessage();
    void StepBonus();
    void FireIdleButtonBonus();
    void CloseMessage();
    void DrawTexts();
    void DrawMessage(TGFont& font);
    void DrawShuffleButton();
    double LevelValue(const char* name, double fallback) const;

    TGameData& FData;
    TSublevelPlayHost FHost;
    TGameStateQueue FQueue;
    PGXMLNode FLevel;
    std::vector<TTestSublevel> FSublevels;
    std::unique_ptr<TField> FField;
    std::unique_ptr<TTimeBar> FTimeBar;
    std::unique_ptr<TBrickBar> FBrickBar;
    std::unique_ptr<TShuffleBar> FShuffleBar;
    std::unique_ptr<TBonusBar> FBonusBar;
    std::vector<std::unique_ptr<TBrick>> FBricks;
    int FSublevel = 0;
    // The sublevel to start once the state that asked for it has ended; -1 for none.
    int FScore = 0;
    int FLives = StartLives;
    int FBoxes = 0;
    int FQuota = 3;
    int FBricksCollected = 0;
    int FWins = 0;
    int FLosses = 0;
    bool FTimeToScorePlaying = false;
    // The plain message standing for a dialog.
    std::string FDialogName;
    std::string FMessage;
    std::string FMessageDetail;
    double FMessageLeft = 0.0;
    std::function<void()> FMessageOk;
    TBonusStarter FBonusStarter;
    int FBonusKind = FirstExtraBonusKind;
    double FBonusIdle = 0.0;
    double FScoreMultiplierLeft = 0.0;
};

} // namespace qm
