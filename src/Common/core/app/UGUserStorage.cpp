#include "UGUserStorage.h"

#include "UGFileSystem.h"
#include "UGStrings.h"

#include <algorithm>
#include <vector>

namespace qm {

namespace {

constexpr int AttributeFolder = 0x10;
constexpr int AttributeFile = 0x20;

std::string StripKey(const std::string& key) {
    std::string result;
    for (char c : key) {
        if (c != ':' && c != '/' && c != '\\') {
            result += c;
        }
    }
    return result;
}

bool IsGfxArchive(const std::string& name) {
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".gfx") == 0;
}

int32_t TimeStamp(const fs::directory_entry& entry) {
    std::error_code ec;
    auto time = entry.last_write_time(ec);
    if (ec) {
        return 0;
    }
    // The finest count the file system keeps, so that two writes within one second still differ.
    auto ticks = time.time_since_epoch().count();
    return static_cast<int32_t>(static_cast<uint32_t>(ticks));
}

void AppendListing(const fs::path& folder, std::string& listing) {
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        entries.push_back(entry);
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.path().filename().string() < b.path().filename().string();
    });
    for (const auto& entry : entries) {
        std::string name = entry.path().filename().string();
        if (IsGfxArchive(name)) {
            continue;
        }
        bool isFolder = entry.is_directory(ec);
        int32_t size = isFolder ? 0 : static_cast<int32_t>(static_cast<uint32_t>(entry.file_size(ec)));
        listing += Format("%s/%s,%d,%d,%d\\n", folder.string().c_str(), name.c_str(),
                          isFolder ? AttributeFolder : AttributeFile, size, TimeStamp(entry));
        if (isFolder) {
            listing += "\\n";
            AppendListing(entry.path(), listing);
        }
    }
}

} // namespace

TGUserStorage::TGUserStorage(fs::path userFolder, std::string dataKey)
    : FUserFolder(std::move(userFolder)), FDataKey(std::move(dataKey)) {}

fs::path TGUserStorage::ValuePath(const std::string& key) const {
    return FUserFolder / FDataKey / StripKey(key);
}

std::string TGUserStorage::ReadUserValue(const std::string& key) const {
    fs::path path = ValuePath(key);
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        return "";
    }
    return ReadWholeFile(path);
}

void TGUserStorage::WriteUserValue(const std::string& key, const std::string& value) const {
    fs::path path = ValuePath(key);
    CreateFolders(path.parent_path());
    WriteFileAtomic(path, value);
}

bool TGUserStorage::FolderChanged(const fs::path& folder) const {
    return ReadUserValue("folder:" + folder.string()) != std::to_string(FolderHash(folder));
}

void TGUserStorage::StoreFolderHash(const fs::path& folder) const {
    WriteUserValue("folder:" + folder.string(), std::to_string(FolderHash(folder)));
}

std::string FolderListing(const fs::path& folder) {
    std::string listing;
    AppendListing(folder, listing);
    return listing;
}

uint64_t FolderHash(const fs::path& folder) {
    return HashBytes64(FolderListing(folder));
}

} // namespace qm
