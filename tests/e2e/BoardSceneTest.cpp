#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
using test::TempDir;
namespace fs = std::filesystem;

struct TMoveLine {
    int Sublevel = 0;
    int Score = 0;
    int Boxes = 0;
};

std::vector<TMoveLine> MoveLines(const std::string& out) {
    std::vector<TMoveLine> lines;
    const std::regex line(R"(board: sublevel (\d+) score (\d+) boxes (\d+))");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator(); ++it) {
        lines.push_back({std::stoi((*it)[1]), std::stoi((*it)[2]), std::stoi((*it)[3])});
    }
    return lines;
}

// A scripted player presses H, which plays the first possible move, every 50 frames once the
// first fill has dropped in (keys while the board moves are ignored); the board swaps, breaks
// the lines, lets the columns fall and refills, and each settled move reports the score.
TEST(BoardScene, ScriptedMovesScoreAndTheBoardIsDrawn) {
    TempDir dir;
    std::string script;
    for (int frame = 250; frame < 1500; frame += 50) {
        script += std::to_string(frame) + " key H\n";
    }
    const fs::path input = dir.Write("input.txt", script);
    const fs::path shot = dir.Path() / "board.png";
    CommandResult run = test::RunCommand(
        ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --scene board --frames 1500 --user-dir " +
        ShellQuote((dir.Path() / "user").string()) + " --input " + ShellQuote(input.string()) +
        " --screenshot 1500:" + ShellQuote(shot.string()));
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<TMoveLine> moves = MoveLines(run.Out);
    ASSERT_GE(moves.size(), 3u) << run.Out;
    EXPECT_GT(moves.front().Score, 0);
    for (size_t i = 1; i < moves.size(); ++i) {
        EXPECT_GT(moves[i].Score, moves[i - 1].Score) << "every move breaks at least one line";
    }

    const test::Picture picture = test::ReadPng(shot);
    ASSERT_EQ(picture.Width, 800u);
    EXPECT_EQ(picture.Rgb(100, 500), 0x1B2638u) << "the background beside the board";
    // The middle of the gap between two marbles shows the slate tile, not the background.
    const uint32_t tile = picture.Rgb(296 + 48 * 5 + 3, 60 + 48 * 5 + 3);
    EXPECT_NE(tile, 0x1B2638u);
    // The gauges left of the board: the time bar's tube, the brick bar, the shuffle gauge and the
    // bonus button's base.
    for (const auto& [x, y] :
         {std::pair{261u, 300u}, std::pair{63u, 150u}, std::pair{60u, 254u}, std::pair{43u, 557u}}) {
        EXPECT_NE(picture.Rgb(x, y), 0x1B2638u) << x << "," << y;
    }
}

} // namespace
} // namespace qm
