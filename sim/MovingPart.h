// MovingPart.h - a chequered square that moves across the middle of every frame, so that a
// stale or repeated frame shows. Drawn over the rendered payload as it is copied out.
#pragma once

#include <array>
#include <cstdint>

#include "sim/SimConstants.h"

namespace ovilux::sim {

class CFrameRender;

class CMovingPart {
public:
    // Places and draws the square for frame number on frames of the render's settings.
    void Compose(const CFrameRender& render, uint32_t frameNumber);
    // Draws the square's bytes that fall into payload bytes [offset, offset + length) of
    // destination, which holds exactly those bytes.
    void Overlay(uint8_t* destination, uint64_t offset, uint32_t length) const;

private:
    uint32_t left_ = 0;
    uint32_t top_ = 0;
    uint32_t width_ = 0;   // samples
    uint32_t height_ = 0;  // rows
    uint32_t rowBytes_ = 0;
    uint32_t bytesPerSample_ = 1;
    std::array<uint8_t, kMovingPartSize * kMovingPartSize * 2> tile_{};
};

}  // namespace ovilux::sim
