#include "UGDataFolder.h"

#include "UGError.h"

namespace qm {

namespace fs = std::filesystem;

fs::path DefaultDataFolder(const fs::path& programFolder, const fs::path& installedRelative) {
    std::error_code ec;
    const fs::path beside = programFolder / "data";
    if (fs::is_directory(beside, ec)) {
        return beside;
    }
    const fs::path installed = (programFolder / installedRelative).lexically_normal();
    if (fs::is_directory(installed, ec)) {
        return installed;
    }
    throw EGError("Data folder", "neither \"" + beside.string() + "\" nor \"" + installed.string() +
                                     "\" is a folder (name one with --data DIR)");
}

} // namespace qm
