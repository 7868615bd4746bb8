#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace qm {

namespace fs = std::filesystem;

// No write of the game takes anywhere near this long, so a temporary file this old was left by
// a process that was killed, not by one still writing.
inline constexpr std::chrono::seconds StaleTemporaryFileAge{10 * 60};

// The game's data names mix letter case freely ("ProgressFill" beside "progressfill"), as the
// file system it was written for ignored case. Every name of the data folder is therefore
// resolved through this helper: an existing path is returned as it is, otherwise each
// component is matched without regard to ASCII letter case. A path that matches nothing is
// returned unchanged, so the caller's own "not found" error names what was asked for.
fs::path ResolveNoCase(const fs::path& path);

// True when the path (resolved without regard to case) names an existing regular file.
bool FileExistsNoCase(const fs::path& path);

// The whole content of a file as bytes. Raises the engine error naming the file when it
// cannot be opened or read.
std::string ReadWholeFile(const fs::path& path);

// Who may read a file the game writes. A player's own files (save, stored values) stay private;
// caches are shared artefacts that anyone who can read the folder may read.
enum class TGFileAccess { UserOnly, Shared };

// Replaces the content of a file so that an interruption at any moment leaves either the old
// or the new content, never a mixture: the bytes go to a temporary file in the same folder,
// are flushed to the disk, and the temporary file is renamed over the old one. Temporary files
// an earlier, interrupted write left in that folder are removed first (see
// RemoveStaleTemporaryFiles).
void WriteFileAtomic(const fs::path& path, const std::string& bytes,
                     TGFileAccess access = TGFileAccess::UserOnly);

// The name of the temporary file WriteFileAtomic makes for a target is "." + the target's name
// + "." + six letters or digits. True when a file name has that form.
bool IsTemporaryFileName(const std::string& name);

// Removes from a folder the files named like WriteFileAtomic's temporaries that were last
// changed at least `minimumAge` ago. A younger one may belong to another game process writing
// the same folder right now, so it is left alone. Failures are ignored: this only tidies up.
void RemoveStaleTemporaryFiles(const fs::path& folder,
                               std::chrono::seconds minimumAge = StaleTemporaryFileAge);

// Creates a folder and its missing parents with the given permission bits.
void CreateFolders(const fs::path& path, fs::perms permissions = fs::perms::owner_all);

} // namespace qm
