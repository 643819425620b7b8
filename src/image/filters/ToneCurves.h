// ToneCurves.h - gamma, contrast and brightness: per-sample curves applied through look-up
// tables (256 entries for 8-bit channels, 4096 for the camera's 12-bit samples), and the three
// fused into one table.
#pragma once

#include <cstdint>
#include <vector>

#include "image/DibImage.h"
#include "image/filters/FilterSamples.h"

namespace ovilux::image::filters {

// Setting ranges; a value outside them is refused.
constexpr int32_t kMinGamma = 0, kMaxGamma = 200, kUnityGamma = 100;
constexpr int32_t kMinContrast = -127, kMaxContrast = 127;
constexpr int32_t kMinBrightness = -255, kMaxBrightness = 255;

// One sample through each curve (max is 255 or 4095, v within 0 .. max).
int32_t GammaSample(int32_t v, int32_t gamma, int32_t max);
int32_t ContrastSample(int32_t v, int32_t contrast, int32_t max);
int32_t BrightnessSample(int32_t v, int32_t brightness, int32_t max);

// Each adjusts the colour channels of an image of 8, 16, 24, 32, 48 or 64 bits in place (a
// fourth channel left alone). At unity (gamma 100, contrast 0, brightness 0) the image is left
// as it is. False, the image unchanged, for an image without pixels, another depth or a
// setting out of range.
bool ApplyGamma(DibImage& image, int32_t gamma);
bool ApplyContrast(DibImage& image, int32_t contrast);
bool ApplyBrightness(DibImage& image, int32_t brightness);
// Gamma, then contrast, then brightness in one pass, equal to the three one after the other
// (each is a function of the sample alone, so their composition is one table). The chain may
// use it only when no sharpening runs between contrast and brightness.
bool ApplyTones(DibImage& image, int32_t gamma, int32_t contrast, int32_t brightness);

// Gamma, contrast and brightness composed into one table for the sample range of an image's
// format, built once and applied to rows as a chain reaches them.
class ToneTable {
public:
    ToneTable(const DibImage& image, int32_t gamma, int32_t contrast, int32_t brightness);
    // False for an image without pixels, another depth or a setting out of range.
    bool Valid() const { return valid_; }
    // Adjusts rows firstRow .. endRow - 1 (clipped) of an image of the format the table was
    // built for, as ApplyTones does; nothing when the table is not valid or all are at unity.
    void ApplyRows(const DibImage& image, int32_t firstRow, int32_t endRow) const;

private:
    SampleLayout layout_{};
    bool valid_ = false;
    bool neutral_ = true;
    std::vector<uint8_t> table8_;
    std::vector<uint16_t> table16_;
};

// The plain form the tables are held against: each sample through the curves computed anew.
bool ApplyTonesReference(DibImage& image, int32_t gamma, int32_t contrast, int32_t brightness);

}  // namespace ovilux::image::filters
