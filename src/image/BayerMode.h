// BayerMode.h - the Bayer mode as the demosaic reads it: which raw samples are red and blue,
// and how mirroring changes that.
#pragma once

#include <cstdint>

namespace ovilux::image {

constexpr int32_t kBayerModeCount = 4;

// Where the red samples are: the parity of their column and row, counted from the first
// sample in memory. Blue samples sit at the opposite parities, green at the mixed ones.
//   mode 0: G B / R G   mode 1: R G / G B   mode 2: B G / G R   mode 3: G R / B G
struct RedPhase {
    int32_t column;
    int32_t row;
};

constexpr bool IsValidBayerMode(int32_t bayerMode) { return bayerMode >= 0 && bayerMode < kBayerModeCount; }
// Valid modes only.
RedPhase RedPhaseOf(int32_t bayerMode);

// The mode of the same pattern seen mirrored: vertical mirroring exchanges 0 and 1, 2 and 3;
// horizontal mirroring then exchanges 0 and 2, 1 and 3. An invalid mode comes back unchanged.
int32_t AdjustBayerModeForMirror(int32_t bayerMode, bool mirrorH, bool mirrorV);

}  // namespace ovilux::image
