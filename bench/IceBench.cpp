// What frost adds to a busy play frame: the sublevel scene on the null renderer, played by the
// automatic player from a fixed seed, measured in the frames where a cascade breaks while its
// explosions burn and bricks fly. With the argument 1 a whole row of the board stands frozen
// (ten cell frosts that never break) and the time bar is frozen for good; with 0 the same frames
// are measured bare. The time is the drawing of the frame (board, frosts, bars, bricks, texts)
// up to its submission; the counters give the frosts' own drawing time, their triangles and the
// frame's draw calls.

#include "UAutoPlayer.h"
#include "UGFreeTypeRasterizer.h"
#include "UGNullWindow.h"
#include "UGRandom.h"
#include "UGameData.h"
#include "UIce.h"
#include "USublevelScene.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <unistd.h>

namespace qm::bench {
namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

constexpr int FrozenRow = 4;

class TFrozenSublevelRun {
public:
    TFrozenSublevelRun(IGWindow& window, bool frozen) {
        FUser = fs::temp_directory_path() / ("quillmark-bench-ice-" + std::to_string(::getpid()));
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
        if (frozen) {
            Freeze();
        }
    }
    ~TFrozenSublevelRun() {
        FIces.clear();
        FPlayer.reset();
        FScene.reset();
        FGame.reset();
        std::error_code ec;
        fs::remove_all(FUser, ec);
    }

    bool Busy() const {
        const TGameStateQueue& queue = FScene->Queue();
        return (queue.HasExact<TMatchState>() || queue.HasExact<TPackState>()) &&
               !FScene->Field().Effects.empty() && FScene->BricksInFlight() > 0;
    }
    void SeekBusy() {
        for (int i = 0; i < 200000 && !Busy(); ++i) {
            Frame();
        }
    }
    // One frame; returns the seconds of its drawing and adds the frosts' share to `iceSeconds`.
    double Frame(double* iceSeconds = nullptr) {
        FTicks.Advance(10);
        TGGraphicsDevice& device = *FGame->Device;
        if (!device.BeginFrame()) {
            return 0.0;
        }
        FGame->UpdateTimers(true);
        device.ClearScene();
        const auto start = TClock::now();
        FScene->RenderBoard();
        const auto iceStart = TClock::now();
        for (auto& ice : FIces) {
            ice->Draw();
        }
        const auto boardDrawn = TClock::now();
        FPlayer->Step(FGame->GameClock->Step);
        FScene->Update();
        const auto updated = TClock::now();
        FScene->RenderOverlay();
        const auto drawn = TClock::now();
        device.EndFrame();
        if (iceSeconds) {
            *iceSeconds += std::chrono::duration<double>(boardDrawn - iceStart).count();
        }
        return std::chrono::duration<double>((boardDrawn - start) + (drawn - updated)).count();
    }
    double Triangles() const {
        double triangles = 0;
        for (const auto& ice : FIces) {
            triangles += static_cast<double>(ice->Surface().Vertices().size() / 3);
        }
        return triangles;
    }
    const TGGraphicsDevice& Device() const { return *FGame->Device; }

private:
    // Every cell of the row wears its frost, as the frozen row puts it there, and stays frozen.
    void Freeze() {
        const TParticleEnv env = TParticleEnv::Of(*FGame);
        TField& field = FScene->Field();
        for (int col = field.FirstCol; col <= field.LastCol; ++col) {
            const TGIntPoint corner = field.CellToScreen(FrozenRow, col, false);
            FIces.push_back(std::make_unique<TCellIce>(env, TGPointD{corner.X + 25.0, corner.Y + 25.0}, 1e9,
                                                       0.0, 0.0, 35));
        }
        FScene->TimeBar().FreezeForever();
    }

    fs::path FUser;
    TGManualTickSource FTicks{1000};
    TGFreeTypeRasterizer FRasterizer;
    std::unique_ptr<TGameData> FGame;
    std::unique_ptr<TSublevelScene> FScene;
    std::unique_ptr<TAutoPlayer> FPlayer;
    std::vector<std::unique_ptr<TCellIce>> FIces;
};

void BM_FrozenRowBusyFrame(benchmark::State& state) {
    TGNullWindow window;
    TFrozenSublevelRun run(window, state.range(0) != 0);
    double drawCalls = 0;
    double triangles = 0;
    double iceSeconds = 0;
    for (auto _ : state) {
        run.SeekBusy();
        state.SetIterationTime(run.Frame(&iceSeconds));
        drawCalls += run.Device().LastFrameStats().DrawCalls;
        triangles += run.Triangles();
    }
    state.counters["draw_calls"] = benchmark::Counter(drawCalls, benchmark::Counter::kAvgIterations);
    state.counters["row_triangles"] = benchmark::Counter(triangles, benchmark::Counter::kAvgIterations);
    state.counters["row_us"] = benchmark::Counter(iceSeconds * 1e6, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FrozenRowBusyFrame)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(300);

} // namespace
} // namespace qm::bench
