#include "StandardWidgetsFixture.h"
#include "UGAnimotion.h"
#include "UGKeys.h"
#include "UGWidAnimotion.h"
#include "UGWidButton.h"
#include "UGWidCheckBox.h"
#include "UGWidEditBox.h"
#include "UGWidLabel.h"
#include "UGWidScrollBar.h"

namespace qm::test {
namespace {

// Ten units a letter and twenty a line; no Greek letters.
class TTenUnitFont : public IGTextMetrics {
public:
    double Width(const std::u32string& text) const override {
        return 10.0 * static_cast<double>(text.size());
    }
    double MaxCharWidth() const override { return 10.0; }
    bool HasGlyph(char32_t c) const override { return c < 0x370 || c > 0x3FF; }
    double LineHeight() const override { return 20.0; }
};

TEST_F(StandardWidgets, ButtonShowsItsStateAndClicksOnlyWhenReleasedOverIt) {
    Start();
    auto& button = Find<TGWidButton>("Btn");
    int clicks = 0;
    button.OnClick = [&clicks](TGWidget&) { ++clicks; };
    EXPECT_EQ(button.Width(), 100.0) << "the least size of its image";
    EXPECT_EQ(button.StateName(), "Normal");
    MoveTo(50, 20);
    EXPECT_EQ(button.StateName(), "Over");
    Manager->MouseDown(mbLeft);
    EXPECT_EQ(button.StateName(), "Pressed");
    MoveTo(200, 20);
    EXPECT_EQ(button.StateName(), "Normal") << "held, but a release here would not click";
    Release(200, 20);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(button.Pressed);
    ClickAt(50, 20);
    EXPECT_EQ(clicks, 1);

    auto& off = Find<TGWidButton>("Off");
    int offClicks = 0;
    off.OnClick = [&offClicks](TGWidget&) { ++offClicks; };
    ClickAt(50, 265);
    EXPECT_EQ(offClicks, 0);
    EXPECT_FALSE(off.Hovered);
    EXPECT_TRUE(off.IsVisible()) << "its style has a disabled look";
    EXPECT_EQ(off.StateName(), "Disabled");

    auto& vanishing = Find<TGWidButton>("Vanishing");
    vanishing.SetDisabled(true);
    EXPECT_FALSE(vanishing.IsVisible()) << "no disabled look: it goes";
    vanishing.SetDisabled(false);
    EXPECT_TRUE(vanishing.IsVisible());
}

TEST_F(StandardWidgets, CheckBoxClickedTwiceIsUncheckedAgain) {
    Start();
    auto& box = Find<TGWidCheckBox>("Check");
    EXPECT_EQ(box.Width(), 28.0);
    EXPECT_EQ(box.Height(), 28.0);
    std::vector<bool> seen;
    box.OnClick = [&seen, &box](TGWidget&) { seen.push_back(box.Checked); };
    ClickAt(20, 110);
    ClickAt(20, 110);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
    Press(20, 110);
    Release(90, 300);
    EXPECT_FALSE(box.Checked) << "released elsewhere";
}

TEST_F(StandardWidgets, ScrollBarFollowsArrowsTrackClicksDragsAndTheWheel) {
    Start();
    auto& bar = Find<TGWidScrollBar>("Bar");
    TGWidScrollBarSlider& slider = bar.Slider();
    // 200 high: arrows of 20 at both ends, a slider of 40 running from 20 to 140.
    EXPECT_EQ(bar.DownButton().Y, 180.0);
    EXPECT_EQ(slider.Track.Start, 20.0);
    EXPECT_EQ(slider.Track.End, 140.0);
    EXPECT_EQ(slider.Offset(), 20.0);
    bar.SetRange(0, 100);
    int changes = 0;
    bar.OnChange = [&changes](TGWidget&) { ++changes; };

    Press(310, 200); // the down arrow, held for 40 updates
    Updates(40);
    Release(310, 200);
    EXPECT_NEAR(bar.Value(), 10.0, 1e-9);
    EXPECT_EQ(changes, 10);

    Press(310, 120); // the track: the slider's top goes there
    Release(310, 120);
    EXPECT_EQ(slider.Offset(), 110.0);
    EXPECT_NEAR(bar.Value(), 75.0, 1e-9);

    Press(310, 130); // the slider, dragged 12 pixels down
    MoveTo(310, 142);
    EXPECT_NEAR(bar.Value(), 85.0, 1e-9);
    MoveTo(310, 400);
    EXPECT_NEAR(bar.Value(), 100.0, 1e-9);
    MoveTo(310, 390);
    EXPECT_NEAR(bar.Value(), 100.0, 1e-9) << "it waits at the end until the pointer comes back";
    MoveTo(310, 154);
    EXPECT_NEAR(bar.Value(), 95.0, 1e-9);
    Release(310, 154);

    MoveTo(310, 100);
    Manager->MouseWheelUp();
    EXPECT_NEAR(bar.Value(), 94.0, 1e-9);

    bar.SetRange(4, 4);
    EXPECT_EQ(bar.Value(), 4.0);
    EXPECT_EQ(slider.Offset(), 20.0) << "a range of one value puts the slider at its start";
}

class EditBoxes : public StandardWidgets {
protected:
    void SetUp() override {
        StandardWidgets::SetUp();
        Start();
        name = &Find<TGWidEditBox>("Name");
        notes = &Find<TGWidEditBox>("Notes");
        name->Content().SetTextMetrics(&font);
        notes->Content().SetTextMetrics(&font);
    }
    TTenUnitFont font;
    TGWidEditBox* name = nullptr;
    TGWidEditBox* notes = nullptr;
};

TEST_F(EditBoxes, KeysGoToTheEditBoxLastClickedElseTheFirst) {
    Type(U"Ada");
    EXPECT_EQ(name->Text(), "Ada");
    EXPECT_EQ(notes->Text(), "");
    ClickAt(450, 150);
    Type(U"x");
    EXPECT_EQ(notes->Text(), "x");
    EXPECT_EQ(name->Text(), "Ada");
    ClickAt(560, 20); // after the text: the caret goes to its end
    Type(U"bΩ\rcdef");
    EXPECT_EQ(name->Text(), "Adabc") << "at most 5 letters, one line, letters of the font";
    Key(VK_LEFT);
    Key(VK_BACK);
    EXPECT_EQ(name->Text(), "Adac");
    Key(VK_HOME);
    Key(VK_DELETE);
    EXPECT_EQ(name->Text(), "dac");

    name->SetVisible(false);
    Type(U"z");
    EXPECT_EQ(notes->Text(), "xz") << "a hidden box hands the keys on";
}

TEST_F(EditBoxes, MultiLineTextScrollsWithItsBar) {
    // 100 high with lines of 20: five lines show.
    EXPECT_EQ(notes->Content().VisibleLineCount(), 5u);
    EXPECT_EQ(notes->Content().Width(), 180.0) << "the scroll bar takes 20 at the right";
    notes->SetText("1\r2\r3\r4\r5\r6\r7\r8\r9\r10");
    TGWidScrollBar& bar = notes->ScrollBar();
    EXPECT_EQ(bar.Max(), 5.0);
    EXPECT_EQ(bar.Value(), 0.0);
    ClickAt(410, 105);
    for (int i = 0; i < 9; ++i) {
        Key(VK_DOWN);
    }
    EXPECT_EQ(notes->Content().FirstVisibleLine(), 5u);
    EXPECT_EQ(bar.Value(), 5.0);
    bar.SetValue(2, true);
    EXPECT_EQ(notes->Content().FirstVisibleLine(), 2u);
    MoveTo(450, 150);
    Manager->MouseWheelDown();
    EXPECT_EQ(notes->Content().FirstVisibleLine(), 3u);
    EXPECT_EQ(bar.Value(), 3.0);
    Type(U"\r");
    EXPECT_EQ(notes->Content().LineCount(), 11u) << "Enter breaks a multi-line text";

    // A text that fits leaves its bar a range of one value, the slider at its start.
    TGWidScrollBar& nameBar = name->ScrollBar();
    EXPECT_EQ(nameBar.Min(), nameBar.Max());
    EXPECT_EQ(nameBar.Value(), 0.0);
    EXPECT_EQ(nameBar.Slider().Offset(), nameBar.Slider().Track.Start);
}

TEST_F(StandardWidgets, LabelTranslatesAndAnimotionFollowsItsPanel) {
    Start();
    EXPECT_EQ(Find<TGWidLabel>("Label").Caption, "English");
    auto& orbit = Find<TGWidAnimotion>("Orbit");
    ASSERT_TRUE(orbit.Animotion);
    EXPECT_TRUE(orbit.Animotion->HasChannel(0));
    orbit.Draw();
    EXPECT_EQ(orbit.Animotion->GetX(), 110.0);
    EXPECT_EQ(orbit.Animotion->GetY(), 420.0);
}

TEST_F(StandardWidgets, EveryStandardTypeIsRegisteredAndABadKindIsNamed) {
    Start(R"(<Widget Type="Widget" Name="BadBar"><Widget Type="ScrollBar" Kind="Diagonal"/></Widget>)");
    for (const char* type : {"Button", "Animotion", "Label", "ScrollBar", "ScrollBarSlider", "CheckBox",
                             "EditBox", "EditBoxContent"}) {
        EXPECT_TRUE(IsWidgetClassRegistered(type)) << type;
    }
    ExpectErrorContaining([this] { Manager->ShowScreenFromConfig("BadBar"); }, "Incorrect kind: Diagonal");
}

} // namespace
} // namespace qm::test
