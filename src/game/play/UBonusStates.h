#pragma once

// The player's extra bonuses as game states. When the bonus bar is full, the selected kind's state
// joins the queue: it shows a ready animation on the bonus button and waits. Button bonuses fire
// when the button is clicked; aimed bonuses turn into a cursor on the first click and strike the
// cell clicked next; the phantom bonus runs a short show of its own. Each state ends when its
// effect (or its last allowed use) is over.

#include "UGAnimotion.h"
#include "UGXMLNode.h"
#include "UGameStateQueue.h"
#include "UPlayer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class IPlayHost;
class TCell;
class TSimpleElement;
class TSpecial;
class TChameleonAni;
class TElementShaking;

// An element a bonus holds on to while it works, with the cell it stood in: the bonus touches it
// again only while the cell still holds it, as a strike from elsewhere may have taken it.
struct TBonusTarget {
    TCell* Cell = nullptr;
    TSimpleElement* Element = nullptr;
    // The element when its cell still holds it, else null.
    TSimpleElement* Live() const;
};

// The configuration of a kind: the "Special" child of the game configuration whose "Kind" is
// `kind`; null when there is none.
PGXMLNode BonusNodeOfKind(const IGXMLNode& gameConfig, int kind);

// The sequences every kind is drawn with, as its configuration names them in the kind's folder:
// "MainSeq" on the board and the bonus button, "SelectSeq" selected, "GraySeq" the uncharged
// button, "FillSeq" the edge of the charge (none when empty), and "BonusLight", a glow that loops
// over the special (a full name; none when absent or empty). Read once, as the configuration
// does not change while the game runs; a kind without a node, or a node without one of the
// first four, keeps the folder's usual names ("Special", "SpecialSel", "SpecialGray",
// "SpecialFill").
class TSpecialLooks {
public:
    // Null: every kind keeps the usual names.
    explicit TSpecialLooks(const IGXMLNode* gameConfig);

    // Each raises "GetIdOfKind" for a kind outside 1..15.
    const std::string& Main(int kind) const { return Of(kind).Main; }
    const std::string& Select(int kind) const { return Of(kind).Select; }
    const std::string& Gray(int kind) const { return Of(kind).Gray; }
    const std::string& Fill(int kind) const { return Of(kind).Fill; }
    const std::string& BonusLight(int kind) const { return Of(kind).BonusLight; }

private:
    struct TLook {
        std::string Main, Select, Gray, Fill, BonusLight;
    };
    const TLook& Of(int kind) const;

    std::vector<TLook> FLooks;
};

// Every sequence the bonus states draw besides their configured animations and the specials' own:
// the phantom's definitions and sparkle, the colour change's swatches, the planted column's
// highlight.
std::vector<std::string> BonusSequenceNames();

// The state of a bonus kind, not yet in any queue (TGameStateQueue::Adopt puts it there); null for
// a kind outside 4..15. `node` is the kind's configuration; without one the state has no
// animations and the configured values take their defaults.
std::unique_ptr<TGameState> MakeBonusState(int kind, TGameStateQueue& queue, PGXMLNode node);

// Starts the selected bonus once the bar is full. A kind without a state (a damaged save) starts
// nothing and leaves the bar full, so play goes on; it is reported once on standard error.
class TBonusStarter {
public:
    // True when a state was pushed.
    bool Start(TGameStateQueue& queue, int kind, PGXMLNode node);

private:
    int FReportedKind = -1;
};

// The answers behind the game manager's bonus questions, over a queue.
bool MouseBonusArmedIn(const TGameStateQueue& queue);
bool MouseBonusQueuedIn(const TGameStateQueue& queue);
bool BonusEffectBusyIn(const TGameStateQueue& queue);
// Besides a busy colour change or teleport, the phantom bonus from its click until its marbles
// are changed: the board must not be shuffled under the flights.
bool BonusActivePhaseIn(const TGameStateQueue& queue);
// Armed aimed bonuses are disarmed; the teleport's second stage is taken out, which puts the
// carried element back.
void CancelMouseBonusesIn(TGameStateQueue& queue);
void SetBonusStatesRunningIn(TGameStateQueue& queue, bool running);

class TBonusState : public TGameState {
public:
    TBonusState(TGameStateQueue& queue, PGXMLNode node);
    ~TBonusState() override;

    // Empties the bonus bar and takes the button's place.
    bool Initialize() override;
    void Draw() override;
    bool IsBonusState() const override { return true; }
    std::string GetName() const override { return "TBonusState"; }

    virtual int BonusKind() const = 0;

    bool IsOverButton(int x, int y) const;
    // The ready animation stands on the button: the bonus waits for the player's click there.
    bool ShowsReady() const { return Running && FShowsReady; }
    // Where the kind's flight, started at (x, y), passes over its first stretch: the points at
    // equal steps of time, the first where it starts; empty without a flight.
    std::vector<TGIntPoint> FlightPath(int x, int y) const;
    // The first segment of the flight's first channel; null when it has none.
    static TGSegment* FirstFlightStretch(const PGAnimotion& flight);
    static constexpr int FlightPathPoints = 11;
    static constexpr double FlightSparkles = 60.0;
    // Something reshapes or ends the sublevel: input is ignored.
    bool IsBlocked() const;
    // Anything but an idle, unlocked, living marble or special on a cell of the board (the
    // corner-stone bonuses also take boxes).
    virtual bool IsBadTarget(const TCell& cell) const;
    // The waiting state forgets its selection; `visual` also deselects the element.
    void DropSelection(bool visual);

    // Drawn only while set; the game manager clears it around the end of a sublevel.
    bool Running = true;
    int ButtonX = 0;
    int ButtonY = 0;
    int ButtonHalfWidth = 0;
    int ButtonHalfHeight = 0;

protected:
    IPlayHost& Host() const;
    TField& Board() const;
    double NodeFloat(const char* name, double fallback) const;
    int NodeInt(const char* name, int fallback) const;
    // The first animotion of the node's collection `name`, on the game clock; null without one.
    PGAnimotion LoadAnimotion(const std::string& name) const;
    // The animotion drawn at the button (or wherever it is placed) while running.
    void Show(PGAnimotion animotion, int x, int y);
    void ShowReadyAnimation();
    // A press and a release over the button; true on the release that completes the click.
    void ButtonDown(const TGInputState& input);
    bool ButtonClicked(const TGInputState& input);
    // A button bonus: the click on the button sounds the blast and sends the kind's flight off from
    // the button's centre moved by (dx, dy); true on the click that fired.
    bool LaunchFromButton(const TGInputState& input, bool& fired, int dx, int dy);
    void StartFlightSparkles(int x, int y);
    void PressUnlessFired(const TGInputState& input, bool fired);
    // A fired button bonus, each frame: `act` once, when the flight's first channel is over; the
    // state ends with the flight.
    void StepFlight(bool& applied, const std::function<void()>& act);
    // The seconds of game time since the effect's clock was started.
    void StartEffectClock() { FEffectTime = 0.0; }
    double EffectTime() const { return FEffectTime; }
    void AdvanceEffectClock();
    void PushPack();
    void PushMatch();

    PGXMLNode FNode;
    PGAnimotion FShown;
    // The ready animation is on show (FShown, or a look of the state's own).
    bool FShowsReady = false;
    bool Pressed = false;

private:
    double FEffectTime = 0.0;
};

// ---- button bonuses ----

// A bonus fired by a click on the button: its ready animation waits there, the click sends its
// flight off from the button's centre moved by (LaunchDX, LaunchDY).
class TButtonBonusState : public TBonusState {
public:
    using TBonusState::TBonusState;
    bool Initialize() override;
    void MouseDown(int button, const TGInputState& input) override;
    void MouseUp(int button, const TGInputState& input) override;

    bool Fired = false;

protected:
    virtual int LaunchDX() const { return 0; }
    virtual int LaunchDY() const { return 0; }
};

class TTimeLineFreezeBonusState : public TButtonBonusState {
public:
    using TButtonBonusState::TButtonBonusState;
    void UpdateHelper() override;
    std::string GetName() const override { return "TTimeLineFreezeBonusState"; }
    int BonusKind() const override { return bkTimeLineFreeze; }
};

class TX2BuildingMaterialsBonusState : public TButtonBonusState {
public:
    using TButtonBonusState::TButtonBonusState;
    void UpdateHelper() override;
    std::string GetName() const override { return "TX2BuildingMaterialsBonusState"; }
    int BonusKind() const override { return bkX2BuildingMaterials; }

    bool Applied = false;

protected:
    // The flight starts a little up and left of the button's centre, where its picture sits on
    // the button.
    int LaunchDX() const override { return -13; }
    int LaunchDY() const override { return -32; }
};

class TAddScoresBonusState : public TButtonBonusState {
public:
    using TButtonBonusState::TButtonBonusState;
    void UpdateHelper() override;
    std::string GetName() const override { return "TAddScoresBonusState"; }
    int BonusKind() const override { return bkAddScores; }

    bool Applied = false;
};

// Three marbles, chosen at random, become marbles that carry a line freeze, a cross fire or a
// diagonal strike: whichever of the three the button shows when it is clicked.
class TPhantomBonusState : public TBonusState {
public:
    static constexpr double DefinitionSeconds = 2.0;
    static constexpr double FlightSeconds = 0.6;
    static constexpr int Marbles = 3;

    using TBonusState::TBonusState;
    ~TPhantomBonusState() override;
    bool Initialize() override;
    void UpdateHelper() override;
    void Draw() override;
    void MouseDown(int button, const TGInputState& input) override;
    void MouseUp(int button, const TGInputState& input) override;
    std::string GetName() const override { return "TPhantomBonusState"; }
    int BonusKind() const override { return bkPhantomBonuses; }

    // 1 line freeze, 2 cross fire, 3 diagonal: the one the button shows now.
    int ShowingType() const;
    // Clicked: the chosen marbles are locked and the flights are on their way.
    bool EffectRunning() const { return Type != 0; }
    // The type chosen by the click; 0 before.
    int Type = 0;
    std::vector<TBonusTarget> Targets;

private:
    void ChooseTargets();
    void StartShow(int type);
    void Transform();

    double FShowTime = 0.0;
    int FShownType = 0;
    PGAnimotion FSparkle;
    std::vector<PGAnimotion> FFlights;
};

// ---- aimed bonuses ----

class TMouseBonuseState : public TBonusState {
public:
    using TBonusState::TBonusState;

    bool Initialize() override;
    void UpdateHelper() override;
    void Draw() override;
    void MouseDown(int button, const TGInputState& input) override;
    void MouseUp(int button, const TGInputState& input) override;
    void MouseMove(const TGInputState& input) override;
    std::string GetName() const override { return "TMouseBonuseState"; }

    virtual bool IsArmed() const { return Armed; }
    // Back to the ready animation without using the bonus.
    virtual void Disarm();
    // The effect on the board is running: input waits for it.
    virtual bool EffectRunning() const { return FEffectRunning; }

    static constexpr double ColourFrameScale = 1.3;

    bool Armed = false;
    TCell* TargetCell = nullptr;
    int PointerX = 0;
    int PointerY = 0;
    int MouseDX = 0;
    int MouseDY = 0;
    int Uses = 0;
    PGAnimotion Cursor;

protected:
    virtual void ShowReady();
    virtual void Arm();
    // The click on the target: the bonus acts.
    virtual void Fire(TCell& target) = 0;
    // Each frame while the effect runs; calls UseDone when it is over.
    virtual void StepEffect() {}
    // Drawn over the board while armed (the corner-stone-down highlight, say).
    virtual void DrawArmed() {}
    virtual void PointerMoved() {}
    // The colour the cursor is framed in: ' ' for none.
    virtual char CursorColor() const { return ' '; }
    // The colour of the plain marble under the pointer; ' ' over anything else.
    char ColorUnderPointer() const;
    // The swatch ring of a marble colour ('1'..'8'; nothing for another) centred at (x, y).
    void DrawColourFrame(char color, int x, int y, double alpha);
    void BeginEffect();
    // One use is over: with the small bonus that doubles bombs a second use is allowed.
    void UseDone();
    int AllowedUses() const;
    TSimpleElement* ElementAt(const TCell& cell) const;

    bool FEffectRunning = false;
};

// Aimed bonuses whose effect is left to the state's end (Finalize) or a state it pushes.
class TMouseBonusStateExt : public TMouseBonuseState {
public:
    using TMouseBonuseState::TMouseBonuseState;
    std::string GetName() const override { return "TMouseBonusStateExt"; }

protected:
    // By default the state ends; its Finalize or a pushed state does the work.
    void Fire(TCell& target) override;
};

class TSingleCellBombBonusState : public TMouseBonuseState {
public:
    static constexpr double StrikeDelay = 0.3;
    static constexpr double ShakeSeconds = 0.4;

    using TMouseBonuseState::TMouseBonuseState;
    std::string GetName() const override { return "TSingleCellBombBonusState"; }
    int BonusKind() const override { return bkSingleCellBomb; }

protected:
    void Fire(TCell& target) override;
    void StepEffect() override;

private:
    TCell* FStruck = nullptr;
};

class TBombBonusState : public TMouseBonuseState {
public:
    static constexpr double StrikeDelay = 0.5;
    static constexpr double ShakeSeconds = 0.4;

    using TMouseBonuseState::TMouseBonuseState;
    std::string GetName() const override { return "TBombBonusState"; }
    int BonusKind() const override { return bkBomb; }

    // The 3 x 3 block around a cell, centre first, without the cells outside the field.
    static std::vector<TCell*> BlastCells(TField& field, const TCell& centre);

protected:
    void Fire(TCell& target) override;
    void StepEffect() override;

private:
    TCell* FStruck = nullptr;
};

class TColorBombBonusState : public TMouseBonuseState {
public:
    static constexpr double ShakeSeconds = 0.3;

    using TMouseBonuseState::TMouseBonuseState;
    std::string GetName() const override { return "TColorBombBonusState"; }
    int BonusKind() const override { return bkColorBomb; }
    bool IsBadTarget(const TCell& cell) const override;

    // The colour of the marble under the pointer; ' ' over anything else.
    char Color = ' ';

protected:
    void Fire(TCell& target) override;
    void PointerMoved() override;
    char CursorColor() const override { return Color; }
};

class TColorChangeBonusState : public TMouseBonuseState {
public:
    static constexpr double CycleSeconds = 2.0;
    static constexpr double FadeSeconds = 0.5;
    static constexpr double RecolourDelay = 0.5;
    static constexpr double HoldSeconds = 2.0;

    using TMouseBonuseState::TMouseBonuseState;
    bool Initialize() override;
    void UpdateHelper() override;
    void Draw() override;
    void Finalize(bool removed) override;
    std::string GetName() const override { return "TColorChangeBonusState"; }
    int BonusKind() const override { return bkColorChange; }
    bool IsBadTarget(const TCell& cell) const override;

    // The colour number (1..8) the clicked colour turns into.
    int TargetColor = 1;
    std::vector<TBonusTarget> Changing;
    // How far the swatch of the colour on offer has faded in: 0 at each change, 1 after FadeSeconds.
    double SwatchAlpha() const;

protected:
    void Fire(TCell& target) override;
    void StepEffect() override;
    char CursorColor() const override { return ColorUnderPointer(); }

private:
    void NextColor();
    void Release();

    double FCycleTime = 0.0;
    bool FRecoloured = false;
};

// Plants a column: every element of the column is struck from below, one after the other.
class TCornerStoneDownBonusState : public TMouseBonuseState {
public:
    static constexpr double MoteInterval = 0.1;

    using TMouseBonuseState::TMouseBonuseState;
    std::string GetName() const override { return "TCornerStoneDownBonusState"; }
    int BonusKind() const override { return bkCornerStoneDown; }
    bool IsBadTarget(const TCell& cell) const override;

    // The column highlighted under the pointer; -1 for none.
    int HoverColumn = -1;

protected:
    void Fire(TCell& target) override;
    void DrawArmed() override;
    void PointerMoved() override;

private:
    double FMoteTime = 0.0;
};

// The column struck by the corner-stone-down bonus, bottom first.
class TPlantedColumnState : public TGameState {
public:
    static constexpr uint32_t PlantTint = 0xFF955626;

    TPlantedColumnState(TGameStateQueue& queue, PGXMLNode node, int column);
    ~TPlantedColumnState() override;

    bool Initialize() override;
    void UpdateHelper() override;
    void Finalize(bool removed) override;
    std::string GetName() const override { return "TPlantedColumnState"; }

    int Column = 0;

private:
    struct TPlant {
        TBonusTarget Target;
        double Start = 0.0;
        PGAnimotion Animotion;
        bool Started = false;
    };

    void DrawAfterCells();

    PGXMLNode FNode;
    std::vector<TPlant> FPlants;
    double FTime = 0.0;
    double FBlastedDelay = 0.0;
    double FDoneAt = -1.0;
    bool FListening = false;
};

class TDiagonalBonusState : public TMouseBonusStateExt {
public:
    using TMouseBonusStateExt::TMouseBonusStateExt;
    std::string GetName() const override { return "TDiagonalBonusState"; }
    int BonusKind() const override { return bkDiagonal; }

protected:
    void Fire(TCell& target) override;
};

class TWildChameleonBonusState : public TMouseBonusStateExt {
public:
    using TMouseBonusStateExt::TMouseBonusStateExt;
    ~TWildChameleonBonusState() override;
    void Draw() override;
    void Finalize(bool removed) override;
    std::string GetName() const override { return "TWildChameleonBonusState"; }
    int BonusKind() const override { return bkWildChameleon; }
    bool IsBadTarget(const TCell& cell) const override;

protected:
    // The ready animation is a chameleon on the button.
    void ShowReady() override;
    void Fire(TCell& target) override;

private:
    TCell* FChosen = nullptr;
    std::unique_ptr<TChameleonAni> FReadyLook;
    double FLookTime = 0.0;
};

class TCornerStoneTeleportBonusState : public TMouseBonusStateExt {
public:
    using TMouseBonusStateExt::TMouseBonusStateExt;
    void Finalize(bool removed) override;
    std::string GetName() const override { return "TCornerStoneTeleportBonusState"; }
    int BonusKind() const override { return bkCornerStoneTeleport; }
    bool IsBadTarget(const TCell& cell) const override;

protected:
    void Fire(TCell& target) override;

private:
    TCell* FChosen = nullptr;
};

// The first stage again, armed at once: the player cancelled the second stage.
class TCornerStoneTeleportBonusStateReady : public TCornerStoneTeleportBonusState {
public:
    using TCornerStoneTeleportBonusState::TCornerStoneTeleportBonusState;
    bool Initialize() override;
    std::string GetName() const override { return "TCornerStoneTeleportBonusStateReady"; }
};

// The second stage of the teleport: the lifted element hangs on the pointer until the player
// picks the element that takes the teleport stone's place.
class TCornerStoneTeleportBonusState2 : public TBonusState {
public:
    static constexpr double TurnSeconds = 1.0;

    TCornerStoneTeleportBonusState2(TGameStateQueue& queue, PGXMLNode node,
                                    std::unique_ptr<TSimpleElement> carried, int x, int y);
    ~TCornerStoneTeleportBonusState2() override;

    // The bar was emptied by the first stage; the second takes only the button's place.
    bool Initialize() override;
    void UpdateHelper() override;
    void Draw() override;
    // Taken out from outside: the carried element goes back as a right click would put it.
    void Finalize(bool removed) override;
    void MouseDown(int button, const TGInputState& input) override;
    void MouseUp(int button, const TGInputState& input) override;
    void MouseMove(const TGInputState& input) override;
    std::string GetName() const override { return "TCornerStoneTeleportBonusState2"; }
    int BonusKind() const override { return bkCornerStoneTeleport; }
    bool IsBadTarget(const TCell& cell) const override;

    bool EffectRunning() const { return FEffectRunning; }
    TSimpleElement* Carried() const { return FCarried.get(); }
    // The cell holding the locked teleport stone; null when there is none.
    TCell* FindStone() const;

    TCell* TargetCell = nullptr;
    int PointerX = 0;
    int PointerY = 0;
    int MouseDX = 0;
    int MouseDY = 0;

private:
    // Frees the stone and puts the carried element back in its cell, deselected; false when the
    // field has no stone.
    bool PutBack();
    void Teleport(TCell& target);

    std::unique_ptr<TSimpleElement> FCarried;
    TBonusTarget FStone;
    TBonusTarget FTarget;
    bool FEffectRunning = false;
    PGAnimotion FCarriedLook;
    std::vector<PGAnimotion> FTurns;
    std::vector<std::unique_ptr<TElementShaking>> FShakes;
};

} // namespace qm
