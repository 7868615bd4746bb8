#pragma once

// The one object that knows which screen the game is on and which comes next. It owns the play
// objects that outlive a single screen (the fields, the bars, the monument view, the background,
// the work zone, the tips), prepares levels and sublevels from the configuration, chooses the
// music and holds back explosion and combo sounds that come too thick. Screens, dialogs and
// play states never switch screens themselves: they ask the manager, which switches at the end
// of the frame.

#include "UBars.h"
#include "UGameDataBarHost.h"
#include "UGamePlayers.h"
#include "UGameStateQueue.h"
#include "ULevels.h"
#include "UPlayHost.h"
#include "UPlayStandIns.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qm {

class TCampaignSecretMaps;

class TCell;
class TField;
class TGameData;
class TGWidget;
class TPlayer;
class TSpecial;
struct TPlayerData;

// The screens, by the numbers the flow compares.
enum class TScreenState : uint8_t {
    Loading = 0,
    Menu = 1,
    Game = 2,
    Construction = 3,
    Bonus = 4,
    Puzzle = 5,
    Map = 6,
    Credits = 7,
    Congratulations = 9,
    Welcome = 10,
    Help = 11,
    Splash = 13,
};

// Where a won sublevel leads once the board has changed.
enum class TWinLeadsTo : uint8_t {
    NextSublevel,
    NextLevel,
    // The last monument of the pass (or of the hidden bonus level) is complete.
    PassEnd,
};

// The level number as the resource-set names carry it: two digits ("03", "10").
std::string LevelSetSuffix(int level);

// A sound that may play only so often: `Count` plays at once, then silence until `Delay`
// seconds have passed, when both values are loaded again.
struct TSoundLimiter {
    // What the configuration gives.
    double ConfigDelay = 0.0;
    int ConfigCount = 0;
    double Delay = 0.0;
    int Count = 0;

    void Reload();
    // Whether a sound may play now; every call spends one of the count.
    bool Spend();
    // One frame of `seconds`.
    void Update(double seconds);
};

// Turns up to `count` random brick cells of the records into colour cells, each of a random
// colour among the digits 1..8 of `marbles`; a cell may be drawn more than once. Places nothing
// when no record has a brick layer or `marbles` names no colour. Returns the number placed.
int PlaceColorCellsIn(TCellsStructsArr& records, int count, const std::string& marbles);

// Makes a special of a kind at a position.
using TSpecialFactory = std::unique_ptr<TSpecial> (*)(IPlayHost& host, int x, int y);

// What the manager needs of the game screen while it is on show: its dialogs and animations. The
// game screen attaches itself when built and detaches when freed; without one, a dialog is
// answered at once, as nobody is there to read it.
class IGameScreenView {
public:
    virtual ~IGameScreenView() = default;
    // Shows the dialog of that name; `onOk` runs when the player closes it.
    virtual void ShowDialog(const std::string& name, std::function<void()> onOk) = 0;
    virtual bool IsDialogVisible(const std::string& name) const = 0;
    virtual void HideDialog(const std::string& name) = 0;
    // A widget of the screen by name, for the dialogs the play states steer; none when the
    // screen has no widget of that name.
    virtual TGWidget* FindWidget(const std::string& name) = 0;
    virtual void ShowStageScore(int /*points*/) {}
    virtual void PlayScreenAnimation(const std::string& /*name*/) {}
    virtual bool ScreenAnimationDone(const std::string& /*name*/) const { return true; }
    virtual void ExtraLifeGained() {}
    virtual bool ExtraLifeAnimationShown() const { return false; }
    virtual void ScoreMultiplierEnded() {}
};

class TGameManager : public IPlayManager, public TGameDataBarHost, public IPlayerHost {
public:
    // Builds the main field, the work zone and the background for the current player, refreshes
    // the background and loads both sound limiters.
    explicit TGameManager(TGameData& data);
    // Set in the environment, the game is saved every frame and every save is written to the
    // standard output before ("saving: level L.S") and after ("saved: level L.S"): the kill test
    // ends the program at random moments and checks what the next start finds.
    static constexpr const char* SaveStressVariable = "QM_SAVE_STRESS";
    ~TGameManager() override;
    TGameManager(const TGameManager&) = delete;
    TGameManager& operator=(const TGameManager&) = delete;

    // The two state queues, which are created after the manager and go before it.
    void AttachQueues(TGameStateQueue* queue, TSecretLevelStateQueue* secretQueue);
    TGameStateQueue& Queue() const;

    TGameData& Data() const { return FData; }
    // One line of the run's event trace, when it has one.
    void TraceEvent(const std::string& event) const;
    TPlayer& Player() const;
    TPlayerData& Progress() const;

    // ---- screens ----
    TScreenState ScreenState = TScreenState::Loading;
    void ShowLoadingScreen();
    void ShowMenuScreen(bool keepReturnFlags, bool showHighScores);
    void ShowGameScreen(bool forceNewSublevel);
    void ShowConstructionScreen() override;
    void ShowBonusScreen(int mode) override;
    void ShowPuzzleScreen();
    void ShowMapScreen(bool replay);
    void ShowCreditsScreen();
    void ShowCongratulationsScreen();
    void ShowWelcomeScreen(int mode);
    void ShowHelpScreen();
    void ShowSplashScreen();
    void ShowSplashScreen2();

    // The screen asked for since the last switch; the latest request wins.
    void RequestScreen(const std::string& screenName, const std::string& resourceSetName);
    bool ScreenPending() const { return FScreenPending; }
    const std::string& PendingScreenName() const { return FPendingScreen; }
    const std::string& PendingResourceSet() const { return FPendingSet; }
    // Called by the frame hook after the frame was drawn: builds the requested screen.
    void SwitchPendingScreen();
    // The frame hook's call once the frame is drawn: a requested screen is switched to.
    void EndFrame();
    // What a switch does: load the set and show the screen. Tests put a recorder here.
    std::function<void(const std::string& screenName, const std::string& resourceSetName)> ScreenSwitcher;

    // The child of the widget root named after the screen on show; null when there is none.
    TGWidget* ActiveScreenWidget() const;
    void SetGameScreenView(IGameScreenView* view) { FView = view; }
    IGameScreenView* GameScreenView() const { return FView; }

    void PlayerChanged() override;
    void PreloadMenu();
    void PreloadLevel();
    void PreloadMap();

    // ---- levels ----
    void PrepareLevel(bool keepLevelState);
    void PrepareSublevel();
    // The colour cells of the current sublevel; the number placed.
    int PlaceColorCells(TCellsStructsArr& records);
    // The board transformation to the next sublevel ended.
    void SetLevelAndSubLevel(int level, int subLevel) override;
    bool PlanBoardChange(bool won, bool fromFirst, TBoardChange& change) override;
    void RestartTimeBar() override;
    // The construction screen is left after a won sublevel: the banked win moves the player on,
    // and the game is saved. A win that
    // leads into another level, or ends the pass, leaves nothing of the old level queued: the map
    // comes next.
    TWinLeadsTo CompleteBankedWin();
    // The map has moved the player past the last monument of the pass: the congratulations come
    // (in replay mode the menu), and the next pass begins.
    void FinishPass();
    // The hidden bonus level is over: it cannot be started again, and the menu comes next.
    void LeaveEasterEggLevel();
    int ColorCellsTotal() const { return FColorCellsTotal; }
    bool HasTwoLayerCells() const;

    // ---- play objects ----
    // The field and the bars are recreated for every level (the time bar for every sublevel):
    // ask for them every frame rather than keeping them.
    TField& Field() const { return *FField; }
    TField* CurrentField() override;
    TSecretLevelField& SecretLevelField() const { return *FSecretField; }
    TTimeBar& TimeBar() const { return *FTimeBar; }
    TSCLTimeBar& SCLTimeBar() const { return *FSCLTimeBar; }
    TBrickBar& BrickBar() const { return *FBrickBar; }
    TShuffleBar& ShuffleBar() const { return *FShuffleBar; }
    TBonusBar& BonusBar() const { return *FBonusBar; }
    TConstruction& Construction() const { return *FConstruction; }
    TBackground& Background() const { return *FBackground; }
    TWorkZone& WorkZone() const { return *FWorkZone; }
    TTipManager& TipManager() const { return *FTipManager; }
    // The board's services (scores, sounds, specials) for the main field.
    IPlayHost& PlayHost() const;
    void RecreateConstruction();
    // The workers are current and must not be rebuilt; true after the construction screen.
    bool WorkZoneLive = false;

    // ---- specials and bricks ----
    static TSpecialFactory SpecialKindClass(int kind);
    void SpawnBricksFromCell(TCell& cell);
    void ConsumeSuperBonusSpecial();

    // ---- sounds and music ----
    void UpdateMusic();
    void UpdateSoundLimiters();
    void PlayBlastSound(int kind);
    bool PlayComboSound(int combo);
    void PlaySpecialAppearSound(TSpecial& special);
    void PlayCameraFlyingSound(bool in);
    void PauseFieldTransformationSound(bool paused);
    void PlayJingleWin();
    const std::string& MusicName() const { return FMusicName; }
    const TSoundLimiter& BlastLimiter() const { return FBlast; }
    const TSoundLimiter& ComboLimiter() const { return FCombo; }

    // ---- bonus states ----
    void CancelMouseBonuses() override;
    void SetBonusStatesRunning(bool running) override;
    void RemoveBonusStates() override;
    bool MouseBonusArmed() const override;
    bool MouseBonusQueued() const override;
    bool BonusEffectBusy() const override;
    void ResetBonusBar() override;
    void FreezeTimeBar() override;
    void StartDoubleMaterials(double seconds) override;
    void StartScoreMultiplier(double seconds) override;
    bool HasExtraBonuses() const;

    // ---- secret level ----
    void RewardSecretLevel();
    void CompleteSecretLevel();
    void ResetFoundPieces();
    PGXMLNode SelectSkyNode() const;

    uint8_t BonusScreenMode = 0;
    TScreenState HelpReturnState = TScreenState::Menu;
    uint8_t WelcomeMode = 1;
    bool MenuShowHighScores = false;

    // ---- IPlayManager ----
    TGameData* GameData() override { return &FData; }
    void PausePlay() override;
    void ResumePlay() override;
    bool IsQueued(TOtherState state) const override;
    void RemoveTimeLineFreezeStates() override;
    void PlaySound(const std::string& name) override;
    void PlayJingleSublevelWin() override;
    void PlayJingleLost() override;
    void StopScaryMusic() override;
    void PlayTimeToScore() override;
    void StopTimeToScore() override;
    bool TimeBarPaused() const override;
    bool TimeBarStopped() const override;
    bool TimeBarRunningOrStopped() const override;
    void StepTimeBar(double rate) override;
    void DrainTimeBar(bool award) override;
    void LockLivesDisplay() override;
    bool BarFull(TBarKind bar) const override;
    void AddToBar(TBarKind bar, double amount) override;
    void CollectBrickBar() override;
    void EndDoubleMaterials() override;
    void RefreshBonusDisplay() override;
    int Score() const override;
    void AddScore(int points) override;
    int Lives() const override;
    void LoseLife() override;
    void BrickCollected() override;
    bool HasSeveralExtraBonuses() const override;
    void ResetBoxCounters() override;
    bool IsDeveloperUser() const override;
    bool IsEasterEggUser() const override;
    int PlayerSubLevel() const override;
    PGXMLNode CurrentLevelConfig() const override;
    double ConstructionProgress() const override;
    bool CatchUpMode() const override;
    void SetCatchUpMode(bool on) override;
    void SaveNextSublevelProgress() override;
    void SaveGame() override;
    void RestartLevelAfterGameOver() override;
    void GoToNextSublevel() override;
    void RestartSublevel(bool fromFirst) override;
    void ShowDialog(const std::string& name, std::function<void()> onOk) override;
    bool IsDialogVisible(const std::string& name) const override;
    void HideDialog(const std::string& name) override;
    void ShowStageScore(int points) override;
    void PlayScreenAnimation(const std::string& name) override;
    bool ScreenAnimationDone(const std::string& name) const override;
    void ShowMenuScreen() override { ShowMenuScreen(false, false); }
    void WorkZoneSublevelEnded(bool won) override;
    void ReleaseBricks(int count, int x, int y) override;
    void EvictTexturesAfterFrame() override;
    // The developer keys: a planted column on a column of the board, secret levels in order, and
    // the check of the card's memory (written to the standard error).
    void StartPlantedColumn(int column) override;
    void SetSequentialSecretLevels() override;
    ISecretMapPlay* SecretMaps() override;
    void StartColorCellBlast(int x, int y) override;
    void RunDeviceSelfTest() override;
    // What the card's check asks of it.
    static constexpr int SelfTestMegabytes = 32;

    // ---- IBarHost (the engine's services come with TGameDataBarHost) ----
    int LevelNumber() const override;
    int BricksInSublevel() const override;
    int MaxBricksPerObligatorySubLevel() const override;
    char MarbleOfMarvane() const override;
    int SelectedBonusKind() const override;
    bool BonusStateQueued() const override;
    bool EndStateQueued() const override;
    bool ExtraLifeAnimationShown() const override;

    // ---- IPlayerHost ----
    bool OnGameScreen() const override { return ScreenState == TScreenState::Game; }
    void ExtraLifeGained() override;
    void EmptyStateQueues() override;
    void ExtraBonusSelected(int32_t kind) override;
    void ScoreMultiplierEnded() override;

private:
    class TManagerPlayHost;
    friend class TManagerPlayHost;

    void Show(TScreenState state, const std::string& screenName, const std::string& resourceSetName,
              bool refreshBackground);
    void RefreshBackground();
    void LoadLimiters();
    PGXMLNode SubLevelNode() const;
    void RecreateField();
    void RecreateBars();
    void SwitchToScreen(const std::string& screenName, const std::string& resourceSetName);
    void TraceSublevelStart();
    // The layout of a sublevel as its definition gives it (no colour cells placed).
    TCellsStructsArr SublevelLayout(int level, int subLevel) const;

    TGameData& FData;
    std::unique_ptr<TManagerPlayHost> FPlayHost;
    std::unique_ptr<TField> FField;
    std::unique_ptr<TSecretLevelField> FSecretField;
    std::unique_ptr<TTimeBar> FTimeBar;
    std::unique_ptr<TSCLTimeBar> FSCLTimeBar;
    std::unique_ptr<TBrickBar> FBrickBar;
    std::unique_ptr<TShuffleBar> FShuffleBar;
    std::unique_ptr<TBonusBar> FBonusBar;
    std::unique_ptr<TConstruction> FConstruction;
    std::unique_ptr<TBackground> FBackground;
    std::unique_ptr<TWorkZone> FWorkZone;
    std::unique_ptr<TCampaignSecretMaps> FSecretMaps;
    int FColorCellsTotal = 0;
    std::string FMusicName;
    std::unique_ptr<TTipManager> FTipManager;
    TSoundLimiter FBlast;
    TSoundLimiter FCombo;

    TGameStateQueue* FQueue = nullptr;
    TSecretLevelStateQueue* FSecretQueue = nullptr;
    IGameScreenView* FView = nullptr;
    bool FScreenPending = false;
    std::string FPendingScreen;
    std::string FPendingSet;
    bool FSaveTrace = false;
    // The sublevel prepared last has not yet been written to the event trace.
    bool FSublevelStartToTrace = false;
};

// The three objects that live from start-up to shutdown, created in this order right after the
// game data and destroyed in the reverse order.
class TGameGlobals {
public:
    explicit TGameGlobals(TGameData& data);
    ~TGameGlobals();
    TGameGlobals(const TGameGlobals&) = delete;
    TGameGlobals& operator=(const TGameGlobals&) = delete;

    TGameManager& Manager() const { return *FManager; }
    TGameStateQueue& Queue() const { return *FQueue; }
    TSecretLevelStateQueue& SecretQueue() const { return *FSecretQueue; }

private:
    std::unique_ptr<TGameManager> FManager;
    std::unique_ptr<TGameStateQueue> FQueue;
    std::unique_ptr<TSecretLevelStateQueue> FSecretQueue;
};

// The process-wide objects; each raises "TGameManager.Global" while it does not exist.
TGameManager& TheGameManager();
TGameStateQueue& TheGameStateQueue();
TSecretLevelStateQueue& TheSecretLevelStateQueue();
bool GameManagerExists();

} // namespace qm
