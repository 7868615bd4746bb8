#include "UFieldEffect.h"

#include "UPlayHost.h"

namespace qm {

TParticleFieldEffect::TParticleFieldEffect(std::unique_ptr<TParticleEffect> effect)
    : FEffect(std::move(effect)) {}

bool TParticleFieldEffect::Draw() {
    FEffect->Update();
    return !FEffect->IsFinished();
}

// Particles are sprites: a host without art (the board's tests) shows no effects.
void AddElementExplosion(TField& field, const std::string& spriteName, int x, int y) {
    const TParticleEnv env = field.Host().ParticleEnv();
    if (!env.ResManager) {
        return;
    }
    field.AddEffect(
        std::make_unique<TParticleFieldEffect>(std::make_unique<TElementExplosion>(env, spriteName, x, y)));
}

void AddFireBallTrail(TField& field, TGIntPoint from, TGIntPoint to, double seconds) {
    const TParticleEnv env = field.Host().ParticleEnv();
    if (!env.ResManager) {
        return;
    }
    field.AddEffect(std::make_unique<TParticleFieldEffect>(
        std::make_unique<TFireBallFx>(env, from.X, from.Y, to.X, to.Y, seconds)));
}

} // namespace qm
