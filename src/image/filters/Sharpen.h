// Sharpen.h - unsharp masking over a 4 x 4 box blur, on the image's interior.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

#include "image/DibImage.h"
#include "image/filters/FilterSamples.h"
#include "image/filters/ToneCurves.h"

namespace ovilux::image::filters {

constexpr int32_t kMaxSharpness = 30;

// Each colour channel of every pixel at least two pixels inside the image becomes
// old + trunc(s x (old - blur) / 10), clipped to the sample range, blur being the mean (>> 4)
// of the 4 x 4 block from (x - 2, y - 2) to (x + 1, y + 1) of the unsharpened image. A band two
// pixels wide, a fourth channel, and images smaller than 5 x 5 (no interior) stay as they are.
// Sharpness 0 leaves the image alone. False, the image unchanged, for an image without pixels,
// a depth other than 8, 16, 24, 32, 48 or 64 bits, or a sharpness outside 0 .. 30.
bool Sharpen(DibImage& image, int32_t sharpness);

// Sharpens an image as Sharpen does, but row band by row band as a chain finishes the rows
// before it, and passes every finished row through a tone table (the brightness that follows
// sharpening), so that the rows are worked while they are in cache. A row is finished once no
// block still waits to read it unsharpened: rows up to one above the last ready row.
//
// A sharpener may own a range of the image's rows only, so that ranges are worked on several
// threads at once. The rows whose block reaches into a neighbouring range (the seam rows) are
// left, unchanged, until every range is ready; FinishSeams then finishes them from the window
// sums each range kept of its first and last rows.
class RowSharpener {
public:
    // after may be null; it must be built for the image's format. The range is clipped to the image.
    RowSharpener(DibImage& image, int32_t sharpness, const ToneTable* after, int32_t firstRow = 0,
                 int32_t endRow = INT32_MAX);
    // As Sharpen's refusals.
    bool Valid() const { return valid_; }
    // Rows firstRow .. endRow - 1 hold the values to sharpen (the end only ever grows); finishes
    // every row of the range that can be. RowsReady(the range's end) finishes the range but its
    // seam rows.
    void RowsReady(int32_t endRow);
    // Finishes the seam rows of ranges that together cover the image, after RowsReady(its end)
    // on each (and its thread joined). All were made with the same image and settings.
    static void FinishSeams(const std::vector<RowSharpener*>& ranges);

private:
    template <typename T>
    void Advance(int32_t ready);
    template <typename T>
    static void FinishSeams(const std::vector<RowSharpener*>& ranges);
    bool Inside(int32_t y) const;
    bool OnSeam(int32_t y) const;
    const std::vector<uint16_t>* EdgeSums(int32_t row) const;

    DibImage& image_;
    int32_t sharpness_;
    const ToneTable* after_;
    SampleLayout layout_{};
    bool valid_ = false;
    int32_t first_;
    int32_t end_;
    int32_t nextRow_;  // the next row to finish
    int32_t nextSum_;  // the next row whose window sums to take
    std::array<std::vector<uint16_t>, 4> sums_;  // the sums of the rows of a block, row y at y % 4
    std::vector<uint16_t> result_;              // one row's sharpened samples; empty when not sharpening
    std::vector<std::pair<int32_t, std::vector<uint16_t>>> edgeSums_;  // of the first and last rows
};

// The plain form Sharpen is held against: a copy, the block summed per pixel, a difference table.
bool SharpenReference(DibImage& image, int32_t sharpness);

}  // namespace ovilux::image::filters
