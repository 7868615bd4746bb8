#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

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

// The text of the engine error an action throws, or "(no error)" when it throws none, so that a
// test compares the whole message at its own line.
std::string ErrorText(const std::function<void()>& action);

// Expects the action to throw an engine error with exactly this text.
void ExpectError(const std::function<void()>& action, const std::string& text);

// Expects the action to throw an engine error whose text contains `part`.
void ExpectErrorContaining(const std::function<void()>& action, const std::string& part);

// A decoded PNG file with four bytes per pixel, red first.
struct Picture {
    unsigned Width = 0;
    unsigned Height = 0;
    std::vector<uint8_t> Rgba;

    // The colour at a pixel as 0xRRGGBB, alpha left out.
    uint32_t Rgb(unsigned x, unsigned y) const;
};

// Reads a PNG file written by the game or a tool; a file that cannot be read or decoded is a test
// failure and gives an empty picture.
Picture ReadPng(const fs::path& path);

} // namespace qm::test
