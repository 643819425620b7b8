// EmulatedUsbBus.h - simulated cameras behind the real libusb: umockdev's testbed shows libusb
// a sysfs and udev with the cameras' descriptors, and its ioctl emulation hands every usbfs
// request (claiming, URBs submitted, reaped and discarded) to a simulated camera. Works only in
// a program started with umockdev's preload library (LD_PRELOAD=libumockdev-preload.so.0),
// and the bus must exist before libusb starts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ovilux::sim {
class CSimCamera;
}

namespace ovilux::test {

// How usbfs ends a bulk read: short (the camera's short packet ended it; the bytes past the end
// are left marked with kUnwrittenByte, as they never came), overflowing (the camera sent more
// than asked), as a lone zero-length packet, or refused at submission for lack of usbfs memory.
enum class BulkFault { Short, Overflow, ZeroLength, NoMemory };
constexpr uint8_t kUnwrittenByte = 0xA5;

// usbfs's capabilities as a kernel reports them; libusb splits bulk reads into 16 KiB URBs where
// scatter-gather is missing.
constexpr uint32_t kKernelCapabilities = 0x0E;  // continuation, no packet size limit, scatter-gather
constexpr uint32_t kCapabilitiesWithoutScatterGather = 0x02;

class EmulatedUsbBus {
public:
    // The process's bus, made on first use.
    static EmulatedUsbBus& Instance();
    // True when umockdev's preload library is in the process.
    static bool Preloaded();

    // Plugs a camera of productId into root port port (1 to 15) of bus 1 and announces it as the
    // kernel would; the camera runs without sensor timing. Null when the port is taken.
    std::shared_ptr<sim::CSimCamera> Plug(uint16_t productId, int port);
    // Unplugs it: announced, and every request on it fails as on a vanished device.
    void Unplug(int port);
    // The next count bulk reads submitted on the camera at port, after skip more, end with fault.
    void FaultBulkReads(int port, BulkFault fault, uint32_t count, uint32_t skip = 0);
    // usbfs's capabilities for the handles opened on the camera at port from now on.
    void SetCapabilities(int port, uint32_t capabilities);
    // A kernel driver bound to the camera's interface (empty: none); claims then fail as busy.
    void BindKernelDriver(int port, const std::string& driver);
    // Whether an open file of the camera's node holds its interface claimed.
    bool Claimed(int port);
    // The device number (and node) the kernel gave the camera at port; 0 when none is plugged.
    int DeviceNumber(int port);
    // Lets every user read the testbed, as a system lets every user read sysfs; device nodes
    // stay root's, mode 0644, as usbfs makes them without a rule.
    void OpenToEveryone();
    // Writes a file of the testbed's /sys (path from /sys on), e.g. a kernel module parameter.
    void WriteSysFile(const std::string& path, const std::string& content);

    struct Slot;
    struct State;

private:
    EmulatedUsbBus();
    State* state_;
};

}  // namespace ovilux::test
