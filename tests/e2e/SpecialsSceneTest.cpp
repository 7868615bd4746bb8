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

} // namespace
} // namespace qm
