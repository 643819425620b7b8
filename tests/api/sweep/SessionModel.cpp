// SessionModel.cpp - the model's settings and its pictures.
//
// The scene is one colour seen through the sensor's Bayer filter: red on even sensor rows and
// columns, blue on odd ones, green elsewhere. The camera reads the window from its far end when
// it mirrors, so a mirrored frame starts on the other colour of the pair; each 2 x 2 block of a
// raw frame therefore holds the same four samples wherever it lies, and every picture below is
// a function of the samples' parity alone.
#include "api/sweep/SessionModel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "image/filters/GrayGains.h"
#include "image/filters/HueSaturation.h"
#include "image/filters/Sharpen.h"
#include "image/filters/ToneCurves.h"
#include "support/PictureCheck.h"

namespace ovilux::test::sweep {

const std::map<int32_t, int32_t> kNeutralFilters = {
    {1, 0},    {2, 0},   {3, 0},   {4, 0},   {5, 0},   {7, 100}, {8, 100}, {9, 100}, {10, 0},  {11, 100},
    {12, 1},   {19, 0},  {20, 128}, {21, 128}, {22, 128}, {23, 128}, {24, 0}, {25, 0}, {26, 0}, {27, 0},
    {28, 0},   {102, 0}, {103, 0},
};

namespace {

constexpr int32_t kSensorWidth = 2592;
constexpr int32_t kSensorHeight = 1944;

enum Colour { kR, kG, kB };

// The demosaic's reading of the Bayer mode: the colour of each sample of the top-left block.
constexpr Colour kDemosaicTable[4][2][2] = {
    {{kG, kB}, {kR, kG}}, {{kR, kG}, {kG, kB}}, {{kB, kG}, {kG, kR}}, {{kG, kR}, {kB, kG}}};

// The gray filter's own reading: 0 R, 1 G1, 2 G2, 3 B.
constexpr int kGrayTable[4][2][2] = {{{1, 0}, {3, 2}}, {{3, 2}, {1, 0}}, {{0, 1}, {2, 3}}, {{2, 3}, {0, 1}}};

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

}  // namespace

SessionModel::SessionModel() : filters(kNeutralFilters) {}

bool SessionModel::WindowAccepted(const Window& w) const {
    const int32_t widthStep = 16 << subSample;
    const int32_t heightStep = 2 << (subSample == 0 ? 0 : subSample + 1);
    const int32_t originStep = 2 << (subSample == 0 ? 0 : subSample);
    return w.width >= 320 && w.height >= 8 && w.x >= 0 && w.y >= 0 && w.x + w.width <= kSensorWidth &&
           w.y + w.height <= kSensorHeight && w.width % widthStep == 0 && w.height % heightStep == 0 &&
           w.x % originStep == 0 && w.y % originStep == 0;
}

bool SessionModel::ColourModeAccepted(int32_t wanted) const {
    return wanted == 8 || wanted == 16 || wanted == 24 || wanted == 32 || wanted == 48 || wanted == 64;
}

namespace {

struct Mosaic {
    int32_t sample[2][2];  // by raw row and column parity
};

Mosaic SceneMosaic(const SessionModel& m, bool wide) {
    const int32_t rowFlip = m.mirrorV != 0 ? (m.FrameHeight() - 1) & 1 : 0;
    const int32_t columnFlip = m.mirrorH != 0 ? (m.FrameWidth() - 1) & 1 : 0;
    Mosaic mosaic{};
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            const int sensorRow = (m.window.y + rowFlip + r) & 1;
            const int sensorColumn = (m.window.x + columnFlip + c) & 1;
            const uint8_t value = sensorRow == 0 && sensorColumn == 0 ? m.red
                                  : sensorRow == 1 && sensorColumn == 1 ? m.blue
                                                                        : m.green;
            mosaic.sample[r][c] = wide ? Level12(value) : value;
        }
    }
    return mosaic;
}

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

// The raw frame as the chain's later steps see it: the scene's mosaic through the mask filter
// when that is on.
Mosaic RawMosaic(const SessionModel& m, bool wide) {
    Mosaic mosaic = SceneMosaic(m, wide);
    if (m.filters.at(kMaskFilter) != 0) {
        for (auto& row : mosaic.sample) {
            for (int32_t& sample : row) {
                sample = Normalised(sample, wide, m);
            }
        }
    }
    return mosaic;
}

// Whether the dot filter marks any sample of the mosaic: one that differs from the mean of its
// four neighbours by the threshold or more (the masks stay clear with the references the
// programs load). Frames too small to have samples it looks at are left alone.
bool DotFilterMarks(const Mosaic& mosaic, bool wide, int32_t width, int32_t height) {
    if (width < 9 || height < 9) {
        return false;
    }
    const int32_t threshold = wide ? 480 : 30;
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            const int32_t mean = (2 * mosaic.sample[r][1 - c] + 2 * mosaic.sample[1 - r][c]) >> 2;
            if (std::abs(mosaic.sample[r][c] - mean) >= threshold) {
                return true;
            }
        }
    }
    return false;
}

// The demosaic of a mosaic that repeats every two samples: each output pixel's block holds one
// sample of each parity, and the four same-coloured samples each colour is interpolated from
// share their parity, so the picture is one colour: blue, green, red.
struct Bgr {
    int32_t blue, green, red;
};

Bgr DemosaicColour(const Mosaic& mosaic, int32_t bayerMode, int32_t redGain, int32_t blueGain, bool wide) {
    int32_t reds = 0, blues = 0, greens = 0;
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            const Colour colour = kDemosaicTable[bayerMode][r][c];
            const int32_t value = mosaic.sample[r][c];
            (colour == kR ? reds : colour == kB ? blues : greens) += value;
        }
    }
    const int64_t limit = wide ? 0x8000000 : 0x80000;
    const int32_t top = wide ? 0xFFFF : 255;
    const auto scaled = [&](int32_t value, int32_t gain) {
        const int64_t sum = int64_t{16} * value * static_cast<int32_t>(gain * 1.28);
        return sum >= limit ? top : static_cast<int32_t>(sum >> 11);
    };
    return Bgr{scaled(blues, blueGain), greens >> 1, scaled(reds, redGain)};
}

void PutSample(image::DibImage& image, int32_t x, int32_t y, int channel, int32_t value) {
    uint8_t* row = static_cast<uint8_t*>(image.Bits()) + static_cast<ptrdiff_t>(y) * image.Stride();
    const int bytes = image.BitsPerPixel() == 16 || image.BitsPerPixel() >= 48 ? 2 : 1;
    uint8_t* at = row + static_cast<ptrdiff_t>(x) * image.BytesPerPixel() + channel * bytes;
    if (bytes == 2) {
        const uint16_t word = static_cast<uint16_t>(value);
        std::memcpy(at, &word, 2);
    } else {
        *at = static_cast<uint8_t>(value);
    }
}

}  // namespace

void SessionModel::MeasureGrayGains() {
    const bool wide = bits == 16;
    const Mosaic mosaic = RawMosaic(*this, wide);
    int32_t means[4] = {};
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            const int32_t sample = mosaic.sample[r][c];
            const int32_t byte = wide ? (sample >> 4) & 0xFF : sample;
            if (byte <= 0 || byte >= 255) {
                return;  // a channel without a measurable sample: the gains stay
            }
            means[kGrayTable[Filter(12)][r][c]] = byte;
        }
    }
    const auto gain = [&](int32_t mean) {
        return std::min(255, static_cast<int32_t>(static_cast<float>(means[1]) / static_cast<float>(mean) * 128.0f));
    };
    filters[20] = gain(means[0]);
    filters[21] = 128;
    filters[22] = gain(means[2]);
    filters[23] = gain(means[3]);
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

// A region's level on the 8-bit scale: a 16-bit sample's 12 significant bits read as bits 11
// to 4. The mosaic repeats every two samples, so the mean follows from how many samples of
// each parity the region holds.
int32_t IrisLevel(const Mosaic& mosaic, bool wide, int32_t width, int32_t height, const double (&region)[4]) {
    const int32_t left = static_cast<int32_t>(region[0] * width), top = static_cast<int32_t>(region[1] * height);
    const int32_t right = static_cast<int32_t>(region[2] * width), bottom = static_cast<int32_t>(region[3] * height);
    if (right <= left || bottom <= top) {
        return 0;
    }
    int64_t sum = 0;
    for (int32_t y = top; y < bottom; ++y) {
        for (int32_t x = left; x < right; ++x) {
            const int32_t sample = mosaic.sample[y & 1][x & 1];
            sum += wide ? (sample >> 4) & 0xFF : sample;
        }
    }
    return static_cast<int32_t>(sum / (int64_t{right - left} * (bottom - top)));
}

// The factor in hundredths: above 200 is too bright, above 160 a little, below 100 too dark.
int32_t IrisFactor(const Mosaic& mosaic, bool wide, int32_t width, int32_t height) {
    int32_t factor = 0;
    for (int region = 0; region < 5; ++region) {
        const int32_t level = IrisLevel(mosaic, wide, width, height, kIrisRegions[region]);
        const int32_t step = level > 200 ? -15 : level > 160 ? -10 : level < 100 ? 5 : 0;
        factor = region == 0 ? 100 + step : factor + step;
    }
    return factor;
}

}  // namespace

void SessionModel::RunAutoIris() {
    if (autoIris != 1 && autoIris != 2) {
        return;
    }
    const bool wide = bits == 16 || bits >= 48;
    const int32_t factor = IrisFactor(SceneMosaic(*this, wide), wide, FrameWidth(), FrameHeight());
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

// Over the whole raw frame: the mean of each colour, as the demosaic's table for the Bayer mode
// the mirrors leave names them; red and blue gains bring them to green's.
void SessionModel::MeasureWhiteBalance() {
    const bool wide = bits >= 48;
    const Mosaic mosaic = RawMosaic(*this, wide);
    const int32_t mode = MirroredBayerMode(Filter(12), mirrorH, mirrorV);
    double sums[3] = {};
    int counts[3] = {};
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) {
            const Colour colour = kDemosaicTable[mode][r][c];
            sums[colour] += mosaic.sample[r][c];
            ++counts[colour];
        }
    }
    const double red = sums[kR] / counts[kR], green = sums[kG] / counts[kG], blue = sums[kB] / counts[kB];
    if (red == 0 || green == 0 || blue == 0) {
        return;
    }
    const double s = green + red + blue;
    const auto gain = [&](double mean) { return static_cast<int32_t>(std::min((s / mean / 3) * 100 / (s / green / 3), 400.0)); };
    filters[7] = gain(red);
    filters[8] = 100;
    filters[9] = gain(blue);
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
    unknown.erase(index);
}

bool SessionModel::TakeFrame(image::DibImage& expected) {
    const bool monochrome = bits == 8 || bits == 16;
    const bool wide = bits == 16 || bits >= 48;
    rawHolds[RawDepth()] = true;
    RunAutoIris();
    // A frame the dot filter corrects: what the measurements below make of it is unknown.
    const bool corrected = Filter(kDotFilter) != 0 && DotFilterMarks(RawMosaic(*this, wide), wide, FrameWidth(), FrameHeight());
    if (!monochrome && Filter(kBayerGainAuto) != 0) {
        if (corrected) {
            unknown.insert({7, 8, 9});
        } else {
            MeasureWhiteBalance();
            unknown.erase(7);
            unknown.erase(8);
            unknown.erase(9);
        }
    }
    if (monochrome && Filter(19) == 1 && (Filter(kGrayGainCounter) != 0 || Unknown(kGrayGainCounter))) {
        if (corrected || Unknown(kGrayGainCounter)) {
            unknown.insert({20, 21, 22, 23, kGrayGainCounter});
        } else {
            MeasureGrayGains();
            if (Filter(kGrayGainCounter) > 0) {
                --filters[kGrayGainCounter];
            }
        }
    }
    pictureKnown_ = !corrected && unknown.empty();
    if (!pictureKnown_) {
        return true;
    }
    if (expected.Create(FrameWidth(), FrameHeight(), static_cast<uint16_t>(bits)) == 0) {
        return false;
    }
    if (!(monochrome ? MonochromePicture(expected) : ColourPicture(expected))) {
        return false;
    }
    Adjust(expected);
    return true;
}

bool SessionModel::MonochromePicture(image::DibImage& expected) const {
    const bool wide = bits == 16;
    const Mosaic mosaic = RawMosaic(*this, wide);
    int32_t luminance = -1;
    if (!wide && Filter(19) == 2) {
        const Bgr c = DemosaicColour(mosaic, MirroredBayerMode(Filter(12), mirrorH, mirrorV), Filter(7), Filter(9), false);
        luminance = (30 * c.red + 59 * c.green + 11 * c.blue) / 100;
    }
    for (int32_t y = 0; y < expected.Height(); ++y) {
        for (int32_t x = 0; x < expected.Width(); ++x) {
            PutSample(expected, x, y, 0, luminance >= 0 ? luminance : mosaic.sample[y & 1][x & 1]);
        }
    }
    if (Filter(19) == 1) {
        const image::filters::GrayRecord record{Filter(12), Filter(20), Filter(21), Filter(22), Filter(23), Filter(24),
                                                Filter(25), Filter(26), Filter(27), wide ? 12 : 8};
        return image::filters::ApplyGrayGainsReference(expected, record);
    }
    return true;
}

bool SessionModel::ColourPicture(image::DibImage& expected) const {
    const bool wide = bits >= 48;
    const Bgr c = DemosaicColour(RawMosaic(*this, wide), MirroredBayerMode(Filter(12), mirrorH, mirrorV), Filter(7),
                                 Filter(9), wide);
    const int channels = bits == 32 || bits == 64 ? 4 : 3;
    for (int32_t y = 0; y < expected.Height(); ++y) {
        for (int32_t x = 0; x < expected.Width(); ++x) {
            PutSample(expected, x, y, 0, c.blue);
            PutSample(expected, x, y, 1, c.green);
            PutSample(expected, x, y, 2, c.red);
            if (channels == 4) {
                PutSample(expected, x, y, 3, 0);
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
