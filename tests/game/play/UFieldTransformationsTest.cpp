#include "UFieldTransformations.h"

#include "PlayTestHost.h"
#include "UCoreStates.h"
#include "UGKeys.h"
#include "UGWidget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

// Records what the transformation asks of the manager; on the level change it lays the next
// layout on the board, as the game manager does.
class TRotateManager : public IPlayManager {
public:
    TGameData* GameData() override { return nullptr; }
    TField* CurrentField() override { return Field; }
    void PausePlay() override {}
    void ResumePlay() override {}
    bool PlanBoardChange(bool /*won*/, bool /*fromFirst*/, TBoardChange& /*change*/) override {
        return false;
    }
    void SetLevelAndSubLevel(int level, int subLevel) override {
        Calls.push_back("level " + std::to_string(level) + "." + std::to_string(subLevel));
        Field->ApplyCellRecords(NextLayout);
    }
    void RestartTimeBar() override { Calls.push_back("time bar"); }
    ISecretMapPlay* SecretMaps() override { return nullptr; }
    void StartColorCellBlast(int /*x*/, int /*y*/) override {}
    bool IsQueued(TOtherState state) const override {
        return (state == TOtherState::ShowHideFieldLayer && Queue->HasExact<TShowHideFieldLayerState>()) ||
               (state == TOtherState::FieldRotate && Queue->HasExact<TFieldRotateState>());
    }
    void PlaySound(const std::string& name) override { Calls.push_back("sound " + name); }
    bool IsDeveloperUser() const override { return Developer; }

    TField* Field = nullptr;
    TGameStateQueue* Queue = nullptr;
    TCellsStructsArr NextLayout;
    bool Developer = false;
    std::vector<std::string> Calls;
};

// A layout from rows of text: "#" a hole, anything else a plain cell.
TCellsStructsArr Layout(const std::vector<std::string>& rows) {
    TCellsStructsArr records(static_cast<int>(rows.size()), static_cast<int>(rows.front().size()));
    for (int r = 0; r < records.RowCount(); ++r) {
        for (int c = 0; c < records.ColumnCount(); ++c) {
            TCellStruct& record = records.At(r, c);
            record.LayerCount =
                rows[static_cast<size_t>(r)][static_cast<size_t>(c)] == '#' ? lcHole : lcPlain;
            record.Marble = '0';
            record.Special = '0';
        }
    }
    return records;
}

const std::vector<std::string> Full = {
    "..........", "..........", "..........", "..........", "..........",
    "..........", "..........", "..........", "..........", "..........",
};
// Row 3 loses its first two cells, row 7 its whole right half.
const std::vector<std::string> Holed = {
    "..........", "..........", "..........", "##........", "..........",
    "..........", "..........", ".....#####", "..........", "..........",
};

class FieldTransformations : public ::testing::Test {
protected:
    ~FieldTransformations() override { Queue.Clear(); }
    void Build(const std::vector<std::string>& rows) {
        std::vector<std::string> marbles;
        for (const std::string& row : rows) {
            std::string text;
            for (size_t c = 0; c < row.size(); ++c) {
                text += row[c] == '#' ? '#' : static_cast<char>('1' + (c % 2 + marbles.size() % 2 * 2));
            }
            marbles.push_back(text);
        }
        FieldPtr = test::MakeField(Host, marbles);
        Host.Field = FieldPtr.get();
        Manager.Field = FieldPtr.get();
        Manager.Queue = &Queue;
    }
    TBoardChange Change(const std::vector<std::string>& current, const std::vector<std::string>& next) {
        TBoardChange change;
        change.Level = 2;
        change.SubLevel = 3;
        change.Current = Layout(current);
        change.Next = Layout(next);
        Manager.NextLayout = change.Next;
        return change;
    }
    void Frames(int count, double seconds = 0.01) {
        for (int i = 0; i < count; ++i) {
            Host.Tick(seconds);
            Queue.Update();
            FieldPtr->Draw();
        }
    }
    TGIntPoint Centre(int row, int col) const { return FieldPtr->CellToScreen(row, col, true); }
    std::vector<std::string> Created() const {
        std::vector<std::string> names;
        for (size_t i = 0; i < Queue.Count(); ++i) {
            names.push_back(Queue.At(i).GetName());
        }
        return names;
    }

    test::TTestHost Host;
    TRotateManager Manager;
    TGameStateQueue Queue{&Manager};
    std::unique_ptr<TField> FieldPtr;
};

TEST_F(FieldTransformations, TheQuadrantsAndRowsStartInTheirOrderAndFlipTheirWay) {
    Build(Full);
    auto& rotate = Queue.Push<TFieldRotateState>(Change(Full, Holed));
    struct TCase {
        int Variant;
        std::array<bool, 4> Reversed;
    };
    for (const TCase& c : {TCase{1, {false, false, true, true}}, TCase{2, {false, true, false, true}}}) {
        ASSERT_TRUE(rotate.BuildTiles(*FieldPtr, c.Variant));
        for (size_t q = 0; q < 4; ++q) {
            const TRotateQuadrant& quadrant = rotate.Outgoing()[q];
            EXPECT_DOUBLE_EQ(quadrant.Delay, (std::array<double, 4>{0.0, 1.2, 0.6, 1.0})[q]);
            ASSERT_EQ(quadrant.Lines.size(), 5u);
            for (size_t i = 0; i < 5; ++i) {
                EXPECT_NEAR(quadrant.Lines[i].Delay, (std::array<double, 5>{0.0, 0.18, 0.3, 0.42, 0.54})[i],
                            1e-9);
                EXPECT_DOUBLE_EQ(quadrant.Lines[i].Length, 0.6);
                EXPECT_EQ(quadrant.Lines[i].Reversed, c.Reversed[q])
                    << "variant " << c.Variant << " quadrant " << q;
            }
        }
    }
    // Every cell of the full board goes out; the holes of the next one get no tile coming in.
    size_t outgoing = 0;
    size_t incoming = 0;
    for (size_t q = 0; q < 4; ++q) {
        for (const TRotateLine& line : rotate.Outgoing()[q].Lines) {
            outgoing += line.Tiles.size();
        }
        for (const TRotateLine& line : rotate.Incoming()[q].Lines) {
            incoming += line.Tiles.size();
        }
    }
    EXPECT_EQ(outgoing, 100u);
    EXPECT_EQ(incoming, 93u);
}

// Along the rows the old tiles of a half-row fold toward the first cell the next layout keeps
// from the outer edge, and the new ones come out of the half's inner edge.
TEST_F(FieldTransformations, OldTilesFoldTowardTheOuterEdgeAndNewOnesUnfoldFromTheMiddle) {
    Build(Full);
    auto& rotate = Queue.Push<TFieldRotateState>(Change(Full, Holed));
    ASSERT_TRUE(rotate.BuildTiles(*FieldPtr, 1));
    auto point = [](TGPointD p) { return TGIntPoint{static_cast<int>(p.X), static_cast<int>(p.Y)}; };
    struct TCase {
        int Quadrant, Line;
        size_t Tile;
        bool Outgoing;
        TGIntPoint From, To;
    };
    const std::vector<TCase> cases = {
        // Row 3, left half: columns 0 and 1 are holes in the next layout, so column 2 takes them.
        {0, 3, 0, true, Centre(3, 0), Centre(3, 2)},
        {0, 3, 4, true, Centre(3, 4), Centre(3, 2)},
        // Row 3, right half: the outer edge itself stays.
        {2, 3, 0, true, Centre(3, 5), Centre(3, 9)},
        // Row 7, right half is all holes next: the tiles go to the middle of the board.
        {3, 2, 0, true, Centre(7, 5), Centre(7, 5)},
        {3, 2, 4, true, Centre(7, 9), Centre(7, 5)},
        // New tiles of row 3 come out of column 4 on the left, column 5 on the right.
        {0, 3, 0, false, Centre(3, 4), Centre(3, 2)},
        {2, 3, 4, false, Centre(3, 5), Centre(3, 9)},
    };
    for (const TCase& c : cases) {
        const auto& set = c.Outgoing ? rotate.Outgoing() : rotate.Incoming();
        const TRotateLine& line = set[static_cast<size_t>(c.Quadrant)].Lines[static_cast<size_t>(c.Line)];
        ASSERT_LT(c.Tile, line.Tiles.size());
        const TRotateTile& tile = line.Tiles[c.Tile];
        const std::string label = std::to_string(c.Quadrant) + "/" + std::to_string(c.Line) + "/" +
                                  std::to_string(c.Tile) + (c.Outgoing ? " out" : " in");
        EXPECT_EQ(point(tile.From).X, c.From.X) << label;
        EXPECT_EQ(point(tile.From).Y, c.From.Y) << label;
        EXPECT_EQ(point(tile.To).X, c.To.X) << label;
        EXPECT_EQ(point(tile.To).Y, c.To.Y) << label;
    }
    EXPECT_TRUE(rotate.Incoming()[3].Lines[2].Tiles.empty()) << "no new tile where the next layout has holes";
}

// The board turns in about two and a half seconds; meanwhile the field draws only the tiles.
// At the end the next sublevel is laid, the board emptied, faded in and filled, the time renewed.
TEST_F(FieldTransformations, ABoardTurnsIntoTheNextLayoutAndIsRefilled) {
    Build(Full);
    Queue.Push<TShowHideFieldLayerState>(true);
    Queue.Push<TFieldRotateState>(Change(Full, Holed));
    Frames(1);
    EXPECT_TRUE(FieldPtr->Active) << "the rotation waits for the settling board";
    int frames = 1;
    while (Queue.HasExact<TFieldRotateState>() && frames < 1000) {
        Frames(1);
        ++frames;
        if (Queue.HasExact<TFieldRotateState>() &&
            Queue.FindExact<TFieldRotateState>()->Status() == ssRunning) {
            EXPECT_FALSE(FieldPtr->Active);
        }
    }
    EXPECT_GT(frames, 230);
    EXPECT_LT(frames, 260);
    EXPECT_EQ(Manager.Calls,
              (std::vector<std::string>{"sound FieldTransformation", "level 2.3", "time bar"}));
    EXPECT_TRUE(FieldPtr->Active);
    EXPECT_EQ(FieldPtr->Cell(3, 0).Kind, 0) << "the next layout is on the board";
    EXPECT_EQ(Created(), (std::vector<std::string>{"TShowHideFieldLayerState", "TDropNewElementsState"}));
    Frames(1);
    EXPECT_TRUE(FieldPtr->Cell(0, 0).FadingIn);
    // The drop fills every cell of the new layout.
    Frames(200);
    EXPECT_EQ(test::FieldText(*FieldPtr)[7].substr(5), "#####");
    for (const std::string& row : test::FieldText(*FieldPtr)) {
        EXPECT_EQ(row.find('.'), std::string::npos) << row;
    }
}

// The same layout again (a lost sublevel) needs no tiles: the board is emptied and refilled at once.
// A layout of another size is refused; a board that cannot be cut in quadrants changes unanimated.
TEST_F(FieldTransformations, SameLayoutsOddBoardsAndOtherSizes) {
    Build(Full);
    constexpr uint32_t OldTint = 0x12345678;
    FieldPtr->Cell(0, 0).Element->Tint = OldTint;
    auto& same = Queue.Push<TFieldRotateState>(Change(Full, Full));
    EXPECT_EQ(same.Status(), ssFinished);
    Frames(1);
    EXPECT_EQ(Manager.Calls, (std::vector<std::string>{"level 2.3", "time bar"}));
    EXPECT_EQ(Created(), (std::vector<std::string>{"TShowHideFieldLayerState", "TDropNewElementsState"}));
    ASSERT_TRUE(FieldPtr->Cell(0, 0).Element);
    EXPECT_NE(FieldPtr->Cell(0, 0).Element->Tint, OldTint) << "the old elements are gone, new ones drop in";

    EXPECT_THROW(Queue.Push<TFieldRotateState>(Change(Full, {"...", "..."})), EGError);

    Queue.Clear();
    Manager.Calls.clear();
    const std::vector<std::string> odd = {".....", ".....", "....."};
    Build(odd);
    Queue.Push<TFieldRotateState>(Change(odd, {"#....", ".....", "....."}));
    Frames(2);
    EXPECT_EQ(Manager.Calls, (std::vector<std::string>{"level 2.3", "time bar"}));
    EXPECT_FALSE(Queue.HasExact<TFieldRotateState>());
    EXPECT_TRUE(FieldPtr->Active);
}

// The developer ends a transformation at once with E held; nobody else can.
TEST_F(FieldTransformations, TheDeveloperEndsTheTransformationWithE) {
    for (bool developer : {false, true}) {
        Build(Full);
        Manager.Calls.clear();
        Manager.Developer = developer;
        Queue.Push<TFieldRotateState>(Change(Full, Holed));
        Frames(2);
        TGInputState input;
        input.Keys['E'] = true;
        Queue.KeyDown('X', input);
        Frames(2);
        EXPECT_EQ(Queue.HasExact<TFieldRotateState>(), !developer) << "developer " << developer;
        Queue.Clear();
    }
}

} // namespace
} // namespace qm
