#include "UGEffect.h"
#include "AnimTestSupport.h"
#include "TestHelpers.h"
#include "UGAppData.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qm {
namespace {

class TEffectAppData : public TGAppData {
public:
    using TGAppData::TGAppData;
    void ApplyVideoMode() override {}
};

// Effects on the application data of the minimal fixture; every frame moves the clocks 10 ms.
class EffectTest : public ::testing::Test {
protected:
    void SetUp() override {
        info.ProgramFolder = test::CopyFixture("minimal", dir);
        info.UserFolder = dir.Path() / "user";
        info.Ticks = &ticks;
        app = std::make_unique<TEffectAppData>(info);
    }
    void TearDown() override {
        app.reset();
        std::filesystem::current_path(startFolder);
    }
    PGEffect Create(const std::string& xml) { return CreateEffectFromXML(*app, *test::ParseXml(xml)); }
    // Runs frames until the effect finishes; returns how many it took (or -1 after `limit`).
    int FramesUntilFinished(IGEffect& effect, int limit) {
        for (int frame = 0; frame < limit; ++frame) {
            if (effect.IsFinished()) {
                return frame;
            }
            ticks.Advance(10);
            app->UpdateTimers(true);
            effect.Draw(0.0, 0.0);
        }
        return -1;
    }

    const std::filesystem::path startFolder = std::filesystem::current_path();
    test::TempDir dir;
    TGManualTickSource ticks{1000};
    TGAppStartInfo info;
    std::unique_ptr<TEffectAppData> app;
};

// Two animotions: one that ends after 0.1 s, one after 0.305 s.
const char* const TwoLengths = R"(<ShowEffect Type="AniEffect">
    <Animotion><Channel><Segment Type="Motion" Length="0,1"/></Channel></Animotion>
    <Animotion><Channel><Segment Type="Motion" Length="0,305"><X T="1">50</X></Segment></Channel></Animotion>
  </ShowEffect>)";

TEST_F(EffectTest, AnEffectEndsWithItsLongestAnimotionAndStartsAgainFromZero) {
    PGEffect effect = Create(TwoLengths);
    auto& ani = dynamic_cast<TGAniEffect&>(*effect);
    ASSERT_EQ(ani.Animotions().size(), 2u);
    effect->Start();
    // The longer animotion is over in the step that passes 0.305 s: the 31st of 10 ms.
    EXPECT_EQ(FramesUntilFinished(*effect, 100), 31);
    EXPECT_TRUE(ani.Animotions()[0]->IsFinished());
    effect->Start();
    EXPECT_FALSE(effect->IsFinished());
    for (const PGAnimotion& animotion : ani.Animotions()) {
        EXPECT_EQ(animotion->GetChannel(0).Time(), 0.0);
        EXPECT_FALSE(animotion->IsFinished());
    }
    EXPECT_EQ(FramesUntilFinished(*effect, 100), 31);
}

TEST_F(EffectTest, ChannelZeroIsPlacedOnTheWidgetAndItsChildrenFollow) {
    PGEffect effect = Create(R"(<HideEffect Type="AniEffect"><Animotion>
        <Channel Id="0"/><Channel Id="1" Parent="0" X="5"/><Channel Id="2" X="7"/>
      </Animotion></HideEffect>)");
    const PGAnimotion& animotion = dynamic_cast<TGAniEffect&>(*effect).Animotions().at(0);
    effect->Start();
    effect->Draw(120.0, 80.0);
    EXPECT_EQ(animotion->GetChannel(0).X, 120.0);
    EXPECT_EQ(animotion->GetChannel(0).Y, 80.0);
    EXPECT_EQ(animotion->GetChannel(1).X, 5.0) << "a child keeps its place relative to channel 0";
    EXPECT_EQ(animotion->GetChannel(2).X, 7.0) << "channels that are not children stay where they are";
}

TEST_F(EffectTest, EffectsWithoutAnythingToPlayAreFinishedAtOnce) {
    for (const char* xml : {R"(<ShowEffect Type="AniEffect"/>)",
                            R"(<ShowEffect Type="AniEffect"><Animotion><Channel/></Animotion></ShowEffect>)",
                            R"(<ShowEffect Type="AniEffect"><Animotion><Channel>
                                 <Segment Type="Motion" Length="0"><Alpha T="1">0</Alpha></Segment>
                               </Channel></Animotion></ShowEffect>)",
                            R"(<ShowEffect Type="AniEffect"><Animotion><Channel>
                                 <Segment Type="Motion" Length="-2"/></Channel></Animotion></ShowEffect>)"}) {
        PGEffect effect = Create(xml);
        effect->Start();
        EXPECT_TRUE(effect->IsFinished()) << xml;
    }
}

TEST_F(EffectTest, OnlyAniEffectsAreKnown) {
    EXPECT_EQ(test::ErrorText([&] { Create(R"(<ShowEffect Type="Dissolve"/>)"); }),
              "CreateEffectFromXML: Unknown effect type: Dissolve (test.xml: ShowEffect)");
    EXPECT_EQ(test::ErrorText([&] { Create(R"(<ShowEffect/>)"); }),
              "Attribute \"Type\" not found (element ShowEffect in \"test.xml\")");
    EXPECT_EQ(
        test::ErrorText([&] {
            Create(R"(<ShowEffect Type="AniEffect"><Animotion><Channel Id="300"/></Animotion></ShowEffect>)");
        }),
        "TGAnimotion.Import: Range check error: channel id 300 is outside 0..255 "
        "(test.xml: ShowEffect/Animotion/Channel)");
}

} // namespace
} // namespace qm
