#include "UGSliderTrack.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qm {
namespace {

TEST(SliderTrack, MapsOffsetsAndValuesBothWays) {
    const TGSliderTrack track{20, 120, 0, 10};
    EXPECT_DOUBLE_EQ(track.ValueAt(20), 0);
    EXPECT_DOUBLE_EQ(track.ValueAt(70), 5);
    EXPECT_DOUBLE_EQ(track.ValueAt(120), 10);
    EXPECT_DOUBLE_EQ(track.OffsetOf(2.5), 45);
    // Values outside the range keep the slider on its track.
    EXPECT_DOUBLE_EQ(track.OffsetOf(-3), 20);
    EXPECT_DOUBLE_EQ(track.OffsetOf(30), 120);
}

TEST(SliderTrack, OneValueRangeSitsAtTheStartAndReportsMin) {
    const TGSliderTrack single{20, 120, 4, 4};
    EXPECT_DOUBLE_EQ(single.OffsetOf(4), 20);
    EXPECT_DOUBLE_EQ(single.OffsetOf(7), 20);
    EXPECT_DOUBLE_EQ(single.ValueAt(20), 4);
    EXPECT_DOUBLE_EQ(single.ValueAt(90), 4);
    const TGSliderTrack noLength{30, 30, 2, 9};
    EXPECT_DOUBLE_EQ(noLength.ValueAt(30), 2);
    EXPECT_FALSE(std::isnan(noLength.OffsetOf(5)));
}

} // namespace
} // namespace qm
