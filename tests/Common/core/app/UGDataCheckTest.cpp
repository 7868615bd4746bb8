#include "UGDataCheck.h"
#include "Common/core/sound/TestSounds.h"
#include "TestHelpers.h"
#include "UGPngWriter.h"
#include "UGameData.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

namespace qm {
namespace {

using test::EditFile;
using test::TempDir;

// The minimal fixture grown into a folder the check passes: one pool with a picture and an
// image font's sheet, an image font and a system font, a set loading all of them, a key used in
// the game configuration, and a file the code opens by name.
class DataCheckTest : public ::testing::Test {
public:
    void SetUp() override {
        data = test::CopyFixture("minimal", dir);
        dir.Write("minimal/config/Sets.xml", R"(<FontFace Name="Sans" File="fonts/Face.ttf"/>
<Resource Id="PicturePool" Type="SeqPool" PixelFormat="A8R8G8B8">
  <SeqDir Root="gfx/" Path="pics/"/>
  <SeqDir Root="gfx/" Path="fonts/"/>
</Resource>
<ResourceSet Name="LoadingScreen">
  <Include ResType="SeqPool"/>
  <Include ResType="Font"/>
</ResourceSet>
)");
        dir.Write("minimal/lang/Fonts.xml", R"(<Fonts>
  <Resource Type="SysFont" Id="SysFont" Face="Sans" Size="10"/>
  <Resource Type="ImageFont" Id="FntMini" SeqId="fonts/FntMini" Chars="AB@" Widths="4,4,4">
    <Indent C="@" Left="0" Right="1"/>
  </Resource>
</Fonts>
)");
        dir.Write("minimal/config/Sounds.xml", R"(<Track Name="Menu" Src="music/Menu.xm"/>
<Sound Name="Click" Src="sounds/Click.wav"/>
<ModSoundLib Src="music/Effects.xm"><ModSound Name="Wind" Pattern="0"/></ModSoundLib>
)");
        // The sound engine reads every file as the game does, so they are real sounds.
        dir.Write("minimal/music/Menu.xm", test::MakeTestModule({64, 32}));
        dir.Write("minimal/sounds/Click.wav", test::MakeToneWave(0.05, 8000));
        dir.Write("minimal/music/Effects.xm", test::MakeTestModule({64}));
        EditFile(data / "GameConfig.xml", R"(Version="9.8.7")", R"(Version="9.8.7" Title="@UTest1")");
        // Only the signature of a face is read without a font library.
        dir.Write("minimal/fonts/Face.ttf", std::string("\0\1\0\0", 4) + "rest of a face");
        for (const char* folder : {"gfx/pics", "gfx/fonts", "gfx/first"}) {
            fs::create_directories(data / folder);
        }
        WritePng(data / "gfx/pics/dot.png", 4, 4, std::vector<uint32_t>(16, 0xFF00FF00));
        WritePng(data / "gfx/fonts/FntMini.png", 12, 4, std::vector<uint32_t>(48, 0xFFFFFFFF));
        WritePng(data / "gfx/first/hello.png", 2, 2, std::vector<uint32_t>(4, 0xFF000000));

        input.DataFolder = data;
        input.Names.Sequences = {"Pics/Dot"};
        input.Names.Fonts = {"SysFont"};
        input.Names.Files = {"gfx/first/hello.png"};
        input.Names.Configurations = {"GameConfig.xml"};
        input.Names.Sounds = {"Click"};
        input.Names.Tracks = {"Menu"};
        input.StartUp = [](const TGAppStartInfo& info) -> std::unique_ptr<TGBaseAppData> {
            return std::make_unique<TGameData>(info, "GameConfig.xml", false);
        };
    }

    std::vector<std::string> Check() const {
        std::vector<std::string> lines;
        for (const TGDataProblem& problem : CheckDataFolder(input)) {
            lines.push_back(problem.Text());
        }
        return lines;
    }
    std::string Path(const std::string& relative) const { return (data / relative).string(); }

    TempDir dir;
    fs::path data;
    TGDataCheckInput input;
};

TEST_F(DataCheckTest, AFolderTheGameLoadsHasNoProblem) {
    EXPECT_EQ(Check(), std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(data / "CoreConfig.xml.cr")) << "the folder was loaded as the game loads it";
    EXPECT_TRUE(fs::exists(data / "gfx/pics.gfx"));
}

struct TBreakage {
    const char* Name;
    // Whether it leaves the others findable, so that all such can be made in one folder.
    bool Combines;
    std::function<void(DataCheckTest&)> Apply;
    std::function<std::vector<std::string>(const DataCheckTest&)> Expected;
};

// Each kind of breakage, with exactly what the check reports for it.
std::vector<TBreakage> Breakages() {
    return {
        {"widgets name a style, a picture and a font nobody defines", true,
         [](DataCheckTest& t) {
             std::ofstream(t.data / "config/Widgets.xml") << R"(
<WidgetStyle Name="Look">
  <Visual Type="Image" Name="Image" SeqId="Fonts/FntMini"/>
  <Visual Type="Rect" Name="Frame" SeqId="pics/frame"/>
  <Visual Type="Label" Name="Label" Font="FntNone"/>
  <Visual Type="Label" Name="Caption" Font="FntMini"/>
</WidgetStyle>
<Widget Type="Widget" Name="Menu" Style="Look">
  <Widget Type="Button" Name="Go" Style="Gone"/>
  <Widget Type="Animotion" Name="Spin">
    <Channel Id="0"><Segment Type="Clip" SeqId="pics/spin"/></Channel>
  </Widget>
</Widget>)";
         },
         [](const DataCheckTest&) {
             return std::vector<std::string>{
                 R"(CoreConfig.xml: CoreConfig/WidgetStyle "Look"/Visual "Frame": sequence "pics/frame" is not )"
                 R"(provided by any sequence pool)",
                 R"(CoreConfig.xml: CoreConfig/WidgetStyle "Look"/Visual "Label": font "FntNone" is not defined)",
                 R"(CoreConfig.xml: CoreConfig/Widget "Menu"/Widget "Go": style "Gone" is not defined)",
                 R"(CoreConfig.xml: CoreConfig/Widget "Menu"/Widget "Spin"/Channel "0"/Segment: sequence "pics/spin" )"
                 R"(is not provided by any sequence pool)"};
         }},
        {"a resource folder of a pool is missing", true,
         [](DataCheckTest& t) {
             EditFile(t.data / "config/Sets.xml", R"(<SeqDir Root="gfx/" Path="fonts/"/>)",
                      R"(<SeqDir Root="gfx/" Path="fonts/"/><SeqDir Root="gfx\" Path="ui\menu"/>)");
         },
         [](const DataCheckTest&) {
             return std::vector<std::string>{
                 R"(CoreConfig.xml: CoreConfig/Resource "PicturePool": SeqDir Root="gfx\" Path="ui\menu": )"
                 R"(neither the image folder "gfx/ui/menu" nor the archive "gfx/ui-menu.gfx" exists)"};
         }},
        {"a resource type nobody registered", true,
         [](DataCheckTest& t) {
             EditFile(t.data / "config/Sets.xml", "<ResourceSet",
                      "<Resource Id=\"Odd\" Type=\"SeqPol\"/>\n<ResourceSet");
         },
         [](const DataCheckTest&) {
             return std::vector<std::string>{
                 R"(CoreConfig.xml: CoreConfig/Resource "Odd": )"
                 R"(TGResource.ResolveClass: Resource type "SeqPol" not registered)"};
         }},
        {"an image font names a sequence no pool has", true,
         [](DataCheckTest& t) { EditFile(t.data / "lang/Fonts.xml", "fonts/FntMini", "fonts/FntGone"); },
         [](const DataCheckTest&) {
             return std::vector<std::string>{
                 R"(lang/Fonts: Fonts/Resource "FntMini": SeqId "fonts/FntGone": no sequence pool provides it)"};
         }},
        {"the sheet of an image font is in a pool no set loads with the font", false,
         [](DataCheckTest& t) {
             EditFile(t.data / "config/Sets.xml", R"(<Include ResType="SeqPool"/>)", "");
             EditFile(t.data / "config/Sets.xml", "</ResourceSet>",
                      "</ResourceSet>\n<ResourceSet Name=\"Pictures\"><Include "
                      "ResType=\"SeqPool\"/></ResourceSet>");
         },
         [](const DataCheckTest&) {
             return std::vector<std::string>{
                 R"(lang/Fonts: Fonts/Resource "FntMini": SeqId "fonts/FntMini": no resource set loads the font )"
                 R"(together with a sequence pool that provides it)"};
         }},
        {"a sequence the code names is missing", true,
         [](DataCheckTest& t) { fs::rename(t.data / "gfx/pics/dot.png", t.data / "gfx/pics/dots.png"); },
         [](const DataCheckTest&) {
             return std::vector<std::string>{
                 R"(code: sequence "Pics/Dot": no sequence pool of the configuration provides it)"};
         }},
        {"a screen lacks a widget its code looks up, and an animotion of the game configuration names a "
         "picture nobody provides",
         true,
         [](DataCheckTest& t) {
             std::ofstream(t.data / "config/Play.xml") << R"(
<Widget Type="Widget" Name="Play"><Widget Type="Widget" Name="Board"><Widget Type="Widget" Name="Bar"/></Widget></Widget>)";
             EditFile(t.data / "GameConfig.xml", R"(SecretFieldColumnCount="8"/>)",
                      R"(SecretFieldColumnCount="8"><Scene><BackAni><Channel Id="0"/></BackAni>)"
                      R"(<BackAni><Channel Id="0" SeqId="pics/gull"/></BackAni></Scene></GameConfig>)");
             t.input.Names.ScreenWidgets = {{"Play", {"Board", "Bar", "Clock"}}, {"Map", {"Pin"}}};
             t.input.Names.AnimotionElements = {"Scene/BackAni"};
         },
         [](const DataCheckTest&) {
             return std::vector<std::string>{
                 R"(CoreConfig.xml: CoreConfig/Widget "Play": has no widget "Clock")",
                 R"(code: screen "Map": no Widget of the core configuration has this name)",
                 R"(GameConfig.xml: GameConfig/Scene[1]/BackAni[2]/Channel "0": sequence "pics/gull" is not )"
                 R"(provided by any sequence pool)"};
         }},
        {"a file the code opens is missing and a font it asks for is not defined", true,
         [](DataCheckTest& t) {
             fs::remove(t.data / "gfx/first/hello.png");
             t.input.Names.Fonts.push_back("FntTitles");
         },
         [](const DataCheckTest&) {
             return std::vector<std::string>{
                 R"(code: font "FntTitles": no font resource defines it)",
                 R"(code: file "gfx/first/hello.png": not found in the data folder)"};
         }},
        {"sound files the configuration names are missing", true,
         [](DataCheckTest& t) {
             for (const char* file : {"music/Menu.xm", "sounds/Click.wav", "music/Effects.xm"}) {
                 fs::remove(t.data / file);
             }
             EditFile(t.data / "config/Sounds.xml", "<Sound ", "<Sound Name=\"Drop\"/>\n<Sound ");
         },
         [](const DataCheckTest&) {
             return std::vector<std::string>{
                 R"(CoreConfig.xml: CoreConfig/Track "Menu": file "music/Menu.xm" not found in the data folder)",
                 R"(CoreConfig.xml: CoreConfig/Sound "Drop": Attribute "Src" not found)",
                 R"(CoreConfig.xml: CoreConfig/Sound "Click": file "sounds/Click.wav" not found in the data )"
                 R"(folder)",
                 R"(CoreConfig.xml: CoreConfig/ModSoundLib "music/Effects.xm": file "music/Effects.xm" not )"
                 R"(found in the data folder)"};
         }},
        {"a sound file is there but does not decode", true,
         [](DataCheckTest& t) {
             EditFile(t.data / "config/Sounds.xml", "<Sound ",
                      "<Sound Name=\"Hum\" Src=\"sounds/Hum.wav\"/>\n<Sound ");
             test::TempDir scratch;
             fs::copy_file(scratch.Write("hum", "RIFF"), t.data / "sounds/Hum.wav");
         },
         [](const DataCheckTest&) {
             return std::vector<std::string>{
                 R"(CoreConfig.xml: CoreConfig/sounds: TGBassEngine.LoadSounds: sound "Hum" stays silent: )"
                 R"(ReadWave: "sounds/Hum.wav": not a RIFF WAVE file)"};
         }},
        {"a sound and a track the code plays are not configured", true,
         [](DataCheckTest& t) {
             t.input.Names.Sounds.push_back("Shuffle");
             t.input.Names.Tracks.push_back("Level1");
         },
         [](const DataCheckTest&) {
             return std::vector<std::string>{
                 R"(code: track "Level1": no Track of the core configuration has this name)",
                 R"(code: sound "Shuffle": no Sound of the core configuration has this name)"};
         }},
        {"a dictionary key used in the configuration is missing", true,
         [](DataCheckTest& t) { EditFile(t.data / "GameConfig.xml", "@UTest1", "@UTest2"); },
         [](const DataCheckTest&) {
             return std::vector<std::string>{
                 R"(GameConfig.xml: GameConfig: key "@UTest2" (attribute Title) has no entry in lang/Dic1033)"};
         }},
        {"the face of a system font is missing", true,
         [](DataCheckTest& t) { fs::remove(t.data / "fonts/Face.ttf"); },
         [](const DataCheckTest& t) {
             return std::vector<std::string>{
                 R"(lang/Fonts: Fonts/Resource "SysFont": TGSysFont.Create: Font "SysFont": file ")" +
                     t.Path("fonts/Face.ttf") + R"(" of face "Sans" not found)",
                 R"(CoreConfig.xml: CoreConfig/ResourceSet "LoadingScreen": the set change stops at )"
                 R"(lang/Fonts: Fonts/Resource "SysFont")"};
         }},
        {"the face file of a system font is no face", false,
         [](DataCheckTest& t) { EditFile(t.data / "fonts/Face.ttf", std::string("\0\1\0\0", 4), "<html>"); },
         [](const DataCheckTest& t) {
             return std::vector<std::string>{
                 R"(lang/Fonts: Fonts/Resource "SysFont": TGDataCheck.Face: Face file ")" +
                     t.Path("fonts/Face.ttf") + R"(" is neither a TrueType nor an OpenType face)",
                 R"(CoreConfig.xml: CoreConfig/ResourceSet "LoadingScreen": the set change stops at )"
                 R"(lang/Fonts: Fonts/Resource "SysFont")"};
         }},
        {"a configuration file is missing", false,
         [](DataCheckTest& t) { fs::remove(t.data / "GameConfig.xml"); },
         [](const DataCheckTest& t) {
             return std::vector<std::string>{
                 "GameConfig.xml: loading: Config preprocessing:  File not found: \"" +
                 t.Path("GameConfig.xml") + "\""};
         }},
        {"a language file is malformed", false,
         [](DataCheckTest& t) { EditFile(t.data / "lang/Dic1033.xml", "</Dic>", "</Dc>"); },
         [](const DataCheckTest& t) {
             return std::vector<std::string>{"lang/Dic1033: loading: TGNewXMLNode.LoadFromFile: \"" +
                                             t.Path("lang/Dic1033.xml") +
                                             "\": Start-end tags mismatch at line 2, column 32"};
         }},
        {"the start-up misses an attribute it requires", false,
         [](DataCheckTest& t) { EditFile(t.data / "CoreConfig.xml", R"(SoundsEnabled="0")", ""); },
         [](const DataCheckTest&) {
             return std::vector<std::string>{
                 R"(start-up: application data: Attribute "SoundsEnabled" not found )"
                 R"((element CoreConfig in "CoreConfig.xml"))"};
         }},
    };
}

TEST_F(DataCheckTest, EachBreakageGivesExactlyItsLines) {
    for (const TBreakage& breakage : Breakages()) {
        SCOPED_TRACE(breakage.Name);
        TempDir other;
        fs::path original = data;
        data = other.Path() / "data";
        fs::copy(original, data, fs::copy_options::recursive);
        TGDataCheckInput saved = input;
        input.DataFolder = data;
        breakage.Apply(*this);
        EXPECT_EQ(Check(), breakage.Expected(*this));
        input = saved;
        data = original;
    }
}

TEST_F(DataCheckTest, OneRunReportsEveryProblemTogether) {
    std::vector<std::string> expected;
    for (const TBreakage& breakage : Breakages()) {
        if (!breakage.Combines) {
            continue;
        }
        breakage.Apply(*this);
        std::vector<std::string> lines = breakage.Expected(*this);
        expected.insert(expected.end(), lines.begin(), lines.end());
    }
    ASSERT_GE(expected.size(), 9u);
    std::vector<std::string> lines = Check();
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
}

TEST(DataCheck, AMissingDataFolderIsOneLineNotACrash) {
    TempDir dir;
    TGDataCheckInput input;
    input.DataFolder = dir.Path() / "nowhere";
    std::vector<TGDataProblem> problems = CheckDataFolder(input);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].Text(), input.DataFolder.string() + ": data folder: not a folder");
}

} // namespace
} // namespace qm
