#include "UGCursor.h"
#include "WidgetTestApp.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(CursorTest, FollowsThePointerUnlessTheSystemArrowIsShown) {
    test::WidgetTestApp test;
    TCursor cursor(test.App());
    TGActiveChannel& arrow = cursor.Animotion()->GetChannel(0);
    ASSERT_EQ(arrow.SegmentCount(), 1);
    EXPECT_EQ(dynamic_cast<TGClipSeg&>(arrow.Segment(0)).SeqId, "stuff/Cursor");
    EXPECT_EQ(dynamic_cast<TGClipSeg&>(arrow.Segment(0)).Pivot, pvLeftTop);
    cursor.Draw(120, 80);
    EXPECT_TRUE(cursor.DrewLastTime());
    EXPECT_EQ(arrow.X, 120.0);
    EXPECT_EQ(arrow.Y, 80.0);
    cursor.SetVisible(false);
    EXPECT_FALSE(cursor.GetVisible());
    cursor.Draw(130, 90);
    EXPECT_FALSE(cursor.DrewLastTime());
    EXPECT_EQ(arrow.X, 130.0) << "a hidden cursor still follows";
    cursor.SetVisible(true);
    test.App().ShowSystemCursor = true;
    cursor.Draw(140, 100);
    EXPECT_FALSE(cursor.DrewLastTime()) << "the system arrow stands in";
    EXPECT_EQ(arrow.X, 130.0);
}

TEST(CursorTest, OnlyANewKindRestartsTheArrow) {
    test::WidgetTestApp test;
    TCursor cursor(test.App());
    EXPECT_EQ(cursor.Kind(), 1);
    test.SetInterfaceStep(0.02);
    cursor.Draw(0, 0);
    cursor.Draw(0, 0);
    const double running = cursor.Animotion()->GetChannel(0).Time();
    EXPECT_GT(running, 0.0);
    cursor.SetKind(1);
    EXPECT_EQ(cursor.Animotion()->GetChannel(0).Time(), running);
    cursor.SetKind(2);
    EXPECT_EQ(cursor.Kind(), 2);
    EXPECT_EQ(cursor.Animotion()->GetChannel(0).Time(), 0.0);
    EXPECT_EQ(cursor.Animotion()->GetChannel(0).SegmentCount(), 1);
}

} // namespace
} // namespace qm
