#include "UGAnimotion.h"
#include "AnimTestSupport.h"
#include "TestHelpers.h"
#include "UGAppData.h"
#include "UGError.h"
#include "UGSprite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::ErrorText;

// ---- curves ----

TEST(CatmullRomTest, PositionsAtChosenTimes) {
    TGCatmullRom open;
    for (auto [time, value] : {std::pair{0.0, 0.0}, {1.0, 10.0}, {2.0, 30.0}, {3.0, 30.0}}) {
        open.AddKey(time, value);
    }
    // Worked out by hand from the Catmull-Rom form with the end keys doubled at the ends.
    struct {
        double T;
        double Expected;
    } cases[] = {
        {0.5, 3.75},   // first interval: P0 = P1 = 0, P2 = 10, P3 = 30
        {1.0, 10.0},   // on a key
        {1.5, 20.625}, // inner interval: 0, 10, 30, 30
        {2.5, 31.25},  // last interval: P3 = P2, the curve overshoots
        {3.0, 30.0},   // past the last interval: the last key
        {-1.0, 0.0},   // before the first key: the first key
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(open.GetP(c.T), c.Expected) << "t = " << c.T;
    }

    // A closed loop takes its neighbours across the T=0/T=1 point.
    TGCatmullRom loop;
    loop.AddKey(0.0, 0.0);
    loop.AddKey(0.5, 100.0);
    loop.AddKey(1.0, 0.0);
    EXPECT_DOUBLE_EQ(loop.GetP(0.25), 56.25) << "open: P0 = P1";
    loop.Closed = true;
    EXPECT_DOUBLE_EQ(loop.GetP(0.25), 50.0) << "closed: P0 = key[n-2] = 100";
    EXPECT_DOUBLE_EQ(loop.GetP(0.75), 50.0) << "closed: P3 = key[1] = 100";
    // Both neighbours of the joining key are 100, so the curve leaves it flat (an open curve
    // would leave it at a slope of 100 per unit of time, 0.1 after 0.001).
    EXPECT_LT(std::abs(loop.GetP(0.001)), 0.01) << "no kink where the loop closes";
    EXPECT_LT(std::abs(loop.GetP(0.999)), 0.01);
}

TEST(CatmullRomTest, KeysStaySortedAndNearTimesReplace) {
    TGCatmullRom curve;
    curve.AddKey(1.0, 1.0);
    curve.AddKey(0.0, 0.0);
    curve.AddKey(0.5, 5.0);
    curve.AddKey(0.5 + 5e-6, 7.0); // within 1e-5: replaces
    curve.AddKey(0.5 + 2e-5, 9.0); // beyond: a key of its own after it
    ASSERT_EQ(curve.KeyCount(), 4);
    EXPECT_EQ(curve.Key(1).Value, 7.0);
    EXPECT_EQ(curve.Key(2).Value, 9.0);
    EXPECT_EQ(curve.Key(3).Time, 1.0);

    TGCatmullRom single;
    single.AddKey(0.0, 1.0);
    EXPECT_EQ(ErrorText([&] { single.GetP(0.0); }), "TGCatmullRom.GetP: A curve needs 2 keys, it has 1");
}

// ---- time lines ----

class TimeLineTest : public ::testing::Test {
protected:
    // Steps the animotion n times by dt.
    void Step(int n, double dt) {
        for (int i = 0; i < n; ++i) {
            animotion.Update(dt);
        }
    }

    TGAnimotion animotion{nullptr, nullptr};
    TGActiveChannel& channel = animotion.GetChannel(0);
};

TEST_F(TimeLineTest, SegmentsFollowEachOtherAndFireTheirEventsOnce) {
    std::vector<std::string> events;
    TGMotionSeg& move = channel.AddMotionSeg();
    move.Length = 2.0;
    move.X.AddKey(1.0, 100.0);
    move.Tag = std::string("move");
    move.OnStart = [&](TGSegment&) { events.push_back("start move"); };
    move.OnFinish = [&](TGSegment&) { events.push_back("finish move"); };
    TGMotionSeg& rest = channel.AddMotionSeg();
    rest.Length = 1.0;
    rest.OnStart = [&](TGSegment&) { events.push_back("start rest"); };

    EXPECT_EQ(rest.StartTime, 2.0);
    EXPECT_EQ(rest.X.GetP(0.5), 100.0) << "captured where the moving segment ends";

    Step(1, 0.5);
    EXPECT_EQ(events, std::vector<std::string>{"start move"});
    EXPECT_EQ(std::any_cast<std::string>(channel.Tag), "move");
    Step(1, 0.5);
    // Evaluated at the time before the step (0.5 s, a quarter): 0.5 (100/4 + 300/16 - 200/64).
    EXPECT_DOUBLE_EQ(channel.X, 20.3125);
    Step(2, 0.5);
    EXPECT_EQ(events.size(), 1u) << "the step ending exactly on 2 s does not pass the end";
    EXPECT_FALSE(channel.IsFinished());
    Step(1, 0.5);
    EXPECT_EQ(events, (std::vector<std::string>{"start move", "finish move", "start rest"}));
    EXPECT_EQ(channel.X, 100.0);
    Step(1, 0.5);
    EXPECT_EQ(channel.Time(), 3.0);
    EXPECT_FALSE(channel.IsFinished()) << "the end is not yet passed";
    Step(1, 0.5);
    EXPECT_TRUE(channel.IsFinished());
    EXPECT_EQ(events.size(), 3u);
}

TEST_F(TimeLineTest, MotionsWithoutKeysHoldAndASingleMiddleKeyGoesThereAndBack) {
    channel.X = 7.0;
    channel.Color = 0x80102030;
    channel.AddMotionSeg().Length = 1.0;
    TGMotionSeg& there = channel.AddMotionSeg();
    there.Length = 1.0;
    there.Y.AddKey(0.5, 10.0);
    there.Alpha.AddKey(0.5, 1.0);

    Step(10, 0.1);
    EXPECT_EQ(channel.X, 7.0);
    EXPECT_EQ(channel.Color, 0x80102030u);
    Step(6, 0.1);
    EXPECT_NEAR(channel.Y, 10.0, 1e-9) << "at T = 0.5";
    EXPECT_EQ(channel.Color, 0xFF102030u);
    Step(5, 0.1);
    EXPECT_NEAR(channel.Y, 0.0, 1e-9) << "back to the captured state at T = 1";
    EXPECT_EQ(channel.Color, 0x80102030u);
}

TEST_F(TimeLineTest, SegmentsWithoutLengthEndAtOnceInTheirEndState) {
    for (double length : {0.0, -1.0}) {
        TGAnimotion shortLived(nullptr, nullptr);
        TGActiveChannel& c = shortLived.GetChannel(0);
        TGMotionSeg& jump = c.AddMotionSeg();
        jump.Length = length;
        jump.X.AddKey(1.0, 50.0);
        int finishes = 0;
        jump.OnFinish = [&](TGSegment&) { ++finishes; };
        EXPECT_TRUE(shortLived.IsFinished()) << "nothing left to play, length " << length;
        shortLived.Update(0.0);
        EXPECT_EQ(c.X, 50.0) << "a frame without time already shows the end, length " << length;
        shortLived.Update(0.01);
        shortLived.Update(0.01);
        EXPECT_EQ(c.X, 50.0);
        EXPECT_EQ(finishes, 1) << "length " << length;
    }
}

TEST_F(TimeLineTest, LoopsJumpBackAndNeverFinish) {
    std::vector<TGMotionSeg*> segments;
    for (int i = 0; i < 3; ++i) {
        segments.push_back(&channel.AddMotionSeg());
        segments.back()->Length = 1.0;
        if (i == 1) {
            segments.back()->X.AddKey(1.0, 10.0); // the third segment holds 10
        }
    }
    int starts = 0;
    segments[0]->OnStart = [&](TGSegment&) { ++starts; };
    segments[0]->SetLoopStart(true);
    segments[2]->SetLoopEnd(true);

    Step(13, 0.25); // the 13th step passes 3 s
    EXPECT_DOUBLE_EQ(channel.Time(), 0.0);
    EXPECT_EQ(channel.X, 10.0);
    EXPECT_FALSE(channel.IsFinished());
    Step(1, 0.25);
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(channel.X, 0.0) << "the first segment shows its own state again";

    segments[2]->SetLoopStart(false); // any segment clears the channel's loop start
    EXPECT_FALSE(segments[0]->IsLoopStart());
    Step(12, 0.25);
    EXPECT_TRUE(channel.IsFinished());
}

TEST_F(TimeLineTest, ClipsStepThroughFramesInEitherDirection) {
    TGClipSeg& clip = channel.AddClipSeg();
    clip.SeqId = "frames";
    clip.StartFrame = 5;
    clip.EndFrame = 2;
    clip.Length = 4.0;
    std::vector<int> shown;
    for (int i = 0; i < 45; ++i) {
        animotion.Update(0.1);
        if (shown.empty() || shown.back() != channel.Frame) {
            shown.push_back(channel.Frame);
        }
    }
    EXPECT_EQ(shown, (std::vector<int>{5, 4, 3, 2}));
    EXPECT_EQ(channel.SeqId, "frames");
}

TEST_F(TimeLineTest, AngleFollowsThePath) {
    struct {
        double DX, DY, Angle;
    } cases[] = {{0.0, 100.0, 90.0}, {0.0, -100.0, -90.0}, {-100.0, 100.0, 135.0}, {100.0, 0.0, 0.0}};
    for (const auto& c : cases) {
        TGAnimotion moving(nullptr, nullptr);
        TGActiveChannel& dot = moving.GetChannel(0);
        dot.Angle = 33.0;
        TGMotionSeg& move = dot.AddMotionSeg();
        move.Length = 1.0;
        move.AngleFollowByPath = true;
        move.Angle.AddKey(1.0, 70.0); // ignored while the angle follows the path
        move.X.AddKey(1.0, c.DX);
        move.Y.AddKey(1.0, c.DY);
        moving.Update(0.1);
        EXPECT_EQ(dot.Angle, 33.0) << "no movement yet, the angle stays";
        moving.Update(0.1);
        moving.Update(0.1);
        EXPECT_NEAR(dot.Angle, c.Angle, 1e-9) << c.DX << ", " << c.DY;
    }
}

TEST_F(TimeLineTest, SetTimeHoldsAtTheEndAndFiresNothing) {
    TGMotionSeg& move = channel.AddMotionSeg();
    move.Length = 2.0;
    int events = 0;
    move.OnStart = [&](TGSegment&) { ++events; };
    animotion.SetTime(5.0);
    EXPECT_EQ(channel.Time(), 2.0);
    animotion.SetTime(0.5);
    EXPECT_EQ(channel.Time(), 0.5);
    EXPECT_EQ(events, 0);
}

TEST_F(TimeLineTest, AHandlerMayReplaceTheTimeLineItRunsOn) {
    TGMotionSeg& first = channel.AddMotionSeg();
    first.Length = 0.5;
    channel.AddMotionSeg().Length = 1.0;
    int starts = 0;
    first.OnFinish = [&](TGSegment&) {
        animotion.ClearSegments();
        TGMotionSeg& next = animotion.AddMotionSeg(0);
        next.Length = 1.0;
        next.OnStart = [&](TGSegment&) { ++starts; };
    };
    Step(7, 0.1); // the sixth step passes 0.5 s
    EXPECT_EQ(channel.SegmentCount(), 1);
    EXPECT_EQ(starts, 1) << "the new segment begins at the next step";
}

// The animotion keeps only the channels up to the highest id made, so a handler that makes a
// higher one grows that list in the middle of a step.
TEST_F(TimeLineTest, AChannelAHandlerMakesAboveItsOwnAdvancesInTheSameStep) {
    TGMotionSeg& first = channel.AddMotionSeg();
    first.Length = 1.0;
    first.OnStart = [&](TGSegment&) { animotion.AddMotionSeg(200).Length = 1.0; };
    Step(1, 0.1);
    ASSERT_TRUE(animotion.HasChannel(200));
    EXPECT_FALSE(animotion.HasChannel(199));
    EXPECT_DOUBLE_EQ(animotion.GetChannel(200).Time(), 0.1);
    EXPECT_DOUBLE_EQ(channel.Time(), 0.1);
}

TEST_F(TimeLineTest, PausingFreezesEveryTimeLine) {
    channel.AddMotionSeg().Length = 1.0;
    animotion.SetPaused(true);
    Step(5, 0.1);
    EXPECT_EQ(channel.Time(), 0.0);
    animotion.SetPaused(false);
    Step(5, 0.1);
    EXPECT_DOUBLE_EQ(channel.Time(), 0.5);
}

TEST_F(TimeLineTest, AlignEndsPadsShorterChannelsWithHolds) {
    TGMotionSeg& move = channel.AddMotionSeg();
    move.Length = 1.0;
    move.X.AddKey(1.0, 4.0);
    TGActiveChannel& longer = animotion.GetChannel(3);
    longer.AddMotionSeg().Length = 3.0;
    TGActiveChannel& looping = animotion.GetChannel(7);
    looping.AddMotionSeg().SetLoopStart(true);
    looping.Segment(0).Length = 0.5;
    animotion.GetRoot().AddMotionSeg().Length = 5.0;

    animotion.AlignEnds();
    ASSERT_EQ(channel.SegmentCount(), 2);
    EXPECT_DOUBLE_EQ(channel.Segment(1).StartTime, 1.0);
    EXPECT_DOUBLE_EQ(channel.Segment(1).Length, 2.0);
    EXPECT_EQ(longer.SegmentCount(), 1);
    EXPECT_EQ(looping.SegmentCount(), 1) << "looping channels never end";
    EXPECT_EQ(animotion.GetRoot().SegmentCount(), 1) << "the root is not aligned";

    Step(35, 0.1);
    EXPECT_EQ(channel.X, 4.0) << "the padding holds the end state";
    EXPECT_TRUE(channel.IsFinished());
    EXPECT_TRUE(longer.IsFinished());

    // Channels part-way through their time line are aligned on what remains of it.
    TGAnimotion late(nullptr, nullptr);
    late.AddMotionSeg(0).Length = 4.0;
    late.Update(3.0);
    late.AddMotionSeg(1).Length = 2.0;
    late.AlignEnds();
    EXPECT_EQ(late.GetChannel(1).SegmentCount(), 1);
    ASSERT_EQ(late.GetChannel(0).SegmentCount(), 2);
    EXPECT_DOUBLE_EQ(late.GetChannel(0).Segment(1).Length, 1.0);
}

TEST(AnimotionTest, ChannelIdsAreCheckedAndClearingKeepsTheRoot) {
    TGAnimotion animotion(nullptr, nullptr);
    EXPECT_FALSE(animotion.HasChannel(255));
    animotion.GetChannel(255).Parent = &animotion.GetChannel(0);
    EXPECT_TRUE(animotion.HasChannel(255));
    EXPECT_FALSE(animotion.HasChannel(1));
    EXPECT_EQ(ErrorText([&] { animotion.GetChannel(256); }),
              "TGAnimotion.GetChannel: Range check error: channel id 256 is outside 0..255");
    EXPECT_EQ(ErrorText([&] { animotion.AddMotionSeg(-1); }),
              "TGAnimotion.GetChannel: Range check error: channel id -1 is outside 0..255");
    EXPECT_EQ(ErrorText([&] { animotion.UpdateByTimer(); }),
              "TGAnimotion.UpdateByTimer: The animotion has no timer");
    animotion.SetX(3.0);
    animotion.ClearChannels();
    EXPECT_FALSE(animotion.HasChannel(0));
    EXPECT_FALSE(animotion.HasChannel(255));
    EXPECT_EQ(animotion.GetX(), 3.0);
    EXPECT_TRUE(animotion.IsFinished());
}

// ---- drawing ----

class AnimotionDrawTest : public ::testing::Test {
protected:
    // Draws the animotion in a new frame; returns how many quads reached the renderer.
    int DrawnQuads() {
        art.NewFrame();
        int before = art.Backend().Draws;
        animotion.Render(false);
        return art.Backend().Draws - before;
    }

    test::TAnimArt art;
    TGAnimotion animotion{&art.ResManager(), nullptr};
};

TEST_F(AnimotionDrawTest, ChildrenArePlacedTurnedScaledAndTintedThroughTheirParents) {
    animotion.SetX(100.0);
    animotion.SetY(50.0);
    TGActiveChannel& arm = animotion.GetChannel(0);
    arm.X = 10.0;
    arm.Angle = 90.0; // a quarter turn clockwise: the child's x axis points down
    arm.Color = 0x80FF8040;
    TGActiveChannel& hand = animotion.GetChannel(1);
    hand.Parent = &arm;
    hand.X = 20.0;
    hand.ScaleX = 2.0;
    hand.SeqId = "anim/Box";
    hand.Pivot = pvLeftTop;
    hand.Blending = 2;

    ASSERT_EQ(DrawnQuads(), 1) << "the arm has no sequence and is not drawn itself";
    const test::TAnimArt::Vertex* quad = art.LastQuad();
    // The hand sits at (100 + 10, 50 + 20); its 20 pixels of width run down twice as long, its
    // 10 pixels of height run to the left. Quads sit half a pixel up and left.
    EXPECT_NEAR(quad[2].X, 109.5, 1e-4); // top-left
    EXPECT_NEAR(quad[2].Y, 69.5, 1e-4);
    EXPECT_NEAR(quad[3].X, 109.5, 1e-4); // top-right
    EXPECT_NEAR(quad[3].Y, 109.5, 1e-4);
    EXPECT_NEAR(quad[0].X, 99.5, 1e-4); // bottom-left
    EXPECT_NEAR(quad[0].Y, 69.5, 1e-4);
    // White times the root, the arm and the hand, byte by byte, each product shifted by 8.
    EXPECT_EQ(quad[0].Color, 0x7EFC7E3Eu);
    bool added = false;
    for (const std::string& call : art.Backend().Calls) {
        added = added || call == "blend 2";
    }
    EXPECT_TRUE(added);
}

TEST_F(AnimotionDrawTest, PivotsPlaceTheSpriteAroundThePosition) {
    TGActiveChannel& box = animotion.GetChannel(0);
    box.SeqId = "anim/Box"; // 20 x 10
    box.X = 100.0;
    box.Y = 100.0;
    box.PivotPoint = {3, 4};
    struct {
        uint8_t Pivot;
        double Left, Top;
    } cases[] = {{pvLeftMiddle, 100, 95}, {pvLeftTop, 100, 100},  {pvCenter, 90, 95},
                 {pvLeftBottom, 100, 90}, {pvCenterTop, 90, 100}, {pvBottomMiddle, 90, 90},
                 {pvPivotPoint, 97, 96}};
    for (const auto& c : cases) {
        box.Pivot = c.Pivot;
        ASSERT_EQ(DrawnQuads(), 1);
        EXPECT_NEAR(art.LastQuad()[2].X, c.Left - 0.5, 1e-4) << int(c.Pivot);
        EXPECT_NEAR(art.LastQuad()[2].Y, c.Top - 0.5, 1e-4) << int(c.Pivot);
    }
}

TEST_F(AnimotionDrawTest, HiddenParentsHideTheirChildrenAndTheRootHidesAll) {
    TGActiveChannel& parent = animotion.GetChannel(4);
    parent.SeqId = "anim/Box";
    TGActiveChannel& child = animotion.GetChannel(2);
    child.SeqId = "anim/Strip";
    child.Parent = &parent;
    EXPECT_EQ(DrawnQuads(), 2);
    parent.Visible = false;
    EXPECT_EQ(DrawnQuads(), 0);
    parent.Visible = true;
    animotion.SetVisible(false);
    EXPECT_EQ(DrawnQuads(), 0);
    EXPECT_FALSE(animotion.GetVisible());
}

TEST_F(AnimotionDrawTest, AOneShotAlphaReplacesTheAlphaOfTheNextDrawOnly) {
    TGActiveChannel& box = animotion.GetChannel(0);
    box.SeqId = "anim/Box";
    box.Color = 0xFF204060;
    box.SetAlpha(0.5);
    ASSERT_EQ(DrawnQuads(), 1);
    EXPECT_EQ(art.LastQuad()[0].Color, 0x801F3F5Fu);
    ASSERT_EQ(DrawnQuads(), 1);
    EXPECT_EQ(art.LastQuad()[0].Color, 0xFD1F3F5Fu) << "the root's white already costs one step";
}

TEST_F(AnimotionDrawTest, SequencesAreLookedUpAgainAfterTheResourcesChange) {
    TGActiveChannel& strip = animotion.GetChannel(0);
    strip.SeqId = "anim/Strip";
    strip.Frame = 49;
    EXPECT_EQ(DrawnQuads(), 1);
    EXPECT_EQ(strip.Sprite().PixelWidth(), 4);
    art.ResManager().SetResourceSet("");
    EXPECT_EQ(ErrorText([&] { DrawnQuads(); }), "TGResManager.GetSeq: Sequence \"anim/Strip\" not found");
    art.ResManager().SetResourceSet("All");
    EXPECT_EQ(DrawnQuads(), 1);
    strip.Frame = 50;
    EXPECT_EQ(ErrorText([&] { DrawnQuads(); }), "TGSequence.GetSprite: SeqId: anim/Strip, SpriteIdx: 50");
}

TEST_F(AnimotionDrawTest, ACycleOfParentsIsRejected) {
    TGActiveChannel& a = animotion.GetChannel(0);
    TGActiveChannel& b = animotion.GetChannel(1);
    a.SeqId = "anim/Box";
    a.Parent = &b;
    b.Parent = &a;
    EXPECT_EQ(ErrorText([&] { DrawnQuads(); }),
              "TGChannel.Draw: The parent chain is longer than 256 channels (Parent links make a cycle)");

    // Every channel in one line is the longest chain there can be, and it is accepted. (Its
    // white fades by one step per member, to nothing after 256 of them, so no quad comes out.)
    TGAnimotion line(&art.ResManager(), nullptr);
    for (int id = 1; id < IGAnimotion::ChannelCount; ++id) {
        line.GetChannel(id).Parent = &line.GetChannel(id - 1);
    }
    line.GetChannel(IGAnimotion::ChannelCount - 1).SeqId = "anim/Box";
    EXPECT_EQ(ErrorText([&] { line.Render(false); }), "(no error)");

    // A cycle made by code is found when XML hangs another channel under it.
    PGXMLNode node = test::ParseXml(R"(<A><Channel Id="5" Parent="0"/></A>)");
    EXPECT_EQ(
        ErrorText([&] { animotion.Import(*node); }),
        "TGAnimotion.Import: Parent 0 of channel 5 makes a cycle of Parent links (test.xml: A/Channel)");
}

// ---- the two clocks ----

class TClockAppData : public TGAppData {
public:
    using TGAppData::TGAppData;
    void ApplyVideoMode() override {}
};

TEST(AnimotionClockTest, TheGameAnimotionStopsWithTheGameClockAndTheInterfaceOneGoesOn) {
    test::TempDir dir;
    const fs::path startFolder = fs::current_path();
    TGManualTickSource ticks{1000};
    TGAppStartInfo info;
    info.ProgramFolder = test::CopyFixture("minimal", dir);
    info.UserFolder = dir.Path() / "user";
    info.Ticks = &ticks;
    {
        TClockAppData app(info);
        TGGameAnimotion game(app);
        TGInterfaceAnimotion menu(app);
        for (IGAnimotion* animotion : {static_cast<IGAnimotion*>(&game), static_cast<IGAnimotion*>(&menu)}) {
            TGMotionSeg& move = animotion->AddMotionSeg(0);
            move.Length = 1.0;
            move.X.AddKey(1.0, 100.0);
        }
        auto frame = [&] {
            ticks.Advance(10);
            app.UpdateTimers(true);
            game.Draw();
            menu.Draw();
        };
        for (int i = 0; i < 10; ++i) {
            frame();
        }
        EXPECT_NEAR(game.GetChannel(0).Time(), 0.1, 1e-9);
        EXPECT_NEAR(menu.GetChannel(0).Time(), 0.1, 1e-9);
        app.GameClock->Paused = true;
        frame(); // a step of no time still shows the state at the current time
        const double heldX = game.GetChannel(0).X;
        for (int i = 0; i < 9; ++i) {
            frame();
        }
        EXPECT_NEAR(game.GetChannel(0).Time(), 0.1, 1e-9);
        EXPECT_EQ(game.GetChannel(0).X, heldX);
        EXPECT_NEAR(menu.GetChannel(0).Time(), 0.2, 1e-9);
        EXPECT_GT(menu.GetChannel(0).X, heldX);
        EXPECT_EQ(TGAnimotion(app).Timer(), nullptr) << "a plain animotion has no clock";
    }
    fs::current_path(startFolder);
}

// ---- XML ----

TEST_F(AnimotionDrawTest, ImportReadsChannelsSegmentsAndKeys) {
    PGXMLNode node = test::ParseXml(R"(<Animotion>
        <Channel Id="3" X="1,5" Y="-2" Angle="45" ScaleX="2" ScaleY="0,5" Visible="0" Pivot="Center"
                 SeqId="anim/Box" Frame="0" Blending="Mul" Color="$80FF0000"/>
        <Channel Id="7" Parent="3">
          <Segment Type="Clip" SeqId="anim/Strip" FPS="25" Length="9" EndFrame="3" Pivot="CenterTop"/>
          <Segment Type="Clip" SeqId="anim/Strip" StartFrame="4" EndFrame="2" Length="1,5" LoopStart="1"/>
          <Segment Type="Motion" Length="2" ClosedX="1" AngleFollowByPath="1" LoopEnd="1">
            <X T="0,5">10,25</X> <X T="1">0</X> <Alpha T="0,5">0,5</Alpha> <Color T="0,5">$FF8001</Color>
            <Color T="1">65280</Color>
          </Segment>
          <Segment Type="Motion" StartTime="10" LoopStart="0"/>
        </Channel>
        <Channel Parent="4"/>
      </Animotion>)");
    animotion.Import(*node);

    TGActiveChannel& c3 = animotion.GetChannel(3);
    EXPECT_EQ(c3.X, 1.5);
    EXPECT_EQ(c3.Y, -2.0);
    EXPECT_EQ(c3.Angle, 45.0);
    EXPECT_EQ(c3.ScaleX, 2.0);
    EXPECT_EQ(c3.ScaleY, 0.5);
    EXPECT_FALSE(c3.Visible);
    EXPECT_EQ(c3.Pivot, pvCenter);
    EXPECT_EQ(c3.SeqId, "anim/Box");
    EXPECT_EQ(c3.Blending, 3);
    EXPECT_EQ(c3.Color, 0x80FF0000u);
    EXPECT_EQ(c3.SegmentCount(), 0);

    TGActiveChannel& c7 = animotion.GetChannel(7);
    EXPECT_EQ(c7.Parent, &c3);
    ASSERT_EQ(c7.SegmentCount(), 4);
    auto& fps = dynamic_cast<TGClipSeg&>(c7.Segment(0));
    EXPECT_EQ(fps.Length, 2.0) << "50 frames at 25 per second, whatever Length says";
    EXPECT_EQ(fps.StartFrame, 0);
    EXPECT_EQ(fps.EndFrame, 49);
    EXPECT_EQ(fps.Pivot, pvCenterTop);
    auto& back = dynamic_cast<TGClipSeg&>(c7.Segment(1));
    EXPECT_EQ(back.StartTime, 2.0);
    EXPECT_EQ(back.StartFrame, 4);
    EXPECT_EQ(back.EndFrame, 2);
    EXPECT_EQ(back.Pivot, pvCenterTop) << "captured from where the first clip ends";
    auto& move = dynamic_cast<TGMotionSeg&>(c7.Segment(2));
    EXPECT_EQ(move.StartTime, 3.5);
    EXPECT_TRUE(move.X.Closed);
    EXPECT_FALSE(move.Y.Closed);
    EXPECT_TRUE(move.AngleFollowByPath);
    ASSERT_EQ(move.X.KeyCount(), 3);
    EXPECT_EQ(move.X.Key(1).Value, 10.25);
    EXPECT_EQ(move.Alpha.Key(1).Value, 0.5);
    ASSERT_EQ(move.Red.KeyCount(), 3);
    EXPECT_EQ(move.Red.Key(1).Value, 255.0);
    EXPECT_EQ(move.Green.Key(1).Value, 128.0);
    EXPECT_EQ(move.Blue.Key(1).Value, 1.0);
    EXPECT_EQ(move.Green.Key(2).Value, 255.0) << "65280 is 0x00FF00";
    EXPECT_EQ(move.Red.Key(2).Value, 0.0);
    EXPECT_TRUE(move.IsLoopEnd());
    EXPECT_EQ(c7.Segment(3).StartTime, 10.0);
    EXPECT_EQ(c7.LoopStart, nullptr) << "the last segment switched the loop off";
    EXPECT_TRUE(animotion.HasChannel(0)) << "Id defaults to 0";
    EXPECT_EQ(animotion.GetChannel(0).Parent, &animotion.GetChannel(4));
}

TEST_F(AnimotionDrawTest, ImportErrorsNameWhatIsWrongAndWhere) {
    struct {
        const char* Xml;
        const char* Error;
    } cases[] = {
        {R"(<A><Channel Pivot="Middle"/></A>)",
         "StrToPivot: Unknown pivot name \"Middle\" (test.xml: A/Channel)"},
        {R"(<A><Channel Blending="Over"/></A>)",
         "StrToBlending: Unknown blending name \"Over\" (test.xml: A/Channel)"},
        {R"(<A><Channel Id="256"/></A>)",
         "TGAnimotion.Import: Range check error: channel id 256 is outside 0..255 (test.xml: A/Channel)"},
        {R"(<A><Channel Parent="-1"/></A>)",
         "TGAnimotion.Import: Range check error: channel id -1 is outside 0..255 (test.xml: A/Channel)"},
        {R"(<A><Channel Id="1" Parent="2"/><Channel Id="2" Parent="1"/></A>)",
         "TGAnimotion.Import: Parent 1 of channel 2 makes a cycle of Parent links (test.xml: A/Channel)"},
        {R"(<A><Channel Parent="0"/></A>)",
         "TGAnimotion.Import: Parent 0 of channel 0 makes a cycle of Parent links (test.xml: A/Channel)"},
        {R"(<A><Channel><Segment Type="Tween"/></Channel></A>)",
         "TGAnimotion.Import: Unknown segment type \"Tween\" (test.xml: A/Channel/Segment)"},
        {R"(<A><Channel><Segment Length="1"/></Channel></A>)",
         "Attribute \"Type\" not found (element A/Channel/Segment in \"test.xml\")"},
        {R"(<A><Channel><Segment Type="Clip"/></Channel></A>)",
         "Attribute \"SeqId\" not found (element A/Channel/Segment in \"test.xml\")"},
        {R"(<A><Channel><Segment Type="Clip" SeqId="" FPS="10"/></Channel></A>)",
         "TGClipSeg.Seq: The clip has no sequence (test.xml: A/Channel/Segment)"},
        {R"(<A><Channel><Segment Type="Clip" SeqId="anim/Box" FPS="0"/></Channel></A>)",
         "TGClipSeg.SetFPS: FPS must be above 0, not 0 (test.xml: A/Channel/Segment)"},
        {R"(<A><Channel><Segment Type="Clip" SeqId="nope" FPS="10"/></Channel></A>)",
         "TGResManager.GetSeq: Sequence \"nope\" not found (test.xml: A/Channel/Segment)"},
        {R"(<A><Channel><Segment Type="Motion"><X T="0,5">1.5</X></Segment></Channel></A>)",
         "TGMotionSeg.Import: \"1.5\" is not a valid floating point value (test.xml: A/Channel/Segment/X)"},
        {R"(<A><Channel><Segment Type="Motion"><Y>1</Y></Segment></Channel></A>)",
         "Attribute \"T\" not found (element A/Channel/Segment/Y in \"test.xml\")"},
        {R"(<A><Channel><Segment Type="Motion"><Color T="0">$100000000</Color></Segment></Channel></A>)",
         "TGMotionSeg.Import: Range check error: colour \"$100000000\" does not fit in 32 bits "
         "(test.xml: A/Channel/Segment/Color)"},
        {R"(<A><Channel><Segment Type="Motion"><Color T="0">-1</Color></Segment></Channel></A>)",
         "TGMotionSeg.Import: Range check error: colour \"-1\" does not fit in 32 bits "
         "(test.xml: A/Channel/Segment/Color)"},
        {R"(<A><Channel><Segment Type="Motion"><Color T="0">$FG</Color></Segment></Channel></A>)",
         "TGMotionSeg.Import: \"$FG\" is not a valid integer value (test.xml: A/Channel/Segment/Color)"},
    };
    for (const auto& c : cases) {
        TGAnimotion fresh(&art.ResManager(), nullptr);
        PGXMLNode node = test::ParseXml(c.Xml);
        EXPECT_EQ(ErrorText([&] { fresh.Import(*node); }), c.Error) << c.Xml;
    }
    EXPECT_EQ(ErrorText([&] {
                  test::ParseXml(R"(<A><Channel Color="4294967296"/></A>)");
              }).rfind("TGXMLNode.Create: Range check error", 0),
              0u)
        << "a channel colour beyond 32 bits is refused by the XML layer";
}

// ---- builders ----

TEST_F(AnimotionDrawTest, BuiltClipsPlayTheirWholeSequenceOnceOrInALoopUnderTheirParent) {
    struct TCase {
        int Channel, Parent;
        std::string Seq;
        uint8_t Pivot;
        double Fps;
        bool Loop;
        int EndFrame;
        double Length;
    };
    const std::vector<TCase> cases = {
        {3, 1, "anim/Strip", pvCenter, 25.0, true, 49, 2.0},
        {4, 0, "anim/Box", pvLeftTop, 10.0, false, 0, 0.1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Seq);
        TGClipSeg& clip = AddClip(animotion, c.Channel, c.Parent, c.Seq, c.Pivot, c.Fps, c.Loop, c.Loop);
        TGActiveChannel& channel = animotion.GetChannel(c.Channel);
        EXPECT_EQ(&channel.Segment(0), &clip);
        EXPECT_EQ(clip.SeqId, c.Seq);
        EXPECT_EQ(clip.Pivot, c.Pivot);
        EXPECT_EQ(clip.StartFrame, 0);
        EXPECT_EQ(clip.EndFrame, c.EndFrame);
        EXPECT_DOUBLE_EQ(clip.Length, c.Length);
        EXPECT_EQ(channel.Parent, &animotion.GetChannel(c.Parent));
        EXPECT_EQ(channel.LoopStart, c.Loop ? &clip : nullptr);
        EXPECT_EQ(channel.LoopEnd, c.Loop ? &clip : nullptr);
    }
    // A step shows the time it starts from; a step without time shows where it stands.
    animotion.Update(1.0);
    animotion.Update(0.0);
    EXPECT_EQ(animotion.GetChannel(3).Frame, 24) << "half way through the strip";
    animotion.Update(5.0);
    EXPECT_FALSE(animotion.GetChannel(3).IsFinished()) << "the looping clip plays on";
    EXPECT_TRUE(animotion.GetChannel(4).IsFinished());
    EXPECT_EQ(ErrorText([&] { AddClip(animotion, 5, 1, "anim/None", pvCenter, 25.0, false, false); }),
              "TGResManager.GetSeq: Sequence \"anim/None\" not found");
    EXPECT_EQ(ErrorText([&] { AddClip(animotion, 5, 1, "anim/Box", pvCenter, 0.0, false, false); }),
              "TGClipSeg.SetFPS: FPS must be above 0, not 0");
}

TEST_F(AnimotionDrawTest, ABuiltMoveRunsStraightFadingAndTurningAndHoldsTheRest) {
    TGActiveChannel& channel = animotion.GetChannel(2);
    channel.X = 500.0;
    channel.ScaleX = 3.0;
    channel.Color = 0xFF204060;
    TGMotionSeg& move = AddMove(animotion, 2, 10.0, 20.0, 110.0, 70.0, 2.0, 1.0, 0.0, 0.0, 90.0);
    EXPECT_DOUBLE_EQ(move.Length, 2.0);
    for (const TGCatmullRom* curve : {&move.X, &move.Y, &move.Alpha, &move.Angle}) {
        EXPECT_EQ(curve->KeyCount(), 2) << "the given ends replace the captured ones";
    }
    struct TSample {
        double Step;
        double X, Y, Angle;
        uint32_t Alpha;
    };
    const std::vector<TSample> samples = {
        {0.0, 10.0, 20.0, 0.0, 0xFF},
        {1.0, 60.0, 45.0, 45.0, 0x80},
        {1.5, 110.0, 70.0, 90.0, 0x00},
    };
    for (const TSample& sample : samples) {
        // A step shows the time it starts from; a step without time shows where it stands.
        animotion.Update(sample.Step);
        animotion.Update(0.0);
        SCOPED_TRACE(channel.Time());
        EXPECT_NEAR(channel.X, sample.X, 1e-9);
        EXPECT_NEAR(channel.Y, sample.Y, 1e-9);
        EXPECT_NEAR(channel.Angle, sample.Angle, 1e-9);
        EXPECT_EQ(channel.Color >> 24, sample.Alpha);
        EXPECT_EQ(channel.Color & 0x00FFFFFF, 0x204060u);
        EXPECT_DOUBLE_EQ(channel.ScaleX, 3.0);
    }
}

} // namespace
} // namespace qm
