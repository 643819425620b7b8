// BandedChain.cpp - one pass of row bands through the demosaic and the adjustments.
//
// Every step but sharpening is a function of each row alone, so a band can go through them one
// after the other. Sharpening reads each row's unsharpened neighbours, so it trails the band by
// the rows its block reaches below (RowSharpener keeps the sums it needs), and the brightness
// after it rides on each row it finishes.
#include "image/filters/BandedChain.h"

#include <algorithm>
#include <optional>

#include "image/Demosaic.h"
#include "image/filters/HueSaturation.h"
#include "image/filters/Sharpen.h"
#include "image/filters/ToneCurves.h"

namespace ovilux::image::filters {

namespace {

// Large enough to keep the per-band overhead small, small enough that a band of a full frame
// and the rows it reads stay in the second-level cache.
constexpr int32_t kBandBytes = 128 * 1024;

int32_t RowsPerBand(const DibImage& result, int32_t bandRows) {
    if (bandRows > 0) {
        return bandRows;
    }
    return std::max(4, kBandBytes / std::max(result.Stride(), 1));
}

bool GammaInRange(int32_t g) { return g >= kMinGamma && g <= kMaxGamma; }
bool ContrastInRange(int32_t c) { return c >= kMinContrast && c <= kMaxContrast; }
bool BrightnessInRange(int32_t b) { return b >= kMinBrightness && b <= kMaxBrightness; }

// The tone steps as the chain runs them: without sharpening as one table that refuses all three
// together; with it, gamma and contrast before it and brightness after, each refused alone.
struct ToneSteps {
    ToneTable before;
    ToneTable after;
};

ToneSteps MakeToneSteps(const DibImage& result, const Adjustments& a) {
    if (a.sharpness == 0) {
        return {ToneTable(result, a.gamma, a.contrast, a.brightness), ToneTable(result, kUnityGamma, 0, 0)};
    }
    const int32_t gamma = GammaInRange(a.gamma) ? a.gamma : kUnityGamma;
    const int32_t contrast = ContrastInRange(a.contrast) ? a.contrast : 0;
    const int32_t brightness = BrightnessInRange(a.brightness) ? a.brightness : 0;
    return {ToneTable(result, gamma, contrast, 0), ToneTable(result, kUnityGamma, 0, brightness)};
}

}  // namespace

bool DemosaicAndAdjust(DibImage& result, const DibImage* raw, const GainRecord& gains, const Adjustments& adjustments,
                       int32_t bandRows) {
    const int32_t height = result.Height();
    const int32_t rows = RowsPerBand(result, bandRows);
    const bool colour = result.BitsPerPixel() >= 24;
    const bool shiftHue = colour && (adjustments.hue != 0 || adjustments.saturation != 0);
    const ToneSteps tones = MakeToneSteps(result, adjustments);
    RowSharpener sharpener(result, adjustments.sharpness, &tones.after);
    // A sharpness out of range does not sharpen; the brightness after it still runs.
    const ToneTable* afterWithoutSharpener = sharpener.Valid() ? nullptr : &tones.after;
    for (int32_t first = 0; first < std::max(height, 1); first += rows) {
        const int32_t end = std::min(first + rows, height);
        if (raw != nullptr && !DemosaicRowBand(result, *raw, gains, first, end)) {
            return false;
        }
        if (shiftHue) {
            ShiftHueSaturationRows(result, adjustments.hue, adjustments.saturation, first, end);
        }
        tones.before.ApplyRows(result, first, end);
        if (afterWithoutSharpener != nullptr) {
            afterWithoutSharpener->ApplyRows(result, first, end);
        } else {
            sharpener.RowsReady(end);
        }
    }
    return true;
}

}  // namespace ovilux::image::filters
