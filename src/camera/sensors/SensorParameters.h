// SensorParameters.h - the 344-byte parameter block every sensor model keeps and CopyInfo
// hands out: sizes, window, setting groups (min, max, current, default, supported), mirror,
// sample depth, pixel clock and orientation.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ovilux::camera {

// One adjustable setting: its limits, value, default and whether the model supports it.
struct SettingGroup {
    int32_t minimum;
    int32_t maximum;
    int32_t current;
    int32_t defaultValue;
    int32_t supported;
};

struct MirrorSetting {
    int32_t current;
    int32_t defaultValue;
    int32_t supported;
};

struct SensorParameters {
    int32_t fullWidth;
    int32_t fullHeight;
    int32_t defaultX;
    int32_t defaultY;
    int32_t defaultWidth;
    int32_t defaultHeight;
    int32_t widthFree;
    int32_t heightFree;
    int32_t x;
    int32_t y;
    int32_t width;   // output width, after subsampling
    int32_t height;  // output height, after subsampling
    int32_t lineLength;
    int32_t frameLines;
    int32_t subsample;
    int32_t defaultSubsample;
    int32_t reserved17;
    SettingGroup globalGain;
    SettingGroup shutterLines;
    SettingGroup redGain;  // its limits and default serve all four colour gains
    SettingGroup green1Gain;
    SettingGroup green2Gain;
    SettingGroup blueGain;
    SettingGroup exposure;
    SettingGroup level;
    SettingGroup analogGainStep;
    double exposureSecondsMinimum;
    double exposureSecondsMaximum;
    double exposureSecondsCurrent;
    double exposureSecondsDefault;
    int32_t exposureSecondsSupported;
    int32_t reserved72[5];
    MirrorSetting mirrorV;
    MirrorSetting mirrorH;
    int32_t bitsPerSample;
    int32_t pixelClockKHz;
    int32_t orientation;  // 0 to 4: row and sample order of a frame copy
    int32_t reserved86;
};

// The block is exchanged whole with callers that rely on this exact layout.
static_assert(sizeof(SensorParameters) == 344);
static_assert(offsetof(SensorParameters, globalGain) == 17 * 4);
static_assert(offsetof(SensorParameters, shutterLines) == 22 * 4);
static_assert(offsetof(SensorParameters, exposure) == 47 * 4);
static_assert(offsetof(SensorParameters, level) == 52 * 4);
static_assert(offsetof(SensorParameters, exposureSecondsMinimum) == 62 * 4);
static_assert(offsetof(SensorParameters, exposureSecondsSupported) == 70 * 4);
static_assert(offsetof(SensorParameters, mirrorV) == 76 * 4);
static_assert(offsetof(SensorParameters, mirrorH) == 79 * 4);
static_assert(offsetof(SensorParameters, bitsPerSample) == 82 * 4);
static_assert(offsetof(SensorParameters, orientation) == 84 * 4);

}  // namespace ovilux::camera
