#include "TestHelpers.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
using test::TempDir;
namespace fs = std::filesystem;

// The game and the data tool on one private user folder.
class SaveFileRun : public ::testing::Test {
protected:
    CommandResult Game() {
        return test::RunCommand(ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --data " +
                                ShellQuote(QM_BINARY_DIR "/data") + " --user-dir " +
                                ShellQuote(User().string()) + " --scene blank --frames 3");
    }
    CommandResult Tool(const std::string& verb, const fs::path& file) {
        return test::RunCommand(ShellQuote(QM_DATA_TOOL_BINARY) + " " + verb + " --data " +
                                ShellQuote(QM_BINARY_DIR "/data") + " " + ShellQuote(file.string()));
    }
    fs::path User() const { return dir.Path() / "user"; }
    // The save file, wherever under the user folder the data key puts it; empty when none.
    fs::path FindSave(const std::string& name) const {
        for (const auto& entry : fs::recursive_directory_iterator(User())) {
            if (entry.path().filename() == name) {
                return entry.path();
            }
        }
        return {};
    }

    TempDir dir;
};

TEST_F(SaveFileRun, TheGameSavesOnExitAndSetsADamagedSaveAsideOnce) {
    CommandResult first = Game();
    ASSERT_EQ(first.Status, 0) << first.Err;
    const fs::path save = FindSave("Data");
    ASSERT_FALSE(save.empty()) << "saved on exit";
    CommandResult check = Tool("save-check", save);
    EXPECT_EQ(check.Status, 0) << check.Err;
    CommandResult dump = Tool("save-dump", save);
    ASSERT_EQ(dump.Status, 0) << dump.Err;
    // A first start has no players and the default table of the data folder.
    EXPECT_EQ(dump.Out.find("player 1"), std::string::npos) << dump.Out;
    EXPECT_NE(dump.Out.find("high scores:\n   1. \""), std::string::npos) << dump.Out;
    EXPECT_NE(dump.Out.find("options: mute no, sound volume 60, music volume 40"), std::string::npos)
        << dump.Out;

    test::EditFile(save, "2", "Z");
    CommandResult damaged = Tool("save-check", save);
    EXPECT_EQ(damaged.Status, 1);
    EXPECT_NE(damaged.Err.find("HexToStr: character 90"), std::string::npos) << damaged.Err;

    CommandResult second = Game();
    ASSERT_EQ(second.Status, 0) << second.Err;
    EXPECT_NE(second.Err.find("The save file could not be read (HexToStr"), std::string::npos) << second.Err;
    EXPECT_FALSE(FindSave("Data.bad").empty());
    CommandResult third = Game();
    ASSERT_EQ(third.Status, 0) << third.Err;
    EXPECT_EQ(third.Err.find("could not be read"), std::string::npos) << "told once: " << third.Err;
    EXPECT_EQ(Tool("save-check", FindSave("Data")).Status, 0);
}

} // namespace
} // namespace qm
