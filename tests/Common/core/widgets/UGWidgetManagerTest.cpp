#include "UGWidgetManager.h"
#include "TestHelpers.h"
#include "UGCursor.h"
#include "UGWidDialog.h"
#include "UGWidImage.h"
#include "WidgetTestApp.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// Counts what reaches it besides the events every widget fires.
class TProbe : public TGWidImage {
public:
    using TGWidImage::TGWidImage;
    bool AcceptsMouse() const override { return true; }
    void MouseWheelUp(const TGInputState&) override { ++WheelUp; }
    void MouseWheelDown(const TGInputState&) override { ++WheelDown; }
    void Tick(uint32_t counter, const TGInputState&) override { LastTick = counter; }
    int WheelUp = 0;
    int WheelDown = 0;
    uint32_t LastTick = 0;
};

// An effect that never ends until told to.
class THoldEffect : public IGEffect {
public:
    void Start() override {}
    bool IsFinished() override { return Done; }
    void Draw(double, double) override {}
    bool Done = false;
};

class WidgetManagerTest : public ::testing::Test {
public:
    void SetUp() override {
        Screen = &Test.ShowTestScreen();
        Box = &Screen->GetChildAs<TGWidDialog>("Box");
        Icon = &Box->GetChild("Icon");
        Notched = &Box->GetChild("Notched");
        Other = &Screen->GetChild("Other");
        Popup = &Screen->GetChildAs<TGWidDialog>("Popup");
        for (TGWidget* w :
             std::initializer_list<TGWidget*>{Box, Icon, Notched, Other, &Popup->GetChild("Ok")}) {
            Watch(*w);
        }
    }
    // Logs the events of a widget as "<name>:<event>".
    void Watch(TGWidget& w) {
        w.OnMouseEnter = [this](TGWidget& s) { Log.push_back(s.Name + ":enter"); };
        w.OnMouseLeave = [this](TGWidget& s) { Log.push_back(s.Name + ":leave"); };
        w.OnMouseDown = [this](TGWidget& s, int b, const TGInputState&) {
            Log.push_back(s.Name + ":down" + std::to_string(b));
        };
        w.OnMouseUp = [this](TGWidget& s, int b, const TGInputState&) {
            Log.push_back(s.Name + ":up" + std::to_string(b));
        };
        w.OnClick = [this](TGWidget& s) { Log.push_back(s.Name + ":click"); };
        w.OnDblClick = [this](TGWidget& s) { Log.push_back(s.Name + ":dblclick"); };
        w.OnKeyDown = [this](TGWidget& s, int key, const TGInputState& state) {
            Log.push_back(s.Name + ":key" + std::to_string(key) + (state.IsKeyDown(17) ? "+ctrl" : ""));
        };
        w.OnKeyPress = [this](TGWidget& s, char32_t ch, const TGInputState&) {
            Log.push_back(s.Name + ":char" + std::string(1, static_cast<char>(ch)));
        };
    }
    std::vector<std::string> TakeLog() { return std::exchange(Log, {}); }
    TGWidgetManager& M() { return Test.Manager(); }
    void Press(int x, int y) {
        M().MouseMove(x, y);
        M().MouseDown(mbLeft);
    }
    TProbe& AddProbe() {
        auto probe = std::make_unique<TProbe>(Test.App());
        probe->Name = "Probe";
        probe->SetStyle(&Test.App().WidgetStyles->GetWidgetStyle("Image"));
        probe->X = 150;
        probe->Y = 50;
        probe->SetSize(20, 20);
        return static_cast<TProbe&>(Box->AddWidget(std::move(probe)));
    }

    test::WidgetTestApp Test;
    TGWidget* Screen = nullptr;
    TGWidDialog* Box = nullptr;
    TGWidget* Icon = nullptr;
    TGWidget* Notched = nullptr;
    TGWidget* Other = nullptr;
    TGWidDialog* Popup = nullptr;
    std::vector<std::string> Log;
};

using Events = std::vector<std::string>;

TEST_F(WidgetManagerTest, HoverFollowsTheRegionAndLeavesOutsideTheWindow) {
    M().MouseMove(155, 115); // (5, 5) in the notched image
    EXPECT_EQ(M().Hovered(), Notched);
    M().MouseMove(165, 115); // (15, 5): the notch, where the dialog behind shows
    EXPECT_EQ(M().Hovered(), Box);
    EXPECT_EQ(TakeLog(), (Events{"Notched:enter", "Notched:leave", "Box:enter"}));
    EXPECT_EQ(Test.Sounds->Played, (Events{"enter"})) << "the dialog style's enter sound";
    EXPECT_TRUE(Box->Hovered);
    EXPECT_FALSE(Notched->Hovered);
    M().MouseMove(165, 125); // (15, 15): still in the notch
    EXPECT_EQ(M().Hovered(), Box);
    M().MouseMove(165, 131); // (15, 21): the U's floor
    EXPECT_EQ(M().Hovered(), Notched);
    M().MouseMove(-20, -20);
    EXPECT_EQ(M().Hovered(), nullptr);
    EXPECT_EQ(TakeLog(), (Events{"Box:leave", "Notched:enter", "Notched:leave"}));
    M().MouseDown(mbLeft);
    M().MouseUp(mbLeft);
    EXPECT_EQ(M().Captured(), nullptr);
    EXPECT_TRUE(TakeLog().empty()) << "nothing lies outside the window";
}

TEST_F(WidgetManagerTest, ReleaseOutsideGivesMouseUpButNoClick) {
    Press(115, 115);
    EXPECT_EQ(M().Captured(), Icon);
    EXPECT_TRUE(Icon->Pressed);
    M().MouseMove(700, 500);
    EXPECT_EQ(M().Hovered(), nullptr) << "only the captured widget may be hovered";
    M().MouseUp(mbLeft);
    EXPECT_FALSE(Icon->Pressed);
    EXPECT_EQ(M().Captured(), nullptr);
    Press(115, 115);
    M().MouseUp(mbLeft);
    EXPECT_EQ(TakeLog(), (Events{"Icon:enter", "Icon:down0", "Icon:leave", "Icon:up0", "Icon:enter",
                                 "Icon:down0", "Icon:up0", "Icon:click"}));
    Press(250, 180); // the dialog's own area
    M().MouseUp(mbLeft);
    EXPECT_EQ(TakeLog(), (Events{"Icon:leave", "Box:enter", "Box:down0", "Box:up0", "Box:click"}));
    EXPECT_EQ(Test.Sounds->Played, (Events{"enter", "click"}));
    // The right button goes to the widget under the pointer and captures nothing.
    M().MouseDown(mbRight);
    EXPECT_EQ(M().Captured(), nullptr);
    M().MouseUp(mbRight);
    EXPECT_EQ(TakeLog(), (Events{"Box:down1", "Box:up1"}));
}

TEST_F(WidgetManagerTest, PressingBringsTheDialogToTheFront) {
    ASSERT_EQ(Screen->Children().front().get(), Box);
    Press(420, 120);
    M().MouseUp(mbLeft);
    EXPECT_EQ(Screen->Children().back().get(), Other);
    Press(115, 115); // the icon inside the box
    M().MouseUp(mbLeft);
    EXPECT_EQ(Screen->Children().back().get(), Box);
}

TEST_F(WidgetManagerTest, ModalDialogTakesTheMouseButNotTheKeys) {
    Popup->Show();
    TakeLog();
    Press(115, 115);
    M().MouseUp(mbLeft);
    M().DblClick();
    EXPECT_EQ(M().Hovered(), nullptr);
    EXPECT_TRUE(TakeLog().empty()) << "nothing outside the modal dialog takes the mouse";
    M().KeyDown(65);
    EXPECT_EQ(TakeLog(), (Events{"Box:key65", "Icon:key65", "Notched:key65", "Other:key65", "Ok:key65"}))
        << "keys reach every visible widget";
    Press(315, 315);
    M().MouseUp(mbLeft);
    EXPECT_EQ(TakeLog(), (Events{"Ok:enter", "Ok:down0", "Ok:up0", "Ok:click"}));
    EXPECT_EQ(M().GetTopModal(), Popup);
    Popup->SetVisible(false);
    EXPECT_EQ(M().GetTopModal(), Screen);
}

TEST_F(WidgetManagerTest, KeysSetFlagsAndReachVisibleWidgetsOnly) {
    for (TGWidget* w : std::initializer_list<TGWidget*>{Icon, Notched}) {
        w->OnKeyDown = nullptr;
        w->OnKeyPress = nullptr;
    }
    Other->SetVisible(false);
    M().KeyDown(17);
    M().KeyDown(65);
    M().KeyPress(U'a');
    M().KeyUp(17);
    M().KeyDown(66);
    EXPECT_EQ(TakeLog(), (Events{"Box:key17+ctrl", "Box:key65+ctrl", "Box:chara", "Box:key66"}))
        << "the hidden dialog and the hidden popup hear nothing";
    EXPECT_TRUE(M().InputState().IsKeyDown(65));
    EXPECT_FALSE(M().InputState().IsKeyDown(17));
    // With input off the flags still follow the keys, but no handler runs.
    M().InputEnabled = false;
    M().KeyDown(18);
    M().KeyUp(65);
    EXPECT_TRUE(M().InputState().IsKeyDown(18));
    EXPECT_FALSE(M().InputState().IsKeyDown(65));
    EXPECT_TRUE(TakeLog().empty());
    // Key codes outside the table change no flag.
    M().InputEnabled = true;
    M().KeyDown(300);
    M().KeyDown(-1);
    EXPECT_EQ(TakeLog(), (Events{"Box:key300", "Box:key-1"}));
}

TEST_F(WidgetManagerTest, DoubleClickAndWheelGoToTheWidgetUnderThePointer) {
    TProbe& probe = AddProbe();
    M().MouseMove(255, 155);
    M().MouseWheelUp();
    M().MouseWheelUp();
    M().MouseWheelDown();
    EXPECT_EQ(probe.WheelUp, 2);
    EXPECT_EQ(probe.WheelDown, 1);
    M().MouseMove(115, 115);
    M().DblClick();
    M().MouseWheelDown();
    EXPECT_EQ(probe.WheelDown, 1);
    EXPECT_EQ(TakeLog(), (Events{"Icon:enter", "Icon:dblclick"}));
}

TEST_F(WidgetManagerTest, UpdateTicksEveryWidgetOutsideEffects) {
    TProbe& probe = AddProbe();
    probe.SetVisible(false);
    M().Update();
    M().Update();
    EXPECT_EQ(probe.LastTick, M().Counter()) << "hidden widgets tick too";
    auto hold = std::make_shared<THoldEffect>();
    Box->ShowEffect = hold;
    Box->Show();
    const uint32_t before = probe.LastTick;
    M().Update();
    EXPECT_EQ(probe.LastTick, before) << "nothing inside a widget in effect ticks";
    Press(115, 115);
    EXPECT_EQ(M().Captured(), nullptr) << "nor takes the mouse";
    hold->Done = true;
    M().Draw();
    M().Update();
    EXPECT_EQ(probe.LastTick, M().Counter());
}

TEST_F(WidgetManagerTest, LeftReleaseAlwaysEndsThePress) {
    struct Case {
        const char* What;
        std::function<void(WidgetManagerTest&)> DuringPress;
        bool MouseUpHandler;
    };
    const Case cases[] = {
        {"input switched off", [](WidgetManagerTest& t) { t.M().InputEnabled = false; }, false},
        {"dialog plays an effect",
         [](WidgetManagerTest& t) {
             t.Box->HideEffect = std::make_shared<THoldEffect>();
             t.Box->Hide();
         },
         false},
        {"dialog closed", [](WidgetManagerTest& t) { t.Box->SetVisible(false); }, false},
        {"nothing happens", [](WidgetManagerTest&) {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        M().InputEnabled = true;
        Box->CancelEffect();
        Box->SetVisible(true);
        Press(115, 115);
        ASSERT_EQ(M().Captured(), Icon);
        TakeLog();
        c.DuringPress(*this);
        M().MouseUp(mbLeft);
        EXPECT_EQ(M().Captured(), nullptr);
        EXPECT_FALSE(Icon->Pressed);
        EXPECT_FALSE(M().InputState().IsButtonDown(mbLeft));
        Events log = TakeLog();
        EXPECT_EQ(std::count(log.begin(), log.end(), "Icon:up0"), c.MouseUpHandler ? 1 : 0);
    }
}

TEST_F(WidgetManagerTest, TreeChangesInsideHandlersLeaveTheManagerConsistent) {
    // The captured widget is freed before the release.
    Press(115, 115);
    Box->RemoveWidget(*Icon).reset();
    M().MouseUp(mbLeft);
    M().MouseMove(116, 116);
    EXPECT_EQ(M().Captured(), nullptr);
    EXPECT_EQ(M().Hovered(), Box);
    // A click that switches the screen frees the tree it was called from once the call returns.
    TGWidget* notched = Notched;
    notched->OnClick = [this](TGWidget&) { Test.Manager().ShowScreenFromConfig("TestScreen"); };
    Press(155, 115);
    M().MouseUp(mbLeft);
    ASSERT_NE(M().Root(), nullptr);
    EXPECT_EQ(M().Captured(), nullptr);
    EXPECT_EQ(M().Hovered(), nullptr);
    TGWidget& fresh = M().Root()->GetChild("TestScreen").GetChild("Box").GetChild("Icon");
    Press(115, 115);
    EXPECT_EQ(M().Captured(), &fresh);
    // A key handler that removes later widgets of the broadcast.
    TGWidget& box = M().Root()->GetChild("TestScreen").GetChild("Box");
    int heard = 0;
    box.OnKeyDown = [&](TGWidget& s, int, const TGInputState&) {
        ++heard;
        s.RemoveWidget(s.GetChild("Icon")).reset();
    };
    box.GetChild("Notched").OnKeyDown = [&](TGWidget&, int, const TGInputState&) { ++heard; };
    M().KeyDown(65);
    EXPECT_EQ(heard, 2);
    M().MouseUp(mbLeft);
    EXPECT_EQ(M().Captured(), nullptr);
}

TEST_F(WidgetManagerTest, MovableDialogFollowsTheDrag) {
    Box->Movable = true;
    Press(250, 180);
    M().MouseMove(270, 170);
    M().MouseMove(280, 200);
    EXPECT_EQ(Box->X, 130.0);
    EXPECT_EQ(Box->Y, 120.0);
    M().MouseUp(mbLeft);
    M().MouseMove(300, 300);
    EXPECT_EQ(Box->X, 130.0) << "the drag ends with the release";
}

TEST_F(WidgetManagerTest, CursorIsDrawnAtThePointerWhileInputIsOn) {
    auto* cursor = dynamic_cast<TCursor*>(M().Root()->Cursor.get());
    ASSERT_NE(cursor, nullptr);
    M().MouseMove(400, 300);
    M().Draw();
    EXPECT_TRUE(cursor->DrewLastTime());
    EXPECT_EQ(cursor->Animotion()->GetChannel(0).X, 400.0);
    M().InputEnabled = false;
    M().MouseMove(10, 10);
    M().Draw();
    EXPECT_EQ(cursor->Animotion()->GetChannel(0).X, 400.0) << "not drawn while input is off";
}

} // namespace
} // namespace qm
