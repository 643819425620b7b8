// PendingRequest.cpp - completing a request as the FX3 driver does.
#include "sim/PendingRequest.h"

#include "platform/Event.h"
#include "sim/TransferHeader.h"

namespace ovilux::sim {

namespace {

struct EndStatus {
    uint32_t win32;
    uint32_t nt;
    uint32_t usbd;
};

EndStatus StatusOf(RequestEnd end) {
    switch (end) {
        case RequestEnd::Completed:
            return {platform::win32_error::kSuccess, kNtSuccess, kUsbdSuccess};
        case RequestEnd::Aborted:
            return {platform::win32_error::kOperationAborted, kNtCancelled, kUsbdCancelled};
        case RequestEnd::TimedOut:
            return {platform::win32_error::kSemTimeout, kNtIoTimeout, kUsbdTimeout};
        case RequestEnd::DeviceGone:
            return {platform::win32_error::kDeviceNotConnected, kNtDeviceNotConnected, kUsbdDeviceGone};
        case RequestEnd::Failed:
            break;
    }
    return {platform::win32_error::kGenFailure, kNtUnsuccessful, kUsbdStall};
}

}  // namespace

CPendingRequest::CPendingRequest(uint64_t handle, platform::Event* event, uint8_t* statusHeader, uint8_t* data,
                                 uint32_t length, uint32_t headerBytes, std::optional<SimClock::time_point> deadline)
    : handle_(handle),
      event_(event),
      statusHeader_(statusHeader),
      data_(data),
      length_(length),
      headerBytes_(headerBytes),
      deadline_(deadline) {}

void CPendingRequest::Finish(RequestEnd end) {
    const EndStatus status = StatusOf(end);
    std::lock_guard<std::mutex> lock(mutex_);
    if (done_) {
        return;
    }
    if (statusHeader_ != nullptr) {
        CTransferHeader::WriteStatus(statusHeader_, status.nt, status.usbd);
    }
    result_.ok = end == RequestEnd::Completed;
    result_.error = status.win32;
    result_.bytes = result_.ok ? headerBytes_ + filled_ : 0;
    done_ = true;
    // Signalled under the lock: a caller that saw the request done may free the event at once.
    if (event_ != nullptr) {
        event_->Set();
    }
    finished_.notify_all();
}

platform::IoResult CPendingRequest::Result(bool wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (wait) {
        finished_.wait(lock, [this] { return done_; });
    }
    if (!done_) {
        platform::IoResult running;
        running.error = platform::win32_error::kIoIncomplete;
        return running;
    }
    return result_;
}

}  // namespace ovilux::sim
