#include "UFireBall.h"

#include "UField.h"
#include "UFieldEffect.h"
#include "UGTimer.h"
#include "UGameEnvironment.h"
#include "UPlayHost.h"

#include <cstdlib>

namespace qm {

TFireBall::TFireBall(TField& field, int source, int range, int dRow, int dCol, TCell& startCell)
    : TFireBall(field, source, range, dRow, dCol, startCell, std::string()) {}

TFireBall::TFireBall(TField& field, int source, int range, int dRow, int dCol, TCell& startCell,
                     std::string spriteName)
    : StartRow(startCell.Row), StartCol(startCell.Col), DRow(dRow), DCol(dCol), Range(range), Source(source),
      FField(field), FSpriteName(std::move(spriteName)) {
    Launch();
}

// An element struck by the ball may have died and been freed by the field since; only one that
// still stands where it stood is unlocked.
TFireBall::~TFireBall() {
    for (const TTarget& target : Targets) {
        if (target.Element && target.Home->Element.get() == target.Element) {
            target.Element->Unlock();
        }
    }
}

void TFireBall::Launch() {
    IPlayHost& host = FField.Host();
    const double step = host.Env().DemolitionStepDuration;
    int row = StartRow;
    int col = StartCol;
    for (int n = 1; n <= Range; ++n) {
        const int nextRow = row + DRow;
        const int nextCol = col + DCol;
        if (!FField.InField(nextRow, nextCol)) {
            break;
        }
        TCell& cell = FField.Cell(nextRow, nextCol);
        if (cell.IsHole() || cell.HoldsBox()) {
            break;
        }
        row = nextRow;
        col = nextCol;
        TSimpleElement* element = cell.Element.get();
        if (element) {
            element->Lock();
        }
        Targets.push_back({n * step, &cell, element, &cell});
    }
    const TGIntPoint start = FField.CellToScreen(StartRow, StartCol, false);
    const TGIntPoint end = FField.CellToScreen(row, col, false);
    From = {start.X + 25, start.Y + 25};
    To = {end.X + 25, end.Y + 25};
    FlightSeconds = (std::abs(row - StartRow) + std::abs(col - StartCol)) * step;
    AddFireBallTrail(FField, From, To, FlightSeconds);
    Animotion = std::make_shared<TGAnimotion>(host.ResManager(), &host.GameClock());
    if (FSpriteName.empty()) {
        return;
    }
    TGActiveChannel& ball = Animotion->GetChannel(0);
    ball.SeqId = "specials/2/" + FSpriteName;
    ball.Blending = 2; // Add
    ball.Pivot = pvCenter;
    ball.X = From.X;
    ball.Y = From.Y;
    TGMotionSeg& flight = ball.AddMotionSeg();
    flight.Length = 0.8 * FlightSeconds;
    flight.X.AddKey(1, To.X);
    flight.Y.AddKey(1, To.Y);
}

void TFireBall::Update() {
    const double dt = FField.Host().GameClock().Step;
    for (TTarget& target : Targets) {
        if (!target.Cell) {
            continue;
        }
        target.Time -= dt;
        if (target.Time >= 0.0) {
            continue;
        }
        TCell& cell = *target.Cell;
        target.Cell = nullptr;
        cell.Hit(Source, false);
        if (cell.Element && !cell.Element->IsDying()) {
            cell.Element->Kill(0);
        }
    }
    if (FField.Host().ResManager()) {
        Animotion->Render(true);
    } else {
        Animotion->UpdateByTimer();
    }
}

bool TFireBall::IsDone() const {
    for (const TTarget& target : Targets) {
        if (target.Cell) {
            return false;
        }
    }
    return true;
}

TCrossFireBall::TCrossFireBall(TField& field, int source, int range, int dRow, int dCol, TCell& startCell)
    : TFireBall(field, source, range, dRow, dCol, startCell, SpriteNameFor(dRow, dCol)) {}

std::string TCrossFireBall::SpriteNameFor(int dRow, int dCol) {
    if (dCol < 0) {
        return "SpecialAct1";
    }
    if (dCol > 0) {
        return "SpecialAct2";
    }
    return dRow < 0 ? "SpecialAct3" : "SpecialAct4";
}

} // namespace qm
