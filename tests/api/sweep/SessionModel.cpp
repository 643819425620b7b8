// SessionModel.cpp - the model's settings and its pictures.
//
// The scene is one colour seen through the sensor's Bayer filter: red on even sensor rows and
// columns, blue on odd ones, green elsewhere. The camera reads the window from its far end when
// it mirrors, so a mirrored frame starts on the other colour of the pair; each 2 x 2 block of a
// raw frame therefore holds the same four samples wherever it lies, and every picture below is
// a function of the samples' parity alone.
#include "api/sweep/SessionModel.h"

#include <algorithm>
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
    const Mosaic mosaic = SceneMosaic(*this, wide);
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

bool SessionModel::TakeFrame(image::DibImage& expected) {
    const bool monochrome = bits == 8 || bits == 16;
    if (monochrome && Filter(19) == 1 && Filter(kGrayGainCounter) != 0) {
        MeasureGrayGains();
        if (Filter(kGrayGainCounter) > 0) {
            --filters[kGrayGainCounter];
        }
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
    const Mosaic mosaic = SceneMosaic(*this, wide);
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
    const Bgr c = DemosaicColour(SceneMosaic(*this, wide), MirroredBayerMode(Filter(12), mirrorH, mirrorV), Filter(7),
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
