#pragma once

// A player for tests and long runs: whenever the board waits for a move it finds one with the
// field's own move search and plays it as two clicks, a short think apart, through the scene's
// mouse input as a person would. With no move left it leaves the board to the out-of-moves
// clearing, or presses shuffle once the shuffle bar is full.

#include <cstdint>

namespace qm {

class TCell;
class TSublevelScene;

class TAutoPlayer {
public:
    // Seconds of game time between seeing a board and each of the two clicks.
    static constexpr double MinThink = 0.15;
    static constexpr double MaxThink = 0.45;

    // Its own generator, so that its pauses leave the game's random numbers alone.
    TAutoPlayer(TSublevelScene& scene, uint32_t seed);

    // Once a frame, before the scene's update; `seconds` is the game clock's step.
    void Step(double seconds);

    int MovesPlayed() const { return FMoves; }
    int Shuffles() const { return FShuffles; }

private:
    double Think();
    void PlanMove();
    bool FindSpecialMove(TCell*& a, TCell*& b) const;

    TSublevelScene& FScene;
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
