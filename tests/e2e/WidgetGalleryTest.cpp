#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>

namespace qm {
namespace {

using test::CommandResult;
using test::Picture;
using test::ShellQuote;
using test::TempDir;
namespace fs = std::filesystem;

int Brightness(uint32_t rgb) {
    return static_cast<int>(((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF));
}
bool IsTeal(uint32_t rgb) {
    return ((rgb >> 8) & 0xFF) > ((rgb >> 16) & 0xFF) + 40;
}
bool IsParchment(uint32_t rgb) {
    const uint32_t r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    return r > 0xC0 && r >= g && g >= b;
}
constexpr uint32_t NightSky = 0x1B2638;

// Ink on a light field: the pixels of a rectangle darker than the text colour's bound.
int DarkPixels(const Picture& shot, unsigned x0, unsigned y0, unsigned x1, unsigned y1) {
    int count = 0;
    for (unsigned y = y0; y < y1; ++y) {
        for (unsigned x = x0; x < x1; ++x) {
            count += Brightness(shot.Rgb(x, y)) < 300;
        }
    }
    return count;
}

bool SameRegion(const Picture& a, const Picture& b, unsigned x0, unsigned y0, unsigned x1, unsigned y1) {
    for (unsigned y = y0; y < y1; ++y) {
        for (unsigned x = x0; x < x1; ++x) {
            if (a.Rgb(x, y) != b.Rgb(x, y)) {
                return false;
            }
        }
    }
    return true;
}

// One scripted session on the gallery (data/config/core/widgets/Gallery.xml gives the places),
// photographed at the frames named by the shots.
class WidgetGallery : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path script = Dir.Path() / "session.txt";
        std::ofstream(script) << R"(# hover, press and click the plain button
4 move 145 100
7 down left
10 up left
# check "Disable one" (the button above goes) and "Unchecked"
12 move 314 164
13 down left
14 up left
15 move 314 94
16 down left
17 up left
# drag the scroll bar's slider past the end of its track
20 move 312 230
21 down left
22 move 312 260
24 move 312 290
26 up left
# type into the name box after its text, then letters and digits into the digits box
28 move 700 112
29 down left
30 up left
31 char Bob
32 move 600 172
33 down left
34 up left
35 char a1b2
# scroll the notes two lines with the wheel
36 move 600 260
37 wheel down
38 wheel down
40 move 10 590
# the modal dialog, dissolving in; a click on the button behind it; closed again
45 move 594 430
46 down left
47 up left
96 move 145 100
97 down left
98 up left
102 move 400 350
103 down left
104 up left
# the dialog with effects written in XML: it drops in, then falls away
150 move 706 522
151 down left
152 up left
212 move 400 350
213 down left
214 up left
# the dialog zooming in from three times its size
270 move 706 476
271 down left
272 up left
)";
        const std::map<std::string, int> frames = {{"idle", 3},      {"hover", 6},       {"pressed", 9},
                                                   {"after", 42},    {"dissolving", 57}, {"shown", 95},
                                                   {"modal", 100},   {"closed", 149},    {"dropping", 175},
                                                   {"dropped", 210}, {"zooming", 292}};
        std::string shots;
        for (const auto& [name, frame] : frames) {
            shots += " --screenshot " + std::to_string(frame) + ":" +
                     ShellQuote((Dir.Path() / (name + ".png")).string());
        }
        const CommandResult result = test::RunCommand(
            ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --scene widgets --frames 295" +
            " --user-dir " + ShellQuote((Dir.Path() / "user").string()) + " --input " +
            ShellQuote(script.string()) + shots);
        ASSERT_EQ(result.Status, 0) << result.Err;
        for (const auto& [name, frame] : frames) {
            Shots[name] = test::ReadPng(Dir.Path() / (name + ".png"));
        }
    }
    const Picture& Shot(const std::string& name) { return Shots.at(name); }

    TempDir Dir;
    std::map<std::string, Picture> Shots;
};

// One run: the session takes a while, so every widget is looked at in the same photographs.
TEST_F(WidgetGallery, EachWidgetReactsToTheScriptedSession) {
    {
        SCOPED_TRACE("button lights under the pointer sinks when pressed and counts the click");
        const uint32_t idle = Shot("idle").Rgb(100, 90);
        EXPECT_TRUE(IsTeal(idle)) << std::hex << idle;
        EXPECT_GT(Brightness(Shot("hover").Rgb(100, 90)), Brightness(idle) + 30);
        EXPECT_LT(Brightness(Shot("pressed").Rgb(100, 90)), Brightness(idle) - 60);
        EXPECT_EQ(Shot("after").Rgb(100, 90), idle) << "back to normal once the pointer left";
        EXPECT_FALSE(SameRegion(Shot("idle"), Shot("after"), 142, 294, 236, 318))
            << "the click count changed";
    }
    {
        SCOPED_TRACE("check boxes toggle and one takes a button away");
        EXPECT_GT(Brightness(Shot("idle").Rgb(314, 98)), Brightness(Shot("after").Rgb(314, 98)) + 100)
            << "a check mark in the first box";
        EXPECT_TRUE(IsTeal(Shot("idle").Rgb(145, 190)));
        EXPECT_TRUE(IsParchment(Shot("after").Rgb(145, 190)))
            << "the disabled button without a disabled look is gone";
    }
    {
        SCOPED_TRACE("slider dragged past the end stops there");
        auto isThumb = [](uint32_t rgb) { return ((rgb >> 8) & 0xFF) > 0x50; };
        EXPECT_TRUE(isThumb(Shot("idle").Rgb(312, 240)));
        EXPECT_FALSE(isThumb(Shot("idle").Rgb(312, 300)));
        EXPECT_FALSE(isThumb(Shot("after").Rgb(312, 240)));
        EXPECT_TRUE(isThumb(Shot("after").Rgb(312, 300)));
        EXPECT_TRUE(isThumb(Shot("after").Rgb(312, 306))) << "at the end of the track, above the down arrow";
        EXPECT_FALSE(SameRegion(Shot("idle"), Shot("after"), 332, 194, 440, 214))
            << "the value label changed";
    }
    {
        SCOPED_TRACE("typing goes to the clicked box which keeps only its symbols");
        EXPECT_EQ(DarkPixels(Shot("idle"), 584, 102, 640, 120), 0);
        EXPECT_GT(DarkPixels(Shot("after"), 584, 102, 640, 120), 20) << "\"Bob\" after \"Ada\"";
        EXPECT_EQ(DarkPixels(Shot("idle"), 548, 162, 640, 180), 0);
        EXPECT_GT(DarkPixels(Shot("after"), 548, 162, 576, 180), 20) << "\"12\"";
        EXPECT_EQ(DarkPixels(Shot("after"), 580, 162, 640, 180), 0) << "no letters after the digits";
    }
    {
        SCOPED_TRACE("notes scroll with the wheel");
        EXPECT_FALSE(SameRegion(Shot("idle"), Shot("after"), 548, 208, 720, 228));
    }
    {
        SCOPED_TRACE("software cursor follows the pointer");
        EXPECT_EQ(Shot("idle").Rgb(12, 594), NightSky);
        EXPECT_NE(Shot("after").Rgb(12, 594), NightSky);
    }
    {
        SCOPED_TRACE("modal dialog dissolves in keeps the mouse and dissolves out");
        const uint32_t sky = Shot("after").Rgb(276, 300);
        EXPECT_EQ(sky, NightSky);
        const uint32_t frame = Shot("shown").Rgb(276, 300);
        EXPECT_GT(Brightness(frame), Brightness(sky) + 200) << "the dialog's frame";
        const uint32_t between = Shot("dissolving").Rgb(276, 300);
        EXPECT_GT(Brightness(between), Brightness(sky) + 20);
        EXPECT_LT(Brightness(between), Brightness(frame) - 20);
        EXPECT_TRUE(SameRegion(Shot("after"), Shot("modal"), 142, 294, 236, 318))
            << "the click behind it was not counted";
        EXPECT_EQ(Shot("modal").Rgb(100, 90), Shot("after").Rgb(100, 90)) << "no hover behind a modal dialog";
        EXPECT_EQ(Shot("closed").Rgb(276, 300), sky);
    }
    {
        SCOPED_TRACE("xml effect drops the dialog in and zoom starts large");
        EXPECT_EQ(Shot("closed").Rgb(276, 150), NightSky);
        EXPECT_NE(Shot("dropping").Rgb(276, 150), NightSky) << "on its way down, above its place";
        EXPECT_EQ(Shot("dropped").Rgb(276, 150), NightSky);
        EXPECT_GT(Brightness(Shot("dropped").Rgb(276, 300)), Brightness(NightSky) + 200);
        EXPECT_NE(Shot("zooming").Rgb(130, 110), Shot("after").Rgb(130, 110))
            << "three times as large, centred";
    }
}

} // namespace
} // namespace qm
