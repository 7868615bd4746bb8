#include "UGCacheLocation.h"

#include "UGError.h"
#include "UGFileSystem.h"

#include <cstdlib>
#include <unistd.h>

namespace qm {

namespace {

// Normalised and absolute, so that a cache path can be taken apart relative to the data folder
// whatever form the caller gave either in.
fs::path Canonical(const fs::path& path) {
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec);
    return (ec ? path : absolute).lexically_normal();
}

bool IsInside(const fs::path& relative) {
    return !relative.empty() && *relative.begin() != ".." && !relative.is_absolute();
}

} // namespace

fs::path DefaultCacheFolder() {
    // A relative value is invalid by the XDG rules and ignored like an empty one.
    const char* cacheHome = std::getenv("XDG_CACHE_HOME");
    if (cacheHome && *cacheHome == '/') {
        return fs::path(cacheHome) / "Quillmark2";
    }
    const char* home = std::getenv("HOME");
    if (home && *home) {
        return fs::path(home) / ".cache" / "Quillmark2";
    }
    return fs::path();
}

bool IsFolderWritable(const fs::path& folder) {
    return ::access((folder.empty() ? fs::path(".") : folder).c_str(), W_OK) == 0;
}

bool IsNotOlderThan(const fs::path& cache, const fs::path& source) {
    std::error_code ec;
    fs::file_time_type cacheTime = fs::last_write_time(cache, ec);
    if (ec) {
        return false;
    }
    fs::file_time_type sourceTime = fs::last_write_time(source, ec);
    return !ec && cacheTime >= sourceTime;
}

TGCacheLocation::TGCacheLocation(fs::path dataFolder, fs::path cacheFolder, TWritableCheck writable)
    : FDataFolder(dataFolder.empty() ? fs::path() : Canonical(dataFolder)),
      FCacheFolder(cacheFolder.empty() ? fs::path() : Canonical(cacheFolder)),
      FWritable(std::move(writable)) {}

fs::path TGCacheLocation::MirrorOf(const fs::path& besideSource) const {
    if (FCacheFolder.empty() || FDataFolder.empty()) {
        return fs::path();
    }
    fs::path relative = Canonical(besideSource).lexically_relative(FDataFolder);
    return IsInside(relative) ? FCacheFolder / relative : fs::path();
}

std::optional<fs::path>
TGCacheLocation::FindCurrent(const fs::path& besideSource,
                             const std::function<bool(const fs::path& cache)>& isCurrent) const {
    std::error_code ec;
    for (const fs::path& candidate : {ResolveNoCase(besideSource), MirrorOf(besideSource)}) {
        if (!candidate.empty() && fs::is_regular_file(candidate, ec) && isCurrent(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::optional<fs::path> TGCacheLocation::FindCurrent(const fs::path& besideSource,
                                                     const fs::path& source) const {
    return FindCurrent(besideSource, [&](const fs::path& cache) { return IsNotOlderThan(cache, source); });
}

bool TGCacheLocation::Writable(const fs::path& folder) const {
    return FWritable ? FWritable(folder) : IsFolderWritable(folder);
}

fs::path TGCacheLocation::WritePath(const fs::path& besideSource) const {
    fs::path beside = ResolveNoCase(besideSource);
    if (Writable(beside.parent_path())) {
        return beside;
    }
    return MirrorOf(besideSource);
}

bool TGCacheLocation::TryWrite(const fs::path& file, const std::string& bytes, std::string& error) {
    try {
        CreateFolders(file.parent_path(), fs::perms::owner_all);
        WriteFileAtomic(file, bytes, TGFileAccess::Shared);
        return true;
    } catch (const EGError& failure) {
        error = failure.what();
    } catch (const std::exception& failure) {
        error = "Cannot write file \"" + file.string() + "\". " + failure.what();
    }
    return false;
}

TGCacheLocation::TWriteResult TGCacheLocation::Write(const fs::path& besideSource,
                                                     const std::string& bytes) const {
    TWriteResult result;
    fs::path first = WritePath(besideSource);
    if (first.empty()) {
        result.Error = "No writable place for the cache \"" + besideSource.string() + "\"";
        return result;
    }
    if (TryWrite(first, bytes, result.Error)) {
        result.Written = first;
        return result;
    }
    fs::path mirror = MirrorOf(besideSource);
    if (!mirror.empty() && mirror != first && TryWrite(mirror, bytes, result.Error)) {
        result.Written = mirror;
    }
    return result;
}

TGCacheLocation::TWriteResult TGCacheLocation::Refresh(const fs::path& besideSource,
                                                       const std::string& bytes) const {
    auto holdsThese = [&](const fs::path& cache) {
        std::error_code ec;
        if (fs::file_size(cache, ec) != bytes.size() || ec) {
            return false;
        }
        try {
            return ReadWholeFile(cache) == bytes;
        } catch (const EGError&) {
            return false;
        }
    };
    if (std::optional<fs::path> current = FindCurrent(besideSource, holdsThese)) {
        TWriteResult result;
        result.Written = *current;
        return result;
    }
    return Write(besideSource, bytes);
}

} // namespace qm
