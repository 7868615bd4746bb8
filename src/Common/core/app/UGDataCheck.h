#pragma once

#include "UGAppData.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class IGFontRasterizer;

// What a program's code asks the data for by name. The engine knows none of these names; the
// program hands its own table to the check, so data that lacks one is found before a player
// meets the error.
struct TGDataNames {
    // Sequences looked up by name (GetSeq, HasSeq); letter case is ignored, as there.
    std::vector<std::string> Sequences;
    // Font resources asked for by Id (GetFont).
    std::vector<std::string> Fonts;
    // Files opened by name, relative to the data folder; pictures among them must also decode.
    std::vector<std::string> Files;
    // Configuration files the program loads besides the core configuration, which the engine
    // always loads.
    std::vector<std::string> Configurations;
    // Sample effects played by name (the core configuration's Sound elements) and music started
    // by name (its Track elements).
    std::vector<std::string> Sounds;
    std::vector<std::string> Tracks;
    // Elements of the configurations the program loads besides the core one that describe
    // animotions, as paths of tags from the root ("Level/BackAni"): every picture they name must
    // be provided.
    std::vector<std::string> AnimotionElements;
    // Per screen of the core configuration, the widgets its code looks up by name.
    std::vector<std::pair<std::string, std::vector<std::string>>> ScreenWidgets;
};

// One thing wrong with a data folder: the file, the item in it (an element path, a name) and
// what is wrong.
struct TGDataProblem {
    std::string File;
    std::string Item;
    std::string Message;

    // "<file>: <item>: <message>", the line the data tool prints.
    std::string Text() const;
};

// Starts the program's application data the way the program does, so that the check meets the
// same start-up errors a player would.
using TGAppDataStarter = std::function<std::unique_ptr<TGBaseAppData>(const TGAppStartInfo&)>;

struct TGDataCheckInput {
    std::filesystem::path DataFolder;
    TGDataNames Names;
    // None: the start-up is not run, only the files are.
    TGAppDataStarter StartUp;
    // The dictionary that keys used in the data must be found in.
    int LanguageId = 1033;
    // Renders the faces of system fonts. None: each face file is opened and its signature
    // read, which finds missing and foreign files without a font library.
    IGFontRasterizer* FontRasterizer = nullptr;
};

// Loads a data folder the way the game does and collects everything missing or broken, in the
// order found, instead of stopping at the first error: the configuration files and the language
// files, the start-up, every resource definition and resource set, the sequences image fonts
// and the program's code name, the sound files of the core configuration (present, and read
// by the sound engine as the game reads them) and the sounds and music the code plays, and the
// dictionary keys the configurations use. Never throws for anything found in the folder. Loading
// writes the caches the game writes beside the files; the per-user files go to a temporary folder
// that is removed afterwards.
std::vector<TGDataProblem> CheckDataFolder(const TGDataCheckInput& input);

} // namespace qm
