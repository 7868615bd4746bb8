#pragma once

#include "UGAppData.h"
#include "UGameEnvironment.h"
#include "UGamePlayers.h"
#include "USaveFile.h"

#include <filesystem>
#include <memory>
#include <string>

namespace qm {

// The game's half of the application data that does not depend on players: the game
// configuration and the display option.
class TBaseGameData : public TGAppData {
public:
    // Checks the machine, and rebuilds the graphics cache when the art or the cache changed,
    // before the game configuration is read. Too little video memory shows the fixed message and raises
    // EGFatalExit.
    TBaseGameData(const TGAppStartInfo& info, const std::string& gameConfigName);
    ~TBaseGameData() override;

    // The card's texture memory at start-up decides what may be shown: below the first figure
    // screens and dialogs come and go without their effects; from the second on, the camera flies
    // between the board and the monument.
    static constexpr int64_t LowVideoMemoryBelow = 64ll * 1024 * 1024;
    static constexpr int64_t HighVideoMemoryFrom = 100ll * 1024 * 1024;
    bool LowVideoMemory() const { return FLowVideoMemory; }
    bool HighVideoMemory() const { return FHighVideoMemory; }

    // The cache of decoded art for the current colour depth.
    std::filesystem::path CacheFolder() const;
    // Progress steps reported by the resource manager since start-up.
    int FirstTimeStepCount() const;

    PGXMLNode GameConfig;

private:
    struct TFirstTimeProgress;

    TBaseGameData(const TGAppStartInfo& info, const std::string& gameConfigName,
                  std::shared_ptr<TFirstTimeProgress> progress);
    static TGAppStartInfo ChainProgress(const TGAppStartInfo& info,
                                        const std::shared_ptr<TFirstTimeProgress>& progress);
    void CheckVideoMemory();
    void CheckGraphicsCache(const TGAppStartInfo& info);
    void RebuildGraphicsCache(const TGAppStartInfo& info);

    std::shared_ptr<TFirstTimeProgress> FFirstTime;
    bool FLowVideoMemory = false;
    bool FHighVideoMemory = false;
};

// The game's application data: the engine, the game configuration, and the players with their
// progress, high scores and options, read from the save file once at start-up.
class TGameData : public TBaseGameData {
public:
    // `fullScreen` is the display the program starts in (the command line's choice); the
    // player's stored option is kept beside it and applied by SetFullScreen.
    TGameData(const TGAppStartInfo& info, const std::string& gameConfigName, bool fullScreen);

    void ApplyVideoMode() override;

    // Each stores the option and applies it at once: the display, the sound engine, the current
    // player's active record.
    void SetFullScreen(bool on);
    bool FullScreen() const { return FFullScreen; }
    void SetMusicVolume(int volume);
    void SetSoundVolume(int volume);
    void SetMuteSounds(bool on);
    void SetShowTips(bool on);
    // The system's arrow instead of the game's own pointer.
    void SetHardwareCursor(bool on);
    // False for a player without a name.
    bool ShowTipsOption() const;

    // The developer user: the core configuration's IsCindrelUsrEnable is set and the current
    // player is "qendrivols" (any letter case).
    bool IsDeveloperUser() const { return Players->IsDeveloperUser(); }
    // The information overlay (F8) is on.
    bool DebugOverlayOn = false;
    // The hidden player "pelvorn" (any letter case).
    bool IsEasterEggUser() const { return Players->IsEasterEggUser(); }
    // The name of the current player; empty while no player is chosen.
    const std::string& CurrentPlayerName() const { return Players->CurrentPlayer().Name; }

    // The save file "Data" of the per-user storage.
    TSaveFile SaveFile() const;
    // Writes every player, the high scores and the options; the file replaced stays as backup.
    void Save() const;
    // The program ends: the current player leaves the sublevel (a banked win moves on) and
    // everything is saved. A failure is reported on standard error, as nobody is left to show it.
    void SaveOnExit();
    // Every named player's statistics report, to "logs/<name>.txt" under the per-user folder.
    void WriteStatisticsLogs() const;

    // The last mouse position in drawing units, shown by the information overlay.
    int MouseX = 0;
    int MouseY = 0;
    // The name of the screen on show, for the information overlay.
    std::string CurrentScreenName;

    // The play constants, read from the game configuration root at start-up.
    std::unique_ptr<const TGameEnvironment> Environment;
    std::unique_ptr<TGamePlayers> Players;
    // The save file could not be read at start-up (it was set aside as "Data.bad"): the menu
    // tells the player once and clears the flag. The problem is the reader's message.
    bool SaveDamaged = false;
    std::string SaveProblem;

private:
    void LoadPlayers();

    bool FFullScreen;
};

} // namespace qm
