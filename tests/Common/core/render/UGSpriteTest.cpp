#include "UGSprite.h"
#include "UGError.h"
#include "UGGraphicsFile.h"
#include "UGNullRenderBackend.h"
#include "UGTaggedStream.h"
#include "UGTexturePack.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace qm {
namespace {

struct Vertex {
    float X, Y, Z;
    uint32_t Color;
    float U, V;
};

class SpriteTest : public ::testing::Test {
protected:
    void SetUp() override { device.SetMode(800, 600, 1.0); }

    // A picture of one colour (BGR) with a magenta square in its top-left 2 x 2 pixels.
    static TGImage24 Picture(int width, int height, uint8_t b, uint8_t g, uint8_t r) {
        TGImage24 image(width, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                uint8_t* p = image.At(x, y);
                p[0] = b;
                p[1] = g;
                p[2] = r;
                if (x < 2 && y < 2) {
                    SetMagenta(p);
                }
            }
        }
        return image;
    }
    uint32_t Texel(TGTexturePack& pack, int index, int x, int y) {
        TGLockedRect locked = pack.Texture(index)->Lock(nullptr, false);
        uint32_t value;
        std::memcpy(&value, locked.Bits + y * locked.Pitch + x * 4, 4);
        pack.Texture(index)->Unlock();
        return value;
    }
    const Vertex* Vertices() {
        return reinterpret_cast<const Vertex*>(device.CommonVertexBuffer(vfXYZDiffuseTex1, 4, 24)->Data());
    }

    TGNullRenderBackend backend;
    TGManualTickSource ticks;
    TGGraphicsDevice device{backend, nullptr, ticks, nullptr};
};

TEST_F(SpriteTest, LargeSpritesAreCutIntoTextureSizedFragments) {
    TGTexturePack pack(device, false, pfA8R8G8B8, 256, 256);
    TGSprite wide(device, 300, 100, pack, false);
    ASSERT_EQ(wide.FragmentCount(), 2);
    EXPECT_EQ(wide.Fragment(0).SpriteRect, (TGRect{0, 0, 254, 100}));
    EXPECT_EQ(wide.Fragment(1).SpriteRect, (TGRect{0, 254, 300, 100}));
    EXPECT_THROW(wide.GetTextureMap(), EGError);
    try {
        TGSprite aligned(device, 300, 100, pack, true);
        FAIL() << "accepted";
    } catch (const EGError& error) {
        EXPECT_STREQ(error.what(), "TGSprite.CreateFragments: Sprite too large");
    }
    int textures = pack.TextureCount();
    TGSprite aligned(device, 40, 40, pack, true);
    EXPECT_EQ(aligned.GetTextureMap(), textures) << "an aligned sprite opens a texture of its own";
    EXPECT_EQ(aligned.GetTextureMapRect(), (TGRect{1, 1, 41, 41}));
}

TEST_F(SpriteTest, ImagesReachTheAtlasWithTheColourKeyTransparentAndARepeatedEdge) {
    TGTexturePack pack(device, false, pfA8R8G8B8, 256, 256);
    TGSprite sprite(device, 8, 4, pack, false);
    TGImage24 color = Picture(8, 4, 0x30, 0x20, 0x10);
    TGImage24 alpha(8, 4);
    std::fill(alpha.Pixels.begin(), alpha.Pixels.end(), 0x80);
    sprite.SetImage(color, &alpha);
    TGRect at = sprite.GetTextureMapRect();
    int index = sprite.GetTextureMap();
    EXPECT_EQ(Texel(pack, index, at.Left + 5, at.Top + 2), 0x80102030u);
    EXPECT_EQ(Texel(pack, index, at.Left, at.Top) >> 24, 0u) << "magenta stays transparent";
    EXPECT_EQ(Texel(pack, index, at.Right, at.Bottom - 1), 0x80102030u) << "the ring repeats the edge";
    TGImage24 wrongSize(4, 4);
    EXPECT_THROW(sprite.SetImage(wrongSize, nullptr), EGError);
}

TEST_F(SpriteTest, QuadsFollowTheHalfPixelConventionInStripOrder) {
    TGTexturePack pack(device, false, pfA8R8G8B8, 256, 256);
    TGSprite sprite(device, 64, 32, pack, false);
    sprite.DrawAt(0xFFFFFFFF, bmDefault, 10, 20);
    const Vertex* v = Vertices();
    EXPECT_FLOAT_EQ(v[0].X, 9.5f); // bottom-left
    EXPECT_FLOAT_EQ(v[0].Y, 51.5f);
    EXPECT_FLOAT_EQ(v[1].X, 73.5f); // bottom-right
    EXPECT_FLOAT_EQ(v[2].Y, 19.5f); // top-left
    EXPECT_FLOAT_EQ(v[3].X, 73.5f); // top-right
    EXPECT_FLOAT_EQ(v[3].Y, 19.5f);
    EXPECT_FLOAT_EQ(v[2].U, 1.0f / 256);
    EXPECT_FLOAT_EQ(v[3].U, 65.0f / 256);
    EXPECT_EQ(backend.Calls.back().rfind("stage 0 texture", 0), std::string::npos) << "the state was popped";

    // A quarter turn clockwise about the top-left corner: the sprite's x axis points down.
    sprite.DrawTransformed({10, 20}, {1, 1}, 10, 20, std::acos(0.0), 0xFFFFFFFF, bmDefault);
    EXPECT_NEAR(v[3].X, 10 - 0.5 / 1.0 + 0.0, 1e-4); // top-right corner (64, 0) turns to (10, 84)
    EXPECT_NEAR(v[3].Y, 20 + 64 - 0.5, 1e-4);
}

TEST_F(SpriteTest, ColourDecidesWhetherAndHowADrawHappens) {
    TGTexturePack pack(device, false, pfA8R8G8B8, 256, 256);
    TGSprite sprite(device, 300, 20, pack, false);
    struct {
        uint32_t Color;
        int Draws;
        const char* Operation;
    } cases[] = {
        {0x00FFFFFF, 0, nullptr}, {0xFFFFFFFF, 2, "op 0"}, {0x80FFFFFF, 2, "op 2"}, {0xFFFF0000, 2, "op 2"}};
    for (const auto& c : cases) {
        device.ClearScene(); // everything is sent again at the next draw
        backend.Calls.clear();
        int before = backend.Draws;
        sprite.DrawAt(c.Color, bmAdd, 0, 0);
        EXPECT_EQ(backend.Draws - before, c.Draws) << std::hex << c.Color;
        if (c.Operation) {
            bool found = false;
            for (const std::string& call : backend.Calls) {
                found = found || (call.rfind("stage 0 texture", 0) == 0 &&
                                  call.find(c.Operation) != std::string::npos);
            }
            EXPECT_TRUE(found) << std::hex << c.Color;
        }
    }
    int before = backend.Draws;
    sprite.DrawPart({400, 0, 500, 20}, 0xFFFFFFFF, 0, 0, bmDefault);
    EXPECT_EQ(backend.Draws, before) << "a source outside the sprite draws nothing";
    sprite.DrawPart({250, 0, 260, 20}, 0xFFFFFFFF, 0, 0, bmDefault);
    EXPECT_EQ(backend.Draws, before + 2) << "a source across the fragment seam draws both pieces";
}

TEST_F(SpriteTest, SourcesFarOutsideTheSpriteNeitherOverflowNorMove) {
    TGTexturePack pack(device, false, pfA8R8G8B8, 256, 256);
    TGSprite sprite(device, 64, 32, pack, false);
    const Vertex* v = Vertices();
    // Source pixel a of a source starting 3e9 pixels left of the sprite lands 3e9 units right of
    // x, so the sprite's own pixels 0 to 10 are drawn there.
    int before = backend.Draws;
    sprite.DrawPart({-3e9, 0, 10, 32}, 0xFFFFFFFF, 0, 0, bmDefault);
    ASSERT_EQ(backend.Draws, before + 1);
    EXPECT_FLOAT_EQ(v[2].X, 3e9f);
    EXPECT_FLOAT_EQ(v[3].X, 3e9f + 10);
    EXPECT_FLOAT_EQ(v[2].U, 1.0f / 256);
    EXPECT_FLOAT_EQ(v[3].U, 11.0f / 256);
    for (const TGRectD& outside : {TGRectD{3e9, 0, 3e9 + 10, 32}, TGRectD{1e300, 0, 1e301, 32},
                                   TGRectD{-1e300, 0, std::nan(""), 32}, TGRectD{0, 9.3e18, 10, 1e19}}) {
        sprite.DrawPart(outside, 0xFFFFFFFF, 0, 0, bmDefault);
        EXPECT_EQ(backend.Draws, before + 1) << outside.Left << " " << outside.Top;
    }
}

TEST_F(SpriteTest, SizesAreInDrawingUnits) {
    device.SetMode(800, 600, 2.0);
    TGTexturePack pack(device, false, pfA8R8G8B8, 256, 256);
    TGSprite sprite(device, 100, 40, pack, false);
    EXPECT_DOUBLE_EQ(sprite.Width(), 50.0);
    EXPECT_DOUBLE_EQ(sprite.Height(), 20.0);
}

TEST_F(SpriteTest, SequencesNameTheirErrors) {
    TGSequence empty("ui/empty");
    EXPECT_THROW(empty.GetWidth(), EGError);
    TGTexturePack pack(device, false, pfA8R8G8B8, 256, 256);
    TGSequence coin("coin");
    coin.Add(std::make_unique<TGSprite>(device, 16, 8, pack, false));
    EXPECT_DOUBLE_EQ(coin.GetWidth(), 16.0);
    EXPECT_DOUBLE_EQ(coin.GetHeight(), 8.0);
    try {
        coin.GetSprite(1);
        FAIL();
    } catch (const EGError& error) {
        EXPECT_STREQ(error.what(), "TGSequence.GetSprite: SeqId: coin, SpriteIdx: 1");
    }
    EXPECT_THROW(coin.GetSprite(-1), EGError);
}

TEST_F(SpriteTest, SequencesRoundTripThroughABundleRecord) {
    TGTexturePack pack(device, false, pfA8R8G8B8, 256, 256);
    TGSequence original("test/strip");
    for (int i = 0; i < 3; ++i) {
        auto sprite = std::make_unique<TGSprite>(device, 100 + i * 100, 30, pack, false);
        sprite->SetImage(Picture(100 + i * 100, 30, static_cast<uint8_t>(i * 40), 0x55, 0xAA), nullptr);
        original.Add(std::move(sprite));
    }
    std::string bytes;
    TGTaggedWriter writer(bytes);
    pack.Write(writer);
    original.WriteToBundle(writer);

    TGTexturePack copyPack(device, false, pfA8R8G8B8, 256, 256);
    TGTaggedReader reader(bytes);
    copyPack.Read(reader);
    TGSequence copy(device, copyPack, reader);
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(copy.Name(), "test/strip");
    ASSERT_EQ(copy.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        const TGSprite& a = original.GetSprite(i);
        const TGSprite& b = copy.GetSprite(i);
        ASSERT_EQ(a.FragmentCount(), b.FragmentCount());
        EXPECT_EQ(a.PixelWidth(), b.PixelWidth());
        for (int f = 0; f < a.FragmentCount(); ++f) {
            EXPECT_EQ(a.Fragment(f).AtlasRect, b.Fragment(f).AtlasRect);
            EXPECT_EQ(a.Fragment(f).TextureIndex, b.Fragment(f).TextureIndex);
            TGRect r = b.Fragment(f).AtlasRect;
            EXPECT_EQ(Texel(pack, a.Fragment(f).TextureIndex, r.Left + 3, r.Top + 3),
                      Texel(copyPack, b.Fragment(f).TextureIndex, r.Left + 3, r.Top + 3));
        }
    }
    std::string truncated = bytes.substr(0, bytes.size() - 5);
    TGTexturePack otherPack(device, false, pfA8R8G8B8, 256, 256);
    TGTaggedReader shortReader(truncated);
    otherPack.Read(shortReader);
    EXPECT_THROW(TGSequence(device, otherPack, shortReader), EGError);
}

} // namespace
} // namespace qm
