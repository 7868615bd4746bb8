#include "UGamePlayers.h"

#include "PlayerTestSupport.h"
#include "TestHelpers.h"
#include "USafeFormat.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <vector>

namespace qm {
namespace {

// Records what the player data asks of the game.
class TRecordingHost : public IPlayerHost {
public:
    bool OnGameScreen() const override { return GameScreen; }
    void ExtraLifeGained() override { ++ExtraLives; }
    void RemoveBonusStates() override { ++BonusStatesRemoved; }
    void EmptyStateQueues() override { ++QueuesEmptied; }
    void ExtraBonusSelected(int32_t kind) override { Selected.push_back(kind); }
    bool TimeBarStopped() const override { return TimeStopped; }
    void ScoreMultiplierEnded() override { ++MultiplierEnded; }
    void PlayerChanged() override { ++PlayerChanges; }

    bool GameScreen = true;
    bool TimeStopped = false;
    int ExtraLives = 0;
    int BonusStatesRemoved = 0;
    int QueuesEmptied = 0;
    int MultiplierEnded = 0;
    int PlayerChanges = 0;
    std::vector<int32_t> Selected;
};

class PlayerTest : public ::testing::Test {
protected:
    PlayerTest() : Players(test::MakePlayerConfig()) {
        Players.SetHost(&Host);
        Player().Name = "Ann";
    }
    TPlayer& Player() { return Players.CurrentPlayer(); }
    TPlayerData& Data() { return Player().ActiveData(); }

    TRecordingHost Host;
    TGamePlayers Players;
};

TEST_F(PlayerTest, ScoreGivesALifeAtEachMultipleOfPointsForLife) {
    struct TCase {
        int Score;
        int Lives;
        int Points;
        bool Multiplier;
        bool GameScreen;
        int NewScore;
        int NewLives;
        int Effects;
    };
    const std::vector<TCase> cases = {
        {49990, 3, 20, false, true, 50010, 4, 1},  {49990, 9, 20, false, true, 50010, 9, 1},
        {50010, 3, 20, false, true, 50030, 3, 0},  {100, 3, 50, true, true, 200, 3, 0},
        {100, 3, 50, true, false, 150, 3, 0},      {30000, 3, 15000, true, true, 60000, 4, 1},
        {0, 3, 150000, false, true, 150000, 4, 1}, {INT_MAX - 10, 3, 100, false, false, INT_MAX, 3, 0},
    };
    for (const TCase& c : cases) {
        Data().Score = c.Score;
        Data().Lives = c.Lives;
        Data().ScoreMultiplierOn = c.Multiplier;
        Host.GameScreen = c.GameScreen;
        Host.ExtraLives = 0;
        Player().AddScore(c.Points);
        EXPECT_EQ(Data().Score, c.NewScore) << c.Score << " + " << c.Points;
        EXPECT_EQ(Data().Lives, c.NewLives) << c.Score << " + " << c.Points;
        EXPECT_EQ(Host.ExtraLives, c.Effects) << c.Score << " + " << c.Points;
    }
}

TEST_F(PlayerTest, LivesStayWithinTheirBoundsAndCountInTheStatistics) {
    Player().SetLives(12);
    EXPECT_EQ(Data().Lives, 9);
    Data().Score = 49999;
    Player().AddScore(1);
    Data().PiecesFound = 3;
    Data().PiecesFoundInSublevel = 2;
    Data().BricksInStock = 7;
    Player().LoseLife();
    Player().LoseLife();
    EXPECT_EQ(Data().Lives, 7);
    EXPECT_EQ(Data().BricksInStock, 0);
    EXPECT_EQ(Data().PiecesFound, 0);
    EXPECT_EQ(Player().Statistics.For(1, 1).Lives, -1);
    // Replays keep no statistics.
    Player().ReplayMode = true;
    Player().LoseLife();
    EXPECT_EQ(Player().Statistics.For(1, 1).Lives, -1);
}

TEST_F(PlayerTest, HighScoresReplaceByExactNameKeepTenAndIgnoreReplays) {
    auto names = [&] {
        std::string text;
        for (const THighScoresItem& item : Players.HighScores()) {
            text += item.Name + "=" + std::to_string(item.Score) + " ";
        }
        return text;
    };
    Players.InsertDefaultHighScores();
    EXPECT_EQ(names(), "Ann=300 Bo=100 ");
    Players.InsertHighScore({"Ann", 50, 0, 0, 1});
    Players.InsertHighScore({"bo", 200, 0, 0, 1});
    EXPECT_EQ(names(), "bo=200 Bo=100 Ann=50 ");
    for (int k = 1; k <= 8; ++k) {
        Players.InsertHighScore({"P" + std::to_string(k), 1000 * k, 0, 0, 1});
    }
    EXPECT_EQ(Players.HighScores().size(), 10u);
    EXPECT_EQ(Players.HighScores().back().Name, "Bo");
    Player().ReplayMode = true;
    Players.InsertHighScore({"Late", 99999, 0, 0, 1});
    EXPECT_EQ(Players.HighScores().front().Name, "P8");
}

TEST_F(PlayerTest, RanksFollowThePlaceInTheTable) {
    std::vector<THighScoresItem> scores(9, THighScoresItem{"x", 1, 0, 0, 3});
    std::vector<int> ranks;
    for (int position = 0; position < 8; ++position) {
        ranks.push_back(TGamePlayers::RankOfPosition(scores, position));
    }
    EXPECT_EQ(ranks, (std::vector<int>{7, 6, 5, 4, 3, 2, 1, 1}));
    scores[5].FinalLevel = 8;
    EXPECT_EQ(TGamePlayers::RankOfPosition(scores, 5), 7);
    EXPECT_EQ(TGamePlayers::RankOfPosition(scores, -1), 1);

    // An empty table gives the lowest rank.
    EXPECT_EQ(Player().RankName(), "R1");
    Players.InsertDefaultHighScores();
    Player().Name = "bO";
    EXPECT_EQ(Player().RankName(), "R6");
    Player().Name = "Nobody";
    EXPECT_EQ(Player().RankName(), "R6");
    Players.InsertHighScore({"Cy", 10, 0, 0, 1});
    EXPECT_EQ(Player().RankName(), "R5");
}

TEST_F(PlayerTest, BrickIncrementsByBrickOfTheSublevelAndCatchUpMode) {
    struct TCase {
        int BricksBefore;
        bool CatchUp;
        double Increment;
    };
    for (const TCase& c :
         std::vector<TCase>{{0, false, 0.1}, {1, false, 0.1}, {2, false, 0.3}, {2, true, 0.7}}) {
        Data().BricksInSublevel = c.BricksBefore;
        Data().CatchUpMode = c.CatchUp;
        EXPECT_DOUBLE_EQ(Player().BrickIncForOtherMarble(), c.Increment) << c.BricksBefore << c.CatchUp;
    }
    Data().CatchUpMode = false;
    EXPECT_DOUBLE_EQ(Player().BrickIncForColorCell(), 0.2);
    EXPECT_DOUBLE_EQ(Player().BrickIncForMarvaneMarble(), 0.4);
    // Catch-up mode on a level without its variants is a configuration error.
    Data().CatchUpMode = true;
    test::ExpectErrorContaining([&] { Player().BrickIncForColorCell(); }, "SC_BrickIncForColorCell1");

    EXPECT_DOUBLE_EQ(Player().BonusBarIncForBrick(), 0.05);
    Data().SelectedExtraBonus = bkAddScores; // id 7: no attribute of its own
    EXPECT_DOUBLE_EQ(Player().BonusBarIncForBrick(), 0.05);
    Data().SelectedExtraBonus = bkX2BuildingMaterials; // id 5
    EXPECT_DOUBLE_EQ(Player().BonusBarIncForBrick(), 0.5);
}

TEST_F(PlayerTest, ExtraBonusesAreWonSelectedAndGivenBackWithTheLevel) {
    Player().AddExtraBonus(bkWildChameleon, false);
    Data().ExtraBonusesPerLevel.clear(); // won on an earlier level
    Player().AddExtraBonus(bkDiagonal, true);
    Player().AddExtraBonus(bkSingleCellBomb, true);
    EXPECT_EQ(Player().LastPendingBonus(), bkSingleCellBomb);
    Player().PromotePendingBonuses();
    EXPECT_FALSE(Player().HasPendingBonuses());
    EXPECT_EQ(Data().ExtraBonuses, (std::vector<int32_t>{9, 4, 7}));
    EXPECT_EQ(Data().PendingAddedInLevel, 2);
    EXPECT_EQ(Host.Selected, (std::vector<int32_t>{9}));
    Player().SelectExtraBonus(bkSingleCellBomb);
    Player().AddExtraBonus(bkBomb, true);

    Player().GiveBackLevelBonuses();
    EXPECT_EQ(Data().ExtraBonuses, (std::vector<int32_t>{9}));
    EXPECT_EQ(Data().SelectedExtraBonus, bkWildChameleon);
    EXPECT_TRUE(Data().ExtraBonusesPending.empty());
    EXPECT_EQ(Data().ExtraBonusesPossible, (std::vector<int32_t>{4, 7, 5, 6, 8, 11, 12, 13, 14, 15}));
    // Bonus 10 stays out of the possible list: it was pending, not owned.
    test::ExpectError([&] { Player().GiveAllBonuses(); },
                      "TPlayer.GiveAllBonuses: only the hidden level gives every bonus");
}

TEST_F(PlayerTest, AWonSublevelIsKeptWhenThePlayerLeavesBeforeTheBoardChanges) {
    for (int k = 0; k < 5; ++k) {
        Player().BrickCollected();
    }
    Player().PieceFound();
    Player().AbandonSublevel();
    EXPECT_EQ(Data().BricksInStock, 0);
    EXPECT_EQ(Data().PiecesFound, 0);
    EXPECT_EQ(Host.QueuesEmptied, 1);

    for (int k = 0; k < 5; ++k) {
        Player().BrickCollected();
    }
    Player().PieceFound();
    Player().BankSublevelWin(1, 2);
    EXPECT_EQ(Data().SavedSubLevel(), 2);
    EXPECT_EQ(Data().SubLevel, 1);
    Player().AbandonSublevel();
    EXPECT_EQ(Data().BricksInStock, 5);
    EXPECT_EQ(Data().PiecesFound, 1);
    EXPECT_EQ(Data().SubLevel, 2);
    EXPECT_FALSE(Data().WinBanked);
    // Completing after the fact changes nothing more.
    Player().CompleteBankedSublevel();
    EXPECT_EQ(Data().SubLevel, 2);
}

TEST_F(PlayerTest, GameOverRestartsTheLevelAndGivesBackItsGains) {
    Data().Score = 1234;
    Data().Lives = 0;
    Data().LevelTime = 50;
    Data().LevelTimes[0][0] = 50;
    Data().LevelTimes[1][0] = 70;
    Data().SecretMapsCompleted = 3;
    Data().SecretLevelWon = 1;
    Data().PuzzleClosed = true;
    Player().AddExtraBonus(bkBomb, false);
    Player().RestartLevelAfterGameOver();
    EXPECT_EQ(Host.BonusStatesRemoved, 1);
    EXPECT_EQ(Players.HighScores().front(), (THighScoresItem{"Ann", 1234, 0, 120, 1}));
    EXPECT_EQ(Data().Score, 0);
    EXPECT_EQ(Data().Lives, 3);
    EXPECT_EQ(Data().LevelTime, 0);
    EXPECT_EQ(Data().LevelTimes[0][0], 0);
    EXPECT_EQ(Data().LevelTimes[1][0], 70);
    EXPECT_TRUE(Data().ExtraBonuses.empty());
    EXPECT_EQ(Data().SecretMapsCompleted, 2);
    EXPECT_FALSE(Data().PuzzleClosed);
    EXPECT_EQ(Data().ConstructionCells.RowCount(), 2);
    EXPECT_EQ(Data().ConstructionCells.At(0, 1).Kind, ckBonus);
}

TEST_F(PlayerTest, PassesEndAfterTheThird) {
    Data().Level = 2;
    Data().Lives = 1;
    Data().ConstructionCells = TConstrucionCells(2, 3);
    Player().StartNextPass();
    EXPECT_EQ(Data().Pass, 1);
    EXPECT_EQ(Data().Level, 1);
    EXPECT_EQ(Data().Lives, 3);
    EXPECT_EQ(Data().MaxLevelReached, 2);
    EXPECT_EQ(Data().ConstructionCells.RowCount(), 0);
    EXPECT_FALSE(Player().AllPassesFinished);
    Player().StartNextPass();
    Player().StartNextPass();
    EXPECT_EQ(Data().Pass, 2);
    EXPECT_TRUE(Player().AllPassesFinished);
    EXPECT_EQ(Data().MaxLevelReached, 2);
}

TEST_F(PlayerTest, BoxQuotasComeByLevelAndPass) {
    struct TCase {
        int Level;
        int Pass;
        int Quota;
    };
    for (const TCase& c : std::vector<TCase>{{1, 0, 4}, {2, 0, 6}, {2, 1, 9}, {1, 2, 0}}) {
        Data().Level = c.Level;
        Data().Pass = c.Pass;
        EXPECT_EQ(Player().BoxQuota(), c.Quota) << c.Level << "/" << c.Pass;
    }
    Data().Level = 1;
    Data().Pass = 0;
    for (int k = 1; k <= 4; ++k) {
        EXPECT_FALSE(Data().BoxCountReached) << k;
        Player().BoxCounted();
    }
    EXPECT_TRUE(Data().BoxCountReached);
}

TEST_F(PlayerTest, SecretLevelsAreTakenUntilAllWerePlayed) {
    Players.SequentialSecretLevels = true;
    std::vector<int> moves;
    for (int k = 0; k < 4; ++k) {
        moves.push_back(Player().ChooseSecretLevelField()->GetInt("PuzzleMoves"));
        EXPECT_EQ(Player().ChooseSecretLevelField()->GetInt("PuzzleMoves"), moves.back())
            << "kept until used";
        Player().MarkSecretLevelUsed();
    }
    EXPECT_EQ(moves, (std::vector<int>{5, 6, 7, 5}));

    Players.SequentialSecretLevels = false;
    Data().SecretLevelsUsed = {true, false, true};
    Data().SecretLevelIndex = 0;
    EXPECT_EQ(Player().ChooseSecretLevelField()->GetInt("PuzzleMoves"), 6);

    // The level's own secret level until it is won.
    Data().SecretLevelWon = 0;
    Player().ResetLevelProgress(true);
    EXPECT_EQ(Data().PuzzleMovesLeft, 12);
}

TEST_F(PlayerTest, PlayTimeAndTheScoreMultiplierRunOnTheGameClock) {
    Player().StartScoreMultiplier(1.0);
    Player().StartScoreMultiplier(0.5);
    Player().UpdatePlayTime(1.0);
    EXPECT_TRUE(Data().ScoreMultiplierOn);
    Host.TimeStopped = true;
    Player().UpdatePlayTime(5.0);
    EXPECT_DOUBLE_EQ(Data().LevelTime, 1.0);
    Host.TimeStopped = false;
    Player().UpdatePlayTime(0.5);
    EXPECT_FALSE(Data().ScoreMultiplierOn);
    EXPECT_EQ(Host.MultiplierEnded, 1);
    Player().StoreLevelTime();
    Player().AddLevelTime(2, 0, 10.0);
    EXPECT_DOUBLE_EQ(Player().PassTime(0), 11.5);
    EXPECT_EQ(Player().Years(0), 6);
    EXPECT_EQ(Player().Years(-1), 0);
    EXPECT_DOUBLE_EQ(Player().Statistics.For(1, 1).Time, 1.5);
}

TEST_F(PlayerTest, StatisticsTextListsSublevelsThenLevelScores) {
    TStatistics statistics;
    statistics.Records = {{1, 1, 12.9, 1, 2, 3, 100}, {1, 2, 5, -1, 0, 4, 250}, {2, 1, 1, 0, 0, 0, 300}};
    const std::string text = statistics.Text();
    EXPECT_EQ(text.substr(0, 60), "SUBLEVEL 1.1\n\r  time      12\n\r  lives     1\n\r  col cells 2\n\r");
    EXPECT_NE(text.find("LEVEL 1 SCORES 250\n\rLEVEL 2 SCORES 300\n\r"), std::string::npos);
}

TEST_F(PlayerTest, PlayersAreFoundChangedAndCheckedBySlot) {
    test::ExpectError([&] { Players.GetPlayer(10); }, "TGameData.GetPlayer: no player slot 10");
    test::ExpectError([&] { Players.GetPlayer(0); }, "TGameData.GetPlayer: no player slot 0");
    Players.SetPlayerSlot(2, Players.NewPlayer("Qendrivols"));
    EXPECT_EQ(Players.NamedPlayerCount(), 2);
    EXPECT_EQ(Players.FindPlayerByName("QENDRIVOLS"), &Players.GetPlayer(2));
    EXPECT_TRUE(Players.GetPlayer(2).Main.ShowTips);
    EXPECT_FALSE(Players.GetPlayer(2).Replay.ShowTips);
    Player().BrickCollected();
    Players.SetCurrentPlayer(2);
    EXPECT_EQ(Players.GetPlayer(1).Main.BricksInStock, 0);
    EXPECT_EQ(Host.PlayerChanges, 1);
    Players.SetCurrentPlayer(2);
    EXPECT_EQ(Host.PlayerChanges, 1);
    EXPECT_FALSE(Players.IsDeveloperUser());
    TGamePlayers developer(test::MakePlayerConfig(), true);
    developer.CurrentPlayer().Name = "QendRivols";
    EXPECT_TRUE(developer.IsDeveloperUser());
}

TEST(SafeFileNameTest, PlayerNamesBecomeUsableFileNames) {
    struct TCase {
        std::string Name;
        std::string File;
    };
    const std::vector<TCase> cases = {
        {"Ann", "Ann"},
        {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
        {"..", "Player3"},
        {"", "Player3"},
        {" .hidden. ", "hidden"},
        {"CON", "Player3"},
        {"lpt1", "Player3"},
        {"line\nbreak", "line_break"},
        {"Andr\xC3\xA9", "Andr\xC3\xA9"},
        {std::string(63, 'x') + "\xC3\xA9", std::string(63, 'x')},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(SafeFileName(c.Name, 3), c.File) << c.Name;
    }
}

TEST(SafeFormatTest, OnlyNumbersAndPercentSignsAreSubstituted) {
    struct TCase {
        std::string Format;
        std::string Text;
    };
    const std::vector<TCase> cases = {
        {"%d of %d", "3 of 7"}, {"100%% at %d", "100% at 3"},   {"%s %d %x", "%s 3 %x"},
        {"%d %d %d", "3 7 %d"}, {"ends with %", "ends with %"}, {"%n%p%*d", "%n%p%*d"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(SafeFormat(c.Format, {3, 7}), c.Text) << c.Format;
    }
}

} // namespace
} // namespace qm
