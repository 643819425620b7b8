// RecordingDriverPort.cpp - the recording, scripted driver port of the transport tests.
#include "usb/RecordingDriverPort.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/Event.h"

namespace ovilux::test {

using platform::DeviceHandle;
using platform::IoResult;
namespace ioctl = platform::fx3_ioctl;
namespace err = platform::win32_error;

namespace {

constexpr size_t kHeaderBytes = 38;
constexpr size_t kEndpointOffset = 13;
constexpr size_t kNtStatusOffset = 14;
constexpr size_t kUsbdStatusOffset = 18;

void PutLe32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

}  // namespace

struct RecordingDriverPort::Request {
    DeviceHandle handle = nullptr;
    uint32_t code = 0;
    uint8_t endpoint = 0;
    bool stuck = false;
    platform::Overlapped* overlapped = nullptr;
    uint8_t* in = nullptr;
    uint8_t* out = nullptr;
    uint32_t outLength = 0;
    ScriptedReply reply;
    bool done = false;
    IoResult result;
};

RecordingDriverPort::RecordingDriverPort() = default;

RecordingDriverPort::~RecordingDriverPort() {
    for (std::thread& completer : completers_) {
        completer.join();
    }
}

void RecordingDriverPort::SetInterfaces(std::vector<std::string> paths) {
    std::lock_guard<std::mutex> lock(mutex_);
    interfaces_ = std::move(paths);
}

void RecordingDriverPort::SetUnopenable(const std::string& path, bool unopenable) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (unopenable) {
        unopenable_.insert(path);
    } else {
        unopenable_.erase(path);
    }
}

void RecordingDriverPort::Script(uint32_t code, ScriptedReply reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    script_[code].push_back(std::move(reply));
}

void RecordingDriverPort::ScriptMany(uint32_t code, ScriptedReply reply, int times) {
    for (int i = 0; i < times; ++i) {
        Script(code, reply);
    }
}

std::vector<RecordedCall> RecordingDriverPort::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::vector<RecordedCall> RecordingDriverPort::IoCalls(uint32_t code) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<RecordedCall> result;
    for (const RecordedCall& call : calls_) {
        if (call.kind == RecordedCall::Kind::IoControl && call.code == code) {
            result.push_back(call);
        }
    }
    return result;
}

void RecordingDriverPort::ClearCalls() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
}

int RecordingDriverPort::OpenHandles() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(open_.size());
}

int RecordingDriverPort::Outstanding() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(running_.size());
}

std::vector<std::string> RecordingDriverPort::EnumerateInterfaces(const platform::InterfaceGuid& guid) {
    std::lock_guard<std::mutex> lock(mutex_);
    lastGuid = guid;
    RecordedCall call;
    call.kind = RecordedCall::Kind::Enumerate;
    calls_.push_back(call);
    return interfaces_;
}

DeviceHandle RecordingDriverPort::Open(const char* path, bool overlapped) {
    std::lock_guard<std::mutex> lock(mutex_);
    RecordedCall call;
    call.kind = RecordedCall::Kind::Open;
    call.path = path != nullptr ? path : "";
    call.overlapped = overlapped;
    const bool known = std::find(interfaces_.begin(), interfaces_.end(), call.path) != interfaces_.end();
    if (path == nullptr || !known || unopenable_.count(call.path) != 0) {
        calls_.push_back(call);
        return nullptr;
    }
    DeviceHandle handle = reinterpret_cast<DeviceHandle>(nextHandle_);
    nextHandle_ += 0x10;
    open_.insert(handle);
    call.handle = handle;
    calls_.push_back(call);
    return handle;
}

bool RecordingDriverPort::Close(DeviceHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    RecordedCall call;
    call.kind = RecordedCall::Kind::Close;
    call.handle = handle;
    calls_.push_back(call);
    return open_.erase(handle) != 0;
}

void RecordingDriverPort::CompleteLocked(Request& request, IoResult result) {
    if (request.done) {
        return;
    }
    request.done = true;
    request.result = result;
    running_.erase(std::remove_if(running_.begin(), running_.end(),
                                  [&](const std::shared_ptr<Request>& r) { return r.get() == &request; }),
                   running_.end());
    if (request.overlapped != nullptr) {
        request.overlapped->event->Set();
    }
}

// What a completed request returns and writes.
IoResult RecordingDriverPort::Answer(Request& r) {
    const ScriptedReply& s = r.reply;
    uint32_t bytes = r.outLength;
    if (r.code == ioctl::kDeviceSpeed && r.out != nullptr && r.outLength >= 4) {
        PutLe32(r.out, 4);
    }
    const bool block = r.code == ioctl::kControlTransfer || r.code == ioctl::kBufferedTransfer;
    const size_t at = block ? kHeaderBytes : 0;
    if (r.out != nullptr && !s.data.empty()) {
        const size_t room = r.outLength > at ? r.outLength - at : 0;
        std::memcpy(r.out + at, s.data.data(), std::min(room, s.data.size()));
    }
    if (r.code == ioctl::kDirectTransfer && r.in != nullptr) {
        PutLe32(r.in + kNtStatusOffset, s.ntStatus);
        PutLe32(r.in + kUsbdStatusOffset, s.usbdStatus);
    }
    if (s.bytes >= 0) {
        bytes = static_cast<uint32_t>(s.bytes);
    }
    return IoResult{true, err::kSuccess, bytes};
}

void RecordingDriverPort::AbortLocked(DeviceHandle handle, uint8_t endpoint) {
    std::vector<std::shared_ptr<Request>> hit;
    for (const auto& request : running_) {
        if (request->handle == handle && request->endpoint == endpoint && !request->stuck) {
            hit.push_back(request);
        }
    }
    for (const auto& request : hit) {
        const bool landed = request->reply.completion == ScriptedReply::Completion::LandsAtAbort;
        CompleteLocked(*request, landed ? Answer(*request) : IoResult{false, err::kOperationAborted, 0});
    }
}

IoResult RecordingDriverPort::IoControl(DeviceHandle handle, uint32_t code, void* in, uint32_t inLength, void* out,
                                        uint32_t outLength, platform::Overlapped* overlapped) {
    std::unique_lock<std::mutex> lock(mutex_);
    RecordedCall call;
    call.kind = RecordedCall::Kind::IoControl;
    call.handle = handle;
    call.code = code;
    call.overlapped = overlapped != nullptr;
    if (in != nullptr) {
        call.in.assign(static_cast<uint8_t*>(in), static_cast<uint8_t*>(in) + inLength);
    }
    call.outLength = outLength;
    calls_.push_back(call);
    if (open_.count(handle) == 0) {
        return IoResult{false, err::kInvalidHandle, 0};
    }

    ScriptedReply reply;
    auto& queue = script_[code];
    if (!queue.empty()) {
        reply = queue.front();
        queue.pop_front();
    }
    auto request = std::make_shared<Request>();
    request->handle = handle;
    request->code = code;
    request->overlapped = overlapped;
    request->in = static_cast<uint8_t*>(in);
    request->out = static_cast<uint8_t*>(out);
    request->outLength = outLength;
    request->reply = reply;
    if ((code == ioctl::kDirectTransfer || code == ioctl::kBufferedTransfer) && inLength > kEndpointOffset) {
        request->endpoint = request->in[kEndpointOffset];
    } else if ((code == ioctl::kAbortPipe || code == ioctl::kResetPipe) && inLength >= 1) {
        request->endpoint = request->in[0];
    }
    if (code == ioctl::kAbortPipe) {
        AbortLocked(handle, request->endpoint);
    }
    if (reply.completion == ScriptedReply::Completion::Fail) {
        return IoResult{false, reply.error, 0};
    }

    const bool runs = overlapped != nullptr && reply.completion != ScriptedReply::Completion::Now;
    if (!runs) {
        const IoResult result = Answer(*request);
        if (overlapped != nullptr) {
            overlapped->pending = request;
            CompleteLocked(*request, result);
        }
        return result;
    }
    request->stuck = reply.completion == ScriptedReply::Completion::Stuck;
    overlapped->pending = request;
    running_.push_back(request);
    if (reply.completion == ScriptedReply::Completion::Later) {
        completers_.emplace_back([this, request] {
            std::this_thread::sleep_for(std::chrono::milliseconds(request->reply.delayMs));
            std::lock_guard<std::mutex> later(mutex_);
            if (!request->done) {
                CompleteLocked(*request, Answer(*request));
            }
        });
    }
    return IoResult{false, err::kIoPending, 0};
}

IoResult RecordingDriverPort::GetOverlappedResult(DeviceHandle handle, platform::Overlapped& overlapped, bool wait) {
    std::lock_guard<std::mutex> lock(mutex_);
    RecordedCall call;
    call.kind = RecordedCall::Kind::GetOverlappedResult;
    call.handle = handle;
    call.overlapped = wait;
    calls_.push_back(call);
    auto request = std::static_pointer_cast<Request>(overlapped.pending);
    if (request == nullptr) {
        return IoResult{false, err::kInvalidParameter, 0};
    }
    if (!request->done) {
        return IoResult{false, err::kIoIncomplete, 0};
    }
    return request->result;
}

bool RecordingDriverPort::CancelIo(DeviceHandle handle, platform::Overlapped* overlapped) {
    std::lock_guard<std::mutex> lock(mutex_);
    RecordedCall call;
    call.kind = RecordedCall::Kind::CancelIo;
    call.handle = handle;
    call.overlapped = overlapped != nullptr;
    calls_.push_back(call);
    std::vector<std::shared_ptr<Request>> hit;
    for (const auto& request : running_) {
        if (request->handle == handle && (overlapped == nullptr || request->overlapped == overlapped)) {
            hit.push_back(request);
        }
    }
    for (const auto& request : hit) {
        CompleteLocked(*request, IoResult{false, err::kOperationAborted, 0});
    }
    return true;
}

}  // namespace ovilux::test
