#include "ULevelCheck.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <string>
#include <vector>

namespace qm {
namespace {

const char* const Constants = R"(ElementFallStepDuration="0,004" ElementsSwapDuration="0,005"
    DemolitionStepDuration="0,06" SuperBonusEraseElements="20" SpecialsForSuperBonus="10" ElementFPS="20"
    DyingElementFPS="25" CellWidth="48" CellHeight="48" FieldRowCount="8" FieldColumnCount="4"
    BrickMinLifeTime="3" BrickMaxLifeTime="6" BrickRate="4" MinBricks="10" SecretFieldRowCount="1"
    SecretFieldColumnCount="2")";

// Quotas for three levels, none on the first.
const char* const Quotas =
    R"( BoxCountedPass1="0 1 1" BoxCountedPass2="0 1 1" BoxCountedPass3="0 &quot;2&quot; 1")";

const char* const LevelAttributes = R"(Title="@ULevels1" MarbleOfMarvane="2" ShuffleIncForMarvaneMarble="0,03"
    BrickIncForOtherMarble1="0,05" BrickIncForMarvaneMarble1="0,03" BrickIncForColorCell1="0,3"
    SC_BrickIncForOtherMarble1="0,07" SC_BrickIncForMarvaneMarble1="0,04" SC_BrickIncForColorCell1="0,5"
    MaxBricksPerObligatorySubLevel="16" SC_SubLevel="3" SC_PercentComlete="0,6" SmallConstructionX="80"
    SmallConstructionY="350" SmallConstructionScale="0,6" BigConstructionX="300" BigConstructionY="200"
    BigConstructionScaleY="1,5" ScaffoldsDX="-12" ScaffoldsDY="-8" CurtainsDY="30" TrashDX="200" TrashDY="250"
    CabinX="24" CabinY="452")";

const char* const SecretAttributes = R"(SCLTimeLimit="120" PuzzleMoves="5" SecretLevelMarbles="123"
    IsBonusesCanDroppedOnPuzzle="0" IsNewElementsDropping="0")";

const char* const Outline =
    R"(<ConstructionField ICount="1" JCount="2" RandomCountSmallBonuses="0" RowCountForSmallBonuses="1">..</ConstructionField>)";

std::string SubLevel(const std::string& field, const std::string& attributes = "") {
    std::string all = attributes.empty() ? R"(TimeLimit="60" ColorCellsCount="1" Marbles="123")" : attributes;
    return "<SubLevel " + all + "><Field>" + field + "</Field></SubLevel>";
}

std::string Level(const std::string& body, const std::string& attributes = LevelAttributes) {
    return "<Level " + attributes + ">" + body + "</Level>";
}

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
    std::string body =
        Level(SubLevel("....\n....\n.a..") + Outline + "<SecretLevelField " + SecretAttributes +
              "><Field>..</Field></SecretLevelField>") +
        Level(SubLevel("@...@") + "<SubLevel TimeLimit=\"60\" ColorCellsCount=\"0\" Marbles=\"123\"/>" +
              SubLevel("@i..\n...p\n....") +
              "<ConstructionField ICount=\"1\" JCount=\"2\" RandomCountSmallBonuses=\"0\" "
              "RowCountForSmallBonuses=\"1\">...</ConstructionField>") +
        Level("") + "<SecretLevelField " + SecretAttributes + R"( MaxPoints="2000")" +
        "><Field>.\n.</Field></SecretLevelField>";
    EXPECT_EQ(
        Check(std::string(Constants) + Quotas, body),
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
    EXPECT_EQ(Check("", Level(SubLevel("...")) + Outline),
              (std::vector<std::string>{"GameConfig: Attribute \"ElementFallStepDuration\" not found "
                                        "(element GameConfig in \"G.xml\")"}));
}

// One sublevel of the second level (quota 1, or 2 in the third pass; monument colour 2) with
// one fault each.
TEST(LevelCheckTest, SublevelsThatCannotBeWonAreNamed) {
    struct TCase {
        const char* Attributes;
        const char* Field;
        std::vector<std::string> Problems;
    };
    const std::string where = "Level[2]/SubLevel[1]";
    const char* const TwoLayerField = "@@@@\n^^^^\n^^^^\n^^^^\n^^^^\n^^^^\n^^^^\n^^^^";
    const std::vector<TCase> cases = {
        {"", "@@@@\n....\n....", {}},
        {"",
         "#.@#\n.+..\n....",
         {where + "/Field: the box-drop point at row 2, column 2 is not the top cell of its column"}},
        {"",
         "....\n..+.\n....",
         {where + "/Field: the box-drop point at row 2, column 3 is not the top cell of its column"}},
        {"", "....\n....\n....", {where + "/Field: no box-drop point and 0 box(es) for a quota of 2"}},
        {"",
         "$...\n....\n....",
         {where + "/Field: a box on a hole at row 1, column 1 never appears",
          where + "/Field: no box-drop point and 0 box(es) for a quota of 2"}},
        {"",
         "@@@@\n##.#\n##..",
         {where + "/Field: no line of three reaches the brick cell at row 3, column 4"}},
        {"",
         "@a@3\n...2\n.#.1",
         {where + "/Field: the preset at row 1, column 2 falls to the foot of its column at the first fill"}},
        {R"(TimeLimit="59" ColorCellsCount="0" Marbles="123")",
         "@@@@\n....\n....",
         {where + ": \"TimeLimit\" 59 s is below 60 s (12 brick layers)"}},
        {R"(TimeLimit="89,5" ColorCellsCount="0" Marbles="123")",
         TwoLayerField,
         {where + ": \"TimeLimit\" 89.5 s is below 90 s (60 brick layers)"}},
        {R"(TimeLimit="90" ColorCellsCount="0" Marbles="123")", TwoLayerField, {}},
        {R"(TimeLimit="90.5" ColorCellsCount="0" Marbles="123")",
         "@@@@\n....\n....",
         {where + ": Attribute \"TimeLimit\" is \"90.5\", not a number with a decimal comma"}},
        {R"(TimeLimit="60" Marbles="123")",
         "@@@@\n....\n....",
         {where + ": Attribute \"ColorCellsCount\" not found"}},
        {R"(TimeLimit="60" ColorCellsCount="0" Marbles="1290")",
         "@@@@\n....\n....",
         {where + ": \"Marbles\" holds \"9\", which is no marble colour 1..8"}},
        {R"(TimeLimit="60" ColorCellsCount="0" Marbles="2212")",
         "@@@@\n....\n....",
         {where + ": \"Marbles\" is \"2212\": fewer than 3 colours"}},
        {R"(TimeLimit="60" ColorCellsCount="0" Marbles="1345")",
         "@@@@\n....\n....",
         {where + ": \"Marbles\" is \"1345\" without the monument colour 2"}},
    };
    for (const TCase& c : cases) {
        std::string body = Level(SubLevel("....\n....\n....") + Outline) +
                           Level(SubLevel(c.Field, c.Attributes) + Outline) +
                           Level(SubLevel("@@@@") + Outline);
        EXPECT_EQ(Check(std::string(Constants) + Quotas, body), c.Problems) << c.Field << " " << c.Attributes;
    }
}

// A level with no box quota needs no box at all; the quota lists must reach every level.
TEST(LevelCheckTest, BoxQuotasComeFromEveryPass) {
    const std::string noBoxes = Level(SubLevel("....\n....\n....") + Outline);
    EXPECT_EQ(Check(std::string(Constants) + Quotas, noBoxes), std::vector<std::string>{});
    EXPECT_EQ(
        Check(std::string(Constants) + R"( BoxCountedPass1="0" BoxCountedPass3="1 x")", noBoxes + noBoxes),
        (std::vector<std::string>{
            "GameConfig: \"BoxCountedPass1\" gives 1 box quota(s) for 2 level(s)",
            "GameConfig: Attribute \"BoxCountedPass2\" not found",
            "GameConfig: \"BoxCountedPass3\": \"x\" is not a box count",
            "GameConfig: \"BoxCountedPass3\" gives 1 box quota(s) for 2 level(s)",
            "Level[1]/SubLevel[1]/Field: no box-drop point and 0 box(es) for a quota of 1",
        }));
}

// A level's own secret level needs its time and moves; one of the random pool also its points.
TEST(LevelCheckTest, SecretLevelsCarryTheirTimeMovesAndPoints) {
    const std::string field = "<Field>..</Field></SecretLevelField>";
    const std::string body =
        Level(SubLevel("....") + Outline + R"(<SecretLevelField SCLTimeLimit="2,5" PuzzleMoves="5"
            SecretLevelMarbles="123" IsBonusesCanDroppedOnPuzzle="0" IsNewElementsDropping="0">)" +
              field) +
        "<SecretLevelField " + SecretAttributes + ">" + field;
    EXPECT_EQ(Check(std::string(Constants) + Quotas, body),
              (std::vector<std::string>{
                  "Level[1]/SecretLevelField[1]: Attribute \"SCLTimeLimit\" is \"2,5\", not a whole number",
                  "SecretLevelField[1]: Attribute \"MaxPoints\" not found",
              }));
}

TEST(LevelCheckTest, LevelAttributesMustBePresentAndReadAsTheGameReadsThem) {
    std::string attributes = LevelAttributes;
    auto replace = [&](const std::string& from, const std::string& to) {
        attributes.replace(attributes.find(from), from.size(), to);
    };
    replace(R"(MarbleOfMarvane="2")", R"(MarbleOfMarvane="9")");
    replace(R"(SC_PercentComlete="0,6")", R"(SC_PercentComlete="0.6")");
    replace(R"(CabinY="452")", R"(CabinY="45 px")");
    replace(R"(Title="@ULevels1")", "");
    attributes += R"( BonusBarIncForBrick="0.1")";
    EXPECT_EQ(
        Check(std::string(Constants) + Quotas, Level(SubLevel("....\n....\n....") + Outline, attributes)),
        (std::vector<std::string>{
            "Level[1]: Attribute \"Title\" not found",
            "Level[1]: Attribute \"MarbleOfMarvane\" is \"9\", not a marble colour 1..8",
            "Level[1]: Attribute \"SC_PercentComlete\" is \"0.6\", not a number with a decimal comma",
            "Level[1]: Attribute \"CabinY\" is \"45 px\", not a whole number",
            "Level[1]: Attribute \"BonusBarIncForBrick\" is \"0.1\", not a number with a decimal comma",
        }));
}

} // namespace
} // namespace qm
