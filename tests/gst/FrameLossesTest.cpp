// FrameLossesTest.cpp - losses told where the gap in the frame numbers is, also when the library
// counted them before the frame that shows the gap went out, and across the numbers' wrap.
#include <gtest/gtest.h>

#include "FrameLosses.h"

namespace ovilux_gst {
namespace {

OviluxStreamStatistics Counts(uint64_t headerTimeout, uint64_t slow) {
    OviluxStreamStatistics counts{};
    counts.lostHeaderTimeout = headerTimeout;
    counts.lostSlow = slow;
    return counts;
}

TEST(FrameLosses, CountsWaitForTheGapThatShowsTheirFrames) {
    FrameLosses losses;
    losses.Restart(Counts(5, 5));  // an earlier stream's
    EXPECT_EQ(losses.Next(100, Counts(7, 5)).Total(), 0u) << "nothing before a stream's first frame";
    // Two headers lost after frame 101 was taken but before it went out: no gap yet.
    EXPECT_EQ(losses.Next(101, Counts(9, 5)).Total(), 0u);
    const LossCounts gap = losses.Next(104, Counts(9, 5));
    EXPECT_EQ(gap.Total(), 2u);
    EXPECT_EQ(gap.headerTimeout, 2u);
    EXPECT_STREQ(gap.MainReason(), "header-timeout");
    // A frame the library delivered but a newer one overtook: slow, though counted nowhere.
    const LossCounts overtaken = losses.Next(106, Counts(9, 5));
    EXPECT_EQ(overtaken.slow, 1u);
    EXPECT_EQ(losses.Total().Total(), 3u);
    EXPECT_EQ(losses.Delivered(), 4u);
    EXPECT_FALSE(losses.IsNewer(106));
    EXPECT_TRUE(losses.IsNewer(107));
}

TEST(FrameLosses, NumbersWrapAround) {
    FrameLosses losses;
    losses.Restart(Counts(0, 0));
    losses.Next(0xFFFFFFFEu, Counts(0, 0));
    EXPECT_TRUE(losses.IsNewer(1));
    EXPECT_EQ(losses.Next(1, Counts(2, 0)).headerTimeout, 2u);
}

}  // namespace
}  // namespace ovilux_gst
