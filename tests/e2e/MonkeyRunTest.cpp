#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>

namespace qm {
namespace {

using test::CommandResult;
using test::ShellQuote;
using test::TempDir;
namespace fs = std::filesystem;

// A player who does anything at all: clicks, right and double clicks, drags, wheel steps, keys and
// typing anywhere on the screen, the window losing and regaining the focus, minimised and restored,
// at random moments. The same seed makes the same script, so a failure repeats.
std::string MonkeyScript(uint32_t seed, int frames) {
    std::mt19937 random(seed);
    auto pick = [&](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
    static const char* const keys[] = {
        "Escape", "Enter", "Space", "Tab", "Backspace", "Delete", "Left", "Right", "Up", "Down",   "Home",
        "End",    "F8",    "F9",    "N",   "F",         "A",      "K",    "1",     "5",  "KpPlus", "KpMinus"};
    std::string script = "1 focus gained\n";
    int frame = 2;
    auto line = [&](int at, const std::string& event) { script += std::to_string(at) + " " + event + "\n"; };
    auto point = [&] { return std::to_string(pick(800)) + " " + std::to_string(pick(600)); };
    while (frame < frames - 20) {
        switch (pick(14)) {
        case 0:
        case 1:
        case 2:
        case 3:
            line(frame, "move " + point());
            line(frame, "down left");
            line(frame + 1, "up left");
            break;
        case 4:
            line(frame, "down right " + point());
            line(frame + 1, "up right");
            break;
        case 5:
            line(frame, "move " + point());
            line(frame, "dblclick");
            break;
        case 6: {
            line(frame, "down left " + point());
            const int steps = 1 + pick(6);
            for (int step = 1; step <= steps; ++step) {
                line(frame + step, "move " + point());
            }
            frame += steps;
            line(frame + 1, "up left");
            break;
        }
        case 7:
            line(frame, pick(2) ? "wheel up" : "wheel down");
            break;
        case 8:
        case 9:
            line(frame, std::string("key ") + keys[pick(static_cast<int>(std::size(keys)))]);
            break;
        case 10:
            line(frame, "char Ab9 _");
            break;
        case 11:
            line(frame, "focus lost");
            line(frame + 1 + pick(30), "focus gained");
            frame += 31;
            break;
        case 12:
            line(frame, "minimize");
            line(frame + 1 + pick(30), "restore");
            frame += 31;
            break;
        default:
            line(frame, "keydown Alt");
            line(frame + 1, std::string("key ") + keys[pick(static_cast<int>(std::size(keys)))]);
            line(frame + 2, "keyup Alt");
            frame += 2;
            break;
        }
        frame += 2 + pick(8);
    }
    line(frame, "restore");
    line(frame, "focus gained");
    return script;
}

// The game from a plain start under random input, as a player and as the developer: it ends
// normally after its frames, says nothing of an error, and the save it leaves reads.
class MonkeyRun : public ::testing::TestWithParam<const char*> {
protected:
    fs::path User() const { return dir.Path() / "user"; }
    fs::path FindSave() const {
        for (const auto& entry : fs::recursive_directory_iterator(User())) {
            if (entry.path().filename() == "Data") {
                return entry.path();
            }
        }
        return {};
    }

    TempDir dir;
};

TEST_P(MonkeyRun, RandomInputEndsNormallyAndLeavesAReadableSave) {
    constexpr int Frames = 5000;
    dir.Write("monkey.txt", MonkeyScript(20261211, Frames));
    // Saved every frame and traced ("saved: level L.S"), so that the save read at the end can be
    // held against the last progress the game reported.
    CommandResult run = test::RunCommand(
        "QM_SAVE_STRESS=1 " + ShellQuote(QM_GAME_BINARY) + " --headless --fixed-step --data " +
        ShellQuote(QM_BINARY_DIR "/data") + " --user-dir " + ShellQuote(User().string()) + " --cache-dir " +
        ShellQuote((dir.Path() / "cache").string()) + " --frames " + std::to_string(Frames) + " --input " +
        ShellQuote((dir.Path() / "monkey.txt").string()) + " " + GetParam());
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(std::regex_search(run.Err, std::regex("error|Error|exception")), false) << run.Err;

    const fs::path save = FindSave();
    ASSERT_FALSE(save.empty()) << "saved on exit";
    const std::string tool = ShellQuote(QM_DATA_TOOL_BINARY);
    const std::string data = " --data " + ShellQuote(QM_BINARY_DIR "/data") + " " + ShellQuote(save.string());
    CommandResult check = test::RunCommand(tool + " save-check" + data);
    EXPECT_EQ(check.Status, 0) << check.Err;
    CommandResult dump = test::RunCommand(tool + " save-dump" + data);
    ASSERT_EQ(dump.Status, 0) << dump.Err;
    const std::regex savedLine(R"(saved: level (\d+\.\d+))");
    std::string lastSaved = "none";
    for (auto it = std::sregex_iterator(run.Out.begin(), run.Out.end(), savedLine);
         it != std::sregex_iterator(); ++it) {
        lastSaved = (*it)[1].str();
    }
    std::smatch campaign;
    ASSERT_TRUE(std::regex_search(dump.Out, campaign,
                                  std::regex(R"(player 1: "Builder"\n  campaign: level (\d+\.\d+),)")))
        << dump.Out;
    EXPECT_EQ(campaign[1].str(), lastSaved) << dump.Out;
}

INSTANTIATE_TEST_SUITE_P(AsPlayerAndDeveloper, MonkeyRun, ::testing::Values("", "--developer"));

} // namespace
} // namespace qm
