// ErrorStack.cpp - the session's error stack.
#include "session/ErrorStack.h"

#include <algorithm>

namespace ovilux::session {

void CErrorStack::Record(int32_t code) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        std::copy_backward(codes_.begin(), codes_.end() - 1, codes_.end());
        codes_[0] = code;
    }
    Post(code);
}

void CErrorStack::Post(int32_t code) const {
    const platform::WindowHandle window = window_.load();
    if (window != nullptr) {
        platform::PostWindowMessage(window, kNotifyMessage, 0, code);
    }
}

int32_t CErrorStack::Pop() {
    std::lock_guard<std::mutex> guard(lock_);
    const int32_t newest = codes_[0];
    std::copy(codes_.begin() + 1, codes_.end(), codes_.begin());
    codes_.back() = 0;
    return newest;
}

}  // namespace ovilux::session
