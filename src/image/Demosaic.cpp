// Demosaic.cpp - the demosaic kernels.
//
// Every output pixel needs the same arithmetic; only which neighbour is red or blue depends on
// the Bayer phase of its column and row. The inner pass therefore fixes the row's phase once
// per row (which raw rows hold the red and blue samples and their far neighbours) and walks
// the row two pixels at a time, starting on a red column, so that the phase of each pixel in
// the pair is known at compile time and the loop body has no branches. Red (and blue) are
// built separably: v = 3 x near row + far row per column, then 3 x v(near) + v(far), which is
// the 9, 3, 3, 1 weighting. Where the processor has them, vector forms of the pair loop
// (DemosaicSimd.cpp) take the row in whole blocks first. The few pixels that do not fit the
// pairs, and the border, go through the per-pixel form, which moves outside positions back
// into the image.
#include "image/Demosaic.h"

#include <algorithm>
#include <type_traits>

#include "image/BayerMode.h"
#include "image/ConverterSupport.h"
#include "image/DemosaicSimd.h"
#include "image/ImageLimits.h"

namespace ovilux::image {

namespace {

struct Setup {
    int32_t redColumn;  // parity of the red columns, counted from the rectangle's left
    int32_t redRow;     // parity of the red rows, counted from the rectangle's top
    uint32_t redFactor;
    uint32_t blueFactor;
    detail::DemosaicRowKernel vectorRow;  // the vector form of the pair loop, when there is one
};

uint32_t GainFactor(int32_t gain) {
    // Unity is 128; the product is taken in double so that 100 % gives exactly 128.
    return static_cast<uint32_t>(std::clamp(gain, 0, kMaxBayerGain) * 1.28);
}

// The rectangle's own origin may sit on any phase of the pattern, which is fixed to memory.
bool DecodeSetup(const void* parameter, const ImageRect& r, Setup* setup) {
    if (parameter == nullptr) {
        return false;
    }
    const GainRecord& gains = *static_cast<const GainRecord*>(parameter);
    if (!IsValidBayerMode(gains.bayerMode)) {
        return false;
    }
    const RedPhase red = RedPhaseOf(gains.bayerMode);
    setup->redColumn = (red.column + r.left) & 1;
    setup->redRow = (red.row + r.top) & 1;
    setup->redFactor = GainFactor(gains.redGain);
    setup->blueFactor = GainFactor(gains.blueGain);
    setup->vectorRow = nullptr;
    return true;
}

template <typename T>
struct Images {
    const uint8_t* src;
    int32_t srcStride;
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
    uint8_t* dst;
    int32_t dstStride;
    int32_t dstX;
    int32_t dstY;

    const T* SourceRow(int32_t y) const {
        return reinterpret_cast<const T*>(src + static_cast<ptrdiff_t>(top + y) * srcStride) + left;
    }
};

// (weighted sum x factor) / 2048, clipped to the sample maximum: a quotient of 256 (65536) or
// more means the intermediate reached 0x80000 (0x8000000).
template <typename T>
inline T Scaled(uint32_t weightedSum, uint32_t factor) {
    constexpr uint32_t kMax = (1u << (8 * sizeof(T))) - 1;
    return static_cast<T>(std::min((weightedSum * factor) >> 11, kMax));
}

// Positions outside the image move two Bayer periods inwards.
inline int32_t Inside(int32_t p, int32_t size) { return p < 0 ? p + 4 : (p >= size ? p - 4 : p); }

template <typename T, int Channels>
void DemosaicPixel(const Images<T>& im, const Setup& s, int32_t x, int32_t y) {
    const bool redRight = (x & 1) == s.redColumn;  // red in the block's right column
    const bool redBottom = (y & 1) == s.redRow;    // red in the block's bottom row
    const int32_t rc = Inside(redRight ? x : x - 1, im.width);
    const int32_t rcFar = Inside(redRight ? x - 2 : x + 1, im.width);
    const int32_t bc = Inside(redRight ? x - 1 : x, im.width);
    const int32_t bcFar = Inside(redRight ? x + 1 : x - 2, im.width);
    const T* rRow = im.SourceRow(Inside(redBottom ? y : y - 1, im.height));
    const T* rFar = im.SourceRow(Inside(redBottom ? y - 2 : y + 1, im.height));
    const T* bRow = im.SourceRow(Inside(redBottom ? y - 1 : y, im.height));
    const T* bFar = im.SourceRow(Inside(redBottom ? y + 1 : y - 2, im.height));
    const uint32_t red = 9u * rRow[rc] + 3u * rRow[rcFar] + 3u * rFar[rc] + rFar[rcFar];
    const uint32_t blue = 9u * bRow[bc] + 3u * bRow[bcFar] + 3u * bFar[bc] + bFar[bcFar];
    T* out = reinterpret_cast<T*>(im.dst + static_cast<ptrdiff_t>(im.dstY + y) * im.dstStride) +
             static_cast<ptrdiff_t>(im.dstX + x) * Channels;
    out[0] = Scaled<T>(blue, s.blueFactor);
    out[1] = static_cast<T>((uint32_t{rRow[bc]} + bRow[rc]) >> 1);
    out[2] = Scaled<T>(red, s.redFactor);
}

// One interior row, x = 2 .. width - 3.
template <typename T, int Channels>
void InnerRow(const Images<T>& im, const Setup& s, int32_t y) {
    const bool redBottom = (y & 1) == s.redRow;
    const T* __restrict rRow = im.SourceRow(redBottom ? y : y - 1);
    const T* __restrict rFar = im.SourceRow(redBottom ? y - 2 : y + 1);
    const T* __restrict bRow = im.SourceRow(redBottom ? y - 1 : y);
    const T* __restrict bFar = im.SourceRow(redBottom ? y + 1 : y - 2);
    T* __restrict out = reinterpret_cast<T*>(im.dst + static_cast<ptrdiff_t>(im.dstY + y) * im.dstStride) +
                        static_cast<ptrdiff_t>(im.dstX) * Channels;
    const uint32_t redFactor = s.redFactor, blueFactor = s.blueFactor;
    const int32_t end = im.width - 2;
    int32_t x = 2;
    if ((x & 1) != s.redColumn) {
        DemosaicPixel<T, Channels>(im, s, x, y);
        ++x;
    }
    if (s.vectorRow != nullptr) {
        const detail::DemosaicRows rows{reinterpret_cast<const uint8_t*>(rRow), reinterpret_cast<const uint8_t*>(rFar),
                                        reinterpret_cast<const uint8_t*>(bRow), reinterpret_cast<const uint8_t*>(bFar),
                                        reinterpret_cast<uint8_t*>(out)};
        x = s.vectorRow(rows, x, end, redFactor, blueFactor);
    }
    // x is a red column: pixel x has red at x (far x - 2) and blue at x - 1 (far x + 1);
    // pixel x + 1 has red at x (far x + 2) and blue at x + 1 (far x - 1).
    for (; x + 1 < end; x += 2) {
        const uint32_t vr = 3u * rRow[x] + rFar[x];
        const uint32_t vrLeft = 3u * rRow[x - 2] + rFar[x - 2];
        const uint32_t vrRight = 3u * rRow[x + 2] + rFar[x + 2];
        const uint32_t vbLeft = 3u * bRow[x - 1] + bFar[x - 1];
        const uint32_t vbRight = 3u * bRow[x + 1] + bFar[x + 1];
        T* p = out + static_cast<ptrdiff_t>(x) * Channels;
        p[0] = Scaled<T>(3u * vbLeft + vbRight, blueFactor);
        p[1] = static_cast<T>((uint32_t{rRow[x - 1]} + bRow[x]) >> 1);
        p[2] = Scaled<T>(3u * vr + vrLeft, redFactor);
        p[Channels + 0] = Scaled<T>(3u * vbRight + vbLeft, blueFactor);
        p[Channels + 1] = static_cast<T>((uint32_t{rRow[x + 1]} + bRow[x]) >> 1);
        p[Channels + 2] = Scaled<T>(3u * vr + vrRight, redFactor);
    }
    if (x < end) {
        DemosaicPixel<T, Channels>(im, s, x, y);
    }
}

template <typename T, int Channels>
void InnerPass(const Images<T>& im, const Setup& s) {
    for (int32_t y = 2; y < im.height - 2; ++y) {
        InnerRow<T, Channels>(im, s, y);
    }
}

template <typename T>
bool IsBorderRow(const Images<T>& im, int32_t y) { return y < 2 || y >= im.height - 2; }

// The pixels of row y that the border pass writes.
template <typename T, int Channels>
void BorderOfRow(const Images<T>& im, const Setup& s, int32_t y) {
    const bool fullRow = IsBorderRow(im, y);
    for (int32_t x = 0; x < im.width; ++x) {
        if (!fullRow && x == 2) {
            x = std::max(x, im.width - 2);  // skip the interior of the row
        }
        DemosaicPixel<T, Channels>(im, s, x, y);
    }
}

template <typename T, int Channels>
void BorderPass(const Images<T>& im, const Setup& s) {
    for (int32_t y = 0; y < im.height; ++y) {
        BorderOfRow<T, Channels>(im, s, y);
    }
}

// Both passes over rows first .. end - 1.
template <typename T, int Channels>
void RowBand(const Images<T>& im, const Setup& s, int32_t first, int32_t end) {
    for (int32_t y = first; y < end; ++y) {
        BorderOfRow<T, Channels>(im, s, y);
        if (!IsBorderRow(im, y)) {
            InnerRow<T, Channels>(im, s, y);
        }
    }
}

enum class Pass { Inner, Border, Band };

// first and end bound the rows of a band pass.
template <typename T, Pass Which>
int Run(void* dst, const void* src, const ImageRect& r, int32_t dstX, int32_t dstY, uint16_t dstBytes, uint16_t srcBytes,
        int32_t dstStride, int32_t srcStride, const void* parameter, int32_t first = 0, int32_t end = 0) {
    Setup setup{};
    // The rows are read through restrict pointers: the output must be another image.
    if (srcBytes != sizeof(T) || dst == src || !detail::UsableArguments(dst, src, r, dstX, dstY, dstStride, srcStride) ||
        r.right - r.left < kDemosaicMinimumSize || r.bottom - r.top < kDemosaicMinimumSize ||
        !DecodeSetup(parameter, r, &setup)) {
        return 0;
    }
    const Images<T> im{static_cast<const uint8_t*>(src), srcStride, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       static_cast<uint8_t*>(dst), dstStride, dstX, dstY};
    setup.vectorRow = detail::VectorDemosaicRow(sizeof(T), dstBytes / sizeof(T));
    auto pass = [&](auto channels) {
        constexpr int Channels = decltype(channels)::value;
        if constexpr (Which == Pass::Inner) {
            InnerPass<T, Channels>(im, setup);
        } else if constexpr (Which == Pass::Border) {
            BorderPass<T, Channels>(im, setup);
        } else {
            RowBand<T, Channels>(im, setup, std::max(first, 0), std::min(end, im.height));
        }
    };
    if (dstBytes == 3 * sizeof(T)) {
        pass(std::integral_constant<int, 3>{});
    } else if (dstBytes == 4 * sizeof(T)) {
        pass(std::integral_constant<int, 4>{});
    } else {
        return 0;
    }
    return 1;
}

}  // namespace

int DemosaicInner8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                   uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                   void* parameter1, void*) {
    return Run<uint8_t, Pass::Inner>(dstBits, srcBits, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                                     srcStride, parameter1);
}

int DemosaicBorder8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                    uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                    void* parameter1, void*) {
    return Run<uint8_t, Pass::Border>(dstBits, srcBits, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                                      dstStride, srcStride, parameter1);
}

int DemosaicInner16(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                    uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                    void* parameter1, void*) {
    return Run<uint16_t, Pass::Inner>(dstBits, srcBits, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                                      dstStride, srcStride, parameter1);
}

int DemosaicBorder16(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                     uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                     void* parameter1, void*) {
    return Run<uint16_t, Pass::Border>(dstBits, srcBits, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                                       dstStride, srcStride, parameter1);
}

bool DemosaicRowBand(DibImage& output, const DibImage& raw, const GainRecord& gains, int32_t firstRow, int32_t endRow) {
    if (output.Bits() == nullptr || raw.Bits() == nullptr) {
        return false;
    }
    // Clipped as ConvertBlit clips the whole passes: the picture's top rows are kept, which in
    // these bottom-up images are the last rows in memory.
    const int32_t rows = std::min(raw.Height(), output.Height());
    const ImageRect r{0, raw.Height() - rows, std::min(raw.Width(), output.Width()), raw.Height()};
    const int32_t dstY = output.Height() - rows;
    GainRecord record = gains;
    const auto run = raw.BitsPerPixel() == 16 ? Run<uint16_t, Pass::Band> : Run<uint8_t, Pass::Band>;
    return run(output.Bits(), raw.Bits(), r, 0, dstY, static_cast<uint16_t>(output.BitsPerPixel() / 8),
               static_cast<uint16_t>(raw.BitsPerPixel() / 8), output.Stride(), raw.Stride(), &record, firstRow - dstY,
               endRow - dstY) != 0;
}

}  // namespace ovilux::image
