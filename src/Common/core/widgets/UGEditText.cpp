#include "UGEditText.h"

#include "UGFont.h"
#include "UGStrings.h"

#include <algorithm>

namespace qm {

namespace {

bool IsLineBreak(char32_t c) {
    return c == U'\r' || c == U'\n';
}

} // namespace

void TGEditText::SetMetrics(const IGTextMetrics* metrics) {
    FMetrics = metrics;
    FLinesValid = false;
}

void TGEditText::SetWidth(double width) {
    if (width != FWidth) {
        FWidth = width;
        FLinesValid = false;
    }
}

void TGEditText::SetValidSymbols(const std::string& symbols) {
    FValidSymbols = DecodeUtf8(symbols);
}

std::string TGEditText::Text() const {
    std::string text;
    for (char32_t c : FText) {
        AppendUtf8(text, c);
    }
    return text;
}

std::u32string TGEditText::ApplyLimits(std::u32string text) const {
    if (FMultiline) {
        return text;
    }
    std::erase_if(text, IsLineBreak);
    if (FMaxSize >= 0 && text.size() > static_cast<size_t>(FMaxSize)) {
        text.resize(static_cast<size_t>(FMaxSize));
    }
    std::vector<TGEditLine> lines = BreakIntoLines(text);
    text.resize(lines.front().Length);
    return text;
}

void TGEditText::SetText(const std::string& text) {
    FText = ApplyLimits(DecodeUtf8(text));
    Changed();
    FCaret = std::min(FCaret, FText.size());
}

void TGEditText::Changed() {
    FLinesValid = false;
    FCaretAtLineEnd = false;
}

std::vector<TGEditLine> TGEditText::BreakIntoLines(const std::u32string& text) const {
    std::vector<TGEditLine> lines(1);
    const double room = FMetrics ? FWidth - FMetrics->MaxCharWidth() : 0.0;
    for (size_t i = 0; i < text.size(); ++i) {
        TGEditLine& line = lines.back();
        if (IsLineBreak(text[i])) {
            lines.push_back({i + 1, 0, false});
            continue;
        }
        // An empty line takes its first letter whatever the width, so a narrow box still
        // shows one letter per line rather than empty lines.
        if (FMetrics && line.Length > 0 && FMetrics->Width(text.substr(line.Start, line.Length)) > room) {
            line.Wrapped = true;
            lines.push_back({i, 0, false});
        }
        ++lines.back().Length;
    }
    return lines;
}

const std::vector<TGEditLine>& TGEditText::Lines() const {
    if (!FLinesValid) {
        FLines = BreakIntoLines(FText);
        FLinesValid = true;
    }
    return FLines;
}

std::string TGEditText::LineText(size_t line) const {
    const TGEditLine& entry = Lines().at(line);
    std::string text;
    for (size_t i = entry.Start; i < entry.End(); ++i) {
        AppendUtf8(text, FText[i]);
    }
    return text;
}

bool TGEditText::FitsOneLine(const std::u32string& text) const {
    return BreakIntoLines(text).size() == 1;
}

bool TGEditText::Accepts(char32_t ch) const {
    const bool isCr = ch == U'\r';
    if (isCr ? !FMultiline : ch < U' ') {
        return false;
    }
    if (!FValidSymbols.empty() && FValidSymbols.find(ch) == std::u32string::npos) {
        return false;
    }
    if (!isCr && FMetrics && !FMetrics->HasGlyph(ch)) {
        return false;
    }
    if (FMaxSize >= 0 && FText.size() >= static_cast<size_t>(FMaxSize)) {
        return false;
    }
    if (!FMultiline) {
        std::u32string typed = FText;
        typed.insert(FCaret, 1, ch);
        return FitsOneLine(typed);
    }
    return true;
}

bool TGEditText::Type(char32_t ch) {
    if (!Accepts(ch)) {
        return false;
    }
    FText.insert(FCaret, 1, ch);
    ++FCaret;
    Changed();
    return true;
}

bool TGEditText::Backspace() {
    if (FCaret == 0) {
        return false;
    }
    FText.erase(--FCaret, 1);
    Changed();
    return true;
}

bool TGEditText::Delete() {
    if (FCaret >= FText.size()) {
        return false;
    }
    FText.erase(FCaret, 1);
    Changed();
    return true;
}

void TGEditText::SetCaret(size_t caret) {
    FCaret = std::min(caret, FText.size());
    FCaretAtLineEnd = false;
}

bool TGEditText::MoveLeft() {
    if (FCaret == 0) {
        return false;
    }
    SetCaret(FCaret - 1);
    return true;
}

bool TGEditText::MoveRight() {
    if (FCaret >= FText.size()) {
        return false;
    }
    SetCaret(FCaret + 1);
    return true;
}

size_t TGEditText::CaretLineIndex() const {
    const std::vector<TGEditLine>& lines = Lines();
    // The last line starting at or before the caret; at the seam of a wrapped line the
    // caret may belong to the upper one.
    size_t line = 0;
    while (line + 1 < lines.size() && lines[line + 1].Start <= FCaret) {
        ++line;
    }
    if (FCaretAtLineEnd && line > 0 && lines[line].Start == FCaret && lines[line - 1].Wrapped) {
        --line;
    }
    return line;
}

TGCaretPos TGEditText::CaretLineCol() const {
    size_t line = CaretLineIndex();
    return {line, FCaret - Lines()[line].Start};
}

bool TGEditText::MoveHome() {
    size_t before = FCaret;
    bool wasAtEnd = FCaretAtLineEnd;
    SetCaret(Lines()[CaretLineIndex()].Start);
    return FCaret != before || wasAtEnd;
}

bool TGEditText::MoveEnd() {
    size_t line = CaretLineIndex();
    size_t before = FCaret;
    bool wasAtEnd = FCaretAtLineEnd;
    SetCaret(Lines()[line].End());
    FCaretAtLineEnd = Lines()[line].Wrapped;
    return FCaret != before || wasAtEnd != FCaretAtLineEnd;
}

bool TGEditText::MoveUp() {
    size_t line = CaretLineIndex();
    if (line == 0) {
        return false;
    }
    SetCaret(Lines()[line - 1].End());
    FCaretAtLineEnd = Lines()[line - 1].Wrapped;
    return true;
}

bool TGEditText::MoveDown() {
    size_t line = CaretLineIndex();
    if (line + 1 >= Lines().size()) {
        return false;
    }
    SetCaret(Lines()[line + 1].Start);
    return true;
}

size_t ScrollToLine(size_t caretLine, size_t first, size_t visible) {
    if (caretLine < first) {
        return caretLine;
    }
    if (visible > 0 && caretLine >= first + visible) {
        return caretLine - visible + 1;
    }
    return first;
}

} // namespace qm
