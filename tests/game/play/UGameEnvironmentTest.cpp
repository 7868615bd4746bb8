#include "UGameEnvironment.h"

#include "TestHelpers.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <map>
#include <string>

namespace qm {
namespace {

using Attributes = std::map<std::string, std::string>;

// A configuration root that every check accepts; cases change or drop one attribute.
Attributes GoodRoot() {
    return {{"ElementFallStepDuration", "0,004"},
            {"ElementsSwapDuration", "0,005"},
            {"DemolitionStepDuration", "0,06"},
            {"SuperBonusEraseElements", "20"},
            {"SpecialsForSuperBonus", "10"},
            {"ElementFPS", "20"},
            {"DyingElementFPS", "25"},
            {"CellWidth", "48"},
            {"CellHeight", "50"},
            {"FieldRowCount", "9"},
            {"FieldColumnCount", "10"},
            {"BrickMinLifeTime", "6"},
            {"BrickMaxLifeTime", "3"},
            {"BrickRate", "4"},
            {"MinBricks", "11"},
            {"SecretFieldRowCount", "7"},
            {"SecretFieldColumnCount", "8"}};
}

TGameEnvironment Read(const Attributes& attributes) {
    pugi::xml_document document;
    pugi::xml_node root = document.append_child("GameConfig");
    for (const auto& [name, value] : attributes) {
        root.append_attribute(name.c_str()).set_value(value.c_str());
    }
    return TGameEnvironment(*CreateXMLSnapshot(root, "GameConfig.xml"));
}

TEST(GameEnvironmentTest, KeyedValuesAndFixedValues) {
    TGameEnvironment env = Read(GoodRoot());
    EXPECT_DOUBLE_EQ(env.ElementFallStepDuration, 0.004);
    EXPECT_DOUBLE_EQ(env.ElementsSwapDuration, 0.005);
    EXPECT_DOUBLE_EQ(env.DemolitionStepDuration, 0.06);
    EXPECT_EQ(env.SuperBonusEraseElements, 20);
    EXPECT_EQ(env.SpecialsForSuperBonus, 10);
    EXPECT_EQ(env.ElementFPS, 20);
    EXPECT_EQ(env.DyingElementFPS, 25);
    EXPECT_EQ(env.CellWidth, 48);
    EXPECT_EQ(env.CellHeight, 50);
    EXPECT_EQ(env.FieldRowCount, 9);
    EXPECT_EQ(env.FieldColumnCount, 10);
    // A minimum above the maximum is kept as written.
    EXPECT_DOUBLE_EQ(env.BrickMinLifeTime, 6.0);
    EXPECT_DOUBLE_EQ(env.BrickMaxLifeTime, 3.0);
    EXPECT_DOUBLE_EQ(env.BrickRate, 4.0);
    EXPECT_EQ(env.MinBricks, 11);
    EXPECT_EQ(env.SecretFieldRowCount, 7);
    EXPECT_EQ(env.SecretFieldColumnCount, 8);
    EXPECT_EQ(env.MaxPlayers, 9);
    EXPECT_DOUBLE_EQ(env.BrickGroundY, 592.0);
    EXPECT_DOUBLE_EQ(env.BrickGroundJitter, 8.0);
    EXPECT_EQ(env.TimeBarFullScore, 2500);
    EXPECT_EQ(env.ObligatoryLevels, 7);
}

struct TBadValue {
    const char* Name;
    const char* Value; // nullptr: the attribute is left out
    const char* Error;
};

TEST(GameEnvironmentTest, ABadValueNamesItsAttribute) {
    const TBadValue cases[] = {
        {"CellWidth", nullptr, R"(Attribute "CellWidth" not found)"},
        {"SecretFieldColumnCount", nullptr, R"(Attribute "SecretFieldColumnCount" not found)"},
        {"ElementsSwapDuration", nullptr, R"(Attribute "ElementsSwapDuration" not found)"},
        {"FieldRowCount", "0", R"(TGameEnvironment.Create: Attribute "FieldRowCount" is 0, outside 1..100)"},
        {"FieldColumnCount", "101",
         R"(TGameEnvironment.Create: Attribute "FieldColumnCount" is 101, outside 1..100)"},
        {"ElementFPS", "-5", R"(TGameEnvironment.Create: Attribute "ElementFPS" is -5, outside 1..1000)"},
        {"SpecialsForSuperBonus", "0",
         R"(TGameEnvironment.Create: Attribute "SpecialsForSuperBonus" is 0, outside 1..1000000)"},
        {"BrickMinLifeTime", "-1",
         R"(TGameEnvironment.Create: Attribute "BrickMinLifeTime" is -1, outside 0..3600)"},
        {"ElementFallStepDuration", "-0,1",
         R"(TGameEnvironment.Create: Attribute "ElementFallStepDuration" is -0,1, outside 0..10)"},
        // A decimal point would silently make the duration zero.
        {"ElementFallStepDuration", "0.004",
         R"(TGameEnvironment.Create: Attribute "ElementFallStepDuration" is "0.004", not a number with a decimal comma)"},
        {"DemolitionStepDuration", "fast",
         R"(TGameEnvironment.Create: Attribute "DemolitionStepDuration" is "fast", not a number with a decimal comma)"},
    };
    for (const TBadValue& bad : cases) {
        Attributes attributes = GoodRoot();
        if (bad.Value) {
            attributes[bad.Name] = bad.Value;
        } else {
            attributes.erase(bad.Name);
        }
        std::string error = test::ErrorText([&] { Read(attributes); });
        EXPECT_NE(error.find(bad.Error), std::string::npos) << bad.Name << ": " << error;
        EXPECT_NE(error.find("GameConfig.xml"), std::string::npos) << "names the file: " << error;
    }
}

TEST(GameEnvironmentTest, RangeBoundsAreAccepted) {
    Attributes attributes = GoodRoot();
    attributes["FieldRowCount"] = "1";
    attributes["FieldColumnCount"] = "100";
    attributes["ElementsSwapDuration"] = "0";
    attributes["BrickRate"] = "0";
    TGameEnvironment env = Read(attributes);
    EXPECT_EQ(env.FieldRowCount, 1);
    EXPECT_EQ(env.FieldColumnCount, 100);
    EXPECT_DOUBLE_EQ(env.ElementsSwapDuration, 0.0);
    EXPECT_DOUBLE_EQ(env.BrickRate, 0.0);
}

} // namespace
} // namespace qm
