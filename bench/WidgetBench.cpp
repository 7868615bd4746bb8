// The widget gallery of the default data folder: built from its XML, then updated and drawn
// frame after frame as the game's frame loop does, on the null renderer and on OpenGL.

#include "BenchSupport.h"
#include "UGFreeTypeRasterizer.h"
#include "UGNullWindow.h"
#include "UGWidgetManager.h"
#include "UGameData.h"
#include "UWidgetGallery.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#include <unistd.h>

namespace qm::bench {
namespace {

namespace fs = std::filesystem;

constexpr int FramesPerRun = 1000;

// The game data over the built data folder with its own per-user folder, the gallery shown.
class TGalleryRun {
public:
    TGalleryRun(IGRenderBackend* backend, IGWindow& window) {
        FUser = fs::temp_directory_path() / ("quillmark-bench-gallery-" + std::to_string(::getpid()));
        TGAppStartInfo info;
        info.ProgramFolder = fs::path(QM_BINARY_DIR) / "data";
        info.UserFolder = FUser;
        info.Ticks = &FTicks;
        info.Window = &window;
        info.Backend = backend;
        info.FontRasterizer = &FRasterizer;
        FGame = std::make_unique<TGameData>(info, "GameConfig.xml", false);
        FGame->Device->SetSkipSameFrames(false);
        RegisterWidgetGalleryClasses();
        FGame->ResManager->SetResourceSet(TWidgetGalleryScreen::ResourceSetName);
        FManager = &GetWidgetManager(*FGame);
    }
    // Builds the screen anew from its XML.
    void BuildScreen() {
        FManager->ShowScreenFromConfig(TWidgetGalleryScreen::ScreenName);
        // The pointer rests over a button, so hover and the software cursor are drawn too.
        FManager->MouseMove(145, 100);
    }
    ~TGalleryRun() {
        FGame.reset();
        std::error_code ec;
        fs::remove_all(FUser, ec);
    }
    void Frame() {
        FTicks.Advance(10);
        TGGraphicsDevice& device = *FGame->Device;
        if (!device.BeginFrame()) {
            return;
        }
        FGame->UpdateTimers(true);
        device.ClearScene();
        FManager->Update();
        FManager->Draw();
        device.EndFrame();
    }
    TGGraphicsDevice& Device() const { return *FGame->Device; }

private:
    fs::path FUser;
    TGManualTickSource FTicks{1000};
    TGFreeTypeRasterizer FRasterizer;
    std::unique_ptr<TGameData> FGame;
    TGWidgetManager* FManager = nullptr;
};

// Starting the game data (and filling the graphics cache) is left out; building the screen
// from its XML is part of each run, and the time is reported per frame.
void BM_WidgetGalleryNullRenderer(benchmark::State& state) {
    TGNullWindow window;
    TGalleryRun run(nullptr, window);
    for (auto _ : state) {
        run.BuildScreen();
        for (int i = 0; i < FramesPerRun; ++i) {
            run.Frame();
        }
    }
    state.counters["per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations() * FramesPerRun),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_WidgetGalleryOpenGL(benchmark::State& state) {
    // The game data makes its own device over the renderer.
    TGSDLWindow window("Quillmark benchmark", 800, 600, true);
    TGGLRenderBackend renderer(window);
    double drawCalls = 0;
    double textureSwitches = 0;
    TGalleryRun run(&renderer, window);
    for (auto _ : state) {
        run.BuildScreen();
        for (int i = 0; i < FramesPerRun; ++i) {
            run.Frame();
            glFinish();
            drawCalls += run.Device().LastFrameStats().DrawCalls;
            textureSwitches += run.Device().LastFrameStats().TextureSwitches;
        }
    }
    const double frames = static_cast<double>(state.iterations() * FramesPerRun);
    state.counters["per_frame"] =
        benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["draw_calls"] = drawCalls / frames;
    state.counters["texture_switches"] = textureSwitches / frames;
}

// Wall time: the software renderer draws on threads of its own.
BENCHMARK(BM_WidgetGalleryNullRenderer)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_WidgetGalleryOpenGL)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace
} // namespace qm::bench
