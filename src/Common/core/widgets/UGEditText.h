#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qm {

// What an edit text needs to know of its font.
class IGTextMetrics {
public:
    virtual ~IGTextMetrics() = default;
    virtual double Width(const std::u32string& text) const = 0;
    virtual double MaxCharWidth() const = 0;
    virtual bool HasGlyph(char32_t c) const = 0;
    virtual double LineHeight() const = 0;
};

// One display line: a run of the text's code points. A line ends at a CR (not part of the
// line) or, Wrapped, where the next letter would not have fitted.
struct TGEditLine {
    size_t Start = 0;
    size_t Length = 0;
    bool Wrapped = false;

    size_t End() const { return Start + Length; }
};

struct TGCaretPos {
    size_t Line = 0;
    size_t Column = 0;
};

// The text of an edit box and its caret, without any drawing: UTF-8 outside, code points
// inside, so the caret, MaxSize and the valid symbols count letters, not bytes. A single-line
// text holds no CR, at most MaxSize letters and no more than fits on one display line, whether
// it was set or typed.
class TGEditText {
public:
    // The font's measures; none means every letter is accepted and nothing wraps.
    void SetMetrics(const IGTextMetrics* metrics);
    // The width lines are broken at.
    void SetWidth(double width);
    void SetMultiline(bool multiline) { FMultiline = multiline; }
    // -1: no limit.
    void SetMaxSize(int maxSize) { FMaxSize = maxSize; }
    // UTF-8; empty: every letter.
    void SetValidSymbols(const std::string& symbols);

    bool Multiline() const { return FMultiline; }
    int MaxSize() const { return FMaxSize; }

    // Applies the single-line limits; the caret stays where it was, within the new text.
    void SetText(const std::string& text);
    std::string Text() const;
    const std::u32string& Codes() const { return FText; }

    // Whether typing the character would insert it: CR only in multi-line text, no other
    // control character, only valid symbols the font can draw, and never past the limits.
    bool Accepts(char32_t ch) const;
    // Inserts at the caret and moves it on; false when the character is not accepted.
    bool Type(char32_t ch);

    // The editing keys; each returns whether the text or the caret changed.
    bool Backspace();
    bool Delete();
    bool MoveLeft();
    bool MoveRight();
    bool MoveHome();
    bool MoveEnd();
    bool MoveUp();
    bool MoveDown();

    size_t Caret() const { return FCaret; }
    void SetCaret(size_t caret);

    const std::vector<TGEditLine>& Lines() const;
    std::string LineText(size_t line) const;
    // The caret's display line and column. At the place where a wrapped line goes on, the
    // caret shows at the end of the upper line after End and Up, else at the lower line's start.
    TGCaretPos CaretLineCol() const;

private:
    std::vector<TGEditLine> BreakIntoLines(const std::u32string& text) const;
    bool FitsOneLine(const std::u32string& text) const;
    std::u32string ApplyLimits(std::u32string text) const;
    void Changed();
    size_t CaretLineIndex() const;

    const IGTextMetrics* FMetrics = nullptr;
    double FWidth = 1e9;
    bool FMultiline = false;
    int FMaxSize = -1;
    std::u32string FValidSymbols;
    std::u32string FText;
    size_t FCaret = 0;
    // The caret sits at the end of a wrapped line rather than the start of the next.
    bool FCaretAtLineEnd = false;
    mutable std::vector<TGEditLine> FLines;
    mutable bool FLinesValid = false;
};

} // namespace qm

namespace qm {

// The first visible line that brings the caret's line into a view of `visible` lines: a caret
// above the view becomes its first line, one below it its last.
size_t ScrollToLine(size_t caretLine, size_t first, size_t visible);

} // namespace qm
