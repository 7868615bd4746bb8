#include "UFireBall.h"

#include "game/play/PlayTestHost.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::FieldText;
using test::MakeField;
using test::TTestHost;

// Demolition steps are 0,06 s per cell in the test environment.
TEST(FireBallTest, StrikesEachCellOneStepAfterTheLast) {
    TTestHost host;
    auto field = MakeField(host, {"123451"});
    field->Cell(0, 3).Kind = 2;
    field->AddFireBall(std::make_unique<TCrossFireBall>(*field, 2, 100, 0, 1, field->Cell(0, 1)));
    const TFireBall& ball = *field->FireBalls.front();
    ASSERT_EQ(ball.Targets.size(), 4u);
    EXPECT_TRUE(field->Cell(0, 2).Element->IsLocked());
    EXPECT_FALSE(field->Cell(0, 0).Element->IsLocked()) << "behind the ball";
    EXPECT_FALSE(field->Cell(0, 1).Element->IsLocked()) << "the start cell is no target";
    EXPECT_DOUBLE_EQ(ball.FlightSeconds, 4 * 0.06);
    EXPECT_FALSE(field->IsStable());
    test::RunFrames(host, *field, 5);
    EXPECT_EQ(FieldText(*field)[0], "123451") << "0.05 s";
    test::RunFrames(host, *field, 2);
    EXPECT_EQ(FieldText(*field)[0], "12x451") << "0.07 s";
    test::RunFrames(host, *field, 6);
    EXPECT_EQ(FieldText(*field)[0], "12xx51") << "0.13 s";
    EXPECT_EQ(field->Cell(0, 3).Kind, 1) << "struck with the special's kind";
    EXPECT_EQ(host.BrickSpawns, 1);
    test::RunFrames(host, *field, 12);
    EXPECT_EQ(FieldText(*field)[0], "12xxxx") << "0.25 s";
    EXPECT_TRUE(field->FireBalls.empty()) << "freed once every target is struck";
}

TEST(FireBallTest, StopsBeforeHolesBoxesAndTheRange) {
    TTestHost host;
    struct TCase {
        std::string Row;
        int Range;
        int DCol;
        size_t Targets;
    };
    const TCase cases[] = {
        {"1234#1", 100, 1, 3},
        {"1234B1", 100, 1, 3},
        {"123456", 2, 1, 2},
        {"123456", 100, -1, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Row);
        auto field = MakeField(host, {c.Row});
        TFireBall ball(*field, 15, c.Range, 0, c.DCol, field->Cell(0, 0));
        EXPECT_EQ(ball.Targets.size(), c.Targets);
        EXPECT_EQ(ball.IsDone(), c.Targets == 0);
        if (c.Row[4] == 'B') {
            EXPECT_FALSE(field->Cell(0, 4).Element->IsLocked()) << "the box is neither struck nor locked";
        }
    }
}

TEST(FireBallTest, EdgeBallIsDoneAtOnceAndStaysAtItsStart) {
    TTestHost host;
    auto field = MakeField(host, {"12", "34"});
    TCrossFireBall ball(*field, 2, 100, -1, 0, field->Cell(0, 1));
    EXPECT_TRUE(ball.IsDone());
    EXPECT_EQ(ball.From.X, ball.To.X);
    EXPECT_EQ(ball.From.Y, ball.To.Y);
    EXPECT_EQ(ball.From.X, 48 + 25);
    EXPECT_EQ(TCrossFireBall::SpriteNameFor(-1, 0), "SpecialAct3");
    EXPECT_EQ(TCrossFireBall::SpriteNameFor(0, -1), "SpecialAct1");
}

TEST(FireBallTest, FreeingUnlocksTheElementsStillWaiting) {
    TTestHost host;
    auto field = MakeField(host, {"1234"});
    {
        TFireBall ball(*field, 2, 100, 0, 1, field->Cell(0, 0));
        host.Tick(0.07);
        ball.Update();
        EXPECT_TRUE(field->Cell(0, 1).Element->IsDying());
        // The struck marble is freed before the ball; the ball must not touch it.
        host.Tick(1.0);
        field->Cell(0, 1).Element->Draw();
        field->RemoveDeadElements();
        EXPECT_TRUE(field->Cell(0, 2).Element->IsLocked());
    }
    EXPECT_FALSE(field->Cell(0, 2).Element->IsLocked());
    EXPECT_FALSE(field->Cell(0, 3).Element->IsLocked());
}

} // namespace
} // namespace qm
