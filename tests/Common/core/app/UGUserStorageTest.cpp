#include "UGUserStorage.h"
#include "TestHelpers.h"
#include "UGError.h"

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
    int32_t Hash() const { return FolderHash(dir.Path() / "gfx"); }
    TempDir dir;
};

TEST_F(FolderHashTest, ChangesWhenAFileComesGoesOrChangesButNotForArchives) {
    int32_t original = Hash();
    EXPECT_EQ(Hash(), original);

    dir.Write("gfx/sub.gfx", "archive");
    EXPECT_EQ(Hash(), original) << "a .gfx archive is built from the folder";

    dir.Write("gfx/c.png", "c");
    int32_t withNewFile = Hash();
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

TEST_F(FolderHashTest, IsTheXorOfTheListingWords) {
    std::string listing = FolderListing(dir.Path() / "gfx");
    EXPECT_NE(listing.find("/a.png,32,4,"), std::string::npos) << listing;
    EXPECT_NE(listing.find("/sub,16,0,"), std::string::npos) << listing;
    EXPECT_NE(listing.find("\\n\\n"), std::string::npos) << "a folder's listing follows it after backslash-n";
    listing.append((4 - listing.size() % 4) % 4, '\0');
    uint32_t expected = 0;
    for (size_t i = 0; i < listing.size(); i += 4) {
        uint32_t word;
        std::memcpy(&word, listing.data() + i, 4); // little-endian machine
        expected ^= word;
    }
    EXPECT_EQ(static_cast<uint32_t>(Hash()), expected);
    TempDir empty;
    EXPECT_EQ(FolderHash(empty.Path()), 0);
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
