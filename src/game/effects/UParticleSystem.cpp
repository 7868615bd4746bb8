#include "UParticleSystem.h"

#include "UGAppData.h"
#include "UGError.h"
#include "UGRandom.h"
#include "UGTimer.h"

#include <algorithm>
#include <cmath>

namespace qm {

TParticleEnv TParticleEnv::Of(TGBaseAppData& app) {
    return {app.ResManager.get(), app.GameClock.get(), app.InterfaceClock.get()};
}

TGTimer* TParticleEnv::Clock(TAnimotionClass animotionClass) const {
    return animotionClass == TAnimotionClass::Game ? GameClock : InterfaceClock;
}

double RandomRange(double low, double high) {
    return low + (high - low) * RandomFloat();
}

// ---- the object ----

TObject::TObject(const TParticleEnv& env, TAnimotionClass animotionClass)
    : FEnv(env), FClass(animotionClass),
      FAnimotion(std::make_unique<TGAnimotion>(env.ResManager, env.Clock(animotionClass))) {
    FMotion = &FAnimotion->AddMotionSeg(MotionChannel);
    FClip = &FAnimotion->AddClipSeg(SpriteChannel);
    FAnimotion->GetChannel(SpriteChannel).Parent = &FAnimotion->GetChannel(MotionChannel);
}

TObject::~TObject() = default;

double TObject::AngleAt(double t) const {
    return FMotion->Angle.GetP(t);
}
double TObject::ScaleXAt(double t) const {
    return FMotion->ScaleX.GetP(t);
}
double TObject::ScaleYAt(double t) const {
    return FMotion->ScaleY.GetP(t);
}
double TObject::XAt(double t) const {
    return FMotion->X.GetP(t);
}
double TObject::YAt(double t) const {
    return FMotion->Y.GetP(t);
}
double TObject::AlphaAt(double t) const {
    return FMotion->Alpha.GetP(t);
}

uint32_t TObject::ColorAt(double t) const {
    auto byte = [](double v) { return static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)); };
    return byte(FMotion->Red.GetP(t)) << 16 | byte(FMotion->Green.GetP(t)) << 8 | byte(FMotion->Blue.GetP(t));
}

double TObject::Life() const {
    return FMotion->Length;
}

bool TObject::IsLooping() const {
    return FMotion->IsLoopStart() && FMotion->IsLoopEnd();
}

bool TObject::IsFinished() const {
    return FFinished;
}

void TObject::AddAngleKey(double t, double v) {
    FMotion->Angle.AddKey(t, v);
}
void TObject::SetAngleFollowsPath(bool value) {
    FMotion->AngleFollowByPath = value;
}
void TObject::AddScaleXKey(double t, double v) {
    FMotion->ScaleX.AddKey(t, v);
}
void TObject::AddScaleYKey(double t, double v) {
    FMotion->ScaleY.AddKey(t, v);
}
void TObject::AddScaleKey(double t, double v) {
    AddScaleXKey(t, v);
    AddScaleYKey(t, v);
}
void TObject::AddXKey(double t, double v) {
    FMotion->X.AddKey(t, v);
}
void TObject::AddYKey(double t, double v) {
    FMotion->Y.AddKey(t, v);
}
void TObject::AddAlphaKey(double t, double v) {
    FMotion->Alpha.AddKey(t, v);
}

void TObject::AddColorKey(uint32_t argb, double t) {
    FMotion->Red.AddKey(t, (argb >> 16) & 0xFF);
    FMotion->Green.AddKey(t, (argb >> 8) & 0xFF);
    FMotion->Blue.AddKey(t, argb & 0xFF);
}

void TObject::SetLife(double seconds) {
    FMotion->Length = seconds;
}

void TObject::SetLooping(bool value) {
    FMotion->SetLoopStart(value);
    FMotion->SetLoopEnd(value);
}

void TObject::CheckFinished() {
    FFinished = FAnimotion->GetChannel(MotionChannel).IsFinished();
}

void TObject::Update() {
    FAnimotion->Render(true);
    CheckFinished();
}

double TObject::LifeFraction() const {
    const double length = FMotion->Length;
    if (length <= 0.0) {
        return 1.0;
    }
    double fraction = (FMotion->Channel().Time() - FMotion->StartTime) / length;
    if (fraction > 1.0) {
        fraction -= std::ceil(fraction - 1.0);
    }
    return fraction;
}

void TObject::SetSequence(const std::string& name) {
    FClip->SeqId = name;
    FClip->StartFrame = 0;
    FClip->EndFrame = 0;
}

void TObject::SetFps(double fps) {
    FClip->SetFPS(fps);
}

void TObject::SetPivot(uint8_t pivot) {
    FPivot = pivot;
    FClip->Pivot = pivot;
}

void TObject::SetBlending(uint8_t blending) {
    FAnimotion->GetChannel(SpriteChannel).Blending = blending;
}

void TObject::SetClipLooping(bool value) {
    FClip->SetLoopStart(value);
    FClip->SetLoopEnd(value);
}

void TParticle::Update() {
    if (Life() > 0.0) {
        TObject::Update();
        return;
    }
    FAnimotion->UpdateByTimer();
    CheckFinished();
}

// ---- descriptors ----

TDescriptor::~TDescriptor() = default;

TModifier& TDescriptor::AddModifier(std::unique_ptr<TModifier> modifier) {
    for (auto& slot : FModifiers) {
        if (!slot) {
            slot = std::move(modifier);
            return *slot;
        }
    }
    throw EGError("TDescriptor.AddModifier", "Descriptor capacity exceeded");
}

void TDescriptor::ApplyModifiers(TParticle& particle, TEmitter& emitter, const std::any& extra) {
    for (auto& slot : FModifiers) {
        if (!slot) {
            return;
        }
        slot->Apply(particle, emitter, extra);
    }
}

int TDescriptor::ModifierCount() const {
    return static_cast<int>(
        std::count_if(FModifiers.begin(), FModifiers.end(), [](const auto& m) { return m != nullptr; }));
}

TParticleDescriptor::TParticleDescriptor(std::string sequence, uint8_t blending, double fps)
    : Sequence(std::move(sequence)), Fps(fps), Blending(blending) {}

std::unique_ptr<TParticle> TParticleDescriptor::CreateParticle(const TParticleEnv& env,
                                                               TAnimotionClass animotionClass,
                                                               TEmitter& emitter, const std::any& extra) {
    auto particle = std::make_unique<TParticle>(env, animotionClass);
    particle->SetSequence(Sequence);
    if (Fps > 0.0) {
        particle->SetFps(Fps);
    }
    particle->SetBlending(Blending);
    ApplyModifiers(*particle, emitter, extra);
    return particle;
}

// ---- emitters ----

TEmitter::~TEmitter() {
    // Particles first: nothing of theirs refers to the descriptors, but they were made by them.
    FParticles.clear();
}

int TEmitter::FreeSlot() const {
    for (int i = 0; i < Capacity; ++i) {
        if (!FDescriptors[static_cast<size_t>(i)]) {
            return i;
        }
    }
    throw EGError("TEmitter.AddCarriedObjectDescriptor", "Emitter capacity exceeded");
}

TParticleDescriptor& TEmitter::AddDescriptor(std::unique_ptr<TParticleDescriptor> descriptor) {
    if (descriptor->Owner()) {
        throw EGError("TEmitter.AddCarriedObjectDescriptor", "The descriptor already has an owner");
    }
    const int slot = FreeSlot();
    TParticleDescriptor& added = *descriptor;
    added.SetOwner(this);
    FOwned.push_back(std::move(descriptor));
    FDescriptors[static_cast<size_t>(slot)] = &added;
    return added;
}

void TEmitter::AddDescriptor(TParticleDescriptor& descriptor) {
    const int slot = FreeSlot();
    if (!descriptor.Owner()) {
        throw EGError("TEmitter.AddCarriedObjectDescriptor", "A shared descriptor needs an owner");
    }
    FDescriptors[static_cast<size_t>(slot)] = &descriptor;
}

void TEmitter::Emit() {
    std::any extra;
    if (FProducer) {
        extra = FProducer->Produce(*this);
    }
    for (TParticleDescriptor* descriptor : FDescriptors) {
        if (descriptor) {
            FParticles.push_back(descriptor->CreateParticle(FEnv, FClass, *this, extra));
        }
    }
}

void TEmitter::ClearParticles() {
    FParticles.clear();
}

void TEmitter::CheckFinished() {
    TObject::CheckFinished();
    FFinished = FFinished && FParticles.empty();
}

void TEmitter::Update() {
    TObject::Update();
    for (auto& particle : FParticles) {
        particle->Update();
    }
    std::erase_if(FParticles, [](const std::unique_ptr<TParticle>& p) { return p->IsFinished(); });
}

TDosatedEmitter::TDosatedEmitter(const TParticleEnv& env, TAnimotionClass animotionClass)
    : TEmitter(env, animotionClass) {}

void TDosatedEmitter::Update() {
    TEmitter::Update();
    const TGActiveChannel& channel = Motion().Channel();
    const double time = channel.Time();
    if (channel.LoopStart && time == channel.LoopStart->StartTime) {
        Emitted = 0;
        Accumulated = 0.0;
    }
    const double dt = std::max(time - LastTime, 0.0);
    LastTime = time;
    Accumulated += RateCurve.GetP(LifeFraction()) * dt;
    const int n = std::max(static_cast<int>(std::floor(Accumulated)) - Emitted, 0);
    Emitted += n;
    if (channel.IsFinished()) {
        return;
    }
    for (int i = 0; i < n; ++i) {
        Emit();
    }
}

} // namespace qm
