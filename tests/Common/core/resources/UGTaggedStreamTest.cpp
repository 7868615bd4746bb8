#include "UGTaggedStream.h"
#include "UGError.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace qm {
namespace {

uint8_t ByteAt(const std::string& bytes, size_t index) {
    return static_cast<uint8_t>(bytes.at(index));
}

// Expects the engine error of `context` whose detail names `position`.
template <typename Read> void ExpectReadError(Read read, const std::string& context, size_t position) {
    try {
        read();
        ADD_FAILURE() << "no error";
    } catch (const EGError& error) {
        std::string text = error.what();
        EXPECT_EQ(text.rfind(context + ": ", 0), 0u) << text;
        EXPECT_NE(text.find("position " + std::to_string(position)), std::string::npos) << text;
    }
}

struct IntegerCase {
    int32_t Value;
    uint8_t Tag;
    size_t Size;
};

TEST(TaggedStream, IntegersTakeTheShortestFormAndReadBack) {
    const IntegerCase cases[] = {
        {0, vtInt8, 2},
        {-128, vtInt8, 2},
        {127, vtInt8, 2},
        {-129, vtInt16, 3},
        {128, vtInt16, 3},
        {-32768, vtInt16, 3},
        {32767, vtInt16, 3},
        {-32769, vtInt32, 5},
        {32768, vtInt32, 5},
        {std::numeric_limits<int32_t>::min(), vtInt32, 5},
        {std::numeric_limits<int32_t>::max(), vtInt32, 5},
    };
    for (const IntegerCase& item : cases) {
        SCOPED_TRACE(item.Value);
        std::string bytes;
        TGTaggedWriter(bytes).WriteInteger(item.Value);
        ASSERT_EQ(bytes.size(), item.Size);
        EXPECT_EQ(ByteAt(bytes, 0), item.Tag);
        TGTaggedReader reader(bytes);
        EXPECT_EQ(reader.ReadInteger(), item.Value);
        EXPECT_TRUE(reader.AtEnd());
    }
}

TEST(TaggedStream, IntegersAreLittleEndianAndAnyFormIsAccepted) {
    std::string bytes;
    TGTaggedWriter(bytes).WriteInteger(-32769); // 0xFFFF7FFF
    EXPECT_EQ(bytes, std::string("\x04\xFF\x7F\xFF\xFF", 5));
    // A small value stored in a wider form than needed still reads.
    std::string wide("\x04\x05\x00\x00\x00\x03\xFE\xFF", 8);
    TGTaggedReader reader(wide);
    EXPECT_EQ(reader.ReadInteger(), 5);
    EXPECT_EQ(reader.ReadInteger(), -2);
}

TEST(TaggedStream, BooleansAndRawBlocks) {
    std::string bytes;
    TGTaggedWriter writer(bytes);
    writer.WriteBoolean(false);
    writer.WriteBoolean(true);
    writer.WriteRaw(std::string_view("\x01\x00\x02", 3));
    EXPECT_EQ(bytes, std::string("\x08\x09\x01\x00\x02", 5));
    TGTaggedReader reader(bytes);
    EXPECT_FALSE(reader.ReadBoolean());
    EXPECT_TRUE(reader.ReadBoolean());
    uint8_t raw[3] = {};
    reader.ReadRaw(raw, 3);
    EXPECT_EQ(raw[0], 1);
    EXPECT_EQ(raw[1], 0);
    EXPECT_EQ(raw[2], 2);
    EXPECT_TRUE(reader.AtEnd());
}

struct StringCase {
    std::string Text;
    uint8_t Tag;
    size_t LengthBytes;
};

TEST(TaggedStream, StringsChooseTheirFormByContentAndLength) {
    const StringCase cases[] = {
        {"", vtString, 1},
        {"ui/menu/button", vtString, 1},
        {std::string(255, 'a'), vtString, 1},
        {std::string(256, 'b'), vtLongString, 4},
        {std::string(70000, 'c'), vtLongString, 4},
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         vtUtf8String, 4},
    };
    for (const StringCase& item : cases) {
        SCOPED_TRACE(item.Text.size());
        std::string bytes;
        TGTaggedWriter(bytes).WriteString(item.Text);
        ASSERT_EQ(bytes.size(), 1 + item.LengthBytes + item.Text.size());
        EXPECT_EQ(ByteAt(bytes, 0), item.Tag);
        uint32_t length = 0;
        for (size_t i = item.LengthBytes; i > 0; --i) {
            length = (length << 8) | ByteAt(bytes, i);
        }
        EXPECT_EQ(length, item.Text.size());
        TGTaggedReader reader(bytes);
        EXPECT_EQ(reader.ReadString(), item.Text);
        EXPECT_TRUE(reader.AtEnd());
    }
}

TEST(TaggedStream, ACharacterIsAStringOfOne) {
    std::string bytes;
    TGTaggedWriter writer(bytes);
    writer.WriteChar(U'\x01');
    writer.WriteChar(U'\u00FC');
    EXPECT_EQ(bytes, std::string("\x06\x01\x01\x14\x02\x00\x00\x00\xC3\xBC", 10));
    TGTaggedReader reader(bytes);
    EXPECT_EQ(reader.ReadChar(), U'\x01');
    EXPECT_EQ(reader.ReadChar(), U'\u00FC');

    std::string two;
    TGTaggedWriter(two).WriteString("ab");
    TGTaggedReader twoReader(two);
    ExpectReadError([&] { twoReader.ReadChar(); }, "TGTaggedReader.ReadChar", 0);
}

TEST(TaggedStream, OneIsTheKnownExtendedBytes) {
    std::string bytes;
    TGTaggedWriter(bytes).WriteFloat(1.0);
    EXPECT_EQ(bytes, std::string("\x05\x00\x00\x00\x00\x00\x00\x00\x80\xFF\x3F", 11));
    TGExtended minusTwo = DoubleToExtended(-2.0);
    EXPECT_EQ(minusTwo, (TGExtended{0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}));
}

TEST(TaggedStream, FloatsRoundTripExactlyThroughTheExtendedForm) {
    const double values[] = {0.0,
                             -0.0,
                             -1.5,
                             1e-300,
                             3.141592653589793,
                             1e308,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::min(),
                             std::numeric_limits<double>::denorm_min(),
                             -3 * std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()};
    for (double value : values) {
        SCOPED_TRACE(value);
        std::string bytes;
        TGTaggedWriter(bytes).WriteFloat(value);
        ASSERT_EQ(bytes.size(), 11u);
        EXPECT_EQ(ByteAt(bytes, 0), vtExtended);
        TGTaggedReader reader(bytes);
        double back = reader.ReadFloat();
        EXPECT_EQ(std::bit_cast<uint64_t>(back), std::bit_cast<uint64_t>(value));
    }
    double nan = ExtendedToDouble(DoubleToExtended(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_TRUE(std::isnan(nan));
}

TEST(TaggedStream, SubnormalsAreNormalExtendedNumbers) {
    // The smallest double subnormal, 2^-1074, is the normal extended 1.0 * 2^-1074.
    TGExtended bytes = DoubleToExtended(std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(bytes, (TGExtended{0, 0, 0, 0, 0, 0, 0, 0x80, 0xCD, 0x3B})); // 16383 - 1074 = 0x3BCD
}

TEST(TaggedStream, ExtendedValuesBeyondADoubleRoundToNearest) {
    // 1 + 2^-53 is a tie and goes to the even 1; 1 + 2^-53 + 2^-63 rounds up to 1 + 2^-52.
    TGExtended tie{0, 0x04, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    EXPECT_EQ(ExtendedToDouble(tie), 1.0);
    TGExtended above{1, 0x04, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    EXPECT_EQ(ExtendedToDouble(above), 1.0 + std::ldexp(1.0, -52));
    // 2^16000 overflows to infinity; 2^-1080 becomes zero; 1.5 * 2^-1074 rounds to 2 * 2^-1074.
    TGExtended huge{0, 0, 0, 0, 0, 0, 0, 0x80, 0x7F, 0x7E}; // exponent 16383 + 16000 = 0x7E7F
    EXPECT_EQ(ExtendedToDouble(huge), std::numeric_limits<double>::infinity());
    huge[9] |= 0x80;
    EXPECT_EQ(ExtendedToDouble(huge), -std::numeric_limits<double>::infinity());
    TGExtended tiny{0, 0, 0, 0, 0, 0, 0, 0x80, 0xC7, 0x3B}; // 16383 - 1080 = 0x3BC7
    EXPECT_EQ(ExtendedToDouble(tiny), 0.0);
    TGExtended oneAndHalf{0, 0, 0, 0, 0, 0, 0, 0xC0, 0xCD, 0x3B};
    EXPECT_EQ(ExtendedToDouble(oneAndHalf), 2 * std::numeric_limits<double>::denorm_min());
}

TEST(TaggedStream, WrongTagsAreErrorsNamingThePosition) {
    std::string bytes;
    TGTaggedWriter writer(bytes);
    writer.WriteInteger(7);
    writer.WriteString("x");
    TGTaggedReader reader(bytes);
    reader.ReadInteger();
    size_t at = reader.Position();
    ASSERT_EQ(at, 2u);
    ExpectReadError([&] { reader.ReadInteger(); }, "TGTaggedReader.ReadInteger", at);
    TGTaggedReader boolean(bytes);
    ExpectReadError([&] { boolean.ReadBoolean(); }, "TGTaggedReader.ReadBoolean", 0);
    TGTaggedReader floating(bytes);
    ExpectReadError([&] { floating.ReadFloat(); }, "TGTaggedReader.ReadFloat", 0);
    TGTaggedReader text(bytes);
    ExpectReadError([&] { text.ReadString(); }, "TGTaggedReader.ReadString", 0);
}

TEST(TaggedStream, TruncatedValuesAreErrorsAndNeverReadPastTheEnd) {
    std::string full;
    TGTaggedWriter writer(full);
    writer.WriteInteger(100000);
    writer.WriteFloat(2.5);
    writer.WriteString(std::string(300, 'z'));
    // Every proper prefix that cuts a value fails on that value.
    struct Cut {
        size_t Length;
        size_t ValueStart;
        int Kind; // 0 integer, 1 float, 2 string
    };
    const Cut cuts[] = {{0, 0, 0}, {3, 0, 0}, {5, 5, 1}, {10, 5, 1}, {16, 16, 2}, {19, 16, 2}, {300, 16, 2}};
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.Length);
        std::string bytes = full.substr(0, cut.Length);
        TGTaggedReader reader(bytes);
        if (cut.Kind > 0) {
            reader.ReadInteger();
        }
        if (cut.Kind > 1) {
            reader.ReadFloat();
        }
        ASSERT_EQ(reader.Position(), cut.ValueStart);
        if (cut.Kind == 0) {
            EXPECT_THROW(reader.ReadInteger(), EGError);
        } else if (cut.Kind == 1) {
            EXPECT_THROW(reader.ReadFloat(), EGError);
        } else {
            EXPECT_THROW(reader.ReadString(), EGError);
        }
    }
    std::string two("\x01\x02", 2);
    TGTaggedReader raw(two);
    ExpectReadError([&] { raw.ReadRaw(3); }, "TGTaggedReader.ReadRaw", 0);
    EXPECT_EQ(raw.ReadRaw(2), two);
}

TEST(TaggedStream, FixedStringsTakeExactly256Bytes) {
    std::string bytes;
    TGTaggedWriter writer(bytes);
    writer.WriteFixedString256("gfx/ui/button.png");
    writer.WriteFixedString256(std::string(256, 'q'));
    writer.WriteFixedString256("");
    ASSERT_EQ(bytes.size(), 3 * FixedStringSize);
    EXPECT_EQ(bytes.substr(17, 256 - 17), std::string(256 - 17, '\0'));
    TGTaggedReader reader(bytes);
    EXPECT_EQ(reader.ReadFixedString256(), "gfx/ui/button.png");
    EXPECT_EQ(reader.ReadFixedString256(), std::string(256, 'q'));
    EXPECT_EQ(reader.ReadFixedString256(), "");
    EXPECT_TRUE(reader.AtEnd());

    EXPECT_THROW(writer.WriteFixedString256(std::string(257, 'q')), EGError);
    EXPECT_EQ(bytes.size(), 3 * FixedStringSize);
    std::string shortBytes(255, 'a');
    TGTaggedReader truncated(shortBytes);
    ExpectReadError([&] { truncated.ReadFixedString256(); }, "TGTaggedReader.ReadFixedString256", 0);
}

} // namespace
} // namespace qm
