// The driver port choice: the system's own port until a simulated bus is installed, and the
// system port finding no FX3 device here (no driver on Linux; under Wine SetupAPI finds none).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/DriverPort.h"
#include "platform/Event.h"
#include "sim/SimulatedBus.h"

namespace platform = ovilux::platform;
namespace sim = ovilux::sim;

namespace {

const platform::InterfaceGuid kFx3Guid{{0xC5, 0x84, 0x81, 0x32, 0xE6, 0x93, 0xB7, 0x49, 0x94, 0xB8, 0x2A, 0xDA, 0x13,
                                        0xAA, 0xBB, 0x39}};

TEST(SystemDriverPort, FindsNoDeviceAndRefusesRequests) {
    platform::DriverPort& port = platform::SystemDriverPort();
    EXPECT_TRUE(port.EnumerateInterfaces(kFx3Guid).empty());
    const char* path = "\\\\?\\usb#vid_04b4&pid_3030#7&15e8a3c2&0&1#{328184c5-93e6-49b7-94b8-2ada13aabb39}";
    EXPECT_EQ(port.Open(path, true), nullptr);
    EXPECT_EQ(port.Open(path, false), nullptr);
    EXPECT_EQ(port.Open(nullptr, false), nullptr);
    uint8_t block[102] = {};
    const platform::IoResult result =
        port.IoControl(nullptr, platform::fx3_ioctl::kControlTransfer, block, sizeof(block), block, sizeof(block), nullptr);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, platform::win32_error::kInvalidHandle);
    platform::Event event(platform::EventReset::Auto, false);
    platform::Overlapped overlapped(event);
    EXPECT_FALSE(port.GetOverlappedResult(nullptr, overlapped, false).ok);
    EXPECT_FALSE(port.CancelIo(nullptr, nullptr));
    EXPECT_FALSE(port.Close(nullptr));
}

TEST(ActiveDriverPort, FollowsTheInstalledSimulatedBus) {
    platform::InstallSimulatedDriverPort(nullptr);
    EXPECT_EQ(&platform::ActiveDriverPort(), &platform::SystemDriverPort());
    // Attaching a camera switches the library over to the simulated bus.
    sim::CSimulatedBus& bus = sim::CSimulatedBus::Instance();
    const int32_t port = bus.Attach(0x3030, -1);
    ASSERT_GE(port, 0);
    EXPECT_EQ(&platform::ActiveDriverPort(), static_cast<platform::DriverPort*>(&bus));
    EXPECT_EQ(platform::ActiveDriverPort().EnumerateInterfaces(kFx3Guid).size(), 1u);
    bus.Detach(port);
    platform::InstallSimulatedDriverPort(nullptr);
    EXPECT_EQ(&platform::ActiveDriverPort(), &platform::SystemDriverPort());
}

TEST(ActiveDriverPort, IsSafeToReadWhileAnotherThreadInstalls) {
    sim::CSimulatedBus& bus = sim::CSimulatedBus::Instance();
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::thread reader([&] {
        while (!stop.load()) {
            platform::DriverPort* active = &platform::ActiveDriverPort();
            if (active != &platform::SystemDriverPort() && active != &bus) {
                ++wrong;
            }
        }
    });
    for (int i = 0; i < 2000; ++i) {
        platform::InstallSimulatedDriverPort(i % 2 == 0 ? &bus : nullptr);
    }
    stop = true;
    reader.join();
    EXPECT_EQ(wrong.load(), 0);
    platform::InstallSimulatedDriverPort(nullptr);
}

}  // namespace
