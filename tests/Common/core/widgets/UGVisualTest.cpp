#include "UGVisual.h"
#include "TestHelpers.h"
#include "UGFont.h"
#include "UGNullRenderBackend.h"
#include "WidgetTestApp.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// A label whose letters are all 10 units wide, so line breaks can be worked out by hand.
class TFixedLabel : public TGVisLabel {
public:
    using TGVisLabel::TGVisLabel;

protected:
    double TextWidth(const std::string& text) override {
        return 10.0 * static_cast<double>(DecodeUtf8(text).size());
    }
};

class VisualTest : public ::testing::Test {
protected:
    TGVisualContextRec Context() {
        TGVisualContextRec context;
        context.Timer = Test.App().InterfaceClock.get();
        context.ResManager = Test.App().ResManager.get();
        context.Device = Test.App().Device.get();
        context.Dictionary = Test.App().Dictionary.get();
        return context;
    }
    std::unique_ptr<TFixedLabel> Label(bool wrap) {
        auto label = std::make_unique<TFixedLabel>(
            Context(), *test::WidgetTestApp::Parse("<Visual Type=\"Label\"/>", "v.xml"));
        label->SetWordWrap(wrap);
        return label;
    }

    test::WidgetTestApp Test;
};

using Lines = std::vector<std::string>;

TEST_F(VisualTest, LineBreaks) {
    struct Case {
        bool Wrap;
        const char* Caption;
        double Width;
        Lines Expected;
    };
    const Case cases[] = {
        {false, "one two", 30, {"one two"}},
        {false, "a\r\nb\nc", 100, {"a", "", "b", "c"}},
        {true, "aa bb cc", 60, {"aa bb ", "cc"}}, // two words with their space fit, not three
        {true, "aa bb cc", 200, {"aa bb cc"}},
        {true, "ab\ncd ef", 30, {"ab", "cd ", "ef"}},
        // A word wider than the box starts where it stands and breaks at the width.
        {true, "abcdefgh", 30, {"abc", "def", "gh"}},
        {true, "xy abcdefgh z", 40, {"xy a", "bcde", "fgh ", "z"}},
        {true, "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F", 20, {"\xC3\xA4\xC3\xB6", "\xC3\xBC\xC3\x9F"}},
    };
    for (const Case& c : cases) {
        auto label = Label(c.Wrap);
        EXPECT_EQ(label->BreakLines(c.Caption, c.Width), c.Expected) << c.Caption << " in " << c.Width;
    }
}

TEST(VisLabelTest, ButtonCaptionsShrinkToFitButNeverVanish) {
    struct Case {
        double Line, Box, Scale;
    };
    for (const Case& c : {Case{100, 60, 0.42}, Case{42, 60, 1.0}, Case{50, 60, 0.84}, Case{0, 10, 1.0},
                          Case{100, 18, TGVisLabel::MinFitScale}, Case{100, 5, TGVisLabel::MinFitScale},
                          Case{1000, 19, TGVisLabel::MinFitScale}}) {
        EXPECT_DOUBLE_EQ(TGVisLabel::FitScale(c.Line, c.Box), c.Scale) << c.Line << " in " << c.Box;
    }
}

TEST_F(VisualTest, CaptionsComeFromTheDictionary) {
    auto label = Label(false);
    label->SetCaption("@UTest1");
    EXPECT_EQ(label->Caption(), "English");
    label->SetCaption("plain");
    EXPECT_EQ(label->Caption(), "plain");
}

TEST_F(VisualTest, RegistryAndDefaults) {
    auto rect = CreateVisual(
        Context(),
        *test::WidgetTestApp::Parse(
            R"(<Visual Type="Rect" Name="Frame" SeqId="stuff/Frame" Left="10" Top="10" Right="10" Bottom="10"/>)",
            "v.xml"));
    auto& frame = dynamic_cast<TGVisRect&>(*rect);
    EXPECT_EQ(frame.Name(), "Frame");
    double w = 0, h = 0;
    frame.GetMinSize(w, h);
    EXPECT_EQ(w, 30.0) << "the sprite's size when no minimum is given";
    int32_t top, left, right, bottom;
    frame.GetMargins(top, left, right, bottom);
    EXPECT_EQ(left + right + top + bottom, 40);
    auto image = CreateVisual(
        Context(),
        *test::WidgetTestApp::Parse(R"(<Visual Type="Image" MinWidth="5" MinHeight="6"/>)", "v.xml"));
    image->GetMinSize(w, h);
    EXPECT_EQ(w, 5.0);
    EXPECT_EQ(h, 6.0);
    auto labelVisual = CreateVisual(
        Context(),
        *test::WidgetTestApp::Parse(R"(<Visual Type="Label" HAlign="Right" VAlign="Bottom"/>)", "v.xml"));
    auto& label = dynamic_cast<TGVisLabel&>(*labelVisual);
    EXPECT_EQ(label.HAlign, haRight);
    EXPECT_EQ(label.VAlign, vaBottom);
    EXPECT_EQ(label.Color, 0xFFFFFFFFu);
    test::ExpectError([] { LookupVisualClass("rect"); }, "TGVisual.LookupClass: Unknown class \"rect\"");
}

TEST(VisRectTest, TilesTheCentreAndEdgesToTheExactSize) {
    TGNullRenderBackend backend;
    test::WidgetTestApp test(&backend);
    TGVisualContextRec context;
    context.ResManager = test.App().ResManager.get();
    context.Device = test.App().Device.get();
    auto rect = CreateVisual(context, *test::WidgetTestApp::Parse(R"(<Visual Type="Rect" SeqId="stuff/Frame"
        Left="10" Top="10" Right="10" Bottom="10"/>)",
                                                                  "v.xml"));
    struct Case {
        double W, H;
        int Pieces;
    };
    // 4 corners, then centre tiles, top and bottom edge tiles per column, side tiles per row:
    // 100 x 30 has 8 columns of 10 and one row; 95 x 45 has 8 columns (the last 5 wide) and
    // 3 rows (the last 5 high).
    for (const Case& c : {Case{100, 30, 4 + 8 + 16 + 2}, Case{95, 45, 4 + 24 + 16 + 6}, Case{20, 20, 4}}) {
        TGGraphicsDevice& device = *test.App().Device;
        ASSERT_TRUE(device.BeginFrame());
        device.InvalidateFrame();
        rect->Draw(0, 0, c.W, c.H);
        device.EndFrame();
        device.PresentFrame();
        // One batch: the first quad is 2 triangles, each further one 2 more and 4 joining it.
        EXPECT_EQ(backend.Triangles, 6 * c.Pieces - 4) << c.W << "x" << c.H;
        backend.Triangles = 0;
    }
}

TEST_F(VisualTest, FrameWithoutCentreIsRefusedInsteadOfLooping) {
    auto rect = CreateVisual(
        Context(), *test::WidgetTestApp::Parse(
                       R"(<Visual Type="Rect" SeqId="stuff/Frame" Left="15" Right="15"/>)", "v.xml"));
    test::ExpectErrorContaining([&] { rect->Draw(0, 0, 100, 40); },
                                "TGVisRect.Draw: Sprite \"stuff/Frame\" has no centre");
    rect->Draw(0, 0, 30, 30); // no larger than its borders: nothing to tile
}

TEST_F(VisualTest, ImagesOfOneStyleKeepTheirOwnTime) {
    auto visual = CreateVisual(
        Context(),
        *test::WidgetTestApp::Parse(R"(<Visual Type="Image" SeqId="stuff/Frame" FPS="10"/>)", "v.xml"));
    auto& image = dynamic_cast<TGVisImage&>(*visual);
    Test.SetInterfaceStep(0.03);
    double first = 0.0, second = 0.5;
    for (int i = 0; i < 4; ++i) {
        image.SetAnimationTime(first);
        image.Draw(0, 0, 30, 30);
        first = image.AnimationTime;
        image.SetAnimationTime(second);
        image.Draw(0, 0, 30, 30);
        second = image.AnimationTime;
    }
    EXPECT_DOUBLE_EQ(first, 0.12);
    EXPECT_DOUBLE_EQ(second, 0.62);
    EXPECT_EQ(image.FrameCount, 1);
    EXPECT_EQ(image.Frame, 0);
}

} // namespace
} // namespace qm
