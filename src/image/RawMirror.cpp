// RawMirror.cpp - in-place mirroring of raw frames.
#include "image/RawMirror.h"

#include <algorithm>
#include <cstddef>

#include "image/BayerMode.h"
#include "image/DibImage.h"

namespace ovilux::image {

namespace {

template <typename Sample>
void ReverseRows(DibImage& raw) {
    auto* bits = static_cast<uint8_t*>(raw.Bits());
    for (int32_t y = 0; y < raw.Height(); ++y) {
        auto* row = reinterpret_cast<Sample*>(bits + static_cast<std::ptrdiff_t>(y) * raw.Stride());
        std::reverse(row, row + raw.Width());
    }
}

void ReverseRowOrder(DibImage& raw) {
    auto* bits = static_cast<uint8_t*>(raw.Bits());
    const int32_t stride = raw.Stride();
    for (int32_t top = 0, bottom = raw.Height() - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(bits + static_cast<std::ptrdiff_t>(top) * stride, bits + static_cast<std::ptrdiff_t>(top + 1) * stride,
                         bits + static_cast<std::ptrdiff_t>(bottom) * stride);
    }
}

}  // namespace

int MirrorRawBuffer(DibImage& raw, const MirrorState& state) {
    const bool softH = state.mirrorH && !state.cameraMirrorsH;
    const bool softV = state.mirrorV && !state.cameraMirrorsV;
    if (!softH && !softV) {
        return 1;
    }
    if (raw.Bits() == nullptr || (raw.BitsPerPixel() != 8 && raw.BitsPerPixel() != 16)) {
        return 0;
    }
    if (softH) {
        raw.BitsPerPixel() == 8 ? ReverseRows<uint8_t>(raw) : ReverseRows<uint16_t>(raw);
    }
    if (softV) {
        ReverseRowOrder(raw);
    }
    return 1;
}

int32_t BayerModeAfterMirroring(int32_t bayerMode, const MirrorState& state, int32_t width, int32_t height) {
    const bool changesColumns = state.mirrorH && (state.cameraMirrorsH || width % 2 == 0);
    const bool changesRows = state.mirrorV && (state.cameraMirrorsV || height % 2 == 0);
    return AdjustBayerModeForMirror(bayerMode, changesColumns, changesRows);
}

int32_t BayerModeAsArrived(int32_t bayerMode, const MirrorState& state) {
    return AdjustBayerModeForMirror(bayerMode, state.mirrorH && state.cameraMirrorsH,
                                    state.mirrorV && state.cameraMirrorsV);
}

}  // namespace ovilux::image
