#include "UGDataFolder.h"

#include "TestHelpers.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

// A prefix laid out as the build tree (prefix/bin/data) and as an install
// (prefix/share/quillmark/data), with the program in prefix/bin.
TEST(DataFolder, TheBuildTreeFolderComesFirstThenTheInstalledOne) {
    struct Case {
        const char* Name;
        bool Beside;          // bin/data is a folder
        bool BesideFile;      // bin/data is a plain file
        bool Installed;       // share/quillmark/data is a folder
        const char* Expected; // relative to the prefix
    };
    const Case cases[] = {
        {"build tree", true, false, false, "bin/data"},
        {"installed", false, false, true, "share/quillmark/data"},
        {"both", true, false, true, "bin/data"},
        {"a file named data", false, true, true, "share/quillmark/data"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        fs::create_directories(dir.Path() / "bin");
        if (c.Beside) {
            fs::create_directories(dir.Path() / "bin" / "data");
        }
        if (c.BesideFile) {
            dir.Write("bin/data", "not a folder");
        }
        if (c.Installed) {
            fs::create_directories(dir.Path() / "share" / "quillmark" / "data");
        }
        EXPECT_EQ(DefaultDataFolder(dir.Path() / "bin", "../share/quillmark/data"), dir.Path() / c.Expected)
            << c.Name;
    }
}

TEST(DataFolder, NoFolderInEitherPlaceNamesBoth) {
    TempDir dir;
    fs::create_directories(dir.Path() / "bin");
    const fs::path bin = dir.Path() / "bin";
    EXPECT_EQ(test::ErrorText([&] { DefaultDataFolder(bin, "../share/quillmark/data"); }),
              "Data folder: neither \"" + (bin / "data").string() + "\" nor \"" +
                  (dir.Path() / "share/quillmark/data").string() +
                  "\" is a folder (name one with --data DIR)");
}

} // namespace
} // namespace qm
