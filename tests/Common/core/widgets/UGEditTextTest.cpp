#include "UGEditText.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// Ten units a letter; the font has Latin letters with Polish and German ones, but no Greek.
class TTenUnitFont : public IGTextMetrics {
public:
    double Width(const std::u32string& text) const override {
        return 10.0 * static_cast<double>(text.size());
    }
    double MaxCharWidth() const override { return 10.0; }
    bool HasGlyph(char32_t c) const override { return c < 0x370 || c > 0x3FF; }
    double LineHeight() const override { return 20.0; }
};

// A box 50 wide holds five letters a line: a sixth would leave less than a letter's room.
class EditText : public ::testing::Test {
protected:
    void SetUp() override {
        FText.SetMetrics(&FFont);
        FText.SetWidth(50);
    }
    std::string TypeAll(const std::u32string& letters) {
        std::string rejected;
        for (char32_t c : letters) {
            if (!FText.Type(c)) {
                rejected += static_cast<char>(c < 128 ? c : '?');
            }
        }
        return rejected;
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (size_t i = 0; i < FText.Lines().size(); ++i) {
            lines.push_back(FText.LineText(i));
        }
        return lines;
    }

    TTenUnitFont FFont;
    TGEditText FText;
};

TEST_F(EditText, TypingCountsLettersNotBytes) {
    FText.SetMultiline(true);
    EXPECT_EQ(TypeAll(U"żółw"), "");
    EXPECT_EQ(FText.Caret(), 4u);
    EXPECT_EQ(FText.Text(), "żółw");
    FText.MoveLeft();
    EXPECT_TRUE(FText.Backspace());
    EXPECT_EQ(FText.Text(), "żów");
    EXPECT_TRUE(FText.Delete());
    EXPECT_EQ(FText.Text(), "żó");
    EXPECT_FALSE(FText.Delete());
    EXPECT_EQ(FText.Caret(), 2u);
}

TEST_F(EditText, AcceptsOnlyWhatTheBoxAllows) {
    // Greek letters are missing from the font; control characters never go in.
    EXPECT_EQ(TypeAll(U"aΩ\tb"), "?\t");
    EXPECT_EQ(FText.Text(), "ab");
    FText.SetText("");
    FText.SetValidSymbols("0123456789");
    EXPECT_EQ(TypeAll(U"4a2-"), "a-");
    EXPECT_EQ(FText.Text(), "42");
}

TEST_F(EditText, EnterBreaksOnlyMultiLineText) {
    EXPECT_FALSE(FText.Type(U'\r'));
    EXPECT_EQ(FText.Lines().size(), 1u);
    FText.SetMultiline(true);
    TypeAll(U"ab\rc");
    EXPECT_EQ(Lines(), (std::vector<std::string>{"ab", "c"}));
    EXPECT_EQ(FText.CaretLineCol().Line, 1u);
    EXPECT_EQ(FText.CaretLineCol().Column, 1u);
}

TEST_F(EditText, TypingKeepsTheLimitsOfSetText) {
    FText.SetMaxSize(3);
    FText.SetText("żółw");
    EXPECT_EQ(FText.Text(), "żół");
    FText.SetText("ab");
    FText.SetCaret(2);
    EXPECT_EQ(TypeAll(U"cd"), "d");
    EXPECT_EQ(FText.Text(), "abc");

    // Without MaxSize, a single line ends where the box is full.
    FText.SetMaxSize(-1);
    FText.SetText("abc\rdefghij");
    EXPECT_EQ(FText.Text(), "abcde");
    FText.SetCaret(2);
    EXPECT_FALSE(FText.Type(U'x'));
    EXPECT_EQ(FText.Text(), "abcde");
    EXPECT_EQ(FText.Caret(), 2u);
}

TEST_F(EditText, MultiLineTextWrapsAtTheWidth) {
    FText.SetMultiline(true);
    FText.SetText("abcdefgh\rij");
    EXPECT_EQ(Lines(), (std::vector<std::string>{"abcde", "fgh", "ij"}));
    // A narrower box than one letter still shows every letter.
    FText.SetWidth(5);
    EXPECT_EQ(Lines().size(), 10u);
}

TEST_F(EditText, CaretKeysFollowTheDisplayLines) {
    FText.SetMultiline(true);
    FText.SetText("abcdefgh\rij");
    auto at = [this](size_t line, size_t column) {
        TGCaretPos pos = FText.CaretLineCol();
        return pos.Line == line && pos.Column == column;
    };
    FText.SetCaret(7); // "fg|h"
    EXPECT_TRUE(at(1, 2));
    EXPECT_TRUE(FText.MoveHome());
    EXPECT_EQ(FText.Caret(), 5u);
    EXPECT_TRUE(at(1, 0));
    EXPECT_TRUE(FText.MoveUp()); // to the end of the wrapped line above
    EXPECT_EQ(FText.Caret(), 5u);
    EXPECT_TRUE(at(0, 5));
    EXPECT_TRUE(FText.MoveDown());
    EXPECT_TRUE(at(1, 0));
    EXPECT_TRUE(FText.MoveEnd());
    EXPECT_TRUE(at(1, 3));
    EXPECT_TRUE(FText.MoveDown());
    EXPECT_TRUE(at(2, 0));
    EXPECT_FALSE(FText.MoveDown());
    EXPECT_TRUE(FText.MoveUp()); // past the CR: the end of "fgh"
    EXPECT_EQ(FText.Caret(), 8u);
    FText.SetCaret(0);
    EXPECT_FALSE(FText.MoveUp());
    EXPECT_FALSE(FText.MoveLeft());
    FText.SetCaret(99);
    EXPECT_EQ(FText.Caret(), 11u);
    EXPECT_FALSE(FText.MoveRight());
}

TEST(ScrollToLine, BringsTheCaretLineIntoView) {
    EXPECT_EQ(ScrollToLine(5, 3, 4), 3u); // in view
    EXPECT_EQ(ScrollToLine(1, 3, 4), 1u); // above: it becomes the first line
    EXPECT_EQ(ScrollToLine(7, 3, 4), 4u); // just below: it becomes the last line
    EXPECT_EQ(ScrollToLine(20, 0, 4), 17u);
}

} // namespace
} // namespace qm
