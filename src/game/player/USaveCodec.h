#pragma once

// The bytes of the save file. The file is text of upper-case hexadecimal digits, two per byte and
// the low nibble first; the bytes it spells are a stream of tagged values, little-endian:
//   2 + 1 byte, 3 + 2 bytes, 4 + 4 bytes     a signed integer in its smallest size
//   9 / 8                                    true / false
//   5 + 10 bytes                             an 80-bit extended float
//   6 + 1-byte length, 12 + 4-byte length    a text of 7-bit characters
//   20 + 4-byte length                       a text in UTF-8
// Readers also take a float written as an integer or as 19 + 8-byte integer, and a text written
// as 18 + 4-byte count + UTF-16LE units. Every text is UTF-8 inside the game.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

// The tags of the value stream.
enum : uint8_t {
    stWString = 18,
    stInt8 = 2,
    stInt16 = 3,
    stInt32 = 4,
    stExtended = 5,
    stString = 6,
    stFalse = 8,
    stTrue = 9,
    stLString = 12,
    stInt64 = 19,
    stUtf8String = 20,
};

// The outer encoding. DecodeHex raises "HexToStr: ..." for an odd length or any character other
// than "0"-"9" and "A"-"F".
std::string EncodeHex(std::string_view bytes);
std::string DecodeHex(std::string_view text);

// The x87 extended layout: 64-bit significand with its integer bit, 15-bit exponent biased by
// 16383, sign. Every double is written exactly; reading rounds to the nearest double (values
// beyond the double range become infinities, NaN payloads are not kept).
std::array<uint8_t, 10> DoubleToExtended(double value);
double ExtendedToDouble(const std::array<uint8_t, 10>& bytes);

// The longest text a reader accepts; nothing the game writes comes near it.
inline constexpr size_t MaxSaveTextBytes = 64 * 1024;

class TSaveWriter {
public:
    void WriteInteger(int32_t value);
    void WriteBoolean(bool value);
    void WriteFloat(double value);
    void WriteString(std::string_view utf8);

    const std::string& Bytes() const { return FBytes; }

private:
    void Put(uint64_t value, int byteCount);

    std::string FBytes;
};

// Reads values from a byte stream it does not own. Every failure raises an EGError whose context
// is the reading method and whose detail names the byte offset: "Invalid property value" for a
// tag of the wrong type, "Stream read error" for a value cut off by the end of the stream.
class TSaveReader {
public:
    explicit TSaveReader(std::string_view bytes) : FBytes(bytes) {}

    int32_t ReadInteger();
    bool ReadBoolean();
    double ReadFloat();
    std::string ReadString();

    // The count of a list: an Integer that must lie in 0..maximum and leave at least
    // minItemBytes bytes per item in the stream. `what` names the list in the error.
    size_t ReadCount(std::string_view what, size_t maximum, size_t minItemBytes);
    // An Integer clamped into low..high.
    int32_t ReadClamped(int32_t low, int32_t high);

    size_t Position() const { return FPosition; }
    size_t Left() const { return FBytes.size() - FPosition; }

private:
    uint8_t ReadTag(const char* context);
    uint64_t Take(const char* context, size_t byteCount);
    std::string_view TakeBytes(const char* context, size_t byteCount);
    [[noreturn]] void InvalidValue(const char* context, uint8_t tag) const;

    std::string_view FBytes;
    size_t FPosition = 0;
};

// True when a text has only 7-bit characters.
bool IsPlainAscii(std::string_view text);

} // namespace qm
