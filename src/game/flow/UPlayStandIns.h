#pragma once

// The play objects the game manager owns whose full behaviour comes with later screens: the
// secret level's field, time bar and state queue, the monument view, the sky, the work zone and
// the tips. Each offers exactly what the manager and the game screen call today, in the names
// the full objects will keep.

#include "UBrick.h"
#include "UField.h"
#include "UGXMLNode.h"
#include "UGameStateQueue.h"

#include <memory>
#include <string>
#include <vector>

namespace qm {

class IBarHost;
class IPlayHost;

// The field of the secret challenge level. Until the puzzle screen exists it stays empty.
class TSecretLevelField : public TField {
public:
    using TField::TField;
    // Fills the field for the current visit; nothing yet.
    void FillItself() {}
};

// The time limit of the secret level.
class TSCLTimeBar {
public:
    explicit TSCLTimeBar(double timeLimit) : FTimeLimit(timeLimit) {}
    double TimeLimit() const { return FTimeLimit; }

private:
    double FTimeLimit;
};

// The play states of the secret level, run beside the game's own queue.
class TSecretLevelStateQueue : public TGameStateQueue {
public:
    using TGameStateQueue::TGameStateQueue;
};

// The monument of a level as the game screen shows it.
class TConstruction {
public:
    explicit TConstruction(int level) : FLevel(level) {}
    int Level() const { return FLevel; }
    // Every cell of the monument is built.
    bool Complete() const { return FComplete; }
    void SetComplete(bool complete) { FComplete = complete; }

private:
    int FLevel;
    bool FComplete = false;
};

// The sky behind the screens; it takes its description from the node the manager chooses.
class TBackground {
public:
    void Refresh(PGXMLNode sky) {
        FSky = std::move(sky);
        ++FRefreshes;
    }
    const PGXMLNode& Sky() const { return FSky; }
    int Refreshes() const { return FRefreshes; }
    // The puzzle screen pushes the clouds down at once.
    void ShiftClouds(int dy, int dx) {
        FCloudShiftY = dy;
        FCloudShiftX = dx;
    }
    bool CloudsShifted() const { return FCloudShiftY != 0 || FCloudShiftX != 0; }

private:
    PGXMLNode FSky;
    int FRefreshes = 0;
    int FCloudShiftY = 0;
    int FCloudShiftX = 0;
};

// The ground beside the board where bricks land and workers will carry them to the monument.
// Until the workers exist, every brick thrown counts as delivered.
class TWorkZone {
public:
    explicit TWorkZone(IBarHost& host) : FHost(host) {}

    // Throws `count` bricks from (x, y).
    void LaunchBricks(int count, int x, int y);
    // Moves and draws the bricks, deepest last; frees the finished ones.
    void UpdateAndDraw();
    // A new sublevel (or a return from the construction screen): the workers take their places.
    void Repopulate() { ++FRepopulations; }
    // Workers who were leaving go at once.
    void ReleaseDepartingWorkers() {}
    void SublevelEnded(bool /*won*/) {}
    // During the pause the bricks in flight are not seen; those thrown while hidden start hidden.
    void SetBricksInFlightHidden(bool hidden);
    bool BricksInFlightHidden() const { return FFlyingHidden; }
    size_t BricksInFlight() const;
    size_t BrickCount() const { return FBricks.size(); }
    const std::vector<std::unique_ptr<TBrick>>& Bricks() const { return FBricks; }
    int Repopulations() const { return FRepopulations; }

private:
    IBarHost& FHost;
    std::vector<std::unique_ptr<TBrick>> FBricks;
    int FRepopulations = 0;
    bool FFlyingHidden = false;
};

// The tips of the current player.
class TTipManager {
public:
    // The tip on screen goes away.
    void HideTip() { FTipShown = false; }
    // The tip about the monument's marble waits for its moment, once.
    void AddMarvaneTip() { FMarvaneTipWaiting = true; }
    bool MarvaneTipWaiting() const { return FMarvaneTipWaiting; }
    bool TipShown() const { return FTipShown; }

private:
    bool FTipShown = false;
    bool FMarvaneTipWaiting = false;
};

} // namespace qm
