#include "UAutoPlayer.h"

#include "UField.h"

namespace qm {

TAutoPlayer::TAutoPlayer(IAutoPlayTarget& target, uint32_t seed) : FScene(target), FSeed(seed) {
    FWait = Think();
}

// The game's own generator formula on a seed of the player's.
double TAutoPlayer::Think() {
    FSeed = FSeed * 134775813u + 1u;
    const double unit = static_cast<double>(FSeed) / 4294967296.0;
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
        if (FScene.MessageShown()) {
            return;
        }
        FScene.ClickAt(FSecondX, FSecondY);
        ++FMoves;
        FWait = Think();
        return;
    }
    if (FScene.ShuffleReady() && FScene.AcceptsMove()) {
        TCell* a = nullptr;
        TCell* b = nullptr;
        if (!FScene.Field().HasPossibleMove(a, b)) {
            FScene.PressShuffle();
            ++FShuffles;
            FWait = Think();
            return;
        }
    }
    if (FScene.AcceptsMove()) {
        PlanMove();
    }
}

// A special swapped with any neighbour always fires; the move search looks for lines only.
bool TAutoPlayer::FindSpecialMove(TCell*& a, TCell*& b) const {
    TField& field = FScene.Field();
    for (int r = field.FirstRow; r <= field.LastRow; ++r) {
        for (int c = field.FirstCol; c <= field.LastCol; ++c) {
            TCell& cell = field.Cell(r, c);
            if (!dynamic_cast<TSpecial*>(cell.Element.get())) {
                continue;
            }
            const int steps[4][2] = {{0, 1}, {1, 0}, {0, -1}, {-1, 0}};
            for (const auto& step : steps) {
                const int row = r + step[0];
                const int col = c + step[1];
                if (field.InField(row, col) && field.Cell(row, col).Kind > 0 &&
                    field.Cell(row, col).Element) {
                    a = &cell;
                    b = &field.Cell(row, col);
                    return true;
                }
            }
        }
    }
    return false;
}

void TAutoPlayer::PlanMove() {
    TField& field = FScene.Field();
    TCell* a = nullptr;
    TCell* b = nullptr;
    if (!field.HasPossibleMove(a, b) && !FindSpecialMove(a, b)) {
        return;
    }
    const TGIntPoint first = field.CellCentre(*a);
    const TGIntPoint second = field.CellCentre(*b);
    FScene.ClickAt(first.X, first.Y);
    FSecondX = second.X;
    FSecondY = second.Y;
    FPending = true;
    FWait = Think();
}

} // namespace qm
