// AviWriter.h - writes one uncompressed AVI file frame by frame, every write checked: a file
// the disk could not take in full is still finalised with the frames it holds, so it plays.
#pragma once

#include <cstdint>
#include <filesystem>

#include "image/files/AviLayout.h"
#include "platform/ExclusiveFile.h"

namespace ovilux::image {

class CAviWriter {
public:
    // fileLimit: the size no file may pass (kAviFileLimit; smaller only to test splitting).
    explicit CAviWriter(uint64_t fileLimit = kAviFileLimit);
    ~CAviWriter() { Reset(); }
    CAviWriter(const CAviWriter&) = delete;
    CAviWriter& operator=(const CAviWriter&) = delete;

    // Opens fileName (ANSI code page), truncating it, for frames of width x height and writes
    // the headers with placeholders. The file is held to this writer until it is finalised or
    // reset (see platform::ExclusiveFile). False when the frames could not fit in a file, the
    // file cannot be written or another writer holds it; nothing is open then.
    bool Open(const char* fileName, int32_t width, int32_t height);
    // Whether one more frame and its index entry would take the file past its limit.
    bool IsFull() const;
    // Appends one frame: FrameBytes() bytes of 24-bit rows, bottom-up, padded to 4 bytes.
    // False when the file is full, not open, or the write failed; a failed writer takes no
    // more frames and Finalize keeps the ones written whole.
    bool AddFrame(const void* pixels);
    // Writes the index, patches sizes, counts and timing (rate in hundredths of frames per
    // second) and closes. Frames whose index the disk cannot take are dropped from the end.
    // False when the file could not be made playable or a frame was lost on the way.
    bool Finalize(uint32_t rateX100);
    // Closes the file as it is and forgets it.
    void Reset();

    bool IsOpen() const { return file.IsOpen(); }
    bool Failed() const { return failed; }
    uint32_t FrameCount() const { return frameCount; }
    uint32_t FrameBytes() const { return frameBytes; }

private:
    uint64_t FrameEnd(uint32_t frames) const;
    bool WriteIndex();
    bool PatchHeaders(uint32_t rateX100);

    platform::ExclusiveFile file;
    uint64_t limit;
    uint32_t frameBytes = 0;
    uint32_t frameCount = 0;
    bool failed = false;
};

}  // namespace ovilux::image
