// MaskFilter.h - the mask filter: every sample normalised between its dark and bright
// reference values (a flat-field correction).
#pragma once

#include "image/DibImage.h"
#include "image/mask/DefectMask.h"
#include "image/mask/FramePlacement.h"

namespace ovilux::image::mask {

// On an 8-bit raw image: a sample v with dark d and bright b (d != b) becomes
// (v - d) x 256 / (b - d), truncated and clipped to 0 ... 255. On a 16-bit raw image (d < b):
// (v - d) x 4096 / (b - d) clipped to 0 ... 4095, so the samples stay 12-bit. Samples whose
// position falls outside the references, or whose references do not qualify, are left alone.
void ApplyMaskFilter(DibImage& raw, const DefectReferences& references, const FramePlacement& placement);

}  // namespace ovilux::image::mask
