#include "UPlayer.h"

#include "UGError.h"
#include "UGRandom.h"
#include "UGStrings.h"
#include "UGamePlayers.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

namespace qm {

namespace {

constexpr std::array<int, 15> KindIds = {1, 2, 3, 13, 7, 4, 8, 15, 14, 9, 12, 11, 5, 10, 6};

constexpr std::array<const char*, LastSmallBonus> SmallBonusNames = {
    "BombDoubleTime", "FrozenTimer",           "AddNewBrick", "AddScores5000",
    "AddScores10000", "AddScores50000",        "FullShuffle", "BonusesBlastTwoLayer",
    "WorkerSpeedUp",  "AnyMathBlastColorCell", "AddLife",     "DoubleBricksFromCell",
};

std::vector<int32_t> AllExtraBonusKinds() {
    std::vector<int32_t> kinds;
    for (int32_t kind = FirstExtraBonusKind; kind <= LastExtraBonusKind; ++kind) {
        kinds.push_back(kind);
    }
    return kinds;
}

template <typename T> void RemoveFirst(std::vector<T>& list, const T& value) {
    auto found = std::find(list.begin(), list.end(), value);
    if (found != list.end()) {
        list.erase(found);
    }
}

int32_t SaturatedAdd(int32_t a, int64_t b) {
    return static_cast<int32_t>(std::clamp<int64_t>(a + b, INT32_MIN, INT32_MAX));
}

bool IsTimedLevel(int level, int pass) {
    return level >= 1 && level <= TimedLevelCount && pass >= 0 && pass < PassCount;
}

// The white-space separated integers of a list attribute; a token may stand in double quotes.
std::vector<int> IntegerList(const std::string& text) {
    std::vector<int> values;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
        const size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
        std::string token = text.substr(start, i - start);
        if (token.size() >= 2 && token.front() == '"' && token.back() == '"') {
            token = token.substr(1, token.size() - 2);
        }
        if (!token.empty()) {
            values.push_back(std::atoi(token.c_str()));
        }
    }
    return values;
}

struct TBuildCount {
    int Built = 0;
    // Cells of the monument: to build, built, bonus and small-bonus cells.
    int Total = 0;
};

TBuildCount CountBuildCells(const TConstrucionCells& cells) {
    TBuildCount count;
    for (int i = 0; i < cells.RowCount(); ++i) {
        for (int j = 0; j < cells.ColumnCount(); ++j) {
            const uint8_t kind = cells.At(i, j).Kind;
            count.Built += kind == ckBuilt ? 1 : 0;
            count.Total += kind >= ckEmpty && kind <= ckSmallBonus ? 1 : 0;
        }
    }
    return count;
}

} // namespace

int IdOfKind(int32_t kind) {
    if (kind < 1 || kind > static_cast<int32_t>(KindIds.size())) {
        throw EGError("GetIdOfKind", Format("no bonus kind %d", kind));
    }
    return KindIds[static_cast<size_t>(kind - 1)];
}

std::string GetIdOfKind(int32_t kind) {
    return std::to_string(IdOfKind(kind));
}

std::string SmallBonusToStr(int32_t bonus) {
    if (!IsSmallBonus(bonus)) {
        throw EGError("SmallBonusToStr(ASmallBonus: TSmallBonus)", Format("no small bonus %d", bonus));
    }
    return SmallBonusNames[static_cast<size_t>(bonus - 1)];
}

TStatisticsRecord& TStatistics::For(int level, int subLevel) {
    for (TStatisticsRecord& record : Records) {
        if (record.Level == level && record.SubLevel == subLevel) {
            return record;
        }
    }
    Records.push_back({level, subLevel});
    return Records.back();
}

std::string TStatistics::Text() const {
    const char* const lineEnd = "\n\r";
    std::string text;
    for (const TStatisticsRecord& record : Records) {
        text += Format("SUBLEVEL %d.%d", record.Level, record.SubLevel) + lineEnd;
        text += Format("  time      %lld", static_cast<long long>(record.Time)) + lineEnd;
        text += Format("  lives     %d", record.Lives) + lineEnd;
        text += Format("  col cells %d", record.ColorCells) + lineEnd;
        text += Format("  bricks    %d", record.Bricks) + lineEnd;
    }
    for (int level = 1; level <= 9; ++level) {
        const TStatisticsRecord* last = nullptr;
        for (const TStatisticsRecord& record : Records) {
            if (record.Level == level && (last == nullptr || record.SubLevel > last->SubLevel)) {
                last = &record;
            }
        }
        if (last != nullptr) {
            text += Format("LEVEL %d SCORES %d", level, last->Score) + lineEnd;
        }
    }
    return text;
}

TPlayer::TPlayer(TGamePlayers& owner) : FOwner(&owner) {
    ResetProgress(Main);
    ResetProgress(Replay);
    ResetProgress(EasterEgg);
    Main.ShowTips = true;
}

TPlayerData& TPlayer::ActiveData() {
    if (EasterEggMode) {
        return EasterEgg;
    }
    return ReplayMode ? Replay : Main;
}

const TPlayerData& TPlayer::ActiveData() const {
    return const_cast<TPlayer*>(this)->ActiveData();
}

void TPlayer::ResetProgress(TPlayerData& record) {
    TPlayerData fresh;
    fresh.Level = FOwner->InitialLevel();
    fresh.SubLevel = FOwner->InitialSubLevel();
    fresh.ExtraBonusesPossible = AllExtraBonusKinds();
    record = fresh;
    Name.clear();
    ReplayMode = false;
    EasterEggMode = false;
    EasterEggPlayed = false;
    EasterEggBonusShown = false;
    AllPassesFinished = false;
    Statistics = {};
}

void TPlayer::FillConstructionCells() {
    FillConstructionCellsFromXML(ActiveData(), FOwner->GameConfig());
}

PGXMLNode TPlayer::SecretLevelFieldNode() {
    const TPlayerData& data = ActiveData();
    if (data.SecretLevelWon != 0) {
        return ChooseSecretLevelField();
    }
    PGXMLNode level = FOwner->LevelNode(data.SecretMapsCompleted + 1);
    if (!level) {
        return nullptr;
    }
    PGXMLCollection fields = level->GetCollection("SecretLevelField");
    return fields->Count() > 0 ? fields->GetItem(0) : nullptr;
}

void TPlayer::ResetLevelProgress(bool keepLevelState) {
    TPlayerData& data = ActiveData();
    if (!keepLevelState) {
        FillConstructionCells();
        data.PiecesFound = 0;
        data.ConstructionMoves.clear();
        data.PuzzleClosed = false;
        data.ExtraBonusesPerLevel.clear();
        data.SecretLevelWon = 0;
        data.BricksInStock = 0;
    }
    data.BricksInSublevel = 0;
    data.BricksInLevel = 0;
    data.PendingAddedInLevel = 0;
    data.PiecesFoundThisVisit = 0;
    data.PiecesFoundInSublevel = 0;
    data.CatchUpMode = false;
    PGXMLNode field = SecretLevelFieldNode();
    data.PuzzleMovesLeft = field ? field->GetIntDef("PuzzleMoves", 0) : 0;
}

void TPlayer::ResetSublevelCounters() {
    TPlayerData& data = ActiveData();
    data.BricksInSublevel = 0;
    data.BoxCountReached = false;
    data.BoxesCounted = 0;
    data.PiecesFoundInSublevel = 0;
}

void TPlayer::AbandonSublevel() {
    TPlayerData& data = ActiveData();
    data.SublevelInProgress = false;
    FOwner->Host().EmptyStateQueues();
    if (data.WinBanked) {
        // The bricks and pieces of a won sublevel are the player's.
        CompleteBankedSublevel();
        return;
    }
    if (!data.ReturnToPuzzle) {
        data.PiecesFound = std::max(0, data.PiecesFound - data.PiecesFoundInSublevel);
    }
    data.BricksInStock = std::max(0, data.BricksInStock - data.BricksInSublevel);
    data.PiecesFoundInSublevel = 0;
    data.BricksInSublevel = 0;
}

void TPlayer::BankSublevelWin(int nextLevel, int nextSubLevel) {
    TPlayerData& data = ActiveData();
    data.WinBanked = true;
    data.BankedLevel = nextLevel;
    data.BankedSubLevel = nextSubLevel;
}

void TPlayer::CompleteBankedSublevel() {
    TPlayerData& data = ActiveData();
    if (!data.WinBanked) {
        return;
    }
    data.WinBanked = false;
    data.Level = data.BankedLevel;
    data.SubLevel = data.BankedSubLevel;
    data.BricksInSublevel = 0;
    data.PiecesFoundInSublevel = 0;
}

bool TPlayer::KeepsStatistics() const {
    return ActiveData().Pass == 0 && !ReplayMode;
}

TStatisticsRecord& TPlayer::CurrentStatistics() {
    const TPlayerData& data = ActiveData();
    if (!KeepsStatistics()) {
        // Counted nowhere: a scratch record keeps the callers simple.
        static thread_local TStatisticsRecord scratch;
        scratch = {};
        return scratch;
    }
    return Statistics.For(data.Level, data.SubLevel);
}

void TPlayer::BrickCollected() {
    TPlayerData& data = ActiveData();
    ++data.BricksInStock;
    ++data.BricksInSublevel;
    ++data.BricksInLevel;
    ++CurrentStatistics().Bricks;
}

void TPlayer::PieceFound() {
    TPlayerData& data = ActiveData();
    ++data.PiecesFound;
    ++data.PiecesFoundThisVisit;
    ++data.PiecesFoundInSublevel;
    ++CurrentStatistics().ColorCells;
}

void TPlayer::BrickPlaced() {
    TPlayerData& data = ActiveData();
    if (data.BricksInStock > 0) {
        --data.BricksInStock;
    }
}

int TPlayer::BoxQuota() const {
    const TPlayerData& data = ActiveData();
    const std::string name = "BoxCountedPass" + std::to_string(std::clamp(data.Pass, 0, PassCount - 1) + 1);
    const std::vector<int> quotas = IntegerList(FOwner->GameConfig().GetStringDef(name, ""));
    if (data.Level < 1 || static_cast<size_t>(data.Level) > quotas.size()) {
        return 0;
    }
    return quotas[static_cast<size_t>(data.Level - 1)];
}

void TPlayer::BoxCounted() {
    TPlayerData& data = ActiveData();
    ++data.BoxesCounted;
    if (data.BoxesCounted >= BoxQuota()) {
        data.BoxCountReached = true;
    }
}

void TPlayer::AddScore(int points) {
    TPlayerData& data = ActiveData();
    const int multiplier = data.ScoreMultiplierOn && FOwner->Host().OnGameScreen() ? 2 : 1;
    const int32_t old = data.Score;
    data.Score = SaturatedAdd(old, static_cast<int64_t>(points) * multiplier);
    const int perLife = FOwner->PointsForLife();
    if (perLife > 0 && data.Score / perLife != old / perLife) {
        FOwner->Host().ExtraLifeGained();
        data.Lives = std::min(data.Lives + 1, MaxLives);
        ++CurrentStatistics().Lives;
    }
}

void TPlayer::SetLives(int lives) {
    ActiveData().Lives = std::min(lives, MaxLives);
}

void TPlayer::LoseLife() {
    TPlayerData& data = ActiveData();
    data.Lives = std::max(0, data.Lives - 1);
    --CurrentStatistics().Lives;
    data.BricksInStock = 0;
    data.PiecesFound = std::max(0, data.PiecesFound - data.PiecesFoundInSublevel);
}

void TPlayer::RestartLevelAfterGameOver() {
    FOwner->Host().RemoveBonusStates();
    AddHighScore();
    TPlayerData& data = ActiveData();
    data.Score = 0;
    data.Lives = StartLives;
    data.PiecesFound = 0;
    data.BricksInStock = 0;
    FillConstructionCells();
    if (EasterEggMode) {
        return;
    }
    if (IsTimedLevel(data.Level, data.Pass)) {
        data.LevelTimes[static_cast<size_t>(data.Level - 1)][static_cast<size_t>(data.Pass)] = 0;
    }
    data.LevelTime = 0;
    GiveBackLevelBonuses();
    data.SecretMapsCompleted = std::max(0, data.SecretMapsCompleted - data.SecretLevelWon);
    data.SecretLevelWon = 0;
    data.PuzzleClosed = false;
}

void TPlayer::StartNextPass() {
    AddHighScore();
    TPlayerData& data = ActiveData();
    data.MaxLevelReached = std::max(data.MaxLevelReached, data.Level);
    data.LastFinishedLevel = data.Level;
    data.Lives = std::max(data.Lives, StartLives);
    data.Level = 1;
    data.SubLevel = 1;
    data.Reserved = 3;
    data.ConstructionCells = {};
    data.BoxCountReached = false;
    data.BoxesCounted = 0;
    data.PuzzleClosed = false;
    data.BricksInStock = 0;
    data.ExtraBonuses.clear();
    data.ExtraBonusesPending.clear();
    data.ExtraBonusesPerLevel.clear();
    data.ExtraBonusesPossible = AllExtraBonusKinds();
    data.SelectedExtraBonus = bkNone;
    data.PendingAddedInLevel = 0;
    data.LevelEntered = false;
    data.LevelTime = 0;
    data.MonumentComplete = false;
    data.LevelChangeRunning = false;
    if (data.Pass == PassCount - 1) {
        AllPassesFinished = true;
    }
    data.Pass = std::min(PassCount - 1, data.Pass + 1);
    data.StartFresh = false;
    data.SublevelInProgress = false;
    data.SecretMapsCompleted = 0;
    data.SecretLevelWon = 0;
}

void TPlayer::MakePuzzleMove() {
    TPlayerData& data = ActiveData();
    if (data.PuzzleMovesLeft <= 0) {
        throw EGError("TPlayer.MakePuzzleMove", "no moves left");
    }
    --data.PuzzleMovesLeft;
}

void TPlayer::AddPuzzleMove() {
    ++ActiveData().PuzzleMovesLeft;
}

bool TPlayer::HasPuzzleMoves() const {
    return ActiveData().PuzzleMovesLeft > 0;
}

void TPlayer::AddExtraBonus(int32_t kind, bool pending) {
    TPlayerData& data = ActiveData();
    if (pending) {
        ++data.PendingAddedInLevel;
        data.ExtraBonusesPending.push_back(kind);
    } else {
        data.ExtraBonuses.push_back(kind);
        if (data.SelectedExtraBonus == bkNone) {
            SelectExtraBonus(kind);
        }
        RemoveFirst(data.ExtraBonusesPending, kind);
        data.ExtraBonusesPerLevel.push_back(kind);
    }
    RemoveFirst(data.ExtraBonusesPossible, kind);
}

void TPlayer::PromotePendingBonuses() {
    TPlayerData& data = ActiveData();
    const std::vector<int32_t> pending = data.ExtraBonusesPending;
    for (int32_t kind : pending) {
        AddExtraBonus(kind, false);
    }
    data.ExtraBonusesPending.clear();
}

void TPlayer::GrantFirstPossibleBonus() {
    const TPlayerData& data = ActiveData();
    if (!data.ExtraBonusesPossible.empty()) {
        AddExtraBonus(data.ExtraBonusesPossible.front(), true);
    }
}

void TPlayer::SelectExtraBonus(int32_t kind) {
    ActiveData().SelectedExtraBonus = kind;
    FOwner->Host().ExtraBonusSelected(kind);
}

void TPlayer::GiveBackLevelBonuses() {
    TPlayerData& data = ActiveData();
    for (auto kind = data.ExtraBonusesPerLevel.rbegin(); kind != data.ExtraBonusesPerLevel.rend(); ++kind) {
        RemoveFirst(data.ExtraBonuses, *kind);
        data.ExtraBonusesPossible.insert(data.ExtraBonusesPossible.begin(), *kind);
        if (data.SelectedExtraBonus == *kind) {
            data.SelectedExtraBonus = bkNone;
        }
    }
    if (data.SelectedExtraBonus == bkNone && !data.ExtraBonuses.empty()) {
        data.SelectedExtraBonus = data.ExtraBonuses.front();
    }
    data.ExtraBonusesPerLevel.clear();
    data.ExtraBonusesPending.clear();
}

bool TPlayer::HasPendingBonuses() const {
    return !ActiveData().ExtraBonusesPending.empty();
}

int32_t TPlayer::LastPendingBonus() const {
    const TPlayerData& data = ActiveData();
    return data.ExtraBonusesPending.empty() ? bkNone : data.ExtraBonusesPending.back();
}

bool TPlayer::HasSeveralExtraBonuses() const {
    return ActiveData().ExtraBonuses.size() > 1;
}

bool TPlayer::ExtraBonusesWaiting() const {
    return HasPendingBonuses() || HasSeveralExtraBonuses();
}

void TPlayer::GiveAllBonuses() {
    if (!EasterEggMode) {
        throw EGError("TPlayer.GiveAllBonuses", "only the hidden level gives every bonus");
    }
    TPlayerData& data = ActiveData();
    data.ExtraBonuses = AllExtraBonusKinds();
    data.SelectedExtraBonus = data.ExtraBonuses.front();
    data.ExtraBonusesPossible.clear();
}

void TPlayer::AddSmallBonus(int32_t bonus) {
    ActiveData().SmallBonuses.push_back(bonus);
}

bool TPlayer::HasSmallBonus(int32_t bonus) const {
    const std::vector<int32_t>& list = ActiveData().SmallBonuses;
    return std::find(list.begin(), list.end(), bonus) != list.end();
}

void TPlayer::RemoveSmallBonus(int32_t bonus) {
    RemoveFirst(ActiveData().SmallBonuses, bonus);
}

void TPlayer::AddSeenName(const std::string& name) {
    if (!HasSeenName(name)) {
        ActiveData().SeenNames.push_back(name);
    }
}

bool TPlayer::HasSeenName(const std::string& name) const {
    const std::vector<std::string>& names = ActiveData().SeenNames;
    return std::find(names.begin(), names.end(), name) != names.end();
}

void TPlayer::KeeyOnlyCountBonusesOnConstruction(int mode) {
    if (mode != 0 && mode != 1) {
        throw EGError("KeeyOnlyCountBonusesOnConstruction", Format("no mode %d", mode));
    }
    TConstrucionCells& cells = ActiveData().ConstructionCells;
    for (int i = 0; i < cells.RowCount(); ++i) {
        for (int j = 0; j < cells.ColumnCount(); ++j) {
            TConstructionCell& cell = cells.At(i, j);
            if (cell.Kind != ckBonus) {
                continue;
            }
            if (mode == 0 || cell.Count == 1) {
                cell.Kind = ckEmpty;
            } else {
                cell.Count = 1;
            }
        }
    }
}

void TPlayer::RecordConstructionMove() {
    TPlayerData& data = ActiveData();
    data.ConstructionMoves.push_back(data.ConstructionCells);
}

void TPlayer::ClearConstructionMoves() {
    ActiveData().ConstructionMoves.clear();
}

double TPlayer::ConstructionBuiltRatio() const {
    const TBuildCount count = CountBuildCells(ActiveData().ConstructionCells);
    return count.Total == 0 ? 0.0 : static_cast<double>(count.Built) / count.Total;
}

double TPlayer::ConstructionProgress() const {
    const TBuildCount count = CountBuildCells(ActiveData().ConstructionCells);
    // A level without a monument has nothing left to build.
    return count.Total == 0 ? 0.0
                            : static_cast<double>(count.Built + ActiveData().BricksInStock) / count.Total;
}

int TPlayer::ConstructionCellsSize() const {
    PGXMLNode level = FOwner->CurrentLevelNode();
    PGXMLCollection fields = level ? level->GetCollection("ConstructionField") : nullptr;
    return fields && fields->Count() > 0 ? fields->GetItem(0)->GetInt("CellsSize") : 0;
}

bool TPlayer::SecretMapComplete() const {
    const TPlayerData& data = ActiveData();
    PGXMLCollection maps = FOwner->GameConfig().GetCollection("SecretMap");
    if (data.Level < 1 || static_cast<size_t>(data.Level) > maps->Count()) {
        return false;
    }
    const size_t pieces = maps->GetItem(static_cast<size_t>(data.Level - 1))->GetCollection("Piece")->Count();
    return pieces == static_cast<size_t>(std::max(0, data.PiecesFound));
}

bool TPlayer::AllSecretMapsComplete() const {
    if (ActiveData().SecretMapsCompleted == SecretMapCount) {
        return true;
    }
    return ReplayMode && Main.Pass > 0 && Main.MaxLevelReached == FinishedCampaignLevel;
}

int TPlayer::LastPlayableLevel() const {
    const int campaignLevels = std::min(FOwner->LevelCount(), TimedLevelCount);
    const int last = AllSecretMapsComplete() ? campaignLevels : campaignLevels - 1;
    return std::max(1, last);
}

PGXMLNode TPlayer::ChooseSecretLevelField() {
    TPlayerData& data = ActiveData();
    PGXMLCollection fields = FOwner->GameConfig().GetCollection("SecretLevelField");
    const size_t count = fields->Count();
    if (count == 0) {
        return nullptr;
    }
    if (data.SecretLevelsUsed.size() != count) {
        data.SecretLevelsUsed.resize(count, false);
    }
    const bool chosenStillFree = data.SecretLevelIndex >= 0 &&
                                 static_cast<size_t>(data.SecretLevelIndex) < count &&
                                 !data.SecretLevelsUsed[static_cast<size_t>(data.SecretLevelIndex)];
    if (!chosenStillFree) {
        if (std::find(data.SecretLevelsUsed.begin(), data.SecretLevelsUsed.end(), false) ==
            data.SecretLevelsUsed.end()) {
            std::fill(data.SecretLevelsUsed.begin(), data.SecretLevelsUsed.end(), false);
        }
        if (FOwner->SequentialSecretLevels) {
            const auto first = std::find(data.SecretLevelsUsed.begin(), data.SecretLevelsUsed.end(), false);
            data.SecretLevelIndex = static_cast<int32_t>(first - data.SecretLevelsUsed.begin());
        } else {
            do {
                data.SecretLevelIndex = static_cast<int32_t>(Random(static_cast<uint32_t>(count)));
            } while (data.SecretLevelsUsed[static_cast<size_t>(data.SecretLevelIndex)]);
        }
    }
    return fields->GetItem(static_cast<size_t>(data.SecretLevelIndex));
}

void TPlayer::MarkSecretLevelUsed() {
    TPlayerData& data = ActiveData();
    if (data.SecretLevelIndex >= 0 &&
        static_cast<size_t>(data.SecretLevelIndex) < data.SecretLevelsUsed.size()) {
        data.SecretLevelsUsed[static_cast<size_t>(data.SecretLevelIndex)] = true;
    }
}

void TPlayer::StartScoreMultiplier(double seconds) {
    TPlayerData& data = ActiveData();
    if (data.ScoreMultiplierOn) {
        data.ScoreMultiplierTime += seconds;
    } else {
        data.ScoreMultiplierOn = true;
        data.ScoreMultiplierTime = seconds;
    }
}

void TPlayer::StopScoreMultiplier() {
    TPlayerData& data = ActiveData();
    data.ScoreMultiplierOn = false;
    data.ScoreMultiplierTime = 0;
}

void TPlayer::UpdatePlayTime(double seconds) {
    TPlayerData& data = ActiveData();
    TStatisticsRecord& statistics = CurrentStatistics();
    statistics.Score = data.Score;
    if (FOwner->Host().TimeBarStopped()) {
        return;
    }
    statistics.Time += seconds;
    data.LevelTime += seconds;
    if (!FOwner->Host().OnGameScreen()) {
        return;
    }
    data.ScoreMultiplierTime -= seconds;
    if (data.ScoreMultiplierOn && data.ScoreMultiplierTime <= 0) {
        StopScoreMultiplier();
        FOwner->Host().ScoreMultiplierEnded();
    }
}

void TPlayer::AddLevelTime(int level, int pass, double seconds) {
    if (!EasterEggMode && IsTimedLevel(level, pass)) {
        ActiveData().LevelTimes[static_cast<size_t>(level - 1)][static_cast<size_t>(pass)] += seconds;
    }
}

void TPlayer::StoreLevelTime() {
    TPlayerData& data = ActiveData();
    if (IsTimedLevel(data.Level, data.Pass)) {
        data.LevelTimes[static_cast<size_t>(data.Level - 1)][static_cast<size_t>(data.Pass)] = data.LevelTime;
    }
}

double TPlayer::PassTime(int pass) const {
    double total = 0;
    if (pass < 0 || pass >= PassCount) {
        return total;
    }
    for (const auto& level : ActiveData().LevelTimes) {
        total += level[static_cast<size_t>(pass)];
    }
    return total;
}

int TPlayer::Years(int pass) const {
    if (pass < 0) {
        return 0;
    }
    const double years = PassTime(pass) * FOwner->GameConfig().GetFloat("YearsPerSecond");
    return static_cast<int>(std::clamp(std::round(years), 0.0, static_cast<double>(INT32_MAX)));
}

std::string TPlayer::RankName() const {
    const std::vector<THighScoresItem>& scores = FOwner->HighScores();
    if (scores.empty()) {
        // Nobody on the table yet: the lowest rank.
        return FOwner->RankNameOf(1);
    }
    int position = static_cast<int>(scores.size()) - 1;
    for (size_t i = 0; i < scores.size(); ++i) {
        if (EqualsNoCase(scores[i].Name, Name)) {
            position = static_cast<int>(i);
            break;
        }
    }
    return FOwner->RankNameOf(FOwner->RankOfPosition(position));
}

void TPlayer::AddHighScore() {
    const TPlayerData& data = ActiveData();
    const double seconds = std::clamp(PassTime(data.Pass), 0.0, static_cast<double>(INT32_MAX));
    FOwner->InsertHighScore({Name, data.Score, data.Pass, static_cast<int32_t>(seconds), data.Level});
}

double TPlayer::BrickIncrement(const std::string& baseName) const {
    const TPlayerData& data = ActiveData();
    PGXMLNode level = FOwner->CurrentLevelNode();
    if (!level) {
        throw EGError("TPlayer." + baseName, Format("Level %d is not in the game configuration", data.Level));
    }
    const std::string base = (data.CatchUpMode ? "SC_" : "") + baseName;
    const std::string numbered = base + std::to_string(data.BricksInSublevel + 1);
    return level->HasAttribute(numbered) ? level->GetFloat(numbered) : level->GetFloat(base + "1");
}

double TPlayer::BrickIncForOtherMarble() const {
    return BrickIncrement("BrickIncForOtherMarble");
}

double TPlayer::BrickIncForMarvaneMarble() const {
    return BrickIncrement("BrickIncForMarvaneMarble");
}

double TPlayer::BrickIncForColorCell() const {
    return BrickIncrement("BrickIncForColorCell");
}

double TPlayer::BonusBarIncForBrick() const {
    PGXMLNode level = FOwner->CurrentLevelNode();
    if (!level) {
        return 0;
    }
    const int32_t selected = ActiveData().SelectedExtraBonus;
    if (selected != bkNone && selected >= 1 && selected <= bkPhantomBonuses) {
        const std::string name = "BonusBarIncForBrick" + GetIdOfKind(selected);
        if (level->HasAttribute(name)) {
            return level->GetFloat(name);
        }
    }
    return level->GetFloatDef("BonusBarIncForBrick", 0.0);
}

} // namespace qm
