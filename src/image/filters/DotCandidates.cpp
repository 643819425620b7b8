// DotCandidates.cpp - SSE2 (every x86-64 processor has it) forms of the first dot test.
//
// Nearly every sample of a picture fails the first test, so a frame is mostly this pass. The
// 8-bit samples are widened to 16-bit lanes, where the sum of four fits. The 16-bit ones stay
// in 16-bit lanes: the mean of four is taken as the sum of their quarters plus the quarter of
// the sum of their remainders, which is the same floor and cannot overflow.
#include "image/filters/DotCandidates.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ovilux::image::filters::detail {

namespace {

constexpr uint32_t kAllOfBlock = (1u << kCandidateBlock) - 1;

#if defined(__SSE2__)
// One bit per 16-bit lane that is all ones.
uint32_t LaneBits(__m128i lanes) {
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(lanes, _mm_setzero_si128()))) & kAllOfBlock;
}
#endif

}  // namespace

uint32_t BrighterCandidates8(const uint8_t* above, const uint8_t* row, const uint8_t* below, int32_t x,
                             int32_t threshold) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const auto load = [zero](const uint8_t* p) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    };
    const __m128i sum = _mm_add_epi16(_mm_add_epi16(load(row + x - 2), load(row + x + 2)),
                                      _mm_add_epi16(load(above + x), load(below + x)));
    const __m128i excess = _mm_sub_epi16(load(row + x), _mm_srli_epi16(sum, 2));
    return LaneBits(_mm_cmpgt_epi16(excess, _mm_set1_epi16(static_cast<int16_t>(threshold - 1))));
#else
    (void)above, (void)row, (void)below, (void)x, (void)threshold;
    return kAllOfBlock;
#endif
}

uint32_t DistantCandidates16(const uint16_t* above, const uint16_t* row, const uint16_t* below, int32_t x,
                             int32_t threshold) {
#if defined(__SSE2__)
    const auto load = [](const uint16_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    const __m128i three = _mm_set1_epi16(3);
    const __m128i left = load(row + x - 2), right = load(row + x + 2), up = load(above + x), down = load(below + x);
    const __m128i quarters = _mm_add_epi16(_mm_add_epi16(_mm_srli_epi16(left, 2), _mm_srli_epi16(right, 2)),
                                           _mm_add_epi16(_mm_srli_epi16(up, 2), _mm_srli_epi16(down, 2)));
    const __m128i remainders = _mm_add_epi16(_mm_add_epi16(_mm_and_si128(left, three), _mm_and_si128(right, three)),
                                             _mm_add_epi16(_mm_and_si128(up, three), _mm_and_si128(down, three)));
    const __m128i avg = _mm_add_epi16(quarters, _mm_srli_epi16(remainders, 2));
    const __m128i sample = load(row + x);
    const __m128i distance = _mm_or_si128(_mm_subs_epu16(sample, avg), _mm_subs_epu16(avg, sample));
    const __m128i beyond = _mm_subs_epu16(distance, _mm_set1_epi16(static_cast<int16_t>(threshold - 1)));
    return ~LaneBits(_mm_cmpeq_epi16(beyond, _mm_setzero_si128())) & kAllOfBlock;
#else
    (void)above, (void)row, (void)below, (void)x, (void)threshold;
    return kAllOfBlock;
#endif
}

}  // namespace ovilux::image::filters::detail
