#include "UAutoPlayer.h"

#include "PlayTestHost.h"
#include "UField.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qm {
namespace {

// Two moves and no other: the top row's third and fourth marbles make a line of 1, the bottom
// row's a line of 2. The middle rows hold four colours each once, so no swap lines them up.
const std::vector<std::string> TwoMoves = {"1121", "5678", "7856", "2212"};

struct TWeighCase {
    const char* Name;
    std::vector<std::string> Rows;
    // A brick layer under this cell; none when the row is negative.
    int LayerRow;
    int LayerCol;
    size_t Moves;
    // The best move's first cell.
    int BestRow;
    int BestCol;
};

bool MakesLine(TField& field, TCell& a, TCell& b) {
    std::swap(a.Element, b.Element);
    const bool line = field.FindMatches(true, true);
    std::swap(a.Element, b.Element);
    return line;
}

bool HoldsSpecial(const TCell& cell) {
    return dynamic_cast<const TSpecial*>(cell.Element.get()) != nullptr;
}

TEST(AutoPlayer, WeighsLayersBoxesSpecialsAndDepth) {
    const TWeighCase cases[] = {
        {"the lower of two plain moves", TwoMoves, -1, 0, 2, 3, 2},
        {"a layer under the upper move", TwoMoves, 0, 0, 2, 0, 2},
        // The lower line takes the last three cells of its row, so only the upper one lowers the box.
        {"a box above the upper move", {"B###", "1121", "5678", "7856", "2122"}, -1, 0, 2, 1, 2},
        {"a special beside the lower row", {"1121", "5678", "7856", "221a"}, -1, 0, 3, 3, 3},
    };
    for (const TWeighCase& test : cases) {
        SCOPED_TRACE(test.Name);
        test::TTestHost host;
        std::unique_ptr<TField> field = test::MakeField(host, test.Rows);
        if (test.LayerRow >= 0) {
            field->Cell(test.LayerRow, test.LayerCol).Kind = 2;
        }
        const std::vector<TAutoMove> moves = WeighMoves(*field);
        ASSERT_EQ(moves.size(), test.Moves);
        for (const TAutoMove& move : moves) {
            EXPECT_EQ(std::abs(move.A->Row - move.B->Row) + std::abs(move.A->Col - move.B->Col), 1);
            EXPECT_TRUE(HoldsSpecial(*move.A) || HoldsSpecial(*move.B) || MakesLine(*field, *move.A, *move.B))
                << "a listed swap is a move";
        }
        const auto best =
            std::max_element(moves.begin(), moves.end(),
                             [](const TAutoMove& a, const TAutoMove& b) { return a.Worth < b.Worth; });
        EXPECT_EQ(best->A->Row, test.BestRow);
        EXPECT_EQ(best->A->Col, test.BestCol);
        EXPECT_EQ(test::FieldText(*field), test.Rows) << "weighing leaves the board as it was";
    }
}

// A screen of plain values that keeps the cells the player clicked.
class TClickTarget : public IAutoPlayTarget {
public:
    TField& Field() const override { return *Board; }
    bool AcceptsMove() const override { return true; }
    bool MessageShown() const override { return false; }
    bool ShuffleReady() const override { return Shuffle; }
    void PressShuffle() override { ++Shuffles; }
    void ClickAt(int x, int y) override { Clicks.push_back(Board->CellAt(x, y)); }

    TField* Board = nullptr;
    bool Shuffle = false;
    int Shuffles = 0;
    std::vector<TCell*> Clicks;
};

void PlayFor(TAutoPlayer& player, double seconds) {
    for (double t = 0; t < seconds; t += 0.01) {
        player.Step(0.01);
    }
}

TEST(AutoPlayer, ClicksTheBestMoveAndShufflesOnlyABoardWithoutMoves) {
    test::TTestHost host;
    std::unique_ptr<TField> field = test::MakeField(host, TwoMoves);
    field->Cell(0, 0).Kind = 2;
    TClickTarget target;
    target.Board = field.get();
    target.Shuffle = true;
    TAutoPlayer player(target, 5);
    PlayFor(player, 2 * TAutoPlayer::MaxThink + 0.05);
    ASSERT_GE(target.Clicks.size(), 2u);
    EXPECT_EQ(target.Clicks[0], &field->Cell(0, 2));
    EXPECT_EQ(target.Clicks[1], &field->Cell(0, 3));
    EXPECT_EQ(player.MovesPlayed(), 1);
    EXPECT_EQ(target.Shuffles, 0) << "a board with a move is not shuffled";

    std::unique_ptr<TField> stuck = test::MakeField(host, {"1212", "5678", "7856", "2121"});
    target.Board = stuck.get();
    target.Clicks.clear();
    TAutoPlayer second(target, 5);
    PlayFor(second, 2 * TAutoPlayer::MaxThink + 0.05);
    EXPECT_TRUE(target.Clicks.empty());
    EXPECT_GE(target.Shuffles, 1);
}

} // namespace
} // namespace qm
