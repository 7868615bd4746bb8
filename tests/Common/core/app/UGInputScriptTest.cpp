#include "UGInputScript.h"
#include "UGError.h"
#include "UGKeys.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(InputScript, ParsesEveryEventKindAtItsFrame) {
    TGInputScript script = TGInputScript::Parse("# a comment line\n"
                                                "3 move 400 300\n"
                                                "3 down left 10 20   # trailing comment\n"
                                                "4 up right\n"
                                                "5 dblclick\n"
                                                "5 wheel down\n"
                                                "6 keydown F8\n"
                                                "6 keyup 119\n"
                                                "7 key Enter\n"
                                                "8 char h\xc3\xa9\n"
                                                "9 focus lost\n"
                                                "9 minimize\n"
                                                "10 restore\n"
                                                "12 quit\n",
                                                "script.txt");
    const auto& three = script.EventsAt(3);
    ASSERT_EQ(three.size(), 2u);
    EXPECT_EQ(three[0].Kind, TGWindowEvent::MouseMove);
    EXPECT_EQ(three[0].X, 400);
    EXPECT_EQ(three[0].Y, 300);
    EXPECT_EQ(three[1].Kind, TGWindowEvent::MouseDown);
    EXPECT_EQ(three[1].Button, 0);
    EXPECT_TRUE(three[1].HasPosition);
    EXPECT_EQ(three[1].X, 10);

    ASSERT_EQ(script.EventsAt(4).size(), 1u);
    EXPECT_EQ(script.EventsAt(4)[0].Button, 1);
    EXPECT_FALSE(script.EventsAt(4)[0].HasPosition);

    ASSERT_EQ(script.EventsAt(5).size(), 2u);
    EXPECT_EQ(script.EventsAt(5)[1].Kind, TGWindowEvent::WheelDown);

    ASSERT_EQ(script.EventsAt(6).size(), 2u);
    EXPECT_EQ(script.EventsAt(6)[0].Key, VK_F8);
    EXPECT_EQ(script.EventsAt(6)[1].Kind, TGWindowEvent::KeyUp);
    EXPECT_EQ(script.EventsAt(6)[1].Key, VK_F8);

    ASSERT_EQ(script.EventsAt(7).size(), 2u);
    EXPECT_EQ(script.EventsAt(7)[0].Key, VK_RETURN);
    EXPECT_EQ(script.EventsAt(7)[1].Kind, TGWindowEvent::KeyUp);

    ASSERT_EQ(script.EventsAt(8).size(), 2u);
    EXPECT_EQ(script.EventsAt(8)[0].Char, U'h');
    EXPECT_EQ(script.EventsAt(8)[1].Char, U'\u00e9');

    EXPECT_EQ(script.EventsAt(9)[0].Kind, TGWindowEvent::FocusLost);
    EXPECT_EQ(script.EventsAt(9)[1].Kind, TGWindowEvent::Minimized);
    EXPECT_EQ(script.EventsAt(10)[0].Kind, TGWindowEvent::Restored);
    EXPECT_TRUE(script.EventsAt(11).empty());
    EXPECT_EQ(script.EventsAt(12)[0].Kind, TGWindowEvent::Quit);
    EXPECT_EQ(script.LastFrame(), 12u);
}

TEST(InputScript, ErrorsNameTheFileAndLine) {
    const char* bad[] = {"1 jump",     "0 quit",           "x quit",
                         "2 move 10",  "2 down middle",    "2 keydown NoSuchKey",
                         "2 quit now", "2 wheel sideways", "2 focus maybe",
                         "2 char"};
    for (const char* line : bad) {
        try {
            TGInputScript::Parse(std::string("# first\n") + line + "\n", "in.txt");
            ADD_FAILURE() << "accepted: " << line;
        } catch (const EGError& error) {
            EXPECT_NE(std::string(error.what()).find("\"in.txt\" line 2"), std::string::npos) << error.what();
        }
    }
}

TEST(InputScript, KeyNames) {
    struct {
        const char* Name;
        int Key;
    } cases[] = {
        {"F8", VK_F8}, {"f11", VK_F11}, {"Escape", VK_ESCAPE}, {"alt", VK_MENU}, {"Ctrl", VK_CONTROL},
        {"a", 'A'},    {"7", '7'},      {"KpPlus", VK_ADD},    {"109", 109},     {"F13", 0},
        {"", 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(VirtualKeyFromName(c.Name), c.Key) << c.Name;
    }
}

} // namespace
} // namespace qm
