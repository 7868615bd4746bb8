#include "UGFreeTypeRasterizer.h"

#include "UGError.h"
#include "UGFont.h"
#include "UGGraphicsDevice.h"
#include "UGNullRenderBackend.h"
#include "UGTimer.h"
#include "UGXMLNode.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>

namespace qm {
namespace {

namespace fs = std::filesystem;

const fs::path FaceFolder = "/usr/share/fonts/truetype/dejavu";
const fs::path Regular = FaceFolder / "DejaVuSans.ttf";
const fs::path Bold = FaceFolder / "DejaVuSans-Bold.ttf";

int Ink(const TGGlyphBitmap& glyph) {
    return std::accumulate(glyph.Coverage.begin(), glyph.Coverage.end(), 0);
}

class FreeTypeFontRasterizer : public ::testing::Test {
protected:
    TGRasterFace Render(const fs::path& file, int pixels, bool embolden = false, bool oblique = false) {
        return Rasterizer.RenderAscii({file, pixels, embolden, oblique});
    }

    TGFreeTypeRasterizer Rasterizer;
};

TEST_F(FreeTypeFontRasterizer, GivesEveryPrintableAsciiGlyphWithSensibleMetrics) {
    TGRasterFace face = Render(Regular, 32);
    ASSERT_EQ(face.Glyphs.size(), 95u);
    for (size_t i = 0; i < face.Glyphs.size(); ++i) {
        const TGGlyphBitmap& glyph = face.Glyphs[i];
        EXPECT_EQ(glyph.Code, static_cast<char32_t>(32 + i));
        EXPECT_GT(glyph.Advance, 0) << "code " << static_cast<int>(glyph.Code);
        EXPECT_EQ(glyph.Coverage.size(),
                  static_cast<size_t>(glyph.Width) * static_cast<size_t>(glyph.Height));
        // Everything but the space leaves ink.
        EXPECT_EQ(Ink(glyph) > 0, glyph.Code != U' ') << "code " << static_cast<int>(glyph.Code);
    }
    EXPECT_GT(face.Ascent, 0);
    EXPECT_GT(face.Descent, 0);
    EXPECT_GE(face.LineHeight, face.Ascent + face.Descent);

    const TGGlyphBitmap& w = face.Glyph(U'W');
    const TGGlyphBitmap& i = face.Glyph(U'i');
    const TGGlyphBitmap& j = face.Glyph(U'j');
    const TGGlyphBitmap& h = face.Glyph(U'H');
    EXPECT_GT(w.Advance, i.Advance);
    EXPECT_GT(w.Width, i.Width);
    EXPECT_GT(j.Height, j.BearingY) << "j descends below the baseline";
    EXPECT_EQ(h.Height, h.BearingY) << "H sits on the baseline";
    // DejaVu's capitals are 0.73 em high.
    EXPECT_NEAR(h.Height, 0.73 * 32, 1.5);
    EXPECT_EQ(*std::max_element(h.Coverage.begin(), h.Coverage.end()), 255);
    EXPECT_EQ(*std::min_element(h.Coverage.begin(), h.Coverage.end()), 0);
}

TEST_F(FreeTypeFontRasterizer, PixelHeightScalesTheGlyphs) {
    const TGGlyphBitmap small = Render(Regular, 32).Glyph(U'H');
    const TGGlyphBitmap large = Render(Regular, 64).Glyph(U'H');
    EXPECT_NEAR(large.Height, 2 * small.Height, 2);
    EXPECT_NEAR(large.Advance, 2 * small.Advance, 2);
}

TEST_F(FreeTypeFontRasterizer, BoldFaceAndEmboldeningBothThickenStrokes) {
    int regular = Ink(Render(Regular, 32).Glyph(U'l'));
    EXPECT_GT(Ink(Render(Bold, 32).Glyph(U'l')), regular * 13 / 10);
    EXPECT_GT(Ink(Render(Regular, 32, true, false).Glyph(U'l')), regular * 11 / 10);
}

TEST_F(FreeTypeFontRasterizer, ObliqueSlantsAnUprightStroke) {
    const TGGlyphBitmap upright = Render(Regular, 32).Glyph(U'l');
    const TGGlyphBitmap slanted = Render(Regular, 32, false, true).Glyph(U'l');
    EXPECT_NEAR(slanted.Height, upright.Height, 1);
    // A shear of about 0.2 moves the top of a 24-pixel stroke some 5 pixels to the right.
    EXPECT_GE(slanted.Width, upright.Width + 4);
}

TEST_F(FreeTypeFontRasterizer, RendersLettersBeyondAsciiAndABoxForWhatTheFaceLacks) {
    std::unique_ptr<IGFontFace> face = Rasterizer.OpenFace({Regular, 32, false, false});
    const TGGlyphBitmap h = face->RenderGlyph(U'H');
    // Latin-1, Latin Extended-A, Greek and Cyrillic capitals: as high as "H" or, with an
    // accent, higher.
    for (unsigned code : {0xC9, 0xC4, 0x141, 0x15A, 0x3A9, 0x416}) {
        EXPECT_TRUE(face->HasGlyph(code)) << code;
        const TGGlyphBitmap glyph = face->RenderGlyph(code);
        EXPECT_EQ(glyph.Code, static_cast<char32_t>(code));
        EXPECT_GE(glyph.BearingY, h.BearingY) << code;
        EXPECT_GT(Ink(glyph), Ink(face->RenderGlyph(U'.'))) << code;
    }
    EXPECT_GT(face->RenderGlyph(0xC9).BearingY, h.BearingY) << "the accent stands above the capital";
    // DejaVu Sans has no Han characters: the face's box for a missing character stands in.
    EXPECT_FALSE(face->HasGlyph(0x4E00));
    const TGGlyphBitmap missing = face->RenderGlyph(0x4E00);
    EXPECT_GT(Ink(missing), 0);
    EXPECT_GT(missing.Advance, 0);
    EXPECT_EQ(face->Metrics().Ascent, Render(Regular, 32).Ascent);
}

TEST_F(FreeTypeFontRasterizer, MissingFaceFileIsAnErrorNamingIt) {
    const fs::path missing = FaceFolder / "NoSuchFace.ttf";
    try {
        Render(missing, 16);
        ADD_FAILURE() << "no error";
    } catch (const EGError& error) {
        EXPECT_NE(std::string(error.what()).find(missing.string()), std::string::npos) << error.what();
    }
}

// A system font made from a shipped face through FreeType, on the null renderer.
TEST(FreeTypeSysFont, MeasuresAndFillsItsTextureFromTheFace) {
    RegisterFontClasses();
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(R"(<Core>
        <FontFace Name="Verdana" File="DejaVuSans.ttf" BoldFile="DejaVuSans-Bold.ttf"/>
        <Resource Id="Txt" Type="SysFont" Face="Verdana" Size="12"/>
        <Resource Id="TxtBold" Type="SysFont" Face="Verdana" Size="12" Bold="1"/>
      </Core>)"));
    PGXMLNode config = CreateXMLSnapshot(document.document_element(), "core.xml");
    TGNullRenderBackend backend(2048);
    TGManualTickSource ticks;
    TGGraphicsDevice device(backend, nullptr, ticks, nullptr);
    device.SetMode(800, 600, 1.0);
    TGFreeTypeRasterizer rasterizer;
    TGResContextRec context;
    context.Device = &device;
    context.Config = config;
    context.DataFolder = FaceFolder;
    context.FontRasterizer = &rasterizer;
    PGXMLCollection resources = config->GetCollection("Resource");
    TGSysFont regular(context, {"Txt", "SysFont", resources->GetItem(0), nullptr});
    TGSysFont bold(context, {"TxtBold", "SysFont", resources->GetItem(1), nullptr});

    EXPECT_EQ(regular.FaceRequest().FaceFile, Regular);
    EXPECT_EQ(bold.FaceRequest().FaceFile, Bold);
    EXPECT_EQ(regular.FaceRequest().PixelHeight, 16);
    // 12 points at 96 pixels per inch are a 16-pixel em; DejaVu's "W" is about 1 em wide.
    EXPECT_NEAR(regular.MaxCharWidth(), 16.0, 2.0);
    EXPECT_GT(regular.MaxCharWidth(), 2 * regular.MeasureString("i").Width);
    EXPECT_NEAR(regular.LineHeight(), 19.0, 2.0);
    EXPECT_GT(bold.MeasureString("Hello").Width, regular.MeasureString("Hello").Width);

    ASSERT_TRUE(regular.Texture());
    EXPECT_EQ(regular.Texture()->Width(), 256);
    const TGRect cell = regular.GlyphRect(U'H');
    TGLockedRect texels = regular.Texture()->Lock(nullptr, false);
    int opaque = 0;
    int clear = 0;
    for (int y = cell.Top; y < cell.Bottom; ++y) {
        for (int x = cell.Left; x < cell.Right; ++x) {
            uint16_t texel = 0;
            std::memcpy(&texel, texels.Bits + y * texels.Pitch + x * 2, 2);
            opaque += texel == 0xFFFF;
            clear += texel == 0;
            EXPECT_TRUE(texel == 0 || (texel & 0x0FFF) == 0x0FFF) << "texels are white";
        }
    }
    regular.Texture()->Unlock();
    EXPECT_GT(opaque, 20);
    EXPECT_GT(clear, 20);
}

} // namespace
} // namespace qm
