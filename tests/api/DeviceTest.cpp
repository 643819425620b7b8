// Enumerating, naming and selecting simulated cameras through the C API.
#include <cstring>
#include <string>

#include "api/SimulatedCameras.h"

namespace ovilux::test {
namespace {

class Devices : public SessionTest {};

std::string WideToString(const OVILUX_WCHAR* text) {
    std::string out;
    for (; *text != 0; ++text) {
        out.push_back(static_cast<char>(*text));
    }
    return out;
}

TEST_F(Devices, TwoCamerasEnumerateWithOrdinalNames) {
    OpenSession(2);
    char names[OVILUX_ENUM_SLOTS][OVILUX_ENUM_NAME_CHARS];
    std::memset(names, 'x', sizeof names);
    EXPECT_EQ(Ovilux_EnumDevice(handle_, &names[0][0]), 2);
    EXPECT_STREQ(names[0], "OviluxM03-UX_01");
    EXPECT_STREQ(names[1], "OviluxM03-UX_02");
    for (int slot = 2; slot < OVILUX_ENUM_SLOTS; ++slot) {
        EXPECT_EQ(names[slot][0], '\0') << "slot " << slot;
    }
    OVILUX_WCHAR wide[OVILUX_ENUM_SLOTS][OVILUX_ENUM_NAME_CHARS];
    std::memset(wide, 0x55, sizeof wide);
    EXPECT_EQ(Ovilux_EnumDeviceW(handle_, &wide[0][0]), 2);
    EXPECT_EQ(WideToString(wide[0]), "OviluxM03-UX_01");
    EXPECT_EQ(WideToString(wide[1]), "OviluxM03-UX_02");
    EXPECT_EQ(wide[9][0], 0);

    char name[32];
    EXPECT_EQ(Ovilux_GetDeviceName(handle_, 1, name, sizeof name), 1);
    EXPECT_STREQ(name, "OviluxM03-UX_02");
    EXPECT_EQ(Ovilux_GetLastError(handle_), 0);
}

TEST_F(Devices, NamesRefuseBadIndicesAndShortBuffers) {
    OpenSession(1);
    char name[64];
    EXPECT_EQ(Ovilux_GetDeviceName(handle_, 32, name, sizeof name), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_PRESENT);
    EXPECT_EQ(Ovilux_GetDeviceName(handle_, -1, name, sizeof name), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_PRESENT);
    EXPECT_EQ(Ovilux_GetDeviceName(handle_, 1, name, sizeof name), 0) << "only one camera is present";
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_PRESENT);
    EXPECT_EQ(Ovilux_GetDeviceName(handle_, 0, name, 17), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
    EXPECT_EQ(Ovilux_GetDeviceName(handle_, 0, nullptr, 64), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
    EXPECT_EQ(Ovilux_GetDeviceName(handle_, 0, name, 18), 1);
    EXPECT_STREQ(name, "OviluxM03-UX_01");

    // The wide name needs room for its 15 characters and the terminator.
    OVILUX_WCHAR wide[32];
    for (int32_t shortLength : {15, 1, 0, -1, INT32_MIN}) {
        EXPECT_EQ(Ovilux_GetDeviceNameW(handle_, 0, wide, shortLength), 0) << shortLength;
        EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_CONVERSION) << shortLength;
    }
    EXPECT_EQ(Ovilux_GetDeviceNameW(handle_, 0, wide, 16), 1);
    EXPECT_EQ(WideToString(wide), "OviluxM03-UX_01");
    EXPECT_EQ(Ovilux_EnumDevice(handle_, nullptr), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_BAD_ARGUMENT);
}

TEST_F(Devices, WithoutCamerasNothingEnumeratesAndSelectionFails) {
    OpenSession(0);
    char names[OVILUX_ENUM_SLOTS][OVILUX_ENUM_NAME_CHARS];
    std::memset(names, 'x', sizeof names);
    EXPECT_EQ(Ovilux_EnumDevice(handle_, &names[0][0]), 0);
    EXPECT_EQ(names[0][0], '\0');
    EXPECT_EQ(names[9][0], '\0');
    EXPECT_EQ(Ovilux_SetDeviceNumber(handle_, 0), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_PRESENT);
    EXPECT_EQ(Ovilux_StartPreview(handle_), 0);
    EXPECT_EQ(PopAll(handle_), std::vector<int32_t>{OVILUX_CODE_NOT_PRESENT});
}

TEST_F(Devices, OneCameraIsUsableWithoutSelectingIt) {
    OpenSession(1);
    std::vector<uint8_t> image(2560 * 1920 * 3);
    EXPECT_EQ(Ovilux_SnapShot(handle_, image.data(), static_cast<int32_t>(image.size()), 1), 1);
    EXPECT_EQ(Ovilux_GetLastError(handle_), 0);
}

TEST_F(Devices, TwoCamerasWaitForASelectionAndTakeTheSettings) {
    OpenSession(2);
    std::vector<uint8_t> image(2560 * 1920 * 3);
    // Before a camera is opened there are no limits or gains to report: failures, not zeros.
    OviluxCameraInfo info{};
    info.size = sizeof info;
    EXPECT_EQ(Ovilux_GetCameraInfo(handle_, &info), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_PRESENT);
    int32_t ok = 7;
    Ovilux_GetGlobalGain(handle_, &ok);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_REFUSED);
    EXPECT_EQ(Ovilux_SetGlobalGain(handle_, 16), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_PRESENT);
    EXPECT_EQ(Ovilux_SetDeviceNumber(handle_, 2), 0);
    EXPECT_EQ(Ovilux_GetLastError(handle_), OVILUX_CODE_NOT_PRESENT);
    ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, 1), 1);
    EXPECT_EQ(Ovilux_GetGlobalGain(handle_, &ok), 16);
    EXPECT_EQ(ok, 1);
    ASSERT_EQ(Ovilux_SetMirrorH(handle_, 1), 1);
    EXPECT_EQ(Ovilux_SnapShot(handle_, image.data(), static_cast<int32_t>(image.size()), 1), 1);
    uint32_t frames0 = 0;
    uint32_t frames1 = 0;
    ASSERT_EQ(OviluxSim_GetFrameCount(0, &frames0), 1);
    ASSERT_EQ(OviluxSim_GetFrameCount(1, &frames1), 1);
    EXPECT_GT(frames1, 0u) << "the selected camera took the frame";
    EXPECT_EQ(frames0, 0u);
}

}  // namespace
}  // namespace ovilux::test
