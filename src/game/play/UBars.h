#pragma once

// The four gauges of the play screen: the time bar (the sublevel's remaining time), the brick bar
// (charged by every removed marble; full gives a brick for the monument), the shuffle bar
// (charged by marbles of the monument colour; full arms the shuffle button) and the bonus bar
// (charged by delivered bricks; full makes the selected extra bonus usable).
//
// Each bar changes state only while it is drawn: UpdateAndDraw first applies the state changes
// and clamps the charge, then draws. Without a resource manager or device (tests) nothing is
// drawn, but the state still advances.

#include "UGAnimotion.h"

#include <memory>
#include <string>

namespace qm {

class TGameEnvironment;
class TGFont;
class TGGraphicsDevice;
class TGResManager;
class TGSequence;
class TGTimer;

// The frost drawn over a frozen time bar.
class ITimeBarIce {
public:
    virtual ~ITimeBarIce() = default;
    // The time the frost stands for; told again when a freeze is extended.
    virtual void SetDuration(double seconds) = 0;
    virtual void Draw(int x, int y) = 0;
};

// What the bars and bricks need from the game. Everything that is not essential has a harmless
// default, so a host writes only what it follows.
class IBarHost {
public:
    virtual ~IBarHost() = default;

    // Engine services. Resource manager and device may be null: then nothing is drawn.
    virtual const TGameEnvironment& Env() const = 0;
    virtual TGTimer& GameClock() = 0;
    virtual TGResManager* ResManager() = 0;
    virtual TGGraphicsDevice* Device() = 0;
    // The sequence of that name, or null when it is not loaded.
    TGSequence* FindSequence(const std::string& name);
    // Frames of a sequence; 0 when it is not loaded.
    virtual int FrameCount(const std::string& name);
    // The font of that name, or null when it is not loaded.
    virtual TGFont* FindFont(const std::string& name);

    // The player.
    virtual void AddScore(int /*points*/) {}
    virtual int Lives() const { return 0; }
    // The number of the level being played (1 is the first).
    virtual int LevelNumber() const { return 1; }
    // Bricks the player got in this sublevel.
    virtual int BricksInSublevel() const { return 0; }

    // The level's attributes.
    // "MaxBricksPerObligatorySubLevel" of the current level.
    virtual int MaxBricksPerObligatorySubLevel() const { return 1000000; }
    // The colour digit of the level's monument marble; '0' when there is none.
    virtual char MarbleOfMarvane() const { return '0'; }

    // The selected extra bonus: its kind (0 none) and the sequences its button shows.
    virtual int SelectedBonusKind() const { return 0; }
    virtual std::string BonusMainSeq(int kind) const;
    virtual std::string BonusGraySeq(int kind) const;
    // The edge drawn on top of the charge; empty when the kind has none.
    virtual std::string BonusFillSeq(int kind) const;
    // "FreezeTime" of the time-line-freeze bonus, in seconds.
    virtual double FreezeTime() const { return 10.0; }
    // Where the double-building-materials icon stands ("SpecialActX", "SpecialActY").
    virtual TGIntPoint DoubleIconPosition() const { return {0, 0}; }

    // The state queue.
    virtual bool BonusStateQueued() const { return false; }
    // A state that ends or leaves the sublevel (complete, fail, field rotation, the flights to the
    // construction and puzzle screens).
    virtual bool EndStateQueued() const { return false; }
    // The game screen's extra-life animation covers the lives counter.
    virtual bool ExtraLifeAnimationShown() const { return false; }

    virtual void PlaySound(const std::string& /*name*/) {}

    // Animotions from the game configuration; null when there is none.
    // The "BrickCollected" animation of the game screen's in-game menu.
    virtual PGAnimotion BrickCollectAnimotion() { return nullptr; }
    // The first "OutAnimotion" of the double-building-materials bonus.
    virtual PGAnimotion DoubleEndAnimotion() { return nullptr; }
    // The first "ShuffleAni" of the first "GamesAni".
    virtual PGAnimotion ShuffleFullAnimotion() { return nullptr; }

    // The frost of a frozen time bar for `seconds`; null draws none.
    virtual std::unique_ptr<ITimeBarIce> CreateTimeBarIce(double /*seconds*/) { return nullptr; }
};

// The nearest integer of H * (1 - total), ties to even: how many rows of a gauge of height H
// are cut from its top.
int GaugeCut(int height, double total);

class TTimeBar {
public:
    enum TState : int { Filling = 0, Running = 1, Draining = 2, Stopped = 3 };

    // Seconds of a full bar left below which the game hurries the player.
    static constexpr double HurryUpSeconds = 60.0;
    // Bars per second: filling, and the slowest drain.
    static constexpr double FillRate = 1.5;
    static constexpr double MinDrainRate = 0.7;

    explicit TTimeBar(IBarHost& host);
    ~TTimeBar();
    TTimeBar(const TTimeBar&) = delete;
    TTimeBar& operator=(const TTimeBar&) = delete;

    // The sublevel's time for a full bar; the bar fills up, then runs.
    void SetTimeLimit(double seconds);
    // One frame's change; `rate` is the draining speed in bars per second (at least 0.7).
    void Step(double rate);
    void UpdateAndDraw(int x, int y);

    void SetPaused(bool paused) { FPaused = paused; }
    bool Paused() const { return FPaused; }
    bool IsStopped() const { return FState == Stopped; }
    bool IsRunningOrStopped() const { return FState == Running || FState == Stopped; }
    int State() const { return FState; }
    double Total() const { return FTotal; }
    double TimeLimit() const { return FTimeLimit; }

    // Empties the bar; with `award` the remaining time becomes points. Nothing when stopped.
    void Drain(bool award);
    void Freeze();
    void FreezeForever();
    bool Frozen() const { return FFrozen; }
    double FreezeLeft() const { return FFreezeLeft; }
    // The thaw animation that plays when a freeze ends; null when none plays.
    IGAnimotion* ThawAnimotion() const { return FThaw.get(); }
    bool IsHurryUp() const;

    void LockLives();
    void UnlockLives() { FLivesLocked = false; }
    int DisplayedLives() const;

    int X() const { return FX; }
    int Y() const { return FY; }

private:
    double Change(double rate, double dt);
    void RunFreeze(double dt);
    void EndFreeze(bool animated);
    void StartThaw();
    void Draw();

    IBarHost& FHost;
    double FTotal = 0.0;
    bool FPaused = false;
    int FState = Stopped;
    bool FAward = false;
    double FTimeLimit = 0.0;
    int FX = 0;
    int FY = 0;
    bool FFrozen = false;
    double FFreezeLeft = 0.0;
    std::unique_ptr<ITimeBarIce> FIce;
    PGAnimotion FThaw;
    bool FLivesLocked = false;
    int FLockedLives = 0;
};

class TBrickBar {
public:
    enum TState : int { Filling = 0, Full = 2 };

    static constexpr double FullAt = 0.98;

    explicit TBrickBar(IBarHost& host);

    void Add(double x);
    bool IsCapped() const;
    void UpdateAndDraw();
    bool IsFull() const { return FState == Full; }
    // The player got the brick of a full bar: it empties and the collect animation plays.
    void Collect();
    void StartDouble(double seconds);
    void EndDouble();
    bool DoubleOn() const { return FDoubleOn; }
    double DoubleTime() const { return FDoubleTime; }
    double Total() const { return FTotal; }
    int State() const { return FState; }

private:
    void Draw();
    void DrawMarbles();

    IBarHost& FHost;
    double FTotal = 0.0;
    int FState = Filling;
    bool FDoubleOn = false;
    double FDoubleTime = 0.0;
    PGAnimotion FCollect;
    bool FCollectRunning = false;
    PGAnimotion FDoubleEnd;
};

class TShuffleBar {
public:
    enum TState : int { Filling = 0, Emptying = 1, Full = 2 };

    // Bars per second while emptying.
    static constexpr double EmptyRate = 3.0;

    explicit TShuffleBar(IBarHost& host);

    void Add(double x);
    void UpdateAndDraw();
    bool IsFull() const { return FState == Full; }
    // The player shuffled: the bar runs empty and then charges again.
    void StartEmpty() { FState = Emptying; }
    int State() const { return FState; }
    double Total() const { return FTotal; }
    // The animation the shuffle button draws once the bar is full; null before.
    IGAnimotion* FullAnimotion() const { return FFull.get(); }

private:
    void Draw();

    IBarHost& FHost;
    double FTotal = 0.0;
    int FState = Filling;
    PGAnimotion FFull;
};

class TBonusBar {
public:
    enum TState : int { Filling = 0, Full = 2 };

    // The bonus button, which the bonus states aim from.
    static constexpr int ButtonX = 43;
    static constexpr int ButtonY = 557;
    static constexpr int ButtonHalfWidth = 50;
    static constexpr int ButtonHalfHeight = 50;
    // The game screen starts the selected bonus from this charge on.
    static constexpr double ReadyAt = 0.99;

    explicit TBonusBar(IBarHost& host);

    void Add(double x);
    void UpdateAndDraw();
    bool IsFull() const { return FState == Full; }
    void ResetBar();
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible) { FVisible = visible; }
    double Total() const { return FTotal; }
    int State() const { return FState; }

private:
    void Draw();

    IBarHost& FHost;
    double FTotal = 0.0;
    int FState = Filling;
    bool FVisible = true;
};

} // namespace qm
