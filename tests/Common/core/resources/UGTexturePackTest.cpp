#include "UGTexturePack.h"
#include "TestHelpers.h"
#include "UGError.h"
#include "UGNullRenderBackend.h"
#include "UGTaggedStream.h"
#include "UGTimer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::ExpectError;

class TexturePackTest : public ::testing::Test {
protected:
    TexturePackTest() { Device.SetMode(800, 600, 1.0); }

    // The texels of a texture as stored, rows top first.
    static std::string Texels(TGTexturePack& pack, int index) {
        TGLockedRect bits = pack.Lock(index, nullptr, false);
        const PGTexture& texture = pack.Texture(index);
        std::string result(reinterpret_cast<const char*>(bits.Bits),
                           static_cast<size_t>(bits.Pitch) * static_cast<size_t>(texture->Height()));
        pack.Unlock(index);
        return result;
    }

    // Gives every texel byte of every texture a value that depends on its place and texture.
    static void FillPattern(TGTexturePack& pack) {
        for (int i = 0; i < pack.TextureCount(); ++i) {
            TGLockedRect bits = pack.Lock(i, nullptr, true);
            size_t size = static_cast<size_t>(bits.Pitch) * static_cast<size_t>(pack.TextureHeight());
            for (size_t n = 0; n < size; ++n) {
                bits.Bits[n] = static_cast<uint8_t>(n * 7 + n / 997 + static_cast<size_t>(i) * 31);
            }
            pack.Unlock(i);
        }
    }

    TGNullRenderBackend Backend;
    TGManualTickSource Ticks;
    TGGraphicsDevice Device{Backend, nullptr, Ticks, nullptr};
};

struct SizeCase {
    int WantedWidth;
    int WantedHeight;
    int Width;
    int Height;
};

TEST_F(TexturePackTest, CreationChoosesPowerOfTwoSizesWithoutMakingATexture) {
    const SizeCase cases[] = {
        {300, 0, 256, 256},   {0, 0, 256, 256},       {600, 600, 1024, 1024},
        {100, 300, 128, 512}, {256, 1024, 256, 1024},
    };
    for (const SizeCase& item : cases) {
        SCOPED_TRACE(testing::Message() << item.WantedWidth << "x" << item.WantedHeight);
        TGTexturePack pack(Device, false, pfA8R8G8B8, item.WantedWidth, item.WantedHeight);
        EXPECT_EQ(pack.TextureWidth(), item.Width);
        EXPECT_EQ(pack.TextureHeight(), item.Height);
        EXPECT_EQ(pack.UsableWidth(), item.Width - 2);
        EXPECT_EQ(pack.UsableHeight(), item.Height - 2);
        EXPECT_EQ(pack.TextureCount(), 0);
    }
    EXPECT_EQ(Backend.TexturesCreated, 0);
    ExpectError([&] { TGTexturePack(Device, false, pfA8R8G8B8, 2000, 16); },
                "TGTexturePack.Create: TextureSize too large");
    ExpectError([&] { TGTexturePack(Device, false, pfA8R8G8B8, 16, 1025); },
                "TGTexturePack.Create: TextureSize too large");
}

TEST_F(TexturePackTest, TheWholeUsableAreaFitsAtOneOneAndNoMore) {
    TGTexturePack pack(Device, false, pfA8R8G8B8, 256, 256);
    EXPECT_EQ(pack.NewRect(254, 254, false), (TGPackPlacement{0, TGRect{1, 1, 255, 255}}));
    ASSERT_EQ(pack.TextureCount(), 1);
    EXPECT_EQ(pack.Texture(0)->Width(), 256);
    EXPECT_EQ(pack.Texture(0)->Format(), pfA8R8G8B8);
    ExpectError([&] { pack.NewRect(255, 10, false); }, "TGTexturePack.NewRect failed");
    ExpectError([&] { pack.NewRect(10, 255, false); }, "TGTexturePack.NewRect failed");
    // The full texture takes nothing more; the next rectangle opens a second one.
    EXPECT_EQ(pack.NewRect(1, 1, false), (TGPackPlacement{1, TGRect{1, 1, 2, 2}}));
    EXPECT_EQ(pack.Log().size(), 2u);
}

TEST_F(TexturePackTest, RectanglesFillARowBeforeTheNext) {
    TGTexturePack pack(Device, false, pfA8R8G8B8, 256, 256);
    // Footprint 104 = 100 + 2 rounded up to 4; a third does not fit beside (208 + 104 > 256).
    EXPECT_EQ(pack.NewRect(100, 100, false), (TGPackPlacement{0, TGRect{1, 1, 101, 101}}));
    EXPECT_EQ(pack.NewRect(100, 100, false), (TGPackPlacement{0, TGRect{1, 105, 205, 101}}));
    EXPECT_EQ(pack.NewRect(100, 100, false), (TGPackPlacement{0, TGRect{105, 1, 101, 205}}));
    // A narrow one still finds the gap at the right of the first row.
    EXPECT_EQ(pack.NewRect(40, 10, false), (TGPackPlacement{0, TGRect{1, 209, 249, 11}}));
    EXPECT_EQ(pack.Allocator(0).UsedArea(), 3 * 100.0 * 100.0 + 400.0);
    EXPECT_EQ(pack.Allocator(0).LastRow(), 0);
    EXPECT_EQ(pack.TextureCount(), 1);
}

TEST_F(TexturePackTest, AForcedNewTextureIsOpenedThoughTheFirstHasRoom) {
    TGTexturePack pack(Device, true, pfA4R4G4B4, 256, 256);
    EXPECT_EQ(pack.NewRect(10, 10, false), (TGPackPlacement{0, TGRect{1, 1, 11, 11}}));
    EXPECT_EQ(pack.NewRect(10, 10, true), (TGPackPlacement{1, TGRect{1, 1, 11, 11}}));
    ASSERT_EQ(pack.TextureCount(), 2);
    EXPECT_TRUE(pack.Texture(1)->IsRenderTarget());
    EXPECT_EQ(pack.Texture(1)->Format(), pfA4R4G4B4);
    // Unforced requests go back to the first texture with room.
    EXPECT_EQ(pack.NewRect(10, 10, false), (TGPackPlacement{0, TGRect{1, 13, 23, 11}}));
    const std::vector<TGPackLogEntry> expected = {
        {true, 0, TGRect{1, 1, 11, 11}}, {true, 1, TGRect{1, 1, 11, 11}}, {false, 0, TGRect{1, 13, 23, 11}}};
    EXPECT_EQ(pack.Log(), expected);
    EXPECT_EQ(pack.ReplayCursor(), 3u);
}

TEST(RectAllocator, APlacementMustKeepInsideTheUsableWidthNotJustTheCuts) {
    // Usable 13, last cut 16: a 10-wide rectangle fits the cuts at x 4 but would end at 14.
    TGRectAllocator allocator(2, 13, 13, 4);
    EXPECT_EQ(allocator.XCuts(), (std::vector<int32_t>{0, 16}));
    EXPECT_EQ(allocator.Place(1, 1), (TGRect{1, 1, 2, 2}));
    EXPECT_EQ(allocator.Place(10, 1), (TGRect{5, 1, 11, 6}));
    EXPECT_EQ(allocator.LastRow(), 1);
    // A 9-wide one ends at 13 and takes the place the 10-wide one could not.
    EXPECT_EQ(allocator.Place(9, 1), (TGRect{1, 5, 14, 2}));
    EXPECT_EQ(allocator.LastRow(), 0);
    EXPECT_FALSE(allocator.Place(14, 1).has_value());
    EXPECT_FALSE(allocator.Place(-1, 1).has_value());
}

TEST(RectAllocator, CutsSplitCellsKeepingTheirStateAndStayInsideTheGrid) {
    TGRectAllocator allocator(2, 62, 62, 4);
    ASSERT_TRUE(allocator.Place(10, 6).has_value()); // footprint 12 x 8
    EXPECT_EQ(allocator.XCuts(), (std::vector<int32_t>{0, 12, 64}));
    EXPECT_EQ(allocator.YCuts(), (std::vector<int32_t>{0, 8, 64}));
    allocator.SplitX(6);
    allocator.SplitX(12); // already there: nothing changes
    allocator.SplitY(20);
    EXPECT_EQ(allocator.XCuts(), (std::vector<int32_t>{0, 6, 12, 64}));
    EXPECT_EQ(allocator.YCuts(), (std::vector<int32_t>{0, 8, 20, 64}));
    const std::vector<std::vector<uint8_t>> cells = {{1, 1, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
    EXPECT_EQ(allocator.Cells(), cells);
    ExpectError([&] { allocator.SplitX(65); }, "HSplit failed");
    ExpectError([&] { allocator.SplitX(-1); }, "HSplit failed");
    ExpectError([&] { allocator.SplitY(65); }, "VSplit failed");
    EXPECT_EQ(allocator.Cells(), cells);
}

// A small deterministic generator, so the test places the same rectangles on every run.
class TestSequence {
public:
    uint32_t Below(uint32_t n) {
        FSeed = FSeed * 1664525u + 1013904223u;
        return static_cast<uint32_t>((static_cast<uint64_t>(FSeed) * n) >> 32);
    }

private:
    uint32_t FSeed = 12345;
};

TEST_F(TexturePackTest, ManyPlacementsNeverOverlapAndStayInsideTheUsableArea) {
    TGTexturePack pack(Device, false, pfA8R8G8B8, 256, 256);
    TestSequence random;
    struct Placed {
        int Width;
        int Height;
        TGPackPlacement At;
    };
    std::vector<Placed> placed;
    for (int n = 0; n < 600; ++n) {
        // Mostly small pieces, now and then a large one.
        int limit = random.Below(10) == 0 ? 254 : 60;
        int width = 1 + static_cast<int>(random.Below(static_cast<uint32_t>(limit)));
        int height = 1 + static_cast<int>(random.Below(static_cast<uint32_t>(limit)));
        placed.push_back({width, height, pack.NewRect(width, height, random.Below(50) == 0)});
    }
    ASSERT_GT(pack.TextureCount(), 2);
    for (int t = 0; t < pack.TextureCount(); ++t) {
        SCOPED_TRACE(t);
        const TGRectAllocator& allocator = pack.Allocator(t);
        std::vector<uint8_t> covered(256 * 256, 0);
        double area = 0;
        for (const Placed& item : placed) {
            if (item.At.TextureIndex != t) {
                continue;
            }
            const TGRect& rect = item.At.Rect;
            ASSERT_EQ(rect.Width(), item.Width);
            ASSERT_EQ(rect.Height(), item.Height);
            // The rectangle with its one-pixel ring lies in the texture...
            ASSERT_GE(rect.Left, 1);
            ASSERT_GE(rect.Top, 1);
            ASSERT_LE(rect.Right, 255);
            ASSERT_LE(rect.Bottom, 255);
            // ...and its footprint overlaps no other footprint.
            int footRight = rect.Left - 1 + (item.Width + 2 + 3) / 4 * 4;
            int footBottom = rect.Top - 1 + (item.Height + 2 + 3) / 4 * 4;
            ASSERT_LE(footRight, 256);
            ASSERT_LE(footBottom, 256);
            for (int y = rect.Top - 1; y < footBottom; ++y) {
                for (int x = rect.Left - 1; x < footRight; ++x) {
                    ASSERT_EQ(covered[static_cast<size_t>(y * 256 + x)], 0) << "overlap at " << x << "," << y;
                    covered[static_cast<size_t>(y * 256 + x)] = 1;
                }
            }
            area += static_cast<double>(item.Width) * item.Height;
        }
        EXPECT_EQ(allocator.UsedArea(), area);
        // The grid marks exactly the cells the footprints cover.
        for (size_t i = 0; i + 1 < allocator.YCuts().size(); ++i) {
            for (size_t j = 0; j + 1 < allocator.XCuts().size(); ++j) {
                int x = allocator.XCuts()[j];
                int y = allocator.YCuts()[i];
                ASSERT_EQ(allocator.Cells()[i][j], covered[static_cast<size_t>(y * 256 + x)])
                    << i << "," << j;
            }
        }
    }
}

TEST_F(TexturePackTest, ABundleGivesBackTexelsAllocatorsAndTheNextPlacement) {
    for (int format : {pfA8R8G8B8, pfA4R4G4B4, pfA1R5G5B5}) {
        SCOPED_TRACE(format);
        TGTexturePack original(Device, false, format, 256, 256);
        original.NewRect(100, 100, false);
        original.NewRect(60, 30, false);
        original.NewRect(254, 254, false);
        original.NewRect(20, 20, false);
        original.NewRect(10, 10, true);
        ASSERT_EQ(original.TextureCount(), 3);
        FillPattern(original);
        std::string bundle;
        TGTaggedWriter writer(bundle);
        original.Write(writer);

        TGTexturePack copy(Device, true, pfA8R8G8B8, 512, 128);
        TGTaggedReader reader(bundle);
        copy.Read(reader);
        EXPECT_TRUE(reader.AtEnd());
        EXPECT_EQ(copy.Format(), format);
        EXPECT_FALSE(copy.IsRenderTarget());
        EXPECT_EQ(copy.TextureWidth(), 256);
        EXPECT_EQ(copy.TextureHeight(), 256);
        ASSERT_EQ(copy.TextureCount(), 3);
        EXPECT_EQ(copy.Log(), original.Log());
        EXPECT_EQ(copy.ReplayCursor(), 0u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(copy.Texture(i)->Format(), format);
            EXPECT_TRUE(copy.Allocator(i) == original.Allocator(i)) << i;
            EXPECT_TRUE(Texels(copy, i) == Texels(original, i)) << i;
        }
        // Once the logged placements are used up, both place the same way.
        for (size_t i = 0; i < original.Log().size(); ++i) {
            copy.NewRect(1, 1, false);
        }
        for (int n = 0; n < 5; ++n) {
            EXPECT_EQ(copy.NewRect(30, 40, false), original.NewRect(30, 40, false));
        }
        EXPECT_TRUE(copy.Allocator(0) == original.Allocator(0));
    }
}

TEST_F(TexturePackTest, AReadPackHandsOutItsLoggedPlacementsFirst) {
    TGTexturePack original(Device, false, pfA8R8G8B8, 256, 256);
    std::vector<TGPackPlacement> placements = {original.NewRect(50, 50, false),
                                               original.NewRect(254, 220, false),
                                               original.NewRect(70, 20, false), original.NewRect(8, 8, true)};
    std::string bundle;
    TGTaggedWriter writer(bundle);
    original.Write(writer);
    TGTexturePack copy(Device, false, pfA8R8G8B8, 256, 256);
    TGTaggedReader reader(bundle);
    copy.Read(reader);
    int texturesBefore = Backend.TexturesCreated;

    for (size_t i = 0; i < placements.size(); ++i) {
        EXPECT_EQ(copy.NewRect(50, 50, false), placements[i]) << i;
        EXPECT_EQ(copy.ReplayCursor(), i + 1);
    }
    // Replaying changed neither the allocators nor the textures.
    for (int i = 0; i < copy.TextureCount(); ++i) {
        EXPECT_TRUE(copy.Allocator(i) == original.Allocator(i)) << i;
    }
    EXPECT_EQ(copy.TextureCount(), 3);
    EXPECT_EQ(Backend.TexturesCreated, texturesBefore);
    EXPECT_EQ(copy.Log().size(), 4u);
    // After the log, placement is ordinary again and is logged.
    TGPackPlacement next = copy.NewRect(50, 50, false);
    EXPECT_EQ(next, (TGPackPlacement{0, TGRect{1, 125, 175, 51}}));
    EXPECT_EQ(copy.Log().size(), 5u);
    EXPECT_EQ(copy.Log().back(), (TGPackLogEntry{false, 0, next.Rect}));
    // Oversized requests fail even while replaying.
    TGTaggedReader again(bundle);
    copy.Read(again);
    ExpectError([&] { copy.NewRect(300, 1, false); }, "TGTexturePack.NewRect failed");
    EXPECT_EQ(copy.ReplayCursor(), 0u);
}

// A pack record written by hand, with one texture of the given format whose rows claim `pitch`.
std::string RecordWithPitch(int format, int pitch) {
    std::string bytes;
    TGTaggedWriter writer(bytes);
    writer.WriteInteger(format);
    writer.WriteInteger(2);
    writer.WriteBoolean(false);
    writer.WriteInteger(256);
    writer.WriteInteger(256);
    TGRectAllocator allocator(2, 254, 254, 4);
    writer.WriteInteger(1);
    allocator.Write(writer);
    writer.WriteInteger(0);
    writer.WriteInteger(1);
    allocator.Write(writer);
    writer.WriteInteger(pitch);
    writer.WriteRaw(std::string(static_cast<size_t>(pitch) * 256, '\x5A'));
    return bytes;
}

TEST_F(TexturePackTest, AStoredPitchMustMatchTheTexture) {
    struct PitchCase {
        int Format;
        int Pitch;
        bool Accepted;
    };
    const PitchCase cases[] = {{pfA8R8G8B8, 1024, true},
                               {pfA8R8G8B8, 512, false},
                               {pfA4R4G4B4, 512, true},
                               {pfA4R4G4B4, 1024, false}};
    for (const PitchCase& item : cases) {
        SCOPED_TRACE(testing::Message() << item.Format << " " << item.Pitch);
        TGTexturePack pack(Device, false, pfA8R8G8B8, 128, 128);
        pack.NewRect(5, 5, false);
        std::string record = RecordWithPitch(item.Format, item.Pitch);
        TGTaggedReader reader(record);
        if (item.Accepted) {
            pack.Read(reader);
            ASSERT_EQ(pack.TextureCount(), 1);
            EXPECT_EQ(Texels(pack, 0), std::string(static_cast<size_t>(item.Pitch) * 256, '\x5A'));
            EXPECT_TRUE(pack.Log().empty());
        } else {
            ExpectError([&] { pack.Read(reader); }, "TTexturePack.ReadTexture failed");
            // The pack is left as it was.
            EXPECT_EQ(pack.TextureWidth(), 128);
            EXPECT_EQ(pack.TextureCount(), 1);
            EXPECT_EQ(pack.Log().size(), 1u);
        }
    }
}

// A pack header for 256 x 256 A8R8G8B8 textures: 11 bytes.
void WritePackHeader(TGTaggedWriter& writer) {
    writer.WriteInteger(pfA8R8G8B8);
    writer.WriteInteger(2);
    writer.WriteBoolean(false);
    writer.WriteInteger(256);
    writer.WriteInteger(256);
}

TEST_F(TexturePackTest, CountsAndPlacementsAreBoundedByWhatTheRecordCanHold) {
    struct TCase {
        const char* What;
        std::function<void(TGTaggedWriter&)> Body;
        const char* Error;
    };
    // Each count is followed by as many bytes as it counts items: every item takes more than one
    // byte, so none of these counts can be honest, and none may size an allocation.
    const auto countThenPadding = [](TGTaggedWriter& writer, int zeros, int32_t count) {
        for (int i = 0; i < zeros; ++i) {
            writer.WriteInteger(0);
        }
        writer.WriteInteger(count);
        writer.WriteRaw(std::string(static_cast<size_t>(count), '\0'));
    };
    const TCase cases[] = {
        {"layouts", [&](TGTaggedWriter& w) { countThenPadding(w, 0, 100000); },
         "TGTexturePack.Read: invalid count 100000 at position 11"},
        {"log entries", [&](TGTaggedWriter& w) { countThenPadding(w, 1, 100000); },
         "TGTexturePack.Read: invalid count 100000 at position 13"},
        {"textures", [&](TGTaggedWriter& w) { countThenPadding(w, 2, 100000); },
         "TGTexturePack.Read: invalid count 100000 at position 15"},
        {"placement above the texture",
         [](TGTaggedWriter& w) {
             w.WriteInteger(0);
             w.WriteInteger(1);
             w.WriteBoolean(true);
             for (int32_t value : {0, INT32_MIN, 0, 10, 10}) {
                 w.WriteInteger(value);
             }
         },
         "TGTexturePack.Read: log entry 0 places (0,-2147483648)-(10,10) outside a 256x256 texture"},
        {"placement past the right edge",
         [](TGTaggedWriter& w) {
             w.WriteInteger(0);
             w.WriteInteger(1);
             w.WriteBoolean(false);
             for (int32_t value : {0, 0, 250, 257, 10}) {
                 w.WriteInteger(value);
             }
         },
         "TGTexturePack.Read: log entry 0 places (250,0)-(257,10) outside a 256x256 texture"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        std::string record;
        TGTaggedWriter writer(record);
        WritePackHeader(writer);
        c.Body(writer);
        TGTexturePack pack(Device, false, pfA8R8G8B8, 128, 128);
        TGTaggedReader reader(record);
        ExpectError([&] { pack.Read(reader); }, c.Error);
        EXPECT_EQ(pack.TextureCount(), 0);
    }
}

TEST_F(TexturePackTest, ATruncatedBundleIsAnErrorAndChangesNothing) {
    TGTexturePack original(Device, false, pfA4R4G4B4, 256, 256);
    original.NewRect(30, 30, false);
    original.NewRect(30, 30, true);
    std::string bundle;
    TGTaggedWriter writer(bundle);
    original.Write(writer);
    for (size_t length : {size_t{0}, size_t{9}, bundle.size() / 2, bundle.size() - 1}) {
        SCOPED_TRACE(length);
        TGTexturePack pack(Device, false, pfA8R8G8B8, 128, 128);
        TGTaggedReader reader(std::string_view(bundle).substr(0, length));
        EXPECT_THROW(pack.Read(reader), EGError);
        EXPECT_EQ(pack.Format(), pfA8R8G8B8);
        EXPECT_EQ(pack.TextureCount(), 0);
    }
}

uint32_t LE32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 4; i > 0; --i) {
        value = (value << 8) | static_cast<uint8_t>(bytes.at(at + i - 1));
    }
    return value;
}

TEST_F(TexturePackTest, ExportMapsWritesEachAtlasAsA32BitBitmap) {
    test::TempDir dir;
    std::string base = (dir.Path() / "pool").string();
    TGTexturePack pack(Device, false, pfA8R8G8B8, 256, 256);
    pack.NewRect(254, 254, false);
    pack.NewRect(254, 254, false);
    TGLockedRect bits = pack.Lock(1, nullptr, true);
    // The little-endian word 0x11223344.
    std::memcpy(bits.Bits + 5 * bits.Pitch + 3 * 4, "\x44\x33\x22\x11", 4);
    pack.Unlock(1);
    pack.ExportMaps(base);

    EXPECT_TRUE(std::filesystem::exists(base + "00.bmp"));
    std::string bmp = test::ReadFile(base + "01.bmp");
    ASSERT_EQ(bmp.size(), 54u + 256 * 256 * 4);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(LE32(bmp, 2), bmp.size());
    EXPECT_EQ(LE32(bmp, 10), 54u);
    EXPECT_EQ(LE32(bmp, 18), 256u);
    EXPECT_EQ(LE32(bmp, 22), 256u);
    EXPECT_EQ(LE32(bmp, 28) & 0xFFFF, 32u);
    // Rows are stored bottom-up; texel (3, 5) is in stored row 250.
    EXPECT_EQ(LE32(bmp, 54 + (250 * 256 + 3) * 4), 0x11223344u);
    EXPECT_EQ(LE32(bmp, 54 + (5 * 256 + 3) * 4), 0u);

    TGTexturePack small(Device, false, pfA1R5G5B5, 256, 256);
    small.NewRect(1, 1, false);
    ExpectError([&] { small.ExportMaps(base + "-16-"); }, "TGTexturePack.ExportMaps failed");
    EXPECT_FALSE(std::filesystem::exists(base + "-16-00.bmp"));
}

} // namespace
} // namespace qm
