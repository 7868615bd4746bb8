#include "UBoardTestScene.h"

#include "UBonusStates.h"
#include "UFrozenRowState.h"
#include "UGConvert.h"
#include "UGFont.h"
#include "UGKeys.h"
#include "UGRandom.h"
#include "UGStrings.h"
#include "UGameData.h"
#include "ULevels.h"
#include "UParticleSystem.h"
#include "USpecials.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace qm {

namespace {

// Played when the game configuration has no level yet.
const char* const FallbackField = "..........\n"
                                  "....@@....\n"
                                  ".^......^.\n"
                                  "..........\n"
                                  "...#..#...\n"
                                  "..........\n"
                                  "..........\n"
                                  ".^......^.\n"
                                  "..........\n"
                                  "..........\n";

// The level's charges until levels carry them: every marble feeds the brick bar, marbles of the
// monument colour feed it more and the shuffle bar too, every brick thrown feeds the bonus bar.
constexpr double BrickIncForOtherMarble = 0.02;
constexpr double BrickIncForMarvaneMarble = 0.03;
constexpr double ShuffleIncForMarvaneMarble = 0.08;
constexpr double BonusBarIncForBrick = 0.12;
constexpr double SceneTimeLimit = 180.0;
// The time bar stands left of the board, its medallion level with the board's top.
constexpr int TimeBarX = 230;
constexpr int TimeBarY = 60;

} // namespace

std::vector<TTestSublevel> LoadCampaignSublevels(const IGXMLNode& gameConfig) {
    std::vector<TTestSublevel> result;
    PGXMLCollection levels = gameConfig.GetCollection("Level");
    std::istringstream quotas(gameConfig.GetStringDef("BoxCountedPass1", ""));
    for (size_t l = 0; l < levels->Count(); ++l) {
        std::string quotaText;
        quotas >> quotaText;
        const int quota = quotaText.empty() ? 3 : static_cast<int>(ParseLeadingInt(quotaText));
        PGXMLCollection sublevels = levels->GetItem(l)->GetCollection("SubLevel");
        for (size_t i = 0; i < sublevels->Count(); ++i) {
            PGXMLNode sublevel = sublevels->GetItem(i);
            PGXMLCollection fields = sublevel->GetCollection("Field");
            if (fields->Count() == 0) {
                continue;
            }
            result.push_back({fields->GetItem(0)->GetText(), sublevel->GetStringDef("Marbles", "123456"),
                              sublevel->GetFloatDef("TimeLimit", 240.0), static_cast<int>(l + 1),
                              static_cast<int>(i + 1), static_cast<int>(sublevels->Count()), quota});
        }
    }
    if (result.empty()) {
        result.push_back({FallbackField, "123456", 240.0, 1, 1, 1, 3});
    }
    return result;
}

std::vector<TTestSublevel> LoadLevelOneSublevels(const IGXMLNode& gameConfig) {
    std::vector<TTestSublevel> result = LoadCampaignSublevels(gameConfig);
    std::erase_if(result, [](const TTestSublevel& sublevel) { return sublevel.Level != 1; });
    if (result.empty()) {
        result.push_back({FallbackField, "123456", 240.0, 1, 1, 1, 3});
    }
    return result;
}

// ---- TGameDataPlayHost ----

TGameDataPlayHost::TGameDataPlayHost(TGameData& data) : FData(data), FLooks(data.GameConfig.get()) {
    Budget = data.Environment->SpecialsForSuperBonus;
}

const TGameEnvironment& TGameDataPlayHost::Env() const {
    return *FData.Environment;
}

TGTimer& TGameDataPlayHost::GameClock() {
    return *FData.GameClock;
}

TGResManager* TGameDataPlayHost::ResManager() {
    return FData.ResManager.get();
}

TGGraphicsDevice* TGameDataPlayHost::Device() {
    return FData.Device.get();
}

TParticleEnv TGameDataPlayHost::ParticleEnv() {
    return TParticleEnv::Of(FData);
}

// The game manager will hold these sounds back when many come at once; this scene plays each.
bool TGameDataPlayHost::PlayComboSound(int comboCount) {
    FData.SoundEngine->PlaySound(ComboSoundName(comboCount));
    return true;
}

void TGameDataPlayHost::PlaySpecialAppearSound(TSpecial& special) {
    FData.SoundEngine->PlaySound(SpecialAppearSoundName(special.Kind()));
}

bool TGameDataPlayHost::FieldEffectQueued() const {
    return Queue && (Queue->HasKindOf<TFrozenRowState>() || Queue->HasKindOf<TPlantedColumnState>());
}

void TGameDataPlayHost::PlayBlastSound(int kind) {
    FData.SoundEngine->PlaySound("Explosion" + std::to_string(SpecialIdOfKind(kind)));
}

void TGameDataPlayHost::MarbleKilled() {
    if (BrickBar) {
        BrickBar->Add(BrickIncForOtherMarble);
    }
}

void TGameDataPlayHost::MarvaneMarbleMatched() {
    if (BrickBar) {
        BrickBar->Add(BrickIncForMarvaneMarble);
    }
    if (ShuffleBar) {
        ShuffleBar->Add(ShuffleIncForMarvaneMarble);
    }
}

void TGameDataPlayHost::SpawnBricksFromCell(TCell& cell) {
    if (ThrowBrick && Field) {
        const TGIntPoint centre = Field->CellCentre(cell);
        ThrowBrick(centre.X, centre.Y);
    }
}

// ---- TBoardBarHost ----

TBoardBarHost::TBoardBarHost(TGameData& data, TGameDataPlayHost& play)
    : TGameDataBarHost(data), FData(data), FPlay(play) {}

void TBoardBarHost::PlaySound(const std::string& name) {
    FData.SoundEngine->PlaySound(name);
}

// ---- TBoardTestScene ----

TBoardTestScene::TBoardTestScene(TGameData& data)
    : FData(data), FHost(data), FBarHost(data, FHost), FTimeBar(FBarHost), FBrickBar(FBarHost),
      FShuffleBar(FBarHost), FBonusBar(FBarHost) {
    FHost.Queue = &FStates;
    FData.ResManager->SetResourceSet(ResourceSetName);
    FHost.BrickBar = &FBrickBar;
    FHost.ShuffleBar = &FShuffleBar;
    // Without the work zone's workers, one brick in four breaks and every brick counts as delivered.
    // The bricks leave the generator as they found it, so that a scripted session plays the same
    // board, and settles its moves as quickly, with them as without them.
    FHost.ThrowBrick = [this](int x, int y) {
        const uint32_t seed = RandSeed;
        FBricks.push_back(std::make_unique<TBrick>(FBarHost, Random(4) != 0, x, y));
        RandSeed = seed;
        FBonusBar.Add(BonusBarIncForBrick);
    };
    FSublevels = LoadCampaignSublevels(*FData.GameConfig);
    StartSublevel(0);
}

TBoardTestScene::~TBoardTestScene() = default;

void TBoardTestScene::StartSublevel(int index) {
    const TGameEnvironment& env = *FData.Environment;
    FSublevel = index % static_cast<int>(FSublevels.size());
    FField = std::make_unique<TField>(FHost, env.FieldRowCount, env.FieldColumnCount,
                                      FData.GameConfig->GetInt("FieldX"), FData.GameConfig->GetInt("FieldY"));
    FHost.Field = FField.get();
    const TTestSublevel& sublevel = FSublevels[static_cast<size_t>(FSublevel)];
    TSublevelParseContext context;
    context.Level = sublevel.Level;
    context.SubLevel = sublevel.Number;
    // The monument level whose brick cells all carry two layers.
    context.TwoLayerCells = sublevel.Level == 8;
    context.ScreenName = SceneName;
    FField->ApplyCellRecords(
        LoadSublevelText(sublevel.Text, env.FieldRowCount, env.FieldColumnCount, context));
    FField->MarbleSet = sublevel.Marbles;
    FField->Refill(true);
    // The first fill drops in before the player may move.
    FPhase = TPhase::Settling;
    FSelected = nullptr;
    FSwapA = nullptr;
    FSwapB = nullptr;
    FHost.BoxesCollected = 0;
    FHost.Quota = sublevel.Quota;
    FStates.Clear();
    FPlaced.clear();
    FBricks.clear();
    FTimeBar.SetTimeLimit(SceneTimeLimit);
}

void TBoardTestScene::Draw() {
    FStates.Update();
    if (FHost.PackRequested) {
        FHost.PackRequested = false;
        FPhase = TPhase::Settling;
    }
    Step();
    FData.Device->FillRect({0, 0}, {800, 600}, 0xFF1B2638);
    FField->Draw();
    FField->UpdateFireBalls();
    DrawBars();
    DrawStatus();
}

// What the game screen will do every frame: the bars step with no charge and are drawn; here a
// full brick bar hands its brick over at once and a ready bonus is spent at once.
void TBoardTestScene::DrawBars() {
    FTimeBar.Step(0.0);
    FBrickBar.Add(0.0);
    FShuffleBar.Add(0.0);
    FBonusBar.Add(0.0);
    FTimeBar.UpdateAndDraw(TimeBarX, TimeBarY);
    FBrickBar.UpdateAndDraw();
    FShuffleBar.UpdateAndDraw();
    FBonusBar.UpdateAndDraw();
    if (FBrickBar.IsFull()) {
        FBrickBar.Collect();
    }
    if (FBonusBar.Total() >= TBonusBar::ReadyAt) {
        FBonusBar.ResetBar();
    }
    std::stable_sort(FBricks.begin(), FBricks.end(),
                     [](const auto& a, const auto& b) { return a->Depth() < b->Depth(); });
    for (const auto& brick : FBricks) {
        brick->UpdateAndDraw();
    }
    std::erase_if(FBricks, [](const auto& brick) { return brick->State() == TBrick::Finished; });
}

void TBoardTestScene::DrawStatus() {
    if (!FData.ResManager->HasFont("SysFont")) {
        return;
    }
    TGFont& font = FData.GetFont("SysFont");
    // Above the board, clear of the bars on its left.
    const TTestSublevel& sublevel = FSublevels[static_cast<size_t>(FSublevel)];
    font.DrawString(Format("Level %d, sublevel %d of %d", sublevel.Level, sublevel.Number, sublevel.Count),
                    0xFFF7EEDB, 300, 10);
    font.DrawString(Format("Score %d", FHost.Score), 0xFFF2C14E, 300, 32);
    font.DrawString(Format("Boxes %d of %d", FHost.BoxesCollected, FHost.Quota), 0xFFF2C14E, 520, 10);
    font.DrawString(Field().LayersCleared() ? "Layers cleared" : "Layers left", 0xFF9ED9C8, 520, 32);
}

void TBoardTestScene::MouseDown(int x, int y) {
    if (FPhase != TPhase::Waiting) {
        return;
    }
    TCell* cell = FField->CellAt(x, y);
    if (!cell || !cell->Element || cell->Element->IsDying()) {
        return;
    }
    if (FSelected && FSelected != cell &&
        std::abs(FSelected->Row - cell->Row) + std::abs(FSelected->Col - cell->Col) == 1) {
        TCell& first = *FSelected;
        first.Element->Deselect();
        FSelected = nullptr;
        StartSwap(first, *cell);
        return;
    }
    if (FSelected) {
        FSelected->Element->Deselect();
    }
    FSelected = cell;
    cell->Element->Select();
}

void TBoardTestScene::PlaceSpecials() {
    // Kinds 1..15 (9 is the chameleon marble) and the line-freeze, cross-fire and diagonal marbles,
    // spread over the board so that each effect has room.
    const int places[][3] = {{1, 4, 1},  {2, 2, 6},  {3, 7, 7},  {4, 5, 4},  {5, 0, 0},  {6, 0, 2},
                             {7, 0, 4},  {8, 0, 6},  {9, 0, 8},  {10, 9, 0}, {11, 9, 2}, {12, 9, 4},
                             {13, 9, 6}, {14, 9, 8}, {15, 2, 0}, {16, 3, 8}, {17, 6, 1}, {18, 7, 3}};
    FPlaced.clear();
    for (const auto& place : places) {
        const int kind = place[0];
        if (!FField->InField(place[1], place[2])) {
            continue;
        }
        TCell& cell = FField->Cell(place[1], place[2]);
        if (cell.IsHole() || cell.HoldsBox()) {
            continue;
        }
        const TGIntPoint centre = FField->CellCentre(cell);
        if (kind == 9) {
            cell.Element = NewElement<TMarbleWildChameleon>(FHost, centre.X, centre.Y);
        } else if (kind == 16) {
            cell.Element =
                NewElement<TMarbleWithLineFreeze>(FHost, centre.X, centre.Y, FField->RandomMarble());
        } else if (kind == 17) {
            cell.Element =
                NewElement<TMarbleWithCrossFire>(FHost, centre.X, centre.Y, FField->RandomMarble());
        } else if (kind == 18) {
            cell.Element = NewElement<TMarbleWithDiagonal>(FHost, centre.X, centre.Y, FField->RandomMarble());
        } else {
            cell.Element = FHost.CreateSpecial(kind, centre.X, centre.Y);
        }
        FPlaced.push_back(kind);
    }
}

// A special swapped is always a move: it fires where it landed.
bool TBoardTestScene::FireSwappedSpecials() {
    bool fired = false;
    for (TCell* cell : {FSwapA, FSwapB}) {
        if (dynamic_cast<TSpecial*>(cell->Element.get()) && !cell->Element->IsDying()) {
            cell->Element->Kill(0);
            fired = true;
        }
    }
    return fired;
}

namespace {

// 1..15: the special of that kind (9 the chameleon); 16..18: the marbles with an effect.
bool IsPlacedKind(const TSimpleElement& element, int kind) {
    if (const auto* special = dynamic_cast<const TSpecial*>(&element)) {
        return special->Kind() == kind;
    }
    switch (kind) {
    case 9:
        return dynamic_cast<const TMarbleWildChameleon*>(&element) != nullptr;
    case 16:
        return dynamic_cast<const TMarbleWithLineFreeze*>(&element) != nullptr;
    case 17:
        return dynamic_cast<const TMarbleWithCrossFire*>(&element) != nullptr;
    case 18:
        return dynamic_cast<const TMarbleWithDiagonal*>(&element) != nullptr;
    default:
        return false;
    }
}

} // namespace

// In the order placed: the line freeze, the cross fire, the super bonus, the diagonal, then the
// rest. Each is looked for wherever it has fallen; one already gone (a chain took it) is skipped.
void TBoardTestScene::FireNextSpecial() {
    if (FPhase == TPhase::Swapping || FPhase == TPhase::SwappingBack) {
        return;
    }
    while (!FPlaced.empty()) {
        const int kind = FPlaced.front();
        FPlaced.erase(FPlaced.begin());
        for (int r = 0; r < FField->RowCount; ++r) {
            for (int c = 0; c < FField->ColCount; ++c) {
                TSimpleElement* element = FField->Cell(r, c).Element.get();
                if (element && !element->IsDying() && IsPlacedKind(*element, kind)) {
                    element->Kill(0);
                    FPhase = TPhase::Settling;
                    return;
                }
            }
        }
    }
}

// N: the next sublevel. H: the first possible move is played, as a scripted player would; a
// board without moves starts again. S and F: specials placed and fired.
void TBoardTestScene::KeyDown(int key) {
    if (key == 'S') {
        PlaceSpecials();
    } else if (key == 'F') {
        FireNextSpecial();
    } else if (key == 'N') {
        StartSublevel(FSublevel + 1);
    } else if (key == 'H' && FPhase == TPhase::Waiting) {
        TCell* a = nullptr;
        TCell* b = nullptr;
        if (FSelected) {
            FSelected->Element->Deselect();
            FSelected = nullptr;
        }
        if (FField->HasPossibleMove(a, b)) {
            StartSwap(*a, *b);
        } else {
            std::printf("board: no move left\n");
            StartSublevel(FSublevel);
        }
    }
}

void TBoardTestScene::StartSwap(TCell& a, TCell& b) {
    FSwapA = &a;
    FSwapB = &b;
    a.Element->SwapMove(FField->CellCentre(a), FField->CellCentre(b));
    b.Element->SwapMove(FField->CellCentre(b), FField->CellCentre(a));
    std::swap(a.Element, b.Element);
    FField->SwapCells[0] = &a;
    FField->SwapCells[1] = &b;
    FField->ComboCount = 0;
    FPhase = TPhase::Swapping;
}

void TBoardTestScene::Step() {
    switch (FPhase) {
    case TPhase::Waiting:
        break;
    case TPhase::Swapping: {
        if (!FSwapA->Element->IsIdle() || !FSwapB->Element->IsIdle()) {
            break;
        }
        const bool specialFired = FireSwappedSpecials();
        if (FField->FindMatches(false, false) || specialFired) {
            FPhase = TPhase::Settling;
        } else {
            FSwapA->Element->SwapMove(FField->CellCentre(*FSwapA), FField->CellCentre(*FSwapB));
            FSwapB->Element->SwapMove(FField->CellCentre(*FSwapB), FField->CellCentre(*FSwapA));
            std::swap(FSwapA->Element, FSwapB->Element);
            FPhase = TPhase::SwappingBack;
        }
        break;
    }
    case TPhase::SwappingBack:
        if (FSwapA->Element->IsIdle() && FSwapB->Element->IsIdle()) {
            FPhase = TPhase::Waiting;
        }
        break;
    case TPhase::Settling:
        Settle();
        break;
    }
}

// One step of what the match, pack and drop states will do: dead elements go, columns fall,
// empty cells refill, new lines break, boxes at the bottom are collected; then the player moves
// again.
void TBoardTestScene::Settle() {
    FField->RemoveDeadElements();
    if (FField->HasDyingElement()) {
        return;
    }
    bool blocked = false;
    FField->PackColumns(blocked);
    if (blocked || !FField->IsStable()) {
        return;
    }
    // New marbles avoid lines here, so that a move settles within seconds; with the four colours
    // of the first sublevels cascades would otherwise run on for a long time.
    if (FField->HasEmptyOrDyingCell()) {
        FField->Refill(true);
        return;
    }
    if (FField->FindMatches(false, false, nullptr, nullptr, true)) {
        return;
    }
    const int before = FHost.BoxesCollected;
    FField->CollectBoxes();
    if (FHost.BoxesCollected != before) {
        return;
    }
    FField->SwapCells[0] = nullptr;
    FField->SwapCells[1] = nullptr;
    FPhase = TPhase::Waiting;
    if (!FSwapA) {
        return;
    }
    // Headless runs read what a move achieved from these lines.
    std::printf("board: sublevel %d score %d boxes %d layers %s\n",
                FSublevels[static_cast<size_t>(FSublevel)].Number, FHost.Score, FHost.BoxesCollected,
                FField->LayersCleared() ? "cleared" : "left");
    std::fflush(stdout);
}

} // namespace qm
