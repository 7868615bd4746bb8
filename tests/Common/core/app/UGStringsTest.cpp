#include "UGStrings.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

// Data quoted in an error text: whole when short, else a window around the position with its
// cuts marked and the full length named, so that a huge field never makes a huge message.
TEST(QuotedExcerpt, QuotesShortTextsWholeAndLongOnesAroundThePosition) {
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyz";
    struct TCase {
        std::string Text;
        size_t Position;
        const char* Expected;
    } cases[] = {
        {"", 0, R"("")"},
        {"abcdefghij", 9, R"("abcdefghij")"},
        {alphabet, 0, R"("abcdefghij..." (26 bytes))"},
        {alphabet, 13, R"("...ijklmnopqr..." (26 bytes))"},
        {alphabet, 25, R"("...qrstuvwxyz" (26 bytes))"},
        {alphabet, 400, R"("...qrstuvwxyz" (26 bytes))"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(QuotedExcerpt(c.Text, c.Position, 10), c.Expected) << c.Text << " at " << c.Position;
    }
    EXPECT_EQ(QuotedExcerpt(std::string(9'000'000, '.'), 4'500'000).size(), 104u);
}

} // namespace
} // namespace qm
