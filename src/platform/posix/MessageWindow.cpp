// MessageWindow.cpp - message windows on POSIX: a table of queues keyed by never-reused ids,
// so that a handle to a destroyed window is refused instead of followed.
#include "platform/MessageWindow.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "platform/Event.h"

namespace ovilux::platform {

namespace {

struct MessageQueue {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<WindowMessage> messages;
    // Set when the window is destroyed, so that a thread waiting on it returns a failure
    // instead of waiting for a message that can no longer come.
    bool destroyed = false;
};

struct WindowTable {
    std::mutex mutex;
    uintptr_t nextId = 1;
    std::map<uintptr_t, std::shared_ptr<MessageQueue>> windows;
};

// Never destroyed: libusb's event thread may post a late hot-plug event while the process exits,
// after the destructors of statics have run.
WindowTable& Windows() {
    static WindowTable* const table = new WindowTable();
    return *table;
}

std::shared_ptr<MessageQueue> FindQueue(WindowHandle window) {
    WindowTable& table = Windows();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.windows.find(reinterpret_cast<uintptr_t>(window));
    return it == table.windows.end() ? nullptr : it->second;
}

}  // namespace

WindowHandle CreateMessageWindow() {
    WindowTable& table = Windows();
    std::lock_guard<std::mutex> lock(table.mutex);
    const uintptr_t id = table.nextId++;
    table.windows.emplace(id, std::make_shared<MessageQueue>());
    return reinterpret_cast<WindowHandle>(id);
}

bool GetWindowMessage(WindowHandle window, uint32_t timeoutMs, WindowMessage* out) {
    std::shared_ptr<MessageQueue> queue = FindQueue(window);
    if (queue == nullptr || out == nullptr) {
        return false;
    }
    std::unique_lock<std::mutex> lock(queue->mutex);
    auto answered = [&] { return queue->destroyed || !queue->messages.empty(); };
    if (timeoutMs == kWaitInfinite) {
        queue->arrived.wait(lock, answered);
    } else if (!queue->arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), answered)) {
        return false;
    }
    if (queue->destroyed) {
        return false;
    }
    *out = queue->messages.front();
    queue->messages.pop_front();
    return true;
}

void DestroyMessageWindow(WindowHandle window) {
    std::shared_ptr<MessageQueue> queue;
    {
        WindowTable& table = Windows();
        std::lock_guard<std::mutex> lock(table.mutex);
        auto it = table.windows.find(reinterpret_cast<uintptr_t>(window));
        if (it == table.windows.end()) {
            return;
        }
        queue = std::move(it->second);
        table.windows.erase(it);
    }
    {
        std::lock_guard<std::mutex> lock(queue->mutex);
        queue->destroyed = true;
    }
    queue->arrived.notify_all();
}

bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    std::shared_ptr<MessageQueue> queue = FindQueue(window);
    if (queue == nullptr) {
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(queue->mutex);
        queue->messages.push_back(WindowMessage{message, wParam, lParam});
    }
    queue->arrived.notify_one();
    return true;
}

bool IsWindowAlive(WindowHandle window) { return FindQueue(window) != nullptr; }

}  // namespace ovilux::platform
