#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
using test::TempDir;
namespace fs = std::filesystem;

CommandResult Autoplay(const TempDir& dir, int frames, const std::string& extra = "") {
    return test::RunCommand(
        ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --scene sublevel --autoplay" + " --frames " +
        std::to_string(frames) + " --user-dir " + ShellQuote((dir.Path() / "user").string()) + " " + extra);
}

// The "sublevel: ..." lines the scene prints when it closes, without the prefix.
std::vector<std::string> Report(const std::string& out) {
    std::vector<std::string> lines;
    const std::regex line(R"(sublevel: ([^\n]*))");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator(); ++it) {
        lines.push_back((*it)[1]);
    }
    return lines;
}

// The automatic player with the fixed step plays the same game every time: the same moves, the
// same cascades and the same new marbles. This run's end was recorded once; it wins the first
// sublevel on the way and is well into the second. When the rules of play or the player's
// choices change on purpose, re-record it: run
//   build/quillmark --headless --fixed-step --scene sublevel --autoplay --frames 16000
// and copy the "sublevel:" lines it prints (without the prefix) into Expected.
TEST(SublevelScene, AnAutoplayedRunEndsOnTheRecordedBoardAndScore) {
    const std::vector<std::string> Expected = {
        "sublevel 2 score 25843 boxes 0 wins 1 losses 0",
        "row 3341233144",
        "row 3242352321",
        "row 11#2154#35",
        "row 42#12a3#44",
        "row 3B421353B2",
        "row 2532244325",
        "row 44#5513#14",
        "row 42#4554#51",
        "row 321a344442",
        "row 2411ab1515",
    };
    TempDir dir;
    CommandResult run = Autoplay(dir, 16000);
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<std::string> report = Report(run.Out);
    EXPECT_EQ(report, Expected) << run.Out;
    const std::regex wins(R"(wins (\d+) losses (\d+))");
    std::smatch found;
    ASSERT_FALSE(report.empty());
    ASSERT_TRUE(std::regex_search(report[0], found, wins)) << report[0];
    EXPECT_EQ(std::stoi(found[1]), 1) << "the first sublevel is won";
    EXPECT_EQ(std::stoi(found[2]), 0);
}

// A second run in the same conditions repeats the first to the last marble, and what it draws
// shows the board and its bars rather than an empty screen.
TEST(SublevelScene, TwoAutoplayedRunsAgreeAndTheBoardIsDrawn) {
    TempDir dir;
    const fs::path shot = dir.Path() / "sublevel.png";
    CommandResult first = Autoplay(dir, 1500, "--screenshot 1500:" + ShellQuote(shot.string()));
    ASSERT_EQ(first.Status, 0) << first.Err;
    CommandResult second = Autoplay(dir, 1500);
    ASSERT_EQ(second.Status, 0) << second.Err;
    const std::vector<std::string> report = Report(first.Out);
    ASSERT_EQ(report.size(), 11u) << first.Out;
    EXPECT_EQ(report, Report(second.Out));
    const std::regex score(R"(score (\d+))");
    std::smatch found;
    ASSERT_TRUE(std::regex_search(report[0], found, score));
    EXPECT_GT(std::stoi(found[1]), 0) << "the player's moves broke lines";

    const test::Picture picture = test::ReadPng(shot);
    ASSERT_EQ(picture.Width, 800u);
    EXPECT_EQ(picture.Rgb(100, 300), 0x1B2638u) << "the background beside the board";
    EXPECT_EQ(picture.Rgb(150, 597), 0x3A3222u) << "the ground the bricks land on";
}

} // namespace
} // namespace qm
