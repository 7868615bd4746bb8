#include "UGWidgetStyle.h"
#include "TestHelpers.h"
#include "WidgetTestApp.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// A U open at the top, as the fixture's "Notch" style: the notch x 10..20, y 0..20 is outside.
const char* NotchText = "0,0\n10,0\n10,20\n20,20\n20,0\n30,0\n30,30\n0,30";

TEST(PolygonRegionTest, ReadsEveryVertexIncludingOneWithoutLineFeed) {
    struct Case {
        const char* Text;
        size_t Count;
    };
    for (const Case& c : {Case{"0,0\n10,0\n0,10", 3}, Case{"  0,0\r\n10 , 0\r\n\n0,10\n\n", 3},
                          Case{"\n 5,-7 \n", 1}, Case{"", 0}}) {
        TGPolygonRegion region = TGPolygonRegion::Parse(c.Text);
        EXPECT_EQ(region.Points().size(), c.Count) << c.Text;
    }
    TGPolygonRegion region = TGPolygonRegion::Parse("  0,0\r\n10 , 0\r\n\n0,10");
    EXPECT_EQ(region.Points().back().X, 0);
    EXPECT_EQ(region.Points().back().Y, 10);
    EXPECT_EQ(TGPolygonRegion::Parse("\n 5,-7 \n").Points()[0].Y, -7);
}

TEST(PolygonRegionTest, BadLinesAreNamed) {
    test::ExpectError([] { TGPolygonRegion::Parse("0,0\n10;0\n0,10"); },
                      "TGWidgetStyle.ReadRegion: Invalid region point \"10;0\" on line 2");
    test::ExpectError([] { TGPolygonRegion::Parse("0,0\n1,x"); },
                      "TGWidgetStyle.ReadRegion: Invalid region point \"1,x\" on line 2");
}

TEST(PolygonRegionTest, ConcavePolygonByPixelCentres) {
    TGPolygonRegion notch = TGPolygonRegion::Parse(NotchText);
    struct Case {
        int X, Y;
        bool Inside;
    };
    const Case cases[] = {
        {0, 0, true},    {5, 5, true},    {15, 5, false},                  // in the notch
        {15, 19, false}, {15, 20, true},  {15, 25, true},                  // the notch's floor is y = 20
        {9, 10, true},   {10, 10, false}, {19, 10, false}, {20, 10, true}, // the notch's walls
        {29, 29, true},  {30, 15, false}, {15, 30, false}, {-1, 5, false},
        {2, 27, true}, // near the last vertex (0,30): lost if the last line were dropped
    };
    for (const Case& c : cases) {
        EXPECT_EQ(notch.Contains(c.X, c.Y), c.Inside) << c.X << "," << c.Y;
    }
}

TEST(PolygonRegionTest, WindingNotParity) {
    // The same square twice: the winding number is 2 inside, which still counts as inside.
    TGPolygonRegion twice = TGPolygonRegion::Parse("0,0\n10,0\n10,10\n0,10\n0,0\n10,0\n10,10\n0,10");
    EXPECT_TRUE(twice.Contains(5, 5));
    // Clockwise or anticlockwise makes no difference.
    EXPECT_TRUE(TGPolygonRegion::Parse("0,0\n0,10\n10,10\n10,0").Contains(5, 5));
    EXPECT_FALSE(TGPolygonRegion::Parse("0,0\n10,0").Contains(5, 0));
}

class StyleTest : public ::testing::Test {
protected:
    test::WidgetTestApp Test;
    TGWidgetStyleManager& Styles() { return *Test.App().WidgetStyles; }
};

TEST_F(StyleTest, StylesOfTheConfiguration) {
    TGWidgetStyle& dialog = Styles().GetDefaultWidgetStyle("Dialog");
    EXPECT_EQ(dialog.Name(), "Dialog");
    EXPECT_EQ(dialog.Sound().OnClick, "click");
    EXPECT_EQ(dialog.Sound().OnMouseLeave, "leave");
    EXPECT_TRUE(dialog.HasVisual("Background"));
    EXPECT_EQ(dynamic_cast<TGVisSolidRect&>(dialog.GetVisual("Background")).Color, 0xFF336699u);
    EXPECT_TRUE(dialog.ContainsPoint(1000, 1000)) << "no region: everything";
    TGWidgetStyle& notch = Styles().GetWidgetStyle("Notch");
    EXPECT_EQ(notch.Region().Points().size(), 8u);
    EXPECT_FALSE(notch.ContainsPoint(15, 5));
    EXPECT_EQ(&Styles().GetWidgetStyle("Panel").GetInnerStyle("Knob"), &Styles().GetWidgetStyle("Plain"));
}

TEST_F(StyleTest, LookUpErrors) {
    test::ExpectError([&] { Styles().GetWidgetStyle("None"); },
                      "TGWidgetStyleManager.GetWidgetStyle: Unknown widget style name: \"None\"");
    test::ExpectError(
        [&] { Styles().GetDefaultWidgetStyle("Slider"); },
        "TGWidgetStyleManager.GetDefaultWidgetStyle: Unknown default style for widget: \"Slider\"");
    test::ExpectError([&] { Styles().GetWidgetStyle("Dialog").GetVisual("Label"); },
                      "TGWidgetStyle.GetVisual: Unknown visual \"Label\" for style \"Dialog\"");
    test::ExpectError([&] { Styles().GetWidgetStyle("Panel").GetInnerStyle("Arrow"); },
                      "TGWidgetStyle.GetInnerStyle: Unknown inner widget name \"Arrow\" in style \"Panel\"");
}

TEST_F(StyleTest, BadStylesNameTheFileAndElement) {
    struct Case {
        const char* Xml;
        const char* Error;
    };
    const Case cases[] = {
        {R"(<Root><WidgetStyle Name="A"><Visual Type="Circle"/></WidgetStyle></Root>)",
         "TGVisual.LookupClass: Unknown class \"Circle\" (styles.xml: Root/WidgetStyle/Visual)"},
        {R"(<Root><WidgetStyle Name="A"><Visual Name="X"/></WidgetStyle></Root>)",
         "Attribute \"Type\" not found (element Root/WidgetStyle/Visual in \"styles.xml\")"},
        {R"(<Root><WidgetStyle Name="A"><Visual Type="Label" HAlign="Middle"/></WidgetStyle></Root>)",
         "TGVisLabel.HAlignFromString: Invalid HAlign: \"Middle\" (styles.xml: Root/WidgetStyle/Visual)"},
        {R"(<Root><WidgetStyle Name="A"><Visual Type="Label" VAlign="Center"/></WidgetStyle></Root>)",
         "TGVisLabel.VAlignFromString: Invalid VAlign: \"Center\" (styles.xml: Root/WidgetStyle/Visual)"},
        {R"(<Root><WidgetStyle Name="A"><InnerStyle InnerWidget="K" Style="Later"/></WidgetStyle></Root>)",
         "TGWidgetStyleManager.GetWidgetStyle: Unknown widget style name: \"Later\" (styles.xml: "
         "Root/WidgetStyle)"},
        {R"(<Root><WidgetStyle Name="A"><Region>0,0
5;5</Region></WidgetStyle></Root>)",
         "TGWidgetStyle.ReadRegion: Invalid region point \"5;5\" on line 2 (styles.xml: "
         "Root/WidgetStyle/Region)"},
        {R"(<Root><WidgetStyle DefaultWidget="Button"/></Root>)",
         "Attribute \"Name\" not found (element Root/WidgetStyle in \"styles.xml\")"},
    };
    for (const Case& c : cases) {
        std::string error =
            test::ErrorText([&] { Styles().ReadStyles(*test::WidgetTestApp::Parse(c.Xml, "styles.xml")); });
        EXPECT_NE(error.find(c.Error), std::string::npos) << "got: " << error << "\nwanted: " << c.Error;
    }
}

} // namespace
} // namespace qm
