#include "UGFont.h"

#include "TestHelpers.h"
#include "UDictionary.h"
#include "UGError.h"
#include "UGNewXMLNode.h"
#include "UGNullRenderBackend.h"
#include "UGSprite.h"
#include "UGStrings.h"
#include "UGTexturePack.h"
#include "UGTimer.h"
#include "UGXMLNode.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>

namespace qm {
namespace {

using test::ErrorText;

struct TVertex {
    float X, Y, Z;
    uint32_t Color;
    float U, V;
};
static_assert(sizeof(TVertex) == 24);

// One strip handed to the renderer, with the state it was drawn under.
struct TDraw {
    std::vector<TVertex> Vertices;
    int Blend = -1;
    int Filter = -1;
    int ColorOp = -1;

    // Quads are strips of bottom-left, bottom-right, top-left, top-right; a text of several
    // quads joins them with two repeated vertices.
    const TVertex& TopLeft(size_t quad = 0) const { return Vertices.at(6 * quad + 2); }
    const TVertex& BottomRight(size_t quad = 0) const { return Vertices.at(6 * quad + 1); }
};

class RecordingBackend : public TGNullRenderBackend {
public:
    explicit RecordingBackend(int maxTextureSize) : TGNullRenderBackend(maxTextureSize) {}

    void SetBlendMode(TGBlendMode mode) override {
        FBlend = mode;
        TGNullRenderBackend::SetBlendMode(mode);
    }
    void SetStage(int stage, IGBackendTexture* texture, TGTextureFilter filter, TGColorOp colorOp) override {
        if (stage == 0) {
            FFilter = filter;
            FColorOp = colorOp;
        }
        TGNullRenderBackend::SetStage(stage, texture, filter, colorOp);
    }
    bool DrawStrip(const uint8_t* vertices, int stride, int triangles) override {
        EXPECT_EQ(stride, 24);
        TDraw draw;
        draw.Vertices.resize(static_cast<size_t>(triangles) + 2);
        std::memcpy(draw.Vertices.data(), vertices, draw.Vertices.size() * sizeof(TVertex));
        draw.Blend = FBlend;
        draw.Filter = FFilter;
        draw.ColorOp = FColorOp;
        Recorded.push_back(draw);
        return TGNullRenderBackend::DrawStrip(vertices, stride, triangles);
    }

    std::vector<TDraw> Recorded;

private:
    int FBlend = -1;
    int FFilter = -1;
    int FColorOp = -1;
};

// Stands in for a sequence pool: blank glyph sheets of the given sizes, one sprite each.
class TestSheets : public TGResource {
public:
    TestSheets(const TGResContextRec& context, const TGResourceDef& def)
        : TGResource(context, def), FPack(*context.Device, false, pfA8R8G8B8, 256, 256) {
        for (const TGResourceDef& sheet : def.Children("Sheet")) {
            auto sequence = std::make_unique<TGSequence>(sheet.GetString("Name"));
            sequence->Add(std::make_unique<TGSprite>(*context.Device, sheet.GetInt("Width"),
                                                     sheet.GetInt("Height"), FPack, true));
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

// Glyphs of known sizes: 6 pixels of advance, W 10 and i 4; the ink is 2 pixels narrower than
// the advance, starts 1 pixel right of the pen and stands 8 pixels high on the baseline; "j"
// reaches 3 pixels below the baseline and 1 pixel left of its pen; "\u00C9" reaches 3 pixels
// above the face's ascent; the space has no ink. The coverage of the columns repeats 0x0F, 0x50,
// 0xA0, 0xFF. The face has every character below U+3000. With WideAdvance set every advance is
// that many pixels per 16 pixels of height, to fill textures.
class FakeRasterizer : public IGFontRasterizer {
public:
    static constexpr uint8_t Coverage[4] = {0x0F, 0x50, 0xA0, 0xFF};

    class Face : public IGFontFace {
    public:
        Face(FakeRasterizer& owner, int pixelHeight) : FOwner(owner), FPixelHeight(pixelHeight) {}
        TGFaceMetrics Metrics() const override { return {8, 3, 12}; }
        bool HasGlyph(char32_t code) const override { return code < 0x3000; }
        TGGlyphBitmap RenderGlyph(char32_t code) override {
            FOwner.Rendered.push_back(code);
            TGGlyphBitmap glyph;
            glyph.Code = code;
            glyph.Advance = FOwner.WideAdvance ? FOwner.WideAdvance * FPixelHeight / 16
                            : code == U'W'     ? 10
                            : code == U'i'     ? 4
                                               : 6;
            if (code != U' ') {
                glyph.Width = glyph.Advance - 2;
                glyph.Height = code == U'j' || code == 0xC9 ? 11 : 8;
                glyph.BearingX = code == U'j' ? -1 : 1;
                glyph.BearingY = code == 0xC9 ? 11 : 8;
                for (int y = 0; y < glyph.Height; ++y) {
                    for (int x = 0; x < glyph.Width; ++x) {
                        glyph.Coverage.push_back(Coverage[x % 4]);
                    }
                }
            }
            return glyph;
        }

    private:
        FakeRasterizer& FOwner;
        int FPixelHeight;
    };

    std::unique_ptr<IGFontFace> OpenFace(const TGRasterRequest& request) override {
        Requests.push_back(request);
        return std::make_unique<Face>(*this, request.PixelHeight);
    }

    int WideAdvance = 0;
    std::vector<TGRasterRequest> Requests;
    // Every character rendered, in order.
    std::u32string Rendered;
};

constexpr char Sheets[] = R"(<Sheet Name="fonts/Test" Width="64" Height="20"/>
                             <Sheet Name="fonts/FntDefWhite" Width="64" Height="20"/>)";
constexpr char FontFaces[] = R"(
    <FontFace Name="Verdana" File="faces/Regular.ttf" BoldFile="faces/Bold.ttf"/>
    <FontFace Name="Georgia" File="faces/Regular.ttf" ItalicFile="faces/Italic.ttf"
              BoldItalicFile="faces/BoldItalic.ttf"/>
    <FontFace Name="Missing" File="faces/Missing.ttf"/>)";
// Four glyphs at 0, 10, 22 and 30 pixels of the sheet.
constexpr char Basic[] = R"(SeqId="fonts/Test" Chars="AVBC" Widths="10,12,8,9")";

constexpr uint32_t Red = 0xFFFF0000u;
constexpr uint32_t Green = 0xFF00FF00u;
constexpr uint32_t White = 0xFFFFFFFFu;

class Fonts : public ::testing::Test {
protected:
    Fonts() {
        RegisterFontClasses();
        TGResourceRegistry::Instance().Register(
            "TestGlyphSheets", "", [](const TGResContextRec& context, const TGResourceDef& def) {
                return std::unique_ptr<TGResource>(std::make_unique<TestSheets>(context, def));
            });
        for (const char* face : {"faces/Regular.ttf", "faces/Bold.ttf", "faces/Italic.ttf",
                                 "faces/BoldItalic.ttf", "faces/Direct.ttf"}) {
            Temp.Write(face, "");
        }
        Start();
    }

    // A fresh renderer and device (nothing loaded).
    void Start(double scale = 1.0, int maxTextureSize = 4096) {
        Manager.reset();
        Device.reset();
        Backend = std::make_unique<RecordingBackend>(maxTextureSize);
        Device = std::make_unique<TGGraphicsDevice>(*Backend, nullptr, Ticks, nullptr);
        Device->SetMode(800, 600, scale);
    }

    // Loads the glyph sheets and one font definition of the font file; the font's Id is "Fnt".
    TGFont& Load(const std::string& resource, const std::string& sheets) {
        Manager.reset();
        pugi::xml_document document;
        std::string core = "<Core><Resource Id=\"Sheets\" Type=\"TestGlyphSheets\">" + sheets +
                           "</Resource><ResourceSet Name=\"Text\"><Include ResType=\"TestGlyphSheets\"/>"
                           "<Include ResType=\"Font\"/></ResourceSet>" +
                           FontFaces + "</Core>";
        EXPECT_TRUE(document.load_string(core.c_str()));
        Config = CreateXMLSnapshot(document.document_element(), "core.xml");
        FontFile.LoadFromString("<Fonts>" + resource + "</Fonts>", "Fonts.xml");
        TGResContextRec context;
        context.Device = Device.get();
        context.Config = Config;
        context.Fonts = &FontFile;
        context.Dictionary = &Dictionary;
        context.DataFolder = Temp.Path();
        context.FontRasterizer = &Rasterizer;
        Manager = std::make_unique<TGResManager>(context);
        Manager->SetResourceSet("Text");
        return Manager->GetFont("Fnt");
    }

    TGImageFont& Image(const std::string& attributes, const std::string& children = "") {
        return dynamic_cast<TGImageFont&>(Load(
            R"(<Resource Id="Fnt" Type="ImageFont" )" + attributes + ">" + children + "</Resource>", Sheets));
    }
    // Without glyph sheets, so that the font's texture is the first the renderer is asked for.
    TGSysFont& Sys(const std::string& attributes) {
        return dynamic_cast<TGSysFont&>(
            Load(R"(<Resource Id="Fnt" Type="SysFont" )" + attributes + "/>", ""));
    }

    std::vector<TDraw> Drawn(const std::function<void()>& draw) {
        Backend->Recorded.clear();
        draw();
        return Backend->Recorded;
    }

    test::TempDir Temp;
    TGManualTickSource Ticks;
    std::unique_ptr<RecordingBackend> Backend;
    std::unique_ptr<TGGraphicsDevice> Device;
    FakeRasterizer Rasterizer;
    TDictionary Dictionary;
    PGXMLNode Config;
    TGNewXMLNode FontFile{"Fonts"};
    std::unique_ptr<TGResManager> Manager;
};

TEST(FontClasses, SysAndImageFontsAreFontsAndFontItselfIsAbstract) {
    RegisterFontClasses();
    const TGResourceRegistry& registry = TGResourceRegistry::Instance();
    const TGResourceClass& font = registry.ResolveClass("Font");
    EXPECT_EQ(font.Parent, nullptr);
    EXPECT_FALSE(font.Create);
    for (const char* name : {"SysFont", "ImageFont"}) {
        EXPECT_EQ(registry.ResolveClass(name).Parent, &font) << name;
        EXPECT_TRUE(registry.ResolveClass(name).Create) << name;
    }
}

TEST(FontText, Utf8DecodesToCodePointsAndBadBytesToReplacements) {
    EXPECT_EQ(DecodeUtf8("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
              (std::u32string{U'A', 0xE9, 0x20AC, 0x1F600}));
    EXPECT_EQ(DecodeUtf8("\xC3"), std::u32string{0xFFFD});
    EXPECT_EQ(DecodeUtf8("\xC0\xAF!"), (std::u32string{0xFFFD, 0xFFFD, U'!'}));
    EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), (std::u32string{0xFFFD, 0xFFFD, 0xFFFD}));
}

// ---------------------------------------------------------------------------------------------
// Image fonts

TEST_F(Fonts, ImageFontDefinitionErrorsNameTheFontAndItsFile) {
    struct Case {
        const char* Attributes;
        const char* Message;
    };
    const Case cases[] = {
        {R"(Chars="ABC" Widths="10,12,8,9")", "3 Chars but 4 Widths"},
        // Characters are counted as code points, not bytes.
        {"Chars=\"A\xC3\xA9"
         "B\" Cuts=\"10,20\"",
         "3 Chars but 2 Cuts"},
        {R"(Chars="" Widths="")", "no Chars"},
        {R"(Chars="AB")", "neither Widths nor Cuts given"},
        {R"(Chars="AB" Widths="10,x")", "Widths \"10,x\" is not a list of integers"},
        // Numbers that would overflow the sheet arithmetic, and cuts that go backwards.
        {R"(Chars="AB" Widths="10,9223372036854775807")",
         "Widths item 2 (9223372036854775807) for \"B\" is outside the glyph sheet"},
        {R"(Chars="AB" Cuts="10,3000000000")",
         "Cuts item 2 (3000000000) for \"B\" is outside the glyph sheet"},
        {R"(Chars="AB" Widths="-1,5")", "Widths item 1 (-1) for \"A\" is outside the glyph sheet"},
        {R"(Chars="ABC" Cuts="10,5,20")", "Cuts item 2 (5) for \"B\" is outside the glyph sheet"},
        {R"(Chars="ABC" Widths="16000000,16000000,16000000")",
         "the glyphs end at pixel 32000000, outside any glyph sheet"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorText([&] { Image(std::string(R"(SeqId="fonts/Test" )") + c.Attributes); }),
                  std::string("TGImageFont.CreateFromXML: lang/Fonts: Resource \"Fnt\": ") + c.Message)
            << c.Attributes;
    }
}

TEST_F(Fonts, WidthsOrCutsGiveGlyphsInDrawingUnits) {
    for (double scale : {1.0, 2.0}) {
        for (const char* widths : {R"(Widths="10,12,8,9")", R"(Cuts="10,22,30,39")"}) {
            Start(scale);
            TGImageFont& font = Image(std::string(R"(SeqId="fonts/Test" Chars="AVBC" )") + widths);
            const double positions[] = {0, 10, 22, 30};
            const double sizes[] = {10, 12, 8, 9};
            ASSERT_EQ(font.Glyphs().size(), 4u);
            for (size_t i = 0; i < 4; ++i) {
                EXPECT_EQ(font.Glyphs()[i].Char, U"AVBC"[i]);
                EXPECT_DOUBLE_EQ(font.Glyphs()[i].Position, positions[i] / scale) << widths << " " << i;
                EXPECT_DOUBLE_EQ(font.Glyphs()[i].Width, sizes[i] / scale) << widths << " " << i;
            }
            EXPECT_DOUBLE_EQ(font.MaxCharWidth(), 12 / scale);
        }
    }
}

TEST_F(Fonts, SheetRowsSplitTheSheetIntoLinesOfGlyphs) {
    // Two rows of 10 pixels in the 20 pixels high test sheet; cuts start again in each row.
    for (const char* widths : {R"(Widths="10,12;8,9")", R"(Cuts="10,22;8,17")"}) {
        TGImageFont& font = Image(std::string(R"(SeqId="fonts/Test" Chars="ABCD" )") + widths);
        EXPECT_DOUBLE_EQ(font.LineHeight(), 10);
        EXPECT_EQ(font.FindGlyph(U'C').Row, 1);
        EXPECT_DOUBLE_EQ(font.FindGlyph(U'D').Position, 8) << widths;
        std::vector<TDraw> draws = Drawn([&] { font.DrawString("AD", White, 100, 50); });
        ASSERT_EQ(draws.size(), 2u);
        for (const TDraw& draw : draws) {
            EXPECT_FLOAT_EQ(draw.BottomRight().Y - draw.TopLeft().Y, 10.0f);
        }
        EXPECT_FLOAT_EQ(draws[1].TopLeft().V - draws[0].TopLeft().V, 10.0f / 256) << widths;
        EXPECT_FLOAT_EQ(draws[1].TopLeft().U - draws[0].TopLeft().U, 8.0f / 256) << widths;
    }
    EXPECT_EQ(ErrorText([&] { Image(R"(SeqId="fonts/Test" Chars="ABC" Widths="10;8;9")").LineHeight(); }),
              "TGImageFont.GetSprite: lang/Fonts: Resource \"Fnt\": the 20 pixels high sheet \"fonts/Test\" "
              "does not split into 3 rows");
}

TEST_F(Fonts, IndentsWidenEveryGlyphOfTheirCharacter) {
    TGImageFont& font =
        Image(R"(SeqId="fonts/Test" Chars="ABA" Widths="10,12,8")", R"(<Indent C="A" Left="2" Right="4"/>)");
    EXPECT_DOUBLE_EQ(font.Glyphs()[0].Advance(), 16);
    EXPECT_DOUBLE_EQ(font.Glyphs()[1].Advance(), 12);
    EXPECT_DOUBLE_EQ(font.Glyphs()[2].Advance(), 14);
    EXPECT_DOUBLE_EQ(font.MaxCharWidth(), 16);
    EXPECT_DOUBLE_EQ(font.MeasureString("AB").Width, 28);

    Start(2.0);
    EXPECT_DOUBLE_EQ(Image(std::string(Basic) + R"( MaxCharWidth="50")").MaxCharWidth(), 25);
}

TEST_F(Fonts, MixedCaseLendsGlyphsToTheMissingCase) {
    TGImageFont& plain = Image(R"(SeqId="fonts/Test" Chars="ABC" Widths="10,12,8")");
    EXPECT_FALSE(plain.HasGlyph(U'a'));
    EXPECT_EQ(ErrorText([&] { plain.MeasureString("abc"); }),
              "TGImageFont.FindGlyph: Font: \"Fnt\", Glyph: \"a\", Code: 97");

    TGImageFont& upper = Image(R"(SeqId="fonts/Test" Chars="ABC" Widths="10,12,8" MixedCase="1")");
    EXPECT_TRUE(upper.HasGlyph(U'c'));
    EXPECT_FALSE(upper.HasGlyph(U'd'));
    std::vector<TDraw> lower = Drawn([&] { upper.DrawString("abc", White, 10, 20); });
    std::vector<TDraw> capitals = Drawn([&] { upper.DrawString("ABC", White, 10, 20); });
    ASSERT_EQ(lower.size(), 3u);
    ASSERT_EQ(capitals.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        for (size_t v = 0; v < 4; ++v) {
            EXPECT_EQ(lower[i].Vertices[v].X, capitals[i].Vertices[v].X) << i;
            EXPECT_EQ(lower[i].Vertices[v].U, capitals[i].Vertices[v].U) << i;
            EXPECT_EQ(lower[i].Vertices[v].V, capitals[i].Vertices[v].V) << i;
        }
    }

    TGImageFont& lowerOnly = Image(R"(SeqId="fonts/Test" Chars="xy" Widths="10,12" MixedCase="1")");
    EXPECT_TRUE(lowerOnly.HasGlyph(U'X'));
    EXPECT_DOUBLE_EQ(lowerOnly.MeasureString("Yy").Width, 24);
}

TEST_F(Fonts, KerningPairShortensTheMeasuredText) {
    for (double scale : {1.0, 2.0}) {
        Start(scale);
        // The first of two pairs for the same letters counts.
        TGImageFont& font =
            Image(Basic, R"(<Pair C1="A" C2="V" Delta="-2"/><Pair C1="A" C2="V" Delta="-7"/>)");
        double a = font.MeasureString("A").Width;
        double v = font.MeasureString("V").Width;
        EXPECT_DOUBLE_EQ(font.MeasureString("AV").Width, a + v - 2 / scale) << scale;
        EXPECT_DOUBLE_EQ(font.MeasureString("VA").Width, a + v) << scale;
        EXPECT_DOUBLE_EQ(font.KerningDelta(U'A', U'V'), -2 / scale);
    }
}

TEST_F(Fonts, ImageFontDrawsEachGlyphAtThePen) {
    TGImageFont& font = Image(Basic, R"(<Indent C="V" Left="3" Right="1"/><Pair C1="A" C2="V" Delta="-2"/>)");
    std::vector<TDraw> draws = Drawn([&] { font.DrawString("AVB", White, 100, 50); });
    ASSERT_EQ(draws.size(), 3u);
    // A at the start, V after A's 10 pixels, its kerning and its own left indent, B after V's
    // width and right indent; all half a pixel up and left.
    const float lefts[] = {99.5f, 110.5f, 123.5f};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(draws[i].TopLeft().X, lefts[i]) << i;
        EXPECT_FLOAT_EQ(draws[i].TopLeft().Y, 49.5f) << i;
        EXPECT_FLOAT_EQ(draws[i].BottomRight().Y, 69.5f) << i;
        EXPECT_EQ(draws[i].Blend, bmDefault);
        EXPECT_EQ(draws[i].Filter, tfPoint);
    }
    EXPECT_FLOAT_EQ(draws[1].BottomRight().X - draws[1].TopLeft().X, 12.0f);

    // Scaled and turned a quarter clockwise: the text runs down the screen from (100, 50).
    draws = Drawn([&] { font.DrawStringEx("AV", {}, 100, 50, 0, 0, 2.0, std::numbers::pi / 2); });
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_NEAR(draws[1].TopLeft().X, 99.5, 1e-4);
    EXPECT_NEAR(draws[1].TopLeft().Y, 50 + 2 * (10 - 2 + 3) - 0.5, 1e-4);

    TGImageFont& linear = Image(std::string(Basic) + R"( LinearFilter="1")");
    draws = Drawn([&] { linear.DrawString("A", White, 0, 0); });
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].Filter, tfLinear);
    EXPECT_EQ(Device->StateDepth(), 0);
}

// The colour of every quad drawn, in order: an image font draws a strip per glyph, a system
// font one strip for the whole text.
std::vector<uint32_t> QuadColors(const std::vector<TDraw>& draws, int colorOp) {
    std::vector<uint32_t> colors;
    for (const TDraw& draw : draws) {
        EXPECT_EQ(draw.ColorOp, colorOp);
        for (size_t quad = 0; 6 * quad + 4 <= draw.Vertices.size(); ++quad) {
            for (size_t v = 6 * quad; v < 6 * quad + 4; ++v) {
                EXPECT_EQ(draw.Vertices[v].Color, draw.TopLeft(quad).Color) << "quad " << quad;
            }
            colors.push_back(draw.TopLeft(quad).Color);
        }
    }
    return colors;
}

TEST_F(Fonts, ColourListColoursCharactersInOrder) {
    struct Case {
        std::vector<uint32_t> Colors;
        std::vector<uint32_t> Drawn;
        int ColorOp;
    };
    const Case cases[] = {
        {{Red, Green}, {Red, Green, Green}, coModulate},
        {{Red}, {Red, Red, Red}, coModulate},
        {{}, {White, White, White}, coTexture},
        // A transparent colour draws nothing for its character.
        {{0x00FFFFFFu, Green}, {Green, Green}, coModulate},
    };
    for (bool system : {false, true}) {
        TGFont& font = system ? static_cast<TGFont&>(Sys(R"(Face="Verdana" Size="12")")) : Image(Basic);
        for (const Case& c : cases) {
            std::vector<TDraw> draws =
                Drawn([&] { font.DrawStringEx("ABC", c.Colors, 0, 0, 0, 0, 1.0, 0.0); });
            EXPECT_EQ(QuadColors(draws, c.ColorOp), c.Drawn) << (system ? "system font" : "image font");
        }
    }
}

TEST_F(Fonts, AlignmentMovesTheTextInItsBox) {
    struct Case {
        int Alignment;
        double Box;
        double Scale;
        float Left;
    };
    // "AV" is 22 units wide unscaled.
    const Case cases[] = {
        {0, 10, 1, 99.5f},
        // Centred in a box narrower than the text: starts left of x.
        {1, 10, 1, 93.5f},
        {1, 50, 1, 113.5f},
        // Half units go to the even neighbour: 6.5 becomes 6.
        {1, 35, 1, 105.5f},
        {1, 10, 2, 82.5f},
        {2, 50, 1, 127.5f},
        {2, 50, 2, 105.5f},
    };
    TGImageFont& font = Image(Basic);
    for (const Case& c : cases) {
        std::vector<TDraw> draws =
            Drawn([&] { font.DrawStringEx("AV", {}, 100, 50, c.Box, c.Alignment, c.Scale, 0); });
        ASSERT_EQ(draws.size(), 2u);
        EXPECT_FLOAT_EQ(draws[0].TopLeft().X, c.Left) << c.Alignment << " " << c.Box << " " << c.Scale;
    }
}

TEST_F(Fonts, LineHeightIsTheSheetHeightWithTheCorrectionOfItsName) {
    struct Case {
        const char* SeqId;
        double Scale;
        double Height;
    };
    const Case cases[] = {
        {"fonts/FntDefWhite", 1, 15}, {"FONTS/fntdefwhite", 1, 15}, {"fonts/FntDefWhite", 2, 5},
        {"fonts/Test", 1, 20},        {"fonts/Test", 2, 10},
    };
    for (const Case& c : cases) {
        Start(c.Scale);
        TGImageFont& font = Image(std::string("SeqId=\"") + c.SeqId + R"(" Chars="AVBC" Widths="10,12,8,9")");
        EXPECT_DOUBLE_EQ(font.MeasureString("AB").Height, c.Height) << c.SeqId << " " << c.Scale;
        EXPECT_DOUBLE_EQ(font.LineHeight(), c.Height) << c.SeqId << " " << c.Scale;
        EXPECT_DOUBLE_EQ(font.MeasureString("").Width, 0);
        EXPECT_DOUBLE_EQ(font.MeasureString("").Height, c.Height);
    }
    EXPECT_EQ(TGImageFont::LineHeightCorrection("fonts/FntTitles"), -6);
    EXPECT_EQ(TGImageFont::LineHeightCorrection("fonts/Font04"), -3);
    EXPECT_EQ(TGImageFont::LineHeightCorrection("FntDefWhite"), 0);
}

TEST_F(Fonts, MissingGlyphAndMissingSheetAreNamedErrors) {
    TGImageFont& font = Image(Basic);
    EXPECT_EQ(ErrorText([&] { font.MeasureString("Az"); }),
              "TGImageFont.FindGlyph: Font: \"Fnt\", Glyph: \"z\", Code: 122");
    EXPECT_EQ(ErrorText([&] { font.DrawString("A\xC3\xA9", White, 0, 0); }),
              "TGImageFont.FindGlyph: Font: \"Fnt\", Glyph: \"\xC3\xA9\", Code: 233");
    EXPECT_EQ(Device->StateDepth(), 0);

    // The sheet is looked for when it is needed, not when the font is made, and it must be as
    // wide as the glyphs say (the test sheet has 64 pixels).
    struct Case {
        const char* Attributes;
        const char* Message;
    };
    const Case cases[] = {
        {R"(SeqId="fonts/Missing" Chars="A" Widths="10")", "sequence \"fonts/Missing\" not found"},
        {R"(SeqId="fonts/Test" Chars="AB" Cuts="10,65")",
         "the glyphs end at pixel 65 of the 64 pixels wide sheet \"fonts/Test\""},
    };
    for (const Case& c : cases) {
        TGImageFont& broken = Image(c.Attributes);
        for (const std::function<void()>& use : std::vector<std::function<void()>>{
                 [&] { broken.MeasureString("A"); }, [&] { broken.DrawString("A", White, 0, 0); }}) {
            EXPECT_EQ(ErrorText(use),
                      std::string("TGImageFont.GetSprite: lang/Fonts: Resource \"Fnt\": ") + c.Message);
        }
    }
    EXPECT_DOUBLE_EQ(Image(R"(SeqId="fonts/Test" Chars="AB" Cuts="10,64")").MeasureString("B").Width, 54);
}

TEST_F(Fonts, TextsPassTheDictionaryOnce) {
    Dictionary.Add("@Caption", "AV");
    Dictionary.Add("@Loop", "@Caption");
    TGImageFont& font = Image(Basic, R"(<Pair C1="A" C2="V" Delta="-2"/>)");
    EXPECT_DOUBLE_EQ(font.MeasureString("@caption").Width, 20);
    EXPECT_EQ(Drawn([&] { font.DrawString("@CAPTION", White, 0, 0); }).size(), 2u);
    EXPECT_EQ(Drawn([&] { font.DrawStringEx("@Caption", {}, 0, 0, 100, 1, 1, 0); }).size(), 2u);
    // A translation is text even when it looks like a key.
    EXPECT_EQ(ErrorText([&] { font.MeasureString("@Loop"); }),
              "TGImageFont.FindGlyph: Font: \"Fnt\", Glyph: \"@\", Code: 64");
    // A key without an entry is an empty text.
    EXPECT_DOUBLE_EQ(font.MeasureString("@Nothing").Width, 0);
}

// ---------------------------------------------------------------------------------------------
// System fonts (on a rasteriser of known glyph boxes)

TEST_F(Fonts, SysFontRequestsItsPixelHeightAndTexture) {
    struct Case {
        int Size;
        double Scale;
        int MaxTexture;
        int PixelHeight;
        int Texture;
        double MaxCharWidth;
    };
    const Case cases[] = {
        {12, 1, 4096, 16, 256, 10},
        {12, 2, 4096, 32, 256, 5},
        {20, 1, 4096, 27, 256, 10},
        {21, 1, 4096, 28, 512, 10},
        {40, 1, 4096, 53, 512, 10},
        {41, 1, 4096, 55, 1024, 10},
        // The largest texture is half the size's: the letters are rendered at half height and
        // stretched back when drawn.
        {30, 1, 256, 20, 256, 20},
    };
    for (const Case& c : cases) {
        Start(c.Scale, c.MaxTexture);
        TGSysFont& font = Sys(Format(R"(Face="Verdana" Size="%d")", c.Size));
        EXPECT_EQ(Rasterizer.Requests.back().PixelHeight, c.PixelHeight) << c.Size;
        ASSERT_TRUE(font.Texture());
        EXPECT_EQ(font.Texture()->Width(), c.Texture) << c.Size;
        EXPECT_EQ(font.Texture()->Height(), c.Texture) << c.Size;
        EXPECT_EQ(font.Texture()->Format(), pfA4R4G4B4);
        EXPECT_DOUBLE_EQ(font.MaxCharWidth(), c.MaxCharWidth) << c.Size;
    }
}

TEST_F(Fonts, SysFontTextureGrowsThenLettersShrinkWhenTheyDoNotFit) {
    struct Case {
        int MaxTexture;
        int Texture;
        int PixelHeight;
        double MaxCharWidth;
    };
    // 95 cells of 60 pixels need 24 rows of 12 in a 256 texture.
    const Case cases[] = {{4096, 512, 16, 60}, {256, 256, 13, 48 / 0.8}};
    Rasterizer.WideAdvance = 60;
    for (const Case& c : cases) {
        Start(1.0, c.MaxTexture);
        TGSysFont& font = Sys(R"(Face="Verdana" Size="12")");
        EXPECT_EQ(font.Texture()->Width(), c.Texture);
        EXPECT_EQ(Rasterizer.Requests.back().PixelHeight, c.PixelHeight);
        EXPECT_DOUBLE_EQ(font.MaxCharWidth(), c.MaxCharWidth);
    }
}

TEST_F(Fonts, SysFontFaceMapsToTheStyleFileOrASynthesisedStyle) {
    struct Case {
        const char* Attributes;
        const char* File;
        bool Embolden;
        bool Oblique;
    };
    const Case cases[] = {
        {R"(Face="Verdana")", "faces/Regular.ttf", false, false},
        {R"(Face="verdana" Bold="1")", "faces/Bold.ttf", false, false},
        {R"(Face="Verdana" Italic="1")", "faces/Regular.ttf", false, true},
        {R"(Face="Verdana" Bold="1" Italic="1")", "faces/Bold.ttf", false, true},
        {R"(Face="Georgia" Bold="1")", "faces/Regular.ttf", true, false},
        {R"(Face="Georgia" Italic="1")", "faces/Italic.ttf", false, false},
        {R"(Face="Georgia" Bold="1" Italic="1")", "faces/BoldItalic.ttf", false, false},
        {R"(Face="faces/Direct.ttf" Bold="1")", "faces/Direct.ttf", true, false},
        {R"(Face="faces\Direct.ttf")", "faces/Direct.ttf", false, false},
    };
    for (const Case& c : cases) {
        TGSysFont& font = Sys(std::string(c.Attributes) + R"( Size="12")");
        const TGRasterRequest& request = Rasterizer.Requests.back();
        EXPECT_EQ(request.FaceFile, font.FaceRequest().FaceFile);
        EXPECT_TRUE(std::filesystem::equivalent(request.FaceFile, Temp.Path() / c.File)) << c.Attributes;
        EXPECT_EQ(request.Embolden, c.Embolden) << c.Attributes;
        EXPECT_EQ(request.Oblique, c.Oblique) << c.Attributes;
    }
}

TEST_F(Fonts, SysFontFaceErrorsNameTheFontAndTheFace) {
    EXPECT_EQ(ErrorText([&] { Sys(R"(Face="Tahoma" Size="12")"); }),
              "TGSysFont.Create: Font \"Fnt\": face \"Tahoma\" is not mapped to a face file");
    EXPECT_EQ(ErrorText([&] { Sys(R"(Face="Missing" Size="12")"); }),
              Format("TGSysFont.Create: Font \"Fnt\": file \"%s\" of face \"Missing\" not found",
                     (Temp.Path() / "faces/Missing.ttf").string().c_str()));
    EXPECT_EQ(ErrorText([&] { Sys(R"(Face="faces/None.otf" Size="12")"); }),
              Format("TGSysFont.Create: Font \"Fnt\": file \"%s\" of face \"faces/None.otf\" not found",
                     (Temp.Path() / "faces/None.otf").string().c_str()));
}

TEST_F(Fonts, SysFontTexelsAreWhiteWithTheCoverageInFourBitsOfAlpha) {
    struct Case {
        int Refused;
        int Format;
        std::vector<uint32_t> Texels;
    };
    // Column 0 of a glyph's box is the clear texel left of the ink; the ink's columns have
    // coverage 0x0F, 0x50, 0xA0 and 0xFF. A renderer without A4R4G4B4 gets the same 16 levels in
    // A8R8G8B8.
    const Case cases[] = {
        {0, pfA4R4G4B4, {0, 0, 0x5FFF, 0xAFFF, 0xFFFF, 0}},
        {1, pfA8R8G8B8, {0, 0, 0x55FFFFFF, 0xAAFFFFFF, 0xFFFFFFFF, 0}},
    };
    for (const Case& c : cases) {
        Start();
        Backend->RefuseTextures = c.Refused;
        TGSysFont& font = Sys(R"(Face="Verdana" Size="12")");
        ASSERT_EQ(font.Texture()->Format(), c.Format);
        int bytes = BytesPerPixel(c.Format);
        TGRect box = font.GlyphRect(U'A');
        EXPECT_EQ(box.Width(), 6);
        EXPECT_EQ(box.Height(), 10);
        TGLockedRect locked = font.Texture()->Lock(nullptr, false);
        auto texel = [&](int x, int y) {
            uint32_t value = 0;
            std::memcpy(&value, locked.Bits + y * locked.Pitch + x * bytes, static_cast<size_t>(bytes));
            return value;
        };
        for (int row : {box.Top + 1, box.Top + 8}) {
            for (size_t x = 0; x < c.Texels.size(); ++x) {
                EXPECT_EQ(texel(box.Left + static_cast<int>(x), row), c.Texels[x])
                    << "row " << row - box.Top << " column " << x;
            }
        }
        // Above and below the ink the box is clear.
        for (int x = box.Left; x < box.Right; ++x) {
            EXPECT_EQ(texel(x, box.Top), 0u);
            EXPECT_EQ(texel(x, box.Bottom - 1), 0u);
        }
        font.Texture()->Unlock();
    }
}

TEST_F(Fonts, SysFontMeasuresLinesOfAdvances) {
    for (double scale : {1.0, 2.0}) {
        Start(scale);
        TGSysFont& font = Sys(R"(Face="Verdana" Size="12")");
        struct Case {
            const char* Text;
            double Width;
            double Height;
        };
        const Case cases[] = {
            {"", 0, 11},         {"W", 10, 11},    {"Wi\nW", 14, 22},
            {"i\n\nWW", 20, 33}, {"W\ti", 14, 11}, {"\xC3\xA9", 6, 11},
        };
        for (const Case& c : cases) {
            TGTextSize size = font.MeasureString(c.Text);
            EXPECT_DOUBLE_EQ(size.Width, c.Width / scale) << c.Text;
            EXPECT_DOUBLE_EQ(size.Height, c.Height / scale) << c.Text;
        }
        EXPECT_DOUBLE_EQ(font.MaxCharWidth(), 10 / scale);
        EXPECT_DOUBLE_EQ(font.LineHeight(), 11 / scale);
        EXPECT_TRUE(font.HasGlyph(U'\xE9'));
    }
}

TEST_F(Fonts, SysFontDrawsOneStripOfQuads) {
    TGSysFont& font = Sys(R"(Face="Verdana" Size="12")");
    Device->ApplyState(true);
    int resent = Device->ApplyCounts().RenderTarget;
    std::vector<TDraw> draws = Drawn([&] { font.DrawStringEx("Wi\nj", {}, 100, 50, 0, 0, 1, 0); });
    ASSERT_EQ(draws.size(), 1u);
    const TDraw& draw = draws[0];
    // Three quads joined by two repeated vertices each.
    ASSERT_EQ(draw.Vertices.size(), 16u);
    EXPECT_EQ(draw.Blend, bmDefault);
    EXPECT_EQ(draw.Filter, tfLinear);
    EXPECT_EQ(draw.ColorOp, coTexture);
    struct Quad {
        float Left, Top, Right, Bottom;
    };
    // Each quad is its glyph's ink and a clear texel around it. "j" overhangs its pen by a
    // pixel and starts the second line, 11 pixels down.
    const Quad quads[] = {
        {99.5f, 48.5f, 109.5f, 58.5f}, {109.5f, 48.5f, 113.5f, 58.5f}, {97.5f, 59.5f, 103.5f, 72.5f}};
    const char32_t chars[] = {U'W', U'i', U'j'};
    for (size_t q = 0; q < 3; ++q) {
        EXPECT_FLOAT_EQ(draw.TopLeft(q).X, quads[q].Left) << q;
        EXPECT_FLOAT_EQ(draw.TopLeft(q).Y, quads[q].Top) << q;
        EXPECT_FLOAT_EQ(draw.BottomRight(q).X, quads[q].Right) << q;
        EXPECT_FLOAT_EQ(draw.BottomRight(q).Y, quads[q].Bottom) << q;
        TGRect box = font.GlyphRect(chars[q]);
        EXPECT_FLOAT_EQ(draw.TopLeft(q).U, box.Left / 256.0f) << q;
        EXPECT_FLOAT_EQ(draw.TopLeft(q).V, box.Top / 256.0f) << q;
        EXPECT_FLOAT_EQ(draw.BottomRight(q).U, box.Right / 256.0f) << q;
        EXPECT_FLOAT_EQ(draw.BottomRight(q).V, box.Bottom / 256.0f) << q;
    }
    EXPECT_EQ(Device->ApplyCounts().RenderTarget, resent)
        << "text leaves the renderer's state as it found it";
    // Labels drawn one after another in one font are one draw: text splits no batch itself.
    draws = Drawn([&] {
        ASSERT_TRUE(Device->BeginFrame());
        font.DrawString("Score", White, 10, 10);
        font.DrawString("Bricks", White, 10, 40);
        Device->EndFrame();
    });
    EXPECT_EQ(draws.size(), 1u);
    EXPECT_EQ(Device->StateDepth(), 0);

    // The space leaves no quad but moves the pen; other control characters are skipped.
    draws = Drawn([&] { font.DrawString("W i\tW", White, 100, 50); });
    ASSERT_EQ(draws.size(), 1u);
    ASSERT_EQ(draws[0].Vertices.size(), 16u);
    EXPECT_FLOAT_EQ(draws[0].TopLeft(1).X, 115.5f);
    EXPECT_FLOAT_EQ(draws[0].TopLeft(2).X, 119.5f);
    EXPECT_EQ(draws[0].ColorOp, coTexture);
}

TEST_F(Fonts, SysFontTurnsTextAroundItsStart) {
    TGSysFont& font = Sys(R"(Face="Verdana" Size="12")");
    struct Case {
        double Angle;
        double Scale;
        // The top-left and bottom-right corners of the quad of "i", the second character.
        double Left, Top, Right, Bottom;
    };
    // Unturned, the quad of "i" spans 10 to 14 along the line and -1 to 9 down from (100, 50).
    const Case cases[] = {
        {0, 1, 110, 49, 114, 59},
        // A quarter clockwise: the line runs down the screen and the letters' tops face right.
        {std::numbers::pi / 2, 1, 101, 60, 91, 64},
        {std::numbers::pi, 1, 90, 51, 86, 41},
        {std::numbers::pi / 2, 2, 102, 70, 82, 78},
    };
    for (const Case& c : cases) {
        std::vector<TDraw> draws =
            Drawn([&] { font.DrawStringEx("Wi", {}, 100, 50, 0, 0, c.Scale, c.Angle); });
        ASSERT_EQ(draws.size(), 1u) << c.Angle;
        EXPECT_NEAR(draws[0].TopLeft(1).X, c.Left - 0.5, 1e-4) << c.Angle;
        EXPECT_NEAR(draws[0].TopLeft(1).Y, c.Top - 0.5, 1e-4) << c.Angle;
        EXPECT_NEAR(draws[0].BottomRight(1).X, c.Right - 0.5, 1e-4) << c.Angle;
        EXPECT_NEAR(draws[0].BottomRight(1).Y, c.Bottom - 0.5, 1e-4) << c.Angle;
    }
}

TEST_F(Fonts, SysFontRendersACharacterBeyondAsciiOnceAndKeepsIt) {
    TGSysFont& font = Sys(R"(Face="Verdana" Size="12")");
    EXPECT_EQ(Rasterizer.Rendered.size(), 95u) << "printable ASCII is rendered up front";
    Rasterizer.Rendered.clear();
    // Greek, Cyrillic and Latin letters, one of them twice and one reaching above the ascent.
    const std::string text = "\xCE\xA9\xD0\x96\xC3\x89\xCE\xA9";
    for (int frame = 0; frame < 3; ++frame) {
        std::vector<TDraw> draws = Drawn([&] { font.DrawString(text, White, 100, 50); });
        ASSERT_EQ(draws.size(), 1u);
        ASSERT_EQ(draws[0].Vertices.size(), 4u * 6 - 2);
        EXPECT_FLOAT_EQ(draws[0].TopLeft(2).Y, 45.5f) << "the tall capital is not cut";
        EXPECT_FLOAT_EQ(draws[0].TopLeft(2).U, font.GlyphRect(0xC9).Left / 256.0f);
    }
    EXPECT_EQ(Rasterizer.Rendered, (std::u32string{0x3A9, 0x416, 0xC9}));
    TGRect omega = font.GlyphRect(0x3A9);
    EXPECT_EQ(omega.Height(), 10);
    for (char32_t c : {U'A', U'?', char32_t{0x416}}) {
        EXPECT_NE(font.GlyphRect(c), omega) << static_cast<int>(c);
    }
    TGLockedRect locked = font.Texture()->Lock(nullptr, false);
    uint16_t ink = 0;
    std::memcpy(&ink, locked.Bits + (omega.Top + 1) * locked.Pitch + (omega.Left + 4) * 2, 2);
    font.Texture()->Unlock();
    EXPECT_EQ(ink, 0xFFFF);
    EXPECT_DOUBLE_EQ(font.MeasureString(text).Width, 24);
    EXPECT_TRUE(font.HasGlyph(0x3A9));
    EXPECT_FALSE(font.HasGlyph(0x4E00));

    // Characters met before a loss come back with the texture.
    Device->ResetDevice(false);
    Rasterizer.Rendered.clear();
    EXPECT_EQ(Drawn([&] { font.DrawString(text, White, 100, 50); }).size(), 1u);
    EXPECT_TRUE(Rasterizer.Rendered.empty());
}

TEST_F(Fonts, SysFontTextureGrowsWhenNewCharactersFillIt) {
    // Boxes of 7 x 11 texels with the gaps: some 800 fit in a 256 texture.
    auto run = [](char32_t first, int count) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            AppendUtf8(text, first + static_cast<char32_t>(i));
        }
        return text;
    };
    const std::string greek = run(0x400, 500);
    const std::string cyrillic = run(0x1000, 500);
    struct Case {
        int MaxTexture;
        int Texture;
    };
    // Where the texture cannot grow, the characters of the last text stay and the others go.
    const Case cases[] = {{4096, 512}, {256, 256}};
    for (const Case& c : cases) {
        Start(1.0, c.MaxTexture);
        TGSysFont& font = Sys(R"(Face="Verdana" Size="12")");
        font.DrawString(greek, White, 0, 0);
        font.DrawString(cyrillic, White, 0, 0);
        EXPECT_EQ(font.Texture()->Width(), c.Texture) << c.MaxTexture;
        std::vector<TDraw> draws = Drawn([&] { font.DrawString(cyrillic + "A", White, 0, 0); });
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0].Vertices.size(), 501u * 6 - 2) << c.MaxTexture;
        // No two glyphs share a texel.
        std::vector<TGRect> boxes;
        for (char32_t code : DecodeUtf8(cyrillic + "AW")) {
            boxes.push_back(font.GlyphRect(code));
        }
        for (size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_LE(boxes[i].Right, c.Texture);
            EXPECT_LE(boxes[i].Bottom, c.Texture);
            for (size_t k = i + 1; k < boxes.size(); ++k) {
                bool apart = boxes[i].Right <= boxes[k].Left || boxes[k].Right <= boxes[i].Left ||
                             boxes[i].Bottom <= boxes[k].Top || boxes[k].Bottom <= boxes[i].Top;
                ASSERT_TRUE(apart) << i << " " << k;
            }
        }
        // One text with more characters than the largest texture holds still measures right.
        EXPECT_DOUBLE_EQ(font.MeasureString(run(0x2000, 4000)).Width, 24000) << c.MaxTexture;
    }
}

TEST_F(Fonts, SysFontTextureComesBackAfterTheDisplayIsLost) {
    TGSysFont& font = Sys(R"(Face="Verdana" Size="12")");
    PGTexture before = font.Texture();
    size_t renders = Rasterizer.Requests.size();
    Device->ResetDevice(false);
    ASSERT_TRUE(font.Texture());
    EXPECT_NE(font.Texture(), before);
    EXPECT_EQ(Rasterizer.Requests.size(), renders + 1);

    // A new viewport scale is a loss too, and the letters follow it.
    Device->SetMode(800, 600, 2.0);
    EXPECT_EQ(Rasterizer.Requests.back().PixelHeight, 32);
    EXPECT_DOUBLE_EQ(font.MaxCharWidth(), 5);

    // A freed font is no longer rebuilt.
    Manager->SetResourceSet("");
    renders = Rasterizer.Requests.size();
    Device->ResetDevice(false);
    EXPECT_EQ(Rasterizer.Requests.size(), renders);
}

} // namespace
} // namespace qm
