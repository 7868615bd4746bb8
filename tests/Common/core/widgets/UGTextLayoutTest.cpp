#include "UGTextLayout.h"

#include "UGFont.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

// Every letter is 10 units wide, whatever the script.
double TenPerLetter(const std::string& text) {
    return 10.0 * static_cast<double>(DecodeUtf8(text).size());
}

struct TBreakCase {
    const char* Name;
    const char* Caption;
    double Width;
    bool WordWrap;
    std::vector<std::string> Lines;
};

TEST(BreakCaptionLines, LaysOutCaptions) {
    const TBreakCase cases[] = {
        {"two words fit, the third goes down", "one two three", 100, true, {"one two ", "three"}},
        {"the lines of a pair stay apart", "one two three", 100, false, {"one two three"}},
        {"CR LF leaves an empty line", "a\r\nb", 100, false, {"a", "", "b"}},
        {"a line end counts as a space when wrapping", "ab\ncd", 100, true, {"ab", "cd"}},
        {"a word wider than the box breaks at the width", "Quillmarkers", 50, true, {"Quill", "marke", "rs"}},
        {"a wide word fills the line it starts on", "ab Quillmark", 50, true, {"ab Qu", "illma", "rk"}},
        {"a box narrower than a letter keeps one per line", "abc", 5, true, {"a", "b", "c"}},
        {"letters, not bytes, are measured", "żółć żółw", 50, true, {"żółć ", "żółw"}},
        {"an empty caption is one empty line", "", 50, true, {""}},
    };
    for (const TBreakCase& c : cases) {
        EXPECT_EQ(BreakCaptionLines(c.Caption, c.Width, c.WordWrap, TenPerLetter), c.Lines) << c.Name;
    }
}

} // namespace
} // namespace qm
