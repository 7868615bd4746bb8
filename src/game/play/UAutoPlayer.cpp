#include "UAutoPlayer.h"

#include "UField.h"

#include <algorithm>
#include <utility>

namespace qm {

namespace {

// What one brick layer broken is worth against the other gains of a move.
constexpr double LayerWorth = 10.0;
// A box that comes one cell nearer the ground.
constexpr double BoxStepWorth = 6.0;
// A line of four leaves a special; five or more a stronger one.
constexpr double LineOfFourWorth = 4.0;
constexpr double LineOfFiveWorth = 8.0;
// A special fires whatever it is swapped with; what it strikes is not worked out here.
constexpr double SpecialSwapWorth = 12.0;
// A layered cell at or above an emptied cell in its column gets a new element to break it with.
constexpr double StirWorth = 0.75;
// From the top row to the bottom one, a move grows by this much.
constexpr double DepthWorth = 3.0;

int LayersOf(const TCell& cell) {
    return cell.Kind == ckOneLayer ? 1 : cell.Kind == ckTwoLayers ? 2 : 0;
}

bool IsSpecialCell(const TCell& cell) {
    return dynamic_cast<const TSpecial*>(cell.Element.get()) != nullptr;
}

char ColorAt(const TField& field, int row, int col) {
    if (!field.InField(row, col)) {
        return 0;
    }
    const TCell& cell = field.Cell(row, col);
    const TMarble* marble = !cell.IsHole() ? cell.Marble() : nullptr;
    return marble ? marble->Color : 0;
}

// The cells of the lines of three or more through a cell, along one axis.
void AddLineThrough(const TField& field, const TCell& cell, int dRow, int dCol,
                    std::vector<const TCell*>& cells) {
    const char color = ColorAt(field, cell.Row, cell.Col);
    if (color == 0) {
        return;
    }
    int back = 0;
    while (ColorAt(field, cell.Row - dRow * (back + 1), cell.Col - dCol * (back + 1)) == color) {
        ++back;
    }
    int ahead = 0;
    while (ColorAt(field, cell.Row + dRow * (ahead + 1), cell.Col + dCol * (ahead + 1)) == color) {
        ++ahead;
    }
    if (back + ahead + 1 < 3) {
        return;
    }
    for (int i = -back; i <= ahead; ++i) {
        const TCell* member = &field.Cell(cell.Row + dRow * i, cell.Col + dCol * i);
        if (std::find(cells.begin(), cells.end(), member) == cells.end()) {
            cells.push_back(member);
        }
    }
}

// Boxes standing above a cell in its column: each comes one cell down when the cell empties.
int BoxesAbove(const TField& field, const TCell& cell) {
    int boxes = 0;
    for (int r = cell.Row - 1; r >= field.FirstRow; --r) {
        if (field.Cell(r, cell.Col).HoldsBox()) {
            ++boxes;
        }
    }
    return boxes;
}

// Brick layers left at or above a cell in its column, which the fall after the cell empties
// passes new elements over.
int LayersAbove(const TField& field, const TCell& cell) {
    int layers = 0;
    for (int r = cell.Row - 1; r >= field.FirstRow; --r) {
        layers += LayersOf(field.Cell(r, cell.Col));
    }
    return layers;
}

double DepthOf(const TField& field, const TCell& a, const TCell& b) {
    const int rows = std::max(1, field.LastRow - field.FirstRow);
    return DepthWorth * (std::max(a.Row, b.Row) - field.FirstRow) / rows;
}

// The worth of a swap that makes lines, read from the board with the two elements exchanged.
double LineMoveWorth(TField& field, TCell& a, TCell& b) {
    std::swap(a.Element, b.Element);
    double worth = 0.0;
    for (const TCell* through : {&a, &b}) {
        std::vector<const TCell*> horizontal;
        std::vector<const TCell*> vertical;
        AddLineThrough(field, *through, 0, 1, horizontal);
        AddLineThrough(field, *through, 1, 0, vertical);
        const size_t longest = std::max(horizontal.size(), vertical.size());
        worth += longest >= 5 ? LineOfFiveWorth : longest == 4 ? LineOfFourWorth : 0.0;
        std::vector<const TCell*> cells = horizontal;
        for (const TCell* cell : vertical) {
            if (std::find(cells.begin(), cells.end(), cell) == cells.end()) {
                cells.push_back(cell);
            }
        }
        for (const TCell* cell : cells) {
            worth += LayerWorth * LayersOf(*cell) + BoxStepWorth * BoxesAbove(field, *cell) +
                     StirWorth * std::min(LayersAbove(field, *cell), 2);
        }
    }
    std::swap(a.Element, b.Element);
    return worth + DepthOf(field, a, b);
}

// A special swapped with any neighbour holding an element fires; boxes cannot be moved.
void AddSpecialMoves(TField& field, std::vector<TAutoMove>& moves) {
    for (int r = field.FirstRow; r <= field.LastRow; ++r) {
        for (int c = field.FirstCol; c <= field.LastCol; ++c) {
            TCell& cell = field.Cell(r, c);
            if (cell.IsHole() || !IsSpecialCell(cell)) {
                continue;
            }
            const int steps[4][2] = {{0, 1}, {1, 0}, {0, -1}, {-1, 0}};
            for (const auto& step : steps) {
                const int row = r + step[0];
                const int col = c + step[1];
                if (!field.InField(row, col)) {
                    continue;
                }
                TCell& other = field.Cell(row, col);
                if (!other.IsHole() && other.Element && !other.HoldsBox()) {
                    moves.push_back({&cell, &other, SpecialSwapWorth + DepthOf(field, cell, other)});
                }
            }
        }
    }
}

} // namespace

std::vector<TAutoMove> WeighMoves(TField& field) {
    std::vector<TAutoMove> moves;
    field.ForEachPossibleMove([&](TCell& a, TCell& b) {
        if (!IsSpecialCell(a) && !IsSpecialCell(b)) {
            moves.push_back({&a, &b, LineMoveWorth(field, a, b)});
        }
        return true;
    });
    AddSpecialMoves(field, moves);
    return moves;
}

TAutoPlayer::TAutoPlayer(IAutoPlayTarget& target, uint32_t seed) : FTarget(target), FSeed(seed) {
    FWait = Think();
}

// The game's own generator formula on a seed of the player's.
uint32_t TAutoPlayer::NextRandom() {
    FSeed = FSeed * 134775813u + 1u;
    return FSeed;
}

double TAutoPlayer::Think() {
    const double unit = static_cast<double>(NextRandom()) / 4294967296.0;
    return MinThink + (MaxThink - MinThink) * unit;
}

void TAutoPlayer::Step(double seconds) {
    if (FWait > 0.0) {
        FWait -= seconds;
        return;
    }
    if (FPending) {
        FPending = false;
        // A message over the board would take the click; the move is given up.
        if (FTarget.MessageShown()) {
            return;
        }
        FTarget.ClickAt(FSecondX, FSecondY);
        ++FMoves;
        FWait = Think();
        return;
    }
    if (FTarget.ShuffleReady() && FTarget.AcceptsMove()) {
        TCell* a = nullptr;
        TCell* b = nullptr;
        if (!FTarget.Field().HasPossibleMove(a, b)) {
            FTarget.PressShuffle();
            ++FShuffles;
            FWait = Think();
            return;
        }
    }
    if (FTarget.AcceptsMove()) {
        PlanMove();
    }
}

// One of the moves within the slack of the best, drawn evenly; the order of the list decides
// nothing else.
const TAutoMove* TAutoPlayer::ChooseMove(const std::vector<TAutoMove>& moves) {
    if (moves.empty()) {
        return nullptr;
    }
    double best = moves.front().Worth;
    for (const TAutoMove& move : moves) {
        best = std::max(best, move.Worth);
    }
    std::vector<const TAutoMove*> top;
    for (const TAutoMove& move : moves) {
        if (move.Worth >= best - WorthSlack) {
            top.push_back(&move);
        }
    }
    return top[(NextRandom() >> 8) % top.size()];
}

void TAutoPlayer::PlanMove() {
    TField& field = FTarget.Field();
    const std::vector<TAutoMove> moves = WeighMoves(field);
    const TAutoMove* move = ChooseMove(moves);
    if (!move) {
        return;
    }
    const TGIntPoint first = field.CellCentre(*move->A);
    const TGIntPoint second = field.CellCentre(*move->B);
    FTarget.ClickAt(first.X, first.Y);
    FSecondX = second.X;
    FSecondY = second.Y;
    FPending = true;
    FWait = Think();
}

} // namespace qm
