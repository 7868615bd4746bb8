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

// The automatic player wins the first sublevel within this many frames of the fixed step.
constexpr int FramesToFirstWin = 9000;

TEST_F(CampaignRun, AFirstStartMakesAPlayerAndAWonSublevelIsThereOnTheNextStart) {
    CommandResult first = Game(FramesToFirstWin, "--autoplay");
    ASSERT_EQ(first.Status, 0) << first.Err;
    const std::string before = Dump();
    EXPECT_NE(before.find("player 1: \"Builder\""), std::string::npos) << before;
    const std::string progress = Campaign(before);
    EXPECT_NE(progress, "1.1") << "a sublevel was won: " << before;
    EXPECT_NE(progress, "none") << before;

    CommandResult second = Game(3);
    ASSERT_EQ(second.Status, 0) << second.Err;
    const std::string after = Dump();
    EXPECT_EQ(Campaign(after), progress) << after;
    EXPECT_EQ(after.find("player 2:"), std::string::npos) << "no second player: " << after;
}

} // namespace
} // namespace qm
