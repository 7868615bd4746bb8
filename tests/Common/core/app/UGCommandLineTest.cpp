#include "UGCommandLine.h"
#include "UGError.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(CommandLine, ReadsEveryOption) {
    TGCommandLine options =
        ParseCommandLine({"--data",     "d",          "--user-dir",   "u",        "--cache-dir",
                          "c",          "--headless", "--fixed-step", "--frames", "30",
                          "--input",    "in.txt",     "--screenshot", "5:a.png",  "--screenshot",
                          "30:b.png",   "--windowed", " -MCE ",       "--stats",  "--no-vsync",
                          "--autoplay", "--developer"});
    EXPECT_EQ(options.DataFolder, "d");
    EXPECT_EQ(*options.UserFolder, "u");
    EXPECT_EQ(*options.CacheFolder, "c");
    EXPECT_TRUE(options.Headless);
    EXPECT_TRUE(options.FixedStep);
    EXPECT_EQ(options.Frames, 30u);
    EXPECT_EQ(*options.InputFile, "in.txt");
    ASSERT_EQ(options.Screenshots.size(), 2u);
    EXPECT_EQ(options.Screenshots[1].Frame, 30u);
    EXPECT_EQ(options.Screenshots[1].File, "b.png");
    EXPECT_EQ(options.FullScreen, false);
    EXPECT_TRUE(options.MediaCenter);
    EXPECT_TRUE(options.Statistics);
    EXPECT_TRUE(options.NoVSync);
    EXPECT_TRUE(options.Autoplay);
    EXPECT_TRUE(options.Developer);
    TGCommandLine defaults = ParseCommandLine({});
    EXPECT_FALSE(defaults.Statistics);
    EXPECT_FALSE(defaults.NoVSync);
    EXPECT_FALSE(defaults.Autoplay);
    EXPECT_FALSE(defaults.Developer);
}

TEST(CommandLine, ReadsWhichFramesAHeadlessRunDraws) {
    TGCommandLine options = ParseCommandLine({"--headless", "--draw-all", "--draw-every", "7"});
    EXPECT_TRUE(options.DrawAll);
    EXPECT_EQ(options.DrawEvery, 7u);
    TGCommandLine defaults = ParseCommandLine({"--headless"});
    EXPECT_FALSE(defaults.DrawAll);
    EXPECT_EQ(defaults.DrawEvery, 0u);
}

TEST(CommandLine, RejectsBadOptionsWithAMessage) {
    std::vector<std::vector<std::string>> bad = {{"--frames"},
                                                 {"--frames", "0"},
                                                 {"--frames", "ten"},
                                                 {"--screenshot", "5"},
                                                 {"--screenshot", "x:a.png"},
                                                 {"--screenshot", "5:"},
                                                 {"--draw-every", "0"},
                                                 {"--bogus"}};
    for (const auto& args : bad) {
        EXPECT_THROW(ParseCommandLine(args), EGError) << args[0];
    }
}

} // namespace
} // namespace qm
