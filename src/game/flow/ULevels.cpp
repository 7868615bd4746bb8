#include "ULevels.h"

#include "UGError.h"
#include "UGRandom.h"
#include "UGStrings.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

namespace qm {

namespace {

// The lines of the report on an invalid field are separated by these two characters, line feed
// first, as the game's error reports have always been.
const char* const ReportLineBreak = "\n\r";

// Where a scan of a character picture stands; shared by both formats, which break rows alike.
struct TScan {
    int I = 0;
    int J = 0;
    bool FirstLineReached = false;
    bool FirstSymbolReached = false;
};

enum class TScanStep { Symbol, Skipped, RowEnd, Invalid };

// One character of a picture: a symbol must lie inside the grid; a line feed after the first
// symbol ends a row, which must not be empty; anything else takes no column.
TScanStep ScanCharacter(TScan& scan, char c, bool isSymbol, int rowCount, int columnCount) {
    if (isSymbol) {
        if (scan.I > rowCount - 1 || scan.J > columnCount - 1) {
            return TScanStep::Invalid;
        }
        return TScanStep::Symbol;
    }
    if (c == '\n') {
        if (!scan.FirstLineReached) {
            return TScanStep::Skipped;
        }
        if (!scan.FirstSymbolReached) {
            return TScanStep::Invalid;
        }
        ++scan.I;
        scan.J = 0;
        scan.FirstSymbolReached = false;
        return TScanStep::RowEnd;
    }
    return TScanStep::Skipped;
}

void SymbolWritten(TScan& scan) {
    scan.FirstLineReached = true;
    scan.FirstSymbolReached = true;
    ++scan.J;
}

bool IsSublevelSymbol(char c) {
    return c == '#' || c == '$' || c == '.' || c == '+' || c == '@' || c == '^' || (c >= '1' && c <= '8') ||
           (c >= 'a' && c <= 'z');
}

TCellStruct SublevelRecord(char symbol, bool twoLayerCells) {
    const int32_t brickLayers = twoLayerCells ? lcTwoLayers : lcOneLayer;
    TCellStruct record;
    record.Marble = '0';
    record.Special = '0';
    switch (symbol) {
    case '#':
        record.LayerCount = lcHole;
        break;
    case '$':
        record.LayerCount = lcHole;
        record.Box = true;
        break;
    case '.':
        record.LayerCount = brickLayers;
        break;
    case '+':
        record.BoxDropPoint = true;
        record.LayerCount = brickLayers;
        record.Box = true;
        break;
    case '@':
        record.BoxDropPoint = true;
        record.LayerCount = brickLayers;
        break;
    case '^':
        record.LayerCount = lcTwoLayers;
        break;
    default:
        record.LayerCount = brickLayers;
        if (symbol >= '1' && symbol <= '8') {
            record.Marble = symbol;
        } else {
            record.Special = symbol;
        }
        break;
    }
    return record;
}

const char* TrueFalse(bool value) {
    return value ? "True" : "False";
}

EGError InvalidSublevel(const std::string& text, size_t position, const TScan& scan, int rowCount,
                        int columnCount, const TSublevelParseContext& context) {
    std::vector<std::string> lines = {
        "LoadSublevelData: Inalid sublevel definition. ",
        std::string("FirstLineReached: ") + TrueFalse(scan.FirstLineReached),
        std::string("FirstSymbolReached: ") + TrueFalse(scan.FirstSymbolReached),
        "AFieldXML.Text: " + QuotedExcerpt(text, position),
        "S: " + QuotedExcerpt(text, position),
        "K: " + std::to_string(position + 1),
        "PlayerName: " + QuotedExcerpt(context.PlayerName),
        "Level: " + std::to_string(context.Level),
        "SubLevel: " + std::to_string(context.SubLevel),
        "Screen: " + context.ScreenName,
        std::string("S[K]: ") + text[position],
        "I: " + std::to_string(scan.I),
        "J: " + std::to_string(scan.J),
        "AICount: " + std::to_string(rowCount),
        "AJCount: " + std::to_string(columnCount),
        "Statistics: " + QuotedExcerpt(context.Statistics),
    };
    std::string message;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            message += ReportLineBreak;
        }
        message += lines[i];
    }
    return EGError(message);
}

// ---- The monument outline ----

const char* const ConstructionContext = "TPlayer.FillConstructionCellsFromXML";
// Beyond any outline that fits the screen; keeps a slip in the numbers from asking for a huge grid.
constexpr int MaxConstructionSide = 1000;

bool IsConstructionSymbol(char c) {
    return c == '#' || c == '.' || c == '1' || c == '2' || (c >= 'a' && c <= 'l');
}

TConstructionCell ConstructionRecord(char symbol) {
    TConstructionCell cell;
    if (symbol == '#') {
        cell.Kind = ckNone;
    } else if (symbol == '.') {
        cell.Kind = ckEmpty;
    } else if (symbol == '1' || symbol == '2') {
        cell.Kind = ckBonus;
        cell.Count = symbol - '0';
    } else {
        cell.Kind = ckSmallBonus;
        cell.SmallBonus = static_cast<uint8_t>(symbol - 'a' + 1);
    }
    return cell;
}

int ReadCount(const IGXMLNode& node, const char* name, int low, int high) {
    int value = node.GetInt(name);
    if (value < low || value > high) {
        throw EGError(ConstructionContext, Format("Attribute \"%s\" is %d, outside %d..%d (%s)", name, value,
                                                  low, high, node.GetLocation().c_str()));
    }
    return value;
}

// Takes the small bonuses off the grid in reading order: their letters only say which bonuses
// the level offers, not where they go.
std::vector<uint8_t> CollectSmallBonuses(TConstrucionCells& cells) {
    std::vector<uint8_t> bonuses;
    for (int i = 0; i < cells.RowCount(); ++i) {
        for (int j = 0; j < cells.ColumnCount(); ++j) {
            TConstructionCell& cell = cells.At(i, j);
            if (cell.Kind == ckSmallBonus) {
                bonuses.push_back(cell.SmallBonus);
                cell.SmallBonus = 0;
                cell.Kind = ckEmpty;
            }
        }
    }
    return bonuses;
}

// Keeps `keep` of the bonuses, chosen at random, and zeroes the others. One pass of a partial
// shuffle over the positions (one draw per kept bonus) chooses them, so that an outline with a
// great many letters costs no more than its letters; the kept ones keep their reading order.
void KeepRandomBonuses(std::vector<uint8_t>& bonuses, int keep) {
    std::vector<size_t> order;
    for (size_t k = 0; k < bonuses.size(); ++k) {
        if (bonuses[k] != 0) {
            order.push_back(k);
        }
    }
    const size_t kept = std::min(order.size(), static_cast<size_t>(std::max(keep, 0)));
    if (kept == order.size()) {
        return;
    }
    for (size_t k = 0; k < kept; ++k) {
        const size_t other = k + Random(static_cast<uint32_t>(order.size() - k));
        std::swap(order[k], order[other]);
    }
    for (size_t k = kept; k < order.size(); ++k) {
        bonuses[order[k]] = 0;
    }
}

// The rows and columns that hold placed bonuses, counted, so that the distance to all of them is
// asked of a few rows and columns around a cell rather than of every bonus placed: an outline may
// keep a thousand bonuses, each tried at thousands of cells.
struct TPlacedBonuses {
    TPlacedBonuses(int rowCount, int columnCount)
        : Rows(static_cast<size_t>(rowCount), 0), Columns(static_cast<size_t>(columnCount), 0) {}

    // Whether every placed bonus lies at least `minRows` rows and `minColumns` columns away.
    bool FarFrom(int row, int column, int minRows, int minColumns) const {
        return !AnyWithin(Rows, row, minRows) && !AnyWithin(Columns, column, minColumns);
    }
    void Add(int row, int column) {
        ++Rows[static_cast<size_t>(row)];
        ++Columns[static_cast<size_t>(column)];
    }

private:
    // A bonus less than `distance` away from `at` along one axis.
    static bool AnyWithin(const std::vector<int>& counts, int at, int distance) {
        const int last = static_cast<int>(counts.size()) - 1;
        for (int k = std::max(at - distance + 1, 0); k <= std::min(at + distance - 1, last); ++k) {
            if (counts[static_cast<size_t>(k)] > 0) {
                return true;
            }
        }
        return false;
    }

    std::vector<int> Rows;
    std::vector<int> Columns;
};

// Random positions in the bottom rows, asking first for five rows and five columns of distance
// from the bonuses already placed and lowering the demand (rows first) after every thousand
// failures. A bonus that finds no place at all is dropped.
void PlaceSmallBonus(TConstrucionCells& cells, uint8_t bonus, int bottomRows, TPlacedBonuses& placed) {
    constexpr int TriesPerDistance = 1000;
    constexpr int StartDistance = 5;
    if (bottomRows <= 0) {
        return;
    }
    const int firstRow = cells.RowCount() - bottomRows;
    for (int minColumns = StartDistance; minColumns >= 0; --minColumns) {
        for (int minRows = StartDistance; minRows >= 0; --minRows) {
            for (int attempt = 0; attempt < TriesPerDistance; ++attempt) {
                int row = firstRow + static_cast<int>(Random(static_cast<uint32_t>(bottomRows)));
                int column = static_cast<int>(Random(static_cast<uint32_t>(cells.ColumnCount())));
                TConstructionCell& cell = cells.At(row, column);
                if (cell.Kind == ckEmpty && placed.FarFrom(row, column, minRows, minColumns)) {
                    cell.Kind = ckSmallBonus;
                    cell.SmallBonus = bonus;
                    placed.Add(row, column);
                    return;
                }
            }
        }
    }
}

} // namespace

TCellsStructsArr LoadSublevelText(const std::string& text, int rowCount, int columnCount,
                                  const TSublevelParseContext& context) {
    TCellsStructsArr records(rowCount, columnCount);
    TScan scan;
    for (size_t k = 0; k < text.size(); ++k) {
        char c = text[k];
        bool isSymbol = IsSublevelSymbol(c);
        switch (ScanCharacter(scan, c, isSymbol, rowCount, columnCount)) {
        case TScanStep::Invalid:
            throw InvalidSublevel(text, k, scan, rowCount, columnCount, context);
        case TScanStep::Symbol:
            records.At(scan.I, scan.J) = SublevelRecord(c, context.TwoLayerCells);
            SymbolWritten(scan);
            break;
        case TScanStep::Skipped:
        case TScanStep::RowEnd:
            break;
        }
    }
    return records;
}

TCellsStructsArr LoadSublevelData(const IGXMLNode& fieldNode, int rowCount, int columnCount,
                                  const TSublevelParseContext& context) {
    return LoadSublevelText(fieldNode.GetText(), rowCount, columnCount, context);
}

namespace {

// A monument outline as its text gives it, the bottom row open, the small bonuses still on
// their letters; with what the element says of the bonuses to keep.
struct TConstructionOutline {
    TConstrucionCells Cells;
    int RandomCount = 0;
    int BottomRows = 0;
};

TConstructionOutline ParseConstructionOutline(const IGXMLNode& constructionField, int level) {
    const int rowCount = ReadCount(constructionField, "ICount", 1, MaxConstructionSide);
    const int columnCount = ReadCount(constructionField, "JCount", 1, MaxConstructionSide);
    // A negative count would never be reached by discarding bonuses.
    const int randomCount = ReadCount(constructionField, "RandomCountSmallBonuses", 0, MaxConstructionSide);
    const int bottomRows = ReadCount(constructionField, "RowCountForSmallBonuses", 0, rowCount);

    TConstrucionCells cells(rowCount, columnCount);
    const std::string text = constructionField.GetText();
    TScan scan;
    for (char c : text) {
        bool isSymbol = IsConstructionSymbol(c);
        switch (ScanCharacter(scan, c, isSymbol, rowCount, columnCount)) {
        case TScanStep::Invalid:
            throw EGError(ConstructionContext, Format("Inalid sublevel definition. Level %d", level));
        case TScanStep::Symbol:
            cells.At(scan.I, scan.J) = ConstructionRecord(c);
            SymbolWritten(scan);
            break;
        case TScanStep::Skipped:
        case TScanStep::RowEnd:
            break;
        }
    }
    for (int j = 0; j < columnCount; ++j) {
        cells.At(rowCount - 1, j).Open = true;
    }
    return {std::move(cells), randomCount, bottomRows};
}

// Takes the small bonuses off their letters, keeps the level's number of them and places those
// at random in the bottom rows.
void PlaceKeptSmallBonuses(TConstructionOutline& outline) {
    TConstrucionCells& cells = outline.Cells;
    std::vector<uint8_t> bonuses = CollectSmallBonuses(cells);
    KeepRandomBonuses(bonuses, std::min(outline.RandomCount, static_cast<int>(bonuses.size())));
    // Collecting left no small bonus on the grid, so the placed ones are all there is to keep
    // apart from.
    TPlacedBonuses placed(cells.RowCount(), cells.ColumnCount());
    for (uint8_t bonus : bonuses) {
        if (bonus != 0) {
            PlaceSmallBonus(cells, bonus, outline.BottomRows, placed);
        }
    }
}

PGXMLNode ConstructionFieldOf(int level, const IGXMLNode& gameConfig) {
    PGXMLCollection levels = gameConfig.GetCollection("Level");
    if (level < 1 || static_cast<size_t>(level) > levels->Count()) {
        throw EGError(ConstructionContext, Format("Level %d is not in the game configuration", level));
    }
    PGXMLCollection fields =
        levels->GetItem(static_cast<size_t>(level - 1))->GetCollection("ConstructionField");
    if (fields->Count() == 0) {
        throw EGError(ConstructionContext, Format("Level %d has no ConstructionField", level));
    }
    return fields->GetItem(0);
}

} // namespace

TConstrucionCells LoadConstructionCells(const IGXMLNode& constructionField, int level) {
    TConstructionOutline outline = ParseConstructionOutline(constructionField, level);
    PlaceKeptSmallBonuses(outline);
    return std::move(outline.Cells);
}

void FillConstructionCellsFromXML(TConstructionProgress& record, const IGXMLNode& gameConfig) {
    // Built aside, so that an invalid outline leaves the record as it was.
    record.ConstructionCells =
        LoadConstructionCells(*ConstructionFieldOf(record.Level, gameConfig), record.Level);
}

void RestoreConstructionCellsFromXML(TConstructionProgress& record, const TConstrucionCells& stored,
                                     const IGXMLNode& gameConfig) {
    TConstructionOutline outline =
        ParseConstructionOutline(*ConstructionFieldOf(record.Level, gameConfig), record.Level);
    TConstrucionCells& cells = outline.Cells;
    if (stored.RowCount() < cells.RowCount() || stored.ColumnCount() < cells.ColumnCount()) {
        PlaceKeptSmallBonuses(outline);
    }
    const int rows = std::min(cells.RowCount(), stored.RowCount());
    const int columns = std::min(cells.ColumnCount(), stored.ColumnCount());
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            cells.At(i, j) = stored.At(i, j);
        }
    }
    record.ConstructionCells = std::move(cells);
}

} // namespace qm
