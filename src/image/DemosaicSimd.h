// DemosaicSimd.h - vector forms of the demosaic's interior row loop, for processors that have
// the instructions; the plain loop in Demosaic.cpp does the rest of every row and is what
// these must equal byte for byte.
#pragma once

#include <cstdint>

#include "image/VectorIsa.h"

namespace ovilux::image::detail {

// The four raw rows one output row reads (see Demosaic.cpp) and the output row at x = 0.
struct DemosaicRows {
    const uint8_t* redRow;
    const uint8_t* redFar;
    const uint8_t* blueRow;
    const uint8_t* blueFar;
    uint8_t* out;
};

// Computes the pixels x, x + 1, ... of one interior row in blocks while a whole block fits
// below end, x being a red column; returns the first x it did not do. Reads columns x - 2 to
// the block's last pixel + 2 of each row; of 4-channel pixels the fourth is left as it was.
using DemosaicRowKernel = int32_t (*)(const DemosaicRows& rows, int32_t x, int32_t end, uint32_t redFactor,
                                      uint32_t blueFactor);

// The kernel for samples of sampleBytes (1 or 2) into pixels of channels (3 or 4) of them;
// null for the plain loop.
DemosaicRowKernel VectorDemosaicRow(int sampleBytes, int channels);

}  // namespace ovilux::image::detail
