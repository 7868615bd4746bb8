#include "UGXMLNode.h"

#include "TestHelpers.h"
#include "UGError.h"
#include "UGXMLUtils.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <functional>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::ErrorText;

// The document is released before the snapshot is used, as the configuration loader does.
PGXMLNode Snapshot(const std::string& xml, const std::string& source = "test.xml") {
    pugi::xml_document document;
    pugi::xml_parse_result result = document.load_string(xml.c_str());
    EXPECT_TRUE(result) << result.description();
    return CreateXMLSnapshot(document.document_element(), source);
}

TEST(UGXMLNodeTest, AttributeConversions) {
    struct Case {
        std::string text;
        int32_t integer;
        double floating;
        uint32_t colour;
        bool boolean;
    };
    const std::vector<Case> cases = {
        {"0,25", 0, 0.25, 0, false},
        {"0.25", 0, 0.0, 0, false},
        {"7.9", 7, 0.0, 7, true},
        {"12abc", 12, 0.0, 12, true},
        {"1,5", 1, 1.5, 1, true},
        {"$FF", 255, 0.0, 255, true},
        {"0x1F", 31, 0.0, 31, true},
        {"true", 0, 0.0, 0, false},
        {"1", 1, 1.0, 1, true},
        {"", 0, 0.0, 0, false},
        {"-5", -5, -5.0, 5, true},
        {"$FFFFFFFF", -1, 0.0, 0xFFFFFFFFu, true},
        {"-4294967295", 1, -4294967295.0, 0xFFFFFFFFu, true},
        {"2,5e1", 2, 25.0, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE('"' + c.text + '"');
        PGXMLNode node = Snapshot("<E V=\"" + c.text + "\"/>");
        EXPECT_EQ(node->GetString("V"), c.text);
        EXPECT_EQ(node->GetVariant("V"), c.text);
        EXPECT_EQ(node->GetInt("V"), c.integer);
        EXPECT_DOUBLE_EQ(node->GetFloat("V"), c.floating);
        EXPECT_EQ(node->GetColor("V"), c.colour);
        EXPECT_EQ(node->GetBool("V"), c.boolean);
        EXPECT_EQ(node->GetIntDef("V", 99), c.integer);
        EXPECT_DOUBLE_EQ(node->GetFloatDef("V", 99.0), c.floating);
        EXPECT_EQ(node->GetColorDef("V", 99), c.colour);
        EXPECT_EQ(node->GetBoolDef("V", !c.boolean), c.boolean);
        EXPECT_EQ(node->GetStringDef("V", "def"), c.text);
    }
}

TEST(UGXMLNodeTest, DefaultsForAbsentAttributes) {
    PGXMLNode node = Snapshot("<E V=\"1\"/>");
    EXPECT_FALSE(node->HasAttribute("W"));
    EXPECT_FALSE(node->HasAttribute("v"));
    EXPECT_EQ(node->GetStringDef("W", "def"), "def");
    EXPECT_TRUE(node->GetBoolDef("W", true));
    EXPECT_FALSE(node->GetBoolDef("W", false));
    EXPECT_DOUBLE_EQ(node->GetFloatDef("W", 2.5), 2.5);
    EXPECT_EQ(node->GetIntDef("W", -3), -3);
    EXPECT_EQ(node->GetColorDef("W", 0xFF00FF00u), 0xFF00FF00u);
}

// Four attributes are searched linearly, five go through the hash index; a repeated local name
// (here through two prefixes) must resolve to its first occurrence either way.
TEST(UGXMLNodeTest, FourAndFiveAttributesReadAlike) {
    const std::string common = R"(a:X="1" b:X="2" Y="0,5" Z="$10")";
    PGXMLNode four = Snapshot("<E " + common + "/>");
    PGXMLNode five = Snapshot("<E " + common + " W=\"w\"/>");
    ASSERT_EQ(four->GetAttributeNames(), (std::vector<std::string>{"X", "X", "Y", "Z"}));
    for (const std::string name : {"X", "Y", "Z", "x", "a:X", "W0", ""}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(four->HasAttribute(name), five->HasAttribute(name));
        EXPECT_EQ(four->GetStringDef(name, "-"), five->GetStringDef(name, "-"));
        EXPECT_EQ(four->GetIntDef(name, -1), five->GetIntDef(name, -1));
        EXPECT_EQ(four->GetFloatDef(name, -1), five->GetFloatDef(name, -1));
        EXPECT_EQ(four->GetColorDef(name, 7), five->GetColorDef(name, 7));
    }
    EXPECT_EQ(five->GetString("X"), "1");
    EXPECT_EQ(five->GetInt("Z"), 16);
    EXPECT_EQ(five->GetString("W"), "w");
}

// More names than buckets, so chains hold several names; every one must still find its own value.
TEST(UGXMLNodeTest, LargeElementFindsEveryAttribute) {
    const int count = 600;
    std::string xml = "<E";
    for (int i = 0; i < count; ++i) {
        xml += " A" + std::to_string(i) + "=\"" + std::to_string(i * 3) + "\"";
    }
    xml += " n:A7=\"dup\"/>";
    PGXMLNode node = Snapshot(xml);
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(node->GetInt("A" + std::to_string(i)), i * 3) << i;
    }
    EXPECT_FALSE(node->HasAttribute("A600"));
    EXPECT_EQ(node->GetString("A7"), "21");
}

TEST(UGXMLNodeTest, CollectionsInOrderOfFirstOccurrence) {
    PGXMLNode root = Snapshot(R"(<R>
        <A i="1"/>
        <!-- a comment is not a child -->
        <B i="2"><Deep i="4"/></B>
        <A i="3"/>
    </R>)");
    ASSERT_EQ(root->CollectionCount(), 2u);
    PGXMLCollection a = root->CollectionAt(0);
    PGXMLCollection b = root->CollectionAt(1);
    EXPECT_EQ(a->GetName(), "A");
    EXPECT_EQ(b->GetName(), "B");
    EXPECT_EQ(root->GetCollection("A"), a);
    ASSERT_EQ(a->Count(), 2u);
    EXPECT_EQ(a->GetItem(0)->GetInt("i"), 1);
    EXPECT_EQ(a->GetItem(1)->GetInt("i"), 3);
    ASSERT_EQ(b->Count(), 1u);
    EXPECT_EQ(b->GetItem(0)->GetCollection("Deep")->GetItem(0)->GetInt("i"), 4);
    EXPECT_THROW(root->CollectionAt(2), EGError);
}

TEST(UGXMLNodeTest, AbsentTagGivesTheSharedEmptyCollection) {
    PGXMLNode root = Snapshot("<R><A/></R>");
    PGXMLCollection none = root->GetCollection("Z");
    EXPECT_EQ(none, EmptyXMLCollection());
    EXPECT_EQ(root->GetCollection("a"), EmptyXMLCollection());
    EXPECT_EQ(none->Count(), 0u);
    EXPECT_EQ(none->GetName(), "");
    EXPECT_THROW(none->GetItem(0), EGError);
    EXPECT_THROW(none->Add(root), EGError);
    EXPECT_EQ(EmptyXMLCollection()->Count(), 0u);
}

TEST(UGXMLNodeTest, GetItemOutOfRange) {
    PGXMLNode root = Snapshot("<R><A i=\"1\"/><A i=\"2\"/></R>");
    PGXMLCollection a = root->GetCollection("A");
    EXPECT_EQ(a->GetItem(1)->GetInt("i"), 2);
    EXPECT_THROW(a->GetItem(2), EGError);
    EXPECT_THROW(a->GetItem(static_cast<size_t>(-1)), EGError);
}

TEST(UGXMLNodeTest, MissingAttributeErrorNamesElementAndFile) {
    PGXMLNode root = Snapshot("<CoreConfig><Sound Volume=\"5\"/></CoreConfig>", "CoreConfig.xml");
    PGXMLNode sound = root->GetCollection("Sound")->GetItem(0);
    const std::string expected =
        "Attribute \"SoundsEnabled\" not found (element CoreConfig/Sound in \"CoreConfig.xml\")";
    const std::string name = "SoundsEnabled";
    const std::vector<std::function<void()>> reads = {
        [&] { sound->GetString(name); },      [&] { sound->GetBool(name); },
        [&] { sound->GetFloat(name); },       [&] { sound->GetInt(name); },
        [&] { sound->GetColor(name); },       [&] { sound->GetVariant(name); },
        [&] { sound->SetString(name, "1"); }, [&] { sound->SetBool(name, true); },
    };
    for (size_t i = 0; i < reads.size(); ++i) {
        EXPECT_EQ(ErrorText(reads[i]), expected) << "operation " << i;
    }
    EXPECT_EQ(ErrorText([&] { root->GetInt("Volume"); }),
              "Attribute \"Volume\" not found (element CoreConfig in \"CoreConfig.xml\")");
}

TEST(UGXMLNodeTest, LocationNamesFileAndElementPath) {
    PGXMLNode root =
        Snapshot("<cfg:CoreConfig><ResourceSet><Res/></ResourceSet></cfg:CoreConfig>", "CoreConfig.xml");
    PGXMLNode set = root->GetCollection("ResourceSet")->GetItem(0);
    EXPECT_EQ(root->GetName(), "CoreConfig");
    EXPECT_EQ(root->GetLocation(), "CoreConfig.xml: CoreConfig");
    EXPECT_EQ(set->GetLocation(), "CoreConfig.xml: CoreConfig/ResourceSet");
    EXPECT_EQ(set->GetCollection("Res")->GetItem(0)->GetLocation(),
              "CoreConfig.xml: CoreConfig/ResourceSet/Res");
}

TEST(UGXMLNodeTest, SettersChangeOnlyTheText) {
    PGXMLNode node = Snapshot("<E V=\"3\" F=\"1\"/>");
    node->SetString("V", "5");
    EXPECT_EQ(node->GetString("V"), "5");
    EXPECT_EQ(node->GetVariant("V"), "5");
    EXPECT_EQ(node->GetInt("V"), 3);
    EXPECT_DOUBLE_EQ(node->GetFloat("V"), 3.0);
    EXPECT_EQ(node->GetColor("V"), 3u);

    node->SetBool("F", false);
    EXPECT_EQ(node->GetString("F"), "0");
    EXPECT_TRUE(node->GetBool("F"));
    node->SetBool("F", true);
    EXPECT_EQ(node->GetString("F"), "1");
}

TEST(UGXMLNodeTest, ColourBeyond32BitsFailsTheSnapshot) {
    const std::string error =
        ErrorText([] { Snapshot(R"(<Root><Sprite Color="$1FFFFFFFF"/></Root>)", "cfg.xml"); });
    EXPECT_NE(error.find("Color"), std::string::npos) << error;
    EXPECT_NE(error.find("$1FFFFFFFF"), std::string::npos) << error;
    EXPECT_NE(error.find("cfg.xml: Root/Sprite"), std::string::npos) << error;

    EXPECT_THROW(Snapshot("<E C=\"-4294967296\"/>"), EGError);
    EXPECT_THROW(Snapshot("<E C=\"99999999999999999999\"/>"), EGError);
    EXPECT_EQ(Snapshot("<E C=\"4294967295\"/>")->GetColor("C"), 0xFFFFFFFFu);
}

TEST(UGXMLNodeTest, TextOnlyForTextElements) {
    struct Case {
        std::string xml;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"<T>hello &amp; bye</T>", "hello & bye"},
        {"<T><![CDATA[a<b]]></T>", "a<b"},
        {"<T>  padded  </T>", "  padded  "},
        {"<T>one\r\ntwo</T>", "one\ntwo"},
        {"<T>x<B/></T>", ""},
        {"<T><B>inner</B></T>", ""},
        {"<T>a<!--c-->b</T>", ""},
        {"<T/>", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Snapshot(c.xml)->GetText(), c.text) << c.xml;
    }
}

std::string Nested(size_t depth) {
    std::string xml;
    for (size_t i = 0; i < depth; ++i) {
        xml += "<a>";
    }
    for (size_t i = 0; i < depth; ++i) {
        xml += "</a>";
    }
    return xml;
}

// The snapshot is built (and torn down) recursively: a deep document must be refused before the
// stack runs out.
TEST(UGXMLNodeTest, NestingIsBoundedWithAnErrorNamingTheFile) {
    EXPECT_EQ(Snapshot(Nested(MaxXmlDepth))->GetName(), "a");
    EXPECT_EQ(ErrorText([] { Snapshot(Nested(MaxXmlDepth + 1), "deep.xml"); }),
              "TGXMLNode.Create: \"deep.xml\": elements nested deeper than 256 levels");
    EXPECT_EQ(ErrorText([] { Snapshot(Nested(100000), "CoreConfig.xml"); }),
              "TGXMLNode.Create: \"CoreConfig.xml\": elements nested deeper than 256 levels");
}

TEST(UGXMLNodeTest, DepthCountsElementLevelsOnly) {
    struct Case {
        const char* Xml;
        size_t Depth;
    };
    const Case cases[] = {
        {"<a/>", 1},
        {"<a>text<!-- note --></a>", 1},
        {"<a><b/><c><d/></c><e/></a>", 3},
        {"<a><b><c/></b><d/></a>", 3},
        {"<a><b/><b/><b><c><d/></c></b></a>", 4},
    };
    for (const Case& c : cases) {
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(c.Xml));
        EXPECT_EQ(XmlElementDepth(document.document_element()), c.Depth) << c.Xml;
    }
}

} // namespace
} // namespace qm
