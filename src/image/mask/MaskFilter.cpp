// MaskFilter.cpp - the flat-field step of the raw chain.
//
// The 8-bit form divides by multiplying: (n x 256) / den with n x 256 below 2^16 and den below
// 256 is exactly (n x 256 x ceil(2^32 / den)) >> 32, which keeps a division out of the loop.
#include "image/mask/MaskFilter.h"

#include <algorithm>
#include <array>

#include "image/SampleScale.h"
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

const std::array<uint64_t, 256>& Reciprocals() {
    static const std::array<uint64_t, 256> table = [] {
        std::array<uint64_t, 256> t{};
        for (uint64_t den = 1; den < t.size(); ++den) {
            t[den] = ((uint64_t{1} << 32) + den - 1) / den;
        }
        return t;
    }();
    return table;
}

// Written without branches on the sample, so the loop runs on conditional moves: the table's
// entry for a zero span is 0, and a quotient of opposite signs truncates to 0 or below and
// clips to 0.
uint8_t Normalise8(uint8_t v, uint8_t d, uint8_t b, const std::array<uint64_t, 256>& reciprocal) {
    const int32_t n = int32_t{v} - d;
    const int32_t den = int32_t{b} - d;
    const uint64_t magnitude = static_cast<uint64_t>(n < 0 ? -n : n) * 256u;
    const uint64_t q = (magnitude * reciprocal[static_cast<size_t>(den < 0 ? -den : den)]) >> 32;
    const uint8_t scaled = (n ^ den) < 0 ? uint8_t{0} : static_cast<uint8_t>(std::min<uint64_t>(q, 255));
    return d == b ? v : scaled;
}

uint16_t Normalise16(uint16_t v, uint16_t d, uint16_t b) {
    if (d >= b) {
        return v;
    }
    if (v <= d) {
        return 0;
    }
    const uint32_t q = (uint32_t{v} - d) * 4096u / (uint32_t{b} - d);
    return static_cast<uint16_t>(std::min<uint32_t>(q, kSampleMax));
}

}  // namespace

void ApplyMaskFilter(DibImage& raw, const DefectReferences& references, const FramePlacement& placement) {
    if (const RawPlane<uint8_t> plane = PlaneOf<uint8_t>(raw); plane.bits != nullptr) {
        const Span s = CoveredSpan(plane.width, plane.height, placement);
        const std::array<uint64_t, 256>& reciprocal = Reciprocals();
        for (int32_t y = s.y0; y < s.y1; ++y) {
            uint8_t* row = plane.Row(y);
            const size_t at = ReferenceIndex(placement.left, placement.top + y);
            const uint8_t* dark = references.dark8.data() + at;
            const uint8_t* bright = references.bright8.data() + at;
            for (int32_t x = s.x0; x < s.x1; ++x) {
                row[x] = Normalise8(row[x], dark[x], bright[x], reciprocal);
            }
        }
    } else if (const RawPlane<uint16_t> wide = PlaneOf<uint16_t>(raw); wide.bits != nullptr) {
        const Span s = CoveredSpan(wide.width, wide.height, placement);
        for (int32_t y = s.y0; y < s.y1; ++y) {
            uint16_t* row = wide.Row(y);
            const size_t at = ReferenceIndex(placement.left, placement.top + y);
            const uint16_t* dark = references.dark16.data() + at;
            const uint16_t* bright = references.bright16.data() + at;
            for (int32_t x = s.x0; x < s.x1; ++x) {
                row[x] = Normalise16(row[x], dark[x], bright[x]);
            }
        }
    }
}

}  // namespace ovilux::image::mask
