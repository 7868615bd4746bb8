#include "TestHelpers.h"
#include "UGCompress.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
using test::TempDir;
namespace fs = std::filesystem;

CommandResult Tool(const std::string& arguments) {
    return test::RunCommand(ShellQuote(QM_DATA_TOOL_BINARY) + " " + arguments);
}

class DataTool : public ::testing::Test {
protected:
    void SetUp() override {
        data = dir.Path() / "data";
        fs::copy(QM_SOURCE_DIR "/data", data, fs::copy_options::recursive);
    }
    std::string Q(const fs::path& path) { return ShellQuote(path.string()); }

    TempDir dir;
    fs::path data;
};

TEST_F(DataTool, PreprocessPackAndUnpackTheShippedConfiguration) {
    for (const char* name : {"CoreConfig.xml", "GameConfig.xml"}) {
        CommandResult text = Tool("preprocess --root " + Q(data) + " " + Q(data / name));
        ASSERT_EQ(text.Status, 0) << text.Err;
        EXPECT_EQ(text.Out.find("[%"), std::string::npos) << "every key was expanded";
        EXPECT_NE(text.Out.find(name == std::string("CoreConfig.xml") ? "<ResourceSet" : "<HighScores"),
                  std::string::npos)
            << "the include was inserted";

        CommandResult pack = Tool("pack-cr --root " + Q(data) + " " + Q(data / name));
        ASSERT_EQ(pack.Status, 0) << pack.Err;
        fs::path cache = data / (std::string(name) + ".cr");
        EXPECT_EQ(pack.Out, cache.string() + "\n");
        std::string bytes = test::ReadFile(cache);
        EXPECT_EQ(bytes.find("<?xml"), std::string::npos) << "the cache is not plain text";

        CommandResult unpack = Tool("unpack-cr " + Q(cache));
        ASSERT_EQ(unpack.Status, 0) << unpack.Err;
        EXPECT_EQ(unpack.Out, text.Out);
    }
}

TEST_F(DataTool, IncludesAreFoundFromTheRootFolderWhereverTheToolRuns) {
    CommandResult text = test::RunCommand("cd / && " + ShellQuote(QM_DATA_TOOL_BINARY) +
                                          " preprocess --root " + Q(data) + " " + Q(data / "GameConfig.xml"));
    ASSERT_EQ(text.Status, 0) << text.Err;
    EXPECT_NE(text.Out.find("<HighScores"), std::string::npos);
}

TEST_F(DataTool, UnpacksLanguageFileCaches) {
    dir.Write("Dic1033.cr", ZCompress("<Dictionary/>"));
    CommandResult unpack = Tool("unpack-cr " + Q(dir.Path() / "Dic1033.cr"));
    ASSERT_EQ(unpack.Status, 0) << unpack.Err;
    EXPECT_EQ(unpack.Out, "<Dictionary/>");
}

TEST_F(DataTool, ErrorsGoToStandardErrorWithTheGamesTextsAndFail) {
    CommandResult missing = Tool("preprocess --root " + Q(data) + " " + Q(data / "Nothing.xml"));
    EXPECT_EQ(missing.Status, 1);
    EXPECT_NE(missing.Err.find("Config preprocessing:  File not found: \""), std::string::npos)
        << missing.Err;
    EXPECT_TRUE(missing.Out.empty());

    dir.Write("broken.cr", std::string(100, '\x42'));
    CommandResult corrupt = Tool("unpack-cr " + Q(dir.Path() / "broken.cr"));
    EXPECT_EQ(corrupt.Status, 1);
    EXPECT_NE(corrupt.Err.find("broken.cr"), std::string::npos) << corrupt.Err;

    dir.Write("cycle/A.xml", "[% INCLUDE cycle/B.xml %]");
    dir.Write("cycle/B.xml", "[% INCLUDE cycle/A.xml %]");
    CommandResult cycle = Tool("pack-cr --root " + Q(dir.Path()) + " " + Q(dir.Path() / "cycle/A.xml"));
    EXPECT_EQ(cycle.Status, 1);
    EXPECT_NE(cycle.Err.find("Circular reference"), std::string::npos) << cycle.Err;

    EXPECT_EQ(Tool("frobnicate").Status, 2);
    EXPECT_EQ(Tool("preprocess").Status, 2);
}

TEST_F(DataTool, LevelCheckPassesOnTheShippedLevelsAndNamesWhereAFieldBreaks) {
    CommandResult clean = Tool("level-check --data " + Q(data));
    EXPECT_EQ(clean.Status, 0) << clean.Out << clean.Err;
    EXPECT_EQ(clean.Out, "");

    // The second sublevel gets an eleventh cell in its fourth row, and the monument an empty row.
    test::EditFile(data / "config/game/levels/Level1.xml",
                   "@+......+@\n      ..........\n      ..#....#..\n      ..#....#..",
                   "@+......+@\n      ..........\n      ..#....#..\n      ..#....#...");
    test::EditFile(data / "config/game/levels/Level1.xml", "    #.......#\n    .........\n  </Construction",
                   "    #.......#\n\n    .........\n  </Construction");
    CommandResult broken = Tool("level-check --data " + Q(data));
    EXPECT_EQ(broken.Status, 1);
    EXPECT_NE(broken.Out.find("GameConfig.xml: Level[1]/SubLevel[2]/Field: LoadSublevelData: Inalid sublevel "
                              "definition. \n\r"),
              std::string::npos)
        << broken.Out;
    // The text opens with a line feed, and each row is six spaces, ten cells and a line feed: the
    // eleventh cell of the fourth row is character 1 + 3 * 17 + 6 + 11.
    EXPECT_NE(broken.Out.find("\n\rK: 69\n\r"), std::string::npos) << broken.Out;
    EXPECT_NE(broken.Out.find("\n\rS[K]: .\n\rI: 3\n\rJ: 10\n\r"), std::string::npos) << broken.Out;
    EXPECT_NE(broken.Out.find("\n\rLevel: 1\n\rSubLevel: 2\n\r"), std::string::npos) << broken.Out;
    EXPECT_NE(
        broken.Out.find("GameConfig.xml: Level[1]/ConstructionField: TPlayer.FillConstructionCellsFromXML: "
                        "Inalid sublevel definition. Level 1\n"),
        std::string::npos)
        << broken.Out;
    EXPECT_NE(broken.Err.find("2 problem(s)"), std::string::npos) << broken.Err;
}

TEST(DataToolImages, DescribesPicturesAndBuildsAndListsArchives) {
    TempDir dir;
    fs::path data = dir.Path() / "data";
    fs::create_directories(data / "gfx");
    fs::copy(QM_BINARY_DIR "/data/gfx/test", data / "gfx" / "test", fs::copy_options::recursive);
    auto q = [](const fs::path& path) { return ShellQuote(path.string()); };

    struct {
        const char* File;
        const char* Expected;
    } pictures[] = {{"ball.png", "64x64 frames=1 alpha=yes\n"},
                    {"keyed.png", "64x64 frames=1 alpha=no\n"},
                    {"coin.8.png", "32x32 frames=8 alpha=yes\n"}};
    for (const auto& picture : pictures) {
        CommandResult info = Tool("image-info " + q(data / "gfx" / "test" / picture.File));
        EXPECT_EQ(info.Status, 0) << info.Err;
        EXPECT_EQ(info.Out, picture.Expected);
    }
    dir.Write("broken.png", "not a picture at all");
    CommandResult broken = Tool("image-info " + q(dir.Path() / "broken.png"));
    EXPECT_EQ(broken.Status, 1);
    EXPECT_NE(broken.Err.find("broken.png"), std::string::npos) << broken.Err;

    CommandResult build = Tool("gfx-build --data " + q(data) + " gfx test");
    ASSERT_EQ(build.Status, 0) << build.Err;
    fs::path archive = data / "gfx" / "test.gfx";
    EXPECT_EQ(build.Out, archive.string() + "\n");
    CommandResult list = Tool("gfx-list " + q(archive));
    ASSERT_EQ(list.Status, 0) << list.Err;
    EXPECT_EQ(list.Out, "test/ball gfx/test/ball.png -\n"
                        "test/coin gfx/test/coin.8.png -\n"
                        "test/keyed gfx/test/keyed.png -\n"
                        "test/panorama gfx/test/panorama.png -\n"
                        "test/ring gfx/test/ring.png -\n");

    std::string bytes = test::ReadFile(archive);
    dir.Write("cut.gfx", bytes.substr(0, bytes.size() / 2));
    CommandResult cut = Tool("gfx-list " + q(dir.Path() / "cut.gfx"));
    EXPECT_EQ(cut.Status, 1);
    EXPECT_NE(cut.Err.find("cut.gfx"), std::string::npos) << cut.Err;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Whatever else the default folder still lacks, taking one picture away adds exactly the line
// that names its sequence.
TEST(DataToolCheck, NamesTheSequenceOfARemovedPicture) {
    TempDir dir;
    fs::path data = dir.Path() / "data";
    fs::copy(QM_BINARY_DIR "/data", data, fs::copy_options::recursive);
    std::string command = "check --data " + ShellQuote(data.string());

    CommandResult before = Tool(command);
    ASSERT_TRUE(before.Status == 0 || before.Status == 1) << before.Err;
    EXPECT_EQ(before.Status == 0, before.Out.empty()) << before.Out;
    EXPECT_NE(before.Err.find("problem(s)"), std::string::npos) << before.Err;

    ASSERT_TRUE(fs::remove(data / "gfx" / "test" / "ball.png"));
    CommandResult after = Tool(command);
    EXPECT_EQ(after.Status, 1) << after.Err;
    std::vector<std::string> expected = Lines(before.Out);
    expected.push_back(R"(code: sequence "test/ball": no sequence pool of the configuration provides it)");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Lines(after.Out), expected);
}

TEST_F(DataTool, AWritePastTheFileSizeLimitIsAnErrorNotASignal) {
    // The output goes through a pipe, which the limit does not cover, so the message can get out.
    CommandResult pack =
        test::RunCommand("(ulimit -f 0; " + ShellQuote(QM_DATA_TOOL_BINARY) + " pack-cr --root " + Q(data) +
                         " " + Q(data / "CoreConfig.xml") + "; echo \"exit $?\") 2>&1 | cat");
    EXPECT_NE(
        pack.Out.find("Cannot write file \"" + (data / "CoreConfig.xml.cr").string() + "\". File too large"),
        std::string::npos)
        << pack.Out;
    EXPECT_NE(pack.Out.find("exit 1"), std::string::npos) << pack.Out;
    EXPECT_FALSE(fs::exists(data / "CoreConfig.xml.cr"));
}

} // namespace
} // namespace qm
