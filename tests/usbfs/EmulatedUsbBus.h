// EmulatedUsbBus.h - simulated cameras behind the real libusb: umockdev's testbed shows libusb
// a sysfs and udev with the cameras' descriptors, and its ioctl emulation hands every usbfs
// request (claiming, URBs submitted, reaped and discarded) to a simulated camera. Works only in
// a program started with umockdev's preload library (LD_PRELOAD=libumockdev-preload.so.0),
// and the bus must exist before libusb starts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace ovilux::sim {
class CSimCamera;
}

namespace ovilux::test {

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
    // Writes a file of the testbed's /sys (path from /sys on), e.g. a kernel module parameter.
    void WriteSysFile(const std::string& path, const std::string& content);

    struct Slot;
    struct State;

private:
    EmulatedUsbBus();
    State* state_;
};

}  // namespace ovilux::test
