// The public header compiled as C and as C++: the same record layouts on both sides.
#include <gtest/gtest.h>

#include <cstddef>

#include "OviluxSdk.h"

extern "C" size_t OviluxTestCOffset(int field);
extern "C" int OviluxTestCCanReferenceExports(void);

TEST(PublicHeader, CAndCppAgreeOnTheRecords) {
    EXPECT_EQ(OviluxTestCOffset(0), offsetof(OviluxFrameInfo, frameRateX10));
    EXPECT_EQ(OviluxTestCOffset(1), offsetof(OviluxFrameInfo, buffer));
    EXPECT_EQ(OviluxTestCOffset(2), sizeof(OviluxFrameInfo));
    EXPECT_EQ(OviluxTestCOffset(3), offsetof(OviluxCameraInfo, exposureMax));
    EXPECT_EQ(OviluxTestCOffset(4), offsetof(OviluxCameraInfo, exposureSecondsMin));
    EXPECT_EQ(OviluxTestCOffset(5), sizeof(OviluxCameraInfo));
    EXPECT_EQ(OviluxTestCOffset(1), 24u);
    EXPECT_EQ(OviluxTestCOffset(5), 56u);
    EXPECT_EQ(OviluxTestCCanReferenceExports(), 1);
}
