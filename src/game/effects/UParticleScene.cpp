#include "UParticleScene.h"

#include "UGFont.h"
#include "UGResManager.h"
#include "UGameData.h"

namespace qm {

namespace {

constexpr int Columns = 4;
constexpr double CellWidth = 200.0;
constexpr double CellHeight = 200.0;

// The steered effects travel along the middle of their cell, as a shuffle's sparkles do between
// two swapped cells.
template <typename TFx>
std::unique_ptr<TParticleEffect> Steered(const TParticleEnv& env, double left, double top, double rate) {
    auto fx = std::make_unique<TFx>(env, 2.0, rate);
    fx->AddXKey(0.0, left + 40);
    fx->AddXKey(0.5, left + 100);
    fx->AddXKey(1.0, left + 160);
    fx->AddYKey(0.0, top + 130);
    fx->AddYKey(0.5, top + 70);
    fx->AddYKey(1.0, top + 130);
    return fx;
}

} // namespace

TParticleScene::TParticleScene(TGameData& data) : FData(data), FEnv(TParticleEnv::Of(data)) {
    FData.ResManager->SetResourceSet(ResourceSetName);
    const TParticleEnv env = FEnv;
    AddCell("TElementExplosion", [env](double l, double t) {
        return std::make_unique<TElementExplosion>(env, "elements/Marble1", l + 100, t + 100);
    });
    AddCell("TSpecial3Fx", [env](double l, double t) {
        return std::make_unique<TSpecial3Fx>(env, l + 30, t + 60, l + 170, t + 150, 1.2);
    });
    AddCell("TSingleCellBombFx", [env](double l, double t) {
        return std::make_unique<TSingleCellBombFx>(env, l + 100, t + 120, 0.3);
    });
    AddCell("TFireBallFx", [env](double l, double t) {
        return std::make_unique<TFireBallFx>(env, l + 30, t + 60, l + 160, t + 150, 1.0);
    });
    AddCell("TElementShaking", [env](double l, double t) {
        return std::make_unique<TElementShaking>(env, true, l + 100, t + 100, "elements/Marble3");
    });
    AddCell("TDiagonalFx", [env](double l, double t) {
        return std::make_unique<TDiagonalFx>(env, l + 20, t + 40, l + 180, t + 180, 35, 15, 0.6);
    });
    AddCell("TBombFx",
            [env](double l, double t) { return std::make_unique<TBombFx>(env, l + 100, t + 100); });
    AddCell("TSparklesFx", [env](double l, double t) { return Steered<TSparklesFx>(env, l, t, 60); });
    AddCell("TSnowFx", [env](double l, double t) { return Steered<TSnowFx>(env, l, t, 60); });
    AddCell("TMotesFx", [env](double l, double t) { return Steered<TMotesFx>(env, l, t, 60); });
    AddCell("TBubbleFx",
            [env](double l, double t) { return std::make_unique<TBubbleFx>(env, 5, l + 100, t + 110); });
    // Rockets climb most of the screen: they start from its bottom edge and cross the cells above.
    AddCell("TFireworkFx",
            [env](double l, double) { return std::make_unique<TFireworkFx>(env, l + 100, 600); });
}

TParticleScene::~TParticleScene() = default;

void TParticleScene::AddCell(const std::string& name, TMaker make) {
    const int index = static_cast<int>(FCells.size());
    TCell cell;
    cell.Name = name;
    cell.Make = std::move(make);
    cell.Left = (index % Columns) * CellWidth;
    cell.Top = (index / Columns) * CellHeight;
    FCells.push_back(std::move(cell));
}

void TParticleScene::Draw() {
    TGGraphicsDevice& device = *FData.Device;
    device.FillRect({0, 0}, {800, 600}, 0xFF1B2638);
    TGFont& label = FData.ResManager->GetFont("SysFont");
    for (TCell& cell : FCells) {
        const uint32_t shade =
            ((static_cast<int>(cell.Left / CellWidth) + static_cast<int>(cell.Top / CellHeight)) % 2)
                ? 0xFF212E44
                : 0xFF1B2638;
        device.FillRect({cell.Left, cell.Top}, {cell.Left + CellWidth, cell.Top + CellHeight}, shade);
        label.DrawString(cell.Name, 0xFFF7EEDB, cell.Left + 6, cell.Top + 4);
    }
    for (TCell& cell : FCells) {
        if (!cell.Effect || cell.Effect->IsFinished()) {
            cell.Effect = cell.Make(cell.Left, cell.Top);
        }
        cell.Effect->Update();
    }
}

} // namespace qm
