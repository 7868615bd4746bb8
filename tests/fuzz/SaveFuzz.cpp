// The save file comes from the player's disk, where anything may have happened to it. The input is
// the value stream inside the file (the outer hexadecimal text is tried as well). What is read is
// written back whole: a stream that is read writes back to a stream that reads to the same players,
// slot for slot, and that writes the same stream again.
#include "FuzzSupport.h"
#include "UGRandom.h"
#include "UGXMLNode.h"
#include "USaveCodec.h"
#include "USaveFile.h"

#include <pugixml.hpp>

#include <initializer_list>
#include <string>

namespace {

// Two levels with monuments and sublevels, and secret levels, as the reader checks against them.
qm::PGXMLNode Config() {
    static const qm::PGXMLNode config = [] {
        pugi::xml_document document;
        document.load_string(R"(<GameConfig PointsForLife="50000">
          <Level><SubLevel/><SubLevel/><SubLevel/>
            <ConstructionField ICount="3" JCount="4" RandomCountSmallBonuses="1" RowCountForSmallBonuses="2">
              .1..
              ..a.
              ....</ConstructionField></Level>
          <Level><SubLevel/>
            <ConstructionField ICount="2" JCount="2" RandomCountSmallBonuses="0" RowCountForSmallBonuses="1">
              ##
              ..</ConstructionField></Level>
          <SecretLevelField/><SecretLevelField/></GameConfig>)");
        return qm::CreateXMLSnapshot(document.document_element(), "fuzz.xml");
    }();
    return config;
}

// What a slot holds, named or not, as far as a difference would show in play.
std::string Slots(const qm::TGamePlayers& players) {
    std::string text = qm::DescribeSave(players);
    for (int slot = 1; slot <= qm::PlayerSlotCount; ++slot) {
        const qm::TPlayer& player = players.GetPlayer(slot);
        for (const qm::TPlayerData* data :
             std::initializer_list<const qm::TPlayerData*>{&player.Main, &player.Replay, &player.EasterEgg}) {
            text += std::to_string(slot) + ":" + player.Name + " " + std::to_string(data->Score) + " " +
                    std::to_string(data->Level) + "." + std::to_string(data->SubLevel) + " " +
                    std::to_string(data->ConstructionMoves.size()) + " " +
                    std::to_string(player.Statistics.Records.size()) + "\n";
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qm;
    const std::string input = fuzz::Bytes(data, size);
    SetRandomSeed(1);
    TGamePlayers players(Config());
    const bool read = fuzz::ReadsOrFails([&] { ReadSaveStream(input, players); });
    if (read) {
        const std::string written = WriteSaveStream(players);
        TGamePlayers again(Config());
        ReadSaveStream(written, again);
        if (WriteSaveStream(again) != written || Slots(again) != Slots(players)) {
            __builtin_trap();
        }
    }
    fuzz::ReadsOrFails([&] {
        TGamePlayers fromText(Config());
        DecodeSave(input, fromText);
    });
    return 0;
}
