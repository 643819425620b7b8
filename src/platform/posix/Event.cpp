// Event.cpp - events on POSIX: a flag under a mutex and a condition variable. Named events
// live in a process-wide table so that every opener of a name shares one object.
#include "platform/Event.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

namespace ovilux::platform {

struct Event::Impl {
    explicit Impl(EventReset r, bool initiallySet) : reset(r), set(initiallySet) {}
    const EventReset reset;
    std::mutex mutex;
    std::condition_variable changed;
    bool set;
};

namespace {

std::mutex& NamedEventsMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, std::weak_ptr<Event::Impl>>& NamedEvents() {
    static std::map<std::string, std::weak_ptr<Event::Impl>> events;
    return events;
}

}  // namespace

Event::Event(EventReset reset, bool initiallySet, const char* name) {
    if (name == nullptr || *name == '\0') {
        impl_ = std::make_shared<Impl>(reset, initiallySet);
        return;
    }
    // As on Windows, opening an existing name keeps that event's reset kind and state.
    std::lock_guard<std::mutex> lock(NamedEventsMutex());
    auto& table = NamedEvents();
    for (auto it = table.begin(); it != table.end();) {
        it = it->second.expired() ? table.erase(it) : std::next(it);
    }
    if (auto existing = table[name].lock()) {
        impl_ = existing;
        return;
    }
    impl_ = std::make_shared<Impl>(reset, initiallySet);
    table[name] = impl_;
}

Event::~Event() = default;

bool Event::IsValid() const { return impl_ != nullptr; }

bool Event::Set() {
    // A waiter released by this Set may return, and destroy the event, at any moment after the
    // flag is raised (its own timeout or a spurious wake-up can end its wait before any notify).
    // So the state is held by a reference of our own, and notified while still locked: nothing
    // here reaches the event object, or the state through it, once the flag is up.
    const std::shared_ptr<Impl> state = impl_;
    std::lock_guard<std::mutex> lock(state->mutex);
    state->set = true;
    if (state->reset == EventReset::Manual) {
        state->changed.notify_all();
    } else {
        state->changed.notify_one();
    }
    return true;
}

bool Event::Reset() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->set = false;
    return true;
}

WaitResult Event::Wait(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(impl_->mutex);
    auto isSet = [this] { return impl_->set; };
    if (timeoutMs == kWaitInfinite) {
        impl_->changed.wait(lock, isSet);
    } else if (!impl_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet)) {
        return WaitResult::TimedOut;
    }
    if (impl_->reset == EventReset::Auto) {
        impl_->set = false;
    }
    return WaitResult::Signalled;
}

void* Event::NativeHandle() const { return nullptr; }

}  // namespace ovilux::platform
