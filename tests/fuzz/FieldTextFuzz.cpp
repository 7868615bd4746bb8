// The character pictures of sublevel fields and monument outlines come from the game
// configuration, which anybody can edit. The input is three bytes of sizes and counts, then the
// field text, a zero byte, and the outline text.
#include "FuzzSupport.h"
#include "UGRandom.h"
#include "UGXMLNode.h"
#include "ULevels.h"

#include <pugixml.hpp>

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    if (size < 3) {
        return 0;
    }
    // Sizes up to those of a real board; beyond them the parsers only repeat themselves.
    const int rows = 1 + data[0] % 16;
    const int columns = 1 + data[1] % 16;
    const uint8_t flags = data[2];
    // Named copies rather than a structured binding: clang 14 cannot capture bindings in lambdas.
    const auto texts = fuzz::SplitAtZero(fuzz::Bytes(data + 3, size - 3));
    const std::string fieldText = std::get<0>(texts);
    const std::string outlineText = std::get<1>(texts);

    fuzz::ReadsOrFails([&] {
        TSublevelParseContext context;
        context.TwoLayerCells = (flags & 1) != 0;
        TCellsStructsArr records = LoadSublevelText(fieldText, rows, columns, context);
        if (records.RowCount() != rows || records.ColumnCount() != columns) {
            __builtin_trap();
        }
    });
    fuzz::ReadsOrFails([&] {
        pugi::xml_document document;
        pugi::xml_node outline = document.append_child("ConstructionField");
        outline.append_attribute("ICount").set_value(rows);
        outline.append_attribute("JCount").set_value(columns);
        outline.append_attribute("RandomCountSmallBonuses").set_value((flags >> 1) % 8);
        // One past the row count on purpose: the reader must refuse it.
        outline.append_attribute("RowCountForSmallBonuses").set_value((flags >> 4) % (rows + 2));
        outline.append_child(pugi::node_pcdata).set_value(outlineText.c_str());
        SetRandomSeed(flags);
        TConstrucionCells cells = LoadConstructionCells(*CreateXMLSnapshot(outline, "fuzz.xml"), 1);
        for (int j = 0; j < columns; ++j) {
            if (!cells.At(rows - 1, j).Open) {
                __builtin_trap();
            }
        }
    });
    return 0;
}
