#pragma once

#include "UGAppData.h"
#include "UGameEnvironment.h"

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
};

// The game's application data. Players, progress, high scores and the save file join it as
// the game grows; today it keeps the display option and the player-dependent switches the
// main window asks about.
class TGameData : public TBaseGameData {
public:
    TGameData(const TGAppStartInfo& info, const std::string& gameConfigName, bool fullScreen);

    void ApplyVideoMode() override;

    // Stores the option and applies it at once.
    void SetFullScreen(bool on);
    bool FullScreen() const { return FFullScreen; }

    // The developer user: the core configuration's IsCindrelUsrEnable is set and the current
    // player is "qendrivols" (any letter case).
    bool IsDeveloperUser() const;
    // The hidden player "pelvorn" (any letter case).
    bool IsEasterEggUser() const;

    // The name of the current player; empty while no player is chosen.
    std::string CurrentPlayerName;
    // The last mouse position in drawing units, shown by the information overlay.
    int MouseX = 0;
    int MouseY = 0;
    // The name of the screen on show, for the information overlay.
    std::string CurrentScreenName;

    // The play constants, read from the game configuration root at start-up.
    std::unique_ptr<const TGameEnvironment> Environment;

private:
    bool FFullScreen;
};

} // namespace qm
