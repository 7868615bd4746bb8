#include "TestHelpers.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
using test::TempDir;
namespace fs = std::filesystem;

class RenderScene : public ::testing::Test {
protected:
    CommandResult Run(const fs::path& data, const fs::path& shot) {
        return test::RunCommand(
            ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --scene render-test --frames 5" +
            " --data " + ShellQuote(data.string()) + " --user-dir " +
            ShellQuote((dir.Path() / "user").string()) + " --screenshot 5:" + ShellQuote(shot.string()));
    }
    TempDir dir;
};

TEST_F(RenderScene, DrawsTheTestSceneAndASecondStartLoadsThePoolFromItsBundle) {
    fs::path data = dir.Path() / "data";
    fs::copy(QM_BINARY_DIR "/data", data, fs::copy_options::recursive);
    // Without the check of the art folders, taking them away below does not start a rebuild.
    test::EditFile(data / "CoreConfig.xml", "IsCheckGFXCacheChange=\"1\"", "IsCheckGFXCacheChange=\"0\"");
    CommandResult first = Run(data, dir.Path() / "first.png");
    ASSERT_EQ(first.Status, 0) << first.Err;
    EXPECT_TRUE(fs::exists(dir.Path() / "user" / "cache32" / "_RenderTestPool.bun"));

    const test::Picture shot = test::ReadPng(dir.Path() / "first.png");
    ASSERT_EQ(shot.Width, 800u);
    ASSERT_EQ(shot.Height, 600u);
    auto at = [&](unsigned x, unsigned y) { return shot.Rgb(x, y); };
    EXPECT_EQ(at(45, 145), 0x8090A0u) << "a filled rectangle";
    EXPECT_EQ(at(10, 590), 0x1B2638u) << "the background";
    // The keyed triangle: green inside, and the magenta around it never reaches the screen.
    uint32_t inside = at(601, 345);
    EXPECT_GT((inside >> 8) & 0xFF, (inside >> 16) & 0xFF) << std::hex << inside;
    EXPECT_EQ(at(573, 301), 0x1B2638u);
    // The Add panel is brighter than the Default panel where the ball covers the grey half.
    EXPECT_GT(at(397, 160) & 0xFF, at(249, 160) & 0xFF);

    // Without the picture folders the pool can only come from its bundle.
    fs::remove_all(data / "gfx");
    CommandResult second = Run(data, dir.Path() / "second.png");
    ASSERT_EQ(second.Status, 0) << second.Err;
    EXPECT_EQ(test::ReadFile(dir.Path() / "first.png"), test::ReadFile(dir.Path() / "second.png"));
}

TEST_F(RenderScene, AnUnknownSceneStopsWithItsName) {
    CommandResult result =
        test::RunCommand(ShellQuote(QM_GAME_BINARY) + " --headless --frames 2 --scene nowhere" +
                         " --user-dir " + ShellQuote((dir.Path() / "user").string()));
    EXPECT_EQ(result.Status, 1);
    EXPECT_NE(result.Err.find("unknown scene \"nowhere\""), std::string::npos) << result.Err;
}

} // namespace
} // namespace qm
