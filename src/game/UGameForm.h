#pragma once

#include "UAutoPlayer.h"
#include "UBoardTestScene.h"
#include "UCampaignAutoPlay.h"
#include "UGGameForm.h"
#include "UGMusicLoading.h"
#include "UGameData.h"
#include "UGameManager.h"
#include "UGameScreenScene.h"
#include "UIceScene.h"
#include "UParticleScene.h"
#include "URenderTestScene.h"
#include "USoundTestScene.h"
#include "USpecialsScene.h"
#include "USublevelScene.h"

#include <memory>
#include <string>
#include <vector>

namespace qm {

// The game's main window: creates the game data and the game objects, adds the game's keys
// (Alt+Enter, the F8 information overlay, the developer keys) and the per-frame hook.
class TGameForm : public TGGameForm {
public:
    static constexpr const char* ApplicationTitle = "Quillmark";

    TGameForm(IGWindow& window, const TGAppStartInfo& info, bool fullScreen);
    ~TGameForm() override;

    TGAppData* GetAppData() override { return FGameData.get(); }
    TGameData& GameData() const { return *FGameData; }

    void DeactivateGame() override;
    void DoFrame() override;

    // Opens a test scene, or a screen of the configuration by name, instead of the game's
    // screens; an unknown name is an error. "blank" draws nothing but the cleared screen, the
    // engine's cost at rest.
    void OpenScene(const std::string& name);
    // A start without a named scene: the game manager and the state queues are created, a first
    // player is made when there is none, and the first screen is the one the game configuration
    // chooses (IsInitalGameScreen, IsInitalMenuScreen, else the splash screens).
    void OpenFirstScreen();
    // The game manager and the state queues; null while a test scene runs.
    TGameGlobals* Globals() const { return FGlobals.get(); }
    static constexpr const char* BlankSceneName = "blank";
    // Every standard widget in its states (the widget gallery screen).
    static constexpr const char* WidgetsSceneName = "widgets";
    // The scenes opened afterwards that have an automatic player are played by it.
    void SetAutoplay(bool on) { FAutoplay = on; }
    // Every player is the developer user (the command line's --developer).
    void SetDeveloperSwitch(bool on) { FGameData->Players->DeveloperSwitch = on; }

    // True once the sound-loading thread has ended; until then the engine is quiet.
    bool SoundsLoaded() const { return FMusicLoading && FMusicLoading->Ended(); }
    // Waits for the sound-loading thread.
    void WaitForSounds() { FMusicLoading->Wait(); }

    bool InfoOverlayOn() const { return FInfoOverlay; }
    // The lines of the information overlay: the version for everybody, the performance and
    // diagnostic lines only for the developer user and the hidden player.
    std::vector<std::string> InfoOverlayLines() const;

protected:
    void FormMouseMove(int x, int y) override;
    void FormMouseDown(int button) override;
    void FormMouseUp(int button) override;
    void FormKeyDown(int key) override;
    void FormKeyUp(int key) override;
    void LeaveFullScreenForMessage() override;

private:
    // Shows a root `Widget` of the core configuration through the widget manager; false when
    // there is none of that name.
    bool OpenNamedScreen(const std::string& name);
    bool HasConfigItem(const char* tag, const std::string& name) const;
    std::string ResourceSetOfScreen(const std::string& name) const;
    void FormCreate(const TGAppStartInfo& info, bool fullScreen);
    void DeveloperKey(int key);
    void SetClockSpeed(double speed);
    void SampleVideoMemory();
    void DrawInfoOverlay();
    void StartSoundLoading();
    void CheckSoundLoading();

    // A first start has no player: one is made with the default name and saved at once.
    void EnsureFirstPlayer();

    std::unique_ptr<TGameData> FGameData;
    std::unique_ptr<TGameGlobals> FGlobals;
    std::unique_ptr<TCampaignAutoPlay> FCampaignAutoPlay;
    std::unique_ptr<TRenderTestScene> FRenderTestScene;
    std::unique_ptr<TSoundTestScene> FSoundTestScene;
    std::unique_ptr<TMusicLoading> FMusicLoading;
    bool FSoundLoadingChecked = false;
    std::unique_ptr<TBoardTestScene> FBoardScene;
    std::unique_ptr<TParticleScene> FParticleScene;
    std::unique_ptr<TIceScene> FIceScene;
    std::unique_ptr<TSublevelScene> FSublevelScene;
    std::unique_ptr<TSpecialsScene> FSpecialsScene;
    // The game screen on level 1's sublevels, until the campaign's flow opens it.
    std::unique_ptr<TGameScreenScene> FGameScreenScene;
    std::unique_ptr<TAutoPlayer> FAutoPlayer;
    bool FAutoplay = false;
    bool FLeftDown = false;
    int FLastMouseX = 0;
    int FLastMouseY = 0;
    bool FInfoOverlay = false;
    bool FAltDown = false;
    // Video memory in whole megabytes, sampled when the overlay is switched on.
    int FTextureMemoryMb = 0;
    int FLocalMemoryMb = 0;
    int FNonLocalMemoryMb = 0;
};

} // namespace qm
