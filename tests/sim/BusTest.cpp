// The simulated bus: cameras on numbered ports, their paths, handles, and unplugging.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "SimFixture.h"

namespace platform = ovilux::platform;
namespace sim = ovilux::sim;
using namespace ovilux::simtest;

namespace {

const platform::InterfaceGuid kFx3Guid{{0xC5, 0x84, 0x81, 0x32, 0xE6, 0x93, 0xB7, 0x49, 0x94, 0xB8, 0x2A, 0xDA, 0x13,
                                        0xAA, 0xBB, 0x39}};

std::string PathOn(int32_t port) { return sim::CSimulatedBus::Instance().Camera(port)->Path(); }

TEST(SimulatedBus, PathsCarryVendorAndProductWhereTheLibraryReadsThem) {
    sim::CSimulatedBus& bus = sim::CSimulatedBus::Instance();
    const int32_t port = bus.Attach(0x3030, 5);
    ASSERT_EQ(port, 5);
    const std::string path = PathOn(port);
    EXPECT_EQ(path.substr(0, 12), "\\\\?\\usb#vid_");
    EXPECT_EQ(path.substr(12, 4), "04b4");
    EXPECT_EQ(path.substr(16, 5), "&pid_");
    EXPECT_EQ(path.substr(21, 4), "3030");
    EXPECT_EQ(path.substr(path.size() - 38), "{328184c5-93e6-49b7-94b8-2ada13aabb39}");
    EXPECT_EQ(bus.EnumerateInterfaces(kFx3Guid), std::vector<std::string>{path});
    platform::InterfaceGuid other = kFx3Guid;
    other.bytes[15] ^= 1;
    EXPECT_TRUE(bus.EnumerateInterfaces(other).empty());
    const std::vector<sim::CSimCameraInfo> listed = bus.List();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].port, 5);
    EXPECT_EQ(listed[0].vendorId, 0x04B4);
    EXPECT_EQ(listed[0].productId, 0x3030);
    bus.Detach(port);
}

TEST(SimulatedBus, ACameraKeepsItsPathOnItsPortAndGetsANewOneElsewhere) {
    sim::CSimulatedBus& bus = sim::CSimulatedBus::Instance();
    ASSERT_EQ(bus.Attach(0x3030, 3), 3);
    const std::string first = PathOn(3);
    ASSERT_TRUE(bus.Detach(3));
    ASSERT_EQ(bus.Attach(0x3030, 3), 3);
    EXPECT_EQ(PathOn(3), first);
    ASSERT_TRUE(bus.Detach(3));
    ASSERT_EQ(bus.Attach(0x3030, 4), 4);
    EXPECT_NE(PathOn(4), first);
    // Enumeration lists cameras in port order.
    ASSERT_EQ(bus.Attach(0x3030, 1), 1);
    EXPECT_EQ(bus.EnumerateInterfaces(kFx3Guid), (std::vector<std::string>{PathOn(1), PathOn(4)}));
    bus.Detach(1);
    bus.Detach(4);
}

TEST(SimulatedBus, RefusesUnknownProductsAndTakenOrMissingPorts) {
    sim::CSimulatedBus& bus = sim::CSimulatedBus::Instance();
    EXPECT_EQ(bus.Attach(0x3021, -1), -1) << "no product of the family has this id";
    EXPECT_EQ(bus.Attach(0x3030, 32), -1);
    ASSERT_EQ(bus.Attach(0x3030, 0), 0);
    EXPECT_EQ(bus.Attach(0x3030, 0), -1);
    EXPECT_EQ(bus.Attach(0x3030, -1), 1) << "any port takes the lowest free one";
    EXPECT_FALSE(bus.Detach(2));
    EXPECT_FALSE(bus.Detach(-1));
    EXPECT_FALSE(bus.Detach(32));
    EXPECT_TRUE(bus.Detach(0));
    EXPECT_TRUE(bus.Detach(1));
    EXPECT_TRUE(bus.List().empty());
}

TEST(SimulatedBus, ParsesTheEnvironmentsProductIds) {
    EXPECT_EQ(sim::CSimulatedBus::ParseProductId("3030"), 0x3030);
    EXPECT_EQ(sim::CSimulatedBus::ParseProductId(" 0x3030 "), 0x3030);
    EXPECT_EQ(sim::CSimulatedBus::ParseProductId("30f0"), 0x30F0);
    EXPECT_EQ(sim::CSimulatedBus::ParseProductId(""), -1);
    EXPECT_EQ(sim::CSimulatedBus::ParseProductId("0x"), -1);
    EXPECT_EQ(sim::CSimulatedBus::ParseProductId("30300"), -1);
    EXPECT_EQ(sim::CSimulatedBus::ParseProductId("zz"), -1);
    sim::CSimulatedBus& bus = sim::CSimulatedBus::Instance();
    bus.ApplyEnvironment("3030, bad,,0x3030,3021", "FAST", nullptr);
    EXPECT_EQ(bus.List().size(), 2u);
    EXPECT_EQ(bus.Speed(), sim::SimSpeed::Fast);
    bus.ApplyEnvironment(nullptr, "realtime", nullptr);
    EXPECT_EQ(bus.Speed(), sim::SimSpeed::Realtime);
    bus.Detach(0);
    bus.Detach(1);
}

class BusHandles : public SimCameraTest {};

TEST_F(BusHandles, OpensPathsWithoutRegardToCaseAndRefusesOthers) {
    std::string upper = camera_->Path();
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    platform::DriverPort& port = platform::ActiveDriverPort();
    platform::DeviceHandle handle = port.Open(upper.c_str(), false);
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(port.Close(handle));
    EXPECT_FALSE(port.Close(handle)) << "a closed handle is gone";
    EXPECT_EQ(port.Open((camera_->Path() + "x").c_str(), false), nullptr);
    EXPECT_EQ(port.Open(nullptr, false), nullptr);
}

TEST_F(BusHandles, RefusesBadHandlesCodesAndBlocks) {
    platform::DriverPort& port = platform::ActiveDriverPort();
    std::vector<uint8_t> block = ControlBlock(kDeviceToHost, 0xB0, 0, 0);
    auto* bogus = reinterpret_cast<platform::DeviceHandle>(static_cast<uintptr_t>(0x7777));
    platform::IoResult result =
        port.IoControl(bogus, platform::fx3_ioctl::kControlTransfer, block.data(), 102, block.data(), 102, nullptr);
    EXPECT_EQ(result.error, platform::win32_error::kInvalidHandle);
    result = port.IoControl(host_->ControlHandle(), 0x220FFF, block.data(), 102, block.data(), 102, nullptr);
    EXPECT_EQ(result.error, platform::win32_error::kInvalidParameter);
    result = port.IoControl(host_->ControlHandle(), platform::fx3_ioctl::kControlTransfer, block.data(), 37,
                            block.data(), 102, nullptr);
    EXPECT_EQ(result.error, platform::win32_error::kInvalidParameter);
    result = port.IoControl(host_->ControlHandle(), platform::fx3_ioctl::kControlTransfer, nullptr, 0, nullptr, 0,
                            nullptr);
    EXPECT_EQ(result.error, platform::win32_error::kInvalidParameter);
    block[34] = 65;  // buffer length past the block
    result = port.IoControl(host_->ControlHandle(), platform::fx3_ioctl::kControlTransfer, block.data(), 102,
                            block.data(), 102, nullptr);
    EXPECT_EQ(result.error, platform::win32_error::kInvalidParameter);
    uint8_t endpoint = 0x82;
    result = port.IoControl(host_->StreamHandle(), platform::fx3_ioctl::kAbortPipe, &endpoint, 1, nullptr, 0, nullptr);
    EXPECT_EQ(result.error, platform::win32_error::kInvalidParameter);
    uint8_t header[38] = {};
    header[13] = 0x83;  // the M03 has no second bulk endpoint
    uint8_t data[64];
    result = port.IoControl(host_->StreamHandle(), platform::fx3_ioctl::kDirectTransfer, header, 38, data, 64, nullptr);
    EXPECT_EQ(result.error, platform::win32_error::kInvalidParameter);
}

TEST_F(BusHandles, ReportsSuperSpeedAndAcceptsPipeAndPortResets) {
    platform::DriverPort& port = platform::ActiveDriverPort();
    uint8_t in[4] = {}, out[4] = {};
    platform::IoResult result =
        port.IoControl(host_->ControlHandle(), platform::fx3_ioctl::kDeviceSpeed, in, 4, out, 4, nullptr);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.bytes, 4u);
    EXPECT_EQ(Le32(out), 4u);
    uint8_t endpoint = 0x81;
    EXPECT_TRUE(port.IoControl(host_->ControlHandle(), platform::fx3_ioctl::kResetPipe, &endpoint, 1, nullptr, 0, nullptr).ok);
    EXPECT_TRUE(port.IoControl(host_->ControlHandle(), platform::fx3_ioctl::kResetParentPort, nullptr, 0, nullptr, 0, nullptr).ok);
}

TEST_F(BusHandles, UnplugFailsOutstandingReadsLaterRequestsAndOpens) {
    platform::DriverPort& port = platform::ActiveDriverPort();
    uint8_t data[64];
    DirectRead read;
    const platform::IoResult started = read.Begin(port, host_->StreamHandle(), data, sizeof(data));
    ASSERT_FALSE(started.ok);
    ASSERT_EQ(started.error, platform::win32_error::kIoPending) << "nothing is sent before a read is prepared";
    EXPECT_FALSE(read.WaitDone(30));
    const std::string path = camera_->Path();
    ASSERT_TRUE(bus_.Detach(port_));
    ASSERT_TRUE(read.WaitDone(2000));
    const platform::IoResult ended = read.Collect(port, host_->StreamHandle(), false);
    EXPECT_FALSE(ended.ok);
    EXPECT_EQ(ended.error, platform::win32_error::kDeviceNotConnected);
    EXPECT_NE(read.NtStatus(), 0u);
    EXPECT_NE(read.UsbdStatus(), 0u);
    EXPECT_EQ(port.Open(path.c_str(), false), nullptr);
    EXPECT_EQ(host_->Control(kDeviceToHost, 0xB0, 0, 0).result.error, platform::win32_error::kDeviceNotConnected);
    // Plugged in again on the same port: the old handles stay dead, new ones work.
    ASSERT_EQ(bus_.Attach(0x3030, port_), port_);
    EXPECT_EQ(host_->Control(kDeviceToHost, 0xB0, 0, 0).result.error, platform::win32_error::kDeviceNotConnected);
    SimHost fresh(port);
    ASSERT_TRUE(fresh.Open(path));
    EXPECT_TRUE(fresh.Control(kDeviceToHost, 0xB0, 0, 0).result.ok);
}

TEST_F(BusHandles, ClosingAHandleCancelsItsReads) {
    platform::DriverPort& port = platform::ActiveDriverPort();
    platform::DeviceHandle extra = port.Open(camera_->Path().c_str(), true);
    ASSERT_NE(extra, nullptr);
    uint8_t data[64];
    DirectRead read;
    ASSERT_EQ(read.Begin(port, extra, data, sizeof(data)).error, platform::win32_error::kIoPending);
    ASSERT_TRUE(port.Close(extra));
    ASSERT_TRUE(read.WaitDone(2000));
    EXPECT_NE(read.NtStatus(), 0u);
    EXPECT_EQ(read.Collect(port, extra, false).error, platform::win32_error::kInvalidHandle);
}

}  // namespace
