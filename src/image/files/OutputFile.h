// OutputFile.h - a file written under a temporary name beside its target, put in the target's
// place only once all of it is written: a failed save leaves the previous file as it was.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>

#include "image/files/ByteSink.h"

namespace ovilux::image {

class COutputFile : public CByteSink {
public:
    COutputFile() = default;
    // An uncommitted file is removed; the target stays untouched.
    ~COutputFile() override;
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // Creates the temporary file in the folder of fileName, a name in the thread's ANSI code
    // page (on POSIX systems the bytes of the path). False for an empty name, for a target that
    // exists and is not a writable regular file, and when the folder takes no new file.
    bool Open(const char* fileName);

    bool Write(const void* data, size_t size) override;
    bool Seek(uint64_t newPosition) override;
    uint64_t Position() const override { return position; }
    uint64_t Size() const override { return size; }

    // Flushes and closes the file and renames it over the target, which keeps its permissions.
    // False when anything failed on the way; the target is then as it was before Open.
    bool Commit();

private:
    // Hands the gathered bytes to the stream; false when that fails.
    bool Drain();
    void Discard();

    // Writes are gathered here: the stream passes anything over a kilobyte straight to the
    // system, one call per BMP row or PNG chunk otherwise.
    std::unique_ptr<char[]> buffer;
    size_t buffered = 0;
    std::ofstream stream;
    std::filesystem::path target;
    std::filesystem::path temporary;
    uint64_t position = 0;
    uint64_t size = 0;
    bool open = false;
    bool failed = false;
};

}  // namespace ovilux::image
