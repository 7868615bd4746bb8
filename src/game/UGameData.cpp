#include "UGameData.h"

#include "UFirstTimeInitializationForm.h"
#include "UGConfigPreprocessor.h"
#include "UGFileSystem.h"
#include "UGGameForm.h"
#include "UGStrings.h"
#include "UGWindow.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace qm {

namespace fs = std::filesystem;

// Shared between the application data and the progress callback it hands to the resource
// manager, which is created before the game's half of the application data exists.
struct TBaseGameData::TFirstTimeProgress {
    TGProgressCallback Chained;
    PGXMLNode Config;
    TFirstTimeInitializationForm* Form = nullptr;
    int Counter = 0;

    void Step(const std::string& message) {
        ++Counter;
        if (Form) {
            Form->SetPercent(FirstTimePercent(Counter, Config->GetInt("FirstTimeInitStepCount")));
            Form->ProcessMessages();
        }
        if (Chained) {
            Chained(message);
        }
    }
};

TGAppStartInfo TBaseGameData::ChainProgress(const TGAppStartInfo& info,
                                            const std::shared_ptr<TFirstTimeProgress>& progress) {
    TGAppStartInfo chained = info;
    chained.Progress = [progress](const std::string& message) { progress->Step(message); };
    return chained;
}

TBaseGameData::TBaseGameData(const TGAppStartInfo& info, const std::string& gameConfigName)
    : TBaseGameData(info, gameConfigName, std::make_shared<TFirstTimeProgress>()) {}

TBaseGameData::TBaseGameData(const TGAppStartInfo& info, const std::string& gameConfigName,
                             std::shared_ptr<TFirstTimeProgress> progress)
    : TGAppData(ChainProgress(info, progress)), FFirstTime(std::move(progress)) {
    FFirstTime->Chained = info.Progress;
    FFirstTime->Config = Config;
    // Data folders of tools and tests may leave the start-up keys out; they start unchecked.
    Device->Set16BitMode(Config->GetBool("Force16Bit"));
    CheckVideoMemory();
    if (Config->GetBool("IsCheckGFXCacheChange")) {
        CheckGraphicsCache(info);
    }
    TGConfigProcessor processor(WorkingFolder(), gameConfigName, false,
                                TGCacheLocation(WorkingFolder(), Caches().CacheFolder()));
    GameConfig = CreateXMLSnapshot(processor.DocumentElement(), gameConfigName);
}

TBaseGameData::~TBaseGameData() = default;

fs::path TBaseGameData::CacheFolder() const {
    return GraphicsCacheRoot() / (Device->Is16BitMode() ? "cache16" : "cache32");
}

int TBaseGameData::FirstTimeStepCount() const {
    return FFirstTime->Counter;
}

void TBaseGameData::CheckVideoMemory() {
    int64_t memory = Device->GetVideoMem(mkTexture);
    FLowVideoMemory = memory < LowVideoMemoryBelow;
    FHighVideoMemory = memory >= HighVideoMemoryFrom;
    if (memory < Config->GetInt("MinimumVideoMemoryForRun")) {
        if (Window()) {
            Window()->ShowMessage(TGGameForm::FatalTitle, TGGameForm::NotEnoughMemoryText);
        } else {
            std::fprintf(stderr, "%s: %s\n", TGGameForm::FatalTitle, TGGameForm::NotEnoughMemoryText);
        }
        // A refusal to run is a failure to whoever started the program.
        throw EGFatalExit(1);
    }
    if (memory < Config->GetInt("MinimumVideoMemoryFor32Bit")) {
        Device->Set16BitMode(true);
    }
}

void TBaseGameData::CheckGraphicsCache(const TGAppStartInfo& info) {
    // The art folder is named by its full path, for storing and checking alike, so that the
    // stored hash does not depend on the current folder.
    fs::path gfx = WorkingFolder() / "gfx";
    fs::path cache = CacheFolder();
    CreateFolders(cache);
    bool gfxChanged = FolderChanged(gfx);
    bool cacheChanged = FolderChanged(cache);
    if (!gfxChanged && !cacheChanged) {
        return;
    }
    // Listed first: removing entries while the folder is being read may skip some.
    std::vector<fs::path> stale;
    for (const fs::directory_entry& entry : fs::directory_iterator(cache)) {
        if (!entry.is_directory()) {
            stale.push_back(entry.path());
        }
    }
    // A stale file that stays (a folder the check took for writable, a file locked by the system)
    // is found stale again by its pool and rebuilt in memory; the game starts all the same.
    for (const fs::path& file : stale) {
        std::error_code error;
        if (!fs::remove(file, error) && error) {
            std::fprintf(stderr,
                         "TBaseGameData.CheckGraphicsCache: cannot remove the stale cache \"%s\": %s\n",
                         file.c_str(), error.message().c_str());
            break;
        }
    }
    RebuildGraphicsCache(info);
    // Stored only after a complete rebuild, so that an interrupted one is repeated at the next
    // start; the cache folder first, as it now holds the fresh bundles. Hashes that cannot be
    // stored only cost another rebuild at the next start.
    try {
        StoreFolderHash(cache);
        StoreFolderHash(gfx);
    } catch (const EGError& error) {
        std::fprintf(stderr, "TBaseGameData.CheckGraphicsCache: %s\n", error.what());
    }
}

void TBaseGameData::RebuildGraphicsCache(const TGAppStartInfo& info) {
    std::unique_ptr<TFirstTimeInitializationForm> form;
    if (info.ProgressWindow) {
        std::unique_ptr<IGFontFace> face;
        if (info.FontRasterizer) {
            face = OpenProgressFace(*info.FontRasterizer, Config, WorkingFolder());
        }
        form = std::make_unique<TFirstTimeInitializationForm>(WorkingFolder(), info.SystemLanguageId, Ticks(),
                                                              std::move(face), info.ProgressWindow);
    }
    struct TDetach {
        TFirstTimeProgress& State;
        ~TDetach() { State.Form = nullptr; }
    } detach{*FFirstTime};
    if (form) {
        form->Show();
        FFirstTime->Form = form.get();
    }
    PGXMLCollection sets = Config->GetCollection("ResourceSet");
    for (size_t i = 0; i < sets->Count(); ++i) {
        ResManager->SetResourceSet(sets->GetItem(i)->GetString("Name"));
    }
    ResManager->SetResourceSet("");
}

TGameData::TGameData(const TGAppStartInfo& info, const std::string& gameConfigName, bool fullScreen)
    : TBaseGameData(info, gameConfigName), Environment(std::make_unique<TGameEnvironment>(*GameConfig)),
      Players(std::make_unique<TGamePlayers>(GameConfig, Config->GetBoolDef("IsCindrelUsrEnable", false))),
      FFullScreen(fullScreen || info.MediaCenter) {
    LoadPlayers();
}

TSaveFile TGameData::SaveFile() const {
    return TSaveFile(Storage().ValuePath("Data"));
}

void TGameData::LoadPlayers() {
    const TSaveLoadResult result = SaveFile().Load(*Players);
    if (result.Source == TSaveSource::Fresh) {
        Players->Options.FullScreen = FFullScreen;
        // The game's own pointer is drawn every frame; a card with little memory is spared it.
        Players->Options.HardwareCursor = !HighVideoMemory();
    }
    ShowSystemCursor = Players->Options.HardwareCursor;
    if (result.Damaged) {
        SaveDamaged = true;
        SaveProblem = result.Problem;
        std::fprintf(stderr, "The save file could not be read (%s); it was kept as \"%s\". %s\n",
                     result.Problem.c_str(), SaveFile().DamagedPath().filename().string().c_str(),
                     result.Source == TSaveSource::Backup ? "The game goes on from its backup."
                                                          : "The game starts without players.");
    }
    if (Players->HighScores().empty()) {
        Players->InsertDefaultHighScores();
    }
}

void TGameData::Save() const {
    SaveFile().Save(*Players);
}

void TGameData::SaveOnExit() {
    try {
        Players->CurrentPlayer().AbandonSublevel();
        Save();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Saving on exit: %s\n", error.what());
    }
}

void TGameData::WriteStatisticsLogs() const {
    const std::filesystem::path folder = Storage().UserFolder() / "logs";
    CreateFolders(folder);
    for (int slot = 1; slot <= PlayerSlotCount; ++slot) {
        const TPlayer& player = Players->GetPlayer(slot);
        if (!player.Name.empty()) {
            WriteFileAtomic(folder / (SafeFileName(player.Name, slot) + ".txt"),
                            player.Statistics.Text() + "\n\r");
        }
    }
}

void TGameData::ApplyVideoMode() {
    SetFullScreenNow(FFullScreen);
}

void TGameData::SetFullScreen(bool on) {
    FFullScreen = on;
    Players->Options.FullScreen = on;
    ApplyVideoMode();
}

void TGameData::SetMusicVolume(int volume) {
    Players->Options.MusicVolume = std::clamp(volume, 0, 100);
    SoundEngine->SetMusicVolume(Players->Options.MusicVolume);
}

void TGameData::SetSoundVolume(int volume) {
    Players->Options.SoundVolume = std::clamp(volume, 0, 100);
    SoundEngine->SetSoundVolume(Players->Options.SoundVolume);
}

void TGameData::SetMuteSounds(bool on) {
    Players->Options.MuteSounds = on;
    SoundEngine->SetMuted(on);
}

void TGameData::SetShowTips(bool on) {
    Players->CurrentPlayer().ActiveData().ShowTips = on;
}

void TGameData::SetHardwareCursor(bool on) {
    Players->Options.HardwareCursor = on;
    ShowSystemCursor = on;
}

bool TGameData::ShowTipsOption() const {
    const TPlayer& player = Players->CurrentPlayer();
    return !player.Name.empty() && player.ActiveData().ShowTips;
}

} // namespace qm
