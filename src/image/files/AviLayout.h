// AviLayout.h - the bytes of an uncompressed AVI file: one stream of 24-bit bottom-up DIB
// frames, the headers with their placeholders, the frame chunks and the index, and the timing
// fields patched in from the measured rate.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ovilux::image {

constexpr size_t kAviHeaderBytes = 232;  // up to and including the "movi" identifier
constexpr uint64_t kAviRiffSizeOffset = 4;
constexpr uint64_t kAviMicrosecondsOffset = 32;
constexpr uint64_t kAviMaxBytesPerSecondOffset = 36;
constexpr uint64_t kAviTotalFramesOffset = 48;
constexpr uint64_t kAviScaleOffset = 128;
constexpr uint64_t kAviLengthOffset = 140;
constexpr uint64_t kAviMoviSizeOffset = 224;
constexpr uint32_t kAviChunkHeaderBytes = 8;
constexpr uint32_t kAviIndexEntryBytes = 16;
// The rate before anything is measured: 30 frames per second, in hundredths.
constexpr uint32_t kAviInitialRateX100 = 3000;
// Readers take RIFF sizes as signed: no file may reach 2 GiB.
constexpr uint64_t kAviFileLimit = (uint64_t{1} << 31) - 1;

// Bytes of one frame chunk's pixels: whole rows padded to 4 bytes, as DIB readers expect them
// (width x 3 x height for widths whose rows need no padding). 0 when the frame could never fit
// in a file.
uint32_t AviFrameBytes(int32_t width, int32_t height);

// Main header, stream header and format with the placeholders of a file not yet finalised.
std::array<uint8_t, kAviHeaderBytes> AviHeaders(int32_t width, int32_t height, uint32_t frameBytes);

// Frames per second x 100 over the intervals between the first and the last frame. Frames
// that all fell in one millisecond count as one millisecond apart; fewer than two frames
// measure nothing and keep the initial rate.
uint32_t AviRateX100(uint32_t frameCount, uint32_t spanMs);

// The timing fields for a rate in hundredths of frames per second (a rate of 0 counts as 1).
struct AviTiming {
    uint32_t microsecondsPerFrame;
    uint32_t scale;  // in units of the stream's rate field, 10,000,000 per second
    uint32_t maxBytesPerSecond;
};
AviTiming AviTimingOf(uint32_t rateX100, uint32_t frameBytes);

// One "idx1" entry: a key frame whose chunk starts offset bytes after the "movi" identifier.
std::array<uint8_t, kAviIndexEntryBytes> AviIndexEntry(uint32_t offset, uint32_t frameBytes);

// "00db" and the size: what precedes each frame's pixels.
std::array<uint8_t, kAviChunkHeaderBytes> AviChunkHeader(uint32_t frameBytes);

void PutLe32(uint8_t* at, uint32_t value);

}  // namespace ovilux::image
