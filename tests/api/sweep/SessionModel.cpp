// SessionModel.cpp - the model's settings and its pictures.
//
// The scene is one colour seen through the sensor's Bayer filter: red on even sensor rows and
// columns, blue on odd ones, green elsewhere; black above the sensor's first row. The camera
// reads the window from its far end when it mirrors, so a mirrored frame starts on the other
// colour of the pair. The model reads the frame out as the camera does and runs the plain forms
// of the chain's steps on it.
#include "api/sweep/SessionModel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "image/filters/DotSuppression.h"
#include "image/filters/GrayGains.h"
#include "image/filters/HueSaturation.h"
#include "image/filters/RawTestImages.h"
#include "image/filters/Sharpen.h"
#include "image/filters/ToneCurves.h"
#include "image/filters/WhiteBalance.h"
#include "image/mask/DotFilter.h"
#include "support/PictureCheck.h"

namespace ovilux::test::sweep {

const std::map<int32_t, int32_t> kNeutralFilters = {
    {1, 0},    {2, 0},   {3, 0},   {4, 0},   {5, 0},   {7, 100}, {8, 100}, {9, 100}, {10, 0},  {11, 100},
    {12, 1},   {19, 0},  {20, 128}, {21, 128}, {22, 128}, {23, 128}, {24, 0}, {25, 0}, {26, 0}, {27, 0},
    {28, 0},   {102, 0}, {103, 0},
};

namespace {

using image::test::SampleAt;
using image::test::SetSample;

// The red sample's row and column in the top-left 2 x 2 block, by the demosaic's reading of
// the Bayer mode; blue sits on the other row and column.
constexpr int kRedRow[4] = {1, 0, 1, 0};
constexpr int kRedColumn[4] = {0, 0, 1, 1};

// The Bayer mode the demosaic uses: vertical mirroring exchanges 0 and 1, 2 and 3; horizontal
// then 0 and 2, 1 and 3.
int32_t MirroredBayerMode(int32_t mode, int32_t mirrorH, int32_t mirrorV) {
    if (mirrorV != 0) {
        mode ^= 1;
    }
    if (mirrorH != 0) {
        mode ^= 2;
    }
    return mode;
}

// One axis of the readout: the window's start (a vertically mirrored one four rows higher),
// two more rows or columns than the window, read in Bayer pairs of every 2 x skip, each output
// the mean of skip same-coloured samples two apart.
struct Axis {
    int32_t start, size, skip;
    bool mirror;
    int32_t Position(int32_t k) const {
        const int32_t group = 2 * skip;
        const int32_t outputs = 2 * (size / group) + std::min(size % group, 2);
        const int32_t read = mirror ? outputs - 1 - k : k;
        return start + (read / 2) * group + read % 2;
    }
};

}  // namespace

SessionModel::SessionModel() : filters(kNeutralFilters) {}

bool SessionModel::WindowAccepted(const Window& w) const {
    const int32_t widthStep = 16 << subSample;
    const int32_t heightStep = 2 << (subSample == 0 ? 0 : subSample + 1);
    const int32_t originStep = 2 << (subSample == 0 ? 0 : subSample);
    // The whole sensor's width or height is taken at every sub-sampling.
    const bool fullWidth = w.x == 0 && w.width == kSensorWidth;
    const bool fullHeight = w.y == 0 && w.height == kSensorHeight;
    return w.width >= 320 && w.height >= 8 && w.x >= 0 && w.y >= 0 && w.x + w.width <= kSensorWidth &&
           w.y + w.height <= kSensorHeight && (w.width % widthStep == 0 || fullWidth) &&
           (w.height % heightStep == 0 || fullHeight) && w.x % originStep == 0 && w.y % originStep == 0;
}

bool SessionModel::ColourModeAccepted(int32_t wanted) const {
    return wanted == 8 || wanted == 16 || wanted == 24 || wanted == 32 || wanted == 48 || wanted == 64;
}

bool SessionModel::ArrivedFrame(image::DibImage& raw) const {
    const bool wide = bits == 16 || bits >= 48;
    if (raw.Create(FrameWidth(), FrameHeight(), wide ? 16 : 8) == 0) {
        return false;
    }
    const int32_t skip = 1 << subSample;
    const Axis rows{window.y - (mirrorV != 0 ? 4 : 0), window.height + 2, skip, mirrorV != 0};
    const Axis columns{window.x, window.width + 2, skip, mirrorH != 0};
    const uint8_t colour[2][2] = {{red, green}, {green, blue}};
    for (int32_t y = 0; y < raw.Height(); ++y) {
        const int32_t row = rows.Position(y);
        for (int32_t x = 0; x < raw.Width(); ++x) {
            const int32_t column = columns.Position(x);
            uint32_t sum = 0;
            for (int32_t j = 0; j < skip; ++j) {
                // The colour of a row pair is that of its first row, so black rows count as 0.
                sum += row + 2 * j < 0 ? 0 : Level12(colour[row & 1][column & 1]) * static_cast<uint32_t>(skip);
            }
            const uint32_t level = sum / static_cast<uint32_t>(skip * skip);
            SetSample(raw, x, y, wide ? level : level >> 4);
        }
    }
    return true;
}

namespace {

// The mask filter of uniform references: each sample normalised between dark and bright
// (8-bit: to 0..255, left alone when they are equal; 16-bit: to the 12-bit range, left alone
// when bright is not above dark).
int32_t Normalised(int32_t v, bool wide, const SessionModel& m) {
    if (!wide) {
        if (m.dark8 == m.bright8) {
            return v;
        }
        return std::clamp((v - m.dark8) * 256 / (m.bright8 - m.dark8), 0, 255);
    }
    if (m.dark16 >= m.bright16) {
        return v;
    }
    return v <= m.dark16 ? 0 : std::min((v - m.dark16) * 4096 / (m.bright16 - m.dark16), 4095);
}

// A sample on the 8-bit scale: a 16-bit sample's 12 significant bits read as bits 11 to 4.
int32_t EightBit(const image::DibImage& raw, int32_t x, int32_t y) {
    const int32_t sample = static_cast<int32_t>(SampleAt(raw, x, y));
    return raw.BitsPerPixel() == 16 ? (sample >> 4) & 0xFF : sample;
}

}  // namespace

// The raw corrections: the mask filter (which leaves two samples at each edge of a frame that
// spans the sensor alone), the dot filter (the references the programs load flag no sample)
// and the suppression of isolated dots, which reads the Bayer mode as set.
bool SessionModel::CorrectRaw(image::DibImage& raw) const {
    const bool wide = raw.BitsPerPixel() == 16;
    if (Filter(kMaskFilter) != 0) {
        const int32_t margin = window.SpansSensor() ? 2 : 0;
        for (int32_t y = margin; y < raw.Height() - margin; ++y) {
            for (int32_t x = margin; x < raw.Width() - margin; ++x) {
                SetSample(raw, x, y, static_cast<uint32_t>(Normalised(static_cast<int32_t>(SampleAt(raw, x, y)), wide, *this)));
            }
        }
    }
    if (Filter(kDotFilter) != 0) {
        image::mask::ApplyDotFilterReference(raw, image::mask::DefectMarks{}, image::mask::FramePlacement{});
    }
    return image::filters::SuppressIsolatedDotsReference(raw, image::GainRecord{Filter(12), Filter(7), Filter(8), Filter(9)}) >= 0;
}

namespace {

// The demosaic: output pixel (x, y) is the colour at the centre of the block whose
// bottom-right sample is (x, y): green the mean of its two greens, red and blue from their four
// nearest samples weighted 9, 3, 3, 1 and scaled by the gain (128 is unity), clipped. Positions
// outside the frame move four samples inwards.
struct Bgr {
    int32_t blue, green, red;
};

Bgr DemosaicPixel(const image::DibImage& raw, int32_t x, int32_t y, int32_t bayerMode, int32_t redGain, int32_t blueGain) {
    const auto inside = [](int32_t v, int32_t size) { return v < 0 ? v + 4 : v >= size ? v - 4 : v; };
    const auto at = [&](int32_t sx, int32_t sy) {
        return static_cast<int32_t>(SampleAt(raw, inside(sx, raw.Width()), inside(sy, raw.Height())));
    };
    const bool redRight = (x & 1) == kRedColumn[bayerMode];
    const bool redBottom = (y & 1) == kRedRow[bayerMode];
    const int32_t rc = redRight ? x : x - 1, rcFar = redRight ? x - 2 : x + 1;
    const int32_t bc = redRight ? x - 1 : x, bcFar = redRight ? x + 1 : x - 2;
    const int32_t rr = redBottom ? y : y - 1, rrFar = redBottom ? y - 2 : y + 1;
    const int32_t br = redBottom ? y - 1 : y, brFar = redBottom ? y + 1 : y - 2;
    const int64_t redSum = 9 * at(rc, rr) + 3 * at(rcFar, rr) + 3 * at(rc, rrFar) + at(rcFar, rrFar);
    const int64_t blueSum = 9 * at(bc, br) + 3 * at(bcFar, br) + 3 * at(bc, brFar) + at(bcFar, brFar);
    const int64_t top = raw.BitsPerPixel() == 16 ? 0xFFFF : 255;
    const auto scaled = [&](int64_t sum, int32_t gain) {
        return static_cast<int32_t>(std::min((sum * static_cast<int32_t>(gain * 1.28)) >> 11, top));
    };
    return Bgr{scaled(blueSum, blueGain), (at(bc, rr) + at(rc, br)) >> 1, scaled(redSum, redGain)};
}

}  // namespace

void SessionModel::MeasureGrayGains(const image::DibImage& raw) {
    image::filters::GrayRecord record{Filter(12), Filter(20), Filter(21), Filter(22), Filter(23), 0, 0, 0, 0, 12};
    if (image::filters::MeasureGrayGains(raw, record)) {
        filters[20] = record.gainR;
        filters[21] = record.gainG1;
        filters[22] = record.gainG2;
        filters[23] = record.gainB;
    }
}

void SessionModel::SetGlobalGain(int32_t value) {
    globalGain = value;
    for (int32_t index : kColourGainIndices) {
        colourGains[index] = value;
    }
}

namespace {

// Auto iris's regions, as fractions of the raw frame's width and height: left, top, right,
// bottom; the first sets the base factor, the others adjust it in this order.
constexpr double kIrisRegions[5][4] = {
    {0.1, 0.1, 0.2, 0.2}, {0.1, 0.8, 0.2, 0.9}, {0.45, 0.45, 0.55, 0.55}, {0.8, 0.1, 0.9, 0.2}, {0.8, 0.8, 0.9, 0.9}};

// A region's mean level on the 8-bit scale.
int32_t IrisLevel(const image::DibImage& raw, const double (&region)[4]) {
    const int32_t width = raw.Width(), height = raw.Height();
    const int32_t left = static_cast<int32_t>(region[0] * width), top = static_cast<int32_t>(region[1] * height);
    const int32_t right = static_cast<int32_t>(region[2] * width), bottom = static_cast<int32_t>(region[3] * height);
    if (right <= left || bottom <= top) {
        return 0;
    }
    int64_t sum = 0;
    for (int32_t y = top; y < bottom; ++y) {
        for (int32_t x = left; x < right; ++x) {
            sum += EightBit(raw, x, y);
        }
    }
    return static_cast<int32_t>(sum / (int64_t{right - left} * (bottom - top)));
}

// The factor in hundredths: above 200 is too bright, above 160 a little, below 100 too dark.
int32_t IrisFactor(const image::DibImage& raw) {
    int32_t factor = 0;
    for (int region = 0; region < 5; ++region) {
        const int32_t level = IrisLevel(raw, kIrisRegions[region]);
        const int32_t step = level > 200 ? -15 : level > 160 ? -10 : level < 100 ? 5 : 0;
        factor = region == 0 ? 100 + step : factor + step;
    }
    return factor;
}

}  // namespace

void SessionModel::RunAutoIris(const image::DibImage& arrived) {
    if (autoIris != 1 && autoIris != 2) {
        return;
    }
    const int32_t factor = IrisFactor(arrived);
    if (factor > 60 && factor < 120) {
        return;
    }
    const auto clamp = [](int64_t value, int32_t minimum, int32_t maximum) {
        return static_cast<int32_t>(value < minimum ? minimum : value >= maximum ? maximum : value);
    };
    if (autoIris == 2) {
        // The new gain sets the colour gains too; from a gain the model does not know they are
        // not known either.
        if (!globalGain) {
            colourGains.clear();
        } else {
            int64_t value = int64_t{std::max(*globalGain, 4)} * factor / 100;
            if (factor > 100) {
                value = std::max<int64_t>(value, 4);
            }
            SetGlobalGain(clamp(value, limits.gainMin, limits.gainMax));
        }
        return;
    }
    if (exposure) {
        const int64_t value = std::max<int64_t>(static_cast<uint16_t>(int64_t{*exposure} * factor / 100), 1);
        exposure = clamp(value, limits.exposureMin, limits.exposureMax);
    }
}

// Over the whole raw frame, with the colours of the Bayer mode the mirrors leave.
void SessionModel::MeasureWhiteBalance(const image::DibImage& raw) {
    int32_t redGain = Filter(7), blueGain = Filter(9);
    if (image::filters::MeasureWhiteBalance(raw, MirroredBayerMode(Filter(12), mirrorH, mirrorV), redGain, blueGain)) {
        filters[7] = redGain;
        filters[8] = 100;
        filters[9] = blueGain;
    }
}

void SessionModel::ForgetAutoIrisResult() {
    if (autoIris == 1) {
        exposure.reset();
    } else if (autoIris == 2) {
        globalGain.reset();
        colourGains.clear();
    }
}

void SessionModel::Relaunch() {
    for (int32_t index : {kBayerGainAuto, kGrayGainCounter, kDotFilter, kMaskFilter}) {
        SetFilter(index, 0);
    }
    rawHolds[0] = rawHolds[1] = false;
    dark8 = 0;
    bright8 = 255;
    dark16 = 0;
    bright16 = 4095;
}

void SessionModel::SetFilter(int32_t index, int32_t value) {
    filters[index] = value;
}

bool SessionModel::TakeFrame(image::DibImage& expected) {
    const bool monochrome = bits == 8 || bits == 16;
    rawHolds[RawDepth()] = true;
    rawFullSize[RawDepth()] = FrameIsFullSize();
    image::DibImage raw;
    if (!ArrivedFrame(raw)) {
        return false;
    }
    RunAutoIris(raw);
    if (!CorrectRaw(raw)) {
        return false;
    }
    if (!monochrome && Filter(kBayerGainAuto) != 0) {
        MeasureWhiteBalance(raw);
    }
    if (monochrome && Filter(19) == 1 && Filter(kGrayGainCounter) != 0) {
        MeasureGrayGains(raw);
        if (Filter(kGrayGainCounter) > 0) {
            --filters[kGrayGainCounter];
        }
    }
    if (!(monochrome ? MonochromePicture(raw, expected) : ColourPicture(raw, expected))) {
        return false;
    }
    Adjust(expected);
    return true;
}

// Gray mode 1 scales each channel by its gain; gray mode 2 makes an 8-bit frame the luminance
// of its demosaic, read with the Bayer mode of the frame as it arrived.
bool SessionModel::MonochromePicture(image::DibImage& raw, image::DibImage& expected) const {
    const bool wide = bits == 16;
    if (Filter(19) == 1) {
        const image::filters::GrayRecord record{Filter(12), Filter(20), Filter(21), Filter(22), Filter(23), Filter(24),
                                                Filter(25), Filter(26), Filter(27), wide ? 12 : 8};
        if (!image::filters::ApplyGrayGainsReference(raw, record)) {
            return false;
        }
    }
    if (expected.Create(raw.Width(), raw.Height(), raw.BitsPerPixel()) == 0) {
        return false;
    }
    const int32_t mode = MirroredBayerMode(Filter(12), mirrorH, mirrorV);
    for (int32_t y = 0; y < raw.Height(); ++y) {
        for (int32_t x = 0; x < raw.Width(); ++x) {
            uint32_t value = SampleAt(raw, x, y);
            if (!wide && Filter(19) == 2) {
                const Bgr c = DemosaicPixel(raw, x, y, mode, Filter(7), Filter(9));
                value = static_cast<uint32_t>((30 * c.red + 59 * c.green + 11 * c.blue) / 100);
            }
            SetSample(expected, x, y, value);
        }
    }
    return true;
}

bool SessionModel::ColourPicture(const image::DibImage& raw, image::DibImage& expected) const {
    if (expected.Create(raw.Width(), raw.Height(), static_cast<uint16_t>(bits)) == 0) {
        return false;
    }
    const int32_t mode = MirroredBayerMode(Filter(12), mirrorH, mirrorV);
    const int32_t sampleBytes = bits >= 48 ? 2 : 1;
    const int channels = bits == 32 || bits == 64 ? 4 : 3;
    for (int32_t y = 0; y < raw.Height(); ++y) {
        uint8_t* row = static_cast<uint8_t*>(expected.Bits()) + static_cast<ptrdiff_t>(y) * expected.Stride();
        for (int32_t x = 0; x < raw.Width(); ++x) {
            const Bgr c = DemosaicPixel(raw, x, y, mode, Filter(7), Filter(9));
            const int32_t channel[4] = {c.blue, c.green, c.red, 0};
            for (int i = 0; i < channels; ++i) {
                uint8_t* at = row + (static_cast<ptrdiff_t>(x) * channels + i) * sampleBytes;
                const uint16_t word = static_cast<uint16_t>(channel[i]);
                sampleBytes == 2 ? static_cast<void>(std::memcpy(at, &word, 2)) : static_cast<void>(*at = static_cast<uint8_t>(word));
            }
        }
    }
    if (Filter(3) != 0 || Filter(4) != 0) {
        return image::filters::ShiftHueSaturationReference(expected, Filter(3), Filter(4));
    }
    return true;
}

// Each step runs only away from its neutral value (a gamma of 100 through the curve may round
// a sample down).
void SessionModel::Adjust(image::DibImage& expected) const {
    const int32_t gamma = Filter(11), contrast = Filter(2), sharpness = Filter(5), brightness = Filter(1);
    if (gamma != 100) {
        image::filters::ApplyTonesReference(expected, gamma, 0, 0);
    }
    if (contrast != 0) {
        image::filters::ApplyTonesReference(expected, 100, contrast, 0);
    }
    if (sharpness != 0) {
        image::filters::SharpenReference(expected, sharpness);
    }
    if (brightness != 0) {
        image::filters::ApplyTonesReference(expected, 100, 0, brightness);
    }
}

}  // namespace ovilux::test::sweep
