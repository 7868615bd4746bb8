#include "UElements.h"

#include "PlayTestHost.h"
#include "TestHelpers.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::TTestHost;

void Frame(TTestHost& host, TSimpleElement& element, double seconds) {
    host.Tick(seconds);
    element.Draw();
}

TEST(ElementTest, SelectionShowsFromTheNextFrameAndDeselectionAtOnce) {
    TTestHost host;
    auto marble = NewElement<TMarble>(host, 24, 24, '3');
    EXPECT_EQ(marble->SpriteName, "elements/Marble3");
    marble->Select();
    EXPECT_EQ(marble->SpriteName, "elements/Marble3");
    Frame(host, *marble, 0.01);
    EXPECT_EQ(marble->SpriteName, "elements/Marble3Sel");
    marble->Deselect();
    EXPECT_EQ(marble->SpriteName, "elements/Marble3");
    marble->SetColor('5');
    Frame(host, *marble, 0.01);
    EXPECT_EQ(marble->SpriteName, "elements/Marble5");
}

// Three cells of 60 pixels at 0.004 s per pixel.
TEST(ElementTest, MoveLastsTheLongerAxisTimesTheSpeed) {
    TTestHost host;
    auto marble = NewElement<TMarble>(host, 30, 30, '1');
    marble->MoveTo({30, 30}, {40, 210}, 0.004);
    for (int i = 0; i < 71; ++i) {
        Frame(host, *marble, 0.01);
    }
    EXPECT_FALSE(marble->IsIdle()) << "0.71 s";
    EXPECT_LT(marble->Y, 210);
    Frame(host, *marble, 0.02);
    EXPECT_TRUE(marble->IsIdle()) << "0.73 s";
    EXPECT_EQ(marble->GetPosition().X, 40);
    EXPECT_EQ(marble->GetPosition().Y, 210);
    // A second move starts from where the first ended, even long after.
    Frame(host, *marble, 5.0);
    marble->MoveTo({40, 210}, {40, 150}, 0.01);
    for (int i = 0; i < 30; ++i) {
        Frame(host, *marble, 0.01);
    }
    EXPECT_FALSE(marble->IsIdle());
    EXPECT_NEAR(marble->Y, 181, 3);
}

// A marble that loses its selection as it starts to fall, or changes colour on the way, still
// lands in its cell: the new picture must not cost it its journey.
TEST(ElementTest, ASpriteChangeDuringAMoveKeepsTheMove) {
    TTestHost host;
    auto marble = NewElement<TMarble>(host, 30, 30, '1');
    marble->Select();
    Frame(host, *marble, 0.01);
    marble->MoveTo({30, 30}, {30, 130}, 0.004);
    Frame(host, *marble, 0.1);
    marble->Deselect();
    Frame(host, *marble, 0.1);
    marble->SetColor('4');
    Frame(host, *marble, 0.1);
    EXPECT_FALSE(marble->IsIdle()) << "0.3 s of 0.4 s";
    EXPECT_GT(marble->Y, 40);
    EXPECT_LT(marble->Y, 130);
    for (int i = 0; i < 10 && !marble->IsIdle(); ++i) {
        Frame(host, *marble, 0.1);
    }
    EXPECT_TRUE(marble->IsIdle());
    EXPECT_EQ(marble->GetPosition().Y, 130);
    EXPECT_EQ(marble->SpriteName, "elements/Marble4");
}

TEST(ElementTest, DeathShrinksMarblesAndHidesBoxesAtOnce) {
    TTestHost host;
    auto marble = NewElement<TMarble>(host, 24, 24, '2');
    auto box = NewElement<TBoxElement>(host, 24, 72, 2, "elements/box02");
    marble->Kill(0);
    marble->Kill(0);
    EXPECT_EQ(host.MarblesKilled, 1) << "a marble dies once";
    box->Kill(0);
    EXPECT_TRUE(box->IsDying());
    EXPECT_TRUE(box->IsIdle());
    EXPECT_FALSE(box->Animotion->GetVisible());
    EXPECT_FALSE(marble->IsIdle());
    Frame(host, *marble, 0.29);
    EXPECT_FALSE(marble->IsIdle());
    Frame(host, *marble, 0.02);
    EXPECT_TRUE(marble->IsIdle());
    EXPECT_TRUE(marble->IsDying());
}

TEST(ElementTest, ClonesKeepColourKindAndPlace) {
    TTestHost host;
    auto marble = NewElement<TMarble>(host, 10, 20, '7');
    auto copy = marble->Clone();
    auto* cloned = dynamic_cast<TMarble*>(copy.get());
    ASSERT_NE(cloned, nullptr);
    EXPECT_EQ(cloned->Color, '7');
    EXPECT_EQ(cloned->ColorNumber, 7);
    EXPECT_EQ(cloned->X, 10);
    auto box = NewElement<TBoxElement>(host, 5, 6, 2, "elements/box02");
    auto* boxCopy = dynamic_cast<TBoxElement*>(box->Clone().release());
    ASSERT_NE(boxCopy, nullptr);
    EXPECT_EQ(boxCopy->BoxKind, 2);
    EXPECT_EQ(boxCopy->GetSpriteName(), "elements/box02");
    delete boxCopy;
}

TEST(ElementTest, SpecialsOfKindsWithoutAClassAreRefused) {
    TTestHost host;
    for (int kind : {0, 9, 16}) {
        test::ExpectError([&] { host.CreateSpecial(kind, 0, 0); }, "TGameManager.SpecialKindClass");
    }
    auto special = host.CreateSpecial(2, 0, 0);
    EXPECT_EQ(special->Kind(), 2);
    EXPECT_EQ(special->SpriteName, "specials/2/Special");
    special->Select();
    EXPECT_EQ(special->GetSpriteName(), "specials/2/SpecialSel");
}

} // namespace
} // namespace qm
