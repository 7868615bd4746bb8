#include "TestHelpers.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
using test::TempDir;
namespace fs = std::filesystem;

// Runs the generator into a fresh data folder that holds only the faces it draws text with.
CommandResult Generate(const fs::path& target, bool withFaces) {
    fs::create_directories(target / "fonts");
    if (withFaces) {
        fs::copy(QM_BINARY_DIR "/data/fonts", target / "fonts", fs::copy_options::recursive);
    }
    return test::RunCommand(ShellQuote(QM_ARTGEN_BINARY) + " " + ShellQuote(QM_SOURCE_DIR "/data") + " " +
                            ShellQuote(target.string()));
}

TEST(ArtGenerator, TheSameSourcesGiveTheSameBytes) {
    TempDir dir;
    ASSERT_EQ(Generate(dir.Path() / "a", true).Status, 0);
    ASSERT_EQ(Generate(dir.Path() / "b", true).Status, 0);
    int pictures = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path() / "a")) {
        if (!entry.is_regular_file() || entry.path().parent_path().filename() == "fonts") {
            continue;
        }
        fs::path twin = dir.Path() / "b" / fs::relative(entry.path(), dir.Path() / "a");
        ASSERT_TRUE(fs::exists(twin)) << twin;
        EXPECT_EQ(test::ReadFile(entry.path()), test::ReadFile(twin)) << entry.path();
        ++pictures;
    }
    EXPECT_GE(pictures, 40);
    for (const char* family : {"gfx/elements/Marble8Sel.png", "gfx/interface/ButtonNormal.png",
                               "gfx/stuff/Cursor.png", "gfx/1stTimeInit/hello.gif", "gfx/fonts/FntTitles.png",
                               "no-gfx/LogoDev1033.png", "lang/Fonts.xml"}) {
        EXPECT_TRUE(fs::exists(dir.Path() / "a" / family)) << family;
    }
}

TEST(ArtGenerator, AMissingFaceFailsWithItsName) {
    TempDir dir;
    CommandResult result = Generate(dir.Path() / "data", false);
    EXPECT_NE(result.Status, 0);
    EXPECT_NE(result.Err.find("DejaVuSans"), std::string::npos) << result.Err;
}

} // namespace
} // namespace qm
