// ExclusiveFile.h - a file one writer holds to itself while it writes it at chosen positions:
// the AVI recorder's output, which nobody else may open or write while a recording is running.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace ovilux::platform {

class ExclusiveFile {
public:
    ExclusiveFile() = default;
    ~ExclusiveFile() { Close(); }
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;

    // Creates path, or empties it when it exists, and holds it: on Windows the file is opened
    // without sharing, so no other reader or writer can open it until Close; on POSIX systems,
    // where a file cannot be kept from readers, it carries an exclusive advisory lock, so
    // another writer that locks (another recording, in this or any process) is refused and the
    // file it holds is not emptied. False when the file cannot be made or another holds it.
    bool Open(const std::filesystem::path& path);
    // Writes all of size bytes at position, straight to the system (nothing is kept back in a
    // buffer); false when the system took fewer.
    bool WriteAt(uint64_t position, const void* data, size_t size);
    // Ends the file at size bytes.
    bool Truncate(uint64_t size);
    void Close();
    bool IsOpen() const { return handle_ != kNoHandle; }

private:
    static constexpr intptr_t kNoHandle = -1;
    intptr_t handle_ = kNoHandle;
};

}  // namespace ovilux::platform
