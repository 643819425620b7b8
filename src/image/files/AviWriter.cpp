// AviWriter.cpp - the file, its frames and its finalisation.
#include "image/files/AviWriter.h"

#include <system_error>
#include <vector>

#include "image/files/AnsiPath.h"

namespace ovilux::image {

namespace {

// Index entries handed to the file at once.
constexpr uint32_t kIndexEntriesPerWrite = 4096;
constexpr uint64_t kMoviDataStart = kAviMoviSizeOffset + 4;  // the "movi" identifier

}  // namespace

CAviWriter::CAviWriter(uint64_t fileLimit) : limit(fileLimit) {}

uint64_t CAviWriter::FrameEnd(uint32_t frames) const {
    return kAviHeaderBytes + uint64_t{frames} * (kAviChunkHeaderBytes + uint64_t{frameBytes});
}

bool CAviWriter::Open(const char* fileName, int32_t width, int32_t height) {
    Reset();
    frameBytes = AviFrameBytes(width, height);
    if (fileName == nullptr || fileName[0] == '\0' || frameBytes == 0 || FrameEnd(1) + 8 + kAviIndexEntryBytes > limit) {
        return false;
    }
    const std::filesystem::path path = PathOfAnsiName(fileName);
    std::error_code error;
    if (path.empty() || std::filesystem::is_directory(path, error)) {
        return false;
    }
    // Written straight through: a frame is one large write already, and a write the disk
    // refuses is then known at once, with nothing left in a buffer to reach the file later.
    const auto headers = AviHeaders(width, height, frameBytes);
    if (!file.Open(path) || !file.WriteAt(0, headers.data(), headers.size())) {
        Reset();
        return false;
    }
    return true;
}

bool CAviWriter::IsFull() const { return FrameEnd(frameCount + 1) + 8 + uint64_t{kAviIndexEntryBytes} * (frameCount + 1) > limit; }

bool CAviWriter::AddFrame(const void* pixels) {
    if (!IsOpen() || failed || pixels == nullptr || IsFull()) {
        return false;
    }
    const auto header = AviChunkHeader(frameBytes);
    const uint64_t at = FrameEnd(frameCount);
    if (!file.WriteAt(at, header.data(), header.size()) || !file.WriteAt(at + header.size(), pixels, frameBytes)) {
        failed = true;
        return false;
    }
    ++frameCount;
    return true;
}

bool CAviWriter::WriteIndex() {
    uint8_t tag[8] = {'i', 'd', 'x', '1'};
    PutLe32(tag + 4, frameCount * kAviIndexEntryBytes);
    uint64_t at = FrameEnd(frameCount);
    if (!file.WriteAt(at, tag, sizeof(tag))) {
        return false;
    }
    at += sizeof(tag);
    std::vector<uint8_t> block;
    for (uint32_t first = 0; first < frameCount; first += kIndexEntriesPerWrite) {
        block.clear();
        for (uint32_t i = first; i < frameCount && i < first + kIndexEntriesPerWrite; ++i) {
            const auto entry = AviIndexEntry(static_cast<uint32_t>(FrameEnd(i) - kMoviDataStart), frameBytes);
            block.insert(block.end(), entry.begin(), entry.end());
        }
        if (!file.WriteAt(at, block.data(), block.size())) {
            return false;
        }
        at += block.size();
    }
    return true;
}

bool CAviWriter::PatchHeaders(uint32_t rateX100) {
    const uint64_t end = FrameEnd(frameCount) + 8 + uint64_t{kAviIndexEntryBytes} * frameCount;
    const AviTiming timing = AviTimingOf(rateX100, frameBytes);
    uint8_t field[4];
    const auto patch = [&](uint64_t offset, uint32_t value) {
        PutLe32(field, value);
        return file.WriteAt(offset, field, sizeof(field));
    };
    return patch(kAviRiffSizeOffset, static_cast<uint32_t>(end - 8)) &&
           patch(kAviMoviSizeOffset, static_cast<uint32_t>(FrameEnd(frameCount) - kMoviDataStart)) &&
           patch(kAviTotalFramesOffset, frameCount) && patch(kAviLengthOffset, frameCount) &&
           patch(kAviMicrosecondsOffset, timing.microsecondsPerFrame) && patch(kAviScaleOffset, timing.scale) &&
           patch(kAviMaxBytesPerSecondOffset, timing.maxBytesPerSecond);
}

bool CAviWriter::Finalize(uint32_t rateX100) {
    if (!IsOpen()) {
        return false;
    }
    const bool frameLost = failed;
    // A full disk may refuse the index: each frame given up frees room for many entries.
    bool indexed = WriteIndex();
    while (!indexed && frameCount > 0) {
        --frameCount;
        indexed = WriteIndex();
    }
    const bool playable = indexed && PatchHeaders(rateX100);
    // Bytes of a frame cut short lie beyond the file's declared end, where readers never look;
    // they go when the system can cut the file.
    if (playable) {
        file.Truncate(FrameEnd(frameCount) + 8 + uint64_t{kAviIndexEntryBytes} * frameCount);
    }
    Reset();
    return playable && !frameLost;
}

void CAviWriter::Reset() {
    file.Close();
    frameBytes = 0;
    frameCount = 0;
    failed = false;
}

}  // namespace ovilux::image
