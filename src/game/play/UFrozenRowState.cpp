#include "UFrozenRowState.h"

#include "UField.h"
#include "UGTimer.h"
#include "UIce.h"
#include "UPlayHost.h"
#include "USpecials.h"

#include <algorithm>
#include <cstdlib>

namespace qm {

namespace {

constexpr double IceSize = 35;
constexpr double SnowRate = 220;

bool StopsTheRow(const TCell& cell) {
    return cell.IsHole() || cell.HoldsBox();
}

} // namespace

TFrozenRowState::TFrozenRowState(TGameStateQueue& queue, TField& field, int source, int range, int col,
                                 int row)
    : TGameState(queue), Source(source), Range(range), Col(col), Row(row), FField(field) {}

TFrozenRowState::~TFrozenRowState() {
    // Freed without Finalize (the queue cleared): the field must not call back into this state.
    if (FListening) {
        FField.RemoveListener(this);
    }
}

void TFrozenRowState::CollectCells() {
    const int right = std::min(Col + Range, FField.LastCol);
    for (int c = Col; c <= right; ++c) {
        TCell& cell = FField.Cell(Row, c);
        if (StopsTheRow(cell)) {
            if (c == Col) {
                continue;
            }
            break;
        }
        Cells.push_back({&cell, cell.Element.get(), c - Col, nullptr, false});
    }
    const int left = std::max(Col - Range, FField.FirstCol);
    for (int c = Col - 1; c >= left; --c) {
        TCell& cell = FField.Cell(Row, c);
        if (StopsTheRow(cell)) {
            break;
        }
        Cells.push_back({&cell, cell.Element.get(), Col - c, nullptr, false});
    }
}

// The ice forms outward from the start, a tenth of a second (at the row's pace) per cell, and
// every cell within nine of the start breaks at the same moment; the farther ones break as soon
// as their ice has formed.
void TFrozenRowState::StartIce() {
    const TParticleEnv env = FField.Host().ParticleEnv();
    for (TFrozenCell& frozen : Cells) {
        const double start = frozen.Distance * 0.1 * Speed;
        const double stand = std::max(0.0, (0.9 - frozen.Distance / 10.0) * Speed);
        const TGIntPoint corner = FField.CellToScreen(frozen.Cell->Row, frozen.Cell->Col, false);
        frozen.Ice = std::make_unique<TCellIce>(env, TGPointD{corner.X + 25.0, corner.Y + 25.0}, stand, start,
                                                0.1 * Speed, IceSize);
        if (frozen.Element) {
            frozen.Element->Lock();
        }
    }
}

void TFrozenRowState::StartRunner(const char* sequence, int cellsToEnd, const TCell& end) {
    if (cellsToEnd <= 0) {
        return;
    }
    const TGIntPoint startCorner = FField.CellToScreen(Row, Col, false);
    const TGIntPoint endCorner = FField.CellToScreen(end.Row, end.Col, false);
    const TGIntPoint from{startCorner.X + 25, startCorner.Y + 25};
    const TGIntPoint to{endCorner.X + 25, endCorner.Y + 25};
    const double seconds = cellsToEnd * Speed / 6.0;
    FRunners.push_back(FlyingSprite(FField.Host(), sequence, from, to, seconds));
    AddSnowTrail(FField, from, to, seconds, SnowRate);
}

bool TFrozenRowState::Initialize() {
    TGameState::Initialize();
    CollectCells();
    Speed = Cells.size() < 9 ? 1.0 : 0.7;
    StartIce();
    const TCell* leftEnd = nullptr;
    const TCell* rightEnd = nullptr;
    for (const TFrozenCell& frozen : Cells) {
        if (frozen.Cell->Col < Col && (!leftEnd || frozen.Cell->Col < leftEnd->Col)) {
            leftEnd = frozen.Cell;
        }
        if (frozen.Cell->Col > Col && (!rightEnd || frozen.Cell->Col > rightEnd->Col)) {
            rightEnd = frozen.Cell;
        }
    }
    if (leftEnd) {
        StartRunner("specials/1/SpecialAct1", Col - leftEnd->Col, *leftEnd);
    }
    if (rightEnd) {
        StartRunner("specials/1/SpecialAct2", rightEnd->Col - Col, *rightEnd);
    }
    FField.AddListener({this, [this] { DrawAfterCells(); }, nullptr});
    FListening = true;
    return true;
}

void TFrozenRowState::DrawAfterCells() {
    bool allFinished = true;
    for (TFrozenCell& frozen : Cells) {
        frozen.Ice->Draw();
        if (frozen.Ice->IsBroken() && !frozen.Struck) {
            frozen.Struck = true;
            TCell& cell = *frozen.Cell;
            cell.Hit(Source, false);
            // The frost breaks whatever it holds, moving or not.
            if (cell.Element) {
                cell.Element->Kill(0);
            }
        }
        allFinished = allFinished && frozen.Ice->Finished;
    }
    for (const PGAnimotion& runner : FRunners) {
        DrawAnimotion(FField.Host(), *runner);
    }
    if (allFinished && Status() == ssRunning) {
        Finish();
    }
}

// An element struck by the frost may have died and been freed since; only one that still stands
// in its cell is unlocked.
void TFrozenRowState::Unlock() {
    for (const TFrozenCell& frozen : Cells) {
        if (frozen.Element && frozen.Cell->Element.get() == frozen.Element) {
            frozen.Element->Unlock();
        }
    }
}

void TFrozenRowState::Finalize(bool removed) {
    FField.RemoveListener(this);
    FListening = false;
    FField.Host().PushPackState();
    if (!removed) {
        Unlock();
    }
    TGameState::Finalize(removed);
}

} // namespace qm
