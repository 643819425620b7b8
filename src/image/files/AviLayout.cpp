// AviLayout.cpp - header fields, chunk and index bytes, timing.
#include "image/files/AviLayout.h"

#include <algorithm>
#include <cstring>

namespace ovilux::image {

namespace {

constexpr uint32_t kMainHeaderFlags = 0x10010;  // has an index, was captured
constexpr uint32_t kStreamRate = 10000000;
constexpr uint32_t kKeyFrameFlag = 16;
constexpr uint32_t kHdrlListSize = 200;
constexpr uint32_t kStrlListSize = 124;

void PutTag(uint8_t* at, const char (&tag)[5]) { std::memcpy(at, tag, 4); }

}  // namespace

void PutLe32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint32_t AviFrameBytes(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    const uint64_t stride = (uint64_t{static_cast<uint32_t>(width)} * 3 + 3) & ~uint64_t{3};
    const uint64_t bytes = stride * static_cast<uint32_t>(height);
    const uint64_t room = kAviFileLimit - kAviHeaderBytes - kAviChunkHeaderBytes - 8 - kAviIndexEntryBytes;
    return bytes > room ? 0 : static_cast<uint32_t>(bytes);
}

std::array<uint8_t, kAviHeaderBytes> AviHeaders(int32_t width, int32_t height, uint32_t frameBytes) {
    std::array<uint8_t, kAviHeaderBytes> h{};
    uint8_t* p = h.data();
    const AviTiming initial = AviTimingOf(kAviInitialRateX100, frameBytes);
    const uint32_t w = static_cast<uint32_t>(width);
    const uint32_t ht = static_cast<uint32_t>(height);
    PutTag(p + 0, "RIFF");
    PutTag(p + 8, "AVI ");
    PutTag(p + 12, "LIST");
    PutLe32(p + 16, kHdrlListSize);
    PutTag(p + 20, "hdrl");
    PutTag(p + 24, "avih");
    PutLe32(p + 28, 56);
    PutLe32(p + kAviMicrosecondsOffset, initial.microsecondsPerFrame);
    PutLe32(p + kAviMaxBytesPerSecondOffset, initial.maxBytesPerSecond);
    PutLe32(p + 44, kMainHeaderFlags);
    PutLe32(p + 56, 1);  // streams
    PutLe32(p + 60, frameBytes + kAviChunkHeaderBytes);
    PutLe32(p + 64, w);
    PutLe32(p + 68, ht);
    PutTag(p + 88, "LIST");
    PutLe32(p + 92, kStrlListSize);
    PutTag(p + 96, "strl");
    PutTag(p + 100, "strh");
    PutLe32(p + 104, 64);
    PutTag(p + 108, "vids");
    PutTag(p + 112, "DIB ");
    PutLe32(p + kAviScaleOffset, initial.scale);
    PutLe32(p + 132, kStreamRate);
    PutLe32(p + 144, frameBytes + kAviChunkHeaderBytes);
    PutTag(p + 172, "strf");
    PutLe32(p + 176, 40);
    PutLe32(p + 180, 40);  // BITMAPINFOHEADER size
    PutLe32(p + 184, w);
    PutLe32(p + 188, ht);
    p[192] = 1;   // planes
    p[194] = 24;  // bits per pixel
    PutTag(p + 220, "LIST");
    PutTag(p + 228, "movi");
    return h;
}

uint32_t AviRateX100(uint32_t frameCount, uint32_t spanMs) {
    if (frameCount < 2) {
        return kAviInitialRateX100;
    }
    const uint64_t rate = uint64_t{frameCount - 1} * 100000 / std::max<uint32_t>(spanMs, 1);
    return static_cast<uint32_t>(std::clamp<uint64_t>(rate, 1, UINT32_MAX));
}

AviTiming AviTimingOf(uint32_t rateX100, uint32_t frameBytes) {
    const uint32_t rate = std::max<uint32_t>(rateX100, 1);
    const uint64_t bytesPerSecond = (uint64_t{frameBytes} + kAviChunkHeaderBytes) * rate / 100;
    return AviTiming{100000000u / rate, 1000000000u / rate,
                     static_cast<uint32_t>(std::min<uint64_t>(bytesPerSecond, UINT32_MAX))};
}

std::array<uint8_t, kAviIndexEntryBytes> AviIndexEntry(uint32_t offset, uint32_t frameBytes) {
    std::array<uint8_t, kAviIndexEntryBytes> e{};
    PutTag(e.data(), "00db");
    PutLe32(e.data() + 4, kKeyFrameFlag);
    PutLe32(e.data() + 8, offset);
    PutLe32(e.data() + 12, frameBytes);
    return e;
}

std::array<uint8_t, kAviChunkHeaderBytes> AviChunkHeader(uint32_t frameBytes) {
    std::array<uint8_t, kAviChunkHeaderBytes> c{};
    PutTag(c.data(), "00db");
    PutLe32(c.data() + 4, frameBytes);
    return c;
}

}  // namespace ovilux::image
