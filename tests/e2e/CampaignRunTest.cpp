#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
using test::TempDir;
namespace fs = std::filesystem;

// The game as a player starts it (no scene), played by the automatic player on a private user
// folder, and the data tool reading what it saved.
class CampaignRun : public ::testing::Test {
protected:
    CommandResult Game(int frames, const std::string& extra = "") {
        return test::RunCommand(ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --data " +
                                ShellQuote(QM_BINARY_DIR "/data") + " --user-dir " +
                                ShellQuote(User().string()) + " --cache-dir " +
                                ShellQuote((dir.Path() / "cache").string()) + " --frames " +
                                std::to_string(frames) + " " + extra);
    }
    // The save's text as the data tool describes it.
    std::string Dump() {
        fs::path save;
        for (const auto& entry : fs::recursive_directory_iterator(User())) {
            if (entry.path().filename() == "Data") {
                save = entry.path();
            }
        }
        EXPECT_FALSE(save.empty()) << "a save file";
        CommandResult dump =
            test::RunCommand(ShellQuote(QM_DATA_TOOL_BINARY) + " save-dump --data " +
                             ShellQuote(QM_BINARY_DIR "/data") + " " + ShellQuote(save.string()));
        EXPECT_EQ(dump.Status, 0) << dump.Err;
        return dump.Out;
    }
    // The campaign's level and sublevel of the first player, "L.S".
    static std::string Campaign(const std::string& dump) {
        std::smatch match;
        const std::regex line(R"(  campaign: level (\d+\.\d+),)");
        return std::regex_search(dump, match, line) ? match[1].str() : "none";
    }
    fs::path User() const { return dir.Path() / "user"; }

    TempDir dir;
};

// A first start makes a player and opens the game screen on the campaign's first sublevel; the
// automatic player plays it; the next start finds the player and the level entered in the save.
TEST_F(CampaignRun, AFirstStartMakesAPlayerWhoseGameIsThereOnTheNextStart) {
    CommandResult first = Game(900, "--autoplay");
    ASSERT_EQ(first.Status, 0) << first.Err;
    const std::string before = Dump();
    EXPECT_NE(before.find("player 1: \"Builder\""), std::string::npos) << before;
    EXPECT_EQ(Campaign(before), "1.1") << before;
    EXPECT_NE(before.find("level entered yes"), std::string::npos) << before;
    std::smatch score;
    ASSERT_TRUE(
        std::regex_search(before, score, std::regex(R"(campaign: level 1\.1, pass 0, score (\d+),)")));
    EXPECT_GT(std::stoi(score[1].str()), 0) << "the automatic player scored: " << before;

    CommandResult second = Game(3);
    ASSERT_EQ(second.Status, 0) << second.Err;
    const std::string after = Dump();
    EXPECT_EQ(Campaign(after), "1.1") << after;
    EXPECT_NE(after.find("player 1: \"Builder\""), std::string::npos) << after;
    EXPECT_EQ(after.find("player 2:"), std::string::npos) << "no second player: " << after;
}

// With the developer switch the key N wins the sublevel on the board. Pressed again and again, it
// takes the run through the stage-complete dialog, the construction screen and, after the level's
// last sublevel, the map into the second level; the next start finds every win in the save.
TEST_F(CampaignRun, WinsByTheDeveloperKeyWalkTheCampaignAndAreThereOnTheNextStart) {
    // Each win takes about 1 300 frames to the next board: the celebration, the construction
    // screen and the board's turn.
    constexpr int Frames = 6000;
    std::string script;
    for (int frame = 200; frame < Frames; frame += 150) {
        script += std::to_string(frame) + " key N\n";
    }
    dir.Write("wins.txt", script);
    CommandResult first =
        Game(Frames, "--autoplay --developer --input " + ShellQuote((dir.Path() / "wins.txt").string()));
    ASSERT_EQ(first.Status, 0) << first.Err;
    const std::string before = Dump();
    std::smatch reached;
    ASSERT_TRUE(std::regex_search(before, reached, std::regex(R"(campaign: level (\d+)\.(\d+), pass 0)")))
        << before;
    const int level = std::stoi(reached[1].str());
    EXPECT_GE(level, 2) << "the first level's four sublevels were won: " << before;
    // A statistics record for each of the first level's sublevels at least.
    std::smatch records;
    ASSERT_TRUE(std::regex_search(before, records, std::regex(R"((\d+) statistics record)"))) << before;
    EXPECT_GE(std::stoi(records[1].str()), 4) << before;

    CommandResult second = Game(3);
    ASSERT_EQ(second.Status, 0) << second.Err;
    const std::string after = Dump();
    EXPECT_EQ(Campaign(after), Campaign(before)) << after;
}

} // namespace
} // namespace qm
