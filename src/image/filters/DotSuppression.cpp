// DotSuppression.cpp - isolated-dot suppression, plain and fast.
//
// Both forms run the same full test per sample (DotTest8, DotTest16). The fast form first asks
// the vector pass which samples of a block of eight can pass the test's first condition and
// runs the full test on those only; where the processor has the instructions, a vector form
// of the whole test decides blocks of samples outright.
//
// Every test reads the frame as it came from the camera: a replacement is written only once
// no later test reads its sample (two rows on). Written at once, a replaced sample beside a
// coloured edge would lower the mean of the next one and the replacements would run on into
// the flat area behind the edge.
#include "image/filters/DotSuppression.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <vector>

#include "image/BayerMode.h"
#include "image/ImageLimits.h"
#include "image/filters/DotCandidates.h"
#include "image/filters/DotTestSimd.h"
#include "image/filters/RawPlane.h"

namespace ovilux::image::filters {

namespace {

using detail::kCandidateBlock;
using detail::RawPlane;

constexpr int32_t kMargin = 2;

template <typename T>
int32_t NeighbourMean(const RawPlane<T>& plane, int32_t x, int32_t y) {
    const T* row = plane.Row(y);
    return (int32_t{row[x - kMargin]} + row[x + kMargin] + plane.Row(y - kMargin)[x] + plane.Row(y + kMargin)[x]) >> 2;
}

// The demosaic's factor for a Bayer gain: 128 is unity.
uint32_t GainFactor(int32_t gain) { return static_cast<uint32_t>(std::clamp(gain, 0, kMaxBayerGain) * 1.28); }

class DotTest8 {
public:
    DotTest8(const RawPlane<uint8_t>& plane, const GainRecord& gains)
        : plane_(plane), red_(RedPhaseOf(gains.bayerMode)), redFactor_(GainFactor(gains.redGain)),
          blueFactor_(GainFactor(gains.blueGain)) {}

    const RawPlane<uint8_t>& Plane() const { return plane_; }

    uint32_t Candidates(int32_t x, int32_t y) const {
        return detail::BrighterCandidates8(plane_.Row(y - kMargin), plane_.Row(y), plane_.Row(y + kMargin), x, kDotThreshold8);
    }

    // Whether the sample at (x, y) is a dot, with the value that replaces it.
    bool IsDot(int32_t x, int32_t y, uint8_t& replacement) const {
        const int32_t avg = NeighbourMean(plane_, x, y);
        if (plane_.Row(y)[x] - avg < kDotThreshold8 || !ColourStandsOut(x, y)) {
            return false;
        }
        replacement = static_cast<uint8_t>(avg);
        return true;
    }

    static detail::DotKernel8 VectorKernel() { return detail::VectorDotKernel8(); }

    // The vector form of IsDot over kernel.block samples from x; bit i for sample x + i.
    uint32_t VectorDots(const detail::DotKernel8& kernel, int32_t x, int32_t y) const {
        const bool redBottom = (y & 1) == red_.row;
        const detail::DotRows8 rows{plane_.Row(y - kMargin),
                                    plane_.Row(y),
                                    plane_.Row(y + kMargin),
                                    plane_.Row(redBottom ? y : y - 1),
                                    plane_.Row(redBottom ? y - 2 : y + 1),
                                    plane_.Row(redBottom ? y - 1 : y),
                                    plane_.Row(redBottom ? y + 1 : y - 2)};
        return kernel.mask(rows, x, (x & 1) == red_.column, redFactor_, blueFactor_);
    }

private:
    // The demosaic's pixel (x, y), from the 2 x 2 block whose bottom-right sample is (x, y).
    // With two samples of margin every sample it reads lies inside the image.
    bool ColourStandsOut(int32_t x, int32_t y) const {
        const bool redRight = (x & 1) == red_.column;
        const bool redBottom = (y & 1) == red_.row;
        const int32_t rc = redRight ? x : x - 1, rcFar = redRight ? x - 2 : x + 1;
        const int32_t bc = redRight ? x - 1 : x, bcFar = redRight ? x + 1 : x - 2;
        const uint8_t* rRow = plane_.Row(redBottom ? y : y - 1);
        const uint8_t* rFar = plane_.Row(redBottom ? y - 2 : y + 1);
        const uint8_t* bRow = plane_.Row(redBottom ? y - 1 : y);
        const uint8_t* bFar = plane_.Row(redBottom ? y + 1 : y - 2);
        const uint32_t redSum = 9u * rRow[rc] + 3u * rRow[rcFar] + 3u * rFar[rc] + rFar[rcFar];
        const uint32_t blueSum = 9u * bRow[bc] + 3u * bRow[bcFar] + 3u * bFar[bc] + bFar[bcFar];
        // Wrapped rather than clipped: a bright red or blue reads as a dark one here.
        const int32_t red = static_cast<int32_t>(((redSum * redFactor_) >> 11) & 0xFF);
        const int32_t blue = static_cast<int32_t>(((blueSum * blueFactor_) >> 11) & 0xFF);
        const int32_t green = (int32_t{rRow[bc]} + bRow[rc]) >> 1;
        const int spread = int{std::abs(red - green) > kDotColourSpread8} + int{std::abs(red - blue) > kDotColourSpread8} +
                           int{std::abs(green - blue) > kDotColourSpread8};
        return spread > 1;
    }

    RawPlane<uint8_t> plane_;
    RedPhase red_;
    uint32_t redFactor_;
    uint32_t blueFactor_;
};

class DotTest16 {
public:
    explicit DotTest16(const RawPlane<uint16_t>& plane) : plane_(plane) {}

    const RawPlane<uint16_t>& Plane() const { return plane_; }

    uint32_t Candidates(int32_t x, int32_t y) const {
        return detail::DistantCandidates16(plane_.Row(y - kMargin), plane_.Row(y), plane_.Row(y + kMargin), x,
                                           kDotThreshold16);
    }

    bool IsDot(int32_t x, int32_t y, uint16_t& replacement) const {
        const int32_t avg = NeighbourMean(plane_, x, y);
        const int32_t value = plane_.Row(y)[x];
        if (std::abs(value - avg) < kDotThreshold16) {
            return false;
        }
        for (int32_t dy = -1; dy <= 1; ++dy) {
            const uint16_t* row = plane_.Row(y + dy);
            for (int32_t dx = -1; dx <= 1; ++dx) {
                if ((dx != 0 || dy != 0) && std::abs(row[x + dx] - value) < kDotThreshold16) {
                    return false;
                }
            }
        }
        replacement = static_cast<uint16_t>(avg);
        return true;
    }

    static detail::DotKernel16 VectorKernel() { return detail::VectorDotKernel16(); }

    uint32_t VectorDots(const detail::DotKernel16& kernel, int32_t x, int32_t y) const {
        return kernel.mask({{plane_.Row(y - 2), plane_.Row(y - 1), plane_.Row(y), plane_.Row(y + 1), plane_.Row(y + 2)}}, x);
    }

private:
    RawPlane<uint16_t> plane_;
};

// Replacements found in a row, written when the scan is two rows further on: the tests of
// the next two rows still read the row as it came.
template <typename T>
class DeferredWrites {
public:
    explicit DeferredWrites(const RawPlane<T>& plane) : plane_(plane) {}

    void Add(int32_t x, int32_t y, T value) { rows_[y % kRows].push_back({x, y, value}); }
    // Row y is scanned: the row two above it is read by no later test.
    void RowDone(int32_t y) { WriteSlot((y + 1) % kRows); }
    // Writes what is left; the number of samples replaced.
    int Finish() {
        for (int32_t slot = 0; slot < kRows; ++slot) {
            WriteSlot(slot);
        }
        return count_;
    }

private:
    static constexpr int32_t kRows = kMargin + 1;
    struct Write {
        int32_t x, y;
        T value;
    };
    void WriteSlot(int32_t slot) {
        for (const Write& w : rows_[slot]) {
            plane_.Row(w.y)[w.x] = w.value;
        }
        count_ += static_cast<int>(rows_[slot].size());
        rows_[slot].clear();
    }

    RawPlane<T> plane_;
    std::vector<Write> rows_[kRows];
    int count_ = 0;
};

template <typename T, typename Test>
void TestSample(const Test& test, DeferredWrites<T>& writes, int32_t x, int32_t y) {
    T replacement{};
    if (test.IsDot(x, y, replacement)) {
        writes.Add(x, y, replacement);
    }
}

template <typename T, typename Test>
int ScanEverySample(const Test& test) {
    const RawPlane<T> plane = test.Plane();
    DeferredWrites<T> writes(plane);
    for (int32_t y = kMargin; y < plane.height - kMargin; ++y) {
        for (int32_t x = kMargin; x < plane.width - kMargin; ++x) {
            TestSample(test, writes, x, y);
        }
        writes.RowDone(y);
    }
    return writes.Finish();
}

// Samples x to the row's end of row y, in blocks of the first condition's candidates.
template <typename T, typename Test>
void ScanRowCandidates(const Test& test, DeferredWrites<T>& writes, int32_t x, int32_t y) {
    const int32_t end = test.Plane().width - kMargin;
    for (; x < end; x += kCandidateBlock) {
        const int32_t count = std::min(kCandidateBlock, end - x);
        // The last, partial block is tested in full.
        uint32_t pending = count == kCandidateBlock ? test.Candidates(x, y) : (1u << count) - 1;
        while (pending != 0) {
            const int i = std::countr_zero(pending);
            pending &= pending - 1;
            TestSample(test, writes, x + i, y);
        }
    }
}

template <typename T, typename Test>
int ScanCandidates(const Test& test) {
    const RawPlane<T> plane = test.Plane();
    DeferredWrites<T> writes(plane);
    for (int32_t y = kMargin; y < plane.height - kMargin; ++y) {
        ScanRowCandidates(test, writes, kMargin, y);
        writes.RowDone(y);
    }
    return writes.Finish();
}

// Whole blocks by the vector form of the full test; the rest of each row as ScanCandidates.
template <typename T, typename Test, typename Kernel>
int ScanVectorDots(const Test& test, const Kernel& kernel) {
    const RawPlane<T> plane = test.Plane();
    DeferredWrites<T> writes(plane);
    const int32_t end = plane.width - kMargin;
    for (int32_t y = kMargin; y < plane.height - kMargin; ++y) {
        int32_t x = kMargin;
        for (; x + kernel.block <= end; x += kernel.block) {
            for (uint32_t dots = test.VectorDots(kernel, x, y); dots != 0; dots &= dots - 1) {
                const int32_t at = x + std::countr_zero(dots);
                writes.Add(at, y, static_cast<T>(NeighbourMean(plane, at, y)));
            }
        }
        ScanRowCandidates(test, writes, x, y);
        writes.RowDone(y);
    }
    return writes.Finish();
}

template <typename T, typename Test>
int Scan(const Test& test, bool fast) {
    if (!fast) {
        return ScanEverySample<T>(test);
    }
    const auto kernel = Test::VectorKernel();
    return kernel.mask != nullptr ? ScanVectorDots<T>(test, kernel) : ScanCandidates<T>(test);
}

template <bool Fast>
int Suppress(DibImage& raw, const GainRecord& gains) {
    if (!IsValidBayerMode(gains.bayerMode)) {
        return -1;
    }
    if (const auto plane = detail::PlaneOf<uint8_t>(raw); plane.bits != nullptr) {
        return Scan<uint8_t>(DotTest8(plane, gains), Fast);
    }
    if (const auto plane = detail::PlaneOf<uint16_t>(raw); plane.bits != nullptr) {
        return Scan<uint16_t>(DotTest16(plane), Fast);
    }
    return -1;
}

}  // namespace

int SuppressIsolatedDots(DibImage& raw, const GainRecord& gains) { return Suppress<true>(raw, gains); }

int SuppressIsolatedDotsReference(DibImage& raw, const GainRecord& gains) { return Suppress<false>(raw, gains); }

}  // namespace ovilux::image::filters
