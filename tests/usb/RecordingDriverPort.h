// RecordingDriverPort.h - a driver port that keeps every request it is given and answers as
// the test scripts it, for checking the transport's bytes and its retry and cancel rules.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/DriverPort.h"

namespace ovilux::test {

struct RecordedCall {
    enum class Kind { Enumerate, Open, Close, IoControl, GetOverlappedResult, CancelIo };
    Kind kind = Kind::IoControl;
    platform::DeviceHandle handle = nullptr;
    std::string path;          // Open
    bool overlapped = false;   // Open: the flag; IoControl: an Overlapped was given
    uint32_t code = 0;         // IoControl
    std::vector<uint8_t> in;   // IoControl: the input bytes as they were sent
    uint32_t outLength = 0;    // IoControl
};

// How one request answers. Requests with no scripted reply succeed at once with every byte
// (a full control reply, the whole buffer of a bulk read, SuperSpeed for the speed query).
struct ScriptedReply {
    enum class Completion {
        Now,      // completes in the call
        Fail,     // the call fails with error
        Pending,  // runs until its endpoint is aborted or it is cancelled
        Stuck,    // runs until it is cancelled; aborts do not reach it
        Later,    // completes on its own after delayMs
        // runs until its endpoint is aborted, and its bytes come just as the abort does: it
        // completes with them, as a transfer finished while the abort was on its way
        LandsAtAbort,
    };
    Completion completion = Completion::Now;
    uint32_t error = platform::win32_error::kGenFailure;
    int64_t bytes = -1;         // -1: the default count
    std::vector<uint8_t> data;  // written to the reply's data (control/buffered: after the header)
    uint32_t ntStatus = 0;      // written into a direct transfer's header
    uint32_t usbdStatus = 0;
    uint32_t delayMs = 0;

    // A request the driver refuses at once with error.
    static ScriptedReply Failing(uint32_t error = platform::win32_error::kGenFailure) {
        ScriptedReply reply;
        reply.completion = Completion::Fail;
        reply.error = error;
        return reply;
    }
};

class RecordingDriverPort : public platform::DriverPort {
public:
    RecordingDriverPort();
    ~RecordingDriverPort() override;

    // The interface paths enumeration reports; every one opens unless made unopenable.
    void SetInterfaces(std::vector<std::string> paths);
    void SetUnopenable(const std::string& path, bool unopenable = true);
    // Queues a reply for the next request with this code.
    void Script(uint32_t code, ScriptedReply reply);
    void ScriptMany(uint32_t code, ScriptedReply reply, int times);

    std::vector<RecordedCall> Calls() const;
    std::vector<RecordedCall> IoCalls(uint32_t code) const;
    void ClearCalls();
    int OpenHandles() const;
    // Requests that were still running when asked.
    int Outstanding() const;

    std::vector<std::string> EnumerateInterfaces(const platform::InterfaceGuid& guid) override;
    platform::DeviceHandle Open(const char* path, bool overlapped) override;
    bool Close(platform::DeviceHandle handle) override;
    platform::IoResult IoControl(platform::DeviceHandle handle, uint32_t code, void* in, uint32_t inLength, void* out,
                                 uint32_t outLength, platform::Overlapped* overlapped) override;
    platform::IoResult GetOverlappedResult(platform::DeviceHandle handle, platform::Overlapped& overlapped,
                                           bool wait) override;
    bool CancelIo(platform::DeviceHandle handle, platform::Overlapped* overlapped) override;

    platform::InterfaceGuid lastGuid{};

private:
    struct Request;
    void CompleteLocked(Request& request, platform::IoResult result);
    void AbortLocked(platform::DeviceHandle handle, uint8_t endpoint);
    static platform::IoResult Answer(Request& request);

    mutable std::mutex mutex_;
    std::vector<std::string> interfaces_;
    std::set<std::string> unopenable_;
    std::map<uint32_t, std::deque<ScriptedReply>> script_;
    std::vector<RecordedCall> calls_;
    std::vector<std::shared_ptr<Request>> running_;
    std::vector<std::thread> completers_;
    std::set<platform::DeviceHandle> open_;
    uintptr_t nextHandle_ = 0x1000;
};

}  // namespace ovilux::test
