#include "TestHelpers.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
using test::TempDir;
namespace fs = std::filesystem;

using test::Picture;
using test::ReadPng;

class HeadlessRun : public ::testing::Test {
protected:
    // Runs the game headless on a data folder with a private user folder.
    CommandResult Run(const std::string& arguments, const fs::path& data = QM_BINARY_DIR "/data") {
        return test::RunCommand(ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --data " +
                                ShellQuote(data.string()) + " --user-dir " +
                                ShellQuote((dir.Path() / "user").string()) + " " + arguments);
    }
    std::string In(const std::string& name) { return ShellQuote((dir.Path() / name).string()); }

    TempDir dir;
};

TEST_F(HeadlessRun, RunsTheFrameLoopAndWritesTheBackBufferOfTheRequestedFrames) {
    CommandResult result =
        Run("--scene blank --frames 12 --screenshot 5:" + In("a.png") + " --screenshot 12:" + In("b.png"));
    ASSERT_EQ(result.Status, 0) << result.Err;
    for (const char* name : {"a.png", "b.png"}) {
        Picture picture = ReadPng(dir.Path() / name);
        EXPECT_EQ(picture.Width, 800u);
        EXPECT_EQ(picture.Height, 600u);
        // The frame starts from transparent black and nothing is drawn on it yet; the file shows
        // it as the window does, opaque.
        ASSERT_EQ(picture.Rgba.size(), 800u * 600u * 4u);
        for (size_t i = 0; i < picture.Rgba.size(); ++i) {
            ASSERT_EQ(picture.Rgba[i], i % 4 == 3 ? 255 : 0) << "byte " << i;
        }
    }
    EXPECT_TRUE(fs::exists(dir.Path() / "user")) << "the per-user folder is created";
}

// A start that names no scene opens the game itself: something is drawn, and it is not the
// render test scene.
TEST_F(HeadlessRun, AStartWithoutASceneOpensTheGame) {
    CommandResult first = Run("--frames 5 --screenshot 5:" + In("first.png"));
    ASSERT_EQ(first.Status, 0) << first.Err;
    CommandResult named = Run("--scene render-test --frames 5 --screenshot 5:" + In("named.png"));
    ASSERT_EQ(named.Status, 0) << named.Err;
    Picture shown = ReadPng(dir.Path() / "first.png");
    EXPECT_FALSE(std::all_of(shown.Rgba.begin(), shown.Rgba.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_FALSE(shown.Rgba == ReadPng(dir.Path() / "named.png").Rgba);
}

TEST_F(HeadlessRun, ScriptedInputIsPlayedAndQuitEndsTheRun) {
    dir.Write("input.txt", "# open and close the overlay, then leave\n"
                           "2 move 400 300\n"
                           "3 key F8\n"
                           "4 down left\n"
                           "4 up left\n"
                           "5 focus lost\n"
                           "6 focus gained\n"
                           "7 quit\n");
    CommandResult result =
        Run("--frames 1000 --input " + In("input.txt") + " --screenshot 6:" + In("six.png"));
    EXPECT_EQ(result.Status, 0) << result.Err;
    // F8 opened the information overlay: its version line is written in red at the top left.
    Picture six = ReadPng(dir.Path() / "six.png");
    ASSERT_EQ(six.Rgba.size(), 800u * 600u * 4u);
    int red = 0;
    for (int y = 5; y < 20; ++y) {
        for (int x = 5; x < 80; ++x) {
            const uint8_t* p = six.Rgba.data() + (static_cast<size_t>(y) * 800 + x) * 4;
            red += (p[0] > 150 && p[1] < 60 && p[3] > 150) ? 1 : 0;
        }
    }
    EXPECT_GT(red, 20) << "the overlay's text";

    CommandResult late =
        Run("--frames 1000 --input " + In("input.txt") + " --screenshot 50:" + In("late.png"));
    EXPECT_NE(late.Status, 0);
    EXPECT_NE(late.Err.find("before frame 50"), std::string::npos) << late.Err;
}

TEST_F(HeadlessRun, BadInputFileStopsWithItsNameAndLine) {
    dir.Write("input.txt", "1 move 1 1\n2 jump\n");
    CommandResult result = Run("--frames 5 --input " + In("input.txt"));
    EXPECT_NE(result.Status, 0);
    EXPECT_NE(result.Err.find("input.txt\" line 2"), std::string::npos) << result.Err;
}

TEST_F(HeadlessRun, BrokenDataStopsWithAMessageNamingFileAndProblem) {
    struct {
        const char* Name;
        const char* File;
        const char* From;
        const char* To;
        const char* Expected;
    } cases[] = {
        {"missing attribute", "CoreConfig.xml", "SoundsEnabled=\"1\"", "",
         "Attribute \"SoundsEnabled\" not found"},
        {"malformed game configuration", "GameConfig.xml", "</GameConfig>", "", "GameConfig.xml"},
        {"unreadable language file", "lang/Dic1033.xml", "</Dictionary>", "<Dic", "Dic1033"},
    };
    for (const auto& c : cases) {
        TempDir caseDir;
        fs::path data = caseDir.Path() / "data";
        fs::copy(QM_BINARY_DIR "/data", data, fs::copy_options::recursive);
        test::EditFile(data / c.File, c.From, c.To);
        CommandResult result = Run("--frames 3", data);
        EXPECT_EQ(result.Status, 1) << c.Name;
        EXPECT_NE(result.Err.find("Unable to run the game"), std::string::npos)
            << c.Name << ": " << result.Err;
        EXPECT_NE(result.Err.find(c.Expected), std::string::npos) << c.Name << ": " << result.Err;
    }
    CommandResult missing = Run("--frames 3", dir.Path() / "nowhere");
    EXPECT_EQ(missing.Status, 1);
    EXPECT_NE(missing.Err.find("nowhere"), std::string::npos) << missing.Err;
}

TEST_F(HeadlessRun, CommandLineHelpVersionAndMistakes) {
    CommandResult help = test::RunCommand(ShellQuote(QM_GAME_BINARY) + " --help");
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("--screenshot N:FILE"), std::string::npos);
    CommandResult version = test::RunCommand(ShellQuote(QM_GAME_BINARY) + " --version");
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Out.rfind("Quillmark ", 0), 0u) << version.Out;
    CommandResult wrong = test::RunCommand(ShellQuote(QM_GAME_BINARY) + " --frobnicate");
    EXPECT_EQ(wrong.Status, 2);
    EXPECT_NE(wrong.Err.find("--frobnicate"), std::string::npos);
}

// Under a file-size limit every cache write fails; the start goes on with the data it parsed
// instead of dying of the limit's signal.
TEST_F(HeadlessRun, AFileSizeLimitMakesCacheWritesFailNotTheGame) {
    const fs::path data = dir.Path() / "data";
    fs::copy(QM_BINARY_DIR "/data", data, fs::copy_options::recursive);
    const std::string caches = " --cache-dir " + In("cache");
    CommandResult first = Run("--frames 1" + caches, data);
    ASSERT_EQ(first.Status, 0) << first.Err;
    for (const char* cache : {"CoreConfig.xml.cr", "GameConfig.xml.cr", "lang/Fonts.cr", "lang/Dic1033.cr"}) {
        ASSERT_TRUE(fs::remove(data / cache)) << cache;
    }
    // The output goes through a pipe, which the limit does not cover, so a message can get out.
    CommandResult limited = test::RunCommand(
        "(ulimit -f 0; " + ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --frames 2 --data " +
        ShellQuote(data.string()) + " --user-dir " + In("user") + caches + "; echo \"exit $?\") 2>&1 | cat");
    EXPECT_NE(limited.Out.find("exit 0"), std::string::npos) << limited.Out;
    EXPECT_FALSE(fs::exists(data / "CoreConfig.xml.cr"));
}

// Between the frames looked at, a headless run draws nothing into the back buffer, yet plays the
// very same game: the automatic player's campaign traces the same events and ends on the same
// picture as with every frame drawn.
TEST_F(HeadlessRun, OnlyTheFramesLookedAtAreDrawnAndTheGameStaysTheSame) {
    struct {
        const char* Name;
        const char* Options;
        const char* Frames;
    } cases[] = {
        {"all", "--draw-all", "frames: 500 ticked, 500 drawn"},
        {"looked-at", "", "frames: 500 ticked, 1 drawn"},
        {"every-100", "--draw-every 100", "frames: 500 ticked, 5 drawn"},
    };
    for (const auto& c : cases) {
        const std::string name = c.Name;
        CommandResult result =
            Run(std::string("--autoplay --developer --frames 500 --stats ") + c.Options + " --trace " +
                In(name + ".txt") + " --screenshot 500:" + In(name + ".png") + " --user-dir " + In(name));
        ASSERT_EQ(result.Status, 0) << name << ": " << result.Err;
        EXPECT_NE(result.Out.find(c.Frames), std::string::npos) << name << ": " << result.Out;
    }
    const std::string trace = test::ReadFile(dir.Path() / "all.txt");
    EXPECT_NE(trace.find("sublevel-start"), std::string::npos) << "the campaign reached the board";
    EXPECT_EQ(test::ReadFile(dir.Path() / "looked-at.txt"), trace);
    EXPECT_EQ(test::ReadFile(dir.Path() / "every-100.txt"), trace);
    const Picture all = ReadPng(dir.Path() / "all.png");
    EXPECT_TRUE(ReadPng(dir.Path() / "looked-at.png").Rgba == all.Rgba);
    EXPECT_TRUE(ReadPng(dir.Path() / "every-100.png").Rgba == all.Rgba);
}

// Every scene and every screen opened by name finds what it draws: a run of each ends with
// success and without an error.
TEST_F(HeadlessRun, EverySceneRunsWithoutAnError) {
    const char* scenes[] = {"blank",
                            "render-test",
                            "sound-test",
                            "board",
                            "sublevel",
                            "specials",
                            "GameScreen",
                            "particles",
                            "ice",
                            "widgets",
                            "MenuScreen",
                            "MapScreen",
                            "ConstructionScreen",
                            "BonusScreen",
                            "PuzzleScreen",
                            "CreditsScreen",
                            "CongratulationsScreen",
                            "WelcomeScreen",
                            "HelpScreen",
                            "SplashScreen",
                            "SplashScreen2",
                            "LoadingScreen",
                            "WidgetGallery"};
    for (const char* scene : scenes) {
        CommandResult result = Run(std::string("--frames 5 --scene ") + scene);
        EXPECT_EQ(result.Status, 0) << scene << ": " << result.Err;
        EXPECT_EQ(result.Err.find("rror"), std::string::npos) << scene << ": " << result.Err;
    }
}

// An error raised in every frame (a piece of the panel missing from the data folder) is printed
// once, with the number of times it was raised, and the run fails.
TEST_F(HeadlessRun, AnErrorInTheFramesIsPrintedOnceWithItsCountAndFailsTheRun) {
    const fs::path data = dir.Path() / "data";
    fs::copy(QM_BINARY_DIR "/data", data, fs::copy_options::recursive);
    test::EditFile(data / "config/core/widgets/Styles.xml", "SeqId=\"interface/PanelBack\"",
                   "SeqId=\"interface/NoSuchPanel\"");
    CommandResult result = Run("--frames 20 --scene MenuScreen", data);
    EXPECT_EQ(result.Status, 1) << result.Err;
    const size_t first = result.Err.find("NoSuchPanel");
    ASSERT_NE(first, std::string::npos) << result.Err;
    EXPECT_EQ(result.Err.find("NoSuchPanel", first + 1), std::string::npos) << "printed once: " << result.Err;
    EXPECT_NE(result.Err.find("Error, raised 20 times: "), std::string::npos) << result.Err;

    CommandResult intact = Run("--frames 20 --scene MenuScreen");
    EXPECT_EQ(intact.Status, 0) << intact.Err;
}

} // namespace
} // namespace qm
