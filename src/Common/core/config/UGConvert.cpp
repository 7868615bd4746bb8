#include "UGConvert.h"

#include <charconv>
#include <limits>
#include <string>
#include <system_error>

namespace qm {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Spaces and control characters, the same set Trim removes.
std::string_view TrimView(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') {
        text.remove_suffix(1);
    }
    return text;
}

size_t TakeDigits(std::string_view text, size_t pos) {
    while (pos < text.size() && IsDigit(text[pos])) {
        ++pos;
    }
    return pos;
}

// The whole (trimmed) text as a floating number with the given decimal separator. The grammar is
// checked here and the text is handed to from_chars in its own fixed notation, so neither the C
// locale nor from_chars' extras (inf, nan, hexadecimal floats) can change what is accepted.
std::optional<double> ParseFloatWith(std::string_view text, char separator) {
    text = TrimView(text);
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    size_t intBegin = pos;
    pos = TakeDigits(text, pos);
    std::string_view intPart = text.substr(intBegin, pos - intBegin);
    std::string_view fracPart;
    if (pos < text.size() && text[pos] == separator) {
        size_t fracBegin = ++pos;
        pos = TakeDigits(text, pos);
        fracPart = text.substr(fracBegin, pos - fracBegin);
    }
    if (intPart.empty() && fracPart.empty()) {
        return std::nullopt;
    }
    std::string normal;
    normal.reserve(text.size() + 4);
    if (negative) {
        normal += '-';
    }
    normal += intPart.empty() ? std::string_view("0") : intPart;
    normal += '.';
    normal += fracPart.empty() ? std::string_view("0") : fracPart;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        normal += 'e';
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            normal += text[pos];
            ++pos;
        }
        size_t expBegin = pos;
        pos = TakeDigits(text, pos);
        if (pos == expBegin) {
            return std::nullopt;
        }
        normal += text.substr(expBegin, pos - expBegin);
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    double value = 0.0;
    const char* end = normal.data() + normal.size();
    auto [ptr, ec] = std::from_chars(normal.data(), end, value, std::chars_format::general);
    if (ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace

int64_t ParseLeadingInt64(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    unsigned base = 10;
    if (pos < text.size() && text[pos] == '$') {
        base = 16;
        ++pos;
    } else if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    // The magnitude is capped at what the signed result can hold; once there, further digits
    // only keep it there.
    const uint64_t limit = negative ? uint64_t{1} << 63 : static_cast<uint64_t>(INT64_MAX);
    uint64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        int digit = base == 16 ? HexDigitValue(text[pos]) : (IsDigit(text[pos]) ? text[pos] - '0' : -1);
        if (digit < 0) {
            break;
        }
        if (magnitude > (limit - static_cast<uint64_t>(digit)) / base) {
            magnitude = limit;
        } else {
            magnitude = magnitude * base + static_cast<uint64_t>(digit);
        }
    }
    if (negative) {
        return magnitude == limit ? INT64_MIN : -static_cast<int64_t>(magnitude);
    }
    return static_cast<int64_t>(magnitude);
}

int32_t ParseLeadingInt(std::string_view text) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ParseLeadingInt64(text))));
}

std::optional<double> ParseCommaFloat(std::string_view text) {
    return ParseFloatWith(text, ',');
}

std::optional<int64_t> ParseDecimalInt(std::string_view text) {
    text = TrimView(text);
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size()) {
        return std::nullopt;
    }
    const uint64_t limit = negative ? uint64_t{1} << 63 : static_cast<uint64_t>(INT64_MAX);
    uint64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        if (!IsDigit(text[pos])) {
            return std::nullopt;
        }
        uint64_t digit = static_cast<uint64_t>(text[pos] - '0');
        if (magnitude > (limit - digit) / 10) {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (negative) {
        return magnitude == limit ? INT64_MIN : -static_cast<int64_t>(magnitude);
    }
    return static_cast<int64_t>(magnitude);
}

std::optional<double> ParsePointOrCommaFloat(std::string_view text) {
    if (auto value = ParseFloatWith(text, '.')) {
        return value;
    }
    return ParseFloatWith(text, ',');
}

} // namespace qm
