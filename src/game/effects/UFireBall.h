#pragma once

// The balls that cross-fire specials send along a row or a column: each cell on the path is
// struck when the ball reaches it, one DemolitionStepDuration per cell.

#include "UGAnimotion.h"

#include <string>
#include <vector>

namespace qm {

class IPlayHost;
class TCell;
class TField;
class TSimpleElement;

class TFireBall {
public:
    struct TTarget {
        double Time = 0.0;                 // counts down; the cell is struck when it falls below 0
        TCell* Cell = nullptr;             // null once struck
        TSimpleElement* Element = nullptr; // locked at launch
        TCell* Home = nullptr;             // where the element stood at launch
    };

    // Launches at once. The field keeps the ball, steps it with Update and frees it when done.
    TFireBall(TField& field, int source, int range, int dRow, int dCol, TCell& startCell);
    virtual ~TFireBall();
    TFireBall(const TFireBall&) = delete;
    TFireBall& operator=(const TFireBall&) = delete;

    void Update();
    bool IsDone() const;

    int StartRow = 0;
    int StartCol = 0;
    int DRow = 0;
    int DCol = 0;
    int Range = 0;
    std::vector<TTarget> Targets;
    PGAnimotion Animotion;
    int Source = 0;
    // The flight: from the start cell's corner + 25 to the last target's, in this many seconds.
    TGIntPoint From;
    TGIntPoint To;
    double FlightSeconds = 0.0;

protected:
    // Construction calls Launch, so subclasses that draw a sprite pass it in.
    TFireBall(TField& field, int source, int range, int dRow, int dCol, TCell& startCell,
              std::string spriteName);
    void Launch();

    TField& FField;
    std::string FSpriteName;
};

// The fireball of the cross-fire special, with a sprite for each direction.
class TCrossFireBall : public TFireBall {
public:
    TCrossFireBall(TField& field, int source, int range, int dRow, int dCol, TCell& startCell);
    static std::string SpriteNameFor(int dRow, int dCol);
};

} // namespace qm
