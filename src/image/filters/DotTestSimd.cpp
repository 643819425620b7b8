// DotTestSimd.cpp - SSE2 and AVX2 forms of the whole dot test, chosen at run time.
//
// SSE2 (every x86-64 processor has it) tests 8 samples per call, AVX2 16; samples are widened
// to 16-bit lanes so sums and differences keep their sign.
#include "image/filters/DotTestSimd.h"

#include "image/VectorIsa.h"
#include "image/filters/DotSuppression.h"

#if defined(__GNUC__) && defined(__SSE2__)
#define OVILUX_DOT_TEST_X86 1
#include <immintrin.h>
#endif

namespace ovilux::image::filters::detail {

namespace {

#ifdef OVILUX_DOT_TEST_X86

namespace sse2 {

struct V {
    using Reg = __m128i;
    static constexpr int32_t kBlock = 8;
    static constexpr uint32_t kAllLanes = 0xFFu;
    static Reg Load(const uint8_t* p) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
    }
    static Reg Load16(const uint16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static Reg Set(int16_t v) { return _mm_set1_epi16(v); }
    static Reg EvenLanes() { return _mm_set1_epi32(0x0000FFFF); }
    static Reg Not(Reg a) { return _mm_xor_si128(a, _mm_set1_epi32(-1)); }
    static Reg And(Reg a, Reg b) { return _mm_and_si128(a, b); }
    static Reg Or(Reg a, Reg b) { return _mm_or_si128(a, b); }
    static Reg SubSat(Reg a, Reg b) { return _mm_subs_epu16(a, b); }
    static Reg CmpEq(Reg a, Reg b) { return _mm_cmpeq_epi16(a, b); }
    static Reg Select(Reg mask, Reg a, Reg b) { return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b)); }
    static Reg Add(Reg a, Reg b) { return _mm_add_epi16(a, b); }
    static Reg Sub(Reg a, Reg b) { return _mm_sub_epi16(a, b); }
    static Reg Shr(Reg a, int n) { return _mm_srli_epi16(a, n); }
    static Reg MulLo(Reg a, Reg b) { return _mm_mullo_epi16(a, b); }
    static Reg MulHiU(Reg a, Reg b) { return _mm_mulhi_epu16(a, b); }
    static Reg Max(Reg a, Reg b) { return _mm_max_epi16(a, b); }
    static Reg CmpGt(Reg a, Reg b) { return _mm_cmpgt_epi16(a, b); }
    // One bit per lane that is all ones.
    static uint32_t LaneBits(Reg lanes) {
        return static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(lanes, _mm_setzero_si128()))) & kAllLanes;
    }
};

#include "image/filters/DotTestKernel.inl"

}  // namespace sse2

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {

struct V {
    using Reg = __m256i;
    static constexpr int32_t kBlock = 16;
    static constexpr uint32_t kAllLanes = 0xFFFFu;
    static Reg Load(const uint8_t* p) { return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))); }
    static Reg Load16(const uint16_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static Reg Set(int16_t v) { return _mm256_set1_epi16(v); }
    static Reg EvenLanes() { return _mm256_set1_epi32(0x0000FFFF); }
    static Reg Not(Reg a) { return _mm256_xor_si256(a, _mm256_set1_epi32(-1)); }
    static Reg And(Reg a, Reg b) { return _mm256_and_si256(a, b); }
    static Reg Or(Reg a, Reg b) { return _mm256_or_si256(a, b); }
    static Reg SubSat(Reg a, Reg b) { return _mm256_subs_epu16(a, b); }
    static Reg CmpEq(Reg a, Reg b) { return _mm256_cmpeq_epi16(a, b); }
    static Reg Select(Reg mask, Reg a, Reg b) { return _mm256_blendv_epi8(b, a, mask); }
    static Reg Add(Reg a, Reg b) { return _mm256_add_epi16(a, b); }
    static Reg Sub(Reg a, Reg b) { return _mm256_sub_epi16(a, b); }
    static Reg Shr(Reg a, int n) { return _mm256_srli_epi16(a, n); }
    static Reg MulLo(Reg a, Reg b) { return _mm256_mullo_epi16(a, b); }
    static Reg MulHiU(Reg a, Reg b) { return _mm256_mulhi_epu16(a, b); }
    static Reg Max(Reg a, Reg b) { return _mm256_max_epi16(a, b); }
    static Reg CmpGt(Reg a, Reg b) { return _mm256_cmpgt_epi16(a, b); }
    static uint32_t LaneBits(Reg lanes) {
        const __m128i packed = _mm_packs_epi16(_mm256_castsi256_si128(lanes), _mm256_extracti128_si256(lanes, 1));
        return static_cast<uint32_t>(_mm_movemask_epi8(packed)) & kAllLanes;
    }
};

#include "image/filters/DotTestKernel.inl"

}  // namespace avx2
#pragma GCC pop_options

// The kernel of the active instruction set: the AVX2 one, the SSE2 one or none.
template <typename Kernel>
Kernel Choose(Kernel avx2Kernel, Kernel sse2Kernel) {
    using image::detail::VectorIsa;
    switch (image::detail::ActiveVectorIsa()) {
        case VectorIsa::Avx2:
            return avx2Kernel;
        case VectorIsa::Sse41:
            return sse2Kernel;
        default:
            return {nullptr, 0};
    }
}

#endif

}  // namespace

#ifdef OVILUX_DOT_TEST_X86
DotKernel8 VectorDotKernel8() { return Choose<DotKernel8>({avx2::DotMask8, avx2::V::kBlock}, {sse2::DotMask8, sse2::V::kBlock}); }

DotKernel16 VectorDotKernel16() {
    return Choose<DotKernel16>({avx2::DotMask16, avx2::V::kBlock}, {sse2::DotMask16, sse2::V::kBlock});
}
#else
DotKernel8 VectorDotKernel8() { return {nullptr, 0}; }

DotKernel16 VectorDotKernel16() { return {nullptr, 0}; }
#endif

}  // namespace ovilux::image::filters::detail
