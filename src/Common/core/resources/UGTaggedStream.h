#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

// Every tagged value starts with one of these bytes; raw blocks and fixed strings have none.
enum TGValueTag : uint8_t {
    vtInt8 = 2,
    vtInt16 = 3,
    vtInt32 = 4,
    vtExtended = 5,
    vtString = 6,
    vtFalse = 8,
    vtTrue = 9,
    vtLongString = 12,
    vtUtf8String = 20,
};

// The 80-bit x87 extended form of a double (64-bit mantissa with its explicit integer bit,
// then the 15-bit exponent and the sign, little-endian). Built with bit operations only, so the
// bytes are the same on hosts whose long double is not the x87 type.
using TGExtended = std::array<uint8_t, 10>;
TGExtended DoubleToExtended(double value);
// Rounds to nearest, ties to even, where the extended value has more precision or range than a
// double (too large becomes infinity, too small a subnormal or zero).
double ExtendedToDouble(const TGExtended& bytes);

// A FixedString256 is a text in exactly this many bytes, padded with zero bytes.
constexpr size_t FixedStringSize = 256;

// Appends tagged values to a byte string.
class TGTaggedWriter {
public:
    explicit TGTaggedWriter(std::string& out) : FOut(out) {}

    // The shortest of the three integer forms that holds the value.
    void WriteInteger(int32_t value);
    void WriteBoolean(bool value);
    // Plain ASCII takes the short or long ASCII form; anything else is stored as UTF-8.
    void WriteString(std::string_view text);
    // A string of one character.
    void WriteChar(char32_t codePoint);
    void WriteFloat(double value);
    void WriteRaw(const void* bytes, size_t count);
    void WriteRaw(std::string_view bytes) { WriteRaw(bytes.data(), bytes.size()); }
    // Raises the engine error for a text longer than FixedStringSize bytes.
    void WriteFixedString256(std::string_view text);

    std::string& Data() { return FOut; }

private:
    void PutLE(uint32_t value, int bytes);

    std::string& FOut;
};

// Reads tagged values from a byte string. Every read checks the tag and the bytes left first
// and raises the engine error with the position instead of reading past the end.
class TGTaggedReader {
public:
    explicit TGTaggedReader(std::string_view data, size_t position = 0);

    // Any of the three integer forms.
    int32_t ReadInteger();
    bool ReadBoolean();
    // Any of the three string forms.
    std::string ReadString();
    // A string holding exactly one character (one UTF-8 sequence).
    char32_t ReadChar();
    double ReadFloat();
    // A view into the data; valid while the data is.
    std::string_view ReadRaw(size_t count);
    void ReadRaw(void* out, size_t count);
    // The characters up to the first zero byte of the next FixedStringSize bytes.
    std::string ReadFixedString256();

    size_t Position() const { return FPosition; }
    size_t Remaining() const { return FData.size() - FPosition; }
    bool AtEnd() const { return FPosition >= FData.size(); }

private:
    uint8_t TakeTag(const char* context);
    std::string_view Take(const char* context, size_t count);
    uint32_t TakeLE(const char* context, int bytes);

    std::string_view FData;
    size_t FPosition;
};

} // namespace qm
