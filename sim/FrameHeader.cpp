// FrameHeader.cpp - the header's little-endian layout.
#include "sim/FrameHeader.h"

#include <cstring>

#include "sim/ByteOrder.h"
#include "sim/SimConstants.h"

namespace ovilux::sim {

void CFrameHeader::Write(uint8_t* out) const {
    std::memset(out, 0, kFrameHeaderSize);
    StoreLe32(out + kMagicOffset, kFrameHeaderMagic);
    StoreLe16(out + kWidthOffset, width);
    StoreLe16(out + kHeightOffset, height);
    out[kBytesPerSampleOffset] = bytesPerSample;
    out[kTriggeredOffset] = triggered ? 1 : 0;
    StoreLe32(out + kExposureOffset, exposureMicroseconds);
    StoreLe32(out + kPayloadBytesOffset, payloadBytes);
    StoreLe64(out + kTimestampOffset, timestampMicroseconds);
    StoreLe32(out + kFrameCountOffset, frameCount);
}

}  // namespace ovilux::sim
