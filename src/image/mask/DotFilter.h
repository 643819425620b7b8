// DotFilter.h - the dot filter: samples that the hot or dead masks flag, or that stand apart
// from their four adjacent samples, replaced by the mean of their nearest unmarked samples.
#pragma once

#include "image/DibImage.h"
#include "image/mask/DefectMask.h"
#include "image/mask/FramePlacement.h"

namespace ovilux::image::mask {

constexpr int32_t kDotThreshold8 = 30;
constexpr int32_t kDotThreshold16 = 480;

// Marks samples at least 4 from every edge of the frame: flagged in the masks of the image's
// depth at (left + x, top + y) (positions outside the masks are flagged nowhere), or differing
// from the mean of their four adjacent samples by the threshold or more. Each marked sample
// becomes the mean of the first unmarked samples found left, right, up and down of it in its
// row and column. Uses mask.work for the marks.
void ApplyDotFilter(DibImage& raw, DefectMask& mask, const FramePlacement& placement);

// The same written out plainly: marks, then four searches per marked sample. Masks whose
// vectors are empty flag nothing. The plain form the fast one is held to.
void ApplyDotFilterReference(DibImage& raw, const DefectMarks& masks, const FramePlacement& placement);

}  // namespace ovilux::image::mask
