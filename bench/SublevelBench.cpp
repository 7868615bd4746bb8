// Busy frames of the sublevel scene on the null renderer: the automatic player plays from a fixed
// seed, and the frames measured are those in which a cascade is being removed while its
// explosions burn and bricks fly towards the ground. The update (the states, the bars' steps) and
// the draw submission (board, particles, bars, bricks, texts) are timed apart; the draw calls of
// the measured frames are counted beside them.

#include "UAutoPlayer.h"
#include "UGFreeTypeRasterizer.h"
#include "UGNullWindow.h"
#include "UGRandom.h"
#include "UGameData.h"
#include "USublevelScene.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <unistd.h>

namespace qm::bench {
namespace {

namespace fs = std::filesystem;

// The scene over the built data folder, played by the automatic player.
class TSublevelRun {
public:
    explicit TSublevelRun(IGWindow& window) {
        FUser = fs::temp_directory_path() / ("quillmark-bench-sublevel-" + std::to_string(::getpid()));
        TGAppStartInfo info;
        info.ProgramFolder = fs::path(QM_BINARY_DIR) / "data";
        info.UserFolder = FUser;
        info.Ticks = &FTicks;
        info.Window = &window;
        info.FontRasterizer = &FRasterizer;
        SetRandomSeed(0);
        FGame = std::make_unique<TGameData>(info, "GameConfig.xml", false);
        FGame->Device->SetSkipSameFrames(false);
        FScene = std::make_unique<TSublevelScene>(*FGame);
        FPlayer = std::make_unique<TAutoPlayer>(*FScene, 1);
    }
    ~TSublevelRun() {
        FPlayer.reset();
        FScene.reset();
        FGame.reset();
        std::error_code ec;
        fs::remove_all(FUser, ec);
    }

    // Board breaking, particles burning and bricks in the air.
    bool Busy() const {
        const TGameStateQueue& queue = FScene->Queue();
        return (queue.HasExact<TMatchState>() || queue.HasExact<TPackState>()) &&
               !FScene->Field().Effects.empty() && FScene->BricksInFlight() > 0;
    }
    // Plays untimed frames until the next busy one is about to begin.
    void SeekBusy() {
        for (int i = 0; i < 200000 && !Busy(); ++i) {
            Frame(nullptr, nullptr);
        }
    }
    // One frame; the update and the draw submission add their seconds to the given counters.
    void Frame(double* updateSeconds, double* drawSeconds) {
        using TClock = std::chrono::steady_clock;
        FTicks.Advance(10);
        TGGraphicsDevice& device = *FGame->Device;
        if (!device.BeginFrame()) {
            return;
        }
        FGame->UpdateTimers(true);
        device.ClearScene();
        const auto start = TClock::now();
        FScene->RenderBoard();
        const auto boardDrawn = TClock::now();
        FPlayer->Step(FGame->GameClock->Step);
        FScene->Update();
        const auto updated = TClock::now();
        FScene->RenderOverlay();
        const auto drawn = TClock::now();
        device.EndFrame();
        if (updateSeconds) {
            *updateSeconds += std::chrono::duration<double>(updated - boardDrawn).count();
        }
        if (drawSeconds) {
            *drawSeconds += std::chrono::duration<double>((boardDrawn - start) + (drawn - updated)).count();
        }
    }
    const TGGraphicsDevice& Device() const { return *FGame->Device; }

private:
    fs::path FUser;
    TGManualTickSource FTicks{1000};
    TGFreeTypeRasterizer FRasterizer;
    std::unique_ptr<TGameData> FGame;
    std::unique_ptr<TSublevelScene> FScene;
    std::unique_ptr<TAutoPlayer> FPlayer;
};

enum class TPart { Update, Draw };

void MeasureBusyFrames(benchmark::State& state, TPart part) {
    TGNullWindow window;
    TSublevelRun run(window);
    double drawCalls = 0;
    double textureSwitches = 0;
    double blendChanges = 0;
    for (auto _ : state) {
        run.SeekBusy();
        double update = 0;
        double draw = 0;
        run.Frame(&update, &draw);
        const TGGraphicsDevice::TGFrameStats& stats = run.Device().LastFrameStats();
        drawCalls += stats.DrawCalls;
        textureSwitches += stats.TextureSwitches;
        blendChanges += stats.BlendChanges;
        state.SetIterationTime(part == TPart::Update ? update : draw);
    }
    // A draw call is due only where the texture or the blending changes.
    state.counters["draw_calls"] = benchmark::Counter(drawCalls, benchmark::Counter::kAvgIterations);
    state.counters["texture_switches"] =
        benchmark::Counter(textureSwitches, benchmark::Counter::kAvgIterations);
    state.counters["blend_changes"] = benchmark::Counter(blendChanges, benchmark::Counter::kAvgIterations);
}

void BM_SublevelBusyFrameUpdate(benchmark::State& state) {
    MeasureBusyFrames(state, TPart::Update);
}

void BM_SublevelBusyFrameDraw(benchmark::State& state) {
    MeasureBusyFrames(state, TPart::Draw);
}

BENCHMARK(BM_SublevelBusyFrameUpdate)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_SublevelBusyFrameDraw)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(300);

} // namespace
} // namespace qm::bench
