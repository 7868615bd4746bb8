#pragma once

// The save file "Data": every player, the high scores and the options, in the value stream of
// USaveCodec. It is written whole through a temporary file and a rename, and the file it
// replaces stays beside it as "Data.bak". A file that cannot be read is set aside as "Data.bad"
// and the backup takes its place.

#include "UGamePlayers.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace qm {

// The value stream (before the outer hexadecimal encoding) of all players, high scores and
// options.
std::string WriteSaveStream(const TGamePlayers& players);
// Reads a value stream into the players. Nothing changes when the stream is damaged: the
// EGError raised names the value that could not be read. Values out of their ranges are
// clamped or dropped; the stored monument grids are laid over grids rebuilt from the
// configuration, cell for cell where the two overlap.
void ReadSaveStream(std::string_view bytes, TGamePlayers& players);

// The whole file text, and its reading (an empty text means no players and default options).
std::string EncodeSave(const TGamePlayers& players);
void DecodeSave(std::string_view text, TGamePlayers& players);

// Where the game started from after reading the save.
enum class TSaveSource {
    Fresh,  // no file (or nothing usable): no players, default options
    File,   // the save file
    Backup, // the save file was damaged; the backup was read instead
};

struct TSaveLoadResult {
    TSaveSource Source = TSaveSource::Fresh;
    // The save file could not be read and was set aside.
    bool Damaged = false;
    // Why, as the reader said it ("TSaveReader.ReadInteger: ..."); empty when not damaged.
    std::string Problem;
};

class TSaveFile {
public:
    explicit TSaveFile(std::filesystem::path path) : FPath(std::move(path)) {}

    const std::filesystem::path& Path() const { return FPath; }
    std::filesystem::path BackupPath() const;
    std::filesystem::path DamagedPath() const;

    // Reads the save into the players (which are expected fresh), falling back to the backup.
    TSaveLoadResult Load(TGamePlayers& players) const;
    // Writes all players; the file it replaces becomes the backup.
    void Save(const TGamePlayers& players) const;

private:
    std::filesystem::path FPath;
};

// The players, their progress, the high scores and the options as readable text.
std::string DescribeSave(const TGamePlayers& players);

// Checks a save file's text as the game reads it: the reason it cannot be read, or empty.
// The configuration gives the levels the monument grids are rebuilt from.
std::string CheckSaveText(std::string_view text, const PGXMLNode& gameConfig);

} // namespace qm
