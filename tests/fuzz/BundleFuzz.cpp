// Graphics bundles: the per-user cache of a pool's finished atlases and sprites. The input is the
// bundle's content before compression (compressed here, as the pool writes it), so the fuzzer
// works on the records rather than on the zlib stream. The pool's pictures are the sample art,
// which the seeds' bundles were made from, so a bundle that fails its checks is rebuilt from them
// as in the game. Every sprite is then drawn whole, in part and transformed.
#include "FuzzSupport.h"
#include "UGCompress.h"
#include "UGNewXMLNode.h"
#include "UGResManager.h"
#include "UGSeqPool.h"
#include "UGSprite.h"

#include <filesystem>
#include <memory>

namespace {

void DrawEverySprite(const qm::TGSeqPool& pool) {
    for (int i = 0; i < pool.Count(); ++i) {
        const qm::TGSequence& sequence = pool.GetSequence(i);
        sequence.GetWidth();
        sequence.GetHeight();
        for (int j = 0; j < sequence.Count(); ++j) {
            const qm::TGSprite& sprite = sequence.GetSprite(j);
            sprite.DrawAt(0xFFFFFFFFu, 0, 10.0, 10.0);
            sprite.DrawPart({1.0, 1.0, 5.0, 7.0}, 0x80FFFFFFu, 100.0, 50.0, 1);
            sprite.DrawTransformed({0.5, 0.5}, {2.0, 0.5}, 400.0, 300.0, 0.7, 0xFFFFFFFFu, 0);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    static const bool registered = [] {
        RegisterSeqPoolClass();
        return true;
    }();
    (void)registered;

    fuzz::TScratch& scratch = fuzz::TScratch::Instance();
    const std::filesystem::path& folder = scratch.Fresh();
    const std::string bundle = ZCompress(fuzz::Bytes(data, size), 1);
    scratch.Write("user/cache32/_Art.bun", bundle);
    scratch.Write("user/cache16/_Art.bun", bundle);
    fuzz::WriteSampleArt(folder / "data" / "gfx" / "art");

    fuzz::TNullDevice device;
    fuzz::ReadsOrFails([&] {
        std::unique_ptr<TGResource> pool =
            fuzz::CreatePool(device, fuzz::SamplePoolXml, folder / "data", folder / "user");
        DrawEverySprite(dynamic_cast<const TGSeqPool&>(*pool));
    });
    return 0;
}
