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

// Copies a folder of tests/fixtures into a temporary folder (loading writes caches beside the
// files, and fixtures stay untouched) and returns the copy's path.
fs::path CopyFixture(const std::string& name, const TempDir& into);

struct CommandResult {
    int Status = -1; // the exit status, or -1 when the program did not exit normally
    std::string Out;
    std::string Err;
};

// Runs a shell command line and collects its exit status and output.
CommandResult RunCommand(const std::string& commandLine);

// Quotes a word for the shell.
std::string ShellQuote(const std::string& word);

// Replaces the first occurrence of `from` in a file by `to`.
void EditFile(const fs::path& path, const std::string& from, const std::string& to);

} // namespace qm::test
