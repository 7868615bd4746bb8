#pragma once

// The ready-made particle effects of play: dust when an element dies, lightning, sparks, the
// bursts of the bomb bonuses, the fireball's flame trail, snow, sparkles, motes, bubbles and
// fireworks. Each effect builds its emitters in its constructor and from then on only runs: its
// owner calls Update once a frame (which advances and draws it) and frees it once IsFinished.

#include "UParticleSystem.h"

#include <memory>
#include <string>
#include <vector>

namespace qm {

class TParticleEffect : public TObject {
public:
    explicit TParticleEffect(const TParticleEnv& env);
    ~TParticleEffect() override;

    TDosatedEmitter& AddEmitter(std::unique_ptr<TDosatedEmitter> emitter);
    // Every emitter in turn; each advances, draws and frees its finished particles.
    void Update() override;
    // True once every emitter is over; at once for an effect without emitters.
    bool IsFinished() const override;

    int EmitterCount() const { return static_cast<int>(FEmitters.size()); }
    TDosatedEmitter& Emitter(int index) const { return *FEmitters.at(static_cast<size_t>(index)); }
    // Particles alive in all emitters.
    int ParticleCount() const;

protected:
    // A game-clock emitter standing at (x, y) for its whole life.
    TDosatedEmitter& AddFixedEmitter(double x, double y, double life);

    std::vector<std::unique_ptr<TDosatedEmitter>> FEmitters;
};

class TElementExplosion : public TParticleEffect {
public:
    // The dust is the same for every element; the sequence name is kept for callers' symmetry.
    TElementExplosion(const TParticleEnv& env, const std::string& sequenceName, double x, double y);
};

class TSpecial3Fx : public TParticleEffect {
public:
    TSpecial3Fx(const TParticleEnv& env, double fromX, double fromY, double toX, double toY, double duration);
    // The stars, then the flying sprite over them.
    void Update() override;

private:
    std::unique_ptr<TGAnimotion> FFlight;
};

class TSingleCellBombFx : public TParticleEffect {
public:
    TSingleCellBombFx(const TParticleEnv& env, double x, double y, double life);
};

class TFireBallFx : public TParticleEffect {
public:
    TFireBallFx(const TParticleEnv& env, double fromX, double fromY, double toX, double toY, double duration);
};

// Draws an element's sprite as wavering strips that fade out (or in) over two seconds.
class TElementShaking : public TParticleEffect {
public:
    static constexpr double Duration = 2.0;

    TElementShaking(const TParticleEnv& env, bool fadeOut, double x, double y, std::string sequenceName);
    void Update() override;
    bool IsFinished() const override;
    // The opacity of the strips now, 0..255.
    uint32_t Opacity() const;

private:
    bool FFadeOut;
    double FX;
    double FY;
    std::string FSequenceName;
    double FTime = 0.0;
};

class TDiagonalFx : public TParticleEffect {
public:
    TDiagonalFx(const TParticleEnv& env, double x1, double y1, double x2, double y2, double rate,
                double angleJitter, double life);
};

class TBombFx : public TParticleEffect {
public:
    TBombFx(const TParticleEnv& env, double x, double y);
};

// The three effects that their owner moves along a path by adding keys to the one emitter's
// position curves; until then they stand at the origin.
class TSteeredFx : public TParticleEffect {
public:
    void AddXKey(double t, double x) override;
    void AddYKey(double t, double y) override;

protected:
    TSteeredFx(const TParticleEnv& env, double life, double rate, std::unique_ptr<TModifier> modifier);

    TDosatedEmitter* FEmitter = nullptr;
};

class TSparklesFx : public TSteeredFx {
public:
    TSparklesFx(const TParticleEnv& env, double life, double rate);
};

class TSnowFx : public TSteeredFx {
public:
    TSnowFx(const TParticleEnv& env, double life, double rate);
};

class TMotesFx : public TSteeredFx {
public:
    TMotesFx(const TParticleEnv& env, double life, double rate);
};

// One rocket of a firework: an emitter on the interface clock that flies and sheds sparks.
class TFireworkFxRocket : public TDosatedEmitter {
public:
    TFireworkFxRocket(const TParticleEnv& env, double x, double y);
};

class TFireworkFx : public TParticleEffect {
public:
    static constexpr int RocketCount = 20;
    TFireworkFx(const TParticleEnv& env, double x, double y);
};

class TBubbleFx : public TParticleEffect {
public:
    TBubbleFx(const TParticleEnv& env, int frame, double x, double y);
};

// Every sequence the effects draw, for the data check and for tests that stand the art in.
const std::vector<std::string>& ParticleSequenceNames();

} // namespace qm
