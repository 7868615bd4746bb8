#include "UIceScene.h"

#include "UGFont.h"
#include "UGResManager.h"
#include "UGSprite.h"
#include "UGameData.h"

#include <cstdlib>
#include <string>

namespace qm {

namespace {

constexpr int Columns = 10;
constexpr int StartColumn = 4;
constexpr double CellSize = 48.0;
constexpr double RowLeft = 100.0;
// The frozen time bar stands where the play screen has it, right of the board.
constexpr double BarLeft = 735.0;
constexpr double BarTop = 110.0;
constexpr double BarWidth = 46.0;
constexpr double BarHeight = 374.0;
constexpr double FreezeSeconds = 4.0;

} // namespace

TIceScene::TIceScene(TGameData& data) : FData(data), FEnv(TParticleEnv::Of(data)) {
    FData.ResManager->SetResourceSet(ResourceSetName);
    // A row of ten cells is frozen at 0.7 of the pace of a short one, as in play.
    const double speed = 0.7;
    FRows.push_back({150.0, 0.1 * speed, 0.9 * speed, 0.1 * speed, {}});
    FRows.push_back({330.0, 0.3, 2.5, 0.3, {}});
}

TIceScene::~TIceScene() = default;

void TIceScene::FreezeRow(TRow& row) {
    row.Frost.clear();
    for (int col = 0; col < Columns; ++col) {
        const int distance = std::abs(col - StartColumn);
        const double stay = row.StayTime - distance * row.StayTime / 9;
        row.Frost.push_back(
            std::make_unique<TCellIce>(FEnv, TGPointD{RowLeft + col * CellSize + 25, row.Top + 25},
                                       stay > 0 ? stay : 0.0, distance * row.StepDelay, row.BallDelay, 35));
    }
}

void TIceScene::DrawCells(const TRow& row) {
    TGResManager& art = *FData.ResManager;
    for (int col = 0; col < Columns; ++col) {
        const double x = RowLeft + col * CellSize;
        FData.Device->FillRect({x + 1, row.Top + 1}, {x + CellSize - 1, row.Top + CellSize - 1},
                               col % 2 ? 0xFF2A3A52u : 0xFF24334Au);
        art.GetSeq("elements/Marble" + std::to_string(1 + col % 8))
            .GetSprite(0)
            .DrawAt(0xFFFFFFFFu, bmDefault, x, row.Top);
    }
}

void TIceScene::DrawTimeBar() {
    TGGraphicsDevice& device = *FData.Device;
    device.FillRect({BarLeft - 4, BarTop - 4}, {BarLeft + BarWidth + 4, BarTop + BarHeight + 4}, 0xFF6B5330u);
    device.FillRect({BarLeft, BarTop}, {BarLeft + BarWidth, BarTop + BarHeight}, 0xFF141C2Au);
    device.FillRect({BarLeft + 6, BarTop + 120}, {BarLeft + BarWidth - 6, BarTop + BarHeight - 6},
                    0xFF2E8C8Cu);
    FBarTime += FData.GameClock->Step;
    if (!FBarIce || (FBarIce->Finished && FBarTime > FreezeSeconds + 3)) {
        FBarIce = std::make_unique<TTimeBarIce>(FEnv, FreezeSeconds);
        FBarTime = 0.0;
        FBarExtended = false;
    }
    // Halfway, the freeze is extended by two seconds.
    if (!FBarExtended && FBarTime >= FreezeSeconds / 2) {
        FBarExtended = true;
        FBarIce->SetDuration(FreezeSeconds / 2 + 2);
    }
    // The frost stands where it does over the play screen's bar; this bar is drawn under it.
    FBarIce->Draw(TTimeBarIce::BarX, TTimeBarIce::BarY);
}

void TIceScene::Draw() {
    TGGraphicsDevice& device = *FData.Device;
    device.FillRect({0, 0}, {800, 600}, 0xFF1B2638u);
    TGFont& label = FData.ResManager->GetFont("SysFont");
    label.DrawString("A frozen row of ten cells, at the pace of play", 0xFFF7EEDBu, RowLeft,
                     FRows[0].Top - 24);
    label.DrawString("The same, slowly: grow, stay, shatter, melt", 0xFFF7EEDBu, RowLeft, FRows[1].Top - 24);
    label.DrawString("Frozen time bar", 0xFFF7EEDBu, 640, 70);
    for (TRow& row : FRows) {
        DrawCells(row);
    }
    for (TRow& row : FRows) {
        bool finished = true;
        for (const auto& frost : row.Frost) {
            finished = finished && frost->Finished;
        }
        if (finished) {
            FreezeRow(row);
        }
        for (const auto& frost : row.Frost) {
            frost->Draw();
        }
    }
    DrawTimeBar();
}

} // namespace qm
