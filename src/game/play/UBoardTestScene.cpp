#include "UBoardTestScene.h"

#include "UGFont.h"
#include "UGKeys.h"
#include "UGRandom.h"
#include "UGStrings.h"
#include "UGameData.h"
#include "ULevels.h"
#include "UParticleSystem.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

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

std::vector<TTestSublevel> LoadLevelOneSublevels(const IGXMLNode& gameConfig) {
    std::vector<TTestSublevel> result;
    PGXMLCollection levels = gameConfig.GetCollection("Level");
    if (levels->Count() > 0) {
        PGXMLCollection sublevels = levels->GetItem(0)->GetCollection("SubLevel");
        for (size_t i = 0; i < sublevels->Count(); ++i) {
            PGXMLNode sublevel = sublevels->GetItem(i);
            PGXMLCollection fields = sublevel->GetCollection("Field");
            if (fields->Count() == 0) {
                continue;
            }
            result.push_back({fields->GetItem(0)->GetText(), sublevel->GetStringDef("Marbles", "123456"),
                              sublevel->GetFloatDef("TimeLimit", 240.0)});
        }
    }
    if (result.empty()) {
        result.push_back({FallbackField, "123456", 240.0});
    }
    return result;
}

// ---- TGameDataPlayHost ----

TGameDataPlayHost::TGameDataPlayHost(TGameData& data) : FData(data) {
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

// ---- TGameDataBarHost ----

TGameDataBarHost::TGameDataBarHost(TGameData& data, TGameDataPlayHost& play) : FData(data), FPlay(play) {}

const TGameEnvironment& TGameDataBarHost::Env() const {
    return *FData.Environment;
}

TGTimer& TGameDataBarHost::GameClock() {
    return *FData.GameClock;
}

TGResManager* TGameDataBarHost::ResManager() {
    return FData.ResManager.get();
}

TGGraphicsDevice* TGameDataBarHost::Device() {
    return FData.Device.get();
}

void TGameDataBarHost::PlaySound(const std::string& name) {
    FData.SoundEngine->PlaySound(name);
}

// ---- TBoardTestScene ----

TBoardTestScene::TBoardTestScene(TGameData& data)
    : FData(data), FHost(data), FBarHost(data, FHost), FTimeBar(FBarHost), FBrickBar(FBarHost),
      FShuffleBar(FBarHost), FBonusBar(FBarHost) {
    FData.ResManager->SetResourceSet(ResourceSetName);
    FHost.BrickBar = &FBrickBar;
    FHost.ShuffleBar = &FShuffleBar;
    // Without the work zone's workers, one brick in four breaks and every brick counts as delivered.
    FHost.ThrowBrick = [this](int x, int y) {
        FBricks.push_back(std::make_unique<TBrick>(FBarHost, Random(4) != 0, x, y));
        FBonusBar.Add(BonusBarIncForBrick);
    };
    FSublevels = LoadLevelOneSublevels(*FData.GameConfig);
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
    context.Level = 1;
    context.SubLevel = FSublevel + 1;
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
    FBricks.clear();
    FTimeBar.SetTimeLimit(SceneTimeLimit);
}

void TBoardTestScene::Draw() {
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
    font.DrawString(Format("Level 1, sublevel %d of %d", FSublevel + 1, static_cast<int>(FSublevels.size())),
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

// N: the next sublevel. H: the first possible move is played, as a scripted player would; a
// board without moves starts again.
void TBoardTestScene::KeyDown(int key) {
    if (key == 'N') {
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
    case TPhase::Swapping:
        if (!FSwapA->Element->IsIdle() || !FSwapB->Element->IsIdle()) {
            break;
        }
        if (FField->FindMatches(false, false)) {
            FPhase = TPhase::Settling;
        } else {
            FSwapA->Element->SwapMove(FField->CellCentre(*FSwapA), FField->CellCentre(*FSwapB));
            FSwapB->Element->SwapMove(FField->CellCentre(*FSwapB), FField->CellCentre(*FSwapA));
            std::swap(FSwapA->Element, FSwapB->Element);
            FPhase = TPhase::SwappingBack;
        }
        break;
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
    std::printf("board: sublevel %d score %d boxes %d layers %s\n", FSublevel + 1, FHost.Score,
                FHost.BoxesCollected, FField->LayersCleared() ? "cleared" : "left");
    std::fflush(stdout);
}

} // namespace qm
