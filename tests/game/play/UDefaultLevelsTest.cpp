// The shipped campaign played on the real field: every sublevel fills completely, offers moves,
// and lets a box fall from each of its drop points to the bottom, where it is collected.

#include "PlayTestHost.h"
#include "UGConfigPreprocessor.h"
#include "UGRandom.h"
#include "UGStrings.h"
#include "UGameEnvironment.h"
#include "ULevels.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <memory>
#include <string>
#include <vector>

namespace qm {
namespace {

// The level whose brick cells all carry two layers.
constexpr int TwoLayerLevel = 8;

struct TSublevelData {
    std::string Name;
    int Level = 0;
    std::string Marbles;
    TCellsStructsArr Records;
};

// The game configuration of the source data folder, assembled as the game assembles it.
class DefaultLevels : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        TGConfigPreprocessor preprocessor(std::string(QM_SOURCE_DIR) + "/data", false);
        const std::string text = preprocessor.ProcessFile("GameConfig.xml");
        pugi::xml_document document;
        ASSERT_TRUE(document.load_buffer(text.data(), text.size()));
        Config = CreateXMLSnapshot(document.document_element(), "GameConfig.xml");
    }
    static void TearDownTestSuite() { Config.reset(); }

    void SetUp() override {
        ASSERT_TRUE(Config);
        Host.Environment = std::make_unique<TGameEnvironment>(*Config);
        SetRandomSeed(2026);
    }

    std::vector<TSublevelData> Sublevels() const {
        std::vector<TSublevelData> all;
        const int rows = Host.Environment->FieldRowCount;
        const int columns = Host.Environment->FieldColumnCount;
        PGXMLCollection levels = Config->GetCollection("Level");
        for (size_t l = 0; l < levels->Count(); ++l) {
            PGXMLCollection subLevels = levels->GetItem(l)->GetCollection("SubLevel");
            for (size_t m = 0; m < subLevels->Count(); ++m) {
                PGXMLNode subLevel = subLevels->GetItem(m);
                TSublevelParseContext context;
                context.Level = static_cast<int>(l + 1);
                context.SubLevel = static_cast<int>(m + 1);
                context.TwoLayerCells = context.Level == TwoLayerLevel;
                all.push_back({Format("level %zu, sublevel %zu", l + 1, m + 1), context.Level,
                               subLevel->GetString("Marbles"),
                               LoadSublevelData(*subLevel->GetCollection("Field")->GetItem(0), rows, columns,
                                                context)});
            }
        }
        return all;
    }

    // A fresh field laid out and filled as a sublevel starts: the first fill, then falls and
    // refills (a column below a preset fills only once the preset has fallen), with the boxes
    // that reach the bottom collected, until every cell holds an element.
    std::unique_ptr<TField> StartSublevel(const TSublevelData& sublevel) {
        auto field =
            std::make_unique<TField>(Host, sublevel.Records.RowCount(), sublevel.Records.ColumnCount(), 0, 0);
        Host.Field = field.get();
        field->ApplyCellRecords(sublevel.Records);
        field->MarbleSet = sublevel.Marbles;
        field->Refill(true);
        for (int round = 0; round < 8 * field->RowCount; ++round) {
            test::RunFrames(Host, *field, 10, 0.04);
            const int collected = Host.Collected;
            field->CollectBoxes();
            if (Host.Collected == collected && !field->HasEmptyOrDyingCell() && field->IsStable()) {
                break;
            }
            bool blocked = false;
            field->PackColumns(blocked);
            field->Refill(true);
        }
        return field;
    }

    static PGXMLNode Config;
    test::TTestHost Host;
};

PGXMLNode DefaultLevels::Config;

TEST_F(DefaultLevels, EveryLevelOfTheCampaignIsThereWithAtLeastThreeSublevels) {
    PGXMLCollection levels = Config->GetCollection("Level");
    ASSERT_EQ(levels->Count(), 9u);
    for (size_t l = 0; l < levels->Count(); ++l) {
        EXPECT_GE(levels->GetItem(l)->GetCollection("SubLevel")->Count(), 3u) << "level " << l + 1;
    }
}

// The start fills every cell through the holes, and a dead board (no move left, which costs the
// player a refill) comes up rarely: in at most one start in four.
TEST_F(DefaultLevels, EverySublevelFillsCompletelyAndOffersMoves) {
    constexpr int Fills = 8;
    for (const TSublevelData& sublevel : Sublevels()) {
        int withMoves = 0;
        for (int fill = 0; fill < Fills; ++fill) {
            std::unique_ptr<TField> field = StartSublevel(sublevel);
            for (int r = field->FirstRow; r <= field->LastRow; ++r) {
                for (int c = field->FirstCol; c <= field->LastCol; ++c) {
                    const TCell& cell = field->Cell(r, c);
                    EXPECT_EQ(cell.Kind != 0, cell.Element != nullptr)
                        << sublevel.Name << " row " << r << " col " << c;
                }
            }
            TCell* a = nullptr;
            TCell* b = nullptr;
            withMoves += field->HasPossibleMove(a, b) ? 1 : 0;
        }
        EXPECT_GE(withMoves * 4, Fills * 3)
            << sublevel.Name << ": " << withMoves << " of " << Fills << " fills";
    }
}

// A box that comes in at a drop point (or is given there at the start) reaches the bottom of its
// column once the elements below it are gone, and is collected there.
TEST_F(DefaultLevels, BoxesFallFromEveryDropPointToTheBottomAndAreCollected) {
    for (const TSublevelData& sublevel : Sublevels()) {
        int dropPoints = 0;
        for (int r = 0; r < sublevel.Records.RowCount(); ++r) {
            for (int c = 0; c < sublevel.Records.ColumnCount(); ++c) {
                const TCellStruct& record = sublevel.Records.At(r, c);
                if (!record.BoxDropPoint && !record.Box) {
                    continue;
                }
                ++dropPoints;
                std::unique_ptr<TField> field = StartSublevel(sublevel);
                TCell& top = field->Cell(r, c);
                top.Element.reset();
                field->PasteBoxInCell(top);
                for (int below = r + 1; below <= field->LastRow; ++below) {
                    field->Cell(below, c).Element.reset();
                }
                const int collected = Host.Collected;
                for (int step = 0; step < 3 * field->RowCount && Host.Collected == collected; ++step) {
                    bool blocked = false;
                    field->PackColumns(blocked);
                    test::RunFrames(Host, *field, 5, 0.04);
                    field->CollectBoxes();
                }
                EXPECT_EQ(Host.Collected, collected + 1) << sublevel.Name << " row " << r << " col " << c;
            }
        }
        EXPECT_GT(dropPoints, 0) << sublevel.Name << " has no way for boxes to come";
    }
}

} // namespace
} // namespace qm
