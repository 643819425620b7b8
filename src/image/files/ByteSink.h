// ByteSink.h - where the image writers put a file's bytes: a stream that reports every
// failed write, and that the TIFF writer can move about in.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ovilux::image {

class CByteSink {
public:
    virtual ~CByteSink() = default;

    // Writes size bytes at the current position and moves past them. False when any of them
    // could not be written; the sink is then failed and every later call is refused.
    virtual bool Write(const void* data, size_t size) = 0;
    // Moves the position; writing past the end fills the gap with zeros. False on failure.
    virtual bool Seek(uint64_t position) = 0;
    virtual uint64_t Position() const = 0;
    // Bytes in the sink so far.
    virtual uint64_t Size() const = 0;
};

}  // namespace ovilux::image
