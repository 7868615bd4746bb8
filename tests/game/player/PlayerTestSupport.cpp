#include "PlayerTestSupport.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace qm::test {

PGXMLNode MakePlayerConfig(const std::string& extraRoot, const std::string& firstOutline) {
    const std::string smallOutline = R"(<ConstructionField ICount="2" JCount="3" CellsSize="20"
                           RandomCountSmallBonuses="0" RowCountForSmallBonuses="1">
          .1.
          ...
        </ConstructionField>)";
    const std::string xml = R"(<GameConfig PointsForLife="50000" YearsPerSecond="0,5"
        BoxCountedPass1="4 &quot;6&quot;" BoxCountedPass2="8 9" )" +
                            extraRoot + R"(>
      <Level BrickIncForOtherMarble1="0,1" BrickIncForOtherMarble3="0,3" SC_BrickIncForOtherMarble1="0,7"
             BrickIncForColorCell1="0,2" BrickIncForMarvaneMarble1="0,4" BonusBarIncForBrick="0,05"
             BonusBarIncForBrick5="0,5">
        <SubLevel/><SubLevel/><SubLevel/>)" +
                            (firstOutline.empty() ? smallOutline : firstOutline) + R"(
        <SecretLevelField PuzzleMoves="12"/>
      </Level>
      <Level BrickIncForOtherMarble1="0,1" BrickIncForColorCell1="0,2" BrickIncForMarvaneMarble1="0,4">
        <SubLevel/><SubLevel/>
        <ConstructionField ICount="2" JCount="3" CellsSize="20" RandomCountSmallBonuses="0"
                           RowCountForSmallBonuses="1">
          ##.
          ...
        </ConstructionField>
      </Level>
      <SecretLevelField PuzzleMoves="5"/><SecretLevelField PuzzleMoves="6"/><SecretLevelField PuzzleMoves="7"/>
      <SecretMap><Piece/><Piece/></SecretMap>
      <Rank Name="R1"/><Rank Name="R2"/><Rank Name="R3"/><Rank Name="R4"/><Rank Name="R5"/><Rank Name="R6"/><Rank Name="R7"/>
      <HighScores Name="Ann" Score="300" Pass="0" PassingTime="30" FinalLevel="2"/>
      <HighScores Name="Bo" Score="100" Pass="0" PassingTime="10" FinalLevel="1"/>
    </GameConfig>)";
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(xml.c_str()));
    return CreateXMLSnapshot(document.document_element(), "G.xml");
}

} // namespace qm::test
