#include "USaveCodec.h"

#include "TestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace qm {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values) {
        bytes += static_cast<char>(value);
    }
    return bytes;
}

TEST(SaveCodec, HexIsUpperCaseWithTheLowNibbleFirst) {
    EXPECT_EQ(EncodeHex(Bytes({0x7F, 0x1A, 0x00, 0xFF})), "F7A100FF");
    EXPECT_EQ(DecodeHex("F7A100FF"), Bytes({0x7F, 0x1A, 0x00, 0xFF}));
    EXPECT_EQ(DecodeHex(""), "");
    test::ExpectErrorContaining([] { DecodeHex("F7A"); }, "HexToStr: odd length 3");
    test::ExpectErrorContaining([] { DecodeHex("f7"); }, "HexToStr: character 102 at 0");
    test::ExpectErrorContaining([] { DecodeHex("7G"); }, "HexToStr: character 71 at 1");
}

TEST(SaveCodec, IntegersTakeTheirSmallestSize) {
    struct TCase {
        int32_t Value;
        std::string Written;
    };
    const std::vector<TCase> cases = {
        {0, Bytes({2, 0x00})},
        {127, Bytes({2, 0x7F})},
        {-128, Bytes({2, 0x80})},
        {128, Bytes({3, 0x80, 0x00})},
        {-129, Bytes({3, 0x7F, 0xFF})},
        {32767, Bytes({3, 0xFF, 0x7F})},
        {40000, Bytes({4, 0x40, 0x9C, 0x00, 0x00})},
        {-32769, Bytes({4, 0xFF, 0x7F, 0xFF, 0xFF})},
        {std::numeric_limits<int32_t>::min(), Bytes({4, 0x00, 0x00, 0x00, 0x80})},
    };
    for (const TCase& c : cases) {
        TSaveWriter writer;
        writer.WriteInteger(c.Value);
        EXPECT_EQ(writer.Bytes(), c.Written) << c.Value;
        TSaveReader reader(c.Written);
        EXPECT_EQ(reader.ReadInteger(), c.Value);
        EXPECT_EQ(reader.Left(), 0u);
    }
}

TEST(SaveCodec, BooleansAreTrueOnlyForNine) {
    TSaveWriter writer;
    writer.WriteBoolean(true);
    writer.WriteBoolean(false);
    EXPECT_EQ(writer.Bytes(), Bytes({9, 8}));
    const std::string stream = Bytes({9, 8, 2, 0xFF, 10});
    TSaveReader reader(stream);
    EXPECT_TRUE(reader.ReadBoolean());
    for (int k = 0; k < 4; ++k) {
        EXPECT_FALSE(reader.ReadBoolean());
    }
}

TEST(SaveCodec, FloatsAreEightyBitExtendedAndExact) {
    TSaveWriter writer;
    writer.WriteFloat(1.0);
    writer.WriteFloat(-2.5);
    EXPECT_EQ(writer.Bytes(),
              Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F, 5, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}));
    const std::vector<double> values = {0.0,
                                        -0.0,
                                        0.1,
                                        1e300,
                                        -1e-300,
                                        4.9406564584124654e-324,
                                        3600.25,
                                        1e-310,
                                        123456.789,
                                        std::numeric_limits<double>::max(),
                                        std::numeric_limits<double>::infinity()};
    for (double value : values) {
        TSaveWriter one;
        one.WriteFloat(value);
        TSaveReader reader(one.Bytes());
        const double read = reader.ReadFloat();
        EXPECT_EQ(read, value) << value;
        EXPECT_EQ(std::signbit(read), std::signbit(value)) << value;
    }
    TSaveWriter nan;
    nan.WriteFloat(std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(std::isnan(TSaveReader(nan.Bytes()).ReadFloat()));
}

TEST(SaveCodec, ExtendedValuesBeyondADoubleRoundOrSaturate) {
    // 1 + 2^-63: the last significand bit is lost; 2^16383 does not fit a double.
    EXPECT_EQ(ExtendedToDouble({1, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}), 1.0);
    EXPECT_EQ(ExtendedToDouble({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x7F}),
              std::numeric_limits<double>::infinity());
    EXPECT_EQ(ExtendedToDouble({0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x00}), 0.0);
}

TEST(SaveCodec, FloatsAlsoReadFromIntegers) {
    const std::string stream =
        Bytes({2, 0xFE, 3, 0x10, 0x27, 4, 0x40, 0x9C, 0, 0, 19, 0, 0xE4, 0x0B, 0x54, 0x02, 0, 0, 0});
    TSaveReader reader(stream);
    EXPECT_EQ(reader.ReadFloat(), -2.0);
    EXPECT_EQ(reader.ReadFloat(), 10000.0);
    EXPECT_EQ(reader.ReadFloat(), 40000.0);
    EXPECT_EQ(reader.ReadFloat(), 10000000000.0);
}

TEST(SaveCodec, StringsTakeTheirThreeForms) {
    const std::string longName(300, 'x');
    struct TCase {
        std::string Text;
        std::string Head;
    };
    const std::vector<TCase> cases = {
        {"", Bytes({6, 0})},
        {"abc", Bytes({6, 3})},
        {std::string(255, 'y'), Bytes({6, 255})},
        {longName, Bytes({12, 0x2C, 0x01, 0, 0})},
        {"Andr\xC3\xA9", Bytes({20, 6, 0, 0, 0})},
    };
    for (const TCase& c : cases) {
        TSaveWriter writer;
        writer.WriteString(c.Text);
        EXPECT_EQ(writer.Bytes(), c.Head + c.Text) << c.Text.size();
        TSaveReader reader(writer.Bytes());
        EXPECT_EQ(reader.ReadString(), c.Text);
    }
}

TEST(SaveCodec, ForeignStringsBecomeUtf8) {
    struct TCase {
        std::string Stream;
        std::string Text;
    };
    const std::vector<TCase> cases = {
        // UTF-16 with a pair of surrogates and a lone one.
        {Bytes({18, 4, 0, 0, 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, 0x41, 0}), "\xC3\xA9\xF0\x9F\x98\x80"
                                                                            "A"},
        {Bytes({18, 1, 0, 0, 0, 0x00, 0xDC}), "\xEF\xBF\xBD"},
        // A code-page byte in a short string is read as Latin-1.
        {Bytes({6, 2, 'J', 0xF6}), "J\xC3\xB6"},
        // Broken UTF-8 becomes replacement characters.
        {Bytes({20, 3, 0, 0, 0, 'a', 0xC3, 'b'}), "a\xEF\xBF\xBD"
                                                  "b"},
        {Bytes({20, 2, 0, 0, 0, 0xE2, 0x82}), "\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const TCase& c : cases) {
        TSaveReader reader(c.Stream);
        EXPECT_EQ(reader.ReadString(), c.Text);
        EXPECT_EQ(reader.Left(), 0u);
    }
}

TEST(SaveCodec, HostileStreamsFailWithTheirReason) {
    struct TCase {
        const char* Name;
        std::string Stream;
        int Value; // 0 integer, 1 float, 2 string, 3 count (at most 5, 4 bytes each)
        std::string Error;
    };
    const std::vector<TCase> cases = {
        {"empty", "", 0, "TSaveReader.ReadInteger: Stream read error: 1 bytes wanted at byte 0, 0 left"},
        {"cut integer", Bytes({4, 1, 2}), 0,
         "TSaveReader.ReadInteger: Stream read error: 4 bytes wanted at byte 1, 2 left"},
        {"text as integer", Bytes({6, 0}), 0,
         "TSaveReader.ReadInteger: Invalid property value (tag 6 at byte 0)"},
        {"boolean as integer", Bytes({9}), 0,
         "TSaveReader.ReadInteger: Invalid property value (tag 9 at byte 0)"},
        {"cut float", Bytes({5, 0, 0, 0}), 1,
         "TSaveReader.ReadFloat: Stream read error: 10 bytes wanted at byte 1, 3 left"},
        {"text as float", Bytes({20, 0, 0, 0, 0}), 1,
         "TSaveReader.ReadFloat: Invalid property value (tag 20 at byte 0)"},
        {"integer as text", Bytes({2, 1}), 2,
         "TSaveReader.ReadString: Invalid property value (tag 2 at byte 0)"},
        {"cut text", Bytes({6, 5, 'a'}), 2,
         "TSaveReader.ReadString: Stream read error: 5 bytes wanted at byte 2, 1 left"},
        {"huge text", Bytes({12, 0xFF, 0xFF, 0xFF, 0x7F}), 2,
         "TSaveReader.ReadString: text of 2147483647 bytes"},
        {"huge wide text", Bytes({18, 0, 0, 0, 0x80}), 2, "TSaveReader.ReadString: text of 4294967296 bytes"},
        {"negative count", Bytes({2, 0xFF}), 3,
         "TSaveReader.ReadCount: item count -1 at byte 0 is outside 0..5"},
        {"count above the maximum", Bytes({2, 6}), 3,
         "TSaveReader.ReadCount: item count 6 at byte 0 is outside 0..5"},
        {"count beyond the bytes", Bytes({2, 2, 2, 1, 2, 1}), 3,
         "TSaveReader.ReadCount: item count 2 at byte 0 needs more than the 4 bytes left"},
    };
    for (const TCase& c : cases) {
        TSaveReader reader(c.Stream);
        const std::string error = test::ErrorText([&] {
            switch (c.Value) {
            case 0:
                reader.ReadInteger();
                break;
            case 1:
                reader.ReadFloat();
                break;
            case 2:
                reader.ReadString();
                break;
            default:
                reader.ReadCount("item", 5, 4);
            }
        });
        EXPECT_EQ(error.substr(0, c.Error.size()), c.Error) << c.Name << ": " << error;
    }
}

} // namespace
} // namespace qm
