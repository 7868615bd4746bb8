#pragma once

// Everything of the game data that belongs to the players: the nine slots, the current player,
// the high scores and the options, and the questions about the configuration that depend on
// the current player.

#include "UGXMLNode.h"
#include "UPlayer.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace qm {

// What player data needs from the game manager, the screens and the play states. The game
// manager implements it once it exists; every method does nothing by default, so the data
// works on its own (tools, tests).
class IPlayerHost {
public:
    virtual ~IPlayerHost() = default;
    // The game screen is on show (double score counts, the extra-life effect plays).
    virtual bool OnGameScreen() const { return false; }
    // A life was gained from the score: the game screen plays its extra-life effect.
    virtual void ExtraLifeGained() {}
    // Every bonus state leaves the game state queue.
    virtual void RemoveBonusStates() {}
    // Both state queues are emptied (the sublevel is left).
    virtual void EmptyStateQueues() {}
    // An extra bonus was selected (or none, kind 0): the bonus bar starts again and shows it.
    virtual void ExtraBonusSelected(int32_t /*kind*/) {}
    // The time bar stands still: play time does not count.
    virtual bool TimeBarStopped() const { return false; }
    // The double-score time ran out: the game screen ends its display.
    virtual void ScoreMultiplierEnded() {}
    // The current player changed (tips, preloaded screens, music).
    virtual void PlayerChanged() {}
    // The menu background shows another player's monument.
    virtual void PreviewPlayerChanged(int /*index*/) {}
};

// The stored options and their defaults for a fresh installation.
struct TPlayerOptions {
    bool MuteSounds = false;
    int32_t SoundVolume = 60;
    int32_t MusicVolume = 40;
    bool HardwareCursor = true;
    bool FullScreen = true;

    bool operator==(const TPlayerOptions&) const = default;
};

class TGamePlayers {
public:
    // The game configuration root is read for levels, high scores, ranks and the score rules;
    // `developerEnabled` is the core configuration's developer switch.
    explicit TGamePlayers(PGXMLNode gameConfig, bool developerEnabled = false);
    TGamePlayers(const TGamePlayers&) = delete;
    TGamePlayers& operator=(const TGamePlayers&) = delete;

    const IGXMLNode& GameConfig() const { return *FGameConfig; }
    // The host stays with the data until replaced; null restores the do-nothing host.
    void SetHost(IPlayerHost* host);
    IPlayerHost& Host() const { return *FHost; }

    // Slots 1..9; other indices raise "TGameData.GetPlayer".
    TPlayer& GetPlayer(int index) const;
    TPlayer& CurrentPlayer() const { return GetPlayer(FCurrentPlayerIndex); }
    int CurrentPlayerIndex() const { return FCurrentPlayerIndex; }
    // Reading a save: the index clamped into 1..9, nothing else happens.
    void RestoreCurrentPlayerIndex(int index);
    // Leaves the sublevel of the current player and moves to another one.
    void SetCurrentPlayer(int index);
    int NamedPlayerCount() const;
    TPlayer* FindPlayerByName(const std::string& name) const;
    void SetPlayerSlot(int index, std::unique_ptr<TPlayer> player);
    // A fresh player with the given name (its campaign record wants tips).
    std::unique_ptr<TPlayer> NewPlayer(const std::string& name);
    void SetPreviewPlayer(int index);

    // Level structure of the configuration.
    int LevelCount() const;
    int SubLevelCountOf(int level) const;
    PGXMLNode LevelNode(int level) const;
    PGXMLNode CurrentLevelNode() const;
    PGXMLNode CurrentSubLevelNode() const;
    int InitialLevel() const;
    int InitialSubLevel() const;
    int PointsForLife() const;

    // High scores, at most 10, by descending score.
    const std::vector<THighScoresItem>& HighScores() const { return FHighScores; }
    void InsertHighScore(const THighScoresItem& item);
    void ClearHighScores() { FHighScores.clear(); }
    // The table of a fresh installation, from the configuration's HighScores elements.
    void InsertDefaultHighScores();
    static int RankOfPosition(const std::vector<THighScoresItem>& scores, int position);
    int RankOfPosition(int position) const { return RankOfPosition(FHighScores, position); }
    // The Name of Rank element number `rank` (from 1); empty when there is none.
    std::string RankNameOf(int rank) const;

    // The developer user: the core configuration's switch and the developer's name, or the
    // program's developer switch for whoever plays.
    bool IsDeveloperUser() const;
    bool IsEasterEggUser() const;

    TPlayerOptions Options;
    int32_t EditSlot = 1;
    int32_t PreviewPlayerIndex = 0;
    bool NewPlayerCreated = false;
    bool SequentialSecretLevels = false;
    // Set from the command line (--developer); not saved.
    bool DeveloperSwitch = false;
    int32_t SuperBonusSpecialBudget = 0;

private:
    PGXMLNode FGameConfig;
    bool FDeveloperEnabled;
    IPlayerHost FNoHost;
    IPlayerHost* FHost = &FNoHost;
    std::array<std::unique_ptr<TPlayer>, PlayerSlotCount> FPlayers;
    int FCurrentPlayerIndex = 1;
    std::vector<THighScoresItem> FHighScores;
};

// A player name as a file name: characters no file system takes are replaced, and a name that
// stays unusable (empty, dots only, a reserved device name) becomes "Player" + the slot number.
std::string SafeFileName(const std::string& name, int slot);

} // namespace qm
