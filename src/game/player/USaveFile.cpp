#include "USaveFile.h"

#include "UGError.h"
#include "UGFileSystem.h"
#include "UGStrings.h"
#include "USaveCodec.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <system_error>

namespace qm {

namespace {

// Bounds that no real save comes near; they only keep a damaged count from asking for the moon.
constexpr size_t MaxSeenNames = 10000;
constexpr size_t MaxStatistics = 10000;
constexpr size_t MaxHighScoreItems = 1000;
constexpr size_t MaxGridSide = 64;
constexpr size_t MaxConstructionMoves = 10000;
constexpr size_t MaxBonusList = 256;
constexpr size_t MaxSecretLevelFlags = 1000;

// The fewest bytes an item can take in the stream, to weigh a count against the bytes left.
constexpr size_t MinCellBytes = 7;        // a boolean and three one-byte integers
constexpr size_t MinStatisticsBytes = 14; // seven one-byte integers
constexpr size_t MinHighScoreBytes = 10;  // an empty text and four one-byte integers
constexpr size_t MinPlayerBytes = 300;    // a name, three records of at least 100 bytes
constexpr size_t MinIntegerBytes = 2;
constexpr size_t MinTextBytes = 2;

void WriteGridSize(TSaveWriter& writer, const TConstrucionCells& cells) {
    writer.WriteInteger(cells.RowCount());
    writer.WriteInteger(cells.RowCount() > 0 ? cells.ColumnCount() : 0);
}

void WriteIntegerList(TSaveWriter& writer, const std::vector<int32_t>& list) {
    writer.WriteInteger(static_cast<int32_t>(list.size()));
    for (int32_t value : list) {
        writer.WriteInteger(value);
    }
}

void WriteRecord(TSaveWriter& writer, const TPlayerData& data, const TPlayer& player) {
    writer.WriteInteger(data.Score);
    writer.WriteInteger(data.Lives);
    writer.WriteInteger(data.SavedLevel());
    writer.WriteInteger(data.SavedSubLevel());
    writer.WriteBoolean(data.ShowTips);
    writer.WriteInteger(3);
    writer.WriteBoolean(data.BoxCountReached);
    writer.WriteBoolean(data.PuzzleClosed);
    writer.WriteInteger(data.PiecesFound);
    writer.WriteInteger(data.BricksInStock);
    writer.WriteInteger(static_cast<int32_t>(data.SeenNames.size()));
    for (const std::string& name : data.SeenNames) {
        writer.WriteString(name);
    }
    const TConstrucionCells& cells = data.ConstructionCells;
    const bool present = cells.RowCount() > 0 && cells.ColumnCount() > 0;
    writer.WriteBoolean(present);
    if (present) {
        WriteGridSize(writer, cells);
        for (int i = 0; i < cells.RowCount(); ++i) {
            for (int j = 0; j < cells.ColumnCount(); ++j) {
                const TConstructionCell& cell = cells.At(i, j);
                writer.WriteBoolean(cell.Open);
                writer.WriteInteger(cell.Kind);
                writer.WriteInteger(cell.Count);
                writer.WriteInteger(cell.SmallBonus);
            }
        }
    }
    writer.WriteBoolean(data.LevelEntered);
    writer.WriteFloat(data.LevelTime);
    for (const auto& level : data.LevelTimes) {
        for (double seconds : level) {
            writer.WriteFloat(seconds);
        }
    }
    writer.WriteInteger(data.Pass);
    for (bool flag : {data.MonumentComplete, data.LevelChangeRunning, data.CatchUpMode, data.ReturnToBonus,
                      data.ReturnToConstruction, data.ReturnToPuzzle, data.StartFresh}) {
        writer.WriteBoolean(flag);
    }
    for (int32_t value : {data.SecretMapsCompleted, data.SecretLevelWon, data.MaxLevelReached,
                          data.LastFinishedLevel, data.PiecesFoundThisVisit}) {
        writer.WriteInteger(value);
    }
    writer.WriteBoolean(player.EasterEggBonusShown);
    writer.WriteBoolean(player.AllPassesFinished);
    writer.WriteInteger(static_cast<int32_t>(data.ConstructionMoves.size()));
    for (const TConstrucionCells& move : data.ConstructionMoves) {
        WriteGridSize(writer, move);
        for (int i = 0; i < move.RowCount(); ++i) {
            for (int j = 0; j < move.ColumnCount(); ++j) {
                const TConstructionCell& cell = move.At(i, j);
                writer.WriteInteger(cell.Count);
                writer.WriteBoolean(cell.Open);
                writer.WriteInteger(cell.Kind);
                writer.WriteInteger(cell.SmallBonus);
            }
        }
    }
    writer.WriteInteger(data.SecretLevelIndex);
    writer.WriteInteger(static_cast<int32_t>(data.SecretLevelsUsed.size()));
    for (bool used : data.SecretLevelsUsed) {
        writer.WriteBoolean(used);
    }
    WriteIntegerList(writer, data.ExtraBonuses);
    WriteIntegerList(writer, data.ExtraBonusesPending);
    WriteIntegerList(writer, data.ExtraBonusesPossible);
    writer.WriteInteger(data.SelectedExtraBonus);
    writer.WriteInteger(data.PendingAddedInLevel);
    WriteIntegerList(writer, data.SmallBonuses);
    WriteIntegerList(writer, data.ExtraBonusesPerLevel);
}

void WritePlayer(TSaveWriter& writer, const TPlayer& player) {
    writer.WriteString(player.Name);
    WriteRecord(writer, player.Main, player);
    WriteRecord(writer, player.Replay, player);
    WriteRecord(writer, player.EasterEgg, player);
    writer.WriteBoolean(player.EasterEggMode);
    writer.WriteBoolean(player.EasterEggPlayed);
    writer.WriteInteger(static_cast<int32_t>(player.Statistics.Records.size()));
    for (const TStatisticsRecord& record : player.Statistics.Records) {
        writer.WriteInteger(record.Level);
        writer.WriteInteger(record.SubLevel);
        writer.WriteFloat(record.Time);
        writer.WriteInteger(record.Lives);
        writer.WriteInteger(record.ColorCells);
        writer.WriteInteger(record.Bricks);
        writer.WriteInteger(record.Score);
    }
}

// Reads the stream and keeps what it read apart until the whole stream has been read.
class TSaveStreamReader {
public:
    TSaveStreamReader(std::string_view bytes, TGamePlayers& players) : FReader(bytes), FPlayers(players) {}

    void ReadAll() {
        FCurrentIndex = FReader.ReadInteger();
        const size_t count = FReader.ReadCount("player", PlayerSlotCount, MinPlayerBytes);
        for (size_t k = 0; k < count; ++k) {
            FRead.push_back(FPlayers.NewPlayer(""));
            ReadPlayer(*FRead.back());
        }
        const size_t scores = FReader.ReadCount("high-score", MaxHighScoreItems, MinHighScoreBytes);
        for (size_t k = 0; k < scores; ++k) {
            THighScoresItem item;
            item.Name = FReader.ReadString();
            item.Score = FReader.ReadInteger();
            item.Pass = FReader.ReadClamped(0, PassCount - 1);
            item.PassingTime = std::max(0, FReader.ReadInteger());
            item.FinalLevel = std::max(0, FReader.ReadInteger());
            FScores.push_back(item);
        }
        FOptions.MuteSounds = FReader.ReadBoolean();
        FOptions.SoundVolume = FReader.ReadClamped(0, 100);
        FOptions.MusicVolume = FReader.ReadClamped(0, 100);
        FOptions.HardwareCursor = FReader.ReadBoolean();
        FOptions.FullScreen = FReader.ReadBoolean();
    }

    // Everything was read: the players take it over.
    void Commit() {
        for (int slot = 1; slot <= PlayerSlotCount; ++slot) {
            const auto index = static_cast<size_t>(slot - 1);
            FPlayers.SetPlayerSlot(slot,
                                   index < FRead.size() ? std::move(FRead[index]) : FPlayers.NewPlayer(""));
            // A fresh slot is free: NewPlayer made its campaign record want tips, as a fresh start does.
        }
        FPlayers.RestoreCurrentPlayerIndex(FCurrentIndex);
        FPlayers.ClearHighScores();
        for (const THighScoresItem& item : FScores) {
            FPlayers.InsertHighScore(item);
        }
        FPlayers.Options = FOptions;
    }

private:
    std::vector<int32_t> ReadKinds(const char* what, bool (*valid)(int32_t)) {
        std::vector<int32_t> kinds;
        const size_t count = FReader.ReadCount(what, MaxBonusList, MinIntegerBytes);
        for (size_t k = 0; k < count; ++k) {
            const int32_t kind = FReader.ReadInteger();
            if (valid(kind)) {
                kinds.push_back(kind);
            }
        }
        return kinds;
    }

    // A grid of the size the stream gives; its cells are read by `readCell`.
    template <typename TReadCell> TConstrucionCells ReadGrid(TReadCell readCell) {
        const size_t rows = FReader.ReadCount("construction row", MaxGridSide, 0);
        const size_t columns = FReader.ReadCount("construction column", MaxGridSide, 0);
        if (rows * columns * MinCellBytes > FReader.Left()) {
            throw EGError("TSaveReader.ReadCount",
                          Format("construction grid of %zu x %zu cells at byte %zu needs "
                                 "more than the %zu bytes left",
                                 rows, columns, FReader.Position(), FReader.Left()));
        }
        TConstrucionCells grid(static_cast<int>(rows), static_cast<int>(columns));
        for (size_t i = 0; i < rows; ++i) {
            for (size_t j = 0; j < columns; ++j) {
                grid.At(static_cast<int>(i), static_cast<int>(j)) = readCell();
            }
        }
        return grid;
    }

    static TConstructionCell CheckedCell(bool open, int32_t kind, int32_t count, int32_t smallBonus) {
        TConstructionCell cell;
        cell.Open = open;
        // An unknown kind is no cell, an unknown bonus no bonus.
        cell.Kind = kind >= ckNone && kind <= ckSmallBonus ? static_cast<uint8_t>(kind)
                                                           : static_cast<uint8_t>(ckNone);
        cell.Count = std::clamp(count, 0, 2);
        cell.SmallBonus = IsSmallBonus(smallBonus) ? static_cast<uint8_t>(smallBonus) : 0;
        if (cell.Kind == ckSmallBonus && cell.SmallBonus == 0) {
            cell.Kind = ckEmpty;
        }
        return cell;
    }

    void ReadConstructionCells(TPlayerData& data) {
        TConstrucionCells stored = ReadGrid([this] {
            const bool open = FReader.ReadBoolean();
            const int32_t kind = FReader.ReadInteger();
            const int32_t count = FReader.ReadInteger();
            const int32_t smallBonus = FReader.ReadInteger();
            return CheckedCell(open, kind, count, smallBonus);
        });
        // The stored grid over the outline of the level as the configuration has it now; where
        // that cannot be built, the stored grid stands as it is.
        try {
            RestoreConstructionCellsFromXML(data, stored, FPlayers.GameConfig());
        } catch (const EGError&) {
            data.ConstructionCells = std::move(stored);
        }
    }

    void ReadRecord(TPlayerData& data, TPlayer& player) {
        // Without levels in the configuration (the data tool reading a bare file) the numbers
        // stand as they were written.
        const int levels = FPlayers.LevelCount() > 0 ? FPlayers.LevelCount() : INT32_MAX;
        data.Score = FReader.ReadInteger();
        data.Lives = FReader.ReadClamped(0, MaxLives);
        data.Level = FReader.ReadClamped(1, levels);
        const int subLevels = FPlayers.SubLevelCountOf(data.Level);
        data.SubLevel = FReader.ReadClamped(1, subLevels > 0 ? subLevels : INT32_MAX);
        data.ShowTips = FReader.ReadBoolean();
        FReader.ReadInteger();
        data.Reserved = 3;
        data.BoxCountReached = FReader.ReadBoolean();
        data.PuzzleClosed = FReader.ReadBoolean();
        data.PiecesFound = std::max(0, FReader.ReadInteger());
        data.BricksInStock = std::max(0, FReader.ReadInteger());
        const size_t names = FReader.ReadCount("seen-name", MaxSeenNames, MinTextBytes);
        data.SeenNames.clear();
        for (size_t k = 0; k < names; ++k) {
            data.SeenNames.push_back(FReader.ReadString());
        }
        data.ConstructionCells = {};
        if (FReader.ReadBoolean()) {
            ReadConstructionCells(data);
        }
        data.LevelEntered = FReader.ReadBoolean();
        data.LevelTime = ReadSeconds();
        for (auto& level : data.LevelTimes) {
            for (double& seconds : level) {
                seconds = ReadSeconds();
            }
        }
        data.Pass = FReader.ReadClamped(0, PassCount - 1);
        for (bool* flag :
             {&data.MonumentComplete, &data.LevelChangeRunning, &data.CatchUpMode, &data.ReturnToBonus,
              &data.ReturnToConstruction, &data.ReturnToPuzzle, &data.StartFresh}) {
            *flag = FReader.ReadBoolean();
        }
        data.SecretMapsCompleted = FReader.ReadClamped(0, SecretMapCount);
        data.SecretLevelWon = FReader.ReadClamped(0, 1);
        data.MaxLevelReached = FReader.ReadClamped(0, levels);
        data.LastFinishedLevel = FReader.ReadClamped(0, levels);
        data.PiecesFoundThisVisit = std::max(0, FReader.ReadInteger());
        player.EasterEggBonusShown = FReader.ReadBoolean();
        player.AllPassesFinished = FReader.ReadBoolean();
        const size_t moves =
            FReader.ReadCount("construction move", MaxConstructionMoves, 2 * MinIntegerBytes);
        data.ConstructionMoves.clear();
        for (size_t k = 0; k < moves; ++k) {
            data.ConstructionMoves.push_back(ReadGrid([this] {
                const int32_t count = FReader.ReadInteger();
                const bool open = FReader.ReadBoolean();
                const int32_t kind = FReader.ReadInteger();
                const int32_t smallBonus = FReader.ReadInteger();
                return CheckedCell(open, kind, count, smallBonus);
            }));
        }
        const int32_t secretIndex = FReader.ReadInteger();
        const size_t flags = FReader.ReadCount("secret-level flag", MaxSecretLevelFlags, 1);
        data.SecretLevelsUsed.assign(flags, false);
        for (size_t k = 0; k < flags; ++k) {
            data.SecretLevelsUsed[k] = FReader.ReadBoolean();
        }
        const auto secretFields =
            static_cast<int32_t>(FPlayers.GameConfig().GetCollection("SecretLevelField")->Count());
        // Without secret levels in the configuration (the data tool on a bare file) the index
        // stands as written; choosing a secret level checks it again.
        const bool knownIndex = secretIndex >= 0 && (secretFields == 0 || secretIndex < secretFields);
        data.SecretLevelIndex = knownIndex ? secretIndex : -1;
        // A list of another length (the configuration changed) gets one flag per secret level;
        // an empty one is made when a secret level is first chosen.
        if (secretFields > 0 && !data.SecretLevelsUsed.empty()) {
            data.SecretLevelsUsed.resize(static_cast<size_t>(secretFields), false);
        }
        data.ExtraBonuses = ReadKinds("extra-bonus", IsExtraBonusKind);
        data.ExtraBonusesPending = ReadKinds("pending-bonus", IsExtraBonusKind);
        data.ExtraBonusesPossible = ReadKinds("possible-bonus", IsExtraBonusKind);
        const int32_t selected = FReader.ReadInteger();
        data.SelectedExtraBonus = IsExtraBonusKind(selected) ? selected : bkNone;
        data.PendingAddedInLevel = std::max(0, FReader.ReadInteger());
        data.SmallBonuses = ReadKinds("small-bonus", IsSmallBonus);
        data.ExtraBonusesPerLevel = ReadKinds("level-bonus", IsExtraBonusKind);
        // Working state of a sublevel never outlives the program.
        data.BoxCountReached = false;
        data.BoxesCounted = 0;
        data.SublevelInProgress = false;
        data.PiecesFoundInSublevel = 0;
    }

    // Seconds played: what cannot be a duration counts as none.
    double ReadSeconds() {
        const double seconds = FReader.ReadFloat();
        return std::isfinite(seconds) && seconds > 0 ? seconds : 0.0;
    }

    void ReadPlayer(TPlayer& player) {
        player.Name = FReader.ReadString();
        ReadRecord(player.Main, player);
        ReadRecord(player.Replay, player);
        ReadRecord(player.EasterEgg, player);
        player.ReplayMode = false;
        player.EasterEggMode = FReader.ReadBoolean();
        player.EasterEggPlayed = FReader.ReadBoolean();
        const size_t count = FReader.ReadCount("statistics", MaxStatistics, MinStatisticsBytes);
        for (size_t k = 0; k < count; ++k) {
            TStatisticsRecord record;
            record.Level = FReader.ReadInteger();
            record.SubLevel = FReader.ReadInteger();
            record.Time = ReadSeconds();
            record.Lives = FReader.ReadInteger();
            record.ColorCells = FReader.ReadInteger();
            record.Bricks = FReader.ReadInteger();
            record.Score = FReader.ReadInteger();
            player.Statistics.Records.push_back(record);
        }
        player.EasterEggMode = false;
    }

    TSaveReader FReader;
    TGamePlayers& FPlayers;
    int32_t FCurrentIndex = 1;
    std::vector<std::unique_ptr<TPlayer>> FRead;
    std::vector<THighScoresItem> FScores;
    TPlayerOptions FOptions;
};

// Every slot up to the last one in use is written, free ones between included, so that what was
// read is written back whole: a slot without a name may still hold a player's progress (a save
// edited by hand or written by another program), and a free slot must not hide the players after
// it. A slot is in use when it has a name or would be written otherwise than a fresh one.
int LastSlotInUse(const TGamePlayers& players) {
    TSaveWriter fresh;
    WritePlayer(fresh, TPlayer(const_cast<TGamePlayers&>(players)));
    for (int slot = PlayerSlotCount; slot >= 1; --slot) {
        const TPlayer& player = players.GetPlayer(slot);
        if (!player.Name.empty()) {
            return slot;
        }
        TSaveWriter written;
        WritePlayer(written, player);
        if (written.Bytes() != fresh.Bytes()) {
            return slot;
        }
    }
    return 0;
}

std::string ReadIfExists(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return {};
    }
    return ReadWholeFile(path);
}

} // namespace

std::string WriteSaveStream(const TGamePlayers& players) {
    TSaveWriter writer;
    writer.WriteInteger(players.CurrentPlayerIndex());
    const int used = LastSlotInUse(players);
    writer.WriteInteger(used);
    for (int slot = 1; slot <= used; ++slot) {
        WritePlayer(writer, players.GetPlayer(slot));
    }
    writer.WriteInteger(static_cast<int32_t>(players.HighScores().size()));
    for (const THighScoresItem& item : players.HighScores()) {
        writer.WriteString(item.Name);
        writer.WriteInteger(item.Score);
        writer.WriteInteger(item.Pass);
        writer.WriteInteger(item.PassingTime);
        writer.WriteInteger(item.FinalLevel);
    }
    const TPlayerOptions& options = players.Options;
    writer.WriteBoolean(options.MuteSounds);
    writer.WriteInteger(options.SoundVolume);
    writer.WriteInteger(options.MusicVolume);
    writer.WriteBoolean(options.HardwareCursor);
    writer.WriteBoolean(options.FullScreen);
    return writer.Bytes();
}

void ReadSaveStream(std::string_view bytes, TGamePlayers& players) {
    TSaveStreamReader reader(bytes, players);
    reader.ReadAll();
    reader.Commit();
}

std::string EncodeSave(const TGamePlayers& players) {
    return EncodeHex(WriteSaveStream(players));
}

void DecodeSave(std::string_view text, TGamePlayers& players) {
    if (!text.empty()) {
        ReadSaveStream(DecodeHex(text), players);
    }
}

std::filesystem::path TSaveFile::BackupPath() const {
    return std::filesystem::path(FPath).concat(".bak");
}

std::filesystem::path TSaveFile::DamagedPath() const {
    return std::filesystem::path(FPath).concat(".bad");
}

TSaveLoadResult TSaveFile::Load(TGamePlayers& players) const {
    TSaveLoadResult result;
    try {
        const std::string text = ReadIfExists(FPath);
        if (!text.empty()) {
            DecodeSave(text, players);
            result.Source = TSaveSource::File;
            return result;
        }
        // No save, or an empty one with nothing to go back to: a first start. An empty save
        // beside a backup was cut short by something outside the game.
        if (ReadIfExists(BackupPath()).empty()) {
            return result;
        }
        result.Problem = "TSaveFile.Load: the save file is empty or missing";
    } catch (const std::exception& e) {
        result.Problem = e.what();
    }
    result.Damaged = true;
    std::error_code error;
    std::filesystem::rename(FPath, DamagedPath(), error);
    try {
        const std::string backup = ReadIfExists(BackupPath());
        if (!backup.empty()) {
            DecodeSave(backup, players);
            result.Source = TSaveSource::Backup;
        }
    } catch (const std::exception&) {
        // Both copies are damaged: the game starts afresh.
    }
    return result;
}

void TSaveFile::Save(const TGamePlayers& players) const {
    const std::string text = EncodeSave(players);
    CreateFolders(FPath.parent_path());
    std::string previous;
    try {
        previous = ReadIfExists(FPath);
    } catch (const EGError&) {
        // An unreadable old file makes no backup; the new save still goes through.
    }
    if (previous == text) {
        return;
    }
    if (!previous.empty()) {
        WriteFileAtomic(BackupPath(), previous);
    }
    WriteFileAtomic(FPath, text);
}

namespace {

const char* YesNo(bool value) {
    return value ? "yes" : "no";
}

std::string IntegerListText(const std::vector<int32_t>& list) {
    std::string text;
    for (int32_t value : list) {
        text += (text.empty() ? "" : " ") + std::to_string(value);
    }
    return text.empty() ? "-" : text;
}

std::string DescribeRecord(const char* title, const TPlayerData& data) {
    int built = 0;
    int cells = 0;
    for (int i = 0; i < data.ConstructionCells.RowCount(); ++i) {
        for (int j = 0; j < data.ConstructionCells.ColumnCount(); ++j) {
            const uint8_t kind = data.ConstructionCells.At(i, j).Kind;
            built += kind == ckBuilt ? 1 : 0;
            cells += kind != ckNone ? 1 : 0;
        }
    }
    std::string text = Format("  %s: level %d.%d, pass %d, score %d, lives %d\n", title, data.Level,
                              data.SubLevel, data.Pass, data.Score, data.Lives);
    text += Format(
        "    bricks in stock %d, pieces found %d (%d this visit), level entered %s, level time %.1f s\n",
        data.BricksInStock, data.PiecesFound, data.PiecesFoundThisVisit, YesNo(data.LevelEntered),
        data.LevelTime);
    text += Format("    monument %dx%d, %d of %d cells built, %zu undo step(s), complete %s\n",
                   data.ConstructionCells.RowCount(), data.ConstructionCells.ColumnCount(), built, cells,
                   data.ConstructionMoves.size(), YesNo(data.MonumentComplete));
    text += Format("    extra bonuses %s, selected %d, pending %s, possible %s, this level %s\n",
                   IntegerListText(data.ExtraBonuses).c_str(), data.SelectedExtraBonus,
                   IntegerListText(data.ExtraBonusesPending).c_str(),
                   IntegerListText(data.ExtraBonusesPossible).c_str(),
                   IntegerListText(data.ExtraBonusesPerLevel).c_str());
    text +=
        Format("    small bonuses %s, secret maps %d, secret level won %d, secret level %d, max level %d, "
               "last finished %d\n",
               IntegerListText(data.SmallBonuses).c_str(), data.SecretMapsCompleted, data.SecretLevelWon,
               data.SecretLevelIndex, data.MaxLevelReached, data.LastFinishedLevel);
    text += Format("    tips %s, catch-up %s, start fresh %s, return to puzzle/bonus/construction %s/%s/%s, "
                   "%zu seen name(s)\n",
                   YesNo(data.ShowTips), YesNo(data.CatchUpMode), YesNo(data.StartFresh),
                   YesNo(data.ReturnToPuzzle), YesNo(data.ReturnToBonus), YesNo(data.ReturnToConstruction),
                   data.SeenNames.size());
    return text;
}

} // namespace

std::string DescribeSave(const TGamePlayers& players) {
    std::string text = Format("current player: %d\n", players.CurrentPlayerIndex());
    for (int slot = 1; slot <= PlayerSlotCount; ++slot) {
        const TPlayer& player = players.GetPlayer(slot);
        if (player.Name.empty()) {
            continue;
        }
        text += Format("player %d: \"%s\"\n", slot, player.Name.c_str());
        text += DescribeRecord("campaign", player.Main);
        text += DescribeRecord("replay", player.Replay);
        text += DescribeRecord("hidden level", player.EasterEgg);
        text += Format("  hidden level played %s, its bonus shown %s, all passes finished %s, %zu statistics "
                       "record(s)\n",
                       YesNo(player.EasterEggPlayed), YesNo(player.EasterEggBonusShown),
                       YesNo(player.AllPassesFinished), player.Statistics.Records.size());
    }
    text += "high scores:\n";
    int place = 0;
    for (const THighScoresItem& item : players.HighScores()) {
        text += Format("  %2d. \"%s\" %d, pass %d, %d s, level %d\n", ++place, item.Name.c_str(), item.Score,
                       item.Pass, item.PassingTime, item.FinalLevel);
    }
    const TPlayerOptions& options = players.Options;
    text += Format("options: mute %s, sound volume %d, music volume %d, hardware cursor %s, full screen %s\n",
                   YesNo(options.MuteSounds), options.SoundVolume, options.MusicVolume,
                   YesNo(options.HardwareCursor), YesNo(options.FullScreen));
    return text;
}

std::string CheckSaveText(std::string_view text, const PGXMLNode& gameConfig) {
    TGamePlayers scratch(gameConfig);
    try {
        DecodeSave(text, scratch);
    } catch (const EGError& e) {
        return e.what();
    }
    return {};
}

} // namespace qm
