// HueSaturationSimd.cpp - SSE4.1 and AVX2 forms of the hue and chroma run loop, chosen at run
// time. The reciprocal is the plain loop's float quotient truncated, with the same correction,
// so every lane computes exactly what the plain loop does. 24 and 32-bit pixels are also worked
// where they lie, their bytes shuffled into lanes and back, without the planes.
#include "image/filters/HueSaturationSimd.h"

#include <array>
#include <cstddef>
#include <cstring>

#include "image/VectorIsa.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define OVILUX_HUE_X86 1
#include <immintrin.h>
#endif

namespace ovilux::image::filters::detail {

#ifdef OVILUX_HUE_X86

namespace {

// Byte shuffles between 4 pixels of 3 or 4 bytes and one register of their blue, green and red
// bytes, 4 of each ([b0 b1 b2 b3 g0 .. g3 r0 .. r3], the last 4 bytes unused).
struct PixelShuffles {
    std::array<uint8_t, 16> gather;   // pixels to channels
    std::array<uint8_t, 16> scatter;  // channels to pixels; 0x80 on a fourth byte
    std::array<uint8_t, 16> keep;     // 0xFF on the fourth bytes, which are left as they were
};

constexpr PixelShuffles MakeShuffles(int channels) {
    PixelShuffles s{};
    for (int j = 0; j < 16; ++j) {
        s.gather[j] = static_cast<uint8_t>(j < 12 ? (j % 4) * channels + j / 4 : 0x80);
        const int pixel = j / channels, channel = j % channels;
        const bool used = pixel < 4 && channel < 3;
        s.scatter[j] = static_cast<uint8_t>(used ? channel * 4 + pixel : 0x80);
        s.keep[j] = static_cast<uint8_t>(pixel < 4 && channel == 3 ? 0xFF : 0);
    }
    return s;
}

constexpr PixelShuffles kShuffles[2] = {MakeShuffles(3), MakeShuffles(4)};

#pragma GCC push_options
#pragma GCC target("sse4.1")
namespace bytes4 {

inline __m128i Mask(const std::array<uint8_t, 16>& m) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(m.data())); }

// 16 bytes are read from px: for 3-byte pixels, 4 past the fourth pixel.
template <int Channels>
__m128i Gather(const uint8_t* px) {
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px)), Mask(kShuffles[Channels - 3].gather));
}

template <int Channels>
void Scatter(uint8_t* px, __m128i channels) {
    const PixelShuffles& s = kShuffles[Channels - 3];
    const __m128i pixels = _mm_shuffle_epi8(channels, Mask(s.scatter));
    if constexpr (Channels == 3) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(px), pixels);
        const int32_t last = _mm_cvtsi128_si32(_mm_srli_si128(pixels, 8));
        std::memcpy(px + 8, &last, sizeof(last));
    } else {
        const __m128i kept = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px)), Mask(s.keep));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(px), _mm_or_si128(pixels, kept));
    }
}

// Lanes of values 0 .. 255 packed back to one byte each, in the gathered layout.
inline __m128i Pack(__m128i blue, __m128i green, __m128i red) {
    return _mm_packus_epi16(_mm_packus_epi32(blue, green), _mm_packus_epi32(red, red));
}

}  // namespace bytes4

namespace sse41 {

struct V {
    using Reg = __m128i;
    static constexpr int32_t kLanes = 4;
    static Reg Load(const int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void Store(int32_t* p, Reg v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static Reg Set(int32_t v) { return _mm_set1_epi32(v); }
    static Reg Zero() { return _mm_setzero_si128(); }
    static Reg Add(Reg a, Reg b) { return _mm_add_epi32(a, b); }
    static Reg Sub(Reg a, Reg b) { return _mm_sub_epi32(a, b); }
    static Reg Mul(Reg a, Reg b) { return _mm_mullo_epi32(a, b); }
    static Reg Max(Reg a, Reg b) { return _mm_max_epi32(a, b); }
    static Reg Min(Reg a, Reg b) { return _mm_min_epi32(a, b); }
    static Reg And(Reg a, Reg b) { return _mm_and_si128(a, b); }
    static Reg Or(Reg a, Reg b) { return _mm_or_si128(a, b); }
    static Reg Sar(Reg a, int n) { return _mm_srai_epi32(a, n); }
    static Reg Greater(Reg a, Reg b) { return _mm_cmpgt_epi32(a, b); }
    static Reg Equal(Reg a, Reg b) { return _mm_cmpeq_epi32(a, b); }
    static Reg Select(Reg mask, Reg yes, Reg no) { return _mm_blendv_epi8(no, yes, mask); }
    static Reg Quotient(Reg a, Reg b) { return _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(a), _mm_cvtepi32_ps(b))); }

    template <int Channels>
    static void LoadPixels8(const uint8_t* px, Reg& blue, Reg& green, Reg& red) {
        const __m128i v = bytes4::Gather<Channels>(px);
        blue = _mm_cvtepu8_epi32(v);
        green = _mm_cvtepu8_epi32(_mm_srli_si128(v, 4));
        red = _mm_cvtepu8_epi32(_mm_srli_si128(v, 8));
    }
    template <int Channels>
    static void StorePixels8(uint8_t* px, Reg blue, Reg green, Reg red) {
        bytes4::Scatter<Channels>(px, bytes4::Pack(blue, green, red));
    }
};

#include "image/filters/HueRunKernel.inl"

}  // namespace sse41
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {

struct V {
    using Reg = __m256i;
    static constexpr int32_t kLanes = 8;
    static Reg Load(const int32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void Store(int32_t* p, Reg v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static Reg Set(int32_t v) { return _mm256_set1_epi32(v); }
    static Reg Zero() { return _mm256_setzero_si256(); }
    static Reg Add(Reg a, Reg b) { return _mm256_add_epi32(a, b); }
    static Reg Sub(Reg a, Reg b) { return _mm256_sub_epi32(a, b); }
    static Reg Mul(Reg a, Reg b) { return _mm256_mullo_epi32(a, b); }
    static Reg Max(Reg a, Reg b) { return _mm256_max_epi32(a, b); }
    static Reg Min(Reg a, Reg b) { return _mm256_min_epi32(a, b); }
    static Reg And(Reg a, Reg b) { return _mm256_and_si256(a, b); }
    static Reg Or(Reg a, Reg b) { return _mm256_or_si256(a, b); }
    static Reg Sar(Reg a, int n) { return _mm256_srai_epi32(a, n); }
    static Reg Greater(Reg a, Reg b) { return _mm256_cmpgt_epi32(a, b); }
    static Reg Equal(Reg a, Reg b) { return _mm256_cmpeq_epi32(a, b); }
    static Reg Select(Reg mask, Reg yes, Reg no) { return _mm256_blendv_epi8(no, yes, mask); }
    static Reg Quotient(Reg a, Reg b) {
        return _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(a), _mm256_cvtepi32_ps(b)));
    }

    // Two blocks of 4 pixels: their gathered bytes interleaved by 4 give 8 of each channel.
    template <int Channels>
    static void LoadPixels8(const uint8_t* px, Reg& blue, Reg& green, Reg& red) {
        const __m128i first = bytes4::Gather<Channels>(px);
        const __m128i second = bytes4::Gather<Channels>(px + 4 * Channels);
        const __m128i blueGreen = _mm_unpacklo_epi32(first, second);
        blue = _mm256_cvtepu8_epi32(blueGreen);
        green = _mm256_cvtepu8_epi32(_mm_srli_si128(blueGreen, 8));
        red = _mm256_cvtepu8_epi32(_mm_unpackhi_epi32(first, second));
    }
    // The packs work within each 128-bit half, so each half holds one block in the gathered layout.
    template <int Channels>
    static void StorePixels8(uint8_t* px, Reg blue, Reg green, Reg red) {
        const Reg packed =
            _mm256_packus_epi16(_mm256_packus_epi32(blue, green), _mm256_packus_epi32(red, red));
        bytes4::Scatter<Channels>(px, _mm256_castsi256_si128(packed));
        bytes4::Scatter<Channels>(px + 4 * Channels, _mm256_extracti128_si256(packed, 1));
    }
};

#include "image/filters/HueRunKernel.inl"

}  // namespace avx2
#pragma GCC pop_options

}  // namespace

HueRunKernel VectorHueRun() {
    switch (image::detail::ActiveVectorIsa()) {
        case image::detail::VectorIsa::Avx2:
            return avx2::HueRunLoop;
        case image::detail::VectorIsa::Sse41:
            return sse41::HueRunLoop;
        default:
            return nullptr;
    }
}

HueRowKernel VectorHueRow8(int32_t channels) {
    switch (image::detail::ActiveVectorIsa()) {
        case image::detail::VectorIsa::Avx2:
            return channels == 3 ? avx2::HueRow8<3> : avx2::HueRow8<4>;
        case image::detail::VectorIsa::Sse41:
            return channels == 3 ? sse41::HueRow8<3> : sse41::HueRow8<4>;
        default:
            return nullptr;
    }
}

#else

HueRunKernel VectorHueRun() { return nullptr; }

HueRowKernel VectorHueRow8(int32_t) { return nullptr; }

#endif

}  // namespace ovilux::image::filters::detail
