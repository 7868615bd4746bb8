#include "UGSeqPool.h"

#include "TestHelpers.h"
#include "UGCompress.h"
#include "UGError.h"
#include "UGGraphicsDevice.h"
#include "UGNewXMLNode.h"
#include "UGNullRenderBackend.h"
#include "UGPngWriter.h"
#include "UGSprite.h"
#include "UGTexturePack.h"
#include "UGTimer.h"

#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;

// An opaque RGB picture without an alpha channel, so that a separate alpha image applies.
// `rgb(x, y)` gives 0xRRGGBB.
void WriteRgbPng(const fs::path& path, int width, int height, const std::function<uint32_t(int, int)>& rgb) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t c = rgb(x, y);
            pixels.push_back(static_cast<uint8_t>(c >> 16));
            pixels.push_back(static_cast<uint8_t>(c >> 8));
            pixels.push_back(static_cast<uint8_t>(c));
        }
    }
    fs::create_directories(path.parent_path());
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    ASSERT_NE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr), 0) << path;
}

void WriteGreyPng(const fs::path& path, int width, int height, const std::function<uint8_t(int, int)>& grey) {
    WriteRgbPng(path, width, height, [&](int x, int y) { return grey(x, y) * 0x010101u; });
}

// Everything a pool produced that a later creation must reproduce: the sequence names, the
// sprite sizes and placements, and every texel of the atlases.
struct TPoolImage {
    std::vector<std::string> Names;
    std::vector<std::vector<TGSpriteFragment>> Fragments;
    std::vector<std::vector<uint8_t>> Texels;

    bool operator==(const TPoolImage& other) const {
        if (Names != other.Names || Texels != other.Texels || Fragments.size() != other.Fragments.size()) {
            return false;
        }
        for (size_t i = 0; i < Fragments.size(); ++i) {
            if (Fragments[i].size() != other.Fragments[i].size()) {
                return false;
            }
            for (size_t j = 0; j < Fragments[i].size(); ++j) {
                const TGSpriteFragment& a = Fragments[i][j];
                const TGSpriteFragment& b = other.Fragments[i][j];
                if (!(a.SpriteRect == b.SpriteRect) || !(a.AtlasRect == b.AtlasRect) ||
                    a.TextureIndex != b.TextureIndex) {
                    return false;
                }
            }
        }
        return true;
    }
};

std::vector<uint8_t> TextureBytes(const TGTexturePack& pack, int index) {
    const PGTexture& texture = pack.Texture(index);
    const TGLockedRect locked = texture->Lock(nullptr, false);
    const size_t rowBytes =
        static_cast<size_t>(texture->Width()) * static_cast<size_t>(BytesPerPixel(texture->Format()));
    std::vector<uint8_t> bytes;
    for (int y = 0; y < texture->Height(); ++y) {
        const uint8_t* row = locked.Bits + static_cast<ptrdiff_t>(y) * locked.Pitch;
        bytes.insert(bytes.end(), row, row + rowBytes);
    }
    texture->Unlock();
    return bytes;
}

TPoolImage Snapshot(const TGSeqPool& pool) {
    TPoolImage image;
    for (int i = 0; i < pool.Count(); ++i) {
        const TGSequence& sequence = pool.GetSequence(i);
        image.Names.push_back(sequence.Name());
        for (int j = 0; j < sequence.Count(); ++j) {
            std::vector<TGSpriteFragment> fragments;
            for (int k = 0; k < sequence.GetSprite(j).FragmentCount(); ++k) {
                fragments.push_back(sequence.GetSprite(j).Fragment(k));
            }
            image.Fragments.push_back(fragments);
        }
    }
    for (int i = 0; i < pool.Pack().TextureCount(); ++i) {
        image.Texels.push_back(TextureBytes(pool.Pack(), i));
    }
    return image;
}

// The A8R8G8B8 texel of sprite pixel (x, y).
uint32_t Texel(const TGSeqPool& pool, const TGSprite& sprite, int x, int y) {
    const TGRect rect = sprite.GetTextureMapRect();
    const PGTexture& texture = pool.Pack().Texture(sprite.GetTextureMap());
    const TGLockedRect locked = texture->Lock(nullptr, false);
    uint32_t value = 0;
    std::memcpy(&value,
                locked.Bits + static_cast<ptrdiff_t>(rect.Top + y) * locked.Pitch + (rect.Left + x) * 4, 4);
    texture->Unlock();
    return value;
}

class SeqPoolTest : public ::testing::Test {
protected:
    SeqPoolTest() : Device(Backend, nullptr, Ticks, nullptr) {
        Device.SetMode(800, 600, 1.0);
        RegisterSeqPoolClass();
        Data = Dir.Path() / "data";
        User = Dir.Path() / "user";
        fs::create_directories(Data);
        fs::create_directories(User);
    }

    // A pool defined by the attributes and children of its Resource element, made through the
    // registry as the resource manager makes it.
    std::unique_ptr<TGSeqPool> MakePool(const std::string& attributes, const std::string& children) {
        TGNewXMLNode node("Resource");
        node.LoadFromString("<Resource Id=\"Art\" Type=\"SeqPool\" " + attributes + ">" + children +
                            "</Resource>");
        TGResourceDef def;
        def.Id = "Art";
        def.Type = "SeqPool";
        def.PlainNode = &node;
        TGResContextRec context;
        context.Device = &Device;
        context.UserFolder = User;
        context.DataFolder = Data;
        context.Caches = Caches;
        context.Progress = [this](const std::string& text) { Progress.push_back(text); };
        std::unique_ptr<TGResource> resource =
            TGResourceRegistry::Instance().ResolveClass("SeqPool").Create(context, def);
        auto* pool = dynamic_cast<TGSeqPool*>(resource.get());
        EXPECT_NE(pool, nullptr);
        resource.release();
        return std::unique_ptr<TGSeqPool>(pool);
    }

    std::unique_ptr<TGSeqPool> MakeUiPool(const std::string& attributes = "", const std::string& extra = "") {
        return MakePool("PixelFormat=\"A8R8G8B8\" " + attributes,
                        "<SeqDir Root=\"gfx\" Path=\"ui\"/>" + extra);
    }

    fs::path Ui() const { return Data / "gfx" / "ui"; }
    fs::path Bundle32() const { return User / "cache32" / "_Art.bun"; }

    TempDir Dir;
    fs::path Data;
    fs::path User;
    TGNullRenderBackend Backend;
    TGManualTickSource Ticks;
    TGGraphicsDevice Device;
    std::vector<std::string> Progress;
    // Beside the pictures only, unless a test plays an installed, read-only data folder.
    TGCacheLocation Caches;
};

// Three different little pictures, one of them animated.
void WriteSampleFolder(const fs::path& folder) {
    WriteRgbPng(folder / "button.png", 4, 3,
                [](int x, int y) { return 0x102030u + x * 0x100000u + y * 0x10u; });
    WriteGreyPng(folder / "button_a.png", 4, 3, [](int x, int) { return static_cast<uint8_t>(x * 85); });
    WriteRgbPng(folder / "coin.5.png", 10, 2, [](int x, int y) { return 0x203040u + x * 0x010000u + y; });
    WritePng(folder / "glow.png", 3, 3, std::vector<uint32_t>(9, 0x80FF8000u));
}

TEST_F(SeqPoolTest, AlphaImageBecomesTheMaskOfItsPicture) {
    WriteRgbPng(Ui() / "button.png", 4, 3, [](int, int) { return 0x0A141Eu; });
    WriteGreyPng(Ui() / "button_a.png", 4, 3,
                 [](int x, int y) { return static_cast<uint8_t>(x * 80 + y * 5); });
    auto pool = MakeUiPool();

    ASSERT_EQ(pool->Count(), 1);
    const TGSequence& button = pool->GetSequence(0);
    EXPECT_EQ(button.Name(), "ui/button");
    ASSERT_EQ(button.Count(), 1);
    EXPECT_EQ(button.GetSprite(0).PixelWidth(), 4);
    EXPECT_EQ(button.GetSprite(0).PixelHeight(), 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            const uint32_t texel = Texel(*pool, button.GetSprite(0), x, y);
            EXPECT_EQ(texel >> 24, static_cast<uint32_t>(x * 80 + y * 5)) << x << "," << y;
            EXPECT_EQ(texel & 0xFFFFFF, 0x0A141Eu) << x << "," << y;
        }
    }
    EXPECT_EQ(Progress, std::vector<std::string>{"First Time Initialization: Extracting \"gfx/ui\""});
}

TEST_F(SeqPoolTest, AlphaImageAloneMakesNoSequence) {
    WriteGreyPng(Ui() / "button_a.png", 4, 3, [](int, int) { return 200; });
    auto pool = MakeUiPool();
    EXPECT_EQ(pool->Count(), 0);
    const std::vector<TGGfxEntryInfo> entries = ListGfxArchive(Data / "gfx" / "ui.gfx");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].ColorName, "gfx/ui/button_a.png");
    EXPECT_EQ(entries[0].SequenceName, "");
}

TEST_F(SeqPoolTest, FrameCountInTheNameCutsTheSprites) {
    WriteRgbPng(Ui() / "coin.5.png", 10, 2, [](int x, int y) { return 0x203040u + x * 0x010000u + y; });
    auto pool = MakeUiPool();
    ASSERT_EQ(pool->Count(), 1);
    const TGSequence& coin = pool->GetSequence(0);
    EXPECT_EQ(coin.Name(), "ui/coin");
    ASSERT_EQ(coin.Count(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(coin.GetSprite(i).PixelWidth(), 2);
        EXPECT_EQ(coin.GetSprite(i).PixelHeight(), 2);
        // The right column of frame i is column 2 i + 1 of the strip, on the second row.
        EXPECT_EQ(Texel(*pool, coin.GetSprite(i), 1, 1),
                  0xFF203041u + static_cast<uint32_t>(2 * i + 1) * 0x010000u);
    }
}

TEST_F(SeqPoolTest, NamesAreLowerCaseWithSlashesAndFoldersFoundWithoutCase) {
    WriteRgbPng(Data / "GFX" / "Ui" / "Menu" / "BigButton.PNG", 2, 2, [](int, int) { return 0x112233u; });
    auto pool = MakePool("PixelFormat=\"A8R8G8B8\"", "<SeqDir Root=\"gfx\\\" Path=\"UI\\Menu\"/>");
    ASSERT_EQ(pool->Count(), 1);
    EXPECT_EQ(pool->GetSequence(0).Name(), "ui/menu/bigbutton");
    EXPECT_EQ(pool->FindSequence("UI/MENU/BIGBUTTON"), &pool->GetSequence(0));
    EXPECT_EQ(pool->FindSequence("ui/menu/big"), nullptr);
    ASSERT_TRUE(fs::is_regular_file(Data / "GFX" / "UI-Menu.gfx"));
    const std::vector<TGGfxEntryInfo> entries = ListGfxArchive(Data / "GFX" / "UI-Menu.gfx");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].ColorName, "gfx/UI/Menu/BigButton.PNG");
}

TEST_F(SeqPoolTest, GfxArchiveReplacesTheFolder) {
    WriteSampleFolder(Ui());
    TPoolImage fromFolder;
    {
        auto pool = MakeUiPool("IgnoreBundle=\"1\"");
        ASSERT_EQ(pool->Count(), 3);
        fromFolder = Snapshot(*pool);
    }
    const fs::path archive = Data / "gfx" / "ui.gfx";
    // Archives are art for everyone who may read the data folder, not a player's private file.
    const auto readableByAll = [&] {
        return (fs::status(archive).permissions() & fs::perms::others_read) != fs::perms::none;
    };
    EXPECT_TRUE(readableByAll());
    const std::string written = ReadFile(archive);
    fs::remove(archive);
    EXPECT_EQ(BuildGfxArchive(Data, "gfx", "ui"), archive);
    EXPECT_EQ(ReadFile(archive), written);
    EXPECT_TRUE(readableByAll());

    const std::vector<TGGfxEntryInfo> entries = ListGfxArchive(archive);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].SequenceName, "ui/button");
    EXPECT_EQ(entries[0].ColorName, "gfx/ui/button.png");
    EXPECT_EQ(entries[0].AlphaName, "gfx/ui/button_a.png");
    EXPECT_EQ(entries[1].SequenceName, "");
    EXPECT_EQ(entries[2].SequenceName, "ui/coin");
    EXPECT_EQ(entries[2].AlphaName, "");
    EXPECT_EQ(entries[3].SequenceName, "ui/glow");

    fs::remove_all(Ui());
    auto pool = MakeUiPool("IgnoreBundle=\"1\"");
    EXPECT_EQ(fromFolder.Names, (std::vector<std::string>{"ui/button", "ui/coin", "ui/glow"}));
    EXPECT_TRUE(Snapshot(*pool) == fromFolder);
}

TEST_F(SeqPoolTest, GenerateGfxOffWritesNoArchive) {
    WriteSampleFolder(Ui());
    auto pool = MakePool("PixelFormat=\"A8R8G8B8\"", "<SeqDir Root=\"gfx\" Path=\"ui\" GenerateGFX=\"0\"/>");
    EXPECT_EQ(pool->Count(), 3);
    EXPECT_FALSE(fs::exists(Data / "gfx" / "ui.gfx"));
}

TEST_F(SeqPoolTest, BundleWrittenOnFreeIsLoadedWithoutTheFolder) {
    WriteSampleFolder(Ui());
    TPoolImage built;
    {
        auto pool = MakeUiPool();
        built = Snapshot(*pool);
        EXPECT_FALSE(fs::exists(Bundle32()));
    }
    ASSERT_TRUE(fs::exists(Bundle32()));
    fs::remove_all(Ui());
    fs::remove(Data / "gfx" / "ui.gfx");
    Progress.clear();

    auto pool = MakeUiPool();
    EXPECT_TRUE(Snapshot(*pool) == built);
    EXPECT_TRUE(Progress.empty());
    ASSERT_NE(pool->FindSequence("ui/coin"), nullptr);
    EXPECT_EQ(pool->FindSequence("ui/coin")->Count(), 5);
}

TEST_F(SeqPoolTest, IgnoreBundleNeitherReadsNorRewritesIt) {
    WriteSampleFolder(Ui());
    MakeUiPool().reset();
    const std::string bundle = ReadFile(Bundle32());
    ASSERT_FALSE(bundle.empty());

    WriteRgbPng(Ui() / "extra.png", 2, 2, [](int, int) { return 0x445566u; });
    {
        auto pool = MakeUiPool("IgnoreBundle=\"1\"");
        EXPECT_NE(pool->FindSequence("ui/extra"), nullptr);
    }
    EXPECT_EQ(ReadFile(Bundle32()), bundle);
}

TEST_F(SeqPoolTest, SixteenBitPoolsKeepTheirOwnCache) {
    WriteRgbPng(Ui() / "a.png", 2, 2, [](int, int) { return 0x445566u; });
    MakeUiPool().reset();
    ASSERT_TRUE(fs::exists(Bundle32()));

    const std::string bundle32 = ReadFile(Bundle32());
    WriteRgbPng(Ui() / "b.png", 2, 2, [](int, int) { return 0x665544u; });
    Device.Set16BitMode(true);
    {
        auto pool = MakeUiPool();
        EXPECT_TRUE(pool->Is16Bit());
        EXPECT_EQ(pool->Pack().Format(), pfA4R4G4B4);
        EXPECT_EQ(pool->Count(), 2);
    }
    EXPECT_TRUE(fs::exists(User / "cache16" / "_Art.bun"));
    EXPECT_EQ(ReadFile(Bundle32()), bundle32) << "the 16-bit pool left the 32-bit bundle alone";

    Device.Set16BitMode(false);
    EXPECT_EQ(MakeUiPool()->Count(), 2) << "the 32-bit bundle was made before b.png";
}

TEST_F(SeqPoolTest, DamagedBundleIsDeletedAndRebuilt) {
    WriteSampleFolder(Ui());
    TPoolImage built;
    {
        auto pool = MakeUiPool();
        built = Snapshot(*pool);
    }
    const std::string content = ZDecompress(ReadFile(Bundle32()));
    {
        std::string truncated = ZCompress(content.substr(0, content.size() - 100), 1);
        std::ofstream(Bundle32(), std::ios::binary | std::ios::trunc) << truncated;
    }
    {
        auto pool = MakeUiPool();
        EXPECT_FALSE(fs::exists(Bundle32()));
        EXPECT_TRUE(Snapshot(*pool) == built);
    }
    EXPECT_EQ(ZDecompress(ReadFile(Bundle32())), content);
}

TEST_F(SeqPoolTest, BundleIsRebuiltWhenTheSettingsOrThePicturesChange) {
    const std::string ui = "<SeqDir Root=\"gfx\" Path=\"ui\"/>";
    const std::string argb = "PixelFormat=\"A8R8G8B8\"";
    struct TCase {
        const char* Change;
        std::string Attributes;
        std::string Children;
        std::function<void()> EditFolder;
    };
    const TCase cases[] = {
        {"pixel format", "PixelFormat=\"A4R4G4B4\" AdjustPixelFormat=\"0\"", ui, nullptr},
        {"texture width", argb + " TextureWidth=\"512\" TextureHeight=\"512\"", ui, nullptr},
        {"another folder", argb, ui + "<SeqDir Root=\"gfx\" Path=\"more\"/>",
         [&] { WriteRgbPng(Data / "gfx" / "more" / "star.png", 3, 2, [](int, int) { return 0x335577u; }); }},
        {"aligned", argb, ui + "<SeqAttribute Id=\"UI/Coin\" Aligned=\"1\"/>", nullptr},
        // Same name, same size: only the contents and the time tell.
        {"repainted picture", argb, ui,
         [&] {
             WriteRgbPng(Ui() / "button.png", 4, 3, [](int, int) { return 0x998877u; });
             fs::last_write_time(Ui() / "button.png",
                                 fs::file_time_type::clock::now() + std::chrono::hours(1));
         }},
        {"picture removed", argb, ui, [&] { fs::remove(Ui() / "glow.png"); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Change);
        fs::remove_all(Data / "gfx");
        fs::remove_all(User);
        WriteSampleFolder(Ui());
        MakeUiPool().reset();
        ASSERT_TRUE(fs::exists(Bundle32()));
        if (c.EditFolder) {
            c.EditFolder();
        }
        TPoolImage expected;
        {
            auto fresh = MakePool(c.Attributes + " IgnoreBundle=\"1\"", c.Children);
            expected = Snapshot(*fresh);
        }
        Progress.clear();
        {
            auto pool = MakePool(c.Attributes, c.Children);
            EXPECT_FALSE(Progress.empty()) << "the old bundle was used";
            EXPECT_TRUE(Snapshot(*pool) == expected);
        }
        // The new bundle carries the new settings and is used by the next start.
        Progress.clear();
        auto again = MakePool(c.Attributes, c.Children);
        EXPECT_TRUE(Progress.empty());
        EXPECT_TRUE(Snapshot(*again) == expected);
    }
}

TEST_F(SeqPoolTest, BundleSpritesReachingOutsideTheirAtlasMakeItDamaged) {
    WriteSampleFolder(Ui());
    TPoolImage built;
    TGSpriteFragment glow;
    {
        auto pool = MakeUiPool();
        built = Snapshot(*pool);
        glow = pool->FindSequence("ui/glow")->GetSprite(0).Fragment(0);
    }
    const std::string content = ZDecompress(ReadFile(Bundle32()));
    const auto fragmentBytes = [](const TGSpriteFragment& f) {
        const int32_t values[9] = {f.SpriteRect.Top,    f.SpriteRect.Left,  f.SpriteRect.Right,
                                   f.SpriteRect.Bottom, f.AtlasRect.Top,    f.AtlasRect.Left,
                                   f.AtlasRect.Right,   f.AtlasRect.Bottom, f.TextureIndex};
        return std::string(reinterpret_cast<const char*>(values), sizeof values);
    };
    const size_t at = content.find(fragmentBytes(glow));
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(content.find(fragmentBytes(glow), at + 1), std::string::npos);

    const std::pair<const char*, std::function<void(TGSpriteFragment&)>> damages[] = {
        {"sprite top far above", [](TGSpriteFragment& f) { f.SpriteRect.Top = INT32_MIN; }},
        {"atlas right beyond the texture", [](TGSpriteFragment& f) { f.AtlasRect.Right = 1 << 30; }},
        {"atlas left past its right", [](TGSpriteFragment& f) { f.AtlasRect.Left = f.AtlasRect.Right + 1; }},
        {"sprite wider than its atlas part", [](TGSpriteFragment& f) { f.SpriteRect.Right += 1; }},
    };
    for (const auto& [damage, apply] : damages) {
        SCOPED_TRACE(damage);
        TGSpriteFragment bad = glow;
        apply(bad);
        std::string damaged = content;
        damaged.replace(at, sizeof(int32_t) * 9, fragmentBytes(bad));
        std::ofstream(Bundle32(), std::ios::binary | std::ios::trunc) << ZCompress(damaged, 1);
        Progress.clear();
        {
            auto pool = MakeUiPool();
            EXPECT_FALSE(Progress.empty()) << "the damaged bundle was used";
            EXPECT_FALSE(fs::exists(Bundle32()));
            EXPECT_TRUE(Snapshot(*pool) == built);
        }
        EXPECT_EQ(ZDecompress(ReadFile(Bundle32())), content);
    }
}

TEST_F(SeqPoolTest, DamagedBundleWithoutPicturesNamesTheBundle) {
    fs::create_directories(Bundle32().parent_path());
    std::ofstream(Bundle32(), std::ios::binary) << "not a zlib stream";
    test::ExpectErrorContaining([&] { MakeUiPool(); }, "_Art.bun");
    EXPECT_TRUE(fs::exists(Bundle32()));
}

TEST_F(SeqPoolTest, DamagedGfxKeepsTheSequencesReadBeforeTheDamage) {
    WriteRgbPng(Ui() / "a.png", 2, 2, [](int, int) { return 0x111111u; });
    WriteRgbPng(Ui() / "b.png", 2, 2, [](int, int) { return 0x222222u; });
    WriteRgbPng(Ui() / "c.png", 2, 2, [](int, int) { return 0x333333u; });
    MakeUiPool("IgnoreBundle=\"1\"").reset();
    fs::remove_all(Ui());

    const fs::path archive = Data / "gfx" / "ui.gfx";
    const std::string bytes = ReadFile(archive);
    const size_t c = bytes.find("gfx/ui/c.png");
    ASSERT_NE(c, std::string::npos);
    // Cut inside the picture bytes of the last entry.
    std::ofstream(archive, std::ios::binary | std::ios::trunc) << bytes.substr(0, c + 3 * 256 + 5);

    auto pool = MakeUiPool("IgnoreBundle=\"1\"");
    ASSERT_EQ(pool->Count(), 2);
    EXPECT_EQ(pool->GetSequence(0).Name(), "ui/a");
    EXPECT_EQ(pool->GetSequence(1).Name(), "ui/b");
    test::ExpectErrorContaining([&] { ListGfxArchive(archive); }, "ui.gfx");
}

TEST_F(SeqPoolTest, StrToPixelFormat) {
    EXPECT_EQ(TGSeqPool::StrToPixelFormat("A4R4G4B4"), 0);
    EXPECT_EQ(TGSeqPool::StrToPixelFormat("A1R5G5B5"), 1);
    EXPECT_EQ(TGSeqPool::StrToPixelFormat("A8R8G8B8"), 2);
    EXPECT_EQ(TGSeqPool::StrToPixelFormat("R5G6B5"), 3);
    EXPECT_EQ(TGSeqPool::StrToPixelFormat("X8R8G8B8"), 4);
    try {
        TGSeqPool::StrToPixelFormat("a8r8g8b8");
        ADD_FAILURE() << "lower-case name accepted";
    } catch (const EGError& error) {
        EXPECT_STREQ(error.what(), "TGSeqPool.StrToPixelFormat: Invalid pixel format: \"a8r8g8b8\"");
    }
    test::ExpectErrorContaining([&] { MakePool("", ""); }, "Attribute \"PixelFormat\" not found");
    test::ExpectErrorContaining([&] { MakePool("PixelFormat=\"R5G6B5\"", ""); },
                                "TGGraphicsDevice.AdjustFormat failed");
}

TEST_F(SeqPoolTest, AlignedSequenceStartsItsOwnTexture) {
    WriteRgbPng(Ui() / "a.png", 8, 8, [](int, int) { return 0x111111u; });
    WriteRgbPng(Ui() / "b.png", 8, 8, [](int, int) { return 0x222222u; });
    {
        auto pool = MakeUiPool("IgnoreBundle=\"1\"");
        EXPECT_EQ(pool->Pack().TextureCount(), 1);
    }
    auto pool = MakeUiPool("IgnoreBundle=\"1\"", "<SeqAttribute Id=\"UI/B\" Aligned=\"1\"/>");
    ASSERT_EQ(pool->Count(), 2);
    EXPECT_EQ(pool->Pack().TextureCount(), 2);
    EXPECT_EQ(pool->GetSequence(0).GetSprite(0).GetTextureMap(), 0);
    const TGSprite& b = pool->GetSequence(1).GetSprite(0);
    EXPECT_EQ(b.GetTextureMap(), 1);
    EXPECT_EQ(b.GetTextureMapRect(), (TGRect{1, 1, 9, 9}));
}

// As the game installed for everyone runs it: the data folder may not be written, and archives and
// masks go to the same place under the per-user cache folder, where the next build finds them.
TEST_F(SeqPoolTest, ReadOnlyDataFolderKeepsArchivesAndMasksInTheCacheFolder) {
    const fs::path mirror = Dir.Path() / "cache";
    Caches = TGCacheLocation(Data, mirror, [this](const fs::path& folder) {
        const fs::path relative = folder.lexically_relative(Data);
        return relative.empty() || *relative.begin() == "..";
    });
    WriteRgbPng(Ui() / "Base.png", 5, 5,
                [](int x, int y) { return x == 0 || y == 0 || x == 4 || y == 4 ? 0xFF00FFu : 0x336699u; });
    const std::string autoMask = "<SeqDir Root=\"gfx\" Path=\"ui\" AutoMask=\"1\"/>";
    MakePool("PixelFormat=\"A8R8G8B8\" IgnoreBundle=\"1\"", autoMask).reset();
    EXPECT_FALSE(fs::exists(Data / "gfx" / "ui.gfx"));
    EXPECT_FALSE(fs::exists(Ui() / "Base_a.jpg"));
    EXPECT_TRUE(fs::is_regular_file(mirror / "gfx" / "ui" / "Base_a.jpg"));
    ASSERT_TRUE(fs::is_regular_file(mirror / "gfx" / "ui.gfx"));

    // The saved mask is the alpha image of the next build, as it is beside the picture.
    MakePool("PixelFormat=\"A8R8G8B8\" IgnoreBundle=\"1\"", autoMask).reset();
    const std::vector<TGGfxEntryInfo> entries = ListGfxArchive(mirror / "gfx" / "ui.gfx");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].AlphaName, "gfx/ui/Base_a.jpg");

    // Without the folder, the archive in the cache folder stands in for it.
    fs::remove_all(Ui());
    auto pool = MakePool("PixelFormat=\"A8R8G8B8\" IgnoreBundle=\"1\"", autoMask);
    ASSERT_EQ(pool->Count(), 1);
    EXPECT_EQ(pool->GetSequence(0).Name(), "ui/base");
}

// Nowhere to keep them: the pool is built all the same, from what it decoded.
TEST_F(SeqPoolTest, ArchivesAndMasksThatCannotBeWrittenAnywhereAreNotFatal) {
    Caches = TGCacheLocation(Data, fs::path(), [](const fs::path&) { return false; });
    WriteRgbPng(Ui() / "Base.png", 5, 5,
                [](int x, int y) { return x == 0 || y == 0 || x == 4 || y == 4 ? 0xFF00FFu : 0x336699u; });
    auto pool = MakePool("PixelFormat=\"A8R8G8B8\"", "<SeqDir Root=\"gfx\" Path=\"ui\" AutoMask=\"1\"/>");
    ASSERT_EQ(pool->Count(), 1);
    EXPECT_EQ(Texel(*pool, pool->GetSequence(0).GetSprite(0), 0, 0), 0u) << "the mask applies";
    EXPECT_FALSE(fs::exists(Data / "gfx" / "ui.gfx"));
    EXPECT_FALSE(fs::exists(Ui() / "Base_a.jpg"));
}

TEST_F(SeqPoolTest, AutoMaskIsWrittenNextToThePicture) {
    // A 5 x 5 square with a magenta border, and a 2-frame strip.
    WriteRgbPng(Ui() / "Base.png", 5, 5,
                [](int x, int y) { return x == 0 || y == 0 || x == 4 || y == 4 ? 0xFF00FFu : 0x336699u; });
    WriteRgbPng(Ui() / "star.2.png", 4, 2, [](int, int) { return 0x123456u; });
    const std::string autoMask = "<SeqDir Root=\"gfx\" Path=\"ui\" AutoMask=\"1\"/>";
    {
        auto pool = MakePool("PixelFormat=\"A8R8G8B8\" IgnoreBundle=\"1\"", autoMask);
        ASSERT_EQ(pool->Count(), 2);
        const TGSprite& base = pool->GetSequence(0).GetSprite(0);
        EXPECT_EQ(Texel(*pool, base, 2, 2), 0xFF336699u);
        EXPECT_EQ(Texel(*pool, base, 1, 1) >> 24, 3u * 255 / 5);
        EXPECT_EQ(Texel(*pool, base, 0, 0), 0u);
    }
    EXPECT_TRUE(fs::is_regular_file(Ui() / "Base_a.jpg"));
    EXPECT_TRUE(fs::is_regular_file(Ui() / "star_a.2.jpg"));

    // The next build takes the saved masks as ordinary alpha images.
    auto pool = MakePool("PixelFormat=\"A8R8G8B8\" IgnoreBundle=\"1\"", autoMask);
    EXPECT_EQ(pool->Count(), 2);
    const std::vector<TGGfxEntryInfo> entries = ListGfxArchive(Data / "gfx" / "ui.gfx");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].AlphaName, "gfx/ui/Base_a.jpg");
    EXPECT_EQ(entries[2].AlphaName, "gfx/ui/star_a.2.jpg");
}

} // namespace
} // namespace qm
