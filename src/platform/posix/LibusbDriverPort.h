// LibusbDriverPort.h - the FX3 driver's requests carried over libusb and the kernel's usbfs, so
// that the library reaches real cameras on Linux.
//
// Cameras are the devices of vendor 0x04B4 with a product id of the family's range
// (0x3000 to 0x33FF). Each is listed under an interface path of the form the Windows driver
// gives, \\?\usb#vid_04b4&pid_3030#b001p2.3#{328184c5-...}: the vendor and product digits sit
// at the columns the device table reads, and the instance part names the bus and the port
// chain, so a camera keeps its path while it stays on its port. Handles opened on one path
// share one libusb device handle with interface 0 claimed; it is closed with the last of them.
//
// Requests: control blocks become vendor control transfers (the data length is the block's
// buffer length); buffered and direct transfers become asynchronous bulk transfers, any
// number in flight, finished by one event thread that signals the caller's event; abort pipe
// cancels the endpoint's transfers, reset pipe clears its halt, reset parent port resets the
// device. libusb's failures come back as the Windows errors the transport knows: a device
// gone as 1167, a cancelled transfer as 995, a timeout as 121. Closing a handle cancels its
// transfers and waits until every one has completed, so no buffer goes while the kernel may
// still write it. A submit that usbfs refuses for lack of memory fails with 1450, and a camera
// that cannot be opened or claimed says why on the debug channel.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/DriverPort.h"

struct libusb_context;
struct libusb_device;
struct libusb_device_handle;
struct libusb_transfer;

namespace ovilux::platform {

// Where the kernel keeps usbfs's memory limit, in MiB for all transfers in flight (0: none).
constexpr const char* kUsbfsMemoryLimitFile = "/sys/module/usbcore/parameters/usbfs_memory_mb";

// The name of the thread that finishes every transfer, as the system lists the process's threads.
constexpr const char* kEventThreadName = "ovilux-usb";

class LibusbDriverPort final : public DriverPort {
public:
    // The process's port; libusb is started on first use and never stopped (requests and the
    // event thread may run while the process exits).
    static LibusbDriverPort& Instance();

    // False when libusb could not start (no usbfs, for one): the port then finds nothing.
    bool Available() const { return context_ != nullptr; }
    // Posts the arrival and removal of cameras as device-change messages to the windows
    // registered for them (DeviceNotification.h). False when libusb cannot report them.
    bool WatchArrivals();
    // The interface path of a libusb device; empty when it is not one of the family's cameras.
    static std::string CameraPath(libusb_device* device);

    std::vector<std::string> EnumerateInterfaces(const InterfaceGuid& guid) override;
    DeviceHandle Open(const char* path, bool overlapped) override;
    bool Close(DeviceHandle handle) override;
    IoResult IoControl(DeviceHandle handle, uint32_t code, void* in, uint32_t inLength, void* out, uint32_t outLength,
                       Overlapped* overlapped) override;
    IoResult GetOverlappedResult(DeviceHandle handle, Overlapped& overlapped, bool wait) override;
    bool CancelIo(DeviceHandle handle, Overlapped* overlapped) override;

    struct Device;
    struct Request;

private:
    struct Handle {
        uintptr_t id;
        std::shared_ptr<Device> device;
        bool overlapped;
    };

    LibusbDriverPort();
    void StartEventThread();
    std::shared_ptr<Handle> FindHandle(DeviceHandle handle);
    std::shared_ptr<Device> OpenDevice(const std::string& path);
    IoResult ControlTransfer(Device& device, uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength);
    IoResult BulkTransfer(const Handle& handle, uint32_t code, uint8_t* in, uint32_t inLength, uint8_t* out,
                          uint32_t outLength, Overlapped* overlapped);
    IoResult DeviceRequest(Device& device, uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out,
                           uint32_t outLength);
    // Cancels the transfers in flight of one handle (any endpoint when endpoint is 0) and, when
    // wait is set, returns only after all of them have completed.
    void CancelTransfers(Device& device, uintptr_t handleId, uint8_t endpoint, bool wait);
    static void OnTransferDone(libusb_transfer* transfer);

    libusb_context* context_ = nullptr;
    std::mutex mutex_;
    std::map<uintptr_t, std::shared_ptr<Handle>> handles_;
    std::map<std::string, std::weak_ptr<Device>> devices_;
    uintptr_t nextHandle_;
    bool eventThreadStarted_ = false;
    bool watching_ = false;
};

}  // namespace ovilux::platform
