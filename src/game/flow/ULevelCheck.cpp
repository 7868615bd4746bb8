#include "ULevelCheck.h"

#include "UGConvert.h"
#include "UGError.h"
#include "UGStrings.h"
#include "UGameEnvironment.h"
#include "ULevels.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace qm {

namespace {

// The level whose brick cells all carry two layers on the first pass.
constexpr int TwoLayerLevel = 8;
// Passes of the campaign, each with its own box quotas.
constexpr int PassCount = 3;
// Any less and the sublevel would open in hurry-up (the last minute of the time bar).
constexpr double MinTimeLimit = 60.0;
// Below this a steady player cannot break every layer before the time runs out.
constexpr double MinSecondsPerLayer = 1.5;
// Fewer colours leave no board without a line: every refill cascades.
constexpr size_t MinMarbleColours = 3;

enum class TValueKind { Int, Float, Text, Colour };

struct TAttributeRule {
    const char* Name;
    TValueKind Kind;
};

// What the game reads from every Level element without a default.
const TAttributeRule LevelAttributes[] = {
    {"Title", TValueKind::Text},
    {"MarbleOfMarvane", TValueKind::Colour},
    {"ShuffleIncForMarvaneMarble", TValueKind::Float},
    {"BrickIncForOtherMarble1", TValueKind::Float},
    {"BrickIncForMarvaneMarble1", TValueKind::Float},
    {"BrickIncForColorCell1", TValueKind::Float},
    {"SC_BrickIncForOtherMarble1", TValueKind::Float},
    {"SC_BrickIncForMarvaneMarble1", TValueKind::Float},
    {"SC_BrickIncForColorCell1", TValueKind::Float},
    {"MaxBricksPerObligatorySubLevel", TValueKind::Int},
    {"SC_SubLevel", TValueKind::Int},
    {"SC_PercentComlete", TValueKind::Float},
    {"SmallConstructionX", TValueKind::Int},
    {"SmallConstructionY", TValueKind::Int},
    {"SmallConstructionScale", TValueKind::Float},
    {"BigConstructionX", TValueKind::Int},
    {"BigConstructionY", TValueKind::Int},
    {"BigConstructionScaleY", TValueKind::Float},
    {"ScaffoldsDX", TValueKind::Int},
    {"ScaffoldsDY", TValueKind::Int},
    {"CurtainsDY", TValueKind::Int},
    {"TrashDX", TValueKind::Int},
    {"TrashDY", TValueKind::Int},
    {"CabinX", TValueKind::Int},
    {"CabinY", TValueKind::Int},
};

// Attributes a level may leave out; when present they must read as numbers.
const TAttributeRule OptionalLevelAttributes[] = {
    {"BonusBarIncForBrick", TValueKind::Float},
};

const TAttributeRule SecretFieldAttributes[] = {
    {"SCLTimeLimit", TValueKind::Int},          {"PuzzleMoves", TValueKind::Int},
    {"SecretLevelMarbles", TValueKind::Text},   {"IsBonusesCanDroppedOnPuzzle", TValueKind::Int},
    {"IsNewElementsDropping", TValueKind::Int},
};

// The secret levels of the random pool pay the time left out as points.
const TAttributeRule PooledSecretFieldAttributes[] = {
    {"MaxPoints", TValueKind::Int},
};

const TAttributeRule SubLevelAttributes[] = {
    {"TimeLimit", TValueKind::Float},
    {"ColorCellsCount", TValueKind::Int},
    {"Marbles", TValueKind::Text},
};

// An attribute's text that the game's reader would not take as intended: the float reader
// gives 0 for a decimal point, the integer reader the leading digits of anything.
bool ReadsAs(const std::string& text, TValueKind kind) {
    switch (kind) {
    case TValueKind::Int:
        return ParseDecimalInt(text).has_value();
    case TValueKind::Float:
        return ParseCommaFloat(text).has_value();
    case TValueKind::Colour:
        return text.size() == 1 && text[0] >= '1' && text[0] <= '8';
    case TValueKind::Text:
        return !Trim(text).empty();
    }
    return false;
}

const char* KindText(TValueKind kind) {
    switch (kind) {
    case TValueKind::Int:
        return "a whole number";
    case TValueKind::Float:
        return "a number with a decimal comma";
    case TValueKind::Colour:
        return "a marble colour 1..8";
    case TValueKind::Text:
        return "a text";
    }
    return "";
}

int BrickLayers(const TCellStruct& record) {
    if (record.LayerCount == lcOneLayer) {
        return 1;
    }
    return record.LayerCount == lcTwoLayers ? 2 : 0;
}

bool IsCell(const TCellsStructsArr& records, int i, int j) {
    return i >= 0 && j >= 0 && i < records.RowCount() && j < records.ColumnCount() &&
           records.At(i, j).LayerCount != lcHole;
}

// The longest run of cells through (i, j) along (di, dj); holes break a line of three.
int RunThrough(const TCellsStructsArr& records, int i, int j, int di, int dj) {
    int run = 1;
    for (int k = 1; IsCell(records, i - k * di, j - k * dj); ++k) {
        ++run;
    }
    for (int k = 1; IsCell(records, i + k * di, j + k * dj); ++k) {
        ++run;
    }
    return run;
}

bool HasPreset(const TCellStruct& record) {
    return (record.Marble != 0 && record.Marble != '0') || (record.Special != 0 && record.Special != '0');
}

// The first fill fills a column only above its highest preset; a preset with an empty cell below
// falls through it, so it does not start where the picture puts it.
bool PresetRests(const TCellsStructsArr& records, int i, int j) {
    for (int below = i + 1; below < records.RowCount(); ++below) {
        const TCellStruct& record = records.At(below, j);
        if (record.LayerCount != lcHole && !HasPreset(record)) {
            return false;
        }
    }
    return true;
}

bool HasCellAbove(const TCellsStructsArr& records, int i, int j) {
    for (int above = 0; above < i; ++above) {
        if (records.At(above, j).LayerCount != lcHole) {
            return true;
        }
    }
    return false;
}

std::string CellName(int i, int j) {
    return Format("row %d, column %d", i + 1, j + 1);
}

std::string Numbered(const char* name, size_t index) {
    return Format("%s[%zu]", name, index + 1);
}

// The box quota of every level in each pass, from "BoxCountedPass1".."BoxCountedPass3": lists
// of whole numbers, one per level, a token possibly in double quotes.
struct TBoxQuotas {
    std::vector<std::vector<int>> Passes;

    // The largest quota any pass sets for a level (1-based); 0 when no list reaches it.
    int Highest(int level) const {
        int highest = 0;
        for (const std::vector<int>& pass : Passes) {
            if (level >= 1 && static_cast<size_t>(level) <= pass.size()) {
                highest = std::max(highest, pass[static_cast<size_t>(level - 1)]);
            }
        }
        return highest;
    }
};

class TLevelChecker {
public:
    explicit TLevelChecker(std::vector<TLevelProblem>& problems) : FProblems(problems) {}

    void Add(const std::string& where, const std::string& text) { FProblems.push_back({where, text}); }

    // Runs one check; a failure becomes a problem and the checks go on.
    bool Try(const std::string& where, const std::function<void()>& check) {
        try {
            check();
            return true;
        } catch (const std::exception& error) {
            Add(where, error.what());
            return false;
        }
    }

    void CheckAttributes(const IGXMLNode& node, const std::string& where, const TAttributeRule* begin,
                         const TAttributeRule* end, bool required) {
        for (const TAttributeRule* rule = begin; rule != end; ++rule) {
            if (!node.HasAttribute(rule->Name)) {
                if (required) {
                    Add(where, Format("Attribute \"%s\" not found", rule->Name));
                }
                continue;
            }
            std::string text = node.GetStringDef(rule->Name, "");
            if (!ReadsAs(text, rule->Kind)) {
                Add(where, Format("Attribute \"%s\" is \"%s\", not %s", rule->Name, text.c_str(),
                                  KindText(rule->Kind)));
            }
        }
    }

    TBoxQuotas ReadBoxQuotas(const IGXMLNode& gameConfig, size_t levelCount) {
        TBoxQuotas quotas;
        for (int pass = 1; pass <= PassCount; ++pass) {
            const std::string name = Format("BoxCountedPass%d", pass);
            std::vector<int> list;
            if (!gameConfig.HasAttribute(name)) {
                Add(gameConfig.GetName(), Format("Attribute \"%s\" not found", name.c_str()));
            } else {
                std::istringstream tokens(gameConfig.GetStringDef(name, ""));
                std::string token;
                while (tokens >> token) {
                    std::string bare = token;
                    bare.erase(std::remove(bare.begin(), bare.end(), '"'), bare.end());
                    std::optional<int64_t> value = ParseDecimalInt(bare);
                    if (!value || *value < 0) {
                        Add(gameConfig.GetName(),
                            Format("\"%s\": \"%s\" is not a box count", name.c_str(), token.c_str()));
                        break;
                    }
                    list.push_back(static_cast<int>(*value));
                }
                if (list.size() < levelCount) {
                    Add(gameConfig.GetName(), Format("\"%s\" gives %zu box quota(s) for %zu level(s)",
                                                     name.c_str(), list.size(), levelCount));
                }
            }
            quotas.Passes.push_back(list);
        }
        return quotas;
    }

    // A secret-level field: its attributes and its text; its rules of play are the puzzle's own.
    void CheckSecretField(const IGXMLNode& secret, const std::string& where, int rows, int columns,
                          bool pooled) {
        CheckAttributes(secret, where, std::begin(SecretFieldAttributes), std::end(SecretFieldAttributes),
                        true);
        if (pooled) {
            CheckAttributes(secret, where, std::begin(PooledSecretFieldAttributes),
                            std::end(PooledSecretFieldAttributes), true);
        }
        ParseField(secret, where, rows, columns, TSublevelParseContext());
    }

    void CheckSubLevel(const IGXMLNode& subLevel, const std::string& where, int rows, int columns, int level,
                       int subLevelNumber, char marvane, int boxQuota) {
        CheckAttributes(subLevel, where, std::begin(SubLevelAttributes), std::end(SubLevelAttributes), true);
        CheckMarbles(subLevel, where, marvane);
        TSublevelParseContext context;
        context.Level = level;
        context.SubLevel = subLevelNumber;
        context.TwoLayerCells = level == TwoLayerLevel;
        std::unique_ptr<TCellsStructsArr> records = ParseField(subLevel, where, rows, columns, context);
        if (!records) {
            return;
        }
        const std::string fieldWhere = where + "/Field";
        CheckCells(*records, fieldWhere);
        CheckBoxes(*records, fieldWhere, boxQuota);
        CheckTimeLimit(subLevel, where, *records);
    }

private:
    std::unique_ptr<TCellsStructsArr> ParseField(const IGXMLNode& owner, const std::string& where, int rows,
                                                 int columns, const TSublevelParseContext& context) {
        PGXMLCollection fields = owner.GetCollection("Field");
        if (fields->Count() == 0) {
            Add(where, "has no Field");
            return nullptr;
        }
        std::unique_ptr<TCellsStructsArr> records;
        Try(where + "/Field", [&] {
            TCellsStructsArr parsed = LoadSublevelData(*fields->GetItem(0), rows, columns, context);
            CheckPresetSpecials(parsed);
            records = std::make_unique<TCellsStructsArr>(std::move(parsed));
        });
        return records;
    }

    // The game meets an unknown special kind only when it first fills the field; the check names
    // it at once, with the game's text.
    static void CheckPresetSpecials(const TCellsStructsArr& records) {
        for (int i = 0; i < records.RowCount(); ++i) {
            for (int j = 0; j < records.ColumnCount(); ++j) {
                char special = records.At(i, j).Special;
                if (special == 'i' || special > 'o') {
                    throw EGError(Format("TGameManager.SpecialKindClass (special \"%c\" at %s)", special,
                                         CellName(i, j).c_str()));
                }
            }
        }
    }

    // Every character a colour the game draws, enough colours to leave the board without lines,
    // and the monument's colour among them, or its bar never fills.
    void CheckMarbles(const IGXMLNode& subLevel, const std::string& where, char marvane) {
        if (!subLevel.HasAttribute("Marbles")) {
            return; // reported with the attributes
        }
        const std::string marbles = subLevel.GetStringDef("Marbles", "");
        std::set<char> colours;
        for (char c : marbles) {
            if (c < '1' || c > '8') {
                Add(where, Format("\"Marbles\" holds \"%c\", which is no marble colour 1..8", c));
                return;
            }
            colours.insert(c);
        }
        if (colours.size() < MinMarbleColours) {
            Add(where,
                Format("\"Marbles\" is \"%s\": fewer than %zu colours", marbles.c_str(), MinMarbleColours));
        }
        if (marvane != 0 && colours.count(marvane) == 0) {
            Add(where,
                Format("\"Marbles\" is \"%s\" without the monument colour %c", marbles.c_str(), marvane));
        }
    }

    // A brick cell that no line of three can pass through can only be cleared by luck with a
    // special; a box on a hole is never placed; a preset above an empty cell falls.
    void CheckCells(const TCellsStructsArr& records, const std::string& where) {
        for (int i = 0; i < records.RowCount(); ++i) {
            for (int j = 0; j < records.ColumnCount(); ++j) {
                const TCellStruct& record = records.At(i, j);
                if (record.LayerCount == lcHole) {
                    if (record.Box) {
                        Add(where, Format("a box on a hole at %s never appears", CellName(i, j).c_str()));
                    }
                    continue;
                }
                if (HasPreset(record) && !PresetRests(records, i, j)) {
                    Add(where, Format("the preset at %s falls to the foot of its column at the first fill",
                                      CellName(i, j).c_str()));
                }
                if (BrickLayers(record) > 0 && RunThrough(records, i, j, 0, 1) < 3 &&
                    RunThrough(records, i, j, 1, 0) < 3) {
                    Add(where,
                        Format("no line of three reaches the brick cell at %s", CellName(i, j).c_str()));
                }
            }
        }
    }

    // New boxes come in with the refill, which fills a column from its top cell down: a drop
    // point below another cell almost never sees a box. A sublevel must also be able to reach
    // its level's box quota.
    void CheckBoxes(const TCellsStructsArr& records, const std::string& where, int boxQuota) {
        int dropPoints = 0;
        int presetBoxes = 0;
        for (int i = 0; i < records.RowCount(); ++i) {
            for (int j = 0; j < records.ColumnCount(); ++j) {
                const TCellStruct& record = records.At(i, j);
                if (record.LayerCount == lcHole) {
                    continue;
                }
                presetBoxes += record.Box ? 1 : 0;
                if (record.BoxDropPoint) {
                    ++dropPoints;
                    if (HasCellAbove(records, i, j)) {
                        Add(where, Format("the box-drop point at %s is not the top cell of its column",
                                          CellName(i, j).c_str()));
                    }
                }
            }
        }
        if (dropPoints == 0 && presetBoxes < boxQuota) {
            Add(where, Format("no box-drop point and %d box(es) for a quota of %d", presetBoxes, boxQuota));
        }
    }

    void CheckTimeLimit(const IGXMLNode& subLevel, const std::string& where,
                        const TCellsStructsArr& records) {
        std::optional<double> limit = ParseCommaFloat(subLevel.GetStringDef("TimeLimit", ""));
        if (!limit) {
            return; // reported with the attributes
        }
        int layers = 0;
        for (int i = 0; i < records.RowCount(); ++i) {
            for (int j = 0; j < records.ColumnCount(); ++j) {
                layers += BrickLayers(records.At(i, j));
            }
        }
        const double needed = std::max(MinTimeLimit, MinSecondsPerLayer * layers);
        if (*limit < needed) {
            Add(where, Format("\"TimeLimit\" %g s is below %g s (%d brick layers)", *limit, needed, layers));
        }
    }

    std::vector<TLevelProblem>& FProblems;
};

char MarvaneColour(const IGXMLNode& level) {
    std::string text = level.GetStringDef("MarbleOfMarvane", "");
    return ReadsAs(text, TValueKind::Colour) ? text[0] : 0;
}

} // namespace

std::vector<TLevelProblem> CheckLevels(const IGXMLNode& gameConfig) {
    std::vector<TLevelProblem> problems;
    TLevelChecker checker(problems);
    std::unique_ptr<TGameEnvironment> environment;
    if (!checker.Try(gameConfig.GetName(),
                     [&] { environment = std::make_unique<TGameEnvironment>(gameConfig); })) {
        return problems; // without the field sizes no field can be read
    }
    const int rows = environment->FieldRowCount;
    const int columns = environment->FieldColumnCount;
    const int secretRows = environment->SecretFieldRowCount;
    const int secretColumns = environment->SecretFieldColumnCount;

    auto checkSecretFields = [&](const IGXMLNode& owner, const std::string& prefix, bool pooled) {
        PGXMLCollection secrets = owner.GetCollection("SecretLevelField");
        for (size_t s = 0; s < secrets->Count(); ++s) {
            checker.CheckSecretField(*secrets->GetItem(s), prefix + Numbered("SecretLevelField", s),
                                     secretRows, secretColumns, pooled);
        }
    };

    PGXMLCollection levels = gameConfig.GetCollection("Level");
    const TBoxQuotas quotas = checker.ReadBoxQuotas(gameConfig, levels->Count());
    for (size_t l = 0; l < levels->Count(); ++l) {
        const IGXMLNode& level = *levels->GetItem(l);
        const std::string levelWhere = Numbered("Level", l);
        const int levelNumber = static_cast<int>(l + 1);
        checker.CheckAttributes(level, levelWhere, std::begin(LevelAttributes), std::end(LevelAttributes),
                                true);
        checker.CheckAttributes(level, levelWhere, std::begin(OptionalLevelAttributes),
                                std::end(OptionalLevelAttributes), false);
        PGXMLCollection subLevels = level.GetCollection("SubLevel");
        if (subLevels->Count() == 0) {
            checker.Add(levelWhere, "has no SubLevel");
        }
        for (size_t m = 0; m < subLevels->Count(); ++m) {
            checker.CheckSubLevel(*subLevels->GetItem(m), levelWhere + "/" + Numbered("SubLevel", m), rows,
                                  columns, levelNumber, static_cast<int>(m + 1), MarvaneColour(level),
                                  quotas.Highest(levelNumber));
        }
        PGXMLCollection outlines = level.GetCollection("ConstructionField");
        if (outlines->Count() == 0) {
            checker.Add(levelWhere, "has no ConstructionField");
        } else {
            checker.Try(levelWhere + "/ConstructionField",
                        [&] { LoadConstructionCells(*outlines->GetItem(0), levelNumber); });
        }
        checkSecretFields(level, levelWhere + "/", false);
    }
    checkSecretFields(gameConfig, "", true);
    return problems;
}

} // namespace qm
