#include "USaveCodec.h"

#include "UGError.h"
#include "UGStrings.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qm {

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

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

bool IsPlainAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<uint8_t>(c) >= 0x80) {
            return false;
        }
    }
    return true;
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
    case vtInt8:
        return static_cast<int8_t>(Take(context, 1));
    case vtInt16:
        return static_cast<int16_t>(Take(context, 2));
    case vtInt32:
        return static_cast<int32_t>(static_cast<uint32_t>(Take(context, 4)));
    default:
        InvalidValue(context, tag);
    }
}

bool TSaveReader::ReadBoolean() {
    return ReadTag("TSaveReader.ReadBoolean") == vtTrue;
}

double TSaveReader::ReadFloat() {
    const char* context = "TSaveReader.ReadFloat";
    switch (const uint8_t tag = ReadTag(context)) {
    case vtExtended: {
        const std::string_view raw = TakeBytes(context, 10);
        TGExtended bytes{};
        for (size_t k = 0; k < bytes.size(); ++k) {
            bytes[k] = static_cast<uint8_t>(raw[k]);
        }
        return ExtendedToDouble(bytes);
    }
    case vtInt8:
        return static_cast<int8_t>(Take(context, 1));
    case vtInt16:
        return static_cast<int16_t>(Take(context, 2));
    case vtInt32:
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
    case vtString:
        length = Take(context, 1);
        break;
    case vtLongString:
    case vtUtf8String:
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
    if (tag == vtUtf8String) {
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
