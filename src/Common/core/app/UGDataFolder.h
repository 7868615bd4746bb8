#pragma once

#include <filesystem>

namespace qm {

// Where the game looks for its data folder when the command line names none: beside the program
// first, where the build puts it, then at `installedRelative` from the program's folder, where
// `cmake --install` puts it (bin/ and share/quillmark/data/ under one prefix). The program folder
// is the real one, symbolic links resolved, so a link to the installed program finds the data too.
// Raises "Data folder: ..." naming both places when neither holds a folder.
std::filesystem::path DefaultDataFolder(const std::filesystem::path& programFolder,
                                        const std::filesystem::path& installedRelative);

} // namespace qm
