// BulkStream.cpp - sending a frame's header and payload.
#include "sim/BulkStream.h"

#include <algorithm>
#include <cstring>

#include "sim/FrameHeader.h"
#include "sim/FrameRender.h"

namespace ovilux::sim {

void CBulkStream::Arm() {
    Discard();
    armed_ = true;
}

void CBulkStream::Discard() {
    sending_ = false;
    render_.reset();
}

void CBulkStream::Reset() {
    Discard();
    armed_ = false;
}

void CBulkStream::Begin(const CFrameRecord& frame, std::shared_ptr<CFrameRender> render, uint32_t announcedBytes,
                        SimClock::time_point pluggedIn) {
    const CFrameSettings& settings = render->Settings();
    CFrameHeader header;
    header.payloadBytes = announcedBytes;
    header.frameCount = frame.number;
    header.width = static_cast<uint16_t>(settings.width);
    header.height = static_cast<uint16_t>(settings.height);
    header.bytesPerSample = static_cast<uint8_t>(settings.bytesPerSample);
    header.triggered = frame.triggered;
    header.exposureMicroseconds = settings.exposureMicroseconds;
    header.timestampMicroseconds = static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(frame.time - pluggedIn).count());
    header.Write(header_.data());

    variant_ = frame.number;
    frameBytes_ = settings.FrameBytes();
    moving_ = render->Options().motion;
    if (moving_) {
        movingPart_.Compose(*render, frame.number);
    }
    render_ = std::move(render);
    total_ = headerBytes_ + static_cast<uint64_t>(announcedBytes);
    offset_ = 0;
    armed_ = false;
    sending_ = true;
}

uint32_t CBulkStream::CopyOut(uint8_t* destination, uint32_t length) {
    if (!sending_) {
        return 0;
    }
    const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(length, total_ - offset_));
    uint32_t done = 0;
    if (offset_ < headerBytes_) {
        const uint32_t part = std::min<uint32_t>(count, headerBytes_ - static_cast<uint32_t>(offset_));
        std::memcpy(destination, header_.data() + offset_, part);
        done = part;
    }
    if (done < count) {
        // Payload bytes: the frame's own, then zeros where the header announced more.
        const uint64_t payloadOffset = offset_ + done - headerBytes_;
        const uint32_t wanted = count - done;
        const uint32_t fromFrame =
            payloadOffset < frameBytes_ ? static_cast<uint32_t>(std::min<uint64_t>(wanted, frameBytes_ - payloadOffset)) : 0;
        if (fromFrame > 0) {
            std::memcpy(destination + done, render_->Bytes(variant_, payloadOffset, fromFrame), fromFrame);
            if (moving_) {
                movingPart_.Overlay(destination + done, payloadOffset, fromFrame);
            }
        }
        std::memset(destination + done + fromFrame, 0, wanted - fromFrame);
    }
    offset_ += count;
    if (offset_ == total_) {
        Discard();
    }
    return count;
}

}  // namespace ovilux::sim
