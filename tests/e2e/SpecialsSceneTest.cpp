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

// The "specials: ..." lines the scene prints after each firing, without the prefix.
std::vector<std::string> Report(const std::string& out) {
    std::vector<std::string> lines;
    const std::regex line(R"(specials: ([^\n]*))");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator(); ++it) {
        lines.push_back((*it)[1]);
    }
    return lines;
}

// Each kind's board is laid out so that its strike is known whatever colours fall: the line
// freeze runs from the hole to the box (six cells and itself), the cross fire stops below a box
// and before a hole (thirteen and itself), the diagonal's rays end at a hole, a box and the
// edges (eleven and itself), the cross-fire marble reaches two cells each way but meets a box
// above and a hole on its left (five and itself). Last, a cross-fire marble placed by a right
// click on a free cell and fired by a second one strikes all eight cells within two.
TEST(SpecialsScene, ScriptedFiringsStrikeTheirCells) {
    TempDir dir;
    const std::string script = (dir.Path() / "input.txt").string();
    {
        std::ofstream out(script);
        out << "150 key space\n"
               "400 key right\n"
               "550 key space\n"
               "800 key right\n"
               "801 key right\n"
               "950 key space\n"
               "1200 key left\n1201 key left\n1202 key left\n1203 key left\n1204 key left\n"
               "1350 key space\n"
               // Cell (2, 7) of the board at (296, 60) with cells of 48 pixels.
               "1600 move 656 180\n"
               "1601 down right\n1602 up right\n"
               "1700 down right\n1701 up right\n";
    }
    const CommandResult run = test::RunCommand(
        ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --scene specials --frames 2000 --input " +
        ShellQuote(script) + " --user-dir " + ShellQuote((dir.Path() / "user").string()));
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<std::string> expected = {
        "kind 1 struck 7 score 500",  "kind 2 struck 14 score 700", "kind 4 struck 12 score 0",
        "kind 17 struck 6 score 700", "kind 17 struck 9 score 700",
    };
    EXPECT_EQ(Report(run.Out), expected) << run.Out;
}

} // namespace
} // namespace qm
