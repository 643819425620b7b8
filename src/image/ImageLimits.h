// ImageLimits.h - the size limits of the image layer, in one place.
#pragma once

#include <cstdint>

namespace ovilux::image {

// Largest pixel block an image may have: offsets inside it fit a signed 32-bit stride times row.
constexpr int64_t kMaxImageBytes = INT32_MAX;

// The demosaic's border rule reaches two Bayer periods (four pixels) inwards, so it needs at
// least that many rows and columns.
constexpr int32_t kDemosaicMinimumSize = 4;

// Bayer gains beyond the settings' range are taken as this (percent); it also keeps the
// 16-bit demosaic's intermediates inside 32 bits.
constexpr int32_t kMaxBayerGain = 400;

}  // namespace ovilux::image
