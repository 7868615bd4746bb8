#include "Song.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace soundgen {
namespace {

// Instruments of one frame: the tests look at the notes, not at the sound.
TXmInstrument TinyInstrument(const TSongInstrument&) {
    TXmInstrument instrument;
    instrument.Sample.Data = {0};
    return instrument;
}

const char* const Header = R"(title Little  # a comment after a statement
speed 5
bpm 140
instrument keys epiano volume 40 pan 100
instrument kick kick
voice tune keys volume 48
voice drum kick
)";

TXmCell CellAt(const TXmModule& module, int pattern, int row, int channel) {
    return module.Patterns[pattern].Cells[static_cast<size_t>(row) * module.Channels + channel];
}

TEST(Song, NotesRestsHoldsAndDrumsLandOnTheirRows) {
    const std::string text = std::string(Header) + R"(
# Lengths carry on from token to token and from line to line of the same voice.
pattern a 16
  tune: C4/4 F#3/2 | Bb2 r/3!30
  tune: - B7/2
  drum: kick/8!20 keys
pattern b 4
  drum: C0/4
order b a b
)";
    const TXmModule module = BuildModule(ParseSong(text, "little.song"), TinyInstrument);
    EXPECT_EQ(module.Name, "Little");
    EXPECT_EQ(module.Channels, 2);
    EXPECT_EQ(module.Tempo, 5);
    EXPECT_EQ(module.Bpm, 140);
    EXPECT_EQ(module.Order, (std::vector<int>{1, 0, 1}));
    ASSERT_EQ(module.Instruments.size(), 2u);
    EXPECT_EQ(module.Instruments[0].Name, "keys");
    EXPECT_EQ(module.Instruments[0].Sample.Volume, 40);
    EXPECT_EQ(module.Instruments[0].Sample.Panning, 100);
    EXPECT_EQ(module.Instruments[1].Sample.Volume, 64);
    ASSERT_EQ(module.Patterns.size(), 2u);
    ASSERT_EQ(module.Patterns[0].Rows, 16);

    const struct {
        int Row;
        int Channel;
        TXmCell Cell;
    } expected[] = {
        {0, 0, {XmNoteC4, 1, 0x10 + 48, 0, 0}},
        {4, 0, {XmNoteC4 - 6, 1, 0x10 + 48, 0, 0}},
        {6, 0, {XmNoteC4 - 14, 1, 0x10 + 48, 0, 0}},
        {8, 0, {XmKeyOff, 0, 0, 0, 0}},
        {11, 0, {}},
        {14, 0, {XmLastNote, 1, 0x10 + 48, 0, 0}},
        {0, 1, {XmNoteC4, 2, 0x10 + 20, 0, 0}},
        {8, 1, {XmNoteC4, 1, 0, 0, 0}},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(CellAt(module, 0, e.Row, e.Channel), e.Cell) << "row " << e.Row << " channel " << e.Channel;
    }
    int used = 0;
    for (const TXmCell& cell : module.Patterns[0].Cells) {
        used += cell == TXmCell{} ? 0 : 1;
    }
    EXPECT_EQ(used, 7) << "nothing but the expected cells";
    EXPECT_EQ(CellAt(module, 1, 0, 1), (TXmCell{1, 2, 0, 0, 0}));
    EXPECT_EQ(CellAt(module, 1, 0, 0), TXmCell{}) << "a voice left out of a pattern is silent";
}

TEST(Song, MistakesAreReportedWithTheirLine) {
    const struct {
        const char* Body;
        const char* Expected;
    } cases[] = {
        {"pattern a 8\n  tune: C4/4 D4/2\norder a",
         "x.song:10: voice \"tune\" fills 6 of the 8 rows of pattern \"a\""},
        {"pattern a 8\n  tune: C4/4 D4/6\norder a",
         "x.song:9: voice \"tune\" runs past the 8 rows of pattern \"a\" at \"D4/6\""},
        {"pattern a 4\n  tune: H4/4\norder a",
         "x.song:9: \"H4\" is neither a note, a rest, a hold nor an instrument"},
        {"pattern a 4\n  tune: C8/4\norder a", "x.song:9: note \"C8\" is outside C0..B7"},
        {"pattern a 4\n  tune: C4/4!65\norder a", "x.song:9: volume 65 is outside 0..64"},
        {"pattern a 4\n  tune: C4/x\norder a", "x.song:9: length \"x\" is not a number"},
        {"pattern a 4\n  bass: C4/4\norder a", "x.song:9: voice \"bass\" is not declared"},
        {"pattern a 4\norder a b", "x.song:9: order names pattern \"b\", which is not defined above"},
        {"pattern a 4\npattern a 4", "x.song:9: pattern \"a\" exists already"},
        {"pattern a 300", "x.song:8: row count 300 is outside 1..256"},
        {"  tune: C4/4", "x.song:8: voice line \"tune:\" outside a pattern"},
        {"pattern a 4\norder a\nvoice late keys", "x.song:10: voices are declared before the first pattern"},
        {"instrument keys bell", "x.song:8: instrument name \"keys\" is taken"},
        {"instrument C4 bell", "x.song:8: instrument name \"C4\" is taken"},
        {"instrument x bell volume", "x.song:8: \"volume\" has no value"},
        {"tempo 5", "x.song:8: unknown statement \"tempo\""},
        {"speed 0", "x.song:8: speed 0 is outside 1..31"},
        {"pattern a 4", "x.song:8: the song has no order"},
        {"instrument x harpsichord9", "x.song:8: instrument \"x\": no synthesis \"harpsichord9\""},
        {"instrument x bell\x01", "x.song:8: instrument \"x\": the synthesis holds the control byte 0x01"},
        {"instrument \x7fx bell", "x.song:8: the instrument name holds the control byte 0x7f"},
        {"instrument x\x1b[2J bell", "x.song:8: the instrument name holds the control byte 0x1b"},
    };
    for (const auto& c : cases) {
        const std::string text = std::string(Header) + c.Body + "\n";
        try {
            ParseSong(text, "x.song");
            ADD_FAILURE() << "accepted: " << c.Body;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), c.Expected);
        }
    }
}

} // namespace
} // namespace soundgen
