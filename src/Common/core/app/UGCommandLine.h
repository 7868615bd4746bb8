#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qm {

struct TGScreenshotRequest {
    uint64_t Frame = 0;
    std::filesystem::path File;
};

// The options of the game binary.
struct TGCommandLine {
    std::filesystem::path DataFolder; // empty: the data folder built beside the binary
    std::optional<std::filesystem::path> UserFolder;
    // Where caches go when the data folder is read-only; otherwise the per-user cache folder.
    std::optional<std::filesystem::path> CacheFolder;
    bool Headless = false;
    bool FixedStep = false;
    uint64_t Frames = 0; // 0: run until the window closes
    std::optional<std::filesystem::path> InputFile;
    std::vector<TGScreenshotRequest> Screenshots;
    std::optional<bool> FullScreen; // --windowed / --fullscreen; otherwise the player's option
    bool MediaCenter = false;       // "-mce"
    std::string Scene;
    bool Statistics = false; // --stats
    // --draw-all: a headless run draws and presents every frame, not only those looked at.
    bool DrawAll = false;
    uint64_t DrawEvery = 0; // --draw-every N: a headless run also draws every N-th frame
    bool NoVSync = false;   // --no-vsync
    // --autoplay: the game's automatic player plays the scene that has one.
    bool Autoplay = false;
    // --developer: the developer keys and diagnostics are on for every player.
    bool Developer = false;
    // --trace: the game's events are written into this file as they happen.
    std::optional<std::filesystem::path> TraceFile;
    // --audio-wav: the sound is rendered into this file instead of a sound card.
    std::optional<std::filesystem::path> AudioWav;
    bool ShowHelp = false;
    bool ShowVersion = false;
};

// Raises the engine error "Command line: ..." for an unknown option or a bad value.
TGCommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string CommandLineUsage(const std::string& programName);

} // namespace qm
