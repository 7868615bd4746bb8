#include "UGameManager.h"

#include "UBonusStates.h"
#include "UCampaignSecretMaps.h"
#include "UCoreStates.h"
#include "UElements.h"
#include "UFrozenRowState.h"
#include "UGError.h"
#include "UGEventTrace.h"
#include "UGGraphicsDevice.h"
#include "UGRandom.h"
#include "UGResManager.h"
#include "UGStrings.h"
#include "UGWidgetManager.h"
#include "UGameData.h"
#include "USecretMapStates.h"
#include "USpecials.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace qm {

namespace {

TGameManager* GManager = nullptr;
TGameStateQueue* GQueue = nullptr;
TSecretLevelStateQueue* GSecretQueue = nullptr;

// Below this a limiter's delay counts as run out.
constexpr double LimiterEpsilon = 0.00001;
// The puzzle screen pushes the clouds this far down.
constexpr int PuzzleCloudShift = 300;
constexpr double JingleFadeSeconds = 2.0;
constexpr double ScaryFadeSeconds = 2.0;
constexpr const char* ScaryMusic = "Scary";
const char* const Jingles[] = {"JingleWin", "JingleLost", "JingleSublevelWin"};

// The first child element of that tag, or null.
PGXMLNode FirstChild(const IGXMLNode& node, const char* tag) {
    PGXMLCollection children = node.GetCollection(tag);
    return children->Count() > 0 ? children->GetItem(0) : nullptr;
}

template <typename TSpecialClass> std::unique_ptr<TSpecial> Make(IPlayHost& host, int x, int y) {
    return std::make_unique<TSpecialClass>(host, x, y);
}

} // namespace

std::string LevelSetSuffix(int level) {
    return Format("%02d", level);
}

// ---- TSoundLimiter ----

void TSoundLimiter::Reload() {
    Delay = ConfigDelay;
    Count = ConfigCount;
}

bool TSoundLimiter::Spend() {
    const bool allowed = Count > 0 || Delay <= LimiterEpsilon;
    Count = std::max(0, Count - 1);
    return allowed;
}

void TSoundLimiter::Update(double seconds) {
    if (Count == 0 && Delay > LimiterEpsilon) {
        Delay -= seconds;
    }
    if (Delay <= LimiterEpsilon) {
        Reload();
    }
}

// ---- colour cells ----

int PlaceColorCellsIn(TCellsStructsArr& records, int count, const std::string& marbles) {
    std::vector<TCellStruct*> cells;
    for (int r = 0; r < records.RowCount(); ++r) {
        for (int c = 0; c < records.ColumnCount(); ++c) {
            if (records.At(r, c).LayerCount >= lcOneLayer) {
                cells.push_back(&records.At(r, c));
            }
        }
    }
    std::vector<int32_t> colours;
    for (int32_t colour = 1; colour <= 8; ++colour) {
        if (marbles.find(static_cast<char>('0' + colour)) != std::string::npos) {
            colours.push_back(colour);
        }
    }
    if (cells.empty() || colours.empty() || count <= 0) {
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        TCellStruct& cell = *cells[Random(static_cast<uint32_t>(cells.size()))];
        cell.LayerCount = lcColorCell;
        cell.BoxDropPoint = false;
        cell.Color = colours[Random(static_cast<uint32_t>(colours.size()))];
        cell.Marble = '0';
    }
    return count;
}

// ---- the board's services ----

class TGameManager::TManagerPlayHost : public IPlayHost {
public:
    explicit TManagerPlayHost(TGameManager& manager)
        : FManager(manager), FLooks(manager.FData.GameConfig.get()) {}

    const TGameEnvironment& Env() const override { return FManager.Env(); }
    TGTimer& GameClock() override { return FManager.GameClock(); }
    TGResManager* ResManager() override { return FManager.ResManager(); }
    TGGraphicsDevice* Device() override { return FManager.Device(); }
    int& SuperBonusSpecialBudget() override { return FManager.FData.Players->SuperBonusSpecialBudget; }

    bool PlayComboSound(int comboCount) override { return FManager.PlayComboSound(comboCount); }
    void PlaySpecialAppearSound(TSpecial& special) override { FManager.PlaySpecialAppearSound(special); }
    void PlayBlastSound(int kind) override { FManager.PlayBlastSound(kind); }
    void AddScore(int points) override { FManager.AddScore(points); }
    bool ScoreMultiplierOn() const override { return FManager.Progress().ScoreMultiplierOn; }
    void MarvaneMarbleMatched() override {
        FManager.AddToBar(TBarKind::Brick, FManager.Player().BrickIncForMarvaneMarble());
        FManager.AddToBar(TBarKind::Shuffle, LevelValue("ShuffleIncForMarvaneMarble", 0.0));
    }
    void MarbleKilled() override {
        FManager.AddToBar(TBarKind::Brick, FManager.Player().BrickIncForOtherMarble());
    }
    void ColorCellBlasted(TCell& cell) override {
        FManager.AddToBar(TBarKind::Brick, FManager.Player().BrickIncForColorCell());
        if (const TField* field = FManager.CurrentField()) {
            const TGIntPoint centre = field->CellToScreen(cell.Row, cell.Col, true);
            FManager.StartColorCellBlast(centre.X, centre.Y);
        }
    }
    void SpawnBricksFromCell(TCell& cell) override { FManager.SpawnBricksFromCell(cell); }
    void BoxCollected(int /*x*/, int /*y*/, bool /*secondKind*/) override { FManager.Player().BoxCounted(); }
    void ElementStartsFalling(TSimpleElement& element) override {
        if (FManager.FQueue) {
            auto* wait = FManager.FQueue->FindExact<TWaitState>();
            if (wait && wait->FirstCell() && wait->FirstCell()->Element.get() == &element) {
                wait->DropSelection(true);
            }
        }
        element.Deselect();
    }
    TField* CurrentField() override { return FManager.CurrentField(); }
    TGameStateQueue* StateQueue() override { return FManager.FQueue; }
    bool SubLevelCompleteQueued() const override {
        return FManager.FQueue && FManager.FQueue->HasExact<TSubLevelCompleteState>();
    }
    // A planted column holds its marbles locked until it blasts: packing and shuffling wait for it
    // as they wait for a frozen row.
    bool FieldEffectQueued() const override {
        return FManager.FQueue && (FManager.FQueue->HasKindOf<TFrozenRowState>() ||
                                   FManager.FQueue->HasKindOf<TPlantedColumnState>());
    }
    void PushPackState() override {
        if (FManager.FQueue) {
            FManager.FQueue->Push<TPackState>();
        }
    }
    bool OnPuzzleScreen() const override { return FManager.ScreenState == TScreenState::Puzzle; }
    bool HasSmallBonus(TSmallBonus bonus) const override { return FManager.Player().HasSmallBonus(bonus); }
    bool RandomFlip() const override { return FManager.Progress().RandomFlip; }
    bool BoxCountReached() const override { return FManager.Progress().BoxCountReached; }
    int BoxesCounted() const override { return FManager.Progress().BoxesCounted; }
    int BoxQuota() const override { return FManager.Player().BoxQuota(); }
    char MarbleOfMarvane() const override { return FManager.MarbleOfMarvane(); }
    std::string SpecialMainSeq(int kind) const override { return FLooks.Main(kind); }
    std::string SpecialSelectSeq(int kind) const override { return FLooks.Select(kind); }
    std::string SpecialBonusLight(int kind) const override { return FLooks.BonusLight(kind); }

private:
    double LevelValue(const char* name, double fallback) const {
        PGXMLNode level = FManager.CurrentLevelConfig();
        return level ? level->GetFloatDef(name, fallback) : fallback;
    }

    TGameManager& FManager;
    TSpecialLooks FLooks;
};

// ---- TGameManager ----

TGameManager::TGameManager(TGameData& data)
    : TGameDataBarHost(data), FData(data), FPlayHost(std::make_unique<TManagerPlayHost>(*this)) {
    FData.Players->SetHost(this);
    RecreateField();
    FSecretField = std::make_unique<TSecretLevelField>(
        *FPlayHost, Env().SecretFieldRowCount, Env().SecretFieldColumnCount,
        FData.GameConfig->GetInt("FieldX"), FData.GameConfig->GetInt("FieldY"));
    FSCLTimeBar = std::make_unique<TSCLTimeBar>(0.0);
    RecreateBars();
    RecreateConstruction();
    FBackground = std::make_unique<TBackground>();
    FWorkZone = std::make_unique<TWorkZone>(static_cast<IBarHost&>(*this));
    FSecretMaps = std::make_unique<TCampaignSecretMaps>(*this);
    FTipManager = std::make_unique<TTipManager>();
    RefreshBackground();
    LoadLimiters();
    FSaveTrace = std::getenv(SaveStressVariable) != nullptr;
}

TGameManager::~TGameManager() {
    FData.Players->SetHost(nullptr);
}

void TGameManager::AttachQueues(TGameStateQueue* queue, TSecretLevelStateQueue* secretQueue) {
    FQueue = queue;
    FSecretQueue = secretQueue;
}

IPlayHost& TGameManager::PlayHost() const {
    return *FPlayHost;
}

TGameStateQueue& TGameManager::Queue() const {
    if (!FQueue) {
        throw EGError("TGameManager.Queue", "the game state queue does not exist");
    }
    return *FQueue;
}

TPlayer& TGameManager::Player() const {
    return FData.Players->CurrentPlayer();
}

TPlayerData& TGameManager::Progress() const {
    return Player().ActiveData();
}

void TGameManager::LoadLimiters() {
    const IGXMLNode& config = *FData.GameConfig;
    FBlast.ConfigDelay = config.GetFloat("PlayBlastDelay");
    FBlast.ConfigCount = config.GetInt("BlastCountDelay");
    FCombo.ConfigDelay = config.GetFloat("PlayComboDelay");
    FCombo.ConfigCount = config.GetInt("ComboCountDelay");
    FBlast.Reload();
    FCombo.Reload();
}

// ---- screens ----

void TGameManager::Show(TScreenState state, const std::string& screenName, const std::string& resourceSetName,
                        bool refreshBackground) {
    FTipManager->HideTip();
    ScreenState = state;
    if (refreshBackground) {
        RefreshBackground();
    }
    RequestScreen(screenName, resourceSetName);
}

void TGameManager::ShowLoadingScreen() {
    Show(TScreenState::Loading, "LoadingScreen", "LoadingScreen", false);
}

void TGameManager::ShowMenuScreen(bool keepReturnFlags, bool showHighScores) {
    if (!keepReturnFlags) {
        TPlayerData& progress = Progress();
        progress.ReturnToPuzzle = ScreenState == TScreenState::Puzzle;
        progress.ReturnToBonus = ScreenState == TScreenState::Bonus;
        progress.ReturnToConstruction = ScreenState == TScreenState::Construction;
    }
    MenuShowHighScores = showHighScores;
    Show(TScreenState::Menu, "MenuScreen", "MenuScreen", true);
}

void TGameManager::ShowGameScreen(bool forceNewSublevel) {
    FTipManager->HideTip();
    TPlayer& player = Player();
    // A completed monument is not played again: the map moves the player on first (a program
    // ended between the win and the map comes back to this).
    if (Progress().MonumentComplete && !player.EasterEggMode) {
        ShowMapScreen(player.ReplayMode);
        return;
    }
    const TScreenState previous = ScreenState;
    const bool returning = previous == TScreenState::Construction || previous == TScreenState::Bonus ||
                           previous == TScreenState::Puzzle;
    if (!returning) {
        ScreenState = TScreenState::Game;
        TPlayerData& progress = Progress();
        if (!progress.SublevelInProgress || forceNewSublevel) {
            PrepareLevel(progress.LevelEntered && !forceNewSublevel);
            PrepareSublevel();
        }
        progress.LevelEntered = true;
        if (WorkZoneLive) {
            FWorkZone->ReleaseDepartingWorkers();
        }
        Player().ClearConstructionMoves();
        ScreenState = previous;
    }
    if (player.EasterEggMode && !player.EasterEggBonusShown) {
        player.EasterEggBonusShown = true;
        ShowBonusScreen(2);
        return;
    }
    if (!FData.GameConfig->GetBoolDef("IsInitalGameScreen", false)) {
        TPlayerData& progress = Progress();
        if (progress.ReturnToPuzzle) {
            progress.ReturnToPuzzle = false;
            ShowPuzzleScreen();
            return;
        }
        if (progress.ReturnToBonus) {
            progress.ReturnToBonus = false;
            ShowBonusScreen(2);
            return;
        }
        if (progress.ReturnToConstruction) {
            progress.ReturnToConstruction = false;
            ShowConstructionScreen();
            return;
        }
    }
    ScreenState = TScreenState::Game;
    if (previous != TScreenState::Puzzle || WorkZoneLive) {
        RefreshBackground();
    }
    RequestScreen("GameScreen", "Level" + LevelSetSuffix(Progress().Level));
}

void TGameManager::ShowConstructionScreen() {
    Show(TScreenState::Construction, "ConstructionScreen",
         "ConstructionScreen" + LevelSetSuffix(Progress().Level), true);
}

void TGameManager::ShowBonusScreen(int mode) {
    BonusScreenMode = static_cast<uint8_t>(mode);
    Show(TScreenState::Bonus, "BonusScreen", "BonusScreen", true);
    Player().ClearConstructionMoves();
}

void TGameManager::ShowPuzzleScreen() {
    FTipManager->HideTip();
    ScreenState = TScreenState::Puzzle;
    if (!FBackground->CloudsShifted()) {
        FBackground->ShiftClouds(PuzzleCloudShift, 0);
    }
    RequestScreen("PuzzleScreen", "PuzzleScreen" + LevelSetSuffix(Progress().Level));
}

void TGameManager::ShowMapScreen(bool replay) {
    TPlayer& player = Player();
    if (replay != player.ReplayMode) {
        player.AbandonSublevel();
    }
    player.ReplayMode = replay;
    Show(TScreenState::Map, "MapScreen", "MapScreen" + LevelSetSuffix(Progress().Level), true);
}

void TGameManager::ShowCreditsScreen() {
    BonusScreenMode = static_cast<uint8_t>(ScreenState);
    if (ScreenState == TScreenState::Game) {
        WorkZoneLive = false;
    }
    Show(TScreenState::Credits, "CreditsScreen", "MenuScreen", true);
}

void TGameManager::ShowCongratulationsScreen() {
    Show(TScreenState::Congratulations, "CongratulationsScreen", "CongratulationsScreen", true);
}

void TGameManager::ShowWelcomeScreen(int mode) {
    WelcomeMode = static_cast<uint8_t>(mode);
    Show(TScreenState::Welcome, "WelcomeScreen", "WelcomeScreen", true);
}

void TGameManager::ShowHelpScreen() {
    HelpReturnState = ScreenState;
    if (ScreenState == TScreenState::Game) {
        WorkZoneLive = false;
    }
    Show(TScreenState::Help, "HelpScreen", "HelpScreen", true);
}

void TGameManager::ShowSplashScreen() {
    Show(TScreenState::Splash, "SplashScreen", "SplashScreen", false);
}

void TGameManager::ShowSplashScreen2() {
    Show(TScreenState::Splash, "SplashScreen2", "SplashScreen2", false);
}

void TGameManager::RequestScreen(const std::string& screenName, const std::string& resourceSetName) {
    FPendingScreen = screenName;
    FPendingSet = resourceSetName;
    FScreenPending = true;
}

void TGameManager::SwitchPendingScreen() {
    if (!FScreenPending) {
        return;
    }
    FScreenPending = false;
    // The switch may request again (a screen that continues at once); that request waits for the
    // next frame.
    const std::string screen = FPendingScreen;
    const std::string set = FPendingSet;
    if (ScreenSwitcher) {
        ScreenSwitcher(screen, set);
    } else {
        SwitchToScreen(screen, set);
    }
    FData.CurrentScreenName = screen;
    TraceEvent("screen " + screen);
}

void TGameManager::TraceEvent(const std::string& event) const {
    if (TGEventTrace* trace = FData.EventTrace()) {
        trace->Write(event);
    }
}

// A sublevel starts for the trace when the board first waits for the player's move: filled,
// settled, and nothing but the waiting state at work.
void TGameManager::TraceSublevelStart() {
    if (!FSublevelStartToTrace || !FQueue || ScreenState != TScreenState::Game || !FField ||
        !FQueue->HasExact<TWaitState>() || BoardBusy(*FQueue) || !FField->IsStable() ||
        FQueue->HasExact<TMatchState>() || FQueue->HasExact<TGameToConstructionScreenState>()) {
        return;
    }
    FSublevelStartToTrace = false;
    const TPlayerData& progress = Progress();
    TraceEvent(Format("sublevel-start %d.%d lives %d time %g", progress.Level, progress.SubLevel,
                      progress.Lives, FTimeBar->TimeLimit()));
    for (const std::string& row : TraceBoardRows(*FField)) {
        TraceEvent("board " + row);
    }
}

void TGameManager::SwitchToScreen(const std::string& screenName, const std::string& resourceSetName) {
    FData.ResManager->SetResourceSet(resourceSetName);
    GetWidgetManager(FData).ShowScreenFromConfig(screenName);
}

TGWidget* TGameManager::ActiveScreenWidget() const {
    auto* widgets = dynamic_cast<TGWidgetManager*>(FData.WidgetManager.get());
    TGWidget* root = widgets ? widgets->Root() : nullptr;
    return root ? root->FindChild(FData.CurrentScreenName) : nullptr;
}

void TGameManager::PlayerChanged() {
    FTipManager = std::make_unique<TTipManager>();
    if (ScreenState == TScreenState::Menu) {
        PreloadMenu();
    } else if (ScreenState == TScreenState::Map) {
        PreloadMap();
    }
    if (FData.SoundEngine->GetMusicName() == ScaryMusic && FData.SoundEngine->IsMusicPlaying()) {
        FData.SoundEngine->FadeOutMusic(0.0);
    }
}

void TGameManager::PreloadMenu() {
    FData.ResManager->SetResourceSet("MenuScreen");
}

void TGameManager::PreloadLevel() {
    FData.ResManager->SetResourceSet("Level" + LevelSetSuffix(Progress().Level));
}

void TGameManager::PreloadMap() {
    FData.ResManager->SetResourceSet("MapScreen" + LevelSetSuffix(Progress().Level));
}

// ---- levels ----

PGXMLNode TGameManager::SubLevelNode() const {
    return FData.Players->CurrentSubLevelNode();
}

PGXMLNode TGameManager::CurrentLevelConfig() const {
    return FData.Players->CurrentLevelNode();
}

void TGameManager::RecreateField() {
    // The states point into the old field's cells: whoever recreates it has emptied the queue
    // or keeps only states that do not hold cells (waiting, dropping).
    FField = std::make_unique<TField>(*FPlayHost, Env().FieldRowCount, Env().FieldColumnCount,
                                      FData.GameConfig->GetInt("FieldX"), FData.GameConfig->GetInt("FieldY"));
}

void TGameManager::RecreateBars() {
    IBarHost& host = *this;
    FTimeBar = std::make_unique<TTimeBar>(host);
    if (PGXMLNode sublevel = SubLevelNode()) {
        FTimeBar->SetTimeLimit(sublevel->GetFloat("TimeLimit"));
    }
    FBrickBar = std::make_unique<TBrickBar>(host);
    FShuffleBar = std::make_unique<TShuffleBar>(host);
    FBonusBar = std::make_unique<TBonusBar>(host);
}

void TGameManager::RecreateConstruction() {
    FConstruction = std::make_unique<TConstruction>(Progress().Level);
}

void TGameManager::PrepareLevel(bool keepLevelState) {
    if (!keepLevelState && !FTipManager->MarvaneTipWaiting()) {
        FTipManager->AddMarvaneTip();
    }
    if (FQueue && !keepLevelState) {
        FQueue->Clear();
    }
    // States that stay hold no cells of the old field (only the waiting and dropping states
    // survive a kept level, and they look the field up every frame).
    RecreateField();
    TPlayer& player = Player();
    PGXMLNode secretField = player.SecretLevelFieldNode();
    FSCLTimeBar = std::make_unique<TSCLTimeBar>(secretField ? secretField->GetFloat("SCLTimeLimit") : 0.0);
    Progress().PuzzleMovesLeft = secretField ? secretField->GetInt("PuzzleMoves") : 0;
    FSecretField = std::make_unique<TSecretLevelField>(
        *FPlayHost, Env().SecretFieldRowCount, Env().SecretFieldColumnCount,
        FData.GameConfig->GetInt("FieldX"), FData.GameConfig->GetInt("FieldY"));
    FSecretField->FillItself();
    RecreateBars();
    RecreateConstruction();
    if (FQueue) {
        if (!FQueue->HasExact<TWaitState>()) {
            FQueue->Push<TWaitState>();
        }
        if (!FQueue->HasExact<TDropNewElementsState>()) {
            FQueue->Push<TDropNewElementsState>(true);
        }
    }
    player.ResetLevelProgress(keepLevelState);
    FColorCellsTotal = 0;
    if (PGXMLNode level = CurrentLevelConfig()) {
        PGXMLCollection sublevels = level->GetCollection("SubLevel");
        for (size_t i = 0; i < sublevels->Count(); ++i) {
            FColorCellsTotal += sublevels->GetItem(i)->GetInt("ColorCellsCount");
        }
    }
    player.StopScoreMultiplier();
}

bool TGameManager::HasTwoLayerCells() const {
    return Progress().Pass == 2 || Progress().Level == 8;
}

void TGameManager::PrepareSublevel() {
    PGXMLNode sublevel = SubLevelNode();
    if (!sublevel) {
        throw EGError("TGameManager.PrepareSublevel",
                      Format("level %d has no sublevel %d", Progress().Level, Progress().SubLevel));
    }
    TField& field = *CurrentField();
    field.MarbleSet = sublevel->GetString("Marbles");
    TSublevelParseContext context;
    context.TwoLayerCells = HasTwoLayerCells();
    context.PlayerName = Player().Name;
    context.Level = Progress().Level;
    context.SubLevel = Progress().SubLevel;
    context.ScreenName = FData.CurrentScreenName;
    PGXMLNode fieldNode = FirstChild(*sublevel, "Field");
    if (!fieldNode) {
        throw EGError("TGameManager.PrepareSublevel", sublevel->GetLocation() + " has no Field");
    }
    TCellsStructsArr records = LoadSublevelData(*fieldNode, field.RowCount, field.ColCount, context);
    PlaceColorCells(records);
    field.ApplyCellRecords(records);
    FData.Players->SuperBonusSpecialBudget = Env().SpecialsForSuperBonus;
    TPlayerData& progress = Progress();
    progress.RandomFlip = Random(2) == 1;
    Player().ResetSublevelCounters();
    progress.SublevelInProgress = true;
    FSublevelStartToTrace = true;
}

int TGameManager::PlaceColorCells(TCellsStructsArr& records) {
    TPlayer& player = Player();
    const TPlayerData& progress = Progress();
    if (progress.SecretMapsCompleted >= SecretMapCount) {
        return 0;
    }
    int pieces = 0;
    PGXMLCollection maps = FData.GameConfig->GetCollection("SecretMap");
    if (progress.SecretMapsCompleted >= 0 &&
        static_cast<size_t>(progress.SecretMapsCompleted) < maps->Count()) {
        pieces = static_cast<int>(maps->GetItem(static_cast<size_t>(progress.SecretMapsCompleted))
                                      ->GetCollection("Piece")
                                      ->Count());
    }
    const int missing = std::max(0, pieces - progress.PiecesFound);
    PGXMLNode sublevel = SubLevelNode();
    const int count = std::min(missing, sublevel ? sublevel->GetInt("ColorCellsCount") : 0);
    (void)player;
    return PlaceColorCellsIn(records, count, sublevel ? sublevel->GetString("Marbles") : std::string());
}

void TGameManager::SetLevelAndSubLevel(int level, int subLevel) {
    TPlayerData& progress = Progress();
    Player().CompleteBankedSublevel();
    progress.SubLevel = subLevel;
    if (level != progress.Level) {
        progress.Level = level;
        PreloadLevel();
    }
    PrepareSublevel();
    FWorkZone->Repopulate();
    SaveGame();
}

TField* TGameManager::CurrentField() {
    if (ScreenState == TScreenState::Puzzle) {
        return FSecretField.get();
    }
    return FField.get();
}

// ---- specials and bricks ----

TSpecialFactory TGameManager::SpecialKindClass(int kind) {
    switch (kind) {
    case bkLineHorizontal:
        return &Make<TSpecialLineFreeze>;
    case bkCrossFire:
        return &Make<TSpecialCrossFire>;
    case bkRandom:
        return &Make<TSpecialRandom>;
    case bkDiagonal:
        return &Make<TSpecialDiagonal>;
    case bkAddScores:
        return &Make<TSpecialAddScores>;
    case bkTimeLineFreeze:
        return &Make<TSpecialTimeLineFreeze>;
    case bkSingleCellBomb:
        return &Make<TSpecialSingleCellBomb>;
    case bkCornerStoneTeleport:
        return &Make<TSpecialCornerStoneTeleport>;
    case bkBomb:
        return &Make<TSpecialBomb>;
    case bkCornerStoneDown:
        return &Make<TSpecialCornerStoneDown>;
    case bkColorChange:
        return &Make<TSpecialColorChange>;
    case bkX2BuildingMaterials:
        return &Make<TSpecialX2BuildingMaterials>;
    case bkColorBomb:
        return &Make<TSpecialColorBomb>;
    case bkPhantomBonuses:
        return &Make<TSpecialPhantomBonuses>;
    default:
        throw EGError("TGameManager.SpecialKindClass", Format("no special of kind %d", kind));
    }
}

void TGameManager::SpawnBricksFromCell(TCell& cell) {
    if (ScreenState == TScreenState::Puzzle) {
        return;
    }
    const int from = FData.GameConfig->GetInt("BrickCountFrom");
    const int to = std::max(from, FData.GameConfig->GetInt("BrickCountTo"));
    int count = from + static_cast<int>(Random(static_cast<uint32_t>(to - from + 1)));
    if (Player().HasSmallBonus(12)) {
        count *= 2;
    }
    const TGIntPoint corner = cell.Field().CellToScreen(cell.Row, cell.Col, false);
    ReleaseBricks(count, corner.X + Env().CellWidth / 2, corner.Y + Env().CellHeight / 2);
}

// Until the workers exist, every brick thrown is delivered: it counts for the player and
// charges the bonus bar at once.
void TGameManager::ReleaseBricks(int count, int x, int y) {
    FWorkZone->LaunchBricks(count, x, y);
    for (int i = 0; i < count; ++i) {
        Player().BrickCollected();
        FBonusBar->Add(Player().BonusBarIncForBrick());
    }
}

void TGameManager::ConsumeSuperBonusSpecial() {
    FPlayHost->ConsumeSuperBonusSpecial();
}

// ---- sounds and music ----

void TGameManager::PlaySound(const std::string& name) {
    FData.SoundEngine->PlaySound(name);
}

void TGameManager::UpdateSoundLimiters() {
    const double step = FData.GameClock->Step;
    FBlast.Update(step);
    FCombo.Update(step);
}

void TGameManager::PlayBlastSound(int kind) {
    if (FBlast.Spend()) {
        PlaySound("Explosion" + GetIdOfKind(kind));
    }
}

bool TGameManager::PlayComboSound(int combo) {
    if (!FCombo.Spend()) {
        return false;
    }
    PlaySound(ComboSoundName(combo));
    return true;
}

void TGameManager::PlaySpecialAppearSound(TSpecial& special) {
    PlaySound(SpecialAppearSoundName(special.Kind()));
}

void TGameManager::PlayCameraFlyingSound(bool in) {
    PlaySound(in ? "CameraFlyingVisitIn" : "CameraFlyingVisitOut");
}

void TGameManager::PauseFieldTransformationSound(bool paused) {
    FData.SoundEngine->PauseSound("FieldTransformation", paused);
}

void TGameManager::PlayTimeToScore() {
    if (!FData.SoundEngine->IsSoundPlaying("TimeToScore")) {
        PlaySound("TimeToScore");
    }
}

void TGameManager::StopTimeToScore() {
    FData.SoundEngine->StopSound("TimeToScore");
}

void TGameManager::PlayJingleWin() {
    FData.SoundEngine->FadeOutMusic(JingleFadeSeconds);
    FData.SoundEngine->StopSound("JingleWin");
    FData.SoundEngine->StopSound("JingleSublevelWin");
    PlaySound("JingleWin");
}

void TGameManager::PlayJingleSublevelWin() {
    FData.SoundEngine->FadeOutMusic(JingleFadeSeconds);
    FData.SoundEngine->StopSound("JingleWin");
    FData.SoundEngine->StopSound("JingleSublevelWin");
    PlaySound("JingleSublevelWin");
}

void TGameManager::PlayJingleLost() {
    FData.SoundEngine->FadeOutMusic(JingleFadeSeconds);
    PlaySound("JingleLost");
}

void TGameManager::StopScaryMusic() {
    if (FData.SoundEngine->GetMusicName() == ScaryMusic) {
        FData.SoundEngine->FadeOutMusic(0.0);
    }
}

void TGameManager::UpdateMusic() {
    IGBassEngine& sound = *FData.SoundEngine;
    const bool menuMusic = ScreenState == TScreenState::Menu || ScreenState == TScreenState::Map ||
                           (ScreenState == TScreenState::Help && HelpReturnState == TScreenState::Menu) ||
                           (ScreenState == TScreenState::Credits && BonusScreenMode == 1);
    if (menuMusic) {
        FMusicName = "Menu";
    } else if (ScreenState == TScreenState::Puzzle && Progress().PiecesFound != 0) {
        FMusicName = "SCL";
    } else {
        FMusicName = "Level" + std::to_string(Progress().Level);
    }
    const bool scaryPlaying = sound.GetMusicName() == ScaryMusic && sound.IsMusicPlaying();
    const bool jinglePlaying = std::any_of(std::begin(Jingles), std::end(Jingles),
                                           [&sound](const char* name) { return sound.IsSoundPlaying(name); });
    if (sound.GetMusicName() != FMusicName && !jinglePlaying && !scaryPlaying) {
        sound.PlayMusic(FMusicName, true, 0.0, false, -1);
    }
    const bool endQueued =
        FQueue && (FQueue->HasExact<TSubLevelCompleteState>() || FQueue->HasExact<TSubLevelFailState>() ||
                   FQueue->HasExact<TSecretLevelState>());
    const bool hurry = FTimeBar->IsHurryUp();
    if (!scaryPlaying && ScreenState == TScreenState::Game && !endQueued && hurry) {
        sound.FadeOutMusic(ScaryFadeSeconds);
        sound.PlayMusic(ScaryMusic, true, 0.0, false, -1);
    } else if (scaryPlaying && (!hurry || ScreenState != TScreenState::Game || endQueued)) {
        sound.FadeOutMusic(0.0);
    }
}

// ---- bonus states ----

void TGameManager::CancelMouseBonuses() {
    if (FQueue) {
        CancelMouseBonusesIn(*FQueue);
    }
}

void TGameManager::SetBonusStatesRunning(bool running) {
    if (FQueue) {
        SetBonusStatesRunningIn(*FQueue, running);
    }
}

void TGameManager::RemoveBonusStates() {
    if (FQueue) {
        FQueue->RemoveAllOf<TBonusState>();
    }
}

bool TGameManager::MouseBonusArmed() const {
    return FQueue && MouseBonusArmedIn(*FQueue);
}

bool TGameManager::MouseBonusQueued() const {
    return FQueue && MouseBonusQueuedIn(*FQueue);
}

bool TGameManager::BonusEffectBusy() const {
    return FQueue && BonusEffectBusyIn(*FQueue);
}

void TGameManager::ResetBonusBar() {
    FBonusBar->ResetBar();
}

void TGameManager::FreezeTimeBar() {
    FTimeBar->Freeze();
}

void TGameManager::StartDoubleMaterials(double seconds) {
    FBrickBar->StartDouble(seconds);
}

void TGameManager::StartScoreMultiplier(double seconds) {
    Player().StartScoreMultiplier(seconds);
}

bool TGameManager::HasExtraBonuses() const {
    return !Progress().ExtraBonuses.empty();
}

// ---- secret level ----

void TGameManager::RewardSecretLevel() {
    TPlayerData& progress = Progress();
    if (progress.SecretLevelWon != 0) {
        return;
    }
    Player().AddScore(10000);
    Player().GrantFirstPossibleBonus();
    Player().KeeyOnlyCountBonusesOnConstruction(1);
}

void TGameManager::CompleteSecretLevel() {
    TPlayerData& progress = Progress();
    const bool firstWin = progress.SecretLevelWon == 0;
    RewardSecretLevel();
    if (firstWin) {
        ++progress.SecretMapsCompleted;
        ++progress.SecretLevelWon;
    }
    progress.PiecesFound = 0;
}

void TGameManager::ResetFoundPieces() {
    Progress().PiecesFound = 0;
}

PGXMLNode TGameManager::SelectSkyNode() const {
    const IGXMLNode& config = *FData.GameConfig;
    auto levelSky = [this](const char* name) -> PGXMLNode {
        PGXMLNode level = CurrentLevelConfig();
        PGXMLNode sky = level ? FirstChild(*level, "Sky") : nullptr;
        return sky ? FirstChild(*sky, name) : nullptr;
    };
    switch (ScreenState) {
    case TScreenState::Game:
        return levelSky("Level");
    case TScreenState::Puzzle:
        return FirstChild(config, "SCLDecoration");
    case TScreenState::Menu:
        if (!Progress().LevelEntered) {
            PGXMLNode sky = FirstChild(config, "Sky");
            return sky ? FirstChild(*sky, "Menu") : nullptr;
        }
        return levelSky("Construction");
    default:
        return levelSky("Construction");
    }
}

void TGameManager::RefreshBackground() {
    FBackground->Refresh(SelectSkyNode());
}

// ---- IPlayManager: play ----

void TGameManager::PausePlay() {
    FTimeBar->SetPaused(true);
}

void TGameManager::ResumePlay() {
    FTimeBar->SetPaused(false);
}

bool TGameManager::IsQueued(TOtherState state) const {
    return FQueue && OtherStateQueued(*FQueue, state);
}

ISecretMapPlay* TGameManager::SecretMaps() {
    return FSecretMaps.get();
}

void TGameManager::StartColorCellBlast(int x, int y) {
    if (FQueue) {
        FQueue->Push<TColorCellBlastState>(static_cast<double>(x), static_cast<double>(y));
    }
}

void TGameManager::RemoveTimeLineFreezeStates() {
    if (FQueue) {
        FQueue->RemoveAllOf<TTimeLineFreezeBonusState>();
    }
}

bool TGameManager::TimeBarPaused() const {
    return FTimeBar->Paused();
}

bool TGameManager::TimeBarStopped() const {
    return FTimeBar->IsStopped();
}

bool TGameManager::TimeBarRunningOrStopped() const {
    return FTimeBar->IsRunningOrStopped();
}

void TGameManager::StepTimeBar(double rate) {
    FTimeBar->Step(rate);
}

void TGameManager::DrainTimeBar(bool award) {
    FTimeBar->Drain(award);
}

void TGameManager::LockLivesDisplay() {
    FTimeBar->LockLives();
}

bool TGameManager::BarFull(TBarKind bar) const {
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

void TGameManager::AddToBar(TBarKind bar, double amount) {
    if (ScreenState == TScreenState::Puzzle) {
        return;
    }
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

void TGameManager::CollectBrickBar() {
    FBrickBar->Collect();
}

void TGameManager::EndDoubleMaterials() {
    FBrickBar->EndDouble();
}

// The charge stays for the next sublevel of the level; only a player without a bonus to charge
// has the bar put away.
void TGameManager::RefreshBonusDisplay() {
    FBonusBar->SetVisible(Progress().SelectedExtraBonus != bkNone);
}

// ---- IPlayManager: the player ----

int TGameManager::Score() const {
    return Progress().Score;
}

void TGameManager::AddScore(int points) {
    Player().AddScore(points);
}

int TGameManager::Lives() const {
    return Progress().Lives;
}

void TGameManager::LoseLife() {
    Player().LoseLife();
}

void TGameManager::BrickCollected() {
    Player().BrickCollected();
}

bool TGameManager::HasSeveralExtraBonuses() const {
    return Player().HasSeveralExtraBonuses();
}

void TGameManager::ResetBoxCounters() {
    Progress().BoxesCounted = 0;
    Progress().BoxCountReached = false;
}

bool TGameManager::IsDeveloperUser() const {
    return FData.IsDeveloperUser();
}

bool TGameManager::IsEasterEggUser() const {
    return FData.IsEasterEggUser();
}

int TGameManager::PlayerSubLevel() const {
    return Progress().SubLevel;
}

double TGameManager::ConstructionProgress() const {
    return Player().ConstructionProgress();
}

bool TGameManager::CatchUpMode() const {
    return Progress().CatchUpMode;
}

void TGameManager::SetCatchUpMode(bool on) {
    Progress().CatchUpMode = on;
}

// The win counts from this moment: the save names the sublevel it leads to, so that a program
// ended during the celebration, the construction screen or the board's change does not lose it.
void TGameManager::SaveNextSublevelProgress() {
    TPlayerData& progress = Progress();
    TraceEvent(Format("sublevel-won %d.%d score %d", progress.Level, progress.SubLevel, progress.Score));
    int level = progress.Level;
    int subLevel = progress.SubLevel + 1;
    if (subLevel > FData.Players->SubLevelCountOf(level)) {
        if (level >= Player().LastPlayableLevel()) {
            // The pass ends here: the player stays on the finished level with its monument
            // complete until the map moves on to the congratulations and the next pass.
            subLevel = progress.SubLevel;
            progress.MonumentComplete = true;
        } else {
            subLevel = 1;
            ++level;
        }
    }
    Player().BankSublevelWin(level, subLevel);
    SaveGame();
}

// A save that fails (a full disk, a folder made read-only) must not end the game: the previous
// save stays whole, and the next save tries again.
void TGameManager::SaveGame() {
    const TPlayerData& progress = Progress();
    if (FSaveTrace) {
        std::printf("saving: level %d.%d\n", progress.SavedLevel(), progress.SavedSubLevel());
        std::fflush(stdout);
    }
    try {
        FData.Save();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Saving the game: %s\n", error.what());
        return;
    }
    TraceEvent("save");
    if (FSaveTrace) {
        std::printf("saved: level %d.%d\n", progress.SavedLevel(), progress.SavedSubLevel());
        std::fflush(stdout);
    }
}

void TGameManager::RestartLevelAfterGameOver() {
    Player().RestartLevelAfterGameOver();
}

void TGameManager::GoToNextSublevel() {}

void TGameManager::RestartSublevel(bool fromFirst) {
    const TPlayerData& progress = Progress();
    // After a game over the player's lives are already those of the fresh start.
    TraceEvent(Format("sublevel-lost %d.%d lives %d", progress.Level, progress.SubLevel,
                      fromFirst ? 0 : progress.Lives));
    if (fromFirst) {
        TraceEvent("game-over");
    }
}

void TGameManager::EndFrame() {
    if (FSaveTrace) {
        SaveGame();
    }
    TraceSublevelStart();
    SwitchPendingScreen();
}

TWinLeadsTo TGameManager::CompleteBankedWin() {
    TPlayerData& progress = Progress();
    const int level = progress.Level;
    Player().CompleteBankedSublevel();
    TWinLeadsTo next = TWinLeadsTo::NextSublevel;
    if (progress.MonumentComplete) {
        next = TWinLeadsTo::PassEnd;
    } else if (progress.Level != level) {
        next = TWinLeadsTo::NextLevel;
    }
    if (next != TWinLeadsTo::NextSublevel) {
        // The new level starts afresh from the map; what was queued belonged to the old one.
        progress.LevelEntered = false;
        progress.SublevelInProgress = false;
        EmptyStateQueues();
    }
    SaveGame();
    return next;
}

void TGameManager::FinishPass() {
    TPlayer& player = Player();
    if (player.ReplayMode) {
        player.StartNextPass();
        ShowMenuScreen(false, false);
    } else {
        // The congratulations read the rank of the pass just finished.
        ShowCongratulationsScreen();
        player.StartNextPass();
    }
    SaveGame();
}

void TGameManager::LeaveEasterEggLevel() {
    TPlayer& player = Player();
    player.EasterEggPlayed = true;
    player.AbandonSublevel();
    ShowMenuScreen(false, false);
    player.EasterEggMode = false;
    SaveGame();
}

TCellsStructsArr TGameManager::SublevelLayout(int level, int subLevel) const {
    PGXMLNode levelNode = FData.Players->LevelNode(level);
    PGXMLCollection sublevels = levelNode ? levelNode->GetCollection("SubLevel") : nullptr;
    if (!sublevels || subLevel < 1 || static_cast<size_t>(subLevel) > sublevels->Count()) {
        throw EGError("TGameManager.SublevelLayout", Format("level %d has no sublevel %d", level, subLevel));
    }
    PGXMLNode sublevel = sublevels->GetItem(static_cast<size_t>(subLevel - 1));
    PGXMLNode fieldNode = FirstChild(*sublevel, "Field");
    if (!fieldNode) {
        throw EGError("TGameManager.SublevelLayout", sublevel->GetLocation() + " has no Field");
    }
    TSublevelParseContext context;
    context.TwoLayerCells = HasTwoLayerCells();
    context.PlayerName = Player().Name;
    context.Level = level;
    context.SubLevel = subLevel;
    context.ScreenName = FData.CurrentScreenName;
    return LoadSublevelData(*fieldNode, FField->RowCount, FField->ColCount, context);
}

// A win leads on within the level; a win that ends the level (or the pass) leaves the board as
// it is, and the map opens the next level on a board of its own.
bool TGameManager::PlanBoardChange(bool won, bool fromFirst, TBoardChange& change) {
    const TPlayerData& progress = Progress();
    if (won) {
        if (progress.MonumentComplete || progress.SavedLevel() != progress.Level) {
            return false;
        }
        change.Level = progress.SavedLevel();
        change.SubLevel = progress.SavedSubLevel();
    } else {
        change.Level = progress.Level;
        change.SubLevel = fromFirst ? 1 : progress.SubLevel;
    }
    change.Current = SublevelLayout(progress.Level, progress.SubLevel);
    change.Next = SublevelLayout(change.Level, change.SubLevel);
    return true;
}

// A fresh bar: a freeze or a locked lives display of the sublevel that ended goes with the old.
void TGameManager::RestartTimeBar() {
    IBarHost& host = *this;
    FTimeBar = std::make_unique<TTimeBar>(host);
    if (PGXMLNode sublevel = SubLevelNode()) {
        FTimeBar->SetTimeLimit(sublevel->GetFloat("TimeLimit"));
    }
}

// ---- dialogs and animations of the game screen ----

void TGameManager::ShowDialog(const std::string& name, std::function<void()> onOk) {
    if (FView) {
        FView->ShowDialog(name, std::move(onOk));
    } else if (onOk) {
        onOk();
    }
}

bool TGameManager::IsDialogVisible(const std::string& name) const {
    return FView && FView->IsDialogVisible(name);
}

void TGameManager::HideDialog(const std::string& name) {
    if (FView) {
        FView->HideDialog(name);
    }
}

void TGameManager::ShowStageScore(int points) {
    if (FView) {
        FView->ShowStageScore(points);
    }
}

void TGameManager::PlayScreenAnimation(const std::string& name) {
    if (FView) {
        FView->PlayScreenAnimation(name);
    }
}

bool TGameManager::ScreenAnimationDone(const std::string& name) const {
    return !FView || FView->ScreenAnimationDone(name);
}

void TGameManager::WorkZoneSublevelEnded(bool won) {
    FWorkZone->SublevelEnded(won);
}

// One planted column to a column, as the bonus that plants them allows.
void TGameManager::StartPlantedColumn(int column) {
    if (!FQueue) {
        return;
    }
    for (size_t i = 0; i < FQueue->Count(); ++i) {
        if (const auto* planted = dynamic_cast<const TPlantedColumnState*>(&FQueue->At(i));
            planted && planted->Column == column) {
            return;
        }
    }
    FQueue->Push<TPlantedColumnState>(BonusNodeOfKind(*FData.GameConfig, bkCornerStoneDown), column);
}

void TGameManager::SetSequentialSecretLevels() {
    FData.Players->SequentialSecretLevels = true;
}

void TGameManager::RunDeviceSelfTest() {
    FData.Device->ProbeVideoMemory(
        SelfTestMegabytes, [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
}

void TGameManager::EvictTexturesAfterFrame() {
    FData.TextureEvictionRequested = true;
}

// ---- IBarHost ----

int TGameManager::LevelNumber() const {
    return Progress().Level;
}

int TGameManager::BricksInSublevel() const {
    return Progress().BricksInSublevel;
}

int TGameManager::MaxBricksPerObligatorySubLevel() const {
    PGXMLNode level = CurrentLevelConfig();
    return level ? level->GetIntDef("MaxBricksPerObligatorySubLevel", 1000000) : 1000000;
}

char TGameManager::MarbleOfMarvane() const {
    PGXMLNode level = CurrentLevelConfig();
    const int colour = level ? level->GetIntDef("MarbleOfMarvane", 0) : 0;
    return static_cast<char>('0' + std::clamp(colour, 0, 9));
}

int TGameManager::SelectedBonusKind() const {
    return Progress().SelectedExtraBonus;
}

bool TGameManager::BonusStateQueued() const {
    return FQueue && FQueue->HasKindOf<TBonusState>();
}

bool TGameManager::EndStateQueued() const {
    return FQueue && (SublevelEnding(*FQueue) || FQueue->HasExact<TGameToConstructionScreenState>());
}

bool TGameManager::ExtraLifeAnimationShown() const {
    return FView && FView->ExtraLifeAnimationShown();
}

// ---- IPlayerHost ----

void TGameManager::ExtraLifeGained() {
    if (FView) {
        FView->ExtraLifeGained();
    }
}

void TGameManager::EmptyStateQueues() {
    if (FQueue) {
        FQueue->Clear();
    }
    if (FSecretQueue) {
        FSecretQueue->Clear();
    }
}

// A charge belongs to the bonus it was gathered for, and a bonus of the old kind waiting on the
// button would fire the wrong effect.
void TGameManager::ExtraBonusSelected(int32_t kind) {
    FBonusBar->ResetBar();
    FBonusBar->SetVisible(kind != bkNone);
    RemoveBonusStates();
}

void TGameManager::ScoreMultiplierEnded() {
    if (FView) {
        FView->ScoreMultiplierEnded();
    }
}

// ---- TGameGlobals ----

TGameGlobals::TGameGlobals(TGameData& data) {
    FManager = std::make_unique<TGameManager>(data);
    GManager = FManager.get();
    FQueue = std::make_unique<TGameStateQueue>(FManager.get());
    GQueue = FQueue.get();
    FSecretQueue = std::make_unique<TSecretLevelStateQueue>(FManager.get());
    GSecretQueue = FSecretQueue.get();
    FManager->AttachQueues(FQueue.get(), FSecretQueue.get());
}

TGameGlobals::~TGameGlobals() {
    GSecretQueue = nullptr;
    FSecretQueue.reset();
    GQueue = nullptr;
    FQueue.reset();
    FManager->AttachQueues(nullptr, nullptr);
    GManager = nullptr;
    FManager.reset();
}

TGameManager& TheGameManager() {
    if (!GManager) {
        throw EGError("TGameManager.Global", "the game manager does not exist");
    }
    return *GManager;
}

TGameStateQueue& TheGameStateQueue() {
    if (!GQueue) {
        throw EGError("TGameManager.Global", "the game state queue does not exist");
    }
    return *GQueue;
}

TSecretLevelStateQueue& TheSecretLevelStateQueue() {
    if (!GSecretQueue) {
        throw EGError("TGameManager.Global", "the secret-level state queue does not exist");
    }
    return *GSecretQueue;
}

bool GameManagerExists() {
    return GManager != nullptr;
}

} // namespace qm
