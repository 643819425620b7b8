// SessionConstants.h - the session's fixed numbers in one place: notification codes, window
// messages, timeouts, sizes and the fresh-profile defaults.
#pragma once

#include <cstdint>

namespace ovilux::session {

// Notification codes: stored on the error stack and posted with kNotifyMessage.
namespace code {
constexpr int32_t kSuccess = 0;
constexpr int32_t kNoCamera = 1;  // also: wrong capture state, no image yet
constexpr int32_t kNotPresent = 2;
constexpr int32_t kThread = 3;
constexpr int32_t kWindow = 4;
constexpr int32_t kMemory = 5;
constexpr int32_t kRefused = 6;
constexpr int32_t kBadWindow = 7;
constexpr int32_t kNoFrame = 8;
constexpr int32_t kBadArgument = 9;
constexpr int32_t kNotSupported = 11;
constexpr int32_t kConversion = 12;
constexpr int32_t kCameraLost = 13;
constexpr int32_t kMaskFile = 14;
}  // namespace code

// Messages posted to the application's windows.
constexpr uint32_t kFrameMessage = 0x8002;   // callback window: a frame, or a failure code in lParam
constexpr uint32_t kNotifyMessage = 0x8003;  // notification window: a code in lParam

constexpr int32_t kErrorStackDepth = 20;

// The camera model this library drives, and its sensor.
constexpr int32_t kProductId = OVILUX_PRODUCT_ID;  // chosen when the library is built
constexpr int32_t kSensorWidth = 2592;
constexpr int32_t kSensorHeight = 1944;
constexpr const char* kModelName = "OviluxM03-UX";

// Enumeration into the application's fixed table of names.
constexpr int32_t kEnumSlots = 10;
constexpr int32_t kEnumNameChars = 256;
// "OviluxM03-UX_01" and its terminator, with room for a three-digit ordinal.
constexpr int32_t kMinNameLength = 18;
// The wide name is converted through a buffer of this many UTF-16 units.
constexpr int32_t kWideNameUnits = 1024;

// File names given in UTF-16 are converted through a buffer of this many ANSI bytes; longer
// names cannot be used.
constexpr int kFileNameBytes = 1024;

// Timing.
constexpr uint32_t kFrameTimeoutMs = 3000;      // waiting for one frame
constexpr uint32_t kWorkerFrameSliceMs = 100;   // one frame wait of the live-view worker
constexpr int32_t kDefaultWaitTimeMs = 10;      // pause between live-view frames
constexpr uint32_t kRateIntervalMs = 1000;      // the frame rate is recomputed after this long
constexpr uint32_t kFrameRetryMs = 1;           // pause before waiting again after a wake-up without a frame

// Capture states.
namespace state {
constexpr int32_t kIdle = 0;
constexpr int32_t kLiveView = 1;
constexpr int32_t kPrepared = 2;
}  // namespace state

// Run flag of the live-view worker.
namespace run {
constexpr int32_t kStop = 0;
constexpr int32_t kRun = 1;
}  // namespace run

// Camera transfer modes and frame-wait results.
constexpr int32_t kContinuousTransfer = 0;
constexpr int32_t kSingleFrameTransfer = 1;
constexpr int32_t kWaitLost = 1;
constexpr int32_t kWaitFrameReady = 3;
// Frame copies keep the sensor's row order for sensors mounted the usual way.
constexpr int32_t kStraightCopy = 1;

}  // namespace ovilux::session
