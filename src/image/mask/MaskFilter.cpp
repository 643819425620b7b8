// MaskFilter.cpp - the flat-field step of the raw chain.
//
// Both depths divide in single-precision floats, corrected to the exact integer quotient, so
// that the compiler runs the rows in vector registers.
#include "image/mask/MaskFilter.h"

#include <algorithm>

#include "image/SampleScale.h"
#include "image/filters/FilterSamples.h"
#include "image/filters/RawPlane.h"

namespace ovilux::image::mask {

namespace {

using filters::detail::PlaneOf;
using filters::detail::RawPlane;

// The samples of the frame that have references: [x0, x1) x [y0, y1), empty when none.
struct Span {
    int32_t x0, x1, y0, y1;
};

Span CoveredSpan(int32_t width, int32_t height, const FramePlacement& at) {
    Span s{at.margin, std::min(width - at.margin, kMaskWidth - at.left), at.margin,
           std::min(height - at.margin, kMaskHeight - at.top)};
    if (at.left < 0 || at.top < 0 || s.x0 >= s.x1 || s.y0 >= s.y1) {
        return Span{0, 0, 0, 0};
    }
    return s;
}

size_t ReferenceIndex(int32_t x, int32_t y) {
    return static_cast<size_t>(y) * kMaskWidth + static_cast<size_t>(x);
}

// m / a for m >= 0 and a >= 1 that are exact as floats (at most 24 significant bits), with a
// quotient below 2^23: the rounded float quotient is then never below the true quotient's
// integer part and at most one above it, which the product test takes back. Lets the row loops
// divide lane-wise in vector registers.
inline int32_t ExactQuotient(int32_t m, int32_t a) {
    const auto estimate = static_cast<int32_t>(static_cast<float>(m) / static_cast<float>(a));
    return estimate * a > m ? estimate - 1 : estimate;
}

// Written without branches on the sample, so the loops vectorise. 8-bit references may be
// crossed (bright below dark), which inverts the sample: the sign of the span is taken out of
// both terms, and a sample on the other side of the dark reference clips to 0. Equal references
// leave the sample alone.
OVILUX_FILTER_CLONES
void NormaliseRow8(uint8_t* __restrict row, const uint8_t* __restrict dark, const uint8_t* __restrict bright, int32_t x0,
                   int32_t x1) {
    for (int32_t x = x0; x < x1; ++x) {
        const int32_t v = row[x], d = dark[x], b = bright[x];
        const int32_t flip = (b - d) >> 31;  // all ones when crossed: (t ^ flip) - flip is -t
        const int32_t den = std::max(((b - d) ^ flip) - flip, 1);
        const int32_t n = std::min(std::max(((v - d) ^ flip) - flip, 0), den);
        const int32_t q = std::min(ExactQuotient(n * 256, den), 255);
        row[x] = static_cast<uint8_t>(d == b ? v : q);
    }
}

OVILUX_FILTER_CLONES
void NormaliseRow16(uint16_t* __restrict row, const uint16_t* __restrict dark, const uint16_t* __restrict bright,
                    int32_t x0, int32_t x1) {
    for (int32_t x = x0; x < x1; ++x) {
        const int32_t v = row[x], d = dark[x], b = bright[x];
        // A sample at or past the bright reference clips whatever its value, so the numerator
        // stops there: n x 4096 keeps 16 significant bits and the quotient stays below 4097.
        const int32_t den = std::max(b - d, 1);
        const int32_t n = std::min(std::max(v - d, 0), den);
        const int32_t q = std::min(ExactQuotient(n * 4096, den), int32_t{kSampleMax});
        row[x] = static_cast<uint16_t>(d >= b ? v : q);
    }
}

}  // namespace

void ApplyMaskFilter(DibImage& raw, const DefectReferences& references, const FramePlacement& placement) {
    if (const RawPlane<uint8_t> plane = PlaneOf<uint8_t>(raw); plane.bits != nullptr) {
        const Span s = CoveredSpan(plane.width, plane.height, placement);
        for (int32_t y = s.y0; y < s.y1; ++y) {
            const size_t at = ReferenceIndex(placement.left, placement.top + y);
            NormaliseRow8(plane.Row(y), references.dark8.data() + at, references.bright8.data() + at, s.x0, s.x1);
        }
    } else if (const RawPlane<uint16_t> wide = PlaneOf<uint16_t>(raw); wide.bits != nullptr) {
        const Span s = CoveredSpan(wide.width, wide.height, placement);
        for (int32_t y = s.y0; y < s.y1; ++y) {
            const size_t at = ReferenceIndex(placement.left, placement.top + y);
            NormaliseRow16(wide.Row(y), references.dark16.data() + at, references.bright16.data() + at, s.x0, s.x1);
        }
    }
}

}  // namespace ovilux::image::mask
