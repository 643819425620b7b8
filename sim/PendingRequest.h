// PendingRequest.h - a driver request in flight on the simulated bus: where its data goes, when
// its lifetime ends, and how it completed. The caller's Overlapped keeps it; the camera fills
// and finishes it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/DriverPort.h"
#include "sim/SimConstants.h"

namespace ovilux::platform {
class Event;
}

namespace ovilux::sim {

enum class RequestEnd { Completed, Aborted, TimedOut, DeviceGone, Failed };

class CPendingRequest {
public:
    // A read of length bytes into data; statusHeader (may be null) receives the NT and USBD
    // status; the bytes reported are headerBytes plus the data read.
    CPendingRequest(uint64_t handle, platform::Event* event, uint8_t* statusHeader, uint8_t* data, uint32_t length,
                    uint32_t headerBytes, std::optional<SimClock::time_point> deadline);

    uint64_t Handle() const { return handle_; }
    const std::optional<SimClock::time_point>& Deadline() const { return deadline_; }

    // The camera's side, under the camera's lock.
    uint8_t* Next() { return data_ + filled_; }
    uint32_t Missing() const { return length_ - filled_; }
    void Add(uint32_t bytes) { filled_ += bytes; }
    // Records how the request ended, writes its status words and signals its event.
    void Finish(RequestEnd end);

    // The caller's side: the result, waiting for the end when wait is set.
    platform::IoResult Result(bool wait);

private:
    const uint64_t handle_;
    platform::Event* const event_;
    uint8_t* const statusHeader_;
    uint8_t* const data_;
    const uint32_t length_;
    const uint32_t headerBytes_;
    const std::optional<SimClock::time_point> deadline_;
    uint32_t filled_ = 0;

    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    platform::IoResult result_;
};

}  // namespace ovilux::sim
