#include "USaveCodec.h"

#include "UGError.h"
#include "UGStrings.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qm {

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";
constexpr int ExtendedBias = 16383;
constexpr int ExtendedMaxExponent = 0x7FFF;

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Text of 7-bit characters written by an older program may hold bytes of its code page; those
// are taken as Latin-1, and every other invalid UTF-8 sequence becomes U+FFFD, so that a name
// read from a file is always valid UTF-8.
std::string ValidUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<uint8_t>(bytes[i]);
        int extra = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            minimum = 0x10000;
        }
        char32_t code = extra == 0 ? 0 : lead & (0x3F >> extra);
        bool valid = extra > 0;
        for (int k = 1; valid && k <= extra; ++k) {
            if (i + static_cast<size_t>(k) >= bytes.size()) {
                valid = false;
                break;
            }
            const auto next = static_cast<uint8_t>(bytes[i + static_cast<size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (valid && code >= minimum && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
            out.append(bytes.substr(i, static_cast<size_t>(extra) + 1));
            i += static_cast<size_t>(extra) + 1;
        } else {
            AppendUtf8(out, 0xFFFD);
            ++i;
        }
    }
    return out;
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
        AppendUtf8(out, static_cast<uint8_t>(c));
    }
    return out;
}

std::string Utf16ToUtf8(std::string_view bytes) {
    std::string out;
    const size_t units = bytes.size() / 2;
    auto unit = [&](size_t k) {
        return static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * k]) |
                                     (static_cast<uint8_t>(bytes[2 * k + 1]) << 8));
    };
    for (size_t k = 0; k < units; ++k) {
        const char16_t high = unit(k);
        if (high >= 0xD800 && high <= 0xDBFF && k + 1 < units) {
            const char16_t low = unit(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        AppendUtf8(out, high >= 0xD800 && high <= 0xDFFF ? char32_t{0xFFFD} : char32_t{high});
    }
    return out;
}

} // namespace

std::string EncodeHex(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        text += HexDigits[byte & 0x0F];
        text += HexDigits[byte >> 4];
    }
    return text;
}

std::string DecodeHex(std::string_view text) {
    if (text.size() % 2 != 0) {
        throw EGError("HexToStr", Format("odd length %zu", text.size()));
    }
    std::string bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        const int low = HexValue(text[i]);
        const int high = HexValue(text[i + 1]);
        if (low < 0 || high < 0) {
            const size_t bad = low < 0 ? i : i + 1;
            throw EGError("HexToStr", Format("character %u at %zu is not a hexadecimal digit",
                                             static_cast<unsigned>(static_cast<uint8_t>(text[bad])), bad));
        }
        bytes += static_cast<char>(low | (high << 4));
    }
    return bytes;
}

std::array<uint8_t, 10> DoubleToExtended(double value) {
    std::array<uint8_t, 10> bytes{};
    uint64_t significand = 0;
    int exponent = 0;
    if (std::isnan(value)) {
        significand = 0xC000000000000000ull;
        exponent = ExtendedMaxExponent;
    } else if (std::isinf(value)) {
        significand = 0x8000000000000000ull;
        exponent = ExtendedMaxExponent;
    } else if (value != 0.0) {
        int binaryExponent = 0;
        // frexp gives [0.5, 1): its 53 bits move to the top of the 64-bit significand unchanged,
        // subnormal doubles included, as the wider exponent holds them all as normal numbers.
        const double fraction = std::frexp(std::fabs(value), &binaryExponent);
        significand = static_cast<uint64_t>(std::ldexp(fraction, 64));
        exponent = binaryExponent - 1 + ExtendedBias;
    }
    for (int k = 0; k < 8; ++k) {
        bytes[static_cast<size_t>(k)] = static_cast<uint8_t>(significand >> (8 * k));
    }
    const int signAndExponent = exponent | (std::signbit(value) ? 0x8000 : 0);
    bytes[8] = static_cast<uint8_t>(signAndExponent);
    bytes[9] = static_cast<uint8_t>(signAndExponent >> 8);
    return bytes;
}

double ExtendedToDouble(const std::array<uint8_t, 10>& bytes) {
    uint64_t significand = 0;
    for (int k = 7; k >= 0; --k) {
        significand = (significand << 8) | bytes[static_cast<size_t>(k)];
    }
    const int signAndExponent = bytes[8] | (bytes[9] << 8);
    const bool negative = (signAndExponent & 0x8000) != 0;
    const int exponent = signAndExponent & 0x7FFF;
    double magnitude = 0;
    if (exponent == ExtendedMaxExponent) {
        magnitude = (significand << 1) == 0 ? std::numeric_limits<double>::infinity()
                                            : std::numeric_limits<double>::quiet_NaN();
    } else if (significand != 0) {
        // The conversion of the significand rounds to 53 bits; the scaling is exact in the
        // normal range and saturates to infinity or zero beyond it.
        const int scale = std::max(exponent, 1) - ExtendedBias - 63;
        magnitude = std::ldexp(static_cast<double>(significand), std::clamp(scale, -20000, 20000));
    }
    return negative ? -magnitude : magnitude;
}

bool IsPlainAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<uint8_t>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

void TSaveWriter::Put(uint64_t value, int byteCount) {
    for (int k = 0; k < byteCount; ++k) {
        FBytes += static_cast<char>(static_cast<uint8_t>(value >> (8 * k)));
    }
}

void TSaveWriter::WriteInteger(int32_t value) {
    if (value >= -128 && value <= 127) {
        FBytes += static_cast<char>(stInt8);
        Put(static_cast<uint8_t>(static_cast<int8_t>(value)), 1);
    } else if (value >= -32768 && value <= 32767) {
        FBytes += static_cast<char>(stInt16);
        Put(static_cast<uint16_t>(static_cast<int16_t>(value)), 2);
    } else {
        FBytes += static_cast<char>(stInt32);
        Put(static_cast<uint32_t>(value), 4);
    }
}

void TSaveWriter::WriteBoolean(bool value) {
    FBytes += static_cast<char>(value ? stTrue : stFalse);
}

void TSaveWriter::WriteFloat(double value) {
    FBytes += static_cast<char>(stExtended);
    for (uint8_t byte : DoubleToExtended(value)) {
        FBytes += static_cast<char>(byte);
    }
}

void TSaveWriter::WriteString(std::string_view utf8) {
    if (!IsPlainAscii(utf8)) {
        FBytes += static_cast<char>(stUtf8String);
        Put(utf8.size(), 4);
    } else if (utf8.size() < 256) {
        FBytes += static_cast<char>(stString);
        Put(utf8.size(), 1);
    } else {
        FBytes += static_cast<char>(stLString);
        Put(utf8.size(), 4);
    }
    FBytes.append(utf8);
}

std::string_view TSaveReader::TakeBytes(const char* context, size_t byteCount) {
    if (byteCount > Left()) {
        throw EGError(context, Format("Stream read error: %zu bytes wanted at byte %zu, %zu left", byteCount,
                                      FPosition, Left()));
    }
    const std::string_view bytes = FBytes.substr(FPosition, byteCount);
    FPosition += byteCount;
    return bytes;
}

uint64_t TSaveReader::Take(const char* context, size_t byteCount) {
    const std::string_view bytes = TakeBytes(context, byteCount);
    uint64_t value = 0;
    for (size_t k = byteCount; k > 0; --k) {
        value = (value << 8) | static_cast<uint8_t>(bytes[k - 1]);
    }
    return value;
}

uint8_t TSaveReader::ReadTag(const char* context) {
    return static_cast<uint8_t>(Take(context, 1));
}

void TSaveReader::InvalidValue(const char* context, uint8_t tag) const {
    throw EGError(context, Format("Invalid property value (tag %u at byte %zu)", tag, FPosition - 1));
}

int32_t TSaveReader::ReadInteger() {
    const char* context = "TSaveReader.ReadInteger";
    switch (const uint8_t tag = ReadTag(context)) {
    case stInt8:
        return static_cast<int8_t>(Take(context, 1));
    case stInt16:
        return static_cast<int16_t>(Take(context, 2));
    case stInt32:
        return static_cast<int32_t>(static_cast<uint32_t>(Take(context, 4)));
    default:
        InvalidValue(context, tag);
    }
}

bool TSaveReader::ReadBoolean() {
    return ReadTag("TSaveReader.ReadBoolean") == stTrue;
}

double TSaveReader::ReadFloat() {
    const char* context = "TSaveReader.ReadFloat";
    switch (const uint8_t tag = ReadTag(context)) {
    case stExtended: {
        const std::string_view raw = TakeBytes(context, 10);
        std::array<uint8_t, 10> bytes{};
        for (size_t k = 0; k < bytes.size(); ++k) {
            bytes[k] = static_cast<uint8_t>(raw[k]);
        }
        return ExtendedToDouble(bytes);
    }
    case stInt8:
        return static_cast<int8_t>(Take(context, 1));
    case stInt16:
        return static_cast<int16_t>(Take(context, 2));
    case stInt32:
        return static_cast<int32_t>(static_cast<uint32_t>(Take(context, 4)));
    case stInt64:
        return static_cast<double>(static_cast<int64_t>(Take(context, 8)));
    default:
        InvalidValue(context, tag);
    }
}

std::string TSaveReader::ReadString() {
    const char* context = "TSaveReader.ReadString";
    const uint8_t tag = ReadTag(context);
    size_t length = 0;
    switch (tag) {
    case stString:
        length = Take(context, 1);
        break;
    case stLString:
    case stUtf8String:
    case stWString:
        length = Take(context, 4);
        break;
    default:
        InvalidValue(context, tag);
    }
    const size_t byteCount = tag == stWString ? 2 * length : length;
    if (byteCount > MaxSaveTextBytes) {
        throw EGError(context, Format("text of %zu bytes at byte %zu is longer than %zu", byteCount,
                                      FPosition, MaxSaveTextBytes));
    }
    const std::string_view bytes = TakeBytes(context, byteCount);
    if (tag == stWString) {
        return Utf16ToUtf8(bytes);
    }
    if (tag == stUtf8String) {
        return ValidUtf8(bytes);
    }
    return IsPlainAscii(bytes) ? std::string(bytes) : Latin1ToUtf8(bytes);
}

size_t TSaveReader::ReadCount(std::string_view what, size_t maximum, size_t minItemBytes) {
    const size_t at = FPosition;
    const int32_t count = ReadInteger();
    if (count < 0 || static_cast<size_t>(count) > maximum) {
        throw EGError("TSaveReader.ReadCount",
                      Format("%.*s count %d at byte %zu is outside 0..%zu", static_cast<int>(what.size()),
                             what.data(), count, at, maximum));
    }
    if (static_cast<size_t>(count) * minItemBytes > Left()) {
        throw EGError("TSaveReader.ReadCount",
                      Format("%.*s count %d at byte %zu needs more than the %zu bytes left",
                             static_cast<int>(what.size()), what.data(), count, at, Left()));
    }
    return static_cast<size_t>(count);
}

int32_t TSaveReader::ReadClamped(int32_t low, int32_t high) {
    return std::clamp(ReadInteger(), low, high);
}

} // namespace qm
