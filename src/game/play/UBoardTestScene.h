#pragma once

#include "UBars.h"
#include "UBonusStates.h"
#include "UBrick.h"
#include "UField.h"
#include "UGameDataBarHost.h"
#include "UGameStateQueue.h"
#include "UPlayHost.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class TGameData;
class IGXMLNode;

// A sublevel of the campaign as the test scenes play it.
struct TTestSublevel {
    std::string Text;
    std::string Marbles;
    double TimeLimit = 240.0;
    int Level = 1;
    // Within its level, from 1, of `Count`.
    int Number = 1;
    int Count = 1;
    // The level's first-pass box quota.
    int Quota = 3;
};
// Every sublevel of the campaign that has a field, level after level; one of our own when there
// is none.
std::vector<TTestSublevel> LoadCampaignSublevels(const IGXMLNode& gameConfig);
// Those of the first level.
std::vector<TTestSublevel> LoadLevelOneSublevels(const IGXMLNode& gameConfig);

// The board's services over the game data. Until the game manager and the player's progress
// exist, scores and box counts are kept here, and the board plays no sounds.
class TGameDataPlayHost : public IPlayHost {
public:
    explicit TGameDataPlayHost(TGameData& data);

    const TGameEnvironment& Env() const override;
    TGTimer& GameClock() override;
    TGResManager* ResManager() override;
    TGGraphicsDevice* Device() override;
    int& SuperBonusSpecialBudget() override { return Budget; }
    void AddScore(int points) override { Score += points; }
    void BoxCollected(int, int, bool) override { ++BoxesCollected; }
    int BoxesCounted() const override { return BoxesCollected; }
    int BoxQuota() const override { return Quota; }
    TField* CurrentField() override { return Field; }
    bool PlayComboSound(int comboCount) override;
    void PlaySpecialAppearSound(TSpecial& special) override;
    TParticleEnv ParticleEnv() override;
    TGameStateQueue* StateQueue() override { return Queue; }
    void PushPackState() override { PackRequested = true; }
    bool FieldEffectQueued() const override;
    void PlayBlastSound(int kind) override;
    void MarbleKilled() override;
    void MarvaneMarbleMatched() override;
    void SpawnBricksFromCell(TCell& cell) override;
    char MarbleOfMarvane() const override { return Marvane; }
    std::string SpecialMainSeq(int kind) const override { return FLooks.Main(kind); }
    std::string SpecialSelectSeq(int kind) const override { return FLooks.Select(kind); }
    std::string SpecialBonusLight(int kind) const override { return FLooks.BonusLight(kind); }

    TField* Field = nullptr;
    TGameStateQueue* Queue = nullptr;
    // An effect ended: the scene lets the board fall and refill.
    bool PackRequested = false;
    // The scene's bars, which matches charge; none until the scene has made them.
    TBrickBar* BrickBar = nullptr;
    TShuffleBar* ShuffleBar = nullptr;
    // Throws a brick out of the board at (x, y).
    std::function<void(int x, int y)> ThrowBrick;
    // The stand-in for the level's monument colour.
    char Marvane = '2';
    int Budget = 0;
    int Score = 0;
    int BoxesCollected = 0;
    int Quota = 3;

private:
    TGameData& FData;
    TSpecialLooks FLooks;
};

// The bars' services over the game data, with the player's lives, level and bonus as plain
// values until the player's progress exists.
class TBoardBarHost : public TGameDataBarHost {
public:
    TBoardBarHost(TGameData& data, TGameDataPlayHost& play);

    void AddScore(int points) override { FPlay.Score += points; }
    int Lives() const override { return 3; }
    char MarbleOfMarvane() const override { return FPlay.Marvane; }
    int SelectedBonusKind() const override { return 1; }
    void PlaySound(const std::string& name) override;

private:
    TGameData& FData;
    TGameDataPlayHost& FPlay;
};

// A board to look at and play on: the campaign's sublevels one after another, where the player
// selects and swaps marbles and the board matches, lets columns fall, refills and collects
// boxes. The play states come later; this scene drives the field itself. Opened with
// --scene board.
class TBoardTestScene {
public:
    static constexpr const char* SceneName = "board";
    static constexpr const char* ResourceSetName = "Board";

    explicit TBoardTestScene(TGameData& data);
    ~TBoardTestScene();

    void Draw();
    void MouseDown(int x, int y);
    void KeyDown(int key);

    TField& Field() const { return *FField; }
    int SublevelIndex() const { return FSublevel; }

private:
    enum class TPhase { Waiting, Swapping, SwappingBack, Settling };

    void StartSublevel(int index);
    void Step();
    void Settle();
    void StartSwap(TCell& a, TCell& b);
    void DrawStatus();
    // S: a special of every kind and the three marbles with an effect on the board; F: the next
    // of them fires.
    void PlaceSpecials();
    void FireNextSpecial();
    bool FireSwappedSpecials();
    void DrawBars();

    TGameData& FData;
    TGameDataPlayHost FHost;
    TBoardBarHost FBarHost;
    TTimeBar FTimeBar;
    TBrickBar FBrickBar;
    TShuffleBar FShuffleBar;
    TBonusBar FBonusBar;
    std::vector<std::unique_ptr<TBrick>> FBricks;
    std::unique_ptr<TField> FField;
    std::vector<TTestSublevel> FSublevels;
    int FSublevel = 0;
    TPhase FPhase = TPhase::Waiting;
    TCell* FSelected = nullptr;
    TCell* FSwapA = nullptr;
    TCell* FSwapB = nullptr;
    TGameStateQueue FStates{nullptr};
    // What PlaceSpecials put down, in firing order (see IsPlacedKind).
    std::vector<int> FPlaced;
};

} // namespace qm
