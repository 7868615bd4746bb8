#include "UGUserStorage.h"
#include "TestHelpers.h"
#include "UGError.h"
#include "UGStrings.h"

#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace qm {
namespace {

using test::TempDir;

TEST(UserStorage, ValuesRoundTripByteForByteAndMissingReadsEmpty) {
    TempDir dir;
    TGUserStorage storage(dir.Path(), "Key");
    EXPECT_EQ(storage.ReadUserValue("Data"), "");
    std::string binary("a\0b\r\n\xff", 6);
    storage.WriteUserValue("Data", binary);
    EXPECT_EQ(storage.ReadUserValue("Data"), binary);
    EXPECT_EQ(test::ReadFile(dir.Path() / "Key" / "Data"), binary);
    storage.WriteUserValue("Data", "short");
    EXPECT_EQ(storage.ReadUserValue("Data"), "short");
}

TEST(UserStorage, SeparatorsAreDroppedFromKeysSoSuchKeysShareAFile) {
    TempDir dir;
    TGUserStorage storage(dir.Path(), "");
    storage.WriteUserValue("folder:gfx", "1");
    EXPECT_TRUE(fs::exists(dir.Path() / "foldergfx"));
    EXPECT_EQ(storage.ReadUserValue("folder\\gfx"), "1");
    EXPECT_EQ(storage.ReadUserValue("fol/der:gfx"), "1");
}

// Counts the entries of a folder (a temporary file left behind would show up here).
int EntryCount(const fs::path& folder) {
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) {
        ++entries;
    }
    return entries;
}

TEST(UserStorage, AWriteCutShortKeepsTheOldValueAndLeavesNoTemporaryFile) {
    TempDir dir;
    TGUserStorage storage(dir.Path(), "Key");
    storage.WriteUserValue("Data", "precious");
    // A file-size limit cuts the next write short, as a full disk would.
    struct rlimit old;
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = old;
    tiny.rlim_cur = 4;
    ::setrlimit(RLIMIT_FSIZE, &tiny);
    bool failed = false;
    std::string message;
    try {
        storage.WriteUserValue("Data", "a replacement longer than four bytes");
    } catch (const EGError& error) {
        failed = true;
        message = error.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(failed);
    EXPECT_NE(message.find("Data"), std::string::npos) << message;
    EXPECT_EQ(storage.ReadUserValue("Data"), "precious");
    EXPECT_EQ(EntryCount(dir.Path() / "Key"), 1);
}

TEST(UserStorage, AFailedReplaceRemovesItsTemporaryFile) {
    TempDir dir;
    TGUserStorage storage(dir.Path(), "Key");
    // A folder in the value's place cannot be replaced by a file: the final rename fails
    // after the new bytes were written, and nothing of them may be left behind.
    fs::create_directories(dir.Path() / "Key" / "Data" / "inside");
    EXPECT_THROW(storage.WriteUserValue("Data", "new"), EGError);
    EXPECT_EQ(EntryCount(dir.Path() / "Key"), 1);
}

class FolderHashTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write("gfx/a.png", "aaaa");
        dir.Write("gfx/sub/b.png", "bb");
    }
    uint64_t Hash() const { return FolderHash(dir.Path() / "gfx"); }
    TempDir dir;
};

TEST_F(FolderHashTest, ChangesWhenAFileComesGoesOrChangesButNotForArchives) {
    uint64_t original = Hash();
    EXPECT_EQ(Hash(), original);

    dir.Write("gfx/sub.gfx", "archive");
    EXPECT_EQ(Hash(), original) << "a .gfx archive is built from the folder";

    dir.Write("gfx/c.png", "c");
    uint64_t withNewFile = Hash();
    EXPECT_NE(withNewFile, original);
    fs::remove(dir.Path() / "gfx" / "c.png");
    EXPECT_EQ(Hash(), original);

    dir.Write("gfx/sub/b.png", "bbb");
    EXPECT_NE(Hash(), original) << "size change inside a sub-folder";
    dir.Write("gfx/sub/b.png", "bb");
    fs::last_write_time(dir.Path() / "gfx" / "sub" / "b.png",
                        fs::file_time_type::clock::now() + std::chrono::hours(1));
    EXPECT_NE(Hash(), original) << "time change";
}

TEST(HashBytes64Test, KnownValuesAndOrderMatters) {
    const std::pair<const char*, uint64_t> cases[] = {
        {"", 0xCBF29CE484222325u},
        {"a", 0xAF63DC4C8601EC8Cu},
        {"foobar", 0x85944171F73967E8u},
        // The same four-byte words in another order: a fold by XOR gives both the same value.
        {"abcdefgh", 0x25DA8C1836A8D66Du},
        {"efghabcd", 0xBE245215FADEDD7Du},
    };
    for (const auto& [bytes, hash] : cases) {
        EXPECT_EQ(HashBytes64(bytes), hash) << bytes;
    }
    EXPECT_EQ(HashBytes64("bar", HashBytes64("foo")), HashBytes64("foobar")) << "hashing goes on";
}

TEST_F(FolderHashTest, HashesTheListingOfNamesAttributesSizesAndTimes) {
    const std::string listing = FolderListing(dir.Path() / "gfx");
    EXPECT_NE(listing.find("/a.png,32,4,"), std::string::npos) << listing;
    EXPECT_NE(listing.find("/sub,16,0,"), std::string::npos) << listing;
    EXPECT_NE(listing.find("\\n\\n"), std::string::npos) << "a folder's listing follows it after backslash-n";
    EXPECT_EQ(Hash(), HashBytes64(listing));
    TempDir empty;
    EXPECT_EQ(FolderHash(empty.Path()), 0xCBF29CE484222325u);
}

TEST_F(FolderHashTest, StoredHashDetectsChangesUntilStoredAgain) {
    TGUserStorage storage(dir.Path() / "user", "Key");
    fs::path gfx = dir.Path() / "gfx";
    EXPECT_TRUE(storage.FolderChanged(gfx)) << "never stored";
    storage.StoreFolderHash(gfx);
    EXPECT_FALSE(storage.FolderChanged(gfx));
    EXPECT_EQ(storage.ReadUserValue("folder:" + gfx.string()), std::to_string(Hash()));
    dir.Write("gfx/new.png", "n");
    EXPECT_TRUE(storage.FolderChanged(gfx));
}

} // namespace
} // namespace qm
