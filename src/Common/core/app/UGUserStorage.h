#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace qm {

namespace fs = std::filesystem;

// The per-user key-value store: one file per value, holding the value's bytes as they are,
// at user folder + data key + "/" + key, where ":", "/" and "\" are dropped from the key.
// It holds the save file, the working folder and the hashes of the art and cache folders.
class TGUserStorage {
public:
    TGUserStorage(fs::path userFolder, std::string dataKey);

    const fs::path& UserFolder() const { return FUserFolder; }
    // The file that holds a value.
    fs::path ValuePath(const std::string& key) const;

    // The whole content of the value, or "" when it was never written.
    std::string ReadUserValue(const std::string& key) const;
    // Replaces the value; an interruption leaves the old value or the new one, never a mix.
    void WriteUserValue(const std::string& key, const std::string& value) const;

    // True when the stored hash of a folder differs from its current FolderHash.
    bool FolderChanged(const fs::path& folder) const;
    void StoreFolderHash(const fs::path& folder) const;

private:
    fs::path FUserFolder;
    std::string FDataKey;
};

// A fingerprint of a folder tree: names, attributes, sizes and times of every entry except
// ".gfx" archives (which are built from the folder and must not change its hash), hashed in
// order with HashBytes64, so that no two changes can cancel out. Entries are visited in sorted
// order, so the result does not depend on how the file system happens to list them.
uint64_t FolderHash(const fs::path& folder);

// The listing the hash is computed from; exposed for tests and diagnostics.
std::string FolderListing(const fs::path& folder);

} // namespace qm
