// RawMirror.h - mirroring of the raw frame in software where the camera cannot, and the Bayer
// mode the demosaic then has to read.
#pragma once

#include <cstdint>

namespace ovilux::image {

class DibImage;

struct MirrorState {
    bool mirrorH;         // horizontal mirroring asked for
    bool mirrorV;         // vertical mirroring asked for
    bool cameraMirrorsH;  // the camera mirrors horizontally itself
    bool cameraMirrorsV;
};

// Reverses each row of an 8 or 16-bit raw buffer when horizontal mirroring is on and the
// camera cannot do it, and the order of the rows likewise for vertical mirroring. 1 when done
// or nothing was needed; 0 (untouched) for other depths.
int MirrorRawBuffer(DibImage& raw, const MirrorState& state);

// The Bayer mode for the demosaic of a width x height raw frame after mirroring. A mirror
// that the camera makes exchanges the mode as AdjustBayerModeForMirror does; one made here
// changes the phase only when the mirrored dimension is even, since reversing an odd number
// of columns (rows) leaves every colour on the parity it had.
int32_t BayerModeAfterMirroring(int32_t bayerMode, const MirrorState& state, int32_t width, int32_t height);

// The Bayer mode of a raw frame as it arrived: only the mirrors the camera made have changed
// its phase, the software mirroring has not run yet.
int32_t BayerModeAsArrived(int32_t bayerMode, const MirrorState& state);

}  // namespace ovilux::image
