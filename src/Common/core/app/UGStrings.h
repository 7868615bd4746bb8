#pragma once

#include <cstdarg>
#include <cstdint>
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

// The 64-bit FNV-1a hash of some bytes. Every byte moves the state, so reordered or swapped
// parts give another value; it tells when cached data was made from other sources, and is no
// defence against anyone forging them. Pass the previous result as `hash` to go on hashing.
constexpr uint64_t HashSeed64 = 0xCBF29CE484222325u;
uint64_t HashBytes64(std::string_view bytes, uint64_t hash = HashSeed64);

// Data quoted in an error text: the whole text in quotes when it is at most `limit` bytes, else
// `limit` bytes around `position` in quotes, "..." where they were cut off, and the length of the
// whole text, so that a damaged file of megabytes never makes a message of megabytes.
std::string QuotedExcerpt(std::string_view text, size_t position = 0, size_t limit = 80);

// Appends the UTF-8 encoding of a code point.
void AppendUtf8(std::string& out, char32_t codePoint);

} // namespace qm
