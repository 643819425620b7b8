// MovingPart.cpp - the moving square: placed per frame, drawn through the Bayer pattern.
#include "sim/MovingPart.h"

#include <algorithm>
#include <cstring>

#include "sim/FrameRender.h"

namespace ovilux::sim {

namespace {

constexpr uint32_t kCheckerCell = 8;
constexpr uint32_t kBrightLevel = 3600;
constexpr uint32_t kDarkLevel = 150;

}  // namespace

void CMovingPart::Compose(const CFrameRender& render, uint32_t frameNumber) {
    const CFrameSettings& settings = render.Settings();
    width_ = std::min(kMovingPartSize, settings.width);
    height_ = std::min(kMovingPartSize, settings.height);
    bytesPerSample_ = settings.bytesPerSample;
    rowBytes_ = settings.width * bytesPerSample_;
    if (width_ == 0 || height_ == 0) {
        return;
    }
    const uint32_t travel = settings.width - width_ + 1;
    left_ = static_cast<uint32_t>((static_cast<uint64_t>(frameNumber) * kMovingPartStep) % travel);
    top_ = (settings.height - height_) / 2;
    for (uint32_t r = 0; r < height_; ++r) {
        for (uint32_t c = 0; c < width_; ++c) {
            const bool bright = ((r / kCheckerCell) + (c / kCheckerCell)) % 2 == 0;
            const uint16_t sample =
                render.Expose(bright ? kBrightLevel : kDarkLevel, render.Channel(top_ + r, left_ + c));
            render.Store(&tile_[(r * width_ + c) * bytesPerSample_], sample);
        }
    }
}

void CMovingPart::Overlay(uint8_t* destination, uint64_t offset, uint32_t length) const {
    if (width_ == 0 || height_ == 0 || length == 0) {
        return;
    }
    const uint64_t end = offset + length;
    const uint64_t firstRow = std::max<uint64_t>(offset / rowBytes_, top_);
    const uint64_t lastRow = std::min<uint64_t>((end - 1) / rowBytes_, top_ + height_ - 1);
    const uint32_t tileRowBytes = width_ * bytesPerSample_;
    for (uint64_t row = firstRow; row <= lastRow; ++row) {
        const uint64_t segmentStart = row * rowBytes_ + static_cast<uint64_t>(left_) * bytesPerSample_;
        const uint64_t from = std::max(segmentStart, offset);
        const uint64_t to = std::min(segmentStart + tileRowBytes, end);
        if (from >= to) {
            continue;
        }
        const uint8_t* source = &tile_[(row - top_) * tileRowBytes + (from - segmentStart)];
        std::memcpy(destination + (from - offset), source, to - from);
    }
}

}  // namespace ovilux::sim
