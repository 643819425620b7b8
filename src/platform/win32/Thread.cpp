// Thread.cpp - Win32 threads.
#include "platform/Thread.h"

#include <windows.h>

#include <atomic>

#include "platform/Event.h"

namespace ovilux::platform {

struct Thread::Impl {
    HANDLE handle = nullptr;
    std::function<void()> body;
    std::atomic<bool> running{false};
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

void SetCurrentThreadTimeCritical() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL); }

bool Thread::Start(std::function<void()> body, ThreadPriority priority) {
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
    if (impl_->handle == nullptr) {
        return true;
    }
    if (WaitForSingleObject(impl_->handle, timeoutMs == kWaitInfinite ? INFINITE : timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    CloseHandle(impl_->handle);
    impl_->handle = nullptr;
    impl_->body = nullptr;
    return true;
}

bool Thread::IsRunning() const { return impl_->running.load(); }

}  // namespace ovilux::platform
