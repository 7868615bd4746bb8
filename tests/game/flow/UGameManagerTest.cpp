#include "UGameManager.h"

#include "TestHelpers.h"
#include "UBonusStates.h"
#include "UCoreStates.h"
#include "UGNullWindow.h"
#include "UGRandom.h"
#include "UGStrings.h"
#include "UGameData.h"
#include "USpecials.h"
#include "UStandInScreens.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// The shipped game configuration over the small engine fixture (no art, no sounds): the manager
// works on the real levels, and the screens it switches to are recorded rather than built.
class GameManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetRandomSeed(7);
        data = test::CopyFixture("minimal", dir);
        const fs::path source = fs::path(QM_SOURCE_DIR) / "data";
        fs::copy_file(source / "GameConfig.xml", data / "GameConfig.xml",
                      fs::copy_options::overwrite_existing);
        fs::copy(source / "config" / "game", data / "config" / "game", fs::copy_options::recursive);
        // Empty resource sets for the screens the manager preloads.
        std::string sets = R"(<ResourceSet Name="MenuScreen"/>)";
        for (int level = 1; level <= 9; ++level) {
            for (const char* screen : {"Level", "MapScreen"}) {
                sets += "<ResourceSet Name=\"" + std::string(screen) + LevelSetSuffix(level) + "\"/>";
            }
        }
        dir.Write("minimal/config/Screens.xml", sets);
        info.ProgramFolder = data;
        info.UserFolder = dir.Path() / "user";
        info.Ticks = &ticks;
        info.Window = &window;
        info.Backend = &renderer;
    }
    void TearDown() override {
        globals.reset();
        game.reset();
    }

    // Starts the game data and the three process-wide objects with one named player.
    void Start() {
        game = std::make_unique<TGameData>(info, "GameConfig.xml", false);
        if (game->Players->NamedPlayerCount() == 0) {
            game->Players->SetPlayerSlot(1, game->Players->NewPlayer("Ada"));
        }
        globals = std::make_unique<TGameGlobals>(*game);
        Manager().ScreenSwitcher = [this](const std::string& screen, const std::string& set) {
            switches.push_back(screen + " " + set);
        };
    }
    void Configure(const std::string& from, const std::string& to) {
        test::EditFile(data / "GameConfig.xml", from, to);
    }
    TGameManager& Manager() const { return globals->Manager(); }
    TPlayerData& Progress() const { return Manager().Progress(); }
    // The current player as the save file holds it.
    const TPlayer& Saved() {
        reread = std::make_unique<TGamePlayers>(game->GameConfig);
        game->SaveFile().Load(*reread);
        return reread->CurrentPlayer();
    }
    TCellsStructsArr Layout(int level, int subLevel) const {
        PGXMLNode sublevel = game->Players->LevelNode(level)
                                 ->GetCollection("SubLevel")
                                 ->GetItem(static_cast<size_t>(subLevel - 1));
        return LoadSublevelData(*sublevel->GetCollection("Field")->GetItem(0), 10, 10,
                                TSublevelParseContext{});
    }
    std::string Pending() const {
        return Manager().PendingScreenName() + " " + Manager().PendingResourceSet();
    }

    TempDir dir;
    fs::path data;
    TGManualTickSource ticks{100};
    TGNullWindow window;
    TGNullRenderBackend renderer;
    TGAppStartInfo info;
    std::unique_ptr<TGameData> game;
    std::unique_ptr<TGameGlobals> globals;
    std::vector<std::string> switches;
    std::unique_ptr<TGamePlayers> reread;
};

TEST_F(GameManagerTest, ScreensSwitchAtTheEndOfTheFrameAndTheLatestRequestWins) {
    Start();
    Manager().ShowMenuScreen(false, false);
    Manager().ShowHelpScreen();
    EXPECT_TRUE(switches.empty()) << "nothing is built while the frame runs";
    EXPECT_EQ(Manager().ScreenState, TScreenState::Help);
    Manager().EndFrame();
    Manager().EndFrame();
    EXPECT_EQ(switches, std::vector<std::string>{"HelpScreen HelpScreen"});
    EXPECT_EQ(game->CurrentScreenName, "HelpScreen");
    EXPECT_EQ(Manager().HelpReturnState, TScreenState::Menu);
}

TEST_F(GameManagerTest, EveryScreenHasItsNameStateAndResourceSet) {
    Start();
    Progress().Level = 3;
    struct TCase {
        std::function<void(TGameManager&)> Show;
        TScreenState State;
        std::string Expected;
    };
    const std::vector<TCase> cases = {
        {[](TGameManager& m) { m.ShowLoadingScreen(); }, TScreenState::Loading,
         "LoadingScreen LoadingScreen"},
        {[](TGameManager& m) { m.ShowMenuScreen(false, true); }, TScreenState::Menu, "MenuScreen MenuScreen"},
        {[](TGameManager& m) { m.ShowConstructionScreen(); }, TScreenState::Construction,
         "ConstructionScreen ConstructionScreen03"},
        {[](TGameManager& m) { m.ShowBonusScreen(3); }, TScreenState::Bonus, "BonusScreen BonusScreen"},
        {[](TGameManager& m) { m.ShowPuzzleScreen(); }, TScreenState::Puzzle, "PuzzleScreen PuzzleScreen03"},
        {[](TGameManager& m) { m.ShowMapScreen(false); }, TScreenState::Map, "MapScreen MapScreen03"},
        {[](TGameManager& m) { m.ShowCreditsScreen(); }, TScreenState::Credits, "CreditsScreen MenuScreen"},
        {[](TGameManager& m) { m.ShowCongratulationsScreen(); }, TScreenState::Congratulations,
         "CongratulationsScreen CongratulationsScreen"},
        {[](TGameManager& m) { m.ShowWelcomeScreen(6); }, TScreenState::Welcome,
         "WelcomeScreen WelcomeScreen"},
        {[](TGameManager& m) { m.ShowSplashScreen(); }, TScreenState::Splash, "SplashScreen SplashScreen"},
        {[](TGameManager& m) { m.ShowSplashScreen2(); }, TScreenState::Splash, "SplashScreen2 SplashScreen2"},
        {[](TGameManager& m) { m.ShowGameScreen(false); }, TScreenState::Game, "GameScreen Level03"},
    };
    for (const TCase& c : cases) {
        Manager().ScreenState = TScreenState::Menu;
        c.Show(Manager());
        EXPECT_EQ(Manager().ScreenState, c.State) << c.Expected;
        EXPECT_EQ(Pending(), c.Expected);
    }
    EXPECT_EQ(LevelSetSuffix(10), "10");
}

TEST_F(GameManagerTest, TheMenuLeftFromTheConstructionScreenLeadsBackThereUnlessTheGameStartsOnTheBoard) {
    Configure(R"(IsInitalGameScreen="1")", R"(IsInitalGameScreen="0")");
    Start();
    Manager().ScreenState = TScreenState::Construction;
    Manager().ShowMenuScreen(false, false);
    EXPECT_TRUE(Progress().ReturnToConstruction);
    Manager().ShowGameScreen(false);
    EXPECT_EQ(Pending(), "ConstructionScreen ConstructionScreen01");
    EXPECT_FALSE(Progress().ReturnToConstruction);
    // Kept flags: the loading screen's way to the menu changes nothing.
    Progress().ReturnToBonus = true;
    Manager().ShowMenuScreen(true, false);
    EXPECT_TRUE(Progress().ReturnToBonus);
}

// Every sublevel of the shipped campaign is prepared as the configuration describes it.
TEST_F(GameManagerTest, PrepareLevelAndSublevelBuildEveryShippedSublevel) {
    Start();
    TGamePlayers& players = *game->Players;
    ASSERT_GE(players.LevelCount(), 8);
    for (int level = 1; level <= players.LevelCount(); ++level) {
        Progress().Level = level;
        Progress().SubLevel = 1;
        Manager().PrepareLevel(false);
        int colorCells = 0;
        for (int sub = 1; sub <= players.SubLevelCountOf(level); ++sub) {
            SCOPED_TRACE(testing::Message() << "level " << level << " sublevel " << sub);
            Progress().SubLevel = sub;
            PGXMLNode node = players.CurrentSubLevelNode();
            colorCells += node->GetInt("ColorCellsCount");
            game->Players->SuperBonusSpecialBudget = 0;
            Manager().PrepareSublevel();
            TField& field = Manager().Field();
            EXPECT_EQ(field.MarbleSet, node->GetString("Marbles"));
            TSublevelParseContext context;
            context.TwoLayerCells = Manager().HasTwoLayerCells();
            const TCellsStructsArr records = LoadSublevelData(*node->GetCollection("Field")->GetItem(0),
                                                              field.RowCount, field.ColCount, context);
            int cells = 0;
            for (int r = 0; r < field.RowCount; ++r) {
                for (int c = 0; c < field.ColCount; ++c) {
                    EXPECT_EQ(field.Cell(r, c).Kind, records.At(r, c).LayerCount) << r << "," << c;
                    cells += field.Cell(r, c).Kind >= lcOneLayer ? 1 : 0;
                }
            }
            EXPECT_GT(cells, 0);
            EXPECT_EQ(game->Players->SuperBonusSpecialBudget, game->Environment->SpecialsForSuperBonus);
            EXPECT_TRUE(Progress().SublevelInProgress);
        }
        EXPECT_EQ(Manager().ColorCellsTotal(), colorCells);
        EXPECT_DOUBLE_EQ(
            Manager().TimeBar().TimeLimit(),
            players.LevelNode(level)->GetCollection("SubLevel")->GetItem(0)->GetFloat("TimeLimit"));
        EXPECT_TRUE(Manager().Queue().HasExact<TWaitState>());
        EXPECT_TRUE(Manager().Queue().HasExact<TDropNewElementsState>());
        EXPECT_EQ(Manager().Queue().Count(), 2u);
    }
}

TEST(PlaceColorCellsIn, PlacesOnlyOnBrickCellsInTheSublevelsColoursAndNothingWithoutEither) {
    SetRandomSeed(3);
    auto grid = [](std::initializer_list<int32_t> layers) {
        TCellsStructsArr records(1, static_cast<int>(layers.size()));
        int c = 0;
        for (int32_t layer : layers) {
            records.At(0, c).LayerCount = layer;
            records.At(0, c).BoxDropPoint = true;
            records.At(0, c).Marble = '2';
            ++c;
        }
        return records;
    };
    struct TCase {
        TCellsStructsArr Records;
        std::string Marbles;
        int Count;
        int Placed;
    };
    const std::vector<TCase> cases = {
        {grid({lcHole, lcPlain, lcPlain}), "1234", 3, 0},
        {grid({lcOneLayer, lcTwoLayers}), "", 3, 0},
        {grid({lcOneLayer, lcTwoLayers}), "09x", 3, 0},
        {grid({lcOneLayer, lcTwoLayers}), "12", 0, 0},
        {grid({lcPlain, lcOneLayer, lcHole}), "7", 3, 3},
        {grid({lcTwoLayers, lcOneLayer, lcPlain}), "0356", 40, 40},
    };
    for (TCase c : cases) {
        const TCellsStructsArr before = c.Records;
        EXPECT_EQ(PlaceColorCellsIn(c.Records, c.Count, c.Marbles), c.Placed) << c.Marbles;
        for (int col = 0; col < c.Records.ColumnCount(); ++col) {
            const TCellStruct& cell = c.Records.At(0, col);
            if (before.At(0, col).LayerCount < lcOneLayer || c.Placed == 0) {
                EXPECT_EQ(cell, before.At(0, col)) << "untouched: " << col;
            } else if (cell.LayerCount == lcColorCell) {
                EXPECT_NE(c.Marbles.find(static_cast<char>('0' + cell.Color)), std::string::npos);
                EXPECT_NE(cell.Color, 0);
                EXPECT_FALSE(cell.BoxDropPoint);
                EXPECT_EQ(cell.Marble, '0');
            }
        }
    }
}

TEST_F(GameManagerTest, ColourCellsCarryOnlyTheMissingPiecesOfTheSecretMap) {
    Configure("</GameConfig>", "<SecretMap><Piece/><Piece/><Piece/></SecretMap></GameConfig>");
    Start();
    Progress().Level = 1;
    Progress().SubLevel = 1;
    TCellsStructsArr records(2, 2);
    for (int i = 0; i < 4; ++i) {
        records.At(i / 2, i % 2).LayerCount = lcOneLayer;
    }
    auto placed = [&](int piecesFound, int mapsDone) {
        Progress().PiecesFound = piecesFound;
        Progress().SecretMapsCompleted = mapsDone;
        TCellsStructsArr copy = records;
        return Manager().PlaceColorCells(copy);
    };
    // The first sublevel's ColorCellsCount is 0; a level with more asks for more.
    Progress().SubLevel = 2;
    const int wanted = game->Players->CurrentSubLevelNode()->GetInt("ColorCellsCount");
    ASSERT_GE(wanted, 1);
    EXPECT_EQ(placed(0, 0), std::min(3, wanted));
    EXPECT_EQ(placed(2, 0), std::min(1, wanted));
    EXPECT_EQ(placed(3, 0), 0);
    EXPECT_EQ(placed(5, 0), 0);
    EXPECT_EQ(placed(0, SecretMapCount), 0);
}

TEST(SoundLimiter, PlaysItsCountAtOnceThenWaitsForTheDelay) {
    TSoundLimiter limiter;
    limiter.ConfigDelay = 1.0;
    limiter.ConfigCount = 2;
    limiter.Reload();
    struct TStep {
        double Seconds; // a frame of this length first, none for -1
        bool Plays;
    };
    const std::vector<TStep> steps = {
        {-1, true},    {-1, true},   {-1, false}, {0.5, false},
        {0.49, false}, {0.02, true}, {-1, true},  {-1, false},
    };
    int i = 0;
    for (const TStep& step : steps) {
        if (step.Seconds >= 0) {
            limiter.Update(step.Seconds);
        }
        EXPECT_EQ(limiter.Spend(), step.Plays) << "step " << i++;
        EXPECT_GE(limiter.Count, 0);
    }
    // Without a delay every sound plays.
    TSoundLimiter open;
    open.ConfigCount = 0;
    open.Reload();
    EXPECT_TRUE(open.Spend());
    EXPECT_TRUE(open.Spend());
}

TEST_F(GameManagerTest, ComboSoundsFollowTheConfiguredLimiter) {
    Start();
    const int count = game->GameConfig->GetInt("ComboCountDelay");
    ASSERT_GE(count, 1);
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(Manager().PlayComboSound(i == 0 ? 0 : 15));
    }
    EXPECT_FALSE(Manager().PlayComboSound(1));
    const double delay = game->GameConfig->GetFloat("PlayComboDelay");
    const int frames = static_cast<int>(delay / 0.02) + 2;
    for (int i = 0; i < frames; ++i) {
        game->GameClock->Step = 0.02;
        Manager().UpdateSoundLimiters();
    }
    EXPECT_TRUE(Manager().PlayComboSound(2));
    EXPECT_EQ(Manager().BlastLimiter().Count, game->GameConfig->GetInt("BlastCountDelay"));
}

TEST_F(GameManagerTest, SpecialKindsMapToTheirClassesAndOthersRaise) {
    Start();
    for (int kind : {0, 9, 16, -1}) {
        test::ExpectErrorContaining([kind] { TGameManager::SpecialKindClass(kind); },
                                    "TGameManager.SpecialKindClass");
    }
    for (int kind = 1; kind <= 15; ++kind) {
        if (kind == 9) {
            continue;
        }
        std::unique_ptr<TSpecial> made = TGameManager::SpecialKindClass(kind)(Manager().PlayHost(), 0, 0);
        std::unique_ptr<TSpecial> expected = MakeSpecialOfKind(Manager().PlayHost(), kind, 0, 0);
        EXPECT_EQ(made->Kind(), kind);
        EXPECT_EQ(typeid(*made), typeid(*expected)) << kind;
    }
}

// A win counts from the moment it is declared: a program ended before the board changes finds
// the next sublevel in the save.
TEST_F(GameManagerTest, AWonSublevelIsSavedAtOnceAndTheBoardChangeMovesThePlayerOn) {
    Start();
    const int lastSub = game->Players->SubLevelCountOf(1);
    Manager().ShowGameScreen(false);
    Manager().SaveNextSublevelProgress();
    EXPECT_EQ(Progress().SubLevel, 1) << "the board still shows the won sublevel";
    EXPECT_EQ(Saved().Main.Level, 1);
    EXPECT_EQ(Saved().Main.SubLevel, 2);
    EXPECT_EQ(Manager().CompleteBankedWin(), TWinLeadsTo::NextSublevel);
    EXPECT_EQ(Progress().SubLevel, 2);
    // The level's last sublevel leads into the next level, which starts afresh from the map.
    Progress().SubLevel = lastSub;
    Manager().SaveNextSublevelProgress();
    EXPECT_EQ(Manager().CompleteBankedWin(), TWinLeadsTo::NextLevel);
    EXPECT_EQ(Progress().Level, 2);
    EXPECT_EQ(Progress().SubLevel, 1);
    EXPECT_FALSE(Progress().SublevelInProgress);
    EXPECT_TRUE(Manager().Queue().IsEmpty());
    EXPECT_EQ(Saved().Main.Level, 2);
}

// Each won sublevel, from its level and the player's state, to what the save holds at once, the
// screen that follows the construction screen, the one that follows the map, and where the
// player stands in the end. The levels have four to six sublevels; the eighth monument opens only
// with every secret map; the ninth level is the hidden bonus level and never follows the eighth.
TEST_F(GameManagerTest, EveryWonSublevelLeadsOnFromTheConstructionScreenAndTheMap) {
    Start();
    struct TCase {
        int Level, SubLevel, SecretMaps, Pass;
        bool Replay, EasterEgg;
        std::string Saved;
        std::string AfterConstruction, AfterMap;
        std::string End;
    };
    const std::vector<TCase> cases = {
        {1, 1, 0, 0, false, false, "1.2", "GameScreen", "", "1.2 pass 0"},
        {1, 4, 0, 0, false, false, "2.1", "MapScreen", "GameScreen", "2.1 pass 0"},
        {3, 4, 0, 0, false, false, "3.5", "GameScreen", "", "3.5 pass 0"},
        {3, 5, 0, 0, false, false, "4.1", "MapScreen", "GameScreen", "4.1 pass 0"},
        {6, 6, 0, 1, false, false, "7.1", "MapScreen", "GameScreen", "7.1 pass 1"},
        {7, 6, 3, 0, false, false, "7.6 complete", "MapScreen", "CongratulationsScreen", "1.1 pass 1"},
        {7, 6, 7, 0, false, false, "8.1", "MapScreen", "GameScreen", "8.1 pass 0"},
        {8, 6, 7, 0, false, false, "8.6 complete", "MapScreen", "CongratulationsScreen", "1.1 pass 1"},
        {8, 6, 7, 2, false, false, "8.6 complete", "MapScreen", "CongratulationsScreen",
         "1.1 pass 2 finished"},
        // The main record has finished a pass through the eighth level: a replay may go there too.
        {7, 6, 0, 0, true, false, "8.1", "MapScreen", "GameScreen", "8.1 pass 0"},
        {8, 6, 0, 0, true, false, "8.6 complete", "MapScreen", "MenuScreen", "1.1 pass 1"},
        {9, 4, 0, 0, false, true, "9.5", "GameScreen", "", "9.5 pass 0 in bonus mode"},
        {9, 5, 0, 0, false, true, "9.5 complete", "MenuScreen", "", "9.5 pass 0 bonus level played"},
    };
    TPlayer& player = Manager().Player();
    auto describe = [&player](const TPlayerData& record) {
        return Format("%d.%d pass %d", record.Level, record.SubLevel, record.Pass) +
               (player.AllPassesFinished ? " finished" : "") +
               (player.EasterEggPlayed ? " bonus level played" : "") +
               (player.EasterEggMode ? " in bonus mode" : "");
    };
    for (const TCase& c : cases) {
        const std::string label = Format("won %d.%d", c.Level, c.SubLevel);
        player.ReplayMode = c.Replay;
        player.EasterEggMode = c.EasterEgg;
        player.EasterEggBonusShown = true;
        player.EasterEggPlayed = false;
        player.AllPassesFinished = false;
        TPlayerData& record = Progress();
        record.Level = c.Level;
        record.SubLevel = c.SubLevel;
        record.Pass = c.Pass;
        record.SecretMapsCompleted = c.SecretMaps;
        record.MonumentComplete = false;
        Manager().ScreenState = TScreenState::Game;

        Manager().SaveNextSublevelProgress();
        const TPlayer& saved = Saved();
        const TPlayerData& savedRecord = c.EasterEgg ? saved.EasterEgg : c.Replay ? saved.Replay : saved.Main;
        EXPECT_EQ(Format("%d.%d", savedRecord.Level, savedRecord.SubLevel) +
                      (savedRecord.MonumentComplete ? " complete" : ""),
                  c.Saved)
            << label;
        if (record.MonumentComplete && !c.EasterEgg) {
            // Started again before the map, the game goes to the map rather than the finished board.
            Manager().ShowGameScreen(false);
            EXPECT_EQ(Manager().PendingScreenName(), "MapScreen") << label;
        }
        Manager().ScreenState = TScreenState::Construction;
        // The won sublevel's time went into its score.
        Manager().DrainTimeBar(true);
        ContinueFromScreen(Manager(), "ConstructionScreen");
        EXPECT_EQ(Manager().PendingScreenName(), c.AfterConstruction) << label;
        if (!c.AfterMap.empty()) {
            ContinueFromScreen(Manager(), "MapScreen");
            EXPECT_EQ(Manager().PendingScreenName(), c.AfterMap) << label;
        }
        EXPECT_EQ(describe(record), c.End) << label;
    }
    // After the third pass the menu's play leads nowhere; otherwise it leads to the map.
    player.AllPassesFinished = true;
    Manager().ShowMenuScreen(false, false);
    ContinueFromScreen(Manager(), "MenuScreen");
    EXPECT_EQ(Manager().PendingScreenName(), "MenuScreen");
    player.AllPassesFinished = false;
    ContinueFromScreen(Manager(), "MenuScreen");
    EXPECT_EQ(Manager().PendingScreenName(), "MapScreen");
}

// Frames of the game screen on the real manager: the queue steps, the board draws, the frame
// ends. Without a game screen every dialog is answered at once.
void PlayFrames(TGameData& game, TGameManager& manager, int count) {
    for (int i = 0; i < count; ++i) {
        game.GameClock->Step = 0.01;
        manager.Queue().Update();
        manager.TimeBar().Step(0.0);
        manager.TimeBar().UpdateAndDraw(0, 0);
        manager.Field().Draw();
        manager.EndFrame();
    }
}

// Every playable cell holds an element and every hole none; the holes are those of the layout.
void ExpectFullBoardOf(const TField& field, const TCellsStructsArr& layout, const std::string& label) {
    for (int r = 0; r < field.RowCount; ++r) {
        for (int c = 0; c < field.ColCount; ++c) {
            const TCell& cell = field.Cell(r, c);
            EXPECT_EQ(cell.Kind == 0, layout.At(r, c).LayerCount == lcHole) << label << " " << r << "," << c;
            EXPECT_EQ(cell.Element != nullptr, cell.Kind != 0) << label << " " << r << "," << c;
            if (const TMarble* marble = cell.Marble()) {
                EXPECT_NE(field.MarbleSet.find(marble->Color), std::string::npos)
                    << label << " " << r << "," << c;
            }
        }
    }
}

// A loss costs one life and turns the board back into the same sublevel, full and with its
// whole time; a win leads through the construction screen to the next sublevel's own layout.
TEST_F(GameManagerTest, TheBoardTurnsIntoTheSameSublevelAfterALossAndIntoTheNextAfterAWin) {
    Start();
    Manager().ShowGameScreen(false);
    Manager().EndFrame();
    PlayFrames(*game, Manager(), 200);
    const int lives = Progress().Lives;

    Manager().Queue().Push<TSubLevelFailState>();
    PlayFrames(*game, Manager(), 600);
    EXPECT_EQ(Progress().Lives, lives - 1);
    EXPECT_EQ(Progress().SubLevel, 1);
    EXPECT_FALSE(Manager().Queue().HasExact<TSubLevelFailState>());
    EXPECT_FALSE(Manager().Queue().HasExact<TFieldRotateState>());
    EXPECT_TRUE(Manager().Queue().HasExact<TWaitState>());
    EXPECT_EQ(Manager().TimeBar().State(), TTimeBar::Running) << "the bar filled up again and runs";
    EXPECT_DOUBLE_EQ(Manager().TimeBar().TimeLimit(),
                     game->Players->CurrentSubLevelNode()->GetFloat("TimeLimit"));
    EXPECT_TRUE(Manager().Field().Active);
    ExpectFullBoardOf(Manager().Field(), Layout(1, 1), "after the loss");
    PlayFrames(*game, Manager(), 300);
    EXPECT_EQ(Progress().Lives, lives - 1) << "one lost life does not run on";

    // The win is planned while the won sublevel is on the board; the construction screen moves
    // the player on; back on the board the queued end turns it.
    Manager().Queue().Push<TSubLevelCompleteState>();
    Manager().ShowConstructionScreen();
    Manager().EndFrame();
    ContinueFromScreen(Manager(), "ConstructionScreen");
    EXPECT_EQ(Manager().PendingScreenName(), "GameScreen");
    Manager().EndFrame();
    PlayFrames(*game, Manager(), 600);
    EXPECT_EQ(Progress().SubLevel, 2);
    EXPECT_FALSE(Progress().WinBanked);
    EXPECT_EQ(Progress().Lives, lives - 1);
    EXPECT_EQ(Manager().Field().MarbleSet, game->Players->CurrentSubLevelNode()->GetString("Marbles"));
    EXPECT_DOUBLE_EQ(Manager().TimeBar().TimeLimit(),
                     game->Players->CurrentSubLevelNode()->GetFloat("TimeLimit"));
    EXPECT_NE(Manager().TimeBar().State(), TTimeBar::Stopped);
    ExpectFullBoardOf(Manager().Field(), Layout(1, 2), "after the win");
}

TEST_F(GameManagerTest, TheThreeProcessObjectsExistBetweenStartAndShutdown) {
    test::ExpectErrorContaining([] { TheGameManager(); }, "TGameManager.Global");
    Start();
    EXPECT_EQ(&TheGameManager(), &Manager());
    EXPECT_EQ(&TheGameStateQueue(), &Manager().Queue());
    EXPECT_EQ(TheGameStateQueue().GameManager(), &Manager());
    EXPECT_EQ(TheSecretLevelStateQueue().GameManager(), &Manager());
    EXPECT_EQ(&game->Players->Host(), static_cast<IPlayerHost*>(&Manager()));
    globals.reset();
    EXPECT_FALSE(GameManagerExists());
    test::ExpectErrorContaining([] { TheGameStateQueue(); }, "TGameManager.Global");
    test::ExpectErrorContaining([] { TheSecretLevelStateQueue(); }, "TGameManager.Global");
    EXPECT_NE(&game->Players->Host(), static_cast<IPlayerHost*>(nullptr));
}

TEST_F(GameManagerTest, EachStandInScreenLeadsAlongTheMainPath) {
    Start();
    struct TCase {
        std::string From;
        std::function<void(TGameManager&)> Before;
        std::string Next;
    };
    auto none = [](TGameManager&) {};
    const std::vector<TCase> cases = {
        {"SplashScreen", none, "SplashScreen2"},
        {"SplashScreen2", none, "LoadingScreen"},
        {"LoadingScreen", none, "MenuScreen"},
        {"MenuScreen", none, "MapScreen"},
        {"MapScreen", none, "GameScreen"},
        {"BonusScreen", [](TGameManager& m) { m.BonusScreenMode = 3; }, "ConstructionScreen"},
        {"BonusScreen", [](TGameManager& m) { m.BonusScreenMode = 2; }, "GameScreen"},
        {"PuzzleScreen", none, "GameScreen"},
        {"CreditsScreen", [](TGameManager& m) { m.BonusScreenMode = 2; }, "GameScreen"},
        {"CreditsScreen", [](TGameManager& m) { m.BonusScreenMode = 1; }, "MenuScreen"},
        {"CongratulationsScreen", none, "MenuScreen"},
        {"WelcomeScreen", [](TGameManager& m) { m.WelcomeMode = 6; }, "MapScreen"},
        {"WelcomeScreen", [](TGameManager& m) { m.WelcomeMode = 1; }, "MenuScreen"},
        {"HelpScreen", [](TGameManager& m) { m.HelpReturnState = TScreenState::Game; }, "GameScreen"},
        {"HelpScreen", [](TGameManager& m) { m.HelpReturnState = TScreenState::Menu; }, "MenuScreen"},
        {"ConstructionScreen", [](TGameManager& m) { m.SaveNextSublevelProgress(); }, "GameScreen"},
    };
    for (const TCase& c : cases) {
        Manager().ScreenState = TScreenState::Menu;
        c.Before(Manager());
        ContinueFromScreen(Manager(), c.From);
        EXPECT_EQ(Manager().PendingScreenName(), c.Next) << c.From;
    }
    EXPECT_EQ(Progress().SubLevel, 2) << "leaving the construction screen moved the won sublevel on";
    Manager().HelpReturnState = TScreenState::Map;
    test::ExpectErrorContaining([this] { ContinueFromScreen(Manager(), "HelpScreen"); },
                                "THelpDialog.BackClick");
    EXPECT_EQ(StandInScreenNames().size(), 12u);
}

// The bar charges only for a bonus the player has chosen; a won sublevel keeps the charge for
// the next sublevel of the level and puts the bar away when no bonus is left selected.
TEST_F(GameManagerTest, TheBonusBarChargesOnlyForASelectedBonusAndAWinKeepsItsCharge) {
    Start();
    Manager().ShowGameScreen(false);
    TPlayer& player = Manager().Player();
    auto win = [this] {
        Manager().Queue().Clear();
        Manager().Queue().Push<TSubLevelCompleteState>();
    };
    struct TStep {
        std::string What;
        std::function<void()> Do;
        bool Visible;
        double Total;
    };
    const std::vector<TStep> steps = {
        {"no bonus selected", [&] { player.SelectExtraBonus(bkNone); }, false, 0.0},
        {"a charge without a bonus", [&] { Manager().AddToBar(TBarKind::Bonus, 0.3); }, false, 0.0},
        {"a bonus selected", [&] { player.SelectExtraBonus(bkTimeLineFreeze); }, true, 0.0},
        {"a charge", [&] { Manager().AddToBar(TBarKind::Bonus, 0.4); }, true, 0.4},
        {"a won sublevel", win, true, 0.4},
        {"another bonus selected", [&] { player.SelectExtraBonus(bkDiagonal); }, true, 0.0},
        {"a charge", [&] { Manager().AddToBar(TBarKind::Bonus, 0.2); }, true, 0.2},
        {"the bonus given back, then a won sublevel",
         [&] {
             Progress().SelectedExtraBonus = bkNone;
             win();
         },
         false, 0.2},
        {"a charge after it", [&] { Manager().AddToBar(TBarKind::Bonus, 0.3); }, false, 0.2},
    };
    for (const TStep& step : steps) {
        step.Do();
        EXPECT_EQ(Manager().BonusBar().Visible(), step.Visible) << step.What;
        EXPECT_NEAR(Manager().BonusBar().Total(), step.Total, 1e-9) << step.What;
    }
    Manager().Queue().Clear();
    // A bonus waiting on the button belongs to the kind it was charged for.
    player.SelectExtraBonus(bkTimeLineFreeze);
    Manager().Queue().Adopt(MakeBonusState(bkTimeLineFreeze, Manager().Queue(),
                                           BonusNodeOfKind(*game->GameConfig, bkTimeLineFreeze)));
    player.SelectExtraBonus(bkDiagonal);
    EXPECT_FALSE(Manager().Queue().HasKindOf<TBonusState>());
}

// The developer keys' work in the campaign: a planted column locks its column until it blasts,
// and the board counts it as an effect (it is not stable, so packing and shuffling wait).
TEST_F(GameManagerTest, TheCampaignPlantsColumnsOrdersSecretLevelsAndAsksForEviction) {
    Start();
    Manager().ShowGameScreen(false);
    EXPECT_FALSE(Manager().PlayHost().FieldEffectQueued());
    ASSERT_TRUE(Manager().Field().IsStable());
    for (int column : {3, 3, 5}) {
        Manager().StartPlantedColumn(column);
    }
    std::vector<int> planted;
    for (size_t i = 0; i < Manager().Queue().Count(); ++i) {
        if (const auto* state = dynamic_cast<const TPlantedColumnState*>(&Manager().Queue().At(i))) {
            planted.push_back(state->Column);
        }
    }
    EXPECT_EQ(planted, (std::vector<int>{3, 5})) << "one planted column to a column";
    EXPECT_TRUE(Manager().PlayHost().FieldEffectQueued());
    EXPECT_FALSE(Manager().Field().IsStable());

    EXPECT_FALSE(game->Players->SequentialSecretLevels);
    Manager().SetSequentialSecretLevels();
    EXPECT_TRUE(game->Players->SequentialSecretLevels);

    EXPECT_FALSE(game->TextureEvictionRequested);
    Manager().EvictTexturesAfterFrame();
    EXPECT_TRUE(game->TextureEvictionRequested);

    const int created = renderer.TexturesCreated;
    Manager().RunDeviceSelfTest();
    EXPECT_EQ(renderer.TexturesCreated - created, 5 * TGameManager::SelfTestMegabytes);
    EXPECT_FALSE(game->Device->OutOfVideoMemory());
}

// Each kind is drawn on the board and on the bonus button with the sequences its node names in
// the kind's folder; a kind whose node names none keeps the folder's usual names.
TEST_F(GameManagerTest, SpecialsAreDrawnWithTheSequencesTheirNodesName) {
    test::EditFile(
        data / "config" / "game" / "Specials.xml",
        R"(Kind="4" Name="Diagonal" MainSeq="Special" SelectSeq="SpecialSel" GraySeq="SpecialGray" FillSeq="SpecialFill")",
        R"(Kind="4" Name="Diagonal" MainSeq="Lit" SelectSeq="LitSel" GraySeq="Dim" FillSeq="" BonusLight="stuff/Glow")");
    Start();
    struct TCase {
        int Kind;
        std::string Main, Select, Gray, Fill, Light;
    };
    const std::vector<TCase> cases = {
        {bkDiagonal, "specials/13/Lit", "specials/13/LitSel", "specials/13/Dim", "", "stuff/Glow"},
        {bkLineHorizontal, "specials/1/Special", "specials/1/SpecialSel", "specials/1/SpecialGray",
         "specials/1/SpecialFill", ""},
    };
    IPlayHost& play = Manager().PlayHost();
    const IBarHost& bars = Manager();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Kind);
        EXPECT_EQ(play.SpecialMainSeq(c.Kind), c.Main);
        EXPECT_EQ(play.SpecialSelectSeq(c.Kind), c.Select);
        EXPECT_EQ(play.SpecialBonusLight(c.Kind), c.Light);
        EXPECT_EQ(bars.BonusMainSeq(c.Kind), c.Main);
        EXPECT_EQ(bars.BonusGraySeq(c.Kind), c.Gray);
        EXPECT_EQ(bars.BonusFillSeq(c.Kind), c.Fill);
        std::unique_ptr<TSpecial> special = play.CreateSpecial(c.Kind, 100, 200);
        EXPECT_EQ(special->GetSpriteName(), c.Main);
        EXPECT_EQ(special->BonusLight != nullptr, !c.Light.empty()) << "the glow comes with its attribute";
    }
    test::ExpectErrorContaining([&play] { play.SpecialMainSeq(16); }, "GetIdOfKind");
}

// The music follows the screen: the menu's on the menu, the map and the screens opened from the
// menu, the secret challenge's once a piece of the map is found, the level's everywhere else.
TEST_F(GameManagerTest, TheMusicFollowsTheScreen) {
    Start();
    struct TCase {
        TScreenState Screen;
        TScreenState HelpReturn;
        uint8_t CreditsFrom;
        int PiecesFound;
        std::string Music;
    };
    const std::vector<TCase> cases = {
        {TScreenState::Menu, TScreenState::Menu, 0, 0, "Menu"},
        {TScreenState::Map, TScreenState::Menu, 0, 0, "Menu"},
        {TScreenState::Help, TScreenState::Menu, 0, 0, "Menu"},
        {TScreenState::Help, TScreenState::Game, 0, 0, "Level3"},
        {TScreenState::Credits, TScreenState::Menu, 1, 0, "Menu"},
        {TScreenState::Credits, TScreenState::Menu, 2, 0, "Level3"},
        {TScreenState::Puzzle, TScreenState::Menu, 0, 0, "Level3"},
        {TScreenState::Puzzle, TScreenState::Menu, 0, 2, "SCL"},
        {TScreenState::Game, TScreenState::Menu, 0, 2, "Level3"},
        {TScreenState::Construction, TScreenState::Menu, 0, 0, "Level3"},
        {TScreenState::Bonus, TScreenState::Menu, 1, 0, "Level3"},
        {TScreenState::Congratulations, TScreenState::Menu, 0, 0, "Level3"},
    };
    Progress().Level = 3;
    for (const TCase& c : cases) {
        Manager().ScreenState = c.Screen;
        Manager().HelpReturnState = c.HelpReturn;
        Manager().BonusScreenMode = c.CreditsFrom;
        Progress().PiecesFound = c.PiecesFound;
        Manager().UpdateMusic();
        EXPECT_EQ(Manager().MusicName(), c.Music)
            << "screen " << static_cast<int>(c.Screen) << " help from " << static_cast<int>(c.HelpReturn)
            << " credits from " << static_cast<int>(c.CreditsFrom) << " pieces " << c.PiecesFound;
    }
}

} // namespace
} // namespace qm
