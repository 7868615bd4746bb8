#include "USpecials.h"

#include "UField.h"
#include "UFieldEffect.h"
#include "UFireBall.h"
#include "UFrozenRowState.h"
#include "UGError.h"
#include "UGRandom.h"
#include "UGSprite.h"
#include "UGTimer.h"
#include "UGameEnvironment.h"
#include "UParticleEffects.h"
#include "UPlayHost.h"

#include <cmath>

namespace qm {

namespace {

constexpr double Pi = 3.14159265358979323846;
// Far enough to cross any board.
constexpr int FullRange = 100;
// Phantom marbles strike only their neighbourhood.
constexpr int MarbleRange = 2;
constexpr int MarbleSource = 15;
constexpr double DiagonalSeconds = 0.5;
constexpr int DiagonalSparks = 11;

// Folder ids of kinds 1..15.
constexpr int KindIds[16] = {0, 1, 2, 3, 13, 7, 4, 8, 15, 14, 9, 12, 11, 5, 10, 6};

// The four directions of the fireballs: left, right, up, down.
constexpr int CrossDirections[4][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
// The diagonals in the order they are traced: up-left, up-right, down-right, down-left.
constexpr int DiagonalDirections[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};

bool Blocks(const TCell& cell) {
    return cell.IsHole() || cell.HoldsBox();
}

// The common strike: the cell loses a layer, and an idle, living, unlocked element dies.
void StrikeCell(TCell& cell, int source) {
    cell.Hit(source, false);
    TSimpleElement* element = cell.Element.get();
    if (element && element->IsIdle() && !element->IsLocked() && !element->IsDying()) {
        element->Kill(0);
    }
}

void AddParticles(TField& field, std::unique_ptr<TParticleEffect> effect) {
    field.AddEffect(std::make_unique<TParticleFieldEffect>(std::move(effect)));
}

void PushFrozenRow(IPlayHost& host, TField& field, int source, int range, const TCell& cell) {
    if (TGameStateQueue* queue = host.StateQueue()) {
        queue->Push<TFrozenRowState>(field, source, range, cell.Col, cell.Row);
    }
}

void LaunchCrossFire(TField& field, TCell& from, int source, int range) {
    for (const auto& direction : CrossDirections) {
        field.AddFireBall(
            std::make_unique<TCrossFireBall>(field, source, range, direction[0], direction[1], from));
    }
}

} // namespace

int SpecialIdOfKind(int kind) {
    if (kind < 1 || kind > 15) {
        throw EGError("GetIdOfKind");
    }
    return KindIds[kind];
}

std::string SpecialFolder(int kind) {
    return "specials/" + std::to_string(SpecialIdOfKind(kind));
}

std::vector<std::string> SpecialSequenceNames() {
    std::vector<std::string> names;
    for (int kind = 1; kind <= 15; ++kind) {
        for (const char* look : {"/Special", "/SpecialSel", "/SpecialGray", "/SpecialFill"}) {
            names.push_back(SpecialFolder(kind) + look);
        }
    }
    for (int i = 1; i <= 4; ++i) {
        names.push_back(SpecialFolder(2) + "/" +
                        TCrossFireBall::SpriteNameFor(CrossDirections[i - 1][0], CrossDirections[i - 1][1]));
        names.push_back(SpecialFolder(4) + "/SpecialAct" + std::to_string(i));
        names.push_back(SpecialFolder(9) + "/SpecialAdd" + std::to_string(i));
    }
    for (int i = 1; i <= 3; ++i) {
        names.push_back(SpecialFolder(15) + "/SpecialAct" + std::to_string(i));
    }
    names.push_back(SpecialFolder(1) + "/SpecialAct1");
    names.push_back(SpecialFolder(1) + "/SpecialAct2");
    names.push_back(SpecialFolder(4) + "/SpecialAct0");
    names.push_back(SpecialFolder(4) + "/Special1stFrame");
    names.push_back(SpecialFolder(8) + "/SpecialTurn");
    names.push_back(SpecialFolder(8) + "/Special15Add");
    return names;
}

TCell* CellUnder(IPlayHost& host, int x, int y) {
    TField* field = host.CurrentField();
    return field ? field->CellAt(x, y) : nullptr;
}

std::unique_ptr<TSpecial> MakeSpecialOfKind(IPlayHost& host, int kind, int x, int y) {
    switch (kind) {
    case 1:
        return NewElement<TSpecialLineFreeze>(host, x, y);
    case 2:
        return NewElement<TSpecialCrossFire>(host, x, y);
    case 3:
        return NewElement<TSpecialRandom>(host, x, y);
    case 4:
        return NewElement<TSpecialDiagonal>(host, x, y);
    case 5:
        return NewElement<TSpecialAddScores>(host, x, y);
    case 6:
        return NewElement<TSpecialTimeLineFreeze>(host, x, y);
    case 7:
        return NewElement<TSpecialSingleCellBomb>(host, x, y);
    case 8:
        return NewElement<TSpecialCornerStoneTeleport>(host, x, y);
    case 10:
        return NewElement<TSpecialBomb>(host, x, y);
    case 11:
        return NewElement<TSpecialCornerStoneDown>(host, x, y);
    case 12:
        return NewElement<TSpecialColorChange>(host, x, y);
    case 13:
        return NewElement<TSpecialX2BuildingMaterials>(host, x, y);
    case 14:
        return NewElement<TSpecialColorBomb>(host, x, y);
    case 15:
        return NewElement<TSpecialPhantomBonuses>(host, x, y);
    default:
        throw EGError("TGameManager.SpecialKindClass");
    }
}

// ---- drawing helpers ----

void DrawAnimotion(IPlayHost& host, IGAnimotion& animotion) {
    if (host.ResManager()) {
        animotion.Render(true);
    } else {
        animotion.UpdateByTimer();
    }
}

PGAnimotion FlyingSprite(IPlayHost& host, const std::string& sequence, TGIntPoint from, TGIntPoint to,
                         double seconds) {
    auto animotion = std::make_shared<TGAnimotion>(host.ResManager(), &host.GameClock());
    TGActiveChannel& sprite = animotion->GetChannel(0);
    sprite.Pivot = pvCenter;
    sprite.Blending = 2; // Add
    sprite.X = from.X;
    sprite.Y = from.Y;
    if (TGSequence* seq = host.FindSeq(sequence); seq && seq->Count() == 1) {
        sprite.SeqId = sequence;
    } else if (seq && seq->Count() > 1) {
        // The frames loop on a channel of their own that rides on the flying one: on the flying
        // channel's time line the endless loop would keep the flight from ever starting.
        TGActiveChannel& frames = animotion->GetChannel(1);
        frames.Parent = &sprite;
        frames.Pivot = pvCenter;
        frames.Blending = sprite.Blending;
        frames.SeqId = sequence;
        AddLoopingClip(frames, sequence, seq->Count(), 20.0);
    }
    TGMotionSeg& flight = sprite.AddMotionSeg();
    flight.Length = seconds;
    flight.X.AddKey(1, to.X);
    flight.Y.AddKey(1, to.Y);
    // It fades as it arrives and stays out of sight.
    flight.Alpha.AddKey(0.85, 1);
    flight.Alpha.AddKey(1, 0);
    return animotion;
}

void AddSnowTrail(TField& field, TGIntPoint from, TGIntPoint to, double seconds, double rate) {
    const TParticleEnv env = field.Host().ParticleEnv();
    if (!env.ResManager || seconds <= 0) {
        return;
    }
    auto snow = std::make_unique<TSnowFx>(env, seconds, rate);
    snow->AddXKey(0, from.X);
    snow->AddXKey(1, to.X);
    snow->AddYKey(0, from.Y);
    snow->AddYKey(1, to.Y);
    AddParticles(field, std::move(snow));
}

// ---- TSpecialLineFreeze ----

void TSpecialLineFreeze::Kill(int deathFlag) {
    if (Dying) {
        return;
    }
    TField* field = FHost.CurrentField();
    TCell* cell = CellOf();
    if (!Fired && field && cell) {
        Fired = true;
        field->ShowPoints(5, cell->Row, cell->Col);
        PushFrozenRow(FHost, *field, Kind(), FullRange, *cell);
        FHost.ConsumeSuperBonusSpecial();
        FHost.PlayBlastSound(Kind());
    }
    TSimpleElement::Kill(deathFlag);
}

void TSpecialLineFreeze::AffectCell(int row, int col) {
    if (TField* field = FHost.CurrentField(); field && field->InField(row, col)) {
        StrikeCell(field->Cell(row, col), Kind());
    }
}

std::unique_ptr<TElement> TSpecialLineFreeze::Clone() const {
    return NewElement<TSpecialLineFreeze>(FHost, X, Y);
}

// ---- TSpecialCrossFire ----

void TSpecialCrossFire::Kill(int deathFlag) {
    if (Dying) {
        return;
    }
    TSimpleElement::Kill(deathFlag);
    TField* field = FHost.CurrentField();
    TCell* cell = CellOf();
    if (!field || !cell) {
        return;
    }
    field->ShowPoints(6, cell->Row, cell->Col);
    Lock();
    cell->Hit(Kind(), false);
    LaunchCrossFire(*field, *cell, Kind(), FullRange);
    FHost.ConsumeSuperBonusSpecial();
    FHost.PlayBlastSound(Kind());
}

std::unique_ptr<TElement> TSpecialCrossFire::Clone() const {
    return NewElement<TSpecialCrossFire>(FHost, X, Y);
}

// ---- TSpecialRandom ----

// Targets never struck (the board was cleared first) are given back to play.
TSpecialRandom::~TSpecialRandom() {
    for (const TTarget& target : Targets) {
        if (target.Pending && target.Cell->Element.get() == target.Element) {
            target.Element->Unlock();
        }
    }
}

bool TSpecialRandom::TakeTarget(TField& field, TCell& cell) {
    auto* marble = dynamic_cast<TMarble*>(cell.Element.get());
    if (cell.IsHole() || !marble || !marble->IsIdle() || marble->IsLocked() || marble->IsDying()) {
        return false;
    }
    for (const TTarget& target : Targets) {
        if (target.Cell == &cell) {
            return false;
        }
    }
    const double distance = std::hypot(marble->X - X, marble->Y - Y);
    const double delay = distance / 500.0 * 1.8;
    marble->Lock();
    Targets.push_back({&cell, marble, delay, true});
    const TParticleEnv env = FHost.ParticleEnv();
    if (env.ResManager) {
        AddParticles(field, std::make_unique<TSpecial3Fx>(env, X, Y, marble->X, marble->Y, delay));
    }
    return true;
}

// The marble under the first box first, so that the box comes down; then cells at random, never
// from the bottom row or the right column.
void TSpecialRandom::ChooseTargets(TField& field, TCell& /*own*/) {
    const size_t wanted = static_cast<size_t>(std::max(0, FHost.Env().SuperBonusEraseElements));
    if (TCell* below = field.FindMarbleBelowBox(); below && wanted > 0) {
        TakeTarget(field, *below);
    }
    const int rows = field.LastRow - field.FirstRow;
    const int cols = field.LastCol - field.FirstCol;
    if (rows <= 0 || cols <= 0) {
        return;
    }
    for (int draw = 0; draw < 1000 && Targets.size() < wanted; ++draw) {
        const int row = field.FirstRow + static_cast<int>(Random(static_cast<uint32_t>(rows)));
        const int col = field.FirstCol + static_cast<int>(Random(static_cast<uint32_t>(cols)));
        TakeTarget(field, field.Cell(row, col));
    }
}

void TSpecialRandom::Kill(int deathFlag) {
    if (Dying || FFired) {
        return;
    }
    TField* field = FHost.CurrentField();
    TCell* cell = CellOf();
    if (!field || !cell) {
        TSimpleElement::Kill(deathFlag);
        return;
    }
    FFired = true;
    Lock();
    ChooseTargets(*field, *cell);
    if (Targets.empty()) {
        TSimpleElement::Kill(deathFlag);
        return;
    }
    FHost.AddBonusScores(1);
    field->ShowPoints(7, cell->Row, cell->Col);
    // It fades out but stays on the board, alive, until the last star has arrived.
    PlayDeath(0);
    FHost.PlayBlastSound(Kind());
    cell->Hit(Kind(), false);
}

void TSpecialRandom::StrikeDueTargets() {
    const double dt = FHost.GameClock().Step;
    for (TTarget& target : Targets) {
        if (!target.Pending) {
            continue;
        }
        target.Delay -= dt;
        if (target.Delay > 0) {
            continue;
        }
        target.Pending = false;
        if (target.Cell->Element) {
            target.Cell->Element->Kill(0);
            target.Cell->Hit(Kind(), false);
        }
    }
}

void TSpecialRandom::Draw() {
    TSpecialExt::Draw();
    if (!FFired || Done || Dying) {
        return;
    }
    StrikeDueTargets();
    for (const TTarget& target : Targets) {
        if (target.Pending) {
            return;
        }
    }
    Done = true;
    Dying = true;
    FHost.PushPackState();
}

std::unique_ptr<TElement> TSpecialRandom::Clone() const {
    return NewElement<TSpecialRandom>(FHost, X, Y);
}

// ---- the diagonal strike ----

std::vector<std::vector<TCell*>> DiagonalRays(TField& field, const TCell& from, int range) {
    std::vector<std::vector<TCell*>> rays;
    for (const auto& direction : DiagonalDirections) {
        std::vector<TCell*>& ray = rays.emplace_back();
        int row = from.Row + direction[0];
        int col = from.Col + direction[1];
        while (static_cast<int>(ray.size()) < range && field.InField(row, col) &&
               !Blocks(field.Cell(row, col))) {
            ray.push_back(&field.Cell(row, col));
            row += direction[0];
            col += direction[1];
        }
    }
    return rays;
}

TDiagonalStrike::TDiagonalStrike(TField& field, TCell& from, int source, int range)
    : FField(field), FSource(source), FRays(DiagonalRays(field, from, range)) {
    StartEffects(from);
}

TDiagonalStrike::~TDiagonalStrike() = default;

void TDiagonalStrike::StartEffects(TCell& from) {
    IPlayHost& host = FField.Host();
    const TGIntPoint centre = FField.CellCentre(from);
    const TParticleEnv env = host.ParticleEnv();
    PFlow sparks = FFlow.NewSeqFlow();
    for (int i = 0; i < DiagonalSparks; ++i) {
        sparks->AddAction([this, env, centre] {
            if (!env.ResManager) {
                return;
            }
            const double angle = RandomFloat() * 2 * Pi;
            AddParticles(FField, std::make_unique<TDiagonalFx>(
                                     env, centre.X, centre.Y, centre.X + 50 * std::cos(angle),
                                     centre.Y + 50 * std::sin(angle), 60, 0.4, 0.3));
        });
        sparks->AddDelay(host.GameClock(), 1.0 / 20);
    }
    const std::string folder = SpecialFolder(4);
    for (size_t i = 0; i < FRays.size(); ++i) {
        if (FRays[i].empty()) {
            continue;
        }
        const TGIntPoint end = FField.CellCentre(*FRays[i].back());
        AddSnowTrail(FField, centre, end, DiagonalSeconds, 100);
        FSprites.push_back(
            FlyingSprite(host, folder + "/SpecialAct" + std::to_string(i + 1), centre, end, DiagonalSeconds));
        if (env.ResManager) {
            AddParticles(FField, std::make_unique<TDiagonalFx>(env, centre.X, centre.Y, end.X, end.Y, 120,
                                                               0.1, DiagonalSeconds));
        }
    }
    FFlow.AddDelay(host.GameClock(), DiagonalSeconds);
}

void TDiagonalStrike::Strike() {
    for (const std::vector<TCell*>& ray : FRays) {
        for (TCell* cell : ray) {
            const TSimpleElement* element = cell->Element.get();
            if (element && (element->IsLocked() || element->IsDying())) {
                continue;
            }
            cell->Hit(FSource, false);
            if (cell->Element) {
                cell->Element->Kill(0);
            }
        }
    }
}

bool TDiagonalStrike::Step() {
    if (FStruck) {
        return false;
    }
    const bool done = FFlow.Step();
    for (const PGAnimotion& sprite : FSprites) {
        DrawAnimotion(FField.Host(), *sprite);
    }
    if (!done) {
        return false;
    }
    FStruck = true;
    Strike();
    return true;
}

namespace {

// The first kill of a diagonal, special or marble: it holds still while its rays run and kills
// itself again when they have struck.
void StartDiagonal(TSimpleElement& self, TField& field, TCell& cell, int source, int range,
                   std::unique_ptr<TDiagonalStrike>& strike, TField*& listening) {
    self.Lock();
    strike = std::make_unique<TDiagonalStrike>(field, cell, source, range);
    TDiagonalStrike* running = strike.get();
    field.AddListener({&self,
                       [&self, running] {
                           if (running->Step()) {
                               self.Kill(0);
                           }
                       },
                       nullptr});
    listening = &field;
}

// The second kill: the board may fall again.
void EndDiagonal(TSimpleElement& self, int source, TField*& listening) {
    self.Unlock();
    if (!listening) {
        return;
    }
    IPlayHost& host = listening->Host();
    host.PushPackState();
    if (TCell* cell = CellHolding(*listening, self)) {
        cell->Hit(source, false);
    }
    listening->RemoveListener(&self);
    listening = nullptr;
}

} // namespace

// ---- TSpecialDiagonal ----

TSpecialDiagonal::~TSpecialDiagonal() {
    if (FListening) {
        FListening->RemoveListener(this);
    }
}

void TSpecialDiagonal::Kill(int deathFlag) {
    if (Dying) {
        return;
    }
    if (!Fired) {
        TField* field = FHost.CurrentField();
        TCell* cell = CellOf();
        if (field && cell) {
            Fired = true;
            StartDiagonal(*this, *field, *cell, Kind(), FullRange, FStrike, FListening);
            for (const std::vector<TCell*>& ray : FStrike->Rays()) {
                RayCells.insert(RayCells.end(), ray.begin(), ray.end());
            }
            FHost.PlayBlastSound(Kind());
            return;
        }
    } else {
        EndDiagonal(*this, Kind(), FListening);
        FHost.ConsumeSuperBonusSpecial();
    }
    TSimpleElement::Kill(deathFlag);
}

void TSpecialDiagonal::AffectCell(int row, int col) {
    if (TField* field = FHost.CurrentField(); field && field->InField(row, col)) {
        StrikeCell(field->Cell(row, col), Kind());
    }
}

std::string TSpecialDiagonal::GetSpriteName() const {
    return Fired ? SpecialFolder(Kind()) + "/SpecialAct0" : TSpecialExt::GetSpriteName();
}

std::unique_ptr<TElement> TSpecialDiagonal::Clone() const {
    return NewElement<TSpecialDiagonal>(FHost, X, Y);
}

// ---- the marbles with an effect ----

void TMarbleWithLineEffect::StartOverlay(int type) {
    if (Overlay || Fired) {
        return;
    }
    Overlay = std::make_shared<TGAnimotion>(FHost.ResManager(), &FHost.GameClock());
    const std::string name = SpecialFolder(15) + "/SpecialAct" + std::to_string(type);
    TGSequence* seq = FHost.FindSeq(name);
    if (!seq || seq->Count() == 0) {
        return;
    }
    TGActiveChannel& look = Overlay->GetChannel(0);
    look.SeqId = name;
    look.Pivot = pvCenter;
    AddLoopingClip(look, name, seq->Count(), 20.0);
}

bool TMarbleWithLineEffect::Fire() {
    if (Fired) {
        return false;
    }
    Fired = true;
    Overlay.reset();
    return true;
}

void TMarbleWithLineEffect::Draw() {
    TMarble::Draw();
    if (!Overlay || !Visible) {
        return;
    }
    TGActiveChannel& look = Overlay->GetChannel(0);
    look.X = X;
    look.Y = Y;
    DrawAnimotion(FHost, *Overlay);
}

void TMarbleWithLineFreeze::Kill(int deathFlag) {
    if (Dying) {
        return;
    }
    TField* field = FHost.CurrentField();
    TCell* cell = field ? CellHolding(*field, *this) : nullptr;
    if (cell && Fire()) {
        PushFrozenRow(FHost, *field, MarbleSource, MarbleRange, *cell);
        FHost.PlayBlastSound(1);
    }
    TMarble::Kill(deathFlag);
}

void TMarbleWithCrossFire::Kill(int deathFlag) {
    if (Dying) {
        return;
    }
    TField* field = FHost.CurrentField();
    TCell* cell = field ? CellHolding(*field, *this) : nullptr;
    TMarble::Kill(deathFlag);
    if (!cell || !Fire()) {
        return;
    }
    field->ShowPoints(6, cell->Row, cell->Col);
    cell->Hit(MarbleSource, false);
    LaunchCrossFire(*field, *cell, MarbleSource, MarbleRange);
    FHost.PlayBlastSound(2);
}

TMarbleWithDiagonal::TMarbleWithDiagonal(IPlayHost& host, int x, int y, char color)
    : TMarbleWithLineEffect(host, x, y, color) {}

TMarbleWithDiagonal::~TMarbleWithDiagonal() {
    if (FListening) {
        FListening->RemoveListener(this);
    }
}

void TMarbleWithDiagonal::Kill(int deathFlag) {
    if (Dying) {
        return;
    }
    if (!Fired) {
        TField* field = FHost.CurrentField();
        TCell* cell = field ? CellHolding(*field, *this) : nullptr;
        if (cell) {
            Fire();
            StartDiagonal(*this, *field, *cell, MarbleSource, MarbleRange, FStrike, FListening);
            FHost.PlayBlastSound(4);
            return;
        }
    } else {
        EndDiagonal(*this, MarbleSource, FListening);
    }
    TMarble::Kill(deathFlag);
}

// ---- the wild chameleon ----

TChameleonAni::TChameleonAni(IPlayHost& host, int x, int y, int colorNumber)
    : FHost(host), FFolder(SpecialFolder(9)),
      FAnimotion(std::make_shared<TGAnimotion>(host.ResManager(), &host.GameClock())), FColor(colorNumber) {
    TGActiveChannel& at = FAnimotion->GetChannel(10);
    at.X = x;
    at.Y = y;
    AddLoop(0, FFolder + "/Special", 1, 1);
    AddLoop(1, FFolder + "/SpecialAdd1", 0, 1);
    AddLoop(2, FFolder + "/SpecialAdd2", 5, 2);
    AddLoop(3, FFolder + "/SpecialAdd3", 25, 2);
    SetColor(colorNumber);
}

// fps 0: a still frame, chosen by the caller.
void TChameleonAni::AddLoop(int channel, const std::string& seq, double fps, uint8_t blending) {
    TGActiveChannel& layer = FAnimotion->GetChannel(channel);
    layer.Pivot = pvCenter;
    layer.Parent = &FAnimotion->GetChannel(10);
    layer.Blending = blending;
    TGSequence* sequence = FHost.FindSeq(seq);
    if (!sequence || sequence->Count() == 0) {
        return;
    }
    layer.SeqId = seq;
    if (fps <= 0 || sequence->Count() < 2) {
        return;
    }
    TGClipSeg& clip = layer.AddClipSeg();
    clip.SeqId = seq;
    clip.Pivot = pvCenter;
    clip.EndFrame = sequence->Count() - 1;
    clip.Length = sequence->Count() / fps;
    clip.SetLoopStart(true);
    clip.SetLoopEnd(true);
}

void TChameleonAni::PlayOnce(int channel, const std::string& seq, double seconds) {
    TGActiveChannel& layer = FAnimotion->GetChannel(channel);
    layer.ClearSegments();
    layer.Pivot = pvCenter;
    layer.Parent = &FAnimotion->GetChannel(10);
    layer.Blending = 2;
    TGSequence* sequence = FHost.FindSeq(seq);
    if (!sequence || sequence->Count() == 0) {
        return;
    }
    layer.SeqId = seq;
    layer.Visible = true;
    TGClipSeg& clip = layer.AddClipSeg();
    clip.SeqId = seq;
    clip.Pivot = pvCenter;
    clip.EndFrame = sequence->Count() - 1;
    clip.Length = seconds;
    TGMotionSeg& fade = layer.AddMotionSeg();
    fade.Length = 0.01;
    fade.Alpha.AddKey(1, 0);
}

void TChameleonAni::SetColor(int colorNumber) {
    const bool changed = colorNumber != FColor;
    FColor = std::clamp(colorNumber, 1, 8);
    TGActiveChannel& layer = FAnimotion->GetChannel(1);
    if (!layer.SeqId.empty()) {
        TGSequence* sequence = FHost.FindSeq(layer.SeqId);
        layer.Frame = sequence ? std::min(FColor - 1, sequence->Count() - 1) : 0;
    }
    if (changed && FMode != TMode::Dying) {
        PlayOnce(4, FFolder + "/SpecialAdd4", 0.4);
    }
}

void TChameleonAni::Select() {
    if (FMode == TMode::Dying) {
        return;
    }
    FMode = TMode::Selected;
    TGActiveChannel& at = FAnimotion->GetChannel(10);
    at.ScaleX = 1.15;
    at.ScaleY = 1.15;
}

void TChameleonAni::Deselect() {
    if (FMode == TMode::Dying) {
        return;
    }
    FMode = TMode::Normal;
    TGActiveChannel& at = FAnimotion->GetChannel(10);
    at.ScaleX = 1.0;
    at.ScaleY = 1.0;
}

// The base flashes over with the colour-change layer and the fast shimmer while it shrinks away.
void TChameleonAni::PlayDeath() {
    FMode = TMode::Dying;
    FAnimotion->GetChannel(1).Visible = false;
    FAnimotion->GetChannel(2).Visible = false;
    PlayOnce(4, FFolder + "/SpecialAdd4", 0.4);
    TGActiveChannel& at = FAnimotion->GetChannel(10);
    at.ClearSegments();
    TGMotionSeg& shrink = at.AddMotionSeg();
    shrink.Length = 0.4;
    shrink.ScaleX.AddKey(1, 0);
    shrink.ScaleY.AddKey(1, 0);
}

void TChameleonAni::Draw(int x, int y) {
    TGActiveChannel& at = FAnimotion->GetChannel(10);
    at.X = x;
    at.Y = y;
    DrawAnimotion(FHost, *FAnimotion);
}

void TMarbleWildChameleon::Init() {
    if (!Ani) {
        Ani = std::make_shared<TChameleonAni>(FHost, X, Y, ColorNumber);
    }
}

// Without a sprite nothing else places the motion channel, which carries the position.
void TMarbleWildChameleon::Created() {
    TMarble::Created();
    Motion().X = X;
    Motion().Y = Y;
}

void TMarbleWildChameleon::SetChameleonColor(int colorNumber) {
    ColorNumber = colorNumber;
    if (Ani) {
        Ani->SetColor(colorNumber);
    }
}

void TMarbleWildChameleon::Select() {
    TMarble::Select();
    if (Ani) {
        Ani->Select();
    }
}

void TMarbleWildChameleon::Deselect() {
    TMarble::Deselect();
    if (Ani) {
        Ani->Deselect();
    }
}

// The animation is drawn where the element stands, so it follows every move with its timing.
void TMarbleWildChameleon::Draw() {
    TMarble::Draw();
    if (Ani && Visible) {
        Ani->Draw(X, Y);
    }
}

void TMarbleWildChameleon::Kill(int deathFlag) {
    if (Dying) {
        return;
    }
    TMarble::Kill(deathFlag);
    if (Ani) {
        Ani->PlayDeath();
    }
    FHost.PlayBlastSound(9);
}

} // namespace qm
