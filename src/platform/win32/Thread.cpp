// Thread.cpp - Win32 threads.
#include "platform/Thread.h"

#include <windows.h>

#include <atomic>
#include <mutex>

#include "platform/Event.h"

namespace ovilux::platform {

struct Thread::Impl {
    HANDLE handle = nullptr;
    std::function<void()> body;
    std::atomic<bool> running{false};
    // Start and the end of a join: two threads may join one thread, and only one may close its
    // handle, never while the other still waits on it.
    std::mutex reap;
};

namespace {

DWORD WINAPI RunThread(LPVOID arg) {
    auto* impl = static_cast<Thread::Impl*>(arg);
    impl->body();
    impl->running.store(false);
    return 0;
}

}  // namespace

Thread::Thread() : impl_(std::make_unique<Impl>()) {}

Thread::~Thread() { Join(kWaitInfinite); }

bool Thread::Start(std::function<void()> body, ThreadPriority priority) {
    std::lock_guard<std::mutex> guard(impl_->reap);
    if (impl_->handle != nullptr) {
        return false;
    }
    impl_->body = std::move(body);
    impl_->running.store(true);
    HANDLE handle = CreateThread(nullptr, 0, RunThread, impl_.get(), CREATE_SUSPENDED, nullptr);
    if (handle == nullptr) {
        impl_->running.store(false);
        impl_->body = nullptr;
        return false;
    }
    if (priority == ThreadPriority::TimeCritical) {
        SetThreadPriority(handle, THREAD_PRIORITY_TIME_CRITICAL);
    }
    impl_->handle = handle;
    ResumeThread(handle);
    return true;
}

bool Thread::Join(uint32_t timeoutMs) {
    HANDLE waitOn = nullptr;
    {
        std::lock_guard<std::mutex> guard(impl_->reap);
        if (impl_->handle == nullptr) {
            return true;
        }
        // A handle of this joiner's own: the thread's may be closed by another joiner meanwhile.
        if (DuplicateHandle(GetCurrentProcess(), impl_->handle, GetCurrentProcess(), &waitOn, SYNCHRONIZE, FALSE, 0) ==
            0) {
            return false;
        }
    }
    const DWORD waited = WaitForSingleObject(waitOn, timeoutMs == kWaitInfinite ? INFINITE : timeoutMs);
    CloseHandle(waitOn);
    if (waited != WAIT_OBJECT_0) {
        return false;
    }
    std::lock_guard<std::mutex> guard(impl_->reap);
    if (impl_->handle != nullptr && WaitForSingleObject(impl_->handle, 0) == WAIT_OBJECT_0) {
        CloseHandle(impl_->handle);
        impl_->handle = nullptr;
        impl_->body = nullptr;
    }
    return true;
}

bool Thread::IsRunning() const { return impl_->running.load(); }

}  // namespace ovilux::platform
