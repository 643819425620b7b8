// BayerMode.cpp - Bayer mode tables.
#include "image/BayerMode.h"

namespace ovilux::image {

RedPhase RedPhaseOf(int32_t bayerMode) {
    static constexpr RedPhase kRed[kBayerModeCount] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
    return kRed[bayerMode];
}

int32_t AdjustBayerModeForMirror(int32_t bayerMode, bool mirrorH, bool mirrorV) {
    if (!IsValidBayerMode(bayerMode)) {
        return bayerMode;
    }
    if (mirrorV) {
        bayerMode ^= 1;  // 0 <-> 1, 2 <-> 3
    }
    if (mirrorH) {
        bayerMode ^= 2;  // 0 <-> 2, 1 <-> 3
    }
    return bayerMode;
}

}  // namespace ovilux::image
