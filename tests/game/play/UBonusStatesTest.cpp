#include "UBonusStates.h"

#include "PlayTestHost.h"
#include "UBars.h"
#include "UCoreStates.h"
#include "UGConfigPreprocessor.h"
#include "UGError.h"
#include "UGRandom.h"
#include "UGStrings.h"
#include "UGWidget.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qm {
namespace {

// The game configuration of the source data folder, as the game assembles it.
const IGXMLNode& DefaultConfig() {
    static const PGXMLNode config = [] {
        TGConfigPreprocessor preprocessor(std::string(QM_SOURCE_DIR) + "/data", false);
        const std::string text = preprocessor.ProcessFile("GameConfig.xml");
        pugi::xml_document document;
        if (!document.load_buffer(text.data(), text.size())) {
            throw EGError("DefaultConfig", "the game configuration does not parse");
        }
        return CreateXMLSnapshot(document.document_element(), "GameConfig.xml");
    }();
    return *config;
}

class TBonusHost : public test::TTestHost {
public:
    TGameStateQueue* StateQueue() override { return States; }
    bool FieldEffectQueued() const override { return States && States->HasKindOf<TPlantedColumnState>(); }
    bool HasSmallBonus(TSmallBonus bonus) const override {
        return bonus == sbBombDoubleTime && BombDoubleTime;
    }

    TGameStateQueue* States = nullptr;
    bool BombDoubleTime = false;
};

// A manager that answers the bonus questions over the queue and records the bars' hooks.
class TBonusManager : public IPlayManager {
public:
    TGameData* GameData() override { return nullptr; }
    TField* CurrentField() override { return Field; }
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
    bool MouseBonusArmed() const override { return MouseBonusArmedIn(*Queue); }
    bool MouseBonusQueued() const override { return MouseBonusQueuedIn(*Queue); }
    bool BonusEffectBusy() const override { return BonusEffectBusyIn(*Queue); }
    void CancelMouseBonuses() override { CancelMouseBonusesIn(*Queue); }
    void ResetBonusBar() override { Calls.push_back("reset bar"); }
    void FreezeTimeBar() override { Calls.push_back("freeze"); }
    void StartDoubleMaterials(double seconds) override { Calls.push_back(Format("double %g", seconds)); }
    void StartScoreMultiplier(double seconds) override { Calls.push_back(Format("multiplier %g", seconds)); }

    TField* Field = nullptr;
    TGameStateQueue* Queue = nullptr;
    std::vector<std::string> Calls;
};

const std::vector<std::string> Plain = {"1234", "2341", "3412", "4123"};

// A board with a queue and a manager, and the player's clicks.
class TBonusBoard {
public:
    explicit TBonusBoard(const std::vector<std::string>& rows, bool bombDoubleTime = false) {
        SetRandomSeed(11);
        Host.States = &Queue;
        Host.BombDoubleTime = bombDoubleTime;
        // Boxes still to come keep a board without layers from counting as won.
        Host.Quota = 5;
        Manager.Queue = &Queue;
        FieldPtr = test::MakeField(Host, rows);
        Host.Field = FieldPtr.get();
        Manager.Field = FieldPtr.get();
    }
    // The states go before the field they point into.
    ~TBonusBoard() { Queue.Clear(); }

    TField& Field() { return *FieldPtr; }
    TCell& Cell(int row, int col) { return Field().Cell(row, col); }

    TBonusState& Start(int kind) {
        auto& state = static_cast<TBonusState&>(
            Queue.Adopt(MakeBonusState(kind, Queue, BonusNodeOfKind(DefaultConfig(), kind))));
        Frames(1);
        return state;
    }
    void Frames(int count) {
        for (int i = 0; i < count; ++i) {
            Host.Tick(0.01);
            Queue.Update();
            Field().Draw();
        }
    }
    void Seconds(double seconds) { Frames(static_cast<int>(seconds * 100 + 0.5)); }

    void ClickAt(int x, int y, int button = mbLeft) {
        TGInputState input;
        input.X = x;
        input.Y = y;
        input.SetButton(button, true);
        Queue.MouseMove(input);
        Queue.MouseDown(button, input);
        input.SetButton(button, false);
        Queue.MouseUp(button, input);
    }
    void ClickButton() { ClickAt(TBonusBar::ButtonX, TBonusBar::ButtonY); }
    void ClickCell(int row, int col, int button = mbLeft) {
        const TGIntPoint centre = Field().CellCentre(Cell(row, col));
        ClickAt(centre.X, centre.Y, button);
    }

    bool BonusWorkQueued() const {
        return Queue.HasKindOf<TBonusState>() || Queue.HasKindOf<TPlantedColumnState>();
    }
    // Frames until the bonus, what it pushed of its own and what it set off on the board are
    // over, at most a simulated minute.
    void RunOut() {
        // A strike in progress holds its cells locked.
        for (int i = 0; i < 6000 && (BonusWorkQueued() || !Field().IsStable() || Field().HasLockedElement());
             ++i) {
            Frames(1);
        }
        ASSERT_FALSE(BonusWorkQueued()) << "the bonus ends";
        ASSERT_TRUE(Field().IsStable());
        ASSERT_FALSE(Field().HasLockedElement());
    }
    // The board as text, with "W" for a wild chameleon.
    std::vector<std::string> Text() const {
        std::vector<std::string> rows = test::FieldText(*FieldPtr);
        for (int r = 0; r < FieldPtr->RowCount; ++r) {
            for (int c = 0; c < FieldPtr->ColCount; ++c) {
                const TSimpleElement* element = FieldPtr->Cell(r, c).Element.get();
                if (dynamic_cast<const TMarbleWildChameleon*>(element) && !element->IsDying()) {
                    rows[r][c] = 'W';
                }
            }
        }
        return rows;
    }
    // No element is left locked or selected, and every living one stands where its cell is.
    void ExpectConsistentBoard() {
        for (int r = 0; r < Field().RowCount; ++r) {
            for (int c = 0; c < Field().ColCount; ++c) {
                auto* element = Cell(r, c).Element.get();
                if (!element || element->IsDying()) {
                    continue;
                }
                SCOPED_TRACE(Format("cell %d, %d", r, c));
                EXPECT_FALSE(element->IsLocked());
                EXPECT_FALSE(element->IsSelected());
                const TGIntPoint centre = Field().CellCentre(Cell(r, c));
                EXPECT_EQ(element->GetPosition().X, centre.X);
                EXPECT_EQ(element->GetPosition().Y, centre.Y);
            }
        }
    }

    TBonusHost Host;
    TBonusManager Manager;
    TGameStateQueue Queue{&Manager};
    std::unique_ptr<TField> FieldPtr;
};

TEST(BonusStates, TheFactoryMakesAStateForEachBonusKindAndNoneOutside) {
    TBonusBoard b(Plain);
    for (int kind = -1; kind <= 17; ++kind) {
        SCOPED_TRACE(kind);
        std::unique_ptr<TGameState> state = MakeBonusState(kind, b.Queue, nullptr);
        if (kind < FirstExtraBonusKind || kind > LastExtraBonusKind) {
            EXPECT_EQ(state, nullptr);
            continue;
        }
        ASSERT_NE(state, nullptr);
        EXPECT_EQ(static_cast<TBonusState&>(*state).BonusKind(), kind);
        EXPECT_TRUE(state->IsBonusState());
        EXPECT_NE(BonusNodeOfKind(DefaultConfig(), kind), nullptr) << "the kind is configured";
    }
}

// A damaged save may select a kind without a state: nothing starts, the bar is not emptied, and
// the problem is told once however often the full bar asks again.
TEST(BonusStates, AKindWithoutAStateStartsNothingAndIsReportedOnce) {
    TBonusBoard b(Plain);
    TBonusStarter starter;
    testing::internal::CaptureStderr();
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_FALSE(starter.Start(b.Queue, 16, nullptr));
        b.Frames(1);
    }
    EXPECT_FALSE(starter.Start(b.Queue, bkNone, nullptr)) << "no bonus selected is no fault";
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(b.Queue.IsEmpty());
    EXPECT_TRUE(b.Manager.Calls.empty()) << "the bar stays full";
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << told;
    EXPECT_NE(told.find("TGameScreen.CreateBonusState"), std::string::npos) << told;

    EXPECT_TRUE(starter.Start(b.Queue, bkBomb, BonusNodeOfKind(DefaultConfig(), bkBomb)));
    EXPECT_FALSE(starter.Start(b.Queue, bkDiagonal, nullptr)) << "one bonus at a time";
    EXPECT_EQ(b.Queue.Count(), 1u);
}

struct TAimCase {
    const char* Name;
    int Kind;
    std::vector<std::string> Board;
    // Cells clicked one after the other, the first after the bonus is armed.
    std::vector<std::pair<int, int>> Clicks;
    std::vector<std::string> After;
    int Packs;
};

const TAimCase AimCases[] = {
    {"a single-cell bomb kills its target",
     bkSingleCellBomb,
     Plain,
     {{1, 1}},
     {"1234", "2x41", "3412", "4123"},
     1},
    {"a bomb strikes the block around its target",
     bkBomb,
     Plain,
     {{1, 1}},
     {"xxx4", "xxx1", "xxx2", "4123"},
     1},
    {"a bomb in a corner strikes the cells of the block inside the field, never a box",
     bkBomb,
     {"1B34", "2341", "3412", "4123"},
     {{0, 0}},
     {"xB34", "xx41", "3412", "4123"},
     1},
    {"a colour bomb kills every marble of the aimed colour",
     bkColorBomb,
     Plain,
     {{0, 0}},
     {"x234", "234x", "34x2", "4x23"},
     1},
    {"a colour bomb aimed at a special does not fire",
     bkColorBomb,
     {"a234", "2341", "3412", "4123"},
     {{0, 0}},
     {"a234", "2341", "3412", "4123"},
     0},
    {"corner stone down strikes the column of its target, boxes stay",
     bkCornerStoneDown,
     {"1234", "2B41", "3412", "4123"},
     {{0, 1}},
     {"1x34", "2B41", "3x12", "4x23"},
     1},
    {"a diagonal strikes the four diagonals of its target",
     bkDiagonal,
     Plain,
     {{1, 1}},
     {"x2x4", "2x41", "x4x2", "412x"},
     1},
    {"a wild chameleon takes the place of its target",
     bkWildChameleon,
     Plain,
     {{1, 1}},
     {"1234", "2W41", "3412", "4123"},
     0},
    {"the teleport moves the chosen box to the place of the first element",
     bkCornerStoneTeleport,
     {"1234", "2341", "3412", "B123"},
     {{1, 1}, {3, 0}},
     {"1234", "2B41", "3412", ".123"},
     1},
};

TEST(BonusStates, AimedBonusesStrikeWhereTheyAreAimed) {
    for (const TAimCase& c : AimCases) {
        SCOPED_TRACE(c.Name);
        TBonusBoard b(c.Board);
        b.Start(c.Kind);
        EXPECT_EQ(b.Manager.Calls, std::vector<std::string>{"reset bar"});
        b.ClickButton();
        EXPECT_TRUE(b.Manager.MouseBonusArmed());
        for (const auto& [row, col] : c.Clicks) {
            b.ClickCell(row, col);
            b.Frames(3);
        }
        if (c.Packs == 0 && c.Kind == bkColorBomb) {
            EXPECT_TRUE(b.Manager.MouseBonusArmed()) << "still armed";
            EXPECT_EQ(b.Text(), c.After);
            continue;
        }
        b.RunOut();
        EXPECT_EQ(b.Text(), c.After);
        EXPECT_EQ(b.Host.PackStates, c.Packs);
        ASSERT_FALSE(b.Host.BlastSounds.empty());
        EXPECT_EQ(b.Host.BlastSounds.front(), c.Kind);
        b.ExpectConsistentBoard();
    }
}

// Every kind starts with its ready animation on the button. An aimed one, armed, leaves the
// button; a right click (pressed on a good target, released there) or the manager's cancel
// disarms it without using it: the ready animation is back, the board is as it was, and a click
// on a cell afterwards does nothing.
TEST(BonusStates, EveryKindShowsReadyAndAnArmedOneIsDisarmedByARightClickOrACancel) {
    for (int kind = FirstExtraBonusKind; kind <= LastExtraBonusKind; ++kind) {
        for (bool rightClick : {true, false}) {
            SCOPED_TRACE(Format("kind %d, %s", kind, rightClick ? "right click" : "cancel"));
            TBonusBoard b(Plain);
            TBonusState& started = b.Start(kind);
            EXPECT_TRUE(started.ShowsReady());
            auto* state = dynamic_cast<TMouseBonuseState*>(&started);
            if (!state) {
                continue;
            }
            b.ClickButton();
            ASSERT_TRUE(state->IsArmed());
            EXPECT_FALSE(state->ShowsReady());
            if (rightClick) {
                b.ClickCell(1, 1, mbRight);
            } else {
                b.Manager.CancelMouseBonuses();
            }
            EXPECT_FALSE(state->IsArmed());
            EXPECT_TRUE(state->ShowsReady());
            b.ClickCell(1, 1);
            b.Seconds(3.0);
            EXPECT_EQ(b.Text(), Plain);
            EXPECT_TRUE(b.Host.BlastSounds.empty());
            EXPECT_EQ(b.Queue.Count(), 1u) << "the bonus waits to be armed again";
            b.ExpectConsistentBoard();
        }
    }
}

TEST(BonusStates, ABombFiresTwiceOnlyWithTheSmallBonusThatDoublesIt) {
    for (bool doubled : {false, true}) {
        SCOPED_TRACE(doubled);
        TBonusBoard b({"12341", "23412", "34123", "41234", "12341"}, doubled);
        b.Start(bkBomb);
        b.ClickButton();
        b.ClickCell(0, 0);
        b.Seconds(2.0);
        EXPECT_EQ(b.Queue.HasKindOf<TBombBonusState>(), doubled);
        if (doubled) {
            EXPECT_TRUE(b.Manager.MouseBonusArmed()) << "armed again for the second use";
            b.ClickCell(4, 4);
            b.Seconds(2.0);
        }
        EXPECT_FALSE(b.Queue.HasKindOf<TBombBonusState>());
        EXPECT_EQ(b.Host.PackStates, doubled ? 2 : 1);
    }
}

// The second stage of the teleport, left by a right click or taken out by the manager's cancel
// (a time-out, the sublevel's end): the lifted element is back in its cell and no stone is left.
TEST(BonusStates, TheTeleportsSecondStagePutsTheLiftedElementBack) {
    for (bool rightClick : {true, false}) {
        SCOPED_TRACE(rightClick ? "right click" : "cancel");
        TBonusBoard b(Plain);
        b.Start(bkCornerStoneTeleport);
        b.ClickButton();
        b.ClickCell(1, 1);
        b.Frames(3);
        ASSERT_TRUE(b.Queue.HasExact<TCornerStoneTeleportBonusState2>());
        EXPECT_EQ(b.Text()[1], "2h41") << "a locked stone stands in for the lifted marble";
        EXPECT_TRUE(b.Manager.MouseBonusArmed());
        if (rightClick) {
            b.ClickCell(2, 2, mbRight);
        } else {
            b.Manager.CancelMouseBonuses();
        }
        b.Frames(3);
        EXPECT_EQ(b.Text(), Plain);
        EXPECT_FALSE(b.Queue.HasExact<TCornerStoneTeleportBonusState2>());
        if (rightClick) {
            auto* ready = b.Queue.FindExact<TCornerStoneTeleportBonusStateReady>();
            ASSERT_NE(ready, nullptr) << "the first stage comes back armed";
            EXPECT_TRUE(ready->IsArmed());
        } else {
            EXPECT_TRUE(b.Queue.IsEmpty()) << "the first stage does not come back";
        }
        b.ExpectConsistentBoard();
    }
}

TEST(BonusStates, CancellingATeleportWithoutItsStoneIsAnError) {
    TBonusBoard b(Plain);
    b.Start(bkCornerStoneTeleport);
    b.ClickButton();
    b.ClickCell(1, 1);
    b.Frames(3);
    ASSERT_TRUE(b.Queue.HasExact<TCornerStoneTeleportBonusState2>());
    b.Cell(1, 1).Element.reset();
    try {
        b.ClickCell(2, 2, mbRight);
        FAIL() << "no error";
    } catch (const EGError& error) {
        EXPECT_NE(std::string(error.what()).find("TCornerStoneTeleportBonusState2.Teleport"),
                  std::string::npos);
    }
}

struct TButtonCase {
    int Kind;
    std::string Call;
};

// A button bonus fires on a press and a release on the button, acts when its flight says so and
// ends when the flight is over.
TEST(BonusStates, ButtonBonusesActWhenTheirFlightHasFlown) {
    const TButtonCase cases[] = {
        {bkTimeLineFreeze, "freeze"}, {bkX2BuildingMaterials, "double 20"}, {bkAddScores, "multiplier 20"}};
    for (const TButtonCase& c : cases) {
        SCOPED_TRACE(c.Kind);
        TBonusBoard b(Plain);
        TBonusState& state = b.Start(c.Kind);
        // A press on the button released elsewhere, and a release alone, do nothing.
        TGInputState input;
        input.X = TBonusBar::ButtonX;
        input.Y = TBonusBar::ButtonY;
        b.Queue.MouseDown(mbLeft, input);
        input.X += 200;
        b.Queue.MouseUp(mbLeft, input);
        b.ClickCell(1, 1);
        b.Seconds(2.0);
        EXPECT_EQ(b.Manager.Calls, std::vector<std::string>{"reset bar"});
        b.ClickButton();
        EXPECT_EQ(b.Host.BlastSounds, std::vector<int>{c.Kind});
        EXPECT_FALSE(state.ShowsReady()) << "the flight has taken the button's place";
        b.Frames(2);
        EXPECT_EQ(b.Manager.Calls.size(), 1u) << "not before the flight";
        b.RunOut();
        EXPECT_EQ(b.Manager.Calls, (std::vector<std::string>{"reset bar", c.Call}));
        EXPECT_EQ(b.Text(), Plain);
    }
}

// A button bonus's flight, sampled where it passes: from its start to where its first stretch
// ends, as the flight itself gets there when played.
TEST(BonusStates, TheFlightPathFollowsTheFlightsFirstStretch) {
    for (int kind : {bkTimeLineFreeze, bkX2BuildingMaterials, bkAddScores}) {
        SCOPED_TRACE(kind);
        TBonusBoard b(Plain);
        TBonusState& state = b.Start(kind);
        const std::vector<TGIntPoint> path = state.FlightPath(100, 500);
        ASSERT_EQ(path.size(), static_cast<size_t>(TBonusState::FlightPathPoints));
        EXPECT_EQ(path.front().X, 100);
        EXPECT_EQ(path.front().Y, 500);

        auto flight = std::make_shared<TGAnimotion>(nullptr, nullptr);
        flight->Import(*BonusNodeOfKind(DefaultConfig(), kind)->GetCollection("FlyingAnimotion")->GetItem(0));
        const double stretch = TBonusState::FirstFlightStretch(flight)->Length;
        for (double t = 0.0; t <= stretch; t += 0.01) {
            flight->Update(0.01);
        }
        EXPECT_NEAR(path.back().X, 100 + flight->GetChannel(0).X, 1.0);
        EXPECT_NEAR(path.back().Y, 500 + flight->GetChannel(0).Y, 1.0);
        EXPECT_GT(std::abs(path.back().Y - path.front().Y), 100) << "it leaves the button";
    }
}

TEST(BonusStates, AColourChangeRecoloursTheAimedColourAndLetsGo) {
    TBonusBoard b(Plain);
    b.Field().MarbleSet = "1234";
    auto& state = static_cast<TColorChangeBonusState&>(b.Start(bkColorChange));
    const int first = state.TargetColor;
    ASSERT_GE(first, 1);
    ASSERT_LE(first, 4);
    b.Seconds(0.25);
    EXPECT_NEAR(state.SwatchAlpha(), 0.5, 0.03) << "the swatch fades in";
    b.Seconds(1.8);
    EXPECT_EQ(state.TargetColor, first % 4 + 1) << "the offered colour moves on every two seconds";
    EXPECT_LT(state.SwatchAlpha(), 0.2) << "the new colour fades in again";
    // The first colour of the set other than the aimed one.
    while (state.TargetColor == 1) {
        b.Seconds(2.0);
    }
    const char target = static_cast<char>('0' + state.TargetColor);
    b.ClickButton();
    b.ClickCell(0, 0);
    b.Seconds(0.3);
    EXPECT_TRUE(b.Manager.BonusEffectBusy());
    EXPECT_TRUE(b.Cell(2, 2).Element->IsLocked());
    EXPECT_EQ(b.Text()[2][2], '1');
    b.Seconds(0.3);
    const std::pair<int, int> aimedColour[] = {{0, 0}, {1, 3}, {2, 2}, {3, 1}};
    for (const auto& [row, col] : aimedColour) {
        EXPECT_EQ(b.Text()[row][col], target);
    }
    b.Seconds(2.1);
    EXPECT_FALSE(b.Queue.HasKindOf<TColorChangeBonusState>());
    EXPECT_FALSE(b.Manager.BonusEffectBusy());
    b.ExpectConsistentBoard();
}

TEST(BonusStates, ThePhantomTurnsThreeMarblesIntoMarblesWithTheShownStrike) {
    TBonusBoard b({"12341", "23412", "34123", "41234", "12341"});
    auto& state = static_cast<TPhantomBonusState&>(b.Start(bkPhantomBonuses));
    EXPECT_EQ(state.ShowingType(), 1);
    b.Seconds(2.1);
    ASSERT_EQ(state.ShowingType(), 2);
    const std::vector<std::string> before = b.Text();
    b.ClickButton();
    b.RunOut();
    int crossFire = 0;
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 5; ++c) {
            if (const auto* marble = dynamic_cast<const TMarbleWithCrossFire*>(b.Cell(r, c).Element.get())) {
                ++crossFire;
                EXPECT_EQ(marble->Color, before[r][c]) << "the colour stays";
                EXPECT_LT(r, 4);
                EXPECT_LT(c, 4);
            }
        }
    }
    EXPECT_EQ(crossFire, TPhantomBonusState::Marbles);
    EXPECT_EQ(b.Text(), before);
    b.ExpectConsistentBoard();
}

// From its click until its marbles have changed the phantom must not have the board shuffled
// under its flights; the player's own moves do not wait for it.
TEST(BonusStates, ThePhantomsFlightsHoldTheShuffleButNotThePlayer) {
    TBonusBoard b({"12341", "23412", "34123", "41234", "12341"});
    auto& state = static_cast<TPhantomBonusState&>(b.Start(bkPhantomBonuses));
    struct TPhase {
        std::string What;
        std::function<void()> Do;
        bool Active;
    };
    const std::vector<TPhase> phases = {
        {"the button shows the strikes", [&] { b.Seconds(0.5); }, false},
        {"clicked", [&] { b.ClickButton(); }, true},
        {"flying", [&] { b.Seconds(TPhantomBonusState::FlightSeconds / 2); }, true},
        {"landed", [&] { b.RunOut(); }, false},
    };
    for (const TPhase& phase : phases) {
        phase.Do();
        EXPECT_EQ(BonusActivePhaseIn(b.Queue), phase.Active) << phase.What;
        EXPECT_FALSE(b.Manager.BonusEffectBusy()) << phase.What;
        if (phase.Active) {
            EXPECT_TRUE(state.EffectRunning());
        }
    }
}

} // namespace
} // namespace qm
