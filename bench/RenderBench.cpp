// Sprites and text drawn per frame through the graphics device and the OpenGL renderer.

#include "BenchSupport.h"
#include "UGGraphicsFile.h"
#include "UGSprite.h"
#include "UGTexturePack.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#include <vector>

namespace qm::bench {
namespace {

TGImage24 Picture(int size, uint8_t shade) {
    TGImage24 image(size, size);
    std::fill(image.Pixels.begin(), image.Pixels.end(), shade);
    return image;
}

// `textures` atlases of 1024 x 1024, each holding one 64 x 64 sprite; a frame draws
// state.range(0) sprites, cycling through the atlases.
void DrawSprites(benchmark::State& state, int textures) {
    TBenchRenderer bench;
    std::vector<std::unique_ptr<TGTexturePack>> packs;
    std::vector<std::unique_ptr<TGSprite>> sprites;
    for (int i = 0; i < textures; ++i) {
        packs.push_back(std::make_unique<TGTexturePack>(bench.Device, false, pfA8R8G8B8, 1024, 1024));
        sprites.push_back(std::make_unique<TGSprite>(bench.Device, 64, 64, *packs.back(), false));
        sprites.back()->SetImage(Picture(64, static_cast<uint8_t>(60 + i * 50)), nullptr);
    }
    const int count = static_cast<int>(state.range(0));
    TFrameCounters counters;
    for (auto _ : state) {
        bench.Device.BeginFrame();
        bench.Device.ClearScene();
        for (int i = 0; i < count; ++i) {
            sprites[static_cast<size_t>(i % textures)]->DrawAt(0xFFFFFFFF, bmDefault, (i * 37) % 736,
                                                               (i * 53) % 536);
        }
        bench.Device.EndFrame();
        glFinish();
        counters.Add(bench.Device);
    }
    state.SetItemsProcessed(state.iterations() * count);
    counters.Report(state);
}

void BM_SpritesSameTexture(benchmark::State& state) {
    DrawSprites(state, 1);
}
void BM_SpritesAlternatingTextures(benchmark::State& state) {
    DrawSprites(state, 2);
}

BENCHMARK(BM_SpritesSameTexture)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpritesAlternatingTextures)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm::bench
