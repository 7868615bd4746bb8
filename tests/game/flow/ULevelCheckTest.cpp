#include "ULevelCheck.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <string>
#include <vector>

namespace qm {
namespace {

const char* const Constants = R"(ElementFallStepDuration="0,004" ElementsSwapDuration="0,005"
    DemolitionStepDuration="0,06" SuperBonusEraseElements="20" SpecialsForSuperBonus="10" ElementFPS="20"
    DyingElementFPS="25" CellWidth="48" CellHeight="48" FieldRowCount="2" FieldColumnCount="3"
    BrickMinLifeTime="3" BrickMaxLifeTime="6" BrickRate="4" MinBricks="10" SecretFieldRowCount="1"
    SecretFieldColumnCount="2")";

const char* const Outline =
    R"(<ConstructionField ICount="1" JCount="2" RandomCountSmallBonuses="0" RowCountForSmallBonuses="1">..</ConstructionField>)";

// Each problem as "WHERE: the first line of its text".
std::vector<std::string> Check(const std::string& root, const std::string& body) {
    pugi::xml_document document;
    std::string xml = "<GameConfig " + root + ">" + body + "</GameConfig>";
    EXPECT_TRUE(document.load_string(xml.c_str()));
    std::vector<std::string> lines;
    for (const TLevelProblem& problem :
         CheckLevels(*CreateXMLSnapshot(document.document_element(), "G.xml"))) {
        lines.push_back(problem.Where + ": " + problem.Text.substr(0, problem.Text.find('\n')));
    }
    return lines;
}

TEST(LevelCheckTest, EveryBrokenFieldIsReportedInOneRun) {
    std::string body = std::string("<Level><SubLevel><Field>...\n.a.</Field></SubLevel>") + Outline +
                       "<SecretLevelField><Field>..</Field></SecretLevelField></Level>" +
                       "<Level><SubLevel><Field>....</Field></SubLevel><SubLevel/>" +
                       "<SubLevel><Field>.i.\n..p</Field></SubLevel>" +
                       "<ConstructionField ICount=\"1\" JCount=\"2\" RandomCountSmallBonuses=\"0\" "
                       "RowCountForSmallBonuses=\"1\">...</ConstructionField></Level>" +
                       "<Level/><SecretLevelField><Field>.\n.</Field></SecretLevelField>";
    EXPECT_EQ(
        Check(Constants, body),
        (std::vector<std::string>{
            "Level[2]/SubLevel[1]/Field: LoadSublevelData: Inalid sublevel definition. ",
            "Level[2]/SubLevel[2]: has no Field",
            "Level[2]/SubLevel[3]/Field: TGameManager.SpecialKindClass (special \"i\" at row 1, column 2)",
            "Level[2]/ConstructionField: TPlayer.FillConstructionCellsFromXML: Inalid sublevel definition. "
            "Level 2",
            "Level[3]: has no SubLevel",
            "Level[3]: has no ConstructionField",
            "SecretLevelField[1]/Field: LoadSublevelData: Inalid sublevel definition. ",
        }));
}

TEST(LevelCheckTest, WithoutThePlayConstantsNoFieldIsRead) {
    EXPECT_EQ(Check("", "<Level><SubLevel><Field>...</Field></SubLevel></Level>"),
              (std::vector<std::string>{"GameConfig: Attribute \"ElementFallStepDuration\" not found "
                                        "(element GameConfig in \"G.xml\")"}));
}

} // namespace
} // namespace qm
