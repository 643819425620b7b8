// HueSaturationSimd.cpp - SSE4.1 and AVX2 forms of the hue and chroma run loop, chosen at run
// time. The reciprocal is the plain loop's float quotient truncated, with the same correction,
// so every lane computes exactly what the plain loop does.
#include "image/filters/HueSaturationSimd.h"

#include "image/VectorIsa.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define OVILUX_HUE_X86 1
#include <immintrin.h>
#endif

namespace ovilux::image::filters::detail {

#ifdef OVILUX_HUE_X86

namespace {

#pragma GCC push_options
#pragma GCC target("sse4.1")
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

#else

HueRunKernel VectorHueRun() { return nullptr; }

#endif

}  // namespace ovilux::image::filters::detail
