#pragma once

#include <filesystem>
#include <string>

namespace qm::test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away. Tests write their fixtures here and never touch the real home folder.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& Path() const { return FPath; }
    // Writes a file (creating its folders) relative to the temporary folder; returns its path.
    fs::path Write(const std::string& relative, const std::string& bytes) const;

private:
    fs::path FPath;
};

std::string ReadFile(const fs::path& path);

} // namespace qm::test
