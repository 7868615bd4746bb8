#include "StandardWidgetsFixture.h"

#include <fstream>

namespace qm::test {

namespace {

// Plain rectangles of known least sizes, so that sizes and layouts are exact without art.
const char* const StylesAndScreen = R"(
<WidgetStyle Name="Btn" DefaultWidget="Button">
  <Sound OnClick="Click" OnMouseEnter="Hover"/>
  <Visual Type="SolidRect" Name="ImageNormal" MinWidth="100" MinHeight="30"/>
  <Visual Type="SolidRect" Name="ImageDisabled" MinWidth="100" MinHeight="30"/>
</WidgetStyle>
<WidgetStyle Name="BtnWithoutDisabledLook">
  <Visual Type="SolidRect" Name="ImageNormal" MinWidth="100" MinHeight="30"/>
</WidgetStyle>
<WidgetStyle Name="Arrow">
  <Visual Type="SolidRect" Name="ImageNormal" MinWidth="20" MinHeight="20"/>
</WidgetStyle>
<WidgetStyle Name="Thumb" DefaultWidget="ScrollBarSlider">
  <Visual Type="SolidRect" Name="Normal" MinWidth="20" MinHeight="40"/>
</WidgetStyle>
<WidgetStyle Name="Bar" DefaultWidget="ScrollBar">
  <InnerStyle InnerWidget="ScrollUp" Style="Arrow"/>
  <InnerStyle InnerWidget="ScrollDown" Style="Arrow"/>
  <InnerStyle InnerWidget="Slider" Style="Thumb"/>
  <Visual Type="SolidRect" Name="Background" MinWidth="20" MinHeight="20"/>
</WidgetStyle>
<WidgetStyle Name="Check" DefaultWidget="CheckBox">
  <Visual Type="SolidRect" Name="UncheckedNormal" MinWidth="28" MinHeight="28"/>
  <Visual Type="SolidRect" Name="CheckedNormal" MinWidth="28" MinHeight="28"/>
</WidgetStyle>
<WidgetStyle Name="Text" DefaultWidget="Label">
  <Visual Type="Label" Name="Label" Font="NoFont"/>
</WidgetStyle>
<WidgetStyle Name="Content" DefaultWidget="EditBoxContent">
  <Visual Type="Label" Name="Item" Font="NoFont"/>
  <Visual Type="SolidRect" Name="TextCursor" MinWidth="2"/>
</WidgetStyle>
<WidgetStyle Name="Edit" DefaultWidget="EditBox">
  <InnerStyle InnerWidget="VScrollBar" Style="Bar"/>
  <InnerStyle InnerWidget="Content" Style="Content"/>
  <Visual Type="SolidRect" Name="Background"/>
</WidgetStyle>
<WidgetStyle Name="Screen" DefaultWidget="Screen">
  <Visual Type="Image" Name="Image"/>
</WidgetStyle>
<WidgetStyle Name="Dlg" DefaultWidget="Dialog">
  <Visual Type="SolidRect" Name="Background"/>
</WidgetStyle>
<WidgetStyle Name="Plain" DefaultWidget="Widget"/>
<WidgetStyle Name="Anim" DefaultWidget="Animotion"/>

<Widget Type="Widget" Name="Test" Width="800" Height="600">
  <Widget Type="Screen" Name="Test" Width="800" Height="600">
    <Widget Type="Button" Name="Btn" X="10" Y="10" Caption="Go"/>
    <Widget Type="Button" Name="Vanishing" Style="BtnWithoutDisabledLook" X="10" Y="50"/>
    <Widget Type="Button" Name="Off" X="10" Y="250" Disabled="1"/>
    <Widget Type="CheckBox" Name="Check" X="10" Y="100"/>
    <Widget Type="Label" Name="Label" X="10" Y="150" Width="100" Height="20" Caption="@UTest1"/>
    <Widget Type="ScrollBar" Name="Bar" X="300" Y="10" Height="200"/>
    <Widget Type="EditBox" Name="Name" X="400" Y="10" Width="200" Height="30" MaxSize="5"/>
    <Widget Type="EditBox" Name="Notes" X="400" Y="100" Width="200" Height="100" Multiline="1"/>
    <Widget Type="Dialog" Name="Panel" X="100" Y="400" Width="200" Height="100">
      <Widget Type="Animotion" Name="Orbit" X="10" Y="20">
        <Channel Id="0" X="5"/>
      </Widget>
    </Widget>
  </Widget>
</Widget>
)";

} // namespace

void StandardWidgets::SetUp() {
    fs::path data = CopyFixture("minimal", Dir);
    Info.ProgramFolder = data;
    Info.UserFolder = Dir.Path() / "user";
    Info.Ticks = &Ticks;
    Info.Window = &Window;
}

void StandardWidgets::TearDown() {
    App.reset();
    std::error_code ec;
    fs::current_path(StartFolder, ec);
}

void StandardWidgets::Start(const std::string& extraXml) {
    std::ofstream(Info.ProgramFolder / "config" / "Widgets.xml") << StylesAndScreen << extraXml;
    App = std::make_unique<TTestAppData>(Info);
    Manager = &GetWidgetManager(*App);
    Manager->ShowScreenFromConfig("Test");
}

TGWidget& StandardWidgets::Screen() const {
    return Manager->Root()->GetChild("Test");
}

} // namespace qm::test
