#pragma once

// Player profiles and their progress: nine slots, each a named player with three progress
// records (the campaign, replays from the map, the hidden bonus level), statistics, and the
// high-score table and options they share.

#include "UGXMLNode.h"
#include "ULevels.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class TGamePlayers;

// The extra bonuses of the bonus bar (their numbers are the saved ones).
enum TBonusKind : int32_t {
    bkNone = 0,
    bkLineHorizontal = 1,
    bkCrossFire = 2,
    bkRandom = 3,
    bkDiagonal = 4,
    bkAddScores = 5,
    bkTimeLineFreeze = 6,
    bkSingleCellBomb = 7,
    bkCornerStoneTeleport = 8,
    bkWildChameleon = 9,
    bkBomb = 10,
    bkCornerStoneDown = 11,
    bkColorChange = 12,
    bkX2BuildingMaterials = 13,
    bkColorBomb = 14,
    bkPhantomBonuses = 15,
};

// The kinds a player can own as extra bonuses.
inline constexpr int32_t FirstExtraBonusKind = bkDiagonal;
inline constexpr int32_t LastExtraBonusKind = bkPhantomBonuses;
inline bool IsExtraBonusKind(int32_t kind) {
    return kind >= FirstExtraBonusKind && kind <= LastExtraBonusKind;
}

// The small bonuses of the monument, 1..12 (0 is none).
inline constexpr int32_t LastSmallBonus = 12;
inline bool IsSmallBonus(int32_t bonus) {
    return bonus >= 1 && bonus <= LastSmallBonus;
}

// The id of a bonus kind used in resource and configuration names; "GetIdOfKind" for kinds
// outside 1..15.
int IdOfKind(int32_t kind);
std::string GetIdOfKind(int32_t kind);
// "BombDoubleTime" ... "DoubleBricksFromCell"; raises for values outside 1..12.
std::string SmallBonusToStr(int32_t bonus);

inline constexpr int MaxLives = 9;
inline constexpr int StartLives = 3;
inline constexpr int PassCount = 3;
inline constexpr int TimedLevelCount = 8;
// The level number of a finished campaign in a high-score item.
inline constexpr int FinishedCampaignLevel = 8;
inline constexpr int MaxHighScores = 10;
inline constexpr int PlayerSlotCount = 9;
inline constexpr int SecretMapCount = 7;

struct THighScoresItem {
    std::string Name;
    int32_t Score = 0;
    int32_t Pass = 0;
    // Whole seconds.
    int32_t PassingTime = 0;
    // The level the player was on; 8 for a finished campaign.
    int32_t FinalLevel = 0;

    bool operator==(const THighScoresItem&) const = default;
};

struct TStatisticsRecord {
    int32_t Level = 0;
    int32_t SubLevel = 0;
    double Time = 0;
    // Lives gained minus lives lost.
    int32_t Lives = 0;
    int32_t ColorCells = 0;
    int32_t Bricks = 0;
    // The score when the sublevel was last played.
    int32_t Score = 0;

    bool operator==(const TStatisticsRecord&) const = default;
};

// One record per (level, sublevel), in the order first played.
class TStatistics {
public:
    std::vector<TStatisticsRecord> Records;

    // The record of a sublevel, created when first asked for.
    TStatisticsRecord& For(int level, int subLevel);
    // Five lines per sublevel, then the score of each level; lines end with "\n\r".
    std::string Text() const;
};

// One progress record. The construction grid and the level number live in the base the monument
// reader fills.
struct TPlayerData : TConstructionProgress {
    int32_t Score = 0;
    int32_t Lives = StartLives;
    int32_t SubLevel = 1;
    bool ShowTips = false;
    // The sublevel on the field belongs to this record and can be continued.
    bool SublevelInProgress = false;
    // Always 3 in the file.
    int32_t Reserved = 3;
    // Drawn for every sublevel; the field transformation reads it.
    bool RandomFlip = false;
    bool BoxCountReached = false;
    int32_t BoxesCounted = 0;
    bool PuzzleClosed = false;
    int32_t PiecesFound = 0;
    int32_t PiecesFoundThisVisit = 0;
    int32_t PiecesFoundInSublevel = 0;
    int32_t BricksInStock = 0;
    // Snapshots of the monument grid for undo.
    std::vector<TConstrucionCells> ConstructionMoves;
    int32_t BricksInSublevel = 0;
    int32_t BricksInLevel = 0;
    int32_t PuzzleMovesLeft = 0;
    bool LevelEntered = false;
    std::vector<int32_t> ExtraBonuses;
    int32_t SelectedExtraBonus = bkNone;
    std::vector<int32_t> ExtraBonusesPending;
    std::vector<int32_t> ExtraBonusesPossible;
    std::vector<int32_t> ExtraBonusesPerLevel;
    int32_t PendingAddedInLevel = 0;
    // Seconds played, by level 1..8 and pass 0..2.
    std::array<std::array<double, PassCount>, TimedLevelCount> LevelTimes{};
    int32_t Pass = 0;
    double LevelTime = 0;
    bool MonumentComplete = false;
    bool LevelChangeRunning = false;
    // Tips and one-time events already shown.
    std::vector<std::string> SeenNames;
    bool CatchUpMode = false;
    bool ReturnToPuzzle = false;
    bool ReturnToBonus = false;
    bool ReturnToConstruction = false;
    bool StartFresh = false;
    int32_t SecretMapsCompleted = 0;
    int32_t SecretLevelWon = 0;
    bool ScoreMultiplierOn = false;
    double ScoreMultiplierTime = 0;
    int32_t MaxLevelReached = 0;
    int32_t LastFinishedLevel = 0;
    std::vector<int32_t> SmallBonuses;
    // One flag per top-level SecretLevelField: already played.
    std::vector<bool> SecretLevelsUsed;
    int32_t SecretLevelIndex = -1;

    // A won sublevel whose board transformation has not ended yet. The win counts from the moment
    // it happens: saves write the sublevel it leads to, and leaving the sublevel moves the record
    // there instead of taking back its bricks and pieces. Not saved itself.
    bool WinBanked = false;
    int32_t BankedLevel = 0;
    int32_t BankedSubLevel = 0;

    // The level and sublevel a save writes: the banked ones while a win is banked.
    int32_t SavedLevel() const { return WinBanked ? BankedLevel : Level; }
    int32_t SavedSubLevel() const { return WinBanked ? BankedSubLevel : SubLevel; }
};

// The record of the hidden bonus level; it holds nothing more.
struct TEasterEggPlayerData : TPlayerData {};

class TPlayer {
public:
    explicit TPlayer(TGamePlayers& owner);

    TGamePlayers& Owner() const { return *FOwner; }

    std::string Name;
    // The replay record is active; not saved.
    bool ReplayMode = false;
    bool EasterEggMode = false;
    bool EasterEggPlayed = false;
    bool EasterEggBonusShown = false;
    bool AllPassesFinished = false;
    TPlayerData Main;
    TPlayerData Replay;
    TEasterEggPlayerData EasterEgg;
    TStatistics Statistics;

    TPlayerData& ActiveData();
    const TPlayerData& ActiveData() const;

    // A fresh record (and a fresh player around it); see the field comments for the values.
    void ResetProgress(TPlayerData& record);
    void ResetLevelProgress(bool keepLevelState);
    void ResetSublevelCounters();
    void AbandonSublevel();
    // The sublevel was won: it counts as done from now on, leading to (nextLevel, nextSubLevel).
    // The play state that declares the win calls this before anything else can end the program.
    void BankSublevelWin(int nextLevel, int nextSubLevel);
    // The board transformation after a win has ended: the record moves to the banked sublevel.
    // Nothing happens when no win is banked.
    void CompleteBankedSublevel();

    void BrickCollected();
    void PieceFound();
    void BrickPlaced();
    void BoxCounted();
    // The boxes a sublevel needs on the current level and pass (0 when the configuration has none).
    int BoxQuota() const;
    void AddScore(int points);
    void SetLives(int lives);
    void LoseLife();
    void RestartLevelAfterGameOver();
    void StartNextPass();
    void MakePuzzleMove();
    void AddPuzzleMove();
    bool HasPuzzleMoves() const;

    void AddExtraBonus(int32_t kind, bool pending);
    void PromotePendingBonuses();
    void GrantFirstPossibleBonus();
    void SelectExtraBonus(int32_t kind);
    void GiveBackLevelBonuses();
    bool HasPendingBonuses() const;
    int32_t LastPendingBonus() const;
    bool HasSeveralExtraBonuses() const;
    bool ExtraBonusesWaiting() const;
    void GiveAllBonuses();

    void AddSmallBonus(int32_t bonus);
    bool HasSmallBonus(int32_t bonus) const;
    void RemoveSmallBonus(int32_t bonus);
    void AddSeenName(const std::string& name);
    bool HasSeenName(const std::string& name) const;

    void KeeyOnlyCountBonusesOnConstruction(int mode);
    void RecordConstructionMove();
    void ClearConstructionMoves();
    double ConstructionBuiltRatio() const;
    double ConstructionProgress() const;
    int ConstructionCellsSize() const;
    // Rebuilds the active record's monument grid from its level's outline.
    void FillConstructionCells();

    bool SecretMapComplete() const;
    bool AllSecretMapsComplete() const;
    // The last level a pass of the campaign leads through: the eighth monument only once every
    // secret map is complete, the one before it otherwise. Levels beyond the eighth (the hidden
    // bonus level) are never reached by playing on.
    int LastPlayableLevel() const;
    // The secret level offered once the level's own one is won; null when the configuration has
    // no top-level SecretLevelField.
    PGXMLNode ChooseSecretLevelField();
    // The secret level of the current visit: the chosen extra one once the level's own one is
    // won, else the first SecretLevelField of level SecretMapsCompleted + 1; null when none.
    PGXMLNode SecretLevelFieldNode();
    void MarkSecretLevelUsed();

    void StartScoreMultiplier(double seconds);
    void StopScoreMultiplier();
    // Once per frame of the game screen, with the frame's game time.
    void UpdatePlayTime(double seconds);
    void AddLevelTime(int level, int pass, double seconds);
    void StoreLevelTime();
    double PassTime(int pass) const;
    int Years(int pass) const;

    std::string RankName() const;
    void AddHighScore();

    // Brick-bar and bonus-bar increments of the current level (see the level attributes).
    double BrickIncForOtherMarble() const;
    double BrickIncForMarvaneMarble() const;
    double BrickIncForColorCell() const;
    double BonusBarIncForBrick() const;

private:
    double BrickIncrement(const std::string& baseName) const;
    TStatisticsRecord& CurrentStatistics();
    bool KeepsStatistics() const;

    TGamePlayers* FOwner;
};

} // namespace qm
