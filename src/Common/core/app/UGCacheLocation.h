#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace qm {

namespace fs = std::filesystem;

// The per-user cache folder: $XDG_CACHE_HOME/Quillmark2 when that is an absolute path, else
// ~/.cache/Quillmark2. Empty without either, which leaves caches beside their sources only.
fs::path DefaultCacheFolder();

// Decides where the caches of one data folder live. A cache is read beside its source when it is
// there and current, else from the same data-relative path under the per-user cache folder (the
// mirror). A new cache is written beside its source only when that folder is writable, otherwise
// into the mirror. An installed data folder is read-only, and the game must start from it all the
// same, so a cache that cannot be written anywhere is reported to the caller, never raised: the
// caller goes on with the data it parsed.
class TGCacheLocation {
public:
    // Tells whether the game may create files in a folder.
    using TWritableCheck = std::function<bool(const fs::path& folder)>;

    // Caches beside their sources only: no mirror.
    TGCacheLocation() = default;
    // An empty cache folder means no mirror. The check defaults to the operating system's answer
    // for this process (IsFolderWritable); tests pass their own to play a read-only folder.
    TGCacheLocation(fs::path dataFolder, fs::path cacheFolder, TWritableCheck writable = {});

    // The mirror of a cache that belongs beside its source; empty when there is no cache folder or
    // the path lies outside the data folder.
    fs::path MirrorOf(const fs::path& besideSource) const;

    // The first of (beside, mirror) that exists and passes `isCurrent`; none when neither does.
    std::optional<fs::path> FindCurrent(const fs::path& besideSource,
                                        const std::function<bool(const fs::path& cache)>& isCurrent) const;
    // The same, with "current" meaning "changed no earlier than the source" (see IsNotOlderThan).
    std::optional<fs::path> FindCurrent(const fs::path& besideSource, const fs::path& source) const;

    // Where a new cache goes: beside the source when its folder is writable, else the mirror
    // (empty when there is none).
    fs::path WritePath(const fs::path& besideSource) const;

    struct TWriteResult {
        // The file written; empty when the cache could not be written anywhere.
        fs::path Written;
        // Why the last attempt failed, for a caller that wants to tell someone.
        std::string Error;
        explicit operator bool() const { return !Written.empty(); }
    };
    // Writes a cache atomically and readable by all (a shared artefact) where WritePath says; when
    // that fails beside the source (a read-only mount the check did not see), the mirror is tried.
    // Never raises.
    TWriteResult Write(const fs::path& besideSource, const std::string& bytes) const;
    // Writes a cache whose bytes are known in full unless a cache (beside, then the mirror)
    // already holds exactly these bytes; then that one is reported as written and nothing is
    // touched, so a read-only data folder with current caches is never written at all.
    TWriteResult Refresh(const fs::path& besideSource, const std::string& bytes) const;

    const fs::path& DataFolder() const { return FDataFolder; }
    const fs::path& CacheFolder() const { return FCacheFolder; }

private:
    bool Writable(const fs::path& folder) const;
    static bool TryWrite(const fs::path& file, const std::string& bytes, std::string& error);

    fs::path FDataFolder;
    fs::path FCacheFolder;
    TWritableCheck FWritable;
};

// True when the process may create files in the folder (access(2) with W_OK, so as the real user:
// root passes on any folder that is not on a read-only mount).
bool IsFolderWritable(const fs::path& folder);

// True when the cache exists and was last changed no earlier than the source.
bool IsNotOlderThan(const fs::path& cache, const fs::path& source);

} // namespace qm
