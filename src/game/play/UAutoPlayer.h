#pragma once

// A player for tests and long runs: whenever the board waits for a move it finds one with the
// field's own move search and plays it as two clicks, a short think apart, through the screen's
// mouse input as a person would. With no move left it leaves the board to the out-of-moves
// clearing, or presses shuffle once the shuffle bar is full.

#include <cstdint>

namespace qm {

class TCell;
class TField;

// What the automatic player needs of a screen that plays a board: the sublevel scene and the
// game screen both offer it.
class IAutoPlayTarget {
public:
    virtual ~IAutoPlayTarget() = default;

    virtual TField& Field() const = 0;
    // The board would take a move now: it rests and nothing else waits for the player.
    virtual bool AcceptsMove() const = 0;
    // A message or dialog over the board, which would take a click meant for the board.
    virtual bool MessageShown() const = 0;
    virtual bool ShuffleReady() const = 0;
    virtual void PressShuffle() = 0;
    // A left click at screen coordinates, as the mouse would give it.
    virtual void ClickAt(int x, int y) = 0;
};

class TAutoPlayer {
public:
    // Seconds of game time between seeing a board and each of the two clicks.
    static constexpr double MinThink = 0.15;
    static constexpr double MaxThink = 0.45;

    // Its own generator, so that its pauses leave the game's random numbers alone.
    TAutoPlayer(IAutoPlayTarget& target, uint32_t seed);

    // Once a frame, before the screen's update; `seconds` is the game clock's step.
    void Step(double seconds);

    int MovesPlayed() const { return FMoves; }
    int Shuffles() const { return FShuffles; }

private:
    double Think();
    void PlanMove();
    bool FindSpecialMove(TCell*& a, TCell*& b) const;

    IAutoPlayTarget& FScene;
    uint32_t FSeed;
    double FWait = 0.0;
    // The cell of the pending second click, in screen pixels; none while FPending is false.
    bool FPending = false;
    int FSecondX = 0;
    int FSecondY = 0;
    int FMoves = 0;
    int FShuffles = 0;
};

} // namespace qm
