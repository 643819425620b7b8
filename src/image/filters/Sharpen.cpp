// Sharpen.cpp - unsharp masking, the plain form and the separable one.
//
// The separable form sums each row's four-sample windows once (row sums), then adds four row
// sums per output sample (column sums). Row sums are taken before the row is changed, and a
// row is changed only after the last block that reads it below has been summed, so a ring of
// four row-sum lines stands in for the copy of the image. On the 12-bit scale a block sums to
// at most 16 x 4095 = 65520, so every sum fits 16 bits and the loops vectorise on 16-bit lanes.
#include "image/filters/Sharpen.h"

#include <algorithm>
#include <array>
#include <vector>

#include "image/filters/FilterSamples.h"

namespace ovilux::image::filters {

namespace {

constexpr int32_t kBlock = 4;
constexpr int32_t kMargin = 2;  // the block reaches 2 samples back and 1 forward

bool Prepare(const DibImage& image, int32_t sharpness, SampleLayout& layout) {
    return LayoutOf(image, false, layout) && sharpness >= 0 && sharpness <= kMaxSharpness;
}

bool HasInterior(const DibImage& image) { return image.Width() > 2 * kMargin && image.Height() > 2 * kMargin; }

// old + trunc(s x d / 10), clipped; the division truncates toward zero like the table's.
inline int32_t Sharpened(int32_t old, int32_t blur, int32_t sharpness, int32_t max) {
    return std::clamp(old + sharpness * (old - blur) / 10, 0, max);
}

template <typename T>
OVILUX_FILTER_CLONES void SharpenFast(const DibImage& image, const SampleLayout& layout, int32_t sharpness) {
    const int32_t ch = layout.channels;
    const int32_t first = kMargin * ch;                          // first interior sample of a row
    const int32_t count = (image.Width() - 2 * kMargin) * ch;    // interior samples of a row
    const int32_t max = layout.max;
    std::array<std::vector<uint16_t>, kBlock> sums;
    for (auto& line : sums) {
        line.resize(static_cast<size_t>(count));
    }
    std::vector<uint16_t> result(static_cast<size_t>(count));
    auto sumRow = [&](int32_t y, std::vector<uint16_t>& line) {
        const T* row = RowOf<T>(image, y) + first;
        uint16_t* out = line.data();
        for (int32_t i = 0; i < count; ++i) {
            out[i] = static_cast<uint16_t>(ReadSample(row[i - 2 * ch]) + ReadSample(row[i - ch]) + ReadSample(row[i]) +
                                           ReadSample(row[i + ch]));
        }
    };
    for (int32_t y = 0; y < kBlock - 1; ++y) {
        sumRow(y, sums[static_cast<size_t>(y)]);
    }
    for (int32_t y = kMargin; y < image.Height() - kMargin; ++y) {
        sumRow(y + 1, sums[static_cast<size_t>((y + 1) % kBlock)]);
        const uint16_t* s0 = sums[0].data();
        const uint16_t* s1 = sums[1].data();
        const uint16_t* s2 = sums[2].data();
        const uint16_t* s3 = sums[3].data();
        T* row = RowOf<T>(image, y) + first;
        uint16_t* out = result.data();
        for (int32_t i = 0; i < count; ++i) {
            const int32_t blur = static_cast<uint16_t>(s0[i] + s1[i] + s2[i] + s3[i]) >> 4;
            out[i] = static_cast<uint16_t>(Sharpened(ReadSample(row[i]), blur, sharpness, max));
        }
        for (int32_t i = 0; i < count; ++i) {
            if (ch != 4 || i % 4 != 3) {
                row[i] = static_cast<T>(out[i]);
            }
        }
    }
}

template <typename T>
void SharpenPlain(const DibImage& image, const SampleLayout& layout, int32_t sharpness) {
    const int32_t max = layout.max;
    const int32_t ch = layout.channels;
    std::vector<int32_t> copy(static_cast<size_t>(image.Width()) * image.Height() * ch);
    auto at = [&](int32_t x, int32_t y, int32_t c) -> int32_t& {
        return copy[(static_cast<size_t>(y) * image.Width() + x) * ch + c];
    };
    for (int32_t y = 0; y < image.Height(); ++y) {
        for (int32_t x = 0; x < image.Width() * ch; ++x) {
            at(x / ch, y, x % ch) = ReadSample(RowOf<T>(image, y)[x]);
        }
    }
    std::vector<int32_t> differences(2 * static_cast<size_t>(max) + 1);
    for (int32_t d = -max; d <= max; ++d) {
        differences[static_cast<size_t>(d + max)] = sharpness * d / 10;
    }
    for (int32_t y = kMargin; y <= image.Height() - 3; ++y) {
        for (int32_t x = kMargin; x <= image.Width() - 3; ++x) {
            for (int32_t c = 0; c < layout.colourChannels; ++c) {
                int32_t sum = 0;
                for (int32_t by = y - 2; by <= y + 1; ++by) {
                    for (int32_t bx = x - 2; bx <= x + 1; ++bx) {
                        sum += at(bx, by, c);
                    }
                }
                const int32_t old = at(x, y, c);
                const int32_t value = old + differences[static_cast<size_t>(old - (sum >> 4) + max)];
                RowOf<T>(image, y)[x * ch + c] = static_cast<T>(std::clamp(value, 0, max));
            }
        }
    }
}

}  // namespace

bool Sharpen(DibImage& image, int32_t sharpness) {
    SampleLayout layout{};
    if (!Prepare(image, sharpness, layout)) {
        return false;
    }
    if (sharpness != 0 && HasInterior(image)) {
        if (layout.sampleBytes == 1) {
            SharpenFast<uint8_t>(image, layout, sharpness);
        } else {
            SharpenFast<uint16_t>(image, layout, sharpness);
        }
    }
    return true;
}

bool SharpenReference(DibImage& image, int32_t sharpness) {
    SampleLayout layout{};
    if (!Prepare(image, sharpness, layout)) {
        return false;
    }
    if (sharpness != 0 && HasInterior(image)) {
        if (layout.sampleBytes == 1) {
            SharpenPlain<uint8_t>(image, layout, sharpness);
        } else {
            SharpenPlain<uint16_t>(image, layout, sharpness);
        }
    }
    return true;
}

}  // namespace ovilux::image::filters
