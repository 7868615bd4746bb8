#include "UElements.h"
#include "UFieldEffect.h"

#include "UGSprite.h"
#include "UGTimer.h"
#include "UGameEnvironment.h"
#include "UPlayHost.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qm {

bool IsBox(const TSimpleElement* element) {
    return dynamic_cast<const TBoxElement*>(element) != nullptr;
}

void AddLoopingClip(TGActiveChannel& channel, const std::string& sequence, int frames,
                    double framesPerSecond) {
    TGClipSeg& clip = channel.AddClipSeg();
    clip.SeqId = sequence;
    clip.Pivot = pvCenter;
    clip.EndFrame = frames - 1;
    clip.Length = frames / framesPerSecond;
    clip.SetLoopStart(true);
    clip.SetLoopEnd(true);
}

namespace {

constexpr double DeathShrinkSeconds = 0.3;
const std::string ChameleonFlash = "specials/14/SpecialFX";

void ScaleKeys(TGMotionSeg& seg, double from, double to) {
    seg.ScaleX.AddKey(0, from);
    seg.ScaleX.AddKey(1, to);
    seg.ScaleY.AddKey(0, from);
    seg.ScaleY.AddKey(1, to);
}

} // namespace

TCell* CellHolding(TField& field, const TElement& element) {
    for (int r = field.FirstRow; r <= field.LastRow; ++r) {
        for (int c = field.FirstCol; c <= field.LastCol; ++c) {
            if (field.Cell(r, c).Element.get() == &element) {
                return &field.Cell(r, c);
            }
        }
    }
    return nullptr;
}

// ---- TSimpleElement ----

TSimpleElement::TSimpleElement(IPlayHost& host, int x, int y) : TElement(host), X(x), Y(y) {}

void TSimpleElement::Created() {
    Visible = true;
    Locked = false;
    Init();
    Animotion = std::make_shared<TGAnimotion>(FHost.ResManager(), &FHost.GameClock());
    Deselect();
}

const TGSprite* TSimpleElement::CurrentSprite() const {
    TGSequence* seq = FHost.FindSeq(SpriteName);
    if (!seq || seq->Count() == 0) {
        return nullptr;
    }
    const TGActiveChannel& channel = Animotion->GetChannel(0);
    return &seq->GetSprite(std::clamp(channel.Frame, 0, seq->Count() - 1));
}

// Without art (the tests' host) an element is as large as its cell.
int TSimpleElement::GetWidth() const {
    const TGSprite* sprite = CurrentSprite();
    return sprite ? sprite->PixelWidth() : FHost.Env().CellWidth;
}

int TSimpleElement::GetHeight() const {
    const TGSprite* sprite = CurrentSprite();
    return sprite ? sprite->PixelHeight() : FHost.Env().CellHeight;
}

bool TSimpleElement::IsIdle() const {
    return !Animotion->HasChannel(1) || Animotion->GetChannel(1).IsFinished();
}

TGIntPoint TSimpleElement::GetPosition() {
    const TGActiveChannel& channel = Motion();
    return {static_cast<int32_t>(std::trunc(channel.X)), static_cast<int32_t>(std::trunc(channel.Y))};
}

void TSimpleElement::SetSprite(const std::string& name) {
    if (name.empty() || name == SpriteName) {
        return;
    }
    SpriteName = name;
    // Only the look is rebuilt: the motion channel carries the element's journey and scale, and a
    // marble deselected as it starts to fall must still land in its cell.
    const bool firstLook = !Animotion->HasChannel(1);
    TGActiveChannel& motion = Motion();
    if (firstLook) {
        motion.X = X;
        motion.Y = Y;
    }
    TGActiveChannel& look = Animotion->GetChannel(0);
    look.ClearSegments();
    look.SeqId.clear();
    look.Frame = 0;
    look.Pivot = pvCenter;
    look.Parent = &motion;
    // A picture the art lacks leaves the element invisible instead of stopping the game; the
    // data check names every sequence the board asks for.
    if (TGSequence* seq = FHost.FindSeq(name); seq && seq->Count() > 0) {
        look.SeqId = name;
        TGClipSeg& clip = look.AddClipSeg();
        clip.SeqId = name;
        clip.Pivot = pvCenter;
        clip.StartFrame = 0;
        clip.EndFrame = seq->Count() - 1;
        clip.Length = seq->Count() / static_cast<double>(std::max(1, FHost.Env().ElementFPS));
        clip.SetLoopStart(true);
        clip.SetLoopEnd(true);
    }
}

void TSimpleElement::BeginMotion() {
    // A finished time line is cleared first: a segment added behind one that ended long ago would
    // start in the past and be skipped at the next step.
    if (Motion().IsFinished()) {
        Motion().ClearSegments();
    }
    Animotion->AlignEnds();
}

void TSimpleElement::Pop(double fromScale, double toScale, double duration) {
    TGActiveChannel& motion = Motion();
    motion.ClearSegments();
    TGMotionSeg& seg = motion.AddMotionSeg();
    seg.Length = duration;
    ScaleKeys(seg, fromScale, toScale);
}

void TSimpleElement::MoveTo(TGIntPoint from, TGIntPoint to, double secondsPerPixel) {
    BeginMotion();
    TGMotionSeg& seg = Motion().AddMotionSeg();
    seg.Length = std::max(std::abs(to.X - from.X), std::abs(to.Y - from.Y)) * secondsPerPixel;
    seg.X.AddKey(0, from.X);
    seg.X.AddKey(1, to.X);
    seg.Y.AddKey(0, from.Y);
    seg.Y.AddKey(1, to.Y);
    // A move of no length puts the element there at once.
    if (seg.Length <= 0.0) {
        Motion().X = to.X;
        Motion().Y = to.Y;
    }
}

void TSimpleElement::FallMove(TGIntPoint from, TGIntPoint to) {
    MoveTo(from, to, FHost.Env().ElementFallStepDuration);
}

void TSimpleElement::SwapMove(TGIntPoint from, TGIntPoint to) {
    MoveTo(from, to, FHost.Env().ElementsSwapDuration);
}

void TSimpleElement::Kill(int deathFlag) {
    if (!Dying) {
        Dying = true;
        PlayDeath(deathFlag);
    }
}

void TSimpleElement::Deselect() {
    Selected = false;
    SetSprite(GetSpriteName());
}

void TSimpleElement::Draw() {
    if (!Initialized) {
        Initialized = true;
        Init();
    }
    if (!Visible) {
        return;
    }
    DrawExtra();
    Animotion->GetRoot().Color = Tint;
    if (FHost.ResManager()) {
        Animotion->Render(true);
    } else {
        Animotion->UpdateByTimer();
    }
    X = static_cast<int>(std::lround(Motion().X));
    Y = static_cast<int>(std::lround(Motion().Y));
    const std::string name = GetSpriteName();
    if (name != SpriteName) {
        SetSprite(name);
    }
}

void TSimpleElement::PlayDeath(int deathFlag) {
    if (TField* field = FHost.CurrentField()) {
        AddElementExplosion(*field, SpriteName, X, Y);
    }
    BeginMotion();
    TGActiveChannel& motion = Motion();
    if (deathFlag == 1) {
        // Held still while the flash plays, then gone.
        motion.AddMotionSeg().Length = 1.0;
    }
    TGMotionSeg& shrink = motion.AddMotionSeg();
    shrink.Length = DeathShrinkSeconds;
    ScaleKeys(shrink, 1.0, 0.0);
}

// ---- TMarble ----

TMarble::TMarble(IPlayHost& host, int x, int y, char color) : TSimpleElement(host, x, y) {
    SetColor(color);
}

void TMarble::Kill(int deathFlag) {
    if (Dying) {
        return;
    }
    TSimpleElement::Kill(deathFlag);
    FHost.MarbleKilled();
}

std::unique_ptr<TElement> TMarble::Clone() const {
    auto copy = NewElement<TMarble>(FHost, X, Y, Color);
    copy->ColorNumber = ColorNumber;
    return copy;
}

std::string TMarble::GetSpriteName() const {
    return std::string("elements/Marble") + Color + (Selected ? "Sel" : "");
}

void TMarble::PlayDeath(int deathFlag) {
    TSimpleElement::PlayDeath(deathFlag);
    if (deathFlag != 1) {
        return;
    }
    // The chameleon's flash: the marble's own picture moves to channel 1 and channel 0 shows the
    // flash in the marble's colour, turning a little as it comes and goes.
    TGActiveChannel& motion = Motion();
    TGActiveChannel& flash = Animotion->GetChannel(0);
    motion.SeqId = flash.SeqId;
    motion.Frame = flash.Frame;
    motion.Pivot = pvCenter;
    flash.ClearSegments();
    flash.LoopStart = nullptr;
    flash.LoopEnd = nullptr;
    flash.SeqId = FHost.FindSeq(ChameleonFlash) ? ChameleonFlash : "";
    flash.Frame = ColorNumber - 1;
    flash.Blending = 2; // Add
    TGMotionSeg& seg = flash.AddMotionSeg();
    seg.Length = 1.3;
    seg.Alpha.AddKey(0, 0);
    seg.Alpha.AddKey(0.5, 1);
    seg.Alpha.AddKey(1, 0);
    seg.Angle.AddKey(1, flash.Angle + 10);
}

void TMarble::SetColor(char color) {
    Color = color;
    ColorNumber = color == ' ' ? 1 : color - '0';
}

// ---- the marbles of the specials ----

namespace {

template <class T> std::unique_ptr<TElement> CloneMarble(const T& marble) {
    auto copy = NewElement<T>(marble.Host(), marble.X, marble.Y, marble.Color);
    copy->ColorNumber = marble.ColorNumber;
    return copy;
}

} // namespace

std::unique_ptr<TElement> TMarbleWildChameleon::Clone() const {
    auto copy = NewElement<TMarbleWildChameleon>(FHost, X, Y);
    copy->Color = Color;
    copy->SetChameleonColor(ColorNumber);
    return copy;
}

std::unique_ptr<TElement> TMarbleWithLineFreeze::Clone() const {
    return CloneMarble(*this);
}

std::unique_ptr<TElement> TMarbleWithCrossFire::Clone() const {
    return CloneMarble(*this);
}

std::unique_ptr<TElement> TMarbleWithDiagonal::Clone() const {
    return CloneMarble(*this);
}

// ---- TBoxElement ----

TBoxElement::TBoxElement(IPlayHost& host, int x, int y, int boxKind, std::string sprite)
    : TSimpleElement(host, x, y), BoxKind(boxKind), BoxSprite(std::move(sprite)) {}

// A box leaves no remains: it is hidden at once and freed at the next packing.
void TBoxElement::Kill(int /*deathFlag*/) {
    Dying = true;
    Animotion->SetVisible(false);
    Motion().ClearSegments();
}

std::unique_ptr<TElement> TBoxElement::Clone() const {
    return NewElement<TBoxElement>(FHost, X, Y, BoxKind, BoxSprite);
}

// ---- TSpecial ----

void TSpecial::Created() {
    TSimpleElement::Created();
    const std::string light = FHost.SpecialBonusLight(Kind());
    if (light.empty()) {
        return;
    }
    BonusLight = std::make_shared<TGAnimotion>(FHost.ResManager(), &FHost.GameClock());
    TGActiveChannel& at = BonusLight->GetChannel(1);
    at.X = X;
    at.Y = Y;
    TGActiveChannel& glow = BonusLight->GetChannel(0);
    glow.SeqId = light;
    glow.Pivot = pvCenter;
    glow.Parent = &at;
    if (TGSequence* seq = FHost.FindSeq(light); seq && seq->Count() > 0) {
        AddLoopingClip(glow, light, seq->Count(), 10.0);
    }
}

void TSpecial::DrawExtra() {
    if (!BonusLight) {
        return;
    }
    if (FHost.ResManager()) {
        BonusLight->Render(true);
    } else {
        BonusLight->UpdateByTimer();
    }
}

void TSpecial::MoveTo(TGIntPoint from, TGIntPoint to, double secondsPerPixel) {
    TSimpleElement::MoveTo(from, to, secondsPerPixel);
    if (!BonusLight) {
        return;
    }
    TGActiveChannel& at = BonusLight->GetChannel(1);
    if (at.IsFinished()) {
        at.ClearSegments();
    }
    TGMotionSeg& seg = at.AddMotionSeg();
    seg.Length = std::max(std::abs(to.X - from.X), std::abs(to.Y - from.Y)) * secondsPerPixel;
    seg.X.AddKey(0, from.X);
    seg.X.AddKey(1, to.X);
    seg.Y.AddKey(0, from.Y);
    seg.Y.AddKey(1, to.Y);
}

// ---- TSpecialExt ----

std::unique_ptr<TElement> TSpecialExt::Clone() const {
    return NewElement<TSpecialExt>(FHost, X, Y, FKind);
}

std::string TSpecialExt::GetSpriteName() const {
    return Selected ? FHost.SpecialSelectSeq(FKind) : FHost.SpecialMainSeq(FKind);
}

TCell* TSpecialExt::CellOf() const {
    TField* field = FHost.CurrentField();
    if (!field) {
        return nullptr;
    }
    TCell* cell = CellHolding(*field, *this);
    if (!cell) {
        cell = field->CellAt(X, Y);
    }
    return cell ? cell : &field->Cell(field->FirstRow, field->FirstCol);
}

} // namespace qm
