#pragma once

// The campaign's two character-picture formats: the field of a sublevel (the text of
// Level/SubLevel/Field, also used by the secret levels) and the monument outline of a level (the
// text of Level/ConstructionField).
//
// Sublevel field symbols, one cell each; a line feed ends a row, every other character is
// ignored and takes no column:
//   "#" hole            "$" hole with a box          "." plain cell
//   "+" box-drop point with a box                    "@" box-drop point
//   "1".."8" cell with a preset marble of that colour
//   "^" cell with two brick layers always
//   "a".."z" cell with a preset special of kind (letter - 96)
// Cells other than holes and "^" carry one brick layer, or two on a two-layer pass.
//
// Construction field symbols: "#" no cell, "." a cell to build, "1" and "2" a bonus cell giving
// that extra bonus, "a".."l" a small bonus 1..12 offered by the level (placed at random).

#include "UGXMLNode.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// A rows x columns grid stored row by row; row 0 is the top.
template <typename TRecord> class TGrid {
public:
    TGrid() = default;
    TGrid(int rowCount, int columnCount)
        : FRowCount(rowCount), FColumnCount(columnCount),
          FCells(static_cast<size_t>(rowCount) * static_cast<size_t>(columnCount)) {}

    int RowCount() const { return FRowCount; }
    int ColumnCount() const { return FColumnCount; }
    TRecord& At(int row, int column) { return FCells.at(Index(row, column)); }
    const TRecord& At(int row, int column) const { return FCells.at(Index(row, column)); }

    bool operator==(const TGrid&) const = default;

private:
    size_t Index(int row, int column) const {
        if (row < 0 || row >= FRowCount || column < 0 || column >= FColumnCount) {
            return FCells.size(); // out of range for at()
        }
        return static_cast<size_t>(row) * static_cast<size_t>(FColumnCount) + static_cast<size_t>(column);
    }

    int FRowCount = 0;
    int FColumnCount = 0;
    std::vector<TRecord> FCells;
};

// Layer counts of a sublevel cell record.
enum : int32_t {
    lcHole = 0,
    lcPlain = 1,
    lcOneLayer = 2,
    lcTwoLayers = 3,
    lcColorCell = 4,
};

// What the field text says about one cell. A cell the text does not reach keeps the zero record:
// a hole, no flags, and the character value 0 (not "0") in both character fields.
struct TCellStruct {
    // New boxes may appear on this cell during play.
    bool BoxDropPoint = false;
    // The colour 1..8 of a colour cell; 0 otherwise. The text never sets it (the level flow
    // places colour cells).
    int32_t Color = 0;
    int32_t LayerCount = lcHole;
    // "0" for none, else the colour digit of the marble placed at the first fill.
    char Marble = 0;
    // A box element is placed here at the first fill.
    bool Box = false;
    // "0" for none, else the letter of the special placed at the first fill ("a" is kind 1).
    char Special = 0;

    bool operator==(const TCellStruct&) const = default;
};

using TCellsStructsArr = TGrid<TCellStruct>;

// What the error report of an invalid field says about the situation it was met in. The player,
// the progress and the screen belong to later parts of the game; whoever parses fills in what it
// knows.
struct TSublevelParseContext {
    // Cells with brick layers get two layers instead of one (the player's third pass, level 8).
    bool TwoLayerCells = false;
    std::string PlayerName;
    int Level = 0;
    int SubLevel = 0;
    std::string ScreenName;
    std::string Statistics;
};

// Parses the text of a Field element into a fresh rowCount x columnCount grid. An invalid text
// (a symbol beyond the last row or column, an empty row inside the field) raises an error whose
// lines name the flags, the text, the 1-based position of the offending character and the
// situation; nothing is returned then.
TCellsStructsArr LoadSublevelData(const IGXMLNode& fieldNode, int rowCount, int columnCount,
                                  const TSublevelParseContext& context);
TCellsStructsArr LoadSublevelText(const std::string& text, int rowCount, int columnCount,
                                  const TSublevelParseContext& context);

// Kinds of construction cells.
enum : uint8_t {
    ckNone = 0,
    ckEmpty = 1,
    ckBuilt = 2,
    ckBonus = 3,
    ckSmallBonus = 4,
};

// One cell of a level's monument outline.
struct TConstructionCell {
    uint8_t Kind = ckNone;
    // The cell can take a block now.
    bool Open = false;
    // For a bonus cell: which of the extra bonuses it gives (1 or 2).
    int32_t Count = 0;
    // The small bonus (1..12) of a kind-4 cell, else 0.
    uint8_t SmallBonus = 0;

    bool operator==(const TConstructionCell&) const = default;
};

// ICount rows by JCount columns; row ICount - 1 is the bottom row.
using TConstrucionCells = TGrid<TConstructionCell>;

// The part of a player's progress record that the monument outline is built into.
struct TConstructionProgress {
    // The level number, from 1.
    int Level = 1;
    TConstrucionCells ConstructionCells;
};

// Builds the monument grid of a ConstructionField element: parses the text, opens the bottom
// row and places the small bonuses the level offers at random positions in its bottom rows
// (drawing from the game's random generator). `level` names the level in the error that an
// invalid text raises.
TConstrucionCells LoadConstructionCells(const IGXMLNode& constructionField, int level);

// Replaces the progress record's construction cells with a fresh grid built from
// Level[record.Level]/ConstructionField of the game configuration. The old cells stay as they
// were when the new grid cannot be built.
void FillConstructionCellsFromXML(TConstructionProgress& record, const IGXMLNode& gameConfig);

// The same for a grid read from a save: the stored cells stand where they lie over the outline.
// Choosing and placing the outline's small bonuses, the costly part of building a large outline
// and the part that draws from the generator, is done only when the stored grid leaves some of
// the outline uncovered (the outline grew since the save), so loading a save does not build the
// outline again. Raises as FillConstructionCellsFromXML, with the record unchanged.
void RestoreConstructionCellsFromXML(TConstructionProgress& record, const TConstrucionCells& stored,
                                     const IGXMLNode& gameConfig);

} // namespace qm
