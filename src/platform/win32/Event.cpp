// Event.cpp - Win32 events.
#include "platform/Event.h"

#include <windows.h>

namespace ovilux::platform {

struct Event::Impl {
    explicit Impl(HANDLE h) : handle(h) {}
    ~Impl() {
        if (handle != nullptr) {
            CloseHandle(handle);
        }
    }
    HANDLE handle;
};

Event::Event(EventReset reset, bool initiallySet, const char* name)
    : impl_(std::make_shared<Impl>(CreateEventA(nullptr, reset == EventReset::Manual ? TRUE : FALSE,
                                                initiallySet ? TRUE : FALSE,
                                                (name != nullptr && *name != '\0') ? name : nullptr))) {}

Event::~Event() = default;

bool Event::IsValid() const { return impl_->handle != nullptr; }
bool Event::Set() { return IsValid() && SetEvent(impl_->handle) != FALSE; }
bool Event::Reset() { return IsValid() && ResetEvent(impl_->handle) != FALSE; }

WaitResult Event::Wait(uint32_t timeoutMs) {
    if (!IsValid()) {
        return WaitResult::Failed;
    }
    switch (WaitForSingleObject(impl_->handle, timeoutMs == kWaitInfinite ? INFINITE : timeoutMs)) {
        case WAIT_OBJECT_0:
            return WaitResult::Signalled;
        case WAIT_TIMEOUT:
            return WaitResult::TimedOut;
        default:
            return WaitResult::Failed;
    }
}

void* Event::NativeHandle() const { return impl_->handle; }

}  // namespace ovilux::platform
