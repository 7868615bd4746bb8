#include "UBonusStates.h"

#include "UBars.h"
#include "UCoreStates.h"
#include "UField.h"
#include "UFieldEffect.h"
#include "UGError.h"
#include "UGRandom.h"
#include "UGSprite.h"
#include "UGTimer.h"
#include "UGWidget.h"
#include "UParticleEffects.h"
#include "UPlayHost.h"
#include "USpecials.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>

namespace qm {

namespace {

// Where a thing drawn at a cell's corner sits, as the effects of the specials place theirs.
constexpr int CornerInset = 25;

void AddParticles(TField& field, std::unique_ptr<TParticleEffect> effect) {
    field.AddEffect(std::make_unique<TParticleFieldEffect>(std::move(effect)));
}

TGIntPoint CellCorner(const TField& field, const TCell& cell) {
    return field.CellToScreen(cell.Row, cell.Col, false);
}

// A plain marble of a colour: the chameleon takes its colour from its neighbours and has none of
// its own to aim at.
const TMarble* ColouredMarble(const TSimpleElement* element) {
    const auto* marble = dynamic_cast<const TMarble*>(element);
    if (!marble || dynamic_cast<const TMarbleWildChameleon*>(marble)) {
        return nullptr;
    }
    return marble;
}

// A sprite looping over its frames at a place; nothing to see when the sequence is missing.
PGAnimotion LoopingSprite(IPlayHost& host, const std::string& sequence, double seconds, int x, int y) {
    auto animotion = std::make_shared<TGAnimotion>(host.ResManager(), &host.GameClock());
    TGActiveChannel& channel = animotion->GetChannel(0);
    channel.Pivot = pvCenter;
    channel.X = x;
    channel.Y = y;
    if (TGSequence* seq = host.FindSeq(sequence); seq && seq->Count() > 0) {
        channel.SeqId = sequence;
        TGClipSeg& clip = channel.AddClipSeg();
        clip.SeqId = sequence;
        clip.Pivot = pvCenter;
        clip.EndFrame = seq->Count() - 1;
        clip.Length = seconds;
        clip.SetLoopStart(true);
        clip.SetLoopEnd(true);
    }
    return animotion;
}

// One frame of a sequence at a place.
PGAnimotion StillSprite(IPlayHost& host, const std::string& sequence, int frame, int x, int y,
                        uint8_t pivot) {
    auto animotion = std::make_shared<TGAnimotion>(host.ResManager(), &host.GameClock());
    TGActiveChannel& channel = animotion->GetChannel(0);
    channel.Pivot = pivot;
    channel.X = x;
    channel.Y = y;
    if (TGSequence* seq = host.FindSeq(sequence); seq && seq->Count() > 0) {
        channel.SeqId = sequence;
        channel.Frame = std::clamp(frame, 0, seq->Count() - 1);
    }
    return animotion;
}

bool FirstChannelDone(const PGAnimotion& flight) {
    return !flight || !flight->HasChannel(0) || flight->GetChannel(0).IsFinished();
}

bool FlightDone(const PGAnimotion& flight) {
    return !flight || flight->IsFinished();
}

// Every cell of the field, row by row.
template <typename TVisit> void ForEachCell(TField& field, TVisit visit) {
    for (int row = field.FirstRow; row <= field.LastRow; ++row) {
        for (int col = field.FirstCol; col <= field.LastCol; ++col) {
            visit(field.Cell(row, col));
        }
    }
}

} // namespace

TSimpleElement* TBonusTarget::Live() const {
    return Cell && Element && Cell->Element.get() == Element ? Element : nullptr;
}

// ---- the factory and the manager's questions ----

PGXMLNode BonusNodeOfKind(const IGXMLNode& gameConfig, int kind) {
    const PGXMLCollection specials = gameConfig.GetCollection("Special");
    for (size_t i = 0; specials && i < specials->Count(); ++i) {
        PGXMLNode node = specials->GetItem(i);
        if (node->GetIntDef("Kind", 0) == kind) {
            return node;
        }
    }
    return nullptr;
}

TSpecialLooks::TSpecialLooks(const IGXMLNode* gameConfig) {
    constexpr int KindCount = 15;
    for (int kind = 1; kind <= KindCount; ++kind) {
        const PGXMLNode node = gameConfig ? BonusNodeOfKind(*gameConfig, kind) : nullptr;
        const std::string folder = SpecialFolder(kind) + "/";
        auto look = [&](const char* attribute, const char* usual) {
            if (!node || !node->HasAttribute(attribute)) {
                return folder + usual;
            }
            const std::string name = node->GetString(attribute);
            return name.empty() ? std::string() : folder + name;
        };
        TLook found{look("MainSeq", "Special"), look("SelectSeq", "SpecialSel"),
                    look("GraySeq", "SpecialGray"), look("FillSeq", "SpecialFill"),
                    node ? node->GetStringDef("BonusLight", "") : std::string()};
        FLooks.push_back(std::move(found));
    }
}

const TSpecialLooks::TLook& TSpecialLooks::Of(int kind) const {
    // Checks the kind as every name of it does.
    (void)SpecialIdOfKind(kind);
    return FLooks[static_cast<size_t>(kind - 1)];
}

std::vector<std::string> BonusSequenceNames() {
    const std::string phantom = SpecialFolder(bkPhantomBonuses);
    return {phantom + "/SpecialDef1",
            phantom + "/SpecialDef2",
            phantom + "/SpecialDef3",
            phantom + "/SpecialAdd",
            SpecialFolder(bkColorChange) + "/SpecialAdd",
            "stuff/HighlightedCell"};
}

std::unique_ptr<TGameState> MakeBonusState(int kind, TGameStateQueue& queue, PGXMLNode node) {
    switch (kind) {
    case bkDiagonal:
        return std::make_unique<TDiagonalBonusState>(queue, node);
    case bkAddScores:
        return std::make_unique<TAddScoresBonusState>(queue, node);
    case bkTimeLineFreeze:
        return std::make_unique<TTimeLineFreezeBonusState>(queue, node);
    case bkSingleCellBomb:
        return std::make_unique<TSingleCellBombBonusState>(queue, node);
    case bkCornerStoneTeleport:
        return std::make_unique<TCornerStoneTeleportBonusState>(queue, node);
    case bkWildChameleon:
        return std::make_unique<TWildChameleonBonusState>(queue, node);
    case bkBomb:
        return std::make_unique<TBombBonusState>(queue, node);
    case bkCornerStoneDown:
        return std::make_unique<TCornerStoneDownBonusState>(queue, node);
    case bkColorChange:
        return std::make_unique<TColorChangeBonusState>(queue, node);
    case bkX2BuildingMaterials:
        return std::make_unique<TX2BuildingMaterialsBonusState>(queue, node);
    case bkColorBomb:
        return std::make_unique<TColorBombBonusState>(queue, node);
    case bkPhantomBonuses:
        return std::make_unique<TPhantomBonusState>(queue, node);
    default:
        return nullptr;
    }
}

bool TBonusStarter::Start(TGameStateQueue& queue, int kind, PGXMLNode node) {
    if (kind == bkNone || queue.HasKindOf<TBonusState>()) {
        return false;
    }
    if (std::unique_ptr<TGameState> state = MakeBonusState(kind, queue, std::move(node))) {
        queue.Adopt(std::move(state));
        return true;
    }
    // A damaged save may name a kind without a state; the game goes on without the bonus.
    if (FReportedKind != kind) {
        FReportedKind = kind;
        std::cerr << "TGameScreen.CreateBonusState: the selected extra bonus " << kind
                  << " has no bonus state; the bonus bar stays full\n";
    }
    return false;
}

bool MouseBonusArmedIn(const TGameStateQueue& queue) {
    if (queue.HasKindOf<TCornerStoneTeleportBonusState2>()) {
        return true;
    }
    const auto* state = queue.FindKindOf<TMouseBonuseState>();
    return state && state->IsArmed();
}

bool MouseBonusQueuedIn(const TGameStateQueue& queue) {
    return queue.HasKindOf<TMouseBonuseState>() || queue.HasKindOf<TCornerStoneTeleportBonusState2>();
}

bool BonusEffectBusyIn(const TGameStateQueue& queue) {
    const auto* change = queue.FindKindOf<TColorChangeBonusState>();
    const auto* teleport = queue.FindKindOf<TCornerStoneTeleportBonusState2>();
    return (change && change->EffectRunning()) || (teleport && teleport->EffectRunning());
}

bool BonusActivePhaseIn(const TGameStateQueue& queue) {
    const auto* phantom = queue.FindKindOf<TPhantomBonusState>();
    return BonusEffectBusyIn(queue) || (phantom && phantom->EffectRunning());
}

void CancelMouseBonusesIn(TGameStateQueue& queue) {
    for (size_t i = 0; i < queue.Count(); ++i) {
        if (auto* state = dynamic_cast<TMouseBonuseState*>(&queue.At(i)); state && state->IsArmed()) {
            state->Disarm();
        }
    }
    queue.RemoveAllOf<TCornerStoneTeleportBonusState2>();
}

void SetBonusStatesRunningIn(TGameStateQueue& queue, bool running) {
    for (size_t i = 0; i < queue.Count(); ++i) {
        if (auto* state = dynamic_cast<TBonusState*>(&queue.At(i))) {
            state->Running = running;
        }
    }
}

// ---- TBonusState ----

TBonusState::TBonusState(TGameStateQueue& queue, PGXMLNode node)
    : TGameState(queue), FNode(std::move(node)) {}

TBonusState::~TBonusState() = default;

bool TBonusState::Initialize() {
    TGameState::Initialize();
    if (IPlayManager* manager = GameManager()) {
        manager->ResetBonusBar();
    }
    ButtonX = TBonusBar::ButtonX;
    ButtonY = TBonusBar::ButtonY;
    ButtonHalfWidth = TBonusBar::ButtonHalfWidth;
    ButtonHalfHeight = TBonusBar::ButtonHalfHeight;
    return true;
}

void TBonusState::Draw() {
    if (Running && FShown) {
        DrawAnimotion(Host(), *FShown);
    }
}

IPlayHost& TBonusState::Host() const {
    return Board().Host();
}

TField& TBonusState::Board() const {
    TField* field = Field();
    if (!field) {
        throw EGError("TBonusState.Field", "no field is being played");
    }
    return *field;
}

bool TBonusState::IsOverButton(int x, int y) const {
    const TGameStateQueue& queue = Queue();
    if (queue.HasKindOf<TSubLevelCompleteState>() || queue.HasKindOf<TSubLevelFailState>()) {
        return false;
    }
    return std::abs(x - ButtonX) <= ButtonHalfWidth && std::abs(y - ButtonY) <= ButtonHalfHeight;
}

bool TBonusState::IsBlocked() const {
    const TGameStateQueue& queue = Queue();
    if (queue.HasKindOf<TShuffleState>() || queue.HasKindOf<TSubLevelCompleteState>() ||
        queue.HasKindOf<TSubLevelFailState>() || queue.HasKindOf<TOutOfMovesState>() ||
        queue.HasKindOf<TGameToConstructionScreenState>() || queue.HasKindOf<TSecretLevelState>()) {
        return true;
    }
    if (const IPlayManager* manager = GameManager()) {
        if (manager->IsQueued(TOtherState::FieldRotate) ||
            manager->IsQueued(TOtherState::ShowHideFieldLayer) ||
            manager->IsQueued(TOtherState::GameToPuzzleScreen)) {
            return true;
        }
    }
    return Field() && IsSublevelDone(queue);
}

bool TBonusState::IsBadTarget(const TCell& cell) const {
    const TSimpleElement* element = cell.Element.get();
    if (cell.IsHole() || !element) {
        return true;
    }
    const bool kindTaken = dynamic_cast<const TMarble*>(element) || dynamic_cast<const TSpecial*>(element);
    return !kindTaken || !element->IsIdle() || element->IsLocked() || element->IsDying();
}

void TBonusState::DropSelection(bool visual) {
    if (auto* wait = Queue().FindExact<TWaitState>()) {
        wait->DropSelection(visual);
    }
}

double TBonusState::NodeFloat(const char* name, double fallback) const {
    return FNode ? FNode->GetFloatDef(name, fallback) : fallback;
}

int TBonusState::NodeInt(const char* name, int fallback) const {
    return FNode ? FNode->GetIntDef(name, fallback) : fallback;
}

PGAnimotion TBonusState::LoadAnimotion(const std::string& name) const {
    if (!FNode) {
        return nullptr;
    }
    const PGXMLCollection collection = FNode->GetCollection(name);
    if (!collection || collection->Count() == 0) {
        return nullptr;
    }
    IPlayHost& host = Host();
    auto animotion = std::make_shared<TGAnimotion>(host.ResManager(), &host.GameClock());
    animotion->Import(*collection->GetItem(0));
    return animotion;
}

void TBonusState::Show(PGAnimotion animotion, int x, int y) {
    FShowsReady = false;
    FShown = std::move(animotion);
    if (FShown) {
        FShown->SetX(x);
        FShown->SetY(y);
    }
}

void TBonusState::ShowReadyAnimation() {
    Show(LoadAnimotion("BarAnimotion"), ButtonX, ButtonY);
    FShowsReady = FShown != nullptr;
}

void TBonusState::ButtonDown(const TGInputState& input) {
    if (IsOverButton(input.X, input.Y)) {
        Pressed = true;
    }
}

bool TBonusState::ButtonClicked(const TGInputState& input) {
    const bool clicked = Pressed && IsOverButton(input.X, input.Y);
    Pressed = false;
    return clicked;
}

void TBonusState::AdvanceEffectClock() {
    Host().GameClock().AddStep(FEffectTime);
}

void TBonusState::PushPack() {
    Host().PushPackState();
}

void TBonusState::PushMatch() {
    Queue().Push<TMatchState>(false, std::vector<TSpecial*>{});
}

// ---- the button bonuses ----

bool TBonusState::LaunchFromButton(const TGInputState& input, bool& fired, int dx, int dy) {
    if (fired || IsBlocked() || !ButtonClicked(input)) {
        return false;
    }
    fired = true;
    Show(LoadAnimotion("FlyingAnimotion"), ButtonX + dx, ButtonY + dy);
    StartFlightSparkles(ButtonX + dx, ButtonY + dy);
    Host().PlayBlastSound(BonusKind());
    return true;
}

TGSegment* TBonusState::FirstFlightStretch(const PGAnimotion& flight) {
    if (!flight || !flight->HasChannel(0) || flight->GetChannel(0).SegmentCount() == 0) {
        return nullptr;
    }
    return &flight->GetChannel(0).Segment(0);
}

// The stretch is played on a copy of the flight of its own, so the one on show is not disturbed.
std::vector<TGIntPoint> TBonusState::FlightPath(int x, int y) const {
    std::vector<TGIntPoint> path;
    const PGAnimotion probe = LoadAnimotion("FlyingAnimotion");
    TGSegment* first = FirstFlightStretch(probe);
    if (!first) {
        return path;
    }
    const TGActiveChannel& channel = first->Channel();
    for (int i = 0; i < FlightPathPoints; ++i) {
        first->Apply(first->StartTime + first->Length * i / (FlightPathPoints - 1));
        path.push_back(
            {x + static_cast<int>(std::lround(channel.X)), y + static_cast<int>(std::lround(channel.Y))});
    }
    return path;
}

// The sparkles trail the flight over its first stretch, from the button to the gauge it acts on.
void TBonusState::StartFlightSparkles(int x, int y) {
    const TParticleEnv env = Host().ParticleEnv();
    const TGSegment* first = FirstFlightStretch(FShown);
    const double seconds = first ? first->Length : 0.0;
    const std::vector<TGIntPoint> path = FlightPath(x, y);
    if (!env.ResManager || seconds <= 0.0 || path.size() < 2) {
        return;
    }
    auto sparkles = std::make_unique<TSparklesFx>(env, seconds, FlightSparkles / seconds);
    for (size_t i = 0; i < path.size(); ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(path.size() - 1);
        sparkles->AddXKey(t, path[i].X);
        sparkles->AddYKey(t, path[i].Y);
    }
    AddParticles(Board(), std::move(sparkles));
}

void TBonusState::PressUnlessFired(const TGInputState& input, bool fired) {
    if (!fired && !IsBlocked()) {
        ButtonDown(input);
    }
}

// Without a manager the flight still runs its course; nothing is told.
void TBonusState::StepFlight(bool& applied, const std::function<void()>& act) {
    if (!applied && FirstChannelDone(FShown)) {
        applied = true;
        if (GameManager()) {
            act();
        }
    }
    if (FlightDone(FShown)) {
        Finish();
    }
}

bool TButtonBonusState::Initialize() {
    TBonusState::Initialize();
    ShowReadyAnimation();
    return true;
}

void TButtonBonusState::MouseDown(int /*button*/, const TGInputState& input) {
    PressUnlessFired(input, Fired);
}

void TButtonBonusState::MouseUp(int /*button*/, const TGInputState& input) {
    LaunchFromButton(input, Fired, LaunchDX(), LaunchDY());
}

void TTimeLineFreezeBonusState::UpdateHelper() {
    if (Fired && FlightDone(FShown)) {
        if (IPlayManager* manager = GameManager()) {
            manager->FreezeTimeBar();
        }
        Finish();
    }
}

void TX2BuildingMaterialsBonusState::UpdateHelper() {
    if (Fired) {
        StepFlight(Applied, [this] { GameManager()->StartDoubleMaterials(NodeFloat("MultiplyTime", 20.0)); });
    }
}

void TAddScoresBonusState::UpdateHelper() {
    if (Fired) {
        StepFlight(Applied, [this] { GameManager()->StartScoreMultiplier(NodeFloat("MultiplyTime", 20.0)); });
    }
}

// ---- TPhantomBonusState ----

TPhantomBonusState::~TPhantomBonusState() {
    for (const TBonusTarget& target : Targets) {
        if (TSimpleElement* element = target.Live()) {
            element->Unlock();
        }
    }
}

bool TPhantomBonusState::Initialize() {
    TBonusState::Initialize();
    FShowTime = 0.0;
    StartShow(1);
    return true;
}

int TPhantomBonusState::ShowingType() const {
    return static_cast<int>(FShowTime / DefinitionSeconds) % 3 + 1;
}

// The definition of the type on show, and a sparkle that comes and goes over it.
void TPhantomBonusState::StartShow(int type) {
    IPlayHost& host = Host();
    const std::string folder = SpecialFolder(bkPhantomBonuses);
    Show(LoopingSprite(host, folder + "/SpecialDef" + std::to_string(type), DefinitionSeconds, ButtonX,
                       ButtonY),
         ButtonX, ButtonY);
    FShowsReady = true;
    FSparkle = LoopingSprite(host, folder + "/SpecialAdd", 1.0, ButtonX, ButtonY);
    FShownType = type;
}

void TPhantomBonusState::UpdateHelper() {
    if (Type == 0) {
        const int before = ShowingType();
        Host().GameClock().AddStep(FShowTime);
        if (ShowingType() != before) {
            StartShow(ShowingType());
        }
        return;
    }
    AdvanceEffectClock();
    if (EffectTime() >= FlightSeconds) {
        Transform();
        Finish();
    }
}

void TPhantomBonusState::Draw() {
    if (!Running) {
        return;
    }
    TBonusState::Draw();
    // The sparkle shows in the second half of each second, from half a second on.
    if (Type == 0 && FSparkle && FShowTime >= 0.5 && std::fmod(FShowTime - 0.5, 2.0) >= 1.0) {
        DrawAnimotion(Host(), *FSparkle);
    }
    for (const PGAnimotion& flight : FFlights) {
        DrawAnimotion(Host(), *flight);
    }
}

void TPhantomBonusState::MouseDown(int /*button*/, const TGInputState& input) {
    PressUnlessFired(input, Type != 0);
}

void TPhantomBonusState::MouseUp(int /*button*/, const TGInputState& input) {
    if (Type != 0 || IsBlocked() || !ButtonClicked(input)) {
        return;
    }
    Type = ShowingType();
    Host().PlayBlastSound(BonusKind());
    Show(nullptr, ButtonX, ButtonY);
    ChooseTargets();
    StartEffectClock();
    if (Targets.empty()) {
        Finish();
    }
}

void TPhantomBonusState::ChooseTargets() {
    TField& field = Board();
    const int rows = field.LastRow - field.FirstRow;
    const int cols = field.LastCol - field.FirstCol;
    if (rows <= 0 || cols <= 0) {
        return;
    }
    const std::string sequence = SpecialFolder(bkPhantomBonuses) + "/SpecialAct" + std::to_string(Type);
    for (int draw = 0; draw < 1000 && static_cast<int>(Targets.size()) < Marbles; ++draw) {
        TCell& cell = field.Cell(field.FirstRow + static_cast<int>(Random(static_cast<uint32_t>(rows))),
                                 field.FirstCol + static_cast<int>(Random(static_cast<uint32_t>(cols))));
        TSimpleElement* element = cell.Element.get();
        const bool taken = std::any_of(Targets.begin(), Targets.end(),
                                       [&](const TBonusTarget& target) { return target.Cell == &cell; });
        if (taken || !ColouredMarble(element) || element->IsLocked() || element->IsDying()) {
            continue;
        }
        element->Lock();
        Targets.push_back({&cell, element});
        FFlights.push_back(
            FlyingSprite(Host(), sequence, {ButtonX, ButtonY}, field.CellCentre(cell), FlightSeconds));
    }
}

// Each chosen marble becomes a marble of its colour that carries the chosen strike.
void TPhantomBonusState::Transform() {
    IPlayHost& host = Host();
    TField& field = Board();
    for (TBonusTarget& target : Targets) {
        const TMarble* marble = ColouredMarble(target.Live());
        if (!marble) {
            continue;
        }
        const TGIntPoint centre = field.CellCentre(*target.Cell);
        const char color = marble->Color;
        std::unique_ptr<TSimpleElement> replacement;
        if (Type == 1) {
            replacement = NewElement<TMarbleWithLineFreeze>(host, centre.X, centre.Y, color);
        } else if (Type == 2) {
            replacement = NewElement<TMarbleWithCrossFire>(host, centre.X, centre.Y, color);
        } else {
            replacement = NewElement<TMarbleWithDiagonal>(host, centre.X, centre.Y, color);
        }
        replacement->Init();
        target.Cell->Element = std::move(replacement);
        target.Element = nullptr;
    }
    FFlights.clear();
}

// ---- TMouseBonuseState ----

bool TMouseBonuseState::Initialize() {
    TBonusState::Initialize();
    MouseDX = NodeInt("MouseDX", 0);
    MouseDY = NodeInt("MouseDY", 0);
    ShowReady();
    return true;
}

void TMouseBonuseState::ShowReady() {
    ShowReadyAnimation();
}

void TMouseBonuseState::Arm() {
    Armed = true;
    Pressed = false;
    TargetCell = nullptr;
    Cursor = LoadAnimotion("FlyingAnimotion");
    Show(Cursor, PointerX + MouseDX, PointerY + MouseDY);
}

void TMouseBonuseState::Disarm() {
    Armed = false;
    Pressed = false;
    TargetCell = nullptr;
    Cursor = nullptr;
    ShowReady();
}

void TMouseBonuseState::UpdateHelper() {
    if (FEffectRunning) {
        AdvanceEffectClock();
        StepEffect();
    }
}

void TMouseBonuseState::Draw() {
    if (!Running) {
        return;
    }
    if (Armed) {
        DrawArmed();
        if (FShown) {
            FShown->SetX(PointerX + MouseDX);
            FShown->SetY(PointerY + MouseDY);
        }
    }
    TBonusState::Draw();
    if (Armed && !FEffectRunning) {
        DrawColourFrame(CursorColor(), PointerX + MouseDX, PointerY + MouseDY, 1.0);
    }
}

// The colour swatches are rings a little smaller than a gem: drawn larger, the ring frames the gem
// on the button or the cursor instead of covering it.
void TMouseBonuseState::DrawColourFrame(char color, int x, int y, double alpha) {
    if (color < '1' || color > '8') {
        return;
    }
    IPlayHost& host = Host();
    PGAnimotion frame =
        StillSprite(host, SpecialFolder(bkColorChange) + "/SpecialAdd", color - '1', x, y, pvCenter);
    TGActiveChannel& channel = frame->GetChannel(0);
    channel.ScaleX = ColourFrameScale;
    channel.ScaleY = ColourFrameScale;
    channel.SetAlpha(alpha);
    DrawAnimotion(host, *frame);
}

char TMouseBonuseState::ColorUnderPointer() const {
    const TCell* cell = Board().CellAt(PointerX, PointerY);
    const TMarble* marble = cell ? ColouredMarble(cell->Element.get()) : nullptr;
    return marble && !marble->IsDying() ? marble->Color : ' ';
}

void TMouseBonuseState::MouseMove(const TGInputState& input) {
    PointerX = input.X;
    PointerY = input.Y;
    if (Armed) {
        PointerMoved();
    }
}

void TMouseBonuseState::MouseDown(int /*button*/, const TGInputState& input) {
    MouseMove(input);
    if (IsBlocked() || FEffectRunning) {
        return;
    }
    if (!Armed) {
        ButtonDown(input);
        return;
    }
    TCell* cell = Board().CellAt(input.X, input.Y);
    if (cell && !IsBadTarget(*cell)) {
        TargetCell = cell;
    }
}

void TMouseBonuseState::MouseUp(int button, const TGInputState& input) {
    MouseMove(input);
    if (IsBlocked() || FEffectRunning) {
        return;
    }
    if (!Armed) {
        if (ButtonClicked(input)) {
            Arm();
        }
        return;
    }
    if (button == mbRight || IsOverButton(input.X, input.Y)) {
        Disarm();
        return;
    }
    TCell* cell = Board().CellAt(input.X, input.Y);
    TCell* target = TargetCell;
    Pressed = false;
    TargetCell = nullptr;
    if (cell && cell == target && !IsBadTarget(*cell) && Board().IsStable()) {
        Host().PlayBlastSound(BonusKind());
        Fire(*cell);
    }
}

void TMouseBonuseState::BeginEffect() {
    FEffectRunning = true;
    StartEffectClock();
}

int TMouseBonuseState::AllowedUses() const {
    return Host().HasSmallBonus(sbBombDoubleTime) ? 2 : 1;
}

void TMouseBonuseState::UseDone() {
    FEffectRunning = false;
    ++Uses;
    if (Uses < AllowedUses()) {
        Arm();
    } else {
        Finish();
    }
}

void TMouseBonusStateExt::Fire(TCell& /*target*/) {
    Finish();
}

// ---- TSingleCellBombBonusState ----

void TSingleCellBombBonusState::Fire(TCell& target) {
    TField& field = Board();
    FStruck = &target;
    const TGIntPoint centre = field.CellCentre(target);
    if (const TParticleEnv env = Host().ParticleEnv(); env.ResManager) {
        AddParticles(field, std::make_unique<TSingleCellBombFx>(env, centre.X, centre.Y, StrikeDelay));
    }
    field.Shake(ShakeSeconds);
    BeginEffect();
}

void TSingleCellBombBonusState::StepEffect() {
    if (EffectTime() < StrikeDelay || !FStruck) {
        return;
    }
    TCell& cell = *FStruck;
    FStruck = nullptr;
    TSimpleElement* element = cell.Element.get();
    const bool marble = dynamic_cast<TMarble*>(element) != nullptr;
    if (element && !IsBox(element)) {
        element->Kill(0);
    }
    DropSelection(marble);
    // A colour cell gives way to the bomb whatever colour stood on it.
    cell.Hit(bkSingleCellBomb, true);
    PushPack();
    UseDone();
}

// ---- TBombBonusState ----

std::vector<TCell*> TBombBonusState::BlastCells(TField& field, const TCell& centre) {
    static constexpr int Offsets[9][2] = {{0, 0}, {0, -1},  {0, 1},  {-1, 0}, {1, 0},
                                          {1, 1}, {-1, -1}, {1, -1}, {-1, 1}};
    std::vector<TCell*> cells;
    for (const auto& offset : Offsets) {
        const int row = centre.Row + offset[0];
        const int col = centre.Col + offset[1];
        if (field.InField(row, col)) {
            cells.push_back(&field.Cell(row, col));
        }
    }
    return cells;
}

void TBombBonusState::Fire(TCell& target) {
    TField& field = Board();
    FStruck = &target;
    field.Shake(ShakeSeconds);
    if (const TParticleEnv env = Host().ParticleEnv(); env.ResManager) {
        const TGIntPoint corner = CellCorner(field, target);
        AddParticles(field, std::make_unique<TBombFx>(env, corner.X + CornerInset, corner.Y + CornerInset));
    }
    BeginEffect();
}

// The use counts with the strike: the burst's particles are left to fade on the field.
void TBombBonusState::StepEffect() {
    if (EffectTime() < StrikeDelay || !FStruck) {
        return;
    }
    const TCell& centre = *FStruck;
    FStruck = nullptr;
    for (TCell* cell : BlastCells(Board(), centre)) {
        if (!IsBadTarget(*cell)) {
            cell->Element->Kill(0);
        }
        if (!cell->IsHole()) {
            cell->Hit(bkBomb, false);
        }
    }
    DropSelection(true);
    PushPack();
    UseDone();
}

// ---- TColorBombBonusState ----

bool TColorBombBonusState::IsBadTarget(const TCell& cell) const {
    return TMouseBonuseState::IsBadTarget(cell) || !ColouredMarble(cell.Element.get());
}

void TColorBombBonusState::PointerMoved() {
    Color = ColorUnderPointer();
}

void TColorBombBonusState::Fire(TCell& target) {
    const TMarble* aimed = ColouredMarble(target.Element.get());
    Color = aimed ? aimed->Color : ' ';
    if (Color == ' ') {
        return;
    }
    TField& field = Board();
    field.Shake(ShakeSeconds);
    ForEachCell(field, [&](TCell& cell) {
        const TMarble* marble = ColouredMarble(cell.Element.get());
        if (!marble || marble->IsDying() || marble->Color != Color) {
            return;
        }
        cell.Element->Kill(0);
        if (!cell.IsColorCell()) {
            cell.Hit(bkColorBomb, true);
        }
    });
    DropSelection(true);
    PushPack();
    UseDone();
}

// ---- TColorChangeBonusState ----

bool TColorChangeBonusState::Initialize() {
    TMouseBonuseState::Initialize();
    const std::string set = Board().GetMarbleSet();
    std::string digits;
    std::copy_if(set.begin(), set.end(), std::back_inserter(digits),
                 [](char c) { return c >= '1' && c <= '8'; });
    TargetColor = digits.empty() ? 1 : digits[Random(static_cast<uint32_t>(digits.size()))] - '0';
    FCycleTime = 0.0;
    return true;
}

bool TColorChangeBonusState::IsBadTarget(const TCell& cell) const {
    return TMouseBonuseState::IsBadTarget(cell) || !ColouredMarble(cell.Element.get());
}

// The next colour number, cyclically, that the sublevel's marbles use.
void TColorChangeBonusState::NextColor() {
    const std::string set = Board().GetMarbleSet();
    for (int step = 1; step <= 8; ++step) {
        const int color = (TargetColor - 1 + step) % 8 + 1;
        if (set.find(static_cast<char>('0' + color)) != std::string::npos) {
            TargetColor = color;
            return;
        }
    }
}

void TColorChangeBonusState::UpdateHelper() {
    if (!FEffectRunning) {
        Host().GameClock().AddStep(FCycleTime);
        if (FCycleTime >= CycleSeconds) {
            FCycleTime -= CycleSeconds;
            NextColor();
        }
    }
    TMouseBonuseState::UpdateHelper();
}

// The colour on offer shows on the button, armed or not; each new one fades in.
void TColorChangeBonusState::Draw() {
    TMouseBonuseState::Draw();
    if (Running) {
        DrawColourFrame(static_cast<char>('0' + TargetColor), ButtonX, ButtonY, SwatchAlpha());
    }
}

double TColorChangeBonusState::SwatchAlpha() const {
    return FEffectRunning ? 1.0 : std::min(FCycleTime / FadeSeconds, 1.0);
}

void TColorChangeBonusState::Fire(TCell& target) {
    const char color = ColouredMarble(target.Element.get())->Color;
    DropSelection(false);
    ForEachCell(Board(), [&](TCell& cell) {
        TSimpleElement* element = cell.Element.get();
        const TMarble* marble = ColouredMarble(element);
        if (marble && marble->Color == color && marble->IsIdle() && !marble->IsDying() &&
            !marble->IsLocked()) {
            element->Lock();
            Changing.push_back({&cell, element});
        }
    });
    FRecoloured = false;
    BeginEffect();
}

void TColorChangeBonusState::StepEffect() {
    if (!FRecoloured && EffectTime() >= RecolourDelay) {
        FRecoloured = true;
        for (const TBonusTarget& target : Changing) {
            if (auto* marble = dynamic_cast<TMarble*>(target.Live())) {
                marble->SetColor(static_cast<char>('0' + TargetColor));
            }
        }
    }
    if (EffectTime() >= RecolourDelay + HoldSeconds) {
        Release();
        // The new colours may line up.
        PushMatch();
        UseDone();
    }
}

void TColorChangeBonusState::Release() {
    for (const TBonusTarget& target : Changing) {
        if (TSimpleElement* element = target.Live()) {
            element->Unlock();
        }
    }
    Changing.clear();
}

void TColorChangeBonusState::Finalize(bool removed) {
    Release();
    TMouseBonuseState::Finalize(removed);
}

// ---- TCornerStoneDownBonusState ----

bool TCornerStoneDownBonusState::IsBadTarget(const TCell& cell) const {
    if (!IsBox(cell.Element.get())) {
        return TMouseBonuseState::IsBadTarget(cell);
    }
    const TSimpleElement& box = *cell.Element;
    return cell.IsHole() || !box.IsIdle() || box.IsLocked() || box.IsDying();
}

void TCornerStoneDownBonusState::PointerMoved() {
    const TCell* cell = Board().CellAt(PointerX, PointerY);
    HoverColumn = cell && !IsBadTarget(*cell) ? cell->Col : -1;
}

void TCornerStoneDownBonusState::DrawArmed() {
    if (HoverColumn < 0) {
        return;
    }
    TField& field = Board();
    IPlayHost& host = Host();
    for (int row = field.FirstRow; row <= field.LastRow; ++row) {
        const TCell& cell = field.Cell(row, HoverColumn);
        if (!cell.IsHole() && !cell.HoldsBox()) {
            const TGIntPoint corner = CellCorner(field, cell);
            DrawAnimotion(host,
                          *StillSprite(host, "stuff/HighlightedCell", 0, corner.X, corner.Y, pvLeftTop));
        }
    }
    host.GameClock().AddStep(FMoteTime);
    const TParticleEnv env = host.ParticleEnv();
    if (FMoteTime < MoteInterval || !env.ResManager) {
        return;
    }
    FMoteTime = 0.0;
    const TGIntPoint from = field.CellToScreen(field.LastRow, HoverColumn, true);
    const TGIntPoint to = field.CellToScreen(static_cast<int>(Random(10)), HoverColumn, true);
    auto motes = std::make_unique<TMotesFx>(env, 0.5, 40.0);
    motes->AddXKey(0, from.X);
    motes->AddXKey(1, to.X);
    motes->AddYKey(0, from.Y);
    motes->AddYKey(1, to.Y);
    AddParticles(field, std::move(motes));
}

void TCornerStoneDownBonusState::Fire(TCell& target) {
    for (size_t i = 0; i < Queue().Count(); ++i) {
        if (const auto* planted = dynamic_cast<const TPlantedColumnState*>(&Queue().At(i));
            planted && planted->Column == target.Col) {
            return;
        }
    }
    Queue().Push<TPlantedColumnState>(FNode, target.Col);
    UseDone();
}

// ---- TPlantedColumnState ----

TPlantedColumnState::TPlantedColumnState(TGameStateQueue& queue, PGXMLNode node, int column)
    : TGameState(queue), Column(column), FNode(std::move(node)) {}

TPlantedColumnState::~TPlantedColumnState() {
    if (FListening && Field()) {
        Field()->RemoveListener(this);
    }
}

bool TPlantedColumnState::Initialize() {
    TGameState::Initialize();
    TField& field = *Field();
    IPlayHost& host = field.Host();
    host.PlayBlastSound(bkCornerStoneDown);
    auto value = [&](const std::string& name, double fallback) {
        return FNode ? FNode->GetFloatDef(name, fallback) : fallback;
    };
    const double delay = value("Delay", 0.08);
    FBlastedDelay = value("BlastedDelay", 0.4);
    static constexpr int Pattern[4] = {1, 2, 2, 1};
    for (int row = field.LastRow; row >= field.FirstRow; --row) {
        TCell& cell = field.Cell(row, Column);
        if (cell.IsHole() || cell.HoldsBox()) {
            continue;
        }
        const int n = Pattern[(field.LastRow - row) % 4];
        TPlant plant;
        plant.Target = {&cell, cell.Element.get()};
        if (plant.Target.Element) {
            plant.Target.Element->Lock();
        }
        plant.Start = (field.LastRow - row) * delay;
        const std::string suffix = std::to_string(n);
        if (FNode) {
            if (const PGXMLCollection animotions = FNode->GetCollection("PlantAnimotion" + suffix);
                animotions && animotions->Count() > 0) {
                plant.Animotion = std::make_shared<TGAnimotion>(host.ResManager(), &host.GameClock());
                plant.Animotion->Import(*animotions->GetItem(0));
                const TGIntPoint corner = CellCorner(field, cell);
                plant.Animotion->SetX(corner.X + static_cast<int>(value("PlantDX" + suffix, 25)));
                plant.Animotion->SetY(corner.Y + static_cast<int>(value("PlantDY" + suffix, 25)));
            }
        }
        FPlants.push_back(std::move(plant));
    }
    field.AddListener({this, [this] { DrawAfterCells(); }, nullptr});
    FListening = true;
    return true;
}

void TPlantedColumnState::UpdateHelper() {
    Field()->Host().GameClock().AddStep(FTime);
    bool allOver = true;
    for (TPlant& plant : FPlants) {
        if (!plant.Started && FTime >= plant.Start) {
            plant.Started = true;
            if (TSimpleElement* element = plant.Target.Live()) {
                element->Tint = PlantTint;
            }
        }
        if (plant.Started && plant.Animotion) {
            plant.Animotion->UpdateByTimer();
        }
        allOver = allOver && plant.Started && (!plant.Animotion || plant.Animotion->IsFinished());
    }
    if (allOver && FDoneAt < 0.0) {
        FDoneAt = FTime + FBlastedDelay;
    }
    if (FDoneAt >= 0.0 && FTime >= FDoneAt) {
        Finish();
    }
}

void TPlantedColumnState::DrawAfterCells() {
    if (!Field()->Host().ResManager()) {
        return;
    }
    for (TPlant& plant : FPlants) {
        if (plant.Started && plant.Animotion) {
            plant.Animotion->Render(false);
        }
    }
}

// Bottom first, every element of the column but the boxes goes; the cells are struck whatever
// colour they carry, except the colour cells, which only a match of their colour clears.
void TPlantedColumnState::Finalize(bool removed) {
    TGameState::Finalize(removed);
    TField& field = *Field();
    if (FListening) {
        field.RemoveListener(this);
        FListening = false;
    }
    for (TPlant& plant : FPlants) {
        if (TSimpleElement* element = plant.Target.Live()) {
            element->Unlock();
            element->Tint = 0xFFFFFFFF;
        }
    }
    if (removed) {
        return;
    }
    for (int row = field.LastRow; row >= field.FirstRow; --row) {
        TCell& cell = field.Cell(row, Column);
        if (cell.Element && !IsBox(cell.Element.get())) {
            cell.Element->Kill(0);
        }
        if (!cell.IsColorCell()) {
            cell.Hit(bkCornerStoneDown, true);
        }
    }
    field.Host().PushPackState();
}

// ---- TDiagonalBonusState ----

void TDiagonalBonusState::Fire(TCell& target) {
    const TGIntPoint centre = Board().CellCentre(target);
    std::unique_ptr<TSpecial> diagonal = Host().CreateSpecial(bkDiagonal, centre.X, centre.Y);
    TSpecial& placed = *diagonal;
    target.Element = std::move(diagonal);
    DropSelection(true);
    placed.Kill(0);
    TMouseBonusStateExt::Fire(target);
}

// ---- TWildChameleonBonusState ----

bool TWildChameleonBonusState::IsBadTarget(const TCell& cell) const {
    return TMouseBonusStateExt::IsBadTarget(cell) ||
           dynamic_cast<const TMarbleWildChameleon*>(cell.Element.get()) != nullptr;
}

TWildChameleonBonusState::~TWildChameleonBonusState() = default;

void TWildChameleonBonusState::ShowReady() {
    Show(nullptr, ButtonX, ButtonY);
    FReadyLook = std::make_unique<TChameleonAni>(Host(), ButtonX, ButtonY, 1);
    FShowsReady = true;
}

// The chameleon on the button tries the sublevel's colours in turn, one a second.
void TWildChameleonBonusState::Draw() {
    TMouseBonusStateExt::Draw();
    if (!ShowsReady() || !FReadyLook) {
        return;
    }
    Host().GameClock().AddStep(FLookTime);
    const std::string set = Board().GetMarbleSet();
    if (!set.empty()) {
        const char shown = set[static_cast<size_t>(FLookTime) % set.size()];
        if (shown >= '1' && shown <= '8' && shown - '0' != FReadyLook->ColorNumber()) {
            FReadyLook->SetColor(shown - '0');
        }
    }
    FReadyLook->Draw(ButtonX, ButtonY);
}

void TWildChameleonBonusState::Fire(TCell& target) {
    FChosen = &target;
    TMouseBonusStateExt::Fire(target);
}

void TWildChameleonBonusState::Finalize(bool removed) {
    TMouseBonusStateExt::Finalize(removed);
    if (removed || !FChosen || IsBadTarget(*FChosen)) {
        return;
    }
    const TGIntPoint centre = Board().CellCentre(*FChosen);
    auto chameleon = NewElement<TMarbleWildChameleon>(Host(), centre.X, centre.Y);
    chameleon->Init();
    FChosen->Element = std::move(chameleon);
    DropSelection(true);
    if (!IsSublevelDone(Queue())) {
        PushMatch();
    }
}

// ---- TCornerStoneTeleportBonusState ----

namespace {

bool IsTeleportStone(const TSimpleElement* element) {
    const auto* special = dynamic_cast<const TSpecial*>(element);
    return special && special->Kind() == bkCornerStoneTeleport && special->IsLocked();
}

// Marbles, specials and boxes that stand idle, unlocked and alive; never the stone itself.
bool IsGoodCornerStoneTarget(const TBonusState& state, const TCell& cell) {
    const TSimpleElement* element = cell.Element.get();
    if (IsTeleportStone(element)) {
        return false;
    }
    if (!IsBox(element)) {
        return !state.TBonusState::IsBadTarget(cell);
    }
    return !cell.IsHole() && element->IsIdle() && !element->IsLocked() && !element->IsDying();
}

} // namespace

bool TCornerStoneTeleportBonusState::IsBadTarget(const TCell& cell) const {
    return !IsGoodCornerStoneTarget(*this, cell);
}

void TCornerStoneTeleportBonusState::Fire(TCell& target) {
    FChosen = &target;
    TMouseBonusStateExt::Fire(target);
}

// The chosen element leaves its cell with the player's pointer; a locked teleport stone keeps its
// place until the second stage knows where the element goes.
void TCornerStoneTeleportBonusState::Finalize(bool removed) {
    TMouseBonusStateExt::Finalize(removed);
    if (removed || !FChosen || IsBadTarget(*FChosen)) {
        return;
    }
    const TGIntPoint centre = Board().CellCentre(*FChosen);
    std::unique_ptr<TSimpleElement> carried = std::move(FChosen->Element);
    std::unique_ptr<TSpecial> stone = Host().CreateSpecial(bkCornerStoneTeleport, centre.X, centre.Y);
    stone->Lock();
    FChosen->Element = std::move(stone);
    carried->Deselect();
    DropSelection(true);
    Queue().Adopt(std::make_unique<TCornerStoneTeleportBonusState2>(Queue(), FNode, std::move(carried),
                                                                    PointerX, PointerY));
}

bool TCornerStoneTeleportBonusStateReady::Initialize() {
    TCornerStoneTeleportBonusState::Initialize();
    Arm();
    return true;
}

// ---- TCornerStoneTeleportBonusState2 ----

TCornerStoneTeleportBonusState2::TCornerStoneTeleportBonusState2(TGameStateQueue& queue, PGXMLNode node,
                                                                 std::unique_ptr<TSimpleElement> carried,
                                                                 int x, int y)
    : TBonusState(queue, std::move(node)), PointerX(x), PointerY(y), FCarried(std::move(carried)) {}

TCornerStoneTeleportBonusState2::~TCornerStoneTeleportBonusState2() = default;

bool TCornerStoneTeleportBonusState2::Initialize() {
    TGameState::Initialize();
    ButtonX = TBonusBar::ButtonX;
    ButtonY = TBonusBar::ButtonY;
    ButtonHalfWidth = TBonusBar::ButtonHalfWidth;
    ButtonHalfHeight = TBonusBar::ButtonHalfHeight;
    MouseDX = NodeInt("MouseDX", 0);
    MouseDY = NodeInt("MouseDY", 0);
    if (FCarried) {
        FCarriedLook = StillSprite(Host(), FCarried->GetSpriteName(), 0, PointerX + MouseDX,
                                   PointerY + MouseDY, pvCenter);
    }
    return true;
}

bool TCornerStoneTeleportBonusState2::IsBadTarget(const TCell& cell) const {
    return !IsGoodCornerStoneTarget(*this, cell);
}

TCell* TCornerStoneTeleportBonusState2::FindStone() const {
    TCell* found = nullptr;
    ForEachCell(Board(), [&](TCell& cell) {
        if (!found && IsTeleportStone(cell.Element.get())) {
            found = &cell;
        }
    });
    return found;
}

bool TCornerStoneTeleportBonusState2::PutBack() {
    TCell* stone = FindStone();
    if (!stone || !FCarried) {
        return false;
    }
    FCarried->Deselect();
    FCarried->Unlock();
    stone->Element = std::move(FCarried);
    return true;
}

void TCornerStoneTeleportBonusState2::Draw() {
    if (Running && FCarriedLook && !FEffectRunning) {
        FCarriedLook->SetX(0);
        FCarriedLook->SetY(0);
        FCarriedLook->GetChannel(0).X = PointerX + MouseDX;
        FCarriedLook->GetChannel(0).Y = PointerY + MouseDY;
        DrawAnimotion(Host(), *FCarriedLook);
    }
    for (const PGAnimotion& turn : FTurns) {
        DrawAnimotion(Host(), *turn);
    }
    if (Running) {
        for (const auto& shake : FShakes) {
            shake->Update();
        }
    }
}

void TCornerStoneTeleportBonusState2::MouseMove(const TGInputState& input) {
    PointerX = input.X;
    PointerY = input.Y;
}

void TCornerStoneTeleportBonusState2::MouseDown(int /*button*/, const TGInputState& input) {
    MouseMove(input);
    if (IsBlocked() || FEffectRunning) {
        return;
    }
    TCell* cell = Board().CellAt(input.X, input.Y);
    if (cell && !IsBadTarget(*cell)) {
        TargetCell = cell;
    }
}

void TCornerStoneTeleportBonusState2::MouseUp(int button, const TGInputState& input) {
    MouseMove(input);
    if (IsBlocked() || FEffectRunning) {
        return;
    }
    TCell* cell = Board().CellAt(input.X, input.Y);
    TCell* target = TargetCell;
    TargetCell = nullptr;
    if (button == mbRight) {
        if (!PutBack()) {
            throw EGError("TCornerStoneTeleportBonusState2.Teleport", "the field has no teleport stone");
        }
        Queue().Push<TCornerStoneTeleportBonusStateReady>(FNode);
        Finish();
        return;
    }
    if (cell && cell == target && !IsBadTarget(*cell) && Board().IsStable()) {
        Teleport(*cell);
    }
}

// The stone and the chosen element shake and turn; then the element takes the stone's place.
void TCornerStoneTeleportBonusState2::Teleport(TCell& target) {
    TCell* stone = FindStone();
    if (!stone) {
        throw EGError("TCornerStoneTeleportBonusState2.Teleport", "the field has no teleport stone");
    }
    Host().PlayBlastSound(bkCornerStoneTeleport);
    FStone = {stone, stone->Element.get()};
    FTarget = {&target, target.Element.get()};
    FTarget.Element->Lock();
    FStone.Element->Lock();
    IPlayHost& host = Host();
    TField& field = Board();
    const std::string folder = SpecialFolder(bkCornerStoneTeleport);
    for (const TCell* cell : {FStone.Cell, FTarget.Cell}) {
        const TGIntPoint centre = field.CellCentre(*cell);
        FTurns.push_back(LoopingSprite(host, folder + "/SpecialTurn", TurnSeconds, centre.X, centre.Y));
        FTurns.push_back(StillSprite(host, folder + "/Special15Add", 0, centre.X, centre.Y, pvCenter));
        // Drawn by the state, so that the shaking stops when the element has moved.
        if (const TParticleEnv env = host.ParticleEnv(); env.ResManager) {
            FShakes.push_back(std::make_unique<TElementShaking>(env, false, centre.X, centre.Y,
                                                                cell->Element->GetSpriteName()));
        }
    }
    FEffectRunning = true;
    StartEffectClock();
}

void TCornerStoneTeleportBonusState2::UpdateHelper() {
    if (!FEffectRunning) {
        return;
    }
    AdvanceEffectClock();
    if (EffectTime() < TurnSeconds) {
        return;
    }
    FEffectRunning = false;
    FTurns.clear();
    FShakes.clear();
    TSimpleElement* moving = FTarget.Live();
    if (moving && FStone.Live()) {
        const TGIntPoint from = Board().CellCentre(*FTarget.Cell);
        const TGIntPoint to = Board().CellCentre(*FStone.Cell);
        FStone.Cell->Element = std::move(FTarget.Cell->Element);
        moving->MoveTo(from, to, 0.0);
        moving->X = to.X;
        moving->Y = to.Y;
        moving->Unlock();
    } else if (moving) {
        moving->Unlock();
    }
    DropSelection(true);
    PushPack();
    FCarried.reset();
    Finish();
}

// Taken out from outside (a time-out, the sublevel's end): the carried element goes back where
// it came from, as a right click would put it, but the first stage does not come back.
void TCornerStoneTeleportBonusState2::Finalize(bool removed) {
    TBonusState::Finalize(removed);
    if (!removed) {
        return;
    }
    if (FEffectRunning) {
        FEffectRunning = false;
        if (TSimpleElement* target = FTarget.Live()) {
            target->Unlock();
        }
    }
    PutBack();
    FCarried.reset();
    DropSelection(true);
}

} // namespace qm
