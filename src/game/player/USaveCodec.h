#pragma once

// The bytes of the save file. The file is text of upper-case hexadecimal digits, two per byte and
// the low nibble first; the bytes it spells are a stream of the engine's tagged values,
// little-endian:
//   2 + 1 byte, 3 + 2 bytes, 4 + 4 bytes     a signed integer in its smallest size
//   9 / 8                                    true / false
//   5 + 10 bytes                             an 80-bit extended float
//   6 + 1-byte length, 12 + 4-byte length    a text of 7-bit characters
//   20 + 4-byte length                       a text in UTF-8
// Readers also take a float written as an integer or as 19 + 8-byte integer, and a text written
// as 18 + 4-byte count + UTF-16LE units. Every text is UTF-8 inside the game.

#include "UGTaggedStream.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

// The two tags the save file takes beyond those of the engine's tagged stream.
enum : uint8_t {
    stWString = 18,
    stInt64 = 19,
};

// The outer encoding. DecodeHex raises "HexToStr: ..." for an odd length or any character other
// than "0"-"9" and "A"-"F".
std::string EncodeHex(std::string_view bytes);
std::string DecodeHex(std::string_view text);

// The longest text a reader accepts; nothing the game writes comes near it.
inline constexpr size_t MaxSaveTextBytes = 64 * 1024;

namespace detail {
// Constructed before the writer that keeps a reference to it.
struct TSaveBytes {
    std::string Bytes;
};
} // namespace detail

// The save is written exactly as the engine's tagged writer writes its values.
class TSaveWriter : private detail::TSaveBytes, public TGTaggedWriter {
public:
    TSaveWriter() : TGTaggedWriter(detail::TSaveBytes::Bytes) {}
    const std::string& Bytes() const { return detail::TSaveBytes::Bytes; }
};

// Reads values from a byte stream it does not own. Every failure raises an EGError whose context
// is the reading method and whose detail names the byte offset: "Invalid property value" for a
// tag of the wrong type, "Stream read error" for a value cut off by the end of the stream.
class TSaveReader {
public:
    explicit TSaveReader(std::string_view bytes) : FBytes(bytes) {}
    // The reader keeps a view: the bytes must outlive it.
    explicit TSaveReader(std::string&&) = delete;

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
