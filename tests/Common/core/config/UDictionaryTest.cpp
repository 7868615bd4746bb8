#include "UDictionary.h"
#include "TestHelpers.h"
#include "UGError.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

TEST(Dictionary, HashIsTheClassicShiftAndFoldOverTheLowerCasedKey) {
    // Bucket numbers worked out apart from the code; the longer keys pass through the fold of the
    // top four bits several times, so a fold that forgets to clear them changes the result.
    struct Case {
        const char* Key;
        uint32_t Bucket;
    };
    const Case cases[] = {
        {"", 0},
        {"a", 97},
        {"ab", 1650},
        {"abcdefgh", 1361},
        {"@umenuscreen1", 513},
        {"@ufirsttimeinitializationform20", 1751},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DictionaryHash(c.Key), c.Bucket) << c.Key;
    }
}

TEST(Dictionary, KeysIgnoreCaseTextsKeepItAndTheFirstEntryWins) {
    TDictionary dictionary;
    dictionary.Add("@UMenuScreen1", "Play");
    dictionary.Add("@umenuscreen1", "Second");
    dictionary.Add("@UMenuScreen2", "Options");
    EXPECT_EQ(dictionary.GetText("@UMENUSCREEN1"), "Play");
    EXPECT_EQ(dictionary.GetText("@umenuscreen2"), "Options");
    EXPECT_EQ(dictionary.GetText("@Missing"), "");
    std::string text = "untouched";
    EXPECT_FALSE(dictionary.Lookup("@Missing", text));
    EXPECT_EQ(text, "untouched");
}

TEST(Dictionary, TranslateReplacesOnlyTextsThatStartWithTheKeyMark) {
    TDictionary dictionary;
    dictionary.Add("@Hello", "Welcome, builder");
    dictionary.Add("Hello", "never shown");
    struct {
        const char* In;
        const char* Out;
    } cases[] = {
        {"@hello", "Welcome, builder"}, {"Hello", "Hello"}, {"@Nobody", ""}, {"", ""},
        {"say @Hello", "say @Hello"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dictionary.Translate(c.In), c.Out) << c.In;
    }
}

TEST(Dictionary, ManyEntriesInOneBucketAreAllFound) {
    TDictionary dictionary;
    for (int i = 0; i < 10000; ++i) {
        dictionary.Add("@Key" + std::to_string(i), "text" + std::to_string(i));
    }
    for (int i = 0; i < 10000; i += 37) {
        ASSERT_EQ(dictionary.GetText("@KEY" + std::to_string(i)), "text" + std::to_string(i));
    }
}

TEST(Dictionary, LoadsDicEntriesOfALanguageFile) {
    TempDir dir;
    dir.Write("lang/Dic1033.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Dictionary>\n"
                                  "  <Dic Name=\"@UTest1\">Build the \xc3\xa9tage</Dic>\n"
                                  "  <Other Name=\"@UTest2\">not an entry</Other>\n"
                                  "  <Dic Name=\"@UTest1\">ignored duplicate</Dic>\n"
                                  "</Dictionary>\n");
    TDictionary dictionary;
    dictionary.LoadFromFile(dir.Path() / "lang" / "Dic1033");
    EXPECT_EQ(dictionary.GetText("@UTest1"), "Build the \xc3\xa9tage");
    EXPECT_EQ(dictionary.GetText("@UTest2"), "");
    EXPECT_EQ(dictionary.Count(), 2u);
    EXPECT_EQ(dictionary.FileName(), dir.Path() / "lang" / "Dic1033");
}

TEST(Dictionary, AnEntryWithoutNameIsAnError) {
    TempDir dir;
    dir.Write("lang/Dic1033.xml", "<Dictionary><Dic>text</Dic></Dictionary>");
    TDictionary dictionary;
    EXPECT_THROW(dictionary.LoadFromFile(dir.Path() / "lang" / "Dic1033"), EGError);
}

TEST(Dictionary, LanguageFileChoiceFallsBackTo1033) {
    TempDir dir;
    dir.Write("lang/Dic1033.xml", "<Dictionary/>");
    dir.Write("lang/Dic1031.cr", "cache only");
    fs::path lang = dir.Path() / "lang";
    struct {
        int System;
        const char* Force;
        fs::path Expected;
    } cases[] = {
        {1031, "", lang / "Dic1031"},     // a cache alone is enough
        {1036, "", lang / "Dic1033"},     // no French file
        {1031, "1036", lang / "Dic1033"}, // forced to a missing language
        {1036, "1031", lang / "Dic1031"}, // forced to a present one
        {1033, "", lang / "Dic1033"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseLanguageBase(dir.Path(), c.System, c.Force), c.Expected)
            << c.System << " " << c.Force;
    }
    EXPECT_THROW(ChooseLanguageBase(dir.Path(), 1033, "German"), EGError);
}

TEST(Dictionary, GlobalTranslateUsesThePublishedDictionaryWhileItLives) {
    EXPECT_EQ(Translate("@X"), "@X");
    {
        TDictionary dictionary;
        dictionary.Add("@X", "x text");
        GDictionary = &dictionary;
        EXPECT_EQ(Translate("@x"), "x text");
    }
    EXPECT_EQ(GDictionary, nullptr);
}

} // namespace
} // namespace qm
