#include "ULevels.h"

#include "TestHelpers.h"
#include "UGRandom.h"
#include "UGStrings.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <set>
#include <string>
#include <vector>

namespace qm {
namespace {

// One cell as "<layer count><d if box-drop point><b if box><marble><special>", with "_" for the
// character value 0 of a cell the text never reached; rows joined by "|".
std::string Describe(const TCellsStructsArr& records) {
    std::string out;
    auto character = [](char c) { return c == 0 ? '_' : c; };
    for (int i = 0; i < records.RowCount(); ++i) {
        if (i > 0) {
            out += "|";
        }
        for (int j = 0; j < records.ColumnCount(); ++j) {
            const TCellStruct& cell = records.At(i, j);
            if (j > 0) {
                out += " ";
            }
            out += std::to_string(cell.LayerCount);
            out += cell.BoxDropPoint ? "d" : "";
            out += cell.Box ? "b" : "";
            out += character(cell.Marble);
            out += character(cell.Special);
            if (cell.Color != 0) {
                out += "c" + std::to_string(cell.Color);
            }
        }
    }
    return out;
}

struct TFieldCase {
    const char* Name;
    std::string Text;
    int Rows;
    int Columns;
    bool TwoLayerCells;
    std::string Records; // expected when the text is valid
};

TEST(SublevelFieldTest, ValidTextsGiveTheirRecords) {
    const TFieldCase cases[] = {
        {"every symbol", "#$.+@1^z8", 1, 9, false, "000 0b00 200 2db00 2d00 210 300 20z 280"},
        {"two-layer pass: bricks get two layers, holes stay", "#.^5a", 1, 5, true, "000 300 300 350 30a"},
        {"leading blank line, indentation, trailing line feed and spaces; the third row stays holes",
         "\n   ...\n   .#.\n   ", 3, 3, false, "200 200 200|200 000 200|0__ 0__ 0__"},
        {"characters outside the format take no column", "0.9A!,.Z~\t\r.", 1, 3, false, "200 200 200"},
        {"carriage returns before line feeds", ".1\r\n2.\r\n", 2, 2, false, "200 210|220 200"},
        {"two line feeds before the first row", "\n\n.#", 1, 2, false, "200 000"},
        {"short rows leave holes", ".\n..", 2, 3, false, "200 0__ 0__|200 200 0__"},
        {"an empty text", "", 2, 2, false, "0__ 0__|0__ 0__"},
        {"spaces only", "   \t ", 1, 1, false, "0__"},
    };
    for (const TFieldCase& c : cases) {
        TSublevelParseContext context;
        context.TwoLayerCells = c.TwoLayerCells;
        TCellsStructsArr records = LoadSublevelText(c.Text, c.Rows, c.Columns, context);
        EXPECT_EQ(records.RowCount(), c.Rows) << c.Name;
        EXPECT_EQ(records.ColumnCount(), c.Columns) << c.Name;
        EXPECT_EQ(Describe(records), c.Records) << c.Name;
    }
}

struct TInvalidCase {
    const char* Name;
    std::string Text;
    int Rows;
    int Columns;
    // The report lines that say where the text went wrong.
    int K;
    int I;
    int J;
    bool FirstSymbolReached;
};

// The report line that starts with `key`, without the key; "(absent)" when there is none.
std::string ReportLine(const std::string& report, const std::string& key) {
    size_t start = report.find("\n\r" + key);
    if (start == std::string::npos) {
        return "(absent)";
    }
    start += 2 + key.size();
    return report.substr(start, report.find("\n\r", start) - start);
}

TEST(SublevelFieldTest, InvalidTextsNameTheOffendingPosition) {
    const TInvalidCase cases[] = {
        {"a tenth symbol in a row of nine", "..........", 1, 9, 10, 0, 9, true},
        {"a fourth row on a three-row field", "...\n...\n...\n.", 3, 3, 13, 3, 0, false},
        {"an empty row inside the field", ".\n\n.", 3, 3, 3, 1, 0, false},
        {"two line feeds after the last row", "..\n..\n\n", 3, 3, 7, 2, 0, false},
        {"spaces do not make a row", "#\n  \t\n#", 3, 3, 6, 1, 0, false},
        {"ignored characters do not count, the position does", "A.B.C.", 1, 2, 6, 0, 2, true},
    };
    for (const TInvalidCase& c : cases) {
        std::string report = test::ErrorText([&] { LoadSublevelText(c.Text, c.Rows, c.Columns, {}); });
        ASSERT_EQ(report.rfind("LoadSublevelData: Inalid sublevel definition. \n\r", 0), 0u)
            << c.Name << report;
        EXPECT_EQ(ReportLine(report, "K: "), std::to_string(c.K)) << c.Name;
        EXPECT_EQ(ReportLine(report, "S[K]: "), std::string(1, c.Text[static_cast<size_t>(c.K - 1)]))
            << c.Name;
        EXPECT_EQ(ReportLine(report, "I: "), std::to_string(c.I)) << c.Name;
        EXPECT_EQ(ReportLine(report, "J: "), std::to_string(c.J)) << c.Name;
        EXPECT_EQ(ReportLine(report, "FirstLineReached: "), "True") << c.Name;
        EXPECT_EQ(ReportLine(report, "FirstSymbolReached: "), c.FirstSymbolReached ? "True" : "False")
            << c.Name;
    }
}

// A field of megabytes is quoted by a short excerpt around the offending character, not twice
// whole: the report stays small enough to read.
TEST(SublevelFieldTest, TheReportOfAHugeFieldQuotesAnExcerpt) {
    const std::string text = std::string(4'500'000, ' ') + ".........." + std::string(4'500'000, ' ');
    const std::string report = test::ErrorText([&] { LoadSublevelText(text, 1, 9, {}); });
    const std::string excerpt =
        "\"..." + std::string(31, ' ') + ".........." + std::string(39, ' ') + "...\" (9000010 bytes)";
    EXPECT_EQ(ReportLine(report, "AFieldXML.Text: "), excerpt);
    EXPECT_EQ(ReportLine(report, "S: "), excerpt);
    EXPECT_EQ(ReportLine(report, "K: "), "4500010");
    EXPECT_LT(report.size(), 600u);
}

TEST(SublevelFieldTest, TheReportOfAnInvalidFieldReadsWhole) {
    pugi::xml_document document;
    document.load_string("<Field>\n  ..\n  ...\n</Field>");
    PGXMLNode field = CreateXMLSnapshot(document.document_element(), "GameConfig.xml");
    TSublevelParseContext context;
    context.PlayerName = "Ada";
    context.Level = 2;
    context.SubLevel = 3;
    context.ScreenName = "GameScreen";
    context.Statistics = "L1 S1";
    const std::string text = "\n  ..\n  ...\n";
    test::ExpectError([&] { LoadSublevelData(*field, 4, 2, context); },
                      "LoadSublevelData: Inalid sublevel definition. \n\r"
                      "FirstLineReached: True\n\r"
                      "FirstSymbolReached: True\n\r"
                      "AFieldXML.Text: \"" +
                          text +
                          "\"\n\r"
                          "S: \"" +
                          text +
                          "\"\n\r"
                          "K: 11\n\r"
                          "PlayerName: \"Ada\"\n\r"
                          "Level: 2\n\r"
                          "SubLevel: 3\n\r"
                          "Screen: GameScreen\n\r"
                          "S[K]: .\n\r"
                          "I: 1\n\r"
                          "J: 2\n\r"
                          "AICount: 4\n\r"
                          "AJCount: 2\n\r"
                          "Statistics: \"L1 S1\"");
}

// ---- The monument outline ----

PGXMLNode ConstructionField(const std::string& attributes, const std::string& text) {
    pugi::xml_document document;
    std::string xml = "<ConstructionField " + attributes + ">" + text + "</ConstructionField>";
    EXPECT_TRUE(document.load_string(xml.c_str()));
    return CreateXMLSnapshot(document.document_element(), "GameConfig.xml");
}

std::string Describe(const TConstrucionCells& cells) {
    std::string out;
    for (int i = 0; i < cells.RowCount(); ++i) {
        out += i > 0 ? "|" : "";
        for (int j = 0; j < cells.ColumnCount(); ++j) {
            const TConstructionCell& cell = cells.At(i, j);
            out += j > 0 ? " " : "";
            out += std::to_string(cell.Kind) + (cell.Open ? "o" : "");
            if (cell.Count != 0) {
                out += "n" + std::to_string(cell.Count);
            }
            if (cell.SmallBonus != 0) {
                out += "s" + std::to_string(cell.SmallBonus);
            }
        }
    }
    return out;
}

// The small bonuses on the grid, with the rows they stand in.
struct TPlaced {
    std::multiset<int> Bonuses;
    std::set<int> Rows;
    std::set<int> Columns;
};

TPlaced PlacedBonuses(const TConstrucionCells& cells) {
    TPlaced placed;
    for (int i = 0; i < cells.RowCount(); ++i) {
        for (int j = 0; j < cells.ColumnCount(); ++j) {
            if (cells.At(i, j).Kind == ckSmallBonus) {
                placed.Bonuses.insert(cells.At(i, j).SmallBonus);
                placed.Rows.insert(i);
                placed.Columns.insert(j);
            }
        }
    }
    return placed;
}

TEST(ConstructionFieldTest, SymbolsKindsAndTheOpenBottomRow) {
    PGXMLNode field = ConstructionField(
        R"(ICount="3" JCount="4" CellsSize="20" RandomCountSmallBonuses="0" RowCountForSmallBonuses="1")",
        "\n  #..#\n  .12.\n  X.##.\n");
    EXPECT_EQ(Describe(LoadConstructionCells(*field, 1)), "0 1 1 0|1 3n1 3n2 1|1o 0o 0o 1o");
}

TEST(ConstructionFieldTest, LettersOnlySayWhichBonusesTheLevelOffers) {
    // a, a and c with two to keep: every seed keeps two of the three, in the bottom two rows.
    PGXMLNode field = ConstructionField(
        R"(ICount="6" JCount="8" CellsSize="20" RandomCountSmallBonuses="2" RowCountForSmallBonuses="2")",
        "a.......\n........\n........\n........\nc.......\n......a.");
    std::set<std::multiset<int>> kept;
    for (uint32_t seed = 0; seed < 40; ++seed) {
        SetRandomSeed(seed);
        TConstrucionCells cells = LoadConstructionCells(*field, 1);
        TPlaced placed = PlacedBonuses(cells);
        ASSERT_EQ(placed.Bonuses.size(), 2u) << "seed " << seed;
        EXPECT_GE(*placed.Rows.begin(), 4) << "seed " << seed;
        kept.insert(placed.Bonuses);
        // Two bottom rows cannot give five rows of distance, so the demand falls to one row, and
        // to four columns where the first bonus stands in the middle.
        EXPECT_GE(*placed.Columns.rbegin() - *placed.Columns.begin(), 4) << "seed " << seed;
        EXPECT_EQ(placed.Rows.size(), 2u) << "seed " << seed;
    }
    EXPECT_EQ(kept, (std::set<std::multiset<int>>{{1, 1}, {1, 3}})) << "both choices occur";
}

// How many numbers the game's generator drew since it stood at `seed` (at most `limit`).
int DrawsSince(uint32_t seed, int limit) {
    int draws = 0;
    while (seed != RandSeed && draws <= limit) {
        seed = seed * 134775813u + 1u;
        ++draws;
    }
    return draws;
}

// Choosing the kept small bonuses takes one draw per kept bonus, however many letters the
// outline holds: a large outline of letters must not cost a recount after every discarded one.
// No bottom rows, so that placing draws nothing.
TEST(ConstructionFieldTest, KeptBonusesAreChosenWithOneDrawEach) {
    struct TCase {
        int Side;
        int Keep;
        int Draws;
    };
    const TCase cases[] = {{40, 0, 0}, {40, 1, 1}, {40, 1000, 1000}, {2, 3, 3}, {2, 4, 0}};
    for (const TCase& c : cases) {
        std::string rows;
        for (int i = 0; i < c.Side; ++i) {
            rows += std::string(static_cast<size_t>(c.Side), 'a') + "\n";
        }
        PGXMLNode field =
            ConstructionField(Format(R"(ICount="%d" JCount="%d" CellsSize="20" )"
                                     R"(RandomCountSmallBonuses="%d" RowCountForSmallBonuses="0")",
                                     c.Side, c.Side, c.Keep),
                              rows);
        SetRandomSeed(11);
        TConstrucionCells cells = LoadConstructionCells(*field, 1);
        EXPECT_EQ(DrawsSince(11, 100000), c.Draws) << c.Side << " x " << c.Side << ", keeping " << c.Keep;
        EXPECT_EQ(PlacedBonuses(cells).Bonuses.size(), 0u);
    }
}

TEST(ConstructionFieldTest, CrowdedBonusesTakeEveryFreeCellAndTheRestAreDropped) {
    // One bottom row of three cells: the third bonus fits only once the distances are down to
    // no rows and at most one column; with four, the last in reading order finds no cell and is
    // dropped without a word.
    struct TCase {
        const char* TopRow;
        std::multiset<int> Placed;
    };
    const TCase cases[] = {{"###", {1, 2, 3}}, {"##d", {4, 1, 2}}};
    for (const TCase& c : cases) {
        PGXMLNode field = ConstructionField(
            R"(ICount="2" JCount="3" CellsSize="20" RandomCountSmallBonuses="9" RowCountForSmallBonuses="1")",
            std::string(c.TopRow) + "\nabc");
        SetRandomSeed(7);
        TPlaced placed = PlacedBonuses(LoadConstructionCells(*field, 1));
        EXPECT_EQ(placed.Bonuses, c.Placed) << c.TopRow;
        EXPECT_EQ(placed.Rows, std::set<int>{1}) << c.TopRow;
    }
}

TEST(ConstructionFieldTest, AnInvalidOutlineLeavesTheProgressAsItWas) {
    pugi::xml_document document;
    document.load_string(R"(<GameConfig>
  <Level><ConstructionField ICount="1" JCount="2" CellsSize="9" RandomCountSmallBonuses="0"
     RowCountForSmallBonuses="1">..</ConstructionField></Level>
  <Level><ConstructionField ICount="2" JCount="2" CellsSize="9" RandomCountSmallBonuses="0"
     RowCountForSmallBonuses="1">..
...</ConstructionField></Level>
  <Level><ConstructionField ICount="2" JCount="2" CellsSize="9" RandomCountSmallBonuses="0"
     RowCountForSmallBonuses="1">..

..</ConstructionField></Level>
</GameConfig>)");
    PGXMLNode config = CreateXMLSnapshot(document.document_element(), "GameConfig.xml");
    TConstructionProgress record;
    record.Level = 1;
    FillConstructionCellsFromXML(record, *config);
    EXPECT_EQ(Describe(record.ConstructionCells), "1o 1o");
    for (int level : {2, 3}) {
        record.Level = level;
        test::ExpectError([&] { FillConstructionCellsFromXML(record, *config); },
                          "TPlayer.FillConstructionCellsFromXML: Inalid sublevel definition. Level " +
                              std::to_string(level));
        EXPECT_EQ(Describe(record.ConstructionCells), "1o 1o") << "level " << level;
    }
    record.Level = 4;
    test::ExpectError([&] { FillConstructionCellsFromXML(record, *config); },
                      "TPlayer.FillConstructionCellsFromXML: Level 4 is not in the game configuration");
}

TEST(ConstructionFieldTest, CountsOutsideTheirRangeNameTheAttribute) {
    struct TCase {
        const char* Attributes;
        const char* Error;
    };
    const TCase cases[] = {
        {R"(ICount="0" JCount="2" RandomCountSmallBonuses="0" RowCountForSmallBonuses="0")",
         R"(Attribute "ICount" is 0, outside 1..1000)"},
        {R"(ICount="2" JCount="-3" RandomCountSmallBonuses="0" RowCountForSmallBonuses="0")",
         R"(Attribute "JCount" is -3, outside 1..1000)"},
        {R"(ICount="2" JCount="2" RandomCountSmallBonuses="-1" RowCountForSmallBonuses="0")",
         R"(Attribute "RandomCountSmallBonuses" is -1, outside 0..1000)"},
        {R"(ICount="2" JCount="2" RandomCountSmallBonuses="1" RowCountForSmallBonuses="3")",
         R"(Attribute "RowCountForSmallBonuses" is 3, outside 0..2)"},
        {R"(ICount="2" JCount="2" RandomCountSmallBonuses="1")",
         R"(Attribute "RowCountForSmallBonuses" not found)"},
    };
    for (const TCase& c : cases) {
        PGXMLNode field = ConstructionField(c.Attributes, "..");
        test::ExpectErrorContaining([&] { LoadConstructionCells(*field, 1); }, c.Error);
    }
}

} // namespace
} // namespace qm
