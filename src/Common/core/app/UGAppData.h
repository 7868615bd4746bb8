#pragma once

#include "UDictionary.h"
#include "UGAudioOutput.h"
#include "UGCacheLocation.h"
#include "UGGraphicsDevice.h"
#include "UGNewXMLNode.h"
#include "UGNullRenderBackend.h"
#include "UGResManager.h"
#include "UGSoundEngine.h"
#include "UGTimer.h"
#include "UGUserStorage.h"
#include "UGWidgetInput.h"
#include "UGXMLNode.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace qm {

class IGWindow;
class TGEventTrace;
class IGProgressWindow;
class TGWidgetStyleManager;

// Called once per lengthy step while the graphics cache is filled (a progress bar listens).
using TGProgressCallback = std::function<void(const std::string& message)>;

// What the main program knows before the engine starts.
struct TGAppStartInfo {
    // The data folder: configuration, art, language files. It is also the current folder, so
    // the program folder and the working folder are one place unless configured otherwise.
    std::filesystem::path ProgramFolder;
    // The per-user folder (save file, stored values, graphics cache); created when missing.
    std::filesystem::path UserFolder;
    // Where the caches of a read-only data folder go (see TGCacheLocation); empty: beside their
    // sources only. The graphics cache goes there too when the per-user folder may not be written.
    std::filesystem::path CacheFolder;
    // Whether the game may write into a folder; unset: the operating system's answer
    // (IsFolderWritable). Tests play a read-only folder with it.
    TGCacheLocation::TWritableCheck Writable;
    int SystemLanguageId = 1033;
    std::string CoreConfigName = "CoreConfig.xml";
    IGTickSource* Ticks = nullptr;
    IGWindow* Window = nullptr; // none in logic tests
    // The renderer of the graphics device; none gives the null renderer (logic tests, tools).
    IGRenderBackend* Backend = nullptr;
    // Renders the TrueType faces of system fonts; none where no system font is loaded.
    IGFontRasterizer* FontRasterizer = nullptr;
    // Shows the progress of a graphics-cache rebuild; none where nobody watches (tests, tools).
    IGProgressWindow* ProgressWindow = nullptr;
    // Started for the media-centre shell ("-mce"): full screen from the start.
    bool MediaCenter = false;
    TGProgressCallback Progress;
    // Opens the audio output when the configuration turns sound on; gives null and the reason
    // when there is none. Unset: no audio output (logic tests, tools, headless runs).
    std::function<std::unique_ptr<IGAudioOutput>(std::string& whyNot)> OpenAudio;
    // The event trace of the run; none unless asked for.
    TGEventTrace* Trace = nullptr;
};

// The root of the engine: the core configuration, the language, the clocks, the per-user
// storage, and (as they arrive) the graphics device, the resource manager and the sound
// engine. Exactly one exists while the program runs; nearly everything keeps a reference.
class TGBaseAppData {
public:
    explicit TGBaseAppData(const TGAppStartInfo& info);
    virtual ~TGBaseAppData();
    TGBaseAppData(const TGBaseAppData&) = delete;
    TGBaseAppData& operator=(const TGBaseAppData&) = delete;

    virtual void AfterDeviceCreated() {}
    // Puts the display into the player's windowed or full-screen choice.
    virtual void ApplyVideoMode() = 0;

    // Per-user storage.
    std::string ReadUserValue(const std::string& key) const { return FStorage->ReadUserValue(key); }
    void WriteUserValue(const std::string& key, const std::string& value) const {
        FStorage->WriteUserValue(key, value);
    }
    // The hashes of the art and cache folders are stored with the user's values, or beside the
    // graphics cache when the per-user folder may not be written.
    bool FolderChanged(const std::filesystem::path& folder) const {
        return HashStorage().FolderChanged(folder);
    }
    void StoreFolderHash(const std::filesystem::path& folder) const { HashStorage().StoreFolderHash(folder); }
    const TGUserStorage& Storage() const { return *FStorage; }
    // The folder that holds the graphics cache folders (cache16, cache32): the per-user folder,
    // or the cache folder when the per-user folder may not be written.
    const std::filesystem::path& GraphicsCacheRoot() const { return FGraphicsCacheRoot; }
    // Whether the game may write into a folder (see TGAppStartInfo::Writable).
    bool MayWrite(const std::filesystem::path& folder) const;

    // The ways game code reaches images and fonts.
    TGSequence& GetSeq(const std::string& name) const { return ResManager->GetSeq(name); }
    TGFont& GetFont(const std::string& name) const { return ResManager->GetFont(name); }

    // Switches between full screen and windowed at once; the time spent switching is not
    // counted by the clocks.
    void ToggleFullScreenNow();
    bool IsFullScreen() const;
    void SetFullScreenNow(bool fullScreen);
    void UpdateTimers(bool active);

    const std::filesystem::path& ProgramFolder() const { return FProgramFolder; }
    // Where the caches of the data folder are read from and written to.
    const TGCacheLocation& Caches() const { return FCaches; }
    // Where relative names (the game configuration, resources) are found from.
    const std::filesystem::path& WorkingFolder() const { return FWorkingFolder; }
    IGWindow* Window() const { return FWindow; }
    IGTickSource& Ticks() const { return *FTicks; }
    bool MediaCenter() const { return FMediaCenter; }
    // Where the game's events are written; null unless the run asked for a trace.
    TGEventTrace* EventTrace() const { return FTrace; }

    PGXMLNode Config;
    std::unique_ptr<TGNewXMLNode> Fonts;
    std::unique_ptr<TDictionary> Dictionary;
    std::unique_ptr<TGGraphicsDevice> Device;
    std::unique_ptr<TGResManager> ResManager;
    std::unique_ptr<TGTimer> GameClock;
    std::unique_ptr<TGTimer> InterfaceClock;
    // Every sound goes through it: the playing engine, or the silent one when sound is off or
    // no audio output could be opened.
    PGBassEngine SoundEngine;
    // The audio output the playing engine drives; none with the silent engine.
    IGAudioOutput* AudioOutput() const { return FAudioOutput.get(); }

    // The volumes the engine starts with, until the player's options are applied.
    static constexpr int InitialSoundVolume = 75;
    static constexpr int InitialMusicVolume = 0;
    static constexpr int InitialAmbientVolume = 80;

    int ScreenWidth = 800;
    int ScreenHeight = 600;
    double ViewportScale = 1.0;
    bool SoundsEnabled = false;

private:
    void LoadCoreConfig(const std::string& coreConfigName);
    void LoadLanguage(int systemLanguageId);
    void ApplyStoredWorkingFolder();
    void CreateDevice(IGRenderBackend* backend);
    void CreateResManager(const TGAppStartInfo& info);
    void ChooseGraphicsCacheRoot(const std::filesystem::path& userFolder);
    void CreateSoundEngine(const TGAppStartInfo& info);

    std::filesystem::path FProgramFolder;
    std::filesystem::path FWorkingFolder;
    TGCacheLocation FCaches;
    std::unique_ptr<TGUserStorage> FStorage;
    TGCacheLocation::TWritableCheck FWritable;
    std::filesystem::path FGraphicsCacheRoot;
    // Set when the per-user folder may not be written: the stored values the graphics cache
    // needs, kept in its root.
    std::unique_ptr<TGUserStorage> FCacheStorage;
    const TGUserStorage& HashStorage() const { return FCacheStorage ? *FCacheStorage : *FStorage; }
    IGTickSource* FTicks;
    IGWindow* FWindow;
    bool FMediaCenter;
    TGEventTrace* FTrace;
    TGProgressCallback FProgress;
    std::unique_ptr<TGNullRenderBackend> FNullBackend;
    std::unique_ptr<IGAudioOutput> FAudioOutput;
};

// Adds the widget machinery to the engine's root object.
class TGAppData : public TGBaseAppData {
public:
    explicit TGAppData(const TGAppStartInfo& info);
    ~TGAppData() override;

    // Every widget style of the core configuration, read once at start.
    std::unique_ptr<TGWidgetStyleManager> WidgetStyles;
    // The manager of the current screen tree; empty until the first screen is shown.
    std::unique_ptr<IGWidgetInput> WidgetManager;
    bool ShowSystemCursor = false;
    // Set where much of what is drawn changes (a new screen, the end of a sublevel): once the
    // frame is presented, the device evicts the managed textures and the request is cleared.
    bool TextureEvictionRequested = false;
};

} // namespace qm
