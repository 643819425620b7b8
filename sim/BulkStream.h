// BulkStream.h - the bytes on the streaming endpoint. Preparing a read arms the stream: the
// next frame goes out as its 64-byte header followed by as many payload bytes as the header
// announces, and then the stream is quiet until it is armed again. Reads of any size take the
// next bytes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "sim/FrameEngine.h"
#include "sim/MovingPart.h"

namespace ovilux::sim {

class CFrameRender;

class CBulkStream {
public:
    // Frames of the FX3-direct camera go out as their payload alone.
    void SendWithoutHeaders() { headerBytes_ = 0; }
    // Arming drops what is left of a frame being sent.
    void Arm();
    bool Armed() const { return armed_; }
    bool Sending() const { return sending_; }
    // Drops the rest of the frame being sent.
    void Discard();
    // Drops the frame being sent and disarms.
    void Reset();

    // Starts sending frame (disarming the stream); announcedBytes may differ from the frame's own.
    // The moving square is drawn when the render's options ask for motion.
    void Begin(const CFrameRecord& frame, std::shared_ptr<CFrameRender> render, uint32_t announcedBytes,
               SimClock::time_point pluggedIn);
    // Copies up to length next bytes of the frame being sent; returns how many.
    uint32_t CopyOut(uint8_t* destination, uint32_t length);

private:
    bool armed_ = false;
    bool sending_ = false;
    std::array<uint8_t, kFrameHeaderSize> header_{};
    uint32_t headerBytes_ = kFrameHeaderSize;
    std::shared_ptr<CFrameRender> render_;
    uint32_t variant_ = 0;  // the frame's noise variant
    uint32_t frameBytes_ = 0;
    uint64_t total_ = 0;   // header and announced payload
    uint64_t offset_ = 0;  // bytes sent
    CMovingPart movingPart_;
    bool moving_ = false;
};

}  // namespace ovilux::sim
