// SharedMemory.cpp - named file mappings backed by the paging file, and named mutexes.
#include "platform/SharedMemory.h"

#include <windows.h>

#include "platform/Event.h"

namespace ovilux::platform {

struct SharedMemory::Impl {
    HANDLE mapping = nullptr;
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
    const unsigned long long size64 = size;
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, static_cast<DWORD>(size64 >> 32),
                                        static_cast<DWORD>(size64 & 0xFFFFFFFFu), name);
    if (mapping == nullptr) {
        return OpenResult::Failed;
    }
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    void* data = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
    if (data == nullptr) {
        CloseHandle(mapping);
        return OpenResult::Failed;
    }
    impl_->mapping = mapping;
    impl_->data = data;
    impl_->size = size;
    impl_->created = !existed;
    return existed ? OpenResult::Opened : OpenResult::Created;
}

void SharedMemory::Close() {
    if (impl_->mapping == nullptr) {
        return;
    }
    UnmapViewOfFile(impl_->data);
    CloseHandle(impl_->mapping);
    impl_->mapping = nullptr;
    impl_->data = nullptr;
    impl_->size = 0;
    impl_->created = false;
}

void* SharedMemory::Data() const { return impl_->data; }
size_t SharedMemory::Size() const { return impl_->size; }
bool SharedMemory::IsOpen() const { return impl_->mapping != nullptr; }
bool SharedMemory::Created() const { return impl_->created; }

struct InterProcessMutex::Impl {
    HANDLE mutex = nullptr;
};

InterProcessMutex::InterProcessMutex(const char* name) : impl_(std::make_unique<Impl>()) {
    if (name != nullptr && *name != '\0') {
        impl_->mutex = CreateMutexA(nullptr, FALSE, name);
    }
}

InterProcessMutex::~InterProcessMutex() {
    if (impl_->mutex != nullptr) {
        CloseHandle(impl_->mutex);
    }
}

bool InterProcessMutex::IsValid() const { return impl_->mutex != nullptr; }

bool InterProcessMutex::Lock(uint32_t timeoutMs) {
    if (!IsValid()) {
        return false;
    }
    // An abandoned mutex (its holder died) is ours now, and the data it guards is still usable.
    const DWORD result = WaitForSingleObject(impl_->mutex, timeoutMs == kWaitInfinite ? INFINITE : timeoutMs);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void InterProcessMutex::Unlock() {
    if (IsValid()) {
        ReleaseMutex(impl_->mutex);
    }
}

}  // namespace ovilux::platform
