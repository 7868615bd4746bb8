#include "UGameData.h"

#include "TestHelpers.h"
#include "UFirstTimeInitializationForm.h"
#include "UGGameForm.h"
#include "UGNullWindow.h"
#include "UGPngWriter.h"
#include "UGProgressWindow.h"

#include <gtest/gtest.h>

#include <fstream>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::EditFile;
using test::TempDir;

// Records what start-up asked of the progress window.
class TFakeProgressWindow : public IGProgressWindow {
public:
    void Show(int width, int height) override {
        ++Shows;
        Width = width;
        Height = height;
        Visible = true;
    }
    void Present(const std::vector<uint32_t>& argb) override {
        EXPECT_TRUE(Visible);
        ++Presents;
        Last = argb;
    }
    void Hide() override {
        ++Hides;
        Visible = false;
    }
    void ProcessMessages() override { ++Processed; }

    int Shows = 0, Presents = 0, Hides = 0, Processed = 0, Width = 0, Height = 0;
    bool Visible = false;
    std::vector<uint32_t> Last;
};

// The null renderer with a driver that reports its texture memory.
class TMemoryBackend : public TGNullRenderBackend {
public:
    bool QueryVideoMemory(TGMemoryKind kind, int64_t& bytes) override {
        EXPECT_EQ(kind, mkTexture) << "the texture memory is asked for";
        bytes = Megabytes * 1024 * 1024;
        return true;
    }
    int64_t Megabytes = 512;
};

void WritePicture(const fs::path& path, int size, uint32_t colour) {
    fs::create_directories(path.parent_path());
    WritePng(path, size, size, std::vector<uint32_t>(static_cast<size_t>(size) * size, colour));
}

class GameDataStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        data = test::CopyFixture("startup", dir);
        fs::create_directories(data / "gfx" / "1stTimeInit");
        fs::copy(fs::path(QM_BINARY_DIR) / "data" / "gfx" / "1stTimeInit", data / "gfx" / "1stTimeInit");
        WritePicture(data / "gfx" / "a" / "one.png", 8, 0xFFFF0000);
        WritePicture(data / "gfx" / "b" / "two.png", 8, 0xFF00FF00);
        info.ProgramFolder = data;
        info.UserFolder = dir.Path() / "user";
        info.Ticks = &ticks;
        info.Window = &window;
        info.Backend = &renderer;
        info.ProgressWindow = &progress;
    }
    // One start of the game data, watched by a fresh progress window.
    std::unique_ptr<TGameData> Start() {
        progress = TFakeProgressWindow();
        return std::make_unique<TGameData>(info, "GameConfig.xml", false);
    }
    void Configure(const std::string& from, const std::string& to) {
        EditFile(data / "CoreConfig.xml", from, to);
    }
    fs::path Cache(const std::string& name = "cache32") const { return info.UserFolder / name; }

    TempDir dir;
    fs::path data;
    TGManualTickSource ticks{0};
    TGNullWindow window;
    TMemoryBackend renderer;
    TFakeProgressWindow progress;
    TGAppStartInfo info;
};

TEST_F(GameDataStartTest, FirstStartRebuildsEverySetBehindTheProgressWindowAndStoresBothHashes) {
    Configure("FirstTimeInitStepCount=\"50\"", "FirstTimeInitStepCount=\"2\"");
    fs::create_directories(Cache());
    std::ofstream(Cache() / "_Stale.bun") << "old";
    auto game = Start();
    EXPECT_EQ(progress.Shows, 1);
    EXPECT_EQ(progress.Hides, 1);
    EXPECT_EQ(progress.Width, TFirstTimeInitializationForm::Width);
    EXPECT_EQ(progress.Height, TFirstTimeInitializationForm::Height);
    EXPECT_FALSE(progress.Visible);
    EXPECT_EQ(progress.Presents, 3) << "shown, then one redraw per image folder";
    EXPECT_GE(progress.Processed, 3);
    EXPECT_EQ(game->FirstTimeStepCount(), 2);
    EXPECT_TRUE(fs::exists(Cache() / "_PoolA.bun"));
    EXPECT_TRUE(fs::exists(Cache() / "_PoolB.bun"));
    EXPECT_FALSE(fs::exists(Cache() / "_Stale.bun"));
    EXPECT_FALSE(game->FolderChanged(data / "gfx"));
    EXPECT_FALSE(game->FolderChanged(Cache()));
    EXPECT_FALSE(game->Device->Is16BitMode());

    // Two steps of two: the last picture shows the full bar.
    const TGImage24 fill =
        CreateByExtension((data / "gfx/1stTimeInit/ProgressFill1033.gif").string(), nullptr, false)
            ->GetFrame(0);
    const uint8_t* bgr = fill.At(175, 11);
    uint32_t expected =
        0xFF000000u | static_cast<uint32_t>(bgr[2]) << 16 | static_cast<uint32_t>(bgr[1]) << 8 | bgr[0];
    ASSERT_EQ(progress.Last.size(), static_cast<size_t>(492 * 66));
    EXPECT_EQ(progress.Last[(15 + 11) * 492 + 158 + 175], expected);
}

TEST_F(GameDataStartTest, ASecondStartRebuildsNothingAndAChangedPictureRebuildsAgain) {
    Start();
    auto second = Start();
    EXPECT_EQ(progress.Shows, 0);
    EXPECT_EQ(second->FirstTimeStepCount(), 0);
    second.reset();

    WritePicture(data / "gfx" / "b" / "two.png", 12, 0xFF0000FF);
    auto third = Start();
    EXPECT_EQ(progress.Shows, 1);
    EXPECT_EQ(progress.Hides, 1);
    EXPECT_EQ(third->FirstTimeStepCount(), 2) << "every set is rebuilt, not only the changed one";
    EXPECT_TRUE(fs::exists(Cache() / "_PoolA.bun"));
    EXPECT_TRUE(fs::exists(Cache() / "_PoolB.bun"));
    third.reset();

    auto fourth = Start();
    EXPECT_EQ(progress.Shows, 0);
}

TEST_F(GameDataStartTest, ADamagedCacheRebuildsAsWell) {
    Start();
    std::ofstream(Cache() / "_PoolA.bun", std::ios::app) << "damage";
    auto game = Start();
    EXPECT_EQ(progress.Shows, 1);
    EXPECT_EQ(game->FirstTimeStepCount(), 2);
}

TEST_F(GameDataStartTest, WithoutTheCheckNothingIsHashedAndNoWindowShown) {
    Configure("IsCheckGFXCacheChange=\"1\"", "IsCheckGFXCacheChange=\"0\"");
    auto game = Start();
    EXPECT_EQ(progress.Shows, 0);
    EXPECT_EQ(game->FirstTimeStepCount(), 0);
    EXPECT_FALSE(fs::exists(Cache()));
    for (const auto& entry : fs::recursive_directory_iterator(info.UserFolder)) {
        EXPECT_FALSE(entry.is_regular_file()) << entry.path() << " was written";
    }
}

TEST_F(GameDataStartTest, AFailedRebuildHidesTheWindowAndLeavesTheHashesUnstored) {
    std::ofstream(data / "gfx" / "b" / "broken.png") << "not a picture";
    EXPECT_ANY_THROW(Start());
    EXPECT_EQ(progress.Shows, 1);
    EXPECT_EQ(progress.Hides, 1);

    fs::remove(data / "gfx" / "b" / "broken.png");
    auto game = Start();
    EXPECT_EQ(progress.Shows, 1) << "the interrupted rebuild is repeated";
}

// A per-user folder the game may not write, holding a cache gone stale: the stale cache is left
// alone, the graphics cache is built again in the cache folder, and one warning says so; no error
// stops the start. A second start finds the new cache there.
TEST_F(GameDataStartTest, AReadOnlyUserFolderLeavesItsStaleCacheAndBuildsInTheCacheFolder) {
    Start();
    const std::string staleBundle = test::ReadFile(Cache() / "_PoolA.bun");
    const auto staleTime = fs::last_write_time(Cache() / "_PoolA.bun");
    WritePicture(data / "gfx" / "a" / "one.png", 12, 0xFF0000FF);

    const fs::path user = info.UserFolder;
    const fs::path caches = dir.Path() / "caches";
    info.CacheFolder = caches;
    info.Writable = [user](const fs::path& folder) {
        const std::string relative = fs::relative(folder, user).string();
        return relative.empty() || relative.rfind("..", 0) == 0;
    };
    ::testing::internal::CaptureStderr();
    std::unique_ptr<TGameData> game;
    EXPECT_NO_THROW(game = Start());
    const std::string warnings = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(game);
    EXPECT_EQ(game->FirstTimeStepCount(), 2);
    EXPECT_EQ(game->GraphicsCacheRoot(), fs::absolute(caches).lexically_normal());
    EXPECT_TRUE(fs::exists(caches / "cache32" / "_PoolA.bun"));
    EXPECT_TRUE(fs::exists(caches / "cache32" / "_PoolB.bun"));
    EXPECT_EQ(test::ReadFile(Cache() / "_PoolA.bun"), staleBundle);
    EXPECT_EQ(fs::last_write_time(Cache() / "_PoolA.bun"), staleTime);
    // One warning about the cache (the start also says that sound is off), and no error.
    const std::string warning = "TGBaseAppData: the per-user folder \"" + user.string() +
                                "\" may not be written: the graphics cache is kept in \"" +
                                fs::absolute(caches).lexically_normal().string() + "\"\n";
    const size_t at = warnings.find(warning);
    EXPECT_NE(at, std::string::npos) << warnings;
    EXPECT_EQ(warnings.find(warning, at + 1), std::string::npos) << warnings;
    EXPECT_EQ(warnings.find("rror"), std::string::npos) << warnings;
    game.reset();

    const auto built = fs::last_write_time(caches / "cache32" / "_PoolA.bun");
    game = Start();
    EXPECT_EQ(fs::last_write_time(caches / "cache32" / "_PoolA.bun"), built);
}

TEST_F(GameDataStartTest, Force16BitUsesTheSixteenBitCache) {
    Configure("Force16Bit=\"0\"", "Force16Bit=\"1\"");
    auto game = Start();
    EXPECT_TRUE(game->Device->Is16BitMode());
    EXPECT_TRUE(fs::exists(Cache("cache16") / "_PoolA.bun"));
    EXPECT_FALSE(fs::exists(Cache("cache32")));
}

TEST_F(GameDataStartTest, MemoryBetweenTheMinimumsGivesSixteenBitAndBelowStopsWithTheMessage) {
    renderer.Megabytes = 48;
    {
        auto game = Start();
        EXPECT_TRUE(game->Device->Is16BitMode());
        EXPECT_TRUE(fs::exists(Cache("cache16") / "_PoolB.bun"));
        EXPECT_TRUE(window.Messages.empty());
    }
    renderer.Megabytes = 31;
    try {
        Start();
        ADD_FAILURE() << "started with 31 Mb of video memory";
    } catch (const EGFatalExit& fatal) {
        EXPECT_NE(fatal.Status, 0);
    }
    ASSERT_EQ(window.Messages.size(), 1u);
    EXPECT_EQ(window.Messages[0].first, TGGameForm::FatalTitle);
    EXPECT_EQ(window.Messages[0].second, TGGameForm::NotEnoughMemoryText);
    EXPECT_EQ(progress.Shows, 0);
}

TEST_F(GameDataStartTest, EachMinimumIsMetByExactlyThatMuchMemory) {
    renderer.Megabytes = 63;
    EXPECT_TRUE(Start()->Device->Is16BitMode());
    renderer.Megabytes = 64;
    EXPECT_FALSE(Start()->Device->Is16BitMode());
    renderer.Megabytes = 32;
    EXPECT_TRUE(Start()->Device->Is16BitMode());
    EXPECT_TRUE(window.Messages.empty());
}

// The card's memory decides whether screens show their effects, whether the camera flies, and
// for a new installation which pointer is shown; a pointer the player chose stands on any card.
TEST_F(GameDataStartTest, VideoMemoryGivesTheLowAndHighFlagsAndTheFirstChoiceOfPointer) {
    struct TCase {
        int64_t Megabytes;
        bool Low, High, SystemArrow;
    };
    const std::vector<TCase> cases = {
        {32, true, false, true},  {63, true, false, true},   {64, false, false, true},
        {99, false, false, true}, {100, false, true, false}, {512, false, true, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Megabytes);
        renderer.Megabytes = c.Megabytes;
        auto game = Start();
        EXPECT_EQ(game->LowVideoMemory(), c.Low);
        EXPECT_EQ(game->HighVideoMemory(), c.High);
        EXPECT_EQ(game->Players->Options.HardwareCursor, c.SystemArrow);
        EXPECT_EQ(game->ShowSystemCursor, c.SystemArrow);
    }
    for (const bool chosen : {true, false}) {
        SCOPED_TRACE(chosen);
        renderer.Megabytes = 512;
        {
            auto game = Start();
            game->SetHardwareCursor(chosen);
            EXPECT_EQ(game->ShowSystemCursor, chosen);
            game->Save();
        }
        renderer.Megabytes = chosen ? 512 : 32;
        auto game = Start();
        EXPECT_EQ(game->Players->Options.HardwareCursor, chosen);
        EXPECT_EQ(game->ShowSystemCursor, chosen) << "the saved choice, not the card's";
    }
}

} // namespace
} // namespace qm
