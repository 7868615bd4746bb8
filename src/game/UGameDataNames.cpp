#include "UGameDataNames.h"

#include "UGameData.h"
#include "UParticleEffects.h"

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
    // The sprites the particle effects draw.
    for (const std::string& sequence : ParticleSequenceNames()) {
        names.Sequences.push_back(sequence);
    }
    // The first start shows these before any resource set exists, so they are read as files.
    for (const char* file : {"back.gif", "hello.gif", "ProgressFill1033.gif", "ProgressEmpty1033.gif"}) {
        names.Files.push_back(std::string("gfx/1stTimeInit/") + file);
    }

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
