// ProductIds.h - the USB product ids of the camera family that the device object treats
// specially, and the constants of those treatments.
#pragma once

#include <cstdint>

namespace ovilux::camera::product {

constexpr int32_t kNone = -1;
constexpr int32_t kM01 = 0x3020;
constexpr int32_t kM03 = 0x3030;  // the camera this library is built for
constexpr int32_t kFx3Direct = 0x3042;
constexpr int32_t k3050 = 0x3050;
constexpr int32_t k3090 = 0x3090;
constexpr int32_t k30B0 = 0x30B0;
constexpr int32_t k30C0 = 0x30C0;
constexpr int32_t k30F0 = 0x30F0;
constexpr int32_t k3100 = 0x3100;
constexpr int32_t kConverterHead = 0x3130;
constexpr int32_t k3140 = 0x3140;
constexpr int32_t k3150 = 0x3150;
constexpr int32_t k3170 = 0x3170;
constexpr int32_t kTextHead = 0x3180;
constexpr int32_t k3190 = 0x3190;
constexpr int32_t k31B0 = 0x31B0;
constexpr int32_t k31B4 = 0x31B4;
constexpr int32_t k31C0 = 0x31C0;
constexpr int32_t k31C4 = 0x31C4;
constexpr int32_t k31E0 = 0x31E0;
constexpr int32_t k31F0 = 0x31F0;
constexpr int32_t kPendingExposure = 0x3200;
constexpr int32_t k3220 = 0x3220;
constexpr int32_t k3260 = 0x3260;
constexpr int32_t k3270 = 0x3270;
constexpr int32_t k3280 = 0x3280;
constexpr int32_t k3290 = 0x3290;
constexpr int32_t k32A0 = 0x32A0;
constexpr int32_t k32B0 = 0x32B0;
constexpr int32_t k32C0 = 0x32C0;
constexpr int32_t k32D0 = 0x32D0;
constexpr int32_t k32E0 = 0x32E0;
constexpr int32_t k32F0 = 0x32F0;
constexpr int32_t k3300 = 0x3300;

template <typename... Ids>
constexpr bool IsOneOf(int32_t productId, Ids... ids) {
    return ((productId == ids) || ...);
}

// Products whose sensor model sets the pixel width itself before the FPGA is told.
constexpr bool SensorSetsPixelWidth(int32_t id) {
    return IsOneOf(id, k3100, k31B0, k31B4, k31C0, k31C4, k32E0, k32F0, k3300) || (id >= k3260 && id <= k32A0);
}

// Products whose FPGA line-timing registers 72, 73, 76 and 77 follow the sensor's window.
constexpr bool WindowSetsLineTiming(int32_t id) {
    return IsOneOf(id, k30F0, k31B0, k31B4, k31C0, k31C4, k31F0, k32E0, k32F0, k3300) || (id >= k3260 && id <= k32A0);
}

// Products whose transfer loop resets the frame pipe before retrying a failed frame.
constexpr bool ResetsPipeOnRetry(int32_t id) {
    return IsOneOf(id, k3100, kConverterHead, k3150, k3170, k31B0, k31B4, k31C0, k31C4, k31E0, k32A0, k32D0);
}

}  // namespace ovilux::camera::product
