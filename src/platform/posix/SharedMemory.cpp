// SharedMemory.cpp - POSIX shared memory with Windows file-mapping lifetime.
//
// Every user of a block holds a shared flock on it; the kernel drops the flock of a process
// that dies, so "no flock held" means "no live user" even after a crash. Opening and closing
// run under a second, per-name guard lock so that a closer deciding it is the last user
// cannot race with a new opener. Names are prefixed with the user id and the objects are
// mode 0600: another user can neither read our table nor plant one for us.
#include "platform/SharedMemory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Event.h"

namespace ovilux::platform {

namespace {

std::string PerUserName(const char* name, const char* suffix) {
    std::string result = "/ovilux-" + std::to_string(static_cast<unsigned long>(geteuid())) + "-";
    for (const char* p = name; *p != '\0'; ++p) {
        result += (*p == '/' || *p == '\\') ? '_' : *p;
    }
    return result + suffix;
}

// Opens (creating when missing) a shared-memory object that must belong to this user.
int OpenOwnedObject(const std::string& name) {
    const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_uid != geteuid() || (info.st_mode & 077) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int FlockRetrying(int fd, int operation) {
    int result;
    do {
        result = flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

// Holds the per-name guard lock for one scope.
class GuardLock {
public:
    explicit GuardLock(const std::string& guardName) : fd_(OpenOwnedObject(guardName)) {
        if (fd_ >= 0 && FlockRetrying(fd_, LOCK_EX) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~GuardLock() {
        if (fd_ >= 0) {
            close(fd_);  // closing drops the lock
        }
    }
    GuardLock(const GuardLock&) = delete;
    GuardLock& operator=(const GuardLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_;
};

}  // namespace

struct SharedMemory::Impl {
    std::string objectName;
    std::string guardName;
    int fd = -1;
    void* data = nullptr;
    size_t size = 0;
    bool created = false;
};

SharedMemory::SharedMemory() : impl_(std::make_unique<Impl>()) {}

SharedMemory::~SharedMemory() { Close(); }

SharedMemory::OpenResult SharedMemory::Open(const char* name, size_t size) {
    if (IsOpen() || name == nullptr || *name == '\0' || size == 0) {
        return OpenResult::Failed;
    }
    Impl& m = *impl_;
    m.objectName = PerUserName(name, "");
    m.guardName = PerUserName(name, ".guard");
    GuardLock guard(m.guardName);
    if (!guard.Held()) {
        return OpenResult::Failed;
    }
    const int fd = OpenOwnedObject(m.objectName);
    if (fd < 0) {
        return OpenResult::Failed;
    }
    bool fresh = FlockRetrying(fd, LOCK_EX | LOCK_NB) == 0;
    if (fresh) {
        // Nobody alive uses it: start from zeros, as a new file mapping would.
        if (ftruncate(fd, 0) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0 || FlockRetrying(fd, LOCK_SH) != 0) {
            close(fd);
            return OpenResult::Failed;
        }
    } else {
        struct stat info {};
        if (FlockRetrying(fd, LOCK_SH) != 0 || fstat(fd, &info) != 0 || static_cast<size_t>(info.st_size) < size) {
            close(fd);
            return OpenResult::Failed;
        }
    }
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) {
        close(fd);
        return OpenResult::Failed;
    }
    m.fd = fd;
    m.data = data;
    m.size = size;
    m.created = fresh;
    return fresh ? OpenResult::Created : OpenResult::Opened;
}

void SharedMemory::Close() {
    Impl& m = *impl_;
    if (m.fd < 0) {
        return;
    }
    GuardLock guard(m.guardName);
    munmap(m.data, m.size);
    // Converting our shared lock to an exclusive one succeeds only when we are the last user.
    if (guard.Held() && FlockRetrying(m.fd, LOCK_EX | LOCK_NB) == 0) {
        shm_unlink(m.objectName.c_str());
    }
    close(m.fd);
    m.fd = -1;
    m.data = nullptr;
    m.size = 0;
    m.created = false;
}

void* SharedMemory::Data() const { return impl_->data; }
size_t SharedMemory::Size() const { return impl_->size; }
bool SharedMemory::IsOpen() const { return impl_->fd >= 0; }
bool SharedMemory::Created() const { return impl_->created; }

struct InterProcessMutex::Impl {
    std::timed_mutex threads;  // flock does not exclude threads sharing one descriptor
    int fd = -1;
};

InterProcessMutex::InterProcessMutex(const char* name) : impl_(std::make_unique<Impl>()) {
    if (name != nullptr && *name != '\0') {
        impl_->fd = OpenOwnedObject(PerUserName(name, ".mutex"));
    }
}

InterProcessMutex::~InterProcessMutex() {
    if (impl_->fd >= 0) {
        close(impl_->fd);
    }
}

bool InterProcessMutex::IsValid() const { return impl_->fd >= 0; }

bool InterProcessMutex::Lock(uint32_t timeoutMs) {
    if (!IsValid()) {
        return false;
    }
    using Clock = std::chrono::steady_clock;
    const bool forever = timeoutMs == kWaitInfinite;
    const auto deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : timeoutMs);
    if (forever) {
        impl_->threads.lock();
        if (FlockRetrying(impl_->fd, LOCK_EX) == 0) {
            return true;
        }
        impl_->threads.unlock();
        return false;
    }
    if (!impl_->threads.try_lock_until(deadline)) {
        return false;
    }
    for (;;) {
        if (flock(impl_->fd, LOCK_EX | LOCK_NB) == 0) {
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            break;
        }
        if (Clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    impl_->threads.unlock();
    return false;
}

void InterProcessMutex::Unlock() {
    if (!IsValid()) {
        return;
    }
    FlockRetrying(impl_->fd, LOCK_UN);
    impl_->threads.unlock();
}

}  // namespace ovilux::platform
