#pragma once

// The screen the campaign is played on. It owns no play objects: the field, the bars and the
// state queue belong to the game manager, which the screen reaches through IGameScreenHost. The
// screen wires its named children to draw them, passes input and frame ticks to the state queue,
// keeps the counters of the side panel current, pauses and resumes play, opens the dialogs over
// the board and plays its own short announcements, tips and background animations.

#include "UAutoPlayer.h"
#include "UGAnimotion.h"
#include "UGWidScreen.h"
#include "UGameManager.h"
#include "UGameStateQueue.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class TBonusBar;
class TBrickBar;
class TField;
class TShuffleBar;
class TTimeBar;

// What the game screen needs of the game manager and the player. Without a host of its own
// (TGameScreen::SetHost) the screen works with the process-wide game manager through a host that
// forwards to it; tests and the scene of level 1's sublevels install one of their own.
class IGameScreenHost {
public:
    virtual ~IGameScreenHost() = default;

    virtual TGameStateQueue& StateQueue() = 0;
    // Each may be absent between sublevels; the screen then skips what it would draw.
    virtual TField* CurrentField() = 0;
    virtual TTimeBar* TimeBar() = 0;
    virtual TBrickBar* BrickBar() = 0;
    virtual TShuffleBar* ShuffleBar() = 0;
    virtual TBonusBar* BonusBar() = 0;
    // The game configuration (GamesAni, IntfTip) and the level being played, with its BackAni
    // elements; no level outside the campaign.
    virtual PGXMLNode GameConfig() const = 0;
    virtual PGXMLNode CurrentLevelConfig() const = 0;
    // Creates the bonus state of a kind (4..15) in the state queue.
    virtual void PushBonusState(int kind) = 0;

    // ---- the player ----
    virtual int Score() const { return 0; }
    virtual int BricksInStock() const { return 0; }
    virtual bool ScoreMultiplierOn() const { return false; }
    // The selected extra bonus as the save file keeps it (the kind in the low 7 bits); 0 for none.
    virtual int SelectedBonusKind() const { return 0; }
    virtual bool ShowTips() const { return false; }
    virtual bool IsDeveloperUser() const { return false; }
    // The lines drawn over the board while the information overlay is on; none unless the
    // player is the developer user.
    virtual std::vector<std::string> DiagnosticLines() const { return {}; }
    // Counts the player's time in the sublevel; not called while paused.
    virtual void UpdatePlayTime() {}
    // The screen has come up on a new sublevel (not on a return from another screen): the
    // player's sublevel is in progress and no longer a fresh start.
    virtual void SublevelShown() {}

    // ---- the game manager ----
    virtual void UpdateMusic() {}
    virtual void UpdateSoundLimiters() {}
    virtual void PauseFieldTransformationSound(bool /*paused*/) {}
    virtual void ShowMenuScreen() {}
    virtual void ShowBonusScreen(int /*page*/) {}
    // Cards with less video memory skip the screen's dissolves, fly-ins and the intro.
    virtual bool LowVideoMemory() const { return false; }
    // The screen is about to be built: the art of the specials it will show is loaded besides
    // the level's resource set.
    virtual void LoadSpecialResources() {}
    // The work zone: its drawing, a click on it, its bricks in flight hidden during the pause,
    // and its characters standing still while the game clock is paused.
    virtual void DrawWorkZone() {}
    virtual void WorkZoneClick(int /*x*/, int /*y*/) {}
    virtual void SetBricksInFlightHidden(bool /*hidden*/) {}
    virtual void SetWorkZoneFrozen(bool /*frozen*/) {}
    // The screen has been built: the work zone's workers are repopulated when they were live
    // already, and are live from now on.
    virtual void ScreenBuilt() {}
    // Play comes back from the construction or the puzzle screen with the state that left to it
    // still queued; the manager tells that state to carry on.
    virtual void PlayResumedFromOtherScreen() {}
};

// When background animations start: each BackAni element of the level gets a period in whole
// seconds; once a second of game time the elements whose initial delay has passed and whose
// period divides the whole seconds elapsed start, those marked RunOnce only the first time.
class TBackAniSchedule {
public:
    struct TEntry {
        int Period = 1;
        double InitialDelay = 0.0;
        bool RunOnce = false;
        bool HasRun = false;
    };

    // Periods are drawn from each element's PeriodFrom..PeriodTo (inclusive) with the game's
    // random generator.
    void Load(const IGXMLCollection& elements);
    void Add(const TEntry& entry) { FEntries.push_back(entry); }
    // Advances the clock; the indexes of the elements that start now.
    std::vector<size_t> Step(double seconds);

    const std::vector<TEntry>& Entries() const { return FEntries; }
    double Clock() const { return FClock; }

private:
    std::vector<TEntry> FEntries;
    double FClock = 0.0;
    double FLastCheck = 0.0;
};

// The resources ("Special" + the kind's id) with the art of the specials a game screen shows
// beyond the board's own: the selected extra bonus (the kind in the low 7 bits; none for 0 or a
// kind without a bonus), the phantom bonus when the field holds or will drop one, the wild
// chameleon when the field holds one. Each once, in that order.
std::vector<std::string> SpecialResourceNames(int selectedBonus, const TField* field);

class TGameScreen : public TGWidScreen, public IPlayScreen, public IGameScreenView, public IAutoPlayTarget {
public:
    static constexpr const char* ScreenName = "GameScreen";
    static constexpr double IntroSeconds = 0.6;
    static constexpr double IntroEffectSeconds = 1.1;
    static constexpr double BonusReadyPause = 60.0;
    static constexpr double TipEffectSeconds = 0.3;
    static constexpr double FieldPauseEffectSeconds = 0.3;
    // The play widgets fly away while the streaks of the flight cross the screen.
    static constexpr double CameraFlightSeconds = 1.0;
    // The play widgets dissolve on the way to the puzzle screen and back.
    static constexpr double PuzzleDissolveSeconds = 0.75;

    explicit TGameScreen(TGAppData& appData);
    ~TGameScreen() override;

    // The host every game screen built from now on works with; not owned. None: the game
    // manager's.
    static void SetHost(IGameScreenHost* host);
    static IGameScreenHost* Host();

    std::string GetClassName() const override { return "GameScreen"; }
    void AfterLoad() override;
    void ScreenShown() override;
    void KeyDown(int key, const TGInputState& state) override;
    void MouseMove(const TGInputState& state) override;
    void MouseDown(int button, const TGInputState& state) override;
    void MouseUp(int button, const TGInputState& state) override;

    // ---- IPlayScreen ----
    bool IsBonusInteractionBlocked() const override;

    // One frame of the screen's own work, before its children draw.
    void UpdateFrame();
    void ShuffleClick();
    void TogglePause() { SetPaused(!FPaused); }
    void SetPaused(bool paused);
    void FreezePlay(bool frozen);
    void ShowExtraLife();
    void EndScoreMultiplier();
    void FadeBackAnimations();
    bool IsBusy() const;
    bool ModalDialogOpen() const;
    // A leave state (to the secret level, the construction or the puzzle screen) is queued.
    bool LeaveStateQueued() const;
    // The bonus state of the selected extra bonus; a kind outside 4..15 is refused with a line on
    // standard error.
    void CreateBonusState();

    // ---- IGameScreenView ----
    // The dialogs of the play states: shown with their effect, "OkBtn" hides the dialog and then
    // runs `onOk`.
    void ShowDialog(const std::string& name, std::function<void()> onOk) override;
    bool IsDialogVisible(const std::string& name) const override;
    void HideDialog(const std::string& name) override;
    void ExtraLifeGained() override { ShowExtraLife(); }
    bool ExtraLifeAnimationShown() const override { return FAddLifeAni && FAddLifeAni->GetVisible(); }
    void ScoreMultiplierEnded() override { EndScoreMultiplier(); }
    TGWidget* FindWidget(const std::string& name) override { return FindChild(name); }
    // The screen plays the camera's flight to the monument and the play widgets leaving for the
    // puzzle screen and coming back; other animations are done at once.
    void PlayScreenAnimation(const std::string& name) override;
    bool ScreenAnimationDone(const std::string& name) const override;

    // ---- IAutoPlayTarget ----
    // The board of the sublevel; the automatic player asks only while one is played.
    TField& Field() const override;
    bool AcceptsMove() const override;
    bool MessageShown() const override { return FPaused || ModalDialogOpen(); }
    bool ShuffleReady() const override;
    void PressShuffle() override { ShuffleClick(); }
    // Through the widget manager, as the mouse would give it.
    void ClickAt(int x, int y) override;

    bool Paused() const { return FPaused; }
    bool IntroRunning() const { return FIntroRunning; }
    bool HurryUpShown() const { return FHurryUpShown; }
    int CurrentIntfTip() const { return FCurrentIntfTip; }
    double BonusReadyCooldown() const { return FBonusReadyCooldown; }
    // How often the bonus-ready hint has started since the screen was built.
    int BonusReadyStarts() const { return FBonusReadyStarts; }
    const IGAnimotion* NoMovesAni() const { return FNoMovesAni.get(); }
    const IGAnimotion* HurryUpAni() const { return FHurryUpAni.get(); }
    size_t BackAnimationCount() const { return FBackAnis.size(); }

private:
    struct TBackAni {
        PGAnimotion Animotion;
        bool BackgroundColor = false;
    };

    IGameScreenHost& GetHost() const;
    TGWidget& Named(const std::string& name) const;
    void WireEvents();
    void WireLossDialogKeys(const std::string& name);
    void StartIntro();
    void StepIntro();
    void EndIntro();
    void StartCameraFlight();
    void StepCameraFlight();
    void DrawCameraBlur();
    void StepHurryUp();
    void StepBars();
    void StepBonusReady();
    void StepCounters();
    void StepNoMoves();
    void StepInterfaceTip();
    int IntfTipUnderPointer() const;
    void ShowIntfTip(int index);
    void StepBackAnimations();
    void StartBackAnimation(size_t index);
    bool BonusStateQueued() const;
    // Everything a shuffle waits for, but the full bar.
    bool ShuffleAllowed() const;
    PGAnimotion GameAnimotion(const char* element) const;

    // Runs `draw`, which places things in screen coordinates, moved by as much as `place` stands
    // away from where it was built: a show or hide effect draws the widget elsewhere, into a
    // picture of its own, and the board or the gauges must come along.
    void DrawFollowing(const TGWidget& place, const std::pair<double, double>& home,
                       const std::function<void()>& draw);
    void DrawPanelInfo();
    void DrawField();
    void DrawTimeLine();
    void DrawAfterWorkZone();
    void DrawStateQueue();
    void DrawBackground();
    void DrawAnnouncements();

    // Where "FieldWidget" and "PanelInfoImage" stand on the screen as built.
    std::pair<double, double> FFieldHome;
    std::pair<double, double> FPanelHome;
    bool FPaused = false;
    bool FIntroRunning = false;
    double FIntroTime = 0.0;
    void DissolvePlayWidgets(bool show);
    bool PlayWidgetsDissolving() const;

    bool FCameraFlight = false;
    double FCameraFlightTime = 0.0;
    bool FHurryUpShown = false;
    PGAnimotion FHurryUpAni;
    PGAnimotion FBonusReadyAni;
    PGAnimotion FNoMovesAni;
    PGAnimotion FAddLifeAni;
    PGAnimotion FMultiplierOutAni;
    double FBonusReadyCooldown = BonusReadyPause;
    int FBonusReadyStarts = 0;
    // The selected kind last refused, so that a refusal is reported once.
    int FRefusedBonusKind = -1;
    int FCurrentIntfTip = -1;
    PGXMLCollection FIntfTips;
    PGXMLCollection FBackAniElements;
    TBackAniSchedule FBackAniSchedule;
    std::vector<TBackAni> FBackAnis;
    // What each dialog's OK runs, by dialog name.
    std::map<std::string, std::function<void()>> FDialogOk;
};

void RegisterGameScreenClasses();

// The widgets of the screen "GameScreen" that its code looks up by name.
const std::vector<std::string>& GameScreenWidgetNames();
// The pictures the screen's own art is made of: panel, frame, plates, buttons, banners.
std::vector<std::string> GameScreenSequenceNames();

} // namespace qm
