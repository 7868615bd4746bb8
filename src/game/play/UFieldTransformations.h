#pragma once

// The board between two sublevels: the old layout folds away quadrant by quadrant, the next one
// unfolds from the middle, and the new elements drop in. The states run on the main queue,
// pushed by the states that end a sublevel in success or failure.

#include "UGGraphicsDevice.h"
#include "UGameStateQueue.h"
#include "ULevels.h"

#include <array>
#include <string>
#include <vector>

namespace qm {

class TField;

// Where the board goes when a sublevel ends: the level and sublevel it turns into, with the
// layouts of the sublevel that ends and of the one that comes.
struct TBoardChange {
    int Level = 0;
    int SubLevel = 0;
    TCellsStructsArr Current;
    TCellsStructsArr Next;
};

// With `Hide` it only waits for the board to settle, holding back the rotation queued behind it;
// without, it fades the new cell layer in first.
class TShowHideFieldLayerState : public TGameState {
public:
    TShowHideFieldLayerState(TGameStateQueue& queue, bool hide) : TGameState(queue), FHide(hide) {}

    bool Initialize() override;
    void UpdateHelper() override;
    std::string GetName() const override { return "TShowHideFieldLayerState"; }
    bool Hide() const { return FHide; }

private:
    bool FHide;
};

// One block tile of the transformation: it flips through the frames of "elements/Block" while
// it slides in a straight line.
struct TRotateTile {
    TGPointD From;
    TGPointD To;
    // Seconds played of the row's length.
    double Time = 0.0;
    bool Started = false;
    // An outgoing tile that has played out is no longer drawn.
    bool Released = false;
};

struct TRotateLine {
    static constexpr double LengthSeconds = 0.6;
    double Length = LengthSeconds;
    double Delay = 0.0;
    // Played from the first frame to the last; the others play backwards.
    bool Reversed = false;
    std::vector<TRotateTile> Tiles;
};

struct TRotateQuadrant {
    double Delay = 0.0;
    std::vector<TRotateLine> Lines;
};

class TFieldRotateState : public TGameState {
public:
    // Raises "constructor TFieldRotateState.Create" when the two layouts differ in size. Equal
    // layouts (a lost sublevel played again) need no animation: only Finalize runs.
    TFieldRotateState(TGameStateQueue& queue, TBoardChange change);
    ~TFieldRotateState() override;

    bool Initialize() override;
    void UpdateHelper() override;
    void Finalize(bool removed) override;
    void KeyDown(int key, const TGInputState& input) override;
    std::string GetName() const override { return "TFieldRotateState"; }

    int Level() const { return FChange.Level; }
    int SubLevel() const { return FChange.SubLevel; }
    // Variant 1 slides the tiles along the rows, variant 2 along the columns.
    int Variant() const { return FVariant; }
    const std::array<TRotateQuadrant, 4>& Outgoing() const { return FOutgoing; }
    const std::array<TRotateQuadrant, 4>& Incoming() const { return FIncoming; }
    // Seconds of the quadrant delays, top-left, bottom-left, top-right, bottom-right.
    static constexpr std::array<double, 4> QuadrantDelays = {0.0, 1.2, 0.6, 1.0};
    // Fractions of a row's length by which the rows of a quadrant start one after the other.
    static constexpr std::array<double, 5> RowDelayFactors = {0.0, 0.3, 0.5, 0.7, 0.9};

    // Builds the tiles for a field of the layouts' size; false (and nothing built) for a board
    // that cannot be cut into four equal quadrants, which then changes without the animation.
    bool BuildTiles(const TField& field, int variant);

private:
    void BuildSet(const TField& field, bool outgoing);
    TRotateTile MakeTile(const TField& field, int row, int col, bool outgoing) const;
    // Steps one set of quadrants; true while a tile of it still plays.
    bool StepSet(std::array<TRotateQuadrant, 4>& set, bool outgoing, double dt);
    void DrawTiles() const;
    void DrawSet(const std::array<TRotateQuadrant, 4>& set, bool outgoing) const;

    TBoardChange FChange;
    int FVariant = 1;
    bool FListening = false;
    std::array<TRotateQuadrant, 4> FOutgoing;
    std::array<TRotateQuadrant, 4> FIncoming;
};

} // namespace qm
