// FrameRender.h - the payload bytes of frames with one set of settings: the scene read out as
// the sensor reads it (window, skipping, binning, mirroring), scaled by exposure and gain,
// with noise, hot and dead pixels, framed by the FPGA and packed into 8- or 16-bit samples.
// A few noise variants (one for a scene without noise) are rendered once, row by row as they are
// first sent, so that producing a frame costs a copy; cameras with the same scene, settings and
// options share one render, so that a rig of cameras renders each picture once.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sim/FrameSettings.h"
#include "sim/SceneOptions.h"
#include "sim/SimConstants.h"

namespace ovilux::sim {

class CScene;

class CFrameRender {
public:
    CFrameRender(std::shared_ptr<const CScene> scene, const CFrameSettings& settings, const SceneOptions& options);
    // The render of these frames that any camera of the process holds, or a new one.
    static std::shared_ptr<CFrameRender> Shared(std::shared_ptr<const CScene> scene, const CFrameSettings& settings,
                                                const SceneOptions& options);

    const CFrameSettings& Settings() const { return settings_; }
    // Whether this render draws frames of these settings, of this scene, with these options.
    bool Draws(const CFrameSettings& settings, const CScene* scene, const SceneOptions& options) const;
    const SceneOptions& Options() const { return options_; }
    // Payload bytes [offset, offset + length) of a frame with noise variant index (modulo the
    // variant count). Rows are rendered when first asked for, so the camera sends a header and
    // the first chunks at once instead of rendering a whole new frame first. Any thread; rows
    // rendered once are read without waiting.
    const uint8_t* Bytes(uint32_t index, uint64_t offset, uint32_t length);

    // For parts drawn over the scene: the Bayer channel of a payload pixel (-1 where the
    // sensor reads nothing), a scene level through exposure and gain, and a sample's storage.
    int32_t Channel(uint32_t row, uint32_t column) const;
    uint16_t Expose(uint32_t level, int32_t channel) const;
    void Store(uint8_t* destination, uint16_t sample) const;

private:
    void RenderRows(uint32_t variant, uint8_t* out, uint32_t firstRow, uint32_t endRow) const;
    void ApplyDefects(uint8_t* out, uint32_t firstRow, uint32_t endRow) const;

    std::shared_ptr<const CScene> scene_;
    CFrameSettings settings_;
    SceneOptions options_;
    // The array row and column of each payload row and column, -1 outside the readout.
    std::vector<int32_t> rowPositions_;
    std::vector<int32_t> columnPositions_;
    const uint32_t variantCount_;
    std::mutex renderLock_;  // over rendering rows, never over reading rendered ones
    // Left uninitialised: a variant's memory is touched as its rows are rendered.
    std::array<std::unique_ptr<uint8_t[]>, kNoiseVariants> variants_;
    std::array<std::atomic<uint32_t>, kNoiseVariants> renderedRows_{};  // rows of each variant rendered so far
};

}  // namespace ovilux::sim
