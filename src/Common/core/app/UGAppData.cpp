#include "UGAppData.h"
#include "UGWidgetClasses.h"
#include "UGWidgetStyle.h"

#include "UGBassEngine.h"
#include "UGSilentBassEngine.h"

#include "UGConfigPreprocessor.h"
#include "UGEngineResources.h"
#include "UGError.h"
#include "UGFileSystem.h"
#include "UGStrings.h"
#include "UGWindow.h"

#include <pugixml.hpp>

#include <cstdio>

namespace qm {

namespace fs = std::filesystem;

TGBaseAppData::TGBaseAppData(const TGAppStartInfo& info)
    : FProgramFolder(info.ProgramFolder), FWorkingFolder(info.ProgramFolder),
      FCaches(info.ProgramFolder, info.CacheFolder, info.Writable), FTicks(info.Ticks), FWindow(info.Window),
      FMediaCenter(info.MediaCenter), FTrace(info.Trace), FProgress(info.Progress) {
    if (!FTicks) {
        throw EGError("TGBaseAppData.Create", "no tick source");
    }
    LoadCoreConfig(info.CoreConfigName);

    Fonts = std::make_unique<TGNewXMLNode>("Fonts");
    Fonts->LoadFromFile(FProgramFolder / "lang" / "Fonts", FCaches);

    LoadLanguage(info.SystemLanguageId);

    CreateFolders(info.UserFolder, fs::perms::owner_all);
    FStorage = std::make_unique<TGUserStorage>(info.UserFolder, Config->GetStringDef("DataKey", ""));
    FWritable = info.Writable;
    ChooseGraphicsCacheRoot(info.UserFolder);
    ApplyStoredWorkingFolder();

    CreateDevice(info.Backend);
    AfterDeviceCreated();
    CreateResManager(info);

    double speed = Config->GetFloatDef("Speed", 1.0);
    GameClock = std::make_unique<TGTimer>(*FTicks, speed);
    InterfaceClock = std::make_unique<TGTimer>(*FTicks, speed);

    // The sound engine comes last: the real one when SoundsEnabled, else the silent one.
    SoundsEnabled = Config->GetBool("SoundsEnabled");
    CreateSoundEngine(info);
}

bool TGBaseAppData::MayWrite(const fs::path& folder) const {
    return FWritable ? FWritable(folder) : IsFolderWritable(folder);
}

// The graphics cache belongs in the per-user folder. Where that may not be written (a read-only
// home, a folder of another user) it goes to the cache folder with the hashes that tell when it is
// stale, and whatever cache the per-user folder holds is left alone: removing or rewriting it
// would fail. Said once, as it costs a rebuild of the cache.
void TGBaseAppData::ChooseGraphicsCacheRoot(const fs::path& userFolder) {
    FGraphicsCacheRoot = userFolder;
    auto writable = [&](const fs::path& folder) {
        std::error_code error;
        return !fs::exists(folder, error) || MayWrite(folder);
    };
    if (FCaches.CacheFolder().empty() ||
        (MayWrite(userFolder) && writable(userFolder / "cache16") && writable(userFolder / "cache32"))) {
        return;
    }
    FGraphicsCacheRoot = FCaches.CacheFolder();
    FCacheStorage = std::make_unique<TGUserStorage>(FGraphicsCacheRoot, Config->GetStringDef("DataKey", ""));
    std::fprintf(
        stderr,
        "TGBaseAppData: the per-user folder \"%s\" may not be written: the graphics cache is kept in "
        "\"%s\"\n",
        userFolder.c_str(), FGraphicsCacheRoot.c_str());
}

void TGBaseAppData::CreateSoundEngine(const TGAppStartInfo& info) {
    std::string whyNot = "sound is turned off in the configuration";
    if (SoundsEnabled) {
        whyNot = "no audio output";
        if (info.OpenAudio) {
            FAudioOutput = info.OpenAudio(whyNot);
        }
    }
    if (FAudioOutput) {
        SoundEngine =
            std::make_shared<TGBassEngine>(Config, *FAudioOutput, *FTicks, FWorkingFolder, InitialSoundVolume,
                                           InitialMusicVolume, InitialAmbientVolume);
        return;
    }
    std::fprintf(stderr, "Sound: silent (%s)\n", whyNot.c_str());
    SoundEngine = std::make_shared<TGSilentBassEngine>(InitialSoundVolume, InitialMusicVolume);
}

TGBaseAppData::~TGBaseAppData() {
    SoundEngine.reset();
    FAudioOutput.reset();
    InterfaceClock.reset();
    GameClock.reset();
    ResManager.reset();
    if (Device) {
        Device->SetFullScreen(false);
        Device.reset();
    }
    if (GDictionary == Dictionary.get()) {
        GDictionary = nullptr;
    }
    Fonts.reset();
    Dictionary.reset();
}

void TGBaseAppData::LoadCoreConfig(const std::string& coreConfigName) {
    // Both configuration files load with circular checking off; cycles are still caught.
    TGConfigProcessor processor(FProgramFolder, coreConfigName, false, FCaches);
    Config = CreateXMLSnapshot(processor.DocumentElement(), coreConfigName);
}

void TGBaseAppData::LoadLanguage(int systemLanguageId) {
    fs::path base = ChooseLanguageBase(FProgramFolder, systemLanguageId, Config->GetString("ForceLangId"));
    Dictionary = std::make_unique<TDictionary>();
    GDictionary = Dictionary.get();
    Dictionary->LoadFromFile(base, FCaches);
}

void TGBaseAppData::ApplyStoredWorkingFolder() {
    // Only the presence of the attribute counts, whatever its value.
    if (!Config->HasAttribute("SetWorkingFolderFromRegistry") ||
        Config->GetStringDef("DataKey", "").empty()) {
        return;
    }
    std::string folder = ReadUserValue("WorkingFolder");
    // A value that was never stored leaves the program folder in place.
    if (folder.empty()) {
        return;
    }
    std::error_code ec;
    fs::current_path(folder, ec);
    if (ec) {
        throw EGError("TGBaseAppData.Create", Format("cannot enter the working folder \"%s\": %s",
                                                     folder.c_str(), ec.message().c_str()));
    }
    FWorkingFolder = folder;
}

void TGBaseAppData::CreateDevice(IGRenderBackend* backend) {
    ScreenWidth = Config->GetIntDef("ScreenWidth", 800);
    ScreenHeight = Config->GetIntDef("ScreenHeight", 600);
    ViewportScale = Config->GetFloatDef("ViewportScale", 1.0);
    if (!backend) {
        FNullBackend = std::make_unique<TGNullRenderBackend>();
        backend = FNullBackend.get();
    }
    Device = std::make_unique<TGGraphicsDevice>(*backend, FWindow, *FTicks, Config);
    Device->SetMode(ScreenWidth, ScreenHeight, ViewportScale);
}

void TGBaseAppData::CreateResManager(const TGAppStartInfo& info) {
    RegisterEngineResourceClasses();
    TGResContextRec context;
    context.Device = Device.get();
    context.Config = Config;
    context.Fonts = Fonts.get();
    context.Dictionary = Dictionary.get();
    context.Progress = FProgress;
    context.UserFolder = FGraphicsCacheRoot;
    context.DataFolder = FWorkingFolder;
    context.Caches = TGCacheLocation(FWorkingFolder, FCaches.CacheFolder());
    context.FontRasterizer = info.FontRasterizer;
    ResManager = std::make_unique<TGResManager>(context);
}

bool TGBaseAppData::IsFullScreen() const {
    return Device->IsFullScreen();
}

void TGBaseAppData::SetFullScreenNow(bool fullScreen) {
    if (IsFullScreen() != fullScreen) {
        ToggleFullScreenNow();
    }
}

void TGBaseAppData::ToggleFullScreenNow() {
    Device->ToggleFullScreen();
    UpdateTimers(false);
}

void TGBaseAppData::UpdateTimers(bool active) {
    GameClock->UpdateStep(active);
    InterfaceClock->UpdateStep(active);
}

TGAppData::TGAppData(const TGAppStartInfo& info) : TGBaseAppData(info) {
    RegisterEngineWidgetClasses();
    TGVisualContextRec context;
    context.Timer = InterfaceClock.get();
    context.ResManager = ResManager.get();
    context.Device = Device.get();
    context.Config = Config;
    context.Dictionary = Dictionary.get();
    context.AppData = this;
    WidgetStyles = std::make_unique<TGWidgetStyleManager>(context);
    ShowSystemCursor = false;
}

TGAppData::~TGAppData() {
    // Widgets draw through the styles, so the tree goes first.
    WidgetManager.reset();
    WidgetStyles.reset();
}

} // namespace qm
