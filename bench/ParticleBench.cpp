// The particle effects' cost per frame (update and draw submission) on the null renderer, so
// the figure is the game's own work without the driver's.

#include "BenchSupport.h"
#include "UGGraphicsDevice.h"
#include "UGNewXMLNode.h"
#include "UGNullRenderBackend.h"
#include "UGRandom.h"
#include "UGResManager.h"
#include "UGSprite.h"
#include "UGTexturePack.h"
#include "UGTimer.h"
#include "UGXMLNode.h"
#include "UIce.h"
#include "UParticleEffects.h"

#include <benchmark/benchmark.h>
#include <functional>
#include <pugixml.hpp>

namespace qm::bench {
namespace {

// Every particle sequence as one 32 x 32 sprite in one atlas.
class TParticleBenchArt : public TGResource {
public:
    TParticleBenchArt(const TGResContextRec& context, const TGResourceDef& def)
        : TGResource(context, def), FPack(*context.Device, false, pfA8R8G8B8, 512, 512) {
        std::vector<std::string> names = ParticleSequenceNames();
        names.insert(names.end(), {"liquid/ice", "stuff/iceblast"});
        for (const std::string& name : names) {
            auto sequence = std::make_unique<TGSequence>(name);
            const int frames = name == "specials/11/specialfx" || name == "specials/3/special03act" ||
                                       name == "stuff/iceblast"
                                   ? 8
                                   : 1;
            for (int i = 0; i < frames; ++i) {
                sequence->Add(std::make_unique<TGSprite>(*context.Device, 32, 32, FPack, false));
            }
            FSequences.push_back(std::move(sequence));
        }
    }
    void CollectSequences(std::vector<TGSequence*>& out) const override {
        for (const auto& sequence : FSequences) {
            out.push_back(sequence.get());
        }
    }

private:
    TGTexturePack FPack;
    std::vector<std::unique_ptr<TGSequence>> FSequences;
};

struct TParticleBench {
    TParticleBench() {
        Device.SetMode(800, 600, 1.0);
        TGResourceRegistry::Instance().Register(
            "ParticleBenchArt", "",
            [](const TGResContextRec& context, const TGResourceDef& def) -> std::unique_ptr<TGResource> {
                return std::make_unique<TParticleBenchArt>(context, def);
            });
        pugi::xml_document document;
        document.load_string(R"(<Config><Resource Id="Art" Type="ParticleBenchArt"/>
            <ResourceSet Name="All"><Include ResType="ParticleBenchArt"/></ResourceSet></Config>)");
        TGResContextRec context;
        context.Device = &Device;
        context.Config = CreateXMLSnapshot(document.document_element(), "bench.xml");
        context.Fonts = &Fonts;
        Manager = std::make_unique<TGResManager>(context);
        Manager->SetResourceSet("All");
        GameClock.Step = 0.01;
        InterfaceClock.Step = 0.01;
        // Every frame is new work, as in play: none may be skipped as a repeat of the last.
        Device.SetSkipSameFrames(false);
    }
    TParticleEnv Env() { return {Manager.get(), &GameClock, &InterfaceClock}; }

    TGNullRenderBackend Backend;
    TGManualTickSource Ticks;
    TGGraphicsDevice Device{Backend, nullptr, Ticks, nullptr};
    TGNewXMLNode Fonts{"Fonts"};
    std::unique_ptr<TGResManager> Manager;
    TGTimer GameClock{Ticks, 1.0};
    TGTimer InterfaceClock{Ticks, 1.0};
};

using TMaker = std::function<std::unique_ptr<TParticleEffect>(const TParticleEnv&, int index)>;

// Runs the effects frame after frame, each replaced by a new one when it finishes; the effects
// start staggered so that every stage of their lives is on screen at once. A frame is what play
// does: the scene begins, every effect updates and draws, and the draws are submitted.
void RunEffects(benchmark::State& state, int count, const TMaker& make) {
    SetRandomSeed(1);
    TParticleBench bench;
    std::vector<std::unique_ptr<TParticleEffect>> effects;
    for (int i = 0; i < count; ++i) {
        effects.push_back(make(bench.Env(), i));
        for (int warm = 0; warm < i * 5; ++warm) {
            effects.back()->Update();
        }
    }
    double particles = 0;
    TFrameCounters counters;
    // A draw call is due wherever the texture or the blending changes, and nowhere else.
    const int blendChangesBefore = bench.Device.ApplyCounts().BlendMode;
    for (auto _ : state) {
        bench.Device.BeginFrame();
        bench.Device.ClearScene();
        for (size_t i = 0; i < effects.size(); ++i) {
            effects[i]->Update();
            particles += effects[i]->ParticleCount();
            if (effects[i]->IsFinished()) {
                effects[i] = make(bench.Env(), static_cast<int>(i));
            }
        }
        bench.Device.EndFrame();
        counters.Add(bench.Device);
        // The null renderer logs its state changes; the log is the test's, not the frame's work.
        bench.Backend.Calls.clear();
    }
    state.counters["particles"] = benchmark::Counter(particles, benchmark::Counter::kAvgIterations);
    counters.Report(state);
    state.counters["blend_changes"] = benchmark::Counter(
        bench.Device.ApplyCounts().BlendMode - blendChangesBefore, benchmark::Counter::kAvgIterations);
}

void BM_TwentyExplosionsFrame(benchmark::State& state) {
    RunEffects(state, 20, [](const TParticleEnv& env, int i) {
        return std::make_unique<TElementExplosion>(env, "elements/Marble1", 100 + (i % 5) * 50,
                                                   100 + (i / 5) * 50);
    });
}
BENCHMARK(BM_TwentyExplosionsFrame)->Unit(benchmark::kMicrosecond);

// A cascade's worth of play effects at once: explosions, bombs, a fireball and fireworks.
void BM_BusyEffectsFrame(benchmark::State& state) {
    RunEffects(state, 26, [](const TParticleEnv& env, int i) -> std::unique_ptr<TParticleEffect> {
        const double x = 100 + (i % 6) * 100;
        const double y = 100 + (i / 6) * 100;
        switch (i) {
        case 20:
        case 21:
            return std::make_unique<TBombFx>(env, x, y);
        case 22:
            return std::make_unique<TSingleCellBombFx>(env, x, y, 0.3);
        case 23:
            return std::make_unique<TFireBallFx>(env, 0, 0, x, y, 1.0);
        case 24:
        case 25:
            return std::make_unique<TFireworkFx>(env, x, 600);
        default:
            return std::make_unique<TElementExplosion>(env, "elements/Marble1", x, y);
        }
    });
}
BENCHMARK(BM_BusyEffectsFrame)->Unit(benchmark::kMicrosecond);

// A whole frozen row (ten cells, as the frozen row places them) and a frozen time bar, fully
// grown and staying: the heaviest drawing of play.
struct TFrozenBoard {
    explicit TFrozenBoard(const TParticleEnv& env) {
        for (int col = 0; col < 10; ++col) {
            Frost.push_back(
                std::make_unique<TCellIce>(env, TGPointD{85.0 + col * 48, 250}, 1e9, 0.0, 0.0, 35));
        }
        Frost.push_back(std::make_unique<TTimeBarIce>(env, 1e9));
        // Until every ball has its full strength (the lowest time-bar ball starts after 1.41 s).
        for (int frame = 0; frame < 200; ++frame) {
            for (auto& ice : Frost) {
                ice->Update(0.01);
            }
        }
    }
    std::vector<std::unique_ptr<TIce>> Frost;
};

// The field of all eleven frosts, as computed every second frame.
void BM_FrozenRowFieldComputation(benchmark::State& state) {
    SetRandomSeed(1);
    TParticleBench bench;
    TFrozenBoard board(bench.Env());
    for (auto _ : state) {
        for (auto& ice : board.Frost) {
            // Two calls: the second computes.
            ice->Surface().ComputeField(0.01);
            ice->Surface().ComputeField(0.01);
        }
    }
}
BENCHMARK(BM_FrozenRowFieldComputation)->Unit(benchmark::kMicrosecond);

// One frame of the frozen row and the frozen time bar: update, field every second frame,
// triangles and their submission to the null renderer.
void BM_FrozenRowFrame(benchmark::State& state) {
    SetRandomSeed(1);
    TParticleBench bench;
    TFrozenBoard board(bench.Env());
    bench.Device.SetSkipSameFrames(false);
    double triangles = 0;
    double drawCalls = 0;
    for (auto _ : state) {
        bench.Device.BeginFrame();
        for (auto& ice : board.Frost) {
            ice->Draw();
            triangles += static_cast<double>(ice->Surface().Vertices().size() / 3);
        }
        bench.Device.EndFrame();
        drawCalls += bench.Device.LastFrameStats().DrawCalls;
    }
    state.counters["triangles"] = benchmark::Counter(triangles, benchmark::Counter::kAvgIterations);
    state.counters["draw_calls"] = benchmark::Counter(drawCalls, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FrozenRowFrame)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace qm::bench
