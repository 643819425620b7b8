// DemosaicSimd.cpp - SSSE3 and SSE4.1 forms of the demosaic's pair loop, chosen at run time.
//
// A block of output pixels starting on a red column is worked as pairs, like the plain loop:
// a 16-byte load of a raw row split into its even and odd samples gives one lane per pair, so
// the pair loop's arithmetic runs lane-wise unchanged. The 8-bit form keeps the weighted sums
// (at most 16 x 255) in 16-bit lanes and gets (sum x factor) >> 11 as the high half of
// sum x (factor << 5); the 16-bit form uses 32-bit lanes. Saturating packs do the clipping,
// and byte shuffles lay the blue, green and red lanes out as pixels.
#include "image/DemosaicSimd.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define OVILUX_DEMOSAIC_X86 1
#include <immintrin.h>
#endif

#include <array>

namespace ovilux::image::detail {

namespace {

// Shuffle masks that place three packed channel registers into three registers of pixels.
// In a packed register the first half holds the even pixels of the block, the second the odd.
// Entry [out][channel][byte] is the source byte, or 0x80 for a byte another channel fills.
using ShuffleMasks = std::array<std::array<std::array<uint8_t, 16>, 3>, 3>;

constexpr ShuffleMasks MakeMasks(int sampleBytes) {
    ShuffleMasks masks{};
    const int pixels = 16 / sampleBytes;
    for (int j = 0; j < 48; ++j) {
        const int pixel = j / (3 * sampleBytes);
        const int channel = (j / sampleBytes) % 3;
        const int slot = (pixel % 2 == 0 ? pixel / 2 : pixels / 2 + pixel / 2);
        for (int c = 0; c < 3; ++c) {
            masks[j / 16][c][j % 16] = static_cast<uint8_t>(c == channel ? slot * sampleBytes + j % sampleBytes : 0x80);
        }
    }
    return masks;
}

constexpr ShuffleMasks kMasks8 = MakeMasks(1);
constexpr ShuffleMasks kMasks16 = MakeMasks(2);

#ifdef OVILUX_DEMOSAIC_X86

#pragma GCC push_options
#pragma GCC target("sse4.1")

inline __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline __m128i Mask(const std::array<uint8_t, 16>& m) { return Load(m.data()); }

// Lays out 16 bytes of pixels from the three packed channels.
inline void StorePixels(uint8_t* out, __m128i blue, __m128i green, __m128i red, const ShuffleMasks& m) {
    for (int o = 0; o < 3; ++o) {
        const __m128i v = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(blue, Mask(m[o][0])), _mm_shuffle_epi8(green, Mask(m[o][1]))),
                                       _mm_shuffle_epi8(red, Mask(m[o][2])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * o), v);
    }
}

inline __m128i Even8(__m128i v) { return _mm_and_si128(v, _mm_set1_epi16(0x00FF)); }
inline __m128i Odd8(__m128i v) { return _mm_srli_epi16(v, 8); }
inline __m128i Times3x16(__m128i v) { return _mm_add_epi16(_mm_add_epi16(v, v), v); }

int32_t Row8To24(const DemosaicRows& rows, int32_t x, int32_t end, uint32_t redFactor, uint32_t blueFactor) {
    const __m128i redScale = _mm_set1_epi16(static_cast<short>(redFactor << 5));
    const __m128i blueScale = _mm_set1_epi16(static_cast<short>(blueFactor << 5));
    for (; x + 16 <= end; x += 16) {
        const uint8_t* r = rows.redRow + x;
        const uint8_t* rf = rows.redFar + x;
        const uint8_t* b = rows.blueRow + x;
        const uint8_t* bf = rows.blueFar + x;
        const __m128i rLeft = Load(r - 2), rMid = Load(r);
        const __m128i bLeft = Load(b - 2), bMid = Load(b);
        const __m128i vr = _mm_add_epi16(Times3x16(Even8(rMid)), Even8(Load(rf)));
        const __m128i vrLeft = _mm_add_epi16(Times3x16(Even8(rLeft)), Even8(Load(rf - 2)));
        const __m128i vrRight = _mm_add_epi16(Times3x16(Even8(Load(r + 2))), Even8(Load(rf + 2)));
        const __m128i vbLeft = _mm_add_epi16(Times3x16(Odd8(bLeft)), Odd8(Load(bf - 2)));
        const __m128i vbRight = _mm_add_epi16(Times3x16(Odd8(bMid)), Odd8(Load(bf)));
        const __m128i vr3 = Times3x16(vr);
        const __m128i red = _mm_packus_epi16(_mm_mulhi_epu16(_mm_add_epi16(vr3, vrLeft), redScale),
                                             _mm_mulhi_epu16(_mm_add_epi16(vr3, vrRight), redScale));
        const __m128i blue = _mm_packus_epi16(_mm_mulhi_epu16(_mm_add_epi16(Times3x16(vbLeft), vbRight), blueScale),
                                              _mm_mulhi_epu16(_mm_add_epi16(Times3x16(vbRight), vbLeft), blueScale));
        const __m128i greenBlue = Even8(bMid);
        const __m128i green = _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(Odd8(rLeft), greenBlue), 1),
                                               _mm_srli_epi16(_mm_add_epi16(Odd8(rMid), greenBlue), 1));
        StorePixels(rows.out + 3 * x, blue, green, red, kMasks8);
    }
    return x;
}

inline __m128i Even16(__m128i v) { return _mm_and_si128(v, _mm_set1_epi32(0xFFFF)); }
inline __m128i Odd16(__m128i v) { return _mm_srli_epi32(v, 16); }
inline __m128i Times3x32(__m128i v) { return _mm_add_epi32(_mm_add_epi32(v, v), v); }
inline __m128i Scale32(__m128i sum, __m128i factor) { return _mm_srli_epi32(_mm_mullo_epi32(sum, factor), 11); }

int32_t Row16To48(const DemosaicRows& rows, int32_t x, int32_t end, uint32_t redFactor, uint32_t blueFactor) {
    const __m128i redScale = _mm_set1_epi32(static_cast<int>(redFactor));
    const __m128i blueScale = _mm_set1_epi32(static_cast<int>(blueFactor));
    for (; x + 8 <= end; x += 8) {
        const uint8_t* r = rows.redRow + 2 * x;
        const uint8_t* rf = rows.redFar + 2 * x;
        const uint8_t* b = rows.blueRow + 2 * x;
        const uint8_t* bf = rows.blueFar + 2 * x;
        const __m128i rLeft = Load(r - 4), rMid = Load(r);
        const __m128i bLeft = Load(b - 4), bMid = Load(b);
        const __m128i vr = _mm_add_epi32(Times3x32(Even16(rMid)), Even16(Load(rf)));
        const __m128i vrLeft = _mm_add_epi32(Times3x32(Even16(rLeft)), Even16(Load(rf - 4)));
        const __m128i vrRight = _mm_add_epi32(Times3x32(Even16(Load(r + 4))), Even16(Load(rf + 4)));
        const __m128i vbLeft = _mm_add_epi32(Times3x32(Odd16(bLeft)), Odd16(Load(bf - 4)));
        const __m128i vbRight = _mm_add_epi32(Times3x32(Odd16(bMid)), Odd16(Load(bf)));
        const __m128i vr3 = Times3x32(vr);
        const __m128i red = _mm_packus_epi32(Scale32(_mm_add_epi32(vr3, vrLeft), redScale),
                                             Scale32(_mm_add_epi32(vr3, vrRight), redScale));
        const __m128i blue = _mm_packus_epi32(Scale32(_mm_add_epi32(Times3x32(vbLeft), vbRight), blueScale),
                                              Scale32(_mm_add_epi32(Times3x32(vbRight), vbLeft), blueScale));
        const __m128i greenBlue = Even16(bMid);
        const __m128i green = _mm_packus_epi32(_mm_srli_epi32(_mm_add_epi32(Odd16(rLeft), greenBlue), 1),
                                               _mm_srli_epi32(_mm_add_epi32(Odd16(rMid), greenBlue), 1));
        StorePixels(rows.out + 6 * x, blue, green, red, kMasks16);
    }
    return x;
}

#pragma GCC pop_options

// SSE4.1 (which brings SSSE3 along) is all both kernels use.
bool HasSse41() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse4.1") && __builtin_cpu_supports("ssse3");
}

#endif

}  // namespace

DemosaicRowKernel VectorRow8To24() {
#ifdef OVILUX_DEMOSAIC_X86
    static const DemosaicRowKernel kernel = HasSse41() ? Row8To24 : nullptr;
    return kernel;
#else
    return nullptr;
#endif
}

DemosaicRowKernel VectorRow16To48() {
#ifdef OVILUX_DEMOSAIC_X86
    static const DemosaicRowKernel kernel = HasSse41() ? Row16To48 : nullptr;
    return kernel;
#else
    return nullptr;
#endif
}

}  // namespace ovilux::image::detail
