#pragma once

// Particle effects on the board: the field keeps them in its list, advances and draws them once a
// frame after everything else and frees each one when it is over.

#include "UField.h"
#include "UParticleEffects.h"

#include <memory>

namespace qm {

class TParticleFieldEffect : public IFieldEffect {
public:
    explicit TParticleFieldEffect(std::unique_ptr<TParticleEffect> effect);
    // Advances and draws the particles; false once the last of them is gone.
    bool Draw() override;

    const TParticleEffect& Effect() const { return *FEffect; }

private:
    std::unique_ptr<TParticleEffect> FEffect;
};

// Both start nothing while the host has no art to draw particles with.
// Starts the dust of a dying element at its centre on the field.
void AddElementExplosion(TField& field, const std::string& spriteName, int x, int y);
// Starts a fireball's flame trail, flying from one point to the other in `seconds`.
void AddFireBallTrail(TField& field, TGIntPoint from, TGIntPoint to, double seconds);

} // namespace qm
