// DemosaicSimd.cpp - SSE4.1 and AVX2 forms of the demosaic's pair loop, chosen at run time.
//
// A block of output pixels starting on a red column is worked as pairs, like the plain loop:
// a load of a raw row split into its even and odd samples gives one lane per pair, so the
// pair loop's arithmetic runs lane-wise unchanged. Saturating packs do the clipping, and byte
// shuffles lay the packed blue, green and red out as pixels; 32 and 64-bit pixels keep their
// fourth byte or word by blending with what the output held.
#include "image/DemosaicSimd.h"

#include <algorithm>
#include <array>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define OVILUX_DEMOSAIC_X86 1
#include <immintrin.h>
#endif

namespace ovilux::image::detail {

namespace {

// Shuffle masks for one 128-bit lane: register o of the pixels takes, from channel c's packed
// register, byte masks[o][c][i] (0x80: none). A packed register holds the block's even pixels
// in its first half and its odd pixels in the second. keep[i] is 0xFF on the bytes of a fourth
// channel, which are left as they were.
struct PixelLayout {
    std::array<std::array<std::array<uint8_t, 16>, 3>, 4> masks;
    std::array<uint8_t, 16> keep;
};

constexpr PixelLayout MakeLayout(int sampleBytes, int channels) {
    PixelLayout layout{};
    const int pixels = 16 / sampleBytes;
    for (int j = 0; j < 16 * channels; ++j) {
        const int pixel = j / (channels * sampleBytes);
        const int channel = (j / sampleBytes) % channels;
        const int slot = pixel % 2 == 0 ? pixel / 2 : pixels / 2 + pixel / 2;
        for (int c = 0; c < 3; ++c) {
            layout.masks[j / 16][c][j % 16] = static_cast<uint8_t>(c == channel ? slot * sampleBytes + j % sampleBytes : 0x80);
        }
        layout.keep[j % 16] = channel == 3 ? 0xFF : 0;
    }
    return layout;
}

constexpr PixelLayout kLayouts[2][2] = {{MakeLayout(1, 3), MakeLayout(1, 4)}, {MakeLayout(2, 3), MakeLayout(2, 4)}};

constexpr const PixelLayout& Layout(int sampleBytes, int channels) { return kLayouts[sampleBytes - 1][channels - 3]; }

#ifdef OVILUX_DEMOSAIC_X86

#pragma GCC push_options
#pragma GCC target("sse4.1")
namespace sse41 {

struct V {
    using Reg = __m128i;
    static constexpr int32_t kLanes = 1;
    static Reg Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static Reg Set16(int16_t v) { return _mm_set1_epi16(v); }
    static Reg Set32(int32_t v) { return _mm_set1_epi32(v); }
    static Reg And(Reg a, Reg b) { return _mm_and_si128(a, b); }
    static Reg Add16(Reg a, Reg b) { return _mm_add_epi16(a, b); }
    static Reg Add32(Reg a, Reg b) { return _mm_add_epi32(a, b); }
    static Reg Shr16(Reg a, int n) { return _mm_srli_epi16(a, n); }
    static Reg Shr32(Reg a, int n) { return _mm_srli_epi32(a, n); }
    static Reg MulHiU16(Reg a, Reg b) { return _mm_mulhi_epu16(a, b); }
    static Reg MulLo32(Reg a, Reg b) { return _mm_mullo_epi32(a, b); }
    static Reg PackU16(Reg a, Reg b) { return _mm_packus_epi16(a, b); }
    static Reg PackU32(Reg a, Reg b) { return _mm_packus_epi32(a, b); }

    template <int Channels>
    static void StorePixels(uint8_t* out, Reg blue, Reg green, Reg red, const PixelLayout& layout) {
        for (int o = 0; o < Channels; ++o) {
            const auto& m = layout.masks[o];
            Reg v = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(blue, Load(m[0].data())), _mm_shuffle_epi8(green, Load(m[1].data()))),
                                 _mm_shuffle_epi8(red, Load(m[2].data())));
            if constexpr (Channels == 4) {
                v = _mm_or_si128(v, _mm_and_si128(Load(out + 16 * o), Load(layout.keep.data())));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * o), v);
        }
    }
};

#include "image/DemosaicRowKernels.inl"

}  // namespace sse41
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {

struct V {
    using Reg = __m256i;
    static constexpr int32_t kLanes = 2;
    static Reg Load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static Reg LoadBoth(const std::array<uint8_t, 16>& lane) {
        return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lane.data())));
    }
    static Reg Set16(int16_t v) { return _mm256_set1_epi16(v); }
    static Reg Set32(int32_t v) { return _mm256_set1_epi32(v); }
    static Reg And(Reg a, Reg b) { return _mm256_and_si256(a, b); }
    static Reg Add16(Reg a, Reg b) { return _mm256_add_epi16(a, b); }
    static Reg Add32(Reg a, Reg b) { return _mm256_add_epi32(a, b); }
    static Reg Shr16(Reg a, int n) { return _mm256_srli_epi16(a, n); }
    static Reg Shr32(Reg a, int n) { return _mm256_srli_epi32(a, n); }
    static Reg MulHiU16(Reg a, Reg b) { return _mm256_mulhi_epu16(a, b); }
    static Reg MulLo32(Reg a, Reg b) { return _mm256_mullo_epi32(a, b); }
    static Reg PackU16(Reg a, Reg b) { return _mm256_packus_epi16(a, b); }
    static Reg PackU32(Reg a, Reg b) { return _mm256_packus_epi32(a, b); }

    // Each lane yields Channels registers of its own block's pixels; in memory the first lane's
    // come first, so the lanes' halves are regrouped into whole 32-byte stores.
    template <int Channels>
    static void StorePixels(uint8_t* out, Reg blue, Reg green, Reg red, const PixelLayout& layout) {
        Reg s[Channels];
        for (int o = 0; o < Channels; ++o) {
            const auto& m = layout.masks[o];
            s[o] = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(blue, LoadBoth(m[0])), _mm256_shuffle_epi8(green, LoadBoth(m[1]))),
                                   _mm256_shuffle_epi8(red, LoadBoth(m[2])));
        }
        Reg chunks[Channels];
        if constexpr (Channels == 3) {
            chunks[0] = _mm256_permute2x128_si256(s[0], s[1], 0x20);
            chunks[1] = _mm256_permute2x128_si256(s[2], s[0], 0x30);
            chunks[2] = _mm256_permute2x128_si256(s[1], s[2], 0x31);
        } else {
            chunks[0] = _mm256_permute2x128_si256(s[0], s[1], 0x20);
            chunks[1] = _mm256_permute2x128_si256(s[2], s[3], 0x20);
            chunks[2] = _mm256_permute2x128_si256(s[0], s[1], 0x31);
            chunks[3] = _mm256_permute2x128_si256(s[2], s[3], 0x31);
        }
        for (int o = 0; o < Channels; ++o) {
            Reg v = chunks[o];
            if constexpr (Channels == 4) {
                v = _mm256_or_si256(v, _mm256_and_si256(Load(out + 32 * o), LoadBoth(layout.keep)));
            }
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32 * o), v);
        }
    }
};

#include "image/DemosaicRowKernels.inl"

}  // namespace avx2
#pragma GCC pop_options

template <int Channels>
DemosaicRowKernel KernelOf(VectorIsa isa, int sampleBytes) {
    switch (isa) {
        case VectorIsa::Avx2:
            return sampleBytes == 1 ? avx2::Row8<Channels> : avx2::Row16<Channels>;
        case VectorIsa::Sse41:
            return sampleBytes == 1 ? sse41::Row8<Channels> : sse41::Row16<Channels>;
        default:
            return nullptr;
    }
}

#endif

}  // namespace

DemosaicRowKernel VectorDemosaicRow(int sampleBytes, int channels) {
#ifdef OVILUX_DEMOSAIC_X86
    if (sampleBytes != 1 && sampleBytes != 2) {
        return nullptr;
    }
    if (channels == 3) {
        return KernelOf<3>(ActiveVectorIsa(), sampleBytes);
    }
    return channels == 4 ? KernelOf<4>(ActiveVectorIsa(), sampleBytes) : nullptr;
#else
    (void)sampleBytes;
    (void)channels;
    return nullptr;
#endif
}

}  // namespace ovilux::image::detail
