#include "UGameScreen.h"
#include "USecretMapStates.h"

#include "UBars.h"
#include "UBonusStates.h"
#include "UCoreStates.h"
#include "UDictionary.h"
#include "UField.h"
#include "UGAppData.h"
#include "UGDialogEffects.h"
#include "UGFont.h"
#include "UGGraphicsDevice.h"
#include "UGKeys.h"
#include "UGRandom.h"
#include "UGResManager.h"
#include "UGSprite.h"
#include "UGStrings.h"
#include "UGWidButton.h"
#include "UGWidLabel.h"
#include "UGWidgetManager.h"
#include "UGameData.h"
#include "UPlayer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace qm {

namespace {

IGameScreenHost* GHost = nullptr;

// The screen's host in the campaign: everything comes from the game manager and its player.
class TManagerScreenHost : public IGameScreenHost {
public:
    explicit TManagerScreenHost(TGameManager& manager) : FManager(manager) {}

    TGameStateQueue& StateQueue() override { return FManager.Queue(); }
    TField* CurrentField() override { return FManager.CurrentField(); }
    TTimeBar* TimeBar() override { return &FManager.TimeBar(); }
    TBrickBar* BrickBar() override { return &FManager.BrickBar(); }
    TShuffleBar* ShuffleBar() override { return &FManager.ShuffleBar(); }
    TBonusBar* BonusBar() override { return &FManager.BonusBar(); }
    PGXMLNode GameConfig() const override { return FManager.Data().GameConfig; }
    PGXMLNode CurrentLevelConfig() const override { return FManager.CurrentLevelConfig(); }
    void PushBonusState(int kind) override {
        TGameStateQueue& queue = FManager.Queue();
        if (std::unique_ptr<TGameState> state =
                MakeBonusState(kind, queue, BonusNodeOfKind(*GameConfig(), kind))) {
            queue.Adopt(std::move(state));
        }
    }
    int Score() const override { return FManager.Score(); }
    int BricksInStock() const override { return FManager.Progress().BricksInStock; }
    bool ScoreMultiplierOn() const override { return FManager.Progress().ScoreMultiplierOn; }
    int SelectedBonusKind() const override { return FManager.SelectedBonusKind(); }
    bool ShowTips() const override { return FManager.Progress().ShowTips; }
    bool IsDeveloperUser() const override { return FManager.IsDeveloperUser(); }
    std::vector<std::string> DiagnosticLines() const override {
        if (!FManager.Data().DebugOverlayOn || !FManager.IsDeveloperUser()) {
            return {};
        }
        const TPlayerData& progress = FManager.Progress();
        const TTimeBar& time = FManager.TimeBar();
        // Short enough to fit right of x = 500: the bars are the brick, shuffle and bonus bars.
        return {
            Format("L%d.%d p%d lives %d score %d bricks %d", progress.Level, progress.SubLevel, progress.Pass,
                   progress.Lives, progress.Score, progress.BricksInStock),
            Format("time %.0f/%.0f s bars %.2f %.2f %.2f", time.Total() * time.TimeLimit(), time.TimeLimit(),
                   FManager.BrickBar().Total(), FManager.ShuffleBar().Total(), FManager.BonusBar().Total()),
        };
    }
    void UpdatePlayTime() override { FManager.Player().UpdatePlayTime(FManager.Data().GameClock->Step); }
    void SublevelShown() override {
        TPlayer& player = FManager.Player();
        TPlayerData& progress = FManager.Progress();
        progress.SublevelInProgress = true;
        progress.StartFresh = false;
        // A replayed level draws its secret level from the random pool.
        if (player.ReplayMode) {
            progress.SecretLevelWon = 1;
        }
    }
    void UpdateMusic() override { FManager.UpdateMusic(); }
    void UpdateSoundLimiters() override { FManager.UpdateSoundLimiters(); }
    void PauseFieldTransformationSound(bool paused) override {
        FManager.PauseFieldTransformationSound(paused);
    }
    void ShowMenuScreen() override { FManager.ShowMenuScreen(false, false); }
    void ShowBonusScreen(int page) override { FManager.ShowBonusScreen(page); }
    bool LowVideoMemory() const override { return FManager.Data().LowVideoMemory(); }
    // The default data keeps every special's art in the level's sets; data that splits it off
    // defines these resources.
    void LoadSpecialResources() override {
        TGResManager& resources = *FManager.Data().ResManager;
        for (const std::string& name : SpecialResourceNames(SelectedBonusKind(), FManager.CurrentField())) {
            if (resources.HasResourceDef(name)) {
                resources.LoadResource(name);
            }
        }
    }
    void DrawWorkZone() override { FManager.WorkZone().UpdateAndDraw(); }
    void SetBricksInFlightHidden(bool hidden) override {
        FManager.WorkZone().SetBricksInFlightHidden(hidden);
    }
    void ScreenBuilt() override {
        if (FManager.WorkZoneLive) {
            FManager.WorkZone().Repopulate();
        }
        FManager.WorkZoneLive = true;
    }
    void PlayResumedFromOtherScreen() override {
        if (FManager.Queue().HasExact<TGameToConstructionScreenState>()) {
            FManager.WorkZone().Repopulate();
        }
    }

private:
    TGameManager& FManager;
};

// The manager's host, made for the manager alive now.
IGameScreenHost* ManagerHost() {
    static TGameManager* manager = nullptr;
    static std::unique_ptr<TManagerScreenHost> host;
    if (!GameManagerExists()) {
        return nullptr;
    }
    if (manager != &TheGameManager()) {
        manager = &TheGameManager();
        host = std::make_unique<TManagerScreenHost>(*manager);
    }
    return host.get();
}

// The widgets whose show or hide effect keeps the screen busy.
const char* const EffectWidgets[] = {"PauseDialog", "HelpDialog",     "BackgroundWidget",
                                     "SkyWidget",   "CloudsWidget",   "ConstructionWidget",
                                     "BrickWidget", "TimeLineWidget", "FieldWidget"};
// The dialogs that hold play while they are open.
const char* const ModalDialogs[] = {"StageCompleteDialog", "TipDialog",     "SecretMapDialog",
                                    "OptionsDialog",       "HelpDialog",    "LossLifeDialog1",
                                    "LossLifeDialog2",     "GameOverDialog"};
// The diagnostic lines over the board, in the information overlay's font and colour.
constexpr const char* DiagnosticFont = "SysFont";
constexpr uint32_t DiagnosticColor = 0xFFFF0000;
constexpr double DiagnosticLineX = 500;
constexpr std::array<double, 2> DiagnosticLineY = {40, 60};
// The widgets that arrive with the intro.
const char* const IntroWidgets[] = {"ConstructionWidget", "FieldWidget", "TimeLineWidget", "InGameMenu"};

constexpr int FirstBonusKind = 4;
constexpr int LastBonusKind = 15;
// The save file keeps flags above the kind.
constexpr int BonusKindMask = 0x7F;
constexpr double MultiplierOutRise = 30.0;
constexpr double TipPadding = 20.0;
const char* const TipFont = "FntTxtWhite";

// The first child element of that name, or none.
PGXMLNode FirstChild(const IGXMLNode& node, const char* name) {
    PGXMLCollection children = node.GetCollection(name);
    return children->Count() > 0 ? children->GetItem(0) : nullptr;
}

bool IsPauseKey(int key, const TGInputState& state) {
    return key == VK_ESCAPE || key == VK_SPACE || (key == VK_RETURN && !state.IsKeyDown(VK_MENU));
}

} // namespace

// ---- TBackAniSchedule ----

void TBackAniSchedule::Load(const IGXMLCollection& elements) {
    FEntries.clear();
    for (size_t i = 0; i < elements.Count(); ++i) {
        const IGXMLNode& node = *elements.GetItem(i);
        TEntry entry;
        const int from = node.GetIntDef("PeriodFrom", 1);
        const int to = std::max(from, node.GetIntDef("PeriodTo", from));
        entry.Period = std::max(1, from + static_cast<int>(Random(static_cast<uint32_t>(to - from + 1))));
        entry.InitialDelay = node.GetFloatDef("InitialDelay", 0.0);
        entry.RunOnce = node.GetBoolDef("RunOnce", false);
        FEntries.push_back(entry);
    }
}

std::vector<size_t> TBackAniSchedule::Step(double seconds) {
    std::vector<size_t> starting;
    // Frames of a hundredth of a second add up to 5.9999999 rather than 6: the comparisons
    // allow for that, or an element due at a whole second could be passed over.
    constexpr double Slack = 1e-6;
    FClock += seconds;
    if (FClock + Slack < FLastCheck + 1.0) {
        return starting;
    }
    FLastCheck = FClock;
    const auto wholeSeconds = static_cast<long long>(std::floor(FClock + Slack));
    for (size_t i = 0; i < FEntries.size(); ++i) {
        TEntry& entry = FEntries[i];
        if ((entry.HasRun && entry.RunOnce) || entry.InitialDelay > FClock + Slack ||
            wholeSeconds % entry.Period != 0) {
            continue;
        }
        entry.HasRun = true;
        starting.push_back(i);
    }
    return starting;
}

// ---- TGameScreen ----

std::vector<std::string> SpecialResourceNames(int selectedBonus, const TField* field) {
    constexpr int KindBits = 0x7F;
    std::vector<int> kinds;
    const int selected = selectedBonus & KindBits;
    if (selected >= FirstExtraBonusKind && selected <= LastExtraBonusKind) {
        kinds.push_back(selected);
    }
    if (field) {
        const char phantomPreset = static_cast<char>('a' + bkPhantomBonuses - 1);
        bool phantom = false;
        for (int r = 0; r < field->RowCount && !phantom; ++r) {
            for (int c = 0; c < field->ColCount && !phantom; ++c) {
                const TCell& cell = field->Cell(r, c);
                const auto* special = dynamic_cast<const TSpecial*>(cell.Element.get());
                phantom =
                    cell.PresetSpecial == phantomPreset || (special && special->Kind() == bkPhantomBonuses);
            }
        }
        if (phantom) {
            kinds.push_back(bkPhantomBonuses);
        }
        if (field->HasWildChameleon()) {
            kinds.push_back(bkWildChameleon);
        }
    }
    std::vector<std::string> names;
    for (int kind : kinds) {
        std::string name = "Special" + GetIdOfKind(kind);
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

TGameScreen::TGameScreen(TGAppData& appData) : TGWidScreen(appData) {
    if (IGameScreenHost* host = Host()) {
        host->LoadSpecialResources();
    }
}

TGameScreen::~TGameScreen() {
    if (IGameScreenHost* host = Host(); host && host->StateQueue().GameScreen() == this) {
        host->StateQueue().SetGameScreen(nullptr);
    }
    if (GameManagerExists() && TheGameManager().GameScreenView() == this) {
        TheGameManager().SetGameScreenView(nullptr);
    }
}

void TGameScreen::SetHost(IGameScreenHost* host) {
    GHost = host;
}

IGameScreenHost* TGameScreen::Host() {
    return GHost ? GHost : ManagerHost();
}

IGameScreenHost& TGameScreen::GetHost() const {
    IGameScreenHost* host = Host();
    if (!host) {
        throw EGError("TGameScreen.GetHost", "no game manager is attached to the game screen");
    }
    return *host;
}

// Names are unique across the screen, so a child is found wherever it stands in the tree.
TGWidget& TGameScreen::Named(const std::string& name) const {
    for (TGWidgetIterator it(const_cast<TGameScreen*>(this)); it.Current(); it.Next()) {
        if (it.Current() != this && it.Current()->Name == name) {
            return *it.Current();
        }
    }
    throw EGError("TGameScreen.Named",
                  Format("Widget \"%s\" not found in \"%s\"", name.c_str(), Name.c_str()));
}

void TGameScreen::AfterLoad() {
    TGWidScreen::AfterLoad();
    IGameScreenHost& host = GetHost();
    WireEvents();
    const TGWidget& field = Named("FieldWidget");
    FFieldHome = {field.AbsX(), field.AbsY()};
    const TGWidget& panel = Named("PanelInfoImage");
    FPanelHome = {panel.AbsX(), panel.AbsY()};
    TGWidget& tip = Named("IntfTip");
    if (!host.LowVideoMemory()) {
        tip.ShowEffect = std::make_shared<TFakeDissolveEffect>(AppData(), tip, true, TipEffectSeconds);
    }
    FreezePlay(false);
    FPaused = false;
    host.ScreenBuilt();
    for (const char* dialog : {"LossLifeDialog1", "LossLifeDialog2", "GameOverDialog"}) {
        WireLossDialogKeys(dialog);
    }
    FBonusReadyCooldown = BonusReadyPause;
    if (TTimeBar* timeBar = host.TimeBar()) {
        timeBar->UnlockLives();
    }
    host.StateQueue().SetGameScreen(this);
    host.StateQueue().ScreenAttached();
    if (!GHost && GameManagerExists()) {
        TheGameManager().SetGameScreenView(this);
    }
    FAddLifeAni = std::make_shared<TGInterfaceAnimotion>(AppData());
    PGXMLNode config = host.GameConfig();
    PGXMLNode games = config ? FirstChild(*config, "GamesAni") : nullptr;
    if (PGXMLNode addLife = games ? FirstChild(*games, "AddLive") : nullptr) {
        FAddLifeAni->Import(*addLife);
    }
    FAddLifeAni->SetVisible(false);
    FIntfTips = config ? config->GetCollection("IntfTip") : nullptr;
    PGXMLNode level = host.CurrentLevelConfig();
    FBackAniElements = level ? level->GetCollection("BackAni") : nullptr;
    if (FBackAniElements) {
        FBackAniSchedule.Load(*FBackAniElements);
    }
}

void TGameScreen::WireEvents() {
    OnDraw = [this](TGWidget&) { UpdateFrame(); };
    OnAfterDraw = [this](TGWidget&) { DrawAnnouncements(); };
    OnClick = [this](TGWidget&) {
        if (FCurrentIntfTip >= 0) {
            ShowIntfTip(-1);
        }
    };
    Named("PanelInfoImage").OnDraw = [this](TGWidget&) { DrawPanelInfo(); };
    Named("ShuffleBtn").OnClick = [this](TGWidget&) { ShuffleClick(); };
    Named("MenuBtn").OnClick = [this](TGWidget&) {
        if (!LeaveStateQueued()) {
            TogglePause();
        }
    };
    Named("ExitBtn").OnClick = [this](TGWidget&) {
        if (!IsBusy()) {
            GetHost().ShowMenuScreen();
        }
    };
    Named("BackgroundWidget").OnDraw = [this](TGWidget&) { DrawBackground(); };
    Named("FieldWidget").OnDraw = [this](TGWidget&) { DrawField(); };
    Named("TimeLineWidget").OnDraw = [this](TGWidget&) { DrawTimeLine(); };
    Named("WorkZoneWidget").OnDraw = [this](TGWidget&) { GetHost().DrawWorkZone(); };
    Named("AfterWorkZoneWidget").OnDraw = [this](TGWidget&) { DrawAfterWorkZone(); };
    Named("StateQueueWidget").OnDraw = [this](TGWidget&) { DrawStateQueue(); };
    // The sky, the clouds, the small monument and the layers around the work zone come with the
    // background scene and the construction view; until then the picture of the coast stands
    // for all of them. "BrickWidget" only marks where the bricks fly.
    for (const char* name :
         {"SkyWidget", "CloudsWidget", "ConstructionWidget", "BeforeWorkZoneWidget", "BrickWidget"}) {
        Named(name);
    }
    TGWidget& tipDialog = Named("TipDialog");
    tipDialog.OnShow = [this](TGWidget&) { FreezePlay(true); };
    tipDialog.OnHide = [this](TGWidget&) { FreezePlay(false); };
    Named("ScoresValueLabel").OnAfterDraw = [this](TGWidget&) {
        if (FMultiplierOutAni) {
            FMultiplierOutAni->Draw();
        }
    };
    Named("PauseDialog").GetChild("OkBtn").OnClick = [this](TGWidget&) { SetPaused(false); };
    for (const char* dialog : ModalDialogs) {
        TGWidget& widget = Named(dialog);
        if (TGWidget* ok = widget.FindChild("OkBtn")) {
            const std::string name = dialog;
            ok->OnClick = [this, name](TGWidget&) {
                HideDialog(name);
                auto found = FDialogOk.find(name);
                if (found != FDialogOk.end()) {
                    std::function<void()> onOk = std::move(found->second);
                    FDialogOk.erase(found);
                    if (onOk) {
                        onOk();
                    }
                }
            };
        }
    }
}

// Enter (without Alt), Escape or Space press the dialog's OK while it is up.
void TGameScreen::WireLossDialogKeys(const std::string& name) {
    TGWidget& dialog = Named(name);
    dialog.OnKeyDown = [&dialog](TGWidget&, int key, const TGInputState& state) {
        if (dialog.IsVisible() && IsPauseKey(key, state)) {
            TGWidget& ok = dialog.GetChild("OkBtn");
            if (ok.OnClick) {
                ok.OnClick(ok);
            }
        }
    };
}

void TGameScreen::ScreenShown() {
    IGameScreenHost& host = GetHost();
    FCurrentIntfTip = -1;
    TGameStateQueue& queue = host.StateQueue();
    queue.SetGameScreen(this);
    const bool back = queue.HasExact<TGameToConstructionScreenState>() ||
                      (queue.GameManager() && queue.GameManager()->IsQueued(TOtherState::GameToPuzzleScreen));
    if (back) {
        host.PlayResumedFromOtherScreen();
        if (auto* puzzle = queue.FindExact<TGameToPuzzleScreenState>();
            puzzle && puzzle->PuzzleScreenOpened()) {
            puzzle->ComeBack();
        }
    } else {
        if (!host.LowVideoMemory()) {
            StartIntro();
        }
        host.SublevelShown();
    }
    SetPaused(false);
}

void TGameScreen::StartIntro() {
    FIntroRunning = true;
    FIntroTime = 0.0;
    TGAppData& app = AppData();
    TGWidget& construction = Named("ConstructionWidget");
    construction.ShowEffect =
        std::make_shared<TFakeDissolveEffect>(app, construction, true, IntroEffectSeconds);
    TGWidget& field = Named("FieldWidget");
    field.ShowEffect =
        std::make_shared<TFlyEffect>(app, field, true, IntroEffectSeconds, 0.0, -500.0, false, false, false);
    TGWidget& timeLine = Named("TimeLineWidget");
    timeLine.ShowEffect = std::make_shared<TFlyEffect>(app, timeLine, true, IntroEffectSeconds, 300.0, 0.0,
                                                       false, false, false);
    TGWidget& menu = Named("InGameMenu");
    menu.ShowEffect =
        std::make_shared<TFlyEffect>(app, menu, true, IntroEffectSeconds, -300.0, 0.0, false, false, false);
    for (const char* name : IntroWidgets) {
        Named(name).SetVisible(false);
    }
}

// Where each play widget goes when the camera leaves the board for the monument: the board up,
// the gauges and the menu out at the sides, the work zone down, the scenery grows as it fades.
struct TFlightMove {
    const char* Widget;
    double DX;
    double DY;
    bool Grow;
};
const TFlightMove CameraFlightMoves[] = {
    {"FieldWidget", 0.0, -600.0, false},        {"TimeLineWidget", 300.0, 0.0, false},
    {"InGameMenu", -300.0, 0.0, false},         {"BeforeWorkZoneWidget", 0.0, 400.0, false},
    {"AfterWorkZoneWidget", 0.0, 400.0, false}, {"BrickWidget", 0.0, 400.0, false},
    {"WorkZoneWidget", 0.0, 400.0, false},      {"BackgroundWidget", 0.0, 0.0, true},
    {"CloudsWidget", 0.0, 0.0, true},
};
const char* const CameraBlurSequence = "stuff/Blur";
constexpr double Pi = 3.14159265358979323846;

// What makes way for the puzzle screen: the board, the gauges, the work zone and the scenery.
const char* const PuzzlePlayWidgets[] = {
    "FieldWidget", "TimeLineWidget", "InGameMenu",       "BeforeWorkZoneWidget", "AfterWorkZoneWidget",
    "BrickWidget", "WorkZoneWidget", "BackgroundWidget", "BackgroundAddWidget",  "ConstructionWidget",
};

void TGameScreen::PlayScreenAnimation(const std::string& name) {
    if (name == TGameToConstructionScreenState::CameraFlight) {
        StartCameraFlight();
    } else if (name == TGameToPuzzleScreenState::LeaveAnimation) {
        DissolvePlayWidgets(false);
    } else if (name == TGameToPuzzleScreenState::ComeBackAnimation) {
        DissolvePlayWidgets(true);
    }
}

// A card with little video memory changes over without the dissolves.
void TGameScreen::DissolvePlayWidgets(bool show) {
    if (GetHost().LowVideoMemory()) {
        return;
    }
    // A dissolve shows what the widget held when it started: the counters first get their values.
    StepCounters();
    TGAppData& app = AppData();
    for (const char* name : PuzzlePlayWidgets) {
        TGWidget* widget = FindChild(name);
        if (!widget) {
            continue;
        }
        if (show) {
            widget->SetVisible(false);
            widget->ShowEffect =
                std::make_shared<TFakeDissolveEffect>(app, *widget, true, PuzzleDissolveSeconds);
            widget->Show();
        } else if (widget->IsVisible()) {
            widget->HideEffect =
                std::make_shared<TFakeDissolveEffect>(app, *widget, false, PuzzleDissolveSeconds);
            widget->Hide();
        }
    }
}

bool TGameScreen::PlayWidgetsDissolving() const {
    return std::any_of(std::begin(PuzzlePlayWidgets), std::end(PuzzlePlayWidgets), [this](const char* name) {
        const TGWidget* widget = FindChild(name);
        return widget && widget->IsInEffect();
    });
}

bool TGameScreen::ScreenAnimationDone(const std::string& name) const {
    if (name == TGameToPuzzleScreenState::LeaveAnimation ||
        name == TGameToPuzzleScreenState::ComeBackAnimation) {
        return !PlayWidgetsDissolving();
    }
    if (name != TGameToConstructionScreenState::CameraFlight || !FCameraFlight) {
        return true;
    }
    if (FCameraFlightTime < CameraFlightSeconds) {
        return false;
    }
    for (const TFlightMove& move : CameraFlightMoves) {
        if (const TGWidget* widget = FindChild(move.Widget); widget && widget->IsInEffect()) {
            return false;
        }
    }
    return true;
}

// A card with little video memory goes to the monument without the flight.
void TGameScreen::StartCameraFlight() {
    if (const auto* data = dynamic_cast<const TGameData*>(&AppData()); data && !data->HighVideoMemory()) {
        return;
    }
    FCameraFlight = true;
    FCameraFlightTime = 0.0;
    TGAppData& app = AppData();
    for (const TFlightMove& move : CameraFlightMoves) {
        TGWidget* widget = FindChild(move.Widget);
        if (!widget || !widget->IsVisible()) {
            continue;
        }
        widget->HideEffect = std::make_shared<TFlyEffect>(app, *widget, false, CameraFlightSeconds, move.DX,
                                                          move.DY, false, move.Grow, move.Grow);
        widget->Hide();
    }
}

void TGameScreen::StepCameraFlight() {
    if (FCameraFlight) {
        FCameraFlightTime += AppData().InterfaceClock->Step;
    }
}

// The streaks swell and fade over the flight, stretched over the whole screen.
void TGameScreen::DrawCameraBlur() {
    if (!FCameraFlight || FCameraFlightTime >= CameraFlightSeconds) {
        return;
    }
    TGResManager& resources = *AppData().ResManager;
    if (!resources.HasSeq(CameraBlurSequence)) {
        return;
    }
    const TGSprite& blur = resources.GetSeq(CameraBlurSequence).GetSprite(0);
    const double share = std::sin(Pi * FCameraFlightTime / CameraFlightSeconds);
    const uint32_t alpha = static_cast<uint32_t>(std::lround(255.0 * std::clamp(share, 0.0, 1.0)));
    const double scaleX = AppData().ScreenWidth / static_cast<double>(std::max(1, blur.PixelWidth()));
    const double scaleY = AppData().ScreenHeight / static_cast<double>(std::max(1, blur.PixelHeight()));
    blur.DrawTransformed({0.0, 0.0}, {scaleX, scaleY}, 0.0, 0.0, 0.0, (alpha << 24) | 0x00FFFFFFu, bmDefault);
}

void TGameScreen::StepIntro() {
    if (!FIntroRunning) {
        return;
    }
    FIntroTime += AppData().GameClock->Step;
    if (FIntroTime > IntroSeconds) {
        EndIntro();
    }
}

void TGameScreen::EndIntro() {
    for (const char* name : IntroWidgets) {
        Named(name).Show();
    }
    FIntroRunning = false;
}

// ---- the frame ----

void TGameScreen::UpdateFrame() {
    IGameScreenHost& host = GetHost();
    StepInterfaceTip();
    if (auto* shuffle = dynamic_cast<TGWidButton*>(&Named("ShuffleBtn"))) {
        shuffle->SetDisabled(!(host.ShuffleBar() && host.ShuffleBar()->IsFull()));
    }
    host.UpdateMusic();
    host.UpdateSoundLimiters();
    StepBackAnimations();
    StepHurryUp();
    StepIntro();
    StepCameraFlight();
    if (!LeaveStateQueued() && !ModalDialogOpen()) {
        StepBars();
        TBonusBar* bonusBar = host.BonusBar();
        if (bonusBar && bonusBar->Total() >= TBonusBar::ReadyAt && host.SelectedBonusKind() != 0 &&
            !BonusStateQueued()) {
            CreateBonusState();
            FBonusReadyCooldown = 0.0;
        }
    }
    StepBonusReady();
    StepCounters();
    if (!FPaused) {
        host.UpdatePlayTime();
    }
    StepNoMoves();
}

void TGameScreen::StepBars() {
    IGameScreenHost& host = GetHost();
    if (TTimeBar* bar = host.TimeBar()) {
        bar->Step(0.0);
    }
    if (TBrickBar* bar = host.BrickBar()) {
        bar->Add(0.0);
    }
    if (TShuffleBar* bar = host.ShuffleBar()) {
        bar->Add(0.0);
    }
    if (TBonusBar* bar = host.BonusBar()) {
        bar->Add(0.0);
    }
}

void TGameScreen::StepHurryUp() {
    TTimeBar* timeBar = GetHost().TimeBar();
    if (FHurryUpShown || !timeBar || !timeBar->IsHurryUp() || IsBusy()) {
        return;
    }
    FHurryUpShown = true;
    FHurryUpAni = GameAnimotion("HurryUp");
    if (FHurryUpAni) {
        FHurryUpAni->GetRoot().Y -= 6;
    }
}

void TGameScreen::StepBonusReady() {
    const TGameStateQueue& queue = GetHost().StateQueue();
    const bool armed = queue.GameManager() && queue.GameManager()->MouseBonusArmed();
    if (BonusStateQueued() && !armed && FBonusReadyCooldown <= 0.0) {
        FBonusReadyAni = GameAnimotion("BonusReady");
        if (FBonusReadyAni) {
            FBonusReadyAni->GetRoot().X -= 3;
            FBonusReadyAni->GetRoot().Y -= 22;
        }
        FBonusReadyCooldown = BonusReadyPause;
        ++FBonusReadyStarts;
    }
    FBonusReadyCooldown -= AppData().GameClock->Step;
}

void TGameScreen::StepCounters() {
    IGameScreenHost& host = GetHost();
    dynamic_cast<TGWidLabel&>(Named("BricksValueLabel")).SetCaption(std::to_string(host.BricksInStock()));
    dynamic_cast<TGWidLabel&>(Named("ScoresValueLabel")).SetCaption(std::to_string(host.Score()));
    Named("ScoreMultiplyMode").SetVisible(host.ScoreMultiplierOn());
}

void TGameScreen::StepNoMoves() {
    if (!FNoMovesAni && GetHost().StateQueue().HasExact<TOutOfMovesState>()) {
        FNoMovesAni = GameAnimotion("NoMovesAni");
        if (FNoMovesAni) {
            FNoMovesAni->GetRoot().X = 71;
            FNoMovesAni->GetRoot().Y = 1;
        }
    }
}

PGAnimotion TGameScreen::GameAnimotion(const char* element) const {
    PGXMLNode config = GetHost().GameConfig();
    PGXMLNode games = config ? FirstChild(*config, "GamesAni") : nullptr;
    PGXMLNode description = games ? FirstChild(*games, element) : nullptr;
    if (!description) {
        return nullptr;
    }
    auto animotion = std::make_shared<TGGameAnimotion>(AppData());
    animotion->Import(*description);
    return animotion;
}

bool TGameScreen::BonusStateQueued() const {
    const TGameStateQueue& queue = GetHost().StateQueue();
    for (size_t i = 0; i < queue.Count(); ++i) {
        if (queue.At(i).IsBonusState()) {
            return true;
        }
    }
    return false;
}

void TGameScreen::CreateBonusState() {
    const int kind = GetHost().SelectedBonusKind() & BonusKindMask;
    if (kind < FirstBonusKind || kind > LastBonusKind) {
        // A save file from elsewhere may name a kind this game does not have; play goes on
        // without the bonus rather than stopping on an error the player cannot mend. The bar
        // stays full and asks again every frame, so the refusal is written once.
        if (kind != FRefusedBonusKind) {
            std::fprintf(stderr, "TGameScreen.CreateBonusState: no bonus of kind %d\n", kind);
            FRefusedBonusKind = kind;
        }
        return;
    }
    GetHost().PushBonusState(kind);
}

// ---- drawing ----

void TGameScreen::DrawFollowing(const TGWidget& place, const std::pair<double, double>& home,
                                const std::function<void()>& draw) {
    TGGraphicsDevice* device = AppData().Device.get();
    if (!device) {
        draw();
        return;
    }
    TGStateGuard guard(*device);
    device->State.ViewOffsetX += place.AbsX() - home.first;
    device->State.ViewOffsetY += place.AbsY() - home.second;
    draw();
}

void TGameScreen::DrawPanelInfo() {
    IGameScreenHost& host = GetHost();
    DrawFollowing(Named("PanelInfoImage"), FPanelHome, [&host] {
        if (TBrickBar* bar = host.BrickBar()) {
            bar->UpdateAndDraw();
        }
        if (TShuffleBar* bar = host.ShuffleBar()) {
            bar->UpdateAndDraw();
        }
    });
}

void TGameScreen::DrawField() {
    // The widget's look is the board's frame and bed, drawn under the cells.
    TGWidget& place = Named("FieldWidget");
    if (place.HasVisual("Background")) {
        place.GetVisual("Background").Draw(place.AbsX(), place.AbsY(), place.Width(), place.Height());
    }
    if (TField* field = GetHost().CurrentField()) {
        DrawFollowing(place, FFieldHome, [field] {
            field->Draw();
            field->UpdateFireBalls();
        });
    }
    if (FNoMovesAni) {
        FNoMovesAni->Draw();
        if (FNoMovesAni->IsFinished()) {
            FNoMovesAni.reset();
        }
    }
}

void TGameScreen::DrawTimeLine() {
    if (TTimeBar* bar = GetHost().TimeBar()) {
        const TGWidget& place = Named("TimeLineWidget");
        bar->UpdateAndDraw(static_cast<int>(place.AbsX()), static_cast<int>(place.AbsY()));
    }
    if (FAddLifeAni && FAddLifeAni->GetVisible()) {
        FAddLifeAni->Draw();
        if (FAddLifeAni->IsFinished()) {
            FAddLifeAni->SetVisible(false);
        }
    }
}

void TGameScreen::DrawAfterWorkZone() {
    IGameScreenHost& host = GetHost();
    TBonusBar* bar = host.BonusBar();
    if (bar && host.SelectedBonusKind() != 0) {
        bar->UpdateAndDraw();
    }
}

void TGameScreen::DrawStateQueue() {
    if (FIntroRunning) {
        return;
    }
    GetHost().StateQueue().Update();
    const std::vector<std::string> lines = GetHost().DiagnosticLines();
    if (lines.empty() || !AppData().ResManager || !AppData().ResManager->HasFont(DiagnosticFont)) {
        return;
    }
    TGFont& font = AppData().GetFont(DiagnosticFont);
    for (size_t i = 0; i < lines.size() && i < DiagnosticLineY.size(); ++i) {
        font.DrawString(lines[i], DiagnosticColor, DiagnosticLineX, DiagnosticLineY[i]);
    }
}

void TGameScreen::DrawBackground() {
    for (TBackAni& back : FBackAnis) {
        if (back.BackgroundColor) {
            // The background scene's tint of the hour; the coast picture stands in daylight.
            back.Animotion->GetRoot().Color = 0xFFFFFFFF;
        }
        back.Animotion->Draw();
    }
    std::erase_if(FBackAnis, [](const TBackAni& back) { return back.Animotion->IsFinished(); });
}

void TGameScreen::DrawAnnouncements() {
    for (PGAnimotion* ani : {&FBonusReadyAni, &FHurryUpAni}) {
        if (*ani) {
            (*ani)->Draw();
            if ((*ani)->IsFinished()) {
                ani->reset();
            }
        }
    }
    DrawCameraBlur();
}

// ---- input ----

void TGameScreen::KeyDown(int key, const TGInputState& state) {
    TGWidScreen::KeyDown(key, state);
    TGameStateQueue& queue = GetHost().StateQueue();
    if (LeaveStateQueued() || ModalDialogOpen() ||
        (queue.GameManager() && queue.GameManager()->IsQueued(TOtherState::ColorCellBlast))) {
        return;
    }
    if (IsPauseKey(key, state)) {
        TogglePause();
        return;
    }
    queue.KeyDown(key, state);
    if (key == 'Q' && GetHost().IsDeveloperUser()) {
        GetHost().ShowBonusScreen(2);
    }
}

void TGameScreen::MouseMove(const TGInputState& state) {
    TGWidScreen::MouseMove(state);
    GetHost().StateQueue().MouseMove(state);
}

void TGameScreen::MouseDown(int button, const TGInputState& state) {
    TGWidScreen::MouseDown(button, state);
    GetHost().StateQueue().MouseDown(button, state);
    GetHost().WorkZoneClick(state.X, state.Y);
}

void TGameScreen::MouseUp(int button, const TGInputState& state) {
    TGWidScreen::MouseUp(button, state);
    GetHost().StateQueue().MouseUp(button, state);
}

bool TGameScreen::IsBonusInteractionBlocked() const {
    return FPaused || ModalDialogOpen();
}

// ---- pause ----

bool TGameScreen::ShuffleAllowed() const {
    IGameScreenHost& host = GetHost();
    const TGameStateQueue& queue = host.StateQueue();
    const TField* field = host.CurrentField();
    const IPlayManager* manager = queue.GameManager();
    return field && field->IsStable() && !BoardBusy(queue) && !LeaveStateQueued() && !FPaused &&
           !BonusActivePhaseIn(queue) && !(manager && manager->IsQueued(TOtherState::FrozenRow));
}

void TGameScreen::ShuffleClick() {
    TShuffleBar* bar = GetHost().ShuffleBar();
    if (ShuffleAllowed() && bar && bar->IsFull()) {
        GetHost().StateQueue().Push<TShuffleState>();
        bar->StartEmpty();
    }
}

bool TGameScreen::ShuffleReady() const {
    TShuffleBar* bar = GetHost().ShuffleBar();
    return bar && bar->IsFull() && ShuffleAllowed();
}

// ---- the automatic player ----

TField& TGameScreen::Field() const {
    TField* field = GetHost().CurrentField();
    if (!field) {
        throw EGError("TGameScreen.Field", "no sublevel is being played");
    }
    return *field;
}

// The waiting state would take a click: the board rests, nothing but bonus states waits beside
// it, and nothing covers the board.
bool TGameScreen::AcceptsMove() const {
    IGameScreenHost& host = GetHost();
    const TGameStateQueue& queue = host.StateQueue();
    const auto* wait = queue.FindExact<TWaitState>();
    const TField* field = host.CurrentField();
    const TTimeBar* timeBar = host.TimeBar();
    if (!wait || !field || wait->IsInputBlocked() || !field->IsStable() || FPaused || FIntroRunning ||
        ModalDialogOpen() || IsBusy() || (timeBar && timeBar->State() != TTimeBar::Running)) {
        return false;
    }
    for (size_t i = 0; i < queue.Count(); ++i) {
        const TGameState& state = queue.At(i);
        if (&state != wait && !state.IsBonusState()) {
            return false;
        }
    }
    return true;
}

void TGameScreen::ClickAt(int x, int y) {
    TGWidgetManager& manager = GetWidgetManager(AppData());
    manager.MouseMove(x, y);
    manager.MouseDown(mbLeft);
    manager.MouseUp(mbLeft);
}

void TGameScreen::SetPaused(bool paused) {
    if (paused == FPaused || ModalDialogOpen() || LeaveStateQueued() || FIntroRunning || IsBusy()) {
        return;
    }
    FPaused = paused;
    FreezePlay(paused);
    TGWidget& dialog = Named("PauseDialog");
    TGWidget& field = Named("FieldWidget");
    const bool effects = !GetHost().LowVideoMemory();
    if (effects) {
        field.ShowEffect =
            std::make_shared<TMinScaleEffect>(AppData(), field, true, FieldPauseEffectSeconds, 0.3);
        field.HideEffect =
            std::make_shared<TMinScaleEffect>(AppData(), field, false, FieldPauseEffectSeconds, 0.3);
    } else {
        field.ShowEffect = nullptr;
        field.HideEffect = nullptr;
    }
    if (paused) {
        dialog.BringToFront();
        dialog.Show();
        field.Hide();
    } else {
        dialog.Hide();
        field.Show();
    }
    GetHost().SetBricksInFlightHidden(paused);
}

void TGameScreen::FreezePlay(bool frozen) {
    IGameScreenHost& host = GetHost();
    if (TTimeBar* bar = host.TimeBar()) {
        bar->SetPaused(frozen);
    }
    host.StateQueue().SetPaused(frozen);
    AppData().GameClock->Paused = frozen;
    host.PauseFieldTransformationSound(frozen);
    host.SetWorkZoneFrozen(frozen);
}

// ---- what other parts of the game call ----

void TGameScreen::ShowExtraLife() {
    PlaySound("AddLife");
    if (FAddLifeAni) {
        FAddLifeAni->SetVisible(true);
        FAddLifeAni->SetTime(0.0);
    }
}

void TGameScreen::EndScoreMultiplier() {
    PGXMLNode config = GetHost().GameConfig();
    if (!config) {
        return;
    }
    // The multiplier's own special (kind 5) carries the animation of its end.
    PGXMLCollection specials = config->GetCollection("Special");
    for (size_t i = 0; i < specials->Count(); ++i) {
        PGXMLNode special = specials->GetItem(i);
        PGXMLNode out = FirstChild(*special, "OutAnimotion");
        if (special->GetIntDef("Id", 0) == 5 && out) {
            FMultiplierOutAni = std::make_shared<TGInterfaceAnimotion>(AppData());
            FMultiplierOutAni->Import(*out);
            FMultiplierOutAni->GetRoot().Y -= MultiplierOutRise;
            return;
        }
    }
}

void TGameScreen::FadeBackAnimations() {
    for (TBackAni& back : FBackAnis) {
        for (int id = 0; id <= 255; ++id) {
            if (!back.Animotion->HasChannel(id)) {
                continue;
            }
            TGMotionSeg& fade = back.Animotion->AddMotionSeg(id);
            fade.Alpha.AddKey(0.0, 1.0);
            fade.Alpha.AddKey(1.0, 0.0);
            fade.Length = 0.5;
        }
    }
}

bool TGameScreen::IsBusy() const {
    if (FIntroRunning) {
        return true;
    }
    for (const char* name : EffectWidgets) {
        if (Named(name).CurrentEffect()) {
            return true;
        }
    }
    return false;
}

bool TGameScreen::ModalDialogOpen() const {
    for (const char* name : ModalDialogs) {
        if (Named(name).IsVisible()) {
            return true;
        }
    }
    return false;
}

bool TGameScreen::LeaveStateQueued() const {
    const TGameStateQueue& queue = GetHost().StateQueue();
    return queue.HasExact<TSecretLevelState>() || queue.HasExact<TGameToConstructionScreenState>() ||
           (queue.GameManager() && queue.GameManager()->IsQueued(TOtherState::GameToPuzzleScreen));
}

// ---- dialogs ----

void TGameScreen::ShowDialog(const std::string& name, std::function<void()> onOk) {
    TGWidget& dialog = Named(name);
    FDialogOk[name] = std::move(onOk);
    if (!GetHost().LowVideoMemory()) {
        dialog.ShowEffect = std::make_shared<TFakeDissolveEffect>(AppData(), dialog, true, TipEffectSeconds);
        dialog.HideEffect = std::make_shared<TFakeDissolveEffect>(AppData(), dialog, false, TipEffectSeconds);
    }
    dialog.BringToFront();
    dialog.Show();
}

bool TGameScreen::IsDialogVisible(const std::string& name) const {
    return Named(name).IsVisible();
}

void TGameScreen::HideDialog(const std::string& name) {
    Named(name).Hide();
}

// ---- interface tips ----

int TGameScreen::IntfTipUnderPointer() const {
    if (!FIntfTips || !GetHost().ShowTips() || ModalDialogOpen() || Named("PauseDialog").IsVisible()) {
        return -1;
    }
    const TGWidgetManager& manager = GetWidgetManager(AppData());
    const int x = manager.LastX();
    const int y = manager.LastY();
    for (size_t i = 0; i < FIntfTips->Count(); ++i) {
        const IGXMLNode& tip = *FIntfTips->GetItem(i);
        if (tip.GetStringDef("Id", "") == "ExtraBonus" && GetHost().SelectedBonusKind() == 0) {
            continue;
        }
        const int left = tip.GetIntDef("HotX", 0);
        const int top = tip.GetIntDef("HotY", 0);
        if (x > left && x < left + tip.GetIntDef("HotWidth", 0) && y > top &&
            y < top + tip.GetIntDef("HotHeight", 0)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TGameScreen::StepInterfaceTip() {
    const int index = IntfTipUnderPointer();
    if (index != FCurrentIntfTip) {
        ShowIntfTip(index);
    }
}

void TGameScreen::ShowIntfTip(int index) {
    FCurrentIntfTip = index;
    TGWidget& bubble = Named("IntfTip");
    bubble.SetVisible(false);
    if (index < 0) {
        return;
    }
    const IGXMLNode& tip = *FIntfTips->GetItem(static_cast<size_t>(index));
    const std::string text = Translate(tip.GetStringDef("Text", ""));
    double width = 200.0;
    if (AppData().ResManager && AppData().ResManager->HasFont(TipFont)) {
        width = AppData().GetFont(TipFont).MeasureString(text).Width;
    }
    bubble.X = tip.GetFloatDef("TipX", 0.0);
    bubble.Y = tip.GetFloatDef("TipY", 0.0);
    bubble.SetWidth(width + TipPadding);
    auto& label = dynamic_cast<TGWidLabel&>(bubble.GetChild("Text"));
    label.SetWidth(width + TipPadding);
    label.SetCaption(text);
    bubble.BringToFront();
    bubble.Show();
}

// ---- background animations ----

void TGameScreen::StepBackAnimations() {
    if (GetHost().StateQueue().HasExact<TSubLevelCompleteState>()) {
        return;
    }
    for (size_t index : FBackAniSchedule.Step(AppData().GameClock->Step)) {
        StartBackAnimation(index);
    }
}

void TGameScreen::StartBackAnimation(size_t index) {
    if (!FBackAniElements || index >= FBackAniElements->Count()) {
        return;
    }
    const IGXMLNode& element = *FBackAniElements->GetItem(index);
    TBackAni back;
    back.Animotion = std::make_shared<TGGameAnimotion>(AppData());
    back.Animotion->Import(element);
    back.BackgroundColor = element.GetBoolDef("BackgroundColor", false);
    FBackAnis.push_back(std::move(back));
}

const std::vector<std::string>& GameScreenWidgetNames() {
    static const std::vector<std::string> names = {"InGameMenu",
                                                   "PanelInfoImage",
                                                   "ShuffleBtn",
                                                   "MenuBtn",
                                                   "ExitBtn",
                                                   "ScoresValueLabel",
                                                   "BricksValueLabel",
                                                   "ScoreMultiplyMode",
                                                   "BackgroundWidget",
                                                   "SkyWidget",
                                                   "CloudsWidget",
                                                   "ConstructionWidget",
                                                   "BeforeWorkZoneWidget",
                                                   "AfterWorkZoneWidget",
                                                   "WorkZoneWidget",
                                                   "FieldWidget",
                                                   "BrickWidget",
                                                   "TimeLineWidget",
                                                   "StateQueueWidget",
                                                   "TipDialog",
                                                   "IntfTip",
                                                   "Text",
                                                   "PauseDialog",
                                                   "HelpDialog",
                                                   "OptionsDialog",
                                                   "StageCompleteDialog",
                                                   "SecretMapDialog",
                                                   "LossLifeDialog1",
                                                   "LossLifeDialog2",
                                                   "GameOverDialog",
                                                   "OkBtn"};
    return names;
}

std::vector<std::string> GameScreenSequenceNames() {
    std::vector<std::string> names;
    for (const char* picture : {"Background", "SidePanel", "FieldFrame", "ValuePlate", "HurryUp", "NoMoves",
                                "BonusReady", "ExtraLife", "BonusArrow", "Gull1", "Gull2", "Sail"}) {
        names.push_back(std::string("gamescreen/") + picture);
    }
    for (const char* button : {"Pause", "Exit", "Shuffle"}) {
        for (const char* state : {"Normal", "Hover", "Pressed", "Disabled"}) {
            names.push_back(std::string("gamescreen/") + button + "Btn" + state);
        }
    }
    return names;
}

void RegisterGameScreenClasses() {
    RegisterWidgetClass<TGameScreen>(TGameScreen::ScreenName);
}

} // namespace qm
