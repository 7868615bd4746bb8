#include "UGTextLayout.h"

#include "UGFont.h"
#include "UGStrings.h"

namespace qm {

namespace {

bool IsLineEnd(char32_t c) {
    return c == U'\r' || c == U'\n';
}

bool IsWordEnd(char32_t c) {
    return c == U' ' || IsLineEnd(c);
}

std::string Utf8(const std::u32string& codes) {
    std::string text;
    for (char32_t c : codes) {
        AppendUtf8(text, c);
    }
    return text;
}

// The word starting at `start` with the one space after it, if any; a line end counts as that
// space, since it is measured as if the caption went on.
std::u32string WordWithSpace(const std::u32string& caption, size_t start) {
    std::u32string word;
    for (size_t i = start; i < caption.size(); ++i) {
        char32_t c = caption[i];
        word += IsLineEnd(c) ? U' ' : c;
        if (IsWordEnd(c)) {
            break;
        }
    }
    return word;
}

std::u32string WithoutTrailingSpace(std::u32string word) {
    if (!word.empty() && word.back() == U' ') {
        word.pop_back();
    }
    return word;
}

} // namespace

std::vector<std::string> BreakCaptionLines(const std::string& caption, double width, bool wordWrap,
                                           const TGTextWidth& measure) {
    const std::u32string codes = DecodeUtf8(caption);
    std::vector<std::u32string> lines(1);
    auto widthOf = [&measure](const std::u32string& text) { return measure(Utf8(text)); };
    // True while a word too wide for the box is being laid out letter by letter.
    bool breakingWord = false;
    for (size_t i = 0; i < codes.size(); ++i) {
        char32_t c = codes[i];
        if (IsLineEnd(c)) {
            lines.emplace_back();
            breakingWord = false;
            continue;
        }
        if (wordWrap) {
            bool wordStart = i == 0 || IsWordEnd(codes[i - 1]);
            if (wordStart) {
                std::u32string word = WordWithSpace(codes, i);
                breakingWord = widthOf(WithoutTrailingSpace(word)) > width;
                if (!breakingWord && !lines.back().empty() && widthOf(lines.back() + word) > width) {
                    lines.emplace_back();
                }
            }
            // A space may hang past the edge: it shows nothing, and a line must not start with it.
            if (breakingWord && c != U' ' && !lines.back().empty() && widthOf(lines.back() + c) > width) {
                lines.emplace_back();
            }
        }
        lines.back() += c;
    }
    std::vector<std::string> result;
    result.reserve(lines.size());
    for (const std::u32string& line : lines) {
        result.push_back(Utf8(line));
    }
    return result;
}

} // namespace qm
