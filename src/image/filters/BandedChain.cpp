// BandedChain.cpp - one pass of row bands through the demosaic and the adjustments.
//
// Every step but sharpening is a function of each row alone, so a band can go through them one
// after the other. Sharpening reads each row's unsharpened neighbours, so it trails the band by
// the rows its block reaches below (RowSharpener keeps the sums it needs), and the brightness
// after it rides on each row it finishes. On several threads each takes a range of rows; the few
// rows where sharpening reaches across two ranges are finished once all are done.
#include "image/filters/BandedChain.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "image/Demosaic.h"
#include "image/filters/HueSaturation.h"
#include "image/filters/Sharpen.h"
#include "image/filters/ToneCurves.h"
#include "platform/Event.h"
#include "platform/Thread.h"

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

struct BandWork {
    DibImage& result;
    const DibImage* raw;
    const GainRecord& gains;
    const Adjustments& adjustments;
    const ToneSteps& tones;
    int32_t bandRows;
};

// Rows first .. end - 1 band by band, the sharpener owning that range.
void WorkRows(const BandWork& work, RowSharpener& sharpener, int32_t first, int32_t end) {
    const Adjustments& a = work.adjustments;
    const bool shiftHue = work.result.BitsPerPixel() >= 24 && (a.hue != 0 || a.saturation != 0);
    // A sharpness out of range does not sharpen; the brightness after it still runs.
    const ToneTable* afterWithoutSharpener = sharpener.Valid() ? nullptr : &work.tones.after;
    for (int32_t bandFirst = first; bandFirst < end; bandFirst += work.bandRows) {
        const int32_t bandEnd = std::min(bandFirst + work.bandRows, end);
        if (work.raw != nullptr) {
            DemosaicRowBand(work.result, *work.raw, work.gains, bandFirst, bandEnd);
        }
        if (shiftHue) {
            ShiftHueSaturationRows(work.result, a.hue, a.saturation, bandFirst, bandEnd);
        }
        work.tones.before.ApplyRows(work.result, bandFirst, bandEnd);
        if (afterWithoutSharpener != nullptr) {
            afterWithoutSharpener->ApplyRows(work.result, bandFirst, bandEnd);
        } else {
            sharpener.RowsReady(bandEnd);
        }
    }
}

}  // namespace

bool DemosaicAndAdjust(DibImage& result, const DibImage* raw, const GainRecord& gains, const Adjustments& adjustments,
                       int32_t bandRows, int32_t threads) {
    // The demosaic's refusals depend on the images alone: asked over no rows, it only checks them.
    if (raw != nullptr && !DemosaicRowBand(result, *raw, gains, 0, 0)) {
        return false;
    }
    const int32_t height = result.Height();
    const ToneSteps tones = MakeToneSteps(result, adjustments);
    const int32_t ranges = std::clamp(threads, 1, std::max(height, 1));
    std::vector<std::unique_ptr<RowSharpener>> sharpeners;
    for (int32_t k = 0; k < ranges; ++k) {
        sharpeners.push_back(std::make_unique<RowSharpener>(result, adjustments.sharpness, &tones.after,
                                                            height * k / ranges, height * (k + 1) / ranges));
    }
    const BandWork work{result, raw, gains, adjustments, tones, RowsPerBand(result, bandRows)};
    // The first range is worked on this thread, the others each on a thread of its own (or here
    // after the first when no thread can be had).
    std::vector<std::unique_ptr<platform::Thread>> helpers;
    for (int32_t k = 1; k < ranges; ++k) {
        auto helper = std::make_unique<platform::Thread>();
        RowSharpener* sharpener = sharpeners[static_cast<size_t>(k)].get();
        if (helper->Start([&work, sharpener, k, ranges, height] {
                WorkRows(work, *sharpener, height * k / ranges, height * (k + 1) / ranges);
            })) {
            helpers.push_back(std::move(helper));
        } else {
            WorkRows(work, *sharpener, height * k / ranges, height * (k + 1) / ranges);
        }
    }
    WorkRows(work, *sharpeners.front(), 0, height / ranges);
    for (auto& helper : helpers) {
        helper->Join(platform::kWaitInfinite);
    }
    std::vector<RowSharpener*> all;
    for (auto& sharpener : sharpeners) {
        all.push_back(sharpener.get());
    }
    RowSharpener::FinishSeams(all);
    return true;
}

}  // namespace ovilux::image::filters
