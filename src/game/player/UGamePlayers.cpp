#include "UGamePlayers.h"

#include "UGError.h"
#include "UGStrings.h"

#include <algorithm>

namespace qm {

TGamePlayers::TGamePlayers(PGXMLNode gameConfig, bool developerEnabled)
    : FGameConfig(std::move(gameConfig)), FDeveloperEnabled(developerEnabled) {
    for (auto& slot : FPlayers) {
        slot = std::make_unique<TPlayer>(*this);
    }
}

void TGamePlayers::SetHost(IPlayerHost* host) {
    FHost = host != nullptr ? host : &FNoHost;
}

TPlayer& TGamePlayers::GetPlayer(int index) const {
    if (index < 1 || index > PlayerSlotCount) {
        throw EGError("TGameData.GetPlayer", Format("no player slot %d", index));
    }
    return *FPlayers[static_cast<size_t>(index - 1)];
}

void TGamePlayers::RestoreCurrentPlayerIndex(int index) {
    FCurrentPlayerIndex = std::clamp(index, 1, PlayerSlotCount);
}

void TGamePlayers::SetCurrentPlayer(int index) {
    GetPlayer(index);
    if (index == FCurrentPlayerIndex) {
        return;
    }
    CurrentPlayer().AbandonSublevel();
    FCurrentPlayerIndex = index;
    FHost->PlayerChanged();
}

int TGamePlayers::NamedPlayerCount() const {
    return static_cast<int>(
        std::count_if(FPlayers.begin(), FPlayers.end(),
                      [](const std::unique_ptr<TPlayer>& player) { return !player->Name.empty(); }));
}

TPlayer* TGamePlayers::FindPlayerByName(const std::string& name) const {
    for (const auto& player : FPlayers) {
        if (EqualsNoCase(player->Name, name)) {
            return player.get();
        }
    }
    return nullptr;
}

void TGamePlayers::SetPlayerSlot(int index, std::unique_ptr<TPlayer> player) {
    GetPlayer(index);
    if (!player || &player->Owner() != this) {
        throw EGError("TGameData.SetPlayerSlot", "the player belongs to other game data");
    }
    FPlayers[static_cast<size_t>(index - 1)] = std::move(player);
}

std::unique_ptr<TPlayer> TGamePlayers::NewPlayer(const std::string& name) {
    auto player = std::make_unique<TPlayer>(*this);
    player->Name = name;
    return player;
}

void TGamePlayers::SetPreviewPlayer(int index) {
    PreviewPlayerIndex = index;
    if (index > 0) {
        FHost->PreviewPlayerChanged(index);
    }
}

int TGamePlayers::LevelCount() const {
    return static_cast<int>(FGameConfig->GetCollection("Level")->Count());
}

PGXMLNode TGamePlayers::LevelNode(int level) const {
    PGXMLCollection levels = FGameConfig->GetCollection("Level");
    if (level < 1 || static_cast<size_t>(level) > levels->Count()) {
        return nullptr;
    }
    return levels->GetItem(static_cast<size_t>(level - 1));
}

int TGamePlayers::SubLevelCountOf(int level) const {
    PGXMLNode node = LevelNode(level);
    return node ? static_cast<int>(node->GetCollection("SubLevel")->Count()) : 0;
}

PGXMLNode TGamePlayers::CurrentLevelNode() const {
    return LevelNode(CurrentPlayer().ActiveData().Level);
}

PGXMLNode TGamePlayers::CurrentSubLevelNode() const {
    PGXMLNode level = CurrentLevelNode();
    if (!level) {
        return nullptr;
    }
    PGXMLCollection subLevels = level->GetCollection("SubLevel");
    const int subLevel = CurrentPlayer().ActiveData().SubLevel;
    if (subLevel < 1 || static_cast<size_t>(subLevel) > subLevels->Count()) {
        return nullptr;
    }
    return subLevels->GetItem(static_cast<size_t>(subLevel - 1));
}

// The configuration may name where a new campaign starts (for testing a level); level 1,
// sublevel 1 otherwise.
int TGamePlayers::InitialLevel() const {
    return FGameConfig->GetIntDef("InitialLevel", 1);
}

int TGamePlayers::InitialSubLevel() const {
    return FGameConfig->GetIntDef("InitialSubLevel", 1);
}

int TGamePlayers::PointsForLife() const {
    return FGameConfig->GetInt("PointsForLife");
}

void TGamePlayers::InsertHighScore(const THighScoresItem& item) {
    if (CurrentPlayer().ReplayMode) {
        return;
    }
    auto same = std::find_if(FHighScores.begin(), FHighScores.end(),
                             [&](const THighScoresItem& listed) { return listed.Name == item.Name; });
    if (same != FHighScores.end()) {
        *same = item;
    } else {
        FHighScores.push_back(item);
    }
    std::stable_sort(FHighScores.begin(), FHighScores.end(),
                     [](const THighScoresItem& a, const THighScoresItem& b) { return a.Score > b.Score; });
    if (FHighScores.size() > static_cast<size_t>(MaxHighScores)) {
        FHighScores.resize(MaxHighScores);
    }
}

void TGamePlayers::InsertDefaultHighScores() {
    PGXMLCollection items = FGameConfig->GetCollection("HighScores");
    for (size_t i = 0; i < items->Count(); ++i) {
        PGXMLNode item = items->GetItem(i);
        InsertHighScore({item->GetString("Name"), item->GetInt("Score"), item->GetInt("Pass"),
                         item->GetInt("PassingTime"), item->GetInt("FinalLevel")});
    }
}

int TGamePlayers::RankOfPosition(const std::vector<THighScoresItem>& scores, int position) {
    if (position < 0) {
        return 1;
    }
    if (static_cast<size_t>(position) < scores.size() &&
        scores[static_cast<size_t>(position)].FinalLevel == FinishedCampaignLevel) {
        return 7;
    }
    return 8 - std::min(position + 1, 7);
}

std::string TGamePlayers::RankNameOf(int rank) const {
    PGXMLCollection ranks = FGameConfig->GetCollection("Rank");
    if (rank < 1 || static_cast<size_t>(rank) > ranks->Count()) {
        return {};
    }
    return ranks->GetItem(static_cast<size_t>(rank - 1))->GetString("Name");
}

bool TGamePlayers::IsDeveloperUser() const {
    return DeveloperSwitch || (FDeveloperEnabled && LowerAscii(CurrentPlayer().Name) == "qendrivols");
}

bool TGamePlayers::IsEasterEggUser() const {
    return LowerAscii(CurrentPlayer().Name) == "pelvorn";
}

std::string SafeFileName(const std::string& name, int slot) {
    std::string safe;
    for (char c : name) {
        const auto byte = static_cast<uint8_t>(c);
        const bool forbidden =
            byte < 0x20 || byte == 0x7F || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
        safe += forbidden ? '_' : c;
    }
    // Windows drops trailing dots and blanks, and a leading one hides the file elsewhere.
    while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) {
        safe.pop_back();
    }
    while (!safe.empty() && (safe.front() == '.' || safe.front() == ' ')) {
        safe.erase(safe.begin());
    }
    // Long names are cut at a character boundary.
    constexpr size_t MaxLength = 64;
    if (safe.size() > MaxLength) {
        size_t cut = MaxLength;
        while (cut > 0 && (static_cast<uint8_t>(safe[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        safe.resize(cut);
    }
    const std::string upper = LowerAscii(safe);
    static const char* const Reserved[] = {"con", "prn", "aux", "nul"};
    bool reserved = std::find(std::begin(Reserved), std::end(Reserved), upper) != std::end(Reserved);
    reserved = reserved || (upper.size() == 4 && (upper.starts_with("com") || upper.starts_with("lpt")) &&
                            upper[3] >= '0' && upper[3] <= '9');
    if (safe.empty() || reserved) {
        return "Player" + std::to_string(slot);
    }
    return safe;
}

} // namespace qm
