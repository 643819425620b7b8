// The transport against the simulated M03 camera on its simulated bus: enumeration and the
// device table (also shared with a second process), register and SROM access, and frames read
// with the sizes their headers announce.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/DriverPort.h"
#include "sim/SimCamera.h"
#include "sim/SimulatedBus.h"
#include "support/ChildProcess.h"
#include "usb/OviCy3Cam.h"
#include "usb/TransferLayout.h"
#include "usb/TransportTestSupport.h"

using namespace ovilux;
using namespace ovilux::usb;
using platform::DeviceHandle;
using test::RegisterChildRole;
using test::RunChild;

namespace {

constexpr uint8_t kSensorBus = 0x90;

// The simulated bus, with paths that the test can make refuse to open.
class GatedPort : public platform::DriverPort {
public:
    explicit GatedPort(platform::DriverPort& inner) : inner_(inner) {}
    void Refuse(const std::string& path) { refused_.insert(path); }
    void Allow(const std::string& path) { refused_.erase(path); }

    std::vector<std::string> EnumerateInterfaces(const platform::InterfaceGuid& guid) override {
        return inner_.EnumerateInterfaces(guid);
    }
    DeviceHandle Open(const char* path, bool overlapped) override {
        return path != nullptr && refused_.count(path) != 0 ? nullptr : inner_.Open(path, overlapped);
    }
    bool Close(DeviceHandle handle) override { return inner_.Close(handle); }
    platform::IoResult IoControl(DeviceHandle handle, uint32_t code, void* in, uint32_t inLength, void* out,
                                 uint32_t outLength, platform::Overlapped* overlapped) override {
        return inner_.IoControl(handle, code, in, inLength, out, outLength, overlapped);
    }
    platform::IoResult GetOverlappedResult(DeviceHandle handle, platform::Overlapped& overlapped, bool wait) override {
        return inner_.GetOverlappedResult(handle, overlapped, wait);
    }
    bool CancelIo(DeviceHandle handle, platform::Overlapped* overlapped) override {
        return inner_.CancelIo(handle, overlapped);
    }

private:
    platform::DriverPort& inner_;
    std::set<std::string> refused_;
};

// Child: plugs cameras into the given ports of its own bus, enumerates them into the named
// table and exits with the record count.
const bool kEnumerateRole = RegisterChildRole("sim-enumerate", [](const std::vector<std::string>& args) {
    sim::CSimulatedBus& bus = sim::CSimulatedBus::Instance();
    for (size_t i = 1; i < args.size(); ++i) {
        if (bus.Attach(0x3030, std::stoi(args[i])) < 0) {
            return 100;
        }
    }
    COviCy3Cam cam(bus, nullptr, args.at(0).c_str());
    return static_cast<int>(cam.EnumerateDevices());
});

class SimTransport : public ::testing::Test {
protected:
    void SetUp() override { bus.SetSpeed(sim::SimSpeed::Fast); }
    void TearDown() override {
        cam.reset();
        for (int32_t port : ports) {
            bus.Detach(port);
        }
    }
    int32_t Plug(int32_t port) {
        const int32_t plugged = bus.Attach(0x3030, port);
        if (plugged >= 0) {
            ports.push_back(plugged);
        }
        return plugged;
    }
    void Unplug(int32_t port) {
        bus.Detach(port);
        ports.erase(std::remove(ports.begin(), ports.end(), port), ports.end());
    }
    std::string PathOf(int32_t port) { return bus.Camera(port)->Path(); }
    void MakeController(platform::DriverPort& port) {
        cam = std::make_unique<COviCy3Cam>(port, nullptr, tableName.c_str());
    }
    // One selected camera on port 0, ready to stream.
    void OpenCamera() {
        ASSERT_EQ(Plug(0), 0);
        MakeController(platform::ActiveDriverPort());
        ASSERT_EQ(cam->EnumerateDevices(), 1);
        ASSERT_TRUE(cam->SelectDevice(0));
        ASSERT_TRUE(cam->InitializeTransferBuffer());
    }
    bool SensorWrite(uint8_t reg, uint16_t value) {
        const uint8_t data[3] = {reg, static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
        return cam->I2cWrite(kSensorBus, data, 3, 3000) != 0;
    }
    // The sensor window and the FPGA's frame size for a full-resolution window at the origin.
    bool SetWindow(uint16_t width, uint16_t height) {
        return SensorWrite(0x01, 52) && SensorWrite(0x02, 16) && SensorWrite(0x03, height + 1) &&
               SensorWrite(0x04, width + 1) && SensorWrite(0x22, 0) && SensorWrite(0x23, 0) &&
               cam->FpgaWrite(68, static_cast<uint8_t>(width)) && cam->FpgaWrite(69, static_cast<uint8_t>(width >> 8)) &&
               cam->FpgaWrite(64, static_cast<uint8_t>(height)) &&
               cam->FpgaWrite(65, static_cast<uint8_t>(height >> 8));
    }

    sim::CSimulatedBus& bus = sim::CSimulatedBus::Instance();
    std::vector<int32_t> ports;
    std::string tableName = test::UniqueTableName("sim");
    std::unique_ptr<COviCy3Cam> cam;
};

}  // namespace

TEST_F(SimTransport, EnumerationNumbersCamerasAndKeepsRowsOfMovedOnes) {
    ASSERT_EQ(Plug(0), 0);
    MakeController(platform::ActiveDriverPort());
    EXPECT_EQ(cam->EnumerateDevices(), 1);
    EXPECT_EQ(cam->EnumerateDevices(), 1) << "enumerating twice adds no row";
    const DeviceRecord first = cam->GetTableRecord(0);
    EXPECT_EQ(first.vendorId, 0x04B4);
    EXPECT_EQ(first.productId, 0x3030);
    EXPECT_EQ(first.deviceNumber, 0);
    EXPECT_STREQ(first.devicePath, PathOf(0).c_str());

    ASSERT_EQ(Plug(1), 1);
    EXPECT_EQ(cam->EnumerateDevices(), 2);
    EXPECT_EQ(cam->GetTableRecord(1).deviceNumber, 1);
    char name[32] = {};
    ASSERT_TRUE(cam->GetModelName(1, name, sizeof(name)));
    EXPECT_STREQ(name, "Ovilux-M03-UX_01");

    // The first camera moves to port 5.
    Unplug(0);
    ASSERT_EQ(Plug(5), 5);
    EXPECT_EQ(cam->EnumerateDevices(), 3);
    EXPECT_EQ(cam->GetTableRecord(2).deviceNumber, 2);
    EXPECT_STREQ(cam->GetTableRecord(2).devicePath, PathOf(5).c_str());
    EXPECT_FALSE(cam->IsDevicePresent(0)) << "the old row stays and reports absent";
    EXPECT_TRUE(cam->IsDevicePresent(1));
    EXPECT_TRUE(cam->IsDevicePresent(2));
    EXPECT_FALSE(cam->SelectDevice(0));
    EXPECT_TRUE(cam->SelectDevice(2));

    DeviceHandle handle = nullptr;
    EXPECT_FALSE(cam->OpenDevicePath(&handle, 32, false));
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(cam->GetRecordCount(), 3);
}

TEST_F(SimTransport, InterfaceThatWillNotOpenIsNotAdded) {
    ASSERT_EQ(Plug(0), 0);
    ASSERT_EQ(Plug(2), 2);
    GatedPort gated(platform::ActiveDriverPort());
    gated.Refuse(PathOf(0));
    MakeController(gated);
    EXPECT_EQ(cam->EnumerateDevices(), 1);
    EXPECT_STREQ(cam->GetTableRecord(0).devicePath, PathOf(2).c_str());
    EXPECT_EQ(cam->GetTableRecord(0).deviceNumber, 0);
    gated.Allow(PathOf(0));
    EXPECT_EQ(cam->EnumerateDevices(), 2);
    EXPECT_EQ(cam->GetTableRecord(1).deviceNumber, 1);
}

TEST_F(SimTransport, TwoProcessesShareTheTable) {
    ASSERT_TRUE(kEnumerateRole);
    ASSERT_EQ(Plug(0), 0);
    MakeController(platform::ActiveDriverPort());
    ASSERT_EQ(cam->EnumerateDevices(), 1);
    // The other process has the same camera on port 0 and one more on port 1.
    EXPECT_EQ(RunChild("sim-enumerate", {tableName, "0", "1"}), 2);
    ASSERT_EQ(Plug(1), 1);
    EXPECT_EQ(cam->EnumerateDevices(), 2) << "the other process's row is this one's too";
    EXPECT_EQ(cam->GetTableRecord(1).deviceNumber, 1);
    EXPECT_STREQ(cam->GetTableRecord(1).devicePath, PathOf(1).c_str());
    EXPECT_TRUE(cam->IsDevicePresent(1));
    // A camera only the other process has gets a row that is absent here.
    EXPECT_EQ(RunChild("sim-enumerate", {tableName, "0", "7"}), 3);
    EXPECT_EQ(cam->EnumerateDevices(), 3);
    EXPECT_FALSE(cam->IsDevicePresent(2));
    EXPECT_EQ(cam->GetAttachCount(), 1);
}

TEST_F(SimTransport, RegistersSensorAndSromThroughTheController) {
    OpenCamera();
    const std::shared_ptr<sim::CSimCamera> camera = bus.Camera(0);
    ASSERT_TRUE(cam->FpgaWrite(7, 0x5A));
    EXPECT_EQ(camera->FpgaRegister(7), 0x5A);
    uint8_t value = 0;
    ASSERT_TRUE(cam->FpgaRead(7, &value));
    EXPECT_EQ(value, 0x5A);
    uint16_t word = 0;
    ASSERT_TRUE(cam->ReadRegisterWord(&word));
    EXPECT_EQ(word, 0x0103);

    const uint8_t chipVersion = 0x00;
    uint8_t bytes[2] = {};
    ASSERT_TRUE(cam->I2cWrite(kSensorBus, &chipVersion, 1, 3000));
    ASSERT_TRUE(cam->I2cRead(kSensorBus, bytes, 2, 3000));
    EXPECT_EQ((bytes[0] << 8) | bytes[1], 0x1801);
    ASSERT_TRUE(SensorWrite(0x35, 0x0020));
    EXPECT_EQ(camera->SensorRegister(0x35), 0x0020);

    ASSERT_TRUE(cam->SromWrite(0x1080, 0x42));
    EXPECT_EQ(camera->SromByte(0x1080), 0x42);
    value = 0;
    ASSERT_TRUE(cam->SromRead(0x1080, &value));
    EXPECT_EQ(value, 0x42);

    uint8_t info[64] = {};
    ASSERT_TRUE(cam->GetDeviceInfo(info));
    EXPECT_EQ(info[24] | (info[25] << 8), 0x1100);
    uint32_t speed = 0;
    ASSERT_TRUE(cam->GetDeviceSpeed(&speed));
    EXPECT_EQ(speed, kSuperSpeedCode);

    camera->SetSilent(0x40, true);
    EXPECT_FALSE(cam->FpgaRead(7, &value)) << "a silent FPGA fails the read";
    EXPECT_FALSE(cam->FpgaWrite(7, 1));
    camera->SetSilent(0x40, false);
    camera->SetFailSromWrites(true);
    cam->SromWrite(0x1081, 0x77);
    EXPECT_NE(camera->SromByte(0x1081), 0x77);

    Unplug(0);
    EXPECT_FALSE(cam->FpgaRead(7, &value)) << "an unplugged camera fails at the handle";
    EXPECT_FALSE(cam->SromRead(0x1080, &value));
    EXPECT_FALSE(cam->OpenStream());
}

TEST_F(SimTransport, FramesAreReadWithTheSizesTheirHeadersAnnounce) {
    OpenCamera();
    ASSERT_TRUE(SetWindow(640, 480));
    std::vector<uint8_t> raw(2592 * 1944 * 2);
    FrameDescriptor descriptor{};
    descriptor.buffer = raw.data();
    descriptor.capacity = static_cast<uint32_t>(raw.size());
    ASSERT_TRUE(cam->OpenStream());

    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(FramePayloadCount(descriptor.header), 640u * 480);
    const uint32_t firstCount = descriptor.frameCount;
    ASSERT_TRUE(cam->ReadFramePayload(&descriptor, 3000));
    EXPECT_NE(std::count(raw.begin(), raw.begin() + 640 * 480, 0), 640 * 480) << "the scene arrived";

    ASSERT_TRUE(cam->FpgaWrite(60, 2));  // 16-bit samples
    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(FramePayloadCount(descriptor.header), 640u * 480 * 2);
    EXPECT_EQ(descriptor.frameCount, firstCount + 1);
    ASSERT_TRUE(cam->ReadFramePayload(&descriptor, 3000));

    // Three whole chunks, then the next header follows at once.
    ASSERT_TRUE(SetWindow(1024, 768));
    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(FramePayloadCount(descriptor.header), 3u * kPayloadChunkBytes);
    ASSERT_TRUE(cam->ReadFramePayload(&descriptor, 3000));
    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(descriptor.frameCount, firstCount + 3);

    // A header that announces more than the buffer holds fails the frame unread.
    ASSERT_TRUE(cam->ReadFramePayload(&descriptor, 3000));
    descriptor.capacity = 1000;
    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_FALSE(cam->ReadFramePayload(&descriptor, 3000));
    cam->CloseStream();
}

TEST_F(SimTransport, MisreportedPayloadIsReadAsAnnounced) {
    OpenCamera();
    ASSERT_TRUE(SetWindow(640, 480));
    std::vector<uint8_t> raw(640 * 480 + 4096);
    FrameDescriptor descriptor{};
    descriptor.buffer = raw.data();
    descriptor.capacity = static_cast<uint32_t>(raw.size());
    bus.Camera(0)->MisreportPayload(100, 1);
    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(FramePayloadCount(descriptor.header), 640u * 480 + 100);
    ASSERT_TRUE(cam->ReadFramePayload(&descriptor, 3000));
    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(FramePayloadCount(descriptor.header), 640u * 480) << "the stream stays in step";
    ASSERT_TRUE(cam->ReadFramePayload(&descriptor, 3000));
    cam->CloseStream();
}

TEST_F(SimTransport, MissedHeadersAreRetriedAfterResetPulses) {
    OpenCamera();
    ASSERT_TRUE(SetWindow(640, 480));
    std::vector<uint8_t> raw(640 * 480);
    FrameDescriptor descriptor{};
    descriptor.buffer = raw.data();
    descriptor.capacity = static_cast<uint32_t>(raw.size());
    bus.Camera(0)->DropHeaders(2);
    ASSERT_TRUE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(FramePayloadCount(descriptor.header), 640u * 480);
    EXPECT_EQ(bus.Camera(0)->FpgaRegister(108), 0) << "each pulse ends low";
    ASSERT_TRUE(cam->ReadFramePayload(&descriptor, 3000));
    EXPECT_NE(cam->StreamHandle(), nullptr);

    // A camera whose headers never come fails after its attempts and closes the stream it opened.
    cam->CloseStream();
    bus.Camera(0)->DropHeaders(1000);
    EXPECT_FALSE(cam->ReadFrameHeader(&descriptor, 0));
    EXPECT_EQ(cam->StreamHandle(), nullptr);
}
