#include "UGTaggedStream.h"
#include "UGError.h"
#include "UGStrings.h"

#include <bit>
#include <cstring>

namespace qm {

namespace {

constexpr uint64_t DoubleFractionMask = (uint64_t{1} << 52) - 1;
constexpr uint64_t IntegerBit = uint64_t{1} << 63;
constexpr int ExtendedBias = 16383;
constexpr int DoubleBias = 1023;

TGExtended PackExtended(bool negative, uint32_t exponent, uint64_t mantissa) {
    TGExtended bytes{};
    for (int i = 0; i < 8; ++i) {
        bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(mantissa >> (8 * i));
    }
    uint32_t top = (exponent & 0x7FFF) | (negative ? 0x8000u : 0u);
    bytes[8] = static_cast<uint8_t>(top);
    bytes[9] = static_cast<uint8_t>(top >> 8);
    return bytes;
}

double FromBits(bool negative, uint64_t magnitude) {
    return std::bit_cast<double>(magnitude | (negative ? IntegerBit : 0));
}

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// The code point of a text that is exactly one well-formed UTF-8 sequence, or -1.
int64_t SingleCodePoint(std::string_view text) {
    if (text.empty()) {
        return -1;
    }
    auto lead = static_cast<unsigned char>(text[0]);
    size_t length = lead < 0x80                   ? 1
                    : lead >= 0xF0 && lead < 0xF5 ? 4
                    : lead >= 0xE0                ? 3
                    : lead >= 0xC2                ? 2
                                                  : 0;
    if (length == 0 || text.size() != length) {
        return -1;
    }
    if (length == 1) {
        return lead;
    }
    uint32_t code = lead & (0x7Fu >> length);
    for (size_t i = 1; i < length; ++i) {
        auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return -1;
        }
        code = (code << 6) | (next & 0x3Fu);
    }
    static constexpr uint32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < Smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return -1;
    }
    return code;
}

} // namespace

TGExtended DoubleToExtended(double value) {
    uint64_t bits = std::bit_cast<uint64_t>(value);
    bool negative = (bits >> 63) != 0;
    auto exponent = static_cast<uint32_t>((bits >> 52) & 0x7FF);
    uint64_t fraction = bits & DoubleFractionMask;
    if (exponent == 0x7FF) {
        // Infinity keeps only the integer bit; a NaN keeps its payload and quiet bit in the
        // same places below the integer bit.
        return PackExtended(negative, 0x7FFF, IntegerBit | (fraction << 11));
    }
    if (exponent == 0) {
        if (fraction == 0) {
            return PackExtended(negative, 0, 0);
        }
        // A double subnormal is fraction x 2^-1074, a normal number in the wider exponent range:
        // once the fraction's top bit is moved up to the integer bit, the exponent drops by the
        // shift.
        int shift = std::countl_zero(fraction);
        int unbiased = (1 - DoubleBias) - 52 + 63 - shift;
        return PackExtended(negative, static_cast<uint32_t>(unbiased + ExtendedBias), fraction << shift);
    }
    return PackExtended(negative, exponent - DoubleBias + ExtendedBias, IntegerBit | (fraction << 11));
}

double ExtendedToDouble(const TGExtended& bytes) {
    uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i) {
        mantissa = (mantissa << 8) | bytes[static_cast<size_t>(i)];
    }
    uint32_t top = bytes[8] | (static_cast<uint32_t>(bytes[9]) << 8);
    bool negative = (top & 0x8000) != 0;
    int exponent = static_cast<int>(top & 0x7FFF);
    if (exponent == 0x7FFF) {
        uint64_t fraction = (mantissa << 1) >> 12;
        if ((mantissa << 1) == 0) {
            return FromBits(negative, uint64_t{0x7FF} << 52);
        }
        // A NaN whose payload lies entirely below a double's precision must stay a NaN.
        return FromBits(negative, (uint64_t{0x7FF} << 52) | (fraction != 0 ? fraction : uint64_t{1} << 51));
    }
    if (mantissa == 0) {
        return FromBits(negative, 0);
    }
    // Extended denormals share the exponent of the smallest normals; unnormals (integer bit
    // clear with a non-zero exponent) are read for the value they spell.
    int effective = exponent == 0 ? 1 : exponent;
    int shift = std::countl_zero(mantissa);
    mantissa <<= shift;
    int unbiased = effective - shift - ExtendedBias; // value = 1.f * 2^unbiased
    if (unbiased > DoubleBias) {
        return FromBits(negative, uint64_t{0x7FF} << 52);
    }
    if (unbiased >= 1 - DoubleBias) {
        uint64_t kept = mantissa >> 11;
        uint64_t rest = mantissa & 0x7FF;
        if (rest > 0x400 || (rest == 0x400 && (kept & 1) != 0)) {
            ++kept;
            if (kept == uint64_t{1} << 53) {
                kept >>= 1;
                ++unbiased;
                if (unbiased > DoubleBias) {
                    return FromBits(negative, uint64_t{0x7FF} << 52);
                }
            }
        }
        return FromBits(negative,
                        (static_cast<uint64_t>(unbiased + DoubleBias) << 52) | (kept & DoubleFractionMask));
    }
    // Subnormal result: the value in units of 2^-1074 is mantissa / 2^shiftOut.
    int shiftOut = 11 + (1 - DoubleBias - unbiased);
    if (shiftOut > 64) {
        return FromBits(negative, 0);
    }
    if (shiftOut == 64) {
        // Half a unit or less rounds to zero (a tie goes to the even zero).
        return FromBits(negative, mantissa > IntegerBit ? 1 : 0);
    }
    uint64_t kept = mantissa >> shiftOut;
    uint64_t rest = mantissa & ((uint64_t{1} << shiftOut) - 1);
    uint64_t half = uint64_t{1} << (shiftOut - 1);
    if (rest > half || (rest == half && (kept & 1) != 0)) {
        ++kept; // may carry into the smallest normal, which the bit layout makes exact
    }
    return FromBits(negative, kept);
}

void TGTaggedWriter::PutLE(uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        FOut.push_back(static_cast<char>(static_cast<uint8_t>(value >> (8 * i))));
    }
}

void TGTaggedWriter::WriteInteger(int32_t value) {
    if (value >= -128 && value <= 127) {
        FOut.push_back(static_cast<char>(vtInt8));
        PutLE(static_cast<uint32_t>(value), 1);
    } else if (value >= -32768 && value <= 32767) {
        FOut.push_back(static_cast<char>(vtInt16));
        PutLE(static_cast<uint32_t>(value), 2);
    } else {
        FOut.push_back(static_cast<char>(vtInt32));
        PutLE(static_cast<uint32_t>(value), 4);
    }
}

void TGTaggedWriter::WriteBoolean(bool value) {
    FOut.push_back(static_cast<char>(value ? vtTrue : vtFalse));
}

void TGTaggedWriter::WriteString(std::string_view text) {
    if (text.size() > 0x7FFFFFFF) {
        throw EGError("TGTaggedWriter.WriteString", Format("a text of %zu bytes is too long", text.size()));
    }
    bool ascii = IsAscii(text);
    if (ascii && text.size() < 256) {
        FOut.push_back(static_cast<char>(vtString));
        PutLE(static_cast<uint32_t>(text.size()), 1);
    } else {
        FOut.push_back(static_cast<char>(ascii ? vtLongString : vtUtf8String));
        PutLE(static_cast<uint32_t>(text.size()), 4);
    }
    FOut.append(text);
}

void TGTaggedWriter::WriteChar(char32_t codePoint) {
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        throw EGError("TGTaggedWriter.WriteChar",
                      Format("U+%X is not a character", static_cast<unsigned>(codePoint)));
    }
    std::string text;
    AppendUtf8(text, codePoint);
    WriteString(text);
}

void TGTaggedWriter::WriteFloat(double value) {
    FOut.push_back(static_cast<char>(vtExtended));
    TGExtended bytes = DoubleToExtended(value);
    FOut.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void TGTaggedWriter::WriteRaw(const void* bytes, size_t count) {
    FOut.append(static_cast<const char*>(bytes), count);
}

void TGTaggedWriter::WriteFixedString256(std::string_view text) {
    if (text.size() > FixedStringSize) {
        throw EGError("TGTaggedWriter.WriteFixedString256",
                      Format("a text of %zu bytes does not fit in %zu", text.size(), FixedStringSize));
    }
    FOut.append(text);
    FOut.append(FixedStringSize - text.size(), '\0');
}

TGTaggedReader::TGTaggedReader(std::string_view data, size_t position) : FData(data), FPosition(position) {
    if (position > data.size()) {
        throw EGError("TGTaggedReader.Create",
                      Format("position %zu beyond the %zu bytes of the stream", position, data.size()));
    }
}

std::string_view TGTaggedReader::Take(const char* context, size_t count) {
    if (count > Remaining()) {
        throw EGError(context,
                      Format("%zu bytes needed at position %zu, %zu left", count, FPosition, Remaining()));
    }
    std::string_view part = FData.substr(FPosition, count);
    FPosition += count;
    return part;
}

uint8_t TGTaggedReader::TakeTag(const char* context) {
    if (AtEnd()) {
        throw EGError(context,
                      Format("the stream ends at position %zu where a value was expected", FPosition));
    }
    return static_cast<uint8_t>(FData[FPosition++]);
}

uint32_t TGTaggedReader::TakeLE(const char* context, int bytes) {
    std::string_view part = Take(context, static_cast<size_t>(bytes));
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<uint8_t>(part[static_cast<size_t>(i)]);
    }
    return value;
}

int32_t TGTaggedReader::ReadInteger() {
    const char* context = "TGTaggedReader.ReadInteger";
    uint8_t tag = TakeTag(context);
    switch (tag) {
    case vtInt8:
        return static_cast<int8_t>(TakeLE(context, 1));
    case vtInt16:
        return static_cast<int16_t>(TakeLE(context, 2));
    case vtInt32:
        return static_cast<int32_t>(TakeLE(context, 4));
    default:
        throw EGError(context, Format("tag %u at position %zu is not an integer", tag, FPosition - 1));
    }
}

bool TGTaggedReader::ReadBoolean() {
    const char* context = "TGTaggedReader.ReadBoolean";
    uint8_t tag = TakeTag(context);
    if (tag != vtFalse && tag != vtTrue) {
        throw EGError(context, Format("tag %u at position %zu is not a boolean", tag, FPosition - 1));
    }
    return tag == vtTrue;
}

std::string TGTaggedReader::ReadString() {
    const char* context = "TGTaggedReader.ReadString";
    uint8_t tag = TakeTag(context);
    uint32_t length = 0;
    if (tag == vtString) {
        length = TakeLE(context, 1);
    } else if (tag == vtLongString || tag == vtUtf8String) {
        length = TakeLE(context, 4);
        if (length > 0x7FFFFFFF) {
            throw EGError(context, Format("negative length at position %zu", FPosition - 4));
        }
    } else {
        throw EGError(context, Format("tag %u at position %zu is not a string", tag, FPosition - 1));
    }
    return std::string(Take(context, length));
}

char32_t TGTaggedReader::ReadChar() {
    size_t start = FPosition;
    std::string text = ReadString();
    int64_t code = SingleCodePoint(text);
    if (code < 0) {
        throw EGError("TGTaggedReader.ReadChar",
                      Format("the string at position %zu is not one character", start));
    }
    return static_cast<char32_t>(code);
}

double TGTaggedReader::ReadFloat() {
    const char* context = "TGTaggedReader.ReadFloat";
    uint8_t tag = TakeTag(context);
    if (tag != vtExtended) {
        throw EGError(context, Format("tag %u at position %zu is not a floating value", tag, FPosition - 1));
    }
    std::string_view part = Take(context, sizeof(TGExtended));
    TGExtended bytes;
    std::memcpy(bytes.data(), part.data(), bytes.size());
    return ExtendedToDouble(bytes);
}

std::string_view TGTaggedReader::ReadRaw(size_t count) {
    return Take("TGTaggedReader.ReadRaw", count);
}

void TGTaggedReader::ReadRaw(void* out, size_t count) {
    std::string_view part = ReadRaw(count);
    std::memcpy(out, part.data(), count);
}

std::string TGTaggedReader::ReadFixedString256() {
    std::string_view part = Take("TGTaggedReader.ReadFixedString256", FixedStringSize);
    return std::string(part.substr(0, part.find('\0')));
}

} // namespace qm
