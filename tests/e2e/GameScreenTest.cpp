#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
using test::TempDir;

CommandResult RunGameScreen(const TempDir& dir, int frames, const std::string& extra) {
    return test::RunCommand(ShellQuote(QM_GAME_BINARY) +
                            " --headless --fixed-step --scene GameScreen --frames " + std::to_string(frames) +
                            " --user-dir " + ShellQuote((dir.Path() / "user").string()) + " " + extra);
}

int ReportedScore(const std::string& out) {
    std::smatch found;
    const std::regex score(R"(sublevel: sublevel \d+ score (\d+))");
    return std::regex_search(out, found, score) ? std::stoi(found[1]) : -1;
}

// The automatic player clicks through the widget manager, as the mouse does: the screen must
// hand those clicks on to play.
TEST(GameScreen, TheAutomaticPlayerScoresThroughTheScreensInput) {
    TempDir dir;
    CommandResult run = RunGameScreen(dir, 1200, "--autoplay");
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_GT(ReportedScore(run.Out), 0) << run.Out;
}

// Escape pauses: the board stops, so the same moves score nothing while the pause lasts.
TEST(GameScreen, WhilePausedNoMoveIsPlayed) {
    TempDir dir;
    const std::string script = (dir.Path() / "pause.txt").string();
    dir.Write("pause.txt", "200 key Escape\n");
    CommandResult run = RunGameScreen(dir, 1200, "--autoplay --input " + ShellQuote(script));
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReportedScore(run.Out), 0) << run.Out;
}

} // namespace
} // namespace qm
