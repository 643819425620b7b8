// DotFilter.cpp - marking, then replacing the marked samples.
//
// Marks are never corrected and corrections never read marked samples, so every sample is
// replaced from the frame as it came, whatever order the corrections run in. The searches are
// kept short by remembering, per column, the nearest unmarked sample above the last marked one
// and the next unmarked one below; per row the same to the left and right. A frame marked all
// over (a fine grating, say) then costs a few passes, not a walk to the edge per sample.
#include "image/mask/DotFilter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/filters/RawPlane.h"

namespace ovilux::image::mask {

namespace {

using filters::detail::PlaneOf;
using filters::detail::RawPlane;

// Samples this close to an edge are never marked, so every search finds an unmarked sample.
constexpr int32_t kEdge = 4;

template <typename T>
void MarkFrame(const RawPlane<T>& plane, const DefectMarks& masks, const FramePlacement& at, int32_t threshold,
               uint8_t* work) {
    const int32_t w = plane.width;
    const int32_t xMaskEnd = std::min(w - kEdge, kMaskWidth - at.left);
    for (int32_t y = kEdge; y < plane.height - kEdge; ++y) {
        const T* up = plane.Row(y - 1);
        const T* row = plane.Row(y);
        const T* down = plane.Row(y + 1);
        uint8_t* marks = work + static_cast<size_t>(y) * static_cast<size_t>(w);
        for (int32_t x = kEdge; x < w - kEdge; ++x) {
            const int32_t mean = (int32_t{row[x - 1]} + row[x + 1] + up[x] + down[x]) >> 2;
            const int32_t deviation = int32_t{row[x]} - mean;
            marks[x] = static_cast<uint8_t>((deviation >= threshold) | (deviation <= -threshold));
        }
        const int32_t maskRow = at.top + y;
        if (at.left < 0 || at.top < 0 || maskRow >= kMaskHeight) {
            continue;
        }
        const size_t start = static_cast<size_t>(maskRow) * kMaskWidth + static_cast<size_t>(at.left);
        const uint8_t* hot = masks.hot.data() + start;
        const uint8_t* dead = masks.dead.data() + start;
        for (int32_t x = kEdge; x < xMaskEnd; ++x) {
            marks[x] = static_cast<uint8_t>(marks[x] | hot[x] | dead[x]);
        }
    }
}

bool RowHasMarks(const uint8_t* marks, int32_t width) {
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        uint64_t block;
        std::memcpy(&block, marks + x, sizeof(block));
        if (block != 0) {
            return true;
        }
    }
    for (; x < width; ++x) {
        if (marks[x] != 0) {
            return true;
        }
    }
    return false;
}

template <typename T>
void CorrectMarked(const RawPlane<T>& plane, const uint8_t* work) {
    const int32_t w = plane.width;
    const int32_t h = plane.height;
    auto marked = [&](int32_t x, int32_t y) { return work[static_cast<size_t>(y) * static_cast<size_t>(w) + x] != 0; };
    // Per column: the row of the last marked sample corrected and the unmarked row above it;
    // the next unmarked row below, valid while it lies below the row being corrected.
    std::vector<int32_t> lastMarkedRow(static_cast<size_t>(w), -1);
    std::vector<int32_t> upRow(static_cast<size_t>(w), 0);
    std::vector<int32_t> downRow(static_cast<size_t>(w), -1);
    for (int32_t y = kEdge; y < h - kEdge; ++y) {
        const uint8_t* marks = work + static_cast<size_t>(y) * static_cast<size_t>(w);
        if (!RowHasMarks(marks, w)) {
            continue;
        }
        T* row = plane.Row(y);
        int32_t lastMarkedX = -1;
        int32_t left = 0;
        int32_t right = -1;
        for (int32_t x = kEdge; x < w - kEdge; ++x) {
            if (marks[x] == 0) {
                continue;
            }
            left = lastMarkedX == x - 1 ? left : x - 1;
            lastMarkedX = x;
            if (right <= x) {
                for (right = x + 1; marks[right] != 0; ++right) {
                }
            }
            const size_t c = static_cast<size_t>(x);
            upRow[c] = lastMarkedRow[c] == y - 1 ? upRow[c] : y - 1;
            lastMarkedRow[c] = y;
            if (downRow[c] <= y) {
                for (downRow[c] = y + 1; marked(x, downRow[c]); ++downRow[c]) {
                }
            }
            const int32_t sum = int32_t{row[left]} + row[right] + plane.Row(upRow[c])[x] + plane.Row(downRow[c])[x];
            row[x] = static_cast<T>(sum / 4);
        }
    }
}

template <typename T>
void FilterDots(const RawPlane<T>& plane, DefectMask& mask, const DefectMarks& masks, const FramePlacement& at,
                int32_t threshold) {
    if (plane.width <= 2 * kEdge || plane.height <= 2 * kEdge) {
        return;
    }
    mask.work.assign(static_cast<size_t>(plane.width) * static_cast<size_t>(plane.height), 0);
    MarkFrame(plane, masks, at, threshold, mask.work.data());
    CorrectMarked(plane, mask.work.data());
}

// A sample the plain form marks: flagged in a mask at its sensor position, or standing apart
// from the mean of its four adjacent samples.
template <typename T>
bool PlainMark(const RawPlane<T>& plane, const DefectMarks& masks, const FramePlacement& at, int32_t threshold,
               int32_t x, int32_t y) {
    const int32_t mx = at.left + x;
    const int32_t my = at.top + y;
    const size_t index = static_cast<size_t>(my) * kMaskWidth + static_cast<size_t>(mx);
    const bool flagged = !masks.hot.empty() && at.left >= 0 && at.top >= 0 && mx < kMaskWidth && my < kMaskHeight &&
                         (masks.hot[index] != 0 || masks.dead[index] != 0);
    const int32_t mean = (int32_t{plane.Row(y)[x - 1]} + plane.Row(y)[x + 1] + plane.Row(y - 1)[x] + plane.Row(y + 1)[x]) >> 2;
    return flagged || std::abs(int32_t{plane.Row(y)[x]} - mean) >= threshold;
}

template <typename T>
void PlainDotFilter(const RawPlane<T>& plane, const DefectMarks& masks, const FramePlacement& at, int32_t threshold) {
    const int32_t w = plane.width;
    const int32_t h = plane.height;
    if (w <= 2 * kEdge || h <= 2 * kEdge) {
        return;
    }
    std::vector<uint8_t> marks(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    const auto marked = [&](int32_t x, int32_t y) -> uint8_t& { return marks[static_cast<size_t>(y) * w + x]; };
    for (int32_t y = kEdge; y < h - kEdge; ++y) {
        for (int32_t x = kEdge; x < w - kEdge; ++x) {
            marked(x, y) = PlainMark(plane, masks, at, threshold, x, y) ? 1 : 0;
        }
    }
    // Marked samples are never read, so correcting in place reads the frame as it came. The
    // nearest unmarked sample below each one is found in a pass from the bottom up; those
    // above, left and right as the rows are scanned.
    std::vector<int32_t> below(marks.size(), -1);
    for (int32_t x = 0; x < w; ++x) {
        for (int32_t y = h - 1, next = -1; y >= 0; --y) {
            below[static_cast<size_t>(y) * w + x] = next;
            next = marked(x, y) != 0 ? next : y;
        }
    }
    std::vector<int32_t> above(static_cast<size_t>(w), -1);
    std::vector<int32_t> right(static_cast<size_t>(w), -1);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = w - 1, next = -1; x >= 0; --x) {
            right[static_cast<size_t>(x)] = next;
            next = marked(x, y) != 0 ? next : x;
        }
        T* row = plane.Row(y);
        for (int32_t x = 0, left = -1; x < w; ++x) {
            if (marked(x, y) == 0) {
                left = x;
                above[static_cast<size_t>(x)] = y;
                continue;
            }
            const int32_t down = below[static_cast<size_t>(y) * w + x];
            const int32_t sum = int32_t{row[left]} + row[right[static_cast<size_t>(x)]] +
                                plane.Row(above[static_cast<size_t>(x)])[x] + plane.Row(down)[x];
            row[x] = static_cast<T>(sum / 4);
        }
    }
}

}  // namespace

void ApplyDotFilterReference(DibImage& raw, const DefectMarks& masks, const FramePlacement& placement) {
    if (const RawPlane<uint8_t> plane = PlaneOf<uint8_t>(raw); plane.bits != nullptr) {
        PlainDotFilter(plane, masks, placement, kDotThreshold8);
    } else if (const RawPlane<uint16_t> wide = PlaneOf<uint16_t>(raw); wide.bits != nullptr) {
        PlainDotFilter(wide, masks, placement, kDotThreshold16);
    }
}

void ApplyDotFilter(DibImage& raw, DefectMask& mask, const FramePlacement& placement) {
    if (const RawPlane<uint8_t> plane = PlaneOf<uint8_t>(raw); plane.bits != nullptr) {
        FilterDots(plane, mask, mask.marks8, placement, kDotThreshold8);
    } else if (const RawPlane<uint16_t> wide = PlaneOf<uint16_t>(raw); wide.bits != nullptr) {
        FilterDots(wide, mask, mask.marks16, placement, kDotThreshold16);
    }
}

}  // namespace ovilux::image::mask
