#include "UGConfigPreprocessor.h"

#include "TestHelpers.h"
#include "UGCompress.h"
#include "UGError.h"

#include <functional>
#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace qm {
namespace {

using test::ErrorText;
using test::TempDir;

std::string Quoted(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

// --- Key parser ---------------------------------------------------------------------------------

struct TKeyCase {
    std::string Text;
    std::vector<TGConfigKey> Expected;
};

TEST(ConfigKeyParser, FindsKeysWithPositionLengthAndTrimmedText) {
    const std::vector<TKeyCase> cases = {
        {"", {}},
        {"plain text", {}},
        {"[%KEY%]", {{1, 7, "KEY"}}},
        {"ab[% \t spaced key \r\n%]cd", {{3, 20, "spaced key"}}},
        {"x[%a%][%b%]y", {{2, 5, "a"}, {7, 5, "b"}}},
        {"[%%]", {{1, 4, ""}}},
        // The closing marker cannot share the "%" of the opening one.
        {"[%]%]", {{1, 5, "]"}}},
        {"[%unclosed", {}},
        {"[%a%] tail [%open", {{1, 5, "a"}}},
        {"stray %] then [%k%]", {{15, 5, "k"}}},
        {"[%outer [%inner%] rest%]", {{1, 17, "outer [%inner"}}},
        {"%][%", {}},
    };
    for (const TKeyCase& c : cases) {
        SCOPED_TRACE(c.Text);
        const TGConfigKeyParser parser(c.Text);
        const std::vector<TGConfigKey>& keys = parser.Keys();
        ASSERT_EQ(keys.size(), c.Expected.size());
        for (size_t i = 0; i < keys.size(); ++i) {
            EXPECT_EQ(keys[i].Position, c.Expected[i].Position) << "key " << i;
            EXPECT_EQ(keys[i].Length, c.Expected[i].Length) << "key " << i;
            EXPECT_EQ(keys[i].Text, c.Expected[i].Text) << "key " << i;
        }
    }
}

// --- Preprocessing ------------------------------------------------------------------------------

TEST(ConfigPreprocessor, TextWithoutKeysPassesThroughByteForByte) {
    TempDir dir;
    using namespace std::string_literals;
    const std::string text = "<?xml version=\"1.0\"?>\r\n<a>\xC3\xA9 %] [% open\x01"
                             "\0"
                             "\xFF\n"s;
    ASSERT_EQ(text[text.size() - 3], '\0');
    dir.Write("plain.xml", text);
    TGConfigPreprocessor preprocessor(dir.Path(), false);
    EXPECT_EQ(preprocessor.ProcessFile("plain.xml"), text);
    preprocessor.Process("plain.xml", "plain.out", false, false);
    EXPECT_EQ(test::ReadFile(dir.Path() / "plain.out"), text);
}

TEST(ConfigPreprocessor, UnknownKeysAndIncludeWithoutPatternVanish) {
    TempDir dir;
    dir.Write("a.xml", "A");
    const std::vector<std::string> keys = {"[%UNKNOWN%]", "[%INCLUDE%]", "[% include  %]", "[%CURRENTDIRX%]",
                                           "[%%]"};
    for (const std::string& key : keys) {
        SCOPED_TRACE(key);
        dir.Write("main.xml", "<" + key + ">");
        EXPECT_EQ(TGConfigPreprocessor(dir.Path(), true).ProcessFile("main.xml"), "<>");
    }
}

TEST(ConfigPreprocessor, CurrentDirAtTopLevelIsTheProgramFolderWithoutSeparator) {
    TempDir dir;
    dir.Write("main.xml", "[%currentdir%]|[% CurrentDir %]");
    const std::string folder = dir.Path().string();
    TGConfigPreprocessor preprocessor(folder + "/", false);
    EXPECT_EQ(preprocessor.ExpandKey("CURRENTDIR"), folder);
    EXPECT_EQ(preprocessor.ProcessFile("main.xml"), folder + "|" + folder);
}

// A folder with files and sub-folders whose enumeration order says nothing about the wanted one.
void WriteTree(const TempDir& dir) {
    dir.Write("parts/B.xml", "B;");
    dir.Write("parts/a.xml", "a;");
    dir.Write("parts/c.XML", "c;");
    dir.Write("parts/.hidden.xml", "hidden;");
    dir.Write("parts/note.txt", "note;");
    dir.Write("parts/Beta/z.xml", "Beta/z;");
    dir.Write("parts/alpha/y.xml", "alpha/y;");
    dir.Write("parts/alpha/deep/x.xml", "alpha/deep/x;");
    dir.Write("parts/alpha/w.xml", "alpha/w;");
    dir.Write("parts/folder.xml/inside.xml", "folder.xml/inside;");
}

struct TIncludeCase {
    std::string Key;
    std::string Expected;
};

TEST(ConfigPreprocessor, IncludeOrderAndRecursion) {
    TempDir dir;
    WriteTree(dir);
    const std::string flat = "a;B;c;";
    const std::string deep = "a;B;c;alpha/w;alpha/y;alpha/deep/x;Beta/z;folder.xml/inside;";
    const std::vector<TIncludeCase> cases = {
        {"[%INCLUDE parts/*.xml%]", flat},
        {"[%INCLUDE parts/*.xml R%]", deep},
        {"[%include parts/*.xml r%]", deep},
        {"[%INCLUDE parts/*.xml R extra%]", flat},
        {"[%INCLUDE parts/*.xml X%]", flat},
        {"[%INCLUDE parts/?.xml%]", flat},
        {"[%INCLUDE parts/b*%]", "B;"},
        {"[%INCLUDE parts/*.txt%]", "note;"},
        {"[%INCLUDE parts/x.xml R%]", "alpha/deep/x;"},
        // Letter case and Windows separators in the pattern.
        {"[%INCLUDE PARTS\\ALPHA\\*.XmL%]", "alpha/w;alpha/y;"},
        {"[%INCLUDE \\parts\\A.XML%]", "a;"},
        // A quote right after the keyword starts the pattern token.
        {"[%INCLUDE\"parts/b.xml\"%]", "B;"},
        // Nothing to match is not an error.
        {"[%INCLUDE parts/*.none%]", ""},
        {"[%INCLUDE missing/*.xml R%]", ""},
        {"[%INCLUDE parts/%]", ""},
    };
    for (const TIncludeCase& c : cases) {
        SCOPED_TRACE(c.Key);
        dir.Write("main.xml", "<" + c.Key + ">");
        EXPECT_EQ(TGConfigPreprocessor(dir.Path(), true).ProcessFile("main.xml"), "<" + c.Expected + ">");
    }
}

TEST(ConfigPreprocessor, SkipsNonRegularFiles) {
    TempDir dir;
    dir.Write("parts/a.xml", "a;");
    fs::create_symlink("nowhere.xml", dir.Path() / "parts/b.xml");
    dir.Write("main.xml", "[%INCLUDE parts/*.xml%]");
    EXPECT_EQ(TGConfigPreprocessor(dir.Path(), false).ProcessFile("main.xml"), "a;");
}

TEST(ConfigPreprocessor, QuotedPatternWithSpaces) {
    TempDir dir;
    dir.Write("my parts/one file.xml", "1;");
    dir.Write("my parts/two.xml", "2;");
    dir.Write("main.xml", "[% INCLUDE  \"my parts/*.xml\" %]|[%INCLUDE \"my parts/one file.xml\"%]");
    EXPECT_EQ(TGConfigPreprocessor(dir.Path(), true).ProcessFile("main.xml"), "1;2;|1;");
}

TEST(ConfigPreprocessor, SubFolderFileHasItsOwnCurrentDirButIncludesFromProgramFolder) {
    TempDir dir;
    dir.Write("leaf.xml", "root leaf");
    dir.Write("sub/leaf.xml", "sub leaf");
    dir.Write("sub/child.xml", "[%CURRENTDIR%]|[%INCLUDE leaf.xml%]");
    dir.Write("main.xml", "[%INCLUDE sub/child.xml%]|[%CURRENTDIR%]");
    const std::string root = dir.Path().string();
    EXPECT_EQ(TGConfigPreprocessor(dir.Path(), false).ProcessFile("main.xml"),
              root + "/sub|root leaf|" + root);
}

TEST(ConfigPreprocessor, MissingFileError) {
    TempDir dir;
    TGConfigPreprocessor preprocessor(dir.Path(), false);
    EXPECT_EQ(ErrorText([&] { preprocessor.ProcessFile("nope.xml"); }),
              "Config preprocessing:  File not found: " + Quoted(dir.Path() / "nope.xml"));
    EXPECT_EQ(ErrorText([&] { preprocessor.Process("sub/nope.xml", "out.cr", true, true); }),
              "Config preprocessing:  File not found: " + Quoted(dir.Path() / "sub/nope.xml"));
    EXPECT_FALSE(fs::exists(dir.Path() / "out.cr"));
}

class ConfigPreprocessorCycle : public testing::TestWithParam<bool> {};

TEST_P(ConfigPreprocessorCycle, IsReportedWhateverCheckCircularSays) {
    TempDir dir;
    const fs::path a = dir.Write("a.xml", "<a>[%INCLUDE b.xml%]</a>");
    const fs::path b = dir.Write("b.xml", "<b>[%INCLUDE A.XML%]</b>");
    dir.Write("self.xml", "[%INCLUDE self.xml%]");
    TGConfigPreprocessor preprocessor(dir.Path(), GetParam());
    EXPECT_EQ(ErrorText([&] { preprocessor.ProcessFile("a.xml"); }),
              "Config preprocessing:  Circular reference. File " + Quoted(b) + " references file " +
                  Quoted(a) + ", which includes " + Quoted(b));
    const fs::path self = dir.Path() / "self.xml";
    EXPECT_EQ(ErrorText([&] { preprocessor.ProcessFile("self.xml"); }),
              "Config preprocessing:  Circular reference. File " + Quoted(self) + " references file " +
                  Quoted(self) + ", which includes " + Quoted(self));
    // The failed runs leave no file behind in the chain.
    dir.Write("ok.xml", "[%INCLUDE b.xml%]");
    dir.Write("b.xml", "fine");
    EXPECT_EQ(preprocessor.ProcessFile("ok.xml"), "fine");
}

TEST_P(ConfigPreprocessorCycle, SameSiblingTwiceIsNotACycle) {
    TempDir dir;
    dir.Write("s.xml", "<s/>");
    dir.Write("mid.xml", "[%INCLUDE s.xml%]");
    dir.Write("main.xml", "[%INCLUDE s.xml%][%INCLUDE mid.xml%][%INCLUDE S.xml%]");
    EXPECT_EQ(TGConfigPreprocessor(dir.Path(), GetParam()).ProcessFile("main.xml"), "<s/><s/><s/>");
}

INSTANTIATE_TEST_SUITE_P(CheckCircular, ConfigPreprocessorCycle, testing::Bool());

// --- Caches -------------------------------------------------------------------------------------

TEST(ConfigCache, ScrambleXorsWithTheTableShiftedByOne) {
    const std::string zeros(600, '\0');
    const std::string scrambled = ScrambleConfig(zeros);
    ASSERT_EQ(scrambled.size(), zeros.size());
    for (size_t i = 0; i < scrambled.size(); ++i) {
        ASSERT_EQ(static_cast<uint8_t>(scrambled[i]), ConfigKeyTable[(i + 1) % 256]) << "offset " << i;
    }
    const std::string text = "any bytes \x01\xFF and more";
    EXPECT_NE(ScrambleConfig(text), text);
    EXPECT_EQ(ScrambleConfig(ScrambleConfig(text)), text);
}

struct TCacheCase {
    bool Compress;
    bool Scramble;
};

TEST(ConfigCache, ProcessWritesTheRequestedForm) {
    TempDir dir;
    dir.Write("parts/p.xml", "<p/>");
    dir.Write("main.xml", "<main>[%INCLUDE parts/*.xml%]</main>");
    const std::string text = "<main><p/></main>";
    const std::vector<TCacheCase> cases = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const TCacheCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "compress " << c.Compress << " scramble " << c.Scramble);
        TGConfigPreprocessor(dir.Path(), false).Process("main.xml", "main.xml.cr", c.Compress, c.Scramble);
        std::string bytes = test::ReadFile(dir.Path() / "main.xml.cr");
        if (c.Scramble) {
            bytes = ScrambleConfig(bytes);
        }
        EXPECT_EQ(c.Compress ? ZDecompress(bytes) : bytes, text);
    }
}

TEST(ConfigCache, RoundTripThroughScrambledCache) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < 200; ++i) {
        text += "<item index=\"" + std::to_string(i * 7919 % 1000) + "\"/>\n";
    }
    dir.Write("big.xml", text);
    TGConfigPreprocessor(dir.Path(), false).Process("big.xml", "big.xml.cr", true, true);
    const std::string cache = test::ReadFile(dir.Path() / "big.xml.cr");
    ASSERT_GT(cache.size(), 256u);
    EXPECT_EQ(UnpackConfigCache(cache), text);
    EXPECT_THROW(ZDecompress(cache), EGError);
}

TEST(ConfigCache, UnpackRejectsDamagedCaches) {
    const std::string cache = ScrambleConfig(ZCompress("<root/>", 1));
    ASSERT_EQ(UnpackConfigCache(cache), "<root/>");
    EXPECT_THROW(UnpackConfigCache(cache.substr(0, cache.size() - 3)), EGError);
    EXPECT_THROW(UnpackConfigCache(ZCompress("<root/>", 1)), EGError);
    EXPECT_THROW(UnpackConfigCache("not a cache"), EGError);
}

// --- Loading ------------------------------------------------------------------------------------

TEST(ConfigProcessor, LoadsAssembledConfigurationAndKeepsItsCache) {
    TempDir dir;
    dir.Write("Parts/Screens.xml", "<screen name=\"menu\"/>");
    dir.Write("GameConfig.xml", "<?xml version=\"1.0\"?>\n<config>[%INCLUDE parts/*.xml%]</config>\n");
    {
        TGConfigProcessor processor(dir.Path(), "gameconfig.xml", false);
        pugi::xml_node root = processor.DocumentElement();
        EXPECT_STREQ(root.name(), "config");
        EXPECT_STREQ(root.child("screen").attribute("name").value(), "menu");
    }
    const fs::path cache = dir.Path() / "GameConfig.xml.cr";
    EXPECT_EQ(UnpackConfigCache(test::ReadFile(cache)),
              "<?xml version=\"1.0\"?>\n<config><screen name=\"menu\"/></config>\n");

    // A shipped installation has only the cache.
    fs::remove(dir.Path() / "GameConfig.xml");
    TGConfigProcessor fromCache(dir.Path(), dir.Path() / "GameConfig.xml", true);
    EXPECT_STREQ(fromCache.DocumentElement().child("screen").attribute("name").value(), "menu");
}

TEST(ConfigProcessor, CacheIsRebuiltWhenDamagedAndGoesToTheMirrorOfAReadOnlyFolder) {
    TempDir dir;
    dir.Write("data/Config.xml", "<config/>");
    const fs::path beside = dir.Write("data/Config.xml.cr", "\x12\x34 damaged");
    EXPECT_STREQ(TGConfigProcessor(dir.Path() / "data", "Config.xml", false).DocumentElement().name(),
                 "config");
    EXPECT_EQ(UnpackConfigCache(test::ReadFile(beside)), "<config/>");

    dir.Write("data/Config.xml", "<changed/>");
    TGCacheLocation readOnly(dir.Path() / "data", dir.Path() / "cache",
                             [](const fs::path&) { return false; });
    EXPECT_STREQ(
        TGConfigProcessor(dir.Path() / "data", "Config.xml", false, readOnly).DocumentElement().name(),
        "changed");
    EXPECT_EQ(UnpackConfigCache(test::ReadFile(beside)), "<config/>");
    EXPECT_EQ(UnpackConfigCache(test::ReadFile(dir.Path() / "cache" / "Config.xml.cr")), "<changed/>");
}

TEST(ConfigProcessor, RelativeProgramFolderIsTakenOnce) {
    TempDir dir;
    dir.Write("Config.xml", "<config/>");
    const fs::path relative = fs::relative(dir.Path(), fs::current_path());
    ASSERT_TRUE(relative.is_relative());
    TGConfigProcessor processor(relative, "Config.xml", false);
    EXPECT_STREQ(processor.DocumentElement().name(), "config");
    EXPECT_TRUE(fs::exists(dir.Path() / "Config.xml.cr"));
}

TEST(ConfigProcessor, MalformedDocumentNamesFileAndLineAndKeepsCache) {
    TempDir dir;
    dir.Write("bad.xml", "<a>\n<b></a>");
    const fs::path file = dir.Write("Config.xml", "<config>\n[%INCLUDE bad.xml%]\n</config>");
    const std::string error = ErrorText([&] { TGConfigProcessor(dir.Path(), "Config.xml", false); });
    EXPECT_EQ(error.rfind("TGConfigProcessor: ", 0), 0u) << error;
    EXPECT_NE(error.find(Quoted(file)), std::string::npos) << error;
    const std::string assembled = "<config>\n<a>\n<b></a>\n</config>";
    pugi::xml_document document;
    const std::string description = document.load_string(assembled.c_str()).description();
    EXPECT_NE(error.find(description), std::string::npos) << error;
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    EXPECT_EQ(UnpackConfigCache(test::ReadFile(dir.Path() / "Config.xml.cr")), assembled);
}

// A damaged cache is what has to be mended; with no cache either, the configuration is what
// the person has to provide.
TEST(ConfigProcessor, DamagedCacheNamesTheCacheAndMissingConfigurationNamesTheConfiguration) {
    TempDir dir;
    const fs::path cache = dir.Write("Config.xml.cr", "\x12\x34 damaged");
    std::string error = ErrorText([&] { TGConfigProcessor(dir.Path(), "Config.xml", false); });
    EXPECT_EQ(error.rfind("TGConfigProcessor: ", 0), 0u) << error;
    EXPECT_NE(error.find(Quoted(cache)), std::string::npos) << error;

    fs::remove(cache);
    error = ErrorText([&] { TGConfigProcessor(dir.Path(), "Config.xml", false); });
    EXPECT_EQ(error, "Config preprocessing:  File not found: " + Quoted(dir.Path() / "Config.xml")) << error;
}

TEST(ConfigProcessor, EmptyAssembledDocumentIsAnError) {
    TempDir dir;
    const fs::path file = dir.Write("Config.xml", "[%INCLUDE nothing/*.xml%]");
    const std::string error = ErrorText([&] { TGConfigProcessor(dir.Path(), "Config.xml", false); });
    EXPECT_EQ(error.rfind("TGConfigProcessor: ", 0), 0u) << error;
    EXPECT_NE(error.find(Quoted(file)), std::string::npos) << error;
}

} // namespace
} // namespace qm
