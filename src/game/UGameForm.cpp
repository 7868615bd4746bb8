#include "UGameForm.h"

#include "UDictionary.h"
#include "UGError.h"
#include "UGFont.h"
#include "UGKeys.h"
#include "UGStrings.h"
#include "UGWidgetManager.h"
#include "UStandInScreens.h"
#include "UWidgetGallery.h"

#include <algorithm>
#include <cstdio>

namespace qm {

namespace {

// The automatic player's pauses come from a generator of its own; a fixed seed makes a run with
// --fixed-step give the same game every time.
constexpr uint32_t AutoPlayerSeed = 1;

} // namespace

TGameForm::TGameForm(IGWindow& window, const TGAppStartInfo& info, bool fullScreen) : TGGameForm(window) {
    FormCreate(info, fullScreen);
}

TGameForm::~TGameForm() {
    FSoundTestScene.reset();
    FRenderTestScene.reset();
    FParticleScene.reset();
    FBoardScene.reset();
    FIceScene.reset();
    FAutoPlayer.reset();
    FSublevelScene.reset();
    FSpecialsScene.reset();
    FGameScreenScene.reset();
    // The loading thread uses the sound engine, which goes with the game data.
    FMusicLoading.reset();
    // The player leaves the sublevel while the manager can still empty the queues; then the two
    // state queues and the manager go, and last the game data, which tears down the engine.
    if (FGameData) {
        FGameData->SaveOnExit();
    }
    // The screens of the game speak to the manager until they are freed.
    if (auto* widgets =
            FGameData ? dynamic_cast<TGWidgetManager*>(FGameData->WidgetManager.get()) : nullptr) {
        widgets->SetRoot(nullptr);
    }
    FCampaignAutoPlay.reset();
    FGlobals.reset();
    FGameData.reset();
}

void TGameForm::FormCreate(const TGAppStartInfo& info, bool fullScreen) {
    FGameData = std::make_unique<TGameData>(info, "GameConfig.xml", fullScreen);
    FGameData->ResManager->SetResourceSet("LoadingScreen");
    StartSoundLoading();
    FormCreateEngine(ApplicationTitle);
}

// The sounds load on their own thread while the game starts; the engine stays quiet until that
// thread has ended. The volumes are the player's options from the save file.
void TGameForm::StartSoundLoading() {
    const TPlayerOptions& options = FGameData->Players->Options;
    PGBassEngine engine = FGameData->SoundEngine;
    engine->SetSoundVolume(options.SoundVolume);
    engine->SetMusicVolume(options.MusicVolume);
    engine->SetMuted(options.MuteSounds);
    FMusicLoading = std::make_unique<TMusicLoading>([engine] { engine->LoadSounds(nullptr); });
}

void TGameForm::CheckSoundLoading() {
    if (FSoundLoadingChecked || !SoundsLoaded()) {
        return;
    }
    FSoundLoadingChecked = true;
    if (!FMusicLoading->Error().empty()) {
        std::fprintf(stderr, "Loading the sounds: %s\n", FMusicLoading->Error().c_str());
    }
}

void TGameForm::DeactivateGame() {
    bool wasActive = IsActive();
    TGGameForm::DeactivateGame();
    // Hover states end and no button stays held while the game is away.
    if (wasActive && FGameData->WidgetManager) {
        FGameData->WidgetManager->MouseMove(-20, -20);
        FGameData->WidgetManager->MouseUp(0);
    }
    FAltDown = false;
}

void TGameForm::OpenFirstScreen() {
    OpenScene(BlankSceneName);
    RegisterStandInScreens();
    RegisterGameScreenClasses();
    TStandInScreen::AutoPress = FAutoplay;
    FGlobals = std::make_unique<TGameGlobals>(*FGameData);
    EnsureFirstPlayer();
    TGameManager& manager = FGlobals->Manager();
    if (FAutoplay) {
        FCampaignAutoPlay = std::make_unique<TCampaignAutoPlay>(manager, AutoPlayerSeed);
    }
    const IGXMLNode& config = *FGameData->GameConfig;
    if (config.GetBoolDef("IsInitalGameScreen", false)) {
        manager.ShowMenuScreen(false, false);
        manager.PlayerChanged();
        manager.ShowGameScreen(false);
    } else if (config.GetBoolDef("IsInitalMenuScreen", false)) {
        manager.ShowMenuScreen(true, false);
        manager.PlayerChanged();
    } else {
        manager.ShowSplashScreen();
    }
    // The first screen is there from the first frame on.
    manager.SwitchPendingScreen();
}

void TGameForm::EnsureFirstPlayer() {
    TGamePlayers& players = *FGameData->Players;
    if (players.NamedPlayerCount() > 0) {
        return;
    }
    const int slot = players.CurrentPlayerIndex();
    players.SetPlayerSlot(slot, players.NewPlayer(Translate("@UGameForm1")));
    players.SetCurrentPlayer(slot);
    FGlobals->Manager().SaveGame();
}

void TGameForm::OpenScene(const std::string& name) {
    FRenderTestScene.reset();
    FSoundTestScene.reset();
    FBoardScene.reset();
    FParticleScene.reset();
    FIceScene.reset();
    FAutoPlayer.reset();
    FSublevelScene.reset();
    FSpecialsScene.reset();
    FGameScreenScene.reset();
    if (name == BlankSceneName) {
        return;
    }
    if (name == TBoardTestScene::SceneName) {
        FRenderTestScene.reset();
        FBoardScene = std::make_unique<TBoardTestScene>(*FGameData);
        return;
    }
    if (name == TSublevelScene::SceneName) {
        FSublevelScene = std::make_unique<TSublevelScene>(*FGameData);
        if (FAutoplay) {
            FAutoPlayer = std::make_unique<TAutoPlayer>(*FSublevelScene, AutoPlayerSeed);
        }
        return;
    }
    if (name == TSpecialsScene::SceneName) {
        FSpecialsScene = std::make_unique<TSpecialsScene>(*FGameData);
        return;
    }
    if (name == TGameScreen::ScreenName) {
        FGameScreenScene = std::make_unique<TGameScreenScene>(*FGameData);
        FGameScreenScene->Open();
        if (FAutoplay) {
            FAutoPlayer = std::make_unique<TAutoPlayer>(*FGameScreenScene->Screen(), AutoPlayerSeed);
        }
        return;
    }
    if (name == TParticleScene::SceneName) {
        FRenderTestScene.reset();
        FParticleScene = std::make_unique<TParticleScene>(*FGameData);
        return;
    }
    if (name == TIceScene::SceneName) {
        FIceScene = std::make_unique<TIceScene>(*FGameData);
        return;
    }
    if (name == TRenderTestScene::SceneName) {
        FRenderTestScene = std::make_unique<TRenderTestScene>(*FGameData);
        return;
    }
    if (name == TSoundTestScene::SceneName) {
        FSoundTestScene = std::make_unique<TSoundTestScene>(*FGameData, [this] { return SoundsLoaded(); });
        return;
    }
    // The gallery's classes are there both for "widgets" and for its screen opened by name; the
    // stand-in screens open by name to be looked at (their buttons lead nowhere without the
    // game manager).
    RegisterWidgetGalleryClasses();
    RegisterStandInScreens();
    if (OpenNamedScreen(name == WidgetsSceneName ? TWidgetGalleryScreen::ScreenName : name)) {
        return;
    }
    throw EGError("TGameForm.OpenScene", Format("unknown scene \"%s\"", name.c_str()));
}

bool TGameForm::HasConfigItem(const char* tag, const std::string& name) const {
    PGXMLCollection items = FGameData->Config->GetCollection(tag);
    for (size_t i = 0; i < items->Count(); ++i) {
        if (items->GetItem(i)->GetStringDef("Name", "") == name) {
            return true;
        }
    }
    return false;
}

// A screen loads the set carrying its name; one with a set a level (the map, the construction,
// the puzzle) loads that of the first level; any other draws with what the menu's set holds, as
// the credits do in the game.
std::string TGameForm::ResourceSetOfScreen(const std::string& name) const {
    constexpr int FirstLevel = 1;
    constexpr const char* MenuSet = "MenuScreen";
    const std::string firstLevelSet = name + LevelSetSuffix(FirstLevel);
    if (HasConfigItem("ResourceSet", name)) {
        return name;
    }
    if (HasConfigItem("ResourceSet", firstLevelSet)) {
        return firstLevelSet;
    }
    return MenuSet;
}

bool TGameForm::OpenNamedScreen(const std::string& name) {
    if (!HasConfigItem("Widget", name)) {
        return false;
    }
    FGameData->ResManager->SetResourceSet(ResourceSetOfScreen(name));
    FRenderTestScene.reset();
    GetWidgetManager(*FGameData).ShowScreenFromConfig(name);
    return true;
}

void TGameForm::DoFrame() {
    CheckSoundLoading();
    if (FRenderTestScene) {
        FRenderTestScene->Draw();
    }
    if (FSoundTestScene) {
        FSoundTestScene->Draw();
    }
    if (FBoardScene) {
        FBoardScene->Draw();
    }
    if (FIceScene) {
        FIceScene->Draw();
    }
    if (FParticleScene) {
        FParticleScene->Draw();
    }
    if (FAutoPlayer) {
        FAutoPlayer->Step(FGameData->GameClock->Step);
    }
    if (FSublevelScene) {
        FSublevelScene->Draw();
    }
    if (FSpecialsScene) {
        FSpecialsScene->Draw();
    }
    if (FInfoOverlay) {
        DrawInfoOverlay();
    }
    // A screen asked for during this frame replaces the one just drawn.
    if (FCampaignAutoPlay) {
        FCampaignAutoPlay->Step(FGameData->GameClock->Step);
    }
    if (FGlobals) {
        FGlobals->Manager().EndFrame();
    }
}

void TGameForm::DrawInfoOverlay() {
    if (!FGameData->ResManager->HasFont("SysFont")) {
        return;
    }
    TGFont& font = FGameData->GetFont("SysFont");
    double y = 5;
    for (const std::string& line : InfoOverlayLines()) {
        font.DrawString(line, 0xFFFF0000, 5, y);
        y += 20;
    }
}

std::vector<std::string> TGameForm::InfoOverlayLines() const {
    std::vector<std::string> lines;
    lines.push_back(Format("ver: %s", FGameData->GameConfig->GetStringDef("Version", "").c_str()));
    if (FGameData->IsDeveloperUser() || FGameData->IsEasterEggUser()) {
        lines.push_back(Format("fps: %f Speed: %f Format: %s TxtrMm: %d Mb LocMm: %d Mb NonLocMm: %d Mb",
                               FGameData->Device->FramesPerSecond(), FGameData->GameClock->Speed,
                               FGameData->Device->Is16BitMode() ? "16bit" : "32bit", FTextureMemoryMb,
                               FLocalMemoryMb, FNonLocalMemoryMb));
        lines.push_back(Format("MouseXY(%d, %d)", FGameData->MouseX, FGameData->MouseY));
        lines.push_back(Format("Screen %s", FGameData->CurrentScreenName.c_str()));
    }
    return lines;
}

void TGameForm::FormMouseMove(int x, int y) {
    TGGameForm::FormMouseMove(x, y);
    FGameData->MouseX = x;
    FGameData->MouseY = y;
    FLastMouseX = x;
    FLastMouseY = y;
    if (FSublevelScene) {
        FSublevelScene->MouseMove(x, y, FLeftDown);
    }
    if (FSpecialsScene) {
        FSpecialsScene->MouseMove(x, y, FLeftDown);
    }
}

void TGameForm::FormMouseDown(int button) {
    TGGameForm::FormMouseDown(button);
    if (FBoardScene && button == 0) {
        FBoardScene->MouseDown(FLastMouseX, FLastMouseY);
    }
    if (button == 0) {
        FLeftDown = true;
    }
    if (FSublevelScene) {
        FSublevelScene->MouseDown(FLastMouseX, FLastMouseY, button);
    }
    if (FSpecialsScene) {
        FSpecialsScene->MouseDown(FLastMouseX, FLastMouseY, button);
    }
}

void TGameForm::FormMouseUp(int button) {
    TGGameForm::FormMouseUp(button);
    if (button == 0) {
        FLeftDown = false;
    }
    if (FSublevelScene) {
        FSublevelScene->MouseUp(FLastMouseX, FLastMouseY, button);
    }
    if (FSpecialsScene) {
        FSpecialsScene->MouseUp(FLastMouseX, FLastMouseY, button);
    }
}

void TGameForm::FormKeyUp(int key) {
    TGGameForm::FormKeyUp(key);
    if (FSpecialsScene) {
        FSpecialsScene->KeyUp(key);
    }
    if (key == VK_MENU) {
        FAltDown = false;
    }
}

void TGameForm::FormKeyDown(int key) {
    TGGameForm::FormKeyDown(key);
    if (FBoardScene) {
        FBoardScene->KeyDown(key);
    }
    if (FSublevelScene) {
        FSublevelScene->KeyDown(key);
    }
    if (FSpecialsScene) {
        FSpecialsScene->KeyDown(key);
    }
    if (key == VK_MENU) {
        FAltDown = true;
    } else if (key == VK_RETURN && FAltDown) {
        FGameData->SetFullScreen(!FGameData->FullScreen());
    } else if (key == VK_F8) {
        FInfoOverlay = !FInfoOverlay;
        FGameData->DebugOverlayOn = FInfoOverlay;
        if (FInfoOverlay) {
            SampleVideoMemory();
        }
    } else if (FGameData->IsDeveloperUser()) {
        DeveloperKey(key);
    }
}

void TGameForm::DeveloperKey(int key) {
    switch (key) {
    case VK_ADD:
        SetClockSpeed(FGameData->GameClock->Speed + 1.0);
        break;
    case VK_SUBTRACT:
        SetClockSpeed(std::max(1.0, FGameData->GameClock->Speed - 1.0));
        break;
    case VK_F10:
        SetClockSpeed(0.1);
        break;
    case VK_F11:
        SetClockSpeed(1.0);
        break;
    case VK_F7:
        try {
            FGameData->WriteStatisticsLogs();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "Writing the statistics logs: %s\n", error.what());
        }
        break;
    default:
        break;
    }
}

void TGameForm::SetClockSpeed(double speed) {
    FGameData->GameClock->Speed = speed;
    FGameData->InterfaceClock->Speed = speed;
}

void TGameForm::SampleVideoMemory() {
    constexpr int64_t Megabyte = 1024 * 1024;
    FTextureMemoryMb = static_cast<int>(FGameData->Device->GetVideoMem(mkTexture) / Megabyte);
    FLocalMemoryMb = static_cast<int>(FGameData->Device->GetVideoMem(mkLocal) / Megabyte);
    FNonLocalMemoryMb = static_cast<int>(FGameData->Device->GetVideoMem(mkNonLocal) / Megabyte);
}

void TGameForm::LeaveFullScreenForMessage() {
    FGameData->SetFullScreen(false);
}

} // namespace qm
