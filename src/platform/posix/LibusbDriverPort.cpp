// LibusbDriverPort.cpp - enumeration, shared device handles, the seven driver requests over
// libusb, and the event thread that finishes asynchronous transfers.
#include "platform/posix/LibusbDriverPort.h"

#include <libusb.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

#include "platform/DebugOutput.h"
#include "platform/DeviceNotification.h"
#include "platform/Event.h"
#include "platform/Thread.h"

namespace ovilux::platform {

namespace {

constexpr uint16_t kCameraVendorId = 0x04B4;
constexpr uint16_t kFirstCameraProductId = 0x3000;
constexpr uint16_t kLastCameraProductId = 0x33FF;
constexpr int kCameraInterface = 0;
constexpr const char* kPathFormat = "\\\\?\\usb#vid_%04x&pid_%04x#b%03u%s#{328184c5-93e6-49b7-94b8-2ada13aabb39}";
constexpr int kMaxPortDepth = 7;  // USB allows seven tiers

// The 38-byte transfer header, as far as the port reads and writes it.
constexpr uint32_t kHeaderBytes = 38;
constexpr size_t kRequestTypeAt = 0;
constexpr size_t kRequestAt = 1;
constexpr size_t kValueAt = 2;
constexpr size_t kIndexAt = 4;
constexpr size_t kTimeoutAt = 8;
constexpr size_t kEndpointAt = 13;
constexpr size_t kNtStatusAt = 14;
constexpr size_t kUsbdStatusAt = 18;
constexpr size_t kBufferOffsetAt = 30;
constexpr size_t kBufferLengthAt = 34;
constexpr uint32_t kMaxControlData = 0xFFFF;  // a setup packet's wLength
constexpr uint32_t kMaxBulkBytes = 0x4000000;

// The status words the Windows driver leaves in a header.
constexpr uint32_t kNtSuccess = 0;
constexpr uint32_t kNtUnsuccessful = 0xC0000001;
constexpr uint32_t kUsbdSuccess = 0;
constexpr uint32_t kUsbdStall = 0xC0000004;
constexpr uint32_t kUsbdCancelled = 0xC0010000;
constexpr uint32_t kUsbdError = 0xC0000001;

// The speed codes of the driver's speed request.
constexpr uint32_t kSpeedLowOrFull = 1;
constexpr uint32_t kSpeedHigh = 2;
constexpr uint32_t kSpeedSuper = 4;

// Handles are numbers well apart from the simulated bus's, so that one port never mistakes
// the other's handle for its own.
constexpr uintptr_t kFirstHandle = 0x40000000;
constexpr uintptr_t kHandleStep = 4;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
void StoreLe32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

void WriteStatus(uint8_t* header, uint32_t nt, uint32_t usbd) {
    if (header != nullptr) {
        StoreLe32(header + kNtStatusAt, nt);
        StoreLe32(header + kUsbdStatusAt, usbd);
    }
}

IoResult Failure(uint32_t error) {
    IoResult result;
    result.error = error;
    return result;
}

IoResult Success(uint32_t bytes) {
    IoResult result;
    result.ok = true;
    result.bytes = bytes;
    return result;
}

uint32_t ErrorOf(int libusbError) {
    switch (libusbError) {
        case LIBUSB_ERROR_NO_DEVICE:
            return win32_error::kDeviceNotConnected;
        case LIBUSB_ERROR_TIMEOUT:
            return win32_error::kSemTimeout;
        case LIBUSB_ERROR_INVALID_PARAM:
            return win32_error::kInvalidParameter;
        case LIBUSB_ERROR_INTERRUPTED:
            return win32_error::kOperationAborted;
        case LIBUSB_ERROR_NO_MEM:
            return win32_error::kNoSystemResources;
        default:
            return win32_error::kGenFailure;
    }
}

// usbfs keeps one budget for the memory of every transfer in flight on the system; a submit
// beyond it fails for lack of memory, which on its own would read as a camera lost.
void ReportUsbfsMemoryRefused(uint32_t length) {
    std::ifstream file(kUsbfsMemoryLimitFile);
    long limitMiB = -1;
    char line[320];
    if (file >> limitMiB) {
        std::snprintf(line, sizeof(line),
                      "ovilux: usbfs refused a %u-byte transfer for lack of memory: its limit, %ld MiB for all "
                      "transfers in flight on the system, is in %s\n",
                      static_cast<unsigned>(length), limitMiB, kUsbfsMemoryLimitFile);
    } else {
        std::snprintf(line, sizeof(line), "ovilux: usbfs refused a %u-byte transfer for lack of memory (its limit: %s)\n",
                      static_cast<unsigned>(length), kUsbfsMemoryLimitFile);
    }
    DebugOutput(line);
}

void ReportOpenRefused(const std::string& path, int status) {
    const char* why = status == LIBUSB_ERROR_BUSY     ? "in use by another process (or bound to a kernel driver)"
                      : status == LIBUSB_ERROR_ACCESS ? "this user may not open it (ovilux doctor tells how to allow it)"
                                                      : libusb_error_name(status);
    std::string line = "ovilux: camera " + path + " cannot be opened: " + why + "\n";
    DebugOutput(line.c_str());
}

// Event handling that keeps failing (a broken usbfs, a device file pulled away) must not spin:
// the pause doubles with each failure in a row, up to a limit, and a success ends it.
constexpr auto kFirstEventBackoff = std::chrono::milliseconds(1);
constexpr auto kLongestEventBackoff = std::chrono::milliseconds(500);

bool IsCamera(const libusb_device_descriptor& descriptor) {
    return descriptor.idVendor == kCameraVendorId && descriptor.idProduct >= kFirstCameraProductId &&
           descriptor.idProduct <= kLastCameraProductId;
}

}  // namespace

struct LibusbDriverPort::Device {
    explicit Device(std::string devicePath) : path(std::move(devicePath)) {}
    ~Device() {
        if (usb != nullptr) {
            libusb_release_interface(usb, kCameraInterface);
            libusb_close(usb);
        }
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    std::string path;
    libusb_device_handle* usb = nullptr;
    std::atomic<bool> gone{false};
    std::mutex mutex;  // guards inFlight
    std::condition_variable drained;
    std::vector<std::shared_ptr<Request>> inFlight;
};

// One bulk transfer. Kept by the device while in flight and by the caller's Overlapped; the
// libusb transfer goes with the record, so cancelling a transfer that has just finished is
// harmless.
struct LibusbDriverPort::Request {
    Request(Device& owner, uintptr_t handle, uint8_t address, Event* completion, uint8_t* statusHeader,
            uint32_t headerBytes)
        : device(owner), handleId(handle), endpoint(address), event(completion), header(statusHeader),
          leadBytes(headerBytes) {}
    ~Request() {
        if (transfer != nullptr) {
            libusb_free_transfer(transfer);
        }
    }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    Device& device;
    const uintptr_t handleId;
    const uint8_t endpoint;
    Event* const event;
    uint8_t* const header;     // receives the status words
    const uint32_t leadBytes;  // counted in front of the data (a buffered block's header)
    libusb_transfer* transfer = nullptr;
    std::shared_ptr<Request> self;  // held while libusb holds the transfer
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    IoResult result;
};

LibusbDriverPort& LibusbDriverPort::Instance() {
    static LibusbDriverPort* const port = new LibusbDriverPort();
    return *port;
}

LibusbDriverPort::LibusbDriverPort() : nextHandle_(kFirstHandle) {
    if (libusb_init(&context_) != LIBUSB_SUCCESS) {
        context_ = nullptr;
    }
}

void LibusbDriverPort::StartEventThread() {
    // Called with mutex_ held. The thread lives as long as the process, as the port does.
    if (eventThreadStarted_ || context_ == nullptr) {
        return;
    }
    eventThreadStarted_ = true;
    libusb_context* context = context_;
    std::thread([context] {
        // Every chunk a transfer thread waits for is finished here: at a lower priority than
        // that thread it would make it wait behind the work it preempts.
        SetCurrentThreadTimeCritical();
        pthread_setname_np(pthread_self(), kEventThreadName);
        auto backoff = kFirstEventBackoff;
        for (;;) {
            if (libusb_handle_events(context) == LIBUSB_SUCCESS) {
                backoff = kFirstEventBackoff;
                continue;
            }
            std::this_thread::sleep_for(backoff);
            backoff = std::min(backoff * 2, kLongestEventBackoff);
        }
    }).detach();
}

std::string LibusbDriverPort::CameraPath(libusb_device* device) {
    libusb_device_descriptor descriptor{};
    if (device == nullptr || libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS ||
        !IsCamera(descriptor)) {
        return {};
    }
    uint8_t ports[kMaxPortDepth] = {};
    const int depth = libusb_get_port_numbers(device, ports, kMaxPortDepth);
    // Where the port chain is unknown the address stands in: unique, though not kept on replug.
    std::string instance = depth > 0 ? "p" : "a";
    char number[8];
    if (depth > 0) {
        for (int i = 0; i < depth; ++i) {
            std::snprintf(number, sizeof(number), i == 0 ? "%u" : ".%u", static_cast<unsigned>(ports[i]));
            instance += number;
        }
    } else {
        std::snprintf(number, sizeof(number), "%03u", static_cast<unsigned>(libusb_get_device_address(device)));
        instance += number;
    }
    char path[kBroadcastNameBytes];
    std::snprintf(path, sizeof(path), kPathFormat, static_cast<unsigned>(descriptor.idVendor),
                  static_cast<unsigned>(descriptor.idProduct), static_cast<unsigned>(libusb_get_bus_number(device)),
                  instance.c_str());
    return path;
}

std::vector<std::string> LibusbDriverPort::EnumerateInterfaces(const InterfaceGuid& guid) {
    std::vector<std::string> paths;
    if (context_ == nullptr || std::memcmp(guid.bytes, kFx3DriverGuid.bytes, sizeof(guid.bytes)) != 0) {
        return paths;
    }
    // Listed in bus and port order, so that the same cameras always enumerate alike.
    std::vector<std::pair<std::vector<uint8_t>, std::string>> found;
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    for (ssize_t i = 0; i < count; ++i) {
        std::string path = CameraPath(list[i]);
        if (path.empty()) {
            continue;
        }
        std::vector<uint8_t> place(1 + kMaxPortDepth, 0);
        place[0] = libusb_get_bus_number(list[i]);
        libusb_get_port_numbers(list[i], place.data() + 1, kMaxPortDepth);
        found.emplace_back(std::move(place), std::move(path));
    }
    if (list != nullptr) {
        libusb_free_device_list(list, 1);
    }
    std::sort(found.begin(), found.end());
    for (auto& camera : found) {
        paths.push_back(std::move(camera.second));
    }
    return paths;
}

std::shared_ptr<LibusbDriverPort::Device> LibusbDriverPort::OpenDevice(const std::string& path) {
    // Called with mutex_ held.
    const auto known = devices_.find(path);
    if (known != devices_.end()) {
        std::shared_ptr<Device> device = known->second.lock();
        if (device != nullptr && !device->gone) {
            return device;
        }
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    libusb_device* match = nullptr;
    for (ssize_t i = 0; i < count && match == nullptr; ++i) {
        if (CameraPath(list[i]) == path) {
            match = list[i];
        }
    }
    auto device = std::make_shared<Device>(path);
    int status = match != nullptr ? libusb_open(match, &device->usb) : LIBUSB_ERROR_NO_DEVICE;
    if (status != LIBUSB_SUCCESS) {
        device->usb = nullptr;
    }
    if (list != nullptr) {
        libusb_free_device_list(list, 1);
    }
    if (device->usb == nullptr) {
        if (status != LIBUSB_ERROR_NO_DEVICE) {
            ReportOpenRefused(path, status);
        }
        return nullptr;
    }
    status = libusb_claim_interface(device->usb, kCameraInterface);
    if (status != LIBUSB_SUCCESS) {
        ReportOpenRefused(path, status);
        libusb_close(device->usb);
        device->usb = nullptr;
        return nullptr;
    }
    devices_[path] = device;
    StartEventThread();
    return device;
}

DeviceHandle LibusbDriverPort::Open(const char* path, bool overlapped) {
    if (path == nullptr || context_ == nullptr) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    std::shared_ptr<Device> device = OpenDevice(path);
    if (device == nullptr) {
        return nullptr;
    }
    const uintptr_t id = nextHandle_;
    nextHandle_ += kHandleStep;
    handles_[id] = std::make_shared<Handle>(Handle{id, std::move(device), overlapped});
    return reinterpret_cast<DeviceHandle>(id);
}

bool LibusbDriverPort::Close(DeviceHandle handle) {
    std::shared_ptr<Handle> closed;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = handles_.find(reinterpret_cast<uintptr_t>(handle));
        if (found == handles_.end()) {
            return false;
        }
        closed = std::move(found->second);
        handles_.erase(found);
    }
    // Closing a handle cancels what still runs on it, and the buffers may go once it returns.
    CancelTransfers(*closed->device, closed->id, 0, true);
    std::lock_guard<std::mutex> lock(mutex_);
    closed.reset();  // the last handle of a device releases and closes it
    return true;
}

std::shared_ptr<LibusbDriverPort::Handle> LibusbDriverPort::FindHandle(DeviceHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = handles_.find(reinterpret_cast<uintptr_t>(handle));
    return found == handles_.end() ? nullptr : found->second;
}

IoResult LibusbDriverPort::IoControl(DeviceHandle handle, uint32_t code, void* in, uint32_t inLength, void* out,
                                     uint32_t outLength, Overlapped* overlapped) {
    const std::shared_ptr<Handle> opened = FindHandle(handle);
    if (opened == nullptr) {
        return Failure(win32_error::kInvalidHandle);
    }
    Device& device = *opened->device;
    if (device.gone) {
        return Failure(win32_error::kDeviceNotConnected);
    }
    auto* input = static_cast<uint8_t*>(in);
    auto* output = static_cast<uint8_t*>(out);
    if (code == fx3_ioctl::kBufferedTransfer || code == fx3_ioctl::kDirectTransfer) {
        return BulkTransfer(*opened, code, input, inLength, output, outLength, overlapped);
    }
    const IoResult result = code == fx3_ioctl::kControlTransfer
                                ? ControlTransfer(device, input, inLength, output, outLength)
                                : DeviceRequest(device, code, input, inLength, output, outLength);
    if (overlapped != nullptr && result.ok) {
        // Finished at once: signalled and collected as any request is.
        auto record = std::make_shared<Request>(device, opened->id, 0, overlapped->event, nullptr, 0);
        record->done = true;
        record->result = result;
        overlapped->pending = record;
        if (overlapped->event != nullptr) {
            overlapped->event->Set();
        }
    }
    return result;
}

IoResult LibusbDriverPort::ControlTransfer(Device& device, uint8_t* in, uint32_t inLength, uint8_t* out,
                                           uint32_t outLength) {
    if (in == nullptr || out == nullptr || inLength < kHeaderBytes || outLength < kHeaderBytes) {
        return Failure(win32_error::kInvalidParameter);
    }
    const uint32_t dataLength = Le32(in + kBufferLengthAt);
    if (in[kEndpointAt] != 0 || Le32(in + kBufferOffsetAt) != kHeaderBytes || dataLength > inLength - kHeaderBytes ||
        dataLength > outLength - kHeaderBytes || dataLength > kMaxControlData) {
        return Failure(win32_error::kInvalidParameter);
    }
    if (out != in) {
        std::memmove(out, in, std::min(inLength, outLength));
    }
    const int transferred =
        libusb_control_transfer(device.usb, out[kRequestTypeAt], out[kRequestAt], Le16(out + kValueAt),
                                Le16(out + kIndexAt), out + kHeaderBytes, static_cast<uint16_t>(dataLength),
                                Le32(out + kTimeoutAt));
    if (transferred < 0) {
        if (transferred == LIBUSB_ERROR_NO_DEVICE) {
            device.gone = true;
        }
        WriteStatus(out, kNtUnsuccessful, transferred == LIBUSB_ERROR_PIPE ? kUsbdStall : kUsbdError);
        return Failure(ErrorOf(transferred));
    }
    WriteStatus(out, kNtSuccess, kUsbdSuccess);
    return Success(kHeaderBytes + static_cast<uint32_t>(transferred));
}

IoResult LibusbDriverPort::DeviceRequest(Device& device, uint32_t code, const uint8_t* in, uint32_t inLength,
                                         uint8_t* out, uint32_t outLength) {
    switch (code) {
        case fx3_ioctl::kResetPipe:
        case fx3_ioctl::kAbortPipe: {
            if (in == nullptr || inLength < 1) {
                return Failure(win32_error::kInvalidParameter);
            }
            if (code == fx3_ioctl::kAbortPipe) {
                CancelTransfers(device, 0, in[0], false);
                return Success(0);
            }
            const int status = libusb_clear_halt(device.usb, in[0]);
            return status == LIBUSB_SUCCESS ? Success(0) : Failure(ErrorOf(status));
        }
        case fx3_ioctl::kResetParentPort: {
            const int status = libusb_reset_device(device.usb);
            // A reset that makes the device enumerate anew leaves this handle on a gone device.
            if (status == LIBUSB_ERROR_NOT_FOUND || status == LIBUSB_ERROR_NO_DEVICE) {
                device.gone = true;
                return Failure(win32_error::kDeviceNotConnected);
            }
            return status == LIBUSB_SUCCESS ? Success(0) : Failure(ErrorOf(status));
        }
        case fx3_ioctl::kDeviceSpeed: {
            if (out == nullptr || outLength < 4) {
                return Failure(win32_error::kInvalidParameter);
            }
            const int speed = libusb_get_device_speed(libusb_get_device(device.usb));
            StoreLe32(out, speed >= LIBUSB_SPEED_SUPER ? kSpeedSuper
                           : speed == LIBUSB_SPEED_HIGH ? kSpeedHigh
                                                        : kSpeedLowOrFull);
            return Success(4);
        }
        default:
            return Failure(win32_error::kInvalidParameter);
    }
}

IoResult LibusbDriverPort::BulkTransfer(const Handle& handle, uint32_t code, uint8_t* in, uint32_t inLength,
                                        uint8_t* out, uint32_t outLength, Overlapped* overlapped) {
    if (in == nullptr || inLength < kHeaderBytes) {
        return Failure(win32_error::kInvalidParameter);
    }
    Device& device = *handle.device;
    uint8_t* header = in;
    uint8_t* data = out;
    uint32_t length = outLength;
    uint32_t leadBytes = 0;
    if (code == fx3_ioctl::kBufferedTransfer) {
        // Through the driver's buffer: the data follows the header in the block, and the block
        // comes back with its status.
        const uint32_t blockData = Le32(in + kBufferLengthAt);
        if (out == nullptr || outLength < kHeaderBytes || Le32(in + kBufferOffsetAt) != kHeaderBytes ||
            blockData > outLength - kHeaderBytes) {
            return Failure(win32_error::kInvalidParameter);
        }
        if (out != in) {
            std::memmove(out, in, kHeaderBytes);
        }
        header = out;
        data = out + kHeaderBytes;
        length = blockData;
        leadBytes = kHeaderBytes;
    } else if (out == nullptr && outLength > 0) {
        return Failure(win32_error::kInvalidParameter);
    }
    if (length > kMaxBulkBytes) {
        return Failure(win32_error::kInvalidParameter);
    }
    const bool wait = overlapped == nullptr || !handle.overlapped;
    auto request = std::make_shared<Request>(device, handle.id, header[kEndpointAt],
                                             overlapped != nullptr ? overlapped->event : nullptr, header, leadBytes);
    request->transfer = libusb_alloc_transfer(0);
    if (request->transfer == nullptr) {
        return Failure(win32_error::kGenFailure);
    }
    libusb_fill_bulk_transfer(request->transfer, device.usb, request->endpoint, data, static_cast<int>(length),
                              &LibusbDriverPort::OnTransferDone, request.get(), Le32(header + kTimeoutAt));
    request->self = request;
    {
        std::lock_guard<std::mutex> lock(device.mutex);
        device.inFlight.push_back(request);
    }
    const int status = libusb_submit_transfer(request->transfer);
    if (status != LIBUSB_SUCCESS) {
        request->self.reset();
        std::lock_guard<std::mutex> lock(device.mutex);
        device.inFlight.erase(std::find(device.inFlight.begin(), device.inFlight.end(), request));
        if (status == LIBUSB_ERROR_NO_DEVICE) {
            device.gone = true;
        } else if (status == LIBUSB_ERROR_NO_MEM) {
            ReportUsbfsMemoryRefused(length);
        }
        return Failure(ErrorOf(status));
    }
    if (overlapped != nullptr) {
        overlapped->pending = request;
    }
    if (!wait) {
        return Failure(win32_error::kIoPending);
    }
    std::unique_lock<std::mutex> lock(request->mutex);
    request->finished.wait(lock, [&request] { return request->done; });
    return request->result;
}

void LibusbDriverPort::OnTransferDone(libusb_transfer* transfer) {
    Request& request = *static_cast<Request*>(transfer->user_data);
    std::shared_ptr<Request> keep = std::move(request.self);
    IoResult result;
    uint32_t usbd = kUsbdError;
    switch (transfer->status) {
        case LIBUSB_TRANSFER_COMPLETED:
            result = Success(request.leadBytes + static_cast<uint32_t>(transfer->actual_length));
            usbd = kUsbdSuccess;
            break;
        case LIBUSB_TRANSFER_CANCELLED:
            result = Failure(win32_error::kOperationAborted);
            usbd = kUsbdCancelled;
            break;
        case LIBUSB_TRANSFER_TIMED_OUT:
            result = Failure(win32_error::kSemTimeout);
            break;
        case LIBUSB_TRANSFER_NO_DEVICE:
            request.device.gone = true;
            result = Failure(win32_error::kDeviceNotConnected);
            break;
        case LIBUSB_TRANSFER_STALL:
            usbd = kUsbdStall;
            result = Failure(win32_error::kGenFailure);
            break;
        default:
            result = Failure(win32_error::kGenFailure);
            break;
    }
    WriteStatus(request.header, result.ok ? kNtSuccess : kNtUnsuccessful, usbd);
    {
        // The event is set under the request's lock: a caller that waits on the request itself
        // cannot see it finished, return and free the event before the event is set.
        std::lock_guard<std::mutex> lock(request.mutex);
        request.result = result;
        request.done = true;
        if (request.event != nullptr) {
            request.event->Set();
        }
        request.finished.notify_all();
    }
    Device& device = request.device;
    std::lock_guard<std::mutex> lock(device.mutex);
    device.inFlight.erase(std::find(device.inFlight.begin(), device.inFlight.end(), keep));
    // Notified under the lock: the device may go as soon as a closing thread sees it drained.
    device.drained.notify_all();
}

void LibusbDriverPort::CancelTransfers(Device& device, uintptr_t handleId, uint8_t endpoint, bool wait) {
    const auto matches = [handleId, endpoint](const std::shared_ptr<Request>& request) {
        return (handleId == 0 || request->handleId == handleId) && (endpoint == 0 || request->endpoint == endpoint);
    };
    std::vector<std::shared_ptr<Request>> targets;
    {
        std::lock_guard<std::mutex> lock(device.mutex);
        std::copy_if(device.inFlight.begin(), device.inFlight.end(), std::back_inserter(targets), matches);
    }
    for (const std::shared_ptr<Request>& request : targets) {
        libusb_cancel_transfer(request->transfer);  // one finished meanwhile answers "not found"
    }
    if (wait) {
        std::unique_lock<std::mutex> lock(device.mutex);
        device.drained.wait(lock, [&device, &matches] {
            return std::none_of(device.inFlight.begin(), device.inFlight.end(), matches);
        });
    }
}

IoResult LibusbDriverPort::GetOverlappedResult(DeviceHandle handle, Overlapped& overlapped, bool wait) {
    const std::shared_ptr<Handle> opened = FindHandle(handle);
    if (opened == nullptr) {
        return Failure(win32_error::kInvalidHandle);
    }
    const auto request = std::static_pointer_cast<Request>(overlapped.pending);
    if (request == nullptr || request->handleId != opened->id) {
        return Failure(win32_error::kInvalidParameter);
    }
    std::unique_lock<std::mutex> lock(request->mutex);
    if (!request->done && !wait) {
        return Failure(win32_error::kIoIncomplete);
    }
    request->finished.wait(lock, [&request] { return request->done; });
    return request->result;
}

bool LibusbDriverPort::CancelIo(DeviceHandle handle, Overlapped* overlapped) {
    const std::shared_ptr<Handle> opened = FindHandle(handle);
    if (opened == nullptr) {
        return false;
    }
    if (overlapped == nullptr) {
        CancelTransfers(*opened->device, opened->id, 0, false);
        return true;
    }
    const auto request = std::static_pointer_cast<Request>(overlapped->pending);
    if (request == nullptr || request->handleId != opened->id || request->transfer == nullptr) {
        return false;
    }
    return libusb_cancel_transfer(request->transfer) == LIBUSB_SUCCESS;
}

namespace {

int OnHotplug(libusb_context* /*context*/, libusb_device* device, libusb_hotplug_event event, void* /*port*/) {
    const std::string path = LibusbDriverPort::CameraPath(device);
    if (!path.empty()) {
        PostDeviceChange(event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED, kFx3DriverGuid, path);
    }
    return 0;  // stay registered
}

}  // namespace

bool LibusbDriverPort::WatchArrivals() {
    if (context_ == nullptr || !libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (watching_) {
            return true;
        }
        watching_ = true;
        StartEventThread();
    }
    // Registered outside the port's lock: libusb calls the callback holding its own.
    const int status = libusb_hotplug_register_callback(
        context_, static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
        static_cast<libusb_hotplug_flag>(0), kCameraVendorId, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
        &OnHotplug, this, nullptr);
    if (status != LIBUSB_SUCCESS) {
        std::lock_guard<std::mutex> lock(mutex_);
        watching_ = false;
        return false;
    }
    return true;
}

}  // namespace ovilux::platform
