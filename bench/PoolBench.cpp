// A sequence pool of a few hundred sprites: built from its image folder against loaded from its
// bundle, and text drawn with an image font and a system font.

#include "BenchSupport.h"
#include "UGEngineResources.h"
#include "UGFont.h"
#include "UGFreeTypeRasterizer.h"
#include "UGNewXMLNode.h"
#include "UGPngWriter.h"
#include "UGResManager.h"
#include "UGSeqPool.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <epoxy/gl.h>
#include <pugixml.hpp>
#include <unistd.h>

namespace qm::bench {
namespace {

namespace fs = std::filesystem;

constexpr int PictureCount = 300;

// A data folder with PictureCount pictures of 64 x 64 and a per-user folder, made once.
struct TPoolFixture {
    TPoolFixture() {
        Root = fs::temp_directory_path() / ("quillmark-bench-" + std::to_string(::getpid()));
        fs::create_directories(Root / "data" / "gfx" / "bench");
        for (int i = 0; i < PictureCount; ++i) {
            // Smooth shapes, as the game's art is, not noise.
            std::vector<uint32_t> pixels(64 * 64);
            for (int y = 0; y < 64; ++y) {
                for (int x = 0; x < 64; ++x) {
                    int dx = x - 32;
                    int dy = y - 32;
                    bool inside = dx * dx + dy * dy < 900;
                    uint32_t shade = static_cast<uint32_t>((x * 3 + y * 2 + i * 7) & 0xFF);
                    pixels[static_cast<size_t>(y * 64 + x)] =
                        inside ? 0xFF000000u | shade << 16 | static_cast<uint32_t>((i * 40) & 0xFF) << 8 |
                                     (255 - shade)
                               : 0u;
                }
            }
            WritePng(Root / "data" / "gfx" / "bench" / ("pic" + std::to_string(i) + ".png"), 64, 64, pixels);
        }
    }
    ~TPoolFixture() {
        std::error_code ec;
        fs::remove_all(Root, ec);
    }
    fs::path Root;
};

TPoolFixture& Fixture() {
    static TPoolFixture fixture;
    return fixture;
}

struct TPoolSetup {
    explicit TPoolSetup(TBenchRenderer& bench, bool ignoreBundle) {
        RegisterEngineResourceClasses();
        std::string xml =
            std::string("<Resource Id=\"Bench\" Type=\"SeqPool\" PixelFormat=\"A8R8G8B8\" IgnoreBundle=\"") +
            (ignoreBundle ? "1" : "0") + "\"><SeqDir Root=\"gfx/\" Path=\"bench/\"/></Resource>";
        Document.load_string(xml.c_str());
        Node = CreateXMLSnapshot(Document.document_element(), "bench.xml");
        Context.Device = &bench.Device;
        Context.UserFolder = Fixture().Root / "user";
        Context.DataFolder = Fixture().Root / "data";
        Definition = {"Bench", "SeqPool", Node, nullptr};
    }
    pugi::xml_document Document;
    PGXMLNode Node;
    TGResContextRec Context;
    TGResourceDef Definition;
};

void BM_PoolFromImageFolder(benchmark::State& state) {
    TBenchRenderer bench;
    TPoolSetup setup(bench, true);
    for (auto _ : state) {
        TGSeqPool pool(setup.Context, setup.Definition);
        benchmark::DoNotOptimize(pool.Count());
    }
    state.SetItemsProcessed(state.iterations() * PictureCount);
}

void BM_PoolFromBundle(benchmark::State& state) {
    TBenchRenderer bench;
    TPoolSetup setup(bench, false);
    { TGSeqPool first(setup.Context, setup.Definition); } // writes the bundle
    for (auto _ : state) {
        TGSeqPool pool(setup.Context, setup.Definition);
        benchmark::DoNotOptimize(pool.Count());
    }
    state.SetItemsProcessed(state.iterations() * PictureCount);
}

BENCHMARK(BM_PoolFromImageFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PoolFromBundle)->Unit(benchmark::kMillisecond);

// A line of 60 characters drawn with the system font 20 times a frame.
void BM_SystemFontText(benchmark::State& state) {
    TBenchRenderer bench;
    RegisterEngineResourceClasses();
    TGFreeTypeRasterizer rasterizer;
    TGNewXMLNode fonts("Fonts");
    fonts.LoadFromString(
        "<Fonts><Resource Type=\"SysFont\" Id=\"SysFont\" Face=\"DejaVuSans.ttf\" Size=\"12\"/></Fonts>");
    TGResContextRec context;
    context.Device = &bench.Device;
    context.DataFolder = "/usr/share/fonts/truetype/dejavu";
    context.FontRasterizer = &rasterizer;
    TGResourceDef def{"SysFont", "SysFont", nullptr, &fonts.GetCollection("Resource").GetItem(0)};
    TGSysFont font(context, def);
    const std::string line = "The quick brown fox jumps over the lazy dog 0123456789 again";
    TFrameCounters counters;
    for (auto _ : state) {
        bench.Device.BeginFrame();
        bench.Device.ClearScene();
        for (int i = 0; i < 20; ++i) {
            font.DrawString(line, 0xFFFFFFFF, 10, 10 + i * 25);
        }
        bench.Device.EndFrame();
        glFinish();
        counters.Add(bench.Device);
    }
    state.SetItemsProcessed(state.iterations() * 20 * static_cast<int64_t>(line.size()));
    counters.Report(state);
}

BENCHMARK(BM_SystemFontText)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm::bench
