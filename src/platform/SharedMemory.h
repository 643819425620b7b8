// SharedMemory.h - named shared memory seen by every process of the user, and a lock across them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ovilux::platform {

// A named block of memory shared by every process of this user that opens the same name.
// The block is zero-filled when no other process has it open, and goes away with its last
// user, including users that crashed without closing it. On POSIX the name is made
// per-user and the block is readable and writable by its owner only.
class SharedMemory {
public:
    enum class OpenResult { Created, Opened, Failed };

    SharedMemory();
    ~SharedMemory();
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    OpenResult Open(const char* name, size_t size);
    void Close();

    void* Data() const;
    size_t Size() const;
    bool IsOpen() const;
    // True when this Open made a fresh block rather than joining one in use.
    bool Created() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A mutex shared by every process of the user that names it (and by the threads of each).
// A holder that dies releases it. Not recursive.
class InterProcessMutex {
public:
    explicit InterProcessMutex(const char* name);
    ~InterProcessMutex();
    InterProcessMutex(const InterProcessMutex&) = delete;
    InterProcessMutex& operator=(const InterProcessMutex&) = delete;

    bool IsValid() const;
    // True when acquired within timeoutMs (kWaitInfinite from Event.h waits forever).
    bool Lock(uint32_t timeoutMs);
    void Unlock();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ovilux::platform
