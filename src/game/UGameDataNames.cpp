#include "UGameDataNames.h"

#include "UGameData.h"
#include "UGameScreen.h"
#include "UParticleEffects.h"
#include "USpecials.h"

#include <string>

namespace qm {

namespace {

const char* const GameConfigName = "GameConfig.xml";

TGDataNames MakeGameDataNames() {
    TGDataNames names;
    names.Configurations = {GameConfigName};

    // The information overlay and the render test scene write with it.
    names.Fonts = {"SysFont"};
    // The software cursor shows frame 0 of this sequence for every kind of cursor.
    names.Sequences = {"stuff/Cursor"};
    // The loading screen's logos, of the language 1033 that every other language falls back to.
    for (const char* logo : {"LogoDev", "LogoPub", "LogoPub2"}) {
        names.Sequences.push_back(std::string("no-gfx/") + logo + "1033");
    }
    // A marble of each colour, plain and selected.
    for (int color = 1; color <= 8; ++color) {
        names.Sequences.push_back("elements/Marble" + std::to_string(color));
        names.Sequences.push_back("elements/Marble" + std::to_string(color) + "Sel");
    }
    // The board: cell tile, blocks, colour cells, brick layers, score pop-ups and the chameleon's
    // flash; then every special's looks and the sprites of their effects.
    for (const char* sequence :
         {"elements/Block", "elements/box01", "elements/box02", "elements/SecretBox", "ui/gamescreen/FieldB",
          "ui/gamescreen/FieldC", "stuff/specialact07", "specials/14/SpecialFX"}) {
        names.Sequences.push_back(sequence);
    }
    for (int i = 1; i <= 8; ++i) {
        names.Sequences.push_back("elements/ColorCells/m" + std::to_string(i));
        names.Sequences.push_back("stuff/points/" + std::to_string(i));
    }
    for (const std::string& sequence : SpecialSequenceNames()) {
        names.Sequences.push_back(sequence);
    }
    // The sprites the particle effects draw.
    for (const std::string& sequence : ParticleSequenceNames()) {
        names.Sequences.push_back(sequence);
    }
    // Frost on frozen cells and on the frozen time bar, and its shatter.
    names.Sequences.push_back("liquid/ice");
    names.Sequences.push_back("stuff/iceblast");
    // The first start shows these before any resource set exists, so they are read as files.
    for (const char* file : {"back.gif", "hello.gif", "ProgressFill1033.gif", "ProgressEmpty1033.gif"}) {
        names.Files.push_back(std::string("gfx/1stTimeInit/") + file);
    }

    // Music by screen: the menu, the levels, the secret levels, and the hurry at the end of time.
    names.Tracks = {"Menu", "SCL", "Scary"};
    for (int level = 1; level <= 9; ++level) {
        names.Tracks.push_back("Level" + std::to_string(level));
    }
    // Effects and jingles: the widget styles' click and hover, the window sounds of dialogs, the
    // board, specials by tier and by the id of their kind, the construction site.
    names.Sounds = {"Click",
                    "Hover",
                    "ShowWindow",
                    "HideWindow",
                    "ClickElement",
                    "DropNewElements",
                    "Shuffle",
                    "ShuffleComplete",
                    "Match",
                    "Special1Appear",
                    "Special2Appear",
                    "Special3Appear",
                    "SpecialExtraAppear",
                    "TimeToScore",
                    "AddLife",
                    "JingleWin",
                    "JingleLost",
                    "JingleSublevelWin",
                    "FieldTransformation",
                    "SCL Sound",
                    "SCL start",
                    "Secret Challenge Level",
                    "CountDown",
                    "Colored Cell",
                    "+3000",
                    "+bonus",
                    "CameraFlyingVisitIn",
                    "CameraFlyingVisitOut",
                    "BonusReceiveOnConstruction",
                    "Thug",
                    "MarvaneBuild"};
    for (int combo = 1; combo <= 10; ++combo) {
        names.Sounds.push_back("Combo" + std::to_string(combo));
    }
    for (int id = 1; id <= 15; ++id) {
        names.Sounds.push_back("Explosion" + std::to_string(id));
    }

    // The play screen: its art, its widgets, its tip bubble's font, and the pictures of the
    // announcements and background animations of the game configuration.
    for (const std::string& sequence : GameScreenSequenceNames()) {
        names.Sequences.push_back(sequence);
    }
    names.ScreenWidgets.emplace_back(TGameScreen::ScreenName, GameScreenWidgetNames());
    names.AnimotionElements = {"GamesAni", "Level/BackAni"};

    // The render test scene (quillmark --scene render-test).
    for (const char* sequence : {"test/panorama", "test/ball", "test/ring", "test/keyed", "test/coin"}) {
        names.Sequences.push_back(sequence);
    }
    for (const char* font :
         {"SysFontBig", "FntTitles", "FntBtn2", "FntDefWhite", "FntDefBlue", "FntDefYellow", "Font04",
          "FntTxtBigWhite", "FntTxtBigYellow", "FntTxtWhite", "FntTxtYellow"}) {
        names.Fonts.push_back(font);
    }
    return names;
}

} // namespace

const TGDataNames& GameDataNames() {
    static const TGDataNames names = MakeGameDataNames();
    return names;
}

TGDataCheckInput GameDataCheckInput(const std::filesystem::path& dataFolder) {
    TGDataCheckInput input;
    input.DataFolder = dataFolder;
    input.Names = GameDataNames();
    input.StartUp = [](const TGAppStartInfo& info) -> std::unique_ptr<TGBaseAppData> {
        return std::make_unique<TGameData>(info, GameConfigName, false);
    };
    return input;
}

} // namespace qm
