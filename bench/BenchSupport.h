#pragma once

// What the benchmarks share: a headless window with the real OpenGL renderer and a device.

#include "UGGLRenderBackend.h"
#include "UGGraphicsDevice.h"
#include "UGSDLWindow.h"
#include "UGTimer.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace qm::bench {

struct TBenchRenderer {
    TBenchRenderer()
        : Window("Quillmark benchmark", 800, 600, true), Renderer(Window),
          Device(Renderer, &Window, Ticks, nullptr) {
        Device.SetMode(800, 600, 1.0);
        // A benchmark draws the same frame again and again; each must cost what a new one does.
        Device.SetSkipSameFrames(false);
    }
    TGSDLWindow Window;
    TGGLRenderBackend Renderer;
    TGManualTickSource Ticks;
    TGGraphicsDevice Device;
};

// The renderer's work per frame, as counters beside the time.
class TFrameCounters {
public:
    void Add(const TGGraphicsDevice& device) {
        FDrawCalls += device.LastFrameStats().DrawCalls;
        FTextureSwitches += device.LastFrameStats().TextureSwitches;
    }
    void Report(benchmark::State& state) const {
        state.counters["draw_calls"] = benchmark::Counter(FDrawCalls, benchmark::Counter::kAvgIterations);
        state.counters["texture_switches"] =
            benchmark::Counter(FTextureSwitches, benchmark::Counter::kAvgIterations);
    }

private:
    double FDrawCalls = 0;
    double FTextureSwitches = 0;
};

} // namespace qm::bench
