#include "UGWidget.h"
#include "TestHelpers.h"
#include "UGWidDialog.h"
#include "UGWidImage.h"
#include "UGWidScreen.h"
#include "WidgetTestApp.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// Records the order in which widgets finish loading.
std::vector<std::string> GLoaded;

class TLoadOrderWidget : public TGWidget {
public:
    using TGWidget::TGWidget;
    std::string GetClassName() const override { return "Widget"; }
    void AfterLoad() override { GLoaded.push_back(Name); }
};

// A class no style names as its default.
class TGadget : public TGWidget {
public:
    using TGWidget::TGWidget;
    std::string GetClassName() const override { return "Gadget"; }
};

// An effect that runs for a given number of drawn frames.
class TFramesEffect : public IGEffect {
public:
    explicit TFramesEffect(int frames) : Frames(frames) {}
    void Start() override {
        ++Starts;
        Drawn = 0;
    }
    bool IsFinished() override { return Drawn >= Frames; }
    void Draw(double x, double y) override {
        ++Drawn;
        LastX = x;
        LastY = y;
    }
    int Frames;
    int Drawn = 0;
    int Starts = 0;
    double LastX = 0.0;
    double LastY = 0.0;
};

class WidgetTest : public ::testing::Test {
protected:
    std::unique_ptr<TGWidget> Build(const std::string& xml, const std::string& file = "screens.xml") {
        PGXMLNode root = test::WidgetTestApp::Parse(xml, file);
        return CreateAbstract(Test.App(), TGXMLWidgetParams(root->GetCollection("Widget")->GetItem(0)));
    }
    std::string BuildError(const std::string& xml) {
        return test::ErrorText([&] { Build(xml); });
    }

    test::WidgetTestApp Test;
};

TEST_F(WidgetTest, BuildsTheScreenTreeFromXml) {
    TGWidget& screen = Test.ShowTestScreen();
    EXPECT_EQ(screen.GetClassName(), "Screen");
    EXPECT_TRUE(screen.IsVisible()) << "screens start hidden and are shown by ShowScreen";
    auto& box = screen.GetChildAs<TGWidDialog>("Box");
    EXPECT_EQ(box.X, 100.0);
    EXPECT_EQ(box.Width(), 200.0);
    EXPECT_EQ(box.Style()->Name(), "Dialog") << "the type's default style";
    EXPECT_EQ(box.ClickSound, "click") << "sounds come from the style";
    EXPECT_FALSE(box.Modal);
    auto& notched = box.GetChildAs<TGWidImage>("Notched");
    EXPECT_EQ(notched.Style()->Name(), "Notch");
    EXPECT_TRUE(notched.AllowMouse);
    EXPECT_EQ(notched.AbsX(), 150.0);
    EXPECT_EQ(notched.AbsY(), 110.0);
    auto& popup = screen.GetChildAs<TGWidDialog>("Popup");
    EXPECT_TRUE(popup.Modal);
    EXPECT_FALSE(popup.IsVisible());
    // Direct children only.
    EXPECT_FALSE(screen.HasChild("Icon"));
    test::ExpectError([&] { screen.GetChild("Icon"); },
                      "TGWidget.GetChild: Child \"Icon\" not found in \"TestScreen\"");
    EXPECT_NE(screen.FindCursor(), nullptr) << "the root's cursor serves the whole tree";
}

TEST_F(WidgetTest, ChildrenFinishLoadingBeforeTheirParent) {
    RegisterWidgetClass<TLoadOrderWidget>("LoadOrder");
    GLoaded.clear();
    Build(R"(<R><Widget Type="LoadOrder" Name="A" Style="Plain">
               <Widget Type="LoadOrder" Name="B" Style="Plain"><Widget Type="LoadOrder" Name="C" Style="Plain"/></Widget>
               <Widget Type="LoadOrder" Name="D" Style="Plain"/></Widget></R>)");
    EXPECT_EQ(GLoaded, (std::vector<std::string>{"C", "B", "D", "A"}));
}

TEST_F(WidgetTest, BadScreensNameTheFileAndElement) {
    struct Case {
        const char* Xml;
        const char* Error;
    };
    const Case cases[] = {
        {R"(<R><Widget Type="Widget"><Widget Type="Knob"/></Widget></R>)",
         "TGWidget.CreateAbstract: Unknown class \"Knob\" (screens.xml: R/Widget/Widget)"},
        {R"(<R><Widget Type="Widget"><Widget Name="NoType"/></Widget></R>)",
         "Attribute \"Type\" not found (element R/Widget/Widget in \"screens.xml\")"},
        {R"(<R><Widget Type="Widget" Style="Shiny"/></R>)",
         "TGWidgetStyleManager.GetWidgetStyle: Unknown widget style name: \"Shiny\" (screens.xml: R/Widget)"},
        {R"(<R><Widget Type="Widget"><Widget Type="Image" Pivot="Middle"/></Widget></R>)", "StrToPivot"},
        {R"(<R><Widget Type="Widget"><ShowEffect Type="Fade"/></Widget></R>)",
         "CreateEffectFromXML: Unknown effect type: Fade (screens.xml: R/Widget/ShowEffect)"},
        {R"(<R><Widget Type="Widget"><HideEffect Type="AniEffect"><Animotion><Channel><Segment Type="Jump"/></Channel></Animotion></HideEffect></Widget></R>)",
         "TGAnimotion.Import"},
    };
    for (const Case& c : cases) {
        std::string error = BuildError(c.Xml);
        EXPECT_NE(error.find(c.Error), std::string::npos) << "got: " << error << "\nwanted: " << c.Error;
        EXPECT_NE(error.find("screens.xml"), std::string::npos) << error;
    }
    RegisterWidgetClass<TGadget>("Gadget");
    EXPECT_EQ(BuildError(R"(<R><Widget Type="Gadget"/></R>)"),
              "TGWidgetStyleManager.GetDefaultWidgetStyle: Unknown default style for widget: \"Gadget\" "
              "(screens.xml: R/Widget)");
    test::ExpectError(
        [&] { Test.Manager().ShowScreenFromConfig("Nowhere"); },
        "TGXMLWidgetParams.ForScreen: Screen \"Nowhere\" not found (CoreConfig.xml: CoreConfig)");
}

TEST_F(WidgetTest, AddingAWidgetTwiceOrIntoItselfIsRefused) {
    auto parent = Build(R"(<R><Widget Type="Widget" Name="P"><Widget Type="Widget" Name="C"/></Widget></R>)");
    TGWidget& child = parent->GetChild("C");
    std::unique_ptr<TGWidget> detached = parent->RemoveWidget(child);
    ASSERT_EQ(detached.get(), &child);
    EXPECT_EQ(child.Parent(), nullptr);
    EXPECT_FALSE(parent->HasChild("C"));
    TGWidget& again = parent->AddWidget(std::move(detached));
    EXPECT_EQ(again.Parent(), parent.get());
    // A widget that already hangs in a tree cannot be added elsewhere, nor a parent below its
    // own child; the refused widget stays where it was.
    auto other = Build(R"(<R><Widget Type="Widget" Name="O"/></R>)");
    test::ExpectError([&] { other->AddWidget(std::unique_ptr<TGWidget>(&again)); },
                      "TGWidget.AddWidget: Widget \"C\" is already in a tree");
    test::ExpectError([&] { again.AddWidget(std::unique_ptr<TGWidget>(parent.get())); },
                      "TGWidget.AddWidget: Widget \"P\" is already in a tree");
    EXPECT_EQ(&parent->GetChild("C"), &again);
}

TEST_F(WidgetTest, StateStackHoldsTenLevels) {
    auto widget = Build(R"(<R><Widget Type="Widget"/></R>)");
    int shown = 0;
    auto first = std::make_shared<TFramesEffect>(1);
    widget->ShowEffect = first;
    widget->OnShow = [&](TGWidget&) { shown = 1; };
    widget->PushState();
    widget->ShowEffect = nullptr;
    widget->OnShow = [&](TGWidget&) { shown = 2; };
    for (int i = 2; i <= 10; ++i) {
        widget->PushState();
    }
    EXPECT_EQ(widget->StateDepth(), 10);
    test::ExpectError([&] { widget->PushState(); }, "TGWidget.PushState: Stack overflow");
    for (int i = 10; i >= 2; --i) {
        widget->PopState();
    }
    widget->SetVisible(true);
    EXPECT_EQ(shown, 2);
    widget->PopState();
    EXPECT_EQ(widget->ShowEffect, first);
    widget->SetVisible(true);
    EXPECT_EQ(shown, 1);
    test::ExpectError([&] { widget->PopState(); }, "TGWidget.PopState: Empty stack");
    EXPECT_EQ(widget->ShowEffect, first) << "a refused pop changes nothing";
}

TEST_F(WidgetTest, HideEffectPlaysThenHides) {
    auto dialog = Build(R"(<R><Widget Type="Dialog" X="40" Y="30" Width="50" Height="50"/></R>)");
    auto hide = std::make_shared<TFramesEffect>(3);
    dialog->HideEffect = hide;
    int ended = 0, hidden = 0;
    dialog->OnEffectEnd = [&](TGWidget&) { ++ended; };
    dialog->OnHide = [&](TGWidget&) { ++hidden; };
    dialog->Hide();
    EXPECT_EQ(hide->Starts, 1);
    EXPECT_TRUE(dialog->IsVisible()) << "visible until the effect ends";
    EXPECT_TRUE(dialog->IsInEffect());
    dialog->Draw();
    dialog->Draw();
    EXPECT_EQ(hide->LastX, 40.0);
    EXPECT_EQ(hide->LastY, 30.0);
    EXPECT_EQ(hidden, 0);
    dialog->Draw();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(hidden, 1);
    EXPECT_FALSE(dialog->IsVisible());
    EXPECT_FALSE(dialog->IsInEffect());
    // Hiding a hidden widget plays nothing.
    dialog->Hide();
    EXPECT_EQ(hide->Starts, 1);
    EXPECT_FALSE(dialog->IsInEffect());
}

TEST_F(WidgetTest, ShowingAScreenHidesThePreviousOneThroughItsEffect) {
    auto owner = Build(R"(<R><Widget Type="Widget">
        <Widget Type="Screen" Name="One" Width="800" Height="600"/>
        <Widget Type="Screen" Name="Two" Width="800" Height="600"/></Widget></R>)");
    TGWidget& root = *owner;
    auto& one = root.GetChildAs<TGWidScreen>("One");
    auto& two = root.GetChildAs<TGWidScreen>("Two");
    EXPECT_FALSE(one.IsVisible());
    one.ShowScreen();
    auto hideOne = std::make_shared<TFramesEffect>(2);
    one.HideEffect = hideOne;
    two.ShowEffect = std::make_shared<TFramesEffect>(2);
    two.ShowScreen();
    EXPECT_EQ(hideOne->Starts, 1);
    EXPECT_TRUE(two.IsInEffect());
    EXPECT_EQ(root.Children().back().get(), &two);
    one.ShowScreen();
    EXPECT_EQ(root.Children().back().get(), &one) << "brought to the front";
}

} // namespace
} // namespace qm
