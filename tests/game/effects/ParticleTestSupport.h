#pragma once

#include "UGGraphicsDevice.h"
#include "UGNewXMLNode.h"
#include "UGNullRenderBackend.h"
#include "UGResManager.h"
#include "UGTimer.h"
#include "UParticleSystem.h"

#include <memory>

namespace qm::test {

// A null renderer with every sequence the particle effects draw (32 x 16 pixels, the bubble sheet
// with eight frames) plus "test/Element" (40 x 40), and two clocks stepped by hand.
class TParticleArt {
public:
    TParticleArt();
    ~TParticleArt();

    TParticleEnv Env() { return {FManager.get(), &GameClock, &InterfaceClock}; }
    // Both clocks step by `dt`; the game clock stands still while `gamePaused`.
    void Step(double dt, bool gamePaused = false);
    // Starts a frame so that the next draws reach the renderer.
    void NewFrame() { FDevice.ClearScene(); }
    TGNullRenderBackend& Backend() { return FBackend; }

    TGManualTickSource Ticks;
    TGTimer GameClock{Ticks, 1.0};
    TGTimer InterfaceClock{Ticks, 1.0};

private:
    TGNullRenderBackend FBackend;
    TGGraphicsDevice FDevice{FBackend, nullptr, Ticks, nullptr};
    TGNewXMLNode FFonts{"Fonts"};
    std::unique_ptr<TGResManager> FManager;
};

} // namespace qm::test
