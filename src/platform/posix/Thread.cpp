// Thread.cpp - threads on POSIX. The time-critical hint asks for the highest real-time
// priority; without the rights for it the thread simply runs at normal priority.
#include "platform/Thread.h"

#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <mutex>

#include "platform/Event.h"

namespace ovilux::platform {

struct Thread::Impl {
    Impl() : done(EventReset::Manual, false) {}
    pthread_t thread{};
    bool started = false;
    std::function<void()> body;
    Event done;
    std::atomic<bool> running{false};
    // Start and the end of a join: two threads may join one thread, and only one may reap it.
    std::mutex reap;
};

namespace {

void* RunThread(void* arg) {
    auto* impl = static_cast<Thread::Impl*>(arg);
    impl->body();
    impl->running.store(false);
    impl->done.Set();
    return nullptr;
}

}  // namespace

Thread::Thread() : impl_(std::make_unique<Impl>()) {}

Thread::~Thread() { Join(kWaitInfinite); }

bool Thread::Start(std::function<void()> body, ThreadPriority priority) {
    std::lock_guard<std::mutex> guard(impl_->reap);
    if (impl_->started) {
        return false;
    }
    impl_->body = std::move(body);
    impl_->done.Reset();
    impl_->running.store(true);
    if (pthread_create(&impl_->thread, nullptr, RunThread, impl_.get()) != 0) {
        impl_->running.store(false);
        impl_->body = nullptr;
        return false;
    }
    impl_->started = true;
    if (priority == ThreadPriority::TimeCritical) {
        sched_param param{};
        param.sched_priority = sched_get_priority_max(SCHED_FIFO);
        (void)pthread_setschedparam(impl_->thread, SCHED_FIFO, &param);
    }
    return true;
}

bool Thread::Join(uint32_t timeoutMs) {
    {
        std::lock_guard<std::mutex> guard(impl_->reap);
        if (!impl_->started) {
            return true;
        }
    }
    // Every joiner waits on the event; the first to take the lock afterwards reaps the thread.
    if (impl_->done.Wait(timeoutMs) != WaitResult::Signalled) {
        return false;
    }
    std::lock_guard<std::mutex> guard(impl_->reap);
    if (impl_->started) {
        pthread_join(impl_->thread, nullptr);
        impl_->started = false;
        impl_->body = nullptr;
    }
    return true;
}

bool Thread::IsRunning() const { return impl_->running.load(); }

}  // namespace ovilux::platform
