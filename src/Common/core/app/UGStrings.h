#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace qm {

// Text in the engine is UTF-8 in std::string throughout; the places that need code points
// (fonts, the keyboard) decode it where they use it.

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Lower-cases ASCII letters only; other bytes are left as they are.
std::string LowerAscii(std::string_view text);

// Removes spaces and control characters (bytes <= ' ') from both ends.
std::string Trim(std::string_view text);

bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// Formats a number for display with the game's decimal comma ("0,5"); the C locale is never used.
std::string FormatFloat(double value, int decimals);

// Appends the UTF-8 encoding of a code point.
void AppendUtf8(std::string& out, char32_t codePoint);

} // namespace qm
