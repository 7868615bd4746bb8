#include "ParticleTestSupport.h"

#include "BlankArt.h"
#include "UParticleEffects.h"

namespace qm::test {

TParticleArt::TParticleArt() {
    FDevice.SetMode(800, 600, 1.0);
    std::vector<TBlankSequence> sequences;
    for (const std::string& name : ParticleSequenceNames()) {
        sequences.push_back({name, name == "specials/11/specialfx" ? 8 : 1, 32, 16});
    }
    sequences.push_back({"test/Element", 1, 40, 40});
    FManager = MakeBlankArt(FDevice, FFonts, "ParticleTestArt", std::move(sequences), 512);
}

TParticleArt::~TParticleArt() = default;

void TParticleArt::Step(double dt, bool gamePaused) {
    GameClock.Step = gamePaused ? 0.0 : dt;
    InterfaceClock.Step = dt;
}

} // namespace qm::test
