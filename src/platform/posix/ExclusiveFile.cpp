// ExclusiveFile.cpp - POSIX files held by an exclusive advisory lock.
#include "platform/ExclusiveFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace ovilux::platform {

bool ExclusiveFile::Open(const std::filesystem::path& path) {
    Close();
    // Not truncated on opening: the file may be another writer's, which the lock finds out
    // before anything of it is lost.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

bool ExclusiveFile::WriteAt(uint64_t position, const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0 && IsOpen()) {
        const ssize_t written = ::pwrite(static_cast<int>(handle_), bytes, size, static_cast<off_t>(position));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
        position += static_cast<uint64_t>(written);
    }
    return size == 0;
}

bool ExclusiveFile::Truncate(uint64_t size) {
    return IsOpen() && ::ftruncate(static_cast<int>(handle_), static_cast<off_t>(size)) == 0;
}

void ExclusiveFile::Close() {
    if (IsOpen()) {
        ::close(static_cast<int>(handle_));  // the lock goes with the descriptor
        handle_ = kNoHandle;
    }
}

}  // namespace ovilux::platform
