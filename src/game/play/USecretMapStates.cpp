#include "USecretMapStates.h"

#include "UBonusStates.h"
#include "UCoreStates.h"
#include "UField.h"
#include "UFieldTransformations.h"
#include "UFrozenRowState.h"
#include "UGRandom.h"
#include "UGResManager.h"
#include "UGameData.h"
#include "USecretMapPlay.h"

#include <cmath>

namespace qm {

namespace {

const char* const GlowSequence = "stuff/Glow";
const char* const StarSequence = "stuff/Star";
constexpr double Pi = 3.14159265358979323846;

// Each star: a burst out of the cell, then a fall as it fades.
constexpr double StarFlightMin = 0.5;
constexpr double StarFlightSpread = 0.5;
constexpr int StarReachMin = 100;
constexpr int StarReachSpread = 301;
constexpr double StarFallTimeMin = 1.0;
constexpr double StarFallTimeSpread = 0.5;
constexpr double StarFallMin = 100.0;
constexpr double StarFallSpread = 200.0;

// The secret-map side of play; none where play has no secret maps.
ISecretMapPlay* SecretMapsOf(const TGameStateQueue& queue) {
    IPlayManager* manager = queue.GameManager();
    return manager ? manager->SecretMaps() : nullptr;
}

// An animotion on the interface clock, which runs while the dialog stops the game clock; none
// without the game's data (a board played on its own), and the flights are then over at once.
PGAnimotion InterfaceAnimotion(const TGameStateQueue& queue) {
    TGameData* data = queue.GameManager() ? queue.GameManager()->GameData() : nullptr;
    if (!data || !data->ResManager || !data->InterfaceClock) {
        return nullptr;
    }
    return std::make_shared<TGInterfaceAnimotion>(*data);
}

bool HasSequence(const TGameStateQueue& queue, const std::string& name) {
    TGameData* data = queue.GameManager() ? queue.GameManager()->GameData() : nullptr;
    return data && data->ResManager && data->ResManager->HasSeq(name);
}

bool Over(const PGAnimotion& animotion) {
    return !animotion || animotion->IsFinished();
}

double RandomBetween(double low, double spread) {
    return low + spread * RandomFloat();
}

double RandomAngle() {
    return static_cast<double>(Random(360));
}

void SetKeys(TGCatmullRom& curve, std::initializer_list<std::pair<double, double>> keys) {
    curve.ClearKeys();
    for (const auto& [time, value] : keys) {
        curve.AddKey(time, value);
    }
}

// Both scales follow the same keys.
void SetScaleKeys(TGMotionSeg& move, std::initializer_list<std::pair<double, double>> keys) {
    SetKeys(move.ScaleX, keys);
    SetKeys(move.ScaleY, keys);
}

void PushWayToSecretLevel(TGameStateQueue& queue) {
    queue.Push<TSecretLevelState>();
    queue.Push<TGameToPuzzleScreenState>();
}

} // namespace

bool OtherStateQueued(const TGameStateQueue& queue, TOtherState state) {
    switch (state) {
    case TOtherState::FieldRotate:
        return queue.HasExact<TFieldRotateState>();
    case TOtherState::ShowHideFieldLayer:
        return queue.HasExact<TShowHideFieldLayerState>();
    case TOtherState::ColorCellBlast:
        return queue.HasExact<TColorCellBlastState>();
    case TOtherState::MapPartAppear:
        return queue.HasExact<TMapPartAppearState>();
    case TOtherState::GameToPuzzleScreen:
        return queue.HasExact<TGameToPuzzleScreenState>();
    case TOtherState::FrozenRow:
        return queue.HasKindOf<TFrozenRowState>();
    }
    return false;
}

// ---- TColorCellBlastState ----

TColorCellBlastState::TColorCellBlastState(TGameStateQueue& queue, double x, double y)
    : TGameState(queue), FX(x), FY(y) {
    if (ISecretMapPlay* maps = SecretMapsOf(queue)) {
        maps->LoadMapResources();
    }
    if (IPlayManager* manager = queue.GameManager()) {
        manager->EvictTexturesAfterFrame();
    }
}

TColorCellBlastState::~TColorCellBlastState() = default;

void TColorCellBlastState::ScreenAttached() {
    if (ISecretMapPlay* maps = SecretMapsOf(Queue())) {
        maps->LoadMapResources();
    }
}

bool TColorCellBlastState::OtherSecretWorkQueued() const {
    for (size_t i = 0; i < Queue().Count(); ++i) {
        const TGameState& state = Queue().At(i);
        if (&state == this) {
            break;
        }
        if (dynamic_cast<const TColorCellBlastState*>(&state)) {
            return true;
        }
    }
    return Queue().HasExact<TMapPartAppearState>() || Queue().HasExact<TSecretLevelState>() ||
           Queue().HasExact<TGameToPuzzleScreenState>();
}

// A blast that has no piece to fly (none left, or the secret level already won) ends in its
// first step: the queue starts a state only after Initialize.
bool TColorCellBlastState::Initialize() {
    TGameState::Initialize();
    const TField* field = Queue().Field();
    if ((field && field->ShakeTime > 0.0) || OtherSecretWorkQueued()) {
        return false;
    }
    ISecretMapPlay* maps = SecretMapsOf(Queue());
    if (!maps) {
        return true;
    }
    if (maps->SecretLevelWon()) {
        LeaveForSecretLevel();
        return true;
    }
    // The piece is read now, when this blast is the only one running: two cells blasted by one
    // match fly two different pieces.
    const int found = maps->PiecesFound();
    if (found >= 0 && found < maps->MapPieces()) {
        FPiece = found;
        StartFlight(*maps);
    }
    return true;
}

// The level's own secret level is already won: each piece found leads to the next one.
void TColorCellBlastState::LeaveForSecretLevel() {
    ISecretMapPlay& maps = *SecretMapsOf(Queue());
    maps.PieceFound();
    FCounted = true;
    PushWayToSecretLevel(Queue());
}

void TColorCellBlastState::StartFlight(ISecretMapPlay& maps) {
    maps.ShowMapDialog(FPiece + 1 == maps.MapPieces());
    maps.SetMapDialogOverlay([this] { DrawOverDialog(); });
    FArrived = false;
    BuildPieceAnimotion(maps, maps.PieceTarget(FPiece));
    BuildStars();
}

// The piece turns and swells on its way to its place; a glow makes the same way a little slower,
// turning once.
void TColorCellBlastState::BuildPieceAnimotion(ISecretMapPlay& maps, TGPointD target) {
    FPieceAnimotion = InterfaceAnimotion(Queue());
    const std::string piece = maps.PieceSequence(FPiece);
    if (!HasSequence(Queue(), piece)) {
        FPieceAnimotion.reset();
        return;
    }
    IGAnimotion& animotion = *FPieceAnimotion;
    AddClip(animotion, PieceChannel, PieceFlightChannel, piece, pvCenter, FramesPerSecond, false, false);
    TGMotionSeg& flight = AddMove(animotion, PieceFlightChannel, FX, FY, target.X, target.Y,
                                  PieceFlightSeconds, 1.0, 1.0, 0.0, 360.0);
    SetKeys(flight.Angle, {{0.0, 0.0}, {0.5, 90.0}, {1.0, 360.0}});
    SetScaleKeys(flight, {{0.0, 0.1}, {0.2, 1.0}, {0.8, 1.3}, {1.0, 1.0}});
    if (HasSequence(Queue(), GlowSequence)) {
        AddClip(animotion, GlowChannel, GlowFlightChannel, GlowSequence, pvCenter, FramesPerSecond, false,
                false);
        TGMotionSeg& glow = AddMove(animotion, GlowFlightChannel, FX, FY, target.X, target.Y,
                                    GlowFlightSeconds, 0.0, 0.0, 0.0, 360.0);
        SetKeys(glow.Alpha, {{0.0, 0.0}, {0.3, 1.0}, {1.0, 0.0}});
        SetScaleKeys(glow, {{0.0, 0.0}, {0.3, 1.0}, {1.0, 0.0}});
    }
}

// Stars burst out of the cell in every direction, then fall and fade.
void TColorCellBlastState::BuildStars() {
    FStars = InterfaceAnimotion(Queue());
    if (!HasSequence(Queue(), StarSequence)) {
        FStars.reset();
        return;
    }
    const int count = MinStars + static_cast<int>(Random(static_cast<uint32_t>(MaxStars - MinStars + 1)));
    for (int i = 0; i < count; ++i) {
        const int star = 2 * i;
        const int path = star + 1;
        AddClip(*FStars, star, path, StarSequence, pvCenter, FramesPerSecond, false, false);
        const double direction = RandomAngle() * Pi / 180.0;
        const double reach =
            static_cast<double>((StarReachMin + static_cast<int>(Random(StarReachSpread - 1))) / 2);
        const double endX = FX + reach * std::cos(direction);
        const double endY = FY + reach * std::sin(direction);
        const double size = RandomBetween(0.5, 0.5);
        const double turned = RandomAngle();
        TGMotionSeg& burst =
            AddMove(*FStars, path, FX, FY, endX, endY, RandomBetween(StarFlightMin, StarFlightSpread), size,
                    1.0, RandomAngle(), turned);
        SetScaleKeys(burst, {{0.0, size}, {1.0, 1.0}});
        TGMotionSeg& fall =
            AddMove(*FStars, path, endX, endY, endX, endY + RandomBetween(StarFallMin, StarFallSpread),
                    RandomBetween(StarFallTimeMin, StarFallTimeSpread), 1.0, 0.0, turned, RandomAngle());
        SetKeys(fall.Alpha, {{0.0, 1.0}, {0.2, 1.0}, {1.0, 0.0}});
        SetScaleKeys(fall, {{0.0, 1.0}, {1.0, 1.0}});
    }
}

void TColorCellBlastState::DrawOverDialog() const {
    if (FStars) {
        FStars->Render(false);
    }
    if (FPieceAnimotion) {
        FPieceAnimotion->Render(false);
    }
}

void TColorCellBlastState::CountPiece(ISecretMapPlay& maps) {
    if (!FCounted) {
        FCounted = true;
        maps.PieceFound();
    }
}

void TColorCellBlastState::UpdateHelper() {
    TGameState::UpdateHelper();
    if (Status() != ssRunning) {
        return;
    }
    if (FPiece < 0) {
        Finish();
        return;
    }
    ISecretMapPlay& maps = *SecretMapsOf(Queue());
    if (!maps.MapDialogVisible()) {
        Finish();
        return;
    }
    for (const PGAnimotion& animotion : {FPieceAnimotion, FStars}) {
        if (animotion) {
            animotion->UpdateByTimer();
        }
    }
    // Once the piece is in place the dialog draws it among the others.
    if (!FArrived && (!FPieceAnimotion || FPieceAnimotion->GetChannel(PieceFlightChannel).IsFinished())) {
        FArrived = true;
        if (FPieceAnimotion) {
            FPieceAnimotion->GetChannel(PieceChannel).Visible = false;
        }
        CountPiece(maps);
    }
    if (Over(FPieceAnimotion)) {
        Finish();
    }
}

void TColorCellBlastState::Finalize(bool removed) {
    TGameState::Finalize(removed);
    if (FPiece < 0) {
        return;
    }
    ISecretMapPlay& maps = *SecretMapsOf(Queue());
    maps.SetMapDialogOverlay({});
    CountPiece(maps);
    // Only the blast that brought the last piece shows the whole map.
    if (FPiece + 1 == maps.MapPieces() && maps.PiecesFound() >= maps.MapPieces() &&
        !Queue().HasExact<TMapPartAppearState>()) {
        Queue().Push<TMapPartAppearState>();
    }
}

// ---- TMapPartAppearState ----

TMapPartAppearState::TMapPartAppearState(TGameStateQueue& queue) : TGameState(queue) {
    if (IPlayManager* manager = queue.GameManager()) {
        manager->EvictTexturesAfterFrame();
    }
}

TMapPartAppearState::~TMapPartAppearState() = default;

bool TMapPartAppearState::Initialize() {
    TGameState::Initialize();
    ISecretMapPlay* maps = SecretMapsOf(Queue());
    if (!maps) {
        return true;
    }
    FPicture = InterfaceAnimotion(Queue());
    const std::string picture = maps->MapPictureSequence();
    if (HasSequence(Queue(), picture)) {
        const TGPointD origin = maps->MapOrigin();
        AddClip(*FPicture, 0, 1, picture, pvLeftTop, TColorCellBlastState::FramesPerSecond, false, false);
        AddMove(*FPicture, 1, origin.X, origin.Y, origin.X, origin.Y, FadeSeconds, 0.0, 1.0, 0.0, 0.0);
        maps->SetMapDialogOverlay([this] { FPicture->Render(false); });
    } else {
        FPicture.reset();
    }
    return true;
}

void TMapPartAppearState::UpdateHelper() {
    TGameState::UpdateHelper();
    if (Status() != ssRunning) {
        return;
    }
    if (!SecretMapsOf(Queue())) {
        Finish();
        return;
    }
    ISecretMapPlay& maps = *SecretMapsOf(Queue());
    if (FPicture) {
        FPicture->UpdateByTimer();
    }
    if (maps.MapDialogVisible() && !maps.MapDialogInEffect() && Over(FPicture)) {
        maps.HideMapDialog();
    }
    if (!maps.MapDialogVisible() && !maps.MapDialogInEffect()) {
        PushWayToSecretLevel(Queue());
        Finish();
    }
}

void TMapPartAppearState::Finalize(bool removed) {
    TGameState::Finalize(removed);
    if (ISecretMapPlay* maps = SecretMapsOf(Queue())) {
        maps->SetMapDialogOverlay({});
    }
}

// ---- TGameToPuzzleScreenState ----

TGameToPuzzleScreenState::TGameToPuzzleScreenState(TGameStateQueue& queue) : TGameState(queue) {
    for (size_t i = 0; i < queue.Count(); ++i) {
        TGameState& state = queue.At(i);
        if (&state != this && dynamic_cast<TGameToPuzzleScreenState*>(&state)) {
            Kill();
            return;
        }
    }
    if (IPlayManager* manager = queue.GameManager()) {
        manager->CancelMouseBonuses();
    }
}

TGameToPuzzleScreenState::~TGameToPuzzleScreenState() = default;

bool TGameToPuzzleScreenState::Initialize() {
    TGameState::Initialize();
    if (!Queue().GameManager()) {
        return true;
    }
    IPlayManager& manager = *Queue().GameManager();
    manager.SetBonusStatesRunning(false);
    if (Queue().HasExact<TSecretLevelState>()) {
        return false;
    }
    manager.PlaySound(Sound);
    FLeaving = true;
    manager.EvictTexturesAfterFrame();
    Queue().SetHeldAll<TBonusState>(true);
    manager.PlayScreenAnimation(LeaveAnimation);
    return true;
}

void TGameToPuzzleScreenState::UpdateHelper() {
    TGameState::UpdateHelper();
    if (Status() != ssRunning) {
        return;
    }
    if (!Queue().GameManager()) {
        Finish();
        return;
    }
    IPlayManager& manager = *Queue().GameManager();
    if (FLeaving) {
        if (!FOpened && manager.ScreenAnimationDone(LeaveAnimation)) {
            FOpened = true;
            if (ISecretMapPlay* maps = manager.SecretMaps()) {
                maps->OpenPuzzleScreen();
            }
        }
        return;
    }
    if (manager.ScreenAnimationDone(ComeBackAnimation)) {
        Finish();
    }
}

void TGameToPuzzleScreenState::ComeBack() {
    FLeaving = false;
    if (IPlayManager* manager = Queue().GameManager()) {
        manager->PlayScreenAnimation(ComeBackAnimation);
    }
}

void TGameToPuzzleScreenState::Finalize(bool removed) {
    TGameState::Finalize(removed);
    if (IPlayManager* manager = Queue().GameManager()) {
        manager->SetBonusStatesRunning(true);
        manager->EvictTexturesAfterFrame();
    }
    // Held for the way to the puzzle screen only: play goes on with its bonuses.
    Queue().SetHeldAll<TBonusState>(false);
}

} // namespace qm
