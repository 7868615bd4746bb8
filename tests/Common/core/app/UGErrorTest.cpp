#include "UGError.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

// However much of a file a reader puts into its error, the text stays short enough to show in a
// message box and to print: its start (context and what went wrong) is kept, the rest is counted.
TEST(EGError, ATextBeyondTheLimitIsCutWithItsLengthNamed) {
    struct TCase {
        size_t DetailBytes;
        size_t ExpectedBytes;
    } cases[] = {
        {10, 16},
        {2042, 2048},
        {2043, 2048 + 23},
        {18'000'000, 2048 + 27},
    };
    for (const TCase& c : cases) {
        const std::string text = EGError("Read", std::string(c.DetailBytes, 'x')).what();
        EXPECT_EQ(text.size(), c.ExpectedBytes) << c.DetailBytes;
        EXPECT_EQ(text.rfind("Read: xxxx", 0), 0u) << c.DetailBytes;
    }
    EXPECT_EQ(std::string(EGError(std::string(5000, 'y')).what()).substr(2046), "yy... (5000 bytes in all)");
}

// A cut never splits a character of more than one byte.
TEST(EGError, TheCutKeepsWholeCharacters) {
    std::string detail(EGError::MaxTextBytes - 7, 'x');
    for (int i = 0; i < 100; ++i) {
        detail += "\xC3\xA9";
    }
    const std::string text = EGError("Read", detail).what();
    EXPECT_EQ(text.substr(EGError::MaxTextBytes - 2, 5), "x... ");
}

} // namespace
} // namespace qm
