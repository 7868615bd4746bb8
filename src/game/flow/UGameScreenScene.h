#pragma once

// The game screen played on the sublevels of level 1 without the game manager: the sublevel
// scene's field, bars, bricks and state queue drawn and driven by the real screen, its dialogs
// opened on the screen. Opened with --scene GameScreen while the campaign's flow does not open
// the screen itself, and by the screen's end-to-end tests.

#include "UGameScreen.h"
#include "USublevelScene.h"

#include <memory>

namespace qm {

class TGameData;

class TGameScreenScene : public IGameScreenHost {
public:
    static constexpr const char* ResourceSetName = "Level01";

    explicit TGameScreenScene(TGameData& data);
    ~TGameScreenScene() override;

    // Builds the screen from the configuration and shows it.
    void Open();

    TGameScreen* Screen() const;
    TSublevelScene& Sublevel() { return *FSublevel; }

    TGameStateQueue& StateQueue() override { return FSublevel->Queue(); }
    TField* CurrentField() override { return &FSublevel->Field(); }
    TTimeBar* TimeBar() override { return &FSublevel->TimeBar(); }
    TBrickBar* BrickBar() override { return &FSublevel->BrickBar(); }
    TShuffleBar* ShuffleBar() override { return &FSublevel->ShuffleBar(); }
    TBonusBar* BonusBar() override { return &FSublevel->BonusBar(); }
    PGXMLNode GameConfig() const override;
    bool LowVideoMemory() const override;
    PGXMLNode CurrentLevelConfig() const override { return FSublevel->CurrentLevelConfig(); }
    // The sublevel scene has no bonus states; the bar stays full.
    void PushBonusState(int /*kind*/) override {}
    int Score() const override { return FSublevel->CurrentScore(); }
    int BricksInStock() const override { return FSublevel->BricksCollected(); }
    bool ShowTips() const override { return true; }
    void DrawWorkZone() override { FSublevel->DrawBricks(); }

private:
    class TScreenSublevel;

    TGameData& FData;
    std::unique_ptr<TSublevelScene> FSublevel;
};

} // namespace qm
