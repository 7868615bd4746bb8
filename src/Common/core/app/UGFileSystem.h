#pragma once

#include <filesystem>
#include <string>

namespace qm {

namespace fs = std::filesystem;

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

// Replaces the content of a file so that an interruption at any moment leaves either the old
// or the new content, never a mixture: the bytes go to a temporary file in the same folder,
// are flushed to the disk, and the temporary file is renamed over the old one.
void WriteFileAtomic(const fs::path& path, const std::string& bytes);

// Creates a folder and its missing parents with the given permission bits.
void CreateFolders(const fs::path& path, fs::perms permissions = fs::perms::owner_all);

} // namespace qm
