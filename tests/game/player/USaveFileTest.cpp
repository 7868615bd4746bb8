#include "USaveFile.h"

#include "PlayerTestSupport.h"
#include "TestHelpers.h"
#include "UGRandom.h"
#include "USaveCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <limits>
#include <random>
#include <regex>
#include <string>
#include <vector>

namespace qm {
namespace {

namespace fs = std::filesystem;

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values) {
        bytes += static_cast<char>(value);
    }
    return bytes;
}

// Two players with a little of everything, a high-score table and changed options.
void FillPlayers(TGamePlayers& players) {
    TPlayer& ann = players.GetPlayer(1);
    ann.Name = "Ann";
    ann.Main.Score = 40000;
    ann.Main.Lives = 5;
    ann.Main.Level = 2;
    ann.Main.SubLevel = 2;
    ann.Main.PiecesFound = 1;
    ann.Main.BricksInStock = 3;
    ann.Main.SeenNames = {"TipSwap", "Caf\xC3\xA9"};
    ann.Main.ConstructionCells = TConstrucionCells(2, 3);
    ann.Main.ConstructionCells.At(1, 0) = {ckBuilt, true, 0, 0};
    ann.Main.ConstructionCells.At(0, 2) = {ckSmallBonus, false, 0, 7};
    ann.Main.ConstructionMoves = {ann.Main.ConstructionCells};
    ann.Main.LevelEntered = true;
    ann.Main.LevelTime = 61.25;
    ann.Main.LevelTimes[0][0] = 600.5;
    ann.Main.Pass = 1;
    ann.Main.CatchUpMode = true;
    ann.Main.SecretMapsCompleted = 2;
    ann.Main.SecretLevelIndex = 1;
    ann.Main.SecretLevelsUsed = {true, false, false};
    ann.Main.ExtraBonuses = {4, 9};
    ann.Main.SelectedExtraBonus = 9;
    ann.Main.ExtraBonusesPending = {12};
    ann.Main.ExtraBonusesPossible = {5, 6};
    ann.Main.ExtraBonusesPerLevel = {9};
    ann.Main.SmallBonuses = {8, 10};
    ann.Replay.Score = 77;
    ann.EasterEgg.Level = 1;
    ann.EasterEggPlayed = true;
    ann.AllPassesFinished = true;
    ann.Statistics.Records = {{1, 1, 95.5, 1, 2, 30, 1500}};
    players.GetPlayer(2).Name = "B\xC3\xB8rge";
    players.RestoreCurrentPlayerIndex(2);
    players.InsertDefaultHighScores();
    players.Options = {true, 10, 20, false, false};
}

class SaveFileTest : public ::testing::Test {
protected:
    SaveFileTest() : Config(test::MakePlayerConfig()) {}

    // A save of FillPlayers' players as the file holds it.
    std::string FilledText() {
        TGamePlayers players(Config);
        FillPlayers(players);
        return EncodeSave(players);
    }

    PGXMLNode Config;
};

TEST_F(SaveFileTest, AnEmptyGameWritesItsOptionsAfterTwoEmptyLists) {
    TGamePlayers players(Config);
    EXPECT_EQ(WriteSaveStream(players), Bytes({2, 1, 2, 0, 2, 0, 8, 2, 60, 2, 40, 9, 9}));
    EXPECT_EQ(EncodeSave(players), "2010200020008020C320829090");
}

// Every slot comes back from a save as it went in, whatever stands between the players: free
// slots, named players with and without progress, and a slot whose name is empty but which holds
// progress (a hand-edited or foreign save has them). A slot per letter: "." free, "n" named
// without progress, "N" named with progress, "E" no name but progress.
TEST_F(SaveFileTest, EverySlotStateComesBackInItsSlot) {
    const char* const patterns[] = {".........", "NN.N",  "EN",        "NE",        "E",
                                    "........N", "N.E.n", "NNNNNNNNN", "EEEEEEEEE", "n.......E"};
    for (const char* pattern : patterns) {
        SCOPED_TRACE(pattern);
        TGamePlayers players(Config);
        for (int slot = 1; pattern[slot - 1] != 0; ++slot) {
            TPlayer& player = players.GetPlayer(slot);
            const char state = pattern[slot - 1];
            player.Name = state == 'N' || state == 'n' ? "P" + std::to_string(slot) : "";
            if (state == 'N' || state == 'E') {
                player.Main.Score = 1000 * slot;
                player.Statistics.Records = {{1, 1, 9.5, 1, 2, 3, slot}};
            }
        }
        const std::string stream = WriteSaveStream(players);
        TGamePlayers read(Config);
        ReadSaveStream(stream, read);
        for (int slot = 1; slot <= PlayerSlotCount; ++slot) {
            const TPlayer& before = players.GetPlayer(slot);
            const TPlayer& after = read.GetPlayer(slot);
            EXPECT_EQ(after.Name, before.Name) << "slot " << slot;
            EXPECT_EQ(after.Main.Score, before.Main.Score) << "slot " << slot;
            EXPECT_EQ(after.Statistics.Records.size(), before.Statistics.Records.size()) << "slot " << slot;
        }
        EXPECT_EQ(WriteSaveStream(read), stream);
    }
}

// Free slots after the last player are not written: a save of two players holds two.
TEST_F(SaveFileTest, FreeSlotsAfterTheLastPlayerAreNotWritten) {
    TGamePlayers players(Config);
    players.GetPlayer(1).Name = "A";
    players.GetPlayer(2).Name = "B";
    EXPECT_EQ(WriteSaveStream(players).substr(0, 7), Bytes({2, 1, 2, 2, 6, 1, 'A'}));
}

TEST_F(SaveFileTest, EverySavedValueComesBack) {
    const std::string text = FilledText();
    TGamePlayers read(Config);
    DecodeSave(text, read);
    EXPECT_EQ(EncodeSave(read), text);

    const TPlayer& ann = read.GetPlayer(1);
    EXPECT_EQ(ann.Main.SeenNames, (std::vector<std::string>{"TipSwap", "Caf\xC3\xA9"}));
    EXPECT_EQ(ann.Main.ConstructionCells.At(1, 0), (TConstructionCell{ckBuilt, true, 0, 0}));
    EXPECT_EQ(ann.Main.ConstructionCells.At(0, 2), (TConstructionCell{ckSmallBonus, false, 0, 7}));
    EXPECT_EQ(ann.Main.ConstructionMoves.size(), 1u);
    EXPECT_EQ(ann.Main.LevelTimes[0][0], 600.5);
    EXPECT_EQ(ann.Main.SecretLevelsUsed, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(ann.Main.ExtraBonusesPerLevel, (std::vector<int32_t>{9}));
    EXPECT_EQ(ann.Replay.Score, 77);
    EXPECT_TRUE(ann.EasterEggPlayed);
    EXPECT_TRUE(ann.AllPassesFinished);
    EXPECT_EQ(ann.Statistics.Records.front().Time, 95.5);
    EXPECT_EQ(read.GetPlayer(2).Name, "B\xC3\xB8rge");
    EXPECT_EQ(read.CurrentPlayerIndex(), 2);
    EXPECT_EQ(read.HighScores().size(), 2u);
    EXPECT_EQ(read.Options, (TPlayerOptions{true, 10, 20, false, false}));
}

TEST_F(SaveFileTest, AWinBankedBeforeTheBoardChangesIsSaved) {
    TGamePlayers players(Config);
    players.GetPlayer(1).Name = "Ann";
    players.GetPlayer(1).BankSublevelWin(2, 1);
    TGamePlayers read(Config);
    ReadSaveStream(WriteSaveStream(players), read);
    EXPECT_EQ(read.GetPlayer(1).Main.Level, 2);
    EXPECT_EQ(read.GetPlayer(1).Main.SubLevel, 1);
}

// A monument outline of 40 x 40 small-bonus letters keeping twenty of them: preparing it draws
// from the generator for every kept bonus and every try at a place, which for the largest outlines
// takes seconds. A save whose grid covers the outline takes its cells as stored, so loading it
// prepares nothing however often it is loaded; one whose grid is smaller (the outline grew since)
// still gets the outline's bonuses around it.
TEST_F(SaveFileTest, ALoadedMonumentGridIsNotPreparedAgainWhereTheSaveCoversIt) {
    constexpr int Side = 40;
    std::string rows;
    for (int i = 0; i < Side; ++i) {
        rows += std::string(Side, 'a') + "\n";
    }
    const PGXMLNode config = test::MakePlayerConfig(
        "", R"(<ConstructionField ICount="40" JCount="40" CellsSize="20" RandomCountSmallBonuses="20"
               RowCountForSmallBonuses="40">)" +
                rows + "</ConstructionField>");
    struct TCase {
        int StoredSide;
        bool Prepared;
    };
    for (const TCase& c : {TCase{Side, false}, TCase{2, true}}) {
        SCOPED_TRACE(c.StoredSide);
        TGamePlayers players(config);
        TPlayer& ann = players.GetPlayer(1);
        ann.Name = "Ann";
        ann.Main.Level = 1;
        ann.Main.ConstructionCells = TConstrucionCells(c.StoredSide, c.StoredSide);
        for (int i = 0; i < c.StoredSide; ++i) {
            ann.Main.ConstructionCells.At(i, i) = {ckBuilt, true, 0, 0};
        }
        const std::string stream = WriteSaveStream(players);
        for (int load = 0; load < 3; ++load) {
            SetRandomSeed(1234);
            TGamePlayers read(config);
            ReadSaveStream(stream, read);
            const TConstrucionCells& cells = read.GetPlayer(1).Main.ConstructionCells;
            ASSERT_EQ(cells.RowCount(), Side);
            int smallBonuses = 0;
            for (int i = 0; i < Side; ++i) {
                for (int j = 0; j < Side; ++j) {
                    if (i < c.StoredSide && j < c.StoredSide) {
                        EXPECT_EQ(cells.At(i, j), ann.Main.ConstructionCells.At(i, j)) << i << "," << j;
                    } else {
                        smallBonuses += cells.At(i, j).Kind == ckSmallBonus ? 1 : 0;
                    }
                }
            }
            EXPECT_EQ(RandSeed != 1234u, c.Prepared) << "load " << load;
            EXPECT_EQ(smallBonuses > 0, c.Prepared) << "load " << load;
        }
    }
}

// A stream whose values lie outside their ranges: the writer does not judge what it writes.
TEST_F(SaveFileTest, ValuesOutOfRangeAreClampedOrDropped) {
    TGamePlayers players(Config);
    TPlayer& ann = players.GetPlayer(1);
    ann.Name = "Ann";
    ann.Main.Level = 99;
    ann.Main.SubLevel = 99;
    ann.Main.Lives = 40;
    ann.Main.Pass = 7;
    ann.Main.SecretLevelIndex = 7;
    ann.Main.SecretLevelsUsed = {true};
    ann.Main.ExtraBonuses = {3, 16, 5, -1};
    ann.Main.SelectedExtraBonus = 2;
    ann.Main.SmallBonuses = {0, 13, 2};
    ann.Main.LevelTime = -5;
    ann.Main.LevelTimes[1][1] = std::numeric_limits<double>::quiet_NaN();
    ann.Replay.Level = 1;
    ann.Replay.SubLevel = 3;
    // A stored monument larger than the level's: only the overlap is taken, and unknown kinds
    // and bonuses are dropped.
    ann.Replay.ConstructionCells = TConstrucionCells(3, 4);
    ann.Replay.ConstructionCells.At(0, 0) = {ckBuilt, true, 0, 0};
    ann.Replay.ConstructionCells.At(1, 2) = {9, false, 5, 0};
    ann.Replay.ConstructionCells.At(1, 1) = {ckSmallBonus, false, 0, 40};
    ann.Replay.ConstructionCells.At(2, 3) = {ckBuilt, true, 0, 0};
    ann.EasterEgg.ConstructionCells = TConstrucionCells(1, 1);
    ann.EasterEgg.ConstructionCells.At(0, 0) = {ckBuilt, false, 0, 0};
    players.RestoreCurrentPlayerIndex(9);
    players.Options.SoundVolume = 300;
    TSaveWriter head;
    head.WriteInteger(42);
    const std::string stream = head.Bytes() + WriteSaveStream(players).substr(2);

    TGamePlayers read(Config);
    ReadSaveStream(stream, read);
    const TPlayerData& main = read.GetPlayer(1).Main;
    EXPECT_EQ(read.CurrentPlayerIndex(), 9);
    EXPECT_EQ(main.Level, 2);
    EXPECT_EQ(main.SubLevel, 2);
    EXPECT_EQ(main.Lives, 9);
    EXPECT_EQ(main.Pass, 2);
    EXPECT_EQ(main.SecretLevelIndex, -1);
    EXPECT_EQ(main.SecretLevelsUsed, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(main.ExtraBonuses, (std::vector<int32_t>{5}));
    EXPECT_EQ(main.SelectedExtraBonus, bkNone);
    EXPECT_EQ(main.SmallBonuses, (std::vector<int32_t>{2}));
    EXPECT_EQ(main.LevelTime, 0);
    EXPECT_EQ(main.LevelTimes[1][1], 0);
    const TConstrucionCells& cells = read.GetPlayer(1).Replay.ConstructionCells;
    ASSERT_EQ(cells.RowCount(), 2);
    ASSERT_EQ(cells.ColumnCount(), 3);
    EXPECT_EQ(cells.At(0, 0), (TConstructionCell{ckBuilt, true, 0, 0}));
    EXPECT_EQ(cells.At(1, 2), (TConstructionCell{ckNone, false, 2, 0}));
    EXPECT_EQ(cells.At(1, 1), (TConstructionCell{ckEmpty, false, 0, 0}));
    // A smaller stored grid keeps the rest of the level's outline.
    const TConstrucionCells& egg = read.GetPlayer(1).EasterEgg.ConstructionCells;
    EXPECT_EQ(egg.At(0, 0).Kind, ckBuilt);
    EXPECT_EQ(egg.At(0, 1).Kind, ckBonus);
    EXPECT_TRUE(egg.At(1, 2).Open);
    EXPECT_EQ(read.Options.SoundVolume, 100);
}

// Damage that leaves no way to read on.
TEST_F(SaveFileTest, HostileStreamsAreRefusedAndChangeNothing) {
    TGamePlayers players(Config);
    players.GetPlayer(1).Name = "Ann";
    players.GetPlayer(1).Main.SeenNames = {"MARK"};
    const std::string good = WriteSaveStream(players);
    // The tail: statistics count (2 bytes), high-score count (2), options (7).
    const size_t statistics = good.size() - 11;
    const size_t scores = good.size() - 9;
    const size_t seen = good.find(Bytes({6, 4, 'M', 'A', 'R', 'K'})) - 2;
    const std::string huge = Bytes({4, 0xFF, 0xFF, 0xFF, 0x7F});
    auto replaceInteger = [&](size_t at, const std::string& by) {
        return good.substr(0, at) + by + good.substr(at + 2);
    };
    struct TCase {
        const char* Name;
        std::string Stream;
        std::string Error;
    };
    const std::vector<TCase> cases = {
        {"empty stream", "", "TSaveReader.ReadInteger: Stream read error"},
        {"cut in the options", good.substr(0, good.size() - 1), "TSaveReader.ReadBoolean: Stream read error"},
        {"cut in the middle", good.substr(0, good.size() / 2), "Stream read error"},
        {"ten players", replaceInteger(2, Bytes({2, 10})),
         "TSaveReader.ReadCount: player count 10 at byte 2 is outside 0..9"},
        {"more players than bytes", replaceInteger(2, Bytes({2, 9})),
         "player count 9 at byte 2 needs more than"},
        {"negative player count", replaceInteger(2, Bytes({2, 0xFF})), "player count -1"},
        {"huge seen-name count", replaceInteger(seen, huge), "seen-name count 2147483647"},
        {"huge statistics count", replaceInteger(statistics, huge), "statistics count 2147483647"},
        {"huge high-score count", replaceInteger(scores, huge), "high-score count 2147483647"},
        {"name as integer", replaceInteger(4, Bytes({2, 3})),
         "TSaveReader.ReadString: Invalid property value (tag 2 at byte 4)"},
        {"integer as text", replaceInteger(0, Bytes({6, 0})),
         "TSaveReader.ReadInteger: Invalid property value (tag 6 at byte 0)"},
    };
    for (const TCase& c : cases) {
        TGamePlayers read(Config);
        read.GetPlayer(1).Name = "Kept";
        const std::string error = test::ErrorText([&] { ReadSaveStream(c.Stream, read); });
        EXPECT_NE(error.find(c.Error), std::string::npos) << c.Name << ": " << error;
        EXPECT_EQ(read.GetPlayer(1).Name, "Kept") << c.Name;
    }
    // The construction grid sizes are checked against their maximum and the bytes left.
    TGamePlayers gridded(Config);
    gridded.GetPlayer(1).Name = "Ann";
    gridded.GetPlayer(1).Main.ConstructionCells = TConstrucionCells(1, 1);
    const std::string withGrid = WriteSaveStream(gridded);
    const size_t rows = withGrid.find(Bytes({9, 2, 1, 2, 1, 8})) + 1;
    const std::vector<std::pair<std::string, std::string>> grids = {
        {withGrid.substr(0, rows) + Bytes({2, 65}) + withGrid.substr(rows + 2), "construction row count 65"},
        {withGrid.substr(0, rows) + Bytes({2, 60, 2, 60}) + withGrid.substr(rows + 4),
         "construction grid of 60 x 60 cells"}};
    for (const auto& grid : grids) {
        TGamePlayers read(Config);
        const std::string error = test::ErrorText([&] { ReadSaveStream(grid.first, read); });
        EXPECT_NE(error.find(grid.second), std::string::npos) << error;
    }
}

TEST_F(SaveFileTest, SavesReplaceTheFileAtomicallyAndKeepTheOldOneAsBackup) {
    test::TempDir dir;
    const TSaveFile file(dir.Path() / "user" / "Data");
    TGamePlayers first(Config);
    first.GetPlayer(1).Name = "First";
    file.Save(first);
    EXPECT_FALSE(fs::exists(file.BackupPath()));
    TGamePlayers second(Config);
    second.GetPlayer(1).Name = "Second";
    file.Save(second);
    EXPECT_EQ(test::ReadFile(file.Path()), EncodeSave(second));
    EXPECT_EQ(test::ReadFile(file.BackupPath()), EncodeSave(first));
    // Saving the same again keeps the backup one step behind.
    file.Save(second);
    EXPECT_EQ(test::ReadFile(file.BackupPath()), EncodeSave(first));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(file.Path().parent_path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Data", "Data.bak"}));
}

TEST_F(SaveFileTest, ADamagedSaveIsSetAsideAndTheBackupTakesItsPlace) {
    test::TempDir dir;
    const TSaveFile file(dir.Path() / "Data");
    struct TCase {
        const char* Name;
        bool WriteSave;
        std::string Save;
        std::string Backup; // "" none
        TSaveSource Source;
        bool Damaged;
        std::string Player;
    };
    const std::string good = FilledText();
    const std::vector<TCase> cases = {
        {"first start", false, "", "", TSaveSource::Fresh, false, ""},
        {"good save", true, good, "", TSaveSource::File, false, "Ann"},
        {"empty save alone", true, "", "", TSaveSource::Fresh, false, ""},
        {"not hexadecimal", true, "XYZW", good, TSaveSource::Backup, true, "Ann"},
        {"cut short", true, good.substr(0, 100), good, TSaveSource::Backup, true, "Ann"},
        {"empty save beside a backup", true, "", good, TSaveSource::Backup, true, "Ann"},
        {"both damaged", true, "0", "1", TSaveSource::Fresh, true, ""},
    };
    for (const TCase& c : cases) {
        fs::remove(file.Path());
        fs::remove(file.BackupPath());
        fs::remove(file.DamagedPath());
        if (c.WriteSave) {
            dir.Write("Data", c.Save);
        }
        if (!c.Backup.empty()) {
            dir.Write("Data.bak", c.Backup);
        }
        TGamePlayers players(Config);
        const TSaveLoadResult result = file.Load(players);
        EXPECT_EQ(result.Source, c.Source) << c.Name;
        EXPECT_EQ(result.Damaged, c.Damaged) << c.Name;
        EXPECT_EQ(players.GetPlayer(1).Name, c.Player) << c.Name;
        EXPECT_EQ(fs::exists(file.DamagedPath()), c.Damaged) << c.Name;
        if (c.Damaged) {
            EXPECT_EQ(test::ReadFile(file.DamagedPath()), c.Save) << c.Name;
            EXPECT_FALSE(fs::exists(file.Path())) << c.Name;
            EXPECT_TRUE(std::regex_search(result.Problem, std::regex("^[A-Za-z.]+: \\S"))) << result.Problem;
        }
    }
    // A later damage replaces the one copy kept.
    dir.Write("Data", "Q");
    TGamePlayers players(Config);
    file.Load(players);
    EXPECT_EQ(test::ReadFile(file.DamagedPath()), "Q");
}

// Randomly damaged files, as a disk or an editor leaves them: cut, with characters changed,
// with integers made huge. Each is read as at start-up: it loads, or it is set aside with a
// message in the "Context: detail" form and the backup is read. Nothing else may happen.
TEST_F(SaveFileTest, RandomlyDamagedSavesAreReadOrSetAside) {
    test::TempDir dir;
    const TSaveFile file(dir.Path() / "Data");
    const std::string good = FilledText();
    const std::string bytes = DecodeHex(good);
    dir.Write("Data.bak", good);
    std::mt19937 random(20261210);
    auto below = [&](size_t n) { return static_cast<size_t>(random() % n); };
    const std::regex message("^[A-Za-z.]+: \\S");
    constexpr int Files = 1000;
    int read = 0;
    int setAside = 0;
    for (int k = 0; k < Files; ++k) {
        std::string text;
        switch (k % 4) {
        case 0: // cut anywhere, odd lengths included
            text = good.substr(0, below(good.size()));
            break;
        case 1: { // one to four characters changed to any byte
            text = good;
            for (size_t n = 1 + below(4); n > 0; --n) {
                text[below(text.size())] = static_cast<char>(random());
            }
            break;
        }
        case 2: { // bytes flipped under a valid outer encoding
            std::string damaged = bytes;
            for (size_t n = 1 + below(4); n > 0; --n) {
                damaged[below(damaged.size())] ^= static_cast<char>(1 << below(8));
            }
            text = EncodeHex(damaged);
            break;
        }
        default: { // an integer made huge or negative
            std::string damaged = bytes;
            const size_t at = below(damaged.size());
            const std::string hostile =
                below(2) == 0 ? Bytes({4, 0xFF, 0xFF, 0xFF, 0x7F}) : Bytes({4, 0, 0, 0, 0x80});
            damaged.replace(at, std::min<size_t>(2, damaged.size() - at), hostile);
            text = EncodeHex(damaged);
        }
        }
        dir.Write("Data", text);
        TGamePlayers players(Config);
        const TSaveLoadResult result = file.Load(players);
        if (result.Damaged) {
            ++setAside;
            EXPECT_TRUE(std::regex_search(result.Problem, message)) << k << ": " << result.Problem;
            EXPECT_EQ(result.Source, TSaveSource::Backup) << k;
            EXPECT_EQ(players.GetPlayer(1).Name, "Ann") << k;
        } else {
            ++read;
            // What was read is a save of its own again.
            TGamePlayers again(Config);
            ReadSaveStream(WriteSaveStream(players), again);
            EXPECT_EQ(WriteSaveStream(again), WriteSaveStream(players)) << k;
        }
    }
    std::cout << "[ figures  ] " << Files << " damaged saves: " << read << " read, " << setAside
              << " set aside with a message\n";
    EXPECT_EQ(read + setAside, Files);
    EXPECT_GT(setAside, Files / 2);
}

} // namespace
} // namespace qm
