#include "UGSoftRaster.h"
#include "UGError.h"
#include "UGNullRenderBackend.h"
#include "UGTimer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace qm {
namespace {

class SoftRasterTest : public ::testing::Test {
protected:
    SoftRasterTest() { Device.SetMode(800, 600, 1.0); }

    // Every texel of a texture, as words of its format, row by row.
    static std::vector<uint32_t> Texels(const PGTexture& texture) {
        TGLockedRect bits = texture->Lock(nullptr, false);
        TGTextureMapSurface view{bits.Bits, bits.Pitch,       texture->Format(), 0,
                                 0,         texture->Width(), texture->Height()};
        std::vector<uint32_t> result;
        for (int y = 0; y < texture->Height(); ++y) {
            for (int x = 0; x < texture->Width(); ++x) {
                result.push_back(view.Texel(x, y));
            }
        }
        texture->Unlock();
        return result;
    }

    static void Fill(const PGTexture& texture, uint32_t argb) {
        TGLockedRect bits = texture->Lock(nullptr, true);
        TGTextureMapSurface view{bits.Bits, bits.Pitch,       texture->Format(), 0,
                                 0,         texture->Width(), texture->Height()};
        for (int y = 0; y < texture->Height(); ++y) {
            for (int x = 0; x < texture->Width(); ++x) {
                view.Store(x, y, argb);
            }
        }
        texture->Unlock();
    }

    static TGSoftwareSurface Surface(int width, int height, const std::vector<uint32_t>& pixels) {
        TGSoftwareSurface surface(width, height);
        surface.Pixels() = pixels;
        return surface;
    }

    TGNullRenderBackend Backend;
    TGManualTickSource Ticks;
    TGGraphicsDevice Device{Backend, nullptr, Ticks, nullptr};
};

TEST_F(SoftRasterTest, ColourFramesBecomeOpaqueAndAlphaComesFromTheMasksBlue) {
    const uint8_t color[] = {0x10, 0x20, 0x30, 0xFF, 0x00, 0xFF, 0x01, 0x02, 0x03};
    TGSoftwareSurface opaque = SurfaceFromBgr({3, 1, color});
    EXPECT_EQ(opaque.Pixels(), (std::vector<uint32_t>{0xFF302010u, 0xFFFF00FFu, 0xFF030201u}));

    // Green and red of the mask are ignored.
    const uint8_t mask[] = {0x40, 0x99, 0x99, 0x00, 0x77, 0x77, 0xFF, 0x00, 0x00};
    TGSoftwareSurface alpha = AlphaSurfaceFromBgr({3, 1, mask});
    EXPECT_EQ(alpha.Pixels(), (std::vector<uint32_t>{0x40000000u, 0x00000000u, 0xFF000000u}));

    TGSoftwareSurface combined = ComposeFrame({3, 1, color}, {3, 1, mask});
    EXPECT_EQ(combined.Pixels(), (std::vector<uint32_t>{0x40302010u, 0x00FF00FFu, 0xFF030201u}));
    EXPECT_EQ(ComposeFrame({3, 1, color}, {}).Pixels(), opaque.Pixels());
    EXPECT_THROW(ComposeFrame({3, 1, color}, {1, 3, mask}), EGError);
}

struct ConversionCase {
    uint32_t Argb;
    uint32_t A8R8G8B8;
    uint32_t A4R4G4B4;
    uint32_t A1R5G5B5;
};

TEST_F(SoftRasterTest, AtlasTexelsKeepTheTopBitsOfEachChannelAsLittleEndianWords) {
    const ConversionCase cases[] = {
        {0x80FF8040u, 0x80FF8040u, 0x8F84u, 0xFE08u}, // a 1, r 31, g 16, b 8
        {0x7F0F1F2Fu, 0x7F0F1F2Fu, 0x7012u, 0x0465u}, // a 0, r 1, g 3, b 5
        {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFu, 0xFFFFu},
        {0x00070707u, 0x00070707u, 0x0000u, 0x0000u},
    };
    for (const ConversionCase& item : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << item.Argb);
        for (int format : {pfA8R8G8B8, pfA4R4G4B4, pfA1R5G5B5}) {
            uint32_t expected = format == pfA8R8G8B8   ? item.A8R8G8B8
                                : format == pfA4R4G4B4 ? item.A4R4G4B4
                                                       : item.A1R5G5B5;
            EXPECT_EQ(ConvertPixel(item.Argb, format), expected) << format;
            PGTexture texture = Device.CreateTexture(4, 4, format, false);
            WriteFragment(texture, TGRect{1, 1, 2, 2}, Surface(1, 1, {item.Argb}), TGRect{0, 0, 1, 1});
            TGLockedRect bits = texture->Lock(nullptr, false);
            int size = BytesPerPixel(format);
            for (int i = 0; i < size; ++i) {
                EXPECT_EQ(bits.Bits[bits.Pitch + size + i], static_cast<uint8_t>(expected >> (8 * i)))
                    << format << " byte " << i;
            }
            texture->Unlock();
        }
    }
    EXPECT_THROW(ConvertPixel(0, 3), EGError);
}

TEST_F(SoftRasterTest, MagentaIsWrittenByNeitherBlit) {
    const uint32_t keep = 0xDEADBEEFu;
    // Magenta whatever its alpha; a colour next to magenta is written.
    TGSoftwareSurface source = Surface(3, 1, {0xFFFF00FFu, 0x12FF00FFu, 0xFFFE00FFu});
    PGTexture texture = Device.CreateTexture(8, 8, pfA8R8G8B8, false);
    Fill(texture, keep);
    TGLockedRect bits = texture->Lock(nullptr, true);
    TGTextureMapSurface view{bits.Bits, bits.Pitch, pfA8R8G8B8, 0, 0, 8, 8};
    BlitUnscaled(view, 0, 0, source, TGRect{0, 0, 3, 1});
    BlitStretched(view, TGRect{2, 0, 6, 4}, source, TGRect{0, 0, 3, 1});
    texture->Unlock();
    std::vector<uint32_t> texels = Texels(texture);
    EXPECT_EQ(texels[0], keep);
    EXPECT_EQ(texels[1], keep);
    EXPECT_EQ(texels[2], 0xFFFE00FFu);
    // The stretched copy maps target columns 0..5 to source columns 0, 0, 1, 1, 2, 2.
    for (int y = 2; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(texels[static_cast<size_t>(y * 8 + x)], x < 4 ? keep : 0xFFFE00FFu) << x << "," << y;
        }
    }
}

TEST_F(SoftRasterTest, AMagentaPixelInsideAFragmentStaysTransparent) {
    // At this size the stretched ring copy samples the inside shifted by a pixel; it must not
    // leave a neighbour's colour where the fragment has magenta.
    TGSoftwareSurface source(8, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            source.SetPixel(x, y, 0xFF000000u | static_cast<uint32_t>(y * 16 + x));
        }
    }
    source.SetPixel(1, 1, 0xFFFF00FFu);
    source.SetPixel(4, 6, 0x80FF00FFu);
    source.SetPixel(7, 7, 0xFFFF00FFu);
    PGTexture texture = Device.CreateTexture(16, 16, pfA8R8G8B8, false);
    WriteFragment(texture, TGRect{3, 2, 10, 11}, source, TGRect{0, 0, 8, 8});
    std::vector<uint32_t> texels = Texels(texture);
    auto at = [&](int x, int y) { return texels[static_cast<size_t>(y * 16 + x)]; };
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            uint32_t pixel = source.Pixel(x, y);
            EXPECT_EQ(at(2 + x, 3 + y), IsColorKey(pixel) ? 0u : pixel) << x << "," << y;
        }
    }
    // The ring beside the magenta corner is not written either.
    EXPECT_EQ(at(10, 11), 0u);
    EXPECT_EQ(at(10, 10), 0u);
    EXPECT_EQ(at(1, 2), 0xFF000000u);
}

TEST_F(SoftRasterTest, BlitsWriteOnlyInsideTheLockedRectangle) {
    TGSoftwareSurface source(4, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            source.SetPixel(x, y, 0xFF000000u | static_cast<uint32_t>(y * 16 + x));
        }
    }
    const uint32_t keep = 0xDEADBEEFu;
    for (bool stretched : {false, true}) {
        SCOPED_TRACE(stretched);
        PGTexture texture = Device.CreateTexture(8, 8, pfA8R8G8B8, false);
        Fill(texture, keep);
        const TGRect locked{2, 2, 4, 4};
        TGLockedRect bits = texture->Lock(&locked, true);
        TGTextureMapSurface view{bits.Bits, bits.Pitch, pfA8R8G8B8, 2, 2, 2, 2};
        if (stretched) {
            BlitStretched(view, TGRect{1, 1, 5, 5}, source, TGRect{0, 0, 4, 4});
        } else {
            BlitUnscaled(view, 1, 1, source, TGRect{0, 0, 4, 4});
        }
        texture->Unlock();
        std::vector<uint32_t> texels = Texels(texture);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                bool inside = x >= 2 && x < 4 && y >= 2 && y < 4;
                uint32_t expected = inside ? source.Pixel(x - 1, y - 1) : keep;
                EXPECT_EQ(texels[static_cast<size_t>(y * 8 + x)], expected) << x << "," << y;
            }
        }
    }
}

TEST_F(SoftRasterTest, TheRingAroundAFragmentRepeatsItsEdgePixels) {
    // The fragment is the 9 x 7 part at (2, 1) of a larger surface; its neighbours there must
    // not leak into the ring.
    TGSoftwareSurface source(12, 10, 0xFF999999u);
    const TGRect part{1, 2, 11, 8};
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            source.SetPixel(2 + x, 1 + y, 0xFF000000u | static_cast<uint32_t>((y + 1) * 16 + x + 1));
        }
    }
    PGTexture texture = Device.CreateTexture(16, 16, pfA8R8G8B8, false);
    const TGRect atlas{4, 3, 12, 11}; // left 3, top 4
    WriteFragment(texture, atlas, source, part);
    std::vector<uint32_t> texels = Texels(texture);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            uint32_t expected = 0;
            if (x >= 2 && x < 13 && y >= 3 && y < 12) {
                int sx = std::clamp(x - 3, 0, 8);
                int sy = std::clamp(y - 4, 0, 6);
                expected = 0xFF000000u | static_cast<uint32_t>((sy + 1) * 16 + sx + 1);
            }
            EXPECT_EQ(texels[static_cast<size_t>(y * 16 + x)], expected) << x << "," << y;
        }
    }
}

TEST_F(SoftRasterTest, TheRingIsClippedAtTheTextureEdges) {
    // In A4R4G4B4 these are the words 0xF001 to 0xF004.
    TGSoftwareSurface source = Surface(2, 2, {0xFF000011u, 0xFF000022u, 0xFF000033u, 0xFF000044u});
    PGTexture texture = Device.CreateTexture(4, 4, pfA4R4G4B4, false);
    WriteFragment(texture, TGRect{0, 0, 2, 2}, source, TGRect{0, 0, 2, 2});
    WriteFragment(texture, TGRect{2, 2, 4, 4}, source, TGRect{0, 0, 2, 2});
    // The second fragment's ring covers part of the first fragment (fragments of a real atlas
    // never come this close); the rings are cut at the texture's edges.
    const std::vector<uint32_t> expected = {0xF001, 0xF002, 0xF002, 0x0000, //
                                            0xF003, 0xF001, 0xF001, 0xF002, //
                                            0xF003, 0xF001, 0xF001, 0xF002, //
                                            0x0000, 0xF003, 0xF003, 0xF004};
    EXPECT_EQ(Texels(texture), expected);
}

TEST_F(SoftRasterTest, StretchingTakesThePixelUnderEachTargetCentre) {
    TGSoftwareSurface source = Surface(2, 2, {0xFF0000A1u, 0xFF0000A2u, 0xFF0000B1u, 0xFF0000B2u});
    PGTexture texture = Device.CreateTexture(4, 4, pfA8R8G8B8, false);
    TGLockedRect bits = texture->Lock(nullptr, true);
    BlitStretched({bits.Bits, bits.Pitch, pfA8R8G8B8, 0, 0, 4, 4}, TGRect{0, 0, 4, 4}, source,
                  TGRect{0, 0, 2, 2});
    texture->Unlock();
    const std::vector<uint32_t> expected = {0xFF0000A1u, 0xFF0000A1u, 0xFF0000A2u, 0xFF0000A2u, //
                                            0xFF0000A1u, 0xFF0000A1u, 0xFF0000A2u, 0xFF0000A2u, //
                                            0xFF0000B1u, 0xFF0000B1u, 0xFF0000B2u, 0xFF0000B2u, //
                                            0xFF0000B1u, 0xFF0000B1u, 0xFF0000B2u, 0xFF0000B2u};
    EXPECT_EQ(Texels(texture), expected);
}

TEST_F(SoftRasterTest, MismatchedRectanglesAreErrorsAndLeaveTheTextureUnlocked) {
    TGSoftwareSurface source(4, 4, 0xFFFFFFFFu);
    PGTexture texture = Device.CreateTexture(8, 8, pfA8R8G8B8, false);
    EXPECT_THROW(WriteFragment(texture, TGRect{1, 1, 3, 3}, source, TGRect{0, 0, 3, 2}), EGError);
    EXPECT_THROW(WriteFragment(texture, TGRect{1, 1, 6, 6}, source, TGRect{0, 0, 5, 5}), EGError);
    EXPECT_THROW(WriteFragment(texture, TGRect{7, 7, 9, 9}, source, TGRect{0, 0, 2, 2}), EGError);
    // The texture can still be locked, and nothing was written.
    EXPECT_EQ(Texels(texture), std::vector<uint32_t>(64, 0u));
}

} // namespace
} // namespace qm
