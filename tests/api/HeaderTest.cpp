// The public headers compiled as C and as C++: the same record layouts on both sides, and the
// code texts a C caller reads for what a call recorded.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "OviluxCodes.h"
#include "OviluxSdk.h"

extern "C" size_t OviluxTestCOffset(int field);
extern "C" int OviluxTestCCanReferenceExports(void);
extern "C" const char* OviluxTestCCodeText(int32_t code);

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

// Every code has its own text; the stack read empty gives 0, whose text says nothing was
// recorded; values that are no code say so.
TEST(PublicHeader, EveryCodeHasItsOwnTextForACCaller) {
    std::set<std::string> texts;
    for (int32_t code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14}) {
        const char* text = OviluxTestCCodeText(code);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text, OviluxCode_Text(code)) << "the same static text from C and C++";
        EXPECT_TRUE(texts.insert(text).second) << code << ": " << text;
    }
    EXPECT_STREQ(OviluxCode_Text(0), "no code recorded");
    EXPECT_STREQ(OviluxCode_Text(OVILUX_CODE_BAD_ARGUMENT), "an argument is out of range or missing");
    for (int32_t other : {10, 15, -1, INT32_MIN}) {
        EXPECT_STREQ(OviluxCode_Text(other), "an unknown code") << other;
    }

    // A caller reporting one call's code: the stack read empty first, then popped once.
    const uint32_t handle = Ovilux_Initialize(nullptr);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(Ovilux_SetColorMode(handle, 12), 0);
    EXPECT_EQ(Ovilux_SetColorMode(handle, 13), 0);
    while (Ovilux_GetLastError(handle) != 0) {
    }
    EXPECT_EQ(Ovilux_SetSubSample(handle, 3), 0);
    EXPECT_STREQ(OviluxCode_Text(Ovilux_GetLastError(handle)), "no code recorded")
        << "the refused sub-sampling records no code; the earlier 9s are gone";
    Ovilux_Release(handle);
}
