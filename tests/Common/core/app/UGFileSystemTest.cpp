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

TEST(FileSystem, AtomicWriteGivesSharedFilesToEveryReaderAndKeepsUserFilesPrivate) {
    TempDir dir;
    WriteFileAtomic(dir.Path() / "save", "s");
    WriteFileAtomic(dir.Path() / "cache.cr", "c", TGFileAccess::Shared);
    EXPECT_EQ(fs::status(dir.Path() / "save").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(dir.Path() / "cache.cr").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
}

TEST(FileSystem, TemporaryNamesAreRecognisedExactly) {
    struct TCase {
        const char* Name;
        bool Temporary;
    };
    const TCase cases[] = {
        {".interface.gfx.Ab3xZ9", true}, {".Fonts.cr.000000", true}, {".a.qwerty", true},
        {"interface.gfx.Ab3xZ9", false}, {"..Ab3xZ9", false},        {".Fonts.cr.Ab3xZ", false},
        {".Fonts.cr.Ab3-Z9", false},     {".hidden", false},         {".Fonts.crAb3xZ9", false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(IsTemporaryFileName(c.Name), c.Temporary) << c.Name;
    }
}

// A write that was killed leaves its temporary file; the next write into that folder removes it,
// but never a young one, which may be another game process's write in progress.
TEST(FileSystem, WritingAFolderRemovesOnlyStaleLeftoversOfEarlierWrites) {
    TempDir dir;
    const auto old = fs::file_time_type::clock::now() - StaleTemporaryFileAge - std::chrono::minutes(1);
    fs::path staleOther = dir.Write("gfx/.interface.gfx.Ab3xZ9", "partial");
    fs::path staleSame = dir.Write("gfx/.menu.gfx.QQ11ww", "partial");
    fs::path young = dir.Write("gfx/.board.gfx.Zz00Yy", "in progress");
    fs::path ownDotFile = dir.Write("gfx/.keep", "mine");
    fs::path oldData = dir.Write("gfx/back.gif", "picture");
    for (const fs::path& file : {staleOther, staleSame, ownDotFile, oldData}) {
        fs::last_write_time(file, old);
    }
    WriteFileAtomic(dir.Path() / "gfx" / "menu.gfx", "archive", TGFileAccess::Shared);
    EXPECT_FALSE(fs::exists(staleOther));
    EXPECT_FALSE(fs::exists(staleSame));
    EXPECT_TRUE(fs::exists(young));
    EXPECT_TRUE(fs::exists(ownDotFile));
    EXPECT_TRUE(fs::exists(oldData));
    EXPECT_EQ(test::ReadFile(dir.Path() / "gfx" / "menu.gfx"), "archive");
}

} // namespace
} // namespace qm
