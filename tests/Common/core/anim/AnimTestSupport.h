#pragma once

#include "UGGraphicsDevice.h"
#include "UGNewXMLNode.h"
#include "UGNullRenderBackend.h"
#include "UGResManager.h"
#include "UGTimer.h"
#include "UGXMLNode.h"

#include <memory>
#include <string>

namespace qm::test {

// A graphics device on the null renderer with a resource manager holding two sequences:
// "anim/Strip" (50 frames of 4 x 2 pixels) and "anim/Box" (one frame of 20 x 10).
class TAnimArt {
public:
    struct Vertex {
        float X, Y, Z;
        uint32_t Color;
        float U, V;
    };

    TAnimArt();
    ~TAnimArt();

    TGResManager& ResManager() { return *FManager; }
    TGNullRenderBackend& Backend() { return FBackend; }
    // The four corners of the last quad: bottom-left, bottom-right, top-left, top-right.
    const Vertex* LastQuad();
    // Starts a frame so that the next draws reach the renderer again.
    void NewFrame();

private:
    TGNullRenderBackend FBackend;
    TGManualTickSource FTicks;
    TGGraphicsDevice FDevice{FBackend, nullptr, FTicks, nullptr};
    TGNewXMLNode FFonts{"Fonts"};
    std::unique_ptr<TGResManager> FManager;
};

// The snapshot of an XML text, as the configuration layer would give it, named "test.xml".
PGXMLNode ParseXml(const std::string& text);

} // namespace qm::test
