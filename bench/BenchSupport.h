#pragma once

// What the benchmarks share: a headless window with the real OpenGL renderer and a device.

#include "UGGLRenderBackend.h"
#include "UGGraphicsDevice.h"
#include "UGSDLWindow.h"
#include "UGTimer.h"

#include <memory>

namespace qm::bench {

struct TBenchRenderer {
    TBenchRenderer()
        : Window("Quillmark benchmark", 800, 600, true), Renderer(Window),
          Device(Renderer, &Window, Ticks, nullptr) {
        Device.SetMode(800, 600, 1.0);
    }
    TGSDLWindow Window;
    TGGLRenderBackend Renderer;
    TGManualTickSource Ticks;
    TGGraphicsDevice Device;
};

} // namespace qm::bench
