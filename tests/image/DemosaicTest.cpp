// Demosaic against a reference written straight from the rule: every pixel, random images, the
// four Bayer modes, both depths and output layouts, odd and smallest sizes, clipping, and the
// fourth byte or word and row padding left as they were.
#include <gtest/gtest.h>

#include <cstdint>
#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "image/Demosaic.h"
#include "image/DibImage.h"
#include "EveryVectorIsa.h"

using namespace ovilux::image;
using ovilux::image::test::ForEveryVectorIsa;

namespace {

// The colour table of the Bayer modes: [mode][row parity][column parity].
const char* const kPattern[4][2] = {{"GB", "RG"}, {"RG", "GB"}, {"BG", "GR"}, {"GR", "BG"}};

// A raw image with its own stride (larger than the packed row) and a destination the same way.
template <typename T>
struct Raw {
    int width, height, stride;  // stride in samples
    std::vector<T> samples;
    T At(int x, int y) const { return samples[static_cast<size_t>(y) * stride + x]; }
};

template <typename T>
Raw<T> RandomRaw(int width, int height, std::mt19937& rng, uint32_t maxValue) {
    Raw<T> raw{width, height, width + 3, {}};
    raw.samples.resize(static_cast<size_t>(raw.stride) * height);
    std::uniform_int_distribution<uint32_t> value(0, maxValue);
    for (auto& s : raw.samples) {
        s = static_cast<T>(value(rng));
    }
    return raw;
}

int Outside(int p, int size) {
    if (p < 0) return p + 4;
    if (p >= size) return p - 4;
    return p;
}

// The expected blue, green, red of output pixel (x, y), from the rule as written.
template <typename T>
std::array<uint32_t, 3> Expected(const Raw<T>& raw, int mode, int redGain, int blueGain, int x, int y) {
    const uint32_t maxValue = sizeof(T) == 1 ? 255 : 0xFFFF;
    const int64_t clipAt = sizeof(T) == 1 ? 0x80000 : 0x8000000;
    auto sample = [&](int c, int r) { return static_cast<int64_t>(raw.At(Outside(c, raw.width), Outside(r, raw.height))); };
    int64_t greens = 0;
    std::array<uint32_t, 3> result{};
    for (int r = y - 1; r <= y; ++r) {
        for (int c = x - 1; c <= x; ++c) {
            const char colour = kPattern[mode][r & 1][c & 1];
            if (colour == 'G') {
                greens += sample(c, r);
                continue;
            }
            // Neighbours two pixels away on the side of the block centre (x - 0.5, y - 0.5).
            const int hc = 2 * c < 2 * x - 1 ? c + 2 : c - 2;
            const int vr = 2 * r < 2 * y - 1 ? r + 2 : r - 2;
            const int64_t weighted = 9 * sample(c, r) + 3 * sample(hc, r) + 3 * sample(c, vr) + sample(hc, vr);
            const int64_t factor = static_cast<int64_t>((colour == 'R' ? redGain : blueGain) * 1.28);
            const int64_t value = weighted * factor;
            result[colour == 'B' ? 0 : 2] = value >= clipAt ? maxValue : static_cast<uint32_t>(value >> 11);
        }
    }
    result[1] = static_cast<uint32_t>(greens >> 1);
    return result;
}

template <typename T>
struct Output {
    int channels, stride;  // in samples
    std::vector<T> samples;
};

template <typename T>
Output<T> Prefilled(int width, int height, int channels, std::mt19937& rng) {
    Output<T> out{channels, width * channels + 5, {}};
    out.samples.resize(static_cast<size_t>(out.stride) * height);
    for (auto& s : out.samples) {
        s = static_cast<T>(rng());
    }
    return out;
}

template <typename T>
int RunBoth(const Raw<T>& raw, Output<T>& out, GainRecord gains) {
    using Fn = int (*)(void*, const void*, const ImageRect&, int32_t, int32_t, uint16_t, uint16_t, int32_t, int32_t, void*,
                       void*);
    const Fn inner = sizeof(T) == 1 ? DemosaicInner8 : DemosaicInner16;
    const Fn border = sizeof(T) == 1 ? DemosaicBorder8 : DemosaicBorder16;
    const ImageRect rect{0, 0, raw.width, raw.height};
    const auto dstBytes = static_cast<uint16_t>(out.channels * sizeof(T));
    const int32_t dstStride = static_cast<int32_t>(out.stride * sizeof(T));
    const int32_t srcStride = static_cast<int32_t>(raw.stride * sizeof(T));
    const int a = inner(out.samples.data(), raw.samples.data(), rect, 0, 0, dstBytes, sizeof(T), dstStride, srcStride, &gains,
                        nullptr);
    const int b = border(out.samples.data(), raw.samples.data(), rect, 0, 0, dstBytes, sizeof(T), dstStride, srcStride, &gains,
                         nullptr);
    return a == 1 && b == 1 ? 1 : 0;
}

template <typename T>
void CheckAgainstReference(int width, int height, int channels, int mode, int redGain, int blueGain, std::mt19937& rng) {
    const uint32_t maxValue = sizeof(T) == 1 ? 255 : 0xFFFF;
    const Raw<T> raw = RandomRaw<T>(width, height, rng, maxValue);
    Output<T> out = Prefilled<T>(width, height, channels, rng);
    const Output<T> before = out;
    ASSERT_EQ(RunBoth(raw, out, GainRecord{mode, redGain, 100, blueGain}), 1);
    for (int y = 0; y < height; ++y) {
        const size_t at = static_cast<size_t>(y) * out.stride;
        for (int k = width * channels; k < out.stride; ++k) {
            ASSERT_EQ(out.samples[at + k], before.samples[at + k]) << "row padding touched in row " << y;
        }
        for (int x = 0; x < width; ++x) {
            const auto expected = Expected(raw, mode, redGain, blueGain, x, y);
            for (int c = 0; c < 3; ++c) {
                ASSERT_EQ(out.samples[at + x * channels + c], expected[c])
                    << "pixel (" << x << ", " << y << ") channel " << c << " of " << width << " x " << height << " mode "
                    << mode << " gains " << redGain << "/" << blueGain;
            }
            if (channels == 4) {
                ASSERT_EQ(out.samples[at + x * 4 + 3], before.samples[at + x * 4 + 3]) << "fourth channel written";
            }
        }
    }
}

const int kSizes[] = {4, 5, 6, 7, 8, 11, 34};

}  // namespace

TEST(Demosaic, EightBitMatchesReferenceForEveryModeSizeAndLayout) {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> gain(0, 400);
    for (int mode = 0; mode < 4; ++mode) {
        for (int width : kSizes) {
            for (int height : kSizes) {
                for (int channels : {3, 4}) {
                    CheckAgainstReference<uint8_t>(width, height, channels, mode, gain(rng), gain(rng), rng);
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

TEST(Demosaic, SixteenBitMatchesReferenceForEveryModeSizeAndLayout) {
    std::mt19937 rng(2);
    std::uniform_int_distribution<int> gain(0, 400);
    for (int mode = 0; mode < 4; ++mode) {
        for (int width : kSizes) {
            for (int height : kSizes) {
                for (int channels : {3, 4}) {
                    CheckAgainstReference<uint16_t>(width, height, channels, mode, gain(rng), gain(rng), rng);
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

TEST(Demosaic, EveryInstructionSetMatchesTheReference) {
    // Wide rows run through the vector blocks and leave tails of every length to the plain loop.
    std::mt19937 rng(3);
    ForEveryVectorIsa([&] {
        for (int mode = 0; mode < 4; ++mode) {
            for (int channels : {3, 4}) {
                for (int width : {37, 70, 259}) {
                    CheckAgainstReference<uint8_t>(width, 5, channels, mode, 137, 263, rng);
                    CheckAgainstReference<uint16_t>(width + 1, 6, channels, mode, 400, 100, rng);
                    if (::testing::Test::HasFatalFailure()) {
                        return;
                    }
                }
            }
        }
    });
}

TEST(Demosaic, UnityGainKeepsFlatGrayAndLargeGainsClipExactly) {
    std::mt19937 rng(4);
    for (int level = 0; level < 256; level += 17) {
        Raw<uint8_t> raw{8, 6, 8, std::vector<uint8_t>(48, static_cast<uint8_t>(level))};
        Output<uint8_t> out = Prefilled<uint8_t>(8, 6, 3, rng);
        ASSERT_EQ(RunBoth(raw, out, GainRecord{1, 100, 100, 100}), 1);
        for (int y = 0; y < 6; ++y) {
            for (int k = 0; k < 24; ++k) {
                EXPECT_EQ(out.samples[y * out.stride + k], level);
            }
        }
    }
    // 16 x 128 x 256 is exactly 0x80000: the first value that clips. One step of gain less does not.
    Raw<uint8_t> mid{6, 6, 6, std::vector<uint8_t>(36, 128)};
    Output<uint8_t> out8 = Prefilled<uint8_t>(6, 6, 3, rng);
    ASSERT_EQ(RunBoth(mid, out8, GainRecord{0, 200, 100, 199}), 1);
    EXPECT_EQ(out8.samples[2 * out8.stride + 6 + 2], 255);  // red, factor 256
    EXPECT_EQ(out8.samples[2 * out8.stride + 6 + 0], 254);  // blue, factor 254
    Raw<uint16_t> mid16{6, 6, 6, std::vector<uint16_t>(36, 0x8000)};
    Output<uint16_t> out16 = Prefilled<uint16_t>(6, 6, 4, rng);
    ASSERT_EQ(RunBoth(mid16, out16, GainRecord{3, 199, 100, 200}), 1);
    EXPECT_EQ(out16.samples[3 * out16.stride + 8 + 0], 0xFFFF);  // blue
    EXPECT_EQ(out16.samples[3 * out16.stride + 8 + 2], 65024);   // red
    EXPECT_EQ(out16.samples[3 * out16.stride + 8 + 1], 0x8000);  // green never clips
    // Full-scale samples with the largest gain clip on every pixel, border included.
    Raw<uint16_t> bright{5, 5, 5, std::vector<uint16_t>(25, 0xFFFF)};
    Output<uint16_t> outBright = Prefilled<uint16_t>(5, 5, 3, rng);
    ASSERT_EQ(RunBoth(bright, outBright, GainRecord{2, 400, 100, 400}), 1);
    for (int y = 0; y < 5; ++y) {
        for (int k = 0; k < 15; ++k) {
            EXPECT_EQ(outBright.samples[y * outBright.stride + k], 0xFFFF);
        }
    }
}

TEST(Demosaic, GainsOutsideTheirRangeAreHeldToIt) {
    std::mt19937 rng(5);
    Raw<uint16_t> raw = RandomRaw<uint16_t>(9, 7, rng, 0xFFFF);
    Output<uint16_t> clamped = Prefilled<uint16_t>(9, 7, 3, rng);
    Output<uint16_t> wild = clamped;
    ASSERT_EQ(RunBoth(raw, clamped, GainRecord{0, 400, 100, 0}), 1);
    ASSERT_EQ(RunBoth(raw, wild, GainRecord{0, 100000, 100, -50}), 1);
    EXPECT_EQ(clamped.samples, wild.samples);
}

TEST(Demosaic, RefusesWhatItCannotComputeAndWritesNothing) {
    std::mt19937 rng(6);
    const Raw<uint8_t> raw = RandomRaw<uint8_t>(8, 8, rng, 255);
    Output<uint8_t> out = Prefilled<uint8_t>(8, 8, 3, rng);
    const Output<uint8_t> before = out;
    GainRecord gains{0, 100, 100, 100};
    const int32_t dstStride = out.stride, srcStride = raw.stride;
    auto inner = [&](ImageRect r, uint16_t dstBytes, uint16_t srcBytes, void* p) {
        return DemosaicInner8(out.samples.data(), raw.samples.data(), r, 0, 0, dstBytes, srcBytes, dstStride, srcStride, p,
                              nullptr);
    };
    auto border = [&](ImageRect r, uint16_t dstBytes, uint16_t srcBytes, void* p) {
        return DemosaicBorder8(out.samples.data(), raw.samples.data(), r, 0, 0, dstBytes, srcBytes, dstStride, srcStride, p,
                               nullptr);
    };
    const ImageRect whole{0, 0, 8, 8};
    EXPECT_EQ(inner(whole, 3, 1, nullptr), 0);
    EXPECT_EQ(border(whole, 3, 1, nullptr), 0);
    GainRecord badMode{4, 100, 100, 100};
    EXPECT_EQ(inner(whole, 3, 1, &badMode), 0);
    badMode.bayerMode = -1;
    EXPECT_EQ(border(whole, 3, 1, &badMode), 0);
    EXPECT_EQ(border(ImageRect{0, 0, 3, 8}, 3, 1, &gains), 0);  // narrower than two Bayer periods
    EXPECT_EQ(border(ImageRect{0, 0, 8, 3}, 3, 1, &gains), 0);
    EXPECT_EQ(inner(whole, 6, 1, &gains), 0);  // 8-bit samples into 48-bit pixels
    EXPECT_EQ(inner(whole, 3, 2, &gains), 0);
    EXPECT_EQ(DemosaicInner16(out.samples.data(), raw.samples.data(), whole, 0, 0, 3, 1, dstStride, srcStride, &gains,
                              nullptr),
              0);
    std::vector<uint8_t> same = raw.samples;
    EXPECT_EQ(DemosaicInner8(same.data(), same.data(), whole, 0, 0, 3, 1, srcStride, srcStride, &gains, nullptr), 0);
    EXPECT_EQ(same, raw.samples);  // onto its own source
    EXPECT_EQ(out.samples, before.samples);
}

TEST(Demosaic, RunsThroughConvertBlitOnImages) {
    // The pipeline's path: whole images, 8-bit raw into a 32-bit colour buffer that is new (zero).
    std::mt19937 rng(7);
    DibImage rawImage, colour;
    ASSERT_EQ(rawImage.Create(10, 7, 8), 1);
    ASSERT_EQ(colour.Create(10, 7, 32), 1);
    Raw<uint8_t> raw{10, 7, rawImage.Stride(), {}};
    raw.samples.resize(static_cast<size_t>(raw.stride) * 7);
    for (auto& s : raw.samples) s = static_cast<uint8_t>(rng());
    std::memcpy(rawImage.Bits(), raw.samples.data(), raw.samples.size());
    GainRecord gains{2, 150, 100, 75};
    ASSERT_EQ(DibImage::ConvertBlit(&colour, DemosaicInner8, &rawImage, nullptr, &gains, nullptr), 1);
    ASSERT_EQ(DibImage::ConvertBlit(&colour, DemosaicBorder8, &rawImage, nullptr, &gains, nullptr), 1);
    const auto* pixels = static_cast<const uint8_t*>(colour.Bits());
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 10; ++x) {
            const auto expected = Expected(raw, 2, 150, 75, x, y);
            const uint8_t* p = pixels + y * colour.Stride() + x * 4;
            EXPECT_EQ(p[0], expected[0]);
            EXPECT_EQ(p[1], expected[1]);
            EXPECT_EQ(p[2], expected[2]);
            EXPECT_EQ(p[3], 0) << "fourth byte of a new buffer stays 0";
        }
    }
}
