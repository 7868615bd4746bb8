#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
using test::TempDir;
namespace fs = std::filesystem;

struct TTraceLine {
    uint64_t Frame = 0;
    std::string Event;
};

std::vector<TTraceLine> ReadTrace(const fs::path& file) {
    std::vector<TTraceLine> lines;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const size_t space = line.find(' ');
        if (space == std::string::npos) {
            ADD_FAILURE() << "a trace line without an event: " << line;
            continue;
        }
        lines.push_back({std::stoull(line.substr(0, space)), line.substr(space + 1)});
    }
    return lines;
}

// The events of the trace that start with `prefix`, in order.
std::vector<std::string> EventsStartingWith(const std::vector<TTraceLine>& trace, const std::string& prefix) {
    std::vector<std::string> events;
    for (const TTraceLine& line : trace) {
        if (line.Event.rfind(prefix, 0) == 0) {
            events.push_back(line.Event);
        }
    }
    return events;
}

// The board written after the n-th (from 0) "sublevel-start" event.
std::vector<std::string> BoardAtStart(const std::vector<TTraceLine>& trace, size_t n) {
    std::vector<std::string> rows;
    size_t seen = 0;
    for (size_t i = 0; i < trace.size(); ++i) {
        if (trace[i].Event.rfind("sublevel-start", 0) != 0 || seen++ != n) {
            continue;
        }
        for (size_t j = i + 1; j < trace.size() && trace[j].Event.rfind("board ", 0) == 0; ++j) {
            rows.push_back(trace[j].Event.substr(6));
        }
        break;
    }
    return rows;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

// Every "?" of the pattern stands for a marble of one of `colours`; every other character must
// be there as it is.
void ExpectBoardLike(const std::vector<std::string>& board, const std::vector<std::string>& pattern,
                     const std::string& colours) {
    ASSERT_EQ(board.size(), pattern.size()) << Joined(board);
    for (size_t r = 0; r < board.size(); ++r) {
        ASSERT_EQ(board[r].size(), pattern[r].size()) << Joined(board);
        for (size_t c = 0; c < board[r].size(); ++c) {
            const char want = pattern[r][c];
            const char got = board[r][c];
            if (want == '?') {
                EXPECT_NE(colours.find(got), std::string::npos)
                    << "row " << r << " column " << c << " holds '" << got << "':\n"
                    << Joined(board);
            } else {
                EXPECT_EQ(got, want) << "row " << r << " column " << c << ":\n" << Joined(board);
            }
        }
    }
}

// The game as a player starts it, with the developer keys, writing its event trace.
class SublevelFlow : public ::testing::Test {
protected:
    CommandResult Game(int frames, const std::string& keys, const std::string& extra = "",
                       const fs::path& data = QM_BINARY_DIR "/data") {
        dir.Write("keys.txt", keys);
        return test::RunCommand(
            ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --autoplay --developer --data " +
            ShellQuote(data.string()) + " --user-dir " + ShellQuote((dir.Path() / "user").string()) +
            " --cache-dir " + ShellQuote((dir.Path() / "cache").string()) + " --frames " +
            std::to_string(frames) + " --input " + ShellQuote((dir.Path() / "keys.txt").string()) +
            " --trace " + ShellQuote(TraceFile().string()) + " " + extra);
    }
    fs::path TraceFile() const { return dir.Path() / "trace.txt"; }

    TempDir dir;
};

// One lost life costs one life: the board turns back into the same sublevel, full, with its
// whole time, and play goes on with the lives left.
TEST_F(SublevelFlow, ALostSublevelStartsAgainWithALifeLessAFullTimeBarAndAFullBoard) {
    CommandResult run = Game(2600, "700 key F\n");
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<TTraceLine> trace = ReadTrace(TraceFile());
    EXPECT_EQ(EventsStartingWith(trace, "sublevel-lost"),
              std::vector<std::string>{"sublevel-lost 1.1 lives 2"});
    EXPECT_TRUE(EventsStartingWith(trace, "game-over").empty());
    EXPECT_EQ(EventsStartingWith(trace, "sublevel-start"),
              (std::vector<std::string>{"sublevel-start 1.1 lives 3 time 260",
                                        "sublevel-start 1.1 lives 2 time 260"}));
    const std::vector<std::string> board = BoardAtStart(trace, 1);
    ExpectBoardLike(board,
                    {
                        "##??????##",
                        "#????????#",
                        "??????????",
                        "??????????",
                        "??????????",
                        "??????????",
                        "??????????",
                        "??????????",
                        "#??3??3??#",
                        "##?1??2?##",
                    },
                    "1234");
}

// A won sublevel leads through the construction screen back to the board, which turns into the
// next sublevel: its own holes, boxes and specials, every other cell a marble of its own colours.
TEST_F(SublevelFlow, AWonSublevelTurnsTheBoardIntoTheNextSublevelFull) {
    const fs::path turning = dir.Path() / "turning.png";
    CommandResult run = Game(3000, "700 key N\n");
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<TTraceLine> trace = ReadTrace(TraceFile());
    const std::vector<std::string> won = EventsStartingWith(trace, "sublevel-won");
    ASSERT_EQ(won.size(), 1u) << run.Out;
    EXPECT_TRUE(std::regex_match(won[0], std::regex(R"(sublevel-won 1\.1 score \d+)"))) << won[0];
    EXPECT_EQ(
        EventsStartingWith(trace, "screen"),
        (std::vector<std::string>{"screen GameScreen", "screen ConstructionScreen", "screen GameScreen"}));
    EXPECT_EQ(EventsStartingWith(trace, "sublevel-start"),
              (std::vector<std::string>{"sublevel-start 1.1 lives 3 time 260",
                                        "sublevel-start 1.2 lives 3 time 270"}));
    EXPECT_TRUE(EventsStartingWith(trace, "sublevel-lost").empty());
    ExpectBoardLike(BoardAtStart(trace, 1),
                    {
                        "?b??????b?",
                        "??????????",
                        "??#????#??",
                        "??#????#??",
                        "??????????",
                        "??????????",
                        "??#????#??",
                        "??#????#??",
                        "??????????",
                        "5???ss???5",
                    },
                    "12345");
    EXPECT_FALSE(EventsStartingWith(trace, "save").empty());
}

// With a secret map of two pieces in the game's data, the developer's M bursts a colour cell
// twice: each burst brings one piece, the complete map leads to the puzzle screen, and play comes
// back to the same board and goes on.
TEST_F(SublevelFlow, TwoBurstColourCellsCompleteASecretMapAndPlayGoesOnAfterThePuzzleScreen) {
    const fs::path data = dir.Path() / "data";
    fs::copy(QM_BINARY_DIR "/data", data, fs::copy_options::recursive);
    test::EditFile(data / "GameConfig.xml", "</GameConfig>",
                   "<SecretMap><Piece X=\"0\" Y=\"0\"/><Piece X=\"60\" Y=\"0\"/></SecretMap></GameConfig>");
    CommandResult run = Game(3000, "700 key M\n1200 key M\n", "", data);
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<TTraceLine> trace = ReadTrace(TraceFile());
    EXPECT_EQ(EventsStartingWith(trace, "piece-found"),
              (std::vector<std::string>{"piece-found 1 of 2", "piece-found 2 of 2"}));
    EXPECT_EQ(EventsStartingWith(trace, "screen"),
              (std::vector<std::string>{"screen GameScreen", "screen PuzzleScreen", "screen GameScreen"}));
    uint64_t back = 0;
    for (const TTraceLine& line : trace) {
        if (line.Event == "screen GameScreen") {
            back = line.Frame;
        }
    }
    bool swappedAfter = false;
    for (const TTraceLine& line : trace) {
        swappedAfter = swappedAfter || (line.Frame > back && line.Event.rfind("swap", 0) == 0);
    }
    EXPECT_TRUE(swappedAfter) << "play goes on after the puzzle screen";
    EXPECT_TRUE(EventsStartingWith(trace, "sublevel-lost").empty());
    EXPECT_EQ(EventsStartingWith(trace, "sublevel-start").size(), 1u) << "the same sublevel goes on";
}

std::string FileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The value of a "NAME VALUE" line of the replay's run description.
std::string RunValue(const std::string& run, const std::string& name) {
    std::smatch found;
    if (!std::regex_search(run, found, std::regex("(^|\\n)" + name + " ([^\\n]*)"))) {
        ADD_FAILURE() << "no " << name << " in the run description";
        return "";
    }
    return found[2].str();
}

// The golden replay of the campaign: the automatic player on the fixed step, the developer's N
// winning now and then, through three sublevels. Its event trace and two screenshots must come
// out byte for byte as recorded, so any change to play shows here. When play changes on purpose,
// run scripts/record-campaign-replay, look at the pictures and say in the commit why.
TEST_F(SublevelFlow, TheCampaignReplaysAsRecordedThroughThreeSublevels) {
    const fs::path golden = fs::path(QM_SOURCE_DIR) / "tests/fixtures/campaign-replay";
    const std::string run = FileBytes(golden / "run.txt");
    const std::string frames = RunValue(run, "frames");
    std::vector<std::string> shots;
    std::string shotArgs;
    const std::string shotList = RunValue(run, "screenshot");
    const std::regex number(R"(\d+)");
    for (auto it = std::sregex_iterator(shotList.begin(), shotList.end(), number);
         it != std::sregex_iterator(); ++it) {
        shots.push_back(it->str());
        shotArgs += " --screenshot " + it->str() + ":" +
                    ShellQuote((dir.Path() / ("frame" + it->str() + ".png")).string());
    }
    ASSERT_EQ(shots.size(), 2u);
    CommandResult result = Game(std::stoi(frames), FileBytes(golden / "keys.txt"), shotArgs);
    ASSERT_EQ(result.Status, 0) << result.Err;
    const std::string trace = FileBytes(TraceFile());
    EXPECT_EQ(trace, FileBytes(golden / "trace.txt"));
    const std::vector<TTraceLine> lines = ReadTrace(TraceFile());
    EXPECT_EQ(EventsStartingWith(lines, "sublevel-won").size(), 3u);
    EXPECT_FALSE(EventsStartingWith(lines, "swap").empty()) << "the automatic player played between the wins";
    for (const std::string& shot : shots) {
        EXPECT_TRUE(FileBytes(dir.Path() / ("frame" + shot + ".png")) ==
                    FileBytes(golden / ("frame" + shot + ".png")))
            << "frame " << shot << " differs from the recorded picture";
    }
}

} // namespace
} // namespace qm
