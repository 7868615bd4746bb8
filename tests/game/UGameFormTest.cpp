#include "UGameForm.h"
#include "TestHelpers.h"
#include "UGError.h"
#include "UGKeys.h"
#include "UGNullWindow.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace qm {
namespace {

using test::TempDir;

// Records every call the main window makes into the widget manager.
class TRecordingWidgets : public IGWidgetInput {
public:
    void MouseDown(int button) override { Log.push_back("down " + std::to_string(button)); }
    void MouseUp(int button) override { Log.push_back("up " + std::to_string(button)); }
    void MouseMove(int x, int y) override {
        Log.push_back("move " + std::to_string(x) + " " + std::to_string(y));
    }
    void DblClick() override { Log.push_back("dblclick"); }
    void MouseWheelUp() override { Log.push_back("wheel up"); }
    void MouseWheelDown() override { Log.push_back("wheel down"); }
    void KeyDown(int key) override { Log.push_back("keydown " + std::to_string(key)); }
    void KeyUp(int key) override { Log.push_back("keyup " + std::to_string(key)); }
    void KeyPress(char32_t ch) override { Log.push_back("press " + std::to_string(static_cast<int>(ch))); }
    void TimerTick() override { ++Ticks; }
    void Update() override { ++Updates; }
    void Draw() override {
        if (DuringDraw) {
            DuringDraw();
        }
        if (!DrawError.empty()) {
            throw EGError("TRecordingWidgets.Draw", DrawError);
        }
    }

    std::vector<std::string> Log;
    int Ticks = 0;
    int Updates = 0;
    std::string DrawError;
    std::function<void()> DuringDraw;
};

// The null renderer, noting how many frames it had presented at each eviction.
class TEvictionBackend : public TGNullRenderBackend {
public:
    void EvictManagedTextures() override { PresentsAtEviction.push_back(Presents); }
    std::vector<int> PresentsAtEviction;
};

TGWindowEvent Event(TGWindowEvent::TKind kind, int key = 0) {
    TGWindowEvent event;
    event.Kind = kind;
    event.Key = key;
    return event;
}

class GameFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        data = test::CopyFixture("minimal", dir);
        info.ProgramFolder = data;
        info.UserFolder = dir.Path() / "user";
        info.Ticks = &ticks;
        info.Window = &window;
        info.Backend = &renderer;
    }
    // Creates the form and hands it a recording widget manager.
    void Create(bool fullScreen = false) {
        form = std::make_unique<TGameForm>(window, info, fullScreen);
        auto recorder = std::make_unique<TRecordingWidgets>();
        widgets = recorder.get();
        form->GameData().WidgetManager = std::move(recorder);
    }
    void Tick(uint64_t ms = 10) {
        ticks.Advance(ms);
        form->TimerTick();
    }
    TGameData& Data() { return form->GameData(); }

    TempDir dir;
    fs::path data;
    TGManualTickSource ticks{100};
    TGNullWindow window;
    TEvictionBackend renderer;
    TGAppStartInfo info;
    std::unique_ptr<TGameForm> form;
    TRecordingWidgets* widgets = nullptr;
};

TEST_F(GameFormTest, BecomesActiveOnTheFirstTickWithFocusAndDrawsOneFramePerTick) {
    window.Focused = false;
    Create();
    // The frames are all alike; every one is presented only when asked.
    Data().Device->SetSkipSameFrames(false);
    EXPECT_EQ(window.Caption, "Quillmark");
    EXPECT_FALSE(window.SystemCursorVisible);
    Tick();
    EXPECT_FALSE(form->IsActive());
    EXPECT_EQ(renderer.Presents, 0);
    EXPECT_DOUBLE_EQ(Data().InterfaceClock->Step, 0.0) << "no time passes while inactive";
    EXPECT_EQ(widgets->Ticks, 1) << "the per-tick notification does not wait for activation";

    form->HandleEvent(Event(TGWindowEvent::FocusGained));
    EXPECT_TRUE(form->IsActive());
    Tick();
    Tick();
    EXPECT_EQ(renderer.Presents, 2);
    EXPECT_EQ(widgets->Updates, 2);
    EXPECT_DOUBLE_EQ(Data().GameClock->Step, 0.01);
    Tick(2000);
    EXPECT_DOUBLE_EQ(Data().GameClock->Step, 0.03) << "a stall is capped";
}

TEST_F(GameFormTest, ALostDisplaySkipsAFrameWithoutTimeAndThenDrawingGoesOn) {
    Create();
    Tick();
    Data().Device->ForceDeviceLost();
    int presented = renderer.Presents;
    Tick(20);
    EXPECT_EQ(renderer.Presents, presented);
    EXPECT_EQ(widgets->Updates, 1);
    EXPECT_DOUBLE_EQ(Data().GameClock->Step, 0.01) << "no clock was updated";
    Tick();
    EXPECT_EQ(renderer.Presents, presented + 1);
    EXPECT_EQ(widgets->Updates, 2);
}

TEST_F(GameFormTest, LosingFocusInFullScreenLeavesItAndComingBackRestoresIt) {
    Create(true);
    EXPECT_TRUE(window.FullScreen) << "the player's choice is applied at creation";
    Tick();
    ASSERT_TRUE(form->IsActive());

    form->HandleEvent(Event(TGWindowEvent::FocusLost));
    EXPECT_FALSE(form->IsActive());
    EXPECT_FALSE(window.FullScreen) << "the desktop resolution comes back";
    EXPECT_TRUE(window.Minimized);
    EXPECT_TRUE(Data().FullScreen()) << "the player's setting is unchanged";
    int presented = renderer.Presents;
    Tick();
    EXPECT_EQ(renderer.Presents, presented);
    EXPECT_DOUBLE_EQ(Data().GameClock->Step, 0.0);

    form->HandleEvent(Event(TGWindowEvent::FocusGained));
    EXPECT_FALSE(form->IsActive()) << "still minimised";
    form->HandleEvent(Event(TGWindowEvent::Restored));
    EXPECT_TRUE(form->IsActive());
    EXPECT_TRUE(window.FullScreen);
    EXPECT_FALSE(window.Minimized);
}

TEST_F(GameFormTest, LosingFocusWindowedJustStopsTheClocks) {
    Create(false);
    Tick();
    form->HandleEvent(Event(TGWindowEvent::FocusLost));
    EXPECT_FALSE(form->IsActive());
    EXPECT_FALSE(window.Minimized);
    Tick();
    EXPECT_DOUBLE_EQ(Data().InterfaceClock->Step, 0.0);
    form->HandleEvent(Event(TGWindowEvent::FocusGained));
    EXPECT_TRUE(form->IsActive());
    Tick();
    EXPECT_DOUBLE_EQ(Data().InterfaceClock->Step, 0.01);
}

TEST_F(GameFormTest, InputReachesTheWidgetManagerAndDeactivationReleasesTheButton) {
    Create();
    Tick();
    TGWindowEvent down = Event(TGWindowEvent::MouseDown);
    down.X = 120;
    down.Y = 80;
    form->HandleEvent(down);
    TGWindowEvent right = Event(TGWindowEvent::MouseUp);
    right.Button = 1;
    right.HasPosition = false;
    form->HandleEvent(right);
    form->HandleEvent(Event(TGWindowEvent::WheelUp));
    form->HandleEvent(Event(TGWindowEvent::DblClick));
    form->HandleEvent(Event(TGWindowEvent::KeyDown, 'Q'));
    TGWindowEvent press = Event(TGWindowEvent::KeyPress);
    press.Char = U'q';
    form->HandleEvent(press);
    form->HandleEvent(Event(TGWindowEvent::KeyUp, 'Q'));
    form->HandleEvent(Event(TGWindowEvent::FocusLost));
    std::vector<std::string> expected = {"move 120 80", "down 0",    "up 1",     "wheel up",     "dblclick",
                                         "keydown 81",  "press 113", "keyup 81", "move -20 -20", "up 0"};
    EXPECT_EQ(widgets->Log, expected);
    EXPECT_EQ(Data().MouseX, 120);
    EXPECT_EQ(Data().MouseY, 80);
}

TEST_F(GameFormTest, AltEnterTogglesThePlayersFullScreenSetting) {
    Create(false);
    Tick();
    form->HandleEvent(Event(TGWindowEvent::KeyDown, VK_RETURN));
    EXPECT_FALSE(Data().FullScreen()) << "Enter alone";
    form->HandleEvent(Event(TGWindowEvent::KeyDown, VK_MENU));
    form->HandleEvent(Event(TGWindowEvent::KeyDown, VK_RETURN));
    EXPECT_TRUE(Data().FullScreen());
    EXPECT_TRUE(window.FullScreen);
    form->HandleEvent(Event(TGWindowEvent::KeyDown, VK_RETURN));
    EXPECT_FALSE(Data().FullScreen());
    EXPECT_FALSE(window.FullScreen);
    form->HandleEvent(Event(TGWindowEvent::KeyUp, VK_MENU));
    form->HandleEvent(Event(TGWindowEvent::KeyDown, VK_RETURN));
    EXPECT_FALSE(Data().FullScreen());
}

TEST_F(GameFormTest, OverlayShowsTheVersionToEverybodyAndDiagnosticsOnlyToTheDeveloperOrHiddenPlayer) {
    test::EditFile(data / "CoreConfig.xml", "SoundsEnabled=", "IsCindrelUsrEnable=\"1\" SoundsEnabled=");
    Create();
    EXPECT_FALSE(form->InfoOverlayOn());
    form->HandleEvent(Event(TGWindowEvent::KeyDown, VK_F8));
    EXPECT_TRUE(form->InfoOverlayOn());
    EXPECT_EQ(form->InfoOverlayLines(), std::vector<std::string>{"ver: 9.8.7"});

    for (const char* name : {"QendRivols", "pelvorn"}) {
        Data().Players->CurrentPlayer().Name = name;
        Data().CurrentScreenName = "MenuScreen";
        auto lines = form->InfoOverlayLines();
        ASSERT_EQ(lines.size(), 4u) << name;
        EXPECT_EQ(lines[1].rfind("fps: ", 0), 0u) << lines[1];
        EXPECT_NE(lines[1].find("Speed: 1.000000 Format: 32bit"), std::string::npos) << lines[1];
        EXPECT_EQ(lines[3], "Screen MenuScreen");
    }
    form->HandleEvent(Event(TGWindowEvent::KeyDown, VK_F8));
    EXPECT_FALSE(form->InfoOverlayOn());
}

TEST_F(GameFormTest, DeveloperKeysChangeTheClockSpeedOnlyForTheDeveloper) {
    test::EditFile(data / "CoreConfig.xml", "SoundsEnabled=", "IsCindrelUsrEnable=\"1\" SoundsEnabled=");
    Create();
    auto key = [&](int vk) { form->HandleEvent(Event(TGWindowEvent::KeyDown, vk)); };
    Data().Players->CurrentPlayer().Name = "someone";
    key(VK_ADD);
    EXPECT_DOUBLE_EQ(Data().GameClock->Speed, 1.0);

    Data().Players->CurrentPlayer().Name = "qendrivols";
    struct {
        int Key;
        double Speed;
    } steps[] = {{VK_ADD, 2.0},      {VK_ADD, 3.0}, {VK_SUBTRACT, 2.0}, {VK_SUBTRACT, 1.0},
                 {VK_SUBTRACT, 1.0}, {VK_F10, 0.1}, {VK_F11, 1.0}};
    for (const auto& step : steps) {
        key(step.Key);
        EXPECT_DOUBLE_EQ(Data().GameClock->Speed, step.Speed) << step.Key;
        EXPECT_DOUBLE_EQ(Data().InterfaceClock->Speed, step.Speed) << step.Key;
    }
}

TEST_F(GameFormTest, DeveloperModeNeedsTheConfigurationFlag) {
    Create();
    Data().Players->CurrentPlayer().Name = "qendrivols";
    EXPECT_FALSE(Data().IsDeveloperUser());
    form->HandleEvent(Event(TGWindowEvent::KeyDown, VK_ADD));
    EXPECT_DOUBLE_EQ(Data().GameClock->Speed, 1.0);
}

struct UndrawnTickCase {
    const char* Name;
    std::function<void(TGameForm&, TGNullWindow&)> Setup;
};

// Ticks that draw nothing still run the game: a hidden window, or frames paced to the display.
TEST_F(GameFormTest, TicksWithoutDrawingWhileHiddenOrBetweenPacedFrames) {
    const UndrawnTickCase cases[] = {
        {"hidden", [](TGameForm&, TGNullWindow& w) { w.Visible = false; }},
        {"paced", [](TGameForm& f, TGNullWindow&) { f.SetMinFrameIntervalMs(1e9); }},
    };
    for (const UndrawnTickCase& c : cases) {
        SCOPED_TRACE(c.Name);
        window = TGNullWindow();
        renderer.Presents = 0;
        Create();
        Data().Device->SetSkipSameFrames(false);
        Tick();
        ASSERT_TRUE(form->IsActive());
        c.Setup(*form, window);
        int presents = renderer.Presents;
        int updates = widgets->Updates;
        Tick();
        Tick();
        EXPECT_LE(renderer.Presents - presents, 1) << "at most the first paced frame is drawn";
        EXPECT_EQ(widgets->Updates - updates, 2);
        EXPECT_DOUBLE_EQ(Data().GameClock->Step, 0.01) << "the clocks go on";
        form.reset();
    }
}

// Frames like the last are not presented again, unless the window was exposed meanwhile.
TEST_F(GameFormTest, AnExposedWindowGetsItsRepeatedFramePresented) {
    Create();
    Tick();
    Tick();
    int presents = renderer.Presents;
    Tick();
    EXPECT_EQ(renderer.Presents, presents);
    form->HandleEvent(Event(TGWindowEvent::Expose));
    EXPECT_EQ(renderer.Presents, presents + 1);
}

// A request made while a frame is drawn is served once that frame is on the screen, and once.
TEST_F(GameFormTest, TexturesAreEvictedOnceAfterTheFrameThatAskedIsPresented) {
    Create();
    Data().Device->SetSkipSameFrames(false);
    Tick();
    widgets->DuringDraw = [this] {
        EXPECT_TRUE(renderer.PresentsAtEviction.empty()) << "nothing is evicted while the frame is drawn";
        Data().TextureEvictionRequested = true;
    };
    Tick();
    widgets->DuringDraw = nullptr;
    Tick();
    Tick();
    EXPECT_EQ(renderer.PresentsAtEviction, std::vector<int>{2});
    EXPECT_FALSE(Data().TextureEvictionRequested);
}

TEST_F(GameFormTest, AnErrorInAFrameStillPresentsItAndIsShownOnce) {
    Create();
    Data().Device->SetSkipSameFrames(false);
    Tick();
    widgets->DrawError = "broken";
    Tick();
    Tick();
    EXPECT_EQ(renderer.Presents, 3);
    ASSERT_EQ(window.Messages.size(), 1u);
    EXPECT_EQ(window.Messages[0].second, "TRecordingWidgets.Draw: broken");
    widgets->DrawError = "another";
    Tick();
    EXPECT_EQ(window.Messages.size(), 2u);
}

TEST_F(GameFormTest, RunningOutOfVideoMemoryStopsWithTheFixedMessageOutOfFullScreen) {
    Create(true);
    Tick();
    renderer.RefuseTextures = 2;
    EXPECT_THROW(Data().Device->CreateTexture(64, 64, pfA8R8G8B8, false), EGError);
    try {
        Tick();
        FAIL() << "the program went on";
    } catch (const EGFatalExit& fatal) {
        EXPECT_NE(fatal.Status, 0);
    }
    ASSERT_EQ(window.Messages.size(), 1u);
    EXPECT_EQ(window.Messages[0].first, "Unable to run the game");
    EXPECT_NE(window.Messages[0].second.find("not enough video or physical memory"), std::string::npos);
    EXPECT_FALSE(window.FullScreen);
    EXPECT_FALSE(Data().FullScreen());
    EXPECT_THROW(form->HandleEvent(Event(TGWindowEvent::MouseMove)), EGFatalExit);
    EXPECT_EQ(window.Messages.size(), 1u) << "the message is shown once";
}

TEST_F(GameFormTest, MediaCenterStartForcesFullScreen) {
    info.MediaCenter = true;
    Create(false);
    EXPECT_TRUE(Data().FullScreen());
    EXPECT_TRUE(window.FullScreen);
}

} // namespace
} // namespace qm
