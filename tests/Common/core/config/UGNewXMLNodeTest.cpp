#include "UGNewXMLNode.h"

#include "TestHelpers.h"
#include "UGCompress.h"
#include "UGError.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::ErrorText;

using test::TempDir;

const std::string Header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

std::vector<std::string> AttributeNames(const TGNewXMLNode& node) {
    std::vector<std::string> names;
    for (const TGNewXMLAttribute& attribute : node.Attributes()) {
        names.push_back(attribute.Name);
    }
    return names;
}

TEST(UGNewXMLNodeTest, AttributeConversions) {
    struct Case {
        std::string text;
        int32_t integer;
        float floating;
        bool boolean;
        uint32_t unsignedValue;
    };
    const std::vector<Case> cases = {
        {"0.5", 0, 0.5f, true, 0},
        {"0,5", 0, 0.5f, true, 0},
        {"42", 42, 42.0f, true, 42},
        {" 8 ", 8, 8.0f, true, 8},
        {"-7", -7, -7.0f, true, 7},
        {"0", 0, 0.0f, false, 0},
        {"TRUE", 0, 0.0f, true, 0},
        {"tRuE", 0, 0.0f, true, 0},
        {"False", 0, 0.0f, false, 0},
        {"yes", 0, 0.0f, false, 0},
        {"12abc", 0, 0.0f, false, 0},
        {"$FF", 0, 0.0f, false, 255},
        {"0x10", 0, 0.0f, false, 16},
        {"1e3", 0, 1000.0f, true, 0},
        {"1e39", 0, 0.0f, true, 0},
        {"-2147483648", INT32_MIN, -2147483648.0f, true, 2147483648u},
        {"2147483648", 0, 2147483648.0f, true, 2147483648u},
        {"4294967295", 0, 4294967295.0f, true, 4294967295u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE('"' + c.text + '"');
        TGNewXMLNode node("E");
        node.SetAttribute("V", c.text);
        ASSERT_EQ(node.Attributes().size(), 1u);
        const TGNewXMLAttribute& attribute = node.Attributes()[0];
        EXPECT_EQ(attribute.Text, c.text);
        EXPECT_EQ(attribute.Int, c.integer);
        EXPECT_FLOAT_EQ(attribute.Float, c.floating);
        EXPECT_EQ(attribute.Bool, c.boolean);
        EXPECT_EQ(attribute.Unsigned, c.unsignedValue);
        EXPECT_EQ(node.GetString("V"), c.text);
        EXPECT_EQ(node.GetInt("V"), c.integer);
        EXPECT_FLOAT_EQ(node.GetFloat("V"), c.floating);
        EXPECT_FLOAT_EQ(node.GetFloatDef("V", 99.0f), c.floating);
        EXPECT_EQ(node.GetBoolDef("V", !c.boolean), c.boolean);
    }
}

TEST(UGNewXMLNodeTest, UnsignedBeyond32BitsIsARangeError) {
    TGNewXMLNode node("E");
    node.SetAttribute("C", "5");
    for (const std::string text : {"4294967296", "-4294967296", "$100000000", "99999999999999999999"}) {
        EXPECT_THROW(node.SetAttribute("C", text), EGError) << text;
    }
    EXPECT_EQ(node.GetString("C"), "5");
}

TEST(UGNewXMLNodeTest, SetAttributeReplacesInPlace) {
    TGNewXMLNode node("E");
    node.SetAttribute("A", "1");
    node.SetAttribute("B", "2");
    node.SetAttribute("A", "3");
    EXPECT_EQ(AttributeNames(node), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(node.GetInt("A"), 3);
    EXPECT_TRUE(node.HasAttribute("B"));
    EXPECT_FALSE(node.HasAttribute("b"));
}

TEST(UGNewXMLNodeTest, RequiredReadsAndDefaults) {
    TGNewXMLNode node("Fonts");
    node.SetAttribute("Size", "12");
    const std::string expected = "Attribute \"Missing\" not found (element Fonts)";
    EXPECT_EQ(ErrorText([&] { node.GetString("Missing"); }), expected);
    EXPECT_EQ(ErrorText([&] { node.GetInt("Missing"); }), expected);
    EXPECT_EQ(ErrorText([&] { node.GetFloat("Missing"); }), expected);
    EXPECT_FLOAT_EQ(node.GetFloatDef("Missing", 1.5f), 1.5f);
    EXPECT_TRUE(node.GetBoolDef("Missing", true));
    EXPECT_FALSE(node.GetBoolDef("Missing", false));
}

TEST(UGNewXMLNodeTest, CollectionsAndRangeErrors) {
    TGNewXMLNode root("R");
    root.AddChild("A").SetAttribute("i", "1");
    root.AddChild("B").SetAttribute("i", "2");
    root.AddChild("A").SetAttribute("i", "3");
    ASSERT_EQ(root.CollectionCount(), 2u);
    EXPECT_EQ(root.CollectionAt(0).GetName(), "A");
    EXPECT_EQ(root.CollectionAt(1).GetName(), "B");
    const TGNewXMLCollection& a = root.GetCollection("A");
    EXPECT_EQ(&a, &root.CollectionAt(0));
    ASSERT_EQ(a.Count(), 2u);
    EXPECT_EQ(a.GetItem(0).GetInt("i"), 1);
    EXPECT_EQ(a.GetItem(1).GetInt("i"), 3);
    EXPECT_THROW(a.GetItem(2), EGError);
    EXPECT_THROW(root.CollectionAt(2), EGError);

    const TGNewXMLCollection& none = root.GetCollection("Z");
    EXPECT_EQ(none.GetName(), "nil");
    EXPECT_EQ(none.Count(), 0u);
    EXPECT_EQ(&none, &TGNewXMLNode("Other").GetCollection("A"));
    EXPECT_THROW(none.GetItem(0), EGError);
}

TEST(UGNewXMLNodeTest, TextLineFeedsGetACarriageReturn) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"a\nb", "a\r\nb"}, {"a\r\nb", "a\r\nb"},   {"\n", "\r\n"},
        {"a\rb", "a\rb"},   {"\r\n\n", "\r\n\r\n"}, {"plain", "plain"},
    };
    for (const Case& c : cases) {
        TGNewXMLNode node("T");
        node.SetText(c.text);
        EXPECT_EQ(node.GetText(), c.expected);
    }
}

TEST(UGNewXMLNodeTest, LoadFromStringBuildsTheTree) {
    TGNewXMLNode node("Dictionary");
    node.SetAttribute("Old", "1");
    node.AddChild("Old");
    node.LoadFromString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<!-- leading comment -->\n"
                        "<lang:Dictionary Version=\"2\" x:Id=\"7\">\n"
                        "  <Dic Name=\"a\">first\r\nsecond&#10;third</Dic>\n"
                        "  <Other/>\n"
                        "  <?pi data?>\n"
                        "  <!-- inner comment -->\n"
                        "  <Dic Name=\"b\"><![CDATA[x<y]]></Dic>\n"
                        "</lang:Dictionary>\n");
    EXPECT_EQ(node.GetName(), "Dictionary");
    EXPECT_EQ(AttributeNames(node), (std::vector<std::string>{"Version", "Id"}));
    EXPECT_EQ(node.GetText(), "");
    ASSERT_EQ(node.CollectionCount(), 2u);
    const TGNewXMLCollection& dic = node.CollectionAt(0);
    EXPECT_EQ(dic.GetName(), "Dic");
    EXPECT_EQ(node.CollectionAt(1).GetName(), "Other");
    ASSERT_EQ(dic.Count(), 2u);
    EXPECT_EQ(dic.GetItem(0).GetString("Name"), "a");
    EXPECT_EQ(dic.GetItem(0).GetText(), "first\r\nsecond\r\nthird");
    EXPECT_EQ(dic.GetItem(1).GetText(), "x<y");
}

TEST(UGNewXMLNodeTest, LoadFromStringHonoursTheDeclaredEncoding) {
    TGNewXMLNode node("D");
    node.LoadFromString("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><D N=\"\xE9\">caf\xE9</D>");
    EXPECT_EQ(node.GetText(), "caf\xC3\xA9");
    EXPECT_EQ(node.GetString("N"), "\xC3\xA9");
}

TEST(UGNewXMLNodeTest, ParseErrorNamesSourceAndLine) {
    TGNewXMLNode node("D");
    node.SetAttribute("Kept", "1");
    const std::string error = ErrorText([&] { node.LoadFromString("<D>\n<E>\n</D>\n", "lang/Dic1033.xml"); });
    EXPECT_NE(error.find("\"lang/Dic1033.xml\""), std::string::npos) << error;
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    EXPECT_TRUE(node.HasAttribute("Kept"));
}

TEST(UGNewXMLNodeTest, WriterOutput) {
    TGNewXMLNode root("Root");
    root.SetAttribute("Title", "a \"b\" & <c>");
    root.SetAttribute("Apos", "it's");
    root.AddChild("Item").SetAttribute("Name", "x");
    TGNewXMLNode& dic = root.AddChild("Dic");
    dic.SetAttribute("Name", "k");
    dic.SetText("line1\nline2 <&>");
    root.AddChild("Item").SetAttribute("Name", "y");
    TGNewXMLNode& mixed = root.AddChild("Mixed");
    mixed.SetText("t");
    mixed.AddChild("C1");
    mixed.AddChild("C2");
    root.AddChild("Group").AddChild("Leaf");

    EXPECT_EQ(root.SaveToString(), Header +
                                       "<Root Title=\"a &quot;b&quot; &amp; &lt;c&gt;\" Apos=\"it's\">\r\n"
                                       "  <Item Name=\"x\"/>\r\n"
                                       "  <Item Name=\"y\"/>\r\n"
                                       "  <Dic Name=\"k\">line1&#13;\nline2 &lt;&amp;&gt;</Dic>\r\n"
                                       "  <Mixed>t<C1/>\r\n"
                                       "    <C2/>\r\n"
                                       "</Mixed>\r\n"
                                       "  <Group>\r\n"
                                       "    <Leaf/>\r\n"
                                       "  </Group>\r\n"
                                       "</Root>\r\n");
}

// The child sits at depth 2, so its one-line form "  <E V="..."/>" is 11 characters plus the
// written value.
TEST(UGNewXMLNodeTest, WriterBreaksOpeningTagsLongerThan120Characters) {
    struct Case {
        std::string name;
        std::vector<std::pair<std::string, std::string>> attributes;
        std::string text;
        std::string expected;
    };
    const std::string v109(109, 'v');
    const std::string v110(110, 'v');
    const std::string accented = std::string(108, 'v') + "\xC3\xA9";
    const std::string ampersand = std::string(105, 'v') + "&";
    const std::string w55(55, 'w');
    const std::vector<Case> cases = {
        {"120 characters", {{"V", v109}}, "", "  <E V=\"" + v109 + "\"/>\r\n"},
        {"121 characters", {{"V", v110}}, "", "  <E\r\n    V=\"" + v110 + "\"\r\n  />\r\n"},
        {"120 characters in 121 bytes", {{"V", accented}}, "", "  <E V=\"" + accented + "\"/>\r\n"},
        {"121 characters once escaped",
         {{"V", ampersand}},
         "",
         "  <E\r\n    V=\"" + std::string(105, 'v') + "&amp;\"\r\n  />\r\n"},
        {"with text",
         {{"A", w55}, {"B", w55}},
         "x",
         "  <E\r\n    A=\"" + w55 + "\"\r\n    B=\"" + w55 + "\"\r\n  >x</E>\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TGNewXMLNode root("R");
        TGNewXMLNode& child = root.AddChild("E");
        for (const auto& [name, value] : c.attributes) {
            child.SetAttribute(name, value);
        }
        child.SetText(c.text);
        EXPECT_EQ(root.SaveToString(), Header + "<R>\r\n" + c.expected + "</R>\r\n");
    }
}

TEST(UGNewXMLNodeTest, WrittenTreeReadsBackTheSame) {
    TGNewXMLNode root("Fonts");
    root.SetAttribute("Lang", "1033");
    TGNewXMLNode& font = root.AddChild("Font");
    font.SetAttribute("Name", "Main & <Bold> \"x\"");
    font.SetAttribute("Size", "0,75");
    font.AddChild("Glyph").SetText("one\ntwo & <three>");
    root.AddChild("Font").SetAttribute("Name", std::string(130, 'n'));
    const std::string written = root.SaveToString();

    TGNewXMLNode copy("X");
    copy.LoadFromString(written);
    EXPECT_EQ(copy.SaveToString(), written);
    EXPECT_EQ(copy.GetCollection("Font").GetItem(0).GetString("Name"), "Main & <Bold> \"x\"");
    EXPECT_FLOAT_EQ(copy.GetCollection("Font").GetItem(0).GetFloat("Size"), 0.75f);
}

TEST(UGNewXMLNodeTest, LoadFromFileUsesTheXmlAndCachesItForAStartWithoutIt) {
    TempDir dir;
    dir.Write("lang/Fonts.cr", ZCompress("<Fonts Stale=\"1\"/>"));
    dir.Write("lang/Fonts.xml", "<?xml version=\"1.0\"?>\n"
                                "<!-- fonts of the language -->\n"
                                "<Fonts>\n"
                                "  <Font Name=\"Main\" Size=\"0,5\" Wrapped=\"a&#10;b\"/>\n"
                                "  <Font Name=\"Title\">caption</Font>\n"
                                "</Fonts>\n");

    TGNewXMLNode fonts("Fonts");
    fonts.LoadFromFile(dir.Path() / "LANG" / "fonts");
    EXPECT_FALSE(fonts.HasAttribute("Stale"));
    const TGNewXMLCollection& font = fonts.GetCollection("Font");
    ASSERT_EQ(font.Count(), 2u);
    EXPECT_FLOAT_EQ(font.GetItem(0).GetFloat("Size"), 0.5f);
    EXPECT_EQ(font.GetItem(1).GetText(), "caption");
    EXPECT_EQ(font.GetItem(0).GetString("Wrapped"), "a\nb");

    EXPECT_EQ(ZDecompress(test::ReadFile(dir.Path() / "lang" / "Fonts.cr")),
              Header + "<Fonts>\r\n"
                       "  <Font Name=\"Main\" Size=\"0,5\" Wrapped=\"a&#10;b\"/>\r\n"
                       "  <Font Name=\"Title\">caption</Font>\r\n"
                       "</Fonts>\r\n");
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path() / "lang")) {
        ++files;
    }
    EXPECT_EQ(files, 2u);

    std::filesystem::remove(dir.Path() / "lang" / "Fonts.xml");
    TGNewXMLNode again("Fonts");
    again.LoadFromFile(dir.Path() / "lang" / "Fonts");
    EXPECT_EQ(again.SaveToString(), fonts.SaveToString());
}

TEST(UGNewXMLNodeTest, LoadFromFileErrorsNameTheFile) {
    struct Case {
        std::string name;
        std::string file;
        std::string bytes;
        std::string base;
        std::vector<std::string> fragments;
    };
    const std::vector<Case> cases = {
        {"corrupt cache", "Dic1033.cr", "not a zlib stream", "Dic1033", {"Dic1033.cr", "ZDecompress"}},
        {"truncated cache",
         "Dic1033.cr",
         ZCompress("<Dic/>").substr(0, 5),
         "Dic1033",
         {"Dic1033.cr", "ZDecompress"}},
        {"malformed cached document",
         "Dic1033.cr",
         ZCompress("<Dic>\n<Entry>\n</Dic>"),
         "Dic1033",
         {"Dic1033.cr", "line 3"}},
        {"malformed xml", "Dic1033.xml", "<Dic>\n\n<Entry></Dic>", "Dic1033", {"Dic1033.xml", "line 3"}},
        {"range error in xml", "Dic1033.xml", "<Dic C=\"4294967296\"/>", "Dic1033", {"Dic1033.xml", "\"C\""}},
        {"missing", "Other.xml", "<Other/>", "Nothing", {"Nothing.cr"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        dir.Write(c.file, c.bytes);
        TGNewXMLNode node("Dictionary");
        const std::string error = ErrorText([&] { node.LoadFromFile(dir.Path() / c.base); });
        for (const std::string& fragment : c.fragments) {
            EXPECT_NE(error.find(fragment), std::string::npos) << fragment << " in: " << error;
        }
    }
}

// Whatever the tree holds is what a later start without the ".xml" reads from the cache.
TEST(UGNewXMLNodeTest, TextsAndAttributeValuesSurviveTheWriterExactly) {
    const std::vector<std::string> values = {
        " ", "\t\r\n ", "a\rb", "\r\r\n", "\rlead", "key\twith tab", "line\nfeed", " padded ", "<&\"'>",
    };
    for (const std::string& value : values) {
        TGNewXMLNode root("Dic");
        root.AddChild("Entry").SetAttribute("Name", value);
        root.AddChild("Entry").SetText(value);
        TGNewXMLNode copy("Dic");
        copy.LoadFromString(root.SaveToString());
        const TGNewXMLCollection& entries = copy.GetCollection("Entry");
        ASSERT_EQ(entries.Count(), 2u);
        EXPECT_EQ(entries.GetItem(0).GetString("Name"), value)
            << "attribute " << testing::PrintToString(value);
        EXPECT_EQ(entries.GetItem(1).GetText(), root.GetCollection("Entry").GetItem(1).GetText())
            << "text " << testing::PrintToString(value);
    }
}

TEST(UGNewXMLNodeTest, NamesWithNothingAfterThePrefixAreRefusedNamingTheFile) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<Dic><note:>x</note:></Dic>", "Element name \"note:\""},
        {"<Dic><Entry :=\"1\"/></Dic>", "Attribute name \":\""},
        {"<x:>t</x:>", "Element name \"x:\""},
    };
    for (const auto& [xml, fragment] : cases) {
        TempDir dir;
        dir.Write("Dic1033.xml", xml);
        TGNewXMLNode node("Dictionary");
        const std::string error = ErrorText([&] { node.LoadFromFile(dir.Path() / "Dic1033"); });
        EXPECT_NE(error.find(fragment), std::string::npos) << error;
        EXPECT_NE(error.find("Dic1033.xml"), std::string::npos) << error;
        EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Dic1033.cr")) << xml;
    }
    TGNewXMLNode prefixed("Dictionary");
    prefixed.LoadFromString("<q:Dic q:Name=\"n\"><q:Entry/></q:Dic>");
    EXPECT_EQ(prefixed.GetString("Name"), "n");
    EXPECT_EQ(prefixed.GetCollection("Entry").Count(), 1u);
}

// A cache that a start cannot read is rebuilt from its ".xml", never fatal.
TEST(UGNewXMLNodeTest, AnUnreadableCacheBesideItsXmlIsRebuilt) {
    for (const std::string& damaged :
         {std::string("not a zlib stream"), ZCompress("<Dic><></Dic>"), ZCompress("")}) {
        TempDir dir;
        dir.Write("lang/Dic1033.xml", "<Dic><Dic Name=\"k\">v</Dic></Dic>");
        dir.Write("lang/Dic1033.cr", damaged);
        TGNewXMLNode node("Dictionary");
        ASSERT_NO_THROW(node.LoadFromFile(dir.Path() / "lang" / "Dic1033"));
        EXPECT_EQ(node.GetCollection("Dic").GetItem(0).GetText(), "v");
        std::filesystem::remove(dir.Path() / "lang" / "Dic1033.xml");
        TGNewXMLNode fromCache("Dictionary");
        ASSERT_NO_THROW(fromCache.LoadFromFile(dir.Path() / "lang" / "Dic1033"));
        EXPECT_EQ(fromCache.SaveToString(), node.SaveToString());
    }
}

TEST(UGNewXMLNodeTest, NestingIsBoundedWithAnErrorNamingTheFile) {
    auto nested = [](size_t depth) {
        std::string xml;
        for (size_t i = 0; i < depth; ++i) {
            xml += "<a>";
        }
        for (size_t i = 0; i < depth; ++i) {
            xml += "</a>";
        }
        return xml;
    };
    TempDir dir;
    dir.Write("lang/Dic1033.xml", nested(30000));
    TGNewXMLNode node("Dictionary");
    EXPECT_EQ(ErrorText([&] { node.LoadFromFile(dir.Path() / "lang" / "Dic1033"); }),
              "TGNewXMLNode.LoadFromFile: \"" + (dir.Path() / "lang" / "Dic1033.xml").string() +
                  "\": elements nested deeper than 256 levels");
    EXPECT_NO_THROW(node.LoadFromString(nested(256)));
    EXPECT_EQ(ErrorText([&] { node.LoadFromString(nested(257)); }),
              "TGNewXMLNode.LoadFromString: elements nested deeper than 256 levels");
}

TEST(UGNewXMLNodeTest, WithoutXmlOrCacheTheErrorNamesTheXml) {
    TempDir dir;
    TGNewXMLNode node("Fonts");
    EXPECT_EQ(ErrorText([&] { node.LoadFromFile(dir.Path() / "Fonts"); }),
              "TGNewXMLNode.LoadFromFile: File not found: \"" + (dir.Path() / "Fonts.xml").string() +
                  "\" (nor its cache \"" + (dir.Path() / "Fonts.cr").string() + "\")");
}

// An installed data folder cannot be written: the cache goes to the per-user mirror and a later
// start without the ".xml" finds it there.
TEST(UGNewXMLNodeTest, CachesOfAReadOnlyFolderGoToTheMirror) {
    TempDir dir;
    dir.Write("data/lang/Fonts.xml", "<Fonts><Font Name=\"Main\"/></Fonts>");
    const fs::path cacheFolder = dir.Path() / "cache";
    TGCacheLocation readOnly(dir.Path() / "data", cacheFolder, [](const fs::path&) { return false; });
    TGNewXMLNode fonts("Fonts");
    fonts.LoadFromFile(dir.Path() / "data" / "lang" / "Fonts", readOnly);
    EXPECT_FALSE(fs::exists(dir.Path() / "data" / "lang" / "Fonts.cr"));
    ASSERT_TRUE(fs::exists(cacheFolder / "lang" / "Fonts.cr"));

    fs::remove(dir.Path() / "data" / "lang" / "Fonts.xml");
    TGNewXMLNode again("Fonts");
    again.LoadFromFile(dir.Path() / "data" / "lang" / "Fonts", readOnly);
    EXPECT_EQ(again.SaveToString(), fonts.SaveToString());
}

} // namespace
} // namespace qm
