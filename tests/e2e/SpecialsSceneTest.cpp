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

// What the scene printed after each firing: "kind K struck N score S".
std::vector<std::string> Report(const std::string& out) {
    std::vector<std::string> lines;
    const std::regex line(R"(specials: (kind \d+ struck [^\n]*))");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator(); ++it) {
        lines.push_back((*it)[1]);
    }
    return lines;
}

// Each kind's board is laid out so that its strike is known whatever colours fall: the line
// freeze runs from the hole to the box (its own cell and five more), the cross fire stops below
// a box and before a hole (thirteen and itself), the diagonal's rays end at a hole, a box and
// the edges (eleven and itself), the cross-fire marble reaches two cells each way but meets a
// box above and a hole on its left (five and itself). Last, a cross-fire marble placed by a
// right click on a free cell and fired by a second one strikes all eight cells within two.
TEST(SpecialsScene, ScriptedFiringsStrikeTheirCells) {
    TempDir dir;
    const std::string script = (dir.Path() / "input.txt").string();
    {
        std::ofstream out(script);
        out << "300 key space\n"
               "600 key right\n"
               "900 key space\n"
               "1100 key right\n"
               "1101 key right\n"
               "1400 key space\n"
               "1700 key left\n1701 key left\n1702 key left\n1703 key left\n1704 key left\n"
               "2000 key space\n"
               // Cell (2, 7) of the board at (296, 60) with cells of 48 pixels.
               "2300 move 656 180\n"
               "2301 down right\n2302 up right\n"
               "2400 down right\n2401 up right\n";
    }
    const CommandResult run = test::RunCommand(
        ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --scene specials --frames 2800 --input " +
        ShellQuote(script) + " --user-dir " + ShellQuote((dir.Path() / "user").string()));
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<std::string> expected = {
        "kind 1 struck 6 score 500",  "kind 2 struck 14 score 700", "kind 4 struck 12 score 0",
        "kind 17 struck 6 score 700", "kind 17 struck 9 score 700",
    };
    EXPECT_EQ(Report(run.Out), expected) << run.Out;
}

} // namespace
} // namespace qm
