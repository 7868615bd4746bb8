#include "TestHelpers.h"
#include "UGFont.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdint>
#include <fstream>
#include <utility>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
using test::TempDir;
namespace fs = std::filesystem;

// Runs the generator into a fresh data folder that holds only the faces it draws text with.
CommandResult Generate(const fs::path& target, bool withFaces) {
    fs::create_directories(target / "fonts");
    if (withFaces) {
        fs::copy(QM_BINARY_DIR "/data/fonts", target / "fonts", fs::copy_options::recursive);
    }
    return test::RunCommand(ShellQuote(QM_ARTGEN_BINARY) + " " + ShellQuote(QM_SOURCE_DIR "/data") + " " +
                            ShellQuote(target.string()));
}

TEST(ArtGenerator, TheSameSourcesGiveTheSameBytes) {
    TempDir dir;
    ASSERT_EQ(Generate(dir.Path() / "a", true).Status, 0);
    ASSERT_EQ(Generate(dir.Path() / "b", true).Status, 0);
    int pictures = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path() / "a")) {
        if (!entry.is_regular_file() || entry.path().parent_path().filename() == "fonts") {
            continue;
        }
        fs::path twin = dir.Path() / "b" / fs::relative(entry.path(), dir.Path() / "a");
        ASSERT_TRUE(fs::exists(twin)) << twin;
        EXPECT_EQ(test::ReadFile(entry.path()), test::ReadFile(twin)) << entry.path();
        ++pictures;
    }
    EXPECT_GE(pictures, 40);
    for (const char* family : {"gfx/elements/Marble8Sel.png", "gfx/interface/ButtonNormal.png",
                               "gfx/stuff/Cursor.png", "gfx/1stTimeInit/hello.gif", "gfx/fonts/FntTitles.png",
                               "no-gfx/LogoDev1033.png", "lang/Fonts.xml"}) {
        EXPECT_TRUE(fs::exists(dir.Path() / "a" / family)) << family;
    }
}

// Width and height from a PNG's header.
std::pair<uint32_t, uint32_t> PngSize(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    unsigned char header[24] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    auto word = [&](int at) {
        return uint32_t{header[at]} << 24 | uint32_t{header[at + 1]} << 16 | uint32_t{header[at + 2]} << 8 |
               uint32_t{header[at + 3]};
    };
    return {word(16), word(20)};
}

TEST(ArtGenerator, ImageFontsHoldTheLettersOfTranslatedTextsInSheetsOfAllowedSize) {
    pugi::xml_document fonts;
    ASSERT_TRUE(fonts.load_file(QM_BINARY_DIR "/data/lang/Fonts.xml"));
    // German, French, Italian, Spanish and Polish letters, and the marks their texts use.
    const std::u32string letters = DecodeUtf8("ÄÖÜäöüß ÀÂÆÇÈÉÊËÎÏÔŒÙÛŸàâæçèéêëîïôœùûÿ ÌÒìò ÁÍÑÓÚáíñóú¿¡ "
                                              "ĄĆĘŁŃŚŹŻąćęłńóśźż „“”«»–€");
    int imageFonts = 0;
    for (pugi::xml_node font : fonts.document_element().children("Resource")) {
        if (std::string(font.attribute("Type").value()) != "ImageFont") {
            continue;
        }
        ++imageFonts;
        const std::string id = font.attribute("Id").value();
        const std::u32string chars = DecodeUtf8(font.attribute("Chars").value());
        for (char32_t c : letters) {
            EXPECT_NE(chars.find(c), std::u32string::npos)
                << id << " lacks U+" << std::hex << static_cast<int>(c);
        }
        auto [width, height] = PngSize(fs::path(QM_BINARY_DIR "/data/gfx/fonts") / (id + ".png"));
        EXPECT_GT(width, 0u) << id;
        EXPECT_LE(width, 8192u) << id;
        EXPECT_LE(height, 8192u) << id;
    }
    EXPECT_EQ(imageFonts, 10);
}

TEST(ArtGenerator, AMissingFaceFailsWithItsName) {
    TempDir dir;
    CommandResult result = Generate(dir.Path() / "data", false);
    EXPECT_NE(result.Status, 0);
    EXPECT_NE(result.Err.find("DejaVuSans"), std::string::npos) << result.Err;
}

} // namespace
} // namespace qm
