#include "UGCacheLocation.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace qm {
namespace {

using test::TempDir;

// A data folder and a per-user cache folder side by side, with a writability check the test sets,
// since the tests run as root and root may write any folder.
struct TCacheFixture {
    TempDir Dir;
    fs::path Data = Dir.Path() / "data";
    fs::path Cache = Dir.Path() / "cache" / "Quillmark2";
    std::set<fs::path> ReadOnly;
    TGCacheLocation Location{Data, Cache, [this](const fs::path& folder) { return !ReadOnly.count(folder); }};

    TCacheFixture() { fs::create_directories(Data / "lang"); }
};

TEST(CacheLocation, DefaultFolderFollowsTheCacheHomeThenTheHome) {
    struct TCase {
        const char* CacheHome;
        const char* Home;
        const char* Expected;
    };
    const TCase cases[] = {
        {"/x/cache", "/home/p", "/x/cache/Quillmark2"},
        {"", "/home/p", "/home/p/.cache/Quillmark2"},
        {"relative/cache", "/home/p", "/home/p/.cache/Quillmark2"},
        {nullptr, "/home/p", "/home/p/.cache/Quillmark2"},
        {nullptr, nullptr, ""},
    };
    const char* savedCache = std::getenv("XDG_CACHE_HOME");
    const char* savedHome = std::getenv("HOME");
    std::string cacheCopy = savedCache ? savedCache : "";
    std::string homeCopy = savedHome ? savedHome : "";
    for (const TCase& c : cases) {
        c.CacheHome ? setenv("XDG_CACHE_HOME", c.CacheHome, 1) : unsetenv("XDG_CACHE_HOME");
        c.Home ? setenv("HOME", c.Home, 1) : unsetenv("HOME");
        EXPECT_EQ(DefaultCacheFolder(), fs::path(c.Expected)) << (c.CacheHome ? c.CacheHome : "(unset)");
    }
    savedCache ? setenv("XDG_CACHE_HOME", cacheCopy.c_str(), 1) : unsetenv("XDG_CACHE_HOME");
    savedHome ? setenv("HOME", homeCopy.c_str(), 1) : unsetenv("HOME");
}

TEST(CacheLocation, MirrorKeepsTheDataRelativePath) {
    TCacheFixture f;
    EXPECT_EQ(f.Location.MirrorOf(f.Data / "lang" / "Fonts.cr"), f.Cache / "lang" / "Fonts.cr");
    EXPECT_EQ(f.Location.MirrorOf(f.Data / "gfx" / ".." / "CoreConfig.xml.cr"),
              f.Cache / "CoreConfig.xml.cr");
    EXPECT_EQ(f.Location.MirrorOf(f.Dir.Path() / "elsewhere.cr"), fs::path()) << "outside the data folder";
    EXPECT_EQ(TGCacheLocation().MirrorOf(f.Data / "lang" / "Fonts.cr"), fs::path()) << "no cache folder";
}

TEST(CacheLocation, NewCachesGoBesideTheSourceOnlyWhenItsFolderIsWritable) {
    TCacheFixture f;
    const fs::path beside = f.Data / "lang" / "Fonts.cr";
    EXPECT_EQ(f.Location.WritePath(beside), beside);
    auto written = f.Location.Write(beside, "packed");
    ASSERT_TRUE(written) << written.Error;
    EXPECT_EQ(written.Written, beside);
    EXPECT_FALSE(fs::exists(f.Cache / "lang" / "Fonts.cr"));

    f.ReadOnly.insert(f.Data / "lang");
    written = f.Location.Write(beside, "again");
    ASSERT_TRUE(written) << written.Error;
    EXPECT_EQ(written.Written, f.Cache / "lang" / "Fonts.cr");
    EXPECT_EQ(test::ReadFile(f.Cache / "lang" / "Fonts.cr"), "again");
    EXPECT_EQ(test::ReadFile(beside), "packed") << "the read-only folder was left alone";
    EXPECT_EQ(fs::status(written.Written).permissions() & fs::perms::others_read, fs::perms::others_read);
}

TEST(CacheLocation, ACacheThatCannotBeWrittenAnywhereIsReportedNotRaised) {
    TCacheFixture f;
    f.ReadOnly.insert(f.Data / "lang");
    // The cache folder's place is taken by a file, so the mirror cannot be made either.
    test::TempDir blocked;
    fs::path blocker = blocked.Write("cache", "not a folder");
    TGCacheLocation location(f.Data, blocker / "Quillmark2",
                             [&](const fs::path& folder) { return !f.ReadOnly.count(folder); });
    TGCacheLocation::TWriteResult result;
    EXPECT_NO_THROW(result = location.Write(f.Data / "lang" / "Fonts.cr", "packed"));
    EXPECT_FALSE(result);
    EXPECT_NE(result.Error.find("Quillmark2"), std::string::npos) << result.Error;

    TGCacheLocation noMirror(f.Data, fs::path(), [](const fs::path&) { return false; });
    EXPECT_NO_THROW(result = noMirror.Write(f.Data / "lang" / "Fonts.cr", "packed"));
    EXPECT_FALSE(result);
    EXPECT_NE(result.Error.find("Fonts.cr"), std::string::npos) << result.Error;
}

// The check may say "writable" for a folder on a read-only mount; the failed write falls back to
// the mirror.
TEST(CacheLocation, AFailedWriteBesideTheSourceFallsBackToTheMirror) {
    TCacheFixture f;
    fs::path notAFolder = f.Dir.Write("data/gfx", "a file where a folder should be");
    auto written = f.Location.Write(notAFolder / "menu.gfx", "archive");
    ASSERT_TRUE(written) << written.Error;
    EXPECT_EQ(written.Written, f.Cache / "gfx" / "menu.gfx");
}

TEST(CacheLocation, ReadsPreferACurrentCacheBesideTheSourceThenTheMirror) {
    TCacheFixture f;
    const fs::path source = f.Dir.Write("data/lang/Dic1033.xml", "<Dic/>");
    const fs::path beside = f.Data / "lang" / "Dic1033.cr";
    const fs::path mirror = f.Cache / "lang" / "Dic1033.cr";
    const auto now = fs::file_time_type::clock::now();
    fs::last_write_time(source, now - std::chrono::hours(1));
    EXPECT_EQ(f.Location.FindCurrent(beside, source), std::nullopt) << "no cache yet";

    f.Dir.Write("cache/Quillmark2/lang/Dic1033.cr", "mirror");
    EXPECT_EQ(f.Location.FindCurrent(beside, source), mirror);

    f.Dir.Write("data/lang/Dic1033.cr", "beside");
    EXPECT_EQ(f.Location.FindCurrent(beside, source), beside);

    fs::last_write_time(beside, now - std::chrono::hours(2));
    EXPECT_EQ(f.Location.FindCurrent(beside, source), mirror) << "the cache beside is older than its source";

    fs::last_write_time(mirror, now - std::chrono::hours(2));
    EXPECT_EQ(f.Location.FindCurrent(beside, source), std::nullopt);

    // A caller's own test of currency (for example a hash stored in the cache) decides alone.
    EXPECT_EQ(f.Location.FindCurrent(beside, [&](const fs::path& cache) { return cache == mirror; }), mirror);
}

// A read-only data folder whose caches are current must not even be tried: nothing is written.
TEST(CacheLocation, RefreshLeavesACacheThatHoldsTheBytesAlone) {
    TCacheFixture f;
    const fs::path beside = f.Dir.Write("data/lang/Fonts.cr", "packed");
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(beside, old);
    TGCacheLocation refuseAll(f.Data, f.Cache, [](const fs::path&) { return false; });
    auto result = refuseAll.Refresh(beside, "packed");
    EXPECT_EQ(result.Written, beside);
    EXPECT_EQ(fs::last_write_time(beside), old);
    EXPECT_FALSE(fs::exists(f.Cache));

    result = refuseAll.Refresh(beside, "changed");
    EXPECT_EQ(result.Written, f.Cache / "lang" / "Fonts.cr");
    EXPECT_EQ(refuseAll.Refresh(beside, "changed").Written, f.Cache / "lang" / "Fonts.cr");
    EXPECT_EQ(test::ReadFile(beside), "packed");

    result = f.Location.Refresh(beside, "writable again");
    EXPECT_EQ(result.Written, beside);
    EXPECT_EQ(test::ReadFile(beside), "writable again");
}

TEST(CacheLocation, TheOperatingSystemAnswersWhetherAFolderIsWritable) {
    TempDir dir;
    EXPECT_TRUE(IsFolderWritable(dir.Path()));
    EXPECT_FALSE(IsFolderWritable(dir.Path() / "missing"));
}

} // namespace
} // namespace qm
