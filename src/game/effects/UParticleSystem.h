#pragma once

// A small particle system built on animotions. Every particle and every emitter is one animotion
// whose sprite channel (0) rides on a motion channel (1): the motion's curves, over a curve time
// of 0..1 across the object's life, carry position, angle, scale, opacity and colour. An emitter
// carries up to four particle descriptors; a descriptor names the particle's sequence and holds
// up to sixteen modifiers that shape each new particle as it is born, usually from the emitter's
// state at that moment. A dosated emitter releases particles at a rate given by a curve over its
// own life.

#include "UGAnimotion.h"

#include <any>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class TGBaseAppData;
class TGResManager;
class TGTimer;

// Which clock an object's animotion runs on: play effects stop while the game is paused, the
// interface ones never do.
enum class TAnimotionClass : uint8_t { Game, Interface };

// What particles need of the application: the sequences and the two clocks. Tests build one
// from a bare resource manager and hand-driven clocks.
struct TParticleEnv {
    TGResManager* ResManager = nullptr;
    TGTimer* GameClock = nullptr;
    TGTimer* InterfaceClock = nullptr;

    static TParticleEnv Of(TGBaseAppData& app);
    TGTimer* Clock(TAnimotionClass animotionClass) const;
};

// The base of particles and emitters: one animotion with a clip on channel 0 riding on a motion
// on channel 1.
class TObject {
public:
    static constexpr int SpriteChannel = 0;
    static constexpr int MotionChannel = 1;

    TObject(const TParticleEnv& env, TAnimotionClass animotionClass);
    virtual ~TObject();
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;

    // Curve values at a fraction t (0..1) of the life.
    virtual double AngleAt(double t) const;
    virtual double ScaleXAt(double t) const;
    virtual double ScaleYAt(double t) const;
    virtual double XAt(double t) const;
    virtual double YAt(double t) const;
    virtual double AlphaAt(double t) const;
    // 0xRRGGBB from the colour curves.
    virtual uint32_t ColorAt(double t) const;
    virtual double Life() const;
    virtual bool IsLooping() const;
    virtual bool IsFinished() const;
    virtual void AddAngleKey(double t, double v);
    virtual void SetAngleFollowsPath(bool value);
    virtual void AddScaleXKey(double t, double v);
    virtual void AddScaleYKey(double t, double v);
    virtual void AddScaleKey(double t, double v);
    virtual void AddXKey(double t, double v);
    virtual void AddYKey(double t, double v);
    virtual void AddAlphaKey(double t, double v);
    // Red, green and blue keys from an ARGB colour; the opacity has curves of its own.
    virtual void AddColorKey(uint32_t argb, double t);
    virtual void SetLife(double seconds);
    virtual void SetLooping(bool value);
    virtual void CheckFinished();
    // Advances the animotion on its clock, draws it and then checks whether it is over.
    virtual void Update();

    // Where the motion channel stands in the life, 0..1 (whole lives dropped on a loop).
    double LifeFraction() const;
    void SetSequence(const std::string& name);
    void SetFps(double fps);
    void SetPivot(uint8_t pivot);
    void SetBlending(uint8_t blending);
    void SetClipLooping(bool value);

    TGAnimotion& Animotion() { return *FAnimotion; }
    TGMotionSeg& Motion() const { return *FMotion; }
    TGClipSeg& Clip() const { return *FClip; }
    const TParticleEnv& Env() const { return FEnv; }
    TAnimotionClass AnimotionClass() const { return FClass; }

protected:
    TParticleEnv FEnv;
    TAnimotionClass FClass;
    std::unique_ptr<TGAnimotion> FAnimotion;
    TGMotionSeg* FMotion = nullptr;
    TGClipSeg* FClip = nullptr;
    bool FFinished = false;
    uint8_t FPivot = pvLeftMiddle;
};

class TParticle : public TObject {
public:
    using TObject::TObject;
    // A particle born without life (a modifier's way of cancelling it) is never drawn.
    void Update() override;
};

class TEmitter;
class TParticleDescriptor;

// Shapes a new particle; the one operation of every modifier.
class TModifier {
public:
    virtual ~TModifier() = default;
    virtual void Apply(TParticle& particle, TEmitter& emitter, const std::any& extra) = 0;
};

class TDescriptor {
public:
    static constexpr int Capacity = 16;

    virtual ~TDescriptor();
    // Takes the first free slot; "Descriptor capacity exceeded" when all are taken.
    TModifier& AddModifier(std::unique_ptr<TModifier> modifier);
    void ApplyModifiers(TParticle& particle, TEmitter& emitter, const std::any& extra);
    int ModifierCount() const;

private:
    std::array<std::unique_ptr<TModifier>, Capacity> FModifiers;
};

class TParticleDescriptor : public TDescriptor {
public:
    explicit TParticleDescriptor(std::string sequence, uint8_t blending = 0, double fps = 0.0);

    // A particle of the given clock with this descriptor's look, then shaped by the modifiers.
    std::unique_ptr<TParticle> CreateParticle(const TParticleEnv& env, TAnimotionClass animotionClass,
                                              TEmitter& emitter, const std::any& extra);

    TEmitter* Owner() const { return FOwner; }
    void SetOwner(TEmitter* owner) { FOwner = owner; }

    std::string Sequence;
    double Fps = 0.0;
    uint8_t Blending = 0;

private:
    TEmitter* FOwner = nullptr;
};

// Makes the extra value handed to every descriptor of one emission.
class TExtraProducer {
public:
    virtual ~TExtraProducer() = default;
    virtual std::any Produce(TEmitter& emitter) = 0;
};

class TEmitter : public TObject {
public:
    static constexpr int Capacity = 4;

    using TObject::TObject;
    ~TEmitter() override;

    // The emitter adopts the descriptor (becomes its owner). "Emitter capacity exceeded" when all
    // four slots are taken.
    TParticleDescriptor& AddDescriptor(std::unique_ptr<TParticleDescriptor> descriptor);
    // Shares a descriptor another emitter owns: this emitter uses it but never frees it, so the
    // owner must outlive it.
    void AddDescriptor(TParticleDescriptor& descriptor);
    // One new particle from every descriptor, in slot order.
    void Emit();
    void ClearParticles();
    void SetProducer(std::unique_ptr<TExtraProducer> producer) { FProducer = std::move(producer); }

    // Finished only when its own motion is over and its last particle is gone.
    void CheckFinished() override;
    // Itself, then every particle; particles that are over are freed.
    void Update() override;

    int ParticleCount() const { return static_cast<int>(FParticles.size()); }
    TParticle& Particle(int index) const { return *FParticles.at(static_cast<size_t>(index)); }
    TParticleDescriptor* Descriptor(int slot) const { return FDescriptors.at(static_cast<size_t>(slot)); }

private:
    int FreeSlot() const;

    std::vector<std::unique_ptr<TParticle>> FParticles;
    std::unique_ptr<TExtraProducer> FProducer;
    std::array<TParticleDescriptor*, Capacity> FDescriptors{};
    std::vector<std::unique_ptr<TParticleDescriptor>> FOwned;
};

class TDosatedEmitter : public TEmitter {
public:
    TDosatedEmitter(const TParticleEnv& env, TAnimotionClass animotionClass);

    // Emits as many particles as the rate curve (particles per second over the life fraction)
    // has accumulated in whole numbers since the last frame.
    void Update() override;

    TGCatmullRom RateCurve;
    double Accumulated = 0.0;
    int Emitted = 0;
    double LastTime = 0.0;
};

// A uniform number in [low, high) from the game's generator.
double RandomRange(double low, double high);

} // namespace qm
