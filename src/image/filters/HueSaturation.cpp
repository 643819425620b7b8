// HueSaturation.cpp - the hexcone hue and chroma adjustment with integer tables.
//
// The hue wheel has 1530 steps, six sectors of 255. A pixel is taken apart into its lightness
// L = max + min, chroma d = max - min, sector and position p within it; the chroma is rescaled
// and limited by what the lightness allows, the position moved by the hue shift, and the pixel
// rebuilt as a packed 0xRRGGBB gray plus one channel ramp of its new sector.
//
// The gray and reciprocal tables are fixed and built at compile time; the chroma-scale table
// depends on the saturation and is built per call on the stack (256 entries), so sessions
// working on several threads never share a table that changes under them.
//
// ShiftPixel is the plain form, one pixel with the tables. The fast form works a run of pixels
// laid out as three planes of 32-bit integers with the same arithmetic written without branches
// or table reads, so that the compiler turns it into vector code: the chroma scale is its own
// formula, the reciprocal 0xFF0000 / d a float quotient corrected to the exact integer, and the
// six-row ramp table the choice of one of c', 0, c' - ramp, ramp per channel. Where the
// processor has SSE4.1 or AVX2 the run goes through the same lines written with intrinsics
// (HueRunKernel.inl), the plain loop doing what is left of it; 8-bit pixels then skip the planes
// and are worked in place.
#include "image/filters/HueSaturation.h"

#include <algorithm>
#include <array>

#include "image/filters/FilterSamples.h"
#include "image/filters/HueSaturationSimd.h"

namespace ovilux::image::filters {

namespace {

constexpr int32_t kWheel = 1530;
constexpr int32_t kSector = 255;

constexpr std::array<int32_t, 256> kReciprocal = [] {
    std::array<int32_t, 256> table{};
    for (int32_t d = 1; d < 256; ++d) {
        table[static_cast<size_t>(d)] = 0xFF0000 / d;
    }
    return table;
}();

constexpr uint32_t Gray(int32_t k) { return static_cast<uint32_t>(k) * 0x010101u; }

struct SectorRamp {
    uint32_t mask;
    int32_t step;
};

constexpr std::array<SectorRamp, 6> kRamps = {{
    {0xFF00FF, -1},        // blue falls (magenta to red)
    {0xFF0000, 0x100},     // green rises (red to yellow)
    {0xFFFF00, -0x10000},  // red falls (yellow to green)
    {0x00FF00, 1},         // blue rises (green to cyan)
    {0x00FFFF, -0x100},    // green falls (cyan to blue)
    {0x0000FF, 0x10000},   // red rises (blue to magenta)
}};

using ChromaScale = std::array<int32_t, 256>;

ChromaScale MakeChromaScale(int32_t saturation) {
    ChromaScale table{};
    for (int32_t i = 0; i < 256; ++i) {
        table[static_cast<size_t>(i)] = (i * (saturation + 256) * 256 + 0x8000) >> 16;
    }
    return table;
}

// The hue in degrees as a shift on the 1530-step wheel, in 0 .. 1529.
int32_t HueShift(int32_t hue) {
    const int32_t u = ((hue * 65536 / 360) % 65536 + 65536) % 65536;
    const int32_t x = (u * 6) >> 8;
    int32_t m = x % 512;
    if (m >= 256) {
        m -= 512;
    }
    const int32_t k = ((x + 256) >> 9) % 3;
    int32_t shift = m + 510 * k;
    if (shift < 0) {
        shift += kWheel;
    } else if (shift >= kWheel) {
        shift -= kWheel;
    }
    return shift;
}

// One pixel: blue, green, red in 0 .. 255 in, the packed 0xRRGGBB result out.
inline uint32_t ShiftPixel(int32_t b, int32_t g, int32_t r, const ChromaScale& scale, int32_t shift) {
    const int32_t hi = std::max({r, g, b});
    const int32_t lo = std::min({r, g, b});
    const int32_t lightness = hi + lo;
    const int32_t d = hi - lo;
    int32_t sector;
    int32_t p;
    if (b > r && b > g) {
        sector = 5;
        p = r - g;
    } else if (r >= g) {
        sector = 1;
        p = g - b;
    } else {
        sector = 3;
        p = b - r;
    }
    if (p < 0) {
        sector -= 1;
        p += d;
    }
    const int32_t limit = lightness < 256 ? lightness : 511 - lightness;
    const int32_t c = std::min(limit, scale[static_cast<size_t>(d)]);
    uint32_t pixel = Gray((lightness - c) >> 1);
    if (d != 0) {
        int32_t f = ((p * kReciprocal[static_cast<size_t>(d)] + 0x8000) >> 16) + shift % kSector;
        const int32_t i = (sector + shift / kSector + (f > kSector - 1 ? 1 : 0)) % 6;
        if (f >= kSector) {
            f -= kSector;
        }
        const int32_t chroma = ((lightness + c) >> 1) - ((lightness - c) >> 1);
        const SectorRamp& ramp = kRamps[static_cast<size_t>(i)];
        pixel += (Gray(chroma) & ramp.mask) + static_cast<uint32_t>(((f * chroma + 128) >> 8) * ramp.step);
    }
    return pixel;
}

// Samples of the image's channel width as the 8-bit values the model works on, and back.
template <typename T>
inline int32_t ModelValue(T sample) {
    if constexpr (sizeof(T) == 1) {
        return sample;
    } else {
        return Sample12To8(sample);
    }
}

template <typename T>
inline T SampleValue(uint32_t value) {
    return static_cast<T>(sizeof(T) == 1 ? value & 0xFF : (value & 0xFF) << 4);
}

// The planes never overlap; saying so lets the loop run without alias checks.
OVILUX_FILTER_CLONES
void ShiftRun(const int32_t* __restrict b, const int32_t* __restrict g, const int32_t* __restrict r,
              int32_t* __restrict ob, int32_t* __restrict og, int32_t* __restrict orr, int32_t count,
              int32_t scaleFactor, int32_t shift) {
    const int32_t shiftSectors = shift / kSector;
    const int32_t shiftWithin = shift % kSector;
    for (int32_t k = 0; k < count; ++k) {
        const int32_t blue = b[k], green = g[k], red = r[k];
        const int32_t hi = std::max(std::max(red, green), blue);
        const int32_t lo = std::min(std::min(red, green), blue);
        const int32_t lightness = hi + lo;
        const int32_t d = hi - lo;
        const int32_t blueTop = blue > std::max(red, green);
        const int32_t p0 = blueTop != 0 ? red - green : red >= green ? green - blue : blue - red;
        const int32_t sector = (blueTop != 0 ? 5 : red >= green ? 1 : 3) - (p0 < 0 ? 1 : 0);
        const int32_t p = p0 < 0 ? p0 + d : p0;
        const int32_t limit = lightness < 256 ? lightness : 511 - lightness;
        const int32_t c = std::min(limit, (d * scaleFactor + 0x8000) >> 16);
        const int32_t n = (lightness - c) >> 1;
        // 0xFF0000 / d: the float quotient is never below the true one's integer part and at
        // most one above it, which the product test takes back. A gray pixel (d 0) has chroma 0,
        // which makes its ramp 0 whatever the divisor.
        const int32_t divisor = std::max(d, 1);
        const int32_t estimate = static_cast<int32_t>(static_cast<float>(0xFF0000) / static_cast<float>(divisor));
        const int32_t reciprocal = estimate * divisor > 0xFF0000 ? estimate - 1 : estimate;
        const int32_t f0 = ((p * reciprocal + 0x8000) >> 16) + shiftWithin;
        const int32_t i0 = sector + shiftSectors + (f0 > kSector - 1 ? 1 : 0);
        const int32_t i = i0 >= 6 ? i0 - 6 : i0;
        const int32_t f = f0 >= kSector ? f0 - kSector : f0;
        const int32_t chroma = ((lightness + c) >> 1) - n;
        const int32_t ramp = (f * chroma + 128) >> 8;
        const int32_t fall = chroma - ramp;
        ob[k] = n + (i == 0 ? fall : i <= 2 ? 0 : i == 3 ? ramp : chroma);
        og[k] = n + (i == 0 ? 0 : i == 1 ? ramp : i <= 3 ? chroma : i == 4 ? fall : 0);
        orr[k] = n + (i <= 1 ? chroma : i == 2 ? fall : i <= 4 ? 0 : ramp);
    }
}

// The pixel width is a template argument so that the copies in and out of the planes become
// fixed-stride vector loads and stores.
template <typename T, int32_t ch>
OVILUX_FILTER_CLONES void ShiftImage(const DibImage& image, int32_t saturation, int32_t shift, int32_t first,
                                     int32_t end) {
    constexpr int32_t kRun = 512;
    int32_t planes[6][kRun];
    int32_t* const blue = planes[0];
    int32_t* const green = planes[1];
    int32_t* const red = planes[2];
    const detail::HueRun run{blue, green, red, planes[3], planes[4], planes[5]};
    const detail::HueRunKernel vectorRun = detail::VectorHueRun();
    const detail::HueRowKernel vectorRow = sizeof(T) == 1 ? detail::VectorHueRow8(ch) : nullptr;
    const int32_t scaleFactor = (saturation + 256) * 256;
    for (int32_t y = first; y < end; ++y) {
        T* row = RowOf<T>(image, y);
        int32_t x0 = 0;
        if (vectorRow != nullptr) {
            x0 = vectorRow(reinterpret_cast<uint8_t*>(row), image.Width(), scaleFactor, shift);
        }
        for (; x0 < image.Width(); x0 += kRun) {
            const int32_t count = std::min(kRun, image.Width() - x0);
            T* px = row + static_cast<std::ptrdiff_t>(x0) * ch;
            for (int32_t k = 0; k < count; ++k) {
                blue[k] = ModelValue(px[k * ch]);
                green[k] = ModelValue(px[k * ch + 1]);
                red[k] = ModelValue(px[k * ch + 2]);
            }
            const int32_t done = vectorRun != nullptr ? vectorRun(run, count, scaleFactor, shift) : 0;
            ShiftRun(blue + done, green + done, red + done, run.outBlue + done, run.outGreen + done, run.outRed + done,
                     count - done, scaleFactor, shift);
            for (int32_t k = 0; k < count; ++k) {
                px[k * ch] = SampleValue<T>(static_cast<uint32_t>(run.outBlue[k]));
                px[k * ch + 1] = SampleValue<T>(static_cast<uint32_t>(run.outGreen[k]));
                px[k * ch + 2] = SampleValue<T>(static_cast<uint32_t>(run.outRed[k]));
                if (sizeof(T) == 2 && ch == 4) {
                    px[k * ch + 3] = 0;
                }
            }
        }
    }
}

template <typename T>
void ShiftImagePlain(const DibImage& image, const SampleLayout& layout, const ChromaScale& scale, int32_t shift) {
    const int32_t ch = layout.channels;
    for (int32_t y = 0; y < image.Height(); ++y) {
        T* row = RowOf<T>(image, y);
        for (int32_t x = 0; x < image.Width(); ++x) {
            T* px = row + x * ch;
            const uint32_t packed = ShiftPixel(ModelValue(px[0]), ModelValue(px[1]), ModelValue(px[2]), scale, shift);
            px[0] = SampleValue<T>(packed);
            px[1] = SampleValue<T>(packed >> 8);
            px[2] = SampleValue<T>(packed >> 16);
            if (sizeof(T) == 2 && ch == 4) {
                px[3] = 0;
            }
        }
    }
}

bool Prepare(const DibImage& image, int32_t hue, int32_t saturation, SampleLayout& layout) {
    return LayoutOf(image, true, layout) && hue >= kMinHue && hue <= kMaxHue && saturation >= kMinSaturation &&
           saturation <= kMaxSaturation;
}

}  // namespace

bool ShiftHueSaturation(DibImage& image, int32_t hue, int32_t saturation) {
    return ShiftHueSaturationRows(image, hue, saturation, 0, image.Height());
}

bool ShiftHueSaturationRows(DibImage& image, int32_t hue, int32_t saturation, int32_t firstRow, int32_t endRow) {
    SampleLayout layout{};
    if (!Prepare(image, hue, saturation, layout)) {
        return false;
    }
    if (hue == 0 && saturation == 0) {
        return true;
    }
    const int32_t shift = HueShift(hue);
    const int32_t first = std::max(firstRow, 0);
    const int32_t end = std::min(endRow, image.Height());
    if (layout.sampleBytes == 1) {
        (layout.channels == 3 ? ShiftImage<uint8_t, 3> : ShiftImage<uint8_t, 4>)(image, saturation, shift, first, end);
    } else {
        (layout.channels == 3 ? ShiftImage<uint16_t, 3> : ShiftImage<uint16_t, 4>)(image, saturation, shift, first,
                                                                                   end);
    }
    return true;
}

bool ShiftHueSaturationReference(DibImage& image, int32_t hue, int32_t saturation) {
    SampleLayout layout{};
    if (!Prepare(image, hue, saturation, layout)) {
        return false;
    }
    if (hue == 0 && saturation == 0) {
        return true;
    }
    const ChromaScale scale = MakeChromaScale(saturation);
    if (layout.sampleBytes == 1) {
        ShiftImagePlain<uint8_t>(image, layout, scale, HueShift(hue));
    } else {
        ShiftImagePlain<uint16_t>(image, layout, scale, HueShift(hue));
    }
    return true;
}

}  // namespace ovilux::image::filters
