// FreshProfile.h - the settings of a fresh user profile: the format a first run writes, and
// what each group takes when its key is missing from the settings store (the camera's own
// defaults, never a zero gain).
#pragma once

#include <cstdint>

#include "session/KeptSettings.h"

namespace ovilux::camera {
class COviluxUXBase;
}

namespace ovilux::session {

// The format group a fresh profile holds after its first session.
constexpr int32_t kFreshColourMode = 2;  // 24-bit colour
constexpr int32_t kFreshSubSample = 0;
constexpr int32_t kFreshWaitTimeMs = 1;
constexpr int32_t kFreshClockMode = 0;

// Image-filter group: neutral adjustments, unity Bayer gains and gamma, Bayer mode 1.
void LoadFreshImageFilter(ImageFilterSettings& filter);
// Gray-filter group: mode 0, unity gains (128) and offsets 128.
void LoadFreshGrayFilter(ImageFilterSettings& filter);
// Analog group: the camera's own defaults for gains, exposure, mirroring and black level.
void LoadFreshAnalog(AnalogSettings& analog, camera::COviluxUXBase& camera);

}  // namespace ovilux::session
