#include "UGameScreen.h"

#include "Common/core/widgets/WidgetTestApp.h"
#include "UBars.h"
#include "UCoreStates.h"
#include "UGKeys.h"
#include "UGWidLabel.h"
#include "UGWidgetClasses.h"
#include "game/play/BarTestHost.h"
#include "game/play/PlayTestHost.h"

#include <gtest/gtest.h>

#include <cmath>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace qm {
namespace {

// Every widget the screen looks up, in the plain style of the widget fixture.
std::string ScreenXml() {
    std::string xml =
        R"(<R><Widget Type="GameScreen" Name="GameScreen" Style="Plain" Width="800" Height="600">
      <Widget Type="Widget" Name="InGameMenu" Style="Plain" Width="226" Height="350">
        <Widget Type="Widget" Name="PanelInfoImage" Style="Plain"/>
        <Widget Type="Button" Name="ShuffleBtn" Style="Plain" X="132" Y="229" Width="52" Height="52"/>
        <Widget Type="Button" Name="MenuBtn" Style="Plain" X="40" Y="290" Width="52" Height="52"/>
        <Widget Type="Button" Name="ExitBtn" Style="Plain" X="122" Y="290" Width="52" Height="52"/>
        <Widget Type="Label" Name="ScoresValueLabel" Style="Plain"/>
        <Widget Type="Label" Name="BricksValueLabel" Style="Plain"/>
        <Widget Type="Label" Name="ScoreMultiplyMode" Style="Plain"/>
      </Widget>)";
    for (const char* name : {"BackgroundWidget", "SkyWidget", "CloudsWidget", "ConstructionWidget",
                             "BeforeWorkZoneWidget", "WorkZoneWidget", "AfterWorkZoneWidget",
                             "TimeLineWidget", "FieldWidget", "BrickWidget", "StateQueueWidget"}) {
        xml += std::string(R"(<Widget Type="Widget" Style="Plain" Name=")") + name + R"("/>)";
    }
    xml += R"(<Widget Type="Widget" Name="IntfTip" Style="Plain" Visible="0">
        <Widget Type="Label" Name="Text" Style="Plain"/></Widget>)";
    for (const char* name : {"TipDialog", "PauseDialog", "HelpDialog", "OptionsDialog", "StageCompleteDialog",
                             "SecretMapDialog", "LossLifeDialog1", "LossLifeDialog2", "GameOverDialog"}) {
        xml += std::string(R"(<Widget Type="Dialog" Style="Plain" Modal="1" Visible="0" Name=")") + name +
               R"("><Widget Type="Button" Name="OkBtn" Style="Plain"/></Widget>)";
    }
    return xml + "</Widget></R>";
}

const char* const GameConfigXml = R"(<G>
  <GamesAni><BonusReady><Channel Id="0"><Segment Type="Motion" Length="3"/></Channel></BonusReady></GamesAni>
  <IntfTip Id="Shuffle" HotX="132" HotY="229" HotWidth="52" HotHeight="52" TipX="60" TipY="196" Text="Shuffle"/>
  <IntfTip Id="ExtraBonus" HotX="13" HotY="520" HotWidth="62" HotHeight="76" TipX="20" TipY="486" Text="Bonus"/>
</G>)";

// Stands for any bonus state: the screen only asks whether one is queued.
class TFakeBonusState : public TGameState {
public:
    using TGameState::TGameState;
    bool IsBonusState() const override { return true; }
};

// Receives the keys the screen passes on to play.
class TKeyState : public TGameState {
public:
    using TGameState::TGameState;
    void KeyDown(int key, const TGInputState&) override { Keys.push_back(key); }
    std::vector<int> Keys;
};

class TScreenManager : public IPlayManager {
public:
    TGameData* GameData() override { return nullptr; }
    TField* CurrentField() override { return nullptr; }
    void PausePlay() override {}
    void ResumePlay() override {}
    // The board of these tests never turns into another sublevel.
    bool PlanBoardChange(bool /*won*/, bool /*fromFirst*/, TBoardChange& /*change*/) override {
        return false;
    }
    void SetLevelAndSubLevel(int /*level*/, int /*subLevel*/) override {}
    void RestartTimeBar() override {}
    ISecretMapPlay* SecretMaps() override { return nullptr; }
    void StartColorCellBlast(int /*x*/, int /*y*/) override {}
    bool MouseBonusArmed() const override { return Armed; }
    bool Armed = false;
};

class TScreenHost : public IGameScreenHost {
public:
    TGameStateQueue& StateQueue() override { return Queue; }
    TField* CurrentField() override { return nullptr; }
    TTimeBar* TimeBar() override { return nullptr; }
    TBrickBar* BrickBar() override { return nullptr; }
    TShuffleBar* ShuffleBar() override { return nullptr; }
    TBonusBar* BonusBar() override { return &Bonus; }
    PGXMLNode GameConfig() const override { return Config; }
    PGXMLNode CurrentLevelConfig() const override { return nullptr; }
    void PushBonusState(int kind) override {
        Kinds.push_back(kind);
        Queue.Push<TFakeBonusState>();
    }
    int SelectedBonusKind() const override { return Selected; }
    bool ShowTips() const override { return true; }
    bool LowVideoMemory() const override { return LowMemory; }
    void SetBricksInFlightHidden(bool hidden) override { BricksHidden = hidden; }

    TScreenManager Manager;
    TGameStateQueue Queue{&Manager};
    test::TBarTestHost Bars;
    TBonusBar Bonus{Bars};
    PGXMLNode Config = test::WidgetTestApp::Parse(GameConfigXml, "G.xml");
    std::vector<int> Kinds;
    int Selected = 0;
    bool LowMemory = true;
    bool BricksHidden = false;
};

class GameScreenTest : public ::testing::Test {
protected:
    GameScreenTest() {
        RegisterEngineWidgetClasses();
        RegisterGameScreenClasses();
        TGameScreen::SetHost(&Host);
    }
    ~GameScreenTest() override {
        Test.Manager().SetRoot(nullptr);
        TGameScreen::SetHost(nullptr);
    }

    // Builds the screen and shows it as the manager's root.
    TGameScreen& Open() {
        PGXMLNode root = test::WidgetTestApp::Parse(ScreenXml(), "screens.xml");
        std::unique_ptr<TGWidget> screen =
            CreateAbstract(Test.App(), TGXMLWidgetParams(root->GetCollection("Widget")->GetItem(0)));
        auto& result = dynamic_cast<TGameScreen&>(*screen);
        Test.Manager().SetRoot(std::move(screen));
        result.ShowScreen();
        return result;
    }

    // Frames of the screen's own update with the game clock at `step` seconds.
    void RunFrames(TGameScreen& screen, int frames, double step = 0.01) {
        Test.App().GameClock->Step = step;
        for (int i = 0; i < frames; ++i) {
            screen.UpdateFrame();
            Host.Queue.Update();
        }
    }

    TScreenHost Host;
    test::WidgetTestApp Test;
};

TGInputState Keys(bool alt) {
    TGInputState state;
    state.Keys[VK_MENU] = alt;
    return state;
}

TEST_F(GameScreenTest, PauseKeysToggleOnlyWhenNothingHoldsTheScreen) {
    struct TCase {
        const char* Name;
        int Key;
        bool Alt;
        const char* OpenDialog;
        bool Intro;
        bool Paused;
    };
    const TCase cases[] = {
        {"Escape", VK_ESCAPE, false, nullptr, false, true},
        {"Space", VK_SPACE, false, nullptr, false, true},
        {"Enter", VK_RETURN, false, nullptr, false, true},
        {"Alt+Enter", VK_RETURN, true, nullptr, false, false},
        {"Escape over the stage-complete dialog", VK_ESCAPE, false, "StageCompleteDialog", false, false},
        {"Escape over a loss dialog", VK_ESCAPE, false, "LossLifeDialog1", false, false},
        {"Escape during the intro", VK_ESCAPE, false, nullptr, true, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Host.LowMemory = !c.Intro;
        Host.Queue.Clear();
        auto& keys = Host.Queue.Push<TKeyState>();
        TGameScreen& screen = Open();
        Host.Queue.Update();
        EXPECT_EQ(screen.IntroRunning(), c.Intro);
        if (c.OpenDialog) {
            screen.ShowDialog(c.OpenDialog, nullptr);
        }
        screen.KeyDown(c.Key, Keys(c.Alt));
        EXPECT_EQ(screen.Paused(), c.Paused);
        EXPECT_EQ(Host.Queue.Paused(), c.Paused);
        EXPECT_EQ(Host.BricksHidden, c.Paused);
        // Alt+Enter belongs to the window (full screen), so play sees it; the pause keys it
        // does not.
        EXPECT_EQ(keys.Keys, c.Alt ? std::vector<int>{VK_RETURN} : std::vector<int>{});
        if (c.Paused) {
            screen.KeyDown(c.Key, Keys(c.Alt));
            EXPECT_FALSE(screen.Paused());
            EXPECT_FALSE(Host.BricksHidden) << "the bricks fly on in sight";
        }
    }
}

// The bricks in flight go out of sight with the pause, those thrown meanwhile too, and all come
// back with play.
TEST(WorkZoneTest, ThePauseHidesTheBricksInFlightUntilPlayResumes) {
    test::TBarTestHost host;
    TWorkZone zone(host);
    auto visible = [&zone] {
        return std::count_if(zone.Bricks().begin(), zone.Bricks().end(),
                             [](const auto& brick) { return brick->Visible(); });
    };
    zone.LaunchBricks(3, 400, 300);
    EXPECT_EQ(visible(), 3);
    zone.SetBricksInFlightHidden(true);
    zone.LaunchBricks(1, 300, 300);
    EXPECT_EQ(zone.BricksInFlight(), 4u);
    EXPECT_EQ(visible(), 0);
    zone.SetBricksInFlightHidden(false);
    EXPECT_EQ(visible(), 4);
}

TEST_F(GameScreenTest, AFullBonusBarCreatesOneBonusStateOfAValidKind) {
    struct TCase {
        int Selected;
        std::vector<int> Created;
    };
    // The save file keeps flags above the seventh bit.
    const TCase cases[] = {{4, {4}}, {15, {15}}, {0x80 | 7, {7}}, {3, {}}, {16, {}}, {0, {}}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Selected);
        Host.Queue.Clear();
        Host.Kinds.clear();
        Host.Bonus.ResetBar();
        Host.Bonus.Add(1.0);
        Host.Selected = c.Selected;
        TGameScreen& screen = Open();
        testing::internal::CaptureStderr();
        RunFrames(screen, 5);
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Host.Kinds, c.Created);
        EXPECT_GE(Host.Bonus.Total(), TBonusBar::ReadyAt) << "the bar stays full";
        const bool refused = c.Selected != 0 && c.Created.empty();
        // A refused kind is reported in one line, not once a frame, and play goes on.
        const size_t lines = static_cast<size_t>(std::count(errors.begin(), errors.end(), '\n'));
        EXPECT_EQ(lines, refused ? 1u : 0u) << errors;
        EXPECT_EQ(errors.find("TGameScreen.CreateBonusState") != std::string::npos, refused) << errors;
    }
}

TEST_F(GameScreenTest, TheBonusReadyHintStartsAtMostOnceAMinuteOfGameTime) {
    Host.Bonus.Add(1.0);
    Host.Selected = 4;
    TGameScreen& screen = Open();
    // One frame creates the bonus state and starts the hint at once.
    RunFrames(screen, 1, 1.0);
    EXPECT_EQ(screen.BonusReadyStarts(), 1);
    RunFrames(screen, 58, 1.0);
    EXPECT_EQ(screen.BonusReadyStarts(), 1);
    RunFrames(screen, 2, 1.0);
    EXPECT_EQ(screen.BonusReadyStarts(), 2);
    // Paused play does not count towards the minute.
    RunFrames(screen, 500, 0.0);
    EXPECT_EQ(screen.BonusReadyStarts(), 2);
    // An armed bonus is being aimed: no hint.
    Host.Manager.Armed = true;
    RunFrames(screen, 120, 1.0);
    EXPECT_EQ(screen.BonusReadyStarts(), 2);
    EXPECT_EQ(Host.Kinds, std::vector<int>{4});
}

TEST(BackAniScheduleTest, StartsAtWholeSecondsThatThePeriodDivides) {
    struct TCase {
        const char* Name;
        TBackAniSchedule::TEntry Entry;
        double Step;
        std::vector<int> Starts;
    };
    const TCase cases[] = {
        {"once, delay 5, period 3", {3, 5.0, true}, 0.01, {6}},
        {"once, at frames of 30 ms", {3, 5.0, true}, 0.03, {6}},
        {"repeating, delay 5, period 3", {3, 5.0, false}, 0.01, {6, 9, 12, 15, 18}},
        {"period 4, no delay", {4, 0.0, false}, 0.01, {4, 8, 12, 16, 20}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TBackAniSchedule schedule;
        schedule.Add(c.Entry);
        std::vector<int> starts;
        const int frames = static_cast<int>(20.5 / c.Step);
        for (int i = 0; i < frames; ++i) {
            if (!schedule.Step(c.Step).empty()) {
                starts.push_back(static_cast<int>(std::lround(schedule.Clock())));
            }
        }
        EXPECT_EQ(starts, c.Starts);
    }
}

TEST(BackAniScheduleTest, DrawsEachPeriodFromItsRange) {
    PGXMLNode level = test::WidgetTestApp::Parse(
        R"(<L><BackAni PeriodFrom="7" PeriodTo="7"/><BackAni PeriodFrom="2" PeriodTo="4" RunOnce="1"/></L>)",
        "L.xml");
    for (int round = 0; round < 20; ++round) {
        TBackAniSchedule schedule;
        schedule.Load(*level->GetCollection("BackAni"));
        ASSERT_EQ(schedule.Entries().size(), 2u);
        EXPECT_EQ(schedule.Entries()[0].Period, 7);
        EXPECT_GE(schedule.Entries()[1].Period, 2);
        EXPECT_LE(schedule.Entries()[1].Period, 4);
        EXPECT_TRUE(schedule.Entries()[1].RunOnce);
    }
}

TEST_F(GameScreenTest, TheExtraBonusTipNeedsAnExtraBonus) {
    struct TCase {
        int X;
        int Y;
        int Selected;
        int Tip;
    };
    const TCase cases[] = {
        {40, 550, 0, -1},  // the extra-bonus area without a bonus
        {40, 550, 4, 1},   // with one
        {13, 550, 4, -1},  // on the edge: not inside
        {150, 250, 0, 0},  // the shuffle tip needs nothing
        {400, 300, 4, -1}, // nowhere in particular
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.X << "," << c.Y << " bonus " << c.Selected);
        Host.Selected = c.Selected;
        TGameScreen& screen = Open();
        Test.Manager().MouseMove(c.X, c.Y);
        RunFrames(screen, 1);
        EXPECT_EQ(screen.CurrentIntfTip(), c.Tip);
        TGWidget& bubble = *screen.FindChild("IntfTip");
        EXPECT_EQ(bubble.IsVisible(), c.Tip >= 0);
        if (c.Tip >= 0) {
            EXPECT_EQ(dynamic_cast<TGWidLabel&>(bubble.GetChild("Text")).Caption,
                      c.Tip == 1 ? "Bonus" : "Shuffle");
        }
    }
}

// Ids of the kinds in resource names: the time-line freeze is 4, the diagonal 13, the phantom 6,
// the wild chameleon 14.
TEST(SpecialResourceNames, TheSelectedBonusAndThePhantomsAndChameleonsOnTheBoard) {
    test::TTestHost host;
    struct TCase {
        std::string What;
        int Selected;
        std::vector<std::string> Rows;
        bool PhantomPreset;
        std::vector<std::string> Names;
    };
    const std::vector<TCase> cases = {
        {"nothing", bkNone, {"12", "34"}, false, {}},
        {"a selected bonus", bkTimeLineFreeze, {}, false, {"Special4"}},
        {"the flags above the kind", bkTimeLineFreeze | 0x80, {}, false, {"Special4"}},
        {"a kind that is no extra bonus", bkRandom, {"12", "34"}, false, {}},
        {"the phantom selected and on the board", bkPhantomBonuses, {"1o", "34"}, false, {"Special6"}},
        {"everything", bkDiagonal, {"o2", "3W"}, false, {"Special13", "Special6", "Special14"}},
        {"a phantom still to drop", bkNone, {"12", "34"}, true, {"Special6"}},
    };
    for (const TCase& c : cases) {
        std::unique_ptr<TField> field = c.Rows.empty() ? nullptr : test::MakeField(host, c.Rows);
        if (c.PhantomPreset) {
            field->Cell(1, 1).PresetSpecial = 'o';
        }
        EXPECT_EQ(SpecialResourceNames(c.Selected, field.get()), c.Names) << c.What;
    }
}

} // namespace
} // namespace qm
