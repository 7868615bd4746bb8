#include "UGConvert.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm {
namespace {

TEST(UGConvertTest, LeadingInt64ReadsUpToTheFirstCharacterThatDoesNotFit) {
    struct Case {
        std::string text;
        int64_t expected;
    };
    const std::vector<Case> cases = {
        {"42", 42},
        {"12abc", 12},
        {"1,5", 1},
        {"7.9", 7},
        {"0,25", 0},
        {"true", 0},
        {"", 0},
        {"   -42", -42},
        {"+5", 5},
        {"3 4", 3},
        {"- 3", 0},
        {"$FF", 255},
        {"$ff", 255},
        {"0x1F", 31},
        {"0X1f", 31},
        {"-$10", -16},
        {"$1G", 1},
        {"$", 0},
        {"0x", 0},
        {"$FFFFFFFF", 4294967295LL},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"99999999999999999999", INT64_MAX},
        {"-99999999999999999999", INT64_MIN},
        {"$FFFFFFFFFFFFFFFFF", INT64_MAX},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseLeadingInt64(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(UGConvertTest, LeadingIntWrapsTo32Bits) {
    struct Case {
        std::string text;
        int32_t expected;
    };
    const std::vector<Case> cases = {
        {"2147483647", INT32_MAX}, {"2147483648", INT32_MIN}, {"4294967295", -1}, {"4294967296", 0},
        {"$FFFFFFFF", -1},         {"$FF000000", -16777216},  {"-7", -7},         {"12abc", 12},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseLeadingInt(c.text), c.expected) << '"' << c.text << '"';
    }
}

struct FloatCase {
    std::string text;
    std::optional<double> expected;
};

void ExpectFloatCases(std::optional<double> (*parse)(std::string_view), const std::vector<FloatCase>& cases) {
    for (const FloatCase& c : cases) {
        std::optional<double> value = parse(c.text);
        ASSERT_EQ(value.has_value(), c.expected.has_value()) << '"' << c.text << '"';
        if (value) {
            EXPECT_DOUBLE_EQ(*value, *c.expected) << '"' << c.text << '"';
        }
    }
}

TEST(UGConvertTest, CommaFloatAcceptsOnlyTheCommaForm) {
    ExpectFloatCases(ParseCommaFloat, {
                                          {"0,25", 0.25},
                                          {"3", 3.0},
                                          {" -1,5e2 ", -150.0},
                                          {"+2,5", 2.5},
                                          {"1E-2", 0.01},
                                          {",5", 0.5},
                                          {"0.25", std::nullopt},
                                          {"1_000", std::nullopt},
                                          {"1,000,5", std::nullopt},
                                          {"1,5abc", std::nullopt},
                                          {"1e", std::nullopt},
                                          {",", std::nullopt},
                                          {"", std::nullopt},
                                          {"inf", std::nullopt},
                                          {"$FF", std::nullopt},
                                      });
}

TEST(UGConvertTest, PointOrCommaFloatAcceptsEitherSeparator) {
    ExpectFloatCases(ParsePointOrCommaFloat, {
                                                 {"0.5", 0.5},
                                                 {"0,5", 0.5},
                                                 {"-12.75e1", -127.5},
                                                 {"4", 4.0},
                                                 {"1.5,5", std::nullopt},
                                                 {"1 5", std::nullopt},
                                                 {"abc", std::nullopt},
                                             });
}

TEST(UGConvertTest, DecimalIntNeedsTheWholeText) {
    struct Case {
        std::string text;
        std::optional<int64_t> expected;
    };
    const std::vector<Case> cases = {
        {" 42 ", 42},
        {"-7", -7},
        {"+3", 3},
        {"-9223372036854775808", INT64_MIN},
        {"9223372036854775808", std::nullopt},
        {"$FF", std::nullopt},
        {"12abc", std::nullopt},
        {"1.0", std::nullopt},
        {"--1", std::nullopt},
        {"-", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDecimalInt(c.text), c.expected) << '"' << c.text << '"';
    }
}

} // namespace
} // namespace qm
