#pragma once

// A player for tests and long runs: whenever the board waits for a move it weighs every move the
// field's own move search finds (and every swap of a special), picks one of the best and plays it
// as two clicks, a short think apart, through the screen's mouse input as a person would. With
// no move left it leaves the board to the out-of-moves clearing, or presses shuffle once the
// shuffle bar is full.

#include <cstdint>
#include <vector>

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

// A swap the player may make and what it is worth to it.
struct TAutoMove {
    TCell* A = nullptr;
    TCell* B = nullptr;
    double Worth = 0.0;
};

// Every move on the board with its worth: the brick layers its lines break count most, then the
// boxes it brings down, swaps of specials, lines of four and five, and moves that empty cells
// below layers still standing or low on the board, whose falls stir more of it.
std::vector<TAutoMove> WeighMoves(TField& field);

class TAutoPlayer {
public:
    // Seconds of game time between seeing a board and each of the two clicks.
    static constexpr double MinThink = 0.15;
    static constexpr double MaxThink = 0.45;
    // Moves worth this much less than the best are still among the best.
    static constexpr double WorthSlack = 0.5;

    // Its own generator, so that its pauses and choices leave the game's random numbers alone:
    // the same seed plays the same game.
    TAutoPlayer(IAutoPlayTarget& target, uint32_t seed);

    // Once a frame, before the screen's update; `seconds` is the game clock's step.
    void Step(double seconds);

    int MovesPlayed() const { return FMoves; }
    int Shuffles() const { return FShuffles; }

private:
    uint32_t NextRandom();
    double Think();
    void PlanMove();
    const TAutoMove* ChooseMove(const std::vector<TAutoMove>& moves);

    IAutoPlayTarget& FTarget;
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
