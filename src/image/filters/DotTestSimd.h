// DotTestSimd.h - vector forms of the whole dot test (8-bit: brightness and colour; 16-bit: the
// distance from the mean and from the eight neighbours) over a block of samples of one row, for
// processors that have the instructions. Each must give, sample for sample, what the plain test
// in DotSuppression.cpp gives.
#pragma once

#include <cstdint>

namespace ovilux::image::filters::detail {

// The rows one tested row y reads: y - 2, y, y + 2 for the neighbour mean, and the four rows
// of the demosaic's red and blue (nearer and farther) for the colour.
struct DotRows8 {
    const uint8_t* above;
    const uint8_t* row;
    const uint8_t* below;
    const uint8_t* redRow;
    const uint8_t* redFar;
    const uint8_t* blueRow;
    const uint8_t* blueFar;
};

// Bit i set when sample x + i is a dot. redOnEven: the samples x, x + 2, ... are on the red
// column; the factors are the demosaic's gain factors (128 is unity, at most 512). Reads columns
// x - 2 to x + block + 1 of every row.
using DotMaskKernel8 = uint32_t (*)(const DotRows8& rows, int32_t x, bool redOnEven, uint32_t redFactor,
                                    uint32_t blueFactor);

struct DotKernel8 {
    DotMaskKernel8 mask;  // null: no vector form on this processor
    int32_t block;        // samples per call
};

// The best form the processor (within the image steps' limit) has.
DotKernel8 VectorDotKernel8();

// Rows y - 2 to y + 2 of a tested 16-bit row y.
struct DotRows16 {
    const uint16_t* rows[5];
};

// Bit i set when sample x + i is a dot. Reads columns x - 2 to x + block + 1 of every row.
using DotMaskKernel16 = uint32_t (*)(const DotRows16& rows, int32_t x);

struct DotKernel16 {
    DotMaskKernel16 mask;  // null: no vector form on this processor
    int32_t block;
};

DotKernel16 VectorDotKernel16();

}  // namespace ovilux::image::filters::detail
