#pragma once

#include "UParticleEffects.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class TGameData;

// A scene for people to look at the particle effects: each effect of the catalogue plays in a
// cell of a grid under its name and starts again when it has finished. Opened with
// --scene particles.
class TParticleScene {
public:
    static constexpr const char* SceneName = "particles";
    static constexpr const char* ResourceSetName = "Particles";

    explicit TParticleScene(TGameData& data);
    ~TParticleScene();
    void Draw();

private:
    using TMaker = std::function<std::unique_ptr<TParticleEffect>(double left, double top)>;
    struct TCell {
        std::string Name;
        TMaker Make;
        double Left = 0.0;
        double Top = 0.0;
        std::unique_ptr<TParticleEffect> Effect;
    };

    void AddCell(const std::string& name, TMaker make);
    std::vector<TCell> FCells;
    TGameData& FData;
    TParticleEnv FEnv;
};

} // namespace qm
