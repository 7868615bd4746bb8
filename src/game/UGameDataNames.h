#pragma once

#include "UGDataCheck.h"

#include <filesystem>

namespace qm {

// The names the game's code looks up in the data: sequences, fonts, files opened by name and
// the game's configuration file. Code that starts asking for a new name adds it here, so that
// `quillmark-data check` finds data that lacks it before a player does.
const TGDataNames& GameDataNames();

// The check of a data folder as the game loads it: the game's names and the game's own
// start-up (the game data with the game configuration).
TGDataCheckInput GameDataCheckInput(const std::filesystem::path& dataFolder);

} // namespace qm
