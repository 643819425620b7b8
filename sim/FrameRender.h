// FrameRender.h - the payload bytes of frames with one set of settings: the scene read out as
// the sensor reads it (window, skipping, binning, mirroring), scaled by exposure and gain,
// with noise, hot and dead pixels, framed by the FPGA and packed into 8- or 16-bit samples.
// A few noise variants are rendered once, on first use, so that producing a frame costs a copy.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/FrameSettings.h"
#include "sim/SimConstants.h"

namespace ovilux::sim {

class CScene;

class CFrameRender {
public:
    CFrameRender(const CScene& scene, const CFrameSettings& settings);

    const CFrameSettings& Settings() const { return settings_; }
    // The payload of a frame with noise variant index (modulo the variant count).
    const uint8_t* Variant(uint32_t index);

    // For parts drawn over the scene: the Bayer channel of a payload pixel (-1 where the
    // sensor reads nothing), a scene level through exposure and gain, and a sample's storage.
    int32_t Channel(uint32_t row, uint32_t column) const;
    uint16_t Expose(uint32_t level, int32_t channel) const;
    void Store(uint8_t* destination, uint16_t sample) const;

private:
    void Render(uint32_t variant, uint8_t* out) const;
    void ApplyDefects(uint8_t* out) const;

    const CScene& scene_;
    CFrameSettings settings_;
    // The array row and column of each payload row and column, -1 outside the readout.
    std::vector<int32_t> rowPositions_;
    std::vector<int32_t> columnPositions_;
    std::array<std::vector<uint8_t>, kNoiseVariants> variants_;
};

}  // namespace ovilux::sim
