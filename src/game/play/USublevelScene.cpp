#include "USublevelScene.h"

#include "USecretMapStates.h"

#include "UFrozenRowState.h"
#include "UGBassEngine.h"
#include "UGFont.h"
#include "UGGraphicsDevice.h"
#include "UGKeys.h"
#include "UGRandom.h"
#include "UGResManager.h"
#include "UGSprite.h"
#include "UGStrings.h"
#include "UGWidget.h"
#include "UGameData.h"
#include "UIce.h"
#include "ULevels.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace qm {

namespace {

constexpr uint32_t Background = 0xFF1B2638;
// The time bar stands left of the board, its medallion level with the board's top.
constexpr int TimeBarX = 230;
constexpr int TimeBarY = 60;
// Without the work zone's workers every brick thrown counts as delivered.
constexpr double BonusBarIncForBrick = 0.12;
constexpr uint32_t Ground = 0xFF3A3222;
constexpr uint32_t TextLight = 0xFFF7EEDB;
constexpr uint32_t TextGold = 0xFFF2C14E;
// On the parchment of the message's panel.
constexpr uint32_t TextInk = 0xFF2B1E14;

// The first entry of a list of integers separated by white space, some of them in quotes.
int FirstListEntry(const std::string& list, int fallback) {
    std::istringstream words(list);
    std::string word;
    if (!(words >> word)) {
        return fallback;
    }
    word.erase(std::remove(word.begin(), word.end(), '"'), word.end());
    try {
        return std::max(1, std::stoi(word));
    } catch (const std::exception&) {
        return fallback;
    }
}

} // namespace

// ---- TSublevelPlayHost ----

void TSublevelPlayHost::AddScore(int points) {
    FScene.AddScore(points);
}

void TSublevelPlayHost::BoxCollected(int /*x*/, int /*y*/, bool /*secondKind*/) {
    ++FScene.FBoxes;
}

bool TSublevelPlayHost::BoxCountReached() const {
    return FScene.FBoxes >= FScene.FQuota;
}

int TSublevelPlayHost::BoxesCounted() const {
    return FScene.FBoxes;
}

int TSublevelPlayHost::BoxQuota() const {
    return FScene.FQuota;
}

void TSublevelPlayHost::MarvaneMarbleMatched() {
    FScene.FBrickBar->Add(FScene.LevelValue("BrickIncForMarvaneMarble", 0.02));
    FScene.FShuffleBar->Add(FScene.LevelValue("ShuffleIncForMarvaneMarble", 0.04));
}

void TSublevelPlayHost::MarbleKilled() {
    FScene.FBrickBar->Add(FScene.LevelValue("BrickIncForOtherMarble", 0.01));
}

void TSublevelPlayHost::SpawnBricksFromCell(TCell& cell) {
    const int from = static_cast<int>(FScene.LevelValue("BrickCountFrom", 1));
    const int to = std::max(from, static_cast<int>(FScene.LevelValue("BrickCountTo", 2)));
    const int count = from + static_cast<int>(Random(static_cast<uint32_t>(to - from + 1)));
    const TGIntPoint corner = cell.Field().CellToScreen(cell.Row, cell.Col, false);
    FScene.ReleaseBricks(count, corner.X + Env().CellWidth / 2, corner.Y + Env().CellHeight / 2);
}

void TSublevelPlayHost::PushPackState() {
    FScene.FQueue.Push<TPackState>();
}

bool TSublevelPlayHost::SubLevelCompleteQueued() const {
    return FScene.FQueue.HasExact<TSubLevelCompleteState>();
}

void TSublevelPlayHost::ElementStartsFalling(TSimpleElement& element) {
    auto* wait = FScene.FQueue.FindExact<TWaitState>();
    if (wait && wait->FirstCell() && wait->FirstCell()->Element.get() == &element) {
        wait->DropSelection(true);
    }
    element.Deselect();
}

bool TSublevelPlayHost::ScoreMultiplierOn() const {
    return FScene.FScoreMultiplierLeft > 0.0;
}

char TSublevelPlayHost::MarbleOfMarvane() const {
    return static_cast<char>('0' + static_cast<int>(FScene.LevelValue("MarbleOfMarvane", 1)) % 10);
}

// ---- TSublevelScene ----

TSublevelScene::TSublevelScene(TGameData& data) : TSublevelScene(data, {}) {}

TSublevelScene::TSublevelScene(TGameData& data, std::vector<TTestSublevel> sublevels)
    : TGameDataBarHost(data), FData(data), FHost(data, *this), FQueue(this) {
    // Effects that take their time (the frozen row) run as states of this queue.
    FHost.Queue = &FQueue;
    FData.ResManager->SetResourceSet(TBoardTestScene::ResourceSetName);
    LoadLevel();
    if (!sublevels.empty()) {
        FSublevels = std::move(sublevels);
    }
    StartSublevel(0);
}

// Headless runs read how far the game came from these lines: the numbers, then the board.
TSublevelScene::~TSublevelScene() {
    std::printf("sublevel: sublevel %d score %d boxes %d wins %d losses %d\n", FSublevel + 1, FScore, FBoxes,
                FWins, FLosses);
    for (const std::string& row : BoardText()) {
        std::printf("sublevel: row %s\n", row.c_str());
    }
    std::fflush(stdout);
    // The states point into the field; they go first.
    FQueue.Clear();
}

// One character a cell: a marble's colour, "B" a box, "a".."o" a special, "." an empty cell,
// "#" a hole.
std::vector<std::string> TSublevelScene::BoardText() const {
    std::vector<std::string> rows;
    for (int r = 0; r < FField->RowCount; ++r) {
        std::string row;
        for (int c = 0; c < FField->ColCount; ++c) {
            const TCell& cell = FField->Cell(r, c);
            const TSimpleElement* element = cell.Element.get();
            if (cell.IsHole()) {
                row += '#';
            } else if (!element) {
                row += '.';
            } else if (const auto* special = dynamic_cast<const TSpecial*>(element)) {
                row += static_cast<char>('a' + special->Kind() - 1);
            } else if (const auto* marble = dynamic_cast<const TMarble*>(element)) {
                row += marble->Color;
            } else {
                row += 'B';
            }
        }
        rows.push_back(row);
    }
    return rows;
}

TGameData* TSublevelScene::GameData() {
    return &FData;
}

void TSublevelScene::EvictTexturesAfterFrame() {
    FData.TextureEvictionRequested = true;
}

void TSublevelScene::LoadLevel() {
    PGXMLCollection levels = FData.GameConfig->GetCollection("Level");
    if (levels->Count() > 0) {
        FLevel = levels->GetItem(0);
    }
    FSublevels = LoadLevelOneSublevels(*FData.GameConfig);
    FQuota = FirstListEntry(FData.GameConfig->GetStringDef("BoxCountedPass1", ""), FQuota);
}

// A level attribute with a value of our own for a level that does not set it.
double TSublevelScene::LevelValue(const char* name, double fallback) const {
    return FLevel ? FLevel->GetFloatDef(name, fallback) : fallback;
}

void TSublevelScene::StartSublevel(int index) {
    const TGameEnvironment& env = *FData.Environment;
    FQueue.Clear();
    FField = std::make_unique<TField>(FHost, env.FieldRowCount, env.FieldColumnCount,
                                      FData.GameConfig->GetInt("FieldX"), FData.GameConfig->GetInt("FieldY"));
    FHost.Field = FField.get();
    ApplySublevel(index);
    RestartTimeBar();
    FQueue.Push<TWaitState>();
    FQueue.Push<TDropNewElementsState>(true);
}

TCellsStructsArr TSublevelScene::SublevelLayout(int index) const {
    const TGameEnvironment& env = *FData.Environment;
    TSublevelParseContext context;
    context.Level = 1;
    context.SubLevel = index + 1;
    context.ScreenName = SceneName;
    return LoadSublevelText(FSublevels[static_cast<size_t>(index)].Text, env.FieldRowCount,
                            env.FieldColumnCount, context);
}

void TSublevelScene::ApplySublevel(int index) {
    FSublevel = index % static_cast<int>(FSublevels.size());
    FField->ApplyCellRecords(SublevelLayout(FSublevel));
    FField->MarbleSet = FSublevels[static_cast<size_t>(FSublevel)].Marbles;
    IBarHost& bars = *this;
    FBrickBar = std::make_unique<TBrickBar>(bars);
    FShuffleBar = std::make_unique<TShuffleBar>(bars);
    FBonusBar = std::make_unique<TBonusBar>(bars);
    FBoxes = 0;
    FBricksCollected = 0;
}

// The scene's sublevels follow each other in a ring.
bool TSublevelScene::PlanBoardChange(bool won, bool fromFirst, TBoardChange& change) {
    const int count = static_cast<int>(FSublevels.size());
    int next = FSublevel;
    if (won) {
        next = (FSublevel + 1) % count;
    } else if (fromFirst) {
        next = 0;
    }
    change.Level = 1;
    change.SubLevel = next + 1;
    change.Current = SublevelLayout(FSublevel);
    change.Next = SublevelLayout(next);
    return true;
}

void TSublevelScene::SetLevelAndSubLevel(int /*level*/, int subLevel) {
    ApplySublevel(subLevel - 1);
}

void TSublevelScene::RestartTimeBar() {
    IBarHost& bars = *this;
    FTimeBar = std::make_unique<TTimeBar>(bars);
    FTimeBar->SetTimeLimit(FSublevels[static_cast<size_t>(FSublevel)].TimeLimit);
}

// The states draw their celebrations over the board and under the texts.
void TSublevelScene::Draw() {
    RenderBoard();
    Update();
    RenderOverlay();
}

void TSublevelScene::Update() {
    FQueue.Update();
    StepBars();
    StepBonus();
    StepMessage();
}

// The construction flight counts the time into points itself.
void TSublevelScene::StepBars() {
    if (FQueue.HasExact<TGameToConstructionScreenState>()) {
        return;
    }
    FTimeBar->Step(0.0);
    FBrickBar->Add(0.0);
    FShuffleBar->Add(0.0);
    FBonusBar->Add(0.0);
}

// The full bar starts the next kind; button bonuses left alone fire by themselves, so that a scene
// played by the automatic player shows them all, while aimed ones wait for a person.
void TSublevelScene::StepBonus() {
    const double step = GameClock().Step;
    FScoreMultiplierLeft = std::max(0.0, FScoreMultiplierLeft - step);
    if (FQueue.HasKindOf<TBonusState>()) {
        FBonusIdle += step;
        if (FBonusIdle >= IdleBonusSeconds) {
            FireIdleButtonBonus();
        }
        return;
    }
    FBonusIdle = 0.0;
    if (FBonusBar->Total() < TBonusBar::ReadyAt || SublevelEnding(FQueue)) {
        return;
    }
    // The kind the button shows, which a scene of its own may choose.
    const int kind = SelectedBonusKind();
    if (FBonusStarter.Start(FQueue, kind, BonusNodeOfKind(*FData.GameConfig, kind))) {
        FBonusKind = FBonusKind >= LastExtraBonusKind ? FirstExtraBonusKind : FBonusKind + 1;
    }
}

void TSublevelScene::FireIdleButtonBonus() {
    FBonusIdle = 0.0;
    if (MouseBonusQueuedIn(FQueue)) {
        return;
    }
    TGInputState input;
    input.X = TBonusBar::ButtonX;
    input.Y = TBonusBar::ButtonY;
    input.SetButton(0, true);
    FQueue.MouseDown(0, input);
    input.SetButton(0, false);
    FQueue.MouseUp(0, input);
}

void TSublevelScene::RenderBoard() {
    TGGraphicsDevice& device = *FData.Device;
    device.FillRect({0, 0}, {800, 600}, Background);
    device.FillRect({0, Env().BrickGroundY - 6}, {800, 600}, Ground);
    FField->Draw();
    FField->UpdateFireBalls();
    FTimeBar->UpdateAndDraw(TimeBarX, TimeBarY);
    FBrickBar->UpdateAndDraw();
    FShuffleBar->UpdateAndDraw();
    if (FBonusBar->Visible()) {
        FBonusBar->UpdateAndDraw();
    }
    DrawBricks();
    DrawShuffleButton();
}

void TSublevelScene::RenderOverlay() {
    DrawTexts();
}

void TSublevelScene::DrawBricks() {
    std::stable_sort(FBricks.begin(), FBricks.end(),
                     [](const auto& a, const auto& b) { return a->Depth() < b->Depth(); });
    for (const auto& brick : FBricks) {
        brick->UpdateAndDraw();
    }
    FBricks.erase(std::remove_if(FBricks.begin(), FBricks.end(),
                                 [](const auto& brick) { return brick->State() == TBrick::Finished; }),
                  FBricks.end());
}

size_t TSublevelScene::BricksInFlight() const {
    return static_cast<size_t>(std::count_if(
        FBricks.begin(), FBricks.end(), [](const auto& brick) { return brick->State() == TBrick::Flying; }));
}

void TSublevelScene::DrawShuffleButton() {
    const uint32_t colour = ShuffleReady() ? 0xFF3E8E5A : 0xFF3B4252;
    FData.Device->FillRect({ShuffleButtonX, ShuffleButtonY},
                           {ShuffleButtonX + ShuffleButtonWidth, ShuffleButtonY + ShuffleButtonHeight},
                           colour);
    if (FData.ResManager->HasFont("SysFont")) {
        FData.GetFont("SysFont").DrawString("Shuffle", TextLight, ShuffleButtonX + 14, ShuffleButtonY + 4);
    }
}

void TSublevelScene::DrawTexts() {
    if (!FData.ResManager->HasFont("SysFont")) {
        return;
    }
    TGFont& font = FData.GetFont("SysFont");
    // Above the board, clear of the bars.
    font.DrawString(Format("Sublevel %d of %d    Score %d    Lives %d", FSublevel + 1, SublevelCount(),
                           FScore, FTimeBar->DisplayedLives()),
                    TextGold, 300, 6);
    font.DrawString(Format("Boxes %d of %d    Time %d s", FBoxes, FQuota,
                           static_cast<int>(FTimeBar->Total() * FTimeBar->TimeLimit() + 0.5)),
                    TextLight, 300, 30);
    if (!FMessage.empty()) {
        DrawMessage(font);
    }
}

// The message stands on the dialog frame over the middle of the board, the board shaded behind
// it, its title in the title font when there is one.
void TSublevelScene::DrawMessage(TGFont& font) {
    const double left = MessageCentreX - MessageWidth / 2.0;
    const double top = MessageCentreY - MessageHeight / 2.0;
    TGGraphicsDevice& device = *FData.Device;
    const TGIntPoint boardTopLeft = FField->CellToScreen(0, 0, false);
    const TGIntPoint boardEnd = FField->CellToScreen(FField->RowCount, FField->ColCount, false);
    device.FillRect({static_cast<double>(boardTopLeft.X), static_cast<double>(boardTopLeft.Y)},
                    {static_cast<double>(boardEnd.X), static_cast<double>(boardEnd.Y)}, 0x80000000);
    if (FData.ResManager->HasSeq(MessageFrame)) {
        const TGSprite& frame = FData.ResManager->GetSeq(MessageFrame).GetSprite(0);
        frame.DrawTransformed({0.0, 0.0}, {MessageWidth / frame.Width(), MessageHeight / frame.Height()},
                              left, top, 0.0, 0xFFFFFFFF, bmDefault);
    } else {
        device.FillRect({left, top}, {left + MessageWidth, top + MessageHeight}, 0xE0101820);
    }
    TGFont& title = FData.ResManager->HasFont("FontTitles") ? FData.GetFont("FontTitles") : font;
    title.DrawStringEx(FMessage, {TextInk}, left, top + 42, MessageWidth, 1, 1.0, 0.0);
    font.DrawStringEx(FMessageDetail, {TextInk}, left, top + 92, MessageWidth, 1, 1.0, 0.0);
}

// ---- input ----

void TSublevelScene::MouseDown(int x, int y, int button) {
    if (!FMessage.empty()) {
        CloseMessage();
        return;
    }
    if (button == 0 && x >= ShuffleButtonX && x < ShuffleButtonX + ShuffleButtonWidth &&
        y >= ShuffleButtonY && y < ShuffleButtonY + ShuffleButtonHeight) {
        PressShuffle();
        return;
    }
    TGInputState input;
    input.X = x;
    input.Y = y;
    input.SetButton(button, true);
    FQueue.MouseDown(button, input);
}

void TSublevelScene::MouseUp(int x, int y, int button) {
    TGInputState input;
    input.X = x;
    input.Y = y;
    FQueue.MouseUp(button, input);
}

void TSublevelScene::MouseMove(int x, int y, bool leftHeld) {
    TGInputState input;
    input.X = x;
    input.Y = y;
    input.SetButton(0, leftHeld);
    FQueue.MouseMove(input);
}

void TSublevelScene::KeyDown(int key) {
    // The secret challenge's announcement is started by the secret maps of the campaign; F9 shows
    // it here so that it can be watched on a plain board.
    if (key == VK_F9) {
        if (!FQueue.HasExact<TSecretLevelState>()) {
            FQueue.Push<TSecretLevelState>();
        }
        return;
    }
    TGInputState input;
    FQueue.KeyDown(key, input);
}

bool TSublevelScene::AcceptsMove() const {
    auto* wait = FQueue.FindExact<TWaitState>();
    // A bonus waiting on its button, unarmed, leaves the board to the player.
    const size_t bonus = FQueue.HasKindOf<TBonusState>() ? 1 : 0;
    return wait && FQueue.Count() == 1 + bonus && !MouseBonusArmedIn(FQueue) && FMessage.empty() &&
           !wait->IsInputBlocked() && FField->IsStable() && FTimeBar->State() == TTimeBar::Running;
}

bool TSublevelScene::ShuffleReady() const {
    return FShuffleBar->IsFull() && FField->IsStable() && !BoardBusy(FQueue) && !SublevelEnding(FQueue);
}

void TSublevelScene::PressShuffle() {
    if (ShuffleReady()) {
        FQueue.Push<TShuffleState>();
        FShuffleBar->StartEmpty();
    }
}

// ---- the manager's services ----

void TSublevelScene::PlaySound(const std::string& name) {
    FData.SoundEngine->PlaySound(name);
}

void TSublevelScene::PlayTimeToScore() {
    if (!FTimeToScorePlaying) {
        FTimeToScorePlaying = true;
        PlaySound("TimeToScore");
    }
}

void TSublevelScene::StopTimeToScore() {
    FTimeToScorePlaying = false;
}

bool TSublevelScene::BarFull(TBarKind bar) const {
    switch (bar) {
    case TBarKind::Brick:
        return FBrickBar->IsFull();
    case TBarKind::Shuffle:
        return FShuffleBar->IsFull();
    case TBarKind::Bonus:
        return FBonusBar->IsFull();
    }
    return false;
}

void TSublevelScene::AddToBar(TBarKind bar, double amount) {
    switch (bar) {
    case TBarKind::Brick:
        FBrickBar->Add(amount);
        break;
    case TBarKind::Shuffle:
        FShuffleBar->Add(amount);
        break;
    case TBarKind::Bonus:
        FBonusBar->Add(amount);
        break;
    }
}

bool TSublevelScene::IsDeveloperUser() const {
    return FData.IsDeveloperUser();
}

bool TSublevelScene::IsEasterEggUser() const {
    return FData.IsEasterEggUser();
}

void TSublevelScene::RestartLevelAfterGameOver() {
    FLives = StartLives;
    FScore = 0;
}

void TSublevelScene::GoToNextSublevel() {
    ++FWins;
}

void TSublevelScene::RestartSublevel(bool /*fromFirst*/) {
    ++FLosses;
}

void TSublevelScene::ShowDialog(const std::string& name, std::function<void()> onOk) {
    FDialogName = name;
    FMessageOk = std::move(onOk);
    FMessageLeft = MessageSeconds;
    FMessageDetail.clear();
    if (name == TGameToConstructionScreenState::StageCompleteDialog) {
        FMessage = "Sublevel complete!";
    } else if (name == TSubLevelFailState::GameOverDialog) {
        FMessage = "Game over: the level starts again";
    } else {
        FMessage = "Time is up: a life is lost";
    }
}

bool TSublevelScene::IsDialogVisible(const std::string& name) const {
    return !FMessage.empty() && FDialogName == name;
}

void TSublevelScene::HideDialog(const std::string& name) {
    if (FDialogName == name) {
        FMessage.clear();
        FDialogName.clear();
    }
}

void TSublevelScene::ShowStageScore(int points) {
    FMessageDetail = Format("Time left: +%d points", points);
}

// The message closes itself once it has been read, and not before the time left has been counted.
void TSublevelScene::StepMessage() {
    if (FMessage.empty()) {
        return;
    }
    const bool counting =
        FDialogName == TGameToConstructionScreenState::StageCompleteDialog && !FTimeBar->IsStopped();
    if (!counting) {
        FMessageLeft -= FData.GameClock->Step;
    }
    if (FMessageLeft <= 0.0) {
        CloseMessage();
    }
}

void TSublevelScene::CloseMessage() {
    std::function<void()> ok = std::move(FMessageOk);
    FMessageOk = nullptr;
    if (ok) {
        ok();
    }
    FMessage.clear();
    FDialogName.clear();
}

double TSublevelScene::BonusChargePerBrick() const {
    return BonusBarIncForBrick;
}

void TSublevelScene::ReleaseBricks(int count, int x, int y) {
    IBarHost& bars = *this;
    for (int i = 0; i < count; ++i) {
        FBricks.push_back(std::make_unique<TBrick>(bars, true, x, y));
        FBonusBar->Add(BonusChargePerBrick());
    }
}

bool TSublevelScene::IsQueued(TOtherState state) const {
    return OtherStateQueued(FQueue, state);
}

void TSublevelScene::StartColorCellBlast(int x, int y) {
    FQueue.Push<TColorCellBlastState>(static_cast<double>(x), static_cast<double>(y));
}

bool TSublevelScene::EndStateQueued() const {
    return SublevelEnding(FQueue) || FQueue.HasExact<TGameToConstructionScreenState>();
}

} // namespace qm
