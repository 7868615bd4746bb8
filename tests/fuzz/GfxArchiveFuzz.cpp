// ".gfx" archives shipped in place of an image folder. A pool whose folder holds no pictures reads
// the archive, decodes every entry, checks alpha images against their pictures, makes masks and
// places every frame in its atlas textures; the data tool lists the same archive.
#include "FuzzSupport.h"
#include "UGNewXMLNode.h"
#include "UGResManager.h"
#include "UGSeqPool.h"

#include <filesystem>
#include <memory>

// A pool that reads the archive only: no bundle, 16-bit atlases, masks made from the pictures.
constexpr char ArchivePoolXml[] = R"(<Resource Id="Art" Type="SeqPool" PixelFormat="A1R5G5B5" IgnoreBundle="1"
                                     TextureWidth="256" TextureHeight="256">
                             <SeqDir Root="gfx" Path="art" AutoMask="1"/></Resource>)";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    static const bool registered = [] {
        RegisterSeqPoolClass();
        return true;
    }();
    (void)registered;

    fuzz::TScratch& scratch = fuzz::TScratch::Instance();
    const std::filesystem::path& folder = scratch.Fresh();
    scratch.Write("data/gfx/art.gfx", fuzz::Bytes(data, size));

    fuzz::ReadsOrFails([&] { ListGfxArchive(folder / "data" / "gfx" / "art.gfx"); });

    // A bundle in the way keeps the pool from writing one when it goes: packing and compressing
    // the atlases again would cost more than reading the archive.
    scratch.Write("user/cache32/_Art.bun", "");
    scratch.Write("user/cache16/_Art.bun", "");

    fuzz::TNullDevice device;
    fuzz::ReadsOrFails([&] {
        std::unique_ptr<TGResource> pool =
            fuzz::CreatePool(device, ArchivePoolXml, folder / "data", folder / "user");
    });
    return 0;
}
