// quillmark-artgen SOURCE_DATA DATA_FOLDER: draws the default art into the build tree's data
// folder; SOURCE_DATA gives the hand-written files that generated parts are added to.
// quillmark-artgen --sheet DATA_FOLDER OUT.png: draws the contact sheet of a data folder's art.

#include "ArtGenerator.h"
#include "ContactSheet.h"

#include <fstream>
#include <sstream>

using namespace artgen;

namespace {

// The hand-written font file of the data folder, with the generated image fonts added before
// its closing tag.
void WriteFontFile(const TArtContext& context, const fs::path& sourceData) {
    fs::path source = sourceData / "lang" / "Fonts.xml";
    fs::path path = context.DataFolder / "lang" / "Fonts.xml";
    std::ifstream in(source);
    if (!in) {
        Fail("missing " + source.string());
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string content = text.str();
    size_t close = content.rfind("</Fonts>");
    if (close == std::string::npos) {
        Fail(source.string() + " has no </Fonts>");
    }
    std::string added = "  <!-- Generated image fonts -->\n";
    for (const std::string& resource : context.FontResources) {
        added += "  " + resource + "\n";
    }
    content.insert(close, added);
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::trunc);
    out << content;
    if (!out.flush()) {
        Fail("cannot write " + path.string());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--sheet") {
        if (argc != 4) {
            Fail("usage: quillmark-artgen --sheet DATA_FOLDER OUT.png");
        }
        DrawContactSheet(argv[2], argv[3]);
        return 0;
    }
    if (argc != 3) {
        Fail("usage: quillmark-artgen SOURCE_DATA DATA_FOLDER");
    }
    TArtContext context;
    context.DataFolder = argv[2];
    context.FaceFolder = context.DataFolder / "fonts";
    DrawTestArt(context);
    DrawFontArt(context);
    DrawInterfaceArt(context);
    DrawLogoArt(context);
    DrawFirstTimeArt(context);
    DrawMarbleArt(context);
    DrawBoardArt(context);
    DrawSpecialArt(context);
    DrawBonusArt(context);
    DrawBarArt(context);
    DrawParticleArt(context);
    DrawIceArt(context);
    DrawIconArt(context);
    DrawSecretLevelArt(context);
    DrawGameScreenArt(context);
    DrawTransformationArt(context);
    WriteFontFile(context, argv[1]);
    return 0;
}
