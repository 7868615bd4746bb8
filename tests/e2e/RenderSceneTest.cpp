#include "TestHelpers.h"

#include "UGStrings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

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

// Every file and folder under `root` with its size, so that a run that wrote anything shows.
std::string TreeListing(const fs::path& root) {
    std::vector<std::string> lines;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(entry.path(), root).string();
        lines.push_back(entry.is_regular_file() ? name + " " + std::to_string(entry.file_size())
                                                : name + "/");
    }
    std::sort(lines.begin(), lines.end());
    std::string listing;
    for (const std::string& line : lines) {
        listing += line + "\n";
    }
    return listing;
}

// A copy of the built data folder as it is shipped: without the caches earlier runs left in it.
void CopyShippedData(const fs::path& to) {
    fs::copy(QM_BINARY_DIR "/data", to, fs::copy_options::recursive);
    std::vector<fs::path> caches;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(to)) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".cr" || extension == ".gfx") {
            caches.push_back(entry.path());
        }
    }
    for (const fs::path& cache : caches) {
        fs::remove(cache);
    }
}

void SetTreeMode(const fs::path& root, fs::perms folders, fs::perms files) {
    fs::permissions(root, folders);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        fs::permissions(entry.path(), entry.is_directory() ? folders : files);
    }
}

// An installed game: its data folder belongs to someone else and may not be written. The player
// (here the unprivileged user "nobody" when the test runs as root, who would write anywhere)
// still gets the scene, with every cache in the per-user folders.
TEST_F(RenderScene, StartsFromAReadOnlyDataFolderAndDrawsTheSameScene) {
    const fs::path writable = dir.Path() / "writable";
    CopyShippedData(writable);
    CommandResult first = Run(writable, dir.Path() / "writable.png");
    ASSERT_EQ(first.Status, 0) << first.Err;

    const fs::path data = dir.Path() / "installed";
    CopyShippedData(data);
    const std::string before = TreeListing(data);
    const fs::perms readOnlyFolder = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    const fs::perms readOnlyFile = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    SetTreeMode(data, readOnlyFolder, readOnlyFile);

    const fs::path home = dir.Path() / "home";
    fs::create_directories(home);
    std::string asPlayer;
    if (::geteuid() == 0) {
        constexpr unsigned Nobody = 65534;
        ASSERT_EQ(::chown(home.c_str(), Nobody, Nobody), 0);
        fs::permissions(dir.Path(), readOnlyFolder);
        asPlayer = Format("setpriv --reuid=%u --regid=%u --clear-groups ", Nobody, Nobody);
    }
    const fs::path shot = home / "installed.png";
    CommandResult second = test::RunCommand(
        "HOME=" + ShellQuote(home.string()) + " XDG_CACHE_HOME=" + ShellQuote((home / "cache").string()) +
        " XDG_DATA_HOME=" + ShellQuote((home / "share").string()) + " " + asPlayer +
        ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --scene render-test --frames 5 --data " +
        ShellQuote(data.string()) + " --user-dir " + ShellQuote((home / "user").string()) +
        " --screenshot 5:" + ShellQuote(shot.string()));
    // The folders must be writable again for the temporary folder to be removed.
    SetTreeMode(data, fs::perms::owner_all, fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(dir.Path(), fs::perms::owner_all);
    ASSERT_EQ(second.Status, 0) << second.Err;
    EXPECT_EQ(TreeListing(data), before) << "the installed data folder was written";
    EXPECT_TRUE(fs::is_regular_file(home / "cache" / "Quillmark2" / "gfx" / "test.gfx"))
        << "the caches go to the per-user cache folder";
    ASSERT_TRUE(fs::exists(shot));
    EXPECT_TRUE(test::ReadFile(shot) == test::ReadFile(dir.Path() / "writable.png"))
        << "the read-only start draws another picture";
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
