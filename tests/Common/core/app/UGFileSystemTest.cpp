#include "UGFileSystem.h"
#include "TestHelpers.h"
#include "UGError.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::TempDir;

TEST(FileSystem, NamesResolveWithoutRegardToLetterCase) {
    TempDir dir;
    fs::path real = dir.Write("gfx/1stTimeInit/ProgressFill1033.gif", "x");
    EXPECT_EQ(ResolveNoCase(dir.Path() / "GFX/1sttimeinit/progressfill1033.GIF"), real);
    EXPECT_TRUE(FileExistsNoCase(dir.Path() / "gfx/1STTIMEINIT/progressFILL1033.gif"));
    EXPECT_FALSE(FileExistsNoCase(dir.Path() / "gfx/1stTimeInit"));
    fs::path missing = dir.Path() / "GFX/none.gif";
    EXPECT_EQ(ResolveNoCase(missing), missing);
    EXPECT_EQ(test::ReadFile(ResolveNoCase(dir.Path() / "Gfx/1stTimeInit/PROGRESSFILL1033.gif")), "x");
}

TEST(FileSystem, ReadingAMissingFileNamesIt) {
    TempDir dir;
    try {
        ReadWholeFile(dir.Path() / "nothing.xml");
        FAIL() << "no error";
    } catch (const EGError& error) {
        EXPECT_NE(std::string(error.what()).find("nothing.xml"), std::string::npos) << error.what();
    }
}

TEST(FileSystem, AtomicWriteReplacesExistingContentOfAnyCase) {
    TempDir dir;
    fs::path real = dir.Write("Data", "old content that is long");
    WriteFileAtomic(dir.Path() / "DATA", "new");
    EXPECT_EQ(test::ReadFile(real), "new");
    EXPECT_FALSE(fs::exists(dir.Path() / "DATA") && !fs::equivalent(dir.Path() / "DATA", real));
}

} // namespace
} // namespace qm
