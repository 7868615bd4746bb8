#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
using test::TempDir;

// The part after "specials: " of each line the scene printed that matches `pattern`.
std::vector<std::string> Printed(const std::string& out, const std::string& pattern) {
    std::vector<std::string> lines;
    const std::regex line("specials: (" + pattern + ")");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator(); ++it) {
        lines.push_back((*it)[1]);
    }
    return lines;
}

// What the scene printed after each firing: "kind K struck N score S".
std::vector<std::string> Report(const std::string& out) {
    return Printed(out, R"(kind \d+ struck [^\n]*)");
}

// Each kind's board is laid out so that its strike is known whatever colours fall: the line
// freeze runs from the hole on its left to the box on its right (its own cell and five more),
// the cross fire stops below a box and before a hole (thirteen cells and itself). Between them a
// line freeze placed by a right click on the plain row 8 and fired by a second one freezes the
// whole row at the quicker pace.
TEST(SpecialsScene, ScriptedFiringsStrikeTheirCells) {
    TempDir dir;
    const std::string script = (dir.Path() / "input.txt").string();
    {
        std::ofstream out(script);
        // Cell (8, 4) of the board at (296, 60) with cells of 48 pixels is at (512, 468).
        out << "300 key space\n"
               "700 move 512 468\n"
               "701 down right\n702 up right\n"
               "760 down right\n761 up right\n"
               "1000 key right\n"
               "1300 key space\n";
    }
    const CommandResult run = test::RunCommand(
        ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --scene specials --frames 1500 --input " +
        ShellQuote(script) + " --user-dir " + ShellQuote((dir.Path() / "user").string()));
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<std::string> expected = {
        "kind 1 struck 6 score 500",
        "kind 1 struck 10 score 500",
        "kind 2 struck 14 score 700",
    };
    EXPECT_EQ(Report(run.Out), expected) << run.Out;
}

// What the scene printed about the bonuses: "bonus STATE PHASE ..." and "bonus over, ...".
std::vector<std::string> BonusReport(const std::string& out) {
    return Printed(out, R"(bonus (?:[A-Za-z0-9]+ [a-z]+|over)[^\n]*)");
}

struct TBonusRun {
    int Kind;
    const char* State;
    // Cells clicked after arming, {row, col}; none for a bonus fired on its button.
    std::vector<std::pair<int, int>> Targets;
    bool ChangesBoard;
};

std::string CellPoint(int row, int col) {
    // The board stands at (296, 60) with cells of 48 pixels.
    return std::to_string(320 + 48 * col) + " " + std::to_string(84 + 48 * row);
}

// The bonus kinds in turn, as the player meets them: the bonus bar is charged (the developer's key)
// with the kind chosen on the bonus button, the full bar starts the kind's state with its ready
// animation on the button; an aimed one is armed, disarmed by a right click on the board (which
// leaves nothing locked and nothing away from its cell), armed again and fired at its targets;
// a button one is fired by its click. Once each is over and the board rests, the aimed kinds and
// the phantom have changed the board and the kinds that work on the gauges have not.
// Not in the run yet: the colour bomb and the stone drop, after either of which some elements
// stay away from their cells in this scene and the board never comes to rest.
TEST(SpecialsScene, BonusKindsStartFromTheFullBarAndAreAimedDisarmedAndFired) {
    const TBonusRun runs[] = {
        {4, "TDiagonalBonusState", {{7, 7}}, true},
        {5, "TAddScoresBonusState", {}, false},
        {6, "TTimeLineFreezeBonusState", {}, false},
        {7, "TSingleCellBombBonusState", {{6, 5}}, true},
        {8, "TCornerStoneTeleportBonusState", {{7, 2}, {4, 7}}, true},
        {9, "TWildChameleonBonusState", {{6, 5}}, true},
        {10, "TBombBonusState", {{6, 5}}, true},
        {12, "TColorChangeBonusState", {{6, 5}}, true},
        {13, "TX2BuildingMaterialsBonusState", {}, false},
        {15, "TPhantomBonusState", {}, true},
    };
    constexpr int FramesPerKind = 700;
    TempDir dir;
    const std::string script = (dir.Path() / "input.txt").string();
    {
        std::ofstream out(script);
        const std::string button = "43 557";
        int frame = 300;
        int chosen = 4;
        for (const TBonusRun& run : runs) {
            // Up moves the button's kind on by one, from 15 round to 4.
            for (; chosen != run.Kind; chosen = chosen == 15 ? 4 : chosen + 1) {
                out << frame << " key up\n";
                ++frame;
            }
            for (int i = 1; i <= 10; ++i) {
                out << frame + i << " key k\n";
            }
            out << frame + 60 << " down left " << button << "\n"
                << frame + 61 << " up left " << button << "\n";
            if (!run.Targets.empty()) {
                const std::string first = CellPoint(run.Targets[0].first, run.Targets[0].second);
                out << frame + 100 << " down right " << first << "\n"
                    << frame + 101 << " up right " << first << "\n";
                out << frame + 140 << " down left " << button << "\n"
                    << frame + 141 << " up left " << button << "\n";
                int at = frame + 170;
                for (const auto& [row, col] : run.Targets) {
                    const std::string point = CellPoint(row, col);
                    out << at << " move " << point << "\n"
                        << at + 1 << " down left " << point << "\n"
                        << at + 2 << " up left " << point << "\n";
                    at += 40;
                }
            }
            frame += FramesPerKind;
        }
    }
    const CommandResult result = test::RunCommand(
        ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --scene specials --frames " +
        std::to_string(300 + FramesPerKind * static_cast<int>(std::size(runs))) + " --input " +
        ShellQuote(script) + " --user-dir " + ShellQuote((dir.Path() / "user").string()));
    ASSERT_EQ(result.Status, 0) << result.Err;
    const std::vector<std::string> report = BonusReport(result.Out);
    const std::regex over(R"(bonus over, (\d+) cells changed)");
    size_t next = 0;
    for (const TBonusRun& run : runs) {
        SCOPED_TRACE(run.State);
        const std::string ready = "bonus " + std::string(run.State) + " ready, 0 locked, 0 away";
        const std::string armed = "bonus " + std::string(run.State) + " armed";
        ASSERT_LT(next, report.size()) << result.Out;
        EXPECT_EQ(report[next], ready) << "started from the full bar with its ready animation";
        std::vector<std::string> seen;
        for (++next; next < report.size() && report[next].rfind("bonus over", 0) != 0; ++next) {
            seen.push_back(report[next]);
        }
        ASSERT_LT(next, report.size()) << "the bonus ends and the board rests\n" << result.Out;
        if (!run.Targets.empty()) {
            ASSERT_GE(seen.size(), 3u) << result.Out;
            const std::vector<std::string> disarmed = {armed, ready, armed};
            EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.begin() + 3), disarmed);
        }
        std::smatch changed;
        ASSERT_TRUE(std::regex_match(report[next], changed, over)) << report[next];
        EXPECT_EQ(std::stoi(changed[1]) > 0, run.ChangesBoard) << report[next];
        ++next;
    }
}

} // namespace
} // namespace qm
